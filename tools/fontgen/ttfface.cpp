// Makes the compiled-in TrueType face: a narrow bold outline font whose
// character maps are replaced by the three the TrueType text expects, in this
// order:
//   0: Macintosh (platform 1, encoding 0), format 6: the bytes of the code
//      page of font set 1 to glyphs;
//   1: Macintosh (platform 1, encoding 0), format 6: the bytes of the code
//      page of font set 2 to glyphs (where a byte stands for a Latin and a
//      Cyrillic letter, the Cyrillic one);
//   2: Windows Unicode BMP (platform 3, encoding 1), format 4: the face's own
//      Unicode map.
// Every other table is kept as it is, except a digital signature, which the
// change would break and which is dropped. Writes data/truetype_face.cpp.
//
//   ttfface <font.ttf> <output folder>
//
// The output is committed; run this only to change the face.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "source/core/u_unicode_table.h"

namespace {

typedef std::vector<unsigned char> Bytes;

[[noreturn]] void die(const std::string& text) {
  fprintf(stderr, "ttfface: %s\n", text.c_str());
  exit(1);
}

unsigned be16(const Bytes& b, size_t at) { return (unsigned)b.at(at) << 8 | b.at(at + 1); }
unsigned long be32(const Bytes& b, size_t at) { return (unsigned long)be16(b, at) << 16 | be16(b, at + 2); }
void put16(Bytes& b, unsigned v) {
  b.push_back((unsigned char)(v >> 8));
  b.push_back((unsigned char)v);
}
void put32(Bytes& b, unsigned long v) {
  put16(b, (unsigned)(v >> 16) & 0xFFFF);
  put16(b, (unsigned)v & 0xFFFF);
}
void set32(Bytes& b, size_t at, unsigned long v) {
  b[at] = (unsigned char)(v >> 24);
  b[at + 1] = (unsigned char)(v >> 16);
  b[at + 2] = (unsigned char)(v >> 8);
  b[at + 3] = (unsigned char)v;
}

unsigned long checksum(const Bytes& b, size_t at, size_t length) {
  unsigned long sum = 0;
  for (size_t i = 0; i < length; i += 4) {
    unsigned long word = 0;
    for (size_t k = 0; k < 4; k++) {
      word = word << 8 | (i + k < length ? b[at + i + k] : 0);
    }
    sum = (sum + word) & 0xFFFFFFFFul;
  }
  return sum;
}

struct Table {
  std::string tag;
  Bytes data;
};

// Code point of each byte in one variant of the code page.
std::map<int, unsigned> variant_map(int column, bool preferCyrillic) {
  std::map<int, unsigned> map;
  for (int row = 0; row < UNICODE_TABLE_ROWS; row++) {
    const int byte = Unicode_Table_Hex[row][column];
    const unsigned cp = U_UNICODE_u16TableCodePoint(row);
    if (byte == 0) continue;
    auto it = map.find(byte);
    if (it == map.end()) {
      map[byte] = cp;
    } else if (preferCyrillic && cp >= 0x400 && cp < 0x500) {
      it->second = cp;
    }
  }
  return map;
}

Bytes format6(FT_Face face, const std::map<int, unsigned>& map, unsigned language) {
  Bytes t;
  put16(t, 6);
  put16(t, 10 + 2 * 256);
  put16(t, language);
  put16(t, 0);    // first code
  put16(t, 256);  // entries
  for (int byte = 0; byte < 256; byte++) {
    unsigned glyph = 0;
    auto it = map.find(byte);
    if (it != map.end()) {
      glyph = FT_Get_Char_Index(face, it->second);
      if (glyph == 0) fprintf(stderr, "ttfface: the face lacks U+%04X (byte 0x%02X)\n", it->second, byte);
    }
    put16(t, glyph);
  }
  return t;
}

// The face's own Windows Unicode BMP subtable, copied from its cmap.
Bytes unicode_subtable(const Bytes& cmap) {
  const unsigned count = be16(cmap, 2);
  for (unsigned i = 0; i < count; i++) {
    const size_t rec = 4 + 8 * i;
    if (be16(cmap, rec) == 3 && be16(cmap, rec + 2) == 1) {
      const size_t at = be32(cmap, rec + 4);
      if (be16(cmap, at) != 4) die("the Unicode map is not of format 4");
      const size_t length = be16(cmap, at + 2);
      return Bytes(cmap.begin() + (long)at, cmap.begin() + (long)(at + length));
    }
  }
  die("the face has no Windows Unicode map");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: ttfface <font.ttf> <output folder>\n");
    return 2;
  }
  FILE* in = fopen(argv[1], "rb");
  if (!in) die(std::string("cannot open ") + argv[1]);
  Bytes font;
  for (int c; (c = fgetc(in)) != EOF;) font.push_back((unsigned char)c);
  fclose(in);

  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0) die("FT_Init_FreeType failed");
  if (FT_New_Memory_Face(library, font.data(), (FT_Long)font.size(), 0, &face) != 0) die("not a face");

  // Tables of the original.
  std::vector<Table> tables;
  const unsigned numTables = be16(font, 4);
  for (unsigned i = 0; i < numTables; i++) {
    const size_t rec = 12 + 16 * i;
    Table t;
    t.tag.assign(reinterpret_cast<const char*>(&font[rec]), 4);
    const size_t at = be32(font, rec + 8);
    const size_t length = be32(font, rec + 12);
    t.data.assign(font.begin() + (long)at, font.begin() + (long)(at + length));
    if (t.tag == "DSIG") continue;
    tables.push_back(std::move(t));
  }

  // The new character maps.
  Bytes cmap;
  const Bytes set1 = format6(face, variant_map(UNICODE_TABLE_COLUMN_SET_1, false), 0);
  // Macintosh language numbers are stored plus one; 32 is Russian.
  const Bytes set2 = format6(face, variant_map(UNICODE_TABLE_COLUMN_SET_2, true), 33);
  Bytes unicode;
  for (Table& t : tables) {
    if (t.tag == "cmap") unicode = unicode_subtable(t.data);
  }
  if (unicode.empty()) die("the face has no cmap");
  put16(cmap, 0);
  put16(cmap, 3);
  const unsigned long first = 4 + 3 * 8;
  put16(cmap, 1), put16(cmap, 0), put32(cmap, first);
  put16(cmap, 1), put16(cmap, 0), put32(cmap, first + set1.size());
  put16(cmap, 3), put16(cmap, 1), put32(cmap, first + set1.size() + set2.size());
  cmap.insert(cmap.end(), set1.begin(), set1.end());
  cmap.insert(cmap.end(), set2.begin(), set2.end());
  cmap.insert(cmap.end(), unicode.begin(), unicode.end());
  for (Table& t : tables) {
    if (t.tag == "cmap") t.data = cmap;
  }

  // Write the face again: directory sorted by tag, tables 4-byte aligned.
  std::map<std::string, Bytes*> sorted;
  for (Table& t : tables) sorted[t.tag] = &t.data;
  const unsigned n = (unsigned)sorted.size();
  unsigned power = 1, log2 = 0;
  while (power * 2 <= n) power *= 2, log2++;
  Bytes out;
  put32(out, be32(font, 0));  // sfnt version
  put16(out, n);
  put16(out, power * 16);
  put16(out, log2);
  put16(out, n * 16 - power * 16);
  size_t offset = 12 + 16 * n;
  size_t headAt = 0;
  std::vector<std::pair<size_t, const Bytes*>> bodies;
  for (const auto& [tag, data] : sorted) {
    out.insert(out.end(), tag.begin(), tag.end());
    Bytes copy = *data;
    if (tag == "head") set32(copy, 8, 0);  // checkSumAdjustment while summing
    put32(out, checksum(copy, 0, copy.size()));
    put32(out, offset);
    put32(out, data->size());
    if (tag == "head") headAt = offset;
    bodies.push_back({offset, data});
    offset += (data->size() + 3) & ~(size_t)3;
  }
  for (const auto& [at, data] : bodies) {
    out.resize(at, 0);
    out.insert(out.end(), data->begin(), data->end());
  }
  out.resize((out.size() + 3) & ~(size_t)3, 0);
  set32(out, headAt + 8, 0);
  set32(out, headAt + 8, (0xB1B0AFBAul - checksum(out, 0, out.size())) & 0xFFFFFFFFul);

  // Check the result the way the program opens it.
  FT_Face check;
  if (FT_New_Memory_Face(library, out.data(), (FT_Long)out.size(), 0, &check) != 0) die("the new face does not open");
  if (check->num_charmaps != 3) die("the new face does not have three character maps");
  for (int i = 0; i < 3; i++) {
    printf("map %d: platform %d encoding %d\n", i, check->charmaps[i]->platform_id, check->charmaps[i]->encoding_id);
  }
  FT_Done_Face(check);
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  const std::string base = strrchr(argv[1], '/') ? strrchr(argv[1], '/') + 1 : argv[1];
  const std::string path = std::string(argv[2]) + "/truetype_face.cpp";
  FILE* f = fopen(path.c_str(), "w");
  if (!f) die("cannot write " + path);
  fprintf(f, "// The TrueType face of the anti-aliased text: %s with the three character\n", base.c_str());
  fprintf(f, "// maps of the unit's code page. Made by tools/fontgen/ttfface; do not edit.\n");
  fprintf(f, "#include \"data/truetype_face.h\"\n\n");
  fprintf(f, "const U8 fnt[%zu] = {\n", out.size());
  for (size_t i = 0; i < out.size(); i++) {
    if (i % 16 == 0) fprintf(f, "   ");
    fprintf(f, " 0x%02X,", out[i]);
    if (i % 16 == 15 || i + 1 == out.size()) fprintf(f, "\n");
  }
  fprintf(f, "};\n\n");
  fprintf(f, "const TRUETYPE_FONT_DEF ArialNarrow_Bold_XJcoding = {fnt, 0, 0, 0, %zu, 0};\n", out.size());
  fclose(f);
  printf("%s: %zu bytes\n", path.c_str(), out.size());
  return 0;
}
