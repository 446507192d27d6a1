// Icons: the five 16-colour layouts decode to the same picture, quarter and
// angle turns, full-colour icons, the palette, bounded decoding, and a
// golden sheet of every compiled-in icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "data/fonts.h"
#include "data/icons.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_image.h"
#include "source/graphics/u_rle.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/golden.h"

namespace {

constexpr COLOR BG = 0x1234;
constexpr int T = -1;  // transparent

// A 5 x 3 test picture, top row first, using the values 0-14.
const int kPicture[3][5] = {
    {1, 2, T, 4, 5},
    {T, 7, 7, 7, T},
    {14, 0, 0, 0, 9},
};
constexpr int W = 5, H = 3;

const COLOR kPalette[16] = {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008,
                            0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F, 0x0010};

class IconDraw : public ::testing::Test {
 protected:
  void SetUp() override { G_ICON_vSetIconPalette(kPalette); }
  void TearDown() override { G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80); }
};

std::vector<U8> Packed(bool mask, int transparentValue) {
  std::vector<U8> out((W * H + 1) / 2, 0);
  for (int i = 0; i < W * H; ++i) {
    int v = kPicture[i / W][i % W];
    if (mask) {
      v = v == T ? 15 : 0;
    } else if (v == T) {
      v = transparentValue;
    }
    out[i / 2] |= (U8)((i & 1) ? v : v << 4);
  }
  return out;
}

std::vector<U8> Compressed(const std::vector<U8>& packed) {
  std::vector<U8> out(packed.size() + 4, 0);
  const int n = U_RLE_NIBBLE_nCompress(packed.data(), out.data(), (int)packed.size());
  if (n < 0) {
    // Too short to gain: write the same nibbles as literals after a marker
    // (12) that none of them uses; the decoder reads any valid stream.
    std::vector<U8> nibbles = {12};
    for (size_t i = 0; i < packed.size() * 2; ++i) nibbles.push_back((i & 1) ? packed[i / 2] & 15 : packed[i / 2] >> 4);
    out.assign((nibbles.size() + 1) / 2, 0);
    for (size_t i = 0; i < nibbles.size(); ++i) out[i / 2] |= (U8)((i & 1) ? nibbles[i] : nibbles[i] << 4);
    return out;
  }
  out.resize((size_t)n);
  return out;
}

// The picture as it should appear with its lower-left corner at (x, y).
std::map<std::pair<int, int>, COLOR> Expected(int x0, int y0) {
  std::map<std::pair<int, int>, COLOR> out;
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c)
      if (kPicture[r][c] != T) out[{x0 + c, y0 + H - 1 - r}] = kPalette[kPicture[r][c]];
  return out;
}

std::map<std::pair<int, int>, COLOR> Drawn(const Canvas& c) {
  std::map<std::pair<int, int>, COLOR> out;
  for (auto [x, y] : c.written(BG)) out[{x, y}] = c.at(x, y);
  return out;
}

TEST_F(IconDraw, EveryLayoutDrawsTheSamePicture) {
  // Picture values never use 3: it stands for transparent pixels in the
  // layouts with a transparent value.
  const U8 key = 3;
  const std::vector<U8> pixels = Packed(false, key), mask = Packed(true, 0);
  const std::vector<U8> rlePixels = Compressed(pixels), rleMask = Compressed(mask);

  // Layout 0: rows of 8 pixels in one little-endian word each.
  std::vector<U32> words(H, 0), maskWords(H, 0);
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < 8; ++c) {
      const int v = c < W ? kPicture[r][c] : T;
      words[r] |= (U32)(v == T ? 0 : v) << (28 - 4 * c);
      maskWords[r] |= (U32)(v == T ? 15 : 0) << (28 - 4 * c);
    }
  BITMAP padded{}, paddedMask{};
  G_BUFFERS_pCreateBitmap(W, H, &padded, words.data());
  G_BUFFERS_pCreateBitmap(W, H, &paddedMask, maskWords.data());
  padded.__u32PixelWidthOfBuffer = paddedMask.__u32PixelWidthOfBuffer = 8;
  padded.__u32PixelHeightOfBuffer = paddedMask.__u32PixelHeightOfBuffer = H;

  const ICON icons[] = {
      {&padded, &paddedMask, W, H, ICON_PADDED_BITMAPS},
      {pixels.data(), mask.data(), W, H, ICON_UNPADDED_BUFFERS},
      {pixels.data(), &key, W, H, ICON_TRANSPARENT_COLOR},
      {rlePixels.data(), rleMask.data(), W, H, ICON_RLE_BUFFERS},
      {rlePixels.data(), &key, W, H, ICON_RLE_TRANSPARENT_COLOR},
  };
  for (const ICON& icon : icons) {
    Canvas c(12, 8, BG);
    G_ICON_vPut(c.bmp(), &icon, Pt(3, 2));
    EXPECT_EQ(Expected(3, 2), Drawn(c)) << "layout " << icon.eCompression;
  }
  // Without a mask every pixel is drawn (the transparent ones in their value).
  const ICON noMask = {pixels.data(), nullptr, W, H, ICON_UNPADDED_BUFFERS};
  Canvas c(12, 8, BG);
  G_ICON_vPut(c.bmp(), &noMask, Pt(0, 0));
  EXPECT_EQ((size_t)(W * H), Drawn(c).size());
  EXPECT_EQ(kPalette[key], c.at(2, 2));
}

TEST_F(IconDraw, UnpaddedRowsRunOnInsideABytes) {
  // Width 3: the second row starts in the low nibble of the second byte.
  const U8 data[] = {0x12, 0x34, 0x56};
  const ICON icon = {data, nullptr, 3, 2, ICON_UNPADDED_BUFFERS};
  Canvas c(5, 4, BG);
  G_ICON_vPut(c.bmp(), &icon, Pt(1, 1));
  EXPECT_EQ(kPalette[1], c.at(1, 2));
  EXPECT_EQ(kPalette[2], c.at(2, 2));
  EXPECT_EQ(kPalette[3], c.at(3, 2));
  EXPECT_EQ(kPalette[4], c.at(1, 1));
  EXPECT_EQ(kPalette[5], c.at(2, 1));
  EXPECT_EQ(kPalette[6], c.at(3, 1));
}

TEST_F(IconDraw, NothingIsDrawnForMissingOrUnknownData) {
  const U8 data[] = {0x11, 0x11};
  const ICON keyedWithoutKey = {data, nullptr, 2, 2, ICON_TRANSPARENT_COLOR};
  const ICON rleWithoutKey = {data, nullptr, 2, 2, ICON_RLE_TRANSPARENT_COLOR};
  const ICON unknown = {data, nullptr, 2, 2, (ICON_COMPRESSION)9};
  const ICON fullColour = {data, nullptr, 2, 2, ICON_PNG_IMAGE32};
  const ICON empty = {data, nullptr, 0, 5, ICON_UNPADDED_BUFFERS};
  for (const ICON* icon : {&keyedWithoutKey, &rleWithoutKey, &unknown, &fullColour, &empty}) {
    Canvas c(6, 6, BG);
    G_ICON_vDecompressAndPutIndirect(c.bmp(), icon, Pt(1, 1), G_ICON_vRot0PutPixel, 0);
    EXPECT_TRUE(c.written(BG).empty()) << icon->eCompression;
  }
  Canvas c(6, 6, BG);
  G_ICON_vPut(c.bmp(), nullptr, Pt(1, 1));
  G_ICON_vPutRotated(c.bmp(), &fullColour, Pt(1, 1), G_ICON_ROTATE_90);
  EXPECT_TRUE(c.written(BG).empty());
  EXPECT_EQ(0u, G_ICON_u32GetWidth(nullptr));
  EXPECT_EQ(0u, G_ICON_u32GetHeight(nullptr));
  EXPECT_EQ(5u, G_ICON_u32GetHeight(&empty));
}

TEST_F(IconDraw, PutPixelReceivesOffsetsFromTheBottomLeft) {
  struct Seen {
    int x, y;
    COLOR colour;
    U32 extra;
  };
  static std::vector<Seen> seen;
  seen.clear();
  const U8 data[] = {0x12, 0x3F};  // 2 x 2: top row 1 2, bottom row 3 15
  const U8 key = 15;
  const ICON icon = {data, &key, 2, 2, ICON_TRANSPARENT_COLOR};
  G_ICON_vDecompressAndPutIndirect(nullptr, &icon, Pt(0, 0),
                                   [](BITMAP*, POINT, S32 x, S32 y, COLOR colour, U32 extra) {
                                     seen.push_back({x, y, colour, extra});
                                   },
                                   77);
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(0, seen[0].x);
  EXPECT_EQ(1, seen[0].y);
  EXPECT_EQ(kPalette[1], seen[0].colour);
  EXPECT_EQ(1, seen[1].x);
  EXPECT_EQ(1, seen[1].y);
  EXPECT_EQ(0, seen[2].x);
  EXPECT_EQ(0, seen[2].y);
  EXPECT_EQ(77u, seen[2].extra);
}

// The expected pixels of the test picture turned about the anchor.
std::map<std::pair<int, int>, COLOR> Turned(int ax, int ay, int quarter) {
  std::map<std::pair<int, int>, COLOR> out;
  for (auto [pos, colour] : Expected(0, 0)) {
    const int x = pos.first, y = pos.second;
    switch (quarter) {
      case 0: out[{ax + x, ay + y}] = colour; break;
      case 1: out[{ax + y, ay - x}] = colour; break;
      case 2: out[{ax - x, ay - y}] = colour; break;
      case 3: out[{ax - y, ay + x}] = colour; break;
    }
  }
  return out;
}

TEST_F(IconDraw, QuarterTurns) {
  const U8 key = 3;
  const std::vector<U8> pixels = Packed(false, key);
  const ICON icon = {pixels.data(), &key, W, H, ICON_TRANSPARENT_COLOR};
  for (U32 rotation : {0u, 1u, 2u, 3u, 4u, 99u}) {
    Canvas c(20, 20, BG);
    G_ICON_vPutRotated(c.bmp(), &icon, Pt(10, 10), rotation);
    EXPECT_EQ(Turned(10, 10, rotation <= 3 ? (int)rotation : 0), Drawn(c)) << rotation;
  }
  // The 90 degree turn is clockwise on the screen: the top row (y = 2)
  // becomes the right-hand column.
  Canvas c(20, 20, BG);
  G_ICON_vPutRotated(c.bmp(), &icon, Pt(10, 10), G_ICON_ROTATE_90);
  EXPECT_EQ(kPalette[1], c.at(12, 10));
}

TEST_F(IconDraw, AngleTurnsToTheNearestQuarter) {
  const U8 key = 3;
  const std::vector<U8> pixels = Packed(false, key);
  const ICON icon = {pixels.data(), &key, W, H, ICON_TRANSPARENT_COLOR};
  struct Case {
    double angle;
    int quarter;
  };
  // q = (degrees + 45) / 90 truncated; only 1, 2 and 3 turn.
  const Case cases[] = {{0.0, 0}, {0.7, 0}, {0.8, 1}, {1.6, 1}, {3.2, 2}, {4.7, 3}, {5.9, 0}, {-0.5, 0}, {-1.6, 0}};
  for (const Case& k : cases) {
    Canvas c(20, 20, BG);
    G_ICON_vPutRotatedAngle(c.bmp(), &icon, Pt(10, 10), Pt(3, 3), k.angle);
    EXPECT_EQ(Turned(10, 10, k.quarter), Drawn(c)) << k.angle;
  }
}

TEST_F(IconDraw, FullColourIconsChooseTheirPictureBySize) {
  // The same data read as a 16-bit run-length picture (60 x 60 and larger)
  // or as a 32-bit picture (smaller). Here: one row of 16-bit words
  // "green, run of 59" whose bytes as 32-bit elements are red 0xE0, green 7,
  // blue 0xFF, alpha 0xFF.
  // Room for either reading: 59 x 80 plain 32-bit elements.
  std::vector<U16> words(59 * 80 * 2, 0);
  for (size_t row = 0; row < 60; ++row) {
    words[row * 3] = 0x07E0;
    words[row * 3 + 1] = 0xFFFF;
    words[row * 3 + 2] = 59;
  }
  const ICON large = {words.data(), nullptr, 60, 60, ICON_PNG_IMAGE32};
  Canvas c(100, 100, BG);
  G_ICON_vPut(c.bmp(), &large, Pt(5, 5));
  EXPECT_EQ(0x07E0, c.at(5, 5));
  EXPECT_EQ(0x07E0, c.at(64, 64));
  EXPECT_EQ(BG, c.at(65, 64));

  const ICON tall = {words.data(), nullptr, 59, 80, ICON_PNG_IMAGE32};
  c.clear(BG);
  G_ICON_vPut(c.bmp(), &tall, Pt(5, 5));
  // Element 0 is bytes E0 07 FF FF: red 0xE0, green 0x07, blue 0xFF, opaque.
  EXPECT_EQ(G_IMAGE32_colorOf(0xE0, 0x07, 0xFF), c.at(5, 5));
}

TEST_F(IconDraw, BoundedDecodingStopsAtTheEndOfTheData) {
  const U8 key = 3;
  const std::vector<U8> pixels = Packed(false, key);
  // Unpadded data cut after 3 bytes: the first 6 pixels only.
  const ICON icon = {pixels.data(), &key, W, H, ICON_TRANSPARENT_COLOR};
  Canvas c(12, 8, BG);
  G_ICON_vDecompressAndPutIndirectBounded(c.bmp(), &icon, Pt(0, 0), G_ICON_vRot0PutPixel, 0, 3, 0);
  auto expected = Expected(0, 0);
  std::map<std::pair<int, int>, COLOR> firstSix;
  for (auto [pos, colour] : expected)
    if (pos.second == 2 || (pos.second == 1 && pos.first == 0)) firstSix[pos] = colour;
  EXPECT_EQ(firstSix, Drawn(c));

  // A run-length stream cut inside a code draws what came before it.
  const std::vector<U8> rle = Compressed(pixels);
  const ICON rleIcon = {rle.data(), &key, W, H, ICON_RLE_TRANSPARENT_COLOR};
  c.clear(BG);
  G_ICON_vDecompressAndPutIndirectBounded(c.bmp(), &rleIcon, Pt(0, 0), G_ICON_vRot0PutPixel, 0, 2, 0);
  EXPECT_LT(Drawn(c).size(), expected.size());
  c.clear(BG);
  G_ICON_vDecompressAndPutIndirectBounded(c.bmp(), &rleIcon, Pt(0, 0), G_ICON_vRot0PutPixel, 0, rle.size(), 0);
  EXPECT_EQ(expected, Drawn(c));
}

TEST_F(IconDraw, PaletteFollowsTheColourTable) {
  const U8 data[] = {0x5A};
  const ICON icon = {data, nullptr, 2, 1, ICON_UNPADDED_BUFFERS};
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  Canvas c(4, 2, BG);
  G_ICON_vPut(c.bmp(), &icon, Pt(0, 0));
  EXPECT_EQ(0xF800, c.at(0, 0));  // entry 85
  EXPECT_EQ(0x07E0, c.at(1, 0));  // entry 90
  const COLOR saved = gCOLOR_pcolColorTable[85];
  gCOLOR_pcolColorTable[85] = 0x1111;
  G_ICON_vPut(c.bmp(), &icon, Pt(0, 0));
  EXPECT_EQ(0x1111, c.at(0, 0));
  gCOLOR_pcolColorTable[85] = saved;
}

TEST_F(IconDraw, CompiledInIconsStayInsideTheirBox) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  for (int i = 0; i < G_ALL_ICONS; ++i) {
    const ICON* icon = g_apAllIcons[i];
    SCOPED_TRACE(g_apcAllIconNames[i]);
    Canvas c(icon->nWidth + 20, icon->nHeight + 20, 0x8410);
    G_ICON_vPut(c.bmp(), icon, Pt(10, 10));
    const PixelSet drawn = c.written(0x8410);
    EXPECT_GT(drawn.size(), (size_t)(icon->nWidth * icon->nHeight / 10));
    for (auto [x, y] : drawn) {
      EXPECT_TRUE(x >= 10 && x < 10 + icon->nWidth && y >= 10 && y < 10 + icon->nHeight) << x << "," << y;
    }
  }
}

TEST_F(IconDraw, GoldenSheetOfEveryIcon) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  Canvas c(800, 760, 0x8C94);
  int x = 6, rowTop = 754, tallest = 0;
  const FONT_DEF* font = &tessix_6x11short_font_def;
  for (int i = 0; i < G_ALL_ICONS; ++i) {
    const ICON* icon = g_apAllIcons[i];
    // The name as the short font can show it: '_' is not in the code page.
    std::string name = g_apcAllIconNames[i];
    for (char& ch : name) ch = ch == '_' ? ' ' : ch;
    const int cell = std::max(icon->nWidth + 4, (int)G_STRING_u32GetWidth(font, name.c_str()));
    if (x + cell > 794) {
      x = 6;
      rowTop -= tallest + 20;
      tallest = 0;
    }
    // Each icon over a half-white, half-black backdrop, its name below.
    G_BOX_vDrawFilled(c.bmp(), 0xFFFF, Pt(x, rowTop - icon->nHeight - 4), (U32)icon->nWidth / 2 + 2,
                      (U32)icon->nHeight + 4);
    G_BOX_vDrawFilled(c.bmp(), 0x0000, Pt(x + icon->nWidth / 2 + 2, rowTop - icon->nHeight - 4),
                      (U32)(icon->nWidth - icon->nWidth / 2 + 2), (U32)icon->nHeight + 4);
    G_ICON_vPut(c.bmp(), icon, Pt(x + 2, rowTop - icon->nHeight - 2));
    POINT label{x, rowTop - icon->nHeight - 17};
    G_STRING_vPut(c.bmp(), 0x0000, &label, font, name.c_str());
    x += cell + 10;
    tallest = std::max(tallest, icon->nHeight + 4);
  }
  // Turned icons: quarter turns and an angle turn of a full-colour one.
  G_ICON_vPutRotated(c.bmp(), &active_side_rt_icon, Pt(560, 40), G_ICON_ROTATE_90);
  G_ICON_vPutRotated(c.bmp(), &active_side_rt_icon, Pt(640, 70), G_ICON_ROTATE_180);
  G_ICON_vPutRotated(c.bmp(), &active_side_rt_icon, Pt(680, 16), G_ICON_ROTATE_270);
  G_ICON_vPutRotatedAngle(c.bmp(), &slider_icon, Pt(740, 40), Pt(6, 11), 0.7);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "icons/sheet");
}

}  // namespace
