// Sonar palettes: what each palette setting loads into the colour table,
// the background and indicator colours of the display palettes, and the
// 200 kHz blend limit. Goldens show every palette as a strip of 32 bars.
#include <gtest/gtest.h>

#include <vector>

#include "../support/golden.h"
#include "source/graphics/g_bitmap.h"
#include "source/history/s_history.h"

namespace {

TEST(Palette, TwoDPalettesAndDisplayPalettes) {
  struct Case {
    U32 sspl, spal;
    COLOR entry0, entry1, entry31, indicator;
  } cases[] = {
      {1, 1, 0xFFFF, 0x0000, 0xFFE0, 0x424A},
      {0, 1, 0xFFFF, 0x0000, 0xFFE0, 0x424A},  // out of range: the first palette
      {9, 1, 0xFFFF, 0x0000, 0xFFE0, 0x424A},
      {2, 2, 0x2815, 0x1003, 0xFFE0, 0x8C94},  // display palette 2: its own background
      {3, 3, 0x0000, 0x0009, 0x9000, 0x8C94},  // display palette 3: black background
      {5, 1, 0xFFFF, 0xF79E, 0x0000, 0x424A},
      {6, 1, 0xFFFF, 0x0000, 0xF79E, 0x424A},
      {7, 1, 0xFFFF, 0x0040, 0x07C0, 0x424A},
  };
  for (const Case& c : cases) {
    S_PALETTE_vLoad2D(c.sspl, c.spal);
    EXPECT_EQ((COLOR)gCOLOR_pcolColorTable[0], c.entry0) << "SSPL " << c.sspl;
    EXPECT_EQ(BackGroundColor.load(), c.entry0) << "SSPL " << c.sspl;
    EXPECT_EQ((COLOR)gCOLOR_pcolColorTable[1], c.entry1) << "SSPL " << c.sspl;
    EXPECT_EQ((COLOR)gCOLOR_pcolColorTable[31], c.entry31) << "SSPL " << c.sspl;
    EXPECT_EQ(s_colorFrequencyIndicator.load(), c.indicator) << "SSPL " << c.sspl;
  }
}

TEST(Palette, StoredAnchorsAndRamps) {
  // The stored entries 8, 16 and 24 of the interpolated palettes.
  struct Case {
    const COLOR* p;
    COLOR e8, e16, e24;
  } cases[] = {
      {S_PALETTE_pc2D(1), 0x5012, 0xF000, 0xFC60}, {S_PALETTE_pc2D(2), 0x2810, 0x0500, 0xA7E0},
      {S_PALETTE_pc2D(3), 0x03EF, 0x7FE0, 0xFD60}, {S_PALETTE_pc2D(4), 0x0550, 0x9740, 0xFDC0},
      {S_PALETTE_pcImaging(3), 0x0780, 0x03C0, 0x0000},  // entries 16, 24, 31 of the green imaging palette
  };
  for (const Case& c : cases) {
    if (c.p == S_PALETTE_pcImaging(3)) {
      EXPECT_EQ(c.p[16], c.e8);
      EXPECT_EQ(c.p[24], c.e16);
      EXPECT_EQ(c.p[31], c.e24);
      continue;
    }
    EXPECT_EQ(c.p[8], c.e8);
    EXPECT_EQ(c.p[16], c.e16);
    EXPECT_EQ(c.p[24], c.e24);
  }
  const COLOR* gray = S_PALETTE_pc2D(5);
  for (U32 i = 0; i < 32; ++i) EXPECT_EQ(gray[i], (COLOR)(0xFFDF - 0x0841 * i));
  for (U32 i = 0; i < 32; ++i) EXPECT_EQ(S_PALETTE_pcImaging(1)[i], gray[i]);
  for (U32 i = 0; i < 32; ++i) EXPECT_EQ(S_PALETTE_pcImaging(2)[i], gray[31 - i]);
}

TEST(Palette, ImagingPaletteLoadsOnlyValidNumbers) {
  ASSERT_TRUE(T_N_HISTORY_vSetSonarColorTable(4));
  EXPECT_EQ((COLOR)gCOLOR_pcolColorTable[200], 0xFFFF);  // the strongest echo white
  EXPECT_EQ((COLOR)gCOLOR_pcolColorTable[231], 0x0000);  // the weakest black
  for (U32 bad : {0u, 9u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(T_N_HISTORY_vSetSonarColorTable(bad)) << bad;
    EXPECT_EQ((COLOR)gCOLOR_pcolColorTable[200], 0xFFFF) << bad;
  }
}

TEST(Palette, BlendLimitOf200kHzBeam) {
  struct Case {
    U32 speed, limit;
  } cases[] = {{1463, 11567}, {1500, 11282}};
  const COLOR bg = BackGroundColor.load();
  for (const Case& c : cases) {
    g_u32SpeedOfSoundInWater.store(c.speed);
    EXPECT_EQ(S_PALETTE_u32Blend200Limit(), c.limit);
    EXPECT_EQ(colorBlend200(0x1234, c.limit - 1, FALSE), 0x1234);
    EXPECT_EQ(colorBlend200(0x1234, c.limit, FALSE), bg);
  }
  EXPECT_EQ(colorBlend83(0x1234, 0, TRUE), bg);  // a noisy low-frequency ping stays out
  EXPECT_EQ(colorBlend83(0x1234, 0, FALSE), 0x1234);
  g_u32SpeedOfSoundInWater.store(1463);
}

// Every palette as 32 bars of 8 × 16 pixels, one palette a row.
TEST(Palette, Golden) {
  std::vector<const COLOR*> rows;
  for (U32 p = 1; p <= 7; ++p) rows.push_back(S_PALETTE_pc2D(p));
  for (U32 p = 1; p <= 8; ++p) rows.push_back(S_PALETTE_pcImaging(p));
  const int w = 32 * 8, h = (int)rows.size() * 16;
  std::vector<U16> px((size_t)w * h);
  for (size_t r = 0; r < rows.size(); ++r)
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < w; ++x) px[((size_t)r * 16 + y) * w + x] = rows[r][x / 8];
  ExpectMatchesGolden(px.data(), w, h, w, "history/palettes");
}

}  // namespace
