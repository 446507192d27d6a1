// Edge intake of the scanline polygon filler.
#include <utility>

#include "chartengine/gr_polyfill.h"

U32 gr_PolyFillAddVertices(GL_POLYFILL* fill, const SINT* vertices, SINT count) {
  if (count < 2 || fill->status == GL_POLYFILL_SKIP) return GR_STATUS_SUCCESS;
  if ((S64)count + fill->gtblnoedges > 65535) return GR_STATUS_EDGE_TABLE_FULL;
  const S64 height = fill->polyctx.pixdim.ph;
  GL_EDGESTABLE& table = fill->edgestable;
  for (SINT i = 0; i + 1 < count; ++i) {
    S64 xa = vertices[2 * i], ya = height - 1 - vertices[2 * i + 1];
    S64 xb = vertices[2 * i + 2], yb = height - 1 - vertices[2 * i + 3];
    if (ya == yb) continue;
    if (ya > yb) {
      std::swap(xa, xb);
      std::swap(ya, yb);
    }
    SINT n = fill->gtblnoedges++;
    table.ymin[n] = (SINT)ya;
    table.ymax[n] = (SINT)yb;
    table.xval[n] = (SINT)(xa * 1024);
    table.invslope[n] = (SINT)(((xb - xa) * 1024) / (yb - ya));
  }
  return GR_STATUS_SUCCESS;
}
