// The sonar menu items per transducer. Each enable function registers its
// items with TRUE and removes the same items with FALSE; a removal of items
// that were never registered is ignored by the menu task. Registering an
// item again under the same text record replaces it (the menu task's rule),
// so an item that two entries of a transducer register appears once.
#include "source/sonar/s_sonarmenus.h"

#include "common/db_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "common/view_types.h"
#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping_share.h"
#include "source/sonar/u_ping.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_menu.h"

#define SONARMENU_TEXT(name, text)                                                               \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}

SONARMENU_TEXT(g_SONAR_txtSonarTab, "Sonar");

namespace {

// ------------------------------------------------------------ texts
SONARMENU_TEXT(Connected_Transducer, "Connected Transducer");
SONARMENU_TEXT(Quad_Layout, "Quad Layout");
SONARMENU_TEXT(Bottom_Lock, "Bottom Lock");
SONARMENU_TEXT(SI_Side, "SI Side");
SONARMENU_TEXT(SI_Range_Lines, "SI Range Lines");
SONARMENU_TEXT(n455kHz_Sensitivity, "455kHz Sensitivity");
SONARMENU_TEXT(n83kHz_Sensitivity, "83kHz Sensitivity");
SONARMENU_TEXT(n50kHz_Sensitivity, "50kHz Sensitivity");
SONARMENU_TEXT(Beam_Select, "Beam Select");
SONARMENU_TEXT(Noise_Filter, "Noise Filter");
SONARMENU_TEXT(Color_Bar, "Color Bar");
SONARMENU_TEXT(Sonar_Colors, "Sonar Colors");
SONARMENU_TEXT(Zoom_Width, "Zoom Width");
SONARMENU_TEXT(Frequency_LF, "/LF Adj");
SONARMENU_TEXT(Frequency_200kHz, "/200kHz Adj");
SONARMENU_TEXT(Depth_Offset, "Depth Offset");
SONARMENU_TEXT(RTS_Window, "RTS Window");
SONARMENU_TEXT(Surface_Clutter, "Surface Clutter");
SONARMENU_TEXT(Flarevex, "Flarevex");
SONARMENU_TEXT(Bottom_View, "Bottom View");
SONARMENU_TEXT(Piscora_Plus, "Piscora +");
SONARMENU_TEXT(Fish_ID_Sensitivity, "Fish ID Sensitivity");
SONARMENU_TEXT(Depth_Alarm, "Depth Alarm");
SONARMENU_TEXT(Fish_ID_Alarm, "Fish ID Alarm");
SONARMENU_TEXT(Remote_Depth_Alarm, "Remote Depth Alarm");
SONARMENU_TEXT(Remote_Depth, "Remote Depth");
SONARMENU_TEXT(Temperature_Graph, "Temperature Graph");
SONARMENU_TEXT(Water_Type, "Water Type");
SONARMENU_TEXT(Depth_Lines, "Depth Lines");
SONARMENU_TEXT(Digital_Depth_Source, "Digital Depth Source");
SONARMENU_TEXT(Sensitivity, "Sensitivity");
SONARMENU_TEXT(Chart_Speed, "Chart Speed");
SONARMENU_TEXT(Upper_Range, "Upper Range");
SONARMENU_TEXT(Max_Depth, "Max Depth");
SONARMENU_TEXT(Lower_Range, "Lower Range");
SONARMENU_TEXT(SI_Range, "SI Range");
SONARMENU_TEXT(DI_Enhance, "DI Enhance");
SONARMENU_TEXT(Nadscan_Sensitivity, "Down Sensitivity");
SONARMENU_TEXT(Nadscan_Frequency, "Imaging Frequency");
SONARMENU_TEXT(Jigging_Mode, "Jigging Mode");
SONARMENU_TEXT(Transmit_Power, "Transmit Power");
SONARMENU_TEXT(Transmit_Cycles, "Transmit Cycles");
SONARMENU_TEXT(WhiteLine_Level, "WhiteLine Level");
SONARMENU_TEXT(n50kHz_Cutoff, "50kHz Cutoff");
SONARMENU_TEXT(n83kHz_Cutoff, "83kHz Cutoff");
SONARMENU_TEXT(n200kHz_Cutoff, "200kHz Cutoff");
SONARMENU_TEXT(n455kHz_Cutoff, "455kHz Cutoff");
SONARMENU_TEXT(Bandwidth_50_83, "/Bandwidth 50/83");
SONARMENU_TEXT(Bandwidth_200, "/Bandwidth 200");
SONARMENU_TEXT(Bandwidth_SI, "/Bandwidth SI");
SONARMENU_TEXT(RTS_Mode, "RTS Mode");
SONARMENU_TEXT(SI_Colors, "SI Colors");
SONARMENU_TEXT(DI_Color, "DI Colors");
SONARMENU_TEXT(TVG_Adjust, "TVG Adjust");
SONARMENU_TEXT(Frequency_800kHz, "/800kHz Adj");
SONARMENU_TEXT(Frequency_462kHz, "/462kHz Adj");
SONARMENU_TEXT(Frequency_262kHz, "/262kHz Adj");
SONARMENU_TEXT(Side_View, "Side View");
// Choice texts.
SONARMENU_TEXT(Off, "Off");
SONARMENU_TEXT(On, "On");
SONARMENU_TEXT(Auto, "Auto");
SONARMENU_TEXT(Default, "Default");
SONARMENU_TEXT(Classic, "Classic");
SONARMENU_TEXT(Slanted, "Slanted");
SONARMENU_TEXT(Left, "Left");
SONARMENU_TEXT(Both, "Both");
SONARMENU_TEXT(Right, "Right");
SONARMENU_TEXT(B200_83, "200/83kHz");
SONARMENU_TEXT(B200_50, "200/50kHz");
SONARMENU_TEXT(B200, "200kHz");
SONARMENU_TEXT(B83, "83kHz");
SONARMENU_TEXT(B50, "50kHz");
SONARMENU_TEXT(B455, "455kHz");
SONARMENU_TEXT(B800, "800kHz");
SONARMENU_TEXT(B262, "262kHz");
SONARMENU_TEXT(Low, "Low");
SONARMENU_TEXT(Medium, "Medium");
SONARMENU_TEXT(High, "High");
SONARMENU_TEXT(High1, "High 1");
SONARMENU_TEXT(High2, "High 2");
SONARMENU_TEXT(High3, "High 3");
SONARMENU_TEXT(Gray, "Gray");
SONARMENU_TEXT(Green, "Green");
SONARMENU_TEXT(Inverse, "Inverse");
SONARMENU_TEXT(OriginalPalette, "Original Palette");
SONARMENU_TEXT(Palette1, "Palette 1");
SONARMENU_TEXT(Palette2, "Palette 2");
SONARMENU_TEXT(Palette3, "Palette 3");
SONARMENU_TEXT(Narrow, "Narrow");
SONARMENU_TEXT(Wide, "Wide");
SONARMENU_TEXT(MaxMode, "Max Mode");
SONARMENU_TEXT(ClearMode, "Clear Mode");
SONARMENU_TEXT(StructureView, "Structure View");
SONARMENU_TEXT(WhiteLine, "WhiteLine");
SONARMENU_TEXT(Fresh, "Fresh");
SONARMENU_TEXT(SaltShallow, "Salt (shallow)");
SONARMENU_TEXT(SaltDeep, "Salt (deep)");
SONARMENU_TEXT(Element2D, "2D Element");
SONARMENU_TEXT(Blue, "Blue");
SONARMENU_TEXT(Amber1, "Amber 1");
SONARMENU_TEXT(Amber2, "Amber 2");
SONARMENU_TEXT(Brown, "Brown");
SONARMENU_TEXT(GreenRed, "Green/Red");

// ------------------------------------------------------------ choices
#define CHOICES(name, ...) const DB_TEXT_RECORD name[] = {__VA_ARGS__}
#define VALUES(name, ...) const U32 name[] = {__VA_ARGS__}
#define COUNT(a) ((U32)(sizeof(a) / sizeof((a)[0])))

CHOICES(s_offOn, Off, On);
VALUES(s_offOnValues, 0, 1);
CHOICES(s_quad, Default, Classic, Slanted);
VALUES(s_quadValues, 1, 0, 3);
CHOICES(s_side, Left, Both, Right);
VALUES(s_sideValues, 1, 3, 2);
CHOICES(s_beam83, B200_83, B200, B83);
VALUES(s_beam83Values, 4, 1, 0);
CHOICES(s_beam50, B200_50, B200, B50);
VALUES(s_beam50Values, 4, 1, 0);
CHOICES(s_beam200For17, B200, B83);
VALUES(s_beam200For17Values, 1, 0);
CHOICES(s_beam200For18, B200, B50);
VALUES(s_beam200For18Values, 1, 0);
CHOICES(s_beam200, B200, B455);
VALUES(s_beam200Values, 1, 2);
CHOICES(s_noise, Off, Low, Medium, High1, High2, High3);
VALUES(s_noiseValues, 0, 25, 50, 75, 100, 125);
CHOICES(s_palettes, Gray, Green, Inverse, OriginalPalette, Palette1, Palette2, Palette3);
VALUES(s_paletteValues, 5, 7, 6, 4, 1, 2, 3);
CHOICES(s_zoomWidth, Narrow, Medium, Wide);
VALUES(s_zoomWidthValues, 400, 300, 200);
CHOICES(s_rts, Wide, Narrow, Off);
VALUES(s_rtsValues, 100, 66, 0);
CHOICES(s_tvg, MaxMode, ClearMode);
VALUES(s_tvgValues, 0, 1);
CHOICES(s_bottomView, StructureView, WhiteLine);
VALUES(s_bottomViewValues, 0, 1);
CHOICES(s_water, Fresh, SaltShallow, SaltDeep);
VALUES(s_waterValues, 0, 2, 1);
CHOICES(s_depthLines, Off, On);
VALUES(s_depthLinesValues, 0, 3);
CHOICES(s_digitalDepth, Auto, Element2D);
VALUES(s_digitalDepthValues, 0, 1);
CHOICES(s_power, Auto, Low, Medium, High);
VALUES(s_powerValues, 0, 1, 2, 3);
CHOICES(s_bandwidth, Auto, Narrow, Medium, Wide);
VALUES(s_bandwidthValues, 0, 1, 3, 2);
CHOICES(s_siColors, Blue, Amber1, Amber2, Brown, Green, Inverse, Gray, GreenRed);
VALUES(s_siColorValues, 5, 6, 7, 4, 3, 1, 2, 8);
CHOICES(s_freq800, B455, B800);
VALUES(s_freq800Values, FCID("SSF4"), FCID("SSF5"));
CHOICES(s_freq262, B455, B262);
VALUES(s_freq262Values, FCID("SSF4"), FCID("SSF3"));
// The fish alarm offers its choices as icons: off, or the sizes of fish
// that sound it.
const ICON* const s_fishAlarmIcons[] = {&Off_icon, &LRMSfish_icon, &LRMfish_icon, &LRfish_icon};
VALUES(s_fishAlarmValues, 0, 1, 2, 3);

// The transducer selection: type 15 first, then the supported types.
DB_TEXT_RECORD s_TransducerList[19];
U32 s_TransducerValues[19];
U8 s_u8TransducersInList = 0;

// ------------------------------------------------------------ limits
const MENU_LIMITS s_sens10[] = {{U_NONE, -10.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_one20[] = {{U_NONE, 1.0f, 20.0f, 1.0f}};
const MENU_LIMITS s_one10[] = {{U_NONE, 1.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_lf[] = {{U_NONE, 10.0f, 200.0f, 1.0f}};
const MENU_LIMITS s_f200[] = {{U_NONE, 50.0f, 400.0f, 1.0f}};
const MENU_LIMITS s_f800[] = {{U_NONE, 10.0f, 800.0f, 1.0f}};
const MENU_LIMITS s_tvgAdjust[] = {{U_NONE, 0.0f, 255.0f, 1.0f}};
const MENU_LIMITS s_cycles[] = {{U_NONE, 0.0f, 80.0f, 1.0f}};
const MENU_LIMITS s_whiteLine[] = {{U_NONE, 1.0f, 256.0f, 1.0f}};
const MENU_LIMITS s_cutoff[] = {{U_NONE, 1.0f, 255.0f, 1.0f}};
const MENU_LIMITS s_depthOffset[] = {
    {U_FEET, -10.0f, 10.0f, 0.1f}, {U_METRES, -3.0f, 3.0f, 0.1f}, {U_FATHOMS, -4.0f, 4.0f, 0.1f},
    {U_NONE, 1.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_depthAlarm[] = {
    {U_FEET, 0.0f, 100.0f, 1.0f}, {U_METRES, 0.0f, 30.0f, 0.5f}, {U_FATHOMS, 0.0f, 50.0f, 0.1f},
    {U_NONE, 1.0f, 10.0f, 1.0f}};
#define DEPTH_LIMITS(name, ft0, ft, m0, m, fa0, fa)                                            \
  const MENU_LIMITS name[] = {{U_FEET, ft0, ft, 1.0f}, {U_METRES, m0, m, 1.0f}, {U_FATHOMS, fa0, fa, 1.0f}, \
                              {U_NONE, 1.0f, 10.0f, 1.0f}}
DEPTH_LIMITS(s_upper3280, 0.0f, 3270.0f, 0.0f, 997.0f, 0.0f, 543.0f);
DEPTH_LIMITS(s_upper1500, 0.0f, 1490.0f, 0.0f, 497.0f, 0.0f, 248.0f);
DEPTH_LIMITS(s_upper240, 0.0f, 230.0f, 0.0f, 72.0f, 0.0f, 38.0f);
DEPTH_LIMITS(s_lower3280, 1.0f, 3280.0f, 0.0f, 1000.0f, 0.0f, 545.0f);
DEPTH_LIMITS(s_lower1500, 1.0f, 1500.0f, 0.0f, 500.0f, 0.0f, 250.0f);
DEPTH_LIMITS(s_lower1000, 1.0f, 1000.0f, 0.0f, 330.0f, 0.0f, 170.0f);
DEPTH_LIMITS(s_lower240, 1.0f, 240.0f, 0.0f, 75.0f, 0.0f, 40.0f);
const MENU_LIMITS s_siRange[] = {
    {U_FEET, 6.0f, 360.0f, 1.0f}, {U_METRES, 2.0f, 120.0f, 1.0f}, {U_FATHOMS, 1.0f, 60.0f, 1.0f},
    {U_NONE, 0.0f, 10.0f, 1.0f}};
const MENU_STEP_LEVELS s_steps[] = {
    {U_FEET, 50.0f, 150.0f}, {U_METRES, 15.0f, 45.0f}, {U_FATHOMS, 10.0f, 25.0f}, {U_NONE, 15.0f, 45.0f}};

U32 u32Key(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

// ------------------------------------------------------------ windows
using WINDOWS = const VIEW_AND_SPLIT*;
const VIEW_AND_SPLIT All2DViews[] = {
    {SONAR_VIEW_PRIORITY, SPLIT_FULL_WINDOW},           {SONAR_FLASHER_PRIORITY, SPLIT_FULL_WINDOW},
    {SONAR_ZOOM_VIEW_PRIORITY, SPLIT_FULL_WINDOW},      {SONAR_SIDEVIEW_AND_DOWN, SPLIT_FULL_WINDOW},
    {MEGA_DIGIT_VIEW_PRIORITY, SPLIT_FULL_WINDOW},      {SONAR_DUAL_BEAM_VIEW_PRIORITY, SPLIT_FULL_WINDOW},
    {SONAR_SIDESCAN_PLUS_2D_PRIORITY, SPLIT_LEFT_WINDOW}, {CHART_PLUS_2D_VIEW_PRIORITY, SPLIT_LEFT_WINDOW},
    {SONAR_3D_PLUS_2D_VIEW_PRIORITY, SPLIT_LEFT_WINDOW}, {NADSCAN_PLUS_2D_VIEW_PRIORITY, SPLIT_LEFT_WINDOW}};
const VIEW_AND_SPLIT AllSideViews[] = {{SONAR_SIDEVIEW, SPLIT_FULL_WINDOW},
                                       {SONAR_SIDESCAN_PLUS_2D_PRIORITY, SPLIT_RIGHT_WINDOW}};
const VIEW_AND_SPLIT AllNadscanViews[] = {{NADSCAN_VIEW_PRIORITY, SPLIT_FULL_WINDOW},
                                          {NADSCAN_PLUS_2D_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW},
                                          {CHART_PLUS_NADSCAN_VIEW_PRIORITY, SPLIT_LEFT_WINDOW}};
const VIEW_AND_SPLIT ZoomView[] = {{SONAR_ZOOM_VIEW_PRIORITY, SPLIT_FULL_WINDOW}};
const VIEW_AND_SPLIT QuadView[] = {{SONAR_SIDEVIEW_AND_DOWN, SPLIT_FULL_WINDOW}};

struct WINDOW_SET {
  const VIEW_AND_SPLIT* a;
  U32 n;
  LAYER_ID without;  // left out of a, or NO_VIEW_PRIORITY
  const VIEW_AND_SPLIT* b;
  U32 m;
};
#define SET(a) {a, COUNT(a), NO_VIEW_PRIORITY, nullptr, 0}
const WINDOW_SET k2DViews = SET(All2DViews);
const WINDOW_SET kSideViews = SET(AllSideViews);
const WINDOW_SET kImagingViews = SET(AllNadscanViews);
const WINDOW_SET kZoomView = SET(ZoomView);
const WINDOW_SET kQuadView = SET(QuadView);
const WINDOW_SET kLowerRangeViews = {All2DViews, COUNT(All2DViews), NO_VIEW_PRIORITY, AllNadscanViews,
                                     COUNT(AllNadscanViews)};
const WINDOW_SET kUpperRangeViews = {All2DViews, COUNT(All2DViews), SONAR_ZOOM_VIEW_PRIORITY, AllNadscanViews,
                                     COUNT(AllNadscanViews)};
const VIEW_AND_SPLIT ChartSpeedExtra[] = {{SONAR_SIDEVIEW, SPLIT_FULL_WINDOW},
                                          {SONAR_SIDESCAN_PLUS_2D_PRIORITY, SPLIT_RIGHT_WINDOW},
                                          {NADSCAN_VIEW_PRIORITY, SPLIT_FULL_WINDOW},
                                          {NADSCAN_PLUS_2D_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW},
                                          {CHART_PLUS_NADSCAN_VIEW_PRIORITY, SPLIT_LEFT_WINDOW}};
const WINDOW_SET kChartSpeedViews = {All2DViews, COUNT(All2DViews), SONAR_FLASHER_PRIORITY, ChartSpeedExtra,
                                     COUNT(ChartSpeedExtra)};

template <typename F>
void vEachWindow(const WINDOW_SET& set, F f) {
  for (U32 i = 0; i < set.n; ++i) {
    if (set.a[i].eView != set.without) f(set.a[i]);
  }
  for (U32 i = 0; i < set.m; ++i) f(set.b[i]);
}

void vRemoveHot(DB_TEXT_RECORD item, const WINDOW_SET& set) {
  vEachWindow(set, [&](const VIEW_AND_SPLIT& w) { (void)U_MENU_bUnregisterHotMenuItem(item, w.eView, w.eSplit); });
}

void vHotSelector(BOOLEAN b, DB_TEXT_RECORD item, MENU_PRIORITY prio, const char* key, U32 n,
                  const DB_TEXT_RECORD* texts, const U32* values, MENU_USER_LEVEL level, const WINDOW_SET& set) {
  if (!b) return vRemoveHot(item, set);
  vEachWindow(set, [&](const VIEW_AND_SPLIT& w) {
    (void)U_MENU_bRegisterHotSelectorMenu(item, nullptr, prio, u32Key(key), n, texts, values, level, w.eView,
                                          w.eSplit);
  });
}

void vHotProgBar(BOOLEAN b, DB_TEXT_RECORD item, MENU_PRIORITY prio, const char* key, const MENU_LIMITS* limits,
                 const WINDOW_SET& set) {
  if (!b) return vRemoveHot(item, set);
  vEachWindow(set, [&](const VIEW_AND_SPLIT& w) {
    (void)U_MENU_bRegisterHotProgBarMenu(item, nullptr, prio, u32Key(key), limits, nullptr, nullptr, nullptr, M_BASIC,
                                         w.eView, w.eSplit);
  });
}

void vHotVarStep(BOOLEAN b, DB_TEXT_RECORD item, MENU_PRIORITY prio, const char* key, const MENU_LIMITS* limits,
                 DB_TEXT_RECORD left, MENU_USER_LEVEL level, const WINDOW_SET& set) {
  if (!b) return vRemoveHot(item, set);
  vEachWindow(set, [&](const VIEW_AND_SPLIT& w) {
    (void)U_MENU_bRegisterHotVarStepSliderMenu(item, nullptr, prio, u32Key(key), limits, s_steps, left, nullptr,
                                               nullptr, level, w.eView, w.eSplit);
  });
}

// Main items on a tab: each registers on TRUE and is removed on FALSE.
void vMainSelector(BOOLEAN b, DB_TEXT_RECORD item, MENU_PRIORITY prio, const char* key, U32 n,
                   const DB_TEXT_RECORD* texts, const U32* values, MENU_USER_LEVEL level,
                   DB_TEXT_RECORD tab = g_SONAR_txtSonarTab) {
  if (b) {
    (void)U_MENU_bRegisterMainSelectorMenu(item, tab, prio, u32Key(key), n, texts, values, level);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(item, tab);
  }
}

void vMainSlider(BOOLEAN b, DB_TEXT_RECORD item, MENU_PRIORITY prio, const char* key, const MENU_LIMITS* limits,
                 DB_TEXT_RECORD left, MENU_USER_LEVEL level, DB_TEXT_RECORD tab = g_SONAR_txtSonarTab) {
  if (b) {
    (void)U_MENU_bRegisterMainSliderMenu(item, tab, prio, u32Key(key), limits, left, nullptr, nullptr, level);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(item, tab);
  }
}

void vMainProgBar(BOOLEAN b, DB_TEXT_RECORD item, MENU_PRIORITY prio, const char* key, const MENU_LIMITS* limits,
                  MENU_USER_LEVEL level) {
  if (b) {
    (void)U_MENU_bRegisterMainProgBarMenu(item, g_SONAR_txtSonarTab, prio, u32Key(key), limits, nullptr, nullptr,
                                          nullptr, level);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(item, g_SONAR_txtSonarTab);
  }
}

BOOLEAN bSuperUser(void) {
  BOOLEAN b = FALSE, valid = FALSE;
  return H_DATABASE_bFetchBoolean(FCID("SMSU"), &b, &valid) && valid && b;
}

U32 u32Fetch(const char* key, U32 otherwise) {
  U32 v = 0;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(u32Key(key), &v, &valid) && valid ? v : otherwise;
}

// The lower range pair: the main maximum depth and the quick lower range,
// and the maximum depth range of the transducer table.
void vLowerRange(BOOLEAN b, const MENU_LIMITS* limits, F32 fMaxMetres) {
  if (b) {
    (void)U_MENU_bRegisterMainVarStepSliderMenu(Max_Depth, g_SONAR_txtSonarTab, MENU_MAX_DEPTH_TO_PING, FCID("YSMD"),
                                                limits, s_steps, Auto, nullptr, nullptr, M_ADVANCED);
    S_TRANSDUCER_vSetMaximumDepthRangeMetres(fMaxMetres);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(Max_Depth, g_SONAR_txtSonarTab);
    S_TRANSDUCER_vSetMaximumDepthRangeMetres(100.0f);
  }
  vHotVarStep(b, Lower_Range, MENU_LOWER_DEPTH, "YSLD", limits, Auto, M_BASIC, kLowerRangeViews);
}

void vUpperRange(BOOLEAN b, const MENU_LIMITS* limits) {
  vHotVarStep(b, Upper_Range, MENU_UPPER_DEPTH, "SSUD", limits, nullptr, M_ADVANCED, kUpperRangeViews);
}

void vSideScanSettingsAll(BOOLEAN b, U32 type) {
  const BOOLEAN su = bSuperUser();
  if (!b) {
    vRemoveHot(SI_Colors, kSideViews);
    vRemoveHot(DI_Color, kImagingViews);
    (void)U_MENU_bUnregisterMainMenuItem(DI_Color, g_SONAR_txtSonarTab);
    if (su) {
      if (type == 10) (void)U_MENU_bUnregisterMainMenuItem(Frequency_800kHz, Side_View);
      if (type != 9) (void)U_MENU_bUnregisterMainMenuItem(Frequency_262kHz, Side_View);
      (void)U_MENU_bUnregisterMainMenuItem(Frequency_462kHz, Side_View);
      (void)U_MENU_bUnregisterMainMenuItem(TVG_Adjust, Side_View);
      (void)U_MENU_bUnregisterTab(Side_View);
    }
    return;
  }
  vHotSelector(TRUE, SI_Colors, MENU_SIDE_VIEW_SONAR_COLORS, "SSSC", COUNT(s_siColors), s_siColors, s_siColorValues,
               M_BASIC, kSideViews);
  vEachWindow(kImagingViews, [](const VIEW_AND_SPLIT& w) {
    (void)U_MENU_bRegisterHotSelectorMenu(DI_Color, nullptr, MENU_SIDE_VIEW_SONAR_COLORS, FCID("SDSC"),
                                          COUNT(s_siColors), s_siColors, s_siColorValues, M_BASIC, w.eView, w.eSplit);
    vMainSelector(TRUE, DI_Color, MENU_SIDE_VIEW_SONAR_COLORS, "SDSC", COUNT(s_siColors), s_siColors,
                  s_siColorValues, M_BASIC);
  });
  if (!su) return;
  (void)U_MENU_bRegisterMainProgBarMenu(TVG_Adjust, Side_View, MENU_TVG_ADJUST, FCID("SSST"), s_tvgAdjust, nullptr,
                                        nullptr, nullptr, M_BASIC);
  const BOOLEAN both = type == 15 || type == 17 || type == 18;
  const BOOLEAN only462 = type == 5 || type == 9 || type == 10;
  if (both) {
    vMainSlider(TRUE, Frequency_800kHz, MENU_800KHZ_FREQUENCY, "SSF5", s_f800, nullptr, M_BASIC, Side_View);
  } else if (type == 10) {
    log_me("sonar menus: no 800 kHz adjustment for transducer 10");
  } else if (type == 5) {
    log_me("sonar menus: no 262 kHz adjustment for transducer 5");
  }
  if (both || only462) {
    vMainSlider(TRUE, Frequency_462kHz, MENU_462KHZ_FREQUENCY, "SSF4", s_f800, nullptr, M_BASIC, Side_View);
  }
}

BOOLEAN s_bRegistered2D = FALSE;
BOOLEAN s_bSuperUserMenusEnabled = FALSE;

void vOpenDiEnhanceDialog(void) { T_N_HISTORY_vCreateDiEnhanceDialog(); }

}  // namespace

// ------------------------------------------------------------ the enable functions
namespace sonarmenus {

void vMenuQuadLayout(BOOLEAN b) {
  vHotSelector(b, Quad_Layout, MENU_QUAD_LAYOUT, "SSQL", COUNT(s_quad), s_quad, s_quadValues, M_BASIC, kQuadView);
}
void vMenuBottomLockZoom(BOOLEAN b) {
  vHotSelector(b, Bottom_Lock, MENU_SONAR_BOTTOM_LOCK_ZOOM, "SSBL", 2, s_offOn, s_offOnValues, M_BASIC, kZoomView);
}
void vMenuSideView(BOOLEAN b) {
  vHotSelector(b, SI_Side, MENU_SIDEBEAM_VIEW, "SSWV", COUNT(s_side), s_side, s_sideValues, M_BASIC, kSideViews);
  vMainSelector(b, SI_Range_Lines, MENU_SIDE_VIEW_LINES, "SSVL", 2, s_offOn, s_offOnValues, M_ADVANCED);
}
void vMenu455kHzSensitivity(BOOLEAN b) {
  vMainSlider(b, n455kHz_Sensitivity, MENU_455KHZ_QB_SENSITIVITY, "SSS4", s_sens10, nullptr, M_ADVANCED);
}
void vMenu83kHzSensitivity(BOOLEAN b) {
  vMainSlider(b, n83kHz_Sensitivity, MENU_83KHZ_SENSITIVITY, "SSS8", s_sens10, nullptr, M_ADVANCED);
}
void vMenu50kHzSensitivity(BOOLEAN b) {
  vMainSlider(b, n50kHz_Sensitivity, MENU_50KHZ_SENSITIVITY, "SSS5", s_sens10, nullptr, M_ADVANCED);
}
void vMenuBeam83kHzSelect(BOOLEAN b) {
  vMainSelector(b, Beam_Select, MENU_BEAM_SELECT, "YSSV", 3, s_beam83, s_beam83Values, M_BASIC);
}
void vMenuBeam50kHzSelect(BOOLEAN b) {
  vMainSelector(b, Beam_Select, MENU_BEAM_SELECT, "YSSV", 3, s_beam50, s_beam50Values, M_BASIC);
}
void vMenuBeam200kHzSelect(BOOLEAN b) {
  if (!b) return vMainSelector(FALSE, Beam_Select, MENU_BEAM_SELECT, "YSSV", 0, nullptr, nullptr, M_BASIC);
  const U32 t = u32Fetch("YST1", 0);
  if (t == 17) {
    vMainSelector(TRUE, Beam_Select, MENU_BEAM_SELECT, "YSSV", 2, s_beam200For17, s_beam200For17Values, M_BASIC);
  } else if (t == 18) {
    vMainSelector(TRUE, Beam_Select, MENU_BEAM_SELECT, "YSSV", 2, s_beam200For18, s_beam200For18Values, M_BASIC);
  } else {
    vMainSelector(TRUE, Beam_Select, MENU_BEAM_SELECT, "YSSV", 2, s_beam200, s_beam200Values, M_BASIC);
  }
}
void vMenuNoiseFilter(BOOLEAN b) {
  vMainSelector(b, Noise_Filter, MENU_NOISE_FILTER, "YSNF", COUNT(s_noise), s_noise, s_noiseValues, M_ADVANCED);
}
void vMenuNoiseFilterUS2(BOOLEAN b) {
  vMainSelector(b, Noise_Filter, MENU_NOISE_FILTER, "YSNU", COUNT(s_noise), s_noise, s_noiseValues, M_ADVANCED);
}
void vMenuColorIntensityBar(BOOLEAN b) {
  vMainSelector(b, Color_Bar, MENU_COLOR_INTENSITY_BAR, "SSCI", 2, s_offOn, s_offOnValues, M_BASIC);
}
void vMenu2DSonarColors(BOOLEAN b) {
  vMainSelector(b, Sonar_Colors, MENU_SONAR_COLORS, "SSPL", COUNT(s_palettes), s_palettes, s_paletteValues, M_BASIC);
}
void vMenuZoomWidthWindow(BOOLEAN b) {
  vMainSelector(b, Zoom_Width, MENU_ZOOM_WIDTH_WINDOW, "SSZW", COUNT(s_zoomWidth), s_zoomWidth, s_zoomWidthValues,
                M_BASIC);
}
void vMenuLFFrequency(BOOLEAN b) {
  if (bSuperUser()) vMainSlider(b, Frequency_LF, MENU_LF_FREQUENCY, "CSFL", s_lf, nullptr, M_BASIC);
}
void vMenu200kHzFrequency(BOOLEAN b) {
  if (bSuperUser()) vMainSlider(b, Frequency_200kHz, MENU_200KHZ_FREQUENCY, "CSF2", s_f200, nullptr, M_BASIC);
}
void vMenuDepthOffset(BOOLEAN b) {
  vMainSlider(b, Depth_Offset, MENU_DEPTH_OFFSET, "YDPO", s_depthOffset, nullptr, M_ADVANCED, g_MENU_txtSetupTab);
}
void vMenuRTSWindow(BOOLEAN b) {
  vMainSelector(b, RTS_Window, MENU_RTS_WINDOW, "SSRW", COUNT(s_rts), s_rts, s_rtsValues, M_BASIC);
}
void vMenuSurfaceClutter(BOOLEAN b) {
  vMainProgBar(b, Surface_Clutter, MENU_SURFACE_CLUTTER, "SSCL", s_one10, M_BASIC);
  vMainSelector(b, Flarevex, MENU_SONAR_TVG_SELECT, "YTVG", 2, s_tvg, s_tvgValues, M_BASIC);
}
void vMenuBottomView(BOOLEAN b) {
  vMainSelector(b, Bottom_View, MENU_BOTTOM_VIEW, "SSBV", 2, s_bottomView, s_bottomViewValues, M_BASIC);
}
void vMenuFishId(BOOLEAN b) {
  vMainSelector(b, Piscora_Plus, MENU_FISH_ID, "YSFI", 2, s_offOn, s_offOnValues, M_BASIC);
}
void vMenuFishSensitivity(BOOLEAN b) {
  vMainProgBar(b, Fish_ID_Sensitivity, MENU_FISH_ID_SENSITIVITY, "YSFS", s_one10, M_BASIC);
}
void vMenuDepthAlarm(BOOLEAN b) {
  vMainSlider(b, Depth_Alarm, MENU_DEPTH_ALARM, "YSDA", s_depthAlarm, Off, M_BASIC, g_MENU_txtAlarmsTab);
}
void vMenuFishAlarm(BOOLEAN b) {
  if (b) {
    (void)U_MENU_bRegisterMainIconSelectorMenu(Fish_ID_Alarm, g_MENU_txtAlarmsTab, MENU_FISH_ID_ALARM, FCID("YSFA"),
                                               4, s_fishAlarmIcons, s_fishAlarmValues, M_BASIC);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(Fish_ID_Alarm, g_MENU_txtAlarmsTab);
  }
}
void vMenuTemperatureOverlay(BOOLEAN b) {
  vMainSelector(b, Temperature_Graph, MENU_TEMPERATURE_OVERLAY, "SSTO", 2, s_offOn, s_offOnValues, M_BASIC);
}
void vMenuWaterType(BOOLEAN b) {
  vMainSelector(b, Water_Type, MENU_WATER_TYPE, "YSWA", COUNT(s_water), s_water, s_waterValues, M_ADVANCED);
}
void vMenuDepthLines(BOOLEAN b) {
  vMainSelector(b, Depth_Lines, MENU_DEPTH_LINES, "SSDL", 2, s_depthLines, s_depthLinesValues, M_ADVANCED);
}
void vDigitalDepthSelectMenu(BOOLEAN b) {
  vMainSelector(b, Digital_Depth_Source, MENU_DIGITAL_DEPTH_SOURCE, "SDDS", 2, s_digitalDepth, s_digitalDepthValues,
                M_ADVANCED);
}
void vMenuSensitivity(BOOLEAN b) { vHotProgBar(b, Sensitivity, MENU_SENSITIVITY, "SSS2", s_one20, k2DViews); }
void vMenuChartSpeed(BOOLEAN b) { vHotProgBar(b, Chart_Speed, MENU_SONAR_SPEED, "SSSP", s_one10, kChartSpeedViews); }
void vMenuUpperRange3280ft(BOOLEAN b) { vUpperRange(b, s_upper3280); }
void vMenuUpperRange1500ft(BOOLEAN b) { vUpperRange(b, s_upper1500); }
void vMenuUpperRange240ft(BOOLEAN b) { vUpperRange(b, s_upper240); }
void vMenuLowerRange3280ft(BOOLEAN b) { vLowerRange(b, s_lower3280, 1000.0f); }
void vMenuLowerRange1500ft(BOOLEAN b) { vLowerRange(b, s_lower1500, 500.0f); }
void vMenuLowerRange1000ft(BOOLEAN b) { vLowerRange(b, s_lower1000, 330.0f); }
void vMenuLowerRange240ft(BOOLEAN b) { vLowerRange(b, s_lower240, 75.0f); }

void vMenuSideScanRange(BOOLEAN b) {
  const DB_TEXT_RECORD left = u32Fetch("YST3", 15) == 16 ? nullptr : Auto;
  vHotVarStep(b, SI_Range, MENU_SIDEBEAM_RANGE, "YSSR", s_siRange, left, M_BASIC, kSideViews);
}

void vMenuSideScanGrayscaleAdjustAllSideViews(BOOLEAN b) {
  if (!b) {
    vRemoveHot(DI_Enhance, kImagingViews);
    vRemoveHot(Nadscan_Sensitivity, kImagingViews);
    return;
  }
  vEachWindow(kImagingViews, [](const VIEW_AND_SPLIT& w) {
    (void)U_MENU_bRegisterHotActionMenu(DI_Enhance, nullptr, MENU_NADSCAN_ENHANCE, &vOpenDiEnhanceDialog, FALSE,
                                        M_BASIC, w.eView, w.eSplit);
  });
  vHotProgBar(TRUE, Nadscan_Sensitivity, MENU_NADSCAN_SENSITIVITY, "SDSS", s_one20, kImagingViews);
}

void vMenuSideScanSettingsNormal(BOOLEAN b) { vSideScanSettingsAll(b, 5); }
void vMenuSideScanSettingsCompact(BOOLEAN b) { vSideScanSettingsAll(b, 9); }
void vMenuSideScanSettingsHiDef(BOOLEAN b) { vSideScanSettingsAll(b, 10); }
void vMenuDISettings(BOOLEAN b) {
  const U32 t = u32Fetch("YST2", 15);
  vSideScanSettingsAll(b, t == 17 || t == 18 ? t : 15);
}

void vMenuSuperUserExtras(BOOLEAN b) {
  struct CUTOFF {
    DB_TEXT_RECORD item;
    MENU_PRIORITY prio;
    const char* key;
  };
  static const CUTOFF s_cutoffs[] = {{n50kHz_Cutoff, MENU_50KHZ_CUTOFF, "SSN5"},
                                     {n83kHz_Cutoff, MENU_83KHZ_CUTOFF, "SSN8"},
                                     {n200kHz_Cutoff, MENU_200KHZ_CUTOFF, "SSN2"},
                                     {n455kHz_Cutoff, MENU_455KHZ_CUTOFF, "SSN4"}};
  static const CUTOFF s_bandwidths[] = {{Bandwidth_50_83, MENU_BANDWIDTH_50_83, "SSW1"},
                                        {Bandwidth_200, MENU_BANDWIDTH_200, "SSW2"},
                                        {Bandwidth_SI, MENU_BANDWIDTH_SI, "SSW3"}};
  if (b) {
    if (!bSuperUser()) return;
    s_bSuperUserMenusEnabled = TRUE;
  } else {
    if (!s_bSuperUserMenusEnabled) return;
    s_bSuperUserMenusEnabled = FALSE;
    (void)U_MENU_bUnregisterMainMenuItem(RTS_Mode, g_SONAR_txtSonarTab);
  }
  vMainSelector(b, Transmit_Power, MENU_TRANSMIT_POWER, "SSTP", COUNT(s_power), s_power, s_powerValues, M_ADVANCED);
  vMainSlider(b, Transmit_Cycles, MENU_TRANSMIT_CYCLES, "SSTC", s_cycles, Auto, M_ADVANCED);
  vMainProgBar(b, WhiteLine_Level, MENU_WHITELINE_LEVEL, "SSWF", s_whiteLine, M_ADVANCED);
  for (const CUTOFF& c : s_cutoffs) vMainProgBar(b, c.item, c.prio, c.key, s_cutoff, M_ADVANCED);
  for (const CUTOFF& c : s_bandwidths) {
    vMainSelector(b, c.item, c.prio, c.key, COUNT(s_bandwidth), s_bandwidth, s_bandwidthValues, M_ADVANCED);
  }
}

}  // namespace sonarmenus

// ------------------------------------------------------------ items beyond the tables
void vMenuSideScanFrequency(U32 t) {
  if (t == 10 || t == 15 || t == 17 || t == 18) {
    vMainSelector(TRUE, Nadscan_Frequency, MENU_SIDE_VIEW_FREQUENCY_SELECT, "YSSF", 2, s_freq800, s_freq800Values,
                  M_BASIC);
  } else if (t == 5) {
    vMainSelector(TRUE, Nadscan_Frequency, MENU_SIDE_VIEW_FREQUENCY_SELECT, "YSSF", 2, s_freq262, s_freq262Values,
                  M_BASIC);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(Nadscan_Frequency, g_SONAR_txtSonarTab);
  }
}

void vMenuJigging(U32 u32Transducer2D, U32 u32TransducerSI) {
  log_me("sonar menus: jigging, 2D transducer %u, side transducer %u", (unsigned)u32Transducer2D,
         (unsigned)u32TransducerSI);
  const BOOLEAN fits = u32Transducer2D == 9 || u32Transducer2D == 2 || u32Transducer2D == 10;
  if (u32TransducerSI != 0 && fits) {
    if (!s_bRegistered2D) {
      vHotSelector(TRUE, Jigging_Mode, MENU_JIGGING, "YJIG", 2, s_offOn, s_offOnValues, M_BASIC, k2DViews);
      s_bRegistered2D = TRUE;
    }
    return;
  }
  if (!s_bRegistered2D) return;
  if ((u32Fetch("ELPM", 0) & 0x4) == 0 && !T_N_PING_bCheckActiveClientList(SONAR_SOURCE_SI)) {
    log_me("sonar menus: SI not being used locally or remotely, turn jigging off");
    (void)H_DATABASE_bUpdateValueU32(FCID("YJIG"), FALSE, P_NORMAL);
  }
  vRemoveHot(Jigging_Mode, k2DViews);
  s_bRegistered2D = FALSE;
}

void S_TRANSDUCER_vRemoteDepthSensorFound(BOOLEAN bOnOffLine) {
  if (bOnOffLine) {
    (void)U_MENU_bRegisterMainSliderMenu(Remote_Depth_Alarm, g_MENU_txtAlarmsTab, MENU_REMOTE_DEPTH_ALARM,
                                         FCID("CRDA"), s_depthAlarm, Off, nullptr, nullptr, M_BASIC);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("BDER"), FCID("IDER"), P_NORMAL, D_FCID, Remote_Depth,
                                          DB_NO_TIMEOUT);
  } else {
    (void)U_MENU_bUnregisterMainMenuItem(Remote_Depth_Alarm, g_MENU_txtAlarmsTab);
    H_DATABASE_vDeleteEntry(FCID("BDER"));
  }
  (void)L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
}

void S_SONARMENU_vTab(BOOLEAN bEnable) {
  if (!bEnable) {
    (void)U_MENU_bUnregisterTab(g_SONAR_txtSonarTab);
    return;
  }
  (void)U_MENU_bRegisterTab(g_SONAR_txtSonarTab, SONAR_TAB_PRIORITY, &SonarTab_icon, M_BASIC);
  s_u8TransducersInList = 0;
  for (U8 t : {(U8)15, (U8)17, (U8)4, (U8)1, (U8)2, (U8)18}) {
    const DB_TEXT_RECORD name = S_TRANSDUCER_pasGetTransducerName(t);
    if (name == nullptr || s_u8TransducersInList >= 19) continue;
    s_TransducerList[s_u8TransducersInList] = name;
    s_TransducerValues[s_u8TransducersInList++] = t;
  }
  vMainSelector(TRUE, Connected_Transducer, MENU_TRANSDUCER_SELECT, "SSTS", s_u8TransducersInList, s_TransducerList,
                s_TransducerValues, M_BASIC);
  for (const VIEW_AND_SPLIT& w : All2DViews) (void)U_MENU_bRegisterExpressMenu(w.eView, w.eSplit);
  for (const VIEW_AND_SPLIT& w : AllSideViews) (void)U_MENU_bRegisterExpressMenu(w.eView, w.eSplit);
  for (const VIEW_AND_SPLIT& w : AllNadscanViews) (void)U_MENU_bRegisterExpressMenu(w.eView, w.eSplit);
  U32 t = u32Fetch("YST2", 0);
  if (t == 0) t = u32Fetch("YST3", 15);
  vMenuSideScanFrequency(t);
}
