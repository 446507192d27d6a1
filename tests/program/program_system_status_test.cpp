// The system status page as a service technician uses it: "System Status"
// on the start-up options, the hidden cursor sequence switching the
// super-user flag on, MENU opening the IP address editor and a static
// address saved through it, then the power key. The NVRAM files are read
// by a reader of their own; a second start restores the flag before the
// view task reads it (it then offers the banner setting, which is saved).
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

// The saved value of a key S c2 c3 c4 (its slot is the three characters as
// base-36 digits; a bitmap marks the saved slots).
bool bSavedValue(const std::string& dir, const char* key, U32* value) {
  auto digit = [](char c) { return c <= '9' ? (U32)(c - '0') : (U32)(c - 'A' + 10); };
  const U32 slot = digit(key[1]) * 1296 + digit(key[2]) * 36 + digit(key[3]);
  const std::string entries = sReadFile(dir + "/nvr_entries.dat"), bitmap = sReadFile(dir + "/nvr_statbit.dat");
  auto word = [](const std::string& s, U32 at) {
    const U8* p = (const U8*)s.data() + at;
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((U32)p[3] << 24);
  };
  if (bitmap.size() < 4 * (slot / 32) + 4 || entries.size() < 4 * slot + 4) return false;
  if (!((word(bitmap, 4 * (slot / 32)) >> (slot % 32)) & 1)) return false;
  *value = word(entries, 4 * slot);
  return true;
}

// The start-up options' third line, then the keys 0.7 s apart, then the
// power key held until the orderly shutdown.
RESULT RunStatusPage(CProgram& program, const std::vector<int>& keys) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  const std::vector<int> startKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_SOUTH, DD_SLOT_CURSOR_EAST};
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
    if (stage == 3 && out.find("shutting down the tasks") != std::string::npos &&
        TEST_bPressKey(fifo, DD_SLOT_POWER, 0)) {
      stage = 4;
    }
    return stage < 4;
  });
}

TEST(ProgramSystemStatus, SuperUserAndStaticAddressAreKept) {
  CProgram program;
  const int W = DD_SLOT_CURSOR_WEST, E = DD_SLOT_CURSOR_EAST, S = DD_SLOT_CURSOR_SOUTH, N = DD_SLOT_CURSOR_NORTH;
  // The hidden sequence with the "on" ending; MENU opens the editor on the
  // mode row (static: no address yet); south to the address, east into its
  // first group, north raises it to 001, east past the four groups to the
  // save button and east saves.
  RESULT first = RunStatusPage(program, {W, E, W, E, S, N, DD_SLOT_MENU, S, E, N, E, E, E, E, E});
  ASSERT_TRUE(first.exited) << sDescribe(first);
  ASSERT_EQ(first.status, 10) << sDescribe(first);
  EXPECT_NE(first.out.find("STARTUP: run system: state 7"), std::string::npos) << sDescribe(first);
  EXPECT_NE(first.out.find("STARTUP: super-user on"), std::string::npos) << sDescribe(first);
  EXPECT_NE(first.out.find("STARTUP: network settings saved (static)"), std::string::npos) << sDescribe(first);
  U32 value = 0;
  ASSERT_TRUE(bSavedValue(first.install_dir, "SMSU", &value)) << sDescribe(first);
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(bSavedValue(first.install_dir, "SIPA", &value)) << sDescribe(first);
  EXPECT_EQ(value, 0x01000000u);
  // The page is not shown by the next normal start.
  ASSERT_TRUE(bSavedValue(first.install_dir, "SVST", &value)) << sDescribe(first);
  EXPECT_EQ(value, 0u);
  // The banner setting is offered to a super-user only, at the run.
  EXPECT_FALSE(bSavedValue(first.install_dir, "SMSG", &value));

  RESULT second = RunStatusPage(program, {});
  ASSERT_TRUE(second.exited) << sDescribe(second);
  ASSERT_EQ(second.status, 10) << sDescribe(second);
  ASSERT_TRUE(bSavedValue(second.install_dir, "SMSU", &value)) << sDescribe(second);
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(bSavedValue(second.install_dir, "SMSG", &value)) << sDescribe(second);
  EXPECT_EQ(value, 1u);
}

}  // namespace
