// The depth readout of the running unit: started with the sonar stand-in
// (a flat 12 m bottom in fresh water, a fixed supply reading) the person goes through the start-up
// screens into normal operation and steps with VIEW to the sonar view. Once
// the published depth has settled, the row of readout boxes along the bottom
// of the screen shows it: the picture of the row is compared with its
// golden picture.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "../support/golden.h"
#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"
#include "source/platform/host/host_png.h"

namespace {

// The last EXIT closes the quick setup of a first start.
const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT, DD_SLOT_EXIT};
constexpr int SONAR_VIEW = 49;
// The readout row: the bottom 105 rows of the 800 x 600 screen.
constexpr int ROW_TOP = 495, ROW_HEIGHT = 105, WIDTH = 800;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The view the view-key task made current last, or -1.
int LastView(const std::string& out) {
  int view = -1;
  const std::regex re("VIEWKEY: view (-?[0-9]+)");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), re); it != std::sregex_iterator(); ++it) {
    view = std::stoi((*it)[1].str());
  }
  return view;
}

TEST(ProgramDepthReadout, SettledDepthInTheReadoutRow) {
  CProgram program;
  const std::string screens = program.HostRoot() + "/../screen";
  std::filesystem::create_directories(screens);
  setenv("TESSIX_SCREEN_DIR", screens.c_str(), 1);
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "depth 12\npresent yes\nseed 5\nbattery 275\n");
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  size_t next = 0;
  long long due = 0, inView = 0;
  size_t depthsInView = 0;
  bool taken = false;
  RESULT r = program.Run({"quit_sec", "60"}, 70000, 0, [&](pid_t pid, const std::string& out) {
    const long long now = llRealMs();
    if (now < due) return true;
    if (next < kStartKeys.size()) {
      const char* awaited = next + 1 < kStartKeys.size() ? "STARTUP: transducer" : "STARTUP: quick setup shown";
      if (out.find(awaited) != std::string::npos) {
        if (TEST_bPressKey(fifo, kStartKeys[next], 1) && TEST_bPressKey(fifo, kStartKeys[next], 0)) next++;
        due = now + 700;
      }
      return true;
    }
    if (out.find("STARTUP: quick setup done") == std::string::npos) return true;
    // VIEW until the sonar view is the current one (the unit has two views
    // to step through: the sonar view and the review view).
    if (LastView(out) != SONAR_VIEW) {
      if (TEST_bPressKey(fifo, DD_SLOT_VIEW, 1) && TEST_bPressKey(fifo, DD_SLOT_VIEW, 0)) due = now + 1000;
      return true;
    }
    if (inView == 0) {
      inView = now;
      depthsInView = Count(out, "process: depth ");
    }
    // Three depths published since, and 2 s for the screen to follow.
    if (Count(out, "process: depth ") < depthsInView + 3 || now - inView < 2000) return true;
    std::error_code ec;
    std::filesystem::copy_file(screens + "/screen.png", screens + "/shot.png",
                               std::filesystem::copy_options::overwrite_existing, ec);
    taken = !ec;
    if (taken) kill(pid, SIGTERM);  // the picture is all this run is for
    return !taken;
  });
  unsetenv("TESSIX_SCREEN_DIR");
  ASSERT_TRUE(taken) << sDescribe(r);
  std::vector<U16> px;
  int w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(HOST_bReadPng565((screens + "/shot.png").c_str(), &px, &w, &h, &error)) << error;
  ASSERT_EQ(w, WIDTH);
  ASSERT_EQ(h, ROW_TOP + ROW_HEIGHT);
  ExpectMatchesGolden(px.data() + (size_t)ROW_TOP * WIDTH, WIDTH, ROW_HEIGHT, WIDTH, "readouts/depth_row_12m");
}

}  // namespace
