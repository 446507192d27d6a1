// Lines (plain, alpha, patterned), the sloped-line pixel rule, and polygon
// clipping into place and into the chart engine's fill.
#include <gtest/gtest.h>

#include <cmath>
#include <climits>
#include <cstdlib>
#include <map>
#include <vector>

#include "source/graphics/gr_polyfill.h"
#include "source/graphics/g_line.h"
#include "source/graphics/u_poly.h"
#include "tests/support/graphics_canvas.h"

namespace {

constexpr COLOR WHITE = 0xFFFF;

PixelSet Line(int w, int h, POINT a, POINT b) {
  Canvas c(w, h);
  G_LINE_vDraw(c.bmp(), WHITE, a, b);
  return c.written();
}

TEST(GraphicsLine, StraightLinesClampToTheClip) {
  const struct {
    const char* what;
    POINT a, b;
    PixelSet expected;
  } cases[] = {
      {"single point", Pt(3, 5), Pt(3, 5), {{3, 5}}},
      {"vertical beyond the right clip", Pt(16, 2), Pt(16, 5), {}},
      {"vertical on the right clip, clamped", Pt(15, -3), Pt(15, 1), {{15, 0}, {15, 1}}},
      {"horizontal ending on the left clip", Pt(-10, 4), Pt(0, 4), {{0, 4}}},
      {"horizontal wholly left of the clip", Pt(-10, 4), Pt(-1, 4), {}},
      {"horizontal reversed", Pt(3, 1), Pt(1, 1), {{1, 1}, {2, 1}, {3, 1}}},
      {"vertical wholly above", Pt(2, 20), Pt(2, 30), {}},
  };
  for (const auto& k : cases) EXPECT_EQ(k.expected, Line(16, 8, k.a, k.b)) << k.what;
}

TEST(GraphicsLine, SlopedLineFollowsTheDoubleStepRule) {
  const PixelSet expected = {{0, 0}, {8, 2}, {1, 0}, {2, 1}, {7, 2}, {6, 1}, {3, 1}, {4, 1}, {5, 1}};
  EXPECT_EQ(expected, Line(10, 4, Pt(0, 0), Pt(8, 2)));
  EXPECT_EQ(expected, Line(10, 4, Pt(8, 2), Pt(0, 0)));
}

TEST(GraphicsLine, SlopedLinesAreSymmetricThinAndConnected) {
  // Every slope class, both directions, lengths that leave each remainder.
  std::srand(7);
  for (int n = 0; n < 400; ++n) {
    POINT a = Pt(std::rand() % 40, std::rand() % 40), b = Pt(std::rand() % 40, std::rand() % 40);
    if (a.x == b.x || a.y == b.y) continue;
    PixelSet forward = Line(40, 40, a, b);
    ASSERT_EQ(forward, Line(40, 40, b, a)) << a.x << "," << a.y << " " << b.x << "," << b.y;
    const int D = std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
    ASSERT_EQ((size_t)D + 1, forward.size()) << "one pixel per step of the major axis";
    ASSERT_TRUE(forward.count({a.x, a.y}) && forward.count({b.x, b.y}));
    const bool majorX = std::abs(a.x - b.x) >= std::abs(a.y - b.y);
    // Consecutive pixels along the major axis are 8-connected.
    std::map<int, int> byMajor;
    for (auto [x, y] : forward) byMajor[majorX ? x : y] = majorX ? y : x;
    ASSERT_EQ((size_t)D + 1, byMajor.size());
    for (auto it = byMajor.begin(); std::next(it) != byMajor.end(); ++it)
      ASSERT_LE(std::abs(std::next(it)->second - it->second), 1);
  }
}

TEST(GraphicsLine, SlopedLineClipsPixelByPixel) {
  Canvas c(10, 4);
  c.clip(2, 0, 6, 3);
  G_LINE_vDraw(c.bmp(), WHITE, Pt(0, 0), Pt(8, 2));
  const PixelSet expected = {{2, 1}, {6, 1}, {3, 1}, {4, 1}, {5, 1}};
  EXPECT_EQ(expected, c.written());
}

TEST(GraphicsLine, ExtremeCoordinatesStayInsideAndFinishQuickly) {
  const struct {
    POINT a, b;
  } cases[] = {
      {Pt(INT_MIN, INT_MIN), Pt(INT_MAX, INT_MAX)},
      {Pt(INT_MIN, 10), Pt(INT_MAX, 20)},
      {Pt(-2000000000, 2000000000), Pt(2000000000, -2000000000)},
      {Pt(INT_MIN, INT_MAX), Pt(INT_MAX - 1, INT_MIN + 1)},
      {Pt(5, INT_MIN), Pt(6, INT_MAX)},
  };
  for (const auto& k : cases) {
    Canvas c(64, 48);
    G_LINE_vDraw(c.bmp(), WHITE, k.a, k.b);
    G_LINE_vDrawAlpha(c.bmp(), WHITE, k.a, k.b, 100);
    // Whatever is visible lies within a pixel of the true line.
    const double ax = k.a.x, ay = k.a.y, dx = (double)k.b.x - ax, dy = (double)k.b.y - ay;
    const double len = std::sqrt(dx * dx + dy * dy);
    for (auto [x, y] : c.written()) {
      const double dist = std::fabs((x - ax) * dy - (y - ay) * dx) / len;
      EXPECT_LE(dist, 1.5) << x << "," << y;
    }
  }
  // The diagonal through the bitmap is drawn.
  Canvas c(64, 48);
  G_LINE_vDraw(c.bmp(), WHITE, Pt(INT_MIN, INT_MIN), Pt(INT_MAX, INT_MAX));
  EXPECT_EQ(48u, c.written().size());
  EXPECT_EQ(WHITE, c.at(0, 0));
  EXPECT_EQ(WHITE, c.at(47, 47));
}

TEST(GraphicsLine, AlphaBlendsStraightLinesAndDrawsSlopedOpaque) {
  Canvas c(10, 4);
  G_LINE_vDrawAlpha(c.bmp(), WHITE, Pt(1, 1), Pt(4, 1), 128);
  G_LINE_vDrawAlpha(c.bmp(), WHITE, Pt(6, 0), Pt(6, 3), 128);
  for (int x = 1; x <= 4; ++x) EXPECT_EQ(0x7BEF, c.at(x, 1));
  for (int y = 0; y <= 3; ++y) EXPECT_EQ(0x7BEF, c.at(6, y));
  Canvas s(10, 4);
  G_LINE_vDrawAlpha(s.bmp(), WHITE, Pt(0, 0), Pt(8, 2), 128);
  EXPECT_EQ(Line(10, 4, Pt(0, 0), Pt(8, 2)), s.written());
  for (auto [x, y] : s.written()) EXPECT_EQ(WHITE, s.at(x, y));
}

TEST(GraphicsLine, PatternedLinesUseTheRepeatedPatternFromTheStart) {
  {
    Canvas c(30, 4);
    POINT a = Pt(5, 2), b = Pt(24, 2);
    G_LINE_vDrawPatterned(c.bmp(), WHITE, &a, &b, 0xF0F0);
    PixelSet expected;
    for (int k : {0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19}) expected.insert({5 + k, 2});
    EXPECT_EQ(expected, c.written());
  }
  {
    // Counted from the start point, also when it is the upper end; the
    // widened pattern repeats after 32 pixels.
    Canvas c(4, 40);
    POINT a = Pt(1, 39), b = Pt(1, 0);
    G_LINE_vDrawPatterned(c.bmp(), WHITE, &a, &b, 0x8001);
    const PixelSet expected = {{1, 39}, {1, 24}, {1, 23}, {1, 8}, {1, 7}};
    EXPECT_EQ(expected, c.written());
  }
}

TEST(GraphicsLine, PatternedLinesClampToTheFullScreenClipAndWriteBack) {
  Canvas c(20, 10);
  c.clip(5, 5, 6, 6);  // the inner clip is not consulted
  POINT a = Pt(-7, 3), b = Pt(30, 3);
  G_LINE_vDrawPatterned(c.bmp(), WHITE, &a, &b, 0xFFFF);
  EXPECT_EQ(0, a.x);
  EXPECT_EQ(19, b.x);
  EXPECT_EQ(20u, c.written().size());

  // Clamped ends that coincide: one pixel whatever the pattern.
  c.clear(0);
  a = Pt(2, 12), b = Pt(2, 40);
  G_LINE_vDrawPatterned(c.bmp(), WHITE, &a, &b, 0x0000);
  EXPECT_TRUE(c.written().empty()) << "wholly above the clip";
  a = Pt(2, 9), b = Pt(2, 40);
  G_LINE_vDrawPatterned(c.bmp(), WHITE, &a, &b, 0x0000);
  EXPECT_EQ(PixelSet({{2, 9}}), c.written());
  EXPECT_EQ(9, b.y);

  // Sloped: nothing, points untouched.
  c.clear(0);
  a = Pt(1, 1), b = Pt(5, 4);
  G_LINE_vDrawPatterned(c.bmp(), WHITE, &a, &b, 0xFFFF);
  EXPECT_TRUE(c.written().empty());
  EXPECT_EQ(5, b.x);
}

// ------------------------------------------------------------ polygons
std::vector<POINT> Square(int x0, int y0, int x1, int y1) {
  return {Pt(x0, y0), Pt(x1, y0), Pt(x1, y1), Pt(x0, y1), Pt(x0, y0)};
}

TEST(GraphicsPolygon, ClipInPlace) {
  {
    // Wholly left: only the clamped first vertex remains.
    std::vector<POINT> v = Square(-50, 10, -20, 30);
    const std::vector<POINT> before = v;
    EXPECT_EQ(0, U_POLY_nClip(0, 100, 100, 0, v.data(), (S32)v.size()));
    EXPECT_EQ(before.size(), v.size());
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(before[i].x, v[i].x);
  }
  {
    // Wholly inside: unchanged.
    std::vector<POINT> v = Square(10, 10, 20, 20);
    EXPECT_EQ(5, U_POLY_nClip(0, 100, 100, 0, v.data(), 5));
    EXPECT_EQ(20, v[2].x);
  }
  {
    // Crossing the right edge: the crossings replace the outside corners.
    std::vector<POINT> v = Square(50, 10, 150, 30);
    v.resize(VERTEX_LIST_MAX);
    ASSERT_EQ(5, U_POLY_nClip(0, 100, 100, 0, v.data(), 5));
    const POINT expected[] = {Pt(50, 10), Pt(100, 10), Pt(100, 30), Pt(50, 30), Pt(50, 10)};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(expected[i].x, v[i].x) << i;
      EXPECT_EQ(expected[i].y, v[i].y) << i;
    }
  }
  {
    // A triangle over a corner: crossings truncated towards zero.
    std::vector<POINT> v = {Pt(90, 50), Pt(130, 130), Pt(50, 90), Pt(90, 50)};
    v.resize(VERTEX_LIST_MAX);
    S32 n = U_POLY_nClip(0, 100, 100, 0, v.data(), 4);
    ASSERT_EQ(6, n);
    const POINT expected[] = {Pt(90, 50), Pt(100, 70), Pt(100, 100), Pt(70, 100), Pt(50, 90), Pt(90, 50)};
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(expected[i].x, v[i].x) << i;
      EXPECT_EQ(expected[i].y, v[i].y) << i;
    }
  }
}

TEST(GraphicsPolygon, ClipInPlaceNeverWritesBeyondTheCallersArray) {
  // The clipped triangle has 6 vertices; the caller's array holds 4.
  std::vector<POINT> v = {Pt(90, 50), Pt(130, 130), Pt(50, 90), Pt(90, 50)};
  EXPECT_EQ(0, U_POLY_nClip(0, 100, 100, 0, v.data(), 4, 4));
  EXPECT_EQ(130, v[1].x);

  // A zigzag whose outline exceeds the 128-vertex list is refused whole.
  std::vector<POINT> zig;
  for (int i = 0; i < 100; ++i) zig.push_back(Pt(i * 2, (i % 2) ? 150 : -50));
  zig.push_back(zig.front());
  const S32 count = (S32)zig.size();
  zig.resize(400);
  EXPECT_EQ(0, U_POLY_nClip(0, 300, 100, 0, zig.data(), count, 400));
  EXPECT_EQ(-50, zig[0].y);
}

class GraphicsPolyFill : public ::testing::Test {
 protected:
  static GL_POLYFILL* Fill() {
    static GL_POLYFILL fill;  // 1 MiB edge table
    return &fill;
  }
  void SetUp() override {
    GL_POLYFILL* f = Fill();
    f->polyctx.pixdim = PIXELDIM{200, 100};
    f->polyctx.scrbox = GL_BOUNDINGBOX{0, 0, 199, 99};
    f->gtblnoedges = 0;
    f->status = GL_POLYFILL_NOCLIP;
  }
};

TEST_F(GraphicsPolyFill, ClippedOutlineBecomesEdgesWithRowsFromTheTop) {
  GL_POLYFILL* f = Fill();
  // Crossing the top: y above 99 is cut.
  std::vector<POINT> v = {Pt(10, 10), Pt(10, 150), Pt(60, 150), Pt(60, 10), Pt(10, 10)};
  EXPECT_EQ(GR_STATUS_SUCCESS, U_POLY_eClipSegment(f, v.data(), (S32)v.size()));
  // Two vertical edges between rows 0 and 89; horizontal ones skipped.
  ASSERT_EQ(2, f->gtblnoedges);
  for (int e = 0; e < 2; ++e) {
    EXPECT_EQ(0, f->edgestable.ymin[e]);
    EXPECT_EQ(89, f->edgestable.ymax[e]);
    EXPECT_EQ(0, f->edgestable.invslope[e]);
  }
  EXPECT_EQ(10 * 1024, f->edgestable.xval[0]);
  EXPECT_EQ(60 * 1024, f->edgestable.xval[1]);

  // A sloped edge keeps its upper end and step per row.
  f->gtblnoedges = 0;
  std::vector<POINT> s = {Pt(0, 99), Pt(40, 19)};
  EXPECT_EQ(GR_STATUS_SUCCESS, U_POLY_eClipSegment(f, s.data(), 2));
  ASSERT_EQ(1, f->gtblnoedges);
  EXPECT_EQ(0, f->edgestable.ymin[0]);
  EXPECT_EQ(80, f->edgestable.ymax[0]);
  EXPECT_EQ(0, f->edgestable.xval[0]);
  EXPECT_EQ(512, f->edgestable.invslope[0]);
}

TEST_F(GraphicsPolyFill, NothingLeftIsSuccessAndAFullTableIsReported) {
  GL_POLYFILL* f = Fill();
  std::vector<POINT> v = {Pt(-50, 10), Pt(-20, 10), Pt(-20, 30), Pt(-50, 10)};
  EXPECT_EQ(GR_STATUS_SUCCESS, U_POLY_eClipSegment(f, v.data(), 4));
  EXPECT_EQ(0, f->gtblnoedges);

  f->gtblnoedges = 65534;
  std::vector<POINT> t = {Pt(10, 10), Pt(20, 30), Pt(30, 10)};
  EXPECT_EQ(GR_STATUS_EDGE_TABLE_FULL, U_POLY_eClipSegment(f, t.data(), 3));
  EXPECT_EQ(65534, f->gtblnoedges);
}

TEST_F(GraphicsPolyFill, LongOutlinesAreHandedOnWithoutLosingAnEdge) {
  GL_POLYFILL* f = Fill();
  // 301 vertices, every edge sloped and inside: 300 edges.
  std::vector<POINT> v;
  for (int i = 0; i <= 300; ++i) v.push_back(Pt(i % 2 ? 150 : 20, 5 + (i % 3) * 30 + (i % 2)));
  EXPECT_EQ(GR_STATUS_SUCCESS, U_POLY_eClipSegment(f, v.data(), (S32)v.size()));
  EXPECT_EQ(300, f->gtblnoedges);
  // Consecutive edges join: every edge's end is the next one's start.
  for (int e = 0; e < 300; ++e) {
    const int rowA = 99 - v[e].y, rowB = 99 - v[e + 1].y;
    EXPECT_EQ(std::min(rowA, rowB), f->edgestable.ymin[e]) << e;
    EXPECT_EQ(std::max(rowA, rowB), f->edgestable.ymax[e]) << e;
  }
}

}  // namespace
