// A thread that moves the test clock on by 20 ms for every real
// millisecond while it lives, so that tasks' pauses and timers on the test
// clock pass quickly. The test clock must be enabled before.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "source/platform/platform.h"

class ClockPump {
 public:
  ClockPump() {
    m_thread = std::thread([this] {
      while (!m_stop.load()) {
        PLATFORM_vTestClockAdvanceMs(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  ~ClockPump() {
    m_stop.store(true);
    m_thread.join();
  }
  ClockPump(const ClockPump&) = delete;
  ClockPump& operator=(const ClockPump&) = delete;

 private:
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
