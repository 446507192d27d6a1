// Layout and drawing of the menu layers: the quick-access menu, the tabbed
// main menu, the sub, info, floating and single-centred menus, the
// confirmation box and the first-start quick setup menu. The draw callbacks
// themselves are declared with the menu task's internals
// (source/t_menu_int.h); they run in the view task on the 800 x 600 page
// (y upward) and read the menu data under the menu lock (RES_MENU).
//
// A row is a rounded box 55 pixels high; rows stand 54 pixels apart, so
// neighbours share a border line, and at most 9 show at once (3 in the quick
// setup menu). The title sits on the upper line of a row, the value (or the
// open row's control) on the lower.
#pragma once

#include "common/menu_types.h"
#include "common/types.h"
#include "source/graphics/g_bitmap.h"

constexpr U32 MENU_ROW_HEIGHT = 55;
constexpr S32 MENU_ROW_PITCH = 54;
// Menus narrower than the screen by at least this much keep their width.
constexpr U32 MENU_MAX_WIDTH = 797;
// Width of an unselected main-menu tab and the widest tab bar.
constexpr U32 MENU_TAB_WIDTH = 44;
constexpr U32 MENU_TAB_BAR_MAX_WIDTH = 790;

// Width of the open menu over its first u32Rows rows (at most 60, and at
// most the rows it has): for each row its display strings are rebuilt and
// the copies of the navigation items it names refreshed; the width is the
// widest of the rows' upper and lower lines, the "No Menus Available" row
// without rows, and 797 for a menu that would not fit the screen. The
// selection-box width of the selected row is worked out on the way. Call
// with the menu lock held.
U32 T_MENU_u32FindMinMenuWidths(U32 u32Rows);
// The widths of the last computation.
U32 T_MENU_u32MenuWidth(void);
U32 T_MENU_u32SelectorWidth(void);

// Width of a numeric entry's box: room for the digits of the larger of its
// limits (with the decimals of a float value, with a sign for a signed one)
// in the 11 x 14 font, plus 6.
U32 T_MENU_u32FindNumericEntryBoxWidth(const M_NUMERIC_ENTRY_PARAMETERS* pParameters, DATA_FORMAT eFormat);

// The selected row with its control, at the place the last list drawing
// recorded for it.
void T_MENU_vDrawMenuActiveItem(BITMAP* pBitmap);

// The tab that shows that more rows lie above (bUp) or below (bDown). It
// hangs under the right end of a list whose first visible row (main and sub
// menus) or last visible row (bQuickAccess) is at anchor; the network setup
// screens give the tab's own position (bNetworkSetup).
void T_MENU_vDrawMoreDownTab(BITMAP* pBitmap, POINT anchor, U32 u32Width, BOOLEAN bUp, BOOLEAN bDown,
                             BOOLEAN bQuickAccess, BOOLEAN bNetworkSetup);

// The quick setup menu: title, up to three rows and the instruction below.
void T_MENU_vDrawQuickMenuItems(BITMAP* pBitmap);

// The main menu's tab bar: the active tabs in slot order from x = 3, each
// 44 wide but the selected one, which is as wide as it asks; a bar wider
// than 790 is held at 790 and the other tabs share what the selected one
// leaves.
struct MENU_TAB_BAR_LAYOUT {
  S32 s32Tabs;                          // tabs laid out
  S32 as32Slot[NUM_TAB_PRIORITIES];     // their slots, left to right
  S32 as32X[NUM_TAB_PRIORITIES];
  U32 au32Width[NUM_TAB_PRIORITIES];
  S32 s32Selected;                      // index of the selected tab in the arrays, -1 when none
  U32 u32TotalWidth;                    // of the whole bar
};
void T_MENU_vLayoutTabBar(const BOOLEAN abActive[NUM_TAB_PRIORITIES], S32 s32SelectedSlot, U32 u32SelectedWidth,
                          MENU_TAB_BAR_LAYOUT* pLayout);

// Text records of the menu layers.
extern const char* const Stayvo[22];
extern const char* const g_MENU_txtNoMenusAvailable[22];
extern const char* const g_MENU_txtQuickSetup[22];
extern const char* const g_MENU_txtQuickSetupInstruction[22];
extern const char* const g_MENU_txtConfirm[22];
extern const char* const g_MENU_txtNo[22];
extern const char* const g_MENU_txtYes[22];
