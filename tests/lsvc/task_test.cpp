// Task layer: ids and names, starting tasks from their table rows, disabled
// rows, priorities, ending a task (itself or another one blocked in a
// semaphore wait) and the task part of the state dump.
#include <gtest/gtest.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>

#include "lsvc/lsvc.h"

namespace {

void vNap(void) {
  struct timespec ts = {0, 200000};
  nanosleep(&ts, nullptr);
}

// Polls a condition for up to ten real seconds.
template <typename F>
bool bEventually(F condition) {
  for (int i = 0; i < 50000; ++i) {
    if (condition()) return true;
    vNap();
  }
  return condition();
}

constexpr SEMA SEMA_READY = SEMA_USER_TEST;
constexpr SEMA SEMA_GO = SEMA_TEST_PARAMS;
constexpr SEMA SEMA_OTHER = SEMA_TEST_CONNECT;
constexpr SEMA SEMA_OTHER2 = SEMA_INLINE_TEST;

// What the entry functions below saw and did.
std::atomic<TASK> g_seenId{0};
std::atomic<pthread_t> g_thread{0};
std::atomic<int> g_runs{0};
std::atomic<bool> g_passedEnd{false};
std::atomic<bool> g_threadGone{false};
std::atomic<bool> g_release{false};
std::atomic<S32> g_result{0};

// Sets g_threadGone when the thread that touched it ends, however it ends.
struct EXIT_WATCH {
  bool armed = false;
  ~EXIT_WATCH() {
    if (armed) g_threadGone = true;
  }
};
thread_local EXIT_WATCH t_exitWatch;

void vNote(void) {
  t_exitWatch.armed = true;
  g_seenId = L_TASK_GetMyID();
  g_thread = pthread_self();
  g_runs++;
}

void vEntryReportAndWait(void) {
  vNote();
  L_SEMA_Signal(SEMA_READY);
  L_SEMA_Wait(SEMA_GO);
}

void vEntryReport(void) {
  vNote();
  L_SEMA_Signal(SEMA_READY);
}

void vEntryEndItself(void) {
  vNote();
  L_SEMA_Signal(SEMA_READY);
  L_TASK_Terminate(0);
  g_passedEnd = true;
}

void vEntryWaitForEver(void) {
  vNote();
  const SEMA list[] = {SEMA_OTHER2, SEMA_OTHER, 0};
  L_SEMA_WaitMultiple(list);
  g_passedEnd = true;
}

void vEntryBusy(void) {
  vNote();
  L_SEMA_Signal(SEMA_READY);
  while (!g_release.load()) sched_yield();
}

void vEntryTerminateMain(void) {
  g_result = L_TASK_Terminate(MAIN_THREAD_TASK);
  L_SEMA_Signal(SEMA_READY);
}

class TaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seenId = 0;
    g_thread = 0;
    g_runs = 0;
    g_passedEnd = false;
    g_threadGone = false;
    g_release = false;
    for (SEMA s : {SEMA_READY, SEMA_GO, SEMA_OTHER, SEMA_OTHER2}) L_SEMA_SetPending(s);
  }
  // The task's thread has ended and its record is free again.
  static bool bEnded(TASK id) {
    return bEventually([&] { return g_threadGone.load() && L_TASK_GetID(g_thread.load()) != id; });
  }
};

TEST_F(TaskTest, IdsAndNames) {
  EXPECT_EQ(MAIN_THREAD_TASK, L_TASK_GetMyID());
  EXPECT_EQ(MAIN_THREAD_TASK, L_TASK_GetID(0));
  EXPECT_EQ(MAIN_THREAD_TASK, L_TASK_GetID(pthread_self()));
  pthread_t other = 0;
  TASK other_id = 0;
  std::thread t([&] {
    other = pthread_self();
    other_id = L_TASK_GetMyID();
  });
  t.join();
  EXPECT_EQ(MAIN_THREAD_TASK, other_id);
  EXPECT_EQ(MAIN_THREAD_TASK, L_TASK_GetID(other));
  EXPECT_STREQ("", get_task_name(0));
  EXPECT_STREQ("RTXCBUG", get_task_name(1));
  EXPECT_STREQ("BTREMOTETASK", get_task_name(69));
  EXPECT_STREQ("MAINTHREAD", get_task_name(70));
  EXPECT_STREQ("INVALID", get_task_name(71));
  EXPECT_STREQ("INVALID", get_task_name(-1));
}

TEST_F(TaskTest, InvalidIdsAreRefused) {
  struct timespec past = {0, 0};
  for (TASK id : {71, 100, -1, -70}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_Start(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_Terminate(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_GetPriority(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_SetPriority(id, 50));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_LockMutex(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_UnlockMutex(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_SignalConditional(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_WaitConditional(id));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_WaitConditionalTimed(id, &past));
    EXPECT_EQ(-lsTASK_INVALID, L_TASK_SetStartFunction(id, vEntryReport));
  }
  // The main thread has no row to start.
  EXPECT_EQ(-lsTASK_INVALID, L_TASK_Start(MAIN_THREAD_TASK));
  EXPECT_EQ(-lsTASK_INVALID, L_TASK_SetStartFunction(MAIN_THREAD_TASK, vEntryReport));
}

TEST_F(TaskTest, EveryPriorityMapsToTheDefaultPolicy) {
  for (TASK id = 1; id <= MAIN_THREAD_TASK; ++id) EXPECT_EQ(100, L_TASK_GetPriority(id)) << id;
  EXPECT_EQ(100, L_TASK_GetPriority(0));
  EXPECT_EQ(0, L_TASK_SetPriority(TASK_CHART3DTASK, 2));
  EXPECT_EQ(100, L_TASK_GetPriority(TASK_CHART3DTASK));
  EXPECT_EQ(0, L_TASK_SetPriority(TASK_CHART3DTASK, 0));
}

TEST_F(TaskTest, StartRunsTheEntryAsThatTask) {
  const TASK id = TASK_DUMMYTASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryReportAndWait));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  EXPECT_EQ(id, g_seenId.load());
  EXPECT_EQ(id, L_TASK_GetID(g_thread.load()));
  ASSERT_TRUE(bEventually([&] { return L_SEMA_GetWaitingTaskID(SEMA_GO) == id; }));
  // A running task is not started a second time.
  EXPECT_EQ(-lsTASK_START, L_TASK_Start(id));
  // Its priority can be applied to the running thread.
  EXPECT_EQ(0, L_TASK_SetPriority(id, 2));
  EXPECT_EQ(100, L_TASK_GetPriority(id));
  ASSERT_EQ(0, L_SEMA_Signal(SEMA_GO));
  ASSERT_TRUE(bEnded(id));
  EXPECT_EQ(1, g_runs.load());

  // Once its entry returned, the task can be started again.
  g_threadGone = false;
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  ASSERT_EQ(0, L_SEMA_Signal(SEMA_GO));
  ASSERT_TRUE(bEnded(id));
  EXPECT_EQ(2, g_runs.load());
}

TEST_F(TaskTest, DisabledTaskIsNotStarted) {
  const TASK id = TASK_TONETASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryReport));
  task_disabled[id - 1] = 1;
  EXPECT_EQ(0, L_TASK_Start(id));
  EXPECT_EQ(-lsTIMEOUT, L_SEMA_WaitTicks(SEMA_READY, 50));
  EXPECT_EQ(0, g_runs.load());
  task_disabled[id - 1] = 0;
  EXPECT_EQ(0, L_TASK_Start(id));
  EXPECT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  ASSERT_TRUE(bEnded(id));
  EXPECT_EQ(1, g_runs.load());
}

TEST_F(TaskTest, TaskEndingItselfNeverReturns) {
  const TASK id = TASK_DEVELOPMENTTASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryEndItself));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  ASSERT_TRUE(bEnded(id));
  EXPECT_FALSE(g_passedEnd.load());
}

// Ending another task does not kill it where it stands: it ends at its
// semaphore wait, after clearing its marks, and never runs past the wait.
TEST_F(TaskTest, TerminatedTaskEndsAtItsWaitAndFreesItsSemaphores) {
  const TASK id = TASK_BATHYMETRYTASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryWaitForEver));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_TRUE(bEventually([&] { return L_SEMA_GetWaitingTaskID(SEMA_OTHER) == id; }));
  EXPECT_EQ(0, L_TASK_Terminate(id));
  ASSERT_TRUE(bEnded(id));
  EXPECT_FALSE(g_passedEnd.load());
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(SEMA_OTHER));
  EXPECT_EQ(-lsSEMA_PENDING, L_SEMA_GetWaitingTaskID(SEMA_OTHER2));
  // Nobody is left waiting: the semaphores are free for another waiter.
  EXPECT_EQ(-lsTIMEOUT, L_SEMA_WaitTicks(SEMA_OTHER, 0));
  // Ending a task that has no thread is harmless.
  EXPECT_EQ(0, L_TASK_Terminate(id));
}

TEST_F(TaskTest, TerminatedTaskCanBeStartedAgainAtOnce) {
  const TASK id = TASK_SOCKETTASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryWaitForEver));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_TRUE(bEventually([&] { return L_SEMA_GetWaitingTaskID(SEMA_OTHER) == id; }));
  ASSERT_EQ(0, L_TASK_Terminate(id));
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryReportAndWait));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  EXPECT_EQ(2, g_runs.load());
  EXPECT_EQ(id, L_TASK_GetID(g_thread.load()));
  // The new thread is not the one asked to end.
  ASSERT_TRUE(bEventually([&] { return L_SEMA_GetWaitingTaskID(SEMA_GO) == id; }));
  EXPECT_FALSE(g_passedEnd.load());
  g_threadGone = false;
  ASSERT_EQ(0, L_SEMA_Signal(SEMA_GO));
  ASSERT_TRUE(bEnded(id));
}

TEST_F(TaskTest, MainThreadIdCannotBeEndedByAnotherTask) {
  const TASK id = TASK_XIDTASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryTerminateMain));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  EXPECT_EQ(-lsTASK_INVALID, g_result.load());
}

TEST_F(TaskTest, ConditionalWaitTimesOut) {
  struct timespec past = {0, 0};
  EXPECT_EQ(0, L_TASK_LockMutex(0));
  EXPECT_EQ(-lsTIMEOUT, L_TASK_WaitConditionalTimed(0, &past));
  EXPECT_EQ(0, L_TASK_UnlockMutex(0));
  EXPECT_EQ(0, L_TASK_SignalConditional(0));
  // A task without a thread: no effect.
  EXPECT_EQ(0, L_TASK_SignalConditional(TASK_RTXCBUG));
}

TEST_F(TaskTest, DumpShowsEveryRecordAndWhoIsActive) {
  const TASK id = TASK_GMSGTESTTASK;
  ASSERT_EQ(0, L_TASK_SetStartFunction(id, vEntryBusy));
  ASSERT_EQ(0, L_TASK_Start(id));
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_READY, 10000));
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  L_TASK_Debug();
  fflush(stdout);
  fflush(stderr);
  const std::string dump = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  g_release = true;
  ASSERT_TRUE(bEnded(id));
  EXPECT_NE(std::string::npos, dump.find("task information (70 total)")) << dump;
  EXPECT_NE(std::string::npos, dump.find("run time ")) << dump;
  EXPECT_NE(std::string::npos, dump.find("  53 GMSGTESTTASK: active 1 time (")) << dump;
  EXPECT_NE(std::string::npos, dump.find("  01 RTXCBUG: active 0 time (")) << dump;
  EXPECT_NE(std::string::npos, dump.find("  70 MAINTHREAD: active ")) << dump;
}

}  // namespace
