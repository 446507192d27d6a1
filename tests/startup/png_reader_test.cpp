// The PNG reader: the built-in pictures (chunk layout, pixels against
// libpng's decoding, golden pictures on two bitmap sizes), files written by
// libpng with every filter type, refused kinds, the older BMP form and
// requests the view has moved on from.
#include <gtest/gtest.h>

#include <atomic>
#include <png.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"
#include "source/startup/t_mmc.h"
#include "source/startup/t_mmc_png.h"
#include "source/startup/u_mmc_bufio.h"
#include "source/startup/u_mmc_png.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr COLOR BACKGROUND = 0x1234;

struct RGB {
  U8 r, g, b;
};
using PixelFn = std::function<RGB(int x, int y)>;

// An asymmetric picture: every row and column different, top and bottom,
// left and right told apart.
RGB Asymmetric(int x, int y) {
  return RGB{(U8)(x * 3 + y), (U8)(y * 5 + (x >> 2)), (U8)((x ^ y) + (y < 100 ? 200 : 0))};
}

// ------------------------------------------------------------ libpng helpers
struct PNG_SPEC {
  int width = PNG_WIDTH, height = PNG_HEIGHT;
  int colorType = PNG_COLOR_TYPE_RGB;
  int interlace = PNG_INTERLACE_NONE;
  int filters = PNG_FILTER_NONE;
  bool text = false;  // a tEXt chunk before the image data
};

std::vector<U8> LibPng(const PNG_SPEC& spec, const PixelFn& px) {
  std::vector<U8> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<U8>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      [](png_structp) {});
  png_set_IHDR(png, info, spec.width, spec.height, 8, spec.colorType, spec.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, spec.filters);
  if (spec.text) {
    png_text t{};
    t.compression = PNG_TEXT_COMPRESSION_NONE;
    t.key = const_cast<char*>("Comment");
    t.text = const_cast<char*>("made for a test");
    png_set_text(png, info, &t, 1);
  }
  const int channels = spec.colorType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  std::vector<std::vector<U8>> rows(spec.height, std::vector<U8>((size_t)spec.width * channels));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < spec.height; ++y) {
    for (int x = 0; x < spec.width; ++x) {
      const RGB c = px(x, y);
      U8* p = &rows[y][(size_t)x * channels];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
      if (channels == 4) p[3] = 255;
    }
    pointers.push_back(rows[y].data());
  }
  png_set_rows(png, info, pointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// libpng's decoding of an RGB picture, rows from the top.
std::vector<RGB> LibPngDecode(const U8* data, size_t size, int* w, int* h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<RGB> out;
  if (!png_image_begin_read_from_memory(&image, data, size)) return out;
  image.format = PNG_FORMAT_RGB;
  out.resize((size_t)image.width * image.height);
  if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) out.clear();
  *w = (int)image.width;
  *h = (int)image.height;
  png_image_free(&image);
  return out;
}

// ------------------------------------------------------------ decoding
struct MEMORY {
  const U8* data;
  int size;
  int pos;
};
int nReadMemory(void* ctx, U8* out, int n) {
  auto* m = static_cast<MEMORY*>(ctx);
  const int k = std::min(n, m->size - m->pos);
  memcpy(out, m->data + m->pos, (size_t)k);
  m->pos += k;
  return k;
}

bool Decode(const std::vector<U8>& png, Canvas& c, PIXEL x0 = 0, PIXEL y0 = 0) {
  MEMORY m{png.data(), (int)png.size(), 0};
  PNG_SOURCE source{nReadMemory, &m, (long)png.size()};
  return U_PNG_bDecode(&source, c.bmp(), x0, y0) != FALSE;
}

COLOR Reduce(RGB c) { return (COLOR)(((c.r & 0xF8) << 8) | ((c.g & 0xFC) << 3) | (c.b >> 3)); }

// The picture's pixels at their places: image row 0 on logical row y0 + 599.
void ExpectPicture(const Canvas& c, const PixelFn& px, int x0, int y0) {
  int bad = 0;
  for (int y = 0; y < PNG_HEIGHT && bad < 5; ++y) {
    for (int x = 0; x < PNG_WIDTH && bad < 5; ++x) {
      const COLOR want = Reduce(px(x, y));
      const COLOR got = c.at(x0 + x, y0 + PNG_HEIGHT - 1 - y);
      if (want != got) {
        ADD_FAILURE() << "image (" << x << "," << y << "): " << std::hex << got << " want " << want;
        ++bad;
      }
    }
  }
}

bool AllBackground(const Canvas& c) {
  for (COLOR p : c.pixels)
    if (p != BACKGROUND) return false;
  return true;
}

// A file under the host root, by its unit path.
char* WriteUnitFile(const std::string& unit_path, const std::vector<U8>& data) {
  const std::string real = PLATFORM_sResolvePath(unit_path.c_str());
  fs::create_directories(fs::path(real).parent_path());
  std::ofstream(real, std::ios::binary).write((const char*)data.data(), (std::streamsize)data.size());
  char* name = static_cast<char*>(H_MEMORY_pvMalloc(unit_path.size() + 1));
  memcpy(name, unit_path.c_str(), unit_path.size() + 1);
  return name;
}

class PngReader : public ::testing::Test {
 protected:
  void SetUp() override { gCOLOR_pcolColorTable[34] = BACKGROUND; }
};

// ------------------------------------------------------------ filters

TEST(PngFilters, SubRowOfTheEdgeCase) {
  U8 row[7] = {1, 10, 20, 30, 1, 1, 1};
  const U8 prev[7] = {};
  ASSERT_TRUE(U_PNG_bUnfilterRow(row, prev, 7));
  const U8 want[6] = {10, 20, 30, 11, 21, 31};
  EXPECT_EQ(0, memcmp(row + 1, want, 6));
  U8 bad[7] = {5, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(U_PNG_bUnfilterRow(bad, prev, 7));
}

struct FILTER_CASE {
  const char* name;
  int filters;
};

class LibPngFilters : public PngReader, public ::testing::WithParamInterface<FILTER_CASE> {};

TEST_P(LibPngFilters, EveryFilterTypeGivesTheSamePixels) {
  PNG_SPEC spec;
  spec.filters = GetParam().filters;
  const std::vector<U8> png = LibPng(spec, Asymmetric);
  ASSERT_FALSE(png.empty());
  Canvas c(PNG_WIDTH, PNG_HEIGHT, BACKGROUND);
  ASSERT_TRUE(Decode(png, c));
  ExpectPicture(c, Asymmetric, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, LibPngFilters,
                         ::testing::Values(FILTER_CASE{"none", PNG_FILTER_NONE}, FILTER_CASE{"sub", PNG_FILTER_SUB},
                                           FILTER_CASE{"up", PNG_FILTER_UP}, FILTER_CASE{"average", PNG_FILTER_AVG},
                                           FILTER_CASE{"paeth", PNG_FILTER_PAETH},
                                           FILTER_CASE{"adaptive", PNG_ALL_FILTERS}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ refused kinds

// A filter-0 PNG of our own making whose raw rows the case may spoil.
std::vector<U8> OwnPng(const std::function<void(std::vector<U8>& raw)>& spoil, int chunkSize = 16384) {
  std::vector<U8> raw;
  for (int y = 0; y < PNG_HEIGHT; ++y) {
    raw.push_back(0);
    for (int x = 0; x < PNG_WIDTH; ++x) {
      const RGB c = Asymmetric(x, y);
      raw.insert(raw.end(), {c.r, c.g, c.b});
    }
  }
  if (spoil) spoil(raw);
  uLongf n = compressBound(raw.size());
  std::vector<U8> z(n);
  compress2(z.data(), &n, raw.data(), raw.size(), 1);
  z.resize(n);
  std::vector<U8> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const U8* d, U32 len) {
    const U8 be[4] = {(U8)(len >> 24), (U8)(len >> 16), (U8)(len >> 8), (U8)len};
    out.insert(out.end(), be, be + 4);
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), d, d + len);
    const U32 crc = (U32)crc32(0, out.data() + start, (uInt)(len + 4));
    const U8 c[4] = {(U8)(crc >> 24), (U8)(crc >> 16), (U8)(crc >> 8), (U8)crc};
    out.insert(out.end(), c, c + 4);
  };
  const U8 ihdr[13] = {0, 0, 0x03, 0x20, 0, 0, 0x02, 0x58, 8, 2, 0, 0, 0};
  chunk("IHDR", ihdr, 13);
  for (size_t i = 0; i < z.size(); i += chunkSize) chunk("IDAT", z.data() + i, (U32)std::min<size_t>(chunkSize, z.size() - i));
  chunk("IEND", nullptr, 0);
  return out;
}

struct REFUSED_CASE {
  const char* name;
  std::function<std::vector<U8>()> make;
  bool headerRefused;  // nothing is drawn at all
};

class Refused : public PngReader, public ::testing::WithParamInterface<REFUSED_CASE> {};

TEST_P(Refused, FailsAndLeavesTheBackground) {
  const std::vector<U8> png = GetParam().make();
  ASSERT_FALSE(png.empty());
  Canvas c(PNG_WIDTH, PNG_HEIGHT, BACKGROUND);
  EXPECT_FALSE(Decode(png, c));
  if (GetParam().headerRefused) {
    EXPECT_TRUE(AllBackground(c));
  }
  // Through the card task's entry: status FAILURE, the background fill.
  Canvas d(PNG_WIDTH, PNG_HEIGHT, 0);
  char* name = WriteUnitFile(std::string("/mnt/refused/") + GetParam().name + ".PNG", png);
  const std::atomic<U32> latest{7};
  T_MMC_vReadBMP16(name, d.bmp(), 7, &latest);
  EXPECT_EQ(T_MMC_eSaveStatus(), FAILURE);
  if (GetParam().headerRefused) {
    EXPECT_TRUE(AllBackground(d));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Refused,
    ::testing::Values(
        REFUSED_CASE{"wide801", [] { PNG_SPEC s; s.width = 801; return LibPng(s, Asymmetric); }, true},
        REFUSED_CASE{"rgba", [] { PNG_SPEC s; s.colorType = PNG_COLOR_TYPE_RGBA; return LibPng(s, Asymmetric); }, true},
        REFUSED_CASE{"interlaced", [] { PNG_SPEC s; s.interlace = PNG_INTERLACE_ADAM7; return LibPng(s, Asymmetric); }, true},
        REFUSED_CASE{"filter5", [] { return OwnPng([](std::vector<U8>& raw) { raw[0] = 5; }); }, true},
        REFUSED_CASE{"filter5late", [] { return OwnPng([](std::vector<U8>& raw) { raw[(size_t)300 * PNG_ROW_BYTES] = 7; }); }, false},
        REFUSED_CASE{"truncated", [] { auto p = OwnPng(nullptr); p.resize(p.size() / 2); return p; }, false},
        REFUSED_CASE{"shortstream", [] { return OwnPng([](std::vector<U8>& raw) { raw.resize(raw.size() - 2401); }); }, false},
        REFUSED_CASE{"lengthpastend",
                     [] {
                       auto p = OwnPng(nullptr);
                       p[33] = 0x7F;  // the first IDAT's length
                       return p;
                     },
                     true},
        REFUSED_CASE{"signature", [] { auto p = OwnPng(nullptr); p[1] = 'Q'; return p; }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PngReader, AncillaryChunkAndSmallChunksDecode) {
  PNG_SPEC spec;
  spec.text = true;
  Canvas c(PNG_WIDTH, PNG_HEIGHT, BACKGROUND);
  ASSERT_TRUE(Decode(LibPng(spec, Asymmetric), c));
  ExpectPicture(c, Asymmetric, 0, 0);
  Canvas d(PNG_WIDTH, PNG_HEIGHT, BACKGROUND);
  ASSERT_TRUE(Decode(OwnPng(nullptr, 1000), d));
  ExpectPicture(d, Asymmetric, 0, 0);
}

// ------------------------------------------------------------ snapshot files

TEST_F(PngReader, SnapshotFileDecodesUnlessTheViewMovedOn) {
  Canvas c(PNG_WIDTH, PNG_HEIGHT, 0);
  std::atomic<U32> latest{3};
  T_MMC_vReadBMP16(WriteUnitFile("/mnt/snap/S00001.PNG", OwnPng(nullptr)), c.bmp(), 3, &latest);
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  ExpectPicture(c, Asymmetric, 0, 0);
  Canvas d(PNG_WIDTH, PNG_HEIGHT, 0);
  latest = 4;
  T_MMC_vReadBMP16(WriteUnitFile("/mnt/snap/S00002.PNG", OwnPng(nullptr)), d.bmp(), 3, &latest);
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  EXPECT_EQ(d.written(0).size(), 0u);  // nothing drawn
}

TEST_F(PngReader, MissingPngFallsBackToTheBmpOfExactSize) {
  std::vector<U8> bmp(54 + (size_t)600 * 2400);
  for (int r = 0; r < 600; ++r) {  // rows from the bottom up
    for (int x = 0; x < 800; ++x) {
      const RGB c = Asymmetric(x, 599 - r);
      U8* p = &bmp[54 + (size_t)r * 2400 + (size_t)x * 3];
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
  }
  H_MEMORY_vFree(WriteUnitFile("/mnt/old/S00003.BMP", bmp));
  const std::string unit = "/mnt/old/S00003.PNG";
  char* pn = static_cast<char*>(H_MEMORY_pvMalloc(unit.size() + 1));
  memcpy(pn, unit.c_str(), unit.size() + 1);
  Canvas c(PNG_WIDTH, PNG_HEIGHT, 0);
  const std::atomic<U32> latest{1};
  T_MMC_vReadBMP16(pn, c.bmp(), 1, &latest);
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  ExpectPicture(c, Asymmetric, 0, 0);
  // One byte short: refused.
  bmp.pop_back();
  H_MEMORY_vFree(WriteUnitFile("/mnt/old/S00004.BMP", bmp));
  pn = static_cast<char*>(H_MEMORY_pvMalloc(unit.size() + 1));
  memcpy(pn, "/mnt/old/S00004.PNG", unit.size() + 1);
  T_MMC_vReadBMP16(pn, c.bmp(), 1, &latest);
  EXPECT_EQ(T_MMC_eSaveStatus(), FAILURE);
}

// ------------------------------------------------------------ built-in pictures

struct BUILTIN_CASE {
  const char* name;
  int (*read)(void*, int, int*);
  int (*size)(void);
  void (*draw)(BITMAP*);
  int width, height;
  int x0, y0;  // where the picture lands
};

class BuiltIn : public PngReader, public ::testing::WithParamInterface<BUILTIN_CASE> {};

std::vector<U8> Bytes(const BUILTIN_CASE& k) {
  std::vector<U8> v((size_t)k.size());
  int pos = 0;
  EXPECT_EQ(k.read(v.data(), (int)v.size(), &pos), k.size());
  return v;
}

TEST_P(BuiltIn, LayoutPixelsAndGolden) {
  const BUILTIN_CASE& k = GetParam();
  const std::vector<U8> png = Bytes(k);
  // Chunk layout: IHDR, IDAT chunks of 16384 bytes but the last, IEND.
  size_t at = 8;
  std::vector<U32> idat;
  std::string order;
  while (at + 8 <= png.size()) {
    const U32 len = (U32)png[at] << 24 | (U32)png[at + 1] << 16 | (U32)png[at + 2] << 8 | png[at + 3];
    const std::string type((const char*)&png[at + 4], 4);
    if (type == "IDAT") idat.push_back(len);
    if (order.empty() || order.substr(order.size() - 4) != type) order += type;
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  EXPECT_EQ(order, "IHDRIDATIEND");
  ASSERT_GE(idat.size(), 2u);
  for (size_t i = 0; i + 1 < idat.size(); ++i) EXPECT_EQ(idat[i], 16384u);
  EXPECT_LE(idat.back(), 16384u);

  // Pixels as libpng reads them, reduced to RGB565, at their place.
  int w = 0, h = 0;
  const std::vector<RGB> ref = LibPngDecode(png.data(), png.size(), &w, &h);
  ASSERT_EQ(w, PNG_WIDTH);
  ASSERT_EQ(h, PNG_HEIGHT);
  Canvas c(k.width, k.height, 0);
  k.draw(c.bmp());
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  ExpectPicture(c, [&](int x, int y) { return ref[(size_t)y * PNG_WIDTH + x]; }, k.x0, k.y0);
  ExpectMatchesGolden(c.pixels.data(), k.width, k.height, c.pitch, (std::string("mmc/") + k.name).c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Table, BuiltIn,
    ::testing::Values(
        BUILTIN_CASE{"weather_800x600", U_MMC_nWeatherImageRead, U_MMC_nSatWxImageSize, T_MMC_vReadWeatherBMP, 800, 600, 0, 0},
        BUILTIN_CASE{"weather_1024x768", U_MMC_nWeatherImageRead, U_MMC_nSatWxImageSize, T_MMC_vReadWeatherBMP, 1024, 768, 0, 0},
        BUILTIN_CASE{"lake_800x600", U_MMC_nLimnoraImageRead, U_MMC_nLimnoraImageSize, T_MMC_vReadLimnoraBMP, 800, 600, 0, 0},
        BUILTIN_CASE{"lake_1024x768", U_MMC_nLimnoraImageRead, U_MMC_nLimnoraImageSize, T_MMC_vReadLimnoraBMP, 1024, 768, 112, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuiltInFiles, ReadsStopAtTheEnd) {
  const int size = U_MMC_nSatWxImageSize();
  U8 b[10];
  int pos = size - 1;
  EXPECT_EQ(U_MMC_nWeatherImageRead(b, 10, &pos), 1);
  EXPECT_EQ(pos, size);
  EXPECT_EQ(U_MMC_nWeatherImageRead(b, 10, &pos), 0);
  pos = 0;
  EXPECT_EQ(U_MMC_nLimnoraImageRead(b, 0, &pos), 0);
  EXPECT_EQ(U_MMC_nLimnoraImageRead(b, -3, &pos), 0);
  EXPECT_EQ(pos, 0);
}

}  // namespace
