// Typed serialisation of message bodies: constant descriptors (G_DATA_TYPE)
// that name a value's encoding, unit, version, size and members, the
// standard operations that walk any descriptor tree, and conversion between
// physical units.
//
// Wire form: every value in the unit's byte order (little-endian), nothing
// padded; a structure starts with its 4-byte version word. A pointer slot and
// a void pointer are always 4 bytes on the wire. In memory, sizes and
// alignments follow this machine (a pointer member takes a pointer's room).
//
// Decoding never reads past the room it is given, and every count and length
// read from the wire is checked against the bytes left before anything is
// allocated (DATATYPE_ERR_SHORT_INPUT, DATATYPE_ERR_TOO_LARGE).
#pragma once

#include "common/types.h"

struct G_DATA_TYPE;

enum G_DATA_FORMAT : S32 {
  G_DF_UNDEFINED = 0,
  G_DF_UNSIGNED64 = 1,
  G_DF_SIGNED64 = 2,
  G_DF_DOUBLE = 3,
  G_DF_UNSIGNED32 = 4,
  G_DF_SIGNED32 = 5,
  G_DF_ENUM = 6,
  G_DF_FLOAT = 7,
  G_DF_VOID_POINTER = 8,
  G_DF_BOOLEAN = 9,
  G_DF_UNSIGNED16 = 10,
  G_DF_SIGNED16 = 11,
  G_DF_UNSIGNED8 = 12,
  G_DF_SIGNED8 = 13,
  G_DF_STRING = 14,
  G_DF_WSTRING = 15,
  G_DF_BUFFER = 16,
  G_DF_OPAQUE = 17,
  G_DF_EXCLUDED = 18,
  G_DF_FIXED_ARRAY = 19,
  G_DF_DYNAMIC_ARRAY = 20,
  G_DF_NULL_TERM_PTR_ARRAY = 21,
  G_DF_POINTER_TO_TYPE = 22,
  G_DF_STRUCT = 23,
  G_DF_CUSTOM = 24,
};
constexpr S32 G_DATA_FORMAT_COUNT = 25;

enum G_DATA_UNIT : S32 {
  G_DU_NONE, G_DU_METERS, G_DU_STAT_MILES, G_DU_NAUT_MILES, G_DU_KM, G_DU_INCH, G_DU_FEET, G_DU_FATHOMS,
  G_DU_MPS, G_DU_KNOTS, G_DU_MPH, G_DU_KPH, G_DU_SECONDS, G_DU_MINUTES, G_DU_HOURS, G_DU_DAYS,
  G_DU_HECTOPASCALS, G_DU_MILLIBAR, G_DU_INCHESHG, G_DU_MMHG, G_DU_M3, G_DU_LITERS, G_DU_USGALLONS,
  G_DU_UKGALLONS, G_DU_VOLTS, G_DU_AMPERES, G_DU_MILLIAMPERES, G_DU_CELSIUS, G_DU_FAHRENHEIT,
  G_DU_DEG_TRUE, G_DU_DEG_PER_MINUTE, G_DU_DEG_LATITUDE, G_DU_DEG_LONGITUDE,
  G_DU_COUNT
};

enum G_DATA_DIMENSION : S32 {
  G_DD_SCALAR, G_DD_DISTANCE_DEPTH_ALTITUDE, G_DD_SPEED, G_DD_TIME, G_DD_PRESSURE, G_DD_VOLUME,
  G_DD_POTENTIAL, G_DD_CURRENT, G_DD_TEMPERATURE, G_DD_HEADING, G_DD_RATEOFTURN, G_DD_LATITUDE,
  G_DD_LONGITUDE
};

enum ALIGN_TYPE : S32 { ALIGN_MEMORY = 0, ALIGN_STRUCT = 1 };

// Results: a byte count (0 or more) or one of these.
constexpr S32 DATATYPE_ERR_LENGTH = -1;         // written count differs from the computed length
constexpr S32 DATATYPE_ERR_VERSION = -2;        // unknown structure version on the wire
constexpr S32 DATATYPE_ERR_ALLOC = -3;          // an allocation failed
constexpr S32 DATATYPE_ERR_FORMAT = -4;         // format the operation cannot handle
constexpr S32 DATATYPE_ERR_XML_WRITE = -6;
constexpr S32 DATATYPE_ERR_XML_READ = -7;
constexpr S32 DATATYPE_ERR_ALIGN = -8;          // value's address not aligned for its descriptor
constexpr S32 DATATYPE_ERR_ROOM = -10;          // output room below the serialised length
constexpr S32 DATATYPE_ERR_SHORT_INPUT = -11;   // input ends before the value does
constexpr S32 DATATYPE_ERR_TOO_LARGE = -12;     // a count or size on the wire cannot be honoured

// Largest block decoding allocates for one value (bounds hostile counts).
constexpr U32 DATATYPE_MAX_DECODED_BLOCK = 512 * 1024;

typedef S32 (*DATA_SERIALIZE_FP)(const void* pValue, U8** ppOut, S32* pnRoom, S32* pnCount,
                                 const G_DATA_TYPE* pType);
typedef S32 (*DATA_DESERIALIZE_FP)(void** ppValue, const U8* pIn, S32* pnRoom, S32* pnCount,
                                   const G_DATA_TYPE* pType);
typedef S32 (*DATA_LENGTH_FP)(const void* pValue, const G_DATA_TYPE* pType);
typedef S32 (*DATA_DEALLOCATE_FP)(void* pValue, BOOLEAN bAllocated, const G_DATA_TYPE* pType);
typedef S32 (*DATA_ALIGNMENT_FP)(ALIGN_TYPE eAlign, const G_DATA_TYPE* pType);
typedef S32 (*DATA_XML_WRITE_FP)(const void* pValue, char* pcOut, S32 nRoom, const G_DATA_TYPE* pType);
typedef S32 (*DATA_XML_READ_FP)(void* pValue, const char* pcIn, S32 nRoom, const G_DATA_TYPE* pType);
typedef S32 (*DATA_VERSION_CONVERT_FP)(void* pCurrent, const void* pOlder, const G_DATA_TYPE* pCurrentType,
                                       const G_DATA_TYPE* pOlderType);

struct G_DATA_TYPE {
  const char* pTypeId;
  G_DATA_FORMAT eDataFormat;
  G_DATA_UNIT eDataUnit;
  S32 nVersion;
  const G_DATA_TYPE* pPreviousVersionType;
  DATA_VERSION_CONVERT_FP pfVersionConvert;
  S32 nSizeofType;
  S32 nAlignment;
  DATA_SERIALIZE_FP pfSerialize;
  DATA_DESERIALIZE_FP pfDeserialize;
  DATA_LENGTH_FP pfLength;
  DATA_DEALLOCATE_FP pfDeallocate;
  DATA_ALIGNMENT_FP pfAlignment;
  DATA_XML_WRITE_FP pfXmlWrite;
  DATA_XML_READ_FP pfXmlRead;
  const char* const* pcXmlNames;
  const G_DATA_TYPE* const* DataTypes;  // members (ended by none) or the one element
};

// In-memory forms of the composite formats.
struct C_BUFFER {
  S32 nSize;
  U8* pData;
};
struct DYNAMIC_ARRAY {
  S32 nMembers;
  void* pData;
};

// Bodies of the remote settings-database messages (D_GMSG_DATABASE_*):
// the data's name, and for an update or a notice the value serialised by
// its own descriptor.
struct GMSG_DATABASE_FETCH {
  char* pDataId;
};
struct GMSG_DATABASE_REGISTER {
  char* pDataId;
  U32 u32ConditionFlags;  // bit 0 changed, bit 1 invalid, bit 2 updated
};
struct GMSG_DATABASE_UNREGISTER {
  char* pDataId;
};
struct GMSG_DATABASE_UPDATE {
  char* pDataId;
  C_BUFFER Buffer;
};
struct GMSG_DATABASE_NEW_DATA {
  char* pDataId;
  U32 bValid;
  C_BUFFER Buffer;
};

// Standard operations. The output/input position is *ppOut / pIn plus the
// running count; room is what is left after it. A null output allocates a
// buffer of exactly the serialised length (freed with H_MEMORY_vFree).
// A string member held in place in a structure (G_DF_STRING member) decodes
// whole when it is the last member of a structure the decoder allocates: the
// block is enlarged by the string's length plus one, and *ppValue may move.
// Elsewhere (the caller's block, or members after it) it must fit the
// member's own room, else DATATYPE_ERR_TOO_LARGE.
S32 DATATYPE_nStandardSerializer(const void* pValue, U8** ppOut, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* pType);
S32 DATATYPE_nStandardDeserializer(void** ppValue, const U8* pIn, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* pType);
S32 DATATYPE_nStandardSerializedLength(const void* pValue, const G_DATA_TYPE* pType);
S32 DATATYPE_nStandardDeallocator(void* pValue, BOOLEAN bAllocated, const G_DATA_TYPE* pType);
S32 DATATYPE_nStandardAlignment(ALIGN_TYPE eAlign, const G_DATA_TYPE* pType);
S32 DATATYPE_nStandardXmlWriter(const void* pValue, char* pcOut, S32 nRoom, const G_DATA_TYPE* pType);
S32 DATATYPE_nStandardXmlReader(void* pValue, const char* pcIn, S32 nRoom, const G_DATA_TYPE* pType);

// Unit conversion.
F64 DATATYPE_dConvertDataToUnit(F64 dValue, const G_DATA_TYPE* pType, G_DATA_UNIT eUnit);
F64 DATATYPE_dConvertUnitToData(F64 dValue, G_DATA_UNIT eUnit, const G_DATA_TYPE* pType);
F64 DATATYPE_dConvertUnitToUnit(F64 dValue, G_DATA_UNIT eFrom, G_DATA_UNIT eTo);
BOOLEAN DATATYPE_bCompatibleTypes(const G_DATA_TYPE* pA, const G_DATA_TYPE* pB);

// The platform's descriptors.
extern const G_DATA_TYPE DT_DEFAULT;
extern const G_DATA_TYPE DT_UNSIGNED64, DT_UNSIGNED32, DT_UNSIGNED16, DT_UNSIGNED8;
extern const G_DATA_TYPE DT_SIGNED64, DT_SIGNED32, DT_SIGNED16, DT_SIGNED8;
extern const G_DATA_TYPE DT_DOUBLE, DT_FLOAT, DT_POINTER, DT_BOOLEAN, DT_STRING, DT_WSTRING, DT_BUFFER;
extern const G_DATA_TYPE DT_PTR_TO_UNSIGNED64, DT_PTR_TO_UNSIGNED32, DT_PTR_TO_UNSIGNED16, DT_PTR_TO_UNSIGNED8;
extern const G_DATA_TYPE DT_PTR_TO_SIGNED64, DT_PTR_TO_SIGNED32, DT_PTR_TO_SIGNED16, DT_PTR_TO_SIGNED8;
extern const G_DATA_TYPE DT_PTR_TO_DOUBLE, DT_PTR_TO_FLOAT, DT_PTR_TO_POINTER, DT_PTR_TO_BOOLEAN;
extern const G_DATA_TYPE DT_PTR_TO_STRING, DT_PTR_TO_WSTRING, DT_PTR_TO_BUFFER;
extern const G_DATA_TYPE DT_DISTANCE, DT_DEPTH, DT_ALTITUDE, DT_SPEED, DT_TIME, DT_PRESSURE, DT_VOLUME;
extern const G_DATA_TYPE DT_POTENTIAL, DT_CURRENT, DT_TEMPERATURE, DT_HEADING, DT_MAGVAR, DT_RATEOFTURN;
extern const G_DATA_TYPE DT_LATITUDE, DT_LONGITUDE, DT_DATETIME;
extern const G_DATA_TYPE DT_GMSG_STATUS, DT_GSOCKET_ADDRESS, DT_GMSG_ADDRESS;
extern const G_DATA_TYPE D_GMSG_DATABASE_FETCH, D_GMSG_DATABASE_REGISTER, D_GMSG_DATABASE_UNREGISTER;
extern const G_DATA_TYPE D_GMSG_DATABASE_UPDATE, D_GMSG_DATABASE_NEW_DATA;
extern const G_DATA_TYPE DT_ARRAY_U8, DT_CMD_ID, DT_DATASTR;

// Initialiser of an ordinary descriptor with the standard operations.
#define G_DATA_TYPE_STANDARD(name, format, unit, version, size, align, members)                           \
  {name, format, unit, version, nullptr, nullptr, size, align, &DATATYPE_nStandardSerializer,            \
   &DATATYPE_nStandardDeserializer, &DATATYPE_nStandardSerializedLength, &DATATYPE_nStandardDeallocator, \
   &DATATYPE_nStandardAlignment, &DATATYPE_nStandardXmlWriter, &DATATYPE_nStandardXmlReader, nullptr, members}
