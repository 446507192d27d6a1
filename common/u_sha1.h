// SHA-1 message digest (FIPS 180-1).
#pragma once

#include "common/types.h"

typedef struct _tag_SHA1_CTX {
  U32 H[5];            // intermediate hash; the digest after U_SHA1_bFinal, H[0] first
  U32 u32LengthLow;    // message length in bits, low half
  U32 u32LengthHigh;   // message length in bits, high half
  U8 au8Block[64];     // block being filled
  S32 nIndex;          // bytes in au8Block
  BOOLEAN bComputed;   // the final step has been done
  BOOLEAN bCorrupted;  // input after the final step, or more than 2^64 bits
} SHA1_CTX;

// Starts a new digest.
void U_SHA1_vReset(SHA1_CTX* pContext);

// Feeds bytes. Input after U_SHA1_bFinal marks the context corrupted; input
// to a corrupted context is ignored.
void U_SHA1_vInput(SHA1_CTX* pContext, const U8* pu8Data, U32 u32Count);

// Pads, processes the last block(s) and leaves the digest in H. Returns the
// corrupted flag (FALSE on success). A second call only returns the flag.
BOOLEAN U_SHA1_bFinal(SHA1_CTX* pContext);
