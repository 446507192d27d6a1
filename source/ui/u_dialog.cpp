// Word-wrapped text boxes. Positions are worked out in 64-bit signed
// arithmetic and held inside the 32-bit range when handed to the drawing
// library; every read of the caller's text stops at its terminating zero.
#include "source/ui/u_dialog.h"

#include <algorithm>
#include <cstring>

#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/ui/u_menu_controls.h"

namespace {

inline PIXEL Sat(S64 v) { return (PIXEL)std::clamp<S64>(v, INT32_MIN, INT32_MAX); }

inline POINT Pt(S64 x, S64 y) { return POINT{Sat(x), Sat(y)}; }

inline COLOR Colour(U32 index) { return gCOLOR_pcolColorTable[index]; }

inline BOOLEAN bSize(S64 w, S64 h, U32* pw, U32* ph) {
  if (w <= 0 || h <= 0) return FALSE;
  *pw = (U32)std::min<S64>(w, UINT32_MAX);
  *ph = (U32)std::min<S64>(h, UINT32_MAX);
  return TRUE;
}

void vRounded(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h, U32 radius) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDrawRounded(b, c, Pt(x, y), uw, uh, radius);
}

void vRoundedFilled(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h, U32 radius) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDrawRoundedFilled(b, c, Pt(x, y), uw, uh, radius);
}

void vFilled(BITMAP* b, COLOR c, S64 x, S64 y, S64 w, S64 h) {
  U32 uw, uh;
  if (bSize(w, h, &uw, &uh)) G_BOX_vDrawFilled(b, c, Pt(x, y), uw, uh);
}

inline BOOLEAN bBoxJustification(JUSTIFICATION j) {
  return j == JUSTIFICATION_CENTER || j == JUSTIFICATION_TOP || j == JUSTIFICATION_BOTTOM ||
         j == JUSTIFICATION_SCREEN_CENTER;
}

// Bitmap and font are needed by every routine; without them nothing is drawn.
BOOLEAN bUsable(const BITMAP* bitmap, const FONT_DEF* font, const char* routine) {
  if (bitmap != nullptr && font != nullptr) return TRUE;
  log_me("%s: no %s, nothing drawn", routine, bitmap == nullptr ? "bitmap" : "font");
  return FALSE;
}

// The widest word less the spacing after its last character; 0 without
// words.
S64 s64WidestWord(const char* text, const FONT_DEF* font) {
  const U32 widest = U_DIALOG_u32GetMaxWordLength(text, font);
  return widest > 0 ? (S64)widest - 1 : 0;
}

// Draws the line's characters (at most U_DIALOG_MAX_DRAWN_CHARS) with its
// baseline's left end at (x, y).
void vPutLine(BITMAP* bitmap, const FONT_DEF* font, COLOR colour, const LINEOFTEXT& line, S64 x, S64 y) {
  char buffer[U_DIALOG_MAX_DRAWN_CHARS + 1];
  const size_t n = std::min<size_t>(line.u8NumberOfCharsInLine, U_DIALOG_MAX_DRAWN_CHARS);
  memcpy(buffer, line.pcStartOfText, n);
  buffer[n] = '\0';
  POINT anchor = Pt(x, y);
  G_STRING_vPut(bitmap, colour, &anchor, font, buffer);
}

// Left end of a line of the given width in the columns left to left + room.
S64 s64LineX(JUSTIFICATION justification, S64 left, S64 room, S64 width) {
  switch (justification) {
    case JUSTIFICATION_RIGHT:
      return left + room - width;
    case JUSTIFICATION_CENTER:
      return left + (room - width) / 2;
    default:
      return left;
  }
}

// The framed dialog shared by the plain dialog and the choice dialog.
// extraHeight is the option row below the text.
struct DIALOG_BOX {
  S64 x0, y0, width, height;
};

DIALOG_BOX DrawDialogBox(BITMAP* bitmap, const char* text, const FONT_DEF* font, U16 spacing, U16 requestedWidth,
                         S64 leftMargin, S64 rightMargin, S64 extraHeight, JUSTIFICATION textJustification,
                         JUSTIFICATION boxJustification, const ICON* leftIcon, const ICON* rightIcon) {
  const S64 bitmapWidth = bitmap->pixels_wide, bitmapHeight = bitmap->pixels_high;
  const S64 widest = s64WidestWord(text, font);
  S64 width = requestedWidth > widest + 11 ? (S64)requestedWidth : widest + 12;
  if (width >= bitmapWidth) width = std::max<S64>(bitmapWidth, 0);
  const S64 x0 = (bitmapWidth - width) / 2;

  // Text columns; margins that leave no room give every word its own line.
  const S64 left = x0 + leftMargin;
  const S64 right = x0 + width - rightMargin;
  const S64 room = std::clamp<S64>(right - left, 0, UINT16_MAX);

  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  const S64 n = U_DIALOG_u16ExtractTextIntoLines(text, lines, font, (U16)room);
  const S64 lineHeight = (S64)G_FONTS_u32GetHeight(font) + spacing;
  const S64 height = lineHeight * n + 12 + extraHeight;

  S64 y0;
  switch (boxJustification) {
    case JUSTIFICATION_TOP:
      y0 = bitmapHeight - height;
      break;
    case JUSTIFICATION_BOTTOM:
      y0 = U_DIALOG_BOTTOM_BAND;
      break;
    default:  // centre, screen centre
      y0 = (bitmapHeight - height + U_DIALOG_BOTTOM_BAND) / 2;
      break;
  }

  const COLOR outline = Colour(U_DIALOG_COLOR_OUTLINE);
  vRounded(bitmap, outline, x0, y0, width, height, 5);
  vRounded(bitmap, outline, x0 + 1, y0 + 1, width - 2, height - 2, 3);
  vRoundedFilled(bitmap, Colour(U_DIALOG_COLOR_FILL), x0 + 2, y0 + 2, width - 4, height - 4, 3);

  if (leftIcon != nullptr) {
    G_ICON_vPut(bitmap, leftIcon, Pt(x0 + 6, y0 + height / 2 - (S64)G_ICON_u32GetHeight(leftIcon) / 2));
  }
  if (rightIcon != nullptr) {
    G_ICON_vPut(bitmap, rightIcon,
                Pt(x0 + width - (S64)G_ICON_u32GetWidth(rightIcon) - 6,
                   y0 + height / 2 - (S64)G_ICON_u32GetHeight(rightIcon) / 2));
  }

  const COLOR ink = Colour(U_DIALOG_COLOR_TEXT);
  for (S64 i = 0; i < n; ++i) {
    const S64 y = y0 + 9 + extraHeight + (n - 1 - i) * lineHeight;
    const S64 x = std::max<S64>(0, s64LineX(textJustification, left, room, lines[i].u16WidthOfLine));
    vPutLine(bitmap, font, ink, lines[i], x, y);
  }
  return DIALOG_BOX{x0, y0, width, height};
}

}  // namespace

U32 U_DIALOG_u32GetMaxWordLength(const char* pcText, const FONT_DEF* pFont) {
  if (pcText == nullptr) return 0;
  U32 widest = 0;
  const char* p = pcText;
  while (*p != '\0') {
    while (*p == ' ') ++p;
    U32 width = 0;
    for (; *p != '\0' && *p != ' '; ++p) width += G_FONTS_u32GetWidth(pFont, (U8)*p);
    widest = std::max(widest, width);
  }
  return widest;
}

U16 U_DIALOG_u16ExtractTextIntoLines(const char* pcText, LINEOFTEXT* pLines, const FONT_DEF* pFont, U16 u16Width) {
  if (pcText == nullptr || pLines == nullptr) return 0;
  const U64 spaceWidth = G_FONTS_u32GetWidth(pFont, (U8)' ');
  const char* p = pcText;
  U16 n = 0;
  while (n < U_DIALOG_MAX_LINES && *p != '\0') {
    const char* start = p;
    U64 width = 0;
    U32 count = 0;
    while (*p != '\0') {
      // The next chunk: the spaces here and the word after them.
      const char* q = p;
      U64 chunkWidth = 0;
      for (; *q == ' '; ++q) chunkWidth += spaceWidth;
      for (; *q != '\0' && *q != ' '; ++q) chunkWidth += G_FONTS_u32GetWidth(pFont, (U8)*q);
      const U32 chunkChars = (U32)(q - p);
      if (count > 0 && (width + chunkWidth > u16Width || count + chunkChars > U_DIALOG_MAX_CHARS_IN_LINE)) {
        while (*p == ' ') ++p;
        break;
      }
      if (chunkChars > U_DIALOG_MAX_CHARS_IN_LINE) {
        // A chunk longer than a line can count: the line takes what it can
        // hold and the rest goes on the next line.
        for (U32 i = 0; i < U_DIALOG_MAX_CHARS_IN_LINE; ++i, ++p) {
          width += *p == ' ' ? spaceWidth : G_FONTS_u32GetWidth(pFont, (U8)*p);
        }
        count = U_DIALOG_MAX_CHARS_IN_LINE;
        break;
      }
      width += chunkWidth;
      count += chunkChars;
      p = q;
    }
    pLines[n].pcStartOfText = start;
    pLines[n].u8NumberOfCharsInLine = (U8)count;
    pLines[n].u16WidthOfLine = (U16)std::min<U64>(width > 0 ? width - 1 : 0, UINT16_MAX);
    ++n;
  }
  return n;
}

void U_DIALOG_vDrawDialog(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16LineSpacing,
                          U16 u16BoxWidth, const ICON* pLeftIcon, const ICON* pRightIcon,
                          JUSTIFICATION textJustification, JUSTIFICATION boxJustification) {
  if (!bBoxJustification(boxJustification)) FATAL_ERROR("Invalid box justification");
  if (!bUsable(pBitmap, pFont, "U_DIALOG_vDrawDialog")) return;
  const S64 leftMargin = pLeftIcon != nullptr ? (S64)G_ICON_u32GetWidth(pLeftIcon) + 12 : 6;
  const S64 rightMargin = pRightIcon != nullptr ? (S64)G_ICON_u32GetWidth(pRightIcon) + 12 : 6;
  DrawDialogBox(pBitmap, pcText, pFont, u16LineSpacing, u16BoxWidth, leftMargin, rightMargin, 0, textJustification,
                boxJustification, pLeftIcon, pRightIcon);
}

U32 U_DIALOG_u32DrawMessageBlock(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16LineSpacing,
                                 JUSTIFICATION textJustification, JUSTIFICATION boxJustification, POINT anchor,
                                 U16 u16BoxWidth, COLOR backgroundColor, COLOR foregroundColor) {
  if (boxJustification != JUSTIFICATION_TOP && boxJustification != JUSTIFICATION_BOTTOM &&
      boxJustification != JUSTIFICATION_CENTER) {
    FATAL_ERROR("Invalid box justification");
  }
  if (!bUsable(pBitmap, pFont, "U_DIALOG_u32DrawMessageBlock")) return 0;

  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  const S64 n = U_DIALOG_u16ExtractTextIntoLines(pcText, lines, pFont, u16BoxWidth);
  const S64 lineHeight = (S64)G_FONTS_u32GetHeight(pFont) + u16LineSpacing;
  const S64 height = lineHeight * n + 2;

  S64 y0;
  if (boxJustification == JUSTIFICATION_TOP) {
    y0 = (S64)anchor.y - height + 1;
  } else if (boxJustification == JUSTIFICATION_BOTTOM) {
    y0 = anchor.y;
  } else {
    y0 = (S64)anchor.y - height / 2;
  }

  vFilled(pBitmap, backgroundColor, anchor.x, y0, u16BoxWidth, height);
  for (S64 i = 0; i < n; ++i) {
    const S64 y = y0 + 7 + (n - 1 - i) * lineHeight;
    vPutLine(pBitmap, pFont, foregroundColor, lines[i],
             s64LineX(textJustification, anchor.x, u16BoxWidth, lines[i].u16WidthOfLine), y);
  }
  return (U32)height;
}

void U_DIALOG_vDrawMessageBlockOutlined(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont,
                                        U16 u16LineSpacing, JUSTIFICATION textJustification,
                                        JUSTIFICATION boxJustification, POINT anchor, U16 u16BoxWidth,
                                        COLOR backgroundColor, COLOR foregroundColor, COLOR outlineColor) {
  const S64 blockHeight = U_DIALOG_u32DrawMessageBlock(pBitmap, pcText, pFont, u16LineSpacing, textJustification,
                                                       boxJustification, anchor, u16BoxWidth, backgroundColor,
                                                       foregroundColor);
  if (pBitmap == nullptr || pFont == nullptr) return;
  const S64 height = std::min<S64>(blockHeight + 4, pBitmap->pixels_high);
  const S64 width = std::min<S64>((S64)u16BoxWidth + 4, pBitmap->pixels_wide);
  const S64 x = std::max<S64>((S64)anchor.x - 2, pBitmap->s32ClipLeft);
  S64 y;
  if (boxJustification == JUSTIFICATION_CENTER) {
    y = (S64)anchor.y - height / 2;
  } else if (boxJustification == JUSTIFICATION_TOP) {
    y = (S64)anchor.y - height + 3;
  } else {
    y = (S64)anchor.y - 2;
  }
  y = std::max<S64>(y, pBitmap->s32ClipBottom);
  vRounded(pBitmap, outlineColor, x, y, width, height, 5);
  vRounded(pBitmap, outlineColor, x + 1, y + 1, width - 2, height - 2, 3);
}

void U_DIALOG_vDrawDialogWithConfirm(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16LineSpacing,
                                     U16 u16BoxWidth, const char* pcLeftText, const char* pcRightText,
                                     JUSTIFICATION textJustification, JUSTIFICATION boxJustification,
                                     BOOLEAN bLeftShown, BOOLEAN bRightShown) {
  if (!bBoxJustification(boxJustification)) FATAL_ERROR("Invalid box justification");
  if (!bUsable(pBitmap, pFont, "U_DIALOG_vDrawDialogWithConfirm")) return;
  const S64 h = pFont->u32Height;
  // The option row below the text, when there is an option to show.
  const S64 optionRow = (bLeftShown || bRightShown) ? 3 * h / 2 : 0;
  const DIALOG_BOX box = DrawDialogBox(pBitmap, pcText, pFont, u16LineSpacing, u16BoxWidth, 6, 6, optionRow,
                                       textJustification, boxJustification, nullptr, nullptr);

  const COLOR ink = Colour(U_DIALOG_COLOR_TEXT);
  if (bLeftShown) {
    U_MENU_vDrawArrowLeft(pBitmap, Pt(box.x0 + h, box.y0 + h / 3), (U32)h, ink);
    if (pcLeftText != nullptr) {
      POINT anchor = Pt(box.x0 + 4 * h / 3, box.y0 + h / 2);
      G_STRING_vPut(pBitmap, ink, &anchor, pFont, pcLeftText);
    }
  }
  if (bRightShown) {
    if (pcRightText != nullptr) {
      const S64 width = G_STRING_u32GetWidth(pFont, pcRightText);
      POINT anchor = Pt(box.x0 + box.width - 4 * h / 3 - width, box.y0 + h / 2);
      G_STRING_vPut(pBitmap, ink, &anchor, pFont, pcRightText);
    }
    U_MENU_vDrawArrowRight(pBitmap, Pt(box.x0 + box.width - h, box.y0 + h / 3), (U32)h, ink);
  }
}
