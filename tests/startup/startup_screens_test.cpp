// The start-up screens: golden pictures of the splash with a personal text,
// the start-up options with the simulator selected, the chart disclaimer,
// the two notices; a missing language gives a
// plain splash, the personal text keeps at most four lines, and a finished
// disclaimer is a plain page.
#include <gtest/gtest.h>
#include <string.h>

#include <set>

#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_startup.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

STARTUP_SCREEN_STATE State(SYSTEM_STATE state, S32 line, DISCLAIMER disclaimer, const char* personal) {
  STARTUP_SCREEN_STATE s{};
  s.eState = state;
  s.s32MenuLine = line;
  s.bTransducerConnected = FALSE;
  s.bSystemStarted = FALSE;
  s.eDisclaimer = disclaimer;
  strncpy(s.acPersonal, personal, sizeof s.acPersonal - 1);
  return s;
}

class StartupScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)s_bInstalled;
    H_DATABASE_vInit();
    COLOR_vResetColorTable();
    (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_NORMAL);
    (void)H_DATABASE_bUpdateValueU32(FCID("SMDL"), 345, P_NORMAL);
  }
};

int Distinct(const Canvas& c) {
  return (int)std::set<U16>(c.pixels.begin(), c.pixels.end()).size();
}

TEST_F(StartupScreens, Goldens) {
  struct CASE {
    const char* name;
    DRAW_FUNCTION* draw;
    STARTUP_SCREEN_STATE state;
  };
  const char personal[] = "Property of\x03\x03" "the harbour master";
  const CASE cases[] = {
      {"startup/splash", &T_STARTUP_vDisplaySplashScreen, State(STATE_BURN_IN, 0, DISCLAIMER_INACTIVE, personal)},
      {"startup/options", &T_STARTUP_vDisplayStartupMenu, State(STATE_BURN_IN, 1, DISCLAIMER_INACTIVE, "")},
      {"startup/disclaimer", &T_STARTUP_vDisplayDisclaimer, State(STATE_SIMULATION, 1, DISCLAIMER_ACTIVE, "")},
      {"startup/burn_in_notice", &T_STARTUP_vDrawTransducerNotDetected,
       State(STATE_BURN_IN, 0, DISCLAIMER_INACTIVE, "")},
      {"startup/transducer_notice", &T_STARTUP_vDrawTransducerNotDetected,
       State(STATE_POINT_OF_SALE, 0, DISCLAIMER_INACTIVE, "")},
  };
  (void)H_DATABASE_bUpdateValueU32(FCID("SAGE"), 7 * 3600 + 25 * 60, P_NORMAL);
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    T_STARTUP_vSetScreenState(c.state);
    Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x0000);
    c.draw(canvas.bmp(), nullptr);
    ExpectMatchesGolden(canvas.pixels.data(), canvas.width, canvas.height, canvas.pitch, c.name);
  }
}

TEST_F(StartupScreens, SplashWithoutLanguageIsPlain) {
  H_DATABASE_vDeleteEntry(FCID("SLNG"));
  T_STARTUP_vSetScreenState(State(STATE_BURN_IN, 0, DISCLAIMER_INACTIVE, "a\x03\x03" "b"));
  Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x1234);
  T_STARTUP_vDisplaySplashScreen(canvas.bmp(), nullptr);
  EXPECT_EQ(Distinct(canvas), 1);
}

TEST_F(StartupScreens, PersonalTextKeepsAtMostFourLines) {
  // Five lines and the same text cut after four draw the same picture.
  Canvas five(G_SCREEN_WIDTH, G_SCREEN_HEIGHT), four(G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  T_STARTUP_vSetScreenState(State(STATE_BURN_IN, 0, DISCLAIMER_INACTIVE, "one\x03two\x03three\x03" "four\x03" "five"));
  T_STARTUP_vDisplaySplashScreen(five.bmp(), nullptr);
  T_STARTUP_vSetScreenState(State(STATE_BURN_IN, 0, DISCLAIMER_INACTIVE, "one\x03two\x03three\x03" "four"));
  T_STARTUP_vDisplaySplashScreen(four.bmp(), nullptr);
  EXPECT_EQ(five.pixels, four.pixels);
}

TEST_F(StartupScreens, FinishedDisclaimerIsAPlainPage) {
  T_STARTUP_vSetScreenState(State(STATE_SIMULATION, 0, DISCLAIMER_FINISHED, ""));
  Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x1234);
  T_STARTUP_vDisplayDisclaimer(canvas.bmp(), nullptr);
  EXPECT_EQ(Distinct(canvas), 1);
}

}  // namespace
