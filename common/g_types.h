// Drawing types shared by every subsystem and by the compiled-in data:
// colours, points, the drawing surface BITMAP, stored pictures (ICON, IMAGE,
// IMAGE32) and bitmap fonts (FONT_DEF). The drawing library that works on
// them is in source/graphics/.
#pragma once

#include <cstddef>

#include "common/types.h"

// RGB565: red in bits 15-11, green in bits 10-5, blue in bits 4-0.
typedef U16 COLOR;
typedef S32 PIXEL;

struct POINT {
  PIXEL x;
  PIXEL y;
};

// Size of the unit's screen and of one display page.
constexpr S32 G_SCREEN_WIDTH = 800;
constexpr S32 G_SCREEN_HEIGHT = 600;
// A page pixel of this colour shows the graphics plane beneath.
constexpr COLOR G_CHROMA_KEY = 0x8401;

typedef struct tag_BITMAP {
  U32* pBuffer;                    // rows of 16-bit pixels, start 4-byte aligned
  S32 pixels_wide;                 // drawing area
  S32 pixels_high;
  PIXEL s32ClipLeft;               // smallest x written (inclusive)
  PIXEL s32ClipTop;                // largest y written (inclusive)
  PIXEL s32ClipRight;              // largest x written (inclusive)
  PIXEL s32ClipBottom;             // smallest y written (inclusive)
  S32 pixels_wide_full_screen;     // whole surface
  S32 pixels_high_full_screen;     // whole surface; the row rule uses this
  PIXEL s32ClipLeft_full_screen;   // outer clip of the whole surface
  PIXEL s32ClipTop_full_screen;
  PIXEL s32ClipRight_full_screen;
  PIXEL s32ClipBottom_full_screen;
  U32 __u32PixelWidthOfBuffer;     // row pitch in pixels (width made even)
  U32 __u32PixelHeightOfBuffer;    // rows of the buffer (height made even)
} BITMAP;

// The 16-bit pixel array of a bitmap.
inline COLOR* G_BITMAP_pPixels(const BITMAP* bitmap) { return reinterpret_cast<COLOR*>(bitmap->pBuffer); }

// Channel helpers of RGB565.
constexpr U32 G_COLOR_u32Red(COLOR c) { return (U32)(c >> 11) & 0x1F; }
constexpr U32 G_COLOR_u32Green(COLOR c) { return (U32)(c >> 5) & 0x3F; }
constexpr U32 G_COLOR_u32Blue(COLOR c) { return (U32)c & 0x1F; }
constexpr COLOR G_COLOR_Pack(U32 red, U32 green, U32 blue) {
  return (COLOR)(((red & 0x1F) << 11) | ((green & 0x3F) << 5) | (blue & 0x1F));
}

// ---------------------------------------------------------------- stored pictures
// Stored as a 32-bit value; values other than these are drawn as nothing.
typedef enum : S32 {
  ICON_PADDED_BITMAPS = 0,
  ICON_UNPADDED_BUFFERS = 1,
  ICON_TRANSPARENT_COLOR = 2,
  ICON_RLE_BUFFERS = 3,
  ICON_RLE_TRANSPARENT_COLOR = 4,
  ICON_PNG_IMAGE32 = 5
} ICON_COMPRESSION;

typedef struct tag_ICON {
  const void* pBitmap;
  const void* pMask;
  S32 nWidth;
  S32 nHeight;
  ICON_COMPRESSION eCompression;
} ICON;

typedef struct tag_IMAGE {
  const void* data;
  const void* mask;  // not used by the drawing operations
  S32 s32Width;
  S32 s32Height;
  U32 eCompression;  // not consulted by the drawing operations
} IMAGE;

typedef struct tag_IMAGE32 {
  const void* data;
  const void* mask;
  S32 s32Width;
  S32 s32Height;
  U32 eCompression;
} IMAGE32;

// ---------------------------------------------------------------- bitmap fonts
typedef struct {
  const U8* pBuffer;  // glyph rows
  U32 u32Width;       // pixels, also the advance
} CHAR_DESC;

typedef struct tag_FONT_DEF {
  const CHAR_DESC* const* pCharTable;  // 256 glyphs by character byte; null: lacking
  U32 u32Height;            // rows of every glyph cell
  U32 u32Ascender;          // rows above the core of the letters
  U32 u32Descender;         // rows below the baseline
  U32 u32MaxWidth;          // the widest glyph
  U32 u32InterCharSpacing;  // reported only; never added by the string operations
} FONT_DEF;
