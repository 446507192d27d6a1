// Makes the compiled-in icons from their text drawings (icons.txt) in the
// stored layouts the drawing code reads, and writes data/icons.cpp and
// data/icons.h.
//
//   icongen <icons.txt> <output folder> [preview.ppm]
//
// The run-length layouts are encoded with the product's own encoder and
// checked with its verifier. The optional preview shows every drawing on a
// checker board. The output is committed; run this only to change icons.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "source/graphics/u_rle.h"

namespace {

const char kLetters[] = "KdglWROYyGLBbcsp";  // palette entries 0-15
const unsigned kPalette[16] = {0x0000, 0x424A, 0x8C94, 0xB5B4, 0xFFFF, 0xF800, 0xFC80, 0xFEC0,
                               0xFFEA, 0x0360, 0x07E0, 0x000A, 0x2254, 0x037F, 0x6C9F, 0x8EDF};
constexpr int kTransparent = -1;

struct Icon {
  std::string name;
  std::string layout;
  int width = 0;
  int height = 0;
  std::vector<int> pixels;  // row by row from the top; kTransparent or 0-15
  int line = 0;
};

[[noreturn]] void die(const std::string& text) {
  fprintf(stderr, "icongen: %s\n", text.c_str());
  exit(1);
}

std::vector<Icon> parse(const char* path) {
  std::ifstream in(path);
  if (!in) die(std::string("cannot open ") + path);
  std::vector<Icon> icons;
  std::string text;
  int number = 0;
  Icon* open = nullptr;
  while (std::getline(in, text)) {
    number++;
    if (open == nullptr) {
      if (text.empty() || text[0] == '#') continue;
      std::istringstream words(text);
      std::string keyword;
      Icon icon;
      words >> keyword >> icon.name >> icon.layout;
      if (keyword != "icon" || icon.layout.empty()) die("line " + std::to_string(number) + ": expected icon <name> <layout>");
      icon.line = number;
      icons.push_back(icon);
      open = &icons.back();
      continue;
    }
    if (text == "end") {
      if (open->height == 0) die(open->name + ": no rows");
      open = nullptr;
      continue;
    }
    if (open->width == 0) open->width = (int)text.size();
    if ((int)text.size() != open->width) die(open->name + ": rows of different lengths at line " + std::to_string(number));
    for (char ch : text) {
      if (ch == '.') {
        open->pixels.push_back(kTransparent);
        continue;
      }
      const char* at = strchr(kLetters, ch);
      if (at == nullptr || ch == 0) die(open->name + ": unknown pixel '" + ch + "' at line " + std::to_string(number));
      open->pixels.push_back((int)(at - kLetters));
    }
    open->height++;
  }
  if (open != nullptr) die(open->name + ": missing end");
  return icons;
}

bool has_transparency(const Icon& icon) {
  for (int v : icon.pixels) {
    if (v == kTransparent) return true;
  }
  return false;
}

// A palette value the icon does not use, to stand for transparent pixels.
int free_value(const Icon& icon) {
  bool used[16] = {};
  for (int v : icon.pixels) {
    if (v != kTransparent) used[v] = true;
  }
  for (int v = 15; v >= 0; v--) {
    if (!used[v]) return v;
  }
  die(icon.name + ": uses all 16 colours, no value is left for transparency");
}

// Packed nibbles of the pixels (transparent ones as `filler`) or of the mask.
std::vector<unsigned char> pack(const Icon& icon, bool mask, int filler) {
  std::vector<unsigned char> bytes((icon.pixels.size() + 1) / 2, 0);
  for (size_t i = 0; i < icon.pixels.size(); i++) {
    int v = icon.pixels[i];
    if (mask) {
      v = v == kTransparent ? 15 : 0;
    } else if (v == kTransparent) {
      v = filler;
    }
    bytes[i / 2] |= (unsigned char)((i & 1) ? v : v << 4);
  }
  return bytes;
}

std::vector<unsigned char> compress(const Icon& icon, const std::vector<unsigned char>& packed) {
  std::vector<unsigned char> out(packed.size() + 1, 0);
  const int n = U_RLE_NIBBLE_nCompress(packed.data(), out.data(), (int)packed.size());
  if (n < 0) die(icon.name + ": does not compress; choose a layout without run-length code");
  out.resize((size_t)n);
  if (!U_RLE_NIBBLE_bVerify(packed.data(), out.data(), (int)packed.size(), out.size())) {
    die(icon.name + ": the run-length code does not verify");
  }
  return out;
}

void write_bytes(FILE* f, const std::string& name, const std::vector<unsigned char>& bytes) {
  fprintf(f, "static const U8 %s[%zu] = {", name.c_str(), bytes.size());
  for (size_t i = 0; i < bytes.size(); i++) {
    fprintf(f, "%s0x%02X,", i % 16 == 0 ? "\n   " : " ", bytes[i]);
  }
  fprintf(f, "\n};\n");
}

// Padded 4-bit bitmap: rows of a multiple of 8 pixels in 32-bit words, the
// first pixel of a word in bits 31-28.
void write_padded(FILE* f, const Icon& icon, const std::string& name, bool mask) {
  const int pitch = (icon.width + 7) / 8 * 8;
  std::vector<unsigned> words((size_t)pitch / 8 * icon.height, 0);
  for (int r = 0; r < icon.height; r++) {
    for (int x = 0; x < icon.width; x++) {
      int v = icon.pixels[(size_t)r * icon.width + x];
      if (mask) {
        v = v == kTransparent ? 15 : 0;
      } else if (v == kTransparent) {
        v = 0;
      }
      const size_t n = (size_t)r * pitch + x;
      words[n / 8] |= (unsigned)v << (28 - 4 * (n % 8));
    }
    // Padding columns of the mask stay transparent.
    for (int x = icon.width; x < pitch && mask; x++) {
      const size_t n = (size_t)r * pitch + x;
      words[n / 8] |= 15u << (28 - 4 * (n % 8));
    }
  }
  fprintf(f, "static U32 %s_words[%zu] = {", name.c_str(), words.size());
  for (size_t i = 0; i < words.size(); i++) fprintf(f, "%s0x%08X,", i % 8 == 0 ? "\n   " : " ", words[i]);
  fprintf(f, "\n};\n");
  fprintf(f, "static BITMAP %s = {%s_words, %d, %d, 0, %d, %d, 0, %d, %d, 0, %d, %d, 0, %d, %d};\n", name.c_str(),
          name.c_str(), icon.width, icon.height, icon.height - 1, icon.width - 1, icon.width, icon.height,
          icon.height - 1, icon.width - 1, pitch, icon.height);
}

// Full-colour pictures keep white just off 0xFFFF, the run code of the
// 16-bit run-length picture.
unsigned colour16(int v) { return kPalette[v] == 0xFFFF ? 0xFFDF : kPalette[v]; }

void write_image16(FILE* f, const Icon& icon, const std::string& name) {
  if (has_transparency(icon)) die(icon.name + ": a 16-bit picture cannot be transparent");
  std::vector<unsigned> words;
  for (int r = icon.height - 1; r >= 0; r--) {  // bottom row first
    unsigned last = 0x0000;
    int x = 0;
    while (x < icon.width) {
      const unsigned c = colour16(icon.pixels[(size_t)r * icon.width + x]);
      int run = 1;
      while (x + run < icon.width && colour16(icon.pixels[(size_t)r * icon.width + x + run]) == c) run++;
      x += run;
      if (c != last) {
        words.push_back(c);
        last = c;
        run--;
      }
      if (run >= 2) {
        words.push_back(0xFFFF);
        words.push_back((unsigned)run);
      } else if (run == 1) {
        words.push_back(c);
      }
    }
  }
  fprintf(f, "static const U16 %s[%zu] = {", name.c_str(), words.size());
  for (size_t i = 0; i < words.size(); i++) fprintf(f, "%s0x%04X,", i % 12 == 0 ? "\n   " : " ", words[i]);
  fprintf(f, "\n};\n");
}

void write_image32(FILE* f, const Icon& icon, const std::string& name) {
  struct Element {
    unsigned r, g, b, a;
    bool operator==(const Element& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
  };
  auto element = [&](int v) {
    if (v == kTransparent) return Element{0, 0, 0, 0};
    const unsigned c = kPalette[v];
    const unsigned r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
    return Element{r5 << 3 | r5 >> 2, g6 << 2 | g6 >> 4, b5 << 3 | b5 >> 2, 255};
  };
  // Stored without run codes: the turned drawing reads the picture as a
  // plain array, and a plain array is also a valid run-length picture (no
  // element has red 90 with alpha 0).
  std::vector<Element> out;
  for (int r = icon.height - 1; r >= 0; r--) {  // bottom row first
    for (int x = 0; x < icon.width; x++) out.push_back(element(icon.pixels[(size_t)r * icon.width + x]));
  }
  fprintf(f, "static const U8 %s[%zu] = {", name.c_str(), out.size() * 4);
  for (size_t i = 0; i < out.size(); i++) {
    fprintf(f, "%s%u, %u, %u, %u,", i % 4 == 0 ? "\n   " : "  ", out[i].r, out[i].g, out[i].b, out[i].a);
  }
  fprintf(f, "\n};\n");
}

void write_icon(FILE* f, const Icon& icon) {
  const std::string base = "k" + icon.name;
  std::string bitmap = "nullptr", mask = "nullptr", kind;
  fprintf(f, "// %s: %d x %d, %s\n", icon.name.c_str(), icon.width, icon.height, icon.layout.c_str());
  const bool transparent = has_transparency(icon);
  if (icon.layout == "padded") {
    kind = "ICON_PADDED_BITMAPS";
    write_padded(f, icon, base + "_bitmap", false);
    bitmap = "&" + base + "_bitmap";
    if (transparent) {
      write_padded(f, icon, base + "_mask", true);
      mask = "&" + base + "_mask";
    }
  } else if (icon.layout == "unpadded" || icon.layout == "rle") {
    const bool rle = icon.layout == "rle";
    kind = rle ? "ICON_RLE_BUFFERS" : "ICON_UNPADDED_BUFFERS";
    const auto pixels = pack(icon, false, 0);
    write_bytes(f, base + "_bits", rle ? compress(icon, pixels) : pixels);
    bitmap = base + "_bits";
    if (transparent) {
      const auto m = pack(icon, true, 0);
      write_bytes(f, base + "_mask", rle ? compress(icon, m) : m);
      mask = base + "_mask";
    }
  } else if (icon.layout == "transparent" || icon.layout == "rle_transparent") {
    const bool rle = icon.layout == "rle_transparent";
    kind = rle ? "ICON_RLE_TRANSPARENT_COLOR" : "ICON_TRANSPARENT_COLOR";
    const int key = free_value(icon);
    const auto pixels = pack(icon, false, key);
    write_bytes(f, base + "_bits", rle ? compress(icon, pixels) : pixels);
    fprintf(f, "static const U8 %s_key = %d;\n", base.c_str(), key);
    bitmap = base + "_bits";
    mask = "&" + base + "_key";
  } else if (icon.layout == "image16") {
    if (icon.width < 60 || icon.height < 60) die(icon.name + ": a 16-bit picture must be at least 60 x 60");
    kind = "ICON_PNG_IMAGE32";
    write_image16(f, icon, base + "_picture");
    bitmap = base + "_picture";
  } else if (icon.layout == "image32") {
    if (icon.width >= 60 && icon.height >= 60) die(icon.name + ": a 32-bit picture must be smaller than 60 x 60");
    kind = "ICON_PNG_IMAGE32";
    write_image32(f, icon, base + "_picture");
    bitmap = base + "_picture";
  } else {
    die(icon.name + ": unknown layout " + icon.layout);
  }
  fprintf(f, "extern const ICON %s = {%s, %s, %d, %d, %s};\n\n", icon.name.c_str(),
          bitmap.c_str(), mask.c_str(), icon.width, icon.height, kind.c_str());
}

void write_preview(const char* path, const std::vector<Icon>& icons) {
  const int width = 640;
  int x = 4, y = 4, rowHeight = 0;
  std::vector<std::pair<int, int>> at;
  for (const Icon& icon : icons) {
    if (x + icon.width + 4 > width) x = 4, y += rowHeight + 6, rowHeight = 0;
    at.push_back({x, y});
    x += icon.width + 6;
    rowHeight = std::max(rowHeight, icon.height);
  }
  const int height = y + rowHeight + 4;
  std::vector<unsigned> rgb((size_t)width * height);
  for (int r = 0; r < height; r++)
    for (int c = 0; c < width; c++) rgb[(size_t)r * width + c] = ((r / 4 + c / 4) & 1) ? 0x8C94 : 0xB5B4;
  for (size_t i = 0; i < icons.size(); i++) {
    for (int r = 0; r < icons[i].height; r++)
      for (int c = 0; c < icons[i].width; c++) {
        const int v = icons[i].pixels[(size_t)r * icons[i].width + c];
        if (v != kTransparent) rgb[(size_t)(at[i].second + r) * width + at[i].first + c] = kPalette[v];
      }
  }
  FILE* f = fopen(path, "wb");
  if (!f) die(std::string("cannot write ") + path);
  fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (unsigned c : rgb) {
    const unsigned r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
    fputc((int)(r5 << 3 | r5 >> 2), f);
    fputc((int)(g6 << 2 | g6 >> 4), f);
    fputc((int)(b5 << 3 | b5 >> 2), f);
  }
  fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: icongen <icons.txt> <output folder> [preview.ppm]\n");
    return 2;
  }
  const std::vector<Icon> icons = parse(argv[1]);
  const std::string out = argv[2];
  FILE* f = fopen((out + "/icons.cpp").c_str(), "w");
  if (!f) die("cannot write " + out + "/icons.cpp");
  fprintf(f, "// The compiled-in icons, made by tools/icongen from tools/icongen/icons.txt;\n// do not edit.\n");
  fprintf(f, "#include \"data/icons.h\"\n\n");
  for (const Icon& icon : icons) write_icon(f, icon);
  fclose(f);

  FILE* h = fopen((out + "/icons.h").c_str(), "w");
  if (!h) die("cannot write " + out + "/icons.h");
  fprintf(h,
          "// The compiled-in icons (made by tools/icongen from tools/icongen/icons.txt;\n"
          "// do not edit).\n#pragma once\n\n#include \"common/g_types.h\"\n\n");
  for (const Icon& icon : icons) fprintf(h, "extern const ICON %s;  // %d x %d\n", icon.name.c_str(), icon.width, icon.height);
  fprintf(h, "\n// Every icon above, in the order of the drawings (tests and icon sheets).\n");
  fprintf(h, "extern const ICON* const g_apAllIcons[];\nextern const char* const g_apcAllIconNames[];\n");
  fprintf(h, "constexpr int G_ALL_ICONS = %zu;\n", icons.size());
  fclose(h);

  // The list of all icons, appended to icons.cpp.
  f = fopen((out + "/icons.cpp").c_str(), "a");
  fprintf(f, "\nconst ICON* const g_apAllIcons[] = {\n");
  for (const Icon& icon : icons) fprintf(f, "    &%s,\n", icon.name.c_str());
  fprintf(f, "};\n\nconst char* const g_apcAllIconNames[] = {\n");
  for (const Icon& icon : icons) fprintf(f, "    \"%s\",\n", icon.name.c_str());
  fprintf(f, "};\n");
  fclose(f);

  if (argc > 3) write_preview(argv[3], icons);
  printf("%zu icons\n", icons.size());
  return 0;
}
