// Event semaphores: two-state events on which one task at a time waits. A
// signal sets the flag (a second signal before the flag is taken is an
// overrun and lost); a wait on a list returns the semaphore signalled first.
//
// Every wait locks its semaphores' mutexes in ascending number, whatever the
// order of the caller's list, so that waits on overlapping lists cannot
// deadlock. It marks them, lets them go, and sleeps under its own wake
// mutex; a signaller takes the semaphore's mutex, then the waiter's wake
// mutex.
#include <errno.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "lsvc/l_lockword.h"
#include "lsvc/l_task_priv.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr U8 SEMA_WAITING = 1;
constexpr U8 SEMA_SIGNALLED = 2;

struct SEMA_INFO {
  // State bits; written under SemaMutex, read without it by the waiter's
  // loop (which holds its wake mutex, so no signal is missed).
  std::atomic<U8> u8SemaState{0};
  TASK WaitingTaskID = 0;
  U64 u64FireTimestamp = 0;
  pthread_mutex_t SemaMutex;
  TASK_WAKE xWaker = {nullptr, nullptr};  // the waiter's wake pair while it waits
};

SEMA_INFO* pxSemas(void) {
  static SEMA_INFO* semas = [] {
    SEMA_INFO* s = new SEMA_INFO[nsemas + 1];
    for (int i = 0; i <= nsemas; ++i) pthread_mutex_init(&s[i].SemaMutex, nullptr);
    return s;
  }();
  return semas;
}

inline bool bValid(SEMA s) { return s >= 1 && s <= nsemas; }

// The valid semaphores of a zero-terminated list, each once: in the caller's
// order (first occurrence) and in ascending order (the lock order).
struct SEMA_LIST {
  SEMA order[nsemas];
  SEMA sorted[nsemas];
  int count = 0;
};

void vCollect(const SEMA* list, SEMA_LIST* out) {
  out->count = 0;
  if (list == nullptr) return;
  for (const SEMA* p = list; *p != 0; ++p) {
    const SEMA s = *p;
    if (!bValid(s)) continue;
    int i = out->count;
    while (i > 0 && out->sorted[i - 1] > s) --i;
    if (i > 0 && out->sorted[i - 1] == s) continue;
    memmove(&out->sorted[i + 1], &out->sorted[i], sizeof(SEMA) * (size_t)(out->count - i));
    out->sorted[i] = s;
    out->order[out->count] = s;
    out->count += 1;
  }
}

void vLockAll(SEMA_INFO* semas, const SEMA_LIST& l) {
  for (int i = 0; i < l.count; ++i) pthread_mutex_lock(&semas[l.sorted[i]].SemaMutex);
}

void vUnlockAll(SEMA_INFO* semas, const SEMA_LIST& l) {
  for (int i = l.count - 1; i >= 0; --i) pthread_mutex_unlock(&semas[l.sorted[i]].SemaMutex);
}

bool bAnySignalled(SEMA_INFO* semas, const SEMA_LIST& l) {
  for (int i = 0; i < l.count; ++i) {
    if (semas[l.order[i]].u8SemaState.load(std::memory_order_acquire) & SEMA_SIGNALLED) return true;
  }
  return false;
}

constexpr int SPIN_LOOKS = 200;

bool bSpinWorthwhile(void) {
  static const bool worthwhile = sysconf(_SC_NPROCESSORS_ONLN) > 1;
  return worthwhile;
}

inline void vCpuRelax(void) {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
  __asm__ __volatile__("yield");
#endif
}

// Signals one semaphore; the caller holds nothing. 0 or -3 (overrun).
S32 nSignal(SEMA_INFO& r) {
  pthread_mutex_lock(&r.SemaMutex);
  const U8 state = r.u8SemaState.load(std::memory_order_relaxed);
  if (state & SEMA_SIGNALLED) {
    pthread_mutex_unlock(&r.SemaMutex);
    return -lsSEMA_OVERRUN;
  }
  r.u64FireTimestamp = L_CLOCK_qwGetTimeInNans();
  r.u8SemaState.store(state | SEMA_SIGNALLED, std::memory_order_release);
  if ((state & SEMA_WAITING) && r.xWaker.pMutex != nullptr) {
    // The waiter holds its wake mutex from its last look at the flags until
    // it sleeps: passing through the mutex means it now sleeps or will see
    // the flag. Waking it after the unlock spares it a block on the mutex.
    // The wake pair stays valid: the waiter clears its marks only under this
    // semaphore's mutex, which is held here.
    pthread_mutex_lock(r.xWaker.pMutex);
    pthread_mutex_unlock(r.xWaker.pMutex);
    pthread_cond_broadcast(r.xWaker.pCond);
  }
  pthread_mutex_unlock(&r.SemaMutex);
  return lsSUCCESS;
}

// Takes the semaphore signalled first (on equal times the earlier in the
// caller's list) and returns it; 0 when none is signalled. Caller holds the
// list's mutexes.
SEMA nTakeFirst(SEMA_INFO* semas, const SEMA_LIST& l) {
  SEMA chosen = 0;
  U64 earliest = 0;
  for (int i = 0; i < l.count; ++i) {
    SEMA_INFO& r = semas[l.order[i]];
    if (!(r.u8SemaState.load(std::memory_order_relaxed) & SEMA_SIGNALLED)) continue;
    if (chosen == 0 || r.u64FireTimestamp < earliest) {
      chosen = l.order[i];
      earliest = r.u64FireTimestamp;
    }
  }
  if (chosen != 0) semas[chosen].u8SemaState.fetch_and((U8)~SEMA_SIGNALLED, std::memory_order_relaxed);
  return chosen;
}

// Waits on the collected list until one is signalled or the deadline (null:
// none) passes. The semaphore number, -1 on time-out, -6 on a wait conflict.
S32 nWait(const SEMA_LIST& l, const struct timespec* deadline) {
  SEMA_INFO* semas = pxSemas();
  if (L_TASK_bTerminateRequested()) L_TASK_vExitMe();
  const TASK me = L_TASK_GetMyID();
  const TASK_WAKE wake = L_TASK_xMyWake();

  vLockAll(semas, l);
  for (int i = 0; i < l.count; ++i) {
    if (semas[l.sorted[i]].u8SemaState.load(std::memory_order_relaxed) & SEMA_WAITING) {
      vUnlockAll(semas, l);
      return -lsSEMA_WAIT_CONFLICT;
    }
  }
  // Already signalled: no need to sleep.
  const SEMA ready = nTakeFirst(semas, l);
  if (ready != 0) {
    vUnlockAll(semas, l);
    return ready;
  }
  for (int i = 0; i < l.count; ++i) {
    SEMA_INFO& r = semas[l.sorted[i]];
    r.u8SemaState.fetch_or(SEMA_WAITING, std::memory_order_relaxed);
    r.WaitingTaskID = me;
    r.xWaker = wake;
  }
  vUnlockAll(semas, l);
  // A signal often follows within microseconds (a reply to a request just
  // sent): look for it briefly before going to sleep, on machines with
  // more than one core. The flags are looked at again under the wake mutex.
  if (bSpinWorthwhile()) {
    for (int i = 0; i < SPIN_LOOKS && !bAnySignalled(semas, l); ++i) vCpuRelax();
  }
  S32 result = 0;
  bool terminate = false;
  L_TASK_Deactivate();
  pthread_mutex_lock(wake.pMutex);
  for (;;) {
    if (L_TASK_bTerminateRequested()) {
      terminate = true;
      break;
    }
    if (bAnySignalled(semas, l)) break;
    if (deadline == nullptr) {
      pthread_cond_wait(wake.pCond, wake.pMutex);
    } else if (PLATFORM_nCondTimedWait(wake.pCond, wake.pMutex, deadline) == ETIMEDOUT) {
      result = -lsTIMEOUT;
      break;
    }
  }
  pthread_mutex_unlock(wake.pMutex);
  L_TASK_Activate();

  vLockAll(semas, l);
  if (!terminate && result == 0) result = nTakeFirst(semas, l);
  for (int i = 0; i < l.count; ++i) {
    SEMA_INFO& r = semas[l.sorted[i]];
    r.u8SemaState.fetch_and((U8)~SEMA_WAITING, std::memory_order_relaxed);
    r.WaitingTaskID = 0;
    r.xWaker = TASK_WAKE{nullptr, nullptr};
  }
  vUnlockAll(semas, l);
  // Asked to end by another task: the marks are cleaned, no lock is held.
  if (terminate) L_TASK_vExitMe();
  return result;
}

S32 nWaitOne(SEMA sema, const struct timespec* deadline) {
  if (!bValid(sema)) return -lsSEMA_INVALID;
  SEMA_LIST l;
  l.order[0] = l.sorted[0] = sema;
  l.count = 1;
  const S32 rc = nWait(l, deadline);
  return rc > 0 ? lsSUCCESS : rc;
}

S32 nWaitList(const SEMA* list, const struct timespec* deadline) {
  SEMA_LIST l;
  vCollect(list, &l);
  if (l.count == 0) return -lsSEMA_INVALID;
  return nWait(l, deadline);
}

}  // namespace

const char* get_semaphore_name(SEMA sema) {
  if (sema == -1) return "RC_TIMEOUT";
  if (sema < 0 || sema > nsemas) return "INVALID";
  return str_semaphores[sema];
}

S32 L_SEMA_Signal(SEMA sema) {
  if (!bValid(sema)) return -lsSEMA_INVALID;
  return nSignal(pxSemas()[sema]);
}

S32 L_SEMA_SignalMultiple(const SEMA* list) {
  if (list == nullptr) return -lsSEMA_INVALID;
  bool any = false;
  SEMA_INFO* semas = pxSemas();
  for (const SEMA* p = list; *p != 0; ++p) {
    if (!bValid(*p)) continue;
    any = true;
    (void)nSignal(semas[*p]);
  }
  return any ? lsSUCCESS : -lsSEMA_INVALID;
}

S32 L_SEMA_SetPending(SEMA sema) {
  if (!bValid(sema)) return -lsSEMA_INVALID;
  SEMA_INFO& r = pxSemas()[sema];
  pthread_mutex_lock(&r.SemaMutex);
  const U8 state = r.u8SemaState.load(std::memory_order_relaxed);
  if (!(state & SEMA_WAITING)) r.u8SemaState.store(state & (U8)~SEMA_SIGNALLED, std::memory_order_relaxed);
  pthread_mutex_unlock(&r.SemaMutex);
  return lsSUCCESS;
}

S32 L_SEMA_SetPendingMultiple(const SEMA* list) {
  if (list == nullptr) return -lsSEMA_INVALID;
  bool any = false;
  for (const SEMA* p = list; *p != 0; ++p) {
    if (!bValid(*p)) continue;
    any = true;
    (void)L_SEMA_SetPending(*p);
  }
  return any ? lsSUCCESS : -lsSEMA_INVALID;
}

S32 L_SEMA_GetWaitingTaskID(SEMA sema) {
  if (!bValid(sema)) return -lsSEMA_INVALID;
  SEMA_INFO& r = pxSemas()[sema];
  pthread_mutex_lock(&r.SemaMutex);
  const U8 state = r.u8SemaState.load(std::memory_order_relaxed);
  const S32 result = (state & SEMA_WAITING) ? r.WaitingTaskID
                     : (state & SEMA_SIGNALLED) ? -lsSEMA_DONE
                                                : -lsSEMA_PENDING;
  pthread_mutex_unlock(&r.SemaMutex);
  return result;
}

S32 L_SEMA_Wait(SEMA sema) { return nWaitOne(sema, nullptr); }

S32 L_SEMA_WaitTicks(SEMA sema, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return nWaitOne(sema, &deadline);
}

S32 L_SEMA_WaitSeconds(SEMA sema, U32 seconds) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutSeconds(&deadline, seconds);
  return nWaitOne(sema, &deadline);
}

S32 L_SEMA_WaitMultiple(const SEMA* list) { return nWaitList(list, nullptr); }

S32 L_SEMA_WaitMultipleTicks(const SEMA* list, U32 ticks) {
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, ticks);
  return nWaitList(list, &deadline);
}

void L_SEMA_Debug(void) {
  static const char* const state_names[4] = {"pending", "waiting", "done", "reset"};
  SEMA_INFO* semas = pxSemas();
  log_me("semaphore information (%d total)", nsemas);
  for (int i = 1; i <= nsemas; ++i) {
    SEMA_INFO& r = semas[i];
    const int lock_word = L_nMutexLockWord(&r.SemaMutex);
    pthread_mutex_lock(&r.SemaMutex);
    const U8 state = r.u8SemaState.load(std::memory_order_relaxed) & 3;
    const TASK waiter = r.WaitingTaskID;
    const U64 fired = r.u64FireTimestamp;
    pthread_mutex_unlock(&r.SemaMutex);
    log_me("  %02d %s: %s task #%d (%s) fired at %lld mutex.lock %d", i, get_semaphore_name(i), state_names[state],
           (int)waiter, get_task_name(waiter), (long long)fired, lock_word);
  }
}
