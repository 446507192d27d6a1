// Software update from a card as a person meets it: a card with an image
// for this unit is in slot 1 at start; the unit asks twice and, on Yes and
// then No, names the image to the updater and ends with status 21.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "source/core/version.h"
#include "tests/support/program_run.h"
#include "tests/support/start_keys.h"

namespace fs = std::filesystem;

namespace {

void vInsertCard(const std::string& root, int slot, const std::string& folder) {
  const std::string n = std::to_string(slot + 1);
  const std::string sys = root + "/sys/class/mmc_host/mmc" + n + "/mmc" + n + ":0001";
  fs::create_directories(sys + "/block/mmcblk" + n);
  std::ofstream(sys + "/cid") << "035344535530344780000000010000e1\n";
  std::ofstream(sys + "/type") << "SD\n";
  fs::create_directories(root + "/dev");
  fs::create_directories(root + "/tmp");
  fs::create_directories(root + "/mnt/mmc0");
  fs::create_directories(root + "/mnt/mmc1");
  fs::create_symlink(folder, root + "/dev/mmcblk" + n);
  fs::create_symlink(folder, root + "/dev/mmcblk" + n + "p1");
}

// An image of some bytes and its trailer of strings.
void vWriteImage(const std::string& path, const std::vector<std::string>& strings, size_t body = 1000,
                 bool terminated = true) {
  std::string trailer;
  for (const auto& s : strings) trailer += s + '\0';
  if (terminated) {
    trailer.resize(512, '\0');
  } else {
    while (trailer.size() < 512) trailer += std::string("x=1") + '\0';
    trailer.resize(512);
    trailer[510] = 'y';  // the last string is not empty: the list has no end
    trailer[511] = '\0';
  }
  if (body == 0) trailer.resize(300);  // a file shorter than a trailer
  std::ofstream(path, std::ios::binary) << std::string(body, 'B') << trailer;
}

std::string sVersion(int delta) { return "version=" + std::to_string((int)VERSION_NUMBER + delta); }

struct UPDATE_CASE {
  const char* name;
  std::vector<std::string> trailer;
  size_t body;
  bool terminated;
  std::vector<int> keys;  // answers once the question is up
  const char* expected;   // in the trace
  bool handsOver;
};

class ProgramUpdate : public ::testing::TestWithParam<UPDATE_CASE> {};

TEST_P(ProgramUpdate, AnswersDecideTheHandOver) {
  const UPDATE_CASE& c = GetParam();
  CProgram program;
  const std::string card = program.HostRoot() + "/../card";
  fs::create_directories(card);
  vWriteImage(card + "/NEW.BIN", c.trailer, c.body, c.terminated);
  // A stale hand-over from an earlier run never reaches the updater.
  fs::create_directories(program.HostRoot() + "/tmp");
  std::ofstream(program.HostRoot() + "/tmp/up_fname.txt") << "/mnt/mmc0/OLD.BIN";
  vInsertCard(program.HostRoot(), 1, fs::canonical(card).string());
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  fs::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  // The card task looks at the card while the start-up screens show: the
  // question comes first and takes the keys.
  size_t next = 0;
  long long due = 0, cardSeen = 0;
  RESULT r = program.Run({}, 40000, 0, [&](pid_t pid, const std::string& out) {
    auto stop = [&] {
      kill(pid, SIGTERM);
      return false;
    };
    const long long now = llRealMs();
    if (now < due) return true;
    if (out.find("MMC: update text: Replacing") == std::string::npos) {
      // Without a question the card's insertion work ends within a few seconds.
      if (out.find("MMC: card in slot 1") == std::string::npos) return true;
      if (cardSeen == 0) cardSeen = now;
      return now - cardSeen < 4000 ? true : stop();
    }
    if (due == 0) due = now + 1000;  // the box is drawn
    if (now < due) return true;
    if (next < c.keys.size()) {
      if (TEST_bPressKey(fifo, c.keys[next], 1) && TEST_bPressKey(fifo, c.keys[next], 0)) next++;
      due = now + 700;
      return true;
    }
    return now < due + 3000 ? true : stop();
  });
  std::string cardLines;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("MMC") != std::string::npos || line.find("STARTUP") != std::string::npos) cardLines += line + "\n";
  }
  EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.name << "\n" << cardLines.substr(0, 4000);
  const std::string handover = sReadFile(program.HostRoot() + "/tmp/up_fname.txt");
  if (c.handsOver) {
    ASSERT_TRUE(r.exited) << sDescribe(r);
    EXPECT_EQ(r.status, 21) << sDescribe(r);
    EXPECT_EQ(handover, "/mnt/mmc1/NEW.BIN");
  } else {
    EXPECT_FALSE(r.exited && (r.status == 20 || r.status == 21)) << c.name << "\n" << sDescribe(r);
    if (c.keys.empty()) {
      EXPECT_EQ(r.out.find("MMC: update text"), std::string::npos) << c.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramUpdate,
    ::testing::Values(
        UPDATE_CASE{"yes then no updates", {"model=all", sVersion(+1)}, 1000, true,
                    {DD_SLOT_CURSOR_EAST, DD_SLOT_CURSOR_WEST}, "MMC: update text: Updating software", true},
        UPDATE_CASE{"a downgrade asks with the older-version wording", {"model=tessix345", sVersion(-1)}, 1000, true,
                    {DD_SLOT_CURSOR_EAST, DD_SLOT_CURSOR_EAST}, "with older version", false},
        UPDATE_CASE{"exit declines", {"model=all", sVersion(+1)}, 1000, true, {DD_SLOT_EXIT},
                    "MMC: update declined", false},
        UPDATE_CASE{"equal version only notes", {"model=all", sVersion(0)}, 1000, true, {}, "No update required.",
                    false},
        UPDATE_CASE{"file shorter than its trailer is skipped", {"model=all", sVersion(+1)}, 0, true, {},
                    "MMC: card in slot 1", false},
        UPDATE_CASE{"unterminated trailer is skipped", {"model=all", sVersion(+1)}, 1000, false, {},
                    "MMC: card in slot 1", false},
        UPDATE_CASE{"another model is skipped", {"model=tessix344", sVersion(+1)}, 1000, true, {},
                    "MMC: card in slot 1", false}),
    [](const ::testing::TestParamInfo<UPDATE_CASE>& info) {
      std::string n = info.param.name;
      for (char& ch : n) ch = isalnum((unsigned char)ch) ? ch : '_';
      return n;
    });

}  // namespace
