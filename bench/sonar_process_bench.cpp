// The per-sample operations of ping processing against the plainest loop
// over the same samples (a copy, or a running maximum for the shrinking
// resampler and the bottom scan), and the whole processing of one ping at
// 1,000 and 55,000 samples against a copy of the ping; the offered running
// median and matched filter against the copy. Items are samples:
// the reported rate gives ns per sample.
#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/s_depth.h"
#include "source/sonar/s_filter.h"
#include "source/sonar/s_fresample.h"
#include "source/sonar/s_matchedfilter.h"
#include "source/sonar/s_tvg.h"
#include "source/sonar/t_process.h"
#include "source/sonar/u_median.h"
#include "source/sonar/u_ping.h"

namespace {

constexpr U32 N = 20000;

// A ping: noise, surface clutter, a bottom at sample 8,000 and its echo.
std::vector<U8> Ping(U32 n) {
  std::vector<U8> v(PING_MAX_SAMPLES, 0);
  for (U32 i = 0; i < n; ++i) v[i] = (U8)(5 + (i * 2654435761u >> 28));
  for (U32 i = 0; i < 60 && i < n; ++i) v[i] = 230;
  for (U32 i = 0; i < 300; ++i) {
    if (n * 2 / 5 + i < n) v[n * 2 / 5 + i] = (U8)std::min(255u, 250 - i / 2);
  }
  return v;
}

void Items(benchmark::State& state, U32 n) { state.SetItemsProcessed((int64_t)state.iterations() * n); }

void BM_BaselineCopy(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> out(N);
  for (auto _ : state) {
    for (U32 i = 0; i < N; ++i) out[i] = in[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  Items(state, N);
}
BENCHMARK(BM_BaselineCopy);

void BM_BaselineMax(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  for (auto _ : state) {
    U8 m = 0;
    for (U32 i = 0; i < N; ++i) m = std::max(m, in[i]);
    benchmark::DoNotOptimize(m);
  }
  Items(state, N);
}
BENCHMARK(BM_BaselineMax);

void BM_TwoOfTwo(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> prev = Ping(N), out(N);
  for (auto _ : state) {
    S_FILTER_v2of2Filter(N, in.data(), prev.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_TwoOfTwo);

void BM_ExponentialAverage(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> out(N);
  for (auto _ : state) {
    S_FILTER_vGetExponentialAverageData(N, 1, in.data(), out.data(), 3);
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_ExponentialAverage);

void BM_Tvg(benchmark::State& state) {
  std::vector<U8> in = Ping(N), out(N);
  PING_DESCRIPTOR d{};
  d.Beam = 1;
  d.u32NumberOfSamples = N;
  d.u32SamplePeriodMicroSeconds = 26;
  d.u32TransmitFrequencyHertz = 200000;
  for (auto _ : state) {
    S_TVG_TvgRawSonar(&d, in.data(), out.data(), 5, TRUE, WATER_FRESH, 0);
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_Tvg);

void BM_NoiseRemoval(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> out = Ping(N);
  for (auto _ : state) {
    S_FILTER_vNoiseRemoval(N, in.data(), out.data(), out.data(), 12);
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_NoiseRemoval);

void BM_ResampleShrink(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> out(480);
  for (auto _ : state) {
    S_FRESAMPLE_vFastResample(in.data(), N, N, out.data(), 480);
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_ResampleShrink);

// The offered filters, against the copy: the running median by length
// (fast paths 3, 5 and 7, the histogram at 9) and the matched filter of a
// 13-tap pulse.
void BM_RunningMedian(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> out(N);
  for (auto _ : state) {
    U_MEDIAN_vFilter(in.data(), out.data(), N, (U32)state.range(0));
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_RunningMedian)->Arg(3)->Arg(5)->Arg(7)->Arg(9);

void BM_MatchedFilter(benchmark::State& state) {
  const std::vector<U8> in = Ping(N);
  std::vector<U8> out(N);
  for (auto _ : state) {
    S_MATCHEDFILTER_vFilter(in.data(), out.data(), N, 200000, 40, 100);
    benchmark::DoNotOptimize(out.data());
  }
  Items(state, N);
}
BENCHMARK(BM_MatchedFilter);

void BM_BottomScan(benchmark::State& state) {
  std::vector<U8> raw = Ping(N), gained = Ping(N);
  PING_DESCRIPTOR d{};
  d.Beam = 1;
  d.u32NumberOfSamples = N;
  d.u32SamplePeriodMicroSeconds = 26;
  d.u32TransmitFrequencyHertz = 200000;
  d.pu8RawSonarData = raw.data();
  d.pu8TvgdData = gained.data();
  std::vector<U8> curve(PING_MAX_SAMPLES);
  S_DEPTH_vMedianThreshold(&d, curve.data(), gained.data());
  TARGETCANDIDATE list[DEPTH_CANDIDATES];
  for (auto _ : state) {
    const U32 n = S_DEPTH_u32ScanCandidates(&d, 416, curve.data(), 0, 1463, 0.0f, list);
    benchmark::DoNotOptimize(n);
  }
  Items(state, N);
}
BENCHMARK(BM_BottomScan);

bool Setup() {
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  vInitialisePingDescriptorQueue();
  S_ACCUM_vInit();
  return true;
}

// Baseline of the whole step: one copy of the ping.
void BM_PingMemcpy(benchmark::State& state) {
  const U32 n = (U32)state.range(0);
  const std::vector<U8> in = Ping(n);
  std::vector<U8> out(PING_MAX_SAMPLES);
  for (auto _ : state) {
    memcpy(out.data(), in.data(), n);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PingMemcpy)->Arg(1000)->Arg(55000)->Unit(benchmark::kMicrosecond);

// The processing of one ping: filters, gain, keel offset, bottom search,
// best depth, fold (no history to cut columns).
void BM_ProcessPing(benchmark::State& state) {
  static const bool ready = Setup();
  (void)ready;
  const U32 n = (U32)state.range(0);
  const std::vector<U8> in = Ping(n);
  U32 stamp = 1000;
  for (auto _ : state) {
    PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
    d->Beam = 1;
    d->u8TransmitCycles = 10;
    d->u32NumberOfSamples = n;
    d->u32SamplePeriodMicroSeconds = 26;
    d->u32TransmitFrequencyHertz = 200000;
    d->u8Transducer = 1;
    d->bIsLocal = FALSE;
    d->u32TimeStampMilliSeconds = stamp += 100;
    memcpy(d->pu8RawSonarData, in.data(), n);
    T_N_PROCESS_vProcessPing(d);
  }
}
BENCHMARK(BM_ProcessPing)->Arg(1000)->Arg(55000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
