// The unit as a fish finder: started with the sonar stand-in (a flat 12 m
// bottom in fresh water, depths in metres) it lands in the scrolling 2D
// sonar view. The screen shows the bottom 12/15 of the window below its top
// (automatic range 15 m), and a picture taken later shows the history moved
// left with the older columns unchanged.
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

// The last EXIT closes the quick setup of a first start.
const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT, DD_SLOT_EXIT};

struct SHOT {
  std::vector<U16> px;
  int w = 0, h = 0;
  U16 at(int x, int row) const { return px[(size_t)row * w + x]; }
};

bool bRead(const std::string& path, SHOT* s) {
  std::string error;
  return HOST_bReadPng565(path.c_str(), &s->px, &s->w, &s->h, &error) != FALSE && s->w == 800 && s->h == 600;
}

// The first row from the top of column x whose colour is the 2D palette's
// strongest (yellow in the first palette): the top of the bottom echo.
int BottomRow(const SHOT& s, int x) {
  for (int r = 20; r < s.h; ++r)
    if (s.at(x, r) == 0xFFE0) return r;
  return -1;
}

// How far the second picture's history moved left against the first: the
// shift that makes the rows of the noisy band under the bottom agree best
// (columns differ there from ping to ping).
int Shift(const SHOT& a, const SHOT& b, int left, int right, int top, int bottom) {
  int best = -1;
  size_t bestSame = 0;
  for (int d = 0; d < 300; ++d) {
    size_t same = 0;
    for (int x = left + d; x <= right; ++x)
      for (int r = top; r <= bottom; ++r) same += a.at(x, r) == b.at(x - d, r);
    if (same > bestSame) {
      bestSame = same;
      best = d;
    }
  }
  return best;
}

TEST(ProgramHistory, NormalStateShowsTheScrollingBottom) {
  CProgram program;
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
  int taken = 0, presses = 0;
  bool inView = false;
  RESULT r = program.Run({"quit_sec", "50"}, 70000, 0, [&](pid_t, const std::string& out) {
    const long long now = llRealMs();
    if (next < kStartKeys.size()) {
      // The last EXIT closes the quick setup once it is up.
      const char* awaited = next + 1 < kStartKeys.size() ? "STARTUP: transducer" : "STARTUP: quick setup shown";
      if (now >= due && out.find(awaited) != std::string::npos) {
        if (TEST_bPressKey(fifo, kStartKeys[next], 1) && TEST_bPressKey(fifo, kStartKeys[next], 0)) next++;
        due = now + 700;
      }
      return true;
    }
    // In normal operation VIEW is pressed until the 2D sonar view is current
    // (the first view of the list may be another sonar view).
    if (!inView && out.find("run system: state 3") != std::string::npos) {
      const size_t at = out.rfind("VIEWKEY: view ");
      if (at != std::string::npos && atoi(out.c_str() + at + 14) == SONAR_VIEW_PRIORITY) {
        inView = true;
        running = now;
      } else if (now >= due && presses < 8 && TEST_bPressKey(fifo, DD_SLOT_VIEW, 1) &&
                 TEST_bPressKey(fifo, DD_SLOT_VIEW, 0)) {
        ++presses;
        due = now + 1500;
      }
      return true;
    }
    // Two pictures, 12 and 15 seconds into the 2D view.
    const long long at[2] = {12000, 15000};
    if (running != 0 && taken < 2 && now - running >= at[taken]) {
      std::error_code ec;
      std::filesystem::copy_file(screens + "/screen.png", screens + "/shot" + std::to_string(taken) + ".png",
                                 std::filesystem::copy_options::overwrite_existing, ec);
      if (!ec) ++taken;
    }
    return taken < 2;
  });
  unsetenv("TESSIX_SCREEN_DIR");
  ASSERT_EQ(taken, 2) << sDescribe(r);
  SHOT a, b;
  ASSERT_TRUE(bRead(screens + "/shot0.png", &a));
  ASSERT_TRUE(bRead(screens + "/shot1.png", &b));
  // The window is 600 rows high, or 495 above the row of readout boxes.
  const int row = BottomRow(b, 300);
  const bool full = std::abs(row - 480) <= 2, shortened = std::abs(row - 396) <= 2;
  EXPECT_TRUE(full || shortened) << "bottom at row " << row << "\n" << sDescribe(r);
  const int shift = Shift(a, b, 0, 640, row + 12, row + 30);
  EXPECT_GT(shift, 0) << sDescribe(r);
  // 3 s at the default chart speed: one column per 200 kHz ping.
  std::cout << "history moved " << shift << " columns in 3 s\n";
}

}  // namespace
