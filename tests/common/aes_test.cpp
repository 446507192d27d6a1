// AES: the example vectors and key expansions of FIPS-197, the decryption
// schedule's form, in-place blocks, refused key sizes, and random keys and
// blocks of every key size against libcrypto's EVP interface.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/u_aes.h"

namespace {

std::vector<U8> Bytes(const std::string& hex) {
  std::vector<U8> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back((U8)std::stoul(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::string Hex(const U8* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; i++) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

const EVP_CIPHER* EcbFor(U32 bits) {
  return bits == 128 ? EVP_aes_128_ecb() : bits == 192 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// One block through EVP in ECB without padding.
std::vector<U8> EvpBlock(U32 bits, const U8* key, const U8* in, bool encrypt) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  std::vector<U8> out(32);
  int n = 0;
  EXPECT_EQ(EVP_CipherInit_ex(ctx, EcbFor(bits), nullptr, key, nullptr, encrypt ? 1 : 0), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_CipherUpdate(ctx, out.data(), &n, in, 16), 1);
  EXPECT_EQ(n, 16);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(16);
  return out;
}

struct Vector {
  U32 bits;
  int rounds;
  const char* key;
  const char* cipher;
};
// FIPS-197 appendix C: plaintext 00112233445566778899aabbccddeeff, key
// 000102... of the key's length.
const Vector kAppendixC[] = {
    {128, 10, "000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {192, 12, "000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {256, 14, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "8ea2b7ca516745bfeafc49904b496089"},
};

TEST(Aes, AppendixCVectorsEncryptAndDecrypt) {
  const std::vector<U8> plain = Bytes("00112233445566778899aabbccddeeff");
  for (const Vector& v : kAppendixC) {
    SCOPED_TRACE(v.bits);
    const std::vector<U8> key = Bytes(v.key);
    U32 enc[U_AES_MAX_ROUND_KEY_WORDS] = {};
    U32 dec[U_AES_MAX_ROUND_KEY_WORDS] = {};
    ASSERT_EQ(U_AES_nSetupEncrypt(enc, key.data(), v.bits), v.rounds);
    ASSERT_EQ(U_AES_nSetupDecrypt(dec, key.data(), v.bits), v.rounds);
    U8 out[16], back[16];
    U_AES_vEncrypt(enc, v.rounds, plain.data(), out);
    EXPECT_EQ(Hex(out, 16), v.cipher);
    U_AES_vDecrypt(dec, v.rounds, out, back);
    EXPECT_EQ(Hex(back, 16), Hex(plain.data(), 16));
  }
}

// Appendix A's expansions: the words are column words, most significant
// byte first, and the last words of each schedule are the published ones.
TEST(Aes, KeyExpansionWordsFollowTheStandard) {
  struct Case {
    U32 bits;
    const char* key;
    int last;
    U32 first, lastWord;
  };
  const Case cases[] = {
      {128, "2b7e151628aed2a6abf7158809cf4f3c", 43, 0x2b7e1516, 0xb6630ca6},
      {192, "8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b", 51, 0x8e73b0f7, 0x01002202},
      {256, "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", 59, 0x603deb10, 0x706c631e},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    const std::vector<U8> key = Bytes(c.key);
    U32 enc[U_AES_MAX_ROUND_KEY_WORDS] = {};
    U32 dec[U_AES_MAX_ROUND_KEY_WORDS] = {};
    const int rounds = U_AES_nSetupEncrypt(enc, key.data(), c.bits);
    ASSERT_EQ(4 * (rounds + 1) - 1, c.last);
    EXPECT_EQ(enc[0], c.first);
    EXPECT_EQ(enc[c.last], c.lastWord);
    // The inverse schedule starts with the last round key and ends with the
    // key itself, both untransformed.
    ASSERT_EQ(U_AES_nSetupDecrypt(dec, key.data(), c.bits), rounds);
    for (int i = 0; i < 4; i++) {
      EXPECT_EQ(dec[i], enc[4 * rounds + i]);
      EXPECT_EQ(dec[4 * rounds + i], enc[i]);
    }
  }
}

TEST(Aes, RefusesOtherKeySizes) {
  const U8 key[32] = {};
  for (U32 bits : {0u, 64u, 127u, 129u, 160u, 512u}) {
    U32 rk[U_AES_MAX_ROUND_KEY_WORDS];
    EXPECT_EQ(U_AES_nSetupEncrypt(rk, key, bits), 0) << bits;
    EXPECT_EQ(U_AES_nSetupDecrypt(rk, key, bits), 0) << bits;
  }
}

TEST(Aes, RandomKeysAndBlocksMatchLibcryptoInPlaceAndApart) {
  std::mt19937 rng(1197);
  for (U32 bits : {128u, 192u, 256u}) {
    SCOPED_TRACE(bits);
    for (int trial = 0; trial < 300; trial++) {
      U8 key[32], block[16];
      for (U8& b : key) b = (U8)rng();
      for (U8& b : block) b = (U8)rng();
      U32 enc[U_AES_MAX_ROUND_KEY_WORDS], dec[U_AES_MAX_ROUND_KEY_WORDS];
      const int rounds = U_AES_nSetupEncrypt(enc, key, bits);
      ASSERT_EQ(U_AES_nSetupDecrypt(dec, key, bits), rounds);

      U8 apart[16];
      U_AES_vEncrypt(enc, rounds, block, apart);
      ASSERT_EQ(Hex(apart, 16), Hex(EvpBlock(bits, key, block, true).data(), 16));
      U8 inPlace[16];
      memcpy(inPlace, block, 16);
      U_AES_vEncrypt(enc, rounds, inPlace, inPlace);
      ASSERT_EQ(Hex(inPlace, 16), Hex(apart, 16));

      // Decrypting a random block (not one just encrypted) as well.
      U8 plain[16];
      U_AES_vDecrypt(dec, rounds, block, plain);
      ASSERT_EQ(Hex(plain, 16), Hex(EvpBlock(bits, key, block, false).data(), 16));
      U_AES_vDecrypt(dec, rounds, inPlace, inPlace);
      ASSERT_EQ(Hex(inPlace, 16), Hex(block, 16));
    }
  }
}

}  // namespace
