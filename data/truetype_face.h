// The compiled-in TrueType face of the anti-aliased text (made by
// tools/fontgen/ttfface): a narrow bold face with three character maps, the
// code page of font set 1, that of font set 2, and Unicode.
#pragma once

#include <cstddef>

#include "common/types.h"
#include "common/g_types.h"

// Described like a bitmap font: the first field points at the face's data,
// the fifth (a bitmap font's widest glyph) holds its length in bytes.
typedef struct {
  const U8* pData;
  U32 u32Height;
  U32 u32Ascender;
  U32 u32Descender;
  U32 u32Length;
  U32 u32InterCharSpacing;
} TRUETYPE_FONT_DEF;
static_assert(sizeof(TRUETYPE_FONT_DEF) == sizeof(FONT_DEF));
static_assert(offsetof(TRUETYPE_FONT_DEF, u32Length) == offsetof(FONT_DEF, u32MaxWidth));

extern const U8 fnt[];
extern const TRUETYPE_FONT_DEF ArialNarrow_Bold_XJcoding;
