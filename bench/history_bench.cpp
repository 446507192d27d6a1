// Sonar history: colouring a column against a bare table lookup, building
// one history column (single beam and the blended pair) against copying 800
// pixels, and rebuilding a whole 800 × 600 window against the view task's
// 100 ms frame budget.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "source/history/history_int.h"
#include "common/u_convert.h"
#include "source/history/s_columns.h"

namespace {

U8 s_au8Column[800];
COLOR s_acColumn[800];

void vFillColumn() {
  std::mt19937 rng(7);
  for (U8& a : s_au8Column) a = (U8)(rng() & 0xFF);
}

void BM_TableLookupBaseline(benchmark::State& state) {
  vFillColumn();
  GRAYSCALE_TABLE t{};
  for (U32 a = 0; a < 256; ++a) t.acColor[a] = (COLOR)(a * 3);
  for (auto _ : state) {
    for (U32 i = 0; i < 800; ++i) s_acColumn[i] = t.acColor[s_au8Column[i]];
    benchmark::DoNotOptimize(s_acColumn);
  }
  state.SetItemsProcessed(state.iterations() * 800);
}
BENCHMARK(BM_TableLookupBaseline);

void BM_Categorize(benchmark::State& state) {
  vFillColumn();
  GRAYSCALE_TABLE t{};
  S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&t, POST_PROCESS_BOTTOM_BLACK, 63, 143, 0);
  const S8 gain = (S8)state.range(0);
  for (auto _ : state) {
    S_GRAYSCALE_vCategorize(s_au8Column, s_acColumn, 800, &t, 700, gain);
    benchmark::DoNotOptimize(s_acColumn);
  }
  state.SetItemsProcessed(state.iterations() * 800);
}
BENCHMARK(BM_Categorize)->Arg(0)->Arg(30);

// The stores hold 820 columns of a 12 m bottom at 20 m range.
void vFillStores() {
  U_CONVERT_vInitialiseConversionUtility();
  S_HISTORY_vCreate();
  g_u32SpeedOfSoundInWater.store(1463);
  CurrentView.store(SONAR_VIEW_PRIORITY);
  s_beamSelect.store((BEAM)4);
  vSetupSonarWindows();
  SONAR_WINDOW& w = SonarViewInfo.Window[0];
  w.fUpperDisplayedMetres = 0.0f;
  w.fLowerDisplayedMetres = 20.0f;
  SonarViewInfo.unitsDepth = U_METRES;
  vCalculateDisplayedDepthRanges(TRUE);
  S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&StandardBeamGrayScaleTable, POST_PROCESS_NONE, 63, 143, 0);
  const U32 bottom = S_HISTORY_u32MetresToSample(12.0f);
  for (BEAM b = 0; b < 2; ++b) {
    for (TSU_STORE_COLUMN& slot : TSUStore[b].aTsuStore) {
      slot.u8SampleFactor = 1;
      slot.u32SamplesInStore = bottom + 200;
      slot.fDepthMetres = 12.0f;
      for (U32 i = 0; i < slot.u32SamplesInStore; ++i) slot.au8Data[i] = (U8)(i >= bottom ? 220 : (i * 7) & 0x7F);
    }
  }
}

void BM_Copy800PixelsBaseline(benchmark::State& state) {
  static COLOR src[800], dst[800];
  for (auto _ : state) {
    memcpy(dst, src, sizeof dst);
    benchmark::DoNotOptimize(dst);
  }
}
BENCHMARK(BM_Copy800PixelsBaseline);

// One full-window rebuild (its time against the 100 ms frame budget); the
// time per item is the build of one column.
void vRebuild(benchmark::State& state, BEAM beam) {
  vFillStores();
  SONAR_WINDOW w = SonarViewInfo.Window[0];
  w.Beam = beam;
  for (auto _ : state) vTotalScreenUpdate(&w, 600, 800, POST_PROCESS_NONE, FALSE);
  state.counters["frame_budget_ms"] = 100.0;
  state.SetItemsProcessed(state.iterations() * 800);  // columns
}
void BM_RebuildSingleBeam(benchmark::State& state) { vRebuild(state, 1); }
void BM_RebuildBlended(benchmark::State& state) { vRebuild(state, 4); }
BENCHMARK(BM_RebuildSingleBeam)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildBlended)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
