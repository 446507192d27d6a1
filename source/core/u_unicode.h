// Conversion between the unit's one-byte code page and UTF-16 (names
// exchanged with the autopilot). The variant of the code page follows the
// font set of the language (g_eFontSet).
#pragma once

#include "common/types.h"
#include "source/core/u_unicode_table.h"

// One-byte text to UTF-16. maxLength counts output units including the
// terminating zero. Gives the empty string for a language above 21 (or
// negative), a font set other than 1 and 2, an empty input or maxLength
// below 2 (nothing at all is written when maxLength is 0 or less). A byte
// that no row of the variant has becomes "." (0x002E).
void U_UNICODE_vFromXJ(U16* output, const U8* input, int maxLength, int language);

// UTF-16 text to one-byte text. maxLength counts output bytes including the
// terminating zero. Characters the variant lacks are dropped. Gives "U-ERR"
// for a bad language or font set, an empty input, maxLength below 2, or when
// every character was dropped; "U-ERR" is cut to fit maxLength.
void U_UNICODE_vToXJ(U8* output, const U16* input, int maxLength, int language);
