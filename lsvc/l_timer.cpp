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
TIMER_INFO* s_extra[MAX_EXTRA_TIMERS];
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

// TRUE for a record of the pool or one registered by L_TIMER_InitTimer.
// Caller holds s_timerMutex.
bool bKnown(const TIMER_INFO* t) {
  if (t == nullptr) return false;
  for (int i = 0; i < ntmrs; ++i) {
    if (t == &s_timers[i]) return true;
  }
  for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
    if (t == s_extra[i]) return true;
  }
  return false;
}

template <typename F>
void vForEachTimer(F f) {
  for (int i = 0; i < ntmrs; ++i) f(&s_timers[i]);
  for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
    if (s_extra[i] != nullptr) f(s_extra[i]);
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
  if (!bKnown(timer) || timer->OwningTaskID != me) {
    pthread_mutex_unlock(&s_timerMutex);
    return nullptr;
  }
  vDisarm(timer);
  if (sema >= 0) timer->Semaphore = sema;
  // A signal left from an earlier run is discarded.
  if (timer->Semaphore != 0) (void)L_SEMA_SetPending(timer->Semaphore);
  if (first_ticks == 0) {
    if (timer->Semaphore != 0) (void)L_SEMA_Signal(timer->Semaphore);
    if (period_ticks == 0) {
      pthread_mutex_unlock(&s_timerMutex);
      return timer;
    }
    first_ticks = period_ticks;
  }
  timer->u64DueNs = PLATFORM_u64MonotonicNs() + (U64)first_ticks * NS_PER_MS;
  timer->u32PeriodMs = period_ticks;
  timer->u8TimerState = period_ticks != 0 ? TIMER_CYCLING : TIMER_RUNNING;
  vKick();
  pthread_mutex_unlock(&s_timerMutex);
  return timer;
}

S32 L_TIMER_Stop(TIMER_INFO* timer) {
  const TASK me = L_TASK_GetMyID();
  S32 result = lsSUCCESS;
  pthread_mutex_lock(&s_timerMutex);
  if (!bKnown(timer) || timer->OwningTaskID != me) {
    result = -lsTIMER_ILLEGAL;
  } else if (timer->u8TimerState == TIMER_IDLE) {
    result = -lsTIMER_INACTIVE;
  } else {
    vDisarm(timer);
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
  } else if (!bKnown(timer) || timer->OwningTaskID != me) {
    result = -lsTIMER_ILLEGAL;
  } else {
    vDisarm(timer);
    timer->OwningTaskID = 0;
    for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
      if (s_extra[i] == timer) s_extra[i] = nullptr;
    }
  }
  pthread_mutex_unlock(&s_timerMutex);
  return result;
}

U32 L_TIMER_GetRemaining(TIMER_INFO* timer) {
  U32 remaining = 0;
  pthread_mutex_lock(&s_timerMutex);
  if (bKnown(timer) && timer->u8TimerState != TIMER_IDLE) {
    const U64 now = PLATFORM_u64MonotonicNs();
    if (timer->u64DueNs > now) {
      remaining = (U32)std::min<U64>((timer->u64DueNs - now + NS_PER_MS / 2) / NS_PER_MS, 0xFFFFFFFFull);
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
    int slot = -1;
    for (int i = 0; i < MAX_EXTRA_TIMERS; ++i) {
      if (s_extra[i] == timer) {
        slot = i;  // initialised again
        break;
      }
      if (slot < 0 && s_extra[i] == nullptr) slot = i;
    }
    const bool in_pool = timer >= &s_timers[0] && timer < &s_timers[ntmrs];
    if (in_pool) {
      const U32 index = (U32)(timer - &s_timers[0]);
      const U32 generation = timer->u32Generation;
      memset(timer, 0, sizeof *timer);
      timer->u32Generation = generation + 1;
      timer->OwningTaskID = owner;
      timer->TimerID = index + 1;
      result = lsSUCCESS;
    } else if (slot >= 0) {
      memset(timer, 0, sizeof *timer);
      timer->OwningTaskID = owner;
      timer->TimerID = (U32)(ntmrs + 1 + slot);
      s_extra[slot] = timer;
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
