#include "source/startup/t_mmc_update_trailer.h"

#include <stdio.h>
#include <string.h>

namespace {

struct LINUX_MODEL_NAMES {
  U32 u32ModelNumber;
  const char* pName;
};

// The models that take this program's images.
const LINUX_MODEL_NAMES sLinuxModelNames[] = {
    {344, "tessix344"},
    {345, "tessix345"},
};

bool bSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

BOOLEAN bGetUpdateString(const U8* pu8Trailer, size_t size, const char* pcName, char* pcValue) {
  if (pu8Trailer == nullptr || pcName == nullptr || pcValue == nullptr) return FALSE;
  pcValue[0] = '\0';
  // Only a list ended by the empty string inside the trailer is read.
  bool ended = false;
  for (size_t at = 0; at < size && !ended;) {
    const void* end = memchr(pu8Trailer + at, '\0', size - at);
    if (end == nullptr) break;
    const size_t length = (size_t)((const U8*)end - (pu8Trailer + at));
    ended = length == 0;
    at += length + 1;
  }
  if (!ended) return FALSE;
  const size_t nameLength = strlen(pcName);
  size_t at = 0;
  while (at < size) {
    const U8* s = pu8Trailer + at;
    const void* end = memchr(s, '\0', size - at);
    if (end == nullptr) return FALSE;  // not terminated inside the trailer
    const size_t length = (size_t)((const U8*)end - s);
    if (length == 0) return FALSE;  // the empty string ends the list
    if (length > nameLength && memcmp(s, pcName, nameLength) == 0 && s[nameLength] == '=') {
      const char* value = (const char*)s + nameLength + 1;
      size_t n = 0;
      while (value[n] != '\0' && !bSpace(value[n]) && n < UPDATE_VALUE_SIZE - 1) ++n;
      if (n == 0) return FALSE;
      memcpy(pcValue, value, n);
      pcValue[n] = '\0';
      return TRUE;
    }
    at += length + 1;
  }
  return FALSE;
}

BOOLEAN bParseUpdateVersion(const char* pcText, U32* pu32Version) {
  if (pcText == nullptr || pu32Version == nullptr) return FALSE;
  U32 whole = 0;
  const char* p = pcText;
  int digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
    whole = whole * 10 + (U32)(*p - '0');
    if (whole >= 10000000u) return FALSE;
  }
  if (digits == 0) return FALSE;
  if (*p == '.') {
    ++p;
    U32 fraction = 0;
    int n = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++n) fraction = fraction * 10 + (U32)(*p - '0');
    if (n != 3 || whole >= 10000u) return FALSE;
    whole = whole * 1000 + fraction;
  }
  if (*p != '\0' || whole == 0) return FALSE;
  *pu32Version = whole;
  return TRUE;
}

const char* pcUpdateModelName(U32 u32Model) {
  for (const LINUX_MODEL_NAMES& row : sLinuxModelNames) {
    if (row.u32ModelNumber == u32Model) return row.pName;
  }
  return nullptr;
}

void vFormatUpdateVersion(U32 u32Version, char* pcText, size_t size) {
  snprintf(pcText, size, "%1u.%03u", (unsigned)(u32Version / 1000), (unsigned)(u32Version % 1000));
}
