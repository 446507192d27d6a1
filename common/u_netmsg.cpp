// Notifications of the network connection layer.
#include "common/u_netmsg.h"

void U_NETMSG_vConnectSucceeded(const GMSG_ADDRESS* pAddress) { (void)pAddress; }
BOOLEAN U_NETMSG_bConnectFailed(const GMSG_ADDRESS* pAddress) {
  (void)pAddress;
  return TRUE;
}
BOOLEAN U_NETMSG_bSendDataSucceeded(const GMSG_ADDRESS* pAddress) {
  (void)pAddress;
  return TRUE;
}
BOOLEAN U_NETMSG_bSendDataFailed(const GMSG_ADDRESS* pAddress) {
  (void)pAddress;
  return TRUE;
}
BOOLEAN U_NETMSG_bConnectionLost(const GMSG_ADDRESS* pAddress) {
  (void)pAddress;
  return TRUE;
}
