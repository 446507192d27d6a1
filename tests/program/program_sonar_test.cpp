// The running unit with and without the sonar coprocessor stand-in: with it
// the start-up test finds the transducer, the unit runs normally and pings
// its default transducer's 2D and imaging beams to processing; without it
// the transducer is not connected, the unit simulates and no ping reaches
// processing.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"

namespace {

// MENU, then the preselected start-up option (normal operation with a
// transducer, the simulator without), then EXIT past the chart disclaimer.
const std::vector<int> kStartKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};

TEST(ProgramSonar, StandinFoundAndPinged) {
  CProgram program;
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "depth 9\npace 0.25\npresent yes\n");
  RESULT r = TEST_RunThroughStartup(program, {"quit_sec", "16"}, 30000, kStartKeys);
  EXPECT_NE(r.out.find("transducer connected"), std::string::npos) << sDescribe(r);
  EXPECT_NE(r.out.find("ping: system state 3, pinging 1, transducer "), std::string::npos) << sDescribe(r);
  // Both beams pinged, whether the transducer's keys came before the system
  // ran or after it.
  EXPECT_TRUE(std::regex_search(r.out, std::regex("ping: local ping mask [0-9A-F]+ -> 3"))) << sDescribe(r);
  EXPECT_NE(r.out.find("imaging block built"), std::string::npos);
  EXPECT_NE(r.out.find("process: ping 201"), std::string::npos) << sDescribe(r);
  const std::string log = standin.Log();
  // The test block, then the unit's blocks.
  EXPECT_NE(log.find("seq 0 C8001A0202"), std::string::npos) << log;
  EXPECT_NE(log.find("block 187 bytes, 1 sequences\n  seq 0 C701"), std::string::npos) << log;
}

TEST(ProgramSonar, WithoutStandinNotConnected) {
  CProgram program;
  RESULT r = TEST_RunThroughStartup(program, {"quit_sec", "8"}, 20000, kStartKeys);
  EXPECT_NE(r.out.find("transducer not connected"), std::string::npos) << sDescribe(r);
  EXPECT_NE(r.out.find("run system: state 4"), std::string::npos) << sDescribe(r);
  // The simulator still needs the device: every read fails, no ping is routed.
  EXPECT_EQ(r.out.find("process: ping"), std::string::npos);
}

// fake_transducer: no test ping, no transducer, the simulator state; the
// pings come from the recording the build made, with the transmitter off.
TEST(ProgramSonar, FakeTransducerSimulates) {
  CProgram program;
  const std::filesystem::path sim = program.HostRoot() + "/usr/tessix/SONARSIM";
  std::filesystem::create_directories(sim);
  const std::filesystem::path made = std::filesystem::path(TESSIX_BINARY).parent_path() / "SONARSIM";
  std::filesystem::copy_file(made / "DIREV2.IDX", sim / "DIREV2.IDX");
  std::filesystem::copy_file(made / "DIREV2.SON", sim / "DIREV2.SON");
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "pace 0.1\npresent yes\n");
  RESULT r = TEST_RunThroughStartup(program, {"fake_transducer", "quit_sec", "9"}, 20000, kStartKeys);
  EXPECT_NE(r.out.find("transducer not connected"), std::string::npos) << sDescribe(r);
  EXPECT_NE(r.out.find("run system: state 4"), std::string::npos) << sDescribe(r);
  EXPECT_NE(r.out.find("process: ping 1 beam 1, 1200 samples, 200000 Hz"), std::string::npos) << sDescribe(r);
  const std::string log = standin.Log();
  EXPECT_EQ(log.find("seq 0 C8001A0202"), std::string::npos) << log;
  // Every pulse the unit sent is off (mode 3).
  EXPECT_NE(log.find("seq 0 C701120304"), std::string::npos) << log;
  EXPECT_EQ(log.find("seq 0 C701120204"), std::string::npos) << log;
}

}  // namespace
