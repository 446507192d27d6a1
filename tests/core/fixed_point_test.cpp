// 16.16 fixed-point maths: table values, sine and cosine with angle
// reduction, square roots, vector lengths and normalised cross products.
#include <gtest/gtest.h>
#include <math.h>

#include "source/core/u_fixed_point.h"

namespace {

constexpr FIXED_POINT Deg(double d) { return (FIXED_POINT)(d * 65536.0); }

TEST(FixedPoint, SineTable) {
  struct Case {
    int k;
    FIXED_POINT value;
  };
  for (const Case& c : {Case{0, 0}, Case{16, 1144}, Case{480, 32768}, Case{720, 46341}, Case{1440, 65536}}) {
    EXPECT_EQ(fpnSinLookupTable[c.k], c.value) << c.k;
  }
  for (int k = 1; k < U_FIXED_POINT_SIN_ENTRIES; ++k) ASSERT_GE(fpnSinLookupTable[k], fpnSinLookupTable[k - 1]);
}

TEST(FixedPoint, SineAndCosine) {
  struct Case {
    const char* what;
    FIXED_POINT angle;
    FIXED_POINT sin;
    FIXED_POINT cos;
  };
  const Case cases[] = {
      {"0", 0, 0, 65536},
      {"30", Deg(30), 32768, 56756},
      {"-30", Deg(-30), -32768, 56756},
      {"390", Deg(390), 32768, 56756},
      {"210", Deg(210), -32768, -56756},
      {"90", Deg(90), 65536, 0},
      {"150", Deg(150), 32768, -56756},
      {"180", Deg(180), 0, -65536},
      {"360", Deg(360), 0, 65536},
      {"720", Deg(720), 0, 65536},
      {"-390", Deg(-390), -32768, 56756},
      {"1/32 rounds up", 0x800, fpnSinLookupTable[1], 65536},
      {"1/32 less a bit rounds down", 0x7FF, 0, 65536},
      // 32768 degrees less a bit, reduced: 8 degrees.
      {"largest", (FIXED_POINT)0x7FFFFFFF, fpnSinLookupTable[128], fpnSinLookupTable[1312]},
      // -32768 degrees: sine of -8, cosine of 8 (no overflow on negation).
      {"smallest", (FIXED_POINT)0x80000000, -fpnSinLookupTable[128], fpnSinLookupTable[1312]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(U_FIXED_POINT_fpnSin(c.angle), c.sin);
    EXPECT_EQ(U_FIXED_POINT_fpnCos(c.angle), c.cos);
  }
  // Against the floating-point sine, within the table's 1/16 degree.
  for (double d = -720; d <= 720; d += 7.3) {
    EXPECT_NEAR(U_FIXED_POINT_fpnSin(Deg(d)) / 65536.0, sin(d * M_PI / 180), 0.0012) << d;
    EXPECT_NEAR(U_FIXED_POINT_fpnCos(Deg(d)) / 65536.0, cos(d * M_PI / 180), 0.0012) << d;
  }
}

TEST(FixedPoint, SquareRoot) {
  struct Case {
    FIXED_POINT value;
    FIXED_POINT root;
  };
  const Case cases[] = {
      {0x40000, 0x20000},    // 4.0 -> 2.0
      {0x20000, 0x16A00},    // 2.0 -> 1.4140625
      {0x10000, 0x10000},    // 1.0
      {0x4000, 0x8000},      // 0.25 -> 0.5
      {0, 0},
      {-0x10000, 0},
      {0x7FFFFFFF, 46340 << 8},
  };
  for (const Case& c : cases) EXPECT_EQ(U_FIXED_POINT_fpnSqrt(c.value), c.root) << c.value;
}

TEST(FixedPoint, VectorLength) {
  struct Case {
    POINT_3D v;
    FIXED_POINT length;
  };
  const Case cases[] = {
      {{Deg(3), Deg(4), 0}, Deg(5)},
      {{Deg(-3), 0, Deg(-4)}, Deg(5)},
      {{Deg(1), Deg(2), Deg(2)}, Deg(3)},
      {{0, 0, 0}, 0},
      {{Deg(20000), Deg(20000), Deg(20000)}, 0x7FFFFFFF},  // 34641: beyond 16.16, saturated
  };
  for (const Case& c : cases) EXPECT_EQ(U_FIXED_POINT_fpnVectorLength(&c.v), c.length);
}

TEST(FixedPoint, NormalizedCrossProduct) {
  struct Case {
    POINT_3D left, right, result;
  };
  const FIXED_POINT one = FIXED_POINT_ONE;
  const Case cases[] = {
      {{one, 0, 0}, {0, one, 0}, {0, 0, one}},
      {{0, one, 0}, {one, 0, 0}, {0, 0, -one}},
      {{Deg(2), 0, 0}, {0, 0, Deg(3)}, {0, -one, 0}},
      {{one, one, 0}, {one, one, 0}, {0, 0, 0}},  // parallel: length 0, left as it is
  };
  for (const Case& c : cases) {
    POINT_3D r = {7, 7, 7};
    U_FIXED_POINT_vNormalizedCrossProduct(&r, &c.left, &c.right);
    EXPECT_EQ(r.x, c.result.x);
    EXPECT_EQ(r.y, c.result.y);
    EXPECT_EQ(r.z, c.result.z);
  }
  POINT_3D r;
  const POINT_3D a = {one, 0, one}, b = {0, one, one};
  U_FIXED_POINT_vNormalizedCrossProduct(&r, &a, &b);  // (-1, -1, 1) / sqrt(3)
  EXPECT_NEAR(r.x / 65536.0, -0.57735, 1e-4);
  EXPECT_NEAR(r.y / 65536.0, -0.57735, 1e-4);
  EXPECT_NEAR(r.z / 65536.0, 0.57735, 1e-4);
}

}  // namespace
