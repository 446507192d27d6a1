// Sample filters of the sonar chain: the 2-of-2 filter, exponential
// averaging, noise removal, the noise gate, the sharpening of imaging rows,
// and the noise measure of a ping. Samples are U8 amplitudes, larger is
// stronger; every operation is one pass and allocates nothing.
#pragma once

#include "common/types.h"
#include "source/sonar/sonar_types.h"

struct PING_DESCRIPTOR;

// A sample shows at full strength only when the previous ping had at least
// about four fifths of it at the same place: out = in when in < (p × 5) >> 2,
// else p; the previous row then takes the input.
void S_FILTER_v2of2Filter(U32 u32Count, const U8* pu8Input, U8* pu8Previous, U8* pu8Output);

// m = ((F − 1) × m) / F + in / F per sample, the output takes m. The memory
// has a row for each beam 0 to 3 and one of its own for the short-transmit
// beam 255; any other beam is copied unchanged. Nothing happens for a
// missing buffer, a factor of 1 or less or no samples.
void S_FILTER_vGetExponentialAverageData(U32 u32Count, BEAM Beam, const U8* pu8Input, U8* pu8Output, U32 u32Factor);
// Clears the averaging memory of every beam.
void S_FILTER_vInitExponentialAverageData(void);

// out[i] = 0 where noise[i] < level, else filter[i] (in place allowed).
void S_FILTER_vNoiseRemoval(U32 u32Count, const U8* pu8NoiseInput, const U8* pu8FilterInput, U8* pu8Output,
                            U32 u32NoiseLevel);

// The noise gate: a raw sample below the level counts as 0; with the flag
// the output follows the 2-of-2 rule on the gated samples, without it the
// output is the gated sample. The previous row takes the gated sample.
void S_FILTER_vFilterAndNoiseRemoval(U32 u32Count, const U8* pu8Raw, U8* pu8Output, U8* pu8Previous,
                                     BOOLEAN b2of2, U32 u32BackgroundNoiseLevel);

enum FILTER_TYPE : U32 {
  NO_FILTER = 0,
  SHARP_FILTER_1L = 1,
  SHARP_FILTER_1M = 2,
  SHARP_FILTER_1H = 3,
};
constexpr U32 FILTER_ROW_MAX = 800;
// 3 × 3 sharpening of imaging rows: the input goes into row r of the
// caller's three-row buffer (rows u32RowWidth apart) and the output is the
// sharpened previous row; r then moves on (0, 1, 2). Rows longer than 800,
// NO_FILTER or a bad counter copy the input (at most 800 samples).
void S_FILTER_v2D_Latscan_Filter(U32 u32Count, const U8* pu8Input, U8* pu8Output, FILTER_TYPE eType,
                                 U32* pu32RowCounter, U8* pu8ThreeRows, U32 u32RowWidth);

// Mean of a ping's samples after its transmit burst (the first
// min(count − 1, 832 / T) samples), at most 255; the largest of them goes
// through pu8Max when it is given.
U8 S_NOISE_u8Measure(const PING_DESCRIPTOR* pPing, U8* pu8Max);
