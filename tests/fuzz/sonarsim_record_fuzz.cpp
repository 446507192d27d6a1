// Fuzzer of the simulator's recording reader: arbitrary index and data files
// (the input split in two) replayed for a few pings; a record is never read
// past the descriptor's buffer, and a recording without a good record ends.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "source/platform/platform.h"
#include "source/sonar/s_synthsim.h"
#include "tests/fuzz/fuzz_canvas.h"

namespace {

// A host root of the run's own, removed at the end.
struct HostRoot {
  std::string dir;
  HostRoot() {
    char templ[] = "/tmp/tessix_simfuzz_XXXXXX";
    dir = mkdtemp(templ) ? templ : "/tmp/tessix_simfuzz";
    setenv("TESSIX_HOST_ROOT", dir.c_str(), 1);
    std::filesystem::create_directories(dir + "/usr/tessix/SONARSIM");
  }
  ~HostRoot() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

const std::string& Root() {
  static const HostRoot root;
  return root.dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)Root();
  FuzzInput in{data, size};
  const size_t split = std::min<size_t>(in.u8() * 4u, in.size);
  std::ofstream(PLATFORM_sResolvePath(SYNTHSIM_INDEX_FILE), std::ios::binary)
      .write((const char*)in.data, (std::streamsize)split);
  std::ofstream(PLATFORM_sResolvePath(SYNTHSIM_DATA_FILE), std::ios::binary)
      .write((const char*)in.data + split, (std::streamsize)(in.size - split));
  S_SYNTHSIM_vClose();
  std::vector<U8> raw(PING_MAX_SAMPLES);
  PING_DESCRIPTOR d{};
  d.pu8RawSonarData = raw.data();
  for (int i = 0; i < 8; ++i) {
    if (!S_SYNTHSIM_bReplayPing(&d)) break;
    if (d.Beam > 3 || d.u32NumberOfSamples > PING_MAX_SAMPLES) abort();
  }
  S_SYNTHSIM_vClose();
  return 0;
}
