// Ciphers of the trolling-motor autopilot link: the AES-256 authentication
// key mixed at start from a secret of the machine's configuration, the
// 48-byte authentication record enciphered with it, the AES-128 data key and
// chaining value that the handshake delivers, the challenge response, and a
// custom body descriptor that enciphers a message body in cipher-block
// chaining.
//
// Enciphered body (length: the smallest multiple of 16 holding 18 + n):
//   0..15   the chaining value, advanced by 11 in its first little-endian
//           word for this body
//   16..17  n, the inner structure's serialised length (little-endian)
//   18..    the inner structure, standard serialisation
//   rest    filler: the last 16 bytes are preset with the chaining value as
//           it was before this body
// The whole body is then enciphered with the data key, zero initial vector.
//
// The state is process-wide and unlocked: only the autopilot-link task uses it.
#pragma once

#include "common/g_datatype.h"
#include "common/types.h"

struct KLCRYPT_AUTH {
  U8 au8Random[16];  // becomes the chaining value; the reply's first word is one more
  U8 au8Key[16];     // the 128-bit data key
  U8 au8Chal[16];    // the challenge; in the reply, the response
};
static_assert(sizeof(KLCRYPT_AUTH) == 48);

// Mixes the authentication key from the machine's secret and prepares its
// two AES-256 schedules. Called once when the autopilot-link task starts.
void U_KLCRYPT_vInit(void);

// The authentication record in place: three blocks in cipher-block chaining
// with a zero initial vector under the authentication key.
void U_KLCRYPT_vEncryptAuth(KLCRYPT_AUTH* pAuth);
void U_KLCRYPT_vDecryptAuth(KLCRYPT_AUTH* pAuth);

void U_KLCRYPT_vSetDataKey(const U8 au8Key[16]);
void U_KLCRYPT_vSetIVector(const U8 au8IVector[16]);
// The current chaining value (for the link task's trace and the tests).
void U_KLCRYPT_vGetIVector(U8 au8IVector[16]);

// response = AES-128 of the challenge under the data key (may be one buffer).
void U_KLCRYPT_vCalculateResponse(U8 au8Response[16], const U8 au8Challenge[16]);

// The handshake's answer to a received record, in place: deciphers it, takes
// its data key and chaining value, replaces the challenge by the response,
// adds 1 to the first little-endian word of the random block and enciphers
// the record again.
void U_KLCRYPT_vAnswerAuth(KLCRYPT_AUTH* pAuth);

// Cipher-block chaining in place with a zero initial vector over the whole
// 16-byte blocks of u32Length bytes; bytes of a last partial block are
// neither read nor written.
void U_KLCRYPT_vChainEncrypt(U8* pu8Data, U32 u32Length, const U32* pu32RoundKeys, int nRounds);
void U_KLCRYPT_vChainDecrypt(U8* pu8Data, U32 u32Length, const U32* pu32RoundKeys, int nRounds);

// The data key's schedules, for the chain operations.
const U32* U_KLCRYPT_pu32DataEncryptKeys(void);
const U32* U_KLCRYPT_pu32DataDecryptKeys(void);
constexpr int U_KLCRYPT_DATA_ROUNDS = 10;

// Operations of a custom descriptor whose one element (DataTypes[0]) is the
// inner structure's descriptor. Length and alignment answer -1: such a
// descriptor can only be a whole message body.
S32 U_KLCRYPT_nGmsgSerializer(const void* pValue, U8** ppOut, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* pType);
S32 U_KLCRYPT_nGmsgDeserializer(void** ppValue, const U8* pIn, S32* pnRoom, S32* pnCount, const G_DATA_TYPE* pType);
S32 U_KLCRYPT_nGmsgLength(const void* pValue, const G_DATA_TYPE* pType);
S32 U_KLCRYPT_nGmsgAlignment(ALIGN_TYPE eAlign, const G_DATA_TYPE* pType);
S32 U_KLCRYPT_nGmsgDeallocator(void* pValue, BOOLEAN bAllocated, const G_DATA_TYPE* pType);

// An enciphered-body descriptor named `name` around the descriptor `inner`.
#define U_KLCRYPT_DESCRIPTOR(name, inner)                                                              \
  static const G_DATA_TYPE* const name##_inner[] = {&(inner), nullptr};                                \
  const G_DATA_TYPE name = {#name, G_DF_CUSTOM, G_DU_NONE, 0, nullptr, nullptr, (inner).nSizeofType, 0, \
                            &U_KLCRYPT_nGmsgSerializer, &U_KLCRYPT_nGmsgDeserializer,                 \
                            &U_KLCRYPT_nGmsgLength, &U_KLCRYPT_nGmsgDeallocator,                      \
                            &U_KLCRYPT_nGmsgAlignment, nullptr, nullptr, nullptr, name##_inner}
