// The info layers: the row of five readout boxes along the bottom edge of
// the sonar, chart and bird's-eye views, and the heights the row takes at
// the bottom of a view's windows. Draw callbacks run in the view task.
#include "common/language.h"
#include "data/fonts.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/ui/t_info.h"
#include "source/ui/ui_upcalls.h"

const FOURCHARID fcidSelectionNavigation[5] = {FCID("SC50"), FCID("SC51"), FCID("SC52"), FCID("SC53"), FCID("SC54")};
const FOURCHARID fcidSelectionSonar[5] = {FCID("SC55"), FCID("SC56"), FCID("SC57"), FCID("SC58"), FCID("SC59")};
const FOURCHARID fcidSelectionTrackChart[5] = {FCID("SC55"), FCID("SC56"), FCID("SC57"), FCID("SC58"), FCID("SC59")};

namespace {

bool bNavigating(void) { return T_INFO_bFCIDNonZero(FCID("INIP")) != FALSE; }

bool bAutopilotNavigates(void) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("IPNO"), &b) && b;
}

// The live key a slot shows through a D_FCID source, 0 for none; the draw
// function of a D_POINTER source.
FOURCHARID fcidLiveKey(FOURCHARID fcidSlot, INFO_DRAW_FUNCTION** ppDraw) {
  *ppDraw = nullptr;
  U32 source = 0;
  DB_ATTRIBUTES slotAttributes{};
  if (!H_DATABASE_bFetchU32(fcidSlot, &source, nullptr, &slotAttributes) || source == 0) return 0;
  if (slotAttributes.DataType != D_FCID) return 0;
  DB_DATA_TYPE data;
  DB_ATTRIBUTES attributes{};
  if (!H_DATABASE_bFetch((FOURCHARID)source, &data, nullptr, &attributes)) return 0;
  if (attributes.DataType == D_POINTER) {
    *ppDraw = reinterpret_cast<INFO_DRAW_FUNCTION*>(data.vpPointer);
    return 0;
  }
  if (attributes.DataType != D_FCID) return 0;
  DB_DATA_TYPE live;
  if (!H_DATABASE_bFetch((FOURCHARID)data.u32Val, &live)) return 0;
  return (FOURCHARID)data.u32Val;
}

bool bTenthsKey(FOURCHARID key) {
  for (FOURCHARID k : {FCID("ISOG"), FCID("ISPD"), FCID("ITMP"), FCID("ITMT"), FCID("ISTW"), FCID("IVLT"),
                       FCID("ITMS"), FCID("IRTP"), FCID("IRTS"), FCID("IDEP"), FCID("IVMG")}) {
    if (key == k) return true;
  }
  return false;
}

// The split key of a split view, 0 for none.
FOURCHARID fcidSplitKey(S32 view) {
  switch (view) {
    case 25: return FCID("SZCB");
    case 26: return FCID("SZCC");
    case 32: return FCID("SZI2");
    case 35: return FCID("SZCO");
    case 36: return FCID("SZCS");
    case 37: return FCID("SZCD");
    case 38: return FCID("SZCT");
    case 41: return FCID("SZD2");
    case 52: return FCID("SZS2");
    case 66: return FCID("SZRC");
    default: return 0;
  }
}

// The x of the split line of a split view.
S32 s32SplitLine(S32 view) {
  U32 percent = 50;
  const FOURCHARID key = fcidSplitKey(view);
  if (key != 0) (void)H_DATABASE_bFetchU32(key, &percent);
  if (percent > 100) percent = 100;
  S32 x = (S32)percent * G_SCREEN_WIDTH / 100 - 2;
  return x < 0 ? 0 : x;
}

// The column under the split line of a split view (0 to 4).
int nSplitColumn(S32 view) {
  const S32 x = s32SplitLine(view);
  int column = x / INFO_COLUMN_WIDTH;
  return column > 4 ? 4 : column;
}

bool bFullSonarView(S32 view) {
  for (S32 v : {0, 23, 46, 48, 50, 51, 65, 66, 105, 106}) {
    if (view == v) return true;
  }
  return false;
}

S32 s32CurrentView(void) {
  S32 view = NO_VIEW_PRIORITY;
  (void)H_DATABASE_bFetchS32(FCID("CVEW"), &view);
  return view;
}

}  // namespace

BOOLEAN T_INFO_bSlotShown(FOURCHARID fcidSlot) {
  INFO_DRAW_FUNCTION* pDraw = nullptr;
  return (fcidLiveKey(fcidSlot, &pDraw) != 0 || pDraw != nullptr) ? TRUE : FALSE;
}

const FOURCHARID* T_INFO_pSonarSlotSet(void) {
  return (bNavigating() || bAutopilotNavigates()) ? fcidSelectionNavigation : fcidSelectionSonar;
}

void T_INFO_vDrawInfoLayer_Instrumentation_Common(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec,
                                                  const FOURCHARID* pfcidSlots, int nBoxes) {
  if (pBitmap == nullptr || pfcidSlots == nullptr) return;
  const bool bRadar = T_RADAR_bIsMyRadarInfoView() != FALSE;
  const COLOR background = gCOLOR_pcolColorTable[bRadar ? INFO_COLOR_ALWAYS_BLACK : INFO_COLOR_BACKGROUND];
  const COLOR rule = gCOLOR_pcolColorTable[bRadar ? INFO_COLOR_ALWAYS_WHITE : INFO_COLOR_TEXT];
  const COLOR separator = gCOLOR_pcolColorTable[bRadar ? INFO_COLOR_RADAR_TICK : INFO_COLOR_LIGHT];
  const U32 language = (U32)nCurrentLanguage();
  const S32 view = pWindowSpec != nullptr ? (S32)pWindowSpec->currentLayer : s32CurrentView();
  const bool bNavigation = bNavigating() || bAutopilotNavigates() || T_KEELAR_bIsStayvoActive();
  const bool bMob = T_NAV_bIsMOBInProgress() != FALSE;
  if (nBoxes > 5) nBoxes = 5;
  if (nBoxes < 0) nBoxes = 0;
  // The band of the row under the bird's-eye picture, up to the split line.
  if (view == BIRDS_EYE_VIEW_PRIORITY || view == CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY ||
      view == CHART_PLUS_BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY) {
    S32 right = G_SCREEN_WIDTH - 1;
    if (view != BIRDS_EYE_VIEW_PRIORITY) right = s32SplitLine(view);
    S32 height = 0;
    if (view == CHART_PLUS_BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY) {
      height = bNavigating() ? 2 * INFO_ROW_HEIGHT : INFO_ROW_HEIGHT;
    } else {
      height = (S32)T_INFO_u32SonarYOrigin(pWindowSpec != nullptr ? pWindowSpec->drawWindowType : SPLIT_FULL_WINDOW);
    }
    if (height > 0 && right >= 0) G_BOX_vDrawFilled(pBitmap, background, POINT{0, 0}, (U32)(right + 1), (U32)height);
  }
  bool abShown[5] = {};
  for (int column = 0; column < nBoxes; ++column) {
    const S32 x = INFO_COLUMN_WIDTH * column;
    INFO_DRAW_FUNCTION* pDraw = nullptr;
    const FOURCHARID live = fcidLiveKey(pfcidSlots[column], &pDraw);
    if (pDraw != nullptr) {
      pDraw(pBitmap, POINT{x, 0}, 0, language);
      abShown[column] = true;
    } else if (live != 0) {
      const FONT_DEF* pTenths = bTenthsKey(live) ? &f18x32_font_def : &f34x62_font_def;
      abShown[column] =
          T_INFO_nDrawDigitsInfoBox(pBitmap, INFO_BOX_WIDTH, INFO_BOX_HEIGHT, x, 0, live, &f34x62_font_def,
                                    &tessix_16x17_font_def, pTenths, DONT_FORCE,
                                    bRadar ? IBS_ALWAYS_BLACK_BAR : IBS_SEMITRANSPARENT_WHITE_BAR,
                                    INSTRUMENTATION_JUSTIFY_RIGHT, language) != 0;
    }
    if (abShown[column]) {
      // The rule on top of the box and its background line.
      G_BOX_vDrawFilled(pBitmap, rule, POINT{x, INFO_BOX_HEIGHT}, INFO_COLUMN_WIDTH, 3);
      G_BOX_vDrawFilled(pBitmap, background, POINT{x, INFO_BOX_HEIGHT + 3}, INFO_COLUMN_WIDTH, 1);
    }
  }
  // Vertical rules between columns where a neighbour is shown; beside the
  // man-overboard panel they reach up to it.
  const U32 ruleHeight = bMob && bNavigation ? INFO_ROW_HEIGHT + 2 : INFO_ROW_HEIGHT - 1;
  for (int column = 1; column < nBoxes; ++column) {
    if (!abShown[column - 1] && !abShown[column]) continue;
    const S32 x = INFO_COLUMN_WIDTH * column - 2;
    G_BOX_vDrawFilled(pBitmap, background, POINT{x - 1, 0}, 1, ruleHeight);
    G_BOX_vDrawFilled(pBitmap, separator, POINT{x, 0}, 3, ruleHeight);
    G_BOX_vDrawFilled(pBitmap, background, POINT{x + 3, 0}, 1, ruleHeight);
  }
  // The outer edges of the first and last columns: 1 and 2 pixels of the
  // background, as transparent as the boxes.
  const U8 alpha = T_INFO_u8Alpha();
  if (nBoxes == 5 && !bRadar) {
    if (abShown[0]) G_BOX_vDrawFilledAlpha(pBitmap, background, POINT{0, 0}, 1, INFO_BOX_HEIGHT, alpha);
    if (abShown[4]) {
      G_BOX_vDrawFilledAlpha(pBitmap, background, POINT{G_SCREEN_WIDTH - 2, 0}, 2, INFO_BOX_HEIGHT, alpha);
    }
  }
  // The cursor bar along the top edge.
  T_INFO_vDrawInfoLayer_ActiveCursor(pBitmap, pWindowSpec, POINT{0, G_SCREEN_HEIGHT - INFO_CURSOR_BAR_HEIGHT});
  // The companions above the row.
  S32 y = 0;
  if (view == CHART_INSTRUMENT_VIEW_PRIORITY || view == CHART_PLUS_BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY) {
    y = 2 * INFO_ROW_HEIGHT - 2;
  } else if (bMob) {
    for (int column = 0; column < nBoxes; ++column) {
      if (abShown[column]) y = INFO_ROW_HEIGHT + 2;
    }
  } else if (abShown[0] || (nBoxes > 1 && abShown[1])) {
    y = INFO_ROW_HEIGHT - 1;
  }
  const POINT at{3, y};
  if (bNavigation) {
    if (T_RADAR_bIsMyRadarInfoView()) T_RADAR_vDrawReadoutInfoBox(pBitmap, at);
    if (bMob) {
      T_INFO_vDrawInfoLayer_ManOverboard(pBitmap, at, language);
      T_INFO_vDrawManOverboardIcon(pBitmap, POINT{at.x + 320 + 4, at.y + 10});
    } else {
      T_INFO_vDrawInfoLayer_WaypointIndicatorBar(pBitmap, at);
    }
    return;
  }
  BOOLEAN bSteers = FALSE, bThrust = FALSE;
  U32 mode = 0, thrust = 0;
  if (H_DATABASE_bFetchBoolean(FCID("IPUF"), &bSteers) && bSteers && H_DATABASE_bFetchU32(FCID("IPMD"), &mode) &&
      mode != 4 && H_DATABASE_bFetchBoolean(FCID("IPRP"), &bThrust) && bThrust &&
      H_DATABASE_bFetchU32(FCID("IPPT"), &thrust) && thrust != 0) {
    BOOLEAN bLegacy = FALSE;
    (void)H_DATABASE_bFetchBoolean(FCID("SATO"), &bLegacy);
    T_INFO_vDrawAutopilotIcon(pBitmap, at, bLegacy);
  }
}

void T_INFO_vDrawInfoLayer_Instrumentation_SonarView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  if (pWindowSpec == nullptr) return;
  // The row over its own band below the sonar content has nothing beneath
  // it to show through: alpha 0, an opaque background.
  const U32 yOrigin = T_INFO_u32SonarYOrigin(pWindowSpec->drawWindowType);
  T_INFO_vSetAlpha(yOrigin == (U32)INFO_ROW_HEIGHT ? 0 : pWindowSpec->u32User);
  T_INFO_vDrawInfoLayer_Instrumentation_Common(pBitmap, pWindowSpec, T_INFO_pSonarSlotSet(), 5);
}

void T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  if (pWindowSpec == nullptr) return;
  T_INFO_vSetAlpha(pWindowSpec->u32User);
  const bool bNav = bNavigating() || bAutopilotNavigates() || T_KEELAR_bIsStayvoActive();
  T_INFO_vDrawInfoLayer_Instrumentation_Common(pBitmap, pWindowSpec,
                                               bNav ? fcidSelectionNavigation : fcidSelectionTrackChart, 5);
}

void T_INFO_vDrawInfoLayer_Instrumentation_BirdsEyeView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  if (pWindowSpec == nullptr) return;
  T_INFO_vSetAlpha(pWindowSpec->u32User);
  T_INFO_vDrawInfoLayer_Instrumentation_Common(pBitmap, pWindowSpec, T_INFO_pSonarSlotSet(), 5);
}

U32 T_INFO_u32SonarYOrigin(SPLIT_WINDOW_TYPE eSide) {
  const FOURCHARID* slots = T_INFO_pSonarSlotSet();
  const S32 view = s32CurrentView();
  U32 result = INFO_ROW_HEIGHT;
  if (bFullSonarView(view)) {
    result = 0;
    for (int i = 0; i < 4; ++i) {
      if (T_INFO_bSlotShown(slots[i])) result = INFO_ROW_HEIGHT;
    }
    if (result == 0 && T_INFO_bSlotShown(slots[4])) result = INFO_ROW_HEIGHT;
  } else if (view == 39 || view == 49) {
    result = T_INFO_bSlotShown(slots[4]) ? INFO_ROW_HEIGHT : 0;
  } else if (view == 47) {
    int shown = 0;
    for (int i = 0; i < 5; ++i) shown += T_INFO_bSlotShown(slots[i]) ? 1 : 0;
    result = shown > 2 ? INFO_ROW_HEIGHT : 0;
  } else if (fcidSplitKey(view) != 0 && (eSide == SPLIT_LEFT_WINDOW || eSide == SPLIT_RIGHT_WINDOW)) {
    const int split = nSplitColumn(view);
    const int first = eSide == SPLIT_LEFT_WINDOW ? 0 : split;
    const int last = eSide == SPLIT_LEFT_WINDOW ? split : 4;
    result = 0;
    for (int i = first; i <= last; ++i) {
      if (T_INFO_bSlotShown(slots[i])) result = INFO_ROW_HEIGHT;
    }
  }
  T_N_HISTORY_vReVerifyAndUpdateActiveSonarWindowSettings((LAYER_ID)view, eSide, result);
  return result;
}

S32 T_INFO_s32Instrumentation2_Chart_YOrigin(LAYER_ID eView, SPLIT_WINDOW_TYPE eSide) {
  if (eView < 25 || eView > 38) return 0;
  const bool bNav = bNavigating() || bAutopilotNavigates() || T_KEELAR_bIsStayvoActive();
  const FOURCHARID* slots = bNav ? fcidSelectionNavigation : fcidSelectionTrackChart;
  if (eView == 28) {
    for (int i = 0; i < 5; ++i) {
      if (!T_INFO_bSlotShown(slots[i])) return 0;
    }
    return INFO_ROW_HEIGHT;
  }
  if (fcidSplitKey(eView) == 0 || (eSide != SPLIT_LEFT_WINDOW && eSide != SPLIT_RIGHT_WINDOW)) return 0;
  const int split = nSplitColumn(eView);
  const int first = eSide == SPLIT_LEFT_WINDOW ? 0 : split;
  const int last = eSide == SPLIT_LEFT_WINDOW ? split : 4;
  for (int i = first; i <= last; ++i) {
    if (!T_INFO_bSlotShown(slots[i])) return 0;
  }
  return INFO_ROW_HEIGHT;
}

S32 T_INFO_nBoxWidth_SonarView(S32 s32Lowest, S32 s32Highest) {
  const FOURCHARID* slots = T_INFO_pSonarSlotSet();
  for (int k = 0; k < 5; ++k) {
    if (s32Lowest <= 104 - 103 * k && s32Highest >= -3 - 103 * k && T_INFO_bSlotShown(slots[k])) return 162;
  }
  return 0;
}

S32 T_INFO_nBoxWidth_TrackChartView(S32 s32Lowest, S32 s32Highest) {
  const bool bNav = bNavigating() || bAutopilotNavigates() || T_KEELAR_bIsStayvoActive();
  const FOURCHARID* slots = bNav ? fcidSelectionNavigation : fcidSelectionTrackChart;
  for (int k = 0; k < 5; ++k) {
    if (s32Lowest <= 104 - 103 * k && s32Highest >= -3 - 103 * k && T_INFO_bSlotShown(slots[k])) return 162;
  }
  return 0;
}
