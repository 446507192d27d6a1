#include "common/language.h"

#include "source/core/h_database.h"

int nCurrentLanguage(void) {
  U32 language = LANGUAGE_ENGLISH;
  BOOLEAN valid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("SLNG"), &language, &valid, nullptr) && valid &&
      language < (U32)NUMBER_OF_LANGUAGES) {
    return (int)language;
  }
  return LANGUAGE_ENGLISH;
}

const FONT_SET g_eFontSet[22] = {
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // en da nl fi fr de
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,  // el hu it no pl pt
    FONT_SET_1, FONT_SET_1, FONT_SET_1,                                      // es sv cs
    FONT_SET_2, FONT_SET_2, FONT_SET_2,                                      // hr ru bg
    FONT_SET_1, FONT_SET_1, FONT_SET_1, FONT_SET_1,                          // et lv lt tr
};
