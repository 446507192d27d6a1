// Font sets by language and the standard text fonts of menus and dialogs.
#pragma once

#include <atomic>

#include "common/types.h"
#include "common/language.h"
#include "source/graphics/g_fonts.h"


// The standard text fonts, pointed at the plain or the _Cro_Rus fonts by
// U_FONTS_vSelectFontSet; they start at the plain fonts.
//
// Thread safety: guarded by atomics. Each pointer is an atomic that reads
// and assigns like a plain const FONT_DEF* (a load is a plain load on the
// target), so the language may change while any task draws; the fonts
// themselves are constant data. A text drawn during the switch may take one
// font of either set.
extern std::atomic<const FONT_DEF*> std_9x13_font_def_ptr;
extern std::atomic<const FONT_DEF*> std_11x14_font_def_ptr;
extern std::atomic<const FONT_DEF*> std_16x17_font_def_ptr;

// Points the standard fonts at the set of the language (0-21) and selects the
// matching character map of the TrueType face. Languages out of range count
// as English.
void U_FONTS_vSelectFontSet(int language);
