// Threading test: also runs under ThreadSanitizer.
// The menu task's containers as other modules fill them: items registered
// through the client functions reach the running menu task through its
// mailbox; the lists are then read under the menu lock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/menu_test_env.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

using menutest::Text;
using menutest::Titles;

dbtest::TempInstall& s_install = dbtest::Install();


class MenuModel : public ::testing::Test {
 protected:
  void SetUp() override {
    menutest::StartMenuTask();
    menutest::ResetMenus();
  }

  // Registers a sub menu and returns its title.
  static DB_TEXT_RECORD SubMenu(const std::string& name) {
    DB_TEXT_RECORD title = Text(name);
    EXPECT_TRUE(U_MENU_bRegisterSubMenu(title, NO_PRIORITY, nullptr, M_BASIC));
    return title;
  }

  static void Action(DB_TEXT_RECORD title, DB_TEXT_RECORD sub, S32 priority) {
    ASSERT_TRUE(U_MENU_bRegisterSubMenuActionMenu(title, sub, nullptr, (MENU_PRIORITY)priority, nullptr, FALSE,
                                                  M_BASIC));
  }

  static std::vector<std::string> SubMenuTitles(DB_TEXT_RECORD sub) {
    L_MUTEX_LockWait(RES_MENU);
    const S32 slot = T_MENU_s32FindSubMenu(sub);
    std::vector<std::string> out = slot >= 0 ? Titles(s_subMenus[slot].pFirstItem) : std::vector<std::string>{};
    L_MUTEX_Unlock(RES_MENU);
    return out;
  }

  static S32 HotSlot(LAYER_ID view, SPLIT_WINDOW_TYPE split) {
    for (S32 i = 0; i < MENU_MAX_HOT_MENUS; ++i) {
      if (s_hotMenus[i].view == view && s_hotMenus[i].type == split) return i;
    }
    return -1;
  }
};

// ------------------------------------------------------------ order
struct OrderCase {
  const char* name;
  std::vector<S32> priorities;  // registered in this order as items "0", "1", ...
  std::vector<std::string> expected;
};

class MenuOrder : public MenuModel, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(MenuOrder, ItemsFollowTheirPriority) {
  const OrderCase& c = GetParam();
  DB_TEXT_RECORD sub = SubMenu(std::string("order ") + c.name);
  for (size_t i = 0; i < c.priorities.size(); ++i) Action(Text(std::to_string(i)), sub, c.priorities[i]);
  menutest::Sync();
  EXPECT_EQ(SubMenuTitles(sub), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuOrder,
    ::testing::Values(OrderCase{"ascending", {10, 5, 7}, {"1", "2", "0"}},
                      // A new item equal to the first goes second ...
                      OrderCase{"equal to the first", {5, 5}, {"0", "1"}},
                      // ... and one equal to a later item goes before it.
                      OrderCase{"equal to a later", {1, 5, 5}, {"0", "2", "1"}},
                      // Unprioritised items follow every prioritised one, in arrival order.
                      OrderCase{"unprioritised first", {NO_PRIORITY, 3, NO_PRIORITY, 2}, {"3", "1", "0", "2"}},
                      OrderCase{"unprioritised between", {5, NO_PRIORITY, 7}, {"0", "2", "1"}},
                      OrderCase{"last of all", {MENU_CANCEL_NAV, MENU_SNAPSHOT_INFO, MENU_USER_MODE},
                                {"0", "2", "1"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (ch == ' ') ch = '_';
      }
      return n;
    });

TEST_F(MenuModel, RegisteringATitleAgainReplacesTheItemInPlace) {
  DB_TEXT_RECORD sub = SubMenu("replace");
  DB_TEXT_RECORD x = Text("x");
  Action(x, sub, 5);
  Action(Text("y"), sub, 7);
  // Same title, another priority and control: new contents, same place.
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(x, sub, nullptr, (MENU_PRIORITY)9, FCID("SXXX"), 0, nullptr,
                                                  nullptr, M_BASIC));
  menutest::Sync();
  EXPECT_EQ(SubMenuTitles(sub), (std::vector<std::string>{"x", "y"}));
  L_MUTEX_LockWait(RES_MENU);
  const SUB_MENU& menu = s_subMenus[T_MENU_s32FindSubMenu(sub)];
  EXPECT_EQ(menu.numMenuItems, 2);
  EXPECT_EQ(menu.pFirstItem->control, M_SELECTION_BOX);
  EXPECT_EQ(menu.pFirstItem->priority, 9);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, KeyBoundItemsTakeTheKeysValueAndKind) {
  H_DATABASE_bUpdateEverythingFloat(FCID("SKBI"), 2.5f, P_DEFAULT_SETTING, D_DEPTH, nullptr, DB_NO_TIMEOUT);
  DB_TEXT_RECORD sub = SubMenu("key bound");
  static const MENU_LIMITS limits[] = {{U_NONE, 0.0f, 10.0f, 0.5f}};
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSliderMenu(Text("slider"), sub, nullptr, MENU_PRIORITY_0, FCID("SKBI"), limits,
                                                nullptr, nullptr, nullptr, M_BASIC));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  const MENU_ITEM* item = s_subMenus[T_MENU_s32FindSubMenu(sub)].pFirstItem;
  ASSERT_NE(item, nullptr);
  EXPECT_FLOAT_EQ(item->value.fVal, 2.5f);
  EXPECT_EQ(item->DataType, D_DEPTH);
  EXPECT_EQ(item->dataFormat, DF_FLOAT);
  L_MUTEX_Unlock(RES_MENU);
}

// ------------------------------------------------------------ quick-access menus
TEST_F(MenuModel, AnItemForEveryViewReachesQuickAccessMenusMadeLater) {
  DB_TEXT_RECORD all = Text("for every view");
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(all, nullptr, MENU_PRIORITY_5, nullptr, FALSE, M_BASIC, USED_BY_ALL,
                                            SPLIT_FULL_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(Text("own"), nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC,
                                            (LAYER_ID)20, SPLIT_FULL_WINDOW));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  const S32 slot = HotSlot((LAYER_ID)20, SPLIT_FULL_WINDOW);
  ASSERT_GE(slot, 0);
  EXPECT_EQ(Titles(s_hotMenus[slot].pFirstItem), (std::vector<std::string>{"own", "for every view"}));
  // The copy made when the menu was created is not counted.
  EXPECT_EQ(s_hotMenus[slot].numMenuItems, 1);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, AnItemForAnotherSplitSideIsDroppedUnlessThatSidesMenuExists) {
  DB_TEXT_RECORD left = Text("left item");
  DB_TEXT_RECORD right = Text("right item");
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(left, nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC, (LAYER_ID)30,
                                            SPLIT_LEFT_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(right, nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC, (LAYER_ID)30,
                                            SPLIT_RIGHT_WINDOW));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(HotSlot((LAYER_ID)30, SPLIT_RIGHT_WINDOW), -1);
  L_MUTEX_Unlock(RES_MENU);

  ASSERT_TRUE(U_MENU_bRegisterExpressMenu((LAYER_ID)30, SPLIT_RIGHT_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(right, nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC, (LAYER_ID)30,
                                            SPLIT_RIGHT_WINDOW));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(Titles(s_hotMenus[HotSlot((LAYER_ID)30, SPLIT_LEFT_WINDOW)].pFirstItem),
            (std::vector<std::string>{"left item"}));
  EXPECT_EQ(Titles(s_hotMenus[HotSlot((LAYER_ID)30, SPLIT_RIGHT_WINDOW)].pFirstItem),
            (std::vector<std::string>{"right item"}));
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, RemovingACopyNeverDrivesTheCountBelowZero) {
  DB_TEXT_RECORD all = Text("every view");
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(all, nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC, USED_BY_ALL,
                                            SPLIT_FULL_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterExpressMenu((LAYER_ID)40, SPLIT_FULL_WINDOW));
  menutest::Sync();
  ASSERT_TRUE(U_MENU_bUnregisterQuickMenuItem(all));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  const S32 slot = HotSlot((LAYER_ID)40, SPLIT_FULL_WINDOW);
  ASSERT_GE(slot, 0);
  EXPECT_EQ(s_hotMenus[slot].pFirstItem, nullptr);
  EXPECT_EQ(s_hotMenus[slot].numMenuItems, 0);
  EXPECT_EQ(s_savedHotMenuItems.pFirstItem, nullptr);
  L_MUTEX_Unlock(RES_MENU);
}

// ------------------------------------------------------------ tabs
TEST_F(MenuModel, ATabRemovedAndRegisteredAgainGetsItsItemsBack) {
  DB_TEXT_RECORD tab = Text("Chart");
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, CHART_TAB_PRIORITY, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("kept"), tab, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  ASSERT_TRUE(U_MENU_bUnregisterTab(tab));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(s_mainMenuTabs[CHART_TAB_PRIORITY].pTabTitle, nullptr);
  L_MUTEX_Unlock(RES_MENU);
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, CHART_TAB_PRIORITY, nullptr, M_BASIC));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(Titles(s_mainMenuTabs[CHART_TAB_PRIORITY].pFirstItem), (std::vector<std::string>{"kept"}));
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, AnItemForATabAboveTheUserLevelIsKeptWhileTheMainMenuIsOpen) {
  H_DATABASE_bUpdateValueU32(FCID("CUSR"), M_ADVANCED, P_NORMAL);
  DB_TEXT_RECORD basic = Text("Sonar");
  DB_TEXT_RECORD expert = Text("Premium");
  ASSERT_TRUE(U_MENU_bRegisterTab(basic, SONAR_TAB_PRIORITY, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(expert, PREMIUM_TAB_PRIORITY, nullptr, M_SUPER_USER));
  menutest::Sync();
  menutest::Press(KEY_MASK_MENU);
  ASSERT_EQ(menutest::Snapshot().kind, MAIN_MENU);
  ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("late"), expert, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_FALSE(s_mainMenuTabs[PREMIUM_TAB_PRIORITY].bTabActive);
  EXPECT_EQ(Titles(s_mainMenuTabs[PREMIUM_TAB_PRIORITY].pFirstItem), (std::vector<std::string>{"late"}));
  L_MUTEX_Unlock(RES_MENU);
  menutest::Press(KEY_MASK_MENU);
}

// ------------------------------------------------------------ capacity
TEST_F(MenuModel, ATabOutsideTheTwelveSlotsIsRefused) {
  ASSERT_TRUE(U_MENU_bRegisterTab(Text("thirteenth"), (TAB_PRIORITY)NUM_TAB_PRIORITIES, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(Text("negative"), (TAB_PRIORITY)-1, nullptr, M_BASIC));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  for (const MENU_TAB& tab : s_mainMenuTabs) EXPECT_EQ(tab.pTabTitle, nullptr);
  EXPECT_LT(s_lastTabIndex, NUM_TAB_PRIORITIES);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, QuickAccessMenusBeyondFortyEightAreRefused) {
  for (S32 v = 0; v <= MENU_MAX_HOT_MENUS; ++v) ASSERT_TRUE(U_MENU_bRegisterExpressMenu((LAYER_ID)(100 + v), SPLIT_FULL_WINDOW));
  DB_TEXT_RECORD late = Text("late");
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(late, nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC,
                                            (LAYER_ID)(100 + MENU_MAX_HOT_MENUS), SPLIT_FULL_WINDOW));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  for (S32 v = 0; v < MENU_MAX_HOT_MENUS; ++v) EXPECT_GE(HotSlot((LAYER_ID)(100 + v), SPLIT_FULL_WINDOW), 0);
  EXPECT_EQ(HotSlot((LAYER_ID)(100 + MENU_MAX_HOT_MENUS), SPLIT_FULL_WINDOW), -1);
  for (const HOT_MENU& menu : s_hotMenus) EXPECT_EQ(menu.pFirstItem, nullptr);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, SubMenusBeyondSeventyAreRefusedAndTheirItemsNotAdded) {
  DB_TEXT_RECORD tab = Text("Setup");
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
  for (S32 i = 0; i < MENU_MAX_SUB_MENUS; ++i) SubMenu("sub " + std::to_string(i));
  DB_TEXT_RECORD extra = SubMenu("one too many");
  Action(Text("lost"), extra, 1);
  // A sub-menu item naming a sub menu there is no room for is not added.
  static const DB_TEXT_RECORD s_choices[] = {Text("choice")};
  static const DB_TEXT_RECORD s_names[] = {Text("no room")};
  ASSERT_TRUE(U_MENU_bRegisterMainSubMenu(Text("opener"), tab, MENU_PRIORITY_1, s_choices, s_names, nullptr, 1,
                                          M_BASIC));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(T_MENU_s32FindSubMenu(extra), -1);
  EXPECT_EQ(s_SubMenuIndex, MENU_MAX_SUB_MENUS - 1);
  EXPECT_EQ(s_mainMenuTabs[SETUP_TAB_PRIORITY].pFirstItem, nullptr);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, AFifthInfoMenuIsRefused) {
  std::vector<DB_TEXT_RECORD> titles;
  for (S32 i = 0; i <= MENU_MAX_INFO_MENUS; ++i) {
    titles.push_back(Text("info " + std::to_string(i)));
    ASSERT_TRUE(U_MENU_bRegisterInfoMenu(titles.back()));
  }
  ASSERT_TRUE(U_MENU_bRegisterInfoActionMenu(Text("lost"), titles.back(), MENU_GO_TO_WAYPOINT, nullptr, FALSE,
                                             M_BASIC));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  for (S32 i = 0; i < MENU_MAX_INFO_MENUS; ++i) {
    EXPECT_EQ(s_infoMenus[i].pInfoMenuName, titles[i]);
    EXPECT_EQ(s_infoMenus[i].pFirstItem, nullptr);
  }
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, AFifthFloatingMenuIsRefusedAndTheFourthKeepsItsItems) {
  std::vector<DB_TEXT_RECORD> titles;
  for (S32 i = 0; i < MENU_MAX_FLOATING_MENUS; ++i) {
    titles.push_back(Text("floating " + std::to_string(i)));
    ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(titles.back(), nullptr, nullptr, FALSE, nullptr));
  }
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenuActionExtItem(titles[3], Text("kept"), nullptr, FALSE, FALSE,
                                                        MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(Text("fifth"), nullptr, nullptr, TRUE, "a name of twenty-five ch"));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_EQ(s_floatingMenus[3].pFloatingMenuName, titles[3]);
  EXPECT_EQ(Titles(s_floatingMenus[3].pFirstItem), (std::vector<std::string>{"kept"}));
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, TheOpenMenuShowsAtMostSixtyRows) {
  DB_TEXT_RECORD tab = Text("Alarms");
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, ALARM_TAB_PRIORITY, nullptr, M_BASIC));
  for (S32 i = 0; i < MENU_MAX_ACTIVE_ITEMS + 5; ++i) {
    ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("alarm " + std::to_string(i)), tab, (MENU_PRIORITY)(500 + i),
                                               nullptr, FALSE, M_BASIC));
  }
  menutest::Sync();
  menutest::Press(KEY_MASK_MENU);
  const menutest::Open open = menutest::Snapshot();
  EXPECT_EQ(open.kind, MAIN_MENU);
  ASSERT_EQ(open.rows.size(), (size_t)MENU_MAX_ACTIVE_ITEMS);
  EXPECT_EQ(open.rows.back(), "alarm 59");
  menutest::Press(KEY_MASK_MENU);
}

// ------------------------------------------------------------ client messages
TEST_F(MenuModel, AFloatingMenusAlternativeNameIsCutToNineteenCharacters) {
  DB_TEXT_RECORD title = Text("alt");
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(title, nullptr, nullptr, TRUE, "ABCDEFGHIJKLMNOPQRSTUVWXY"));
  DB_TEXT_RECORD plain = Text("plain");
  ASSERT_TRUE(U_MENU_bRegisterFloatingMenu(plain, nullptr, nullptr, TRUE, nullptr));
  menutest::Sync();
  L_MUTEX_LockWait(RES_MENU);
  EXPECT_STREQ(s_floatingMenus[0].aStrAltName, "ABCDEFGHIJKLMNOPQRS");
  EXPECT_TRUE(s_floatingMenus[0].bDisplayAltName);
  EXPECT_FALSE(s_floatingMenus[1].bDisplayAltName);
  L_MUTEX_Unlock(RES_MENU);
}

TEST_F(MenuModel, WithoutTheMenuTasksKeyNothingIsSent) {
  DB_DATA_TYPE saved;
  ASSERT_TRUE(H_DATABASE_bFetch(FCID("TMNU"), &saved));
  H_DATABASE_vDeleteEntry(FCID("TMNU"));
  EXPECT_FALSE(U_MENU_bRegisterMainSliderMenu(Text("s"), Text("t"), MENU_PRIORITY_1, FCID("SABC"), nullptr, nullptr,
                                              nullptr, nullptr, M_BASIC));
  EXPECT_FALSE(U_MENU_bRegisterTab(Text("t"), SONAR_TAB_PRIORITY, nullptr, M_BASIC));
  H_DATABASE_bUpdateEverything(FCID("TMNU"), saved, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
}

}  // namespace
