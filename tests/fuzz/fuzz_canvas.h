// Shared set-up of the picture fuzzers: reads the bitmap's and the picture's
// sizes from the head of the input and builds a bitmap over a buffer of
// exactly its size, so that any write beyond it is caught.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "source/graphics/g_bitmap.h"

struct FuzzInput {
  const uint8_t* data;
  size_t size;
  uint8_t u8() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  int8_t s8() { return (int8_t)u8(); }
};

struct FuzzCanvas {
  std::vector<U16> pixels;
  BITMAP bitmap{};

  explicit FuzzCanvas(FuzzInput& in) {
    const int w = 1 + in.u8() % 64, h = 1 + in.u8() % 64;
    pixels.assign((size_t)((w + 1) & ~1) * h, 0x1234);
    G_BUFFERS_pCreateBitmap(w, h, &bitmap, pixels.data());
    // A clip rectangle inside the bitmap, sometimes narrowed.
    if (in.u8() & 1) {
      bitmap.s32ClipLeft = in.u8() % w;
      bitmap.s32ClipBottom = in.u8() % h;
      bitmap.s32ClipRight = bitmap.s32ClipLeft + in.u8() % (w - bitmap.s32ClipLeft);
      bitmap.s32ClipTop = bitmap.s32ClipBottom + in.u8() % (h - bitmap.s32ClipBottom);
    }
  }
};
