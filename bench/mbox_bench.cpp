// Mailbox send + receive against the baseline of a std::deque guarded by a
// std::mutex and std::condition_variable: one thread, a flood of mixed
// priorities, and a producer thread feeding a consumer.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"

namespace {

constexpr MBOX kBox = M_SLPTEST;

// The baseline: a plain locked queue of message pointers (no priorities).
class StdQueue {
 public:
  explicit StdQueue(size_t capacity = SIZE_MAX) : capacity_(capacity) {}
  void Push(void* m) {
    std::unique_lock<std::mutex> lock(mutex_);
    not_full_.wait(lock, [&] { return q_.size() < capacity_; });
    q_.push_back(m);
    not_empty_.notify_one();
  }
  void* TryPop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (q_.empty()) return nullptr;
    void* m = q_.front();
    q_.pop_front();
    not_full_.notify_one();
    return m;
  }
  void* PopWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    not_empty_.wait(lock, [&] { return !q_.empty(); });
    void* m = q_.front();
    q_.pop_front();
    not_full_.notify_one();
    return m;
  }

 private:
  size_t capacity_;
  std::mutex mutex_;
  std::condition_variable not_empty_, not_full_;
  std::deque<void*> q_;
};

void BM_Mbox_SendReceive(benchmark::State& state) {
  auto* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
  for (auto _ : state) {
    L_MBOX_Send(kBox, m, 3, 0);
    benchmark::DoNotOptimize(L_MBOX_Receive(kBox));
  }
  H_MEMORY_vFree(m);
}
BENCHMARK(BM_Mbox_SendReceive);

void BM_StdDeque_PushPop(benchmark::State& state) {
  StdQueue q;
  GENERIC_MESSAGE msg{};
  for (auto _ : state) {
    q.Push(&msg);
    benchmark::DoNotOptimize(q.TryPop());
  }
}
BENCHMARK(BM_StdDeque_PushPop);

// A flood: N messages queued (priorities 1-4 and a few above 15), then all
// received. Reported per message.
void BM_Mbox_Flood(benchmark::State& state) {
  const int n = (int)state.range(0);
  std::vector<GENERIC_MESSAGE*> msgs(n);
  for (auto& m : msgs) m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) L_MBOX_Send(kBox, msgs[i], (PRIORITY)(i % 50 == 0 ? 20 : 1 + i % 4), 0);
    for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(L_MBOX_Receive(kBox));
  }
  state.SetItemsProcessed(state.iterations() * n);
  for (auto m : msgs) H_MEMORY_vFree(m);
}
BENCHMARK(BM_Mbox_Flood)->Arg(100)->Arg(2000);

void BM_StdDeque_Flood(benchmark::State& state) {
  const int n = (int)state.range(0);
  StdQueue q;
  std::vector<GENERIC_MESSAGE> msgs(n);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) q.Push(&msgs[i]);
    for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(q.TryPop());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdDeque_Flood)->Arg(100)->Arg(2000);

// A producer thread allocates and sends; the benchmark thread receives with
// a blocking receive and disposes. The partition bounds the messages in
// flight (the producer waits for a free block), as a capacity bounds the
// baseline's queue.
void BM_Mbox_ProducerConsumer(benchmark::State& state) {
  const S64 total = (S64)state.max_iterations;
  std::thread producer([total] {
    for (S64 i = 0; i < total; ++i) {
      auto* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
      m->Cmd = CMD_ID_NEW_DATA;
      L_MBOX_Send(kBox, m, 3, 0);
    }
  });
  for (auto _ : state) H_MEMORY_vDumpMail(L_MBOX_ReceiveWait(kBox));
  producer.join();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Mbox_ProducerConsumer)->UseRealTime();

void BM_StdDeque_ProducerConsumer(benchmark::State& state) {
  const S64 total = (S64)state.max_iterations;
  StdQueue q(2700);
  std::thread producer([&q, total] {
    for (S64 i = 0; i < total; ++i) {
      auto* m = static_cast<GENERIC_MESSAGE*>(malloc(sizeof(GENERIC_MESSAGE)));
      m->Cmd = CMD_ID_NEW_DATA;
      q.Push(m);
    }
  });
  for (auto _ : state) free(q.PopWait());
  producer.join();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdDeque_ProducerConsumer)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
