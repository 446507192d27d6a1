// The 2D views drawn from stored columns of a flat 12 m bottom at 15 m
// range: the full-screen view with depth lines, scale, colour bar and strip,
// the dual-beam view with its frequency labels, the combined beam with
// 200 kHz over the low frequency; and a rebuild after a range or palette
// change equals the picture drawn live at the new setting.
#include <gtest/gtest.h>

#include <vector>

#include "../support/db_test_env.h"
#include "../support/golden.h"
#include "../support/graphics_canvas.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/history/history_int.h"
#include "common/u_convert.h"
#include "source/history/s_columns.h"
#include "source/history/s_draw.h"
#include "source/sonar/s_fresample.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

// A column of beam b: weak noise above the bottom, a strong echo at the
// bottom depth, fading below.
void vStoreColumn(BEAM b, U32 slot, F32 bottomMetres, U32 samples, U8 strength = 230) {
  TSU_STORE_COLUMN& s = TSUStore[b].aTsuStore[slot];
  S_TSU_vResetColumn(&s);
  const U32 bottom = S_HISTORY_u32MetresToSample(bottomMetres);
  s.u8SampleFactor = samples > TSU_DATA_LENGTH ? (U8)((samples + TSU_DATA_LENGTH - 1) / TSU_DATA_LENGTH) : 1;
  s.u32SamplesInStore = samples / s.u8SampleFactor;
  s.fDepthMetres = bottomMetres;
  for (U32 i = 0; i < s.u32SamplesInStore; ++i) {
    const U32 sample = i * s.u8SampleFactor;
    U8 v = (U8)((sample * 37 + slot * 11) % 50);
    if (sample >= bottom && sample < bottom + 40) v = strength;
    if (sample >= bottom + 40) v = (U8)(120 + (sample % 30));
    s.au8Data[i] = v;
  }
}

struct Views : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    COLOR_vResetColorTable();
    S_HISTORY_vCreate();
    g_u32SpeedOfSoundInWater.store(1463);
    SonarViewInfo.unitsDepth = U_METRES;
    SonarViewInfo.u32DepthLines = 3;
    SonarViewInfo.u32RTSWidth = 66;
    SonarViewInfo.bColorIntensityBar = TRUE;
    SonarViewInfo.BottomView = POST_PROCESS_NONE;
    S_PALETTE_vLoad2D(1, 1);
    S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&StandardBeamGrayScaleTable, POST_PROCESS_NONE, 63, 143, 0);
    H_DATABASE_bUpdateValueFloat(FCID("SSUD"), 0.0f, P_NORMAL);
    CurrentView.store(NO_VIEW_PRIORITY);
    for (U32 slot = 0; slot < 820; ++slot) {
      vStoreColumn(0, slot, 12.0f, 1200, 200);
      vStoreColumn(1, slot, 12.0f, 1200);
    }
    for (BEAM b = 0; b < 2; ++b) TSUStore[b].u32NextFreeColumn = 0;
  }
  void Range(F32 lower) {
    SonarViewInfo.Window[0].fLowerDisplayedMetres = lower;
    SonarViewInfo.Window[0].bManualDepthRange = FALSE;
    vCalculateDisplayedDepthRanges(TRUE);
  }
  WINDOW_SPECIFICATION Spec(LAYER_ID view) {
    WINDOW_SPECIFICATION s{};
    s.currentLayer = view;
    s.drawWindow = WINDOW_LOCATION{0, 599, 799, 0};
    return s;
  }
};

TEST_F(Views, FullScreenSonar) {
  s_beamSelect.store(1);
  CurrentView.store(SONAR_VIEW_PRIORITY);
  vSetupSonarWindows();
  Range(15.0f);
  Canvas frame(800, 600);
  WINDOW_SPECIFICATION spec = Spec(SONAR_VIEW_PRIORITY);
  S_DRAW_vFullScreenSonar(frame.bmp(), &spec);
  // The bottom's first row is 12/15 of the window below its top.
  const COLOR strongest = gCOLOR_pcolColorTable[31];
  int row = -1;
  for (int r = 0; r < 600 && row < 0; ++r)
    if (frame.pixels[(size_t)r * frame.pitch + 300] == strongest) row = r;
  EXPECT_NEAR(row, 480, 2);
  ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, "history/full_screen");
}

TEST_F(Views, AScopeStrip) {
  s_beamSelect.store(1);
  SonarViewInfo.u32RTSWidth = 100;
  SonarViewInfo.bColorIntensityBar = FALSE;
  CurrentView.store(SONAR_VIEW_PRIORITY);
  vSetupSonarWindows();
  Range(15.0f);
  Canvas frame(800, 600);
  WINDOW_SPECIFICATION spec = Spec(SONAR_VIEW_PRIORITY);
  S_DRAW_vFullScreenSonar(frame.bmp(), &spec);
  ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, "history/a_scope");
}

TEST_F(Views, BottomBlackAndWhiteLine) {
  s_beamSelect.store(1);
  SonarViewInfo.bColorIntensityBar = FALSE;
  SonarViewInfo.u32RTSWidth = 0;
  CurrentView.store(SONAR_VIEW_PRIORITY);
  vSetupSonarWindows();
  Range(15.0f);
  struct Case {
    POST_PROCESS_MODE mode;
    const char* golden;
  } cases[] = {{POST_PROCESS_BOTTOM_BLACK, "history/bottom_black"}, {POST_PROCESS_WHITE_LINE, "history/white_line"}};
  for (const Case& c : cases) {
    SonarViewInfo.BottomView = c.mode;
    S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&StandardBeamGrayScaleTable, c.mode, 63, 143, 140);
    vTriggerAllTotalScreenUpdate();
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(SONAR_VIEW_PRIORITY);
    S_DRAW_vFullScreenSonar(frame.bmp(), &spec);
    ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, c.golden);
  }
}

TEST_F(Views, DualBeam) {
  H_DATABASE_bUpdateValueU32(FCID("YST1"), 1, P_NORMAL);
  s_beamSelect.store(1);
  CurrentView.store(SONAR_DUAL_BEAM_VIEW_PRIORITY);
  vSetupSonarWindows();
  Range(15.0f);
  S_LAYOUT_vCopyWindow0To1();
  Canvas frame(800, 600);
  WINDOW_SPECIFICATION spec = Spec(SONAR_DUAL_BEAM_VIEW_PRIORITY);
  S_DRAW_vDualBeamView(frame.bmp(), &spec);
  ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, "history/dual_beam");
}

// Beam 4 at 500 m: 200 kHz down to the 220-m limit, the low frequency below.
TEST_F(Views, CombinedBeamAboveAndBelowTheLimit) {
  for (U32 slot = 0; slot < 820; ++slot) {
    vStoreColumn(0, slot, 400.0f, 30000, 150);
    vStoreColumn(1, slot, 100.0f, 30000, 230);
  }
  s_beamSelect.store(4);
  SonarViewInfo.bColorIntensityBar = FALSE;
  SonarViewInfo.u32RTSWidth = 0;
  CurrentView.store(SONAR_VIEW_PRIORITY);
  vSetupSonarWindows();
  Range(500.0f);
  Canvas frame(800, 600);
  WINDOW_SPECIFICATION spec = Spec(SONAR_VIEW_PRIORITY);
  S_DRAW_vFullScreenSonar(frame.bmp(), &spec);
  // The 200 kHz picture (echo from 100 m down) stops at the 220-m limit,
  // though its column holds data below; the low frequency shows from 400 m.
  const COLOR bg = BackGroundColor.load();
  auto at = [&](F32 metres) { return frame.pixels[(size_t)(metres * 600 / 500) * frame.pitch + 300]; };
  EXPECT_NE(at(150.0f), bg);
  EXPECT_NE(at(218.0f), bg);
  EXPECT_EQ(at(223.0f), bg);
  EXPECT_EQ(at(390.0f), bg);
  EXPECT_NE(at(420.0f), bg);
  ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, "history/combined_beam");
}

// The window drawn column by column as the pings arrived at a setting, and
// the window rebuilt from the stores after a change to that setting, are the
// same picture.
TEST_F(Views, RebuildEqualsLive) {
  s_beamSelect.store(1);
  CurrentView.store(SONAR_VIEW_PRIORITY);
  vSetupSonarWindows();
  struct Case {
    F32 range;
    U32 palette;
  } cases[] = {{15.0f, 1}, {30.0f, 1}, {15.0f, 5}, {60.0f, 2}};
  for (const Case& c : cases) {
    S_PALETTE_vLoad2D(c.palette, 1);
    S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&StandardBeamGrayScaleTable, POST_PROCESS_NONE, 63, 143, 0);
    Range(c.range);
    SONAR_WINDOW& w = SonarViewInfo.Window[0];
    // Live: each stored column coloured at this setting and drawn in turn.
    S_HISTORY_vFillBackground(&w);
    const U32 h = w.u32HistoryHeight;
    for (U32 slot = 0; slot < 820; ++slot) {
      const TSU_STORE_COLUMN& s = TSUStore[1].aTsuStore[slot];
      U8 amplitudes[800];
      COLOR colours[800];
      S_FRESAMPLE_vFastResample(s.au8Data + w.u32UpperSample, w.u32LowerSample - w.u32UpperSample,
                                s.u32SamplesInStore - w.u32UpperSample, amplitudes, h);
      S_GRAYSCALE_vCategorize(amplitudes, colours, h, &StandardBeamGrayScaleTable, h, 0);
      vDrawColumnInHistory(colours, &w.ScreenHistory, 599, 600 - h);
    }
    std::vector<COLOR> live(G_BITMAP_pPixels(w.ScreenHistory.pBmp), G_BITMAP_pPixels(w.ScreenHistory.pBmp) + 800 * 600);
    S_HISTORY_vFillBackground(&w);
    w.ScreenHistory.u16NextFreeColumn = (U16)(820 % 800);
    TSUStore[1].u32NextFreeColumn = 0;
    vTotalScreenUpdate(&w, h, 800, POST_PROCESS_NONE, FALSE);
    const COLOR* rebuilt = G_BITMAP_pPixels(w.ScreenHistory.pBmp);
    size_t differ = 0;
    for (size_t i = 0; i < live.size(); ++i) differ += live[i] != rebuilt[i];
    EXPECT_EQ(differ, 0u) << "range " << c.range << " palette " << c.palette;
  }
}

TEST_F(Views, DepthScaleAndLabels) {
  Canvas frame(120, 600, 0x0000);
  COLOR_vResetColorTable();
  vDrawDepthScale(frame.bmp(), 100, 0, 15, 600, 0, FALSE, FALSE);
  vDrawDepthLines(frame.bmp(), 3, 0, 100, 600, 0, 0, 15);
  ExpectMatchesGolden(frame.pixels.data(), 120, 600, frame.pitch, "history/scale_0_15");
}

}  // namespace

namespace {

// The 2D history in the left pane of the side-scan plus 2D view: the
// picture stays in its pane with the strip at the pane's right edge, and
// only the active side takes the cursor region.
TEST_F(Views, SplitPaneKeepsToItsPane) {
  s_beamSelect.store(1);
  SonarViewInfo.bColorIntensityBar = FALSE;
  CurrentView.store(SONAR_SIDESCAN_PLUS_2D_PRIORITY);
  vSetupSonarWindows();
  Range(15.0f);
  const COLOR untouched = 0x1234;
  struct Case {
    SPLIT_WINDOW_TYPE active;
    bool takesCursor;
  } cases[] = {{SPLIT_RIGHT_WINDOW, false}, {SPLIT_LEFT_WINDOW, true}};
  for (const Case& c : cases) {
    Canvas frame(800, 600, untouched);
    WINDOW_SPECIFICATION spec = Spec(SONAR_SIDESCAN_PLUS_2D_PRIORITY);
    spec.drawWindow = WINDOW_LOCATION{0, 599, 396, 0};
    spec.activeWindow = c.active;
    CursorWindow = WINDOW_LOCATION{-1, -1, -1, -1};
    S_DRAW_vSonarSplit(frame.bmp(), &spec);
    EXPECT_EQ(CursorWindow.s32ClipRight, c.takesCursor ? 396 : -1);
    const COLOR strongest = gCOLOR_pcolColorTable[31];
    int row = -1;
    for (int r = 0; r < 600 && row < 0; ++r)
      if (frame.pixels[(size_t)r * frame.pitch + 200] == strongest) row = r;
    EXPECT_NEAR(row, 480, 2);
    for (int r = 0; r < 600; r += 7) {
      for (int x = 397; x < 800; x += 5) ASSERT_EQ(frame.pixels[(size_t)r * frame.pitch + x], untouched) << x;
    }
    if (c.active == SPLIT_LEFT_WINDOW) ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, "history/split_left");
  }
}

}  // namespace
