// The unit network's services to the sonar on this machine (see
// t_unitnet.cpp) and its service-discovery stand-in task.
#pragma once

#include "common/types.h"

// TRUE once the unit has its address (TESSIX_UNIT_ADDRESS on the host).
BOOLEAN UNITNET_bIsAddressReady(void);
// The unit's address as dotted text (17 characters); FALSE before it has one.
BOOLEAN UNITNET_bGetIPAddress(char* pcText);
// A unit's identifier: the low 24 bits of its address (octets b.c.d).
U32 UNITNET_u32UnitId(U32 u32Address);
void UNITNET_vGetMulticastIpAddress(U32 eSource, U32* pu32Address);
// Asks the unit at u32Ip for the transducer of its sonar service; 0 when
// it announces none.
U32 UNITNET_u32GetTransducerFromServerIP(U32 u32Ip, U32 u32Port, U32 u32Source);
// Mailbox 55: announces, chooses, traces notices, checks server monitors.
void T_SLP_CLIENT_vStandin(void);
