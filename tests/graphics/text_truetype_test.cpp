// TrueType text: the compiled-in face, advances, the drawing rules against an
// independent FreeType rendering, character maps by font set, the glyph list,
// large glyphs, clipping, rotated and outlined text, and a golden picture.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "data/truetype_face.h"
#include "source/graphics/g_truetype.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/golden.h"

namespace {

constexpr COLOR BG = 0x2104, WHITE = 0xFFFF, YELLOW = 0xFFE0;

// The face opened on its own, to render glyphs the way the text should.
class Reference {
 public:
  Reference() {
    EXPECT_EQ(0, FT_Init_FreeType(&library_));
    EXPECT_EQ(0, FT_New_Memory_Face(library_, fnt, (FT_Long)ArialNarrow_Bold_XJcoding.u32Length, 0, &face_));
  }
  ~Reference() {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  FT_Face face() { return face_; }
  // Renders the byte through character map `map` at the size of text height h.
  FT_GlyphSlot Render(U8 byte, int map, U32 h) {
    EXPECT_EQ(0, FT_Set_Charmap(face_, face_->charmaps[map]));
    EXPECT_EQ(0, FT_Set_Pixel_Sizes(face_, h * 60 / 44, h * 60 / 44));
    EXPECT_EQ(0, FT_Load_Glyph(face_, FT_Get_Char_Index(face_, byte), FT_LOAD_RENDER));
    return face_->glyph;
  }
  U32 Advance(U8 byte, int map, U32 h) { return Render(byte, map, h)->bitmap.width + h / 64 + 1; }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

// Draws text the way the rules say, from the reference rendering.
void ReferencePut(Canvas& c, Reference& ref, const std::string& text, POINT anchor, COLOR colour, U32 h, int map) {
  int x = anchor.x;
  for (U8 byte : text) {
    if (byte == ' ') {
      x += (int)h / 2;
      continue;
    }
    FT_GlyphSlot slot = ref.Render(byte, map, h);
    const FT_Bitmap& bm = slot->bitmap;
    for (int i = 0; i < (int)bm.rows; ++i)
      for (int col = 0; col < (int)bm.width; ++col) {
        const U32 a = bm.buffer[i * bm.pitch + col];
        const int px = x + col, py = anchor.y + slot->bitmap_top - 1 - i;
        if (a < 48 || px < c->s32ClipLeft || px > c->s32ClipRight || py < c->s32ClipBottom || py > c->s32ClipTop)
          continue;
        if (a > 208) {
          c.set(px, py, colour);
        } else {
          const COLOR old = c.at(px, py);
          auto mix = [&](U32 t, U32 o) { return (a * t + (255 - a) * o) / 255; };
          c.set(px, py,
                G_COLOR_Pack(mix(G_COLOR_u32Red(colour), G_COLOR_u32Red(old)),
                             mix(G_COLOR_u32Green(colour), G_COLOR_u32Green(old)),
                             mix(G_COLOR_u32Blue(colour), G_COLOR_u32Blue(old))));
        }
      }
    x += (int)(bm.width + h / 64 + 1);
  }
}

class TextTrueType : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(G_TRUETYPE_bInit()); }
  void SetUp() override {
    G_TRUETYPE_vSelectFontSet(0);
    G_TRUETYPE_vRemoveList();
  }
  void TearDown() override { G_TRUETYPE_vRemoveList(); }
  Reference ref;
};

TEST_F(TextTrueType, FaceHasTheThreeCharacterMaps) {
  FT_Face face = ref.face();
  ASSERT_EQ(3, face->num_charmaps);
  const int expected[3][2] = {{1, 0}, {1, 0}, {3, 1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(expected[i][0], face->charmaps[i]->platform_id) << i;
    EXPECT_EQ(expected[i][1], face->charmaps[i]->encoding_id) << i;
  }
  // Byte 0xA2 is gamma in the first code page, Sha in the second; both maps
  // give the glyphs Unicode gives those letters.
  auto glyph = [&](int map, FT_ULong code) {
    FT_Set_Charmap(face, face->charmaps[map]);
    return FT_Get_Char_Index(face, code);
  };
  EXPECT_EQ(glyph(2, 0x03B3), glyph(0, 0xA2));
  EXPECT_EQ(glyph(2, 0x0428), glyph(1, 0xA2));
  EXPECT_EQ(glyph(2, 'A'), glyph(0, 'A'));
  EXPECT_EQ(glyph(2, 'A'), glyph(1, 'A'));
  EXPECT_NE(0u, glyph(0, 0x24));  // E with dot above
  EXPECT_EQ(glyph(2, 0x0116), glyph(0, 0x24));
}

TEST_F(TextTrueType, Advances) {
  // Height 44: glyphs of 60 x 60 pixels, a space 22, each glyph its width + 1.
  EXPECT_EQ(22u, G_TRUETYPE_u32GetWidth(" ", 44, 0));
  EXPECT_EQ(ref.Advance('A', 0, 44), G_TRUETYPE_u32GetWidth("A", 44, 0));
  EXPECT_EQ(ref.Advance('W', 0, 44) + 22 + ref.Advance('7', 0, 44), G_TRUETYPE_u32GetWidth("W 7", 44, 0));
  // Height 130: h / 64 = 2 more per glyph.
  EXPECT_EQ(ref.Render('8', 0, 130)->bitmap.width + 3, G_TRUETYPE_u32GetWidth("8", 130, 0));
  EXPECT_EQ(0u, G_TRUETYPE_u32GetWidth("", 20, 0));
  EXPECT_EQ(0u, G_TRUETYPE_u32GetWidth(nullptr, 20, 0));
  EXPECT_EQ(0u, G_TRUETYPE_u32ListLength()) << "measuring keeps no glyph";
}

TEST_F(TextTrueType, FixedWidthDigits) {
  const U32 zero = G_TRUETYPE_u32GetWidth("0", 30, 0);
  const U32 dot = G_TRUETYPE_u32GetWidth(".", 30, 0);
  EXPECT_EQ(3 * zero + dot, G_TRUETYPE_u32GetWidthNumWidthFixed("10.5", 30, 0));
  // Drawing puts each digit at a multiple of the zero's width.
  Canvas fixed(300, 60, BG), single(300, 60, BG);
  const POINT anchor{5, 20};
  G_TRUETYPE_vPutNumWidthFixed(fixed.bmp(), "1.1", &anchor, WHITE, 30, 0);
  POINT at = anchor;
  G_TRUETYPE_vPut(single.bmp(), "1", &at, WHITE, 30, 0);
  at.x += (int)zero;
  G_TRUETYPE_vPut(single.bmp(), ".", &at, WHITE, 30, 0);
  at.x += (int)dot;
  G_TRUETYPE_vPut(single.bmp(), "1", &at, WHITE, 30, 0);
  EXPECT_EQ(single.pixels, fixed.pixels);
  EXPECT_EQ(5, anchor.x);
}

TEST_F(TextTrueType, DrawingFollowsTheCoverageRules) {
  for (U32 h : {12u, 30u, 61u}) {
    Canvas actual(400, 140, BG), expected(400, 140, BG);
    const POINT anchor{3, 40};
    G_TRUETYPE_vPut(actual.bmp(), "Ag 5,%", &anchor, YELLOW, h, 0);
    ReferencePut(expected, ref, "Ag 5,%", anchor, YELLOW, h, 0);
    EXPECT_EQ(expected.pixels, actual.pixels) << "height " << h;
  }
}

TEST_F(TextTrueType, TextIsClippedToTheBitmap) {
  // Text crossing the right edge and the bottom of a small bitmap (whose
  // buffer is exactly its size) writes only inside the clip rectangle.
  for (POINT anchor : {POINT{30, 10}, POINT{-12, 3}, POINT{50, -20}, POINT{10, -4}}) {
    Canvas actual(64, 24, BG), expected(64, 24, BG);
    actual.clip(2, 1, 60, 22);
    expected.clip(2, 1, 60, 22);
    G_TRUETYPE_vPut(actual.bmp(), "Wgyj", &anchor, WHITE, 26, 0);
    ReferencePut(expected, ref, "Wgyj", anchor, WHITE, 26, 0);
    EXPECT_EQ(expected.pixels, actual.pixels) << anchor.x << "," << anchor.y;
  }
}

TEST_F(TextTrueType, TextReachingTheTopOfTheScreenIsDropped) {
  Canvas c(300, 600, BG);
  POINT anchor{10, 590};
  G_TRUETYPE_vPut(c.bmp(), "AB", &anchor, WHITE, 20, 0);
  EXPECT_TRUE(c.written(BG).empty());
  // The first glyph fits, a taller one ends the text there.
  anchor = {10, 600 - 1 - (int)ref.Render('a', 0, 20)->bitmap_top};
  G_TRUETYPE_vPut(c.bmp(), "aAa", &anchor, WHITE, 20, 0);
  const PixelSet drawn = c.written(BG);
  ASSERT_FALSE(drawn.empty());
  int right = 0;
  for (auto [x, y] : drawn) right = std::max(right, x);
  EXPECT_LT(right, 10 + (int)G_TRUETYPE_u32GetWidth("a", 20, 0));
}

TEST_F(TextTrueType, GlyphListKeepsEachGlyphOnce) {
  Canvas c(300, 60, BG);
  POINT anchor{2, 20};
  G_TRUETYPE_vPut(c.bmp(), "abca", &anchor, WHITE, 20, 0);
  EXPECT_EQ(3u, G_TRUETYPE_u32ListLength());
  G_TRUETYPE_vPut(c.bmp(), "cab b", &anchor, WHITE, 20, 0);
  EXPECT_EQ(3u, G_TRUETYPE_u32ListLength());
  G_TRUETYPE_vPut(c.bmp(), "a", &anchor, WHITE, 21, 0);
  EXPECT_EQ(4u, G_TRUETYPE_u32ListLength()) << "another height is another glyph";
  // Drawing from the list gives the same pixels as the first drawing.
  Canvas first(300, 60, BG), again(300, 60, BG);
  G_TRUETYPE_vRemoveList();
  G_TRUETYPE_vPut(first.bmp(), "abc", &anchor, WHITE, 20, 0);
  G_TRUETYPE_vPut(again.bmp(), "abc", &anchor, WHITE, 20, 0);
  EXPECT_EQ(first.pixels, again.pixels);
  G_TRUETYPE_vRemoveList();
  EXPECT_EQ(0u, G_TRUETYPE_u32ListLength());
}

TEST_F(TextTrueType, FontSetChoosesTheCharacterMap) {
  const POINT anchor{4, 30};
  Canvas greek(200, 80, BG), cyrillic(200, 80, BG), expectGreek(200, 80, BG), expectCyrillic(200, 80, BG);
  G_TRUETYPE_vPut(greek.bmp(), "\xA2", &anchor, WHITE, 40, 0);
  // No clearing of the list in between: glyphs are kept per character map.
  G_TRUETYPE_vSelectFontSet(1);
  G_TRUETYPE_vPut(cyrillic.bmp(), "\xA2", &anchor, WHITE, 40, 0);
  ReferencePut(expectGreek, ref, "\xA2", anchor, WHITE, 40, 0);
  ReferencePut(expectCyrillic, ref, "\xA2", anchor, WHITE, 40, 1);
  EXPECT_EQ(expectGreek.pixels, greek.pixels);
  EXPECT_EQ(expectCyrillic.pixels, cyrillic.pixels);
  EXPECT_NE(greek.pixels, cyrillic.pixels);
  // Font set 2 and above select the Unicode map: 0xA2 is the cent sign there.
  G_TRUETYPE_vSelectFontSet(7);
  EXPECT_EQ(ref.Advance(0xA2, 2, 40), G_TRUETYPE_u32GetWidth("\xA2", 40, 0));
}

TEST_F(TextTrueType, LargeGlyphsAreDrawnToo) {
  // Glyphs too large for FreeType's small-bitmap cache are rendered directly.
  for (U32 h : {120u, 260u, 440u}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(ref.Advance('8', 0, h), G_TRUETYPE_u32GetWidth("8", h, 0));
    Canvas actual(800, 600, BG), expected(800, 600, BG);
    const POINT anchor{10, 10};
    G_TRUETYPE_vPut(actual.bmp(), "8", &anchor, WHITE, h, 0);
    ReferencePut(expected, ref, "8", anchor, WHITE, h, 0);
    EXPECT_EQ(expected.pixels, actual.pixels);
    EXPECT_GT(actual.written(BG).size(), (size_t)h * 4);
  }
}

TEST_F(TextTrueType, HeightsTooLargeToKeepAreDrawnDirectly) {
  // Glyphs larger than a memory block can hold are drawn from the rendering
  // each time and not kept; the unit keeps running. The anchor lies below
  // the bitmap so that the top of the glyph is on it.
  for (U32 h : {700u, 1400u}) {
    SCOPED_TRACE(h);
    const POINT anchor{10, -(S32)h * 3 / 4};
    Canvas actual(800, 600, BG), again(800, 600, BG), expected(800, 600, BG);
    G_TRUETYPE_vPut(actual.bmp(), "8", &anchor, WHITE, h, 0);
    ReferencePut(expected, ref, "8", anchor, WHITE, h, 0);
    EXPECT_EQ(expected.pixels, actual.pixels);
    EXPECT_GT(actual.written(BG).size(), (size_t)h * 4) << "some ink where the glyph's top lies";
    EXPECT_EQ(0u, G_TRUETYPE_u32ListLength());
    G_TRUETYPE_vPut(again.bmp(), "8", &anchor, WHITE, h, 0);
    EXPECT_EQ(actual.pixels, again.pixels);
    EXPECT_EQ(ref.Advance('8', 0, h), G_TRUETYPE_u32GetWidth("8", h, 0));
    // At the baseline of the bitmap the glyph reaches the top of the screen:
    // nothing is drawn. The other drawing forms survive the height too.
    Canvas none(800, 600, BG);
    const POINT bottom{10, 0};
    G_TRUETYPE_vPut(none.bmp(), "18", &bottom, WHITE, h, 0);
    G_TRUETYPE_vPutNumWidthFixed(none.bmp(), "18", &bottom, WHITE, h, 0);
    EXPECT_TRUE(none.written(BG).empty());
    G_TRUETYPE_vPutRotated(none.bmp(), "18", &bottom, &bottom, 0.5, WHITE, h, 0);
    G_TRUETYPE_vPutOutlined(none.bmp(), "18", &bottom, WHITE, h, 0, YELLOW);
  }
  // Smaller glyphs are kept as before.
  Canvas c(800, 600, BG);
  const POINT anchor{10, 10};
  G_TRUETYPE_vPut(c.bmp(), "8", &anchor, WHITE, 120, 0);
  EXPECT_EQ(1u, G_TRUETYPE_u32ListLength());
}

TEST_F(TextTrueType, RotatedText) {
  auto box = [](const Canvas& c) {
    int x0 = 9999, y0 = 9999, x1 = -1, y1 = -1;
    for (auto [x, y] : c.written(BG)) {
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    return std::vector<int>{x0, y0, x1, y1};
  };
  const POINT anchor{200, 200}, centre{0, 0};
  Canvas flat(400, 400, BG), turned(400, 400, BG);
  G_TRUETYPE_vPutRotated(flat.bmp(), "HELLO", &anchor, &centre, 0.0, WHITE, 24, 0);
  G_TRUETYPE_vPutRotated(turned.bmp(), "HELLO", &anchor, &centre, 1.5707963267948966, WHITE, 24, 0);
  const auto a = box(flat), b = box(turned);
  ASSERT_GE(a[2], 0);
  ASSERT_GE(b[2], 0);
  // Unturned: along the baseline from the anchor to the right.
  EXPECT_NEAR(200, a[0], 2);
  EXPECT_NEAR(200, a[1], 2);
  EXPECT_GT(a[2] - a[0], 3 * (a[3] - a[1]));
  // A quarter turn counter-clockwise: upward from the anchor, left of it.
  EXPECT_GT(b[3] - b[1], 3 * (b[2] - b[0]));
  EXPECT_NEAR(200, b[1], 2);
  EXPECT_LE(b[2], 202);
  // A text too long for the canvas draws nothing.
  Canvas none(400, 400, BG);
  const std::string longText(200, 'W');
  G_TRUETYPE_vPutRotated(none.bmp(), longText.c_str(), &anchor, &centre, 0.3, WHITE, 40, 0);
  EXPECT_TRUE(none.written(BG).empty());
}

TEST_F(TextTrueType, OutlinedText) {
  Canvas c(200, 80, BG);
  const POINT anchor{10, 25};
  constexpr COLOR RED = 0xF800;
  G_TRUETYPE_vPutOutlined(c.bmp(), "Hi", &anchor, WHITE, 30, 0, RED);
  int text = 0, ring = 0;
  for (auto [x, y] : c.written(BG)) {
    text += c.at(x, y) == WHITE;
    ring += c.at(x, y) == RED;
  }
  EXPECT_GT(text, 50);
  EXPECT_GT(ring, 50);
  // Only pixels that the plain text covers come out in the text colour.
  Canvas plain(200, 80, BG);
  G_TRUETYPE_vPut(plain.bmp(), "Hi", &anchor, WHITE, 30, 0);
  for (auto [x, y] : c.written(BG)) {
    if (c.at(x, y) == WHITE) {
      EXPECT_EQ(WHITE, plain.at(x, y)) << x << "," << y;
    }
  }
}

TEST_F(TextTrueType, Golden) {
  Canvas c(800, 400, 0x0010);
  POINT anchor{10, 350};
  G_TRUETYPE_vPut(c.bmp(), "Engine 2400 RPM  Fuel 75%  Temp 82\xBA", &anchor, WHITE, 30, 0);
  anchor = {10, 290};
  G_TRUETYPE_vPut(c.bmp(), "12.5 kn", &anchor, YELLOW, 56, 0);
  anchor = {400, 290};
  G_TRUETYPE_vPutNumWidthFixed(c.bmp(), "1011.1", &anchor, 0x07FF, 56, 0);
  anchor = {10, 200};
  G_TRUETYPE_vPut(c.bmp(), "\x9F\xA0\xA2\x40\x9C\x81\x83 \x24\x7E", &anchor, WHITE, 36, 0);
  G_TRUETYPE_vSelectFontSet(1);
  anchor = {400, 200};
  G_TRUETYPE_vPut(c.bmp(), "\x5D\x5F\x60\x7C \xA2\xA3 \x24\x26\x3B", &anchor, WHITE, 36, 0);
  G_TRUETYPE_vSelectFontSet(0);
  anchor = {10, 120};
  G_TRUETYPE_vPut(c.bmp(), "small 9 px text and 14 px", &anchor, WHITE, 9, 0);
  anchor = {10, 100};
  G_TRUETYPE_vPut(c.bmp(), "14 px text", &anchor, WHITE, 14, 0);
  // Dial numbers around a centre, each turned with its place.
  const POINT centre{0, 0};
  for (int i = 0; i < 6; ++i) {
    const double angle = i * 0.6283185307179586;
    anchor = {330 + (int)(70 * std::cos(angle)), 40 + (int)(70 * std::sin(angle))};
    const std::string label = std::to_string(10 * i);
    G_TRUETYPE_vPutRotated(c.bmp(), label.c_str(), &anchor, &centre, angle, 0xFD20, 20, 0);
  }
  anchor = {500, 40};
  G_TRUETYPE_vPutOutlined(c.bmp(), "ALARM", &anchor, WHITE, 40, 0, 0xF800);
  anchor = {790, 5};
  G_TRUETYPE_vPut(c.bmp(), "clipped", &anchor, WHITE, 30, 0);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "text/truetype");
}

}  // namespace
