// TrueType text through FreeType's cache manager, with the module's own list
// of rendered glyphs.
//
// Thread safety: guarded by one lock. The FreeType objects, the current
// character map (the font set) and the glyph list are touched only under
// s_mutex, taken once per text (a whole G_TRUETYPE_vPut, width or layout)
// and by the font set choice and the clearing of the list. A kept glyph is
// read only while the lock is held, so the list may be cleared from any task
// while the view task draws.
//
// Memory: a kept glyph takes one partition block of at most
// kMaxKeptGlyphBytes; a larger glyph (very large text heights) is drawn
// straight from FreeType's rendering each time and not kept, with one trace
// line for each new such height.
#include "source/graphics/g_truetype.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H

#include <cstring>
#include <mutex>

#include "data/truetype_face.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_image.h"

namespace {

// FreeType's face identifier record: where the face comes from and its
// current character map.
struct TT_FONT_ID {
  const char* filepathname;  // none: the face is opened from memory
  int face_index;
  int cmap_index;
  int num_indices;
};

// One kept glyph, its coverage bitmap right behind the record.
struct TT_GLYPH_NODE {
  TT_GLYPH_NODE* pNext;
  TT_GLYPH_NODE* pPrev;
  U8 u8Character;
  U32 u32Height;
  int nCharMap;  // character map the glyph was looked up in
  S32 s32Top;    // rows from the baseline to the top row
  S32 s32Rows;
  S32 s32Width;
  S32 s32Pitch;
  U8* pu8Bitmap;
};

// A glyph to draw: kept, or straight from FreeType (valid until its next call).
struct GLYPH {
  S32 top;
  S32 rows;
  S32 width;
  S32 pitch;
  const U8* bitmap;  // null: no pixels
};

constexpr U32 kCanvasBytes = 480000;
// Largest block a kept glyph (record and bitmap) may take: the 64 KiB
// partition. The larger blocks are kept for whole screens.
constexpr size_t kMaxKeptGlyphBytes = 65536;
constexpr U32 kCoverageWrite = 208;
constexpr U32 kCoverageBlend = 48;

FT_Library s_FontLibrary;
FT_Face s_FontFace;
FTC_Manager s_ftc_Manager;
FTC_SBitCache s_sbits_cache;
FTC_CMapCache s_cmap_cache;
FT_Error s_fterror;
TT_FONT_ID s_font;
FTC_ImageTypeRec s_current_font;
BOOLEAN s_bReady;
TT_GLYPH_NODE* s_listCacheBuffer;  // newest first
U32 s_u32UnkeptHeight;             // last height traced for a glyph too large to keep

// Guards everything above (see the head of the file).
std::mutex s_mutex;

FT_Error face_requester(FTC_FaceID, FT_Library, FT_Pointer, FT_Face* aface) {
  *aface = s_FontFace;
  return 0;
}

U32 pixel_size(U32 height) { return height * 60 / 44; }

void set_size(U32 height) {
  s_current_font.width = pixel_size(height);
  s_current_font.height = pixel_size(height);
}

U32 advance_of(const GLYPH& glyph, U32 height) { return (U32)glyph.width + height / 64 + 1; }

TT_GLYPH_NODE* find_node(U8 character, U32 height) {
  for (TT_GLYPH_NODE* node = s_listCacheBuffer; node != nullptr; node = node->pNext) {
    if (node->u8Character == character && node->u32Height == height && node->nCharMap == s_font.cmap_index) {
      return node;
    }
  }
  return nullptr;
}

// Keeps a copy of the glyph at the head of the list; the copy's rows are
// packed (pitch = width). Returns null when no memory is free or the glyph
// is too large to keep.
TT_GLYPH_NODE* keep_glyph(U8 character, U32 height, const GLYPH& glyph) {
  const size_t bytes = (size_t)glyph.rows * (size_t)glyph.width;
  if (bytes > kMaxKeptGlyphBytes - sizeof(TT_GLYPH_NODE)) {
    if (s_u32UnkeptHeight != height) {
      s_u32UnkeptHeight = height;
      log_me("G_TRUETYPE: glyphs of height %u (%zu bytes) are too large to keep; drawn directly",
             (unsigned)height, bytes);
    }
    return nullptr;
  }
  auto* node = static_cast<TT_GLYPH_NODE*>(H_MEMORY_pvMallocNoWait(sizeof(TT_GLYPH_NODE) + bytes));
  if (node == nullptr) {
    return nullptr;
  }
  node->u8Character = character;
  node->u32Height = height;
  node->nCharMap = s_font.cmap_index;
  node->s32Top = glyph.top;
  node->s32Rows = glyph.rows;
  node->s32Width = glyph.width;
  node->s32Pitch = glyph.width;
  node->pu8Bitmap = bytes ? reinterpret_cast<U8*>(node + 1) : nullptr;
  for (S32 r = 0; r < glyph.rows && bytes; r++) {
    memcpy(node->pu8Bitmap + (size_t)r * glyph.width, glyph.bitmap + (ptrdiff_t)r * glyph.pitch, glyph.width);
  }
  node->pPrev = nullptr;
  node->pNext = s_listCacheBuffer;
  if (s_listCacheBuffer != nullptr) {
    s_listCacheBuffer->pPrev = node;
  }
  s_listCacheBuffer = node;
  return node;
}

GLYPH glyph_of_node(const TT_GLYPH_NODE* node) {
  return GLYPH{node->s32Top, node->s32Rows, node->s32Width, node->s32Pitch, node->pu8Bitmap};
}

// Renders a glyph the small-bitmap cache cannot hold (too large for its
// byte-sized fields) directly with the face.
bool render_direct(FT_UInt index, GLYPH* out) {
  FTC_ScalerRec scaler;
  scaler.face_id = (FTC_FaceID)&s_font;
  scaler.width = s_current_font.width;
  scaler.height = s_current_font.height;
  scaler.pixel = 1;
  scaler.x_res = 0;
  scaler.y_res = 0;
  FT_Size size;
  FT_Error error = FTC_Manager_LookupSize(s_ftc_Manager, &scaler, &size);
  if (error == 0) {
    error = FT_Load_Glyph(s_FontFace, index, FT_LOAD_RENDER);
  }
  if (error == 0 && s_FontFace->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
    error = FT_Err_Invalid_Argument;
  }
  if (error != 0) {
    s_fterror = error;
    return false;
  }
  const FT_Bitmap& bitmap = s_FontFace->glyph->bitmap;
  out->top = s_FontFace->glyph->bitmap_top;
  out->rows = (S32)bitmap.rows;
  out->width = (S32)bitmap.width;
  out->pitch = bitmap.pitch;
  out->bitmap = bitmap.buffer;
  return true;
}

// Finds the glyph of a character other than space. keep: add it to the list
// (as the drawing does). false: FreeType failed, the character is skipped.
bool fetch_glyph(U8 character, U32 height, bool keep, GLYPH* out) {
  if (!s_bReady) {
    return false;
  }
  if (const TT_GLYPH_NODE* node = find_node(character, height)) {
    *out = glyph_of_node(node);
    return true;
  }
  const FT_UInt index = FTC_CMapCache_Lookup(s_cmap_cache, (FTC_FaceID)&s_font, s_font.cmap_index, character);
  FTC_SBit sbit;
  const FT_Error error = FTC_SBitCache_Lookup(s_sbits_cache, &s_current_font, index, &sbit, nullptr);
  if (error != 0) {
    s_fterror = error;
    return false;
  }
  if (sbit->buffer == nullptr && sbit->width == 255) {
    // The cache marks a glyph too large for it as missing.
    if (!render_direct(index, out)) {
      return false;
    }
  } else {
    out->top = sbit->top;
    out->rows = sbit->height;
    out->width = sbit->width;
    out->pitch = sbit->pitch;
    out->bitmap = sbit->buffer;
  }
  if (out->bitmap == nullptr) {
    out->rows = 0;
  }
  if (keep) {
    if (const TT_GLYPH_NODE* node = keep_glyph(character, height, *out)) {
      *out = glyph_of_node(node);
    }
  }
  return true;
}

inline COLOR blend(COLOR text, COLOR old, U32 a) {
  const U32 red = (a * G_COLOR_u32Red(text) + (255 - a) * G_COLOR_u32Red(old)) / 255;
  const U32 green = (a * G_COLOR_u32Green(text) + (255 - a) * G_COLOR_u32Green(old)) / 255;
  const U32 blue = (a * G_COLOR_u32Blue(text) + (255 - a) * G_COLOR_u32Blue(old)) / 255;
  return G_COLOR_Pack(red, green, blue);
}

// Draws one glyph with the pen at (penX, baseline), clipped.
void draw_glyph(BITMAP* bitmap, const GLYPH& glyph, S32 penX, S32 baseline, COLOR colour) {
  COLOR* const pixels = G_BITMAP_pPixels(bitmap);
  const S64 pitch = bitmap->__u32PixelWidthOfBuffer;
  for (S32 i = 0; i < glyph.rows; i++) {
    // Bitmap row i (from the top) lies at y = baseline + top - 1 - i.
    const S64 y = (S64)baseline + glyph.top - 1 - i;
    if (y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop) {
      continue;
    }
    const U8* src = glyph.bitmap + (ptrdiff_t)i * glyph.pitch;
    const S64 line = ((S64)bitmap->pixels_high_full_screen - y - 1) * pitch;
    for (S32 c = 0; c < glyph.width; c++) {
      const U32 a = src[c];
      if (a < kCoverageBlend) {
        continue;
      }
      const S64 x = (S64)penX + c;
      if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight) {
        continue;
      }
      COLOR& pixel = pixels[line + x];
      pixel = a > kCoverageWrite ? colour : blend(colour, pixel, a);
    }
  }
}

// Lays the text out with the pen starting at x; calls place(glyph, pen x)
// for every glyph with pixels. Returns the advance.
template <typename Place>
U32 lay_out(const char* text, U32 height, S32 x, bool keep, Place place) {
  U32 advance = 0;
  if (text == nullptr) {
    return 0;
  }
  // Held while the glyphs are placed: they may be kept nodes or FreeType's
  // own rendering.
  std::lock_guard<std::mutex> lock(s_mutex);
  set_size(height);
  for (const U8* p = reinterpret_cast<const U8*>(text); *p != 0; p++) {
    if (*p == ' ') {
      advance += height / 2;
      continue;
    }
    GLYPH glyph;
    if (!fetch_glyph(*p, height, keep, &glyph)) {
      continue;
    }
    if (!place(glyph, x + (S32)advance)) {
      break;
    }
    advance += advance_of(glyph, height);
  }
  return advance;
}

bool is_digit(U8 c) { return c >= '0' && c <= '9'; }

}  // namespace

BOOLEAN G_TRUETYPE_bInit(void) {
  std::lock_guard<std::mutex> lock(s_mutex);
  if (s_bReady) {
    return TRUE;
  }
  s_listCacheBuffer = nullptr;
  s_fterror = FT_Init_FreeType(&s_FontLibrary);
  if (s_fterror == 0) {
    s_fterror = FT_New_Memory_Face(s_FontLibrary, ArialNarrow_Bold_XJcoding.pData,
                                   (FT_Long)ArialNarrow_Bold_XJcoding.u32Length, 0, &s_FontFace);
  }
  if (s_fterror == 0) {
    s_fterror = FTC_Manager_New(s_FontLibrary, 1, 0, 1024, face_requester, nullptr, &s_ftc_Manager);
  }
  if (s_fterror == 0) {
    s_fterror = FTC_SBitCache_New(s_ftc_Manager, &s_sbits_cache);
  }
  if (s_fterror == 0) {
    s_fterror = FTC_CMapCache_New(s_ftc_Manager, &s_cmap_cache);
  }
  if (s_fterror != 0) {
    log_me("G_TRUETYPE_bInit: FreeType error %d", (int)s_fterror);
    return FALSE;
  }
  s_font.filepathname = nullptr;
  s_font.face_index = 0;
  s_font.cmap_index = s_FontFace->charmap ? FT_Get_Charmap_Index(s_FontFace->charmap) : 0;
  s_font.num_indices = (int)s_FontFace->num_glyphs;
  s_current_font.face_id = (FTC_FaceID)&s_font;
  s_current_font.width = 15;
  s_current_font.height = 15;
  s_current_font.flags = FT_LOAD_RENDER;
  s_bReady = TRUE;
  return TRUE;
}

void G_TRUETYPE_vSelectFontSet(U32 fontSet) {
  std::lock_guard<std::mutex> lock(s_mutex);
  if (!s_bReady || s_FontFace->num_charmaps != 3) {
    return;
  }
  const int map = fontSet == 0 ? 0 : fontSet == 1 ? 1 : 2;
  if (FT_Set_Charmap(s_FontFace, s_FontFace->charmaps[map]) == 0) {
    s_font.cmap_index = map;
  }
}

void G_TRUETYPE_vRemoveList(void) {
  TT_GLYPH_NODE* node;
  {
    std::lock_guard<std::mutex> lock(s_mutex);
    node = s_listCacheBuffer;
    s_listCacheBuffer = nullptr;
  }
  while (node != nullptr) {
    TT_GLYPH_NODE* next = node->pNext;
    H_MEMORY_vFree(node);
    node = next;
  }
}

U32 G_TRUETYPE_u32ListLength(void) {
  std::lock_guard<std::mutex> lock(s_mutex);
  U32 n = 0;
  for (const TT_GLYPH_NODE* node = s_listCacheBuffer; node != nullptr; node = node->pNext) {
    n++;
  }
  return n;
}

int G_TRUETYPE_nLastError(void) {
  std::lock_guard<std::mutex> lock(s_mutex);
  return (int)s_fterror;
}

void G_TRUETYPE_vPut(BITMAP* bitmap, const char* text, const POINT* anchor, COLOR colour, U32 height, U32) {
  if (bitmap == nullptr || anchor == nullptr || bitmap->pBuffer == nullptr) {
    return;
  }
  lay_out(text, height, anchor->x, true, [&](const GLYPH& glyph, S32 x) {
    // A glyph reaching the top of the screen ends the text.
    if ((S64)anchor->y + glyph.top >= G_SCREEN_HEIGHT) {
      return false;
    }
    if (glyph.bitmap != nullptr) {
      draw_glyph(bitmap, glyph, x, anchor->y, colour);
    }
    return true;
  });
}

U32 G_TRUETYPE_u32GetWidth(const char* text, U32 height, U32) {
  return lay_out(text, height, 0, false, [](const GLYPH&, S32) { return true; });
}

void G_TRUETYPE_vPutNumWidthFixed(BITMAP* bitmap, const char* text, const POINT* anchor, COLOR colour, U32 height,
                                  U32 fontStyle) {
  if (text == nullptr || anchor == nullptr) {
    return;
  }
  const U32 digit = G_TRUETYPE_u32GetWidth("0", height, fontStyle);
  POINT pen = *anchor;
  for (const U8* p = reinterpret_cast<const U8*>(text); *p != 0; p++) {
    const char one[2] = {(char)*p, 0};
    G_TRUETYPE_vPut(bitmap, one, &pen, colour, height, fontStyle);
    pen.x += (PIXEL)(is_digit(*p) ? digit : G_TRUETYPE_u32GetWidth(one, height, fontStyle));
  }
}

U32 G_TRUETYPE_u32GetWidthNumWidthFixed(const char* text, U32 height, U32 fontStyle) {
  if (text == nullptr) {
    return 0;
  }
  const U32 digit = G_TRUETYPE_u32GetWidth("0", height, fontStyle);
  U32 width = 0;
  for (const U8* p = reinterpret_cast<const U8*>(text); *p != 0; p++) {
    const char one[2] = {(char)*p, 0};
    width += is_digit(*p) ? digit : G_TRUETYPE_u32GetWidth(one, height, fontStyle);
  }
  return width;
}

void G_TRUETYPE_vPutRotated(BITMAP* bitmap, const char* text, const POINT* anchor, const POINT* centre, F64 angle,
                            COLOR colour, U32 height, U32 fontStyle) {
  if (bitmap == nullptr || text == nullptr || anchor == nullptr || centre == nullptr) {
    return;
  }
  const U32 width = G_TRUETYPE_u32GetWidth(text, height, fontStyle) + 32;
  const U32 rows = height + 34;
  if ((U64)width * rows * 4 > kCanvasBytes) {
    return;  // the picture would not fit the canvas
  }
  auto* canvas = static_cast<IMAGE32_ELEMENT*>(H_MEMORY_pvMallocNoWait(kCanvasBytes));
  if (canvas == nullptr) {
    return;
  }
  memset(canvas, 0, (size_t)width * rows * sizeof(IMAGE32_ELEMENT));
  const IMAGE32_ELEMENT ink = {(U8)(G_COLOR_u32Red(colour) * 8), (U8)(G_COLOR_u32Green(colour) * 4),
                               (U8)(G_COLOR_u32Blue(colour) * 8), 0};
  constexpr S32 kBaseline = 32;  // canvas rows below the baseline
  lay_out(text, height, 0, true, [&](const GLYPH& glyph, S32 x) {
    for (S32 i = 0; i < glyph.rows && glyph.bitmap != nullptr; i++) {
      const S32 y = kBaseline + glyph.top - 1 - i;  // canvas row, 0 the bottom
      if (y < 0 || y >= (S32)rows) continue;
      const U8* src = glyph.bitmap + (ptrdiff_t)i * glyph.pitch;
      for (S32 c = 0; c < glyph.width; c++) {
        const S32 cx = x + c;
        if (src[c] == 0 || cx < 0 || cx >= (S32)width) continue;
        IMAGE32_ELEMENT& e = canvas[(size_t)y * width + cx];
        e = ink;
        e.alpha = src[c];
      }
    }
    return true;
  });
  const IMAGE32 picture = {canvas, nullptr, (S32)width, (S32)rows, 0};
  G_IMAGE32_vPutRotated(bitmap, &picture, *anchor, POINT{centre->x, centre->y + kBaseline}, angle);
  H_MEMORY_vFree(canvas);
}

void G_TRUETYPE_vPutOutlined(BITMAP* bitmap, const char* text, const POINT* anchor, COLOR textColour, U32 height,
                             U32 fontStyle, COLOR outlineColour) {
  if (bitmap == nullptr || text == nullptr || anchor == nullptr || bitmap->pBuffer == nullptr) {
    return;
  }
  constexpr S32 kRing = 2;  // outline width
  // Canvas: the text's advance plus the ring on both sides, rows from the
  // deepest descender to the highest top, plus the ring.
  S32 top = 0, bottom = 0;
  U32 width = 0;
  lay_out(text, height, 0, true, [&](const GLYPH& glyph, S32 x) {
    if (glyph.top > top) top = glyph.top;
    if (glyph.top - glyph.rows < bottom) bottom = glyph.top - glyph.rows;
    if ((U32)(x + glyph.width + 1) > width) width = (U32)(x + glyph.width + 1);
    return true;
  });
  const S32 w = (S32)width + 2 * kRing;
  const S32 h = top - bottom + 2 * kRing;
  if (width == 0 || (U64)w * h * 2 > kCanvasBytes) {
    return;
  }
  auto* cover = static_cast<U8*>(H_MEMORY_pvMallocNoWait((size_t)w * h * 2));
  if (cover == nullptr) {
    return;
  }
  U8* ring = cover + (size_t)w * h;
  memset(cover, 0, (size_t)w * h * 2);
  // Canvas row 0 is the top; the baseline lies at row kRing + top.
  lay_out(text, height, kRing, true, [&](const GLYPH& glyph, S32 x) {
    for (S32 i = 0; i < glyph.rows && glyph.bitmap != nullptr; i++) {
      const S32 row = kRing + top - glyph.top + i;
      const U8* src = glyph.bitmap + (ptrdiff_t)i * glyph.pitch;
      for (S32 c = 0; c < glyph.width; c++) {
        U8& cell = cover[(size_t)row * w + x + c];
        if (src[c] > cell) cell = src[c];
      }
    }
    return true;
  });
  // Outline coverage of an uncovered pixel: the strongest covered pixel
  // within two pixels, full at distance 1, two thirds at distance 2.
  for (S32 r = 0; r < h; r++) {
    for (S32 c = 0; c < w; c++) {
      if (cover[(size_t)r * w + c] != 0) continue;
      U32 best = 0;
      for (S32 dr = -kRing; dr <= kRing; dr++) {
        for (S32 dc = -kRing; dc <= kRing; dc++) {
          const S32 rr = r + dr, cc = c + dc;
          if (rr < 0 || rr >= h || cc < 0 || cc >= w) continue;
          const U32 a = cover[(size_t)rr * w + cc];
          const U32 d2 = (U32)(dr * dr + dc * dc);
          const U32 weighted = d2 <= 2 ? a : d2 <= 5 ? a * 2 / 3 : a / 3;
          if (weighted > best) best = weighted;
        }
      }
      ring[(size_t)r * w + c] = (U8)best;
    }
  }
  COLOR* const pixels = G_BITMAP_pPixels(bitmap);
  const S64 pitch = bitmap->__u32PixelWidthOfBuffer;
  for (S32 r = 0; r < h; r++) {
    const S64 y = (S64)anchor->y + top + kRing - 1 - r;
    if (y < bitmap->s32ClipBottom || y > bitmap->s32ClipTop) continue;
    for (S32 c = 0; c < w; c++) {
      const S64 x = (S64)anchor->x - kRing + c;
      if (x < bitmap->s32ClipLeft || x > bitmap->s32ClipRight) continue;
      COLOR& pixel = pixels[((S64)bitmap->pixels_high_full_screen - y - 1) * pitch + x];
      const U32 a = cover[(size_t)r * w + c];
      const U32 o = ring[(size_t)r * w + c];
      if (a > 240) {
        pixel = textColour;
      } else if (a != 0) {
        pixel = blend(textColour, outlineColour, a);
      } else if (o != 0) {
        pixel = blend(outlineColour, pixel, o);
      }
    }
  }
  H_MEMORY_vFree(cover);
  (void)fontStyle;
}
