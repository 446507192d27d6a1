// The platform's trace lines, shared by the board and this machine.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <atomic>

#include "source/platform/platform.h"

namespace {
std::atomic<PLATFORM_TRACE_SINK> s_sink{nullptr};
}  // namespace

void PLATFORM_vSetTraceSink(PLATFORM_TRACE_SINK sink) { s_sink.store(sink, std::memory_order_release); }

void PLATFORM_vTrace(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  size_t n = strlen(line);
  while (n > 0 && line[n - 1] == '\n') line[--n] = 0;
  if (PLATFORM_TRACE_SINK sink = s_sink.load(std::memory_order_acquire)) {
    sink(line);
  } else {
    fprintf(stderr, "%s\n", line);
  }
}
