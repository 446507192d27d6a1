// Full-colour pictures: 16-bit run-length images (IMAGE) and 32-bit images
// with an alpha channel (IMAGE32), whole, partial, conditional and rotated.
//
// IMAGE data: 16-bit COLOR words, rows from the bottom up. A word other than
// 0xFFFF is one pixel and becomes the row's last colour (0x0000 at the start
// of each row); 0xFFFF followed by a count n is n pixels of the last colour.
// A row ends as soon as s32Width pixels are covered; a run reaching past the
// row's end is cut there.
//
// IMAGE32 data: 4-byte elements red, green, blue, alpha, rows from the bottom
// up. red 90 with alpha 0 is a run code: the previous element covers
// n = green + 256 * blue columns. Otherwise alpha 0 is transparent, 255
// opaque and 1-254 blended (alpha weights the new colour). The rotated
// operations read a plain array without run codes.
#pragma once

#include <cstddef>

#include "common/g_types.h"
#include "source/graphics/g_bitmap.h"


// A compression-5 icon has the layout of IMAGE32 and is drawn through the
// operations taking struct tag_ICON.
struct tag_ICON;

// One 32-bit picture element.
struct IMAGE32_ELEMENT {
  U8 red;
  U8 green;
  U8 blue;
  U8 alpha;
};
static_assert(sizeof(IMAGE32_ELEMENT) == 4);
constexpr U8 IMAGE32_RUN_RED = 90;
constexpr COLOR G_IMAGE32_colorOf(U8 red, U8 green, U8 blue) {
  return (COLOR)(((U32)(red / 8) << 11) | ((U32)(green / 4) << 5) | (U32)(blue / 8));
}

// Whole pictures with their lower-left corner at the point.
// Through G_PIXEL_vPut (clip rectangle).
void G_IMAGE_vPut(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft);
// Straight into the buffer, bounded by the bitmap (not its clip rectangle);
// blend (a * new + (255 - a) * old) >> 8.
void G_IMAGE32_vPut(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft);
// A compression-5 icon read as IMAGE32, through G_PIXEL_vPut; blend / 255.
void G_IMAGE32_vPutOld(BITMAP* bitmap, const struct tag_ICON* icon, POINT lowerLeft);

// The same decoders with the picture data bounded to dataBytes bytes: a
// picture whose data ends early stops there (what is decoded stays drawn).
void G_IMAGE_vPutBounded(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft, size_t dataBytes);
void G_IMAGE32_vPutBounded(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, size_t dataBytes);

// Partial pictures: rows 0 to floor(heightFraction * height) - 1 from the
// bottom, each up to floor(widthFraction * width) columns; fractions clamped
// to 0-1. Used to fill bar gauges from the bottom up.
void G_IMAGE32_PART_vPutNew(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, F32 widthFraction,
                            F32 heightFraction);
void G_IMAGE_PART_vPutNew(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft, F32 widthFraction,
                          F32 heightFraction);
// Uncompressed 16-bit picture (plain COLOR words, width words a row).
void G_IMAGE_PART_vPut(BITMAP* bitmap, const IMAGE* image, POINT lowerLeft, F32 widthFraction,
                       F32 heightFraction);
// Run-length IMAGE32 drawn only on one side of the line through the centre
// at the angle (whole degrees).
void G_IMAGE32_PART_vPut(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, POINT centre, S32 angleDegrees);
// Run-length IMAGE32 drawn only inside the sector from the start to the end
// angle (whole degrees, counter-clockwise from the x axis) around the anchor;
// the sign of direction gives the sweep (>= 0 counter-clockwise).
void G_IMAGE32_vPutCondition(BITMAP* bitmap, const IMAGE32* image, POINT lowerLeft, S32 radius, F32 startAngle,
                             F32 endAngle, POINT anchor, S32 direction);

// Plain IMAGE32 turned counter-clockwise by the angle (radians), the picture
// point centre (image pixels from the lower-left) placed at the anchor.
void G_IMAGE32_vPutRotated(BITMAP* bitmap, const IMAGE32* image, POINT anchor, POINT centre, F64 angle);
void G_IMAGE32_vPutRotatedOld(BITMAP* bitmap, const struct tag_ICON* icon, POINT anchor, POINT centre, F64 angle);
