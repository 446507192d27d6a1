// Threading test: also runs under ThreadSanitizer.
// Orderly shutdown against stand-in tasks that acknowledge at once, late or
// never. The acknowledgement waits run on the test clock: the test moves
// the clock past each 500 ms limit itself, and uses real time only to let
// the threads reach the point it waits for.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/core/u_shutdown.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();


enum class Ack { NOW, LATE, NEVER };

// A task that serves one mailbox: it records each message and disposes of
// it at once, when the test lets it (LATE), or only when it stops (NEVER).
class FakeTask {
 public:
  FakeTask(MBOX mbox, Ack ack) : m_mbox(mbox), m_ack(ack), m_thread([this] { Run(); }) {}
  ~FakeTask() {
    GENERIC_MESSAGE* quit = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    memset(quit, 0, sizeof *quit);
    quit->Cmd = CMD_ID_INVALID_ID;
    L_MBOX_Send(m_mbox, quit, 9, 0);
    m_bLetGo = true;
    m_thread.join();
  }
  // The messages received so far (addresses).
  std::vector<void*> Received() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
  }
  // Lets a LATE task dispose of what it holds; returns once it has.
  void LetGo() {
    m_bLetGo = true;
    ASSERT_TRUE(WaitFor([this] { return m_bDisposed.load(); }));
  }
  MBOX mbox() const { return m_mbox; }

 private:
  void Run() {
    std::vector<void*> held;
    for (;;) {
      void* p = L_MBOX_ReceiveWait(m_mbox);
      if (p == nullptr) continue;
      GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)p;
      if (msg->Cmd == CMD_ID_INVALID_ID) {
        H_MEMORY_vFree(p);
        break;
      }
      EXPECT_EQ(msg->Cmd, CMD_ID_SHUTDOWN);
      EXPECT_EQ(msg->msghdr.MsgPriority, 3);
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.push_back(p);
      }
      {
        std::lock_guard<std::mutex> lock(s_orderMutex);
        s_order.push_back(m_mbox);
      }
      if (m_ack == Ack::NOW) {
        H_MEMORY_vDumpMail(p);
      } else if (m_ack == Ack::LATE) {
        while (!m_bLetGo) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(msg->Cmd, CMD_ID_SHUTDOWN);  // nobody reused the block meanwhile
        H_MEMORY_vDumpMail(p);
        m_bDisposed = true;
      } else {
        held.push_back(p);
      }
    }
    for (void* p : held) {
      EXPECT_EQ(((GENERIC_MESSAGE*)p)->Cmd, CMD_ID_SHUTDOWN);
      H_MEMORY_vDumpMail(p);
    }
  }

  MBOX m_mbox;
  Ack m_ack;
  std::mutex m_mutex;
  std::vector<void*> m_received;
  std::atomic<bool> m_bLetGo{false};
  std::atomic<bool> m_bDisposed{false};
  std::thread m_thread;

 public:
  // Mailboxes in the order their tasks received a message.
  static std::mutex s_orderMutex;
  static std::vector<MBOX> s_order;
  static std::vector<MBOX> Order() {
    std::lock_guard<std::mutex> lock(s_orderMutex);
    return s_order;
  }
};
std::mutex FakeTask::s_orderMutex;
std::vector<MBOX> FakeTask::s_order;

void RegisterTask(FOURCHARID key, MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
}

bool ShutdownWaits() { return L_SEMA_GetWaitingTaskID(SEMA_SHUTDOWN_KEYB) > 0; }

class Shutdown : public ::testing::Test {
 protected:
  void SetUp() override {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    H_DATABASE_vInit();
    FakeTask::s_order.clear();
    L_SEMA_SetPending(SEMA_SHUTDOWN_KEYB);
  }
  void TearDown() override {
    H_DATABASE_vInit();
    PLATFORM_vTestClockDisable();
  }
};

TEST_F(Shutdown, LateAcknowledgementNeitherSatisfiesTheNextWaitNorLosesItsBlock) {
  // Four tasks in the order of the database walk (by bucket): one that
  // acknowledges, one that does so after 600 ms, one that never does, and
  // one more that acknowledges. The NVRAM task comes last whatever its place.
  std::vector<FOURCHARID> keys = {FCID("TAAA"), FCID("TQRS"), FCID("TXYZ"), FCID("TMNO")};
  std::sort(keys.begin(), keys.end(),
            [](FOURCHARID a, FOURCHARID b) { return H_DATABASE_u32Bucket(a) < H_DATABASE_u32Bucket(b); });
  for (size_t i = 1; i < keys.size(); ++i) {
    ASSERT_NE(H_DATABASE_u32Bucket(keys[i - 1]), H_DATABASE_u32Bucket(keys[i]));
  }
  FakeTask first(M_NAV, Ack::NOW), late(M_ALARM, Ack::LATE), never(M_INFO, Ack::NEVER), last(M_CHART, Ack::NOW);
  FakeTask nvram(M_NVRAM, Ack::NOW), keyboard(M_KEYB, Ack::NOW), excluded(M_VIEW, Ack::NOW);
  RegisterTask(keys[0], first.mbox());
  RegisterTask(keys[1], late.mbox());
  RegisterTask(keys[2], never.mbox());
  RegisterTask(keys[3], last.mbox());
  RegisterTask(FCID("TNVR"), nvram.mbox());
  RegisterTask(FCID("TKBD"), keyboard.mbox());
  RegisterTask(FCID("TEXC"), excluded.mbox());

  const FOURCHARID exclusions[] = {FCID("TDSP"), FCID("TEXC"), 0};
  std::atomic<S32> result{-99};
  std::atomic<bool> done{false};
  std::thread shutdown([&] {
    result = U_SHUTDOWN_vShutdown(exclusions);
    done = true;
  });

  // The late task holds its message; the wait for it runs out at 500 ms.
  ASSERT_TRUE(WaitFor([&] { return late.Received().size() == 1 && ShutdownWaits(); }));
  PLATFORM_vTestClockAdvanceMs(500);
  // The next task gets a block of its own while the late one still holds its own.
  ASSERT_TRUE(WaitFor([&] { return never.Received().size() == 1 && ShutdownWaits(); }));
  EXPECT_NE(never.Received()[0], late.Received()[0]);

  // 600 ms after its message the late task disposes of it: that must not
  // count as the acknowledgement the shutdown now waits for.
  PLATFORM_vTestClockAdvanceMs(100);
  late.LetGo();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(ShutdownWaits());
  EXPECT_TRUE(last.Received().empty());
  EXPECT_FALSE(done.load());

  // The task that never acknowledges is passed over after its 500 ms.
  PLATFORM_vTestClockAdvanceMs(400);
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  shutdown.join();
  EXPECT_EQ(result.load(), 0);

  EXPECT_EQ(FakeTask::Order(), (std::vector<MBOX>{first.mbox(), late.mbox(), never.mbox(), last.mbox(), nvram.mbox()}));
  ASSERT_EQ(last.Received().size(), 1u);
  EXPECT_NE(last.Received()[0], never.Received()[0]);
  EXPECT_TRUE(keyboard.Received().empty());
  EXPECT_TRUE(excluded.Received().empty());
  // Nothing is left signalled for a later waiter.
  EXPECT_EQ(L_SEMA_GetWaitingTaskID(SEMA_SHUTDOWN_KEYB), -lsSEMA_PENDING);
}

TEST_F(Shutdown, WithoutTheNvramTaskEveryTaskIsToldAndTheResultIs0) {
  FakeTask a(M_NAV, Ack::NOW), b(M_ALARM, Ack::NOW);
  RegisterTask(FCID("TAAA"), a.mbox());
  RegisterTask(FCID("TBBB"), b.mbox());
  RegisterTask(FCID("SAAA"), M_INFO);  // not a task key
  EXPECT_EQ(U_SHUTDOWN_vShutdown(nullptr), 0);
  EXPECT_EQ(a.Received().size(), 1u);
  EXPECT_EQ(b.Received().size(), 1u);
  // Acknowledged blocks came back to the sender, which reused one for both.
  EXPECT_EQ(a.Received()[0], b.Received()[0]);
}

TEST_F(Shutdown, NoTaskKeysMeansNothingToDo) {
  FakeTask a(M_NAV, Ack::NOW);
  RegisterTask(FCID("SNAV"), a.mbox());
  EXPECT_EQ(U_SHUTDOWN_vShutdown(nullptr), 0);
  EXPECT_TRUE(a.Received().empty());
}

TEST_F(Shutdown, KeyNamingNoMailboxIsPassedOver) {
  FakeTask a(M_NAV, Ack::NOW);
  RegisterTask(FCID("TBAD"), 999);
  RegisterTask(FCID("TNAV"), a.mbox());
  EXPECT_EQ(U_SHUTDOWN_vShutdown(nullptr), 0);
  EXPECT_EQ(a.Received().size(), 1u);
}

}  // namespace
