// Menu task: the menu data and what the task does with each registration
// and removal message. Items are partition blocks owned by the task; each
// container keeps a singly linked list ordered by MENU_PRIORITY. Everything
// here runs under RES_MENU.
#include <stdlib.h>
#include <string.h>

#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/ui/t_menu_int.h"

// ------------------------------------------------------------ the data
MENU_TAB s_mainMenuTabs[NUM_TAB_PRIORITIES];
HOT_MENU s_hotMenus[MENU_MAX_HOT_MENUS];
QUICK_MENU s_quickMenu;
USED_BY_ALL_HOT_MENUS s_savedHotMenuItems;
SUB_MENU s_subMenus[MENU_MAX_SUB_MENUS];
INFO_MENU_TYPE s_infoMenus[MENU_MAX_INFO_MENUS];
FLOATING_MENU_TYPE s_floatingMenus[MENU_MAX_FLOATING_MENUS];
SINGLE_CENTERED_MENU_TYPE s_singleCenteredMenus[MENU_MAX_SINGLE_CENTERED_MENUS];
S32 s_lastTabIndex = 0;
S32 s_SubMenuIndex = 0;
S32 s_InfoMenuIndex = 0;

namespace {

// Trace text of a title: its English string.
const char* pcTitle(DB_TEXT_RECORD pTitle) {
  if (pTitle == nullptr || pTitle[0] == nullptr) return "(none)";
  return pTitle[0];
}

BOOLEAN bKeyBound(MENU_CONTROL eControl) {
  switch (eControl) {
    case M_SLIDER:
    case M_PROGRESS_BAR:
    case M_NUMERIC_ENTRY:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE:
    case M_ANGLE_ADJUST:
      return TRUE;
    default:
      return FALSE;
  }
}

// Value class of a key's data type. The kinds the database has no class
// for would end the program there; an item bound to one shows its value as
// a plain number (unsigned) or, for positions and the like, not at all.
DATA_FORMAT eValueClass(DATA_TYPE eType, DB_TEXT_RECORD pTitle) {
  switch (eType) {
    case D_UNSIGNED32:
      return DF_UNSIGNED32;
    case D_POSITION:
    case D_WAYPOINT:
    case D_FIXED_POINT:
      log_me("menu: item %s bound to a key of data type %d, which it cannot show", pcTitle(pTitle), (int)eType);
      return DF_ERROR;
    default:
      if (eType < D_UNKNOWN || eType >= NUMBER_OF_DATA_TYPES) {
        log_me("menu: item %s bound to a key of unknown data type %d", pcTitle(pTitle), (int)eType);
        return DF_ERROR;
      }
      return H_DATABASE_DataType(eType);
  }
}

// Any item the open menu refers to besides its rows forgets a freed item.
void vForgetItem(const MENU_ITEM* pItem) {
  for (S32 i = 0; i < MENU_MAX_DEPTH; ++i) {
    if (s_subMenuCallingItem[i] == pItem) s_subMenuCallingItem[i] = nullptr;
  }
}

void vFreeItem(MENU_ITEM* pItem) {
  vForgetItem(pItem);
  T_MENU_vReleaseItem(pItem);
}

// Registers the sub menus an item names, one per choice; the slot of the
// first becomes the item's subMenuID. FALSE when a name finds neither its
// sub menu nor a free slot.
BOOLEAN bRegisterNamedSubMenus(MENU_ITEM* pItem) {
  M_SUB_MENU_PARAMETERS& sub = pItem->parameters.submenu;
  for (U32 i = 0; i < sub.numberChoices; ++i) {
    const DB_TEXT_RECORD pName = sub.pSubMenuNames[i];
    const ICON* pIcon = sub.pSubMenuIcons != nullptr ? sub.pSubMenuIcons[i] : nullptr;
    S32 slot = 0;
    while (slot < MENU_MAX_SUB_MENUS && s_subMenus[slot].menuRegistered && s_subMenus[slot].pSubMenuName != pName) ++slot;
    if (slot >= MENU_MAX_SUB_MENUS) {
      log_me("menu: no free sub-menu slot for %s, item %s refused", pcTitle(pName), pcTitle(pItem->pMenuTitle));
      return FALSE;
    }
    SUB_MENU& menu = s_subMenus[slot];
    if (menu.menuRegistered) {
      if (sub.pSubMenuIcons != nullptr && menu.pHelperIcon != pIcon) menu.pHelperIcon = pIcon;
    } else {
      memset(&menu, 0, sizeof menu);
      menu.pSubMenuName = pName;
      menu.pHelperIcon = pIcon;
      menu.menuRegistered = TRUE;
      if (slot > s_SubMenuIndex) s_SubMenuIndex = slot;
    }
    if (i == 0) sub.subMenuID = slot;
  }
  return TRUE;
}

// Items counted into a container; a count never goes below zero, even for
// copies the container did not count when it received them.
void vCountDown(S16* ps16Count) {
  if (*ps16Count > 0) --*ps16Count;
}

S32 s32FindTab(DB_TEXT_RECORD pTitle) {
  if (pTitle == nullptr) return -1;
  // Every slot is searched: a tab hidden at the current user level still
  // takes the items registered for it.
  for (S32 i = 0; i < NUM_TAB_PRIORITIES; ++i) {
    if (s_mainMenuTabs[i].pTabTitle == pTitle) return i;
  }
  return -1;
}

S32 s32FindInfoMenu(DB_TEXT_RECORD pTitle) {
  if (pTitle == nullptr) return -1;
  for (S32 i = 0; i <= s_InfoMenuIndex && i < MENU_MAX_INFO_MENUS; ++i) {
    if (s_infoMenus[i].pInfoMenuName == pTitle) return i;
  }
  return -1;
}

S32 s32FindFloatingMenu(DB_TEXT_RECORD pTitle) {
  if (pTitle == nullptr) return -1;
  for (S32 i = 0; i < MENU_MAX_FLOATING_MENUS; ++i) {
    if (s_floatingMenus[i].pFloatingMenuName == pTitle) return i;
  }
  return -1;
}

// Creates the quick-access menu of a view and split side in the first free
// slot, seeded with copies of the items registered for every view (not
// counted). −1 when every slot is in use.
S32 s32CreateHotMenu(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  S32 slot = 0;
  while (slot < MENU_MAX_HOT_MENUS && s_hotMenus[slot].view != 0) ++slot;
  if (slot >= MENU_MAX_HOT_MENUS) {
    log_me("menu: no free quick-access slot for view %d side %d", (int)eView, (int)eSplit);
    return -1;
  }
  HOT_MENU& menu = s_hotMenus[slot];
  memset(&menu, 0, sizeof menu);
  menu.view = eView;
  menu.type = eSplit;
  menu.lastUsedMenuItem = 0;
  for (const MENU_ITEM* p = s_savedHotMenuItems.pFirstItem; p != nullptr; p = p->pNextMenu) {
    (void)T_MENU_bInsertItem(&menu.pFirstItem, &menu.pLastItem, T_MENU_pCopyItem(p));
  }
  return slot;
}

BOOLEAN bAnyHotMenuForView(LAYER_ID eView) {
  for (const HOT_MENU& menu : s_hotMenus) {
    if (menu.view == eView) return TRUE;
  }
  return FALSE;
}

// ------------------------------------------------------------ registration commands
void vRegisterMenuTab(const MSG_ADD_MENU_TAB* pMsg) {
  const S32 slot = pMsg->priority;
  if (slot < 0 || slot >= NUM_TAB_PRIORITIES) {
    log_me("menu: tab %s refused, slot %d outside 0 to %d", pcTitle(pMsg->pTabName), (int)slot,
           (int)NUM_TAB_PRIORITIES - 1);
    return;
  }
  MENU_TAB& tab = s_mainMenuTabs[slot];
  tab.pTabTitle = pMsg->pTabName;
  tab.pTabIcon = pMsg->pTabIcon;
  tab.activeLevel = pMsg->menuUserLevel;
  tab.bTabActive = TRUE;
  if (slot > s_lastTabIndex) s_lastTabIndex = slot;
  T_MENU_vUpdateActiveMenuList();
}

void vRegisterSubMenu(const MSG_ADD_SUB_MENU* pMsg) {
  S32 slot = 0;
  while (slot < MENU_MAX_SUB_MENUS && s_subMenus[slot].menuRegistered) {
    if (s_subMenus[slot].pSubMenuName == pMsg->pSubMenuName) return;
    ++slot;
  }
  if (slot >= MENU_MAX_SUB_MENUS) {
    log_me("menu: sub menu %s refused, all %d slots in use", pcTitle(pMsg->pSubMenuName), (int)MENU_MAX_SUB_MENUS);
    return;
  }
  SUB_MENU& menu = s_subMenus[slot];
  memset(&menu, 0, sizeof menu);
  menu.pSubMenuName = pMsg->pSubMenuName;
  menu.pHelperIcon = pMsg->pMenuIcon;
  menu.menuRegistered = TRUE;
  if (slot > s_SubMenuIndex) s_SubMenuIndex = slot;
}

void vRegisterHotMenu(const MSG_ADD_HOT_MENU* pMsg) {
  if (pMsg->view == 0 || pMsg->view == USED_BY_ALL) {
    log_me("menu: quick-access menu for view %d refused", (int)pMsg->view);
    return;
  }
  for (const HOT_MENU& menu : s_hotMenus) {
    if (menu.view == pMsg->view && menu.type == pMsg->type) return;
  }
  (void)s32CreateHotMenu(pMsg->view, pMsg->type);
}

void vRegisterInfoMenu(const MSG_ADD_INFO_MENU* pMsg) {
  for (S32 i = 0; i < MENU_MAX_INFO_MENUS; ++i) {
    INFO_MENU_TYPE& menu = s_infoMenus[i];
    if (menu.pInfoMenuName == pMsg->pInfoMenuName) return;
    if (menu.pInfoMenuName == nullptr) {
      menu.pInfoMenuName = pMsg->pInfoMenuName;
      if (i > s_InfoMenuIndex) s_InfoMenuIndex = i;
      return;
    }
  }
  log_me("menu: info menu %s refused, all %d slots in use", pcTitle(pMsg->pInfoMenuName), (int)MENU_MAX_INFO_MENUS);
}

void vRegisterFloatingMenu(const MSG_ADD_FLOATING_MENU* pMsg) {
  if (s_activeMenu == FLOATING_MENU) {
    log_me("menu: floating menu %s not registered while a floating menu is open", pcTitle(pMsg->pFloatingMenuName));
    return;
  }
  S32 slot = 0;
  while (slot < MENU_MAX_FLOATING_MENUS && s_floatingMenus[slot].pFloatingMenuName != nullptr &&
         s_floatingMenus[slot].pFloatingMenuName != pMsg->pFloatingMenuName) {
    ++slot;
  }
  if (slot >= MENU_MAX_FLOATING_MENUS) {
    log_me("menu: floating menu %s refused, all %d slots in use", pcTitle(pMsg->pFloatingMenuName),
           (int)MENU_MAX_FLOATING_MENUS);
    return;
  }
  T_MENU_vClearFloatingMenu(slot);
  FLOATING_MENU_TYPE& menu = s_floatingMenus[slot];
  menu.pFloatingMenuName = pMsg->pFloatingMenuName;
  menu.GoToKeyHandler = pMsg->GoToKeyHandler;
  menu.ExitKeyHandler = pMsg->ExitKeyHandler;
  menu.bDisplayAltName = pMsg->bDisplayAltName;
  memset(menu.aStrAltName, 0, sizeof menu.aStrAltName);
  if (menu.bDisplayAltName) {
    // The sender's text need not be terminated: at most 19 characters.
    memcpy(menu.aStrAltName, pMsg->aStrAltName, sizeof menu.aStrAltName - 1);
    menu.aStrAltName[sizeof menu.aStrAltName - 1] = '\0';
  }
}

void vRegisterFloatingMenuItem(const MSG_ADD_MENU_ITEM* pMsg) {
  if (s_activeMenu == FLOATING_MENU) {
    log_me("menu: item %s not added while a floating menu is open", pcTitle(pMsg->descriptor.pMenuName));
    return;
  }
  const S32 slot = s32FindFloatingMenu(pMsg->pTabName);
  if (slot < 0) {
    log_me("menu: item %s refused, no floating menu %s", pcTitle(pMsg->descriptor.pMenuName), pcTitle(pMsg->pTabName));
    return;
  }
  MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(pMsg);
  if (pItem == nullptr) return;
  pItem->bActive = TRUE;
  FLOATING_MENU_TYPE& menu = s_floatingMenus[slot];
  if (T_MENU_bInsertItem(&menu.pFirstItem, &menu.pLastItem, pItem)) ++menu.numMenuItems;
}

void vUnregisterMenuTab(const MSG_REMOVE_TAB* pMsg) {
  const S32 slot = s32FindTab(pMsg->pTabName);
  if (slot < 0) return;
  s_mainMenuTabs[slot].pTabTitle = nullptr;
  s_mainMenuTabs[slot].bTabActive = FALSE;
  if (s_activeTab == slot) {
    s_activeTab = 0;
    for (S32 i = 0; i < NUM_TAB_PRIORITIES; ++i) {
      if (s_mainMenuTabs[i].bTabActive) {
        s_activeTab = i;
        break;
      }
    }
  }
  T_MENU_vUpdateActiveMenuList();
}

void vUnregisterMenuItem(const MSG_REMOVE_MENU* pMsg) {
  if (pMsg->pTabName != nullptr) {
    const S32 slot = s32FindTab(pMsg->pTabName);
    if (slot >= 0) {
      MENU_TAB& tab = s_mainMenuTabs[slot];
      if (T_MENU_bDeleteItem(&tab.pFirstItem, &tab.pLastItem, pMsg->pMenuName)) vCountDown(&tab.numMenuItems);
    }
  } else if (pMsg->pSubMenuName == nullptr) {
    if (pMsg->view == USED_BY_ALL &&
        T_MENU_bDeleteItem(&s_savedHotMenuItems.pFirstItem, &s_savedHotMenuItems.pLastItem, pMsg->pMenuName)) {
      vCountDown(&s_savedHotMenuItems.numMenuItems);
    }
    for (HOT_MENU& menu : s_hotMenus) {
      if (menu.view == 0) continue;
      const BOOLEAN bMatch = pMsg->view == USED_BY_ALL ||
                             (menu.view == pMsg->view && (menu.type == pMsg->splitType || pMsg->splitType == SPLIT_FULL_WINDOW));
      if (bMatch && T_MENU_bDeleteItem(&menu.pFirstItem, &menu.pLastItem, pMsg->pMenuName)) {
        vCountDown(&menu.numMenuItems);
      }
    }
  } else {
    const S32 slot = T_MENU_s32FindSubMenu(pMsg->pSubMenuName);
    if (slot >= 0) {
      SUB_MENU& menu = s_subMenus[slot];
      if (T_MENU_bDeleteItem(&menu.pFirstItem, &menu.pLastItem, pMsg->pMenuName)) vCountDown(&menu.numMenuItems);
    }
  }
  T_MENU_vUpdateActiveMenuList();
}

// A floating menu removed while it is on screen is closed first, so that
// the rows never point to freed items.
void vUnregisterFloatingMenu(const MSG_REMOVE_FLOATING_MENU* pMsg) {
  const S32 slot = s32FindFloatingMenu(pMsg->pFloatingMenuName);
  if (slot < 0) return;
  if (s_activeMenu == FLOATING_MENU && s_activeFloatingMenu == slot) T_MENU_vDoRemoveMenus(FALSE);
  T_MENU_vClearFloatingMenu(slot);
}

void vUnregisterSingleCenteredMenu(const MSG_REMOVE_SINGLE_CENTERED_MENU* pMsg) {
  SINGLE_CENTERED_MENU_TYPE& menu = s_singleCenteredMenus[0];
  if (menu.pSingleCenteredMenuName == nullptr || menu.pSingleCenteredMenuName != pMsg->pSingleCenteredMenuName) return;
  if (s_activeMenu == SINGLE_CENTERED_MENU) T_MENU_vDoRemoveSingleCenteredMenu();
  T_MENU_vClearSingleCenteredMenu();
}

}  // namespace

// ------------------------------------------------------------ items
// Menu items live in the process heap, not in the memory partitions: on this
// 64-bit host an item outgrows the partition block it takes on the board,
// and the unit registers well over a thousand items, more than the larger
// partitions hold; an allocation there would wait for ever.
MENU_ITEM* T_MENU_pAllocItem(void) {
  MENU_ITEM* pItem = (MENU_ITEM*)calloc(1, sizeof(MENU_ITEM));
  if (pItem == nullptr) {
    ERROR_error(__FILE__, __LINE__, "Out of memory for menu items");
    U_RESET_vReset();
  }
  return pItem;
}

void T_MENU_vReleaseItem(MENU_ITEM* pItem) { free(pItem); }

MENU_ITEM* T_MENU_pMenuItemInitEntry(const MSG_ADD_MENU_ITEM* pMsg) {
  const MENU_DESCRIPTOR& desc = pMsg->descriptor;
  if (desc.control < 0 || desc.control >= NUM_MENU_CONTROLS) {
    log_me("menu: item %s refused, control kind %d unknown", pcTitle(desc.pMenuName), (int)desc.control);
    return nullptr;
  }
  MENU_ITEM* pItem = T_MENU_pAllocItem();
  pItem->pMenuTitle = desc.pMenuName;
  pItem->activeLevel = desc.menuUserLevel;
  pItem->control = desc.control;
  pItem->priority = desc.menuPriority;
  pItem->pMenuIcon = pMsg->pMenuIcon;

  const CONTROL_PARAMETERS& in = desc.parameters;
  CONTROL_PARAMETERS& out = pItem->parameters;
  FOURCHARID key = 0;
  switch (desc.control) {
    case M_SLIDER:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE:
      key = out.slider.FourCharId = in.slider.FourCharId;
      out.slider.valueStrSuffix = in.slider.valueStrSuffix;
      out.slider.pCtrlTextLeft = in.slider.pCtrlTextLeft;
      out.slider.pCtrlTextRight = in.slider.pCtrlTextRight;
      out.slider.pLimits = in.slider.pLimits;
      if (desc.control == M_SLIDER_VARIABLE_STEP) out.slider.pLevels = in.slider.pLevels;
      break;
    case M_PROGRESS_BAR:
      key = out.progress.FourCharId = in.progress.FourCharId;
      out.progress.valueStrSuffix = in.progress.valueStrSuffix;
      out.progress.pCtrlTextLeft = in.progress.pCtrlTextLeft;
      out.progress.pCtrlTextRight = in.progress.pCtrlTextRight;
      out.progress.pLimits = in.progress.pLimits;
      break;
    case M_NUMERIC_ENTRY:
      key = out.numEntry.FourCharId = in.numEntry.FourCharId;
      out.numEntry.valueStrSuffix = in.numEntry.valueStrSuffix;
      out.numEntry.pCtrlTextLeft = in.numEntry.pCtrlTextLeft;
      out.numEntry.pCtrlTextRight = in.numEntry.pCtrlTextRight;
      out.numEntry.pLimits = in.numEntry.pLimits;
      break;
    case M_SELECTION_BOX:
      out.selector.FourCharId = in.selector.FourCharId;
      out.selector.pSelectionList = in.selector.pSelectionList;
      out.selector.pSelectionIcons = in.selector.pSelectionIcons;
      out.selector.pSelectionValueArray = in.selector.pSelectionValueArray;
      out.selector.numberSelections = in.selector.numberSelections;
      if (out.selector.numberSelections > 0 && out.selector.pSelectionList == nullptr &&
          out.selector.pSelectionIcons == nullptr) {
        log_me("menu: selector %s has %u choices but neither texts nor icons", pcTitle(desc.pMenuName),
               (unsigned)out.selector.numberSelections);
        out.selector.numberSelections = 0;
      }
      if (out.selector.numberSelections > 256) out.selector.numberSelections = 256;  // CurSelection is a byte
      break;
    case M_SELECTION_BUTTONS:
    case M_ALPHA_NUMERIC_ENTRY:
      break;
    case M_ACTION:
    case M_ACTION_HOT:
      out.action = in.action;
      break;
    case M_SUB_MENU:
    case M_SUB_MENU_HOT:
      out.submenu.pSubMenuChoices = in.submenu.pSubMenuChoices;
      out.submenu.pSubMenuIcons = in.submenu.pSubMenuIcons;
      out.submenu.pSubMenuNames = in.submenu.pSubMenuNames;
      out.submenu.numberChoices = in.submenu.numberChoices;
      out.submenu.pt2Function = in.submenu.pt2Function;
      if (out.submenu.numberChoices > 0 && out.submenu.pSubMenuNames == nullptr) {
        log_me("menu: sub-menu item %s names no sub menus, refused", pcTitle(desc.pMenuName));
        T_MENU_vReleaseItem(pItem);
        return nullptr;
      }
      if (!bRegisterNamedSubMenus(pItem)) {
        T_MENU_vReleaseItem(pItem);
        return nullptr;
      }
      out.submenu.pSubMenuNames = nullptr;  // the names are not kept
      break;
    case M_ACTION_LIST:
    case M_ACTION_LIST_SHRUNKEN:
      out.actionList.pActionListChoices = in.actionList.pActionListChoices;
      out.actionList.numberChoices = in.actionList.numberChoices;
      out.actionList.pt2Function = in.actionList.pt2Function;
      out.actionList.FourCharId = in.actionList.FourCharId;
      out.actionList.bConfirm = in.actionList.bConfirm;
      if (out.actionList.pActionListChoices == nullptr) out.actionList.numberChoices = 0;
      break;
    case M_CHECK_LIST:
    case M_CHECK_BOX:
      out.checkList = in.checkList;
      break;
    case M_ACTION_EXT:
      out.actionExt = in.actionExt;
      break;
    case M_ANGLE_ADJUST:
      key = out.angleadjust.FourCharId = in.angleadjust.FourCharId;
      out.angleadjust.minValue = in.angleadjust.minValue;
      out.angleadjust.maxValue = in.angleadjust.maxValue;
      out.angleadjust.stepValue = in.angleadjust.stepValue;
      out.angleadjust.bWrapOver = in.angleadjust.bWrapOver;
      out.angleadjust.pChkItemName = in.angleadjust.pChkItemName;
      out.angleadjust.pChkIcon = in.angleadjust.pChkIcon;
      out.angleadjust.fnCbOnInfo = in.angleadjust.fnCbOnInfo;
      break;
    default:
      break;
  }
  if (bKeyBound(desc.control)) {
    DB_ATTRIBUTES attributes = {};
    DB_DATA_TYPE value = DB_dataU32(0);
    if (H_DATABASE_bFetch(key, &value, nullptr, &attributes)) {
      pItem->value = value;
      pItem->DataType = attributes.DataType;
      pItem->dataFormat = eValueClass(attributes.DataType, pItem->pMenuTitle);
    }
  }
  return pItem;
}

MENU_ITEM* T_MENU_pCopyItem(const MENU_ITEM* pItem) {
  MENU_ITEM* pCopy = T_MENU_pAllocItem();
  memcpy(pCopy, pItem, sizeof *pCopy);
  pCopy->pNextMenu = nullptr;
  return pCopy;
}

BOOLEAN T_MENU_bInsertItem(MENU_ITEM** ppFirst, MENU_ITEM** ppLast, MENU_ITEM* pNew) {
  if (pNew == nullptr) return FALSE;
  for (MENU_ITEM* p = *ppFirst; p != nullptr; p = p->pNextMenu) {
    if (p->pMenuTitle != pNew->pMenuTitle) continue;
    // Same item: new contents in the old place.
    MENU_ITEM* pNext = p->pNextMenu;
    memcpy(p, pNew, sizeof *p);
    p->pNextMenu = pNext;
    T_MENU_vReleaseItem(pNew);
    T_MENU_vUpdateDisplayStrings(p, FALSE);
    return FALSE;
  }
  pNew->pNextMenu = nullptr;
  MENU_ITEM* pFirst = *ppFirst;
  if (pFirst == nullptr) {
    *ppFirst = *ppLast = pNew;
  } else if (pNew->priority == NO_PRIORITY) {
    (*ppLast)->pNextMenu = pNew;
    *ppLast = pNew;
  } else if (pNew->priority < pFirst->priority || pFirst->priority == NO_PRIORITY) {
    pNew->pNextMenu = pFirst;
    *ppFirst = pNew;
  } else {
    MENU_ITEM* pPrev = pFirst;
    MENU_ITEM* p = pFirst->pNextMenu;
    while (p != nullptr && p->priority != NO_PRIORITY && p->priority < pNew->priority) {
      pPrev = p;
      p = p->pNextMenu;
    }
    pNew->pNextMenu = p;
    pPrev->pNextMenu = pNew;
    if (p == nullptr) *ppLast = pNew;
  }
  return TRUE;
}

BOOLEAN T_MENU_bDeleteItem(MENU_ITEM** ppFirst, MENU_ITEM** ppLast, DB_TEXT_RECORD pTitle) {
  MENU_ITEM* pPrev = nullptr;
  for (MENU_ITEM* p = *ppFirst; p != nullptr; pPrev = p, p = p->pNextMenu) {
    if (p->pMenuTitle != pTitle) continue;
    if (pPrev == nullptr) {
      *ppFirst = p->pNextMenu;
    } else {
      pPrev->pNextMenu = p->pNextMenu;
    }
    if (*ppLast == p) *ppLast = pPrev;
    vFreeItem(p);
    return TRUE;
  }
  return FALSE;
}

void T_MENU_vFreeList(MENU_ITEM** ppFirst, MENU_ITEM** ppLast) {
  MENU_ITEM* p = *ppFirst;
  while (p != nullptr) {
    MENU_ITEM* pNext = p->pNextMenu;
    vFreeItem(p);
    p = pNext;
  }
  *ppFirst = *ppLast = nullptr;
}

S32 T_MENU_s32FindSubMenu(DB_TEXT_RECORD pTitle) {
  if (pTitle == nullptr) return -1;
  for (S32 i = 0; i <= s_SubMenuIndex && i < MENU_MAX_SUB_MENUS; ++i) {
    if (s_subMenus[i].menuRegistered && s_subMenus[i].pSubMenuName == pTitle) return i;
  }
  return -1;
}

void T_MENU_vClearFloatingMenu(S32 s32Slot) {
  if (s32Slot < 0 || s32Slot >= MENU_MAX_FLOATING_MENUS) return;
  FLOATING_MENU_TYPE& menu = s_floatingMenus[s32Slot];
  T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  menu.pFloatingMenuName = nullptr;
  menu.numMenuItems = 0;
}

void T_MENU_vClearSingleCenteredMenu(void) {
  SINGLE_CENTERED_MENU_TYPE& menu = s_singleCenteredMenus[0];
  T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  menu.pSingleCenteredMenuName = nullptr;
  menu.numMenuItems = 0;
}

void T_MENU_vRegisterMenuItem(const MSG_ADD_MENU_ITEM* pMsg) {
  const DB_TEXT_RECORD pName = pMsg->descriptor.pMenuName;
  if (pMsg->pTabName != nullptr) {
    const S32 slot = s32FindTab(pMsg->pTabName);
    if (slot < 0) {
      log_me("menu: item %s dropped, no tab %s", pcTitle(pName), pcTitle(pMsg->pTabName));
      return;
    }
    MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(pMsg);
    if (pItem == nullptr) return;
    MENU_TAB& tab = s_mainMenuTabs[slot];
    if (T_MENU_bInsertItem(&tab.pFirstItem, &tab.pLastItem, pItem)) ++tab.numMenuItems;
    T_MENU_vUpdateActiveMenuList();
  } else if (pMsg->pSubMenuName != nullptr) {
    const S32 slot = T_MENU_s32FindSubMenu(pMsg->pSubMenuName);
    if (slot < 0) {
      log_me("menu: item %s dropped, no sub menu %s", pcTitle(pName), pcTitle(pMsg->pSubMenuName));
      return;
    }
    MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(pMsg);
    if (pItem == nullptr) return;
    SUB_MENU& menu = s_subMenus[slot];
    if (T_MENU_bInsertItem(&menu.pFirstItem, &menu.pLastItem, pItem)) ++menu.numMenuItems;
    T_MENU_vUpdateActiveMenuList();
  } else if (pMsg->pInfoMenuName != nullptr) {
    const S32 slot = s32FindInfoMenu(pMsg->pInfoMenuName);
    if (slot < 0) {
      log_me("menu: item %s dropped, no info menu %s", pcTitle(pName), pcTitle(pMsg->pInfoMenuName));
      return;
    }
    MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(pMsg);
    if (pItem == nullptr) return;
    INFO_MENU_TYPE& menu = s_infoMenus[slot];
    if (T_MENU_bInsertItem(&menu.pFirstItem, &menu.pLastItem, pItem)) ++menu.numMenuItems;
    T_MENU_vUpdateActiveMenuList();
  } else if (pMsg->splitType == SPLIT_QUICK_WINDOW) {
    MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(pMsg);
    if (pItem == nullptr) return;
    if (T_MENU_bInsertItem(&s_quickMenu.pFirstItem, &s_quickMenu.pLastItem, pItem)) ++s_quickMenu.numMenuItems;
  } else {
    const LAYER_ID eView = pMsg->view;
    if (eView == 0) {
      log_me("menu: quick-access item %s dropped, no view", pcTitle(pName));
      return;
    }
    if (eView != USED_BY_ALL && !bAnyHotMenuForView(eView)) (void)s32CreateHotMenu(eView, pMsg->splitType);
    if (eView == USED_BY_ALL) {
      // Kept for every quick-access menu created later, also when none
      // exists yet.
      MENU_ITEM* pSaved = T_MENU_pMenuItemInitEntry(pMsg);
      if (pSaved == nullptr) return;
      if (T_MENU_bInsertItem(&s_savedHotMenuItems.pFirstItem, &s_savedHotMenuItems.pLastItem, pSaved)) {
        ++s_savedHotMenuItems.numMenuItems;
      }
    }
    BOOLEAN bReached = FALSE;
    for (HOT_MENU& menu : s_hotMenus) {
      if (menu.view == 0) continue;
      if (eView != USED_BY_ALL && (menu.view != eView || menu.type != pMsg->splitType)) continue;
      MENU_ITEM* pItem = T_MENU_pMenuItemInitEntry(pMsg);
      if (pItem == nullptr) return;
      if (T_MENU_bInsertItem(&menu.pFirstItem, &menu.pLastItem, pItem)) ++menu.numMenuItems;
      bReached = TRUE;
    }
    if (!bReached && eView != USED_BY_ALL) {
      log_me("menu: quick-access item %s dropped, view %d has no menu for side %d", pcTitle(pName), (int)eView,
             (int)pMsg->splitType);
    }
    T_MENU_vUpdateActiveMenuList();
  }
}

BOOLEAN T_MENU_bHandleRegistration(const GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_REGISTER_MENU_TAB:
      vRegisterMenuTab((const MSG_ADD_MENU_TAB*)pMsg);
      return TRUE;
    case CMD_ID_REGISTER_MENU_ITEM:
      T_MENU_vRegisterMenuItem((const MSG_ADD_MENU_ITEM*)pMsg);
      return TRUE;
    case CMD_ID_REGISTER_SUB_MENU:
      vRegisterSubMenu((const MSG_ADD_SUB_MENU*)pMsg);
      return TRUE;
    case CMD_ID_REGISTER_HOT_MENU:
      vRegisterHotMenu((const MSG_ADD_HOT_MENU*)pMsg);
      return TRUE;
    case CMD_ID_REGISTER_INFO_MENU:
      vRegisterInfoMenu((const MSG_ADD_INFO_MENU*)pMsg);
      return TRUE;
    case CMD_ID_REGISTER_FLOATING_MENU:
      vRegisterFloatingMenu((const MSG_ADD_FLOATING_MENU*)pMsg);
      return TRUE;
    case CMD_ID_UNREGISTER_FLOATING_MENU:
      vUnregisterFloatingMenu((const MSG_REMOVE_FLOATING_MENU*)pMsg);
      return TRUE;
    case CMD_ID_REGISTER_FLOATING_MENU_ITEM:
      vRegisterFloatingMenuItem((const MSG_ADD_MENU_ITEM*)pMsg);
      return TRUE;
    case CMD_ID_UNREGISTER_SINGLE_CENTERED_MENU:
      vUnregisterSingleCenteredMenu((const MSG_REMOVE_SINGLE_CENTERED_MENU*)pMsg);
      return TRUE;
    case CMD_ID_UNREGISTER_MENU_TAB:
      vUnregisterMenuTab((const MSG_REMOVE_TAB*)pMsg);
      return TRUE;
    case CMD_ID_UNREGISTER_MENU_ITEM:
      vUnregisterMenuItem((const MSG_REMOVE_MENU*)pMsg);
      return TRUE;
    default:
      return FALSE;
  }
}

void T_MENU_vInitModel(void) {
  for (MENU_TAB& tab : s_mainMenuTabs) T_MENU_vFreeList(&tab.pFirstItem, &tab.pLastItem);
  for (HOT_MENU& menu : s_hotMenus) T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  for (SUB_MENU& menu : s_subMenus) T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  for (INFO_MENU_TYPE& menu : s_infoMenus) T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  for (FLOATING_MENU_TYPE& menu : s_floatingMenus) T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  for (SINGLE_CENTERED_MENU_TYPE& menu : s_singleCenteredMenus) T_MENU_vFreeList(&menu.pFirstItem, &menu.pLastItem);
  T_MENU_vFreeList(&s_quickMenu.pFirstItem, &s_quickMenu.pLastItem);
  T_MENU_vFreeList(&s_savedHotMenuItems.pFirstItem, &s_savedHotMenuItems.pLastItem);
  memset(s_mainMenuTabs, 0, sizeof s_mainMenuTabs);
  memset(s_hotMenus, 0, sizeof s_hotMenus);
  memset(s_subMenus, 0, sizeof s_subMenus);
  memset(s_infoMenus, 0, sizeof s_infoMenus);
  memset(s_floatingMenus, 0, sizeof s_floatingMenus);
  memset(s_singleCenteredMenus, 0, sizeof s_singleCenteredMenus);
  memset(&s_quickMenu, 0, sizeof s_quickMenu);
  memset(&s_savedHotMenuItems, 0, sizeof s_savedHotMenuItems);
  s_lastTabIndex = 0;
  s_SubMenuIndex = 0;
  s_InfoMenuIndex = 0;
}
