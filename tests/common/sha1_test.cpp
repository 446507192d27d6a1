// SHA-1: the published vectors, the corruption rules of the context, and
// random messages fed in random pieces against OpenSSL.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/u_sha1.h"

namespace {

std::string Hex(const SHA1_CTX& ctx) {
  char text[41];
  for (int i = 0; i < 5; i++) snprintf(text + 8 * i, 9, "%08x", (unsigned)ctx.H[i]);
  return text;
}

std::string Digest(const std::string& message, size_t repeat = 1) {
  SHA1_CTX ctx;
  U_SHA1_vReset(&ctx);
  for (size_t i = 0; i < repeat; i++) {
    U_SHA1_vInput(&ctx, (const U8*)message.data(), (U32)message.size());
  }
  EXPECT_EQ(U_SHA1_bFinal(&ctx), FALSE);
  return Hex(ctx);
}

std::string OpenSslDigest(const std::vector<U8>& data) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EXPECT_EQ(EVP_Digest(data.data(), data.size(), md, &size, EVP_sha1(), nullptr), 1);
  std::string text;
  char two[3];
  for (unsigned i = 0; i < size; i++) {
    snprintf(two, sizeof(two), "%02x", md[i]);
    text += two;
  }
  return text;
}

TEST(Sha1, PublishedVectors) {
  struct Case {
    std::string message;
    size_t repeat;
    const char* digest;
  };
  const Case cases[] = {
      {"abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"a", 1000000, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      {"0123456701234567012345670123456701234567012345670123456701234567", 10,
       "dea356a2cddd90c7a7ecedc5ebb563934f460452"},
      {"", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Digest(c.message, c.repeat), c.digest) << c.message.substr(0, 20) << " x" << c.repeat;
  }
}

TEST(Sha1, InputAfterFinalCorruptsWithoutChangingTheDigest) {
  SHA1_CTX ctx;
  U_SHA1_vReset(&ctx);
  U_SHA1_vInput(&ctx, (const U8*)"abc", 3);
  ASSERT_EQ(U_SHA1_bFinal(&ctx), FALSE);
  const std::string digest = Hex(ctx);
  EXPECT_EQ(U_SHA1_bFinal(&ctx), FALSE) << "a second final only answers";
  EXPECT_EQ(Hex(ctx), digest);

  U_SHA1_vInput(&ctx, (const U8*)"more", 4);
  EXPECT_TRUE(ctx.bCorrupted);
  EXPECT_EQ(U_SHA1_bFinal(&ctx), TRUE);
  EXPECT_EQ(Hex(ctx), digest);

  U_SHA1_vReset(&ctx);
  EXPECT_FALSE(ctx.bCorrupted);
  EXPECT_FALSE(ctx.bComputed);
}

TEST(Sha1, LengthPastTwoToThe64BitsCorrupts) {
  SHA1_CTX ctx;
  U_SHA1_vReset(&ctx);
  ctx.u32LengthHigh = 0xFFFFFFFF;
  ctx.u32LengthLow = 0xFFFFFFF0;  // 2^64 - 16 bits: room for one more byte
  const U8 byte = 0x61;
  U_SHA1_vInput(&ctx, &byte, 1);
  EXPECT_FALSE(ctx.bCorrupted);
  U_SHA1_vInput(&ctx, &byte, 1);
  EXPECT_TRUE(ctx.bCorrupted);
  EXPECT_EQ(U_SHA1_bFinal(&ctx), TRUE);
}

TEST(Sha1, RandomPiecesMatchOpenSsl) {
  std::mt19937 rng(2024);
  // Lengths around the padding boundaries first, then random ones.
  std::vector<size_t> lengths = {1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129};
  for (int i = 0; i < 150; i++) lengths.push_back(rng() % 2000);
  for (size_t length : lengths) {
    std::vector<U8> data(length);
    for (U8& b : data) b = (U8)rng();
    SHA1_CTX ctx;
    U_SHA1_vReset(&ctx);
    size_t fed = 0;
    while (fed < data.size()) {
      const size_t piece = std::min<size_t>(data.size() - fed, rng() % 150);
      U_SHA1_vInput(&ctx, data.data() + fed, (U32)piece);
      fed += piece;
    }
    ASSERT_EQ(U_SHA1_bFinal(&ctx), FALSE);
    ASSERT_EQ(Hex(ctx), OpenSslDigest(data)) << "length " << length;
  }
}

// Whole blocks go straight from the caller's bytes, many at a time: large
// pieces at every byte alignment, with a partial block carried over between
// pieces.
TEST(Sha1, LargeUnalignedPiecesMatchOpenSsl) {
  std::mt19937 rng(77);
  std::vector<U8> storage(70000 + 8);
  for (size_t offset = 0; offset < 8; offset++) {
    for (size_t length : {61440u, 64u * 1000u + 63u, 65u, 4096u + 1u}) {
      U8* data = storage.data() + offset;
      for (size_t i = 0; i < length; i++) data[i] = (U8)rng();
      const std::vector<U8> copy(data, data + length);
      for (size_t piece : {length, (size_t)4097, (size_t)64, (size_t)1000}) {
        SHA1_CTX ctx;
        U_SHA1_vReset(&ctx);
        for (size_t fed = 0; fed < length; fed += piece) {
          U_SHA1_vInput(&ctx, data + fed, (U32)std::min(piece, length - fed));
        }
        ASSERT_EQ(U_SHA1_bFinal(&ctx), FALSE);
        ASSERT_EQ(Hex(ctx), OpenSslDigest(copy))
            << length << " bytes at offset " << offset << " in pieces of " << piece;
        // The length counts every byte.
        const U64 bits = ((U64)ctx.u32LengthHigh << 32) | ctx.u32LengthLow;
        ASSERT_EQ(bits, (U64)length * 8);
      }
    }
  }
}

}  // namespace
