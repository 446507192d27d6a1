// The unit keeps its settings: a person starts the unit, picks the simulator
// on the start-up options, changes the alarm volume in the main menu and
// holds the power key; the NVRAM files left behind are read here by a reader
// of their own, and a second start keeps the changed setting.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "source/core/dd_key.h"
#include "tests/support/key_records.h"
#include "tests/support/program_run.h"
#include "tests/support/start_keys.h"

namespace {

// The slot of a key S c2 c3 c4, each character a base-36 digit.
U32 u32Slot(const char* key) {
  auto digit = [](char c) { return c <= '9' ? (U32)(c - '0') : (U32)(c - 'A' + 10); };
  return digit(key[1]) * 1296 + digit(key[2]) * 36 + digit(key[3]);
}

struct STORE {
  std::string entries, bitmap;
  bool bSaved(U32 slot) const {
    const U32 word = slot / 32;
    if (bitmap.size() < 4 * word + 4) return false;
    const U8* p = (const U8*)bitmap.data() + 4 * word;
    const U32 bits = p[0] | (p[1] << 8) | (p[2] << 16) | ((U32)p[3] << 24);
    return (bits >> (slot % 32)) & 1;
  }
  U32 u32Value(U32 slot) const {
    const U8* p = (const U8*)entries.data() + 4 * slot;
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((U32)p[3] << 24);
  }
};

STORE ReadStore(const std::string& dir) {
  return {sReadFile(dir + "/nvr_entries.dat"), sReadFile(dir + "/nvr_statbit.dat")};
}

// Runs the unit: the start-up keys, then the given keys once the system
// runs, then the power key held until the orderly shutdown.
RESULT RunWithKeys(CProgram& program, const std::vector<int>& keys) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  const std::vector<int> startKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};
  size_t next = 0, nextRun = 0;
  int stage = 0;
  long long due = 0;
  return program.Run({}, 60000, 0, [&](pid_t, const std::string& out) {
    const long long now = llRealMs();
    if (now < due) return true;
    if (stage == 0 && out.find("STARTUP: transducer") != std::string::npos) stage = 1;
    if (stage == 1) {
      if (next < startKeys.size()) {
        if (TEST_bPressKey(fifo, startKeys[next], 1) && TEST_bPressKey(fifo, startKeys[next], 0)) next++;
        due = now + 700;
      } else if (out.find("STARTUP: run system") != std::string::npos) {
        stage = 2;
        due = now + 1500;
      }
      return true;
    }
    if (stage == 2) {
      if (nextRun < keys.size()) {
        if (TEST_bPressKey(fifo, keys[nextRun], 1) && TEST_bPressKey(fifo, keys[nextRun], 0)) nextRun++;
        due = now + 700;
      } else if (TEST_bPressKey(fifo, DD_SLOT_POWER, 1)) {
        stage = 3;
      }
      return true;
    }
    if (stage == 3 && out.find("shutting down the tasks") != std::string::npos && TEST_bPressKey(fifo, DD_SLOT_POWER, 0)) {
      stage = 4;
    }
    return stage < 4;
  });
}

TEST(ProgramSettings, ChangedSettingIsSavedAtShutdownAndKeptByTheNextStart) {
  CProgram program;
  // EXIT closes the first-start quick setup; MENU opens the view's
  // quick-access menu and MENU again the main menu on its first tab
  // (Alarms); south onto the alarm volume, east one step up, EXIT twice
  // closes the menu.
  RESULT first = RunWithKeys(program, {DD_SLOT_EXIT, DD_SLOT_MENU, DD_SLOT_MENU, DD_SLOT_CURSOR_SOUTH, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT,
                                       DD_SLOT_EXIT});
  ASSERT_TRUE(first.exited) << sDescribe(first);
  ASSERT_EQ(first.status, 10) << sDescribe(first);
  EXPECT_NE(first.out.find("STARTUP: run system: state 4"), std::string::npos) << sDescribe(first);
  EXPECT_NE(first.out.find("NVRAM: settings saved for shutdown"), std::string::npos) << sDescribe(first);
  EXPECT_NE(first.out.find("STARTUP: quick setup shown"), std::string::npos) << sDescribe(first);
  EXPECT_NE(first.out.find("STARTUP: quick setup done"), std::string::npos) << sDescribe(first);

  const STORE store = ReadStore(first.install_dir);
  // 1459 bitmap words; the entries file ends with the last special slot written.
  ASSERT_EQ(store.bitmap.size(), 5836u);
  ASSERT_GE(store.entries.size(), 46657u * 4);
  EXPECT_EQ(store.entries.size() % 4, 0u);
  // NVER: slot 46656, bit 0 of word 1458, the current format.
  EXPECT_TRUE(store.bSaved(46656));
  EXPECT_EQ(store.u32Value(46656), 0xFFFFFFF8u);
  // The model and the unit's serial number part (unset) from the header.
  EXPECT_TRUE(store.bSaved(u32Slot("SMDL")));
  EXPECT_EQ(store.u32Value(u32Slot("SMDL")), 345u);
  EXPECT_TRUE(store.bSaved(u32Slot("SENU")));
  EXPECT_EQ(store.u32Value(u32Slot("SENU")), 0xFFFFFFFFu);
  // The software version number is stored.
  EXPECT_TRUE(store.bSaved(u32Slot("SFVR")));
  EXPECT_NE(store.u32Value(u32Slot("SFVR")), 0u);
  // The alarm volume moved one step up from 5.
  ASSERT_TRUE(store.bSaved(u32Slot("SVOA"))) << sDescribe(first);
  EXPECT_EQ(store.u32Value(u32Slot("SVOA")), 6u);
  // The quick setup is done: the next start neither restores the defaults
  // nor offers it again.
  EXPECT_TRUE(store.bSaved(u32Slot("SQCD")));
  EXPECT_EQ(store.u32Value(u32Slot("SQCD")), 1u);
  // No key of another first letter has a bit: the bitmap words past the S
  // slots hold only the three special bits.
  EXPECT_EQ(store.bitmap[5832] & ~7, 0);

  // The second start restores 6 before the sound task reads it; had it not,
  // the shutdown save would write the default 5 back.
  RESULT second = RunWithKeys(program, {});
  ASSERT_TRUE(second.exited) << sDescribe(second);
  ASSERT_EQ(second.status, 10) << sDescribe(second);
  EXPECT_EQ(second.out.find("STARTUP: quick setup shown"), std::string::npos) << sDescribe(second);
  EXPECT_EQ(second.out.find("factory defaults restored"), std::string::npos) << sDescribe(second);
  const STORE again = ReadStore(second.install_dir);
  EXPECT_EQ(again.u32Value(u32Slot("SVOA")), 6u);
  EXPECT_EQ(again.u32Value(u32Slot("SMDL")), 345u);
}

}  // namespace
