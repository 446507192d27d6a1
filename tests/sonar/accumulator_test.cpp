// Return accumulators and column pacing: the per-sample maximum and the
// real-time strip, the cut's results with and without force, the stored
// column's decimation, beams without an accumulator, the chart-speed
// pacing and its restart, the beam-sequence rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "../support/db_test_env.h"
#include "source/core/h_database.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/sonar_upcalls.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

std::vector<std::pair<U32, U8>> s_columns;  // (columns, beam) asked of the history
void vRecordColumns(U32 n, U8 beam, U8) { s_columns.push_back({n, beam}); }

class Accumulator : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    (void)s_install;
    H_DATABASE_vInit();
  }
  void SetUp() override {
    S_ACCUM_vInit();
    s_columns.clear();
    T_N_HISTORY_vAddColumns_Install(&vRecordColumns);
    H_DATABASE_bUpdateValueU32(FCID("YST1"), 15, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SSSP"), 5, P_NORMAL);
  }
  void TearDown() override { T_N_HISTORY_vAddColumns_Install(nullptr); }

  void Fold(BEAM beam, std::vector<U8> samples, F32 depth = 0.0f, U32 stamp = 1000) {
    raw_ = samples;
    PING_DESCRIPTOR d{};
    d.Beam = beam;
    d.u8Transducer = 15;
    d.u32NumberOfSamples = (U32)samples.size();
    d.pu8RawSonarData = raw_.data();
    d.pu8TvgdData = raw_.data();
    d.fDepthMetres = depth;
    d.u32TimeStampMilliSeconds = stamp;
    d.u32PingIndex = stamp / 10;
    S_ACCUM_vFold(&d, samples.data(), 1463, nullptr);
  }
  ACCUMULATOR_STATUS Cut(BEAM beam, BOOLEAN force, std::vector<U8>* zoom, U32 size = 4) {
    zoom->assign(size, 0xEE);
    BOOLEAN noisy = TRUE;
    return T_N_PROCESS_eGetDataForDisplay(beam, nullptr, nullptr, 0, 0, zoom->data(), 0, size, nullptr, 0, 0, nullptr,
                                          0, size, 0, force, &noisy);
  }
  std::vector<U8> raw_;
  ACCUM_PACING pacing_{TRUE, 0, FALSE, STATE_NORMAL_RUN, 0, 5.0f, 15};
};

TEST_F(Accumulator, KeepsTheStrongestSampleAndTheLatestPingForTheStrip) {
  Fold(1, {10, 50, 30});
  Fold(1, {40, 20, 30, 7, 9});
  std::vector<U8> col;
  ASSERT_EQ(Cut(1, FALSE, &col, 5), ACCUMULATOR_HAD_NEW_DATA);
  EXPECT_EQ(col, (std::vector<U8>{40, 50, 30, 7, 9}));
  std::vector<U8> rts(5, 0xEE);
  T_N_PROCESS_vGetRtsDataForDisplay(1, rts.data(), 0, 5, 5);
  EXPECT_EQ(rts, (std::vector<U8>{40, 20, 30, 7, 9}));
  T_N_PROCESS_vGetRtsDataForDisplay(1, rts.data(), 3, 4, 4);
  EXPECT_EQ(std::vector<U8>(rts.begin(), rts.begin() + 4), (std::vector<U8>{7, 9, 0, 0}));
}

TEST_F(Accumulator, CutResultsWithAndWithoutForce) {
  std::vector<U8> col;
  // Before the first ping: nothing, or with force a column of 0 samples.
  EXPECT_EQ(Cut(0, FALSE, &col), ACCUMULATOR_HAD_NO_DATA);
  TSU_STORE_COLUMN empty{};
  U8 store[8];
  empty.au8Data = store;
  empty.u32TSUDataLength = 8;
  EXPECT_EQ(T_N_PROCESS_eGetDataForDisplay(0, &empty, nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0, 0,
                                           TRUE, nullptr),
            ACCUMULATOR_HAD_NEW_DATA);
  EXPECT_EQ(empty.u32SamplesInStore, 0u);

  Fold(0, {1, 2, 3, 4});
  EXPECT_EQ(Cut(0, FALSE, &col), ACCUMULATOR_HAD_NEW_DATA);
  EXPECT_EQ(col, (std::vector<U8>{1, 2, 3, 4}));
  EXPECT_EQ(Cut(0, FALSE, &col), ACCUMULATOR_HAD_NO_NEW_DATA);
  EXPECT_EQ(Cut(0, TRUE, &col), ACCUMULATOR_HAD_NEW_DATA);
  EXPECT_EQ(col, (std::vector<U8>{1, 2, 3, 4}));  // the previous column again
  // A new ping fills the other buffer from empty: no maximum with the old.
  Fold(0, {0, 0, 9});
  EXPECT_EQ(Cut(0, FALSE, &col), ACCUMULATOR_HAD_NEW_DATA);
  EXPECT_EQ(col, (std::vector<U8>{0, 0, 9, 0}));
}

TEST_F(Accumulator, StoredColumnIsDecimatedToItsCapacity) {
  std::vector<U8> ping(5000, 3);
  ping[4000] = 200;
  Fold(1, ping, 12.0f, 777);
  std::vector<U8> store(2048, 0);
  TSU_STORE_COLUMN col{};
  col.au8Data = store.data();
  col.u32TSUDataLength = 2048;
  std::vector<U8> display(100, 0);
  ASSERT_EQ(T_N_PROCESS_eGetDataForDisplay(1, &col, display.data(), 0, 5000, nullptr, 0, 0, nullptr, 0, 0, nullptr,
                                           100, 0, 0, FALSE, nullptr),
            ACCUMULATOR_HAD_NEW_DATA);
  EXPECT_EQ(col.u8SampleFactor, 3);
  EXPECT_EQ(col.u32SamplesInStore, 1666u);
  // The peak survives both shrinks, near 4000 / 3 and 80 of 100.
  EXPECT_EQ(*std::max_element(store.begin() + 1330, store.begin() + 1336), 200);
  EXPECT_EQ(*std::max_element(display.begin() + 79, display.begin() + 82), 200);
  EXPECT_FLOAT_EQ(col.fDepthMetres, 12.0f);
  EXPECT_EQ(col.u32SmoothedDepthInSamples, (U32(2000000.0 * 12.0 / 1463) + 13) / 26);
  EXPECT_EQ(col.u32TimeStamp, 777u);
  EXPECT_EQ(col.HeadingSource, HEADING_SOURCE_NO_DATA);
}

TEST_F(Accumulator, BeamsWithoutAnAccumulatorAreNeitherFoldedNorCounted) {
  for (BEAM b : {BEAM(4), BEAM(7), BEAM_NONE}) {
    Fold(b, {1, 2, 3});
    vAddNewColumns(b, &pacing_);
    std::vector<U8> col;
    EXPECT_EQ(Cut(b, TRUE, &col), ACCUMULATOR_HAD_NO_DATA);
  }
  EXPECT_TRUE(s_columns.empty());
}

TEST_F(Accumulator, ChartSpeedPacesColumnsAndAChangeRestartsTheCounters) {
  H_DATABASE_bUpdateValueU32(FCID("SSSP"), 3, P_NORMAL);
  pacing_.bJigging = TRUE;  // the sequence rule apart
  std::vector<U32> perPing;
  for (int i = 0; i < 6; ++i) {
    s_columns.clear();
    vAddNewColumns(1, &pacing_);
    perPing.push_back(s_columns.empty() ? 0 : s_columns[0].first);
  }
  // P = 3, 6, 9, 12, 15 (restart), 3: 0.2 P minus the columns given.
  EXPECT_EQ(perPing, (std::vector<U32>{0, 1, 0, 1, 1, 0}));
  vAddNewColumns(1, &pacing_);  // P = 6 again: a column
  s_columns.clear();
  H_DATABASE_bUpdateValueU32(FCID("SSSP"), 10, P_NORMAL);
  vAddNewColumns(1, &pacing_);  // counters restart: P = 10, two columns
  ASSERT_EQ(s_columns.size(), 1u);
  EXPECT_EQ(s_columns[0], (std::pair<U32, U8>{2, 1}));
  // Beyond 50 m the speed doubles (another change).
  s_columns.clear();
  pacing_.fCurrentDepthMetres = 60.0f;
  vAddNewColumns(1, &pacing_);
  EXPECT_EQ(s_columns[0].first, 4u);
}

TEST_F(Accumulator, ABeamOfOnlyOneCycleGetsItsColumnsAtTheEndOfTheNext) {
  // Cycles 1 3 | 1 | 0...: beam 3 was in one cycle of two.
  for (BEAM b : {1, 3, 1, 0}) {
    s_columns.clear();
    vDuplicatePingSequence(b, 2);
  }
  EXPECT_EQ(s_columns, (std::vector<std::pair<U32, U8>>{{2, 3}}));
}

TEST_F(Accumulator, BlankScrollEmptiesAndAddsColumns) {
  Fold(1, {5, 5});
  S_ACCUM_vBlankScroll(1, &pacing_);
  std::vector<U8> col;
  EXPECT_EQ(Cut(1, FALSE, &col), ACCUMULATOR_HAD_NO_DATA);
  ASSERT_FALSE(s_columns.empty());
  EXPECT_EQ(s_columns[0], (std::pair<U32, U8>{1, 1}));
  // No transducer for the 2D source: no columns.
  s_columns.clear();
  H_DATABASE_bUpdateValueU32(FCID("YST1"), 0, P_NORMAL);
  S_ACCUM_vBlankScroll(1, &pacing_);
  EXPECT_TRUE(s_columns.empty());
}

}  // namespace
