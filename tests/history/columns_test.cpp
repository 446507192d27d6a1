// Column building from the return accumulators: pings folded and cut into
// the stores and rings; the window rebuilt from the stores equals the
// window built live, at the setting of the pings and after a range or
// palette change; the cursor holds the history still; and the small rules
// of the builder (bottom index, imaging weights, temperature band, blend
// of a window too low to divide).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "../support/db_test_env.h"
#include "../support/graphics_canvas.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/history/history_int.h"
#include "source/history/s_columns.h"
#include "source/history/s_draw.h"
#include "source/sonar/s_fishid.h"
#include "source/sonar/s_accum.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

std::vector<U8> s_samples(PING_MAX_SAMPLES);

// A ping of beam 1 over a bottom at the given depth (1200 samples), with
// the fish the processing found in it.
void vPing(U32 n, F32 bottom, const FISH_TARGET_LIST* pFish = nullptr) {
  PING_DESCRIPTOR d{};
  d.Beam = 1;
  d.u32NumberOfSamples = 1200;
  d.pu8TvgdData = s_samples.data();
  d.fDepthMetres = bottom;
  d.u8Transducer = 1;
  d.u32PingIndex = n + 1;
  d.u32TimeStampMilliSeconds = 1000 + n;
  const U32 b = S_HISTORY_u32MetresToSample(bottom);
  for (U32 i = 0; i < 1200; ++i) s_samples[i] = (U8)(i >= b && i < b + 30 ? 230 : (i * 13 + n * 7) % 60);
  S_ACCUM_vFold(&d, s_samples.data(), 1463, pFish);
}

struct Columns : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    (void)s_bConversions;
    S_ACCUM_vInit();
    S_HISTORY_vCreate();
    g_u32SpeedOfSoundInWater.store(1463);
    SonarViewInfo.unitsDepth = U_METRES;
    SonarViewInfo.BottomView = POST_PROCESS_NONE;
    s_bCursorActive.store(FALSE);
    s_beamSelect.store(1);
    CurrentView.store(SONAR_VIEW_PRIORITY);
    vSetupSonarWindows();
    s_sBeamInfo[1].bPinging = TRUE;
    SonarViewInfo.Window[0].bManualDepthRange = TRUE;  // the range stays where the test puts it
    Setting(15.0f, 1);
  }
  void Setting(F32 lower, U32 palette) {
    S_PALETTE_vLoad2D(palette, 1);
    S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&StandardBeamGrayScaleTable, POST_PROCESS_NONE, 63, 143, 0);
    SonarViewInfo.Window[0].fLowerDisplayedMetres = lower;
    vCalculateDisplayedDepthRanges(TRUE);
  }
  // Pings with a bottom moving from 10 to 13 m, one column each.
  void Live(U32 pings) {
    for (U32 n = 0; n < pings; ++n) {
      vPing(n, 10.0f + 3.0f * (F32)n / (F32)pings);
      S_COLUMNS_vAddColumns(1, 1, 0);
    }
  }
  std::vector<COLOR> Ring() {
    const COLOR* px = G_BITMAP_pPixels(SonarViewInfo.Window[0].ScreenHistory.pBmp);
    return std::vector<COLOR>(px, px + 800 * 600);
  }
};

size_t Differ(const std::vector<COLOR>& a, const std::vector<COLOR>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

TEST_F(Columns, EachPingBecomesAStoredColumnAndARingColumn) {
  Live(40);
  EXPECT_EQ(TSUStore[1].u32NextFreeColumn, 40u);
  EXPECT_EQ(TSUStore[1].u32ColumnsInUse, 40u);
  EXPECT_EQ(SonarViewInfo.Window[0].ScreenHistory.u16NextFreeColumn, 40);
  EXPECT_EQ(TSUStore[1].aTsuStore[39].u32PingIndex, 40u);
  EXPECT_EQ(TSUStore[1].aTsuStore[39].u32SamplesInStore, 1200u);
  // No new ping: the store repeats the last column and so does the ring.
  S_COLUMNS_vAddColumns(1, 1, 0);
  EXPECT_EQ(TSUStore[1].aTsuStore[40].u32PingIndex, 40u);
  const std::vector<COLOR> ring = Ring();
  for (U32 r = 0; r < 600; ++r) ASSERT_EQ(ring[r * 800 + 40], ring[r * 800 + 39]) << r;
}

TEST_F(Columns, CursorHoldsTheHistoryStill) {
  Live(5);
  s_bCursorActive.store(TRUE);
  vPing(5, 11.0f);
  S_COLUMNS_vAddColumns(3, 1, 0);
  EXPECT_EQ(TSUStore[1].u32NextFreeColumn, 5u);
  EXPECT_EQ(SonarViewInfo.Window[0].ScreenHistory.u16NextFreeColumn, 5);
  s_bCursorActive.store(FALSE);
}

TEST_F(Columns, RebuildEqualsLive) {
  struct Case {
    F32 range;
    U32 palette;
  } cases[] = {{15.0f, 1}, {30.0f, 1}, {15.0f, 6}, {60.0f, 3}};
  for (const Case& c : cases) {
    // Live at the setting, from the same pings.
    S_ACCUM_vInit();
    S_HISTORY_vEmpty();
    Setting(c.range, c.palette);
    Live(120);
    const std::vector<COLOR> live = Ring();
    // The same window rebuilt from the stores after the change to this
    // setting from another one.
    Setting(20.0f, 2);
    Setting(c.range, c.palette);
    S_HISTORY_vFillBackground(&SonarViewInfo.Window[0]);
    SonarViewInfo.Window[0].ScreenHistory.u16NextFreeColumn = 120;
    vTotalScreenUpdate(&SonarViewInfo.Window[0], SonarViewInfo.Window[0].u32HistoryHeight, 800, POST_PROCESS_NONE,
                       FALSE);
    EXPECT_EQ(Differ(live, Ring()), 0u) << "range " << c.range << " palette " << c.palette;
  }
}

TEST(ColumnRules, BottomIndex) {
  struct Case {
    F32 depth, upper, lower;
    U32 h, index;
  } cases[] = {{12, 0, 15, 600, 480}, {0.5f, 1, 15, 600, 0}, {20, 0, 15, 600, 600}, {7.5f, 0, 15, 495, 248}};
  for (const Case& c : cases) EXPECT_EQ(S_COLUMNS_u32BottomIndex(c.depth, c.upper, c.lower, c.h), c.index) << c.depth;
}

// The Nadscan filter at each setting, over flat columns of 60 with one
// bright sample (200 at 10) in the third: each column comes out as the
// column before it sharpened across its neighbours on both sides, so the
// bright sample first darkens its place, then shows one column late,
// brighter, with its neighbours darkened; at 0 nothing changes.
TEST(ColumnRules, NadscanFilterSharpensThePreviousColumn) {
  struct Case {
    U32 level;
    U8 third10, fourth10, fourth9;
  } cases[] = {{0, 200, 60, 60}, {1, 25, 255, 25}, {2, 0, 255, 0}, {3, 0, 255, 0}};
  NADSCAN_FILTER* f = S_COLUMNS_pNadscanFilter(NADSCAN_FILTER_COLUMNS);
  for (const Case& c : cases) {
    s_u32NadscanFilter.store(c.level);
    S_COLUMNS_vFlagNadscanFilters();
    U8 out[4][40];
    for (int n = 0; n < 4; ++n) {
      memset(out[n], 60, sizeof out[n]);
      if (n == 2) out[n][10] = 200;
      S_COLUMNS_vNadscanFilter(f, out[n], sizeof out[n]);
    }
    EXPECT_EQ(out[2][10], c.third10) << c.level;
    EXPECT_EQ(out[3][10], c.fourth10) << c.level;
    EXPECT_EQ(out[3][9], c.fourth9) << c.level;
    EXPECT_EQ(out[3][30], 60) << c.level;
  }
  s_u32NadscanFilter.store(0);
}

// A flagged filter forgets its lines: the next column sharpens an empty
// line and comes out dark; unflagged it continues the flat field.
TEST(ColumnRules, FlaggedNadscanFilterForgetsItsLines) {
  s_u32NadscanFilter.store(2);
  for (const bool flag : {false, true}) {
    NADSCAN_FILTER* f = S_COLUMNS_pNadscanFilter(NADSCAN_FILTER_REBUILD);
    S_COLUMNS_vFlagNadscanFilters();
    U8 column[40];
    for (int n = 0; n < 3; ++n) {
      memset(column, 60, sizeof column);
      S_COLUMNS_vNadscanFilter(f, column, sizeof column);
    }
    if (flag) S_COLUMNS_vFlagNadscanFilters();
    memset(column, 60, sizeof column);
    S_COLUMNS_vNadscanFilter(f, column, sizeof column);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(column[i], flag ? 0 : 60) << "flag " << flag << " at " << i;
  }
  s_u32NadscanFilter.store(0);
}

TEST(ColumnRules, ImagingWeights) {
  struct Case {
    U8 a, b;
    U32 sdbw;
    U8 out;
  } cases[] = {{100, 200, 0, 100}, {200, 100, 0, 100}, {100, 200, 1, 135}, {100, 200, 2, 200}, {100, 200, 7, 200}};
  for (const Case& c : cases) EXPECT_EQ(S_COLUMNS_u8CombineNadscan(c.a, c.b, c.sdbw), c.out) << c.sdbw;
}

TEST(ColumnRules, QuadBoostCaps) {
  U8 v[3] = {10, 100, 102};
  S_COLUMNS_vQuadBoost(v, 3);
  EXPECT_EQ(v[0], 25);
  EXPECT_EQ(v[1], 250);
  EXPECT_EQ(v[2], 255);
}

TEST(ColumnRules, TemperatureBandOnTheFirstReading) {
  S_COLUMNS_vResetTemperature();
  S_COLUMNS_vTemperatureSample(20.0f, FALSE);
  const TEMPERATURE_RECORD* t = S_COLUMNS_pTemperature();
  EXPECT_FLOAT_EQ(t->fMin, 15.0f);
  EXPECT_FLOAT_EQ(t->fMax, 25.0f);
  EXPECT_FLOAT_EQ(t->fReading[0], -300.0f);  // the first reading is not stored
  S_COLUMNS_vTemperatureSample(22.0f, FALSE);
  EXPECT_FLOAT_EQ(t->fReading[0], 22.0f);
  EXPECT_FLOAT_EQ(t->fMax, 22.0f);
  EXPECT_FLOAT_EQ(t->fMin, 22.0f);
  S_COLUMNS_vResetTemperature();
  S_COLUMNS_vTemperatureSample(70.0f, TRUE);
  EXPECT_FLOAT_EQ(t->fMin, 60.0f);  // Fahrenheit: a band of 20
}

// A window of height 0 or 1 takes no blend (the row step divides by the
// height - 1).
TEST(ColumnRules, BlendSkipsAWindowTooLowToDivide) {
  S_HISTORY_vCreate();
  SONAR_WINDOW w{};
  w.u32UpperSample = 0;
  w.u32LowerSample = 800;
  COLOR colours[2] = {0x1234, 0x1234};
  COLOR target[4] = {7, 7, 7, 7};
  for (U32 h : {0u, 1u}) {
    S_COLUMNS_vBlendInto(1, colours, &w, h, target, 1, FALSE);
    EXPECT_EQ(target[0], 7) << h;
  }
  S_COLUMNS_vBlendInto(1, colours, &w, 2, target, 1, FALSE);
  EXPECT_EQ(target[0], 0x1234);
  EXPECT_EQ(S_COLUMNS_u32BlendDepth(&w, 2, 1), 800u);
}

}  // namespace

namespace {

// One fish that passes its own thresholds, at the given sample.
FISH_TARGET_LIST Fish(U32 u32Sample, U8 u8Size) {
  FISH_TARGET_LIST list{};
  list.u8NumberOfTargets = 1;
  FISH_TARGET& t = list.target[0];
  t.u32DepthInSamples = u32Sample;
  t.u8Size = u8Size;
  t.u8Peak = 150;
  t.beam = 1;
  t.criteria = FISH_CRITERIA{100, 250, FALSE, 100, 1000, 500};
  return list;
}

const FISH_TARGET_LIST& Newest(const FISH_TARGET_HISTORY& h) {
  return h.Items[h.u16IndexToMostRecentTargets % FISH_HISTORY_COLUMNS];
}

bool bInside(const FISH_TARGET_HISTORY& h, const FISH_TARGET* p) {
  return p >= &h.Items[0].target[0] && p <= &h.Items[FISH_HISTORY_COLUMNS - 1].target[FISH_MAX_TARGETS - 1];
}

const SEMA kFishSemas[3] = {SEMA_FISH_ALARM_SMALL, SEMA_FISH_ALARM_MEDIUM, SEMA_FISH_ALARM_LARGE};
void vDrainFishSemas() {
  for (SEMA s : kFishSemas) (void)L_SEMA_WaitTicks(s, 0);
}

}  // namespace

// Each column's fish go into the beam's history and, linked afresh, into the
// combined picture's history; a column without a new ping repeats them.
TEST_F(Columns, FishFollowTheColumnsIntoBothHistories) {
  SonarViewInfo.bFishID = TRUE;
  const U32 at = S_HISTORY_u32MetresToSample(5.0f);
  for (U32 n = 0; n < 2; ++n) {
    const FISH_TARGET_LIST fish = Fish(at + 2 * n, 1);
    vPing(n, 12.0f, &fish);
    S_COLUMNS_vAddColumns(1, 1, 0);
  }
  for (BEAM b : {BEAM(1), BEAM(4)}) {
    const FISH_TARGET_HISTORY& h = s_sBeamInfo[b].FishHistory;
    const FISH_TARGET_LIST& newest = Newest(h);
    ASSERT_EQ(newest.u8NumberOfTargets, 1u) << int(b);
    EXPECT_FALSE(newest.target[0].bIgnoreThisFish) << int(b);
    EXPECT_EQ(newest.target[0].u32DepthInSamples, at + 2) << int(b);
    // The second column continues the first column's fish of the same
    // history (the combined copy never keeps the beam's own links).
    EXPECT_TRUE(bInside(h, newest.target[0].pPreviousInstance)) << int(b);
  }
  const U16 before = s_sBeamInfo[1].FishHistory.u16IndexToMostRecentTargets;
  S_COLUMNS_vAddColumns(1, 1, 0);  // no new ping
  EXPECT_NE(s_sBeamInfo[1].FishHistory.u16IndexToMostRecentTargets, before);
  EXPECT_EQ(Newest(s_sBeamInfo[1].FishHistory).u8NumberOfTargets, 1u);
  // Emptying the history empties the fish too.
  S_HISTORY_vEmpty();
  EXPECT_EQ(Newest(s_sBeamInfo[1].FishHistory).u8NumberOfTargets, 0u);
}

// A new fish sounds the alarm of its size once; the same fish in the next
// column does not; nothing sounds while fish ID is off.
TEST_F(Columns, NewFishSoundTheAlarmOnce) {
  struct Case {
    BOOLEAN bFishID;
    FISH_SIZE_ALARM alarm;
    U8 size;
    int fires;  // index into kFishSemas, -1 for none
  } cases[] = {
      {TRUE, FISH_SIZE_ALARM_SML, 0, 0},  {TRUE, FISH_SIZE_ALARM_ML, 1, 1}, {TRUE, FISH_SIZE_ALARM_L, 2, 2},
      {TRUE, FISH_SIZE_ALARM_L, 1, -1},   {TRUE, FISH_SIZE_ALARM_OFF, 2, -1}, {FALSE, FISH_SIZE_ALARM_SML, 2, -1},
  };
  const U32 at = S_HISTORY_u32MetresToSample(6.0f);
  U32 n = 0;
  for (const Case& c : cases) {
    S_HISTORY_vEmpty();
    SonarViewInfo.bFishID = c.bFishID;
    s_FishAlarmSize.store(c.alarm);
    vDrainFishSemas();
    for (U32 column = 0; column < 2; ++column, ++n) {
      const FISH_TARGET_LIST fish = Fish(at + column, c.size);
      vPing(n, 12.0f, &fish);
      S_COLUMNS_vAddColumns(1, 1, 0);
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(L_SEMA_WaitTicks(kFishSemas[i], 0) == lsSUCCESS, column == 0 && i == c.fires)
            << "size " << int(c.size) << " alarm " << c.alarm << " column " << column << " sema " << i;
      }
    }
  }
  s_FishAlarmSize.store(FISH_SIZE_ALARM_OFF);
  vDrainFishSemas();
}

// With fish ID on, the window shows the fish at the newest columns at its
// depth; with it off the picture is the history alone.
TEST_F(Columns, WindowShowsTheFishAtItsDepth) {
  const U32 at = S_HISTORY_u32MetresToSample(5.0f);
  for (U32 n = 0; n < 3; ++n) {
    const FISH_TARGET_LIST fish = Fish(at, 2);
    vPing(n, 12.0f, &fish);
    S_COLUMNS_vAddColumns(1, 1, 0);
  }
  Canvas plain(800, 600), fish(800, 600);
  SONAR_WINDOW w = SonarViewInfo.Window[0];
  vDrawSonarWindow(plain.bmp(), &w, 0, 799, 600, U_METRES, 0, FALSE, FALSE);
  vDrawSonarWindow(fish.bmp(), &w, 0, 799, 600, U_METRES, 0, TRUE, FALSE);
  // Depth 5 m of 0-15 m: a third of the way down from the top (y 599).
  const int y = 599 - (int)((at - w.u32UpperSample) * 600 / (w.u32LowerSample - w.u32UpperSample));
  int differ = 0;
  for (int x = 0; x < 800; ++x)
    for (int r = 0; r < 600; ++r) {
      if (plain.at(x, r) == fish.at(x, r)) continue;
      ++differ;
      EXPECT_GE(x, 760) << x << "," << r;
      EXPECT_LE(std::abs(r - y), 40) << x << "," << r << " fish at y " << y;
    }
  EXPECT_GT(differ, 20);
}
