#include "source/sonar/s_matchedfilter.h"

#include <string.h>

#include <array>

namespace {

using ROWS = std::array<std::array<S8, MATCHED_FILTER_TAPS>, MATCHED_FILTER_ROWS>;

// Row L ≥ 1 averages the pulse's span: min(L + 1, 64) taps sharing 130,
// the first ones taking the remainder so that the row sums to 130
// exactly. Row 0 passes the sample through.
constexpr ROWS Weights() {
  ROWS w{};
  w[0][0] = 127;
  for (U32 row = 1; row < MATCHED_FILTER_ROWS; ++row) {
    const U32 taps = row + 1 < MATCHED_FILTER_TAPS ? row + 1 : MATCHED_FILTER_TAPS;
    const U32 each = 130 / taps, extra = 130 % taps;
    for (U32 k = 0; k < taps; ++k) w[row][k] = (S8)(each + (k < extra ? 1 : 0));
  }
  return w;
}

constexpr ROWS kWeights = Weights();

}  // namespace

const S8* S_MATCHEDFILTER_ps8Weights(U32 u32Row) {
  return kWeights[u32Row < MATCHED_FILTER_ROWS ? u32Row : MATCHED_FILTER_ROWS - 1].data();
}

U32 S_MATCHEDFILTER_u32PulseRow(U32 u32FrequencyHz, U32 u32Cycles, U32 u32Stretch) {
  if (u32FrequencyHz == 0) return 0;
  const U64 unit = (U64)u32FrequencyHz * 1664;
  const U64 span = (U64)u32Stretch * u32Cycles;  // fits: both are 32-bit
  if (span > 1000000000000ull) return MATCHED_FILTER_ROWS - 1;  // µs past any table row
  const U64 row = (unit / 2 + span * 1000000ull) / unit;
  return row >= MATCHED_FILTER_ROWS ? MATCHED_FILTER_ROWS - 1 : (U32)row;
}

void S_MATCHEDFILTER_vFilter(const U8* pu8Input, U8* pu8Output, U32 u32Count, U32 u32FrequencyHz, U32 u32Cycles,
                             U32 u32Stretch) {
  if (pu8Input == nullptr || pu8Output == nullptr || u32Count == 0) return;
  const U32 row = S_MATCHEDFILTER_u32PulseRow(u32FrequencyHz, u32Cycles, u32Stretch);
  if (row < 2) {
    memcpy(pu8Output, pu8Input, u32Count);
    return;
  }
  const auto& w = kWeights[row];
  for (U32 i = 0; i < u32Count; ++i) {
    const U32 taps = u32Count - i < MATCHED_FILTER_TAPS ? u32Count - i : MATCHED_FILTER_TAPS;
    S32 sum = 0;
    for (U32 k = 0; k < taps; ++k) sum += (S32)w[k] * (S32)pu8Input[i + k];
    pu8Output[i] = sum >= 32768 ? 255 : sum < -127 ? 0 : (U8)(sum / 128);
  }
}
