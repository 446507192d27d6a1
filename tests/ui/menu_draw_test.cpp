// The menu layers as the view task draws them: menus are built through the
// client functions, opened with key changes sent to the running menu task,
// and the layers' draw callbacks are called on a page of our own. Checked
// are the width rules, the tab bar, row heights and pitch, the window of
// visible rows and its scroll tab, the quick-access menu while a value is
// being changed, the confirmation box's place on the page, and pictures of
// a main menu with tabs, a sub menu, a quick-access menu and an info menu.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "data/icons.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/ui/ui_upcalls.h"
#include "source/ui/t_menu_draw.h"
#include "source/graphics/u_fonts.h"
#include "tests/ui/menu_test_env.h"
#include "tests/support/golden.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

using menutest::Cursor;
using menutest::Press;
using menutest::Sync;
using menutest::Text;

dbtest::TempInstall& s_install = dbtest::Install();

constexpr LAYER_ID VIEW = SONAR_VIEW_PRIORITY;
constexpr COLOR BACKGROUND = 0x0210;

COLOR Colour(U32 index) { return gCOLOR_pcolColorTable[index]; }
U32 W16(const char* pc) { return G_STRING_u32GetWidth(std_16x17_font_def_ptr, pc); }
U32 W11(const char* pc) { return G_STRING_u32GetWidth(std_11x14_font_def_ptr, pc); }
const char* Str(DB_TEXT_RECORD record) { return record[0]; }

BITMAP* Page() {
  static BITMAP* s_page = G_BUFFERS_pCreateFullScreenBitmap();
  return s_page;
}

// Pixel at logical (x, y).
COLOR Px(S32 x, S32 y) { return G_PIXEL_colorGetPhysicalPixel(Page(), x, G_SCREEN_HEIGHT - 1 - y); }

void Clear() { G_BOX_vDrawFilled(Page(), BACKGROUND, POINT{0, 0}, G_SCREEN_WIDTH, G_SCREEN_HEIGHT); }

// Calls a layer's draw callback as the view task does, on the page as it is.
void DrawOver(DRAW_FUNCTION* pfn, LAYER_ID view = VIEW) {
  WINDOW_SPECIFICATION ws{};
  ws.currentLayer = view;
  ws.activeWindow = SPLIT_FULL_WINDOW;
  ws.drawWindowType = SPLIT_FULL_WINDOW;
  ws.drawWindow = WINDOW_LOCATION{0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
  pfn(Page(), &ws);
}

void Draw(DRAW_FUNCTION* pfn, LAYER_ID view = VIEW) {
  Clear();
  DrawOver(pfn, view);
}

bool PageIsBlank() {
  for (S32 y = 0; y < G_SCREEN_HEIGHT; ++y) {
    for (S32 x = 0; x < G_SCREEN_WIDTH; ++x) {
      if (Px(x, y) != BACKGROUND) return false;
    }
  }
  return true;
}

// Pixels of a colour inside a rectangle (inclusive corners).
int Count(COLOR colour, S32 x1, S32 y1, S32 x2, S32 y2) {
  int n = 0;
  for (S32 y = y1; y <= y2; ++y) {
    for (S32 x = x1; x <= x2; ++x) n += Px(x, y) == colour;
  }
  return n;
}

void ExpectGolden(const char* name) {
  ExpectMatchesGolden(G_BITMAP_pPixels(Page()), G_SCREEN_WIDTH, G_SCREEN_HEIGHT,
                      (int)Page()->__u32PixelWidthOfBuffer, name);
}

struct Locked {
  Locked() { L_MUTEX_LockWait(RES_MENU); }
  ~Locked() { L_MUTEX_Unlock(RES_MENU); }
};

ACTIVE_MENU Kind() { return T_MENU_eActiveMenu(); }

// The MENU key, once the registrations sent before have been handled (key
// changes travel at a more urgent message priority and would overtake them).
void PressMenu() {
  Sync();
  Press(KEY_MASK_MENU);
}

// ------------------------------------------------------------ static menu data
MENU_TEST_TEXT(s_txtOff, "Off");
MENU_TEST_TEXT(s_txtMax, "Max");
MENU_TEST_TEXT(s_txtOn, "On");
MENU_TEST_TEXT(s_txtFeet, "Feet");
MENU_TEST_TEXT(s_txtMetres, "Metres");
MENU_TEST_TEXT(s_txtFathoms, "Fathoms");
MENU_TEST_TEXT(s_txtLong, "A long choice for the box");
MENU_TEST_TEXT(s_txtTone1, "Tone 1");
MENU_TEST_TEXT(s_txtTone2, "Tone 2");
MENU_TEST_TEXT(s_txtSelected, "Selected");
MENU_TEST_TEXT(s_txtAll, "All");

const MENU_LIMITS s_limits10[] = {{U_NONE, 0.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_limits250[] = {{U_NONE, 0.0f, 250.0f, 1.0f}};
const MENU_LIMITS s_limitsOffset[] = {{U_NONE, -20.0f, 20.0f, 1.0f}};
const U32 s_au32Three[] = {0, 1, 2};
const U32 s_au32Two[] = {0, 1};
const DB_TEXT_RECORD s_apOnOff[] = {s_txtOff, s_txtOn};
const DB_TEXT_RECORD s_apUnits[] = {s_txtFeet, s_txtMetres, s_txtFathoms};
const DB_TEXT_RECORD s_apLong[] = {s_txtOff, s_txtLong};
const DB_TEXT_RECORD s_apTones[] = {s_txtTone1, s_txtTone2};
const DB_TEXT_RECORD s_apRouteChoices[] = {s_txtSelected, s_txtAll};
const MENU_LIST_FUNC s_apfnTwo[] = {nullptr, nullptr};
const BOOLEAN s_abNoConfirm[] = {FALSE, FALSE};

U32 s_u32Checked = 1;
U32 u32GetCheck(U32) { return s_u32Checked; }
void vSetCheck(U32) { s_u32Checked = !s_u32Checked; }

void SetKey(const char (&key)[5], U32 value, DATA_TYPE type = D_UNSIGNED32) {
  H_DATABASE_bUpdateEverythingU32(FCID(key), value, P_NORMAL, type, nullptr, DB_NO_TIMEOUT);
}
void SetKeyS32(const char (&key)[5], S32 value) {
  H_DATABASE_bUpdateEverythingS32(FCID(key), value, P_NORMAL, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
}

const char* UnitsText(DATA_TYPE type) {
  const char* pc = H_DATABASE_pcUnitsString(H_DATABASE_CurrentUnits(type), LANGUAGE_ENGLISH);
  return pc != nullptr ? pc : "";
}

ROUTE RouteNamed(const char* name) {
  ROUTE r{};
  strncpy(r.acName, name, sizeof r.acName);
  return r;
}

// ------------------------------------------------------------ navigation store and data sources
// A stand-in navigation store (routes by index) and the set of data
// sources that are missing, behind fakes the menu task reads through.
std::mutex s_fakeMutex;
std::map<U16, ROUTE> s_routes;
std::set<FOURCHARID> s_unavailable;

void vFakeCopyRoute(U16 u16Index, ROUTE* pRoute) {
  if (pRoute == nullptr || u16Index == 0xFFFF) return;
  std::lock_guard<std::mutex> lock(s_fakeMutex);
  auto it = s_routes.find(u16Index);
  *pRoute = it != s_routes.end() ? it->second : ROUTE{};
}

BOOLEAN bFakeIsSourceAvailable(FOURCHARID fcidSource) {
  std::lock_guard<std::mutex> lock(s_fakeMutex);
  return s_unavailable.count(fcidSource) != 0 ? FALSE : TRUE;
}

void SetRoute(U16 u16Index, const ROUTE& r) {
  std::lock_guard<std::mutex> lock(s_fakeMutex);
  s_routes[u16Index] = r;
}

void SetSourceAvailable(const char (&key)[5], bool available) {
  std::lock_guard<std::mutex> lock(s_fakeMutex);
  if (available) {
    s_unavailable.erase(FCID(key));
  } else {
    s_unavailable.insert(FCID(key));
  }
}

// ------------------------------------------------------------ fixture
class MenuDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    T_NAV_vCopyRoute_Install(&vFakeCopyRoute);
    GUI_bIsSourceAvailable_Install(&bFakeIsSourceAvailable);
    menutest::StartMenuTask((U32)VIEW, SPLIT_FULL_WINDOW);
    menutest::ResetMenus();
    menutest::SendCommand(CMD_ID_RESTORE_MENU);
    COLOR_vResetColorTable();
    keys_.Read();
    layers_.Read();
  }
  void TearDown() override {
    menutest::ResetMenus();
    keys_.Read();
    layers_.Read();
    T_NAV_vCopyRoute_Install(nullptr);
    GUI_bIsSourceAvailable_Install(nullptr);
    std::lock_guard<std::mutex> lock(s_fakeMutex);
    s_routes.clear();
    s_unavailable.clear();
  }

  // Opens the main menu (no quick-access menu exists for the view) and puts
  // the selection on row `row`.
  static void OpenMainAt(int row) {
    PressMenu();
    ASSERT_EQ(MAIN_MENU, Kind());
    Draw(T_MENU_vDrawMainMenuLayer);  // the first draw builds the rows
    for (int i = 0; i <= row; ++i) Cursor(CURSOR_SOUTH);
  }

  // A tab with `n` actions "Row 0" ... on it.
  static DB_TEXT_RECORD TabWithRows(int n, TAB_PRIORITY slot = SETUP_TAB_PRIORITY) {
    DB_TEXT_RECORD tab = Text("Setup");
    EXPECT_TRUE(U_MENU_bRegisterTab(tab, slot, nullptr, M_BASIC));
    for (int i = 0; i < n; ++i) {
      EXPECT_TRUE(U_MENU_bRegisterMainActionMenu(Text("Row " + std::to_string(i)), tab, (MENU_PRIORITY)(20 + i),
                                                 nullptr, FALSE, M_BASIC));
    }
    return tab;
  }

  menutest::KeyLedger keys_;
  menutest::LayerLedger layers_;
};

// ------------------------------------------------------------ widths
// One row per case on a main-menu tab; the width the rules give for it.
struct WidthCase {
  const char* name;
  std::function<void(DB_TEXT_RECORD tab)> registration;
  std::function<U32()> expected;
  std::function<U32()> selector = nullptr;  // expected selection-box width, when one is worked out
};

U32 SliderLike(const char* title, const char* left, const char* right, bool leftCounts) {
  const U32 m = std::max(leftCounts ? W11(left) + 4 : 0U, W11(right));
  const U32 top = W16(title) + 10 + m + W16(UnitsText(D_UNSIGNED32)) + 22;
  return std::max(top, 2 * m + 160);
}

std::vector<WidthCase> WidthCases() {
  return {
      {"an action is as wide as its title and margin",
       [](DB_TEXT_RECORD tab) {
         U_MENU_bRegisterMainActionMenu(Text("Restore Defaults"), tab, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC);
       },
       [] { return W16("Restore Defaults") + 10; }},
      {"an item icon adds its width and a gap in the main menu",
       [](DB_TEXT_RECORD tab) {
         static const DB_TEXT_RECORD s_names[] = {Text("Icon Sub")};
         U_MENU_bRegisterMainSubMenuWithIcon(Text("Sonar Setup"), tab, &SonarTab_icon, MENU_PRIORITY_1, s_names,
                                             s_names, nullptr, 1, M_BASIC);
       },
       [] { return W16("Sonar Setup") + 10 + 32 + 6; }},
      {"a slider with end texts",
       [](DB_TEXT_RECORD tab) {
         SetKey("SWS1", 5);
         U_MENU_bRegisterMainSliderMenu(Text("Backlight"), tab, MENU_PRIORITY_1, FCID("SWS1"), s_limits10, s_txtOff,
                                        s_txtMax, nullptr, M_BASIC);
       },
       [] { return SliderLike("Backlight", "Off", "Max", true); }},
      {"a slider without end texts shows its limits",
       [](DB_TEXT_RECORD tab) {
         SetKey("SWS2", 5);
         U_MENU_bRegisterMainSliderMenu(Text("Gain"), tab, MENU_PRIORITY_1, FCID("SWS2"), s_limits250, nullptr,
                                        nullptr, nullptr, M_BASIC);
       },
       [] { return SliderLike("Gain", "0", "250", true); }},
      {"a progress bar",
       [](DB_TEXT_RECORD tab) {
         SetKey("SWS3", 3);
         U_MENU_bRegisterMainProgBarMenu(Text("Volume"), tab, MENU_PRIORITY_1, FCID("SWS3"), s_limits10, s_txtOff,
                                         s_txtMax, nullptr, M_BASIC);
       },
       [] {
         const U32 top = W16("Volume") + 10 + W16(UnitsText(D_UNSIGNED32)) + std::max(W16("Max"), W16("Off")) + 22;
         return std::max(top, 2 * std::max(W11("Off"), W11("Max")) + 160);
       }},
      {"a numeric entry holds its widest limit",
       [](DB_TEXT_RECORD tab) {
         SetKey("SWS4", 42);
         U_MENU_bRegisterMainNumEntryMenu(Text("Unit Number"), tab, MENU_PRIORITY_1, FCID("SWS4"), s_limits250,
                                          nullptr, nullptr, nullptr, M_BASIC);
       },
       [] {
         const U32 m = std::max(W11("0") + 4, W11("250") + 4);
         const U32 box = W11("000") + 6;
         return std::max(W16("Unit Number") + 10 + m + W16(UnitsText(D_UNSIGNED32)) + 22, box + 2 * m + 40);
       }},
      {"the selected selector is at least 148 wide",
       [](DB_TEXT_RECORD tab) {
         SetKey("SWS5", 1);
         U_MENU_bRegisterMainSelectorMenu(Text("Alarm"), tab, MENU_PRIORITY_1, FCID("SWS5"), 2, s_apOnOff,
                                          s_au32Two, M_BASIC);
       },
       [] { return 2 * 10 + 18 + 148U; }, [] { return 148U; }},
      {"a long choice widens the selector",
       [](DB_TEXT_RECORD tab) {
         SetKey("SWS6", 0);
         U_MENU_bRegisterMainSelectorMenu(Text("Mode"), tab, MENU_PRIORITY_1, FCID("SWS6"), 2, s_apLong, s_au32Two,
                                          M_BASIC);
       },
       [] { return 2 * 10 + 18 + ((W11(Str(s_txtLong)) + 1) & ~1U) + 4; },
       [] { return ((W11(Str(s_txtLong)) + 1) & ~1U) + 4; }},
      {"an unselected selector is as wide as its value",
       [](DB_TEXT_RECORD tab) {
         U_MENU_bRegisterMainActionMenu(Text("A"), tab, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC);
         SetKey("SWS7", 1);
         U_MENU_bRegisterMainSelectorMenu(Text("B"), tab, MENU_PRIORITY_2, FCID("SWS7"), 2, s_apLong, s_au32Two,
                                          M_BASIC);
       },
       [] { return W16(Str(s_txtLong)) + 8; }},
      {"an action list shows the route its key names",
       [](DB_TEXT_RECORD tab) {
         SetKeyS32("IRT0", 3);
         const ROUTE r = RouteNamed("HOME RUN");
         SetRoute(3, r);
         U_MENU_bRegisterMainActionListMenu(Text("Travel"), tab, MENU_PRIORITY_1, s_apRouteChoices, s_apfnTwo, 2,
                                            M_BASIC, FCID("IRT0"), s_abNoConfirm);
       },
       [] { return W16("Travel") + 10 + W16("-") + W16("HOME RUN") + 10; }},
      {"an action list bound to another key shows no name",
       [](DB_TEXT_RECORD tab) {
         SetKey("SXYZ", 1);
         U_MENU_bRegisterMainActionListMenu(Text("Odd List"), tab, MENU_PRIORITY_1, s_apTones, s_apfnTwo, 2, M_BASIC,
                                            FCID("SXYZ"), s_abNoConfirm);
       },
       [] { return W16("Odd List") + 10; }},
      {"a menu wider than the screen is drawn 797 wide",
       [](DB_TEXT_RECORD tab) {
         U_MENU_bRegisterMainActionMenu(Text(std::string(60, 'W')), tab, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC);
       },
       [] { return 797U; }},
  };
}

TEST_F(MenuDraw, WidthRulesPerControl) {
  for (const WidthCase& c : WidthCases()) {
    SCOPED_TRACE(c.name);
    menutest::ResetMenus();
    DB_TEXT_RECORD tab = Text("Tab");
    ASSERT_TRUE(U_MENU_bRegisterTab(tab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
    c.registration(tab);
    PressMenu();
    ASSERT_EQ(MAIN_MENU, Kind());
    Draw(T_MENU_vDrawMainMenuLayer);
    Locked lock;
    EXPECT_EQ(c.expected(), T_MENU_u32FindMinMenuWidths((U32)s_numActiveMenuItems));
    if (c.selector) {
      EXPECT_EQ(c.selector(), T_MENU_u32SelectorWidth());
    }
  }
}

TEST_F(MenuDraw, WidthWithoutRowsIsTheNoMenusRow) {
  DB_TEXT_RECORD tab = Text("Empty");
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, SONAR_TAB_PRIORITY, nullptr, M_BASIC));
  PressMenu();
  Draw(T_MENU_vDrawMainMenuLayer);
  {
    Locked lock;
    ASSERT_EQ(0, s_numActiveMenuItems);
    EXPECT_EQ(W16("No Menus Available") + 12, T_MENU_u32FindMinMenuWidths(0));
  }
  // The one row shows the text in the selected row's colour.
  EXPECT_GT(Count(Colour(68), 8, 516 + 27, 8 + (S32)W16("No Menus Available"), 516 + 53), 20);
}

TEST_F(MenuDraw, CheckItemsReserveRoomForTheirMark) {
  DB_TEXT_RECORD tab = Text("Tab");
  DB_TEXT_RECORD sub = Text("Options");
  static DB_TEXT_RECORD s_names[1];
  s_names[0] = sub;
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainSubMenu(Text("Opener"), tab, MENU_PRIORITY_1, s_names, s_names, nullptr, 1, M_BASIC));
  // Sub menus leave item icons out of the width; the check mark takes 44.
  ASSERT_TRUE(U_MENU_bRegisterSubMenuCheckListMenu(Text("Fish ID"), sub, &SonarTab_icon, MENU_PRIORITY_1, 0,
                                                   u32GetCheck, vSetCheck, M_BASIC));
  OpenMainAt(0);
  menutest::PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  ASSERT_EQ(MAIN_SUB_MENU, Kind());
  Draw(T_MENU_vDrawSubMenuLayer);
  Locked lock;
  EXPECT_EQ(W16("Fish ID") + 10 + 44, T_MENU_u32FindMinMenuWidths((U32)s_numActiveMenuItems));
}

// ------------------------------------------------------------ numeric entry box
struct BoxCase {
  const char* name;
  DATA_FORMAT format;
  DB_DATA_TYPE minimum;
  DB_DATA_TYPE maximum;
  U8 precision;
  const char* digits;  // the zeros the box must hold
};

DB_DATA_TYPE U(U32 v) {
  DB_DATA_TYPE d{};
  d.u32Val = v;
  return d;
}
DB_DATA_TYPE S(S32 v) {
  DB_DATA_TYPE d{};
  d.s32Val = v;
  return d;
}
DB_DATA_TYPE F(F32 v) {
  DB_DATA_TYPE d{};
  d.fVal = v;
  return d;
}

TEST(MenuLayout, NumericEntryBoxHoldsTheWidestLimit) {
  const BoxCase cases[] = {
      {"three digits", DF_UNSIGNED32, U(0), U(250), 0, "000"},
      {"one digit", DF_UNSIGNED32, U(5), U(9), 0, "0"},
      {"the minimum can be wider", DF_UNSIGNED32, U(1000), U(9), 0, "0000"},
      {"a float adds its decimals", DF_FLOAT, F(0.0f), F(99.5f), 1, "000"},
      {"a signed value adds a sign", DF_SIGNED32, S(-50), S(20), 0, "000"},
      {"a negative minimum counts its digits", DF_SIGNED32, S(-1000), S(0), 0, "00000"},
      {"a zero maximum still takes a digit", DF_UNSIGNED32, U(0), U(0), 0, "0"},
      {"a negative float limit takes its digits", DF_FLOAT, F(-5.0f), F(-1.0f), 2, "000"},
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.name);
    M_NUMERIC_ENTRY_PARAMETERS p{};
    p.minValue = c.minimum;
    p.maxValue = c.maximum;
    p.u8precision = c.precision;
    EXPECT_EQ(W11(c.digits) + 6, T_MENU_u32FindNumericEntryBoxWidth(&p, c.format));
  }
}

// ------------------------------------------------------------ tab bar
struct TabCase {
  const char* name;
  std::vector<int> active;
  int selected;
  U32 selectedWidth;
  std::vector<S32> x;
  std::vector<U32> widths;
  U32 total;
};

TEST(MenuLayout, TabBarPlacesTabsAndKeepsTo790) {
  const TabCase cases[] = {
      {"three tabs", {0, 4, 6}, 4, 100, {3, 47, 147}, {44, 100, 44}, 192},
      {"the first tab selected", {1, 2}, 1, 60, {3, 63}, {60, 44}, 108},
      // 44 x 11 + 400 + 4 = 888 > 790: the others share 386 (35 each), the
      // selected one takes the rest.
      {"twelve tabs narrow the others",
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
       0,
       400,
       {3, 404, 439, 474, 509, 544, 579, 614, 649, 684, 719, 754},
       {401, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35, 35},
       790},
      {"a selected tab wider than the bar", {3, 7}, 7, 900, {3, 3}, {0, 786}, 790},
      {"the selected slot is not active", {2, 5}, 9, 120, {3, 47}, {44, 44}, 92},
      {"no tabs", {}, 0, 100, {}, {}, 0},
  };
  for (const TabCase& c : cases) {
    SCOPED_TRACE(c.name);
    BOOLEAN active[NUM_TAB_PRIORITIES] = {};
    for (int slot : c.active) active[slot] = TRUE;
    MENU_TAB_BAR_LAYOUT l;
    T_MENU_vLayoutTabBar(active, c.selected, c.selectedWidth, &l);
    ASSERT_EQ((S32)c.active.size(), l.s32Tabs);
    EXPECT_EQ(c.total, l.u32TotalWidth);
    for (S32 i = 0; i < l.s32Tabs; ++i) {
      EXPECT_EQ(c.active[i], l.as32Slot[i]);
      EXPECT_EQ(c.x[i], l.as32X[i]) << "tab " << i;
      EXPECT_EQ(c.widths[i], l.au32Width[i]) << "tab " << i;
    }
  }
}

TEST_F(MenuDraw, TwelveTabsEndAtTheBarsLimit) {
  for (int slot = 0; slot < NUM_TAB_PRIORITIES; ++slot) {
    const std::string name = slot == SETUP_TAB_PRIORITY ? std::string(40, 'N') : "T" + std::to_string(slot);
    DB_TEXT_RECORD tab = Text(name);
    ASSERT_TRUE(U_MENU_bRegisterTab(tab, (TAB_PRIORITY)slot, nullptr, M_BASIC));
    ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("Item"), tab, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  }
  {
    Locked lock;
    s_activeTab = SETUP_TAB_PRIORITY;
  }
  PressMenu();
  Draw(T_MENU_vDrawMainMenuLayer);
  BOOLEAN active[NUM_TAB_PRIORITIES];
  for (BOOLEAN& a : active) a = TRUE;
  MENU_TAB_BAR_LAYOUT l;
  T_MENU_vLayoutTabBar(active, SETUP_TAB_PRIORITY, W11(std::string(40, 'N').c_str()) + 16, &l);
  ASSERT_EQ(790U, l.u32TotalWidth);
  ASSERT_LT(l.au32Width[0], 44U);
  // The bar's last tab ends at x = 3 + 786 - 1 with its separator line.
  const S32 y = 591 - 22 + 14;
  EXPECT_EQ(Colour(67), Px(788, y));
  EXPECT_EQ(BACKGROUND, Px(789, y));
  // The selected tab is drawn on colour 64, the others on 65; the first
  // tab's separator stands at its narrowed width.
  EXPECT_EQ(Colour(64), Px(l.as32X[SETUP_TAB_PRIORITY] + 2, y + 9));
  EXPECT_EQ(Colour(65), Px(3 + 4, y - 8));
  EXPECT_EQ(Colour(67), Px(3 + (S32)l.au32Width[0] - 1, y));
}

// ------------------------------------------------------------ rows and the visible window
// Where the main menu's visible rows stand with 9 of them shown: the first
// at 516, each next 54 lower.
S32 MainRowY(int visibleIndex) { return 537 - 22 - 8 * 54 + 1 + 8 * 54 - 54 * visibleIndex; }

TEST_F(MenuDraw, MainMenuRowsAre55HighAnd54Apart) {
  TabWithRows(9);
  OpenMainAt(3);
  Draw(T_MENU_vDrawMainMenuLayer);
  const U32 w = T_MENU_u32MenuWidth();
  const S32 cx = 2 + (S32)w - 3;  // inside every row, clear of texts and marks
  for (int k = 0; k < 9; ++k) {
    SCOPED_TRACE("row " + std::to_string(k));
    const S32 y = MainRowY(k);
    const bool selected = k == 3;
    EXPECT_EQ(Colour(67), Px(cx, y));                              // bottom edge
    EXPECT_EQ(Colour(selected ? 65 : 66), Px(cx, y + 1));          // lower line
    EXPECT_EQ(Colour(selected ? 64 : 65), Px(cx, y + 20));         // fill
    EXPECT_EQ(Colour(64), Px(cx, y + 53));                         // upper line
    EXPECT_EQ(Colour(67), Px(cx, y + 54));                         // top edge, the row above's bottom
  }
  // The frame: 64 outside, 67 inside, around the rows.
  EXPECT_EQ(Colour(64), Px(cx, MainRowY(0) + 55));
  EXPECT_EQ(Colour(64), Px(cx, MainRowY(8) - 1));
  EXPECT_EQ(BACKGROUND, Px(cx, MainRowY(8) - 2));
  EXPECT_EQ(Colour(64), Px(0, 300));
  EXPECT_EQ(Colour(67), Px(1, 300));
  EXPECT_EQ(Colour(64), Px((S32)w + 3, 300));
  EXPECT_EQ(BACKGROUND, Px((S32)w + 4, 300));
}

// The scroll tab under the list's right end: its up and down triangles.
struct ScrollTab {
  bool up;
  bool down;
};

ScrollTab ReadScrollTab(S32 firstRowX, S32 lowestRowY, U32 width) {
  const S32 x = firstRowX + (S32)width - 74;
  const S32 y = lowestRowY - 17;
  return ScrollTab{Px(x + 18, y + 3) == Colour(66), Px(x + 52, y + 10) == Colour(66)};
}

TEST_F(MenuDraw, ScrollTabShowsRowsHiddenAboveAndBelow) {
  TabWithRows(12);
  OpenMainAt(0);
  struct Step {
    int moves;  // further rows down
    int top;    // first visible row
    bool up;
    bool down;
  };
  const Step steps[] = {{0, 0, false, true}, {8, 0, false, true}, {1, 1, true, true}, {2, 3, true, false}};
  for (const Step& s : steps) {
    for (int i = 0; i < s.moves; ++i) Cursor(CURSOR_SOUTH);
    Draw(T_MENU_vDrawMainMenuLayer);
    const menutest::Open open = menutest::Snapshot();
    SCOPED_TRACE("selection " + std::to_string(open.selection));
    EXPECT_EQ(s.top, open.top);
    const ScrollTab tab = ReadScrollTab(2, MainRowY(8), T_MENU_u32MenuWidth());
    EXPECT_EQ(s.up, tab.up);
    EXPECT_EQ(s.down, tab.down);
    // The selected row is drawn where the window puts it.
    EXPECT_EQ(Colour(64), Px(2 + (S32)T_MENU_u32MenuWidth() - 3, MainRowY(open.selection - open.top) + 20));
  }
}

TEST_F(MenuDraw, NineRowsOrFewerHaveNoScrollTab) {
  TabWithRows(9);
  OpenMainAt(8);
  Draw(T_MENU_vDrawMainMenuLayer);
  const ScrollTab tab = ReadScrollTab(2, MainRowY(8), T_MENU_u32MenuWidth());
  EXPECT_FALSE(tab.up);
  EXPECT_FALSE(tab.down);
  EXPECT_EQ(BACKGROUND, Px(2 + (S32)T_MENU_u32MenuWidth() - 40, MainRowY(8) - 10));
}

TEST_F(MenuDraw, AWideMenuStaysOnThePage) {
  DB_TEXT_RECORD tab = Text("Tab");
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
  ASSERT_TRUE(
      U_MENU_bRegisterMainActionMenu(Text(std::string(60, 'W')), tab, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  OpenMainAt(0);
  Draw(T_MENU_vDrawMainMenuLayer);
  EXPECT_EQ(797U, T_MENU_u32MenuWidth());
  const S32 y = MainRowY(0) + 20;
  EXPECT_EQ(Colour(64), Px(797, y));  // the row ends at 2 + 797 - 1
  EXPECT_EQ(Colour(67), Px(798, y));
  EXPECT_EQ(Colour(67), Px(799, y));  // the frame's inner box reaches the edge
}

// ------------------------------------------------------------ quick-access menu
class QuickAccess : public MenuDraw {
 protected:
  // Three sliders in the view's quick-access menu, opened.
  void OpenThreeSliders() {
    SetKey("SQA1", 2);
    SetKey("SQA2", 4);
    SetKey("SQA3", 6);
    const FOURCHARID keys[] = {FCID("SQA1"), FCID("SQA2"), FCID("SQA3")};
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(U_MENU_bRegisterHotSliderMenu(Text("Slider " + std::to_string(i)), nullptr,
                                                (MENU_PRIORITY)(20 + i), keys[i], s_limits10, nullptr, nullptr,
                                                nullptr, M_BASIC, VIEW, SPLIT_FULL_WINDOW));
    }
    PressMenu();
    ASSERT_EQ(EXPRESS_MENU, Kind());
  }
  static S32 FrameX(U32 w) { return (800 - (S32)w) / 2 - 1; }
  static constexpr S32 FIRST_ROW_Y = 541;
};

TEST_F(QuickAccess, ListHangsFromTheTopCentred) {
  OpenThreeSliders();
  Draw(T_MENU_vDrawHotMenuLayer);
  const U32 w = T_MENU_u32MenuWidth();
  const S32 x = FrameX(w);
  const S32 cx = x + 2 + (S32)w - 3;
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("row " + std::to_string(k));
    EXPECT_EQ(Colour(k == 0 ? 64 : 65), Px(cx, FIRST_ROW_Y - 54 * k + 45));
    EXPECT_EQ(Colour(67), Px(cx, FIRST_ROW_Y - 54 * k));
  }
  // Frame: 54 x 3 + 5 high from 596 - 162 - 2 up; 4 wider than the rows.
  EXPECT_EQ(Colour(64), Px(x, 500));
  EXPECT_EQ(BACKGROUND, Px(x - 1, 500));
  EXPECT_EQ(Colour(64), Px(x + (S32)w + 3, 500));
  EXPECT_EQ(Colour(64), Px(cx, 596 - 162 - 2));
  EXPECT_EQ(BACKGROUND, Px(cx, 596 - 162 - 3));
  EXPECT_EQ(Colour(64), Px(cx, 598));
  EXPECT_EQ(BACKGROUND, Px(cx, 599));
}

TEST_F(QuickAccess, WhileAValueChangesOnlyTheRowAndItsArrowTabsShow) {
  OpenThreeSliders();
  struct Case {
    int row;
    bool above;
    bool below;
  };
  const Case cases[] = {{1, true, true}, {2, true, false}, {0, false, true}};
  int at = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row));
    while (at != c.row) {
      Cursor(at < c.row ? CURSOR_SOUTH : CURSOR_NORTH);
      at += at < c.row ? 1 : -1;
    }
    menutest::PassSidewaysHoldOff();
    Cursor(CURSOR_EAST);
    {
      Locked lock;
      ASSERT_FALSE(s_bShowMenuList);
    }
    Draw(T_MENU_vDrawHotMenuLayer);
    const U32 w = T_MENU_u32MenuWidth();
    const S32 x = FrameX(w) + 2;
    const S32 y = FIRST_ROW_Y - 54 * c.row;
    EXPECT_EQ(Colour(64), Px(x + (S32)w - 3, y + 45));  // the selected row
    for (int k = 0; k < 3; ++k) {
      if (k != c.row) {
        EXPECT_EQ(BACKGROUND, Px(x + 3, FIRST_ROW_Y - 54 * k + 20)) << "row " << k << " is hidden";
      }
    }
    // Tabs at the right end: the triangle's base line in colour 66.
    const S32 tx = x + (S32)w - 43;
    EXPECT_EQ(c.above, Px(tx + 21, y + 50 + 8) == Colour(66));
    EXPECT_EQ(c.below, Px(tx + 21, y - 18 + 15) == Colour(66));
  }
}

TEST_F(QuickAccess, AMenuThatLostItsItemsCloses) {
  DB_TEXT_RECORD only = Text("Only");
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(only, nullptr, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC, VIEW,
                                            SPLIT_FULL_WINDOW));
  PressMenu();
  ASSERT_EQ(EXPRESS_MENU, Kind());
  ASSERT_TRUE(U_MENU_bUnregisterHotMenuItem(only, VIEW, SPLIT_FULL_WINDOW));
  Sync();
  Draw(T_MENU_vDrawHotMenuLayer);
  EXPECT_EQ(NO_MENU, Kind());
  EXPECT_EQ(0U, menutest::FetchU32("CMNU"));
  EXPECT_TRUE(PageIsBlank());
}

// ------------------------------------------------------------ hidden menus, data sources, confirmation
TEST_F(MenuDraw, HiddenMenusDrawNothing) {
  TabWithRows(3);
  OpenMainAt(0);
  menutest::SendCommand(CMD_ID_HIDE_MENU);
  Draw(T_MENU_vDrawMainMenuLayer);
  EXPECT_TRUE(PageIsBlank());
  menutest::SendCommand(CMD_ID_RESTORE_MENU);
  Draw(T_MENU_vDrawMainMenuLayer);
  EXPECT_FALSE(PageIsBlank());
}

TEST_F(MenuDraw, AnUnavailableDataSourceIsGreyed) {
  DB_TEXT_RECORD tab = Text("Tab");
  DB_TEXT_RECORD sub = Text("Data Sources");
  static DB_TEXT_RECORD s_names[1];
  s_names[0] = sub;
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, DATA_TAB_PRIORITY, nullptr, M_BASIC));
  ASSERT_TRUE(
      U_MENU_bRegisterMainSubMenu(Text("Sources"), tab, MENU_PRIORITY_1, s_names, s_names, nullptr, 1, M_BASIC));
  SetKey("DSWT", 0);
  SetKey("DSAT", 0);
  SetKey("DSHU", 0);
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(Text("Water Temp"), sub, nullptr, (MENU_PRIORITY)400, FCID("DSWT"),
                                                  2, s_apOnOff, s_au32Two, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(Text("Air Temp"), sub, nullptr, (MENU_PRIORITY)401, FCID("DSAT"),
                                                  2, s_apOnOff, s_au32Two, M_BASIC));
  // Outside the data-source numbers a missing source is no concern.
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(Text("Humidity"), sub, nullptr, (MENU_PRIORITY)500, FCID("DSHU"),
                                                  2, s_apOnOff, s_au32Two, M_BASIC));
  SetSourceAvailable("DSAT", false);
  SetSourceAvailable("DSHU", false);
  OpenMainAt(0);
  menutest::PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  ASSERT_EQ(MAIN_SUB_MENU, Kind());
  Draw(T_MENU_vDrawSubMenuLayer);
  SetSourceAvailable("DSAT", true);
  SetSourceAvailable("DSHU", true);

  // Rows hang under the title bar (bottom at 587 - 22): 3 rows, the lowest at 565 - 164.
  const S32 lowest = 565 - (54 * 2 + 56) + 1;
  auto title = [](S32 rowY, const char* text, COLOR colour) {
    return Count(colour, 8, rowY + 27, 8 + (S32)W16(text), rowY + 53);
  };
  EXPECT_GT(title(lowest + 54, "Air Temp", Colour(34)), 20);
  EXPECT_EQ(0, title(lowest + 54, "Air Temp", Colour(69)));
  EXPECT_GT(title(lowest, "Humidity", Colour(69)), 20);
  EXPECT_EQ(0, title(lowest, "Humidity", Colour(34)));
}

TEST_F(MenuDraw, ConfirmationBoxStaysOnThePage) {
  DB_TEXT_RECORD tab = Text("Tab");
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, SETUP_TAB_PRIORITY, nullptr, M_BASIC));
  for (int i = 0; i < 9; ++i) {
    ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("Reset " + std::to_string(i)), tab, (MENU_PRIORITY)(20 + i),
                                               nullptr, TRUE, M_BASIC));
  }
  struct Case {
    int row;
    S32 bottom;  // of the 108-high box
  };
  // A row near the top puts the box against the top edge (rows 492 to 599);
  // a lower row puts it 27 under the row.
  const Case cases[] = {{0, 492}, {5, MainRowY(5) - 27}};
  OpenMainAt(-1);
  int at = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row));
    while (at < c.row) {
      Cursor(CURSOR_SOUTH);
      ++at;
    }
    menutest::PassSidewaysHoldOff();
    Cursor(CURSOR_EAST);
    ASSERT_TRUE(menutest::Snapshot().confirm);
    Clear();
    DrawOver(T_MENU_vDrawMainMenuLayer);
    Clear();
    DrawOver(T_MENU_vDrawConfirmMenuLayer);
    const S32 cx = 2 + (S32)T_MENU_u32MenuWidth() / 2;
    EXPECT_EQ(BACKGROUND, Px(cx, c.bottom - 1));
    EXPECT_EQ(Colour(64), Px(cx, c.bottom));
    EXPECT_EQ(Colour(67), Px(cx, c.bottom + 1));
    EXPECT_EQ(Colour(71), Px(cx, c.bottom + 3));
    EXPECT_EQ(Colour(64), Px(cx, c.bottom + 107));
    if (c.bottom + 108 < G_SCREEN_HEIGHT) {
      EXPECT_EQ(BACKGROUND, Px(cx, c.bottom + 108));
    }
    EXPECT_GT(Count(Colour(68), 0, c.bottom, 799, c.bottom + 107), 100) << "texts and arrows";
    Cursor(CURSOR_WEST);  // takes the confirmation away
    ASSERT_FALSE(menutest::Snapshot().confirm);
  }
}

// ------------------------------------------------------------ pictures
// A main menu on the Setup tab of five tabs, 12 rows of every kind, the
// slider row selected: the tab bar, the frame, the rows with their values,
// the selected row's slider and the scroll tab.
TEST_F(MenuDraw, GoldenMainMenuWithTabs) {
  static const DB_TEXT_RECORD s_subNames[] = {Text("Sonar Options")};
  ASSERT_TRUE(U_MENU_bRegisterTab(Text("Alarms"), ALARM_TAB_PRIORITY, &Light_icon, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(Text("Sonar"), SONAR_TAB_PRIORITY, &SonarTab_icon, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(Text("Chart"), CHART_TAB_PRIORITY, &Zoom_in_icon, M_BASIC));
  DB_TEXT_RECORD setup = Text("Setup");
  ASSERT_TRUE(U_MENU_bRegisterTab(setup, SETUP_TAB_PRIORITY, &PropSpeed_icon, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterTab(Text("Views"), SELECT_VIEWS_TAB_PRIORITY, &adjust_screen_size, M_BASIC));
  SetKey("SGM1", 0);
  SetKey("SGM2", 7);
  SetKey("SGM3", 1);
  SetKey("SGM4", 6);
  SetKeyS32("SGM5", -3);
  SetKey("SGM6", 2);
  ASSERT_TRUE(U_MENU_bRegisterMainSelectorMenu(Text("Key Clicks"), setup, MENU_PRIORITY_0, FCID("SGM1"), 2, s_apOnOff,
                                               s_au32Two, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainSliderMenu(Text("Backlight"), setup, MENU_PRIORITY_1, FCID("SGM2"), s_limits10,
                                             s_txtOff, s_txtMax, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainSelectorMenu(Text("Depth Units"), setup, MENU_PRIORITY_2, FCID("SGM3"), 3,
                                               s_apUnits, s_au32Three, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainProgBarMenu(Text("Sound Volume"), setup, MENU_PRIORITY_3, FCID("SGM4"), s_limits10,
                                              nullptr, nullptr, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainNumEntryMenu(Text("Depth Offset"), setup, MENU_PRIORITY_4, FCID("SGM5"),
                                               s_limitsOffset, nullptr, nullptr, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainSubMenuWithIcon(Text("Sonar Setup"), setup, &SonarTab_icon, MENU_PRIORITY_5,
                                                  s_subNames, s_subNames, nullptr, 1, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("Restore Defaults"), setup, MENU_PRIORITY_6, nullptr, TRUE, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainActionListMenu(Text("Alarm Tone"), setup, MENU_PRIORITY_7, s_apTones, s_apfnTwo, 2,
                                                 M_BASIC, 0, s_abNoConfirm));
  ASSERT_TRUE(U_MENU_bRegisterMainSelectorMenu(Text("Units"), setup, MENU_PRIORITY_8, FCID("SGM6"), 3, s_apUnits,
                                               s_au32Three, M_BASIC));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(U_MENU_bRegisterMainActionMenu(Text("More " + std::to_string(i + 1)), setup,
                                               (MENU_PRIORITY)(MENU_PRIORITY_9 + i), nullptr, FALSE, M_BASIC));
  }
  {
    Locked lock;
    s_activeTab = SETUP_TAB_PRIORITY;
  }
  OpenMainAt(1);
  Draw(T_MENU_vDrawMainMenuLayer);
  ExpectGolden("menu/main_tabs");
}

// The sub menu opened from the main menu's "Sonar Setup": its title bar,
// a slider, selectors, a check list (checked), a numeric entry and a data
// source that is not available (grey), the selector row selected.
TEST_F(MenuDraw, GoldenSubMenu) {
  DB_TEXT_RECORD tab = Text("Sonar");
  DB_TEXT_RECORD sub = Text("Sonar Setup");
  static DB_TEXT_RECORD s_names[1];
  s_names[0] = sub;
  ASSERT_TRUE(U_MENU_bRegisterTab(tab, SONAR_TAB_PRIORITY, &SonarTab_icon, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterMainSubMenu(Text("Sonar Setup"), tab, MENU_PRIORITY_1, s_names, s_names, nullptr, 1,
                                          M_BASIC));
  SetKey("SSB1", 4);
  SetKey("SSB2", 2);
  SetKeyS32("SSB3", 12);
  SetKey("SSB4", 1);
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSliderMenu(Text("Sensitivity"), sub, nullptr, MENU_PRIORITY_0, FCID("SSB1"),
                                                s_limits10, nullptr, nullptr, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(Text("Depth Units"), sub, nullptr, MENU_PRIORITY_1, FCID("SSB2"), 3,
                                                  s_apUnits, s_au32Three, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterSubMenuCheckListMenu(Text("Fish ID"), sub, nullptr, MENU_PRIORITY_2, 0, u32GetCheck,
                                                   vSetCheck, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterSubMenuNumEntryMenu(Text("Max Depth"), sub, nullptr, MENU_PRIORITY_3, FCID("SSB3"),
                                                  s_limitsOffset, nullptr, nullptr, nullptr, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterSubMenuSelectorMenu(Text("GPS Source"), sub, nullptr, (MENU_PRIORITY)400, FCID("SSB4"),
                                                  2, s_apOnOff, s_au32Two, M_BASIC));
  s_u32Checked = 1;
  OpenMainAt(0);
  menutest::PassSidewaysHoldOff();
  Cursor(CURSOR_EAST);
  ASSERT_EQ(MAIN_SUB_MENU, Kind());
  Cursor(CURSOR_SOUTH);
  SetSourceAvailable("SSB4", false);
  Draw(T_MENU_vDrawSubMenuLayer);
  SetSourceAvailable("SSB4", true);
  ExpectGolden("menu/sub_menu");
}

// The quick-access menu of the view: icons before the titles, a slider and
// a selector, the first row (an action) selected.
TEST_F(MenuDraw, GoldenQuickAccessMenu) {
  SetKey("SQK1", 3);
  SetKey("SQK2", 0);
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(Text("Start Recording"), &Quickvo_start_rec_icon, MENU_PRIORITY_0,
                                            nullptr, FALSE, M_BASIC, VIEW, SPLIT_FULL_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotSliderMenu(Text("Ping Speed"), &Quickvo_ping_rate_icon, MENU_PRIORITY_1,
                                            FCID("SQK1"), s_limits10, nullptr, nullptr, nullptr, M_BASIC, VIEW,
                                            SPLIT_FULL_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotSelectorMenu(Text("Zoom"), &Zoom_in_icon, MENU_PRIORITY_2, FCID("SQK2"), 2,
                                              s_apOnOff, s_au32Two, M_BASIC, VIEW, SPLIT_FULL_WINDOW));
  ASSERT_TRUE(U_MENU_bRegisterHotActionMenu(Text("Mark"), nullptr, MENU_PRIORITY_3, nullptr, FALSE, M_BASIC, VIEW,
                                            SPLIT_FULL_WINDOW));
  PressMenu();
  ASSERT_EQ(EXPRESS_MENU, Kind());
  Draw(T_MENU_vDrawHotMenuLayer);
  ExpectGolden("menu/quick_access");
}

// An info menu with go-to entries and an action list that names a route,
// its title bar on top, the first row selected.
TEST_F(MenuDraw, GoldenInfoMenu) {
  DB_TEXT_RECORD info = Text("Waypoint Info");
  DB_TEXT_RECORD goTo = Text("Go To Waypoint");
  DB_TEXT_RECORD edit = Text("Edit Waypoint");
  DB_TEXT_RECORD travel = Text("Travel Route");
  DB_TEXT_RECORD hidden = Text("Not Listed");
  SetKeyS32("IRT1", 7);
  const ROUTE r = RouteNamed("LAKE SHORE");
  SetRoute(7, r);
  ASSERT_TRUE(U_MENU_bRegisterInfoMenu(info));
  ASSERT_TRUE(U_MENU_bRegisterInfoActionMenu(goTo, info, MENU_GO_TO_WAYPOINT, nullptr, FALSE, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterInfoActionMenu(edit, info, MENU_PRIORITY_1, nullptr, FALSE, M_BASIC));
  ASSERT_TRUE(U_MENU_bRegisterInfoActionListMenu(travel, info, MENU_PRIORITY_2, s_apRouteChoices, s_apfnTwo, 2,
                                                 M_BASIC, FCID("IRT1"), s_abNoConfirm));
  ASSERT_TRUE(U_MENU_bRegisterInfoActionMenu(hidden, info, MENU_PRIORITY_3, nullptr, FALSE, M_BASIC));
  static DB_TEXT_RECORD s_listed[3];
  s_listed[0] = goTo;
  s_listed[1] = edit;
  s_listed[2] = travel;
  U_MENU_ActivateInfoMenu(info, s_listed, 3);
  Sync();
  ASSERT_EQ(INFO_MENU, Kind());
  Draw(T_MENU_vDrawSubMenuLayer);
  ExpectGolden("menu/info_menu");
}

}  // namespace
