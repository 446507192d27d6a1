// Registrations of mailboxes for database keys and the change notices sent
// to them (CMD_ID_NEW_DATA), the periodic time-out sweep and the send-all
// operations.
#include <string.h>

#include "source/core/h_database.h"
#include "source/core/h_database_int.h"

// Message priority of a change notice.
static constexpr PRIORITY NEW_DATA_PRIORITY = 3;

// Under the lock: sends one notice with the element's current value.
static void s_vSendNotice(MBOX mbox, const DATABASE_ELEMENT* e) {
  MESSAGE_NEW_DATA* pMsg = (MESSAGE_NEW_DATA*)H_MEMORY_pvMalloc(sizeof(MESSAGE_NEW_DATA));
  if (pMsg == nullptr) return;
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

void H_DATABASE_vNotify(DATABASE_ELEMENT* e, MBOX mboxExcept) {
  for (MAILBOX_LIST_NODE* p = e->pMboxList; p != nullptr; p = p->pNext) {
    const REGISTERED_MBOX* r = &p->RegisteredMbox;
    if (r->Mailbox == 0) continue;
    if (mboxExcept != 0 && r->Mailbox == mboxExcept) continue;
    if ((r->Condition.bChanged && e->Condition.bChanged) || (r->Condition.bUpdated && e->Condition.bUpdated) ||
        (r->Condition.bInvalid && e->Condition.bInvalid)) {
      s_vSendNotice(r->Mailbox, e);
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

BOOLEAN H_DATABASE_bRegisterForDataWithConditions(FOURCHARID key, MBOX mbox, BOOLEAN bChanged, BOOLEAN bInvalid,
                                                  BOOLEAN bUpdated) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* pNode = H_DATABASE_pFindOrCreate(key);
  if (pNode == nullptr) {
    H_DATABASE_vUnlock();
    log_me("Database: no memory to register mailbox %d for %.4s", (int)mbox, (const char*)&key);
    return FALSE;
  }
  DATABASE_ELEMENT* e = &pNode->Element;
  MAILBOX_LIST_NODE* p = e->pMboxList;
  while (p != nullptr && p->RegisteredMbox.Mailbox != mbox) p = p->pNext;
  if (p == nullptr) {
    p = (MAILBOX_LIST_NODE*)H_MEMORY_pvMalloc(sizeof(MAILBOX_LIST_NODE));
    if (p == nullptr) {
      H_DATABASE_vUnlock();
      log_me("Database: no memory to register mailbox %d for %.4s", (int)mbox, (const char*)&key);
      return FALSE;
    }
    p->RegisteredMbox.Mailbox = mbox;
    p->pNext = e->pMboxList;
    e->pMboxList = p;
  }
  // The record keeps the order changed, updated, invalid.
  p->RegisteredMbox.Condition.bChanged = bChanged;
  p->RegisteredMbox.Condition.bUpdated = bUpdated;
  p->RegisteredMbox.Condition.bInvalid = bInvalid;
  H_DATABASE_vUnlock();
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

void H_DATABASE_vSendAllInvalidData(void) {
  H_DATABASE_vLock();
  time_t now = H_DATABASE_tNow();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    for (DATABASE_LIST_NODE* p = H_DATABASE_pBucketHead(i); p != nullptr; p = p->pNext) {
      DATABASE_ELEMENT* e = &p->Element;
      if (!e->bCreated || e->Condition.bInvalid || e->ExtraData.u32TimeOut == DB_NO_TIMEOUT) continue;
      if ((U32)now - (U32)e->TimeStamp < e->ExtraData.u32TimeOut) continue;
      e->Condition.bUpdated = TRUE;
      e->Condition.bChanged = TRUE;
      e->Condition.bInvalid = TRUE;
      H_DATABASE_vNotify(e, 0);
    }
  }
  H_DATABASE_vUnlock();
}

void H_DATABASE_vSendMailboxAllRegisteredItems(MBOX mbox) {
  H_DATABASE_vLock();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    for (DATABASE_LIST_NODE* p = H_DATABASE_pBucketHead(i); p != nullptr; p = p->pNext) {
      const DATABASE_ELEMENT* e = &p->Element;
      if (!e->bCreated) continue;
      for (const MAILBOX_LIST_NODE* r = e->pMboxList; r != nullptr; r = r->pNext) {
        if (r->RegisteredMbox.Mailbox == mbox) {
          s_vSendNotice(mbox, e);
          break;
        }
      }
    }
  }
  H_DATABASE_vUnlock();
}

void H_DATABASE_vSendMailboxAllItemsBeginningWith(char cFirst, MBOX mbox) {
  H_DATABASE_vLock();
  for (U32 i = 0; i < H_DATABASE_BUCKETS; i++) {
    for (DATABASE_LIST_NODE* p = H_DATABASE_pBucketHead(i); p != nullptr; p = p->pNext) {
      const DATABASE_ELEMENT* e = &p->Element;
      if (!e->bCreated) continue;
      if (cFirst != 0 && (U8)(e->Id & 0xFF) != (U8)cFirst) continue;
      s_vSendNotice(mbox, e);
    }
  }
  H_DATABASE_vUnlock();
}

void H_DATABASE_vRelinquishOwnership(FOURCHARID key) {
  H_DATABASE_vLock();
  DATABASE_LIST_NODE* pNode = H_DATABASE_pFind(key);
  if (pNode == nullptr || !pNode->Element.bCreated) {
    FATAL_ERROR("Requested ID not found");
    H_DATABASE_vUnlock();
    return;
  }
  DATABASE_ELEMENT* e = &pNode->Element;
  e->Condition.bUpdated = TRUE;
  e->Condition.bInvalid = TRUE;
  e->Condition.bChanged = TRUE;
  e->u32Priority = P_UNOWNED;
  H_DATABASE_vNotify(e, 0);
  H_DATABASE_vUnlock();
}
