// The body of an ended alarm on the network: its descriptor (a version-1
// structure of two 32-bit words, written by the standard serialiser in the
// unit's little-endian order) and what a received body asks for.
#include "source/startup/t_alarm.h"

namespace {
const G_DATA_TYPE* const s_networkAlarmMembers[] = {&DT_UNSIGNED32, &DT_UNSIGNED32, nullptr};
}  // namespace

const G_DATA_TYPE DT_NETWORK_ALARM_MESSAGE =
    G_DATA_TYPE_STANDARD("DT_NETWORK_ALARM_MESSAGE", G_DF_STRUCT, G_DU_NONE, 1, 8, 0, s_networkAlarmMembers);

S32 T_ALARM_nEncodeNetworkAlarm(const NETWORK_ALARM_MESSAGE* pMsg, U8* pOut, S32 nRoom) {
  if (pMsg == nullptr || pOut == nullptr) return 0;
  S32 count = 0;
  S32 room = nRoom;
  if (DT_NETWORK_ALARM_MESSAGE.pfSerialize(pMsg, &pOut, &room, &count, &DT_NETWORK_ALARM_MESSAGE) < 0) return 0;
  return count;
}

BOOLEAN T_ALARM_bDecodeNetworkAlarm(const U8* pIn, S32 nSize, NETWORK_ALARM_MESSAGE* pMsg) {
  if (pIn == nullptr || pMsg == nullptr || nSize != (S32)ALARM_NETWORK_BODY_SIZE) return FALSE;
  if (pIn[0] != 1 || pIn[1] != 0 || pIn[2] != 0 || pIn[3] != 0) return FALSE;  // version 1 only
  void* out = pMsg;
  S32 room = nSize;
  S32 count = 0;
  if (DT_NETWORK_ALARM_MESSAGE.pfDeserialize(&out, pIn, &room, &count, &DT_NETWORK_ALARM_MESSAGE) < 0) return FALSE;
  return count == nSize && out == pMsg ? TRUE : FALSE;
}

S32 T_ALARM_nSlotToEnd(const NETWORK_ALARM_MESSAGE* pMsg) {
  if (pMsg == nullptr || pMsg->activate != 0) return -1;
  if (pMsg->priority >= (U32)NUMBER_OF_SUPPORTED_ALARMS) return -1;  // -1 included
  return (S32)pMsg->priority;
}
