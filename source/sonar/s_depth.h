// Bottom detection in one gained ping: runs of samples whose local average
// stands above a threshold become candidates (the ten strongest kept); the
// one that continues the bottom tracked on earlier pings of the beam (or, in
// shallow water, the first return whose echo shows again at twice its
// depth) is chosen, and the result is smoothed over the last half second.
// Also the candidate list and slope lookup of fish identification and the
// standard depth ranges of the sonar windows.
//
// Times are two-way travel times in µs; with c the speed of sound one foot
// of depth is 609,600 / c µs. Only the processing task searches (the
// trackers and histories have no lock); the depth ranges keep no state.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "source/sonar/sonar_types.h"

struct PING_DESCRIPTOR;

struct TARGETCANDIDATE {
  U32 u32StartIndex;
  U32 u32StopIndex;
  U32 u32PeakIndex;  // the first of equal largest gained values
  U8 u8TVGPeak;
  U8 u8RawPeak;  // the raw sample at the peak
  U32 u32ElongationMicroSeconds;
  U64 u64Energy;  // above the threshold
  U64 u64EnergyTotal;
};
constexpr U32 DEPTH_CANDIDATES = 10;

struct BOTTOMTRACKER {
  U8 u8LockedCounter;  // consecutive pings locked, up to 255
  U8 u8TallestLockedCounter;
  U32 u32DepthWindowSizeDividedBy2;
  U32 u32PrevTallestDepthMicroseconds;
  U32 u32LastLockedDepthMicroseconds;  // the tracked bottom
  U32 u32LastLockTimeMs;
  U64 u64LockedEnergy;
  U64 u64TallestEnergy;
};

struct SLOPETESTVALUE {
  U8 u8MinimumSlope;
  U32 u32ValidUntilSample;  // in samples of 26 µs
};

// Entry k = round((2^32 − 1) × 10^(−9 × (255 − k) / 255)): 90 dB over the
// 8-bit scale.
extern const U32* const g_pu32AntiLogTable;

extern const U16 u16StandardDepthRangesFeet[29];
extern const U16 u16StandardDepthRangesMetres[24];
extern const U16 u16StandardDepthRangesFathoms[25];

// The bottom of the ping as a two-way time in µs, 0 for none. Reads the
// speed of sound and the lower range (YSLD); the search always runs to five
// samples before the end of the ping (the stop is not consulted). Updates
// the beam's tracker and depth history.
U32 S_DEPTH_u32FindDepth(PING_DESCRIPTOR* pPing, U32 u32SearchStartUs, U32 u32SearchStopUs);
// The same with the speed of sound and the lower range (metres) given: the
// processing task reads both once per ping.
U32 S_DEPTH_u32FindDepthWith(const PING_DESCRIPTOR* pPing, U32 u32SearchStartUs, U32 c, F32 fLowerRangeMetres);

// The threshold curve of a ping (one entry per sample).
void S_DEPTH_vMedianThreshold(const PING_DESCRIPTOR* pPing, U8* pu8Curve, const U8* pu8Gained);
// The candidate scan alone: fills the list (strongest first), returns the
// count. pu8Curve null uses a constant threshold.
U32 S_DEPTH_u32ScanCandidates(const PING_DESCRIPTOR* pPing, U32 u32SearchStartUs, const U8* pu8Curve,
                              U8 u8Constant, U32 c, F32 fLowerRangeMetres, TARGETCANDIDATE* pList);

// Index of the chosen candidate, or 255. c 0 reads the speed of sound.
U8 S_DEPTHALGORITHMS_u8WindowTest(TARGETCANDIDATE* pList, U32 u32Count, U32 T, BOTTOMTRACKER* pTracker,
                                  BOOLEAN bUsePeak, U32 u32TimeStampMs, U32 c = 0);
// Index of the shallowest candidate whose echo shows at twice its depth, or
// 255.
U8 S_DEPTHALGORITHMS_u8SecondReturnTest(TARGETCANDIDATE* pList, U32 u32Count, U32 T, BOTTOMTRACKER* pTracker,
                                        BOOLEAN bModifiedTest, BOOLEAN bUsePeak);
// Inserts before the first entry of energy not larger than its own.
void S_DEPTH_vAddCandidateToList(TARGETCANDIDATE* pList, U32* pu32Count, const TARGETCANDIDATE* pNew,
                                 U32 u32ListSize);
// The minimum slope that applies at a sample and the next change index.
U8 S_DEPTH_u8GetMinimumSlopeValue(U32* pu32NextChange, U32 u32SamplesSinceTransmit, const SLOPETESTVALUE* pTable,
                                  U32 T);
// The standard range that leaves the depth within 85 % of it (11 for an
// unknown unit).
U16 S_DEPTH_u16SelectDepthRange(F32 fDepth, UNIT_TYPE eUnits);

// The tracker of a beam (0 to 3; any other beam shares a spare one).
BOTTOMTRACKER* S_DEPTH_pTracker(BEAM Beam);
// Trackers and histories back to zero (tests).
void S_DEPTH_vReset(void);
