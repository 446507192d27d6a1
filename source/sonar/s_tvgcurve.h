// The time-varied gain curves: for each transmit frequency band, the
// attenuation (amplitude units) that the gain subtracts from a raw sample at
// a two-way time, run-length coded. The processing applies them; the sonar
// stand-in adds the same attenuation to the echoes it makes, so that a
// bottom keeps its strength on the screen at any depth.
//
// Depends on nothing but the basic types, so that the stand-in program can
// build it too.
#pragma once

#include "common/types.h"

struct ATT_DEPTH_PAIR {
  U8 u8Attenuation;
  U32 u32RunLengthMicroSeconds;
};

struct RLE_TVG_DESCRIPTOR {
  U32 u32TableLength;
  const ATT_DEPTH_PAIR* pAttDepthTable;
};

// Entry k applies to the times above the sum of the runs before it, up to
// and including the sum through its own run (entry 0 from time 0).
extern const RLE_TVG_DESCRIPTOR& DefaultTvg50kHzTable;
extern const RLE_TVG_DESCRIPTOR& DefaultTvg83kHzTable;
extern const RLE_TVG_DESCRIPTOR& DefaultTvg200kHzTable;
extern const RLE_TVG_DESCRIPTOR& DefaultTvg455kHzTable;
extern const RLE_TVG_DESCRIPTOR& DefaultTvg800kHzTable;

extern const RLE_TVG_DESCRIPTOR* pTvg50kHzTable;
extern const RLE_TVG_DESCRIPTOR* pTvg83kHzTable;
extern const RLE_TVG_DESCRIPTOR* pTvg200kHzTable;
extern const RLE_TVG_DESCRIPTOR* pTvg455kHzTable;
extern const RLE_TVG_DESCRIPTOR* pTvg800kHzTable;

// The curve of a transmit frequency: 50 kHz up to 59,999 Hz, 83 kHz up to
// 99,999, 200 kHz up to 299,999, 455 kHz up to 499,999, 800 kHz above.
const RLE_TVG_DESCRIPTOR* S_TVG_pCurveForFrequency(U32 u32FrequencyHertz);
// The attenuation of a curve at a two-way time in µs (the last entry's
// beyond its end).
U8 S_TVG_u8AttenuationAt(const RLE_TVG_DESCRIPTOR* pCurve, U32 u32MicroSeconds);
