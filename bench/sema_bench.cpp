// Signal-to-wake-up latency of the event semaphores: two threads pass a turn
// back and forth (ping-pong); one iteration is one round trip, i.e. two
// signals and two wake-ups. Baseline: the same ping-pong on
// std::binary_semaphore.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <thread>

#include "lsvc/lsvc.h"

namespace {

constexpr SEMA PING = SEMA_GDC0;
constexpr SEMA PONG = SEMA_GDC1;
constexpr SEMA STOP = SEMA_GDC2;


void BM_SemaPingPongSingleWait(benchmark::State& state) {
  L_SEMA_SetPending(PING);
  L_SEMA_SetPending(PONG);
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    for (;;) {
      L_SEMA_Wait(PING);
      if (stop.load()) break;
      L_SEMA_Signal(PONG);
    }
  });
  for (auto _ : state) {
    L_SEMA_Signal(PING);
    L_SEMA_Wait(PONG);
  }
  stop = true;
  L_SEMA_Signal(PING);
  partner.join();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SemaPingPongSingleWait)->UseRealTime();


// Wake-up of a waiter that has gone to sleep: the main thread works for
// 50 us before each signal, longer than a wait looks for a signal before it
// sleeps, so every signal wakes a sleeping thread. One iteration is one
// round trip including the 50 us.
constexpr auto kWorkBeforeSignal = std::chrono::microseconds(50);

void vWork(void) {
  const auto until = std::chrono::steady_clock::now() + kWorkBeforeSignal;
  while (std::chrono::steady_clock::now() < until) {
  }
}



// Round trips through a partner thread waiting on a list, on the unit's
// semaphores and on std::binary_semaphore; with work, the main thread works
// before each signal.
void vSemaRoundTrips(benchmark::State& state, bool work) {
  L_SEMA_SetPending(PING);
  L_SEMA_SetPending(PONG);
  L_SEMA_SetPending(STOP);
  std::thread partner([] {
    const SEMA list[] = {PING, STOP, 0};
    while (L_SEMA_WaitMultiple(list) == PING) L_SEMA_Signal(PONG);
  });
  for (auto _ : state) {
    if (work) vWork();
    L_SEMA_Signal(PING);
    L_SEMA_Wait(PONG);
  }
  L_SEMA_Signal(STOP);
  partner.join();
  state.SetItemsProcessed(state.iterations());
}

void vStdRoundTrips(benchmark::State& state, bool work) {
  std::binary_semaphore ping{0}, pong{0};
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    for (;;) {
      ping.acquire();
      if (stop.load()) break;
      pong.release();
    }
  });
  for (auto _ : state) {
    if (work) vWork();
    ping.release();
    pong.acquire();
  }
  stop = true;
  ping.release();
  partner.join();
  state.SetItemsProcessed(state.iterations());
}

void BM_SemaPingPong(benchmark::State& state) { vSemaRoundTrips(state, false); }
BENCHMARK(BM_SemaPingPong)->UseRealTime();
void BM_StdBinarySemaphorePingPong(benchmark::State& state) { vStdRoundTrips(state, false); }
BENCHMARK(BM_StdBinarySemaphorePingPong)->UseRealTime();
void BM_SemaWakeSleeper(benchmark::State& state) { vSemaRoundTrips(state, true); }
BENCHMARK(BM_SemaWakeSleeper)->UseRealTime();
void BM_StdBinarySemaphoreWakeSleeper(benchmark::State& state) { vStdRoundTrips(state, true); }
BENCHMARK(BM_StdBinarySemaphoreWakeSleeper)->UseRealTime();

// Cost of a signal nobody waits for (the common case of a mailbox or timer
// semaphore of a busy task), against a std::binary_semaphore release.
void BM_SemaSignalUnwaited(benchmark::State& state) {
  for (auto _ : state) {
    L_SEMA_Signal(PING);
    L_SEMA_SetPending(PING);
  }
}
BENCHMARK(BM_SemaSignalUnwaited);

void BM_StdBinarySemaphoreReleaseUnwaited(benchmark::State& state) {
  std::binary_semaphore s{0};
  for (auto _ : state) {
    s.release();
    (void)s.try_acquire();
  }
}
BENCHMARK(BM_StdBinarySemaphoreReleaseUnwaited);

}  // namespace

BENCHMARK_MAIN();
