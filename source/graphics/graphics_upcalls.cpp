// Defaults of the graphics library's upward calls.
#include "source/graphics/graphics_upcalls.h"

#include <utility>

#include "lsvc/lsvc.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/core/core_upcalls.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_truetype.h"
#include "source/graphics/t_display.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_viewkey.h"

L_UPCALL_DEFINE(BOOLEAN, U_KEYBOARD_bRegisterKeys,
                (MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                 CURSOR_MODE cursorMode, KEY_USAGE usage),
                (mboxOwner, u32Keys, state, bRepeat, bAccelerate, cursorMode, usage)) {
  (void)state;
  (void)bRepeat;
  (void)bAccelerate;
  (void)cursorMode;
  (void)usage;
  log_me("U_KEYBOARD_bRegisterKeys: no keyboard task (mailbox %d, keys 0x%x)", (int)mboxOwner, (unsigned)u32Keys);
  return FALSE;
}

// ------------------------------------------------------------ polygon fill
L_UPCALL_DEFINE(U32, gr_PolyFillAddVertices, (GL_POLYFILL* fill, const SINT* vertices, SINT count),
                (fill, vertices, count)) {
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

// ------------------------------------------------------------ installation
namespace {

// Step 1 of the platform set-up: the icon palette points at the system
// colour table from entry 80, and TrueType text gets its face and cache.
void vSetupGraphics(void) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  if (!G_TRUETYPE_bInit()) log_me("graphics: TrueType text not available");
}

}  // namespace

void GRAPHICS_vInstall(void) {
  H_PLATFORM_vSetupGraphics_Install(&vSetupGraphics);
  T_DISPLAY_vMain_Install(&T_DISPLAY_vTask);
  T_VIEW_vMain_Install(&T_VIEW_vTask);
  T_VIEWKEY_vMain_Install(&T_VIEWKEY_vTask);
}
