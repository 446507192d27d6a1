// Threading test: also runs under ThreadSanitizer.
// Change notices of the settings database: which registrations receive a
// notice for which event (by their three wishes), the order of notices, the
// Except variant, the time-out sweep on the test clock (not moved by setting
// the date), unregistering, the send-all operations, relinquishing a key,
// and writers and registrations when the memory partitions run dry.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr time_t T0 = 1700000000;
constexpr MBOX A = 40, B = 41, C = 42;
constexpr FOURCHARID KEY = FCID("IDEP");

class NotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PLATFORM_vTestClockEnable(1000000000ull, T0);
    H_DATABASE_vInit();
    for (MBOX m : {A, B, C}) (void)dbtest::Drain(m);
  }
  void TearDown() override {
    for (MBOX m : {A, B, C}) (void)dbtest::Drain(m);
    H_DATABASE_vInit();
    PLATFORM_vTestClockDisable();
  }
  static void Seconds(U32 s) { PLATFORM_vTestClockAdvanceMs(s * 1000); }
  static size_t Count(MBOX m) { return dbtest::Drain(m).size(); }
};

// ------------------------------------------------------------ wishes against events

struct WishCase {
  const char* name;
  // Arguments in the registration's order: changed, invalid, updated.
  BOOLEAN bChanged, bInvalid, bUpdated;
  size_t firstWrite;   // the first value of a key that had none
  size_t equalWrite;   // the same value again
  size_t otherWrite;   // a different value
  size_t refused;      // a refused write
  size_t timedOut;     // the sweep after the time-out
  size_t afterTimeOut; // the same value written after the sweep
};

class WishTest : public NotifyTest, public ::testing::WithParamInterface<WishCase> {};

TEST_P(WishTest, NoticesPerEvent) {
  const WishCase& c = GetParam();
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(KEY, A, c.bChanged, c.bInvalid, c.bUpdated));
  H_DATABASE_bUpdateEverythingU32(KEY, 5, P_NORMAL, D_DEPTH, nullptr, 10);
  EXPECT_EQ(Count(A), c.firstWrite) << "first write";
  H_DATABASE_bUpdateValueU32(KEY, 5, P_NORMAL);
  EXPECT_EQ(Count(A), c.equalWrite) << "equal write";
  H_DATABASE_bUpdateValueU32(KEY, 6, P_NORMAL);
  EXPECT_EQ(Count(A), c.otherWrite) << "other write";
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(KEY, 7, P_DEFAULT_SETTING));
  EXPECT_EQ(Count(A), c.refused) << "refused write";
  Seconds(10);
  H_DATABASE_vSendAllInvalidData();
  EXPECT_EQ(Count(A), c.timedOut) << "sweep";
  H_DATABASE_bUpdateValueU32(KEY, 6, P_DEFAULT_SETTING);  // taken: the value timed out
  EXPECT_EQ(Count(A), c.afterTimeOut) << "same value after the sweep";
}

const WishCase kWishCases[] = {
    // name, changed, invalid, updated: first, equal, other, refused, timed out, after
    {"ChangedOnly", TRUE, FALSE, FALSE, 1, 0, 1, 0, 1, 1},
    {"InvalidOnly", FALSE, TRUE, FALSE, 0, 0, 0, 0, 1, 0},
    {"UpdatedOnly", FALSE, FALSE, TRUE, 1, 1, 1, 0, 1, 1},
    {"AllThree", TRUE, TRUE, TRUE, 1, 1, 1, 0, 1, 1},
    {"Nothing", FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, 0},
};
INSTANTIATE_TEST_SUITE_P(Cases, WishTest, ::testing::ValuesIn(kWishCases),
                         [](const ::testing::TestParamInfo<WishCase>& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ content and order

TEST_F(NotifyTest, NoticeCarriesKeyValueAndValidity) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, TRUE, FALSE);
  H_DATABASE_bUpdateEverythingU32(KEY, 0x12345678, P_NORMAL, D_DEPTH, nullptr, 4);
  std::vector<dbtest::Notice> got = dbtest::Drain(A);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].cmd, CMD_ID_NEW_DATA);
  EXPECT_EQ(got[0].priority, 3);
  EXPECT_EQ(got[0].key, KEY);
  EXPECT_EQ(got[0].value, 0x12345678u);
  EXPECT_TRUE(got[0].valid);
  Seconds(4);
  H_DATABASE_vSendAllInvalidData();
  got = dbtest::Drain(A);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].value, 0x12345678u);  // the stored value, unchanged
  EXPECT_FALSE(got[0].valid);
}

TEST_F(NotifyTest, ReRegisteringReplacesTheWishes) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, FALSE, FALSE, TRUE);
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateValueU32(KEY, 1, P_NORMAL);
  EXPECT_EQ(Count(A), 1u);  // one registration, one notice
  H_DATABASE_bUpdateValueU32(KEY, 1, P_NORMAL);
  EXPECT_EQ(Count(A), 0u);  // the "updated" wish is gone
}

// Of two registrations the newer is notified first: each mailbox signals
// its own semaphore on arrival and the list wait returns the one signalled
// first.
TEST_F(NotifyTest, NewestRegistrationIsNotifiedFirst) {
  PLATFORM_vTestClockDisable();  // distinct signal times
  constexpr SEMA SA = 250, SB = 251;
  ASSERT_EQ(L_MBOX_DefineSema(A, SA), lsSUCCESS);
  ASSERT_EQ(L_MBOX_DefineSema(B, SB), lsSUCCESS);
  for (int round = 0; round < 2; round++) {
    const MBOX older = round == 0 ? A : B;
    const MBOX newer = round == 0 ? B : A;
    const FOURCHARID key = round == 0 ? FCID("IOR0") : FCID("IOR1");
    H_DATABASE_bRegisterForDataWithConditions(key, older, TRUE, FALSE, FALSE);
    H_DATABASE_bRegisterForDataWithConditions(key, newer, TRUE, FALSE, FALSE);
    (void)L_SEMA_SetPending(SA);
    (void)L_SEMA_SetPending(SB);
    H_DATABASE_bUpdateValueU32(key, 9, P_NORMAL);
    // The older one's semaphore stands first in the list: a tie would pick it.
    const SEMA list[] = {older == A ? SA : SB, newer == A ? SA : SB, 0};
    EXPECT_EQ(L_SEMA_WaitMultipleTicks(list, 1000), newer == A ? SA : SB) << "round " << round;
    EXPECT_EQ(L_SEMA_WaitMultipleTicks(list, 1000), older == A ? SA : SB) << "round " << round;
    EXPECT_EQ(Count(A), 1u);
    EXPECT_EQ(Count(B), 1u);
  }
  L_MBOX_DefineSema(A, 0);
  L_MBOX_DefineSema(B, 0);
}

TEST_F(NotifyTest, ExceptSkipsTheWriterOnly) {
  for (MBOX m : {A, B, C}) H_DATABASE_bRegisterForDataWithConditions(KEY, m, TRUE, FALSE, FALSE);
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32Except(KEY, 3, P_NORMAL, B));
  EXPECT_EQ(Count(A), 1u);
  EXPECT_EQ(Count(B), 0u);
  EXPECT_EQ(Count(C), 1u);
  // The plain update notifies the writer too.
  H_DATABASE_bUpdateValueU32(KEY, 4, P_NORMAL);
  EXPECT_EQ(Count(A), 1u);
  EXPECT_EQ(Count(B), 1u);
  EXPECT_EQ(Count(C), 1u);
  // A refused Except write notifies nobody and reports the other value.
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32Except(KEY, 5, P_DEFAULT_SETTING, B));
  EXPECT_EQ(Count(A) + Count(B) + Count(C), 0u);
}

TEST_F(NotifyTest, NoticesOfOneKeyArriveInWriteOrder) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, FALSE, FALSE);
  for (U32 v = 1; v <= 20; v++) H_DATABASE_bUpdateValueU32(KEY, v, P_NORMAL);
  std::vector<dbtest::Notice> got = dbtest::Drain(A);
  ASSERT_EQ(got.size(), 20u);
  for (U32 v = 1; v <= 20; v++) EXPECT_EQ(got[v - 1].value, v);
}

// ------------------------------------------------------------ the sweep

// The start-up task sweeps every 2 seconds. A value with a time-out of 5 s
// is reported once, at the first sweep at or after 5 s, and never again
// until it is written anew.
TEST_F(NotifyTest, TwoSecondSweepReportsATimedOutKeyOnce) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, TRUE, TRUE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SKEP"), A, TRUE, TRUE, TRUE);
  H_DATABASE_bUpdateEverythingU32(KEY, 1, P_EXTERNAL_GPS, D_DEPTH, nullptr, 5);
  H_DATABASE_bUpdateEverythingU32(FCID("SKEP"), 1, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  (void)dbtest::Drain(A);
  std::vector<U32> reportedAt;
  for (U32 t = 2; t <= 20; t += 2) {
    Seconds(2);
    H_DATABASE_vSendAllInvalidData();
    for (const dbtest::Notice& n : dbtest::Drain(A)) {
      EXPECT_EQ(n.key, KEY);
      EXPECT_FALSE(n.valid);
      reportedAt.push_back(t);
    }
  }
  EXPECT_EQ(reportedAt, std::vector<U32>{6});
  // The next accepted write (of the same value, at a weaker priority) is a
  // change again, and valid.
  H_DATABASE_bUpdateValueU32(KEY, 1, P_UNOWNED);
  std::vector<dbtest::Notice> got = dbtest::Drain(A);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0].valid);
  // ...and it times out again later, reported once more.
  Seconds(6);
  H_DATABASE_vSendAllInvalidData();
  H_DATABASE_vSendAllInvalidData();
  EXPECT_EQ(Count(A), 1u);
}

TEST_F(NotifyTest, SettingTheDateDoesNotTriggerTheSweep) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, FALSE, TRUE, FALSE);
  H_DATABASE_bUpdateEverythingU32(KEY, 1, P_EXTERNAL_GPS, D_DEPTH, nullptr, 5);
  for (S64 jump : {86400LL, -86400LL}) {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), PLATFORM_tTime(nullptr) + jump);
    H_DATABASE_vSendAllInvalidData();
    EXPECT_EQ(Count(A), 0u) << "date moved by " << jump << " s";
  }
  Seconds(5);
  H_DATABASE_vSendAllInvalidData();
  EXPECT_EQ(Count(A), 1u);
}

// ------------------------------------------------------------ unregistering

TEST_F(NotifyTest, UnregisteredMailboxGetsNothing) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, TRUE, TRUE);
  H_DATABASE_bRegisterForDataWithConditions(KEY, B, TRUE, TRUE, TRUE);
  H_DATABASE_vUnregisterMailbox(KEY, A);  // before the key holds a value
  H_DATABASE_bUpdateValueU32(KEY, 1, P_NORMAL);
  EXPECT_EQ(Count(A), 0u);
  EXPECT_EQ(Count(B), 1u);
  H_DATABASE_vUnregisterMailbox(KEY, B);  // after
  H_DATABASE_bUpdateValueU32(KEY, 2, P_NORMAL);
  EXPECT_EQ(Count(B), 0u);
  H_DATABASE_vUnregisterMailbox(FCID("NONE"), A);  // unknown key: nothing
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("NONE"), nullptr));
}

TEST_F(NotifyTest, InvalidMailboxNumberDoesNotStopThePass) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(KEY, 999, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(KEY, 0, TRUE, FALSE, FALSE);
  for (U32 v = 1; v <= 5; v++) H_DATABASE_bUpdateValueU32(KEY, v, P_NORMAL);
  EXPECT_EQ(Count(A), 5u);
}

// ------------------------------------------------------------ send-all and relinquish

TEST_F(NotifyTest, SendAllRegisteredItems) {
  H_DATABASE_bRegisterForDataWithConditions(FCID("SONE"), A, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("STWO"), A, FALSE, FALSE, FALSE);  // no wishes: still sent
  H_DATABASE_bRegisterForDataWithConditions(FCID("SNOV"), A, TRUE, FALSE, FALSE);   // no value: not sent
  H_DATABASE_bRegisterForDataWithConditions(FCID("SOTH"), B, TRUE, FALSE, FALSE);   // other mailbox
  H_DATABASE_bUpdateValueU32(FCID("SONE"), 1, P_NORMAL);
  H_DATABASE_bUpdateEverythingU32(FCID("STWO"), 2, P_NORMAL, D_UNKNOWN, nullptr, 3);
  H_DATABASE_bUpdateValueU32(FCID("SOTH"), 3, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SNOR"), 4, P_NORMAL);  // not registered
  Seconds(3);
  H_DATABASE_vSendAllInvalidData();
  (void)dbtest::Drain(A);
  (void)dbtest::Drain(B);

  H_DATABASE_vSendMailboxAllRegisteredItems(A);
  std::map<FOURCHARID, std::pair<U32, BOOLEAN>> got;
  for (const dbtest::Notice& n : dbtest::Drain(A)) got[n.key] = {n.value, n.valid};
  EXPECT_EQ(got, (std::map<FOURCHARID, std::pair<U32, BOOLEAN>>{{FCID("SONE"), {1, TRUE}},
                                                                {FCID("STWO"), {2, FALSE}}}));
  EXPECT_EQ(Count(B), 0u);
}

TEST_F(NotifyTest, SendAllItemsBeginningWith) {
  H_DATABASE_bUpdateValueU32(FCID("TNVR"), 14, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("TKBD"), 10, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SLNG"), 1, P_NORMAL);
  H_DATABASE_bRegisterForDataWithConditions(FCID("TNOV"), B, TRUE, FALSE, FALSE);  // no value
  H_DATABASE_vSendMailboxAllItemsBeginningWith('T', A);
  std::vector<dbtest::Notice> got = dbtest::Drain(A);
  ASSERT_EQ(got.size(), 2u);
  for (const dbtest::Notice& n : got) EXPECT_EQ(n.key & 0xFF, (U32)'T');
  H_DATABASE_vSendMailboxAllItemsBeginningWith(0, A);
  EXPECT_EQ(Count(A), 3u);
}

TEST_F(NotifyTest, RelinquishMakesTheKeyUnownedAndNotifiesInvalid) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(KEY, B, FALSE, TRUE, FALSE);
  H_DATABASE_bUpdateValueU32(KEY, 8, P_HIGHEST);
  (void)dbtest::Drain(A);
  H_DATABASE_vRelinquishOwnership(KEY);
  for (MBOX m : {A, B}) {
    std::vector<dbtest::Notice> got = dbtest::Drain(m);
    ASSERT_EQ(got.size(), 1u) << m;
    EXPECT_FALSE(got[0].valid);
    EXPECT_EQ(got[0].value, 8u);
  }
  // The value stays, and without a time-out it still fetches as valid.
  U32 value = 0;
  BOOLEAN valid = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchU32(KEY, &value, &valid));
  EXPECT_EQ(value, 8u);
  EXPECT_TRUE(valid);
  // Not reported again by the sweep; the weakest writer takes it.
  H_DATABASE_vSendAllInvalidData();
  EXPECT_EQ(Count(A) + Count(B), 0u);
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(KEY, 8, P_UNOWNED));
  EXPECT_EQ(Count(A), 1u);  // a change: the key was invalid
}

TEST(NotifyDeathTest, RelinquishingAKeyWithoutValueIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::filesystem::create_directories(s_install.install);
  H_DATABASE_vInit();
  H_DATABASE_bRegisterForDataWithConditions(FCID("IREL"), A, TRUE, FALSE, FALSE);
  EXPECT_EXIT(H_DATABASE_vRelinquishOwnership(FCID("IREL")), ::testing::ExitedWithCode(10), "");
  EXPECT_NE(dbtest::FatalLog().find("Requested ID not found"), std::string::npos);
  H_DATABASE_vInit();
}

// ------------------------------------------------------------ memory running dry

// Takes every free block of every partition.
std::vector<void*> TakeAllMemory() {
  std::vector<void*> blocks;
  while (void* p = H_MEMORY_pvMallocNoWait(sizeof(MESSAGE_NEW_DATA))) blocks.push_back(p);
  return blocks;
}

void GiveBack(std::vector<void*>& blocks) {
  for (void* p : blocks) H_MEMORY_vFree(p);
  blocks.clear();
}

// Waits (in real time) for a thread that may be stuck for good; a stuck
// thread cannot be joined, so the program ends with the failure.
void JoinOrDie(std::thread& t, const std::atomic<bool>& done, const char* what) {
  if (!WaitFor([&] { return done.load(); })) {
    ADD_FAILURE() << what;
    fprintf(stderr, "stuck: %s\n", what);
    fflush(nullptr);
    _exit(1);
  }
  t.join();
}

// No block is free but those of the notices a receiver still holds. Each
// write needs a block for its notice, and the receiver fetches the key and
// writes a key of its own before it disposes of the notice that gives the
// block back. A writer that waited for the block while holding the database
// would stop them both for good.
TEST_F(NotifyTest, WriterWaitsForNoticeMemoryWithoutHoldingTheDatabase) {
  PLATFORM_vTestClockDisable();
  constexpr U32 kWrites = 40;
  const FOURCHARID ack = FCID("IACK");
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateValueU32(ack, 0, P_NORMAL);  // its element exists before memory runs out
  H_DATABASE_bUpdateValueU32(KEY, 1, P_NORMAL);  // the receiver's first notice
  std::vector<void*> hoard = TakeAllMemory();
  ASSERT_FALSE(hoard.empty());

  std::atomic<bool> receiverDone{false}, writerDone{false};
  std::vector<U32> received;
  std::thread receiver([&] {
    while (received.size() < kWrites) {
      void* m = L_MBOX_ReceiveWaitSeconds(A, 30);
      if (m == nullptr) break;
      const U32 value = (U32)((const MESSAGE_NEW_DATA*)m)->dbValue.u32Val;
      U32 current = 0;
      H_DATABASE_bFetchU32(KEY, &current);
      H_DATABASE_bUpdateValueU32(ack, value, P_NORMAL);
      H_MEMORY_vDumpMail(m);
      received.push_back(value);
    }
    receiverDone.store(true);
  });
  std::thread writer([&] {
    for (U32 v = 2; v <= kWrites; v++) H_DATABASE_bUpdateValueU32(KEY, v, P_NORMAL);
    writerDone.store(true);
  });
  JoinOrDie(writer, writerDone, "the writer waits for notice memory");
  JoinOrDie(receiver, receiverDone, "the receiver waits for the database");
  GiveBack(hoard);

  std::vector<U32> want;
  for (U32 v = 1; v <= kWrites; v++) want.push_back(v);
  EXPECT_EQ(received, want) << "every notice arrives, in write order";
  U32 acknowledged = 0;
  H_DATABASE_bFetchU32(ack, &acknowledged);
  EXPECT_EQ(acknowledged, kWrites);
}

// The sweep, the send-all operations, relinquishing and registering wait
// for memory without the database as well: while they wait, another task
// writes, and the blocks it needs come back only after that write.
TEST_F(NotifyTest, EveryOperationWaitsForMemoryWithoutHoldingTheDatabase) {
  struct Case {
    const char* name;
    void (*operation)();
    size_t notices;  // to A, the watcher of KEY
  };
  const Case cases[] = {
      {"sweep", [] { H_DATABASE_vSendAllInvalidData(); }, 1},
      {"send all registered", [] { H_DATABASE_vSendMailboxAllRegisteredItems(A); }, 1},
      {"send all beginning with", [] { H_DATABASE_vSendMailboxAllItemsBeginningWith('I', A); }, 2},
      {"relinquish", [] { H_DATABASE_vRelinquishOwnership(KEY); }, 1},
      {"register a new key", [] { H_DATABASE_bRegisterForDataWithConditions(FCID("INEW"), B, TRUE, FALSE, FALSE); }, 0},
      {"register on a key", [] { H_DATABASE_bRegisterForDataWithConditions(KEY, C, TRUE, FALSE, FALSE); }, 0},
      {"write a new key", [] { H_DATABASE_bUpdateValueU32(FCID("INEW"), 1, P_NORMAL); }, 0},
  };
  for (const Case& c : cases) {
    PLATFORM_vTestClockEnable(1000000000ull, T0);
    H_DATABASE_vInit();
    H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, TRUE, TRUE);
    H_DATABASE_bUpdateEverythingU32(KEY, 1, P_NORMAL, D_DEPTH, nullptr, 5);
    H_DATABASE_bUpdateValueU32(FCID("IOTH"), 0, P_NORMAL);
    (void)dbtest::Drain(A);
    Seconds(5);  // KEY has timed out for the sweep
    PLATFORM_vTestClockDisable();
    std::vector<void*> hoard = TakeAllMemory();
    std::atomic<bool> started{false}, done{false};
    std::thread t([&] {
      started.store(true);
      c.operation();
      done.store(true);
    });
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::atomic<bool> wrote{false};
    std::thread other([&] {
      H_DATABASE_bUpdateValueU32(FCID("IOTH"), 2, P_NORMAL);
      wrote.store(true);
    });
    JoinOrDie(other, wrote, c.name);
    GiveBack(hoard);
    JoinOrDie(t, done, c.name);
    EXPECT_EQ(Count(A), c.notices) << c.name;
  }
  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("INEW"), &value));
}

// A task that holds the database mutex across its calls cannot have it let
// go: a notice that finds no memory is dropped, traced, and the write is
// taken all the same.
TEST_F(NotifyTest, HolderOfTheMutexDropsANoticeWhenMemoryIsOut) {
  H_DATABASE_bRegisterForDataWithConditions(KEY, A, TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateValueU32(KEY, 1, P_NORMAL);
  ASSERT_EQ(Count(A), 1u);
  std::vector<void*> hoard = TakeAllMemory();
  ASSERT_EQ(L_MUTEX_LockWait(RES_DATABASE), lsSUCCESS);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(KEY, 2, P_NORMAL));
  const std::string trace = testing::internal::GetCapturedStdout();
  ASSERT_EQ(L_MUTEX_Unlock(RES_DATABASE), lsSUCCESS);
  GiveBack(hoard);
  EXPECT_NE(trace.find("IDEP to mailbox 40, dropped"), std::string::npos) << trace;
  EXPECT_EQ(Count(A), 0u);
  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(KEY, &value));
  EXPECT_EQ(value, 2u);
  // With memory back, notices flow again.
  H_DATABASE_bUpdateValueU32(KEY, 3, P_NORMAL);
  EXPECT_EQ(Count(A), 1u);
}

TEST(NotifyLayout, NoticeFitsTheSmallestBlock) {
  EXPECT_LE(sizeof(MESSAGE_NEW_DATA), 44u);
  EXPECT_EQ(offsetof(MESSAGE_NEW_DATA, Header), 0u);
  EXPECT_EQ(offsetof(MESSAGE_NEW_DATA, FourCharId), sizeof(GENERIC_MESSAGE));
}

}  // namespace
