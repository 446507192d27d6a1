// Sonar sharing costs per ping: writing and reading the 276-byte stream
// record with 10,000 samples (field by field) against a memcpy of the same
// bytes, and putting a segmented message of that size together from its
// datagrams against a plain copy of the message.
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "lsvc/lsvc.h"
#include "source/sonar/s_share.h"
#include "source/unitnet/u_sudp.h"

namespace {

constexpr U32 SAMPLES = 10000;
constexpr U32 BYTES = SONAR_STREAM_RECORD_BYTES + SAMPLES;

struct PING {
  std::vector<U8> raw = std::vector<U8>(PING_MAX_SAMPLES, 0x5A);
  PING_DESCRIPTOR d{};
  PING() {
    d.Beam = 1;
    d.u32NumberOfSamples = SAMPLES;
    d.pu8RawSonarData = raw.data();
    d.u32TransmitFrequencyHertz = 200000;
  }
};

void BM_StreamEncode(benchmark::State& state) {
  PING p;
  std::vector<U8> out(BYTES);
  for (auto _ : state) {
    benchmark::DoNotOptimize(S_SHARE_u32EncodeStream(&p.d, SAMPLES, out.data(), BYTES));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_StreamEncode);

void BM_StreamDecode(benchmark::State& state) {
  PING p, q;
  std::vector<U8> buffer(BYTES);
  S_SHARE_u32EncodeStream(&p.d, SAMPLES, buffer.data(), BYTES);
  for (auto _ : state) {
    benchmark::DoNotOptimize(S_SHARE_bDecodeStream(buffer.data(), BYTES, &q.d));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_StreamDecode);

// Baseline: the same bytes with one memcpy.
void BM_StreamMemcpyBaseline(benchmark::State& state) {
  std::vector<U8> from(BYTES, 0x5A), to(BYTES);
  for (auto _ : state) {
    memcpy(to.data(), from.data(), BYTES);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_StreamMemcpyBaseline);

void BM_SudpReassemble(benchmark::State& state) {
  std::vector<U8> msg(BYTES, 0x33);
  const U32 parts = U_SUDP_u32PartCount(BYTES);
  std::vector<std::vector<U8>> datagrams(parts, std::vector<U8>(SUDP_DATAGRAM_BYTES));
  SUDP_REASSEMBLY r;
  memset(&r, 0, sizeof r);
  U_SUDP_vResetReassembly(&r);
  for (U32 i = 0; i < parts; ++i) U_SUDP_vMakeDatagram(msg.data(), BYTES, 7, i, datagrams[i].data());
  for (auto _ : state) {
    U8* out = nullptr;
    U32 len = 0;
    for (U32 i = 0; i < parts; ++i) {
      if (U_SUDP_bReassemble(&r, datagrams[i].data(), (S32)SUDP_DATAGRAM_BYTES, &out, &len)) H_MEMORY_vFree(out);
    }
  }
  U_SUDP_vResetReassembly(&r);
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_SudpReassemble);

// Baseline: the message copied once into a fresh block, as a receiver
// taking the whole message in one read would.
void BM_SudpPlainCopyBaseline(benchmark::State& state) {
  std::vector<U8> msg(BYTES, 0x33);
  for (auto _ : state) {
    U8* out = (U8*)H_MEMORY_pvMalloc(BYTES);
    memcpy(out, msg.data(), BYTES);
    benchmark::DoNotOptimize(out);
    H_MEMORY_vFree(out);
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_SudpPlainCopyBaseline);

}  // namespace

BENCHMARK_MAIN();
