// Code-page conversion through the one fixed table.
#include "source/core/u_unicode.h"

#include <cstring>

#include "source/graphics/u_fonts.h"

namespace {

// Column of the language's variant in the table, or 0 when the language or
// its font set has none.
int variant_column(int language) {
  if (language < 0 || language > 21) {
    return 0;
  }
  switch (g_eFontSet[language]) {
    case FONT_SET_1:
      return UNICODE_TABLE_COLUMN_SET_1;
    case FONT_SET_2:
      return UNICODE_TABLE_COLUMN_SET_2;
    default:
      return 0;
  }
}

void write_error(U8* output, int maxLength) {
  static const char kError[] = "U-ERR";
  if (maxLength <= 0) {
    return;
  }
  const size_t n = (size_t)maxLength < sizeof kError ? (size_t)maxLength - 1 : sizeof kError - 1;
  memcpy(output, kError, n);
  output[n] = 0;
}

}  // namespace

void U_UNICODE_vFromXJ(U16* output, const U8* input, int maxLength, int language) {
  if (maxLength <= 0) {
    return;
  }
  const int column = variant_column(language);
  if (column == 0 || input == nullptr || input[0] == 0 || maxLength < 2) {
    output[0] = 0;
    return;
  }
  int written = 0;
  for (const U8* p = input; *p != 0 && written < maxLength - 1; p++) {
    U16 unit = 0x002E;
    for (int row = 0; row < UNICODE_TABLE_ROWS; row++) {
      if (Unicode_Table_Hex[row][column] == *p) {
        unit = U_UNICODE_u16TableCodePoint(row);
        break;
      }
    }
    output[written++] = unit;
  }
  output[written] = 0;
}

void U_UNICODE_vToXJ(U8* output, const U16* input, int maxLength, int language) {
  const int column = variant_column(language);
  if (column == 0 || input == nullptr || input[0] == 0 || maxLength < 2) {
    write_error(output, maxLength);
    return;
  }
  int written = 0;
  for (const U16* p = input; *p != 0 && written < maxLength - 1; p++) {
    for (int row = 0; row < UNICODE_TABLE_ROWS; row++) {
      if (U_UNICODE_u16TableCodePoint(row) == *p && Unicode_Table_Hex[row][column] != 0) {
        output[written++] = Unicode_Table_Hex[row][column];
        break;
      }
    }
  }
  if (written == 0) {
    write_error(output, maxLength);
    return;
  }
  output[written] = 0;
}
