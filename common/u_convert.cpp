#include "common/u_convert.h"

#include <initializer_list>

namespace {

// x in a unit equals x * fFactor + fOffset in the reference unit of its
// quantity. A factor of 0 marks a unit that is not converted here.
struct CONVERT_FACTOR {
  F32 fFactor;
  F32 fOffset;
};

UNIT_TYPE s_InternalUnits[NUMBER_OF_DATA_TYPES];
CONVERT_FACTOR s_ConvertFactors[NUMBER_OF_UNIT_TYPES];

// What a unit measures; conversions and unit choices stay within one.
enum QUANTITY { Q_NONE, Q_LENGTH, Q_SPEED, Q_TEMPERATURE, Q_PRESSURE, Q_VOLUME, Q_VOLTAGE, Q_CURRENT, Q_ANGLE, Q_OTHER };

constexpr QUANTITY QuantityOf(U32 unit) {
  switch (unit) {
    case U_NONE:
      return Q_NONE;
    case U_STAT_MILES:
    case U_NAUT_MILES:
    case U_KM:
    case U_METRES:
    case U_FEET:
    case U_FATHOMS:
    case U_NAUT_MILES_FT:
    case U_NAUT_MILES_M:
      return Q_LENGTH;
    case U_MPS:
    case U_KNOTS:
    case U_MPH:
    case U_KPH:
      return Q_SPEED;
    case U_CELSIUS:
    case U_FAHRENHEIT:
      return Q_TEMPERATURE;
    case U_INCHESHG:
    case U_MMHG:
    case U_MILLIBAR:
    case U_HECTOPASCALS:
    case U_PSI:
    case U_KPA:
      return Q_PRESSURE;
    case U_USGALLONS:
    case U_UKGALLONS:
    case U_LITRES:
    case U_M3:
      return Q_VOLUME;
    case U_VOLTS:
      return Q_VOLTAGE;
    case U_AMPERES:
    case U_MILLIAMPERES:
      return Q_CURRENT;
    case U_DEG_TRUE:
    case U_DEG_MAGNETIC:
    case U_DEG_GEOMETRIC:
      return Q_ANGLE;
    default:
      return Q_OTHER;
  }
}

// The unit in which the database keeps values of a data type.
constexpr UNIT_TYPE InternalUnitOf(DATA_TYPE eType) {
  switch (eType) {
    case D_TEMPERATURE:
    case D_TEMPERATURE_OFFSET:
      return U_CELSIUS;
    case D_SPEED:
      return U_MPS;
    case D_DISTANCE:
    case D_DEPTH:
    case D_ALTITUDE:
      return U_METRES;
    case D_HEADING:
      return U_DEG_TRUE;
    case D_PRESSURE:
      return U_HECTOPASCALS;
    case D_VOLUME:
      return U_M3;
    case D_VOLTAGE:
      return U_VOLTS;
    case D_CURRENT:
      return U_AMPERES;
    case D_ELEVATION_ANGLE:
      return U_DEG_GEOMETRIC;
    default:
      return U_NONE;
  }
}

inline bool IsUnit(U32 unit) { return unit < (U32)NUMBER_OF_UNIT_TYPES; }

// A temperature offset is a difference of temperatures: only the factor
// applies, never the zero-point offset (1 degree C of offset is 1.8 degrees F).
inline bool IsDifference(DATA_TYPE eType) { return eType == D_TEMPERATURE_OFFSET; }

double Convert(double dValue, UNIT_TYPE eSource, UNIT_TYPE eTarget, bool bDifference) {
  if (eSource == eTarget || !IsUnit((U32)eSource) || !IsUnit((U32)eTarget)) {
    return dValue;
  }
  const CONVERT_FACTOR& s = s_ConvertFactors[eSource];
  const CONVERT_FACTOR& t = s_ConvertFactors[eTarget];
  if (s.fFactor == 0.0f || t.fFactor == 0.0f) {
    return dValue;
  }
  const double dOffset = bDifference ? 0.0 : (double)s.fOffset - (double)t.fOffset;
  return (dOffset + dValue * (double)s.fFactor) / (double)t.fFactor;
}

UNIT_TYPE TableInternalUnit(DATA_TYPE eType) {
  return (U32)eType < (U32)NUMBER_OF_DATA_TYPES ? s_InternalUnits[eType] : U_NONE;
}

}  // namespace

void U_CONVERT_vInitialiseConversionUtility(void) {
  for (U32 type = 0; type < (U32)NUMBER_OF_DATA_TYPES; type++) {
    s_InternalUnits[type] = InternalUnitOf((DATA_TYPE)type);
  }

  // Units not converted here (positions, inches, times, gas concentrations,
  // magnetic degrees) keep factor 0.
  for (CONVERT_FACTOR& f : s_ConvertFactors) {
    f = {0.0f, 0.0f};
  }
  for (UNIT_TYPE unit : {U_NONE, U_MPS, U_METRES, U_MILLIBAR, U_HECTOPASCALS, U_M3, U_VOLTS, U_AMPERES,
                         U_CELSIUS, U_DEG_TRUE, U_DEG_GEOMETRIC}) {
    s_ConvertFactors[unit].fFactor = 1.0f;
  }
  s_ConvertFactors[U_STAT_MILES].fFactor = 1609.3472f;
  s_ConvertFactors[U_NAUT_MILES].fFactor = 1852.0f;
  s_ConvertFactors[U_NAUT_MILES_FT].fFactor = 1852.0f;
  s_ConvertFactors[U_NAUT_MILES_M].fFactor = 1852.0f;
  s_ConvertFactors[U_KM].fFactor = 1000.0f;
  s_ConvertFactors[U_KNOTS].fFactor = 0.5144456f;
  s_ConvertFactors[U_MPH].fFactor = 0.44704f;
  s_ConvertFactors[U_KPH].fFactor = 0.2777778f;
  s_ConvertFactors[U_FEET].fFactor = 0.3048f;
  s_ConvertFactors[U_FATHOMS].fFactor = 1.8288037f;
  s_ConvertFactors[U_INCHESHG].fFactor = 33.8639f;
  s_ConvertFactors[U_MMHG].fFactor = 1.33322f;
  s_ConvertFactors[U_USGALLONS].fFactor = 0.0037854118f;
  s_ConvertFactors[U_UKGALLONS].fFactor = 0.004546092f;
  s_ConvertFactors[U_LITRES].fFactor = 0.001f;
  s_ConvertFactors[U_MILLIAMPERES].fFactor = 0.001f;
  s_ConvertFactors[U_FAHRENHEIT] = {0.5555556f, -17.777779f};
  s_ConvertFactors[U_PSI].fFactor = 68.94757f;
  s_ConvertFactors[U_KPA].fFactor = 10.0f;
}

UNIT_TYPE U_CONVERT_eInternalUnit(DATA_TYPE eType) { return InternalUnitOf(eType); }

double dConvertFromInternal(double dValue, DATA_TYPE eType, UNIT_TYPE eTarget) {
  return Convert(dValue, TableInternalUnit(eType), eTarget, IsDifference(eType));
}

double dConvertToInternal(double dValue, DATA_TYPE eType, UNIT_TYPE eSource) {
  return Convert(dValue, eSource, TableInternalUnit(eType), IsDifference(eType));
}

double dGenericConvert(double dValue, UNIT_TYPE eSource, UNIT_TYPE eTarget) {
  return Convert(dValue, eSource, eTarget, false);
}

UNIT_TYPE U_CONVERT_eCheckUnits(DATA_TYPE eType, U32 u32Units) {
  const UNIT_TYPE eInternal = U_CONVERT_eInternalUnit(eType);
  if (IsUnit(u32Units) && QuantityOf(u32Units) == QuantityOf((U32)eInternal)) {
    return (UNIT_TYPE)u32Units;
  }
  return eInternal;
}
