// Timers: 50 one-shot or periodic timers, each bound to an event semaphore
// that it signals on expiry. All times are ticks of one millisecond on the
// host's monotonic clock.
//
// The "timer" thread keeps the armed timers: it sleeps on a condition until
// the earliest due time, then handles every timer that is due. Expiries that
// pile up before the thread handles them (a late wake-up) merge into one
// semaphore signal; the fired and queued counts keep the tally. Every start
// and stop moves the timer to a new generation, so an expiry noted for an
// earlier run of a timer never fires the restarted one.
//
// A record a task supplies through L_TIMER_InitTimer is its handle only: the
// module keeps the timer's state in a record of its own, found by the
// handle's address, and never reads or writes the caller's record after
// initialising it. The caller's record may therefore end (a local variable
// whose function returns) while the timer runs; the address still names the
// timer for L_TIMER_Stop and L_TIMER_Release.
#include <errno.h>
#include <string.h>

#include <algorithm>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr U8 TIMER_IDLE = 0;
constexpr U8 TIMER_RUNNING = 1;  // one-shot
constexpr U8 TIMER_CYCLING = 2;  // periodic
constexpr U64 NS_PER_MS = 1000000ull;
constexpr U64 NO_DUE = ~0ull;
// Records supplied by their owners through L_TIMER_InitTimer.
constexpr int MAX_EXTRA_TIMERS = 16;

// TimerMutex guards every record, the counters and the thread's set-up.
pthread_mutex_t s_timerMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_condattr_t s_timerCondAttr;
pthread_cond_t s_timerCond;
bool s_bSetUp = false;
TIMER_INFO s_timers[ntmrs];
// Timers initialised on records of their owners: the handle (the address of
// the owner's record, null for a free slot) and the module's own record.
const void* s_extraHandle[MAX_EXTRA_TIMERS];
TIMER_INFO s_extra[MAX_EXTRA_TIMERS];
U32 s_u32Fired = 0;
U32 s_u32Queued = 0;

const char* pcStateName(U8 state) {
  switch (state) {
    case TIMER_IDLE:
      return "idle";
    case TIMER_RUNNING:
      return "running";
    case TIMER_CYCLING:
      return "cycling";
    default:
      return "invalid";
  }
}

void vToTimespec(U64 ns, struct timespec* ts) {
  ts->tv_sec = (time_t)(ns / 1000000000ull);
  ts->tv_nsec = (long)(ns % 1000000000ull);
}

// The module's record of a handle: a record of the pool is its own record;
// for one registered by L_TIMER_InitTimer it is the slot's record. Null for
// an unknown handle. Caller holds s_timerMutex.
TIMER_INFO* pxRecord(const TIMER_INFO* handle) {
  if (handle == nullptr) return nullptr;
  for (int i = 0; i < ntmrs; ++i) {
    if (handle == &s_timers[i]) return &s_timers[i];
  }
  for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
    if (handle == s_extraHandle[i]) return &s_extra[i];
  }
  return nullptr;
}

template <typename F>
void vForEachTimer(F f) {
  for (int i = 0; i < ntmrs; ++i) f(&s_timers[i]);
  for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
    if (s_extraHandle[i] != nullptr) f(&s_extra[i]);
  }
}

// Disarms a timer (caller holds s_timerMutex): idle, no queued expiry, new
// generation.
void vDisarm(TIMER_INFO* t) {
  t->u8TimerState = TIMER_IDLE;
  t->u8TimerSignal = 0;
  t->u32Generation += 1;
}

struct EXPIRY {
  TIMER_INFO* timer;
  U32 generation;
};

// One pass of the timer thread at time now (caller holds s_timerMutex).
// Returns the earliest due time of the timers still armed.
U64 u64HandleDue(U64 now) {
  EXPIRY queued[ntmrs + MAX_EXTRA_TIMERS];
  int count = 0;
  // Note the expiries.
  vForEachTimer([&](TIMER_INFO* t) {
    if (t->u8TimerState == TIMER_IDLE || t->u64DueNs > now) return;
    U32 expiries = 1;
    if (t->u8TimerState == TIMER_CYCLING) {
      const U64 period = (U64)t->u32PeriodMs * NS_PER_MS;
      const U64 late = (now - t->u64DueNs) / period;
      expiries = (U32)std::min<U64>(late + 1, 0xFFFFFFFFull);
      t->u64DueNs += (late + 1) * period;
    }
    s_u32Fired += expiries;
    t->timer_fired_count += expiries;
    if (t->u8TimerSignal == 0) {
      s_u32Queued += 1;
      t->timer_queue_count += 1;
      queued[count++] = EXPIRY{t, t->u32Generation};
    }
    t->u8TimerSignal = (U8)std::min<U32>(255u, (U32)t->u8TimerSignal + expiries);
  });
  // Handle them: one signal per timer however many expiries merged.
  for (int i = 0; i < count; ++i) {
    TIMER_INFO* t = queued[i].timer;
    if (t->u32Generation != queued[i].generation) continue;  // restarted or stopped since
    t->u8TimerSignal = 0;
    if (t->u8TimerState == TIMER_IDLE) continue;
    if (t->u8TimerState == TIMER_RUNNING) t->u8TimerState = TIMER_IDLE;
    if (t->Semaphore != 0) (void)L_SEMA_Signal(t->Semaphore);  // an overrun is no matter
  }
  U64 next = NO_DUE;
  vForEachTimer([&](TIMER_INFO* t) {
    if (t->u8TimerState != TIMER_IDLE) next = std::min(next, t->u64DueNs);
  });
  return next;
}

void* pvTimerThread(void*) {
  // Expiries are handled ahead of ordinary tasks where the system allows it.
  (void)PLATFORM_bSetFifoPriority(98);
  pthread_detach(pthread_self());
  pthread_mutex_lock(&s_timerMutex);
  for (;;) {
    const U64 next = u64HandleDue(PLATFORM_u64MonotonicNs());
    if (next == NO_DUE) {
      pthread_cond_wait(&s_timerCond, &s_timerMutex);
    } else {
      struct timespec deadline;
      vToTimespec(next, &deadline);
      (void)PLATFORM_nCondTimedWait(&s_timerCond, &s_timerMutex, &deadline);
    }
  }
  return nullptr;
}

// Starts the timer thread on first use (caller holds s_timerMutex).
bool bSetUp(void) {
  if (s_bSetUp) return true;
  pthread_condattr_init(&s_timerCondAttr);
  pthread_condattr_setclock(&s_timerCondAttr, CLOCK_MONOTONIC);
  pthread_cond_init(&s_timerCond, &s_timerCondAttr);
  if (L_UTILS_threadCreateSimpleThread("timer", pvTimerThread, nullptr) == 0) {
    pthread_cond_destroy(&s_timerCond);
    pthread_condattr_destroy(&s_timerCondAttr);
    log_me("timer thread could not be started");
    return false;
  }
  s_bSetUp = true;
  return true;
}

// Wakes the timer thread so it looks at the armed timers again.
void vKick(void) { pthread_cond_signal(&s_timerCond); }

}  // namespace

TIMER_INFO* L_TIMER_Allocate(void) {
  const TASK me = L_TASK_GetMyID();
  TIMER_INFO* found = nullptr;
  pthread_mutex_lock(&s_timerMutex);
  if (bSetUp()) {
    for (int i = 0; i < ntmrs; ++i) {
      TIMER_INFO* t = &s_timers[i];
      if (t->OwningTaskID != 0) continue;
      vDisarm(t);
      t->OwningTaskID = me;
      t->Semaphore = 0;
      t->TimerID = (U32)(i + 1);
      found = t;
      break;
    }
  }
  pthread_mutex_unlock(&s_timerMutex);
  return found;
}

TIMER_INFO* L_TIMER_Start(TIMER_INFO* timer, U32 first_ticks, U32 period_ticks, SEMA sema) {
  if (timer == nullptr) {
    timer = L_TIMER_Allocate();
    if (timer == nullptr) return nullptr;
  }
  const TASK me = L_TASK_GetMyID();
  pthread_mutex_lock(&s_timerMutex);
  TIMER_INFO* t = pxRecord(timer);
  if (t == nullptr || t->OwningTaskID != me) {
    pthread_mutex_unlock(&s_timerMutex);
    return nullptr;
  }
  vDisarm(t);
  if (sema >= 0) t->Semaphore = sema;
  // A signal left from an earlier run is discarded.
  if (t->Semaphore != 0) (void)L_SEMA_SetPending(t->Semaphore);
  if (first_ticks == 0) {
    if (t->Semaphore != 0) (void)L_SEMA_Signal(t->Semaphore);
    if (period_ticks == 0) {
      pthread_mutex_unlock(&s_timerMutex);
      return timer;
    }
    first_ticks = period_ticks;
  }
  t->u64DueNs = PLATFORM_u64MonotonicNs() + (U64)first_ticks * NS_PER_MS;
  t->u32PeriodMs = period_ticks;
  t->u8TimerState = period_ticks != 0 ? TIMER_CYCLING : TIMER_RUNNING;
  vKick();
  pthread_mutex_unlock(&s_timerMutex);
  return timer;
}

S32 L_TIMER_Stop(TIMER_INFO* timer) {
  const TASK me = L_TASK_GetMyID();
  S32 result = lsSUCCESS;
  pthread_mutex_lock(&s_timerMutex);
  TIMER_INFO* t = pxRecord(timer);
  if (t == nullptr || t->OwningTaskID != me) {
    result = -lsTIMER_ILLEGAL;
  } else if (t->u8TimerState == TIMER_IDLE) {
    result = -lsTIMER_INACTIVE;
  } else {
    vDisarm(t);
  }
  pthread_mutex_unlock(&s_timerMutex);
  return result;
}

S32 L_TIMER_Release(TIMER_INFO* timer) {
  const TASK me = L_TASK_GetMyID();
  S32 result = lsSUCCESS;
  pthread_mutex_lock(&s_timerMutex);
  if (!s_bSetUp) {
    result = -lsTIMER_UNINIT;
  } else {
    TIMER_INFO* t = pxRecord(timer);
    if (t == nullptr || t->OwningTaskID != me) {
      result = -lsTIMER_ILLEGAL;
    } else {
      vDisarm(t);
      t->OwningTaskID = 0;
      for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
        if (s_extraHandle[i] == timer) s_extraHandle[i] = nullptr;
      }
    }
  }
  pthread_mutex_unlock(&s_timerMutex);
  return result;
}

U32 L_TIMER_GetRemaining(TIMER_INFO* timer) {
  U32 remaining = 0;
  pthread_mutex_lock(&s_timerMutex);
  const TIMER_INFO* t = pxRecord(timer);
  if (t != nullptr && t->u8TimerState != TIMER_IDLE) {
    const U64 now = PLATFORM_u64MonotonicNs();
    if (t->u64DueNs > now) {
      remaining = (U32)std::min<U64>((t->u64DueNs - now + NS_PER_MS / 2) / NS_PER_MS, 0xFFFFFFFFull);
    }
  }
  pthread_mutex_unlock(&s_timerMutex);
  return remaining;
}

U32 L_TIMER_GetElapsed(U32* reference) {
  const U32 now = H_TICK_u32ReadFreeRunningTimerInSystemTicks();
  if (reference == nullptr) return 0;
  const U32 elapsed = now - *reference;
  *reference = now;
  return elapsed;
}

S32 L_TIMER_InitTimer(TIMER_INFO* timer, TASK owner) {
  if (timer == nullptr) return -lsTIMER_ILLEGAL;
  S32 result = -lsNO_TIMER;
  pthread_mutex_lock(&s_timerMutex);
  if (bSetUp()) {
    TIMER_INFO* t = nullptr;
    U32 id = 0;
    if (timer >= &s_timers[0] && timer < &s_timers[ntmrs]) {
      t = timer;
      id = (U32)(timer - &s_timers[0]) + 1;
    } else {
      int slot = -1;
      for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
        if (s_extraHandle[i] == timer) {
          slot = i;  // initialised again
          break;
        }
        if (slot < 0 && s_extraHandle[i] == nullptr) slot = i;
      }
      if (slot >= 0) {
        s_extraHandle[slot] = timer;
        t = &s_extra[slot];
        id = (U32)(ntmrs + 1 + slot);
      }
    }
    if (t != nullptr) {
      // A new generation: an expiry queued for an earlier run is dropped.
      const U32 generation = t->u32Generation;
      memset(t, 0, sizeof *t);
      t->u32Generation = generation + 1;
      t->OwningTaskID = owner;
      t->TimerID = id;
      if (t != timer) *timer = *t;  // the caller's copy, as initialised
      result = lsSUCCESS;
    }
  }
  pthread_mutex_unlock(&s_timerMutex);
  return result;
}

void L_TIMER_Debug(void) {
  TIMER_INFO copy[ntmrs];
  U32 fired, queued;
  pthread_mutex_lock(&s_timerMutex);
  memcpy(copy, s_timers, sizeof copy);
  fired = s_u32Fired;
  queued = s_u32Queued;
  pthread_mutex_unlock(&s_timerMutex);
  log_me("timer information (%d total %d fired %d queued)", ntmrs, (int)fired, (int)queued);
  for (int i = 0; i < ntmrs; ++i) {
    const TIMER_INFO& t = copy[i];
    log_me("  %02d: %s %squeued owner task #%d (%s) semaphore #%d (%s) fired %d queued %d", i + 1,
           pcStateName(t.u8TimerState), t.u8TimerSignal == 0 ? "not " : "", (int)t.OwningTaskID,
           get_task_name(t.OwningTaskID), (int)t.Semaphore, get_semaphore_name(t.Semaphore),
           (int)t.timer_fired_count, (int)t.timer_queue_count);
  }
}
