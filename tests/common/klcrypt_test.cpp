// Autopilot-link cipher: the authentication record against libcrypto's
// AES-256-CBC under the key mixed from the configured secret, the handshake
// answer a peer can check, enciphered bodies (sizes, filler, chaining value,
// refusals) and a body's round trip through a stream connection of the
// message layer.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <random>
#include <vector>

#include "common/g_msg.h"
#include "common/g_socket.h"
#include "common/u_klcrypt.h"
#include "lsvc/lsvc.h"

namespace {

const char* kSecretHex = "00112233445566778899aabbccddeeff0f1e2d3c4b5a69788796a5b4c3d2e1f0";

std::vector<U8> Evp(const EVP_CIPHER* cipher, const U8* key, const std::vector<U8>& in, bool encrypt) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  const U8 iv[16] = {};
  std::vector<U8> out(in.size() + 16);
  int n = 0;
  EXPECT_EQ(EVP_CipherInit_ex(ctx, cipher, nullptr, key, iv, encrypt ? 1 : 0), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_CipherUpdate(ctx, out.data(), &n, in.data(), (int)in.size()), 1);
  EVP_CIPHER_CTX_free(ctx);
  out.resize((size_t)n);
  return out;
}

// The authentication key as the link's peer derives it from the secret.
std::vector<U8> PeerAuthKey() {
  std::vector<U8> key(32);
  for (int i = 0; i < 32; i++) key[i] = (U8)std::stoul(std::string(kSecretHex + 2 * i, 2), nullptr, 16);
  for (int s = 0; s < 32; s++) {
    for (int k = 0; k < 7; k++) key[(9 + 7 * s + k) % 32] ^= key[(44 + 21 * s + 3 * k) % 32];
  }
  return key;
}

U32 Le32(const U8* p) { return (U32)p[0] | ((U32)p[1] << 8) | ((U32)p[2] << 16) | ((U32)p[3] << 24); }

class Klcrypt : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TESSIX_AUTOPILOT_LINK_SECRET", kSecretHex, 1);
    U_KLCRYPT_vInit();
    for (int i = 0; i < 16; i++) dataKey[i] = (U8)(0xA0 + i);
    for (int i = 0; i < 16; i++) iv[i] = (U8)(0xF0 - i);
    U_KLCRYPT_vSetDataKey(dataKey);
    U_KLCRYPT_vSetIVector(iv);
  }
  void TearDown() override { unsetenv("TESSIX_AUTOPILOT_LINK_SECRET"); }

  U8 dataKey[16];
  U8 iv[16];
};

TEST_F(Klcrypt, AuthRecordIsAes256CbcUnderTheMixedKeyAndComesBack) {
  std::mt19937 rng(52);
  KLCRYPT_AUTH auth;
  for (U8& b : reinterpret_cast<U8(&)[48]>(auth)) b = (U8)rng();
  const std::vector<U8> plain(reinterpret_cast<U8*>(&auth), reinterpret_cast<U8*>(&auth) + 48);
  U_KLCRYPT_vEncryptAuth(&auth);
  const std::vector<U8> cipher(reinterpret_cast<U8*>(&auth), reinterpret_cast<U8*>(&auth) + 48);
  EXPECT_EQ(cipher, Evp(EVP_aes_256_cbc(), PeerAuthKey().data(), plain, true));
  U_KLCRYPT_vDecryptAuth(&auth);
  EXPECT_EQ(std::vector<U8>(reinterpret_cast<U8*>(&auth), reinterpret_cast<U8*>(&auth) + 48), plain);
}

TEST_F(Klcrypt, HandshakeAnswerIsWhatThePeerExpects) {
  // The peer's record: random block, data key and challenge.
  std::vector<U8> record(48);
  // The random block's first word is all ones: the reply's wraps to 0.
  for (int i = 0; i < 16; i++) record[i] = (U8)(i < 4 ? 0xFF : 0xF0 - i);
  for (int i = 0; i < 16; i++) record[16 + i] = (U8)(3 * i + 1);
  for (int i = 0; i < 16; i++) record[32 + i] = (U8)(7 * i);
  const std::vector<U8> key = PeerAuthKey();
  std::vector<U8> sent = Evp(EVP_aes_256_cbc(), key.data(), record, true);
  KLCRYPT_AUTH auth;
  memcpy(&auth, sent.data(), 48);
  U_KLCRYPT_vAnswerAuth(&auth);

  const std::vector<U8> reply =
      Evp(EVP_aes_256_cbc(), key.data(), std::vector<U8>(reinterpret_cast<U8*>(&auth), reinterpret_cast<U8*>(&auth) + 48),
          false);
  EXPECT_EQ(Le32(reply.data()), 0u);  // 0xFFFFFFFF + 1
  EXPECT_TRUE(std::equal(reply.begin() + 4, reply.begin() + 32, record.begin() + 4));
  const std::vector<U8> challenge(record.begin() + 32, record.end());
  const std::vector<U8> expected = Evp(EVP_aes_128_ecb(), record.data() + 16, challenge, true);
  EXPECT_EQ(std::vector<U8>(reply.begin() + 32, reply.end()), expected);
  // The chaining value is the random block as received.
  U8 chain[16];
  U_KLCRYPT_vGetIVector(chain);
  EXPECT_TRUE(std::equal(chain, chain + 16, record.begin()));
}

// Inner structures of 14 and 15 serialised bytes (version word included).
struct Inner {
  U32 a;
  U32 b;
  U16 c;
  U8 d;
};
static const G_DATA_TYPE* const kInner14Members[] = {&DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED16, nullptr};
static const G_DATA_TYPE* const kInner15Members[] = {&DT_UNSIGNED32, &DT_UNSIGNED32, &DT_UNSIGNED16,
                                                     &DT_UNSIGNED8, nullptr};
const G_DATA_TYPE kInner14 = G_DATA_TYPE_STANDARD("kInner14", G_DF_STRUCT, G_DU_NONE, 1, 12, 0, kInner14Members);
const G_DATA_TYPE kInner15 = G_DATA_TYPE_STANDARD("kInner15", G_DF_STRUCT, G_DU_NONE, 1, (S32)sizeof(Inner), 0,
                                                  kInner15Members);
U_KLCRYPT_DESCRIPTOR(kSealed14, kInner14);
U_KLCRYPT_DESCRIPTOR(kSealed15, kInner15);

std::vector<U8> Seal(const G_DATA_TYPE& type, const Inner& value) {
  U8* out = nullptr;
  S32 room = 0, count = 0;
  const S32 r = type.pfSerialize(&value, &out, &room, &count, &type);
  EXPECT_GT(r, 0);
  std::vector<U8> body(out, out + (r > 0 ? r : 0));
  H_MEMORY_vFree(out);
  return body;
}

S32 Open(const G_DATA_TYPE& type, const std::vector<U8>& body, Inner* out) {
  void* value = nullptr;
  S32 room = (S32)body.size(), count = 0;
  const S32 r = type.pfDeserialize(&value, body.data(), &room, &count, &type);
  if (r >= 0) {
    memcpy(out, value, (size_t)type.nSizeofType);
    type.pfDeallocate(value, TRUE, &type);
  }
  return r;
}

TEST_F(Klcrypt, BodySizesFillerAndChainingValue) {
  const Inner value{0x11223344, 0x55667788, 0x99AA, 0xBB};
  struct Case {
    const G_DATA_TYPE* type;
    U16 n;
    size_t size;
  };
  const Case cases[] = {{&kSealed14, 14, 32}, {&kSealed15, 15, 48}};
  U32 previousFirst = Le32(iv);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    U8 before[16];
    U_KLCRYPT_vGetIVector(before);
    const std::vector<U8> body = Seal(*c.type, value);
    ASSERT_EQ(body.size(), c.size);
    const std::vector<U8> plain = Evp(EVP_aes_128_cbc(), dataKey, body, false);
    EXPECT_EQ(Le32(plain.data()), previousFirst + 11);
    previousFirst = Le32(plain.data());
    EXPECT_TRUE(std::equal(plain.begin() + 4, plain.begin() + 16, before + 4));
    EXPECT_EQ(plain[16] | (plain[17] << 8), c.n);
    // The filler: byte k holds byte k - (size - 16) of the previous value.
    for (size_t k = 18 + c.n; k < c.size; k++) EXPECT_EQ(plain[k], before[k - (c.size - 16)]) << k;
    Inner back{};
    EXPECT_EQ(Open(*c.type, body, &back), (S32)c.size);
    EXPECT_EQ(back.a, value.a);
    EXPECT_EQ(back.b, value.b);
    EXPECT_EQ(back.c, value.c);
  }
}

TEST_F(Klcrypt, RefusesBodiesOfWrongLengthOrLengthField) {
  Inner out{};
  EXPECT_EQ(Open(kSealed14, std::vector<U8>(40, 0), &out), -1);
  EXPECT_EQ(Open(kSealed14, std::vector<U8>(16, 0), &out), -1);
  EXPECT_EQ(Open(kSealed14, std::vector<U8>(0), &out), -1);
  // A 32-byte body whose length field says 15 (more than 32 - 18).
  std::vector<U8> plain(32, 0);
  plain[18] = 1;  // the inner structure's version word
  plain[16] = 15;
  EXPECT_EQ(Open(kSealed14, Evp(EVP_aes_128_cbc(), dataKey, plain, true), &out), -1);
  plain[16] = 14;
  EXPECT_LT(Open(kSealed15, Evp(EVP_aes_128_cbc(), dataKey, plain, true), &out), 0);  // inner too short
  EXPECT_EQ(Open(kSealed14, Evp(EVP_aes_128_cbc(), dataKey, plain, true), &out), 32);
  // A custom descriptor is never a member: no length or alignment.
  EXPECT_EQ(kSealed14.pfLength(&out, &kSealed14), -1);
  EXPECT_EQ(kSealed14.pfAlignment(ALIGN_MEMORY, &kSealed14), -1);
}

TEST_F(Klcrypt, ChainOperationsLeaveAPartialLastBlockAlone) {
  std::vector<U8> data(40);
  for (size_t i = 0; i < data.size(); i++) data[i] = (U8)i;
  const std::vector<U8> original = data;
  U_KLCRYPT_vChainEncrypt(data.data(), 40, U_KLCRYPT_pu32DataEncryptKeys(), U_KLCRYPT_DATA_ROUNDS);
  EXPECT_EQ(std::vector<U8>(data.begin(), data.begin() + 32),
            Evp(EVP_aes_128_cbc(), dataKey, std::vector<U8>(original.begin(), original.begin() + 32), true));
  EXPECT_TRUE(std::equal(data.begin() + 32, data.end(), original.begin() + 32));
  U_KLCRYPT_vChainDecrypt(data.data(), 40, U_KLCRYPT_pu32DataDecryptKeys(), U_KLCRYPT_DATA_ROUNDS);
  EXPECT_EQ(data, original);
}

TEST_F(Klcrypt, EncipheredBodyCrossesAStreamConnection) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  GSOCKET a{fds[0], {}, 0, FALSE, FALSE}, b{fds[1], {}, 0, FALSE, FALSE};
  const Inner value{7, 8, 9, 10};
  GMSG_INFO out;
  ASSERT_TRUE(GMSG_bCompose(&out, nullptr, nullptr, 0x00150001, &kSealed15, &value, 3, 0, 0, FALSE, 0));
  EXPECT_EQ(out.Header.u32MsgSize, 48u);
  ASSERT_TRUE(GMSG_bSendSocket(&out, &a, FALSE));
  GMSG_bFree(&out);
  GMSG_INFO in;
  ASSERT_TRUE(GMSG_bReceiveSocket(&b, &in));
  ASSERT_TRUE(GMSG_bParse(&in, &kSealed15));
  const Inner* got = static_cast<const Inner*>(in.pStructMsg);
  EXPECT_EQ(got->a, 7u);
  EXPECT_EQ(got->d, 10u);
  GMSG_bFree(&in);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
