// The settings database: table of 512 buckets, fetches, the write rule,
// iteration and the unit helpers. Registrations and notices are in
// h_database_notify.cpp. The locking scheme is described in
// h_database_int.h.
#include "source/core/h_database.h"

#include <string.h>

#include <atomic>

#include "source/core/h_database_int.h"
#include "source/core/model.h"
#include "source/platform/platform.h"

static DATABASE_LIST_NODE* s_pDataBase[H_DATABASE_BUCKETS];

// Change count of each bucket: odd while an element of the bucket changes.
static std::atomic<U32> s_au32Changes[H_DATABASE_BUCKETS];

// Fields that fetches read without the lock are read and written through
// these (plain loads and stores on the processors the unit runs on).
template <typename T>
static inline T s_Read(const T& field) {
  static_assert(std::atomic_ref<T>::is_always_lock_free);
  return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_acquire);
}
template <typename T>
static inline void s_Write(T& field, T value) {
  std::atomic_ref<T>(field).store(value, std::memory_order_release);
}

// ------------------------------------------------------------ lock, clock, memory

BOOLEAN H_DATABASE_bLock(void) { return L_MUTEX_LockWait(RES_DATABASE) == lsSUCCESS ? TRUE : FALSE; }

void H_DATABASE_vLock(void) { (void)H_DATABASE_bLock(); }

void H_DATABASE_vUnlock(void) { (void)L_MUTEX_Unlock(RES_DATABASE); }

time_t H_DATABASE_tNow(void) { return (time_t)(PLATFORM_u64MonotonicNs() / 1000000000ull); }

static void s_vPushBlock(H_DATABASE_BLOCKS* b, void* pBlock) {
  memcpy(pBlock, &b->pFirst, sizeof(void*));
  b->pFirst = pBlock;
  b->u32Count++;
}

void* H_DATABASE_pvTakeBlock(H_DATABASE_BLOCKS* b) {
  void* pBlock = b->pFirst;
  if (pBlock == nullptr) return nullptr;
  memcpy(&b->pFirst, pBlock, sizeof(void*));
  b->u32Count--;
  return pBlock;
}

void H_DATABASE_vFreeBlocks(H_DATABASE_BLOCKS* b) {
  while (void* pBlock = H_DATABASE_pvTakeBlock(b)) H_MEMORY_vFree(pBlock);
}

BOOLEAN H_DATABASE_bGetBlocks(H_DATABASE_BLOCKS* b, U32 u32Wanted, BOOLEAN bOutermost) {
  while (b->u32Count < u32Wanted) {
    void* pBlock = H_MEMORY_pvMallocNoWait(b->u32Size);
    if (pBlock == nullptr) break;
    s_vPushBlock(b, pBlock);
  }
  if (b->u32Count >= u32Wanted || !bOutermost) return TRUE;
  // The partitions are dry. Whoever gives a block back may need the
  // database first (a receiver that reads it before disposing of its
  // notice), so wait without the lock.
  H_DATABASE_vUnlock();
  while (b->u32Count < u32Wanted) s_vPushBlock(b, H_MEMORY_pvMalloc(b->u32Size));
  (void)H_DATABASE_bLock();
  return FALSE;
}

// ------------------------------------------------------------ table

U32 H_DATABASE_u32Bucket(FOURCHARID key) { return (key ^ (key >> 10) ^ (key >> 5)) & (H_DATABASE_BUCKETS - 1); }

DATABASE_LIST_NODE* H_DATABASE_pBucketHead(U32 index) {
  return index < H_DATABASE_BUCKETS ? s_Read(s_pDataBase[index]) : nullptr;
}

DATABASE_LIST_NODE* H_DATABASE_pNext(const DATABASE_LIST_NODE* pNode) { return s_Read(pNode->pNext); }

DATABASE_LIST_NODE* H_DATABASE_pFind(FOURCHARID key) {
  // A node's key is set before the node is linked and never changes.
  for (DATABASE_LIST_NODE* p = s_Read(s_pDataBase[H_DATABASE_u32Bucket(key)]); p != nullptr; p = s_Read(p->pNext)) {
    if (p->Element.Id == key) return p;
  }
  return nullptr;
}

// Under the lock: a new element (without value) in the block, linked at the
// end of its bucket's chain.
static DATABASE_LIST_NODE* s_pLinkNew(FOURCHARID key, void* pBlock, const DB_ATTRIBUTES* pAttributes) {
  DATABASE_LIST_NODE* pNode = (DATABASE_LIST_NODE*)pBlock;
  memset((void*)pNode, 0, sizeof(*pNode));
  DATABASE_ELEMENT* e = &pNode->Element;
  e->Id = key;
  e->dbValue.RawData = 0;
  if (pAttributes != nullptr) {
    e->ExtraData = *pAttributes;
  } else {
    e->ExtraData.DataType = D_UNKNOWN;
    e->ExtraData.ppcText = nullptr;
    e->ExtraData.u32TimeOut = DB_NO_TIMEOUT;
  }
  e->TimeStamp = H_DATABASE_tNow();
  e->u32Priority = P_UNOWNED;
  e->mboxOwner = 0;
  e->pMboxList = nullptr;
  e->Condition.bChanged = FALSE;
  e->Condition.bUpdated = FALSE;
  e->Condition.bInvalid = TRUE;
  e->bCreated = FALSE;
  pNode->pNext = nullptr;
  DATABASE_LIST_NODE** ppLink = &s_pDataBase[H_DATABASE_u32Bucket(key)];
  while (*ppLink != nullptr) ppLink = &(*ppLink)->pNext;
  s_Write(*ppLink, pNode);  // published whole
  return pNode;
}

DATABASE_LIST_NODE* H_DATABASE_pFindOrCreate(FOURCHARID key, BOOLEAN bOutermost, const DB_ATTRIBUTES* pAttributes,
                                             BOOLEAN* pbLetGo) {
  H_DATABASE_BLOCKS spare = {nullptr, 0, sizeof(DATABASE_LIST_NODE)};
  DATABASE_LIST_NODE* pNode = nullptr;
  for (;;) {
    pNode = H_DATABASE_pFind(key);
    if (pNode != nullptr) break;
    if (!H_DATABASE_bGetBlocks(&spare, 1, bOutermost)) {
      if (pbLetGo != nullptr) *pbLetGo = TRUE;
      continue;  // someone may have made it meanwhile
    }
    void* pBlock = H_DATABASE_pvTakeBlock(&spare);
    if (pBlock != nullptr) pNode = s_pLinkNew(key, pBlock, pAttributes);
    break;
  }
  H_DATABASE_vFreeBlocks(&spare);
  return pNode;
}

void H_DATABASE_vInit(void) {
  // Normally called once before any task runs, on an empty table. A later
  // call (tests, a restart of the platform) gives every block back first;
  // nothing may fetch meanwhile.
  H_DATABASE_vLock();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    DATABASE_LIST_NODE* p = s_pDataBase[i];
    s_Write(s_pDataBase[i], (DATABASE_LIST_NODE*)nullptr);
    while (p != nullptr) {
      DATABASE_LIST_NODE* pNext = p->pNext;
      H_DATABASE_vFreeRegistrations(&p->Element);
      H_MEMORY_vFree(p);
      p = pNext;
    }
  }
  H_DATABASE_vUnlock();
}

// ------------------------------------------------------------ changes and snapshots

// Under the lock, around every change of the fields fetches read.
static void s_vBeginChange(const DATABASE_ELEMENT* e) {
  std::atomic<U32>& changes = s_au32Changes[H_DATABASE_u32Bucket(e->Id)];
  changes.store(changes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

static void s_vEndChange(const DATABASE_ELEMENT* e) {
  std::atomic<U32>& changes = s_au32Changes[H_DATABASE_u32Bucket(e->Id)];
  changes.store(changes.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

// What a fetch reports of an element, copied at one moment.
struct SNAPSHOT {
  BOOLEAN bCreated;
  DB_DATA_TYPE value;
  DB_ATTRIBUTES attributes;
  time_t stamp;
};

static void s_vCopy(const DATABASE_ELEMENT* e, SNAPSHOT* s) {
  s->bCreated = s_Read(e->bCreated);
  s->value = s_Read(e->dbValue);
  s->attributes.DataType = s_Read(e->ExtraData.DataType);
  s->attributes.ppcText = s_Read(e->ExtraData.ppcText);
  s->attributes.u32TimeOut = s_Read(e->ExtraData.u32TimeOut);
  s->stamp = s_Read(e->TimeStamp);
}

static inline void s_vPause(void) {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
  __asm__ __volatile__("yield");
#endif
}

// Copies the element without the lock; TRUE when it holds a value. The copy
// is taken again while a change of the bucket is under way or came between;
// a writer that takes long (preempted by the reader itself, on one core)
// is waited for on the mutex instead.
static BOOLEAN s_bSnapshot(const DATABASE_LIST_NODE* pNode, SNAPSHOT* s) {
  const std::atomic<U32>& changes = s_au32Changes[H_DATABASE_u32Bucket(pNode->Element.Id)];
  for (int tries = 0; tries < 100; tries++) {
    const U32 before = changes.load(std::memory_order_acquire);
    if ((before & 1) == 0) {
      s_vCopy(&pNode->Element, s);
      // The copy's loads are acquire loads: this load cannot pass them.
      if (changes.load(std::memory_order_relaxed) == before) return s->bCreated;
    }
    s_vPause();
  }
  H_DATABASE_vLock();
  s_vCopy(&pNode->Element, s);
  H_DATABASE_vUnlock();
  return s->bCreated;
}

// The validity rule: not timed out by the clock now.
static BOOLEAN s_bValid(U32 u32TimeOut, time_t stamp) {
  // The clock is read only for values that can time out.
  if (u32TimeOut == DB_NO_TIMEOUT) return TRUE;
  const U32 age = (U32)H_DATABASE_tNow() - (U32)stamp;
  return age < u32TimeOut ? TRUE : FALSE;
}

// ------------------------------------------------------------ fetches

BOOLEAN H_DATABASE_bFetch(FOURCHARID key, DB_DATA_TYPE* pData, BOOLEAN* pbValid, DB_ATTRIBUTES* pAttributes) {
  const DATABASE_LIST_NODE* p = H_DATABASE_pFind(key);
  SNAPSHOT s;
  if (p == nullptr || !s_bSnapshot(p, &s)) {
    if (pbValid != nullptr) *pbValid = FALSE;
    return FALSE;
  }
  if (pData != nullptr) *pData = s.value;
  if (pbValid != nullptr) *pbValid = s_bValid(s.attributes.u32TimeOut, s.stamp);
  if (pAttributes != nullptr) *pAttributes = s.attributes;
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

// Under the lock: step 2 of the write rule.
static BOOLEAN s_bAccepts(const DATABASE_ELEMENT* e, U32 priority, time_t now) {
  if (priority <= e->u32Priority) return TRUE;
  if (e->ExtraData.u32TimeOut != DB_NO_TIMEOUT && (U32)now - (U32)e->TimeStamp >= e->ExtraData.u32TimeOut) {
    return TRUE;
  }
  return e->bCreated ? FALSE : TRUE;
}

// Under the lock, in a change: steps 2 and 3 of the write rule. TRUE when accepted.
static BOOLEAN s_bApplyWrite(DATABASE_ELEMENT* e, DB_DATA_TYPE value, U32 priority, time_t now) {
  if (!s_bAccepts(e, priority, now)) return FALSE;
  e->u32Priority = priority;
  s_Write(e->TimeStamp, now);
  e->Condition.bUpdated = TRUE;
  e->Condition.bChanged = (e->Condition.bInvalid || e->dbValue.RawData != value.RawData) ? TRUE : FALSE;
  s_Write(e->dbValue, value);
  e->Condition.bInvalid = FALSE;
  s_Write(e->bCreated, (BOOLEAN)TRUE);
  return TRUE;
}

// Under the lock, in a change: the attributes of an accepted write (a
// time-out of 0 keeps the stored one).
static void s_vSetAttributes(DATABASE_ELEMENT* e, DATA_TYPE type, DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  s_Write(e->ExtraData.DataType, type);
  s_Write(e->ExtraData.ppcText, ppcText);
  if (u32TimeOut != 0) s_Write(e->ExtraData.u32TimeOut, u32TimeOut);
}

static BOOLEAN s_bHasNoAttributes(const DATABASE_ELEMENT* e) {
  return (e->ExtraData.DataType == D_UNKNOWN && e->ExtraData.ppcText == nullptr &&
          e->ExtraData.u32TimeOut == DB_NO_TIMEOUT)
             ? TRUE
             : FALSE;
}

// The whole update: find or create, write rule, attributes (when bSetAttributes),
// notices, result. The notice blocks are had before anything changes.
static BOOLEAN s_bUpdate(FOURCHARID key, DB_DATA_TYPE value, U32 priority, MBOX mboxExcept, BOOLEAN bSetAttributes,
                         DATA_TYPE type, DB_TEXT_RECORD ppcText, U32 u32TimeOut) {
  const DB_ATTRIBUTES offered = {type, ppcText, u32TimeOut};
  H_DATABASE_BLOCKS notices = {nullptr, 0, sizeof(MESSAGE_NEW_DATA)};
  const BOOLEAN bOutermost = H_DATABASE_bLock();
  DATABASE_ELEMENT* e = nullptr;
  time_t now = 0;
  for (;;) {
    // A created element takes the offered attributes at once.
    DATABASE_LIST_NODE* pNode = H_DATABASE_pFindOrCreate(key, bOutermost, bSetAttributes ? &offered : nullptr, nullptr);
    if (pNode == nullptr) {
      H_DATABASE_vUnlock();
      log_me("Database: no memory for key %.4s", (const char*)&key);
      return TRUE;
    }
    e = &pNode->Element;
    now = H_DATABASE_tNow();
    U32 u32Wanted = 0;
    if (s_bAccepts(e, priority, now)) {
      const DB_CONDITION_FLAGS after = {
          (e->Condition.bInvalid || e->dbValue.RawData != value.RawData) ? (BOOLEAN)TRUE : (BOOLEAN)FALSE, TRUE,
          FALSE};
      u32Wanted = H_DATABASE_u32Receivers(e, &after, mboxExcept);
    }
    if (H_DATABASE_bGetBlocks(&notices, u32Wanted, bOutermost)) break;
  }
  s_vBeginChange(e);
  const BOOLEAN bAccepted = s_bApplyWrite(e, value, priority, now);
  if (bSetAttributes && (bAccepted || s_bHasNoAttributes(e))) s_vSetAttributes(e, type, ppcText, u32TimeOut);
  s_vEndChange(e);
  if (bAccepted) H_DATABASE_vNotify(e, mboxExcept, &notices);
  e->Condition.bChanged = FALSE;
  e->Condition.bUpdated = FALSE;
  const BOOLEAN bDiffers = (e->dbValue.RawData != value.RawData) ? TRUE : FALSE;
  H_DATABASE_vUnlock();
  H_DATABASE_vFreeBlocks(&notices);
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
  const BOOLEAN bOutermost = H_DATABASE_bLock();
  DATABASE_LIST_NODE* pNode = H_DATABASE_pFindOrCreate(key, bOutermost, nullptr, nullptr);
  if (pNode == nullptr) {
    H_DATABASE_vUnlock();
    log_me("Database: no memory for key %.4s", (const char*)&key);
    return;
  }
  DATABASE_ELEMENT* e = &pNode->Element;
  s_vBeginChange(e);
  if (e->bCreated) {
    *pValue = e->dbValue;
  } else {
    (void)s_bApplyWrite(e, *pValue, priority, H_DATABASE_tNow());
    e->Condition.bChanged = FALSE;
    e->Condition.bUpdated = FALSE;
  }
  // A time-out of 0 keeps the stored one, as in every other attribute write.
  s_vSetAttributes(e, pAttributes->DataType, pAttributes->ppcText, pAttributes->u32TimeOut);
  s_vEndChange(e);
  H_DATABASE_vUnlock();
}

void H_DATABASE_vDeleteEntry(FOURCHARID key) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* p = H_DATABASE_pFind(key);
  if (p != nullptr) {
    s_vBeginChange(&p->Element);
    s_Write(p->Element.bCreated, (BOOLEAN)FALSE);
    s_vEndChange(&p->Element);
  }
  H_DATABASE_vUnlock();
}

// ------------------------------------------------------------ iteration

// Without the lock, as a fetch: nodes stay where they are, so the cursor's
// node is always a valid place to go on from.
BOOLEAN H_DATABASE_bFetchNextBeginningWith(MULTI_FETCH_CONTROL_STRUCTURE* c) {
  if (!c->__bNotFirst) {
    if (c->cMatch < 'A' || c->cMatch > 'Z') return FALSE;
    c->__cMatch = c->cMatch;
    c->__index = 0;
    c->__pItem = nullptr;
    c->__bNotFirst = TRUE;
  }
  DATABASE_LIST_NODE* p = (c->__pItem != nullptr) ? H_DATABASE_pNext(c->__pItem) : H_DATABASE_pBucketHead(c->__index);
  SNAPSHOT s;
  for (;;) {
    while (p == nullptr) {
      if (c->__index + 1 >= H_DATABASE_BUCKETS) {
        c->__index = H_DATABASE_BUCKETS;
        c->__pItem = nullptr;
        return FALSE;
      }
      c->__index++;
      p = H_DATABASE_pBucketHead(c->__index);
    }
    if ((U8)(p->Element.Id & 0xFF) == c->__cMatch && s_bSnapshot(p, &s)) break;
    p = H_DATABASE_pNext(p);
  }
  c->id = p->Element.Id;
  c->data = s.value;
  c->extras = s.attributes;
  c->bValid = s_bValid(s.attributes.u32TimeOut, s.stamp);
  c->__pItem = p;
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
