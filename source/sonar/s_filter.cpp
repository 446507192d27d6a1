#include "source/sonar/s_filter.h"

#include <string.h>

#include <algorithm>

#include "source/sonar/u_ping.h"

namespace {

// Rows 0 to 3 for beams 0 to 3, row 4 for the short-transmit beam.
U8 s_au8ExpAverage[5][PING_MAX_SAMPLES];

U8* pAverageRow(BEAM Beam) {
  if (Beam < 4) return s_au8ExpAverage[Beam];
  if (Beam == BEAM_NONE) return s_au8ExpAverage[4];
  return nullptr;
}

constexpr S32 sharpFilter1_low[9] = {0, -1, 0, -1, 8, -1, 0, -1, 0};
constexpr S32 sharpFilter1_med[9] = {0, -2, 0, -2, 12, -2, 0, -2, 0};
constexpr S32 sharpFilter1_high[9] = {0, -3, 0, -3, 16, -3, 0, -3, 0};

}  // namespace

void S_FILTER_v2of2Filter(U32 n, const U8* in, U8* prev, U8* out) {
  for (U32 i = 0; i < n; ++i) {
    const U32 p = prev[i];
    const U8 v = in[i];
    out[i] = v < ((p * 5) >> 2) ? v : (U8)p;
    prev[i] = v;
  }
}

void S_FILTER_vGetExponentialAverageData(U32 n, BEAM Beam, const U8* in, U8* out, U32 f) {
  if (in == nullptr || out == nullptr || f <= 1 || n == 0) return;
  n = std::min(n, PING_MAX_SAMPLES);
  U8* m = pAverageRow(Beam);
  if (m == nullptr) {
    if (out != in) memmove(out, in, n);
    return;
  }
  for (U32 i = 0; i < n; ++i) {
    m[i] = (U8)(((f - 1) * m[i]) / f + in[i] / f);
    out[i] = m[i];
  }
}

void S_FILTER_vInitExponentialAverageData(void) { memset(s_au8ExpAverage, 0, sizeof s_au8ExpAverage); }

void S_FILTER_vNoiseRemoval(U32 n, const U8* noise, const U8* filter, U8* out, U32 level) {
  for (U32 i = 0; i < n; ++i) out[i] = noise[i] < level ? 0 : filter[i];
}

void S_FILTER_vFilterAndNoiseRemoval(U32 n, const U8* raw, U8* out, U8* prev, BOOLEAN b2of2, U32 level) {
  for (U32 i = 0; i < n; ++i) {
    const U8 v = raw[i] < level ? 0 : raw[i];
    if (b2of2) {
      const U32 p = prev[i];
      out[i] = v < ((p * 5) >> 2) ? v : (U8)p;
    } else {
      out[i] = v;
    }
    prev[i] = v;
  }
}

void S_FILTER_v2D_Latscan_Filter(U32 n, const U8* in, U8* out, FILTER_TYPE eType, U32* pr, U8* rows, U32 width) {
  const S32* k = eType == SHARP_FILTER_1L ? sharpFilter1_low
                 : eType == SHARP_FILTER_1M ? sharpFilter1_med
                 : eType == SHARP_FILTER_1H ? sharpFilter1_high
                                            : nullptr;
  if (k == nullptr || pr == nullptr || *pr > 2 || n > FILTER_ROW_MAX || rows == nullptr || n > width || n < 3) {
    const U32 m = std::min(n, FILTER_ROW_MAX);
    if (out != in) memmove(out, in, m);
    return;
  }
  const U32 r = *pr;
  memcpy(rows + (size_t)r * width, in, n);
  const U8* A = rows + (size_t)((r + 1) % 3) * width;
  const U8* B = rows + (size_t)((r + 2) % 3) * width;
  const U8* C = rows + (size_t)r * width;
  for (U32 i = 1; i + 1 < n; ++i) {
    const S32 s = k[0] * A[i - 1] + k[1] * A[i] + k[2] * A[i + 1] + k[3] * B[i - 1] + k[4] * B[i] +
                  k[5] * B[i + 1] + k[6] * C[i - 1] + k[7] * C[i] + k[8] * C[i + 1];
    out[i] = s < 0 ? 0 : s >= 1020 ? 255 : (U8)(s >> 2);
  }
  out[0] = B[0];
  out[n - 1] = B[n - 1];
  *pr = (r + 1) % 3;
}

U8 S_NOISE_u8Measure(const PING_DESCRIPTOR* p, U8* pu8Max) {
  const U32 n = std::min(p->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U32 T = p->u32SamplePeriodMicroSeconds == 0 ? SONAR_SAMPLE_PERIOD_US : p->u32SamplePeriodMicroSeconds;
  const U32 skip = n == 0 ? 0 : std::min(n - 1, 832 / T);
  U64 sum = 0;
  U8 mx = 0;
  for (U32 i = skip; i < n; ++i) {
    sum += p->pu8RawSonarData[i];
    mx = std::max(mx, p->pu8RawSonarData[i]);
  }
  if (pu8Max != nullptr) *pu8Max = mx;
  const U32 count = n - skip;
  return count == 0 ? 0 : (U8)std::min<U64>(sum / count, 255);
}
