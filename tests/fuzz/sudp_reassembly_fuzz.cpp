// Datagrams on a segmented UDP slot: the input is cut into datagrams whose
// lengths come from its own bytes (mostly 1040, sometimes not). Whatever
// arrives, a delivered message is exactly as long as its first part said,
// fits the buffer the parts sized, and every buffer is freed.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "lsvc/lsvc.h"
#include "source/unitnet/u_sudp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SUDP_REASSEMBLY r;
  memset(&r, 0, sizeof r);
  U_SUDP_vResetReassembly(&r);
  size_t at = 0;
  while (at < size) {
    const U8 pick = data[at++];
    size_t n = (pick & 0x80) ? (size_t)(pick & 0x7F) * 9 : SUDP_DATAGRAM_BYTES;
    if (n > size - at) n = size - at;
    U8 msg_room[SUDP_DATAGRAM_BYTES];
    memcpy(msg_room, data + at, n < sizeof msg_room ? n : sizeof msg_room);
    U8* msg = nullptr;
    U32 len = 0;
    if (U_SUDP_bReassemble(&r, msg_room, (S32)n, &msg, &len)) {
      if (msg == nullptr || len == 0 || len > SUDP_MAX_PARTS * SUDP_PAYLOAD_BYTES) __builtin_trap();
      volatile U8 last = msg[len - 1];  // within the block
      (void)last;
      H_MEMORY_vFree(msg);
    }
    at += n;
  }
  U_SUDP_vResetReassembly(&r);
  return 0;
}
