// Whole-bitmap operations: clearing, copying bands of rows between bitmaps
// and placing one logical block onto another.
#pragma once

#include "source/graphics/g_bitmap.h"

// Writes the colour into every pixel the buffer holds (clip not consulted).
void G_BMP_vSet(BITMAP* bitmap, COLOR colour);
// For each source row copies length pixels starting at the offsets in the
// first row, stepping by each bitmap's own pitch. Rows and lengths are bounded
// by what both buffers hold.
void G_BMP_vCopyRegion(const BITMAP* source, BITMAP* destination, U32 sourceOffset, U32 destinationOffset,
                       U32 length);
// Copies the width x height block with its lower-left corner at the source
// point to the destination point (logical coordinates), cut to both buffers.
void G_BMP_vPlaceLogicalOnLogical(BITMAP* destination, POINT destinationPoint, const BITMAP* source,
                                  POINT sourcePoint, U32 width, U32 height);
// Copies the block whose top-left corner is the physical source point (row
// from the top) upright to the logical destination point through
// G_PIXEL_vPut, skipping the transparent colour; 0xFFFE: nothing transparent.
constexpr U32 G_BMP_NO_TRANSPARENT = 0xFFFE;
void G_BMP_vCopyPhysicalToLogical(BITMAP* destination, POINT destinationPoint, const BITMAP* source,
                                  POINT sourcePhysical, U32 width, U32 height, U32 transparent);
