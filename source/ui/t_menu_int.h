// Inside the menu task: the menu data and the open menu's state shared by
// the modules of the task (model and registration, activation, keys and
// value editing, layout and drawing). Everything here is read and written
// only while resource mutex RES_MENU is held.
#pragma once

#include "common/menu_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "common/view_types.h"

// ------------------------------------------------------------ containers
extern MENU_TAB s_mainMenuTabs[NUM_TAB_PRIORITIES];
extern HOT_MENU s_hotMenus[MENU_MAX_HOT_MENUS];
extern QUICK_MENU s_quickMenu;
extern USED_BY_ALL_HOT_MENUS s_savedHotMenuItems;
extern SUB_MENU s_subMenus[MENU_MAX_SUB_MENUS];
extern INFO_MENU_TYPE s_infoMenus[MENU_MAX_INFO_MENUS];
extern FLOATING_MENU_TYPE s_floatingMenus[MENU_MAX_FLOATING_MENUS];
extern SINGLE_CENTERED_MENU_TYPE s_singleCenteredMenus[MENU_MAX_SINGLE_CENTERED_MENUS];
// Highest slot in use; a search by title looks at slots 0 to this index.
extern S32 s_lastTabIndex;
extern S32 s_SubMenuIndex;
extern S32 s_InfoMenuIndex;

// ------------------------------------------------------------ the open menu
extern ACTIVE_MENU s_activeMenu;                               // mirrored in CMNU
extern MENU_ITEM* s_activeMenuList[MENU_MAX_ACTIVE_ITEMS];     // rows after filtering
extern S16 s_numActiveMenuItems;
extern S32 s_activeMenuItemIndex;                              // selected row
extern S32 s_TopMenuItem;                                      // first visible row
extern S32 s_BottomMenuItem;                                   // last visible row
extern S32 s_TopSubMenuItem;
extern S32 s_TopInfoMenuItem;
extern S32 s_TopFloatingMenuItem;
extern S32 s_TopSingleCenteredMenuItem;
extern S32 s_BottomInfoMenuItem;
// Distance of the selected row from the first visible row, kept across a rebuild.
extern S32 s_currentTopOffset;
extern S32 s_currentSubMenuTopOffset;
extern S32 s_currentInfoMenuTopOffset;
extern S32 s_currentFloatingMenuTopOffset;
extern S32 s_currentSingleCenteredMenuTopOffset;
extern S32 s_menuLevel;                                        // sub-menu depth 0 to 4
extern ACTIVE_MENU s_callingMenu[MENU_MAX_DEPTH];              // kind to return to per depth
extern MENU_ITEM* s_subMenuCallingItem[MENU_MAX_DEPTH];        // item that opened each depth
extern S32 s_activeSubMenu[MENU_MAX_DEPTH];                    // sub-menu slot shown per depth
extern S32 s_activeTab;
extern U8 s_activeHotMenu;
extern S32 s_activeInfoMenu;
extern S32 s_activeFloatingMenu;
extern S32 s_activeSingleCenteredMenu;
extern BOOLEAN s_bMenuItemActive;      // main menu: selection on the rows (TRUE) or the tab bar
extern BOOLEAN s_bConfirmActive;       // the confirmation box is shown
extern BOOLEAN s_bMenuHidden;          // quick-access, main and sub menus draw nothing
extern BOOLEAN s_bShowMenuList;        // the quick-access menu shows its whole list
extern BOOLEAN s_bActivatingMainMenu;  // the main menu's first draw rebuilds the rows
extern BOOLEAN s_bQuickConfigMenuDisplayed;
extern BOOLEAN s_bReadoutMenuActivate;
extern U32 s_u32LastMainMenuIndex;
extern MENU_ITEM_RANGE MenuItemRange[MENU_MAX_DEPTH];
extern BOOLEAN s_bLoopSelections;
extern U64 s_timer;                    // ticks of the last opening or north/south key
extern BOOLEAN s_repeatActive;         // a cursor key is held
extern CURSOR_POSITION s_eRepeatDirection;

// ------------------------------------------------------------ model and registration
// Empties every container and forgets the open menu (task start).
void T_MENU_vInitModel(void);
MENU_ITEM* T_MENU_pMenuItemInitEntry(const MSG_ADD_MENU_ITEM* pMsg);
// Replaces the item with the same title, or inserts by priority; TRUE when
// the list grew.
BOOLEAN T_MENU_bInsertItem(MENU_ITEM** ppFirst, MENU_ITEM** ppLast, MENU_ITEM* pNew);
// Unlinks and frees the item with that title; TRUE when one was found.
BOOLEAN T_MENU_bDeleteItem(MENU_ITEM** ppFirst, MENU_ITEM** ppLast, DB_TEXT_RECORD pTitle);
// A separate copy of an item, not linked to any list.
// First visible row of the open menu of that kind.
S32* T_MENU_ps32TopOfKind(ACTIVE_MENU eKind);

// Menu items come from and go back to the process heap (see the model).
MENU_ITEM* T_MENU_pAllocItem(void);
void T_MENU_vReleaseItem(MENU_ITEM* pItem);
MENU_ITEM* T_MENU_pCopyItem(const MENU_ITEM* pItem);
void T_MENU_vFreeList(MENU_ITEM** ppFirst, MENU_ITEM** ppLast);
// Handles one registration or removal command; FALSE for other commands.
BOOLEAN T_MENU_bHandleRegistration(const GENERIC_MESSAGE* pMsg);
void T_MENU_vRegisterMenuItem(const MSG_ADD_MENU_ITEM* pMsg);
// Slot of the sub menu with that title, −1 when none.
S32 T_MENU_s32FindSubMenu(DB_TEXT_RECORD pTitle);
void T_MENU_vClearFloatingMenu(S32 s32Slot);
void T_MENU_vClearSingleCenteredMenu(void);

// ------------------------------------------------------------ activation
// Rebuilds the rows of the open menu from its container.
void T_MENU_vUpdateActiveMenuList(void);
// Applies the visible window rule (at most s32Window rows) to the first row
// *ps32Top and sets the last visible row *ps32Bottom.
void T_MENU_vApplyWindow(S32* ps32Top, S32* ps32Bottom, S32 s32Rows, S32 s32Window);
// Closes every menu; with bAnotherFollows the kind and CMNU are left alone.
void T_MENU_vDoRemoveMenus(BOOLEAN bAnotherFollows);
void T_MENU_vActivateHotMenu(void);
void T_MENU_vActivateMainMenu(void);
void T_MENU_vActivateSubMenu(S32 s32Slot);
void T_MENU_vUpdateActiveHotMenu(void);
// Writes the kind to CMNU.
void T_MENU_vSetActiveMenu(ACTIVE_MENU eKind);
// Ends the EXIT hold-off now (another key came in first).
void T_MENU_vCancelExitHoldOff(void);
BOOLEAN T_MENU_bExitHoldOffRunning(void);
// The menu layers and keys.
void T_MENU_vUnregisterMenuLayers(void);
void T_MENU_vRegisterMenuKeys(void);
// The selected row, null when none.
MENU_ITEM* T_MENU_pSelectedItem(void);
// Copies the quick-access selection into its slot.
void T_MENU_vSaveHotMenuSelection(void);
// Closes an open choice list or action list of the selected row.
void T_MENU_vCloseSelectedList(void);
// Current user level (CUSR; M_ADVANCED when missing).
S32 T_MENU_s32UserLevel(void);
void T_MENU_vGoodClick(void);
void T_MENU_vBadClick(void);

// ------------------------------------------------------------ keys and values
void T_MENU_vHandleKeys(const MSG_KEY_CHANGE* pMsg);
void T_MENU_vUpdateDisplayStrings(MENU_ITEM* pItem, BOOLEAN bForce);
BOOLEAN T_MENU_bIncrementValue(DATA_TYPE eType, DB_DATA_TYPE* pValue, DB_DATA_TYPE* pShown, DATA_FORMAT eFormat,
                               UNIT_TYPE eUnits, DB_DATA_TYPE maxValue, DB_DATA_TYPE stepValue, U32 u32Count);
BOOLEAN T_MENU_bDecrementValue(DATA_TYPE eType, DB_DATA_TYPE* pValue, DB_DATA_TYPE* pShown, DATA_FORMAT eFormat,
                               UNIT_TYPE eUnits, DB_DATA_TYPE minValue, DB_DATA_TYPE maxValue,
                               DB_DATA_TYPE stepValue, U32 u32Count);
// Step of a variable-step slider for the shown value *pShown; may set the
// shown value to a zone threshold and the count to 1.
STEP_LEVEL T_MENU_eGetStepLevel(DB_DATA_TYPE* pShown, DATA_FORMAT eFormat, DB_DATA_TYPE lower, DB_DATA_TYPE upper,
                                U32* pu32Count, BOOLEAN bUp);
U8 T_MENU_u8FindPrecision(F32 fStep);
// The number of steps a key message with this repeat count makes.
U32 T_MENU_u32StepsForCount(U32 u32Count);

// ------------------------------------------------------------ drawing (layout module)
// Draw callbacks of the menu layers, registered for every view.
DRAW_FUNCTION T_MENU_vDrawHotMenuLayer;      // EXPRESS_MENU_LAYER
DRAW_FUNCTION T_MENU_vDrawMainMenuLayer;     // MAIN_MENU_LAYER
DRAW_FUNCTION T_MENU_vDrawSubMenuLayer;      // SUB_MENU_LAYER
DRAW_FUNCTION T_MENU_vDrawConfirmMenuLayer;  // CONFIRM_MENU_LAYER
DRAW_FUNCTION T_MENU_vDrawQuickMenuLayer;    // QUICK_CONFIGURE_LAYER

// Key masks of the menu task.
constexpr U32 MENU_KEYS_MASK = 0xFB8A;        // VIEW, EXIT, MARK, GOTO, INFO, soft keys
constexpr U32 MENU_CLOSE_MASK = 0xFB92;       // VIEW, CURSOR, MARK, GOTO, INFO, soft keys
constexpr U32 MENU_QUICK_SETUP_MASK = 0xFFEE; // every key but POWER and CURSOR
constexpr U32 MENU_EXIT_HOLD_OFF_MS = 400;
// East and west are ignored this long after a north or south key or the
// opening of the quick-access menu.
constexpr U64 MENU_SIDEWAYS_HOLD_OFF_MS = 501;
