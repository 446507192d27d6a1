#include "common/u_hex.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

inline U8 Nibble(char c) {
  U8 u = (U8)c;
  if (u > '9') {
    if (u >= 'a' && u <= 'z') u = (U8)(u - 'a' + 'A');
    return (U8)(u - 55);
  }
  return (U8)(u - 48);
}

}  // namespace

void U_HEX_v2ASCII(const U8* pu8Bytes, char* pcText, U32 u32Count) {
  if (pu8Bytes == nullptr || pcText == nullptr) {
    return;
  }
  for (U32 i = 0; i < u32Count; i++) {
    pcText[2 * i] = kDigits[pu8Bytes[i] >> 4];
    pcText[2 * i + 1] = kDigits[pu8Bytes[i] & 15];
  }
}

void U_HEX_v2Hex(const char* pcText, U8* pu8Bytes, U32 u32Count) {
  if (pu8Bytes == nullptr || pcText == nullptr) {
    return;
  }
  U32 i = 0;
  for (; i < u32Count; i++) {
    // A text that ends early is not read past its end.
    if (pcText[2 * i] == '\0' || pcText[2 * i + 1] == '\0') {
      break;
    }
    pu8Bytes[i] = (U8)((Nibble(pcText[2 * i]) << 4) + Nibble(pcText[2 * i + 1]));
  }
  for (; i < u32Count; i++) {
    pu8Bytes[i] = 0;
  }
}
