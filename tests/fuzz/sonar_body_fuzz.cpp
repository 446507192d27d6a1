// Class-0x18 bodies from another unit, through the descriptors the message
// layer decodes them with: the first byte picks the message (request,
// control change, ping depth, transducer change, ping, status), the rest is
// the body. A body that decodes encodes back to the bytes it was read from
// (the ping through its own encoder); nothing reads past the body.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "lsvc/lsvc.h"
#include "source/sonar/s_share.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const G_DATA_TYPE* types[] = {&DT_SONAR_REQUEST_DATA, &DT_CONTROL_CHANGE, &DT_SONAR_PING_DEPTH,
                                &DT_SONAR_TRANSDUCER_CHANGE, &DT_PING_DESCRIPTOR, &DT_GMSG_STATUS};
  const G_DATA_TYPE* t = types[data[0] % 6];
  const U8* body = data + 1;
  const S32 length = (S32)size - 1;
  std::vector<U8> copy(body, body + length);  // exactly the body: ASan sees any read past it
  void* value = nullptr;
  S32 room = length, count = 0;
  const S32 used = t->pfDeserialize(&value, copy.data(), &room, &count, t);
  if (used < 0 || value == nullptr) return 0;
  if (used > length) __builtin_trap();
  std::vector<U8> again((size_t)used + 8);
  U8* out = again.data();
  S32 outRoom = (S32)again.size(), outCount = 0;
  if (t->pfSerialize(value, &out, &outRoom, &outCount, t) < 0 || outCount != used) __builtin_trap();
  if (memcmp(again.data(), copy.data(), (size_t)used) != 0) __builtin_trap();
  if (t == &DT_PING_DESCRIPTOR && ((const PING_DESCRIPTOR*)value)->u32NumberOfSamples > PING_MAX_SAMPLES)
    __builtin_trap();
  t->pfDeallocate(value, TRUE, t);
  return 0;
}
