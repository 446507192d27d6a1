// Queues: full/empty results, the four condition semaphores, ring order,
// purge, definitions with and without a buffer, blocking and timed waits.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr SEMA kSemas[4] = {SEMA_QUEUE_TX0, SEMA_QUEUE_RX0, SEMA_QUEUE_TX1, SEMA_QUEUE_RX1};  // QNE QNF QF QE

bool Signalled(SEMA s) { return L_SEMA_GetWaitingTaskID(s) == -lsSEMA_DONE; }

// Which of QNE, QNF, QF, QE are signalled, as a string like "QNE QF"; clears them.
std::string TakeSignals() {
  static const char* const names[4] = {"QNE", "QNF", "QF", "QE"};
  std::string out;
  for (int c = 0; c < 4; ++c) {
    if (Signalled(kSemas[c])) out += out.empty() ? names[c] : std::string(" ") + names[c];
    L_SEMA_SetPending(kSemas[c]);
  }
  return out;
}

class QueueTest : public ::testing::Test {
 protected:
  static constexpr QUEUE kQ = Q_RSXBCAST_RX;
  void SetUp() override {
    ASSERT_EQ(L_QUEUE_Define(kQ, 4, 2, nullptr, 0), lsSUCCESS);
    for (int c = 0; c < 4; ++c) ASSERT_EQ(L_QUEUE_DefineSema(kQ, kSemas[c], (QUEUE_CONDITION)c), lsSUCCESS);
    TakeSignals();
  }
  void TearDown() override {
    if (PLATFORM_bTestClockActive()) PLATFORM_vTestClockDisable();
    for (int c = 0; c < 4; ++c) L_QUEUE_DefineSema(kQ, 0, (QUEUE_CONDITION)c);
    TakeSignals();
  }
};

TEST_F(QueueTest, DepthTwoResultsAndSignals) {
  struct Step {
    char op;  // p put, g get
    U32 value;
    S32 rc;
    const char* signals;
  } steps[] = {
      {'p', 10, lsSUCCESS, "QNE"},  {'p', 11, lsSUCCESS, "QNE QF"}, {'p', 12, -lsQUEUE_FULL, ""},
      {'g', 10, lsSUCCESS, "QNF"},  {'g', 11, lsSUCCESS, "QE"},     {'g', 0, -lsQUEUE_EMPTY, ""},
      {'p', 13, lsSUCCESS, "QNE"},  {'g', 13, lsSUCCESS, "QE"},
  };
  int i = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "step " << i++);
    if (s.op == 'p') {
      EXPECT_EQ(L_QUEUE_Put(kQ, &s.value), s.rc);
    } else {
      U32 out = 0;
      EXPECT_EQ(L_QUEUE_Get(kQ, &out), s.rc);
      if (s.rc == lsSUCCESS) {
        EXPECT_EQ(out, s.value);
      }
    }
    EXPECT_EQ(TakeSignals(), s.signals);
  }
}

TEST_F(QueueTest, ElementsComeOutInOrderAcrossTheWrap) {
  ASSERT_EQ(L_QUEUE_Define(kQ, 4, 3, nullptr, 0), lsSUCCESS);
  std::vector<U32> out;
  U32 next = 1;
  for (int round = 0; round < 7; ++round) {
    while (L_QUEUE_Put(kQ, &next) == lsSUCCESS) ++next;
    EXPECT_EQ(L_QUEUE_Inquire(kQ), 3);
    for (int k = 0; k < 1 + round % 3; ++k) {
      U32 v;
      ASSERT_EQ(L_QUEUE_Get(kQ, &v), lsSUCCESS);
      out.push_back(v);
    }
  }
  U32 v;
  while (L_QUEUE_Get(kQ, &v) == lsSUCCESS) out.push_back(v);
  ASSERT_EQ(out.size(), next - 1);
  for (size_t k = 0; k < out.size(); ++k) EXPECT_EQ(out[k], k + 1);
}

TEST_F(QueueTest, PurgeOfAFullQueueSignalsNotFullAndEmpty) {
  const U32 a = 1, b = 2;
  ASSERT_EQ(L_QUEUE_Put(kQ, &a), lsSUCCESS);
  ASSERT_EQ(L_QUEUE_Put(kQ, &b), lsSUCCESS);
  TakeSignals();
  EXPECT_EQ(L_QUEUE_Purge(kQ), lsSUCCESS);
  EXPECT_EQ(TakeSignals(), "QNF QE");
  EXPECT_EQ(L_QUEUE_Inquire(kQ), 0);
  EXPECT_EQ(L_QUEUE_Purge(kQ), lsSUCCESS);  // already empty: nothing happens
  EXPECT_EQ(TakeSignals(), "");
  // Partly filled: empty only.
  ASSERT_EQ(L_QUEUE_Put(kQ, &a), lsSUCCESS);
  TakeSignals();
  EXPECT_EQ(L_QUEUE_Purge(kQ), lsSUCCESS);
  EXPECT_EQ(TakeSignals(), "QE");
  U32 out;
  EXPECT_EQ(L_QUEUE_Get(kQ, &out), -lsQUEUE_EMPTY);
}

TEST(QueueTable, AQueueGetsItsTableBufferOnFirstUse) {
  // Q_SOUND: 16 elements of 2 bytes, never defined by anyone.
  const U16 words[3] = {0x1234, 0xBEEF, 0x0001};
  for (int k = 0; k < 16; ++k) ASSERT_EQ(L_QUEUE_Put(Q_SOUND, &words[k % 3]), lsSUCCESS);
  EXPECT_EQ(L_QUEUE_Put(Q_SOUND, &words[0]), -lsQUEUE_FULL);
  EXPECT_EQ(L_QUEUE_Inquire(Q_SOUND), 16);
  for (int k = 0; k < 16; ++k) {
    U16 w = 0;
    ASSERT_EQ(L_QUEUE_Get(Q_SOUND, &w), lsSUCCESS);
    EXPECT_EQ(w, words[k % 3]);
  }

  testing::internal::CaptureStdout();
  L_QUEUE_Debug();
  const std::string dump = testing::internal::GetCapturedStdout();
  EXPECT_NE(dump.find("queue information (12 total)"), std::string::npos);
  EXPECT_NE(dump.find("  11 Q_SOUND: width 2 depth 16 count 0 QNE 0 QNF 0 QF 0 QE 0 mutex.lock 0"), std::string::npos)
      << dump;
}

TEST_F(QueueTest, DefineWithOwnBufferHoldingElements) {
  U32 buffer[3] = {7, 8, 0};
  ASSERT_EQ(L_QUEUE_Define(kQ, 4, 3, buffer, 2), lsSUCCESS);
  EXPECT_EQ(L_QUEUE_Inquire(kQ), 2);
  const U32 nine = 9;
  ASSERT_EQ(L_QUEUE_Put(kQ, &nine), lsSUCCESS);
  EXPECT_EQ(buffer[2], 9u);  // the queue works in the caller's buffer
  U32 out;
  for (U32 want : {7u, 8u, 9u}) {
    ASSERT_EQ(L_QUEUE_Get(kQ, &out), lsSUCCESS);
    EXPECT_EQ(out, want);
  }

  // Given full: the next put position wraps to the start.
  U32 full[2] = {1, 2};
  ASSERT_EQ(L_QUEUE_Define(kQ, 4, 2, full, 2), lsSUCCESS);
  EXPECT_EQ(L_QUEUE_Put(kQ, &nine), -lsQUEUE_FULL);
  ASSERT_EQ(L_QUEUE_Get(kQ, &out), lsSUCCESS);
  EXPECT_EQ(out, 1u);
  ASSERT_EQ(L_QUEUE_Put(kQ, &nine), lsSUCCESS);
  EXPECT_EQ(full[0], 9u);
  for (U32 want : {2u, 9u}) {
    ASSERT_EQ(L_QUEUE_Get(kQ, &out), lsSUCCESS);
    EXPECT_EQ(out, want);
  }

  // Definitions that cannot describe a queue are refused.
  EXPECT_EQ(L_QUEUE_Define(kQ, 4, 2, full, 3), -lsQUEUE_INVALID);
  EXPECT_EQ(L_QUEUE_Define(kQ, 0, 2, nullptr, 0), -lsQUEUE_INVALID);
  EXPECT_EQ(L_QUEUE_Define(kQ, 4, 0, nullptr, 0), -lsQUEUE_INVALID);
  // A buffer of its own again, empty.
  ASSERT_EQ(L_QUEUE_Define(kQ, 4, 2, nullptr, 0), lsSUCCESS);
  EXPECT_EQ(L_QUEUE_Inquire(kQ), 0);
}

TEST(QueueNumbers, InvalidNumbersAndConditions) {
  U32 v = 0;
  for (QUEUE q : {0, -1, 13}) {
    SCOPED_TRACE(q);
    EXPECT_EQ(L_QUEUE_Put(q, &v), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_Get(q, &v), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_PutWaitTicks(q, &v, 0), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_GetWait(q, &v), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_Purge(q), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_Inquire(q), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_Define(q, 1, 1, nullptr, 0), -lsQUEUE_INVALID);
    EXPECT_EQ(L_QUEUE_DefineSema(q, 1, QNE), -lsQUEUE_INVALID);
  }
  EXPECT_EQ(L_QUEUE_DefineSema(Q_PING, 1, (QUEUE_CONDITION)4), -lsQCOND_INVALID);
  EXPECT_EQ(L_QUEUE_DefineSema(Q_PING, 281, QNE), -lsSEMA_INVALID);
  EXPECT_EQ(L_QUEUE_DefineSema(Q_PING, -1, QE), -lsSEMA_INVALID);
  EXPECT_EQ(L_QUEUE_DefineSema(Q_PING, 0, QE), lsSUCCESS);
  EXPECT_STREQ(get_queue_name(9), "Q_PING");
  EXPECT_STREQ(get_queue_name(13), "INVALID");
}

TEST_F(QueueTest, BlockingGetWaitsForAPutFromAnotherThread) {
  std::atomic<U32> got{0};
  std::thread reader([&] {
    U32 v = 0;
    EXPECT_EQ(L_QUEUE_GetWait(kQ, &v), lsSUCCESS);
    got = v;
  });
  const U32 value = 77;
  ASSERT_EQ(L_QUEUE_Put(kQ, &value), lsSUCCESS);
  reader.join();
  EXPECT_EQ(got.load(), 77u);
}

TEST_F(QueueTest, TimedWaitsGiveUpOnlyWhenTheLimitHasPassed) {
  U32 v = 0;
  EXPECT_EQ(L_QUEUE_GetWaitTicks(kQ, &v, 0), -lsQUEUE_EMPTY);
  const U32 a = 1;
  ASSERT_EQ(L_QUEUE_Put(kQ, &a), lsSUCCESS);
  ASSERT_EQ(L_QUEUE_Put(kQ, &a), lsSUCCESS);
  EXPECT_EQ(L_QUEUE_PutWaitTicks(kQ, &a, 0), -lsQUEUE_FULL);

  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr));
  const U64 t0 = PLATFORM_u64MonotonicNs();
  std::atomic<bool> done{false};
  std::atomic<S32> rc{1};
  std::atomic<U64> ended_at{0};
  std::thread writer([&] {
    rc = L_QUEUE_PutWaitSeconds(kQ, &a, 2);
    ended_at = PLATFORM_u64MonotonicNs();
    done = true;
  });
  while (!done.load()) {
    PLATFORM_vTestClockAdvanceMs(50);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  writer.join();
  EXPECT_EQ(rc.load(), -lsQUEUE_FULL);
  EXPECT_GE(ended_at.load() - t0, 2000u * 1000000u);

  // Room made before the limit (clock standing still): the put succeeds.
  std::thread writer2([&] { rc = L_QUEUE_PutWaitTicks(kQ, &a, 10); });
  ASSERT_EQ(L_QUEUE_Get(kQ, &v), lsSUCCESS);
  writer2.join();
  EXPECT_EQ(rc.load(), lsSUCCESS);
  EXPECT_EQ(L_QUEUE_Inquire(kQ), 2);
}

TEST(QueueThreads, ProducerAndConsumerKeepTheOrder) {
  constexpr QUEUE q = Q_RECEIVE_UART1;  // 1024 elements of 2 bytes
  std::thread producer([] {
    for (U16 k = 0; k < 20000; ++k) ASSERT_EQ(L_QUEUE_PutWait(q, &k), lsSUCCESS);
  });
  for (U16 k = 0; k < 20000; ++k) {
    U16 v = 0xFFFF;
    ASSERT_EQ(L_QUEUE_GetWait(q, &v), lsSUCCESS);
    ASSERT_EQ(v, k);
  }
  producer.join();
  EXPECT_EQ(L_QUEUE_Inquire(q), 0);
}

}  // namespace
