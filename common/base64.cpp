#include "common/base64.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char s_cBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static_assert(sizeof(s_cBase64Chars) == 65);

constexpr U8 kPad = 64;      // "="
constexpr U8 kInvalid = 65;  // any byte outside the alphabet

constexpr std::array<U8, 256> MakeDecodeTable() {
  std::array<U8, 256> table{};
  for (auto& v : table) v = kInvalid;
  for (U32 i = 0; i < 64; i++) table[(U8)s_cBase64Chars[i]] = (U8)i;
  table[(U8)'='] = kPad;
  return table;
}

constexpr std::array<U8, 256> s_u8Base64Decode = MakeDecodeTable();

}  // namespace

char* BASE64_pcEncode(const U8* pu8Data, U32 u32Count) {
  if (pu8Data == nullptr || u32Count == 0) {
    return nullptr;
  }
  const size_t length = ((size_t)u32Count + 2) / 3 * 4;
  char* text = (char*)malloc(length + 1);
  if (text == nullptr) {
    return nullptr;
  }
  char* out = text;
  U32 i = 0;
  for (; i + 3 <= u32Count; i += 3) {
    U32 v = ((U32)pu8Data[i] << 16) | ((U32)pu8Data[i + 1] << 8) | pu8Data[i + 2];
    *out++ = s_cBase64Chars[(v >> 18) & 63];
    *out++ = s_cBase64Chars[(v >> 12) & 63];
    *out++ = s_cBase64Chars[(v >> 6) & 63];
    *out++ = s_cBase64Chars[v & 63];
  }
  const U32 left = u32Count - i;
  if (left > 0) {
    U32 v = (U32)pu8Data[i] << 16;
    if (left == 2) v |= (U32)pu8Data[i + 1] << 8;
    *out++ = s_cBase64Chars[(v >> 18) & 63];
    *out++ = s_cBase64Chars[(v >> 12) & 63];
    *out++ = left == 2 ? s_cBase64Chars[(v >> 6) & 63] : '=';
    *out++ = '=';
  }
  *out = '\0';
  return text;
}

U8* BASE64_pu8Decode(const char* pcText, U32* pu32Length) {
  if (pu32Length != nullptr) {
    *pu32Length = 0;
  }
  if (pcText == nullptr) {
    return nullptr;
  }
  const size_t length = strlen(pcText);
  if (length == 0 || length > 0xFFFFFFFFu) {
    return nullptr;
  }
  U8* bytes = (U8*)malloc((length + 3) / 4 * 3);
  if (bytes == nullptr) {
    return nullptr;
  }
  const U8* in = (const U8*)pcText;
  size_t produced = 0;
  for (size_t i = 0; i < length; i += 4) {
    const size_t have = length - i < 4 ? length - i : 4;
    // A missing character counts as padding.
    U8 d[4];
    for (size_t k = 0; k < 4; k++) {
      d[k] = k < have ? s_u8Base64Decode[in[i + k]] : kPad;
    }
    const U32 v = ((U32)d[0] << 18) | ((U32)d[1] << 12) | ((U32)(d[2] == kPad ? 0 : d[2]) << 6) |
                  (U32)(d[3] == kPad ? 0 : d[3]);
    if (d[1] == kPad) {
      continue;
    }
    bytes[produced++] = (U8)(v >> 16);
    if (d[2] == kPad) {
      continue;
    }
    bytes[produced++] = (U8)(v >> 8);
    if (d[3] == kPad) {
      continue;
    }
    bytes[produced++] = (U8)v;
  }
  if (pu32Length != nullptr) {
    *pu32Length = (U32)produced;
  }
  return bytes;
}

BOOLEAN BASE64_bIsBase64(const char* pcText) {
  if (pcText == nullptr) {
    return FALSE;
  }
  const size_t length = strlen(pcText);
  if (length % 4 != 0) {
    return FALSE;
  }
  for (size_t i = 0; i < length; i++) {
    const U8 value = s_u8Base64Decode[(U8)pcText[i]];
    if (value == kInvalid) {
      return FALSE;
    }
    if (value == kPad && i + 3 < length) {
      return FALSE;
    }
  }
  return TRUE;
}
