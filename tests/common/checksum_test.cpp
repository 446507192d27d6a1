// CRC-16 (polynomial 0x1021, register form) and CRC-32 over words (0x04C11DB7,
// most significant bit first): the documented values, chaining, and random
// inputs against independent implementations (a bitwise CRC-16, zlib's
// CRC-32, which uses the same polynomial bit-reversed, and the byte-table
// form the word CRC was first written in), on aligned and unaligned words,
// through the fast and the portable code path.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/u_crc16.h"
#include "common/u_crcst.h"

namespace {

std::vector<U8> Bytes(std::initializer_list<int> list) {
  std::vector<U8> v;
  for (int b : list) v.push_back((U8)b);
  return v;
}

std::vector<U8> Text(const std::string& s) { return std::vector<U8>(s.begin(), s.end()); }

U16 Crc16(const std::vector<U8>& data) {
  U16 crc = 0xDEAD;  // overwritten by the start flag
  U_CRC16_vCrc16(&crc, data.data(), (U16)data.size(), TRUE);
  return crc;
}

// Textbook bitwise CRC-16 (polynomial 0x1021, start 0, no reflection): the
// remainder of the message (augmented by 16 zero bits) divided by the polynomial.
U16 BitwiseCrc16(const std::vector<U8>& data) {
  U16 crc = 0;
  for (U8 byte : data) {
    crc ^= (U16)(byte << 8);
    for (int i = 0; i < 8; i++) crc = (crc & 0x8000) ? (U16)((crc << 1) ^ 0x1021) : (U16)(crc << 1);
  }
  return crc;
}

struct Crc16Case {
  const char* name;
  std::vector<U8> data;
  U16 expected;
};

TEST(Crc16, DocumentedValues) {
  const std::vector<Crc16Case> cases = {
      {"two bytes pass into the register", Bytes({0x12, 0x34}), 0x1234},
      {"one byte", Bytes({0x01}), 0x0001},
      {"digits 1-9", Text("123456789"), 0xBEEF},
      {"digits 1-9 and two zero bytes", Bytes({'1', '2', '3', '4', '5', '6', '7', '8', '9', 0, 0}), 0x31C3},
      {"0x1234 and two zero bytes", Bytes({0x12, 0x34, 0, 0}), 0x13C6},
      {"nothing", {}, 0x0000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Crc16(c.data), c.expected) << c.name;
  }
}

TEST(Crc16, StartFlagAndCountZero) {
  U16 crc = 0x5A5A;
  const U8 byte = 0x77;
  U_CRC16_vCrc16(&crc, &byte, 0, FALSE);
  EXPECT_EQ(crc, 0x5A5A) << "a count of 0 feeds nothing";
  U_CRC16_vCrc16(&crc, &byte, 0, TRUE);
  EXPECT_EQ(crc, 0) << "the start flag still clears the register";

  // Without the flag the caller's value is continued.
  crc = 0x1234;
  U_CRC16_vCrc16(&crc, Bytes({0, 0}).data(), 2, FALSE);
  EXPECT_EQ(crc, 0x13C6);
}

TEST(Crc16, HighLowFeedsHighByteFirst) {
  U16 crc = 0x9999;
  U_CRC16_vCrcU16HighLow(&crc, 0xABCD, TRUE);
  EXPECT_EQ(crc, 0xABCD);

  // Continuing: the same as feeding the two bytes, high one first.
  U16 byWord = 0x4321;
  U_CRC16_vCrcU16HighLow(&byWord, 0xBEEF, FALSE);
  U16 byBytes = 0x4321;
  U_CRC16_vCrc16(&byBytes, Bytes({0xBE, 0xEF}).data(), 2, FALSE);
  EXPECT_EQ(byWord, byBytes);
  EXPECT_EQ(U_CRC16_u16CrcByte(0xEF, U_CRC16_u16CrcByte(0xBE, 0x4321)), byBytes);
}

TEST(Crc16, RandomMessagesMatchBitwiseReference) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; round++) {
    std::vector<U8> data(rng() % 300);
    for (U8& b : data) b = (U8)rng();
    // The register followed by two zero bytes is the true remainder.
    U16 crc = 0;
    U_CRC16_vCrc16(&crc, data.data(), (U16)data.size(), TRUE);
    const U16 split = crc;
    const U8 zeros[2] = {0, 0};
    U_CRC16_vCrc16(&crc, zeros, 2, FALSE);
    ASSERT_EQ(crc, BitwiseCrc16(data)) << "length " << data.size();

    // Fed in two pieces (odd remainders of the unrolled loop) it is the same.
    const size_t cut = data.empty() ? 0 : rng() % data.size();
    U16 pieces = 0;
    U_CRC16_vCrc16(&pieces, data.data(), (U16)cut, TRUE);
    U_CRC16_vCrc16(&pieces, data.data() + cut, (U16)(data.size() - cut), FALSE);
    ASSERT_EQ(pieces, split);
  }
}

TEST(Crc16, LongestCount) {
  std::vector<U8> data(65535);
  for (size_t i = 0; i < data.size(); i++) data[i] = (U8)(i * 7);
  U16 crc = 0;
  U_CRC16_vCrc16(&crc, data.data(), 65535, TRUE);
  const U8 zeros[2] = {0, 0};
  U_CRC16_vCrc16(&crc, zeros, 2, FALSE);
  EXPECT_EQ(crc, BitwiseCrc16(data));
}

U32 Reverse32(U32 v) {
  U32 r = 0;
  for (int i = 0; i < 32; i++) r |= ((v >> i) & 1u) << (31 - i);
  return r;
}

U8 Reverse8(U8 v) { return (U8)(Reverse32(v) >> 24); }

// The most-significant-bit-first CRC computed with zlib's reflected CRC-32:
// reflecting the register and every byte turns one into the other; zlib
// complements the register on the way in and out.
U32 ZlibOracle(U32 start, const std::vector<U32>& words) {
  if (words.empty()) return start;  // zlib answers its own start value for no data
  std::vector<U8> fed;
  for (U32 w : words) {
    U8 mem[4];
    memcpy(mem, &w, 4);
    for (int i = 3; i >= 0; i--) fed.push_back(Reverse8(mem[i]));  // highest address first
  }
  const uLong reflected = crc32(~Reverse32(start) & 0xFFFFFFFFu, fed.data(), (uInt)fed.size());
  return Reverse32(~(U32)reflected);
}

TEST(Crc32Words, DocumentedValue) {
  U32 word;
  const U8 mem[4] = {0x01, 0x02, 0x03, 0x04};
  memcpy(&word, mem, 4);
  EXPECT_EQ(U_CRCST_u32Calc(0xFFFFFFFF, &word, 1), 0x1DABE74Fu);
  EXPECT_EQ(ZlibOracle(0xFFFFFFFF, {word}), 0x1DABE74Fu) << "the oracle itself";
  EXPECT_EQ(U_CRCST_u32Calc(0x12345678, &word, 0), 0x12345678u);
}

TEST(Crc32Words, RandomWordsMatchZlib) {
  std::mt19937 rng(99);
  for (int round = 0; round < 300; round++) {
    std::vector<U32> words(rng() % 70);  // odd and even counts
    for (U32& w : words) w = rng();
    const U32 start = (round % 3 == 0) ? 0xFFFFFFFFu : (round % 3 == 1 ? 0u : (U32)rng());
    const U32 crc = U_CRCST_u32Calc(start, words.data(), (U32)words.size());
    ASSERT_EQ(crc, ZlibOracle(start, words)) << words.size() << " words";

    // Chaining over two pieces gives the same result.
    const U32 cut = words.empty() ? 0 : rng() % words.size();
    const U32 first = U_CRCST_u32Calc(start, words.data(), cut);
    ASSERT_EQ(U_CRCST_u32Calc(first, words.data() + cut, (U32)words.size() - cut), crc);
  }
}

// The byte-table form: every word fed from its highest address down, one
// table step per byte.
U32 ByteTableCrc(U32 crc, const U8* bytes, size_t words) {
  static const std::vector<U32> table = [] {
    std::vector<U32> t(256);
    for (U32 i = 0; i < 256; i++) {
      U32 c = i << 24;
      for (int bit = 0; bit < 8; bit++) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
      t[i] = c;
    }
    return t;
  }();
  for (size_t w = 0; w < words; w++) {
    for (int i = 3; i >= 0; i--) crc = (crc << 8) ^ table[(crc >> 24) ^ bytes[4 * w + (size_t)i]];
  }
  return crc;
}

using CrcFunction = U32 (*)(U32, const U32*, U32);

struct CrcPath {
  const char* name;
  CrcFunction calc;
};

const CrcPath kCrcPaths[] = {{"fast", U_CRCST_u32Calc}, {"portable", U_CRCST_u32CalcPortable}};

// Lengths around the strides of the code (pairs of words, 8 words of the
// vector loop, 512 words per chunk handed to zlib) and a 60 KiB block; the
// words start at every offset from a 4-byte boundary.
TEST(Crc32Words, MatchesTheByteTableFormAtEveryAlignment) {
  std::mt19937 rng(7);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 40; n++) lengths.push_back(n);
  for (size_t n : {255, 256, 257, 511, 512, 513, 1023, 1024, 1025, 1536, 15360}) lengths.push_back(n);
  for (int i = 0; i < 40; i++) lengths.push_back(rng() % 3000);
  std::vector<U8> buffer(4 * 15360 + 8);
  for (const CrcPath& path : kCrcPaths) {
    for (size_t words : lengths) {
      for (size_t offset = 0; offset < 4; offset++) {
        U8* bytes = buffer.data() + offset;
        for (size_t i = 0; i < 4 * words; i++) bytes[i] = (U8)rng();
        const U32 start = (U32)rng();
        const U32 got = path.calc(start, reinterpret_cast<const U32*>(bytes), (U32)words);
        ASSERT_EQ(got, ByteTableCrc(start, bytes, words))
            << path.name << ": " << words << " words at offset " << offset;
      }
    }
  }
}

TEST(Crc32Words, EdgeValuesOnBothPaths) {
  U32 word;
  const U8 mem[4] = {0x01, 0x02, 0x03, 0x04};
  memcpy(&word, mem, 4);
  const std::vector<U32> ones(1000, 0xFFFFFFFFu);
  const std::vector<U32> zeros(1000, 0);
  for (const CrcPath& path : kCrcPaths) {
    EXPECT_EQ(path.calc(0xFFFFFFFF, &word, 1), 0x1DABE74Fu) << path.name;
    EXPECT_EQ(path.calc(0xCAFEF00D, nullptr, 5), 0xCAFEF00Du) << path.name << ": no words";
    EXPECT_EQ(path.calc(0xCAFEF00D, &word, 0), 0xCAFEF00Du) << path.name << ": count 0";
    // Zeros through a zero register stay zero (no conditioning leaks in).
    EXPECT_EQ(path.calc(0, zeros.data(), 1000), 0u) << path.name;
    for (U32 start : {0u, 0xFFFFFFFFu, 0x80000001u}) {
      EXPECT_EQ(path.calc(start, ones.data(), 1000), ByteTableCrc(start, (const U8*)ones.data(), 1000))
          << path.name << " start " << start;
      EXPECT_EQ(path.calc(start, zeros.data(), 1000), ByteTableCrc(start, (const U8*)zeros.data(), 1000))
          << path.name << " start " << start;
    }
  }
}

}  // namespace
