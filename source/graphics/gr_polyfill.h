// The chart engine's scanline polygon filler: the filler record and the
// entry that takes polygon outlines into its edge table. The entry is an
// upward call of the graphics library (see graphics_upcalls.h); its default
// is the edge intake below, which the chart engine may replace.
#pragma once

#include "common/types.h"
#include "lsvc/l_upcall.h"

typedef S32 SINT;
typedef U32 UINT32;
typedef U32* VSCREENPTR;

// Status words of the engine.
constexpr U32 GR_STATUS_SUCCESS = 0x80000000u;
constexpr U32 GR_STATUS_NOTHING_TO_DO = 0x10000407u;
constexpr U32 GR_STATUS_CANCELLED = 1024u;
constexpr U32 GR_STATUS_EDGE_TABLE_FULL = 1054u;

constexpr SINT GL_EDGESTABLE_SIZE = 65536;

struct PIXELDIM {
  SINT pw;
  SINT ph;
};

struct SCREENDIM {
  SINT rowsize;
  SINT nrows;
};

// Inclusive box in buffer coordinates (rows counted from the top).
struct GL_BOUNDINGBOX {
  SINT xmin;
  SINT ymin;
  SINT xmax;
  SINT ymax;
};

struct GL_EDGESTABLE {
  SINT ymin[GL_EDGESTABLE_SIZE];      // first row of the edge
  SINT ymax[GL_EDGESTABLE_SIZE];      // end row (not covered)
  SINT xval[GL_EDGESTABLE_SIZE];      // x on the current row, x * 1024
  SINT invslope[GL_EDGESTABLE_SIZE];  // change of xval per row
};

struct GL_POLYFILLCTX {
  VSCREENPTR vsptr;  // scan mask, one bit a pixel
  SINT npix;         // pixels per word: 32
  UINT32 nbytes;
  PIXELDIM pixdim;
  GL_BOUNDINGBOX scrbox;  // the whole mask
  SCREENDIM scrdim;
  GL_BOUNDINGBOX clipbox;
};

enum GL_POLYFILL_STATUS : S32 {
  GL_POLYFILL_SKIP = 0,
  GL_POLYFILL_NOCLIP = 1,
  GL_POLYFILL_CLIPPED = 2,
  GL_POLYFILL_USECLIP = 3,
};

struct GL_POLYFILL {
  GL_POLYFILLCTX polyctx;
  GL_EDGESTABLE edgestable;
  SINT gtblnoedges;
  SINT gtblfirstentry;
  SINT atblnoedges;
  GL_POLYFILL_STATUS status;
  VSCREENPTR inversefillmask;
};

// Adds the count - 1 edges between consecutive vertices ({x, y} pairs,
// logical coordinates with y upward; row = ph - 1 - y). Horizontal edges are
// skipped. Returns GR_STATUS_EDGE_TABLE_FULL (nothing added) when count plus
// the edges already held exceeds 65535; success at once for fewer than 2
// vertices or a fill that skips this polygon.
L_UPCALL_DECLARE(U32, gr_PolyFillAddVertices, (GL_POLYFILL* fill, const SINT* vertices, SINT count))
