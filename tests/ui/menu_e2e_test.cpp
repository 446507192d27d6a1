// Threading test: also runs under ThreadSanitizer.
// The menus as the user meets them: the display pages and the keyboard, view
// and menu tasks run together in this process, on the test clock, with the
// headless screen. Menus are built through the menu client functions; keys
// are pressed as the keypad reports them, as input_event records written into
// the key input device. What the menus changed is read back from the
// settings database, what they showed from the page on display (checked
// against golden pictures) and from the screen picture screen.png.
//
// Every step is ordered by waiting until the task concerned has handled it
// (its mailbox acknowledged, its poll made, the timer thread past the
// moment); the clock moves only when the test moves it: one 25 ms key poll
// per key change, the view's 100 ms pacing, the menus' hold-offs.
#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/db_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "source/graphics/dd_lcd.h"
#include "source/graphics/g_box.h"
#include "source/core/h_database.h"
#include "source/graphics/h_display.h"
#include "source/platform/platform.h"
#include "source/platform/host/host_png.h"
#include "source/platform/host/host_screen.h"
#include "source/ui/ui_upcalls.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/t_menu_int.h"
#include "source/graphics/t_view.h"
#include "source/ui/u_menu.h"
#include "source/graphics/u_view.h"
#include "common/view_types.h"
#include "tests/support/key_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/wait_for.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

constexpr int W = G_SCREEN_WIDTH;
constexpr int H = G_SCREEN_HEIGHT;

// Semaphores nothing else in this program uses: acknowledgements of the
// test's own messages, and the probe timer that shows that the timer thread
// has handled a moment.
constexpr SEMA SEMA_ACK = SEMA_USER_TEST;
constexpr SEMA SEMA_PROBE = SEMA_TEST_PARAMS;

// The key input device (a named pipe under a host root of this process's
// own) and the headless screen's folder, both set up before anything starts.
keytest::KeyPipe& s_pipe = keytest::Pipe();

const std::string& ScreenDir() {
  static const std::string dir = [] {
    std::string d = dbtest::Install().base + "/screen";
    PLATFORM_bMakeDirs(d.c_str());
    setenv("TESSIX_SCREEN_DIR", d.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    return d;
  }();
  return dir;
}
const std::string& s_screenDir = ScreenDir();

// ------------------------------------------------------------ the menus of the test

#define E2E_TEXT(name, text)                                                                                \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
E2E_TEXT(s_txtSonar, "Sonar");
E2E_TEXT(s_txtGain, "Gain");
E2E_TEXT(s_txtPalette, "Palette");
E2E_TEXT(s_txtBlue, "Blue");
E2E_TEXT(s_txtGreen, "Green");
E2E_TEXT(s_txtAmber, "Amber");
E2E_TEXT(s_txtAdvanced, "Advanced");
E2E_TEXT(s_txtSonarAdvanced, "Sonar Advanced");
E2E_TEXT(s_txtDepthOffset, "Depth Offset");
E2E_TEXT(s_txtUnits, "Units");
E2E_TEXT(s_txtFeet, "Feet");
E2E_TEXT(s_txtMetres, "Metres");
E2E_TEXT(s_txtFathoms, "Fathoms");
E2E_TEXT(s_txtShowView, "Show View");
E2E_TEXT(s_txtDepthUnits, "Depth Units");
E2E_TEXT(s_txtChart, "Chart");
E2E_TEXT(s_txtRadar, "Radar");
#undef E2E_TEXT

const MENU_LIMITS s_gainLimits[] = {{U_NONE, 0.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_offsetLimits[] = {{U_NONE, -20.0f, 20.0f, 1.0f}};
const U32 s_au32Palettes[] = {10, 20, 30};
const DB_TEXT_RECORD s_apPalettes[] = {s_txtBlue, s_txtGreen, s_txtAmber};
const U32 s_au32Units[] = {0, 1, 2};
const DB_TEXT_RECORD s_apUnits[] = {s_txtFeet, s_txtMetres, s_txtFathoms};
const DB_TEXT_RECORD s_apAdvancedChoices[] = {s_txtAdvanced};
const DB_TEXT_RECORD s_apAdvancedNames[] = {s_txtSonarAdvanced};
const U32 s_au32Views[] = {1, 2, 3};
const DB_TEXT_RECORD s_apViews[] = {s_txtSonar, s_txtChart, s_txtRadar};

constexpr FOURCHARID KEY_GAIN = FCID("SGAN");
constexpr FOURCHARID KEY_PALETTE = FCID("SPAL");
constexpr FOURCHARID KEY_OFFSET = FCID("SDOF");
constexpr FOURCHARID KEY_UNITS = FCID("SUNI");
constexpr FOURCHARID KEY_SHOWN_VIEW = FCID("SVSL");

// The current view: a plain sea with a darker bottom band.
constexpr LAYER_ID VIEW = SONAR_VIEW_PRIORITY;
constexpr COLOR SEA = 0x0339;
constexpr COLOR BOTTOM = 0x4208;
constexpr int BOTTOM_BAND_HEIGHT = 120;

void vDrawSea(BITMAP* page, const WINDOW_SPECIFICATION* ws) {
  const WINDOW_LOCATION& w = ws->drawWindow;
  const U32 width = (U32)(w.s32ClipRight - w.s32ClipLeft + 1);
  G_BOX_vDrawFilled(page, SEA, POINT{w.s32ClipLeft, w.s32ClipBottom}, width,
                    (U32)(w.s32ClipTop - w.s32ClipBottom + 1));
  G_BOX_vDrawFilled(page, BOTTOM, POINT{w.s32ClipLeft, w.s32ClipBottom}, width, BOTTOM_BAND_HEIGHT);
}

// ------------------------------------------------------------ ordering the tasks

// Sends a bare command the task disposes of without effect and returns once
// it has: everything sent to it before (at the same or a more urgent message
// priority) has been handled.
void Sync(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  ASSERT_NE(nullptr, m);
  m->Cmd = cmd;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(mbox, m, 3, SEMA_ACK));
  H_MEMORY_vFree(m);
}
void SyncMenu() { Sync(M_MENU, CMD_ID_WRITE_TO_NVR); }
void SyncKeyboard() { Sync(M_KEYB, CMD_ID_RESET_POS); }

// The view task has handled all it was given and sleeps on its semaphores
// with none of them signalled.
void QuiesceView() {
  Sync(M_VIEW, CMD_ID_SHUTDOWN);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_VIEW) == TASK_VIEWTASK; }))
      << "the view task does not come to rest";
}

// The keyboard task is between polls, with no poll signalled.
void KeyboardAtRest() {
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_TIMER_KEYB) == TASK_KBDTASK; }))
      << "the keyboard task does not come to rest";
}

// Moves the clock on and returns once the timer thread has signalled every
// timer due by then.
void AdvanceClock(U32 ms) {
  static TIMER_INFO* s_probe = L_TIMER_Allocate();
  ASSERT_NE(nullptr, s_probe);
  ASSERT_EQ(s_probe, L_TIMER_Start(s_probe, ms, 0, SEMA_PROBE));
  PLATFORM_vTestClockAdvanceMs(ms);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_PROBE) == -lsSEMA_DONE; }))
      << "the timer thread did not reach the moment";
  // The timer thread signals a whole pass under its lock: once a timer call
  // gets the lock, every timer due with the probe has been signalled.
  (void)L_TIMER_GetRemaining(s_probe);
  L_SEMA_SetPending(SEMA_PROBE);
}

// One key poll: the clock moves one poll period and the keyboard task polls.
// It was at rest before, so the poll sees every key change made before.
void Poll() {
  KeyboardAtRest();
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(KEYBOARD_POLL_PERIOD_MS);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; })) << "no key poll";
}

// Lets everything the last key started run its course: the menu task's key
// handling, the key registrations it sent, the layers and pages it asked
// for; then the view's pacing runs out, so the last page asked for is shown.
void Settle() {
  SyncMenu();
  SyncKeyboard();
  QuiesceView();
  AdvanceClock(VIEW_REFRESH_INTERVAL_MS);
  QuiesceView();
}

// A key change at the keypad, seen by one poll and handled by every task.
// The keyboard task is at rest first: a poll still due from an earlier move
// of the clock would otherwise see the change at that earlier moment.
void SetKey(int slot, bool pressed) {
  KeyboardAtRest();
  keytest::SetSlot(slot, pressed);
  Poll();
  SyncMenu();
  SyncKeyboard();
}

// A press and release of a keypad key.
void Tap(int slot) {
  SetKey(slot, true);
  SetKey(slot, false);
}

// East and west act only half a second after an opening, north or south.
void PassSidewaysHoldOff() { AdvanceClock(600); }

// ------------------------------------------------------------ what was changed and shown

U32 FetchU32(FOURCHARID key) {
  U32 value = 0xDEADBEEF;
  H_DATABASE_bFetchU32(key, &value);
  return value;
}

S32 FetchS32(FOURCHARID key) {
  S32 value = -9999;
  H_DATABASE_bFetchS32(key, &value);
  return value;
}

// The main-menu tab selected now.
S32 SelectedTab() {
  L_MUTEX_LockWait(RES_MENU);
  const S32 tab = s_activeTab;
  L_MUTEX_Unlock(RES_MENU);
  return tab;
}

// The page on display, top row first.
std::vector<U16> ShownPage() {
  const U16* p = reinterpret_cast<const U16*>(H_DISPLAY_psbGetFrameBufferPointer());
  if (p == nullptr) return {};
  return std::vector<U16>(p, p + (size_t)W * H);
}

// Moves the clock on until the headless screen has written the page on
// display as screen.png (at most one picture every interval).
bool ScreenPictureShows(const std::vector<U16>& page) {
  const std::string path = s_screenDir + "/screen.png";
  for (int i = 0; i < 50; ++i) {
    AdvanceClock(HOST_SCREEN_MIN_INTERVAL_MS);
    for (int j = 0; j < 200; ++j) {
      std::vector<U16> pixels;
      int w = 0, h = 0;
      if (HOST_bReadPng565(path.c_str(), &pixels, &w, &h) && w == W && h == H && pixels == page) return true;
      usleep(1000);
    }
  }
  return false;
}

// The shown page matches the golden picture, and the screen picture shows it.
void ExpectScreen(const char* golden) {
  const std::vector<U16> page = ShownPage();
  ASSERT_EQ((size_t)W * H, page.size()) << "nothing on display";
  ExpectMatchesGolden(page.data(), W, H, W, golden);
  EXPECT_TRUE(ScreenPictureShows(page)) << "screen.png does not show the page on display (" << golden << ")";
}

// Pixels of the page on display that are not the bare view's (the sea and
// its bottom band); -1 when nothing is on display.
int PixelsOverTheView() {
  const std::vector<U16> page = ShownPage();
  if (page.size() != (size_t)W * H) return -1;
  int over = 0;
  for (int y = 0; y < H; ++y) {
    const COLOR expected = y >= H - BOTTOM_BAND_HEIGHT ? BOTTOM : SEA;
    for (int x = 0; x < W; ++x) over += page[(size_t)y * W + x] != expected;
  }
  return over;
}

void ExpectBareView() { EXPECT_EQ(0, PixelsOverTheView()) << "the page does not show the bare view"; }

// ------------------------------------------------------------ the unit

void StartTask(S32 task, MBOX mbox, SEMA sema, const char (&key)[5]) {
  ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(mbox, sema));
  ASSERT_EQ(lsSUCCESS, L_TASK_Start(task));
  U32 value = 0;
  ASSERT_TRUE(WaitFor([&] { return H_DATABASE_bFetchU32(FCID(key), &value) && value == (U32)mbox; }))
      << "task " << key << " did not start";
}

void RunSystem(MBOX mbox) {
  GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  ASSERT_NE(nullptr, m);
  m->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(mbox, m, 3, SEMA_ACK));
  H_MEMORY_vFree(m);
}

class UnitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    // Whole milliseconds since the clock's start, so that the tasks' tick
    // arithmetic sees exactly the steps the test takes.
    PLATFORM_vTestClockAdvanceNs(1000000 - L_CLOCK_qwGetTimeInNans() % 1000000);
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();

    // The display pages, as the display task sets them up first of all.
    H_DISPLAY_vInitScreen(M_DISPLAY);
    DD_LCD_vCLS();

    StartTask(TASK_VIEWTASK, M_VIEW, SEMA_MBOX_VIEW, "TVUE");
    StartTask(TASK_KBDTASK, M_KEYB, SEMA_MBOX_KEYB, "TKBD");
    KeyboardAtRest();
    AdvanceClock(KEYBOARD_POLL_FIRST_MS);
    ASSERT_TRUE(WaitFor([] { return T_KEYBOARD_u32PollCount() > 0; })) << "no first key poll";
    StartTask(TASK_MENUTASK, M_MENU, SEMA_MBOX_MENU, "TMNU");
    for (MBOX m : {M_VIEW, M_KEYB, M_MENU}) RunSystem(m);
    SyncKeyboard();  // the MENU key the menu task registered

    // The settings the menus change, and the view they are shown over.
    H_DATABASE_bUpdateEverythingU32(KEY_GAIN, 5, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(KEY_PALETTE, 10, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingS32(KEY_OFFSET, 0, P_NORMAL, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(KEY_UNITS, 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(KEY_SHOWN_VIEW, 1, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    ASSERT_TRUE(U_VIEW_bRegisterLayer(vDrawSea, VIEW, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr, nullptr));
    QuiesceView();
    H_DATABASE_bUpdateValueS32(FCID("CVEW"), VIEW, P_NORMAL);

    // A main-menu tab with a numeric entry, a selector and a sub menu that
    // holds a signed numeric entry and another selector; the first-start
    // quick setup menu; the quick-access menu of the virtual display view
    // (the view-selection menu).
    ASSERT_TRUE(U_MENU_bRegisterTab(s_txtSonar, SONAR_TAB_PRIORITY, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainNumEntryMenu(s_txtGain, s_txtSonar, MENU_SENSITIVITY, KEY_GAIN, s_gainLimits,
                                                 nullptr, nullptr, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainSelectorMenu(s_txtPalette, s_txtSonar, MENU_SONAR_COLORS, KEY_PALETTE, 3,
                                                 s_apPalettes, s_au32Palettes, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterSubMenu(s_txtSonarAdvanced, NO_PRIORITY, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainSubMenu(s_txtAdvanced, s_txtSonar, MENU_SONAR_DEBUG, s_apAdvancedChoices,
                                            s_apAdvancedNames, nullptr, 1, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterSubMenuNumEntryMenu(s_txtDepthOffset, s_txtSonarAdvanced, nullptr, MENU_PRIORITY_0,
                                                    KEY_OFFSET, s_offsetLimits, nullptr, nullptr, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(s_txtUnits, s_txtSonarAdvanced, nullptr, MENU_PRIORITY_1,
                                                    KEY_UNITS, 3, s_apUnits, s_au32Units, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterQuickSelectorMenu(s_txtDepthUnits, MENU_PRIORITY_0, KEY_UNITS, 3, s_apUnits,
                                                  s_au32Units, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterHotSelectorMenu(s_txtShowView, nullptr, MENU_VIEW_SELECTION, KEY_SHOWN_VIEW, 3,
                                                s_apViews, s_au32Views, M_BASIC, VIRTUAL_DISPLAY_VIEW_LAYER,
                                                SPLIT_FULL_WINDOW));
    SyncMenu();
    Settle();
  }
  // The screen's last picture is written while its folder still exists.
  void TearDown() override { HOST_SCREEN_vStop(); }
};
::testing::Environment* const s_env = ::testing::AddGlobalTestEnvironment(new UnitEnvironment);

class MenuEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    // Any EXIT hold-off of an earlier test has run out.
    AdvanceClock(MENU_EXIT_HOLD_OFF_MS + 100);
    Settle();
    ASSERT_EQ(NO_MENU, T_MENU_eActiveMenu());
    ASSERT_EQ(0, PixelsOverTheView()) << "the page does not start with the bare view";
  }
  void TearDown() override {
    keytest::ReleaseAll();
    Poll();
    T_MENU_vRemoveMenus();
    Settle();
  }
};

// ------------------------------------------------------------ the tests

TEST_F(MenuEndToEnd, MainMenuTabsSubMenuAndValuesThroughTheKeypad) {
  // MENU: the view has no quick-access menu, so the main menu opens on its
  // tab bar, first tab selected.
  Tap(DD_SLOT_MENU);
  EXPECT_EQ(MAIN_MENU, T_MENU_eActiveMenu());
  EXPECT_EQ((U32)MAIN_MENU, FetchU32(FCID("CMNU")));
  EXPECT_EQ(SONAR_TAB_PRIORITY, SelectedTab());

  // East and west move between the tabs (the menu task's own Setup tab).
  PassSidewaysHoldOff();
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(SETUP_TAB_PRIORITY, SelectedTab());
  Tap(DD_SLOT_CURSOR_WEST);
  EXPECT_EQ(SONAR_TAB_PRIORITY, SelectedTab());

  // South onto the rows: two steps up of the numeric entry.
  Tap(DD_SLOT_CURSOR_SOUTH);
  PassSidewaysHoldOff();
  Tap(DD_SLOT_CURSOR_EAST);
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(7u, FetchU32(KEY_GAIN));

  // The selector: the next choice's value.
  Tap(DD_SLOT_CURSOR_SOUTH);
  PassSidewaysHoldOff();
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(20u, FetchU32(KEY_PALETTE));

  // The sub-menu row: east opens the sub menu.
  Tap(DD_SLOT_CURSOR_SOUTH);
  PassSidewaysHoldOff();
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(MAIN_SUB_MENU, T_MENU_eActiveMenu());
  EXPECT_EQ((U32)MAIN_SUB_MENU, FetchU32(FCID("CMNU")));

  // In it: the signed entry goes below zero, the selector to its last choice
  // and no further.
  Tap(DD_SLOT_CURSOR_WEST);
  Tap(DD_SLOT_CURSOR_WEST);
  Tap(DD_SLOT_CURSOR_WEST);
  EXPECT_EQ(-3, FetchS32(KEY_OFFSET));
  Tap(DD_SLOT_CURSOR_SOUTH);
  PassSidewaysHoldOff();
  for (int i = 0; i < 3; ++i) Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(2u, FetchU32(KEY_UNITS));
  Settle();
  ExpectScreen("menu_e2e/sub_menu");

  // EXIT: back to the main menu, on the row that opened the sub menu.
  Tap(DD_SLOT_EXIT);
  EXPECT_EQ(MAIN_MENU, T_MENU_eActiveMenu());
  Settle();
  ExpectScreen("menu_e2e/main_menu");

  // MENU closes the menus; the page shows the bare view again.
  Tap(DD_SLOT_MENU);
  EXPECT_EQ(NO_MENU, T_MENU_eActiveMenu());
  EXPECT_EQ((U32)NO_MENU, FetchU32(FCID("CMNU")));
  Settle();
  ExpectBareView();

  // The menus keep the keys no longer: a cursor press reaches nobody (the
  // keyboard task gives the bad click), and the values stay as the menus
  // left them.
  AdvanceClock(MENU_EXIT_HOLD_OFF_MS + 100);
  SyncMenu();
  SyncKeyboard();
  L_SEMA_SetPending(SEMA_KEYCLICK_BAD);
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(-lsSEMA_DONE, L_SEMA_GetWaitingTaskID(SEMA_KEYCLICK_BAD));
  EXPECT_EQ(7u, FetchU32(KEY_GAIN));
  EXPECT_EQ(20u, FetchU32(KEY_PALETTE));
  EXPECT_EQ(-3, FetchS32(KEY_OFFSET));
  EXPECT_EQ(2u, FetchU32(KEY_UNITS));
}

// Counts the rebuilds of the view-selection menu's items.
std::atomic<U32> s_u32ViewMenus{0};
void vFakeRegisterSelectViewMenu(void) { s_u32ViewMenus.fetch_add(1); }

TEST_F(MenuEndToEnd, ViewKeyHeldOpensTheViewSelectionMenu) {
  GUI_vRegisterSelectViewMenu_Install(&vFakeRegisterSelectViewMenu);
  const U32 opened = s_u32ViewMenus.load();

  // Held a second: nothing yet. Just after it the view-selection menu (the
  // quick-access menu of the virtual display view) opens and is shown while
  // the key is still down.
  SetKey(DD_SLOT_VIEW, true);
  for (U32 t = KEYBOARD_POLL_PERIOD_MS; t <= KEYBOARD_LONG_VIEW_MS; t += KEYBOARD_POLL_PERIOD_MS) Poll();
  SyncMenu();
  EXPECT_EQ(NO_MENU, T_MENU_eActiveMenu());
  EXPECT_EQ(opened, s_u32ViewMenus.load());
  Poll();
  EXPECT_EQ(opened + 1, s_u32ViewMenus.load());
  EXPECT_EQ(EXPRESS_MENU, T_MENU_eActiveMenu());
  EXPECT_EQ((U32)EXPRESS_MENU, FetchU32(FCID("CMNU")));
  Settle();
  ExpectScreen("menu_e2e/view_selection");

  // The release hands the held-back press to the menu, which stays open.
  SetKey(DD_SLOT_VIEW, false);
  EXPECT_EQ(EXPRESS_MENU, T_MENU_eActiveMenu());

  // The menu has the keys now: east picks the next choice.
  PassSidewaysHoldOff();
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(2u, FetchU32(KEY_SHOWN_VIEW));

  // EXIT closes it, and the page shows the bare view again.
  Tap(DD_SLOT_EXIT);
  EXPECT_EQ(NO_MENU, T_MENU_eActiveMenu());
  EXPECT_EQ((U32)NO_MENU, FetchU32(FCID("CMNU")));
  Settle();
  ExpectBareView();
  EXPECT_EQ(opened + 1, s_u32ViewMenus.load());
  GUI_vRegisterSelectViewMenu_Install(nullptr);
}

TEST_F(MenuEndToEnd, QuickSetupMenuOpenedByTheStartUpTaskShowsUntilExit) {
  // The start-up task opens the first-start quick setup menu by a call in its
  // own thread; the menu is on the next page without any key.
  T_MENU_vActivateQuickMenu();
  SyncKeyboard();
  Settle();
  EXPECT_EQ(QUICK_SETUP_MENU, T_MENU_eActiveMenu());
  EXPECT_GT(PixelsOverTheView(), 0) << "the quick setup menu is not shown";

  // EXIT at the keypad ends it.
  Tap(DD_SLOT_EXIT);
  EXPECT_EQ(NO_MENU, T_MENU_eActiveMenu());
  Settle();
  ExpectBareView();
}

}  // namespace
