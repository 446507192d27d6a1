// Keypad-to-screen latency of the built program on the real clock: the unit
// runs headless with frame tracing, MENU, cursor and EXIT presses are
// written into its keypad pipe 100 times, and each press is timed from the
// write to the first presented frame whose pixels changed. Baseline: the
// same 24-byte records through a named pipe to a reading thread, the floor
// of the device path. p50, p99 and max are reported as counters (ms).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/unit_session.h"

namespace {

void vReport(benchmark::State& state, std::vector<double> ms, int missed) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  auto at = [&](double q) { return ms[std::min(ms.size() - 1, (size_t)(q * (double)(ms.size() - 1) + 0.5))]; };
  state.counters["p50_ms"] = at(0.50);
  state.counters["p99_ms"] = at(0.99);
  state.counters["max_ms"] = ms.back();
  state.counters["missed"] = missed;
}

void BM_KeyToPresentedFrame(benchmark::State& state) {
  CUnitSession unit;
  if (!unit.Start(TESSIX_BINARY) || !unit.StartSimulator()) {
    state.SkipWithError("the unit did not start");
    return;
  }
  usleep(1000000);
  const int sequence[] = {1 /* MENU */, 10 /* cursor south */, 9 /* cursor north */, 2 /* EXIT */};
  std::vector<double> ms;
  int missed = 0;
  size_t step = 0;
  for (auto _ : state) {
    const int slot = sequence[step++ % 4];
    const U64 pressed = CUnitSession::Now();
    unit.Key(slot, 1);
    CUnitSession::FRAME frame{};
    if (unit.WaitForChangedFrame(pressed, 2000, &frame)) {
      const double seconds = (double)(frame.presented_ns - pressed) / 1e9;
      state.SetIterationTime(seconds);
      ms.push_back(seconds * 1000.0);
    } else {
      state.SetIterationTime(2.0);
      ++missed;
    }
    unit.Key(slot, 0);
    usleep(150000);
  }
  vReport(state, ms, missed);
}
BENCHMARK(BM_KeyToPresentedFrame)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PipeRecordToReader(benchmark::State& state) {
  char templ[] = "/tmp/tessix_pipe_XXXXXX";
  const std::string dir = mkdtemp(templ);
  const std::string fifo = dir + "/event0";
  mkfifo(fifo.c_str(), 0600);
  const int rd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  const int wr = open(fifo.c_str(), O_WRONLY);
  fcntl(rd, F_SETFL, 0);
  std::atomic<U64> received{0};
  std::thread reader([&] {
    char record[48];
    while (read(rd, record, sizeof record) > 0) received.store(CUnitSession::Now(), std::memory_order_release);
  });
  std::vector<double> ms;
  const char record[48] = {};
  for (auto _ : state) {
    const U64 before = received.load(std::memory_order_acquire);
    const U64 sent = CUnitSession::Now();
    if (write(wr, record, sizeof record) != (ssize_t)sizeof record) break;
    while (received.load(std::memory_order_acquire) == before) {
    }
    const double seconds = (double)(received.load() - sent) / 1e9;
    state.SetIterationTime(seconds);
    ms.push_back(seconds * 1000.0);
  }
  close(wr);
  reader.join();
  close(rd);
  unlink(fifo.c_str());
  rmdir(dir.c_str());
  vReport(state, ms, 0);
}
BENCHMARK(BM_PipeRecordToReader)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
