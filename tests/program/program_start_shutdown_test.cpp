// A whole run of the unit: the program starts every task in its fixed order,
// the power key is held on the keypad device (a named pipe under the host
// root) until the unit shuts down, and the orderly shutdown reaches every
// registered task with the NVRAM task last.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "source/core/start.h"
#include "tests/support/key_records.h"
#include "tests/support/program_run.h"
#include "tests/support/trace_line.h"

namespace {

// Writes one key record and its synchronisation record into the keypad pipe.
bool bPressPower(const std::string& fifo, S32 value) {
  const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd < 0) return false;
  const std::string records = TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[0], value) +
                              TEST_sInputEvent(TEST_EV_SYN, 0, 0);
  const bool ok = write(fd, records.data(), records.size()) == (ssize_t)records.size();
  close(fd);
  return ok;
}

// The numbers of the "starting task #N" lines, in trace order.
std::vector<int> vecStartedTasks(const std::string& out) {
  std::vector<int> ids;
  for (const std::string& line : TEST_vecLines(out)) {
    const size_t at = line.find(" starting task #");
    if (at != std::string::npos) ids.push_back(atoi(line.c_str() + at + 16));
  }
  return ids;
}

// The keys named by the "shutdown: KEY (mailbox N)" lines, in trace order.
std::vector<std::string> vecShutdownKeys(const std::string& out) {
  std::vector<std::string> keys;
  for (const std::string& line : TEST_vecLines(out)) {
    const size_t at = line.find(" shutdown: ");
    if (at != std::string::npos && line.find("(mailbox", at) == at + 16) keys.push_back(line.substr(at + 11, 4));
  }
  return keys;
}

TEST(ProgramStartShutdown, StartsEveryTaskInOrderAndShutsDownWithTheNvramTaskLast) {
  CProgram program;
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  int stage = 0;
  RESULT r = program.Run({}, 30000, 0, [&](pid_t, const std::string& out) {
    if (stage == 0 && out.find("(BTREMOTETASK)") != std::string::npos && bPressPower(fifo, 1)) stage = 1;
    if (stage == 1 && out.find("shutting down the tasks") != std::string::npos && bPressPower(fifo, 0)) stage = 2;
    return stage < 2;
  });
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 10) << sDescribe(r);

  // Main starts the serial-port and start-up tasks, the start-up task its
  // six, then Main the other 45 in their order.
  std::vector<int> expected = {TASK_UARTTASK,    TASK_STARTTASK, TASK_DISPTASK, TASK_VIEWTASK,
                               TASK_VIEWKEYTASK, TASK_NVRTASK,   TASK_KBDTASK,  TASK_MENUTASK};
  expected.insert(expected.end(), g_START_lateTasks, g_START_lateTasks + START_LATE_TASK_COUNT);
  EXPECT_EQ(vecStartedTasks(r.out), expected) << sDescribe(r);

  // Every registered task but the keyboard task and the excluded ones is
  // told, the NVRAM task last.
  const std::vector<std::string> keys = vecShutdownKeys(r.out);
  ASSERT_FALSE(keys.empty()) << sDescribe(r);
  EXPECT_EQ(keys.back(), "TNVR") << sDescribe(r);
  for (const char* skipped : {"TKBD", "TDSP", "TSND"}) {
    EXPECT_EQ(std::count(keys.begin(), keys.end(), skipped), 0) << skipped;
  }
  for (const char* told : {"TVUE", "TMNU", "TVKY"}) {
    EXPECT_EQ(std::count(keys.begin(), keys.end(), told), 1) << told << "\n" << sDescribe(r);
  }
  EXPECT_EQ(r.out.find("did not acknowledge"), std::string::npos) << sDescribe(r);
  for (const std::string& line : TEST_vecLines(r.out)) EXPECT_TRUE(TEST_bIsTraceLine(line)) << "[" << line << "]";
}

// A writer that dies in the middle of a record leaves a stray byte in the
// keypad pipe: the unit finds the records again and still shuts down on a
// held power key.
TEST(ProgramStartShutdown, StrayByteInTheKeypadPipeDoesNotStopThePowerKey) {
  CProgram program;
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  int stage = 0;
  RESULT r = program.Run({}, 30000, 0, [&](pid_t, const std::string& out) {
    if (stage == 0 && out.find("run system") != std::string::npos) {
      const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        const char stray = 0;
        if (write(fd, &stray, 1) == 1) stage = 1;
        close(fd);
      }
    }
    if (stage == 1 && bPressPower(fifo, 1)) stage = 2;
    if (stage == 2 && out.find("shutting down the tasks") != std::string::npos && bPressPower(fifo, 0)) stage = 3;
    return stage < 3;
  });
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 10) << sDescribe(r);
}

// A key device that never blocks (here a regular file full of junk) does not
// keep the key thread busy: the whole unit stays nearly idle.
TEST(ProgramStartShutdown, KeyDeviceThatNeverBlocksDoesNotSpin) {
  CProgram program;
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  {
    std::string junk(100000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = (char)(i * 131 + 7);
    const int fd = open((program.HostRoot() + "/dev/input/event0").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, junk.data(), junk.size()), (ssize_t)junk.size());
    close(fd);
  }
  // CPU time of the whole process (utime and stime, fields 14 and 15 of its
  // stat) over three seconds of running, after the start-up's own work.
  auto cpu = [](pid_t pid) {
    const std::string stat = sReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close_paren = stat.rfind(')');
    std::istringstream fields(stat.substr(close_paren + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int k = 3; k <= 15 && fields >> field; ++k) {
      if (k == 14) utime = std::stoull(field);
      if (k == 15) stime = std::stoull(field);
    }
    return (double)(utime + stime) / (double)sysconf(_SC_CLK_TCK);
  };
  double from = -1, cpu_seconds = -1;
  long long started_ms = -1;
  RESULT r = program.Run({}, 20000, 0, [&](pid_t pid, const std::string& out) {
    if (out.find("run system") == std::string::npos) return true;
    if (started_ms < 0) started_ms = llRealMs();
    if (from < 0 && llRealMs() - started_ms >= 1000) from = cpu(pid);
    if (llRealMs() - started_ms < 4000) return true;
    cpu_seconds = cpu(pid) - from;
    kill(pid, SIGKILL);
    return false;
  });
  ASSERT_GE(cpu_seconds, 0) << sDescribe(r);
  // A spinning key thread alone would take about 3 s of the 3.
  EXPECT_LT(cpu_seconds, 1.0) << sDescribe(r);
}

}  // namespace
