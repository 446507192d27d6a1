// Waits in real time for a condition that another thread brings about. Only
// for ordering events in tests (a task has handled a message, a thread has
// reached its wait), never for measuring time: the limit is generous.
#pragma once

#include <chrono>
#include <thread>

template <typename F>
bool WaitFor(F done) {
  for (int i = 0; i < 10000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}
