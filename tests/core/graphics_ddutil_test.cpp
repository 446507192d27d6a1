// Low-level copy and conversion routines.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "source/core/dd_util.h"

namespace {

TEST(GraphicsDdUtil, EndianSwapReversesTheBytes) {
  EXPECT_EQ(0x78563412u, DD_UTIL_EndianSwap(0x12345678u));
  EXPECT_EQ(0x000000FFu, DD_UTIL_EndianSwap(0xFF000000u));
  EXPECT_EQ(0xDEADBEEFu, DD_UTIL_EndianSwap(DD_UTIL_EndianSwap(0xDEADBEEFu)));
}

TEST(GraphicsDdUtil, CapNumericConversions) {
  const struct {
    U32 character, value;
  } xlat[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'Z', 35}, {'a', 0}, {':', 0}, {'@', 0}, {'Z' + 128, 35}, {'5' + 128, 5}};
  for (const auto& k : xlat) EXPECT_EQ(k.value, DD_UTIL_XlatCapNumeric(k.character)) << k.character;
  const struct {
    U32 value;
    char character;
  } form[] = {{0, '0'}, {9, '9'}, {10, 'A'}, {35, 'Z'}, {36, '['}};
  for (const auto& k : form) EXPECT_EQ(k.character, DD_UTIL_FormCapNumeric(k.value)) << k.value;
  for (U32 v = 0; v < 36; ++v) EXPECT_EQ(v, DD_UTIL_XlatCapNumeric((U32)DD_UTIL_FormCapNumeric(v)));
}

TEST(GraphicsDdUtil, MemcpyCopiesExactlyTheBytesAtEveryAlignment) {
  std::vector<U8> source(1100);
  for (size_t i = 0; i < source.size(); ++i) source[i] = (U8)(i * 37 + 11);
  for (size_t count : {0, 1, 15, 16, 17, 31, 33, 1000}) {
    for (size_t align = 0; align < 16; ++align) {
      for (size_t srcAlign : {0, 3}) {
        std::vector<U8> dest(count + 48, 0xEE);
        // Places the copy at the asked alignment of its real address.
        U8* base = dest.data();
        size_t offset = (16 - (reinterpret_cast<uintptr_t>(base) & 15) + align) & 15;
        DD_UTIL_Memcpy(base + offset, source.data() + srcAlign, count);
        for (size_t i = 0; i < dest.size(); ++i) {
          const bool inside = i >= offset && i < offset + count;
          ASSERT_EQ(inside ? source[i - offset + srcAlign] : 0xEE, dest[i])
              << "count " << count << " align " << align << " byte " << i;
        }
        std::vector<U8> viaProxy(count + 1, 0xEE);
        DD_UTIL_FastMemcpyProxy(viaProxy.data(), source.data(), count);
        ASSERT_EQ(0, std::memcmp(viaProxy.data(), source.data(), count));
        ASSERT_EQ(0xEE, viaProxy[count]);
      }
    }
  }
}

TEST(GraphicsDdUtil, ChromaBlitSelectsByTheKeyInGroupsOf16) {
  constexpr U16 KEY = 0x8401;
  constexpr int N = 48;
  std::vector<U16> background(N), foreground(N), dest(N);
  for (int i = 0; i < N; ++i) background[i] = (U16)(0x1000 + i);

  // All key: the background shows.
  std::fill(foreground.begin(), foreground.end(), KEY);
  Neon_ChromaBlit16(dest.data(), background.data(), foreground.data(), N, KEY);
  EXPECT_EQ(background, dest);

  // No key: the foreground.
  for (int i = 0; i < N; ++i) foreground[i] = (U16)(0x2000 + i);
  Neon_ChromaBlit16(dest.data(), background.data(), foreground.data(), N, KEY);
  EXPECT_EQ(foreground, dest);

  // Mixed; a count of 17 covers two whole groups (32 pixels), not 48.
  for (int i = 0; i < N; i += 3) foreground[i] = KEY;
  std::fill(dest.begin(), dest.end(), 0xEEEE);
  Neon_ChromaBlit16(dest.data(), background.data(), foreground.data(), 17, KEY);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(i % 3 == 0 ? background[i] : foreground[i], dest[i]) << i;
  for (int i = 32; i < N; ++i) EXPECT_EQ(0xEEEE, dest[i]) << i;
  Neon_ChromaBlit16(dest.data(), background.data(), foreground.data(), 0, KEY);
  EXPECT_EQ(0xEEEE, dest[40]);
}

TEST(GraphicsDdUtil, NamedFillAndCopy) {
  U8 a[8] = {}, b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  DD_UTIL_MemsetProxy(a, 0x5A, 5, __FILE__, __LINE__);
  EXPECT_EQ(0x5A, a[4]);
  EXPECT_EQ(0, a[5]);
  DD_UTIL_MemcpyProxy(a, b, 3, __FILE__, __LINE__);
  EXPECT_EQ(3, a[2]);
  EXPECT_EQ(0x5A, a[3]);
}

}  // namespace
