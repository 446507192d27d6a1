// The shared sonar drawing: depth-line positions and labels, the colour bar,
// and the ring copied unwrapped into a view.
#include <gtest/gtest.h>

#include <string>

#include "../support/db_test_env.h"
#include "../support/graphics_canvas.h"
#include "common/u_convert.h"
#include "source/history/history_int.h"
#include "source/history/s_draw.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

TEST(DepthLines, PositionsAndLabels) {
  struct Case {
    U32 lines, height, top, upper, lower;
    std::vector<std::pair<S32, std::string>> expect;
  } cases[] = {
      {3, 495, 0, 0, 60, {{229, "45"}, {353, "30"}, {476, "15"}}},  // above a 105-pixel readout row
      {1, 400, 0, 0, 7, {{400, "3.5"}}},                   // half digits shown
      {3, 60, 0, 0, 40, {{555, "30"}, {570, "20"}, {585, "10"}}},    // < 2 px a foot: whole digits
      {3, 600, 0, 0, 15, {{148, "11.3"}, {300, "7.5"}, {448, "3.8"}}},
      {0, 600, 0, 0, 15, {}},   // lines off
      {3, 600, 0, 15, 15, {}},  // no span
  };
  for (const Case& c : cases) {
    DEPTH_LINE lines[16];
    const U32 n = S_DRAW_u32DepthLines(c.lines, c.height, c.top, c.upper, c.lower, lines);
    ASSERT_EQ(n, c.expect.size()) << c.lower;
    for (U32 i = 0; i < n; ++i) {
      EXPECT_EQ(lines[i].s32Y, c.expect[i].first) << c.lower << " line " << i;
      EXPECT_EQ(std::string(lines[i].acLabel), c.expect[i].second) << c.lower << " line " << i;
    }
  }
}

TEST(DepthLines, Labels) {
  struct Case {
    U32 tenths;
    const char* text;
  } cases[] = {{125, "12.5"}, {5, "0.5"}, {120, "12"}, {0, "0"}, {1000, "100"}};
  for (const Case& c : cases) {
    char text[16];
    S_DRAW_vDepthLabel(c.tenths, text);
    EXPECT_STREQ(text, c.text) << c.tenths;
  }
}

struct Ring : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    S_HISTORY_vCreate();
  }
  // Column x of the ring gets the colour x + 1 in every row.
  void Fill(SONAR_HISTORY* h) {
    COLOR* px = G_BITMAP_pPixels(h->pBmp);
    for (U32 r = 0; r < 600; ++r)
      for (U32 x = 0; x < 800; ++x) px[r * 800 + x] = (COLOR)(x + 1);
  }
};

TEST_F(Ring, CopyShowsTheNewestColumnAtTheRightEdge) {
  SONAR_HISTORY* h = &SonarViewInfo.Window[0].ScreenHistory;
  Fill(h);
  struct Case {
    U16 next;
    U32 width, offset;
    int x;
    COLOR colour;
  } cases[] = {
      {0, 800, 799, 799, 800},  // next 0: the last ring column is the newest
      {0, 800, 799, 0, 1},
      {10, 800, 799, 799, 10},  // ring columns 0..9 at the right edge
      {10, 800, 799, 790, 1},
      {10, 800, 799, 789, 800},  // and 10..799 to their left
      {10, 800, 799, 0, 11},
      {10, 5, 799, 795, 6},  // a narrow window shows only the newest columns
  };
  for (const Case& c : cases) {
    Canvas frame(800, 600, 0xAAAA);
    h->u16NextFreeColumn = c.next;
    ASSERT_TRUE(vCopyHistoryToBitmap(frame.bmp(), h, c.width, c.offset));
    EXPECT_EQ(frame.at(c.x, 300), c.colour) << "next " << c.next << " x " << c.x;
  }
  Canvas frame(800, 600, 0xAAAA);
  EXPECT_FALSE(vCopyHistoryToBitmap(frame.bmp(), h, 0, 799));   // nothing to copy
  EXPECT_FALSE(vCopyHistoryToBitmap(frame.bmp(), h, 800, 10));  // offset left of the width
  EXPECT_EQ(frame.at(5, 300), 0xAAAA);
}

TEST_F(Ring, DrawDuplicateClearAdvance) {
  SONAR_HISTORY* h = &SonarViewInfo.Window[0].ScreenHistory;
  BackGroundColor.store(0x0001);
  S_HISTORY_vFillBackground(&SonarViewInfo.Window[0]);
  COLOR column[600];
  for (U32 i = 0; i < 600; ++i) column[i] = (COLOR)(100 + i);
  vDrawColumnInHistory(column, h, 599, 600 - 400);  // 400 rows of data from the top
  EXPECT_EQ(h->u16NextFreeColumn, 1);
  const COLOR* px = G_BITMAP_pPixels(h->pBmp);
  EXPECT_EQ(px[0], 100);            // top row: the shallowest sample
  EXPECT_EQ(px[399 * 800], 499);    // last data row
  EXPECT_EQ(px[400 * 800], 0x0001);  // below it the background
  vDuplicateColumnInHistory(h, 0, 0);
  EXPECT_EQ(h->u16NextFreeColumn, 2);
  EXPECT_EQ(px[399 * 800 + 1], 499);
  vClearColumnInHistory(h, 599, 0);
  EXPECT_EQ(h->u16NextFreeColumn, 2);
  h->u16NextFreeColumn = 799;
  vAdvanceHistory(h);
  EXPECT_EQ(h->u16NextFreeColumn, 0);  // wraps at the ring width
  EXPECT_EQ(S_HISTORY_u32NewestColumn(h), 799u);
}

TEST_F(Ring, StoredSlotsKeepTheirOwnBuffers) {
  TSU_STORE_COLUMN* a = &TSUStore[0].aTsuStore[0];
  TSU_STORE_COLUMN* b = &TSUStore[0].aTsuStore[1];
  a->au8Data[0] = 77;
  a->u32SamplesInStore = 1;
  a->u8SampleFactor = 3;
  a->fDepthMetres = 12.0f;
  a->Location.bPositionValid = TRUE;
  U8* own = b->au8Data;
  S_TSU_vCopyTsuColumn(b, a);
  EXPECT_EQ(b->au8Data, own);
  EXPECT_EQ(b->au8Data[0], 77);
  EXPECT_EQ(b->u8SampleFactor, 3);
  a->au8Data[0] = 5;
  EXPECT_EQ(b->au8Data[0], 77);
  S_TSU_vResetColumn(a);
  EXPECT_EQ(a->u32SamplesInStore, 0u);
  EXPECT_EQ(a->u8SampleFactor, 1);
  EXPECT_FALSE(a->Location.bPositionValid);
  EXPECT_EQ(a->fDepthMetres, 0.0f);
  EXPECT_EQ(a->HeadingSource, HEADING_SOURCE_NO_DATA);
  EXPECT_EQ(a->au8Data[0], 0);
}

}  // namespace
