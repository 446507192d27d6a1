// The sonar cursor driven by key changes as the history task receives them
// from its mailbox: it appears at the centre of its region, moves by the
// repeat count (at most 200), jumps the gaps between the zoom view's and
// the dual-beam view's windows, stays in its region, publishes the depth,
// bottom depth, position, distance and bearing of the column under it,
// holds the history still while it shows and goes with the exit key. A
// view whose window 0 shows no beam publishes nothing, and a side
// selection outside 1-3 reads as both sides.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "../support/db_test_env.h"
#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/history/history_int.h"
#include "source/history/s_columns.h"
#include "source/history/s_cursor.h"
#include "source/history/s_draw.h"
#include "source/sonar/s_accum.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

constexpr WINDOW_LOCATION kFull = {0, 599, 799, 0};

FOURCHARID Id(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

void Key(U32 key, CURSOR_POSITION dir = CURSOR_UP, U32 count = 1) {
  MSG_KEY_CHANGE m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_KEY_CHANGE;
  m.key = key;
  m.state = KEY_DOWN;
  m.count = count;
  m.cursor = dir;
  S_HISTORY_vKey(&m);
}

S32 S32Key(const char* k) {
  S32 v = -12345;
  (void)H_DATABASE_bFetchS32(Id(k), &v);
  return v;
}
F32 FloatKey(const char* k) {
  F32 v = -12345.0f;
  (void)H_DATABASE_bFetchFloat(Id(k), &v);
  return v;
}
bool Has(const char* k) {
  S32 v = 0;
  return H_DATABASE_bFetchS32(Id(k), &v) != FALSE;
}
bool Clicked(SEMA s) { return L_SEMA_WaitTicks(s, 0) == lsSUCCESS; }

struct Cursor : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    (void)s_bConversions;
    if (s_bCursorActive.load()) Key(KEY_MASK_EXIT);
    S_ACCUM_vInit();
    S_HISTORY_vCreate();
    g_u32SpeedOfSoundInWater.store(1463);
    SonarViewInfo.u32RTSWidth = 0;
    s_beamSelect.store(1);
    s_u32UnZoomedWidth.store(400);
    db_u32SideBeamView.store(SIDE_BEAM_BOTH);
    for (const char* k : {"ICPX", "ICPY", "ICCD", "ICDP", "ICLN", "ICLT", "ICBH", "ICBD", "ICTD", "ICND", "ICAC"})
      H_DATABASE_vDeleteEntry(Id(k));
    H_DATABASE_bUpdateEverythingS32(FCID("ILON"), 1000, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 1000, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NO_TIMEOUT);
    View(SONAR_VIEW_PRIORITY);
    // Every column of beam 1 lies 12.25 m deep at (1000, 2000), heading
    // north; the one 400 columns back from the newest, at 14 m, (1500, 3000).
    for (U32 i = 0; i < HISTORY_RING_SLOTS; ++i) Column(i, 12.25f, 1000, 2000);
    TSUStore[1].u32NextFreeColumn = 500;
    Column(99, 14.0f, 1500, 3000);
    while (Clicked(SEMA_KEYCLICK_GOOD) || Clicked(SEMA_KEYCLICK_BAD)) {
    }
  }
  static void Column(U32 slot, F32 depth, S32 lon, S32 lat) {
    TSU_STORE_COLUMN& c = TSUStore[1].aTsuStore[slot];
    c.fDepthMetres = depth;
    c.Location = SONAR_PING_LOCATION{TRUE, lon, lat};
    c.HeadingSource = HEADING_SOURCE_GPS;
    c.fHeadingTrueDegrees = 0.0f;
  }
  static void View(LAYER_ID v, WINDOW_LOCATION region = kFull) {
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), v, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingS32(FCID("CVAS"), SPLIT_FULL_WINDOW, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    CurrentView.store(NO_VIEW_PRIORITY);
    vVerifyAndUpdateWindowSettings(v);
    for (SONAR_WINDOW& w : SonarViewInfo.Window) {
      w.bManualDepthRange = TRUE;
      w.fUpperDisplayedMetres = 0.0f;
      w.fLowerDisplayedMetres = 15.0f;
    }
    CursorWindow = region;
  }
};

TEST_F(Cursor, AppearsAtTheCentreAndPublishesTheColumnUnderIt) {
  Key(KEY_MASK_CURSOR);
  BOOLEAN active = FALSE;
  ASSERT_TRUE(H_DATABASE_bFetchBoolean(FCID("ICAC"), &active) && active);
  EXPECT_EQ(S32Key("ICPX"), 399);
  EXPECT_EQ(S32Key("ICPY"), 299);
  // 299 of 599 rows above the window's 15 m bottom.
  EXPECT_NEAR(FloatKey("ICCD"), 15.0f - 15.0f * 299 / 599, 1e-4);
  // 400 columns back from the newest (next free 500): slot 99.
  EXPECT_FLOAT_EQ(FloatKey("ICDP"), 14.0f);
  EXPECT_EQ(S32Key("ICLN"), 1500);
  EXPECT_EQ(S32Key("ICLT"), 3000);
  // From the boat at (1000, 1000): 2000 Mercator metres at bearing
  // atan(500 / 2000), near the equator about as many true metres.
  EXPECT_NEAR(FloatKey("ICBH"), 14.04f, 0.01f);
  EXPECT_NEAR(FloatKey("ICBD"), std::hypot(500.0, 2000.0), 1.0);
  EXPECT_TRUE(Has("ICTD") && Has("ICND"));
  BOOLEAN level = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("ICLV"), &level) && level);
}

TEST_F(Cursor, KeysMoveItByTheRepeatCountWithinItsRegion) {
  Key(KEY_MASK_CURSOR);
  struct Step {
    CURSOR_POSITION dir;
    U32 count;
    S32 x, y;
  } steps[] = {
      {CURSOR_WEST, 350, 199, 299},       // at most 200 a step
      {CURSOR_NORTH, 1, 199, 300},
      {CURSOR_SOUTH_EAST, 5, 204, 295},
      {CURSOR_NORTH_WEST, 200, 4, 495},
      {CURSOR_NORTH_WEST, 200, 0, 599},   // the corner holds
      {CURSOR_WEST, 1, 0, 599},
      {CURSOR_NORTH, 3, 0, 599},
      {CURSOR_SOUTH_WEST, 40, 0, 559},
  };
  for (const Step& s : steps) {
    Key(KEY_MASK_CURSOR, s.dir, s.count);
    EXPECT_EQ(S32Key("ICPX"), s.x) << s.dir << " " << s.count;
    EXPECT_EQ(S32Key("ICPY"), s.y) << s.dir << " " << s.count;
    EXPECT_EQ(Clicked(SEMA_KEYCLICK_GOOD), s.count == 1) << "a single press clicks";
  }
  // The ring wraps: next free 10, 400 back is slot 429.
  TSUStore[1].u32NextFreeColumn = 10;
  Column(429, 3.5f, 0, 0);
  Key(KEY_MASK_CURSOR, CURSOR_EAST, 200);
  Key(KEY_MASK_CURSOR, CURSOR_EAST, 199);
  EXPECT_EQ(S32Key("ICPX"), 399);
  EXPECT_FLOAT_EQ(FloatKey("ICDP"), 3.5f);
}

TEST_F(Cursor, GapsBetweenWindowsAreJumped) {
  struct Case {
    LAYER_ID view;
    S32 x;
    CURSOR_POSITION dir;
    U32 count;
    S32 expect;
  } cases[] = {
      {SONAR_ZOOM_VIEW_PRIORITY, 394, CURSOR_EAST, 3, 400},  // zoom window to the full-range window
      {SONAR_ZOOM_VIEW_PRIORITY, 402, CURSOR_WEST, 4, 396},
      {SONAR_ZOOM_VIEW_PRIORITY, 394, CURSOR_NORTH_EAST, 2, 396},  // still in the zoom window
      {SONAR_ZOOM_VIEW_PRIORITY, 396, CURSOR_SOUTH_EAST, 4, 400},  // on the full-range window's edge
      {SONAR_DUAL_BEAM_VIEW_PRIORITY, 396, CURSOR_EAST, 2, 401},
      {SONAR_DUAL_BEAM_VIEW_PRIORITY, 402, CURSOR_WEST, 3, 397},
      {SONAR_DUAL_BEAM_VIEW_PRIORITY, 397, CURSOR_WEST, 1, 396},
      {SONAR_VIEW_PRIORITY, 396, CURSOR_EAST, 2, 398},  // no gap in a single window
  };
  for (const Case& c : cases) {
    View(c.view);
    const POINT p = S_CURSOR_Move(POINT{c.x, 300}, c.dir, c.count, c.view, s_u32UnZoomedWidth.load(), CursorWindow);
    EXPECT_EQ(p.x, c.expect) << c.view << " from " << c.x;
  }
}

TEST_F(Cursor, DepthInTheZoomWindowUsesItsRange) {
  View(SONAR_ZOOM_VIEW_PRIORITY);
  SonarViewInfo.Window[1].fUpperDisplayedMetres = 5.0f;
  SonarViewInfo.Window[1].fLowerDisplayedMetres = 10.0f;
  SonarViewInfo.bBottomLockZoom = FALSE;
  Key(KEY_MASK_CURSOR);                        // centre: x 399, the full-range window
  EXPECT_NEAR(FloatKey("ICCD"), 15.0f - 15.0f * 299 / 599, 1e-4);
  Key(KEY_MASK_CURSOR, CURSOR_WEST, 100);      // x 299, the zoom window
  EXPECT_NEAR(FloatKey("ICCD"), 10.0f - 5.0f * 299 / 599, 1e-4);
  SonarViewInfo.bBottomLockZoom = TRUE;        // height above the bottom
  Key(KEY_MASK_CURSOR, CURSOR_WEST, 1);
  EXPECT_NEAR(FloatKey("ICCD"), 15.0f * 299 / 599 - 10.0f, 1e-4);
}

TEST_F(Cursor, HistoryStandsStillWhileItShowsAndTheExitKeyHidesIt) {
  std::vector<U8> samples(PING_MAX_SAMPLES, 40);
  auto ping = [&](U32 n) {
    PING_DESCRIPTOR d{};
    d.Beam = 1;
    d.u32NumberOfSamples = 1200;
    d.pu8TvgdData = samples.data();
    d.fDepthMetres = 12.0f;
    d.u8Transducer = 1;
    d.u32PingIndex = n + 1;
    S_ACCUM_vFold(&d, samples.data(), 1463, nullptr);
    S_COLUMNS_vAddColumns(1, 1, 1);
  };
  s_sBeamInfo[1].bPinging = TRUE;
  Key(KEY_MASK_CURSOR);
  const U32 before = TSUStore[1].u32NextFreeColumn;
  for (U32 n = 0; n < 5; ++n) ping(n);
  EXPECT_EQ(TSUStore[1].u32NextFreeColumn, before);
  Key(KEY_MASK_EXIT);
  BOOLEAN active = TRUE;
  ASSERT_TRUE(H_DATABASE_bFetchBoolean(FCID("ICAC"), &active));
  EXPECT_FALSE(active);
  EXPECT_TRUE(Clicked(SEMA_KEYCLICK_GOOD));
  for (U32 n = 5; n < 10; ++n) ping(n);
  EXPECT_NE(TSUStore[1].u32NextFreeColumn, before);
  // The next cursor key shows it again at the centre.
  Key(KEY_MASK_CURSOR);
  EXPECT_EQ(S32Key("ICPX"), 399);
}

TEST_F(Cursor, AViewWithoutABeamInWindowZeroPublishesNothing) {
  View(SONAR_2D_PLUS_SI_VIEW_PRIORITY);
  ASSERT_EQ(SonarViewInfo.Window[0].Beam, BEAM_NONE);
  Key(KEY_MASK_CURSOR);
  Key(KEY_MASK_CURSOR, CURSOR_EAST, 10);
  EXPECT_FALSE(Has("ICPX"));
  EXPECT_FALSE(Has("ICCD"));
  Key(KEY_MASK_EXIT);
  EXPECT_FALSE(s_bCursorActive.load());
}

TEST_F(Cursor, SideViewSlantRangeBySideSelection) {
  struct Case {
    U32 sswv;
    S32 dx;         // from the centre (x 399 of 0-799)
    F32 range;      // ICCD
    F32 bottom;     // ICDP
  } cases[] = {
      {SIDE_BEAM_BOTH, 0, 0.0375f, 12.25f},  // on the track: the bottom depth
      {SIDE_BEAM_BOTH, 100, 7.4719f, 0.0f},
      {SIDE_BEAM_BOTH, -100, 7.5469f, 0.0f},
      {0, 0, 0.0375f, 12.25f},               // outside 1-3: both sides
      {7, 100, 7.4719f, 0.0f},
      {SIDE_BEAM_RIGHT, 0, 14.9812f, 0.0f},
      {SIDE_BEAM_LEFT, 0, 15.0188f, 0.0f},
  };
  for (const Case& c : cases) {
    View(SONAR_SIDEVIEW);
    SonarViewInfo.Window[1].fUpperDisplayedMetres = 0.0f;
    SonarViewInfo.Window[1].fLowerDisplayedMetres = 30.0f;
    db_u32SideBeamView.store(c.sswv);
    Key(KEY_MASK_CURSOR);
    if (c.dx != 0) Key(KEY_MASK_CURSOR, c.dx > 0 ? CURSOR_EAST : CURSOR_WEST, (U32)std::abs(c.dx));
    EXPECT_NEAR(FloatKey("ICCD"), c.range, 1e-3) << c.sswv << " " << c.dx;
    EXPECT_FLOAT_EQ(FloatKey("ICDP"), c.bottom) << c.sswv << " " << c.dx;
    Key(KEY_MASK_EXIT);
  }
}

TEST(CursorViews, ServedViewsAndSides) {
  struct Case {
    LAYER_ID view;
    SPLIT_WINDOW_TYPE side;
    bool mine, nadscan;
  } cases[] = {
      {SONAR_VIEW_PRIORITY, SPLIT_FULL_WINDOW, true, false},
      {NADSCAN_VIEW_PRIORITY, SPLIT_FULL_WINDOW, true, true},
      {NADSCAN_PLUS_2D_VIEW_PRIORITY, SPLIT_LEFT_WINDOW, true, false},
      {NADSCAN_PLUS_2D_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW, true, true},
      {CHART_PLUS_2D_VIEW_PRIORITY, SPLIT_LEFT_WINDOW, true, false},
      {CHART_PLUS_2D_VIEW_PRIORITY, SPLIT_RIGHT_WINDOW, false, false},
      {CHART_PLUS_NADSCAN_VIEW_PRIORITY, SPLIT_LEFT_WINDOW, true, true},
      {SONAR_SIDESCAN_PLUS_2D_PRIORITY, SPLIT_RIGHT_WINDOW, true, false},
      {SONAR_SIDEVIEW_AND_DOWN, SPLIT_FULL_WINDOW, false, false},
      {MEGA_DIGIT_VIEW_PRIORITY, SPLIT_FULL_WINDOW, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(S_CURSOR_bIsMyCursorView(c.view, c.side) != FALSE, c.mine) << c.view << " " << c.side;
    EXPECT_EQ(T_N_HISTORY_bIsNadscanView(c.view, c.side) != FALSE, c.nadscan) << c.view << " " << c.side;
  }
  H_DATABASE_bUpdateEverythingU32(FCID("YST3"), 3, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  EXPECT_FALSE(S_CURSOR_bIsMyCursorView(SONAR_SIDEVIEW, SPLIT_FULL_WINDOW));
  H_DATABASE_bUpdateEverythingU32(FCID("YST3"), 5, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  EXPECT_TRUE(S_CURSOR_bIsMyCursorView(SONAR_SIDEVIEW, SPLIT_FULL_WINDOW));
}

}  // namespace
