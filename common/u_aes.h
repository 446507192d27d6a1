// AES block cipher (FIPS-197) with 128-, 192- and 256-bit keys: key
// expansion into round keys and one 16-byte block at a time. No mode of
// operation; callers build their chaining on it.
//
// Round keys are 32-bit words, 4 x (rounds + 1) of them (44, 52 or 60); the
// bytes of each column are combined most significant byte first, as the
// standard orders them, so schedules do not depend on the machine's byte
// order. An array of U_AES_MAX_ROUND_KEY_WORDS words serves every key size.
#pragma once

#include "common/types.h"

constexpr int U_AES_MAX_ROUND_KEY_WORDS = 60;
constexpr int U_AES_BLOCK_BYTES = 16;

// Encryption schedule. Returns the number of rounds (10, 12 or 14), or 0 when
// u32KeyBits is not 128, 192 or 256 (the round keys are then left zeroed).
int U_AES_nSetupEncrypt(U32* pu32RoundKeys, const U8* pu8Key, U32 u32KeyBits);

// Decryption schedule of the equivalent inverse cipher: the encryption
// schedule with its round keys in reverse order and InvMixColumns applied to
// every round key but the first and the last. Returns the rounds, or 0.
int U_AES_nSetupDecrypt(U32* pu32RoundKeys, const U8* pu8Key, U32 u32KeyBits);

// One block. Input and output may be the same buffer.
void U_AES_vEncrypt(const U32* pu32RoundKeys, int nRounds, const U8 au8In[16], U8 au8Out[16]);
void U_AES_vDecrypt(const U32* pu32RoundKeys, int nRounds, const U8 au8In[16], U8 au8Out[16]);
