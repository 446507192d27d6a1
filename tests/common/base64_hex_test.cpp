// Base64 (RFC 4648 alphabet) and hexadecimal text: the published vectors, the
// check, tolerant decoding of short groups, and random data against OpenSSL.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/base64.h"
#include "common/u_hex.h"

namespace {

std::string Encode(const std::string& bytes) {
  char* text = BASE64_pcEncode((const U8*)bytes.data(), (U32)bytes.size());
  if (text == nullptr) return "<none>";
  std::string out = text;
  free(text);
  return out;
}

std::string Decode(const char* text) {
  U32 length = 12345;
  U8* bytes = BASE64_pu8Decode(text, &length);
  if (bytes == nullptr) {
    EXPECT_EQ(length, 0u);
    return "<none>";
  }
  std::string out((const char*)bytes, length);
  free(bytes);
  return out;
}

TEST(Base64, PublishedVectorsBothWays) {
  const std::pair<std::string, std::string> vectors[] = {
      {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [bytes, text] : vectors) {
    EXPECT_EQ(Encode(bytes), text);
    EXPECT_EQ(Decode(text.c_str()), bytes);
    EXPECT_TRUE(BASE64_bIsBase64(text.c_str())) << text;
  }
  EXPECT_EQ(Encode(""), "<none>") << "no bytes, no text";
  EXPECT_EQ(BASE64_pcEncode(nullptr, 3), nullptr);
}

TEST(Base64, Check) {
  const std::pair<const char*, BOOLEAN> cases[] = {
      {"", TRUE},
      {"Zm9v", TRUE},
      {"Zg==", TRUE},
      {"Zm9vY", FALSE},     // length not a multiple of 4
      {"=Zm9", FALSE},      // padding in the first position
      {"Zg==Zg==", FALSE},  // padding before the last three positions
      {"Zm9!", FALSE},      // outside the alphabet
      {"Zm9v\xC3\xA9==", FALSE},
      {"+/+/", TRUE},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(BASE64_bIsBase64(text), expected) << text;
  }
  EXPECT_EQ(BASE64_bIsBase64(nullptr), FALSE);
}

TEST(Base64, ShortLastGroupDecodesWithoutReadingPastTheText) {
  const std::pair<const char*, std::string> cases[] = {
      {"Zm9vYg", "foob"},   // third and fourth character missing
      {"Zm9vYmE", "fooba"}, // fourth missing
      {"Zm9vY", "foo"},     // second missing: the group gives nothing
      {"Zg=A", "f"},        // third is padding
  };
  for (const auto& [text, bytes] : cases) {
    EXPECT_EQ(Decode(text), bytes) << text;
  }
  EXPECT_EQ(Decode(""), "<none>");
  EXPECT_EQ(Decode(nullptr), "<none>");
}

TEST(Base64, RandomBytesMatchOpenSsl) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; round++) {
    std::vector<U8> data(1 + rng() % 300);
    for (U8& b : data) b = (U8)rng();
    std::vector<unsigned char> reference(4 * ((data.size() + 2) / 3) + 1);
    const int n = EVP_EncodeBlock(reference.data(), data.data(), (int)data.size());
    char* text = BASE64_pcEncode(data.data(), (U32)data.size());
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(std::string(text), std::string((const char*)reference.data(), (size_t)n));
    ASSERT_TRUE(BASE64_bIsBase64(text));
    U32 length = 0;
    U8* back = BASE64_pu8Decode(text, &length);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(std::vector<U8>(back, back + length), data);
    free(back);
    free(text);
  }
}

TEST(Hex, BytesToTextAndBack) {
  const U8 bytes[2] = {0x0A, 0xFF};
  char text[5] = {'#', '#', '#', '#', '#'};
  U_HEX_v2ASCII(bytes, text, 2);
  EXPECT_EQ(std::string(text, 4), "0AFF");
  EXPECT_EQ(text[4], '#') << "no terminating NUL is written";

  for (const char* input : {"0aff", "0AFF", "0aFf"}) {
    U8 out[2] = {0, 0};
    U_HEX_v2Hex(input, out, 2);
    EXPECT_EQ(out[0], 0x0A) << input;
    EXPECT_EQ(out[1], 0xFF) << input;
  }
}

TEST(Hex, TextThatEndsEarlyIsNotReadPastItsEnd) {
  U8 out[4] = {0x11, 0x22, 0x33, 0x44};
  U_HEX_v2Hex("0A1", out, 4);
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0x00);
  EXPECT_EQ(out[2], 0x00);
  EXPECT_EQ(out[3], 0x00);
}

TEST(Hex, RandomBytesMatchPrintf) {
  std::mt19937 rng(5);
  std::vector<U8> data(256);
  for (size_t i = 0; i < data.size(); i++) data[i] = (U8)i;  // every byte value
  std::shuffle(data.begin(), data.end(), rng);
  std::string text(2 * data.size(), '?');
  U_HEX_v2ASCII(data.data(), text.data(), (U32)data.size());
  std::string reference;
  char two[3];
  for (U8 b : data) {
    snprintf(two, sizeof(two), "%02X", b);
    reference += two;
  }
  EXPECT_EQ(text, reference);
  std::vector<U8> back(data.size());
  U_HEX_v2Hex(text.c_str(), back.data(), (U32)back.size());
  EXPECT_EQ(back, data);
}

}  // namespace
