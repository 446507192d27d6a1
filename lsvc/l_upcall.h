// Upward calls: how an earlier subsystem calls into a later one.
//
// The earlier subsystem lists every such call in one header of its own
// (<subsystem>_upcalls.h) with L_UPCALL_DECLARE and defines each in the
// matching source file with L_UPCALL_DEFINE, followed by the body of its
// default: the least behaviour its callers need (a trace line and a safe
// result). Callers call the function by its usual name. The later subsystem,
// when it is set up, installs its own function with <name>_Install; until
// then, and in a program or test that does not link it, the default runs.
//
//   // graphics_upcalls.h
//   L_UPCALL_DECLARE(BOOLEAN, T_NAV_bGPSDetected, (void))
//   // graphics_upcalls.cpp
//   L_UPCALL_DEFINE(BOOLEAN, T_NAV_bGPSDetected, (void), ()) {
//     log_me("T_NAV_bGPSDetected: no navigation task");
//     return FALSE;
//   }
//   // in the navigation subsystem's set-up
//   T_NAV_bGPSDetected_Install(&bGpsDetected);
//
// Installing is thread-safe and may happen at any time; a call runs either
// the old or the new function. Installing null puts the default back.
#pragma once

#include <atomic>

#define L_UPCALL_DECLARE(ret, name, params) \
  ret name params;                          \
  void name##_Install(ret(*fn) params);

#define L_UPCALL_DEFINE(ret, name, params, args)                                               \
  static ret name##_Default params;                                                           \
  static std::atomic<ret(*) params> s_upcall_##name{&name##_Default};                           \
  void name##_Install(ret(*fn) params) {                                                       \
    s_upcall_##name.store(fn != nullptr ? fn : &name##_Default, std::memory_order_release);   \
  }                                                                                           \
  ret name params { return s_upcall_##name.load(std::memory_order_acquire) args; }            \
  static ret name##_Default params
