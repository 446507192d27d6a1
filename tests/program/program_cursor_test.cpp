// The sonar cursor as a person uses it: the unit started in the simulator
// with the sonar stand-in, stepped with VIEW to the 2D sonar view; the cursor key brings
// up the cursor bar along the top edge (its 3-pixel rule and the depth at
// the cursor) and the exit key takes it away again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"
#include "common/view_types.h"
#include "source/platform/host/host_png.h"

namespace {

// MENU opens the start-up options, the south cursor moves to the simulator
// (a transducer is found), east takes it, EXIT passes the disclaimer and the
// last EXIT closes the quick setup of a first start.
const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_SOUTH, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT,
                                     DD_SLOT_EXIT};

// Black pixels of row 45 from the top: the cursor bar's rule.
int RuleLength(const std::string& path) {
  std::vector<U16> px;
  int w = 0, h = 0;
  std::string error;
  if (!HOST_bReadPng565(path.c_str(), &px, &w, &h, &error) || w != 800 || h != 600) return -1;
  int n = 0;
  for (int x = 0; x < w; ++x) n += px[(size_t)45 * w + x] == 0x0000;
  return n;
}

TEST(ProgramCursor, CursorKeyShowsTheBarAndExitHidesIt) {
  CProgram program;
  program.SetEnv("TESSIX_SYSTEM_STATUS", "0");  // the clock command of the set-up succeeds
  const std::string screens = program.HostRoot() + "/../screen";
  std::filesystem::create_directories(screens);
  setenv("TESSIX_SCREEN_DIR", screens.c_str(), 1);
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "depth 12\npace 0.25\npresent yes\nseed 5\n");
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  size_t next = 0;
  long long due = 0, running = 0;
  int stage = 0, presses = 0;
  long long stageAt = 0;
  int rules[3] = {-1, -1, -1};
  auto shot = [&](int i) {
    std::error_code ec;
    const std::string to = screens + "/shot" + std::to_string(i) + ".png";
    std::filesystem::copy_file(screens + "/screen.png", to, std::filesystem::copy_options::overwrite_existing, ec);
    rules[i] = ec ? -1 : RuleLength(to);
  };
  auto press = [&](int slot) { return TEST_bPressKey(fifo, slot, 1) && TEST_bPressKey(fifo, slot, 0); };
  RESULT r = program.Run({"quit_sec", "60"}, 90000, 0, [&](pid_t, const std::string& out) {
    const long long now = llRealMs();
    if (next < kStartKeys.size()) {
      const char* awaited = next + 1 < kStartKeys.size() ? "STARTUP: transducer" : "STARTUP: quick setup shown";
      if (now >= due && out.find(awaited) != std::string::npos) {
        if (press(kStartKeys[next])) next++;
        due = now + 700;
      }
      return true;
    }
    // VIEW until the 2D sonar view is current (the list may start on another
    // sonar view).
    if (running == 0) {
      if (out.find("run system: state") == std::string::npos) return true;
      const size_t at = out.rfind("VIEWKEY: view ");
      if (at != std::string::npos && atoi(out.c_str() + at + 14) == SONAR_VIEW_PRIORITY) {
        running = now;
      } else if (now >= due && presses < 8 && press(DD_SLOT_VIEW)) {
        ++presses;
        due = now + 1500;
      }
      return true;
    }
    if (now < due) return true;
    due = now + 500;
    switch (stage) {
      case 0:  // before: no bar; then the cursor key
        if (now - running < 8000) return true;
        shot(0);
        press(DD_SLOT_CURSOR_WEST);
        stage = 1;
        stageAt = now;
        return true;
      case 1:  // the bar shows (looked for every half second); then the exit key
        shot(1);
        if (rules[1] <= 700 && now - stageAt < 15000) return true;
        press(DD_SLOT_EXIT);
        stage = 2;
        stageAt = now;
        return true;
      default:  // the bar goes
        shot(2);
        if (rules[2] >= 100 && now - stageAt < 15000) return true;
        stage = 3;
        return false;
    }
  });
  unsetenv("TESSIX_SCREEN_DIR");
  ASSERT_EQ(stage, 3) << sDescribe(r);
  EXPECT_LT(rules[0], 100) << "no bar before the cursor key\n" << sDescribe(r);
  EXPECT_GT(rules[1], 700) << "the cursor bar's rule\n" << sDescribe(r);
  EXPECT_LT(rules[2], 100) << "the bar gone after the exit key\n" << sDescribe(r);
}

}  // namespace
