// The countdown timer in the built program, set and started from the
// Alarms tab with the keypad: a 10 s countdown started a few seconds before
// the millisecond clock wraps at 2^32 (TESSIX_MS_CLOCK_START) runs out 10 s
// later, shows its warning and is cleared with cursor left.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "tests/support/unit_session.h"

namespace {

constexpr int SLOT_MENU = 1;
constexpr int SLOT_NORTH = 9;
constexpr int SLOT_SOUTH = 10;
constexpr int SLOT_WEST = 11;
constexpr int SLOT_EAST = 12;

TEST(ProgramCountdownTimer, TenSecondsAcrossTheClockWrap) {
  // The clock wraps 45 s after the start; the countdown is started 38 s
  // after it, whatever time the keys before took.
  setenv("TESSIX_MS_CLOCK_START", std::to_string(4294967296ull - 45000).c_str(), 1);
  const U64 started = CUnitSession::Now();
  CUnitSession unit;
  ASSERT_TRUE(unit.Start(TESSIX_BINARY));
  unsetenv("TESSIX_MS_CLOCK_START");
  ASSERT_TRUE(unit.StartSimulator()) << unit.Output();
  usleep(1000000);
  // Each key is pressed once the screen has shown the last one.
  auto press = [&unit](int slot) {
    const U64 pressed = CUnitSession::Now();
    EXPECT_TRUE(unit.Key(slot, 1));
    usleep(100000);
    EXPECT_TRUE(unit.Key(slot, 0));
    CUnitSession::FRAME frame{};
    (void)unit.WaitForChangedFrame(pressed, 2000, &frame);
    usleep(600000);  // past the menu's sideways hold-off
  };
  // The view's quick-access menu, then the main menu's Alarms tab in the
  // simulator: Alarm Volume, Depth Alarm, Fish ID Alarm, the three NMEA 2000
  // groups, Timer Setup, Start Timer.
  press(SLOT_MENU);
  press(SLOT_MENU);
  for (int i = 0; i < 7; ++i) press(SLOT_SOUTH);
  press(SLOT_EAST);  // the setup dialog, on its time row
  for (int i = 0; i < 3; ++i) press(SLOT_EAST);  // seconds
  for (int i = 0; i < 10; ++i) press(SLOT_NORTH);
  for (int i = 0; i < 3; ++i) press(SLOT_WEST);  // back to the time row
  press(SLOT_SOUTH);  // "Save and Start"
  ASSERT_LT(CUnitSession::Now() - started, 38000000000ull) << "the keys took too long";
  while (CUnitSession::Now() - started < 38000000000ull) usleep(10000);
  press(SLOT_EAST);
  ASSERT_TRUE(unit.WaitForLine("timer: started", 3000)) << unit.Output();
  const std::string out = unit.Output();
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, std::regex("timer: started, ([0-9]+) s, clock ([0-9]+), deadline ([0-9]+)")));
  EXPECT_EQ(m[1].str(), "10");
  const unsigned long long start = std::stoull(m[2].str()), deadline = std::stoull(m[3].str());
  EXPECT_LT(deadline, start) << "the deadline lies past the wrap";
  EXPECT_EQ((deadline - start) & 0xFFFFFFFFull, 10000ull);
  // Not before 9 s; by 12 s.
  EXPECT_FALSE(unit.WaitForLine("timer: run out", 8500)) << unit.Output();
  ASSERT_TRUE(unit.WaitForLine("timer: run out", 4000)) << unit.Output();
  std::smatch r;
  const std::string after = unit.Output();
  ASSERT_TRUE(std::regex_search(after, r, std::regex("timer: run out, clock ([0-9]+)")));
  EXPECT_LT(std::stoull(r[1].str()), start) << "run out after the wrap";
  EXPECT_GT(std::stoull(r[1].str()), deadline);
  // The warning is on the screen (its keys are taken) before "Clear".
  CUnitSession::FRAME shown{};
  EXPECT_TRUE(unit.WaitForChangedFrame(CUnitSession::Now() - 200000000ull, 3000, &shown));
  usleep(300000);
  press(SLOT_WEST);  // "Clear"
  EXPECT_TRUE(unit.WaitForLine("timer: cleared", 3000)) << unit.Output();
}

}  // namespace
