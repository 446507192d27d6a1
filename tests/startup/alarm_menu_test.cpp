// The NMEA 2000 alarm groups of the Alarms tab: the three groups on the tab
// once the simulator runs, the depth group's two set points opened from it
// and drawn as the view task draws the menus, and the groups gone again
// when the unit leaves the simulator without an NMEA 2000 source.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "source/graphics/g_box.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_alarm.h"
#include "source/ui/t_menu_draw.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/ui/menu_test_env.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr LAYER_ID VIEW = SONAR_VIEW_PRIORITY;
constexpr COLOR BACKGROUND = 0x0210;

BITMAP* Page() {
  static BITMAP* s_page = G_BUFFERS_pCreateFullScreenBitmap();
  return s_page;
}

void Draw(DRAW_FUNCTION* pfn) {
  G_BOX_vDrawFilled(Page(), BACKGROUND, POINT{0, 0}, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  WINDOW_SPECIFICATION ws{};
  ws.currentLayer = VIEW;
  ws.activeWindow = SPLIT_FULL_WINDOW;
  ws.drawWindowType = SPLIT_FULL_WINDOW;
  ws.drawWindow = WINDOW_LOCATION{0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
  pfn(Page(), &ws);
}

void ExpectGolden(const char* name) {
  ExpectMatchesGolden(G_BITMAP_pPixels(Page()), G_SCREEN_WIDTH, G_SCREEN_HEIGHT,
                      (int)Page()->__u32PixelWidthOfBuffer, name);
}

TEST(AlarmsTab, Nmea2kGroupsInTheSimulator) {
  (void)s_bInstalled;
  menutest::StartMenuTask((U32)VIEW, SPLIT_FULL_WINDOW);
  menutest::ResetMenus();
  menutest::SendCommand(CMD_ID_RESTORE_MENU);
  COLOR_vResetColorTable();
  ASSERT_TRUE(U_MENU_bRegisterTab(g_MENU_txtAlarmsTab, ALARM_TAB_PRIORITY, nullptr, M_BASIC));
  H_DATABASE_bUpdateEverythingU32(FCID("YUDP"), U_FEET, P_NORMAL, D_UNITS, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingFloat(FCID("SDA1"), 3.048f, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);  // 10 ft
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_SIMULATION, P_NORMAL);
  T_ALARM_vRegisterMenu();
  menutest::Sync();

  menutest::Press(KEY_MASK_MENU);
  ASSERT_EQ(MAIN_MENU, T_MENU_eActiveMenu());
  Draw(T_MENU_vDrawMainMenuLayer);  // the first draw builds the rows
  Draw(T_MENU_vDrawMainMenuLayer);
  const std::vector<std::string> rows = menutest::Snapshot().rows;
  EXPECT_NE(std::find(rows.begin(), rows.end(), "NMEA2K Depth"), rows.end());
  EXPECT_NE(std::find(rows.begin(), rows.end(), "NMEA2K Engine"), rows.end());
  EXPECT_NE(std::find(rows.begin(), rows.end(), "NMEA2K Environment"), rows.end());

  // The depth group: shallow and deep water set points.
  const int depthRow = (int)(std::find(rows.begin(), rows.end(), "NMEA2K Depth") - rows.begin());
  for (int i = 0; i <= depthRow; ++i) menutest::Cursor(CURSOR_SOUTH);
  menutest::PassSidewaysHoldOff();
  menutest::Cursor(CURSOR_EAST);
  ASSERT_EQ(MAIN_SUB_MENU, T_MENU_eActiveMenu());
  Draw(T_MENU_vDrawSubMenuLayer);
  ExpectGolden("alarm/nmea2k_depth_group");
  menutest::Press(KEY_MASK_EXIT);
  menutest::Press(KEY_MASK_EXIT);
  menutest::Press(KEY_MASK_EXIT);

  // Back to the normal state without an NMEA 2000 source: the groups go.
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  T_ALARM_vRegisterMenu();
  menutest::Sync();
  menutest::Press(KEY_MASK_MENU);
  Draw(T_MENU_vDrawMainMenuLayer);
  for (const std::string& row : menutest::Snapshot().rows) EXPECT_EQ(row.find("NMEA2K"), std::string::npos) << row;
  menutest::Press(KEY_MASK_EXIT);
}

}  // namespace
