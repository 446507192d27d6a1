// The user-interface languages. The number is the value of the key SLNG and
// the index of the string in every text record (22 strings, one a language).
#pragma once

typedef enum {
  LANGUAGE_ENGLISH = 0,
  LANGUAGE_DANISH = 1,
  LANGUAGE_DUTCH = 2,
  LANGUAGE_FINNISH = 3,
  LANGUAGE_FRENCH = 4,
  LANGUAGE_GERMAN = 5,
  LANGUAGE_GREEK = 6,
  LANGUAGE_HUNGARIAN = 7,
  LANGUAGE_ITALIAN = 8,
  LANGUAGE_NORWEGIAN = 9,
  LANGUAGE_POLISH = 10,
  LANGUAGE_PORTUGUESE = 11,
  LANGUAGE_SPANISH = 12,
  LANGUAGE_SWEDISH = 13,
  LANGUAGE_CZECH = 14,
  LANGUAGE_CROATIAN = 15,
  LANGUAGE_RUSSIAN = 16,
  LANGUAGE_BULGARIAN = 17,
  LANGUAGE_ESTONIAN = 18,
  LANGUAGE_LATVIAN = 19,
  LANGUAGE_LITHUANIAN = 20,
  LANGUAGE_TURKISH = 21,
  NUMBER_OF_LANGUAGES = 22,
  // Older numbers still met in saved settings of earlier software.
  LANGUAGE_CROATIAN_OBSOLETE = 1,
  LANGUAGE_RUSSIAN_OBSOLETE = 2
} LANGUAGE;

// The language to pick from a text record: the value of SLNG when it is held,
// valid and in range, else English.
int nCurrentLanguage(void);

// Font sets: which code-page variant and fonts a language is written in.
typedef enum {
  FONT_SET_1 = 0,  // Latin, Greek (code page variant 1)
  FONT_SET_2 = 1,  // Croatian, Russian, Bulgarian (code page variant 2)
  FONT_SET_3 = 2,
  FONT_SET_4 = 3
} FONT_SET;

// The font set of each of the 22 languages.
extern const FONT_SET g_eFontSet[22];
