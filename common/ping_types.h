// The ping descriptor: one ping's samples and what is known about it, as
// the sonar chain fills it and the recording files on the cards store it.
#pragma once

#include "common/types.h"

// The beam of a ping: 0 the low-frequency 2D beam, 1 the 200 kHz 2D beam,
// 2 and 3 the imaging channels, 4 and 5 history windows only, 255 none.
typedef U8 BEAM;

constexpr U32 PING_MAX_SAMPLES = 55000;
constexpr U32 PING_NOISE_BYTES = 50;

// Fish targets: echoes in the water column sized and linked by fish
// identification (s_fishid), or placed in a ping by the simulator.
constexpr U32 FISH_MAX_TARGETS = 6;
struct FISH_CRITERIA {
  U8 u8MinPeakAmplitude;  // sensitivity row's small threshold
  U8 u8MaxPeakAmplitude;  // the table's saturation level
  BOOLEAN bRemovedFish;
  U32 u32MinElongationUs;
  U32 u32MaxElongationUs;
  U32 u32ElongationUs;
};
struct FISH_TARGET {
  U32 u32DepthInSamples;  // sample index of the echo's peak
  U8 u8Size;              // 0 small, 1 medium, 2 large
  U8 u8Peak;
  BEAM beam;  // 1 also marks a target linked to a 200 kHz target
  BOOLEAN bIgnoreThisFish;
  BOOLEAN bIdPlusThisFish;  // its depth is written beside the icon
  FISH_CRITERIA criteria;
  // The target of an earlier column this one continues (itself when it was
  // removed, null when new). Points into the fish history: compare and
  // follow it only within the columns linking visits.
  FISH_TARGET* pPreviousInstance;
};
struct FISH_TARGET_LIST {
  U8 u8NumberOfTargets;
  BOOLEAN bSimulatedFishList;
  FISH_TARGET target[FISH_MAX_TARGETS];
};

struct SONAR_PING_LOCATION {
  BOOLEAN bPositionValid;
  S32 s32LongitudeMM;
  S32 s32LatitudeMM;
};

struct PING_DESCRIPTOR {
  BEAM Beam;
  U8 u8AdcChannel;
  U8 u8TransmitCycles;
  U8 u8TransmitPower;
  U32 u32NumberOfSamples;
  U8* pu8RawSonarData;  // PING_MAX_SAMPLES bytes
  U8* pu8TvgdData;      // PING_MAX_SAMPLES bytes
  BOOLEAN bSimulated;
  U32 u32SamplePeriodMicroSeconds;
  U16 u16MilliSecondsBetweenPings;
  U16 u16MilliSecondsBeforeNextPing;
  FISH_TARGET_LIST SimulatedFishList;
  SONAR_PING_LOCATION Location;
  F32 fDepthMetres;
  F32 fDepthOffsetFeet;
  U8 u8NoiseLevel;
  U8 u8PeakNoiseLevel;
  U8 u8Transducer;
  U32 u32TransmitFrequencyHertz;
  U32 u32TimeStampMilliSeconds;
  U8 u8BandwidthControl;
  U32 u32PingIndex;
  BOOLEAN bReversePing;
  U32 u32PPIPositionInfo;
  BOOLEAN bIsLocal;
};

// The playback mode of a recording (key CPSP).
enum PLAYBACK_MODE_TYPE : U32 {
  PLAYBACK_MODE_BEGIN = 1,
  PLAYBACK_MODE_4XREVERSE = 2,
  PLAYBACK_MODE_2XREVERSE = 3,
  PLAYBACK_MODE_REVERSE = 4,
  PLAYBACK_MODE_REVERSE_SLOW = 5,
  PLAYBACK_MODE_PAUSED = 6,
  PLAYBACK_MODE_FORWARD_SLOW = 7,
  PLAYBACK_MODE_FORWARD = 8,
  PLAYBACK_MODE_2XFORWARD = 9,
  PLAYBACK_MODE_4XFORWARD = 10,
  PLAYBACK_MODE_END = 11,
  PLAYBACK_MODE_END_FILL = 12,
  PLAYBACK_MODE_STOP = 13,
  PLAYBACK_MODE_RECORD = 14,
  PLAYBACK_MODE_PAUSED_BEGIN = 15,
  PLAYBACK_MODE_PAUSED_END = 16,
};
