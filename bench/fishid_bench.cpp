// The fish scan of one gained 200 kHz ping of 10,000 samples (faint specks
// in the water column, 20 fish arches' echoes and the bottom) in ns per
// sample, against the plainest pass over the same samples: a loop finding
// the largest sample.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "source/sonar/s_fishid.h"

namespace {

constexpr U32 SAMPLES = 10000;

std::vector<U8> MakePing() {
  std::vector<U8> g(SAMPLES, 0);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> speck(0, 9);
  for (U32 i = 0; i < SAMPLES; ++i) g[i] = speck(rng) == 0 ? (U8)(1 + speck(rng) / 3) : 0;
  for (U32 f = 0; f < 20; ++f) {
    const U32 at = 200 + f * 450;
    for (U32 k = 0; k < 12; ++k) g[at + k] = (U8)(10 + (k <= 6 ? k : 11 - k) * (60 + 5 * f) / 6);
  }
  for (U32 i = SAMPLES - 200; i < SAMPLES; ++i) g[i] = 220;
  return g;
}

benchmark::Counter PerSample() {
  return benchmark::Counter(SAMPLES, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Baseline: the largest sample of the ping.
void BM_PlainMaxLoop(benchmark::State& state) {
  const std::vector<U8> g = MakePing();
  for (auto _ : state) {
    U8 most = 0;
    for (U32 i = 0; i < SAMPLES; ++i) most = g[i] > most ? g[i] : most;
    benchmark::DoNotOptimize(most);
  }
  state.counters["s_per_sample"] = PerSample();
}
BENCHMARK(BM_PlainMaxLoop);

void BM_ScanForFish(benchmark::State& state) {
  std::vector<U8> g = MakePing();
  PING_DESCRIPTOR d{};
  d.Beam = 1;
  d.u8TransmitCycles = 16;
  d.u32NumberOfSamples = SAMPLES;
  d.pu8TvgdData = g.data();
  d.u32SamplePeriodMicroSeconds = 26;
  d.u32TransmitFrequencyHertz = 200000;
  d.fDepthMetres = (F32)((SAMPLES - 100) * 26.0 * g_u32SpeedOfSoundInWater.load() / 2e6);
  FISH_TARGET_LIST list;
  for (auto _ : state) {
    S_FISHID_vScanForFish(&list, &d, WATER_FRESH, 5);
    benchmark::DoNotOptimize(list.u8NumberOfTargets);
  }
  if (list.u8NumberOfTargets != 6) state.SkipWithError("the ping's fish were not found");
  state.counters["s_per_sample"] = PerSample();
}
BENCHMARK(BM_ScanForFish);

}  // namespace

BENCHMARK_MAIN();
