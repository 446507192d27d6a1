// The zoom views: the 2D zoom view (the full-range window on the right, a
// magnified band that follows the bottom, or a band locked to the bottom, on
// the left) and the Nadscan zoom inset around the sonar cursor.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/language.h"
#include "common/u_convert.h"
#include "data/fonts.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/history/history_int.h"
#include "source/history/s_columns.h"
#include "source/history/s_draw.h"
#include "source/history/s_imaging.h"
#include "source/sonar/s_fresample.h"
#include "source/ui/t_info.h"

SI_ZOOM_WINDOW_TYPE DiZoomWin;
std::atomic<U32> s_u32DiZoomBuilds{0};
std::atomic<BOOLEAN> s_bSI_Navigation{TRUE};

namespace {

#define ZOOM_TEXT_RECORD(name, text)                                                             \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
ZOOM_TEXT_RECORD(Zoom2x, "2x");
ZOOM_TEXT_RECORD(Zoom4x, "4x");
ZOOM_TEXT_RECORD(Zoom6x, "6x");
ZOOM_TEXT_RECORD(Zoom8x, "8x");
ZOOM_TEXT_RECORD(Zoom10x, "10x");
ZOOM_TEXT_RECORD(Zoom12x, "12x");
ZOOM_TEXT_RECORD(Bottom_Lock, "Bottom Lock");
const DB_TEXT_RECORD ZoomLevelList[] = {Zoom2x, Zoom4x, Zoom6x, Zoom8x, Zoom10x, Zoom12x};
const U8 u8ZoomLevelTable[] = {2, 4, 6, 8};

constexpr U32 kFillEntry = 128;
constexpr U32 kLineEntry = 130;
constexpr U32 kTextEntry = 131;
constexpr U32 kLabelAlphas = 0x8C8C56;

COLOR entry(U32 k) { return gCOLOR_pcolColorTable[k]; }

// Zoom range statics (history task, or the column builder under mutex 28).
F32 s_fUpperZoomEdge = 0.0f;
U32 s_u32LastUpperZoomDigits = 0xFFFFFFFF;
U32 s_u32LastLowerZoomDigits = 0xFFFFFFFF;

U32 u32Digits(F32 m, UNIT_TYPE u) { return (U32)(dConvertFromInternal(m, D_DEPTH, u) + 0.5); }
F32 fMetres(U32 digits, UNIT_TYPE u) { return (F32)dConvertToInternal((double)digits, D_DEPTH, u); }

void vBoxedText(BITMAP* b, const FONT_DEF* font, POINT anchor, U32 boxHeight, const char* text) {
  const S32 w = (S32)G_STRING_u32GetWidth(font, text);
  G_BOX_vDrawFilledAlpha(b, entry(kFillEntry), anchor, (U32)w + 1, boxHeight,
                         T_INFO_u8ConvertAlphaVector(kLabelAlphas));
  POINT at{anchor.x + 1, anchor.y + 1 + (S32)G_FONTS_u32GetDescenderHeight(font)};
  G_STRING_vPut(b, entry(kTextEntry), &at, font, text);
}

void vMarker(BITMAP* b, S32 y) {
  G_BOX_vDrawFilled(b, entry(kFillEntry), POINT{786, y}, 14, 4);
  G_BOX_vDrawFilled(b, entry(kTextEntry), POINT{787, y + 1}, 12, 2);
}

}  // namespace

void S_ZOOM_vReset(void) {
  s_fUpperZoomEdge = 0.0f;
  s_u32LastUpperZoomDigits = s_u32LastLowerZoomDigits = 0xFFFFFFFF;
}

void vSetupZoomRange(BOOLEAN bForce) {
  const F32 depth = s_fCurrentDepth.load();
  if (!(depth > 0.0f)) return;
  SONAR_WINDOW& w0 = SonarViewInfo.Window[0];
  SONAR_WINDOW& w1 = SonarViewInfo.Window[1];
  const UNIT_TYPE u = SonarViewInfo.unitsDepth;
  w1.bManualDepthRange = FALSE;
  if (SonarViewInfo.bBottomLockZoom) {
    const U32 upper = u32Digits(SonarViewInfo.fBottomRange, u);
    if (!bForce && upper == s_u32LastUpperZoomDigits) return;
    w1.u32UpperSample = S_HISTORY_u32MetresToSample(fMetres(upper, u));
    w1.u32LowerSample = w1.u32UpperSample / 5;
    w1.u32UpperDigits = upper;
    w1.u32LowerDigits = 0;
    w1.fUpperDisplayedMetres = fMetres(upper, u);
    w1.fLowerDisplayedMetres = 0.2f * w1.fUpperDisplayedMetres;
    s_u32LastUpperZoomDigits = upper;
  } else {
    U32 level = SonarViewInfo.u32ZoomLevel;
    if (level >= sizeof u8ZoomLevelTable) level = 0;
    const U32 Hz = u32Digits((w0.fLowerDisplayedMetres - w0.fUpperDisplayedMetres) / u8ZoomLevelTable[level], u);
    if (Hz == 0) {
      log_me("history: zoom range: window 0 spans no digits; zoom range kept");
      return;
    }
    const F32 Hm = fMetres(Hz, u);
    const F32 g = (depth - s_fUpperZoomEdge) / Hm;
    F32 edge = s_fUpperZoomEdge;
    if (g < 0.6f) {
      edge = depth - 0.85f * Hm;
    } else if (g > 0.9f) {
      edge = depth - 0.65f * Hm;
    }
    if (!(edge > 0.0f)) edge = 0.0f;
    s_fUpperZoomEdge = edge;
    const U32 upper = u32Digits(edge, u), lower = upper + Hz;
    if (!bForce && upper == s_u32LastUpperZoomDigits && lower == s_u32LastLowerZoomDigits) return;
    w1.u32UpperDigits = upper;
    w1.u32LowerDigits = lower;
    w1.fUpperDisplayedMetres = fMetres(upper, u);
    w1.fLowerDisplayedMetres = fMetres(lower, u);
    w1.u32UpperSample = S_HISTORY_u32MetresToSample(w1.fUpperDisplayedMetres);
    w1.u32LowerSample = S_HISTORY_u32MetresToSample(w1.fLowerDisplayedMetres);
    s_u32LastUpperZoomDigits = upper;
    s_u32LastLowerZoomDigits = lower;
  }
  w1.bTriggerTotalScreenUpdate = TRUE;
  bForceResample.store(TRUE);
}

namespace {

// The store's newest column (while scrolling in reverse, the one after the
// next free one).
U32 u32NewestStoredColumn(const FULL_SCREEN_TSU& store) {
  const U32 next = store.u32NextFreeColumn % HISTORY_RING_SLOTS;
  return s_bReverseScroll.load() ? (next + 1) % HISTORY_RING_SLOTS : (next == 0 ? HISTORY_RING_SLOTS - 1 : next - 1);
}

// Fish on the zoom window (columns 0 to right): in bottom lock around each
// column's bottom, from the beam's store and fish history (beam 1's for the
// combined beam); otherwise the standard marks of the window's beams.
void vDrawZoomFish(BITMAP* pBitmap, const SONAR_WINDOW& w1, BOOLEAN bLock, BEAM storeBeam, U32 right, U32 H,
                   UNIT_TYPE units) {
  if (bLock) {
    if (storeBeam >= 4) return;
    // The store's mutex before the fish lists' one, as the column builder
    // takes them.
    (void)L_MUTEX_LockWait(RES_TSU);
    const FULL_SCREEN_TSU& store = TSUStore[storeBeam];
    S_FISHID_vDrawBottomLockFishHistory(pBitmap, &s_sBeamInfo[storeBeam].FishHistory, store.aTsuStore,
                                        HISTORY_RING_SLOTS, u32NewestStoredColumn(store), 0, (S32)right, H,
                                        w1.u32UpperSample, w1.u32LowerSample, units, entry(kTextEntry));
    (void)L_MUTEX_Unlock(RES_TSU);
    return;
  }
  for (BEAM beam : {w1.Beam == 4 ? BEAM(0) : w1.Beam, w1.Beam == 4 ? BEAM(1) : BEAM_NONE}) {
    if (beam >= HISTORY_BEAMS) continue;
    S_FISHID_vDrawStandardFishHistory(pBitmap, &s_sBeamInfo[beam].FishHistory, 0, (S32)right, 600 - (S32)H, 599,
                                      w1.u32UpperSample, w1.u32LowerSample, units, entry(kTextEntry), FALSE);
  }
}

}  // namespace

void S_ZOOM_vDrawZoomSonar(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  U32 R = T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_FULL_WINDOW);
  if (R > 600) R = 600;
  const U32 H = 600 - R;
  const BOOLEAN bConsume = !pSpec->bExpedited;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(SONAR_ZOOM_VIEW_PRIORITY);
  SONAR_WINDOW w0 = SonarViewInfo.Window[0];
  SONAR_WINDOW w1 = SonarViewInfo.Window[1];
  if (bConsume) SonarViewInfo.Window[0].bTriggerTotalScreenUpdate = SonarViewInfo.Window[1].bTriggerTotalScreenUpdate = FALSE;
  const SONAR_VIEW_INFO info = SonarViewInfo;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  const BEAM storeBeam = w1.Beam == 4 ? 1 : w1.Beam;
  CursorWindow = pSpec->drawWindow;
  G_BOX_vDrawFilled(pBitmap, entry(kFillEntry), POINT{0, 0}, 800, 105);
  const BOOLEAN bLock = info.bBottomLockZoom;
  if (w0.u32UpperDigits == w0.u32LowerDigits || w0.u32UpperSample == w0.u32LowerSample ||
      (bLock && w1.u32UpperSample == 0))
    return;
  U32 W = s_u32UnZoomedWidth.load();
  if (W < 100 || W > 600) W = 400;
  if (bConsume) {
    if (w0.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w0, H, W, info.BottomView, FALSE);
    if (w1.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w1, H, 797 - W, info.BottomView, bLock);
  }
  vDrawSonarWindow(pBitmap, &w0, 800 - W, 799, H, info.unitsDepth, 0, info.bFishID, FALSE);
  (void)vCopyHistoryToBitmap(pBitmap, &w1.ScreenHistory, 797 - W, 796 - W);
  if (info.bFishID) vDrawZoomFish(pBitmap, w1, bLock, storeBeam, 796 - W, H, info.unitsDepth);
  const S32 r = (S32)R, h = (S32)H, x0 = 799 - (S32)W;
  if (!bLock) {
    const S32 S = (S32)w0.u32LowerDigits - (S32)w0.u32UpperDigits;
    const S32 y = r + ((S32)w0.u32LowerDigits - (S32)w1.u32LowerDigits) * h / S;
    const S32 fh = ((S32)w1.u32LowerDigits - (S32)w1.u32UpperDigits) * h / S;
    const S32 Wd = (S32)W;
    if (fh > 6) {
      G_BOX_vDrawRounded(pBitmap, entry(kFillEntry), POINT{x0, y}, (U32)(Wd + 1), (U32)fh, 5);
      G_BOX_vDrawRounded(pBitmap, entry(kLineEntry), POINT{x0 + 1, y + 1}, (U32)(Wd - 1), (U32)(fh - 2), 5);
      G_BOX_vDrawRounded(pBitmap, entry(kLineEntry), POINT{x0 + 2, y + 2}, (U32)(Wd - 3), (U32)(fh - 4), 3);
      G_BOX_vDrawRounded(pBitmap, entry(kFillEntry), POINT{x0 + 3, y + 3}, (U32)(Wd - 5), (U32)(fh - 6), 3);
    }
    vDrawDepthScale(pBitmap, (U32)x0, w1.u32UpperDigits, w1.u32LowerDigits, H, 0, FALSE, FALSE);
    vDrawDepthScale(pBitmap, 799, w0.u32UpperDigits, w0.u32LowerDigits, H, 0, w0.bManualDepthRange, FALSE);
    U32 level = info.u32ZoomLevel < 6 ? info.u32ZoomLevel : 0;
    const S32 bx = T_INFO_nBoxWidth_SonarView(577, 599);
    vBoxedText(pBitmap, f15x21_font_def_ptr, POINT{bx, 577}, 23, ZoomLevelList[level][nCurrentLanguage()]);
    return;
  }
  // Bottom lock: the band around the newest bottom, marked on the
  // full-range window.
  U32 depth = 0;
  if (storeBeam < 4) {
    (void)L_MUTEX_LockWait(RES_TSU);
    const FULL_SCREEN_TSU& store = TSUStore[storeBeam];
    depth = store.aTsuStore[u32NewestStoredColumn(store)].u32SmoothedDepthInSamples;
    (void)L_MUTEX_Unlock(RES_TSU);
  }
  const S32 S = (S32)w0.u32LowerSample - (S32)w0.u32UpperSample;
  const S32 lower0 = (S32)w0.u32LowerSample, d = (S32)depth;
  const S32 b = r + (S32)((S64)h * (lower0 - d) / S);
  S32 yLow = r + (S32)((S64)h * (lower0 - d - (S32)w1.u32LowerSample) / S);
  S32 yUp = b + (S32)((S64)h * (S32)w1.u32UpperSample / S);
  if (yLow > 2) vMarker(pBitmap, yLow - 3);
  if (yUp <= 598) vMarker(pBitmap, yUp);
  yLow = yLow < 0 ? 0 : yLow;
  yUp = yUp > 599 ? 599 : yUp;
  if (yUp > yLow) {
    G_BOX_vDrawFilled(pBitmap, entry(kFillEntry), POINT{795, yLow}, 5, (U32)(yUp - yLow + 1));
    G_BOX_vDrawFilled(pBitmap, entry(kTextEntry), POINT{796, yLow}, 3, (U32)(yUp - yLow + 1));
  }
  const FONT_DEF* small = std_11x14_font_def_ptr.load();
  if (b - 8 <= 590) vBoxedText(pBitmap, small, POINT{796 - (S32)G_STRING_u32GetWidth(small, "0"), b - 8}, 16, "0");
  G_LINE_vDraw(pBitmap, entry(kFillEntry), POINT{x0, r}, POINT{x0, 599});
  G_LINE_vDraw(pBitmap, entry(kTextEntry), POINT{x0 - 1, r}, POINT{x0 - 1, 599});
  G_LINE_vDraw(pBitmap, entry(kFillEntry), POINT{x0 - 2, r}, POINT{x0 - 2, 599});
  const FONT_DEF* digits = f15x21_font_def_ptr;
  char text[16];
  snprintf(text, sizeof text, "%u", w1.u32UpperDigits);
  const S32 zr = 796 - (S32)W;
  vBoxedText(pBitmap, digits, POINT{zr - (S32)G_STRING_u32GetWidth(digits, text), 577}, 23, text);
  const U32 span = w1.u32LowerSample + w1.u32UpperSample;
  if (span != 0) {
    const S32 y0 = r + (S32)((S64)w1.u32LowerSample * h / span) - 11;
    vBoxedText(pBitmap, digits, POINT{zr - (S32)G_STRING_u32GetWidth(digits, "0"), y0}, 23, "0");
  }
  vDrawDepthScale(pBitmap, 799, w0.u32UpperDigits, w0.u32LowerDigits, H, 0, w0.bManualDepthRange, FALSE);
  const FONT_DEF* label = std_16x17_font_def_ptr.load();
  vBoxedText(pBitmap, label, POINT{T_INFO_nBoxWidth_SonarView(581, 599), 581}, 19,
             Bottom_Lock[nCurrentLanguage()]);
}

// ------------------------------------------------------------ Nadscan inset

namespace {

const U8 s_u8DiZoomTable[] = {0, 2, 4, 6};
constexpr U32 kZoomColumn = 400;
alignas(8) U32 s_u32DiZoomBuffer[240000 / 4];
BITMAP s_DiZoomBitmap;
U8 s_au8PrevL[kZoomColumn], s_au8PrevR[kZoomColumn], s_au8NextL[kZoomColumn], s_au8NextR[kZoomColumn];
U8 s_au8InterpL[kZoomColumn], s_au8InterpR[kZoomColumn], s_au8Blend[kZoomColumn];
COLOR s_acZoomColours[kZoomColumn];

BOOLEAN bInsetView(LAYER_ID view, SPLIT_WINDOW_TYPE side) {
  return view == NADSCAN_VIEW_PRIORITY || (view == NADSCAN_PLUS_2D_VIEW_PRIORITY && side == SPLIT_RIGHT_WINDOW) ||
         (view == CHART_PLUS_NADSCAN_VIEW_PRIORITY && side == SPLIT_LEFT_WINDOW);
}

void vViewAndSide(const WINDOW_SPECIFICATION* p, LAYER_ID* pView, SPLIT_WINDOW_TYPE* pSide) {
  *pView = p->currentLayer;
  *pSide = p->drawWindowType;
  S32 v = 0;
  if ((S32)*pView == -3 && H_DATABASE_bFetchS32(FCID("CVEW"), &v)) *pView = (LAYER_ID)v;
  if ((S32)*pSide == -3 && H_DATABASE_bFetchS32(FCID("CVAS"), &v)) *pSide = (SPLIT_WINDOW_TYPE)v;
}

BOOLEAN bNonZero(const char* key, S32* pValue) {
  BOOLEAN valid = FALSE;
  S32 v = 0;
  if (!H_DATABASE_bFetchS32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), &v, &valid) || !valid) return FALSE;
  if (pValue != nullptr) *pValue = v;
  return v != 0;
}

}  // namespace

void S_ZOOM_vForceDiZoomUpdate(void) { DiZoomWin.bForceUpdate = TRUE; }

void T_N_HISTORY_vBuildDiZoomColumn(U32 u32Index, U8* outL, U8* outR, S32 s32WindowHeight, S32 minL, S32 maxL,
                                    S32 minR, S32 maxR) {
  if (s32WindowHeight <= 0) return;
  const U32 h = (U32)std::min<S32>(s32WindowHeight, (S32)kZoomColumn);
  memset(outL, 0, h);
  memset(outR, 0, h);
  const U8 imaging = (U8)s_db_TransducerSelectArray[1].load();
  const BOOLEAN single = imaging == 15 || imaging == 17 || imaging == 18;
  struct {
    BEAM beam;
    U8* out;
    S32 lo, hi;
    U32 rows;
  } sides[2] = {{single ? (BEAM)3 : (BEAM)2, outL, minL, maxL, h}, {3, outR, minR, maxR, h > 1 ? h - 1 : 1}};
  for (auto& s : sides) {
    if (s_sBeamInfo[s.beam].pTSUStore == nullptr || u32Index >= HISTORY_RING_SLOTS || s.hi <= s.lo || s.lo < 0)
      continue;
    const TSU_STORE_COLUMN& slot = s_sBeamInfo[s.beam].pTSUStore->aTsuStore[u32Index];
    const U32 f = slot.u8SampleFactor;
    if (f == 0 || slot.au8Data == nullptr) continue;
    const U32 start = (U32)s.lo / f, count = (U32)(s.hi - s.lo) / f;
    if (start >= slot.u32TSUDataLength) continue;
    const U32 extent = slot.u32SamplesInStore > start ? slot.u32SamplesInStore - start : 0;
    S_FRESAMPLE_vFastResample(slot.au8Data + start, count, extent, s.out, s.rows);
  }
}

BOOLEAN T_N_HISTORY_bUpdateDiZoomWindow(const WINDOW_SPECIFICATION* p) {
  SI_ZOOM_WINDOW_TYPE& z = DiZoomWin;
  LAYER_ID view;
  SPLIT_WINDOW_TYPE side;
  vViewAndSide(p, &view, &side);
  S32 idiz = 0, cx = 0, cy = 0;
  const BOOLEAN ok = bInsetView(view, side) && bNonZero("ICAC", nullptr) && bNonZero("IDIZ", &idiz) && idiz > 0 &&
                     idiz < 4 && H_DATABASE_bFetchS32(FCID("ICPX"), &cx) && H_DATABASE_bFetchS32(FCID("ICPY"), &cy);
  if (!ok) {
    z.bActive = FALSE;
    return FALSE;
  }
  const S32 factor = s_u8DiZoomTable[idiz];
  if (!z.bForceUpdate && z.bActive && z.ptCursor.x == cx && z.ptCursor.y == cy && z.s32ZoomFactor == factor)
    return TRUE;
  z.bForceUpdate = FALSE;
  z.eView = view;
  z.s32ZoomFactor = factor;
  z.ptCursor = POINT{cx, cy};
  z.s32LeftEdge = p->drawWindow.s32ClipLeft < 0 ? 0 : p->drawWindow.s32ClipLeft;
  z.s32RightEdge = p->drawWindow.s32ClipRight;
  z.s32TopEdge = p->drawWindow.s32ClipTop;
  z.s32BottomEdge = p->drawWindow.s32ClipBottom + 105;
  z.s32Width = z.s32RightEdge - z.s32LeftEdge;
  z.s32ZoomWidth = std::min<S32>(z.s32Width / 2 - 10, 400);
  z.s32Height = z.s32TopEdge - z.s32TopOffset - z.s32BottomEdge;
  const S32 span = z.s32TopEdge - z.s32BottomEdge, B = span / 2;
  z.s32ZoomHeight = std::min<S32>(B - 10, (S32)kZoomColumn);
  if (z.s32ZoomWidth <= 0 || z.s32ZoomHeight <= 0 ||
      (size_t)((z.s32ZoomWidth + 1) & ~1) * (size_t)z.s32ZoomHeight * sizeof(COLOR) > sizeof s_u32DiZoomBuffer) {
    log_me("history: Nadscan inset: no inset for a pane of %d x %d", z.s32Width, span);
    z.bActive = FALSE;
    return FALSE;
  }
  S32 x, y;
  if (cx - z.s32LeftEdge < z.s32Width / 4) {
    x = z.s32LeftEdge;
  } else if (z.s32RightEdge - cx < z.s32Width / 4) {
    x = z.s32RightEdge - z.s32Width / 2;
  } else {
    x = cx - z.s32Width / 4;
  }
  if (cy - z.s32BottomEdge < span / 4) {
    y = z.s32BottomEdge;
  } else if (cy >= z.s32TopEdge || z.s32TopEdge - cy < span / 4) {
    y = z.s32TopEdge - B;
  } else {
    y = cy - span / 4;
  }
  z.ptWindow = POINT{x + 5, y + 5};
  if (z.pBitmap == nullptr || z.pBitmap->pixels_wide != z.s32ZoomWidth || z.pBitmap->pixels_high != z.s32ZoomHeight) {
    z.pBitmap = G_BUFFERS_pCreateBitmap(z.s32ZoomWidth, z.s32ZoomHeight, &s_DiZoomBitmap, s_u32DiZoomBuffer);
  }
  const U32 pitch = z.pBitmap->__u32PixelWidthOfBuffer;
  COLOR* px = G_BITMAP_pPixels(z.pBitmap);
  for (S32 r = 0; r < z.s32ZoomHeight; ++r)
    for (S32 i = 0; i < z.s32ZoomWidth; ++i) px[(size_t)r * pitch + (size_t)i] = entry(0);
  U32 sdsc = 6;
  (void)H_DATABASE_bFetchU32(FCID("SDSC"), &sdsc);
  (void)T_N_HISTORY_vSetSonarColorTable(sdsc);
  z.pGrayScaleTable = &NadscanGrayScaleTable;
  z.bActive = TRUE;
  s_u32DiZoomBuilds.fetch_add(1);
  // Sources: the left and right stores, the right one for both with a
  // single down-looking element.
  const U8 imaging = (U8)s_db_TransducerSelectArray[1].load();
  const BOOLEAN single = imaging == 15 || imaging == 17 || imaging == 18;
  const FULL_SCREEN_TSU* left = s_sBeamInfo[single ? 3 : 2].pTSUStore;
  const FULL_SCREEN_TSU* right = s_sBeamInfo[3].pTSUStore;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  const SONAR_WINDOW* main5 = s_sBeamInfo[5].pMain;
  const U32 upperS = main5 != nullptr ? main5->u32UpperSample : 0, lowerS = main5 != nullptr ? main5->u32LowerSample : 0;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  if (main5 == nullptr || (left == nullptr && right == nullptr) || lowerS <= upperS || span <= 0) return TRUE;
  (void)L_MUTEX_LockWait(RES_TSU);
  const U32 next = (left != nullptr ? left : right)->u32NextFreeColumn;
  (void)L_MUTEX_Unlock(RES_TSU);
  const F64 w = (F64)(lowerS - upperS) / span;
  const S32 c = cy - z.ptWindow.y;
  const F64 fromPx = z.s32TopEdge - cy - (F64)(z.s32ZoomHeight - c) / factor;
  const F64 toPx = (F64)c / factor + z.s32TopEdge - cy;
  const S32 minD = (S32)upperS + (S32)std::max(0.0, fromPx * w);
  const S32 maxD = (S32)upperS + (S32)std::max(0.0, toPx * w);
  U32 sdbw = 2;
  (void)H_DATABASE_bFetchU32(FCID("SDBW"), &sdbw);
  U32 depthLines = SonarViewInfo.u32DepthLines;
  const COLOR lineColour = entry(sdsc == 2 ? 32 : 35);
  S32 lineRows[3];
  for (S32 q = 1; q <= 3; ++q) {
    const F64 p = (F64)q * span / 4;
    lineRows[q - 1] = (S32)std::floor((p - (z.s32TopEdge - cy) + (F64)(z.s32ZoomHeight - c) / factor) * factor);
  }
  S32 index = -1;
  const U32 rows = (U32)z.s32ZoomHeight;
  // Each build is a new run of columns for the filter.
  NADSCAN_FILTER* filter = S_COLUMNS_pNadscanFilter(NADSCAN_FILTER_INSET);
  filter->bClear.store(TRUE);
  for (S32 i = 0; i < z.s32ZoomWidth; ++i) {
    const F64 back = (F64)(z.ptWindow.x + i - cx) / factor;
    const F64 d = view == NADSCAN_PLUS_2D_VIEW_PRIORITY ? 2.0 * z.s32Width - cx + 8 - back : z.s32Width - cx - back;
    const F64 whole = std::floor(d + 1);
    S32 idx = (S32)next - 1 - (S32)whole;
    while (idx < 0) idx += (S32)HISTORY_RING_SLOTS;
    idx %= (S32)HISTORY_RING_SLOTS;
    if (idx != index) {
      const U32 following = (U32)(idx + 1) % HISTORY_RING_SLOTS;
      if (index >= 0 && (U32)idx == (U32)(index + 1) % HISTORY_RING_SLOTS) {
        memcpy(s_au8PrevL, s_au8NextL, rows);
        memcpy(s_au8PrevR, s_au8NextR, rows);
      } else {
        T_N_HISTORY_vBuildDiZoomColumn((U32)idx, s_au8PrevL, s_au8PrevR, (S32)rows, minD, maxD, minD, maxD);
      }
      T_N_HISTORY_vBuildDiZoomColumn(following, s_au8NextL, s_au8NextR, (S32)rows, minD, maxD, minD, maxD);
      index = idx;
    }
    const F64 t = whole - d;
    for (U32 r = 0; r < rows; ++r) {
      s_au8InterpL[r] = (U8)(s_au8PrevL[r] + t * ((S32)s_au8NextL[r] - (S32)s_au8PrevL[r]));
      s_au8InterpR[r] = (U8)(s_au8PrevR[r] + t * ((S32)s_au8NextR[r] - (S32)s_au8PrevR[r]));
      const U32 lo = std::min(s_au8InterpL[r], s_au8InterpR[r]), hi = std::max(s_au8InterpL[r], s_au8InterpR[r]);
      U32 v;
      if (sdbw == 0) {
        v = lo;
      } else if (sdbw == 1) {
        v = (lo * 166 + hi * 90) >> 8;
      } else {
        v = hi;
      }
      s_au8Blend[r] = (U8)v;
    }
    S_COLUMNS_vNadscanFilter(filter, s_au8Blend, rows);
    S_GRAYSCALE_vCategorize(s_au8Blend, s_acZoomColours, rows, &NadscanGrayScaleTable, rows,
                            s_sBeamInfo[5].s8Gain);
    if (depthLines != 0) {
      for (S32 row : lineRows)
        if (row >= 0 && row < (S32)rows) s_acZoomColours[row] = lineColour;
    }
    for (U32 r = 0; r < rows; ++r) px[(size_t)r * pitch + (size_t)i] = s_acZoomColours[r];
  }
  return TRUE;
}

BOOLEAN S_ZOOM_bDrawDiZoomWindow(BITMAP* pBitmap, const WINDOW_SPECIFICATION* p, S32* pFactor,
                                      S32* pTopOffset) {
  const SI_ZOOM_WINDOW_TYPE& z = DiZoomWin;
  if (pFactor != nullptr) *pFactor = 0;
  if (pTopOffset != nullptr) *pTopOffset = 0;
  if (pBitmap == nullptr || p == nullptr || !z.bActive || z.pBitmap == nullptr) return FALSE;
  LAYER_ID view;
  SPLIT_WINDOW_TYPE side;
  vViewAndSide(p, &view, &side);
  if (!bInsetView(view, side)) return FALSE;
  const POINT at = z.ptWindow;
  const S32 w = z.s32ZoomWidth, h = z.s32ZoomHeight;
  G_BOX_vDrawFilled(pBitmap, entry(35), POINT{at.x - 5, at.y - 5}, (U32)(w + 10), (U32)(h + 10));
  G_BOX_vDraw(pBitmap, entry(36), POINT{at.x - 3, at.y - 3}, (U32)(w + 6), (U32)(h + 6));
  const COLOR* src = G_BITMAP_pPixels(z.pBitmap);
  const U32 srcPitch = z.pBitmap->__u32PixelWidthOfBuffer, pitch = pBitmap->__u32PixelWidthOfBuffer;
  COLOR* dst = G_BITMAP_pPixels(pBitmap);
  const S32 frameH = pBitmap->pixels_high_full_screen;
  for (S32 r = 0; r < h; ++r) {
    const S32 y = at.y + h - 1 - r;
    if (y < pBitmap->s32ClipBottom || y > pBitmap->s32ClipTop) continue;
    for (S32 i = 0; i < w; ++i) {
      const S32 x = at.x + i;
      if (x < pBitmap->s32ClipLeft || x > pBitmap->s32ClipRight) continue;
      dst[(size_t)(frameH - 1 - y) * pitch + (size_t)x] = src[(size_t)r * srcPitch + (size_t)i];
    }
  }
  const COLOR mark = entry(36);
  const S32 cx = z.ptCursor.x, cy = z.ptCursor.y;
  const S32 bx = cx >= z.s32RightEdge - 5 ? z.s32RightEdge - 5 : std::max(z.s32LeftEdge + 2, cx - 1);
  G_BOX_vDrawFilled(pBitmap, mark, POINT{bx, at.y - 24}, 3, 36);
  G_BOX_vDrawFilled(pBitmap, mark, POINT{bx, at.y + h - 12}, 3, 36);
  S32 by = z.s32TopEdge - 5;
  if (cy < by) by = cy < 3 ? 2 : cy - 1;
  if (by < z.s32BottomEdge + 2) by = z.s32BottomEdge + 2;
  G_BOX_vDrawFilled(pBitmap, mark, POINT{at.x - 24, by}, 36, 3);
  G_BOX_vDrawFilled(pBitmap, mark, POINT{at.x + w - 12, by}, 36, 3);
  if (pFactor != nullptr) *pFactor = z.s32ZoomFactor;
  if (pTopOffset != nullptr) *pTopOffset = z.s32TopOffset;
  return TRUE;
}
