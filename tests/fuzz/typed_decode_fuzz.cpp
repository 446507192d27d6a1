// Typed decoder: any bytes decoded with the platform's descriptors either
// fail cleanly or give a value that deallocates cleanly and re-encodes.
#include <stddef.h>
#include <stdint.h>

#include "common/g_datatype.h"
#include "lsvc/lsvc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const G_DATA_TYPE* const types[] = {
      &DT_GMSG_STATUS, &DT_GMSG_ADDRESS, &DT_ARRAY_U8, &DT_PTR_TO_STRING, &DT_PTR_TO_WSTRING, &DT_BUFFER,
      &D_GMSG_DATABASE_FETCH, &D_GMSG_DATABASE_UPDATE, &D_GMSG_DATABASE_NEW_DATA, &DT_PTR_TO_BUFFER, &DT_DATASTR};
  if (size < 1) return 0;
  const G_DATA_TYPE* t = types[data[0] % (sizeof types / sizeof types[0])];
  S32 room = (S32)(size - 1), count = 0;
  void* value = nullptr;
  if (t->pfDeserialize(&value, data + 1, &room, &count, t) >= 0 && value != nullptr) {
    U8* out = nullptr;
    S32 oroom = 0, ocount = 0;
    if (t->pfSerialize(value, &out, &oroom, &ocount, t) >= 0) H_MEMORY_vFree(out);
    t->pfDeallocate(value, TRUE, t);
  }
  return 0;
}
