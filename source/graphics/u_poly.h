// Polygon clipping to a rectangle (Sutherland-Hodgman in one pass), in place
// or on the way into the chart engine's polygon fill.
#pragma once

#include "common/types.h"
#include "source/graphics/g_bitmap.h"

struct GL_POLYFILL;

constexpr S32 VERTEX_LIST_MAX = 128;

struct VERTEX_LIST {
  S32 count;
  POINT point[VERTEX_LIST_MAX];
};

struct POLY_CLIP_CONTEXT {
  VERTEX_LIST vlResult;
  S32 nLeft, nXPrevLeft, nYPrevLeft;
  S32 nRight, nXPrevRight, nYPrevRight;
  S32 nTop, nXPrevTop, nYPrevTop;  // nTop: largest y kept
  S32 nBottom, nXPrevBottom, nYPrevBottom;  // nBottom: smallest y kept
  // Where the outline goes: with a fill, a full vertex list is handed on and
  // restarted from its last vertex; without one the list is bounded and a
  // vertex beyond it marks the clip as overflowed.
  GL_POLYFILL* pFill;
  U32 u32Status;
  S32 s32Handed;  // vertices handed to the fill so far
  BOOLEAN bOverflow;
};

// Clips the polygon ({x, y} S32 pairs) to the rectangle and copies the
// clipped outline back over the caller's array, which holds capacity
// vertices (at least count; by default VERTEX_LIST_MAX, the most an outline
// may have). Returns the vertex count, or 0 with the array untouched when
// fewer than 2 remain or when the outline would exceed the capacity or
// VERTEX_LIST_MAX (traced).
S32 U_POLY_nClip(S32 left, S32 right, S32 top, S32 bottom, POINT* vertices, S32 count,
                 S32 capacity = VERTEX_LIST_MAX);
// Clips the polygon to the fill's screen box and adds the outline to the fill
// with gr_PolyFillAddVertices; returns its status, or 0x80000000 when fewer
// than 2 vertices remain. An outline that would exceed VERTEX_LIST_MAX
// vertices is added in pieces, so nothing is lost.
U32 U_POLY_eClipSegment(GL_POLYFILL* fill, const POINT* vertices, S32 count);
// Inner stages of the clip.
void U_POLY_vClipTop(POLY_CLIP_CONTEXT* context, S32 x, S32 y);
void U_POLY_vLastClipRight(POLY_CLIP_CONTEXT* context, S32 x, S32 y);
