#include "source/sonar/sonar_upcalls.h"

#include "lsvc/lsvc.h"

L_UPCALL_DEFINE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable), (bEnable)) { (void)bEnable; }

L_UPCALL_DEFINE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void), ()) { return 10.0f; }

L_UPCALL_DEFINE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void), ()) { return FALSE; }

L_UPCALL_DEFINE(BOOLEAN, T_N_HISTORY_bReverseScrollForMode, (U32 u32Mode, BOOLEAN bOldReverse),
                (u32Mode, bOldReverse)) {
  (void)u32Mode;
  return bOldReverse;
}

L_UPCALL_DEFINE(void, vMenuSideScanFrequency, (U32 u32Transducer), (u32Transducer)) {
  log_me("vMenuSideScanFrequency: no sonar menus (transducer %u)", (unsigned)u32Transducer);
}
