// Default gauge scales by value and display unit.
#include <gtest/gtest.h>

#include "source/graphics/g_gauge_range.h"

namespace {

TEST(GaugeRange, Lookups) {
  struct Case {
    const char* what;
    DATA_ID id;
    int unit;
    BOOLEAN found;
    S32 min, max;
  };
  const Case cases[] = {
      {"air in celsius", DI_AIR_TEMPERATURE_OUTSIDE, U_CELSIUS, TRUE, -30, 50},
      {"air in fahrenheit", DI_AIR_TEMPERATURE_OUTSIDE, U_FAHRENHEIT, TRUE, -20, 120},
      {"sea in fahrenheit", DI_SEA_TEMPERATURE, U_FAHRENHEIT, TRUE, 30, 110},
      {"sog average in knots", DI_SPEED_OVER_GROUND_AVERAGE, U_KNOTS, TRUE, 0, 100},
      {"water speed in mph", DI_SPEED_THROUGH_WATER, U_MPH, TRUE, 0, 120},
      {"true wind in kph", DI_TRUE_WIND_SPEED, U_KPH, TRUE, 0, 100},
      {"true wind in knots", DI_TRUE_WIND_SPEED, U_KNOTS, TRUE, 0, 60},
      {"barometer in kpa", DI_BAROMETRIC_PRESSURE, U_KPA, TRUE, 950, 1050},
      {"barometer in psi", DI_BAROMETRIC_PRESSURE, U_PSI, TRUE, 28, 32},
      {"oil pressure 1 in kpa", DI_ENGINE1_OIL_PRESSURE, U_KPA, TRUE, 0, 500},
      {"engine 0 in fahrenheit", DI_ENGINE0_TEMPERATURE, U_FAHRENHEIT, TRUE, 50, 250},
      {"fuel rate in litres", DI_FUEL_RATE_GAL_PER_HR, U_LITRES, TRUE, 0, 80},
      {"fuel rate 1 in litres", DI_FUEL_RATE_GAL_PER_HR1, U_LITRES, TRUE, 0, 80},
      {"fuel rate 2 in gallons", DI_FUEL_RATE_GAL_PER_HR2, U_USGALLONS, TRUE, 0, 20},
      {"fuel rate 1 in gallons: no row", DI_FUEL_RATE_GAL_PER_HR1, U_USGALLONS, FALSE, 0, 0},
      {"fuel rate 2 in litres: no row", DI_FUEL_RATE_GAL_PER_HR2, U_LITRES, FALSE, 0, 0},
      {"speed in metres per second: no row", DI_SPEED_THROUGH_WATER, U_MPS, FALSE, 0, 0},
      {"unknown value", (DATA_ID)4, U_KNOTS, FALSE, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    S32 min = 12345, max = 67890;
    EXPECT_EQ(bGetRange(c.id, c.unit, &min, &max), c.found);
    EXPECT_EQ(min, c.found ? c.min : 12345);
    EXPECT_EQ(max, c.found ? c.max : 67890);
  }
}

// Every row is found by its own value and unit, first row first, and its
// float limits come out truncated towards zero.
TEST(GaugeRange, EveryRowIsReachable) {
  int rows = 0;
  for (const T_GAUGE_RANGE& row : sGaugeRange) {
    S32 min = 0, max = 0;
    ASSERT_TRUE(bGetRange(row.dataId, row.unit, &min, &max));
    EXPECT_EQ(min, (S32)row.minV);
    EXPECT_EQ(max, (S32)row.maxV);
    EXPECT_LT(row.minV, row.maxV);
    ++rows;
  }
  EXPECT_EQ(rows, 48);
}

}  // namespace
