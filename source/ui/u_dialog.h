// Word-wrapped text boxes: the rounded dialog box that most message layers
// draw, a plain filled text block and its outlined variant, a dialog with a
// two-way choice, and the word-wrap routines they share.
//
// The routines keep no state and may be called from any task that draws:
// they read the colour table and the fonts and write only into the caller's
// bitmap (clipped to its clip rectangle). Coordinates are logical (y
// upward): a box anchored at (x, y) extends up and to the right.
//
// Words are runs of characters other than the space; a text is wrapped
// into at most U_DIALOG_MAX_LINES lines and the rest is not drawn. A word
// wider than the box stands alone on its line and overflows it.
#pragma once

#include "common/types.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"

// Text justification uses LEFT, RIGHT and CENTER; box justification CENTER,
// TOP, BOTTOM and SCREEN_CENTER. Any other box justification is a fatal
// error "Invalid box justification".
enum JUSTIFICATION : S32 {
  JUSTIFICATION_NOT_USED = 0,
  JUSTIFICATION_LEFT = 1,
  JUSTIFICATION_RIGHT = 2,
  JUSTIFICATION_CENTER = 3,
  JUSTIFICATION_TOP = 4,
  JUSTIFICATION_BOTTOM = 5,
  JUSTIFICATION_SCREEN_CENTER = 6,
};

// One wrapped line: where it starts in the caller's text, how many
// characters it holds and its width in pixels (without the spacing after its
// last character).
struct LINEOFTEXT {
  const char* pcStartOfText;
  U8 u8NumberOfCharsInLine;
  U16 u16WidthOfLine;
};

constexpr U16 U_DIALOG_MAX_LINES = 20;
// A line holds at most this many characters (its count is one byte); a word
// longer than that continues on the next line.
constexpr U32 U_DIALOG_MAX_CHARS_IN_LINE = 255;
// At most this many characters of a line are drawn.
constexpr U32 U_DIALOG_MAX_DRAWN_CHARS = 119;
// Dialogs placed at the bottom or in the centre stay above this band.
constexpr S32 U_DIALOG_BOTTOM_BAND = 105;

// Colour-table entries of the dialog box.
constexpr U32 U_DIALOG_COLOR_FILL = 128;
constexpr U32 U_DIALOG_COLOR_OUTLINE = 130;
constexpr U32 U_DIALOG_COLOR_TEXT = 131;

// Width in pixels of the widest word (0 for a text without words or a null
// text).
U32 U_DIALOG_u32GetMaxWordLength(const char* pcText, const FONT_DEF* pFont);

// Wraps the text into lines at most u16Width pixels wide; lines must hold
// U_DIALOG_MAX_LINES entries. Returns the number of lines (0 for an empty or
// null text).
U16 U_DIALOG_u16ExtractTextIntoLines(const char* pcText, LINEOFTEXT* pLines, const FONT_DEF* pFont, U16 u16Width);

// The rounded dialog box, centred across the bitmap, at least as wide as the
// widest word with its margins and at most as wide as the bitmap; icons, when
// given, stand at its left and right ends. Fill, outline and text are colour
// table entries 128, 130 and 131.
void U_DIALOG_vDrawDialog(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16LineSpacing,
                          U16 u16BoxWidth, const ICON* pLeftIcon, const ICON* pRightIcon,
                          JUSTIFICATION textJustification, JUSTIFICATION boxJustification);

// A filled block of the background colour, u16BoxWidth wide, anchored by its
// top edge (TOP), bottom edge (BOTTOM) or middle (CENTER) at the anchor,
// holding the wrapped text in the foreground colour. Returns its height.
U32 U_DIALOG_u32DrawMessageBlock(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16LineSpacing,
                                 JUSTIFICATION textJustification, JUSTIFICATION boxJustification, POINT anchor,
                                 U16 u16BoxWidth, COLOR backgroundColor, COLOR foregroundColor);

// The message block with a double rounded outline around it.
void U_DIALOG_vDrawMessageBlockOutlined(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont,
                                        U16 u16LineSpacing, JUSTIFICATION textJustification,
                                        JUSTIFICATION boxJustification, POINT anchor, U16 u16BoxWidth,
                                        COLOR backgroundColor, COLOR foregroundColor, COLOR outlineColor);

// The dialog box without icons and, when either option is shown, a row at
// its bottom with the left text after a left-pointing arrow and the right
// text before a right-pointing arrow. Without options the box has no option
// row and the text stands as in the plain dialog.
void U_DIALOG_vDrawDialogWithConfirm(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16LineSpacing,
                                     U16 u16BoxWidth, const char* pcLeftText, const char* pcRightText,
                                     JUSTIFICATION textJustification, JUSTIFICATION boxJustification,
                                     BOOLEAN bLeftShown, BOOLEAN bRightShown);
