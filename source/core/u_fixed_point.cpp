// 16.16 fixed-point maths (u_fixed_point.h). Angles are reduced in 64 bits,
// so the extreme values of a FIXED_POINT reduce like any other.
#include "source/core/u_fixed_point.h"

#include <math.h>

namespace {

struct SinTable {
  FIXED_POINT entry[U_FIXED_POINT_SIN_ENTRIES];
  SinTable() {
    for (int k = 0; k < U_FIXED_POINT_SIN_ENTRIES; ++k) {
      entry[k] = (FIXED_POINT)lround(sin((double)k / 16.0 * M_PI / 180.0) * 65536.0);
    }
  }
};

const SinTable& Table() {
  static const SinTable table;
  return table;
}

constexpr S64 DEG_90 = 90ll << 16;
constexpr S64 DEG_180 = 180ll << 16;
constexpr S64 DEG_360 = 360ll << 16;

FIXED_POINT fpnSinOf(S64 angle) {
  bool negate = false;
  if (angle < 0) {
    angle = -angle;
    negate = true;
  }
  if (angle > DEG_360) angle %= DEG_360;
  if (angle >= DEG_180) {
    angle -= DEG_180;
    negate = !negate;
  }
  if (angle > DEG_90) angle = DEG_180 - angle;
  const FIXED_POINT value = Table().entry[(angle + 0x800) >> 12];
  return negate ? -value : value;
}

// Integer square root, rounded down, found bit by bit.
U64 u64Isqrt(unsigned __int128 value) {
  U64 root = 0;
  for (int bit = 63; bit >= 0; --bit) {
    const U64 trial = root | (1ull << bit);
    if ((unsigned __int128)trial * trial <= value) root = trial;
  }
  return root;
}

FIXED_POINT fpnSaturate(U64 value) { return value > 0x7FFFFFFFull ? (FIXED_POINT)0x7FFFFFFF : (FIXED_POINT)value; }

U64 u64Length(S64 x, S64 y, S64 z) {
  const unsigned __int128 sum = (unsigned __int128)((__int128)x * x) + (unsigned __int128)((__int128)y * y) +
                                (unsigned __int128)((__int128)z * z);
  return u64Isqrt(sum);
}

}  // namespace

const FIXED_POINT* const fpnSinLookupTable = Table().entry;

FIXED_POINT U_FIXED_POINT_fpnSin(FIXED_POINT fpnDegrees) { return fpnSinOf(fpnDegrees); }

FIXED_POINT U_FIXED_POINT_fpnCos(FIXED_POINT fpnDegrees) { return fpnSinOf((S64)fpnDegrees + DEG_90); }

FIXED_POINT U_FIXED_POINT_fpnSqrt(FIXED_POINT fpnValue) {
  if (fpnValue <= 0) return 0;
  return (FIXED_POINT)(u64Isqrt((U32)fpnValue) << 8);
}

FIXED_POINT U_FIXED_POINT_fpnVectorLength(const POINT_3D* pVector) {
  if (pVector == nullptr) return 0;
  return fpnSaturate(u64Length(pVector->x, pVector->y, pVector->z));
}

void U_FIXED_POINT_vNormalizedCrossProduct(POINT_3D* pResult, const POINT_3D* pLeft, const POINT_3D* pRight) {
  if (pResult == nullptr || pLeft == nullptr || pRight == nullptr) return;
  // Each product in 64 bits, back to 16.16, then the difference.
  auto product = [](FIXED_POINT a, FIXED_POINT b) { return ((S64)a * b) >> 16; };
  const S64 x = product(pLeft->y, pRight->z) - product(pLeft->z, pRight->y);
  const S64 y = product(pLeft->z, pRight->x) - product(pLeft->x, pRight->z);
  const S64 z = product(pLeft->x, pRight->y) - product(pLeft->y, pRight->x);
  const U64 length = u64Length(x, y, z);
  if (length == 0) {
    pResult->x = (FIXED_POINT)x;
    pResult->y = (FIXED_POINT)y;
    pResult->z = (FIXED_POINT)z;
    return;
  }
  pResult->x = (FIXED_POINT)(((__int128)x << 16) / (__int128)length);
  pResult->y = (FIXED_POINT)(((__int128)y << 16) / (__int128)length);
  pResult->z = (FIXED_POINT)(((__int128)z << 16) / (__int128)length);
}
