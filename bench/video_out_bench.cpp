// The television copy of one shown frame: the page merged with the graphics
// plane (chroma-key pixels take the graphics plane's) into the television
// plane, both planes mapped files here. Measured against:
//  - BM_Memcpy960000: one memcpy of a 960,000-byte frame;
//  - BM_ThreeStreams: the same three streams as the merge (read two
//    screens, write one) with a plain per-pixel add, the floor of any merge.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "source/graphics/dd_lcd.h"
#include "source/graphics/dd_lcd_int.h"
#include "source/platform/platform.h"

namespace {

constexpr size_t N = (size_t)DD_LCD_WIDTH * DD_LCD_HEIGHT;

const std::string g_root = [] {
  char tmpl[] = "/tmp/tessix_video_bench_XXXXXX";
  std::string root = mkdtemp(tmpl) ? tmpl : "/tmp";
  setenv("TESSIX_HOST_ROOT", root.c_str(), 1);
  std::filesystem::create_directories(root + "/dev");
  for (const char* plane : {"/dev/fb0", "/dev/fb2"}) {
    std::ofstream(root + plane, std::ios::binary) << std::string(sizeof(SCREEN_BUFFER), '\x11');
  }
  atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(PLATFORM_pcHostRoot(), ec);
  });
  return root;
}();

// A page with a quarter of its pixels the chroma key, in stripes.
std::vector<U16> Page() {
  std::vector<U16> page(N);
  for (size_t i = 0; i < N; ++i) page[i] = (i / 7) % 4 == 0 ? DD_LCD_CHROMA_KEY : (U16)(i * 40503u);
  return page;
}

void BM_TelevisionCopy(benchmark::State& state) {
  const std::vector<U16> page = Page();
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_NTSC);
  // Past the frames that are never copied.
  while (DD_LCD_u32TelevisionFrames() < DD_LCD_TV_SKIPPED_FRAMES) DD_LCD_vCopyToTelevision(nullptr, 0);
  for (auto _ : state) {
    DD_LCD_vCopyToTelevision(reinterpret_cast<const U8*>(page.data()), (size_t)DD_LCD_WIDTH * 2);
    benchmark::ClobberMemory();
  }
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_LCD);
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)sizeof(SCREEN_BUFFER));
}
BENCHMARK(BM_TelevisionCopy);

void BM_Memcpy960000(benchmark::State& state) {
  std::vector<U16> from = Page(), to(N);
  for (auto _ : state) {
    memcpy(to.data(), from.data(), sizeof(SCREEN_BUFFER));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)sizeof(SCREEN_BUFFER));
}
BENCHMARK(BM_Memcpy960000);

void BM_ThreeStreams(benchmark::State& state) {
  std::vector<U16> a = Page(), b(N, 0x1111), c(N);
  for (auto _ : state) {
    for (size_t i = 0; i < N; ++i) c[i] = (U16)(a[i] + b[i]);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)sizeof(SCREEN_BUFFER));
}
BENCHMARK(BM_ThreeStreams);

}  // namespace

BENCHMARK_MAIN();
