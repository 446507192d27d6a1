// Basic types shared by every module of the unit.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t U8;
typedef int8_t S8;
typedef uint16_t U16;
typedef int16_t S16;
typedef uint32_t U32;
typedef int32_t S32;
typedef uint64_t U64;
typedef int64_t S64;
typedef float F32;
typedef double F64;
typedef U8 BOOLEAN;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A settings-database key: four ASCII characters, the first in the lowest byte.
typedef U32 FOURCHARID;

constexpr FOURCHARID MAKE_FOURCHARID(char a, char b, char c, char d) {
  return (U32)(U8)a | ((U32)(U8)b << 8) | ((U32)(U8)c << 16) | ((U32)(U8)d << 24);
}
// Four-character literal, e.g. FCID("TNVR").
constexpr FOURCHARID FCID(const char (&s)[5]) { return MAKE_FOURCHARID(s[0], s[1], s[2], s[3]); }

// Structures that must keep the board's compact layout on a 64-bit host are
// packed to 4-byte alignment (pointer members then sit on 4-byte boundaries).
#define TESSIX_PACK4_BEGIN _Pragma("pack(push, 4)")
#define TESSIX_PACK_END _Pragma("pack(pop)")
