// The unit's PNG reader: only the kind of picture the unit writes itself,
// 800 x 600 pixels, 8-bit RGB, not interlaced. Rows are reconstructed for
// every filter type of the PNG standard (0 to 4); pixels are reduced to
// RGB565. The picture's first row lands on logical row y0 + 599, its last on
// y0 (logical y grows upward), its left column on x0. Input is read in
// pieces of at most 16384 bytes and decoded row by row.
#pragma once

#include "common/types.h"
#include "source/graphics/g_bitmap.h"

constexpr int PNG_WIDTH = 800;
constexpr int PNG_HEIGHT = 600;
constexpr int PNG_ROW_BYTES = 1 + PNG_WIDTH * 3;  // filter byte and pixels
constexpr int PNG_PIECE = 16384;

// Where the bytes come from: pfnRead copies up to n bytes and returns how
// many (0 at the end). lSize is the number of bytes the source holds from
// its start, -1 when unknown; a chunk reaching past it is refused.
struct PNG_SOURCE {
  int (*pfnRead)(void* pContext, U8* pBuffer, int n);
  void* pContext;
  long lSize;
};

inline COLOR U_PNG_colorFromRgb(U8 red, U8 green, U8 blue) {
  return (COLOR)(((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3));
}

// TRUE when the whole picture was decoded. On a failure the rows already
// drawn stay.
BOOLEAN U_PNG_bDecode(PNG_SOURCE* pSource, BITMAP* pBitmap, PIXEL x0, PIXEL y0);

// The older snapshot form: a 54-byte header, then rows from the bottom of
// the bitmap's full width up, 3 bytes a pixel (blue, green, red) padded to
// 4 bytes. The source must hold exactly that many bytes (lSize). TRUE when
// every row was read; on a failure the rows already drawn stay.
BOOLEAN U_BMP_bDecode(PNG_SOURCE* pSource, BITMAP* pBitmap);

// Reconstructs one row in place (filter byte first, 3 bytes per pixel)
// against the previous row's reconstructed bytes (zeros for the first row).
// FALSE for a filter type above 4.
BOOLEAN U_PNG_bUnfilterRow(U8* pRow, const U8* pPrevious, int nRowBytes);
