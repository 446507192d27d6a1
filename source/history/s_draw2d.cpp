// The 2D sonar views' draw callbacks and the drawing routines every sonar
// view shares: the history copied into the frame, depth lines, depth scale,
// colour bar and the real-time strip.
#include <cstdio>
#include <cstring>

#include "data/fonts.h"
#include "data/icons.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/history/history_int.h"
#include "source/history/s_draw.h"
#include "source/history/s_tempchart.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"

WINDOW_LOCATION CursorWindow;

namespace {

constexpr U32 kFillEntry = 128;
constexpr U32 kLineEntry = 130;
constexpr U32 kTextEntry = 131;
constexpr U32 kLabelAlphas = 0x8C8C56;

COLOR entry(U32 k) { return gCOLOR_pcolColorTable[k]; }

// The real-time strip's amplitudes and colours (view task only).
U8 s_au8RtsColumn[600];
COLOR ColorRTSColumn[600];

void vLine(BITMAP* b, U32 k, S32 x0, S32 y0, S32 x1, S32 y1) { G_LINE_vDraw(b, entry(k), POINT{x0, y0}, POINT{x1, y1}); }

const FONT_DEF* pSmallFont() { return std_11x14_font_def_ptr.load(); }

// Copies the window under mutex 28, clears its trigger unless expedited.
SONAR_WINDOW windowCopy(U32 w, BOOLEAN bExpedited, SONAR_VIEW_INFO* pInfo) {
  SONAR_WINDOW copy = SonarViewInfo.Window[w];
  if (!bExpedited) SonarViewInfo.Window[w].bTriggerTotalScreenUpdate = FALSE;
  *pInfo = SonarViewInfo;
  return copy;
}

}  // namespace

void S_DRAW_vDepthLabel(U32 u32Tenths, char* pcText) {
  char digits[16];
  snprintf(digits, sizeof digits, "%u", u32Tenths);
  const size_t n = strlen(digits);
  if (digits[n - 1] != '0') {
    if (n == 1) {
      snprintf(pcText, 16, "0.%c", digits[0]);
    } else {
      memcpy(pcText, digits, n - 1);
      pcText[n - 1] = '.';
      pcText[n] = digits[n - 1];
      pcText[n + 1] = '\0';
    }
  } else {
    memcpy(pcText, digits, n - 1);
    pcText[n - 1] = '\0';
    if (n == 1) strcpy(pcText, "0");
  }
}

U32 S_DRAW_u32DepthLines(U32 u32DepthLines, U32 u32Height, U32 u32TopOffset, U32 u32UpperDigits, U32 u32LowerDigits,
                         DEPTH_LINE* pLines) {
  if (u32DepthLines == 0 || u32UpperDigits >= u32LowerDigits) return 0;
  const S32 N = (S32)u32DepthLines, S = (S32)(u32LowerDigits - u32UpperDigits), h = (S32)u32Height;
  const S32 B = 600 - h - (S32)u32TopOffset;
  for (S32 i = 0; i < N; ++i) {
    S32 value = (10 * S * (N - i) + (N + 1) / 2) / (N + 1) + 10 * (S32)u32UpperDigits;
    if (h / 2 < S) value = (value + 5) / 10 * 10;
    pLines[i].s32Y = B + (5 * S + h * (10 * (S32)u32LowerDigits - value)) / (10 * S);
    S_DRAW_vDepthLabel((U32)value, pLines[i].acLabel);
  }
  return u32DepthLines;
}

void vDrawDepthLines(BITMAP* pBitmap, U32 u32DepthLines, U32 u32LeftPixel, U32 u32RightPixel, U32 u32Height,
                     U32 u32TopOffset, U32 u32UpperDigits, U32 u32LowerDigits) {
  DEPTH_LINE lines[16];
  if (u32DepthLines > 16) u32DepthLines = 16;
  const U32 n = S_DRAW_u32DepthLines(u32DepthLines, u32Height, u32TopOffset, u32UpperDigits, u32LowerDigits, lines);
  const BOOLEAN plain = U_VIEW_eCurrentView() == NADSCAN_PLUS_2D_VIEW_PRIORITY;
  const U8 alpha = T_INFO_u8ConvertAlphaVector(kLabelAlphas);
  for (U32 i = 0; i < n; ++i) {
    const S32 y = lines[i].s32Y;
    if (plain) {
      vLine(pBitmap, kLineEntry, (S32)u32LeftPixel, y, (S32)u32RightPixel, y);
      continue;
    }
    const S32 w = (S32)G_STRING_u32GetWidth(pSmallFont(), lines[i].acLabel);
    vLine(pBitmap, kLineEntry, (S32)u32LeftPixel, y, (S32)u32RightPixel - w - 1, y);
    G_BOX_vDrawFilledAlpha(pBitmap, entry(kFillEntry), POINT{(S32)u32RightPixel - w, y - 8}, (U32)w + 1, 16, alpha);
    POINT at{(S32)u32RightPixel - w + 1, y - 7 + (S32)G_FONTS_u32GetDescenderHeight(pSmallFont())};
    G_STRING_vPut(pBitmap, entry(kTextEntry), &at, pSmallFont(), lines[i].acLabel);
  }
}

void vDrawDepthScale(BITMAP* pBitmap, U32 u32RightPixel, U32 u32UpperDigits, U32 u32LowerDigits, U32 u32Height,
                     U32 u32TopOffset, BOOLEAN bManualFlag, BOOLEAN bSuppressDivider) {
  const FONT_DEF* font = f15x21_font_def_ptr;
  char upper[16], lower[16];
  snprintf(upper, sizeof upper, "%u", u32UpperDigits);
  snprintf(lower, sizeof lower, "%u", u32LowerDigits);
  S32 right = (S32)u32RightPixel;
  if (!bSuppressDivider && u32RightPixel != 799) {
    const S32 bottom = 600 - (S32)u32Height - (S32)u32TopOffset;
    vLine(pBitmap, kFillEntry, right, bottom, right, 599 - (S32)u32TopOffset);
    vLine(pBitmap, kTextEntry, right - 1, bottom, right - 1, 599 - (S32)u32TopOffset);
    vLine(pBitmap, kFillEntry, right - 2, bottom, right - 2, 599 - (S32)u32TopOffset);
    right -= 3;
  }
  const U8 alpha = T_INFO_u8ConvertAlphaVector(kLabelAlphas);
  const S32 descender = (S32)G_FONTS_u32GetDescenderHeight(font);
  auto label = [&](const char* text, S32 y) {
    const S32 w = (S32)G_STRING_u32GetWidth(font, text);
    const POINT anchor{right - w, y};
    G_BOX_vDrawFilledAlpha(pBitmap, entry(kFillEntry), anchor, (U32)w + 1, 23, alpha);
    POINT at{anchor.x + 1, anchor.y + 1 + descender};
    G_STRING_vPut(pBitmap, entry(kTextEntry), &at, font, text);
    return anchor;
  };
  label(upper, 577 - (S32)u32TopOffset);
  const POINT lowerAnchor = label(lower, 600 - (S32)u32Height - (S32)u32TopOffset);
  if (bManualFlag) G_ICON_vPut(pBitmap, &manual_icon, POINT{lowerAnchor.x - manual_icon.nWidth, lowerAnchor.y - 1});
}

void vDrawSonarWindow(BITMAP* pBitmap, SONAR_WINDOW* pWindow, U32 u32LeftPixel, U32 u32RightPixel, U32 u32Height,
                      UNIT_TYPE unitsDepth, U32 u32DepthLines, BOOLEAN bFishID, BOOLEAN bDrawScale) {
  if (u32RightPixel < u32LeftPixel) return;
  (void)vCopyHistoryToBitmap(pBitmap, &pWindow->ScreenHistory, u32RightPixel - u32LeftPixel + 1, u32RightPixel);
  if (bFishID) {
    // The combined picture shows the fish of both of its beams.
    for (BEAM beam : {pWindow->Beam == 4 ? BEAM(0) : pWindow->Beam, pWindow->Beam == 4 ? BEAM(1) : BEAM_NONE}) {
      if (beam >= HISTORY_BEAMS) continue;
      S_FISHID_vDrawStandardFishHistory(pBitmap, &s_sBeamInfo[beam].FishHistory, (S32)u32LeftPixel,
                                        (S32)u32RightPixel, 600 - (S32)u32Height, 599, pWindow->u32UpperSample,
                                        pWindow->u32LowerSample, unitsDepth, entry(kTextEntry), FALSE);
    }
  }
  vDrawDepthLines(pBitmap, u32DepthLines, u32LeftPixel, u32RightPixel, u32Height, 0, pWindow->u32UpperDigits,
                  pWindow->u32LowerDigits);
  if (bDrawScale) {
    const U32 x = u32RightPixel + 3 > 798 ? 799 : u32RightPixel + 3;
    vDrawDepthScale(pBitmap, x, pWindow->u32UpperDigits, pWindow->u32LowerDigits, u32Height, 0,
                    pWindow->bManualDepthRange, FALSE);
  }
}

void vDrawAScopeRTS(BITMAP* pBitmap, const U8* pu8DirectData, U32 u32XOffset, U32 u32Width) {
  const S32 x0 = (S32)u32XOffset;
  G_BOX_vDrawFilled(pBitmap, entry(kFillEntry), POINT{x0, 0}, u32Width, 600);
  const U32 F = s_bSelectTvgView.load() ? 180 : 256;
  const U32 scale = u32Width * 65536 / F;
  for (U32 i = 0; i < 600; ++i) {
    const S32 len = (S32)(scale * pu8DirectData[i] / 65536);
    if (len != 0) vLine(pBitmap, kTextEntry, x0, 599 - (S32)i, x0 + len, 599 - (S32)i);
  }
}

void S_DRAW_vRealTimeStrip(BITMAP* pBitmap, const SONAR_VIEW_INFO& info, const SONAR_WINDOW& w, U32 u32Left,
                           U32 u32Height, BOOLEAN bFullScreen) {
  if (info.RTSBeam >= 4 || info.u32RTSWidth == 0) return;
  memset(s_au8RtsColumn, 0, sizeof s_au8RtsColumn);
  const U32 h = u32Height > 600 ? 600 : u32Height;
  if (!(bFullScreen && s_bEndFill.load())) {
    S_DRAW_vRtsData(info.RTSBeam, s_au8RtsColumn, w.u32UpperSample, w.u32LowerSample - w.u32UpperSample, h);
  }
  if (info.u32RTSWidth == 100) {
    vDrawAScopeRTS(pBitmap, s_au8RtsColumn, u32Left, info.u32RTSWidth);
    return;
  }
  S_GRAYSCALE_vCategorize(s_au8RtsColumn, ColorRTSColumn, 600, &StandardBeamGrayScaleTable, 600,
                          s_sBeamInfo[info.RTSBeam].s8Gain);
  for (U32 row = 0; row < 600; ++row) {
    G_LINE_vDraw(pBitmap, ColorRTSColumn[row], POINT{(S32)u32Left, 599 - (S32)row},
                 POINT{(S32)(u32Left + info.u32RTSWidth) - 1, 599 - (S32)row});
  }
}

void S_DRAW_vColourBar(BITMAP* pBitmap, U32 R, U32 H, U32* pX) {
  const U32 s = H / 32, b = 2 * s;
  const S32 X = 796 - (S32)b;
  G_BOX_vDrawFilled(pBitmap, entry(kFillEntry), POINT{X + 3, 0}, b, 600);
  for (U32 k = 0; k < 31; ++k) {
    G_BOX_vDrawFilled(pBitmap, entry(31 - k), POINT{X + 3, 600 - (S32)((k + 1) * s)}, b, s);
  }
  if (H > 31 * s) G_BOX_vDrawFilled(pBitmap, entry(0), POINT{X + 3, (S32)R}, b, H - 31 * s);
  const S32 top = (S32)(R + H) - 1;
  vLine(pBitmap, kFillEntry, 799, (S32)R, 799, top);
  vLine(pBitmap, kFillEntry, X + 2, (S32)R, X + 2, top);
  vLine(pBitmap, kTextEntry, X + 1, (S32)R, X + 1, top);
  vLine(pBitmap, kFillEntry, X, (S32)R, X, top);
  *pX = (U32)X;
}

void S_DRAW_vFullScreenSonar(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const U32 R = T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_FULL_WINDOW);
  const U32 H = R < 600 ? 600 - R : 0;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(SONAR_VIEW_PRIORITY);
  SONAR_VIEW_INFO info;
  SONAR_WINDOW w = windowCopy(0, pSpec->bExpedited, &info);
  (void)L_MUTEX_Unlock(RES_S_INFO);
  U32 X = 800;
  if (info.bColorIntensityBar) S_DRAW_vColourBar(pBitmap, R, H, &X);
  const U32 W = info.u32RTSWidth != 0 && info.RTSBeam < 4 ? X - info.u32RTSWidth - 3 : X;
  CursorWindow = pSpec->drawWindow;
  CursorWindow.s32ClipRight = (S32)W - 1;
  if (!pSpec->bExpedited && w.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w, H, W, info.BottomView, FALSE);
  vDrawSonarWindow(pBitmap, &w, 0, W - 1, H, info.unitsDepth, info.u32DepthLines, info.bFishID, TRUE);
  if (bTemperatureOverlay.load()) T_N_HISTORY_vDrawTemperatureChart(pBitmap, POINT{0, 500}, W, 40);
  if (W != X) S_DRAW_vRealTimeStrip(pBitmap, info, w, X - info.u32RTSWidth, H, TRUE);
}

void S_DRAW_vDualBeamView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const U32 R = T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_FULL_WINDOW);
  const U32 H = R < 600 ? 600 - R : 0;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(SONAR_DUAL_BEAM_VIEW_PRIORITY);
  SONAR_VIEW_INFO info;
  SONAR_WINDOW w0 = windowCopy(0, pSpec->bExpedited, &info);
  SONAR_WINDOW w1 = windowCopy(1, pSpec->bExpedited, &info);
  (void)L_MUTEX_Unlock(RES_S_INFO);
  CursorWindow = pSpec->drawWindow;
  CursorWindow.s32ClipRight = 799;
  if (!pSpec->bExpedited) {
    if (w1.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w1, H, 398, info.BottomView, FALSE);
    if (w0.bTriggerTotalScreenUpdate) vTotalScreenUpdate(&w0, H, 399, info.BottomView, FALSE);
  }
  vDrawSonarWindow(pBitmap, &w1, 0, 397, 600, info.unitsDepth, 0, info.bFishID, TRUE);
  vDrawSonarWindow(pBitmap, &w0, 401, 799, 600, info.unitsDepth, 0, info.bFishID, TRUE);
  vDrawDepthLines(pBitmap, info.u32DepthLines, 0, 799, H, 0, w0.u32UpperDigits, w0.u32LowerDigits);
  U32 yst1 = 0;
  (void)H_DATABASE_bFetchU32(FCID("YST1"), &yst1);
  const U32 beams = S_DRAW_u32LowBeams((U8)yst1);
  const char* left = (beams & 2) != 0 ? "83kHz" : ((beams & 4) != 0 ? "50kHz" : "455kHz");
  const COLOR indicator = s_colorFrequencyIndicator.load();
  const S32 y = (S32)R + 1 + (S32)G_FONTS_u32GetDescenderHeight(pSmallFont());
  POINT a{1, y};
  G_STRING_vPut(pBitmap, indicator, &a, pSmallFont(), left);
  POINT b{402, y};
  G_STRING_vPut(pBitmap, indicator, &b, pSmallFont(), "200kHz");
  if (R != 0) G_BOX_vDrawFilled(pBitmap, BackGroundColor.load(), POINT{0, 0}, 800, 105);
}

void S_DRAW_vRtsData(BEAM Beam, U8* pu8Destination, U32 u32FirstSample, U32 u32Samples, U32 u32Size) {
  T_N_PROCESS_vGetRtsDataForDisplay(Beam, pu8Destination, u32FirstSample, u32Samples, u32Size);
}

U32 S_DRAW_u32LowBeams(U8 u8Transducer) {
  return S_TRANSDUCER_u32GetBeamsForTransducerAndSource(u8Transducer, SONAR_SOURCE_2D) &
         S_TRANSDUCER_u32GetBeamsSupportedByModel();
}

// The 2D history in the left pane of a split view (or in whatever pane the
// window description names): the view it names is made current, the sonar
// ends left of the strip, and the depth lines run across the pane.
void S_DRAW_vSonarSplit(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec) {
  const U32 R = T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_LEFT_WINDOW);
  const U32 H = R < 600 ? 600 - R : 0;
  (void)L_MUTEX_LockWait(RES_S_INFO);
  vVerifyAndUpdateWindowSettings(pSpec->currentLayer);
  SONAR_VIEW_INFO info;
  SONAR_WINDOW w = windowCopy(0, pSpec->bExpedited, &info);
  (void)L_MUTEX_Unlock(RES_S_INFO);
  const WINDOW_LOCATION& pane = pSpec->drawWindow;
  if (pane.s32ClipRight < pane.s32ClipLeft) return;
  const BOOLEAN whole = pane.s32ClipLeft == 0 && pane.s32ClipRight >= 799;
  const BOOLEAN active = (pSpec->activeWindow == SPLIT_LEFT_WINDOW && pane.s32ClipLeft == 0) ||
                         (pSpec->activeWindow == SPLIT_RIGHT_WINDOW && pane.s32ClipLeft != 0);
  if (whole || active) CursorWindow = pane;
  const BOOLEAN strip = info.u32RTSWidth != 0 && info.RTSBeam < 4 &&
                        (S32)info.u32RTSWidth + 3 <= pane.s32ClipRight - pane.s32ClipLeft;
  const U32 left = (U32)pane.s32ClipLeft, paneRight = (U32)pane.s32ClipRight;
  const U32 right = strip ? paneRight - info.u32RTSWidth - 3 : paneRight;
  if (!pSpec->bExpedited && w.bTriggerTotalScreenUpdate) {
    vTotalScreenUpdate(&w, H, right - left + 1, info.BottomView, FALSE);
  }
  vDrawSonarWindow(pBitmap, &w, left, right, H, info.unitsDepth, info.u32DepthLines, info.bFishID, TRUE);
  vDrawDepthLines(pBitmap, info.u32DepthLines, left, paneRight, H, 0, w.u32UpperDigits, w.u32LowerDigits);
  if (strip) S_DRAW_vRealTimeStrip(pBitmap, info, w, paneRight - info.u32RTSWidth, H, FALSE);
}
