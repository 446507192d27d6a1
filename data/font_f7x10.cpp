// Bitmap font f7x10: 10 rows, ascender 0, descender 0, 18 glyphs.
// Made by tools/fontgen from dejavu/DejaVuSans-Bold.ttf; do not edit.
#include "data/fonts.h"

namespace {

const U8 kBits[] = {
    // 0x20, 3 wide
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    // 0x22, 5 wide
    0x50,
    0x50,
    0x50,
    0x50,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    // 0x27, 3 wide
    0x40,
    0x40,
    0x40,
    0x40,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    // 0x2D, 4 wide
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x70,
    0x70,
    0x00,
    0x00,
    0x00,
    // 0x2E, 4 wide
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x60,
    0x60,
    0x60,
    // 0x2F, 4 wide
    0x10,
    0x30,
    0x20,
    0x20,
    0x20,
    0x20,
    0x40,
    0x40,
    0x40,
    0x40,
    // 0x30, 7 wide
    0x3C,
    0x24,
    0x66,
    0x66,
    0x66,
    0x66,
    0x66,
    0x66,
    0x24,
    0x3C,
    // 0x31, 7 wide
    0x38,
    0x58,
    0x18,
    0x18,
    0x18,
    0x18,
    0x18,
    0x18,
    0x18,
    0x7E,
    // 0x32, 7 wide
    0x3C,
    0x46,
    0x06,
    0x06,
    0x0E,
    0x0C,
    0x18,
    0x38,
    0x70,
    0x7E,
    // 0x33, 7 wide
    0x3C,
    0x46,
    0x06,
    0x06,
    0x3C,
    0x0E,
    0x06,
    0x06,
    0x46,
    0x3C,
    // 0x34, 7 wide
    0x0C,
    0x1C,
    0x3C,
    0x2C,
    0x4C,
    0x4C,
    0x7E,
    0x0C,
    0x0C,
    0x0C,
    // 0x35, 7 wide
    0x7C,
    0x60,
    0x60,
    0x7C,
    0x4E,
    0x06,
    0x06,
    0x06,
    0x4E,
    0x3C,
    // 0x36, 7 wide
    0x1C,
    0x32,
    0x60,
    0x7C,
    0x66,
    0x66,
    0x66,
    0x66,
    0x26,
    0x3C,
    // 0x37, 7 wide
    0x7E,
    0x06,
    0x06,
    0x0C,
    0x0C,
    0x0C,
    0x18,
    0x18,
    0x30,
    0x30,
    // 0x38, 7 wide
    0x3C,
    0x66,
    0x66,
    0x66,
    0x18,
    0x66,
    0x66,
    0x66,
    0x66,
    0x3C,
    // 0x39, 7 wide
    0x38,
    0x64,
    0x66,
    0x66,
    0x66,
    0x66,
    0x3E,
    0x06,
    0x4C,
    0x38,
    // 0x3A, 4 wide
    0x00,
    0x00,
    0x60,
    0x60,
    0x60,
    0x00,
    0x00,
    0x60,
    0x60,
    0x60,
    // 0x78, 7 wide
    0x00,
    0x00,
    0x66,
    0x3C,
    0x3C,
    0x18,
    0x18,
    0x3C,
    0x3C,
    0x66,
};

const CHAR_DESC kGlyphs[] = {
    {kBits + 0, 3},  // 0x20
    {kBits + 10, 5},  // 0x22
    {kBits + 20, 3},  // 0x27
    {kBits + 30, 4},  // 0x2D
    {kBits + 40, 4},  // 0x2E
    {kBits + 50, 4},  // 0x2F
    {kBits + 60, 7},  // 0x30
    {kBits + 70, 7},  // 0x31
    {kBits + 80, 7},  // 0x32
    {kBits + 90, 7},  // 0x33
    {kBits + 100, 7},  // 0x34
    {kBits + 110, 7},  // 0x35
    {kBits + 120, 7},  // 0x36
    {kBits + 130, 7},  // 0x37
    {kBits + 140, 7},  // 0x38
    {kBits + 150, 7},  // 0x39
    {kBits + 160, 4},  // 0x3A
    {kBits + 170, 7},  // 0x78
};

const CHAR_DESC* const kTable[256] = {
    nullptr, nullptr, nullptr, nullptr,  // 0x00
    nullptr, nullptr, nullptr, nullptr,  // 0x04
    nullptr, nullptr, nullptr, nullptr,  // 0x08
    nullptr, nullptr, nullptr, nullptr,  // 0x0C
    nullptr, nullptr, nullptr, nullptr,  // 0x10
    nullptr, nullptr, nullptr, nullptr,  // 0x14
    nullptr, nullptr, nullptr, nullptr,  // 0x18
    nullptr, nullptr, nullptr, nullptr,  // 0x1C
    &kGlyphs[0], nullptr, &kGlyphs[1], nullptr,  // 0x20
    nullptr, nullptr, nullptr, &kGlyphs[2],  // 0x24
    nullptr, nullptr, nullptr, nullptr,  // 0x28
    nullptr, &kGlyphs[3], &kGlyphs[4], &kGlyphs[5],  // 0x2C
    &kGlyphs[6], &kGlyphs[7], &kGlyphs[8], &kGlyphs[9],  // 0x30
    &kGlyphs[10], &kGlyphs[11], &kGlyphs[12], &kGlyphs[13],  // 0x34
    &kGlyphs[14], &kGlyphs[15], &kGlyphs[16], nullptr,  // 0x38
    nullptr, nullptr, nullptr, nullptr,  // 0x3C
    nullptr, nullptr, nullptr, nullptr,  // 0x40
    nullptr, nullptr, nullptr, nullptr,  // 0x44
    nullptr, nullptr, nullptr, nullptr,  // 0x48
    nullptr, nullptr, nullptr, nullptr,  // 0x4C
    nullptr, nullptr, nullptr, nullptr,  // 0x50
    nullptr, nullptr, nullptr, nullptr,  // 0x54
    nullptr, nullptr, nullptr, nullptr,  // 0x58
    nullptr, nullptr, nullptr, nullptr,  // 0x5C
    nullptr, nullptr, nullptr, nullptr,  // 0x60
    nullptr, nullptr, nullptr, nullptr,  // 0x64
    nullptr, nullptr, nullptr, nullptr,  // 0x68
    nullptr, nullptr, nullptr, nullptr,  // 0x6C
    nullptr, nullptr, nullptr, nullptr,  // 0x70
    nullptr, nullptr, nullptr, nullptr,  // 0x74
    &kGlyphs[17], nullptr, nullptr, nullptr,  // 0x78
    nullptr, nullptr, nullptr, nullptr,  // 0x7C
    nullptr, nullptr, nullptr, nullptr,  // 0x80
    nullptr, nullptr, nullptr, nullptr,  // 0x84
    nullptr, nullptr, nullptr, nullptr,  // 0x88
    nullptr, nullptr, nullptr, nullptr,  // 0x8C
    nullptr, nullptr, nullptr, nullptr,  // 0x90
    nullptr, nullptr, nullptr, nullptr,  // 0x94
    nullptr, nullptr, nullptr, nullptr,  // 0x98
    nullptr, nullptr, nullptr, nullptr,  // 0x9C
    nullptr, nullptr, nullptr, nullptr,  // 0xA0
    nullptr, nullptr, nullptr, nullptr,  // 0xA4
    nullptr, nullptr, nullptr, nullptr,  // 0xA8
    nullptr, nullptr, nullptr, nullptr,  // 0xAC
    nullptr, nullptr, nullptr, nullptr,  // 0xB0
    nullptr, nullptr, nullptr, nullptr,  // 0xB4
    nullptr, nullptr, nullptr, nullptr,  // 0xB8
    nullptr, nullptr, nullptr, nullptr,  // 0xBC
    nullptr, nullptr, nullptr, nullptr,  // 0xC0
    nullptr, nullptr, nullptr, nullptr,  // 0xC4
    nullptr, nullptr, nullptr, nullptr,  // 0xC8
    nullptr, nullptr, nullptr, nullptr,  // 0xCC
    nullptr, nullptr, nullptr, nullptr,  // 0xD0
    nullptr, nullptr, nullptr, nullptr,  // 0xD4
    nullptr, nullptr, nullptr, nullptr,  // 0xD8
    nullptr, nullptr, nullptr, nullptr,  // 0xDC
    nullptr, nullptr, nullptr, nullptr,  // 0xE0
    nullptr, nullptr, nullptr, nullptr,  // 0xE4
    nullptr, nullptr, nullptr, nullptr,  // 0xE8
    nullptr, nullptr, nullptr, nullptr,  // 0xEC
    nullptr, nullptr, nullptr, nullptr,  // 0xF0
    nullptr, nullptr, nullptr, nullptr,  // 0xF4
    nullptr, nullptr, nullptr, nullptr,  // 0xF8
    nullptr, nullptr, nullptr, nullptr,  // 0xFC
};

}  // namespace

extern const FONT_DEF f7x10_font_def = {kTable, 10, 0, 0, 7, 1};
const FONT_DEF* f7x10_font_def_ptr = &f7x10_font_def;
