// Icons: decoding of the five 16-colour layouts and drawing, unturned, by
// quarter turns and by any angle.
//
// Thread safety: guarded by atomics. The palette pointer is an atomic set by
// G_ICON_vSetIconPalette from any task; a drawing icon loads it once and
// reads its 16 colours, each as a relaxed atomic (they are usually entries
// 80-95 of the colour table, which other tasks rewrite), into its own copy.
// A palette change thus shows from the next icon on.
#include "source/graphics/g_icon.h"

#include <atomic>
#include <cstdint>

#include "source/graphics/g_image.h"
#include "source/graphics/u_rle.h"

namespace {

// The initial colours of the icon section of the colour table, used until
// the platform set-up points the palette at the table itself.
COLOR kInitialPalette[16] = {0x0000, 0x424A, 0x8C94, 0xB5B4, 0xFFFF, 0xF800, 0xFC80, 0xFEC0,
                                   0xFFEA, 0x0360, 0x07E0, 0x000A, 0x2254, 0x037F, 0x6C9F, 0x8EDF};

std::atomic<const COLOR*> s_pcolorLookup{kInitialPalette};

constexpr U8 kMaskTransparent = 15;
constexpr size_t kUnbounded = SIZE_MAX;

// Reads nibble index of a packed stream of `bytes` bytes; false past its end.
inline bool packed_nibble(const U8* data, size_t bytes, size_t index, U8* value) {
  if ((index >> 1) >= bytes) {
    return false;
  }
  const U8 byte = data[index >> 1];
  *value = (index & 1) ? (U8)(byte & 0x0F) : (U8)(byte >> 4);
  return true;
}

// Nibble (x, r) of a padded 4-bit bitmap; false outside its buffer.
inline bool padded_nibble(const BITMAP* bitmap, S32 x, S32 r, U8* value) {
  const U64 pitch = bitmap->__u32PixelWidthOfBuffer;
  const U64 index = (U64)x + (U64)r * pitch;
  if (bitmap->pBuffer == nullptr || index >= pitch * bitmap->__u32PixelHeightOfBuffer) {
    return false;
  }
  const U32 word = bitmap->pBuffer[index >> 3];
  *value = (U8)((word >> (28 - 4 * (index & 7))) & 0x0F);
  return true;
}

void init_rle(NIBBLE_RLE_STATE* state, const void* data, size_t bytes) {
  if (bytes == kUnbounded) {
    U_RLE_NIBBLE_vInit(state, static_cast<const U8*>(data));
  } else {
    U_RLE_NIBBLE_vInitBounded(state, static_cast<const U8*>(data), bytes);
  }
}

void decode(BITMAP* bitmap, const ICON* icon, POINT anchor, G_ICON_PUT_PIXEL put, U32 extra, size_t bitmapBytes,
            size_t maskBytes) {
  if (icon == nullptr || put == nullptr || icon->pBitmap == nullptr || icon->nWidth <= 0 || icon->nHeight <= 0) {
    return;
  }
  const S32 width = icon->nWidth;
  const S32 height = icon->nHeight;
  const U8* pixels = static_cast<const U8*>(icon->pBitmap);
  const U8* mask = static_cast<const U8*>(icon->pMask);
  COLOR palette[16];
  const COLOR* const lookup = s_pcolorLookup.load(std::memory_order_acquire);
  for (U32 v = 0; v < 16; v++) palette[v] = G_COLOR_Load(lookup + v);

  switch (icon->eCompression) {
    case ICON_PADDED_BITMAPS: {
      const BITMAP* source = static_cast<const BITMAP*>(icon->pBitmap);
      const BITMAP* maskBitmap = static_cast<const BITMAP*>(icon->pMask);
      for (S32 r = 0; r < height; r++) {
        for (S32 x = 0; x < width; x++) {
          U8 m, v;
          if (maskBitmap != nullptr && (!padded_nibble(maskBitmap, x, r, &m) || m == kMaskTransparent)) continue;
          if (!padded_nibble(source, x, r, &v)) continue;
          put(bitmap, anchor, x, height - 1 - r, palette[v], extra);
        }
      }
      break;
    }
    case ICON_UNPADDED_BUFFERS:
    case ICON_TRANSPARENT_COLOR: {
      const bool keyed = icon->eCompression == ICON_TRANSPARENT_COLOR;
      if (keyed && mask == nullptr) return;
      const U8 key = keyed ? *mask : 0;
      size_t index = 0;
      for (S32 r = 0; r < height; r++) {
        for (S32 x = 0; x < width; x++, index++) {
          U8 v, m;
          if (!packed_nibble(pixels, bitmapBytes, index, &v)) return;
          if (keyed) {
            if (v == key) continue;
          } else if (mask != nullptr) {
            // Both streams advance for every pixel.
            if (!packed_nibble(mask, maskBytes, index, &m)) return;
            if (m == kMaskTransparent) continue;
          }
          put(bitmap, anchor, x, height - 1 - r, palette[v], extra);
        }
      }
      break;
    }
    case ICON_RLE_BUFFERS:
    case ICON_RLE_TRANSPARENT_COLOR: {
      const bool keyed = icon->eCompression == ICON_RLE_TRANSPARENT_COLOR;
      if (keyed && mask == nullptr) return;
      const U8 key = keyed ? *mask : 0;
      NIBBLE_RLE_STATE picture, maskState;
      init_rle(&picture, pixels, bitmapBytes);
      if (!keyed && mask != nullptr) init_rle(&maskState, mask, maskBytes);
      for (S32 r = 0; r < height; r++) {
        for (S32 x = 0; x < width; x++) {
          const U8 v = U_RLE_NIBBLE_u8GetNext(&picture);
          U8 m = 0;
          if (!keyed && mask != nullptr) m = U_RLE_NIBBLE_u8GetNext(&maskState);
          if (picture.bOverrun || (!keyed && mask != nullptr && maskState.bOverrun)) return;
          if (keyed ? v == key : m == kMaskTransparent) continue;
          put(bitmap, anchor, x, height - 1 - r, palette[v], extra);
        }
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

void G_ICON_vDecompressAndPutIndirect(BITMAP* bitmap, const ICON* icon, POINT anchor, G_ICON_PUT_PIXEL putPixel,
                                      U32 extra) {
  decode(bitmap, icon, anchor, putPixel, extra, kUnbounded, kUnbounded);
}

void G_ICON_vDecompressAndPutIndirectBounded(BITMAP* bitmap, const ICON* icon, POINT anchor,
                                             G_ICON_PUT_PIXEL putPixel, U32 extra, size_t bitmapBytes,
                                             size_t maskBytes) {
  decode(bitmap, icon, anchor, putPixel, extra, bitmapBytes, maskBytes);
}

void G_ICON_vRot0PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32) {
  G_PIXEL_vPut(bitmap, anchor.x + x, anchor.y + y, colour);
}
void G_ICON_vRot90PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32) {
  G_PIXEL_vPut(bitmap, anchor.x + y, anchor.y - x, colour);
}
void G_ICON_vRot180PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32) {
  G_PIXEL_vPut(bitmap, anchor.x - x, anchor.y - y, colour);
}
void G_ICON_vRot270PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32) {
  G_PIXEL_vPut(bitmap, anchor.x - y, anchor.y + x, colour);
}

void G_ICON_vPut(BITMAP* bitmap, const ICON* icon, POINT lowerLeft) {
  if (bitmap == nullptr || icon == nullptr) {
    return;
  }
  if (icon->eCompression == ICON_PNG_IMAGE32) {
    if (icon->nWidth >= 60 && icon->nHeight >= 60) {
      const IMAGE image = {icon->pBitmap, icon->pMask, icon->nWidth, icon->nHeight, (U32)icon->eCompression};
      G_IMAGE_vPut(bitmap, &image, lowerLeft);
    } else {
      G_IMAGE32_vPutOld(bitmap, icon, lowerLeft);
    }
    return;
  }
  decode(bitmap, icon, lowerLeft, G_ICON_vRot0PutPixel, 0, kUnbounded, kUnbounded);
}

void G_ICON_vPutRotated(BITMAP* bitmap, const ICON* icon, POINT anchor, U32 rotation) {
  if (bitmap == nullptr || icon == nullptr || icon->eCompression == ICON_PNG_IMAGE32) {
    return;
  }
  G_ICON_PUT_PIXEL put = G_ICON_vRot0PutPixel;
  switch (rotation) {
    case G_ICON_ROTATE_90:
      put = G_ICON_vRot90PutPixel;
      break;
    case G_ICON_ROTATE_180:
      put = G_ICON_vRot180PutPixel;
      break;
    case G_ICON_ROTATE_270:
      put = G_ICON_vRot270PutPixel;
      break;
    default:
      break;
  }
  decode(bitmap, icon, anchor, put, 0, kUnbounded, kUnbounded);
}

void G_ICON_vPutRotatedAngle(BITMAP* bitmap, const ICON* icon, POINT anchor, POINT centre, F64 angle) {
  if (bitmap == nullptr || icon == nullptr) {
    return;
  }
  if (icon->eCompression == ICON_PNG_IMAGE32) {
    G_IMAGE32_vPutRotatedOld(bitmap, icon, anchor, centre, angle);
    return;
  }
  // Degrees plus 45, in quarter turns, truncated towards zero.
  const F64 quarters = (45.0 + angle * 57.29577951471995) * 0.011111111111111112;
  const int q = (quarters > -2147483648.0 && quarters < 2147483647.0) ? (int)quarters : 0;
  G_ICON_vPutRotated(bitmap, icon, anchor, (q >= 1 && q <= 3) ? (U32)q : (U32)G_ICON_ROTATE_0);
}

U32 G_ICON_u32GetWidth(const ICON* icon) { return icon ? (U32)icon->nWidth : 0; }
U32 G_ICON_u32GetHeight(const ICON* icon) { return icon ? (U32)icon->nHeight : 0; }

void G_ICON_vSetIconPalette(const COLOR* colours) {
  s_pcolorLookup.store(colours ? colours : kInitialPalette, std::memory_order_release);
}
