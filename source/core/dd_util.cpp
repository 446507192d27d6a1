// Low-level copy and conversion routines. The copy moves 32-byte blocks with
// its stores aligned to 16 bytes and reads ahead of itself; the chroma-key
// merge selects whole groups of 16 pixels without a branch per pixel. Both
// are written so that the compiler turns the blocks into vector loads and
// stores on the board (NEON) as on the host.
#include <cstdint>
#include <cstring>

#include "source/core/dd_util.h"

U32 DD_UTIL_EndianSwap(U32 value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

namespace {

template <size_t N>
inline void vMove(U8*& dst, const U8*& src) {
  std::memcpy(dst, src, N);
  dst += N;
  src += N;
}

}  // namespace

void DD_UTIL_Memcpy(void* destination, const void* source, size_t count) {
  U8* dst = static_cast<U8*>(destination);
  const U8* src = static_cast<const U8*>(source);
  if (count >= 16) {
    // Align the destination to 16 bytes.
    const uintptr_t a = reinterpret_cast<uintptr_t>(dst);
    if (a & 1) vMove<1>(dst, src), count -= 1;
    if (reinterpret_cast<uintptr_t>(dst) & 2) vMove<2>(dst, src), count -= 2;
    if (reinterpret_cast<uintptr_t>(dst) & 4) vMove<4>(dst, src), count -= 4;
    if (reinterpret_cast<uintptr_t>(dst) & 8) vMove<8>(dst, src), count -= 8;
    // 32-byte blocks, reading ahead by a distance that grows to 320 bytes.
    size_t ahead = 32;
    while (count >= ahead && count >= 32) {
      __builtin_prefetch(src + ahead);
      vMove<32>(dst, src);
      count -= 32;
      if (ahead <= 288) ahead += 32;
    }
    while (count >= 32) vMove<32>(dst, src), count -= 32;
    if (count & 16) vMove<16>(dst, src), count -= 16;
  }
  if (count & 8) vMove<8>(dst, src);
  if (count & 4) vMove<4>(dst, src);
  if (count & 2) vMove<2>(dst, src);
  if (count & 1) vMove<1>(dst, src);
}

U32 DD_UTIL_XlatCapNumeric(U32 character) {
  const U32 c = character & 0x7F;
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 0;
}

char DD_UTIL_FormCapNumeric(U32 value) { return (char)(value < 10 ? value + '0' : value + '0' + 7); }

void Neon_ChromaBlit16(U16* destination, const U16* background, const U16* foreground, S32 count, U16 key) {
  while (count > 0) {
    for (int i = 0; i < 16; ++i) {
      const U16 f = foreground[i];
      const U16 mask = (U16)-(U16)(f == key);  // all ones where the key shows through
      destination[i] = (U16)((background[i] & mask) | (f & (U16)~mask));
    }
    destination += 16;
    background += 16;
    foreground += 16;
    count -= 16;
  }
}

void DD_UTIL_MemsetProxy(void* destination, int value, size_t count, const char* file, int line) {
  (void)file;
  (void)line;
  std::memset(destination, value, count);
}

void DD_UTIL_MemcpyProxy(void* destination, const void* source, size_t count, const char* file, int line) {
  (void)file;
  (void)line;
  std::memcpy(destination, source, count);
}

void DD_UTIL_FastMemcpyProxy(void* destination, const void* source, size_t count) {
  DD_UTIL_Memcpy(destination, source, count);
}
