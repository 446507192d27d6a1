// Menu task: its loop and commands, which menu is open (key CMNU), the rows
// the open menu shows, and the opening and closing of every kind of menu.
// Registration is in t_menu_model.cpp, keys and values in t_menu_keys.cpp,
// the layers' drawing in the layout module.
#include <string.h>

#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/ui/ui_upcalls.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/t_menu_int.h"
#include "source/ui/u_datetime.h"
#include "source/ui/u_menu.h"
#include "source/graphics/u_view.h"

// ------------------------------------------------------------ the open menu
ACTIVE_MENU s_activeMenu = NO_MENU;
MENU_ITEM* s_activeMenuList[MENU_MAX_ACTIVE_ITEMS];
S16 s_numActiveMenuItems = 0;
S32 s_activeMenuItemIndex = 0;
S32 s_TopMenuItem = 0;
S32 s_BottomMenuItem = 0;
S32 s_TopSubMenuItem = 0;
S32 s_TopInfoMenuItem = 0;
S32 s_TopFloatingMenuItem = 0;
S32 s_TopSingleCenteredMenuItem = 0;
S32 s_BottomInfoMenuItem = 0;
S32 s_currentTopOffset = 0;
S32 s_currentSubMenuTopOffset = 0;
S32 s_currentInfoMenuTopOffset = 0;
S32 s_currentFloatingMenuTopOffset = 0;
S32 s_currentSingleCenteredMenuTopOffset = 0;
S32 s_menuLevel = 0;
ACTIVE_MENU s_callingMenu[MENU_MAX_DEPTH];
MENU_ITEM* s_subMenuCallingItem[MENU_MAX_DEPTH];
S32 s_activeSubMenu[MENU_MAX_DEPTH];
S32 s_activeTab = 0;
U8 s_activeHotMenu = 0;
S32 s_activeInfoMenu = 0;
S32 s_activeFloatingMenu = 0;
S32 s_activeSingleCenteredMenu = 0;
BOOLEAN s_bMenuItemActive = FALSE;
BOOLEAN s_bConfirmActive = FALSE;
BOOLEAN s_bMenuHidden = FALSE;
BOOLEAN s_bShowMenuList = TRUE;
BOOLEAN s_bActivatingMainMenu = FALSE;
BOOLEAN s_bQuickConfigMenuDisplayed = FALSE;
BOOLEAN s_bReadoutMenuActivate = FALSE;
U32 s_u32LastMainMenuIndex = 0;
MENU_ITEM_RANGE MenuItemRange[MENU_MAX_DEPTH];
BOOLEAN s_bLoopSelections = FALSE;
U64 s_timer = 0;
BOOLEAN s_repeatActive = FALSE;
CURSOR_POSITION s_eRepeatDirection = CURSOR_UP;

// ------------------------------------------------------------ text records
#define MENU_TEXT_RECORD(name, text)                                                                     \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text,         \
                                                 text, text, text, text, text, text, text, text,         \
                                                 text, text, text, text, text, text}
MENU_TEXT_RECORD(g_MENU_txtSelectReadouts, "Select Readouts");
MENU_TEXT_RECORD(g_MENU_txtInstallation, "Installation");
MENU_TEXT_RECORD(g_MENU_txtTriggerDelay, "Trigger Delay");
MENU_TEXT_RECORD(g_MENU_txtManualTune, "Manual Tune");
MENU_TEXT_RECORD(g_MENU_txtTune, "Tune");
MENU_TEXT_RECORD(g_MENU_txtHidden, "Hidden");
MENU_TEXT_RECORD(g_MENU_txtSetupTab, "Setup");
MENU_TEXT_RECORD(g_MENU_txtAlarmsTab, "Alarms");
MENU_TEXT_RECORD(g_MENU_txtUserMode, "User Mode");
MENU_TEXT_RECORD(g_MENU_txtNormal, "Normal");
MENU_TEXT_RECORD(g_MENU_txtAdvanced, "Advanced");
MENU_TEXT_RECORD(g_MENU_txtDateAndTime, "Set Date and Time");
MENU_TEXT_RECORD(g_MENU_txtNetworkMenuOpen,
                 "Another menu is open on the network.  This menu cannot be opened until the other one is closed.");
MENU_TEXT_RECORD(g_MENU_txtChangeToRadarView, "Change to a radar view before adjusting the installation settings");
#undef MENU_TEXT_RECORD

namespace {

constexpr FOURCHARID KEY_TMNU = FCID("TMNU");
constexpr FOURCHARID KEY_CMNU = FCID("CMNU");
constexpr FOURCHARID KEY_CUSR = FCID("CUSR");
constexpr FOURCHARID KEY_SUSR = FCID("SUSR");
constexpr FOURCHARID KEY_CCST = FCID("CCST");
constexpr FOURCHARID KEY_SLNG = FCID("SLNG");
constexpr FOURCHARID KEY_CVEW = FCID("CVEW");
constexpr FOURCHARID KEY_CVAS = FCID("CVAS");
constexpr FOURCHARID KEY_IPCS = FCID("IPCS");

// The NMEA 2000 data, gauge, engine and one-engine views.
constexpr S32 FIRST_NMEA2K_VIEW = 67;
constexpr S32 LAST_NMEA2K_VIEW = 70;

// Keys of the open menu this task has registered with the keyboard task
// (the MENU key it keeps for good is apart). Every registration is undone
// exactly once, so no stale registration keeps a key away from the views.
U32 s_u32HeldKeys = 0;
BOOLEAN s_bMenuKeyRegistered = FALSE;
// EXIT hold-off: EXIT stays with the menu task for a while after the menus
// closed. The timer belongs to the menu task; a close in another task's
// thread gives EXIT up at once.
TIMER_INFO* s_pExitTimer = nullptr;
BOOLEAN s_bExitHeldByHoldOff = FALSE;
// Rows left out of the open menu at the last rebuild (traced on change).
S32 s_s32RowsLeftOut = 0;

const U32 s_au32UserModeValues[] = {M_BASIC, M_ADVANCED};
const DB_TEXT_RECORD s_apUserModeTexts[] = {g_MENU_txtNormal, g_MENU_txtAdvanced};

BOOLEAN bInMenuTask(void) { return L_TASK_GetMyID() == TASK_MENUTASK; }

void vRegisterKeys(U32 u32Mask, KEY_STATE eState, BOOLEAN bRepeat, BOOLEAN bAccelerate, CURSOR_MODE eMode,
                   KEY_USAGE eUsage) {
  if ((u32Mask & KEY_MASK_EXIT) != 0 && s_bExitHeldByHoldOff) T_MENU_vCancelExitHoldOff();
  const U32 u32Again = u32Mask & s_u32HeldKeys;
  if (u32Again != 0) {
    (void)U_KEYBOARD_bUnregisterKeys(M_MENU, u32Again);
    s_u32HeldKeys &= ~u32Again;
  }
  if (U_KEYBOARD_bRegisterKeys(M_MENU, u32Mask, eState, bRepeat, bAccelerate, eMode, eUsage)) {
    s_u32HeldKeys |= u32Mask;
  } else {
    log_me("menu: keys 0x%04X not registered, no keyboard task", (unsigned)u32Mask);
  }
}

void vReleaseKeys(U32 u32Mask) {
  const U32 u32Bits = u32Mask & s_u32HeldKeys;
  if (u32Bits == 0) return;
  (void)U_KEYBOARD_bUnregisterKeys(M_MENU, u32Bits);
  s_u32HeldKeys &= ~u32Bits;
  if ((u32Bits & KEY_MASK_EXIT) != 0) s_bExitHeldByHoldOff = FALSE;
}

void vRegisterLayer(LAYER_ID eLayer, DRAW_FUNCTION* pfnDraw) {
  if (!U_VIEW_bRegisterLayer(pfnDraw, eLayer, USED_BY_ALL, 0, 0, FALSE, nullptr, nullptr, nullptr)) {
    log_me("menu: layer %d not registered, no view task", (int)eLayer);
  }
}

void vUnregisterLayer(LAYER_ID eLayer) { (void)U_VIEW_bUnRegisterLayer(eLayer); }

// The view task composes a page only when asked. Every closing of the menus,
// and every opening by another task's call, asks for one (after the layer
// messages, so that the page sees them); otherwise a closed menu would stay
// on the screen, or an opened one stay missing, until something else redraws.
void vAskForPage(void) { (void)L_SEMA_Signal(SEMA_VIEW_UPDATE); }

LAYER_ID eFetchView(void) {
  S32 s32View = NO_VIEW_PRIORITY;
  if (!H_DATABASE_bFetchS32(KEY_CVEW, &s32View)) return NO_VIEW_PRIORITY;
  return (LAYER_ID)s32View;
}

SPLIT_WINDOW_TYPE eFetchSplit(void) {
  S32 s32Split = SPLIT_FULL_WINDOW;
  if (!H_DATABASE_bFetchS32(KEY_CVAS, &s32Split)) return SPLIT_FULL_WINDOW;
  return (SPLIT_WINDOW_TYPE)s32Split;
}

BOOLEAN bIsSubKind(ACTIVE_MENU eKind) {
  return (eKind >= EXPRESS_SUB_MENU && eKind <= MAIN_SUB_MENU_3) || eKind == INFO_SUB_MENU;
}

// First row and the selection kept in view for the open kind.
S32* ps32TopOfKind(ACTIVE_MENU eKind) {
  if (bIsSubKind(eKind)) return &s_TopSubMenuItem;
  switch (eKind) {
    case INFO_MENU:
      return &s_TopInfoMenuItem;
    case FLOATING_MENU:
      return &s_TopFloatingMenuItem;
    case SINGLE_CENTERED_MENU:
      return &s_TopSingleCenteredMenuItem;
    default:
      return &s_TopMenuItem;
  }
}

// The list the open kind shows, and whether items need bActive.
MENU_ITEM* pListOfKind(ACTIVE_MENU eKind, BOOLEAN* pbNeedActive) {
  *pbNeedActive = FALSE;
  if (bIsSubKind(eKind)) {
    if (s_menuLevel < 1 || s_menuLevel > MENU_MAX_DEPTH) return nullptr;
    const S32 slot = s_activeSubMenu[s_menuLevel - 1];
    if (slot < 0 || slot >= MENU_MAX_SUB_MENUS) return nullptr;
    return s_subMenus[slot].pFirstItem;
  }
  switch (eKind) {
    case QUICK_SETUP_MENU:
      return s_quickMenu.pFirstItem;
    case EXPRESS_MENU:
      return s_activeHotMenu < MENU_MAX_HOT_MENUS ? s_hotMenus[s_activeHotMenu].pFirstItem : nullptr;
    case MAIN_MENU:
      return s_activeTab >= 0 && s_activeTab < NUM_TAB_PRIORITIES && s_mainMenuTabs[s_activeTab].bTabActive
                 ? s_mainMenuTabs[s_activeTab].pFirstItem
                 : nullptr;
    case INFO_MENU:
      *pbNeedActive = TRUE;
      return s_activeInfoMenu >= 0 && s_activeInfoMenu < MENU_MAX_INFO_MENUS ? s_infoMenus[s_activeInfoMenu].pFirstItem
                                                                            : nullptr;
    case FLOATING_MENU:
      *pbNeedActive = TRUE;
      return s_activeFloatingMenu >= 0 && s_activeFloatingMenu < MENU_MAX_FLOATING_MENUS
                 ? s_floatingMenus[s_activeFloatingMenu].pFirstItem
                 : nullptr;
    case SINGLE_CENTERED_MENU:
      *pbNeedActive = TRUE;
      return s_singleCenteredMenus[0].pFirstItem;
    default:
      return nullptr;
  }
}

// Tabs shown at the current user level; s_lastTabIndex follows them.
void vUpdateTabs(S32 s32Level) {
  S32 s32Last = 0;
  for (S32 i = 0; i < NUM_TAB_PRIORITIES; ++i) {
    MENU_TAB& tab = s_mainMenuTabs[i];
    tab.bTabActive = tab.pTabTitle != nullptr && s32Level >= tab.activeLevel;
    if (tab.bTabActive) s32Last = i;
  }
  s_lastTabIndex = s32Last;
  if (s_activeTab < 0 || s_activeTab >= NUM_TAB_PRIORITIES || !s_mainMenuTabs[s_activeTab].bTabActive) {
    for (S32 i = 0; i < NUM_TAB_PRIORITIES; ++i) {
      if (s_mainMenuTabs[i].bTabActive) {
        if (s_activeTab != i) s_bMenuItemActive = FALSE;
        s_activeTab = i;
        break;
      }
    }
  }
}

void vClearCallingItems(void) {
  for (S32 i = 0; i < MENU_MAX_DEPTH; ++i) s_subMenuCallingItem[i] = nullptr;
}

// Closes the open menu's layers, keys and state before another kind opens.
void vCloseForNewMenu(void) {
  if (s_activeMenu != NO_MENU && s_activeMenu != MAIN_GRP_MENU) T_MENU_vDoRemoveMenus(TRUE);
}

// ------------------------------------------------------------ activation commands
void vActivateInfoMenu(const MSG_ACTIVATE_INFO_MENU* pMsg) {
  if (s_activeMenu == INFO_MENU || s_activeMenu == INFO_SUB_MENU) return;
  S32 slot = -1;
  for (S32 i = 0; i < MENU_MAX_INFO_MENUS; ++i) {
    if (pMsg->pInfoMenuName != nullptr && s_infoMenus[i].pInfoMenuName == pMsg->pInfoMenuName) {
      slot = i;
      break;
    }
  }
  if (slot < 0) {
    log_me("menu: no info menu %s to open", pMsg->pInfoMenuName != nullptr && pMsg->pInfoMenuName[0] != nullptr
                                                 ? pMsg->pInfoMenuName[0]
                                                 : "(none)");
    return;
  }
  vCloseForNewMenu();
  const U32 u32Names = pMsg->pActiveMenus != nullptr ? pMsg->u8numActiveMenus : 0;
  s_BottomInfoMenuItem = (S32)u32Names - 1;
  for (MENU_ITEM* p = s_infoMenus[slot].pFirstItem; p != nullptr; p = p->pNextMenu) {
    p->bActive = FALSE;
    for (U32 i = 0; i < u32Names; ++i) {
      if (pMsg->pActiveMenus[i] == p->pMenuTitle) p->bActive = TRUE;
    }
  }
  s_activeInfoMenu = slot;
  s_menuLevel = 0;
  s_TopInfoMenuItem = 0;
  s_currentInfoMenuTopOffset = 0;
  s_activeMenuItemIndex = 0;
  s_bMenuItemActive = TRUE;
  s_numActiveMenuItems = 0;
  T_MENU_vSetActiveMenu(INFO_MENU);
  T_MENU_vUpdateActiveMenuList();
  T_MENU_vRegisterMenuKeys();
  vRegisterLayer(SUB_MENU_LAYER, &T_MENU_vDrawSubMenuLayer);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vActivateFloatingMenu(const MSG_ACTIVATE_FLOATING_MENU* pMsg) {
  if (s_activeMenu == FLOATING_MENU) return;
  for (S32 i = 0; i < MENU_MAX_FLOATING_MENUS; ++i) {
    const FLOATING_MENU_TYPE& menu = s_floatingMenus[i];
    if (pMsg->pFloatingMenuName == nullptr || menu.pFloatingMenuName != pMsg->pFloatingMenuName) continue;
    if (menu.pFirstItem == nullptr) break;
    vCloseForNewMenu();
    s_activeFloatingMenu = i;
    s_menuLevel = 0;
    s_TopFloatingMenuItem = 0;
    s_TopMenuItem = 0;
    s_activeMenuItemIndex = 0;
    s_bMenuItemActive = TRUE;
    s_numActiveMenuItems = 0;
    T_MENU_vSetActiveMenu(FLOATING_MENU);
    T_MENU_vUpdateActiveMenuList();
    T_MENU_vRegisterMenuKeys();
    vRegisterLayer(SUB_MENU_LAYER, &T_MENU_vDrawSubMenuLayer);
    break;
  }
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// Makes the single-centred menu of a copy of the item and opens it.
void vOpenSingleCenteredMenu(const MENU_ITEM* pSource, BOOLEAN bDisplayMenu, BOOLEAN bLoopSelection) {
  MENU_ITEM* pCopy = T_MENU_pCopyItem(pSource);
  vCloseForNewMenu();
  T_MENU_vClearSingleCenteredMenu();
  SINGLE_CENTERED_MENU_TYPE& menu = s_singleCenteredMenus[0];
  T_MENU_vUpdateDisplayStrings(pCopy, TRUE);
  pCopy->bActive = TRUE;
  menu.pFirstItem = menu.pLastItem = pCopy;
  menu.numMenuItems = 1;
  menu.pSingleCenteredMenuName = pCopy->pMenuTitle;
  menu.bLoopSelection = bLoopSelection;
  s_activeSingleCenteredMenu = 0;
  s_menuLevel = 0;
  s_TopSingleCenteredMenuItem = 0;
  s_currentSingleCenteredMenuTopOffset = 0;
  s_activeMenuItemIndex = 0;
  s_bMenuItemActive = TRUE;
  s_numActiveMenuItems = 0;
  T_MENU_vSetActiveMenu(SINGLE_CENTERED_MENU);
  T_MENU_vUpdateActiveMenuList();
  if (bDisplayMenu) {
    vRegisterLayer(SUB_MENU_LAYER, &T_MENU_vDrawSubMenuLayer);
  } else if (MENU_ITEM* pRow = T_MENU_pSelectedItem()) {
    T_MENU_vUpdateDisplayStrings(pRow, FALSE);
  }
}

const MENU_ITEM* pFindInList(const MENU_ITEM* pFirst, DB_TEXT_RECORD pTitle) {
  for (const MENU_ITEM* p = pFirst; p != nullptr; p = p->pNextMenu) {
    if (p->pMenuTitle == pTitle) return p;
  }
  return nullptr;
}

void vActivateSingleCenteredMenu(const MSG_ACTIVATE_SINGLE_CENTERED_MENU* pMsg) {
  if (s_activeMenu == SINGLE_CENTERED_MENU) return;
  const MENU_ITEM* pFound = nullptr;
  if (pMsg->pMenuLocation != nullptr) {
    for (const MENU_TAB& tab : s_mainMenuTabs) {
      if (pFound == nullptr && tab.pTabTitle == pMsg->pMenuLocation && tab.pFirstItem != nullptr) {
        pFound = pFindInList(tab.pFirstItem, pMsg->pSingleCenteredMenuName);
      }
    }
  } else {
    for (const HOT_MENU& menu : s_hotMenus) {
      if (pFound == nullptr && menu.view != 0 && menu.view == pMsg->eCurrentView && menu.pFirstItem != nullptr) {
        pFound = pFindInList(menu.pFirstItem, pMsg->pSingleCenteredMenuName);
      }
    }
  }
  for (S32 i = 0; pFound == nullptr && i < MENU_MAX_SUB_MENUS; ++i) {
    const SUB_MENU& menu = s_subMenus[i];
    if (menu.menuRegistered && menu.pSubMenuName == pMsg->pMenuLocation && menu.pFirstItem != nullptr) {
      pFound = pFindInList(menu.pFirstItem, pMsg->pSingleCenteredMenuName);
    }
  }
  if (pFound == nullptr) {
    log_me("menu: no item %s to show alone", pMsg->pSingleCenteredMenuName != nullptr &&
                                                     pMsg->pSingleCenteredMenuName[0] != nullptr
                                                 ? pMsg->pSingleCenteredMenuName[0]
                                                 : "(none)");
    return;
  }
  vOpenSingleCenteredMenu(pFound, pMsg->bDisplayMenu, pMsg->bLoopSelection);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vRegisterSingleCenteredMenuItem(const MSG_ADD_SINGLE_CENTERED_MENU_ITEM* pMsg) {
  MSG_ADD_MENU_ITEM item;
  memcpy(&item, pMsg, sizeof item);  // the item message is the head of this one
  MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(&item);
  if (pItem == nullptr) return;
  vOpenSingleCenteredMenu(pItem, pMsg->bDisplayMenu, pMsg->bLoopSelection);
  T_MENU_vReleaseItem(pItem);
}

// ------------------------------------------------------------ other commands
// "Set Date and Time": the menus close and the date and time dialog opens;
// the menu task reads the dialog's mailbox.
void vOpenDateTimeDialog(void) {
  T_MENU_vDoRemoveMenus(FALSE);
  U_DATETIME_vDateTimeSetup();
}

void vRunSystem(void) {
  U32 u32State = 0;
  U32 u32Saved = 0;
  BOOLEAN bValid = FALSE;
  const BOOLEAN bPointOfSale = H_DATABASE_bFetchU32(KEY_CCST, &u32State) && u32State == STATE_POINT_OF_SALE;
  const BOOLEAN bSaved = H_DATABASE_bFetchU32(KEY_SUSR, &u32Saved, &bValid) && bValid;
  const U32 u32Level = (bPointOfSale || !bSaved) ? (U32)M_ADVANCED : u32Saved;
  (void)H_DATABASE_bUpdateValueU32(KEY_CUSR, u32Level, P_NORMAL);
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_CUSR, M_MENU, TRUE, FALSE, FALSE);
  if (!s_bMenuKeyRegistered) {
    if (U_KEYBOARD_bRegisterKeys(M_MENU, KEY_MASK_MENU, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_EXCLUSIVE)) {
      s_bMenuKeyRegistered = TRUE;
    } else {
      log_me("menu: MENU key not registered, no keyboard task");
    }
  }
  // The tab the item lives on; its owner may register it again with its icon.
  (void)U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC);
  (void)U_MENU_bRegisterMainSelectorMenu(g_MENU_txtUserMode, g_MENU_txtSetupTab, MENU_USER_MODE, KEY_CUSR, 2,
                                         s_apUserModeTexts, s_au32UserModeValues, M_BASIC);
  (void)U_MENU_bRegisterMainActionMenu(g_MENU_txtDateAndTime, g_MENU_txtSetupTab, MENU_TIME_ZONE,
                                       &vOpenDateTimeDialog, FALSE, M_ADVANCED);
}

void vShutdown(void) {
  U32 u32Level = 0;
  (void)H_DATABASE_bFetchU32(KEY_CUSR, &u32Level);
  (void)H_DATABASE_bUpdateValueU32(KEY_SUSR, u32Level == (U32)M_ADVANCED ? (U32)M_ADVANCED : (U32)M_BASIC, P_NORMAL);
  T_MENU_vDoRemoveMenus(FALSE);
  if (s_bMenuKeyRegistered) {
    (void)U_KEYBOARD_bUnregisterKeys(M_MENU, KEY_MASK_MENU);
    s_bMenuKeyRegistered = FALSE;
  }
}

void vNewData(const MESSAGE_NEW_DATA* pMsg) {
  const FOURCHARID key = pMsg->FourCharId;
  if (key == KEY_SLNG || key == KEY_CUSR) {
    T_MENU_vUpdateActiveMenuList();
  } else if (key == KEY_CVEW || key == KEY_CVAS) {
    if (s_activeMenu == EXPRESS_MENU) T_MENU_vUpdateActiveHotMenu();
  } else if (key == KEY_IPCS) {
    if (T_NAV_bGPSDetected()) (void)L_SEMA_Signal(SEMA_GPS_DETECTED);
    T_MENU_vUpdateActiveMenuList();
  }
}

void vResetPos(void) {
  s_activeTab = 0;
  for (S32 i = 0; i < NUM_TAB_PRIORITIES; ++i) {
    if (s_mainMenuTabs[i].bTabActive) {
      s_activeTab = i;
      break;
    }
  }
  (void)H_DATABASE_bUpdateValueU32(KEY_CUSR, M_ADVANCED, P_NORMAL);
  if (s_activeMenu != QUICK_SETUP_MENU) T_MENU_vDoRemoveMenus(FALSE);
}

void vHandleMessage(const GENERIC_MESSAGE* pMsg) {
  if (T_MENU_bHandleRegistration(pMsg)) return;
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      vShutdown();
      break;
    case CMD_ID_NEW_DATA:
      vNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      vResetPos();
      break;
    case CMD_ID_ACTIVATE_FLOATING_MENU:
      vActivateFloatingMenu((const MSG_ACTIVATE_FLOATING_MENU*)pMsg);
      break;
    case CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM:
      vRegisterSingleCenteredMenuItem((const MSG_ADD_SINGLE_CENTERED_MENU_ITEM*)pMsg);
      break;
    case CMD_ID_ACTIVATE_SINGLE_CENTERED_MENU:
      vActivateSingleCenteredMenu((const MSG_ACTIVATE_SINGLE_CENTERED_MENU*)pMsg);
      break;
    case CMD_ID_ACTIVATE_INFO_MENU:
      vActivateInfoMenu((const MSG_ACTIVATE_INFO_MENU*)pMsg);
      break;
    case CMD_ID_CLEAR_MENU:
      T_MENU_vDoRemoveMenus(FALSE);
      T_NAV_GROUP_vShutdown();
      break;
    case CMD_ID_HIDE_MENU:
      s_bMenuHidden = TRUE;
      break;
    case CMD_ID_RESTORE_MENU:
      s_bMenuHidden = FALSE;
      break;
    case CMD_ID_KEY_CHANGE:
      T_MENU_vHandleKeys((const MSG_KEY_CHANGE*)pMsg);
      break;
    case CMD_ID_RUN_SYSTEM:
      vRunSystem();
      break;
    default:
      break;
  }
}

void vExitTimerFired(void) {
  if (s_pExitTimer == nullptr) return;
  if (s_bExitHeldByHoldOff) vReleaseKeys(KEY_MASK_EXIT);
  s_bExitHeldByHoldOff = FALSE;
  (void)L_TIMER_Release(s_pExitTimer);
  s_pExitTimer = nullptr;
}

void vTaskStart(void) {
  L_MUTEX_LockWait(RES_MENU);
  T_MENU_vInitModel();
  s_activeMenu = NO_MENU;
  s_numActiveMenuItems = 0;
  s_activeMenuItemIndex = 0;
  s_bConfirmActive = FALSE;
  s_menuLevel = 0;
  vClearCallingItems();
  L_MUTEX_Unlock(RES_MENU);
  if (H_DATABASE_bUpdateEverythingU32(KEY_TMNU, M_MENU, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Menu Task Maibox");
  }
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_SLNG, M_MENU, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_CVEW, M_MENU, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_CVAS, M_MENU, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_IPCS, M_MENU, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bUpdateEverythingU32(KEY_CMNU, NO_MENU, P_DEFAULT_SETTING, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

}  // namespace

S32* T_MENU_ps32TopOfKind(ACTIVE_MENU eKind) { return ps32TopOfKind(eKind); }

// ------------------------------------------------------------ inside the task
void T_MENU_vSetActiveMenu(ACTIVE_MENU eKind) {
  s_activeMenu = eKind;
  (void)H_DATABASE_bUpdateValueU32(KEY_CMNU, (U32)eKind, P_NORMAL);
}

S32 T_MENU_s32UserLevel(void) {
  S32 s32Level = M_ADVANCED;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchS32(KEY_CUSR, &s32Level, &bValid) || !bValid) return M_ADVANCED;
  return s32Level;
}

void T_MENU_vGoodClick(void) { (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD); }
void T_MENU_vBadClick(void) { (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD); }

MENU_ITEM* T_MENU_pSelectedItem(void) {
  if (s_activeMenuItemIndex < 0 || s_activeMenuItemIndex >= s_numActiveMenuItems) return nullptr;
  return s_activeMenuList[s_activeMenuItemIndex];
}

void T_MENU_vSaveHotMenuSelection(void) {
  if (s_activeHotMenu < MENU_MAX_HOT_MENUS) s_hotMenus[s_activeHotMenu].lastUsedMenuItem = s_activeMenuItemIndex;
}

void T_MENU_vCloseSelectedList(void) {
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (pRow == nullptr) return;
  if ((pRow->control == M_SUB_MENU || pRow->control == M_SUB_MENU_HOT) && pRow->parameters.submenu.bIsActive) {
    pRow->parameters.submenu.bIsActive = FALSE;
    pRow->value = DB_dataU32(0);
  } else if ((pRow->control == M_ACTION_LIST || pRow->control == M_ACTION_LIST_SHRUNKEN) &&
             pRow->parameters.actionList.bIsActive) {
    pRow->parameters.actionList.bIsActive = FALSE;
    pRow->value = DB_dataU32(0);
  }
}

void T_MENU_vApplyWindow(S32* ps32Top, S32* ps32Bottom, S32 s32Rows, S32 s32Window) {
  if (*ps32Top < 0) *ps32Top = 0;
  if (s32Rows <= 0) {
    *ps32Top = 0;
    *ps32Bottom = 0;
    return;
  }
  if (s32Rows < s32Window) {
    // The whole list fits: the window starts at the first row, so the last
    // visible row is never past the last row.
    *ps32Top = 0;
    *ps32Bottom = s32Rows - 1;
    return;
  }
  *ps32Bottom = *ps32Top + s32Window - 1;
  if (*ps32Bottom > s32Rows - 1) {
    *ps32Top = s32Rows - s32Window;
    *ps32Bottom = s32Rows - 1;
  }
}

void T_MENU_vUpdateActiveMenuList(void) {
  const ACTIVE_MENU eKind = s_activeMenu;
  if (eKind == NO_MENU || eKind == MAIN_GRP_MENU) {
    s_numActiveMenuItems = 0;
    return;
  }
  const S32 s32Level = T_MENU_s32UserLevel();
  if (eKind == MAIN_MENU) vUpdateTabs(s32Level);

  // The item to keep selected: the one that opened the sub menu we return
  // to, else the one selected before.
  MENU_ITEM* pTarget = nullptr;
  BOOLEAN bReturning = FALSE;
  if (s_menuLevel >= 0 && s_menuLevel < MENU_MAX_DEPTH && s_subMenuCallingItem[s_menuLevel] != nullptr &&
      (eKind == EXPRESS_MENU || eKind == MAIN_MENU || bIsSubKind(eKind) || eKind == INFO_MENU)) {
    pTarget = s_subMenuCallingItem[s_menuLevel];
    s_subMenuCallingItem[s_menuLevel] = nullptr;
    bReturning = TRUE;
  } else {
    pTarget = T_MENU_pSelectedItem();
  }

  BOOLEAN bNeedActive = FALSE;
  MENU_ITEM* pFirst = pListOfKind(eKind, &bNeedActive);
  S32 n = 0;
  S32 s32LeftOut = 0;
  for (MENU_ITEM* p = pFirst; p != nullptr; p = p->pNextMenu) {
    if (eKind != QUICK_SETUP_MENU && p->activeLevel > s32Level) continue;
    if (bNeedActive && !p->bActive) continue;
    if (n >= MENU_MAX_ACTIVE_ITEMS) {
      ++s32LeftOut;
      continue;
    }
    s_activeMenuList[n++] = p;
  }
  if (s32LeftOut != s_s32RowsLeftOut) {
    if (s32LeftOut > 0) {
      log_me("menu: %d items of menu kind %d left out, at most %d rows", (int)s32LeftOut, (int)eKind,
             (int)MENU_MAX_ACTIVE_ITEMS);
    }
    s_s32RowsLeftOut = s32LeftOut;
  }
  s_numActiveMenuItems = (S16)n;

  switch (eKind) {
    case QUICK_SETUP_MENU:
      if (s_activeMenuItemIndex >= n || s_activeMenuItemIndex < 0) s_activeMenuItemIndex = 0;
      s_TopMenuItem = 0;
      if (s_activeMenuItemIndex >= MENU_QUICK_VISIBLE_ROWS) {
        s_TopMenuItem = s_activeMenuItemIndex - (MENU_QUICK_VISIBLE_ROWS - 1);
      }
      T_MENU_vApplyWindow(&s_TopMenuItem, &s_BottomMenuItem, n, MENU_QUICK_VISIBLE_ROWS);
      return;
    case FLOATING_MENU:
    case SINGLE_CENTERED_MENU:
      s_activeMenuItemIndex = 0;
      *ps32TopOfKind(eKind) = 0;
      if (eKind == FLOATING_MENU) {
        s_currentFloatingMenuTopOffset = 0;
      } else {
        s_currentSingleCenteredMenuTopOffset = 0;
        s_bLoopSelections = s_singleCenteredMenus[0].bLoopSelection;
      }
      s_BottomMenuItem = n - 1 < MENU_VISIBLE_ROWS - 1 ? n - 1 : MENU_VISIBLE_ROWS - 1;
      if (s_BottomMenuItem < 0) s_BottomMenuItem = 0;
      return;
    default:
      break;
  }

  // Selection follows its item.
  S32 s32Selection = -1;
  if (pTarget != nullptr) {
    for (S32 i = 0; i < n; ++i) {
      if (s_activeMenuList[i] == pTarget) s32Selection = i;
    }
  }
  S32* ps32Top = ps32TopOfKind(eKind);
  if (s32Selection < 0) {
    if (pTarget != nullptr || s_activeMenuItemIndex >= n || s_activeMenuItemIndex < 0) {
      s32Selection = 0;
      if (eKind == MAIN_MENU && !bReturning) {
        *ps32Top = 0;
        s_bMenuItemActive = FALSE;
      }
    } else {
      s32Selection = s_activeMenuItemIndex;
    }
  } else if (eKind == MAIN_MENU && bReturning) {
    s_bMenuItemActive = TRUE;
  }
  s_activeMenuItemIndex = s32Selection;
  if (eKind == MAIN_MENU) {
    const S32 s32Top = s32Selection - s_currentTopOffset;
    *ps32Top = (s32Top > 0 && n > MENU_VISIBLE_ROWS) ? s32Top : 0;
  }
  // The selected row stays visible.
  if (s32Selection < *ps32Top) *ps32Top = s32Selection;
  if (s32Selection > *ps32Top + MENU_VISIBLE_ROWS - 1) *ps32Top = s32Selection - (MENU_VISIBLE_ROWS - 1);
  T_MENU_vApplyWindow(ps32Top, &s_BottomMenuItem, n, MENU_VISIBLE_ROWS);
}

void T_MENU_vUnregisterMenuLayers(void) {
  vUnregisterLayer(CONFIRM_MENU_LAYER);
  vUnregisterLayer(SUB_MENU_LAYER);
  vUnregisterLayer(MAIN_MENU_LAYER);
  vUnregisterLayer(EXPRESS_MENU_LAYER);
}

void T_MENU_vRegisterMenuKeys(void) {
  vRegisterKeys(MENU_KEYS_MASK, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_MENU);
  vRegisterKeys(KEY_MASK_CURSOR, KEY_CHANGE, TRUE, TRUE, CURSOR_4, REGISTER_MENU);
}

BOOLEAN T_MENU_bExitHoldOffRunning(void) { return s_bExitHeldByHoldOff; }

void T_MENU_vCancelExitHoldOff(void) {
  if (!s_bExitHeldByHoldOff) return;
  s_bExitHeldByHoldOff = FALSE;
  vReleaseKeys(KEY_MASK_EXIT);
  if (s_pExitTimer != nullptr && bInMenuTask()) {
    (void)L_TIMER_Stop(s_pExitTimer);
    (void)L_TIMER_Release(s_pExitTimer);
    s_pExitTimer = nullptr;
    (void)L_SEMA_SetPending(SEMA_TIMER_EXIT_KEY);
  }
}

void T_MENU_vDoRemoveMenus(BOOLEAN bAnotherFollows) {
  T_MENU_vUnregisterMenuLayers();
  if (s_activeMenu == QUICK_SETUP_MENU) vUnregisterLayer(QUICK_CONFIGURE_LAYER);
  vReleaseKeys(~KEY_MASK_EXIT);
  if ((s_u32HeldKeys & KEY_MASK_EXIT) != 0 && !s_bExitHeldByHoldOff) {
    if (bInMenuTask()) {
      if (s_pExitTimer == nullptr) s_pExitTimer = L_TIMER_Allocate();
      if (s_pExitTimer != nullptr &&
          L_TIMER_Start(s_pExitTimer, MENU_EXIT_HOLD_OFF_MS, 0, SEMA_TIMER_EXIT_KEY) != nullptr) {
        s_bExitHeldByHoldOff = TRUE;
      }
    }
    if (!s_bExitHeldByHoldOff) vReleaseKeys(KEY_MASK_EXIT);
  }
  if (s_activeMenu == EXPRESS_MENU) T_MENU_vSaveHotMenuSelection();
  T_MENU_vCloseSelectedList();
  s_repeatActive = FALSE;
  if (!bAnotherFollows) {
    T_MENU_vSetActiveMenu(NO_MENU);
    s_numActiveMenuItems = 0;
  }
  s_menuLevel = 0;
  vClearCallingItems();
  s_bConfirmActive = FALSE;
  vAskForPage();
}

void T_MENU_vActivateHotMenu(void) {
  s_timer = L_CLOCK_qwGetTimeInTicks();
  const LAYER_ID eView = eFetchView();
  const SPLIT_WINDOW_TYPE eSplit = eFetchSplit();
  s_menuLevel = 0;
  s_bShowMenuList = TRUE;
  T_MENU_vRegisterMenuKeys();
  for (S32 i = 0; i < MENU_MAX_HOT_MENUS; ++i) {
    const HOT_MENU& menu = s_hotMenus[i];
    if (menu.view == 0 || menu.view != eView || (menu.type != eSplit && menu.type != SPLIT_FULL_WINDOW)) continue;
    s_activeHotMenu = (U8)i;
    if (menu.numMenuItems < 1) break;
    s_numActiveMenuItems = 0;
    s_activeMenuItemIndex = menu.lastUsedMenuItem;
    s_TopMenuItem = 0;
    s_bMenuItemActive = TRUE;
    T_MENU_vSetActiveMenu(EXPRESS_MENU);
    T_MENU_vUpdateActiveMenuList();
    for (MENU_ITEM* p = menu.pFirstItem; p != nullptr; p = p->pNextMenu) T_MENU_vUpdateDisplayStrings(p, TRUE);
    vRegisterLayer(EXPRESS_MENU_LAYER, &T_MENU_vDrawHotMenuLayer);
    return;
  }
  T_MENU_vActivateMainMenu();
}

void T_MENU_vActivateMainMenu(void) {
  if (s_activeMenu == EXPRESS_MENU) T_MENU_vSaveHotMenuSelection();
  s_menuLevel = 0;
  s_TopMenuItem = 0;
  s_currentTopOffset = 0;
  s_bActivatingMainMenu = TRUE;
  vUnregisterLayer(EXPRESS_MENU_LAYER);
  s_numActiveMenuItems = 0;
  s_activeMenuItemIndex = 0;
  s_bMenuItemActive = FALSE;
  T_MENU_vSetActiveMenu(MAIN_MENU);
  T_MENU_vUpdateActiveMenuList();
  if (s_activeTab >= 0 && s_activeTab < NUM_TAB_PRIORITIES) {
    for (MENU_ITEM* p = s_mainMenuTabs[s_activeTab].pFirstItem; p != nullptr; p = p->pNextMenu) {
      T_MENU_vUpdateDisplayStrings(p, TRUE);
    }
  }
  vRegisterLayer(MAIN_MENU_LAYER, &T_MENU_vDrawMainMenuLayer);
}

void T_MENU_vActivateSubMenu(S32 s32Slot) {
  if (s32Slot < 0 || s32Slot >= MENU_MAX_SUB_MENUS || !s_subMenus[s32Slot].menuRegistered ||
      s_subMenus[s32Slot].pFirstItem == nullptr) {
    T_MENU_vBadClick();
    GUI_vResetReadoutSubMenuStatus();
    return;
  }
  if (s_menuLevel >= MENU_MAX_DEPTH) {
    log_me("menu: sub menu %s refused, menus nest at most %d deep", s_subMenus[s32Slot].pSubMenuName[0],
           (int)MENU_MAX_DEPTH);
    T_MENU_vBadClick();
    return;
  }
  SUB_MENU& menu = s_subMenus[s32Slot];
  MENU_ITEM* pOpener = T_MENU_pSelectedItem();
  const LAYER_ID eView = eFetchView();
  if (eView >= FIRST_NMEA2K_VIEW && eView <= LAST_NMEA2K_VIEW && pOpener != nullptr &&
      pOpener->pMenuTitle == g_MENU_txtSelectReadouts) {
    s_bReadoutMenuActivate = TRUE;
  }
  if (menu.pSubMenuName == g_MENU_txtInstallation) {
    if (!T_RADAR_bIsMyRadarView(UNKNOWN_VIEW, UNKNOWN_SPLIT)) {
      T_MENU_vBadClick();
      T_NAV_vSetNavUINoteWithTimeout(g_MENU_txtChangeToRadarView, nullptr, 5, FALSE);
      return;
    }
  } else if (menu.pSubMenuName == g_MENU_txtTriggerDelay) {
    (void)L_SEMA_Signal(SEMA_RADAR_TRIGGER_DELAY);
  } else if (menu.pSubMenuName == g_MENU_txtManualTune) {
    T_RADAR_vHandleManualTune();
  } else if (menu.pSubMenuName == g_MENU_txtTune) {
    if (!T_RADAR_bHandleTune()) return;
  }
  for (MENU_ITEM* p = menu.pFirstItem; p != nullptr; p = p->pNextMenu) T_MENU_vUpdateDisplayStrings(p, TRUE);

  const ACTIVE_MENU eFrom = s_activeMenu;
  s_callingMenu[s_menuLevel] = eFrom;
  ++s_menuLevel;
  ACTIVE_MENU eTo = eFrom;
  switch (eFrom) {
    case EXPRESS_MENU:
      eTo = EXPRESS_SUB_MENU;
      T_MENU_vSaveHotMenuSelection();
      break;
    case MAIN_MENU:
      eTo = MAIN_SUB_MENU;
      break;
    case MAIN_SUB_MENU:
      eTo = MAIN_SUB_MENU_1;
      break;
    case MAIN_SUB_MENU_1:
      eTo = MAIN_SUB_MENU_2;
      break;
    case MAIN_SUB_MENU_2:
      eTo = MAIN_SUB_MENU_3;
      break;
    case INFO_MENU:
      eTo = INFO_SUB_MENU;
      break;
    default:
      break;
  }
  s_subMenuCallingItem[s_menuLevel - 1] = pOpener;
  s_activeSubMenu[s_menuLevel - 1] = s32Slot;
  s_currentTopOffset = s_activeMenuItemIndex - *ps32TopOfKind(eFrom);
  s_activeMenuItemIndex = 0;
  s_TopSubMenuItem = 0;
  s_numActiveMenuItems = 0;
  T_MENU_vSetActiveMenu(eTo);
  T_MENU_vUpdateActiveMenuList();
  if (eFrom == EXPRESS_MENU || eFrom == MAIN_MENU || eFrom == INFO_MENU) {
    vRegisterLayer(SUB_MENU_LAYER, &T_MENU_vDrawSubMenuLayer);
  }
}

void T_MENU_vUpdateActiveHotMenu(void) {
  const LAYER_ID eView = eFetchView();
  const SPLIT_WINDOW_TYPE eSplit = eFetchSplit();
  S32 slot = -1;
  for (S32 i = 0; i < MENU_MAX_HOT_MENUS && slot < 0; ++i) {
    if (s_hotMenus[i].view != 0 && s_hotMenus[i].view == eView && s_hotMenus[i].type == eSplit) slot = i;
  }
  for (S32 i = 0; i < MENU_MAX_HOT_MENUS && slot < 0; ++i) {
    if (s_hotMenus[i].view != 0 && s_hotMenus[i].view == eView && s_hotMenus[i].type == SPLIT_FULL_WINDOW) slot = i;
  }
  if (slot < 0 || s_hotMenus[slot].pFirstItem == nullptr) {
    // The new view has no quick-access menu: another view's items would act
    // on the wrong view, so the menu closes.
    T_MENU_vDoRemoveMenus(FALSE);
    return;
  }
  s_TopMenuItem = 0;
  s_activeHotMenu = (U8)slot;
  s_numActiveMenuItems = 0;
  s_activeMenuItemIndex = s_hotMenus[slot].lastUsedMenuItem;
  s_bShowMenuList = TRUE;
  s_bMenuItemActive = TRUE;
  T_MENU_vUpdateActiveMenuList();
}

// ------------------------------------------------------------ the task
void T_MENU_vTask(void) {
  vTaskStart();
  const SEMA events[] = {SEMA_TIMER_EXIT_KEY, SEMA_MBOX_MENU, SEMA_MBOX_SYSTIME_EDIT, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(events);
    if (fired == SEMA_TIMER_EXIT_KEY) {
      L_MUTEX_LockWait(RES_MENU);
      vExitTimerFired();
      L_MUTEX_Unlock(RES_MENU);
    } else if (fired == SEMA_MBOX_MENU) {
      while (void* pMsg = L_MBOX_Receive(M_MENU)) {
        L_MUTEX_LockWait(RES_MENU);
        vHandleMessage((const GENERIC_MESSAGE*)pMsg);
        L_MUTEX_Unlock(RES_MENU);
        H_MEMORY_vDumpMail(pMsg);
      }
    } else if (fired == SEMA_MBOX_SYSTIME_EDIT) {
      // Keys of the date and time dialog.
      while (void* pMsg = L_MBOX_Receive(M_SYSTIME_EDIT)) {
        const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)pMsg;
        if (g->Cmd == CMD_ID_KEY_CHANGE) U_DATETIME_bHandleKeys((const MSG_KEY_CHANGE*)pMsg);
        H_MEMORY_vDumpMail(pMsg);
      }
    } else {
      log_me("menu task cannot wait: %d", (int)fired);
      L_CLOCK_Sleep(100);
    }
  }
}

// ------------------------------------------------------------ called by other tasks
void T_MENU_vRemoveMenus(void) {
  L_MUTEX_LockWait(RES_MENU);
  T_MENU_vDoRemoveMenus(FALSE);
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vUpdateActivateMenu(ACTIVE_MENU eKind) {
  L_MUTEX_LockWait(RES_MENU);
  if (eKind != NO_MENU) T_MENU_vDoRemoveMenus(TRUE);
  T_MENU_vSetActiveMenu(eKind);
  if (eKind == NO_MENU || eKind == MAIN_GRP_MENU) s_numActiveMenuItems = 0;
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vActivateSpecifiedHotMenu(LAYER_ID eView) {
  L_MUTEX_LockWait(RES_MENU);
  s_timer = L_CLOCK_qwGetTimeInTicks();
  const SPLIT_WINDOW_TYPE eSplit = eFetchSplit();
  const BOOLEAN bWasOpen = s_activeMenu != NO_MENU;
  if (bWasOpen) {
    if (s_activeMenu == EXPRESS_MENU) T_MENU_vSaveHotMenuSelection();
    T_MENU_vCloseSelectedList();
    vReleaseKeys(~0u);
    T_MENU_vUnregisterMenuLayers();
    if (s_activeMenu == QUICK_SETUP_MENU) vUnregisterLayer(QUICK_CONFIGURE_LAYER);
  }
  vClearCallingItems();
  s_repeatActive = FALSE;
  s_bConfirmActive = FALSE;
  s_TopMenuItem = 0;
  s_menuLevel = 0;
  S32 slot = -1;
  for (S32 i = 0; i < MENU_MAX_HOT_MENUS && slot < 0; ++i) {
    const HOT_MENU& menu = s_hotMenus[i];
    if (menu.view != 0 && menu.view == eView && (menu.type == eSplit || menu.type == SPLIT_FULL_WINDOW)) slot = i;
  }
  if (slot < 0 || s_hotMenus[slot].numMenuItems < 1) {
    log_me("menu: view %d has no quick-access menu to open", (int)eView);
    T_MENU_vSetActiveMenu(NO_MENU);
    s_numActiveMenuItems = 0;
  } else {
    s_activeHotMenu = (U8)slot;
    s_numActiveMenuItems = 0;
    s_activeMenuItemIndex = s_hotMenus[slot].lastUsedMenuItem;
    s_bShowMenuList = TRUE;
    s_bMenuItemActive = TRUE;
    T_MENU_vRegisterMenuKeys();
    T_MENU_vSetActiveMenu(EXPRESS_MENU);
    T_MENU_vUpdateActiveMenuList();
    vRegisterLayer(EXPRESS_MENU_LAYER, &T_MENU_vDrawHotMenuLayer);
  }
  if (bWasOpen || s_activeMenu != NO_MENU) vAskForPage();
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vActivateQuickMenu(void) {
  L_MUTEX_LockWait(RES_MENU);
  vCloseForNewMenu();
  s_bShowMenuList = TRUE;
  s_bQuickConfigMenuDisplayed = TRUE;
  s_menuLevel = 0;
  s_activeMenuItemIndex = 0;
  s_numActiveMenuItems = 0;
  s_bMenuItemActive = TRUE;
  T_MENU_vSetActiveMenu(QUICK_SETUP_MENU);
  T_MENU_vUpdateActiveMenuList();
  vRegisterLayer(QUICK_CONFIGURE_LAYER, &T_MENU_vDrawQuickMenuLayer);
  vRegisterKeys(MENU_QUICK_SETUP_MASK, KEY_DOWN, FALSE, FALSE, CURSOR_4, REGISTER_CONTRAST);
  vRegisterKeys(KEY_MASK_CURSOR, KEY_CHANGE, TRUE, TRUE, CURSOR_4, REGISTER_MENU);
  vAskForPage();
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vRemoveHotMenuListIfActive(DB_TEXT_RECORD pTitle) {
  L_MUTEX_LockWait(RES_MENU);
  const MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (s_activeMenu == EXPRESS_MENU && !s_bShowMenuList && pRow != nullptr && pRow->pMenuTitle == pTitle) {
    T_MENU_vDoRemoveMenus(FALSE);
  }
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vDoRemoveSingleCenteredMenu(void) {
  L_MUTEX_LockWait(RES_MENU);
  T_MENU_vUnregisterMenuLayers();
  vReleaseKeys(MENU_CLOSE_MASK | KEY_MASK_EXIT);
  if (s_activeMenu == EXPRESS_MENU) T_MENU_vSaveHotMenuSelection();
  T_MENU_vCloseSelectedList();
  s_repeatActive = FALSE;
  T_MENU_vSetActiveMenu(NO_MENU);
  s_numActiveMenuItems = 0;
  s_bConfirmActive = FALSE;
  s_menuLevel = 0;
  vClearCallingItems();
  vAskForPage();
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vGetSelection(DB_TEXT_RECORD pTitle, char* pcText) {
  if (pcText == nullptr) return;
  L_MUTEX_LockWait(RES_MENU);
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (s_activeMenu == SINGLE_CENTERED_MENU && pRow != nullptr && pRow->pMenuTitle == pTitle) {
    T_MENU_vUpdateDisplayStrings(pRow, FALSE);
    memcpy(pcText, pRow->value_string, sizeof pRow->value_string);
    pcText[sizeof pRow->value_string - 1] = '\0';
  }
  L_MUTEX_Unlock(RES_MENU);
}

void T_MENU_vActiveSubMenuByMenuName(DB_TEXT_RECORD pTitle) {
  L_MUTEX_LockWait(RES_MENU);
  const S32 slot = T_MENU_s32FindSubMenu(pTitle);
  if (slot >= 0) T_MENU_vActivateSubMenu(slot);
  L_MUTEX_Unlock(RES_MENU);
}

ACTIVE_MENU T_MENU_eActiveMenu(void) {
  L_MUTEX_LockWait(RES_MENU);
  const ACTIVE_MENU eKind = s_activeMenu;
  L_MUTEX_Unlock(RES_MENU);
  return eKind;
}
