// PNG writer and reader of 565 pictures.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "source/platform/host/host_png.h"
#include "tests/support/golden.h"

namespace {

std::string sTempDir() {
  char tmpl[] = "/tmp/tessix_png_XXXXXX";
  const char* d = mkdtemp(tmpl);
  return d ? d : "/tmp";
}

void vPutU32(std::vector<U8>* out, U32 v) {
  for (int s = 24; s >= 0; s -= 8) out->push_back((U8)(v >> s));
}

void vChunk(std::vector<U8>* out, const char* type, const std::vector<U8>& body) {
  vPutU32(out, (U32)body.size());
  std::vector<U8> typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  out->insert(out->end(), typed.begin(), typed.end());
  vPutU32(out, (U32)crc32(0, typed.data(), (uInt)typed.size()));
}

// A PNG assembled by hand from already filtered rows.
std::vector<U8> vecMakePng(U32 w, U32 h, U8 depth, U8 colour_type, U8 interlace, const std::vector<U8>& raw) {
  std::vector<U8> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<U8> ihdr;
  vPutU32(&ihdr, w);
  vPutU32(&ihdr, h);
  ihdr.insert(ihdr.end(), {depth, colour_type, 0, 0, interlace});
  vChunk(&png, "IHDR", ihdr);
  uLongf size = compressBound((uLong)raw.size());
  std::vector<U8> packed(size);
  compress(packed.data(), &size, raw.data(), (uLong)raw.size());
  packed.resize(size);
  vChunk(&png, "IDAT", packed);
  vChunk(&png, "IEND", {});
  return png;
}

}  // namespace

TEST(Png, WideningReplicatesTheTopBits) {
  struct {
    U16 pixel;
    U8 r, g, b;
  } cases[] = {
      {0x0000, 0, 0, 0},        {0xFFFF, 255, 255, 255}, {0xF800, 255, 0, 0},
      {0x07E0, 0, 255, 0},      {0x001F, 0, 0, 255},     {0x8410, 132, 130, 132},
      {0x0821, 8, 4, 8},
  };
  for (const auto& c : cases) {
    U8 r, g, b;
    HOST_vWiden565(c.pixel, &r, &g, &b);
    EXPECT_EQ(c.r, r) << std::hex << c.pixel;
    EXPECT_EQ(c.g, g) << std::hex << c.pixel;
    EXPECT_EQ(c.b, b) << std::hex << c.pixel;
    EXPECT_EQ(c.pixel, HOST_u16Narrow888(r, g, b));
  }
}

// Every one of the 65536 colours, in a buffer whose rows are wider than the
// picture: the file read back gives exactly the pixels written, and the
// padding of the rows never reaches the file.
TEST(Png, EveryColourSurvivesARoundTripThroughAFile) {
  const int w = 256, h = 256, stride = 259;
  std::vector<U16> buffer((size_t)stride * h, 0xDEAD);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) buffer[(size_t)y * stride + x] = (U16)(y * 256 + x);

  std::string dir = sTempDir();
  std::string path = dir + "/all.png";
  ASSERT_TRUE(HOST_bWritePng565(path.c_str(), buffer.data(), w, h, stride));

  std::vector<U16> back;
  int bw = 0, bh = 0;
  std::string error;
  ASSERT_TRUE(HOST_bReadPng565(path.c_str(), &back, &bw, &bh, &error)) << error;
  ASSERT_EQ(w, bw);
  ASSERT_EQ(h, bh);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(buffer[(size_t)y * stride + x], back[(size_t)y * w + x]) << x << "," << y;

  // Writing again replaces the file and leaves no temporary file behind.
  std::vector<U16> flat(4 * 3, 0x1234);
  ASSERT_TRUE(HOST_bWritePng565(path.c_str(), flat.data(), 4, 3, 4));
  ASSERT_TRUE(HOST_bReadPng565(path.c_str(), &back, &bw, &bh));
  EXPECT_EQ(4, bw);
  EXPECT_EQ(3, bh);
  EXPECT_EQ(flat, back);
  unlink(path.c_str());
  EXPECT_EQ(0, rmdir(dir.c_str())) << "something besides the picture was left in " << dir;
}

// Rows filtered by each of the five filters, in an RGBA picture and a grey
// one, as other tools write them.
TEST(Png, ReaderUndoesEveryRowFilter) {
  // 3 x 5 RGBA; row y uses filter y.
  const U32 w = 3, h = 5, bpp = 4;
  std::vector<U8> plain(w * h * bpp);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = (U8)(i * 37 + 11);
  std::vector<U8> raw;
  for (U32 y = 0; y < h; ++y) {
    raw.push_back((U8)y);
    for (U32 i = 0; i < w * bpp; ++i) {
      int x = plain[y * w * bpp + i];
      int a = i >= bpp ? plain[y * w * bpp + i - bpp] : 0;
      int b = y ? plain[(y - 1) * w * bpp + i] : 0;
      int c = (y && i >= bpp) ? plain[(y - 1) * w * bpp + i - bpp] : 0;
      int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
      int paeth = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
      int pred[5] = {0, a, b, (a + b) / 2, paeth};
      raw.push_back((U8)(x - pred[y]));
    }
  }
  std::vector<U8> png = vecMakePng(w, h, 8, 6, 0, raw);
  std::vector<U16> pixels;
  int pw = 0, ph = 0;
  std::string error;
  ASSERT_TRUE(HOST_bDecodePng565(png.data(), png.size(), &pixels, &pw, &ph, &error)) << error;
  ASSERT_EQ(w * h, pixels.size());
  for (U32 i = 0; i < w * h; ++i) {
    EXPECT_EQ(HOST_u16Narrow888(plain[i * 4], plain[i * 4 + 1], plain[i * 4 + 2]), pixels[i]) << i;
  }

  // Grey, one row "Up" from a zero row: 2 x 2.
  std::vector<U8> grey_raw = {0, 0x00, 0xFF, 2, 0x80, 0x01};
  png = vecMakePng(2, 2, 8, 0, 0, grey_raw);
  ASSERT_TRUE(HOST_bDecodePng565(png.data(), png.size(), &pixels, &pw, &ph, &error)) << error;
  EXPECT_EQ((std::vector<U16>{0x0000, 0xFFFF, 0x8410, 0x0000}), pixels);
}

TEST(Png, BadFilesAreRefusedWithAReason) {
  std::vector<U16> pixels = {0x1111, 0x2222, 0x3333, 0x4444};
  std::vector<U8> good;
  ASSERT_TRUE(HOST_bEncodePng565(pixels.data(), 2, 2, 2, &good));

  auto truncated = good;
  truncated.resize(good.size() - 20);
  auto bad_crc = good;
  bad_crc[8 + 8 + 5] ^= 0x40;  // inside IHDR's body
  auto bad_signature = good;
  bad_signature[1] = 'Q';
  std::vector<U8> row = {0, 1, 2, 3, 4, 5, 6};
  auto interlaced = vecMakePng(2, 1, 8, 2, 1, row);
  auto deep = vecMakePng(1, 1, 16, 2, 0, row);
  auto bad_filter = vecMakePng(2, 1, 8, 2, 0, {9, 1, 2, 3, 4, 5, 6});
  auto short_data = vecMakePng(2, 2, 8, 2, 0, row);  // one row of two
  auto huge = vecMakePng(16384, 16384, 8, 6, 0, row);
  auto zero_size = vecMakePng(0, 4, 8, 2, 0, row);

  struct {
    const char* what;
    std::vector<U8> data;
  } cases[] = {
      {"empty", {}},
      {"truncated", truncated},
      {"checksum", bad_crc},
      {"signature", bad_signature},
      {"interlaced", interlaced},
      {"16-bit", deep},
      {"row filter", bad_filter},
      {"short data", short_data},
      {"huge header, little data", huge},
      {"zero width", zero_size},
  };
  for (const auto& c : cases) {
    std::vector<U16> out;
    int w = -1, h = -1;
    std::string error;
    EXPECT_FALSE(HOST_bDecodePng565(c.data.data(), c.data.size(), &out, &w, &h, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(-1, w) << c.what;
  }

  std::string error;
  std::vector<U16> out;
  int w, h;
  EXPECT_FALSE(HOST_bReadPng565("/nonexistent/folder/x.png", &out, &w, &h, &error));
  EXPECT_NE(std::string::npos, error.find("cannot open")) << error;
  EXPECT_FALSE(HOST_bWritePng565("/nonexistent/folder/x.png", pixels.data(), 2, 2, 2));
  EXPECT_FALSE(HOST_bWritePng565("/tmp/x.png", pixels.data(), 2, 2, 1)) << "stride below width";
}

// The golden check against a source tree of its own: a missing golden fails
// and leaves the actual picture beside the program; TESSIX_UPDATE_GOLDEN=1
// accepts it; a changed pixel is reported with its position and mapped.
TEST(Golden, MissingAcceptedAndDifferingPictures) {
  std::string tree = sTempDir();
  const int w = 6, h = 4, stride = 7;
  std::vector<U16> picture((size_t)stride * h);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = (U16)(i * 977);
  const char* name = "selftest/six_by_four";

  unsetenv("TESSIX_UPDATE_GOLDEN");
  auto missing = GoldenMatches(tree.c_str(), picture.data(), w, h, stride, name);
  EXPECT_FALSE(missing);
  EXPECT_NE(std::string::npos, std::string(missing.message()).find("TESSIX_UPDATE_GOLDEN")) << missing.message();
  const std::string marker = "actual picture: ";
  std::string message = missing.message();
  size_t at = message.find(marker);
  ASSERT_NE(std::string::npos, at) << message;
  std::string actual = message.substr(at + marker.size(), message.find(';', at) - at - marker.size());
  std::vector<U16> back;
  int bw, bh;
  ASSERT_TRUE(HOST_bReadPng565(actual.c_str(), &back, &bw, &bh)) << actual;
  EXPECT_EQ(w, bw);

  setenv("TESSIX_UPDATE_GOLDEN", "1", 1);
  EXPECT_TRUE(GoldenMatches(tree.c_str(), picture.data(), w, h, stride, name));
  unsetenv("TESSIX_UPDATE_GOLDEN");
  std::string golden = tree + "/tests/golden/" + name + ".png";
  EXPECT_TRUE(GoldenMatches(tree.c_str(), picture.data(), w, h, stride, name));

  picture[2 * stride + 5] ^= 1;
  auto differ = GoldenMatches(tree.c_str(), picture.data(), w, h, stride, name);
  EXPECT_FALSE(differ);
  EXPECT_NE(std::string::npos, std::string(differ.message()).find("1 of 24 pixels differ, first at column 5 row 2"))
      << differ.message();
  std::string diff = actual.substr(0, actual.size() - 4) + ".diff.png";
  ASSERT_TRUE(HOST_bReadPng565(diff.c_str(), &back, &bw, &bh)) << diff;
  EXPECT_EQ(0xF81F, back[2 * w + 5]);
  EXPECT_NE(0xF81F, back[0]);

  EXPECT_FALSE(GoldenMatches(tree.c_str(), picture.data(), w - 1, h, stride, name)) << "size differs";
  EXPECT_FALSE(GoldenMatches(tree.c_str(), picture.data(), w, h, stride, "../escape"));

  unlink(actual.c_str());
  unlink(diff.c_str());
  unlink(golden.c_str());
  rmdir((tree + "/tests/golden/selftest").c_str());
  rmdir((tree + "/tests/golden").c_str());
  rmdir((tree + "/tests").c_str());
  rmdir(tree.c_str());
}
