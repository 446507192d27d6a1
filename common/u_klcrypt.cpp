#include "common/u_klcrypt.h"

#include <cstring>

#include "common/u_aes.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr int AUTH_ROUNDS = 14;
constexpr U32 BODY_HEADER = 18;  // chaining value and length

U32 s_au32AuthEncrypt[U_AES_MAX_ROUND_KEY_WORDS];
U32 s_au32AuthDecrypt[U_AES_MAX_ROUND_KEY_WORDS];
U32 s_au32DataEncrypt[U_AES_MAX_ROUND_KEY_WORDS];
U32 s_au32DataDecrypt[U_AES_MAX_ROUND_KEY_WORDS];
U8 s_au8IVector[16];

U32 ReadLe32(const U8* p) { return (U32)p[0] | ((U32)p[1] << 8) | ((U32)p[2] << 16) | ((U32)p[3] << 24); }
void WriteLe32(U8* p, U32 v) {
  p[0] = (U8)v;
  p[1] = (U8)(v >> 8);
  p[2] = (U8)(v >> 16);
  p[3] = (U8)(v >> 24);
}
void AddToFirstWord(U8 block[16], U32 add) { WriteLe32(block, ReadLe32(block) + add); }

const G_DATA_TYPE* Inner(const G_DATA_TYPE* pType) {
  if (pType == nullptr || pType->DataTypes == nullptr) return nullptr;
  return pType->DataTypes[0];
}

}  // namespace

void U_KLCRYPT_vInit(void) {
  U8 key[32];
  PLATFORM_vAutopilotLinkSecret(key);
  for (int s = 0; s < 32; s++) {
    const int p = 9 + 7 * s;
    const int q = 44 + 21 * s;
    for (int k = 0; k < 7; k++) key[(p + k) % 32] ^= key[(q + 3 * k) % 32];
  }
  U_AES_nSetupEncrypt(s_au32AuthEncrypt, key, 256);
  U_AES_nSetupDecrypt(s_au32AuthDecrypt, key, 256);
  memset(key, 0, sizeof key);
}

void U_KLCRYPT_vChainEncrypt(U8* pu8Data, U32 u32Length, const U32* pu32RoundKeys, int nRounds) {
  if (pu8Data == nullptr) return;
  const U32 blocks = u32Length / 16;
  for (U32 b = 0; b < blocks; b++) {
    U8* block = pu8Data + 16 * b;
    if (b > 0) {
      for (int i = 0; i < 16; i++) block[i] ^= block[i - 16];
    }
    U_AES_vEncrypt(pu32RoundKeys, nRounds, block, block);
  }
}

void U_KLCRYPT_vChainDecrypt(U8* pu8Data, U32 u32Length, const U32* pu32RoundKeys, int nRounds) {
  if (pu8Data == nullptr) return;
  const U32 blocks = u32Length / 16;
  for (U32 b = blocks; b-- > 0;) {
    U8* block = pu8Data + 16 * b;
    U_AES_vDecrypt(pu32RoundKeys, nRounds, block, block);
    if (b > 0) {
      for (int i = 0; i < 16; i++) block[i] ^= block[i - 16];
    }
  }
}

void U_KLCRYPT_vEncryptAuth(KLCRYPT_AUTH* pAuth) {
  U_KLCRYPT_vChainEncrypt(reinterpret_cast<U8*>(pAuth), sizeof(*pAuth), s_au32AuthEncrypt, AUTH_ROUNDS);
}

void U_KLCRYPT_vDecryptAuth(KLCRYPT_AUTH* pAuth) {
  U_KLCRYPT_vChainDecrypt(reinterpret_cast<U8*>(pAuth), sizeof(*pAuth), s_au32AuthDecrypt, AUTH_ROUNDS);
}

void U_KLCRYPT_vSetDataKey(const U8 au8Key[16]) {
  U_AES_nSetupEncrypt(s_au32DataEncrypt, au8Key, 128);
  U_AES_nSetupDecrypt(s_au32DataDecrypt, au8Key, 128);
}

void U_KLCRYPT_vSetIVector(const U8 au8IVector[16]) { memcpy(s_au8IVector, au8IVector, 16); }
void U_KLCRYPT_vGetIVector(U8 au8IVector[16]) { memcpy(au8IVector, s_au8IVector, 16); }

const U32* U_KLCRYPT_pu32DataEncryptKeys(void) { return s_au32DataEncrypt; }
const U32* U_KLCRYPT_pu32DataDecryptKeys(void) { return s_au32DataDecrypt; }

void U_KLCRYPT_vCalculateResponse(U8 au8Response[16], const U8 au8Challenge[16]) {
  U_AES_vEncrypt(s_au32DataEncrypt, U_KLCRYPT_DATA_ROUNDS, au8Challenge, au8Response);
}

void U_KLCRYPT_vAnswerAuth(KLCRYPT_AUTH* pAuth) {
  U_KLCRYPT_vDecryptAuth(pAuth);
  U_KLCRYPT_vSetDataKey(pAuth->au8Key);
  U_KLCRYPT_vSetIVector(pAuth->au8Random);
  U_KLCRYPT_vCalculateResponse(pAuth->au8Chal, pAuth->au8Chal);
  AddToFirstWord(pAuth->au8Random, 1);
  U_KLCRYPT_vEncryptAuth(pAuth);
}

S32 U_KLCRYPT_nGmsgSerializer(const void* pValue, U8** ppOut, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* pType) {
  const G_DATA_TYPE* inner = Inner(pType);
  if (inner == nullptr || ppOut == nullptr || pnRoom == nullptr || pnCount == nullptr) return DATATYPE_ERR_FORMAT;
  const S32 n = inner->pfLength(pValue, inner);
  if (n < 0) return n;
  if (n > 0xFFFF) return DATATYPE_ERR_TOO_LARGE;  // the length field has 16 bits
  const S32 size = ((n + 33) / 16) * 16;
  bool allocated = false;
  if (*ppOut == nullptr) {
    *ppOut = static_cast<U8*>(H_MEMORY_pvMalloc((size_t)size));
    if (*ppOut == nullptr) return DATATYPE_ERR_ALLOC;
    *pnRoom = size;
    *pnCount = 0;
    allocated = true;
  } else if (*pnRoom < size) {
    return DATATYPE_ERR_ROOM;
  }
  U8* body = *ppOut + *pnCount;
  memcpy(body + size - 16, s_au8IVector, 16);
  U8* innerOut = body;
  S32 innerRoom = n;
  S32 innerCount = (S32)BODY_HEADER;
  const S32 r = inner->pfSerialize(pValue, &innerOut, &innerRoom, &innerCount, inner);
  if (r < 0 || innerCount != (S32)BODY_HEADER + n) {
    if (allocated) {
      H_MEMORY_vFree(*ppOut);
      *ppOut = nullptr;
    }
    return r < 0 ? r : DATATYPE_ERR_LENGTH;
  }
  AddToFirstWord(s_au8IVector, 11);
  memcpy(body, s_au8IVector, 16);
  body[16] = (U8)n;
  body[17] = (U8)(n >> 8);
  U_KLCRYPT_vChainEncrypt(body, (U32)size, s_au32DataEncrypt, U_KLCRYPT_DATA_ROUNDS);
  *pnCount += size;
  *pnRoom -= size;
  return size;
}

S32 U_KLCRYPT_nGmsgDeserializer(void** ppValue, const U8* pIn, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* pType) {
  const G_DATA_TYPE* inner = Inner(pType);
  if (inner == nullptr || ppValue == nullptr || pnRoom == nullptr || pnCount == nullptr) return DATATYPE_ERR_FORMAT;
  const S32 length = *pnRoom;
  if (pIn == nullptr || length < 32 || length % 16 != 0) return DATATYPE_ERR_LENGTH;
  U8* plain = static_cast<U8*>(H_MEMORY_pvMalloc((size_t)length));
  if (plain == nullptr) return DATATYPE_ERR_ALLOC;
  memcpy(plain, pIn + *pnCount, (size_t)length);
  U_KLCRYPT_vChainDecrypt(plain, (U32)length, s_au32DataDecrypt, U_KLCRYPT_DATA_ROUNDS);
  const S32 n = (S32)plain[16] | ((S32)plain[17] << 8);
  S32 r = DATATYPE_ERR_LENGTH;
  if (n <= length - (S32)BODY_HEADER) {
    S32 innerRoom = n;
    S32 innerCount = (S32)BODY_HEADER;
    r = inner->pfDeserialize(ppValue, plain, &innerRoom, &innerCount, inner);
  }
  memset(plain, 0, (size_t)length);
  H_MEMORY_vFree(plain);
  if (r < 0) return r;
  *pnCount += length;
  *pnRoom -= length;
  return length;
}

S32 U_KLCRYPT_nGmsgLength(const void*, const G_DATA_TYPE*) { return -1; }
S32 U_KLCRYPT_nGmsgAlignment(ALIGN_TYPE, const G_DATA_TYPE*) { return -1; }

S32 U_KLCRYPT_nGmsgDeallocator(void* pValue, BOOLEAN bAllocated, const G_DATA_TYPE* pType) {
  const G_DATA_TYPE* inner = Inner(pType);
  if (inner == nullptr || inner->pfDeallocate == nullptr) return DATATYPE_ERR_FORMAT;
  return inner->pfDeallocate(pValue, bAllocated, inner);
}
