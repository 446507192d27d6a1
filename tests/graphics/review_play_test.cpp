// The review view's recording and playback states: the playback mode the
// cursor keys and the speed menu choose (a table of every mode), the keys a
// start and end of each state writes (CSRE, CPSP, CCST, CVEW, CRST), the
// change notices that keep CPSP and CPSM in step, a card pulled from under
// a recording, and the two states' pictures (golden).
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_view_review.h"
#include "source/graphics/t_view_review_int.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

U32 u32(const char* k) {
  U32 v = 0;
  (void)H_DATABASE_bFetchU32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), &v);
  return v;
}
S32 s32(const char* k) {
  S32 v = 0;
  (void)H_DATABASE_bFetchS32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), &v);
  return v;
}
// A key written and its change notice handed to the view as the view task
// does (the view task's own writes are seen the same way).
void vNotice(const char* k) {
  MESSAGE_NEW_DATA m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = MAKE_FOURCHARID(k[0], k[1], k[2], k[3]);
  const U32 v = u32(k);
  memcpy(&m.dbValue, &v, sizeof v);
  m.bValid = TRUE;
  T_VIEW_vReviewNotice(&m);
}
void vSet(const char* k, U32 v) {
  (void)H_DATABASE_bUpdateEverythingU32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), v, P_NORMAL, D_UNSIGNED32, nullptr,
                                        DB_NO_TIMEOUT);
  vNotice(k);
}
void vCursor(CURSOR_POSITION c) {
  MSG_KEY_CHANGE k{};
  k.Header.Cmd = CMD_ID_KEY_CHANGE;
  k.key = KEY_MASK_CURSOR;
  k.state = KEY_DOWN;
  k.cursor = c;
  T_VIEW_vReviewMessage(&k.Header);
}

// ------------------------------------------------------------ playback mode
struct MODE_CASE {
  U32 mode;
  U32 right, left;  // after the key; 0: refused
  U32 speedMenu;
  U32 choice;  // CPSM that follows the mode; 0: left as it is
};
constexpr MODE_CASE kModes[] = {
    {PLAYBACK_MODE_BEGIN, 0, 0, 1, 1},
    {PLAYBACK_MODE_4XREVERSE, 3, 0, 0, 2},
    {PLAYBACK_MODE_2XREVERSE, 4, 2, 0, 3},
    {PLAYBACK_MODE_REVERSE, 5, 3, 0, 4},
    {PLAYBACK_MODE_REVERSE_SLOW, 6, 4, 0, 5},
    {PLAYBACK_MODE_PAUSED, 7, 5, 0, 6},
    {PLAYBACK_MODE_FORWARD_SLOW, 8, 6, 0, 7},
    {PLAYBACK_MODE_FORWARD, 9, 7, 0, 8},
    {PLAYBACK_MODE_2XFORWARD, 10, 8, 0, 9},
    {PLAYBACK_MODE_4XFORWARD, 0, 9, 0, 10},
    {PLAYBACK_MODE_END, 0, 0, 2, 11},
    {PLAYBACK_MODE_END_FILL, 0, 0, 3, 0},
    {PLAYBACK_MODE_STOP, 0, 0, 0, 0},
    {PLAYBACK_MODE_RECORD, 0, 0, 0, 0},
    {PLAYBACK_MODE_PAUSED_BEGIN, PLAYBACK_MODE_FORWARD_SLOW, 0, 1, 6},
    {PLAYBACK_MODE_PAUSED_END, 0, PLAYBACK_MODE_REVERSE_SLOW, 2, 6},
};

TEST(PlaybackMode, CursorKeysSpeedMenusAndChoicesOfEveryMode) {
  for (const MODE_CASE& c : kModes) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    EXPECT_EQ(review_play::u32ModeAfterCursor(c.mode, true), c.right);
    EXPECT_EQ(review_play::u32ModeAfterCursor(c.mode, false), c.left);
    EXPECT_EQ(review_play::u32SpeedMenuFor(c.mode), c.speedMenu);
    EXPECT_EQ(review_play::u32ChoiceForMode(c.mode), c.choice);
  }
  // The user's choice: a mode becomes the mode; pause keeps a pause at
  // either end.
  struct {
    U32 choice, mode, result;
  } const choices[] = {
      {PLAYBACK_MODE_BEGIN, PLAYBACK_MODE_FORWARD, PLAYBACK_MODE_BEGIN},
      {PLAYBACK_MODE_END, PLAYBACK_MODE_PAUSED, PLAYBACK_MODE_END},
      {PLAYBACK_MODE_PAUSED, PLAYBACK_MODE_FORWARD, PLAYBACK_MODE_PAUSED},
      {PLAYBACK_MODE_PAUSED, PLAYBACK_MODE_PAUSED_BEGIN, PLAYBACK_MODE_PAUSED_BEGIN},
      {PLAYBACK_MODE_PAUSED, PLAYBACK_MODE_PAUSED_END, PLAYBACK_MODE_PAUSED_END},
      {PLAYBACK_MODE_STOP, PLAYBACK_MODE_FORWARD, PLAYBACK_MODE_FORWARD},
  };
  for (const auto& c : choices) EXPECT_EQ(review_play::u32ModeForChoice(c.choice, c.mode), c.result) << c.choice;
}

// ------------------------------------------------------------ states
class ReviewStates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    review_play::vStart();
  }
  void SetUp() override {
    (void)H_DATABASE_bUpdateEverythingS32(FCID("CCST"), STATE_SIMULATION, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingS32(VIEW_KEY_CURRENT, CAPTURE_REVIEW_VIEW_PRIORITY, P_NORMAL, D_UNKNOWN, nullptr,
                                          DB_NO_TIMEOUT);
    T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  }
  void TearDown() override { T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS); }
};

TEST_F(ReviewStates, RecordingStartsAndEndsThroughCsre) {
  T_VIEW_vToggleRecordingState();
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_RECORDING);
  EXPECT_EQ(u32("CSRE"), 1u);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_RECORD);
  // Playback cannot start while recording: the cursor keys do nothing.
  vCursor(CURSOR_EAST);
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_RECORDING);
  T_VIEW_vToggleRecordingState();
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
  EXPECT_EQ(u32("CSRE"), 0u);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_STOP);

  // The owner of the recording turns CSRE off (refused, write error): the
  // view returns to its thumbnails.
  T_VIEW_vToggleRecordingState();
  (void)H_DATABASE_bUpdateValueBoolean(FCID("CSRE"), FALSE, P_NORMAL);
  vNotice("CSRE");
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
}

TEST_F(ReviewStates, CardPulledFromUnderTheRecordingEndsIt) {
  struct {
    const char* key;
    U8 recordedSlot;
    bool ends;
  } const cases[] = {{"CSD0", 0, true}, {"CSD1", 0, false}, {"CSD1", 1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " slot " + std::to_string(c.recordedSlot));
    T_VIEW_vSetSRViewState(SR_VIEW_RECORDING);
    MSG_PING_VIEW_START m{};
    m.Header.Cmd = CMD_ID_PING_START;
    m.u8DeviceNumber = c.recordedSlot;
    snprintf(m.sFileName, sizeof m.sFileName, "R00001");
    T_VIEW_vReviewMessage(&m.Header);
    vSet(c.key, 0);
    EXPECT_EQ(T_VIEW_eSRViewState(), c.ends ? SR_VIEW_THUMBNAILS : SR_VIEW_RECORDING);
    EXPECT_EQ(u32("CSRE"), c.ends ? 0u : 1u);
    T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  }
}

TEST_F(ReviewStates, PlaybackSwitchesStateAndViewAndFollowsTheModeKeys) {
  T_VIEW_vSetSRViewState(SR_VIEW_PLAYBACK);
  ASSERT_EQ(T_VIEW_eSRViewState(), SR_VIEW_PLAYBACK);
  EXPECT_EQ(s32("CCST"), STATE_PLAYBACK);
  EXPECT_EQ(s32("CVEW"), CHART_PLUS_NADSCAN_VIEW_PRIORITY);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_FORWARD);
  vNotice("CPSP");
  EXPECT_EQ(u32("CPSM"), (U32)PLAYBACK_MODE_FORWARD);

  // Right twice: 2x then 4x forward; a third is refused.
  vCursor(CURSOR_EAST);
  vNotice("CPSP");
  vCursor(CURSOR_EAST);
  vNotice("CPSP");
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_4XFORWARD);
  vCursor(CURSOR_EAST);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_4XFORWARD);

  // The end of the data pauses at the end: pause is the choice, and
  // choosing pause keeps the end pause; the reverse choice plays back.
  vSet("CPSP", PLAYBACK_MODE_PAUSED_END);
  EXPECT_EQ(u32("CPSM"), (U32)PLAYBACK_MODE_PAUSED);
  EXPECT_EQ(review_play::u32SpeedMenu(), 2u);
  vNotice("CPSM");
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_PAUSED_END);
  vSet("CPSM", PLAYBACK_MODE_REVERSE);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_REVERSE);

  // Stop: the state and the review view come back, the mode stops.
  T_VIEW_vStopPlayback();
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
  EXPECT_EQ(s32("CCST"), STATE_SIMULATION);
  EXPECT_EQ(s32("CVEW"), CAPTURE_REVIEW_VIEW_PRIORITY);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_STOP);
  // Outside playback the speed menu's choice changes nothing.
  vSet("CPSM", PLAYBACK_MODE_FORWARD);
  EXPECT_EQ(u32("CPSP"), (U32)PLAYBACK_MODE_STOP);
}

// ------------------------------------------------------------ pictures
TEST_F(ReviewStates, RecordingAndEndPausePictures) {
  T_VIEW_vSetSRViewState(SR_VIEW_RECORDING);
  MSG_PING_VIEW_START m{};
  m.Header.Cmd = CMD_ID_PING_START;
  m.u32StartDateTime = 12 * 3600 + 34 * 60 + 56;
  m.u32CardAvailableKB = 1536 * 1024;
  m.u32CardSizeKB = 2048 * 1024;
  snprintf(m.sFileName, sizeof m.sFileName, "R00007");
  T_VIEW_vReviewMessage(&m.Header);
  vSet("CRTS", 83000);
  vSet("CRBS", 3 * 1024 * 1024);
  vSet("CRPB", 2048);
  vSet("CRCP", 120);
  vSet("CRAV", 125);
  Canvas c(800, 600);
  T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/recording");

  T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  T_VIEW_vSetSRViewState(SR_VIEW_PLAYBACK);
  vSet("CPSP", PLAYBACK_MODE_PAUSED_END);
  T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/playback_end");
}

}  // namespace
