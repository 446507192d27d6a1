// Default scale limits of the dial and bar gauges by value and display unit.
#pragma once

#include "common/db_types.h"
#include "common/types.h"

// The NMEA 2000 values that have default gauge scales (the value store
// numbers every value it knows; these keep its numbers).
enum DATA_ID : int {
  DI_SPEED_THROUGH_WATER = 1,
  DI_SPEED_OVER_GROUND_GPS_SPEED = 2,
  DI_SPEED_OVER_GROUND_AVERAGE = 3,
  DI_SPEED_THROUGH_WATER_AVERAGE = 5,
  DI_FUEL_RATE_GAL_PER_HR = 60,
  DI_FUEL_RATE_GAL_PER_HR1 = 61,
  DI_FUEL_RATE_GAL_PER_HR2 = 62,
  DI_ENGINE0_OIL_PRESSURE = 71,
  DI_ENGINE1_OIL_PRESSURE = 72,
  DI_ENGINE0_OIL_TEMPERATURE = 75,
  DI_ENGINE1_OIL_TEMPERATURE = 76,
  DI_COOLANT_PRESSURE = 87,
  DI_COOLANT_PRESSURE1 = 88,
  DI_BOOST_PRESSURE = 91,
  DI_BOOST_PRESSURE1 = 92,
  DI_ENGINE0_TEMPERATURE = 95,
  DI_ENGINE1_TEMPERATURE = 96,
  DI_SEA_TEMPERATURE = 154,
  DI_AIR_TEMPERATURE_OUTSIDE = 155,
  DI_BAROMETRIC_PRESSURE = 158,
  DI_APPARENT_WIND_SPEED = 161,
  DI_TRUE_WIND_SPEED = 163,
};

typedef struct __gaugeRange {
  float minV;
  float maxV;
  int unit;  // a UNIT_TYPE
  DATA_ID dataId;
} T_GAUGE_RANGE;

constexpr int G_GAUGE_RANGE_ROWS = 48;
// The table, searched first row first.
extern const T_GAUGE_RANGE sGaugeRange[G_GAUGE_RANGE_ROWS];

// The scale of the first row for the value and unit: minimum and maximum
// truncated towards zero, and TRUE. FALSE, outputs untouched, when no row
// matches.
BOOLEAN bGetRange(DATA_ID dataId, int unit, S32* pMin, S32* pMax);
