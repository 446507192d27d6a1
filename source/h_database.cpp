// The settings database: table of 512 buckets, fetches, the write rule,
// iteration and the unit helpers. Registrations and notices are in
// h_database_notify.cpp.
#include "source/h_database.h"

#include <string.h>

#include "source/h_database_int.h"
#include "source/model.h"
#include "source/platform/host/host.h"

static DATABASE_LIST_NODE* s_pDataBase[H_DATABASE_BUCKETS];

// ------------------------------------------------------------ lock, clock, table

void H_DATABASE_vLock(void) { (void)L_MUTEX_LockWait(RES_DATABASE); }

void H_DATABASE_vUnlock(void) { (void)L_MUTEX_Unlock(RES_DATABASE); }

time_t H_DATABASE_tNow(void) { return (time_t)(HOST_u64MonotonicNs() / 1000000000ull); }

BOOLEAN H_DATABASE_bIsValid(const DATABASE_ELEMENT* pElement) {
  // The clock is read only for values that can time out.
  U32 timeout = pElement->ExtraData.u32TimeOut;
  if (timeout == DB_NO_TIMEOUT) return TRUE;
  U32 age = (U32)H_DATABASE_tNow() - (U32)pElement->TimeStamp;
  return age < timeout ? TRUE : FALSE;
}

U32 H_DATABASE_u32Bucket(FOURCHARID key) { return (key ^ (key >> 10) ^ (key >> 5)) & (H_DATABASE_BUCKETS - 1); }

DATABASE_LIST_NODE* H_DATABASE_pBucketHead(U32 index) {
  return index < H_DATABASE_BUCKETS ? s_pDataBase[index] : nullptr;
}

DATABASE_LIST_NODE* H_DATABASE_pFind(FOURCHARID key) {
  for (DATABASE_LIST_NODE* p = s_pDataBase[H_DATABASE_u32Bucket(key)]; p != nullptr; p = p->pNext) {
    if (p->Element.Id == key) return p;
  }
  return nullptr;
}

DATABASE_LIST_NODE* H_DATABASE_pFindOrCreate(FOURCHARID key) {
  DATABASE_LIST_NODE** ppLink = &s_pDataBase[H_DATABASE_u32Bucket(key)];
  while (*ppLink != nullptr) {
    if ((*ppLink)->Element.Id == key) return *ppLink;
    ppLink = &(*ppLink)->pNext;
  }
  DATABASE_LIST_NODE* pNode = (DATABASE_LIST_NODE*)H_MEMORY_pvMalloc(sizeof(DATABASE_LIST_NODE));
  if (pNode == nullptr) return nullptr;
  memset((void*)pNode, 0, sizeof(*pNode));
  DATABASE_ELEMENT* e = &pNode->Element;
  e->Id = key;
  e->dbValue.RawData = 0;
  e->ExtraData.DataType = D_UNKNOWN;
  e->ExtraData.ppcText = nullptr;
  e->ExtraData.u32TimeOut = DB_NO_TIMEOUT;
  e->TimeStamp = H_DATABASE_tNow();
  e->u32Priority = P_UNOWNED;
  e->mboxOwner = 0;
  e->pMboxList = nullptr;
  e->Condition.bChanged = FALSE;
  e->Condition.bUpdated = FALSE;
  e->Condition.bInvalid = TRUE;
  e->bCreated = FALSE;
  pNode->pNext = nullptr;
  *ppLink = pNode;
  return pNode;
}

void H_DATABASE_vInit(void) {
  // Normally called once before any task runs, on an empty table. A later
  // call (tests, a restart of the platform) gives every block back first.
  H_DATABASE_vLock();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    DATABASE_LIST_NODE* p = s_pDataBase[i];
    s_pDataBase[i] = nullptr;
    while (p != nullptr) {
      DATABASE_LIST_NODE* pNext = p->pNext;
      H_DATABASE_vFreeRegistrations(&p->Element);
      H_MEMORY_vFree(p);
      p = pNext;
    }
  }
  H_DATABASE_vUnlock();
}

// ------------------------------------------------------------ fetches

// Under the lock: the element of a key that holds a value, or null.
static DATABASE_ELEMENT* s_pHolding(FOURCHARID key) {
  DATABASE_LIST_NODE* p = H_DATABASE_pFind(key);
  return (p != nullptr && p->Element.bCreated) ? &p->Element : nullptr;
}

BOOLEAN H_DATABASE_bFetch(FOURCHARID key, DB_DATA_TYPE* pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  H_DATABASE_vLock();
  DATABASE_ELEMENT* e = s_pHolding(key);
  if (e == nullptr) {
    H_DATABASE_vUnlock();
    if (pbValid != nullptr) *pbValid = FALSE;
    return FALSE;
  }
  if (pData != nullptr) *pData = e->dbValue;
  if (pbValid != nullptr) *pbValid = H_DATABASE_bIsValid(e);
  if (pAttributes != nullptr) *pAttributes = e->ExtraData;
  H_DATABASE_vUnlock();
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchU32(FOURCHARID key, U32* pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  DB_DATA_TYPE d;
  if (!H_DATABASE_bFetch(key, &d, pbValid, pAttributes)) return FALSE;
  if (pData != nullptr) *pData = d.u32Val;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchS32(FOURCHARID key, S32* pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  DB_DATA_TYPE d;
  if (!H_DATABASE_bFetch(key, &d, pbValid, pAttributes)) return FALSE;
  if (pData != nullptr) *pData = d.s32Val;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchFloat(FOURCHARID key, F32* pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  DB_DATA_TYPE d;
  if (!H_DATABASE_bFetch(key, &d, pbValid, pAttributes)) return FALSE;
  if (pData != nullptr) *pData = d.fVal;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchVoidPointer(FOURCHARID key, void** pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  DB_DATA_TYPE d;
  if (!H_DATABASE_bFetch(key, &d, pbValid, pAttributes)) return FALSE;
  if (pData != nullptr) *pData = d.vpPointer;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchBoolean(FOURCHARID key, BOOLEAN* pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  DB_DATA_TYPE d;
  if (!H_DATABASE_bFetch(key, &d, pbValid, pAttributes)) return FALSE;
  if (pData != nullptr) *pData = (BOOLEAN)(d.u32Val & 0xFF);
  return TRUE;
}

// ------------------------------------------------------------ the write rule

// Under the lock: steps 2 and 3 of the write rule. TRUE when accepted.
static BOOLEAN s_bApplyWrite(DATABASE_ELEMENT* e, DB_DATA_TYPE value, U32 priority, time_t now) {
  BOOLEAN bAccept = FALSE;
  if (priority <= e->u32Priority) bAccept = TRUE;
  if (e->ExtraData.u32TimeOut != DB_NO_TIMEOUT && (U32)now - (U32)e->TimeStamp >= e->ExtraData.u32TimeOut) {
    bAccept = TRUE;
  }
  if (!e->bCreated) bAccept = TRUE;
  if (!bAccept) return FALSE;

  e->u32Priority = priority;
  e->TimeStamp = now;
  e->Condition.bUpdated = TRUE;
  e->Condition.bChanged = (e->Condition.bInvalid || e->dbValue.RawData != value.RawData) ? TRUE : FALSE;
  e->dbValue = value;
  e->Condition.bInvalid = FALSE;
  e->bCreated = TRUE;
  return TRUE;
}

static BOOLEAN s_bHasNoAttributes(const DATABASE_ELEMENT* e) {
  return (e->ExtraData.DataType == D_UNKNOWN && e->ExtraData.ppcText == nullptr &&
          e->ExtraData.u32TimeOut == DB_NO_TIMEOUT)
             ? TRUE
             : FALSE;
}

// The whole update: find or create, write rule, attributes (when bSetAttributes),
// notices, result.
static BOOLEAN s_bUpdate(FOURCHARID key, DB_DATA_TYPE value, U32 priority, MBOX mboxExcept, BOOLEAN bSetAttributes,
                         DATA_TYPE type, DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* pNode = H_DATABASE_pFind(key);
  if (pNode == nullptr) {
    pNode = H_DATABASE_pFindOrCreate(key);
    if (pNode == nullptr) {
      H_DATABASE_vUnlock();
      log_me("Database: no memory for key %.4s", (const char*)&key);
      return TRUE;
    }
    if (bSetAttributes) {
      pNode->Element.ExtraData.DataType = type;
      pNode->Element.ExtraData.ppcText = ppcText;
      pNode->Element.ExtraData.u32TimeOut = u32TimeOut;
    }
  }
  DATABASE_ELEMENT* e = &pNode->Element;
  BOOLEAN bAccepted = s_bApplyWrite(e, value, priority, H_DATABASE_tNow());
  if (bSetAttributes) {
    if (bAccepted || s_bHasNoAttributes(e)) {
      e->ExtraData.DataType = type;
      e->ExtraData.ppcText = ppcText;
      if (u32TimeOut != 0) e->ExtraData.u32TimeOut = u32TimeOut;
    }
  }
  if (bAccepted) H_DATABASE_vNotify(e, mboxExcept);
  e->Condition.bChanged = FALSE;
  e->Condition.bUpdated = FALSE;
  BOOLEAN bDiffers = (e->dbValue.RawData != value.RawData) ? TRUE : FALSE;
  H_DATABASE_vUnlock();
  return bDiffers;
}

BOOLEAN H_DATABASE_bUpdateValue(FOURCHARID key, DB_DATA_TYPE value, U32 priority) {
  return s_bUpdate(key, value, priority, 0, FALSE, D_UNKNOWN, nullptr, 0);
}
BOOLEAN H_DATABASE_bUpdateValueU32(FOURCHARID key, U32 value, U32 priority) {
  return H_DATABASE_bUpdateValue(key, DB_dataU32(value), priority);
}
BOOLEAN H_DATABASE_bUpdateValueS32(FOURCHARID key, S32 value, U32 priority) {
  return H_DATABASE_bUpdateValue(key, DB_dataS32(value), priority);
}
BOOLEAN H_DATABASE_bUpdateValueFloat(FOURCHARID key, F32 value, U32 priority) {
  return H_DATABASE_bUpdateValue(key, DB_dataFloat(value), priority);
}
BOOLEAN H_DATABASE_bUpdateValueBoolean(FOURCHARID key, BOOLEAN value, U32 priority) {
  return H_DATABASE_bUpdateValue(key, DB_dataU32(value ? 1u : 0u), priority);
}
BOOLEAN H_DATABASE_bUpdateValueVoidPointer(FOURCHARID key, void* value, U32 priority) {
  return H_DATABASE_bUpdateValue(key, DB_dataPointer(value), priority);
}
BOOLEAN H_DATABASE_bUpdateValueU32Except(FOURCHARID key, U32 value, U32 priority, MBOX mboxExcept) {
  return s_bUpdate(key, DB_dataU32(value), priority, mboxExcept, FALSE, D_UNKNOWN, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateEverything(FOURCHARID key, DB_DATA_TYPE value, U32 priority, DATA_TYPE type,
                                     DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  return s_bUpdate(key, value, priority, 0, TRUE, type, ppcText, u32TimeOut);
}
BOOLEAN H_DATABASE_bUpdateEverythingU32(FOURCHARID key, U32 value, U32 priority, DATA_TYPE type,
                                        DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  return H_DATABASE_bUpdateEverything(key, DB_dataU32(value), priority, type, ppcText, u32TimeOut);
}
BOOLEAN H_DATABASE_bUpdateEverythingS32(FOURCHARID key, S32 value, U32 priority, DATA_TYPE type,
                                        DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  return H_DATABASE_bUpdateEverything(key, DB_dataS32(value), priority, type, ppcText, u32TimeOut);
}
BOOLEAN H_DATABASE_bUpdateEverythingFloat(FOURCHARID key, F32 value, U32 priority, DATA_TYPE type,
                                          DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  return H_DATABASE_bUpdateEverything(key, DB_dataFloat(value), priority, type, ppcText, u32TimeOut);
}
BOOLEAN H_DATABASE_bUpdateEverythingBoolean(FOURCHARID key, BOOLEAN value, U32 priority, DATA_TYPE type,
                                            DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  return H_DATABASE_bUpdateEverything(key, DB_dataU32(value ? 1u : 0u), priority, type, ppcText, u32TimeOut);
}
BOOLEAN H_DATABASE_bUpdateEverythingVoidPointer(FOURCHARID key, void* value, U32 priority, DATA_TYPE type,
                                                DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  return H_DATABASE_bUpdateEverything(key, DB_dataPointer(value), priority, type, ppcText, u32TimeOut);
}

void H_DATABASE_vReadOrSetDefault(FOURCHARID key, DB_DATA_TYPE* pValue, U32 priority,
                                  const DB_ATTRIBUTES* pAttributes) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* pNode = H_DATABASE_pFindOrCreate(key);
  if (pNode == nullptr) {
    H_DATABASE_vUnlock();
    log_me("Database: no memory for key %.4s", (const char*)&key);
    return;
  }
  DATABASE_ELEMENT* e = &pNode->Element;
  if (e->bCreated) {
    *pValue = e->dbValue;
  } else {
    (void)s_bApplyWrite(e, *pValue, priority, H_DATABASE_tNow());
    e->Condition.bChanged = FALSE;
    e->Condition.bUpdated = FALSE;
  }
  // A time-out of 0 keeps the stored one, as in every other attribute write.
  e->ExtraData.DataType = pAttributes->DataType;
  e->ExtraData.ppcText = pAttributes->ppcText;
  if (pAttributes->u32TimeOut != 0) e->ExtraData.u32TimeOut = pAttributes->u32TimeOut;
  H_DATABASE_vUnlock();
}

void H_DATABASE_vDeleteEntry(FOURCHARID key) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* p = H_DATABASE_pFind(key);
  if (p != nullptr) p->Element.bCreated = FALSE;
  H_DATABASE_vUnlock();
}

// ------------------------------------------------------------ iteration

BOOLEAN H_DATABASE_bFetchNextBeginningWith(MULTI_FETCH_CONTROL_STRUCTURE* c) {
  if (!c->__bNotFirst) {
    if (c->cMatch < 'A' || c->cMatch > 'Z') return FALSE;
    c->__cMatch = c->cMatch;
    c->__index = 0;
    c->__pItem = nullptr;
    c->__bNotFirst = TRUE;
  }
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* p = (c->__pItem != nullptr) ? c->__pItem->pNext : H_DATABASE_pBucketHead(c->__index);
  for (;;) {
    while (p == nullptr) {
      if (c->__index + 1 >= H_DATABASE_BUCKETS) {
        c->__index = H_DATABASE_BUCKETS;
        c->__pItem = nullptr;
        H_DATABASE_vUnlock();
        return FALSE;
      }
      c->__index++;
      p = H_DATABASE_pBucketHead(c->__index);
    }
    if ((U8)(p->Element.Id & 0xFF) == c->__cMatch && p->Element.bCreated) break;
    p = p->pNext;
  }
  c->id = p->Element.Id;
  c->data = p->Element.dbValue;
  c->extras = p->Element.ExtraData;
  c->bValid = H_DATABASE_bIsValid(&p->Element);
  c->__pItem = p;
  H_DATABASE_vUnlock();
  return TRUE;
}

// ------------------------------------------------------------ data formats and units

DATA_FORMAT H_DATABASE_DataType(DATA_TYPE type) {
  switch (type) {
    case D_UNKNOWN:
    case D_DATETIME:
    case D_TIME:
    case D_LONG_TIME:
    case D_MAILBOX:
    case D_FCID:
    case D_SAT_DATA:
      return DF_UNSIGNED32;
    case D_UNITS:
      return DF_ENUMERATED;
    case D_POINTER:
      return DF_VOID_POINTER;
    case D_TEMPERATURE:
    case D_SPEED:
    case D_DISTANCE:
    case D_HEADING:
    case D_DEPTH:
    case D_PRESSURE:
    case D_VOLUME:
    case D_PH:
    case D_CONCENTRATION:
    case D_VOLTAGE:
    case D_CURRENT:
    case D_POSITION_LAT:
    case D_POSITION_LON:
    case D_ALTITUDE:
    case D_FLOAT:
    case D_TEMPERATURE_OFFSET:
      return DF_FLOAT;
    case D_POSITION_LAT_MM:
    case D_POSITION_LON_MM:
    case D_PERCENT:
    case D_SIGNED32:
    case D_ELEVATION_ANGLE:
      return DF_SIGNED32;
    default:
      break;
  }
  FATAL_ERROR("Invalid data type");
  return DF_ERROR;
}

// The key holding the display unit of a value kind, 0 for kinds without one.
static FOURCHARID s_UnitsKey(DATA_TYPE type) {
  switch (type) {
    case D_TEMPERATURE:
    case D_TEMPERATURE_OFFSET:
      return FCID("SUTE");
    case D_SPEED:
      return FCID("SUSP");
    case D_DISTANCE:
      return FCID("SUDS");
    case D_HEADING:
      return FCID("SUHD");
    case D_DEPTH:
      return FCID("YUDP");
    case D_PRESSURE:
      return FCID("SUPR");
    case D_ALTITUDE:
      return FCID("SUAT");
    default:
      return 0;
  }
}

UNIT_TYPE H_DATABASE_CurrentUnits(DATA_TYPE type) {
  FOURCHARID key = s_UnitsKey(type);
  if (key == 0) return U_NONE;
  U32 units = U_NONE;
  if (!H_DATABASE_bFetchU32(key, &units)) return U_NONE;
  // A unit key holds whatever was restored from the files; a number that is
  // not a display unit would end the program at the next label look-up.
  if (units >= (U32)NUMBER_OF_UNIT_TYPES || units == (U32)U_MINUTES) {
    log_me("Database: key %.4s holds %u, not a display unit", (const char*)&key, (unsigned)units);
    return U_NONE;
  }
  return (UNIT_TYPE)units;
}

// Unit labels; every language shows the English label until the
// translations are supplied. The degree sign is 0xBA of the unit's code page.
static const char* const s_pcUnitLabels[NUMBER_OF_UNIT_TYPES] = {
    "",              // U_NONE
    "",              // U_MPS
    "sm",            // U_STAT_MILES
    "",              // U_NAUT_MILES
    "km",            // U_KM
    "kts",           // U_KNOTS
    "mph",           // U_MPH
    "kph",           // U_KPH
    "",              // U_LATLON
    "",              // U_INCH
    "m",             // U_METRES
    "ft",            // U_FEET
    "fthm",          // U_FATHOMS
    "seconds",       // U_SECONDS
    nullptr,         // U_MINUTES: no label
    "In.Hg",         // U_INCHESHG
    "mmHg",          // U_MMHG
    "mb",            // U_MILLIBAR
    "U.S. Gallons",  // U_HECTOPASCALS shares the gallons record
    "U.S. Gallons",  // U_USGALLONS
    "U.S. Gallons",  // U_UKGALLONS shares the gallons record
    "Liters",        // U_LITRES
    "",              // U_M3
    "",              // U_PPMO2
    "",              // U_MOLPERM3
    "V",             // U_VOLTS
    "",              // U_AMPERES
    "",              // U_MILLIAMPERES
    "\xBA" "C",      // U_CELSIUS
    "\xBA" "F",      // U_FAHRENHEIT
    "\xBA" "t",      // U_DEG_TRUE
    "\xBA" "m",      // U_DEG_MAGNETIC
    "nm",            // U_NAUT_MILES_FT
    "nm",            // U_NAUT_MILES_M
    "\xBA",          // U_DEG_GEOMETRIC
    "PSI",           // U_PSI
    "kpa",           // U_KPA
};

const char* H_DATABASE_pcUnitsString(UNIT_TYPE units, U32 language) {
  (void)language;
  if ((U32)units >= (U32)NUMBER_OF_UNIT_TYPES || s_pcUnitLabels[units] == nullptr) {
    FATAL_ERROR("Unknown units");
    return "";
  }
  return s_pcUnitLabels[units];
}

void H_DATABASE_vCheckForValidUnits(FOURCHARID unitsKey, const U32* pAllowed, U8 u8Count, UNIT_TYPE eDefault) {
  if (!MODEL_bDomesticModel()) return;
  U32 value = 0;
  (void)H_DATABASE_bFetchU32(unitsKey, &value);
  for (U8 i = 0; i < u8Count; i++) {
    if (pAllowed[i] == value) return;
  }
  (void)H_DATABASE_bUpdateValue(unitsKey, DB_dataU32((U32)eDefault), P_NORMAL);
}
