// Threading test: also runs under ThreadSanitizer.
// The keyboard task as it runs in the unit: keys pressed through the key
// input device (a named pipe) reach the mailboxes of registered test tasks.
// The task's 25 ms poll timer runs on the test clock, so every repeat and
// long press is timed exactly: each Step() advances the clock one poll and
// waits until the task has made that poll.
#include <gtest/gtest.h>

#include <atomic>
#include <string.h>

#include <chrono>
#include <thread>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/ui/t_keyboard_pos.h"
#include "source/ui/t_keyboard_shutdown.h"
#include "source/ui/ui_upcalls.h"
#include "source/ui/t_keyboard.h"
#include "tests/support/key_test_env.h"
#include "tests/support/wait_for.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

keytest::KeyPipe& s_pipe = keytest::Pipe();

// Mailboxes of the test's registrations (no task serves them here).
constexpr MBOX A = M_VIEW;
constexpr MBOX B = M_MENU;
constexpr MBOX C = M_ALARM;
constexpr MBOX TEST_MBOXES[] = {A, B, C};
// Acknowledgement semaphore of the test's own waiting sends.
constexpr SEMA SYNC_SEMA = SEMA_MBOX_MENU;

struct Change {
  U32 key;
  KEY_STATE state;
  U32 count;
  CURSOR_POSITION cursor;
  bool operator==(const Change&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Change& c) {
  return os << "{key " << c.key << ", state " << c.state << ", count " << c.count << ", cursor " << c.cursor << "}";
}

using Changes = std::vector<Change>;

void EnableTestClock() {
  static bool s_bOn = false;
  if (s_bOn) return;
  s_bOn = true;
  // Stands still from now on; the kernel clock's start lies before it.
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
}


// Advances the test clock by one poll period and waits for that poll.
void Step(U32 ms = KEYBOARD_POLL_PERIOD_MS) {
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(ms);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; })) << "no poll";
}

void Steps(U32 ms) {
  for (U32 t = 0; t < ms; t += KEYBOARD_POLL_PERIOD_MS) Step();
}

// Starts the keyboard task (once per process) and lets it make its first poll.
void StartKeyboardTask() {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  EnableTestClock();
  H_DATABASE_vInit();
  ASSERT_EQ(L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_KBDTASK), lsSUCCESS);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_TIMER_KEYB) == TASK_KBDTASK; }));
  Step(KEYBOARD_POLL_FIRST_MS);
}

// Returns once the keyboard task has handled every message sent before.
void Sync() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RESET_POS;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_KEYB, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

void Register(MBOX mbox, U32 keys, KEY_STATE state, KEY_USAGE usage, BOOLEAN repeat = FALSE,
              BOOLEAN accelerate = FALSE, CURSOR_MODE mode = CURSOR_4) {
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(mbox, keys, state, repeat, accelerate, mode, usage));
  Sync();
}

void Unregister(MBOX mbox, U32 keys) {
  ASSERT_TRUE(U_KEYBOARD_bUnregisterKeys(mbox, keys));
  Sync();
}

// Every key change waiting in a mailbox (the messages are disposed of).
Changes Drain(MBOX mbox) {
  Changes out;
  while (void* p = L_MBOX_Receive(mbox)) {
    const MSG_KEY_CHANGE* m = (const MSG_KEY_CHANGE*)p;
    EXPECT_EQ(m->Header.Cmd, CMD_ID_KEY_CHANGE);
    EXPECT_EQ(m->Header.msghdr.MsgPriority, 1);
    EXPECT_EQ(m->flag, 0u);
    out.push_back(Change{m->key, m->state, m->count, m->cursor});
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

// Commands other than key changes waiting in a mailbox.
std::vector<CMD_ID> DrainCommands(MBOX mbox) {
  std::vector<CMD_ID> out;
  while (void* p = L_MBOX_Receive(mbox)) {
    out.push_back(((GENERIC_MESSAGE*)p)->Cmd);
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

// Presses or releases a key through the device and lets one poll see it.
void Press(int slot) {
  keytest::SetSlot(slot, true);
  Step();
}
void Release(int slot) {
  keytest::SetSlot(slot, false);
  Step();
}

// Takes a semaphore's pending signal; TRUE when there was one.
bool TakeSignal(SEMA s) {
  const bool signalled = L_SEMA_GetWaitingTaskID(s) == -lsSEMA_DONE;
  L_SEMA_SetPending(s);
  return signalled;
}

Change Down(U32 key, U32 count = 0, CURSOR_POSITION cursor = CURSOR_UP) { return {key, KEY_DOWN, count, cursor}; }
Change Up(U32 key, U32 count = 0, CURSOR_POSITION cursor = CURSOR_UP) { return {key, KEY_UP, count, cursor}; }

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    StartKeyboardTask();
    for (SEMA s : {SEMA_KEYCLICK_BAD, SEMA_KEYBOARD_LONG_GOTO}) L_SEMA_SetPending(s);
  }
  void TearDown() override {
    keytest::ReleaseAll();
    Step();
    for (MBOX m : TEST_MBOXES) Unregister(m, 0xFFFF);
    for (MBOX m : TEST_MBOXES) DrainCommands(m);
  }
};

// ------------------------------------------------------------ routing

TEST_F(Keyboard, HighestUsageLevelReceivesNewestFirstAmongEquals) {
  Register(A, KEY_MASK_MENU, KEY_CHANGE, REGISTER_VIEW);
  Register(B, KEY_MASK_MENU, KEY_CHANGE, REGISTER_MENU);
  Register(C, KEY_MASK_MENU, KEY_CHANGE, REGISTER_VIEW);  // behind B, in front of A

  struct Round {
    MBOX gone;     // unregistered before the round (0: none)
    MBOX receiver;
  };
  for (const Round r : {Round{0, B}, Round{B, C}, Round{C, A}}) {
    if (r.gone != 0) Unregister(r.gone, KEY_MASK_MENU);
    Press(DD_SLOT_MENU);
    Release(DD_SLOT_MENU);
    for (MBOX m : TEST_MBOXES) {
      EXPECT_EQ(Drain(m), m == r.receiver ? (Changes{Down(KEY_MASK_MENU), Up(KEY_MASK_MENU)}) : Changes{})
          << "mailbox " << m << " after " << r.gone << " left";
    }
  }
}

TEST_F(Keyboard, HeadWantingReleasesTakesPressesFromTheTasksBehindWithoutAClick) {
  Register(A, KEY_MASK_ZOOM_IN, KEY_DOWN, REGISTER_VIEW);
  Register(B, KEY_MASK_ZOOM_IN, KEY_UP, REGISTER_DIALOG_BOX);
  Press(DD_SLOT_ZOOM_IN);
  EXPECT_EQ(Drain(A), Changes{});
  EXPECT_EQ(Drain(B), Changes{});
  EXPECT_FALSE(TakeSignal(SEMA_KEYCLICK_BAD));
  Release(DD_SLOT_ZOOM_IN);
  EXPECT_EQ(Drain(B), Changes{Up(KEY_MASK_ZOOM_IN)});
  EXPECT_EQ(Drain(A), Changes{});
}

TEST_F(Keyboard, PressNobodyHoldsGivesTheBadClickOnly) {
  Press(DD_SLOT_MARK);
  EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_BAD));
  Release(DD_SLOT_MARK);
  EXPECT_FALSE(TakeSignal(SEMA_KEYCLICK_BAD));
  for (MBOX m : TEST_MBOXES) EXPECT_EQ(Drain(m), Changes{});
}

TEST_F(Keyboard, PowerKeyIsTakenOnlyByAMaskNamingItAlone) {
  struct Key {
    int slot;
    U32 mask;
  };
  const Key keys[] = {
      {DD_SLOT_POWER, KEY_MASK_POWER},       {DD_SLOT_MENU, KEY_MASK_MENU},
      {DD_SLOT_EXIT, KEY_MASK_EXIT},         {DD_SLOT_VIEW, KEY_MASK_VIEW},
      {DD_SLOT_CURSOR_NORTH, KEY_MASK_CURSOR}, {DD_SLOT_ZOOM_IN, KEY_MASK_ZOOM_IN},
      {DD_SLOT_ZOOM_OUT, KEY_MASK_ZOOM_OUT}, {DD_SLOT_MARK, KEY_MASK_MARK},
      {DD_SLOT_GOTO, KEY_MASK_GOTO},         {DD_SLOT_INFO, KEY_MASK_INFO},
      {DD_SLOT_SOFT_KEY_1, KEY_MASK_SOFT_KEY_1}, {DD_SLOT_SOFT_KEY_2, KEY_MASK_SOFT_KEY_2},
      {DD_SLOT_SOFT_KEY_3, KEY_MASK_SOFT_KEY_3},
  };
  // Which keys reach A; a press that nobody holds clicks bad.
  auto reaching = [&] {
    std::vector<U32> got;
    for (const Key& k : keys) {
      Press(k.slot);
      Release(k.slot);
      const Changes c = Drain(A);
      if (!c.empty()) {
        EXPECT_EQ(c, (Changes{Down(k.mask, 0, c[0].cursor), Up(k.mask)})) << k.mask;
        got.push_back(k.mask);
      } else {
        EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_BAD)) << k.mask;
      }
    }
    return got;
  };
  Register(A, 0xFFEF, KEY_CHANGE, REGISTER_VIEW);  // every key but the cursor key
  EXPECT_EQ(reaching(), (std::vector<U32>{4, 8, 2, 32, 64, 128, 256, 512, 2048, 4096, 8192}));
  Register(A, KEY_MASK_POWER, KEY_CHANGE, REGISTER_VIEW);
  EXPECT_EQ(reaching(), (std::vector<U32>{1, 4, 8, 2, 32, 64, 128, 256, 512, 2048, 4096, 8192}));
  // Masks naming no key change nothing.
  Register(A, 1024 | 0x10000, KEY_CHANGE, REGISTER_VIEW);
  Unregister(A, 0xFFFF);  // the power registration goes too
  EXPECT_EQ(reaching(), (std::vector<U32>{}));
}

TEST_F(Keyboard, MailboxRegisteredTwiceMustUnregisterTwice) {
  Register(A, KEY_MASK_INFO, KEY_DOWN, REGISTER_VIEW);
  Register(A, KEY_MASK_INFO, KEY_DOWN, REGISTER_VIEW);
  Unregister(A, KEY_MASK_INFO);
  Press(DD_SLOT_INFO);
  EXPECT_EQ(Drain(A), Changes{Down(KEY_MASK_INFO)});
  Release(DD_SLOT_INFO);
  Unregister(A, KEY_MASK_INFO);
  Press(DD_SLOT_INFO);
  EXPECT_EQ(Drain(A), Changes{});
  EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_BAD));
}

TEST_F(Keyboard, ClientsNeedTheKeyboardTasksKey) {
  H_DATABASE_vDeleteEntry(FCID("TKBD"));
  EXPECT_FALSE(U_KEYBOARD_bRegisterKeys(A, KEY_MASK_MENU, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_VIEW));
  EXPECT_FALSE(U_KEYBOARD_bUnregisterKeys(A, KEY_MASK_MENU));
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), M_KEYB, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  Press(DD_SLOT_MENU);
  EXPECT_EQ(Drain(A), Changes{});
}

// ------------------------------------------------------------ repeats

TEST_F(Keyboard, HeldKeyRepeatsAfter500MsThenEvery125Ms) {
  struct Case {
    BOOLEAN accelerate;
    std::vector<U32> counts;
  };
  for (const Case& c : {Case{FALSE, {1, 1, 1, 1}}, Case{TRUE, {1, 2, 3, 4}}}) {
    Register(A, KEY_MASK_CURSOR, KEY_DOWN, REGISTER_DIALOG_BOX, TRUE, c.accelerate, CURSOR_4);
    keytest::SetSlot(DD_SLOT_CURSOR_EAST, true);
    std::vector<U32> counts, times;
    for (U32 t = 0; t <= 800; t += 25) {
      Step();
      for (const Change& ch : Drain(A)) {
        EXPECT_EQ(ch.state, KEY_DOWN);
        EXPECT_EQ(ch.cursor, CURSOR_EAST);
        counts.push_back(ch.count);
        times.push_back(t);
      }
    }
    EXPECT_EQ(counts, c.counts);
    EXPECT_EQ(times, (std::vector<U32>{0, 500, 625, 750}));
    Release(DD_SLOT_CURSOR_EAST);
    EXPECT_EQ(Drain(A), Changes{});  // A wants presses only
    Unregister(A, KEY_MASK_CURSOR);
  }
}

TEST_F(Keyboard, RepeatSettingsFollowTheHeadOfTheList) {
  Register(A, KEY_MASK_ZOOM_OUT, KEY_DOWN, REGISTER_VIEW, TRUE, TRUE);
  Register(B, KEY_MASK_ZOOM_OUT, KEY_DOWN, REGISTER_MENU);  // no repeat
  Press(DD_SLOT_ZOOM_OUT);
  Steps(1000);
  EXPECT_EQ(Drain(B), Changes{Down(KEY_MASK_ZOOM_OUT)});
  // B leaves while the key is held: A's repeats begin 500 ms later.
  Unregister(B, KEY_MASK_ZOOM_OUT);
  Steps(475);
  EXPECT_EQ(Drain(A), Changes{});
  Step();
  EXPECT_EQ(Drain(A), Changes{Down(KEY_MASK_ZOOM_OUT, 2)});
}

// ------------------------------------------------------------ long presses

TEST_F(Keyboard, GoToHeld1500MsSignalsTheLongPressOnce) {
  Register(A, KEY_MASK_GOTO, KEY_CHANGE, REGISTER_VIEW, TRUE, FALSE);  // repeats keep count 1
  for (U32 hold : {1400u, 3000u}) {
    Press(DD_SLOT_GOTO);
    EXPECT_EQ(Drain(A), Changes{Down(KEY_MASK_GOTO, 1)});  // routed at once
    U32 signals = 0, at = 0;
    for (U32 t = 25; t < hold; t += 25) {
      Step();
      if (TakeSignal(SEMA_KEYBOARD_LONG_GOTO)) {
        signals += 1;
        at = t;
      }
    }
    Release(DD_SLOT_GOTO);
    Drain(A);
    EXPECT_EQ(signals, hold >= 1500 ? 1u : 0u) << hold;
    if (hold >= 1500) {
      EXPECT_EQ(at, 1500u);
    }
  }
}

// Counts the rebuilds of the view-selection menu's items.
std::atomic<U32> s_u32ViewMenus{0};
void vFakeRegisterSelectViewMenu(void) { s_u32ViewMenus.fetch_add(1); }

TEST_F(Keyboard, ViewHeldOpensTheViewMenuAfter1sAndDeliversThePressAtRelease) {
  GUI_vRegisterSelectViewMenu_Install(&vFakeRegisterSelectViewMenu);
  Register(A, KEY_MASK_VIEW, KEY_CHANGE, REGISTER_VIEW);
  const U32 before = s_u32ViewMenus.load();
  Press(DD_SLOT_VIEW);
  U32 opened = 0;
  for (U32 t = 25; t <= 1200; t += 25) {
    Step();
    if (opened == 0 && s_u32ViewMenus.load() != before) opened = t;
    EXPECT_EQ(Drain(A), Changes{}) << t;
  }
  EXPECT_EQ(opened, 1025u);  // just after 1 s
  EXPECT_EQ(s_u32ViewMenus.load(), before + 1);
  Release(DD_SLOT_VIEW);
  EXPECT_EQ(Drain(A), (Changes{Down(KEY_MASK_VIEW), Up(KEY_MASK_VIEW)}));

  // A short press opens nothing; a holder of releases only gets one release.
  Unregister(A, KEY_MASK_VIEW);
  Register(A, KEY_MASK_VIEW, KEY_UP, REGISTER_VIEW);
  Press(DD_SLOT_VIEW);
  Steps(500);
  Release(DD_SLOT_VIEW);
  EXPECT_EQ(Drain(A), Changes{Up(KEY_MASK_VIEW)});
  EXPECT_EQ(s_u32ViewMenus.load(), before + 1);
  GUI_vRegisterSelectViewMenu_Install(nullptr);
}

TEST_F(Keyboard, PowerHeldShowsTheCountDownAndReleaseAt2500MsCancelsIt) {
  Press(DD_SLOT_POWER);
  EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_BAD));  // nobody holds the power key
  Steps(975);
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
  Step();  // 1000 ms
  EXPECT_TRUE(T_KEYBOARD_bShutdownCountdownShown());
  EXPECT_EQ(T_KEYBOARD_eShutdownMessage(), FIRST_SHUTDOWN_MESSAGE);
  Steps(975);
  EXPECT_EQ(T_KEYBOARD_eShutdownMessage(), FIRST_SHUTDOWN_MESSAGE);
  L_SEMA_SetPending(SEMA_VIEW_UPDATE);
  Step();  // 2000 ms
  EXPECT_EQ(T_KEYBOARD_eShutdownMessage(), SECOND_SHUTDOWN_MESSAGE);
  EXPECT_TRUE(TakeSignal(SEMA_VIEW_UPDATE));
  Steps(500);
  Release(DD_SLOT_POWER);
  // Let go before 3 s: the box goes and the unit runs on.
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
  Steps(2000);

  // A new hold starts counting afresh.
  Press(DD_SLOT_POWER);
  Steps(975);
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
  Step();
  EXPECT_TRUE(T_KEYBOARD_bShutdownCountdownShown());
  Release(DD_SLOT_POWER);
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
}

TEST_F(Keyboard, PowerHoldIsNotTimedWhileGoToIsDown) {
  Press(DD_SLOT_GOTO);
  Press(DD_SLOT_POWER);
  Steps(4000);  // a shutdown would end this process
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
  Release(DD_SLOT_POWER);
  Release(DD_SLOT_GOTO);
}

TEST_F(Keyboard, PowerHeld3sShutsTheUnitDown) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        keytest::SetSlot(DD_SLOT_POWER, true);
        // The shutdown waits for the key's release on the clock too: keep
        // the clock going until the process ends.
        for (U32 t = 0; t < 60000; t += 25) {
          PLATFORM_vTestClockAdvanceMs(25);
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        _exit(1);
      },
      ::testing::ExitedWithCode(10), "");
}

// ------------------------------------------------------------ commands

TEST_F(Keyboard, InitiateShutdownWithBothOrNeitherFlagDoesNothing) {
  for (BOOLEAN both : {TRUE, FALSE}) {
    MSG_INITIATE_SHUTDOWN* msg = (MSG_INITIATE_SHUTDOWN*)H_MEMORY_pvMalloc(sizeof(MSG_INITIATE_SHUTDOWN));
    memset(msg, 0, sizeof *msg);
    msg->Header.Cmd = CMD_ID_INITIATE_SHUTDOWN;
    msg->bReset = both;
    msg->bPowerOff = both;
    ASSERT_EQ(L_MBOX_Send(M_KEYB, msg, 3, 0), lsSUCCESS);
  }
  Sync();
  Step();  // a shutdown would end this process
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
}

TEST_F(Keyboard, RemotePowerOffShutsTheUnitDown) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        MSG_INITIATE_SHUTDOWN* msg = (MSG_INITIATE_SHUTDOWN*)H_MEMORY_pvMalloc(sizeof(MSG_INITIATE_SHUTDOWN));
        memset(msg, 0, sizeof *msg);
        msg->Header.Cmd = CMD_ID_INITIATE_SHUTDOWN;
        msg->bPowerOff = TRUE;
        L_MBOX_Send(M_KEYB, msg, 3, 0);
        for (U32 t = 0; t < 60000; t += 25) {
          PLATFORM_vTestClockAdvanceMs(25);
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        _exit(1);
      },
      ::testing::ExitedWithCode(10), "");
}

TEST_F(Keyboard, ModelChangeSendsResetToEveryOtherTask) {
  H_DATABASE_bUpdateEverythingU32(FCID("TTSA"), A, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("TTSB"), B, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  static U32 s_u32Model = 7;  // a new value each run
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), ++s_u32Model, P_NORMAL);
  Sync();
  EXPECT_EQ(DrainCommands(A), std::vector<CMD_ID>{CMD_ID_RESET_POS});
  EXPECT_EQ(DrainCommands(B), std::vector<CMD_ID>{CMD_ID_RESET_POS});
  EXPECT_EQ(DrainCommands(C), std::vector<CMD_ID>{});
  H_DATABASE_vDeleteEntry(FCID("TTSA"));
  H_DATABASE_vDeleteEntry(FCID("TTSB"));
}

TEST_F(Keyboard, RunSystemInThePointOfSaleStateStartsTheDemonstration) {
  ASSERT_FALSE(T_KEYBOARD_bPointOfSaleRunning());
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_POINT_OF_SALE, P_NORMAL);
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(L_MBOX_Send(M_KEYB, msg, 3, 0), lsSUCCESS);
  Sync();
  EXPECT_TRUE(T_KEYBOARD_bPointOfSaleRunning());
  // From then on a change of the system state is passed on.
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  Sync();
  EXPECT_FALSE(T_KEYBOARD_bPointOfSaleRunning());
}

// ------------------------------------------------------------ keys held at start

// Runs in a process of its own, where the keyboard task starts while the
// power, go-to and view keys are already held (the power key that switched
// the unit on): none of them starts a long press.
TEST(KeyboardStart, KeysHeldWhenTheTaskStartsStartNoLongPress) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        GUI_vRegisterSelectViewMenu_Install(&vFakeRegisterSelectViewMenu);
        EnableTestClock();
        DD_KEYBOARD_vInit();  // the key thread reads the device already
        for (int s : {DD_SLOT_POWER, DD_SLOT_GOTO, DD_SLOT_VIEW}) keytest::SetSlot(s, true);
        StartKeyboardTask();
        L_SEMA_SetPending(SEMA_KEYBOARD_LONG_GOTO);
        keytest::SetSlot(DD_SLOT_GOTO, false);  // lets the power hold be timed
        for (U32 t = 0; t < 4000; t += KEYBOARD_POLL_PERIOD_MS) {
          // (A shutdown would end the process with its own status.)
          const bool quiet = !T_KEYBOARD_bShutdownCountdownShown() && s_u32ViewMenus.load() == 0 &&
                             L_SEMA_GetWaitingTaskID(SEMA_KEYBOARD_LONG_GOTO) != -lsSEMA_DONE;
          if (!quiet) _exit(1);
          Step();
        }
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
