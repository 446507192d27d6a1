#include "common/u_crcst.h"

#include <array>

namespace {

constexpr U32 kPolynomial = 0x04C11DB7;

constexpr std::array<U32, 256> MakeTable() {
  std::array<U32, 256> table{};
  for (U32 i = 0; i < 256; i++) {
    U32 crc = i << 24;
    for (int bit = 0; bit < 8; bit++) {
      crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<U32, 256> s_au32CrcTable = MakeTable();
static_assert(s_au32CrcTable[1] == 0x04C11DB7);

inline U32 Step(U32 crc, U8 byte) { return (crc << 8) ^ s_au32CrcTable[(crc >> 24) ^ byte]; }

// One word, its bytes taken from the highest address down (the word's most
// significant byte first on the little-endian layout the data is kept in).
inline U32 Word(U32 crc, const U8* p) {
  crc = Step(crc, p[3]);
  crc = Step(crc, p[2]);
  crc = Step(crc, p[1]);
  return Step(crc, p[0]);
}

}  // namespace

U32 U_CRCST_u32Calc(U32 u32Crc, const U32* pu32Words, U32 u32Count) {
  if (pu32Words == nullptr) {
    return u32Crc;
  }
  const U8* p = reinterpret_cast<const U8*>(pu32Words);
  if (u32Count & 1) {
    u32Crc = Word(u32Crc, p);
    p += 4;
  }
  for (U32 pairs = u32Count >> 1; pairs > 0; pairs--) {
    u32Crc = Word(u32Crc, p);
    u32Crc = Word(u32Crc, p + 4);
    p += 8;
  }
  return u32Crc;
}
