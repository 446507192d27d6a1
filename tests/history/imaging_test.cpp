// The imaging views and the zoom views drawn from stored columns: a 12 m
// bottom under the 200 kHz beam, a textured seabed in both side beams, the
// Nadscan picture blended from them; the zoom range follows the bottom;
// the Nadscan inset stands still with the cursor and stays in its pane.
#include <gtest/gtest.h>

#include "../support/db_test_env.h"
#include "../support/golden.h"
#include "../support/graphics_canvas.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/history/history_int.h"
#include "source/history/s_columns.h"
#include "source/history/s_draw.h"
#include "source/history/s_imaging.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

// A 2D column: noise, a strong bottom echo at 12 m, fading below.
void vStore2D(BEAM b, U32 slot, U32 samples) {
  TSU_STORE_COLUMN& s = TSUStore[b].aTsuStore[slot];
  S_TSU_vResetColumn(&s);
  const U32 bottom = S_HISTORY_u32MetresToSample(12.0f);
  s.u8SampleFactor = 1;
  s.u32SamplesInStore = samples;
  s.fDepthMetres = 12.0f;
  s.u32SmoothedDepthInSamples = bottom;
  for (U32 i = 0; i < samples; ++i) {
    U8 v = (U8)((i * 37 + slot * 11) % 50);
    if (i >= bottom && i < bottom + 40) v = 230;
    if (i >= bottom + 40) v = (U8)(120 + (i % 30));
    s.au8Data[i] = v;
  }
}

// A side column: water, then a seabed with a rock every 97 samples and a
// trench that moves across the track with the slot.
void vStoreSide(BEAM b, U32 slot, U32 samples) {
  TSU_STORE_COLUMN& s = TSUStore[b].aTsuStore[slot];
  S_TSU_vResetColumn(&s);
  const U32 bottom = S_HISTORY_u32MetresToSample(6.0f);
  s.u8SampleFactor = 1;
  s.u32SamplesInStore = samples;
  s.fDepthMetres = 6.0f;
  for (U32 i = 0; i < samples; ++i) {
    U8 v = (U8)((i * 13 + slot * 7) % 20);
    if (i >= bottom) v = (U8)(90 + (i * 31 + slot * 17) % 60);
    if (i >= bottom && (i / 97) % 5 == 2) v = 240;
    if (i >= bottom + (slot % 200) && i < bottom + (slot % 200) + 12) v = 8;
    s.au8Data[i] = b == 3 ? (U8)(v * 7 / 8) : v;
  }
}

struct Imaging : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    (void)s_bConversions;
    COLOR_vResetColorTable();
    S_HISTORY_vCreate();
    g_u32SpeedOfSoundInWater.store(1463);
    SonarViewInfo.unitsDepth = U_METRES;
    SonarViewInfo.u32DepthLines = 3;
    SonarViewInfo.u32RTSWidth = 0;
    SonarViewInfo.bColorIntensityBar = FALSE;
    SonarViewInfo.BottomView = POST_PROCESS_NONE;
    SonarViewInfo.bBottomLockZoom = FALSE;
    SonarViewInfo.u32ZoomLevel = 0;
    SonarViewInfo.fBottomRange = 5.0f;
    S_PALETTE_vLoad2D(1, 1);
    (void)T_N_HISTORY_vSetSonarColorTable(6);
    S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&StandardBeamGrayScaleTable, POST_PROCESS_NONE, 63, 143, 0);
    S_GRAYSCALE_vRecalulateGrayScaleTable(&SidescanGrayScaleTable, 10, 10, 10, POST_PROCESS_SIDESCAN, 0, 0);
    S_GRAYSCALE_vRecalulateGrayScaleTable(&NadscanGrayScaleTable, 10, 10, 10, POST_PROCESS_SIDESCAN, 0, 0);
    H_DATABASE_bUpdateValueFloat(FCID("SSUD"), 0.0f, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SSVL"), FALSE, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SIRO"), TRUE, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("ICAC"), 0, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("IDIZ"), 0, P_NORMAL);
    s_db_TransducerSelectArray[1].store(5);
    s_bTerrainMode.store(FALSE);
    db_u32SideBeamView.store(SIDE_BEAM_BOTH);
    s_u32UnZoomedWidth.store(400);
    s_fCurrentDepth.store(12.0f);
    s_beamSelect.store(1);
    CurrentView.store(NO_VIEW_PRIORITY);
    DiZoomWin.bActive = FALSE;
    DiZoomWin.bForceUpdate = TRUE;
    for (U32 slot = 0; slot < 820; ++slot) {
      vStore2D(1, slot, 1200);
      vStoreSide(2, slot, 1600);
      vStoreSide(3, slot, 1600);
    }
    for (BEAM b = 0; b < 4; ++b) TSUStore[b].u32NextFreeColumn = 0;
  }
  // Makes a view current (as its first draw would) with window 0 at 0 to
  // lower metres and, in the side views, the side range at 30 m.
  void View(LAYER_ID view, F32 lower) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    SonarViewInfo.Window[0].fLowerDisplayedMetres = lower;
    SonarViewInfo.Window[0].bManualDepthRange = TRUE;
    vVerifyAndUpdateWindowSettings(view);
    SonarViewInfo.Window[0].fLowerDisplayedMetres = lower;
    vCalculateDisplayedDepthRanges(TRUE);
    if (view == SONAR_SIDEVIEW_AND_DOWN || view == SONAR_SIDEVIEW) {
      SonarViewInfo.Window[1].fLowerDisplayedMetres = 30.0f;
      vSetSideBeamRange(TRUE);
    }
    if (view == NADSCAN_PLUS_2D_VIEW_PRIORITY) S_LAYOUT_vCopyWindow0To1();
    if (view == SONAR_ZOOM_VIEW_PRIORITY) {
      S_ZOOM_vReset();
      vSetupZoomRange(TRUE);
    }
    vTriggerAllTotalScreenUpdate();
    (void)L_MUTEX_Unlock(RES_S_INFO);
  }
  static WINDOW_SPECIFICATION Spec(LAYER_ID view, WINDOW_LOCATION pane = WINDOW_LOCATION{0, 599, 799, 0},
                                   SPLIT_WINDOW_TYPE side = SPLIT_FULL_WINDOW) {
    WINDOW_SPECIFICATION s{};
    s.currentLayer = view;
    s.drawWindow = pane;
    s.drawWindowType = side;
    s.activeWindow = side;
    return s;
  }
};

void vGolden(Canvas& frame, const char* name) {
  ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, name);
}

TEST_F(Imaging, NadscanFullAndSplitWithTheInsetAtEachZoom) {
  View(NADSCAN_VIEW_PRIORITY, 20.0f);
  {
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(NADSCAN_VIEW_PRIORITY);
    S_IMAGING_vDrawNadscan(frame.bmp(), &spec);
    vGolden(frame, "history/nadscan_full");
  }
  H_DATABASE_bUpdateValueU32(FCID("ICAC"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ICPX"), 500, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ICPY"), 300, P_NORMAL);
  const struct {
    U32 idiz;
    S32 factor;
    const char* golden;
  } cases[] = {{1, 2, "history/nadscan_inset_1"}, {2, 4, "history/nadscan_inset_2"}, {3, 6, "history/nadscan_inset_3"}};
  for (const auto& c : cases) {
    H_DATABASE_bUpdateValueU32(FCID("IDIZ"), c.idiz, P_NORMAL);
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(NADSCAN_VIEW_PRIORITY);
    S_IMAGING_vDrawNadscan(frame.bmp(), &spec);
    S32 factor = -1, offset = -1;
    EXPECT_TRUE(S_ZOOM_bDrawDiZoomWindow(frame.bmp(), &spec, &factor, &offset));
    EXPECT_EQ(factor, c.factor);
    EXPECT_EQ(offset, 0);
    vGolden(frame, c.golden);
  }
  // The split: the Nadscan pane on the right of the 2D beam.
  View(NADSCAN_PLUS_2D_VIEW_PRIORITY, 20.0f);
  H_DATABASE_bUpdateValueU32(FCID("ICAC"), 0, P_NORMAL);
  Canvas frame(800, 600);
  WINDOW_SPECIFICATION spec = Spec(NADSCAN_PLUS_2D_VIEW_PRIORITY, WINDOW_LOCATION{400, 599, 799, 0}, SPLIT_RIGHT_WINDOW);
  S_IMAGING_vDrawNadscanSplit(frame.bmp(), &spec);
  S32 factor = -1;
  EXPECT_FALSE(S_ZOOM_bDrawDiZoomWindow(frame.bmp(), &spec, &factor, nullptr)) << "the cursor is off";
  EXPECT_EQ(factor, 0);
  vGolden(frame, "history/nadscan_split");
}

// The Nadscan filter sharpens the picture: the rebuilt window and the
// cursor's inset both change at SDSL 2, and back at 0 the picture is the
// unfiltered one again (every run of columns starts the filter afresh).
TEST_F(Imaging, NadscanFilterSharpensTheWindowAndTheInset) {
  View(NADSCAN_VIEW_PRIORITY, 20.0f);
  H_DATABASE_bUpdateValueU32(FCID("ICAC"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ICPX"), 500, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ICPY"), 300, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IDIZ"), 1, P_NORMAL);
  const auto draw = [&](U32 level) {
    s_u32NadscanFilter.store(level);
    (void)L_MUTEX_LockWait(RES_S_INFO);
    vTriggerAllTotalScreenUpdate();
    (void)L_MUTEX_Unlock(RES_S_INFO);
    S_ZOOM_vForceDiZoomUpdate();
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(NADSCAN_VIEW_PRIORITY);
    S_IMAGING_vDrawNadscan(frame.bmp(), &spec);
    EXPECT_TRUE(S_ZOOM_bDrawDiZoomWindow(frame.bmp(), &spec, nullptr, nullptr));
    std::vector<COLOR> px(800 * 600);
    for (int x = 0; x < 800; ++x)
      for (int y = 0; y < 600; ++y) px[(size_t)y * 800 + x] = frame.at(x, y);
    return px;
  };
  const std::vector<COLOR> off = draw(0), sharp = draw(2), again = draw(0);
  s_u32NadscanFilter.store(0);
  const SI_ZOOM_WINDOW_TYPE& z = DiZoomWin;
  int inset = 0, window = 0, back = 0;
  for (int x = 0; x < 800; ++x) {
    for (int y = 0; y < 600; ++y) {
      const size_t i = (size_t)y * 800 + x;
      back += off[i] != again[i];
      if (off[i] == sharp[i]) continue;
      const bool in = x >= z.ptWindow.x - 5 && x < z.ptWindow.x + z.s32ZoomWidth + 5 && y >= z.ptWindow.y - 5 &&
                      y < z.ptWindow.y + z.s32ZoomHeight + 5;
      ++(in ? inset : window);
    }
  }
  EXPECT_GT(inset, 1000);
  EXPECT_GT(window, 10000);
  EXPECT_EQ(back, 0);
}

TEST_F(Imaging, SideAndDownInEachLayout) {
  const struct {
    QUAD_LAYOUT layout;
    const char* golden;
  } cases[] = {{QUAD_LAYOUT_3_PANE_FLAT, "history/side_and_down_flat"},
               {QUAD_LAYOUT_3_PANE_SLANTED, "history/side_and_down_slanted"},
               {QUAD_LAYOUT_HORIZONTAL, "history/side_and_down_horizontal"},
               {QUAD_LAYOUT_VERTICAL, "history/side_and_down_vertical"}};
  for (const auto& c : cases) {
    SonarViewInfo.eQuadLayout = c.layout;
    CurrentView.store(NO_VIEW_PRIORITY);
    View(SONAR_SIDEVIEW_AND_DOWN, 30.0f);
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(SONAR_SIDEVIEW_AND_DOWN);
    S_IMAGING_vDrawDownAndSidebeamView(frame.bmp(), &spec);
    vGolden(frame, c.golden);
  }
}

TEST_F(Imaging, FlatLayoutSharesOneScaleOnlyWhileTheRangesAgree) {
  SonarViewInfo.eQuadLayout = QUAD_LAYOUT_3_PANE_FLAT;
  View(SONAR_SIDEVIEW_AND_DOWN, 30.0f);
  // Shared depth lines run on through the left pane's right edge; a pane
  // with its own scale ends its lines before its labels.
  auto linesCrossLeftPaneEdge = [&]() {
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(SONAR_SIDEVIEW_AND_DOWN);
    S_IMAGING_vDrawDownAndSidebeamView(frame.bmp(), &spec);
    int n = 0;
    for (int y = 0; y < 600; ++y) n += frame.at(262, y) == gCOLOR_pcolColorTable[130];
    return n;
  };
  EXPECT_EQ(linesCrossLeftPaneEdge(), 3);
  (void)L_MUTEX_LockWait(RES_S_INFO);
  SonarViewInfo.Window[1].fLowerDisplayedMetres = 20.0f;
  vSetSideBeamRange(TRUE);
  (void)L_MUTEX_Unlock(RES_S_INFO);
  EXPECT_EQ(linesCrossLeftPaneEdge(), 0) << "the side range differs: each pane keeps its own lines";
}

TEST_F(Imaging, VerticalSideView) {
  const struct {
    U32 side;
    BOOLEAN lines, terrain;
    const char* golden;
  } cases[] = {
      {SIDE_BEAM_LEFT, TRUE, FALSE, "history/side_view_left"},
      {SIDE_BEAM_RIGHT, TRUE, FALSE, "history/side_view_right"},
      {SIDE_BEAM_BOTH, FALSE, FALSE, "history/side_view_both"},
      {SIDE_BEAM_BOTH, TRUE, FALSE, "history/side_view_range_lines"},
      {SIDE_BEAM_BOTH, TRUE, TRUE, "history/side_view_terrain"},
      // A side setting of 0 shows both sides, not nothing.
      {0, FALSE, FALSE, "history/side_view_both"},
  };
  for (const auto& c : cases) {
    db_u32SideBeamView.store(S_IMAGING_u32SideBeamView(c.side));
    H_DATABASE_bUpdateValueU32(FCID("SSVL"), c.lines, P_NORMAL);
    s_bTerrainMode.store(c.terrain);
    CurrentView.store(NO_VIEW_PRIORITY);
    View(SONAR_SIDEVIEW, 20.0f);
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(SONAR_SIDEVIEW);
    S_IMAGING_vDrawVerticalScrollView(frame.bmp(), &spec);
    vGolden(frame, c.golden);
  }
}

TEST(SideBeamView, SettingsOutsideOneToThreeShowBothSides) {
  const struct {
    U32 in, out;
  } cases[] = {{0, 3}, {1, 1}, {2, 2}, {3, 3}, {4, 3}, {0xFFFFFFFF, 3}};
  for (const auto& c : cases) EXPECT_EQ(S_IMAGING_u32SideBeamView(c.in), c.out) << c.in;
}

TEST_F(Imaging, ZoomViewAt2xAndWithBottomLock) {
  View(SONAR_ZOOM_VIEW_PRIORITY, 20.0f);
  {
    Canvas frame(800, 600);
    WINDOW_SPECIFICATION spec = Spec(SONAR_ZOOM_VIEW_PRIORITY);
    S_ZOOM_vDrawZoomSonar(frame.bmp(), &spec);
    vGolden(frame, "history/zoom_2x");
  }
  SonarViewInfo.bBottomLockZoom = TRUE;
  CurrentView.store(NO_VIEW_PRIORITY);
  View(SONAR_ZOOM_VIEW_PRIORITY, 20.0f);
  EXPECT_EQ(SonarViewInfo.Window[1].u32UpperDigits, 5u);
  EXPECT_EQ(SonarViewInfo.Window[1].u32LowerDigits, 0u);
  Canvas frame(800, 600);
  WINDOW_SPECIFICATION spec = Spec(SONAR_ZOOM_VIEW_PRIORITY);
  S_ZOOM_vDrawZoomSonar(frame.bmp(), &spec);
  vGolden(frame, "history/zoom_bottom_lock");
}

// A fish 2 m above the 12 m bottom 30 columns back: the zoom window (0 to
// 396 at the default width) shows its mark 30 columns from its right edge, at its
// depth in the zoomed band, or in bottom lock at its height above the
// bottom with that height as its label; the full-range window shows it at
// its depth; nothing else changes.
TEST_F(Imaging, ZoomWindowShowsTheFish) {
  const U32 bottom = S_HISTORY_u32MetresToSample(12.0f), at = S_HISTORY_u32MetresToSample(10.0f);
  for (const BOOLEAN lock : {FALSE, TRUE}) {
    SCOPED_TRACE(lock ? "bottom lock" : "2x");
    SonarViewInfo.bBottomLockZoom = lock;
    CurrentView.store(NO_VIEW_PRIORITY);
    View(SONAR_ZOOM_VIEW_PRIORITY, 20.0f);
    const SONAR_WINDOW w1 = SonarViewInfo.Window[1];
    const BEAM beam = w1.Beam == 4 ? 1 : w1.Beam;
    FISH_TARGET_HISTORY& history = s_sBeamInfo[beam].FishHistory;
    S_FISHID_vInitialiseHistory(&history);
    FISH_TARGET_LIST& list = history.Items[(history.u16IndexToMostRecentTargets + 820 - 30) % 820];
    list.u8NumberOfTargets = 1;
    list.target[0] = FISH_TARGET{};
    list.target[0].u32DepthInSamples = at;
    list.target[0].u8Size = 1;
    list.target[0].beam = 1;
    list.target[0].bIdPlusThisFish = TRUE;
    const S64 H = w1.u32HistoryHeight;
    const int y = lock ? (int)(600 - H * ((S64)at + w1.u32UpperSample - bottom) /
                                         ((S64)w1.u32UpperSample + w1.u32LowerSample))
                       : (int)(600 - ((S64)at - w1.u32UpperSample) * H /
                                         ((S64)w1.u32LowerSample - w1.u32UpperSample));
    WINDOW_SPECIFICATION spec = Spec(SONAR_ZOOM_VIEW_PRIORITY);
    Canvas plain(800, 600), fish(800, 600);
    SonarViewInfo.bFishID = FALSE;
    vTriggerAllTotalScreenUpdate();
    S_ZOOM_vDrawZoomSonar(plain.bmp(), &spec);
    SonarViewInfo.bFishID = TRUE;
    vTriggerAllTotalScreenUpdate();
    S_ZOOM_vDrawZoomSonar(fish.bmp(), &spec);
    SonarViewInfo.bFishID = FALSE;
    const SONAR_WINDOW w0 = SonarViewInfo.Window[0];
    const int y0 = (int)(600 - ((S64)at - w0.u32UpperSample) * H / ((S64)w0.u32LowerSample - w0.u32UpperSample));
    int differ = 0, differFull = 0;
    for (int x = 0; x < 800; ++x) {
      for (int r = 0; r < 600; ++r) {
        if (plain.at(x, r) == fish.at(x, r)) continue;
        // The full-range window shows it too, in its newest column.
        const bool full = x > 400;
        ++(full ? differFull : differ);
        EXPECT_TRUE(full ? std::abs(x - 769) <= 16 : std::abs(x - 366) <= 16) << x << "," << r;
        EXPECT_LE(std::abs(r - (full ? y0 : y)), 32) << x << "," << r << " fish at y " << (full ? y0 : y);
      }
    }
    EXPECT_GT(differ, 20);
    EXPECT_GT(differFull, 20);
    if (lock) vGolden(fish, "history/zoom_bottom_lock_fish");
    S_FISHID_vInitialiseHistory(&history);
  }
}

// The zoom band of a 0-40 ft window at 2x is 20 ft; it moves only when the
// bottom leaves 60 to 90 % of it.
TEST_F(Imaging, ZoomRangeFollowsTheBottom) {
  const auto feet = [](F32 f) { return (F32)dConvertToInternal(f, D_DEPTH, U_FEET); };
  SonarViewInfo.unitsDepth = U_FEET;
  SONAR_WINDOW& w0 = SonarViewInfo.Window[0];
  SONAR_WINDOW& w1 = SonarViewInfo.Window[1];
  w0.fUpperDisplayedMetres = 0.0f;
  w0.fLowerDisplayedMetres = feet(40.0f);
  S_ZOOM_vReset();
  const struct {
    F32 bottomFeet;
    U32 upper, lower;
  } steps[] = {
      {15.0f, 0, 20},   // g = 0.75: the edge stays at 0
      {30.0f, 17, 37},  // g = 1.5: the edge moves to 30 - 0.65 x 20
      {32.0f, 17, 37},  // g = 0.75 within the new band
      {3.0f, 0, 20},    // 3 - 0.85 x 20 is negative: 0
  };
  for (const auto& s : steps) {
    s_fCurrentDepth.store(feet(s.bottomFeet));
    vSetupZoomRange(FALSE);
    EXPECT_EQ(w1.u32UpperDigits, s.upper) << s.bottomFeet;
    EXPECT_EQ(w1.u32LowerDigits, s.lower) << s.bottomFeet;
    EXPECT_FALSE(w1.bManualDepthRange);
  }
  // No depth yet: nothing changes.
  w1.u32UpperDigits = 99;
  s_fCurrentDepth.store(0.0f);
  vSetupZoomRange(TRUE);
  EXPECT_EQ(w1.u32UpperDigits, 99u);
}

TEST_F(Imaging, InsetStandsStillWithTheCursorAndStaysInItsPane) {
  View(NADSCAN_VIEW_PRIORITY, 20.0f);
  H_DATABASE_bUpdateValueU32(FCID("ICAC"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("IDIZ"), 1, P_NORMAL);
  WINDOW_SPECIFICATION spec = Spec(NADSCAN_VIEW_PRIORITY);
  const struct {
    S32 x, y;
  } cursors[] = {{400, 300}, {2, 110}, {797, 598}, {10, 590}, {790, 120}};
  for (const auto& c : cursors) {
    H_DATABASE_bUpdateValueS32(FCID("ICPX"), c.x, P_NORMAL);
    H_DATABASE_bUpdateValueS32(FCID("ICPY"), c.y, P_NORMAL);
    const U32 before = s_u32DiZoomBuilds.load();
    ASSERT_TRUE(T_N_HISTORY_bUpdateDiZoomWindow(&spec));
    EXPECT_EQ(s_u32DiZoomBuilds.load(), before + 1);
    EXPECT_TRUE(T_N_HISTORY_bUpdateDiZoomWindow(&spec));
    EXPECT_EQ(s_u32DiZoomBuilds.load(), before + 1) << "rebuilt with the cursor standing still";
    const SI_ZOOM_WINDOW_TYPE& z = DiZoomWin;
    // The inset and its 5-pixel frame lie inside the pane.
    EXPECT_GE(z.ptWindow.x - 5, 0) << c.x << "," << c.y;
    EXPECT_LE(z.ptWindow.x + z.s32ZoomWidth + 5, 800) << c.x << "," << c.y;
    EXPECT_GE(z.ptWindow.y - 5, 105) << c.x << "," << c.y;
    EXPECT_LE(z.ptWindow.y + z.s32ZoomHeight + 5, 600) << c.x << "," << c.y;
  }
  S_ZOOM_vForceDiZoomUpdate();
  const U32 before = s_u32DiZoomBuilds.load();
  EXPECT_TRUE(T_N_HISTORY_bUpdateDiZoomWindow(&spec));
  EXPECT_EQ(s_u32DiZoomBuilds.load(), before + 1);
  // Off with the cursor, and in a view without the inset.
  H_DATABASE_bUpdateValueU32(FCID("ICAC"), 0, P_NORMAL);
  EXPECT_FALSE(T_N_HISTORY_bUpdateDiZoomWindow(&spec));
  H_DATABASE_bUpdateValueU32(FCID("ICAC"), 1, P_NORMAL);
  WINDOW_SPECIFICATION other = Spec(SONAR_VIEW_PRIORITY);
  EXPECT_FALSE(T_N_HISTORY_bUpdateDiZoomWindow(&other));
  EXPECT_FALSE(DiZoomWin.bActive);
  // A pane whose inset would not fit the inset's buffer gets none.
  WINDOW_SPECIFICATION huge = Spec(NADSCAN_VIEW_PRIORITY, WINDOW_LOCATION{0, 1999, 1999, 0});
  EXPECT_FALSE(T_N_HISTORY_bUpdateDiZoomWindow(&huge));
  EXPECT_FALSE(DiZoomWin.bActive);
}

}  // namespace

namespace {

// Bottom lock rebuilds each column around its own bottom: a bottom at
// sample 100 with 150 samples above and 50 below, 200 rows high, leaves
// (150 - 100) x 200 / 200 = 50 blank rows at the top and resamples samples
// 0 to 149 into the other 150; a deeper bottom leaves none.
TEST_F(Imaging, BottomLockRebuildPadsAShallowBottom) {
  View(SONAR_ZOOM_VIEW_PRIORITY, 20.0f);
  SONAR_WINDOW& w1 = SonarViewInfo.Window[1];
  const struct {
    U32 depth;
    U32 blank;
  } cases[] = {{100, 50}, {150, 0}, {400, 0}};
  for (const auto& c : cases) {
    for (U32 slot = 0; slot < 820; ++slot) {
      TSU_STORE_COLUMN& s = TSUStore[1].aTsuStore[slot];
      s.u32SmoothedDepthInSamples = c.depth;
      for (U32 i = 0; i < s.u32SamplesInStore; ++i) s.au8Data[i] = 200;
    }
    w1.u32UpperSample = 150;
    w1.u32LowerSample = 50;
    vTotalScreenUpdate(&w1, 200, 4, POST_PROCESS_NONE, TRUE);
    const BITMAP* ring = w1.ScreenHistory.pBmp;
    const COLOR* px = G_BITMAP_pPixels(ring);
    const U32 pitch = ring->__u32PixelWidthOfBuffer;
    const U32 col = S_HISTORY_u32NewestColumn(&w1.ScreenHistory);
    const COLOR echo = px[(size_t)199 * pitch + col];
    U32 blank = 0;
    while (blank < 200 && px[(size_t)blank * pitch + col] != echo) ++blank;
    EXPECT_EQ(blank, c.blank) << "bottom at " << c.depth;
    for (U32 r = blank; r < 200; ++r) ASSERT_EQ(px[(size_t)r * pitch + col], echo) << c.depth << " row " << r;
  }
}

}  // namespace
