// Drives the built program as a person would: starts it headless with its
// own folders and frame tracing (TESSIX_TRACE_FRAMES=1), writes key records
// into its keypad pipe and watches the frames it presents. Used by the
// whole-program latency test and the key-latency benchmark.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "common/types.h"

class CUnitSession {
 public:
  struct FRAME {
    U64 number;
    U64 presented_ns;  // CLOCK_MONOTONIC, the same clock as Now()
    U32 crc;
  };

  // Starts the program at binary; FALSE when it could not be started.
  bool Start(const std::string& binary, const std::vector<std::string>& args = {});
  // Ends the program (SIGKILL) and removes its folders.
  ~CUnitSession();

  // Waits up to timeout_ms for a trace line containing text.
  bool WaitForLine(const std::string& text, long long timeout_ms);
  // Writes one key record (value 1 press, 0 release) and its SYN record.
  bool Key(int slot, int value);
  // Goes through the start-up screens as a person does: MENU, the
  // preselected option (the simulator without a transducer) with the east
  // cursor, EXIT past the chart disclaimer, and EXIT to close the quick
  // setup of a first start. FALSE when the system did not start running.
  bool StartSimulator(long long timeout_ms = 20000);
  // The first frame presented at or after since_ns whose pixels differ from
  // the frame shown at since_ns; waits up to timeout_ms. FALSE on time-out.
  bool WaitForChangedFrame(U64 since_ns, long long timeout_ms, FRAME* frame);
  // Every trace line so far.
  std::string Output();

  static U64 Now();

 private:
  void Pump(long long wait_ms);
  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_dir;
  std::string m_text;
  size_t m_parsed = 0;
  std::vector<FRAME> m_frames;
};
