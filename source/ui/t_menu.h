// Menu task: owns every menu of the unit. Other modules build their menus at
// run time through the client functions of u_menu.h; this task keeps the
// items, decides which menu is open (key CMNU), turns key changes into moves
// and value changes, and registers the menu layers with the view task.
//
// A few functions are called directly by other tasks and run in their
// threads; each takes the menu lock (RES_MENU) for the time it works on the
// menu data.
#pragma once

#include "common/language.h"
#include "common/menu_types.h"
#include "common/types.h"
#include "common/view_types.h"

// Entry of the task (task table row MENUTASK).
void T_MENU_vTask(void);

// ------------------------------------------------------------ called by other tasks
// Closes every menu.
void T_MENU_vRemoveMenus(void);
// Claims the menu state for a module's own full-screen menus: the open
// menus are closed first (unless the kind is NO_MENU), then the kind is
// stored and written to CMNU.
void T_MENU_vUpdateActivateMenu(ACTIVE_MENU eKind);
// Opens the quick-access menu of the given view (long VIEW press).
void T_MENU_vActivateSpecifiedHotMenu(LAYER_ID eView);
// Opens the first-start quick setup menu (start-up task).
void T_MENU_vActivateQuickMenu(void);
// Closes every menu when the quick-access menu is open without its list and
// its selected row has this title.
void T_MENU_vRemoveHotMenuListIfActive(DB_TEXT_RECORD pTitle);
// Closes the single-centred menu.
void T_MENU_vDoRemoveSingleCenteredMenu(void);
// When the single-centred menu is open and its selected row has this title,
// copies that row's value text (at most 31 characters and the terminator)
// into pcText, which holds at least 32 bytes; otherwise pcText is untouched.
void T_MENU_vGetSelection(DB_TEXT_RECORD pTitle, char* pcText);
// Opens the sub menu with this title (menu task only).
void T_MENU_vActiveSubMenuByMenuName(DB_TEXT_RECORD pTitle);
// The kind of menu open now (read under the menu lock).
ACTIVE_MENU T_MENU_eActiveMenu(void);

// ------------------------------------------------------------ text records
// Titles the menu task recognises by the identity of the text record; the
// modules that register these menus use the same records.
extern const char* const g_MENU_txtSelectReadouts[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtInstallation[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtTriggerDelay[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtManualTune[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtTune[NUMBER_OF_LANGUAGES];
// As the value suffix of a slider: no value is shown.
extern const char* const g_MENU_txtHidden[NUMBER_OF_LANGUAGES];
// The "Setup" tab of the main menu and the "User Mode" selector on it.
extern const char* const g_MENU_txtSetupTab[NUMBER_OF_LANGUAGES];
// The "Alarms" tab: tabs are found by their record, so every task that
// registers the tab or an item on it uses this one.
extern const char* const g_MENU_txtAlarmsTab[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtUserMode[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtNormal[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtAdvanced[NUMBER_OF_LANGUAGES];
// Notes shown through the navigation task.
extern const char* const g_MENU_txtNetworkMenuOpen[NUMBER_OF_LANGUAGES];
extern const char* const g_MENU_txtChangeToRadarView[NUMBER_OF_LANGUAGES];
