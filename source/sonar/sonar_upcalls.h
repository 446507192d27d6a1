// Upward calls of the sonar acquisition: the calls it makes into later
// subsystems (the sonar history, the unit network). Each has a default with
// the least behaviour its callers need (lsvc/l_upcall.h).
#pragma once

#include "common/types.h"
#include "lsvc/l_upcall.h"

// ------------------------------------------------------------ sonar history
// Lets the history ask for (or stop) the short-transmit sequence. Default:
// nothing.
L_UPCALL_DECLARE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable))
// The lower range of the displayed 2D window in metres. Default: 10 m.
L_UPCALL_DECLARE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void))

// ------------------------------------------------------------ unit network
// TRUE once the unit's Ethernet address is set up. Default: FALSE (no
// network side of the sonar).
L_UPCALL_DECLARE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void))
// The stream group of a sonar source on this unit: 239.x.c.d, c.d the last
// two octets of the unit's address, x 0 for 2D, 2 for DI and SI, 4 for 360
// (octets in network order). Default: 0 (no stream).
L_UPCALL_DECLARE(void, T_ETHERNET_vGetMulticastIpAddress, (U32 eSource, U32* pu32MulticastIPAddress))

// ------------------------------------------------------------ service discovery
// The transducer a sonar server announces for a source. Default: 0 (none
// known).
L_UPCALL_DECLARE(U32, T_SLP_CLIENT_u32GetTransducerFromServerIP, (U32 u32Ip, U32 u32Port, U32 u32Source))
