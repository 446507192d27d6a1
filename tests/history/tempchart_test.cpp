// The temperature chart: how its band follows the readings (the edge cases
// of the band rule), what is left out of the trace (a column without a
// reading, a temperature on the band's edge, the scale's room) and golden
// pictures in Celsius and Fahrenheit. The readings lie in a buffer of
// exactly the 800 kept, so a read past the last fails under ASan.
#include <gtest/gtest.h>

#include <vector>

#include "../support/db_test_env.h"
#include "../support/golden.h"
#include "../support/graphics_canvas.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/history/s_columns.h"
#include "source/history/s_tempchart.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

constexpr COLOR kGround = 0x4208;

TEST(TemperatureBand, FollowsTheReadings) {
  struct Case {
    const char* what;
    TEMPERATURE_BAND previous;
    F32 newest, min, max;
    S32 span;
    TEMPERATURE_BAND expect;
  } cases[] = {
      {"narrow readings padded, corrected to the span", {0, 0}, 21.5f, 20.0f, 21.5f, 10, {16, 26}},
      {"kept while the newest lies inside", {16, 26}, 25.9f, 20.0f, 25.9f, 10, {16, 26}},
      {"newest on the upper edge keeps it", {16, 26}, 26.0f, 20.0f, 26.0f, 10, {16, 26}},
      {"wide readings centre on the newest", {0, 0}, 18.4f, 5.0f, 30.0f, 10, {13, 23}},
      {"readings exactly the span", {0, 0}, 12.0f, 10.3f, 20.7f, 10, {10, 20}},
      {"a new span rebuilds", {16, 26}, 70.7f, 68.0f, 70.7f, 20, {59, 79}},
      {"below zero", {0, 0}, -2.0f, -3.5f, -2.0f, 10, {-8, 2}},
  };
  for (const Case& c : cases) {
    const TEMPERATURE_BAND b = S_TEMPCHART_Band(c.previous, c.newest, c.min, c.max, c.span);
    EXPECT_EQ(b.s32Lower, c.expect.s32Lower) << c.what;
    EXPECT_EQ(b.s32Upper, c.expect.s32Upper) << c.what;
  }
}

struct Chart : ::testing::Test {
  std::vector<F32> readings = std::vector<F32>(800, -300.0f);
  void SetUp() override {
    (void)s_install;
    (void)s_bConversions;
    COLOR_vResetColorTable();
    S_TEMPCHART_vReset();
    Units(U_CELSIUS);
    H_DATABASE_bUpdateEverythingFloat(FCID("ITMP"), 20.0f, P_NORMAL, D_TEMPERATURE, nullptr, DB_NO_TIMEOUT);
    // 20.0 °C rising to 21.5 °C towards the newest, a stretch without
    // readings, and the band's lower edge (16.0) which is not drawn.
    for (U32 i = 0; i < 800; ++i) readings[i] = 21.5f - 1.5f * (F32)i / 799.0f;
    for (U32 i = 100; i < 120; ++i) readings[i] = -300.0f;
    readings[300] = 16.0f;
  }
  static void Units(UNIT_TYPE u) {
    H_DATABASE_bUpdateEverythingU32(FCID("SUTE"), u, P_NORMAL, D_UNITS, nullptr, DB_NO_TIMEOUT);
  }
  void Draw(Canvas& c, U32 width) {
    S_TEMPCHART_vDraw(c.bmp(), POINT{0, 500}, width, 40, readings.data(), (U32)readings.size(), 20.0f, 21.5f);
  }
  static bool ColumnBlank(const Canvas& c, int x) {
    for (int y = 500; y < 550; ++y)
      if (c.at(x, y) != kGround) return false;
    return true;
  }
};

TEST_F(Chart, CelsiusWithAGap) {
  Canvas c(800, 600, kGround);
  Draw(c, 800);
  // The newest stands at x 799; the stretch without readings and the band's
  // own lower edge leave gaps; the scale's room is left out.
  EXPECT_FALSE(ColumnBlank(c, 799));
  EXPECT_FALSE(ColumnBlank(c, 799 - 99));
  for (int i = 100; i < 120; ++i) EXPECT_TRUE(ColumnBlank(c, 799 - i)) << i;
  EXPECT_FALSE(ColumnBlank(c, 799 - 120));
  EXPECT_TRUE(ColumnBlank(c, 799 - 300));
  // 21.5 °C in a band of 16 to 26 at 4 pixels a degree: 500 + 22 + 5.
  EXPECT_EQ(c.at(799, 527), gCOLOR_pcolColorTable[128]);
  EXPECT_EQ(c.at(799, 524), gCOLOR_pcolColorTable[131]);
  ExpectMatchesGolden(c.pixels.data(), 800, 600, c.pitch, "history/temperature_celsius");
}

TEST_F(Chart, FahrenheitDoublesTheSpan) {
  Draw(*std::make_unique<Canvas>(800, 600, kGround), 800);  // the Celsius band first
  Units(U_FAHRENHEIT);
  Canvas c(800, 600, kGround);
  Draw(c, 800);
  // 70.7 °F in a band of 59 to 79 at 2 pixels a degree: 500 + 23 + 5.
  EXPECT_EQ(c.at(799, 528), gCOLOR_pcolColorTable[128]);
  ExpectMatchesGolden(c.pixels.data(), 800, 600, c.pitch, "history/temperature_fahrenheit");
}

TEST_F(Chart, NarrowWindowLeavesTheNewestOut) {
  // A window 600 wide: the newest reading would stand at x 600 and is left
  // out; the next stands at 599.
  Canvas c(800, 600, kGround);
  Draw(c, 600);
  EXPECT_TRUE(ColumnBlank(c, 600));
  EXPECT_FALSE(ColumnBlank(c, 599));
}

TEST_F(Chart, NothingBeforeTheFirstReading) {
  S_COLUMNS_vResetTemperature();
  Canvas c(800, 600, kGround);
  T_N_HISTORY_vDrawTemperatureChart(c.bmp(), POINT{0, 500}, 800, 40);
  for (int x = 0; x < 800; ++x) ASSERT_TRUE(ColumnBlank(c, x)) << x;
  // The column builder's readings reach the chart once it has taken some.
  for (int i = 0; i < 50; ++i) S_COLUMNS_vTemperatureSample(20.0f + 0.03f * (F32)i, FALSE);
  T_N_HISTORY_vDrawTemperatureChart(c.bmp(), POINT{0, 500}, 800, 40);
  EXPECT_FALSE(ColumnBlank(c, 799));
}

}  // namespace
