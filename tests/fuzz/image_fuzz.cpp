// Fuzzer of the 16-bit run-length picture decoder (IMAGE): arbitrary picture
// data of an arbitrary size drawn anywhere on a small bitmap.
#include <cstring>
#include <vector>

#include "source/graphics/g_image.h"
#include "tests/fuzz/fuzz_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  FuzzCanvas canvas(in);
  const int w = 1 + in.u8() % 80, h = 1 + in.u8() % 80;
  const POINT at{in.s8(), in.s8()};
  const float fraction = (float)in.u8() / 200.0f;

  // The data as it is, read only as far as it goes.
  std::vector<U8> exact(in.data, in.data + in.size);
  IMAGE image{exact.data(), nullptr, w, h, 5};
  G_IMAGE_vPutBounded(&canvas.bitmap, &image, at, exact.size());

  // The same data followed by one plain pixel per picture pixel, enough for
  // any picture to end: the unbounded entries must stop inside it.
  std::vector<U16> padded(in.size / 2 + (size_t)w * h, 0x0F0F);
  if (in.size >= 2) std::memcpy(padded.data(), in.data, in.size & ~(size_t)1);
  IMAGE whole{padded.data(), nullptr, w, h, 5};
  G_IMAGE_vPut(&canvas.bitmap, &whole, at);
  G_IMAGE_PART_vPutNew(&canvas.bitmap, &whole, at, fraction, fraction);
  G_IMAGE_PART_vPut(&canvas.bitmap, &whole, at, fraction, 1.0f);
  return 0;
}
