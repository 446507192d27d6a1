// Settings database against a plain std::unordered_map under a std::mutex:
// fetch from 1 and 8 threads, and update with 0, 1 and 5 registered
// mailboxes (every update changes the value, so every registration gets a
// notice; the notices are taken out of the mailboxes inside the timed loop,
// as their receivers would).
#include <benchmark/benchmark.h>

#include <mutex>
#include <unordered_map>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

namespace {

constexpr int kKeys = 512;

FOURCHARID KeyOf(int i) {
  return MAKE_FOURCHARID('S', (char)('A' + i % 26), (char)('A' + (i / 26) % 26), (char)('0' + i / 676));
}

void FillDatabase() {
  static std::once_flag once;
  std::call_once(once, [] {
    H_DATABASE_vInit();
    for (int i = 0; i < kKeys; i++) H_DATABASE_bUpdateValueU32(KeyOf(i), (U32)i, P_NORMAL);
  });
}

std::mutex s_mapMutex;
std::unordered_map<U32, U32>& Map() {
  static std::unordered_map<U32, U32> map = [] {
    std::unordered_map<U32, U32> m;
    for (int i = 0; i < kKeys; i++) m[KeyOf(i)] = (U32)i;
    return m;
  }();
  return map;
}

void BM_Fetch_Database(benchmark::State& state) {
  if (state.thread_index() == 0) FillDatabase();
  int i = (int)state.thread_index() * 37;
  for (auto _ : state) {
    U32 value;
    BOOLEAN valid;
    benchmark::DoNotOptimize(H_DATABASE_bFetchU32(KeyOf(i), &value, &valid));
    benchmark::DoNotOptimize(value);
    i = (i + 1) % kKeys;
  }
}
BENCHMARK(BM_Fetch_Database)->Threads(1)->Threads(8)->UseRealTime();

void BM_Fetch_UnorderedMapMutex(benchmark::State& state) {
  if (state.thread_index() == 0) (void)Map();
  int i = (int)state.thread_index() * 37;
  for (auto _ : state) {
    U32 value = 0;
    {
      std::lock_guard<std::mutex> lock(s_mapMutex);
      auto it = Map().find(KeyOf(i));
      if (it != Map().end()) value = it->second;
    }
    benchmark::DoNotOptimize(value);
    i = (i + 1) % kKeys;
  }
}
BENCHMARK(BM_Fetch_UnorderedMapMutex)->Threads(1)->Threads(8)->UseRealTime();

void BM_Update_Database(benchmark::State& state) {
  FillDatabase();
  const int registrations = (int)state.range(0);
  const FOURCHARID key = FCID("IBEN");
  for (int r = 0; r < registrations; r++) H_DATABASE_bRegisterForDataWithConditions(key, 40 + r, TRUE, FALSE, FALSE);
  U32 value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(H_DATABASE_bUpdateValueU32(key, ++value, P_NORMAL));
    if ((value & 63) == 0) {
      for (int r = 0; r < registrations; r++) {
        while (void* m = L_MBOX_Receive(40 + r)) H_MEMORY_vDumpMail(m);
      }
    }
  }
  for (int r = 0; r < registrations; r++) {
    while (void* m = L_MBOX_Receive(40 + r)) H_MEMORY_vDumpMail(m);
    H_DATABASE_vUnregisterMailbox(key, 40 + r);
  }
}
BENCHMARK(BM_Update_Database)->Arg(0)->Arg(1)->Arg(5);

void BM_Update_UnorderedMapMutex(benchmark::State& state) {
  (void)Map();
  U32 value = 0;
  for (auto _ : state) {
    std::lock_guard<std::mutex> lock(s_mapMutex);
    Map()[FCID("IBEN")] = ++value;
  }
}
BENCHMARK(BM_Update_UnorderedMapMutex);

}  // namespace

BENCHMARK_MAIN();
