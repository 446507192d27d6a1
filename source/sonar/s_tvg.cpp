#include "source/sonar/s_tvg.h"

#include <algorithm>

#include "source/sonar/u_ping.h"

const S16 s16SuppressionSlopes[20] = {90,  60,  40,  20,  10,  0,   -10, -20, -30, -40,
                                      130, 110, 100, 90,  80,  60,  40,  20,  10,  0};

namespace {

// Walks a curve along the samples: the attenuation at the current time.
class CCurveWalk {
 public:
  CCurveWalk(const RLE_TVG_DESCRIPTOR* c, U32 scale) : m_c(c), m_scale(scale) {
    m_end = c->pAttDepthTable[0].u32RunLengthMicroSeconds;
    m_a = Scaled(c->pAttDepthTable[0].u8Attenuation);
  }
  U32 At(U64 t) {
    if (t > m_end && m_k + 1 < m_c->u32TableLength) {
      while (t > m_end && m_k + 1 < m_c->u32TableLength) {
        ++m_k;
        m_end += m_c->pAttDepthTable[m_k].u32RunLengthMicroSeconds;
      }
      m_a = Scaled(m_c->pAttDepthTable[m_k].u8Attenuation);
    }
    return m_a;
  }
  void Zero() { m_a = 0; }
  U32 Left() const { return m_c->u32TableLength - 1 - m_k; }

 private:
  U32 Scaled(U8 v) const { return m_scale == 0 ? v : (m_scale * v) >> 10; }
  const RLE_TVG_DESCRIPTOR* m_c;
  U32 m_scale;
  U32 m_k = 0;
  U64 m_end = 0;
  U32 m_a = 0;
};

}  // namespace

U32 S_TVG_TvgRawSonar(const PING_DESCRIPTOR* d, const U8* raw, U8* out, U32 level, BOOLEAN bSuppression,
                      WATER_TYPE eWater, U32 scale) {
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U32 T = d->u32SamplePeriodMicroSeconds;
  CCurveWalk walk(S_TVG_pCurveForFrequency(d->u32TransmitFrequencyHertz), scale);
  if (d->Beam == BEAM_NONE) walk.Zero();
  level = std::clamp<U32>(level, 1, 10);
  const S32 e = s16SuppressionSlopes[level - 1 + (eWater == WATER_SALT_DEEP ? 10 : 0)];
  U64 t = 0;
  for (U32 i = 0; i < n; ++i, t += T) {
    const U32 a = walk.At(t);
    const U8 v = raw[i];
    if (bSuppression && t < TVG_SUPPRESSION_US) {
      const S32 A = (S32)a + e * (S32)(TVG_SUPPRESSION_US - t) / (S32)TVG_SUPPRESSION_US;
      const S32 floor = std::max(A, 0);
      out[i] = (A > 255 || floor >= v) ? 0 : (U8)(v - floor);
    } else {
      out[i] = v > a ? (U8)(v - a) : 0;
    }
  }
  return walk.Left();
}

void S_TVG_ReverseTvgSonar(const PING_DESCRIPTOR* d, const U8* in, U8* raw) {
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U32 T = d->u32SamplePeriodMicroSeconds;
  CCurveWalk walk(S_TVG_pCurveForFrequency(d->u32TransmitFrequencyHertz), 0);
  U64 t = 0;
  for (U32 i = 0; i < n; ++i, t += T) {
    const U32 a = walk.At(t);
    raw[i] = in[i] == 0 ? 0 : (U8)std::min<U32>(in[i] + a, 255);
  }
}
