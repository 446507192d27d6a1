// Runs a piece of test code in the thread of a task of the table, so that it
// carries that task's id (ownership, sender ids). One body at a time.
#pragma once

#include <chrono>
#include <functional>
#include <semaphore>
#include <thread>
#include <utility>

#include "lsvc/lsvc.h"

namespace as_task {

inline std::function<void()>& Slot() {
  static std::function<void()> body;
  return body;
}

inline std::binary_semaphore& Done() {
  static std::binary_semaphore done{0};
  return done;
}

inline void Entry() {
  std::function<void()> body = std::move(Slot());
  body();
  Done().release();
}

// Starts body as task id; returns once the task's thread runs.
inline void Start(TASK id, std::function<void()> body) {
  Slot() = std::move(body);
  L_TASK_SetStartFunction(id, Entry);
  // The task's previous run may still be closing its record.
  while (L_TASK_Start(id) == -lsTASK_START) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Waits until the body has returned.
inline void Join() { Done().acquire(); }

inline void Run(TASK id, std::function<void()> body) {
  Start(id, std::move(body));
  Join();
}

}  // namespace as_task
