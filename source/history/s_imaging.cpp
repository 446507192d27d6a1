// The imaging views: the down-looking Nadscan view (full screen and as one
// side of a split), the 200 kHz beam with both side-looking beams in three
// panes, and the vertically scrolling side-looking view. They follow the
// 2D views' protocol: make the view current and copy the windows under
// mutex 28, rebuild a triggered window, then draw from the copies.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/language.h"
#include "common/u_convert.h"
#include "data/fonts.h"
#include "data/icons.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view.h"
#include "source/graphics/u_fonts.h"
#include "source/history/history_int.h"
#include "source/history/s_draw.h"
#include "source/history/s_imaging.h"
#include "source/sonar/s_transducer.h"
#include "source/ui/t_info.h"

std::atomic<BOOLEAN> s_bTerrainMode{FALSE};

namespace {

#define IMAGING_TEXT_RECORD(name, text)                                                          \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
IMAGING_TEXT_RECORD(Left, "Left");
IMAGING_TEXT_RECORD(Right, "Right");
IMAGING_TEXT_RECORD(Side_L, "L");
IMAGING_TEXT_RECORD(Side_R, "R");
IMAGING_TEXT_RECORD(Degrees_F, "°F");
IMAGING_TEXT_RECORD(Degrees_C, "°C");

constexpr U32 kFillEntry = 128;
constexpr U32 kLineEntry = 130;
constexpr U32 kTextEntry = 131;
constexpr U32 kRangeLineEntry = 35;
constexpr U32 kLabelAlphas = 0x8C8C56;

COLOR entry(U32 k) { return gCOLOR_pcolColorTable[k]; }
void vLine(BITMAP* b, COLOR c, S32 x0, S32 y0, S32 x1, S32 y1) { G_LINE_vDraw(b, c, POINT{x0, y0}, POINT{x1, y1}); }
void vLineK(BITMAP* b, U32 k, S32 x0, S32 y0, S32 x1, S32 y1) { vLine(b, entry(k), x0, y0, x1, y1); }
const char* pcText(DB_TEXT_RECORD r) { return r[nCurrentLanguage()]; }

BOOLEAN bNadscanType(U32 t) { return t == 15 || t == 17 || t == 18; }

BOOLEAN bFetchBool(const char* key, BOOLEAN fallback) {
  BOOLEAN v = fallback;
  return H_DATABASE_bFetchBoolean(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), &v) ? v : fallback;
}

// Copies window w under mutex 28 (the caller holds it) and consumes its
// trigger unless expedited.
SONAR_WINDOW windowCopy(U32 w, BOOLEAN bConsume) {
  SONAR_WINDOW copy = SonarViewInfo.Window[w];
  if (bConsume) SonarViewInfo.Window[w].bTriggerTotalScreenUpdate = FALSE;
  return copy;
}

// A label in a box of the label alpha: anchor is the box's lower-left.
void vBoxedText(BITMAP* b, const FONT_DEF* font, POINT anchor, U32 boxHeight, const char* text) {
  const S32 w = (S32)G_STRING_u32GetWidth(font, text);
  G_BOX_vDrawFilledAlpha(b, entry(kFillEntry), anchor, (U32)w + 1, boxHeight,
                         T_INFO_u8ConvertAlphaVector(kLabelAlphas));
  POINT at{anchor.x + 1, anchor.y + 1 + (S32)G_FONTS_u32GetDescenderHeight(font)};
  G_STRING_vPut(b, entry(kTextEntry), &at, font, text);
}

S32 s32Width(const FONT_DEF* font, const char* text) { return (S32)G_STRING_u32GetWidth(font, text); }

void vPut(BITMAP* b, COLOR c, const FONT_DEF* font, S32 x, S32 y, const char* text) {
  POINT at{x, y};
  G_STRING_vPut(b, c, &at, font, text);
}

// The Nadscan window's depth lines: as the 2D lines, in white (black on
// the Nadscan palette 2), labels at the window's right edge.
void vDrawNadscanDepthLines(BITMAP* b, U32 u32DepthLines, S32 left, S32 right, U32 height, U32 upper, U32 lower) {
  DEPTH_LINE lines[16];
  if (u32DepthLines > 16) u32DepthLines = 16;
  const U32 n = S_DRAW_u32DepthLines(u32DepthLines, height, 0, upper, lower, lines);
  U32 sdsc = 0;
  (void)H_DATABASE_bFetchU32(FCID("SDSC"), &sdsc);
  const COLOR c = entry(sdsc == 2 ? 32 : kRangeLineEntry);
  const FONT_DEF* font = std_11x14_font_def_ptr.load();
  const U8 alpha = T_INFO_u8ConvertAlphaVector(kLabelAlphas);
  for (U32 i = 0; i < n; ++i) {
    const S32 y = lines[i].s32Y;
    const S32 w = s32Width(font, lines[i].acLabel);
    vLine(b, c, left, y, right - w - 1, y);
    G_BOX_vDrawFilledAlpha(b, entry(kFillEntry), POINT{right - w, y - 8}, (U32)w + 1, 16, alpha);
    vPut(b, entry(kTextEntry), font, right - w + 1, y - 7 + (S32)G_FONTS_u32GetDescenderHeight(font),
         lines[i].acLabel);
  }
}

// One Nadscan window: its history, its depth lines in the Nadscan style and
// its scale.
void vDrawNadscanWindow(BITMAP* b, SONAR_WINDOW* w, const SONAR_VIEW_INFO& info, S32 left, S32 right, U32 height,
                        BOOLEAN bFish) {
  vDrawSonarWindow(b, w, (U32)left, (U32)right, height, info.unitsDepth, 0, bFish, FALSE);
  if (info.u32DepthLines != 0 && w->u32UpperDigits < w->u32LowerDigits)
    vDrawNadscanDepthLines(b, info.u32DepthLines, left, right, height, w->u32UpperDigits, w->u32LowerDigits);
}

U32 u32ImagingType(void) { return s_db_TransducerSelectArray[1].load(); }

// The readout height of a side of the screen (0 or 105) and what is left.
U32 u32Readouts(SPLIT_WINDOW_TYPE side) {
  const U32 R = T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(side);
  return R < 600 ? R : 600;
}

}  // namespace

// ------------------------------------------------------------ generic copy

void vCopyHistoryToBitmapGeneric(BITMAP* pBmp, SONAR_WINDOW* pWindow, POINT deep, POINT shallow) {
  SONAR_HISTORY* h = &pWindow->ScreenHistory;
  const BITMAP* ring = h->pBmp;
  if (pBmp == nullptr || ring == nullptr) return;
  const S32 ringW = ring->pixels_wide, ringH = ring->pixels_high;
  const U32 ringPitch = ring->__u32PixelWidthOfBuffer;
  const COLOR* src = G_BITMAP_pPixels(ring);
  COLOR* dst = G_BITMAP_pPixels(pBmp);
  const U32 pitch = pBmp->__u32PixelWidthOfBuffer;
  const S32 frameH = pBmp->pixels_high_full_screen;
  const S32 clipL = pBmp->s32ClipLeft, clipR = pBmp->s32ClipRight, clipB = pBmp->s32ClipBottom,
            clipT = pBmp->s32ClipTop;
  const S32 sx = deep.x >= shallow.x ? 1 : -1, sy = deep.y >= shallow.y ? 1 : -1;
  const S32 nx = (deep.x - shallow.x) * sx + 1, ny = (deep.y - shallow.y) * sy + 1;
  // The ring is read without its mutex: a column being written shows at
  // worst half old, half new for one frame.
  S32 c = h->u16NextFreeColumn == 0 ? ringW - 1 : (S32)h->u16NextFreeColumn - 1;
  if (c >= ringW) c = ringW - 1;
  S32 lastRow = ringH - 1;
  if (s_bTerrainMode.load() && db_u32SideBeamView.load() == SIDE_BEAM_BOTH) {
    const S32 H = pBmp->pixels_wide;
    lastRow = std::min(lastRow, H - (H / 2 + 2) - 1);
  }
  auto put = [&](S32 x, S32 y, COLOR colour) {
    if (x < clipL || x > clipR || y < clipB || y > clipT) return;
    dst[(size_t)(frameH - 1 - y) * pitch + (size_t)x] = colour;
  };
  if (!pWindow->bVerticalScroll) {
    const S32 rows = std::min(ny, ringH);
    for (S32 i = 0; i < nx && i < ringW; ++i) {
      const S32 x = shallow.x + i * sx;
      for (S32 r = 0; r < rows; ++r) {
        if (T_VIEW_bViewUpdateCancelled()) return;
        const S32 sr = r < lastRow ? r : lastRow;
        put(x, shallow.y + r * sy, src[(size_t)sr * ringPitch + (size_t)c]);
      }
      c = c == 0 ? ringW - 1 : c - 1;
    }
    return;
  }
  const S32 cols = std::min(nx, ringH);
  for (S32 i = 0; i < ny && i < ringW; ++i) {
    if (T_VIEW_bViewUpdateCancelled()) return;
    const S32 y = shallow.y + i * sy;
    for (S32 r = 0; r < cols; ++r) {
      const S32 sr = r < lastRow ? r : lastRow;
      put(shallow.x + r * sx, y, src[(size_t)sr * ringPitch + (size_t)c]);
    }
    c = c == 0 ? ringW - 1 : c - 1;
  }
}

// ------------------------------------------------------------ Nadscan

void S_IMAGING_vDrawNadscan(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const U32 R = u32Readouts(SPLIT_FULL_WINDOW), H = 600 - R;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(NADSCAN_VIEW_PRIORITY);
  SONAR_WINDOW w = windowCopy(0, !pSpec->bExpedited);
  const SONAR_VIEW_INFO info = SonarViewInfo;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  const BOOLEAN bFish = bNadscanType(u32ImagingType()) ? FALSE : info.bFishID;
  CursorWindow = pSpec->drawWindow;
  CursorWindow.s32ClipRight = 799;
  if (!pSpec->bExpedited && w.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w, H, 800, info.BottomView, FALSE);
  vDrawNadscanWindow(pBitmap, &w, info, 0, 799, H, bFish);
  vDrawDepthScale(pBitmap, 799, w.u32UpperDigits, w.u32LowerDigits, H, 0, w.bManualDepthRange, FALSE);
  (void)T_N_HISTORY_bUpdateDiZoomWindow(pSpec);
}

void S_IMAGING_vDrawNadscanSplit(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const U32 R = u32Readouts(SPLIT_LEFT_WINDOW), H = 600 - R;
  const LAYER_ID view = pSpec->currentLayer;
  const U32 win = view == NADSCAN_PLUS_2D_VIEW_PRIORITY ? 1 : 0;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(view);
  SONAR_WINDOW w = windowCopy(win, !pSpec->bExpedited);
  const SONAR_VIEW_INFO info = SonarViewInfo;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  const S32 left = pSpec->drawWindow.s32ClipLeft < 0 ? 0 : pSpec->drawWindow.s32ClipLeft;
  const S32 right = pSpec->drawWindow.s32ClipRight;
  if (right < left) return;
  if (pSpec->drawWindowType == SPLIT_FULL_WINDOW || pSpec->drawWindowType == pSpec->activeWindow)
    CursorWindow = pSpec->drawWindow;
  const BOOLEAN bFish = bNadscanType(u32ImagingType()) ? FALSE : info.bFishID;
  if (!pSpec->bExpedited && w.bTriggerTotalScreenUpdate)
    vTotalScreenUpdate(&w, H, (U32)(right - left + 1), info.BottomView, FALSE);
  vDrawNadscanWindow(pBitmap, &w, info, left, right, H, bFish);
  if (view == NADSCAN_PLUS_2D_VIEW_PRIORITY)
    vDrawDepthScale(pBitmap, 799, w.u32UpperDigits, w.u32LowerDigits, H, 0, w.bManualDepthRange, TRUE);
  if (R != 0) G_BOX_vDrawFilled(pBitmap, BackGroundColor.load(), POINT{0, 0}, 800, 105);
  (void)T_N_HISTORY_bUpdateDiZoomWindow(pSpec);
}

// ------------------------------------------------------------ three panes

namespace {

void vPaneWidths(QUAD_LAYOUT layout, U32 R, U32* pMain, U32* pSide) {
  switch (layout) {
    case QUAD_LAYOUT_3_PANE_FLAT:
      *pMain = 266, *pSide = 264;
      break;
    case QUAD_LAYOUT_3_PANE_SLANTED:
      *pMain = *pSide = 263;
      break;
    case QUAD_LAYOUT_HORIZONTAL:
      *pMain = 800, *pSide = 400;
      break;
    default:
      *pMain = 800, *pSide = (600 - R) / 2 - 2;
      break;
  }
}

void vVerticalDivider(BITMAP* b, S32 x, S32 y0, S32 y1) {
  vLineK(b, kFillEntry, x, y0, x, y1);
  vLineK(b, kTextEntry, x + 1, y0, x + 1, y1);
  vLineK(b, kFillEntry, x + 2, y0, x + 2, y1);
}

void vDrawFlat(BITMAP* b, SONAR_WINDOW* w, const SONAR_VIEW_INFO& info, U32 R) {
  const U32 H = 600 - R;
  const BOOLEAN same = w[2].u32UpperDigits == w[0].u32UpperDigits && w[2].u32LowerDigits == w[0].u32LowerDigits;
  if (!same) {
    vDrawSonarWindow(b, &w[1], 0, 263, H, info.unitsDepth, info.u32DepthLines, info.bFishID, TRUE);
    vDrawSonarWindow(b, &w[0], 267, 532, H, info.unitsDepth, info.u32DepthLines, info.bFishID, TRUE);
    vDrawSonarWindow(b, &w[2], 536, 799, H, info.unitsDepth, info.u32DepthLines, info.bFishID, TRUE);
    return;
  }
  vDrawSonarWindow(b, &w[1], 0, 263, H, info.unitsDepth, 0, info.bFishID, FALSE);
  vDrawSonarWindow(b, &w[0], 267, 532, H, info.unitsDepth, 0, info.bFishID, FALSE);
  vDrawSonarWindow(b, &w[2], 536, 799, H, info.unitsDepth, 0, info.bFishID, TRUE);
  vVerticalDivider(b, 264, (S32)R, 599);
  vVerticalDivider(b, 533, (S32)R, 599);
  vDrawDepthLines(b, info.u32DepthLines, 0, 799, H, 0, w[0].u32UpperDigits, w[0].u32LowerDigits);
}

// One slanted pane, its newest column at x X: each older column one pixel
// further left and one lower.
void vDrawSlantedPane(BITMAP* b, SONAR_WINDOW* w, S32 X, U32 R) {
  vLineK(b, kLineEntry, X + 1, (S32)R + 264, X + 1, 599);
  vLineK(b, kLineEntry, X - 263, 335, X + 1, 599);
  vLineK(b, kTextEntry, X - 263, (S32)R, X + 1, (S32)R + 264);
  vLineK(b, kTextEntry, X - 263, (S32)R, X - 263, 335);
  SONAR_HISTORY* h = &w->ScreenHistory;
  if (h->pBmp == nullptr || w->Beam == BEAM_NONE) return;
  const BITMAP* ring = h->pBmp;
  const S32 ringW = ring->pixels_wide, ringH = ring->pixels_high;
  const U32 ringPitch = ring->__u32PixelWidthOfBuffer, pitch = b->__u32PixelWidthOfBuffer;
  const COLOR* src = G_BITMAP_pPixels(ring);
  COLOR* dst = G_BITMAP_pPixels(b);
  const S32 frameH = b->pixels_high_full_screen;
  const S32 rows = std::min<S32>(334 - (S32)R, ringH);
  (void)L_MUTEX_LockWait(h->Resource);
  S32 c = h->u16NextFreeColumn == 0 ? ringW - 1 : (S32)h->u16NextFreeColumn - 1;
  for (S32 n = 0; n < 263; ++n) {
    const S32 x = X - n;
    if (x >= 0 && x < b->pixels_wide) {
      for (S32 r = 0; r < rows; ++r) {
        const S32 y = 597 - n - r;
        if (y < 0 || y >= frameH) continue;
        dst[(size_t)(frameH - 1 - y) * pitch + (size_t)x] = src[(size_t)r * ringPitch + (size_t)c];
      }
    }
    c = c == 0 ? ringW - 1 : c - 1;
  }
  (void)L_MUTEX_Unlock(h->Resource);
}

void vDrawSlanted(BITMAP* b, SONAR_WINDOW* w, U32 R) {
  G_BOX_vDrawFilled(b, BackGroundColor.load(), POINT{0, 0}, 800, 600);
  vDrawSlantedPane(b, &w[2], 798, R);
  vDrawSlantedPane(b, &w[0], 532, R);
  vDrawSlantedPane(b, &w[1], 266, R);
  vDrawDepthScale(b, 798, w[2].u32UpperDigits, w[2].u32LowerDigits, 336 - R, 0, w[2].bManualDepthRange, TRUE);
  if (w[0].u32UpperDigits != w[2].u32UpperDigits || w[0].u32LowerDigits != w[2].u32LowerDigits) {
    vDrawDepthScale(b, 532, w[0].u32UpperDigits, w[0].u32LowerDigits, 336 - R, 0, w[0].bManualDepthRange, TRUE);
    vDrawDepthScale(b, 266, w[1].u32UpperDigits, w[1].u32LowerDigits, 336 - R, 0, w[1].bManualDepthRange, TRUE);
  }
}

void vDrawHalves(BITMAP* b, SONAR_WINDOW* w, const SONAR_VIEW_INFO& info, U32 R, BOOLEAN bVertical) {
  const S32 h = (S32)(600 - R) / 2, r = (S32)R;
  vDrawSonarWindow(b, &w[0], 0, 799, (U32)h, info.unitsDepth, 0, info.bFishID, TRUE);
  const S32 top = r + h - 3;
  vCopyHistoryToBitmapGeneric(b, &w[1], POINT{0, r}, POINT{bVertical ? 397 : 399, top});
  vCopyHistoryToBitmapGeneric(b, &w[2], POINT{799, r}, POINT{402, top});
  vLineK(b, kFillEntry, 398, r, 398, top);
  vLineK(b, kTextEntry, 399, r, 399, top);
  vLineK(b, kTextEntry, 400, r, 400, top);
  vLineK(b, kFillEntry, 401, r, 401, top);
  vLineK(b, kFillEntry, 0, r + h, 799, r + h);
  vLineK(b, kTextEntry, 0, r + h - 1, 799, r + h - 1);
  vLineK(b, kFillEntry, 0, r + h - 2, 799, r + h - 2);
  const FONT_DEF* digits = f15x21_font_def_ptr;
  char text[16];
  snprintf(text, sizeof text, "%u", w[2].u32LowerDigits);
  const S32 lw = s32Width(digits, text);
  vBoxedText(b, digits, POINT{bVertical ? 799 - lw : 400 - lw / 2, r}, 23, text);
  if (!bVertical) {
    snprintf(text, sizeof text, "%u", w[2].u32UpperDigits);
    vBoxedText(b, digits, POINT{400 - s32Width(digits, text) / 2, r + h - 24}, 23, text);
  }
  const FONT_DEF* small = std_11x14_font_def_ptr.load();
  const char* left = pcText(bVertical ? Side_L : Left);
  const char* right = pcText(bVertical ? Side_R : Right);
  vBoxedText(b, small, POINT{0, r + h - 17}, 16, left);
  vBoxedText(b, small, POINT{799 - s32Width(small, right), r + h - 17}, 16, right);
  if (bVertical) {
    const S32 iw = (S32)sideview_icon.nWidth, ih = (S32)sideview_icon.nHeight;
    G_ICON_vPut(b, &sideview_icon, POINT{400 - iw / 2, r + h - ih + 8});
  }
}

}  // namespace

void S_IMAGING_vDrawDownAndSidebeamView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const U32 R = u32Readouts(SPLIT_FULL_WINDOW);
  const BOOLEAN bConsume = !pSpec->bExpedited;
  SONAR_WINDOW w[3];
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(SONAR_SIDEVIEW_AND_DOWN);
  w[0] = windowCopy(0, bConsume);
  const SONAR_VIEW_INFO info = SonarViewInfo;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  for (U32 i = 1; i < 3; ++i) {
    (void)L_MUTEX_LockWait(RES_S_INFO);
    w[i] = windowCopy(i, bConsume);
    (void)L_MUTEX_Unlock(RES_S_INFO);
  }
  CursorWindow = pSpec->drawWindow;
  U32 mainW = 0, sideW = 0;
  vPaneWidths(info.eQuadLayout, R, &mainW, &sideW);
  if (bConsume) {
    for (U32 i = 0; i < 3; ++i) {
      if (w[i].bTriggerTotalScreenUpdate)
        vTotalScreenUpdate(&w[i], w[i].u32HistoryHeight, i == 0 ? mainW : sideW, info.BottomView, FALSE);
    }
  }
  switch (info.eQuadLayout) {
    case QUAD_LAYOUT_3_PANE_FLAT:
      vDrawFlat(pBitmap, w, info, R);
      break;
    case QUAD_LAYOUT_3_PANE_SLANTED:
      vDrawSlanted(pBitmap, w, R);
      break;
    case QUAD_LAYOUT_HORIZONTAL:
      vDrawHalves(pBitmap, w, info, R, FALSE);
      break;
    default:
      vDrawHalves(pBitmap, w, info, R, TRUE);
      break;
  }
  if (R != 0) G_BOX_vDrawFilled(pBitmap, BackGroundColor.load(), POINT{0, 0}, 800, 105);
}

// ------------------------------------------------------------ side view

namespace {

// Range lines of the side view at eighths of the pane, labelled with the
// sides' ranges (none in terrain mode).
void vRangeLines(BITMAP* b, S32 left, S32 right, U32 side, U32 leftRange, U32 rightRange, S32 ih) {
  const S32 W = right - left + 1;
  const FONT_DEF* font = std_11x14_font_def_ptr.load();
  const COLOR lineColour = entry(kRangeLineEntry), textColour = entry(kTextEntry);
  const BOOLEAN bLabels = !s_bTerrainMode.load();
  const S32 yLabel = 583 - ih;
  char text[16];
  auto label = [&](S32 x, U32 value, int align) {
    snprintf(text, sizeof text, "%u", value);
    const S32 w = s32Width(font, text);
    const S32 at = align == 0 ? x - w / 2 : (align < 0 ? x : x - w);
    vPut(b, textColour, font, at, yLabel, text);
  };
  for (S32 k = 1; k < 8; ++k) {
    if (side == SIDE_BEAM_BOTH && k == 4) continue;
    const S32 x = left + k * W / 8;
    vLine(b, lineColour, x, 579 - ih, x, 0);
    if (!bLabels) continue;
    U32 value;
    if (side == SIDE_BEAM_BOTH) {
      value = k < 4 ? leftRange * (U32)(4 - k) / 4 : rightRange * (U32)(k - 4) / 4;
    } else if (side == SIDE_BEAM_LEFT) {
      value = leftRange * (U32)(8 - k) / 8;
    } else {
      value = rightRange * (U32)k / 8;
    }
    label(x, value, 0);
  }
  if (!bLabels) return;
  if (side != SIDE_BEAM_RIGHT) label(left + 1, leftRange, -1);
  if (side != SIDE_BEAM_LEFT) label(right, rightRange, 1);
}

// The depth and water temperature of the side view without its readout
// boxes, at the lower left.
void vSideReadouts(BITMAP* b) {
  const COLOR c = entry(kFillEntry);
  U32 key = 0;
  F32 value = 0.0f;
  BOOLEAN valid = FALSE;
  char text[32], whole[32];
  const char* tenths = nullptr;
  const FONT_DEF* big = f34x62_font_def_ptr;
  const FONT_DEF* mid = f18x32_font_def_ptr;
  const FONT_DEF* unitFont = std_16x17_font_def_ptr.load();
  if (H_DATABASE_bFetchU32(FCID("BDEP"), &key) && H_DATABASE_bFetchFloat(key, &value, &valid) && valid) {
    U32 unit = U_METRES;
    (void)H_DATABASE_bFetchU32(FCID("YUDP"), &unit);
    const char* name = unit == U_FEET ? "ft" : (unit == U_FATHOMS ? "ftm" : "m");
    const UNIT_TYPE u = unit == U_FEET ? U_FEET : (unit == U_FATHOMS ? U_FATHOMS : U_METRES);
    snprintf(text, sizeof text, "%0.1f", dConvertFromInternal(value, D_DEPTH, u));
    if (!T_INFO_pSplitTenths(text, whole, &tenths, TRUE)) {
      snprintf(whole, sizeof whole, "%s", text);
      tenths = "";
    }
    S32 x = 20;
    vPut(b, c, big, x, 10, whole);
    x += s32Width(big, whole);
    vPut(b, c, mid, x, 10, tenths);
    x += s32Width(mid, tenths);
    vPut(b, c, unitFont, x, 10, name);
  }
  valid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("BTMP"), &key) && H_DATABASE_bFetchFloat(key, &value, &valid) && valid) {
    U32 unit = U_CELSIUS;
    (void)H_DATABASE_bFetchU32(FCID("SUTE"), &unit);
    const BOOLEAN f = unit == U_FAHRENHEIT;
    snprintf(text, sizeof text, "%0.1f", dConvertFromInternal(value, D_TEMPERATURE, f ? U_FAHRENHEIT : U_CELSIUS));
    vPut(b, c, mid, 20, 82, text);
    vPut(b, c, unitFont, 20 + s32Width(mid, text), 82, pcText(f ? Degrees_F : Degrees_C));
  }
}

}  // namespace

U32 S_IMAGING_u32SideBeamView(U32 u32Setting) {
  return u32Setting >= SIDE_BEAM_LEFT && u32Setting <= SIDE_BEAM_BOTH ? u32Setting : SIDE_BEAM_BOTH;
}

void S_IMAGING_vDrawVerticalScrollView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const LAYER_ID view = pSpec->currentLayer;
  const BOOLEAN bReadouts = bFetchBool("SIRO", TRUE);
  const BOOLEAN bLines = bFetchBool("SSVL", FALSE);
  s_bSI_Navigation.store(bFetchBool("SSIN", TRUE));
  S32 left, right, centre;
  if (view == SONAR_SIDEVIEW && !bReadouts) {
    left = 0;
    right = pSpec->drawWindow.s32ClipRight;
    centre = right / 2;
  } else {
    left = pSpec->drawWindow.s32ClipLeft < 0 ? 0 : pSpec->drawWindow.s32ClipLeft;
    right = pSpec->drawWindow.s32ClipRight;
    centre = (left + right) / 2;
  }
  if (right <= left) return;
  const S32 R = (S32)u32Readouts(SPLIT_FULL_WINDOW);
  G_BOX_vDrawFilled(pBitmap, entry(kFillEntry), POINT{0, 0}, 800, 105);
  const U32 side = S_IMAGING_u32SideBeamView(db_u32SideBeamView.load());
  const BOOLEAN bLeft = side != SIDE_BEAM_RIGHT, bRight = side != SIDE_BEAM_LEFT, bBoth = bLeft && bRight;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(view);
  SONAR_WINDOW w1 = windowCopy(1, bLeft && !pSpec->bExpedited);
  SONAR_WINDOW w2 = windowCopy(2, bRight && !pSpec->bExpedited);
  const SONAR_VIEW_INFO info = SonarViewInfo;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  if (!pSpec->bExpedited) {
    if (bLeft && w1.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w1, w1.u32HistoryHeight, 600, info.BottomView, FALSE);
    if (bRight && w2.bTriggerTotalScreenUpdate)
      vTotalScreenUpdate(&w2, w2.u32HistoryHeight, 600, info.BottomView, FALSE);
  }
  const ICON& boat = Broadvane_Boat_icon;
  const S32 iw = (S32)boat.nWidth, ih = (S32)boat.nHeight;
  const S32 T = bLines ? 580 - ih : 597 - ih;
  const COLOR bg = BackGroundColor.load();
  G_BOX_vDrawFilled(pBitmap, bg, POINT{left, T}, (U32)(right - left + 1), (U32)(ih + 20 + (bLines ? 0 : 3)));
  vLineK(pBitmap, kTextEntry, left, T + 1, right, T + 1);
  const S32 boatY = T + 2;
  S32 boatX = centre - iw / 2;
  if (!bBoth) {
    const S32 edge = bLeft ? right : left;
    boatX = bLeft ? right - iw / 2 - 1 : left - iw / 2 + 2;
    vLine(pBitmap, bg, edge, boatY, edge, 599);
  }
  G_ICON_vPut(pBitmap, &boat, POINT{boatX, boatY});
  const S32 top = bLines ? 579 - ih : 596 - ih;
  const BOOLEAN terrain = s_bTerrainMode.load();
  if (bLeft) {
    const S32 sx = (bBoth ? centre - 3 : right) + (terrain ? 3 : 0);
    vCopyHistoryToBitmapGeneric(pBitmap, &w1, POINT{left, R}, POINT{sx, top});
  }
  if (bRight) {
    const S32 sx = (bBoth ? centre + 2 : left) - (terrain ? 2 : 0);
    vCopyHistoryToBitmapGeneric(pBitmap, &w2, POINT{right, R}, POINT{sx, top});
  }
  if (bBoth) {
    vLine(pBitmap, bg, centre - 2, R, centre - 2, top);
    vLine(pBitmap, bg, centre + 1, R, centre + 1, top);
    vLineK(pBitmap, kTextEntry, centre - 1, R, centre - 1, top);
    vLineK(pBitmap, kTextEntry, centre, R, centre, top);
  }
  // The side range is window 2's lower digits, which the layout keeps
  // equal to window 1's.
  const U32 range = w2.u32LowerDigits;
  const FONT_DEF* font = std_11x14_font_def_ptr.load();
  const S32 yLabel = (S32)G_FONTS_u32GetAscenderHeight(font) - (S32)G_FONTS_u32GetHeight(font) + 602;
  char text[48];
  if (bLeft) {
    if (bLines) {
      snprintf(text, sizeof text, "%s", pcText(Left));
    } else {
      snprintf(text, sizeof text, "%u %s", range, pcText(Left));
    }
    vPut(pBitmap, entry(kTextEntry), font, left + 1, yLabel, text);
  }
  if (bRight) {
    if (bLines) {
      snprintf(text, sizeof text, "%s", pcText(Right));
    } else {
      snprintf(text, sizeof text, "%s %u", pcText(Right), range);
    }
    vPut(pBitmap, entry(kTextEntry), font, right - s32Width(font, text), yLabel, text);
  }
  if (bLines) vRangeLines(pBitmap, left, right, side, w1.u32LowerDigits, w2.u32LowerDigits, ih);
  if (pSpec->drawWindowType == SPLIT_FULL_WINDOW || pSpec->drawWindowType == pSpec->activeWindow) {
    CursorWindow = pSpec->drawWindow;
    CursorWindow.s32ClipLeft = left;
    CursorWindow.s32ClipTop = T;
  }
  if (view == SONAR_SIDEVIEW && !bReadouts) vSideReadouts(pBitmap);
}
