// The power key held on the unit's keypad: after a second the count-down
// box appears on the screen, at three seconds the unit shuts down in order
// (the orderly shutdown with the NVRAM task last, then the message-layer,
// sound and display tasks) and ends with status 10, the screen cleared.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "tests/support/key_records.h"
#include "tests/support/program_run.h"
#include "tests/support/trace_line.h"

namespace {

bool bPressPower(const std::string& fifo, S32 value) {
  const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd < 0) return false;
  const std::string records = TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[0], value) +
                              TEST_sInputEvent(TEST_EV_SYN, 0, 0);
  const bool ok = write(fd, records.data(), records.size()) == (ssize_t)records.size();
  close(fd);
  return ok;
}

// Position of the first line holding text at or after from; npos if none.
size_t Find(const std::string& out, const std::string& text, size_t from = 0) { return out.find(text, from); }

// The crc of the last frame presented before position at.
std::string LastCrcBefore(const std::string& out, size_t at) {
  const size_t frame = out.rfind(" crc ", at);
  if (frame == std::string::npos) return "";
  return out.substr(frame + 5, 8);
}

TEST(ProgramPowerKey, HeldPowerKeyCountsDownAndShutsDownInOrder) {
  setenv("TESSIX_TRACE_FRAMES", "1", 1);
  CProgram program;
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  int stage = 0;
  RESULT r = program.Run({}, 30000, 0, [&](pid_t, const std::string& out) {
    if (stage == 0 && out.find("run system") != std::string::npos &&
        out.find("display: power key registered") != std::string::npos && bPressPower(fifo, 1)) {
      stage = 1;
    }
    if (stage == 1 && out.find("shutting down the tasks") != std::string::npos && bPressPower(fifo, 0)) stage = 2;
    return stage < 2;
  });
  unsetenv("TESSIX_TRACE_FRAMES");
  ASSERT_TRUE(r.exited) << sDescribe(r);
  EXPECT_EQ(r.status, 10) << sDescribe(r);
  const std::string& out = r.out;

  // The press reaches the display task first: no menu before the first-start
  // set-up.
  const size_t press = Find(out, "display: power key, no menu");
  EXPECT_NE(press, std::string::npos) << sDescribe(r);
  // A second later the count-down box is shown: a frame that differs from
  // the one before.
  const size_t countdown = Find(out, "shutdown count-down (message 1)");
  ASSERT_NE(countdown, std::string::npos) << sDescribe(r);
  const size_t shownAt = Find(out, " presented at ", countdown);
  ASSERT_NE(shownAt, std::string::npos) << sDescribe(r);
  const size_t shownLineEnd = out.find('\n', shownAt);
  EXPECT_NE(LastCrcBefore(out, countdown), LastCrcBefore(out, shownLineEnd)) << sDescribe(r);

  // Then, in this order: the shutdown starts, the NVRAM task ends the
  // orderly part, the message-layer, sound and display tasks follow, and
  // the display clears the screen.
  const std::vector<std::string> order = {"shutting down the tasks",        "shutdown: TNVR (mailbox",
                                          "last to finish: TMSG (mailbox", "last to finish: TSND (mailbox",
                                          "last to finish: TDSP (mailbox", "display: shutdown, screen cleared"};
  size_t at = countdown;
  for (const std::string& step : order) {
    const size_t next = Find(out, step, at);
    ASSERT_NE(next, std::string::npos) << "missing or out of order: " << step << "\n" << sDescribe(r);
    at = next;
  }
  EXPECT_EQ(Find(out, "did not acknowledge"), std::string::npos) << sDescribe(r);
  for (const std::string& line : TEST_vecLines(out)) EXPECT_TRUE(TEST_bIsTraceLine(line)) << "[" << line << "]";
}

}  // namespace
