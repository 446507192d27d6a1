// Unit conversion between the internal unit of each data type (metres,
// metres per second, degrees Celsius, hectopascals, ...) and the display
// units the user chooses.
#pragma once

#include "common/db_types.h"

// Fills the conversion tables. Called once at start before any task that
// converts runs; afterwards the tables are only read, without a lock.
void U_CONVERT_vInitialiseConversionUtility(void);

// A value given in the data type's internal unit, converted to eTarget.
double dConvertFromInternal(double dValue, DATA_TYPE eType, UNIT_TYPE eTarget);

// A value given in eSource, converted to the data type's internal unit.
double dConvertToInternal(double dValue, DATA_TYPE eType, UNIT_TYPE eSource);

// A value converted between any two units.
double dGenericConvert(double dValue, UNIT_TYPE eSource, UNIT_TYPE eTarget);

// Every conversion above returns the value unchanged when either unit is one
// that is not converted here (factor 0: positions, times, magnetic headings,
// ...) or is not a unit at all (a number outside UNIT_TYPE).

// The unit in which the database keeps values of the data type (U_NONE for
// kinds without units and for numbers outside DATA_TYPE). This and
// U_CONVERT_eCheckUnits answer before the initialisation too.
UNIT_TYPE U_CONVERT_eInternalUnit(DATA_TYPE eType);

// The display unit to use for a data type whose units key holds u32Units:
// u32Units itself when it is a unit of the same quantity as the data type's
// internal unit (a length for a depth, a temperature for a temperature, ...),
// otherwise (a damaged or foreign saved value) the internal unit. Kinds
// without an internal unit accept only U_NONE.
UNIT_TYPE U_CONVERT_eCheckUnits(DATA_TYPE eType, U32 u32Units);
