// Sonar recordings: appending one ping to a recording (record built,
// written with one write, index entry buffered, the keys of the view and
// the regular update of index and thumb header) against a plain fwrite of
// the same bytes; and reading one ping in playback (index entry, record,
// tags, samples, the published keys) against a plain fread of the record.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/startup/t_mmc_record.h"

namespace {

constexpr U32 SAMPLES = 2000;  // a 2D ping of about 40 m

const std::string& Root() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/tessix-recordbench-XXXXXX";
    const char* made = mkdtemp(pattern);
    std::string d = made ? made : "/tmp";
    setenv("TESSIX_HOST_ROOT", d.c_str(), 1);
    std::filesystem::create_directories(d + "/bench/RECORD");
    H_DATABASE_vInit();
    return d;
  }();
  return dir;
}

struct Ping {
  std::vector<U8> samples = std::vector<U8>(PING_MAX_SAMPLES);
  PING_DESCRIPTOR d{};
  Ping() {
    for (U32 i = 0; i < SAMPLES; ++i) samples[i] = (U8)(i * 13);
    d.Beam = 1;
    d.u32NumberOfSamples = SAMPLES;
    d.pu8RawSonarData = samples.data();
    d.u32TransmitFrequencyHertz = 200000;
  }
};

void BM_RecordPing(benchmark::State& state) {
  (void)Root();
  Ping p;
  H_DATABASE_vDeleteEntry(FCID("SFSR"));
  if (!T_MMC_bOpenSonarMMCFilesIn("/bench/RECORD")) {
    state.SkipWithError("no recording");
    return;
  }
  U32 ms = 0;
  for (auto _ : state) {
    p.d.u32TimeStampMilliSeconds = ms += 100;
    T_MMC_vSaveRawDataToMMC(&p.d);
  }
  T_MMC_vCloseSonarMMCFiles(TRUE);
}
BENCHMARK(BM_RecordPing);

// Baseline: the same bytes (head and samples) with one fwrite each.
void BM_RawWrite(benchmark::State& state) {
  Ping p;
  std::vector<U8> record(MMC_RECORD_HEAD_BYTES + SAMPLES, 0x11);
  const std::string path = Root() + "/raw.son";
  FILE* f = fopen(path.c_str(), "wb");
  for (auto _ : state) benchmark::DoNotOptimize(fwrite(record.data(), 1, record.size(), f));
  fclose(f);
  unlink(path.c_str());
}
BENCHMARK(BM_RawWrite);

// A recording of 4000 pings of one beam to play.
void vMakeRecording(void) {
  static bool made = false;
  if (made) return;
  made = true;
  (void)Root();
  Ping p;
  H_DATABASE_vDeleteEntry(FCID("SFSR"));
  std::filesystem::remove_all(Root() + "/bench/RECORD/R00001");
  (void)T_MMC_bOpenSonarMMCFilesIn("/bench/RECORD");
  for (U32 i = 0; i < 4000; ++i) {
    p.d.u32TimeStampMilliSeconds = 100 * i;
    T_MMC_vSaveRawDataToMMC(&p.d);
  }
  T_MMC_vCloseSonarMMCFiles(FALSE);
}

void BM_PlaybackPing(benchmark::State& state) {
  vMakeRecording();
  Ping out;
  (void)MMC_RECORD_bOpenPlaybackFile(TRUE, "/bench/RECORD/R00001.DAT");
  for (auto _ : state) {
    U32 delay = 0;
    BOOLEAN seek = FALSE;
    if (T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_FORWARD, &seek) != MMC_READ_PING) {
      state.PauseTiming();
      (void)MMC_RECORD_bOpenPlaybackFile(TRUE, "/bench/RECORD/R00001.DAT");
      state.ResumeTiming();
    }
  }
  (void)MMC_RECORD_bOpenPlaybackFile(FALSE, nullptr);
}
BENCHMARK(BM_PlaybackPing);

// Baseline: the same records read in turn with one fread each.
void BM_RawRead(benchmark::State& state) {
  vMakeRecording();
  std::vector<U8> record(MMC_RECORD_HEAD_BYTES + SAMPLES);
  FILE* f = fopen((Root() + "/bench/RECORD/R00001/B001.SON").c_str(), "rb");
  for (auto _ : state) {
    if (fread(record.data(), 1, record.size(), f) != record.size()) rewind(f);
    benchmark::DoNotOptimize(record.data());
  }
  fclose(f);
}
BENCHMARK(BM_RawRead);

}  // namespace

BENCHMARK_MAIN();
