// Partition allocation (H_MEMORY_pvMalloc + H_MEMORY_vFree) against the
// baseline malloc + free, for a few sizes: one block at a time, a batch of
// 64 held at once (the partition hands out the lowest free block however
// full it is), and four threads at once, on one partition and each on its
// own.
//
// A partition hands out the lowest free block of the whole partition and
// counts every block in one place, so an allocation and a free each change
// state that all threads share: one atomic read-modify-write each, where
// malloc works in a cache of the calling thread. BM_SharedClaimRelease
// measures just those two atomic operations on one shared word, the floor
// for any design that keeps that order.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>

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

// Four threads, each on a partition of its own (44, 168, 1024 and 4096
// usable bytes): the partitions share no cache line that changes.
constexpr size_t kOwnSizes[] = {24, 160, 1000, 4000};

void BM_HMemory_MallocFreeOwnPartition(benchmark::State& state) {
  H_MEMORY_vSetup();
  const size_t size = kOwnSizes[state.thread_index() % 4];
  for (auto _ : state) {
    void* p = H_MEMORY_pvMalloc(size);
    benchmark::DoNotOptimize(p);
    H_MEMORY_vFree(p);
  }
}
BENCHMARK(BM_HMemory_MallocFreeOwnPartition)->Threads(4)->UseRealTime();

void BM_Malloc_FreeOwnSize(benchmark::State& state) {
  const size_t size = kOwnSizes[state.thread_index() % 4];
  for (auto _ : state) {
    void* p = malloc(size);
    benchmark::DoNotOptimize(p);
    free(p);
  }
}
BENCHMARK(BM_Malloc_FreeOwnSize)->Threads(4)->UseRealTime();

// The floor: claim the lowest set bit of one shared word and set it again,
// two atomic read-modify-writes per iteration, as a partition's allocation
// and free do.
std::atomic<U64> s_sharedWord{~0ull};

void BM_SharedClaimRelease(benchmark::State& state) {
  for (auto _ : state) {
    U64 bits = s_sharedWord.load(std::memory_order_relaxed);
    U64 bit;
    do {
      bit = bits & (~bits + 1);
      bits = s_sharedWord.fetch_and(~bit, std::memory_order_seq_cst);
    } while (!(bits & bit));
    benchmark::DoNotOptimize(bit);
    s_sharedWord.fetch_or(bit, std::memory_order_seq_cst);
  }
}
BENCHMARK(BM_SharedClaimRelease);
BENCHMARK(BM_SharedClaimRelease)->Threads(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
