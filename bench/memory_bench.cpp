// Partition allocation (H_MEMORY_pvMalloc + H_MEMORY_vFree) against the
// baseline malloc + free, for a few sizes: one block at a time, a batch of
// 64 held at once (the partition hands out the lowest free block however
// full it is), and four threads at once.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "lsvc/lsvc.h"

namespace {

void SizeArgs(benchmark::internal::Benchmark* b) {
  for (int size : {24, 160, 1000, 8000, 60000}) b->Arg(size);
}

void BM_HMemory_MallocFree(benchmark::State& state) {
  H_MEMORY_vSetup();
  const size_t size = (size_t)state.range(0);
  for (auto _ : state) {
    void* p = H_MEMORY_pvMalloc(size);
    benchmark::DoNotOptimize(p);
    H_MEMORY_vFree(p);
  }
}
BENCHMARK(BM_HMemory_MallocFree)->Apply(SizeArgs);

void BM_Malloc_Free(benchmark::State& state) {
  const size_t size = (size_t)state.range(0);
  for (auto _ : state) {
    void* p = malloc(size);
    benchmark::DoNotOptimize(p);
    free(p);
  }
}
BENCHMARK(BM_Malloc_Free)->Apply(SizeArgs);

constexpr int kBatch = 64;

void BM_HMemory_Batch64(benchmark::State& state) {
  H_MEMORY_vSetup();
  const size_t size = (size_t)state.range(0);
  void* held[kBatch];
  for (auto _ : state) {
    for (auto& p : held) p = H_MEMORY_pvMalloc(size);
    benchmark::DoNotOptimize(held);
    for (auto p : held) H_MEMORY_vFree(p);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_HMemory_Batch64)->Arg(24)->Arg(160);

void BM_Malloc_Batch64(benchmark::State& state) {
  const size_t size = (size_t)state.range(0);
  void* held[kBatch];
  for (auto _ : state) {
    for (auto& p : held) p = malloc(size);
    benchmark::DoNotOptimize(held);
    for (auto p : held) free(p);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_Malloc_Batch64)->Arg(24)->Arg(160);

BENCHMARK(BM_HMemory_MallocFree)->Arg(24)->Arg(1000)->Threads(4)->UseRealTime();
BENCHMARK(BM_Malloc_Free)->Arg(24)->Arg(1000)->Threads(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
