// Types shared by the sonar chain: beams, sonar sources, and the speed of
// sound that turns times into depths.
#pragma once

#include <atomic>

#include "common/types.h"

// The beam of a ping: 0 the low-frequency 2D beam, 1 the 200 kHz 2D beam,
// 2 and 3 the imaging channels, 4 and 5 history windows only, 255 none.
typedef U8 BEAM;
constexpr BEAM BEAM_NONE = 255;

enum NET_SOURCE_TYPE : U32 {
  SONAR_SOURCE_2D = 0,
  SONAR_SOURCE_DI = 1,
  SONAR_SOURCE_SI = 2,
  SONAR_SOURCE_360 = 3,
  TEMP_SOURCE = 4,
  GPS_SOURCE = 5,
  STATUS_SOURCE = 6,
  RADAR_SOURCE = 7,
  INVALID_SOURCE = 8,
};

// Speed of sound in water, metres per second (1500 salt, 1463 fresh). The
// history task sets it from the water-type setting; fresh water until then.
extern std::atomic<U32> g_u32SpeedOfSoundInWater;
constexpr U32 SONAR_SPEED_OF_SOUND_FRESH = 1463;
constexpr U32 SONAR_SAMPLE_PERIOD_US = 26;

// The water type (YSWA, SSWA).
enum WATER_TYPE : U32 {
  WATER_FRESH = 0,
  WATER_SALT_DEEP = 1,
  WATER_SALT_SHALLOW = 2,
};
