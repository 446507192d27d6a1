// Run-length pictures (16-bit and 32-bit), partial, sector and rotated
// drawing, and the bitmap copies.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "source/graphics/g_bmp.h"
#include "source/graphics/g_image.h"
#include "tests/support/graphics_canvas.h"

namespace {

constexpr COLOR GREEN = 0x07E0, RED = 0xF800, BLUE = 0x001F, WHITE = 0xFFFF;

IMAGE Image16(const std::vector<U16>& words, int w, int h) { return IMAGE{words.data(), nullptr, w, h, 5}; }

struct E {
  U8 r, g, b, a;
};
IMAGE32 Image32(const std::vector<E>& elements, int w, int h) {
  static_assert(sizeof(E) == 4);
  return IMAGE32{elements.data(), nullptr, w, h, 5};
}

// A plain w x h IMAGE32 without run codes, every pixel opaque and distinct.
std::vector<E> Plain(int w, int h) {
  std::vector<E> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(E{(U8)(8 * (x + 1)), (U8)(4 * (y + 1)), 0, 255});
  return out;
}
COLOR PlainColour(int x, int y) { return G_IMAGE32_colorOf((U8)(8 * (x + 1)), (U8)(4 * (y + 1)), 0); }

TEST(GraphicsImage, RunLength16BitRows) {
  {
    const std::vector<U16> data = {GREEN, 0xFFFF, 4};
    IMAGE img = Image16(data, 5, 1);
    Canvas c(10, 4);
    G_IMAGE_vPut(c.bmp(), &img, Pt(2, 1));
    EXPECT_EQ(PixelSet({{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}), c.written());
    for (auto [x, y] : c.written()) EXPECT_EQ(GREEN, c.at(x, y));
  }
  {
    // Rows from the bottom up; the last colour starts each row as black; a
    // run reaching past its row is cut there.
    const std::vector<U16> data = {RED, 0xFFFF, 10, 0xFFFF, 1, BLUE, BLUE, 0xFFFF, 0};
    IMAGE img = Image16(data, 3, 2);
    Canvas c(6, 4, WHITE);
    G_IMAGE_vPut(c.bmp(), &img, Pt(1, 1));
    const COLOR expected[2][3] = {{RED, RED, RED}, {0x0000, BLUE, BLUE}};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(expected[y][x], c.at(1 + x, 1 + y)) << x << "," << y;
    EXPECT_EQ(WHITE, c.at(4, 1));
    EXPECT_EQ(WHITE, c.at(1, 3));
  }
}

TEST(GraphicsImage, Image32RunsAndConversion) {
  {
    const std::vector<E> data = {{10, 20, 30, 255}, {90, 3, 0, 0}};
    IMAGE32 img = Image32(data, 4, 1);
    Canvas c(6, 2);
    G_IMAGE32_vPut(c.bmp(), &img, Pt(1, 0));
    for (int x = 1; x <= 4; ++x) EXPECT_EQ(0x08A3, c.at(x, 0)) << x;  // red 1, green 5, blue 3
    EXPECT_EQ(0, c.at(5, 0));
  }
  {
    // Red 90 with alpha 0 is always a run: here 1 column of the previous
    // pixel, never a transparent pixel. A run after a transparent pixel
    // only advances.
    const std::vector<E> data = {{0, 0, 248, 255}, {90, 1, 0, 0}, {1, 1, 1, 0}, {90, 2, 0, 0}, {248, 0, 0, 255}};
    IMAGE32 img = Image32(data, 6, 1);
    Canvas c(6, 1, WHITE);
    G_IMAGE32_vPut(c.bmp(), &img, Pt(0, 0));
    const COLOR expected[6] = {BLUE, BLUE, WHITE, WHITE, WHITE, RED};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(expected[x], c.at(x, 0)) << x;
  }
}

TEST(GraphicsImage, Image32AlphaWeightsTheNewColour) {
  // White at alpha 200 over white: >> 8 loses a step, / 255 does not.
  const std::vector<E> data = {{255, 255, 255, 200}, {90, 1, 0, 0}, {255, 255, 255, 128}};
  IMAGE32 img = Image32(data, 3, 1);
  Canvas shifted(3, 1, WHITE);
  G_IMAGE32_vPut(shifted.bmp(), &img, Pt(0, 0));
  EXPECT_EQ(0xF7DE, shifted.at(0, 0));
  EXPECT_EQ(0xF7DE, shifted.at(1, 0)) << "a run repeats the blend";
  Canvas divided(3, 1, WHITE);
  G_IMAGE32_vPutOld(divided.bmp(), reinterpret_cast<const struct tag_ICON*>(&img), Pt(0, 0));
  EXPECT_EQ(WHITE, divided.at(0, 0));
  Canvas black(3, 1);
  G_IMAGE32_vPut(black.bmp(), &img, Pt(0, 0));
  EXPECT_EQ(0x7BEF, black.at(2, 0));
}

TEST(GraphicsImage, Image32StaysInsideTheBitmap) {
  // Left of column 0: only the columns from x = 0 on.
  const std::vector<E> row = {{248, 0, 0, 255}, {90, 7, 0, 0}};
  IMAGE32 img = Image32(row, 8, 1);
  Canvas c(10, 2);
  G_IMAGE32_vPut(c.bmp(), &img, Pt(-5, 0));
  EXPECT_EQ(PixelSet({{0, 0}, {1, 0}, {2, 0}}), c.written());

  // A bitmap smaller than the screen bounds the picture, not the screen:
  // nothing wraps into the next row or past the buffer.
  const std::vector<E> block = Plain(10, 10);
  IMAGE32 big = Image32(block, 10, 10);
  Canvas small(20, 20);
  G_IMAGE32_vPut(small.bmp(), &big, Pt(15, -5));
  G_IMAGE32_PART_vPutNew(small.bmp(), &big, Pt(15, 15), 1.0f, 1.0f);
  G_IMAGE32_vPutRotated(small.bmp(), &big, Pt(18, 18), Pt(0, 0), 0.3);
  G_IMAGE32_vPutCondition(small.bmp(), &big, Pt(15, 15), 10, 0, 360, Pt(17, 17), 1);
  for (auto [x, y] : small.written()) EXPECT_GE(x, 14) << x << "," << y;
  EXPECT_EQ(PlainColour(0, 5), small.at(15, 0));
  EXPECT_EQ(PlainColour(4, 4), small.at(19, 19));
}

TEST(GraphicsImage, PartialPicturesFillFromTheBottom) {
  const std::vector<E> data = Plain(3, 4);
  IMAGE32 img = Image32(data, 3, 4);
  const struct {
    float width, height;
    int columns, rows;
  } cases[] = {{1.0f, 0.5f, 3, 2}, {1.0f, 2.0f, 3, 4}, {1.0f, -1.0f, 0, 0}, {0.7f, 1.0f, 2, 4},
               {1.0f, std::numeric_limits<float>::quiet_NaN(), 0, 0}};
  for (const auto& k : cases) {
    Canvas c(5, 6);
    G_IMAGE32_PART_vPutNew(c.bmp(), &img, Pt(1, 1), k.width, k.height);
    PixelSet expected;
    for (int y = 0; y < k.rows; ++y)
      for (int x = 0; x < k.columns; ++x) expected.insert({1 + x, 1 + y});
    EXPECT_EQ(expected, c.written()) << k.width << " " << k.height;
    for (auto [x, y] : c.written()) EXPECT_EQ(PlainColour(x - 1, y - 1), c.at(x, y));
  }
  const std::vector<U16> words = {RED, 0xFFFF, 2, GREEN, 0xFFFF, 2, BLUE, 0xFFFF, 2};
  IMAGE img16 = Image16(words, 3, 3);
  Canvas c(5, 5);
  G_IMAGE_PART_vPutNew(c.bmp(), &img16, Pt(0, 0), 1.0f, 0.67f);
  EXPECT_EQ(6u, c.written().size());
  EXPECT_EQ(GREEN, c.at(2, 1));
}

TEST(GraphicsImage, SectorConditionDrawsBetweenTheAngles) {
  const std::vector<E> data = {{255, 255, 255, 255}, {90, 20, 0, 0}};  // a row of 21 white
  std::vector<E> square;
  for (int y = 0; y < 21; ++y) square.insert(square.end(), data.begin(), data.end());
  IMAGE32 img = Image32(square, 21, 21);
  auto sector = [&](float start, float end, int direction) {
    Canvas c(21, 21);
    G_IMAGE32_vPutCondition(c.bmp(), &img, Pt(0, 0), 10, start, end, Pt(10, 10), direction);
    return c.written();
  };
  const PixelSet quarter = sector(0, 90, 1);
  ASSERT_FALSE(quarter.empty());
  for (auto [x, y] : quarter) EXPECT_TRUE(x >= 10 && y >= 10) << x << "," << y;
  EXPECT_TRUE(quarter.count({20, 20}));
  EXPECT_EQ(quarter, sector(90, 0, -1));
  EXPECT_EQ(441u, sector(0, 360, 1).size());
  const PixelSet threeQuarters = sector(90, 360, 1);
  EXPECT_FALSE(threeQuarters.count({15, 15}));
  EXPECT_TRUE(threeQuarters.count({5, 5}));
  EXPECT_TRUE(sector(std::numeric_limits<float>::quiet_NaN(), 90, 1).empty());
}

// A picture pixel met exactly by the rotated sampling: its weight is
// 256 x 256 x 255, so each channel comes out as (value x 0xFF0000) >> 27
// (>> 26 for green), a step below value / 8 when value is a multiple of 8.
COLOR FullWeight(const E& e) {
  const U64 w = 0xFF0000;
  return G_COLOR_Pack((U32)((e.r * w) >> 27), (U32)((e.g * w) >> 26), (U32)((e.b * w) >> 27));
}

TEST(GraphicsImage, RotationPlacesTheRotationCentreAtTheAnchor) {
  std::vector<E> data;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) data.push_back(E{(U8)(60 * (x + 1)), (U8)(100 * (y + 1)), 33, 255});
  auto at = [&](int x, int y) { return FullWeight(data[x + 3 * y]); };
  IMAGE32 img = Image32(data, 3, 2);
  {
    Canvas c(10, 10);
    G_IMAGE32_vPutRotated(c.bmp(), &img, Pt(4, 5), Pt(0, 0), 0.0);
    EXPECT_EQ(PixelSet({{4, 5}, {5, 5}, {6, 5}, {4, 6}, {5, 6}, {6, 6}}), c.written());
    EXPECT_EQ(at(0, 0), c.at(4, 5));
    EXPECT_EQ(at(2, 1), c.at(6, 6));
  }
  {
    // A quarter turn counter-clockwise about picture point (1, 0).
    Canvas c(10, 10);
    G_IMAGE32_vPutRotated(c.bmp(), &img, Pt(4, 5), Pt(1, 0), M_PI / 2);
    EXPECT_EQ(at(1, 0), c.at(4, 5));
    EXPECT_EQ(at(2, 0), c.at(4, 6));
    EXPECT_EQ(at(0, 1), c.at(3, 4));
    EXPECT_EQ(6u, c.written().size());
  }
  {
    // A half turn about the only pixel leaves it in place.
    Canvas c(10, 10);
    const std::vector<E> one = {{248, 0, 0, 255}};
    IMAGE32 dot = Image32(one, 1, 1);
    G_IMAGE32_vPutRotated(c.bmp(), &dot, Pt(4, 5), Pt(0, 0), M_PI);
    EXPECT_EQ(FullWeight(one[0]), c.at(4, 5));
    EXPECT_EQ(1u, c.written().size());
  }
  {
    // The older form writes through the clip rectangle.
    Canvas c(10, 10);
    c.clip(5, 0, 9, 9);
    G_IMAGE32_vPutRotatedOld(c.bmp(), reinterpret_cast<const struct tag_ICON*>(&img), Pt(4, 5), Pt(0, 0), 0.0);
    EXPECT_EQ(PixelSet({{5, 5}, {6, 5}, {5, 6}, {6, 6}}), c.written());
  }
  {
    Canvas c(10, 10);
    G_IMAGE32_vPutRotated(c.bmp(), &img, Pt(4, 5), Pt(0, 0), std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(c.written().empty());
  }
}

TEST(GraphicsImage, TruncatedPicturesStopAtTheEndOfTheirData) {
  // Exactly-sized heap copies: reading one element more is caught by the
  // address sanitizer.
  const std::vector<U16> words = {RED, 0xFFFF, 3, 0xFFFF};
  std::unique_ptr<U16[]> w(new U16[words.size()]);
  std::copy(words.begin(), words.end(), w.get());
  IMAGE img{w.get(), nullptr, 10, 10, 5};
  Canvas c(12, 12);
  G_IMAGE_vPutBounded(c.bmp(), &img, Pt(0, 0), words.size() * 2);
  EXPECT_EQ(4u, c.written().size());

  const std::vector<E> elements = {{248, 0, 0, 255}, {90, 0, 0, 0}, {90, 0, 0, 0}, {90, 5, 0, 0}};
  std::unique_ptr<E[]> e(new E[elements.size()]);
  std::copy(elements.begin(), elements.end(), e.get());
  IMAGE32 img32{e.get(), nullptr, 3, 1000000, 5};
  Canvas d(12, 12);
  G_IMAGE32_vPutBounded(d.bmp(), &img32, Pt(0, 0), elements.size() * 4);
  EXPECT_EQ(PixelSet({{0, 0}, {1, 0}, {2, 0}}), d.written()) << "a run is cut at the end of its row";
}

// ------------------------------------------------------------ bitmap copies
TEST(GraphicsBmp, SetFillsEveryPixelOfAnOddHeightCallerBuffer) {
  Canvas c(5, 3);  // 6 x 3 pixels, no padding row
  G_BMP_vSet(c.bmp(), 0x1234);
  for (U16 p : c.pixels) EXPECT_EQ(0x1234, p);
}

TEST(GraphicsBmp, CopyRegionCopiesABandOfColumns) {
  Canvas src(30, 20), dst(40, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) src.set(x, y, (COLOR)(x + 100 * y));
  G_BMP_vCopyRegion(src.bmp(), dst.bmp(), 10, 5, 8);
  for (int y = 0; y < 20; ++y) {
    EXPECT_EQ(0, dst.at(4, y));
    for (int k = 0; k < 8; ++k) EXPECT_EQ((COLOR)(10 + k + 100 * y), dst.at(5 + k, y)) << k << "," << y;
    EXPECT_EQ(0, dst.at(13, y));
  }
}

TEST(GraphicsBmp, CopyRegionIsBoundedByBothBuffers) {
  {
    // More source rows than the destination holds.
    Canvas src(8, 10, 0x1111), dst(8, 6);
    G_BMP_vCopyRegion(src.bmp(), dst.bmp(), 0, 0, 8);
    EXPECT_EQ(48u, dst.written().size());
  }
  {
    // A band that runs past the last row's end.
    Canvas src(8, 4, 0x1111), dst(8, 4);
    G_BMP_vCopyRegion(src.bmp(), dst.bmp(), 4, 4, 8);
    EXPECT_EQ(3u * 8, dst.written().size()) << "three whole rows of 8 from offset 4";
  }
  {
    Canvas src(8, 601, 0x1111), dst(8, 600);
    testing::internal::CaptureStdout();
    G_BMP_vCopyRegion(src.bmp(), dst.bmp(), 0, 0, 8);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("WOW 601 600"));
    EXPECT_EQ(8u * 600, dst.written().size());
  }
}

TEST(GraphicsBmp, PlaceLogicalOnLogicalCutsToBothBitmaps) {
  Canvas src(10, 10), dst(8, 8);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) src.set(x, y, (COLOR)(1 + x + 16 * y));
  G_BMP_vPlaceLogicalOnLogical(dst.bmp(), Pt(2, 3), src.bmp(), Pt(1, 2), 3, 2);
  EXPECT_EQ(6u, dst.written().size());
  EXPECT_EQ(src.at(1, 2), dst.at(2, 3));
  EXPECT_EQ(src.at(3, 3), dst.at(4, 4));

  dst.clear(0);
  G_BMP_vPlaceLogicalOnLogical(dst.bmp(), Pt(-3, 5), src.bmp(), Pt(6, -2), 100, 100);
  // Source columns 9.. (x >= 0 in the destination) and rows 0.. of the source.
  PixelSet expected;
  for (int x = 0; x <= 0; ++x)
    for (int y = 7; y <= 7; ++y) expected.insert({x, y});
  EXPECT_EQ(expected, dst.written());
  EXPECT_EQ(src.at(9, 0), dst.at(0, 7));

  // Overlapping move within one bitmap.
  G_BMP_vPlaceLogicalOnLogical(src.bmp(), Pt(1, 1), src.bmp(), Pt(0, 0), 9, 9);
  EXPECT_EQ((COLOR)(1), src.at(1, 1));
  EXPECT_EQ((COLOR)(1 + 7 + 16 * 7), src.at(8, 8));
}

TEST(GraphicsBmp, CopyPhysicalToLogicalSkipsTheTransparentColour) {
  Canvas src(4, 3, WHITE), dst(6, 6);
  src.set(1, 2, RED);  // physical row 0
  for (U32 transparent : {G_BMP_NO_TRANSPARENT, (U32)WHITE}) {
    dst.clear(0);
    G_BMP_vCopyPhysicalToLogical(dst.bmp(), Pt(1, 1), src.bmp(), Pt(0, 0), 4, 3, transparent);
    // Physical row 0 (the top) lands on the block's top row y = 3.
    EXPECT_EQ(RED, dst.at(2, 3));
    EXPECT_EQ(transparent == G_BMP_NO_TRANSPARENT ? 12u : 1u, dst.written().size());
  }
  // A block reaching beyond the source reads only what the source holds.
  dst.clear(0);
  G_BMP_vCopyPhysicalToLogical(dst.bmp(), Pt(0, 0), src.bmp(), Pt(2, 1), 5, 5, G_BMP_NO_TRANSPARENT);
  EXPECT_EQ(4u, dst.written().size());
}

}  // namespace
