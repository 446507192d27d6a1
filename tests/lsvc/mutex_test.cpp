// Resource mutexes: nesting results, ownership, busy and timed locks, the
// BOOLEAN wrappers.
#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>
#include <thread>

#include "lsvc/lsvc.h"
#include "run_as_task.h"
#include "source/platform/platform.h"

namespace {

class MutexTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (PLATFORM_bTestClockActive()) PLATFORM_vTestClockDisable();
  }
};

TEST_F(MutexTest, NestedLockAndUnlockReportTheNesting) {
  const MUTEX m = RES_NAV_DATA;
  EXPECT_EQ(L_MUTEX_GetOwnerTaskID(m), 0);
  EXPECT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
  EXPECT_EQ(L_MUTEX_LockWait(m), -lsMUTEX_NESTED);
  EXPECT_EQ(L_MUTEX_Lock(m), -lsMUTEX_NESTED);
  EXPECT_EQ(L_MUTEX_GetOwnerTaskID(m), MAIN_THREAD_TASK);

  testing::internal::CaptureStdout();
  L_MUTEX_Debug();
  const std::string dump = testing::internal::GetCapturedStdout();
  EXPECT_NE(dump.find("mutex information (104 total)"), std::string::npos);
  EXPECT_NE(dump.find("  09 RES_NAV_DATA: task #70 ("), std::string::npos) << dump;
  EXPECT_NE(dump.find(") nest 3 mutex.lock 1"), std::string::npos) << dump;

  EXPECT_EQ(L_MUTEX_Unlock(m), -lsMUTEX_NESTED);
  EXPECT_EQ(L_MUTEX_Unlock(m), -lsMUTEX_NESTED);
  // Still held between the inner and the outermost unlock.
  as_task::Run(TASK_DUMMYTASK, [=] { EXPECT_EQ(L_MUTEX_Lock(m), -lsMUTEX_BUSY); });
  EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
  EXPECT_EQ(L_MUTEX_GetOwnerTaskID(m), 0);
  EXPECT_EQ(L_MUTEX_Unlock(m), -lsMUTEX_BUSY);  // no longer the owner
}

TEST_F(MutexTest, OnlyTheOwnerUnlocks) {
  const MUTEX m = RES_MENU;
  std::binary_semaphore locked{0}, release{0};
  as_task::Start(TASK_DUMMYTASK, [&] {
    EXPECT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
    locked.release();
    release.acquire();
    EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
  });
  locked.acquire();
  EXPECT_EQ(L_MUTEX_GetOwnerTaskID(m), TASK_DUMMYTASK);
  EXPECT_EQ(L_MUTEX_Unlock(m), -lsMUTEX_BUSY);  // changes nothing
  EXPECT_EQ(L_MUTEX_Lock(m), -lsMUTEX_BUSY);
  EXPECT_EQ(L_MUTEX_LockTime(m, 0), -lsMUTEX_BUSY);
  EXPECT_EQ(L_MUTEX_GetOwnerTaskID(m), TASK_DUMMYTASK);
  release.release();
  as_task::Join();
  EXPECT_EQ(L_MUTEX_Lock(m), lsSUCCESS);
  EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
}

// Threads outside the task table all carry the id 70; each is still an
// owner of its own.
TEST_F(MutexTest, TwoThreadsOutsideTheTableDoNotShareOwnership) {
  const MUTEX m = RES_TRACE;
  ASSERT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
  std::thread other([=] {
    EXPECT_EQ(L_TASK_GetMyID(), MAIN_THREAD_TASK);
    EXPECT_EQ(L_MUTEX_Lock(m), -lsMUTEX_BUSY);
    EXPECT_EQ(L_MUTEX_Unlock(m), -lsMUTEX_BUSY);
  });
  other.join();
  EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
}

TEST_F(MutexTest, InvalidNumbers) {
  for (MUTEX m : {0, -1, 105}) {
    SCOPED_TRACE(m);
    EXPECT_EQ(L_MUTEX_LockWait(m), -lsMUTEX_INVALID);
    EXPECT_EQ(L_MUTEX_Lock(m), -lsMUTEX_INVALID);
    EXPECT_EQ(L_MUTEX_LockTime(m, 10), -lsMUTEX_INVALID);
    EXPECT_EQ(L_MUTEX_Unlock(m), -lsMUTEX_INVALID);
    EXPECT_STREQ(get_mutex_name(m), m == 0 ? "" : "INVALID");
  }
  EXPECT_STREQ(get_mutex_name(1), "RES_DATABASE");
  EXPECT_STREQ(get_mutex_name(104), "RES_LIMNORA_XJIMAGE");
}

TEST_F(MutexTest, BlockingLockWaitsForTheRelease) {
  const MUTEX m = RES_VIEW_LIST;
  ASSERT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
  std::atomic<bool> got{false};
  as_task::Start(TASK_DUMMYTASK, [&] {
    EXPECT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
    EXPECT_EQ(L_MUTEX_GetOwnerTaskID(m), TASK_DUMMYTASK);
    got = true;
    EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
  });
  EXPECT_FALSE(got.load());  // cannot have it while we hold it
  EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
  as_task::Join();
  EXPECT_TRUE(got.load());
}

TEST_F(MutexTest, TimedLockGivesUpOnlyWhenTheLimitHasPassed) {
  const MUTEX m = RES_ALARM;
  ASSERT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const U64 t0 = PLATFORM_u64MonotonicNs();
  std::atomic<bool> done{false};
  std::atomic<U64> ended_at{0};
  std::atomic<S32> rc{1};
  as_task::Start(TASK_DUMMYTASK, [&] {
    rc = L_MUTEX_LockTime(m, 50);
    ended_at = PLATFORM_u64MonotonicNs();
    done = true;
  });
  while (!done.load()) {
    PLATFORM_vTestClockAdvanceMs(5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  as_task::Join();
  EXPECT_EQ(rc.load(), -lsMUTEX_BUSY);
  EXPECT_GE(ended_at.load() - t0, 50u * 1000000u);

  // Released before the limit (the clock stands still): the lock is taken.
  done = false;
  as_task::Start(TASK_DUMMYTASK, [&] {
    rc = L_MUTEX_LockTime(m, 50);
    if (rc.load() == lsSUCCESS) L_MUTEX_Unlock(m);
    done = true;
  });
  EXPECT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
  as_task::Join();
  EXPECT_EQ(rc.load(), lsSUCCESS);
}

TEST_F(MutexTest, LocksExcludeEachOther) {
  const MUTEX m = RES_NAV;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      ASSERT_EQ(L_MUTEX_LockWait(m), lsSUCCESS);
      ++counter;
      ASSERT_EQ(L_MUTEX_Unlock(m), lsSUCCESS);
    }
  };
  std::thread a(work), b(work);
  as_task::Run(TASK_DUMMYTASK, work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 60000);
}

TEST_F(MutexTest, BooleanWrappers) {
  const MUTEX m = RES_GMSG_MBOX_LIST;
  const MUTEX bad = 0;
  EXPECT_TRUE(MUTEX_bTryLock(&m));   // free: taken
  EXPECT_TRUE(MUTEX_bTryLock(&m));   // nested: still held
  EXPECT_FALSE(MUTEX_bLock(&m));     // nested lock is not the outermost
  EXPECT_FALSE(MUTEX_bUnlock(&m));
  EXPECT_FALSE(MUTEX_bUnlock(&m));
  as_task::Run(TASK_DUMMYTASK, [m] { EXPECT_FALSE(MUTEX_bTryLock(&m)); });  // busy
  EXPECT_TRUE(MUTEX_bUnlock(&m));
  EXPECT_TRUE(MUTEX_bLock(&m));
  EXPECT_TRUE(MUTEX_bUnlock(&m));

  // An invalid number is a failure for every wrapper.
  EXPECT_FALSE(MUTEX_bLock(&bad));
  EXPECT_FALSE(MUTEX_bUnlock(&bad));
  EXPECT_FALSE(MUTEX_bTryLock(&bad));
  EXPECT_FALSE(MUTEX_bTryLock(nullptr));

  MUTEX var = m;
  EXPECT_TRUE(MUTEX_bInit(&var, TRUE));
  EXPECT_TRUE(MUTEX_bDestroy(&var));
}

}  // namespace
