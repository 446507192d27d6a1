// Shared by the key tests: a private host root whose key input device is a
// named pipe, and a writer that feeds it real input_event records.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "source/core/dd_key.h"
#include "tests/support/db_test_env.h"
#include "tests/support/key_records.h"

namespace keytest {

// The pipe standing for the key input device, made before the key thread
// first opens it. Each process has a host root of its own, so that a
// death-test child never shares the pipe with its parent's key thread.
struct KeyPipe {
  std::string path;
  int fd = -1;
  KeyPipe() {
    const std::string root = dbtest::Install().base + "/keyroot-" + std::to_string(getpid());
    setenv("TESSIX_HOST_ROOT", root.c_str(), 1);
    const std::string dir = root + "/dev/input";
    std::filesystem::create_directories(dir);
    path = dir + "/event0";
    if (access(path.c_str(), F_OK) != 0) mkfifo(path.c_str(), 0600);
    // Read-write, so that opening never waits for the reader.
    fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  }
};

inline KeyPipe& Pipe() {
  static KeyPipe pipe;
  return pipe;
}

// Writes raw bytes to the device pipe.
inline void WriteBytes(const void* data, size_t size) {
  ASSERT_GE(Pipe().fd, 0);
  ASSERT_EQ(write(Pipe().fd, data, size), (ssize_t)size);
}

inline void WriteRecord(U16 type, U16 code, S32 value) {
  const std::string ev = TEST_sInputEvent(type, code, value);
  WriteBytes(ev.data(), ev.size());
}

inline bool SlotIs(int slot, bool pressed) {
  BOOLEAN raw[DD_KEYBOARD_SLOTS];
  DD_KEYBOARD_vGetState(raw);
  return (raw[slot] != FALSE) == pressed;
}

// Waits (real time, only to order events) until the key thread shows the slot.
inline bool WaitSlot(int slot, bool pressed) {
  for (int i = 0; i < 5000; ++i) {
    if (SlotIs(slot, pressed)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Presses or releases a slot through the device and waits until it shows.
inline void SetSlot(int slot, bool pressed) {
  WriteRecord(TEST_EV_KEY, DD_KEYBOARD_au16KeyCode[slot], pressed ? 1 : 0);
  ASSERT_TRUE(WaitSlot(slot, pressed)) << "slot " << slot;
}

inline void ReleaseAll() {
  for (int s = 0; s < DD_KEYBOARD_SLOTS; ++s) {
    if (!SlotIs(s, false)) SetSlot(s, false);
  }
}

}  // namespace keytest
