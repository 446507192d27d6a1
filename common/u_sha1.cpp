#include "common/u_sha1.h"

// The block function of libcrypto's SHA-1 is part of its low-level
// interface, which is declared for programs written against the 1.1 API.
#define OPENSSL_API_COMPAT 10101
#include <openssl/sha.h>

#include <cstring>

namespace {

// The 80-step compression of whole 64-byte blocks into the hash H, done by
// libcrypto (which picks the processor's SHA instructions where there are
// any). Its block function is reached through a context that starts from H
// with nothing buffered, so every byte given is compressed at once.
void ProcessBlocks(U32 H[5], const U8* pu8Blocks, size_t blocks) {
  SHA_CTX sha;
  memset(&sha, 0, sizeof(sha));
  sha.h0 = H[0];
  sha.h1 = H[1];
  sha.h2 = H[2];
  sha.h3 = H[3];
  sha.h4 = H[4];
  SHA1_Update(&sha, pu8Blocks, blocks * 64);
  H[0] = sha.h0;
  H[1] = sha.h1;
  H[2] = sha.h2;
  H[3] = sha.h3;
  H[4] = sha.h4;
}

void U_SHA1_vProcessBlock(U32 H[5], const U8* pu8Block) { ProcessBlocks(H, pu8Block, 1); }

// Adds bytes to the 64-bit bit count; FALSE when it would pass 2^64 bits.
bool AddLength(SHA1_CTX* ctx, U32 bytes) {
  U64 bits = (U64)bytes << 3;
  U64 low = (U64)ctx->u32LengthLow + (bits & 0xFFFFFFFFu);
  U64 high = (U64)ctx->u32LengthHigh + (bits >> 32) + (low >> 32);
  if (high > 0xFFFFFFFFu) {
    return false;
  }
  ctx->u32LengthLow = (U32)low;
  ctx->u32LengthHigh = (U32)high;
  return true;
}

}  // namespace

void U_SHA1_vReset(SHA1_CTX* pContext) {
  if (pContext == nullptr) {
    return;
  }
  pContext->H[0] = 0x67452301;
  pContext->H[1] = 0xEFCDAB89;
  pContext->H[2] = 0x98BADCFE;
  pContext->H[3] = 0x10325476;
  pContext->H[4] = 0xC3D2E1F0;
  pContext->u32LengthLow = 0;
  pContext->u32LengthHigh = 0;
  memset(pContext->au8Block, 0, sizeof(pContext->au8Block));
  pContext->nIndex = 0;
  pContext->bComputed = FALSE;
  pContext->bCorrupted = FALSE;
}

void U_SHA1_vInput(SHA1_CTX* pContext, const U8* pu8Data, U32 u32Count) {
  if (pContext == nullptr || u32Count == 0 || pContext->bCorrupted) {
    return;
  }
  if (pContext->bComputed) {
    pContext->bCorrupted = TRUE;
    return;
  }
  if (pu8Data == nullptr) {
    return;
  }
  if (!AddLength(pContext, u32Count)) {
    pContext->bCorrupted = TRUE;
    return;
  }
  // Top up a partly filled block first.
  if (pContext->nIndex > 0) {
    U32 room = 64 - (U32)pContext->nIndex;
    U32 take = u32Count < room ? u32Count : room;
    memcpy(pContext->au8Block + pContext->nIndex, pu8Data, take);
    pContext->nIndex += (S32)take;
    pu8Data += take;
    u32Count -= take;
    if (pContext->nIndex < 64) {
      return;
    }
    U_SHA1_vProcessBlock(pContext->H, pContext->au8Block);
    pContext->nIndex = 0;
  }
  // Whole blocks straight from the caller's bytes.
  if (u32Count >= 64) {
    const U32 whole = u32Count / 64;
    ProcessBlocks(pContext->H, pu8Data, whole);
    pu8Data += (size_t)whole * 64;
    u32Count -= whole * 64;
  }
  memcpy(pContext->au8Block, pu8Data, u32Count);
  pContext->nIndex = (S32)u32Count;
}

BOOLEAN U_SHA1_bFinal(SHA1_CTX* pContext) {
  if (pContext == nullptr) {
    return TRUE;
  }
  if (pContext->bCorrupted || pContext->bComputed) {
    return pContext->bCorrupted;
  }
  U8* block = pContext->au8Block;
  S32 index = pContext->nIndex;
  block[index++] = 0x80;
  if (index > 56) {
    memset(block + index, 0, (size_t)(64 - index));
    U_SHA1_vProcessBlock(pContext->H, block);
    index = 0;
  }
  memset(block + index, 0, (size_t)(56 - index));
  const U32 high = pContext->u32LengthHigh;
  const U32 low = pContext->u32LengthLow;
  for (int i = 0; i < 4; i++) {
    block[56 + i] = (U8)(high >> (24 - 8 * i));
    block[60 + i] = (U8)(low >> (24 - 8 * i));
  }
  U_SHA1_vProcessBlock(pContext->H, block);
  // The block held message bytes; do not leave them in the context.
  memset(block, 0, sizeof(pContext->au8Block));
  pContext->nIndex = 0;
  pContext->bComputed = TRUE;
  return FALSE;
}
