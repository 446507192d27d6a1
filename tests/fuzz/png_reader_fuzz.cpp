// Fuzzer of the PNG reader: arbitrary bytes as a picture file (with and
// without its size known) decoded onto a bitmap of the screen's size, and
// single rows through the filter reconstruction.
#include <cstring>
#include <vector>

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
  if ((size_t)n < k) k = (size_t)n;
  std::memcpy(out, m->data + m->pos, k);
  m->pos += k;
  return (int)k;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<U16> pixels((size_t)PNG_WIDTH * PNG_HEIGHT);
  static BITMAP bitmap = [] {
    BITMAP b{};
    G_BUFFERS_pCreateBitmap(PNG_WIDTH, PNG_HEIGHT, &b, pixels.data());
    return b;
  }();
  for (long known : {(long)size, -1L}) {
    MEMORY m{data, size, 0};
    PNG_SOURCE source{nRead, &m, known};
    (void)U_PNG_bDecode(&source, &bitmap, 0, 0);
  }
  if (size >= 2) {
    std::vector<U8> row(data, data + size), previous(size, 0x55);
    (void)U_PNG_bUnfilterRow(row.data(), previous.data(), (int)size);
  }
  return 0;
}
