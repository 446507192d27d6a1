// Threading test: also runs under ThreadSanitizer.
// The key driver and the key state layer, driven through the key input
// device (a named pipe fed with input_event records) and polled by the test
// thread as the keyboard task would, on the test clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "source/core/h_keyboard.h"
#include "source/platform/platform.h"
#include "tests/support/key_records.h"
#include "tests/support/key_test_env.h"

namespace {

keytest::KeyPipe& s_pipe = keytest::Pipe();

struct Event {
  HKEY_ID key;
  KEY_STATE state;
  U32 count;
  CURSOR_POSITION cursor;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << "{key " << e.key << ", state " << e.state << ", count " << e.count << ", cursor " << e.cursor << "}";
}

std::vector<Event> Fetch() {
  std::vector<Event> out;
  Event e;
  while (H_KEYBOARD_bFetchKeyEvent(&e.key, &e.state, &e.count, &e.cursor)) out.push_back(e);
  return out;
}

// One poll as the keyboard task makes it: the changes it hands out, or none
// when the poll reports no change.
std::vector<Event> Poll() {
  if (!H_KEYBOARD_bProcessKeys()) return {};
  return Fetch();
}

class KeyDevice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000); }
  static void TearDownTestSuite() { PLATFORM_vTestClockDisable(); }

  void SetUp() override {
    opt_fakekey = -1;
    H_KEYBOARD_vInit();  // starts the key thread on first use
    keytest::ReleaseAll();
    H_KEYBOARD_vInit();  // every key up, nothing waiting
    ASSERT_TRUE(Fetch().empty());
  }
  void TearDown() override {
    opt_fakekey = -1;
    keytest::ReleaseAll();
  }

  static void Ms(U32 ms) { PLATFORM_vTestClockAdvanceMs(ms); }
  // Advances the clock in poll steps of 25 ms and collects what the polls hand out.
  static std::vector<Event> PollFor(U32 ms) {
    std::vector<Event> out;
    for (U32 t = 0; t < ms; t += 25) {
      Ms(25);
      for (const Event& e : Poll()) out.push_back(e);
    }
    return out;
  }
};

// ------------------------------------------------------------ the driver

TEST_F(KeyDevice, EveryKeyCodeSetsItsSlotAndOtherRecordsAreIgnored) {
  for (int slot = 0; slot < DD_KEYBOARD_SLOTS; ++slot) {
    keytest::SetSlot(slot, true);
    for (int other = 0; other < DD_KEYBOARD_SLOTS; ++other) {
      if (other != slot) {
        EXPECT_TRUE(keytest::SlotIs(other, false)) << slot << " " << other;
      }
    }
    keytest::SetSlot(slot, false);
  }

  // Auto-repeat records, other event types and unknown codes change nothing;
  // the press after them shows that they have been read.
  keytest::WriteRecord(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[DD_SLOT_MENU], 2);
  keytest::WriteRecord(TEST_EV_SYN, DD_KEYBOARD_au16KeyCode[DD_SLOT_EXIT], 1);
  keytest::WriteRecord(TEST_EV_MSC, DD_KEYBOARD_au16KeyCode[DD_SLOT_EXIT], 1);
  keytest::WriteRecord(TEST_EV_KEY, 44, 1);  // a code the keypad does not send
  keytest::SetSlot(DD_SLOT_INFO, true);
  for (int s = 0; s < DD_KEYBOARD_SLOTS; ++s) EXPECT_TRUE(keytest::SlotIs(s, s == DD_SLOT_INFO)) << s;
}

TEST_F(KeyDevice, RecordsArrivingInPiecesAndWritersThatCloseAreRead) {
  const std::string ev = TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[DD_SLOT_GOTO], 1);
  const char* bytes = ev.data();
  keytest::WriteBytes(bytes, 5);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the reader now holds a partial record
  EXPECT_TRUE(keytest::SlotIs(DD_SLOT_GOTO, false));
  keytest::WriteBytes(bytes + 5, ev.size() - 5);
  EXPECT_TRUE(keytest::WaitSlot(DD_SLOT_GOTO, true));

  // A separate writer that opens, writes and closes does not end the reader.
  for (int round = 0; round < 2; ++round) {
    const int fd = open(s_pipe.path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string up = TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[DD_SLOT_GOTO], round == 0 ? 0 : 1);
    ASSERT_EQ(write(fd, up.data(), up.size()), (ssize_t)up.size());
    close(fd);
    EXPECT_TRUE(keytest::WaitSlot(DD_SLOT_GOTO, round != 0));
  }
}

TEST_F(KeyDevice, FakeKeyTogglesItsSlot100MsDownAnd250MsUp) {
  opt_fakekey = DD_SLOT_ZOOM_IN;
  // The clock is long past 200 ms: a read presses the key at once, or once
  // the release time left from an earlier run of the simulated key is over.
  for (int i = 0; i < 300 && !keytest::SlotIs(DD_SLOT_ZOOM_IN, true); ++i) Ms(1);
  ASSERT_TRUE(keytest::SlotIs(DD_SLOT_ZOOM_IN, true));
  for (int cycle = 0; cycle < 2; ++cycle) {
    Ms(100);
    EXPECT_TRUE(keytest::SlotIs(DD_SLOT_ZOOM_IN, true)) << cycle;
    Ms(1);
    EXPECT_TRUE(keytest::SlotIs(DD_SLOT_ZOOM_IN, false)) << cycle;
    Ms(250);
    EXPECT_TRUE(keytest::SlotIs(DD_SLOT_ZOOM_IN, false)) << cycle;
    Ms(1);
    EXPECT_TRUE(keytest::SlotIs(DD_SLOT_ZOOM_IN, true)) << cycle;
  }
  // The keys above see the same alternation.
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_ZOOM_IN, KEY_DOWN, 0, CURSOR_UP}}));
  Ms(101);
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_ZOOM_IN, KEY_UP, 0, CURSOR_UP}}));
  opt_fakekey = -1;
}

TEST_F(KeyDevice, FakePowerKeyIsSeenByTheDirectPowerRead) {
  opt_fakekey = DD_SLOT_POWER;
  // Read every 50 ms: a toggle falls due once its time has passed, so the
  // key reads pressed 3 times (0, 50, 100 ms) and released 6 times
  // (150 to 400 ms) in each period.
  std::vector<bool> seen;
  for (int i = 0; i < 40; ++i) {
    seen.push_back(H_KEYBOARD_bIsPowerPressed() != FALSE);
    Ms(50);
  }
  std::vector<std::pair<bool, int>> runs;
  for (bool b : seen) {
    if (runs.empty() || runs.back().first != b) runs.push_back({b, 0});
    runs.back().second += 1;
  }
  ASSERT_GE(runs.size(), 5u);
  for (size_t i = 1; i + 1 < runs.size(); ++i) {  // the first and last may be cut off
    EXPECT_EQ(runs[i].second, runs[i].first ? 3 : 6) << i;
  }
  opt_fakekey = -1;  // the tear-down releases the slot through the device
}

// ------------------------------------------------------------ the key states

TEST_F(KeyDevice, KeyHeldAtStartGivesNoPressButItsRelease) {
  keytest::SetSlot(DD_SLOT_MARK, true);
  H_KEYBOARD_vInit();
  EXPECT_TRUE(H_KEYBOARD_bIsDown(HKEY_MARK));
  EXPECT_TRUE(Fetch().empty());
  EXPECT_TRUE(PollFor(100).empty());
  keytest::SetSlot(DD_SLOT_MARK, false);
  EXPECT_EQ(PollFor(25), (std::vector<Event>{Event{HKEY_MARK, KEY_UP, 0, CURSOR_UP}}));
  EXPECT_FALSE(H_KEYBOARD_bIsDown(HKEY_MARK));
}

TEST_F(KeyDevice, RepeatsFollow500MsAfterThePressThenEvery125Ms) {
  struct Case {
    BOOLEAN repeat, accelerate;
    std::vector<U32> counts;  // press, then the repeats within 800 ms
  };
  const Case cases[] = {
      {FALSE, FALSE, {0}},
      {TRUE, FALSE, {1, 1, 1, 1}},    // 0, 500, 625, 750 ms
      {TRUE, TRUE, {1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    H_KEYBOARD_vSetupKey(HKEY_ZOOM_OUT, c.repeat, c.accelerate, NOT_CURSOR_KEY);
    for (int press = 0; press < 2; ++press) {  // the counts start afresh at each press
      keytest::SetSlot(DD_SLOT_ZOOM_OUT, true);
      std::vector<U32> counts;
      std::vector<U32> times;
      for (U32 t = 0; t <= 800; t += 25) {
        for (const Event& e : Poll()) {
          EXPECT_EQ(e.key, HKEY_ZOOM_OUT);
          EXPECT_EQ(e.state, KEY_DOWN);
          counts.push_back(e.count);
          times.push_back(t);
        }
        Ms(25);
      }
      EXPECT_EQ(counts, c.counts) << (int)c.repeat << (int)c.accelerate;
      if (c.repeat) {
        EXPECT_EQ(times, (std::vector<U32>{0, 500, 625, 750}));
      }
      keytest::SetSlot(DD_SLOT_ZOOM_OUT, false);
      const std::vector<Event> up = Poll();
      ASSERT_EQ(up.size(), 1u);
      EXPECT_EQ(up[0].state, KEY_UP);
    }
  }
}

TEST_F(KeyDevice, LatePollGivesOneRepeatAndTheMissedOnesFollowOnePerPoll) {
  H_KEYBOARD_vSetupKey(HKEY_INFO, TRUE, TRUE, NOT_CURSOR_KEY);
  keytest::SetSlot(DD_SLOT_INFO, true);
  ASSERT_EQ(Poll().size(), 1u);
  Ms(500 + 3 * 125);  // one poll, late by three repeat periods
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_INFO, KEY_DOWN, 2, CURSOR_UP}}));
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_INFO, KEY_DOWN, 3, CURSOR_UP}}));
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_INFO, KEY_DOWN, 4, CURSOR_UP}}));
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_INFO, KEY_DOWN, 5, CURSOR_UP}}));
  EXPECT_TRUE(Poll().empty());
  // A poll exactly two periods late still leaves the key repeating.
  Ms(125 + 125);
  EXPECT_EQ(Poll().size(), 1u);
  EXPECT_EQ(Poll().size(), 1u);
  Ms(125);
  EXPECT_EQ(Poll().size(), 1u);
}

// Taps shorter than the poll period: every press and release reaches the
// poll, in the order the device reported them.
TEST_F(KeyDevice, TapsBetweenPollsAreEachAPressAndARelease) {
  const Event menuDown{HKEY_MENU, KEY_DOWN, 0, CURSOR_UP}, menuUp{HKEY_MENU, KEY_UP, 0, CURSOR_UP};
  keytest::SetSlot(DD_SLOT_MENU, true);
  keytest::SetSlot(DD_SLOT_MENU, false);
  EXPECT_EQ(Poll(), (std::vector<Event>{menuDown, menuUp}));
  // A release and a new press between polls of a held key.
  keytest::SetSlot(DD_SLOT_MENU, true);
  EXPECT_EQ(Poll(), (std::vector<Event>{menuDown}));
  keytest::SetSlot(DD_SLOT_MENU, false);
  keytest::SetSlot(DD_SLOT_MENU, true);
  EXPECT_EQ(Poll(), (std::vector<Event>{menuUp, menuDown}));
  EXPECT_TRUE(H_KEYBOARD_bIsDown(HKEY_MENU));
  keytest::SetSlot(DD_SLOT_MENU, false);
  EXPECT_EQ(Poll(), (std::vector<Event>{menuUp}));

  // Five quick taps of three keys written at once (a 5 ms burst of 10
  // records each), read by a single poll.
  std::string burst;
  const int slots[] = {DD_SLOT_EXIT, DD_SLOT_CURSOR_NORTH, DD_SLOT_MENU};
  for (int tap = 0; tap < 5; ++tap) {
    for (int slot : slots) {
      burst += TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[slot], 1);
      burst += TEST_sInputEvent(TEST_EV_SYN, 0, 0);
      burst += TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[slot], 0);
      burst += TEST_sInputEvent(TEST_EV_SYN, 0, 0);
    }
  }
  burst += TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[DD_SLOT_INFO], 1);  // the end marker
  keytest::WriteBytes(burst.data(), burst.size());
  ASSERT_TRUE(keytest::WaitSlot(DD_SLOT_INFO, true));
  std::vector<Event> want;
  for (int tap = 0; tap < 5; ++tap) {
    want.push_back(Event{HKEY_EXIT, KEY_DOWN, 0, CURSOR_UP});
    want.push_back(Event{HKEY_EXIT, KEY_UP, 0, CURSOR_UP});
    want.push_back(Event{HKEY_CURSOR, KEY_DOWN, 0, CURSOR_NORTH});
    want.push_back(Event{HKEY_CURSOR, KEY_UP, 0, CURSOR_UP});
    want.push_back(menuDown);
    want.push_back(menuUp);
  }
  want.push_back(Event{HKEY_INFO, KEY_DOWN, 0, CURSOR_UP});
  EXPECT_EQ(Poll(), want);
}

// A stray byte shifts the records after it: the reader finds them again.
TEST_F(KeyDevice, StrayByteIsSkippedAndTheNextRecordsAreRead) {
  const U8 stray = 0;
  keytest::WriteBytes(&stray, 1);
  keytest::SetSlot(DD_SLOT_POWER, true);
  keytest::SetSlot(DD_SLOT_POWER, false);
  const U8 junk[7] = {0xFF, 1, 2, 3, 0, 0, 9};
  keytest::WriteBytes(junk, sizeof junk);
  keytest::SetSlot(DD_SLOT_ZOOM_IN, true);
  keytest::SetSlot(DD_SLOT_ZOOM_IN, false);
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_POWER, KEY_DOWN, 0, CURSOR_UP}, Event{HKEY_POWER, KEY_UP, 0, CURSOR_UP},
                                        Event{HKEY_ZOOM_IN, KEY_DOWN, 0, CURSOR_UP},
                                        Event{HKEY_ZOOM_IN, KEY_UP, 0, CURSOR_UP}}));
}

TEST_F(KeyDevice, CursorContactsGiveTheDirectionOfTheMode) {
  using C = CURSOR_POSITION;
  struct Row {
    std::vector<int> slots;
    C four, eight;
  };
  const int N = DD_SLOT_CURSOR_NORTH, S = DD_SLOT_CURSOR_SOUTH, W = DD_SLOT_CURSOR_WEST, E = DD_SLOT_CURSOR_EAST;
  const Row rows[] = {
      {{N}, CURSOR_NORTH, CURSOR_NORTH},
      {{S}, CURSOR_SOUTH, CURSOR_SOUTH},
      {{W}, CURSOR_WEST, CURSOR_WEST},
      {{E}, CURSOR_EAST, CURSOR_EAST},
      {{N, S}, CURSOR_ILLEGAL, CURSOR_ILLEGAL},
      {{N, W}, CURSOR_ILLEGAL, CURSOR_NORTH_WEST},
      {{S, W}, CURSOR_ILLEGAL, CURSOR_SOUTH_WEST},
      {{N, E}, CURSOR_ILLEGAL, CURSOR_NORTH_EAST},
      {{S, E}, CURSOR_ILLEGAL, CURSOR_SOUTH_EAST},
      {{N, S, W}, CURSOR_ILLEGAL, CURSOR_ILLEGAL},
      {{W, E}, CURSOR_ILLEGAL, CURSOR_ILLEGAL},
      {{N, S, W, E}, CURSOR_ILLEGAL, CURSOR_ILLEGAL},
  };
  for (CURSOR_MODE mode : {CURSOR_4, CURSOR_8, NOT_CURSOR_KEY}) {
    H_KEYBOARD_vSetupKey(HKEY_CURSOR, FALSE, FALSE, mode);
    for (const Row& r : rows) {
      for (int s : r.slots) keytest::SetSlot(s, true);
      const C want = mode == CURSOR_4 ? r.four : r.eight;
      EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_CURSOR, KEY_DOWN, 0, want}})) << "mode " << mode << " " << r.slots.size();
      for (int s : r.slots) keytest::SetSlot(s, false);
      EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_CURSOR, KEY_UP, 0, CURSOR_UP}}));
    }
  }
}

TEST_F(KeyDevice, CursorTurnWithoutRepeatIsFetchedWithTheNextReportedChange) {
  keytest::SetSlot(DD_SLOT_CURSOR_NORTH, true);
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_CURSOR, KEY_DOWN, 0, CURSOR_NORTH}}));
  H_KEYBOARD_vSetupKey(HKEY_CURSOR, FALSE, FALSE, CURSOR_8);
  keytest::SetSlot(DD_SLOT_CURSOR_EAST, true);
  EXPECT_FALSE(H_KEYBOARD_bProcessKeys());
  // Another key's press brings the turn out, in key order.
  keytest::SetSlot(DD_SLOT_SOFT_KEY_1, true);
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_CURSOR, KEY_DOWN, 0, CURSOR_NORTH_EAST},
                                        {HKEY_SOFT_KEY_1, KEY_DOWN, 0, CURSOR_UP}}));
  keytest::SetSlot(DD_SLOT_CURSOR_NORTH, false);
  EXPECT_FALSE(H_KEYBOARD_bProcessKeys());  // now east alone: a turn only
  keytest::SetSlot(DD_SLOT_CURSOR_EAST, false);
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_CURSOR, KEY_UP, 0, CURSOR_UP}}));
}

TEST_F(KeyDevice, SeveralChangesOfOnePollComeInTheOrderOfTheDevice) {
  const int order[] = {DD_SLOT_SOFT_KEY_3, DD_SLOT_GOTO, DD_SLOT_POWER, DD_SLOT_VIEW, DD_SLOT_EXIT};
  for (int s : order) keytest::SetSlot(s, true);
  const std::vector<Event> got = Poll();
  std::vector<HKEY_ID> keys;
  for (const Event& e : got) keys.push_back(e.key);
  EXPECT_EQ(keys, (std::vector<HKEY_ID>{HKEY_SOFT_KEY_3, HKEY_GOTO, HKEY_POWER, HKEY_VIEW, HKEY_EXIT}));
}

TEST_F(KeyDevice, SetupDropsAWaitingChangeAndRestartsTheRepeatWait) {
  H_KEYBOARD_vSetupKey(HKEY_EXIT, TRUE, FALSE, NOT_CURSOR_KEY);
  keytest::SetSlot(DD_SLOT_EXIT, true);
  ASSERT_TRUE(H_KEYBOARD_bProcessKeys());
  H_KEYBOARD_vSetupKey(HKEY_EXIT, TRUE, TRUE, NOT_CURSOR_KEY);
  EXPECT_TRUE(Fetch().empty());
  Ms(400);
  EXPECT_TRUE(Poll().empty());
  H_KEYBOARD_vSetupKey(HKEY_EXIT, TRUE, TRUE, NOT_CURSOR_KEY);  // the 500 ms start again
  Ms(400);
  EXPECT_TRUE(Poll().empty());
  Ms(100);
  EXPECT_EQ(Poll(), (std::vector<Event>{Event{HKEY_EXIT, KEY_DOWN, 2, CURSOR_UP}}));
}

}  // namespace
