// Queues: fixed-size elements in a ring buffer, between reader threads and
// tasks. Each queue may signal an event semaphore on four conditions (not
// empty, not full, full, empty); blocking puts and gets wait on the queue's
// own condition on the host monotonic clock.
#include <errno.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>

#include <limits>

#include "lsvc/l_lockword.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

struct QUEUE_INFO {
  QUEUE_PARAM QueueParam;
  U8* ptrQueueBase;
  U8* ptrQueueEnd;
  U32 QueueCount;
  U8* ptrQueuePut;
  U8* ptrQueueGet;
  void* ptrQueueCreated;  // a buffer the queue allocated itself
  size_t sizQueueCreated;
  SEMA QueueSemas[4];  // indexed by QUEUE_CONDITION, 0 = none
  pthread_mutex_t QueueMutex;
  pthread_condattr_t QueueCondAttr;
  pthread_cond_t QueueCond;
};

struct QUEUE_TABLE {
  QUEUE_INFO q[nqueues + 1];  // index 0 unused
  QUEUE_TABLE() {
    memset(q, 0, sizeof q);
    for (int n = 0; n <= nqueues; ++n) {
      QUEUE_INFO& qi = q[n];
      if (n >= 1) qi.QueueParam = QueueParams[n - 1];
      pthread_mutexattr_t attr;
      pthread_mutexattr_init(&attr);
      pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
      pthread_mutex_init(&qi.QueueMutex, &attr);
      pthread_mutexattr_destroy(&attr);
      pthread_condattr_init(&qi.QueueCondAttr);
      pthread_condattr_setclock(&qi.QueueCondAttr, CLOCK_MONOTONIC);
      pthread_cond_init(&qi.QueueCond, &qi.QueueCondAttr);
    }
  }
};

// Created on the first use of any queue operation.
QUEUE_TABLE& s_table() {
  static QUEUE_TABLE table;
  return table;
}

bool s_bValid(QUEUE q) { return q >= 1 && q <= nqueues; }

void s_vSignal(QUEUE_INFO* qi, QUEUE_CONDITION cond) {
  if (qi->QueueSemas[cond]) L_SEMA_Signal(qi->QueueSemas[cond]);
}

void s_vReleaseCreated(QUEUE_INFO* qi) {
  free(qi->ptrQueueCreated);
  qi->ptrQueueCreated = nullptr;
  qi->sizQueueCreated = 0;
}

// Gives the queue a buffer of its own of width x depth bytes; FALSE when
// that cannot be done (the queue is then without buffer). Under the mutex.
bool s_bAllocate(QUEUE_INFO* qi) {
  s_vReleaseCreated(qi);
  qi->ptrQueueBase = qi->ptrQueueEnd = qi->ptrQueuePut = qi->ptrQueueGet = nullptr;
  qi->QueueCount = 0;
  const U64 size = (U64)qi->QueueParam.QParamWidth * qi->QueueParam.QParamDepth;
  if (size == 0 || size > std::numeric_limits<size_t>::max()) return false;
  void* buffer = malloc((size_t)size);
  if (!buffer) return false;
  qi->ptrQueueCreated = buffer;
  qi->sizQueueCreated = (size_t)size;
  qi->ptrQueueBase = qi->ptrQueuePut = qi->ptrQueueGet = static_cast<U8*>(buffer);
  qi->ptrQueueEnd = qi->ptrQueueBase + size;
  return true;
}

S32 s_nPutLocked(QUEUE_INFO* qi, const void* element) {
  if (!qi->ptrQueueBase && !s_bAllocate(qi)) return -lsQUEUE_INVALID;
  const U32 width = qi->QueueParam.QParamWidth;
  if (qi->QueueCount >= qi->QueueParam.QParamDepth) return -lsQUEUE_FULL;
  memcpy(qi->ptrQueuePut, element, width);
  qi->ptrQueuePut += width;
  if (qi->ptrQueuePut >= qi->ptrQueueEnd) qi->ptrQueuePut = qi->ptrQueueBase;
  qi->QueueCount++;
  s_vSignal(qi, QNE);
  if (qi->QueueCount == qi->QueueParam.QParamDepth) s_vSignal(qi, QF);
  pthread_cond_broadcast(&qi->QueueCond);
  return lsSUCCESS;
}

S32 s_nGetLocked(QUEUE_INFO* qi, void* element) {
  if (!qi->ptrQueueBase && !s_bAllocate(qi)) return -lsQUEUE_INVALID;
  const U32 width = qi->QueueParam.QParamWidth;
  if (qi->QueueCount == 0) return -lsQUEUE_EMPTY;
  memcpy(element, qi->ptrQueueGet, width);
  qi->ptrQueueGet += width;
  if (qi->ptrQueueGet >= qi->ptrQueueEnd) qi->ptrQueueGet = qi->ptrQueueBase;
  const bool was_full = qi->QueueCount == qi->QueueParam.QParamDepth;
  qi->QueueCount--;
  if (was_full) s_vSignal(qi, QNF);
  if (qi->QueueCount == 0) s_vSignal(qi, QE);
  pthread_cond_broadcast(&qi->QueueCond);
  return lsSUCCESS;
}

// One put or get; wait: block while full (put) or empty (get); deadline:
// null for no limit. A blocking call ends with 0 once the operation is done,
// with lsQUEUE_FULL / lsQUEUE_EMPTY when the deadline passed, and with any
// other failure as it is.
S32 s_nOperate(QUEUE q, bool put, void* element, bool wait, const struct timespec* deadline) {
  if (!s_bValid(q)) return -lsQUEUE_INVALID;
  if (!element) {
    log_me("L_QUEUE: no element for queue %d (%s)", q, get_queue_name(q));
    return -lsQUEUE_INVALID;
  }
  QUEUE_INFO* qi = &s_table().q[q];
  const S32 busy = put ? -lsQUEUE_FULL : -lsQUEUE_EMPTY;
  pthread_mutex_lock(&qi->QueueMutex);
  S32 rc = put ? s_nPutLocked(qi, element) : s_nGetLocked(qi, element);
  while (rc == busy && wait) {
    L_TASK_Deactivate();
    int wrc = deadline ? PLATFORM_nCondTimedWait(&qi->QueueCond, &qi->QueueMutex, deadline)
                       : pthread_cond_wait(&qi->QueueCond, &qi->QueueMutex);
    L_TASK_Activate();
    rc = put ? s_nPutLocked(qi, element) : s_nGetLocked(qi, element);
    if (wrc == ETIMEDOUT) break;
  }
  pthread_mutex_unlock(&qi->QueueMutex);
  return rc;
}

}  // namespace

const char* get_queue_name(QUEUE q) {
  if (q < 0 || q > nqueues) return "INVALID";
  return str_queues[q];
}

S32 L_QUEUE_Put(QUEUE q, const void* element) {
  return s_nOperate(q, true, const_cast<void*>(element), false, nullptr);
}

S32 L_QUEUE_Get(QUEUE q, void* element) { return s_nOperate(q, false, element, false, nullptr); }

S32 L_QUEUE_PutWait(QUEUE q, const void* element) {
  return s_nOperate(q, true, const_cast<void*>(element), true, nullptr);
}

S32 L_QUEUE_GetWait(QUEUE q, void* element) { return s_nOperate(q, false, element, true, nullptr); }

S32 L_QUEUE_PutWaitTicks(QUEUE q, const void* element, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return s_nOperate(q, true, const_cast<void*>(element), true, &deadline);
}

S32 L_QUEUE_GetWaitTicks(QUEUE q, void* element, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return s_nOperate(q, false, element, true, &deadline);
}

S32 L_QUEUE_PutWaitSeconds(QUEUE q, const void* element, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return s_nOperate(q, true, const_cast<void*>(element), true, &deadline);
}

S32 L_QUEUE_GetWaitSeconds(QUEUE q, void* element, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return s_nOperate(q, false, element, true, &deadline);
}

S32 L_QUEUE_Purge(QUEUE q) {
  if (!s_bValid(q)) return -lsQUEUE_INVALID;
  QUEUE_INFO* qi = &s_table().q[q];
  pthread_mutex_lock(&qi->QueueMutex);
  if (qi->QueueCount != 0) {
    const bool was_full = qi->QueueCount == qi->QueueParam.QParamDepth;
    qi->ptrQueueGet = qi->ptrQueuePut;
    qi->QueueCount = 0;
    if (was_full) s_vSignal(qi, QNF);
    s_vSignal(qi, QE);
    pthread_cond_broadcast(&qi->QueueCond);
  }
  pthread_mutex_unlock(&qi->QueueMutex);
  return lsSUCCESS;
}

S32 L_QUEUE_Inquire(QUEUE q) {
  if (!s_bValid(q)) return -lsQUEUE_INVALID;
  QUEUE_INFO* qi = &s_table().q[q];
  pthread_mutex_lock(&qi->QueueMutex);
  S32 count = (S32)qi->QueueCount;
  pthread_mutex_unlock(&qi->QueueMutex);
  return count;
}

S32 L_QUEUE_Define(QUEUE q, U32 width, U32 depth, void* buffer, U32 count) {
  if (!s_bValid(q)) return -lsQUEUE_INVALID;
  if (width == 0 || depth == 0 || (buffer && count > depth)) {
    log_me("L_QUEUE_Define: queue %d (%s) refused: width %u depth %u count %u", q, get_queue_name(q), width, depth,
           count);
    return -lsQUEUE_INVALID;
  }
  QUEUE_INFO* qi = &s_table().q[q];
  S32 rc = lsSUCCESS;
  pthread_mutex_lock(&qi->QueueMutex);
  qi->QueueParam.QParamWidth = width;
  qi->QueueParam.QParamDepth = depth;
  if (buffer) {
    s_vReleaseCreated(qi);
    qi->ptrQueueBase = static_cast<U8*>(buffer);
    qi->ptrQueueEnd = qi->ptrQueueBase + (size_t)width * depth;
    qi->QueueCount = count;
    qi->ptrQueueGet = qi->ptrQueueBase;
    qi->ptrQueuePut = qi->ptrQueueBase + (size_t)width * count;
    if (qi->ptrQueuePut >= qi->ptrQueueEnd) qi->ptrQueuePut = qi->ptrQueueBase;  // given full
  } else if (!s_bAllocate(qi)) {
    rc = -lsQUEUE_NO_MEMORY;
  }
  pthread_cond_broadcast(&qi->QueueCond);
  pthread_mutex_unlock(&qi->QueueMutex);
  return rc;
}

S32 L_QUEUE_DefineSema(QUEUE q, SEMA sema, QUEUE_CONDITION cond) {
  if (!s_bValid(q)) return -lsQUEUE_INVALID;
  if ((S32)cond < QNE || (S32)cond > QE) return -lsQCOND_INVALID;
  if (sema < 0 || sema > nsemas) return -lsSEMA_INVALID;
  QUEUE_INFO* qi = &s_table().q[q];
  pthread_mutex_lock(&qi->QueueMutex);
  qi->QueueSemas[cond] = sema;
  pthread_mutex_unlock(&qi->QueueMutex);
  return lsSUCCESS;
}

void L_QUEUE_Debug(void) {
  QUEUE_TABLE& table = s_table();
  log_me("queue information (%d total)", nqueues);
  for (QUEUE n = 1; n <= nqueues; ++n) {
    QUEUE_INFO* qi = &table.q[n];
    const int lockword = L_nMutexLockWord(&qi->QueueMutex);
    // A dump must not hang on a queue whose mutex a stuck thread holds:
    // such a queue shows its count as -1.
    bool locked = false;
    for (int tries = 0; tries < 20 && !locked; ++tries) {
      locked = pthread_mutex_trylock(&qi->QueueMutex) == 0;
      if (!locked) sched_yield();
    }
    if (!locked) {
      log_me("  %02d %s: width %d depth %d count %d QNE %d QNF %d QF %d QE %d mutex.lock %d", n, get_queue_name(n),
             -1, -1, -1, 0, 0, 0, 0, lockword);
      continue;
    }
    log_me("  %02d %s: width %d depth %d count %d QNE %d QNF %d QF %d QE %d mutex.lock %d", n, get_queue_name(n),
           (int)qi->QueueParam.QParamWidth, (int)qi->QueueParam.QParamDepth, (int)qi->QueueCount,
           qi->QueueSemas[QNE], qi->QueueSemas[QNF], qi->QueueSemas[QF], qi->QueueSemas[QE], lockword);
    pthread_mutex_unlock(&qi->QueueMutex);
  }
}
