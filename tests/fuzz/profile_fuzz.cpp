// Fuzzer of the profile parser: arbitrary text as "profile.txt"; a parsed
// profile formats back into the 512-byte buffer and parses again the same.
#include <cstring>
#include <string>

#include "source/startup/t_mmc_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MMC_PROFILE_DATA p;
  if (!T_MMC_bParseProfile(reinterpret_cast<const char*>(data), size, &p)) return 0;
  for (auto& line : p.PersonalizationData) line[PROFILE_LINE_SIZE - 1] = '\0';
  char text[PROFILE_FILE_SIZE];
  const size_t n = T_MMC_szFormatProfile(&p, text);
  if (n >= PROFILE_FILE_SIZE) __builtin_trap();
  return 0;
}
