// Mailboxes: priority order, the signal-on-empty rule, blocking and timed
// receives, acknowledged sends and the hand-over of a block whose sender
// stopped waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <random>
#include <thread>
#include <vector>

#include "lsvc/l_mbox_priv.h"
#include "lsvc/lsvc.h"
#include "run_as_task.h"
#include "source/platform/platform.h"

namespace {

struct TEST_MSG {
  GENERIC_MESSAGE gm;
  U32 u32Id;
};
static_assert(sizeof(TEST_MSG) <= 44, "test message fits the smallest partition");

TEST_MSG* NewMsg(U32 id) {
  auto* m = static_cast<TEST_MSG*>(H_MEMORY_pvMalloc(sizeof(TEST_MSG)));
  m->gm.Cmd = CMD_ID_NEW_DATA;
  m->u32Id = id;
  return m;
}

bool Signalled(SEMA s) { return L_SEMA_GetWaitingTaskID(s) == -lsSEMA_DONE; }

// Free blocks of a map right now (takes them all, then gives them back).
size_t FreeBlocks(MAP map) {
  std::vector<void*> taken;
  while (void* b = L_MEM_Allocate(map)) taken.push_back(b);
  for (void* b : taken) L_MEM_Free(map, b);
  return taken.size();
}

constexpr MBOX kBox = M_SLPTEST;  // no semaphore of its own
constexpr MBOX kBoundBox = M_DUMMY;
constexpr SEMA kBoxSema = SEMA_MBOX_DUMMY;
constexpr SEMA kAck = SEMA_SHUTDOWN_KEYB;

class MboxTest : public ::testing::Test {
 protected:
  void SetUp() override { H_MEMORY_vSetup(); }
  void TearDown() override {
    g_pfnMboxAckTimedOut = nullptr;
    if (PLATFORM_bTestClockActive()) PLATFORM_vTestClockDisable();
    for (MBOX box : {kBox, kBoundBox}) {
      while (void* m = L_MBOX_Receive(box)) H_MEMORY_vFree(m);
    }
    L_MBOX_DefineSema(kBoundBox, 0);
    for (SEMA s : {kBoxSema, kAck}) L_SEMA_SetPending(s);
  }
};

// Sends with the given priorities, receives everything; returns the send
// indexes in the order received.
std::vector<U32> SendAllReceiveAll(const std::vector<PRIORITY>& prios) {
  for (U32 i = 0; i < prios.size(); ++i) EXPECT_EQ(L_MBOX_Send(kBox, NewMsg(i), prios[i], 0), lsSUCCESS);
  std::vector<U32> order;
  while (auto* m = static_cast<TEST_MSG*>(L_MBOX_Receive(kBox))) {
    order.push_back(m->u32Id);
    H_MEMORY_vDumpMail(m);
  }
  return order;
}

TEST_F(MboxTest, SmallerPriorityFirstAndArrivalOrderAmongEquals) {
  const std::vector<std::vector<PRIORITY>> cases = {
      {3, 1, 3, 2},
      {5, 5, 5, 5},
      {15, 14, 13, 2, 1, 0},
      {20, 3, 100, 20, 0, 65535, 16, 15, 3, 100, 16},  // priorities beyond the per-priority tails
      {65535, 65535, 0, 0},
  };
  for (const auto& prios : cases) {
    std::vector<U32> expected(prios.size());
    for (U32 i = 0; i < prios.size(); ++i) expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(), [&](U32 a, U32 b) { return prios[a] < prios[b]; });
    EXPECT_EQ(SendAllReceiveAll(prios), expected) << "first priority " << prios[0];
  }
  // The example of the interface: 3, 1, 3, 2 come out as 1, 2, 3 (first), 3 (second).
  EXPECT_EQ(SendAllReceiveAll({3, 1, 3, 2}), (std::vector<U32>{1, 3, 0, 2}));
}

// Sends and receives interleaved at random against a plain reference list:
// the per-priority tails must stay right as heads are taken.
TEST_F(MboxTest, InterleavedSendsAndReceivesMatchAReferenceList) {
  std::mt19937 rng(12345);
  const PRIORITY prios[] = {0, 1, 2, 3, 3, 3, 4, 15, 16, 17, 40, 65535};
  std::deque<std::pair<PRIORITY, U32>> model;
  U32 next = 0;
  for (int step = 0; step < 4000; ++step) {
    if (rng() % 3 != 0 || model.empty()) {
      const PRIORITY p = prios[rng() % std::size(prios)];
      ASSERT_EQ(L_MBOX_Send(kBox, NewMsg(next), p, 0), lsSUCCESS);
      auto at = std::find_if(model.begin(), model.end(), [p](const auto& e) { return e.first > p; });
      model.insert(at, {p, next});
      ++next;
    } else {
      auto* m = static_cast<TEST_MSG*>(L_MBOX_Receive(kBox));
      ASSERT_NE(m, nullptr);
      ASSERT_EQ(m->u32Id, model.front().second) << "step " << step;
      ASSERT_EQ(m->gm.msghdr.MsgPriority, model.front().first);
      model.pop_front();
      H_MEMORY_vDumpMail(m);
    }
  }
  while (!model.empty()) {
    auto* m = static_cast<TEST_MSG*>(L_MBOX_Receive(kBox));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->u32Id, model.front().second);
    model.pop_front();
    H_MEMORY_vDumpMail(m);
  }
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);
}

TEST_F(MboxTest, SemaphoreSignalledOnlyOnArrivalInEmptyMailbox) {
  ASSERT_EQ(L_MBOX_DefineSema(kBoundBox, kBoxSema), lsSUCCESS);
  L_SEMA_SetPending(kBoxSema);

  ASSERT_EQ(L_MBOX_Send(kBoundBox, NewMsg(1), 3, 0), lsSUCCESS);
  EXPECT_TRUE(Signalled(kBoxSema));
  EXPECT_EQ(L_SEMA_WaitTicks(kBoxSema, 0), lsSUCCESS);  // the receiver wakes
  ASSERT_EQ(L_MBOX_Send(kBoundBox, NewMsg(2), 1, 0), lsSUCCESS);  // not empty: no signal, even at the head
  EXPECT_FALSE(Signalled(kBoxSema));

  // One wake-up takes both by receiving until null.
  int received = 0;
  while (void* m = L_MBOX_Receive(kBoundBox)) {
    ++received;
    H_MEMORY_vDumpMail(m);
  }
  EXPECT_EQ(received, 2);

  ASSERT_EQ(L_MBOX_Send(kBoundBox, NewMsg(3), 3, 0), lsSUCCESS);  // empty again: signals
  EXPECT_TRUE(Signalled(kBoxSema));

  ASSERT_EQ(L_MBOX_DefineSema(kBoundBox, 0), lsSUCCESS);  // unbound: a receive leaves it alone
  H_MEMORY_vDumpMail(L_MBOX_Receive(kBoundBox));
  L_SEMA_SetPending(kBoxSema);
  ASSERT_EQ(L_MBOX_Send(kBoundBox, NewMsg(4), 3, 0), lsSUCCESS);
  EXPECT_FALSE(Signalled(kBoxSema));
}

// Mail that came before the mailbox was bound is not left waiting unseen:
// binding signals the semaphore when the mailbox holds mail.
TEST_F(MboxTest, BindingAMailboxThatHoldsMailSignalsItsSemaphore) {
  L_SEMA_SetPending(kBoxSema);
  ASSERT_EQ(L_MBOX_DefineSema(kBoundBox, kBoxSema), lsSUCCESS);
  EXPECT_FALSE(Signalled(kBoxSema)) << "empty mailbox: nothing to see";
  ASSERT_EQ(L_MBOX_DefineSema(kBoundBox, 0), lsSUCCESS);
  ASSERT_EQ(L_MBOX_Send(kBoundBox, NewMsg(1), 3, 0), lsSUCCESS);
  ASSERT_EQ(L_MBOX_DefineSema(kBoundBox, kBoxSema), lsSUCCESS);
  EXPECT_TRUE(Signalled(kBoxSema));
  H_MEMORY_vDumpMail(L_MBOX_Receive(kBoundBox));
}

TEST_F(MboxTest, InvalidNumbersAreRefusedAndTheMessageStaysWithTheSender) {
  TEST_MSG* m = NewMsg(7);
  struct {
    MBOX mbox;
    SEMA sema;
    S32 send, send_wait, define;
  } cases[] = {
      {0, 0, -lsMBOX_INVALID, -lsMBOX_INVALID, -lsMBOX_INVALID},
      {72, 0, -lsMBOX_INVALID, -lsMBOX_INVALID, -lsMBOX_INVALID},
      {-1, 0, -lsMBOX_INVALID, -lsMBOX_INVALID, -lsMBOX_INVALID},
      {kBox, 281, -lsSEMA_INVALID, -lsSEMA_INVALID, -lsSEMA_INVALID},
      {kBox, -1, -lsSEMA_INVALID, -lsSEMA_INVALID, -lsSEMA_INVALID},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mailbox " << c.mbox << " sema " << c.sema);
    EXPECT_EQ(L_MBOX_Send(c.mbox, m, 3, c.sema), c.send);
    EXPECT_EQ(L_MBOX_SendWaitTicks(c.mbox, m, 3, c.sema == 0 ? kAck : c.sema, 0), c.send_wait);
    EXPECT_EQ(L_MBOX_DefineSema(c.mbox, c.sema), c.define);
    EXPECT_EQ(L_MBOX_Receive(c.mbox), nullptr);
  }
  // A waiting send needs a real semaphore to wait on.
  EXPECT_EQ(L_MBOX_SendWaitTicks(kBox, m, 3, 0, 0), -lsSEMA_INVALID);
  EXPECT_EQ(L_MBOX_Send(kBox, nullptr, 3, 0), -lsMBOX_INVALID);
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);  // nothing was queued
  EXPECT_EQ(L_MBOX_ReceiveWaitTicks(72, 0), nullptr);
  EXPECT_EQ(H_MEMORY_eBlockMap(m), 1);  // still the sender's block
  H_MEMORY_vFree(m);

  EXPECT_STREQ(get_mailbox_name(10), "M_KEYB");
  EXPECT_STREQ(get_mailbox_name(71), "M_BT_REMOTE");
  EXPECT_STREQ(get_mailbox_name(72), "INVALID");
  EXPECT_STREQ(get_mailbox_name(-3), "INVALID");
}

TEST_F(MboxTest, EmptyMailboxReceivesNullAtOnce) {
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);
  EXPECT_EQ(L_MBOX_ReceiveWaitTicks(kBox, 0), nullptr);
}

TEST_F(MboxTest, BlockingReceiveGetsTheMessageOfAnotherTaskWithItsId) {
  std::atomic<TEST_MSG*> got{nullptr};
  std::thread receiver([&] { got = static_cast<TEST_MSG*>(L_MBOX_ReceiveWait(kBox)); });
  as_task::Run(TASK_DUMMYTASK, [] { EXPECT_EQ(L_MBOX_Send(kBox, NewMsg(42), 3, 0), lsSUCCESS); });
  receiver.join();
  ASSERT_NE(got.load(), nullptr);
  EXPECT_EQ(got.load()->u32Id, 42u);
  EXPECT_EQ(got.load()->gm.msghdr.task, TASK_DUMMYTASK);
  EXPECT_EQ(got.load()->gm.msghdr.MsgPriority, 3);
  EXPECT_EQ(got.load()->gm.msghdr.sema, 0);
  H_MEMORY_vDumpMail(got.load());
}

// Advances the test clock in small steps until done is set; returns the
// test-clock time that passed.
U64 AdvanceUntil(const std::atomic<bool>& done) {
  const U64 start = PLATFORM_u64MonotonicNs();
  while (!done.load()) {
    PLATFORM_vTestClockAdvanceMs(5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return PLATFORM_u64MonotonicNs() - start;
}

TEST_F(MboxTest, TimedReceiveEndsWithNullOnlyWhenTheLimitHasPassed) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const U64 t0 = PLATFORM_u64MonotonicNs();
  std::atomic<bool> done{false};
  std::atomic<U64> ended_at{0};
  void* got = reinterpret_cast<void*>(1);
  std::thread receiver([&] {
    got = L_MBOX_ReceiveWaitTicks(kBox, 100);
    ended_at = PLATFORM_u64MonotonicNs();
    done = true;
  });
  AdvanceUntil(done);
  receiver.join();
  EXPECT_EQ(got, nullptr);
  EXPECT_GE(ended_at.load() - t0, 100u * 1000000u);

  // A message that is there before the limit is taken, however long the limit.
  done = false;
  std::thread receiver2([&] {
    got = L_MBOX_ReceiveWaitSeconds(kBox, 1000);
    done = true;
  });
  ASSERT_EQ(L_MBOX_Send(kBox, NewMsg(5), 3, 0), lsSUCCESS);
  receiver2.join();
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(static_cast<TEST_MSG*>(got)->u32Id, 5u);
  H_MEMORY_vDumpMail(got);
}

TEST_F(MboxTest, DumpMailFreesAPlainMessageAndAcknowledgesAWaitedOne) {
  // sema 0: the block goes back to its partition (the lowest free block, so
  // the next allocation of the size gets it again).
  TEST_MSG* plain = NewMsg(1);
  ASSERT_EQ(L_MBOX_Send(kBox, plain, 3, 0), lsSUCCESS);
  H_MEMORY_vDumpMail(L_MBOX_Receive(kBox));
  TEST_MSG* again = NewMsg(2);
  EXPECT_EQ(again, plain);
  H_MEMORY_vFree(again);

  // sema non-zero: signals it and leaves the block to the sender.
  L_SEMA_SetPending(kAck);
  TEST_MSG* waited = NewMsg(3);
  ASSERT_EQ(L_MBOX_Send(kBox, waited, 3, kAck), lsSUCCESS);
  H_MEMORY_vDumpMail(L_MBOX_Receive(kBox));
  EXPECT_TRUE(Signalled(kAck));
  TEST_MSG* other = NewMsg(4);
  EXPECT_NE(other, waited);
  EXPECT_EQ(waited->u32Id, 3u);
  // A second disposal of an acknowledged message changes nothing.
  L_SEMA_SetPending(kAck);
  H_MEMORY_vDumpMail(waited);
  EXPECT_FALSE(Signalled(kAck));
  H_MEMORY_vFree(other);
  H_MEMORY_vFree(waited);
}

TEST_F(MboxTest, WaitingSendReturnsWhenTheReceiverDisposesAndTheSenderOwnsTheBlock) {
  std::thread receiver([] {
    void* m = L_MBOX_ReceiveWait(kBox);
    static_cast<TEST_MSG*>(m)->u32Id = 99;  // the reply travels back in the block
    H_MEMORY_vDumpMail(m);
  });
  TEST_MSG* m = NewMsg(1);
  EXPECT_EQ(L_MBOX_SendWait(kBox, m, 3, kAck), lsSUCCESS);
  receiver.join();
  EXPECT_EQ(m->u32Id, 99u);
  EXPECT_EQ(H_MEMORY_eBlockMap(m), 1);
  EXPECT_FALSE(Signalled(kAck));  // the wait took the signal
  H_MEMORY_vFree(m);
}

TEST_F(MboxTest, TimedOutSendLeavesTheBlockToTheReceiverWhichFreesIt) {
  const size_t free_before = FreeBlocks(1);
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const U64 t0 = PLATFORM_u64MonotonicNs();
  std::atomic<bool> done{false};
  S32 rc = 1;
  U64 ended_at = 0;
  std::thread sender([&] {
    rc = L_MBOX_SendWaitTicks(kBox, NewMsg(8), 3, kAck, 200);
    ended_at = PLATFORM_u64MonotonicNs();
    done = true;
  });
  AdvanceUntil(done);
  sender.join();
  EXPECT_EQ(rc, -lsTIMEOUT);
  EXPECT_GE(ended_at - t0, 200u * 1000000u);

  // The message is still queued and shows that its sender gave up.
  testing::internal::CaptureStdout();
  L_MBOX_Debug();
  const std::string dump = testing::internal::GetCapturedStdout();
  EXPECT_NE(dump.find("mbox information (71 total)"), std::string::npos);
  EXPECT_NE(dump.find("  50 M_SLPTEST: sema #0 ("), std::string::npos) << dump;
  EXPECT_NE(dump.find("    msg #1: sema -1 (RC_TIMEOUT) priority 3 task 70 ("), std::string::npos) << dump;

  void* late = L_MBOX_Receive(kBox);
  ASSERT_NE(late, nullptr);
  H_MEMORY_vDumpMail(late);  // frees instead of signalling
  EXPECT_FALSE(Signalled(kAck));
  EXPECT_EQ(FreeBlocks(1), free_before);
}

TEST_F(MboxTest, AcknowledgementJustAfterTheTimeOutGivesTheBlockBackToTheSender) {
  const size_t free_before = FreeBlocks(1);
  // The receiver disposes of the message in the window between the sender's
  // time-out and its attempt to give the block up.
  g_pfnMboxAckTimedOut = [](void*) { H_MEMORY_vDumpMail(L_MBOX_Receive(kBox)); };
  TEST_MSG* m = NewMsg(11);
  EXPECT_EQ(L_MBOX_SendWaitTicks(kBox, m, 3, kAck, 0), lsSUCCESS);
  EXPECT_FALSE(Signalled(kAck));  // no stale signal for the next waiting send
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);
  EXPECT_EQ(H_MEMORY_eBlockMap(m), 1);
  EXPECT_EQ(m->u32Id, 11u);
  H_MEMORY_vFree(m);  // the sender's to free, exactly once
  EXPECT_EQ(FreeBlocks(1), free_before);
}

// Acknowledgements racing real time-outs: every block ends freed exactly once.
TEST_F(MboxTest, RacingTimeOutsNeitherLeakNorDoubleFree) {
  const size_t free_before = FreeBlocks(1);
  std::atomic<bool> stop{false};
  std::thread receiver([&] {
    while (!stop.load()) {
      if (void* m = L_MBOX_ReceiveWaitTicks(kBox, 5)) H_MEMORY_vDumpMail(m);
    }
    while (void* m = L_MBOX_Receive(kBox)) H_MEMORY_vDumpMail(m);
  });
  int acknowledged = 0, timed_out = 0;
  for (int i = 0; i < 300; ++i) {
    TEST_MSG* m = NewMsg(i);
    S32 rc = L_MBOX_SendWaitTicks(kBox, m, 3, kAck, i % 3);
    if (rc == lsSUCCESS) {
      ++acknowledged;
      H_MEMORY_vFree(m);
    } else {
      ASSERT_EQ(rc, -lsTIMEOUT);
      ++timed_out;
    }
  }
  stop = true;
  receiver.join();
  EXPECT_EQ(acknowledged + timed_out, 300);
  EXPECT_EQ(FreeBlocks(1), free_before);
}

}  // namespace
