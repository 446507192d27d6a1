// Threading test: also runs under ThreadSanitizer.
// Keys and values of the menus: the stepping rules as tables, and the menu
// task driven through its mailbox with key changes as the keyboard task
// sends them, on the test clock. The settings database shows what the menus
// wrote; the stand-in keyboard and view mailboxes show which keys and
// layers the menu task holds.
#include <gtest/gtest.h>
#include <math.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "source/ui/ui_upcalls.h"
#include "tests/ui/menu_test_env.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

using menutest::Cursor;
using menutest::FetchFloat;
using menutest::FetchU32;
using menutest::Key;
using menutest::PassSidewaysHoldOff;
using menutest::Press;
using menutest::Snapshot;
using menutest::Text;

dbtest::TempInstall& s_install = dbtest::Install();

// ------------------------------------------------------------ stepping rules
struct StepCase {
  const char* name;
  BOOLEAN up;
  DATA_FORMAT format;
  double shown, min, max, step;
  U32 count;
  double expected;
  BOOLEAN moved;
};

DB_DATA_TYPE Value(double d, DATA_FORMAT format) {
  if (format == DF_FLOAT) return DB_dataFloat((F32)d);
  if (format == DF_UNSIGNED32) return DB_dataU32((U32)d);
  return DB_dataS32((S32)d);
}

double Number(DB_DATA_TYPE v, DATA_FORMAT format) {
  if (format == DF_FLOAT) return v.fVal;
  if (format == DF_UNSIGNED32) return v.u32Val;
  return v.s32Val;
}

class MenuStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(MenuStep, StepsAndLimits) {
  const StepCase& c = GetParam();
  DB_DATA_TYPE value = Value(0, c.format);
  DB_DATA_TYPE shown = Value(c.shown, c.format);
  const BOOLEAN moved =
      c.up ? T_MENU_bIncrementValue(D_UNKNOWN, &value, &shown, c.format, U_NONE, Value(c.max, c.format),
                                    Value(c.step, c.format), c.count)
           : T_MENU_bDecrementValue(D_UNKNOWN, &value, &shown, c.format, U_NONE, Value(c.min, c.format),
                                    Value(c.max, c.format), Value(c.step, c.format), c.count);
  EXPECT_EQ(moved, c.moved);
  EXPECT_NEAR(Number(shown, c.format), c.expected, 1e-6);
  if (moved) {
    EXPECT_NEAR(Number(value, c.format), c.expected, 1e-6);  // no unit: the same number is stored
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuStep,
    ::testing::Values(
        // Float values snap to the step grid first: round(2.3 / 0.5) + 1 = 6 steps.
        StepCase{"float_snaps_to_grid", TRUE, DF_FLOAT, 2.3, 0, 10, 0.5, 1, 3.0, TRUE},
        // Ties round to even: 0.25 / 0.5 = 0.5 rounds to 0, 0.75 / 0.5 = 1.5 to 2.
        StepCase{"float_tie_down", TRUE, DF_FLOAT, 0.25, 0, 10, 0.5, 1, 0.5, TRUE},
        StepCase{"float_tie_up", TRUE, DF_FLOAT, 0.75, 0, 10, 0.5, 1, 1.5, TRUE},
        StepCase{"float_clamps_at_max", TRUE, DF_FLOAT, 9.8, 0, 10, 0.5, 1, 10.0, TRUE},
        StepCase{"float_at_max_refused", TRUE, DF_FLOAT, 10, 0, 10, 0.5, 1, 10.0, FALSE},
        StepCase{"float_accelerated", TRUE, DF_FLOAT, 1, 0, 100, 0.5, 4, 3.0, TRUE},
        StepCase{"float_down", FALSE, DF_FLOAT, 3.0, 0, 10, 0.5, 1, 2.5, TRUE},
        StepCase{"float_down_clamps_at_min", FALSE, DF_FLOAT, 0.2, 0, 10, 0.5, 1, 0.0, TRUE},
        StepCase{"float_at_min_refused", FALSE, DF_FLOAT, 0, 0, 10, 0.5, 1, 0.0, FALSE},
        StepCase{"unsigned_up", TRUE, DF_UNSIGNED32, 5, 0, 10, 1, 3, 8, TRUE},
        StepCase{"unsigned_clamps_at_max", TRUE, DF_UNSIGNED32, 9, 0, 10, 1, 3, 10, TRUE},
        StepCase{"unsigned_at_max_refused", TRUE, DF_UNSIGNED32, 10, 0, 10, 1, 1, 10, FALSE},
        StepCase{"unsigned_down", FALSE, DF_UNSIGNED32, 10, 2, 20, 3, 2, 4, TRUE},
        // Below zero an unsigned value would wrap: it becomes the minimum.
        StepCase{"unsigned_down_wraps_to_min", FALSE, DF_UNSIGNED32, 3, 0, 20, 5, 1, 0, TRUE},
        StepCase{"unsigned_at_min_refused", FALSE, DF_UNSIGNED32, 0, 0, 20, 5, 1, 0, FALSE},
        StepCase{"signed_up", TRUE, DF_SIGNED32, -5, -10, 5, 2, 1, -3, TRUE},
        StepCase{"signed_down_clamps", FALSE, DF_SIGNED32, 0, -10, 10, 4, 3, -10, TRUE}),
    [](const ::testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST(MenuStepUnits, TheStoredValueIsInTheKeysInternalUnit) {
  U_CONVERT_vInitialiseConversionUtility();
  // A depth shown in feet, kept in metres.
  DB_DATA_TYPE value = DB_dataFloat(0);
  DB_DATA_TYPE shown = DB_dataFloat(10.0f);
  ASSERT_TRUE(T_MENU_bIncrementValue(D_DEPTH, &value, &shown, DF_FLOAT, U_FEET, DB_dataFloat(100.0f),
                                     DB_dataFloat(1.0f), 1));
  EXPECT_FLOAT_EQ(shown.fVal, 11.0f);
  EXPECT_NEAR(value.fVal, 11.0 * 0.3048, 1e-4);
}

TEST(MenuStepCount, AccelerationStartsAtTheTwentiethRepeat) {
  const std::vector<std::pair<U32, U32>> cases = {{0, 1}, {1, 1}, {19, 1}, {20, 1}, {21, 2}, {25, 6}};
  for (const auto& [count, steps] : cases) EXPECT_EQ(T_MENU_u32StepsForCount(count), steps) << "count " << count;
}

TEST(MenuStepPrecision, DecimalsFollowTheStep) {
  const std::vector<std::pair<F32, U8>> cases = {{1.0f, 0}, {10.0f, 0}, {0.5f, 1}, {0.1f, 1},
                                                 {0.25f, 2}, {0.01f, 2}, {0.125f, 3}};
  for (const auto& [step, decimals] : cases) EXPECT_EQ(T_MENU_u8FindPrecision(step), decimals) << "step " << step;
}

struct LevelCase {
  BOOLEAN up;
  S32 shown;
  U32 count;
  STEP_LEVEL step;
  S32 shownAfter;
  U32 countAfter;
};

TEST(MenuStepLevel, VariableStepZones) {
  // Thresholds 10 and 50: steps of 1 up to 10, of 5 up to 50, of 10 above.
  const std::vector<LevelCase> cases = {
      {TRUE, 5, 1, VAR_STEP_1, 5, 1},     {TRUE, 9, 1, VAR_STEP_1, 9, 1},
      {TRUE, 10, 1, VAR_STEP_2, 10, 1},   {TRUE, 9, 2, VAR_STEP_2, 10, 1},
      {TRUE, 20, 1, VAR_STEP_2, 20, 1},   {TRUE, 45, 1, VAR_STEP_3, 50, 1},
      {TRUE, 40, 2, VAR_STEP_3, 50, 1},   {TRUE, 60, 3, VAR_STEP_3, 60, 3},
      {FALSE, 70, 1, VAR_STEP_3, 70, 1},  {FALSE, 55, 1, VAR_STEP_2, 50, 1},
      {FALSE, 30, 1, VAR_STEP_2, 30, 1},  {FALSE, 12, 1, VAR_STEP_2, 10, 1},
      {FALSE, 10, 4, VAR_STEP_1, 10, 4},
  };
  for (const LevelCase& c : cases) {
    DB_DATA_TYPE shown = DB_dataS32(c.shown);
    U32 count = c.count;
    EXPECT_EQ(T_MENU_eGetStepLevel(&shown, DF_SIGNED32, DB_dataS32(10), DB_dataS32(50), &count, c.up), c.step)
        << (c.up ? "up" : "down") << " from " << c.shown << " count " << c.count;
    EXPECT_EQ(shown.s32Val, c.shownAfter) << "from " << c.shown;
    EXPECT_EQ(count, c.countAfter) << "from " << c.shown;
  }
}

// ------------------------------------------------------------ the menu task at work
MENU_TEST_TEXT(s_txtSonar, "Sonar");
MENU_TEST_TEXT(s_txtGain, "Gain");
MENU_TEST_TEXT(s_txtPalette, "Palette");
MENU_TEST_TEXT(s_txtAdvanced, "Advanced");
MENU_TEST_TEXT(s_txtSonarAdvanced, "Sonar Advanced");
MENU_TEST_TEXT(s_txtSensitivity, "Sensitivity");
MENU_TEST_TEXT(s_txtClear, "Clear Track");
MENU_TEST_TEXT(s_txtBlue, "Blue");
MENU_TEST_TEXT(s_txtGreen, "Green");
MENU_TEST_TEXT(s_txtRed, "Red");
MENU_TEST_TEXT(s_txtZoom, "Zoom");

const MENU_LIMITS s_gainLimits[] = {{U_NONE, 0.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_sensitivityLimits[] = {{U_NONE, 0.0f, 100.0f, 0.5f}};
const U32 s_au32Palettes[] = {10, 20, 30};
const DB_TEXT_RECORD s_apPaletteTexts[] = {s_txtBlue, s_txtGreen, s_txtRed};
const DB_TEXT_RECORD s_apAdvancedChoices[] = {s_txtAdvanced};
const DB_TEXT_RECORD s_apAdvancedNames[] = {s_txtSonarAdvanced};

int s_nClears = 0;
void vClear(void) { ++s_nClears; }

constexpr LAYER_ID VIEW = (LAYER_ID)10;  // the current view of these tests

class MenuKeys : public ::testing::Test {
 protected:
  menutest::KeyLedger& keys = menutest::Keys();
  menutest::LayerLedger& layers = menutest::Layers();

  void SetUp() override {
    menutest::StartMenuTask(VIEW, SPLIT_FULL_WINDOW);
    menutest::ResetMenus();
    EndHoldOff();
    keys.Read();
    layers.Read();
    H_DATABASE_bUpdateValueU32(FCID("CUSR"), M_ADVANCED, P_NORMAL);
    H_DATABASE_bUpdateEverythingU32(FCID("SGAN"), 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(FCID("SPAL"), 10, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingFloat(FCID("SSEN"), 1.0f, P_NORMAL, D_FLOAT, nullptr, DB_NO_TIMEOUT);
    ASSERT_TRUE(U_MENU_bRegisterTab(s_txtSonar, SONAR_TAB_PRIORITY, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainNumEntryMenu(s_txtGain, s_txtSonar, MENU_SENSITIVITY, FCID("SGAN"), s_gainLimits,
                                                 nullptr, nullptr, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainSelectorMenu(s_txtPalette, s_txtSonar, MENU_SONAR_COLORS, FCID("SPAL"), 3,
                                                 s_apPaletteTexts, s_au32Palettes, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainSubMenu(s_txtAdvanced, s_txtSonar, MENU_SONAR_DEBUG, s_apAdvancedChoices,
                                            s_apAdvancedNames, nullptr, 1, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterSubMenuSliderMenu(s_txtSensitivity, s_txtSonarAdvanced, nullptr, MENU_PRIORITY_0,
                                                  FCID("SSEN"), s_sensitivityLimits, nullptr, nullptr, nullptr,
                                                  M_BASIC));
    menutest::Sync();
  }

  void TearDown() override {
    T_MENU_vRemoveMenus();
    EndHoldOff();
  }

  // Lets a running EXIT hold-off run out.
  void EndHoldOff() {
    PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
    ASSERT_TRUE(::WaitFor([] {
      L_MUTEX_LockWait(RES_MENU);
      const BOOLEAN running = T_MENU_bExitHoldOffRunning();
      L_MUTEX_Unlock(RES_MENU);
      return !running;
    }));
  }

  // From the tab bar of the main menu on the Sonar tab down to a row.
  void OpenMainMenuRow(S32 row) {
    Press(KEY_MASK_MENU);
    ASSERT_EQ(Snapshot().kind, MAIN_MENU);
    ASSERT_EQ(Snapshot().tab, SONAR_TAB_PRIORITY);
    for (S32 i = 0; i <= row; ++i) Cursor(CURSOR_SOUTH);
    ASSERT_EQ(Snapshot().selection, row);
    PassSidewaysHoldOff();
  }
};

TEST_F(MenuKeys, MainMenuTabsSubMenuAndSettingsReachTheDatabase) {
  // No quick-access menu for this view: MENU opens the main menu on the tab bar.
  Press(KEY_MASK_MENU);
  menutest::Open open = Snapshot();
  EXPECT_EQ(open.kind, MAIN_MENU);
  EXPECT_EQ(FetchU32("CMNU"), (U32)MAIN_MENU);
  EXPECT_FALSE(open.onRows);
  EXPECT_EQ(open.tab, SONAR_TAB_PRIORITY);
  EXPECT_EQ(open.rows, (std::vector<std::string>{"Gain", "Palette", "Advanced"}));
  EXPECT_TRUE(layers.Layers().count(MAIN_MENU_LAYER));

  // East and west move between the tabs.
  PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  EXPECT_EQ(Snapshot().tab, SETUP_TAB_PRIORITY);
  Cursor(CURSOR_WEST);
  EXPECT_EQ(Snapshot().tab, SONAR_TAB_PRIORITY);

  // A numeric entry writes at once.
  Cursor(CURSOR_SOUTH);
  open = Snapshot();
  EXPECT_TRUE(open.onRows);
  EXPECT_EQ(open.selection, 0);
  PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  Cursor(CURSOR_EAST);
  EXPECT_EQ(FetchU32("SGAN"), 7u);

  // A selection writes the value of the choice.
  Cursor(CURSOR_SOUTH);
  PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  EXPECT_EQ(FetchU32("SPAL"), 20u);
  Cursor(CURSOR_EAST);
  Cursor(CURSOR_EAST);  // at the last choice: refused, no wrap
  EXPECT_EQ(FetchU32("SPAL"), 30u);

  // The sub-menu item with one choice opens its sub menu.
  Cursor(CURSOR_SOUTH);
  PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  open = Snapshot();
  EXPECT_EQ(open.kind, MAIN_SUB_MENU);
  EXPECT_EQ(FetchU32("CMNU"), (U32)MAIN_SUB_MENU);
  EXPECT_EQ(open.depth, 1);
  EXPECT_EQ(open.rows, (std::vector<std::string>{"Sensitivity"}));
  EXPECT_TRUE(layers.Layers().count(SUB_MENU_LAYER));

  // The slider writes when the cursor key is released.
  Key(KEY_MASK_CURSOR, KEY_DOWN, 1, CURSOR_EAST);
  EXPECT_FLOAT_EQ(FetchFloat("SSEN"), 1.0f);
  Key(KEY_MASK_CURSOR, KEY_UP, 0, CURSOR_EAST);
  EXPECT_FLOAT_EQ(FetchFloat("SSEN"), 1.5f);

  // EXIT goes back up to the row that opened the sub menu.
  Press(KEY_MASK_EXIT);
  open = Snapshot();
  EXPECT_EQ(open.kind, MAIN_MENU);
  EXPECT_EQ(open.depth, 0);
  EXPECT_TRUE(open.onRows);
  EXPECT_EQ(open.selection, 2);
  EXPECT_FALSE(layers.Layers().count(SUB_MENU_LAYER));

  // MENU closes the main menu.
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, NO_MENU);
  EXPECT_EQ(FetchU32("CMNU"), (U32)NO_MENU);
  EXPECT_TRUE(layers.Layers().empty());
  EXPECT_EQ(FetchU32("SGAN"), 7u);
  EXPECT_EQ(FetchU32("SPAL"), 30u);
  EXPECT_FLOAT_EQ(FetchFloat("SSEN"), 1.5f);
}

TEST_F(MenuKeys, ASliderHeldEastAcceleratesAndWritesOnReleaseOrTurn) {
  OpenMainMenuRow(2);
  Cursor(CURSOR_EAST);  // into the sub menu
  ASSERT_EQ(Snapshot().kind, MAIN_SUB_MENU);
  PassSidewaysHoldOff();
  // Repeats 1 to 19 and 20 step once each, 21 twice, 22 three times: 25 steps of 0.5.
  for (U32 count = 1; count <= 22; ++count) Key(KEY_MASK_CURSOR, KEY_DOWN, count, CURSOR_EAST);
  EXPECT_FLOAT_EQ(FetchFloat("SSEN"), 1.0f);
  // Turned west: the value reached so far is written first.
  Key(KEY_MASK_CURSOR, KEY_DOWN, 1, CURSOR_WEST);
  EXPECT_FLOAT_EQ(FetchFloat("SSEN"), 13.5f);
  Key(KEY_MASK_CURSOR, KEY_UP, 0, CURSOR_WEST);
  EXPECT_FLOAT_EQ(FetchFloat("SSEN"), 13.0f);
}

TEST_F(MenuKeys, EastAndWestWaitHalfASecondAfterNorthOrSouth) {
  Press(KEY_MASK_MENU);
  Cursor(CURSOR_SOUTH);
  PLATFORM_vTestClockAdvanceMs(400);
  Cursor(CURSOR_EAST);
  EXPECT_EQ(FetchU32("SGAN"), 5u);
  PLATFORM_vTestClockAdvanceMs(101);
  Cursor(CURSOR_EAST);
  EXPECT_EQ(FetchU32("SGAN"), 6u);
}

TEST_F(MenuKeys, TheQuickAccessMenuComesFirstAndRemembersItsRow) {
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(s_txtClear, nullptr, MENU_CLEAR_CTRACK, &vClear, FALSE, M_BASIC, VIEW,
                                            SPLIT_FULL_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotSelectorMenu(s_txtZoom, nullptr, MENU_CHART_ZOOM, FCID("SPAL"), 3, s_apPaletteTexts,
                                              s_au32Palettes, M_BASIC, VIEW, SPLIT_FULL_WINDOW));
  menutest::Sync();
  Press(KEY_MASK_MENU);
  menutest::Open open = Snapshot();
  EXPECT_EQ(open.kind, EXPRESS_MENU);
  EXPECT_EQ(FetchU32("CMNU"), (U32)EXPRESS_MENU);
  EXPECT_EQ(open.rows, (std::vector<std::string>{"Zoom", "Clear Track"}));
  EXPECT_TRUE(layers.Layers().count(EXPRESS_MENU_LAYER));

  Cursor(CURSOR_SOUTH);
  PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  EXPECT_EQ(s_nClears, 1);

  // MENU again: the main menu; once more: closed.
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, MAIN_MENU);
  EXPECT_FALSE(layers.Layers().count(EXPRESS_MENU_LAYER));
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, NO_MENU);

  Press(KEY_MASK_MENU);
  open = Snapshot();
  EXPECT_EQ(open.kind, EXPRESS_MENU);
  EXPECT_EQ(open.selection, 1);
  Press(KEY_MASK_EXIT);
  EXPECT_EQ(Snapshot().kind, NO_MENU);
}

TEST_F(MenuKeys, AnActionWithConfirmationActsOnTheSecondEast) {
  MENU_TEST_TEXT(s_txtWipe, "Wipe");
  ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(s_txtWipe, s_txtSonar, MENU_WIPE_NAV_ALL, &vClear, TRUE, M_BASIC));
  menutest::Sync();
  const int before = s_nClears;
  OpenMainMenuRow(1);  // Gain, Wipe, Palette, Advanced
  ASSERT_EQ(Snapshot().rows[1], "Wipe");
  Cursor(CURSOR_EAST);
  EXPECT_TRUE(Snapshot().confirm);
  EXPECT_TRUE(layers.Layers().count(CONFIRM_MENU_LAYER));
  EXPECT_EQ(s_nClears, before);
  Cursor(CURSOR_WEST);  // west takes the question back
  EXPECT_FALSE(Snapshot().confirm);
  Cursor(CURSOR_EAST);
  Cursor(CURSOR_EAST);
  EXPECT_EQ(s_nClears, before + 1);
  EXPECT_FALSE(layers.Layers().count(CONFIRM_MENU_LAYER));
}

TEST_F(MenuKeys, AfterExitClosesTheMenusExitStaysWithTheMenuTaskFor400ms) {
  Press(KEY_MASK_MENU);
  EXPECT_EQ(keys.Count(KEY_MASK_EXIT), 1);
  Press(KEY_MASK_EXIT);  // on the tab bar: closes
  EXPECT_EQ(Snapshot().kind, NO_MENU);
  EXPECT_EQ(keys.Count(KEY_MASK_EXIT), 1);
  EXPECT_EQ(keys.Count(KEY_MASK_CURSOR), 0);
  // A second EXIT in the hold-off does nothing.
  Press(KEY_MASK_EXIT);
  EXPECT_EQ(Snapshot().kind, NO_MENU);
  PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS);
  EXPECT_TRUE(::WaitFor([&] { return keys.Count(KEY_MASK_EXIT) == 0; }));

  // Any other key in the hold-off ends it at once and acts.
  Press(KEY_MASK_MENU);
  Press(KEY_MASK_EXIT);
  EXPECT_EQ(keys.Count(KEY_MASK_EXIT), 1);
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, MAIN_MENU);
  EXPECT_EQ(keys.Count(KEY_MASK_EXIT), 1);
}

TEST_F(MenuKeys, KeyRegistrationsStayBalancedWhateverOpensAndClosesTheMenus) {
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(s_txtClear, nullptr, MENU_CLEAR_CTRACK, &vClear, FALSE, M_BASIC, VIEW,
                                            SPLIT_FULL_WINDOW));
  menutest::Sync();
  for (int round = 0; round < 3; ++round) {
    Press(KEY_MASK_MENU);                  // quick-access menu
    T_MENU_vActivateSpecifiedHotMenu(VIEW);  // opened again from another task
    Press(KEY_MASK_MENU);                  // main menu
    menutest::SendCommand(CMD_ID_CLEAR_MENU);
    T_MENU_vActivateQuickMenu();
    T_MENU_vRemoveMenus();
  }
  EndHoldOff();
  const U32 masks[] = {KEY_MASK_VIEW, KEY_MASK_EXIT, KEY_MASK_CURSOR, KEY_MASK_ZOOM_IN, KEY_MASK_MARK,
                       KEY_MASK_GOTO, KEY_MASK_INFO, KEY_MASK_SOFT_KEY_1, KEY_MASK_SOFT_KEY_3};
  for (U32 mask : masks) EXPECT_EQ(keys.Count(mask), 0) << "key mask " << mask;
  EXPECT_EQ(keys.Count(KEY_MASK_MENU), 1);  // kept for good since the start of operation
  EXPECT_TRUE(layers.Layers().empty());
}

TEST_F(MenuKeys, SubMenusNestAtMostFourDeep) {
  std::vector<DB_TEXT_RECORD> names;
  for (int i = 0; i < 5; ++i) names.push_back(Text("level " + std::to_string(i + 1)));
  static std::vector<std::array<DB_TEXT_RECORD, 1>> s_lists;
  s_lists.reserve(8);
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(U_MENU_bRegisterSubMenu(names[i], NO_PRIORITY, nullptr, M_BASIC));
  }
  menutest::Sync();
  // Level n holds an item that opens level n + 1; the Sonar tab opens level 1.
  for (int i = 0; i < 5; ++i) {
    s_lists.push_back({names[i]});
    if (i == 0) {
      ASSERT_TRUE(U_MENU_bRegisterMainSubMenu(Text("open 1"), s_txtSonar, MENU_PRIORITY_0, s_lists.back().data(),
                                              s_lists.back().data(), nullptr, 1, M_BASIC));
    } else {
      ASSERT_TRUE(U_MENU_bRegisterSubMenuSubMenu(Text("open " + std::to_string(i + 1)), names[i - 1], nullptr,
                                                 MENU_PRIORITY_0, s_lists.back().data(), s_lists.back().data(),
                                                 nullptr, 1, M_BASIC));
    }
  }
  ASSERT_TRUE(U_MENU_bRegisterSubMenuActionMenu(Text("bottom"), names[4], nullptr, MENU_PRIORITY_0, nullptr, FALSE,
                                                M_BASIC));
  menutest::Sync();
  OpenMainMenuRow(0);
  const ACTIVE_MENU kinds[] = {MAIN_SUB_MENU, MAIN_SUB_MENU_1, MAIN_SUB_MENU_2, MAIN_SUB_MENU_3, MAIN_SUB_MENU_3};
  for (int i = 0; i < 5; ++i) {
    Cursor(CURSOR_EAST);
    EXPECT_EQ(Snapshot().kind, kinds[i]) << "east " << i + 1;
  }
  const menutest::Open open = Snapshot();
  EXPECT_EQ(open.depth, 4);
  EXPECT_EQ(open.rows, (std::vector<std::string>{"open 5"}));
  // All the way back up.
  for (int i = 0; i < 4; ++i) Press(KEY_MASK_EXIT);
  EXPECT_EQ(Snapshot().kind, MAIN_MENU);
}

TEST_F(MenuKeys, TheSingleCenteredMenuLoopsAndReportsItsSelection) {
  MENU_TEST_TEXT(s_txtRemote, "Remote Palette");
  ASSERT_TRUE(U_MENU_bRegisterSingleCenteredMenuSelectorMenu(s_txtRemote, FCID("SPAL"), 3, s_apPaletteTexts,
                                                             s_au32Palettes, FALSE, TRUE));
  menutest::Sync();
  EXPECT_EQ(Snapshot().kind, SINGLE_CENTERED_MENU);
  EXPECT_FALSE(layers.Layers().count(SUB_MENU_LAYER));  // active without being drawn
  char text[32] = "untouched";
  T_MENU_vGetSelection(s_txtGain, text);
  EXPECT_STREQ(text, "untouched");
  T_MENU_vGetSelection(s_txtRemote, text);
  EXPECT_STREQ(text, "Blue");
  PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  Cursor(CURSOR_EAST);
  Cursor(CURSOR_EAST);  // from the last choice round to the first
  EXPECT_EQ(FetchU32("SPAL"), 10u);
  T_MENU_vDoRemoveSingleCenteredMenu();
  EXPECT_EQ(Snapshot().kind, NO_MENU);
}

TEST_F(MenuKeys, GotoOnAGoToEntryOfAnInfoMenuStartsNavigationAndClosesTheMenus) {
  MENU_TEST_TEXT(s_txtCursorInfo, "Cursor");
  MENU_TEST_TEXT(s_txtGoTo, "Go To Waypoint");
  MENU_TEST_TEXT(s_txtNearest, "Nearest Port");
  const DB_TEXT_RECORD shown[] = {s_txtGoTo, s_txtNearest};
  ASSERT_TRUE(U_MENU_bRegisterInfoMenu(s_txtCursorInfo));
  ASSERT_TRUE(U_MENU_bRegisterInfoActionMenu(s_txtNearest, s_txtCursorInfo, MENU_NEAREST_PORT, nullptr, FALSE,
                                             M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterInfoActionMenu(s_txtGoTo, s_txtCursorInfo, MENU_GO_TO_WAYPOINT, nullptr, FALSE,
                                             M_BASIC));
  U_MENU_ActivateInfoMenu(s_txtCursorInfo, shown, 2);
  menutest::Sync();
  menutest::Open open = Snapshot();
  EXPECT_EQ(open.kind, INFO_MENU);
  EXPECT_EQ(open.rows, (std::vector<std::string>{"Go To Waypoint", "Nearest Port"}));
  static std::atomic<U32> s_u32GoTos{0};
  T_NAV_vGoToWaypointInMenu_Install([] { s_u32GoTos.fetch_add(1); });
  Press(KEY_MASK_GOTO);
  menutest::Sync();  // the clear request the menu task sent itself
  EXPECT_EQ(s_u32GoTos.load(), 1u);
  T_NAV_vGoToWaypointInMenu_Install(nullptr);
  EXPECT_EQ(Snapshot().kind, NO_MENU);
}

TEST_F(MenuKeys, WhileHiddenOnlyExitActs) {
  Press(KEY_MASK_MENU);
  menutest::SendCommand(CMD_ID_HIDE_MENU);
  Cursor(CURSOR_SOUTH);
  EXPECT_FALSE(Snapshot().onRows);
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, MAIN_MENU);
  Press(KEY_MASK_EXIT);  // unhides and, on the tab bar, closes
  EXPECT_EQ(Snapshot().kind, NO_MENU);
}

TEST_F(MenuKeys, ShutdownKeepsTheUserLevelOnlyWhenItIsAdvanced) {
  H_DATABASE_bUpdateValueU32(FCID("CUSR"), M_SUPER_USER, P_NORMAL);
  menutest::SendCommand(CMD_ID_SHUTDOWN);
  EXPECT_EQ(FetchU32("SUSR"), (U32)M_BASIC);
  EXPECT_EQ(keys.Count(KEY_MASK_MENU), 0);
  H_DATABASE_bUpdateValueU32(FCID("CUSR"), M_ADVANCED, P_NORMAL);
  menutest::SendCommand(CMD_ID_SHUTDOWN);
  EXPECT_EQ(FetchU32("SUSR"), (U32)M_ADVANCED);
  // Back in operation for the tests that follow.
  menutest::SendCommand(CMD_ID_RUN_SYSTEM);
  EXPECT_EQ(keys.Count(KEY_MASK_MENU), 1);
  EXPECT_EQ(FetchU32("CUSR"), (U32)M_ADVANCED);
}

TEST_F(MenuKeys, MenuIsRefusedWhileAMenuIsOpenOnAnotherUnit) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("RMNU"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  static std::atomic<U32> s_u32Notes{0};
  T_NAV_vSetNavUINote_Install([](DB_TEXT_RECORD, const char*, BOOLEAN) { s_u32Notes.fetch_add(1); });
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, NO_MENU);
  EXPECT_EQ(s_u32Notes.load(), 1u);
  T_NAV_vSetNavUINote_Install(nullptr);
  H_DATABASE_bUpdateValueBoolean(FCID("RMNU"), FALSE, P_NORMAL);
  Press(KEY_MASK_MENU);
  EXPECT_EQ(Snapshot().kind, MAIN_MENU);
}

S32 s_s32ExitShownIndex = -1;
void vFloatingExit(S32* ps32Shown, FLOATING_MENU_TYPE* pMenu) {
  (void)pMenu;
  s_s32ExitShownIndex = *ps32Shown;
}

TEST_F(MenuKeys, AFloatingMenuClosesWithExitAndCallsItsHandler) {
  MENU_TEST_TEXT(s_txtRadarMenu, "Radar Floating");
  MENU_TEST_TEXT(s_txtEbl, "EBL");
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(s_txtRadarMenu, nullptr, &vFloatingExit, FALSE, nullptr));
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenuActionExtItem(s_txtRadarMenu, s_txtEbl, nullptr, FALSE, FALSE,
                                                        MENU_PRIORITY_1, &vClear, FALSE, M_BASIC));
  U_MENU_ActivateFloatingMenu(s_txtRadarMenu);
  menutest::Sync();
  EXPECT_EQ(Snapshot().kind, FLOATING_MENU);
  EXPECT_EQ(Snapshot().rows, (std::vector<std::string>{"EBL"}));
  Press(KEY_MASK_EXIT);
  EXPECT_EQ(Snapshot().kind, NO_MENU);
  EXPECT_EQ(s_s32ExitShownIndex, 0);
}

TEST_F(MenuKeys, AFloatingMenuRemovedWhileShownIsClosedFirst) {
  MENU_TEST_TEXT(s_txtShown, "Shown Floating");
  MENU_TEST_TEXT(s_txtItem, "Item");
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(s_txtShown, nullptr, nullptr, FALSE, nullptr));
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenuActionExtItem(s_txtShown, s_txtItem, nullptr, FALSE, FALSE,
                                                        MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  U_MENU_ActivateFloatingMenu(s_txtShown);
  menutest::Sync();
  ASSERT_EQ(Snapshot().kind, FLOATING_MENU);
  ASSERT_TRUE(U_MENU_bUnregisterFloatingMenu(s_txtShown));
  menutest::Sync();
  const menutest::Open open = Snapshot();
  EXPECT_EQ(open.kind, NO_MENU);
  EXPECT_TRUE(open.rows.empty());
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(s_floatingMenus[0].pFloatingMenuName, nullptr);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuKeys, ReadingTheSelectionWaitsForTheMenuLock) {
  MENU_TEST_TEXT(s_txtLocked, "Locked Palette");
  ASSERT_TRUE(U_MENU_bRegisterSingleCenteredMenuSelectorMenu(s_txtLocked, FCID("SPAL"), 3, s_apPaletteTexts,
                                                             s_au32Palettes, FALSE, FALSE));
  menutest::Sync();
  ASSERT_EQ(Snapshot().kind, SINGLE_CENTERED_MENU);
  char text[32] = "untouched";
  std::atomic<bool> started{false};
  L_MUTEX_LockWait(RES_MENU);
  std::thread reader([&] {
    started = true;
    T_MENU_vGetSelection(s_txtLocked, text);
  });
  ASSERT_TRUE(::WaitFor([&] { return started.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // lets a reader that does not wait run ahead
  // The menu closes before the reader may look: it must find it closed.
  T_MENU_vDoRemoveSingleCenteredMenu();
  L_MUTEX_Unlock(RES_MENU);
  reader.join();
  EXPECT_STREQ(text, "untouched");
}

}  // namespace
