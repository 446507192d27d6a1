// Mailboxes: numbered lists of messages ordered by message priority (a
// smaller number first, first-in first-out among equals). A mailbox may be
// bound to an event semaphore, which is signalled when a message arrives in
// the empty mailbox; blocking receives wait on the mailbox's own condition.
//
// Insertion is cheap however many messages are queued: the mailbox keeps the
// last message of each small priority, so a send finds its place in at most
// MBOX_TAIL_SLOTS steps; only priorities above that range walk the list (and
// then only across the messages of such priorities).
//
// Acknowledged sends hand the block over through the header's `sema` field,
// changed only by atomic operations once the message is queued:
//   > 0                      the sender waits on that semaphore;
//   MSG_SEMA_ACKNOWLEDGED    the receiver has acknowledged, the sender owns it;
//   MSG_SEMA_ABANDONED       the sender gave up waiting, the receiver frees it.
// Whichever side changes the field first decides who owns the block, so a
// time-out never leaks it and never frees it under the sender.
#include <errno.h>
#include <limits.h>
#include <string.h>

#include <atomic>

#include "lsvc/l_lockword.h"
#include "lsvc/l_mbox_priv.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

void (*g_pfnMboxAckTimedOut)(void* message) = nullptr;

namespace {

constexpr int MBOX_TAIL_SLOTS = 16;

struct MBOX_INFO {
  MsgHeader* MboxHeadPtr;
  SEMA MboxSemaphore;
  pthread_mutex_t MboxMutex;
  pthread_condattr_t MboxCondAttr;
  pthread_cond_t MboxCond;
  // Last queued message of each priority below MBOX_TAIL_SLOTS, null if none.
  MsgHeader* MboxTail[MBOX_TAIL_SLOTS];
  U32 MboxWaiters;  // receivers blocked on MboxCond
};

struct MBOX_TABLE {
  MBOX_INFO box[nmboxes + 1];  // index 0 unused
  MBOX_TABLE() {
    memset(box, 0, sizeof box);
    for (auto& mb : box) {
      pthread_mutexattr_t attr;
      pthread_mutexattr_init(&attr);
      pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
      pthread_mutex_init(&mb.MboxMutex, &attr);
      pthread_mutexattr_destroy(&attr);
      pthread_condattr_init(&mb.MboxCondAttr);
      pthread_condattr_setclock(&mb.MboxCondAttr, CLOCK_MONOTONIC);
      pthread_cond_init(&mb.MboxCond, &mb.MboxCondAttr);
    }
  }
};

// Created on the first use of any mailbox operation.
MBOX_TABLE& s_table() {
  static MBOX_TABLE table;
  return table;
}

bool s_bValidMbox(MBOX mbox) { return mbox >= 1 && mbox <= nmboxes; }
bool s_bValidSema(SEMA sema) { return sema >= 0 && sema <= nsemas; }

std::atomic_ref<S32> s_sema(MsgHeader* hdr) { return std::atomic_ref<S32>(hdr->sema); }

// Places the message behind the last queued message whose priority is not
// larger than its own (or at the head when there is none).
void s_vInsert(MBOX_INFO* mb, MsgHeader* msg) {
  const PRIORITY prio = msg->MsgPriority;
  MsgHeader* after = nullptr;
  for (int q = (prio < MBOX_TAIL_SLOTS ? prio : MBOX_TAIL_SLOTS - 1); q >= 0; --q) {
    if (mb->MboxTail[q]) {
      after = mb->MboxTail[q];
      break;
    }
  }
  if (prio >= MBOX_TAIL_SLOTS) {
    // Every message of a small priority goes before this one; walk only the
    // messages of large priorities.
    MsgHeader* cur = after ? after->MsgNext : mb->MboxHeadPtr;
    while (cur && cur->MsgPriority <= prio) {
      after = cur;
      cur = cur->MsgNext;
    }
  }
  if (after) {
    msg->MsgNext = after->MsgNext;
    after->MsgNext = msg;
  } else {
    msg->MsgNext = mb->MboxHeadPtr;
    mb->MboxHeadPtr = msg;
  }
  if (prio < MBOX_TAIL_SLOTS) mb->MboxTail[prio] = msg;
}

MsgHeader* s_pTakeHead(MBOX_INFO* mb) {
  MsgHeader* msg = mb->MboxHeadPtr;
  if (!msg) return nullptr;
  mb->MboxHeadPtr = msg->MsgNext;
  if (msg->MsgPriority < MBOX_TAIL_SLOTS && mb->MboxTail[msg->MsgPriority] == msg) {
    mb->MboxTail[msg->MsgPriority] = nullptr;
  }
  msg->MsgNext = nullptr;
  return msg;
}

// Receive; wait: block until a message is there; deadline: null for no limit.
void* s_pvReceive(MBOX mbox, bool wait, const struct timespec* deadline) {
  if (!s_bValidMbox(mbox)) return nullptr;
  MBOX_INFO* mb = &s_table().box[mbox];
  pthread_mutex_lock(&mb->MboxMutex);
  MsgHeader* msg = s_pTakeHead(mb);
  while (!msg && wait) {
    mb->MboxWaiters++;
    L_TASK_Deactivate();
    int rc = deadline ? PLATFORM_nCondTimedWait(&mb->MboxCond, &mb->MboxMutex, deadline)
                      : pthread_cond_wait(&mb->MboxCond, &mb->MboxMutex);
    L_TASK_Activate();
    mb->MboxWaiters--;
    msg = s_pTakeHead(mb);
    if (rc == ETIMEDOUT) break;
  }
  pthread_mutex_unlock(&mb->MboxMutex);
  return msg;
}

// True when a mailbox bound to sema holds mail.
bool s_bBoundMailWaiting(SEMA sema) {
  for (MBOX m = 1; m <= nmboxes; ++m) {
    MBOX_INFO* mb = &s_table().box[m];
    if (mb->MboxSemaphore != sema) continue;
    pthread_mutex_lock(&mb->MboxMutex);
    const bool waiting = mb->MboxHeadPtr != nullptr;
    pthread_mutex_unlock(&mb->MboxMutex);
    if (waiting) return true;
  }
  return false;
}

// After the send: waits for the acknowledgement (ticks: null for no limit)
// and settles who owns the block. The semaphore may be one that other
// events signal too (a task's own mailbox semaphore): a signal that is not
// this message's acknowledgement does not end the wait, and the events
// taken meanwhile are handed back as one signal when the wait is over, so
// the task's loop still sees its mail.
S32 s_nAwaitAck(MsgHeader* hdr, SEMA sema, const U32* ticks) {
  struct timespec deadline;
  if (ticks) L_CLOCK_PrepTimeoutTicks(&deadline, *ticks);
  bool foreign = false;
  S32 rc;
  for (;;) {
    rc = L_SEMA_WaitDeadline(sema, ticks ? &deadline : nullptr);
    if (rc != lsSUCCESS) break;
    if (s_sema(hdr).load(std::memory_order_acquire) == MSG_SEMA_ACKNOWLEDGED) break;
    foreign = true;  // another event's signal: keep waiting for ours
  }
  if (rc == lsSUCCESS) {
    if (foreign || s_bBoundMailWaiting(sema)) L_SEMA_Signal(sema);
    return lsSUCCESS;
  }
  if (g_pfnMboxAckTimedOut) g_pfnMboxAckTimedOut(hdr);
  S32 expected = sema;
  if (s_sema(hdr).compare_exchange_strong(expected, MSG_SEMA_ABANDONED, std::memory_order_acq_rel)) {
    // The receiver has not disposed of it yet: the block is the receiver's.
    if (foreign) L_SEMA_Signal(sema);
    return rc;
  }
  if (expected != MSG_SEMA_ACKNOWLEDGED) return rc;  // re-sent by its receiver: not ours to settle
  // The receiver acknowledged just after the wait gave up: the block is ours
  // again. Its signal follows the acknowledgement at once; take it, so that
  // no stale signal is left on the semaphore.
  if (L_SEMA_Wait(sema) != lsSUCCESS) L_SEMA_SetPending(sema);
  if (foreign || s_bBoundMailWaiting(sema)) L_SEMA_Signal(sema);
  return lsSUCCESS;
}

S32 s_nSendWait(MBOX mbox, void* message, PRIORITY priority, SEMA sema, const U32* ticks) {
  if (!s_bValidMbox(mbox)) return -lsMBOX_INVALID;
  if (sema < 1 || sema > nsemas) return -lsSEMA_INVALID;
  L_SEMA_SetPending(sema);
  S32 rc = L_MBOX_Send(mbox, message, priority, sema);
  if (rc != lsSUCCESS) return rc;
  return s_nAwaitAck(static_cast<MsgHeader*>(message), sema, ticks);
}

}  // namespace

const char* get_mailbox_name(MBOX mbox) {
  if (mbox < 0 || mbox > nmboxes) return "INVALID";
  return str_mailboxes[mbox];
}

S32 L_MBOX_Send(MBOX mbox, void* message, PRIORITY priority, SEMA sema) {
  if (!s_bValidMbox(mbox)) return -lsMBOX_INVALID;
  if (!s_bValidSema(sema)) return -lsSEMA_INVALID;
  if (!message) {
    log_me("L_MBOX_Send: no message for mailbox %d (%s)", mbox, get_mailbox_name(mbox));
    return -lsMBOX_INVALID;
  }
  MsgHeader* msg = static_cast<MsgHeader*>(message);
  s_sema(msg).store(sema, std::memory_order_relaxed);
  msg->MsgPriority = priority;
  msg->task = L_TASK_GetMyID();

  MBOX_INFO* mb = &s_table().box[mbox];
  pthread_mutex_lock(&mb->MboxMutex);
  const bool was_empty = mb->MboxHeadPtr == nullptr;
  s_vInsert(mb, msg);
  if (was_empty && mb->MboxSemaphore) L_SEMA_Signal(mb->MboxSemaphore);
  if (mb->MboxWaiters) pthread_cond_signal(&mb->MboxCond);
  pthread_mutex_unlock(&mb->MboxMutex);
  return lsSUCCESS;
}

S32 L_MBOX_SendWait(MBOX mbox, void* message, PRIORITY priority, SEMA sema) {
  return s_nSendWait(mbox, message, priority, sema, nullptr);
}

S32 L_MBOX_SendWaitTicks(MBOX mbox, void* message, PRIORITY priority, SEMA sema, U32 ticks) {
  return s_nSendWait(mbox, message, priority, sema, &ticks);
}

S32 L_MBOX_SendWaitSeconds(MBOX mbox, void* message, PRIORITY priority, SEMA sema, U32 seconds) {
  U32 ticks = seconds > UINT_MAX / 1000u ? UINT_MAX : seconds * 1000u;
  return s_nSendWait(mbox, message, priority, sema, &ticks);
}

void* L_MBOX_Receive(MBOX mbox) { return s_pvReceive(mbox, false, nullptr); }

void* L_MBOX_ReceiveWait(MBOX mbox) { return s_pvReceive(mbox, true, nullptr); }

void* L_MBOX_ReceiveWaitTicks(MBOX mbox, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return s_pvReceive(mbox, true, &deadline);
}

void* L_MBOX_ReceiveWaitSeconds(MBOX mbox, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return s_pvReceive(mbox, true, &deadline);
}

S32 L_MBOX_AckMessage(void* message) {
  if (!message) return -lsSEMA_INVALID;
  MsgHeader* hdr = static_cast<MsgHeader*>(message);
  S32 sema = s_sema(hdr).load(std::memory_order_acquire);
  while (sema > 0) {
    if (s_sema(hdr).compare_exchange_weak(sema, MSG_SEMA_ACKNOWLEDGED, std::memory_order_acq_rel)) {
      return L_SEMA_Signal(sema);
    }
  }
  if (sema == MSG_SEMA_ABANDONED) return -lsTIMEOUT;
  return -lsSEMA_INVALID;
}

void H_MEMORY_vDumpMail(void* message) {
  if (!message) return;
  MsgHeader* hdr = static_cast<MsgHeader*>(message);
  S32 sema = s_sema(hdr).load(std::memory_order_acquire);
  if (sema > 0) {
    if (L_MBOX_AckMessage(message) != -lsTIMEOUT) return;
    sema = MSG_SEMA_ABANDONED;  // the sender gave up before we acknowledged
  }
  if (sema == MSG_SEMA_ACKNOWLEDGED) return;  // already given back to the sender
  H_MEMORY_vFree(message);
}

S32 L_MBOX_DefineSema(MBOX mbox, SEMA sema) {
  if (!s_bValidMbox(mbox)) return -lsMBOX_INVALID;
  if (!s_bValidSema(sema)) return -lsSEMA_INVALID;
  MBOX_INFO* mb = &s_table().box[mbox];
  pthread_mutex_lock(&mb->MboxMutex);
  __atomic_store_n(&mb->MboxSemaphore, sema, __ATOMIC_RELAXED);
  // A send signals only into an empty mailbox: mail that arrived before the
  // binding would otherwise wait unseen until some later wake-up.
  const bool holds_mail = mb->MboxHeadPtr != nullptr;
  pthread_mutex_unlock(&mb->MboxMutex);
  if (holds_mail && sema != 0) L_SEMA_Signal(sema);
  return lsSUCCESS;
}

void L_MBOX_Debug(void) {
  MBOX_TABLE& table = s_table();
  log_me("mbox information (%d total)", nmboxes);
  for (MBOX n = 1; n <= nmboxes; ++n) {
    MBOX_INFO* mb = &table.box[n];
    // A dump must not hang on a mailbox whose mutex a stuck thread holds:
    // such a mailbox is shown without its messages.
    const int lockword = L_nMutexLockWord(&mb->MboxMutex);
    const bool locked = pthread_mutex_trylock(&mb->MboxMutex) == 0;
    const SEMA bound = __atomic_load_n(&mb->MboxSemaphore, __ATOMIC_RELAXED);
    log_me("  %02d %s: sema #%d (%s) mutex.lock %d", n, get_mailbox_name(n), bound, get_semaphore_name(bound), lockword);
    if (!locked) continue;
    int place = 1;
    for (MsgHeader* msg = mb->MboxHeadPtr; msg; msg = msg->MsgNext, ++place) {
      const SEMA sema = s_sema(msg).load(std::memory_order_relaxed);
      log_me("    msg #%d: sema %d (%s) priority %d task %d (%s)", place, sema, get_semaphore_name(sema),
             msg->MsgPriority, msg->task, get_task_name(msg->task));
    }
    pthread_mutex_unlock(&mb->MboxMutex);
  }
}
