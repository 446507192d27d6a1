// Matched filter of a ping's samples to its transmit pulse, offered to the
// sonar chain.
#pragma once

#include "common/types.h"

constexpr U32 MATCHED_FILTER_ROWS = 127;
constexpr U32 MATCHED_FILTER_TAPS = 64;

// Row L of the weights: the filter for a pulse of L units of 1,664 µs, 64
// taps. Row 0 is the identity (127 in the first tap); every other row
// spreads 130 over min(L + 1, 64) taps (one unit of output being 128).
const S8* S_MATCHEDFILTER_ps8Weights(U32 u32Row);

// The row for a transmit frequency (Hz), cycle count and pulse-stretching
// factor: (f × 1664 / 2 + stretch × cycles × 1,000,000) / (f × 1664),
// at most the last row; 0 for f = 0.
U32 S_MATCHEDFILTER_u32PulseRow(U32 u32FrequencyHz, U32 u32Cycles, U32 u32Stretch);

// out[i] = Σ weight[L][k] × in[i + k] over k < min(64, count − i): 255
// from 32,768 up, 0 below −127, else the sum / 128 (towards zero). A row
// below 2 copies the input. The output must not overlap the input.
void S_MATCHEDFILTER_vFilter(const U8* pu8Input, U8* pu8Output, U32 u32Count, U32 u32FrequencyHz, U32 u32Cycles,
                             U32 u32Stretch);
