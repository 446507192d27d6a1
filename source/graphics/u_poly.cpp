// Polygon clipping to a rectangle in one pass: each vertex is pushed through
// the left, right, top and bottom stages, each stage remembering the previous
// point that reached it (Sutherland-Hodgman).
#include <algorithm>

#include "source/graphics/gr_polyfill.h"
#include "lsvc/lsvc.h"
#include "source/graphics/u_poly.h"

namespace {

// Crossing of the segment prev-new with the vertical line x = X.
inline S32 s32CrossVertical(S32 X, S32 xNew, S32 yNew, S32 xPrev, S32 yPrev) {
  return (S32)((S64)yNew + ((S64)X - xNew) * ((S64)yPrev - yNew) / ((S64)xPrev - xNew));
}

// Crossing of the segment prev-new with the horizontal line y = Y.
inline S32 s32CrossHorizontal(S32 Y, S32 xNew, S32 yNew, S32 xPrev, S32 yPrev) {
  return (S32)((S64)xNew + ((S64)Y - yNew) * ((S64)xPrev - xNew) / ((S64)yPrev - yNew));
}

void vFlushToFill(POLY_CLIP_CONTEXT* c) {
  VERTEX_LIST& list = c->vlResult;
  if (c->u32Status == GR_STATUS_SUCCESS && list.count >= 2) {
    c->u32Status = gr_PolyFillAddVertices(c->pFill, &list.point[0].x, list.count);
  }
  c->s32Handed += list.count - 1;
  // The next piece starts where this one ended, so no edge is lost.
  list.point[0] = list.point[list.count - 1];
  list.count = 1;
}

void vEmit(POLY_CLIP_CONTEXT* c, S32 x, S32 y) {
  VERTEX_LIST& list = c->vlResult;
  if (list.count > 0 && list.point[list.count - 1].x == x && list.point[list.count - 1].y == y) return;
  if (list.count == VERTEX_LIST_MAX) {
    if (c->pFill == nullptr) {
      c->bOverflow = TRUE;
      return;
    }
    vFlushToFill(c);
  }
  list.point[list.count++] = POINT{x, y};
}

void vClipBottom(POLY_CLIP_CONTEXT* c, S32 x, S32 y) {
  const S32 Y = c->nBottom;
  const BOOLEAN bPrevIn = c->nYPrevBottom >= Y, bNewIn = y >= Y;
  if (bPrevIn && bNewIn) {
    vEmit(c, x, y);
  } else if (bPrevIn) {
    vEmit(c, s32CrossHorizontal(Y, x, y, c->nXPrevBottom, c->nYPrevBottom), Y);
  } else if (bNewIn) {
    vEmit(c, s32CrossHorizontal(Y, x, y, c->nXPrevBottom, c->nYPrevBottom), Y);
    vEmit(c, x, y);
  }
  c->nXPrevBottom = x;
  c->nYPrevBottom = y;
}

void vClipRight(POLY_CLIP_CONTEXT* c, S32 x, S32 y) {
  const S32 X = c->nRight;
  const BOOLEAN bPrevIn = c->nXPrevRight <= X, bNewIn = x <= X;
  if (bPrevIn && bNewIn) {
    U_POLY_vClipTop(c, x, y);
  } else if (bPrevIn) {
    U_POLY_vClipTop(c, X, s32CrossVertical(X, x, y, c->nXPrevRight, c->nYPrevRight));
  } else if (bNewIn) {
    U_POLY_vClipTop(c, X, s32CrossVertical(X, x, y, c->nXPrevRight, c->nYPrevRight));
    U_POLY_vClipTop(c, x, y);
  }
  c->nXPrevRight = x;
  c->nYPrevRight = y;
}

// The left stage; the last vertex leaves it through U_POLY_vLastClipRight.
void vClipLeft(POLY_CLIP_CONTEXT* c, S32 x, S32 y, void (*next)(POLY_CLIP_CONTEXT*, S32, S32)) {
  const S32 X = c->nLeft;
  const BOOLEAN bPrevIn = c->nXPrevLeft >= X, bNewIn = x >= X;
  if (bPrevIn && bNewIn) {
    next(c, x, y);
  } else if (bPrevIn) {
    next(c, X, s32CrossVertical(X, x, y, c->nXPrevLeft, c->nYPrevLeft));
  } else if (bNewIn) {
    next(c, X, s32CrossVertical(X, x, y, c->nXPrevLeft, c->nYPrevLeft));
    next(c, x, y);
  }
  c->nXPrevLeft = x;
  c->nYPrevLeft = y;
}

// Runs the clip of the whole polygon into the context.
void vRunClip(POLY_CLIP_CONTEXT* c, S32 left, S32 right, S32 top, S32 bottom, const POINT* v, S32 count) {
  c->nLeft = left;
  c->nRight = right;
  c->nTop = top;
  c->nBottom = bottom;
  c->vlResult.count = 0;
  c->u32Status = GR_STATUS_SUCCESS;
  c->s32Handed = 0;
  c->bOverflow = FALSE;
  if (count < 1) return;

  // The first vertex as each stage would receive it from the stages before.
  const S32 x0 = v[0].x, y0 = v[0].y;
  c->nXPrevLeft = x0, c->nYPrevLeft = y0;
  c->nXPrevRight = std::max(x0, left), c->nYPrevRight = y0;
  const S32 xc = std::clamp(x0, std::min(left, right), std::max(left, right));
  c->nXPrevTop = xc, c->nYPrevTop = y0;
  c->nXPrevBottom = xc, c->nYPrevBottom = std::min(y0, top);
  c->vlResult.point[0] = POINT{xc, std::clamp(y0, std::min(bottom, top), std::max(bottom, top))};
  c->vlResult.count = 1;

  for (S32 i = 1; i < count; ++i) {
    if (i + 1 < count) {
      vClipLeft(c, v[i].x, v[i].y, vClipRight);
    } else {
      vClipLeft(c, v[i].x, v[i].y, U_POLY_vLastClipRight);
    }
  }
}

}  // namespace

void U_POLY_vClipTop(POLY_CLIP_CONTEXT* c, S32 x, S32 y) {
  const S32 Y = c->nTop;
  const BOOLEAN bPrevIn = c->nYPrevTop <= Y, bNewIn = y <= Y;
  if (bPrevIn && bNewIn) {
    vClipBottom(c, x, y);
  } else if (bPrevIn) {
    vClipBottom(c, s32CrossHorizontal(Y, x, y, c->nXPrevTop, c->nYPrevTop), Y);
  } else if (bNewIn) {
    vClipBottom(c, s32CrossHorizontal(Y, x, y, c->nXPrevTop, c->nYPrevTop), Y);
    vClipBottom(c, x, y);
  }
  c->nXPrevTop = x;
  c->nYPrevTop = y;
}

void U_POLY_vLastClipRight(POLY_CLIP_CONTEXT* c, S32 x, S32 y) { vClipRight(c, x, y); }

S32 U_POLY_nClip(S32 left, S32 right, S32 top, S32 bottom, POINT* vertices, S32 count, S32 capacity) {
  POLY_CLIP_CONTEXT context;
  context.pFill = nullptr;
  vRunClip(&context, left, right, top, bottom, vertices, count);
  const S32 n = context.vlResult.count;
  if (n < 2) return 0;
  if (context.bOverflow || n > std::max(capacity, count)) {
    log_me("U_POLY: clipped outline exceeds %d vertices, polygon dropped",
           context.bOverflow ? VERTEX_LIST_MAX : std::max(capacity, count));
    return 0;
  }
  std::copy(context.vlResult.point, context.vlResult.point + n, vertices);
  return n;
}

U32 U_POLY_eClipSegment(GL_POLYFILL* fill, const POINT* vertices, S32 count) {
  POLY_CLIP_CONTEXT context;
  context.pFill = fill;
  const GL_BOUNDINGBOX& box = fill->polyctx.scrbox;
  vRunClip(&context, box.xmin, box.xmax, box.ymax, box.ymin, vertices, count);
  if (context.u32Status != GR_STATUS_SUCCESS) return context.u32Status;
  if (context.vlResult.count < 2) return GR_STATUS_SUCCESS;
  return gr_PolyFillAddVertices(fill, &context.vlResult.point[0].x, context.vlResult.count);
}
