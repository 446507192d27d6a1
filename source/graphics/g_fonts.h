// Bitmap fonts and strings.
//
// A glyph is a one-bit image: rows from top to bottom, each row u32Width bits
// packed into whole bytes (ceil(u32Width / 8)), the leftmost pixel in the most
// significant bit of the row's first byte, 1 meaning ink. The glyph's width is
// also how far the pen advances; the string operations add no spacing.
//
// A character drawn at an anchor puts its cell's bottom row at
// anchor.y - u32Descender and its top row at
// anchor.y + u32Height - u32Descender - 1, its left column at anchor.x: the
// anchor is the left end of the baseline. Background pixels are left alone.
// Strings are zero-terminated byte strings in the unit's code page.
#pragma once

#include "common/types.h"
#include "common/g_types.h"
#include "source/graphics/g_bitmap.h"


// Draws one character. A null bitmap, anchor or font is fatal. A font without
// glyph table draws a filled 6 x 6 square, a character the font lacks a
// filled (height - 1) x (height - 1) square, lower-left corner at the anchor.
void G_FONTS_vPut(BITMAP* bitmap, COLOR colour, const POINT* anchor, const FONT_DEF* font, U8 character);
// Glyph width; the font height for a lacking character, 6 for a font without
// glyph table, 0 for a null font.
U32 G_FONTS_u32GetWidth(const FONT_DEF* font, U8 character);
U32 G_FONTS_u32GetHeight(const FONT_DEF* font);
U32 G_FONTS_u32GetAscenderHeight(const FONT_DEF* font);
U32 G_FONTS_u32GetDescenderHeight(const FONT_DEF* font);
U32 G_FONTS_u32GetMaxWidth(const FONT_DEF* font);
U32 G_FONTS_u32GetInterCharSpacing(const FONT_DEF* font);
// Height minus ascender minus descender.
U32 G_FONTS_u32GetCoreHeight(const FONT_DEF* font);

// Draws the characters one after another, moving anchor->x by each width:
// afterwards the anchor stands just right of the text. A null string draws
// nothing.
void G_STRING_vPut(BITMAP* bitmap, COLOR colour, POINT* anchor, const FONT_DEF* font, const char* text);
// Sum of the characters' widths; 0 for a null or empty string.
U32 G_STRING_u32GetWidth(const FONT_DEF* font, const char* text);
U32 G_STRING_u32GetHeight(const FONT_DEF* font);
