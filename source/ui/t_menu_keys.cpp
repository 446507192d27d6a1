// Menu task: what every key does in every kind of menu, how values are
// stepped, limited, shown and written to the settings database, and how
// action items, lists, sub-menu items, check items and confirmations act.
// Everything here runs in the menu task under RES_MENU, except the display
// strings, which the layers also rebuild while they draw (also under it).
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "common/language.h"
#include "common/menu_types.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/ui/ui_upcalls.h"
#include "source/ui/t_menu_int.h"
#include "source/graphics/t_view.h"
#include "source/ui/u_menu.h"
#include "source/ui/u_menu_controls.h"
#include "source/graphics/u_view.h"

namespace {

constexpr FOURCHARID KEY_RMNU = FCID("RMNU");
constexpr FOURCHARID KEY_CVAS = FCID("CVAS");
// Repeat count from which a key message makes several steps at once.
constexpr U32 MENU_ACCELERATION_COUNT = 20;
// At most this many limit records are looked at (the list ends with U_NONE).
constexpr S32 MENU_MAX_LIMIT_RECORDS = 64;

const char* pcText(DB_TEXT_RECORD pRecord) {
  if (pRecord == nullptr) return "";
  const char* pc = pRecord[nCurrentLanguage()];
  if (pc == nullptr) pc = pRecord[LANGUAGE_ENGLISH];
  return pc != nullptr ? pc : "";
}

void vCopyText(char* pcOut, size_t size, const char* pcIn) {
  snprintf(pcOut, size, "%s", pcIn);
}

BOOLEAN bIsSlider(MENU_CONTROL eControl) {
  return eControl == M_SLIDER || eControl == M_SLIDER_VARIABLE_STEP || eControl == M_SLIDER_IMMEDIATE;
}

BOOLEAN bIsSubKind(ACTIVE_MENU eKind) {
  return (eKind >= EXPRESS_SUB_MENU && eKind <= MAIN_SUB_MENU_3) || eKind == INFO_SUB_MENU;
}

BOOLEAN bIsMainSubKind(ACTIVE_MENU eKind) { return eKind >= MAIN_SUB_MENU && eKind <= MAIN_SUB_MENU_3; }

BOOLEAN bFloatClass(DATA_FORMAT eFormat) { return eFormat == DF_FLOAT; }

// A value of the class as a double, and back.
double dValue(DB_DATA_TYPE v, DATA_FORMAT eFormat) {
  switch (eFormat) {
    case DF_FLOAT:
      return v.fVal;
    case DF_UNSIGNED32:
      return v.u32Val;
    default:
      return v.s32Val;
  }
}

DB_DATA_TYPE dbFromDouble(double d, DATA_FORMAT eFormat) {
  switch (eFormat) {
    case DF_FLOAT:
      return DB_dataFloat((F32)d);
    case DF_UNSIGNED32:
      if (d <= 0.0) return DB_dataU32(0);
      if (d >= 4294967295.0) return DB_dataU32(0xFFFFFFFFu);
      return DB_dataU32((U32)llround(d));
    default:
      if (d <= -2147483648.0) return DB_dataS32((S32)0x80000000);
      if (d >= 2147483647.0) return DB_dataS32(0x7FFFFFFF);
      return DB_dataS32((S32)llround(d));
  }
}

// ------------------------------------------------------------ limits
// The limits record for the display unit, else the ending U_NONE record;
// its index goes to *ps32Index. Null without limits.
const MENU_LIMITS* pFindLimits(const MENU_LIMITS* pLimits, UNIT_TYPE eUnits, S32* ps32Index) {
  if (pLimits == nullptr) return nullptr;
  for (S32 i = 0; i < MENU_MAX_LIMIT_RECORDS; ++i) {
    if (pLimits[i].Units == eUnits || pLimits[i].Units == U_NONE) {
      *ps32Index = i;
      return &pLimits[i];
    }
  }
  log_me("menu: limits list without its ending record");
  return nullptr;
}

BOOLEAN bHasLimitsFor(const MENU_LIMITS* pLimits, UNIT_TYPE eUnits) {
  S32 s32Index = 0;
  const MENU_LIMITS* p = pFindLimits(pLimits, eUnits, &s32Index);
  return p != nullptr && p->Units == eUnits;
}

void vFormatNumber(char* pcOut, size_t size, DB_DATA_TYPE v, DATA_FORMAT eFormat, U8 u8Precision, DATA_TYPE eType) {
  if (bFloatClass(eFormat)) {
    U_MENU_vPrecisionFormat(pcOut, size, v.fVal, u8Precision);
  } else if (eType == D_TIME) {
    const S32 s32 = v.s32Val;
    snprintf(pcOut, size, "%d:%02d", (int)(s32 / 60), (int)(s32 % 60));
  } else if (eFormat == DF_UNSIGNED32) {
    snprintf(pcOut, size, "%d", (int)v.u32Val);
  } else {
    snprintf(pcOut, size, "%d", (int)v.s32Val);
  }
}

// The numeric fields shared by sliders, progress bars and numeric entries.
struct NUMERIC_VIEW {
  FOURCHARID key;
  DB_DATA_TYPE* pMin;
  DB_DATA_TYPE* pMax;
  DB_DATA_TYPE* pStep;
  DB_TEXT_RECORD pSuffix;
  DB_TEXT_RECORD pLeft;
  DB_TEXT_RECORD pRight;
  char* pcMaxString;
  char* pcMinString;
  const MENU_LIMITS* pLimits;
  U8* pu8Precision;
};

NUMERIC_VIEW numericView(MENU_ITEM* pItem) {
  NUMERIC_VIEW v = {};
  CONTROL_PARAMETERS& p = pItem->parameters;
  switch (pItem->control) {
    case M_SLIDER:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE:
      v = {p.slider.FourCharId, &p.slider.minValue, &p.slider.maxValue, &p.slider.stepValue, p.slider.valueStrSuffix,
           p.slider.pCtrlTextLeft, p.slider.pCtrlTextRight, p.slider.maxString, p.slider.minString, p.slider.pLimits,
           &p.slider.u8precision};
      break;
    case M_PROGRESS_BAR:
      v = {p.progress.FourCharId, &p.progress.minValue, &p.progress.maxValue, &p.progress.stepValue,
           p.progress.valueStrSuffix, p.progress.pCtrlTextLeft, p.progress.pCtrlTextRight, p.progress.maxString,
           p.progress.minString, p.progress.pLimits, &p.progress.u8precision};
      break;
    case M_NUMERIC_ENTRY:
      v = {p.numEntry.FourCharId, &p.numEntry.minValue, &p.numEntry.maxValue, &p.numEntry.stepValue,
           p.numEntry.valueStrSuffix, p.numEntry.pCtrlTextLeft, p.numEntry.pCtrlTextRight, p.numEntry.maxString,
           p.numEntry.minString, p.numEntry.pLimits, &p.numEntry.u8precision};
      break;
    default:
      break;
  }
  return v;
}

// Value, limits and text of a slider, progress bar or numeric entry.
void vUpdateNumericStrings(MENU_ITEM* pItem, BOOLEAN bFetch) {
  NUMERIC_VIEW nv = numericView(pItem);
  if (bFetch) {
    DB_DATA_TYPE value = DB_dataU32(0);
    BOOLEAN bValid = FALSE;
    const BOOLEAN bHeld = H_DATABASE_bFetch(nv.key, &value, &bValid);
    if (bIsSlider(pItem->control)) {
      if (bHeld) pItem->value = value;
    } else {
      if (!bHeld || !bValid) return;  // nothing changes without a valid value
      pItem->value = value;
    }
  }
  const DATA_FORMAT eFormat = pItem->dataFormat;
  UNIT_TYPE eUnits = H_DATABASE_CurrentUnits(pItem->DataType);
  if (bIsSlider(pItem->control) && pItem->DataType == D_DISTANCE && nv.pLimits != nullptr &&
      !bHasLimitsFor(nv.pLimits, eUnits)) {
    eUnits = (eUnits == U_KM || eUnits == U_NAUT_MILES_M) ? U_METRES : U_FEET;
  }
  S32 s32Record = 0;
  const MENU_LIMITS* pRecord = pFindLimits(nv.pLimits, eUnits, &s32Record);
  pItem->units = eUnits;
  DB_DATA_TYPE v = dbFromDouble(dConvertFromInternal(dValue(pItem->value, eFormat), pItem->DataType, eUnits), eFormat);

  char acText[32] = "";
  BOOLEAN bEndText = FALSE;
  if (pRecord != nullptr) {
    *nv.pMin = dbFromDouble(pRecord->fMinimum, eFormat);
    *nv.pMax = dbFromDouble(pRecord->fMaximum, eFormat);
    *nv.pStep = dbFromDouble(pRecord->fIncrement, eFormat);
    *nv.pu8Precision = bFloatClass(eFormat) ? T_MENU_u8FindPrecision(pRecord->fIncrement) : 0;
    if (pItem->control == M_SLIDER_VARIABLE_STEP && pItem->parameters.slider.pLevels != nullptr) {
      const MENU_STEP_LEVELS& levels = pItem->parameters.slider.pLevels[s32Record];
      pItem->parameters.slider.accelStep1 = dbFromDouble(levels.fStep1, eFormat);
      pItem->parameters.slider.accelStep2 = dbFromDouble(levels.fStep2, eFormat);
    }
    vFormatNumber(nv.pcMaxString, 12, *nv.pMax, eFormat, *nv.pu8Precision, pItem->DataType);
    vFormatNumber(nv.pcMinString, 12, *nv.pMin, eFormat, *nv.pu8Precision, pItem->DataType);
    if (dValue(v, eFormat) <= dValue(*nv.pMin, eFormat)) {
      v = *nv.pMin;
      if (nv.pLeft != nullptr) {
        vCopyText(acText, sizeof acText, pcText(nv.pLeft));
        bEndText = TRUE;
      }
    } else if (dValue(v, eFormat) >= dValue(*nv.pMax, eFormat)) {
      v = *nv.pMax;
      if (nv.pRight != nullptr) {
        vCopyText(acText, sizeof acText, pcText(nv.pRight));
        bEndText = TRUE;
      }
    }
  }
  pItem->unitsValue = v;
  if (!bEndText) vFormatNumber(acText, sizeof acText, v, eFormat, *nv.pu8Precision, pItem->DataType);
  if (nv.pSuffix == g_MENU_txtHidden) {
    pItem->value_string[0] = '\0';
    return;
  }
  if (!bEndText) {
    const char* pcSuffix = nv.pSuffix != nullptr ? pcText(nv.pSuffix) : "";
    if (*pcSuffix == '\0') pcSuffix = H_DATABASE_pcUnitsString(eUnits, (U32)nCurrentLanguage());
    if (pcSuffix != nullptr) strncat(acText, pcSuffix, sizeof acText - strlen(acText) - 1);
  }
  vCopyText(pItem->value_string, sizeof pItem->value_string, acText);
}

// ------------------------------------------------------------ writing values
void vWriteKey(FOURCHARID key, DB_DATA_TYPE value) { (void)H_DATABASE_bUpdateValue(key, value, P_NORMAL); }

// A slider that was moved east or west writes its key when the cursor key
// is released or turned (the immediate slider also before every step).
void vWriteHeldSlider(void) {
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (pRow == nullptr || !bIsSlider(pRow->control)) return;
  if (s_eRepeatDirection != CURSOR_EAST && s_eRepeatDirection != CURSOR_WEST) return;
  vWriteKey(pRow->parameters.slider.FourCharId, pRow->value);
}

// ------------------------------------------------------------ clicks and moves
void vMoveClick(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->count <= 1) T_MENU_vGoodClick();
}

void vValueClick(const MSG_KEY_CHANGE* pMsg, BOOLEAN bMoved) {
  if (!bMoved) {
    T_MENU_vBadClick();
  } else if (pMsg->count <= 1) {
    T_MENU_vGoodClick();
  }
}

S32* ps32Top(void) { return T_MENU_ps32TopOfKind(s_activeMenu); }

S32* ps32KeptOffset(void) {
  if (bIsSubKind(s_activeMenu)) return &s_currentSubMenuTopOffset;
  switch (s_activeMenu) {
    case INFO_MENU:
      return &s_currentInfoMenuTopOffset;
    case FLOATING_MENU:
      return &s_currentFloatingMenuTopOffset;
    case SINGLE_CENTERED_MENU:
      return &s_currentSingleCenteredMenuTopOffset;
    default:
      return &s_currentTopOffset;
  }
}

S32 s32Window(void) { return s_activeMenu == QUICK_SETUP_MENU ? MENU_QUICK_VISIBLE_ROWS : MENU_VISIBLE_ROWS; }

// Selects a row and scrolls the window so that it is visible.
void vSelectRow(S32 s32Row) {
  const S32 n = s_numActiveMenuItems;
  const S32 w = s32Window();
  S32* pTop = ps32Top();
  s_activeMenuItemIndex = s32Row;
  if (s32Row < *pTop) *pTop = s32Row;
  if (s32Row > *pTop + w - 1) *pTop = s32Row - (w - 1);
  T_MENU_vApplyWindow(pTop, &s_BottomMenuItem, n, w);
  *ps32KeptOffset() = s_activeMenuItemIndex - *pTop;
}

BOOLEAN bListOpen(const MENU_ITEM* pRow, U32* pu32Choices) {
  if (pRow == nullptr) return FALSE;
  if ((pRow->control == M_SUB_MENU || pRow->control == M_SUB_MENU_HOT) && pRow->parameters.submenu.bIsActive) {
    *pu32Choices = pRow->parameters.submenu.numberChoices;
    return TRUE;
  }
  if ((pRow->control == M_ACTION_LIST || pRow->control == M_ACTION_LIST_SHRUNKEN) &&
      pRow->parameters.actionList.bIsActive) {
    *pu32Choices = pRow->parameters.actionList.numberChoices;
    return TRUE;
  }
  return FALSE;
}

void vShowConfirm(void) {
  s_bConfirmActive = TRUE;
  if (!U_VIEW_bRegisterLayer(&T_MENU_vDrawConfirmMenuLayer, CONFIRM_MENU_LAYER, USED_BY_ALL, 0, 0, FALSE, nullptr,
                             nullptr, nullptr)) {
    log_me("menu: confirmation layer not registered, no view task");
  }
}

void vRemoveConfirm(void) {
  s_bConfirmActive = FALSE;
  (void)U_VIEW_bUnRegisterLayer(CONFIRM_MENU_LAYER);
}

// Records the row and window of the current depth before a sub menu opens.
void vRecordRange(void) {
  if (s_menuLevel < 0 || s_menuLevel >= MENU_MAX_DEPTH) return;
  MenuItemRange[s_menuLevel].s32_BottomMenuItem = s_BottomMenuItem;
  MenuItemRange[s_menuLevel].s32_TopMenuItem = *ps32Top();
  MenuItemRange[s_menuLevel].s32_LastActiveMenuIndex = s_activeMenuItemIndex;
  s_u32LastMainMenuIndex = (U32)s_activeMenuItemIndex;
}

// ------------------------------------------------------------ north and south
void vMoveInList(const MSG_KEY_CHANGE* pMsg, BOOLEAN bNorth) {
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  U32 u32Choices = 0;
  const S32 n = s_numActiveMenuItems;
  if (bListOpen(pRow, &u32Choices)) {
    const U32 u32Choice = pRow->value.u32Val;
    if (bNorth ? u32Choice == 0 : u32Choice + 1 >= u32Choices) {
      T_MENU_vBadClick();
      return;
    }
    pRow->value = DB_dataU32(bNorth ? u32Choice - 1 : u32Choice + 1);
    vMoveClick(pMsg);
    return;
  }
  if (n <= 0) {
    T_MENU_vBadClick();
    return;
  }
  const S32 s32Sel = s_activeMenuItemIndex;
  if (s_activeMenu == MAIN_MENU) {
    if (bNorth ? s32Sel <= 0 : s32Sel >= n - 1) {
      // Off either end the selection goes to the tab bar.
      s_bMenuItemActive = FALSE;
      s_activeMenuItemIndex = 0;
      s_TopMenuItem = 0;
      T_MENU_vApplyWindow(&s_TopMenuItem, &s_BottomMenuItem, n, MENU_VISIBLE_ROWS);
      vMoveClick(pMsg);
      return;
    }
    vSelectRow(bNorth ? s32Sel - 1 : s32Sel + 1);
  } else if (bNorth) {
    if (s32Sel <= 0) {
      *ps32Top() = n;  // window at its end
      vSelectRow(n - 1);
    } else {
      vSelectRow(s32Sel - 1);
    }
  } else {
    if (s32Sel >= n - 1) {
      *ps32Top() = 0;
      vSelectRow(0);
    } else {
      vSelectRow(s32Sel + 1);
    }
  }
  vMoveClick(pMsg);
  if (s_bReadoutMenuActivate) GUI_vRegisterReadoutSubMenuItems(s_activeMenuItemIndex);
}

void vNorthSouth(const MSG_KEY_CHANGE* pMsg, BOOLEAN bNorth) {
  s_timer = L_CLOCK_qwGetTimeInTicks();
  if (s_bConfirmActive) {
    T_MENU_vBadClick();
    return;
  }
  s_bShowMenuList = TRUE;
  if (s_activeMenu == SINGLE_CENTERED_MENU) return;
  if (s_activeMenu == MAIN_MENU && !s_bMenuItemActive) {
    const S32 n = s_numActiveMenuItems;
    if (n <= 0) {
      T_MENU_vBadClick();
      return;
    }
    s_bMenuItemActive = TRUE;
    if (bNorth) {
      s_TopMenuItem = n;
      vSelectRow(n - 1);
    } else {
      s_TopMenuItem = 0;
      vSelectRow(0);
    }
    vMoveClick(pMsg);
    return;
  }
  vMoveInList(pMsg, bNorth);
}

// ------------------------------------------------------------ east and west on rows
void vStepNumeric(MENU_ITEM* pRow, BOOLEAN bUp, U32 u32Count, BOOLEAN* pbMoved) {
  NUMERIC_VIEW nv = numericView(pRow);
  if (bUp) {
    *pbMoved = T_MENU_bIncrementValue(pRow->DataType, &pRow->value, &pRow->unitsValue, pRow->dataFormat, pRow->units,
                                      *nv.pMax, *nv.pStep, u32Count);
  } else {
    *pbMoved = T_MENU_bDecrementValue(pRow->DataType, &pRow->value, &pRow->unitsValue, pRow->dataFormat, pRow->units,
                                      *nv.pMin, *nv.pMax, *nv.pStep, u32Count);
  }
}

void vSelector(const MSG_KEY_CHANGE* pMsg, MENU_ITEM* pRow, BOOLEAN bEast) {
  M_SELECTION_BOX_PARAMETERS& sel = pRow->parameters.selector;
  const U32 u32Choices = pRow->control == M_SELECTION_BOX ? sel.numberSelections : 0;
  if (u32Choices == 0) {
    T_MENU_vBadClick();
    return;
  }
  U32 u32Choice = sel.CurSelection;
  BOOLEAN bMoved = TRUE;
  if (bEast) {
    if (u32Choice + 1 >= u32Choices) {
      if (s_activeMenu == SINGLE_CENTERED_MENU && s_bLoopSelections) {
        u32Choice = 0;
      } else {
        bMoved = FALSE;
      }
    } else {
      ++u32Choice;
    }
  } else if (u32Choice == 0) {
    bMoved = FALSE;
  } else {
    --u32Choice;
  }
  if (u32Choice >= u32Choices) u32Choice = 0;
  sel.CurSelection = (U8)u32Choice;
  pRow->value = DB_dataU32(sel.pSelectionValueArray != nullptr ? sel.pSelectionValueArray[u32Choice] : u32Choice);
  vWriteKey(sel.FourCharId, pRow->value);
  if (bEast && sel.FourCharId == KEY_CVAS) s_bShowMenuList = TRUE;
  vValueClick(pMsg, bMoved);
}

void vAngle(MENU_ITEM* pRow, BOOLEAN bEast) {
  M_ANGLE_ADJUST_PARAMETERS& a = pRow->parameters.angleadjust;
  if (bFloatClass(pRow->dataFormat)) {
    F32 f = pRow->value.fVal;
    if (bEast) {
      f += a.stepValue.fVal;
      if (f >= a.maxValue.fVal) f -= a.maxValue.fVal;
    } else {
      f -= a.stepValue.fVal;
      if (a.minValue.fVal >= f) f += a.maxValue.fVal;
    }
    pRow->value = DB_dataFloat(f);
  } else {
    S64 v = pRow->value.s32Val;
    if (bEast) {
      v += a.stepValue.s32Val;
      if (v >= a.maxValue.s32Val) v -= a.maxValue.s32Val;
    } else {
      v -= a.stepValue.s32Val;
      if (a.minValue.s32Val >= v) v += a.maxValue.s32Val;
    }
    pRow->value = DB_dataS32((S32)v);
  }
  vWriteKey(a.FourCharId, pRow->value);
}

void vCallListChoice(const MENU_ITEM* pRow, U32 u32Choice) {
  const M_ACTION_LIST_PARAMETERS& list = pRow->parameters.actionList;
  if (list.pt2Function != nullptr && u32Choice < list.numberChoices && list.pt2Function[u32Choice] != nullptr) {
    list.pt2Function[u32Choice](u32Choice);
  }
}

void vAction(const MSG_KEY_CHANGE* pMsg, MENU_ITEM* pRow, BOOLEAN bEast) {
  const BOOLEAN bConfirm = pRow->control == M_ACTION_EXT ? pRow->parameters.actionExt.confirm : pRow->parameters.action.confirm;
  const MENU_ACTION_FUNC pfn =
      pRow->control == M_ACTION_EXT ? pRow->parameters.actionExt.pt2Function : pRow->parameters.action.pt2Function;
  if (!bEast) {
    if (s_bConfirmActive) {
      vRemoveConfirm();
    } else {
      T_MENU_vBadClick();
    }
    return;
  }
  vMoveClick(pMsg);
  if (bConfirm) {
    if (s_bConfirmActive) {
      vRemoveConfirm();
      if (pfn != nullptr) pfn();
      s_repeatActive = FALSE;
    } else {
      vShowConfirm();
    }
    return;
  }
  if (s_activeMenu == INFO_MENU) T_MENU_vDoRemoveMenus(FALSE);
  if (pfn != nullptr) pfn();
}

void vOpenSubMenuOfItem(MENU_ITEM* pRow) {
  M_SUB_MENU_PARAMETERS& sub = pRow->parameters.submenu;
  if (sub.numberChoices == 1) {
    T_MENU_vActivateSubMenu(sub.subMenuID);
  } else if (sub.bIsActive) {
    const U32 u32Choice = pRow->value.u32Val;
    if (u32Choice >= sub.numberChoices) {
      T_MENU_vBadClick();
      return;
    }
    T_MENU_vActivateSubMenu(sub.subMenuID + (S32)u32Choice);
  } else {
    sub.bIsActive = TRUE;
    pRow->value = DB_dataU32(0);
  }
}

void vSubMenuItem(const MSG_KEY_CHANGE* pMsg, MENU_ITEM* pRow, BOOLEAN bEast) {
  M_SUB_MENU_PARAMETERS& sub = pRow->parameters.submenu;
  if (!bEast) {
    if (sub.bIsActive && sub.numberChoices > 1) {
      sub.bIsActive = FALSE;
      pRow->value = DB_dataU32(0);
      vMoveClick(pMsg);
    } else {
      T_MENU_vBadClick();
    }
    return;
  }
  if (sub.numberChoices == 0) {
    T_MENU_vBadClick();
    return;
  }
  vMoveClick(pMsg);
  if (sub.pt2Function != nullptr) sub.pt2Function();
  vRecordRange();
  vOpenSubMenuOfItem(pRow);
}

void vActionList(const MSG_KEY_CHANGE* pMsg, MENU_ITEM* pRow, BOOLEAN bEast) {
  M_ACTION_LIST_PARAMETERS& list = pRow->parameters.actionList;
  if (!bEast) {
    if (s_bConfirmActive) {
      vRemoveConfirm();
    } else if (list.bIsActive) {
      list.bIsActive = FALSE;
      pRow->value = DB_dataU32(0);
      vMoveClick(pMsg);
    } else {
      T_MENU_vBadClick();
    }
    return;
  }
  if (list.numberChoices == 0) {
    T_MENU_vBadClick();
    return;
  }
  vMoveClick(pMsg);
  if (!list.bIsActive) {
    list.bIsActive = TRUE;
    pRow->value = DB_dataU32(0);
    if (s_bConfirmActive) vRemoveConfirm();
    return;
  }
  const U32 u32Choice = pRow->value.u32Val;
  const BOOLEAN bAsk = list.bConfirm != nullptr && u32Choice < list.numberChoices && list.bConfirm[u32Choice];
  if (bAsk) {
    if (!s_bConfirmActive) {
      vShowConfirm();
      return;
    }
    vRemoveConfirm();
    const BOOLEAN bReopen = s_activeMenu == EXPRESS_MENU && pRow->control == M_ACTION_LIST;
    vCallListChoice(pRow, u32Choice);
    if (bReopen) {
      T_MENU_vDoRemoveMenus(FALSE);
      T_MENU_vActivateHotMenu();
    }
    return;
  }
  if (s_activeMenu == INFO_MENU) {
    T_MENU_vDoRemoveMenus(FALSE);
    vCallListChoice(pRow, u32Choice);
    return;
  }
  vCallListChoice(pRow, u32Choice);
}

void vCheck(const MENU_ITEM* pRow) {
  const M_CHECK_LIST_PARAMETERS& check = pRow->parameters.checkList;
  if (check.setCheck != nullptr) check.setCheck(check.context);
}

void vEastWestOnRow(const MSG_KEY_CHANGE* pMsg, BOOLEAN bEast) {
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (pRow == nullptr) {
    T_MENU_vBadClick();
    return;
  }
  const U32 u32Steps = T_MENU_u32StepsForCount(pMsg->count);
  BOOLEAN bMoved = FALSE;
  switch (pRow->control) {
    case M_PROGRESS_BAR:
      s_bShowMenuList = FALSE;
      vStepNumeric(pRow, bEast, u32Steps, &bMoved);
      if (bMoved) vWriteKey(pRow->parameters.progress.FourCharId, pRow->value);
      vValueClick(pMsg, bMoved);
      break;
    case M_NUMERIC_ENTRY:
      s_bShowMenuList = FALSE;
      vStepNumeric(pRow, bEast, u32Steps, &bMoved);
      vWriteKey(pRow->parameters.numEntry.FourCharId, pRow->value);
      vValueClick(pMsg, bMoved);
      break;
    case M_SELECTION_BOX:
    case M_SELECTION_BUTTONS:
      s_bShowMenuList = FALSE;
      vSelector(pMsg, pRow, bEast);
      break;
    case M_SLIDER:
    case M_SLIDER_IMMEDIATE:
      s_bShowMenuList = FALSE;
      vStepNumeric(pRow, bEast, u32Steps, &bMoved);
      vValueClick(pMsg, bMoved);
      break;
    case M_SLIDER_VARIABLE_STEP: {
      s_bShowMenuList = FALSE;
      M_SLIDER_PARAMETERS& s = pRow->parameters.slider;
      U32 u32Count = u32Steps;
      const STEP_LEVEL eStep =
          T_MENU_eGetStepLevel(&pRow->unitsValue, pRow->dataFormat, s.accelStep1, s.accelStep2, &u32Count, bEast);
      s.stepValue = bFloatClass(pRow->dataFormat) ? DB_dataFloat((F32)eStep) : DB_dataS32((S32)eStep);
      vStepNumeric(pRow, bEast, u32Count, &bMoved);
      vValueClick(pMsg, bMoved);
      break;
    }
    case M_ANGLE_ADJUST:
      s_bShowMenuList = FALSE;
      vAngle(pRow, bEast);
      vMoveClick(pMsg);
      break;
    case M_ACTION:
    case M_ACTION_EXT:
    case M_ACTION_HOT:
      vAction(pMsg, pRow, bEast);
      break;
    case M_SUB_MENU:
    case M_SUB_MENU_HOT:
      vSubMenuItem(pMsg, pRow, bEast);
      break;
    case M_ACTION_LIST:
    case M_ACTION_LIST_SHRUNKEN:
      vActionList(pMsg, pRow, bEast);
      break;
    case M_CHECK_LIST:
      if (bEast) vCheck(pRow);
      break;
    case M_CHECK_BOX:
      if (bEast) {
        T_MENU_vGoodClick();
        vCheck(pRow);
      }
      break;
    default:
      T_MENU_vBadClick();
      break;
  }
}

void vEastWest(const MSG_KEY_CHANGE* pMsg, BOOLEAN bEast) {
  if (L_CLOCK_qwGetTimeInTicks() - s_timer < MENU_SIDEWAYS_HOLD_OFF_MS) return;
  if (s_activeMenu == MAIN_MENU && !s_bMenuItemActive) {
    S32 s32Tab = s_activeTab;
    const S32 s32Count = s_lastTabIndex + 1;
    for (S32 i = 0; i < s32Count; ++i) {
      s32Tab = bEast ? (s32Tab + 1) % s32Count : (s32Tab + s32Count - 1) % s32Count;
      if (s_mainMenuTabs[s32Tab].bTabActive) break;
    }
    s_activeTab = s32Tab;
    s_activeMenuItemIndex = 0;
    s_TopMenuItem = 0;
    s_currentTopOffset = 0;
    vMoveClick(pMsg);
    T_MENU_vUpdateActiveMenuList();
    for (MENU_ITEM* p = s_mainMenuTabs[s_activeTab].pFirstItem; p != nullptr; p = p->pNextMenu) {
      T_MENU_vUpdateDisplayStrings(p, TRUE);
    }
    return;
  }
  vEastWestOnRow(pMsg, bEast);
}

void vHandleCursorKey(const MSG_KEY_CHANGE* pMsg) {
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
      vNorthSouth(pMsg, TRUE);
      break;
    case CURSOR_SOUTH:
      vNorthSouth(pMsg, FALSE);
      break;
    case CURSOR_EAST:
      vEastWest(pMsg, TRUE);
      break;
    case CURSOR_WEST:
      vEastWest(pMsg, FALSE);
      break;
    default:
      break;  // diagonals do nothing
  }
}

// Quick-access rows act on east before anything else. TRUE when handled.
BOOLEAN bHotRowEast(const MSG_KEY_CHANGE* pMsg) {
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (pRow == nullptr || pMsg->state != KEY_DOWN) return FALSE;
  if (pRow->control == M_SUB_MENU_HOT) {
    if (pMsg->cursor == CURSOR_WEST) return TRUE;
    if (pMsg->cursor != CURSOR_EAST) return FALSE;
    M_SUB_MENU_PARAMETERS& sub = pRow->parameters.submenu;
    if (sub.pt2Function != nullptr) sub.pt2Function();
    s_bShowMenuList = TRUE;
    vRecordRange();
    vOpenSubMenuOfItem(pRow);
    T_MENU_vGoodClick();
    return TRUE;
  }
  if (pRow->control == M_ACTION_HOT) {
    if (pMsg->cursor == CURSOR_WEST) return TRUE;
    if (pMsg->cursor != CURSOR_EAST || !s_bShowMenuList) return FALSE;
    if (pRow->parameters.action.pt2Function != nullptr) pRow->parameters.action.pt2Function();
    return TRUE;
  }
  return FALSE;
}

void vCursor(const MSG_KEY_CHANGE* pMsg) {
  if (bHotRowEast(pMsg)) return;
  if (pMsg->state == KEY_UP) {
    if (s_repeatActive) vWriteHeldSlider();
    s_repeatActive = FALSE;
    return;
  }
  const MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if ((s_repeatActive && pMsg->cursor != s_eRepeatDirection) || (pRow != nullptr && pRow->control == M_SLIDER_IMMEDIATE)) {
    vWriteHeldSlider();
  }
  s_repeatActive = TRUE;
  s_eRepeatDirection = pMsg->cursor;
  vHandleCursorKey(pMsg);
}

// ------------------------------------------------------------ MENU, EXIT, GOTO, INFO
void vResetReadoutSelection(void) {
  GUI_vResetReadoutSubMenuStatus();
  s_bReadoutMenuActivate = FALSE;
}

void vMenuKey(void) {
  switch (s_activeMenu) {
    case NO_MENU:
    case MAIN_GRP_MENU: {
      BOOLEAN bRemote = FALSE;
      BOOLEAN bValid = FALSE;
      if (H_DATABASE_bFetchBoolean(KEY_RMNU, &bRemote, &bValid) && bValid && bRemote) {
        T_NAV_vSetNavUINote(g_MENU_txtNetworkMenuOpen, nullptr, FALSE);
        T_MENU_vBadClick();
      } else {
        T_MENU_vActivateHotMenu();
        T_MENU_vGoodClick();
      }
      break;
    }
    case EXPRESS_MENU:
      if (s_bConfirmActive) {
        T_MENU_vDoRemoveMenus(FALSE);
      } else {
        T_MENU_vActivateMainMenu();
      }
      T_MENU_vGoodClick();
      break;
    case EXPRESS_SUB_MENU:
    case MAIN_MENU:
    case MAIN_SUB_MENU:
    case MAIN_SUB_MENU_1:
    case MAIN_SUB_MENU_2:
    case MAIN_SUB_MENU_3:
      T_MENU_vDoRemoveMenus(FALSE);
      T_MENU_vGoodClick();
      break;
    case INFO_MENU:
    case FLOATING_MENU:
    case INFO_SUB_MENU:
      T_MENU_vBadClick();
      break;
    default:
      break;
  }
  vResetReadoutSelection();
}

// One level up from a sub menu, back to the row that opened it.
void vLeaveSubMenu(void) {
  const S32 s32Depth = s_menuLevel - 1;
  if (s32Depth < 0) {
    T_MENU_vDoRemoveMenus(FALSE);
    return;
  }
  const ACTIVE_MENU eBack = s_callingMenu[s32Depth];
  s_menuLevel = s32Depth;
  s_BottomMenuItem = MenuItemRange[s32Depth].s32_BottomMenuItem;
  if (bIsSubKind(eBack)) {
    s_TopSubMenuItem = MenuItemRange[s32Depth].s32_TopMenuItem;
  } else {
    s_TopMenuItem = MenuItemRange[s32Depth].s32_TopMenuItem;
    (void)U_VIEW_bUnRegisterLayer(SUB_MENU_LAYER);
  }
  s_activeMenuItemIndex = bIsMainSubKind(eBack) || bIsSubKind(eBack)
                              ? MenuItemRange[s32Depth].s32_LastActiveMenuIndex
                              : (S32)s_u32LastMainMenuIndex;
  s_numActiveMenuItems = 0;
  T_MENU_vSetActiveMenu(eBack);
  T_MENU_vUpdateActiveMenuList();
}

void vExitKey(void) {
  s_bMenuHidden = FALSE;
  const ACTIVE_MENU eKind = s_activeMenu;
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  U32 u32Choices = 0;
  if (eKind == QUICK_SETUP_MENU) {
    if (s_bQuickConfigMenuDisplayed) {
      // The quick setup menu ends the first-start configuration: its keys
      // and layer go, then the start-up task notes it done.
      T_MENU_vSetActiveMenu(NO_MENU);
      T_MENU_vDoRemoveMenus(FALSE);
      (void)U_VIEW_bUnRegisterLayer(QUICK_CONFIGURE_LAYER);
      T_STARTUP_vRemoveQuickConfigMenu();
      s_bQuickConfigMenuDisplayed = FALSE;
    }
  } else if (eKind == EXPRESS_MENU || eKind == INFO_MENU || eKind == FLOATING_MENU || eKind == SINGLE_CENTERED_MENU) {
    if (s_bConfirmActive) {
      vRemoveConfirm();
    } else if (bListOpen(pRow, &u32Choices)) {
      T_MENU_vCloseSelectedList();
    } else {
      const S32 s32Floating = s_activeFloatingMenu;
      T_MENU_vDoRemoveMenus(FALSE);
      if (eKind == FLOATING_MENU && s32Floating >= 0 && s32Floating < MENU_MAX_FLOATING_MENUS) {
        S32 s32Shown = s32Floating;
        FLOATING_MENU_TYPE* pMenu = &s_floatingMenus[s32Floating];
        if (pMenu->ExitKeyHandler != nullptr) pMenu->ExitKeyHandler(&s32Shown, pMenu);
      }
    }
  } else if (eKind == MAIN_MENU) {
    if (s_bConfirmActive) {
      vRemoveConfirm();
    } else if (s_bMenuItemActive) {
      if (bListOpen(pRow, &u32Choices)) {
        T_MENU_vCloseSelectedList();
      } else {
        s_bMenuItemActive = FALSE;
        s_activeMenuItemIndex = 0;
        s_TopMenuItem = 0;
        T_MENU_vApplyWindow(&s_TopMenuItem, &s_BottomMenuItem, s_numActiveMenuItems, MENU_VISIBLE_ROWS);
      }
    } else {
      T_MENU_vDoRemoveMenus(FALSE);
    }
  } else if (bIsSubKind(eKind)) {
    if (bIsMainSubKind(eKind)) GUI_vUpdateReadoutMenuItems();
    if (pRow != nullptr && pRow->control == M_SELECTION_BOX) s_bReadoutMenuActivate = FALSE;
    if (s_bConfirmActive) {
      vRemoveConfirm();
    } else if (bListOpen(pRow, &u32Choices)) {
      T_MENU_vCloseSelectedList();
    } else {
      vLeaveSubMenu();
    }
  }
  T_MENU_vGoodClick();
  GUI_vResetReadoutSubMenuStatus();
}

void vGotoKey(void) {
  const MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (s_activeMenu == FLOATING_MENU && s_activeFloatingMenu >= 0 && s_activeFloatingMenu < MENU_MAX_FLOATING_MENUS &&
      s_floatingMenus[s_activeFloatingMenu].GoToKeyHandler != nullptr) {
    s_floatingMenus[s_activeFloatingMenu].GoToKeyHandler(&s_floatingMenus[s_activeFloatingMenu]);
    return;
  }
  if (s_activeMenu == INFO_MENU && pRow != nullptr && pRow->priority >= MENU_GO_TO_WAYPOINT &&
      pRow->priority <= MENU_GOTO_ROUTE4) {
    T_NAV_vGoToWaypointInMenu();
    U_MENU_vClearMenus();
    return;
  }
  T_MENU_vBadClick();
}

void vInfoKey(void) {
  MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (s_activeMenu == INFO_MENU) {
    T_MENU_vGoodClick();
    T_MENU_vDoRemoveMenus(FALSE);
    return;
  }
  if (s_activeMenu == FLOATING_MENU && pRow != nullptr && pRow->control == M_ANGLE_ADJUST) {
    const MENU_INFO_FUNC pfn = pRow->parameters.angleadjust.fnCbOnInfo;
    T_MENU_vGoodClick();
    T_MENU_vDoRemoveMenus(FALSE);
    if (pfn != nullptr) pfn();
    return;
  }
  if (pRow == nullptr) {
    T_MENU_vBadClick();
    return;
  }
  BOOLEAN bHandled = FALSE;
  if (s_bReadoutMenuActivate) {
    if (GUI_vGetReadoutSubMenuStatus()) {
      if (pRow->control == M_CHECK_LIST || pRow->control == M_CHECK_BOX) vCheck(pRow);
    } else {
      vRecordRange();
      DB_TEXT_RECORD pTitle = nullptr;
      GUI_pGetCurrentItemName(s_activeMenuItemIndex, &pTitle);
      const S32 s32Slot = T_MENU_s32FindSubMenu(pTitle);
      if (s32Slot >= 0) T_MENU_vActivateSubMenu(s32Slot);
    }
    bHandled = TRUE;
  } else if (pRow->control == M_CHECK_LIST && !GUI_vGetReadoutSubMenuStatus()) {
    vCheck(pRow);
    bHandled = TRUE;
  }
  pRow = T_MENU_pSelectedItem();
  if (pRow != nullptr && !bHandled) {
    if (pRow->control == M_ACTION_HOT) {
      if (pRow->parameters.action.pt2Function != nullptr) pRow->parameters.action.pt2Function();
      T_MENU_vGoodClick();
      return;
    }
    if (pRow->control == M_SUB_MENU_HOT) {
      if (pRow->parameters.submenu.pt2Function != nullptr) pRow->parameters.submenu.pt2Function();
      vRecordRange();
      vOpenSubMenuOfItem(pRow);
      T_MENU_vGoodClick();
      return;
    }
    if (pRow->control == M_CHECK_BOX) {
      vCheck(pRow);
      T_MENU_vGoodClick();
      return;
    }
  }
  if (bHandled) {
    T_MENU_vGoodClick();
  } else {
    T_MENU_vBadClick();
  }
}

}  // namespace

// ------------------------------------------------------------ steps
U32 T_MENU_u32StepsForCount(U32 u32Count) {
  return u32Count < MENU_ACCELERATION_COUNT ? 1u : u32Count - (MENU_ACCELERATION_COUNT - 1);
}

BOOLEAN T_MENU_bIncrementValue(DATA_TYPE eType, DB_DATA_TYPE* pValue, DB_DATA_TYPE* pShown, DATA_FORMAT eFormat,
                               UNIT_TYPE eUnits, DB_DATA_TYPE maxValue, DB_DATA_TYPE stepValue, U32 u32Count) {
  if (eFormat == DF_FLOAT) {
    const F32 fMax = maxValue.fVal;
    const F32 fStep = stepValue.fVal;
    F32 v = pShown->fVal;
    if (v >= fMax) {
      *pShown = DB_dataFloat(fMax);
      *pValue = DB_dataFloat((F32)dConvertToInternal(fMax, eType, eUnits));
      return FALSE;
    }
    if (!(fStep > 0.0f)) return FALSE;  // no step: nothing moves
    v = ((F32)u32Count + nearbyintf(v / fStep)) * fStep;
    if (v > fMax) v = fMax;
    *pShown = DB_dataFloat(v);
    *pValue = DB_dataFloat((F32)dConvertToInternal(v, eType, eUnits));
    return TRUE;
  }
  if (eFormat == DF_UNSIGNED32) {
    const U64 u64Max = maxValue.u32Val;
    U64 v = pShown->u32Val;
    if (v >= u64Max) {
      *pShown = DB_dataU32((U32)u64Max);
      return FALSE;
    }
    v += (U64)u32Count * stepValue.u32Val;
    if (v > u64Max) v = u64Max;
    *pShown = DB_dataU32((U32)v);
    *pValue = dbFromDouble(dConvertToInternal((double)v, eType, eUnits), eFormat);
    return TRUE;
  }
  const S64 s64Max = maxValue.s32Val;
  S64 v = pShown->s32Val;
  if (v >= s64Max) {
    *pShown = DB_dataS32((S32)s64Max);
    return FALSE;
  }
  v += (S64)u32Count * stepValue.s32Val;
  if (v > s64Max) v = s64Max;
  *pShown = DB_dataS32((S32)v);
  *pValue = dbFromDouble(dConvertToInternal((double)v, eType, eUnits), DF_SIGNED32);
  return TRUE;
}

BOOLEAN T_MENU_bDecrementValue(DATA_TYPE eType, DB_DATA_TYPE* pValue, DB_DATA_TYPE* pShown, DATA_FORMAT eFormat,
                               UNIT_TYPE eUnits, DB_DATA_TYPE minValue, DB_DATA_TYPE maxValue,
                               DB_DATA_TYPE stepValue, U32 u32Count) {
  if (eFormat == DF_FLOAT) {
    const F32 fMin = minValue.fVal;
    const F32 fStep = stepValue.fVal;
    F32 v = pShown->fVal;
    if (v <= fMin) {
      *pShown = DB_dataFloat(fMin);
      *pValue = DB_dataFloat((F32)dConvertToInternal(fMin, eType, eUnits));
      return FALSE;
    }
    if (!(fStep > 0.0f)) return FALSE;
    v = (nearbyintf(v / fStep) - (F32)u32Count) * fStep;
    if (v < fMin) v = fMin;
    *pShown = DB_dataFloat(v);
    *pValue = DB_dataFloat((F32)dConvertToInternal(v, eType, eUnits));
    return TRUE;
  }
  if (eFormat == DF_UNSIGNED32) {
    const U32 u32Min = minValue.u32Val;
    const U32 u32Max = maxValue.u32Val;
    const U32 v = pShown->u32Val;
    if (v <= u32Min) return FALSE;
    U32 r = v - u32Count * stepValue.u32Val;  // may wrap below zero
    if (r < u32Min || r > u32Max || (U64)u32Count * stepValue.u32Val > v) r = u32Min;
    *pShown = DB_dataU32(r);
    *pValue = dbFromDouble(dConvertToInternal((double)r, eType, eUnits), eFormat);
    return TRUE;
  }
  const S64 s64Min = minValue.s32Val;
  S64 v = pShown->s32Val;
  if (v <= s64Min) return FALSE;
  v -= (S64)u32Count * stepValue.s32Val;
  if (v < s64Min) v = s64Min;
  *pShown = DB_dataS32((S32)v);
  *pValue = dbFromDouble(dConvertToInternal((double)v, eType, eUnits), DF_SIGNED32);
  return TRUE;
}

STEP_LEVEL T_MENU_eGetStepLevel(DB_DATA_TYPE* pShown, DATA_FORMAT eFormat, DB_DATA_TYPE lower, DB_DATA_TYPE upper,
                                U32* pu32Count, BOOLEAN bUp) {
  const double v = dValue(*pShown, eFormat);
  const double L = dValue(lower, eFormat);
  const double U = dValue(upper, eFormat);
  const double n = *pu32Count;
  if (bUp) {
    if (v <= L) {
      if (v > L - n) {
        *pShown = lower;
        *pu32Count = 1;
        return VAR_STEP_2;
      }
      return VAR_STEP_1;
    }
    if (v <= U) {
      if (v >= U - 5.0 * n) {
        *pShown = upper;
        *pu32Count = 1;
        return VAR_STEP_3;
      }
      return VAR_STEP_2;
    }
    return VAR_STEP_3;
  }
  if (v > U) {
    if (v < U + 10.0 * n) {
      *pShown = upper;
      *pu32Count = 1;
      return VAR_STEP_2;
    }
    return VAR_STEP_3;
  }
  if (v > L) {
    if (v < L + 5.0 * n) {
      *pShown = lower;
      *pu32Count = 1;
    }
    return VAR_STEP_2;
  }
  return VAR_STEP_1;
}

U8 T_MENU_u8FindPrecision(F32 fStep) {
  const S64 p = (S64)(fStep * 1000.0f);
  if (p % 1000 == 0) return 0;
  if (p % 100 == 0) return 1;
  if (p % 10 == 0) return 2;
  return 3;
}

// ------------------------------------------------------------ display strings
void T_MENU_vUpdateDisplayStrings(MENU_ITEM* pItem, BOOLEAN bForce) {
  if (pItem == nullptr) return;
  switch (pItem->control) {
    case M_SLIDER:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE:
      vUpdateNumericStrings(pItem, bForce || !s_repeatActive);
      break;
    case M_PROGRESS_BAR:
    case M_NUMERIC_ENTRY:
      vUpdateNumericStrings(pItem, TRUE);
      break;
    case M_SELECTION_BOX: {
      M_SELECTION_BOX_PARAMETERS& sel = pItem->parameters.selector;
      DB_DATA_TYPE value = DB_dataU32(0);
      BOOLEAN bValid = FALSE;
      if (!H_DATABASE_bFetch(sel.FourCharId, &value, &bValid) || !bValid) break;
      pItem->value = value;
      pItem->unitsValue = value;
      U32 u32Choice = 0;
      for (U32 i = 0; i < sel.numberSelections; ++i) {
        const U32 u32Entry = sel.pSelectionValueArray != nullptr ? sel.pSelectionValueArray[i] : i;
        if (u32Entry == value.u32Val) {
          u32Choice = i;
          break;
        }
      }
      sel.CurSelection = (U8)u32Choice;
      if (sel.pSelectionList != nullptr && sel.numberSelections > 0) {
        vCopyText(pItem->value_string, sizeof pItem->value_string, pcText(sel.pSelectionList[u32Choice]));
      } else {
        pItem->value_string[0] = '\0';
      }
      break;
    }
    case M_CHECK_LIST:
    case M_CHECK_BOX: {
      const M_CHECK_LIST_PARAMETERS& check = pItem->parameters.checkList;
      pItem->unitsValue = DB_dataU32(check.getCheck != nullptr ? check.getCheck(check.context) : 0);
      break;
    }
    case M_ANGLE_ADJUST:
      if (T_MENU_pSelectedItem() == pItem) {
        pItem->value_string[0] = '\0';
      } else {
        vCopyText(pItem->value_string, sizeof pItem->value_string, pcText(pItem->pMenuTitle));
      }
      break;
    case M_ACTION:
    case M_SUB_MENU:
    case M_ACTION_HOT:
    case M_SUB_MENU_HOT:
    case M_ACTION_EXT:
      pItem->value_string[0] = '\0';
      break;
    default:
      break;
  }
}

// ------------------------------------------------------------ key dispatch
void T_MENU_vHandleKeys(const MSG_KEY_CHANGE* pMsg) {
  if (T_MENU_bExitHoldOffRunning()) {
    if (pMsg->key == KEY_MASK_EXIT) return;
    T_MENU_vCancelExitHoldOff();
  }
  if (s_bMenuHidden) {
    if (pMsg->key == KEY_MASK_EXIT && pMsg->state == KEY_DOWN) vExitKey();
    return;
  }
  if (pMsg->key == KEY_MASK_MENU) {
    if (pMsg->state == KEY_DOWN) vMenuKey();
    return;
  }
  if (s_activeMenu == NO_MENU || s_activeMenu == MAIN_GRP_MENU) return;
  switch (pMsg->key) {
    case KEY_MASK_CURSOR:
      vCursor(pMsg);
      break;
    case KEY_MASK_EXIT:
      if (pMsg->state == KEY_DOWN) vExitKey();
      break;
    case KEY_MASK_GOTO:
      if (pMsg->state == KEY_DOWN) vGotoKey();
      break;
    case KEY_MASK_INFO:
      if (pMsg->state == KEY_DOWN) vInfoKey();
      break;
    default:
      if (pMsg->state == KEY_DOWN) T_MENU_vBadClick();
      break;
  }
  if (pMsg->state != KEY_DOWN || s_activeMenu == NO_MENU) return;
  const MENU_ITEM* pRow = T_MENU_pSelectedItem();
  if (pRow == nullptr) return;
  const BOOLEAN bSideways = pMsg->key == KEY_MASK_CURSOR && (pMsg->cursor == CURSOR_EAST || pMsg->cursor == CURSOR_WEST);
  if (pRow->control == M_SLIDER || pRow->control == M_SLIDER_IMMEDIATE || pRow->control == M_ANGLE_ADJUST ||
      (pRow->control == M_SLIDER_VARIABLE_STEP && bSideways)) {
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  } else {
    T_VIEW_vRequestExpeditedViewUpdate();
  }
}
