// The settings database: the keyed blackboard of the whole system.
//
// Every setting, live value and task mailbox number lives under a
// four-character key in a table of 512 hash buckets. Every change runs under
// resource mutex RES_DATABASE (a task that holds it keeps every writer out);
// fetches and the iteration take no lock and see a key's value and
// attributes as one write left them. Writes carry a priority (a smaller
// number wins) and a value may time out (in seconds of the monotonic clock,
// which setting the date does not move), after which any writer takes the
// key again. Mailboxes registered for a key receive a MESSAGE_NEW_DATA notice
// when a write is accepted or the value times out.
#pragma once

#include <time.h>

#include "common/db_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"

constexpr U32 H_DATABASE_BUCKETS = 512;

// ------------------------------------------------------------ elements
struct REGISTERED_MBOX {
  DB_CONDITION_FLAGS Condition;  // the kinds of event wanted
  MBOX Mailbox;                  // 0: none
};

struct tagLlistMbox {
  REGISTERED_MBOX RegisteredMbox;
  tagLlistMbox* pNext;
};
typedef tagLlistMbox MAILBOX_LIST_NODE;

struct DATABASE_ELEMENT {
  FOURCHARID Id;
  DB_DATA_TYPE dbValue;
  DB_ATTRIBUTES ExtraData;
  time_t TimeStamp;  // monotonic-clock seconds of the last accepted write
  U32 u32Priority;
  MBOX mboxOwner;  // always 0
  MAILBOX_LIST_NODE* pMboxList;
  DB_CONDITION_FLAGS Condition;
  BOOLEAN bCreated;  // the key holds a value
};

struct LlistDatabase {
  DATABASE_ELEMENT Element;
  LlistDatabase* pNext;
};
typedef LlistDatabase DATABASE_LIST_NODE;

// Cursor of H_DATABASE_bFetchNextBeginningWith. Clear the whole structure
// (or at least the private fields) before the first call.
struct MULTI_FETCH_CONTROL_STRUCTURE {
  FOURCHARID id;         // out: the key found
  DB_DATA_TYPE data;     // out: its value
  DB_ATTRIBUTES extras;  // out: its attributes
  BOOLEAN bValid;        // out: not timed out
  U8 cMatch;             // in: the first character wanted ('A'-'Z')
  BOOLEAN __bNotFirst;
  U32 __index;
  DATABASE_LIST_NODE* __pItem;
  U8 __cMatch;
};

// ------------------------------------------------------------ database
void H_DATABASE_vInit(void);
// Bucket of a key: (k ^ (k >> 10) ^ (k >> 5)) & 0x1FF.
U32 H_DATABASE_u32Bucket(FOURCHARID key);

// TRUE when the key holds a value; then copies value, validity and
// attributes to the non-null destinations. FALSE otherwise, with *pbValid
// FALSE and the other destinations untouched.
BOOLEAN H_DATABASE_bFetch(FOURCHARID key, DB_DATA_TYPE* pData, BOOLEAN* pbValid = nullptr,
                          DB_ATTRIBUTES* pAttributes = nullptr);
BOOLEAN H_DATABASE_bFetchU32(FOURCHARID key, U32* pData, BOOLEAN* pbValid = nullptr,
                             DB_ATTRIBUTES* pAttributes = nullptr);
BOOLEAN H_DATABASE_bFetchS32(FOURCHARID key, S32* pData, BOOLEAN* pbValid = nullptr,
                             DB_ATTRIBUTES* pAttributes = nullptr);
BOOLEAN H_DATABASE_bFetchFloat(FOURCHARID key, F32* pData, BOOLEAN* pbValid = nullptr,
                               DB_ATTRIBUTES* pAttributes = nullptr);
BOOLEAN H_DATABASE_bFetchVoidPointer(FOURCHARID key, void** pData, BOOLEAN* pbValid = nullptr,
                                     DB_ATTRIBUTES* pAttributes = nullptr);
BOOLEAN H_DATABASE_bFetchBoolean(FOURCHARID key, BOOLEAN* pData, BOOLEAN* pbValid = nullptr,
                                 DB_ATTRIBUTES* pAttributes = nullptr);

// Update functions: apply the write rule, notify the registered mailboxes
// and return TRUE when the key afterwards holds a value other than the one
// offered (the write was refused and the stored value differs).
BOOLEAN H_DATABASE_bUpdateValue(FOURCHARID key, DB_DATA_TYPE value, U32 priority);
BOOLEAN H_DATABASE_bUpdateValueU32(FOURCHARID key, U32 value, U32 priority);
BOOLEAN H_DATABASE_bUpdateValueS32(FOURCHARID key, S32 value, U32 priority);
BOOLEAN H_DATABASE_bUpdateValueFloat(FOURCHARID key, F32 value, U32 priority);
BOOLEAN H_DATABASE_bUpdateValueBoolean(FOURCHARID key, BOOLEAN value, U32 priority);
BOOLEAN H_DATABASE_bUpdateValueVoidPointer(FOURCHARID key, void* value, U32 priority);
// As H_DATABASE_bUpdateValueU32, but no notice goes to mboxExcept.
BOOLEAN H_DATABASE_bUpdateValueU32Except(FOURCHARID key, U32 value, U32 priority, MBOX mboxExcept);

// As H_DATABASE_bUpdateValue, and also sets the attributes. A time-out of 0
// keeps the stored time-out.
BOOLEAN H_DATABASE_bUpdateEverything(FOURCHARID key, DB_DATA_TYPE value, U32 priority, DATA_TYPE type,
                                     DB_TEXT_RECORD ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingU32(FOURCHARID key, U32 value, U32 priority, DATA_TYPE type,
                                        DB_TEXT_RECORD ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingS32(FOURCHARID key, S32 value, U32 priority, DATA_TYPE type,
                                        DB_TEXT_RECORD ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingFloat(FOURCHARID key, F32 value, U32 priority, DATA_TYPE type,
                                          DB_TEXT_RECORD ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingBoolean(FOURCHARID key, BOOLEAN value, U32 priority, DATA_TYPE type,
                                            DB_TEXT_RECORD ppcText, U32 u32TimeOut);
BOOLEAN H_DATABASE_bUpdateEverythingVoidPointer(FOURCHARID key, void* value, U32 priority, DATA_TYPE type,
                                                DB_TEXT_RECORD ppcText, U32 u32TimeOut);

// Start-up default: a key that holds a value keeps it (returned through
// pValue) and takes the given attributes; otherwise the default in *pValue
// is stored. Sends no notice.
void H_DATABASE_vReadOrSetDefault(FOURCHARID key, DB_DATA_TYPE* pValue, U32 priority,
                                  const DB_ATTRIBUTES* pAttributes);
// The key no longer holds a value; attributes and registrations stay.
void H_DATABASE_vDeleteEntry(FOURCHARID key);
// Next key holding a value whose first character is pControl->cMatch.
BOOLEAN H_DATABASE_bFetchNextBeginningWith(MULTI_FETCH_CONTROL_STRUCTURE* pControl);

DATA_FORMAT H_DATABASE_DataType(DATA_TYPE type);
UNIT_TYPE H_DATABASE_CurrentUnits(DATA_TYPE type);
const char* H_DATABASE_pcUnitsString(UNIT_TYPE units, U32 language);
void H_DATABASE_vCheckForValidUnits(FOURCHARID unitsKey, const U32* pAllowed, U8 u8Count, UNIT_TYPE eDefault);

// ------------------------------------------------------------ registrations and notices
// Registers (or re-registers with new wishes) a mailbox for a key. Note the
// argument order: changed, invalid, updated. Always TRUE.
BOOLEAN H_DATABASE_bRegisterForDataWithConditions(FOURCHARID key, MBOX mbox, BOOLEAN bChanged, BOOLEAN bInvalid,
                                                  BOOLEAN bUpdated);
void H_DATABASE_vUnregisterMailbox(FOURCHARID key, MBOX mbox);
// The periodic sweep: timed-out values become invalid and are reported once.
void H_DATABASE_vSendAllInvalidData(void);
void H_DATABASE_vSendMailboxAllRegisteredItems(MBOX mbox);
// Every key holding a value that begins with the character (all keys for 0).
void H_DATABASE_vSendMailboxAllItemsBeginningWith(char cFirst, MBOX mbox);
void H_DATABASE_vRelinquishOwnership(FOURCHARID key);
