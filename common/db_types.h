// Types of the settings database shared by every module: values, value
// kinds, display units, write priorities, the change notice and the system
// state held in key CCST.
#pragma once

#include <stdint.h>

#include "common/types.h"
#include "lsvc/lsvc.h"

// One database value. The database never interprets it: it compares values
// as raw bit patterns (RawData). On the board a value is 32 bits; on a
// 64-bit host the union is as wide as a pointer so that vpPointer holds a
// real address. Build values with the DB_data* helpers below, which clear
// the unused upper bits, so that equal values compare equal.
union DB_DATA_TYPE {
  uintptr_t RawData;
  U32 u32Val;
  S32 s32Val;
  F32 fVal;
  void* vpPointer;
};
static_assert(sizeof(DB_DATA_TYPE) == sizeof(void*), "a value is one pointer wide");

inline DB_DATA_TYPE DB_dataU32(U32 value) {
  DB_DATA_TYPE d;
  d.RawData = 0;
  d.u32Val = value;
  return d;
}
inline DB_DATA_TYPE DB_dataS32(S32 value) {
  DB_DATA_TYPE d;
  d.RawData = 0;
  d.s32Val = value;
  return d;
}
inline DB_DATA_TYPE DB_dataFloat(F32 value) {
  DB_DATA_TYPE d;
  d.RawData = 0;
  d.fVal = value;
  return d;
}
inline DB_DATA_TYPE DB_dataPointer(void* value) {
  DB_DATA_TYPE d;
  d.RawData = 0;
  d.vpPointer = value;
  return d;
}

// How a value of a DATA_TYPE is held.
enum DATA_FORMAT : S32 {
  DF_ERROR = 0,
  DF_FLOAT = 1,
  DF_UNSIGNED32 = 2,
  DF_SIGNED32 = 3,
  DF_VOID_POINTER = 4,
  DF_ENUMERATED = 5,
};

// The value kinds of the database; they decide units and conversions.
enum DATA_TYPE : S32 {
  D_UNKNOWN = 0,
  D_UNITS = 1,
  D_POINTER = 2,
  D_TEMPERATURE = 3,
  D_SPEED = 4,
  D_DISTANCE = 5,
  D_HEADING = 6,
  D_DEPTH = 7,
  D_DATETIME = 8,
  D_TIME = 9,
  D_LONG_TIME = 10,
  D_PRESSURE = 11,
  D_VOLUME = 12,
  D_PH = 13,
  D_CONCENTRATION = 14,
  D_VOLTAGE = 15,
  D_CURRENT = 16,
  D_MAILBOX = 17,
  D_POSITION = 18,
  D_POSITION_LAT = 19,
  D_POSITION_LON = 20,
  D_POSITION_LAT_MM = 21,
  D_POSITION_LON_MM = 22,
  D_FCID = 23,
  D_PERCENT = 24,
  D_SAT_DATA = 25,
  D_WAYPOINT = 26,
  D_ALTITUDE = 27,
  D_FLOAT = 28,
  D_SIGNED32 = 29,
  D_UNSIGNED32 = 30,
  D_FIXED_POINT = 31,
  D_ELEVATION_ANGLE = 32,
  D_TEMPERATURE_OFFSET = 33,
  NUMBER_OF_DATA_TYPES = 34,
};

// Display units.
enum UNIT_TYPE : S32 {
  U_NONE = 0,
  U_MPS = 1,
  U_STAT_MILES = 2,
  U_NAUT_MILES = 3,
  U_KM = 4,
  U_KNOTS = 5,
  U_MPH = 6,
  U_KPH = 7,
  U_LATLON = 8,
  U_INCH = 9,
  U_METRES = 10,
  U_FEET = 11,
  U_FATHOMS = 12,
  U_SECONDS = 13,
  U_MINUTES = 14,
  U_INCHESHG = 15,
  U_MMHG = 16,
  U_MILLIBAR = 17,
  U_HECTOPASCALS = 18,
  U_USGALLONS = 19,
  U_UKGALLONS = 20,
  U_LITRES = 21,
  U_M3 = 22,
  U_PPMO2 = 23,
  U_MOLPERM3 = 24,
  U_VOLTS = 25,
  U_AMPERES = 26,
  U_MILLIAMPERES = 27,
  U_CELSIUS = 28,
  U_FAHRENHEIT = 29,
  U_DEG_TRUE = 30,
  U_DEG_MAGNETIC = 31,
  U_NAUT_MILES_FT = 32,
  U_NAUT_MILES_M = 33,
  U_DEG_GEOMETRIC = 34,
  U_PSI = 35,
  U_KPA = 36,
  NUMBER_OF_UNIT_TYPES = 37,
};

// Write priorities; a smaller number wins. Passed and stored as a U32.
enum ITEM_PRIORITY : U32 {
  P_HIGHEST = 0,
  P_TESTMODE = 1,
  P_NORMAL = 2,
  P_SELECTED_GPS_OVERRIDE = 3,
  P_NETWORK_GPS = 4,
  P_GATEWAY_ATTACHED_GPS = 5,
  P_EXTERNAL_GPS = 6,
  P_INTERNAL_GPS = 7,
  P_REMOTE_EXTERNAL_GPS = 8,
  P_REMOTE_INTERNAL_GPS = 9,
  P_NMEA2K_GPS = 10,
  P_EXTERNAL_AIS = 11,
  P_EXTERNAL_AIS2 = 12,
  P_NVR = 13,
  P_DEFAULT_SETTING = 14,
  P_UNOWNED = 15,
};

// Time-out of a value that never times out.
constexpr U32 DB_NO_TIMEOUT = 0xFFFFFFFFu;

// A text record: one string per user-interface language (22 of them).
typedef const char* const* DB_TEXT_RECORD;

// What a key is: its value kind, the text record that names it (may be
// null) and the seconds a written value stays valid (DB_NO_TIMEOUT: for ever).
struct DB_ATTRIBUTES {
  DATA_TYPE DataType;
  DB_TEXT_RECORD ppcText;
  U32 u32TimeOut;
};

// Change conditions: as a registration's wishes and as an element's
// transient state.
struct DB_CONDITION_FLAGS {
  BOOLEAN bChanged;
  BOOLEAN bUpdated;
  BOOLEAN bInvalid;
};

// The change notice (CMD_ID_NEW_DATA) sent to the mailboxes registered for
// a key. It must fit the smallest memory partition block.
TESSIX_PACK4_BEGIN
struct MESSAGE_NEW_DATA {
  GENERIC_MESSAGE Header;
  FOURCHARID FourCharId;
  DB_DATA_TYPE dbValue;
  BOOLEAN bValid;
};
TESSIX_PACK_END
static_assert(sizeof(MESSAGE_NEW_DATA) <= 44, "a change notice fits the smallest partition block");

// The system state in key CCST.
enum SYSTEM_STATE : S32 {
  STATE_STARTUP = 1,
  STATE_BURN_IN = 2,
  STATE_NORMAL_RUN = 3,
  STATE_SIMULATION = 4,
  STATE_PRE_POINT_OF_SALE = 5,
  STATE_POINT_OF_SALE = 6,
  STATE_DIAGNOSTIC = 7,
  STATE_PC_CONNECT = 8,
  STATE_INLINE_TEST = 9,
  STATE_SPECIAL_IN_HOUSE = 10,
  STATE_PLAYBACK = 11,
  STATE_UPDATING_CODE = 12,
};
