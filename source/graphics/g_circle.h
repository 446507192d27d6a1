// Circles given by centre and diameter (pixel radius = diameter / 2).
#pragma once

#include "source/graphics/g_bitmap.h"

// Outline; each coordinate is first clamped into the bitmap's area.
void G_CIRCLE_vDraw(BITMAP* bitmap, COLOR colour, POINT centre, U32 diameter);
// Outline without the clamping step.
void G_CIRCLE_vDrawWithNoBound(BITMAP* bitmap, COLOR colour, POINT centre, U32 diameter);
// Filled from horizontal lines; a diameter negative as a signed value draws
// nothing.
void G_CIRCLE_vDrawFilled(BITMAP* bitmap, COLOR colour, POINT centre, U32 diameter);
