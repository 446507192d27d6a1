// Single pixels, plain and alpha-blended.
#include <cstdint>

#include "source/graphics/g_bitmap.h"

COLOR G_PIXEL_colorBlend(COLOR colour, COLOR old, U32 alpha) {
  U32 keep = 256 - alpha;
  U32 red = (G_COLOR_u32Red(colour) * keep + G_COLOR_u32Red(old) * alpha) >> 8;
  U32 green = (G_COLOR_u32Green(colour) * keep + G_COLOR_u32Green(old) * alpha) >> 8;
  U32 blue = (G_COLOR_u32Blue(colour) * keep + G_COLOR_u32Blue(old) * alpha) >> 8;
  return G_COLOR_Pack(red, green, blue);
}

static inline COLOR* pAt(const BITMAP* bitmap, PIXEL x, PIXEL y) {
  S64 row = (S64)bitmap->pixels_high_full_screen - y - 1;
  return G_BITMAP_pPixels(bitmap) + (S64)x + (S64)bitmap->__u32PixelWidthOfBuffer * row;
}

void G_PIXEL_vPut(BITMAP* bitmap, PIXEL x, PIXEL y, COLOR colour) {
  if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight || y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop)
    return;
  *pAt(bitmap, x, y) = colour;
}

void G_PIXEL_vPutAlpha(BITMAP* bitmap, PIXEL x, PIXEL y, COLOR colour, U8 alpha) {
  if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight || y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop)
    return;
  COLOR* p = pAt(bitmap, x, y);
  *p = alpha == 0 ? colour : G_PIXEL_colorBlend(colour, *p, alpha);
}

void G_PIXEL_vPutDirect(BITMAP* bitmap, PIXEL x, PIXEL row, COLOR colour) {
  G_BITMAP_pPixels(bitmap)[(S64)x + (S64)row * bitmap->__u32PixelWidthOfBuffer] = colour;
}

COLOR G_PIXEL_colorGetPhysicalPixel(const BITMAP* bitmap, PIXEL x, PIXEL row) {
  return G_BITMAP_pPixels(bitmap)[(S64)x + (S64)row * bitmap->__u32PixelWidthOfBuffer];
}

// Wide stores into 16-bit pixel rows.
typedef U32 __attribute__((may_alias)) U32_ALIAS;
typedef U64 __attribute__((may_alias)) U64_ALIAS;
// Four 64-bit words stored at once (two or one vector stores), needing only
// 8-byte alignment.
typedef U64 QUAD64 __attribute__((vector_size(32), may_alias, aligned(8)));

void G_PIXEL_vFillRun(COLOR* pixels, size_t count, COLOR colour) {
  if (count == 0) return;
  if ((reinterpret_cast<uintptr_t>(pixels) & 2) != 0) {
    *pixels++ = colour;
    --count;
  }
  const U32 pair = (U32)colour * 0x10001u;
  U32_ALIAS* words = reinterpret_cast<U32_ALIAS*>(pixels);
  if ((reinterpret_cast<uintptr_t>(words) & 4) != 0 && count >= 2) {
    *words++ = pair;
    count -= 2;
  }
  const U64 quad = (U64)pair * 0x100000001ull;
  U64_ALIAS* quads = reinterpret_cast<U64_ALIAS*>(words);
  size_t n = count / 4;
  const QUAD64 block = {quad, quad, quad, quad};
  size_t i = 0;
  for (; i + 4 <= n; i += 4) *reinterpret_cast<QUAD64*>(quads + i) = block;
  for (; i < n; ++i) quads[i] = quad;
  words = reinterpret_cast<U32_ALIAS*>(quads + n);
  count -= n * 4;
  if (count >= 2) {
    *words++ = pair;
    count -= 2;
  }
  if (count != 0) *reinterpret_cast<COLOR*>(words) = colour;
}
