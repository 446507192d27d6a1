// Opening a file on a card through the host's fake mount (the mount point
// mapped to the card folder, names looked up without regard to case)
// against the baseline of opening the same file by its real path with the
// C library alone, as the board does. The card has 200 files in one folder.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "source/platform/platform.h"

namespace fs = std::filesystem;

namespace {

struct Card {
  std::string base, folder;
  Card() {
    char pattern[] = "/tmp/tessix-cardbench-XXXXXX";
    base = mkdtemp(pattern);
    setenv("TESSIX_HOST_ROOT", (base + "/root").c_str(), 1);
    folder = base + "/card";
    fs::create_directories(folder + "/CHARTS");
    fs::create_directories(base + "/root/mnt/mmc0");
    for (int i = 0; i < 200; ++i) {
      char name[32];
      snprintf(name, sizeof name, "/CHARTS/DATA%04d.BIN", i);
      std::ofstream(folder + name) << "x";
    }
    PLATFORM_SD_CARD card = {folder.c_str(), "035344535530344780000000010000e1", "SD", TRUE};
    PLATFORM_bInsertCard(0, &card);
    PLATFORM_nMount("/dev/mmcblk1p1", "/mnt/mmc0", "msdos", FALSE, "check=r");
  }
  ~Card() {
    PLATFORM_nUmount("/mnt/mmc0");
    std::error_code ec;
    fs::remove_all(base, ec);
  }
};

Card& TheCard() {
  static Card card;
  return card;
}

void OpenClose(const char* path) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) abort();
  fclose(f);
}

// Baseline: the C library's open of the real path.
void BM_OpenRealPath(benchmark::State& state) {
  const std::string path = TheCard().folder + "/CHARTS/DATA0150.BIN";
  for (auto _ : state) OpenClose(path.c_str());
}

void BM_OpenThroughMountSameCase(benchmark::State& state) {
  TheCard();
  for (auto _ : state) OpenClose(PLATFORM_sResolvePath("/mnt/mmc0/CHARTS/DATA0150.BIN").c_str());
}

void BM_OpenThroughMountOtherCase(benchmark::State& state) {
  TheCard();
  for (auto _ : state) OpenClose(PLATFORM_sResolvePath("/mnt/mmc0/charts/data0150.bin").c_str());
}

BENCHMARK(BM_OpenRealPath);
BENCHMARK(BM_OpenThroughMountSameCase);
BENCHMARK(BM_OpenThroughMountOtherCase);

}  // namespace

BENCHMARK_MAIN();
