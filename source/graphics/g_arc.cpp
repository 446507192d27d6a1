// One-pixel circular arcs: the circle is stepped as the corners of the
// rounded boxes, one candidate pixel per octant and step, and each octant
// decides by its mode whether a candidate lies on the arc.
#include <cmath>

#include "source/graphics/g_arc.h"

namespace {

enum OCTANT_MODE { ARC_NONE, ARC_WHOLE, ARC_FROM_START, ARC_UP_TO_END, ARC_BETWEEN, ARC_OUTSIDE };

constexpr double ARC_DEGREES_TO_RADIANS = 0.017453;

// Brings a finite angle of 360 or more below 360.
inline double dReduce(double angle) {
  if (angle >= 360.0) angle = std::fmod(angle, 360.0);
  return angle;
}

// Along the counter-clockwise sense the octant's pixels change monotonically
// in y (octants 0, 3, 4, 7) or in x (1, 2, 5, 6); the sign tells whether that
// coordinate grows (+1) or shrinks (-1) counter-clockwise.
constexpr bool s_abUsesY[8] = {true, false, false, true, true, false, false, true};
constexpr int s_anSense[8] = {+1, -1, -1, -1, -1, +1, +1, +1};

}  // namespace

void G_ARC_vDraw(BITMAP* bitmap, COLOR colour, POINT centre, U32 radius, F32 startAngle, F32 endAngle) {
  // A non-finite angle has no place on the circle.
  if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) return;
  if (startAngle < 0.0f || endAngle < 0.0f) return;
  if (radius == 0 || radius >= 0x40000000u) return;
  const double s = dReduce(startAngle), e = dReduce(endAngle);
  const int so = (int)s / 45, eo = (int)e / 45;

  OCTANT_MODE mode[8];
  if (so != eo) {
    for (auto& m : mode) m = ARC_NONE;
    mode[so] = ARC_FROM_START;
    mode[eo] = ARC_UP_TO_END;
    for (int o = (so + 1) % 8; o != eo; o = (o + 1) % 8) mode[o] = ARC_WHOLE;
  } else if (s <= e) {
    for (auto& m : mode) m = ARC_NONE;
    mode[so] = ARC_BETWEEN;
  } else {
    for (auto& m : mode) m = ARC_WHOLE;
    mode[so] = ARC_OUTSIDE;
  }

  const S64 cx = centre.x, cy = centre.y, r = radius;
  const S64 sx = (S64)(cx + r * std::cos(s * ARC_DEGREES_TO_RADIANS));
  const S64 sy = (S64)(cy + r * std::sin(s * ARC_DEGREES_TO_RADIANS));
  const S64 ex = (S64)(cx + r * std::cos(e * ARC_DEGREES_TO_RADIANS));
  const S64 ey = (S64)(cy + r * std::sin(e * ARC_DEGREES_TO_RADIANS));

  auto afterStart = [&](int o, S64 x, S64 y) {
    S64 d = s_abUsesY[o] ? y - sy : x - sx;
    return d * s_anSense[o] >= 0;
  };
  auto beforeEnd = [&](int o, S64 x, S64 y) {
    S64 d = s_abUsesY[o] ? y - ey : x - ex;
    return d * s_anSense[o] <= 0;
  };
  auto put = [&](int o, S64 x, S64 y) {
    bool draw;
    switch (mode[o]) {
      case ARC_WHOLE: draw = true; break;
      case ARC_FROM_START: draw = afterStart(o, x, y); break;
      case ARC_UP_TO_END: draw = beforeEnd(o, x, y); break;
      case ARC_BETWEEN: draw = afterStart(o, x, y) && beforeEnd(o, x, y); break;
      case ARC_OUTSIDE: draw = afterStart(o, x, y) || beforeEnd(o, x, y); break;
      default: draw = false; break;
    }
    if (!draw) return;
    if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight || y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop)
      return;
    G_PIXEL_vPut(bitmap, (PIXEL)x, (PIXEL)y, colour);
  };

  S64 i = 0, f = 2 * r, err = -2 * r;
  while (f >= i) {
    const S64 P = i / 2, R = f / 2;
    put(0, cx + R, cy + P);
    put(1, cx + P, cy + R);
    put(2, cx - P, cy + R);
    put(3, cx - R, cy + P);
    put(4, cx - R, cy - P);
    put(5, cx - P, cy - R);
    put(6, cx + P, cy - R);
    put(7, cx + R, cy - P);
    err += 2 * i + 1;
    i += 1;
    if (err > 0) {
      f -= 1;
      err -= 2 * f + 1;
    }
  }
}
