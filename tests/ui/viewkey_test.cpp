// Threading test: also runs under ThreadSanitizer.
// The view-key task with the real keyboard and view tasks: VIEW and EXIT
// pressed on the keypad device (a named pipe) step the current view (CVEW)
// through the shown views, forwards and backwards, and the view task then
// draws the view chosen. The view of the last shutdown comes back at start
// (each start runs in a process of its own), is saved at shutdown and a
// factory reset shows the factory view. Timers run on the test clock; each
// key press advances it poll by poll.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/db_types.h"
#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "source/core/h_database.h"
#include "source/graphics/h_display.h"
#include "source/platform/platform.h"
#include "source/ui/t_keyboard.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_viewkey.h"
#include "source/graphics/u_view.h"
#include "tests/support/db_test_env.h"
#include "tests/support/key_test_env.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

keytest::KeyPipe& s_pipe = keytest::Pipe();

// The headless screen writes its pictures into the test's own folder.
const std::string g_screenDir = [] {
  const std::string dir = dbtest::Install().base + "/screen";
  std::filesystem::create_directories(dir);
  std::filesystem::create_directories(dbtest::Install().install);
  setenv("TESSIX_SCREEN_DIR", dir.c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  return dir;
}();

// Acknowledgement semaphore of the test's own waiting sends.
constexpr SEMA SEMA_ACK = SEMA_USER_TEST;

constexpr FOURCHARID CVEW = FCID("CVEW");
constexpr FOURCHARID SVEW = FCID("SVEW");
constexpr FOURCHARID CCST = FCID("CCST");
constexpr FOURCHARID TVKY = FCID("TVKY");

// Waits in real time for what another thread brings about (only to order
// events; the limit is generous).
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 10000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Advances the test clock by one key poll and waits for that poll.
void Step() {
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(KEYBOARD_POLL_PERIOD_MS);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; })) << "no key poll";
}

// Sends a command to a task and returns once the task has disposed of it,
// that is once it has handled everything queued before it.
void SendWait(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* msg = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  ASSERT_NE(nullptr, msg);
  msg->Cmd = cmd;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(mbox, msg, 3, SEMA_ACK));
  H_MEMORY_vFree(msg);
}
// Commands each task disposes of without effect.
void SyncViewKey() { SendWait(M_VIEWKEY, CMD_ID_PING_START); }
void SyncView() { SendWait(M_VIEW, CMD_ID_SHUTDOWN); }
void SyncKeyboard() { SendWait(M_KEYB, CMD_ID_RESET_POS); }

S32 Fetch(FOURCHARID key, S32 missing = -99) {
  S32 value = 0;
  return H_DATABASE_bFetchS32(key, &value) ? value : missing;
}
void Write(FOURCHARID key, S32 value) { H_DATABASE_bUpdateValueS32(key, value, P_NORMAL); }

// Takes a semaphore's pending signal; TRUE when there was one.
bool TakeSignal(SEMA s) {
  const bool signalled = L_SEMA_GetWaitingTaskID(s) == -lsSEMA_DONE;
  L_SEMA_SetPending(s);
  return signalled;
}

// ------------------------------------------------------------ views

// The view the view task drew last.
std::atomic<S32> g_lastDrawn{0};

// A view records itself (its identifier is its user value); overlays draw
// nothing.
void vView(BITMAP*, const WINDOW_SPECIFICATION* ws) { g_lastDrawn.store((S32)ws->u32User); }
void vOverlay(BITMAP*, const WINDOW_SPECIFICATION*) {}

// Names of the views' display keys, the same in every language.
struct TextRecord {
  const char* texts[NUMBER_OF_LANGUAGES];
  explicit TextRecord(const char* text) {
    for (const char*& t : texts) t = text;
  }
};
TextRecord g_viewName("View");

// ------------------------------------------------------------ the tasks

// View and keyboard tasks, started once per process.
void StartViewAndKeyboard() {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
  H_DATABASE_vInit();
  ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_VIEW, SEMA_MBOX_VIEW));
  ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB));
  ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_VIEWKEY, SEMA_MBOX_VIEWKEY));
  H_DISPLAY_vInitScreen(M_DISPLAY);

  ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_VIEWTASK));
  ASSERT_TRUE(WaitFor([] { return Fetch(FCID("TVUE")) == M_VIEW; }));
  SendWait(M_VIEW, CMD_ID_RUN_SYSTEM);

  ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_KBDTASK));
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_TIMER_KEYB) == TASK_KBDTASK; }));
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(KEYBOARD_POLL_FIRST_MS);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; }));
}

void StartViewKeyTask() {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_VIEWKEYTASK));
  ASSERT_TRUE(WaitFor([] { return Fetch(TVKY) == M_VIEWKEY; }));
}

// The first CMD_ID_RUN_SYSTEM: the view comes back and the keys are
// registered with the keyboard task.
void RunSystem() {
  SyncView();
  SendWait(M_VIEWKEY, CMD_ID_RUN_SYSTEM);
  SyncKeyboard();
  SyncView();
}

// ------------------------------------------------------------ keys

// Presses and releases a key on the keypad device. The keyboard task hands
// the view key's press over with its release; when this returns, the
// view-key task has handled the key and the view task has seen the new
// current view.
void PressKey(int slot) {
  g_lastDrawn.store(0);
  keytest::SetSlot(slot, true);
  Step();
  keytest::SetSlot(slot, false);
  Step();
  SyncViewKey();
  SyncView();
}

// The view task draws the view (a page of a new view is drawn at once; a
// page dropped meanwhile is replaced at the next pacing step).
bool Drawn(S32 view) {
  for (int i = 0; i < 40; ++i) {
    if (WaitFor([&] { return g_lastDrawn.load() == view; })) return true;
    Step();
    SyncView();
  }
  return false;
}

class ViewKey : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    StartViewAndKeyboard();
    Write(CCST, STATE_NORMAL_RUN);
    StartViewKeyTask();
    RunSystem();
  }
  void SetUp() override {
    Write(CCST, STATE_NORMAL_RUN);
    // The view task's own review view is hidden: the tests step through
    // their own views alone.
    H_DATABASE_bUpdateValueBoolean(FCID("SVCR"), FALSE, P_NORMAL);
    for (SEMA s : {SEMA_KEYCLICK_GOOD, SEMA_KEYCLICK_BAD}) L_SEMA_SetPending(s);
  }
  void TearDown() override {
    keytest::ReleaseAll();
    Step();
    for (LAYER_ID layer : registered_) U_VIEW_bUnRegisterLayer(layer);
    SyncView();
    for (FOURCHARID key : keys_) H_DATABASE_vDeleteEntry(key);
    Write(CCST, STATE_NORMAL_RUN);
  }

  // A view; a display key, when given, starts with the value bShown.
  void View(LAYER_ID layer, FOURCHARID displayKey = 0, BOOLEAN bShown = TRUE) {
    if (displayKey != 0) {
      H_DATABASE_bUpdateEverythingBoolean(displayKey, bShown, P_NORMAL, D_UNKNOWN, g_viewName.texts, DB_NO_TIMEOUT);
      keys_.push_back(displayKey);
    }
    ASSERT_TRUE(
        U_VIEW_bRegisterLayer(vView, layer, USED_BY_NONE, (U32)layer, displayKey, TRUE, nullptr, nullptr, nullptr));
    registered_.push_back(layer);
  }
  void Overlay(LAYER_ID layer, LAYER_ID whereUsed) {
    ASSERT_TRUE(U_VIEW_bRegisterLayer(vOverlay, layer, whereUsed, 0, 0, TRUE, nullptr, nullptr, nullptr));
    registered_.push_back(layer);
  }
  // Makes the view current and waits until the view task shows it.
  static void SetView(S32 view) {
    SyncView();  // the registrations first
    Write(CVEW, view);
    SyncView();
    ASSERT_EQ(view, (S32)T_VIEW_eShownLayer());
  }

  std::vector<LAYER_ID> registered_;
  std::vector<FOURCHARID> keys_;
};

// ------------------------------------------------------------ stepping

TEST_F(ViewKey, ViewAndExitStepThroughTheShownViewsInOrderBothWays) {
  View(CHART_VIEW_PRIORITY);                                     // 28
  Overlay(CHART_BIG_DIGITS_VIEW_PRIORITY, CHART_VIEW_PRIORITY);  // 30: an overlay of view 28, not a view
  View(CHART_PLUS_NADSCAN_VIEW_PRIORITY);                        // 33
  View(SONAR_VIEW_PRIORITY);                                     // 49
  Overlay(INFO_BIRDS_EYE_LAYER, USED_BY_ALL);                    // 240: after the last view
  SetView(SONAR_VIEW_PRIORITY);

  struct Press {
    int slot;
    S32 view;  // the current view afterwards
  };
  // VIEW from the last view goes back to the first one; EXIT from the first
  // view goes round to the last one.
  const Press presses[] = {
      {DD_SLOT_VIEW, 28}, {DD_SLOT_VIEW, 33}, {DD_SLOT_VIEW, 49},
      {DD_SLOT_EXIT, 33}, {DD_SLOT_EXIT, 28}, {DD_SLOT_EXIT, 49},
  };
  for (const Press& p : presses) {
    const S32 from = Fetch(CVEW);
    PressKey(p.slot);
    const char* key = p.slot == DD_SLOT_VIEW ? "VIEW" : "EXIT";
    EXPECT_EQ(p.view, Fetch(CVEW)) << key << " from " << from;
    EXPECT_EQ(p.view, (S32)T_VIEW_eShownLayer()) << key << " from " << from;
    EXPECT_TRUE(Drawn(p.view)) << key << " from " << from << ": view " << p.view << " is not drawn";
    EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_GOOD)) << key << " from " << from;
    EXPECT_FALSE(TakeSignal(SEMA_KEYCLICK_BAD)) << key << " from " << from;
  }
}

TEST_F(ViewKey, HiddenViewIsSkippedBothWaysUntilItIsShown) {
  constexpr FOURCHARID kShow33 = FCID("SVK1");
  View(CHART_VIEW_PRIORITY);                               // 28
  View(CHART_PLUS_NADSCAN_VIEW_PRIORITY, kShow33, FALSE);  // 33, hidden
  View(SONAR_VIEW_PRIORITY);                               // 49

  struct Case {
    S32 from;
    int slot;
    S32 view;
  };
  const Case cases[] = {
      {28, DD_SLOT_VIEW, 49},
      {49, DD_SLOT_EXIT, 28},
      {28, DD_SLOT_EXIT, 49},
  };
  for (const Case& c : cases) {
    SetView(c.from);
    PressKey(c.slot);
    EXPECT_EQ(c.view, Fetch(CVEW)) << (c.slot == DD_SLOT_VIEW ? "VIEW" : "EXIT") << " from " << c.from;
  }

  // Once its display key shows it, the view is a step again.
  H_DATABASE_bUpdateValueBoolean(kShow33, TRUE, P_NORMAL);
  SetView(CHART_VIEW_PRIORITY);
  PressKey(DD_SLOT_VIEW);
  EXPECT_EQ(CHART_PLUS_NADSCAN_VIEW_PRIORITY, Fetch(CVEW));
  EXPECT_TRUE(Drawn(CHART_PLUS_NADSCAN_VIEW_PRIORITY));
  PressKey(DD_SLOT_EXIT);
  EXPECT_EQ(CHART_VIEW_PRIORITY, Fetch(CVEW));
}

// (While no view is shown the view task itself keeps NO_VIEW_PRIORITY
// current.)
TEST_F(ViewKey, WithoutAShownViewBothKeysLeaveNoView) {
  View(CHART_VIEW_PRIORITY, FCID("SVK2"), FALSE);
  Overlay(INFO_BIRDS_EYE_LAYER, USED_BY_ALL);
  for (int slot : {DD_SLOT_VIEW, DD_SLOT_EXIT}) {
    SetView(NO_VIEW_PRIORITY);
    PressKey(slot);
    EXPECT_EQ(NO_VIEW_PRIORITY, Fetch(CVEW)) << slot;
    EXPECT_EQ(NO_VIEW_PRIORITY, T_VIEW_eShownLayer()) << slot;
    EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_GOOD)) << slot;
  }
}

TEST_F(ViewKey, AnyOtherKeyClicksBadAndLeavesTheView) {
  View(CHART_VIEW_PRIORITY);
  View(SONAR_VIEW_PRIORITY);
  SetView(CHART_VIEW_PRIORITY);
  MSG_KEY_CHANGE* msg = static_cast<MSG_KEY_CHANGE*>(H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE)));
  ASSERT_NE(nullptr, msg);
  msg->Header.Cmd = CMD_ID_KEY_CHANGE;
  msg->key = KEY_MASK_MARK;
  msg->state = KEY_DOWN;
  msg->cursor = CURSOR_UP;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(M_VIEWKEY, msg, 1, SEMA_ACK));
  H_MEMORY_vFree(msg);
  EXPECT_TRUE(TakeSignal(SEMA_KEYCLICK_BAD));
  EXPECT_FALSE(TakeSignal(SEMA_KEYCLICK_GOOD));
  EXPECT_EQ(CHART_VIEW_PRIORITY, Fetch(CVEW));
}

// ------------------------------------------------------------ shutdown, factory reset, start

TEST_F(ViewKey, ShutdownSavesTheCurrentViewOnlyInTheUsersOwnStates) {
  struct Case {
    S32 state;  // 0: no system state
    S32 current;
    bool saved;
  };
  // Without any view the current view stays NO_VIEW_PRIORITY: nothing to
  // come back to.
  const Case cases[] = {
      {STATE_NORMAL_RUN, NO_VIEW_PRIORITY, false},
      {STATE_NORMAL_RUN, SONAR_VIEW_PRIORITY, true},
      {STATE_PLAYBACK, SONAR_VIEW_PRIORITY, true},
      {STATE_SIMULATION, SONAR_VIEW_PRIORITY, true},
      {STATE_DIAGNOSTIC, SONAR_VIEW_PRIORITY, false},
      {STATE_INLINE_TEST, SONAR_VIEW_PRIORITY, false},
      {STATE_POINT_OF_SALE, SONAR_VIEW_PRIORITY, false},
      {STATE_STARTUP, SONAR_VIEW_PRIORITY, false},
      {0, SONAR_VIEW_PRIORITY, false},
  };
  for (const Case& c : cases) {
    // The view task keeps a current view only while that view is shown.
    if (c.current != NO_VIEW_PRIORITY && registered_.empty()) {
      View(CHART_VIEW_PRIORITY);
      View(SONAR_VIEW_PRIORITY);
      SetView(SONAR_VIEW_PRIORITY);
    }
    Write(SVEW, CHART_VIEW_PRIORITY);
    if (c.state == 0) {
      H_DATABASE_vDeleteEntry(CCST);
    } else {
      Write(CCST, c.state);
    }
    Write(CVEW, c.current);
    SendWait(M_VIEWKEY, CMD_ID_SHUTDOWN);
    EXPECT_EQ(c.saved ? c.current : (S32)CHART_VIEW_PRIORITY, Fetch(SVEW))
        << "state " << c.state << ", current view " << c.current;
  }
  H_DATABASE_vDeleteEntry(SVEW);
}

TEST_F(ViewKey, FactoryResetShowsTheFactoryViewExceptInTheInLineTest) {
  View(CHART_PLUS_NADSCAN_VIEW_PRIORITY);
  View(SONAR_VIEW_PRIORITY);
  SetView(SONAR_VIEW_PRIORITY);
  struct Case {
    S32 state;  // 0: no system state
    S32 view;
  };
  for (const Case& c : {Case{STATE_NORMAL_RUN, CHART_PLUS_NADSCAN_VIEW_PRIORITY},
                        Case{STATE_DIAGNOSTIC, CHART_PLUS_NADSCAN_VIEW_PRIORITY},
                        Case{0, CHART_PLUS_NADSCAN_VIEW_PRIORITY}, Case{STATE_INLINE_TEST, SONAR_VIEW_PRIORITY}}) {
    if (c.state == 0) {
      H_DATABASE_vDeleteEntry(CCST);
    } else {
      Write(CCST, c.state);
    }
    SetView(SONAR_VIEW_PRIORITY);
    SendWait(M_VIEWKEY, CMD_ID_RESET_POS);
    EXPECT_EQ(c.view, Fetch(CVEW)) << "state " << c.state;
  }
}

TEST_F(ViewKey, OnlyTheFirstRunSystemRestoresTheView) {
  View(CHART_VIEW_PRIORITY);
  View(SONAR_VIEW_PRIORITY);
  SetView(CHART_VIEW_PRIORITY);
  Write(SVEW, SONAR_VIEW_PRIORITY);
  SendWait(M_VIEWKEY, CMD_ID_RUN_SYSTEM);
  EXPECT_EQ(CHART_VIEW_PRIORITY, Fetch(CVEW));
  H_DATABASE_vDeleteEntry(SVEW);
}

// ------------------------------------------------------------ start, each in a process of its own

// Views 28, 33 and 49 are registered and 28 is current when the first
// CMD_ID_RUN_SYSTEM comes.
struct StartCase {
  const char* name;
  S32 state;  // 0: no system state
  S32 saved;  // 0: no saved view
  S32 view;   // CVEW afterwards
};

class ViewKeyStartDeathTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(ViewKeyStartDeathTest, FirstRunSystemRestoresTheViewByTheSystemState) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const StartCase c = GetParam();
  EXPECT_EXIT(
      {
        StartViewAndKeyboard();
        for (LAYER_ID view : {CHART_VIEW_PRIORITY, CHART_PLUS_NADSCAN_VIEW_PRIORITY, SONAR_VIEW_PRIORITY}) {
          U_VIEW_bRegisterLayer(vView, view, USED_BY_NONE, (U32)view, 0, TRUE, nullptr, nullptr, nullptr);
        }
        SyncView();
        Write(CVEW, CHART_VIEW_PRIORITY);
        if (c.state != 0) Write(CCST, c.state);
        if (c.saved != 0) Write(SVEW, c.saved);
        StartViewKeyTask();
        RunSystem();
        fprintf(stderr, "CVEW=%d\n", (int)Fetch(CVEW));
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "CVEW=" + std::to_string(c.view) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewKeyStartDeathTest,
    ::testing::Values(
        StartCase{"SavedViewInNormalRun", STATE_NORMAL_RUN, SONAR_VIEW_PRIORITY, SONAR_VIEW_PRIORITY},
        StartCase{"FirstStartWithoutSavedView", STATE_NORMAL_RUN, 0, CHART_PLUS_NADSCAN_VIEW_PRIORITY},
        StartCase{"PointOfSale", STATE_POINT_OF_SALE, SONAR_VIEW_PRIORITY, CHART_PLUS_NADSCAN_VIEW_PRIORITY},
        StartCase{"NoSystemState", 0, SONAR_VIEW_PRIORITY, CHART_PLUS_NADSCAN_VIEW_PRIORITY},
        // The diagnostic and in-line test states keep the view they have.
        StartCase{"Diagnostic", STATE_DIAGNOSTIC, SONAR_VIEW_PRIORITY, CHART_VIEW_PRIORITY},
        StartCase{"InLineTest", STATE_INLINE_TEST, SONAR_VIEW_PRIORITY, CHART_VIEW_PRIORITY},
        // A saved value that names no view (a damaged file).
        StartCase{"SavedValueIsNoView", STATE_NORMAL_RUN, MAIN_MENU_LAYER, CHART_PLUS_NADSCAN_VIEW_PRIORITY}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ broken start order

// Each runs in a child process with the view and keyboard tasks started and
// the system in its normal state.

// Another task holds the view-key task's mailbox key.
void vMailboxKeyHeldByAnother() {
  H_DATABASE_bUpdateEverythingU32(TVKY, M_VIEW, P_NORMAL - 1, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  L_TASK_Start(TASK_VIEWKEYTASK);
}

// A view the view task keeps as the current one (while the current view is
// not shown, the view task writes CVEW itself).
void vRegisterView(LAYER_ID layer) {
  U_VIEW_bRegisterLayer(vView, layer, USED_BY_NONE, (U32)layer, 0, TRUE, nullptr, nullptr, nullptr);
  SyncView();
}

// EXIT pressed when CVEW is gone.
void vExitWithoutCurrentView() {
  vRegisterView(CHART_PLUS_NADSCAN_VIEW_PRIORITY);  // the factory view the start shows
  StartViewKeyTask();
  RunSystem();
  H_DATABASE_vDeleteEntry(CVEW);
  keytest::SetSlot(DD_SLOT_EXIT, true);
  Step();
}

// Shutdown when CVEW has timed out.
void vShutdownWithTimedOutCurrentView() {
  vRegisterView(SONAR_VIEW_PRIORITY);
  StartViewKeyTask();
  RunSystem();
  H_DATABASE_bUpdateEverythingS32(CVEW, SONAR_VIEW_PRIORITY, P_NORMAL, D_UNKNOWN, nullptr, 1);
  SyncView();
  PLATFORM_vTestClockAdvanceMs(2000);
  GENERIC_MESSAGE* msg = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  msg->Cmd = CMD_ID_SHUTDOWN;
  L_MBOX_Send(M_VIEWKEY, msg, 3, 0);
}

struct FatalCase {
  const char* name;
  void (*run)(void);
  const char* text;  // the line of FATAL.LOG
};

class ViewKeyFatalDeathTest : public ::testing::TestWithParam<FatalCase> {};

TEST_P(ViewKeyFatalDeathTest, StopsTheUnitWithItsFatalError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const FatalCase c = GetParam();
  std::filesystem::remove(dbtest::Install().install + "/FATAL.LOG");
  EXPECT_EXIT(
      {
        StartViewAndKeyboard();
        Write(CCST, STATE_NORMAL_RUN);
        c.run();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        _exit(1);
      },
      ::testing::ExitedWithCode(10), "");
  EXPECT_NE(std::string::npos, dbtest::FatalLog().find(c.text)) << dbtest::FatalLog();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewKeyFatalDeathTest,
    ::testing::Values(FatalCase{"MailboxKeyHeldByAnother", vMailboxKeyHeldByAnother,
                                "Somebody else registered the View Key Task Maibox"},
                      FatalCase{"ExitWithoutCurrentView", vExitWithoutCurrentView, "T_VIEW, no CVEW item"},
                      FatalCase{"ShutdownWithTimedOutCurrentView", vShutdownWithTimedOutCurrentView,
                                "T_VIEW, CVEW invalid"}),
    [](const ::testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

}  // namespace
