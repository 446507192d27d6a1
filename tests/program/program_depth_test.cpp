// The running unit finds the bottom. With the sonar stand-in in fresh water
// over a flat 12 m bottom the published depth settles at the bottom and
// stays there through a burst of interference, while the second echo at
// 24 m and the surface clutter never make a depth; after a step to 20 m
// the bottom is held until the tracking window has grown to it (10 ft/s). Over the stand-in's built-in
// profile the depth follows the bottom the stand-in reports. In the
// simulator the depth follows the recording's bottom.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"

namespace {

const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT, DD_SLOT_EXIT};

struct SAMPLE {
  double t, metres;
};

// (monotonic seconds, metres) of every line "<prefix> M" in a log whose
// lines begin with the time (the unit's trace: its second column).
std::vector<SAMPLE> Series(const std::string& text, const std::string& prefix, int timeColumn) {
  std::vector<SAMPLE> v;
  size_t at = 0;
  while ((at = text.find(prefix, at)) != std::string::npos) {
    const size_t line = text.rfind('\n', at);
    const char* p = text.c_str() + (line == std::string::npos ? 0 : line + 1);
    double a = 0, b = 0, m = 0;
    const bool timed = timeColumn == 1 ? sscanf(p, "%lf %lf", &a, &b) == 2 : true;
    if (timed && sscanf(text.c_str() + at + prefix.size(), "%lf", &m) == 1) v.push_back({timeColumn == 1 ? b : 0, m});
    ++at;
  }
  return v;
}

std::string sSeries(const std::vector<SAMPLE>& v) {
  std::string s;
  char b[40];
  for (const auto& x : v) {
    snprintf(b, sizeof b, "%.1f:%.2f ", x.t, x.metres);
    s += b;
  }
  return s;
}

TEST(ProgramDepth, FlatBottomThroughInterferenceThenAStep) {
  CProgram program;
  // Pinging starts about 2 s before the first depth; the burst lies in the
  // settled stretch, the step after it.
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "depth 12\npresent yes\nseed 5\nburst 6 3\nstep 13 20\n");
  RESULT r = TEST_RunThroughStartup(program, {"quit_sec", "30"}, 50000, kStartKeys);
  const auto depths = Series(r.out, "process: depth ", 1);
  const std::string log = standin.Log();
  ASSERT_GE(depths.size(), 15u) << sDescribe(r);
  // The stand-in's step and burst, on the unit's clock: the first bottom
  // line at 20 m, the burst's edges.
  auto at = [&](const std::string& what) {
    double t = 0;
    const size_t found = log.find(what);
    if (found != std::string::npos) sscanf(log.c_str() + found + what.size(), "%lf", &t);
    return t;
  };
  double stepAt = 0;
  {
    const size_t found = log.find(" 20.00 m");
    ASSERT_NE(found, std::string::npos) << log;
    const size_t line = log.rfind('\n', found);
    sscanf(log.c_str() + line + 1, "bottom %lf", &stepAt);
  }
  const double burstFrom = at("burst from "), burstUntil = at("burst until ");
  ASSERT_GT(burstFrom, 0) << log;
  ASSERT_GT(burstUntil, burstFrom) << log;
  const double first = depths.front().t;
  int inBurst = 0;
  for (const auto& d : depths) {
    if (d.t < first + 2 || d.t > stepAt - 0.5) continue;
    // While the burst lasts (and the half-second smoothing after it) a
    // spike on the bottom echo or just past it may stretch the echo and be
    // taken for its peak, up to about 2 m deep for one ping; no spike makes
    // a depth near the surface or at the second echo.
    const bool burst = d.t >= burstFrom && d.t <= burstUntil + 0.6;
    inBurst += burst;
    EXPECT_NEAR(d.metres, 12.0, burst ? 2.0 : 0.1) << "at " << d.t - first << " s: " << sSeries(depths);
  }
  EXPECT_GE(inBurst, 2) << sSeries(depths);
  // After the step the tracked bottom is held until the tracking window has
  // grown to the new bottom (10 ft/s from 10 ft: about 1.5 s for 8 m); then
  // the depth is the new bottom. Nothing else is published in between (at
  // most one blend of the half-second smoothing).
  double reached = -1;
  int between = 0;
  for (const auto& d : depths) {
    if (d.t <= stepAt) continue;
    const bool held = fabs(d.metres - 12.0) <= 0.15, there = fabs(d.metres - 20.0) <= 0.1;
    if (!held && !there) ++between;
    if (reached < 0 && there) reached = d.t;
    if (reached > 0) {
      EXPECT_TRUE(there) << sSeries(depths);
    }
  }
  EXPECT_LE(between, 1) << sSeries(depths);
  ASSERT_GT(reached, 0) << sSeries(depths);
  EXPECT_GE(reached - stepAt, 1.0) << sSeries(depths);
  EXPECT_LE(reached - stepAt, 4.5) << sSeries(depths);
}

TEST(ProgramDepth, FollowsTheBuiltInProfile) {
  CProgram program;
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "present yes\nseed 7\n");
  RESULT r = TEST_RunThroughStartup(program, {"quit_sec", "25"}, 45000, kStartKeys);
  const auto depths = Series(r.out, "process: depth ", 1);
  ASSERT_GE(depths.size(), 10u) << sDescribe(r);
  // Each published depth lies within 0.15 m of the bottom the stand-in made
  // in the 1.5 s before it (smoothing and tracking lag).
  std::vector<SAMPLE> made;
  const std::string log = standin.Log();
  size_t at = 0;
  while ((at = log.find("bottom ", at)) != std::string::npos) {
    double t = 0, m = 0;
    if (sscanf(log.c_str() + at, "bottom %lf %lf", &t, &m) == 2) made.push_back({t, m});
    ++at;
  }
  int checked = 0;
  for (const auto& d : depths) {
    if (d.t < depths.front().t + 2) continue;
    double best = 1e9;
    for (const auto& b : made) {
      if (b.t <= d.t && b.t >= d.t - 1.5) best = std::min(best, fabs(b.metres - d.metres));
    }
    if (best > 1e8) continue;
    ++checked;
    EXPECT_LE(best, 0.15) << "at " << d.t << ": " << sSeries(depths) << "\n" << sSeries(made);
  }
  EXPECT_GE(checked, 8);
  ASSERT_GE(made.size(), 10u);
}

// fake_transducer: the simulator plays the recording the build made (its
// bottom runs between 4.8 and 8.5 m over the recording).
TEST(ProgramDepth, SimulatorFollowsTheRecording) {
  CProgram program;
  const std::filesystem::path sim = program.HostRoot() + "/usr/tessix/SONARSIM";
  std::filesystem::create_directories(sim);
  const std::filesystem::path made = std::filesystem::path(TESSIX_BINARY).parent_path() / "SONARSIM";
  std::filesystem::copy_file(made / "DIREV2.IDX", sim / "DIREV2.IDX");
  std::filesystem::copy_file(made / "DIREV2.SON", sim / "DIREV2.SON");
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "pace 0.1\npresent yes\n");
  RESULT r = TEST_RunThroughStartup(program, {"fake_transducer", "quit_sec", "20"}, 40000, kStartKeys);
  const auto depths = Series(r.out, "process: depth ", 1);
  ASSERT_GE(depths.size(), 8u) << sDescribe(r);
  double low = 1e9, high = 0;
  for (const auto& d : depths) {
    EXPECT_GE(d.metres, 4.6) << sSeries(depths);
    EXPECT_LE(d.metres, 8.7) << sSeries(depths);
    low = std::min(low, d.metres);
    high = std::max(high, d.metres);
  }
  // The recording's bottom deepens from 4.8 m at its start.
  EXPECT_NEAR(depths.front().metres, 4.9, 0.3) << sSeries(depths);
  EXPECT_GT(high - low, 0.3) << sSeries(depths);
}

}  // namespace
