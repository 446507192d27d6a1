// 32-bit cyclic redundancy check over 32-bit words: polynomial 0x04C11DB7,
// most significant bit first, no reflection and no final XOR; the start value
// is the caller's.
#pragma once

#include "common/types.h"

// Feeds u32Count words and returns the new CRC. Each word is read as a
// little-endian number and fed from its most significant byte down, so the
// bytes of a buffer are fed, within each word, from the highest address down.
// The pointer need not be 4-byte aligned.
U32 U_CRCST_u32Calc(U32 u32Crc, const U32* pu32Words, U32 u32Count);

// The same without the processor-specific code path (the one every
// processor runs when it lacks the faster one); for tests.
U32 U_CRCST_u32CalcPortable(U32 u32Crc, const U32* pu32Words, U32 u32Count);
