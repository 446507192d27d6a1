// A screenshot as a person takes one: a card is in slot 0 when the unit
// starts; the person goes through the start-up screens into the simulator,
// turns "Screen Snapshot" on in the main menu (Accessories tab) and presses
// MARK. The view task freezes the screen and hands the picture to the card
// task, which writes S00001.PNG and S00001.DAT into the card's SNAPSHOT
// folder. The card task's byte-exact PNG check is in the card task's tests;
// here the files, the PNG's signature and IHDR (800 x 600, 8-bit RGB) and
// the thumbnail's size are checked, that a second MARK after the first save
// makes S00002, and that MARK with screenshots off saves nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "source/core/dd_key.h"
#include "tests/support/program_run.h"
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

U32 u32Be(const std::string& s, size_t at) {
  return (U32)(U8)s[at] << 24 | (U32)(U8)s[at + 1] << 16 | (U32)(U8)s[at + 2] << 8 | (U32)(U8)s[at + 3];
}

// The thumbnail file: a 32-byte header and 200 x 150 RGB565 pixels.
constexpr uintmax_t kThumbnailBytes = 32u + 200u * 150u * 2u;

struct RUN_CASE {
  const char* name;
  bool screenshotsOn;  // "Screen Snapshot" turned on in the menu first
};

class ProgramScreenshot : public ::testing::TestWithParam<RUN_CASE> {};

TEST_P(ProgramScreenshot, MarkKeySavesTheFrozenScreenOnlyWhenScreenshotsAreOn) {
  const RUN_CASE& c = GetParam();
  CProgram program;
  const std::string card = program.HostRoot() + "/../card";
  fs::create_directories(card);
  vInsertCard(program.HostRoot(), fs::canonical(card).string());
  const std::string folder = fs::canonical(card).string() + "/SNAPSHOT";

  // Start-up: MENU, the preselected simulator with east, EXIT past the
  // chart disclaimer (and EXIT more); once the quick setup shows, EXIT
  // closes it (a spare EXIT keeps the only view). Then MENU opens the
  // view's quick-access menu and MENU again the main menu on its first
  // tab; west wraps to the last tab (Accessories),
  // south onto "Screen Snapshot", east to "On", EXIT twice.
  const std::vector<int> startKeys = {DD_SLOT_MENU, DD_SLOT_CURSOR_EAST, DD_SLOT_EXIT, DD_SLOT_EXIT};
  std::vector<int> keys = {DD_SLOT_EXIT};
  if (c.screenshotsOn) {
    keys.insert(keys.end(), {DD_SLOT_MENU, DD_SLOT_MENU, DD_SLOT_CURSOR_WEST, DD_SLOT_CURSOR_SOUTH, DD_SLOT_CURSOR_EAST,
                             DD_SLOT_EXIT, DD_SLOT_EXIT});
  }
  keys.push_back(DD_SLOT_MARK);

  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  fs::create_directories(program.HostRoot() + "/dev/input");
  mkfifo(fifo.c_str(), 0600);
  size_t nextStart = 0, next = 0;
  long long due = 0, lastKey = 0;
  bool running = false, secondMark = false;
  RESULT r = program.Run({}, 60000, 0, [&](pid_t pid, const std::string& out) {
    const long long now = llRealMs();
    if (out.find("STARTUP: transducer") == std::string::npos) return true;
    if (nextStart < startKeys.size()) {
      if (now >= due && TEST_bPressKey(fifo, startKeys[nextStart], 1) && TEST_bPressKey(fifo, startKeys[nextStart], 0)) {
        nextStart++;
        due = now + 700;
      }
      return true;
    }
    // The quick setup of a first start may show only after the start-up
    // keys: the keys below begin once it is shown, with EXIT closing it.
    if (!running) {
      if (out.find("STARTUP: quick setup shown") == std::string::npos) return true;
      running = true;
      due = now + 1000;
    }
    if (next < keys.size()) {
      if (now >= due && TEST_bPressKey(fifo, keys[next], 1) && TEST_bPressKey(fifo, keys[next], 0)) {
        next++;
        due = now + 700;
        lastKey = now;
      }
      return true;
    }
    // A screenshot is done when both files are complete (the PNG ends with
    // IEND, the thumbnail has its full size). Once the first is saved the
    // card task has let the frozen picture go: a second MARK is taken too.
    // Done after the second, or 8 s after the last MARK.
    auto complete = [&](const char* stem) {
      std::error_code ec;
      const std::string pic = sReadFile(folder + "/" + stem + ".PNG");
      return fs::file_size(folder + "/" + stem + ".DAT", ec) == kThumbnailBytes && pic.size() > 12 &&
             pic.compare(pic.size() - 8, 4, "IEND") == 0;
    };
    if (c.screenshotsOn && !secondMark && complete("S00001")) {
      secondMark = TEST_bPressKey(fifo, DD_SLOT_MARK, 1) && TEST_bPressKey(fifo, DD_SLOT_MARK, 0);
      lastKey = now;
      return true;
    }
    if (complete("S00002") || now - lastKey > 8000) {
      kill(pid, SIGKILL);
      return false;
    }
    return true;
  });
  ASSERT_EQ(next, keys.size()) << sDescribe(r);

  const std::string png = folder + "/S00001.PNG", dat = folder + "/S00001.DAT";
  if (!c.screenshotsOn) {
    EXPECT_FALSE(fs::exists(png)) << sDescribe(r);
    return;
  }
  ASSERT_TRUE(fs::exists(png)) << sDescribe(r);
  ASSERT_TRUE(fs::exists(dat));
  const std::string bytes = sReadFile(png);
  ASSERT_GE(bytes.size(), 33u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(u32Be(bytes, 8), 13u);
  EXPECT_EQ(bytes.substr(12, 4), "IHDR");
  EXPECT_EQ(u32Be(bytes, 16), 800u);
  EXPECT_EQ(u32Be(bytes, 20), 600u);
  EXPECT_EQ((int)(U8)bytes[24], 8);  // bit depth
  EXPECT_EQ((int)(U8)bytes[25], 2);  // RGB
  EXPECT_EQ(bytes.substr(bytes.size() - 12), std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12));
  EXPECT_EQ(fs::file_size(dat), kThumbnailBytes);
  // The second MARK after the first save.
  EXPECT_TRUE(secondMark);
  std::error_code ec;
  EXPECT_TRUE(fs::exists(folder + "/S00002.PNG"));
  EXPECT_EQ(fs::file_size(folder + "/S00002.DAT", ec), kThumbnailBytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramScreenshot,
                         ::testing::Values(RUN_CASE{"On", true}, RUN_CASE{"Off", false}),
                         [](const ::testing::TestParamInfo<RUN_CASE>& i) { return std::string(i.param.name); });

}  // namespace
