// Resource mutexes: 104 numbered locks that guard the program's shared data.
// The owner may lock a mutex again (the nesting is counted and reported as
// lsMUTEX_NESTED); only the owner can unlock it.
//
// Ownership is that of a thread, not merely of a task id: every thread
// outside the task table shares the id 70, and two such threads (the timer
// thread and a serial reader, say) must not both pass a lock as "nested".
// The owner's task id is kept for the state dump and L_MUTEX_GetOwnerTaskID.
//
// A mutex is a small record guarded by its own short-held pthread mutex, with
// a condition on the monotonic clock on which blocked lockers wait; so timed
// locks follow the host clock (and the test clock).
#include <errno.h>

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

struct MUTEX_INFO {
  std::atomic<TASK> OwningTaskID{0};
  std::atomic<U32> NestLevel{0};
  pthread_mutex_t MutexStruct;  // guards the record, held briefly
  pthread_condattr_t MutexCondAttr;
  pthread_cond_t MutexCond;
  std::atomic<U64> OwningThread{0};  // 0 when free
  std::atomic<U32> Waiters{0};
};

struct MUTEX_TABLE {
  MUTEX_INFO res[nres + 1];  // index 0 unused
  MUTEX_TABLE() {
    for (auto& r : res) {
      pthread_mutex_init(&r.MutexStruct, nullptr);
      pthread_condattr_init(&r.MutexCondAttr);
      pthread_condattr_setclock(&r.MutexCondAttr, CLOCK_MONOTONIC);
      pthread_cond_init(&r.MutexCond, &r.MutexCondAttr);
    }
  }
};

// Created on the first use of any mutex operation.
MUTEX_TABLE& s_table() {
  static MUTEX_TABLE table;
  return table;
}

// A number that names the calling thread for as long as the process lives.
U64 s_u64MyThread() {
  static std::atomic<U64> s_next{1};
  thread_local U64 t_me = s_next.fetch_add(1, std::memory_order_relaxed);
  return t_me;
}

bool s_bValid(MUTEX m) { return m >= 1 && m <= nres; }

enum LOCK_MODE { LOCK_TRY, LOCK_WAIT, LOCK_UNTIL };

S32 s_nLock(MUTEX m, LOCK_MODE mode, const struct timespec* deadline) {
  if (!s_bValid(m)) return -lsMUTEX_INVALID;
  MUTEX_INFO* r = &s_table().res[m];
  const U64 me = s_u64MyThread();
  if (r->OwningThread.load(std::memory_order_relaxed) == me) {
    // Only the owner itself touches the nesting while it holds the mutex.
    r->NestLevel.fetch_add(1, std::memory_order_relaxed);
    return -lsMUTEX_NESTED;
  }
  pthread_mutex_lock(&r->MutexStruct);
  while (r->OwningThread.load(std::memory_order_relaxed) != 0) {
    if (mode == LOCK_TRY) {
      pthread_mutex_unlock(&r->MutexStruct);
      return -lsMUTEX_BUSY;
    }
    r->Waiters.fetch_add(1, std::memory_order_relaxed);
    L_TASK_Deactivate();
    int rc = mode == LOCK_UNTIL ? PLATFORM_nCondTimedWait(&r->MutexCond, &r->MutexStruct, deadline)
                                : pthread_cond_wait(&r->MutexCond, &r->MutexStruct);
    L_TASK_Activate();
    r->Waiters.fetch_sub(1, std::memory_order_relaxed);
    if (rc == ETIMEDOUT && r->OwningThread.load(std::memory_order_relaxed) != 0) {
      pthread_mutex_unlock(&r->MutexStruct);
      return -lsMUTEX_BUSY;
    }
  }
  r->OwningThread.store(me, std::memory_order_relaxed);
  r->OwningTaskID.store(L_TASK_GetMyID(), std::memory_order_relaxed);
  r->NestLevel.store(1, std::memory_order_relaxed);
  pthread_mutex_unlock(&r->MutexStruct);
  return lsSUCCESS;
}

}  // namespace

const char* get_mutex_name(MUTEX m) {
  if (m < 0 || m > nres) return "INVALID";
  return str_mutexes[m];
}

S32 L_MUTEX_LockWait(MUTEX m) { return s_nLock(m, LOCK_WAIT, nullptr); }

S32 L_MUTEX_Lock(MUTEX m) { return s_nLock(m, LOCK_TRY, nullptr); }

S32 L_MUTEX_LockTime(MUTEX m, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return s_nLock(m, LOCK_UNTIL, &deadline);
}

S32 L_MUTEX_Unlock(MUTEX m) {
  if (!s_bValid(m)) return -lsMUTEX_INVALID;
  MUTEX_INFO* r = &s_table().res[m];
  if (r->OwningThread.load(std::memory_order_relaxed) != s_u64MyThread()) return -lsMUTEX_BUSY;
  if (r->NestLevel.fetch_sub(1, std::memory_order_relaxed) > 1) return -lsMUTEX_NESTED;
  pthread_mutex_lock(&r->MutexStruct);
  r->OwningThread.store(0, std::memory_order_relaxed);
  r->OwningTaskID.store(0, std::memory_order_relaxed);
  if (r->Waiters.load(std::memory_order_relaxed)) pthread_cond_signal(&r->MutexCond);
  pthread_mutex_unlock(&r->MutexStruct);
  return lsSUCCESS;
}

TASK L_MUTEX_GetOwnerTaskID(MUTEX m) {
  if (!s_bValid(m)) return -lsMUTEX_INVALID;
  return s_table().res[m].OwningTaskID.load(std::memory_order_relaxed);
}

void L_MUTEX_Debug(void) {
  MUTEX_TABLE& table = s_table();
  log_me("mutex information (%d total)", nres);
  for (MUTEX m = 1; m <= nres; ++m) {
    MUTEX_INFO* r = &table.res[m];
    const TASK owner = r->OwningTaskID.load(std::memory_order_relaxed);
    const bool held = r->OwningThread.load(std::memory_order_relaxed) != 0;
    // Lock word as a plain mutex would show it: 0 free, 1 held, 2 held with waiters.
    const int lockword = !held ? 0 : (r->Waiters.load(std::memory_order_relaxed) ? 2 : 1);
    log_me("  %02d %s: task #%d (%s) nest %d mutex.lock %d", m, get_mutex_name(m), owner,
           get_task_name(owner), (int)r->NestLevel.load(std::memory_order_relaxed), lockword);
  }
}

// ---------------------------------------------------------------- BOOLEAN wrappers
BOOLEAN MUTEX_bLock(const MUTEX* m) { return (m && L_MUTEX_LockWait(*m) == lsSUCCESS) ? TRUE : FALSE; }

BOOLEAN MUTEX_bUnlock(const MUTEX* m) { return (m && L_MUTEX_Unlock(*m) == lsSUCCESS) ? TRUE : FALSE; }

// TRUE when the caller holds the mutex afterwards (outermost or nested).
BOOLEAN MUTEX_bTryLock(const MUTEX* m) {
  if (!m) return FALSE;
  S32 rc = L_MUTEX_Lock(*m);
  return (rc == lsSUCCESS || rc == -lsMUTEX_NESTED) ? TRUE : FALSE;
}

BOOLEAN MUTEX_bInit(MUTEX* m, BOOLEAN recursive) {
  (void)m;
  (void)recursive;
  return TRUE;
}

BOOLEAN MUTEX_bDestroy(MUTEX* m) {
  (void)m;
  return TRUE;
}
