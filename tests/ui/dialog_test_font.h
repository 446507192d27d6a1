// A small font for the dialog and painter tests whose widths are easy to
// count: every character 6 pixels wide, the space 4 and 'M' 10. Glyph cells
// are 10 rows (ascender 2, descender 2) of solid ink except the space, so a
// drawn character fills its whole cell and text positions can be read off
// the picture.
#pragma once

#include <array>

#include "source/graphics/g_fonts.h"

struct TestFont {
  static constexpr U32 kHeight = 10;
  static constexpr U32 kDescender = 2;
  static constexpr U32 kCharWidth = 6;
  static constexpr U32 kSpaceWidth = 4;
  static constexpr U32 kWideWidth = 10;  // 'M'

  std::array<U8, 2 * kHeight> solidWide{};
  std::array<U8, kHeight> solid{};
  std::array<U8, kHeight> blank{};
  CHAR_DESC narrow{}, space{}, wide{};
  std::array<const CHAR_DESC*, 256> table{};
  FONT_DEF font{};

  TestFont() {
    solid.fill(0xFC);  // six pixels of ink
    for (U32 r = 0; r < kHeight; ++r) {
      solidWide[2 * r] = 0xFF;
      solidWide[2 * r + 1] = 0xC0;  // ten pixels of ink
    }
    narrow = CHAR_DESC{solid.data(), kCharWidth};
    space = CHAR_DESC{blank.data(), kSpaceWidth};
    wide = CHAR_DESC{solidWide.data(), kWideWidth};
    for (int c = 1; c < 256; ++c) table[c] = &narrow;
    table[' '] = &space;
    table['M'] = &wide;
    font = FONT_DEF{table.data(), kHeight, 2, kDescender, kWideWidth, 0};
  }
  TestFont(const TestFont&) = delete;
  TestFont& operator=(const TestFont&) = delete;

  const FONT_DEF* get() const { return &font; }
};
