// Timers and clock, driven by the test clock: periodic and one-shot expiry,
// merged expiries, immediate first expiry, restarts, the pool limit,
// ownership, and the clock's conversions.
#include <gtest/gtest.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

void vNap(void) {
  struct timespec ts = {0, 200000};
  nanosleep(&ts, nullptr);
}

// Polls for up to ten real seconds until the semaphore is signalled.
bool bSignalled(SEMA sema) {
  for (int i = 0; i < 50000; ++i) {
    if (L_SEMA_GetWaitingTaskID(sema) == -lsSEMA_DONE) return true;
    vNap();
  }
  return false;
}

bool bPending(SEMA sema) { return L_SEMA_GetWaitingTaskID(sema) == -lsSEMA_PENDING; }

// Takes the signal of a semaphore: TRUE when there was one.
bool bTake(SEMA sema) { return L_SEMA_WaitTicks(sema, 0) == 0; }

constexpr SEMA SEMA_T = SEMA_TIMER_SONAR_TEST;
constexpr SEMA SEMA_T2 = SEMA_TIMER_SIM_MSG;
constexpr SEMA SEMA_PROBE = SEMA_TIMER_DBPOLL;

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
    for (SEMA s : {SEMA_T, SEMA_T2, SEMA_PROBE}) L_SEMA_SetPending(s);
  }
  void TearDown() override {
    for (TIMER_INFO* t : timers_) L_TIMER_Release(t);
    PLATFORM_vTestClockDisable();
  }
  TIMER_INFO* Take(void) {
    TIMER_INFO* t = L_TIMER_Allocate();
    if (t != nullptr) timers_.push_back(t);
    return t;
  }
  // Advances the clock and waits until the timer thread has handled that
  // moment: a one-shot probe due exactly then has fired. Every timer due at
  // or before that moment is handled in the same pass as the probe.
  void AdvanceAndSettle(U32 ms) {
    if (probe_ == nullptr) probe_ = Take();
    ASSERT_NE(nullptr, probe_);
    ASSERT_EQ(probe_, L_TIMER_Start(probe_, ms, 0, SEMA_PROBE));
    PLATFORM_vTestClockAdvanceMs(ms);
    ASSERT_TRUE(bSignalled(SEMA_PROBE));
    ASSERT_TRUE(bTake(SEMA_PROBE));
  }
  std::vector<TIMER_INFO*> timers_;
  TIMER_INFO* probe_ = nullptr;
};

TEST_F(TimerTest, PeriodicTimerSignalsAfterEachPeriodNotBefore) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(t, L_TIMER_Start(t, 100, 100, SEMA_T));
  EXPECT_EQ(100u, L_TIMER_GetRemaining(t));
  for (int period = 0; period < 3; ++period) {
    AdvanceAndSettle(99);
    EXPECT_TRUE(bPending(SEMA_T)) << period;
    EXPECT_EQ(1u, L_TIMER_GetRemaining(t));
    AdvanceAndSettle(1);
    EXPECT_TRUE(bTake(SEMA_T)) << period;
    EXPECT_EQ(100u, L_TIMER_GetRemaining(t));
  }
  EXPECT_EQ(0, L_TIMER_Stop(t));
  EXPECT_EQ(0u, L_TIMER_GetRemaining(t));
  AdvanceAndSettle(200);
  EXPECT_TRUE(bPending(SEMA_T));
}

TEST_F(TimerTest, ExpiriesBeforeTheThreadLooksMergeIntoOneSignal) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(t, L_TIMER_Start(t, 100, 100, SEMA_T));
  const U32 fired = t->timer_fired_count, queued = t->timer_queue_count;
  AdvanceAndSettle(350);  // expiries at 100, 200 and 300
  EXPECT_TRUE(bTake(SEMA_T));
  EXPECT_FALSE(bTake(SEMA_T));
  EXPECT_EQ(fired + 3, t->timer_fired_count);
  EXPECT_EQ(queued + 1, t->timer_queue_count);
  // The period keeps its phase: the next expiry is at 400.
  EXPECT_EQ(50u, L_TIMER_GetRemaining(t));
  AdvanceAndSettle(50);
  EXPECT_TRUE(bTake(SEMA_T));
}

TEST_F(TimerTest, OneShotBecomesIdleWhenItFires) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(t, L_TIMER_Start(t, 50, 0, SEMA_T));
  AdvanceAndSettle(49);
  EXPECT_TRUE(bPending(SEMA_T));
  AdvanceAndSettle(1);
  EXPECT_TRUE(bTake(SEMA_T));
  EXPECT_EQ(0u, L_TIMER_GetRemaining(t));
  EXPECT_EQ(-lsTIMER_INACTIVE, L_TIMER_Stop(t));
  AdvanceAndSettle(500);
  EXPECT_TRUE(bPending(SEMA_T));
}

TEST_F(TimerTest, FirstExpiryZeroSignalsAtOnce) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  // With no period the timer signals once and stays idle.
  ASSERT_EQ(t, L_TIMER_Start(t, 0, 0, SEMA_T));
  EXPECT_TRUE(bTake(SEMA_T));
  EXPECT_EQ(0u, L_TIMER_GetRemaining(t));
  EXPECT_EQ(-lsTIMER_INACTIVE, L_TIMER_Stop(t));
  // With a period it signals now and then every period.
  ASSERT_EQ(t, L_TIMER_Start(t, 0, 100, SEMA_T));
  EXPECT_TRUE(bTake(SEMA_T));
  AdvanceAndSettle(99);
  EXPECT_TRUE(bPending(SEMA_T));
  AdvanceAndSettle(1);
  EXPECT_TRUE(bTake(SEMA_T));
}

TEST_F(TimerTest, RestartMovesExpiriesToTheNewSemaphore) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(t, L_TIMER_Start(t, 100, 100, SEMA_T));
  AdvanceAndSettle(50);
  ASSERT_EQ(0, L_SEMA_Signal(SEMA_T2));  // a stale signal of the new semaphore
  ASSERT_EQ(t, L_TIMER_Start(t, 100, 100, SEMA_T2));
  EXPECT_TRUE(bPending(SEMA_T2));
  EXPECT_EQ(SEMA_T2, t->Semaphore);
  AdvanceAndSettle(50);  // the old due time passes without effect
  EXPECT_TRUE(bPending(SEMA_T));
  EXPECT_TRUE(bPending(SEMA_T2));
  AdvanceAndSettle(50);
  EXPECT_TRUE(bTake(SEMA_T2));
  EXPECT_TRUE(bPending(SEMA_T));
  // A negative semaphore keeps the one stored before.
  ASSERT_EQ(t, L_TIMER_Start(t, 10, 0, -1));
  AdvanceAndSettle(10);
  EXPECT_TRUE(bTake(SEMA_T2));
}

// However the restart and the thread's handling of the old expiry fall, the
// restarted timer never fires before its new due time.
TEST_F(TimerTest, ExpiryOfTheOldRunNeverFiresARestartedTimer) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  for (int round = 0; round < 20; ++round) {
    ASSERT_EQ(t, L_TIMER_Start(t, 100, 0, SEMA_T));
    PLATFORM_vTestClockAdvanceMs(100);  // due now, the thread may or may not have seen it
    ASSERT_EQ(t, L_TIMER_Start(t, 100, 0, SEMA_T));
    AdvanceAndSettle(99);
    EXPECT_TRUE(bPending(SEMA_T)) << round;
    AdvanceAndSettle(1);
    EXPECT_TRUE(bTake(SEMA_T)) << round;
  }
}

TEST_F(TimerTest, PoolHoldsFiftyTimers) {
  std::vector<TIMER_INFO*> all;
  for (TIMER_INFO* t = Take(); t != nullptr; t = Take()) all.push_back(t);
  // Other tests of this program may hold none: every timer is released.
  EXPECT_EQ((size_t)ntmrs, all.size());
  EXPECT_EQ(nullptr, L_TIMER_Allocate());
  EXPECT_EQ(nullptr, L_TIMER_Start(nullptr, 10, 0, SEMA_T));
  EXPECT_EQ(0, L_TIMER_Release(all.back()));
  TIMER_INFO* again = L_TIMER_Start(nullptr, 10, 0, SEMA_T);
  EXPECT_EQ(all.back(), again);
  EXPECT_EQ(MAIN_THREAD_TASK, again->OwningTaskID);
}

TEST_F(TimerTest, NullAndForeignTimersAreRefused) {
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(nullptr));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Release(nullptr));
  EXPECT_EQ(0u, L_TIMER_GetRemaining(nullptr));
  TIMER_INFO stray = {};
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(&stray));
  EXPECT_EQ(nullptr, L_TIMER_Start(&stray, 10, 0, SEMA_T));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_InitTimer(nullptr, 1));
}

std::atomic<TIMER_INFO*> g_taskTimer{nullptr};

void vEntryTakeTimer(void) {
  g_taskTimer = L_TIMER_Start(nullptr, 1000000, 0, SEMA_T2);
  L_SEMA_Signal(SEMA_PROBE);
}

TEST_F(TimerTest, OnlyTheOwnerStartsStopsOrReleases) {
  ASSERT_EQ(0, L_TASK_SetStartFunction(TASK_TREVANICTASK, vEntryTakeTimer));
  ASSERT_EQ(0, L_TASK_Start(TASK_TREVANICTASK));
  ASSERT_TRUE(bSignalled(SEMA_PROBE));
  ASSERT_TRUE(bTake(SEMA_PROBE));
  TIMER_INFO* t = g_taskTimer.load();
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(TASK_TREVANICTASK, t->OwningTaskID);
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(t));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Release(t));
  EXPECT_EQ(nullptr, L_TIMER_Start(t, 10, 0, SEMA_T));
  EXPECT_EQ(1000000u, L_TIMER_GetRemaining(t));
  // Handed over to this thread, it can be released.
  ASSERT_EQ(0, L_TIMER_InitTimer(t, MAIN_THREAD_TASK));
  EXPECT_EQ(0, L_TIMER_Release(t));
}

TEST_F(TimerTest, CallerSuppliedRecordWorksLikeAPoolTimer) {
  TIMER_INFO own;
  memset(&own, 0xA5, sizeof own);
  ASSERT_EQ(0, L_TIMER_InitTimer(&own, MAIN_THREAD_TASK));
  EXPECT_EQ(0, own.u8TimerState);
  EXPECT_EQ(MAIN_THREAD_TASK, own.OwningTaskID);
  ASSERT_EQ(&own, L_TIMER_Start(&own, 20, 0, SEMA_T));
  AdvanceAndSettle(20);
  EXPECT_TRUE(bTake(SEMA_T));
  EXPECT_EQ(0, L_TIMER_Release(&own));
  EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(&own));
}

// Ways a record supplied through L_TIMER_InitTimer goes away while its timer
// runs. Each starts a periodic timer on a record that then ends and returns
// the handle (the record's former address).
__attribute__((noinline)) void vStartOnStackRecord(uintptr_t* handle, SEMA sema) {
  TIMER_INFO record;
  memset(&record, 0, sizeof record);
  if (L_TIMER_InitTimer(&record, MAIN_THREAD_TASK) != 0) return;
  if (L_TIMER_Start(&record, 30, 30, sema) == &record) *handle = reinterpret_cast<uintptr_t>(&record);
}

// Fills a stack frame where the record lay with another pattern.
__attribute__((noinline)) void vScribbleStack(void) {
  volatile U8 junk[8192];
  for (size_t i = 0; i < sizeof junk; ++i) junk[i] = 0xA5;
}

TEST_F(TimerTest, CallerRecordMayEndWhileItsTimerRuns) {
  alignas(TIMER_INFO) static U8 storage[sizeof(TIMER_INFO)];
  const struct {
    const char* how;
    std::function<TIMER_INFO*(void)> start;
  } cases[] = {
      {"stack frame ended",
       [] {
         uintptr_t handle = 0;
         vStartOnStackRecord(&handle, SEMA_T);
         vScribbleStack();
         return reinterpret_cast<TIMER_INFO*>(handle);
       }},
      {"heap record deleted",
       [] {
         TIMER_INFO* record = new TIMER_INFO();
         EXPECT_EQ(0, L_TIMER_InitTimer(record, MAIN_THREAD_TASK));
         EXPECT_EQ(record, L_TIMER_Start(record, 30, 30, SEMA_T));
         const uintptr_t handle = reinterpret_cast<uintptr_t>(record);
         delete record;
         return reinterpret_cast<TIMER_INFO*>(handle);
       }},
      {"storage reused",
       [] {
         TIMER_INFO* record = new (storage) TIMER_INFO();
         EXPECT_EQ(0, L_TIMER_InitTimer(record, MAIN_THREAD_TASK));
         EXPECT_EQ(record, L_TIMER_Start(record, 30, 30, SEMA_T));
         memset(storage, 0x5A, sizeof storage);
         return record;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    TIMER_INFO* handle = c.start();
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(30u, L_TIMER_GetRemaining(handle));
    for (int period = 0; period < 2; ++period) {
      AdvanceAndSettle(29);
      EXPECT_TRUE(bPending(SEMA_T)) << period;
      AdvanceAndSettle(1);
      EXPECT_TRUE(bTake(SEMA_T)) << period;
    }
    EXPECT_EQ(0, L_TIMER_Stop(handle));
    EXPECT_EQ(0, L_TIMER_Release(handle));
    EXPECT_EQ(-lsTIMER_ILLEGAL, L_TIMER_Stop(handle));
    AdvanceAndSettle(60);
    EXPECT_TRUE(bPending(SEMA_T));
  }
  // The module wrote nothing into the reused storage.
  for (U8 byte : storage) ASSERT_EQ(0x5A, byte);
}

TEST_F(TimerTest, ElapsedMeasuresSuccessiveIntervals) {
  U32 reference = H_TICK_u32ReadFreeRunningTimerInSystemTicks();
  PLATFORM_vTestClockAdvanceMs(30);
  EXPECT_EQ(30u, L_TIMER_GetElapsed(&reference));
  PLATFORM_vTestClockAdvanceMs(5);
  EXPECT_EQ(5u, L_TIMER_GetElapsed(&reference));
  EXPECT_EQ(0u, L_TIMER_GetElapsed(&reference));
  U32 old = reference - 7;
  EXPECT_EQ(7u, L_TIMER_GetElapsed(&old));
  EXPECT_EQ(reference, old);
}

TEST_F(TimerTest, DumpListsEveryTimer) {
  TIMER_INFO* t = Take();
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(t, L_TIMER_Start(t, 100, 100, SEMA_T));
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  L_TIMER_Debug();
  fflush(stdout);
  fflush(stderr);
  const std::string dump = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, dump.find("timer information (50 total ")) << dump;
  char line[160];
  snprintf(line, sizeof line, "  %02u: cycling not queued owner task #70 (MAINTHREAD) semaphore #%d (%s) fired ",
           (unsigned)t->TimerID, SEMA_T, get_semaphore_name(SEMA_T));
  EXPECT_NE(std::string::npos, dump.find(line)) << dump;
}

// Release before any timer exists: a fresh process, so that no earlier test
// has set the timers up.
TEST(TimerSetUpDeathTest, ReleaseBeforeSetUpIsUninitialised) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TIMER_INFO t = {};
        _exit(L_TIMER_Release(&t) == -lsTIMER_UNINIT ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// ------------------------------------------------------------ clock

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { PLATFORM_vTestClockDisable(); }
};

TEST_F(ClockTest, TimesSinceStartFollowTheClock) {
  (void)L_CLOCK_qwGetTimeInNans();  // fixes the start
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const U64 ns = L_CLOCK_qwGetTimeInNans(), us = L_CLOCK_qwGetTimeInMicros(), ms = L_CLOCK_qwGetTimeInMillis(),
            ticks = L_CLOCK_qwGetTimeInTicks();
  const U32 free_running = H_TICK_u32ReadFreeRunningTimer(), ms32 = H_TICK_u32ReadFreeRunningTimerInMilliSeconds(),
            ticks32 = H_TICK_u32ReadFreeRunningTimerInSystemTicks();
  const U32 mono_ms = lm_gettime(nullptr);
  PLATFORM_vTestClockAdvanceNs(1234567890ull);
  EXPECT_EQ(ns + 1234567890ull, L_CLOCK_qwGetTimeInNans());
  const U64 us_after = L_CLOCK_qwGetTimeInMicros(), ms_after = L_CLOCK_qwGetTimeInMillis();
  EXPECT_GE(us_after - us, 1234567u);
  EXPECT_LE(us_after - us, 1234568u);
  EXPECT_GE(ms_after - ms, 1234u);
  EXPECT_LE(ms_after - ms, 1235u);
  EXPECT_EQ(ms_after, L_CLOCK_qwGetTimeInTicks());
  EXPECT_GE(L_CLOCK_qwGetTimeInTicks() - ticks, 1234u);
  EXPECT_EQ((U32)ms_after, H_TICK_u32ReadFreeRunningTimerInMilliSeconds());
  EXPECT_GE(H_TICK_u32ReadFreeRunningTimerInMilliSeconds() - ms32, 1234u);
  EXPECT_GE(H_TICK_u32ReadFreeRunningTimerInSystemTicks() - ticks32, 1234u);
  // 200-microsecond units.
  EXPECT_GE(H_TICK_u32ReadFreeRunningTimer() - free_running, 6172u);
  EXPECT_LE(H_TICK_u32ReadFreeRunningTimer() - free_running, 6173u);
  struct timeval tv;
  const U32 mono_after = lm_gettime(&tv);
  EXPECT_GE(mono_after - mono_ms, 1234u);
  EXPECT_LE(mono_after - mono_ms, 1235u);
  EXPECT_EQ(mono_after, (U32)((U64)tv.tv_sec * 1000 + (U64)tv.tv_usec / 1000));
}

TEST_F(ClockTest, DeadlinesAreNormalised) {
  // Monotonic time x.900000000 s, well above the clock's start.
  const U64 base = (PLATFORM_u64MonotonicNs() / 1000000000ull + 10) * 1000000000ull + 900000000ull;
  PLATFORM_vTestClockEnable(base, PLATFORM_tTime(nullptr));
  struct timespec deadline;
  L_CLOCK_PrepTimeoutTicks(&deadline, 1500);
  EXPECT_EQ((time_t)(base / 1000000000ull + 2), deadline.tv_sec);
  EXPECT_EQ(400000000L, deadline.tv_nsec);
  L_CLOCK_PrepTimeoutTicks(&deadline, 100);
  EXPECT_EQ((time_t)(base / 1000000000ull + 1), deadline.tv_sec);
  EXPECT_EQ(0L, deadline.tv_nsec);
  L_CLOCK_PrepTimeoutSeconds(&deadline, 3);
  EXPECT_EQ((time_t)(base / 1000000000ull + 3), deadline.tv_sec);
  EXPECT_EQ(900000000L, deadline.tv_nsec);
}

TEST_F(ClockTest, TimerSettingsAndElapsedTime) {
  struct itimerspec setting;
  L_CLOCK_StoreTimerspec(&setting, 1500, 250);
  EXPECT_EQ(1, setting.it_value.tv_sec);
  EXPECT_EQ(500000000L, setting.it_value.tv_nsec);
  EXPECT_EQ(0, setting.it_interval.tv_sec);
  EXPECT_EQ(250000000L, setting.it_interval.tv_nsec);
  EXPECT_EQ(1500u, L_CLOCK_ScanTimerspec(&setting));
  struct {
    time_t sec;
    long nsec;
    U32 ms;
  } const scans[] = {{0, 1499999, 1}, {0, 1500000, 2}, {2, 600000, 2001}, {0, 0, 0}};
  for (const auto& c : scans) {
    setting.it_value.tv_sec = c.sec;
    setting.it_value.tv_nsec = c.nsec;
    EXPECT_EQ(c.ms, L_CLOCK_ScanTimerspec(&setting)) << c.sec << "." << c.nsec;
  }
  EXPECT_EQ(32u, H_TICK_u32ElapsedTime(4294967280u, 16u));
  EXPECT_EQ(5u, H_TICK_u32ElapsedTime(10u, 15u));
}

TEST_F(ClockTest, SleepFollowsTheTestClock) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  std::atomic<bool> woke{false};
  std::atomic<U64> before{0}, after{0};
  std::thread sleeper([&] {
    before = PLATFORM_u64MonotonicNs();
    L_CLOCK_Sleep(500);
    after = PLATFORM_u64MonotonicNs();
    woke = true;
  });
  // The clock moves only when the test moves it: the sleep lasts at least
  // 500 ms of it however long it takes in real time.
  for (int i = 0; i < 100000 && !woke.load(); ++i) {
    PLATFORM_vTestClockAdvanceMs(5);
    vNap();
  }
  sleeper.join();
  EXPECT_GE(after.load() - before.load(), 500000000ull);
}

}  // namespace
