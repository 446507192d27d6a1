// Circles by the midpoint rule on a doubled grid: the diameter D gives the
// pixel radius D / 2, and even steps of the doubled grid give the pixels.
#include <algorithm>

#include "source/graphics/g_circle.h"
#include "source/graphics/g_line.h"

namespace {

// Walks the circle: calls visit(a, b) for every even step, with a the
// smaller and b the larger half-offset. Nothing for a diameter that is
// negative as a signed value.
template <typename VISIT>
void vWalk(U32 diameter, VISIT visit) {
  if ((S32)diameter < 0) return;
  S64 err = -(S64)diameter, x = 0, y = diameter;
  while (y >= x) {
    if ((x & 1) == 0) visit(x / 2, y / 2);
    err += 2 * x + 1;
    x += 1;
    if (err >= 0) {
      y -= 1;
      err -= 2 * y + 1;
    }
  }
}

inline void vPut(BITMAP* b, COLOR c, S64 x, S64 y, BOOLEAN bBound) {
  if (bBound) {
    x = std::clamp<S64>(x, 0, std::max(b->pixels_wide - 1, 0));
    y = std::clamp<S64>(y, 0, std::max(b->pixels_high - 1, 0));
  }
  if (x < b->s32ClipLeft || x > b->s32ClipRight || y < b->s32ClipBottom || y > b->s32ClipTop) return;
  G_PIXEL_vPut(b, (PIXEL)x, (PIXEL)y, c);
}

void vOutline(BITMAP* b, COLOR c, POINT centre, U32 diameter, BOOLEAN bBound) {
  const S64 cx = centre.x, cy = centre.y;
  vWalk(diameter, [&](S64 a, S64 r) {
    vPut(b, c, cx + a, cy + r, bBound);
    vPut(b, c, cx - a, cy + r, bBound);
    vPut(b, c, cx + a, cy - r, bBound);
    vPut(b, c, cx - a, cy - r, bBound);
    vPut(b, c, cx + r, cy + a, bBound);
    vPut(b, c, cx - r, cy + a, bBound);
    vPut(b, c, cx + r, cy - a, bBound);
    vPut(b, c, cx - r, cy - a, bBound);
  });
}

inline PIXEL Sat(S64 v) { return (PIXEL)std::clamp<S64>(v, INT32_MIN, INT32_MAX); }

inline void vRow(BITMAP* b, COLOR c, S64 x1, S64 x2, S64 y) {
  if (y < b->s32ClipBottom || y > b->s32ClipTop) return;
  G_LINE_vDraw(b, c, POINT{Sat(x1), (PIXEL)y}, POINT{Sat(x2), (PIXEL)y});
}

}  // namespace

void G_CIRCLE_vDraw(BITMAP* bitmap, COLOR colour, POINT centre, U32 diameter) {
  vOutline(bitmap, colour, centre, diameter, TRUE);
}

void G_CIRCLE_vDrawWithNoBound(BITMAP* bitmap, COLOR colour, POINT centre, U32 diameter) {
  vOutline(bitmap, colour, centre, diameter, FALSE);
}

void G_CIRCLE_vDrawFilled(BITMAP* bitmap, COLOR colour, POINT centre, U32 diameter) {
  const S64 cx = centre.x, cy = centre.y;
  vWalk(diameter, [&](S64 a, S64 r) {
    vRow(bitmap, colour, cx - a, cx + a, cy + r);
    vRow(bitmap, colour, cx - a, cx + a, cy - r);
    vRow(bitmap, colour, cx - r, cx + r, cy + a);
    vRow(bitmap, colour, cx - r, cx + r, cy - a);
  });
}
