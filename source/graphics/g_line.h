// One-pixel lines: plain, alpha-blended and patterned. Points are logical
// (y upward); both end points belong to the line.
#pragma once

#include "source/graphics/g_bitmap.h"

// Clipped to the bitmap's clip rectangle.
void G_LINE_vDraw(BITMAP* bitmap, COLOR colour, POINT start, POINT end);
// Horizontal and vertical lines are blended (alpha weights the old pixel,
// 0 opaque); a sloped line is drawn opaque like G_LINE_vDraw.
void G_LINE_vDrawAlpha(BITMAP* bitmap, COLOR colour, POINT start, POINT end, U8 alpha);
// Horizontal and vertical lines only; clipped to the full-screen clip. The
// 16-bit pattern is repeated to 32 bits and bit 31 is used first. The clamped
// end coordinates are written back into the caller's points.
void G_LINE_vDrawPatterned(BITMAP* bitmap, COLOR colour, POINT* start, POINT* end, U16 pattern);
// The sloped-line routine (symmetric double step); clips pixel by pixel.
void line_Draw(BITMAP* bitmap, COLOR colour, POINT start, POINT end);
