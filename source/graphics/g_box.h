// Rectangles: outlined, filled, rounded and alpha-blended. A box of width w
// and height h anchored at its lower-left corner (x, y) covers columns x to
// x + w - 1 and rows y to y + h - 1. Alpha weights the old pixel (0 opaque).
#pragma once

#include "source/graphics/g_bitmap.h"

void G_BOX_vDraw(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height);
void G_BOX_vDrawFilled(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height);
void G_BOX_vDrawAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U8 alpha);
void G_BOX_vDrawFilledAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U8 alpha);
void G_BOX_vDrawRounded(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius);
void G_BOX_vDrawRoundedAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius,
                             U8 alpha);
void G_BOX_vDrawRoundedFilled(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius);
void G_BOX_vDrawRoundedFilledAlpha(BITMAP* bitmap, COLOR colour, POINT anchor, U32 width, U32 height, U32 radius,
                                   U8 alpha);
