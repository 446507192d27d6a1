// Threading test: also runs under ThreadSanitizer.
// The sound task's menu items as the installed registration makes them:
// the sound volume slider on the Setup tab, the alarm volume slider on the
// Alarms tab, and the tone-mode selector only for a super user. The menu
// task runs on the test clock and is driven by key changes as the keyboard
// task sends them; the settings database shows what the items wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "source/core/core_upcalls.h"
#include "source/core/t_sound.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"
#include "tests/ui/menu_test_env.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

using menutest::Cursor;
using menutest::FetchU32;
using menutest::Key;
using menutest::PassSidewaysHoldOff;
using menutest::Press;
using menutest::Snapshot;

dbtest::TempInstall& s_install = dbtest::Install();

class SoundMenus : public ::testing::TestWithParam<BOOLEAN> {
 protected:
  void SetUp() override {
    menutest::StartMenuTask();
    menutest::ResetMenus();
    PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
    H_DATABASE_bUpdateValueU32(FCID("CUSR"), M_ADVANCED, P_NORMAL);
    for (FOURCHARID key : {FCID("SVOL"), FCID("SVOA")}) {
      H_DATABASE_bUpdateEverythingU32(key, 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    }
    H_DATABASE_bUpdateEverythingU32(FCID("STMD"), SOUND_MODE_ALL, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    // As the sound task does at its start, with SMSU as the parameter.
    T_SOUND_vRegisterMenus(GetParam());
    menutest::Sync();
  }
  void TearDown() override {
    if (Snapshot().kind != NO_MENU) Press(KEY_MASK_MENU);
    T_MENU_vRemoveMenus();
  }

  // From the tab bar down to the row of that title, ready to move sideways.
  void GoToRow(const std::string& title) {
    const std::vector<std::string> rows = Snapshot().rows;
    const auto at = std::find(rows.begin(), rows.end(), title);
    ASSERT_NE(at, rows.end()) << title;
    for (long i = 0; i <= at - rows.begin(); ++i) Cursor(CURSOR_SOUTH);
    ASSERT_EQ(Snapshot().rows[(size_t)Snapshot().selection], title);
    PassSidewaysHoldOff();
  }
  // Back up to the tab bar.
  void ToTabBar() {
    while (Snapshot().onRows) Cursor(CURSOR_NORTH);
    PassSidewaysHoldOff();
  }
};

// The volume sliders write when the cursor key is released, from 0 to 10
// in steps of 1; the tone-mode selector exists only for a super user and
// writes the value of its choice.
TEST_P(SoundMenus, SlidersAndToneModeOnTheirTabs) {
  const bool superUser = GetParam();
  Press(KEY_MASK_MENU);
  ASSERT_EQ(Snapshot().kind, MAIN_MENU);
  ASSERT_EQ(Snapshot().tab, ALARM_TAB_PRIORITY);
  EXPECT_EQ(Snapshot().rows, std::vector<std::string>{"Alarm Volume"});

  // Alarm volume: east steps up, west down, held at the limits.
  GoToRow("Alarm Volume");
  Key(KEY_MASK_CURSOR, KEY_DOWN, 1, CURSOR_EAST);
  EXPECT_EQ(FetchU32("SVOA"), 5u);
  Key(KEY_MASK_CURSOR, KEY_UP, 0, CURSOR_EAST);
  EXPECT_EQ(FetchU32("SVOA"), 6u);
  for (int i = 0; i < 8; ++i) Cursor(CURSOR_EAST);
  EXPECT_EQ(FetchU32("SVOA"), 10u);
  for (int i = 0; i < 12; ++i) Cursor(CURSOR_WEST);
  EXPECT_EQ(FetchU32("SVOA"), 0u);
  EXPECT_EQ(FetchU32("SVOL"), 5u);

  ToTabBar();
  Cursor(CURSOR_EAST);
  ASSERT_EQ(Snapshot().tab, SETUP_TAB_PRIORITY);
  const std::vector<std::string> rows = Snapshot().rows;
  EXPECT_EQ(std::count(rows.begin(), rows.end(), "Sound Volume"), 1);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), "/Tone Mode"), superUser ? 1 : 0);

  GoToRow("Sound Volume");
  Cursor(CURSOR_WEST);
  Cursor(CURSOR_WEST);
  EXPECT_EQ(FetchU32("SVOL"), 3u);
  EXPECT_EQ(FetchU32("SVOA"), 0u);

  if (superUser) {
    ToTabBar();
    GoToRow("/Tone Mode");
    Cursor(CURSOR_WEST);
    EXPECT_EQ(FetchU32("STMD"), (U32)SOUND_MODE_NO_KEYS);
    Cursor(CURSOR_WEST);
    EXPECT_EQ(FetchU32("STMD"), (U32)SOUND_MODE_SILENT);
    Cursor(CURSOR_EAST);
    Cursor(CURSOR_EAST);
    EXPECT_EQ(FetchU32("STMD"), (U32)SOUND_MODE_ALL);
  }
}

INSTANTIATE_TEST_SUITE_P(SuperUser, SoundMenus, ::testing::Values(FALSE, TRUE),
                         [](const ::testing::TestParamInfo<BOOLEAN>& info) {
                           return info.param ? std::string("SuperUser") : std::string("Normal");
                         });

}  // namespace
