// Low-level copy and conversion routines: byte-order swap, the fast memory
// copy, the chroma-key merge of two 16-bit pictures and the digit/letter
// conversion used for NVRAM key numbers; plus the display driver's named
// fill and copy wrappers.
#pragma once

#include <cstddef>

#include "common/types.h"

// The word with its four bytes in reverse order.
U32 DD_UTIL_EndianSwap(U32 value);
// Copies count bytes; the areas must not overlap.
void DD_UTIL_Memcpy(void* destination, const void* source, size_t count);
// '0'-'9' -> 0-9, 'A'-'Z' -> 10-35 (low 7 bits of the character), else 0.
U32 DD_UTIL_XlatCapNumeric(U32 character);
// 0-9 -> '0'-'9', 10-35 -> 'A'-'Z'; larger values give the characters after 'Z'.
char DD_UTIL_FormCapNumeric(U32 value);
// destination = foreground where it differs from the key, else background.
// Works in whole groups of 16 pixels: a count N >= 1 processes 16 * ceil(N / 16)
// pixels, which all three buffers must hold. A count <= 0 does nothing.
void Neon_ChromaBlit16(U16* destination, const U16* background, const U16* foreground, S32 count, U16 key);

void DD_UTIL_MemsetProxy(void* destination, int value, size_t count, const char* file, int line);
void DD_UTIL_MemcpyProxy(void* destination, const void* source, size_t count, const char* file, int line);
void DD_UTIL_FastMemcpyProxy(void* destination, const void* source, size_t count);
