// Hexadecimal text of byte strings (card identifiers, accessory and serial
// protocols).
#pragma once

#include "common/types.h"

// Writes two upper-case hexadecimal digits per byte, high digit first, into
// pcText (2 * u32Count characters, no terminating NUL).
void U_HEX_v2ASCII(const U8* pu8Bytes, char* pcText, U32 u32Count);

// Reads u32Count bytes from 2 * u32Count characters, high digit first. Digits
// may be upper or lower case; other characters are not refused but give
// meaningless values. A text that ends (NUL) early leaves the remaining bytes
// zero.
void U_HEX_v2Hex(const char* pcText, U8* pu8Bytes, U32 u32Count);
