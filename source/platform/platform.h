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
#include <stdio.h>
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
// Returns the status set for it, as system() would: by default exit status 1
// (failure); TESSIX_SYSTEM_STATUS or the setters below choose another. One
// command is answered for real: "ifconfig | grep Bcast > NAME" writes the
// host's interface lines (below) into NAME in the installation folder.
int PLATFORM_nSystem(const char* command);
// One line per IPv4 interface with a broadcast address, as ifconfig prints
// it: "          inet addr:A  Bcast:B  Mask:M\n".
std::string PLATFORM_sInterfaceLines(void);
// The wait status every later command returns (0: success).
void PLATFORM_vSetSystemStatus(int nWaitStatus);
// The same for a plain exit status 0-255.
void PLATFORM_vSetSystemExitStatus(int nExitStatus);
std::vector<std::string> PLATFORM_vecCommands(void);
void PLATFORM_vClearCommands(void);

// ------------------------------------------------------------ secrets
// The 32-byte value from which the autopilot link's authentication key is
// mixed. It is configuration of the machine, never part of the program's
// files: on this machine TESSIX_AUTOPILOT_LINK_SECRET (64 hexadecimal digits)
// gives it, else a fixed test value that no autopilot accepts.
void PLATFORM_vAutopilotLinkSecret(U8 au8Secret[32]);

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
// Value of the free-running millisecond clock at the program's start: on the
// host TESSIX_MS_CLOCK_START (decimal, 0 when unset) unless a test set one,
// so that a run can cross the clock's wrap at 2^32 ms.
U32 PLATFORM_u32MillisecondClockStart(void);
void PLATFORM_vSetMillisecondClockStart(U32 u32StartMs);

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


// ------------------------------------------------------------ SD-card slots, device files
// On the board these are the kernel's own calls. On this machine a folder
// stands for a card: inserting one makes the nodes /dev/mmcblkN (and
// /dev/mmcblkNp1 for a card with a partition table) as links to its folder
// and its entry under /sys/class/mmc_host; the mount is a fake that maps the
// mount point to the card folder. Names under a mapped mount point are
// looked up without regard to case, as on the cards' FAT file system. A card
// folder without write permission for its owner stands for a write-protected
// card: a read-write mount fails with EROFS.

// Makes sure a fixed folder of the unit exists (after resolution). On the
// board it does; on the host it is created, only under the host root.
BOOLEAN PLATFORM_bPrepareFolder(const char* unit_path);
// Mounts the file system of device (a unit path) at mount_point. 0, or -1
// with errno: ENOENT (no such device or mount point), ENOTBLK (not a card),
// ENODEV (not "msdos"), EBUSY (already mounted there), EROFS (a read-write
// mount of a write-protected card), or a failure a test asked for.
int PLATFORM_nMount(const char* device, const char* mount_point, const char* fstype, BOOLEAN bReadOnly,
                    const char* options);
// Unmounts mount_point. 0, or -1 with errno: EINVAL (nothing mounted there)
// or a failure a test asked for (EBUSY).
int PLATFORM_nUmount(const char* mount_point);
// Flushes written data to the media: sync() on the board, the host root's
// file system here. PLATFORM_u32SyncCount counts the flushes since start.
void PLATFORM_vSync(void);
U32 PLATFORM_u32SyncCount(void);
// Reads a device that hands out its current value on every read (a pulse
// counter, a sysfs attribute). On the host the device is a plain file that
// tests write, so each read starts at the beginning of the file. Returns the
// bytes read, or -1 with errno.
long PLATFORM_nReadDevice(int fd, void* buffer, size_t size);

// Host only (tests and tools): one card for slot 0 or 1 (MMC host mmc1 or
// mmc2, block device mmcblk1 or mmcblk2). cid: 32 hexadecimal characters,
// type: the text of the card's "type" attribute ("SD"). A card without a
// partition table gets only the disk node.
struct PLATFORM_SD_CARD {
  const char* folder;
  const char* cid;
  const char* type;
  BOOLEAN bPartitioned;
};
BOOLEAN PLATFORM_bInsertCard(int slot, const PLATFORM_SD_CARD* card);
// Removes the slot's nodes (partition first) and its sysfs entry.
BOOLEAN PLATFORM_bRemoveCard(int slot);
// The next count mounts (bUnmount FALSE) or unmounts (TRUE) at mount_point
// fail with errno error; count 0 clears the request.
void PLATFORM_vMountFailNext(const char* mount_point, BOOLEAN bUnmount, int error, int count);
// The card folder mapped at mount_point ("" when nothing is mounted there)
// and whether it was mounted read-only.
std::string PLATFORM_sMountedFolder(const char* mount_point, BOOLEAN* pbReadOnly);
// Opens a unit file as fopen does (mode "r", "rb", "w", "wb", "a", "ab",
// ...). A file under a card's mount point is bound to that card: once the
// card leaves its slot (its device node is gone, or the slot was unmounted
// and mounted again) every read, write and seek on it fails with EIO, as on
// the board, where the removed card's device is gone. Null with errno when
// the file cannot be opened.
FILE* PLATFORM_pFileOpen(const char* unit_path, const char* mode);
// ------------------------------------------------------------ serial ports
// The unit's four serial ports (0-3). On the board a port is its terminal
// device. On this machine each port is the master side of a pseudo-terminal
// made on first use and kept for the life of the process, so its name stays
// the same however often the unit closes and reopens the port; a tool that
// opens the other end (socat, a terminal) talks to the unit as through a
// cable. The other end's name is traced and written, one line per port
// ("<port> <board device> <other end>"), to the file PLATFORM_SERIAL_LIST in
// the folder given to PLATFORM_vSerialPublish.
constexpr int PLATFORM_SERIAL_PORTS = 4;
constexpr const char* PLATFORM_SERIAL_LIST = "serial_ports";
// Makes the stand-ins of the four ports (board device names in devices) and
// publishes their names in the folder; nothing on the board.
void PLATFORM_vSerialPublish(const char* const devices[PLATFORM_SERIAL_PORTS], const char* folder);
// Opens the port's device for reading and writing, or only for reading, with
// non-blocking reads and writes. Returns a descriptor (closed with
// PLATFORM_vSerialClose) or -1.
int PLATFORM_nSerialOpen(int port, const char* device, BOOLEAN bReadOnly);
void PLATFORM_vSerialClose(int port, int fd);
// The other end of the port's stand-in ("" on the board or before it is made).
std::string PLATFORM_sSerialPeerName(int port);

// ------------------------------------------------------------ sonar coprocessor
// The sonar coprocessor device (a unit path, /dev/sonar0): a write hands it
// one command block, a read returns one receive block. On this machine the
// device is a separate stand-in program listening on a sequenced-packet
// socket at the resolved path; a read asks it for the next block with a
// 4-byte request packet (the largest size taken, little-endian) and receives
// the block as one packet. Without the stand-in the open fails (-1).
int PLATFORM_nSonarOpen(const char* device);
long PLATFORM_nSonarWrite(int fd, const void* block, size_t size);
long PLATFORM_nSonarRead(int fd, void* buffer, size_t size);
void PLATFORM_vSonarClose(int fd);
constexpr size_t PLATFORM_SONAR_REQUEST_BYTES = 4;
