// Threading test: also runs under ThreadSanitizer.
// The display task with the real keyboard task, on the test clock: the power
// key pressed at the keypad opens the power-key menu (checked against golden
// pictures), the cursor key changes its rows, power closes it; video out is
// detected through the detection file and switched through the encoder's
// script (recorded, never run); restoring the factory defaults resets the
// display task's saved settings; the backlight level reaches the panel's
// brightness file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "source/core/h_backlight.h"
#include "source/core/h_database.h"
#include "source/graphics/dd_lcd.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_display.h"
#include "source/platform/platform.h"
#include "source/ui/t_display_menu.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_keyboard_shutdown.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/key_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

keytest::KeyPipe& s_pipe = keytest::Pipe();
const bool s_bHeadless = [] {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("TESSIX_SCREEN_DIR");
  return true;
}();

constexpr SEMA SEMA_ACK = SEMA_USER_TEST;
constexpr SEMA SEMA_PROBE = SEMA_TEST_PARAMS;

void AdvanceClock(U32 ms) {
  static TIMER_INFO* s_probe = L_TIMER_Allocate();
  ASSERT_NE(nullptr, s_probe);
  ASSERT_EQ(s_probe, L_TIMER_Start(s_probe, ms, 0, SEMA_PROBE));
  PLATFORM_vTestClockAdvanceMs(ms);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_PROBE) == -lsSEMA_DONE; }));
  (void)L_TIMER_GetRemaining(s_probe);
  L_SEMA_SetPending(SEMA_PROBE);
}

// Returns once the task has handled everything sent to it before.
void Sync(MBOX mbox) {
  GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  m->Cmd = CMD_ID_WRITE_TO_NVR;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(mbox, m, 3, SEMA_ACK));
  H_MEMORY_vFree(m);
}

void SyncAll() {
  Sync(M_KEYB);
  Sync(M_DISPLAY);
  Sync(M_KEYB);
  Sync(M_DISPLAY);
}

void Send(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  m->Cmd = cmd;
  ASSERT_EQ(lsSUCCESS, L_MBOX_Send(mbox, m, 3, 0));
}

void KeyboardAtRest() {
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_TIMER_KEYB) == TASK_KBDTASK; }));
}

void Poll() {
  KeyboardAtRest();
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(KEYBOARD_POLL_PERIOD_MS);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; }));
}

void SetKey(int slot, bool pressed) {
  KeyboardAtRest();
  keytest::SetSlot(slot, pressed);
  Poll();
  SyncAll();
}

void Tap(int slot) {
  SetKey(slot, true);
  SetKey(slot, false);
}

U32 FetchU32(FOURCHARID key) {
  U32 v = 0xDEAD;
  (void)H_DATABASE_bFetchU32(key, &v);
  return v;
}

S32 FetchS32(FOURCHARID key) {
  S32 v = -999;
  (void)H_DATABASE_bFetchS32(key, &v);
  return v;
}

std::string HostPath(const char* path) { return PLATFORM_sResolvePath(path); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text;
}

// The power-key menu drawn on a screen of its own, as the view task draws it.
void ExpectMenuGolden(const char* name) {
  Canvas c(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x3A8F);
  T_DISPLAY_vDrawLayer(c.bmp(), nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, name);
}

class Unit : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(s_bHeadless);
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    PLATFORM_vTestClockAdvanceNs(1000000 - L_CLOCK_qwGetTimeInNans() % 1000000);
    H_DATABASE_vInit();
    // The panel's brightness file exists, as on the board.
    WriteFile(HostPath(H_BACKLIGHT_FILE), "");
    ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB));
    ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_KBDTASK));
    KeyboardAtRest();
    AdvanceClock(KEYBOARD_POLL_FIRST_MS);
    ASSERT_TRUE(WaitFor([] { return T_KEYBOARD_u32PollCount() > 0; }));
    ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_DISPLAY, SEMA_MBOX_DISPLAY));
    ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_DISPTASK));
    ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_DISPLAY) == TASK_DISPTASK; }));
    Send(M_DISPLAY, CMD_ID_RUN_SYSTEM);
    SyncAll();
  }
};
::testing::Environment* const s_env = ::testing::AddGlobalTestEnvironment(new Unit);

TEST(DisplayTask, StartsWithItsKeysAndTheBacklightAtFull) {
  EXPECT_EQ((U32)M_DISPLAY, FetchU32(FCID("TDSP")));
  void* page = nullptr;
  EXPECT_TRUE(H_DATABASE_bFetchVoidPointer(FCID("DSFB"), &page));
  EXPECT_NE(nullptr, page);
  EXPECT_EQ(1u, FetchU32(FCID("SPAL")));
  EXPECT_EQ(0u, FetchU32(FCID("SVOM")));
  EXPECT_EQ(DISPLAY_BACKLIGHT_MAX, FetchS32(FCID("CBAK")));
  EXPECT_EQ("0 0", ReadFile(HostPath(H_BACKLIGHT_FILE)));
  // Each level reaches the panel through the task's notice of CBAK; a
  // level out of range writes nothing.
  struct {
    S32 level;
    const char* written;
  } cases[] = {{0, "62 62"}, {7, "40 40"}, {11, "40 40"}, {10, "0 0"}};
  for (const auto& c : cases) {
    H_DATABASE_bUpdateValueS32(FCID("CBAK"), c.level, P_NORMAL);
    SyncAll();
    EXPECT_EQ(c.written, ReadFile(HostPath(H_BACKLIGHT_FILE))) << "level " << c.level;
  }
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
  SyncAll();
}

TEST(DisplayTask, PowerKeyBeforeTheQuickConfigurationOpensNoMenu) {
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
  Tap(DD_SLOT_POWER);
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
}

TEST(DisplayTask, PowerKeyMenuOpensMovesChangesAndCloses) {
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSEN"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), 7, P_NORMAL);
  SyncAll();
  Tap(DD_SLOT_POWER);
  ASSERT_TRUE(T_DISPLAY_bPowerKeyMenuDisplayed());
  // No autopilot: the menu opens on Sonar with its three rows.
  EXPECT_EQ(PwrMnu_Sonar_Control, T_DISPLAY_eHighlightedRow());
  ExpectMenuGolden("display/power_key_menu");

  // South to Light, up a level; then to Background and round to Sonar.
  Tap(DD_SLOT_CURSOR_SOUTH);
  EXPECT_EQ(PwrMnu_Backlight_Adj, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_CURSOR_EAST);
  EXPECT_EQ(8, FetchS32(FCID("CBAK")));
  ExpectMenuGolden("display/power_key_menu_light");
  Tap(DD_SLOT_CURSOR_SOUTH);
  EXPECT_EQ(PwrMnu_Contrast_Adj, T_DISPLAY_eHighlightedRow());
  // Background: White, Blue, Black, and no further.
  struct {
    int slot;
    U32 palette;
  } steps[] = {{DD_SLOT_CURSOR_EAST, 2}, {DD_SLOT_CURSOR_EAST, 3}, {DD_SLOT_CURSOR_EAST, 3},
               {DD_SLOT_CURSOR_WEST, 2}, {DD_SLOT_CURSOR_WEST, 1}, {DD_SLOT_CURSOR_WEST, 1}};
  for (const auto& s : steps) {
    Tap(s.slot);
    EXPECT_EQ(s.palette, FetchU32(FCID("SPAL")));
  }
  Tap(DD_SLOT_CURSOR_SOUTH);
  EXPECT_EQ(PwrMnu_Sonar_Control, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_CURSOR_NORTH);
  EXPECT_EQ(PwrMnu_Contrast_Adj, T_DISPLAY_eHighlightedRow());

  // Closing keeps a level changed in the menu.
  Tap(DD_SLOT_POWER);
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
  EXPECT_EQ(8, FetchS32(FCID("CBAK")));

  // Opening and closing (EXIT) without a change restores the saved level,
  // even when something else changed it meanwhile.
  Tap(DD_SLOT_POWER);
  ASSERT_TRUE(T_DISPLAY_bPowerKeyMenuDisplayed());
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), 3, P_NORMAL);
  Tap(DD_SLOT_EXIT);
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
  EXPECT_EQ(8, FetchS32(FCID("CBAK")));
}

// Dimming the light in the menu is kept on closing, as brightening is.
TEST(DisplayTask, DimmingInTheMenuIsKept) {
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), 5, P_NORMAL);
  SyncAll();
  Tap(DD_SLOT_POWER);
  ASSERT_TRUE(T_DISPLAY_bPowerKeyMenuDisplayed());
  Tap(DD_SLOT_CURSOR_SOUTH);
  ASSERT_EQ(PwrMnu_Backlight_Adj, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_CURSOR_WEST);
  Tap(DD_SLOT_CURSOR_WEST);
  EXPECT_EQ(3, FetchS32(FCID("CBAK")));
  Tap(DD_SLOT_POWER);
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
  EXPECT_EQ(3, FetchS32(FCID("CBAK")));
  EXPECT_EQ(std::to_string(H_BACKLIGHT_s32Brightness(3)) + " " + std::to_string(H_BACKLIGHT_s32Brightness(3)),
            ReadFile(HostPath(H_BACKLIGHT_FILE)));
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
  SyncAll();
}

TEST(DisplayTask, AutopilotRowsFollowItsKeys) {
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSEN"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SPAL"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), 8, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPNE"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPPL"), 0, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPCA"), 0, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPMS"), NG_PAUSED, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("IPPT"), 9.8f, P_NORMAL);
  SyncAll();
  Tap(DD_SLOT_POWER);
  ASSERT_TRUE(T_DISPLAY_bPowerKeyMenuDisplayed());
  EXPECT_EQ(PwrMnu_Prop_Control, T_DISPLAY_eHighlightedRow());
  ExpectMenuGolden("display/power_key_menu_autopilot");
  // North from Prop wraps to Background; south from there to Prop.
  Tap(DD_SLOT_CURSOR_NORTH);
  EXPECT_EQ(PwrMnu_Contrast_Adj, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_CURSOR_SOUTH);
  EXPECT_EQ(PwrMnu_Prop_Control, T_DISPLAY_eHighlightedRow());
  // Prop speed steps by 0.5 within 0 and 10.
  Tap(DD_SLOT_CURSOR_SOUTH);
  EXPECT_EQ(PwrMnu_Prop_Thrust, T_DISPLAY_eHighlightedRow());
  F32 speed = -1;
  Tap(DD_SLOT_CURSOR_EAST);
  H_DATABASE_bFetchFloat(FCID("IPPT"), &speed);
  EXPECT_FLOAT_EQ(10.0f, speed);
  Tap(DD_SLOT_CURSOR_EAST);
  H_DATABASE_bFetchFloat(FCID("IPPT"), &speed);
  EXPECT_FLOAT_EQ(10.0f, speed);
  H_DATABASE_bUpdateValueFloat(FCID("IPPT"), 0.2f, P_NORMAL);
  Tap(DD_SLOT_CURSOR_WEST);
  H_DATABASE_bFetchFloat(FCID("IPPT"), &speed);
  EXPECT_FLOAT_EQ(0.0f, speed);
  // The prop locked out while its row is highlighted: the highlight moves
  // to the motor row of the state (Stow while paused).
  H_DATABASE_bUpdateValueU32(FCID("IPPL"), 1, P_NORMAL);
  SyncAll();
  EXPECT_EQ(PwrMnu_Motor_Stow, T_DISPLAY_eHighlightedRow());
  // The motor deploying: Pause.
  H_DATABASE_bUpdateValueU32(FCID("IPMS"), NG_DEPLOYING, P_NORMAL);
  SyncAll();
  EXPECT_EQ(PwrMnu_Motor_Pause, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_EXIT);
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
  for (const char* key : {"IPNE", "IPPL", "IPCA", "IPMS"}) {
    H_DATABASE_bUpdateValueU32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), 0, P_NORMAL);
  }
  SyncAll();
}

// With cruise control on, Prop Speed is hidden: south from Prop reaches the
// next row shown (Deploy while stowed), never a hidden one; and a highlight
// whose row goes away moves to a row that is shown.
TEST(DisplayTask, HighlightNeverRestsOnAHiddenRow) {
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPNE"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPPL"), 0, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPCA"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IPMS"), NG_STOWED, P_NORMAL);
  SyncAll();
  Tap(DD_SLOT_POWER);
  ASSERT_TRUE(T_DISPLAY_bPowerKeyMenuDisplayed());
  EXPECT_EQ(PwrMnu_Prop_Control, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_CURSOR_SOUTH);
  EXPECT_EQ(PwrMnu_Motor_Deploy, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_CURSOR_NORTH);
  EXPECT_EQ(PwrMnu_Prop_Control, T_DISPLAY_eHighlightedRow());
  // Autopilot navigation off while Prop is highlighted: not the hidden Stow
  // row but the next one shown.
  H_DATABASE_bUpdateValueU32(FCID("IPNE"), 0, P_NORMAL);
  SyncAll();
  EXPECT_EQ(PwrMnu_Motor_Deploy, T_DISPLAY_eHighlightedRow());
  // The motor state unknown: no motor row is left, Sonar is next.
  H_DATABASE_bUpdateValueU32(FCID("IPMS"), NG_UNKNOWN, P_NORMAL);
  SyncAll();
  EXPECT_EQ(PwrMnu_Sonar_Control, T_DISPLAY_eHighlightedRow());
  Tap(DD_SLOT_EXIT);
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
  for (const char* key : {"IPNE", "IPPL", "IPCA", "IPMS"}) {
    H_DATABASE_bUpdateValueU32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), 0, P_NORMAL);
  }
  SyncAll();
}

TEST(DisplayTask, VideoOutIsDetectedAndSwitched) {
  const std::string detect = HostPath(DD_LCD_pcTvDetectFile);
  std::filesystem::remove(detect);
  PLATFORM_vClearCommands();
  // Chosen with no television: the encoder runs in NTSC for detection and
  // the check polls once a second.
  H_DATABASE_bUpdateValueU32(FCID("SVOM"), M_VIDEO_MODE_PAL, P_NORMAL);
  SyncAll();
  EXPECT_TRUE(T_DISPLAY_bVideoOutChecking());
  AdvanceClock(1000);
  SyncAll();
  AdvanceClock(1000);
  SyncAll();
  EXPECT_TRUE(T_DISPLAY_bVideoOutChecking());
  EXPECT_FALSE(T_DISPLAY_bVideoOutConnected());
  // A detection file that says no television is no television either.
  WriteFile(detect, "0");
  AdvanceClock(1000);
  SyncAll();
  EXPECT_FALSE(T_DISPLAY_bVideoOutConnected());
  // Plugged in: the chosen mode within a second, and the polling stops.
  WriteFile(detect, "1");
  AdvanceClock(1000);
  SyncAll();
  EXPECT_TRUE(T_DISPLAY_bVideoOutConnected());
  EXPECT_FALSE(T_DISPLAY_bVideoOutChecking());
  EXPECT_TRUE(DD_LCD_bTelevisionOn());
  // A new mode while connected switches at once; PAL-N runs as PAL; off.
  H_DATABASE_bUpdateValueU32(FCID("SVOM"), M_VIDEO_MODE_NTSC_J, P_NORMAL);
  SyncAll();
  H_DATABASE_bUpdateValueU32(FCID("SVOM"), M_VIDEO_MODE_PAL_N, P_NORMAL);
  SyncAll();
  H_DATABASE_bUpdateValueU32(FCID("SVOM"), 0, P_NORMAL);
  SyncAll();
  EXPECT_FALSE(T_DISPLAY_bVideoOutConnected());
  EXPECT_FALSE(DD_LCD_bTelevisionOn());
  const std::vector<std::string> expected = {"omap_dss2_venc.sh on ntsc", "omap_dss2_venc.sh on pal",
                                             "omap_dss2_venc.sh on ntsc-j", "omap_dss2_venc.sh on pal",
                                             "omap_dss2_venc.sh off"};
  EXPECT_EQ(expected, PLATFORM_vecCommands());
  // With SVOM at 0 a check still starts the encoder, and the first expiry
  // switches it off again and stops.
  PLATFORM_vClearCommands();
  Send(M_DISPLAY, CMD_ID_START_VIDEO_OUT_CHECK);
  SyncAll();
  EXPECT_TRUE(T_DISPLAY_bVideoOutChecking());
  AdvanceClock(1000);
  SyncAll();
  EXPECT_FALSE(T_DISPLAY_bVideoOutChecking());
  EXPECT_EQ((std::vector<std::string>{"omap_dss2_venc.sh on ntsc", "omap_dss2_venc.sh off"}), PLATFORM_vecCommands());
}

TEST(DisplayTask, RestoringFactoryDefaultsResetsTheSavedSettings) {
  H_DATABASE_bUpdateValueU32(FCID("SPAL"), 3, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SVOM"), M_VIDEO_MODE_NTSC, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), FALSE, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(FCID("SDBV"), FALSE, P_NORMAL);
  H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  SyncAll();
  // An open power-key menu closes too.
  Tap(DD_SLOT_POWER);
  ASSERT_TRUE(T_DISPLAY_bPowerKeyMenuDisplayed());
  T_KEYBOARD_vRestoreFactoryDefaults();
  SyncAll();
  EXPECT_EQ(1u, FetchU32(FCID("SPAL")));
  EXPECT_EQ(0u, FetchU32(FCID("SVOM")));
  EXPECT_EQ((U32)TRUE, FetchU32(FCID("SRDF")));
  EXPECT_EQ((U32)TRUE, FetchU32(FCID("SDBV")));
  EXPECT_FALSE(T_DISPLAY_bPowerKeyMenuDisplayed());
  AdvanceClock(1000);
  SyncAll();
}

// The count-down box: the digit in the placeholder, then "Shutting Down...".
TEST(DisplayTask, ShutdownCountdownBox) {
  Canvas c(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x3A8F);
  T_KEYBOARD_vDrawShutdownMessage(c.bmp(), nullptr);  // no message yet: an empty box
  SetKey(DD_SLOT_POWER, true);
  AdvanceClock(KEYBOARD_POWER_STAGE_MS);
  Poll();
  SyncAll();
  EXPECT_TRUE(T_KEYBOARD_bShutdownCountdownShown());
  c.clear(0x3A8F);
  T_KEYBOARD_vDrawShutdownMessage(c.bmp(), nullptr);
  EXPECT_STREQ("Shutdown in 2 seconds", T_KEYBOARD_pcShutdownMessageText());
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "display/shutdown_countdown");
  AdvanceClock(KEYBOARD_POWER_STAGE_MS);
  Poll();
  SyncAll();
  T_KEYBOARD_vDrawShutdownMessage(c.bmp(), nullptr);
  EXPECT_STREQ("Shutdown in 1 seconds", T_KEYBOARD_pcShutdownMessageText());
  // Let go before the third second: the box goes and nothing shuts down.
  SetKey(DD_SLOT_POWER, false);
  EXPECT_FALSE(T_KEYBOARD_bShutdownCountdownShown());
}

}  // namespace
