// 16-bit cyclic redundancy check, polynomial 0x1021, most significant bit
// first, no reflection and no final XOR. The register is kept in its
// non-augmented form: bytes enter at the low end, so with a start of 0 the
// first two bytes pass into the register unchanged. The register equals the
// remainder of the message divided by the polynomial only after two zero bytes
// have been fed; callers store and compare the register itself.
#pragma once

#include "common/types.h"

// Feeds u16Count bytes into *pu16Crc; with bInitCrcFlag the register is first
// cleared. A count of 0 feeds nothing.
void U_CRC16_vCrc16(U16* pu16Crc, const U8* pu8Data, U16 u16Count, BOOLEAN bInitCrcFlag);

// The register after feeding one byte.
U16 U_CRC16_u16CrcByte(U8 u8Byte, U16 u16Crc);

// Feeds the value's high byte, then its low byte. With bInitCrcFlag the
// register becomes the value itself (the same as feeding both bytes into 0).
void U_CRC16_vCrcU16HighLow(U16* pu16Crc, U16 u16Value, BOOLEAN bInitCrcFlag);
