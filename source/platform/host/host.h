// The host platform layer: every difference between this machine and the
// board lives behind these functions.
//
//  - fixed absolute paths (/dev, /sys, /mnt/mmcN, /usr/tessix, /tmp/tessix)
//    resolve under $TESSIX_HOST_ROOT when it is set;
//  - shell commands are recorded (trace and an inspectable list), never run;
//  - the monotonic and wall clocks can be replaced by a test clock;
//  - the process ends through a flush and _exit.
#pragma once

#include <pthread.h>
#include <stddef.h>
#include <time.h>

#include <string>
#include <vector>

#include "common/types.h"

// ------------------------------------------------------------ paths
// Resolves a fixed absolute path of the unit. With TESSIX_HOST_ROOT set, an
// absolute path is placed under that folder; relative paths and an unset
// root are returned unchanged. Writes into out (NUL-terminated, truncated to
// size) and returns out.
const char* HOST_pcResolvePath(const char* path, char* out, size_t size);
std::string HOST_sResolvePath(const char* path);
// The host root folder, "" when unset (on the board).
const char* HOST_pcHostRoot(void);
// Creates a folder and its parents (after resolution). TRUE when it exists.
BOOLEAN HOST_bMakeDirs(const char* resolved_path);

// ------------------------------------------------------------ shell commands
// Records a shell command the unit would run; never executes it on the host.
// Returns 0 as a successful system() would.
int HOST_nSystem(const char* command);
std::vector<std::string> HOST_vecCommands(void);
void HOST_vClearCommands(void);

// ------------------------------------------------------------ clocks
// The monotonic clock (system-wide, like CLOCK_MONOTONIC) and the wall clock.
void HOST_vClockMonotonic(struct timespec* now);
void HOST_vClockRealtime(struct timespec* now);
U64 HOST_u64MonotonicNs(void);
time_t HOST_tTime(time_t* out);

// Test clock: from this call on both clocks stand still except when advanced.
// The monotonic clock starts at monotonic_ns, the wall clock at wall_seconds.
void HOST_vTestClockEnable(U64 monotonic_ns, time_t wall_seconds);
void HOST_vTestClockDisable(void);
BOOLEAN HOST_bTestClockActive(void);
// Moves both clocks forward and wakes every timed wait so it can look again.
void HOST_vTestClockAdvanceMs(U32 ms);
void HOST_vTestClockAdvanceNs(U64 ns);

// Waits on a condition variable created with the monotonic clock until the
// absolute monotonic deadline (of HOST_vClockMonotonic). Returns 0 when woken
// (possibly spuriously) and ETIMEDOUT when the deadline has passed.
int HOST_nCondTimedWait(pthread_cond_t* cond, pthread_mutex_t* mutex, const struct timespec* deadline);
// Sleeps on the (possibly test) monotonic clock.
void HOST_vSleepNs(U64 ns);

// ------------------------------------------------------------ threads
// Asks for FIFO scheduling at the given priority; failure (no privilege on a
// host) is not an error. Returns TRUE when granted.
BOOLEAN HOST_bSetFifoPriority(int priority);
// Smallest stack a thread is given, large enough for the sanitizers.
size_t HOST_szStackFloor(void);

// ------------------------------------------------------------ process
// Opens descriptors 0-2 on /dev/null when they are closed.
void HOST_vGuardStdFds(void);
// Ends the process with the status: flushes the standard streams, then _exit.
[[noreturn]] void HOST_vExit(int status);
