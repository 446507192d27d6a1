// Card file writing: the snapshot's PNG writer against libpng at level 1 on
// the same screen, and the buffered writer against fwrite of the same bytes
// in the same pieces (the snapshot's 2401-byte rows).
#include <benchmark/benchmark.h>
#include <png.h>
#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"
#include "source/startup/t_mmc_snapshot.h"
#include "source/startup/u_mmc_bufio.h"

namespace {

std::string TempPath(const char* name) {
  static const std::string dir = [] {
    char pattern[] = "/tmp/tessix-cardbench-XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return dir + "/" + name;
}

struct Screen {
  std::vector<U16> pixels = std::vector<U16>(800 * 600);
  BITMAP bitmap{};
  Screen() {
    for (int row = 0; row < 600; ++row)
      for (int x = 0; x < 800; ++x) pixels[(size_t)row * 800 + x] = (U16)((x * 37) ^ (row * 101) ^ ((x / 64) << 11));
    G_BUFFERS_pCreateBitmap(800, 600, &bitmap, pixels.data());
  }
};

Screen& TheScreen() {
  static Screen s;
  return s;
}

void BM_SnapshotPng(benchmark::State& state) {
  Screen& s = TheScreen();
  const std::string path = TempPath("unit.png");
  for (auto _ : state) {
    FILE* f = fopen(path.c_str(), "wb");
    BUFFERED_IO_CONTROL c{};
    U_MMC_bBufferedIO(INITIALIZE_WRITE, &c, nullptr, U_MMC_BUFFER_SIZE, f);
    benchmark::DoNotOptimize(T_MMC_bWriteSnapshotPng(&c, &s.bitmap));
    U_MMC_bBufferedIO(CLOSE_WRITE, &c, nullptr, 0, f);
  }
}
BENCHMARK(BM_SnapshotPng)->Unit(benchmark::kMillisecond);

// Baseline: libpng, zlib level 1, filter none, the same RGB rows.
void BM_LibPngLevel1(benchmark::State& state) {
  Screen& s = TheScreen();
  const std::string path = TempPath("libpng.png");
  std::vector<U8> row(2400);
  for (auto _ : state) {
    FILE* f = fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, 800, 600, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int r = 0; r < 600; ++r) {
      for (int x = 0; x < 800; ++x) {
        const U16 p = s.pixels[(size_t)r * 800 + x];
        row[3 * x] = (U8)((p >> 8) & 0xF8);
        row[3 * x + 1] = (U8)((p >> 3) & 0xFC);
        row[3 * x + 2] = (U8)(p << 3);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(f);
  }
}
BENCHMARK(BM_LibPngLevel1)->Unit(benchmark::kMillisecond);

constexpr int PIECE = 2401;
constexpr int PIECES = 600;

void BM_BufferedWriter(benchmark::State& state) {
  std::vector<char> piece(PIECE, 'x');
  const std::string path = TempPath("buffered.bin");
  for (auto _ : state) {
    FILE* f = fopen(path.c_str(), "wb");
    setvbuf(f, nullptr, _IONBF, 0);  // as a card file: whole blocks reach the device
    BUFFERED_IO_CONTROL c{};
    U_MMC_bBufferedIO(INITIALIZE_WRITE, &c, nullptr, U_MMC_BUFFER_SIZE, f);
    for (int i = 0; i < PIECES; ++i) U_MMC_bBufferedIO(BUFFERED_WRITE, &c, piece.data(), PIECE, nullptr);
    U_MMC_bBufferedIO(CLOSE_WRITE, &c, nullptr, 0, f);
  }
  state.SetBytesProcessed(state.iterations() * PIECE * PIECES);
}
BENCHMARK(BM_BufferedWriter);

// Baseline: fwrite of the same pieces through the C library's own buffer.
void BM_Fwrite(benchmark::State& state) {
  std::vector<char> piece(PIECE, 'x');
  const std::string path = TempPath("fwrite.bin");
  for (auto _ : state) {
    FILE* f = fopen(path.c_str(), "wb");
    for (int i = 0; i < PIECES; ++i) fwrite(piece.data(), 1, PIECE, f);
    fclose(f);
  }
  state.SetBytesProcessed(state.iterations() * PIECE * PIECES);
}
BENCHMARK(BM_Fwrite);

}  // namespace

BENCHMARK_MAIN();
