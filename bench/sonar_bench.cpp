// The per-ping work of the 2D cycle on this machine: building the command
// block and splitting a receive block of 2 × 10,000 samples into two
// descriptors' buffers, against a plain copy of the same receive block; and
// the channel split per sample against a plain strided copy.
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_demultiplex.h"

namespace {

constexpr U32 SAMPLES = 10000;
constexpr U32 RECEIVED = 35 + 3 * (50 + SAMPLES);

std::vector<U8> MakeReceiveBlock() {
  std::vector<U8> block(COPROC_RECEIVE_BLOCK_BYTES, 0);
  S_COPROC_vBuildTxSequence200kHzParLFAltShortTransmit(block.data(), 10, 1, SAMPLES, 200, TXPOWER_HI, 8, 2, SAMPLES,
                                                       83, TXPOWER_HI, FALSE, 236, FALSE);
  memmove(block.data() + 4, block.data(), TX_SEQUENCE_BYTES);  // the echoed sequence
  for (U32 i = 35; i < RECEIVED; ++i) block[i] = (U8)(i * 7);
  return block;
}

// Baseline: one copy of the whole receive block.
void BM_ReceiveBlockMemcpy(benchmark::State& state) {
  const std::vector<U8> block = MakeReceiveBlock();
  std::vector<U8> out(block.size());
  for (auto _ : state) {
    memcpy(out.data(), block.data(), RECEIVED);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReceiveBlockMemcpy)->Unit(benchmark::kMicrosecond);

// The 2D cycle's own work: build the block, split channels 0 and 1.
void BM_PingCycle2D(benchmark::State& state) {
  const std::vector<U8> received = MakeReceiveBlock();
  std::vector<U8> command(MULTI_TX_BYTES), raw0(55000), raw1(55000), noise(50);
  for (auto _ : state) {
    memset(command.data(), 0, MULTI_TX_BYTES);
    S_COPROC_vBuildTxSequence200kHzParLFAltShortTransmit(command.data(), 10, 1, SAMPLES, 200, TXPOWER_HI, 8, 2,
                                                         SAMPLES, 83, TXPOWER_HI, FALSE, 236, FALSE);
    U8 mean = 0, peak = 0;
    const U32 a = S_DEMULTIPLEX_u32ExtractChannel(received.data(), RECEIVED, 0, noise.data(), 50, raw0.data(), 55000,
                                                  &mean, &peak);
    const U32 b = S_DEMULTIPLEX_u32ExtractChannel(received.data(), RECEIVED, 1, noise.data(), 50, raw1.data(), 55000,
                                                  &mean, &peak);
    benchmark::DoNotOptimize(a + b);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PingCycle2D)->Unit(benchmark::kMicrosecond);

// Baseline: a plain strided copy of one channel.
void BM_StridedCopy(benchmark::State& state) {
  const std::vector<U8> received = MakeReceiveBlock();
  std::vector<U8> out(SAMPLES);
  for (auto _ : state) {
    const U8* p = received.data() + 35 + 3 * 50 + 1;
    for (U32 i = 0; i < SAMPLES; ++i) out[i] = p[3 * i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * SAMPLES);
}
BENCHMARK(BM_StridedCopy);

void BM_ChannelExtraction(benchmark::State& state) {
  const std::vector<U8> received = MakeReceiveBlock();
  std::vector<U8> out(55000), noise(50);
  for (auto _ : state) {
    U8 mean = 0, peak = 0;
    benchmark::DoNotOptimize(S_DEMULTIPLEX_u32ExtractChannel(received.data(), RECEIVED, 1, noise.data(), 50,
                                                             out.data(), 55000, &mean, &peak));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * SAMPLES);
}
BENCHMARK(BM_ChannelExtraction);

}  // namespace

BENCHMARK_MAIN();
