// The supply voltage in the running unit: the sonar coprocessor stand-in's
// supply reading reaches the battery monitor; a supply that falls below
// 8 V for two readings powers the unit down in order (settings saved, exit
// status 10), while a good supply keeps it running. An all-zero tail
// (0.43 V) would take the unit down two readings after boot.
#include <gtest/gtest.h>

#include <string>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"

namespace {

const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};
const std::string kScenario = "depth 9\npace 0.25\npresent yes\n";

// Goes through the start-up screens; once the system runs, rewrites the
// scenario with the given supply reading.
RESULT RunThenSupply(CProgram& program, sonartest::Standin& standin, const std::vector<std::string>& args,
                     long long limit_ms, unsigned battery) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  size_t next = 0;
  long long due = 0;
  bool rewritten = false;
  return program.Run(args, limit_ms, 0, [&](pid_t, const std::string& out) {
    const long long now = llRealMs();
    if (!rewritten && out.find("STARTUP: run system") != std::string::npos) {
      standin.Rewrite(kScenario + "battery " + std::to_string(battery) + "\n");
      rewritten = true;
    }
    if (next >= kStartKeys.size() || now < due || out.find("STARTUP: transducer") == std::string::npos) {
      return true;
    }
    if (TEST_bPressKey(fifo, kStartKeys[next], 1) && TEST_bPressKey(fifo, kStartKeys[next], 0)) next++;
    due = now + 700;
    return true;
  });
}

TEST(ProgramSupply, TwoLowReadingsPowerTheUnitDownInOrder) {
  CProgram program;
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin", kScenario);
  // 180 counts: 7.99 V. The unit ends by itself well before the limit.
  RESULT r = RunThenSupply(program, standin, {}, 60000, 180);
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 10) << sDescribe(r);
  const size_t low = r.out.find("battery: supply 7.99 V twice below 8 V, powering down");
  ASSERT_NE(low, std::string::npos) << sDescribe(r);
  // The order: the system ran on the good supply, then the low one took
  // it down through the orderly shutdown, which saved the settings.
  EXPECT_LT(r.out.find("STARTUP: run system"), low) << sDescribe(r);
  const size_t down = r.out.find("power down: shutting down the tasks", low);
  EXPECT_NE(down, std::string::npos) << sDescribe(r);
  EXPECT_NE(r.out.find("NVRAM: settings saved for shutdown", down), std::string::npos) << sDescribe(r);
  EXPECT_NE(standin.Log().find("battery 180"), std::string::npos) << standin.Log();
}

TEST(ProgramSupply, GoodSupplyKeepsTheUnitRunning) {
  CProgram program;
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin", kScenario);
  // 181 counts: 8.04 V, just above the limit.
  RESULT r = RunThenSupply(program, standin, {"quit_sec", "16"}, 30000, 181);
  EXPECT_NE(r.out.find("STARTUP: run system"), std::string::npos) << sDescribe(r);
  // The stand-in's default supply reading reaches the battery monitor.
  EXPECT_NE(r.out.find("battery: first supply reading 11.98 V"), std::string::npos) << sDescribe(r);
  EXPECT_EQ(r.out.find("powering down"), std::string::npos) << sDescribe(r);
  EXPECT_EQ(r.out.find("power down: shutting down the tasks"), std::string::npos) << sDescribe(r);
}

}  // namespace
