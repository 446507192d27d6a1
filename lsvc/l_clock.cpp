// Clock: time since the clock's start (the first call of any clock function)
// on the host's monotonic clock, deadlines for the kernel waits, and the
// free-running timer readers. One tick is one millisecond.
#include <sys/time.h>

#include <mutex>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr U64 NS_PER_S = 1000000000ull;
constexpr U64 NS_PER_MS = 1000000ull;

U64 u64NowNs(void) { return PLATFORM_u64MonotonicNs(); }

// Nanoseconds since the clock's start; the first call fixes the start.
U64 u64SinceStartNs(void) {
  static const U64 start = u64NowNs();
  const U64 now = u64NowNs();
  return now > start ? now - start : 0;
}

void vDeadlineAfterNs(struct timespec* deadline, U64 ns) {
  struct timespec now;
  PLATFORM_vClockMonotonic(&now);
  const U64 total = (U64)now.tv_nsec + ns % NS_PER_S;
  deadline->tv_sec = now.tv_sec + (time_t)(ns / NS_PER_S) + (time_t)(total / NS_PER_S);
  deadline->tv_nsec = (long)(total % NS_PER_S);
}

struct FINE_TIMER {
  U32 u32FineTicks;
  void (*turnaround)(void);
};
std::mutex s_fineMutex;
FINE_TIMER s_fineTimers[3];

}  // namespace

U64 L_CLOCK_qwGetTimeInNans(void) { return u64SinceStartNs(); }
U64 L_CLOCK_qwGetTimeInMicros(void) { return u64SinceStartNs() / 1000ull; }
U64 L_CLOCK_qwGetTimeInMillis(void) { return u64SinceStartNs() / NS_PER_MS; }
U64 L_CLOCK_qwGetTimeInTicks(void) { return u64SinceStartNs() / NS_PER_MS; }

void L_CLOCK_PrepTimeoutTicks(struct timespec* deadline, U32 ticks) {
  (void)u64SinceStartNs();
  vDeadlineAfterNs(deadline, (U64)ticks * NS_PER_MS);
}

void L_CLOCK_PrepTimeoutSeconds(struct timespec* deadline, U32 seconds) {
  (void)u64SinceStartNs();
  vDeadlineAfterNs(deadline, (U64)seconds * NS_PER_S);
}

void L_CLOCK_StoreTimerspec(struct itimerspec* setting, U32 start_ms, U32 period_ms) {
  setting->it_value.tv_sec = (time_t)(start_ms / 1000);
  setting->it_value.tv_nsec = (long)(start_ms % 1000) * (long)NS_PER_MS;
  setting->it_interval.tv_sec = (time_t)(period_ms / 1000);
  setting->it_interval.tv_nsec = (long)(period_ms % 1000) * (long)NS_PER_MS;
}

U32 L_CLOCK_ScanTimerspec(const struct itimerspec* setting) {
  const U64 ns = (U64)setting->it_value.tv_sec * NS_PER_S + (U64)setting->it_value.tv_nsec;
  return (U32)((ns + NS_PER_MS / 2) / NS_PER_MS);
}

void L_CLOCK_Sleep(U32 ticks) {
  (void)u64SinceStartNs();
  PLATFORM_vSleepNs((U64)ticks * NS_PER_MS);
}

U32 lm_gettime(struct timeval* tv) {
  (void)u64SinceStartNs();
  struct timespec now;
  PLATFORM_vClockMonotonic(&now);
  if (tv != nullptr) {
    tv->tv_sec = now.tv_sec;
    tv->tv_usec = (suseconds_t)(now.tv_nsec / 1000);
  }
  return (U32)((U64)now.tv_sec * 1000ull + (U64)now.tv_nsec / NS_PER_MS);
}

U32 H_TICK_u32ReadFreeRunningTimerInMilliSeconds(void) {
  return PLATFORM_u32MillisecondClockStart() + (U32)(u64SinceStartNs() / NS_PER_MS);
}

U32 H_TICK_u32ReadFreeRunningTimerInSystemTicks(void) { return (U32)(u64SinceStartNs() / NS_PER_MS); }

U32 H_TICK_u32ReadFreeRunningTimer(void) { return (U32)(u64SinceStartNs() / 1000ull) / 200u; }

U32 H_TICK_u32ElapsedTime(U32 start, U32 end) { return end - start; }

void H_TICK_vSetup(U32 rate) { (void)rate; }

void H_TICK_vHandleTick(void) {}

void H_TICK_vSetFineTimer(U32 number, U32 fine_ticks, void (*turnaround)(void)) {
  if (number > 2) return;
  std::lock_guard<std::mutex> lock(s_fineMutex);
  s_fineTimers[number].u32FineTicks = fine_ticks;
  s_fineTimers[number].turnaround = turnaround;
}
