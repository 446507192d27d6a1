#include "common/u_crc16.h"

#include <array>

namespace {

constexpr U16 kPolynomial = 0x1021;

// Entry i: the byte i shifted in at the top of the register and divided by
// the polynomial.
constexpr std::array<U16, 256> MakeTable() {
  std::array<U16, 256> table{};
  for (U32 i = 0; i < 256; i++) {
    U16 crc = (U16)(i << 8);
    for (int bit = 0; bit < 8; bit++) {
      crc = (crc & 0x8000) ? (U16)((crc << 1) ^ kPolynomial) : (U16)(crc << 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<U16, 256> s_CRCTab = MakeTable();
static_assert(s_CRCTab[1] == 0x1021);

inline U16 Step(U16 crc, U8 byte) { return (U16)(((U32)crc << 8 | byte) ^ s_CRCTab[crc >> 8]); }

}  // namespace

U16 U_CRC16_u16CrcByte(U8 u8Byte, U16 u16Crc) { return Step(u16Crc, u8Byte); }

void U_CRC16_vCrc16(U16* pu16Crc, const U8* pu8Data, U16 u16Count, BOOLEAN bInitCrcFlag) {
  if (pu16Crc == nullptr) {
    return;
  }
  U16 crc = bInitCrcFlag ? 0 : *pu16Crc;
  if (pu8Data != nullptr) {
    U32 left = u16Count;
    while (left >= 4) {
      crc = Step(crc, pu8Data[0]);
      crc = Step(crc, pu8Data[1]);
      crc = Step(crc, pu8Data[2]);
      crc = Step(crc, pu8Data[3]);
      pu8Data += 4;
      left -= 4;
    }
    while (left-- > 0) {
      crc = Step(crc, *pu8Data++);
    }
  }
  *pu16Crc = crc;
}

void U_CRC16_vCrcU16HighLow(U16* pu16Crc, U16 u16Value, BOOLEAN bInitCrcFlag) {
  if (pu16Crc == nullptr) {
    return;
  }
  if (bInitCrcFlag) {
    *pu16Crc = u16Value;
    return;
  }
  U16 crc = Step(*pu16Crc, (U8)(u16Value >> 8));
  *pu16Crc = Step(crc, (U8)u16Value);
}
