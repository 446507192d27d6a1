// Running median filters over U8 samples, offered to the sonar chain.
#pragma once

#include "common/types.h"

// A sorted window of seven samples, each with the index it came from.
struct MEDIAN7_WINDOW {
  U8 au8Value[7];
  U32 au32Index[7];
};

// The median of five values.
U32 u32FastMedian5(U32 a, U32 b, U32 c, U32 d, U32 e);
// Slides the window: the entry from u32IndexOut leaves, u8ValueIn from
// u32IndexIn enters in its sorted place. A window without u32IndexOut is
// left as it is.
void U_MEDIAN_vReplace7(MEDIAN7_WINDOW* pWindow, U32 u32IndexOut, U32 u32IndexIn, U8 u8ValueIn);

// Output i is the median of the samples i − L/2 to i + L/2: the smallest
// value at which the count of window samples at or below it reaches
// (L + 1) / 2. A window index below 0 reads sample i, one past the end the
// last sample. Length 3 copies the first and last samples instead; lengths
// 5 and 7 take fast paths with the same result; lengths 0 and 1 copy. The
// output must not overlap the input.
void U_MEDIAN_vFilter(const U8* pu8Input, U8* pu8Output, U32 u32Count, U32 u32Length);
