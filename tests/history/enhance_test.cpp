// The imaging enhance dialog: its keys as the history task receives them
// (rows, value steps, limits with the bad click, closing), opening on the
// first row, a stored sharpness beyond its four texts, the layout taken
// again after a change of language, and golden pictures at the limits.
#include <gtest/gtest.h>

#include <cstring>

#include "../support/db_test_env.h"
#include "../support/golden.h"
#include "../support/graphics_canvas.h"
#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/history/history_int.h"
#include "source/history/s_enhance.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bConversions = (U_CONVERT_vInitialiseConversionUtility(), true);

constexpr COLOR kGround = 0x4208;

FOURCHARID Id(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

void Key(U32 key, CURSOR_POSITION dir = CURSOR_UP) {
  MSG_KEY_CHANGE m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_KEY_CHANGE;
  m.key = key;
  m.state = KEY_DOWN;
  m.count = 1;
  m.cursor = dir;
  S_HISTORY_vKey(&m);
}

U32 Value(const char* k) {
  U32 v = 999;
  (void)H_DATABASE_bFetchU32(Id(k), &v);
  return v;
}
void Set(const char* k, U32 v) {
  H_DATABASE_bUpdateEverythingU32(Id(k), v, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

// 'g' good click, 'b' bad click, '-' none.
char Click() {
  if (L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0) == lsSUCCESS) return 'b';
  if (L_SEMA_WaitTicks(SEMA_KEYCLICK_GOOD, 0) == lsSUCCESS) return 'g';
  return '-';
}

struct Enhance : ::testing::Test {
  void SetUp() override {
    (void)s_install;
    (void)s_bConversions;
    COLOR_vResetColorTable();
    SonarViewInfo.Window[0].bManualDepthRange = TRUE;
    S_ENHANCE_vClose(FALSE);
    Set("SDSS", 10);
    Set("SDSN", 10);
    Set("SDSL", 0);
    S_ENHANCE_vCreateDialog();
    while (Click() != '-') {
    }
  }
  void TearDown() override { S_ENHANCE_vClose(FALSE); }
};

TEST_F(Enhance, KeysMoveBetweenRowsAndStepTheValues) {
  ASSERT_TRUE(S_ENHANCE_bActive());
  struct Step {
    CURSOR_POSITION dir;
    S32 item;
    U32 sdss, sdsn, sdsl;
    char click;
  } steps[] = {
      {CURSOR_NORTH, 1, 10, 10, 0, 'b'},  // up on the first row
      {CURSOR_EAST, 1, 11, 10, 0, 'g'},
      {CURSOR_WEST, 1, 10, 10, 0, 'g'},
      {CURSOR_SOUTH, 2, 10, 10, 0, 'g'},
      {CURSOR_WEST, 2, 10, 9, 0, 'g'},
      {CURSOR_SOUTH, 3, 10, 9, 0, 'g'},
      {CURSOR_WEST, 3, 10, 9, 0, 'b'},    // sharpness Off is its least
      {CURSOR_SOUTH, 3, 10, 9, 0, 'b'},   // no row below
      {CURSOR_EAST, 3, 10, 9, 1, 'g'},
      {CURSOR_EAST, 3, 10, 9, 2, 'g'},
      {CURSOR_EAST, 3, 10, 9, 3, 'g'},
      {CURSOR_EAST, 3, 10, 9, 3, 'b'},    // High is its most
      {CURSOR_NORTH, 2, 10, 9, 3, 'g'},
  };
  for (const Step& s : steps) {
    Key(KEY_MASK_CURSOR, s.dir);
    EXPECT_EQ(S_ENHANCE_s32Item(), s.item) << s.dir;
    EXPECT_EQ(Value("SDSS"), s.sdss) << s.dir;
    EXPECT_EQ(Value("SDSN"), s.sdsn) << s.dir;
    EXPECT_EQ(Value("SDSL"), s.sdsl) << s.dir;
    EXPECT_EQ(Click(), s.click) << s.dir << " at item " << s.item;
  }
  // The exit key closes it with the good click; keys then belong to the
  // cursor again and leave the values alone.
  Key(KEY_MASK_EXIT);
  EXPECT_FALSE(S_ENHANCE_bActive());
  EXPECT_EQ(Click(), 'g');
  Key(KEY_MASK_CURSOR, CURSOR_EAST);
  EXPECT_EQ(Value("SDSN"), 9u);
}

TEST_F(Enhance, LimitsAndReopening) {
  struct Case {
    const char* key;
    U32 start;
    S32 item;
    CURSOR_POSITION dir;
    U32 expect;
    char click;
  } cases[] = {
      {"SDSS", 20, 1, CURSOR_EAST, 20, 'b'},
      {"SDSS", 1, 1, CURSOR_WEST, 1, 'b'},
      {"SDSN", 20, 2, CURSOR_EAST, 20, 'b'},
      {"SDSN", 1, 2, CURSOR_WEST, 1, 'b'},
      {"SDSL", 7, 3, CURSOR_EAST, 7, 'b'},  // a stored 7 reads as High
      {"SDSL", 7, 3, CURSOR_WEST, 2, 'g'},
  };
  for (const Case& c : cases) {
    Set(c.key, c.start);
    // Each opening starts on the first row.
    S_ENHANCE_vCreateDialog();
    EXPECT_EQ(S_ENHANCE_s32Item(), 1);
    for (S32 i = 1; i < c.item; ++i) Key(KEY_MASK_CURSOR, CURSOR_SOUTH);
    while (Click() != '-') {
    }
    Key(KEY_MASK_CURSOR, c.dir);
    EXPECT_EQ(Value(c.key), c.expect) << c.key << " " << c.start;
    EXPECT_EQ(Click(), c.click) << c.key << " " << c.start;
    Key(KEY_MASK_EXIT);
    Set(c.key, 10);
  }
}

TEST_F(Enhance, Pictures) {
  struct Case {
    U32 sdss, sdsn, sdsl;
    S32 item;
    const char* golden;
  } cases[] = {
      {20, 10, 0, 1, "history/enhance_sensitivity_20"},  // no right arrow; Off
      {1, 20, 7, 3, "history/enhance_sharpness_stored_7"},  // High without a right arrow
  };
  for (const Case& c : cases) {
    Set("SDSS", c.sdss);
    Set("SDSN", c.sdsn);
    Set("SDSL", c.sdsl);
    S_ENHANCE_vCreateDialog();
    for (S32 i = 1; i < c.item; ++i) Key(KEY_MASK_CURSOR, CURSOR_SOUTH);
    S_ENHANCE_vLanguageChanged();
    Canvas frame(800, 600, kGround);
    T_N_HISTORY_vRenderDiEnhance(frame.bmp(), nullptr);
    ExpectMatchesGolden(frame.pixels.data(), 800, 600, frame.pitch, c.golden);
    Key(KEY_MASK_EXIT);
  }
}

}  // namespace
