// Ended-alarm bodies from the network: any bytes either fail to decode or
// give a body that names no slot or one of the 74 kinds, and a decoded
// 12-byte body encodes back to the same bytes. The descriptor's own decoder
// (as the message layer calls it) gives the same body.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "lsvc/lsvc.h"
#include "source/startup/t_alarm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  NETWORK_ALARM_MESSAGE body{};
  const BOOLEAN ok = T_ALARM_bDecodeNetworkAlarm(data, (S32)size, &body);
  if (ok) {
    const S32 slot = T_ALARM_nSlotToEnd(&body);
    if (slot < -1 || slot >= NUMBER_OF_SUPPORTED_ALARMS) __builtin_trap();
    if (slot >= 0 && (body.activate != 0 || (U32)slot != body.priority)) __builtin_trap();
    U8 out[ALARM_NETWORK_BODY_SIZE];
    if (T_ALARM_nEncodeNetworkAlarm(&body, out, sizeof out) != (S32)ALARM_NETWORK_BODY_SIZE) __builtin_trap();
    if (memcmp(out, data, sizeof out) != 0) __builtin_trap();
  }
  void* value = nullptr;
  S32 room = (S32)size, count = 0;
  if (DT_NETWORK_ALARM_MESSAGE.pfDeserialize(&value, data, &room, &count, &DT_NETWORK_ALARM_MESSAGE) >= 0 &&
      value != nullptr) {
    const auto* decoded = (const NETWORK_ALARM_MESSAGE*)value;
    if (ok && (decoded->activate != body.activate || decoded->priority != body.priority)) __builtin_trap();
    (void)T_ALARM_nSlotToEnd(decoded);
    DT_NETWORK_ALARM_MESSAGE.pfDeallocate(value, TRUE, &DT_NETWORK_ALARM_MESSAGE);
  }
  return 0;
}
