// The global colour table through which subsystems name their colours by
// index, and the autopilot screens' fixed colours.
//
// Sections owned by other subsystems: 0-31 sonar, 80-95 icon palette, 96-111
// chart, 128-131 readouts, 136-143 barometer bars, 148-195 chart engine,
// 200-231 side-looking sonar. 32 is always black and 35 always white.
//
// Thread safety: guarded by atomics. Every entry is read and written alone
// as a relaxed atomic (G_COLOR_Load, G_COLOR_Store in g_bitmap.h), so a
// section written by one task while the view task draws is no data race; a
// drawing made during the change may use old and new entries, as before.
#include <array>

#include "source/graphics/g_bitmap.h"

namespace {

constexpr std::array<COLOR, 256> s_initialColorTable = {{
    /*   0 */ 0xFFFF, 0xB6DF, 0x45BF, 0x05AA, 0x07E0, 0xB5A0, 0x07E0, 0xFC80, 0xFA40, 0xF800, 0xB120, 0x8800, 0xB5B4, 0x424A, 0x0000, 0xFFFF,
    /*  16 */ 0x2480, 0x248A, 0x2494, 0x249F, 0x25A0, 0x25AA, 0x25B4, 0x25BF, 0x26C0, 0x26CA, 0x26D4, 0x26DF, 0x0000, 0xFFFF, 0x27F4, 0x27FF,
    /*  32 */ 0x0000, 0x528A, 0xA514, 0xFFFF, 0xF800, 0xFBE0, 0xFFE0, 0x07E0, 0x001F, 0xF81F, 0xB5A0, 0x0254, 0x0000, 0x424A, 0x8C94, 0xB5B4,
    /*  48 */ 0xFFFF, 0xF800, 0xFC80, 0xFEC0, 0xFFEA, 0x0360, 0x07E0, 0x000A, 0x2254, 0x037F, 0x6C9F, 0x8EDF, 0x0000, 0xFFFF, 0xFFFF, 0xFFFF,
    /*  64 */ 0xFFFF, 0xD6DF, 0x2254, 0x000A, 0x0000, 0x212A, 0xF81F, 0x8FEA, 0xB5BF, 0x424A, 0x4254, 0x425F, 0x0000, 0x0000, 0xFEC0, 0x437F,
    /*  80 */ 0x0000, 0x424A, 0x8C94, 0xB5B4, 0xFFFF, 0xF800, 0xFC80, 0xFEC0, 0xFFEA, 0x0360, 0x07E0, 0x000A, 0x2254, 0x037F, 0x6C9F, 0x8EDF,
    /*  96 */ 0xFFFF, 0x4494, 0x0000, 0x424A, 0xFFFF, 0x0000, 0x424A, 0x0000, 0x0000, 0x424A, 0x26C0, 0x000A, 0x0000, 0x0000, 0x0000, 0x0000,
    /* 112 */ 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    /* 128 */ 0xFFFF, 0xB5B4, 0x424A, 0x0000, 0xF800, 0x892A, 0x8934, 0x893F, 0xFFFF, 0xB5B4, 0xFFFF, 0xB5B4, 0x025F, 0x0000, 0x0000, 0x025F,
    /* 144 */ 0xFFFF, 0xB5B4, 0x212A, 0x0000, 0x0000, 0x8800, 0xB7F4, 0xFFF4, 0x000A, 0x880A, 0x6FFF, 0x8C94, 0x424A, 0xF800, 0x07E0, 0xFFE0,
    /* 160 */ 0x001F, 0xB254, 0xB7FF, 0xFFFF, 0x236A, 0x236A, 0x236A, 0xD480, 0x8920, 0xB5A0, 0x8800, 0x8C94, 0x0000, 0xFFFF, 0xFFF4, 0x0000,
    /* 176 */ 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    /* 192 */ 0x0000, 0x0000, 0x0000, 0x0000, 0xFFFF, 0xB5B4, 0x424A, 0x0000, 0xB6C0, 0xB6CA, 0xB6D4, 0xB6DF, 0xB7E0, 0xB7EA, 0xB7F4, 0xB7FF,
    /* 208 */ 0xD000, 0xD00A, 0xD014, 0xD01F, 0xD120, 0xD12A, 0xD134, 0xD13F, 0xD240, 0xD24A, 0xD254, 0xD25F, 0xD360, 0xD36A, 0xD374, 0xD37F,
    /* 224 */ 0xD480, 0xD48A, 0xD494, 0xD49F, 0xD5A0, 0xD5AA, 0xD5B4, 0xD5BF, 0xFFFF, 0xA514, 0x528A, 0x0000, 0xFB60, 0xFB6A, 0xFB74, 0xFB7F,
    /* 240 */ 0xFC80, 0xFC8A, 0xFC94, 0xFC9F, 0xFDA0, 0xFDAA, 0xFDB4, 0xFDBF, 0xFEC0, 0xFECA, 0xFED4, 0xFEDF, 0xFFE0, 0xFFEA, 0xFFF4, 0xFFFF,
}};

// Constant-initialised from the initial contents, before any constructor runs.
std::array<COLOR, 256> s_colorLookupTable = s_initialColorTable;

constexpr COLOR s_acKeelarColor16Table[KLCOLOR_MAX] = {
    0x0000,  // KLCOLOR_BLACK
    0x9000,  // KLCOLOR_RED
    0xB7F5,  // KLCOLOR_GREEN
    0xFFF5,  // KLCOLOR_BROWN
    0x000A,  // KLCOLOR_BLUE
    0x900A,  // KLCOLOR_MAGENTA
    0x6FFF,  // KLCOLOR_CYAN
    0x9495,  // KLCOLOR_LIGHT_GRAY
    0x4A4A,  // KLCOLOR_DARK_GRAY
    0xF800,  // KLCOLOR_LIGHT_RED
    0x07E0,  // KLCOLOR_LIGHT_GREEN
    0xFFE0,  // KLCOLOR_YELLOW
    0x001F,  // KLCOLOR_LIGHT_BLUE
    0xB255,  // KLCOLOR_LIGHT_MAGENTA
    0xB7FF,  // KLCOLOR_LIGHT_CYAN
    0xFFFF,  // KLCOLOR_WHITE
    0xE600,  // KLCOLOR_ORANGE
    0xE871,  // KLCOLOR_FUSCHIA
    0xF375,  // KLCOLOR_PINK
    0xEF6E,  // KLCOLOR_LIGHT_YELLOW
    0xD23A,  // KLCOLOR_CUSTOM_APHEADING_LINE
    0xFBEA,  // KLCOLOR_FTC_OPTION1
    0x07FF,  // KLCOLOR_FTC_OPTION2
};

// Cuts a section to the table.
U32 u32SectionCount(U32 start, U32 count) {
  if (start >= 256) return 0;
  return count > 256 - start ? 256 - start : count;
}

}  // namespace

constinit const G_COLOR_TABLE gCOLOR_pcolColorTable(s_colorLookupTable.data());

void COLOR_vSetColorTableSection(U32 start, U32 count, const COLOR* source) {
  count = u32SectionCount(start, count);
  for (U32 i = 0; i < count; ++i) G_COLOR_Store(&s_colorLookupTable[start + i], source[i]);
}

void COLOR_vFetchColorTableSection(U32 start, U32 count, COLOR* destination) {
  count = u32SectionCount(start, count);
  for (U32 i = 0; i < count; ++i) destination[i] = G_COLOR_Load(&s_colorLookupTable[start + i]);
}

void COLOR_vCopyColorTableSection(U32 source, U32 destination, U32 count) {
  count = u32SectionCount(source, count);
  count = u32SectionCount(destination, count);
  // Entry by entry upward: an overlapping upward copy repeats the first entry.
  for (U32 i = 0; i < count; ++i) {
    G_COLOR_Store(&s_colorLookupTable[destination + i], G_COLOR_Load(&s_colorLookupTable[source + i]));
  }
}

// The point-of-sale and standard palettes differ in no entry.
void COLOR_vSetPOSPalette(void) { G_COLOR_Store(&s_colorLookupTable[166], 0x236A); }

void COLOR_vSetStandardPalette(void) { G_COLOR_Store(&s_colorLookupTable[166], 0x236A); }

COLOR COLOR_vGetKeelarColorDef(U32 index) {
  return index < (U32)KLCOLOR_MAX ? s_acKeelarColor16Table[index] : s_acKeelarColor16Table[0];
}

void COLOR_vResetColorTable(void) {
  for (U32 i = 0; i < 256; ++i) G_COLOR_Store(&s_colorLookupTable[i], s_initialColorTable[i]);
}
