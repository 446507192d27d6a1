#include "source/sonar/sonar_upcalls.h"

#include "lsvc/lsvc.h"

L_UPCALL_DEFINE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable), (bEnable)) { (void)bEnable; }

L_UPCALL_DEFINE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void), ()) { return 10.0f; }

L_UPCALL_DEFINE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void), ()) { return FALSE; }

L_UPCALL_DEFINE(void, T_ETHERNET_vGetMulticastIpAddress, (U32 eSource, U32* pu32MulticastIPAddress),
                (eSource, pu32MulticastIPAddress)) {
  (void)eSource;
  if (pu32MulticastIPAddress != nullptr) *pu32MulticastIPAddress = 0;
}

L_UPCALL_DEFINE(U32, T_SLP_CLIENT_u32GetTransducerFromServerIP, (U32 u32Ip, U32 u32Port, U32 u32Source),
                (u32Ip, u32Port, u32Source)) {
  log_me("no service discovery: transducer of server %08X unknown", u32Ip);
  (void)u32Port;
  (void)u32Source;
  return 0;
}
