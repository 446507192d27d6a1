// Fuzzer of the internal map storage's script parser: arbitrary
// "flashnand.inf" text; a parsed script has a method and both texts.
#include "source/startup/u_flashnand.h"

#include "lsvc/lsvc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FLASHNAND_INF_DATA inf = {};
  if (U_FLASHNAND_bParseFlashnandText(reinterpret_cast<const char*>(data), size, &inf)) {
    if (inf.pFileName == nullptr || inf.pSignature == nullptr || inf.eMethod == FLASHNAND_METHOD_UNDEFINED) {
      __builtin_trap();
    }
    H_MEMORY_vFree(inf.pFileName);
    H_MEMORY_vFree(inf.pSignature);
  }
  return 0;
}
