// Text drawing speed.
//   Bitmap strings: G_STRING_vPut against the naive way of drawing the same
//   glyphs, one G_PIXEL_vPut per ink bit (characters per second).
//   TrueType: G_TRUETYPE_vPut with an empty glyph list (cold) and with the
//   glyphs kept (warm), against rendering every glyph with FreeType directly
//   and drawing it by the same coverage rules (raw).
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <vector>

#include "data/fonts.h"
#include "data/truetype_face.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_truetype.h"

namespace {

const char kText[] = "Depth 12.5 ft  Water Temp 18.5  Speed 5.2 kn";
constexpr COLOR kInk = 0xFFFF;

struct Screen {
  std::vector<U16> pixels = std::vector<U16>(800 * 600, 0x0010);
  BITMAP bitmap{};
  Screen() { G_BUFFERS_pCreateBitmap(800, 600, &bitmap, pixels.data()); }
};

void NaiveString(BITMAP* bitmap, POINT anchor, const FONT_DEF* font, const char* text) {
  for (const U8* p = reinterpret_cast<const U8*>(text); *p; ++p) {
    const CHAR_DESC* glyph = font->pCharTable[*p];
    const U32 bytes = (glyph->u32Width + 7) / 8;
    for (U32 r = 0; r < font->u32Height; ++r)
      for (U32 c = 0; c < glyph->u32Width; ++c)
        if (glyph->pBuffer[r * bytes + c / 8] & (0x80 >> (c % 8)))
          G_PIXEL_vPut(bitmap, anchor.x + (S32)c, anchor.y + (S32)(font->u32Height - 1 - font->u32Descender - r), kInk);
    anchor.x += (S32)glyph->u32Width;
  }
}

void BM_BitmapString(benchmark::State& state) {
  Screen screen;
  const FONT_DEF* font = state.range(0) ? &a15x25_font_def : &tessix_11x14_font_def;
  for (auto _ : state) {
    POINT anchor{5, 300};
    G_STRING_vPut(&screen.bitmap, kInk, &anchor, font, kText);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (int64_t)strlen(kText));
}
BENCHMARK(BM_BitmapString)->Arg(0)->Arg(1);

void BM_BitmapStringNaive(benchmark::State& state) {
  Screen screen;
  const FONT_DEF* font = state.range(0) ? &a15x25_font_def : &tessix_11x14_font_def;
  for (auto _ : state) {
    NaiveString(&screen.bitmap, POINT{5, 300}, font, kText);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (int64_t)strlen(kText));
}
BENCHMARK(BM_BitmapStringNaive)->Arg(0)->Arg(1);

void BM_TrueTypeCold(benchmark::State& state) {
  Screen screen;
  G_TRUETYPE_bInit();
  const U32 height = (U32)state.range(0);
  for (auto _ : state) {
    G_TRUETYPE_vRemoveList();
    POINT anchor{5, 300};
    G_TRUETYPE_vPut(&screen.bitmap, kText, &anchor, kInk, height, 0);
    benchmark::ClobberMemory();
  }
  G_TRUETYPE_vRemoveList();
  state.SetItemsProcessed(state.iterations() * (int64_t)strlen(kText));
}
BENCHMARK(BM_TrueTypeCold)->Arg(20)->Arg(44);

void BM_TrueTypeWarm(benchmark::State& state) {
  Screen screen;
  G_TRUETYPE_bInit();
  const U32 height = (U32)state.range(0);
  POINT anchor{5, 300};
  G_TRUETYPE_vPut(&screen.bitmap, kText, &anchor, kInk, height, 0);
  for (auto _ : state) {
    G_TRUETYPE_vPut(&screen.bitmap, kText, &anchor, kInk, height, 0);
    benchmark::ClobberMemory();
  }
  G_TRUETYPE_vRemoveList();
  state.SetItemsProcessed(state.iterations() * (int64_t)strlen(kText));
}
BENCHMARK(BM_TrueTypeWarm)->Arg(20)->Arg(44);

// Baseline: FreeType renders every glyph every time; drawn by the same rules.
void BM_FreeTypeRaw(benchmark::State& state) {
  Screen screen;
  FT_Library library;
  FT_Face face;
  FT_Init_FreeType(&library);
  FT_New_Memory_Face(library, fnt, (FT_Long)ArialNarrow_Bold_XJcoding.u32Length, 0, &face);
  FT_Set_Charmap(face, face->charmaps[0]);
  const U32 height = (U32)state.range(0);
  FT_Set_Pixel_Sizes(face, height * 60 / 44, height * 60 / 44);
  U16* pixels = screen.pixels.data();
  for (auto _ : state) {
    int x = 5;
    const int baseline = 300;
    for (const U8* p = reinterpret_cast<const U8*>(kText); *p; ++p) {
      if (*p == ' ') {
        x += (int)height / 2;
        continue;
      }
      if (FT_Load_Char(face, *p, FT_LOAD_RENDER) != 0) continue;
      const FT_Bitmap& bm = face->glyph->bitmap;
      for (int i = 0; i < (int)bm.rows; ++i) {
        const int y = baseline + face->glyph->bitmap_top - 1 - i;
        U16* row = pixels + (599 - y) * 800;
        for (int c = 0; c < (int)bm.width; ++c) {
          const U32 a = bm.buffer[i * bm.pitch + c];
          if (a < 48) continue;
          U16& px = row[x + c];
          if (a > 208) {
            px = kInk;
          } else {
            const U32 r = (a * 31 + (255 - a) * (px >> 11)) / 255;
            const U32 g = (a * 63 + (255 - a) * ((px >> 5) & 63)) / 255;
            const U32 b = (a * 31 + (255 - a) * (px & 31)) / 255;
            px = (U16)(r << 11 | g << 5 | b);
          }
        }
      }
      x += (int)(bm.width + height / 64 + 1);
    }
    benchmark::ClobberMemory();
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  state.SetItemsProcessed(state.iterations() * (int64_t)strlen(kText));
}
BENCHMARK(BM_FreeTypeRaw)->Arg(20)->Arg(44);

}  // namespace

BENCHMARK_MAIN();
