// Threading test: also runs under ThreadSanitizer.
// The sonar menus per transducer as the menu task holds them: the running
// menu task receives the registrations that the transducer enables send,
// in the order the history task applies a transducer change (everything
// off, then what the transducer needs on). Checked are the items on the
// Sonar tab and in the 2D view's quick menu per transducer type, the
// replacement of an item registered twice, and pictures of the Sonar tab.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "data/icons.h"
#include "source/graphics/g_box.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/sonar/s_sonarmenus.h"
#include "source/sonar/s_sonarviews.h"
#include "source/sonar/s_transducer.h"
#include "source/ui/t_menu_draw.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/ui/menu_test_env.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

using Names = std::set<std::string>;

struct Locked {
  Locked() { L_MUTEX_LockWait(RES_MENU); }
  ~Locked() { L_MUTEX_Unlock(RES_MENU); }
};

// What the history task does for a 2D transducer of type t with the
// element selection `sources`.
void Apply(U8 t, U32 sources, U8 imaging = 0) {
  H_DATABASE_bUpdateEverythingU32(FCID("YST1"), t, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  S_TRANSDUCER_vEnable(TRUE);
  S_TRANSDUCER_v2DEnable(t);
  if (imaging != 0) S_TRANSDUCER_vImagingEnable(imaging);
  S_TRANSDUCER_vCompositeEnable(imaging != 0 ? imaging : t, sources);
  menutest::Sync();
}

const MENU_ITEM* Find(const MENU_ITEM* p, const std::string& title) {
  for (; p != nullptr; p = p->pNextMenu) {
    if (menutest::Title(p->pMenuTitle) == title) return p;
  }
  return nullptr;
}

Names SonarTab() {
  Locked lock;
  const std::vector<std::string> v = menutest::Titles(s_mainMenuTabs[SONAR_TAB_PRIORITY].pFirstItem);
  return Names(v.begin(), v.end());
}

Names QuickMenu(LAYER_ID view, SPLIT_WINDOW_TYPE split) {
  Locked lock;
  for (const HOT_MENU& h : s_hotMenus) {
    if (h.view == view && h.type == split) {
      const std::vector<std::string> v = menutest::Titles(h.pFirstItem);
      return Names(v.begin(), v.end());
    }
  }
  return {};
}

std::vector<std::string> Choices(const std::string& title) {
  Locked lock;
  const MENU_ITEM* p = Find(s_mainMenuTabs[SONAR_TAB_PRIORITY].pFirstItem, title);
  std::vector<std::string> out;
  if (p == nullptr) return out;
  const M_SELECTION_BOX_PARAMETERS& s = p->parameters.selector;
  for (U32 i = 0; i < s.numberSelections; ++i) out.push_back(menutest::Title(s.pSelectionList[i]));
  return out;
}

// How often an item stands on the Sonar tab.
int Count(const std::string& title) {
  Locked lock;
  int n = 0;
  for (const MENU_ITEM* p = s_mainMenuTabs[SONAR_TAB_PRIORITY].pFirstItem; p != nullptr; p = p->pNextMenu) {
    n += menutest::Title(p->pMenuTitle) == title;
  }
  return n;
}

Names With(Names a, const Names& b) {
  a.insert(b.begin(), b.end());
  return a;
}

// On the Sonar tab for every 2D transducer (with the 2D source alone).
const Names kCommonTab = {"Connected Transducer", "Imaging Frequency", "RTS Window",  "Surface Clutter",
                          "Flarevex",             "Bottom View",       "Piscora +",   "Fish ID Sensitivity",
                          "Zoom Width",           "Sonar Colors",      "Color Bar",   "Depth Lines",
                          "Water Type",           "Temperature Graph"};

class SonarMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    menutest::StartMenuTask((U32)SONAR_VIEW_PRIORITY, SPLIT_FULL_WINDOW);
    // The tabs of other modules that take sonar items.
    ASSERT_TRUE(U_MENU_bRegisterTab(g_MENU_txtAlarmsTab, ALARM_TAB_PRIORITY, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
    S_TRANSDUCER_vEnable(FALSE);
    menutest::Sync();
  }
  void TearDown() override {
    S_TRANSDUCER_vEnable(FALSE);
    menutest::Sync();
  }
};

TEST_F(SonarMenus, ItemsPerTransducer) {
  struct Case {
    U8 type;
    Names tab;    // beyond the common ones
    Names quick;  // in the full-screen 2D view
    F32 maxRangeMetres;
  } cases[] = {
      {1, {"Beam Select", "83kHz Sensitivity", "Max Depth", "Noise Filter"},
       {"Sensitivity", "Chart Speed", "Lower Range", "Upper Range"}, 500.0f},
      {3, {"Noise Filter"}, {"Sensitivity", "Chart Speed"}, 100.0f},
      {7, {"Max Depth", "Noise Filter"}, {"Sensitivity", "Chart Speed", "Lower Range"}, 330.0f},
      {15, {"Beam Select", "Max Depth", "Noise Filter"},
       {"Sensitivity", "Chart Speed", "Lower Range", "Upper Range"}, 500.0f},
      {4, {"Beam Select", "50kHz Sensitivity", "Max Depth", "Noise Filter"},
       {"Sensitivity", "Chart Speed", "Lower Range", "Upper Range"}, 1000.0f},
  };
  // One after the other, as a person changing the transducer: what the
  // previous type offered and the next does not is gone.
  for (const Case& c : cases) {
    Apply(c.type, 0x1);
    EXPECT_EQ(SonarTab(), With(kCommonTab, c.tab)) << "type " << (int)c.type;
    EXPECT_EQ(QuickMenu(SONAR_VIEW_PRIORITY, SPLIT_FULL_WINDOW), c.quick) << "type " << (int)c.type;
    EXPECT_EQ(S_TRANSDUCER_fMaximumDepthRangeMetres(), c.maxRangeMetres) << "type " << (int)c.type;
  }
}

TEST_F(SonarMenus, BeamChoicesFollowTheTransducer) {
  struct Case {
    U8 type;
    std::vector<std::string> choices;
  } cases[] = {
      {1, {"200/83kHz", "200kHz", "83kHz"}},
      {4, {"200/50kHz", "200kHz", "50kHz"}},
      {15, {"200kHz", "455kHz"}},
      // Registered twice (200 kHz, then 83 kHz selection): the second
      // replaces the first and the item shows once.
      {17, {"200/83kHz", "200kHz", "83kHz"}},
      {3, {}},  // no beam selector
  };
  for (const Case& c : cases) {
    Apply(c.type, 0x1);
    EXPECT_EQ(Choices("Beam Select"), c.choices) << "type " << (int)c.type;
    EXPECT_EQ(Count("Beam Select"), c.choices.empty() ? 0 : 1) << "type " << (int)c.type;
    EXPECT_EQ(Count("83kHz Sensitivity"), c.type == 1 || c.type == 17 ? 1 : 0) << "type " << (int)c.type;
  }
}

TEST_F(SonarMenus, ImagingFrequencyFitsTheTransducer) {
  Apply(1, 0x1);
  struct Case {
    U32 type;
    std::vector<std::string> choices;
  } cases[] = {{5, {"455kHz", "262kHz"}}, {9, {}}, {15, {"455kHz", "800kHz"}}, {16, {}}, {10, {"455kHz", "800kHz"}}};
  for (const Case& c : cases) {
    vMenuSideScanFrequency(c.type);
    menutest::Sync();
    EXPECT_EQ(Choices("Imaging Frequency"), c.choices) << "type " << c.type;
  }
}

TEST_F(SonarMenus, CompositeItemsNeedEverySource) {
  Apply(15, 0x1, 15);
  const Names two = SonarTab();
  EXPECT_EQ(two.count("Digital Depth Source"), 0u);
  Apply(15, 0x3, 15);
  const Names both = SonarTab();
  EXPECT_EQ(both.count("Digital Depth Source"), 1u);
  EXPECT_EQ(both.count("DI Colors"), 1u);  // once, though registered for each imaging view
  EXPECT_EQ(QuickMenu(NADSCAN_VIEW_PRIORITY, SPLIT_FULL_WINDOW),
            (Names{"DI Colors", "DI Enhance", "Down Sensitivity", "Lower Range", "Upper Range", "Chart Speed"}));
}

Names Tab(TAB_PRIORITY tab) {
  Locked lock;
  const std::vector<std::string> v = menutest::Titles(s_mainMenuTabs[tab].pFirstItem);
  return Names(v.begin(), v.end());
}

TEST_F(SonarMenus, DisconnectRemovesTheTabAndASecondEnableKeepsIt) {
  Apply(1, 0x1);
  {
    Locked lock;
    EXPECT_NE(s_mainMenuTabs[SONAR_TAB_PRIORITY].pTabTitle, nullptr);
  }
  // Items of the 2D transducer on the tabs of other modules.
  EXPECT_EQ(Tab(ALARM_TAB_PRIORITY), (Names{"Depth Alarm", "Fish ID Alarm"}));
  EXPECT_EQ(Tab(SETUP_TAB_PRIORITY).count("Depth Offset"), 1u);
  // A second enable while the transducer is current: the tab and the
  // selection stay as they are.
  Apply(1, 0x1);
  EXPECT_EQ(SonarTab().count("Connected Transducer"), 1u);
  S_TRANSDUCER_vEnable(FALSE);
  menutest::Sync();
  EXPECT_EQ(Tab(ALARM_TAB_PRIORITY), Names{});
  EXPECT_EQ(Tab(SETUP_TAB_PRIORITY).count("Depth Offset"), 0u);
  Locked lock;
  EXPECT_EQ(s_mainMenuTabs[SONAR_TAB_PRIORITY].pTabTitle, nullptr);
}

// ------------------------------------------------------------ pictures
BITMAP* Page() {
  static BITMAP* s_page = G_BUFFERS_pCreateFullScreenBitmap();
  return s_page;
}

void DrawMainMenu() {
  G_BOX_vDrawFilled(Page(), 0x0210, POINT{0, 0}, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  WINDOW_SPECIFICATION ws{};
  ws.currentLayer = SONAR_VIEW_PRIORITY;
  ws.activeWindow = SPLIT_FULL_WINDOW;
  ws.drawWindowType = SPLIT_FULL_WINDOW;
  ws.drawWindow = WINDOW_LOCATION{0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
  T_MENU_vDrawMainMenuLayer(Page(), &ws);
}

TEST_F(SonarMenus, GoldenSonarTab) {
  struct Case {
    U8 type;
    const char* golden;
  } cases[] = {{1, "sonar/menu_tab_type1"}, {15, "sonar/menu_tab_type15"}};
  for (const Case& c : cases) {
    Apply(c.type, 0x1);
    COLOR_vResetColorTable();
    {
      Locked lock;
      s_activeTab = SONAR_TAB_PRIORITY;
    }
    // The first MENU opens the view's quick menu, the second the main menu.
    for (int i = 0; i < 2 && T_MENU_eActiveMenu() != MAIN_MENU; ++i) menutest::Press(KEY_MASK_MENU);
    ASSERT_EQ(MAIN_MENU, T_MENU_eActiveMenu());
    DrawMainMenu();  // the first draw builds the rows
    menutest::Cursor(CURSOR_SOUTH);
    DrawMainMenu();
    ExpectMatchesGolden(G_BITMAP_pPixels(Page()), G_SCREEN_WIDTH, G_SCREEN_HEIGHT,
                        (int)Page()->__u32PixelWidthOfBuffer, c.golden);
    for (int i = 0; i < 3 && T_MENU_eActiveMenu() != NO_MENU; ++i) menutest::Press(KEY_MASK_EXIT);
  }
}

}  // namespace
