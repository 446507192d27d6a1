// Starts of the unit from seeded settings stores: the state the start-up
// task chooses without a transducer, a store of another release, damaged
// stores that must not stop the start, and a missing NVRAM task.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "source/core/dd_key.h"
#include "tests/support/key_records.h"
#include "tests/support/program_run.h"
#include "tests/support/seed_store.h"

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


U32 u32Saved(const std::string& dir, const char* key) {
  const std::string entries = sReadFile(dir + "/nvr_entries.dat");
  const std::string bitmap = sReadFile(dir + "/nvr_statbit.dat");
  const U32 slot = u32Slot(key);
  if (bitmap.size() < 5836 || !((bitmap[4 * (slot / 32) + (slot % 32) / 8] >> (slot % 8)) & 1)) return 0xDEADBEEF;
  const U8* p = (const U8*)entries.data() + 4 * slot;
  return p[0] | (p[1] << 8) | (p[2] << 16) | ((U32)p[3] << 24);
}

// Runs the unit without start-up keys until the system runs, then holds
// the power key until the orderly shutdown.
RESULT RunUntilShutdown(CProgram& program, std::vector<std::string> args = {}) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  int stage = 0;
  return program.Run(args, 40000, 0, [&](pid_t, const std::string& out) {
    if (stage == 0 && out.find("STARTUP: run system") != std::string::npos && bKey(fifo, DD_SLOT_POWER, 1)) stage = 1;
    if (stage == 1 && out.find("shutting down the tasks") != std::string::npos && bKey(fifo, DD_SLOT_POWER, 0)) {
      stage = 2;
    }
    return stage < 2;
  });
}

std::string sInstall(CProgram& program) { return program.HostRoot() + "/../cwd"; }

TEST(ProgramBoot, FreshStoreStartsInBurnInAfterTheTimeOutWithoutDisclaimer) {
  CProgram program;
  long long started = -1, running = -1;
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  int stage = 0;
  RESULT r = program.Run({}, 40000, 0, [&](pid_t, const std::string& out) {
    if (started < 0 && out.find("STARTUP: transducer not connected") != std::string::npos) started = llRealMs();
    if (stage == 0 && out.find("STARTUP: run system") != std::string::npos) {
      running = llRealMs();
      if (bKey(fifo, DD_SLOT_POWER, 1)) stage = 1;
    }
    if (stage == 1 && out.find("shutting down the tasks") != std::string::npos && bKey(fifo, DD_SLOT_POWER, 0)) {
      stage = 2;
    }
    return stage < 2;
  });
  ASSERT_EQ(r.status, 10) << sDescribe(r);
  EXPECT_NE(r.out.find("STARTUP: run system: state 2"), std::string::npos) << sDescribe(r);
  EXPECT_EQ(r.out.find("chart disclaimer"), std::string::npos) << sDescribe(r);
  ASSERT_GE(started, 0);
  EXPECT_GE(running - started, 6500);
  EXPECT_LE(running - started, 10000);
}

TEST(ProgramBoot, SerialNumberSetGivesPointOfSale) {
  CProgram program;
  SeedStore(sInstall(program), {{"NVER", 0xFFFFFFF8u}, {"SENU", 1234}, {"SMDL", 345}});
  RESULT r = RunUntilShutdown(program);
  ASSERT_EQ(r.status, 10) << sDescribe(r);
  EXPECT_NE(r.out.find("STARTUP: run system: state 6"), std::string::npos) << sDescribe(r);
  EXPECT_EQ(u32Saved(sInstall(program), "SENU"), 1234u);
}

TEST(ProgramBoot, StoreOfAnotherReleaseKeepsOnlyModelAndScfo) {
  CProgram program;
  SeedStore(sInstall(program),
            {{"NVER", 0x12345678u}, {"SMDL", 344}, {"SCFO", 7}, {"SVOA", 9}, {"SENU", 1234}, {"SLNG", 5}});
  RESULT r = RunUntilShutdown(program);
  ASSERT_EQ(r.status, 10) << sDescribe(r);
  const std::string dir = sInstall(program);
  EXPECT_EQ(u32Saved(dir, "NVER"), 0xFFFFFFF8u);
  EXPECT_EQ(u32Saved(dir, "SMDL"), 344u);
  EXPECT_EQ(u32Saved(dir, "SCFO"), 7u);
  // Everything else is back at its default (the serial number unset: burn-in).
  EXPECT_EQ(u32Saved(dir, "SENU"), 0xFFFFFFFFu);
  EXPECT_NE(u32Saved(dir, "SVOA"), 9u);
  EXPECT_NE(r.out.find("STARTUP: run system: state 2"), std::string::npos) << sDescribe(r);
}

// Damaged stores: the start goes on and the store is usable afterwards.
TEST(ProgramBoot, DamagedStoresDoNotStopTheStart) {
  struct CASE {
    const char* what;
    std::string bitmap;  // bytes of nvr_statbit.dat
  };
  std::mt19937 rng(99);
  std::string random(5836, '\0');
  for (char& c : random) c = (char)rng();
  const CASE cases[] = {
      {"random bitmap", random},
      {"all-ones bitmap", std::string(5836, '\xFF')},
      {"truncated bitmap", std::string(100, '\xFF')},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.what);
    CProgram program;
    const std::string dir = sInstall(program);
    SeedStore(dir, {{"NVER", 0xFFFFFFF8u}, {"SMDL", 345}});
    // Entries of the current version everywhere the bitmap may point.
    std::string entries(46659 * 4, '\0');
    for (size_t i = 0; i + 4 <= entries.size(); i += 4) entries[i] = (char)(rng() % 3);
    const U32 nver = 46656 * 4;
    for (int i = 0; i < 4; i++) entries[nver + i] = (char)(0xFFFFFFF8u >> (8 * i));
    std::ofstream(dir + "/nvr_entries.dat", std::ios::binary) << entries;
    std::ofstream(dir + "/nvr_statbit.dat", std::ios::binary) << c.bitmap;
    RESULT r = RunUntilShutdown(program);
    EXPECT_EQ(r.status, 10) << sDescribe(r);
    EXPECT_NE(r.out.find("STARTUP: run system"), std::string::npos) << sDescribe(r);
    EXPECT_EQ(sReadFile(dir + "/nvr_statbit.dat").size(), 5836u);
    EXPECT_EQ(u32Saved(dir, "NVER"), 0xFFFFFFF8u);
  }
}

TEST(ProgramBoot, SavedValuesOutOfRangeFallBackToTheirDefaults) {
  CProgram program;
  SeedStore(sInstall(program), {{"NVER", 0xFFFFFFF8u}, {"SMDL", 999}, {"SSTS", 77}, {"SSTD", 1000}});
  RESULT r = RunUntilShutdown(program);
  ASSERT_EQ(r.status, 10) << sDescribe(r);
  EXPECT_EQ(u32Saved(sInstall(program), "SMDL"), 345u);
  EXPECT_NE(r.out.find("NVRAM: saved SSTS = 77 is out of range; the default stays"), std::string::npos) << sDescribe(r);
  EXPECT_NE(r.out.find("saved model 999 is not known; model 345 is used"), std::string::npos) << sDescribe(r);
}

TEST(ProgramBoot, WithoutTheNvramTaskTheStartEndsWithItsError) {
  CProgram program;
  RESULT r = program.Run({"task_rem", "14"}, 40000);
  EXPECT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 10) << sDescribe(r);
  EXPECT_NE((r.out + r.err).find("STARTUP: Where's tNVRAM"), std::string::npos) << sDescribe(r);
}

}  // namespace
