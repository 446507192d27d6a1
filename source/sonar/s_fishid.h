// Fish identification: echoes in the water column of a ping that look like
// fish, sized small, medium or large against threshold tables; per-column
// lists kept in a ring of 820 (the fish history), each new fish linked to
// the fish of the previous columns so that one arch is one fish; and the
// fish alarm by size.
//
// Every list change, the history and the scan's working list are guarded by
// resource mutex 6 (RES_FISHID). A caller that also holds an accumulator's
// mutex takes that one first.
#pragma once

#include "common/db_types.h"
#include "common/g_types.h"
#include "common/types.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/u_ping.h"

constexpr U32 FISH_HISTORY_COLUMNS = 820;
constexpr U32 FISH_POTENTIAL_TARGETS = 12;
constexpr U32 FISH_SENSITIVITY_MAX = 10;
// Columns back that linking visits.
constexpr U32 FISH_LINK_COLUMNS = 12;

// Which fish sizes sound the fish alarm (YSFA).
enum FISH_SIZE_ALARM : U32 {
  FISH_SIZE_ALARM_OFF = 0,
  FISH_SIZE_ALARM_SML = 1,  // small, medium and large
  FISH_SIZE_ALARM_ML = 2,   // medium and large
  FISH_SIZE_ALARM_L = 3,    // large only
};

struct POTENTIAL_FISH_TARGET_LIST {
  U8 u8NumberOfTargets;
  FISH_TARGET target[FISH_POTENTIAL_TARGETS];
};

// One list per history column; the most recent at the index.
struct FISH_TARGET_HISTORY {
  U16 u16IndexToMostRecentTargets;
  FISH_TARGET_LIST Items[FISH_HISTORY_COLUMNS];
};

struct FISH_SIZE_THRESHOLD {
  U8 u8Small;
  U8 u8Medium;
  U8 u8Large;
};
struct FISH_SIZING_TABLE {
  U8 u8MaxPeak;  // an echo at this level counts as saturated
  FISH_SIZE_THRESHOLD Table[FISH_SENSITIVITY_MAX + 1];
};

// Fills pList with at most 6 fish of the ping, strongest first. The search
// ends at the ping's bottom depth (never past its last sample). A
// sensitivity above 10 counts as 10. A beam other than 0-3 is fatal.
void S_FISHID_vScanForFish(FISH_TARGET_LIST* pList, const PING_DESCRIPTOR* pDescriptor, WATER_TYPE eWaterType,
                           U32 u32Sensitivity);
// Merges a ping's fish into an accumulator's list: a fish near one already
// held raises that one's size and beam, others are appended while there is
// room.
void S_FISHID_vMergeFishTargetLists(FISH_TARGET_LIST* pExisting, const FISH_TARGET_LIST* pNew);
// Copies count, simulated flag and the targets in use.
void S_FISHID_vCopyFishTargetList(FISH_TARGET_LIST* pDestination, const FISH_TARGET_LIST* pSource);
// Clears every target's link to an earlier column, for a copy that goes
// into another beam's history and must be linked there afresh.
void S_FISHID_vClearPreviousInstances(FISH_TARGET_LIST* pList);

void S_FISHID_vInitialiseHistory(FISH_TARGET_HISTORY* pHistory);
// Links the list's targets to the previous columns (in place: the caller's
// list shows the links and the ignored flags too), then stores it in the
// next slot.
void S_FISHID_vAddFishTargetListToHistory(FISH_TARGET_HISTORY* pHistory, FISH_TARGET_LIST* pList);
void S_FISHID_vAddEmptyFishTargetListToHistory(FISH_TARGET_HISTORY* pHistory);
// Repeats the most recent list in the next slot; the fish is drawn once, in
// the newer copy.
void S_FISHID_vDuplicateFishTargetListInHistory(FISH_TARGET_HISTORY* pHistory);
// The direction of every history ring: reverse scroll steps backwards.
void S_FISHID_vSetReverseScroll(BOOLEAN bReverseScroll);
// Signals at most one fish-alarm semaphore for the fish first seen in the
// most recent list.
void S_FISHID_vCheckAlarm(const FISH_TARGET_HISTORY* pHistory, FISH_SIZE_ALARM eAlarmSize);

// The table the scan uses for a beam's ping (null for a beam other than 0-3).
const FISH_SIZING_TABLE* S_FISHID_psSizingTable(BEAM beam, U32 u32TransmitFrequencyHertz, U8 u8Transducer,
                                                WATER_TYPE eWaterType);
// The shortest and longest fish echo in µs for a pulse of u32PulseUs at a
// sample period of u32SamplePeriodUs: whole sample periods, the shortest
// 1.5 pulse lengths rounded up, the longest 10 rounded up.
U32 S_FISHID_u32MinElongationUs(U32 u32PulseUs, U32 u32SamplePeriodUs);
U32 S_FISHID_u32MaxElongationUs(U32 u32PulseUs, U32 u32SamplePeriodUs);
// Depth tolerance in samples when linking n columns back (n from 1) at a
// speed of sound of c m/s.
U32 S_FISHID_u32LinkTolerance(U32 u32ColumnsBack, U32 u32SpeedOfSound);

// ------------------------------------------------------------ drawing
// Ignored targets are never drawn; icons stand on their lower-left corner;
// everything stays inside the given rectangle and the bitmap's own clip.

// The 2D views: columns from the newest x towards the oldest x, one history
// slot each (newest first); the depth axis runs from upper samples at the
// top pixel to lower samples at the bottom pixel. Fish of beams 0 and 1
// carry their depth in the unit given, on a translucent box above the
// icon. Slanted: each older column lies one pixel lower.
void S_FISHID_vDrawStandardFishHistory(BITMAP* pBitmap, const FISH_TARGET_HISTORY* pHistory, S32 s32OldestX,
                                       S32 s32NewestX, S32 s32BottomPixel, S32 s32TopPixel, U32 u32UpperSamples,
                                       U32 u32LowerSamples, UNIT_TYPE eDepthUnits, COLOR numberColour,
                                       BOOLEAN bSlanted);
// The zoom window in bottom lock: columns from the right edge to the left,
// one history slot and one stored column each (newest first, the newest
// stored column at u32NewestSlot of the u32StoreSlots in pStore); the
// window's u32Height rows below row 599 show from u32SamplesAbove above
// each column's smoothed bottom to u32SamplesBelow below it. The label
// below the symbol is the fish's height above the bottom. A caller that
// guards the store with its mutex holds it around the call.
void S_FISHID_vDrawBottomLockFishHistory(BITMAP* pBitmap, const FISH_TARGET_HISTORY* pHistory,
                                         const TSU_STORE_COLUMN* pStore, U32 u32StoreSlots, U32 u32NewestSlot,
                                         S32 s32LeftX, S32 s32RightX, U32 u32Height, U32 u32SamplesAbove,
                                         U32 u32SamplesBelow, UNIT_TYPE eDepthUnits, COLOR numberColour);
// The vertically scrolling side views: rows from the youngest point down,
// one slot each; depth runs across from the shallowest point's x towards
// the deepest point's x. Broadvane: the first target of a slot only, always
// with the medium icon.
void S_FISHID_vDrawVerticalFishHistory(const FISH_TARGET_HISTORY* pHistory, BITMAP* pBitmap, POINT deepestOldest,
                                       POINT shallowestYoungest, U32 u32LowerSamples, UNIT_TYPE eDepthUnits,
                                       BOOLEAN bBroadvane);
// A fish's depth label: "%.1f" below 9.95, "%.0f" from there on.
void S_FISHID_vFormatDepth(char* pText, U32 u32Size, F64 dDepth);
