// The unit killed with SIGKILL while it saves its settings: the save every
// 20 ms (shortened from 10 minutes through TESSIX_NVRAM_SAVE_MS) while the
// alarm volume is stepped up and down on the keypad, and the save of the
// orderly shutdown. After every kill the store is read here by a reader of
// its own, and the unit starts again without finding it damaged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "source/core/dd_key.h"
#include "tests/support/key_records.h"
#include "tests/support/program_run.h"

namespace {

bool bKey(const std::string& fifo, int slot, S32 value) {
  const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd < 0) return false;
  const std::string records =
      TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[slot], value) + TEST_sInputEvent(TEST_EV_SYN, 0, 0);
  const bool ok = write(fd, records.data(), records.size()) == (ssize_t)records.size();
  close(fd);
  return ok;
}

bool bTap(const std::string& fifo, int slot) { return bKey(fifo, slot, 1) && bKey(fifo, slot, 0); }

U32 u32Slot(const char* key) {
  if (std::string(key) == "NVER") return 46656;
  auto digit = [](char c) { return c <= '9' ? (U32)(c - '0') : (U32)(c - 'A' + 10); };
  return digit(key[1]) * 1296 + digit(key[2]) * 36 + digit(key[3]);
}

// The saved value of a key; 0xDEADBEEF when its bit is clear.
U32 u32Saved(const std::string& dir, const char* key) {
  const std::string entries = sReadFile(dir + "/nvr_entries.dat");
  const std::string bitmap = sReadFile(dir + "/nvr_statbit.dat");
  const U32 slot = u32Slot(key);
  if (bitmap.size() < 5836 || !((bitmap[4 * (slot / 32) + (slot % 32) / 8] >> (slot % 8)) & 1)) return 0xDEADBEEF;
  if (entries.size() < 4 * slot + 4) return 0xBADBAD;
  const U8* p = (const U8*)entries.data() + 4 * slot;
  return p[0] | (p[1] << 8) | (p[2] << 16) | ((U32)p[3] << 24);
}

enum class KILL { WHILE_RUNNING, WHILE_SHUTTING_DOWN };

// One start: the start-up options to the simulator, the quick setup closed
// when shown, the alarm volume row, then the volume stepped up and down
// until the kill after kill_ms; or the power key held and the kill kill_ms
// after the shutdown began.
RESULT Round(CProgram& program, KILL how, long long kill_ms) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  const int startKeys[] = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};
  int stage = 0;
  size_t next = 0;
  long long due = 0, deadline = 0;
  bool up = true;
  return program.Run({}, 40000, 0, [&](pid_t pid, const std::string& out) {
    const long long now = llRealMs();
    if (now < due) return true;
    switch (stage) {
      case 0:
        if (out.find("STARTUP: transducer") != std::string::npos) stage = 1;
        return true;
      case 1:
        if (next < 3) {
          if (bTap(fifo, startKeys[next])) next++;
          due = now + 700;
        } else if (out.find("STARTUP: run system") != std::string::npos) {
          stage = 2;
          due = now + 300;
        }
        return true;
      case 2:
        if (out.find("STARTUP: quick setup shown") != std::string::npos) bTap(fifo, DD_SLOT_EXIT);
        due = now + 700;
        stage = 3;
        return true;
      case 3:
        bTap(fifo, DD_SLOT_MENU);
        due = now + 700;
        stage = 4;
        return true;
      case 4:
        bTap(fifo, DD_SLOT_CURSOR_SOUTH);
        due = now + 700;
        stage = 5;
        if (how == KILL::WHILE_RUNNING) deadline = now + 700 + kill_ms;
        return true;
      case 5:
        if (how == KILL::WHILE_RUNNING) {
          if (now >= deadline) {
            kill(pid, SIGKILL);
            return false;
          }
          bTap(fifo, up ? DD_SLOT_CURSOR_EAST : DD_SLOT_CURSOR_WEST);
          up = !up;
          due = now + 30;
          return true;
        }
        bTap(fifo, DD_SLOT_CURSOR_EAST);
        bTap(fifo, DD_SLOT_EXIT);
        bTap(fifo, DD_SLOT_EXIT);
        bKey(fifo, DD_SLOT_POWER, 1);
        stage = 6;
        return true;
      case 6:
        if (out.find("shutting down the tasks") != std::string::npos) {
          deadline = now + kill_ms;
          stage = 7;
        }
        return true;
      default:
        if (now >= deadline) {
          kill(pid, SIGKILL);
          return false;
        }
        return true;
    }
  });
}

TEST(ProgramNvramKill, KilledWhileSavingRestartsWithEveryKeyAtItsOldOrNewValue) {
  setenv("TESSIX_NVRAM_SAVE_MS", "20", 1);
  CProgram program;
  const std::string dir = program.HostRoot() + "/../cwd";
  std::mt19937 rng(20261211);
  const KILL kills[] = {KILL::WHILE_RUNNING, KILL::WHILE_RUNNING,      KILL::WHILE_SHUTTING_DOWN,
                        KILL::WHILE_RUNNING, KILL::WHILE_SHUTTING_DOWN, KILL::WHILE_RUNNING};
  U32 previous = 0xDEADBEEF;
  for (size_t round = 0; round < std::size(kills); round++) {
    SCOPED_TRACE("round " + std::to_string(round));
    const long long kill_ms = kills[round] == KILL::WHILE_RUNNING ? 200 + rng() % 1500 : rng() % 40;
    RESULT r = Round(program, kills[round], kill_ms);
    ASSERT_FALSE(r.killed) << sDescribe(r);
    EXPECT_EQ(r.signal, SIGKILL) << sDescribe(r);
    if (round > 0) {
      EXPECT_NE(r.out.find("STARTUP: run system: state 4"), std::string::npos) << sDescribe(r);
      EXPECT_EQ(r.out.find("erased and begun again"), std::string::npos) << sDescribe(r);
      EXPECT_EQ(r.out.find("fall back to their defaults"), std::string::npos) << sDescribe(r);
    }
    EXPECT_EQ(sReadFile(dir + "/nvr_statbit.dat").size(), 5836u);
    EXPECT_EQ(u32Saved(dir, "NVER"), 0xFFFFFFF8u);
    EXPECT_EQ(u32Saved(dir, "SMDL"), 345u);
    // A volume is 0 to 10: a torn write would show as another number. The
    // shutdown rounds step it up once from the value saved before: the file
    // holds the old or the new value.
    const U32 volume = u32Saved(dir, "SVOA");
    if (volume != 0xDEADBEEF) {
      EXPECT_LE(volume, 10u);
    }
    if (kills[round] == KILL::WHILE_SHUTTING_DOWN && previous != 0xDEADBEEF) {
      EXPECT_TRUE(volume == previous || volume == std::min(previous + 1, 10u)) << previous << " then " << volume;
    }
    previous = volume;
  }
  unsetenv("TESSIX_NVRAM_SAVE_MS");
}

}  // namespace
