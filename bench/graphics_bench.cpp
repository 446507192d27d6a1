// Drawing library throughput on a full 800 x 600 screen: filling the screen
// (G_BMP_vSet, and a filled box through the line runs) against memset and
// pixman_fill, and copying a screen (G_BMP_vCopyRegion over the fast copy,
// DD_UTIL_Memcpy itself) against memcpy of 960,000 bytes and pixman_blt.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <vector>

#include "source/core/dd_util.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"

namespace {

constexpr int W = G_SCREEN_WIDTH, H = G_SCREEN_HEIGHT;
constexpr size_t BYTES = (size_t)W * H * 2;  // 960,000

struct Screen {
  std::vector<U32> words = std::vector<U32>((size_t)W * H / 2, 0);
  BITMAP bitmap{};
  Screen() { G_BUFFERS_pCreateBitmap(W, H, &bitmap, words.data()); }
};

// ------------------------------------------------------------ fill
void BM_Fill_G_BMP_vSet(benchmark::State& state) {
  Screen s;
  COLOR c = 0;
  for (auto _ : state) {
    G_BMP_vSet(&s.bitmap, c++);
    benchmark::DoNotOptimize(s.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Fill_G_BMP_vSet);

void BM_Fill_G_BOX_vDrawFilled(benchmark::State& state) {
  Screen s;
  COLOR c = 0;
  for (auto _ : state) {
    G_BOX_vDrawFilled(&s.bitmap, c++, POINT{0, 0}, W, H);
    benchmark::DoNotOptimize(s.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Fill_G_BOX_vDrawFilled);

void BM_Fill_memset(benchmark::State& state) {
  Screen s;
  int c = 0;
  for (auto _ : state) {
    std::memset(s.words.data(), c++ & 0xFF, BYTES);
    benchmark::DoNotOptimize(s.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Fill_memset);

void BM_Fill_pixman_fill(benchmark::State& state) {
  Screen s;
  U32 c = 0;
  for (auto _ : state) {
    // 16 bits per pixel; the stride is counted in 32-bit words.
    pixman_fill(s.words.data(), W / 2, 16, 0, 0, W, H, c++ & 0xFFFF);
    benchmark::DoNotOptimize(s.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Fill_pixman_fill);

// ------------------------------------------------------------ copy
void BM_Copy_G_BMP_vCopyRegion(benchmark::State& state) {
  Screen from, to;
  for (auto _ : state) {
    G_BMP_vCopyRegion(&from.bitmap, &to.bitmap, 0, 0, W);
    benchmark::DoNotOptimize(to.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Copy_G_BMP_vCopyRegion);

void BM_Copy_DD_UTIL_Memcpy(benchmark::State& state) {
  Screen from, to;
  for (auto _ : state) {
    DD_UTIL_Memcpy(to.words.data(), from.words.data(), BYTES);
    benchmark::DoNotOptimize(to.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Copy_DD_UTIL_Memcpy);

void BM_Copy_memcpy(benchmark::State& state) {
  Screen from, to;
  for (auto _ : state) {
    std::memcpy(to.words.data(), from.words.data(), BYTES);
    benchmark::DoNotOptimize(to.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Copy_memcpy);

void BM_Copy_pixman_blt(benchmark::State& state) {
  Screen from, to;
  for (auto _ : state) {
    pixman_blt(from.words.data(), to.words.data(), W / 2, W / 2, 16, 16, 0, 0, 0, 0, W, H);
    benchmark::DoNotOptimize(to.words.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * BYTES);
}
BENCHMARK(BM_Copy_pixman_blt);

}  // namespace

BENCHMARK_MAIN();
