// Fuzzer of the playback of sonar recordings: arbitrary index and data
// files of beams 0 and 1 (the input split in three after a few mode bytes)
// played through a sequence of modes, and the record parser on the raw
// bytes. A played ping never exceeds the descriptor's buffer, and its beam
// is one that has files.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "source/platform/platform.h"
#include "source/startup/t_mmc_record.h"
#include "tests/fuzz/fuzz_canvas.h"

namespace {

struct HostRoot {
  std::string dir;
  HostRoot() {
    char templ[] = "/tmp/tessix_playfuzz_XXXXXX";
    dir = mkdtemp(templ) ? templ : "/tmp/tessix_playfuzz";
    setenv("TESSIX_HOST_ROOT", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/fuzz/R00001");
  }
  ~HostRoot() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

const HostRoot& Root() {
  static const HostRoot root;
  return root;
}

void vWrite(const char* name, const uint8_t* p, size_t n) {
  std::ofstream(Root().dir + "/fuzz/R00001/" + name, std::ios::binary).write((const char*)p, (std::streamsize)n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)Root();
  FuzzInput in{data, size};
  U8 modes[6];
  for (U8& m : modes) m = in.u8() % 17;
  const size_t indexBytes = in.u8() * 8u;
  const size_t dataBytes = in.u8() * 8u;
  const size_t a = std::min<size_t>(indexBytes, in.size);
  const size_t b = std::min<size_t>(a + dataBytes, in.size);
  vWrite("B000.IDX", in.data, a);
  vWrite("B000.SON", in.data + a, b - a);
  vWrite("B001.IDX", in.data, std::min<size_t>(a, 24));
  vWrite("B001.SON", in.data + b, in.size - b);

  std::vector<U8> raw(PING_MAX_SAMPLES);
  PING_DESCRIPTOR d{};
  d.pu8RawSonarData = raw.data();
  MMC_RECORD_FIELDS f;
  if (MMC_RECORD_bParse(in.data, in.size, &d, &f) && d.u32NumberOfSamples > PING_MAX_SAMPLES) abort();

  if (MMC_RECORD_bOpenPlaybackFile(TRUE, "/fuzz/R00001.DAT")) {
    for (int i = 0; i < 24; ++i) {
      U32 delay = 0;
      BOOLEAN seek = (i == 5) ? TRUE : FALSE;
      if (i == 4) {
        const U32 at[4] = {modes[0] * 100u, modes[1] * 100u, 0, 0xFFFFFFFF};
        T_MMC_vSeekPingsInPlaybackFile(at);
      }
      d.Beam = 255;
      const U32 r = T_MMC_u32ReadPingFromMMC(&d, &delay, (PLAYBACK_MODE_TYPE)modes[i % 6], &seek);
      if (r == MMC_READ_PING && (d.u32NumberOfSamples > PING_MAX_SAMPLES || d.Beam > 1)) abort();
      if (delay > 4 * 2000) abort();
    }
  }
  (void)MMC_RECORD_bOpenPlaybackFile(FALSE, nullptr);
  return 0;
}
