// The unit-link gateway's mail (mailbox 42): data passed to the other
// control head.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"

// Unit-link gateway data (mailbox 42).
enum GATEWAY_DATA_IDS : S32 {
  GW_DP_Cancel_Depth_Alarm = 31,
  GW_DP_Cancel_Remote_Depth_Alarm = 32,
};

TESSIX_PACK4_BEGIN
struct GATEWAY_DATA_MESSAGE {
  GENERIC_MESSAGE msg;  // CMD_ID_GATEWAY_DATA
  GATEWAY_DATA_IDS datatype;
  S32 datasrc;  // GPS_SOURCE_ID; ID_INVALID (0) here
  U16 completioncode;
  U8* gwdata;  // one byte 1; owned and freed by the gateway task
};
TESSIX_PACK_END
