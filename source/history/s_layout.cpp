// Sonar window layout and depth ranges: which beam each of the three
// history windows shows in the current view, how tall it is, and the
// displayed depth range in metres, display digits and samples.
#include <cmath>

#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view.h"
#include "source/history/history_int.h"
#include "source/history/s_imaging.h"
#include "source/sonar/s_depth.h"
#include "source/sonar/t_ping.h"

std::atomic<LAYER_ID> CurrentView{NO_VIEW_PRIORITY};
std::atomic<BOOLEAN> bRtsWindowUpdateable{FALSE};

namespace {

F32 s_fCurrentDisplayedLowerRange = 10.0f;
F32 s_fDeepestDepth = 0.0f;
U32 s_u32DeepestStampMs = 0;
F32 s_fLastSideDepth = -1000.0f;
F32 s_fOldUpper = -1.0f, s_fOldLower = -1.0f, s_fOldSideLower = -1.0f;

U32 u32Digits(F32 m, UNIT_TYPE u) { return (U32)(dConvertFromInternal(m, D_DEPTH, u) + 0.5); }
F32 fMetres(U32 digits, UNIT_TYPE u) { return (F32)dConvertToInternal((double)digits, D_DEPTH, u); }

BOOLEAN bIn(LAYER_ID v, std::initializer_list<LAYER_ID> list) {
  for (LAYER_ID l : list)
    if (l == v) return TRUE;
  return FALSE;
}

BOOLEAN bSideRangeView(LAYER_ID v) {
  return bIn(v, {SONAR_SIDESCAN_PLUS_2D_PRIORITY, SONAR_SIDEVIEW_AND_DOWN, SONAR_SIDEVIEW,
                 SONAR_2D_PLUS_SI_VIEW_PRIORITY, CHART_PLUS_SIDESCAN_VIEW_PRIORITY, CHART_PLUS_SI_VIEW_PRIORITY});
}

void vGive(SONAR_WINDOW* w, BEAM beam, U32 height, U32 lookback, BOOLEAN zoom = FALSE) {
  w->Beam = beam;
  w->u32HistoryHeight = height;
  w->u32DepthRangeLookback = lookback;
  if (beam < HISTORY_BEAMS) {
    if (zoom) {
      s_sBeamInfo[beam].pZoom = w;
    } else {
      s_sBeamInfo[beam].pMain = w;
    }
  }
}

void vSetWindowHeight(U32 w, U32 h, BOOLEAN* changed) {
  if (SonarViewInfo.Window[w].u32HistoryHeight != h) {
    SonarViewInfo.Window[w].u32HistoryHeight = h;
    *changed = TRUE;
  }
}

}  // namespace

BOOLEAN S_LAYOUT_bMinRangeDifference(UNIT_TYPE eUnits, F32* pfMetres) {
  switch (eUnits) {
    case U_FEET:
      *pfMetres = fMetres(10, U_FEET);
      return TRUE;
    case U_FATHOMS:
      *pfMetres = fMetres(2, U_FATHOMS);
      return TRUE;
    case U_METRES:
      *pfMetres = 3.0f;
      return TRUE;
    default:
      return FALSE;
  }
}

void vTriggerAllTotalScreenUpdate(void) {
  (void)L_MUTEX_LockWait(RES_S_INFO);
  for (SONAR_WINDOW& w : SonarViewInfo.Window) w.bTriggerTotalScreenUpdate = TRUE;
  (void)L_MUTEX_Unlock(RES_S_INFO);
}

void vSetupSonarWindows(void) {
  const U32 R = T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_LEFT_WINDOW);
  const U32 H = R < 600 ? 600 - R : 0;
  for (BEAM_INFO& b : s_sBeamInfo) b.pMain = b.pZoom = nullptr;
  SONAR_WINDOW* W = SonarViewInfo.Window;
  BOOLEAN vertical[HISTORY_WINDOWS] = {FALSE, FALSE, FALSE};
  for (U32 i = 0; i < HISTORY_WINDOWS; ++i) {
    vertical[i] = W[i].bVerticalScroll;
    W[i].bVerticalScroll = FALSE;
    W[i].Beam = BEAM_NONE;
    S_HISTORY_vFillBackground(&W[i]);
  }
  SonarViewInfo.RTSBeam = BEAM_NONE;
  BEAM selected = s_beamSelect.load();
  if (selected == BEAM_NONE) selected = 1;
  const BEAM selectedRts = selected == 4 ? 1 : selected;
  const U32 side = db_u32SideBeamView.load();
  const LAYER_ID view = CurrentView.load();
  switch (view) {
    case CHART_PLUS_NADSCAN_VIEW_PRIORITY:
      vGive(&W[0], 5, H, 40);
      break;
    case CHART_PLUS_2D_VIEW_PRIORITY:
    case SONAR_VIEW_PRIORITY:
    case SONAR_FLASHER_PRIORITY:
    case SONAR_3D_PLUS_2D_VIEW_PRIORITY:
    case DOWNRIGGER_VIEW_PRIORITY:
    case CHART_PLUS_DOWNRIGGER_VIEW_PRIORITY:
      vGive(&W[0], selected, H, 40);
      SonarViewInfo.RTSBeam = selectedRts;
      break;
    case MEGA_DIGIT_VIEW_PRIORITY:
      vGive(&W[0], selected, 600, 40);
      SonarViewInfo.RTSBeam = selectedRts;
      break;
    case NADSCAN_VIEW_PRIORITY:
      vGive(&W[0], 5, H, 40);
      SonarViewInfo.RTSBeam = 5;
      break;
    case NADSCAN_PLUS_2D_VIEW_PRIORITY:
      vGive(&W[0], selected, H, 40);
      vGive(&W[1], 5, H, 40);
      SonarViewInfo.RTSBeam = selectedRts;
      break;
    case SONAR_SIDEVIEW_AND_DOWN: {
      U32 h0 = H / 2 - 1, h12 = 398;
      BOOLEAN vert = TRUE;
      switch (SonarViewInfo.eQuadLayout) {
        case QUAD_LAYOUT_3_PANE_FLAT:
          h0 = h12 = H;
          vert = FALSE;
          break;
        case QUAD_LAYOUT_3_PANE_SLANTED:
          h0 = h12 = 334 - R;
          vert = FALSE;
          break;
        case QUAD_LAYOUT_HORIZONTAL:
          h12 = H / 2 - 3;
          vert = FALSE;
          break;
        default:
          break;
      }
      vGive(&W[0], 1, h0, 40);
      vGive(&W[1], 2, h12, 0);
      vGive(&W[2], 3, h12, 0);
      W[1].bVerticalScroll = W[2].bVerticalScroll = vert;
      break;
    }
    case SONAR_SIDEVIEW:
      vGive(&W[0], 1, 300, 40);
      W[1].bVerticalScroll = W[2].bVerticalScroll = TRUE;
      W[1].u32HistoryHeight = side == SIDE_BEAM_LEFT ? 800 : 398;
      W[2].u32HistoryHeight = side == SIDE_BEAM_RIGHT ? 800 : 399;
      if (side == SIDE_BEAM_LEFT || side == SIDE_BEAM_BOTH) vGive(&W[1], 2, W[1].u32HistoryHeight, 0);
      if (side == SIDE_BEAM_RIGHT || side == SIDE_BEAM_BOTH) vGive(&W[2], 3, W[2].u32HistoryHeight, 0);
      break;
    case SONAR_ZOOM_VIEW_PRIORITY: {
      const U32 unzoomed = s_u32UnZoomedWidth.load();
      vGive(&W[0], selected, H, unzoomed < 200 ? unzoomed : 200);
      vGive(&W[1], selected, H, 0, TRUE);
      break;
    }
    case SONAR_DUAL_BEAM_VIEW_PRIORITY: {
      BEAM left = 0;
      for (U32 i = 0; i < 3; ++i)
        if (s_db_TransducerSelectArray[i].load() == 15) left = 2;
      vGive(&W[0], 1, H, 40);
      vGive(&W[1], left, H, 0);
      break;
    }
    case SONAR_SIDESCAN_PLUS_2D_PRIORITY: {
      U32 pct = 50;
      (void)H_DATABASE_bFetchU32(FCID("SZS2"), &pct);
      const S32 P = T_VIEW_s32SplitViewRightWidth(800, (S32)pct);
      const U32 p = P > 0 ? (U32)P : 0;
      vGive(&W[0], selected, H, 40);
      W[1].bVerticalScroll = W[2].bVerticalScroll = TRUE;
      W[1].u32HistoryHeight = side == SIDE_BEAM_LEFT ? p : p / 2 - 2;
      W[2].u32HistoryHeight = side == SIDE_BEAM_RIGHT ? p : p / 2 - 2;
      if (side == SIDE_BEAM_LEFT || side == SIDE_BEAM_BOTH) vGive(&W[1], 2, W[1].u32HistoryHeight, 0);
      if (side == SIDE_BEAM_RIGHT || side == SIDE_BEAM_BOTH) vGive(&W[2], 3, W[2].u32HistoryHeight, 0);
      SonarViewInfo.RTSBeam = selectedRts;
      break;
    }
    default:
      break;
  }
  for (U32 i = 0; i < HISTORY_WINDOWS; ++i) {
    if (W[i].ScreenHistory.pBmp == nullptr) continue;
    if (vertical[i] != W[i].bVerticalScroll) {
      (void)L_MUTEX_LockWait(RES_HISTORY);
      S_HISTORY_vLayOutBitmap(&W[i], W[i].bVerticalScroll);
      (void)L_MUTEX_Unlock(RES_HISTORY);
    }
  }
  H_DATABASE_bUpdateValueU32(FCID("CSRB"), SonarViewInfo.RTSBeam, P_NORMAL);
}

void S_LAYOUT_vCopyWindow0To1(void) {
  SONAR_WINDOW& a = SonarViewInfo.Window[0];
  SONAR_WINDOW& b = SonarViewInfo.Window[1];
  b.bTriggerTotalScreenUpdate = a.bTriggerTotalScreenUpdate;
  b.bManualDepthRange = a.bManualDepthRange;
  b.fUpperDisplayedMetres = a.fUpperDisplayedMetres;
  b.fLowerDisplayedMetres = a.fLowerDisplayedMetres;
  b.u32UpperDigits = a.u32UpperDigits;
  b.u32LowerDigits = a.u32LowerDigits;
  b.u32UpperSample = a.u32UpperSample;
  b.u32LowerSample = a.u32LowerSample;
}

void vVerifyAndUpdateWindowSettings(LAYER_ID LayerId) {
  if (LayerId == CurrentView.load()) return;
  CurrentView.store(LayerId);
  vSetupSonarWindows();
  bRtsWindowUpdateable.store(bIn(LayerId, {DIAGNOSTIC_A_SCOPE, CHART_PLUS_2D_VIEW_PRIORITY,
                                           NADSCAN_PLUS_2D_VIEW_PRIORITY, SONAR_VIEW_PRIORITY,
                                           SONAR_SIDESCAN_PLUS_2D_PRIORITY, MEGA_DIGIT_VIEW_PRIORITY,
                                           SONAR_FLASHER_PRIORITY}));
  F32 upper = 0.0f;
  if (LayerId != SONAR_ZOOM_VIEW_PRIORITY) (void)H_DATABASE_bFetchFloat(FCID("SSUD"), &upper);
  SonarViewInfo.Window[0].fUpperDisplayedMetres = upper;
  vCalculateDisplayedDepthRanges(TRUE);
  if (bSideRangeView(LayerId)) vSetSideBeamRange(TRUE);
  if (LayerId == NADSCAN_PLUS_2D_VIEW_PRIORITY || LayerId == SONAR_DUAL_BEAM_VIEW_PRIORITY) S_LAYOUT_vCopyWindow0To1();
  if (LayerId == SONAR_ZOOM_VIEW_PRIORITY) {
    S_ZOOM_vReset();
    vSetupZoomRange(TRUE);
  }
  vTriggerAllTotalScreenUpdate();
  bForceResample.store(TRUE);
  S_HISTORY_vSelectPingMode();
}

void S_LAYOUT_vReVerifyAndUpdateActiveSonarWindowSettings(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit, U32 u32YOffset) {
  const U32 A = u32YOffset < 600 ? 600 - u32YOffset : 0;
  SONAR_WINDOW* W = SonarViewInfo.Window;
  BOOLEAN changed = FALSE;
  switch (eView) {
    case NADSCAN_PLUS_2D_VIEW_PRIORITY:
    case SONAR_ZOOM_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_VIEW_PRIORITY:
      if (W[0].u32HistoryHeight != A || W[1].u32HistoryHeight != A) {
        W[0].u32HistoryHeight = W[1].u32HistoryHeight = A;
        changed = TRUE;
      }
      break;
    case SONAR_SIDEVIEW_AND_DOWN:
      switch (SonarViewInfo.eQuadLayout) {
        case QUAD_LAYOUT_3_PANE_FLAT:
        case QUAD_LAYOUT_3_PANE_SLANTED: {
          const U32 h = SonarViewInfo.eQuadLayout == QUAD_LAYOUT_3_PANE_FLAT ? A : 334 - u32YOffset;
          if (W[0].u32HistoryHeight != h) {
            for (U32 i = 0; i < 3; ++i) W[i].u32HistoryHeight = h;
            changed = TRUE;
          }
          break;
        }
        case QUAD_LAYOUT_HORIZONTAL:
          vSetWindowHeight(0, A / 2 - 1, &changed);
          vSetWindowHeight(1, A / 2 - 3, &changed);
          vSetWindowHeight(2, A / 2 - 3, &changed);
          break;
        default:
          vSetWindowHeight(0, A / 2 - 1, &changed);
          break;
      }
      break;
    case SONAR_SIDESCAN_PLUS_2D_PRIORITY:
      if (eSplit == SPLIT_LEFT_WINDOW) vSetWindowHeight(0, A, &changed);
      break;
    case CHART_PLUS_NADSCAN_VIEW_PRIORITY:
    case CHART_PLUS_2D_VIEW_PRIORITY:
    case NADSCAN_VIEW_PRIORITY:
    case SONAR_VIEW_PRIORITY:
      vSetWindowHeight(0, A, &changed);
      break;
    default:
      break;
  }
  if (changed) {
    vTriggerAllTotalScreenUpdate();
    bForceResample.store(TRUE);
  }
}

void vCalculateDisplayedDepthRanges(BOOLEAN bForce) {
  SONAR_WINDOW& w = SonarViewInfo.Window[0];
  const UNIT_TYPE u = SonarViewInfo.unitsDepth;
  BOOLEAN converted = FALSE;
  if (bForce || std::fabs(w.fUpperDisplayedMetres - s_fOldUpper) > 0.0001f) {
    w.u32UpperDigits = u32Digits(w.fUpperDisplayedMetres, u);
    w.u32UpperSample = S_HISTORY_u32MetresToSample(fMetres(w.u32UpperDigits, u));
    s_fOldUpper = w.fUpperDisplayedMetres;
    s32UpperRange = (S32)w.u32UpperDigits;
    converted = TRUE;
  }
  if (bForce || std::fabs(w.fLowerDisplayedMetres - s_fOldLower) > 0.0001f) {
    H_DATABASE_bUpdateValueFloat(FCID("CSLD"), w.fLowerDisplayedMetres, P_NORMAL);
    w.u32LowerDigits = u32Digits(w.fLowerDisplayedMetres, u);
    w.u32LowerSample = S_HISTORY_u32MetresToSample(fMetres(w.u32LowerDigits, u));
    s_fOldLower = w.fLowerDisplayedMetres;
    s32LowerRange = (S32)w.u32LowerDigits;
    converted = TRUE;
  }
  if (!converted) return;
  w.bTriggerTotalScreenUpdate = TRUE;
  bForceResample.store(TRUE);
  if (CurrentView.load() == NADSCAN_PLUS_2D_VIEW_PRIORITY) {
    SONAR_WINDOW& b = SonarViewInfo.Window[1];
    b.u32UpperDigits = w.u32UpperDigits;
    b.u32LowerDigits = w.u32LowerDigits;
    b.u32UpperSample = w.u32UpperSample;
    b.u32LowerSample = w.u32LowerSample;
    b.bTriggerTotalScreenUpdate = TRUE;
  }
}

F32 S_LAYOUT_fGetLowerRangeForDisplay(void) {
  F32 ysld = 0.0f;
  (void)H_DATABASE_bFetchFloat(FCID("YSLD"), &ysld);
  if (T_N_PING_bAutoDepthRange(ysld, (U32)SonarViewInfo.unitsDepth)) {
    return s_fCurrentDisplayedLowerRange;
  }
  return ysld;
}

F32 S_LAYOUT_fDeepestDepth(void) { return s_fDeepestDepth; }

void S_LAYOUT_vResetDeepest(F32 fDepth, U32 u32StampMs) {
  s_fDeepestDepth = fDepth;
  s_u32DeepestStampMs = u32StampMs;
}

void S_LAYOUT_vAutoSelectLowerDepthRangeAt(U32 now) {
  const F32 current = s_fCurrentDepth.load();
  if (current >= s_fDeepestDepth) {
    s_fDeepestDepth = current;
    s_u32DeepestStampMs = now;
  } else {
    const U32 age = now - s_u32DeepestStampMs;
    if (age > 5000) s_fDeepestDepth = current + (s_fDeepestDepth - current) * 5000.0f / (F32)age;
  }
  SONAR_WINDOW& w = SonarViewInfo.Window[0];
  const F32 deepest = s_fDeepestDepth > w.fUpperDisplayedMetres ? s_fDeepestDepth : w.fUpperDisplayedMetres;
  const UNIT_TYPE u = SonarViewInfo.unitsDepth;
  const U32 inUnit = u32Digits(deepest, u);
  const U16 range = S_DEPTH_u16SelectDepthRange((F32)inUnit, u);
  s_fCurrentDisplayedLowerRange = fMetres(range, u);
  w.fLowerDisplayedMetres = s_fCurrentDisplayedLowerRange;
}

void vAutoSelectLowerDepthRange(void) { S_LAYOUT_vAutoSelectLowerDepthRangeAt(H_TICK_u32ReadFreeRunningTimerInMilliSeconds()); }

F32 S_LAYOUT_fSideRangeFeet(F32 d) {
  if (d <= 10.0f) return 50.0f;
  if (d <= 20.0f) return 5.0f * d;
  if (d <= 25.0f) return 100.0f;
  if (d <= 40.0f) return 4.0f * d < 150.0f ? 4.0f * d : 150.0f;
  if (d <= 50.0f) return 150.0f;
  return 3.0f * d < 240.0f ? 3.0f * d : 240.0f;
}

void vSetSideBeamRange(BOOLEAN bForce) {
  SONAR_WINDOW* W = SonarViewInfo.Window;
  const U32 imaging = s_db_TransducerSelectArray[1].load();
  if (imaging == 3 || imaging == 5 || imaging == 9 || imaging == 10 || imaging == 16) {
    F32 ssdr = W[1].fLowerDisplayedMetres;
    (void)H_DATABASE_bFetchFloat(FCID("SSDR"), &ssdr);
    W[1].fLowerDisplayedMetres = ssdr;
    W[1].bManualDepthRange = TRUE;
  } else {
    F32 maximum;
    switch (SonarViewInfo.unitsDepth) {
      case U_FEET:
        maximum = fMetres(160, U_FEET);
        break;
      case U_FATHOMS:
        maximum = fMetres(30, U_FATHOMS);
        break;
      case U_METRES:
        maximum = 50.0f;
        break;
      default:
        // A unit that is none of the three leaves the side range alone.
        log_me("history: side range: invalid units %d, range kept", (int)SonarViewInfo.unitsDepth);
        return;
    }
    if (W[0].fLowerDisplayedMetres <= maximum) {
      W[1].fLowerDisplayedMetres = W[0].fLowerDisplayedMetres;
      W[1].bManualDepthRange = W[0].bManualDepthRange;
    } else {
      W[1].fLowerDisplayedMetres = maximum;
      W[1].bManualDepthRange = FALSE;
    }
  }
  U32 yst3 = 0;
  (void)H_DATABASE_bFetchU32(FCID("YST3"), &yst3);
  F32 csir = 0.0f;
  if (W[1].fLowerDisplayedMetres <= 2.0f && yst3 != 16) {
    const F32 current = s_fCurrentDepth.load();
    if (std::fabs(current - s_fLastSideDepth) >= 2.0f) s_fLastSideDepth = current;
    const F32 feet = (F32)dConvertFromInternal(s_fLastSideDepth, D_DEPTH, U_FEET);
    csir = (F32)dConvertToInternal(S_LAYOUT_fSideRangeFeet(feet), D_DEPTH, U_FEET);
    W[1].fLowerDisplayedMetres = csir;
  }
  H_DATABASE_bUpdateValueFloat(FCID("CSIR"), csir, P_NORMAL);
  if (bForce || std::fabs(W[1].fLowerDisplayedMetres - s_fOldSideLower) > 0.0001f) {
    const UNIT_TYPE u = SonarViewInfo.unitsDepth;
    W[1].fUpperDisplayedMetres = 0.0f;
    W[1].u32UpperDigits = 0;
    W[1].u32UpperSample = 0;
    W[1].u32LowerDigits = u32Digits(W[1].fLowerDisplayedMetres, u);
    W[1].u32LowerSample = S_HISTORY_u32MetresToSample(fMetres(W[1].u32LowerDigits, u));
    s_fOldSideLower = W[1].fLowerDisplayedMetres;
    bForceResample.store(TRUE);
    W[1].bTriggerTotalScreenUpdate = TRUE;
  }
  if (bForce || std::fabs(W[2].fLowerDisplayedMetres - W[1].fLowerDisplayedMetres) > 0.0001f) {
    W[2].bManualDepthRange = W[1].bManualDepthRange;
    W[2].fUpperDisplayedMetres = W[1].fUpperDisplayedMetres;
    W[2].fLowerDisplayedMetres = W[1].fLowerDisplayedMetres;
    W[2].u32UpperDigits = W[1].u32UpperDigits;
    W[2].u32LowerDigits = W[1].u32LowerDigits;
    W[2].u32UpperSample = W[1].u32UpperSample;
    W[2].u32LowerSample = W[1].u32LowerSample;
    W[2].bTriggerTotalScreenUpdate = TRUE;
  }
}
