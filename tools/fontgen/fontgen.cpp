// Makes the compiled-in bitmap fonts: renders every glyph of every font from
// a free outline font with FreeType into a one-bit cell and writes one C++
// source per font and the header data/fonts.h.
//
//   fontgen <output folder> [font folder] [preview.pgm]
//
// The optional preview is a grey map of every glyph of every font.
// The output is committed, so that the fonts (and the pictures tests compare
// against) do not move with the FreeType version; run this only to change
// the fonts. The glyph bytes follow the unit's code page: the character of
// byte b is the code point the code-page table gives for b in the font's
// variant. A glyph's width is its pen advance; the glyph image includes the
// side bearings, so strings need no spacing.
//
// Every font's metrics stand in the table kFonts below: cell height,
// ascender and descender rows, the widest glyph allowed and the spacing the
// font reports. The core height (height - ascender - descender) is the height
// of a capital (text fonts) or of a digit (digit fonts); the font is scaled so
// that its reference glyph fills exactly the core. Digit fonts are also
// scaled across so that a digit is as wide as the first number of the name.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "source/core/u_unicode_table.h"

namespace {

enum Charset {
  kFull1,   // every byte of the font set 1 variant
  kFull2,   // every byte of the font set 2 variant
  kShort,   // digits, letters and common signs
  kDigits,  // digits, " ' - . / : and space, plus the font's letters
};

enum Face {
  kSansBold,     // LiberationSans-Bold.ttf
  kSansRegular,  // LiberationSans-Regular.ttf
  kDigitBold,    // DejaVuSans-Bold.ttf
};

const char* const kFaceFiles[] = {
    "liberation2/LiberationSans-Bold.ttf",
    "liberation2/LiberationSans-Regular.ttf",
    "dejavu/DejaVuSans-Bold.ttf",
};

struct FontSpec {
  const char* name;
  int nominalWidth;  // first number of the name: a digit's width (digit fonts)
  int height;        // cell rows
  int ascender;
  int descender;
  int maxWidth;      // 0: no limit
  int spacing;
  Charset charset;
  Face face;
  const char* extra;  // more characters (digit fonts: letters)
};

// Heights, ascenders, descenders, widest glyphs and spacings of every font.
// The text fonts and a few digit fonts have fixed metrics; for the other
// digit fonts ascender and descender are one twelfth of the core each.
const FontSpec kFonts[] = {
    {"tessix_9x13", 9, 21, 4, 4, 17, 2, kFull1, kSansBold, ""},
    {"tessix_9x13_Cro_Rus", 9, 21, 4, 4, 17, 2, kFull2, kSansBold, ""},
    {"tessix_11x14", 11, 22, 4, 4, 18, 2, kFull1, kSansBold, ""},
    {"tessix_11x14_Cro_Rus", 11, 22, 4, 4, 18, 2, kFull2, kSansBold, ""},
    {"tessix_16x17", 16, 27, 5, 5, 22, 2, kFull1, kSansBold, ""},
    {"tessix_16x17_Cro_Rus", 16, 27, 5, 5, 22, 2, kFull2, kSansBold, ""},
    {"tessix_6x11short", 6, 17, 3, 3, 11, 2, kShort, kSansBold, ""},
    {"a14x21", 14, 34, 7, 6, 19, 2, kShort, kSansBold, ""},
    {"a15x25", 15, 40, 7, 8, 29, 2, kFull1, kSansBold, ""},
    {"f15x21", 15, 33, 6, 6, 26, 2, kShort, kDigitBold, "\xDF"},
    {"atwentfourfourthreegreek", 24, 68, 12, 14, 50, 2, kFull1, kSansBold, ""},
    {"atwentfourfourthreeRUS", 24, 66, 12, 12, 50, 2, kFull2, kSansBold, ""},
    // Digit fonts.
    {"f7x10", 7, 10, 0, 0, 9, 1, kDigits, kDigitBold, "x"},
    {"f9x14", 9, 16, 1, 1, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f13x19", 13, 23, 2, 2, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f13x19a", 13, 23, 2, 2, 0, 2, kDigits, kSansBold, "ENSW"},
    {"f16x26", 16, 30, 2, 2, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f17x21", 17, 25, 2, 2, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f18x27", 18, 31, 2, 2, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f18x32", 18, 38, 3, 3, 0, 2, kDigits, kDigitBold, "abcdef"},
    {"f19x30", 19, 36, 3, 3, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f21x33", 21, 39, 3, 3, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f21x38", 21, 44, 3, 3, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f22x32", 22, 38, 3, 3, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f25x44", 25, 52, 4, 4, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f29x44", 29, 52, 4, 4, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f31x57", 31, 67, 5, 5, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f32x48", 32, 48, 0, 0, 36, 3, kDigits, kDigitBold, "ENSW"},
    {"f34x62", 34, 72, 5, 5, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f40x60", 40, 66, 3, 3, 49, 0, kDigits, kDigitBold, "ENSW"},
    {"f40x71", 40, 83, 6, 6, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f44x76", 44, 88, 6, 6, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f58x88", 58, 102, 7, 7, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"f65x133", 65, 155, 11, 11, 0, 2, kDigits, kDigitBold, "ENSW"},
    {"a24x37", 24, 43, 3, 3, 0, 2, kDigits, kSansBold, "ENSW"},
    {"a29x44", 29, 52, 4, 4, 0, 2, kDigits, kSansBold, "ENSW"},
    {"a34x53", 34, 61, 4, 4, 0, 2, kDigits, kSansBold, "ENSW"},
    {"a38x60", 38, 70, 5, 5, 0, 2, kDigits, kSansBold, "ENSW"},
    {"a42x66", 42, 76, 5, 5, 0, 2, kDigits, kSansBold, "ENSW"},
    {"a58x88", 58, 102, 7, 7, 0, 2, kDigits, kSansBold, "ENSW"},
    {"a87x133", 87, 155, 11, 11, 0, 2, kDigits, kSansBold, "ENSW"},
    {"myr33x44", 33, 52, 4, 4, 0, 2, kDigits, kSansRegular, "ENSW"},
    {"myriad_9x14", 9, 16, 1, 1, 0, 2, kDigits, kSansRegular, "ENSW"},
    {"myriad_15x21", 15, 25, 2, 2, 0, 2, kDigits, kSansRegular, "ENSW"},
    {"myriad_21x33", 21, 39, 3, 3, 0, 2, kDigits, kSansRegular, "ENSW"},
    {"myriad_22x32", 22, 38, 3, 3, 0, 2, kDigits, kSansRegular, "ENSW"},
    {"myriad_29x44", 29, 52, 4, 4, 0, 2, kDigits, kSansRegular, "ENSW"},
    {"myriad_42x66", 42, 72, 3, 3, 0, 4, kDigits, kSansRegular, "ENSW"},
    {"aonehunsixteenonehunsixnine", 116, 173, 2, 2, 0, 2, kDigits, kSansBold, "ENSW"},
    {"aonehuntwentfiveonehuneightone", 125, 182, 1, 0, 0, 2, kDigits, kSansBold, "ENSW"},
};

struct Glyph {
  int width = 0;
  std::vector<unsigned char> rows;  // height rows of (width + 7) / 8 bytes
};

FT_Library g_library;

[[noreturn]] void die(const std::string& text) {
  fprintf(stderr, "fontgen: %s\n", text.c_str());
  exit(1);
}

// Code point of each byte of the font's character set.
std::map<int, unsigned> character_set(const FontSpec& spec) {
  std::map<int, unsigned> chars;
  const int column = spec.charset == kFull2 ? UNICODE_TABLE_COLUMN_SET_2 : UNICODE_TABLE_COLUMN_SET_1;
  // Byte to code point in the variant: the lowest code point, except that in
  // the second variant a byte shared with a Cyrillic letter shows that
  // letter (the variant exists for Croatian, Russian and Bulgarian).
  std::map<int, unsigned> variant;
  for (int row = 0; row < UNICODE_TABLE_ROWS; row++) {
    const int byte = Unicode_Table_Hex[row][column];
    const unsigned cp = U_UNICODE_u16TableCodePoint(row);
    if (byte == 0) continue;
    auto it = variant.find(byte);
    if (it == variant.end()) {
      variant[byte] = cp;
    } else if (spec.charset == kFull2 && cp >= 0x400 && cp < 0x500) {
      it->second = cp;
    }
  }
  switch (spec.charset) {
    case kFull1:
    case kFull2:
      chars = variant;
      break;
    case kShort: {
      // Every byte that means its ASCII character, and a few signs.
      for (const auto& [byte, cp] : variant) {
        if (byte >= 0x20 && byte < 0x7F && cp == (unsigned)byte) chars[byte] = cp;
      }
      for (int byte : {0xBA, 0xAC, 0x0A, 0xA1, 0xBF, 0xD1, 0xF1}) chars[byte] = variant.at(byte);
      break;
    }
    case kDigits:
      for (const char* p = "0123456789\"'-./: "; *p; p++) chars[(unsigned char)*p] = (unsigned char)*p;
      break;
  }
  for (const char* p = spec.extra; *p; p++) {
    const int byte = (unsigned char)*p;
    if (!variant.count(byte)) die(std::string("no such byte in the code page: ") + spec.name);
    chars[byte] = variant.at(byte);
  }
  return chars;
}

void set_size(FT_Face face, double xPixels, double yPixels) {
  const FT_F26Dot6 w = (FT_F26Dot6)std::lround(xPixels * 64);
  const FT_F26Dot6 h = (FT_F26Dot6)std::lround(yPixels * 64);
  if (FT_Set_Char_Size(face, w, h, 72, 72) != 0) die("FT_Set_Char_Size failed");
}

// Loads and renders one glyph, hinted for one-bit output.
FT_GlyphSlot render(FT_Face face, unsigned cp) {
  const FT_UInt index = FT_Get_Char_Index(face, cp);
  if (index == 0) {
    char text[64];
    snprintf(text, sizeof text, "the face lacks U+%04X", cp);
    die(text);
  }
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) die("FT_Load_Glyph failed");
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) die("FT_Render_Glyph failed");
  return face->glyph;
}

// The ink rows of a glyph and how far its top stands above the baseline.
void ink_height(FT_Face face, unsigned cp, int* rows, int* top) {
  FT_GlyphSlot slot = render(face, cp);
  *rows = (int)slot->bitmap.rows;
  *top = slot->bitmap_top;
}

Glyph make_glyph(FT_Face face, const FontSpec& spec, unsigned cp) {
  FT_GlyphSlot slot = render(face, cp);
  const FT_Bitmap& bm = slot->bitmap;
  const int advance = (int)((slot->advance.x + 32) >> 6);
  const int shift = slot->bitmap_left < 0 ? -slot->bitmap_left : 0;
  const int left = slot->bitmap_left + shift;
  Glyph g;
  g.width = std::max(advance + shift, left + (int)bm.width);
  if (cp == ' ') g.width = std::max(advance, 1);
  const int pitchOut = (g.width + 7) / 8;
  g.rows.assign((size_t)pitchOut * spec.height, 0);
  // Bitmap row i lies in cell row height - descender - top + i.
  const int firstRow = spec.height - spec.descender - slot->bitmap_top;
  for (unsigned i = 0; i < bm.rows; i++) {
    const int r = firstRow + (int)i;
    if (r < 0 || r >= spec.height) continue;  // outside the cell
    const unsigned char* src = bm.buffer + (long)i * bm.pitch;
    for (unsigned j = 0; j < bm.width; j++) {
      if (!(src[j >> 3] & (0x80 >> (j & 7)))) continue;
      const int c = left + (int)j;
      g.rows[(size_t)r * pitchOut + (c >> 3)] |= (unsigned char)(0x80 >> (c & 7));
    }
  }
  return g;
}

struct Font {
  const FontSpec* spec;
  std::map<int, Glyph> glyphs;
  int maxWidth = 0;
  std::string faceFile;
};

Font make_font(const std::string& fontDir, const FontSpec& spec) {
  Font font;
  font.spec = &spec;
  font.faceFile = kFaceFiles[spec.face];
  FT_Face face;
  const std::string path = fontDir + "/" + font.faceFile;
  if (FT_New_Face(g_library, path.c_str(), 0, &face) != 0) die("cannot open " + path);

  const int core = spec.height - spec.ascender - spec.descender;
  const bool digits = spec.charset == kDigits || spec.name[0] == 'f';
  const unsigned reference = digits ? '7' : 'H';

  // Largest size at which the reference glyph fills the core exactly and
  // stands on the baseline.
  set_size(face, 100, 100);
  int rows, top;
  ink_height(face, reference, &rows, &top);
  const double estimate = 100.0 * core / rows;
  double best = 0;
  for (double size = estimate * 0.85; size <= estimate * 1.15; size += 1.0 / 16) {
    set_size(face, size, size);
    ink_height(face, reference, &rows, &top);
    if (rows == core && top == core) best = size;
  }
  if (best == 0) {
    // No size puts it exactly: take the nearest from below.
    for (double size = estimate * 0.85; size <= estimate * 1.15; size += 1.0 / 16) {
      set_size(face, size, size);
      ink_height(face, reference, &rows, &top);
      if (rows <= core) best = size;
    }
  }
  if (best == 0) die(std::string("no size fits ") + spec.name);

  // Digit fonts: a digit as wide as the name says.
  double xsize = best;
  if (digits) {
    auto digit_width = [&](double x) {
      set_size(face, x, best);
      return make_glyph(face, spec, '0').width;
    };
    xsize = best * spec.nominalWidth / digit_width(best);
    // The hinted advance moves in whole pixels: look for the nearest size
    // that gives the nominal width exactly.
    for (int step = 0; step < 2000 && digit_width(xsize) != spec.nominalWidth; step++) {
      const double delta = (step / 2 + 1) / 64.0;
      const double candidate = step % 2 ? xsize - delta : xsize + delta;
      if (digit_width(candidate) == spec.nominalWidth) {
        xsize = candidate;
        break;
      }
    }
    if (digit_width(xsize) != spec.nominalWidth) die(std::string("no width fits the digits of ") + spec.name);
  }

  for (const auto& [byte, cp] : character_set(spec)) {
    set_size(face, xsize, best);
    Glyph g = make_glyph(face, spec, cp);
    // Squeeze a glyph wider than the font allows.
    double squeeze = xsize;
    while (spec.maxWidth > 0 && g.width > spec.maxWidth) {
      squeeze *= 0.97;
      set_size(face, squeeze, best);
      g = make_glyph(face, spec, cp);
    }
    font.maxWidth = std::max(font.maxWidth, g.width);
    font.glyphs[byte] = std::move(g);
  }
  printf("%-32s size %6.2f x %6.2f  glyphs %3zu  widest %3d  digit %2d\n", spec.name, xsize, best,
         font.glyphs.size(), font.maxWidth, font.glyphs.count('0') ? font.glyphs['0'].width : -1);
  FT_Done_Face(face);
  return font;
}

void write_font(const std::string& outDir, const Font& font) {
  const FontSpec& spec = *font.spec;
  const std::string path = outDir + "/font_" + spec.name + ".cpp";
  FILE* f = fopen(path.c_str(), "w");
  if (!f) die("cannot write " + path);
  fprintf(f, "// Bitmap font %s: %d rows, ascender %d, descender %d, %zu glyphs.\n", spec.name, spec.height,
          spec.ascender, spec.descender, font.glyphs.size());
  fprintf(f, "// Made by tools/fontgen from %s; do not edit.\n", font.faceFile.c_str());
  fprintf(f, "#include \"data/fonts.h\"\n\nnamespace {\n\n");
  fprintf(f, "const U8 kBits[] = {\n");
  std::map<int, size_t> offsets;
  size_t offset = 0;
  for (const auto& [byte, g] : font.glyphs) {
    offsets[byte] = offset;
    fprintf(f, "    // 0x%02X, %d wide\n", byte, g.width);
    const int pitch = (g.width + 7) / 8;
    for (int r = 0; r < spec.height; r++) {
      fprintf(f, "    ");
      for (int b = 0; b < pitch; b++) fprintf(f, "0x%02X,", g.rows[(size_t)r * pitch + b]);
      fprintf(f, "\n");
    }
    offset += g.rows.size();
  }
  if (offset == 0) fprintf(f, "    0,\n");
  fprintf(f, "};\n\n");
  fprintf(f, "const CHAR_DESC kGlyphs[] = {\n");
  std::map<int, int> slot;
  int n = 0;
  for (const auto& [byte, g] : font.glyphs) {
    fprintf(f, "    {kBits + %zu, %d},  // 0x%02X\n", offsets[byte], g.width, byte);
    slot[byte] = n++;
  }
  fprintf(f, "};\n\n");
  fprintf(f, "const CHAR_DESC* const kTable[256] = {\n");
  for (int byte = 0; byte < 256; byte++) {
    if (byte % 4 == 0) fprintf(f, "   ");
    if (slot.count(byte)) {
      fprintf(f, " &kGlyphs[%d],", slot[byte]);
    } else {
      fprintf(f, " nullptr,");
    }
    if (byte % 4 == 3) fprintf(f, "  // 0x%02X\n", byte - 3);
  }
  fprintf(f, "};\n\n}  // namespace\n\n");
  fprintf(f, "extern const FONT_DEF %s_font_def = {kTable, %d, %d, %d, %d, %d};\n", spec.name, spec.height,
          spec.ascender, spec.descender, font.maxWidth, spec.spacing);
  fprintf(f, "const FONT_DEF* %s_font_def_ptr = &%s_font_def;\n", spec.name, spec.name);
  fclose(f);
}

void write_header(const std::string& outDir) {
  const std::string path = outDir + "/fonts.h";
  FILE* f = fopen(path.c_str(), "w");
  if (!f) die("cannot write " + path);
  fprintf(f,
          "// The compiled-in bitmap fonts (made by tools/fontgen; do not edit).\n"
          "// Each font is a FONT_DEF named after it with _font_def, and a pointer to it\n"
          "// with _font_def_ptr for the modules that choose fonts at run time.\n"
          "#pragma once\n\n#include \"source/g_fonts.h\"\n\n");
  for (const FontSpec& spec : kFonts) {
    fprintf(f, "extern const FONT_DEF %s_font_def;\n", spec.name);
  }
  fprintf(f, "\n");
  for (const FontSpec& spec : kFonts) {
    fprintf(f, "extern const FONT_DEF* %s_font_def_ptr;\n", spec.name);
  }
  fclose(f);
}

}  // namespace

// All glyphs of all fonts, one font a band, as a grey map.
void write_preview(const std::string& path, const std::vector<Font>& fonts) {
  const int width = 1600;
  std::vector<std::vector<unsigned char>> lines;
  for (const Font& font : fonts) {
    const int h = font.spec->height;
    int x = 0;
    size_t band = lines.size();
    lines.resize(band + h + 2, std::vector<unsigned char>(width, 255));
    for (const auto& [byte, g] : font.glyphs) {
      if (x + g.width + 1 > width) {
        x = 0;
        band = lines.size();
        lines.resize(band + h + 2, std::vector<unsigned char>(width, 255));
      }
      const int pitch = (g.width + 7) / 8;
      for (int r = 0; r < h; r++) {
        lines[band + r][x] = (r == h - 1 - font.spec->descender) ? 200 : 255;
        for (int c = 0; c < g.width; c++) {
          const bool ink = g.rows[(size_t)r * pitch + (c >> 3)] & (0x80 >> (c & 7));
          lines[band + r][x + 1 + c] = ink ? 0 : (((c + r) & 1) ? 255 : 235);
        }
      }
      x += g.width + 1;
    }
  }
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) die("cannot write " + path);
  fprintf(f, "P5\n%d %zu\n255\n", width, lines.size());
  for (const auto& line : lines) fwrite(line.data(), 1, line.size(), f);
  fclose(f);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: fontgen <output folder> [font folder] [preview.pgm]\n");
    return 2;
  }
  const std::string outDir = argv[1];
  const std::string fontDir = argc > 2 ? argv[2] : "/usr/share/fonts/truetype";
  if (FT_Init_FreeType(&g_library) != 0) die("FT_Init_FreeType failed");
  std::vector<Font> fonts;
  for (const FontSpec& spec : kFonts) {
    fonts.push_back(make_font(fontDir, spec));
    write_font(outDir, fonts.back());
  }
  write_header(outDir);
  if (argc > 3) write_preview(argv[3], fonts);
  FT_Done_FreeType(g_library);
  return 0;
}
