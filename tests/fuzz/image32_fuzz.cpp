// Fuzzer of the 32-bit picture readers (IMAGE32): the run-length decoder
// behind the whole, partial, half-plane and sector drawing, and the plain
// array read by the rotated drawing, on a small bitmap.
#include <cstring>
#include <vector>

#include "source/graphics/g_image.h"
#include "tests/fuzz/fuzz_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  FuzzCanvas canvas(in);
  BITMAP* b = &canvas.bitmap;
  const int w = 1 + in.u8() % 80, h = 1 + in.u8() % 80;
  const POINT at{in.s8(), in.s8()};
  const POINT centre{in.s8(), in.s8()};
  const float fraction = (float)in.u8() / 200.0f;
  const float start = (float)(in.s8() * 3), end = (float)(in.u8() * 3);
  const double angle = (double)in.s8() / 10.0;
  const int direction = (in.u8() & 1) ? 1 : -1;

  std::vector<U8> exact(in.data, in.data + in.size);
  IMAGE32 image{exact.data(), nullptr, w, h, 5};
  G_IMAGE32_vPutBounded(b, &image, at, exact.size());

  // Followed by one opaque element per picture pixel: every picture ends
  // inside it, and the plain array is whole.
  std::vector<IMAGE32_ELEMENT> padded(in.size / 4 + (size_t)w * h, IMAGE32_ELEMENT{10, 200, 30, 255});
  if (in.size >= 4) std::memcpy(padded.data(), in.data, in.size & ~(size_t)3);
  IMAGE32 whole{padded.data(), nullptr, w, h, 5};
  G_IMAGE32_vPut(b, &whole, at);
  G_IMAGE32_vPutOld(b, reinterpret_cast<const struct tag_ICON*>(&whole), at);
  G_IMAGE32_PART_vPutNew(b, &whole, at, fraction, 1.0f - fraction);
  G_IMAGE32_PART_vPut(b, &whole, at, centre, (S32)start);
  G_IMAGE32_vPutCondition(b, &whole, at, 10, start, end, centre, direction);
  G_IMAGE32_vPutRotated(b, &whole, at, centre, angle);
  G_IMAGE32_vPutRotatedOld(b, reinterpret_cast<const struct tag_ICON*>(&whole), at, centre, angle);
  return 0;
}
