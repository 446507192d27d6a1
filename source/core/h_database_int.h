// Internal seams shared by the two halves of the settings database (the
// table and write rule in h_database.cpp, registrations and notices in
// h_database_notify.cpp). Not for other modules.
//
// Locking: every change of the table runs under mutex 1 (RES_DATABASE);
// whoever holds it from outside keeps every writer out. Fetches and the
// iteration take no lock: nodes are linked with release stores and never
// unlinked, and the fields a fetch reads (value, attributes, time stamp,
// bCreated) change only inside a change section of the element's bucket, a
// sequence count that readers check around their copy and retry on.
//
// Memory: nothing waits for a memory block while it holds mutex 1. Blocks
// are taken without waiting; when there is none, the lock is let go while
// waiting for one (then everything looked at must be looked at again). A
// caller that held mutex 1 already cannot have it let go: then the block is
// done without (a notice is dropped and traced).
#pragma once

#include "source/core/h_database.h"

// Mutex 1 around every change (nesting by the owner is allowed).
// H_DATABASE_bLock is TRUE when this call took the mutex, FALSE when the
// calling thread held it already.
BOOLEAN H_DATABASE_bLock(void);
void H_DATABASE_vLock(void);
void H_DATABASE_vUnlock(void);

// The node of a key, or null; the first node of a bucket (0 to 511); the
// next node of a chain. With or without the lock.
DATABASE_LIST_NODE* H_DATABASE_pFind(FOURCHARID key);
DATABASE_LIST_NODE* H_DATABASE_pBucketHead(U32 index);
DATABASE_LIST_NODE* H_DATABASE_pNext(const DATABASE_LIST_NODE* pNode);

// Blocks of one size taken ahead for use under the lock, kept in a list
// through their first bytes.
struct H_DATABASE_BLOCKS {
  void* pFirst;
  U32 u32Count;
  U32 u32Size;
};
// Under the lock (bOutermost as H_DATABASE_bLock answered): makes the list
// hold u32Wanted blocks. TRUE when it does, or when the lock was not ours to
// let go (the list may then be short). FALSE when the lock was let go to
// wait for memory and is held again: the caller must look at the table anew.
BOOLEAN H_DATABASE_bGetBlocks(H_DATABASE_BLOCKS* pBlocks, U32 u32Wanted, BOOLEAN bOutermost);
// One block of the list, or null when it is empty.
void* H_DATABASE_pvTakeBlock(H_DATABASE_BLOCKS* pBlocks);
// Gives the blocks left in the list back.
void H_DATABASE_vFreeBlocks(H_DATABASE_BLOCKS* pBlocks);

// Under the lock: the node of a key, created without value when missing
// (with the given attributes, or none when pAttributes is null); *pbLetGo
// (when not null) is set TRUE when the lock was let go meanwhile. Null when
// no memory could be had (only when the caller held mutex 1 already).
DATABASE_LIST_NODE* H_DATABASE_pFindOrCreate(FOURCHARID key, BOOLEAN bOutermost, const DB_ATTRIBUTES* pAttributes,
                                             BOOLEAN* pbLetGo);

// Monotonic clock in seconds, the time base of time stamps and time-outs
// (setting the date does not move it).
time_t H_DATABASE_tNow(void);

// Under the lock: how many notices a notification pass with the element's
// conditions set to *pConditions would send (the mailbox mboxExcept, when
// not 0, left out).
U32 H_DATABASE_u32Receivers(const DATABASE_ELEMENT* pElement, const DB_CONDITION_FLAGS* pConditions,
                            MBOX mboxExcept);
// Under the lock: the notification pass over the key's registrations, with
// notice blocks from pBlocks; clears bChanged and bUpdated.
void H_DATABASE_vNotify(DATABASE_ELEMENT* pElement, MBOX mboxExcept, H_DATABASE_BLOCKS* pBlocks);
// Frees every registration of an element (used when the table is cleared).
void H_DATABASE_vFreeRegistrations(DATABASE_ELEMENT* pElement);
