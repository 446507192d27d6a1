#include "source/sonar/s_sonarviews.h"

#include <string.h>

#include "source/sonar/s_sonarmenus.h"

#include "common/db_types.h"
#include "common/language.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/u_view.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/u_ping.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/ui/t_info.h"
#include "source/ui/u_menu.h"

namespace {

#define VIEWS_TEXT_RECORD(name, text)                                                            \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
VIEWS_TEXT_RECORD(s_txtPlayback, "Playback");
VIEWS_TEXT_RECORD(s_txtSimulation, "Simulation");

constexpr U32 kInfoAlphas = 0x8C8C56;

void vRegisterView(DRAW_FUNCTION* draw, LAYER_ID view, FOURCHARID key, BOOLEAN bDefault, LAYER_ID info,
                   U32 infoUser) {
  (void)U_VIEW_bRegisterLayer(draw, view, USED_BY_NONE, 0, key, bDefault, s_txtPlayback, s_txtSimulation,
                              s_txtSimulation);
  (void)U_VIEW_bRegisterLayer(&T_INFO_vDrawInfoLayer_Instrumentation_SonarView, info, view, infoUser, 0, TRUE,
                              nullptr, nullptr, nullptr);
}

void vRemoveView(LAYER_ID view, LAYER_ID info) {
  (void)U_VIEW_bUnRegisterLayer(info);
  (void)U_VIEW_bUnRegisterLayer(view);
}

void vView2D(BOOLEAN bEnable) {
  if (bEnable) {
    vRegisterView(&T_N_HISTORY_vDrawFullScreenSonar, SONAR_VIEW_PRIORITY, FCID("SVSO"), TRUE, INFO_SONAR_VIEW_LAYER,
                  kInfoAlphas);
  } else {
    vRemoveView(SONAR_VIEW_PRIORITY, INFO_SONAR_VIEW_LAYER);
  }
}

void vView2DZoom(BOOLEAN bEnable) {
  if (bEnable) {
    vRegisterView(&T_N_HISTORY_vDrawZoomSonar, SONAR_ZOOM_VIEW_PRIORITY, FCID("SVSZ"), TRUE,
                  INFO_SONAR_ZOOM_VIEW_LAYER, 0);
  } else {
    vRemoveView(SONAR_ZOOM_VIEW_PRIORITY, INFO_SONAR_ZOOM_VIEW_LAYER);
  }
}

void vViewNadscan(BOOLEAN bEnable) {
  if (bEnable) {
    vRegisterView(&T_N_HISTORY_vDrawNadscan, NADSCAN_VIEW_PRIORITY, FCID("SVDO"), TRUE, INFO_NADSCAN_VIEW_LAYER,
                  kInfoAlphas);
  } else {
    vRemoveView(NADSCAN_VIEW_PRIORITY, INFO_NADSCAN_VIEW_LAYER);
  }
}

void vViewZireRazi(BOOLEAN bEnable) {
  if (bEnable) {
    log_me("sonar views: side-and-down view registered");
    vRegisterView(&T_N_HISTORY_vDrawDownAndSidebeamView, SONAR_SIDEVIEW_AND_DOWN, FCID("SVSB"), TRUE,
                  INFO_SIDEVIEW_AND_DOWN_LAYER, 0);
  } else {
    vRemoveView(SONAR_SIDEVIEW_AND_DOWN, INFO_SIDEVIEW_AND_DOWN_LAYER);
  }
}

void vViewVerticalScroll(BOOLEAN bEnable) {
  if (bEnable) {
    vRegisterView(&T_N_HISTORY_vDrawVerticalScrollView, SONAR_SIDEVIEW, FCID("SVSV"), TRUE,
                  INFO_SONAR_SIDE_VIEW_LAYER, 0);
  } else {
    vRemoveView(SONAR_SIDEVIEW, INFO_SONAR_SIDE_VIEW_LAYER);
  }
}

// A split view of the 2D history beside an imaging pane: both sides share
// the view's display key and split key; its information layer covers both.
void vRegisterComboView(LAYER_ID view, FOURCHARID key, FOURCHARID split, DRAW_FUNCTION* left, DRAW_FUNCTION* right,
                        LAYER_ID info) {
  (void)U_VIEW_bRegisterLayerSplit(left, view, USED_BY_NONE, 0, key, TRUE, s_txtPlayback, s_txtSimulation,
                                   s_txtSimulation, SPLIT_LEFT_WINDOW, split);
  (void)U_VIEW_bRegisterLayerSplit(right, view, USED_BY_NONE, 0, key, TRUE, s_txtPlayback, s_txtSimulation,
                                   s_txtSimulation, SPLIT_RIGHT_WINDOW, split);
  (void)U_VIEW_bRegisterLayer(&T_INFO_vDrawInfoLayer_Instrumentation_SonarView, info, view, kInfoAlphas, 0, TRUE,
                              nullptr, nullptr, nullptr);
}

void vRemoveComboView(LAYER_ID view, LAYER_ID info) {
  (void)U_VIEW_bUnRegisterLayer(info);
  (void)U_VIEW_bUnRegisterLayerSplit(view, SPLIT_LEFT_WINDOW);
  (void)U_VIEW_bUnRegisterLayerSplit(view, SPLIT_RIGHT_WINDOW);
}

void vViewSideScan2DCombo(BOOLEAN bEnable) {
  if (bEnable) {
    vRegisterComboView(SONAR_SIDESCAN_PLUS_2D_PRIORITY, FCID("SVS2"), FCID("SZS2"), &T_N_HISTORY_vDrawSonarSplit,
                       &T_N_HISTORY_vDrawVerticalScrollView, INFO_SONAR_SIDE_VIEW_2D_LAYER);
  } else {
    vRemoveComboView(SONAR_SIDESCAN_PLUS_2D_PRIORITY, INFO_SONAR_SIDE_VIEW_2D_LAYER);
  }
}

void vViewNadscanPlus2D(BOOLEAN bEnable) {
  if (bEnable) {
    vRegisterComboView(NADSCAN_PLUS_2D_VIEW_PRIORITY, FCID("SV2D"), FCID("SZD2"), &T_N_HISTORY_vDrawSonarSplit,
                       &T_N_HISTORY_vDrawNadscanSplit, INFO_NADSCAN_VIEW_2D_LAYER);
  } else {
    vRemoveComboView(NADSCAN_PLUS_2D_VIEW_PRIORITY, INFO_NADSCAN_VIEW_2D_LAYER);
  }
}

void vViewDualBeamScreen(BOOLEAN bEnable) {
  if (!bEnable) {
    vRemoveView(SONAR_DUAL_BEAM_VIEW_PRIORITY, INFO_DUAL_BEAM_VIEW_LAYER);
    return;
  }
  U32 yst1 = 0;
  (void)H_DATABASE_bFetchU32(FCID("YST1"), &yst1);
  if ((S_TRANSDUCER_u32GetBeamsForTransducer((U8)yst1) & 0xE & 0x30010F) == 0) return;
  vRegisterView(&T_N_HISTORY_vDrawDualBeamView, SONAR_DUAL_BEAM_VIEW_PRIORITY, FCID("SVSS"), FALSE,
                INFO_DUAL_BEAM_VIEW_LAYER, 0);
}

void vSetLF(BOOLEAN bEnable, U32 khz, U32 beamBit) {
  if (bEnable && (S_TRANSDUCER_u32GetBeamsSupportedByModel() & beamBit) != 0) {
    H_DATABASE_bUpdateValueU32(FCID("CSFL"), khz, P_NORMAL);
  }
}
void vSetLFBeam83kHz(BOOLEAN bEnable) { vSetLF(bEnable, 83, TRANSDUCER_BEAM_83); }
void vSetLFBeam50kHz(BOOLEAN bEnable) { vSetLF(bEnable, 50, TRANSDUCER_BEAM_50); }

// Entries without a function of their own here (the views of other
// modules, the views that register nothing): they register nothing.
void vNotOffered(BOOLEAN) {}

#define E(type, fn) {type, &fn, #fn}
// An entry of the sonar menus, found by its name.
#define N(type, name) {type, sonarmenus::pfnMenuFunction(name, &vNotOffered), name}

const TRANSDUCER_EVENT TransducerDataBaseDownLooking[] = {
    E(255, vView2D), E(255, vView2DZoom), N(255, "vViewMegaDigits"), N(255, "vMenuFishAlarm"),
    N(255, "vMenuDepthAlarm"), N(255, "vMenuFishSensitivity"), N(255, "vMenuFishId"), N(255, "vMenuBottomView"),
    N(255, "vMenuSurfaceClutter"), N(255, "vViewOverlayCombo"), N(255, "vMenuRTSWindow"), N(255, "vMenuDepthOffset"),
    N(255, "vMenu200kHzFrequency"), N(255, "vMenuLFFrequency"), N(255, "vMenuZoomWidthWindow"),
    N(255, "vMenu2DSonarColors"), N(255, "vMenuColorIntensityBar"), N(255, "vMenuBottomLockZoom"),
    N(7, "vMenuLowerRange1000ft"),
    E(1, vViewDualBeamScreen), N(1, "vMenuBeam83kHzSelect"), N(1, "vMenu83kHzSensitivity"), E(1, vSetLFBeam83kHz),
    N(1, "vMenuLowerRange1500ft"),
    N(7, "vMenuNoiseFilter"),
    N(1, "vMenuUpperRange1500ft"), N(1, "vMenuNoiseFilter"),
    E(11, vViewDualBeamScreen), N(11, "vMenuBeam83kHzSelect"), N(11, "vMenu83kHzSensitivity"), E(11, vSetLFBeam83kHz),
    N(11, "vMenuLowerRange240ft"), N(11, "vMenuUpperRange240ft"), N(11, "vMenuNoiseFilterUS2"),
    N(4, "vMenuLowerRange3280ft"), N(4, "vMenuUpperRange3280ft"), N(4, "vMenuNoiseFilter"), E(4, vViewDualBeamScreen),
    N(4, "vMenuBeam50kHzSelect"), N(4, "vMenu50kHzSensitivity"), E(4, vSetLFBeam50kHz),
    E(8, vViewDualBeamScreen), N(8, "vMenuBeam50kHzSelect"), N(8, "vMenu50kHzSensitivity"), E(8, vSetLFBeam50kHz),
    N(8, "vMenuLowerRange3280ft"), N(8, "vMenuUpperRange3280ft"), N(8, "vMenuNoiseFilter"),
    E(2, vViewDualBeamScreen), N(2, "vMenuBeam83kHzSelect"), N(2, "vMenu83kHzSensitivity"), E(2, vSetLFBeam83kHz),
    N(2, "vMenuLowerRange1500ft"), N(2, "vMenuUpperRange1500ft"), N(2, "vMenuNoiseFilter"),
    N(3, "vMenuNoiseFilter"),
    E(5, vViewDualBeamScreen), N(5, "vMenuBeam50kHzSelect"), N(5, "vMenu50kHzSensitivity"),
    N(5, "vMenuLowerRange3280ft"), N(5, "vMenuUpperRange3280ft"), N(5, "vMenuNoiseFilter"),
    E(9, vViewDualBeamScreen), N(9, "vMenuBeam83kHzSelect"), N(9, "vMenu83kHzSensitivity"), E(9, vSetLFBeam83kHz),
    N(9, "vMenuLowerRange1500ft"), N(9, "vMenuUpperRange1500ft"), N(9, "vMenuNoiseFilter"),
    E(10, vViewDualBeamScreen), N(10, "vMenuBeam83kHzSelect"), N(10, "vMenu83kHzSensitivity"),
    E(10, vSetLFBeam83kHz), N(10, "vMenuLowerRange1500ft"), N(10, "vMenuUpperRange1500ft"),
    N(10, "vMenuNoiseFilter"),
    E(15, vViewDualBeamScreen), N(15, "vMenuBeam200kHzSelect"), N(15, "vMenuLowerRange1500ft"),
    N(15, "vMenuUpperRange1500ft"), N(15, "vMenuNoiseFilter"),
    E(17, vViewDualBeamScreen), N(17, "vMenuBeam200kHzSelect"), N(17, "vMenuBeam83kHzSelect"),
    N(17, "vMenu83kHzSensitivity"), E(17, vSetLFBeam83kHz), N(17, "vMenuLowerRange1500ft"),
    N(17, "vMenuUpperRange1500ft"), N(17, "vMenuNoiseFilter"), N(17, "vMenu83kHzSensitivity"),
    E(18, vViewDualBeamScreen), N(18, "vMenuBeam200kHzSelect"), N(18, "vMenuBeam50kHzSelect"),
    N(18, "vMenu50kHzSensitivity"), E(18, vSetLFBeam50kHz), N(18, "vMenuLowerRange1500ft"),
    N(18, "vMenuUpperRange1500ft"), N(18, "vMenuNoiseFilter"),
};

const TRANSDUCER_EVENT TransducerDataBaseImaging[] = {
    E(5, vViewNadscan), E(9, vViewNadscan), E(10, vViewNadscan), E(15, vViewNadscan), E(17, vViewNadscan),
    E(18, vViewNadscan), N(5, "vChartPlusDIView"), N(9, "vChartPlusDIView"), N(10, "vChartPlusDIView"),
    N(15, "vChartPlusDIView"), N(17, "vChartPlusDIView"), N(18, "vChartPlusDIView"),
    N(2, "vMenu455kHzSensitivity"), E(2, vViewZireRazi), N(2, "vMenuQuadLayout"),
    E(5, vViewVerticalScroll), N(5, "vMenuSideScanGrayscaleAdjustAllSideViews"), N(5, "vMenuSideScanRange"),
    N(5, "vMenuSideView"), N(5, "vMenuSideScanSettingsNormal"),
    E(9, vViewVerticalScroll), N(9, "vMenuSideScanGrayscaleAdjustAllSideViews"), N(9, "vMenuSideScanRange"),
    N(9, "vMenuSideView"), N(9, "vMenuSideScanSettingsCompact"),
    E(10, vViewVerticalScroll), N(10, "vMenuSideScanGrayscaleAdjustAllSideViews"), N(10, "vMenuSideScanRange"),
    N(10, "vMenuSideView"),
    E(16, vViewVerticalScroll), N(16, "vMenuSideScanGrayscaleAdjustAllSideViews"), N(16, "vMenuSideScanRange"),
    N(10, "vMenuSideScanSettingsHiDef"), N(16, "vMenuSideScanSettingsCompact"),
    N(15, "vMenuDISettings"), N(15, "vMenuSideScanGrayscaleAdjustAllSideViews"), N(15, "vMenu455kHzSensitivity"),
    N(17, "vMenuDISettings"), N(17, "vMenuSideScanGrayscaleAdjustAllSideViews"),
    N(18, "vMenuDISettings"), N(18, "vMenuSideScanGrayscaleAdjustAllSideViews"),
};

#define S(type, sources, name) {type, sources, sonarmenus::pfnMenuFunction(name, &vNotOffered), name}
#define SE(type, sources, fn) {type, sources, &fn, #fn}
const SONAR_SOURCE_EVENT SonarCompositeEventBase[] = {
    S(255, 0xFFFFFFFF, "vMenuSensitivity"), S(255, 0xFFFFFFFF, "vMenuChartSpeed"),
    SE(5, 0x5, vViewNadscanPlus2D), SE(9, 0x5, vViewNadscanPlus2D), SE(10, 0x5, vViewNadscanPlus2D),
    SE(15, 0x3, vViewNadscanPlus2D), SE(17, 0x3, vViewNadscanPlus2D), SE(18, 0x3, vViewNadscanPlus2D),
    S(255, 0xFFFFFFFF, "vMenuDepthLines"), S(255, 0xFFFFFFFF, "vMenuWaterType"),
    S(255, 0xFFFFFFFF, "vMenuSuperUserExtras"), S(255, 0xFFFFFFFF, "vMenuTemperatureOverlay"),
    SE(5, 0x5, vViewSideScan2DCombo), SE(9, 0x5, vViewSideScan2DCombo), SE(10, 0x5, vViewSideScan2DCombo),
    S(15, 0x3, "vDigitalDepthSelectMenu"), S(17, 0x3, "vDigitalDepthSelectMenu"),
    S(18, 0x3, "vDigitalDepthSelectMenu"),
};

BOOLEAN bCompositeApplies(const SONAR_SOURCE_EVENT& e, U8 t, U32 sources) {
  if (e.u8TransducerId == 255) return TRUE;
  if (e.u8TransducerId != t) return FALSE;
  for (U32 bit : {0x1u, 0x2u, 0x4u, 0x8u}) {
    if ((e.u32SonarSources & bit) != 0 && (sources & bit) == 0) return FALSE;
  }
  return TRUE;
}

template <size_t N>
U32 u32Matching(const TRANSDUCER_EVENT (&table)[N], U8 t, const char** names, U32 room) {
  U32 n = 0;
  if (t == 0) return 0;
  for (const TRANSDUCER_EVENT& e : table) {
    if ((e.u8TransducerId == t || e.u8TransducerId == 255) && n < room) names[n++] = e.pcName;
  }
  return n;
}

template <size_t N>
void vCallMatching(const TRANSDUCER_EVENT (&table)[N], U8 t) {
  if (t == 0) return;
  for (const TRANSDUCER_EVENT& e : table) {
    if (e.u8TransducerId == t || e.u8TransducerId == 255) e.pvfEnableDisable(TRUE);
  }
}

}  // namespace

void S_TRANSDUCER_vCrossCheckDigitalDepthSource(U32 DIPingsSource) {
  if (DIPingsSource != 0) return;
  // The selector's own enable function, the one the composite table calls.
  for (const SONAR_SOURCE_EVENT& e : SonarCompositeEventBase) {
    if (strcmp(e.pcName, "vDigitalDepthSelectMenu") == 0) {
      e.pvfEnableDisable(TRUE);
      return;
    }
  }
}

void S_TRANSDUCER_vEnable(BOOLEAN bTransducerConnected) {
  if (!bTransducerConnected) {
    S_SONARMENU_vTab(FALSE);
    S_TRANSDUCER_vSetCurrentTransducer(0, 0);
    S_TRANSDUCER_vSetCurrentTransducer(1, 0);
  } else if (S_TRANSDUCER_u8CurrentTransducer(0) == 0 && S_TRANSDUCER_u8CurrentTransducer(1) == 0) {
    // The first enable after start or after a disconnect.
    S_SONARMENU_vTab(TRUE);
  }
  for (const SONAR_SOURCE_EVENT& e : SonarCompositeEventBase) e.pvfEnableDisable(FALSE);
  for (const TRANSDUCER_EVENT& e : TransducerDataBaseDownLooking) e.pvfEnableDisable(FALSE);
  for (const TRANSDUCER_EVENT& e : TransducerDataBaseImaging) e.pvfEnableDisable(FALSE);
}

void S_TRANSDUCER_v2DEnable(U8 t) {
  vCallMatching(TransducerDataBaseDownLooking, t);
  S_TRANSDUCER_vSetCurrentTransducer(0, t);
}

void S_TRANSDUCER_vImagingEnable(U8 t) {
  if (t != 0) {
    // The 360-degree items stay off while that source is disconnected.
    const BOOLEAN off360 =
        t == 16 && U_PING_eGetNetworkClientState(SONAR_SOURCE_360) == NETWORK_CLIENT_STATE_DISCONNECTED;
    for (const TRANSDUCER_EVENT& e : TransducerDataBaseImaging) {
      if (e.u8TransducerId != t && e.u8TransducerId != 255) continue;
      e.pvfEnableDisable(TRUE);
      if (off360 && e.u8TransducerId == 16) e.pvfEnableDisable(FALSE);
    }
  }
  S_TRANSDUCER_vSetCurrentTransducer(1, t);
}

void S_TRANSDUCER_vCompositeEnable(U8 t, U32 sources) {
  U32 yst3 = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("YST3"), &yst3, &valid) || !valid) yst3 = 0;
  const NETWORK_CLIENT_STATE st = U_PING_eGetNetworkClientState(SONAR_SOURCE_360);
  for (const SONAR_SOURCE_EVENT& e : SonarCompositeEventBase) {
    if (bCompositeApplies(e, t, sources)) e.pvfEnableDisable(TRUE);
  }
  if (t != 16) return;
  for (const SONAR_SOURCE_EVENT& e : SonarCompositeEventBase) {
    if (e.u32SonarSources == 0xFFFFFFFF) continue;
    const BOOLEAN needsSide = (e.u32SonarSources & 0x4) != 0, needs360 = (e.u32SonarSources & 0x8) != 0;
    if (st <= NETWORK_CLIENT_STATE_LOCAL && yst3 == 16 && needsSide) e.pvfEnableDisable(FALSE);
    if (st == NETWORK_CLIENT_STATE_DISCONNECTED && needs360 && (yst3 == 16 || !needsSide)) {
      e.pvfEnableDisable(FALSE);
    }
  }
}

U32 S_TRANSDUCER_u32Enabled2D(U8 t, const char** names, U32 room) {
  return u32Matching(TransducerDataBaseDownLooking, t, names, room);
}

U32 S_TRANSDUCER_u32EnabledImaging(U8 t, const char** names, U32 room) {
  return u32Matching(TransducerDataBaseImaging, t, names, room);
}

U32 S_TRANSDUCER_u32EnabledComposite(U8 t, U32 sources, const char** names, U32 room) {
  U32 n = 0;
  for (const SONAR_SOURCE_EVENT& e : SonarCompositeEventBase) {
    if (bCompositeApplies(e, t, sources) && n < room) names[n++] = e.pcName;
  }
  return n;
}
