// Boxes (plain, rounded, alpha), circles and arcs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "source/graphics/g_arc.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_circle.h"
#include "tests/support/graphics_canvas.h"

namespace {

constexpr COLOR WHITE = 0xFFFF;
constexpr COLOR HALF = 0x7BEF;        // white at alpha 128 over black
constexpr COLOR HALF_TWICE = 0xBDF7;  // white at alpha 128 over HALF

TEST(GraphicsBox, PlainBoxes) {
  {
    Canvas c(10, 10);
    G_BOX_vDraw(c.bmp(), WHITE, Pt(4, 6), 1, 1);
    EXPECT_EQ(PixelSet({{4, 6}}), c.written());
  }
  {
    Canvas c(10, 10);
    G_BOX_vDrawFilled(c.bmp(), WHITE, Pt(4, 6), 3, 0);
    EXPECT_TRUE(c.written().empty());
    G_BOX_vDrawFilled(c.bmp(), WHITE, Pt(1, 2), 3, 2);
    EXPECT_EQ(PixelSet({{1, 2}, {2, 2}, {3, 2}, {1, 3}, {2, 3}, {3, 3}}), c.written());
  }
  {
    Canvas c(10, 10);
    G_BOX_vDraw(c.bmp(), WHITE, Pt(1, 1), 4, 3);
    EXPECT_EQ(PixelSet({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {1, 2}, {4, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}),
              c.written());
  }
  {
    // A huge box is clipped to the bitmap and costs no more than it.
    Canvas c(10, 10);
    G_BOX_vDrawFilled(c.bmp(), WHITE, Pt(-2000000000, -2000000000), 0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(100u, c.written().size());
  }
}

TEST(GraphicsBox, AlphaOutlineBlendsCornersTwice) {
  Canvas c(5, 5);
  G_BOX_vDrawAlpha(c.bmp(), WHITE, Pt(1, 1), 3, 3, 128);
  for (auto [x, y] : PixelSet{{1, 1}, {3, 1}, {1, 3}, {3, 3}}) EXPECT_EQ(HALF_TWICE, c.at(x, y)) << x << "," << y;
  for (auto [x, y] : PixelSet{{2, 1}, {1, 2}, {3, 2}, {2, 3}}) EXPECT_EQ(HALF, c.at(x, y)) << x << "," << y;
  EXPECT_EQ(0, c.at(2, 2));
  Canvas f(5, 5);
  G_BOX_vDrawFilledAlpha(f.bmp(), WHITE, Pt(1, 1), 3, 3, 128);
  EXPECT_EQ(9u, f.written().size());
  for (auto [x, y] : f.written()) EXPECT_EQ(HALF, f.at(x, y));
}

TEST(GraphicsBox, RadiusZeroIsThePlainOutline) {
  Canvas plain(12, 12), rounded(12, 12), roundedAlpha(12, 12);
  G_BOX_vDraw(plain.bmp(), WHITE, Pt(2, 3), 7, 5);
  G_BOX_vDrawRounded(rounded.bmp(), WHITE, Pt(2, 3), 7, 5, 0);
  G_BOX_vDrawRoundedAlpha(roundedAlpha.bmp(), WHITE, Pt(2, 3), 7, 5, 0, 0);
  EXPECT_EQ(plain.written(), rounded.written());
  EXPECT_EQ(plain.written(), roundedAlpha.written());
}

TEST(GraphicsBox, RoundedOutlineHasRoundCornersAndStraightEdges) {
  Canvas c(20, 20);
  G_BOX_vDrawRounded(c.bmp(), WHITE, Pt(2, 2), 15, 12, 4);
  // Straight parts between the corner centres.
  for (int x = 6; x <= 12; ++x) EXPECT_EQ(WHITE, c.at(x, 2)) << x;
  for (int y = 6; y <= 9; ++y) EXPECT_EQ(WHITE, c.at(16, y)) << y;
  // The corners are cut.
  EXPECT_EQ(0, c.at(2, 2));
  EXPECT_EQ(0, c.at(16, 13));
  // Four-fold symmetry about the box's centre.
  for (auto [x, y] : c.written()) {
    EXPECT_EQ(WHITE, c.at(18 - x, y)) << x << "," << y;
    EXPECT_EQ(WHITE, c.at(x, 15 - y)) << x << "," << y;
  }
}

TEST(GraphicsBox, RoundedFilledAlphaCoversTheOpaquePixelsBlendingEachOnce) {
  const struct {
    int w, h, r;
  } cases[] = {{15, 12, 4}, {9, 9, 4}, {12, 5, 4}, {6, 20, 3}, {4, 4, 0}, {10, 3, 1}, {7, 2, 5}};
  for (const auto& k : cases) {
    Canvas opaque(30, 30), alpha(30, 30);
    G_BOX_vDrawRoundedFilled(opaque.bmp(), WHITE, Pt(5, 6), k.w, k.h, k.r);
    G_BOX_vDrawRoundedFilledAlpha(alpha.bmp(), WHITE, Pt(5, 6), k.w, k.h, k.r, 128);
    ASSERT_FALSE(opaque.written().empty());
    EXPECT_EQ(opaque.written(), alpha.written()) << k.w << "x" << k.h << " r" << k.r;
    for (auto [x, y] : alpha.written()) ASSERT_EQ(HALF, alpha.at(x, y)) << x << "," << y;
  }
}

TEST(GraphicsBox, RoundedFilledRowsAreContiguousAndSymmetric) {
  Canvas c(30, 30);
  G_BOX_vDrawRoundedFilled(c.bmp(), WHITE, Pt(3, 4), 20, 16, 6);
  std::map<int, std::pair<int, int>> rows;
  for (auto [x, y] : c.written()) {
    auto it = rows.find(y);
    if (it == rows.end()) rows[y] = {x, x};
    else it->second = {std::min(it->second.first, x), std::max(it->second.second, x)};
  }
  ASSERT_EQ(16u, rows.size());
  size_t total = 0;
  for (auto [y, span] : rows) {
    total += span.second - span.first + 1;
    EXPECT_EQ(22 - span.second, span.first - 3) << "row " << y;
  }
  EXPECT_EQ(total, c.written().size()) << "rows without holes";
  EXPECT_EQ(rows[4], rows[19]);
  EXPECT_EQ(std::make_pair(3, 22), rows[12]);
}

// ------------------------------------------------------------ circles
TEST(GraphicsCircle, SmallCirclesPixelExact) {
  Canvas c(12, 12);
  G_CIRCLE_vDraw(c.bmp(), WHITE, Pt(5, 5), 0);
  EXPECT_EQ(PixelSet({{5, 5}}), c.written());
  c.clear(0);
  G_CIRCLE_vDrawWithNoBound(c.bmp(), WHITE, Pt(5, 5), 4);
  EXPECT_EQ(PixelSet({{5, 7}, {5, 3}, {7, 5}, {3, 5}, {6, 6}, {4, 6}, {6, 4}, {4, 4}}), c.written());
  c.clear(0);
  G_CIRCLE_vDrawFilled(c.bmp(), WHITE, Pt(5, 5), 4);
  EXPECT_EQ(PixelSet({{5, 7}, {4, 6}, {5, 6}, {6, 6}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {4, 4}, {5, 4},
                      {6, 4}, {5, 3}}),
            c.written());
  c.clear(0);
  G_CIRCLE_vDrawFilled(c.bmp(), WHITE, Pt(5, 5), (U32)-4);
  EXPECT_TRUE(c.written().empty());
}

TEST(GraphicsCircle, BoundedOutlineMovesOutsidePixelsOntoTheEdges) {
  // The reference: the same circle on a bigger canvas, shifted.
  Canvas big(60, 40);
  G_CIRCLE_vDrawWithNoBound(big.bmp(), WHITE, Pt(38, 20), 20);
  Canvas bounded(20, 40), unbounded(20, 40);
  G_CIRCLE_vDraw(bounded.bmp(), WHITE, Pt(18, 20), 20);
  G_CIRCLE_vDrawWithNoBound(unbounded.bmp(), WHITE, Pt(18, 20), 20);
  PixelSet expectedBounded, expectedUnbounded;
  for (auto [x, y] : big.written()) {
    const int bx = x - 20;
    expectedBounded.insert({std::clamp(bx, 0, 19), y});
    if (bx >= 0 && bx <= 19) expectedUnbounded.insert({bx, y});
  }
  EXPECT_EQ(expectedBounded, bounded.written());
  EXPECT_EQ(expectedUnbounded, unbounded.written());
}

TEST(GraphicsCircle, FilledCircleContainsTheOutlineRowByRow) {
  Canvas outline(40, 40), filled(40, 40);
  G_CIRCLE_vDrawWithNoBound(outline.bmp(), WHITE, Pt(20, 19), 31);
  G_CIRCLE_vDrawFilled(filled.bmp(), WHITE, Pt(20, 19), 31);
  for (auto p : outline.written()) EXPECT_TRUE(filled.written().count(p)) << p.first << "," << p.second;
  for (int y = 0; y < 40; ++y) {
    int first = -1, last = -1, n = 0;
    for (int x = 0; x < 40; ++x)
      if (filled.at(x, y)) {
        if (first < 0) first = x;
        last = x, ++n;
      }
    if (n) {
      EXPECT_EQ(last - first + 1, n) << "row " << y;
      EXPECT_EQ(20 - first, last - 20) << "row " << y;
    }
  }
}

// ------------------------------------------------------------ arcs
constexpr int CX = 30, CY = 30, R = 20;

PixelSet Arc(float start, float end, U32 radius = R) {
  Canvas c(61, 61);
  G_ARC_vDraw(c.bmp(), WHITE, Pt(CX, CY), radius, start, end);
  return c.written();
}

double Degrees(std::pair<int, int> p) {
  double a = std::atan2((double)(p.second - CY), (double)(p.first - CX)) * 180.0 / M_PI;
  return a < 0 ? a + 360.0 : a;
}

TEST(GraphicsArc, ArcsFromStartToEndCounterClockwise) {
  const PixelSet a = Arc(10, 80), b = Arc(80, 10);
  ASSERT_FALSE(a.empty());
  double lo = 360, hi = 0;
  for (auto p : a) {
    EXPECT_TRUE(p.first >= CX && p.second >= CY) << "octants 0 and 1 only";
    lo = std::min(lo, Degrees(p)), hi = std::max(hi, Degrees(p));
  }
  EXPECT_NEAR(10.0, lo, 3.0);
  EXPECT_NEAR(80.0, hi, 3.0);

  // 80 to 10 is the rest of the circle.
  PixelSet ring = a;
  ring.insert(b.begin(), b.end());
  for (auto p : b) EXPECT_FALSE(Degrees(p) > 13.0 && Degrees(p) < 77.0) << p.first << "," << p.second;
  for (auto p : ring) {
    if (Degrees(p) < 7.0 || Degrees(p) > 83.0) {
      EXPECT_TRUE(b.count(p)) << p.first << "," << p.second;
    }
  }
  // The two together make a whole ring, symmetric in all eight ways.
  for (auto [x, y] : ring) {
    const int dx = x - CX, dy = y - CY;
    for (auto q : {std::make_pair(-dx, dy), std::make_pair(dx, -dy), std::make_pair(dy, dx)})
      EXPECT_TRUE(ring.count({CX + q.first, CY + q.second})) << dx << "," << dy;
  }
}

TEST(GraphicsArc, AnglesReducedAndRejected) {
  EXPECT_EQ(Arc(40, 60), Arc(400, 420));
  EXPECT_EQ(Arc(40, 60), Arc(40, 780));
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    float start, end;
    U32 radius;
  } nothing[] = {{-1, 80, R}, {10, -0.5f, R}, {nan, 80, R}, {10, nan, R}, {inf, 10, R},
                 {10, 80, 0}, {10, 80, 0x40000000u}, {10, 80, 0xC0000000u}};
  for (const auto& k : nothing) EXPECT_TRUE(Arc(k.start, k.end, k.radius).empty()) << k.start << " " << k.end;
  // Within one octant: between when start <= end, else all but that part.
  const PixelSet inside = Arc(5, 40), outside = Arc(40, 5);
  for (auto p : inside) EXPECT_TRUE(Degrees(p) >= 2 && Degrees(p) <= 43) << Degrees(p);
  EXPECT_GT(outside.size(), 6 * inside.size());
}

}  // namespace
