// Code-page conversion between one-byte text and UTF-16.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/language.h"
#include "source/graphics/u_fonts.h"
#include "source/core/u_unicode.h"

namespace {

std::vector<U16> FromXJ(const std::vector<U8>& bytes, int maxLength, int language) {
  std::vector<U8> input = bytes;
  input.push_back(0);
  std::vector<U16> out(64, 0xEEEE);
  U_UNICODE_vFromXJ(out.data(), input.data(), maxLength, language);
  std::vector<U16> result;
  for (U16 u : out) {
    if (u == 0) break;
    result.push_back(u);
  }
  return result;
}

std::string ToXJ(const std::vector<U16>& units, int maxLength, int language, std::vector<U8>* raw = nullptr) {
  std::vector<U16> input = units;
  input.push_back(0);
  std::vector<U8> out(64, 0xEE);
  U_UNICODE_vToXJ(out.data(), input.data(), maxLength, language);
  if (raw) *raw = out;
  return std::string(reinterpret_cast<const char*>(out.data()));
}

TEST(TextCodePage, TableIsOrderedAndComplete) {
  std::set<int> set1, set2;
  for (int row = 0; row < UNICODE_TABLE_ROWS; ++row) {
    if (row > 0) {
      EXPECT_LT(U_UNICODE_u16TableCodePoint(row - 1), U_UNICODE_u16TableCodePoint(row)) << row;
    }
    if (Unicode_Table_Hex[row][2]) set1.insert(Unicode_Table_Hex[row][2]);
    if (Unicode_Table_Hex[row][3]) set2.insert(Unicode_Table_Hex[row][3]);
  }
  EXPECT_EQ(0x0020, U_UNICODE_u16TableCodePoint(0));
  EXPECT_EQ(0x0451, U_UNICODE_u16TableCodePoint(UNICODE_TABLE_ROWS - 1));
  // No byte of variant 1 stands twice; variant 2 shares twelve bytes.
  int rows1 = 0, rows2 = 0;
  for (int row = 0; row < UNICODE_TABLE_ROWS; ++row) {
    rows1 += Unicode_Table_Hex[row][2] != 0;
    rows2 += Unicode_Table_Hex[row][3] != 0;
  }
  EXPECT_EQ(rows1, (int)set1.size());
  EXPECT_EQ(rows2, (int)set2.size() + 12);
}

struct FromCase {
  const char* what;
  std::vector<U8> input;
  int maxLength;
  int language;
  std::vector<U16> expected;
};

TEST(TextCodePage, FromXJCases) {
  const FromCase cases[] = {
      {"ASCII", {'A', 'b', '1'}, 10, LANGUAGE_ENGLISH, {'A', 'b', '1'}},
      {"0x24 is E with dot above", {0x24}, 10, LANGUAGE_ENGLISH, {0x0116}},
      {"0x7E is a with macron", {0x7E}, 10, LANGUAGE_ENGLISH, {0x0101}},
      {"0xFF has no row in variant 1", {0xFF}, 10, LANGUAGE_ENGLISH, {0x002E}},
      {"shared byte: lowest code point wins", {0xB8}, 10, LANGUAGE_RUSSIAN, {0x015E}},
      {"Cyrillic in variant 2", {0xA2, 0x80}, 10, LANGUAGE_BULGARIAN, {0x0428, 0x0401}},
      {"Greek in variant 1", {0x40, 0x9F}, 10, LANGUAGE_GREEK, {0x0394, 0x03B1}},
      {"maximum 5 converts 4", {'a', 'b', 'c', 'd', 'e', 'f'}, 5, LANGUAGE_ENGLISH, {'a', 'b', 'c', 'd'}},
      {"maximum 2 converts 1", {'a', 'b'}, 2, LANGUAGE_TURKISH, {'a'}},
      {"maximum 1 gives empty", {'a'}, 1, LANGUAGE_ENGLISH, {}},
      {"language 22 gives empty", {'a'}, 10, 22, {}},
      {"negative language gives empty", {'a'}, 10, -1, {}},
      {"empty input", {}, 10, LANGUAGE_ENGLISH, {}},
  };
  for (const FromCase& c : cases) {
    EXPECT_EQ(c.expected, FromXJ(c.input, c.maxLength, c.language)) << c.what;
  }
}

TEST(TextCodePage, FromXJWritesNothingWithoutRoom) {
  U16 out[2] = {0xEEEE, 0xEEEE};
  const U8 in[] = {'a', 0};
  U_UNICODE_vFromXJ(out, in, 0, LANGUAGE_ENGLISH);
  EXPECT_EQ(0xEEEE, out[0]);
  U_UNICODE_vFromXJ(out, in, 1, LANGUAGE_ENGLISH);
  EXPECT_EQ(0, out[0]);
  EXPECT_EQ(0xEEEE, out[1]);
}

struct ToCase {
  const char* what;
  std::vector<U16> input;
  int maxLength;
  int language;
  std::string expected;
};

TEST(TextCodePage, ToXJCases) {
  const ToCase cases[] = {
      {"Cyrillic Sha in English is an error", {0x0428}, 10, LANGUAGE_ENGLISH, "U-ERR"},
      {"Cyrillic Sha in Russian", {0x0428}, 10, LANGUAGE_RUSSIAN, "\xA2"},
      {"unknown character dropped", {0x41, 0x40, 0x42}, 10, LANGUAGE_ENGLISH, "AB"},
      {"every character dropped", {0x40, 0x2603}, 10, LANGUAGE_ENGLISH, "U-ERR"},
      {"characters lacking in variant 2 dropped", {0x0101, 'x'}, 10, LANGUAGE_CROATIAN, "x"},
      {"Croatian letters", {0x010C, 0x0111, 0x0160}, 10, LANGUAGE_CROATIAN, "\x24\x5C\x26"},
      {"same letters in variant 1", {0x0160, 0x0161}, 10, LANGUAGE_CZECH, "\xF0\x17"},
      {"maximum 3 converts 2", {'a', 'b', 'c'}, 3, LANGUAGE_ENGLISH, "ab"},
      {"maximum 1 is an error", {'a'}, 1, LANGUAGE_ENGLISH, ""},
      {"bad language", {'a'}, 10, 40, "U-ERR"},
      {"empty input", {}, 10, LANGUAGE_ENGLISH, "U-ERR"},
  };
  for (const ToCase& c : cases) {
    EXPECT_EQ(c.expected, ToXJ(c.input, c.maxLength, c.language)) << c.what;
  }
}

TEST(TextCodePage, ToXJErrorStaysInsideMaximumLength) {
  // "U-ERR" is cut to the buffer the caller announced.
  std::vector<U8> raw;
  EXPECT_EQ("U-E", ToXJ({0x2603}, 4, LANGUAGE_ENGLISH, &raw));
  EXPECT_EQ(0xEE, raw[4]);
  EXPECT_EQ("U-ERR", ToXJ({0x2603}, 6, LANGUAGE_ENGLISH, &raw));
  U8 untouched = 0xEE;
  const U16 in[] = {0x2603, 0};
  U_UNICODE_vToXJ(&untouched, in, 0, LANGUAGE_ENGLISH);
  EXPECT_EQ(0xEE, untouched);
}

TEST(TextCodePage, RoundTripOfEveryCharacterOfEachVariant) {
  for (int language : {(int)LANGUAGE_ENGLISH, (int)LANGUAGE_RUSSIAN}) {
    const int column = g_eFontSet[language] == FONT_SET_1 ? 2 : 3;
    for (int row = 0; row < UNICODE_TABLE_ROWS; ++row) {
      const U8 byte = Unicode_Table_Hex[row][column];
      if (byte == 0) continue;
      const U16 cp = U_UNICODE_u16TableCodePoint(row);
      EXPECT_EQ(std::string(1, (char)byte), ToXJ({cp}, 4, language)) << std::hex << cp;
      // Back to UTF-16 gives the lowest code point of that byte.
      const std::vector<U16> back = FromXJ({byte}, 4, language);
      ASSERT_EQ(1u, back.size());
      EXPECT_LE(back[0], cp);
      EXPECT_EQ(std::string(1, (char)byte), ToXJ(back, 4, language));
    }
  }
}

}  // namespace
