#include "source/sonar/sonar_upcalls.h"

#include "lsvc/lsvc.h"

L_UPCALL_DEFINE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable), (bEnable)) { (void)bEnable; }

L_UPCALL_DEFINE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void), ()) { return 10.0f; }

L_UPCALL_DEFINE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void), ()) { return FALSE; }
