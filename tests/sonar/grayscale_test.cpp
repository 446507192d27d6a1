// Amplitude-to-colour tables: clip levels from a sensitivity, the three
// ramps, and colouring with gain and bottom black. The colour table is
// loaded with entry k = k, so a colour names the entry it came from.
#include <gtest/gtest.h>

#include "common/db_types.h"
#include "source/graphics/g_bitmap.h"
#include "source/sonar/s_grayscale.h"

namespace {

void vIdentityColours() {
  COLOR table[256];
  for (U32 k = 0; k < 256; ++k) table[k] = (COLOR)k;
  COLOR_vSetColorTableSection(0, 256, table);
}

TEST(Grayscale, ClipsFromSensitivity) {
  struct Case {
    U8 sensitivity;
    U32 transducer;
    BOOLEAN tvg;
    U8 lower, upper;
  } cases[] = {
      {10, 1, FALSE, 63, 143},   // the ordinary 2D table
      {20, 1, FALSE, 0, 80},     // most sensitive: nothing clipped below
      {1, 1, FALSE, 120, 200},   // least sensitive
      {10, 11, FALSE, 18, 112},  // the transducer with its own slope
      {10, 15, TRUE, 32, 112},   // TVG view, down-imaging types
      {10, 1, TRUE, 43, 123},    // TVG view, other types
      {20, 1, TRUE, 0, 60},      // a negative lower clip becomes 0
  };
  for (const Case& c : cases) {
    U8 lower = 0, upper = 0;
    S_GRAYSCALE_vClips(c.sensitivity, c.transducer, c.tvg, &lower, &upper);
    EXPECT_EQ(lower, c.lower) << "sensitivity " << (int)c.sensitivity << " type " << c.transducer;
    EXPECT_EQ(upper, c.upper) << "sensitivity " << (int)c.sensitivity << " type " << c.transducer;
  }
}

TEST(Grayscale, RampsMapAmplitudesToEntries) {
  vIdentityColours();
  GRAYSCALE_TABLE t;
  struct Case {
    POST_PROCESS_MODE mode;
    U8 lower, upper, whiteLine;
    U8 amplitude;
    COLOR entry;
  } cases[] = {
      {POST_PROCESS_NONE, 63, 143, 0, 63, 0},    // at the lower clip: nothing
      {POST_PROCESS_NONE, 63, 143, 0, 64, 1},    // just above it: the weakest colour
      {POST_PROCESS_NONE, 63, 143, 0, 143, 31},  // at the upper clip: the strongest
      {POST_PROCESS_NONE, 63, 143, 0, 144, 31},
      {POST_PROCESS_WHITE_LINE, 40, 200, 140, 80, 15},   // the quarter point
      {POST_PROCESS_WHITE_LINE, 40, 200, 140, 200, 31},  // the upper clip
      {POST_PROCESS_WHITE_LINE, 40, 200, 140, 250, 35},  // above the white-line level
      {POST_PROCESS_WHITE_LINE, 40, 200, 140, 41, 1},
      {POST_PROCESS_WHITE_LINE, 40, 200, 250, 230, 31},  // above the clip, below the level
      {POST_PROCESS_SIDESCAN, 0, 135, 0, 0, 231},        // side-scan: the weakest at the bottom
      {POST_PROCESS_SIDESCAN, 0, 135, 0, 135, 200},      // and the strongest from the upper clip
  };
  for (const Case& c : cases) {
    S_GRAYSCALE_vRecalulateGrayScaleTableDirect(&t, c.mode, c.lower, c.upper, c.whiteLine);
    EXPECT_EQ(t.acColor[c.amplitude], c.entry) << "mode " << c.mode << " amplitude " << (int)c.amplitude;
  }
}

TEST(Grayscale, SideScanSensitivityTables) {
  EXPECT_EQ(S_GRAYSCALE_pu8GetSSSensitivityLE(FCID("SSF4"), 20), 0);
  EXPECT_EQ(S_GRAYSCALE_pu8GetSSSensitivityUE(FCID("SSF4"), 20), 135);
  EXPECT_EQ(S_GRAYSCALE_pu8GetSSSensitivityLE(FCID("SSF5"), 1), 38);
  EXPECT_EQ(S_GRAYSCALE_pu8GetSSSensitivityUE(FCID("SSF5"), 1), 168);
  // A sensitivity beyond the tables reads the last row instead of memory
  // after them.
  EXPECT_EQ(S_GRAYSCALE_pu8GetSSSensitivityUE(FCID("SSF4"), 200), 135);
}

TEST(Grayscale, ImagingRampIsMonotonicForEveryGammaAndContrast) {
  vIdentityColours();
  COLOR ramp[256];
  for (U8 gamma : {1, 5, 10, 15, 20}) {
    for (U8 contrast : {1, 5, 9, 10, 15, 19}) {
      S_GRAYSCALE_vCreateSideScanTable(ramp, 32, 20, 200, gamma, contrast);
      for (U32 a = 1; a < 256; ++a) {
        ASSERT_LE(ramp[a], ramp[a - 1]) << "gamma " << (int)gamma << " contrast " << (int)contrast << " at " << a;
        ASSERT_GE(ramp[a], 200) << "gamma " << (int)gamma << " contrast " << (int)contrast;
        ASSERT_LE(ramp[a], 231) << "gamma " << (int)gamma << " contrast " << (int)contrast;
      }
    }
  }
}

TEST(Grayscale, CategorizeAppliesGainAndBottomBlack) {
  vIdentityColours();
  GRAYSCALE_TABLE t;
  for (U32 a = 0; a < 256; ++a) t.acColor[a] = (COLOR)(1000 + a);
  const U8 in[5] = {0, 10, 250, 100, 100};
  COLOR out[5];
  struct Case {
    POST_PROCESS_MODE mode;
    U32 bottom;
    S8 gain;
    COLOR expect[5];
  } cases[] = {
      {POST_PROCESS_NONE, 3, 0, {1000, 1010, 1250, 1100, 1100}},          // bottom index ignored
      {POST_PROCESS_BOTTOM_BLACK, 3, 0, {1000, 1010, 1250, 32, 32}},      // entry 32 from the bottom on
      {POST_PROCESS_BOTTOM_BLACK, 0, 0, {1000, 1010, 1250, 1100, 1100}},  // 0: the whole column normal
      {POST_PROCESS_NONE, 5, 10, {1000, 1020, 1255, 1110, 1110}},         // 0 stays 0, 250 looked up as 255
      {POST_PROCESS_NONE, 5, -128, {1000, 1000, 1122, 1000, 1000}},
  };
  for (const Case& c : cases) {
    t.ePostProcessMode = c.mode;
    S_GRAYSCALE_vCategorize(in, out, 5, &t, c.bottom, c.gain);
    for (U32 i = 0; i < 5; ++i) EXPECT_EQ(out[i], c.expect[i]) << "mode " << c.mode << " gain " << (int)c.gain << " i " << i;
  }
}

}  // namespace
