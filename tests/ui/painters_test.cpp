// Menu control painters: number formatting, triangles, check marks, the
// fill of sliders and progress bars, the numeric entry's value text and
// arrows, the selection box's arrows and contents, the sub-menu and
// action-list pop-outs and their placement, and a golden sheet of every
// painter.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "common/language.h"
#include "data/icons.h"
#include "source/graphics/u_fonts.h"
#include "source/ui/u_menu_controls.h"
#include "tests/ui/dialog_test_font.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/golden.h"

namespace {

constexpr COLOR BG = 0x0841;
constexpr COLOR C64 = 0x6464, C65 = 0x6565, C66 = 0x6666, C67 = 0x6767, C68 = 0x6868;
constexpr COLOR SELECT_BG = 0x0F0F;
constexpr COLOR ICON_RED = 0xF800;

// A text record holding the same text in every language.
struct Text {
  const char* strings[NUMBER_OF_LANGUAGES];
  explicit Text(const char* text) {
    for (const char*& s : strings) s = text;
  }
  DB_TEXT_RECORD rec() const { return strings; }
};

const U8 kSolidIconPixels[24] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55,
                                 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
const ICON kSolidIcon = {kSolidIconPixels, nullptr, 8, 6, ICON_UNPADDED_BUFFERS};

// The painters' colours made distinct, and the 11 x 14 font replaced by the
// test font (every character 6 wide, cells 10 high, descender 2).
class Painters : public ::testing::Test {
 protected:
  void SetUp() override {
    COLOR_vResetColorTable();
    const COLOR colours[5] = {C64, C65, C66, C67, C68};
    COLOR_vSetColorTableSection(64, 5, colours);
    savedFont = std_11x14_font_def_ptr;
    std_11x14_font_def_ptr = font.get();
  }
  void TearDown() override {
    std_11x14_font_def_ptr = savedFont;
    COLOR_vResetColorTable();
  }

  TestFont font;
  const FONT_DEF* savedFont = nullptr;
};

// ------------------------------------------------------------------ numbers

TEST(PaintersFormat, PrecisionFormat) {
  const struct {
    F32 value;
    U8 precision;
    const char* text;
  } cases[] = {
      {1.23456f, 0, "1"},   {1.23456f, 1, "1.2"},   {1.23456f, 2, "1.23"}, {1.23456f, 3, "1.235"},
      {1.23456f, 5, "1.235"}, {1.23456f, 255, "1.235"}, {-2.5f, 1, "-2.5"},  {0.0f, 2, "0.00"},
  };
  for (const auto& c : cases) {
    char text[32];
    U_MENU_vPrecisionFormat(text, c.value, c.precision);
    EXPECT_STREQ(c.text, text) << c.value << " " << (int)c.precision;
  }
}

TEST(PaintersFormat, PrecisionFormatStaysInsideTheBuffer) {
  // A value longer than the string fields of the parameter records is cut,
  // and the text is always terminated.
  char field[12];
  memset(field, 'x', sizeof field);
  U_MENU_vPrecisionFormat(field, 123456789.0f, 3);
  EXPECT_STREQ("123456792.0", field);
  char tiny[4];
  U_MENU_vPrecisionFormat(tiny, sizeof tiny, 3.0e38f, 2);
  EXPECT_STREQ("300", tiny);
  U_MENU_vPrecisionFormat(nullptr, 8, 1.0f, 1);  // nothing to write into
}

// ------------------------------------------------------------------ triangles

TEST_F(Painters, ArrowShapes) {
  using Draw = void (*)(BITMAP*, POINT, U32, COLOR);
  struct Case {
    const char* name;
    Draw draw;
    U32 size;
    PixelSet pixels;
  } cases[] = {
      {"down", U_MENU_vDrawArrowDown, 5, {{10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10}, {11, 9}, {12, 9}, {13, 9},
                                          {12, 8}}},
      {"up", U_MENU_vDrawArrowUp, 5, {{10, 10}, {11, 10}, {12, 10}, {13, 10}, {14, 10}, {11, 11}, {12, 11}, {13, 11},
                                      {12, 12}}},
      {"right", U_MENU_vDrawArrowRight, 5, {{10, 10}, {10, 11}, {10, 12}, {10, 13}, {10, 14}, {11, 11}, {11, 12},
                                            {11, 13}, {12, 12}}},
      {"left", U_MENU_vDrawArrowLeft, 5, {{10, 10}, {10, 11}, {10, 12}, {10, 13}, {10, 14}, {9, 11}, {9, 12}, {9, 13},
                                          {8, 12}}},
      {"an even size is lowered to odd", U_MENU_vDrawArrowRight, 4, {{10, 10}, {10, 11}, {10, 12}, {11, 11}}},
      {"size one is a pixel", U_MENU_vDrawArrowUp, 1, {{10, 10}}},
      {"size two is a pixel", U_MENU_vDrawArrowLeft, 2, {{10, 10}}},
      {"size zero draws nothing", U_MENU_vDrawArrowDown, 0, {}},
  };
  for (const Case& c : cases) {
    Canvas canvas(30, 30, BG);
    c.draw(canvas.bmp(), Pt(10, 10), c.size, 0x1234);
    EXPECT_EQ(c.pixels, canvas.written(BG)) << c.name;
  }
}

TEST_F(Painters, HugeArrowsAreClippedAndFinish) {
  // A size that wrapped below zero in a caller's sum is drawn only where the
  // bitmap can show it.
  Canvas canvas(100, 100, BG);
  U_MENU_vDrawArrowDown(canvas.bmp(), Pt(10, 50), 0xFFFFFFFFu, 0x1234);
  EXPECT_EQ(0x1234, canvas.at(99, 50));
  EXPECT_EQ(0x1234, canvas.at(60, 0));
  EXPECT_EQ(BG, canvas.at(9, 50));
  EXPECT_EQ(BG, canvas.at(50, 51));
  U_MENU_vDrawArrowLeft(canvas.bmp(), Pt(-5, -5), 0xFFFFFFFEu, 0x4321);
  U_MENU_vDrawArrowUp(canvas.bmp(), Pt(INT32_MAX, INT32_MIN), 0xFFFFFFFFu, 0x4321);
  U_MENU_vDrawArrowRight(canvas.bmp(), Pt(INT32_MIN, INT32_MAX), 0xFFFFFFFFu, 0x4321);
  U_MENU_vDrawArrowRight(nullptr, Pt(0, 0), 5, 0x4321);
}

// ------------------------------------------------------------------ rows

TEST_F(Painters, CheckMark) {
  for (bool list : {false, true}) {
    auto draw = list ? U_MENU_vDrawControlCheckList : U_MENU_vDrawControlCheckBox;
    Canvas unchecked(200, 80, BG);
    draw(unchecked.bmp(), Pt(20, 10), 0, 150, 55);
    EXPECT_TRUE(unchecked.written(BG).empty()) << list;
    // Checked: the radio buttons at x = 20 + 150 - 35, y = 10 + ((55 - 24) >> 1) - 1.
    Canvas checked(200, 80, BG);
    draw(checked.bmp(), Pt(20, 10), 7, 150, 1000);
    const PixelSet written = checked.written(BG);
    ASSERT_FALSE(written.empty()) << list;
    for (auto [x, y] : written) {
      EXPECT_TRUE(x >= 135 && x < 135 + 24 && y >= 24 && y < 24 + 24) << list << " " << x << "," << y;
    }
  }
}

TEST_F(Painters, ActionTriangle) {
  // Row 27 high, 150 wide at (100, 150): base at x = 100 + 150 - 27 + 10
  // from y = 153, 22 made odd: 21 rows.
  Canvas canvas(400, 300, BG);
  U_MENU_vDrawControlAction(canvas.bmp(), Pt(100, 150), 99, 150, 27);
  const Bounds b = BoundsIn(canvas, C67);
  EXPECT_EQ(233, b.left);
  EXPECT_EQ(243, b.right);
  EXPECT_EQ(153, b.bottom);
  EXPECT_EQ(173, b.top);
  // A row too low for a triangle draws none.
  Canvas low(400, 300, BG);
  for (U32 h : {0u, 3u, 5u}) U_MENU_vDrawControlAction(low.bmp(), Pt(100, 150), 0, 150, h);
  EXPECT_TRUE(low.written(BG).empty());
}

// ------------------------------------------------------------------ slider and bar

struct FillCase {
  const char* name;
  DATA_FORMAT format;
  DB_DATA_TYPE min, max, value;
  int fill;
};

std::vector<FillCase> SliderFills() {
  auto F = [](F32 v) { return DB_dataFloat(v); };
  auto U = [](U32 v) { return DB_dataU32(v); };
  auto S = [](S32 v) { return DB_dataS32(v); };
  return {
      {"float half", DF_FLOAT, F(0), F(10), F(5), 50},
      {"float full", DF_FLOAT, F(0), F(10), F(10), 100},
      {"float past the maximum is not held", DF_FLOAT, F(0), F(10), F(12), 120},
      {"float below the minimum", DF_FLOAT, F(0), F(10), F(-1), 0},
      {"float empty range", DF_FLOAT, F(5), F(5), F(5), 0},
      {"float third truncated", DF_FLOAT, F(0), F(3), F(1), 33},
      {"unsigned half", DF_UNSIGNED32, U(10), U(20), U(15), 50},
      {"unsigned below", DF_UNSIGNED32, U(10), U(20), U(5), 0},
      {"unsigned 30%", DF_UNSIGNED32, U(10), U(20), U(13), 30},
      {"unsigned range beyond 32-bit percent", DF_UNSIGNED32, U(0), U(4000000000u), U(2000000000u), 50},
      {"signed half", DF_SIGNED32, S(-10), S(10), S(0), 50},
      {"signed below", DF_SIGNED32, S(-10), S(10), S(-20), 0},
      {"signed full 32-bit range, middle", DF_SIGNED32, S(INT_MIN), S(INT_MAX), S(0), 50},
      {"signed full 32-bit range, top", DF_SIGNED32, S(INT_MIN), S(INT_MAX), S(INT_MAX), 100},
      {"enumerated counts as signed", DF_ENUMERATED, S(0), S(4), S(1), 25},
      {"float not a number", DF_FLOAT, F(0), F(10), F(__builtin_nanf("")), 0},
  };
}

TEST_F(Painters, SliderFillAndHandle) {
  // Track 106 wide (fill span 100) at (20, 20), 10 high; the handle's dark
  // box (4 x 13 from y = 19) is all that shows in row 19.
  for (const FillCase& c : SliderFills()) {
    M_SLIDER_PARAMETERS p{};
    p.minValue = c.min;
    p.maxValue = c.max;
    Canvas canvas(300, 60, BG);
    U_MENU_vDrawControlSlider(canvas.bmp(), Pt(20, 20), c.value, &p, c.format, 106, 10);
    const Bounds handle = BoundsIn(canvas, C67, 0, 19, -1, 19);
    EXPECT_EQ(20 + c.fill + 1, handle.left) << c.name;
    EXPECT_EQ(20 + c.fill + 4, handle.right) << c.name;
    // Handle: rim 65 and core 66 inside the dark box.
    EXPECT_EQ(C66, canvas.at(20 + c.fill + 2, 25)) << c.name;
    EXPECT_EQ(C65, canvas.at(20 + c.fill + 1, 25)) << c.name;
    // A fill longer than 2 reaches the handle (a shorter one is a 4-wide
    // stub under the handle).
    if (c.fill > 2) {
      EXPECT_EQ(C67, canvas.at(20 + c.fill - 3, 25)) << c.name;
    }
  }
}

TEST_F(Painters, SliderLabels) {
  // Left label right-aligned 1 pixel left of the anchor, right label from
  // anchor + width + 2, both with the cell bottom at y + ((h - 4) >> 1) +
  // descender - height / 2 + 1 - descender = 20 + 10 + 2 - 5 + 1 - 2.
  const Text off("off"), on("full");
  M_SLIDER_PARAMETERS p{};
  p.maxValue = DB_dataS32(10);
  p.pCtrlTextLeft = off.rec();
  p.pCtrlTextRight = on.rec();
  Canvas canvas(300, 60, BG);
  U_MENU_vDrawControlSlider(canvas.bmp(), Pt(100, 20), DB_dataS32(3), &p, DF_SIGNED32, 50, 24);
  const Bounds left = BoundsIn(canvas, C68, 0, 0, 99);
  EXPECT_EQ(100 - 18 - 1, left.left);
  EXPECT_EQ(98, left.right);
  EXPECT_EQ(26, left.bottom);
  const Bounds right = BoundsIn(canvas, C68, 100);
  EXPECT_EQ(152, right.left);
  EXPECT_EQ(152 + 23, right.right);
  EXPECT_EQ(26, right.bottom);
}

TEST_F(Painters, EndLabelsReadNoFurtherThanTheirFields) {
  // Without text records the labels are the minimum and maximum strings;
  // a string filling its whole field without terminator is read to the
  // field's end only (12 characters, 72 pixels).
  M_SLIDER_PARAMETERS p{};
  memset(p.minString, 'a', sizeof p.minString);
  memset(p.maxString, 'b', sizeof p.maxString);
  p.maxValue = DB_dataS32(10);
  Canvas canvas(400, 60, BG);
  U_MENU_vDrawControlSlider(canvas.bmp(), Pt(150, 20), DB_dataS32(3), &p, DF_SIGNED32, 50, 24);
  const Bounds left = BoundsIn(canvas, C68, 0, 0, 149);
  EXPECT_EQ(150 - 72 - 1, left.left);
  const Bounds right = BoundsIn(canvas, C68, 150);
  EXPECT_EQ(202 + 72 - 1, right.right);
}

TEST_F(Painters, SliderWithEmptyRangeShowsStubAndHandleAtStart) {
  M_SLIDER_PARAMETERS p{};
  p.minValue = DB_dataS32(7);
  p.maxValue = DB_dataS32(7);
  Canvas canvas(300, 60, BG);
  U_MENU_vDrawControlSlider(canvas.bmp(), Pt(20, 20), DB_dataS32(7), &p, DF_SIGNED32, 106, 10);
  EXPECT_EQ(21, BoundsIn(canvas, C67, 0, 19, -1, 19).left);
  // No rounded fill beyond the stub and handle (columns 21-24).
  EXPECT_EQ(C65, canvas.at(26, 25));
}

TEST_F(Painters, ProgressBarLength) {
  // Track 102 wide (span 100) at (20, 20), 10 high; the bar starts at
  // x = 21 in row 25, where the track's outline shows only at x = 20 and 121.
  const struct {
    const char* name;
    DATA_FORMAT format;
    DB_DATA_TYPE min, max, value;
    int bar;
  } cases[] = {
      {"unsigned quarter", DF_UNSIGNED32, DB_dataU32(0), DB_dataU32(100), DB_dataU32(25), 25},
      {"at the minimum", DF_UNSIGNED32, DB_dataU32(0), DB_dataU32(100), DB_dataU32(0), 0},
      {"below the minimum", DF_UNSIGNED32, DB_dataU32(10), DB_dataU32(100), DB_dataU32(5), 0},
      {"float half", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(1), DB_dataFloat(0.5f), 50},
      {"signed half", DF_SIGNED32, DB_dataS32(-50), DB_dataS32(50), DB_dataS32(0), 50},
      {"past the maximum is not held", DF_UNSIGNED32, DB_dataU32(0), DB_dataU32(100), DB_dataU32(150), 150},
      {"empty range", DF_SIGNED32, DB_dataS32(3), DB_dataS32(3), DB_dataS32(3), 0},
  };
  for (const auto& c : cases) {
    M_PROGRESS_BAR_PARAMETERS p{};
    p.minValue = c.min;
    p.maxValue = c.max;
    Canvas canvas(300, 60, BG);
    U_MENU_vDrawControlProgressBar(canvas.bmp(), Pt(20, 20), c.value, &p, c.format, 102, 10);
    int run = 0;
    while (canvas.at(21 + run, 25) == C67 && 21 + run < 121 + 60) ++run;
    EXPECT_EQ(c.bar, run) << c.name;  // a bar past the maximum runs on over the outline at 121
    // The bar is h - 2 high: rows 21-28.
    if (c.bar > 0) {
      EXPECT_EQ(C67, canvas.at(21, 21)) << c.name;
      EXPECT_EQ(C67, canvas.at(21, 28)) << c.name;
    } else {
      EXPECT_EQ(C65, canvas.at(22, 25)) << c.name;
    }
  }
}

TEST_F(Painters, ProgressBarRightLabelStartsFourAfterTheTrack) {
  const Text hi("hi");
  M_PROGRESS_BAR_PARAMETERS p{};
  p.pCtrlTextRight = hi.rec();
  Canvas canvas(300, 60, BG);
  U_MENU_vDrawControlProgressBar(canvas.bmp(), Pt(20, 20), DB_dataU32(0), &p, DF_UNSIGNED32, 102, 10);
  EXPECT_EQ(20 + 102 + 4, BoundsIn(canvas, C68).left);
}

// ------------------------------------------------------------------ numeric entry

TEST_F(Painters, NumericEntryTextAndArrows) {
  // Box 60 x 20 at (100, 50): arrows of 19 at x = 96 (left) and 161
  // (right); the value text centred at x = 101 + ((60 - width - 4) >> 1),
  // cell bottom at 50 + 1 + 8 + 2 - 5 - 2 = 54.
  const Text lowest("lowest"), highest("highest");
  struct Case {
    const char* name;
    DATA_FORMAT format;
    DB_DATA_TYPE min, max, value;
    bool endTexts;
    bool leftArrow, rightArrow;
    int textWidth;
  } cases[] = {
      {"float inside the range", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(10), DB_dataFloat(5), false, true, true, 18},
      {"float at the minimum: the minimum, no left arrow", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(10),
       DB_dataFloat(0), false, false, true, 18},
      {"float at the minimum with its text", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(10), DB_dataFloat(0), true,
       false, true, 36},
      {"float at the maximum", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(10), DB_dataFloat(10), false, true, false,
       24},
      {"float at the maximum with its text", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(10), DB_dataFloat(10), true,
       true, false, 42},
      {"float below the minimum shows the minimum", DF_FLOAT, DB_dataFloat(0), DB_dataFloat(10), DB_dataFloat(-3),
       false, false, true, 18},
      {"minimum equal to maximum: no arrow", DF_FLOAT, DB_dataFloat(4), DB_dataFloat(4), DB_dataFloat(4), false,
       false, false, 18},
      {"signed inside", DF_SIGNED32, DB_dataS32(-5), DB_dataS32(5), DB_dataS32(3), false, true, true, 6},
      {"signed at the minimum", DF_SIGNED32, DB_dataS32(-5), DB_dataS32(5), DB_dataS32(-5), false, false, true, 12},
      {"unsigned inside", DF_UNSIGNED32, DB_dataU32(0), DB_dataU32(10), DB_dataU32(7), false, true, true, 6},
      {"unsigned at the maximum", DF_UNSIGNED32, DB_dataU32(0), DB_dataU32(10), DB_dataU32(10), false, true, false,
       12},
  };
  for (const Case& c : cases) {
    M_NUMERIC_ENTRY_PARAMETERS p{};
    p.minValue = c.min;
    p.maxValue = c.max;
    p.u8precision = 1;
    if (c.endTexts) {
      p.pCtrlTextLeft = lowest.rec();
      p.pCtrlTextRight = highest.rec();
    }
    Canvas canvas(300, 100, BG);
    U_MENU_vDrawControlNumericEntry(canvas.bmp(), Pt(100, 50), c.value, &p, c.format, 60, 20);
    EXPECT_EQ(c.leftArrow, canvas.at(96, 59) == C67) << c.name;
    EXPECT_EQ(c.rightArrow, canvas.at(161, 59) == C67) << c.name;
    const Bounds t = BoundsIn(canvas, C68, 101, 0, 158);
    EXPECT_EQ(101 + ((60 - c.textWidth - 4) >> 1), t.left) << c.name;
    EXPECT_EQ(c.textWidth, t.right - t.left + 1) << c.name;
    EXPECT_EQ(54, t.bottom) << c.name;
    // The box: outline 67, inside 66.
    EXPECT_EQ(C67, canvas.at(100, 51)) << c.name;
    EXPECT_EQ(C66, canvas.at(101, 51)) << c.name;
  }
}

TEST_F(Painters, NumericEntryLabels) {
  // Left label ends at x - (h >> 1) - 8 - 1, right label starts at
  // x + w + (h >> 1) + 4.
  M_NUMERIC_ENTRY_PARAMETERS p{};
  strcpy(p.minString, "0");
  strcpy(p.maxString, "99");
  p.maxValue = DB_dataS32(99);
  Canvas canvas(300, 100, BG);
  U_MENU_vDrawControlNumericEntry(canvas.bmp(), Pt(100, 50), DB_dataS32(50), &p, DF_SIGNED32, 60, 20);
  const Bounds left = BoundsIn(canvas, C68, 0, 0, 99);
  EXPECT_EQ(100 - 10 - 8 - 6, left.left);
  EXPECT_EQ(100 - 10 - 8 - 1, left.right);
  EXPECT_EQ(100 + 60 + 10 + 4, BoundsIn(canvas, C68, 161).left);
}

TEST_F(Painters, NumericEntryTextWiderThanTheBoxIsCutAtItsEdges) {
  M_NUMERIC_ENTRY_PARAMETERS p{};
  p.maxValue = DB_dataFloat(1e6f);
  p.u8precision = 3;
  Canvas canvas(300, 100, BG);
  U_MENU_vDrawControlNumericEntry(canvas.bmp(), Pt(100, 50), DB_dataFloat(12345.678f), &p, DF_FLOAT, 30, 20);
  // "12345.678" is 54 pixels; inside the box only columns 101-128 show it,
  // and nothing of it lands beside the box.
  const Bounds t = BoundsIn(canvas, C68, 85, 0, 140);
  EXPECT_EQ(101, t.left);
  EXPECT_EQ(128, t.right);
  // The caller's clip rectangle is as it was.
  EXPECT_EQ(0, canvas->s32ClipLeft);
  EXPECT_EQ(299, canvas->s32ClipRight);
}

// ------------------------------------------------------------------ selection box

TEST_F(Painters, SelectionBoxArrowsAndText) {
  // Box 40 x 20 at (100, 50): arrows of 19, left base at x = 94, right base
  // at x = 144.
  const Text a("a"), bbb("bbb"), cc("cc");
  const DB_TEXT_RECORD list[3] = {a.rec(), bbb.rec(), cc.rec()};
  struct Case {
    U8 current;
    U32 count;
    bool left, right;
    int textWidth;  // 0: no text
  } cases[] = {
      {0, 1, false, false, 6}, {0, 3, false, true, 6}, {1, 3, true, true, 18},
      {2, 3, true, false, 12}, {5, 3, true, false, 0}, {0, 0, false, false, 0},
  };
  for (const Case& c : cases) {
    M_SELECTION_BOX_PARAMETERS p{};
    p.pSelectionList = list;
    p.numberSelections = c.count;
    Canvas canvas(300, 100, BG);
    U_MENU_vDrawControlSelectionBox(canvas.bmp(), Pt(100, 50), c.current, &p, 40, 20, SELECT_BG);
    const std::string name = std::to_string(c.current) + " of " + std::to_string(c.count);
    EXPECT_EQ(c.left, canvas.at(94, 59) == C67) << name;
    EXPECT_EQ(c.right, canvas.at(144, 59) == C67) << name;
    // Frame 66, inside the background colour.
    EXPECT_EQ(C66, canvas.at(100, 60)) << name;
    EXPECT_EQ(SELECT_BG, canvas.at(103, 52)) << name;
    const Bounds t = BoundsIn(canvas, C68);
    EXPECT_EQ(c.textWidth > 0, t.any()) << name;
    if (c.textWidth > 0) {
      EXPECT_EQ(102 + ((40 - c.textWidth - 2) >> 1), t.left) << name;
      EXPECT_EQ(c.textWidth, t.right - t.left + 1) << name;
      EXPECT_EQ(55, t.bottom) << name;  // 50 + 9 + 2 - 5 + 1 - 2
    }
  }
}

TEST_F(Painters, SelectionBoxIcon) {
  const ICON* icons[2] = {&kSolidIcon, nullptr};
  M_SELECTION_BOX_PARAMETERS p{};
  p.pSelectionIcons = icons;
  p.numberSelections = 2;
  for (U32 h : {20u, 19u}) {
    Canvas canvas(300, 100, BG);
    U_MENU_vDrawControlSelectionBox(canvas.bmp(), Pt(100, 50), 0, &p, 40, h, SELECT_BG);
    const Bounds b = BoundsIn(canvas, ICON_RED);
    EXPECT_EQ(116, b.left) << h;
    EXPECT_EQ(56, b.bottom) << h;
    EXPECT_EQ(123, b.right) << h;
    EXPECT_EQ(61, b.top) << h;
    // A missing icon shows an empty box.
    Canvas empty(300, 100, BG);
    U_MENU_vDrawControlSelectionBox(empty.bmp(), Pt(100, 50), 1, &p, 40, h, SELECT_BG);
    EXPECT_FALSE(BoundsIn(empty, ICON_RED).any()) << h;
  }
}

TEST_F(Painters, SelectionTextWiderThanTheBoxIsCut) {
  const Text wide("abcdefghijkl");  // 72 pixels
  const DB_TEXT_RECORD list[1] = {wide.rec()};
  M_SELECTION_BOX_PARAMETERS p{};
  p.pSelectionList = list;
  p.numberSelections = 1;
  Canvas canvas(300, 100, BG);
  U_MENU_vDrawControlSelectionBox(canvas.bmp(), Pt(100, 50), 0, &p, 40, 20, SELECT_BG);
  const Bounds t = BoundsIn(canvas, C68);
  EXPECT_EQ(102, t.left);
  EXPECT_EQ(138, t.right);
}

// ------------------------------------------------------------------ sub menus and action lists

struct Choices {
  Text aa{"aa"}, bbbb{"bbbb"}, c{"c"}, dd{"dd"};
  DB_TEXT_RECORD list[4] = {aa.rec(), bbbb.rec(), c.rec(), dd.rec()};
};

M_SUB_MENU_PARAMETERS SubMenu(const Choices& ch, U32 count, BOOLEAN open) {
  M_SUB_MENU_PARAMETERS p{};
  p.pSubMenuChoices = ch.list;
  p.numberChoices = count;
  p.bIsActive = open;
  return p;
}

M_ACTION_LIST_PARAMETERS ActionList(const Choices& ch, U32 count, BOOLEAN open) {
  M_ACTION_LIST_PARAMETERS p{};
  p.pActionListChoices = ch.list;
  p.numberChoices = count;
  p.bIsActive = open;
  return p;
}

TEST_F(Painters, ClosedSubMenuAndActionListShowATriangle) {
  // Row 27 high, 150 wide at (100, 150).
  const Choices ch;
  struct Case {
    const char* name;
    bool actionList;
    U32 count;
    BOOLEAN open;
    int left, bottom, right, top;
  } cases[] = {
      {"sub menu closed", false, 4, FALSE, 228, 156, 238, 176},
      {"sub menu with one choice", false, 1, TRUE, 228, 156, 238, 176},
      {"sub menu with no choice", false, 0, TRUE, 228, 156, 238, 176},
      {"action list closed", true, 4, FALSE, 233, 153, 241, 169},
      {"action list with one choice", true, 1, TRUE, 233, 153, 241, 169},
  };
  for (const Case& c : cases) {
    Canvas canvas(400, 300, BG);
    if (c.actionList) {
      const M_ACTION_LIST_PARAMETERS p = ActionList(ch, c.count, c.open);
      U_MENU_vDrawControlActionList(canvas.bmp(), Pt(100, 150), 0, &p, 150, 27);
    } else {
      const M_SUB_MENU_PARAMETERS p = SubMenu(ch, c.count, c.open);
      U_MENU_vDrawControlSubMenu(canvas.bmp(), Pt(100, 150), 0, &p, 150, 27);
    }
    const Bounds b = BoundsIn(canvas, C67);
    EXPECT_EQ(c.left, b.left) << c.name;
    EXPECT_EQ(c.bottom, b.bottom) << c.name;
    EXPECT_EQ(c.right, b.right) << c.name;
    EXPECT_EQ(c.top, b.top) << c.name;
  }
}

TEST_F(Painters, OpenColumnPlacement) {
  // Four choices, widest 24 pixels: the sub-menu column is 46 wide, the
  // action list's 52; rows 27 high at a pitch of 26 on a 400 x 300 bitmap.
  const Choices ch;
  struct Case {
    const char* name;
    POINT anchor;
    U32 menuWidth;
    int left, top;  // the column's left edge and the top row's y
  } cases[] = {
      {"centred on the item", {100, 150}, 150, 249, 204},
      {"moved up from the bottom by whole rows", {100, 10}, 150, 249, 91},
      {"moved down from the top", {100, 280}, 150, 249, 253},
      {"shifted left to end at the right edge", {100, 150}, 300, -1, 204},
  };
  for (bool actionList : {false, true}) {
    const int lw = actionList ? 52 : 46;
    for (const Case& c : cases) {
      Canvas canvas(400, 300, BG);
      if (actionList) {
        const M_ACTION_LIST_PARAMETERS p = ActionList(ch, 4, TRUE);
        U_MENU_vDrawControlActionList(canvas.bmp(), c.anchor, 1, &p, c.menuWidth, 27);
      } else {
        const M_SUB_MENU_PARAMETERS p = SubMenu(ch, 4, TRUE);
        U_MENU_vDrawControlSubMenuWithNoArrow(canvas.bmp(), c.anchor, 1, &p, c.menuWidth, 27);
      }
      const int left = c.left >= 0 ? c.left : 400 - lw;
      const Bounds b = BoundsIn(canvas, C67);
      const std::string name = std::string(c.name) + (actionList ? " (action list)" : " (sub menu)");
      EXPECT_EQ(left, b.left) << name;
      EXPECT_EQ(left + lw - 1, b.right) << name;
      EXPECT_EQ(c.top + 26, b.top) << name;
      EXPECT_EQ(c.top - 3 * 26, b.bottom) << name;
      // Row 1 is highlighted (64), the others are 65.
      EXPECT_EQ(C64, canvas.at(left + 2, c.top - 26 + 20)) << name;
      EXPECT_EQ(C65, canvas.at(left + 2, c.top + 20)) << name;
      EXPECT_EQ(C65, canvas.at(left + 2, c.top - 52 + 20)) << name;
      // The highlighted row's triangle: base 17 long from row y + 6.
      const int tx = left + lw - 13 - (actionList ? 1 : 0);
      EXPECT_EQ(C67, canvas.at(tx, c.top - 26 + 6)) << name;
      EXPECT_EQ(C67, canvas.at(tx, c.top - 26 + 22)) << name;
      EXPECT_EQ(C67, canvas.at(tx + 8, c.top - 26 + 14)) << name;
      if (actionList) {
        // A second frame in 64 one pixel further out.
        const Bounds frame = BoundsIn(canvas, C64, 0, 0, -1, -1);
        EXPECT_EQ(left - 1, frame.left) << name;
        EXPECT_EQ(c.top - 3 * 26 - 1, frame.bottom) << name;
        EXPECT_EQ(c.top + 27, frame.top) << name;
      }
    }
  }
}

TEST_F(Painters, OpenColumnTexts) {
  // Sub menu: text at (x0 + 4, row y + 4); action list: at x0 + 6 on
  // row y + ((2 + 2 + 27 + 1 - 10) >> 1). Cells reach 2 below the baseline.
  const Choices ch;
  for (bool actionList : {false, true}) {
    Canvas canvas(400, 300, BG);
    if (actionList) {
      const M_ACTION_LIST_PARAMETERS p = ActionList(ch, 4, TRUE);
      U_MENU_vDrawControlActionList(canvas.bmp(), Pt(100, 150), 9, &p, 150, 27);
    } else {
      const M_SUB_MENU_PARAMETERS p = SubMenu(ch, 4, TRUE);
      U_MENU_vDrawControlSubMenu(canvas.bmp(), Pt(100, 150), 9, &p, 150, 27);
    }
    // The top row (y 204) holds "aa".
    const Bounds t = BoundsIn(canvas, C68, 0, 204, -1, 230);
    EXPECT_EQ(actionList ? 255 : 253, t.left) << actionList;
    EXPECT_EQ(12, t.right - t.left + 1) << actionList;
    EXPECT_EQ(actionList ? 204 + 11 - 2 : 204 + 4 - 2, t.bottom) << actionList;
  }
}

TEST_F(Painters, DegenerateColumnsFinish) {
  const Choices ch;
  Canvas canvas(400, 300, BG);
  // Row height 0 or 1: no column (and no endless moving by zero rows).
  for (U32 h : {0u, 1u}) {
    const M_SUB_MENU_PARAMETERS p = SubMenu(ch, 4, TRUE);
    U_MENU_vDrawControlSubMenu(canvas.bmp(), Pt(100, 150), 0, &p, 150, h);
    const M_ACTION_LIST_PARAMETERS a = ActionList(ch, 4, TRUE);
    U_MENU_vDrawControlActionList(canvas.bmp(), Pt(100, 150), 0, &a, 150, h);
  }
  EXPECT_TRUE(canvas.written(BG).empty());
  // A huge number of rows without texts: only the rows on the bitmap are
  // drawn, and the placement needs no row-by-row walk.
  M_SUB_MENU_PARAMETERS p{};
  p.numberChoices = 0xFFFFFFFFu;
  p.bIsActive = TRUE;
  U_MENU_vDrawControlSubMenu(canvas.bmp(), Pt(100, 150), 0, &p, 150, 27);
  EXPECT_FALSE(canvas.written(BG).empty());
  U_MENU_vDrawControlSubMenu(nullptr, Pt(100, 150), 0, &p, 150, 27);
  U_MENU_vDrawControlSubMenu(canvas.bmp(), Pt(100, 150), 0, nullptr, 150, 27);
}

TEST_F(Painters, PaintersReadTheColourTableAtEachCall) {
  Canvas canvas(30, 30, BG);
  U_MENU_vDrawControlAction(canvas.bmp(), Pt(0, 0), 0, 27, 27);
  EXPECT_EQ(C67, canvas.at(10, 13));
  gCOLOR_pcolColorTable[U_MENU_COLOR_DARK] = 0x7777;
  U_MENU_vDrawControlAction(canvas.bmp(), Pt(0, 0), 0, 27, 27);
  EXPECT_EQ(0x7777, canvas.at(10, 13));
}

// ------------------------------------------------------------------ golden sheet

TEST(PaintersGolden, SheetOfEveryPainter) {
  COLOR_vResetColorTable();
  Canvas c(640, 420, 0x9CD3);
  BITMAP* b = c.bmp();
  const COLOR dark = gCOLOR_pcolColorTable[67];

  // Top row: the four arrows at two sizes, check marks, an action row's
  // triangle, closed sub-menu and action-list rows.
  U_MENU_vDrawArrowUp(b, Pt(20, 380), 15, dark);
  U_MENU_vDrawArrowDown(b, Pt(50, 395), 15, dark);
  U_MENU_vDrawArrowLeft(b, Pt(95, 380), 15, dark);
  U_MENU_vDrawArrowRight(b, Pt(110, 380), 15, dark);
  U_MENU_vDrawArrowUp(b, Pt(140, 384), 9, dark);
  U_MENU_vDrawArrowDown(b, Pt(160, 392), 9, dark);
  U_MENU_vDrawArrowLeft(b, Pt(185, 384), 9, dark);
  U_MENU_vDrawArrowRight(b, Pt(195, 384), 9, dark);
  U_MENU_vDrawControlCheckBox(b, Pt(200, 355), 1, 60, 55);
  U_MENU_vDrawControlCheckList(b, Pt(250, 355), 0, 60, 55);  // unchecked: nothing
  U_MENU_vDrawControlAction(b, Pt(270, 375), 0, 80, 27);
  const Text sonar("Sonar"), chart("Chart"), radar("Radar"), weather("Weather");
  const DB_TEXT_RECORD views[4] = {sonar.rec(), chart.rec(), radar.rec(), weather.rec()};
  M_SUB_MENU_PARAMETERS closedSub{};
  closedSub.pSubMenuChoices = views;
  closedSub.numberChoices = 4;
  U_MENU_vDrawControlSubMenu(b, Pt(350, 375), 0, &closedSub, 80, 27);
  M_ACTION_LIST_PARAMETERS closedList{};
  closedList.pActionListChoices = views;
  closedList.numberChoices = 4;
  U_MENU_vDrawControlActionList(b, Pt(430, 375), 0, &closedList, 80, 27);

  // Sliders at the minimum, in the middle and past half, with end texts.
  const Text off("Off"), max("Max"), autoText("Auto");
  M_SLIDER_PARAMETERS slider{};
  slider.minValue = DB_dataFloat(0);
  slider.maxValue = DB_dataFloat(10);
  slider.pCtrlTextLeft = off.rec();
  strcpy(slider.maxString, "10.0");
  U_MENU_vDrawControlSlider(b, Pt(60, 320), DB_dataFloat(0), &slider, DF_FLOAT, 148, 24);
  U_MENU_vDrawControlSlider(b, Pt(60, 285), DB_dataFloat(5), &slider, DF_FLOAT, 148, 24);
  U_MENU_vDrawControlSlider(b, Pt(60, 250), DB_dataFloat(8.5f), &slider, DF_FLOAT, 148, 24);

  // Progress bars: empty and 70 %.
  M_PROGRESS_BAR_PARAMETERS bar{};
  bar.minValue = DB_dataU32(0);
  bar.maxValue = DB_dataU32(10);
  strcpy(bar.minString, "0");
  strcpy(bar.maxString, "10");
  U_MENU_vDrawControlProgressBar(b, Pt(60, 210), DB_dataU32(0), &bar, DF_UNSIGNED32, 148, 24);
  U_MENU_vDrawControlProgressBar(b, Pt(60, 175), DB_dataU32(7), &bar, DF_UNSIGNED32, 148, 24);

  // Numeric entries: inside the range, at the minimum with its text, at the
  // maximum.
  M_NUMERIC_ENTRY_PARAMETERS entry{};
  entry.minValue = DB_dataFloat(0);
  entry.maxValue = DB_dataFloat(20);
  entry.u8precision = 1;
  entry.pCtrlTextLeft = autoText.rec();
  strcpy(entry.maxString, "20.0");
  U_MENU_vDrawControlNumericEntry(b, Pt(380, 320), DB_dataFloat(12.5f), &entry, DF_FLOAT, 80, 24);
  U_MENU_vDrawControlNumericEntry(b, Pt(380, 285), DB_dataFloat(0), &entry, DF_FLOAT, 80, 24);
  U_MENU_vDrawControlNumericEntry(b, Pt(380, 250), DB_dataFloat(20), &entry, DF_FLOAT, 80, 24);

  // Selection boxes: first, middle and last choice; one of icons.
  const Text low("Low"), medium("Medium"), high("High");
  const DB_TEXT_RECORD levels[3] = {low.rec(), medium.rec(), high.rec()};
  M_SELECTION_BOX_PARAMETERS selector{};
  selector.pSelectionList = levels;
  selector.numberSelections = 3;
  U_MENU_vDrawControlSelectionBox(b, Pt(330, 205), 0, &selector, 100, 24, gCOLOR_pcolColorTable[65]);
  U_MENU_vDrawControlSelectionBox(b, Pt(330, 172), 1, &selector, 100, 24, gCOLOR_pcolColorTable[65]);
  U_MENU_vDrawControlSelectionBox(b, Pt(330, 139), 2, &selector, 100, 24, gCOLOR_pcolColorTable[64]);
  const ICON* icons[2] = {&Zoom_in_icon, &Zoom_out_icon};
  M_SELECTION_BOX_PARAMETERS iconSelector{};
  iconSelector.pSelectionIcons = icons;
  iconSelector.numberSelections = 2;
  U_MENU_vDrawControlSelectionBox(b, Pt(480, 190), 1, &iconSelector, 60, 36, gCOLOR_pcolColorTable[65]);

  // Open pop-outs: a sub menu and an action list, second choice highlighted;
  // the action list is pushed against the right edge.
  M_SUB_MENU_PARAMETERS openSub = closedSub;
  openSub.bIsActive = TRUE;
  U_MENU_vDrawControlSubMenu(b, Pt(20, 40), 1, &openSub, 120, 27);
  M_ACTION_LIST_PARAMETERS openList = closedList;
  openList.bIsActive = TRUE;
  U_MENU_vDrawControlActionList(b, Pt(400, 40), 2, &openList, 200, 27);

  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "menu/painters");
}

}  // namespace
