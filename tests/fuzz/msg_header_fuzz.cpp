// Header parser and receiver: any byte stream, cut at any points, is either
// assembled into messages or refused, never read past nor over-allocated.
#include <stddef.h>
#include <stdint.h>

#include <algorithm>

#include "common/g_msg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const S32 step = 1 + data[0] % 97;
  GMSG_RECEIVER rx{};
  size_t at = 1;
  U64 now = 0;
  while (at < size) {
    const S32 n = (S32)std::min<size_t>((size_t)step, size - at);
    S32 used = 0;
    GMSG_INFO info;
    const GMSG_RX_RESULT r = GMSG_eReceiverFeed(&rx, data + at, n, &used, &info, now);
    now += 1000000;
    if (r == GMSG_RX_FAILED) break;
    if (r == GMSG_RX_COMPLETE) GMSG_bFree(&info);
    if (used <= 0) break;
    at += (size_t)used;
  }
  GMSG_vReceiverReset(&rx);
  return 0;
}
