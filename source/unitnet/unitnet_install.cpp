#include "source/unitnet/unitnet_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/startup/startup_upcalls.h"
#include "source/unitnet/t_sudp.h"
#include "source/unitnet/t_unitnet.h"

void UNITNET_vInstall(void) {
  T_ETHERNET_bIsAddressReady_Install(&UNITNET_bIsAddressReady);
  T_ETHERNET_vGetIPAddress_Install(&UNITNET_bGetIPAddress);
  T_ETHERNET_vGetMulticastIpAddress_Install(&UNITNET_vGetMulticastIpAddress);
  T_SLP_CLIENT_u32GetTransducerFromServerIP_Install(&UNITNET_u32GetTransducerFromServerIP);
  T_SUDP_IN_vMain_Install(&T_SUDP_IN_vTask);
  T_SUDP_OUT_vMain_Install(&T_SUDP_OUT_vTask);
  T_SLP_CLIENT_vMain_Install(&T_SLP_CLIENT_vStandin);
}
