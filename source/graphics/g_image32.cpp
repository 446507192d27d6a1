// 32-bit pictures with an alpha channel (IMAGE32): whole, partial, on one
// side of a line, inside a sector, and rotated with bilinear sampling.
//
// Here alpha weights the NEW colour: 0 transparent, 255 opaque. Writes that
// go straight into the buffer are bounded by the bitmap's buffer and its
// full-screen clip (G_BUFFERS_bBufferBounds); the others go through
// G_PIXEL_vPut and its clip rectangle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "source/graphics/g_image.h"

namespace {

// ------------------------------------------------------------ blends
// (a * new + (255 - a) * old) >> 8 per 5- or 6-bit channel.
inline COLOR colorBlendShift(COLOR colour, COLOR old, U32 a) {
  U32 red = (a * G_COLOR_u32Red(colour) + (255 - a) * G_COLOR_u32Red(old)) >> 8;
  U32 green = (a * G_COLOR_u32Green(colour) + (255 - a) * G_COLOR_u32Green(old)) >> 8;
  U32 blue = (a * G_COLOR_u32Blue(colour) + (255 - a) * G_COLOR_u32Blue(old)) >> 8;
  return G_COLOR_Pack(red, green, blue);
}

// The same weights divided by 255.
inline COLOR colorBlend255(COLOR colour, COLOR old, U32 a) {
  U32 red = (a * G_COLOR_u32Red(colour) + (255 - a) * G_COLOR_u32Red(old)) / 255;
  U32 green = (a * G_COLOR_u32Green(colour) + (255 - a) * G_COLOR_u32Green(old)) / 255;
  U32 blue = (a * G_COLOR_u32Blue(colour) + (255 - a) * G_COLOR_u32Blue(old)) / 255;
  return G_COLOR_Pack(red, green, blue);
}

enum BLEND_KIND { BLEND_SHIFT, BLEND_255 };

inline COLOR colorApply(const IMAGE32_ELEMENT& el, COLOR old, BLEND_KIND kind) {
  const COLOR colour = G_IMAGE32_colorOf(el.red, el.green, el.blue);
  if (el.alpha == 255) return colour;
  return kind == BLEND_SHIFT ? colorBlendShift(colour, old, el.alpha) : colorBlend255(colour, old, el.alpha);
}

// ------------------------------------------------------------ decoder
// Decodes up to maxRows rows of a run-length IMAGE32 and hands every span to
// span(row, column, count, element), rows counted from the bottom; a
// transparent element or run gives no span. Never reads beyond maxElements
// elements; a run reaching past the end of its row is cut there.
template <typename SPAN>
void vDecode(const IMAGE32* image, size_t maxElements, S64 maxRows, SPAN span) {
  if (image == nullptr || image->data == nullptr || image->s32Width <= 0 || image->s32Height <= 0) return;
  const U8* data = static_cast<const U8*>(image->data);
  const S64 width = image->s32Width;
  const S64 rows = std::min<S64>(image->s32Height, maxRows);
  IMAGE32_ELEMENT previous{0, 0, 0, 0};  // a run before any element covers nothing visible
  size_t at = 0;
  for (S64 row = 0; row < rows; ++row) {
    S64 covered = 0;
    while (covered < width) {
      if (at >= maxElements) return;
      IMAGE32_ELEMENT el;
      std::memcpy(&el, data + 4 * at, 4);
      ++at;
      if (el.red == IMAGE32_RUN_RED && el.alpha == 0) {
        S64 n = std::min<S64>((S64)el.green + 256 * (S64)el.blue, width - covered);
        if (n > 0 && previous.alpha != 0) span(row, covered, n, previous);
        covered += n;
        continue;
      }
      previous = el;
      if (el.alpha != 0) span(row, covered, (S64)1, el);
      covered += 1;
    }
  }
}

// Straight into the buffer within the bitmap's bounds.
struct DIRECT_SPAN {
  BITMAP* bitmap;
  G_BOUNDS bounds;
  S64 x0, y0;
  S64 columns;
  BLEND_KIND kind;
  void operator()(S64 row, S64 column, S64 count, const IMAGE32_ELEMENT& el) const {
    const S64 y = y0 + row;
    if (y < bounds.s32Bottom || y > bounds.s32Top) return;
    count = std::min(count, columns - column);
    const S64 first = std::max<S64>(x0 + column, bounds.s32Left);
    const S64 last = std::min<S64>(x0 + column + count - 1, bounds.s32Right);
    if (first > last) return;
    COLOR* p = G_BITMAP_pPixels(bitmap) +
               (S64)bitmap->__u32PixelWidthOfBuffer * ((S64)bitmap->pixels_high_full_screen - y - 1);
    if (el.alpha == 255) {
      G_PIXEL_vFillRun(p + first, (size_t)(last - first + 1), G_IMAGE32_colorOf(el.red, el.green, el.blue));
    } else {
      for (S64 x = first; x <= last; ++x) p[x] = colorApply(el, p[x], kind);
    }
  }
};

// Through the pixel clip, reading the old pixel for blends.
struct CLIPPED_SPAN {
  BITMAP* bitmap;
  S64 x0, y0;
  BLEND_KIND kind;
  void operator()(S64 row, S64 column, S64 count, const IMAGE32_ELEMENT& el) const {
    const S64 y = y0 + row;
    if (y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop) return;
    const S64 first = std::max<S64>(x0 + column, bitmap->s32ClipLeft);
    const S64 last = std::min<S64>(x0 + column + count - 1, bitmap->s32ClipRight);
    const S64 rowIndex = (S64)bitmap->pixels_high_full_screen - y - 1;
    for (S64 x = first; x <= last; ++x) {
      COLOR old = el.alpha == 255 ? 0 : G_PIXEL_colorGetPhysicalPixel(bitmap, (PIXEL)x, (PIXEL)rowIndex);
      G_PIXEL_vPut(bitmap, (PIXEL)x, (PIXEL)y, colorApply(el, old, kind));
    }
  }
};

inline F32 fClampFraction(F32 f) {
  if (!(f > 0.0f)) return 0.0f;  // also NaN
  return f > 1.0f ? 1.0f : f;
}

void vPutDirect(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, size_t maxElements) {
  G_BOUNDS bounds;
  if (image == nullptr || !G_BUFFERS_bBufferBounds(bitmap, &bounds)) return;
  vDecode(image, maxElements, INT64_MAX,
          DIRECT_SPAN{bitmap, bounds, lowerLeft.x, lowerLeft.y, image->s32Width, BLEND_SHIFT});
}

// Angles given as floats but used in whole degrees; FALSE for values that
// have no whole-degree meaning (NaN, infinite, absurdly large).
inline BOOLEAN bWholeDegrees(F32 angle, S32* degrees) {
  if (!std::isfinite(angle) || std::fabs(angle) > 1.0e6f) return FALSE;
  *degrees = (S32)angle;
  return TRUE;
}

// ------------------------------------------------------------ rotation
enum ROTATE_KIND { ROTATE_DIRECT, ROTATE_OLD };

void vPutRotated(BITMAP* bitmap, const IMAGE32* image, POINT anchor, POINT centre, F64 angle, ROTATE_KIND kind) {
  if (image == nullptr || image->data == nullptr || image->s32Width <= 0 || image->s32Height <= 0) return;
  if (!std::isfinite(angle)) return;
  G_BOUNDS bounds;
  if (kind == ROTATE_DIRECT) {
    if (!G_BUFFERS_bBufferBounds(bitmap, &bounds)) return;
  } else {
    bounds = G_BOUNDS{bitmap->s32ClipLeft, bitmap->s32ClipBottom, bitmap->s32ClipRight, bitmap->s32ClipTop};
    if (bounds.s32Left > bounds.s32Right || bounds.s32Bottom > bounds.s32Top) return;
  }
  const double s = std::sin(angle), c = std::cos(angle);
  const S64 sF = std::clamp<S64>((S64)(s * 65536.0), -65536, 65536);
  const S64 cF = std::clamp<S64>((S64)(c * 65536.0), -65536, 65536);
  const S64 W = image->s32Width, H = image->s32Height;
  const double ax = anchor.x, ay = anchor.y, cx = centre.x, cy = centre.y;

  // Screen box of the turned picture.
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  const double cornersX[4] = {0.0, (double)W, 0.0, (double)W};
  const double cornersY[4] = {0.0, 0.0, (double)H, (double)H};
  for (int k = 0; k < 4; ++k) {
    const double px = cornersX[k] - cx, py = cornersY[k] - cy;
    const double X = ax + px * c - py * s, Y = ay + py * c + px * s;
    minX = std::min(minX, X), maxX = std::max(maxX, X);
    minY = std::min(minY, Y), maxY = std::max(maxY, Y);
  }
  const S64 left = (S64)std::max(std::floor(minX) - 1.0, (double)bounds.s32Left);
  const S64 right = (S64)std::min(std::floor(maxX) + 2.0, (double)bounds.s32Right + 1.0);  // exclusive
  const S64 bottom = (S64)std::max(std::floor(minY) - 1.0, (double)bounds.s32Bottom);
  const S64 top = (S64)std::min(std::floor(maxY) + 2.0, (double)bounds.s32Top + 1.0);  // exclusive

  const U8* data = static_cast<const U8*>(image->data);
  auto element = [&](S64 i, S64 j, IMAGE32_ELEMENT* el) {
    if (i < 0 || j < 0 || i >= W || j >= H) return false;
    std::memcpy(el, data + 4 * (i + W * j), 4);
    return el->alpha != 0;
  };
  const S64 uLimit = (W + 1) << 16, vLimit = (H + 1) << 16;
  for (S64 Y = bottom; Y < top; ++Y) {
    for (S64 X = left; X < right; ++X) {
      const S64 dx = X - anchor.x, dy = Y - anchor.y;
      const S64 u = ((S64)centre.x << 16) + cF * dx + sF * dy;
      const S64 v = ((S64)centre.y << 16) - sF * dx + cF * dy;
      if (u < -65536 || v < -65536 || u > uLimit || v > vLimit) continue;
      const S64 i = u >> 16, j = v >> 16;
      const U64 fx = 256 - ((u & 0xFFFF) >> 8), fy = 256 - ((v & 0xFFFF) >> 8);
      const U64 weights[4] = {fx * fy, fx * (256 - fy), (256 - fx) * fy, (256 - fx) * (256 - fy)};
      const S64 is[4] = {i, i, i + 1, i + 1};
      const S64 js[4] = {j, j + 1, j, j + 1};
      U64 sumR = 0, sumG = 0, sumB = 0, total = 0;
      for (int k = 0; k < 4; ++k) {
        IMAGE32_ELEMENT el;
        if (weights[k] == 0 || !element(is[k], js[k], &el)) continue;
        const U64 w = weights[k] * el.alpha;
        sumR += w * el.red, sumG += w * el.green, sumB += w * el.blue;
        total += w;
      }
      if (total <= 0x10000) continue;
      const S64 rowIndex = (S64)bitmap->pixels_high_full_screen - Y - 1;
      COLOR* p = G_BITMAP_pPixels(bitmap) + X + (S64)bitmap->__u32PixelWidthOfBuffer * rowIndex;
      U64 red, green, blue;
      if (total > 0xFDFFFF) {
        red = sumR >> 27, green = sumG >> 26, blue = sumB >> 27;
      } else {
        const COLOR old = *p;
        const U64 keep = 0x1000000 - total;
        const U64 r = sumR / 8 + G_COLOR_u32Red(old) * keep;
        const U64 g = sumG / 4 + G_COLOR_u32Green(old) * keep;
        const U64 b = sumB / 8 + G_COLOR_u32Blue(old) * keep;
        if (kind == ROTATE_DIRECT) {
          red = r >> 24, green = g >> 24, blue = b >> 24;
        } else {
          red = r / 0xFF0000, green = g / 0xFF0000, blue = b / 0xFF0000;
        }
      }
      const COLOR colour = G_COLOR_Pack((U32)std::min<U64>(red, 31), (U32)std::min<U64>(green, 63),
                                        (U32)std::min<U64>(blue, 31));
      if (kind == ROTATE_DIRECT) {
        *p = colour;
      } else {
        G_PIXEL_vPut(bitmap, (PIXEL)X, (PIXEL)Y, colour);
      }
    }
  }
}

}  // namespace

void G_IMAGE32_vPut(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft) {
  vPutDirect(bitmap, image, lowerLeft, SIZE_MAX);
}

void G_IMAGE32_vPutBounded(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, size_t dataBytes) {
  vPutDirect(bitmap, image, lowerLeft, dataBytes / 4);
}

void G_IMAGE32_vPutOld(BITMAP* bitmap, const struct tag_ICON* icon, POINT lowerLeft) {
  // A compression-5 icon has the layout of IMAGE32.
  const IMAGE32* image = reinterpret_cast<const IMAGE32*>(icon);
  if (image == nullptr) return;
  vDecode(image, SIZE_MAX, INT64_MAX, CLIPPED_SPAN{bitmap, lowerLeft.x, lowerLeft.y, BLEND_255});
}

void G_IMAGE32_PART_vPutNew(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, F32 widthFraction,
                            F32 heightFraction) {
  G_BOUNDS bounds;
  if (image == nullptr || !G_BUFFERS_bBufferBounds(bitmap, &bounds)) return;
  // Whole rows are decoded so that each row starts where it is stored; only
  // the first columns of each are drawn.
  const S64 columns = (S64)std::floor((double)fClampFraction(widthFraction) * image->s32Width);
  const S64 rows = (S64)std::floor((double)fClampFraction(heightFraction) * image->s32Height);
  vDecode(image, SIZE_MAX, rows, DIRECT_SPAN{bitmap, bounds, lowerLeft.x, lowerLeft.y, columns, BLEND_255});
}

void G_IMAGE32_PART_vPut(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, POINT centre, S32 angleDegrees) {
  if (image == nullptr) return;
  // Drawn on and to the right of the line through the centre in the
  // direction of the angle (below it for 0 degrees).
  const double a = (double)angleDegrees * 0.017453292519943295;
  const double s = std::sin(a), c = std::cos(a);
  const CLIPPED_SPAN put{bitmap, lowerLeft.x, lowerLeft.y, BLEND_255};
  vDecode(image, SIZE_MAX, INT64_MAX, [&](S64 row, S64 column, S64 count, const IMAGE32_ELEMENT& el) {
    const S64 y = (S64)lowerLeft.y + row;
    if (y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop) return;
    const S64 first = std::max<S64>((S64)lowerLeft.x + column, bitmap->s32ClipLeft);
    const S64 last = std::min<S64>((S64)lowerLeft.x + column + count - 1, bitmap->s32ClipRight);
    for (S64 x = first; x <= last; ++x) {
      if (s * (double)(x - centre.x) - c * (double)(y - centre.y) >= 0.0) put(row, x - lowerLeft.x, 1, el);
    }
  });
}

void G_IMAGE32_vPutCondition(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, S32 radius, F32 startAngle,
                             F32 endAngle, POINT anchor, S32 direction) {
  (void)radius;  // the sector is bounded by the picture itself
  S32 start, end;
  G_BOUNDS bounds;
  if (image == nullptr || !bWholeDegrees(startAngle, &start) || !bWholeDegrees(endAngle, &end)) return;
  if (!G_BUFFERS_bBufferBounds(bitmap, &bounds)) return;
  // Sweep from the start angle to the end angle, counter-clockwise for a
  // direction of 0 or more, clockwise otherwise; a sweep of 360 degrees or
  // more is the whole circle.
  const S64 sweep = direction >= 0 ? (S64)end - start : (S64)start - end;
  if (sweep < 0) return;
  const BOOLEAN bWhole = sweep >= 360;
  const double startD = (double)start, sweepD = (double)sweep;
  auto inside = [&](S64 x, S64 y) {
    if (bWhole) return true;
    double t = std::atan2((double)(y - anchor.y), (double)(x - anchor.x)) * 57.29577951308232;
    double from = direction >= 0 ? t - startD : startD - t;
    from = std::fmod(from, 360.0);
    if (from < 0.0) from += 360.0;
    return from <= sweepD;
  };
  DIRECT_SPAN put{bitmap, bounds, lowerLeft.x, lowerLeft.y, image->s32Width, BLEND_255};
  vDecode(image, SIZE_MAX, INT64_MAX, [&](S64 row, S64 column, S64 count, const IMAGE32_ELEMENT& el) {
    const S64 y = (S64)lowerLeft.y + row;
    if (y < bounds.s32Bottom || y > bounds.s32Top) return;
    const S64 first = std::max<S64>((S64)lowerLeft.x + column, bounds.s32Left);
    const S64 last = std::min<S64>((S64)lowerLeft.x + column + count - 1, bounds.s32Right);
    for (S64 x = first; x <= last; ++x) {
      if (inside(x, y)) put(row, x - lowerLeft.x, 1, el);
    }
  });
}

void G_IMAGE32_vPutRotated(BITMAP* bitmap, const IMAGE32* image, POINT anchor, POINT centre, F64 angle) {
  vPutRotated(bitmap, image, anchor, centre, angle, ROTATE_DIRECT);
}

void G_IMAGE32_vPutRotatedOld(BITMAP* bitmap, const struct tag_ICON* icon, POINT anchor, POINT centre, F64 angle) {
  vPutRotated(bitmap, reinterpret_cast<const IMAGE32*>(icon), anchor, centre, angle, ROTATE_OLD);
}
