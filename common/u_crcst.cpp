// The word CRC is computed by zlib's CRC-32. zlib divides by the same
// polynomial bit-reversed (0xEDB88320) and feeds each byte from its least
// significant bit up; this CRC feeds each word from bit 31 down to bit 0. So
// the bits fed here for a word w are, in the same order, the bits zlib feeds
// for the four bytes of the little-endian word reverse32(w), and the register
// here is the bit-reversed zlib register. zlib also complements its register
// on the way in and out; that is undone around the call.
//
// The words are reversed into a small buffer on the stack, one chunk at a
// time, and the chunk handed to zlib.
#include "common/u_crcst.h"

#include <string.h>
#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define U_CRCST_X86 1
#endif

namespace {

inline U32 Reverse32(U32 v) {
  v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
  v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
  v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
  return __builtin_bswap32(v);
}

// Two words at once: the bits of every byte reversed, then the bytes of
// each 32-bit half.
inline U64 Reverse32x2(U64 v) {
  v = ((v >> 1) & 0x5555555555555555ull) | ((v & 0x5555555555555555ull) << 1);
  v = ((v >> 2) & 0x3333333333333333ull) | ((v & 0x3333333333333333ull) << 2);
  v = ((v >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((v & 0x0F0F0F0F0F0F0F0Full) << 4);
  v = __builtin_bswap64(v);
  return (v >> 32) | (v << 32);
}

// Portable form: out gets reverse32 of every little-endian word of in.
void ReverseWordsPortable(U8* out, const U8* in, size_t words) {
  size_t i = 0;
  for (; i + 2 <= words; i += 2) {
    U64 v;
    memcpy(&v, in + 4 * i, 8);
    v = Reverse32x2(v);
    memcpy(out + 4 * i, &v, 8);
  }
  if (i < words) {
    U32 v;
    memcpy(&v, in + 4 * i, 4);
    v = Reverse32(v);
    memcpy(out + 4 * i, &v, 4);
  }
}

#ifdef U_CRCST_X86
// SSSE3: a nibble table reverses the bits of each byte, a byte shuffle the
// bytes of each word.
__attribute__((target("ssse3"))) inline __m128i Reverse32x4(__m128i v) {
  const __m128i lowNibble = _mm_set1_epi8(0x0F);
  // Bit-reversed nibble values, placed high (for the low nibble) and low
  // (for the high nibble) so that the two lookups combine with an OR.
  const __m128i revLowToHigh = _mm_setr_epi8(0x00, (char)0x80, 0x40, (char)0xC0, 0x20, (char)0xA0, 0x60, (char)0xE0,
                                             0x10, (char)0x90, 0x50, (char)0xD0, 0x30, (char)0xB0, 0x70, (char)0xF0);
  const __m128i revHighToLow = _mm_setr_epi8(0x00, 0x08, 0x04, 0x0C, 0x02, 0x0A, 0x06, 0x0E, 0x01, 0x09, 0x05, 0x0D,
                                             0x03, 0x0B, 0x07, 0x0F);
  const __m128i wordBytes = _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  const __m128i lo = _mm_and_si128(v, lowNibble);
  const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), lowNibble);
  v = _mm_or_si128(_mm_shuffle_epi8(revLowToHigh, lo), _mm_shuffle_epi8(revHighToLow, hi));
  return _mm_shuffle_epi8(v, wordBytes);
}

// 32 bytes per round, the rest in the portable form.
__attribute__((target("ssse3"))) void ReverseWordsSsse3(U8* out, const U8* in, size_t words) {
  size_t i = 0;
  for (; i + 8 <= words; i += 8) {
    const __m128i a = _mm_loadu_si128((const __m128i*)(in + 4 * i));
    const __m128i b = _mm_loadu_si128((const __m128i*)(in + 4 * i + 16));
    _mm_storeu_si128((__m128i*)(out + 4 * i), Reverse32x4(a));
    _mm_storeu_si128((__m128i*)(out + 4 * i + 16), Reverse32x4(b));
  }
  ReverseWordsPortable(out + 4 * i, in + 4 * i, words - i);
}
#endif

using ReverseWords = void (*)(U8*, const U8*, size_t);

// Chosen once, at the first call, by what the processor offers.
ReverseWords ChooseReverseWords() {
#ifdef U_CRCST_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("ssse3")) return ReverseWordsSsse3;
#endif
  return ReverseWordsPortable;
}

// Words reversed per zlib call: small enough to stay in the first-level cache.
constexpr size_t kChunkWords = 512;

}  // namespace

namespace {

U32 Calc(ReverseWords reverseWords, U32 u32Crc, const U32* pu32Words, U32 u32Count) {
  if (pu32Words == nullptr || u32Count == 0) {
    return u32Crc;
  }
  // Read as bytes, so the words need no alignment.
  const U8* p = reinterpret_cast<const U8*>(pu32Words);
  alignas(16) U8 chunk[kChunkWords * 4];
  uLong zlibCrc = ~Reverse32(u32Crc) & 0xFFFFFFFFu;
  size_t left = u32Count;
  while (left > 0) {
    const size_t words = left < kChunkWords ? left : kChunkWords;
    reverseWords(chunk, p, words);
    zlibCrc = crc32_z(zlibCrc, chunk, words * 4);
    p += words * 4;
    left -= words;
  }
  return Reverse32(~(U32)zlibCrc);
}

}  // namespace

U32 U_CRCST_u32Calc(U32 u32Crc, const U32* pu32Words, U32 u32Count) {
  static const ReverseWords s_pfnReverseWords = ChooseReverseWords();
  return Calc(s_pfnReverseWords, u32Crc, pu32Words, u32Count);
}

U32 U_CRCST_u32CalcPortable(U32 u32Crc, const U32* pu32Words, U32 u32Count) {
  return Calc(ReverseWordsPortable, u32Crc, pu32Words, u32Count);
}
