// A sonar recording as a person makes one and plays it back: a card is in
// slot 0 when the unit starts; the person goes through the start-up screens
// into the simulator, steps with VIEW to the snapshot and recording review
// view, chooses "Start Recording" in its quick-access menu, lets the
// simulated sonar run for a few seconds and chooses "Stop Recording". An
// independent reader (tests/program/record_reader.py, Python's struct)
// checks every file of the recording on the card. The right key on the
// recording then plays it back in the sonar views until the end of the data
// pauses it, and "Stop Playback" returns to the review view. A second run
// pulls the card while a recording runs: the unit reports the write error
// and runs on, and what was recorded up to then is on the card, complete.
// A third plays a fixed recording the build makes to its end and compares
// the 2D sonar view at the pause with a golden picture.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "source/core/dd_key.h"
#include "source/platform/host/host_png.h"
#include "tests/support/golden.h"
#include "tests/support/program_run.h"
#include "tests/support/sonar_standin.h"
#include "tests/support/start_keys.h"

namespace fs = std::filesystem;

namespace {

// The card in slot 0 as the kernel shows it: its entry under
// /sys/class/mmc_host and its device nodes (the folder) under /dev.
void vInsertCard(const std::string& root, const std::string& folder) {
  const std::string sys = root + "/sys/class/mmc_host/mmc1/mmc1:0001";
  fs::create_directories(sys + "/block/mmcblk1");
  std::ofstream(sys + "/cid") << "035344535530344780000000010000e1\n";
  std::ofstream(sys + "/type") << "SD\n";
  fs::create_directories(root + "/dev");
  fs::create_directories(root + "/mnt/mmc0");
  fs::create_directories(root + "/mnt/mmc1");
  fs::create_symlink(folder, root + "/dev/mmcblk1");
  fs::create_symlink(folder, root + "/dev/mmcblk1p1");
}
void vRemoveCard(const std::string& root) {
  std::error_code ec;
  fs::remove_all(root + "/sys/class/mmc_host/mmc1/mmc1:0001", ec);
  fs::remove(root + "/dev/mmcblk1p1", ec);
  fs::remove(root + "/dev/mmcblk1", ec);
}

// One step of the person: a key; a key pressed again (0.7 s apart, at most
// ten times) until a trace line shows; a wait for a trace line (counted from
// the step's start); a pause; or an action of the test.
struct STEP {
  enum { KEY, KEY_UNTIL, LINE, PAUSE, DO } kind;
  int slot = 0;
  std::string text;
  long long ms = 0;
  std::function<void()> action;
};
STEP Key(int slot) { return STEP{STEP::KEY, slot, "", 0, {}}; }
// gap_ms: the time between presses, long enough for the key's effect
// to show when a second press would change more than the first.
STEP KeyUntil(int slot, const std::string& text, long long gap_ms = 700) {
  return STEP{STEP::KEY_UNTIL, slot, text, gap_ms, {}};
}
STEP Line(const std::string& text) { return STEP{STEP::LINE, 0, text, 0, {}}; }
STEP Pause(long long ms) { return STEP{STEP::PAUSE, 0, "", ms, {}}; }
STEP Do(std::function<void()> f) { return STEP{STEP::DO, 0, "", 0, std::move(f)}; }

// Runs the unit through the start-up into the simulator, then the steps
// (a line waited for more than 90 s stops the run); returns the index of
// the step it stopped at (steps.size(): all done).
size_t RunSteps(CProgram& program, const std::vector<STEP>& steps, RESULT* pResult) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  fs::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  const std::vector<int> startKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT, DD_SLOT_EXIT};
  size_t nextStart = 0, next = 0, mark = 0;
  long long due = 0, stepStart = 0;
  int presses = 0;
  bool running = false;
  // The sonar device stand-in is there but the unit is told that no
  // transducer is (fake_transducer): the simulator replays its recording.
  sonartest::Standin standin(program.HostRoot() + "/dev/sonar0", program.HostRoot() + "/../standin",
                             "pace 0.1\npresent yes\n");
  *pResult = program.Run({"fake_transducer"}, 170000, 0, [&](pid_t pid, const std::string& out) {
    const long long now = llRealMs();
    if (out.find("STARTUP: transducer") == std::string::npos) return true;
    if (nextStart < startKeys.size()) {
      if (now >= due && TEST_bPressKey(fifo, startKeys[nextStart], 1) && TEST_bPressKey(fifo, startKeys[nextStart], 0)) {
        nextStart++;
        due = now + 700;
      }
      return true;
    }
    if (!running) {
      if (out.find("STARTUP: quick setup shown") == std::string::npos) return true;
      running = true;
      due = now + 1000;
      mark = out.size();
      stepStart = now;
      return true;
    }
    if (now < due) return true;
    if (next >= steps.size() || (now - stepStart > 90000)) {
      kill(pid, SIGKILL);
      return false;
    }
    const STEP& s = steps[next];
    switch (s.kind) {
      case STEP::KEY:
        if (!TEST_bPressKey(fifo, s.slot, 1) || !TEST_bPressKey(fifo, s.slot, 0)) return true;
        due = now + 700;
        break;
      case STEP::KEY_UNTIL:
        if (out.find(s.text, mark) == std::string::npos) {
          if (presses++ >= 10) {
            kill(pid, SIGKILL);
            return false;
          }
          (void)(TEST_bPressKey(fifo, s.slot, 1) && TEST_bPressKey(fifo, s.slot, 0));
          due = now + s.ms;
          return true;
        }
        presses = 0;
        break;
      case STEP::LINE:
        if (out.find(s.text, mark) == std::string::npos) return true;
        break;
      case STEP::PAUSE:
        due = now + s.ms;
        break;
      case STEP::DO:
        s.action();
        break;
    }
    mark = out.size();
    stepStart = now;
    next++;
    return true;
  });
  return next;
}

// The independent reader's verdict on one recording of the card.
std::string Reader(const std::string& card, const char* name) {
  const std::string cmd =
      "python3 " TESSIX_SOURCE_DIR "/tests/program/record_reader.py '" + card + "' " + name + " 2>&1";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return "no python3";
  char buf[512];
  while (fgets(buf, sizeof buf, p) != nullptr) out += buf;
  const int status = pclose(p);
  return (status == 0 ? "" : "FAILED ") + out;
}

class ProgramRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    m_card = program.HostRoot() + "/../card";
    fs::create_directories(m_card);
    m_card = fs::canonical(m_card).string();
    vInsertCard(program.HostRoot(), m_card);
    // The simulator's recording made by the build, at its fixed path.
    const fs::path sim = program.HostRoot() + "/usr/tessix/SONARSIM";
    fs::create_directories(sim);
    const fs::path made = fs::path(TESSIX_BINARY).parent_path() / "SONARSIM";
    fs::copy_file(made / "DIREV2.IDX", sim / "DIREV2.IDX");
    fs::copy_file(made / "DIREV2.SON", sim / "DIREV2.SON");
  }
  // VIEW until the review view is current, MENU opens its quick-access
  // menu, whose first item starts the recording.
  static std::vector<STEP> StartRecording() {
    return {Key(DD_SLOT_EXIT),     KeyUntil(DD_SLOT_VIEW, "VIEWKEY: view 71"),
            Pause(1000),           Key(DD_SLOT_MENU),
            Key(DD_SLOT_CURSOR_EAST), Line("MMC: recording /mnt/mmc0/RECORD/R00001 started")};
  }
  CProgram program;
  std::string m_card;
};

TEST_F(ProgramRecord, RecordThroughTheReviewMenuThenPlayItBackToItsEnd) {
  std::vector<STEP> steps = StartRecording();
  steps.insert(steps.end(), {
      // The sonar runs in the sonar views for a few seconds; back in the
      // review view the first item of its menu now stops the recording.
      Key(DD_SLOT_EXIT), KeyUntil(DD_SLOT_VIEW, "VIEWKEY: view 49"), Pause(3000),
      KeyUntil(DD_SLOT_VIEW, "VIEWKEY: view 71"), Pause(1000), Key(DD_SLOT_MENU), Key(DD_SLOT_CURSOR_EAST),
      Line("MMC: recording /mnt/mmc0/RECORD/R00001 closed"), Key(DD_SLOT_EXIT),
      // The new recording is the current item: the right key plays it
      // (pressed again only while its header is still on its way from the
      // card, 3 s apart: a second press during the playback would speed it).
      Pause(1500), KeyUntil(DD_SLOT_CURSOR_EAST, "MMC: playback of /mnt/mmc0/RECORD/R00001 opened", 3000),
      // In the review view the right key plays 2x, then 4x forward; the
      // end of the data pauses the playback at its end.
      KeyUntil(DD_SLOT_VIEW, "VIEWKEY: view 71"), Pause(1000), Key(DD_SLOT_CURSOR_EAST), Line("VIEW: playback mode 9"),
      Key(DD_SLOT_CURSOR_EAST), Line("VIEW: playback mode 10"), Line("VIEW: playback mode 16"), Pause(1500),
      // "Stop Playback" is the first item of the review view's menu: the
      // unit returns to the simulator and the review view.
      Key(DD_SLOT_MENU), Key(DD_SLOT_CURSOR_EAST), Line("VIEW: playback ended"),
  });
  RESULT r;
  const size_t done = RunSteps(program, steps, &r);
  ASSERT_EQ(done, steps.size()) << sDescribe(r);
  EXPECT_EQ(Reader(m_card, "R00001").rfind("ok ", 0), 0u) << Reader(m_card, "R00001");
  EXPECT_NE(r.out.find("VIEW: playback mode 13", r.out.find("VIEW: playback ended")), std::string::npos);
  EXPECT_EQ(r.out.find("FATAL"), std::string::npos);
}

TEST_F(ProgramRecord, CardPulledDuringARecordingKeepsWhatWasRecorded) {
  std::vector<STEP> steps = StartRecording();
  steps.insert(steps.end(), {
      Key(DD_SLOT_EXIT), Pause(6000), Do([this] { vRemoveCard(program.HostRoot()); }),
      Line("MMC: recording R00001: "), Pause(3000),
      // The unit runs on: VIEW still steps through the views.
      Key(DD_SLOT_VIEW), Line("VIEWKEY: view"),
  });
  RESULT r;
  const size_t done = RunSteps(program, steps, &r);
  ASSERT_EQ(done, steps.size()) << sDescribe(r);
  // Index and thumb header agree with the records up to their last update,
  // which holds pings.
  const std::string verdict = Reader(m_card, "R00001 --pulled");
  EXPECT_EQ(verdict.rfind("ok ", 0), 0u) << verdict;
  EXPECT_NE(verdict.rfind("ok 0 ", 0), 0u) << verdict;
  EXPECT_EQ(r.out.find("FATAL"), std::string::npos);
}

// The fixed recording the build makes (tools/recordgen: 200 pings of the
// 200 kHz beam over a bottom between 6 and 10 m, 60 ms apart) on the card,
// played from the review view: the 2D sonar view at the end-of-data pause.
// Played at normal speed every ping up to the beam's last one reaches the
// history, one column each, however fast or slow the machine runs, and the
// playback empties the history of the simulator's columns on its second
// ping: the columns on the screen are those of the recording alone. The
// state banner at the top blinks on the wall clock ("Playback Paused" for
// 3 s, then hidden for 8 s) and the depth readout below shows the depth of
// whichever ping came after its publishing gap, so the picture compared is
// the sonar window between the two.
TEST_F(ProgramRecord, TheTwoDViewAtTheEndOfAFixedRecording) {
  fs::copy(fs::path(TESSIX_BINARY).parent_path() / "RECORDING", m_card, fs::copy_options::recursive);
  const std::string screens = program.HostRoot() + "/../screen";
  fs::create_directories(screens);
  program.SetEnv("TESSIX_SCREEN_DIR", screens);
  std::vector<U16> px;
  // The picture is written while it may be read: read until it is whole.
  auto shoot = [&] {
    for (int tries = 0; tries < 20; ++tries) {
      int w = 0, h = 0;
      std::string error;
      const std::string shot = screens + "/shot.png";
      std::error_code ec;
      fs::copy_file(screens + "/screen.png", shot, fs::copy_options::overwrite_existing, ec);
      if (!ec && HOST_bReadPng565(shot.c_str(), &px, &w, &h, &error) && w == 800 && h == 600) return;
      usleep(50000);
    }
    px.clear();
  };
  const std::vector<STEP> steps = {
      Key(DD_SLOT_EXIT), KeyUntil(DD_SLOT_VIEW, "VIEWKEY: view 71"), Pause(1500),
      KeyUntil(DD_SLOT_CURSOR_EAST, "MMC: playback of /mnt/mmc0/RECORD/R00001 opened", 3000),
      KeyUntil(DD_SLOT_VIEW, "VIEWKEY: view 49"),
      Line("VIEW: playback mode 16"), Pause(2500), Do(shoot),
  };
  RESULT r;
  const size_t done = RunSteps(program, steps, &r);
  ASSERT_EQ(done, steps.size()) << sDescribe(r);
  ASSERT_EQ(px.size(), 800u * 600u) << sDescribe(r);
  constexpr int BELOW_BANNER = 66, ABOVE_READOUTS = 496;
  ExpectMatchesGolden(px.data() + (size_t)BELOW_BANNER * 800, 800, ABOVE_READOUTS - BELOW_BANNER, 800,
                      "review/playback_end_2d");
  EXPECT_EQ(r.out.find("FATAL"), std::string::npos);
}

}  // namespace
