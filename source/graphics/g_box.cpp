// Rectangles: outlines and fills from lines, rounded corners on a doubled
// grid, alpha variants that blend every pixel of a filled box once.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "source/graphics/g_box.h"
#include "source/graphics/g_line.h"

namespace {

// Coordinates beyond the 32-bit range cannot be visible; they are held at
// its ends so that lines keep their direction.
inline PIXEL Sat(S64 v) {
  return (PIXEL)std::clamp<S64>(v, INT32_MIN, INT32_MAX);
}

inline void vRow(BITMAP* b, COLOR c, S64 x1, S64 x2, S64 y, U8 alpha, BOOLEAN bAlpha) {
  POINT p1{Sat(x1), Sat(y)}, p2{Sat(x2), Sat(y)};
  if (bAlpha) {
    G_LINE_vDrawAlpha(b, c, p1, p2, alpha);
  } else {
    G_LINE_vDraw(b, c, p1, p2);
  }
}

inline void vColumn(BITMAP* b, COLOR c, S64 x, S64 y1, S64 y2, U8 alpha, BOOLEAN bAlpha) {
  POINT p1{Sat(x), Sat(y1)}, p2{Sat(x), Sat(y2)};
  if (bAlpha) {
    G_LINE_vDrawAlpha(b, c, p1, p2, alpha);
  } else {
    G_LINE_vDraw(b, c, p1, p2);
  }
}

inline void vPixel(BITMAP* b, COLOR c, S64 x, S64 y, U8 alpha, BOOLEAN bAlpha) {
  if (x < b->s32ClipLeft || x > b->s32ClipRight || y < b->s32ClipBottom || y > b->s32ClipTop) return;
  if (bAlpha) {
    G_PIXEL_vPutAlpha(b, (PIXEL)x, (PIXEL)y, c, alpha);
  } else {
    G_PIXEL_vPut(b, (PIXEL)x, (PIXEL)y, c);
  }
}

// Rows y0 to y0 + height - 1 limited to the rows the clip can show (rows
// outside it draw nothing), so a huge height costs no more than the bitmap.
inline BOOLEAN bVisibleRows(const BITMAP* b, S64 y0, U32 height, S64* first, S64* last) {
  *first = std::max<S64>(y0, b->s32ClipBottom);
  *last = std::min<S64>(y0 + (S64)height - 1, b->s32ClipTop);
  return *first <= *last;
}

void vOutline(BITMAP* b, COLOR c, POINT a, U32 w, U32 h, U8 alpha, BOOLEAN bAlpha) {
  const S64 x1 = a.x, y1 = a.y, x2 = (S64)a.x + w - 1, y2 = (S64)a.y + h - 1;
  vColumn(b, c, x1, y1, y2, alpha, bAlpha);
  vColumn(b, c, x2, y1, y2, alpha, bAlpha);
  vRow(b, c, x1, x2, y1, alpha, bAlpha);
  vRow(b, c, x1, x2, y2, alpha, bAlpha);
}

void vFilled(BITMAP* b, COLOR c, POINT a, U32 w, U32 h, U8 alpha, BOOLEAN bAlpha) {
  S64 first, last;
  if (!bVisibleRows(b, a.y, h, &first, &last)) return;
  for (S64 y = first; y <= last; ++y) vRow(b, c, a.x, (S64)a.x + w - 1, y, alpha, bAlpha);
}

// Corner radii beyond this are held here: every pixel of such a corner lies
// far outside any bitmap, and the corner walks stay bounded.
constexpr S64 BOX_MAX_RADIUS = 1 << 16;

inline S64 s64Radius(U32 radius) { return std::min<S64>(radius, BOX_MAX_RADIUS); }

// Centres of the four corner arcs.
struct CORNERS {
  S64 lcx, rcx, lcy, ucy;
};

inline CORNERS Corners(POINT a, U32 w, U32 h, S64 r) {
  return CORNERS{(S64)a.x + r, (S64)a.x + w - 1 - r, (S64)a.y + r, (S64)a.y + h - 1 - r};
}

void vRoundedOutline(BITMAP* b, COLOR c, POINT a, U32 w, U32 h, U32 radius, U8 alpha, BOOLEAN bAlpha) {
  const S64 r = s64Radius(radius);
  const CORNERS k = Corners(a, w, h, r);
  vRow(b, c, k.lcx, k.rcx, a.y, alpha, bAlpha);
  vRow(b, c, k.lcx, k.rcx, (S64)a.y + h - 1, alpha, bAlpha);
  vColumn(b, c, a.x, k.lcy, k.ucy, alpha, bAlpha);
  vColumn(b, c, (S64)a.x + w - 1, k.lcy, k.ucy, alpha, bAlpha);
  S64 i = 0, f = 2 * r, err = -2 * r;
  while (f >= i) {
    const S64 P = i / 2, R = f / 2;
    vPixel(b, c, k.lcx - R, k.ucy + P, alpha, bAlpha);
    vPixel(b, c, k.lcx - R, k.lcy - P, alpha, bAlpha);
    vPixel(b, c, k.lcx - P, k.ucy + R, alpha, bAlpha);
    vPixel(b, c, k.lcx - P, k.lcy - R, alpha, bAlpha);
    vPixel(b, c, k.rcx + R, k.ucy + P, alpha, bAlpha);
    vPixel(b, c, k.rcx + R, k.lcy - P, alpha, bAlpha);
    vPixel(b, c, k.rcx + P, k.ucy + R, alpha, bAlpha);
    vPixel(b, c, k.rcx + P, k.lcy - R, alpha, bAlpha);
    err += 2 * i + 1;
    i += 1;
    if (err > 0) {
      f -= 1;
      err -= 2 * f + 1;
    }
  }
}

// Walks the caps of a rounded filled box: calls row(offset, half) for each
// cap row pair (upper cy + offset and lower cy - offset), spanning from
// left cx - half to right cx + half.
template <typename ROW>
void vWalkCaps(S64 r, ROW row) {
  S64 j = 0, f = 2 * r, e = -2 * r;
  while (f >= j) {
    if ((j & 1) == 0) {
      const S64 h = j / 2, o = f / 2;
      row(o, h);
      row(h, o);
    }
    e += j;
    j += 1;
    if (e >= 0) {
      e -= f;
      f -= 1;
    }
  }
}

}  // namespace

void G_BOX_vDraw(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height) {
  vOutline(bitmap, colour, anchor, width, height, 0, FALSE);
}

void G_BOX_vDrawFilled(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height) {
  vFilled(bitmap, colour, anchor, width, height, 0, FALSE);
}

void G_BOX_vDrawAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U8 alpha) {
  vOutline(bitmap, colour, anchor, width, height, alpha, TRUE);
}

void G_BOX_vDrawFilledAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U8 alpha) {
  vFilled(bitmap, colour, anchor, width, height, alpha, TRUE);
}

void G_BOX_vDrawRounded(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius) {
  vRoundedOutline(bitmap, colour, anchor, width, height, radius, 0, FALSE);
}

void G_BOX_vDrawRoundedAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius,
                             U8 alpha) {
  vRoundedOutline(bitmap, colour, anchor, width, height, radius, alpha, TRUE);
}

void G_BOX_vDrawRoundedFilled(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius) {
  const S64 r = s64Radius(radius);
  const CORNERS k = Corners(anchor, width, height, r);
  if (k.lcy <= k.ucy) {
    S64 first = std::max<S64>(k.lcy, bitmap->s32ClipBottom), last = std::min<S64>(k.ucy, bitmap->s32ClipTop);
    for (S64 y = first; y <= last; ++y) vRow(bitmap, colour, anchor.x, (S64)anchor.x + width - 1, y, 0, FALSE);
  }
  vWalkCaps(r, [&](S64 offset, S64 half) {
    vRow(bitmap, colour, k.lcx - half, k.rcx + half, k.ucy + offset, 0, FALSE);
    vRow(bitmap, colour, k.lcx - half, k.rcx + half, k.lcy - offset, 0, FALSE);
  });
}

void G_BOX_vDrawRoundedFilledAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius,
                                   U8 alpha) {
  const S64 r = s64Radius(radius);
  const CORNERS k = Corners(anchor, width, height, r);
  // Every cap row spans from left cx - half to right cx + half (in either
  // order when the corners overlap); all spans share one centre, so the
  // widest span of a row covers all the others.
  auto span = [&](S64 half) { return std::abs(k.rcx - k.lcx + 2 * half); };
  constexpr S64 NO_ROW = -1;
  std::vector<S64> widest((size_t)r + 1, NO_ROW);
  vWalkCaps(r, [&](S64 offset, S64 half) {
    S64& best = widest[(size_t)offset];
    if (best == NO_ROW || span(half) > span(best)) best = half;
  });
  const S64 first = std::max<S64>(std::min(k.lcy - r, k.ucy), bitmap->s32ClipBottom);
  const S64 last = std::min<S64>(std::max(k.ucy + r, k.lcy), bitmap->s32ClipTop);
  for (S64 y = first; y <= last; ++y) {
    if (y > k.lcy && y < k.ucy) {
      vRow(bitmap, colour, anchor.x, (S64)anchor.x + width - 1, y, alpha, TRUE);
      continue;
    }
    // A row may belong to both caps when the box is lower than its corners.
    S64 best = NO_ROW;
    for (S64 offset : {y - k.ucy, k.lcy - y}) {
      if (offset < 0 || offset > r) continue;
      const S64 half = widest[(size_t)offset];
      if (half != NO_ROW && (best == NO_ROW || span(half) > span(best))) best = half;
    }
    if (best != NO_ROW) vRow(bitmap, colour, k.lcx - best, k.rcx + best, y, alpha, TRUE);
  }
}
