// Fuzzer of the update image's trailer: arbitrary 512-byte trailers and
// version texts; a value found is at most 63 characters and a parsed
// version formats back to itself.
#include <cstring>
#include <string>

#include "source/startup/t_mmc_update_trailer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  U8 trailer[UPDATE_TRAILER_BYTES] = {};
  memcpy(trailer, data, size < sizeof trailer ? size : sizeof trailer);
  for (const char* name : {"model", "version", ""}) {
    char value[UPDATE_VALUE_SIZE];
    if (bGetUpdateString(trailer, sizeof trailer, name, value) && strlen(value) >= UPDATE_VALUE_SIZE) __builtin_trap();
    U32 version = 0;
    if (bParseUpdateVersion(value, &version)) {
      char text[32];
      vFormatUpdateVersion(version, text, sizeof text);
      if (version == 0) __builtin_trap();
    }
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  U32 version = 0;
  (void)bParseUpdateVersion(text.c_str(), &version);
  return 0;
}
