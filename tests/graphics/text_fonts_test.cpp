// Bitmap fonts and strings: metrics of the compiled-in fonts, glyph
// placement, missing glyphs, widths, clipping, the choice of font set, and
// golden pictures of a text sample in each font set.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/language.h"
#include "data/fonts.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/u_fonts.h"
#include "source/core/u_unicode.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/golden.h"

namespace {

constexpr COLOR INK = 0xFFFF, PAPER = 0x0000;

// The reference drawing: every ink bit through G_PIXEL_vPut.
void NaivePut(BITMAP* bitmap, COLOR colour, POINT anchor, const FONT_DEF* font, U8 character) {
  const CHAR_DESC* glyph = font->pCharTable[character];
  const U32 bytes = (glyph->u32Width + 7) / 8;
  for (U32 r = 0; r < font->u32Height; ++r)
    for (U32 c = 0; c < glyph->u32Width; ++c)
      if (glyph->pBuffer[r * bytes + c / 8] & (0x80 >> (c % 8)))
        G_PIXEL_vPut(bitmap, anchor.x + (S32)c, anchor.y + (S32)(font->u32Height - 1 - font->u32Descender - r), colour);
}

// A small font of hand-made glyphs: 'a' 3 wide, 'w' 9 wide (only its last
// column inked), cell of 5 rows with one descender row.
const U8 kA[] = {0xE0, 0xA0, 0xE0, 0xA0, 0x00};
const U8 kW[] = {0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80};
const CHAR_DESC kGlyphA = {kA, 3};
const CHAR_DESC kGlyphW = {kW, 9};
const CHAR_DESC* const* SmallTable() {
  static const CHAR_DESC* table[256] = {};
  table[(U8)'a'] = &kGlyphA;
  table[(U8)'w'] = &kGlyphW;
  return table;
}
const FONT_DEF kSmall = {SmallTable(), 5, 1, 1, 9, 1};

// Every compiled-in font with the metrics it must have; -1: not fixed.
struct FontRow {
  const char* name;
  const FONT_DEF* font;
  int height, ascender, descender, maxWidth, spacing, glyphs;
};
const FontRow kFontRows[] = {
    {"tessix_9x13", &tessix_9x13_font_def, 21, 4, 4, 17, 2, 252},
    {"tessix_9x13_Cro_Rus", &tessix_9x13_Cro_Rus_font_def, 21, 4, 4, 17, 2, 230},
    {"tessix_11x14", &tessix_11x14_font_def, 22, 4, 4, 18, 2, 252},
    {"tessix_11x14_Cro_Rus", &tessix_11x14_Cro_Rus_font_def, 22, 4, 4, 18, 2, 230},
    {"tessix_16x17", &tessix_16x17_font_def, 27, 5, 5, 22, 2, 252},
    {"tessix_16x17_Cro_Rus", &tessix_16x17_Cro_Rus_font_def, 27, 5, 5, 22, 2, 230},
    {"tessix_6x11short", &tessix_6x11short_font_def, 17, 3, 3, 11, 2, 90},
    {"a14x21", &a14x21_font_def, 34, 7, 6, 19, 2, 90},
    {"a15x25", &a15x25_font_def, 40, 7, 8, 29, 2, 252},
    {"f15x21", &f15x21_font_def, 33, 6, 6, 26, 2, 91},
    {"atwentfourfourthreegreek", &atwentfourfourthreegreek_font_def, 68, 12, 14, 50, 2, 252},
    {"atwentfourfourthreeRUS", &atwentfourfourthreeRUS_font_def, 66, 12, 12, 50, 2, 230},
    {"f7x10", &f7x10_font_def, 10, -1, -1, 9, 1, -1},
    {"f32x48", &f32x48_font_def, 48, -1, -1, 36, 3, -1},
    {"f40x60", &f40x60_font_def, 66, -1, -1, 49, 0, -1},
    {"myriad_42x66", &myriad_42x66_font_def, 72, 3, 3, -1, 4, -1},
    {"aonehunsixteenonehunsixnine", &aonehunsixteenonehunsixnine_font_def, 173, -1, -1, -1, -1, -1},
    {"aonehuntwentfiveonehuneightone", &aonehuntwentfiveonehuneightone_font_def, 182, -1, -1, -1, -1, -1},
};

// The digit fonts and their nominal digit width.
struct DigitFont {
  const FONT_DEF* font;
  int digitWidth;
};
const DigitFont kDigitFonts[] = {
    {&f7x10_font_def, 7},     {&f9x14_font_def, 9},     {&f13x19_font_def, 13},   {&f13x19a_font_def, 13},
    {&f16x26_font_def, 16},   {&f17x21_font_def, 17},   {&f18x27_font_def, 18},   {&f18x32_font_def, 18},
    {&f19x30_font_def, 19},   {&f21x33_font_def, 21},   {&f21x38_font_def, 21},   {&f22x32_font_def, 22},
    {&f25x44_font_def, 25},   {&f29x44_font_def, 29},   {&f31x57_font_def, 31},   {&f32x48_font_def, 32},
    {&f34x62_font_def, 34},   {&f40x60_font_def, 40},   {&f40x71_font_def, 40},   {&f44x76_font_def, 44},
    {&f58x88_font_def, 58},   {&f65x133_font_def, 65},  {&a24x37_font_def, 24},   {&a29x44_font_def, 29},
    {&a34x53_font_def, 34},   {&a38x60_font_def, 38},   {&a42x66_font_def, 42},   {&a58x88_font_def, 58},
    {&a87x133_font_def, 87},  {&myr33x44_font_def, 33}, {&myriad_9x14_font_def, 9}, {&myriad_15x21_font_def, 15},
    {&myriad_21x33_font_def, 21}, {&myriad_22x32_font_def, 22}, {&myriad_29x44_font_def, 29},
    {&myriad_42x66_font_def, 42}, {&aonehunsixteenonehunsixnine_font_def, 116},
    {&aonehuntwentfiveonehuneightone_font_def, 125},
};

int GlyphCount(const FONT_DEF* font) {
  int n = 0;
  for (int c = 0; c < 256; ++c) n += font->pCharTable[c] != nullptr;
  return n;
}

TEST(TextFonts, CompiledInFontsHaveTheirMetrics) {
  for (const FontRow& row : kFontRows) {
    SCOPED_TRACE(row.name);
    const FONT_DEF* f = row.font;
    EXPECT_EQ((U32)row.height, G_FONTS_u32GetHeight(f));
    if (row.ascender >= 0) {
      EXPECT_EQ((U32)row.ascender, G_FONTS_u32GetAscenderHeight(f));
    }
    if (row.descender >= 0) {
      EXPECT_EQ((U32)row.descender, G_FONTS_u32GetDescenderHeight(f));
    }
    if (row.maxWidth >= 0) {
      EXPECT_LE(G_FONTS_u32GetMaxWidth(f), (U32)row.maxWidth);
    }
    if (row.spacing >= 0) {
      EXPECT_EQ((U32)row.spacing, G_FONTS_u32GetInterCharSpacing(f));
    }
    if (row.glyphs >= 0) {
      EXPECT_EQ(row.glyphs, GlyphCount(f));
    }
  }
}

TEST(TextFonts, EveryGlyphFitsItsFont) {
  std::vector<const FONT_DEF*> fonts;
  for (const FontRow& row : kFontRows) fonts.push_back(row.font);
  for (const DigitFont& d : kDigitFonts) fonts.push_back(d.font);
  for (const FONT_DEF* f : fonts) {
    U32 widest = 0;
    for (int c = 0; c < 256; ++c) {
      const CHAR_DESC* g = f->pCharTable[c];
      if (!g) continue;
      ASSERT_NE(nullptr, g->pBuffer);
      EXPECT_GT(g->u32Width, 0u);
      widest = std::max(widest, g->u32Width);
    }
    EXPECT_EQ(widest, G_FONTS_u32GetMaxWidth(f)) << "height " << f->u32Height;
    EXPECT_GT(G_FONTS_u32GetCoreHeight(f), 0u);
  }
}

TEST(TextFonts, DigitFontsHaveDigitsOfTheirNominalWidth) {
  for (const DigitFont& d : kDigitFonts) {
    SCOPED_TRACE(d.font->u32Height);
    const int count = GlyphCount(d.font);
    EXPECT_GE(count, 18);
    EXPECT_LE(count, 24);
    for (const char* p = "0123456789\"'-./:"; *p; ++p) ASSERT_NE(nullptr, d.font->pCharTable[(U8)*p]) << *p;
    for (char c = '0'; c <= '9'; ++c) EXPECT_EQ((U32)d.digitWidth, G_FONTS_u32GetWidth(d.font, (U8)c)) << c;
  }
  EXPECT_NE(nullptr, f7x10_font_def.pCharTable[(U8)'x']);
  for (char c = 'a'; c <= 'f'; ++c) EXPECT_NE(nullptr, f18x32_font_def.pCharTable[(U8)c]) << c;
}

TEST(TextFonts, FullFontsHoldEveryCharacterOfTheirVariant) {
  for (int row = 0; row < UNICODE_TABLE_ROWS; ++row) {
    if (U8 b = Unicode_Table_Hex[row][UNICODE_TABLE_COLUMN_SET_1]) {
      EXPECT_NE(nullptr, tessix_9x13_font_def.pCharTable[b]) << (int)b;
      EXPECT_NE(nullptr, atwentfourfourthreegreek_font_def.pCharTable[b]) << (int)b;
    }
    if (U8 b = Unicode_Table_Hex[row][UNICODE_TABLE_COLUMN_SET_2]) {
      EXPECT_NE(nullptr, tessix_16x17_Cro_Rus_font_def.pCharTable[b]) << (int)b;
      EXPECT_NE(nullptr, atwentfourfourthreeRUS_font_def.pCharTable[b]) << (int)b;
    }
  }
}

TEST(TextFonts, GlyphRowsLandOnTheCellAroundTheBaseline) {
  Canvas c(30, 20);
  POINT anchor{4, 6};
  G_FONTS_vPut(c.bmp(), INK, &anchor, &kSmall, 'a');
  // Row r is drawn at y = 6 + 5 - 1 - 1 - r: the top row at 9, the last
  // (descender) row at 5, empty here.
  EXPECT_EQ(PixelSet({{4, 9}, {5, 9}, {6, 9}, {4, 8}, {6, 8}, {4, 7}, {5, 7}, {6, 7}, {4, 6}, {6, 6}}), c.written());
  EXPECT_EQ(4, anchor.x) << "one character leaves the anchor";
}

TEST(TextFonts, NinePixelGlyphUsesTwoBytesARow) {
  Canvas c(30, 20);
  POINT anchor{2, 5};
  G_FONTS_vPut(c.bmp(), INK, &anchor, &kSmall, 'w');
  // Bit 7 of each row's second byte is column 8.
  EXPECT_EQ(PixelSet({{10, 8}, {10, 7}, {10, 4}}), c.written());
}

TEST(TextFonts, MissingGlyphsAreSquaresAndKeepTheWidthsConsistent) {
  const FONT_DEF* f = &tessix_9x13_font_def;
  ASSERT_EQ(nullptr, f->pCharTable[0x01]);
  EXPECT_EQ(21u, G_FONTS_u32GetWidth(f, 0x01));
  const U32 wa = G_FONTS_u32GetWidth(f, 'A');
  EXPECT_EQ(wa + 21 + wa, G_STRING_u32GetWidth(f, "A\x01" "A"));

  Canvas c(120, 40);
  POINT anchor{5, 10};
  G_STRING_vPut(c.bmp(), INK, &anchor, f, "\x01");
  EXPECT_EQ(5 + 21, anchor.x);
  PixelSet square;
  for (int y = 10; y < 30; ++y)
    for (int x = 5; x < 25; ++x) square.insert({x, y});
  EXPECT_EQ(square, c.written()) << "a (height - 1) square with its lower-left corner at the anchor";

  // A font without glyph table: a 6 x 6 square, 6 wide.
  const FONT_DEF noTable = {nullptr, 12, 2, 2, 8, 1};
  c.clear(PAPER);
  anchor = {40, 3};
  G_STRING_vPut(c.bmp(), INK, &anchor, &noTable, "x");
  EXPECT_EQ(46, anchor.x);
  EXPECT_EQ(36u, c.written().size());
  EXPECT_EQ(6u, G_FONTS_u32GetWidth(&noTable, 'x'));
}

TEST(TextFonts, NullFontsAndStrings) {
  EXPECT_EQ(0u, G_FONTS_u32GetWidth(nullptr, 'A'));
  EXPECT_EQ(0u, G_FONTS_u32GetHeight(nullptr));
  EXPECT_EQ(0u, G_FONTS_u32GetAscenderHeight(nullptr));
  EXPECT_EQ(0u, G_FONTS_u32GetDescenderHeight(nullptr));
  EXPECT_EQ(0u, G_FONTS_u32GetMaxWidth(nullptr));
  EXPECT_EQ(0u, G_FONTS_u32GetInterCharSpacing(nullptr));
  EXPECT_EQ(0u, G_FONTS_u32GetCoreHeight(nullptr));
  EXPECT_EQ(0u, G_STRING_u32GetWidth(&tessix_9x13_font_def, ""));
  EXPECT_EQ(0u, G_STRING_u32GetWidth(&tessix_9x13_font_def, nullptr));
  EXPECT_EQ(27u, G_STRING_u32GetHeight(&tessix_16x17_font_def));
  Canvas c(10, 10);
  POINT anchor{1, 1};
  G_STRING_vPut(c.bmp(), INK, &anchor, &tessix_9x13_font_def, nullptr);
  EXPECT_TRUE(c.written().empty());
  EXPECT_EQ(1, anchor.x);
}

TEST(TextFonts, StringMovesTheAnchorPastTheText) {
  const FONT_DEF* f = &tessix_11x14_font_def;
  Canvas c(100, 80);
  POINT anchor{10, 50};
  G_STRING_vPut(c.bmp(), INK, &anchor, f, "AB");
  EXPECT_EQ(10 + (int)(G_FONTS_u32GetWidth(f, 'A') + G_FONTS_u32GetWidth(f, 'B')), anchor.x);
  EXPECT_EQ(50, anchor.y);
  EXPECT_EQ(G_STRING_u32GetWidth(f, "AB"), (U32)anchor.x - 10);
}

TEST(TextFonts, DrawingMatchesPixelByPixelAndClips) {
  // Glyphs of several fonts at positions on and across every clip edge give
  // exactly the pixels of the per-pixel reference, inside the clip only.
  std::mt19937 random(7);
  const FONT_DEF* fonts[] = {&tessix_9x13_font_def, &a15x25_font_def, &f40x71_font_def, &kSmall};
  for (int round = 0; round < 300; ++round) {
    const FONT_DEF* f = fonts[round % 4];
    std::vector<U8> chars;
    for (int ch = 0; ch < 256; ++ch)
      if (f->pCharTable[ch]) chars.push_back((U8)ch);
    const U8 ch = chars[random() % chars.size()];
    const POINT anchor{(int)(random() % 90) - 30, (int)(random() % 90) - 30};
    Canvas fast(60, 50), naive(60, 50);
    fast.clip(7, 5, 41, 33);
    naive.clip(7, 5, 41, 33);
    POINT a = anchor;
    G_FONTS_vPut(fast.bmp(), INK, &a, f, ch);
    NaivePut(naive.bmp(), INK, anchor, f, ch);
    ASSERT_EQ(naive.pixels, fast.pixels) << "char " << (int)ch << " at " << anchor.x << "," << anchor.y;
  }
}

TEST(TextFonts, FontSetFollowsTheLanguage) {
  struct Case {
    int language;
    const FONT_DEF *f9, *f11, *f16;
  };
  const Case cases[] = {
      {LANGUAGE_RUSSIAN, &tessix_9x13_Cro_Rus_font_def, &tessix_11x14_Cro_Rus_font_def, &tessix_16x17_Cro_Rus_font_def},
      {LANGUAGE_TURKISH, &tessix_9x13_font_def, &tessix_11x14_font_def, &tessix_16x17_font_def},
      {LANGUAGE_CROATIAN, &tessix_9x13_Cro_Rus_font_def, &tessix_11x14_Cro_Rus_font_def, &tessix_16x17_Cro_Rus_font_def},
      {LANGUAGE_GREEK, &tessix_9x13_font_def, &tessix_11x14_font_def, &tessix_16x17_font_def},
      {LANGUAGE_BULGARIAN, &tessix_9x13_Cro_Rus_font_def, &tessix_11x14_Cro_Rus_font_def, &tessix_16x17_Cro_Rus_font_def},
      {99, &tessix_9x13_font_def, &tessix_11x14_font_def, &tessix_16x17_font_def},
  };
  for (const Case& c : cases) {
    U_FONTS_vSelectFontSet(c.language);
    EXPECT_EQ(c.f9, std_9x13_font_def_ptr) << c.language;
    EXPECT_EQ(c.f11, std_11x14_font_def_ptr) << c.language;
    EXPECT_EQ(c.f16, std_16x17_font_def_ptr) << c.language;
  }
  U_FONTS_vSelectFontSet(LANGUAGE_ENGLISH);
}

TEST(TextFonts, StandardPointersStartAtRealFonts) {
  for (const FONT_DEF* f : {std_9x13_font_def_ptr.load(), std_11x14_font_def_ptr.load(), std_16x17_font_def_ptr.load(),
                            f15x21_font_def_ptr, f18x32_font_def_ptr, f25x44_font_def_ptr, f34x62_font_def_ptr}) {
    ASSERT_NE(nullptr, f);
    EXPECT_NE(nullptr, f->pCharTable);
    EXPECT_NE(nullptr, f->pCharTable[(U8)'0']);
  }
}

TEST(TextFontsDeathTest, NullAnchorOrFontIsFatal) {
  char dir[] = "/tmp/tessix_fonts_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  setenv("TESSIX_CWD", dir, 1);
  Canvas c(10, 10);
  POINT anchor{1, 1};
  EXPECT_EXIT(G_FONTS_vPut(c.bmp(), INK, nullptr, &tessix_9x13_font_def, 'A'), ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(G_FONTS_vPut(c.bmp(), INK, &anchor, nullptr, 'A'), ::testing::ExitedWithCode(10), "");
  // Each fatal error left its record.
  const std::string log = std::string(dir) + "/FATAL.LOG";
  std::string text;
  if (FILE* f = fopen(log.c_str(), "r")) {
    char buffer[1024];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
  }
  size_t count = 0;
  for (size_t at = 0; (at = text.find("error: G_FONTS_vPut received bad pointer", at)) != std::string::npos; ++at) ++count;
  EXPECT_EQ(2u, count) << text;
  unlink(log.c_str());
  rmdir(dir);
  unsetenv("TESSIX_CWD");
}

// ------------------------------------------------------------------ goldens

// Text converted from UTF-16 to the code page of the language.
std::string Text(const std::u16string& text, int language) {
  std::vector<U8> out(text.size() + 8);
  U_UNICODE_vToXJ(out.data(), reinterpret_cast<const U16*>(text.c_str()), (int)out.size(), language);
  return std::string(reinterpret_cast<const char*>(out.data()));
}

void Line(Canvas& c, int* top, const FONT_DEF* font, const std::string& text, COLOR colour) {
  *top -= (int)font->u32Height;
  POINT anchor{6, *top + (int)font->u32Descender};
  G_STRING_vPut(c.bmp(), colour, &anchor, font, text.c_str());
  *top -= 2;
}

TEST(TextFonts, GoldenFontSet1) {
  Canvas c(800, 360, 0x2254);
  int top = 358;
  const int en = LANGUAGE_ENGLISH, el = LANGUAGE_GREEK, tr = LANGUAGE_TURKISH;
  U_FONTS_vSelectFontSet(en);
  Line(c, &top, std_9x13_font_def_ptr, Text(u"Depth 12.5 ft  Water Temp 18.5\u00B0C  Speed 5.2 kn  Range 0-120", en), 0xFFFF);
  Line(c, &top, std_11x14_font_def_ptr, Text(u"Sonar  Navigation  Chart Options  Setup  Alarms  Views", en), 0xFFFF);
  Line(c, &top, std_16x17_font_def_ptr, Text(u"Waypoint 001  Bearing 273\u00B0  Distance 1.25 nm", en), 0xFFEA);
  Line(c, &top, std_16x17_font_def_ptr, Text(u"\u00C4\u00D6\u00DC \u00E4\u00F6\u00FC\u00DF \u00C9\u00E8\u00EA \u00C7\u00E7 \u00D1\u00F1 \u0141\u0105\u017C\u0107 \u0160\u010D\u0159 \u011E\u0131\u0130\u015F \u00C5\u00F8\u00E6", tr), 0xFFFF);
  Line(c, &top, std_11x14_font_def_ptr, Text(u"A\u03BA\u03C1\u03B9\u03B2\u03AE\u03C2 \u03B2\u03AC\u03B8\u03BF\u03C2 \u0394\u0398\u039B\u039E\u03A0\u03A3\u03A6\u03A8\u03A9", el), 0xFFFF);
  Line(c, &top, &tessix_6x11short_font_def, "Short 6x11: 0123456789 ABC abc +-.,:/%()", 0xFEC0);
  Line(c, &top, &a14x21_font_def, "a14x21: Fish Alarm 123", 0xFFFF);
  Line(c, &top, &a15x25_font_def, Text(u"a15x25: Sp\u00E4t \u00D8l 42", en), 0xFFFF);
  Line(c, &top, &f15x21_font_def, "f15x21: 0123456789 ft m", 0x07E0);
  Line(c, &top, &atwentfourfourthreegreek_font_def, Text(u"B\u03AC\u03B8\u03BF\u03C2 7.5", el), 0xFFFF);
  // A character the font lacks shows as a square.
  Line(c, &top, &f7x10_font_def, "12:34 \x01 5x6", 0xF800);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "text/fontset1");
}

TEST(TextFonts, GoldenFontSet2) {
  Canvas c(800, 300, 0x0000);
  int top = 298;
  const int ru = LANGUAGE_RUSSIAN, hr = LANGUAGE_CROATIAN, bg = LANGUAGE_BULGARIAN;
  U_FONTS_vSelectFontSet(ru);
  Line(c, &top, std_9x13_font_def_ptr, Text(u"\u0413\u043B\u0443\u0431\u0438\u043D\u0430 12.5 \u043C  \u0422\u0435\u043C\u043F\u0435\u0440\u0430\u0442\u0443\u0440\u0430 18.5\u00B0C", ru), 0xFFFF);
  Line(c, &top, std_11x14_font_def_ptr, Text(u"\u042D\u0445\u043E\u043B\u043E\u0442  \u041D\u0430\u0432\u0438\u0433\u0430\u0446\u0438\u044F  \u041A\u0430\u0440\u0442\u0430  \u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0438", ru), 0xFFFF);
  Line(c, &top, std_16x17_font_def_ptr, Text(u"\u0410\u0411\u0412\u0413\u0414\u0415\u0401\u0416\u0417\u0418\u0419\u041A\u041B\u041C\u041D\u041E\u041F\u0420\u0421\u0422\u0423\u0424\u0425\u0426\u0427\u0428\u0429\u042A\u042B\u042C\u042D\u042E\u042F", ru), 0xFFEA);
  Line(c, &top, std_16x17_font_def_ptr, Text(u"\u0430\u0431\u0432\u0433\u0434\u0435\u0451\u0436\u0437\u0438\u0439\u043A\u043B\u043C\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444\u0445\u0446\u0447\u0448\u0449\u044A\u044B\u044C\u044D\u044E\u044F", ru), 0xFFEA);
  Line(c, &top, std_11x14_font_def_ptr, Text(u"Dubina 12.5 m  \u010Cvor \u0106  \u0160 \u0110 \u017D  \u010D\u0107\u0161\u0111\u017E", hr), 0x07E0);
  Line(c, &top, std_11x14_font_def_ptr, Text(u"\u0414\u044A\u043B\u0431\u043E\u0447\u0438\u043D\u0430  \u0421\u043A\u043E\u0440\u043E\u0441\u0442  \u0429\u0435\u043A", bg), 0xFEC0);
  Line(c, &top, &atwentfourfourthreeRUS_font_def, Text(u"\u0413\u043B\u0443\u0431\u0438\u043D\u0430 7.5", ru), 0xFFFF);
  Line(c, &top, &atwentfourfourthreeRUS_font_def, Text(u"\u010Cvor \u0160 \u0110", hr), 0xFFFF);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "text/fontset2");
  U_FONTS_vSelectFontSet(LANGUAGE_ENGLISH);
}

TEST(TextFonts, GoldenDigitFonts) {
  Canvas c(800, 1200, 0xFFFF);
  int x = 4, rowTop = 1198;
  int tallest = 0;
  for (const DigitFont& d : kDigitFonts) {
    const char* sample = d.font->pCharTable[(U8)'a'] ? "12.5:ab" : d.font->pCharTable[(U8)'N'] ? "-47.1/N" : "12:5x";
    const int w = (int)G_STRING_u32GetWidth(d.font, sample);
    if (x + w > 796) {
      x = 4;
      rowTop -= tallest + 3;
      tallest = 0;
    }
    POINT anchor{x, rowTop - (int)d.font->u32Height + (int)d.font->u32Descender};
    G_BOX_vDrawFilled(c.bmp(), 0xB5B4, POINT{x, rowTop - (int)d.font->u32Height}, (U32)w, d.font->u32Height);
    G_STRING_vPut(c.bmp(), 0x0000, &anchor, d.font, sample);
    x += w + 6;
    tallest = std::max(tallest, (int)d.font->u32Height);
  }
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "text/digits");
}

}  // namespace
