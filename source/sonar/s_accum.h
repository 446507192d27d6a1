// Return accumulators and column pacing: between two history columns each
// processed ping of a beam (0 to 3) is folded into that beam's accumulator
// (per sample the strongest return, the latest ping alone for the real-time
// strip, position, depth and fish); the history cuts columns from it, and
// the chart speed decides how many columns each ping is worth.
//
// Threads: the processing task folds and paces; the history's column
// builder (on the processing task) and the sonar views (on the view task)
// cut and read. Each accumulator has its own mutex (RES_ACC_83, RES_ACC_200,
// RES_ACC_455_L, RES_ACC_455_R for beams 0 to 3), taken alone and before the
// fish-list mutex. The pacing counters belong to the processing task.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/u_ping.h"

constexpr U32 ACCUMULATOR_BEAMS = 4;

enum ACCUMULATOR_STATUS : U32 {
  ACCUMULATOR_HAD_NO_DATA = 0,
  ACCUMULATOR_HAD_NEW_DATA = 1,
  ACCUMULATOR_HAD_NO_NEW_DATA = 2,
};

enum HEADING_SOURCE : U32 {
  HEADING_SOURCE_NO_DATA = 0,
  HEADING_SOURCE_GPS = 1,
  HEADING_SOURCE_COMPASS = 2,
};

// One stored ping column of the history: the cut fills it.
struct TSU_STORE_COLUMN {
  U8 u8SampleFactor;      // stored sample k is input sample k × factor; 1 in an empty slot
  U32 u32SamplesInStore;  // at most u32TSUDataLength
  U8* au8Data;            // the slot's own buffer
  SONAR_PING_LOCATION Location;
  F32 fDepthMetres;
  U32 u32SmoothedDepthInSamples;
  BOOLEAN bNoiseTooHighForBlend;
  U32 u32TimeStamp;
  U32 u32TSUDataLength;  // capacity of au8Data
  HEADING_SOURCE HeadingSource;
  F32 fHeadingTrueDegrees;
  U32 u32PingIndex;
};

struct RETURN_ACCUMULATOR {
  U8 pu8Data[2][PING_MAX_SAMPLES];  // u8Use is being filled, the other holds the previous column
  U32 u32NumberOfSamples[2];        // 0: empty
  BOOLEAN bNoiseTooHigh[2];
  SONAR_PING_LOCATION Location;
  F32 fDepthMetres;
  U32 u32DepthInSamples;  // 26 µs units
  U32 u32SmoothedDepthInSamples;
  U8 u8Use;
  U8 pu8RtsData[PING_MAX_SAMPLES];  // the latest ping alone
  U32 u32RtsSamples;
  FISH_TARGET_LIST FishTargetList;
  U32 u32TimeStamp;  // of the first ping since the last column; 0 none yet
  U32 u32PingIndex;
  MUTEX Resource;
};

// What the pacing needs of the processing task's state.
struct ACCUM_PACING {
  BOOLEAN bSonarEnabled;
  U32 u32NetworkElements;  // ENPM
  BOOLEAN bJigging;
  SYSTEM_STATE eSystemState;
  U32 u32PlaybackMode;
  F32 fCurrentDepthMetres;
  U8 u8Transducer;  // the current transducer
};

// ------------------------------------------------------------ for other tasks
// Cuts one column of the beam (see the status values). The TSU column, when
// given, is filled and the display destination is resampled from it; the
// zoom and nadscan destinations from the accumulated samples; the fish list
// is copied when given.
ACCUMULATOR_STATUS T_N_PROCESS_eGetDataForDisplay(BEAM Beam, TSU_STORE_COLUMN* pTsuColumn, U8* pu8Display,
                                                  U32 u32DisplayOffset, U32 u32DisplaySamples, U8* pu8Zoom,
                                                  U32 u32ZoomOffset, U32 u32ZoomSamples, U8* pu8Nadscan,
                                                  U32 u32NadscanOffset, U32 u32NadscanSamples,
                                                  FISH_TARGET_LIST* pFishList, U32 u32DisplaySize, U32 u32ZoomSize,
                                                  U32 u32NadscanSize, BOOLEAN bForceResample,
                                                  BOOLEAN* pbNoiseTooHigh);
// Resamples the real-time strip from the offset into the destination.
void T_N_PROCESS_vGetRtsDataForDisplay(BEAM Beam, U8* pu8Destination, U32 u32InputOffset, U32 u32InputSamples,
                                       U32 u32DestinationSize);
U32 T_N_PROCESS_u32GetSmoothedDepthInSamples(BEAM Beam);
// Empties every accumulator (the write buffer and the strip stay).
void T_N_PROCESS_vClearAllAccumulators(void);
void T_N_PROCESS_vUpdateNoiseTooHighFlags(BEAM Beam, U32 u32NoiseMeasure);
// The beam-sequence rule alone: a beam seen in only one of two consecutive
// cycles of the beam order is given the columns at the end of the second.
void vDuplicatePingSequence(BEAM Beam, U32 u32NumberOfColumns);

// ------------------------------------------------------------ for the processing task
// Empties all accumulators and the pacing counters (task start).
void S_ACCUM_vInit(void);
// Folds a processed ping into its beam's accumulator: pu8Display is the
// display copy; c the speed of sound of the ping. Beams above 3 are not
// folded.
void S_ACCUM_vFold(const PING_DESCRIPTOR* d, const U8* pu8Display, U32 c, const FISH_TARGET_LIST* pFish);
// Whether the beam's pings make history columns (transducer keys, sonar
// enabled or taken from the network).
BOOLEAN bCheckAddColumns(BEAM Beam, const ACCUM_PACING* pPacing);
// Counts a ping of the beam and asks the history for the columns it is
// worth at the chart speed (SSSP).
void vAddNewColumns(BEAM Beam, const ACCUM_PACING* pPacing);
// CMD_ID_BLANK_SCROLL_PING: empties the beam's accumulator and adds the
// blank columns the chart speed asks for.
void S_ACCUM_vBlankScroll(BEAM Beam, const ACCUM_PACING* pPacing);
// A copy of an accumulator's fields under its mutex (tests, state dump).
void S_ACCUM_vSnapshot(BEAM Beam, RETURN_ACCUMULATOR* pCopy);
