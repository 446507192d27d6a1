// Notifications of the network connection layer; nothing listens to them
// yet, so they only acknowledge.
#pragma once

#include "common/g_msg.h"

void U_NETMSG_vConnectSucceeded(const GMSG_ADDRESS* pAddress);
BOOLEAN U_NETMSG_bConnectFailed(const GMSG_ADDRESS* pAddress);
BOOLEAN U_NETMSG_bSendDataSucceeded(const GMSG_ADDRESS* pAddress);
BOOLEAN U_NETMSG_bSendDataFailed(const GMSG_ADDRESS* pAddress);
BOOLEAN U_NETMSG_bConnectionLost(const GMSG_ADDRESS* pAddress);
