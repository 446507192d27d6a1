// Whole-bitmap operations: clearing, copying bands of rows and placing
// logical blocks. Every copy is bounded by what the buffers involved hold.
#include <algorithm>
#include <cstring>
#include <functional>

#include "lsvc/lsvc.h"
#include "source/core/dd_util.h"
#include "source/graphics/g_bmp.h"

namespace {

// The buffer's own extent as logical bounds (no clip consulted): x from 0 to
// min(width, pitch) - 1, y over the rows the buffer holds.
BOOLEAN bExtent(const BITMAP* bitmap, G_BOUNDS* extent) {
  const U32 rows = G_BUFFERS_u32BufferRows(bitmap);
  if (rows == 0 || bitmap->pixels_wide_full_screen <= 0) return FALSE;
  const S64 width = std::min<S64>(bitmap->pixels_wide_full_screen, bitmap->__u32PixelWidthOfBuffer);
  if (width <= 0) return FALSE;
  extent->s32Left = 0;
  extent->s32Right = (S32)(width - 1);
  extent->s32Top = bitmap->pixels_high_full_screen - 1;
  extent->s32Bottom = (S32)((S64)bitmap->pixels_high_full_screen - rows);
  return TRUE;
}

inline COLOR* pLogical(const BITMAP* bitmap, S64 x, S64 y) {
  return G_BITMAP_pPixels(bitmap) + x +
         (S64)bitmap->__u32PixelWidthOfBuffer * ((S64)bitmap->pixels_high_full_screen - y - 1);
}

// Rows of pitch pixels starting offset pixels into a buffer of totalPixels
// that a copy of length pixels per row can cover.
inline U64 u64RowsThatFit(U64 totalPixels, U64 pitch, U64 offset, U64 length) {
  if (pitch == 0 || offset + length > totalPixels) return 0;
  return (totalPixels - offset - length) / pitch + 1;
}

}  // namespace

void G_BMP_vSet(BITMAP* bitmap, COLOR colour) {
  // Rows beyond the picture's height are padding that a caller's buffer of
  // odd height does not have, so only the rows the picture uses are filled.
  const U32 rows = G_BUFFERS_u32BufferRows(bitmap);
  if (rows == 0) return;
  G_PIXEL_vFillRun(G_BITMAP_pPixels(bitmap), (size_t)bitmap->__u32PixelWidthOfBuffer * rows, colour);
}

void G_BMP_vCopyRegion(const BITMAP* source, BITMAP* destination, U32 sourceOffset, U32 destinationOffset,
                       U32 length) {
  if (source == nullptr || destination == nullptr || length == 0) return;
  if (source->pixels_high_full_screen <= 0) return;
  const U64 wanted = (U64)source->pixels_high_full_screen;
  if (wanted > (U64)G_SCREEN_HEIGHT) log_me("WOW %d %d", source->pixels_high_full_screen, G_SCREEN_HEIGHT);
  const U64 srcPitch = source->__u32PixelWidthOfBuffer, dstPitch = destination->__u32PixelWidthOfBuffer;
  const U64 srcRows = u64RowsThatFit(srcPitch * G_BUFFERS_u32BufferRows(source), srcPitch, sourceOffset, length);
  const U64 dstRows =
      u64RowsThatFit(dstPitch * G_BUFFERS_u32BufferRows(destination), dstPitch, destinationOffset, length);
  const U64 rows = std::min({wanted, srcRows, dstRows});
  if (rows < wanted) {
    log_me("G_BMP_vCopyRegion: %llu of %llu rows fit (offsets %u %u, length %u)", (unsigned long long)rows,
           (unsigned long long)wanted, sourceOffset, destinationOffset, length);
  }
  const COLOR* src = G_BITMAP_pPixels(source) + sourceOffset;
  COLOR* dst = G_BITMAP_pPixels(destination) + destinationOffset;
  const size_t bytes = (size_t)length * 2;
  const BOOLEAN bSameBuffer = source->pBuffer == destination->pBuffer;
  for (U64 r = 0; r < rows; ++r) {
    const COLOR* from = src + r * srcPitch;
    COLOR* to = dst + r * dstPitch;
    if (bSameBuffer && from < to + length && to < from + length) {
      std::memmove(to, from, bytes);  // overlapping parts of one buffer
    } else {
      DD_UTIL_FastMemcpyProxy(to, from, bytes);
    }
  }
}

void G_BMP_vPlaceLogicalOnLogical(BITMAP* destination, POINT destinationPoint, const BITMAP* source,
                                  POINT sourcePoint, U32 width, U32 height) {
  G_BOUNDS se, de;
  if (source == nullptr || destination == nullptr || !bExtent(source, &se) || !bExtent(destination, &de)) return;
  // Column k of the block is source x sx0 + k and destination x dx0 + k;
  // keep the k for which both lie inside their buffers. Rows likewise.
  const S64 sx0 = sourcePoint.x, sy0 = sourcePoint.y, dx0 = destinationPoint.x, dy0 = destinationPoint.y;
  const S64 k0 = std::max({(S64)0, se.s32Left - sx0, de.s32Left - dx0});
  const S64 k1 = std::min({(S64)width - 1, se.s32Right - sx0, de.s32Right - dx0});
  const S64 j0 = std::max({(S64)0, se.s32Bottom - sy0, de.s32Bottom - dy0});
  const S64 j1 = std::min({(S64)height - 1, se.s32Top - sy0, de.s32Top - dy0});
  if (k0 > k1 || j0 > j1) return;
  const size_t bytes = (size_t)(k1 - k0 + 1) * 2;
  // Within one buffer, rows are taken in the order that never overwrites a
  // row still to be read: from the lowest address (the top row) first when
  // the block moves to lower addresses.
  const BOOLEAN bTopFirst = std::less<const COLOR*>()(pLogical(destination, dx0, dy0), pLogical(source, sx0, sy0));
  for (S64 n = 0; n <= j1 - j0; ++n) {
    const S64 j = bTopFirst ? j1 - n : j0 + n;
    std::memmove(pLogical(destination, dx0 + k0, dy0 + j), pLogical(source, sx0 + k0, sy0 + j), bytes);
  }
}

void G_BMP_vCopyPhysicalToLogical(BITMAP* destination, POINT destinationPoint, const BITMAP* source,
                                  POINT sourcePhysical, U32 width, U32 height, U32 transparent) {
  if (source == nullptr || destination == nullptr) return;
  const U32 srcRows = G_BUFFERS_u32BufferRows(source);
  const S64 srcWidth = std::min<S64>(source->pixels_wide_full_screen, source->__u32PixelWidthOfBuffer);
  // Only the rows and columns that both lie inside the source buffer and can
  // land inside the destination's clip are visited.
  const S64 k0 = std::max<S64>(0, -(S64)sourcePhysical.x);
  const S64 k1 = std::min<S64>((S64)width - 1, srcWidth - 1 - sourcePhysical.x);
  const S64 r0 = std::max<S64>(0, -(S64)sourcePhysical.y);
  const S64 r1 = std::min<S64>((S64)height - 1, (S64)srcRows - 1 - sourcePhysical.y);
  for (S64 r = r0; r <= r1; ++r) {
    // Source rows run from the top; the block is placed upright.
    const S64 y = (S64)destinationPoint.y + ((S64)height - 1 - r);
    if (y < destination->s32ClipBottom || y > destination->s32ClipTop) continue;
    for (S64 k = k0; k <= k1; ++k) {
      const S64 x = (S64)destinationPoint.x + k;
      if (x < destination->s32ClipLeft || x > destination->s32ClipRight) continue;
      const COLOR c = G_PIXEL_colorGetPhysicalPixel(source, (PIXEL)(sourcePhysical.x + k), (PIXEL)(sourcePhysical.y + r));
      if (transparent != G_BMP_NO_TRANSPARENT && c == transparent) continue;
      G_PIXEL_vPut(destination, (PIXEL)x, (PIXEL)y, c);
    }
  }
}
