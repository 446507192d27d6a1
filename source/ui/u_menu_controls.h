// Painters of the menu controls: the little triangles, check marks, sliders,
// progress bars, numeric entries, selection boxes and the pop-out lists of
// sub menus and action lists. The menu layers draw their open item with
// them and dialogs of other modules call them so that every control looks
// alike. They keep no state and take no locks: each draws into the bitmap
// it is given (clipped to its clip rectangle) and reads the colour table at
// each call, so palette changes show at once.
//
// Coordinates are logical (y upward); the anchor is the lower-left corner
// of the control's box. Colours are entries 64 to 68 of the colour table
// (64 white, 65 pale blue-grey, 66 mid blue, 67 very dark blue, 68 black as
// first set). Texts are drawn in the standard 11 x 14 font in colour 68, in
// the current language.
#pragma once

#include <cstddef>

#include "common/db_types.h"
#include "common/menu_types.h"
#include "common/types.h"
#include "source/graphics/g_bitmap.h"

// Colour-table entries of the controls.
constexpr U32 U_MENU_COLOR_HIGHLIGHT = 64;  // highlighted row, slider handle rim
constexpr U32 U_MENU_COLOR_LIGHT = 65;      // tracks, rows
constexpr U32 U_MENU_COLOR_MID = 66;        // numeric box, selection frame, handle
constexpr U32 U_MENU_COLOR_DARK = 67;       // outlines, fills, triangles
constexpr U32 U_MENU_COLOR_TEXT = 68;       // texts

// Triangles drawn as parallel lines: a base line of the size (an even size
// is lowered by one to make it odd; 0 draws nothing), then size >> 1
// further lines, each one pixel further in the pointing direction and one
// pixel shorter at both ends. Up and down arrows have their base running
// right from the anchor; left and right arrows have it running up from the
// anchor.
void U_MENU_vDrawArrowUp(BITMAP* pBitmap, POINT anchor, U32 arrowWidth, COLOR color);
void U_MENU_vDrawArrowDown(BITMAP* pBitmap, POINT anchor, U32 arrowWidth, COLOR color);
void U_MENU_vDrawArrowLeft(BITMAP* pBitmap, POINT anchor, U32 arrowHeight, COLOR color);
void U_MENU_vDrawArrowRight(BITMAP* pBitmap, POINT anchor, U32 arrowHeight, COLOR color);

// Check mark of a check list or check box row (55 pixels high): nothing
// while u32value is 0, else the selected radio button 35 pixels left of the
// row's right end. The height argument is not used.
void U_MENU_vDrawControlCheckBox(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth,
                                 U32 u32subMenuHeight);
void U_MENU_vDrawControlCheckList(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth,
                                  U32 u32subMenuHeight);

// The triangle at the right end of an action row. u32value is not used.
void U_MENU_vDrawControlAction(BITMAP* pBitmap, POINT anchor, U32 u32value, U32 u32menuWidth, U32 u32subMenuHeight);

// Slider track with its fill and handle, and the end labels beside it (the
// left and right texts of the parameters, else their minimum and maximum
// strings). dataFormat says how dbValue and the limits are held.
void U_MENU_vDrawControlSlider(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                               const M_SLIDER_PARAMETERS* parameters, DATA_FORMAT dataFormat, U32 u32sliderWidth,
                               U32 u32sliderHeight);

// Progress bar: track, bar and the end labels.
void U_MENU_vDrawControlProgressBar(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                    const M_PROGRESS_BAR_PARAMETERS* parameters, DATA_FORMAT dataFormat,
                                    U32 u32barWidth, U32 u32barHeight);

// Numeric entry: a box with the value, arrows on the sides that can still be
// stepped to, and the end labels. A value text wider than the box starts at
// the box's left edge and is cut at its right edge.
void U_MENU_vDrawControlNumericEntry(BITMAP* pBitmap, POINT anchor, DB_DATA_TYPE dbValue,
                                     const M_NUMERIC_ENTRY_PARAMETERS* parameters, DATA_FORMAT dataFormat,
                                     U32 u32numboxWidth, U32 u32numboxHeight);

// Selection box showing choice u8CurSel (its text, or its icon when the
// parameters have no text list), with triangles on the sides where more
// choices lie. A choice number past the list shows an empty box. Text wider
// than the box is cut like the numeric entry's.
void U_MENU_vDrawControlSelectionBox(BITMAP* pBitmap, POINT anchor, U8 u8CurSel,
                                     const M_SELECTION_BOX_PARAMETERS* parameters, U32 u32selectorWidth,
                                     U32 u32selectorHeight, COLOR backgroundColor);

// Sub-menu row: a triangle while closed (or with a single choice); while
// open, the column of choices to the right of the row with the choice
// u32value highlighted. The "no arrow" variant draws exactly the same.
void U_MENU_vDrawControlSubMenu(BITMAP* pBitmap, POINT anchor, U32 u32value, const M_SUB_MENU_PARAMETERS* parameters,
                                U32 u32menuWidth, U32 u32subMenuHeight);
void U_MENU_vDrawControlSubMenuWithNoArrow(BITMAP* pBitmap, POINT anchor, U32 u32value,
                                           const M_SUB_MENU_PARAMETERS* parameters, U32 u32menuWidth,
                                           U32 u32subMenuHeight);

// Action-list row: as the sub menu, with a framed column.
void U_MENU_vDrawControlActionList(BITMAP* pBitmap, POINT anchor, U32 u32value,
                                   const M_ACTION_LIST_PARAMETERS* parameters, U32 u32menuWidth,
                                   U32 u32actionListHeight);

// Writes the value with 0, 1 or 2 decimals for precision 0, 1 or 2 and with
// 3 for any other precision, into at most size bytes (always terminated;
// a longer text is cut).
void U_MENU_vPrecisionFormat(char* endString, size_t size, F32 value, U8 precision);
// The same into a character array, whose size bounds the text.
template <size_t N>
inline void U_MENU_vPrecisionFormat(char (&endString)[N], F32 value, U8 precision) {
  U_MENU_vPrecisionFormat(endString, N, value, precision);
}
