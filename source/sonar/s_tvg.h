// Time-varied gain: subtracts the attenuation of the ping's frequency curve
// (s_tvgcurve.h) from each raw sample, with an extra near-field suppression
// during the first 8,192 µs; and the inverse gain.
#pragma once

#include "common/types.h"
#include "source/sonar/s_tvgcurve.h"
#include "source/sonar/sonar_types.h"

struct PING_DESCRIPTOR;

constexpr U32 TVG_SUPPRESSION_US = 8192;
// Near-field suppression slopes by level 1 to 10: fresh and shallow salt
// water, then deep salt water.
extern const S16 s16SuppressionSlopes[20];

// Gains the descriptor's samples from pu8Raw into pu8Gained (its count and
// sample period, its frequency choosing the curve). u32Scale 0 takes the
// curve as it is, any other scale s takes (s × value) >> 10 of it (308 a
// partial curve, 1 none). The short-transmit beam starts at attenuation 0.
// A level outside 1 to 10 counts as the nearest of them. Returns the curve
// entries left after the last sample.
U32 S_TVG_TvgRawSonar(const PING_DESCRIPTOR* pPing, const U8* pu8Raw, U8* pu8Gained, U32 u32SuppressionLevel,
                      BOOLEAN bSuppression, WATER_TYPE eWater, U32 u32Scale);
// The inverse: a gained g becomes 0 for 0, else min(g + a, 255).
void S_TVG_ReverseTvgSonar(const PING_DESCRIPTOR* pPing, const U8* pu8Gained, U8* pu8Raw);
