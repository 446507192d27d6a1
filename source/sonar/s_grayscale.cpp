#include "source/sonar/s_grayscale.h"

#include <cmath>

#include "common/db_types.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"

namespace {

const U8 s_u8Sensitivity455KhzLE[21] = {84, 77, 70, 63, 56, 49, 42, 35, 32, 28, 25,
                                        22, 19, 16, 13, 10, 7,  4,  2,  0,  0};
const U8 s_u8Sensitivity455KhzUE[21] = {250, 245, 240, 235, 230, 225, 220, 215, 210, 206, 200,
                                        192, 186, 180, 170, 160, 155, 150, 145, 140, 135};
const U8 s_u8Sensitivity800KhzLE[21] = {0, 38, 35, 32, 29, 26, 23, 20, 17, 14, 12, 11, 10, 9, 8, 7, 6, 5, 4, 2, 0};
const U8 s_u8Sensitivity800KhzUE[21] = {0,   168, 160, 151, 142, 131, 122, 114, 106, 100, 97,
                                        92,  86,  81,  76,  71,  66,  61,  57,  53,  50};

U8 u8Level(U8 s) { return s > 20 ? 20 : s; }

COLOR colorEntry(U32 k) { return gCOLOR_pcolColorTable[k]; }

// A signed clip level: 0 when negative, else its low byte.
U8 u8Clip(S32 v) { return v < 0 ? 0 : (U8)(v & 0xFF); }

}  // namespace

U8 S_GRAYSCALE_pu8GetSSSensitivityUE(U32 fcidSideViewFreq, U8 u8Sensitivity) {
  return fcidSideViewFreq == FCID("SSF5") ? s_u8Sensitivity800KhzUE[u8Level(u8Sensitivity)]
                                          : s_u8Sensitivity455KhzUE[u8Level(u8Sensitivity)];
}

U8 S_GRAYSCALE_pu8GetSSSensitivityLE(U32 fcidSideViewFreq, U8 u8Sensitivity) {
  return fcidSideViewFreq == FCID("SSF5") ? s_u8Sensitivity800KhzLE[u8Level(u8Sensitivity)]
                                          : s_u8Sensitivity455KhzLE[u8Level(u8Sensitivity)];
}

void S_GRAYSCALE_vClips(U8 u8Sensitivity, U32 u32Transducer, BOOLEAN bTvgView, U8* pu8Lower, U8* pu8Upper) {
  S32 a = 120, b = 120, n = 20, e = 19, offLE = 0, offUE = 80;
  if (u32Transducer == 11) {
    a = 36;
    b = 24;
    offUE = 100;
  } else if (bTvgView) {
    offLE = -20;
    offUE = 60;
    if (u32Transducer == 15 || u32Transducer == 17 || u32Transducer == 18) {
      n = 17;
      e = 16;
    }
  }
  const S32 s = u8Sensitivity;
  *pu8Lower = u8Clip(a * (n - s) / e + offLE);
  *pu8Upper = u8Clip(b * (n - s) / e + offUE);
}

void S_GRAYSCALE_vRecalculateFor(GRAYSCALE_TABLE* pTable, U8 u8Sensitivity, U8 u8Gamma, U8 u8Contrast,
                                 POST_PROCESS_MODE ePostProcessMode, U8 u8WhiteLineLevel, U32 u32Transducer,
                                 U32 fcidFrequency, BOOLEAN bTvgView) {
  pTable->ePostProcessMode = ePostProcessMode;
  if (ePostProcessMode == POST_PROCESS_SIDESCAN) {
    S_GRAYSCALE_vCreateSideScanTable(pTable->acColor, 32, S_GRAYSCALE_pu8GetSSSensitivityLE(fcidFrequency, u8Sensitivity),
                                     S_GRAYSCALE_pu8GetSSSensitivityUE(fcidFrequency, u8Sensitivity), u8Gamma,
                                     u8Contrast);
    return;
  }
  U8 lower = 0, upper = 0;
  S_GRAYSCALE_vClips(u8Sensitivity, u32Transducer, bTvgView, &lower, &upper);
  S_GRAYSCALE_vRecalulateGrayScaleTableDirect(pTable, ePostProcessMode, lower, upper, u8WhiteLineLevel);
}

void S_GRAYSCALE_vRecalulateGrayScaleTable(GRAYSCALE_TABLE* pTable, U8 u8Sensitivity, U8 u8Gamma, U8 u8Contrast,
                                           POST_PROCESS_MODE ePostProcessMode, U8 u8WhiteLineLevel, U8 u8Flags) {
  (void)u8Flags;
  U32 state = 0, t = 0, freq = FCID("SSF4");
  BOOLEAN tvg = FALSE;
  (void)H_DATABASE_bFetchU32(FCID("CCST"), &state);
  if (state == STATE_PLAYBACK) {
    if (!H_DATABASE_bFetchU32(FCID("CPTS"), &t)) t = 0;
    U32 f = 0;
    if (H_DATABASE_bFetchU32(FCID("CPFS"), &f) && f > 750000) freq = FCID("SSF5");
  } else {
    if (!H_DATABASE_bFetchU32(FCID("SSTS"), &t)) t = 0;
    if (!H_DATABASE_bFetchU32(FCID("YSSF"), &freq)) freq = FCID("SSF4");
  }
  U32 v = 0;
  if (H_DATABASE_bFetchU32(FCID("YTVG"), &v)) tvg = v != 0;
  S_GRAYSCALE_vRecalculateFor(pTable, u8Sensitivity, u8Gamma, u8Contrast, ePostProcessMode, u8WhiteLineLevel, t, freq,
                              tvg);
}

void S_GRAYSCALE_vRecalulateGrayScaleTableDirect(GRAYSCALE_TABLE* pTable, POST_PROCESS_MODE ePostProcessMode,
                                                 U8 u8LowerClip, U8 u8UpperClip, U8 u8WhiteLineLevel) {
  pTable->ePostProcessMode = ePostProcessMode;
  const S32 L = u8LowerClip, U = u8UpperClip;
  if (ePostProcessMode == POST_PROCESS_SIDESCAN) {
    S_GRAYSCALE_vCreateSideScanTable(pTable->acColor, 32, u8LowerClip, u8UpperClip, 10, 10);
    return;
  }
  if (ePostProcessMode == POST_PROCESS_WHITE_LINE) {
    const S32 mid = L + (U - L) / 4;
    for (S32 a = 0; a < 256; ++a) {
      U32 k;
      if (a <= L) {
        k = 0;
      } else if (a <= mid) {
        k = 1 + (U32)((a - L) * 14 / (mid - L));
      } else if (a <= U) {
        k = 15 + (U32)((a - mid) * 16 / (U - mid));
      } else {
        k = a < u8WhiteLineLevel ? 31 : SONAR_COLOR_WHITE_LINE;
      }
      pTable->acColor[a] = colorEntry(k);
    }
    return;
  }
  for (S32 a = 0; a < 256; ++a) {
    U32 k;
    if (a <= L) {
      k = 0;
    } else if (a <= U) {
      k = 1 + (U32)((a - L) * 30 / (U - L));
    } else {
      k = 31;
    }
    pTable->acColor[a] = colorEntry(k);
  }
}

void S_GRAYSCALE_vCreateSideScanTable(COLOR* pcolorGrayScaleLookUpTable, U8 u8NumberOfLevels, U8 u8LowerClip,
                                      U8 u8UpperClip, U8 u8Gamma, U8 u8Contrast) {
  const S32 N = u8NumberOfLevels, L = u8LowerClip, U = u8UpperClip, g = u8Gamma, c = u8Contrast + 1;
  if (N == 0) return;
  // Thresholds of the low-contrast curve (at most 255 levels).
  U8 thresholds[256];
  BOOLEAN haveThresholds = FALSE;
  if (g == 10 && c < 10) {
    const double d = (10 - c) * 0.1;
    const S32 h = N / 2;
    if (h > 0) {
      const double y0 = std::atan(5 * d * (1 - h) / h);
      const double f = (U - L) / (std::atan(5 * d) - y0);
      for (S32 j = 0; j < N; ++j) {
        const double t = L + f * (std::atan(5 * d * (h - j - 1) / h) - y0);
        thresholds[j] = t < 0 ? 0 : (U8)(S32)t;
      }
      haveThresholds = TRUE;
    }
  }
  S32 K = 0, P = 0;
  if (g < 10) {
    K = N * (10 - g) / 36 + N / 2;
    P = (U - L) * (10 - g) / 36 + (L + U) / 2;
  } else if (g > 10) {
    K = N * (20 - g) / 40 + N / 4;
    P = L + (U - L) / 4 + (U - L) * (20 - g) / 40;
  }
  for (S32 a = 0; a < 256; ++a) {
    S32 colour;
    if (a <= L) {
      colour = N + 199;
    } else if (a >= U) {
      colour = 200;
    } else {
      S32 i;
      if (g != 10) {
        if (a <= P) {
          i = P > L ? (N - K) * (P - a) / (P - L) + K : K;
        } else {
          i = U > P ? K * (U - a) / (U - P) : 0;
        }
      } else if (c == 10 || (c < 10 && !haveThresholds)) {
        i = (N - 1) * (U - a) / (U - L) + 1;
      } else if (c < 10) {
        i = N;
        for (S32 j = 0; j < N; ++j) {
          if (a >= thresholds[j]) {
            i = j;
            break;
          }
        }
      } else {
        const double d = (c - 10) * 0.1;
        const double h = (U - L) / 2.0;
        const double y0 = std::atan(5 * d * (1 - L - h) / h);
        const double f = N / (std::atan(5 * d) - y0);
        const double v = (std::atan(5 * d / h * (L - 1 + h - a)) - y0) * f;
        i = (S32)v;
        if (i < 0) i = 0;
        if (i > N - 1) i = N - 1;
      }
      colour = 200 + i;
      if (colour > N + 199) colour = N + 199;
      if (colour < 200) colour = 200;
    }
    pcolorGrayScaleLookUpTable[a] = colorEntry((U32)colour);
  }
}

void S_GRAYSCALE_vCategorize(const U8* pu8ReturnData, COLOR* pCategorizedData, U32 u32Length,
                             const GRAYSCALE_TABLE* pTable, U32 u32BottomBlackStartIndex, S8 s8GainAdjustment) {
  U32 m = u32Length;
  if (pTable->ePostProcessMode == POST_PROCESS_BOTTOM_BLACK && u32BottomBlackStartIndex > 0 &&
      u32BottomBlackStartIndex < u32Length) {
    m = u32BottomBlackStartIndex;
  }
  const COLOR* table = pTable->acColor;
  if (s8GainAdjustment == 0) {
    for (U32 i = 0; i < m; ++i) pCategorizedData[i] = table[pu8ReturnData[i]];
  } else {
    const S32 gain = s8GainAdjustment;
    for (U32 i = 0; i < m; ++i) {
      S32 a = pu8ReturnData[i];
      if (a != 0) {
        a += gain;
        a = a < 0 ? 0 : (a > 255 ? 255 : a);
      }
      pCategorizedData[i] = table[a];
    }
  }
  if (m < u32Length) {
    const COLOR black = colorEntry(SONAR_COLOR_BOTTOM_BLACK);
    for (U32 i = m; i < u32Length; ++i) pCategorizedData[i] = black;
  }
}
