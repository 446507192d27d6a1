// The point-of-sale layer as the unit draws it: a balloon with bullets and
// the more-information bar over the review view, and a stopped script's
// error, each compared with its golden picture.
#include <gtest/gtest.h>

#include <string>

#include "source/graphics/g_bitmap.h"
#include "source/graphics/t_view_review.h"
#include "source/ui/t_keyboard_pos.h"
#include "source/ui/u_pos_script.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

LAYER_ID FindView(void*, const char*) { return CAPTURE_REVIEW_VIEW_PRIORITY; }
void Write(void*, FOURCHARID, U32) {}
BOOLEAN Visible(void*) { return TRUE; }
void Press(void*, U32, CURSOR_POSITION) {}
void Nothing(void*) {}
void Chart(void*, BOOLEAN) {}
POS_PHOTO_RESULT Photo(void*, const char*) { return POS_PHOTO_NOT_FOUND; }

const POS_SCRIPT_ENV s_env{nullptr, FindView, Write, Visible, Press, Nothing, Nothing, Chart, Photo, Nothing};

void RunSteps(POS_SCRIPT* s, const std::string& text, int steps) {
  POS_SCRIPT_vReset(s, text.data(), (U32)text.size(), 0, POINT{560, 20});
  for (int i = 0; i < steps; ++i) POS_SCRIPT_s32Step(s, &s_env);
}

TEST(PosDemoGolden, BalloonOverTheReviewView) {
  COLOR_vResetColorTable();
  const std::string text =
      "CHAPTER TOUR\n"
      "EXITMESSAGEBOX\n"
      "MOREINFO IMAGING\n"
      "BALLOON 40 250 480 6 \"Sonar imaging\"\n"
      "Down and side imaging show the bottom\n"
      "and the fish beside the boat in detail.\n"
      "[BULLET] Record sonar to an SD card\n"
      "[BULLET] Play it back[HSPACE 20]at home\n"
      "ENDBALLOON\n"
      "ENDMOREINFO\n"
      "ENDCHAPTER\n"
      "CHAPTER IMAGING\n"
      "ENDCHAPTER\n";
  POS_SCRIPT s;
  RunSteps(&s, text, 4);
  ASSERT_EQ(s.scriptError, NO_ERROR);
  ASSERT_TRUE(s.curBalloon.bActive);
  ASSERT_TRUE(s.curBalloon.bMoreInfo);
  Canvas c(800, 600);
  T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
  T_KEYBOARD_vDrawPOSScript(c.bmp(), &s, nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "pos/balloon");
}

TEST(PosDemoGolden, StoppedScriptShowsItsError) {
  COLOR_vResetColorTable();
  POS_SCRIPT s;
  RunSteps(&s, "CHAPTER R\nMOREINFO NOWHERE\nENDMOREINFO\nENDCHAPTER\n", 2);
  ASSERT_EQ(s.scriptError, ERR_CHAPTER_NOT_FOUND);
  Canvas c(800, 600, 0x3A8F);
  T_KEYBOARD_vDrawPOSScript(c.bmp(), &s, nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "pos/error");
}

}  // namespace
