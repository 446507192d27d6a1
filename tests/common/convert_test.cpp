// Unit conversion between internal and display units.
#include <gtest/gtest.h>

#include <cmath>

#include "common/u_convert.h"

namespace {

class Convert : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { U_CONVERT_vInitialiseConversionUtility(); }
};

struct Case {
  double internal;  // value in the data type's internal unit
  DATA_TYPE type;
  UNIT_TYPE unit;
  double shown;  // the same value in the display unit
  double tolerance;
};

TEST_F(Convert, FromAndToInternal) {
  const Case cases[] = {
      {100, D_DEPTH, U_FEET, 328.08, 0.005},
      {1, D_DISTANCE, U_NAUT_MILES_FT, 1 / 1852.0, 1e-12},
      {1, D_DISTANCE, U_NAUT_MILES_M, 1 / 1852.0, 1e-12},
      {1, D_DISTANCE, U_NAUT_MILES, 1 / 1852.0, 1e-12},
      {1609.3472, D_DISTANCE, U_STAT_MILES, 1, 1e-6},
      {1000, D_DISTANCE, U_KM, 1, 1e-12},
      {1, D_DEPTH, U_FATHOMS, 0.546806, 1e-6},
      {100, D_ALTITUDE, U_FEET, 328.08, 0.005},
      {1013.25, D_PRESSURE, U_INCHESHG, 29.921, 0.0005},
      {1013.25, D_PRESSURE, U_MILLIBAR, 1013.25, 0},
      {1013.25, D_PRESSURE, U_MMHG, 760.0, 0.01},
      {1013.25, D_PRESSURE, U_PSI, 14.696, 0.0005},
      {1013.25, D_PRESSURE, U_KPA, 101.325, 1e-5},
      {10, D_TEMPERATURE, U_FAHRENHEIT, 50, 1e-4},
      {0, D_TEMPERATURE, U_FAHRENHEIT, 32, 1e-4},
      {100, D_TEMPERATURE, U_FAHRENHEIT, 212, 1e-4},
      {-40, D_TEMPERATURE, U_FAHRENHEIT, -40, 1e-4},
      {10, D_TEMPERATURE, U_CELSIUS, 10, 0},
      // A temperature offset is a difference: no 32 degree zero point.
      {1, D_TEMPERATURE_OFFSET, U_FAHRENHEIT, 1.8, 1e-6},
      {-2.5, D_TEMPERATURE_OFFSET, U_FAHRENHEIT, -4.5, 1e-6},
      {1, D_TEMPERATURE_OFFSET, U_CELSIUS, 1, 0},
      {2, D_SPEED, U_KNOTS, 3.8877, 5e-5},
      {1, D_SPEED, U_KPH, 3.6, 1e-5},
      {1, D_SPEED, U_MPH, 2.236936, 1e-6},
      {1, D_VOLUME, U_LITRES, 1000, 1e-4},
      {1, D_VOLUME, U_USGALLONS, 264.172, 0.001},
      {1, D_VOLUME, U_UKGALLONS, 219.969, 0.001},
      {1, D_CURRENT, U_MILLIAMPERES, 1000, 1e-4},
      {12.5, D_VOLTAGE, U_VOLTS, 12.5, 0},
      {45, D_HEADING, U_DEG_TRUE, 45, 0},
      {7, D_UNKNOWN, U_NONE, 7, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << " unit " << c.unit << " value " << c.internal);
    EXPECT_NEAR(dConvertFromInternal(c.internal, c.type, c.unit), c.shown, c.tolerance);
    // Out and back again within float rounding.
    const double out = dConvertFromInternal(c.internal, c.type, c.unit);
    EXPECT_NEAR(dConvertToInternal(out, c.type, c.unit), c.internal, 1e-9 * (1 + std::fabs(c.internal)));
  }
}

TEST_F(Convert, InternalUnitIsReturnedWithoutArithmetic) {
  const double value = 0.1;  // not exact in binary: any multiply and divide could change it
  EXPECT_EQ(dConvertFromInternal(value, D_DEPTH, U_METRES), value);
  EXPECT_EQ(dConvertToInternal(value, D_SPEED, U_MPS), value);
  EXPECT_EQ(dGenericConvert(value, U_FEET, U_FEET), value);
}

TEST_F(Convert, BetweenAnyTwoUnits) {
  EXPECT_NEAR(dGenericConvert(1, U_KNOTS, U_KPH), 1.852, 1e-5);
  EXPECT_NEAR(dGenericConvert(6, U_FEET, U_FATHOMS), 1.0, 1e-5);
  EXPECT_NEAR(dGenericConvert(212, U_FAHRENHEIT, U_CELSIUS), 100, 1e-4);
  EXPECT_NEAR(dGenericConvert(1, U_NAUT_MILES, U_STAT_MILES), 1.150777, 1e-6);
}

TEST_F(Convert, UnitsNotConvertedHereLeaveTheValueAlone) {
  // Factor 0 (no division by zero) and numbers outside UNIT_TYPE.
  for (UNIT_TYPE unit : {U_LATLON, U_INCH, U_SECONDS, U_MINUTES, U_PPMO2, U_MOLPERM3, U_DEG_MAGNETIC,
                         (UNIT_TYPE)37, (UNIT_TYPE)200, (UNIT_TYPE)-1}) {
    SCOPED_TRACE(unit);
    EXPECT_EQ(dConvertFromInternal(123.5, D_DISTANCE, unit), 123.5);
    EXPECT_EQ(dConvertToInternal(123.5, D_HEADING, unit), 123.5);
    EXPECT_EQ(dGenericConvert(123.5, unit, U_FEET), 123.5);
    EXPECT_EQ(dGenericConvert(123.5, U_FEET, unit), 123.5);
  }
  // A data type outside DATA_TYPE has no internal unit.
  EXPECT_EQ(dConvertFromInternal(5, (DATA_TYPE)99, U_FEET), 5 / (double)0.3048f);
}

TEST_F(Convert, InternalUnits) {
  const std::pair<DATA_TYPE, UNIT_TYPE> cases[] = {
      {D_TEMPERATURE, U_CELSIUS},     {D_SPEED, U_MPS},         {D_DISTANCE, U_METRES},
      {D_DEPTH, U_METRES},            {D_ALTITUDE, U_METRES},   {D_HEADING, U_DEG_TRUE},
      {D_PRESSURE, U_HECTOPASCALS},   {D_VOLUME, U_M3},         {D_VOLTAGE, U_VOLTS},
      {D_CURRENT, U_AMPERES},         {D_ELEVATION_ANGLE, U_DEG_GEOMETRIC},
      {D_TEMPERATURE_OFFSET, U_CELSIUS}, {D_PERCENT, U_NONE},   {D_MAILBOX, U_NONE},
      {(DATA_TYPE)34, U_NONE},        {(DATA_TYPE)-5, U_NONE},
  };
  for (const auto& [type, unit] : cases) {
    EXPECT_EQ(U_CONVERT_eInternalUnit(type), unit) << "type " << type;
  }
}

TEST_F(Convert, SavedUnitsOutsideTheirTableFallBackToTheInternalUnit) {
  struct UnitsCase {
    DATA_TYPE type;
    U32 saved;
    UNIT_TYPE used;
  };
  const UnitsCase cases[] = {
      {D_DEPTH, U_FEET, U_FEET},
      {D_DEPTH, U_FATHOMS, U_FATHOMS},
      {D_DEPTH, 99, U_METRES},                 // damaged value
      {D_DEPTH, U_CELSIUS, U_METRES},          // a unit of another quantity
      {D_DISTANCE, U_NAUT_MILES_FT, U_NAUT_MILES_FT},
      {D_TEMPERATURE, U_FAHRENHEIT, U_FAHRENHEIT},
      {D_TEMPERATURE, 37, U_CELSIUS},
      {D_TEMPERATURE, U_MINUTES, U_CELSIUS},   // has no label
      {D_TEMPERATURE_OFFSET, U_FAHRENHEIT, U_FAHRENHEIT},
      {D_SPEED, U_KNOTS, U_KNOTS},
      {D_SPEED, 0xFFFFFFFF, U_MPS},
      {D_HEADING, U_DEG_MAGNETIC, U_DEG_MAGNETIC},
      {D_PRESSURE, U_INCHESHG, U_INCHESHG},
      {D_PRESSURE, U_FEET, U_HECTOPASCALS},
      {D_UNKNOWN, U_FEET, U_NONE},
      {D_UNKNOWN, U_NONE, U_NONE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U_CONVERT_eCheckUnits(c.type, c.saved), c.used) << "type " << c.type << " saved " << c.saved;
  }
}

}  // namespace
