// 16.16 fixed-point maths: sine and cosine of angles in degrees, square
// root, vector length and the normalised cross product.
#pragma once

#include "common/types.h"

typedef S32 FIXED_POINT;  // 16 fraction bits: 65536 is 1.0
constexpr FIXED_POINT FIXED_POINT_ONE = 65536;

typedef struct tag_POINT_3D {
  FIXED_POINT x;
  FIXED_POINT y;
  FIXED_POINT z;
} POINT_3D;

// sin(k / 16 degrees) in 16.16, rounded to the nearest, for k = 0..1440.
constexpr int U_FIXED_POINT_SIN_ENTRIES = 1441;
extern const FIXED_POINT* const fpnSinLookupTable;

// Sine of an angle in degrees, from the table at the nearest 1/16 degree.
FIXED_POINT U_FIXED_POINT_fpnSin(FIXED_POINT fpnDegrees);
// Cosine: the sine of the angle plus 90 degrees.
FIXED_POINT U_FIXED_POINT_fpnCos(FIXED_POINT fpnDegrees);
// Square root with 8 exact fraction bits; 0 for a value <= 0.
FIXED_POINT U_FIXED_POINT_fpnSqrt(FIXED_POINT fpnValue);
// sqrt(x^2 + y^2 + z^2), the sum kept in 64 bits (saturates at the largest
// FIXED_POINT).
FIXED_POINT U_FIXED_POINT_fpnVectorLength(const POINT_3D* pVector);
// left x right divided by its length; the cross product itself when its
// length is 0.
void U_FIXED_POINT_vNormalizedCrossProduct(POINT_3D* pResult, const POINT_3D* pLeft, const POINT_3D* pRight);
