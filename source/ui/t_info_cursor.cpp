// The companions of the readout row: texts in the info colours, the cursor
// bar along the top edge while a cursor is active, the cursor icon, the
// waypoint indicator bar, the man-overboard panel and the debug boxes. They
// run in the view task during a refresh.
#include <stdio.h>
#include <string.h>

#include "common/language.h"
#include "data/fonts.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/graphics/u_fonts.h"
#include "source/ui/t_info.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_upcalls.h"

namespace {

#define INFO_TEXT(name, text)                                                                                   \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
INFO_TEXT(s_txtDistance, "Distance");
INFO_TEXT(s_txtDepth, "Depth");
INFO_TEXT(s_txtCursor, "Cursor");
INFO_TEXT(s_txtBrg, "BRG");
INFO_TEXT(s_txtBearing, "Bearing");
INFO_TEXT(s_txtMob, "MOB");
#undef INFO_TEXT

COLOR col(U32 index) { return gCOLOR_pcolColorTable[index]; }

const char* pcText(DB_TEXT_RECORD pText, U32 language) {
  if (pText == nullptr) return nullptr;
  if (language < (U32)NUMBER_OF_LANGUAGES && pText[language] != nullptr) return pText[language];
  return pText[0];
}

void vPut(BITMAP* pBitmap, COLOR colour, S32 x, S32 y, const FONT_DEF* pFont, const char* pcString) {
  if (pBitmap == nullptr || pFont == nullptr || pcString == nullptr || *pcString == '\0') return;
  if (x < 0) x += pBitmap->pixels_wide;
  if (y < 0) y += pBitmap->pixels_high;
  POINT anchor{x, y};
  G_STRING_vPut(pBitmap, colour, &anchor, pFont, pcString);
}

bool bKeyHolds(FOURCHARID key) {
  DB_DATA_TYPE data;
  return H_DATABASE_bFetch(key, &data) != FALSE;
}

S32 s32CurrentView(void) {
  S32 view = NO_VIEW_PRIORITY;
  (void)H_DATABASE_bFetchS32(FCID("CVEW"), &view);
  return view;
}

// One labelled value of the cursor bar: the digits box with its label at the
// lower right.
void vCursorColumn(BITMAP* pBitmap, S32 x, S32 y, S32 w, S32 h, FOURCHARID key, DB_TEXT_RECORD pLabel,
                   U32 language) {
  (void)T_INFO_nDrawDigitsInfoBox(pBitmap, w, h, x, y, key, &f18x32_font_def, &tessix_11x14_font_def,
                                  &f18x32_font_def, DONT_FORCE, IBS_NONE, JUSTIFY_LEFT, language);
  T_INFO_vDrawTextRight(pBitmap, x + w - 3, y + 4, pLabel, &tessix_11x14_font_def, language);
}

// A half-height row of the chart cursor bar: the label at the left, value
// and units on the bottom edge ending at the right.
void vCursorHalf(BITMAP* pBitmap, S32 x, S32 y, S32 w, S32 h, FOURCHARID key, DB_TEXT_RECORD pLabel,
                 U32 language) {
  if (pLabel != nullptr) T_INFO_vDrawInfoTitleText(pBitmap, x + 4, y + 4, pLabel, &tessix_11x14_font_def, language);
  (void)T_INFO_nDrawDigitsInfoBox(pBitmap, w - 4, h, x, y + 2, key, &tessix_16x17_font_def, &tessix_11x14_font_def,
                                  &tessix_16x17_font_def, LARGE_TENTHS, IBS_NONE, CHARTPLOTTER_JUSTIFY_RIGHT,
                                  language);
}

}  // namespace

// ------------------------------------------------------------ texts
void T_INFO_vDrawText(BITMAP* pBitmap, S32 x, S32 y, DB_TEXT_RECORD pText, const FONT_DEF* pFont, U32 language) {
  const U32 colour = T_RADAR_bIsMyRadarInfoView() ? INFO_COLOR_ALWAYS_BLACK : INFO_COLOR_TEXT;
  vPut(pBitmap, col(colour), x, y, pFont, pcText(pText, language));
}

void T_INFO_vDrawInfoTitleText(BITMAP* pBitmap, S32 x, S32 y, DB_TEXT_RECORD pText, const FONT_DEF* pFont,
                               U32 language) {
  const U32 colour = T_RADAR_bIsMyRadarInfoView() ? INFO_COLOR_ALWAYS_WHITE : INFO_COLOR_TEXT;
  vPut(pBitmap, col(colour), x, y, pFont, pcText(pText, language));
}

void T_INFO_vDrawTextRight(BITMAP* pBitmap, S32 x, S32 y, DB_TEXT_RECORD pText, const FONT_DEF* pFont,
                           U32 language) {
  const char* pcString = pcText(pText, language);
  if (pBitmap == nullptr || pFont == nullptr || pcString == nullptr) return;
  if (x < 0) x += pBitmap->pixels_wide;
  if (y < 0) y += pBitmap->pixels_high;
  S32 start = x - (S32)G_STRING_u32GetWidth(pFont, pcString) + 1;
  if (start < 0) start = 0;
  vPut(pBitmap, col(INFO_COLOR_TEXT), start, y, pFont, pcString);
}

// ------------------------------------------------------------ cursor
void T_INFO_vDrawCursor(BITMAP* pBitmap, U32 language, BOOLEAN bWaypointCursor) {
  (void)language;
  S32 x = 0, y = 0;
  if (pBitmap == nullptr || !H_DATABASE_bFetchS32(FCID("ICPX"), &x) || !H_DATABASE_bFetchS32(FCID("ICPY"), &y)) {
    return;
  }
  T_INFO_vDrawCursorIcon(pBitmap, POINT{x, y}, bWaypointCursor ? INFO_CURSOR_WAYPOINT : INFO_CURSOR_PLAIN);
}

void T_INFO_vDrawInfoLayer_ActiveCursor(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec, POINT anchor) {
  if (pBitmap == nullptr || !T_INFO_bFCIDNonZero(FCID("ICAC"))) return;
  const U32 language = (U32)nCurrentLanguage();
  const LAYER_ID view = pWindowSpec != nullptr ? pWindowSpec->currentLayer : (LAYER_ID)s32CurrentView();
  const SPLIT_WINDOW_TYPE side = pWindowSpec != nullptr ? pWindowSpec->drawWindowType : SPLIT_FULL_WINDOW;
  if (anchor.x < 0) anchor.x += pBitmap->pixels_wide;
  if (anchor.y < 0) anchor.y += pBitmap->pixels_high;
  S32 width = pBitmap->pixels_wide - anchor.x;
  if (width > G_SCREEN_WIDTH) width = G_SCREEN_WIDTH;
  if (width < 4 * INFO_ICON_SIZE) return;
  const COLOR rule = col(INFO_COLOR_TEXT);
  const COLOR separator = col(INFO_COLOR_LIGHT);
  // The rule along the bar's lower edge, facing the view; the boxes above.
  const S32 x0 = anchor.x;
  const S32 yBox = anchor.y + 3;
  const S32 hBox = INFO_CURSOR_BAR_HEIGHT - 3;
  if (T_N_HISTORY_bIsMyCursorView(view, side)) {
    BOOLEAN bLevel = FALSE;
    const bool bAlpha = H_DATABASE_bFetchBoolean(FCID("ICLV"), &bLevel) && bLevel;
    T_INFO_vDrawInfoBar(pBitmap, width, INFO_CURSOR_BAR_HEIGHT, x0, anchor.y,
                        bAlpha ? IBS_SEMITRANSPARENT_WHITE_BAR : IBS_WHITE_BAR);
    G_BOX_vDrawFilled(pBitmap, rule, anchor, (U32)width, 3);
    const S32 column = (width - 20 - INFO_ICON_SIZE) / 4;
    S32 s32Zoom = 0;
    const bool bZoom = T_N_HISTORY_bDrawDiZoomWindow(pBitmap, pWindowSpec, &s32Zoom, nullptr) != FALSE;
    const FOURCHARID keys[3] = {FCID("ICBD"), FCID("ICDP"), FCID("ICCD")};
    const DB_TEXT_RECORD labels[3] = {s_txtDistance, s_txtDepth, s_txtCursor};
    for (int i = 0; i < 4; ++i) {
      const S32 x = x0 + 2 + i * column;
      if (i > 0) G_BOX_vDrawFilled(pBitmap, separator, POINT{x - 2, yBox}, 2, (U32)hBox);
      if (i < 3) {
        vCursorColumn(pBitmap, x, yBox, column - 2, hBox, keys[i], labels[i], language);
      } else if (bZoom) {
        char acZoom[24];
        snprintf(acZoom, sizeof acZoom, "Zoom %dx", (int)s32Zoom);
        // The zoom stands on the units' line, left of the units.
        vPut(pBitmap, col(INFO_COLOR_TEXT),
             x + column - 36 - (S32)G_STRING_u32GetWidth(&tessix_11x14_font_def, acZoom),
             yBox + hBox - 2 - (S32)G_FONTS_u32GetCoreHeight(&tessix_11x14_font_def) - 2, &tessix_11x14_font_def,
             acZoom);
        vCursorColumn(pBitmap, x, yBox, column - 2, hBox, FCID("ICBH"), s_txtBrg, language);
      }
    }
    T_INFO_vDrawCursorIcon(pBitmap, POINT{x0 + width - 10 - INFO_ICON_SIZE / 2, yBox + hBox / 2}, INFO_CURSOR_PLAIN);
    return;
  }
  const bool bRadar = T_RADAR_bIsMyRadarView(view, side) != FALSE;
  if (!bRadar && !T_NAV_bIsMyChartCursorView(view, side)) return;
  T_INFO_vDrawInfoBar(pBitmap, width, INFO_CURSOR_BAR_HEIGHT, x0, anchor.y,
                      bRadar ? IBS_ALWAYS_BLACK_BAR : IBS_SEMITRANSPARENT_WHITE_BAR);
  G_BOX_vDrawFilled(pBitmap, bRadar ? col(INFO_COLOR_ALWAYS_WHITE) : rule, anchor, (U32)width, 3);
  const S32 half = hBox / 2;
  const S32 column = (width - 20 - INFO_ICON_SIZE) / 2;
  vCursorHalf(pBitmap, x0 + 2, yBox + half, column - 2, half, FCID("ICBH"), s_txtBearing, language);
  vCursorHalf(pBitmap, x0 + 2, yBox, column - 2, half, FCID("ICBD"), s_txtDistance, language);
  G_BOX_vDrawFilled(pBitmap, bRadar ? col(INFO_COLOR_RADAR_TICK) : separator, POINT{x0 + column, yBox}, 2,
                    (U32)hBox);
  if (bKeyHolds(FCID("SIPF"))) {
    vCursorHalf(pBitmap, x0 + column + 2, yBox + half, column - 2, half, FCID("ICTD"), nullptr, language);
    vCursorHalf(pBitmap, x0 + column + 2, yBox, column - 2, half, FCID("ICND"), nullptr, language);
  }
  S32 x = 0, y = 0;
  if (!H_DATABASE_bFetchS32(FCID("ICPX"), &x) || !H_DATABASE_bFetchS32(FCID("ICPY"), &y)) return;
  U32 u32Item = 0xFFFF;
  const bool bWaypoint = H_DATABASE_bFetchU32(FCID("ICIT"), &u32Item) && u32Item != 0xFFFF;
  T_INFO_vDrawCursorIcon(pBitmap, POINT{x, y},
                         bRadar ? INFO_CURSOR_RADAR : (bWaypoint ? INFO_CURSOR_WAYPOINT : INFO_CURSOR_PLAIN));
}

// ------------------------------------------------------------ waypoint bar and man overboard
void T_INFO_vDrawInfoLayer_WaypointIndicatorBar(BITMAP* pBitmap, POINT anchor) {
  if (pBitmap == nullptr || T_RADAR_bIsMyRadarInfoView()) return;
  const S32 view = s32CurrentView();
  if (view == SATWX_VIEW_PRIORITY || view == CHART_PLUS_SATWX_VIEW_PRIORITY) anchor.y += 26;
  const U32 language = (U32)nCurrentLanguage();
  char acName[INFO_STRING_SIZE] = "";
  bool bWaypointIcon = false;
  U8 u8Icon = 0;
  S32 s32Kind = KEELAR_ITEM_NONE;
  bool bKeelar = false;
  if (T_INFO_bFCIDNonZero(FCID("INIP"))) {
    U32 u32Index = 0;
    if (H_DATABASE_bFetchU32(FCID("IDWP"), &u32Index)) {
      T_NAV_vCopyWaypointName((U16)u32Index, acName);
      u8Icon = T_NAV_u8GetWaypointIcon((U16)u32Index);
    }
    bWaypointIcon = true;
  } else if (T_KEELAR_bIsStayvoActive()) {
    T_KEELAR_vGetStayvoWaypointName(acName);
    bWaypointIcon = true;
  } else {
    BOOLEAN b = FALSE;
    if (!H_DATABASE_bFetchBoolean(FCID("IPNO"), &b) || !b) return;
    T_KEELAR_vGetActiveStr(acName);
    s32Kind = T_KEELAR_eActiveItemKind();
    bKeelar = true;
  }
  acName[12] = '\0';
  const FONT_DEF* pFont = std_16x17_font_def_ptr.load();
  const S32 h = INFO_ICON_SIZE + 8;
  S32 w = 3 + 4 + INFO_ICON_SIZE + 6 + (S32)G_STRING_u32GetWidth(pFont, acName) + 8 + 3;
  if (bKeelar) w += INFO_ICON_SIZE + 4;
  const COLOR rule = col(INFO_COLOR_TEXT);
  T_INFO_vDrawInfoBar(pBitmap, w, h, anchor.x, anchor.y, IBS_SEMITRANSPARENT_WHITE_BAR);
  G_BOX_vDrawFilled(pBitmap, rule, anchor, (U32)w, 3);
  G_BOX_vDrawFilled(pBitmap, rule, POINT{anchor.x, anchor.y + h - 3}, (U32)w, 3);
  G_BOX_vDrawFilled(pBitmap, rule, anchor, 3, (U32)h);
  G_BOX_vDrawFilled(pBitmap, rule, POINT{anchor.x + w - 3, anchor.y}, 3, (U32)h);
  S32 x = anchor.x + 7;
  const POINT iconAt{x, anchor.y + 4};
  if (bKeelar) {
    T_INFO_vDrawNavigationIcon(pBitmap, iconAt, T_KEELAR_bIsNavigationPaused());
    x += INFO_ICON_SIZE + 4;
    T_INFO_vDrawKeelarItemIcon(pBitmap, POINT{x, anchor.y + 4}, s32Kind);
  } else if (bWaypointIcon) {
    T_INFO_vDrawWaypointIcon(pBitmap, iconAt, u8Icon);
  }
  x += INFO_ICON_SIZE + 6;
  vPut(pBitmap, rule, x, anchor.y + (h - (S32)G_FONTS_u32GetCoreHeight(pFont)) / 2, pFont, acName);
  (void)language;
}

void T_INFO_vDrawInfoLayer_ManOverboard(BITMAP* pBitmap, POINT anchor, U32 language) {
  if (pBitmap == nullptr) return;
  constexpr S32 W = 320, H = 51;
  const COLOR rule = col(INFO_COLOR_TEXT);
  T_INFO_vDrawInfoBar(pBitmap, W, H, anchor.x, anchor.y, IBS_SEMITRANSPARENT_WHITE_BAR);
  G_BOX_vDrawFilled(pBitmap, rule, anchor, W, 3);
  G_BOX_vDrawFilled(pBitmap, rule, POINT{anchor.x, anchor.y + H - 3}, W, 3);
  G_BOX_vDrawFilled(pBitmap, rule, anchor, 3, H);
  G_BOX_vDrawFilled(pBitmap, rule, POINT{anchor.x + W - 3, anchor.y}, 3, H);
  const FONT_DEF* pFont = std_16x17_font_def_ptr.load();
  T_INFO_vDrawText(pBitmap, anchor.x + 8, anchor.y + 17, s_txtMob, pFont, language);
  // The man-overboard position: latitude above longitude.
  const S32 x = anchor.x + 8 + (S32)G_STRING_u32GetWidth(pFont, "MOB") + 10;
  const S32 w = W - 3 - (x - anchor.x) - 2;
  (void)T_INFO_nDrawDigitsInfoBox(pBitmap, w, 22, x, anchor.y + 25, FCID("MOBY"), pFont, &tessix_11x14_font_def,
                                  pFont, LARGE_TENTHS, IBS_NONE, CHARTPLOTTER_JUSTIFY_RIGHT, language);
  (void)T_INFO_nDrawDigitsInfoBox(pBitmap, w, 22, x, anchor.y + 4, FCID("MOBX"), pFont, &tessix_11x14_font_def,
                                  pFont, LARGE_TENTHS, IBS_NONE, CHARTPLOTTER_JUSTIFY_RIGHT, language);
}

// ------------------------------------------------------------ debug boxes
void T_INFO_vDrawInfoLayer_Debug(BITMAP* pBitmap, INFO_JUSTIFICATION eJustification, U32 language) {
  if (pBitmap == nullptr) return;
  const FOURCHARID keys[6] = {FCID("DDB1"), FCID("DDB2"), FCID("DDB3"), FCID("DDB4"), FCID("DDB5"), FCID("DDB6")};
  for (int i = 0; i < 6; ++i) {
    const S32 y = -24 * (i + 1);
    const S32 w = T_INFO_nMeasureInfoBox(20, keys[i], &tessix_11x14_font_def, &tessix_11x14_font_def, IBS_WHITE_BAR,
                                         language);
    if (w == 0) continue;
    // Right-justified boxes stand against the right edge.
    const bool bRight = eJustification == JUSTIFY_RIGHT || eJustification == INSTRUMENTATION_JUSTIFY_RIGHT ||
                        eJustification == CHARTPLOTTER_JUSTIFY_RIGHT;
    (void)T_INFO_nDrawInfoBox(pBitmap, 20, 24, bRight ? -w : 0, y, keys[i], &tessix_11x14_font_def,
                              &tessix_11x14_font_def, IBS_WHITE_BAR, eJustification, language);
  }
}
