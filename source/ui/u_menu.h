// Client functions of the menu task, for every module that has menu items.
// Each packs its arguments into one message and sends it to the menu task's
// mailbox (key TMNU) at message priority 3 without waiting; it returns
// FALSE, sending nothing, while that key is missing or invalid, and TRUE
// once the message is sent. Whether the menu task took the entry is not
// reported back.
//
// Everything passed by address (text records, icons, value arrays, limits,
// step levels, callback tables, confirm arrays) must stay valid as long as
// the entry exists: in practice static data of the caller. Menus and items
// are named by text records and compared by address, never by content.
// Registering an item again under the same text record replaces it.
#pragma once

#include "common/db_types.h"
#include "common/menu_types.h"
#include "common/types.h"
#include "source/graphics/g_icon.h"
#include "common/view_types.h"

typedef DB_TEXT_RECORD MENU_NAME;

// ------------------------------------------------------------ main menu (a tab)
BOOLEAN U_MENU_bRegisterMainActionMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                       MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainActionListMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                           MENU_TEXT_LIST pActionListChoices, const MENU_LIST_FUNC* pt2Function,
                                           U32 u32numActionItems, MENU_USER_LEVEL userLevel, FOURCHARID fourCharId,
                                           const BOOLEAN* bConfirm);
BOOLEAN U_MENU_bRegisterMainIconSelectorMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                             FOURCHARID FourCharId, U32 numSelctions, MENU_ICON_LIST pSelectionIcons,
                                             const U32* pSelectionValues, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainNumEntryMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                         MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                         MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainProgBarMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                        MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                        MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSelectorMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                         FOURCHARID FourCharId, U32 numSelctions, MENU_TEXT_LIST pSelectionList,
                                         const U32* pSelectionValues, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSliderMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                       MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                       MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainVarStepSliderMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                              FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                              const MENU_STEP_LEVELS* pLevels, MENU_NAME pControlTextLeft,
                                              MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                              MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSubMenu(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                    MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                    MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSubMenuWithIcon(MENU_NAME pMenuName, MENU_NAME pTabName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, MENU_TEXT_LIST pSumMenuChoices,
                                            MENU_TEXT_LIST pSumMenuNames, MENU_ICON_LIST pSubMenuIcons,
                                            U32 u32numSubMenus, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterMainSubMenuWithAction(MENU_NAME pMenuName, MENU_NAME pTabName, MENU_PRIORITY menuPriority,
                                              MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                              MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus,
                                              MENU_USER_LEVEL userLevel, MENU_ACTION_FUNC p2Function);

// ------------------------------------------------------------ sub menus
BOOLEAN U_MENU_bRegisterSubMenuActionMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                          MENU_PRIORITY menuPriority, MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm,
                                          MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterHotSubMenuActionMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, MENU_ACTION_FUNC p2Function,
                                             BOOLEAN bConfirm, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuActionListMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                              MENU_PRIORITY menuPriority, MENU_TEXT_LIST pActionListChoices,
                                              const MENU_LIST_FUNC* pt2Function, U32 u32numActionItems,
                                              MENU_USER_LEVEL userLevel, FOURCHARID FourCharId);
BOOLEAN U_MENU_bRegisterSubMenuIconSelectorMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                                MENU_PRIORITY menuPriority, FOURCHARID FourCharId, U32 numSelctions,
                                                MENU_ICON_LIST pSelectionIcons, const U32* pSelectionValues,
                                                MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuNumEntryMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                            const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                            MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                            MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuProgBarMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                           MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                           const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                           MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                           MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuSelectorMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, FOURCHARID FourCharId, U32 numSelctions,
                                            MENU_TEXT_LIST pSelectionList, const U32* pSelectionValues,
                                            MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuSliderMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                          MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                          MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                          MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuCheckListMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                             MENU_PRIORITY menuPriority, U32 u32Context, GET_CHECK_FUNC getCheck,
                                             SET_CHECK_FUNC setCheck, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuCheckBoxMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                            MENU_PRIORITY menuPriority, U32 u32Context, GET_CHECK_FUNC getCheck,
                                            SET_CHECK_FUNC setCheck, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenuSubMenu(MENU_NAME pMenuName, MENU_NAME pSubMenuName, const ICON* pMenuIcon,
                                       MENU_PRIORITY menuPriority, MENU_TEXT_LIST pSumMenuChoices,
                                       MENU_TEXT_LIST pSumMenuNames, MENU_ICON_LIST pSubMenuIcons,
                                       U32 u32numSubMenus, MENU_USER_LEVEL userLevel);

// ------------------------------------------------------------ quick-access menus (one view and split side)
BOOLEAN U_MENU_bRegisterHotActionMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotActionListMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                          MENU_TEXT_LIST pActionListChoices, const MENU_LIST_FUNC* pt2Function,
                                          U32 u32numActionItems, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                          SPLIT_WINDOW_TYPE splitType, FOURCHARID FourCharId,
                                          const BOOLEAN* bConfirm);
BOOLEAN U_MENU_bRegisterHotActionListShrunkenMenu(MENU_NAME pMenuName, const ICON* pMenuIcon,
                                                  MENU_PRIORITY menuPriority, MENU_TEXT_LIST pActionListChoices,
                                                  const MENU_LIST_FUNC* pt2Function, U32 u32numActionItems,
                                                  MENU_USER_LEVEL userLevel, LAYER_ID view,
                                                  SPLIT_WINDOW_TYPE splitType, FOURCHARID FourCharId,
                                                  const BOOLEAN* bConfirm);
BOOLEAN U_MENU_bRegisterHotIconSelectorMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                            FOURCHARID FourCharId, U32 numSelctions, MENU_ICON_LIST pSelectionIcons,
                                            const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                            SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotNumEntryMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                        MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                        MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotProgBarMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                       FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                       MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                       MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSelectorMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                        FOURCHARID FourCharId, U32 numSelctions, MENU_TEXT_LIST pSelectionList,
                                        const U32* pSelectionValues, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                        SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSliderMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                      FOURCHARID FourCharId, const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                      MENU_NAME pControlTextRight, MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel,
                                      LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotImmediateSliderMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                               MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel, LAYER_ID view,
                                               SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotVarStepSliderMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                             FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                             const MENU_STEP_LEVELS* pLevels, MENU_NAME pControlTextLeft,
                                             MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                             MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSubMenu(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                   MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                   MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus, MENU_USER_LEVEL userLevel,
                                   LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterHotSubMenuWithNoArrow(MENU_NAME pMenuName, const ICON* pMenuIcon, MENU_PRIORITY menuPriority,
                                              MENU_TEXT_LIST pSumMenuChoices, MENU_TEXT_LIST pSumMenuNames,
                                              MENU_ICON_LIST pSubMenuIcons, U32 u32numSubMenus,
                                              MENU_USER_LEVEL userLevel, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);

// ------------------------------------------------------------ quick setup menu
BOOLEAN U_MENU_bRegisterQuickSliderMenu(MENU_NAME pMenuName, MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                        const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                        MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                        MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterQuickSelectorMenu(MENU_NAME pMenuName, MENU_PRIORITY menuPriority, FOURCHARID FourCharId,
                                          U32 numSelctions, MENU_TEXT_LIST pSelectionList,
                                          const U32* pSelectionValues, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterQuickVarStepSliderMenu(MENU_NAME pMenuName, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               const MENU_STEP_LEVELS* pLevels, MENU_NAME pControlTextLeft,
                                               MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                               MENU_USER_LEVEL userLevel);

// ------------------------------------------------------------ info menus
BOOLEAN U_MENU_bRegisterInfoActionMenu(MENU_NAME pMenuName, MENU_NAME pInfoMenuName, MENU_PRIORITY menuPriority,
                                       MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterInfoActionListMenu(MENU_NAME pMenuName, MENU_NAME pInfoMenuName, MENU_PRIORITY menuPriority,
                                           MENU_TEXT_LIST pActionListChoices, const MENU_LIST_FUNC* pt2Function,
                                           U32 u32numActionItems, MENU_USER_LEVEL userLevel, FOURCHARID fourCharId,
                                           const BOOLEAN* bConfirm);

// ------------------------------------------------------------ floating menus
BOOLEAN U_MENU_bRegisterFloatingMenuSliderItem(MENU_NAME pFloatingMenuName, MENU_NAME pSliderName,
                                               const ICON* pFloatingMenuItemIcon, MENU_PRIORITY menuPriority,
                                               FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                               MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                               MENU_NAME pValueSuffix, MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterFloatingMenuActionExtItem(MENU_NAME pFloatingMenuName, MENU_NAME pFloatingMenuItemName,
                                                  const ICON* pFloatingMenuItemIcon, BOOLEAN bDispIconAlways,
                                                  BOOLEAN bDispIconOnly, MENU_PRIORITY menuItemPriority,
                                                  MENU_ACTION_FUNC p2Function, BOOLEAN bConfirm,
                                                  MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterFloatingMenuAngleAdjustItem(MENU_NAME pFloatingMenuName, MENU_NAME pMenuItemName,
                                                    const ICON* pItemIcon, MENU_INFO_FUNC fnCbOnInfo,
                                                    MENU_PRIORITY menuPriority, FOURCHARID FourCharId, S32 s32MinVal,
                                                    S32 s32MaxVal, S32 s32StepVal, BOOLEAN bWrapOver,
                                                    MENU_NAME pChkItemName, const ICON* pChkIcon,
                                                    MENU_USER_LEVEL userLevel);

// ------------------------------------------------------------ single-centred menu (one item, named after it)
BOOLEAN U_MENU_bRegisterSingleCenteredMenuSelectorMenu(MENU_NAME pMenuName, FOURCHARID FourCharId,
                                                       U32 u32numSelections, MENU_TEXT_LIST pSelectionList,
                                                       const U32* pSelectionValues, BOOLEAN bDisplayMenu,
                                                       BOOLEAN bLoopValues);
BOOLEAN U_MENU_bRegisterSingleCenteredMenuSliderMenu(MENU_NAME pMenuName, FOURCHARID FourCharId,
                                                     const MENU_LIMITS* pLimits, MENU_NAME pControlTextLeft,
                                                     MENU_NAME pControlTextRight, MENU_NAME pValueSuffix,
                                                     BOOLEAN bDisplayMenu, BOOLEAN bLoopValues);
BOOLEAN U_MENU_bRegisterSingleCenteredMenuVarStepSliderMenu(MENU_NAME pMenuName, const ICON* pIcon,
                                                            FOURCHARID FourCharId, const MENU_LIMITS* pLimits,
                                                            const MENU_STEP_LEVELS* pLevels,
                                                            MENU_NAME pControlTextLeft, MENU_NAME pControlTextRight,
                                                            MENU_NAME pValueSuffix, BOOLEAN bDisplayMenu,
                                                            BOOLEAN bLoopValues);

// ------------------------------------------------------------ containers, activation and removal
BOOLEAN U_MENU_bRegisterTab(MENU_NAME pTabName, TAB_PRIORITY priority, const ICON* pTabIcon,
                            MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterSubMenu(MENU_NAME pSubMenuName, MENU_PRIORITY priority, const ICON* pMenuIcon,
                                MENU_USER_LEVEL userLevel);
BOOLEAN U_MENU_bRegisterExpressMenu(LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
BOOLEAN U_MENU_bRegisterInfoMenu(MENU_NAME pMenuTitle);
// With pStrAltName, bDisplayAltName is sent as given with at most 19
// characters of the name; without it, bDisplayAltName is sent FALSE.
BOOLEAN U_MENU_bRegisterFloatingMenu(MENU_NAME pMenuTitle, FLOATING_GOTO_FUNC fnCbOnGoTo,
                                     FLOATING_EXIT_FUNC fnCbOnExit, BOOLEAN bDisplayAltName,
                                     const char* pStrAltName);
BOOLEAN U_MENU_bUnregisterFloatingMenu(MENU_NAME pFloatingMenuName);
void U_MENU_ActivateFloatingMenu(MENU_NAME pFloatingMenuName);
BOOLEAN U_MENU_bUnregisterSingleCenteredMenu(MENU_NAME pSingleCenteredMenuName);
void U_MENU_vActivateSingleCenteredMenu(MENU_NAME pMenuName, LAYER_ID eCurrentView, BOOLEAN bDisplayMenu,
                                        BOOLEAN bLoopValues, MENU_NAME pMenuLocation);
BOOLEAN U_MENU_bUnregisterTab(MENU_NAME pTabName);
BOOLEAN U_MENU_bUnregisterMainMenuItem(MENU_NAME pMenuName, MENU_NAME pTabName);
BOOLEAN U_MENU_bUnregisterSubMenuItem(MENU_NAME pSubMenuName, MENU_NAME pSubMenuItemName);
BOOLEAN U_MENU_bUnregisterHotMenuItem(MENU_NAME pMenuName, LAYER_ID view, SPLIT_WINDOW_TYPE splitType);
// Removes the item from the quick-access menus of every view (not from the
// first-start quick setup menu).
BOOLEAN U_MENU_bUnregisterQuickMenuItem(MENU_NAME pMenuName);
void U_MENU_ActivateInfoMenu(MENU_NAME pInfoMenuName, MENU_TEXT_LIST pActiveMenus, U8 u8numActiveMenus);
void U_MENU_vClearMenus(void);
void U_MENU_vHideMenus(void);
void U_MENU_vRestoreMenus(void);
