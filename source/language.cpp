#include "common/language.h"

#include "source/h_database.h"

int nCurrentLanguage(void) {
  U32 language = LANGUAGE_ENGLISH;
  BOOLEAN valid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("SLNG"), &language, &valid, nullptr) && valid &&
      language < (U32)NUMBER_OF_LANGUAGES) {
    return (int)language;
  }
  return LANGUAGE_ENGLISH;
}
