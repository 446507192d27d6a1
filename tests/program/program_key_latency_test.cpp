// The built program answers its keys on the real clock: from the first
// second after the tasks run, every MENU, cursor and EXIT press written into
// the keypad pipe is on the screen (a presented frame whose pixels changed)
// well within a second.
#include <gtest/gtest.h>
#include <unistd.h>

#include "source/platform/platform.h"
#include "tests/support/unit_session.h"

namespace {

constexpr int SLOT_MENU = 1;
constexpr int SLOT_EXIT = 2;
constexpr int SLOT_NORTH = 9;
constexpr int SLOT_SOUTH = 10;

TEST(ProgramKeyLatency, EveryMenuPressIsShownWithinASecond) {
  CUnitSession unit;
  ASSERT_TRUE(unit.Start(TESSIX_BINARY));
  ASSERT_TRUE(unit.StartSimulator()) << unit.Output();
  usleep(1000000);

  const int sequence[] = {SLOT_MENU, SLOT_SOUTH, SLOT_NORTH, SLOT_EXIT};
  for (int round = 0; round < 3; ++round) {
    for (int slot : sequence) {
      const U64 pressed = CUnitSession::Now();
      ASSERT_TRUE(unit.Key(slot, 1));
      CUnitSession::FRAME frame{};
      ASSERT_TRUE(unit.WaitForChangedFrame(pressed, 1000, &frame))
          << "key slot " << slot << " in round " << round << " not shown within 1 s";
      EXPECT_LT(frame.presented_ns - pressed, 1000000000ull);
      ASSERT_TRUE(unit.Key(slot, 0));
      usleep(150000);
    }
  }
}

}  // namespace
