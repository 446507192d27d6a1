// Event semaphores: signal/overrun rules, list waits, wait conflicts, time-outs
// on the test clock, wake-up of threads outside the task table and the lock
// order of overlapping list waits.
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

// Real-time pause, for polling only (never to measure).
void vNap(void) {
  struct timespec ts = {0, 200000};
  nanosleep(&ts, nullptr);
}

// Polls until the semaphore has a waiter (the waiter is then blocked in its
// wait or about to be); fails after ten real seconds.
bool bWaiterArrives(SEMA sema) {
  for (int i = 0; i < 50000; ++i) {
    if (L_SEMA_GetWaitingTaskID(sema) > 0) return true;
    vNap();
  }
  return false;
}

// Takes a signal left on the semaphore, so that each test starts clean.
void vDrain(SEMA sema) { (void)L_SEMA_SetPending(sema); }

class SemaTest : public ::testing::Test {
 protected:
  void TearDown() override {
    PLATFORM_vTestClockDisable();
    for (SEMA s = 1; s <= nsemas; ++s) vDrain(s);
  }
};

TEST_F(SemaTest, InvalidNumbersAreRefused) {
  for (SEMA s : {0, -1, nsemas + 1, 100000}) {
    SCOPED_TRACE(s);
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_Signal(s));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_SetPending(s));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_GetWaitingTaskID(s));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_Wait(s));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitTicks(s, 1));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitSeconds(s, 1));
  }
  const SEMA empty[] = {0};
  const SEMA all_invalid[] = {-5, nsemas + 1, 999, 0};
  for (const SEMA* list : {static_cast<const SEMA*>(nullptr), empty, all_invalid}) {
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_SignalMultiple(list));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_SetPendingMultiple(list));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitMultiple(list));
    EXPECT_EQ(-lsSEMA_INVALID, L_SEMA_WaitMultipleTicks(list, 0));
  }
}

TEST_F(SemaTest, Names) {
  EXPECT_STREQ("RC_TIMEOUT", get_semaphore_name(-1));
  EXPECT_STREQ("", get_semaphore_name(0));
  EXPECT_STREQ("CBUGSEMA", get_semaphore_name(1));
  EXPECT_STREQ("SEMS_MEDIA_8", get_semaphore_name(156));
  EXPECT_STREQ("SEMA_TIMER_BT_BUTTON", get_semaphore_name(280));
  EXPECT_STREQ("INVALID", get_semaphore_name(281));
  EXPECT_STREQ("INVALID", get_semaphore_name(-2));
}

TEST_F(SemaTest, SecondSignalIsAnOverrunAndOneWaitTakesIt) {
  const SEMA s = SEMA_USER_TEST;
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
  EXPECT_EQ(0, L_SEMA_Signal(s));
  EXPECT_EQ(-lsSEMA_DONE, L_SEMA_GetWaitingTaskID(s));
  EXPECT_EQ(-lsSEMA_OVERRUN, L_SEMA_Signal(s));
  EXPECT_EQ(0, L_SEMA_WaitTicks(s, 0));
  EXPECT_EQ(-lsTIMEOUT, L_SEMA_WaitTicks(s, 0));
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
}

TEST_F(SemaTest, SetPendingDiscardsASignal) {
  const SEMA list[] = {SEMA_USER_TEST, 999, SEMA_TEST_PARAMS, 0};
  EXPECT_EQ(0, L_SEMA_SignalMultiple(list));
  EXPECT_EQ(-lsSEMA_DONE, L_SEMA_GetWaitingTaskID(SEMA_USER_TEST));
  EXPECT_EQ(-lsSEMA_DONE, L_SEMA_GetWaitingTaskID(SEMA_TEST_PARAMS));
  // A second multiple signal leaves signalled ones as they are, no overrun.
  EXPECT_EQ(0, L_SEMA_SignalMultiple(list));
  EXPECT_EQ(0, L_SEMA_SetPending(SEMA_USER_TEST));
  EXPECT_EQ(-lsTIMEOUT, L_SEMA_WaitTicks(SEMA_USER_TEST, 0));
  EXPECT_EQ(0, L_SEMA_SetPendingMultiple(list));
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(SEMA_TEST_PARAMS));
}

TEST_F(SemaTest, ListWaitReturnsTheOneSignalledFirst) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const SEMA a = SEMA_MEDIA_0, b = SEMA_MEDIA_1, c = SEMA_MEDIA_2;
  const SEMA list[] = {a, b, c, 0};
  ASSERT_EQ(0, L_SEMA_Signal(c));
  PLATFORM_vTestClockAdvanceMs(1);
  ASSERT_EQ(0, L_SEMA_Signal(a));
  EXPECT_EQ(c, L_SEMA_WaitMultiple(list));
  EXPECT_EQ(a, L_SEMA_WaitMultiple(list));
  EXPECT_EQ(-lsTIMEOUT, L_SEMA_WaitMultipleTicks(list, 0));

  // Signalled at the same time: the earlier in the caller's list wins.
  ASSERT_EQ(0, L_SEMA_Signal(a));
  ASSERT_EQ(0, L_SEMA_Signal(b));
  const SEMA reversed[] = {b, a, 0};
  EXPECT_EQ(b, L_SEMA_WaitMultiple(reversed));
  EXPECT_EQ(a, L_SEMA_WaitMultiple(reversed));
}

TEST_F(SemaTest, ListSkipsInvalidNumbersAndCountsRepeatsOnce) {
  const SEMA s = SEMA_MEDIA_3, t = SEMA_MEDIA_4;
  const SEMA list[] = {s, -3, s, 4000, t, s, 0};
  ASSERT_EQ(0, L_SEMA_Signal(t));
  EXPECT_EQ(t, L_SEMA_WaitMultiple(list));
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
  EXPECT_EQ(-lsTIMEOUT, L_SEMA_WaitMultipleTicks(list, 0));
}

TEST_F(SemaTest, SecondWaiterGetsAConflictAndLeavesNoMark) {
  const SEMA s = SEMA_MEDIA_5, other = SEMA_MEDIA_6;
  std::future<S32> waiter = std::async(std::launch::async, [&] { return L_SEMA_Wait(s); });
  ASSERT_TRUE(bWaiterArrives(s));
  EXPECT_EQ(MAIN_THREAD_TASK, L_SEMA_GetWaitingTaskID(s));
  EXPECT_EQ(-lsSEMA_WAIT_CONFLICT, L_SEMA_Wait(s));
  const SEMA list[] = {other, s, 0};
  EXPECT_EQ(-lsSEMA_WAIT_CONFLICT, L_SEMA_WaitMultiple(list));
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(other));
  // Clearing a semaphore someone waits on changes nothing.
  EXPECT_EQ(0, L_SEMA_SetPending(s));
  EXPECT_EQ(MAIN_THREAD_TASK, L_SEMA_GetWaitingTaskID(s));
  ASSERT_EQ(0, L_SEMA_Signal(s));
  EXPECT_EQ(0, waiter.get());
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
}

TEST_F(SemaTest, TimedWaitsEndOnTheTestClock) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const SEMA s = SEMA_MEDIA_7, t = SEMA_MEDIA_9;
  std::future<S32> single = std::async(std::launch::async, [&] { return L_SEMA_WaitTicks(s, 100); });
  std::future<S32> seconds = std::async(std::launch::async, [&] {
    const SEMA list[] = {t, 0};
    return L_SEMA_WaitMultipleTicks(list, 2000);
  });
  ASSERT_TRUE(bWaiterArrives(s));
  ASSERT_TRUE(bWaiterArrives(t));
  PLATFORM_vTestClockAdvanceMs(99);
  EXPECT_EQ(std::future_status::timeout, single.wait_for(std::chrono::milliseconds(20)));
  PLATFORM_vTestClockAdvanceMs(1);
  EXPECT_EQ(-lsTIMEOUT, single.get());
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
  PLATFORM_vTestClockAdvanceMs(1900);
  EXPECT_EQ(-lsTIMEOUT, seconds.get());

  std::future<S32> whole = std::async(std::launch::async, [&] { return L_SEMA_WaitSeconds(s, 2); });
  ASSERT_TRUE(bWaiterArrives(s));
  PLATFORM_vTestClockAdvanceMs(1999);
  EXPECT_EQ(std::future_status::timeout, whole.wait_for(std::chrono::milliseconds(20)));
  ASSERT_EQ(0, L_SEMA_Signal(s));
  EXPECT_EQ(0, whole.get());
}

// Threads outside the task table all count as id 70, yet each sleeps on its
// own wake-up object: a signal wakes exactly the thread that waits on it.
TEST_F(SemaTest, ThreadsOutsideTheTableAreWokenByTheirOwnSemaphore) {
  constexpr int N = 6;
  const SEMA base = SEMA_MEDIA_10;
  for (int round = 0; round < 20; ++round) {
    std::vector<std::future<S32>> waiters;
    for (int i = 0; i < N; ++i) {
      waiters.push_back(std::async(std::launch::async, [=] { return L_SEMA_Wait(base + i); }));
    }
    for (int i = 0; i < N; ++i) ASSERT_TRUE(bWaiterArrives(base + i));
    // Wake them in an order that differs from the order they went to sleep.
    for (int k = 0; k < N; ++k) {
      const int i = (k * 5 + round) % N;
      ASSERT_EQ(0, L_SEMA_Signal(base + i));
      EXPECT_EQ(0, waiters[i].get());
      for (int j = 0; j < N; ++j) {
        if (waiters[j].valid()) {
          EXPECT_EQ(MAIN_THREAD_TASK, L_SEMA_GetWaitingTaskID(base + j)) << j;
        }
      }
    }
  }
}

TEST_F(SemaTest, PingPongLosesNoWakeUp) {
  const SEMA ping = SEMA_GDC0, pong = SEMA_GDC1;
  constexpr int ROUNDS = 5000;
  std::thread partner([&] {
    for (int i = 0; i < ROUNDS; ++i) {
      ASSERT_EQ(0, L_SEMA_Wait(ping));
      ASSERT_EQ(0, L_SEMA_Signal(pong));
    }
  });
  for (int i = 0; i < ROUNDS; ++i) {
    ASSERT_EQ(0, L_SEMA_Signal(ping));
    ASSERT_EQ(0, L_SEMA_Wait(pong));
  }
  partner.join();
}

// Three partners each signal their own semaphore of one list wait and wait
// for the reply before they signal again; the list waiter answers whichever
// it took. Signals arrive while the waiter spins, sleeps, or is on its way
// in or out: none may be missed.
TEST_F(SemaTest, ListWaitLosesNoWakeUp) {
  const SEMA ask[] = {SEMA_MEDIA_11, SEMA_MEDIA_12, SEMA_MEDIA_13};
  const SEMA reply[] = {SEMA_MEDIA_14, SEMA_MEDIA_15, SEMA_ETHERNET_TX};
  constexpr int ROUNDS = 3000;
  std::vector<std::thread> partners;
  for (int p = 0; p < 3; ++p) {
    partners.emplace_back([&, p] {
      for (int i = 0; i < ROUNDS; ++i) {
        ASSERT_EQ(0, L_SEMA_Signal(ask[p]));
        // A lost wake-up would leave this waiting to the limit.
        ASSERT_EQ(0, L_SEMA_WaitSeconds(reply[p], 30)) << p << " round " << i;
      }
    });
  }
  const SEMA list[] = {ask[0], ask[1], ask[2], 0};
  int answered[3] = {0, 0, 0};
  for (int i = 0; i < 3 * ROUNDS; ++i) {
    const S32 got = L_SEMA_WaitMultipleTicks(list, 30000);
    ASSERT_GT(got, 0) << "round " << i;
    const int p = (int)(std::find(ask, ask + 3, got) - ask);
    ASSERT_LT(p, 3);
    answered[p]++;
    ASSERT_EQ(0, L_SEMA_Signal(reply[p]));
  }
  for (auto& t : partners) t.join();
  for (int p = 0; p < 3; ++p) EXPECT_EQ(ROUNDS, answered[p]);
  for (SEMA s : ask) EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(s));
}

TEST_F(SemaTest, DumpShowsStateWaiterAndFireTime) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const SEMA done = SEMA_GDC0, waited = SEMA_GDC1, idle = SEMA_GDC2;
  const U64 fired = L_CLOCK_qwGetTimeInNans();  // the clock stands still
  ASSERT_EQ(0, L_SEMA_Signal(done));
  std::future<S32> waiter = std::async(std::launch::async, [&] { return L_SEMA_Wait(waited); });
  ASSERT_TRUE(bWaiterArrives(waited));
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  L_SEMA_Debug();
  fflush(stdout);
  fflush(stderr);
  const std::string dump = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  ASSERT_EQ(0, L_SEMA_Signal(waited));
  EXPECT_EQ(0, waiter.get());
  EXPECT_NE(std::string::npos, dump.find("semaphore information (280 total)")) << dump;
  char line[200];
  snprintf(line, sizeof line, "  %02d %s: done task #0 () fired at %lld mutex.lock 0", done, get_semaphore_name(done),
           (long long)fired);
  EXPECT_NE(std::string::npos, dump.find(line)) << line;
  snprintf(line, sizeof line, "  %02d %s: waiting task #%d (%s) fired at ", waited, get_semaphore_name(waited),
           MAIN_THREAD_TASK, get_task_name(MAIN_THREAD_TASK));
  EXPECT_NE(std::string::npos, dump.find(line)) << line;
  snprintf(line, sizeof line, "  %02d %s: pending task #0 () fired at ", idle, get_semaphore_name(idle));
  EXPECT_NE(std::string::npos, dump.find(line)) << line;
}

// Two threads wait on overlapping lists given in opposite orders while two
// others keep signalling: the waits lock in one global order, so this ends.
TEST_F(SemaTest, OverlappingListWaitsDoNotDeadlock) {
  const SEMA a = SEMA_GDC2, b = SEMA_GDC3, c = SEMA_IIC;
  constexpr int ROUNDS = 20000;
  std::atomic<bool> stop{false};
  std::atomic<int> taken{0}, conflicts{0};
  auto waiter = [&](std::vector<SEMA> list) {
    list.push_back(0);
    for (int i = 0; i < ROUNDS; ++i) {
      const S32 rc = L_SEMA_WaitMultipleTicks(list.data(), i % 2);
      if (rc > 0) taken++;
      if (rc == -lsSEMA_WAIT_CONFLICT) conflicts++;
      ASSERT_TRUE(rc > 0 || rc == -lsTIMEOUT || rc == -lsSEMA_WAIT_CONFLICT) << rc;
    }
  };
  auto signaller = [&](std::vector<SEMA> list) {
    while (!stop.load()) {
      for (SEMA s : list) (void)L_SEMA_Signal(s);
      std::this_thread::yield();
    }
  };
  std::thread s1(signaller, std::vector<SEMA>{a, b}), s2(signaller, std::vector<SEMA>{c, b});
  auto w1 = std::async(std::launch::async, waiter, std::vector<SEMA>{a, b, c});
  auto w2 = std::async(std::launch::async, waiter, std::vector<SEMA>{c, b, a});
  const bool done = w1.wait_for(std::chrono::seconds(60)) == std::future_status::ready &&
                    w2.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  if (!done) {
    // Deadlocked threads cannot be joined: report and end here.
    fprintf(stderr, "overlapping list waits deadlocked\n");
    std::abort();
  }
  stop = true;
  s1.join();
  s2.join();
  w1.get();
  w2.get();
  EXPECT_GT(taken.load(), 0);
  for (SEMA s : {a, b, c}) EXPECT_LT(L_SEMA_GetWaitingTaskID(s), 0);
}

}  // namespace
