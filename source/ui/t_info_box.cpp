// Readout boxes: one live value of the settings database formatted by its
// data type in the user's units, measured and drawn on a bar of one of the
// twenty styles. Runs in the caller's task (the view task while drawing).
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <atomic>

#include "common/language.h"
#include "common/u_convert.h"
#include "data/fonts.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/ui/t_info.h"
#include "source/ui/ui_upcalls.h"

namespace {

std::atomic<U8> s_u8Alpha{0};

COLOR colInfo(U32 index) { return gCOLOR_pcolColorTable[index]; }

// Copies at most u32Size - 1 bytes and terminates.
void vCopy(char* pcDest, const char* pcSource, U32 u32Size) {
  if (pcDest == nullptr || u32Size == 0) return;
  snprintf(pcDest, u32Size, "%s", pcSource != nullptr ? pcSource : "");
}

U32 u32Palette(void) {
  U32 palette = 0;
  (void)H_DATABASE_bFetchU32(FCID("SPAL"), &palette);
  return palette;
}

DIGITS_FORMAT eResolveFormat(DIGITS_FORMAT eFormat) {
  if (eFormat != DONT_FORCE) return eFormat;
  U32 u32Format = LARGE_TENTHS;
  if (!H_DATABASE_bFetchU32(FCID("SFMT"), &u32Format) || u32Format < SMALL_TENTHS || u32Format > NO_TENTHS) {
    u32Format = LARGE_TENTHS;
  }
  return (DIGITS_FORMAT)u32Format;
}

// The label of a unit; none for units without one.
const char* pcUnitLabel(UNIT_TYPE eUnit, U32 language) {
  if ((U32)eUnit >= (U32)NUMBER_OF_UNIT_TYPES || eUnit == U_MINUTES || eUnit == U_NONE) return "";
  return H_DATABASE_pcUnitsString(eUnit, language);
}

// Width of a value: under SMALL_TENTHS with a distinct tenths font the part
// up to and with the point in the value font, the rest in the tenths font.
S32 s32MeasureValue(const char* pcValue, const FONT_DEF* pValueFont, const FONT_DEF* pTenthsFont,
                  DIGITS_FORMAT eFormat) {
  if (eFormat == SMALL_TENTHS && pTenthsFont != nullptr && pTenthsFont != pValueFont) {
    char acInteger[INFO_STRING_SIZE];
    const char* pcTenths = nullptr;
    if (T_INFO_pSplitTenths(pcValue, acInteger, &pcTenths, TRUE)) {
      return (S32)(G_STRING_u32GetWidth(pValueFont, acInteger) + G_STRING_u32GetWidth(pTenthsFont, pcTenths));
    }
  }
  return (S32)G_STRING_u32GetWidth(pValueFont, pcValue);
}

// The first characters of pcText that fit into s32Width pixels.
void vCutToWidth(char* pcText, const FONT_DEF* pFont, S32 s32Width) {
  if (pFont == nullptr || s32Width <= 0) return;
  S32 s32Used = 0;
  for (char* p = pcText; *p != '\0'; ++p) {
    s32Used += (S32)G_FONTS_u32GetWidth(pFont, (U8)*p);
    if (s32Used > s32Width) {
      *p = '\0';
      return;
    }
  }
}

// The value text of a raw value of the type; the unit is set for the types
// that show one.
void vFormatByType(char* pcValue, U32 u32Size, UNIT_TYPE* peUnit, BOOLEAN* pbDegreeLabel, DATA_TYPE eType,
                   DB_DATA_TYPE data, DIGITS_FORMAT eFormat, S32 s32MinWidth, const FONT_DEF* pValueFont) {
  const char* fmt = eFormat == NO_TENTHS ? "%.0f" : "%.1f";
  *peUnit = U_NONE;
  *pbDegreeLabel = FALSE;
  switch (eType) {
    case D_UNKNOWN:
      snprintf(pcValue, u32Size, "%u", (unsigned)data.u32Val);
      break;
    case D_TEMPERATURE: {
      *peUnit = H_DATABASE_CurrentUnits(D_TEMPERATURE);
      snprintf(pcValue, u32Size, fmt, dConvertFromInternal(data.fVal, D_TEMPERATURE, *peUnit));
      break;
    }
    case D_SPEED: {
      *peUnit = H_DATABASE_CurrentUnits(D_SPEED);
      const double v = dConvertFromInternal(data.fVal, D_SPEED, *peUnit);
      const double limit = *peUnit == U_MPH ? 99.95 : 9.95;
      snprintf(pcValue, u32Size, (eFormat == NO_TENTHS || fabs(v) >= limit) ? "%.0f" : "%.1f", v);
      break;
    }
    case D_DISTANCE: {
      *peUnit = H_DATABASE_CurrentUnits(D_DISTANCE);
      T_INFO_vFormatDistance(data.fVal, peUnit, pcValue);
      break;
    }
    case D_HEADING: {
      *peUnit = H_DATABASE_CurrentUnits(D_HEADING);
      double v = dConvertFromInternal(data.fVal, D_HEADING, *peUnit);
      if (*peUnit == U_DEG_MAGNETIC) {
        F32 fVariation = 0;
        if (!H_DATABASE_bFetchFloat(FCID("IMGV"), &fVariation)) {
          vCopy(pcValue, "---", u32Size);
          *peUnit = U_NONE;
          break;
        }
        v = fmod(v + 360.0 - fVariation, 360.0);
        if (v < 0) v += 360.0;
      }
      if (v >= 359.5) v = 0.0;
      snprintf(pcValue, u32Size, "%03.0f", v);
      break;
    }
    case D_DEPTH: {
      *peUnit = H_DATABASE_CurrentUnits(D_DEPTH);
      char acText[64];
      T_INFO_vFormatDepth(data.fVal, *peUnit, acText, eFormat == NO_TENTHS ? TRUE : FALSE);
      vCopy(pcValue, acText, u32Size);
      break;
    }
    case D_DATETIME: {
      char acTime[INFO_STRING_SIZE];
      T_INFO_vFormatTime(data.u32Val, FALSE, FALSE, acTime, nullptr, nullptr);
      vCopy(pcValue, acTime, u32Size);
      break;
    }
    case D_TIME: {
      const S32 s = data.s32Val;
      if (s < 0) {
        vCopy(pcValue, "---", u32Size);
      } else if (s >= 3600) {
        snprintf(pcValue, u32Size, "%d:%02d", (int)(s / 3600), (int)((s / 60) % 60));
      } else {
        snprintf(pcValue, u32Size, "%d:%02d", (int)(s / 60), (int)(s % 60));
      }
      break;
    }
    case D_LONG_TIME: {
      const S32 s = data.s32Val;
      if (s < 0) {
        vCopy(pcValue, "---", u32Size);
      } else {
        snprintf(pcValue, u32Size, "%02d:%02d:%02d", (int)(s / 3600), (int)((s / 60) % 60), (int)(s % 60));
      }
      break;
    }
    case D_PRESSURE: {
      *peUnit = H_DATABASE_CurrentUnits(D_PRESSURE);
      snprintf(pcValue, u32Size, *peUnit == U_INCHESHG ? fmt : "%.0f",
               dConvertFromInternal(data.fVal, D_PRESSURE, *peUnit));
      break;
    }
    case D_VOLTAGE:
      *peUnit = U_VOLTS;
      snprintf(pcValue, u32Size, fmt, (double)data.fVal);
      break;
    case D_POSITION_LAT:
    case D_POSITION_LON: {
      U32 u32Format = 0;
      if (!H_DATABASE_bFetchU32(FCID("SIPF"), &u32Format)) {
        vCopy(pcValue, "---", u32Size);
        break;
      }
      char acText[INFO_STRING_SIZE] = "";
      U_NAV_vFormatPosition(data.fVal, eType == D_POSITION_LAT ? TRUE : FALSE, u32Format, acText);
      acText[INFO_STRING_SIZE - 1] = '\0';
      vCopy(pcValue, acText, u32Size);
      break;
    }
    case D_WAYPOINT: {
      char acName[INFO_STRING_SIZE] = "";
      T_NAV_vCopyWaypointName((U16)data.u32Val, acName);
      acName[INFO_STRING_SIZE - 1] = '\0';
      vCutToWidth(acName, pValueFont, s32MinWidth);
      vCopy(pcValue, acName, u32Size);
      break;
    }
    case D_FLOAT:
      snprintf(pcValue, u32Size, "%.2f", (double)data.fVal);
      break;
    case D_SIGNED32:
      snprintf(pcValue, u32Size, "%d", (int)data.s32Val);
      break;
    case D_FIXED_POINT:
      snprintf(pcValue, u32Size, "%.2f", data.s32Val / 65536.0);
      break;
    case D_ELEVATION_ANGLE:
      snprintf(pcValue, u32Size, "%d", (int)data.s32Val);
      *pbDegreeLabel = TRUE;
      break;
    default:
      snprintf(pcValue, u32Size, "%08x", (unsigned)data.u32Val);
      break;
  }
}

// The key shows "---" without unit (a value the autopilot or the settings
// make meaningless).
bool bDashesInstead(FOURCHARID key) {
  if (key == FCID("INVL")) return true;
  if (key == FCID("IXTE") || key == FCID("IVMG")) {
    BOOLEAN a = FALSE, b = FALSE;
    if (H_DATABASE_bFetchBoolean(FCID("SNCM"), &a) && H_DATABASE_bFetchBoolean(FCID("CCNC"), &b) && a && b) {
      return true;
    }
  }
  BOOLEAN bSteers = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("IPUF"), &bSteers) || !bSteers) return false;
  U32 mode = 0;
  (void)H_DATABASE_bFetchU32(FCID("IPMD"), &mode);
  const bool bPaused = T_KEELAR_bIsNavigationPaused() != FALSE;
  if (mode == 9 && key == FCID("ITTG")) return true;
  if (mode == 3 || bPaused) {
    if (key == FCID("IXTE") || key == FCID("IDTG") || key == FCID("IDST") || key == FCID("ITTG") ||
        key == FCID("IVMG")) {
      return true;
    }
  }
  return false;
}

struct TITLE {
  FOURCHARID key;
  const char* text;
};
const TITLE s_aTitles[] = {
    {FCID("ISOG"), "SOG"},   {FCID("IHDC"), "Heading"}, {FCID("ISPD"), "Speed"}, {FCID("IXTE"), "XTE"},     {FCID("IHDG"), "COG"},
    {FCID("IVMG"), "VMG"},   {FCID("IBRG"), "Bearing"}, {FCID("IDTG"), "DTG"},   {FCID("ITTG"), "TTG"},     {FCID("IPTH"), "Pitch"},
    {FCID("IROL"), "Roll"},  {FCID("IDEP"), "Depth"},   {FCID("IDER"), "R Depth"}, {FCID("IDST"), "DIST"},  {FCID("IVLT"), "VLT"},
    {FCID("ITAW"), "Timer"}, {FCID("ISTW"), "STW"},     {FCID("ITMO"), "Time"},
};

void vPutText(BITMAP* pBitmap, COLOR colour, S32 x, S32 y, const FONT_DEF* pFont, const char* pcText) {
  if (pFont == nullptr || pcText == nullptr || *pcText == '\0') return;
  POINT anchor{x, y};
  G_STRING_vPut(pBitmap, colour, &anchor, pFont, pcText);
}

// The border rule of styles 2, 4 and 20: three rounded outlines and the
// inside.
void vBorder(BITMAP* pBitmap, COLOR border, COLOR inside, S32 w, S32 h, S32 x, S32 y, bool bAlpha, U8 alpha) {
  if (w < 7 || h < 7) return;
  G_BOX_vDrawRounded(pBitmap, border, POINT{x, y}, (U32)w, (U32)h, 5);
  G_BOX_vDrawRounded(pBitmap, border, POINT{x + 1, y + 1}, (U32)(w - 2), (U32)(h - 2), 3);
  G_BOX_vDrawRounded(pBitmap, border, POINT{x + 2, y + 2}, (U32)(w - 4), (U32)(h - 4), 3);
  if (bAlpha) {
    G_BOX_vDrawRoundedFilledAlpha(pBitmap, inside, POINT{x + 3, y + 3}, (U32)(w - 6), (U32)(h - 6), 3, alpha);
  } else {
    G_BOX_vDrawRoundedFilled(pBitmap, inside, POINT{x + 3, y + 3}, (U32)(w - 6), (U32)(h - 6), 3);
  }
}

}  // namespace

// ------------------------------------------------------------ alpha
U8 T_INFO_u8PaletteAlpha(U32 u32AlphaVector) {
  const U32 palette = u32Palette();
  if (palette == 2) return (U8)(u32AlphaVector >> 8);
  if (palette == 3) return (U8)(u32AlphaVector >> 16);
  return (U8)u32AlphaVector;
}
void T_INFO_vSetAlpha(U32 u32AlphaVector) { s_u8Alpha.store(T_INFO_u8PaletteAlpha(u32AlphaVector)); }
U8 T_INFO_u8Alpha(void) { return s_u8Alpha.load(); }

// ------------------------------------------------------------ formatting
void T_INFO_vFormatDepth(double dMetres, UNIT_TYPE eUnit, char* pcBuffer, BOOLEAN bNoTenths) {
  if (pcBuffer == nullptr) return;
  const double v = dConvertFromInternal(dMetres, D_DEPTH, eUnit);
  const bool bTenthsUnit = eUnit == U_METRES || eUnit == U_FEET || eUnit == U_FATHOMS;
  snprintf(pcBuffer, INFO_STRING_SIZE, (bTenthsUnit && !bNoTenths && v < 99.95) ? "%.1f" : "%.0f", v);
}

void T_INFO_vFormatDistance(double dMetres, UNIT_TYPE* peUnit, char* pcBuffer) {
  if (pcBuffer == nullptr || peUnit == nullptr) return;
  const double v = fabs(dConvertFromInternal(dMetres, D_DISTANCE, *peUnit));
  snprintf(pcBuffer, INFO_STRING_SIZE, v >= 99.95 ? "%.0f" : (v >= 9.995 ? "%.1f" : "%.2f"), v);
  // Short distances in a unit of miles or kilometres change to feet or
  // metres; a distance already in feet or metres stays as it is.
  switch (*peUnit) {
    case U_NAUT_MILES_FT:
      if (v < 0.1) {
        snprintf(pcBuffer, INFO_STRING_SIZE, "%.0f", v * 6076.1);
        *peUnit = U_FEET;
      }
      break;
    case U_NAUT_MILES_M:
      if (v < 0.1) {
        snprintf(pcBuffer, INFO_STRING_SIZE, "%.0f", v * 1852.0);
        *peUnit = U_METRES;
      }
      break;
    case U_KM:
      if (v < 1.0) {
        snprintf(pcBuffer, INFO_STRING_SIZE, "%.2f", v * 1000.0);
        *peUnit = U_METRES;
      }
      break;
    case U_STAT_MILES:
    case U_NAUT_MILES:
      if (v < 0.1) {
        snprintf(pcBuffer, INFO_STRING_SIZE, "%.0f", v * 5280.0);
        *peUnit = U_FEET;
      }
      break;
    default:
      break;
  }
}

void T_INFO_vFormatTimeAscii(U32 u32Time, BOOLEAN bSeconds, BOOLEAN bAmPm, char* pcTime, char* pcDate,
                             BOOLEAN* pbBlink) {
  if (pbBlink != nullptr) *pbBlink = T_INFO_bBlinkState();
  if (pcTime != nullptr) pcTime[0] = '\0';
  if (pcDate != nullptr) pcDate[0] = '\0';
  if (u32Time == 0) return;
  time_t t = (time_t)u32Time;
  S32 s32Zone = 0;
  U32 u32Dst = 0;
  if (H_DATABASE_bFetchS32(FCID("SLTZ"), &s32Zone) && H_DATABASE_bFetchU32(FCID("SDST"), &u32Dst)) {
    t += (time_t)s32Zone * 60;
    if (u32Dst != 0) t += 3600;
  }
  struct tm tmLocal;
  if (gmtime_r(&t, &tmLocal) == nullptr) return;
  // Calendar fields are in range; the bounds let the texts fit.
  tmLocal.tm_hour = (U8)tmLocal.tm_hour % 24;
  tmLocal.tm_min = (U8)tmLocal.tm_min % 60;
  tmLocal.tm_sec = (U8)tmLocal.tm_sec % 61;
  tmLocal.tm_mday = (U8)tmLocal.tm_mday % 32;
  tmLocal.tm_mon = (U8)tmLocal.tm_mon % 12;
  if (pcTime != nullptr) {
    U32 u32Format = 0;
    if (!H_DATABASE_bFetchU32(FCID("SITF"), &u32Format)) {
      snprintf(pcTime, INFO_STRING_SIZE, "---");
    } else if (u32Format == 4) {
      if (bSeconds) {
        snprintf(pcTime, INFO_STRING_SIZE, "%02d:%02d:%02d", tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec);
      } else {
        snprintf(pcTime, INFO_STRING_SIZE, "%02d:%02d", tmLocal.tm_hour, tmLocal.tm_min);
      }
    } else {
      int hour = tmLocal.tm_hour % 24;
      const char* pcSuffix = bAmPm ? (hour >= 12 ? " PM" : " AM") : "";
      if (hour == 0) hour = 12;
      if (hour > 12) hour -= 12;
      hour %= 13;
      if (bSeconds) {
        snprintf(pcTime, INFO_STRING_SIZE, "%d:%02d:%02d%s", hour, tmLocal.tm_min, tmLocal.tm_sec, pcSuffix);
      } else {
        snprintf(pcTime, INFO_STRING_SIZE, "%d:%02d%s", hour, tmLocal.tm_min, pcSuffix);
      }
    }
  }
  if (pcDate != nullptr) {
    U32 u32Format = 0;
    // Two-digit years of any century.
    const int year = (tmLocal.tm_year + 1900) % 100;
    if (!H_DATABASE_bFetchU32(FCID("SIDF"), &u32Format)) {
      snprintf(pcDate, INFO_STRING_SIZE, "---");
    } else if (u32Format == 1) {
      snprintf(pcDate, INFO_STRING_SIZE, "%02d.%02d.%02d", tmLocal.tm_mday, tmLocal.tm_mon + 1, year);
    } else if (u32Format == 2) {
      snprintf(pcDate, INFO_STRING_SIZE, "%02d.%02d.%02d", year, tmLocal.tm_mon + 1, tmLocal.tm_mday);
    } else {
      snprintf(pcDate, INFO_STRING_SIZE, "%02d/%02d/%02d", tmLocal.tm_mon + 1, tmLocal.tm_mday, year);
    }
  }
}

void T_INFO_vFormatTime(U32 u32Time, BOOLEAN bSeconds, BOOLEAN bAmPm, char* pcTime, char* pcDate, BOOLEAN* pbBlink) {
  T_INFO_vFormatTimeAscii(u32Time, bSeconds, bAmPm, pcTime, pcDate, pbBlink);
}

BOOLEAN T_INFO_pSplitTenths(const char* pcSource, char* pcInteger, const char** ppcTenths, BOOLEAN bKeepPoint) {
  if (pcSource == nullptr || pcInteger == nullptr) return FALSE;
  const char* pcPoint = strchr(pcSource, '.');
  if (pcPoint == nullptr) {
    vCopy(pcInteger, pcSource, INFO_STRING_SIZE);
    if (ppcTenths != nullptr) *ppcTenths = pcSource + strlen(pcSource);
    return FALSE;
  }
  size_t n = (size_t)(pcPoint - pcSource) + (bKeepPoint ? 1 : 0);
  if (n > INFO_STRING_SIZE - 1) n = INFO_STRING_SIZE - 1;
  memcpy(pcInteger, pcSource, n);
  pcInteger[n] = '\0';
  if (ppcTenths != nullptr) *ppcTenths = pcPoint + 1;
  return TRUE;
}

S32 T_INFO_nInfoStrings(char* pcValue, char* pcUnits, BOOLEAN* pbValid, S32 s32MinWidth, FOURCHARID key,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont,
                        DIGITS_FORMAT eFormat, U32 language, U32 u32ValueSize, S32* ps32ValueWidth,
                        S32* ps32UnitsWidth) {
  if (ps32ValueWidth != nullptr) *ps32ValueWidth = 0;
  if (ps32UnitsWidth != nullptr) *ps32UnitsWidth = 0;
  if (pcValue != nullptr && u32ValueSize > 0) pcValue[0] = '\0';
  if (pcUnits != nullptr) pcUnits[0] = '\0';
  DB_DATA_TYPE data;
  BOOLEAN bValid = FALSE;
  DB_ATTRIBUTES attributes{};
  if (!H_DATABASE_bFetch(key, &data, &bValid, &attributes)) {
    if (pbValid != nullptr) *pbValid = FALSE;
    return 0;
  }
  if (pbValid != nullptr) *pbValid = bValid;
  eFormat = eResolveFormat(eFormat);
  char acValue[64] = "";
  UNIT_TYPE eUnit = U_NONE;
  BOOLEAN bDegree = FALSE;
  vFormatByType(acValue, sizeof acValue, &eUnit, &bDegree, attributes.DataType, data, eFormat, s32MinWidth,
                pValueFont);
  const char* pcLabel = bDegree ? "\xBA" : pcUnitLabel(eUnit, language);
  if (key == FCID("IDWP")) {
    char acActive[INFO_STRING_SIZE] = "";
    T_NAV_INFOBOX_vGetKeelarActiveStr(acActive);
    acActive[INFO_STRING_SIZE - 1] = '\0';
    vCopy(acValue, acActive, sizeof acValue);
    pcLabel = "";
  }
  acValue[INFO_VALUE_CHARS] = '\0';
  if (pcValue != nullptr) vCopy(pcValue, acValue, u32ValueSize);
  if (pcUnits != nullptr) vCopy(pcUnits, pcLabel, INFO_UNITS_SIZE);
  const S32 s32Value = s32MeasureValue(acValue, pValueFont, pTenthsFont, eFormat);
  const S32 s32Units = pUnitsFont != nullptr ? (S32)G_STRING_u32GetWidth(pUnitsFont, pcLabel) : 0;
  if (ps32ValueWidth != nullptr) *ps32ValueWidth = s32Value;
  if (ps32UnitsWidth != nullptr) *ps32UnitsWidth = s32Units;
  return s32Value + s32Units;
}

void T_INFO_vGetData(FOURCHARID key, BOOLEAN* pbValid, char* pcValue, char* pcUnits, const FONT_DEF* pValueFont,
                     const FONT_DEF* pUnitsFont, U32 language) {
  (void)T_INFO_nInfoStrings(pcValue, pcUnits, pbValid, 0, key, pValueFont, pUnitsFont, pValueFont, DONT_FORCE,
                            language, INFO_STRING_SIZE, nullptr, nullptr);
  if (pcUnits != nullptr && pcUnits[0] == '\0') vCopy(pcUnits, "  ", INFO_UNITS_SIZE);
}

BOOLEAN T_INFO_bFCIDNonZero(FOURCHARID key) {
  U32 value = 0;
  BOOLEAN bValid = FALSE;
  return (H_DATABASE_bFetchU32(key, &value, &bValid) && bValid && value != 0) ? TRUE : FALSE;
}

BOOLEAN T_INFO_bFCIDIsValidSelection(FOURCHARID fcidSlot) {
  U32 source = 0;
  DB_ATTRIBUTES attributes{};
  if (!H_DATABASE_bFetchU32(fcidSlot, &source, nullptr, &attributes) || attributes.DataType != D_FCID) return FALSE;
  if (source == 0) return FALSE;
  DB_DATA_TYPE data;
  return H_DATABASE_bFetch((FOURCHARID)source, &data);
}

// ------------------------------------------------------------ measuring
S32 T_INFO_nMeasureDigitsInfoBox(S32 s32MinWidth, FOURCHARID key, const FONT_DEF* pValueFont,
                                 const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont, DIGITS_FORMAT eFormat,
                                 INFO_BOX_STYLE eStyle, U32 language) {
  char acValue[INFO_STRING_SIZE];
  char acUnits[INFO_UNITS_SIZE];
  const S32 s32Width = T_INFO_nInfoStrings(acValue, acUnits, nullptr, s32MinWidth, key, pValueFont, pUnitsFont,
                                           pTenthsFont, eFormat, language, sizeof acValue, nullptr, nullptr);
  if (s32Width == 0 && acValue[0] == '\0') return 0;
  const S32 s32Box = s32Width + ((eStyle == IBS_GRAY_ROUNDED_BORDER || eStyle == IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER) ? 13 : 1);
  return s32Box > s32MinWidth ? s32Box : s32MinWidth;
}

S32 T_INFO_nMeasureInfoBox(S32 s32MinWidth, FOURCHARID key, const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont,
                           INFO_BOX_STYLE eStyle, U32 language) {
  return T_INFO_nMeasureDigitsInfoBox(s32MinWidth, key, pValueFont, pUnitsFont, pValueFont, DONT_FORCE, eStyle,
                                      language);
}

// ------------------------------------------------------------ drawing
void T_INFO_vDrawInfoBar(BITMAP* pBitmap, S32 w, S32 h, S32 x, S32 y, INFO_BOX_STYLE eStyle) {
  if (pBitmap == nullptr || w <= 0 || h <= 0) return;
  if (x < 0) x += pBitmap->pixels_wide;
  if (y < 0) y += pBitmap->pixels_high;
  const POINT at{x, y};
  const U32 uw = (U32)w, uh = (U32)h;
  // A rounded bar needs room for its corners.
  const U32 radius = (uw > 20 && uh > 20) ? 10 : 0;
  switch (eStyle) {
    case IBS_GRAY_ROUNDED_BORDER:
      vBorder(pBitmap, colInfo(INFO_COLOR_DARK), colInfo(INFO_COLOR_BACKGROUND), w, h, x, y, false, 0);
      break;
    case IBS_RED_ROUNDED_BORDER:
      vBorder(pBitmap, colInfo(INFO_COLOR_RED), colInfo(INFO_COLOR_BACKGROUND), w, h, x, y, false, 0);
      break;
    case IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER:
      vBorder(pBitmap, colInfo(INFO_COLOR_DARK), colInfo(INFO_COLOR_BACKGROUND), w, h, x, y, true, T_INFO_u8Alpha());
      break;
    case IBS_BLACK_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilled(pBitmap, colInfo(INFO_COLOR_TEXT), at, uw, uh, radius);
      break;
    case IBS_ALWAYS_BLACK_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilled(pBitmap, colInfo(INFO_COLOR_ALWAYS_BLACK), at, uw, uh, radius);
      break;
    case IBS_DK_GRAY_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilled(pBitmap, colInfo(INFO_COLOR_DARK), at, uw, uh, radius);
      break;
    case IBS_LT_GRAY_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilled(pBitmap, colInfo(INFO_COLOR_LIGHT), at, uw, uh, radius);
      break;
    case IBS_WHITE_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilled(pBitmap, colInfo(INFO_COLOR_BACKGROUND), at, uw, uh, radius);
      break;
    case IBS_ALWAYS_WHITE_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilled(pBitmap, colInfo(INFO_COLOR_ALWAYS_WHITE), at, uw, uh, radius);
      break;
    case IBS_BLACK_BAR:
      G_BOX_vDrawFilled(pBitmap, colInfo(INFO_COLOR_TEXT), at, uw, uh);
      break;
    case IBS_ALWAYS_BLACK_BAR:
      G_BOX_vDrawFilled(pBitmap, colInfo(INFO_COLOR_ALWAYS_BLACK), at, uw, uh);
      break;
    case IBS_DK_GRAY_BAR:
      G_BOX_vDrawFilled(pBitmap, colInfo(INFO_COLOR_DARK), at, uw, uh);
      break;
    case IBS_LT_GRAY_BAR:
      G_BOX_vDrawFilled(pBitmap, colInfo(INFO_COLOR_LIGHT), at, uw, uh);
      break;
    case IBS_WHITE_BAR:
      G_BOX_vDrawFilled(pBitmap, colInfo(INFO_COLOR_BACKGROUND), at, uw, uh);
      break;
    case IBS_ALWAYS_WHITE_BAR:
      G_BOX_vDrawFilled(pBitmap, colInfo(INFO_COLOR_ALWAYS_WHITE), at, uw, uh);
      break;
    // The semitransparent styles blend the background with the info alpha,
    // which weights the picture beneath as every alpha drawing does: 0 is an
    // opaque bar, larger values let more of the picture show through.
    case IBS_SEMITRANSPARENT_WHITE_BAR:
      G_BOX_vDrawFilledAlpha(pBitmap, colInfo(INFO_COLOR_BACKGROUND), at, uw, uh, T_INFO_u8Alpha());
      break;
    case IBS_SEMITRANSPARENT_WHITE_ROUNDED_BAR:
      G_BOX_vDrawRoundedFilledAlpha(pBitmap, colInfo(INFO_COLOR_BACKGROUND), at, uw, uh, radius, T_INFO_u8Alpha());
      break;
    case IBS_NONE:
    case IBS_GRAY_ROUNDED_BORDER_SANS_BACKGROUND:
    case IBS_RED_BAR:
    default:
      break;
  }
}

const char* T_INFO_pcBoxTitle(FOURCHARID key) {
  for (const TITLE& t : s_aTitles) {
    if (key == t.key) return t.text;
  }
  BOOLEAN bNumbered = FALSE;
  (void)H_DATABASE_bFetchBoolean(FCID("SFEF"), &bNumbered);
  if (key == FCID("ITMP") || key == FCID("ITMT")) return bNumbered ? "Temp.1" : "Temp";
  if (key == FCID("ITMS")) return bNumbered ? "Temp.2" : "Aux Temp";
  if (key == FCID("IRTP")) return bNumbered ? "Temp.3" : "R Temp";
  if (key == FCID("IRTS")) return bNumbered ? "Temp.4" : "R A Temp";
  return nullptr;
}

void T_INFO_vDrawInfoBoxTitle(BITMAP* pBitmap, POINT position, FOURCHARID key, const FONT_DEF* pFont, U32 language) {
  (void)language;
  const char* pcTitle = T_INFO_pcBoxTitle(key);
  if (pBitmap == nullptr || pcTitle == nullptr || pFont == nullptr) return;
  const COLOR colour = colInfo(T_RADAR_bIsMyRadarInfoView() ? INFO_COLOR_ALWAYS_WHITE : INFO_COLOR_TEXT);
  if (pFont == &tessix_11x14_font_def || pFont == &tessix_11x14_Cro_Rus_font_def) {
    position.x += 2;
    position.y += 1;
  }
  vPutText(pBitmap, colour, position.x, position.y, pFont, pcTitle);
}

S32 T_INFO_nDrawDigitsInfoBox(BITMAP* pBitmap, S32 s32MinWidth, S32 s32Height, S32 x, S32 y, FOURCHARID key,
                              const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont,
                              DIGITS_FORMAT eFormat, INFO_BOX_STYLE eStyle, INFO_JUSTIFICATION eJustification,
                              U32 language) {
  if (pBitmap == nullptr || pValueFont == nullptr || pUnitsFont == nullptr) return 0;
  if (x < 0) x += pBitmap->pixels_wide;
  if (y < 0) y += pBitmap->pixels_high;
  // 1. Colours.
  const bool bMob = key == FCID("MOBT") || key == FCID("MOBX") || key == FCID("MOBY");
  const bool bRadar = !bMob && T_RADAR_bIsMyRadarInfoView();
  const COLOR text = colInfo(bRadar ? INFO_COLOR_ALWAYS_WHITE : INFO_COLOR_TEXT);
  const COLOR tick = colInfo(bRadar ? INFO_COLOR_RADAR_TICK : INFO_COLOR_LIGHT);
  // 2. Format.
  eFormat = eResolveFormat(eFormat);
  if (eFormat == LARGE_TENTHS || pTenthsFont == nullptr) pTenthsFont = pValueFont;
  // 3. The value.
  char acValue[INFO_STRING_SIZE];
  char acUnits[INFO_UNITS_SIZE];
  BOOLEAN bValid = FALSE;
  S32 s32ValueWidth = 0, s32UnitsWidth = 0;
  DB_DATA_TYPE probe;
  if (!H_DATABASE_bFetch(key, &probe)) return 0;
  (void)T_INFO_nInfoStrings(acValue, acUnits, &bValid, s32MinWidth, key, pValueFont, pUnitsFont, pTenthsFont,
                            eFormat, language, sizeof acValue, &s32ValueWidth, &s32UnitsWidth);
  // 4. Values that mean nothing now.
  if (bDashesInstead(key)) {
    vCopy(acValue, "---", sizeof acValue);
    acUnits[0] = '\0';
    s32UnitsWidth = 0;
    s32ValueWidth = (S32)G_STRING_u32GetWidth(pValueFont, acValue);
    if (key == FCID("INVL")) bValid = TRUE;
  }
  // 5. Width; a value too wide for the row's font takes the smaller one.
  S32 s32Width = s32ValueWidth > s32UnitsWidth + 4 ? s32ValueWidth : s32UnitsWidth + 4;
  if (s32Width < s32MinWidth) s32Width = s32MinWidth;
  if (s32Width > 158 && pValueFont == &f34x62_font_def) {
    if (pTenthsFont == pValueFont) pTenthsFont = &f31x57_font_def;
    pValueFont = &f31x57_font_def;
    s32ValueWidth = s32MeasureValue(acValue, pValueFont, pTenthsFont, eFormat);
    s32Width = 158;
  }
  // 6. The bar.
  T_INFO_vDrawInfoBar(pBitmap, s32Width, s32Height, x, y, eStyle);
  // 7-9. Texts only while valid or in the blink's on phase.
  if (!bValid && !T_INFO_bBlinkState()) return s32Width;
  const S32 right = x + s32Width - 1;
  const S32 top = y + s32Height - 1;
  const S32 unitsBaseline = top - (S32)G_FONTS_u32GetCoreHeight(pUnitsFont) - 2;
  const bool bUnits = acUnits[0] != '\0';
  switch (eJustification) {
    case INSTRUMENTATION_JUSTIFY_LEFT: {
      const S32 end = bUnits ? right - s32UnitsWidth - 4 : right;
      vPutText(pBitmap, text, end - s32ValueWidth + 1, y + 4, pValueFont, acValue);
      break;
    }
    case INSTRUMENTATION_JUSTIFY_RIGHT_NO_TICK:
      vPutText(pBitmap, text, right - s32ValueWidth + 1, y + 4, pValueFont, acValue);
      break;
    case CHARTPLOTTER_JUSTIFY_RIGHT: {
      const S32 start = right - s32ValueWidth - (bUnits ? s32UnitsWidth + 2 : 0) + 1;
      vPutText(pBitmap, text, start, y, pValueFont, acValue);
      if (bUnits) vPutText(pBitmap, text, start + s32ValueWidth + 2, y + 2, pUnitsFont, acUnits);
      break;
    }
    case JUSTIFY_LEFT:
      vPutText(pBitmap, text, x + 4, y + 4, pValueFont, acValue);
      break;
    default: {
      const S32 start = right - s32ValueWidth + 1;
      char acInteger[INFO_STRING_SIZE];
      const char* pcTenths = nullptr;
      if (eFormat == SMALL_TENTHS && pTenthsFont != pValueFont &&
          T_INFO_pSplitTenths(acValue, acInteger, &pcTenths, TRUE)) {
        POINT anchor{start, y + 4};
        G_STRING_vPut(pBitmap, text, &anchor, pValueFont, acInteger);
        G_STRING_vPut(pBitmap, text, &anchor, pTenthsFont, pcTenths);
      } else {
        vPutText(pBitmap, text, start, y + 4, pValueFont, acValue);
      }
      if (s32Width > 157 && bUnits) {
        const S32 h = (S32)G_FONTS_u32GetCoreHeight(pUnitsFont) + 2;
        G_BOX_vDrawFilled(pBitmap, tick, POINT{right - 2 - s32UnitsWidth - 8 - 2, top - h - 1}, 2, (U32)h);
      }
      break;
    }
  }
  if (eJustification != CHARTPLOTTER_JUSTIFY_RIGHT && bUnits) {
    vPutText(pBitmap, text, right - 2 - s32UnitsWidth + 1, unitsBaseline, pUnitsFont, acUnits);
  }
  // Title.
  const FONT_DEF* pTitleFont = std_9x13_font_def_ptr.load();
  if (eJustification == CHARTPLOTTER_JUSTIFY_RIGHT || eJustification == JUSTIFY_LEFT) {
    T_INFO_vDrawInfoBoxTitle(pBitmap, POINT{x + 108, unitsBaseline}, key, pTitleFont, language);
  } else {
    T_INFO_vDrawInfoBoxTitle(pBitmap, POINT{x + 4, top - 15}, key, pTitleFont, language);
  }
  // The speed boxes show when the autopilot drives the boat: the propeller
  // turns while it reports thrust, the cruise mark while it holds a speed.
  if (key == FCID("ISOG") || key == FCID("ISPD")) {
    BOOLEAN bSteers = FALSE;
    if (H_DATABASE_bFetchBoolean(FCID("IPUF"), &bSteers) && bSteers && U_NAV_KEELAR_bIsKeelarNavigationEnabled()) {
      const S32 titleY = (eJustification == CHARTPLOTTER_JUSTIFY_RIGHT || eJustification == JUSTIFY_LEFT)
                             ? unitsBaseline
                             : top - 15;
      const S32 iconX = (eJustification == CHARTPLOTTER_JUSTIFY_RIGHT || eJustification == JUSTIFY_LEFT) ? x + 108
                                                                                                          : x + 4;
      const POINT iconAt{iconX, titleY - 12 - INFO_ICON_SIZE + 1};
      BOOLEAN bThrust = FALSE, bCruise = FALSE;
      U32 u32Thrust = 0;
      const bool bTurning = H_DATABASE_bFetchBoolean(FCID("IPRP"), &bThrust) && bThrust &&
                            H_DATABASE_bFetchU32(FCID("IPPT"), &u32Thrust) && u32Thrust != 0;
      T_INFO_vDrawPropellerIcon(pBitmap, iconAt, bTurning ? T_INFO_nPropIconId() : 0);
      if (H_DATABASE_bFetchBoolean(FCID("IPCA"), &bCruise) && bCruise) {
        T_INFO_vDrawCruiseIcon(pBitmap, POINT{iconAt.x + 34, iconAt.y});
      }
    }
  }
  return s32Width;
}

S32 T_INFO_nDrawInfoBox(BITMAP* pBitmap, S32 s32MinWidth, S32 s32Height, S32 x, S32 y, FOURCHARID key,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, INFO_BOX_STYLE eStyle,
                        INFO_JUSTIFICATION eJustification, U32 language) {
  return T_INFO_nDrawDigitsInfoBox(pBitmap, s32MinWidth, s32Height, x, y, key, pValueFont, pUnitsFont, pValueFont,
                                   DONT_FORCE, eStyle, eJustification, language);
}
