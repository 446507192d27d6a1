// Receive throughput of a serial port on this machine: 256 KiB written into
// the far end of port 0's pseudo-terminal and taken byte by byte by a
// consumer that waits on the receive semaphore and drains the ring, as the
// serial-port task does. Baseline: the same bytes through the same
// pseudo-terminal read straight from the unit's side in 256-byte reads by
// one thread, the floor of the device path (no ring, no semaphore).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "source/core/dd_uart.h"
#include "source/platform/platform.h"

namespace {

constexpr size_t SIZE = 256 * 1024;

int nOpenPeer(int port) {
  const int fd = open(PLATFORM_sSerialPeerName(port).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  struct termios tio;
  if (fd >= 0 && tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  return fd;
}

void vWriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n > 0) done += (size_t)n;
  }
}

// An installation directory of its own, removed at the end.
struct BenchInstall {
  std::string folder;
  BenchInstall() {
    char pattern[] = "/tmp/tessix-serial-bench-XXXXXX";
    if (mkdtemp(pattern) != nullptr) folder = pattern;
    if (!folder.empty()) setenv("TESSIX_CWD", folder.c_str(), 1);
  }
  ~BenchInstall() {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
};

void vSetup() {
  static BenchInstall install;
  static bool done = false;
  if (done) return;
  done = true;
  DD_UART_vPublish();
}

void BM_PortRingAndSemaphore(benchmark::State& state) {
  vSetup();
  const std::string data(SIZE, 'u');
  H_UART_u32Setup(0, 115200, FALSE);
  const int peer = nOpenPeer(0);
  for (auto _ : state) {
    std::thread writer([&] { vWriteAll(peer, data); });
    size_t got = 0;
    while (got < SIZE) {
      L_SEMA_WaitTicks(DD_UART_aSemaReceive[0], 100);
      while (DD_UART_bRxCharAvail(0)) {
        benchmark::DoNotOptimize(H_UART_u16FetchRx(0));
        ++got;
      }
    }
    writer.join();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)SIZE);
  H_UART_vShutdown(0);
  close(peer);
}
BENCHMARK(BM_PortRingAndSemaphore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Baseline_PtyReads(benchmark::State& state) {
  vSetup();
  const std::string data(SIZE, 'u');
  const int unit = PLATFORM_nSerialOpen(0, DD_UART_apcDevice[0], FALSE);
  fcntl(unit, F_SETFL, fcntl(unit, F_GETFL) & ~O_NONBLOCK);
  const int peer = nOpenPeer(0);
  for (auto _ : state) {
    std::thread writer([&] { vWriteAll(peer, data); });
    size_t got = 0;
    char buffer[256];
    while (got < SIZE) {
      const ssize_t n = read(unit, buffer, sizeof buffer);
      if (n > 0) got += (size_t)n;
    }
    writer.join();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)SIZE);
  fcntl(unit, F_SETFL, fcntl(unit, F_GETFL) | O_NONBLOCK);
  PLATFORM_vSerialClose(0, unit);
  close(peer);
}
BENCHMARK(BM_Baseline_PtyReads)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
