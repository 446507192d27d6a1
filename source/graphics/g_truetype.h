// Anti-aliased text of any pixel size from the compiled-in TrueType face,
// through FreeType's cache manager.
//
// Strings are zero-terminated byte strings in the unit's code page, mapped to
// glyphs by the face's character map of the current font set. For a text
// height h the glyphs are rendered at h * 60 / 44 pixels; a space advances
// h / 2, any other character its bitmap width + h / 64 + 1. The anchor is the
// left end of the baseline. Coverage above 208 writes the colour, 48 to 208
// blends (a * text + (255 - a) * old) / 255 per channel, below 48 leaves the
// pixel. Text is clipped to the bitmap's clip rectangle.
//
// Rendered glyphs are kept in the module's own list, one per character,
// height and character map, until G_TRUETYPE_vRemoveList. A glyph too large
// for a 64 KiB memory block (heights of several hundred pixels) is not kept
// but drawn directly, every time; a failed allocation leaves a glyph unkept.
//
// Thread safety: guarded by one lock (see g_truetype.cpp), taken once per
// text; any task may draw, measure, select the font set or clear the list.
#pragma once

#include "common/types.h"
#include "source/graphics/g_bitmap.h"

// Starts FreeType, opens the face and the caches; once, at start. FALSE on
// any FreeType error, and the text then draws nothing.
BOOLEAN G_TRUETYPE_bInit(void);
// Makes character map 0 current for font set 0, map 1 for font set 1 and
// map 2 for any larger value, when the face has exactly three maps.
void G_TRUETYPE_vSelectFontSet(U32 fontSet);
// Frees every kept glyph.
void G_TRUETYPE_vRemoveList(void);

// The font style arguments have no effect.
void G_TRUETYPE_vPut(BITMAP* bitmap, const char* text, const POINT* anchor, COLOR colour, U32 height,
                     U32 fontStyle);
U32 G_TRUETYPE_u32GetWidth(const char* text, U32 height, U32 fontStyle);
// One character at a time; after a digit 0-9 the pen moves by the width of
// "0", after any other character by its own width, so digits line up.
void G_TRUETYPE_vPutNumWidthFixed(BITMAP* bitmap, const char* text, const POINT* anchor, COLOR colour, U32 height,
                                  U32 fontStyle);
U32 G_TRUETYPE_u32GetWidthNumWidthFixed(const char* text, U32 height, U32 fontStyle);
// Renders the text into a 32-bit picture (baseline 32 rows above its bottom)
// and draws it turned counter-clockwise by the angle (radians) about the
// point (centre.x, centre.y + 32) of the picture, placed at the anchor. A
// text whose picture would pass the 480000-byte canvas draws nothing.
void G_TRUETYPE_vPutRotated(BITMAP* bitmap, const char* text, const POINT* anchor, const POINT* centre, F64 angle,
                            COLOR colour, U32 height, U32 fontStyle);
// Text with a two-pixel outline; the anchor is the left end of the baseline.
void G_TRUETYPE_vPutOutlined(BITMAP* bitmap, const char* text, const POINT* anchor, COLOR textColour, U32 height,
                             U32 fontStyle, COLOR outlineColour);

// Number of glyphs in the kept list (tests and state dumps).
U32 G_TRUETYPE_u32ListLength(void);
// The last FreeType error met (0: none).
int G_TRUETYPE_nLastError(void);
