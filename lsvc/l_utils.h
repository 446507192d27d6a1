// Program entry helpers of the kernel layer that are not part of the
// general kernel API (lsvc/lsvc.h): the quit timer and the debug watchdog
// are started by LS_main; tests start them directly.
#pragma once

#include "common/types.h"

// Starts the "quit" thread when a quit time is set (quit_seconds > 0): once
// the clock's time since start reaches it, the program writes the state
// dump, "quit seconds expired" and the exit line, and ends with status 4.
// Safe to call more than once; only the first call starts the thread.
void LS_vStartQuitTimer(void);

// Starts the debug watchdog when debug_seconds is set and it is not running.
void LS_vStartWatchdog(void);

// TRUE once some thread has begun ending the process.
BOOLEAN LS_bExiting(void);
