// The shallow-water alarm in the running unit. The saved depth-alarm set
// point is 10 m and the sonar stand-in's bottom lies flat at 9 m: once the
// unit publishes depths the alarm shows "Depth Alarm" with its own tone.
// EXIT acknowledges it; the acknowledgement reaches the unit-link gateway
// as kind 31 with the one byte 1, and the alarm stays quiet while the
// bottom stays shallow.
#include <gtest/gtest.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "../support/program_run.h"
#include "../support/sonar_standin.h"
#include "../support/start_keys.h"

namespace {

U32 u32Slot(const std::string& key) {
  if (key == "NVER") return 46656;
  auto digit = [](char c) { return c <= '9' ? (U32)(c - '0') : (U32)(c - 'A' + 10); };
  return digit(key[1]) * 1296 + digit(key[2]) * 36 + digit(key[3]);
}

// A settings store of the given keys in the files' own layout.
void SeedStore(const std::string& dir, const std::map<std::string, U32>& keys) {
  std::filesystem::create_directories(dir);
  std::string bitmap(5836, '\0');
  std::string entries;
  for (const auto& [key, value] : keys) {
    const U32 slot = u32Slot(key);
    if (entries.size() < 4 * slot + 4) entries.resize(4 * slot + 4, '\0');
    for (int i = 0; i < 4; i++) entries[4 * slot + i] = (char)(value >> (8 * i));
    bitmap[4 * (slot / 32) + (slot % 32) / 8] |= (char)(1 << (slot % 8));
  }
  std::ofstream(dir + "/nvr_entries.dat", std::ios::binary) << entries;
  std::ofstream(dir + "/nvr_statbit.dat", std::ios::binary) << bitmap;
}

U32 u32FloatBits(float f) {
  U32 u = 0;
  memcpy(&u, &f, sizeof u);
  return u;
}

const std::string kShown = "alarm: showing \"Depth Alarm\" (kind ";
const std::string kToGateway = "gateway: cancel of the local depth alarm for the other head (kind 31, data 1)";

TEST(ProgramDepthAlarm, ShallowBottomRaisesTheAlarmAndItsAcknowledgementReachesTheGateway) {
  CProgram program;
  // Quick setup done (no factory defaults over the store), depth alarm 10 m.
  SeedStore(program.HostRoot() + "/../cwd",
            {{"NVER", 0xFFFFFFF8u}, {"SQCD", 1}, {"SSDA", u32FloatBits(10.0f)}});
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "depth 9\npresent yes\nseed 4\n");
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  const std::vector<int> startKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT};
  size_t next = 0;
  long long due = 0;
  size_t pressedAt = std::string::npos;  // output length when EXIT went down
  RESULT r = program.Run({"quit_sec", "40"}, 60000, 0, [&](pid_t, const std::string& out) {
    const long long now = llRealMs();
    if (now < due) return true;
    if (next < startKeys.size()) {
      if (out.find("STARTUP: transducer") == std::string::npos) return true;
      if (TEST_bPressKey(fifo, startKeys[next], 1) && TEST_bPressKey(fifo, startKeys[next], 0)) next++;
      due = now + 700;
      return true;
    }
    if (pressedAt == std::string::npos) {
      // A moment after the alarm shows, a person presses EXIT.
      const size_t shown = out.find(kShown);
      if (shown == std::string::npos) return true;
      if (due == 0 || now < due) {
        if (due == 0) due = now + 1500;
        return true;
      }
      if (TEST_bPressKey(fifo, DD_SLOT_EXIT, 1) && TEST_bPressKey(fifo, DD_SLOT_EXIT, 0)) pressedAt = out.size();
      return true;
    }
    return true;
  });
  ASSERT_NE(pressedAt, std::string::npos) << sDescribe(r);
  const size_t shown = r.out.find(kShown);
  ASSERT_NE(shown, std::string::npos) << sDescribe(r);
  // Shown with its own tone, after the unit had published a depth.
  const std::string line = r.out.substr(shown, r.out.find('\n', shown) - shown);
  EXPECT_NE(line.find("tone depth_alarm_sound"), std::string::npos) << line;
  const size_t depth = r.out.find("process: depth ");
  ASSERT_NE(depth, std::string::npos) << sDescribe(r);
  EXPECT_LT(depth, shown) << sDescribe(r);
  // Acknowledged by the key, not before it; once only; the alarm stays
  // down over the shallow bottom for the rest of the run.
  const size_t told = r.out.find(kToGateway);
  ASSERT_NE(told, std::string::npos) << sDescribe(r);
  EXPECT_GT(told, pressedAt) << sDescribe(r);
  EXPECT_EQ(r.out.find(kToGateway, told + 1), std::string::npos) << sDescribe(r);
  EXPECT_EQ(r.out.find(kShown, shown + 1), std::string::npos) << sDescribe(r);
  EXPECT_EQ(r.out.find("depth alarm for the other head", told + kToGateway.size()), std::string::npos)
      << sDescribe(r);
  EXPECT_GT(r.out.rfind("process: depth "), told + 1) << "depths went on after the acknowledgement";
}

}  // namespace
