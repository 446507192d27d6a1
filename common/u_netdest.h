// Network destination lists: up to 20 peer addresses with a user value each,
// owned by one task (no lock). A free slot holds the null socket address.
#pragma once

#include "common/g_msg.h"

constexpr U32 NETWORKDEST_SLOTS = 20;
constexpr U32 NETWORKDEST_ANY_USER_DATA = 0xFFFFFFFFu;

struct NetworkDestinationsType {
  GMSG_ADDRESS slot[NETWORKDEST_SLOTS];
  U32 userData[NETWORKDEST_SLOTS];
};

NetworkDestinationsType* U_NETWORKDEST_pvNew(void);
void U_NETWORKDEST_pvFree(NetworkDestinationsType* pList);
// bRegister TRUE: adds the address with the user value (once per pair);
// FALSE: frees the first slot with the address and that user value (any
// user value for NETWORKDEST_ANY_USER_DATA). The null address is refused.
BOOLEAN U_NETWORKDEST_bRegisterNetworkDestination(NetworkDestinationsType* pList, const GMSG_ADDRESS* pAddress,
                                                  BOOLEAN bRegister, U32 u32UserData);
// The first occupied slot from *pu32Index on; *pu32Index moves past it.
const GMSG_ADDRESS* U_NETWORKDEST_gapNext(const NetworkDestinationsType* pList, U32* pu32Index,
                                          U32* pu32UserData);
// The user value of the first slot with that IPv4 address word; *pu32UserData
// unchanged when there is none.
void U_NETWORKDEST_vFindUserData(const NetworkDestinationsType* pList, U32 u32Address, U32* pu32UserData);
