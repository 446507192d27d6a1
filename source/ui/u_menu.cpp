// Client functions of the menu task: each builds one message and sends it
// to the menu task's mailbox without waiting.
#include "source/ui/u_menu.h"

#include <string.h>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

namespace {

// Message priority of every menu request.
constexpr PRIORITY MENU_MESSAGE_PRIORITY = 3;

BOOLEAN bMenuMailbox(MBOX* pMbox) {
  U32 u32Mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMNU"), &u32Mbox, &bValid) || !bValid) return FALSE;
  *pMbox = (MBOX)u32Mbox;
  return TRUE;
}

// Sends a filled message (its header is set here); FALSE without the menu
// task's key, the message then not even built.
template <typename MSG>
BOOLEAN bSend(CMD_ID eCmd, const MSG& body) {
  MBOX mbox = 0;
  if (!bMenuMailbox(&mbox)) return FALSE;
  MSG* pMsg = (MSG*)H_MEMORY_pvMalloc(sizeof(MSG));
  memcpy(pMsg, &body, sizeof(MSG));
  memset(&pMsg->Header, 0, sizeof pMsg->Header);
  pMsg->Header.Cmd = eCmd;
  const S32 rc = L_MBOX_Send(mbox, pMsg, MENU_MESSAGE_PRIORITY, 0);
  if (rc != lsSUCCESS) {
    log_me("menu request %d not sent (%d)", (int)eCmd, (int)rc);
    H_MEMORY_vFree(pMsg);
    return FALSE;
  }
  return TRUE;
}

MENU_DESCRIPTOR descriptor(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl) {
  MENU_DESCRIPTOR d;
  memset(&d, 0, sizeof d);
  d.pMenuName = pName;
  d.menuPriority = ePriority;
  d.menuUserLevel = eLevel;
  d.control = eControl;
  return d;
}

MENU_DESCRIPTOR dSlider(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl,
                        FOURCHARID key, const MENU_LIMITS* pLimits, const MENU_STEP_LEVELS* pLevels, MENU_NAME pLeft,
                        MENU_NAME pRight, MENU_NAME pSuffix) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, eControl);
  M_SLIDER_PARAMETERS& s = d.parameters.slider;
  s.FourCharId = key;
  s.valueStrSuffix = pSuffix;
  s.pCtrlTextLeft = pLeft;
  s.pCtrlTextRight = pRight;
  s.pLimits = pLimits;
  s.pLevels = pLevels;
  return d;
}

MENU_DESCRIPTOR dNumeric(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl,
                         FOURCHARID key, const MENU_LIMITS* pLimits, MENU_NAME pLeft, MENU_NAME pRight,
                         MENU_NAME pSuffix) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, eControl);
  if (eControl == M_NUMERIC_ENTRY) {
    M_NUMERIC_ENTRY_PARAMETERS& n = d.parameters.numEntry;
    n.FourCharId = key;
    n.valueStrSuffix = pSuffix;
    n.pCtrlTextLeft = pLeft;
    n.pCtrlTextRight = pRight;
    n.pLimits = pLimits;
  } else {
    M_PROGRESS_BAR_PARAMETERS& p = d.parameters.progress;
    p.FourCharId = key;
    p.valueStrSuffix = pSuffix;
    p.pCtrlTextLeft = pLeft;
    p.pCtrlTextRight = pRight;
    p.pLimits = pLimits;
  }
  return d;
}

MENU_DESCRIPTOR dSelector(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, FOURCHARID key, U32 u32Count,
                          MENU_TEXT_LIST pTexts, MENU_ICON_LIST pIcons, const U32* pValues) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, M_SELECTION_BOX);
  M_SELECTION_BOX_PARAMETERS& s = d.parameters.selector;
  s.FourCharId = key;
  s.pSelectionList = pTexts;
  s.pSelectionIcons = pIcons;
  s.pSelectionValueArray = pValues;
  s.numberSelections = u32Count;
  return d;
}

MENU_DESCRIPTOR dSubMenu(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl,
                         MENU_TEXT_LIST pChoices, MENU_TEXT_LIST pNames, MENU_ICON_LIST pIcons, U32 u32Count,
                         MENU_ACTION_FUNC pfn) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, eControl);
  M_SUB_MENU_PARAMETERS& s = d.parameters.submenu;
  s.pSubMenuChoices = pChoices;
  s.pSubMenuNames = pNames;
  s.pSubMenuIcons = pIcons;
  s.numberChoices = u32Count;
  s.pt2Function = pfn;
  return d;
}

MENU_DESCRIPTOR dActionList(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl,
                            MENU_TEXT_LIST pChoices, const MENU_LIST_FUNC* pfn, U32 u32Count, FOURCHARID key,
                            const BOOLEAN* pbConfirm) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, eControl);
  M_ACTION_LIST_PARAMETERS& a = d.parameters.actionList;
  a.pActionListChoices = pChoices;
  a.numberChoices = u32Count;
  a.pt2Function = pfn;
  a.FourCharId = key;
  a.bConfirm = pbConfirm;
  return d;
}

MENU_DESCRIPTOR dAction(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl,
                        MENU_ACTION_FUNC pfn, BOOLEAN bConfirm) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, eControl);
  d.parameters.action.pt2Function = pfn;
  d.parameters.action.confirm = bConfirm;
  return d;
}

MENU_DESCRIPTOR dCheck(MENU_NAME pName, MENU_PRIORITY ePriority, MENU_USER_LEVEL eLevel, MENU_CONTROL eControl,
                       U32 u32Context, GET_CHECK_FUNC getCheck, SET_CHECK_FUNC setCheck) {
  MENU_DESCRIPTOR d = descriptor(pName, ePriority, eLevel, eControl);
  d.parameters.checkList.context = u32Context;
  d.parameters.checkList.getCheck = getCheck;
  d.parameters.checkList.setCheck = setCheck;
  return d;
}

// One item into its container.
BOOLEAN bSendItem(CMD_ID eCmd, MENU_NAME pTabName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType, MENU_NAME pSubMenuName,
                  MENU_NAME pInfoMenuName, const ICON* pIcon, const MENU_DESCRIPTOR& d) {
  MSG_ADD_MENU_ITEM msg;
  memset(&msg, 0, sizeof msg);
  msg.pTabName = pTabName;
  msg.view = view;
  msg.splitType = splitType;
  msg.pSubMenuName = pSubMenuName;
  msg.pInfoMenuName = pInfoMenuName;
  msg.pMenuIcon = pIcon;
  msg.descriptor = d;
  return bSend(eCmd, msg);
}

BOOLEAN bMain(MENU_NAME pTab, const ICON* pIcon, const MENU_DESCRIPTOR& d) {
  return bSendItem(CMD_ID_REGISTER_MENU_ITEM, pTab, USED_BY_ALL, SPLIT_FULL_WINDOW, nullptr, nullptr, pIcon, d);
}
BOOLEAN bSub(MENU_NAME pSub, const ICON* pIcon, const MENU_DESCRIPTOR& d) {
  return bSendItem(CMD_ID_REGISTER_MENU_ITEM, nullptr, USED_BY_ALL, SPLIT_FULL_WINDOW, pSub, nullptr, pIcon, d);
}
BOOLEAN bHot(LAYER_ID view, SPLIT_WINDOW_TYPE splitType, const ICON* pIcon, const MENU_DESCRIPTOR& d) {
  return bSendItem(CMD_ID_REGISTER_MENU_ITEM, nullptr, view, splitType, nullptr, nullptr, pIcon, d);
}
BOOLEAN bQuick(const MENU_DESCRIPTOR& d) {
  return bSendItem(CMD_ID_REGISTER_MENU_ITEM, nullptr, USED_BY_ALL, SPLIT_QUICK_WINDOW, nullptr, nullptr, nullptr, d);
}
BOOLEAN bInfo(MENU_NAME pInfo, const MENU_DESCRIPTOR& d) {
  return bSendItem(CMD_ID_REGISTER_MENU_ITEM, nullptr, USED_BY_ALL, SPLIT_FULL_WINDOW, nullptr, pInfo, nullptr, d);
}
BOOLEAN bFloating(MENU_NAME pFloating, const ICON* pIcon, const MENU_DESCRIPTOR& d) {
  return bSendItem(CMD_ID_REGISTER_FLOATING_MENU_ITEM, pFloating, USED_BY_ALL, SPLIT_FULL_WINDOW, nullptr, nullptr,
                   pIcon, d);
}
BOOLEAN bSingleCentered(const ICON* pIcon, MENU_DESCRIPTOR d, BOOLEAN bDisplayMenu, BOOLEAN bLoop) {
  d.menuPriority = MENU_PRIORITY_0;
  d.menuUserLevel = M_BASIC;
  MSG_ADD_SINGLE_CENTERED_MENU_ITEM msg;
  memset(&msg, 0, sizeof msg);
  msg.pTabName = d.pMenuName;
  msg.view = USED_BY_ALL;
  msg.splitType = SPLIT_FULL_WINDOW;
  msg.pMenuIcon = pIcon;
  msg.descriptor = d;
  msg.bDisplayMenu = bDisplayMenu;
  msg.bLoopSelection = bLoop;
  return bSend(CMD_ID_REGISTER_SINGLE_CENTERED_MENU_ITEM, msg);
}

BOOLEAN bRemove(MENU_NAME pMenuName, MENU_NAME pTabName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType,
                MENU_NAME pSubMenuName) {
  MSG_REMOVE_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pMenuName = pMenuName;
  msg.pTabName = pTabName;
  msg.view = view;
  msg.splitType = splitType;
  msg.pSubMenuName = pSubMenuName;
  return bSend(CMD_ID_UNREGISTER_MENU_ITEM, msg);
}

void vSendBare(CMD_ID eCmd) {
  MSG_CLEAR_MENU msg;
  memset(&msg, 0, sizeof msg);
  (void)bSend(eCmd, msg);
}

}  // namespace

// ------------------------------------------------------------ main menu
BOOLEAN U_MENU_bRegisterMainActionMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                       MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr, dAction(pMenuName, menuPriority, userLevel, M_ACTION, p2Function, bConfirm));
}

BOOLEAN U_MENU_bRegisterMainActionListMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                           MENU_TEXT_LIST pActionListChoices, const MENU_LIST_FUNC* pt2Function,
                                           U32 u32numActionItems, MENU_USER_LEVEL userLevel, FOURCHARID fourCharId,
                                           const BOOLEAN* bConfirm) {
  return bMain(pTabName, nullptr,
               dActionList(pMenuName, menuPriority, userLevel, M_ACTION_LIST, pActionListChoices, pt2Function,
                           u32numActionItems, fourCharId, bConfirm));
}

BOOLEAN U_MENU_bRegisterMainIconSelectorMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                             FOURCHARID FourCharId, U32 numSelctions, MENU_ICON_LIST pSelectionIcons,
                                             const U32* pSelectionValues, MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, nullptr, pSelectionIcons,
                         pSelectionValues));
}

BOOLEAN U_MENU_bRegisterMainNumEntryMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                         MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                         MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dNumeric(pMenuName, menuPriority, userLevel, M_NUMERIC_ENTRY, FourCharId, pLimits, pControlTextLeft,
                        pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterMainProgBarMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                        MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                        MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dNumeric(pMenuName, menuPriority, userLevel, M_PROGRESS_BAR, FourCharId, pLimits, pControlTextLeft,
                        pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterMainSelectorMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, U32 numSelctions, MENU_TEXT_LIST pSelectionList,
                                         const U32* pSelectionValues, MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, pSelectionList, nullptr,
                         pSelectionValues));
}

BOOLEAN U_MENU_bRegisterMainSliderMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                       MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                       MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dSlider(pMenuName, menuPriority, userLevel, M_SLIDER, FourCharId, pLimits, nullptr, pControlTextLeft,
                       pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterMainVarStepSliderMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                              FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                              const MENU_STEP_LEVELS* pLevels, MENU_NAME pControlTextLeft,
                                              MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                              MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dSlider(pMenuName, menuPriority, userLevel, M_SLIDER_VARIABLE_STEP, FourCharId, pLimits, pLevels,
                       pControlTextLeft, pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterMainSubMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                    MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                    MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus, MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, nullptr,
               dSubMenu(pMenuName, menuPriority, userLevel, M_SUB_MENU, pSumMenuChoices, pSumMenuNames, pSubMenuIcons,
                        u32numSubMenus, nullptr));
}

BOOLEAN U_MENU_bRegisterMainSubMenuWithIcon(MENU_NAME pMenuName, MENU_NAME pTabName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, MENU_TEXT_LIST pSumMenuChoices,
                                            MENU_TEXT_LIST pSumMenuNames, MENU_ICON_LIST pSubMenuIcons,
                                            U32 u32numSubMenus, MENU_USER_LEVEL userLevel) {
  return bMain(pTabName, pMenuIcon,
               dSubMenu(pMenuName, menuPriority, userLevel, M_SUB_MENU, pSumMenuChoices, pSumMenuNames, pSubMenuIcons,
                        u32numSubMenus, nullptr));
}

BOOLEAN U_MENU_bRegisterMainSubMenuWithAction(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                              MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                              MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus,
                                              MENU_USER_LEVEL userLevel, MENU_ACTION_FUNC p2Function) {
  return bMain(pTabName, nullptr,
               dSubMenu(pMenuName, menuPriority, userLevel, M_SUB_MENU, pSumMenuChoices, pSumMenuNames, pSubMenuIcons,
                        u32numSubMenus, p2Function));
}

// ------------------------------------------------------------ sub menus
BOOLEAN U_MENU_bRegisterSubMenuActionMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                          MENU_PRIORITY menuPriority, MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm,
                                          MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon, dAction(pMenuName, menuPriority, userLevel, M_ACTION, p2Function, bConfirm));
}

BOOLEAN U_MENU_bRegisterHotSubMenuActionMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, MENU_ACTION_FUNC p2Function,
                                             BOOLEAN bConfirm, MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dAction(pMenuName, menuPriority, userLevel, M_ACTION_HOT, p2Function, bConfirm));
}

BOOLEAN U_MENU_bRegisterSubMenuActionListMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                              MENU_PRIORITY menuPriority, MENU_TEXT_LIST pActionListChoices,
                                              const MENU_LIST_FUNC* pt2Function, U32 u32numActionItems,
                                              MENU_USER_LEVEL userLevel, FOURCHARID FourCharId) {
  return bSub(pSubMenuName, pMenuIcon,
              dActionList(pMenuName, menuPriority, userLevel, M_ACTION_LIST, pActionListChoices, pt2Function,
                          u32numActionItems, FourCharId, nullptr));
}

BOOLEAN U_MENU_bRegisterSubMenuIconSelectorMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                                MENU_PRIORITY menuPriority, FOURCHARID FourCharId, U32 numSelctions,
                                                MENU_ICON_LIST pSelectionIcons, const U32* pSelectionValues,
                                                MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, nullptr, pSelectionIcons,
                        pSelectionValues));
}

BOOLEAN U_MENU_bRegisterSubMenuNumEntryMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                            const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                            MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                            MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dNumeric(pMenuName, menuPriority, userLevel, M_NUMERIC_ENTRY, FourCharId, pLimits, pControlTextLeft,
                       pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterSubMenuProgBarMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                           MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                           const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                           MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                           MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dNumeric(pMenuName, menuPriority, userLevel, M_PROGRESS_BAR, FourCharId, pLimits, pControlTextLeft,
                       pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterSubMenuSelectorMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, FOURCHARID FourCharId, U32 numSelctions,
                                            MENU_TEXT_LIST pSelectionList, const U32* pSelectionValues,
                                            MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, pSelectionList, nullptr,
                        pSelectionValues));
}

BOOLEAN U_MENU_bRegisterSubMenuSliderMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                          MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                          MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                          MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dSlider(pMenuName, menuPriority, userLevel, M_SLIDER, FourCharId, pLimits, nullptr, pControlTextLeft,
                      pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterSubMenuCheckListMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, U32 u32Context, GET_CHECK_FUNC getCheck,
                                             SET_CHECK_FUNC setCheck, MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dCheck(pMenuName, menuPriority, userLevel, M_CHECK_LIST, u32Context, getCheck, setCheck));
}

BOOLEAN U_MENU_bRegisterSubMenuCheckBoxMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, U32 u32Context, GET_CHECK_FUNC getCheck,
                                            SET_CHECK_FUNC setCheck, MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dCheck(pMenuName, menuPriority, userLevel, M_CHECK_BOX, u32Context, getCheck, setCheck));
}

BOOLEAN U_MENU_bRegisterSubMenuSubMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                       MENU_PRIORITY menuPriority, MENU_TEXT_LIST pSumMenuChoices,
                                       MENU_TEXT_LIST pSumMenuNames, MENU_ICON_LIST pSubMenuIcons,
                                       U32 u32numSubMenus, MENU_USER_LEVEL userLevel) {
  return bSub(pSubMenuName, pMenuIcon,
              dSubMenu(pMenuName, menuPriority, userLevel, M_SUB_MENU, pSumMenuChoices, pSumMenuNames, pSubMenuIcons,
                       u32numSubMenus, nullptr));
}

// ------------------------------------------------------------ quick-access menus
BOOLEAN U_MENU_bRegisterHotActionMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon, dAction(pMenuName, menuPriority, userLevel, M_ACTION, p2Function, bConfirm));
}

BOOLEAN U_MENU_bRegisterHotActionListMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                          MENU_TEXT_LIST pActionListChoices, const MENU_LIST_FUNC* pt2Function,
                                          U32 u32numActionItems, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                          SPLIT_WINDOW_TYPE splitType, FOURCHARID FourCharId,
                                          const BOOLEAN* bConfirm) {
  return bHot(view, splitType, pMenuIcon,
              dActionList(pMenuName, menuPriority, userLevel, M_ACTION_LIST, pActionListChoices, pt2Function,
                          u32numActionItems, FourCharId, bConfirm));
}

BOOLEAN U_MENU_bRegisterHotActionListShrunkenMenu(MENU_NAME pMenuName, const ICON* pMenuIcon,
                                                  MENU_PRIORITY menuPriority, MENU_TEXT_LIST pActionListChoices,
                                                  const MENU_LIST_FUNC* pt2Function, U32 u32numActionItems,
                                                  MENU_USER_LEVEL userLevel, LAYER_ID view,
                                                  SPLIT_WINDOW_TYPE splitType, FOURCHARID FourCharId,
                                                  const BOOLEAN* bConfirm) {
  return bHot(view, splitType, pMenuIcon,
              dActionList(pMenuName, menuPriority, userLevel, M_ACTION_LIST_SHRUNKEN, pActionListChoices,
                          pt2Function, u32numActionItems, FourCharId, bConfirm));
}

BOOLEAN U_MENU_bRegisterHotIconSelectorMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                            FOURCHARID FourCharId, U32 numSelctions, MENU_ICON_LIST pSelectionIcons,
                                            const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                            SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, nullptr, pSelectionIcons,
                        pSelectionValues));
}

BOOLEAN U_MENU_bRegisterHotNumEntryMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                        MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                        MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dNumeric(pMenuName, menuPriority, userLevel, M_NUMERIC_ENTRY, FourCharId, pLimits, pControlTextLeft,
                       pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterHotProgBarMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                       MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                       MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dNumeric(pMenuName, menuPriority, userLevel, M_PROGRESS_BAR, FourCharId, pLimits, pControlTextLeft,
                       pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterHotSelectorMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, U32 numSelctions, MENU_TEXT_LIST pSelectionList,
                                        const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                        SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, pSelectionList, nullptr,
                        pSelectionValues));
}

BOOLEAN U_MENU_bRegisterHotSliderMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                      MENU_NAME pControlTextRight, MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSlider(pMenuName, menuPriority, userLevel, M_SLIDER, FourCharId, pLimits, nullptr, pControlTextLeft,
                      pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterHotImmediateSliderMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                               MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                               SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSlider(pMenuName, menuPriority, userLevel, M_SLIDER_IMMEDIATE, FourCharId, pLimits, nullptr,
                      pControlTextLeft, pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterHotVarStepSliderMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                             FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                             const MENU_STEP_LEVELS* pLevels, MENU_NAME pControlTextLeft,
                                             MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                             MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSlider(pMenuName, menuPriority, userLevel, M_SLIDER_VARIABLE_STEP, FourCharId, pLimits, pLevels,
                      pControlTextLeft, pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterHotSubMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                   MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                   MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus, MENU_USER_LEVEL userLevel,
                                   LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSubMenu(pMenuName, menuPriority, userLevel, M_SUB_MENU, pSumMenuChoices, pSumMenuNames, pSubMenuIcons,
                       u32numSubMenus, nullptr));
}

BOOLEAN U_MENU_bRegisterHotSubMenuWithNoArrow(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                              MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                              MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus,
                                              MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bHot(view, splitType, pMenuIcon,
              dSubMenu(pMenuName, menuPriority, userLevel, M_SUB_MENU_HOT, pSumMenuChoices, pSumMenuNames,
                       pSubMenuIcons, u32numSubMenus, nullptr));
}

// ------------------------------------------------------------ quick setup menu
BOOLEAN U_MENU_bRegisterQuickSliderMenu(MENU_NAME pMenuName, MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                        const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                        MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                        MENU_USER_LEVEL userLevel) {
  return bQuick(dSlider(pMenuName, menuPriority, userLevel, M_SLIDER, FourCharId, pLimits, nullptr, pControlTextLeft,
                        pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterQuickSelectorMenu(MENU_NAME pMenuName, MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          U32 numSelctions, MENU_TEXT_LIST pSelectionList,
                                          const U32* pSelectionValues, MENU_USER_LEVEL userLevel) {
  return bQuick(
      dSelector(pMenuName, menuPriority, userLevel, FourCharId, numSelctions, pSelectionList, nullptr, pSelectionValues));
}

BOOLEAN U_MENU_bRegisterQuickVarStepSliderMenu(MENU_NAME pMenuName, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               const MENU_STEP_LEVELS* pLevels, MENU_NAME pControlTextLeft,
                                               MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                               MENU_USER_LEVEL userLevel) {
  return bQuick(dSlider(pMenuName, menuPriority, userLevel, M_SLIDER_VARIABLE_STEP, FourCharId, pLimits, pLevels,
                        pControlTextLeft, pControlTextRight, pValueSuffix));
}

// ------------------------------------------------------------ info menus
BOOLEAN U_MENU_bRegisterInfoActionMenu(MENU_NAME pMenuName, MENU_NAME pInfoMenuName, MENU_PRIORITY menuPriority,
                                       MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel) {
  return bInfo(pInfoMenuName, dAction(pMenuName, menuPriority, userLevel, M_ACTION, p2Function, bConfirm));
}

BOOLEAN U_MENU_bRegisterInfoActionListMenu(MENU_NAME pMenuName, MENU_NAME pInfoMenuName, MENU_PRIORITY menuPriority,
                                           MENU_TEXT_LIST pActionListChoices, const MENU_LIST_FUNC* pt2Function,
                                           U32 u32numActionItems, MENU_USER_LEVEL userLevel, FOURCHARID fourCharId,
                                           const BOOLEAN* bConfirm) {
  return bInfo(pInfoMenuName, dActionList(pMenuName, menuPriority, userLevel, M_ACTION_LIST, pActionListChoices,
                                          pt2Function, u32numActionItems, fourCharId, bConfirm));
}

// ------------------------------------------------------------ floating menus
BOOLEAN U_MENU_bRegisterFloatingMenuSliderItem(MENU_NAME pFloatingMenuName, MENU_NAME pSliderName,
                                               const ICON* pFloatingMenuItemIcon, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                               MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel) {
  return bFloating(pFloatingMenuName, pFloatingMenuItemIcon,
                   dSlider(pSliderName, menuPriority, userLevel, M_SLIDER, FourCharId, pLimits, nullptr,
                           pControlTextLeft, pControlTextRight, pValueSuffix));
}

BOOLEAN U_MENU_bRegisterFloatingMenuActionExtItem(MENU_NAME pFloatingMenuName, MENU_NAME pFloatingMenuItemName,
                                                  const ICON* pFloatingMenuItemIcon, BOOLEAN bDispIconAlways,
                                                  BOOLEAN bDispIconOnly, MENU_PRIORITY menuItemPriority,
                                                  MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm,
                                                  MENU_USER_LEVEL userLevel) {
  MENU_DESCRIPTOR d = descriptor(pFloatingMenuItemName, menuItemPriority, userLevel, M_ACTION_EXT);
  d.parameters.actionExt.pt2Function = p2Function;
  d.parameters.actionExt.confirm = bConfirm;
  d.parameters.actionExt.bDispIconAlways = bDispIconAlways;
  d.parameters.actionExt.bDispIconOnly = bDispIconOnly;
  return bFloating(pFloatingMenuName, pFloatingMenuItemIcon, d);
}

BOOLEAN U_MENU_bRegisterFloatingMenuAngleAdjustItem(MENU_NAME pFloatingMenuName, MENU_NAME pMenuItemName,
                                                    const ICON* pItemIcon, MENU_INFO_FUNC fnCbOnInfo,
                                                    MENU_PRIORITY menuPriority, FOURCHARID FourCharId, S32 s32MinVal,
                                                    S32 s32MaxVal, S32 s32StepVal, BOOLEAN bWrapOver,
                                                    MENU_NAME pChkItemName, const ICON* pChkIcon,
                                                    MENU_USER_LEVEL userLevel) {
  MENU_DESCRIPTOR d = descriptor(pMenuItemName, menuPriority, userLevel, M_ANGLE_ADJUST);
  M_ANGLE_ADJUST_PARAMETERS& a = d.parameters.angleadjust;
  a.FourCharId = FourCharId;
  a.minValue = DB_dataS32(s32MinVal);
  a.maxValue = DB_dataS32(s32MaxVal);
  a.stepValue = DB_dataS32(s32StepVal);
  a.bWrapOver = bWrapOver;
  a.pChkItemName = pChkItemName;
  a.pChkIcon = pChkIcon;
  a.fnCbOnInfo = fnCbOnInfo;
  return bFloating(pFloatingMenuName, pItemIcon, d);
}

// ------------------------------------------------------------ single-centred menu
BOOLEAN U_MENU_bRegisterSingleCenteredMenuSelectorMenu(MENU_NAME pMenuName, FOURCHARID FourCharId,
                                                       U32 u32numSelections, MENU_TEXT_LIST pSelectionList,
                                                       const U32* pSelectionValues, BOOLEAN bDisplayMenu,
                                                       BOOLEAN bLoopValues) {
  return bSingleCentered(nullptr,
                         dSelector(pMenuName, MENU_PRIORITY_0, M_BASIC, FourCharId, u32numSelections, pSelectionList,
                                   nullptr, pSelectionValues),
                         bDisplayMenu, bLoopValues);
}

BOOLEAN U_MENU_bRegisterSingleCenteredMenuSliderMenu(MENU_NAME pMenuName, FOURCHARID FourCharId,
                                                     const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                                     MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                                     BOOLEAN bDisplayMenu, BOOLEAN bLoopValues) {
  return bSingleCentered(nullptr,
                         dSlider(pMenuName, MENU_PRIORITY_0, M_BASIC, M_SLIDER, FourCharId, pLimits, nullptr,
                                 pControlTextLeft, pControlTextRight, pValueSuffix),
                         bDisplayMenu, bLoopValues);
}

BOOLEAN U_MENU_bRegisterSingleCenteredMenuVarStepSliderMenu(MENU_NAME pMenuName, const ICON* pIcon,
                                                            FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                                            const MENU_STEP_LEVELS* pLevels,
                                                            MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                                            MENU_NAME pValueSuffix, BOOLEAN bDisplayMenu,
                                                            BOOLEAN bLoopValues) {
  return bSingleCentered(pIcon,
                         dSlider(pMenuName, MENU_PRIORITY_0, M_BASIC, M_SLIDER_VARIABLE_STEP, FourCharId, pLimits,
                                 pLevels, pControlTextLeft, pControlTextRight, pValueSuffix),
                         bDisplayMenu, bLoopValues);
}

// ------------------------------------------------------------ containers, activation and removal
BOOLEAN U_MENU_bRegisterTab(MENU_NAME pTabName, TAB_PRIORITY priority, const ICON* pTabIcon,
                            MENU_USER_LEVEL userLevel) {
  MSG_ADD_MENU_TAB msg;
  memset(&msg, 0, sizeof msg);
  msg.pTabName = pTabName;
  msg.priority = priority;
  msg.pTabIcon = pTabIcon;
  msg.menuUserLevel = userLevel;
  return bSend(CMD_ID_REGISTER_MENU_TAB, msg);
}

BOOLEAN U_MENU_bRegisterSubMenu(MENU_NAME pSubMenuName, MENU_PRIORITY priority, const ICON* pMenuIcon,
                                MENU_USER_LEVEL userLevel) {
  MSG_ADD_SUB_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pSubMenuName = pSubMenuName;
  msg.priority = priority;
  msg.pMenuIcon = pMenuIcon;
  msg.menuUserLevel = userLevel;
  return bSend(CMD_ID_REGISTER_SUB_MENU, msg);
}

BOOLEAN U_MENU_bRegisterExpressMenu(LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  MSG_ADD_HOT_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.view = view;
  msg.type = splitType;
  return bSend(CMD_ID_REGISTER_HOT_MENU, msg);
}

BOOLEAN U_MENU_bRegisterInfoMenu(MENU_NAME pMenuTitle) {
  MSG_ADD_INFO_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pInfoMenuName = pMenuTitle;
  return bSend(CMD_ID_REGISTER_INFO_MENU, msg);
}

BOOLEAN U_MENU_bRegisterFloatingMenu(MENU_NAME pMenuTitle, FLOATING_GOTO_FUNC fnCbOnGoTo,
                                     FLOATING_EXIT_FUNC fnCbOnExit, BOOLEAN bDisplayAltName,
                                     const char* pStrAltName) {
  MSG_ADD_FLOATING_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pFloatingMenuName = pMenuTitle;
  msg.GoToKeyHandler = fnCbOnGoTo;
  msg.ExitKeyHandler = fnCbOnExit;
  if (pStrAltName != nullptr) {
    msg.bDisplayAltName = bDisplayAltName;
    strncpy(msg.aStrAltName, pStrAltName, sizeof msg.aStrAltName - 1);
  }
  return bSend(CMD_ID_REGISTER_FLOATING_MENU, msg);
}

BOOLEAN U_MENU_bUnregisterFloatingMenu(MENU_NAME pFloatingMenuName) {
  MSG_REMOVE_FLOATING_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pFloatingMenuName = pFloatingMenuName;
  return bSend(CMD_ID_UNREGISTER_FLOATING_MENU, msg);
}

void U_MENU_ActivateFloatingMenu(MENU_NAME pFloatingMenuName) {
  MSG_ACTIVATE_FLOATING_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pFloatingMenuName = pFloatingMenuName;
  (void)bSend(CMD_ID_ACTIVATE_FLOATING_MENU, msg);
}

BOOLEAN U_MENU_bUnregisterSingleCenteredMenu(MENU_NAME pSingleCenteredMenuName) {
  MSG_REMOVE_SINGLE_CENTERED_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pSingleCenteredMenuName = pSingleCenteredMenuName;
  return bSend(CMD_ID_UNREGISTER_SINGLE_CENTERED_MENU, msg);
}

void U_MENU_vActivateSingleCenteredMenu(MENU_NAME pMenuName, LAYER_ID eCurrentView, BOOLEAN bDisplayMenu,
                                        BOOLEAN bLoopValues, MENU_NAME pMenuLocation) {
  MSG_ACTIVATE_SINGLE_CENTERED_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pSingleCenteredMenuName = pMenuName;
  msg.eCurrentView = eCurrentView;
  msg.bDisplayMenu = bDisplayMenu;
  msg.bLoopSelection = bLoopValues;
  msg.pMenuLocation = pMenuLocation;
  (void)bSend(CMD_ID_ACTIVATE_SINGLE_CENTERED_MENU, msg);
}

BOOLEAN U_MENU_bUnregisterTab(MENU_NAME pTabName) {
  MSG_REMOVE_TAB msg;
  memset(&msg, 0, sizeof msg);
  msg.pTabName = pTabName;
  return bSend(CMD_ID_UNREGISTER_MENU_TAB, msg);
}

BOOLEAN U_MENU_bUnregisterMainMenuItem(MENU_NAME pMenuName, MENU_NAME pTabName) {
  return bRemove(pMenuName, pTabName, USED_BY_ALL, (SPLIT_WINDOW_TYPE)0, nullptr);
}

BOOLEAN U_MENU_bUnregisterSubMenuItem(MENU_NAME pSubMenuName, MENU_NAME pSubMenuItemName) {
  return bRemove(pSubMenuItemName, nullptr, USED_BY_ALL, (SPLIT_WINDOW_TYPE)0, pSubMenuName);
}

BOOLEAN U_MENU_bUnregisterHotMenuItem(MENU_NAME pMenuName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType) {
  return bRemove(pMenuName, nullptr, view, splitType, nullptr);
}

BOOLEAN U_MENU_bUnregisterQuickMenuItem(MENU_NAME pMenuName) {
  return bRemove(pMenuName, nullptr, USED_BY_ALL, SPLIT_FULL_WINDOW, nullptr);
}

void U_MENU_ActivateInfoMenu(MENU_NAME pInfoMenuName, MENU_TEXT_LIST pActiveMenus, U8 u8numActiveMenus) {
  MSG_ACTIVATE_INFO_MENU msg;
  memset(&msg, 0, sizeof msg);
  msg.pInfoMenuName = pInfoMenuName;
  msg.pActiveMenus = pActiveMenus;
  msg.u8numActiveMenus = u8numActiveMenus;
  (void)bSend(CMD_ID_ACTIVATE_INFO_MENU, msg);
}

void U_MENU_vClearMenus(void) { vSendBare(CMD_ID_CLEAR_MENU); }
void U_MENU_vHideMenus(void) { vSendBare(CMD_ID_HIDE_MENU); }
void U_MENU_vRestoreMenus(void) { vSendBare(CMD_ID_RESTORE_MENU); }
