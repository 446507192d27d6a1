// Fuzzer of the older snapshot form's reader: arbitrary bytes as a BMP
// snapshot on a small bitmap, with the size the file claims either the
// bytes given or the size the bitmap needs (so short files are read too).
#include <cstring>

#include "source/startup/u_mmc_png.h"
#include "tests/fuzz/fuzz_canvas.h"

namespace {

struct MEMORY {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int nRead(void* ctx, U8* out, int n) {
  auto* m = static_cast<MEMORY*>(ctx);
  size_t k = m->size - m->pos;
  if (n < 0) return 0;
  if ((size_t)n < k) k = (size_t)n;
  memcpy(out, m->data + m->pos, k);
  m->pos += k;
  return (int)k;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  FuzzCanvas canvas(in);
  const bool claimNeeded = (in.u8() & 1) != 0;
  MEMORY m{in.data, in.size, 0};
  const int padded = (canvas.bitmap.pixels_wide_full_screen * 3 + 3) & ~3;
  const long needed = 54L + (long)canvas.bitmap.pixels_high_full_screen * padded;
  PNG_SOURCE source = {nRead, &m, claimNeeded ? needed : (long)in.size};
  const BOOLEAN ok = U_BMP_bDecode(&source, &canvas.bitmap);
  if (ok && m.pos != (size_t)needed) __builtin_trap();  // a whole picture reads exactly its bytes
  return 0;
}
