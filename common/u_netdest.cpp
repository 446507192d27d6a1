// Network destination lists.
#include "common/u_netdest.h"

#include <string.h>

namespace {

GMSG_ADDRESS s_NullAddress(void) {
  GMSG_ADDRESS a;
  GMSG_vMakeSocketAddress(&a, 0, 0);
  return a;
}

BOOLEAN s_bFree(const NetworkDestinationsType* pList, U32 i) {
  const GMSG_ADDRESS null = s_NullAddress();
  return GMSG_bAddressEqual(&pList->slot[i], &null);
}

}  // namespace

NetworkDestinationsType* U_NETWORKDEST_pvNew(void) {
  auto* p = static_cast<NetworkDestinationsType*>(H_MEMORY_pvMallocNoWait(sizeof(NetworkDestinationsType)));
  if (!p) return nullptr;
  memset(p, 0, sizeof *p);
  for (U32 i = 0; i < NETWORKDEST_SLOTS; i++) p->slot[i] = s_NullAddress();
  return p;
}

void U_NETWORKDEST_pvFree(NetworkDestinationsType* pList) { H_MEMORY_vFree(pList); }

BOOLEAN U_NETWORKDEST_bRegisterNetworkDestination(NetworkDestinationsType* pList, const GMSG_ADDRESS* pAddress,
                                                  BOOLEAN bRegister, U32 u32UserData) {
  if (!pList || !pAddress) return FALSE;
  const GMSG_ADDRESS null = s_NullAddress();
  // The null address marks a free slot; it can be neither held nor removed.
  if (GMSG_bAddressEqual(pAddress, &null)) return FALSE;
  if (bRegister) {
    for (U32 i = 0; i < NETWORKDEST_SLOTS; i++)
      if (GMSG_bAddressEqual(&pList->slot[i], pAddress) && pList->userData[i] == u32UserData) return TRUE;
    for (U32 i = 0; i < NETWORKDEST_SLOTS; i++) {
      if (s_bFree(pList, i)) {
        pList->slot[i] = *pAddress;
        pList->userData[i] = u32UserData;
        return TRUE;
      }
    }
    return FALSE;
  }
  for (U32 i = 0; i < NETWORKDEST_SLOTS; i++) {
    if (GMSG_bAddressEqual(&pList->slot[i], pAddress) &&
        (u32UserData == NETWORKDEST_ANY_USER_DATA || pList->userData[i] == u32UserData)) {
      pList->slot[i] = null;
      pList->userData[i] = 0;
      return TRUE;
    }
  }
  return FALSE;
}

const GMSG_ADDRESS* U_NETWORKDEST_gapNext(const NetworkDestinationsType* pList, U32* pu32Index,
                                          U32* pu32UserData) {
  if (!pList || !pu32Index) return nullptr;
  for (U32 i = *pu32Index; i < NETWORKDEST_SLOTS; i++) {
    if (!s_bFree(pList, i)) {
      if (pu32UserData) *pu32UserData = pList->userData[i];
      *pu32Index = i + 1;
      return &pList->slot[i];
    }
  }
  *pu32Index = NETWORKDEST_SLOTS;
  return nullptr;
}

void U_NETWORKDEST_vFindUserData(const NetworkDestinationsType* pList, U32 u32Address, U32* pu32UserData) {
  if (!pList || !pu32UserData) return;
  for (U32 i = 0; i < NETWORKDEST_SLOTS; i++) {
    if (!s_bFree(pList, i) && pList->slot[i].uAddr.Socket.u32Address == u32Address) {
      *pu32UserData = pList->userData[i];
      return;
    }
  }
}
