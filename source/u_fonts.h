// Font sets by language and the standard text fonts of menus and dialogs.
#pragma once

#include "common/types.h"
#include "source/g_fonts.h"

typedef enum {
  FONT_SET_1 = 0,  // Latin, Greek (code page variant 1)
  FONT_SET_2 = 1,  // Croatian, Russian, Bulgarian (code page variant 2)
  FONT_SET_3 = 2,
  FONT_SET_4 = 3
} FONT_SET;

// The font set of each of the 22 languages.
extern const FONT_SET g_eFontSet[22];

// The standard text fonts, pointed at the plain or the _Cro_Rus fonts by
// U_FONTS_vSelectFontSet; they start at the plain fonts.
extern const FONT_DEF* std_9x13_font_def_ptr;
extern const FONT_DEF* std_11x14_font_def_ptr;
extern const FONT_DEF* std_16x17_font_def_ptr;

// Points the standard fonts at the set of the language (0-21) and selects the
// matching character map of the TrueType face. Languages out of range count
// as English.
void U_FONTS_vSelectFontSet(int language);
