// The platform interface: everything the unit needs of the machine it runs
// on. Two implementations stand behind it: this machine's stand-ins
// (source/platform/host/) and the board's drivers (source/platform/omap3515/,
// built only for the board). The kernel services and every module include
// this header and no implementation's own.
//
// On this machine:
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
const char* PLATFORM_pcResolvePath(const char* path, char* out, size_t size);
std::string PLATFORM_sResolvePath(const char* path);
// The host root folder, "" when unset (on the board).
const char* PLATFORM_pcHostRoot(void);
// Creates a folder and its parents (after resolution). TRUE when it exists.
BOOLEAN PLATFORM_bMakeDirs(const char* resolved_path);

// ------------------------------------------------------------ pictures
// Reads a PNG file (path already resolved) into 565 pixels, rows packed
// top row first. FALSE when it cannot be read or decoded.
BOOLEAN PLATFORM_bReadPng565(const char* resolved_path, std::vector<U16>* pixels, int* width, int* height);

// ------------------------------------------------------------ shell commands
// Records a shell command the unit would run; never executes it on the host.
// Returns 0 as a successful system() would.
int PLATFORM_nSystem(const char* command);
std::vector<std::string> PLATFORM_vecCommands(void);
void PLATFORM_vClearCommands(void);

// ------------------------------------------------------------ clocks
// The monotonic clock (system-wide, like CLOCK_MONOTONIC) and the wall clock.
void PLATFORM_vClockMonotonic(struct timespec* now);
void PLATFORM_vClockRealtime(struct timespec* now);
U64 PLATFORM_u64MonotonicNs(void);
time_t PLATFORM_tTime(time_t* out);

// Test clock: from this call on both clocks stand still except when advanced.
// The monotonic clock starts at monotonic_ns, the wall clock at wall_seconds.
void PLATFORM_vTestClockEnable(U64 monotonic_ns, time_t wall_seconds);
void PLATFORM_vTestClockDisable(void);
BOOLEAN PLATFORM_bTestClockActive(void);
// Moves both clocks forward and wakes every timed wait so it can look again.
void PLATFORM_vTestClockAdvanceMs(U32 ms);
void PLATFORM_vTestClockAdvanceNs(U64 ns);

// Waits on a condition variable created with the monotonic clock until the
// absolute monotonic deadline (of PLATFORM_vClockMonotonic). Returns 0 when woken
// (possibly spuriously) and ETIMEDOUT when the deadline has passed.
int PLATFORM_nCondTimedWait(pthread_cond_t* cond, pthread_mutex_t* mutex, const struct timespec* deadline);
// Sleeps on the (possibly test) monotonic clock.
void PLATFORM_vSleepNs(U64 ns);

// ------------------------------------------------------------ threads
// Asks for FIFO scheduling at the given priority; failure (no privilege on a
// host) is not an error. Returns TRUE when granted.
BOOLEAN PLATFORM_bSetFifoPriority(int priority);
// Smallest stack a thread is given, large enough for the sanitizers.
size_t PLATFORM_szStackFloor(void);

// ------------------------------------------------------------ process
// Opens descriptors 0-2 on /dev/null when they are closed.
void PLATFORM_vGuardStdFds(void);
// Ends the process with the status: flushes the standard streams, then _exit.
[[noreturn]] void PLATFORM_vExit(int status);

// ------------------------------------------------------------ trace
// The platform's own trace lines (a device that cannot be opened, a picture
// not written) go through this sink. The kernel services install their trace
// writer when they start; until then lines go to standard error.
typedef void (*PLATFORM_TRACE_SINK)(const char* line);
void PLATFORM_vSetTraceSink(PLATFORM_TRACE_SINK sink);
void PLATFORM_vTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ------------------------------------------------------------ keypad
// The keypad's input-event key codes by key slot (power, menu, exit, view,
// zoom in, zoom out, mark, go-to, info, the four cursor contacts, the three
// soft keys).
constexpr int DD_KEYBOARD_SLOTS = 16;
extern const U16 DD_KEYBOARD_au16KeyCode[DD_KEYBOARD_SLOTS];

