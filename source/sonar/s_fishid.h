// Fish identification: the calls the ping processing makes.
#pragma once

#include "common/types.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/u_ping.h"

// Fills the list with at most 6 fish of the ping.
void S_FISHID_vScanForFish(FISH_TARGET_LIST* pFishTargetList, PING_DESCRIPTOR* pPing, WATER_TYPE eWaterType,
                           U32 u32FishSensitivity);
// Merges a ping's fish into an accumulator's list.
void S_FISHID_vMergeFishTargetLists(FISH_TARGET_LIST* pExistingList, const FISH_TARGET_LIST* pNewList);
// Copies count, simulated flag and the targets in use.
void S_FISHID_vCopyFishTargetList(FISH_TARGET_LIST* pDestination, const FISH_TARGET_LIST* pSource);
