// Sample filters, time-varied gain and resampling, by their cases: the
// 2-of-2 threshold, the averaging step, the curve choice by frequency, the
// near-field suppression, resampling in both directions, sharpening.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "source/sonar/s_filter.h"
#include "source/sonar/s_fresample.h"
#include "source/sonar/s_tvg.h"
#include "source/sonar/u_ping.h"

namespace {

struct TWO_OF_TWO_CASE {
  U8 previous, input, output;
};
class TwoOfTwo : public ::testing::TestWithParam<TWO_OF_TWO_CASE> {};
TEST_P(TwoOfTwo, PassesOnlyWhatThePreviousPingNearlyHad) {
  const auto& c = GetParam();
  U8 prev = c.previous, out = 0;
  S_FILTER_v2of2Filter(1, &c.input, &prev, &out);
  EXPECT_EQ(out, c.output);
  EXPECT_EQ(prev, c.input);
}
INSTANTIATE_TEST_SUITE_P(Cases, TwoOfTwo,
                         ::testing::Values(TWO_OF_TWO_CASE{100, 124, 124}, TWO_OF_TWO_CASE{100, 125, 100},
                                           TWO_OF_TWO_CASE{0, 200, 0}, TWO_OF_TWO_CASE{255, 255, 255},
                                           TWO_OF_TWO_CASE{204, 255, 204}, TWO_OF_TWO_CASE{204, 254, 254}));

TEST(ExponentialAverage, StepsAndBeamRows) {
  U8 out = 0;
  // Memory 90 (a factor-2 step from a cleared row).
  S_FILTER_vInitExponentialAverageData();
  U8 ninety = 180;
  S_FILTER_vGetExponentialAverageData(1, 0, &ninety, &out, 2);
  ASSERT_EQ(out, 90);
  U8 thirty = 30;
  S_FILTER_vGetExponentialAverageData(1, 0, &thirty, &out, 3);
  EXPECT_EQ(out, 70);  // 60 + 10
  // The short-transmit beam keeps a row of its own: beam 0 is untouched.
  U8 full = 250;
  S_FILTER_vGetExponentialAverageData(1, BEAM_NONE, &full, &out, 10);
  EXPECT_EQ(out, 25);
  S_FILTER_vGetExponentialAverageData(1, 0, &thirty, &out, 3);
  EXPECT_EQ(out, 56);  // from 70: 46 + 10
  // Another beam is copied; a factor of 1 does nothing.
  out = 0;
  S_FILTER_vGetExponentialAverageData(1, 7, &full, &out, 3);
  EXPECT_EQ(out, 250);
  out = 1;
  S_FILTER_vGetExponentialAverageData(1, 0, &full, &out, 1);
  EXPECT_EQ(out, 1);
}

TEST(NoiseRemoval, ZeroesWhereTheNoiseInputIsBelowTheLevel) {
  const U8 noise[4] = {9, 10, 11, 0};
  U8 data[4] = {50, 60, 70, 80};
  S_FILTER_vNoiseRemoval(4, noise, data, data, 10);
  EXPECT_EQ(std::vector<U8>(data, data + 4), (std::vector<U8>{0, 60, 70, 0}));
}

PING_DESCRIPTOR Ping(U32 hz, U32 n, U8* raw, BEAM beam = 1) {
  PING_DESCRIPTOR d{};
  d.Beam = beam;
  d.u32TransmitFrequencyHertz = hz;
  d.u32NumberOfSamples = n;
  d.u32SamplePeriodMicroSeconds = 26;
  d.pu8RawSonarData = raw;
  return d;
}

struct CURVE_CASE {
  U32 hz;
  const RLE_TVG_DESCRIPTOR* curve;
};
TEST(Tvg, CurveChoiceByFrequency) {
  const CURVE_CASE cases[] = {{59999, &DefaultTvg50kHzTable},  {60000, &DefaultTvg83kHzTable},
                              {99999, &DefaultTvg83kHzTable},  {100000, &DefaultTvg200kHzTable},
                              {299999, &DefaultTvg200kHzTable}, {300000, &DefaultTvg455kHzTable},
                              {500000, &DefaultTvg800kHzTable}};
  for (const auto& c : cases) EXPECT_EQ(S_TVG_pCurveForFrequency(c.hz), c.curve) << c.hz;
}

struct ROW_CASE {
  const RLE_TVG_DESCRIPTOR* curve;
  U32 us;
  U8 attenuation;
};
TEST(Tvg, CurvesHoldTheirRows) {
  EXPECT_EQ(DefaultTvg200kHzTable.u32TableLength, 198u);
  EXPECT_EQ(DefaultTvg455kHzTable.u32TableLength, 121u);
  for (const RLE_TVG_DESCRIPTOR* c : {&DefaultTvg50kHzTable, &DefaultTvg83kHzTable, &DefaultTvg200kHzTable,
                                      &DefaultTvg455kHzTable}) {
    U64 sum = 0;
    U8 last = 255;
    for (U32 k = 0; k < c->u32TableLength; ++k) {
      sum += c->pAttDepthTable[k].u32RunLengthMicroSeconds;
      EXPECT_LE(c->pAttDepthTable[k].u8Attenuation, last) << "falls with time, entry " << k;
      last = c->pAttDepthTable[k].u8Attenuation;
    }
    EXPECT_EQ(sum, c->u32TableLength == 198 ? 1011759u : 55114u);
  }
  const ROW_CASE rows[] = {{&DefaultTvg200kHzTable, 0, 200},      {&DefaultTvg200kHzTable, 595, 200},
                           {&DefaultTvg200kHzTable, 796, 150},    {&DefaultTvg200kHzTable, 4611, 100},
                           {&DefaultTvg200kHzTable, 44493, 50},   {&DefaultTvg200kHzTable, 296127, 20},
                           {&DefaultTvg200kHzTable, 943760, 12},  {&DefaultTvg83kHzTable, 0, 195},
                           {&DefaultTvg83kHzTable, 1011759, 4},   {&DefaultTvg50kHzTable, 0, 200},
                           {&DefaultTvg50kHzTable, 1011759, 20},  {&DefaultTvg455kHzTable, 0, 210},
                           {&DefaultTvg455kHzTable, 2584, 100},   {&DefaultTvg455kHzTable, 9384, 50},
                           {&DefaultTvg455kHzTable, 20298, 20},   {&DefaultTvg455kHzTable, 30703, 5}};
  for (const auto& r : rows) EXPECT_EQ(S_TVG_u8AttenuationAt(r.curve, r.us), r.attenuation) << r.us;
}

TEST(Tvg, GainSubtractsTheCurveAndAnEqualSampleGivesZero) {
  std::vector<U8> raw(400, 0), out(400, 0);
  const RLE_TVG_DESCRIPTOR* c = &DefaultTvg200kHzTable;
  for (U32 i = 0; i < raw.size(); ++i) raw[i] = (U8)std::min<U32>(255, S_TVG_u8AttenuationAt(c, i * 26) + i % 3);
  PING_DESCRIPTOR d = Ping(200000, (U32)raw.size(), raw.data());
  const U32 left = S_TVG_TvgRawSonar(&d, raw.data(), out.data(), 5, FALSE, WATER_FRESH, 0);
  EXPECT_GT(left, 0u);
  for (U32 i = 0; i < raw.size(); ++i) {
    if (raw[i] < 255) {
      ASSERT_EQ(out[i], i % 3) << i;
    }
  }
  // The inverse gives the raw samples back where the gained one is not 0.
  std::vector<U8> back(400, 0);
  S_TVG_ReverseTvgSonar(&d, out.data(), back.data());
  for (U32 i = 0; i < raw.size(); ++i) {
    if (out[i] != 0 && raw[i] < 255) {
      ASSERT_EQ(back[i], raw[i]) << i;
    }
  }
}

TEST(Tvg, SuppressionByLevelAndWater) {
  std::vector<U8> raw(600), plain(600), suppressed(600);
  for (U32 i = 0; i < raw.size(); ++i) raw[i] = (U8)(120 + i % 130);
  PING_DESCRIPTOR d = Ping(50000, (U32)raw.size(), raw.data(), 0);
  S_TVG_TvgRawSonar(&d, raw.data(), plain.data(), 6, FALSE, WATER_FRESH, 0);
  // Level 6 in fresh water has slope 0: the same as without suppression.
  S_TVG_TvgRawSonar(&d, raw.data(), suppressed.data(), 6, TRUE, WATER_FRESH, 0);
  EXPECT_EQ(plain, suppressed);
  // Level 1 (slope 90) takes more in the first 8,192 µs, nothing after it.
  S_TVG_TvgRawSonar(&d, raw.data(), suppressed.data(), 1, TRUE, WATER_FRESH, 0);
  EXPECT_LT(suppressed[100], plain[100]);
  EXPECT_EQ(suppressed[400], plain[400]);
  // Deep salt water at level 6 uses its own slope (60).
  S_TVG_TvgRawSonar(&d, raw.data(), suppressed.data(), 6, TRUE, WATER_SALT_DEEP, 0);
  EXPECT_LT(suppressed[100], plain[100]);
  // A saved level outside 1 to 10 is taken as the nearest.
  std::vector<U8> clamped(600);
  S_TVG_TvgRawSonar(&d, raw.data(), clamped.data(), 0, TRUE, WATER_FRESH, 0);
  S_TVG_TvgRawSonar(&d, raw.data(), suppressed.data(), 1, TRUE, WATER_FRESH, 0);
  EXPECT_EQ(clamped, suppressed);
  S_TVG_TvgRawSonar(&d, raw.data(), clamped.data(), 200, TRUE, WATER_FRESH, 0);
  S_TVG_TvgRawSonar(&d, raw.data(), suppressed.data(), 10, TRUE, WATER_FRESH, 0);
  EXPECT_EQ(clamped, suppressed);
}

TEST(Tvg, ScaleOneRemovesTheCurveAndShortTransmitStartsAtZero) {
  std::vector<U8> raw(50, 100), out(50);
  PING_DESCRIPTOR d = Ping(200000, 50, raw.data());
  S_TVG_TvgRawSonar(&d, raw.data(), out.data(), 5, FALSE, WATER_FRESH, 1);
  EXPECT_EQ(out, raw);
  S_TVG_TvgRawSonar(&d, raw.data(), out.data(), 5, FALSE, WATER_FRESH, 308);
  EXPECT_EQ(out[0], 100 - ((308 * 200) >> 10));
  d.Beam = BEAM_NONE;
  S_TVG_TvgRawSonar(&d, raw.data(), out.data(), 5, FALSE, WATER_FRESH, 0);
  EXPECT_EQ(out[0], 100);  // first entry taken as 0
  EXPECT_EQ(out[30], 0);   // later entries as they are
}

struct RESAMPLE_CASE {
  std::vector<U8> in;
  U32 span, extent, out;
  std::vector<U8> expected;
};
class Resample : public ::testing::TestWithParam<RESAMPLE_CASE> {};
TEST_P(Resample, Cases) {
  const auto& c = GetParam();
  std::vector<U8> out(c.out, 0xEE);
  S_FRESAMPLE_vFastResample(c.in.data(), c.span, c.extent, out.data(), c.out);
  EXPECT_EQ(out, c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Resample,
    ::testing::Values(
        // 10 into 4: maxima of 0-2, 3-5, 6-7, 8-9.
        RESAMPLE_CASE{{1, 9, 2, 3, 4, 8, 7, 6, 5, 10}, 10, 10, 4, {9, 8, 7, 10}},
        // 4 into 8: each input twice.
        RESAMPLE_CASE{{1, 2, 3, 4}, 4, 4, 8, {1, 1, 2, 2, 3, 3, 4, 4}},
        // Only 5 valid inputs: the outputs past them are 0.
        RESAMPLE_CASE{{1, 9, 2, 3, 4, 8, 7, 6, 5, 10}, 10, 5, 4, {9, 4, 0, 0}},
        RESAMPLE_CASE{{1, 2, 3, 4}, 4, 2, 8, {1, 1, 2, 2, 0, 0, 0, 0}},
        RESAMPLE_CASE{{5, 6, 7}, 3, 2, 3, {5, 6, 0}}, RESAMPLE_CASE{{5, 6, 7}, 0, 3, 2, {0, 0}}));

TEST(FindMax, RangeAndEmpty) {
  const U8 v[5] = {3, 200, 7, 255, 1};
  EXPECT_EQ(S_FRESAMPLE_u8FindMax(v, v + 2), 200);
  EXPECT_EQ(S_FRESAMPLE_u8FindMax(v, v + 4), 255);
  EXPECT_EQ(S_FRESAMPLE_u8FindMax(v + 2, v + 1), 0);
}

TEST(Sharpen, FlatRowsStayAndLongRowsAreCopied) {
  U8 rows[3 * 16] = {};
  U32 r = 0;
  std::vector<U8> flat(16, 80), out(16, 0);
  for (int i = 0; i < 3; ++i) S_FILTER_v2D_Latscan_Filter(16, flat.data(), out.data(), SHARP_FILTER_1H, &r, rows, 16);
  EXPECT_EQ(out, flat);
  EXPECT_EQ(r, 0u);
  // A spike in the middle row is sharpened (centre 16, edges −3: 4 × 255).
  std::vector<U8> spike(16, 0);
  spike[8] = 60;
  S_FILTER_v2D_Latscan_Filter(16, spike.data(), out.data(), SHARP_FILTER_1L, &r, rows, 16);
  S_FILTER_v2D_Latscan_Filter(16, flat.data(), out.data(), SHARP_FILTER_1L, &r, rows, 16);
  EXPECT_GT(out[8], 60);
  std::vector<U8> longRow(801, 9), longOut(801, 0);
  r = 0;
  S_FILTER_v2D_Latscan_Filter(801, longRow.data(), longOut.data(), SHARP_FILTER_1M, &r, nullptr, 801);
  EXPECT_EQ(longOut[799], 9);
  EXPECT_EQ(longOut[800], 0);
}

TEST(NoiseMeasure, SkipsTheTransmitBurst) {
  std::vector<U8> raw(100, 10);
  for (int i = 0; i < 32; ++i) raw[i] = 250;  // 832 / 26 = 32 samples of burst
  raw[50] = 110;
  PING_DESCRIPTOR d = Ping(200000, 100, raw.data());
  U8 mx = 0;
  EXPECT_EQ(S_NOISE_u8Measure(&d, &mx), (10 * 67 + 110) / 68);
  EXPECT_EQ(mx, 110);
}

}  // namespace
