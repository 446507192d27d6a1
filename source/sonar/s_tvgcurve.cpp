#include "source/sonar/s_tvgcurve.h"

#include <math.h>

namespace {

// A curve is laid out from its knots: the first entry holds the first value
// up to the first knot's time, the last entry the last value from the last
// knot's time to the end; between knots the entries' ends are spaced evenly
// in log time, each entry holding the value that a straight line in log time
// gives at its end, so every knot is met exactly at an entry's end.
struct KNOT {
  double us;
  double value;
};

template <U32 N>
struct CURVE {
  ATT_DEPTH_PAIR entries[N];
  RLE_TVG_DESCRIPTOR descriptor;
};

template <U32 N, size_t K>
CURVE<N> MakeCurve(const KNOT (&knots)[K], double endUs) {
  CURVE<N> c{};
  const double first = log(knots[0].us), last = log(knots[K - 1].us);
  const U32 middle = N - 2;  // entries between the first and the last
  U32 at = 0;
  c.entries[at++] = {(U8)lround(knots[0].value), (U32)lround(knots[0].us)};
  double prevEnd = knots[0].us;
  U32 used = 0;
  for (size_t k = 1; k < K; ++k) {
    const double a = log(knots[k - 1].us), b = log(knots[k].us);
    // Entries of this stretch, in proportion to its log span; the last
    // stretch takes what is left.
    U32 n = (k == K - 1) ? middle - used : (U32)lround(middle * (b - a) / (last - first));
    if (n < 1) n = 1;
    used += n;
    for (U32 i = 1; i <= n; ++i) {
      const double t = (i == n) ? knots[k].us : exp(a + (b - a) * i / n);
      const double v = knots[k - 1].value + (knots[k].value - knots[k - 1].value) * (log(t) - a) / (b - a);
      const U32 end = (U32)lround(t);
      const U32 start = (U32)lround(prevEnd);
      c.entries[at++] = {(U8)lround(v), end > start ? end - start : 1};
      prevEnd = t;
    }
  }
  c.entries[at++] = {(U8)lround(knots[K - 1].value), (U32)lround(endUs - knots[K - 1].us)};
  c.descriptor = {N, c.entries};
  return c;
}

// The 200 kHz curve; the 83 and 50 kHz curves have its shape between their
// own first and last values.
constexpr KNOT k200[] = {{595, 200}, {796, 150}, {4611, 100}, {44493, 50}, {296127, 20}, {943759, 12}};
template <size_t K>
void vRescale(const KNOT (&in)[K], KNOT (&out)[K], double from, double to) {
  for (size_t i = 0; i < K; ++i) {
    out[i] = {in[i].us, to + (in[i].value - 12.0) * (from - to) / (200.0 - 12.0)};
  }
}
constexpr double LOW_END_US = 1011759;
constexpr KNOT kHigh[] = {{300, 210}, {2584, 100}, {9384, 50}, {20298, 20}, {30702, 5}};
constexpr double HIGH_END_US = 55114;

const CURVE<198>& Curve200() {
  static const CURVE<198> c = MakeCurve<198>(k200, LOW_END_US);
  return c;
}
const CURVE<198>& Curve83() {
  static const CURVE<198> c = [] {
    KNOT k[6];
    vRescale(k200, k, 195, 4);
    return MakeCurve<198>(k, LOW_END_US);
  }();
  return c;
}
const CURVE<198>& Curve50() {
  static const CURVE<198> c = [] {
    KNOT k[6];
    vRescale(k200, k, 200, 20);
    return MakeCurve<198>(k, LOW_END_US);
  }();
  return c;
}
const CURVE<121>& CurveHigh() {
  static const CURVE<121> c = MakeCurve<121>(kHigh, HIGH_END_US);
  return c;
}

}  // namespace

const RLE_TVG_DESCRIPTOR& DefaultTvg50kHzTable = Curve50().descriptor;
const RLE_TVG_DESCRIPTOR& DefaultTvg83kHzTable = Curve83().descriptor;
const RLE_TVG_DESCRIPTOR& DefaultTvg200kHzTable = Curve200().descriptor;
const RLE_TVG_DESCRIPTOR& DefaultTvg455kHzTable = CurveHigh().descriptor;
const RLE_TVG_DESCRIPTOR& DefaultTvg800kHzTable = CurveHigh().descriptor;

const RLE_TVG_DESCRIPTOR* pTvg50kHzTable = &Curve50().descriptor;
const RLE_TVG_DESCRIPTOR* pTvg83kHzTable = &Curve83().descriptor;
const RLE_TVG_DESCRIPTOR* pTvg200kHzTable = &Curve200().descriptor;
const RLE_TVG_DESCRIPTOR* pTvg455kHzTable = &CurveHigh().descriptor;
const RLE_TVG_DESCRIPTOR* pTvg800kHzTable = &CurveHigh().descriptor;

const RLE_TVG_DESCRIPTOR* S_TVG_pCurveForFrequency(U32 f) {
  if (f <= 59999) return &Curve50().descriptor;
  if (f <= 99999) return &Curve83().descriptor;
  if (f <= 299999) return &Curve200().descriptor;
  if (f <= 499999) return &CurveHigh().descriptor;
  return &CurveHigh().descriptor;
}

U8 S_TVG_u8AttenuationAt(const RLE_TVG_DESCRIPTOR* pCurve, U32 us) {
  U64 end = 0;
  for (U32 k = 0; k < pCurve->u32TableLength; ++k) {
    end += pCurve->pAttDepthTable[k].u32RunLengthMicroSeconds;
    if (us <= end) return pCurve->pAttDepthTable[k].u8Attenuation;
  }
  return pCurve->pAttDepthTable[pCurve->u32TableLength - 1].u8Attenuation;
}
