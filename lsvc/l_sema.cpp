// Event semaphores: two-state events on which one task at a time waits. A
// signal sets the flag (a second signal before the flag is taken is an
// overrun and lost); a wait on a list returns the semaphore signalled first.
//
// A semaphore is one atomic word: the waiting and signalled bits and the
// time of the last signal. A signal sets the signalled bit and the time in
// one compare-and-swap and takes no lock; only when the word shows a waiter
// does it look further, and only when that waiter sleeps does it make a
// system call to wake it. A wait marks its semaphores under their mutexes,
// taken in ascending number whatever the order of the caller's list, so that
// two waits on overlapping lists cannot both mark a shared semaphore; the
// mutexes are held only for the marking. It then looks for a signal for a
// few microseconds before it sleeps on a futex word of its own thread.
#include <errno.h>
#include <linux/futex.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "lsvc/l_lockword.h"
#include "lsvc/l_task_priv.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

// The semaphore word: state bits (the dump's 0 pending, 1 waiting, 2 done,
// 3 reset) below the time of the last signal in nanoseconds since the
// clock's start.
constexpr U64 SEMA_WAITING = 1;
constexpr U64 SEMA_SIGNALLED = 2;
constexpr U64 SEMA_STATE = 3;
constexpr int SEMA_TIME_SHIFT = 2;

constexpr U64 NS_PER_MS = 1000000ull;

// Where one thread sleeps in a semaphore wait. Records are never freed: a
// signaller may still hold one after its thread has stopped waiting, and at
// worst wakes the record's next user for nothing.
struct alignas(64) WAITER {
  std::atomic<U32> u32Sleep{0};  // futex word: 1 while the thread may be asleep on it
  std::atomic<TASK> Task{0};     // the task id of the thread using the record
  WAITER* pNextAll = nullptr;    // every record ever made
  WAITER* pNextFree = nullptr;   // records whose thread has ended
};
static_assert(sizeof(std::atomic<U32>) == sizeof(U32) && std::atomic<U32>::is_always_lock_free,
              "the futex word is a plain 32-bit word");

std::mutex s_waiterMutex;  // guards s_freeWaiters
WAITER* s_freeWaiters = nullptr;
std::atomic<WAITER*> s_allWaiters{nullptr};

// A new record, added to the list of all records.
WAITER* pxRegisteredWaiter(void) {
  WAITER* w = new WAITER;
  w->pNextAll = s_allWaiters.load(std::memory_order_relaxed);
  while (!s_allWaiters.compare_exchange_weak(w->pNextAll, w, std::memory_order_release, std::memory_order_relaxed)) {
  }
  return w;
}

// A record for a thread: one whose thread has ended, or a new one.
WAITER* pxNewWaiter(void) {
  {
    std::lock_guard<std::mutex> lock(s_waiterMutex);
    if (WAITER* w = s_freeWaiters) {
      s_freeWaiters = w->pNextFree;
      return w;
    }
  }
  return pxRegisteredWaiter();
}

// The calling thread's record, handed back when the thread ends. A wait
// made after that (from the destructor of another thread-local object) gets
// a record of its own that is not handed back, so that no two threads ever
// sleep on one record.
struct WAITER_HOLDER {
  WAITER* pWaiter = nullptr;
  bool bEnded = false;
  ~WAITER_HOLDER() {
    bEnded = true;
    if (pWaiter == nullptr) return;
    pWaiter->Task.store(0, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(s_waiterMutex);
    pWaiter->pNextFree = s_freeWaiters;
    s_freeWaiters = pWaiter;
    pWaiter = nullptr;
  }
};

WAITER* pxMyWaiter(void) {
  static thread_local WAITER_HOLDER holder;
  if (holder.pWaiter == nullptr) {
    if (!holder.bEnded) {
      holder.pWaiter = pxNewWaiter();
    } else {
      static thread_local WAITER* late = nullptr;
      if (late == nullptr) late = pxRegisteredWaiter();
      return late;
    }
  }
  return holder.pWaiter;
}

void vFutexWake(std::atomic<U32>* word) {
  syscall(SYS_futex, reinterpret_cast<U32*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

// Sleeps while the word holds value, at most timeout (null: no limit).
void vFutexWait(std::atomic<U32>* word, U32 value, const struct timespec* timeout) {
  syscall(SYS_futex, reinterpret_cast<U32*>(word), FUTEX_WAIT_PRIVATE, value, timeout, nullptr, 0);
}

// Wakes the thread if it sleeps or is about to: it set its word to 1 before
// its last look at its semaphores, so a signal it did not see finds the 1.
void vWake(WAITER* w) {
  if (w->u32Sleep.load(std::memory_order_seq_cst) == 1 && w->u32Sleep.exchange(0, std::memory_order_seq_cst) == 1) {
    vFutexWake(&w->u32Sleep);
  }
}

struct alignas(64) SEMA_INFO {
  std::atomic<U64> u64Word{0};
  // Set by the waiter before it sets the waiting bit and cleared before it
  // clears the bit, so that whoever sees the bit finds them (or the waiter
  // on its way out).
  std::atomic<WAITER*> pWaiter{nullptr};
  std::atomic<TASK> WaitingTaskID{0};
  pthread_mutex_t SemaMutex;  // held only while a wait marks the semaphore
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
    if (semas[l.order[i]].u64Word.load(std::memory_order_seq_cst) & SEMA_SIGNALLED) return true;
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

// Signals one semaphore. 0 or -3 (overrun: nothing changes).
S32 nSignal(SEMA_INFO& r) {
  U64 old = r.u64Word.load(std::memory_order_relaxed);
  if (old & SEMA_SIGNALLED) return -lsSEMA_OVERRUN;
  const U64 fired = L_CLOCK_qwGetTimeInNans() << SEMA_TIME_SHIFT;
  while (!r.u64Word.compare_exchange_weak(old, (old & SEMA_WAITING) | SEMA_SIGNALLED | fired,
                                          std::memory_order_seq_cst, std::memory_order_relaxed)) {
    if (old & SEMA_SIGNALLED) return -lsSEMA_OVERRUN;
  }
  if (old & SEMA_WAITING) {
    if (WAITER* w = r.pWaiter.load(std::memory_order_seq_cst)) vWake(w);
  }
  return lsSUCCESS;
}

// Takes the semaphore signalled first (on equal times the earlier in the
// caller's list) and returns it; 0 when none is signalled.
SEMA nTakeFirst(SEMA_INFO* semas, const SEMA_LIST& l) {
  for (;;) {
    SEMA chosen = 0;
    U64 chosen_word = 0;
    for (int i = 0; i < l.count; ++i) {
      const U64 word = semas[l.order[i]].u64Word.load(std::memory_order_seq_cst);
      if (!(word & SEMA_SIGNALLED)) continue;
      if (chosen == 0 || (word >> SEMA_TIME_SHIFT) < (chosen_word >> SEMA_TIME_SHIFT)) {
        chosen = l.order[i];
        chosen_word = word;
      }
    }
    if (chosen == 0) return 0;
    if (semas[chosen].u64Word.compare_exchange_strong(chosen_word, chosen_word & ~SEMA_SIGNALLED,
                                                      std::memory_order_seq_cst)) {
      return chosen;
    }
    // Changed since it was read (signalled again, or taken back by a
    // set-pending before this wait marked it): look again.
  }
}

void vUnmark(SEMA_INFO* semas, const SEMA_LIST& l) {
  for (int i = 0; i < l.count; ++i) {
    SEMA_INFO& r = semas[l.sorted[i]];
    r.pWaiter.store(nullptr, std::memory_order_seq_cst);
    r.WaitingTaskID.store(0, std::memory_order_seq_cst);
    r.u64Word.fetch_and(~SEMA_WAITING, std::memory_order_seq_cst);
  }
}

U64 u64Ns(const struct timespec* t) { return (U64)t->tv_sec * 1000000000ull + (U64)t->tv_nsec; }

// Waits on the collected list until one is signalled or the deadline (null:
// none) passes. The semaphore number, -1 on time-out, -6 on a wait conflict.
S32 nWait(const SEMA_LIST& l, const struct timespec* deadline) {
  SEMA_INFO* semas = pxSemas();
  if (L_TASK_bTerminateRequested()) L_TASK_vExitMe();
  const TASK me = L_TASK_GetMyID();
  WAITER* w = pxMyWaiter();
  w->Task.store(me, std::memory_order_relaxed);

  vLockAll(semas, l);
  for (int i = 0; i < l.count; ++i) {
    if (semas[l.sorted[i]].u64Word.load(std::memory_order_seq_cst) & SEMA_WAITING) {
      vUnlockAll(semas, l);
      return -lsSEMA_WAIT_CONFLICT;
    }
  }
  // Already signalled: no need to wait.
  const SEMA ready = nTakeFirst(semas, l);
  if (ready != 0) {
    vUnlockAll(semas, l);
    return ready;
  }
  for (int i = 0; i < l.count; ++i) {
    SEMA_INFO& r = semas[l.sorted[i]];
    r.pWaiter.store(w, std::memory_order_seq_cst);
    r.WaitingTaskID.store(me, std::memory_order_seq_cst);
    r.u64Word.fetch_or(SEMA_WAITING, std::memory_order_seq_cst);
  }
  vUnlockAll(semas, l);

  const U64 deadline_ns = deadline != nullptr ? u64Ns(deadline) : 0;
  // A signal often follows within microseconds (a reply to a request just
  // sent): look for it briefly before going to sleep, on machines with more
  // than one core and when there is time left to wait.
  if (bSpinWorthwhile() && (deadline == nullptr || PLATFORM_u64MonotonicNs() < deadline_ns)) {
    for (int i = 0; i < SPIN_LOOKS && !bAnySignalled(semas, l); ++i) vCpuRelax();
  }
  S32 result = 0;
  bool terminate = false;
  if (!bAnySignalled(semas, l)) {
    L_TASK_Deactivate();
    for (;;) {
      // Announced before the last look: a signal after the look sees it.
      w->u32Sleep.store(1, std::memory_order_seq_cst);
      if (L_TASK_bTerminateRequested()) {
        terminate = true;
        break;
      }
      if (bAnySignalled(semas, l)) break;
      if (deadline == nullptr) {
        vFutexWait(&w->u32Sleep, 1, nullptr);
        continue;
      }
      const U64 now = PLATFORM_u64MonotonicNs();
      if (now >= deadline_ns) {
        result = -lsTIMEOUT;
        break;
      }
      // On the test clock, look at the clock again every millisecond of
      // real time, so that an advance is seen promptly.
      U64 sleep_ns = deadline_ns - now;
      if (PLATFORM_bTestClockActive()) sleep_ns = std::min(sleep_ns, NS_PER_MS);
      const struct timespec timeout = {(time_t)(sleep_ns / 1000000000ull), (long)(sleep_ns % 1000000000ull)};
      vFutexWait(&w->u32Sleep, 1, &timeout);
    }
    w->u32Sleep.store(0, std::memory_order_relaxed);
    L_TASK_Activate();
  }

  // Still marked as the waiter: no other wait and no set-pending can take
  // a listed semaphore's signal from under this one.
  if (!terminate && result == 0) result = nTakeFirst(semas, l);
  vUnmark(semas, l);
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

void L_SEMA_vWakeTask(TASK id) {
  for (WAITER* w = s_allWaiters.load(std::memory_order_acquire); w != nullptr; w = w->pNextAll) {
    if (w->Task.load(std::memory_order_relaxed) == id) vWake(w);
  }
}

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
  U64 old = r.u64Word.load(std::memory_order_relaxed);
  while ((old & SEMA_STATE) == SEMA_SIGNALLED &&
         !r.u64Word.compare_exchange_weak(old, old & ~SEMA_SIGNALLED, std::memory_order_seq_cst,
                                          std::memory_order_relaxed)) {
  }
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
  U64 word = r.u64Word.load(std::memory_order_seq_cst);
  if (word & SEMA_WAITING) {
    const TASK waiter = r.WaitingTaskID.load(std::memory_order_seq_cst);
    if (waiter != 0) return waiter;
    // The waiter is on its way out: what it leaves behind.
    word = r.u64Word.load(std::memory_order_seq_cst);
  }
  return (word & SEMA_SIGNALLED) ? -lsSEMA_DONE : -lsSEMA_PENDING;
}

S32 L_SEMA_Wait(SEMA sema) { return nWaitOne(sema, nullptr); }

S32 L_SEMA_WaitDeadline(SEMA sema, const struct timespec* deadline) { return nWaitOne(sema, deadline); }

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
    const U64 word = r.u64Word.load(std::memory_order_seq_cst);
    const TASK waiter = (word & SEMA_WAITING) ? r.WaitingTaskID.load(std::memory_order_seq_cst) : 0;
    log_me("  %02d %s: %s task #%d (%s) fired at %lld mutex.lock %d", i, get_semaphore_name(i),
           state_names[word & SEMA_STATE], (int)waiter, get_task_name(waiter),
           (long long)(word >> SEMA_TIME_SHIFT), L_nMutexLockWord(&r.SemaMutex));
  }
}
