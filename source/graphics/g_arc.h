// One-pixel circular arcs, angles in degrees counter-clockwise from the
// positive x axis (y upward).
#pragma once

#include "source/graphics/g_bitmap.h"

void G_ARC_vDraw(BITMAP* bitmap, COLOR colour, POINT centre, U32 radius, F32 startAngle, F32 endAngle);
