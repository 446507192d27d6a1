// Dialog drawing: word wrap, widest word, placement of the dialog box, the
// message blocks and the choice dialog, text justification, the fatal error
// of a bad box justification, and golden pictures of a dialog and of the
// choice dialog.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "data/icons.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/ui/u_dialog.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"
#include "source/graphics/u_fonts.h"
#include "tests/ui/dialog_test_font.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/golden.h"

namespace {

constexpr COLOR BG = 0x0841;
constexpr COLOR FILL = 0x1111;     // entry 128
constexpr COLOR OUTLINE = 0x2222;  // entry 130
constexpr COLOR INK = 0x3333;      // entry 131
constexpr COLOR ICON_RED = 0xF800;

// Smallest rectangle holding every pixel of the colour between two rows.
Bounds BoundsOf(const Canvas& c, COLOR colour, int fromY = 0, int toY = -1) {
  return BoundsIn(c, colour, 0, fromY, -1, toY);
}

// An 8 x 6 icon of one solid colour (palette entry 5, red at start).
const U8 kSolidIconPixels[24] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                                 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
const ICON kSolidIcon = {kSolidIconPixels, nullptr, 8, 6, ICON_UNPADDED_BUFFERS};

class Dialog : public ::testing::Test {
 protected:
  void SetUp() override {
    COLOR_vResetColorTable();
    gCOLOR_pcolColorTable[U_DIALOG_COLOR_FILL] = FILL;
    gCOLOR_pcolColorTable[U_DIALOG_COLOR_OUTLINE] = OUTLINE;
    gCOLOR_pcolColorTable[U_DIALOG_COLOR_TEXT] = INK;
  }
  void TearDown() override { COLOR_vResetColorTable(); }

  TestFont font;
};

// ------------------------------------------------------------------ wrapping

struct Line {
  int offset, chars, width;
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os) { *os << "{" << l.offset << "," << l.chars << "," << l.width << "}"; }

std::vector<Line> Wrap(const char* text, const FONT_DEF* font, U16 width) {
  LINEOFTEXT lines[U_DIALOG_MAX_LINES + 1] = {};
  const U16 n = U_DIALOG_u16ExtractTextIntoLines(text, lines, font, width);
  EXPECT_LE(n, U_DIALOG_MAX_LINES);
  std::vector<Line> out;
  for (U16 i = 0; i < n; ++i) {
    out.push_back(Line{(int)(lines[i].pcStartOfText - text), lines[i].u8NumberOfCharsInLine,
                       lines[i].u16WidthOfLine});
  }
  return out;
}

TEST_F(Dialog, WrapsTextIntoLines) {
  // Characters are 6 wide, the space 4 and 'M' 10; a line's width leaves
  // out the spacing after its last character (1 pixel).
  const std::string longWord(300, 'a');
  struct Case {
    const char* name;
    std::string text;
    U16 width;
    std::vector<Line> lines;
  } cases[] = {
      {"empty", "", 100, {}},
      {"one word", "abc", 100, {{0, 3, 17}}},
      {"two words on a line", "ab cd", 100, {{0, 5, 27}}},
      {"the spacing after the last character still counts when fitting", "ab cd", 27, {{0, 2, 11}, {3, 2, 11}}},
      {"exact fit", "ab cd", 28, {{0, 5, 27}}},
      {"wide letters", "MM M", 100, {{0, 4, 33}}},
      {"leading spaces stay on the first line", "  ab cd", 100, {{0, 7, 35}}},
      {"a line after a break starts at a word", "ab   cd", 20, {{0, 2, 11}, {5, 2, 11}}},
      {"a word wider than the box stands alone", "abcdefghij xy", 30, {{0, 10, 59}, {11, 2, 11}}},
      {"a word wider than the box after another", "xy abcdefghij", 30, {{0, 2, 11}, {3, 10, 59}}},
      {"trailing spaces that fit are kept", "ab  ", 100, {{0, 4, 19}}},
      {"trailing spaces that do not fit are dropped", "ab  ", 13, {{0, 2, 11}}},
      {"only spaces", "   ", 100, {{0, 3, 11}}},
      {"zero width puts each word on its own line", "a b c", 0, {{0, 1, 5}, {2, 1, 5}, {4, 1, 5}}},
      {"a word longer than a line can count continues", longWord, 4000, {{0, 255, 1529}, {255, 45, 269}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.lines, Wrap(c.text.c_str(), font.get(), c.width)) << c.name;
  }
}

TEST_F(Dialog, WrapStopsAtTwentyLines) {
  std::string text;
  for (int i = 0; i < 25; ++i) text += i == 0 ? "a" : " a";
  const std::vector<Line> lines = Wrap(text.c_str(), font.get(), 8);
  ASSERT_EQ(20u, lines.size());
  EXPECT_EQ((Line{38, 1, 5}), lines.back());
}

TEST_F(Dialog, WrapOfNullTextOrArrayMakesNoLines) {
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  EXPECT_EQ(0, U_DIALOG_u16ExtractTextIntoLines(nullptr, lines, font.get(), 100));
  EXPECT_EQ(0, U_DIALOG_u16ExtractTextIntoLines("abc", nullptr, font.get(), 100));
}

TEST_F(Dialog, WrapReadsNoFurtherThanTheText) {
  // The text sits at the very end of a heap block: the sanitizers see any
  // read past its terminator.
  for (const char* text : {"ab ", "ab", " ", "a  b  "}) {
    const size_t n = strlen(text) + 1;
    std::unique_ptr<char[]> block(new char[n]);
    memcpy(block.get(), text, n);
    LINEOFTEXT lines[U_DIALOG_MAX_LINES];
    U_DIALOG_u16ExtractTextIntoLines(block.get(), lines, font.get(), 1);
    U_DIALOG_u32GetMaxWordLength(block.get(), font.get());
  }
}

TEST_F(Dialog, MaxWordLength) {
  const struct {
    const char* text;
    U32 width;
  } cases[] = {
      {"", 0}, {"   ", 0}, {"abc", 18}, {"ab abcd a", 24}, {"  abc  ", 18}, {"M", 10}, {"a MMM bb", 30}, {nullptr, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.width, U_DIALOG_u32GetMaxWordLength(c.text, font.get())) << c.text;
}

// ------------------------------------------------------------------ dialog box

TEST_F(Dialog, BoxPlacement) {
  // 400 x 300 bitmap; font height 10. The outline's bounds give the box.
  const std::string wider(70, 'a');  // 420 pixels: wider than the bitmap
  struct Case {
    const char* name;
    std::string text;
    U16 spacing, width;
    JUSTIFICATION box;
    int x0, y0, w, h;
  } cases[] = {
      {"one line in the centre", "ab cd", 0, 100, JUSTIFICATION_CENTER, 150, 191, 100, 22},
      {"screen centre is the centre", "ab cd", 0, 100, JUSTIFICATION_SCREEN_CENTER, 150, 191, 100, 22},
      {"empty text", "", 0, 50, JUSTIFICATION_CENTER, 175, 196, 50, 12},
      {"a wide word widens the box to its width + 11", "abcdefghij", 0, 20, JUSTIFICATION_CENTER, 164, 191, 71, 22},
      {"the request is taken when it exceeds the word + 11", "abcdefghij", 0, 72, JUSTIFICATION_CENTER, 164, 191, 72,
       22},
      {"but not at the word + 11", "abcdefghij", 0, 70, JUSTIFICATION_CENTER, 164, 191, 71, 22},
      {"never wider than the bitmap", wider, 0, 100, JUSTIFICATION_CENTER, 0, 191, 400, 22},
      {"trailing spaces add no word", "ab      ", 0, 100, JUSTIFICATION_CENTER, 150, 191, 100, 22},
      {"three lines with spacing", "ab cd ef", 3, 30, JUSTIFICATION_CENTER, 185, 177, 30, 51},
      {"bottom: the box sits on the band", "ab", 0, 100, JUSTIFICATION_BOTTOM, 150, 105, 100, 22},
      {"bottom whatever its height", "ab cd ef", 2, 30, JUSTIFICATION_BOTTOM, 185, 105, 30, 48},
      {"top: the box touches the top edge", "ab", 0, 100, JUSTIFICATION_TOP, 150, 278, 100, 22},
  };
  for (const Case& c : cases) {
    Canvas canvas(400, 300, BG);
    U_DIALOG_vDrawDialog(canvas.bmp(), c.text.c_str(), font.get(), c.spacing, c.width, nullptr, nullptr,
                         JUSTIFICATION_LEFT, c.box);
    const Bounds b = BoundsOf(canvas, OUTLINE);
    EXPECT_EQ(c.x0, b.left) << c.name;
    EXPECT_EQ(c.y0, b.bottom) << c.name;
    EXPECT_EQ(c.x0 + c.w - 1, b.right) << c.name;
    EXPECT_EQ(c.y0 + c.h - 1, b.top) << c.name;
    // Filled inside its double outline.
    EXPECT_EQ(FILL, canvas.at(c.x0 + 3, c.y0 + c.h / 2)) << c.name;
  }
}

TEST_F(Dialog, TwentyFiveLinesMakeABoxOfTwenty) {
  // One word a line in a box 5 pixels wide inside: 20 lines of 10.
  std::string text;
  for (int i = 0; i < 25; ++i) text += " a";
  Canvas canvas(400, 400, BG);
  U_DIALOG_vDrawDialog(canvas.bmp(), text.c_str(), font.get(), 0, 14, nullptr, nullptr, JUSTIFICATION_LEFT,
                       JUSTIFICATION_BOTTOM);
  const Bounds b = BoundsOf(canvas, OUTLINE);
  EXPECT_EQ(105, b.bottom);
  EXPECT_EQ(105 + 20 * 10 + 12 - 1, b.top);
  EXPECT_EQ(17, b.right - b.left + 1);
  // The lowest line drawn is the twentieth.
  EXPECT_EQ(105 + 9 - 2, BoundsOf(canvas, INK).bottom);
}

TEST_F(Dialog, TextJustificationAndMargins) {
  // Box 100 wide at x0 = 150, y0 = 191; one line "ab" 11 pixels wide whose
  // cell (solid ink) starts at the anchor: its baseline is y0 + 9, its
  // bottom row 2 lower.
  struct Case {
    const char* name;
    JUSTIFICATION text;
    const ICON* left;
    const ICON* right;
    int x;
  } cases[] = {
      {"left", JUSTIFICATION_LEFT, nullptr, nullptr, 156},
      {"right", JUSTIFICATION_RIGHT, nullptr, nullptr, 233},
      {"centre", JUSTIFICATION_CENTER, nullptr, nullptr, 194},
      {"unused counts as left", JUSTIFICATION_NOT_USED, nullptr, nullptr, 156},
      {"left icon widens the left margin", JUSTIFICATION_LEFT, &kSolidIcon, nullptr, 170},
      {"right icon widens the right margin", JUSTIFICATION_RIGHT, nullptr, &kSolidIcon, 219},
  };
  for (const Case& c : cases) {
    Canvas canvas(400, 300, BG);
    U_DIALOG_vDrawDialog(canvas.bmp(), "ab", font.get(), 0, 100, c.left, c.right, c.text, JUSTIFICATION_CENTER);
    const Bounds t = BoundsOf(canvas, INK);
    EXPECT_EQ(c.x, t.left) << c.name;
    EXPECT_EQ(c.x + 11, t.right) << c.name;
    EXPECT_EQ(191 + 9 - 2, t.bottom) << c.name;
    EXPECT_EQ(191 + 9 - 2 + 9, t.top) << c.name;
  }
}

TEST_F(Dialog, IconsStandAtTheEndsCentredVertically) {
  // Box 100 x 22 at (150, 191): icons 8 x 6 at x0 + 6 and x0 + B - 8 - 6,
  // y = y0 + 11 - 3.
  for (bool left : {true, false}) {
    Canvas canvas(400, 300, BG);
    U_DIALOG_vDrawDialog(canvas.bmp(), "ab", font.get(), 0, 100, left ? &kSolidIcon : nullptr,
                         left ? nullptr : &kSolidIcon, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
    const Bounds b = BoundsOf(canvas, ICON_RED);
    EXPECT_EQ(left ? 156 : 236, b.left) << left;
    EXPECT_EQ(left ? 163 : 243, b.right) << left;
    EXPECT_EQ(199, b.bottom) << left;
    EXPECT_EQ(204, b.top) << left;
  }
}

TEST_F(Dialog, FirstLineOnTop) {
  // Lines "abc", "d", "ef" (wrapped at 18 pixels), right-justified: each
  // row band of text starts at R - width.
  Canvas canvas(400, 300, BG);
  U_DIALOG_vDrawDialog(canvas.bmp(), "abc d ef", font.get(), 1, 30, nullptr, nullptr, JUSTIFICATION_RIGHT,
                       JUSTIFICATION_BOTTOM);
  // x0 = 185, R = 209; y0 = 105, baselines 105 + 9 + (2 - i) * 11.
  const int widths[3] = {17, 5, 11};
  for (int i = 0; i < 3; ++i) {
    const int bottom = 105 + 9 + (2 - i) * 11 - 2;
    const Bounds t = BoundsOf(canvas, INK, bottom, bottom + 9);
    EXPECT_EQ(209 - widths[i], t.left) << i;
  }
}

TEST_F(Dialog, LineLeftOfTheBitmapStartsAtZero) {
  // A word wider than a 100-pixel bitmap, right-justified, would start left
  // of the bitmap; it starts at 0 instead.
  const std::string word(20, 'a');  // 120 pixels
  for (JUSTIFICATION j : {JUSTIFICATION_RIGHT, JUSTIFICATION_CENTER, JUSTIFICATION_LEFT}) {
    Canvas canvas(100, 100, BG);
    U_DIALOG_vDrawDialog(canvas.bmp(), word.c_str(), font.get(), 0, 50, nullptr, nullptr, j, JUSTIFICATION_CENTER);
    EXPECT_EQ(j == JUSTIFICATION_LEFT ? 6 : 0, BoundsOf(canvas, INK).left) << j;
  }
}

TEST_F(Dialog, DrawsNothingOutsideTheClip) {
  // A clip rectangle inside the bitmap keeps everything inside it, also for
  // a text taller than the bitmap and icons wider than the box.
  std::string text;
  for (int i = 0; i < 40; ++i) text += "word ";
  Canvas canvas(120, 80, BG);
  canvas.clip(10, 10, 109, 69);
  U_DIALOG_vDrawDialog(canvas.bmp(), text.c_str(), font.get(), 4, 30, &kSolidIcon, &kSolidIcon, JUSTIFICATION_CENTER,
                       JUSTIFICATION_TOP);
  for (auto [x, y] : canvas.written(BG)) {
    EXPECT_TRUE(x >= 10 && x <= 109 && y >= 10 && y <= 69) << x << "," << y;
  }
}

TEST_F(Dialog, NullBitmapOrFontDrawsNothing) {
  Canvas canvas(100, 200, BG);
  U_DIALOG_vDrawDialog(nullptr, "ab", font.get(), 0, 50, nullptr, nullptr, JUSTIFICATION_LEFT, JUSTIFICATION_CENTER);
  U_DIALOG_vDrawDialog(canvas.bmp(), "ab", nullptr, 0, 50, nullptr, nullptr, JUSTIFICATION_LEFT,
                       JUSTIFICATION_CENTER);
  EXPECT_EQ(0u, U_DIALOG_u32DrawMessageBlock(canvas.bmp(), "ab", nullptr, 0, JUSTIFICATION_LEFT,
                                             JUSTIFICATION_TOP, Pt(0, 0), 50, 1, 2));
  U_DIALOG_vDrawDialogWithConfirm(canvas.bmp(), "ab", nullptr, 0, 50, "No", "Yes", JUSTIFICATION_LEFT,
                                  JUSTIFICATION_CENTER, TRUE, TRUE);
  // A null text is an empty one.
  U_DIALOG_vDrawDialog(canvas.bmp(), nullptr, font.get(), 0, 50, nullptr, nullptr, JUSTIFICATION_LEFT,
                       JUSTIFICATION_CENTER);
  const Bounds b = BoundsOf(canvas, OUTLINE);
  EXPECT_EQ(12, b.top - b.bottom + 1);
}

// ------------------------------------------------------------------ message blocks

constexpr COLOR BLOCK_BG = 0x4444, BLOCK_FG = 0x5555, BLOCK_LINE = 0x6666;

TEST_F(Dialog, MessageBlockHeightAndPlacement) {
  // Anchor (20, 50), 60 wide. Height (h + s) * n + 2.
  struct Case {
    const char* name;
    const char* text;
    U16 spacing;
    U16 width;
    JUSTIFICATION box;
    U32 height;
    int y0;
  } cases[] = {
      {"bottom: the anchor is the bottom edge", "ab cd", 0, 60, JUSTIFICATION_BOTTOM, 12, 50},
      {"top: the anchor is the top edge", "ab cd", 0, 60, JUSTIFICATION_TOP, 12, 39},
      {"centre", "ab cd", 0, 60, JUSTIFICATION_CENTER, 12, 44},
      {"empty text", "", 0, 60, JUSTIFICATION_BOTTOM, 2, 50},
      {"three lines with spacing", "ab cd ef", 1, 20, JUSTIFICATION_BOTTOM, 35, 50},
  };
  for (const Case& c : cases) {
    Canvas canvas(200, 100, BG);
    EXPECT_EQ(c.height, U_DIALOG_u32DrawMessageBlock(canvas.bmp(), c.text, font.get(), c.spacing, JUSTIFICATION_LEFT,
                                                     c.box, Pt(20, 50), c.width, BLOCK_BG, BLOCK_FG))
        << c.name;
    const Bounds b = BoundsOf(canvas, BLOCK_BG);
    EXPECT_EQ(20, b.left) << c.name;
    EXPECT_EQ(20 + c.width - 1, b.right) << c.name;
    EXPECT_EQ(c.y0, b.bottom) << c.name;
    EXPECT_EQ(c.y0 + (int)c.height - 1, b.top) << c.name;
  }
}

TEST_F(Dialog, MessageBlockLines) {
  // "ab" (11 wide) in a 60-wide block at x = 20; baseline y0 + 7.
  const struct {
    JUSTIFICATION j;
    int x;
  } cases[] = {{JUSTIFICATION_LEFT, 20}, {JUSTIFICATION_RIGHT, 69}, {JUSTIFICATION_CENTER, 44},
               {JUSTIFICATION_NOT_USED, 20}};
  for (const auto& c : cases) {
    Canvas canvas(200, 100, BG);
    U_DIALOG_u32DrawMessageBlock(canvas.bmp(), "ab", font.get(), 0, c.j, JUSTIFICATION_BOTTOM, Pt(20, 50), 60,
                                 BLOCK_BG, BLOCK_FG);
    const Bounds t = BoundsOf(canvas, BLOCK_FG);
    EXPECT_EQ(c.x, t.left) << c.j;
    EXPECT_EQ(50 + 7 - 2, t.bottom) << c.j;
  }
  // Several lines: the first on top, (h + s) apart.
  Canvas canvas(200, 100, BG);
  U_DIALOG_u32DrawMessageBlock(canvas.bmp(), "abc d", font.get(), 3, JUSTIFICATION_LEFT, JUSTIFICATION_BOTTOM,
                               Pt(20, 20), 20, BLOCK_BG, BLOCK_FG);
  EXPECT_EQ(37, BoundsOf(canvas, BLOCK_FG, 38, 99).right);   // "abc" above
  EXPECT_EQ(25, BoundsOf(canvas, BLOCK_FG, 0, 34).right);    // "d" below
  EXPECT_EQ(20 + 7 - 2, BoundsOf(canvas, BLOCK_FG).bottom);  // lowest line on the base
}

TEST_F(Dialog, OutlinedMessageBlock) {
  // Block height with 1 pixel between lines: 13 for one line, outline 17.
  struct Case {
    const char* name;
    const char* text;
    POINT anchor;
    JUSTIFICATION box;
    int x, y, w, h;
    int canvasHeight;
  } cases[] = {
      {"centre", "ab cd", {20, 50}, JUSTIFICATION_CENTER, 18, 42, 64, 17, 100},
      {"top", "ab cd", {20, 50}, JUSTIFICATION_TOP, 18, 36, 64, 17, 100},
      {"bottom", "ab cd", {20, 50}, JUSTIFICATION_BOTTOM, 18, 48, 64, 17, 100},
      {"held inside the clip at the lower-left corner", "ab cd", {0, 0}, JUSTIFICATION_BOTTOM, 0, 0, 64, 17, 100},
      {"no taller than the bitmap", "ab cd ef", {20, 2}, JUSTIFICATION_BOTTOM, 18, 0, 64, 20, 20},
  };
  for (const Case& c : cases) {
    Canvas canvas(200, c.canvasHeight, BG);
    U_DIALOG_vDrawMessageBlockOutlined(canvas.bmp(), c.text, font.get(), 1, JUSTIFICATION_LEFT, c.box, c.anchor,
                                       std::string(c.text) == "ab cd" ? 60 : 20, BLOCK_BG, BLOCK_FG, BLOCK_LINE);
    const int w = std::string(c.text) == "ab cd" ? c.w : 24;
    const Bounds b = BoundsOf(canvas, BLOCK_LINE);
    EXPECT_EQ(c.x, b.left) << c.name;
    EXPECT_EQ(c.y, b.bottom) << c.name;
    EXPECT_EQ(c.x + w - 1, b.right) << c.name;
    EXPECT_EQ(c.y + c.h - 1, b.top) << c.name;
  }
}

// ------------------------------------------------------------------ choice dialog

TEST_F(Dialog, ChoiceDialogOptionRow) {
  // h = 10: the option row is 15 high. Box 100 wide at x0 = 150.
  struct Case {
    const char* name;
    BOOLEAN left, right;
    int y0, h;
  } cases[] = {
      {"both", TRUE, TRUE, 184, 37},
      {"left only", TRUE, FALSE, 184, 37},
      {"right only", FALSE, TRUE, 184, 37},
      {"neither: no option row", FALSE, FALSE, 191, 22},
  };
  for (const Case& c : cases) {
    Canvas canvas(400, 300, BG);
    U_DIALOG_vDrawDialogWithConfirm(canvas.bmp(), "ab", font.get(), 0, 100, "No", "Yes", JUSTIFICATION_CENTER,
                                    JUSTIFICATION_CENTER, c.left, c.right);
    const Bounds b = BoundsOf(canvas, OUTLINE);
    EXPECT_EQ(c.y0, b.bottom) << c.name;
    EXPECT_EQ(c.y0 + c.h - 1, b.top) << c.name;
    // The text line stands above the option row (baseline y0 + 9 + row).
    const int textBottom = c.y0 + 9 + (c.h - 22) - 2;
    const Bounds t = BoundsOf(canvas, INK, textBottom, textBottom + 9);
    EXPECT_EQ(194, t.left) << c.name;
    EXPECT_EQ(205, t.right) << c.name;
    // Nothing of the options when they are not shown.
    const Bounds options = BoundsOf(canvas, INK, 0, textBottom - 1);
    EXPECT_EQ(c.left || c.right, options.any()) << c.name;
    if (options.any()) {
      EXPECT_EQ(c.left ? 156 : 219, options.left) << c.name;   // left arrow tip, or "Yes"
      EXPECT_EQ(c.right ? 244 : 174, options.right) << c.name;  // right arrow tip, or "No"
    }
  }
}

TEST_F(Dialog, ChoiceDialogArrowsAndTexts) {
  // x0 = 150, y0 = 184, B = 100, h = 10: arrows of 9 lines' size 9 at
  // (x0 + 10, y0 + 3) and (x0 + B - 10, y0 + 3); "No" from x0 + 13,
  // "Yes" (18 wide) ending at x0 + B - 13; text baselines y0 + 5.
  Canvas canvas(400, 300, BG);
  U_DIALOG_vDrawDialogWithConfirm(canvas.bmp(), "ab", font.get(), 0, 100, "No", "Yes", JUSTIFICATION_CENTER,
                                  JUSTIFICATION_CENTER, TRUE, TRUE);
  // Left arrow: base column 160 rows 187-195, tip at (156, 191).
  for (int y = 187; y <= 195; ++y) EXPECT_EQ(INK, canvas.at(160, y)) << y;
  EXPECT_EQ(INK, canvas.at(156, 191));
  EXPECT_NE(INK, canvas.at(155, 191));
  EXPECT_NE(INK, canvas.at(160, 186));
  // Right arrow: base column 240, tip at (244, 191).
  for (int y = 187; y <= 195; ++y) EXPECT_EQ(INK, canvas.at(240, y)) << y;
  EXPECT_EQ(INK, canvas.at(244, 191));
  EXPECT_NE(INK, canvas.at(245, 191));
  // Texts: cells from baseline - 2 upward.
  const Bounds no = BoundsOf(canvas, INK, 187, 196);
  EXPECT_EQ(156, no.left);  // the arrow tip is leftmost
  EXPECT_EQ(INK, canvas.at(163, 187));
  EXPECT_EQ(INK, canvas.at(174, 187));  // "No" 12 wide: 163-174
  EXPECT_NE(INK, canvas.at(175, 192));
  EXPECT_NE(INK, canvas.at(218, 192));
  EXPECT_EQ(INK, canvas.at(219, 187));  // "Yes" 18 wide: 219-236
  EXPECT_EQ(INK, canvas.at(236, 187));
  EXPECT_NE(INK, canvas.at(237, 192));
}

// ------------------------------------------------------------------ fatal errors

TEST(DialogDeathTest, BadBoxJustificationIsFatal) {
  char dir[] = "/tmp/tessix_dialog_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  setenv("TESSIX_CWD", dir, 1);
  TestFont font;
  Canvas c(100, 100);
  EXPECT_EXIT(U_DIALOG_vDrawDialog(c.bmp(), "ab", font.get(), 0, 50, nullptr, nullptr, JUSTIFICATION_LEFT,
                                   JUSTIFICATION_LEFT),
              ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(U_DIALOG_u32DrawMessageBlock(c.bmp(), "ab", font.get(), 0, JUSTIFICATION_LEFT, JUSTIFICATION_LEFT,
                                           Pt(0, 0), 50, 1, 2),
              ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(U_DIALOG_vDrawMessageBlockOutlined(c.bmp(), "ab", font.get(), 0, JUSTIFICATION_LEFT,
                                                 JUSTIFICATION_LEFT, Pt(0, 0), 50, 1, 2, 3),
              ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(U_DIALOG_vDrawDialogWithConfirm(c.bmp(), "ab", font.get(), 0, 50, "No", "Yes", JUSTIFICATION_LEFT,
                                              JUSTIFICATION_LEFT, TRUE, TRUE),
              ::testing::ExitedWithCode(10), "");
  // The message blocks know no screen centre.
  EXPECT_EXIT(U_DIALOG_u32DrawMessageBlock(c.bmp(), "ab", font.get(), 0, JUSTIFICATION_LEFT,
                                           JUSTIFICATION_SCREEN_CENTER, Pt(0, 0), 50, 1, 2),
              ::testing::ExitedWithCode(10), "");
  // Each left its record with the source position.
  const std::string log = std::string(dir) + "/FATAL.LOG";
  std::string text;
  if (FILE* f = fopen(log.c_str(), "r")) {
    char buffer[1024];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
  }
  size_t count = 0;
  for (size_t at = 0; (at = text.find("error: Invalid box justification in ", at)) != std::string::npos; ++at) ++count;
  EXPECT_EQ(5u, count) << text;
  EXPECT_NE(std::string::npos, text.find("u_dialog.cpp at ")) << text;
  unlink(log.c_str());
  rmdir(dir);
  unsetenv("TESSIX_CWD");
}

// ------------------------------------------------------------------ goldens

constexpr COLOR GOLDEN_BG = 0x3A8F;  // a sea blue behind the boxes

TEST(DialogGolden, Dialog) {
  COLOR_vResetColorTable();
  Canvas c(480, 300, GOLDEN_BG);
  // A three-line centred dialog with an icon on the left.
  U_DIALOG_vDrawDialog(c.bmp(), "Shallow water ahead. Reduce speed and check the chart before going on.",
                       std_16x17_font_def_ptr, 2, 320, &confirm_icon, nullptr,
                       JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
  // A one-line dialog against the top edge, right-justified text.
  U_DIALOG_vDrawDialog(c.bmp(), "Simulating", std_11x14_font_def_ptr, 0, 140, nullptr, nullptr,
                       JUSTIFICATION_RIGHT, JUSTIFICATION_TOP);
  // A message strip along the bottom edge and an outlined block above it.
  U_DIALOG_u32DrawMessageBlock(c.bmp(), "Press and hold to set shortcut", std_11x14_font_def_ptr, 0,
                               JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, Pt(0, 0), 480,
                               gCOLOR_pcolColorTable[131], gCOLOR_pcolColorTable[128]);
  U_DIALOG_vDrawMessageBlockOutlined(c.bmp(), "No Images Found", std_16x17_font_def_ptr, 0, JUSTIFICATION_CENTER,
                                     JUSTIFICATION_BOTTOM, Pt(150, 40), 180, gCOLOR_pcolColorTable[35],
                                     gCOLOR_pcolColorTable[32], gCOLOR_pcolColorTable[32]);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "dialog/dialog");
}

TEST(DialogGolden, ChoiceDialog) {
  COLOR_vResetColorTable();
  Canvas c(480, 360, GOLDEN_BG);
  U_DIALOG_vDrawDialogWithConfirm(c.bmp(), "Delete all waypoints, routes and tracks?", std_16x17_font_def_ptr, 2,
                                  300, "No", "Yes", JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, TRUE, TRUE);
  // Only one option, against the bottom band.
  U_DIALOG_vDrawDialogWithConfirm(c.bmp(), "Card removed", std_11x14_font_def_ptr, 0, 200, "Back", nullptr,
                                  JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, TRUE, FALSE);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "dialog/choice");
}

}  // namespace

// ------------------------------------------------------------------ the view task's banners

// The view task's banner is a dialog box at the top of the page: centred
// text, no space between lines; before installation nothing is drawn.
TEST_F(Dialog, BannerOfTheViewTaskIsADialogBoxAtTheTop) {
  Canvas before(200, 60, 0x0000);
  VIEW_SEAM_vDrawBanner(before.bmp(), "Simulating", &font.font, 120, nullptr);
  EXPECT_FALSE(BoundsOf(before, OUTLINE).any());

  UI_vInstall();
  for (const ICON* icon : {(const ICON*)nullptr, &remind_rec_icon}) {
    Canvas banner(200, 60, 0x0000), dialog(200, 60, 0x0000);
    VIEW_SEAM_vDrawBanner(banner.bmp(), "Simulating", &font.font, 120, icon);
    U_DIALOG_vDrawDialog(dialog.bmp(), "Simulating", &font.font, 0, 120, icon, nullptr, JUSTIFICATION_CENTER,
                         JUSTIFICATION_TOP);
    EXPECT_EQ(banner.pixels, dialog.pixels);
    EXPECT_TRUE(BoundsOf(banner, OUTLINE).any());
  }
  VIEW_SEAM_vDrawBanner_Install(nullptr);
}
