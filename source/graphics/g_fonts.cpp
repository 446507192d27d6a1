// Bitmap fonts: one character and strings.
#include "source/graphics/g_fonts.h"

#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"

namespace {

constexpr U32 kNoTableSquare = 6;

const CHAR_DESC* glyph_of(const FONT_DEF* font, U8 character) { return font->pCharTable[character]; }

// Draws the glyph rows clipped to the clip rectangle, straight into the
// buffer: the same pixels as G_PIXEL_vPut for every ink bit.
void put_glyph(BITMAP* bitmap, COLOR colour, const POINT* anchor, const FONT_DEF* font, const CHAR_DESC* glyph) {
  const S64 height = font->u32Height;
  const S64 width = glyph->u32Width;
  if (height == 0 || width == 0 || glyph->pBuffer == nullptr) {
    return;
  }
  const S64 bytesPerRow = (width + 7) / 8;
  // Logical y of glyph row r: top - r.
  const S64 top = (S64)anchor->y + height - 1 - (S64)font->u32Descender;
  const S64 left = anchor->x;

  // Rows and columns of the glyph that fall inside the clip rectangle.
  S64 firstRow = 0, lastRow = height - 1;
  if (top > bitmap->s32ClipTop) firstRow = top - bitmap->s32ClipTop;
  if (top - lastRow < bitmap->s32ClipBottom) lastRow = top - bitmap->s32ClipBottom;
  S64 firstCol = 0, lastCol = width - 1;
  if (left < bitmap->s32ClipLeft) firstCol = bitmap->s32ClipLeft - left;
  if (left + lastCol > bitmap->s32ClipRight) lastCol = bitmap->s32ClipRight - left;
  if (firstRow > lastRow || firstCol > lastCol) {
    return;
  }

  COLOR* const pixels = G_BITMAP_pPixels(bitmap);
  const S64 pitch = bitmap->__u32PixelWidthOfBuffer;
  for (S64 r = firstRow; r <= lastRow; r++) {
    const U8* row = glyph->pBuffer + r * bytesPerRow;
    const S64 line = ((S64)bitmap->pixels_high_full_screen - (top - r) - 1) * pitch + left;
    const S64 firstByte = firstCol >> 3;
    const S64 lastByte = lastCol >> 3;
    for (S64 b = firstByte; b <= lastByte; b++) {
      U32 bits = row[b];
      // Keep only the columns inside the clip.
      if (b == firstByte) bits &= 0xFFu >> (firstCol & 7);
      if (b == lastByte) bits &= (0xFF00u >> ((lastCol & 7) + 1)) & 0xFF;
      // Leftmost column in bit 7; stop as soon as the rest are zero.
      const S64 cell = line + b * 8;
      while (bits != 0) {
        const int lead = __builtin_clz(bits) - 24;  // 0 for bit 7
        pixels[cell + lead] = colour;
        bits &= ~(0x80u >> lead);
      }
    }
  }
}

}  // namespace

void G_FONTS_vPut(BITMAP* bitmap, COLOR colour, const POINT* anchor, const FONT_DEF* font, U8 character) {
  if (anchor == nullptr || font == nullptr || bitmap == nullptr) {
    FATAL_ERROR("G_FONTS_vPut received bad pointer");
  }
  if (font->pCharTable == nullptr) {
    G_BOX_vDrawFilled(bitmap, colour, *anchor, kNoTableSquare, kNoTableSquare);
    return;
  }
  const CHAR_DESC* glyph = glyph_of(font, character);
  if (glyph == nullptr) {
    const U32 side = font->u32Height > 0 ? font->u32Height - 1 : 0;
    G_BOX_vDrawFilled(bitmap, colour, *anchor, side, side);
    return;
  }
  put_glyph(bitmap, colour, anchor, font, glyph);
}

U32 G_FONTS_u32GetWidth(const FONT_DEF* font, U8 character) {
  if (font == nullptr) return 0;
  if (font->pCharTable == nullptr) return kNoTableSquare;
  const CHAR_DESC* glyph = glyph_of(font, character);
  return glyph != nullptr ? glyph->u32Width : font->u32Height;
}

U32 G_FONTS_u32GetHeight(const FONT_DEF* font) { return font ? font->u32Height : 0; }
U32 G_FONTS_u32GetAscenderHeight(const FONT_DEF* font) { return font ? font->u32Ascender : 0; }
U32 G_FONTS_u32GetDescenderHeight(const FONT_DEF* font) { return font ? font->u32Descender : 0; }
U32 G_FONTS_u32GetMaxWidth(const FONT_DEF* font) { return font ? font->u32MaxWidth : 0; }
U32 G_FONTS_u32GetInterCharSpacing(const FONT_DEF* font) { return font ? font->u32InterCharSpacing : 0; }
U32 G_FONTS_u32GetCoreHeight(const FONT_DEF* font) {
  return font ? font->u32Height - font->u32Ascender - font->u32Descender : 0;
}

void G_STRING_vPut(BITMAP* bitmap, COLOR colour, POINT* anchor, const FONT_DEF* font, const char* text) {
  if (text == nullptr) {
    return;
  }
  for (const U8* p = reinterpret_cast<const U8*>(text); *p != 0; p++) {
    G_FONTS_vPut(bitmap, colour, anchor, font, *p);
    anchor->x += (PIXEL)G_FONTS_u32GetWidth(font, *p);
  }
}

U32 G_STRING_u32GetWidth(const FONT_DEF* font, const char* text) {
  if (text == nullptr) {
    return 0;
  }
  U32 width = 0;
  for (const U8* p = reinterpret_cast<const U8*>(text); *p != 0; p++) {
    width += G_FONTS_u32GetWidth(font, *p);
  }
  return width;
}

U32 G_STRING_u32GetHeight(const FONT_DEF* font) { return G_FONTS_u32GetHeight(font); }
