// Layout and drawing of the menu layers. Every callback runs in the view
// task, takes the menu lock for as long as it reads the menu data, and
// draws on the page it is given; everything it draws goes through the
// clipped drawing routines, and every place is worked out so that the
// frames stay on the 800 x 600 page.
//
// Geometry shared by every list: a row is a rounded box of the menu's width
// and 55 rows, filled in colour 65 and outlined in 67, with a highlight line
// of colour 64 under its top edge and a line of 66 over its bottom edge.
// Rows stand 54 apart. The title's baseline is 32 above the row's bottom,
// the value text's 5. The selected row is drawn last, filled in 64, with
// its control (slider, selection box, pop-out list ...) on its lower line.
#include "source/ui/t_menu_draw.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "common/language.h"
#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/core/h_database.h"
#include "source/ui/ui_upcalls.h"
#include "source/ui/t_menu_int.h"
#include "source/ui/u_dialog.h"
#include "source/graphics/u_fonts.h"
#include "source/ui/u_menu_controls.h"

#define MENU_DRAW_TEXT_RECORD(name, text)                                                                \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text,         \
                                                 text, text, text, text, text, text, text, text,         \
                                                 text, text, text, text, text, text}
MENU_DRAW_TEXT_RECORD(Stayvo, "Stayvo");
MENU_DRAW_TEXT_RECORD(g_MENU_txtNoMenusAvailable, "No Menus Available");
MENU_DRAW_TEXT_RECORD(g_MENU_txtQuickSetup, "Quick Setup");
MENU_DRAW_TEXT_RECORD(g_MENU_txtQuickSetupInstruction, "Choose settings and EXIT to continue");
MENU_DRAW_TEXT_RECORD(g_MENU_txtConfirm, "Confirm:");
MENU_DRAW_TEXT_RECORD(g_MENU_txtNo, "No");
MENU_DRAW_TEXT_RECORD(g_MENU_txtYes, "Yes");
#undef MENU_DRAW_TEXT_RECORD

namespace {

// ------------------------------------------------------------ colours
constexpr U32 COL_FRAME = 64;        // frame background, selected row, a row's highlight line
constexpr U32 COL_ROW = 65;          // row and tab fill
constexpr U32 COL_LINE = 66;         // a row's lower line, tab outline, arrows
constexpr U32 COL_OUTLINE = 67;      // inner frame, row outline
constexpr U32 COL_TEXT_ACTIVE = 68;  // selected row, titles, confirmation
constexpr U32 COL_TEXT = 69;         // other rows
constexpr U32 COL_CONFIRM_FILL = 71;
constexpr U32 COL_UNAVAILABLE = 34;  // title of a data source that is not available
constexpr U32 COL_QUICK_BOX = 128;   // quick setup instruction box
constexpr U32 COL_QUICK_TEXT = 131;  // quick setup outlines and texts

inline COLOR Col(U32 index) { return gCOLOR_pcolColorTable[index]; }

// ------------------------------------------------------------ fixed places
constexpr S32 SCREEN_W = G_SCREEN_WIDTH;
constexpr S32 SCREEN_H = G_SCREEN_HEIGHT;
constexpr S32 LIST_TOP = 596;             // lists hang from this top edge
constexpr S32 TITLE_BASELINE = 32;        // in a row
constexpr S32 VALUE_BASELINE = 5;
constexpr S32 ICON_CENTRE = 27;
constexpr U32 CONTROL_HEIGHT = 24;        // slider, progress bar, numeric entry
constexpr U32 SLIDER_WIDTH = 148;
constexpr U32 LIST_CONTROL_HEIGHT = 27;   // actions, sub menus, action lists (on the lower line)
constexpr U32 SELECTOR_MIN_WIDTH = 148;
constexpr U32 SELECTOR_MAX_WIDTH = 750;
constexpr U32 MAX_WIDTH_ROWS = 60;
constexpr S32 DATA_SOURCE_FIRST = MENU_DATA_SOURCES_LIST_START;
constexpr S32 DATA_SOURCE_LAST = MENU_DATA_SOURCES_LIST_END;
constexpr MENU_PRIORITY CURRENT_ACTIVE_ROUTE = (MENU_PRIORITY)104;
constexpr S32 FIRST_NMEA2K_VIEW = 67;
constexpr S32 LAST_NMEA2K_VIEW = 70;

// ------------------------------------------------------------ state of the layout
U32 s_minMenuWidth = 0;
U32 s_minSelectorWidth = 0;
POINT s_activeItemAnchor = {0, 0};
BOOLEAN s_bActiveItemPlaced = FALSE;  // the selected row was laid out by the last list drawing
int s_nLanguage = LANGUAGE_ENGLISH;

// Copies of the navigation items named in action rows, made during the
// width computation (view task) and read while drawing.
ROUTE s_CursoredRouteList[5];
WAYPOINT s_LastCreatedWaypoint;
WAYPOINT s_CursorWaypoint;
ROUTE s_LastSavedRoute;
ROUTE s_CurrentTravelingRoute;
STERNIX_HEADER s_CursorSternixHeader;
// A key of an action list that names no navigation item is traced once.
FOURCHARID s_fcidReportedUnknown = 0;

const FONT_DEF* Font16() { return std_16x17_font_def_ptr; }
const FONT_DEF* Font11() { return std_11x14_font_def_ptr; }

const char* pcText(DB_TEXT_RECORD pRecord) {
  if (pRecord == nullptr) return "";
  const char* pc = pRecord[s_nLanguage];
  if (pc == nullptr) pc = pRecord[LANGUAGE_ENGLISH];
  return pc != nullptr ? pc : "";
}

U32 W16(const char* pc) { return G_STRING_u32GetWidth(Font16(), pc); }
U32 W11(const char* pc) { return G_STRING_u32GetWidth(Font11(), pc); }
U32 H11() { return G_FONTS_u32GetHeight(Font11()); }

U32 u32IconWidth(const ICON* pIcon) { return pIcon != nullptr ? G_ICON_u32GetWidth(pIcon) : 0; }
U32 u32IconHeight(const ICON* pIcon) { return pIcon != nullptr ? G_ICON_u32GetHeight(pIcon) : 0; }

void vPutIcon(BITMAP* pBitmap, const ICON* pIcon, S32 x, S32 y) {
  if (pIcon != nullptr) G_ICON_vPut(pBitmap, pIcon, POINT{x, y});
}

void vPutText(BITMAP* pBitmap, COLOR colour, S32 x, S32 y, const FONT_DEF* pFont, const char* pc) {
  POINT at{x, y};
  G_STRING_vPut(pBitmap, colour, &at, pFont, pc);
}

void vLine(BITMAP* pBitmap, COLOR colour, S32 x1, S32 y1, S32 x2, S32 y2) {
  G_LINE_vDraw(pBitmap, colour, POINT{x1, y1}, POINT{x2, y2});
}

void vFilled(BITMAP* pBitmap, U32 colourIndex, S32 x, S32 y, U32 w, U32 h, U32 radius) {
  G_BOX_vDrawRoundedFilled(pBitmap, Col(colourIndex), POINT{x, y}, w, h, radius);
}

// Eight lines of a triangle, each 2 pixels shorter at both ends than the
// one before and one pixel further in the pointing direction.
void vTabTriangle(BITMAP* pBitmap, S32 x1, S32 x2, S32 y, S32 s32Step) {
  for (S32 i = 0; i < 8; ++i) vLine(pBitmap, Col(COL_LINE), x1 + 2 * i, y + s32Step * i, x2 - 2 * i, y + s32Step * i);
}

// ------------------------------------------------------------ menu kinds
BOOLEAN bIsSubKind(ACTIVE_MENU eKind) {
  return (eKind >= EXPRESS_SUB_MENU && eKind <= MAIN_SUB_MENU_3) || eKind == INFO_SUB_MENU;
}

// Item icons stand before the titles in these menus; sub menus and the
// quick setup menu leave them out.
BOOLEAN bShowsItemIcons(ACTIVE_MENU eKind) {
  switch (eKind) {
    case NO_MENU:
    case EXPRESS_MENU:
    case MAIN_MENU:
    case INFO_MENU:
    case FLOATING_MENU:
    case SINGLE_CENTERED_MENU:
      return TRUE;
    default:
      return FALSE;
  }
}

BOOLEAN bIsSlider(MENU_CONTROL e) {
  return e == M_SLIDER || e == M_SLIDER_VARIABLE_STEP || e == M_SLIDER_IMMEDIATE;
}
BOOLEAN bIsActionList(MENU_CONTROL e) { return e == M_ACTION_LIST || e == M_ACTION_LIST_SHRUNKEN; }
BOOLEAN bIsSubMenu(MENU_CONTROL e) { return e == M_SUB_MENU || e == M_SUB_MENU_HOT; }
BOOLEAN bIsCheck(MENU_CONTROL e) { return e == M_CHECK_LIST || e == M_CHECK_BOX; }

// The key an item is bound to, 0 for none.
FOURCHARID fcidOfItem(const MENU_ITEM* pItem) {
  const CONTROL_PARAMETERS& p = pItem->parameters;
  switch (pItem->control) {
    case M_SLIDER:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE:
      return p.slider.FourCharId;
    case M_PROGRESS_BAR:
      return p.progress.FourCharId;
    case M_NUMERIC_ENTRY:
      return p.numEntry.FourCharId;
    case M_SELECTION_BOX:
      return p.selector.FourCharId;
    case M_SELECTION_BUTTONS:
      return p.button.FourCharId;
    case M_ACTION_LIST:
    case M_ACTION_LIST_SHRUNKEN:
      return p.actionList.FourCharId;
    case M_ANGLE_ADJUST:
      return p.angleadjust.FourCharId;
    default:
      return 0;
  }
}

// End texts of a control, else its limit strings (which may fill their 12
// characters without a terminator).
struct END_TEXTS {
  char acLeft[64];
  char acRight[64];
};

void vEndText(char* pcOut, size_t size, DB_TEXT_RECORD pText, const char (&acLimit)[12]) {
  if (pText != nullptr) {
    snprintf(pcOut, size, "%s", pcText(pText));
  } else {
    snprintf(pcOut, size, "%.*s", (int)strnlen(acLimit, sizeof acLimit), acLimit);
  }
}

template <typename P>
END_TEXTS EndTexts(const P& p) {
  END_TEXTS t;
  vEndText(t.acLeft, sizeof t.acLeft, p.pCtrlTextLeft, p.minString);
  vEndText(t.acRight, sizeof t.acRight, p.pCtrlTextRight, p.maxString);
  return t;
}

// ------------------------------------------------------------ navigation names
enum NAV_SOURCE : S32 { NAV_NONE = 0, NAV_ROUTE, NAV_WAYPOINT, NAV_RECORDED_TRACK };

struct NAV_NAME {
  NAV_SOURCE eSource;
  const ROUTE* pRoute;
  const WAYPOINT* pWaypoint;
  const STERNIX_HEADER* pHeader;
};

// Which copy an action list's key names.
NAV_NAME NavOfKey(FOURCHARID fcid, S32* ps32Slot) {
  NAV_NAME n{NAV_NONE, nullptr, nullptr, nullptr};
  *ps32Slot = -1;
  for (S32 i = 0; i < 5; ++i) {
    const char acKey[5] = {'I', 'R', 'T', (char)('0' + i), 0};
    if (fcid == FCID(acKey)) {
      *ps32Slot = i;
      n.eSource = NAV_ROUTE;
      n.pRoute = &s_CursoredRouteList[i];
      return n;
    }
  }
  if (fcid == FCID("CLWC")) {
    n.eSource = NAV_WAYPOINT;
    n.pWaypoint = &s_LastCreatedWaypoint;
  } else if (fcid == FCID("ICWP")) {
    n.eSource = NAV_WAYPOINT;
    n.pWaypoint = &s_CursorWaypoint;
  } else if (fcid == FCID("ICIT")) {
    n.eSource = NAV_RECORDED_TRACK;
    n.pHeader = &s_CursorSternixHeader;
  } else if (fcid == FCID("CLRT")) {
    n.eSource = NAV_ROUTE;
    n.pRoute = &s_LastSavedRoute;
  }
  return n;
}

// The index or id a key holds, -1 when it holds none.
S32 s32IndexOfKey(FOURCHARID fcid) {
  S32 s32Value = -1;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchS32(fcid, &s32Value, &bValid) || !bValid) return -1;
  return s32Value;
}

// Refreshes the copy an action list's key names (width computation only).
void vRefreshNavCopy(FOURCHARID fcid) {
  S32 s32Slot = -1;
  const NAV_NAME n = NavOfKey(fcid, &s32Slot);
  const S32 s32Index = s32IndexOfKey(fcid);
  switch (n.eSource) {
    case NAV_ROUTE: {
      ROUTE* pCopy = const_cast<ROUTE*>(n.pRoute);
      memset(pCopy, 0, sizeof *pCopy);
      if (s32Index >= 0 && s32Index <= 0xFFFF) T_NAV_vCopyRoute((U16)s32Index, pCopy);
      break;
    }
    case NAV_WAYPOINT: {
      WAYPOINT* pCopy = const_cast<WAYPOINT*>(n.pWaypoint);
      memset(pCopy, 0, sizeof *pCopy);
      if (s32Index >= 0 && s32Index <= 0xFFFF) T_NAV_vCopyWaypoint((U16)s32Index, pCopy);
      break;
    }
    case NAV_RECORDED_TRACK: {
      STERNIX_HEADER* pCopy = const_cast<STERNIX_HEADER*>(n.pHeader);
      memset(pCopy, 0, sizeof *pCopy);
      if (s32Index >= 0) T_NAV_vCopySternixHeader((U32)s32Index, pCopy);
      break;
    }
    case NAV_NONE:
      break;
  }
}

void vRefreshCurrentRoute(void) {
  memset(&s_CurrentTravelingRoute, 0, sizeof s_CurrentTravelingRoute);
  const S32 s32Index = s32IndexOfKey(FCID("CCRT"));
  if (s32Index >= 0 && s32Index <= 0xFFFF) T_NAV_vCopyRoute((U16)s32Index, &s_CurrentTravelingRoute);
}

// A name field that may fill its array without a terminator.
template <size_t N>
void vCopyName(char* pcOut, size_t size, const char (&acName)[N]) {
  snprintf(pcOut, size, "%.*s", (int)strnlen(acName, N), acName);
}

// The title a row shows and the icon before it: the item's title and icon,
// with the name of the navigation item an action row names after it.
struct ROW_LABEL {
  char acTitle[128];       // as shown: title, a space and the name
  char acName[32];         // the navigation item's name, empty for none
  const ICON* pIcon;
  BOOLEAN bUnknownNavKey;  // an action list bound to a key that names no navigation item
};

ROW_LABEL LabelOf(const MENU_ITEM* pItem) {
  ROW_LABEL label;
  label.acName[0] = '\0';
  label.pIcon = pItem->pMenuIcon;
  label.bUnknownNavKey = FALSE;
  const char* pcTitle = pcText(pItem->pMenuTitle);
  if (bIsActionList(pItem->control) && pItem->parameters.actionList.FourCharId != 0) {
    S32 s32Slot = -1;
    const NAV_NAME n = NavOfKey(pItem->parameters.actionList.FourCharId, &s32Slot);
    switch (n.eSource) {
      case NAV_ROUTE:
        vCopyName(label.acName, sizeof label.acName, n.pRoute->acName);
        break;
      case NAV_WAYPOINT: {
        vCopyName(label.acName, sizeof label.acName, n.pWaypoint->acName);
        if (n.pWaypoint->u8Icon == KEELAR_STAYVO_ICON) pcTitle = pcText(Stayvo);
        const ICON* pLarge = n.pWaypoint->u8Icon < NAV_ICONS_LARGE ? NAV_pLargeWaypointIcon(n.pWaypoint->u8Icon) : nullptr;
        if (pLarge != nullptr) label.pIcon = pLarge;
        break;
      }
      case NAV_RECORDED_TRACK:
        vCopyName(label.acName, sizeof label.acName, n.pHeader->acName);
        if (const ICON* pTrack = NAV_pRecordedTrackIcon(); pTrack != nullptr) label.pIcon = pTrack;
        break;
      case NAV_NONE:
        label.bUnknownNavKey = TRUE;
        break;
    }
  } else if (pItem->control == M_ACTION && pItem->priority == CURRENT_ACTIVE_ROUTE) {
    vCopyName(label.acName, sizeof label.acName, s_CurrentTravelingRoute.acName);
  }
  if (label.acName[0] != '\0') {
    snprintf(label.acTitle, sizeof label.acTitle, "%s %s", pcTitle, label.acName);
  } else {
    snprintf(label.acTitle, sizeof label.acTitle, "%s", pcTitle);
  }
  return label;
}

// The value text of an item (it may fill its 32 characters).
struct VALUE_TEXT {
  char ac[33];
};
VALUE_TEXT ValueOf(const MENU_ITEM* pItem) {
  VALUE_TEXT v;
  vCopyName(v.ac, sizeof v.ac, pItem->value_string);
  return v;
}

// Icon shown for a selection box's current choice, null when it has none.
const ICON* pChoiceIcon(const M_SELECTION_BOX_PARAMETERS& s) {
  if (s.pSelectionIcons == nullptr || s.CurSelection >= s.numberSelections) return nullptr;
  return s.pSelectionIcons[s.CurSelection];
}

// Width and half height of the selection box of the selected row; FALSE
// when it has no choices.
BOOLEAN bSelectorSize(const M_SELECTION_BOX_PARAMETERS& s, U32* pu32Width, U32* pu32Half, U32* pu32Height) {
  if (s.numberSelections == 0 || (s.pSelectionList == nullptr && s.pSelectionIcons == nullptr)) return FALSE;
  if (s.pSelectionIcons != nullptr && s.pSelectionList == nullptr) {
    U32 u32Widest = 0, u32Tallest = 0, u32Last = 0;
    for (U32 i = 0; i < s.numberSelections; ++i) {
      u32Widest = std::max(u32Widest, u32IconWidth(s.pSelectionIcons[i]));
      u32Tallest = std::max(u32Tallest, u32IconHeight(s.pSelectionIcons[i]));
      u32Last = u32IconHeight(s.pSelectionIcons[i]);
    }
    *pu32Width = u32Widest + 2;
    *pu32Half = ((u32Last & 1) == 0 && u32Last > 0 ? u32Last - 1 : u32Last) / 2;
    *pu32Height = u32Tallest + 2;
  } else {
    U32 u32Widest = 0;
    for (U32 i = 0; i < s.numberSelections; ++i) u32Widest = std::max(u32Widest, W11(pcText(s.pSelectionList[i])));
    *pu32Width = ((u32Widest + 1) & ~1U) + 4;
    const U32 u32Font = H11();
    *pu32Half = ((u32Font & 1) == 0 && u32Font > 0 ? u32Font - 1 : u32Font) / 2;
    *pu32Height = u32Font;
  }
  return TRUE;
}

// ------------------------------------------------------------ width of one row
void vRowWidths(const MENU_ITEM* pItem, BOOLEAN bSelected, U32* pu32Top, U32* pu32Bottom) {
  const ROW_LABEL label = LabelOf(pItem);
  const VALUE_TEXT value = ValueOf(pItem);
  const char* pcUnits = H_DATABASE_pcUnitsString(pItem->units, (U32)s_nLanguage);
  const U32 u32Units = W16(pcUnits != nullptr ? pcUnits : "");
  U32 T = W16(pcText(pItem->pMenuTitle)) + 10;
  U32 B = 0;
  if (pItem->control == M_ACTION_EXT && pItem->parameters.actionExt.bDispIconOnly) T = 0;
  const CONTROL_PARAMETERS& p = pItem->parameters;
  switch (pItem->control) {
    case M_SLIDER:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE: {
      const END_TEXTS e = EndTexts(p.slider);
      const U32 m = std::max(e.acLeft[0] != '\0' ? W11(e.acLeft) + 4 : 0U, W11(e.acRight));
      B = 2 * m + 160;
      T += m + u32Units + 22;
      if (p.slider.valueStrSuffix != nullptr) T += W16(pcText(p.slider.valueStrSuffix));
      break;
    }
    case M_PROGRESS_BAR: {
      const END_TEXTS e = EndTexts(p.progress);
      B = 2 * std::max(W11(e.acLeft), W11(e.acRight)) + 160;
      T += u32Units + std::max(W16(e.acRight), W16(e.acLeft)) + 22;
      if (p.progress.valueStrSuffix != nullptr) T += W16(pcText(p.progress.valueStrSuffix));
      break;
    }
    case M_NUMERIC_ENTRY: {
      const END_TEXTS e = EndTexts(p.numEntry);
      const U32 m = std::max(W11(e.acLeft) + 4, W11(e.acRight) + 4);
      B = T_MENU_u32FindNumericEntryBoxWidth(&p.numEntry, pItem->dataFormat) + 2 * m + 40;
      T += m + u32Units + 22;
      if (p.numEntry.valueStrSuffix != nullptr) T += W16(pcText(p.numEntry.valueStrSuffix));
      break;
    }
    case M_SELECTION_BOX:
      if (bSelected) {
        U32 u32Width = 0, u32Half = 0, u32Height = 0;
        if (bSelectorSize(p.selector, &u32Width, &u32Half, &u32Height)) {
          s_minSelectorWidth =
              std::min(SELECTOR_MAX_WIDTH, std::max({s_minSelectorWidth, SELECTOR_MIN_WIDTH, u32Width}));
          B = 2 * u32Half + 18 + s_minSelectorWidth;
        } else {
          B = 16;
        }
      } else {
        B = W16(value.ac) + 8;
      }
      break;
    case M_ANGLE_ADJUST:
      T = W16(pcText(pItem->pMenuTitle)) + u32IconWidth(&Radar_hdg_left_icon) + u32IconWidth(&Radar_hdg_right_icon) +
          16;
      B = (p.angleadjust.pChkIcon != nullptr ? u32IconWidth(p.angleadjust.pChkIcon) + 10 : 0) +
          W11(pcText(p.angleadjust.pChkItemName));
      break;
    default:
      if (bIsActionList(pItem->control) && p.actionList.FourCharId != 0 && !label.bUnknownNavKey) {
        T += W16("-") + W16(label.acName) + 10;
      } else {
        T += W16(value.ac);
        // The current route's name follows the title.
        if (label.acName[0] != '\0') T += W16(" ") + W16(label.acName);
      }
      break;
  }
  if (label.pIcon != nullptr && bShowsItemIcons(s_activeMenu)) T += u32IconWidth(label.pIcon) + 6;
  if (bIsCheck(pItem->control)) T += 44;
  *pu32Top = T;
  *pu32Bottom = B;
}

// ------------------------------------------------------------ rows
// A plain row: box, lines, icon, title and value.
void vDrawRow(BITMAP* pBitmap, MENU_ITEM* pItem, POINT a, COLOR titleColour, COLOR valueColour) {
  const U32 w = s_minMenuWidth;
  vFilled(pBitmap, COL_ROW, a.x, a.y, w, MENU_ROW_HEIGHT, 2);
  G_BOX_vDrawRounded(pBitmap, Col(COL_OUTLINE), a, w, MENU_ROW_HEIGHT, 2);
  vLine(pBitmap, Col(COL_LINE), a.x + 2, a.y + 1, a.x + (S32)w - 3, a.y + 1);
  vLine(pBitmap, Col(COL_FRAME), a.x + 2, a.y + 53, a.x + (S32)w - 3, a.y + 53);

  const ROW_LABEL label = LabelOf(pItem);
  S32 x = a.x + 6;
  if (label.pIcon != nullptr && bShowsItemIcons(s_activeMenu)) {
    vPutIcon(pBitmap, label.pIcon, x, a.y + ICON_CENTRE - (S32)u32IconHeight(label.pIcon) / 2);
    x += (S32)u32IconWidth(label.pIcon) + 6;
  }
  const BOOLEAN bIconOnly = pItem->control == M_ACTION_EXT && pItem->parameters.actionExt.bDispIconOnly;
  if (!bIconOnly) vPutText(pBitmap, titleColour, x, a.y + TITLE_BASELINE, Font16(), label.acTitle);

  const VALUE_TEXT value = ValueOf(pItem);
  if (value.ac[0] != '\0') {
    vPutText(pBitmap, valueColour, a.x + (S32)w - (S32)W16(value.ac) - 4, a.y + VALUE_BASELINE, Font16(), value.ac);
  } else if (pItem->control == M_SELECTION_BOX) {
    const ICON* pIcon = pChoiceIcon(pItem->parameters.selector);
    vPutIcon(pBitmap, pIcon, a.x + (S32)w - (S32)u32IconWidth(pIcon) - 4, a.y + 4);
  }
  if (bIsCheck(pItem->control)) {
    const S32 y = a.y + (S32)((MENU_ROW_HEIGHT - u32IconHeight(&selected_radio_button)) >> 1) - 1;
    vPutIcon(pBitmap, &unselected_radio_button, a.x + (S32)w - 35, y);
    if (pItem->unitsValue.u32Val != 0) vPutIcon(pBitmap, &selected_radio_button, a.x + (S32)w - 35, y);
  }
}

// The "No Menus Available" row.
void vDrawNoMenusRow(BITMAP* pBitmap, POINT a) {
  const U32 w = s_minMenuWidth;
  vFilled(pBitmap, COL_ROW, a.x, a.y, w, MENU_ROW_HEIGHT, 2);
  G_BOX_vDrawRounded(pBitmap, Col(COL_OUTLINE), a, w, MENU_ROW_HEIGHT, 2);
  vPutText(pBitmap, Col(COL_TEXT_ACTIVE), a.x + 6, a.y + TITLE_BASELINE, Font16(), pcText(g_MENU_txtNoMenusAvailable));
}

// Keeps the visible window inside the rows: first row 0 to rows - 1, last
// row from the first to at most s32Window - 1 further and the last row.
void vSaneWindow(S32 s32Rows, S32 s32Window, S32* ps32Top, S32* ps32Bottom) {
  if (s32Rows <= 0) {
    *ps32Top = *ps32Bottom = 0;
    return;
  }
  *ps32Top = std::clamp(*ps32Top, 0, s32Rows - 1);
  *ps32Bottom = std::clamp(*ps32Bottom, *ps32Top, std::min(s32Rows - 1, *ps32Top + s32Window - 1));
}

// Draws rows top to bottom (first at y0, each next 54 lower), the selected
// one last; records where the selected row stands.
void vDrawRows(BITMAP* pBitmap, S32 x, S32 y0, S32 s32Top, S32 s32Bottom, BOOLEAN bHighlightSelection,
               COLOR titleColour, COLOR valueColour) {
  s_bActiveItemPlaced = FALSE;
  for (S32 i = s32Top; i <= s32Bottom && i < s_numActiveMenuItems; ++i) {
    MENU_ITEM* pItem = s_activeMenuList[i];
    if (pItem == nullptr) continue;
    const POINT a{x, y0 - MENU_ROW_PITCH * (i - s32Top)};
    if (bHighlightSelection && i == s_activeMenuItemIndex) {
      s_activeItemAnchor = a;
      s_bActiveItemPlaced = TRUE;
      continue;
    }
    COLOR title = titleColour;
    if (bIsSubKind(s_activeMenu) && pItem->priority >= DATA_SOURCE_FIRST && pItem->priority <= DATA_SOURCE_LAST &&
        !GUI_bIsSourceAvailable(fcidOfItem(pItem))) {
      title = Col(COL_UNAVAILABLE);
    }
    vDrawRow(pBitmap, pItem, a, title, valueColour);
  }
  if (s_bActiveItemPlaced) T_MENU_vDrawMenuActiveItem(pBitmap);
}

// A width from x that ends at the page's right edge at the latest (a menu
// 797 wide has a frame 801 wide).
U32 u32OnPage(S32 x, U32 w) { return (U32)std::clamp<S64>((S64)SCREEN_W - x, 0, (S64)w); }

// Two nested frame boxes: colour 64 outside, 67 one pixel in.
void vDrawFrame(BITMAP* pBitmap, S32 x, S32 y, U32 w, U32 h, U32 radius) {
  vFilled(pBitmap, COL_FRAME, x, y, u32OnPage(x, w), h, radius);
  vFilled(pBitmap, COL_OUTLINE, x + 1, y + 1, u32OnPage(x + 1, w - 2), h - 2, radius);
}

// Left edge of a frame w + 4 wide: as asked, but on the page.
S32 s32FrameX(S32 x, U32 w) { return std::max(0, std::min(x, SCREEN_W - (S32)w - 4)); }

// Records the window and selection of the menu at this depth, where the
// table has room for it.
void vRecordRange(S32 s32Depth, S32 s32Top, S32 s32Bottom) {
  if (s32Depth < 0 || s32Depth >= MENU_MAX_DEPTH) return;
  MenuItemRange[s32Depth].s32_BottomMenuItem = s32Bottom;
  MenuItemRange[s32Depth].s32_TopMenuItem = s32Top;
  MenuItemRange[s32Depth].s32_LastActiveMenuIndex = s_activeMenuItemIndex;
}

// Menu width clamped so that a frame 4 wider still fits the page.
U32 u32FitWidth(U32 u32Width) { return u32Width + 2 > (U32)SCREEN_W ? MENU_MAX_WIDTH : u32Width; }

// The small tab with a triangle over or under the row being edited.
void vDrawArrowTab(BITMAP* pBitmap, S32 x, S32 y, BOOLEAN bUp) {
  vFilled(pBitmap, COL_FRAME, x, y, 43, 23, 3);
  vFilled(pBitmap, COL_OUTLINE, x + 1, y + 1, 41, 21, 3);
  vFilled(pBitmap, COL_ROW, x + 2, y + 2, 39, 19, 2);
  if (bUp) {
    vTabTriangle(pBitmap, x + 6, x + 36, y + 8, 1);
  } else {
    vTabTriangle(pBitmap, x + 6, x + 36, y + 15, -1);
  }
}

class MenuLock {
 public:
  MenuLock() { (void)L_MUTEX_LockWait(RES_MENU); }
  ~MenuLock() { (void)L_MUTEX_Unlock(RES_MENU); }
  MenuLock(const MenuLock&) = delete;
  MenuLock& operator=(const MenuLock&) = delete;
};

}  // namespace

// ============================================================ widths
U32 T_MENU_u32MenuWidth(void) { return s_minMenuWidth; }
U32 T_MENU_u32SelectorWidth(void) { return s_minSelectorWidth; }

U32 T_MENU_u32FindNumericEntryBoxWidth(const M_NUMERIC_ENTRY_PARAMETERS* pParameters, DATA_FORMAT eFormat) {
  if (pParameters == nullptr) return 6;
  // Digits of the integer part; a limit of 0 (or a negative one, whose sign
  // the signed class counts apart) still takes one digit.
  auto digits = [](F64 d) -> U32 {
    d = fabs(d);
    if (!(d >= 1.0)) return 1;
    if (d >= 1e15) return 16;
    return (U32)floor(log10(d)) + 1;
  };
  U32 u32Digits;
  switch (eFormat) {
    case DF_FLOAT:
      u32Digits = std::max(digits(pParameters->maxValue.fVal), digits(pParameters->minValue.fVal)) +
                  pParameters->u8precision;
      break;
    case DF_SIGNED32:
    case DF_ENUMERATED:
      u32Digits = std::max(digits(pParameters->maxValue.s32Val), digits(pParameters->minValue.s32Val)) + 1;
      break;
    default:
      u32Digits = std::max(digits(pParameters->maxValue.u32Val), digits(pParameters->minValue.u32Val));
      break;
  }
  char acZeros[32];
  u32Digits = std::min<U32>(u32Digits, sizeof acZeros - 1);
  memset(acZeros, '0', u32Digits);
  acZeros[u32Digits] = '\0';
  return W11(acZeros) + 6;
}

U32 T_MENU_u32FindMinMenuWidths(U32 u32Rows) {
  s_nLanguage = nCurrentLanguage();
  s_minSelectorWidth = 0;
  const U32 u32Have = s_numActiveMenuItems > 0 ? (U32)s_numActiveMenuItems : 0;
  u32Rows = std::min({u32Rows, MAX_WIDTH_ROWS, u32Have});
  U32 u32Width = 0;
  BOOLEAN bAnyRow = FALSE;
  for (U32 i = 0; i < u32Rows; ++i) {
    MENU_ITEM* pItem = s_activeMenuList[i];
    if (pItem == nullptr) continue;
    bAnyRow = TRUE;
    T_MENU_vUpdateDisplayStrings(pItem, FALSE);
    if (bIsActionList(pItem->control) && pItem->parameters.actionList.FourCharId != 0) {
      const FOURCHARID fcid = pItem->parameters.actionList.FourCharId;
      S32 s32Slot = -1;
      if (NavOfKey(fcid, &s32Slot).eSource == NAV_NONE) {
        if (s_fcidReportedUnknown != fcid) {
          s_fcidReportedUnknown = fcid;
          log_me("menu: FCID Not in menu list: key 0x%08X of \"%s\" names no navigation item, shown without a name",
                 (unsigned)fcid, pcText(pItem->pMenuTitle));
        }
      } else {
        vRefreshNavCopy(fcid);
      }
    } else if (pItem->control == M_ACTION && pItem->priority == CURRENT_ACTIVE_ROUTE) {
      vRefreshCurrentRoute();
    }
    U32 T = 0, B = 0;
    vRowWidths(pItem, (S32)i == s_activeMenuItemIndex, &T, &B);
    u32Width = std::max({u32Width, T, B});
  }
  if (!bAnyRow) u32Width = W16(pcText(g_MENU_txtNoMenusAvailable)) + 12;
  s_minMenuWidth = u32FitWidth(u32Width);
  return s_minMenuWidth;
}

// ============================================================ tab bar
void T_MENU_vLayoutTabBar(const BOOLEAN abActive[NUM_TAB_PRIORITIES], S32 s32SelectedSlot, U32 u32SelectedWidth,
                          MENU_TAB_BAR_LAYOUT* pLayout) {
  MENU_TAB_BAR_LAYOUT& l = *pLayout;
  l = MENU_TAB_BAR_LAYOUT{};
  l.s32Selected = -1;
  for (S32 slot = 0; slot < NUM_TAB_PRIORITIES; ++slot) {
    if (!abActive[slot]) continue;
    if (slot == s32SelectedSlot) l.s32Selected = l.s32Tabs;
    l.as32Slot[l.s32Tabs++] = slot;
  }
  if (l.s32Tabs == 0) return;
  const U32 u32Others = (U32)l.s32Tabs - (l.s32Selected >= 0 ? 1 : 0);
  const U32 u32Inner = MENU_TAB_BAR_MAX_WIDTH - 4;
  U32 u32Other = MENU_TAB_WIDTH;
  U32 u32Selected = l.s32Selected >= 0 ? u32SelectedWidth : 0;
  U32 u32Total = MENU_TAB_WIDTH * u32Others + u32Selected + 4;
  if (u32Total > MENU_TAB_BAR_MAX_WIDTH) {
    // The selected tab keeps its width as far as the bar allows; the others
    // share the rest.
    u32Selected = std::min(u32Selected, u32Inner);
    if (u32Others > 0) u32Other = (u32Inner - u32Selected) / u32Others;
    u32Selected = l.s32Selected >= 0 ? u32Inner - u32Other * u32Others : 0;
    u32Total = MENU_TAB_BAR_MAX_WIDTH;
  }
  S32 x = 3;
  for (S32 i = 0; i < l.s32Tabs; ++i) {
    l.as32X[i] = x;
    l.au32Width[i] = i == l.s32Selected ? u32Selected : u32Other;
    x += (S32)l.au32Width[i];
  }
  l.u32TotalWidth = u32Total;
}

namespace {

// Width the selected tab asks: icon, name and margins.
U32 u32SelectedTabWidth(const MENU_TAB& tab) {
  return u32IconWidth(tab.pTabIcon) + W11(pcText(tab.pTabTitle)) + 16;
}

void vDrawTabBar(BITMAP* pBitmap, const MENU_TAB_BAR_LAYOUT& l) {
  const U32 fh = H11();
  const S32 y = 591 - (S32)fh;
  const U32 h = fh + 6;
  const S32 s32Baseline = y + (S32)((h - fh) / 2 + G_FONTS_u32GetDescenderHeight(Font11()));
  for (S32 i = 0; i < l.s32Tabs; ++i) {
    const MENU_TAB& tab = s_mainMenuTabs[l.as32Slot[i]];
    const S32 x = l.as32X[i];
    const U32 w = l.au32Width[i];
    if (w == 0) continue;
    const S32 s32IconY = y + (S32)h / 2 - (S32)u32IconHeight(tab.pTabIcon) / 2;
    if (i == l.s32Selected) {
      vFilled(pBitmap, COL_OUTLINE, x, y, w, h, 3);
      if (w > 2) vFilled(pBitmap, COL_FRAME, x + 1, y + 1, w - 2, h - 2, 2);
      vPutIcon(pBitmap, tab.pTabIcon, x + 6, s32IconY);
      vPutText(pBitmap, Col(COL_TEXT_ACTIVE), x + 6 + (S32)u32IconWidth(tab.pTabIcon) + 4, s32Baseline, Font11(),
               pcText(tab.pTabTitle));
    } else {
      vFilled(pBitmap, COL_ROW, x, y, w, h, 3);
      G_BOX_vDrawRounded(pBitmap, Col(COL_LINE), POINT{x, y}, w, h, 3);
      vPutIcon(pBitmap, tab.pTabIcon, x + ((S32)w - (S32)u32IconWidth(tab.pTabIcon)) / 2, s32IconY);
      vLine(pBitmap, Col(COL_OUTLINE), x + (S32)w - 1, y + 3, x + (S32)w - 1, y + (S32)h - 4);
    }
  }
}

}  // namespace

// ============================================================ pieces
void T_MENU_vDrawMoreDownTab(BITMAP* pBitmap, POINT anchor, U32 u32Width, BOOLEAN bUp, BOOLEAN bDown,
                             BOOLEAN bQuickAccess, BOOLEAN bNetworkSetup) {
  if (pBitmap == nullptr) return;
  S32 x = anchor.x, y = anchor.y;
  if (!bNetworkSetup) {
    if (!bQuickAccess) y -= 8 * MENU_ROW_PITCH;
    x = x + (S32)u32Width - 74;
    y = y - 17;
  }
  vFilled(pBitmap, COL_FRAME, x - 1, y - 1, 77, 19, 3);
  G_PIXEL_vPut(pBitmap, x - 1 + 76, y - 1 + 17, Col(COL_FRAME));
  vFilled(pBitmap, COL_OUTLINE, x - 1, y - 1, 75, 21, 3);
  vFilled(pBitmap, COL_ROW, x + 1, y + 1, 71, 17, 2);
  if (bUp) vTabTriangle(pBitmap, x + 3, x + 33, y + 3, 1);
  if (bDown) vTabTriangle(pBitmap, x + 37, x + 67, y + 10, -1);
}

void T_MENU_vDrawMenuActiveItem(BITMAP* pBitmap) {
  MENU_ITEM* pItem = T_MENU_pSelectedItem();
  if (pBitmap == nullptr || pItem == nullptr) return;
  const POINT a = s_activeItemAnchor;
  const U32 w = s_minMenuWidth;
  const COLOR text = Col(COL_TEXT_ACTIVE);
  vFilled(pBitmap, COL_FRAME, a.x, a.y, w, MENU_ROW_HEIGHT, 2);
  G_BOX_vDrawRounded(pBitmap, Col(COL_OUTLINE), a, w, MENU_ROW_HEIGHT, 2);
  vLine(pBitmap, Col(COL_ROW), a.x + 2, a.y + 1, a.x + (S32)w - 3, a.y + 1);

  const ROW_LABEL label = LabelOf(pItem);
  const MENU_CONTROL eControl = pItem->control;
  const CONTROL_PARAMETERS& p = pItem->parameters;
  // A sub-menu row's icon stands at its right end instead of the arrow.
  const BOOLEAN bIconRight = bIsSubMenu(eControl) && label.pIcon != nullptr;
  S32 x = a.x + 6;
  if (label.pIcon != nullptr && !bIconRight && bShowsItemIcons(s_activeMenu)) {
    vPutIcon(pBitmap, label.pIcon, x, a.y + ICON_CENTRE - (S32)u32IconHeight(label.pIcon) / 2);
    x += (S32)u32IconWidth(label.pIcon) + 6;
  }
  if (eControl == M_ANGLE_ADJUST) {
    vPutIcon(pBitmap, &Radar_hdg_left_icon, x, a.y + ICON_CENTRE - (S32)u32IconHeight(&Radar_hdg_left_icon) / 2 + 8);
    x += (S32)u32IconWidth(&Radar_hdg_left_icon) + 4;
  }
  const BOOLEAN bIconOnly = eControl == M_ACTION_EXT && p.actionExt.bDispIconOnly;
  if (!bIconOnly) {
    vPutText(pBitmap, text, x, a.y + TITLE_BASELINE, Font16(), label.acTitle);
    x += (S32)W16(label.acTitle);
  }
  if (eControl == M_ANGLE_ADJUST) {
    vPutIcon(pBitmap, &Radar_hdg_right_icon, x + 4,
             a.y + ICON_CENTRE - (S32)u32IconHeight(&Radar_hdg_right_icon) / 2 + 8);
  }

  // The value: on the upper line beside a control drawn on the lower one,
  // else on the lower line as in the other rows; a selection box shows its
  // choice in the box itself.
  const VALUE_TEXT value = ValueOf(pItem);
  if (value.ac[0] != '\0' && eControl != M_SELECTION_BOX) {
    const BOOLEAN bUpper = bIsSlider(eControl) || eControl == M_PROGRESS_BAR || eControl == M_NUMERIC_ENTRY;
    vPutText(pBitmap, text, a.x + (S32)w - (S32)W16(value.ac) - 4, a.y + (bUpper ? TITLE_BASELINE : VALUE_BASELINE),
             Font16(), value.ac);
  }

  const S32 s32Centre = a.x + (S32)w / 2;
  switch (eControl) {
    case M_SLIDER:
    case M_SLIDER_VARIABLE_STEP:
    case M_SLIDER_IMMEDIATE:
      U_MENU_vDrawControlSlider(pBitmap, POINT{s32Centre - (S32)SLIDER_WIDTH / 2, a.y + 2}, pItem->unitsValue,
                                &p.slider, pItem->dataFormat, SLIDER_WIDTH, CONTROL_HEIGHT);
      break;
    case M_PROGRESS_BAR:
      U_MENU_vDrawControlProgressBar(pBitmap, POINT{s32Centre - (S32)SLIDER_WIDTH / 2, a.y + 2}, pItem->unitsValue,
                                     &p.progress, pItem->dataFormat, SLIDER_WIDTH, CONTROL_HEIGHT);
      break;
    case M_NUMERIC_ENTRY: {
      const U32 u32Box = T_MENU_u32FindNumericEntryBoxWidth(&p.numEntry, pItem->dataFormat);
      U_MENU_vDrawControlNumericEntry(pBitmap, POINT{s32Centre - (S32)u32Box / 2, a.y + 2}, pItem->unitsValue,
                                      &p.numEntry, pItem->dataFormat, u32Box, CONTROL_HEIGHT);
      break;
    }
    case M_SELECTION_BOX: {
      U32 u32Width = 0, u32Half = 0, u32Height = 0;
      if (!bSelectorSize(p.selector, &u32Width, &u32Half, &u32Height)) break;
      const U32 u32Selector = s_minSelectorWidth != 0 ? s_minSelectorWidth : std::max(u32Width, SELECTOR_MIN_WIDTH);
      U_MENU_vDrawControlSelectionBox(pBitmap, POINT{s32Centre - (S32)u32Selector / 2, a.y + 14 - (S32)u32Height / 2},
                                      p.selector.CurSelection, &p.selector, u32Selector, u32Height, Col(COL_ROW));
      break;
    }
    case M_ACTION:
    case M_ACTION_HOT:
    case M_ACTION_EXT:
      U_MENU_vDrawControlAction(pBitmap, a, 0, w, LIST_CONTROL_HEIGHT);
      break;
    case M_SUB_MENU:
    case M_SUB_MENU_HOT:
      pItem->unitsValue = pItem->value;
      if (bIconRight && !p.submenu.bIsActive) {
        vPutIcon(pBitmap, label.pIcon, a.x + (S32)w - (S32)u32IconWidth(label.pIcon) - 6,
                 a.y + ICON_CENTRE - (S32)u32IconHeight(label.pIcon) / 2);
      } else if (eControl == M_SUB_MENU) {
        U_MENU_vDrawControlSubMenu(pBitmap, a, pItem->unitsValue.u32Val, &p.submenu,
                                   w, LIST_CONTROL_HEIGHT);
      } else {
        U_MENU_vDrawControlSubMenuWithNoArrow(pBitmap, a, pItem->unitsValue.u32Val,
                                              &p.submenu, w, LIST_CONTROL_HEIGHT);
      }
      break;
    case M_ACTION_LIST:
    case M_ACTION_LIST_SHRUNKEN:
      pItem->unitsValue = pItem->value;
      U_MENU_vDrawControlActionList(pBitmap, a, pItem->unitsValue.u32Val,
                                    &p.actionList, w, LIST_CONTROL_HEIGHT);
      break;
    case M_CHECK_LIST:
    case M_CHECK_BOX: {
      if (pItem->unitsValue.u32Val == 0) {
        vPutIcon(pBitmap, &unselected_radio_button, a.x + (S32)w - 35,
                 a.y + (S32)((MENU_ROW_HEIGHT - u32IconHeight(&selected_radio_button)) >> 1) - 1);
      } else if (eControl == M_CHECK_LIST) {
        U_MENU_vDrawControlCheckList(pBitmap, a, pItem->unitsValue.u32Val, w, MENU_ROW_HEIGHT);
      } else {
        U_MENU_vDrawControlCheckBox(pBitmap, a, pItem->unitsValue.u32Val, w, MENU_ROW_HEIGHT);
      }
      break;
    }
    case M_ANGLE_ADJUST: {
      S32 cx = a.x + 6;
      if (p.angleadjust.pChkIcon != nullptr) {
        vPutIcon(pBitmap, p.angleadjust.pChkIcon, cx, a.y + 6);
        cx += (S32)u32IconWidth(p.angleadjust.pChkIcon) + 10;
      }
      vPutText(pBitmap, text, cx, a.y + 6 + (S32)G_FONTS_u32GetDescenderHeight(Font11()), Font11(),
               pcText(p.angleadjust.pChkItemName));
      break;
    }
    default:
      break;
  }
}

// ============================================================ the layers
void T_MENU_vDrawHotMenuLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  MenuLock lock;
  if (s_bMenuHidden || s_activeMenu != EXPRESS_MENU) return;
  s_nLanguage = nCurrentLanguage();
  if (s_activeHotMenu >= MENU_MAX_HOT_MENUS || s_hotMenus[s_activeHotMenu].pFirstItem == nullptr) {
    // Its items are gone: the menu closes.
    T_MENU_vDoRemoveMenus(FALSE);
    return;
  }
  const S32 n = s_numActiveMenuItems;
  if (s_bShowMenuList && s_activeMenuItemIndex == 0) {
    s_TopMenuItem = 0;
    T_MENU_vApplyWindow(&s_TopMenuItem, &s_BottomMenuItem, n, MENU_VISIBLE_ROWS);
  }
  vSaneWindow(n, MENU_VISIBLE_ROWS, &s_TopMenuItem, &s_BottomMenuItem);
  const U32 w = T_MENU_u32FindMinMenuWidths((U32)std::max(n, 0));
  const S32 x = s32FrameX((SCREEN_W - (S32)w) / 2 - 1, w);
  const S32 r = n > 0 ? s_BottomMenuItem - s_TopMenuItem + 1 : 1;
  const S32 fy = LIST_TOP - MENU_ROW_PITCH * r - 2;
  const S32 y0 = fy + MENU_ROW_PITCH * r - 53;  // the first visible row
  if (s_bShowMenuList || n == 0) {
    vDrawFrame(pBitmap, x, fy, w + 4, (U32)(MENU_ROW_PITCH * r + 5), 3);
    if (n == 0) {
      vDrawNoMenusRow(pBitmap, POINT{x + 2, y0});
      return;
    }
    vDrawRows(pBitmap, x + 2, y0, s_TopMenuItem, s_BottomMenuItem, TRUE, Col(COL_TEXT), Col(COL_TEXT));
    const BOOLEAN bUp = s_TopMenuItem > 0;
    const BOOLEAN bDown = s_BottomMenuItem < n - 1;
    if (bUp || bDown) T_MENU_vDrawMoreDownTab(pBitmap, POINT{x + 2, fy + 1}, w, bUp, bDown, TRUE, FALSE);
    return;
  }

  // A value is being changed: only the selected row, where it stands in the
  // list, with tabs that show where other rows lie.
  MENU_ITEM* pItem = T_MENU_pSelectedItem();
  if (pItem == nullptr) return;
  T_MENU_vUpdateDisplayStrings(pItem, FALSE);
  const S32 s32Row = std::clamp(s_activeMenuItemIndex, s_TopMenuItem, s_BottomMenuItem);
  const POINT a{x + 2, y0 - MENU_ROW_PITCH * (s32Row - s_TopMenuItem)};
  vFilled(pBitmap, COL_FRAME, a.x - 2, a.y - 2, w + 4, 59, 3);
  const S32 s32TabX = a.x + (S32)w - 43;
  if (s_activeMenuItemIndex > 0) vDrawArrowTab(pBitmap, s32TabX, a.y + 50, TRUE);
  if (s_activeMenuItemIndex < n - 1) vDrawArrowTab(pBitmap, s32TabX, a.y - 18, FALSE);
  vFilled(pBitmap, COL_OUTLINE, a.x - 1, a.y - 1, w + 2, 57, 3);
  s_activeItemAnchor = a;
  s_bActiveItemPlaced = TRUE;
  T_MENU_vDrawMenuActiveItem(pBitmap);
}

void T_MENU_vDrawMainMenuLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  MenuLock lock;
  if (s_bMenuHidden || s_activeMenu != MAIN_MENU) return;
  s_nLanguage = nCurrentLanguage();
  if (s_bActivatingMainMenu) {
    s_bActivatingMainMenu = FALSE;
    T_MENU_vUpdateActiveMenuList();
  }

  // The tab bar's layout first: the list is at least as wide as the bar.
  BOOLEAN abActive[NUM_TAB_PRIORITIES];
  for (S32 i = 0; i < NUM_TAB_PRIORITIES; ++i) {
    abActive[i] = s_mainMenuTabs[i].bTabActive && s_mainMenuTabs[i].pTabTitle != nullptr;
  }
  const U32 u32SelectedTab = s_activeTab >= 0 && s_activeTab < NUM_TAB_PRIORITIES
                                 ? u32SelectedTabWidth(s_mainMenuTabs[s_activeTab])
                                 : 0;
  MENU_TAB_BAR_LAYOUT bar;
  T_MENU_vLayoutTabBar(abActive, s_activeTab, u32SelectedTab, &bar);

  const S32 n = s_numActiveMenuItems;
  S32 t = s_TopMenuItem, b = s_BottomMenuItem;
  vSaneWindow(n, MENU_VISIBLE_ROWS, &t, &b);
  const U32 u32Computed = T_MENU_u32FindMinMenuWidths((U32)std::max(n, 0));
  s_minMenuWidth = u32FitWidth(std::max(bar.u32TotalWidth + 2, u32Computed));
  const U32 w = s_minMenuWidth;
  const S32 fh = (S32)H11();
  const S32 fy = 537 - fh - MENU_ROW_PITCH * (b - t);
  vDrawFrame(pBitmap, 0, fy, w + 4, (U32)(MENU_ROW_PITCH * (b - t) + 57), 3);
  const POINT first{2, fy + 1 + MENU_ROW_PITCH * (b - t)};
  if (n == 0) {
    vDrawNoMenusRow(pBitmap, first);
  } else {
    vDrawRows(pBitmap, first.x, first.y, t, b, s_bMenuItemActive, Col(COL_TEXT), Col(COL_TEXT));
    G_BOX_vDrawRounded(pBitmap, Col(COL_OUTLINE), POINT{first.x - 1, first.y}, w + 2, MENU_ROW_HEIGHT, 2);
    vRecordRange(0, t, b);
  }
  vDrawTabBar(pBitmap, bar);
  const BOOLEAN bUp = n > 0 && t > 0;
  const BOOLEAN bDown = n > 0 && b < n - 1;
  if (bUp || bDown) T_MENU_vDrawMoreDownTab(pBitmap, first, w, bUp, bDown, FALSE, FALSE);
}

void T_MENU_vDrawSubMenuLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  if (pBitmap == nullptr) return;
  MenuLock lock;
  const ACTIVE_MENU eKind = s_activeMenu;
  if (s_bMenuHidden || eKind < EXPRESS_SUB_MENU || eKind > INFO_SUB_MENU) return;
  s_nLanguage = nCurrentLanguage();

  // Title and first visible row by kind.
  char acTitle[64] = "";
  S32* ps32Top = &s_TopSubMenuItem;
  if (bIsSubKind(eKind)) {
    const S32 s32Depth = s_menuLevel;
    if (s32Depth >= 1 && s32Depth <= MENU_MAX_DEPTH) {
      const S32 s32Slot = s_activeSubMenu[s32Depth - 1];
      if (s32Slot >= 0 && s32Slot < MENU_MAX_SUB_MENUS) {
        snprintf(acTitle, sizeof acTitle, "%s", pcText(s_subMenus[s32Slot].pSubMenuName));
      }
    }
  } else if (eKind == INFO_MENU) {
    ps32Top = &s_TopInfoMenuItem;
    if (s_activeInfoMenu >= 0 && s_activeInfoMenu < MENU_MAX_INFO_MENUS) {
      snprintf(acTitle, sizeof acTitle, "%s", pcText(s_infoMenus[s_activeInfoMenu].pInfoMenuName));
    }
  } else if (eKind == FLOATING_MENU) {
    ps32Top = &s_TopFloatingMenuItem;
    if (s_activeFloatingMenu >= 0 && s_activeFloatingMenu < MENU_MAX_FLOATING_MENUS) {
      const FLOATING_MENU_TYPE& menu = s_floatingMenus[s_activeFloatingMenu];
      if (menu.bDisplayAltName) {
        vCopyName(acTitle, sizeof acTitle, menu.aStrAltName);
      } else {
        snprintf(acTitle, sizeof acTitle, "%s", pcText(menu.pFloatingMenuName));
      }
    }
  } else {
    ps32Top = &s_TopSingleCenteredMenuItem;
    snprintf(acTitle, sizeof acTitle, "%s", pcText(s_singleCenteredMenus[0].pSingleCenteredMenuName));
  }

  const S32 n = s_numActiveMenuItems;
  S32 t = *ps32Top;
  S32 b = s_BottomMenuItem;
  vSaneWindow(n, MENU_VISIBLE_ROWS, &t, &b);
  const U32 u32Computed = T_MENU_u32FindMinMenuWidths((U32)std::max(n, 0));
  s_minMenuWidth = u32FitWidth(std::max(u32Computed, W11(acTitle) + 4));
  const U32 w = s_minMenuWidth;
  S32 x = 0;
  if (eKind == EXPRESS_SUB_MENU) {
    x = 402 - (S32)w / 2;
  } else if (eKind == SINGLE_CENTERED_MENU) {
    x = (SCREEN_W - (S32)w) / 2;
  }
  x = s32FrameX(x, w);

  const S32 fh = (S32)H11();
  S32 s32ListTop = LIST_TOP;  // top row of the list frame
  if (eKind != SINGLE_CENTERED_MENU) {
    const S32 by = 587 - fh;
    vDrawFrame(pBitmap, x, by, w + 4, (U32)fh + 12, 3);
    if (w > 2) vFilled(pBitmap, COL_ROW, x + 3, by + 3, w - 2, (U32)fh + 6, 2);
    vPutText(pBitmap, Col(COL_TEXT_ACTIVE), x + 2 + ((S32)w - (S32)W11(acTitle)) / 2,
             by + 3 + 3 + (S32)G_FONTS_u32GetDescenderHeight(Font11()), Font11(), acTitle);
    if (bIsSubKind(eKind) && pWindowSpec != nullptr && pWindowSpec->currentLayer >= FIRST_NMEA2K_VIEW &&
        pWindowSpec->currentLayer <= LAST_NMEA2K_VIEW) {
      if (const MENU_ITEM* pSel = T_MENU_pSelectedItem()) {
        vPutIcon(pBitmap, pSel->pMenuIcon, x + (S32)w + 8,
                 by + (fh + 12) / 2 - (S32)u32IconHeight(pSel->pMenuIcon) / 2);
      }
    }
    s32ListTop = by - 1;
  }

  const S32 s32Span = n > 0 ? b - t : 0;
  const S32 H = MENU_ROW_PITCH * s32Span + 56;
  const S32 fy = s32ListTop - H + 1;
  vDrawFrame(pBitmap, x, fy, w + 4, (U32)H, 3);
  const POINT first{x + 2, fy + 1 + MENU_ROW_PITCH * s32Span};
  if (n == 0) {
    vDrawNoMenusRow(pBitmap, first);
    return;
  }
  vDrawRows(pBitmap, first.x, first.y, t, b, TRUE, Col(COL_TEXT), Col(COL_TEXT));
  if (bIsSubKind(eKind)) vRecordRange(s_menuLevel, t, b);
  const BOOLEAN bUp = t > 0;
  const BOOLEAN bDown = b < n - 1;
  if (bUp || bDown) T_MENU_vDrawMoreDownTab(pBitmap, first, w, bUp, bDown, FALSE, FALSE);
}

void T_MENU_vDrawConfirmMenuLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  MenuLock lock;
  const MENU_ITEM* pItem = T_MENU_pSelectedItem();
  if (!s_bConfirmActive || pItem == nullptr) return;
  s_nLanguage = nCurrentLanguage();

  char acTitle[160];
  const ROW_LABEL label = LabelOf(pItem);
  if (bIsActionList(pItem->control)) {
    const M_ACTION_LIST_PARAMETERS& l = pItem->parameters.actionList;
    const U32 u32Choice = pItem->value.u32Val;
    const char* pcChoice = l.pActionListChoices != nullptr && u32Choice < l.numberChoices
                               ? pcText(l.pActionListChoices[u32Choice])
                               : "";
    snprintf(acTitle, sizeof acTitle, "%s %s", pcChoice, label.acTitle);
  } else {
    snprintf(acTitle, sizeof acTitle, "%s", label.acTitle);
  }
  const char* pcConfirm = pcText(g_MENU_txtConfirm);
  const char* pcNo = pcText(g_MENU_txtNo);
  const char* pcYes = pcText(g_MENU_txtYes);
  constexpr U32 ARROW = 17;
  const U32 u32Icon = u32IconWidth(&confirm_icon);
  const U32 u32Answers = 2 * (std::max(W16(pcNo), W16(pcYes)) + ARROW + 4) + 2 * 8;
  U32 w = std::max({u32Answers, W16(pcConfirm) + 2 * u32Icon + 28, W16(acTitle) + 16});

  // Centred on the selected row; a box too wide for that takes the whole
  // page width (its frame stays on the page).
  const POINT row = s_activeItemAnchor;
  S32 x;
  if (w < MENU_MAX_WIDTH) {
    x = row.x + ((S32)s_minMenuWidth - (S32)w) / 2;
    x = std::clamp(x, 0, SCREEN_W - (S32)w - 2);
  } else {
    w = (U32)SCREEN_W - 2;
    x = 0;
  }
  constexpr S32 H = 108;
  S32 y = row.y - 27;
  if (row.y < 27) y = 0;
  if (row.y > SCREEN_H - 106) y = SCREEN_H - H;
  y = std::clamp(y, 0, SCREEN_H - H);

  vFilled(pBitmap, COL_FRAME, x, y, w + 2, (U32)H, 3);
  vFilled(pBitmap, COL_OUTLINE, x + 1, y + 1, w, (U32)H - 2, 3);
  vFilled(pBitmap, COL_CONFIRM_FILL, x + 3, y + 3, w - 4, (U32)H - 6, 2);
  const COLOR text = Col(COL_TEXT_ACTIVE);
  const S32 s32Inner = (S32)w + 2;
  vPutText(pBitmap, text, x + (s32Inner - (S32)W16(acTitle)) / 2, y + 80, Font16(), acTitle);
  const S32 s32ConfirmW = (S32)u32Icon + 8 + (S32)W16(pcConfirm);
  const S32 cx = x + (s32Inner - s32ConfirmW) / 2;
  vPutIcon(pBitmap, &confirm_icon, cx, y + 54 - (S32)u32IconHeight(&confirm_icon) / 2);
  vPutText(pBitmap, text, cx + (S32)u32Icon + 8, y + 46, Font16(), pcConfirm);
  vLine(pBitmap, text, x + 8, y + 36, x + (S32)w - 7, y + 36);
  U_MENU_vDrawArrowLeft(pBitmap, POINT{x + 8 + (S32)ARROW / 2, y + 10}, ARROW, text);
  vPutText(pBitmap, text, x + 8 + (S32)ARROW / 2 + 4, y + 12, Font16(), pcNo);
  const S32 s32RightArrow = x + (S32)w - 7 - (S32)ARROW / 2;
  U_MENU_vDrawArrowRight(pBitmap, POINT{s32RightArrow, y + 10}, ARROW, text);
  vPutText(pBitmap, text, s32RightArrow - 4 - (S32)W16(pcYes), y + 12, Font16(), pcYes);
}

void T_MENU_vDrawQuickMenuItems(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  s_nLanguage = nCurrentLanguage();
  const char* pcTitle = pcText(g_MENU_txtQuickSetup);
  const S32 n = s_numActiveMenuItems;
  const U32 u32Computed = T_MENU_u32FindMinMenuWidths((U32)std::max(n, 0));
  s_minMenuWidth = u32FitWidth(std::max(u32Computed, W11(pcTitle)));
  const U32 w = s_minMenuWidth;
  S32 t = s_TopMenuItem, b = s_BottomMenuItem;
  vSaneWindow(n, MENU_QUICK_VISIBLE_ROWS, &t, &b);
  const S32 r = n > 0 ? b - t + 1 : 0;
  S32 H, y;
  if (n <= MENU_QUICK_VISIBLE_ROWS) {
    H = 55 * n + 34;
    y = (705 - H) / 2;
  } else {
    H = 199;
    y = 253;
  }
  const S32 x = s32FrameX((SCREEN_W - (S32)w) / 2 - 1, w);
  const COLOR outline = Col(COL_QUICK_TEXT);
  vFilled(pBitmap, COL_ROW, x, y, u32OnPage(x, w + 4), (U32)H, 3);
  G_BOX_vDrawRounded(pBitmap, outline, POINT{x, y}, u32OnPage(x, w + 4), (U32)H, 3);
  const S32 fh = (S32)H11();
  vPutText(pBitmap, outline, x + ((S32)w + 4 - (S32)W11(pcTitle)) / 2,
           y + H - 34 + (34 - fh) / 2 + (S32)G_FONTS_u32GetDescenderHeight(Font11()), Font11(), pcTitle);
  if (r > 0) {
    vDrawRows(pBitmap, x + 2, y + H - 34 - (S32)MENU_ROW_HEIGHT, t, b, TRUE, outline, outline);
  }

  // The instruction, in at most two lines, in its own box under the menu.
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  const char* pcHelp = pcText(g_MENU_txtQuickSetupInstruction);
  const U16 u16Lines = std::min<U16>(2, U_DIALOG_u16ExtractTextIntoLines(pcHelp, lines, Font11(), 776));
  if (u16Lines == 0) return;
  const S32 s32LineH = fh + 2;
  const S32 bh = s32LineH * u16Lines + 8;
  const S32 bx = (SCREEN_W - 780) / 2;
  const S32 by = std::max(0, y - 4 - bh);
  vFilled(pBitmap, COL_QUICK_BOX, bx, by, 780, (U32)bh, 3);
  G_BOX_vDrawRounded(pBitmap, outline, POINT{bx, by}, 780, (U32)bh, 3);
  for (U16 i = 0; i < u16Lines; ++i) {
    char acLine[U_DIALOG_MAX_DRAWN_CHARS + 1];
    const U32 u32Chars = std::min<U32>(lines[i].u8NumberOfCharsInLine, U_DIALOG_MAX_DRAWN_CHARS);
    memcpy(acLine, lines[i].pcStartOfText, u32Chars);
    acLine[u32Chars] = '\0';
    vPutText(pBitmap, outline, bx + (780 - (S32)lines[i].u16WidthOfLine) / 2,
             by + 4 + (u16Lines - 1 - i) * s32LineH + (S32)G_FONTS_u32GetDescenderHeight(Font11()), Font11(), acLine);
  }
}

void T_MENU_vDrawQuickMenuLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  MenuLock lock;
  if (s_activeMenu != QUICK_SETUP_MENU || s_quickMenu.pFirstItem == nullptr) return;
  T_MENU_vDrawQuickMenuItems(pBitmap);
}
