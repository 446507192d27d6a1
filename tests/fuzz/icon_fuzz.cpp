// Fuzzer of the icon decoders: arbitrary 16-colour icons of every stored
// layout, with data of exactly the size the input gives, drawn unturned and
// turned onto a small bitmap.
#include <algorithm>
#include <cstring>
#include <vector>

#include "source/graphics/g_icon.h"
#include "tests/fuzz/fuzz_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  FuzzCanvas canvas(in);
  const ICON_COMPRESSION layout = (ICON_COMPRESSION)(in.u8() % 8);
  const int w = in.u8() % 70, h = in.u8() % 70;
  const POINT at{in.s8(), in.s8()};
  const U32 rotation = in.u8() % 5;
  const size_t split = in.size ? in.u8() % (in.size + 1) : 0;

  // Picture and mask data from the rest of the input, each of exact size.
  std::vector<U8> pixels(in.data, in.data + std::min(split, in.size));
  std::vector<U8> mask(in.data + pixels.size(), in.data + in.size);
  const void* maskPointer = mask.empty() ? nullptr : mask.data();

  // Layout 0: 4-bit bitmaps over whole words of the same bytes.
  std::vector<U32> words((pixels.size() + 3) / 4), maskWords((mask.size() + 3) / 4);
  if (!pixels.empty()) std::memcpy(words.data(), pixels.data(), pixels.size());
  if (!mask.empty()) std::memcpy(maskWords.data(), mask.data(), mask.size());
  BITMAP padded{}, paddedMask{};
  const U32 pitch = 8 * (1 + w / 8);
  padded.pBuffer = words.data();
  padded.__u32PixelWidthOfBuffer = pitch;
  padded.__u32PixelHeightOfBuffer = (U32)(words.size() * 8 / pitch);
  paddedMask = padded;
  paddedMask.pBuffer = maskWords.data();
  paddedMask.__u32PixelHeightOfBuffer = (U32)(maskWords.size() * 8 / pitch);

  ICON icon{pixels.data(), maskPointer, w, h, layout};
  if (layout == ICON_PADDED_BITMAPS) {
    icon.pBitmap = &padded;
    icon.pMask = maskWords.empty() ? nullptr : &paddedMask;
  }
  if (layout == ICON_PNG_IMAGE32) return 0;  // full-colour pictures have fuzzers of their own

  G_ICON_PUT_PIXEL put[] = {G_ICON_vRot0PutPixel, G_ICON_vRot90PutPixel, G_ICON_vRot180PutPixel,
                            G_ICON_vRot270PutPixel, G_ICON_vRot0PutPixel};
  G_ICON_vDecompressAndPutIndirectBounded(&canvas.bitmap, &icon, at, put[rotation], rotation, pixels.size(),
                                          mask.size());
  return 0;
}
