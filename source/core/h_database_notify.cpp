// Registrations of mailboxes for database keys and the change notices sent
// to them (CMD_ID_NEW_DATA), the periodic time-out sweep and the send-all
// operations. Every notice block is had before the element it reports on is
// changed, without waiting while mutex 1 is held (h_database_int.h).
#include <string.h>

#include "source/core/h_database.h"
#include "source/core/h_database_int.h"

// Message priority of a change notice.
static constexpr PRIORITY NEW_DATA_PRIORITY = 3;

// The conditions of the sweep and of relinquishing a key.
static constexpr DB_CONDITION_FLAGS ALL_CONDITIONS = {TRUE, TRUE, TRUE};

static H_DATABASE_BLOCKS s_NoticeBlocks(void) { return H_DATABASE_BLOCKS{nullptr, 0, sizeof(MESSAGE_NEW_DATA)}; }

// Under the lock: sends one notice with the element's current value, in a
// block of the list.
static void s_vSendNotice(MBOX mbox, const DATABASE_ELEMENT* e, H_DATABASE_BLOCKS* pBlocks) {
  MESSAGE_NEW_DATA* pMsg = (MESSAGE_NEW_DATA*)H_DATABASE_pvTakeBlock(pBlocks);
  if (pMsg == nullptr) {
    // Only when the caller held mutex 1 across the call and memory ran out.
    log_me("Database: no memory for a notice of %.4s to mailbox %d, dropped", (const char*)&e->Id, (int)mbox);
    return;
  }
  memset((void*)pMsg, 0, sizeof(*pMsg));
  pMsg->Header.Cmd = CMD_ID_NEW_DATA;
  pMsg->FourCharId = e->Id;
  pMsg->dbValue = e->dbValue;
  pMsg->bValid = e->Condition.bInvalid ? FALSE : TRUE;
  if (L_MBOX_Send(mbox, pMsg, NEW_DATA_PRIORITY, 0) != lsSUCCESS) {
    // The mailbox refused it (not a valid number): the block is still ours.
    H_MEMORY_vFree(pMsg);
  }
}

// A registration that the notification pass sends to, given the element's conditions.
static BOOLEAN s_bReceives(const REGISTERED_MBOX* r, const DB_CONDITION_FLAGS* c, MBOX mboxExcept) {
  if (r->Mailbox == 0) return FALSE;
  if (mboxExcept != 0 && r->Mailbox == mboxExcept) return FALSE;
  return ((r->Condition.bChanged && c->bChanged) || (r->Condition.bUpdated && c->bUpdated) ||
          (r->Condition.bInvalid && c->bInvalid))
             ? TRUE
             : FALSE;
}

U32 H_DATABASE_u32Receivers(const DATABASE_ELEMENT* e, const DB_CONDITION_FLAGS* pConditions, MBOX mboxExcept) {
  U32 n = 0;
  for (const MAILBOX_LIST_NODE* p = e->pMboxList; p != nullptr; p = p->pNext) {
    if (s_bReceives(&p->RegisteredMbox, pConditions, mboxExcept)) n++;
  }
  return n;
}

void H_DATABASE_vNotify(DATABASE_ELEMENT* e, MBOX mboxExcept, H_DATABASE_BLOCKS* pBlocks) {
  for (MAILBOX_LIST_NODE* p = e->pMboxList; p != nullptr; p = p->pNext) {
    if (s_bReceives(&p->RegisteredMbox, &e->Condition, mboxExcept)) {
      s_vSendNotice(p->RegisteredMbox.Mailbox, e, pBlocks);
    }
  }
  e->Condition.bChanged = FALSE;
  e->Condition.bUpdated = FALSE;
}

void H_DATABASE_vFreeRegistrations(DATABASE_ELEMENT* e) {
  MAILBOX_LIST_NODE* p = e->pMboxList;
  e->pMboxList = nullptr;
  while (p != nullptr) {
    MAILBOX_LIST_NODE* pNext = p->pNext;
    H_MEMORY_vFree(p);
    p = pNext;
  }
}

static MAILBOX_LIST_NODE* s_pRegistration(const DATABASE_ELEMENT* e, MBOX mbox) {
  MAILBOX_LIST_NODE* p = e->pMboxList;
  while (p != nullptr && p->RegisteredMbox.Mailbox != mbox) p = p->pNext;
  return p;
}

BOOLEAN H_DATABASE_bRegisterForDataWithConditions(FOURCHARID key, MBOX mbox, BOOLEAN bChanged, BOOLEAN bInvalid,
                                                  BOOLEAN bUpdated) {
  H_DATABASE_BLOCKS spare = {nullptr, 0, sizeof(MAILBOX_LIST_NODE)};
  const BOOLEAN bOutermost = H_DATABASE_bLock();
  DATABASE_LIST_NODE* pNode = nullptr;
  MAILBOX_LIST_NODE* p = nullptr;
  for (;;) {
    pNode = H_DATABASE_pFindOrCreate(key, bOutermost, nullptr, nullptr);
    if (pNode == nullptr) break;
    p = s_pRegistration(&pNode->Element, mbox);
    if (p != nullptr || H_DATABASE_bGetBlocks(&spare, 1, bOutermost)) break;
  }
  if (pNode != nullptr && p == nullptr) {
    p = (MAILBOX_LIST_NODE*)H_DATABASE_pvTakeBlock(&spare);
    if (p != nullptr) {
      p->RegisteredMbox.Mailbox = mbox;
      p->pNext = pNode->Element.pMboxList;
      pNode->Element.pMboxList = p;
    }
  }
  if (p == nullptr) {
    H_DATABASE_vUnlock();
    H_DATABASE_vFreeBlocks(&spare);
    log_me("Database: no memory to register mailbox %d for %.4s", (int)mbox, (const char*)&key);
    return FALSE;
  }
  // The record keeps the order changed, updated, invalid.
  p->RegisteredMbox.Condition.bChanged = bChanged;
  p->RegisteredMbox.Condition.bUpdated = bUpdated;
  p->RegisteredMbox.Condition.bInvalid = bInvalid;
  H_DATABASE_vUnlock();
  H_DATABASE_vFreeBlocks(&spare);
  return TRUE;
}

void H_DATABASE_vUnregisterMailbox(FOURCHARID key, MBOX mbox) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* pNode = H_DATABASE_pFind(key);
  if (pNode != nullptr) {
    MAILBOX_LIST_NODE** ppLink = &pNode->Element.pMboxList;
    while (*ppLink != nullptr) {
      MAILBOX_LIST_NODE* p = *ppLink;
      if (p->RegisteredMbox.Mailbox == mbox) {
        *ppLink = p->pNext;
        H_MEMORY_vFree(p);
      } else {
        ppLink = &p->pNext;
      }
    }
  }
  H_DATABASE_vUnlock();
}

// Under the lock: the element holds a value that has timed out and is not
// yet marked invalid.
static BOOLEAN s_bNewlyTimedOut(const DATABASE_ELEMENT* e) {
  if (!e->bCreated || e->Condition.bInvalid || e->ExtraData.u32TimeOut == DB_NO_TIMEOUT) return FALSE;
  return ((U32)H_DATABASE_tNow() - (U32)e->TimeStamp >= e->ExtraData.u32TimeOut) ? TRUE : FALSE;
}

void H_DATABASE_vSendAllInvalidData(void) {
  H_DATABASE_BLOCKS notices = s_NoticeBlocks();
  const BOOLEAN bOutermost = H_DATABASE_bLock();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    DATABASE_LIST_NODE* p = H_DATABASE_pBucketHead(i);
    while (p != nullptr) {
      DATABASE_ELEMENT* e = &p->Element;
      if (!s_bNewlyTimedOut(e)) {
        p = H_DATABASE_pNext(p);
        continue;
      }
      // When the lock was let go for memory, the element is looked at again.
      if (!H_DATABASE_bGetBlocks(&notices, H_DATABASE_u32Receivers(e, &ALL_CONDITIONS, 0), bOutermost)) continue;
      e->Condition.bUpdated = TRUE;
      e->Condition.bChanged = TRUE;
      e->Condition.bInvalid = TRUE;
      H_DATABASE_vNotify(e, 0, &notices);
      p = H_DATABASE_pNext(p);
    }
  }
  H_DATABASE_vUnlock();
  H_DATABASE_vFreeBlocks(&notices);
}

// Sends mbox one notice for every element holding a value that bWanted
// picks, in bucket and chain order.
static void s_vSendAll(MBOX mbox, BOOLEAN (*bWanted)(const DATABASE_ELEMENT*, MBOX, char), char cFirst) {
  H_DATABASE_BLOCKS notices = s_NoticeBlocks();
  const BOOLEAN bOutermost = H_DATABASE_bLock();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    DATABASE_LIST_NODE* p = H_DATABASE_pBucketHead(i);
    while (p != nullptr) {
      const DATABASE_ELEMENT* e = &p->Element;
      if (!e->bCreated || !bWanted(e, mbox, cFirst)) {
        p = H_DATABASE_pNext(p);
        continue;
      }
      if (!H_DATABASE_bGetBlocks(&notices, 1, bOutermost)) continue;
      s_vSendNotice(mbox, e, &notices);
      p = H_DATABASE_pNext(p);
    }
  }
  H_DATABASE_vUnlock();
  H_DATABASE_vFreeBlocks(&notices);
}

static BOOLEAN s_bRegisteredFor(const DATABASE_ELEMENT* e, MBOX mbox, char) {
  return s_pRegistration(e, mbox) != nullptr ? TRUE : FALSE;
}

static BOOLEAN s_bBeginsWith(const DATABASE_ELEMENT* e, MBOX, char cFirst) {
  return (cFirst == 0 || (U8)(e->Id & 0xFF) == (U8)cFirst) ? TRUE : FALSE;
}

void H_DATABASE_vSendMailboxAllRegisteredItems(MBOX mbox) { s_vSendAll(mbox, s_bRegisteredFor, 0); }

void H_DATABASE_vSendMailboxAllItemsBeginningWith(char cFirst, MBOX mbox) { s_vSendAll(mbox, s_bBeginsWith, cFirst); }

void H_DATABASE_vRelinquishOwnership(FOURCHARID key) {
  H_DATABASE_BLOCKS notices = s_NoticeBlocks();
  const BOOLEAN bOutermost = H_DATABASE_bLock();
  DATABASE_ELEMENT* e = nullptr;
  for (;;) {
    DATABASE_LIST_NODE* pNode = H_DATABASE_pFind(key);
    if (pNode == nullptr || !pNode->Element.bCreated) {
      FATAL_ERROR("Requested ID not found");
      H_DATABASE_vUnlock();
      H_DATABASE_vFreeBlocks(&notices);
      return;
    }
    e = &pNode->Element;
    if (H_DATABASE_bGetBlocks(&notices, H_DATABASE_u32Receivers(e, &ALL_CONDITIONS, 0), bOutermost)) break;
  }
  e->Condition.bUpdated = TRUE;
  e->Condition.bInvalid = TRUE;
  e->Condition.bChanged = TRUE;
  e->u32Priority = P_UNOWNED;
  H_DATABASE_vNotify(e, 0, &notices);
  H_DATABASE_vUnlock();
  H_DATABASE_vFreeBlocks(&notices);
}
