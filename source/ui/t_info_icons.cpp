// Icons of the readouts: the cursors, the propeller and cruise marks of the
// autopilot readouts, the autopilot, man-overboard, waypoint, navigation and
// track icons. Each is drawn with the drawing library into a 32 x 32 cell so
// that it follows the info colours of the palette.
#include <math.h>

#include "source/graphics/g_box.h"
#include "source/graphics/g_circle.h"
#include "source/graphics/g_line.h"
#include "source/ui/t_info.h"
#include "source/ui/ui_upcalls.h"

namespace {

COLOR col(U32 index) { return gCOLOR_pcolColorTable[index]; }

// A line three pixels wide (the middle one from start to end).
void vThickLine(BITMAP* pBitmap, COLOR colour, POINT a, POINT b) {
  const bool bSteep = (b.y - a.y) * (b.y - a.y) > (b.x - a.x) * (b.x - a.x);
  for (S32 d = -1; d <= 1; ++d) {
    if (bSteep) {
      G_LINE_vDraw(pBitmap, colour, POINT{a.x + d, a.y}, POINT{b.x + d, b.y});
    } else {
      G_LINE_vDraw(pBitmap, colour, POINT{a.x, a.y + d}, POINT{b.x, b.y + d});
    }
  }
}

// A filled diamond of the half size around the centre.
void vDiamond(BITMAP* pBitmap, COLOR colour, POINT c, S32 half) {
  for (S32 dy = -half; dy <= half; ++dy) {
    const S32 w = half - (dy < 0 ? -dy : dy);
    G_BOX_vDrawFilled(pBitmap, colour, POINT{c.x - w, c.y + dy}, (U32)(2 * w + 1), 1);
  }
}

}  // namespace

void T_INFO_vDrawCursorIcon(BITMAP* pBitmap, POINT c, INFO_CURSOR_KIND eKind) {
  if (pBitmap == nullptr) return;
  const COLOR outline = col(INFO_COLOR_ALWAYS_WHITE);
  const COLOR ink = col(INFO_COLOR_ALWAYS_BLACK);
  // A cross hair with a gap in the middle, black on a white outline.
  for (S32 s : {-1, 1}) {
    G_BOX_vDrawFilled(pBitmap, outline, POINT{s < 0 ? c.x - 15 : c.x + 4, c.y - 2}, 12, 5);
    G_BOX_vDrawFilled(pBitmap, outline, POINT{c.x - 2, s < 0 ? c.y - 15 : c.y + 4}, 5, 12);
    G_BOX_vDrawFilled(pBitmap, ink, POINT{s < 0 ? c.x - 14 : c.x + 5, c.y - 1}, 10, 3);
    G_BOX_vDrawFilled(pBitmap, ink, POINT{c.x - 1, s < 0 ? c.y - 14 : c.y + 5}, 3, 10);
  }
  switch (eKind) {
    case INFO_CURSOR_WAYPOINT:
      vDiamond(pBitmap, outline, c, 4);
      vDiamond(pBitmap, col(INFO_COLOR_RED), c, 3);
      break;
    case INFO_CURSOR_RADAR:
      G_CIRCLE_vDraw(pBitmap, outline, c, 23);
      G_CIRCLE_vDraw(pBitmap, ink, c, 21);
      break;
    default:
      G_BOX_vDrawFilled(pBitmap, ink, POINT{c.x - 1, c.y - 1}, 3, 3);
      break;
  }
}

void T_INFO_vDrawPropellerIcon(BITMAP* pBitmap, POINT anchor, int nPhase) {
  if (pBitmap == nullptr) return;
  const COLOR ink = col(INFO_COLOR_TEXT);
  const POINT c{anchor.x + 16, anchor.y + 16};
  // Three blades, turned by 40 degrees from one phase to the next.
  const double start = (nPhase % 3) * 40.0 * M_PI / 180.0;
  for (int blade = 0; blade < 3; ++blade) {
    const double a = start + blade * 2.0 * M_PI / 3.0;
    for (double spread : {-0.25, 0.0, 0.25}) {
      const POINT tip{c.x + (S32)lround(13 * cos(a + spread)), c.y + (S32)lround(13 * sin(a + spread))};
      G_LINE_vDraw(pBitmap, ink, c, tip);
    }
  }
  G_CIRCLE_vDrawFilled(pBitmap, ink, c, 7);
  G_CIRCLE_vDrawFilled(pBitmap, col(INFO_COLOR_BACKGROUND), c, 3);
}

void T_INFO_vDrawCruiseIcon(BITMAP* pBitmap, POINT anchor) {
  if (pBitmap == nullptr) return;
  const COLOR ink = col(INFO_COLOR_TEXT);
  // A dial with its needle at the set speed.
  const POINT c{anchor.x + 16, anchor.y + 12};
  G_CIRCLE_vDraw(pBitmap, ink, c, 27);
  G_CIRCLE_vDraw(pBitmap, ink, c, 25);
  G_BOX_vDrawFilled(pBitmap, col(INFO_COLOR_BACKGROUND), POINT{anchor.x, anchor.y}, 32, 10);
  vThickLine(pBitmap, ink, c, POINT{c.x + 8, c.y + 9});
  G_CIRCLE_vDrawFilled(pBitmap, ink, c, 5);
}

void T_INFO_vDrawAutopilotIcon(BITMAP* pBitmap, POINT anchor, BOOLEAN bLegacy) {
  if (pBitmap == nullptr) return;
  const COLOR ink = col(INFO_COLOR_TEXT);
  const POINT c{anchor.x + 16, anchor.y + 16};
  if (bLegacy) {
    // A steering wheel.
    G_CIRCLE_vDraw(pBitmap, ink, c, 29);
    G_CIRCLE_vDraw(pBitmap, ink, c, 27);
    for (int spoke = 0; spoke < 3; ++spoke) {
      const double a = M_PI / 2 + spoke * 2.0 * M_PI / 3.0;
      vThickLine(pBitmap, ink, c, POINT{c.x + (S32)lround(13 * cos(a)), c.y + (S32)lround(13 * sin(a))});
    }
    G_CIRCLE_vDrawFilled(pBitmap, ink, c, 7);
  } else {
    // A boat outline with the steering arrow above it.
    vThickLine(pBitmap, ink, POINT{c.x, anchor.y + 30}, POINT{c.x - 9, anchor.y + 8});
    vThickLine(pBitmap, ink, POINT{c.x, anchor.y + 30}, POINT{c.x + 9, anchor.y + 8});
    G_BOX_vDrawFilled(pBitmap, ink, POINT{c.x - 9, anchor.y + 2}, 19, 6);
    G_BOX_vDrawFilled(pBitmap, col(INFO_COLOR_BACKGROUND), POINT{c.x - 2, anchor.y + 10}, 5, 12);
  }
}

void T_INFO_vDrawManOverboardIcon(BITMAP* pBitmap, POINT anchor) {
  if (pBitmap == nullptr) return;
  const POINT c{anchor.x + 16, anchor.y + 16};
  // A life ring: red and white quarters.
  G_CIRCLE_vDrawFilled(pBitmap, col(INFO_COLOR_RED), c, 29);
  for (int q = 0; q < 4; q += 2) {
    const double a = M_PI / 4 + q * M_PI / 2;
    for (double d = -0.3; d <= 0.3; d += 0.05) {
      G_LINE_vDraw(pBitmap, col(INFO_COLOR_ALWAYS_WHITE), c,
                   POINT{c.x + (S32)lround(14 * cos(a + d)), c.y + (S32)lround(14 * sin(a + d))});
    }
  }
  G_CIRCLE_vDrawFilled(pBitmap, col(INFO_COLOR_BACKGROUND), c, 13);
  G_CIRCLE_vDraw(pBitmap, col(INFO_COLOR_ALWAYS_BLACK), c, 29);
  G_CIRCLE_vDraw(pBitmap, col(INFO_COLOR_ALWAYS_BLACK), c, 13);
}

void T_INFO_vDrawWaypointIcon(BITMAP* pBitmap, POINT anchor, U8 u8Icon) {
  if (pBitmap == nullptr) return;
  const ICON* pIcon = NAV_pLargeWaypointIcon(u8Icon);
  if (pIcon != nullptr) {
    G_ICON_vPut(pBitmap, pIcon, anchor);
    return;
  }
  // Without the navigation's artwork: a flag on its pole.
  const COLOR ink = col(INFO_COLOR_TEXT);
  G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 8, anchor.y + 2}, 3, 28);
  for (S32 row = 0; row < 12; ++row) {
    const S32 w = 16 - (row < 6 ? 6 - row : row - 5) * 2;
    G_BOX_vDrawFilled(pBitmap, col(INFO_COLOR_RED), POINT{anchor.x + 11, anchor.y + 17 + row}, (U32)(w > 0 ? w : 1), 1);
  }
  G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 3, anchor.y + 1}, 13, 2);
}

void T_INFO_vDrawNavigationIcon(BITMAP* pBitmap, POINT anchor, BOOLEAN bPaused) {
  if (pBitmap == nullptr) return;
  const COLOR ink = col(INFO_COLOR_TEXT);
  if (bPaused) {
    G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 8, anchor.y + 6}, 6, 20);
    G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 18, anchor.y + 6}, 6, 20);
    return;
  }
  // An arrow pointing ahead.
  for (S32 row = 0; row < 20; ++row) {
    const S32 w = row < 10 ? row + 1 : 20 - row;
    G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 8, anchor.y + 6 + row}, (U32)w, 1);
  }
  G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 20, anchor.y + 6}, 4, 20);
}

void T_INFO_vDrawKeelarItemIcon(BITMAP* pBitmap, POINT anchor, S32 s32Kind) {
  if (pBitmap == nullptr) return;
  const COLOR ink = col(INFO_COLOR_TEXT);
  const POINT c{anchor.x + 16, anchor.y + 16};
  switch (s32Kind) {
    case KEELAR_ITEM_TRACK_START:
      G_CIRCLE_vDraw(pBitmap, ink, c, 25);
      G_CIRCLE_vDrawFilled(pBitmap, ink, c, 11);
      break;
    case KEELAR_ITEM_TRACK_END:
      G_BOX_vDraw(pBitmap, ink, POINT{anchor.x + 4, anchor.y + 4}, 24, 24);
      G_BOX_vDrawFilled(pBitmap, ink, POINT{anchor.x + 10, anchor.y + 10}, 12, 12);
      break;
    case KEELAR_ITEM_RECORDING:
      G_CIRCLE_vDrawFilled(pBitmap, col(INFO_COLOR_RED), c, 21);
      break;
    default:
      break;
  }
}
