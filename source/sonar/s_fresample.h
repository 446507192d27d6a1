// Fast resampling of a column of samples into a column of another length:
// stretching repeats inputs, shrinking keeps the largest input of each
// output's share so that no peak is lost.
#pragma once

#include "common/types.h"

// u32Span inputs (of which only the first u32Extent are valid) into u32Out
// outputs; outputs past the valid inputs are 0. A span or output length of
// 0 gives zeros (nothing for 0 outputs).
void S_FRESAMPLE_vFastResample(const U8* pu8In, U32 u32Span, U32 u32Extent, U8* pu8Out, U32 u32Out);
// The largest byte of first..last (inclusive), 0 for an empty range.
U8 S_FRESAMPLE_u8FindMax(const U8* pu8First, const U8* pu8Last);
