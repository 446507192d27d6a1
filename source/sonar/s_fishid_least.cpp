// Fish identification until it is built: no fish are found, a merge adds
// nothing, a copy copies.
#include <string.h>

#include "source/sonar/s_fishid.h"

void S_FISHID_vScanForFish(FISH_TARGET_LIST* pFishTargetList, PING_DESCRIPTOR* pPing, WATER_TYPE eWaterType,
                           U32 u32FishSensitivity) {
  (void)pPing;
  (void)eWaterType;
  (void)u32FishSensitivity;
  if (pFishTargetList != nullptr) memset(pFishTargetList, 0, sizeof *pFishTargetList);
}

void S_FISHID_vMergeFishTargetLists(FISH_TARGET_LIST* pExistingList, const FISH_TARGET_LIST* pNewList) {
  (void)pExistingList;
  (void)pNewList;
}

void S_FISHID_vCopyFishTargetList(FISH_TARGET_LIST* pDestination, const FISH_TARGET_LIST* pSource) {
  if (pDestination != nullptr && pSource != nullptr) *pDestination = *pSource;
}
