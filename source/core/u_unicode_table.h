// The code-page table: 321 rows of 4 bytes in ascending order of code point.
//   [0], [1]: the UTF-16 code unit, little-endian
//   [2]: the character's byte in the code page of font set 1 (0: none)
//   [3]: its byte in the code page of font set 2 (0: none)
// Within a variant a byte may stand in several rows; converting that byte to
// UTF-16 finds the row of the lowest code point.
#pragma once

#include "common/types.h"

constexpr int UNICODE_TABLE_ROWS = 321;
constexpr int UNICODE_TABLE_COLUMN_SET_1 = 2;
constexpr int UNICODE_TABLE_COLUMN_SET_2 = 3;

extern const U8 Unicode_Table_Hex[UNICODE_TABLE_ROWS][4];

inline U16 U_UNICODE_u16TableCodePoint(int row) {
  return (U16)(Unicode_Table_Hex[row][0] | (Unicode_Table_Hex[row][1] << 8));
}
