#include "common/u_sha1.h"

#include <cstring>

namespace {

inline U32 Rol(U32 x, int n) { return (x << n) | (x >> (32 - n)); }

inline U32 LoadBE(const U8* p) {
  return ((U32)p[0] << 24) | ((U32)p[1] << 16) | ((U32)p[2] << 8) | (U32)p[3];
}

// The 80-step compression of one 64-byte block into the hash H. The steps
// are unrolled with the five working variables renamed instead of moved, and
// the message schedule kept in a ring of 16 words.
#define SHA1_W(t) (W[(t) & 15] = Rol(W[((t) + 13) & 15] ^ W[((t) + 8) & 15] ^ W[((t) + 2) & 15] ^ W[(t) & 15], 1))
#define SHA1_STEP(a, b, c, d, e, f, k, w) \
  do {                                    \
    e += Rol(a, 5) + (f) + (k) + (w);     \
    b = Rol(b, 30);                       \
  } while (0)
#define SHA1_F1(b, c, d) (d ^ (b & (c ^ d)))
#define SHA1_F2(b, c, d) (b ^ c ^ d)
#define SHA1_F3(b, c, d) ((b & c) | (d & (b | c)))
#define SHA1_FIVE(F, K, W0, W1, W2, W3, W4)  \
  SHA1_STEP(a, b, c, d, e, F(b, c, d), K, W0); \
  SHA1_STEP(e, a, b, c, d, F(a, b, c), K, W1); \
  SHA1_STEP(d, e, a, b, c, F(e, a, b), K, W2); \
  SHA1_STEP(c, d, e, a, b, F(d, e, a), K, W3); \
  SHA1_STEP(b, c, d, e, a, F(c, d, e), K, W4)

void U_SHA1_vProcessBlock(U32 H[5], const U8* pu8Block) {
  U32 W[16];
  for (int t = 0; t < 16; t++) {
    W[t] = LoadBE(pu8Block + 4 * t);
  }
  U32 a = H[0], b = H[1], c = H[2], d = H[3], e = H[4];
  constexpr U32 K1 = 0x5A827999, K2 = 0x6ED9EBA1, K3 = 0x8F1BBCDC, K4 = 0xCA62C1D6;

  SHA1_FIVE(SHA1_F1, K1, W[0], W[1], W[2], W[3], W[4]);
  SHA1_FIVE(SHA1_F1, K1, W[5], W[6], W[7], W[8], W[9]);
  SHA1_FIVE(SHA1_F1, K1, W[10], W[11], W[12], W[13], W[14]);
  SHA1_FIVE(SHA1_F1, K1, W[15], SHA1_W(16), SHA1_W(17), SHA1_W(18), SHA1_W(19));

  SHA1_FIVE(SHA1_F2, K2, SHA1_W(20), SHA1_W(21), SHA1_W(22), SHA1_W(23), SHA1_W(24));
  SHA1_FIVE(SHA1_F2, K2, SHA1_W(25), SHA1_W(26), SHA1_W(27), SHA1_W(28), SHA1_W(29));
  SHA1_FIVE(SHA1_F2, K2, SHA1_W(30), SHA1_W(31), SHA1_W(32), SHA1_W(33), SHA1_W(34));
  SHA1_FIVE(SHA1_F2, K2, SHA1_W(35), SHA1_W(36), SHA1_W(37), SHA1_W(38), SHA1_W(39));

  SHA1_FIVE(SHA1_F3, K3, SHA1_W(40), SHA1_W(41), SHA1_W(42), SHA1_W(43), SHA1_W(44));
  SHA1_FIVE(SHA1_F3, K3, SHA1_W(45), SHA1_W(46), SHA1_W(47), SHA1_W(48), SHA1_W(49));
  SHA1_FIVE(SHA1_F3, K3, SHA1_W(50), SHA1_W(51), SHA1_W(52), SHA1_W(53), SHA1_W(54));
  SHA1_FIVE(SHA1_F3, K3, SHA1_W(55), SHA1_W(56), SHA1_W(57), SHA1_W(58), SHA1_W(59));

  SHA1_FIVE(SHA1_F2, K4, SHA1_W(60), SHA1_W(61), SHA1_W(62), SHA1_W(63), SHA1_W(64));
  SHA1_FIVE(SHA1_F2, K4, SHA1_W(65), SHA1_W(66), SHA1_W(67), SHA1_W(68), SHA1_W(69));
  SHA1_FIVE(SHA1_F2, K4, SHA1_W(70), SHA1_W(71), SHA1_W(72), SHA1_W(73), SHA1_W(74));
  SHA1_FIVE(SHA1_F2, K4, SHA1_W(75), SHA1_W(76), SHA1_W(77), SHA1_W(78), SHA1_W(79));

  H[0] += a;
  H[1] += b;
  H[2] += c;
  H[3] += d;
  H[4] += e;
}

#undef SHA1_FIVE
#undef SHA1_F3
#undef SHA1_F2
#undef SHA1_F1
#undef SHA1_STEP
#undef SHA1_W

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
  while (u32Count >= 64) {
    U_SHA1_vProcessBlock(pContext->H, pu8Data);
    pu8Data += 64;
    u32Count -= 64;
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
