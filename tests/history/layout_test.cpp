// Sonar window layout and depth ranges: window beams and heights per view,
// the readout-row correction, depth conversion to digits and samples, the
// automatic lower range and its decay, the side range, standard ranges.
#include <gtest/gtest.h>

#include <cmath>

#include "../support/db_test_env.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/history/history_int.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

U32 s_u32Readout = 0;
U32 ReadoutHeight(SPLIT_WINDOW_TYPE) { return s_u32Readout; }

struct Layout : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin_Install(&ReadoutHeight);
    S_HISTORY_vCreate();
    g_u32SpeedOfSoundInWater.store(1463);
    SonarViewInfo.unitsDepth = U_METRES;
    s_beamSelect.store(1);
    db_u32SideBeamView.store(SIDE_BEAM_BOTH);
  }
  void TearDown() override { T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin_Install(nullptr); }
  void Show(LAYER_ID view) {
    CurrentView.store(view);
    vSetupSonarWindows();
  }
};

TEST_F(Layout, WindowsPerView) {
  H_DATABASE_bUpdateValueU32(FCID("SZS2"), 50, P_NORMAL);
  struct Case {
    LAYER_ID view;
    U32 readout;
    BEAM select;
    U32 side;
    BEAM beam[3];
    U32 height[3];
    BEAM rts;
  } cases[] = {
      {SONAR_VIEW_PRIORITY, 105, 1, 3, {1, 255, 255}, {495, 0, 0}, 1},
      {SONAR_VIEW_PRIORITY, 0, 1, 3, {1, 255, 255}, {600, 0, 0}, 1},
      {SONAR_VIEW_PRIORITY, 0, 4, 3, {4, 255, 255}, {600, 0, 0}, 1},  // combined: strip from 200 kHz
      {MEGA_DIGIT_VIEW_PRIORITY, 105, 1, 3, {1, 255, 255}, {600, 0, 0}, 1},
      {SONAR_SIDEVIEW, 0, 1, SIDE_BEAM_BOTH, {1, 2, 3}, {300, 398, 399}, 255},
      {SONAR_SIDEVIEW, 0, 1, SIDE_BEAM_LEFT, {1, 2, 255}, {300, 800, 399}, 255},
      {SONAR_SIDESCAN_PLUS_2D_PRIORITY, 0, 1, SIDE_BEAM_BOTH, {1, 2, 3}, {600, 196, 196}, 1},
      {SONAR_SIDESCAN_PLUS_2D_PRIORITY, 0, 1, SIDE_BEAM_RIGHT, {1, 255, 3}, {600, 196, 397}, 1},
      {SONAR_DUAL_BEAM_VIEW_PRIORITY, 105, 1, 3, {1, 0, 255}, {495, 495, 0}, 255},
  };
  for (const Case& c : cases) {
    s_u32Readout = c.readout;
    s_beamSelect.store(c.select);
    db_u32SideBeamView.store(c.side);
    for (SONAR_WINDOW& w : SonarViewInfo.Window) w.u32HistoryHeight = 0;
    Show(c.view);
    for (U32 i = 0; i < 3; ++i) {
      EXPECT_EQ(SonarViewInfo.Window[i].Beam, c.beam[i]) << "view " << c.view << " window " << i;
      if (c.beam[i] != 255 || c.height[i] != 0) {
        EXPECT_EQ(SonarViewInfo.Window[i].u32HistoryHeight, c.height[i]) << "view " << c.view << " window " << i;
      }
    }
    EXPECT_EQ(SonarViewInfo.RTSBeam, c.rts) << "view " << c.view;
    // The beam's main window points back at the window that shows it.
    if (c.beam[0] != 255) {
      EXPECT_EQ(s_sBeamInfo[c.beam[0]].pMain, &SonarViewInfo.Window[0]);
    }
  }
  s_u32Readout = 0;
}

TEST_F(Layout, VerticalWindowsAreLaidOutTall) {
  Show(SONAR_SIDEVIEW);
  EXPECT_EQ(SonarViewInfo.Window[1].ScreenHistory.pBmp->pixels_wide, 600);
  EXPECT_EQ(SonarViewInfo.Window[1].ScreenHistory.pBmp->pixels_high, 800);
  Show(SONAR_VIEW_PRIORITY);
  EXPECT_EQ(SonarViewInfo.Window[1].ScreenHistory.pBmp->pixels_wide, 800);
  EXPECT_EQ(SonarViewInfo.Window[1].ScreenHistory.pBmp->pixels_high, 600);
}

TEST_F(Layout, ReadoutRowCorrectsHeightsAndTriggersRebuild) {
  Show(SONAR_VIEW_PRIORITY);
  for (SONAR_WINDOW& w : SonarViewInfo.Window) w.bTriggerTotalScreenUpdate = FALSE;
  S_LAYOUT_vReVerifyAndUpdateActiveSonarWindowSettings(SONAR_VIEW_PRIORITY, SPLIT_FULL_WINDOW, 105);
  EXPECT_EQ(SonarViewInfo.Window[0].u32HistoryHeight, 495u);
  EXPECT_TRUE(SonarViewInfo.Window[0].bTriggerTotalScreenUpdate);
  for (SONAR_WINDOW& w : SonarViewInfo.Window) w.bTriggerTotalScreenUpdate = FALSE;
  S_LAYOUT_vReVerifyAndUpdateActiveSonarWindowSettings(SONAR_VIEW_PRIORITY, SPLIT_FULL_WINDOW, 105);
  EXPECT_FALSE(SonarViewInfo.Window[0].bTriggerTotalScreenUpdate);  // unchanged: no rebuild
}

TEST_F(Layout, DepthConversion) {
  struct Case {
    UNIT_TYPE units;
    U32 speed;
    F32 lower;
    U32 digits, sample;
  } cases[] = {
      {U_FEET, 1463, 30.48f, 100, 1603},  // 100 ft in fresh water
      {U_METRES, 1463, 15.0f, 15, 789},
      {U_METRES, 1500, 15.0f, 15, 769},
      {U_METRES, 1463, 14.6f, 15, 789},  // rounded to whole digits, then converted
  };
  for (const Case& c : cases) {
    g_u32SpeedOfSoundInWater.store(c.speed);
    SonarViewInfo.unitsDepth = c.units;
    SonarViewInfo.Window[0].fUpperDisplayedMetres = 0.0f;
    SonarViewInfo.Window[0].fLowerDisplayedMetres = c.lower;
    vCalculateDisplayedDepthRanges(TRUE);
    EXPECT_EQ(SonarViewInfo.Window[0].u32LowerDigits, c.digits) << c.lower;
    EXPECT_EQ(SonarViewInfo.Window[0].u32LowerSample, c.sample) << c.lower;
    EXPECT_EQ(SonarViewInfo.Window[0].u32UpperSample, 0u);
  }
}

TEST_F(Layout, AutomaticRangeDecaysTowardsTheCurrentDepth) {
  SonarViewInfo.unitsDepth = U_METRES;
  SonarViewInfo.Window[0].fUpperDisplayedMetres = 0.0f;
  S_LAYOUT_vResetDeepest(30.0f, 1000);
  s_fCurrentDepth.store(20.0f);
  S_LAYOUT_vAutoSelectLowerDepthRangeAt(1000 + 4000);  // younger than 5 s: kept
  EXPECT_FLOAT_EQ(S_LAYOUT_fDeepestDepth(), 30.0f);
  S_LAYOUT_vAutoSelectLowerDepthRangeAt(1000 + 6000);
  EXPECT_NEAR(S_LAYOUT_fDeepestDepth(), 20.0f + 10.0f * 5000.0f / 6000.0f, 0.01f);  // 28.3 m
  EXPECT_FLOAT_EQ(SonarViewInfo.Window[0].fLowerDisplayedMetres, 40.0f);       // 28.3 m → 33 → 40 m range
  s_fCurrentDepth.store(12.0f);
  S_LAYOUT_vResetDeepest(12.0f, 0);
  S_LAYOUT_vAutoSelectLowerDepthRangeAt(10);
  EXPECT_FLOAT_EQ(SonarViewInfo.Window[0].fLowerDisplayedMetres, 15.0f);  // the flat 12 m bottom
}

TEST_F(Layout, SideRangeFromDepth) {
  struct Case {
    F32 feet, range;
  } cases[] = {{5, 50}, {19.685f, 98.425f}, {22, 100}, {30, 120}, {45, 150}, {65.617f, 196.85f}, {80, 240}, {200, 240}};
  for (const Case& c : cases) EXPECT_NEAR(S_LAYOUT_fSideRangeFeet(c.feet), c.range, 0.01f) << c.feet;
}

TEST_F(Layout, MinimumRangeDifferencePerUnit) {
  F32 m = 0;
  ASSERT_TRUE(S_LAYOUT_bMinRangeDifference(U_FATHOMS, &m));
  EXPECT_NEAR(m, 2 * 1.8288f, 0.001f);
  ASSERT_TRUE(S_LAYOUT_bMinRangeDifference(U_FEET, &m));
  EXPECT_NEAR(m, 3.048f, 0.001f);
  ASSERT_TRUE(S_LAYOUT_bMinRangeDifference(U_METRES, &m));
  EXPECT_FLOAT_EQ(m, 3.0f);
  EXPECT_FALSE(S_LAYOUT_bMinRangeDifference(U_CELSIUS, &m));
}

TEST_F(Layout, SideRangeKeepsItsValueForAnInvalidUnit) {
  SonarViewInfo.Window[1].fLowerDisplayedMetres = 12.0f;
  s_db_TransducerSelectArray[1].store(15);
  SonarViewInfo.unitsDepth = U_CELSIUS;
  vSetSideBeamRange(TRUE);
  EXPECT_FLOAT_EQ(SonarViewInfo.Window[1].fLowerDisplayedMetres, 12.0f);
  SonarViewInfo.unitsDepth = U_METRES;
}

}  // namespace
