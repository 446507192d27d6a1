// Imaging views: one frame of the vertically scrolling side view (both
// sides, copied pixel by pixel with a cancel check each row) and one build
// of the Nadscan zoom inset, each against a frame copy of 800 × 600 pixels
// and the view task's 100 ms frame budget.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/history/history_int.h"
#include "source/history/s_imaging.h"

namespace {

void vFillSideStores() {
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_vInit();
  S_HISTORY_vCreate();
  g_u32SpeedOfSoundInWater.store(1463);
  s_db_TransducerSelectArray[1].store(5);
  SonarViewInfo.unitsDepth = U_METRES;
  S_GRAYSCALE_vRecalulateGrayScaleTable(&SidescanGrayScaleTable, 10, 10, 10, POST_PROCESS_SIDESCAN, 0, 0);
  S_GRAYSCALE_vRecalulateGrayScaleTable(&NadscanGrayScaleTable, 10, 10, 10, POST_PROCESS_SIDESCAN, 0, 0);
  for (BEAM b = 2; b < 4; ++b) {
    U32 slotIndex = 0;
    for (TSU_STORE_COLUMN& slot : TSUStore[b].aTsuStore) {
      slot.u8SampleFactor = 1;
      slot.u32SamplesInStore = 1600;
      slot.fDepthMetres = 6.0f;
      for (U32 i = 0; i < slot.u32SamplesInStore; ++i) slot.au8Data[i] = (U8)((i * 31 + slotIndex * 17) % 200);
      ++slotIndex;
    }
  }
}

struct Frame {
  std::vector<U16> pixels = std::vector<U16>(800 * 600);
  BITMAP header{};
  BITMAP* bmp = G_BUFFERS_pCreateBitmap(800, 600, &header, pixels.data());
};

WINDOW_SPECIFICATION Spec(LAYER_ID view) {
  WINDOW_SPECIFICATION s{};
  s.currentLayer = view;
  s.drawWindow = WINDOW_LOCATION{0, 599, 799, 0};
  return s;
}

void BM_CopyFrameBaseline(benchmark::State& state) {
  static U16 src[800 * 600], dst[800 * 600];
  for (auto _ : state) {
    memcpy(dst, src, sizeof dst);
    benchmark::DoNotOptimize(dst);
  }
  state.counters["frame_budget_ms"] = 100.0;
}
BENCHMARK(BM_CopyFrameBaseline)->Unit(benchmark::kMillisecond);

// A side-view frame as drawn between pings: the rings are already built.
void BM_VerticalSideViewFrame(benchmark::State& state) {
  vFillSideStores();
  db_u32SideBeamView.store(SIDE_BEAM_BOTH);
  Frame frame;
  WINDOW_SPECIFICATION spec = Spec(SONAR_SIDEVIEW);
  S_IMAGING_vDrawVerticalScrollView(frame.bmp, &spec);  // lays out and rebuilds once
  for (auto _ : state) {
    S_IMAGING_vDrawVerticalScrollView(frame.bmp, &spec);
    benchmark::DoNotOptimize(frame.pixels.data());
  }
  state.counters["frame_budget_ms"] = 100.0;
}
BENCHMARK(BM_VerticalSideViewFrame)->Unit(benchmark::kMillisecond);

// The inset rebuilt for a moving cursor at each magnification.
void BM_NadscanInsetBuild(benchmark::State& state) {
  vFillSideStores();
  Frame frame;
  WINDOW_SPECIFICATION spec = Spec(NADSCAN_VIEW_PRIORITY);
  S_IMAGING_vDrawNadscan(frame.bmp, &spec);  // makes the view current
  SonarViewInfo.Window[0].fLowerDisplayedMetres = 20.0f;
  vCalculateDisplayedDepthRanges(TRUE);
  H_DATABASE_bUpdateValueS32(FCID("ICAC"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("IDIZ"), (S32)state.range(0), P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ICPY"), 300, P_NORMAL);
  S32 x = 300;
  const U32 before = s_u32DiZoomBuilds.load();
  for (auto _ : state) {
    H_DATABASE_bUpdateValueS32(FCID("ICPX"), x, P_NORMAL);
    x = x == 300 ? 301 : 300;
    benchmark::DoNotOptimize(T_N_HISTORY_bUpdateDiZoomWindow(&spec));
  }
  state.counters["frame_budget_ms"] = 100.0;
  state.counters["builds_per_iteration"] = (double)(s_u32DiZoomBuilds.load() - before) / (double)state.iterations();
}
BENCHMARK(BM_NadscanInsetBuild)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
