// Whole-program test (not yet under the thread checker: the history task lays out the sonar windows while the column builder reads them)
// Fish identification in the running unit: started with the sonar stand-in
// (a flat 15 m bottom in fresh water) and a settings store with fish
// identification on and the fish alarm for every size, the person steps
// with VIEW to the 2D sonar view while three fish cross the beam one after
// the other at 5, 8 and 10 m. Each arch is shown by one fish symbol at its
// depth under its depth label, and each new fish sounds the fish alarm
// once.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "../support/golden.h"
#include "../support/program_run.h"
#include "../support/seed_store.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"
#include "common/view_types.h"
#include "source/platform/host/host_png.h"

namespace {

// MENU opens the start-up options (normal operation is preselected with a
// transducer), east takes it and EXIT passes the disclaimer.
const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};


size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The picture: the water column above the bottom echo (15 m of a 0-20 m
// range over the 495 rows above the readout boxes) and left of the depth
// scale.
constexpr int PICTURE_RIGHT = 650, WATER_ROWS = 340, SCREEN_W = 800;
constexpr double ROWS_PER_METRE = 495.0 / 20.0;

// One fish mark: the box around its black pixels (symbol outline and depth
// label; nothing else in the water column is black: the depth lines are
// grey, the arches coloured).
struct MARK {
  int left, right, top, bottom;
};

// The marks from left (oldest) to right, split where a column holds no black.
std::vector<MARK> Marks(const std::vector<U16>& px) {
  std::vector<MARK> marks;
  bool open = false;
  for (int x = 0; x < PICTURE_RIGHT; ++x) {
    int top = -1, bottom = -1;
    for (int r = 0; r < WATER_ROWS; ++r) {
      if (px[(size_t)r * SCREEN_W + x] != 0x0000) continue;
      if (top < 0) top = r;
      bottom = r;
    }
    if (top < 0) {
      open = false;
      continue;
    }
    if (!open) marks.push_back(MARK{x, x, top, bottom});
    open = true;
    MARK& m = marks.back();
    m.right = x;
    m.top = std::min(m.top, top);
    m.bottom = std::max(m.bottom, bottom);
  }
  return marks;
}

TEST(ProgramFish, ThreeArchesShowThreeLabelledSymbolsAndSoundTheAlarmThrice) {
  CProgram program;
  const std::string screens = program.HostRoot() + "/../screen";
  std::filesystem::create_directories(screens);
  setenv("TESSIX_SCREEN_DIR", screens.c_str(), 1);
  // The quick setup was done before (no factory restore at this start).
  SeedStore(program.HostRoot() + "/../cwd",
            {{"NVER", 0xFFFFFFF8u}, {"SQCD", 1}, {"YSFI", 1}, {"YSFA", 1}});
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "depth 15\nfish 5 1 2 12\nfish 8 1 2 17\nfish 10 1 3 22\npresent yes\nseed 5\n");
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  size_t next = 0;
  long long due = 0, running = 0;
  int presses = 0;
  bool taken = false;
  auto press = [&](int slot) { return TEST_bPressKey(fifo, slot, 1) && TEST_bPressKey(fifo, slot, 0); };
  RESULT r = program.Run({"quit_sec", "90"}, 110000, 0, [&](pid_t pid, const std::string& out) {
    const long long now = llRealMs();
    if (now < due) return true;
    if (next < kStartKeys.size()) {
      if (out.find("STARTUP: transducer") != std::string::npos && press(kStartKeys[next])) next++;
      due = now + 700;
      return true;
    }
    if (running == 0) {
      if (out.find("run system: state") == std::string::npos) return true;
      const size_t at = out.rfind("VIEWKEY: view ");
      if (at != std::string::npos && atoi(out.c_str() + at + 14) == SONAR_VIEW_PRIORITY) {
        running = now;
      } else if (presses < 8 && press(DD_SLOT_VIEW)) {
        ++presses;
        due = now + 1500;
      }
      return true;
    }
    // The last arch is over 34 s into pinging; a few seconds more for the
    // column builder to follow.
    if (now - running < 30000) return true;
    std::error_code ec;
    std::filesystem::copy_file(screens + "/screen.png", screens + "/shot.png",
                               std::filesystem::copy_options::overwrite_existing, ec);
    taken = !ec;
    if (taken) kill(pid, SIGTERM);
    return !taken;
  });
  unsetenv("TESSIX_SCREEN_DIR");
  ASSERT_TRUE(taken) << sDescribe(r);
  std::vector<U16> px;
  int w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(HOST_bReadPng565((screens + "/shot.png").c_str(), &px, &w, &h, &error)) << error;
  ASSERT_EQ(w, SCREEN_W);
  const std::vector<MARK> marks = Marks(px);
  ASSERT_EQ(marks.size(), 3u) << sDescribe(r);
  // Each symbol stands on its fish's depth (the arch's last echo lies a
  // few centimetres deeper than the fish at its nearest).
  const double depths[3] = {5, 8, 10};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(marks[i].bottom, depths[i] * ROWS_PER_METRE, 4) << "fish " << i;
  // Each mark is its depth label above its symbol, a blank row between.
  // The labels, side by side, are compared with their golden picture.
  // Where the history stands and the arches' colours under the marks vary
  // from run to run with the pace of the pings, so each label is cut out at
  // its own box and only its black pixels are kept. So does the size the
  // arch's weakest edge echoes reach through the noise, and with it the
  // symbol's size: of the symbol its presence is checked, an outline at
  // least 8 rows high and 10 columns wide under the label.
  const auto black = [&](int x, int row) { return px[(size_t)row * SCREEN_W + x] == 0x0000; };
  constexpr int CROP_W = 40, CROP_H = 20;
  std::vector<U16> crops((size_t)3 * CROP_W * CROP_H, 0xFFFF);
  for (int i = 0; i < 3; ++i) {
    const MARK& m = marks[i];
    int gap = m.top;
    for (bool any = true; any && gap <= m.bottom; gap += any ? 1 : 0) {
      any = false;
      for (int x = m.left; x <= m.right; ++x) any = any || black(x, gap);
    }
    int left = m.right, symbolLeft = m.right, symbolRight = m.left;
    for (int x = m.left; x <= m.right; ++x) {
      for (int row = m.top; row < gap; ++row) left = black(x, row) ? std::min(left, x) : left;
      for (int row = gap; row <= m.bottom; ++row) {
        if (!black(x, row)) continue;
        symbolLeft = std::min(symbolLeft, x);
        symbolRight = std::max(symbolRight, x);
      }
    }
    EXPECT_GE(m.bottom - gap, 8) << "symbol of fish " << i;
    EXPECT_GE(symbolRight - symbolLeft, 10) << "symbol of fish " << i;
    for (int row = m.top; row < gap && row - m.top + 2 < CROP_H; ++row) {
      for (int x = left; x <= m.right && x - left + 2 < CROP_W; ++x) {
        if (black(x, row)) crops[(size_t)(row - m.top + 2) * 3 * CROP_W + i * CROP_W + (x - left + 2)] = 0x0000;
      }
    }
  }
  ExpectMatchesGolden(crops.data(), 3 * CROP_W, CROP_H, 3 * CROP_W, "history/fish_labels_5_8_10m");
  EXPECT_EQ(Count(r.out, "fish alarm: "), 3u) << sDescribe(r);
}

}  // namespace
