// Run-length codecs: the nibble code of the icons (decoder, encoder,
// verifier, whole-buffer decoder) and the byte code.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "source/graphics/u_rle.h"

namespace {

std::vector<U8> Decode(const std::vector<U8>& stream, size_t pixels, bool bounded = false) {
  NIBBLE_RLE_STATE state;
  if (bounded) {
    U_RLE_NIBBLE_vInitBounded(&state, stream.data(), stream.size());
  } else {
    U_RLE_NIBBLE_vInit(&state, stream.data());
  }
  std::vector<U8> out;
  for (size_t i = 0; i < pixels; ++i) out.push_back(U_RLE_NIBBLE_u8GetNext(&state));
  return out;
}

std::vector<U8> Repeat(U8 value, size_t n) { return std::vector<U8>(n, value); }
std::vector<U8> Cat(std::initializer_list<std::vector<U8>> parts) {
  std::vector<U8> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Packs nibbles two a byte, high first.
std::vector<U8> Pack(const std::vector<U8>& nibbles) {
  std::vector<U8> out((nibbles.size() + 1) / 2, 0);
  for (size_t i = 0; i < nibbles.size(); ++i) out[i / 2] |= (U8)((i & 1) ? nibbles[i] : nibbles[i] << 4);
  return out;
}
std::vector<U8> Unpack(const std::vector<U8>& bytes) {
  std::vector<U8> out;
  for (U8 b : bytes) out.push_back(b >> 4), out.push_back(b & 15);
  return out;
}

struct StreamCase {
  const char* what;
  std::vector<U8> stream;
  std::vector<U8> pixels;
};

TEST(IconRle, NibbleStreams) {
  const StreamCase cases[] = {
      {"literal, run of seven, literal", {0x5A, 0x56, 0x37}, Cat({{0xA}, Repeat(3, 7), {7}})},
      {"marker run of two", {0x5A, 0x51}, {0xA, 5, 5}},
      {"marker run of one and three", {0x95, 0x90, 0x92, 0xC0}, {5, 9, 9, 9, 9, 0xC}},
      {"count F, F is 128 pixels", {0x11, 0xFF, 0x60}, Repeat(6, 128)},
      {"two-nibble count 8, 8 is 9 pixels", {0x21, 0x28, 0x88, 0xE0}, Cat({{1}, Repeat(8, 9), {0xE}})},
      {"two-nibble count of a marker run", {0x44, 0x82, 0xD0}, Cat({Repeat(4, 3), {0xD}})},
      {"count 3 is the shortest value run", {0x00, 0x3B, 0xC0}, Cat({Repeat(0xB, 4), {0xC}})},
  };
  for (const StreamCase& c : cases) {
    EXPECT_EQ(c.pixels, Decode(c.stream, c.pixels.size())) << c.what;
    EXPECT_EQ(c.pixels, Decode(c.stream, c.pixels.size(), true)) << c.what;
  }
}

TEST(IconRle, BoundedDecoderStopsAtTheEndOfItsData) {
  NIBBLE_RLE_STATE state;
  const U8 stream[] = {0x5A, 0x56};  // the run's value nibble is missing
  U_RLE_NIBBLE_vInitBounded(&state, stream, sizeof stream);
  EXPECT_EQ(0xA, U_RLE_NIBBLE_u8GetNext(&state));
  EXPECT_FALSE(state.bOverrun);
  U_RLE_NIBBLE_u8GetNext(&state);
  EXPECT_TRUE(state.bOverrun);
  U_RLE_NIBBLE_vInitBounded(&state, nullptr, 0);
  EXPECT_TRUE(state.bOverrun);
  EXPECT_EQ(0, U_RLE_NIBBLE_u8GetNext(&state));
}

TEST(IconRle, EncoderOutput) {
  // AAAAAAAB: A 7 times, B once; marker 0 (absent, lowest): 0 | 0 6 A | B.
  const std::vector<U8> input = {0xAA, 0xAA, 0xAA, 0xAB};
  std::vector<U8> out(4, 0x0C);
  ASSERT_EQ(3, U_RLE_NIBBLE_nCompress(input.data(), out.data(), 4));
  EXPECT_EQ(0x00, out[0]);
  EXPECT_EQ(0x6A, out[1]);
  EXPECT_EQ(0xBC, out[2]) << "a final half byte keeps its low nibble";

  // 130 nibbles of 5 then 7 nibbles of 1 and one 2: marker 0; 128 as F F;
  // the rest of the fives, two, are literals; the ones a run of 7.
  std::vector<U8> nibbles = Cat({Repeat(5, 130), Repeat(1, 7), {2}});
  std::vector<U8> packed = Pack(nibbles);
  out.assign(packed.size(), 0);
  const int n = U_RLE_NIBBLE_nCompress(packed.data(), out.data(), (int)packed.size());
  ASSERT_GT(n, 0);
  out.resize((size_t)n);
  const std::vector<U8> expected = {0, 0, 0xF, 0xF, 5, 5, 5, 0, 6, 1, 2};
  std::vector<U8> got = Unpack(out);
  got.resize(expected.size());
  EXPECT_EQ(expected, got);
  EXPECT_EQ(6, n);

  // A lone pixel of the marker value: 3 is the least frequent value here.
  nibbles.clear();
  for (U8 v = 0; v < 16; ++v) {
    if (v != 3) nibbles.insert(nibbles.end(), 6, v);
  }
  nibbles.push_back(3);
  nibbles.push_back(15);
  packed = Pack(nibbles);
  out.assign(packed.size(), 0);
  ASSERT_GT(U_RLE_NIBBLE_nCompress(packed.data(), out.data(), (int)packed.size()), 0);
  EXPECT_EQ(3, out[0] >> 4);
  EXPECT_EQ(nibbles, Decode(out, nibbles.size()));
}

TEST(IconRle, EncoderGivesUpWhenNothingIsGained) {
  const U8 distinct[4] = {0x01, 0x23, 0x45, 0x67};
  U8 out[4];
  EXPECT_EQ(-1, U_RLE_NIBBLE_nCompress(distinct, out, 4));
  EXPECT_EQ(-1, U_RLE_NIBBLE_nCompress(distinct, out, 0));
  // Exactly as long as the input is not gained either: 8 nibbles of 4
  // values in runs of two need 1 + 8.
  const U8 pairs[4] = {0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(-1, U_RLE_NIBBLE_nCompress(pairs, out, 4));
}

TEST(IconRle, RandomRoundTrips) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    const size_t bytes = 1 + random() % 300;
    std::vector<U8> nibbles;
    while (nibbles.size() < bytes * 2) {
      const U8 value = (U8)(random() % (round % 3 == 0 ? 16 : 4));
      const size_t run = 1 + random() % (round % 2 ? 300 : 6);
      for (size_t i = 0; i < run && nibbles.size() < bytes * 2; ++i) nibbles.push_back(value);
    }
    const std::vector<U8> input = Pack(nibbles);
    std::vector<U8> out(bytes + 8, 0xEE);
    const int n = U_RLE_NIBBLE_nCompress(input.data(), out.data(), (int)bytes);
    for (size_t i = bytes; i < out.size(); ++i) ASSERT_EQ(0xEE, out[i]) << "writes stay inside the input's size";
    if (n < 0) continue;
    ASSERT_LT(n, (int)bytes + 1);
    EXPECT_TRUE(U_RLE_NIBBLE_bVerify(input.data(), out.data(), (int)bytes));
    EXPECT_TRUE(U_RLE_NIBBLE_bVerify(input.data(), out.data(), (int)bytes, (size_t)n));
    std::vector<U8> decoded(bytes);
    EXPECT_EQ((int)bytes, U_RLE_NIBBLE_vDecompress(decoded.data(), out.data(), (int)bytes));
    EXPECT_EQ(input, decoded);
    std::vector<U8> bounded(bytes);
    EXPECT_EQ((int)bytes, U_RLE_NIBBLE_vDecompress(bounded.data(), out.data(), (int)bytes, (size_t)n));
    EXPECT_EQ(input, bounded);
    // A changed input no longer verifies.
    std::vector<U8> changed = input;
    changed[random() % bytes] ^= 0x10;
    EXPECT_FALSE(U_RLE_NIBBLE_bVerify(changed.data(), out.data(), (int)bytes, (size_t)n));
  }
}

TEST(IconRle, DecompressIsBoundedByItsOutput) {
  // A run of 128 pixels into 4 bytes: 8 pixels written, the guard untouched.
  const std::vector<U8> stream = {0x11, 0xFF, 0x60};
  std::vector<U8> out(6, 0xEE);
  EXPECT_EQ(4, U_RLE_NIBBLE_vDecompress(out.data(), stream.data(), 4));
  EXPECT_EQ(std::vector<U8>({0x66, 0x66, 0x66, 0x66, 0xEE, 0xEE}), out);
  // Data that ends early: the bytes begun are counted, the rest untouched.
  const std::vector<U8> shortStream = {0x5A, 0xB5};  // marker 5, A, B, then a code cut off
  out.assign(6, 0xEE);
  EXPECT_EQ(1, U_RLE_NIBBLE_vDecompress(out.data(), shortStream.data(), 6, shortStream.size()));
  EXPECT_EQ(0xAB, out[0]);
  EXPECT_EQ(0xEE, out[1]);
  out.assign(6, 0xEE);
  EXPECT_EQ(0, U_RLE_NIBBLE_vDecompress(out.data(), shortStream.data(), 0));
  EXPECT_EQ(0xEE, out[0]);
}

// ------------------------------------------------------------ byte code

std::vector<U8> ByteCompress(const std::vector<U8>& input) {
  std::vector<U8> out(U_RLE_u32CompressBound((U32)input.size()));
  out.resize(U_RLE_Compress(input.data(), out.data(), (U32)input.size()));
  return out;
}

TEST(IconRle, ByteStreams) {
  struct Case {
    const char* what;
    std::vector<U8> stream;
    std::vector<U8> bytes;
  };
  const std::vector<U8> long300 = Repeat(0x41, 300);
  const Case cases[] = {
      {"literals", {0x00, 1, 2, 3}, {1, 2, 3}},
      {"run of five", {0x00, 0x00, 4, 0x61, 0x62}, Cat({Repeat(0x61, 5), {0x62}})},
      {"marker runs of one to three", {0x07, 0x07, 0x00, 0x07, 0x02, 0x09}, Cat({{7, 7, 7, 7}, {9}})},
      {"two-byte count", {0xFE, 0xFE, 0x81, 0x2B, 0x41}, long300},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    std::vector<U8> out(c.bytes.size() + 4, 0xEE);
    EXPECT_EQ((int)c.bytes.size(), U_RLE_Uncompress(c.stream.data(), out.data(), (U32)c.stream.size(),
                                                     (U32)c.bytes.size()))
        << c.what;
    out.resize(c.bytes.size());
    EXPECT_EQ(c.bytes, out) << c.what;
  }
  // The encoder makes the two-byte count of the long run.
  const std::vector<U8> encoded = ByteCompress(long300);
  EXPECT_EQ(5u, encoded.size());
  EXPECT_EQ(0x81, encoded[2]);
  EXPECT_EQ(0x2B, encoded[3]);
}

TEST(IconRle, ByteDecoderRefusesCorruptStreams) {
  struct Case {
    const char* what;
    std::vector<U8> stream;
    U32 room;
    int written;
  };
  const Case cases[] = {
      {"run longer than the output", {0x00, 0x00, 0x80, 0xFF, 0x55}, 10, -1},
      {"literals past the output", {0x00, 1, 2, 3, 4}, 3, -1},
      {"marker at the end", {0x00, 1, 0x00}, 10, -1},
      {"two-byte count cut off", {0x00, 0x00, 0x85}, 10, -1},
      {"symbol cut off", {0x00, 0x00, 0x05}, 10, -1},
      {"exactly fills", {0x00, 0x00, 0x04, 0x33}, 5, 5},
  };
  for (const Case& c : cases) {
    std::vector<U8> out(c.room + 4, 0xEE);
    EXPECT_EQ(c.written, U_RLE_Uncompress(c.stream.data(), out.data(), (U32)c.stream.size(), c.room)) << c.what;
    for (size_t i = c.room; i < out.size(); ++i) EXPECT_EQ(0xEE, out[i]) << c.what;
  }
}

TEST(IconRle, ByteRandomRoundTrips) {
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::vector<U8> input;
    const size_t size = random() % (round % 10 == 0 ? 70000 : 600);
    while (input.size() < size) {
      const U8 value = (U8)(random() % (round % 2 ? 256 : 3));
      const size_t run = 1 + random() % (round % 10 == 0 ? 40000 : 8);
      for (size_t i = 0; i < run && input.size() < size; ++i) input.push_back(value);
    }
    const std::vector<U8> encoded = ByteCompress(input);
    ASSERT_LE(encoded.size(), U_RLE_u32CompressBound((U32)input.size()));
    std::vector<U8> decoded(input.size());
    ASSERT_EQ((int)input.size(),
              U_RLE_Uncompress(encoded.data(), decoded.data(), (U32)encoded.size(), (U32)decoded.size()));
    EXPECT_EQ(input, decoded);
  }
}

}  // namespace
