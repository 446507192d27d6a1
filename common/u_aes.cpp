#include "common/u_aes.h"

// The rounds themselves are libcrypto's (table-driven or the processor's own
// instructions, whichever it picks). Its block functions belong to the
// low-level interface that is declared for programs written against the 1.1
// API.
#define OPENSSL_API_COMPAT 10101
#include <openssl/aes.h>
#include <openssl/crypto.h>

#include <cstring>

namespace {

U32 Swap(U32 w) { return __builtin_bswap32(w); }

// libcrypto keeps its round-key words in the order its implementation
// loads the state, which on some machines is the byte-swapped column word.
// Found once from a schedule whose first word is the key's first column.
bool LibraryWordsSwapped() {
  static const bool s_bSwapped = [] {
    const U8 key[16] = {0x01, 0x02, 0x03, 0x04};
    AES_KEY schedule;
    AES_set_encrypt_key(key, 128, &schedule);
    return schedule.rd_key[0] != 0x01020304u;
  }();
  return s_bSwapped;
}

int RoundsFor(U32 bits) {
  switch (bits) {
    case 128: return 10;
    case 192: return 12;
    case 256: return 14;
    default: return 0;
  }
}

// Copies between the library's schedule and the column-word form.
void ToColumnWords(const AES_KEY& schedule, U32* pu32RoundKeys) {
  const int words = 4 * (schedule.rounds + 1);
  const bool swapped = LibraryWordsSwapped();
  for (int i = 0; i < words; i++) {
    pu32RoundKeys[i] = swapped ? Swap(schedule.rd_key[i]) : schedule.rd_key[i];
  }
}

void FromColumnWords(const U32* pu32RoundKeys, int nRounds, AES_KEY* schedule) {
  memset(schedule, 0, sizeof(*schedule));
  schedule->rounds = nRounds;
  const int words = 4 * (nRounds + 1);
  const bool swapped = LibraryWordsSwapped();
  for (int i = 0; i < words; i++) {
    schedule->rd_key[i] = swapped ? Swap(pu32RoundKeys[i]) : pu32RoundKeys[i];
  }
}

bool ValidRounds(int nRounds) { return nRounds == 10 || nRounds == 12 || nRounds == 14; }

int Setup(U32* pu32RoundKeys, const U8* pu8Key, U32 u32KeyBits, bool bDecrypt) {
  const int rounds = RoundsFor(u32KeyBits);
  if (pu32RoundKeys == nullptr) return 0;
  if (rounds == 0 || pu8Key == nullptr) {
    memset(pu32RoundKeys, 0, sizeof(U32) * 4);
    return 0;
  }
  AES_KEY schedule;
  const int r = bDecrypt ? AES_set_decrypt_key(pu8Key, (int)u32KeyBits, &schedule)
                         : AES_set_encrypt_key(pu8Key, (int)u32KeyBits, &schedule);
  if (r != 0 || schedule.rounds != rounds) return 0;
  ToColumnWords(schedule, pu32RoundKeys);
  OPENSSL_cleanse(&schedule, sizeof(schedule));
  return rounds;
}

}  // namespace

int U_AES_nSetupEncrypt(U32* pu32RoundKeys, const U8* pu8Key, U32 u32KeyBits) {
  return Setup(pu32RoundKeys, pu8Key, u32KeyBits, false);
}

int U_AES_nSetupDecrypt(U32* pu32RoundKeys, const U8* pu8Key, U32 u32KeyBits) {
  return Setup(pu32RoundKeys, pu8Key, u32KeyBits, true);
}

void U_AES_vEncrypt(const U32* pu32RoundKeys, int nRounds, const U8 au8In[16], U8 au8Out[16]) {
  if (pu32RoundKeys == nullptr || !ValidRounds(nRounds)) return;
  AES_KEY schedule;
  FromColumnWords(pu32RoundKeys, nRounds, &schedule);
  AES_encrypt(au8In, au8Out, &schedule);  // in place allowed
  OPENSSL_cleanse(&schedule, sizeof(schedule));
}

void U_AES_vDecrypt(const U32* pu32RoundKeys, int nRounds, const U8 au8In[16], U8 au8Out[16]) {
  if (pu32RoundKeys == nullptr || !ValidRounds(nRounds)) return;
  AES_KEY schedule;
  FromColumnWords(pu32RoundKeys, nRounds, &schedule);
  AES_decrypt(au8In, au8Out, &schedule);
  OPENSSL_cleanse(&schedule, sizeof(schedule));
}
