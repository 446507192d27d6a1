// Painters of the menu controls. Positions are worked out in 64-bit signed
// arithmetic and held inside the 32-bit range when handed to the drawing
// library, so sizes that went negative in a caller's sums draw nothing (or
// fall outside the clip rectangle) instead of wrapping to huge lengths.
#include "source/ui/u_menu_controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/language.h"
#include "data/icons.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/graphics/u_fonts.h"

namespace {

// Coordinates beyond the 32-bit range cannot be visible; they are held at
// its ends.
inline PIXEL Sat(S64 v) { return (PIXEL)std::clamp<S64>(v, INT32_MIN, INT32_MAX); }

inline POINT Pt(S64 x, S64 y) { return POINT{Sat(x), Sat(y)}; }

inline COLOR Colour(U32 index) { return gCOLOR_pcolColorTable[index]; }

inline const FONT_DEF* Font() { return std_11x14_font_def_ptr; }

// Sizes: nothing for an empty or negative size, at most the 32-bit range.
inline BOOLEAN bSize(S64 w, S64 h, U32* pw, U32* ph) {
  if (w <= 0 || h <= 0) return FALSE;
  *pw = (U32)std::min<S64>(w, UINT32_MAX);
  *ph = (U32)std::min<S64>(h, UINT32_MAX);
  return TRUE;
}

void vFilled(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDrawFilled(b, c, Pt(x, y), uw, uh);
}

void vOutline(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDraw(b, c, Pt(x, y), uw, uh);
}

void vRoundedFilled(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h, U32 radius) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDrawRoundedFilled(b, c, Pt(x, y), uw, uh, radius);
}

void vRounded(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h, U32 radius) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDrawRounded(b, c, Pt(x, y), uw, uh, radius);
}

enum DIRECTION { POINT_UP, POINT_DOWN, POINT_LEFT, POINT_RIGHT };

// A triangle of parallel lines (see the header). Only the lines that can
// meet the clip rectangle are drawn, so a huge size costs no more than the
// bitmap.
void vTriangle(BITMAP* b, S64 x, S64 y, S64 size, COLOR c, DIRECTION d) {
  if (b == nullptr || size <= 0) return;
  if ((size & 1) == 0) size -= 1;
  const S64 last = size >> 1;
  // Line k lies at row (or column) base + step * k.
  const BOOLEAN bVertical = d == POINT_UP || d == POINT_DOWN;
  const S64 base = bVertical ? y : x;
  const S64 step = (d == POINT_UP || d == POINT_RIGHT) ? 1 : -1;
  const S64 lo = bVertical ? b->s32ClipBottom : b->s32ClipLeft;
  const S64 hi = bVertical ? b->s32ClipTop : b->s32ClipRight;
  S64 kFirst = step > 0 ? lo - base : base - hi;
  S64 kLast = step > 0 ? hi - base : base - lo;
  kFirst = std::max<S64>(kFirst, 0);
  kLast = std::min<S64>(kLast, last);
  for (S64 k = kFirst; k <= kLast; ++k) {
    const S64 at = base + step * k;
    if (bVertical) {
      G_LINE_vDraw(b, c, Pt(x + k, at), Pt(x + size - 1 - k, at));
    } else {
      G_LINE_vDraw(b, c, Pt(at, y + k), Pt(at, y + size - 1 - k));
    }
  }
}

// The text of a record in the current language (null when there is none).
inline const char* pcText(DB_TEXT_RECORD record, int language) {
  return record == nullptr ? nullptr : record[language];
}

inline S64 s64Width(const char* text) { return text == nullptr ? 0 : (S64)G_STRING_u32GetWidth(Font(), text); }

void vPutText(BITMAP* b, S64 x, S64 y, const char* text) {
  if (b == nullptr || text == nullptr || Font() == nullptr) return;
  POINT anchor = Pt(x, y);
  G_STRING_vPut(b, Colour(U_MENU_COLOR_TEXT), &anchor, Font(), text);
}

// Draws the text at (x, y) with the bitmap's clip narrowed to the columns
// left to right (inclusive); the clip is put back afterwards.
void vPutTextBetween(BITMAP* b, S64 x, S64 y, const char* text, S64 left, S64 right) {
  if (b == nullptr) return;
  const PIXEL savedLeft = b->s32ClipLeft, savedRight = b->s32ClipRight;
  const S64 newLeft = std::max<S64>(left, savedLeft), newRight = std::min<S64>(right, savedRight);
  if (newLeft <= newRight) {
    b->s32ClipLeft = (PIXEL)newLeft;
    b->s32ClipRight = (PIXEL)newRight;
    vPutText(b, x, y, text);
    b->s32ClipLeft = savedLeft;
    b->s32ClipRight = savedRight;
  }
}

// Text at x + offset, where offset centres it in a box; when the text is
// too wide for the box (a negative offset) it starts at x instead and is cut
// at the box's inner columns left to right.
void vPutCentredText(BITMAP* b, S64 x, S64 offset, S64 y, const char* text, S64 left, S64 right) {
  if (offset >= 0) {
    vPutText(b, x + offset, y, text);
  } else {
    vPutTextBetween(b, x, y, text, left, right);
  }
}

// The baseline that centres text on a control of height h at y.
inline S64 s64CentreLine(S64 y, S64 h) {
  const FONT_DEF* f = Font();
  return y + ((h - 4) >> 1) + (S64)G_FONTS_u32GetDescenderHeight(f) - (S64)G_FONTS_u32GetHeight(f) / 2 + 1;
}

// A fixed-size string field of the parameter records, read no further than
// its size even when it lacks its terminator.
struct FIELD_TEXT {
  char text[13];
  explicit FIELD_TEXT(const char (&field)[12]) {
    const size_t n = strnlen(field, sizeof field);
    memcpy(text, field, n);
    text[n] = '\0';
  }
};

// An end label: the text record when given, else the field.
const char* pcLabel(DB_TEXT_RECORD record, const FIELD_TEXT& field, int language) {
  return record != nullptr ? pcText(record, language) : field.text;
}

// Longest fill or bar, in pixels either way; anything beyond lies far outside
// every bitmap.
constexpr S64 MAX_FILL = (S64)1 << 30;
// Largest percentage carried into the integer products; beyond it the fill
// would already exceed MAX_FILL for any track of a pixel or more.
constexpr S64 MAX_PERCENT = (S64)1 << 30;

// Length in pixels of the part of a track span pixels long that the value
// fills: percent of the range, then that share of the span. FALSE (and 0)
// when the value lies below the minimum or the range is empty. Values past
// the maximum are not held at it.
BOOLEAN bFillLength(DB_DATA_TYPE value, DB_DATA_TYPE minValue, DB_DATA_TYPE maxValue, DATA_FORMAT format, S64 span,
                    S64* length) {
  *length = 0;
  span = std::max<S64>(span, 0);
  switch (format) {
    case DF_FLOAT: {
      if (value.fVal < minValue.fVal || minValue.fVal == maxValue.fVal) return FALSE;
      const F32 percent = (value.fVal - minValue.fVal) * 100 / (maxValue.fVal - minValue.fVal);
      const double f = percent * 0.01 * (double)span;
      if (std::isnan(f)) return TRUE;
      *length = (S64)std::clamp<double>(f, (double)-MAX_FILL, (double)MAX_FILL);
      return TRUE;
    }
    case DF_UNSIGNED32: {
      if (value.u32Val < minValue.u32Val || minValue.u32Val == maxValue.u32Val) return FALSE;
      const S64 percent = (S64)((U64)(value.u32Val - minValue.u32Val) * 100 / (U32)(maxValue.u32Val - minValue.u32Val));
      *length = std::clamp<S64>(span * std::min(percent, MAX_PERCENT) / 100, -MAX_FILL, MAX_FILL);
      return TRUE;
    }
    default: {
      if (value.s32Val < minValue.s32Val || minValue.s32Val == maxValue.s32Val) return FALSE;
      const S64 percent = ((S64)value.s32Val - minValue.s32Val) * 100 / ((S64)maxValue.s32Val - minValue.s32Val);
      *length = std::clamp<S64>(span * std::clamp(percent, -MAX_PERCENT, MAX_PERCENT) / 100, -MAX_FILL, MAX_FILL);
      return TRUE;
    }
  }
}

// Track of sliders and progress bars.
void vTrack(BITMAP* b, POINT anchor, S64 w, S64 h) {
  vRoundedFilled(b, Colour(U_MENU_COLOR_LIGHT), anchor.x, anchor.y, w, h, 4);
  vRounded(b, Colour(U_MENU_COLOR_DARK), anchor.x, anchor.y, w, h, 4);
}

// Length of a triangle that fits a control of height h: h made odd.
inline S64 s64OddLength(S64 h) { return (h & 1) ? h : h - 1; }

void vCheck(BITMAP* b, POINT anchor, U32 value, U32 menuWidth) {
  if (b == nullptr || value == 0) return;
  const S64 x = (S64)anchor.x + menuWidth - 35;
  const S64 y = (S64)anchor.y + ((55 - (S64)G_ICON_u32GetHeight(&selected_radio_button)) >> 1) - 1;
  G_ICON_vPut(b, &unselected_radio_button, Pt(x, y));
  G_ICON_vPut(b, &selected_radio_button, Pt(x, y));
}

// Division rounding towards minus infinity (divisor positive).
inline S64 s64FloorDiv(S64 a, S64 d) { return a >= 0 ? a / d : -((-a + d - 1) / d); }

// The open column of a sub menu (bActionList FALSE) or action list.
void vPopOut(BITMAP* b, POINT anchor, U32 highlighted, MENU_TEXT_LIST choices, U32 count, S64 menuWidth, S64 h,
             BOOLEAN bActionList) {
  const FONT_DEF* font = Font();
  if (font == nullptr || h < 2) return;
  const int language = nCurrentLanguage();
  const S64 n = count;

  S64 widest = 0;
  if (choices != nullptr) {
    for (U32 i = 0; i < count; ++i) widest = std::max(widest, s64Width(pcText(choices[i], language)));
  }
  const S64 lw = widest + (bActionList ? 28 : 22);

  S64 x0 = (S64)anchor.x + menuWidth - 1;
  if (x0 + lw >= b->pixels_wide) x0 = b->pixels_wide - lw;

  // Centred on the item, then moved by whole rows to stay on the bitmap:
  // up while the lowest row is not above 0, or down below the top edge.
  const S64 height = b->pixels_high;
  S64 top = (S64)anchor.y + (h * n) / 2;
  if (top + h < height) {
    const S64 lowest = top + (1 - n) * h;
    if (lowest <= 0) top += ((-lowest) / h + 1) * h;
  } else {
    if (top >= height) top -= ((top - height) / h + 1) * h;
    top -= h;
  }

  // Rows share their border line. Only rows that can meet the clip are drawn.
  const S64 pitch = h - 1;
  const S64 firstVisible = std::max<S64>(0, -s64FloorDiv(b->s32ClipTop - top, pitch));
  const S64 lastVisible = std::min<S64>(n - 1, s64FloorDiv(top + h - 1 - b->s32ClipBottom, pitch));
  const U32 radius = bActionList ? 2 : 4;
  const S64 ascender = G_FONTS_u32GetAscenderHeight(font), descender = G_FONTS_u32GetDescenderHeight(font);
  const S64 fontHeight = G_FONTS_u32GetHeight(font);
  for (S64 i = firstVisible; i <= lastVisible; ++i) {
    const S64 rowY = top - i * pitch;
    const COLOR fill = Colour((U64)i == highlighted ? U_MENU_COLOR_HIGHLIGHT : U_MENU_COLOR_LIGHT);
    vRoundedFilled(b, fill, x0, rowY, lw, h, radius);
    vRounded(b, Colour(U_MENU_COLOR_DARK), x0, rowY, lw, h, radius);
    const char* text = choices == nullptr ? nullptr : pcText(choices[i], language);
    if (bActionList) {
      vPutText(b, x0 + 6, rowY + ((descender + ascender + h + 1 - fontHeight) >> 1), text);
    } else {
      vPutText(b, x0 + 4, rowY + 4, text);
    }
  }

  if ((U64)highlighted < (U64)n) {
    const S64 rowY = top - (S64)highlighted * pitch;
    const S64 x = x0 + lw - (h >> 1) - (bActionList ? 1 : 0);
    vTriangle(b, x, rowY + ((h - 17) >> 1) + 1, 17, Colour(U_MENU_COLOR_DARK), POINT_RIGHT);
  }

  if (bActionList) {
    const S64 lowest = top - (n - 1) * pitch;
    vRounded(b, Colour(U_MENU_COLOR_DARK), x0, lowest, lw, n * pitch + 1, 2);
    vRounded(b, Colour(U_MENU_COLOR_HIGHLIGHT), x0 - 1, lowest - 1, lw + 2, n * pitch + 3, 2);
  }
}

}  // namespace

// ---------------------------------------------------------------- arrows

void U_MENU_vDrawArrowUp(BITMAP* pBitmap, POINT anchor, U32 arrowWidth, COLOR color) {
  vTriangle(pBitmap, anchor.x, anchor.y, arrowWidth, color, POINT_UP);
}

void U_MENU_vDrawArrowDown(BITMAP* pBitmap, POINT anchor, U32 arrowWidth, COLOR color) {
  vTriangle(pBitmap, anchor.x, anchor.y, arrowWidth, color, POINT_DOWN);
}

void U_MENU_vDrawArrowLeft(BITMAP* pBitmap, POINT anchor, U32 arrowHeight, COLOR color) {
  vTriangle(pBitmap, anchor.x, anchor.y, arrowHeight, color, POINT_LEFT);
}

void U_MENU_vDrawArrowRight(BITMAP* pBitmap, POINT anchor, U32 arrowHeight, COLOR color) {
  vTriangle(pBitmap, anchor.x, anchor.y, arrowHeight, color, POINT_RIGHT);
}

// ---------------------------------------------------------------- rows

void U_MENU_vDrawControlCheckBox(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth,
                                 U32 u32subMenuHeight) {
  (void)u32subMenuHeight;
  vCheck(pBitmap, anchor, u32value, u32menuWidth);
}

void U_MENU_vDrawControlCheckList(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth,
                                  U32 u32subMenuHeight) {
  (void)u32subMenuHeight;
  vCheck(pBitmap, anchor, u32value, u32menuWidth);
}

void U_MENU_vDrawControlAction(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth, U32 u32subMenuHeight) {
  (void)u32value;
  const S64 h = u32subMenuHeight;
  vTriangle(pBitmap, (S64)anchor.x + u32menuWidth - h + 10, (S64)anchor.y + 3, h - 5, Colour(U_MENU_COLOR_DARK),
            POINT_RIGHT);
}

// ---------------------------------------------------------------- slider and bar

void U_MENU_vDrawControlSlider(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                               const M_SLIDER_PARAMETERS* parameters, DATA_FORMAT dataFormat, U32 u32sliderWidth,
                               U32 u32sliderHeight) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  const S64 w = u32sliderWidth, h = u32sliderHeight;
  const int language = nCurrentLanguage();
  const FIELD_TEXT minText(parameters->minString), maxText(parameters->maxString);

  const S64 textY = s64CentreLine(anchor.y, h);
  const char* left = pcLabel(parameters->pCtrlTextLeft, minText, language);
  vPutText(pBitmap, (S64)anchor.x - s64Width(left) - 1, textY, left);
  vPutText(pBitmap, (S64)anchor.x + w + 2, textY, pcLabel(parameters->pCtrlTextRight, maxText, language));

  vTrack(pBitmap, anchor, w, h);

  S64 f = 0;
  bFillLength(dbValue, parameters->minValue, parameters->maxValue, dataFormat, w - 6, &f);
  const COLOR dark = Colour(U_MENU_COLOR_DARK);
  if (f > 2) {
    vRoundedFilled(pBitmap, dark, anchor.x, anchor.y, f + 2, h, 2);
  } else {
    vFilled(pBitmap, dark, (S64)anchor.x + 1, anchor.y, 4, h);
  }

  const S64 hx = (S64)anchor.x + f + 1;
  vFilled(pBitmap, dark, hx, (S64)anchor.y - 1, 4, h + 3);
  vFilled(pBitmap, Colour(U_MENU_COLOR_LIGHT), hx, anchor.y, 3, h + 2);
  vFilled(pBitmap, Colour(U_MENU_COLOR_MID), hx + 1, anchor.y, 2, h + 1);
}

void U_MENU_vDrawControlProgressBar(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                    const M_PROGRESS_BAR_PARAMETERS* parameters, DATA_FORMAT dataFormat,
                                    U32 u32barWidth, U32 u32barHeight) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  const S64 w = u32barWidth, h = u32barHeight;
  const int language = nCurrentLanguage();
  const FIELD_TEXT minText(parameters->minString), maxText(parameters->maxString);

  const S64 textY = s64CentreLine(anchor.y, h);
  const char* left = pcLabel(parameters->pCtrlTextLeft, minText, language);
  vPutText(pBitmap, (S64)anchor.x - s64Width(left) - 1, textY, left);
  vPutText(pBitmap, (S64)anchor.x + w + 4, textY, pcLabel(parameters->pCtrlTextRight, maxText, language));

  vTrack(pBitmap, anchor, w, h);

  S64 bar = 0;
  if (!bFillLength(dbValue, parameters->minValue, parameters->maxValue, dataFormat, w - 2, &bar)) return;
  vFilled(pBitmap, Colour(U_MENU_COLOR_DARK), (S64)anchor.x + 1, (S64)anchor.y + 1, bar, h - 2);
}

// ---------------------------------------------------------------- numeric entry

void U_MENU_vDrawControlNumericEntry(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                     const M_NUMERIC_ENTRY_PARAMETERS* parameters, DATA_FORMAT dataFormat,
                                     U32 u32numboxWidth, U32 u32numboxHeight) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  const S64 w = u32numboxWidth, h = u32numboxHeight;
  const int language = nCurrentLanguage();
  const FIELD_TEXT minText(parameters->minString), maxText(parameters->maxString);

  const S64 textY = s64CentreLine(anchor.y, h);
  const char* left = pcLabel(parameters->pCtrlTextLeft, minText, language);
  vPutText(pBitmap, (S64)anchor.x - (h >> 1) - s64Width(left) - 8, textY, left);
  vPutText(pBitmap, (S64)anchor.x + w + (h >> 1) + 4, textY, pcLabel(parameters->pCtrlTextRight, maxText, language));

  // The value, or the end text at an end; no arrow towards an end reached.
  BOOLEAN bAtMin, bAtMax;
  if (dataFormat == DF_FLOAT) {
    bAtMin = dbValue.fVal <= parameters->minValue.fVal;
    bAtMax = dbValue.fVal >= parameters->maxValue.fVal;
  } else if (dataFormat == DF_UNSIGNED32) {
    bAtMin = dbValue.u32Val <= parameters->minValue.u32Val;
    bAtMax = dbValue.u32Val >= parameters->maxValue.u32Val;
  } else {
    bAtMin = dbValue.s32Val <= parameters->minValue.s32Val;
    bAtMax = dbValue.s32Val >= parameters->maxValue.s32Val;
  }
  const DB_DATA_TYPE shown = bAtMin ? parameters->minValue : bAtMax ? parameters->maxValue : dbValue;

  char number[32];
  const char* text = number;
  DB_TEXT_RECORD endText = bAtMin ? parameters->pCtrlTextLeft : bAtMax ? parameters->pCtrlTextRight : nullptr;
  if (endText != nullptr) {
    text = pcText(endText, language);
  } else if (dataFormat == DF_FLOAT) {
    U_MENU_vPrecisionFormat(number, shown.fVal, parameters->u8precision);
  } else if (dataFormat == DF_UNSIGNED32) {
    snprintf(number, sizeof number, "%u", shown.u32Val);
  } else {
    snprintf(number, sizeof number, "%d", shown.s32Val);
  }

  const COLOR dark = Colour(U_MENU_COLOR_DARK);
  const S64 a = s64OddLength(h);
  if (!bAtMin) vTriangle(pBitmap, (S64)anchor.x - 4, anchor.y, a, dark, POINT_LEFT);
  if (!bAtMax) vTriangle(pBitmap, (S64)anchor.x + w + 1, anchor.y, a, dark, POINT_RIGHT);

  vOutline(pBitmap, dark, anchor.x, anchor.y, w, h);
  vFilled(pBitmap, Colour(U_MENU_COLOR_MID), (S64)anchor.x + 1, (S64)anchor.y + 1, w - 2, h - 2);

  const S64 tw = s64Width(text);
  const FONT_DEF* font = Font();
  const S64 y = (S64)anchor.y + 1 + ((h - 4) >> 1) + (S64)G_FONTS_u32GetDescenderHeight(font) -
                (S64)G_FONTS_u32GetHeight(font) / 2;
  vPutCentredText(pBitmap, (S64)anchor.x + 1, (w - tw - 4) >> 1, y, text, (S64)anchor.x + 1, (S64)anchor.x + w - 2);
}

// ---------------------------------------------------------------- selection box

void U_MENU_vDrawControlSelectionBox(BITMAP* pBitmap, POINT anchor, U8 u8CurSel,
                                     const M_SELECTION_BOX_PARAMETERS* parameters, U32 u32selectorWidth,
                                     U32 u32selectorHeight, COLOR backgroundColor) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  const S64 w = u32selectorWidth, h = u32selectorHeight;
  const BOOLEAN bInList = u8CurSel < parameters->numberSelections;

  const COLOR dark = Colour(U_MENU_COLOR_DARK);
  const S64 a = s64OddLength(h);
  if (u8CurSel != 0) vTriangle(pBitmap, (S64)anchor.x - 6, anchor.y, a, dark, POINT_LEFT);
  if ((U64)u8CurSel + 1 < parameters->numberSelections) {
    vTriangle(pBitmap, (S64)anchor.x + w + 4, anchor.y, a, dark, POINT_RIGHT);
  }

  vRounded(pBitmap, Colour(U_MENU_COLOR_MID), anchor.x, anchor.y, w, h, 2);
  vRoundedFilled(pBitmap, backgroundColor, (S64)anchor.x + 1, anchor.y, w - 1, h - 1, 2);

  if (!bInList) return;
  if (parameters->pSelectionList != nullptr) {
    const char* text = pcText(parameters->pSelectionList[u8CurSel], nCurrentLanguage());
    const S64 tw = s64Width(text);
    const FONT_DEF* font = Font();
    const S64 y = (S64)anchor.y + ((h & 1) ? (h - 1) >> 1 : (h - 2) >> 1) +
                  (S64)G_FONTS_u32GetDescenderHeight(font) - (S64)G_FONTS_u32GetHeight(font) / 2 + 1;
    vPutCentredText(pBitmap, (S64)anchor.x + 2, (w - tw - 2) >> 1, y, text, (S64)anchor.x + 1,
                    (S64)anchor.x + w - 2);
  } else if (parameters->pSelectionIcons != nullptr) {
    const ICON* icon = parameters->pSelectionIcons[u8CurSel];
    if (icon == nullptr) return;
    const S64 iw = G_ICON_u32GetWidth(icon), ih = G_ICON_u32GetHeight(icon);
    const S64 evenH = (h + 1) & ~(S64)1;
    G_ICON_vPut(pBitmap, icon,
                Pt((S64)anchor.x + 1 + ((w - iw - 2) >> 1), (S64)anchor.y + ((evenH - 2) >> 1) - ih / 2));
  }
}

// ---------------------------------------------------------------- sub menu and action list

void U_MENU_vDrawControlSubMenu(BITMAP* pBitmap, POINT anchor, U32 u32value, const M_SUB_MENU_PARAMETERS* parameters,
                                U32 u32menuWidth, U32 u32subMenuHeight) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  const S64 h = u32subMenuHeight;
  if (!parameters->bIsActive || parameters->numberChoices <= 1) {
    vTriangle(pBitmap, (S64)anchor.x + u32menuWidth - h + 5, (S64)anchor.y + 6, h - 5, Colour(U_MENU_COLOR_DARK),
              POINT_RIGHT);
    return;
  }
  vPopOut(pBitmap, anchor, u32value, parameters->pSubMenuChoices, parameters->numberChoices, u32menuWidth, h, FALSE);
}

void U_MENU_vDrawControlSubMenuWithNoArrow(BITMAP* pBitmap, POINT anchor, U32 u32value,
                                           const M_SUB_MENU_PARAMETERS* parameters, U32 u32menuWidth,
                                           U32 u32subMenuHeight) {
  U_MENU_vDrawControlSubMenu(pBitmap, anchor, u32value, parameters, u32menuWidth, u32subMenuHeight);
}

void U_MENU_vDrawControlActionList(BITMAP* pBitmap, POINT anchor, U32 u32value,
                                   const M_ACTION_LIST_PARAMETERS* parameters, U32 u32menuWidth,
                                   U32 u32actionListHeight) {
  if (pBitmap == nullptr || parameters == nullptr) return;
  const S64 h = u32actionListHeight;
  if (!parameters->bIsActive || parameters->numberChoices <= 1) {
    vTriangle(pBitmap, (S64)anchor.x + u32menuWidth - h + 10, (S64)anchor.y + 3, h - 10, Colour(U_MENU_COLOR_DARK),
              POINT_RIGHT);
    return;
  }
  vPopOut(pBitmap, anchor, u32value, parameters->pActionListChoices, parameters->numberChoices, u32menuWidth, h,
          TRUE);
}

// ---------------------------------------------------------------- numbers

void U_MENU_vPrecisionFormat(char* endString, size_t size, F32 value, U8 precision) {
  if (endString == nullptr || size == 0) return;
  const char* format = precision == 0 ? "%.0f" : precision == 1 ? "%.1f" : precision == 2 ? "%.2f" : "%.3f";
  snprintf(endString, size, format, (double)value);
}
