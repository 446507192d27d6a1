// Internal seams shared by the two halves of the settings database (the
// table and write rule in h_database.cpp, registrations and notices in
// h_database_notify.cpp). Not for other modules.
#pragma once

#include "source/h_database.h"

// Mutex 1 around every operation (nesting by the owner is allowed).
void H_DATABASE_vLock(void);
void H_DATABASE_vUnlock(void);

// Under the lock: the node of a key, or null.
DATABASE_LIST_NODE* H_DATABASE_pFind(FOURCHARID key);
// Under the lock: the node of a key, created (without value) when missing.
DATABASE_LIST_NODE* H_DATABASE_pFindOrCreate(FOURCHARID key);
// Under the lock: first node of a bucket (0 to 511).
DATABASE_LIST_NODE* H_DATABASE_pBucketHead(U32 index);

// Monotonic clock in seconds, the time base of time stamps and time-outs
// (setting the date does not move it), and the validity rule (not timed
// out, by the clock now).
time_t H_DATABASE_tNow(void);
BOOLEAN H_DATABASE_bIsValid(const DATABASE_ELEMENT* pElement);

// Under the lock: the notification pass over the key's registrations (the
// mailbox mboxExcept, when not 0, is left out); clears bChanged and bUpdated.
void H_DATABASE_vNotify(DATABASE_ELEMENT* pElement, MBOX mboxExcept);
// Frees every registration of an element (used when the table is cleared).
void H_DATABASE_vFreeRegistrations(DATABASE_ELEMENT* pElement);
