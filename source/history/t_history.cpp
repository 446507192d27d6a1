// The history task: creates the sonar history, follows the sonar display
// settings, decides which beams are pinged, keeps the grey-scale tables and
// palettes current and marks windows for a rebuild.
#include "source/history/t_history.h"

#include "common/cmd_id.h"
#include "common/language.h"
#include "common/db_types.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/u_view.h"
#include "source/history/history_int.h"
#include "source/history/s_imaging.h"
#include "source/history/s_columns.h"
#include "source/history/s_cursor.h"
#include "source/history/s_enhance.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/s_sonarmenus.h"
#include "source/sonar/s_sonarviews.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping.h"

std::atomic<BEAM> s_beamSelect{BEAM_NONE};
std::atomic<U32> db_u32SideBeamView{SIDE_BEAM_BOTH};
std::atomic<U32> s_db_TransducerSelectArray[3];
std::atomic<F32> s_fCurrentDepth{0.0f};
std::atomic<U32> s_u32UnZoomedWidth{400};
std::atomic<BOOLEAN> s_bEndFill{FALSE};
std::atomic<BOOLEAN> s_bCursorActive{FALSE};
std::atomic<BOOLEAN> bTemperatureOverlay{TRUE};
std::atomic<BOOLEAN> s_bSelectTvgView{FALSE};
std::atomic<U32> s_u32SystemState{0};

namespace {

#define HISTORY_TEXT_RECORD(name, text)                                                          \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
HISTORY_TEXT_RECORD(s_txtSonar, "Sonar");
HISTORY_TEXT_RECORD(s_txtColorBar, "Color Bar");
HISTORY_TEXT_RECORD(s_txtBottomView, "Bottom View");
HISTORY_TEXT_RECORD(s_txtSensitivity, "Sensitivity");
HISTORY_TEXT_RECORD(s_txtWhiteLine, "WhiteLine Level");
HISTORY_TEXT_RECORD(s_txtUnitsDepth, "Units - Depth");
HISTORY_TEXT_RECORD(s_txtChartSpeed, "Chart Speed");
HISTORY_TEXT_RECORD(s_txtBeamSelect, "Beam Select");
HISTORY_TEXT_RECORD(s_txtDepthLines, "Depth Lines");
HISTORY_TEXT_RECORD(s_txtConnected, "Connected Transducer");
HISTORY_TEXT_RECORD(s_txtTemperature, "Temperature");
// The names of the sonar views, shown wherever a view is chosen by name.
HISTORY_TEXT_RECORD(s_txtSonarView, "Sonar View");
HISTORY_TEXT_RECORD(s_txtNadscanView, "Nadscan View");
HISTORY_TEXT_RECORD(s_txtSonarZoomView, "Sonar Zoom View");
HISTORY_TEXT_RECORD(s_txtBigDigitsView, "Big Digits View");
HISTORY_TEXT_RECORD(s_txtSideBeamView, "Side Beam View");
HISTORY_TEXT_RECORD(s_txtLatscanView, "Latscan View");
HISTORY_TEXT_RECORD(s_txtSplitSonarView, "Split Sonar View");
HISTORY_TEXT_RECORD(s_txtSideSonarCombo, "Side/Sonar Combo View");
HISTORY_TEXT_RECORD(s_txtDownSonarCombo, "Down/Sonar Combo View");

// Task state (history task only unless atomic).
U32 s_db_SonarElementSelect = 0;
U32 s_u32LocalPingMask = 0;
U32 s_u32NetworkPingMask = 0;
BOOLEAN db_SonarEnabled = FALSE;
U32 s_u32ReadBeamPingMask = 0;
U32 s_u32DIColor = 6;
U8 s_u8FullScreenSensitivity200kHz = 10;
U8 s_u8WhiteLineLevel = 140;
S8 s_s8RelativeGainSetting83kHz = 0, s_s8RelativeGainSetting50kHz = 0;
S32 db_s32SidebeamSensitivity = 0;
U32 s_u32SupportedBeams = 0;
BOOLEAN s_bTransducerChanged = FALSE;
BOOLEAN s_bApplyingTransducerChange = FALSE;
TIMER_INFO* s_pTransducerSelectionDelay = nullptr;
BOOLEAN s_bShutdown = FALSE;

struct SETTING {
  const char* key;
  U32 value;
  DATA_TYPE type;
  DB_TEXT_RECORD text;
  BOOLEAN bRegister;
  BOOLEAN bFloat;
};

U32 u32Key(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

S8 s8Clamp(S32 v) { return (S8)(v < -128 ? -128 : (v > 127 ? 127 : v)); }

BOOLEAN bSimulated(void) {
  const U32 s = s_u32SystemState.load();
  return s == STATE_SIMULATION || s == STATE_POINT_OF_SALE;
}

void vRebuildStandardTable(void) {
  S_GRAYSCALE_vRecalulateGrayScaleTable(&StandardBeamGrayScaleTable, s_u8FullScreenSensitivity200kHz, 10, 10,
                                        SonarViewInfo.BottomView, s_u8WhiteLineLevel, 0);
}

void vRebuildAllTables(void) {
  vRebuildStandardTable();
  S_GRAYSCALE_vRecalulateGrayScaleTable(&SidescanGrayScaleTable, 10, 10, 10, POST_PROCESS_SIDESCAN, 0, 0);
  S_GRAYSCALE_vRecalulateGrayScaleTable(&NadscanGrayScaleTable, 10, 10, 10, POST_PROCESS_SIDESCAN, 0, 0);
}

void vRefresh(void) {
  vTriggerAllTotalScreenUpdate();
  bForceResample.store(TRUE);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vSetLFBeamRelativeGain(U32 hertz) {
  S32 g;
  if (hertz == 50000) {
    g = s_s8RelativeGainSetting50kHz;
  } else if (hertz == 83000) {
    g = s_s8RelativeGainSetting83kHz;
  } else {
    return;
  }
  s_sBeamInfo[0].s8Gain = s8Clamp(5 * g + 30);
}

void vSetImagingGains(void) {
  const U32 t = s_db_TransducerSelectArray[1].load();
  const S8 g = s8Clamp(5 * db_s32SidebeamSensitivity);
  s_sBeamInfo[2].s8Gain = (t == 2 || t == 15 || t == 17 || t == 18) ? g : 0;
  s_sBeamInfo[3].s8Gain = t == 2 ? g : 0;
}

void vConvertRanges(BOOLEAN bForce) {
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vCalculateDisplayedDepthRanges(bForce);
  if (CurrentView.load() == SONAR_DUAL_BEAM_VIEW_PRIORITY) S_LAYOUT_vCopyWindow0To1();
  (void)L_MUTEX_Unlock(RES_S_INFO);
}

void vAutoRangeIfAutomatic(void) {
  if (SonarViewInfo.Window[0].bManualDepthRange) return;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vAutoSelectLowerDepthRange();
  (void)L_MUTEX_Unlock(RES_S_INFO);
}

void vLayOut(void) {
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vSetupSonarWindows();
  vCalculateDisplayedDepthRanges(TRUE);
  (void)L_MUTEX_Unlock(RES_S_INFO);
}

U32 u32Fetch(const char* key, U32 dflt) {
  U32 v = dflt;
  return H_DATABASE_bFetchU32(u32Key(key), &v) ? v : dflt;
}

void vEnableViews(void);

}  // namespace

// ------------------------------------------------------------ ping mode
void S_HISTORY_vSelectPingMode(void) {
  if (s_u32SystemState.load() == STATE_PLAYBACK) {
    for (BEAM b = 0; b < 4; ++b) s_sBeamInfo[b].bPinging = (s_u32ReadBeamPingMask >> b) & 1;
    return;
  }
  const U32 S = s_db_SonarElementSelect;
  auto shown = [](BEAM b) {
    for (const SONAR_WINDOW& w : SonarViewInfo.Window)
      if (w.Beam == b || (w.Beam != BEAM_NONE && w.Beam == s_sBeamInfo[b].beamBlend)) return TRUE;
    return FALSE;
  };
  const BEAM sel = s_beamSelect.load();
  const U32 imaging = s_db_TransducerSelectArray[1].load();
  const BOOLEAN side = imaging == 5 || imaging == 9 || imaging == 10 || imaging == 16;
  const BOOLEAN nadscan = imaging == 15 || imaging == 17 || imaging == 18;
  const BOOLEAN pos = s_u32SystemState.load() == STATE_POINT_OF_SALE;
  if (S & 1) {
    s_sBeamInfo[0].bPinging = sel == 0 || sel == 4 || shown(0);
    s_sBeamInfo[1].bPinging = sel != BEAM_NONE;
  }
  if ((S & 6) != 0 || s_db_TransducerSelectArray[0].load() == 15) {
    s_sBeamInfo[2].bPinging = pos || shown(2) || side || (nadscan && (sel == 2 || s_fCurrentDepth.load() <= 5.0f));
  }
  if (S & 6) s_sBeamInfo[3].bPinging = pos || shown(3) || side || nadscan;
}

void T_N_HISTORY_vTriggerAllTotalScreenUpdate(void) { vTriggerAllTotalScreenUpdate(); }

// ------------------------------------------------------------ keys
void S_HISTORY_vKey(const MSG_KEY_CHANGE* pKey) {
  if (S_ENHANCE_bActive()) {
    S_ENHANCE_vKey(pKey);
  } else {
    S_CURSOR_vKey(pKey);
  }
  if (!SonarViewInfo.Window[0].bManualDepthRange && !s_bCursorActive.load()) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    vAutoSelectLowerDepthRange();
    vCalculateDisplayedDepthRanges(FALSE);
    (void)L_MUTEX_Unlock(RES_S_INFO);
  }
}

// ------------------------------------------------------------ transducer change
void T_N_HISTORY_vUpdateAllViews(void) {
  U32 ssts = u32Fetch("SSTS", 0);
  U32 t1 = s_db_TransducerSelectArray[0].load(), t2 = u32Fetch("YST2", 0), t3 = u32Fetch("YST3", 0);
  if (bSimulated()) t1 = t2 = t3 = ssts;
  BOOLEAN isen = FALSE, valid = FALSE;
  const U32 mask = (H_DATABASE_bFetchBoolean(FCID("ISEN"), &isen, &valid) && valid && isen) ? s_db_SonarElementSelect
                                                                                             : s_u32NetworkPingMask;
  if (mask == 0) {
    S_TRANSDUCER_vEnable(FALSE);
  } else if (s_bApplyingTransducerChange && s_pTransducerSelectionDelay != nullptr) {
    (void)L_TIMER_Stop(s_pTransducerSelectionDelay);
    (void)L_TIMER_Start(s_pTransducerSelectionDelay, 2000, 2000, SEMA_TIMER_TRANSELECTION);
    log_me("history: transducer change already pending, applied in 2 s");
  } else {
    S_TRANSDUCER_vEnable(TRUE);
    if ((mask & 1) && t1 != 0) S_TRANSDUCER_v2DEnable((U8)t1);
    U32 imaging = 0;
    if ((mask & 2) && t2 != 0) {
      log_me("history: call S_TRANSDUCER_vImagingEnable(%u)", t2);
      S_TRANSDUCER_vImagingEnable((U8)t2);
      imaging = t2;
    }
    if (mask & 4) {
      if (t3 != 0) {
        log_me("history: call S_TRANSDUCER_vImagingEnable(%u)", t3);
        S_TRANSDUCER_vImagingEnable((U8)t3);
        imaging = t3;
      }
      vMenuJigging(t1, t3);
    }
    S_TRANSDUCER_vCompositeEnable((U8)(imaging != 0 ? imaging : t1), mask);
    s_bTransducerChanged = FALSE;
  }
  vRebuildStandardTable();
  vRefresh();
}

namespace {

void vEnableViews(void) { T_N_HISTORY_vUpdateAllViews(); }

void vTransducerChange(void) {
  vEnableViews();
  vSetLFBeamRelativeGain(S_TRANSDUCER_u32LFBeamFrequencyHertz());
  S_HISTORY_vSelectPingMode();
  vSetImagingGains();
  vRebuildStandardTable();
}

void vApplyUnits(U32 value) {
  F32 minimum = 0.0f;
  if (!S_LAYOUT_bMinRangeDifference((UNIT_TYPE)value, &minimum)) {
    // A unit from a peer or a saved store that is none of feet, metres and
    // fathoms keeps the previous one.
    log_me("history: depth unit %u is not feet, metres or fathoms; kept %d", value, (int)SonarViewInfo.unitsDepth);
    return;
  }
  SonarViewInfo.unitsDepth = (UNIT_TYPE)value;
  SonarViewInfo.fMinDepthRangeDifference = minimum;
}

// The zoom view's zoom range, under mutex 28.
void vZoomRange(BOOLEAN bForce) {
  if (CurrentView.load() != SONAR_ZOOM_VIEW_PRIORITY) return;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vSetupZoomRange(bForce);
  (void)L_MUTEX_Unlock(RES_S_INFO);
}

void vAfterRangeChange(void) {
  vConvertRanges(TRUE);
  if (s_bCursorActive.load()) vUpdateCursorDepthHorizScroll();
  const LAYER_ID v = CurrentView.load();
  if (v == SONAR_SIDEVIEW_AND_DOWN || v == SONAR_SIDEVIEW || v == SONAR_SIDESCAN_PLUS_2D_PRIORITY ||
      v == SONAR_2D_PLUS_SI_VIEW_PRIORITY || v == CHART_PLUS_SIDESCAN_VIEW_PRIORITY ||
      v == CHART_PLUS_SI_VIEW_PRIORITY) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    vSetSideBeamRange(TRUE);
    (void)L_MUTEX_Unlock(RES_S_INFO);
  }
  if (v == SONAR_ZOOM_VIEW_PRIORITY) vZoomRange(TRUE);
}

void vHandleNewData(const MESSAGE_NEW_DATA* m) {
  const FOURCHARID k = m->FourCharId;
  const U32 u = m->dbValue.u32Val;
  const F32 f = m->dbValue.fVal;
  SONAR_WINDOW& w0 = SonarViewInfo.Window[0];
  if (k == FCID("YST1") || k == FCID("YST2") || k == FCID("YST3")) {
    const U32 index = k == FCID("YST1") ? 0 : 1;
    if (s_db_TransducerSelectArray[index].load() != u) {
      s_db_TransducerSelectArray[index].store(u);
      s_bTransducerChanged = TRUE;
    }
    if (u != 0 && (db_SonarEnabled || s_u32NetworkPingMask != 0)) {
      vTransducerChange();
      vRefresh();
    }
  } else if (k == FCID("YSWA")) {
    g_u32SpeedOfSoundInWater.store(u == 0 ? 1463 : 1500);
    vAutoRangeIfAutomatic();
    vAfterRangeChange();
  } else if (k == FCID("YSLD")) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    if (!T_N_PING_bAutoDepthRange(f, (U32)SonarViewInfo.unitsDepth)) {
      w0.fLowerDisplayedMetres = f;
      w0.bManualDepthRange = TRUE;
      F32 ssud = 0.0f;
      (void)H_DATABASE_bFetchFloat(FCID("SSUD"), &ssud);
      const F32 limit = f - SonarViewInfo.fMinDepthRangeDifference;
      if (ssud > limit) H_DATABASE_bUpdateValueFloat(FCID("SSUD"), limit > 0.0f ? limit : 0.0f, P_NORMAL);
    } else {
      vAutoSelectLowerDepthRange();
      w0.bManualDepthRange = FALSE;
    }
    (void)L_MUTEX_Unlock(RES_S_INFO);
    vAfterRangeChange();
  } else if (k == FCID("SSUD")) {
    if (CurrentView.load() != SONAR_ZOOM_VIEW_PRIORITY) {
      (void)L_MUTEX_LockWait(RES_S_INFO);
      w0.fUpperDisplayedMetres = f;
      if (w0.bManualDepthRange && f > w0.fLowerDisplayedMetres - SonarViewInfo.fMinDepthRangeDifference) {
        w0.fLowerDisplayedMetres = f + SonarViewInfo.fMinDepthRangeDifference;
        H_DATABASE_bUpdateValueFloat(FCID("YSLD"), w0.fLowerDisplayedMetres, P_NORMAL);
      }
      (void)L_MUTEX_Unlock(RES_S_INFO);
      vConvertRanges(FALSE);
      if (s_bCursorActive.load()) vUpdateCursorDepthHorizScroll();
    }
  } else if (k == FCID("YUDP")) {
    vApplyUnits(u);
    vAutoRangeIfAutomatic();
    vAfterRangeChange();
  } else if (k == FCID("IDEP")) {
    if (m->bValid) s_fCurrentDepth.store(f);
    S_HISTORY_vSelectPingMode();
  } else if (k == FCID("CSBP")) {
    if (s_u32ReadBeamPingMask != u) {
      s_u32ReadBeamPingMask = u;
      S_HISTORY_vSelectPingMode();
    }
  } else if (k == FCID("CCST")) {
    if (s_u32SystemState.load() == STATE_PLAYBACK && u != STATE_PLAYBACK) {
      s_u32ReadBeamPingMask = 0;
      s_bEndFill.store(FALSE);
      s_bReverseScroll.store(FALSE);
      vRebuildAllTables();
      vRefresh();
    }
    s_u32SystemState.store(u);
  } else if (k == FCID("ISEN")) {
    db_SonarEnabled = m->bValid && u != 0;
    vEnableViews();
  } else if (k == FCID("ELPM")) {
    // Notices queue up while the task sleeps at its start and the ping task
    // sets the mask bit by bit: a stale value (0 before the first bit) would
    // take every sonar view away, and the view task would leave the sonar
    // view for good. The mask as it stands now is what counts.
    const U32 u = u32Fetch("ELPM", m->dbValue.u32Val);
    if (bSimulated()) {
      const U32 ssts = u32Fetch("SSTS", 0);
      s_u32LocalPingMask = S_TRANSDUCER_u32GetSonarSources((U8)ssts);
      if (ssts == 5 || ssts == 9 || ssts == 10 || ssts == 16) s_u32LocalPingMask |= 8;
      s_db_SonarElementSelect = s_u32LocalPingMask;
    } else {
      s_u32LocalPingMask = u;
      s_db_SonarElementSelect = u | s_u32NetworkPingMask;
    }
    log_me("history: ELPM = %u, element selection %u", u, s_db_SonarElementSelect);
    vEnableViews();
  } else if (k == FCID("ENPM")) {
    const U32 u = u32Fetch("ENPM", m->dbValue.u32Val);
    if (bSimulated()) {
      s_u32NetworkPingMask = 0;
    } else {
      s_u32NetworkPingMask = u;
      s_db_SonarElementSelect = u | s_u32LocalPingMask;
    }
    vEnableViews();
  } else if (k == FCID("CVEW")) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    vVerifyAndUpdateWindowSettings((LAYER_ID)m->dbValue.s32Val);
    (void)L_MUTEX_Unlock(RES_S_INFO);
    vCheckKeyRegistration((LAYER_ID)m->dbValue.s32Val, UNKNOWN_SPLIT);
    (void)vMakeCursorInactive(0);
  } else if (k == FCID("CVAS")) {
    vCheckKeyRegistration(UNKNOWN_VIEW, (SPLIT_WINDOW_TYPE)m->dbValue.s32Val);
    (void)vMakeCursorInactive(0);
  } else if (k == FCID("SLNG")) {
    S_ENHANCE_vLanguageChanged();
  } else if (k == FCID("YSSV")) {
    BEAM sel = (BEAM)(u == 3 || u > 4 ? 4 : u);
    const U32 beams = S_TRANSDUCER_u32GetBeamsForTransducer((U8)s_db_TransducerSelectArray[0].load()) &
                      s_u32SupportedBeams;
    if (((beams & 6) == 0 && (sel == 0 || sel == 4)) || ((beams & 8) == 0 && sel == 2)) {
      s_beamSelect.store(1);
      return;
    }
    s_beamSelect.store(sel);
    vLayOut();
    T_N_PROCESS_vClearAllAccumulators();
    S_HISTORY_vSelectPingMode();
    vTriggerAllTotalScreenUpdate();
    T_N_HISTORY_vEnableShortTransmit(TRUE);
  } else if (k == FCID("SSWV")) {
    db_u32SideBeamView.store(S_IMAGING_u32SideBeamView(u));
    vLayOut();
    S_HISTORY_vSelectPingMode();
    vRefresh();
  } else if (k == FCID("SSQL")) {
    SonarViewInfo.eQuadLayout = (QUAD_LAYOUT)u;
    if (CurrentView.load() == SONAR_SIDEVIEW_AND_DOWN) {
      vLayOut();
      vRefresh();
    }
  } else if (k == FCID("SSZW")) {
    s_u32UnZoomedWidth.store(u);
    vLayOut();
    vTriggerAllTotalScreenUpdate();
  } else if (k == FCID("SSRW")) {
    SonarViewInfo.u32RTSWidth = u;
    vTriggerAllTotalScreenUpdate();
  } else if (k == FCID("SSZL")) {
    SonarViewInfo.u32ZoomLevel = u;
    vZoomRange(FALSE);
  } else if (k == FCID("SSBR")) {
    SonarViewInfo.fBottomRange = f;
    vZoomRange(FALSE);
  } else if (k == FCID("SSBL")) {
    SonarViewInfo.bBottomLockZoom = u != 0;
    vZoomRange(TRUE);
  } else if (k == FCID("SITM")) {
    s_bTerrainMode.store(m->bValid && u != 0);
    vTriggerAllTotalScreenUpdate();
  } else if (k == FCID("SDSL")) {
    // The Nadscan filter: every filter starts afresh at the new level.
    s_u32NadscanFilter.store(m->bValid ? u : 0);
    S_COLUMNS_vFlagNadscanFilters();
    S_ZOOM_vForceDiZoomUpdate();
    vTriggerAllTotalScreenUpdate();
    vRefresh();
  } else if (k == FCID("SSDL")) {
    SonarViewInfo.u32DepthLines = u;
    S_ZOOM_vForceDiZoomUpdate();
  } else if (k == FCID("SSCI")) {
    SonarViewInfo.bColorIntensityBar = u != 0;
  } else if (k == FCID("YSFI")) {
    SonarViewInfo.bFishID = u != 0;
  } else if (k == FCID("YSFA")) {
    s_FishAlarmSize.store(u <= FISH_SIZE_ALARM_L ? (FISH_SIZE_ALARM)u : FISH_SIZE_ALARM_OFF);
  } else if (k == FCID("SSTO")) {
    bTemperatureOverlay.store(u != 0);
  } else if (k == FCID("SSSP")) {
    SonarViewInfo.u32ChartSpeed = u;
  } else if (k == FCID("SSBV")) {
    SonarViewInfo.BottomView = u == 1 ? POST_PROCESS_WHITE_LINE : (u == 2 ? POST_PROCESS_BOTTOM_BLACK : POST_PROCESS_NONE);
    vRebuildStandardTable();
    vRefresh();
  } else if (k == FCID("SSS2")) {
    s_u8FullScreenSensitivity200kHz = (U8)u;
    vRebuildStandardTable();
    vRefresh();
  } else if (k == FCID("SSWF")) {
    s_u8WhiteLineLevel = (U8)u;
    vRebuildStandardTable();
    vRefresh();
  } else if (k == FCID("YTVG")) {
    s_bSelectTvgView.store(u != 0);
    vRebuildStandardTable();
    vRefresh();
  } else if (k == FCID("SPAL") || k == FCID("SSPL")) {
    T_N_HISTORY_vSet2DColorTable(u32Fetch("SPAL", 1));
    vRebuildStandardTable();
    vRefresh();
  } else if (k == FCID("CPF2") || k == FCID("CPFL") || k == FCID("CPFS") || k == FCID("CPTS")) {
    vRebuildAllTables();
    vRefresh();
  } else if (k == FCID("SDSC")) {
    if (!T_N_HISTORY_vSetSonarColorTable(u)) {
      // A palette number from a peer or a saved store outside 1-8 keeps the
      // previous palette.
      log_me("history: imaging palette %u is not 1 to 8; kept %u", u, s_u32DIColor);
      return;
    }
    s_u32DIColor = u;
    vRebuildAllTables();
    vRefresh();
  } else if (k == FCID("SSS8")) {
    s_s8RelativeGainSetting83kHz = s8Clamp(m->dbValue.s32Val);
    if (S_TRANSDUCER_u32LFBeamFrequencyHertz() >= 83000) {
      vSetLFBeamRelativeGain(83000);
      vRefresh();
    }
  } else if (k == FCID("SSS5")) {
    s_s8RelativeGainSetting50kHz = s8Clamp(m->dbValue.s32Val);
    const U32 hz = S_TRANSDUCER_u32LFBeamFrequencyHertz();
    if (hz != 0 && hz <= 50000) {
      vSetLFBeamRelativeGain(50000);
      vRefresh();
    }
  } else if (k == FCID("SSS4")) {
    db_s32SidebeamSensitivity = m->dbValue.s32Val;
    vSetImagingGains();
    vRefresh();
  }
}

void vRegisterDatabaseItems(BOOLEAN bForce) {
  U32 state = 0;
  while (!H_DATABASE_bFetchU32(FCID("CCST"), &state)) L_CLOCK_Sleep(1);
  const U32 pri = bForce ? P_NORMAL : P_DEFAULT_SETTING;
  const SETTING settings[] = {
      // The sonar views' display keys: a view registered later takes its
      // name from its key.
      {"SVSO", TRUE, D_UNKNOWN, s_txtSonarView, FALSE, FALSE},
      {"SVDO", TRUE, D_UNKNOWN, s_txtNadscanView, FALSE, FALSE},
      {"SVSZ", TRUE, D_UNKNOWN, s_txtSonarZoomView, FALSE, FALSE},
      {"SVBD", TRUE, D_UNKNOWN, s_txtBigDigitsView, FALSE, FALSE},
      {"SVSB", TRUE, D_UNKNOWN, s_txtSideBeamView, FALSE, FALSE},
      {"SVSV", TRUE, D_UNKNOWN, s_txtLatscanView, FALSE, FALSE},
      {"SVSS", FALSE, D_UNKNOWN, s_txtSplitSonarView, FALSE, FALSE},
      {"SVS2", TRUE, D_UNKNOWN, s_txtSideSonarCombo, FALSE, FALSE},
      {"SV2D", TRUE, D_UNKNOWN, s_txtDownSonarCombo, FALSE, FALSE},
      {"SSCI", TRUE, D_UNKNOWN, s_txtColorBar, TRUE, FALSE},
      {"SSTO", TRUE, D_UNKNOWN, s_txtTemperature, TRUE, FALSE},
      {"SSBV", 0, D_UNKNOWN, s_txtBottomView, TRUE, FALSE},
      {"SSPL", 1, D_UNKNOWN, s_txtSonar, TRUE, FALSE},
      {"SSS2", 10, D_UNKNOWN, s_txtSensitivity, TRUE, FALSE},
      {"SSS8", 0, D_SIGNED32, nullptr, TRUE, FALSE},
      {"SSS5", 0, D_SIGNED32, nullptr, TRUE, FALSE},
      {"SSS4", 0, D_SIGNED32, nullptr, TRUE, FALSE},
      {"SDSC", 6, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSSC", 6, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSWV", 3, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSZL", 0, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSBL", FALSE, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSZB", 25, D_PERCENT, nullptr, TRUE, FALSE},
      {"SSWF", 140, D_UNKNOWN, s_txtWhiteLine, TRUE, FALSE},
      {"SSSP", 5, D_UNKNOWN, s_txtChartSpeed, TRUE, FALSE},
      {"SSRW", 66, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSQL", QUAD_LAYOUT_HORIZONTAL, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"YSWA", 0, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SDBW", 2, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSSV", 1, D_UNKNOWN, s_txtBeamSelect, FALSE, FALSE},
      {"YSSV", 1, D_UNKNOWN, s_txtBeamSelect, TRUE, FALSE},
      {"SSDL", 3, D_UNKNOWN, s_txtDepthLines, TRUE, FALSE},
      {"SSFI", FALSE, D_UNKNOWN, nullptr, FALSE, FALSE},
      {"YSFI", FALSE, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSFA", FISH_SIZE_ALARM_OFF, D_UNKNOWN, nullptr, FALSE, FALSE},
      {"YSFA", FISH_SIZE_ALARM_OFF, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SSZW", 400, D_UNKNOWN, nullptr, TRUE, FALSE},
      {"SZS2", 50, D_SIGNED32, nullptr, TRUE, FALSE},
      {"SZD2", 50, D_SIGNED32, nullptr, TRUE, FALSE},
      {"SUDP", U_METRES, D_UNITS, s_txtUnitsDepth, FALSE, FALSE},
      {"YUDP", U_METRES, D_UNITS, s_txtUnitsDepth, TRUE, FALSE},
  };
  for (const SETTING& s : settings) {
    H_DATABASE_bUpdateEverythingU32(u32Key(s.key), s.value, pri, s.type, s.text, DB_NO_TIMEOUT);
    if (s.bRegister) H_DATABASE_bRegisterForDataWithConditions(u32Key(s.key), M_HISTORY, TRUE, FALSE, FALSE);
  }
  const struct {
    const char* key;
    F32 value;
    BOOLEAN bRegister;
  } depths[] = {{"SSLD", 0.0f, FALSE}, {"YSLD", 0.0f, TRUE}, {"SSUD", 0.0f, TRUE}, {"CSPD", 30.0f, TRUE}};
  for (const auto& d : depths) {
    H_DATABASE_bUpdateEverythingFloat(u32Key(d.key), d.value, pri, D_DEPTH, nullptr, DB_NO_TIMEOUT);
    if (d.bRegister) H_DATABASE_bRegisterForDataWithConditions(u32Key(d.key), M_HISTORY, TRUE, FALSE, FALSE);
  }
  H_DATABASE_bUpdateEverythingBoolean(FCID("ISEN"), TRUE, P_UNOWNED, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bRegisterForDataWithConditions(FCID("ISEN"), M_HISTORY, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("IDEP"), M_HISTORY, TRUE, TRUE, FALSE);
  for (const char* key : {"YST1", "YST2", "YST3", "SPAL", "YTVG", "ENPM", "ELPM", "CVEW", "CVAS", "SLNG", "CSBP",
                          "CCST", "CPTS", "CPFL", "CPF2", "CPFS", "SITM", "SDSL"}) {
    H_DATABASE_bRegisterForDataWithConditions(u32Key(key), M_HISTORY, TRUE, FALSE, FALSE);
  }
  SonarViewInfo.u32RTSWidth = 66;
  SonarViewInfo.eQuadLayout = QUAD_LAYOUT_HORIZONTAL;
  vApplyUnits(U_METRES);
  S_COLUMNS_vResetTemperature();
  H_DATABASE_bUpdateEverythingU32(FCID("TSMG"), M_HISTORY, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
}

// The connected transducer's keys, as the unit had them: a value already
// stored is kept.
void vWriteTransducerKeys(void) {
  U32 v = 0;
  if (!H_DATABASE_bFetchU32(FCID("SSTD"), &v)) H_DATABASE_bUpdateValueU32(FCID("SSTD"), 15, P_NORMAL);
  U32 ssts = 0;
  if (!H_DATABASE_bFetchU32(FCID("SSTS"), &ssts)) {
    ssts = u32Fetch("SSTD", 15);
    if (ssts == 0) ssts = 15;
    H_DATABASE_bUpdateEverythingU32(FCID("SSTS"), ssts, P_NORMAL, D_UNKNOWN, s_txtConnected, DB_NO_TIMEOUT);
  }
  for (FOURCHARID key : {FCID("YST1"), FCID("YST2"), FCID("YST3")}) {
    if (!H_DATABASE_bFetchU32(key, &v)) H_DATABASE_bUpdateValueU32(key, ssts, P_NORMAL);
  }
}

void vServeMailbox(void) {
  while (void* p = L_MBOX_Receive(M_HISTORY)) {
    const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
    switch (g->Cmd) {
      case CMD_ID_SHUTDOWN:
        s_bShutdown = TRUE;
        break;
      case CMD_ID_NEW_DATA:
        if (!s_bShutdown) vHandleNewData((const MESSAGE_NEW_DATA*)p);
        break;
      case CMD_ID_RESET_POS:
        (void)vMakeCursorInactive(0);
        S_ENHANCE_vClose(FALSE);
        break;
      case CMD_ID_KEY_CHANGE:
        if (!s_bShutdown) S_HISTORY_vKey((const MSG_KEY_CHANGE*)p);
        break;
      default:
        break;
    }
    H_MEMORY_vDumpMail(p);
  }
}

}  // namespace

void T_N_HISTORY_vTask(void) {
  vRegisterDatabaseItems(FALSE);
  s_pTransducerSelectionDelay = L_TIMER_Allocate();
  if (s_pTransducerSelectionDelay == nullptr) log_me("history: no timers available");
  s_u32SupportedBeams = S_TRANSDUCER_u32GetBeamsSupportedByModel();
  S_HISTORY_vCreate();
  T_N_HISTORY_vSet2DColorTable(u32Fetch("SPAL", 1));
  (void)T_N_HISTORY_vSetSonarColorTable(s_u32DIColor);
  S_HISTORY_vEmpty();
  vRebuildAllTables();
  gbSonarWindowsSetup.store(TRUE);
  (void)L_SEMA_Signal(SEMA_TNHIST_WAIT);
  U32 v = 0;
  for (FOURCHARID key : {FCID("TVUE"), FCID("TPNG"), FCID("TSNR")}) {
    while (!H_DATABASE_bFetchU32(key, &v)) L_CLOCK_Sleep(5);
  }
  L_CLOCK_Sleep(2000);
  vWriteTransducerKeys();
  for (FOURCHARID key : {FCID("SSTS"), FCID("YST1"), FCID("YST2"), FCID("YST3")}) {
    if (H_DATABASE_bFetchU32(key, &v) && key != FCID("SSTS")) s_db_TransducerSelectArray[key == FCID("YST1") ? 0 : 1].store(v);
  }
  H_DATABASE_vSendMailboxAllRegisteredItems(M_HISTORY);
  for (;;) {
    if (!db_SonarEnabled && s_u32NetworkPingMask == 0) {
      const SEMA list[] = {SEMA_MBOX_HISTORY, 0};
      (void)L_SEMA_WaitMultiple(list);
      vServeMailbox();
      continue;
    }
    const BOOLEAN rts = SonarViewInfo.u32RTSWidth != 0 && bRtsWindowUpdateable.load();
    const SEMA withRts[] = {SEMA_MBOX_HISTORY, SEMA_UPDATE_HISTORY, SEMA_RTS, SEMA_TIMER_TRANSELECTION, 0};
    const SEMA without[] = {SEMA_MBOX_HISTORY, SEMA_UPDATE_HISTORY, SEMA_TIMER_TRANSELECTION, 0};
    const S32 fired = L_SEMA_WaitMultiple(rts ? withRts : without);
    if (fired == SEMA_RTS) (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    if (fired == SEMA_TIMER_TRANSELECTION) {
      if (s_pTransducerSelectionDelay != nullptr) (void)L_TIMER_Stop(s_pTransducerSelectionDelay);
      s_bApplyingTransducerChange = FALSE;
      vEnableViews();
    }
    vServeMailbox();
  }
}
