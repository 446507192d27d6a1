// The running median and the matched filter by their cases: the window's
// reach past either end of the ping, the fast paths of lengths 5 and 7
// against the plain definition, the pulse row from frequency, cycles and
// stretch, and the filter's scaling, saturation and short tail.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <vector>

#include "source/sonar/s_matchedfilter.h"
#include "source/sonar/u_median.h"

namespace {

using SAMPLES = std::vector<U8>;

SAMPLES Median(const SAMPLES& in, U32 length) {
  SAMPLES out(in.size(), 0xEE);
  U_MEDIAN_vFilter(in.data(), out.data(), (U32)in.size(), length);
  return out;
}

// The definition, sample by sample: the window sorted, the value at rank
// (L + 1) / 2; outside the ping the window reads sample i below it and the
// last sample past it.
SAMPLES Reference(const SAMPLES& in, U32 length) {
  SAMPLES out(in.size());
  const long n = (long)in.size(), half = length / 2;
  for (long i = 0; i < n; ++i) {
    std::vector<U8> w;
    for (long j = i - half; j <= i + half; ++j) w.push_back(j < 0 ? in[i] : j >= n ? in[n - 1] : in[j]);
    std::sort(w.begin(), w.end());
    out[i] = w[(length + 1) / 2 - 1];
  }
  return out;
}

struct MEDIAN_CASE {
  const char* name;
  SAMPLES in;
  U32 length;
  SAMPLES out;
};

TEST(RunningMedian, Cases) {
  const std::vector<MEDIAN_CASE> cases = {
      {"3: a spike goes, the end samples are copied", {200, 10, 10, 250, 10, 10, 5}, 3, {200, 10, 10, 10, 10, 10, 5}},
      {"3: a single sample", {42}, 3, {42}},
      // i = 0 reads itself for the two places before the ping: 50 wins
      // there; the last sample fills the places past the end.
      {"5: the window reaches past both ends", {50, 0, 0, 0, 0, 0, 90}, 5, {50, 0, 0, 0, 0, 0, 90}},
      {"5: two-sample spikes go", {10, 10, 99, 99, 10, 10, 10, 10}, 5, {10, 10, 10, 10, 10, 10, 10, 10}},
      {"7: a step keeps its place", {0, 0, 0, 0, 0, 9, 9, 9, 9, 9}, 7, {0, 0, 0, 0, 0, 9, 9, 9, 9, 9}},
      {"7: shorter than the window", {3, 1, 2}, 7, {3, 2, 2}},
      // Even length 4: five samples, rank 2 (the second smallest).
      {"4: the second smallest of five", {5, 4, 3, 2, 1, 0}, 4, {4, 3, 2, 1, 0, 0}},
      {"9: three-sample spike goes", {7, 7, 7, 7, 200, 200, 200, 7, 7, 7, 7}, 9, {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
      {"0 and 1 copy", {9, 1, 8}, 0, {9, 1, 8}},
      {"1 copies", {9, 1, 8}, 1, {9, 1, 8}},
  };
  for (const MEDIAN_CASE& c : cases) EXPECT_EQ(Median(c.in, c.length), c.out) << c.name;
}

TEST(RunningMedian, FastPathsAgreeWithTheDefinition) {
  std::mt19937 rng(11);
  for (U32 length : {5u, 7u, 9u, 4u}) {
    for (size_t n : {1u, 2u, 4u, 6u, 7u, 8u, 50u, 1000u}) {
      SAMPLES in(n);
      // Few distinct values, so that ties are common.
      for (U8& v : in) v = (U8)(rng() % 6 * 50);
      EXPECT_EQ(Median(in, length), Reference(in, length)) << "length " << length << ", " << n << " samples";
    }
  }
}

TEST(RunningMedian, FastMedianOfFiveOverEveryOrder) {
  for (const std::vector<U32>& base : {std::vector<U32>{1, 2, 3, 4, 5}, {7, 7, 1, 9, 9}, {0, 0, 0, 5, 5}}) {
    std::vector<U32> v = base;
    std::sort(v.begin(), v.end());
    const U32 median = v[2];
    do {
      EXPECT_EQ(u32FastMedian5(v[0], v[1], v[2], v[3], v[4]), median);
    } while (std::next_permutation(v.begin(), v.end()));
  }
}

TEST(RunningMedian, WindowOfSevenSlides) {
  MEDIAN7_WINDOW w = {{1, 2, 3, 4, 5, 6, 7}, {10, 11, 12, 13, 14, 15, 16}};
  U_MEDIAN_vReplace7(&w, 10, 17, 9);  // the smallest leaves, a new largest enters
  EXPECT_EQ(std::vector<U8>(w.au8Value, w.au8Value + 7), (std::vector<U8>{2, 3, 4, 5, 6, 7, 9}));
  EXPECT_EQ(w.au32Index[6], 17u);
  U_MEDIAN_vReplace7(&w, 17, 18, 0);  // the largest leaves, a new smallest enters
  EXPECT_EQ(std::vector<U8>(w.au8Value, w.au8Value + 7), (std::vector<U8>{0, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(w.au32Index[0], 18u);
  const MEDIAN7_WINDOW before = w;
  U_MEDIAN_vReplace7(&w, 99, 19, 1);  // an index not in the window: unchanged
  EXPECT_EQ(memcmp(&w, &before, sizeof w), 0);
}

struct ROW_CASE {
  U32 frequencyHz, cycles, stretch, row;
};

TEST(MatchedFilter, PulseRow) {
  const std::vector<ROW_CASE> cases = {
      {0, 40, 100, 0},          // no frequency
      {200000, 40, 1, 0},       // 200 µs: under half a unit
      {200000, 40, 100, 12},    // (166,400,000 + 4,000,000,000) / 332,800,000
      {50000, 100, 10, 12},     // (41,600,000 + 1,000,000,000) / 83,200,000
      {50000, 255, 1000, 126},  // far past the table: its last row
      {1, 0xFFFFFFFF, 0xFFFFFFFF, 126},  // no overflow on the way
  };
  for (const ROW_CASE& c : cases) {
    EXPECT_EQ(S_MATCHEDFILTER_u32PulseRow(c.frequencyHz, c.cycles, c.stretch), c.row)
        << c.frequencyHz << " Hz, " << c.cycles << " cycles, stretch " << c.stretch;
  }
  // Row 0 is the identity; the other rows carry 130 (one output unit 128).
  EXPECT_EQ(S_MATCHEDFILTER_ps8Weights(0)[0], 127);
  for (U32 row = 1; row < MATCHED_FILTER_ROWS; ++row) {
    int sum = 0;
    for (U32 k = 0; k < MATCHED_FILTER_TAPS; ++k) sum += S_MATCHEDFILTER_ps8Weights(row)[k];
    EXPECT_EQ(sum, 130) << "row " << row;
  }
}

TEST(MatchedFilter, Outputs) {
  // Row 12: 13 taps of 10.
  const U32 f = 200000, cycles = 40, stretch = 100;
  SAMPLES flat(100, 100), out(100);
  S_MATCHEDFILTER_vFilter(flat.data(), out.data(), 100, f, cycles, stretch);
  EXPECT_EQ(out[0], 101);  // 13,000 / 128
  EXPECT_EQ(out[87], 101);
  EXPECT_EQ(out[88], 93);  // the last 12 have fewer samples under the taps: 12,000 / 128
  EXPECT_EQ(out[99], 7);   // one sample: 1,000 / 128
  // Full-scale input reaches the saturation.
  SAMPLES loud(20, 255);
  S_MATCHEDFILTER_vFilter(loud.data(), out.data(), 20, f, cycles, stretch);
  EXPECT_EQ(out[0], 255);
  // A lone echo is spread over the pulse's span before it.
  SAMPLES echo(40, 0);
  echo[30] = 128;
  S_MATCHEDFILTER_vFilter(echo.data(), out.data(), 40, f, cycles, stretch);
  for (U32 i = 0; i < 40; ++i) EXPECT_EQ(out[i], (i >= 18 && i <= 30) ? 10 : 0) << i;
  // No frequency, or a pulse under two units: copied.
  SAMPLES in = {1, 50, 3};
  for (const ROW_CASE& c : {ROW_CASE{0, 40, 100, 0}, ROW_CASE{200000, 40, 1, 0}}) {
    SAMPLES copy(3);
    S_MATCHEDFILTER_vFilter(in.data(), copy.data(), 3, c.frequencyHz, c.cycles, c.stretch);
    EXPECT_EQ(copy, in);
  }
}

}  // namespace
