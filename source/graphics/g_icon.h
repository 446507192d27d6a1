// Icons: 16-colour pictures whose 4-bit pixels index the icon palette, in
// five stored layouts, and full-colour pictures kept as icons.
//
// Layouts 1 to 4 take the pixels row by row from the top row down, each row
// from left to right, with no padding between rows (a row may end inside a
// byte). A packed nibble stream holds two pixels a byte, the high nibble
// first. A mask pixel of 15 is transparent; any other lets the pixel through.
//
//   0 ICON_PADDED_BITMAPS        pBitmap: a BITMAP whose buffer holds 4-bit
//                                pixels (pixel x of row r, r = 0 the top, is
//                                nibble x + r * __u32PixelWidthOfBuffer, read
//                                from little-endian 32-bit words of eight
//                                pixels, the first in bits 31-28); pMask: a
//                                BITMAP of the same layout, or null
//   1 ICON_UNPADDED_BUFFERS      packed nibble stream; pMask the same, or null
//   2 ICON_TRANSPARENT_COLOR     packed nibble stream; pMask: one byte, the
//                                transparent pixel value (required)
//   3 ICON_RLE_BUFFERS           nibble run-length stream (source/u_rle.h);
//                                pMask a run-length stream, or null
//   4 ICON_RLE_TRANSPARENT_COLOR nibble run-length stream; pMask: one byte,
//                                the transparent pixel value (required)
//   5 ICON_PNG_IMAGE32           the picture data of an IMAGE (at least 60 x 60)
//                                or IMAGE32 (source/g_image.h)
//
// Pixel value v is drawn in colour s_pcolorLookup[v]; the platform set-up
// points the palette at entry 80 of the colour table. Until then it is a
// copy of that section's initial colours.
#pragma once

#include <cstddef>

#include "common/types.h"
#include "common/g_types.h"
#include "source/graphics/g_bitmap.h"


typedef enum {
  G_ICON_ROTATE_0 = 0,
  G_ICON_ROTATE_90 = 1,  // clockwise on the screen
  G_ICON_ROTATE_180 = 2,
  G_ICON_ROTATE_270 = 3
} G_ICON_ROTATION;

// Receives every visible pixel: offsets x from the left and y from the
// bottom row (the top row has y = nHeight - 1).
typedef void (*G_ICON_PUT_PIXEL)(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32 extra);

// Draws the icon with its lower-left corner at the point, clipped.
void G_ICON_vPut(BITMAP* bitmap, const ICON* icon, POINT lowerLeft);
// Quarter turns about the anchor; any other rotation draws unturned.
// Full-colour icons are not drawn here.
void G_ICON_vPutRotated(BITMAP* bitmap, const ICON* icon, POINT anchor, U32 rotation);
// Full-colour icons turn by the exact angle (radians) about the centre; the
// others by the nearest quarter turn about the anchor: q = (45 + degrees) / 90
// truncated, 1, 2 and 3 giving 90, 180 and 270 degrees, any other q none.
void G_ICON_vPutRotatedAngle(BITMAP* bitmap, const ICON* icon, POINT anchor, POINT centre, F64 angle);

// Decodes layouts 0 to 4 and hands every visible pixel to putPixel. A null
// icon, a full-colour or unknown layout, or layouts 2 and 4 without their
// transparent byte draw nothing.
void G_ICON_vDecompressAndPutIndirect(BITMAP* bitmap, const ICON* icon, POINT anchor, G_ICON_PUT_PIXEL putPixel,
                                      U32 extra);
// The same with the stored data bounded: layouts 1 and 3 read at most
// bitmapBytes of pBitmap and maskBytes of pMask, layouts 2 and 4 at most
// bitmapBytes; pixels past the end of the data are not drawn. Layout 0 reads
// only inside its bitmaps' buffers.
void G_ICON_vDecompressAndPutIndirectBounded(BITMAP* bitmap, const ICON* icon, POINT anchor,
                                             G_ICON_PUT_PIXEL putPixel, U32 extra, size_t bitmapBytes,
                                             size_t maskBytes);

// Put-pixel functions, through G_PIXEL_vPut at:
void G_ICON_vRot0PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32 extra);    // (ax + x, ay + y)
void G_ICON_vRot90PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32 extra);   // (ax + y, ay - x)
void G_ICON_vRot180PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32 extra);  // (ax - x, ay - y)
void G_ICON_vRot270PutPixel(BITMAP* bitmap, POINT anchor, S32 x, S32 y, COLOR colour, U32 extra);  // (ax - y, ay + x)

U32 G_ICON_u32GetWidth(const ICON* icon);
U32 G_ICON_u32GetHeight(const ICON* icon);
// Sets the 16 colours of the icon palette.
void G_ICON_vSetIconPalette(const COLOR* colours);
