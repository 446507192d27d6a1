// Choice of the standard text fonts by language.
//
// Thread safety: the three standard font pointers are atomics; the TrueType
// character map they select with is guarded by the TrueType module's lock.
#include "source/graphics/u_fonts.h"

#include "data/fonts.h"
#include "source/graphics/g_truetype.h"


// Atomic pointers (see u_fonts.h): written here while other tasks draw.
std::atomic<const FONT_DEF*> std_9x13_font_def_ptr{&tessix_9x13_font_def};
std::atomic<const FONT_DEF*> std_11x14_font_def_ptr{&tessix_11x14_font_def};
std::atomic<const FONT_DEF*> std_16x17_font_def_ptr{&tessix_16x17_font_def};

void U_FONTS_vSelectFontSet(int language) {
  const FONT_SET set = (language >= 0 && language < 22) ? g_eFontSet[language] : FONT_SET_1;
  if (set != FONT_SET_1) {
    std_9x13_font_def_ptr = &tessix_9x13_Cro_Rus_font_def;
    std_11x14_font_def_ptr = &tessix_11x14_Cro_Rus_font_def;
    std_16x17_font_def_ptr = &tessix_16x17_Cro_Rus_font_def;
  } else {
    std_9x13_font_def_ptr = &tessix_9x13_font_def;
    std_11x14_font_def_ptr = &tessix_11x14_font_def;
    std_16x17_font_def_ptr = &tessix_16x17_font_def;
  }
  G_TRUETYPE_vSelectFontSet((U32)set);
}
