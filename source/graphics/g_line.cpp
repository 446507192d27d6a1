// One-pixel lines: horizontal and vertical runs written straight into the
// buffer, sloped lines by the symmetric double-step algorithm (from both
// ends towards the middle, four pixels per round), alpha runs and patterned
// lines.
#include <algorithm>
#include <cmath>

#include "source/graphics/g_line.h"

namespace {

inline COLOR* pRow(const BITMAP* bitmap, S64 y) {
  S64 row = (S64)bitmap->pixels_high_full_screen - y - 1;
  return G_BITMAP_pPixels(bitmap) + (S64)bitmap->__u32PixelWidthOfBuffer * row;
}

// Clamps the inclusive range [lo, hi] (any order) into [min, max]; FALSE
// when it lies wholly beyond one end.
inline BOOLEAN bClampRange(S32 a, S32 b, S32 min, S32 max, S32* lo, S32* hi) {
  S32 l = std::min(a, b);
  S32 h = std::max(a, b);
  if (h < min || l > max) return FALSE;
  *lo = std::max(l, min);
  *hi = std::min(h, max);
  return *lo <= *hi;
}

// Horizontal or vertical line inside the clip rectangle; alpha 0 is opaque.
// Returns FALSE for a sloped line.
BOOLEAN bDrawStraight(BITMAP* bitmap, COLOR colour, POINT a, POINT b, U8 alpha) {
  S32 lo, hi;
  if (a.x == b.x) {
    if (a.x < bitmap->s32ClipLeft || a.x > bitmap->s32ClipRight) return TRUE;
    if (!bClampRange(a.y, b.y, bitmap->s32ClipBottom, bitmap->s32ClipTop, &lo, &hi)) return TRUE;
    // From the top row (largest y) downward in the buffer.
    COLOR* p = pRow(bitmap, hi) + a.x;
    U32 pitch = bitmap->__u32PixelWidthOfBuffer;
    for (S32 y = hi; y >= lo; --y, p += pitch) *p = alpha == 0 ? colour : G_PIXEL_colorBlend(colour, *p, alpha);
    return TRUE;
  }
  if (a.y == b.y) {
    if (a.y < bitmap->s32ClipBottom || a.y > bitmap->s32ClipTop) return TRUE;
    if (!bClampRange(a.x, b.x, bitmap->s32ClipLeft, bitmap->s32ClipRight, &lo, &hi)) return TRUE;
    COLOR* p = pRow(bitmap, a.y) + lo;
    size_t n = (size_t)((S64)hi - lo + 1);
    if (alpha == 0) {
      G_PIXEL_vFillRun(p, n, colour);
    } else {
      for (size_t i = 0; i < n; ++i) p[i] = G_PIXEL_colorBlend(colour, p[i], alpha);
    }
    return TRUE;
  }
  return FALSE;
}

// Writes one pixel of a sloped line given in 64-bit (major, minor)
// coordinates, through the pixel clip.
struct LINE_WRITER {
  BITMAP* bitmap;
  COLOR colour;
  BOOLEAN bMajorIsX;
  void vPut(S64 major, S64 minor) const {
    S64 x = bMajorIsX ? major : minor;
    S64 y = bMajorIsX ? minor : major;
    if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight || y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop)
      return;
    G_PIXEL_vPut(bitmap, (PIXEL)x, (PIXEL)y, colour);
  }
};

// Lines whose ends both lie within this distance of the clip rectangle are
// drawn exactly as given; longer ones are first cut to the clip rectangle
// (widened by a small margin) so that their cost stays bounded by the
// bitmap.
constexpr S64 LINE_EXACT_MARGIN = 1 << 16;
constexpr double LINE_CUT_MARGIN = 2.0;

// Cuts the segment to the box (Liang-Barsky in double precision); FALSE when
// nothing of it lies inside.
BOOLEAN bCutSegment(S64* x1, S64* y1, S64* x2, S64* y2, double left, double bottom, double right, double top) {
  double ax = (double)*x1, ay = (double)*y1;
  double dx = (double)*x2 - ax, dy = (double)*y2 - ay;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax - left, right - ax, ay - bottom, top - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return FALSE;
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return FALSE;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return FALSE;
      t1 = std::min(t1, t);
    }
  }
  S64 nx1 = (S64)std::llround(ax + t0 * dx), ny1 = (S64)std::llround(ay + t0 * dy);
  S64 nx2 = (S64)std::llround(ax + t1 * dx), ny2 = (S64)std::llround(ay + t1 * dy);
  *x1 = nx1;
  *y1 = ny1;
  *x2 = nx2;
  *y2 = ny2;
  return TRUE;
}

}  // namespace

void line_Draw(BITMAP* bitmap, COLOR colour, POINT start, POINT end) {
  // Nothing of the line can be visible when its bounding box misses the clip.
  if (std::max(start.x, end.x) < bitmap->s32ClipLeft || std::min(start.x, end.x) > bitmap->s32ClipRight ||
      std::max(start.y, end.y) < bitmap->s32ClipBottom || std::min(start.y, end.y) > bitmap->s32ClipTop)
    return;

  // The order of the end points does not matter: work from the smaller one.
  if (end.x < start.x || (end.x == start.x && end.y < start.y)) std::swap(start, end);
  S64 x1 = start.x, y1 = start.y, x2 = end.x, y2 = end.y;

  S64 left = bitmap->s32ClipLeft, right = bitmap->s32ClipRight;
  S64 bottom = bitmap->s32ClipBottom, top = bitmap->s32ClipTop;
  auto bFar = [&](S64 x, S64 y) {
    return x < left - LINE_EXACT_MARGIN || x > right + LINE_EXACT_MARGIN || y < bottom - LINE_EXACT_MARGIN ||
           y > top + LINE_EXACT_MARGIN;
  };
  if (bFar(x1, y1) || bFar(x2, y2)) {
    if (!bCutSegment(&x1, &y1, &x2, &y2, (double)left - LINE_CUT_MARGIN, (double)bottom - LINE_CUT_MARGIN,
                     (double)right + LINE_CUT_MARGIN, (double)top + LINE_CUT_MARGIN))
      return;
    if (x1 == x2 || y1 == y2) {
      // The cut left a straight piece.
      LINE_WRITER w{bitmap, colour, TRUE};
      if (x1 == x2) {
        for (S64 y = std::min(y1, y2); y <= std::max(y1, y2); ++y) w.vPut(x1, y);
      } else {
        for (S64 x = std::min(x1, x2); x <= std::max(x1, x2); ++x) w.vPut(x, y1);
      }
      return;
    }
  }

  S64 dx = x2 - x1, dy = y2 - y1;
  S64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const BOOLEAN bMajorIsX = adx >= ady;
  const S64 D = bMajorIsX ? adx : ady;
  const S64 d = bMajorIsX ? ady : adx;
  const S64 step = ((dx > 0) == (dy > 0)) ? 1 : -1;

  // Front point: smaller major coordinate; back point: the other one.
  S64 fx, fy, bx, by;  // (major, minor)
  if (bMajorIsX) {
    fx = x1, fy = y1, bx = x2, by = y2;  // x1 <= x2 after the swap
  } else if (y1 < y2) {
    fx = y1, fy = x1, bx = y2, by = x2;
  } else {
    fx = y2, fy = x2, bx = y1, by = x1;
  }
  LINE_WRITER w{bitmap, colour, bMajorIsX};
  w.vPut(fx, fy);
  w.vPut(bx, by);

  const S64 rounds = (D - 1) / 4;
  const S64 rest = (D - 1) % 4;
  const S64 incr2 = 4 * d - 2 * D;
  const BOOLEAN bShallow = incr2 < 0;  // slope below one half
  S64 c, incr1, e;
  if (bShallow) {
    c = 2 * d;
    incr1 = 4 * d;
    e = 4 * d - D;
  } else {
    c = 2 * (d - D);
    incr1 = 4 * (d - D);
    e = 4 * d - 3 * D;
  }
  auto pattern = [&]() -> int {
    if (bShallow) return e < 0 ? 1 : (e < c ? 2 : 3);
    return e > 0 ? 4 : (e < c ? 2 : 3);
  };

  for (S64 k = 0; k < rounds; ++k) {
    int p = pattern();
    switch (p) {
      case 1:
        w.vPut(fx + 1, fy), w.vPut(fx + 2, fy);
        w.vPut(bx - 1, by), w.vPut(bx - 2, by);
        break;
      case 2:
        w.vPut(fx + 1, fy), w.vPut(fx + 2, fy + step);
        w.vPut(bx - 1, by), w.vPut(bx - 2, by - step);
        fy += step, by -= step;
        break;
      case 3:
        w.vPut(fx + 1, fy + step), w.vPut(fx + 2, fy + step);
        w.vPut(bx - 1, by - step), w.vPut(bx - 2, by - step);
        fy += step, by -= step;
        break;
      default:
        w.vPut(fx + 1, fy + step), w.vPut(fx + 2, fy + 2 * step);
        w.vPut(bx - 1, by - step), w.vPut(bx - 2, by - 2 * step);
        fy += 2 * step, by -= 2 * step;
        break;
    }
    fx += 2, bx -= 2;
    e += (p == 1 || p == 4) ? incr1 : incr2;
  }

  if (rest == 0) return;
  int p = pattern();
  // The first two front pixels of the pattern, as many as the rest allows.
  S64 front1 = (p == 3 || p == 4) ? fy + step : fy;
  S64 front2 = p == 1 ? fy : (p == 4 ? fy + 2 * step : fy + step);
  w.vPut(fx + 1, front1);
  if (rest >= 2) w.vPut(fx + 2, front2);
  if (rest == 3) {
    BOOLEAN bDiagonal = p == 4 || (p == 3 && (bShallow || e > c));
    w.vPut(bx - 1, bDiagonal ? by - step : by);
  }
}

void G_LINE_vDraw(BITMAP* bitmap, COLOR colour, POINT start, POINT end) {
  if (!bDrawStraight(bitmap, colour, start, end, 0)) line_Draw(bitmap, colour, start, end);
}

void G_LINE_vDrawAlpha(BITMAP* bitmap, COLOR colour, POINT start, POINT end, U8 alpha) {
  if (!bDrawStraight(bitmap, colour, start, end, alpha)) line_Draw(bitmap, colour, start, end);
}

void G_LINE_vDrawPatterned(BITMAP* bitmap, COLOR colour, POINT* start, POINT* end, U16 pattern) {
  const U32 bits = (U32)pattern * 0x10001u;
  S32* from;  // the coordinate that runs along the line, of both ends
  S32* to;
  S32 min, max;
  if (start->x == end->x) {
    if (start->x < bitmap->s32ClipLeft_full_screen || start->x > bitmap->s32ClipRight_full_screen) return;
    from = &start->y, to = &end->y;
    min = bitmap->s32ClipBottom_full_screen, max = bitmap->s32ClipTop_full_screen;
  } else if (start->y == end->y) {
    if (start->y < bitmap->s32ClipBottom_full_screen || start->y > bitmap->s32ClipTop_full_screen) return;
    from = &start->x, to = &end->x;
    min = bitmap->s32ClipLeft_full_screen, max = bitmap->s32ClipRight_full_screen;
  } else {
    return;
  }
  const BOOLEAN bBeyond = (*from < min && *to < min) || (*from > max && *to > max);
  *from = std::clamp(*from, min, max);
  *to = std::clamp(*to, min, max);
  if (bBeyond) return;

  const BOOLEAN bVertical = start->x == end->x;
  const S32 dir = *to >= *from ? 1 : -1;
  const U32 count = (U32)((S64)(*to - *from) * dir) + 1;
  COLOR* pixels = G_BITMAP_pPixels(bitmap);
  const S64 pitch = bitmap->__u32PixelWidthOfBuffer;
  if (count == 1) {
    pixels[(S64)start->x + pitch * ((S64)bitmap->pixels_high_full_screen - start->y - 1)] = colour;
    return;
  }
  S64 v = *from;
  for (U32 k = 0; k < count; ++k, v += dir) {
    if ((bits >> (31 - (k & 31))) & 1) {
      S64 x = bVertical ? start->x : v;
      S64 y = bVertical ? v : start->y;
      pixels[x + pitch * ((S64)bitmap->pixels_high_full_screen - y - 1)] = colour;
    }
  }
}
