// Whole-program runs that go through the start-up screens as a person does:
// once the start-up task has tested for the transducer, the given keys are
// pressed in the keypad pipe, 0.7 s apart (e.g. MENU, cursor east, EXIT:
// the preselected start-up option, then the chart disclaimer).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "source/core/dd_key.h"
#include "tests/support/key_records.h"
#include "tests/support/program_run.h"

inline bool TEST_bPressKey(const std::string& fifo, int slot, S32 value) {
  const int fd = TEST_nOpenKeypad(fifo);
  if (fd < 0) return false;
  const std::string records =
      TEST_sInputEvent(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[slot], value) + TEST_sInputEvent(TEST_EV_SYN, 0, 0);
  const bool ok = write(fd, records.data(), records.size()) == (ssize_t)records.size();
  close(fd);
  return ok;
}

inline RESULT TEST_RunThroughStartup(CProgram& program, const std::vector<std::string>& args, long long limit_ms,
                                     const std::vector<int>& keys) {
  const std::string fifo = program.HostRoot() + "/dev/input/event0";
  std::filesystem::create_directories(program.HostRoot() + "/dev/input");
  if (access(fifo.c_str(), F_OK) != 0) mkfifo(fifo.c_str(), 0600);
  size_t next = 0;
  long long due = 0;
  return program.Run(args, limit_ms, 0, [&](pid_t, const std::string& out) {
    const long long now = llRealMs();
    if (next >= keys.size() || now < due || out.find("STARTUP: transducer") == std::string::npos) return true;
    if (TEST_bPressKey(fifo, keys[next], 1) && TEST_bPressKey(fifo, keys[next], 0)) next++;
    due = now + 700;
    return true;
  });
}
