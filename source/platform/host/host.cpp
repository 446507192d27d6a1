// Host stand-ins for the board: paths, shell commands, clocks, scheduling,
// process end.
#include "source/platform/platform.h"
#include "source/platform/host/host_mount.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

// ------------------------------------------------------------ paths
const char* PLATFORM_pcHostRoot(void) {
  static const char* root = [] {
    const char* r = getenv("TESSIX_HOST_ROOT");
    return (r && *r) ? strdup(r) : "";
  }();
  return root;
}

const char* PLATFORM_pcResolvePath(const char* path, char* out, size_t size) {
  if (size == 0) return out;
  const char* root = PLATFORM_pcHostRoot();
  if (path == nullptr) path = "";
  std::string mapped;
  if (path[0] == '/' && HOST_bResolveMounted(path, &mapped)) {
    snprintf(out, size, "%s", mapped.c_str());
    return out;
  }
  const bool prefix = (path[0] == '/' && root[0] != '\0' && strncmp(path, root, strlen(root)) != 0);
  int n = prefix ? snprintf(out, size, "%s%s", root, path) : snprintf(out, size, "%s", path);
  (void)n;
  return out;
}

std::string PLATFORM_sResolvePath(const char* path) {
  char buffer[4096];
  return PLATFORM_pcResolvePath(path, buffer, sizeof buffer);
}

BOOLEAN PLATFORM_bMakeDirs(const char* path) {
  std::string p(path);
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') {
      std::string part = p.substr(0, i);
      if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return FALSE;
    }
  }
  struct stat st;
  return (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) ? TRUE : FALSE;
}

// ------------------------------------------------------------ shell commands
static std::mutex s_commandMutex;
static std::vector<std::string> s_commands;

// What the recorded command "returns", as system() would (a wait status).
// Unset, every command fails with exit status 1: nothing on the host may
// look as if a command ran. TESSIX_SYSTEM_STATUS (an exit status 0-255)
// gives the start value; a test sets it with PLATFORM_vSetSystemStatus.
static int nSystemStatusFromEnvironment(void) {
  const char* text = getenv("TESSIX_SYSTEM_STATUS");
  if (text == nullptr || *text == '\0') return 1 << 8;
  char* end = nullptr;
  const long value = strtol(text, &end, 10);
  if (*end != '\0' || value < 0 || value > 255) {
    fprintf(stderr, "TESSIX_SYSTEM_STATUS: not an exit status 0-255, commands fail\n");
    return 1 << 8;
  }
  return (int)(value << 8);
}
static int s_nSystemStatus = nSystemStatusFromEnvironment();

// The one command the host answers itself: the factory test's listing of
// the interfaces that have a broadcast address. The lines come from the
// host's own IPv4 interfaces, laid out as the board's ifconfig prints them,
// and go into the named file in the installation folder (the board's working
// directory). Anything but a plain file name there is not answered.
static const char kInterfaceListing[] = "ifconfig | grep Bcast > ";

static std::string sInstallFolder(void) {
  const char* cwd = getenv("TESSIX_CWD");
  if (cwd != nullptr && *cwd != '\0') return cwd;
  return PLATFORM_sResolvePath("/usr/tessix");
}

static std::string sDottedQuad(const struct sockaddr* a) {
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &((const struct sockaddr_in*)a)->sin_addr, text, sizeof text);
  return text;
}

std::string PLATFORM_sInterfaceLines(void) {
  std::string lines;
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return lines;
  for (const struct ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_BROADCAST) || i->ifa_broadaddr == nullptr || i->ifa_netmask == nullptr) continue;
    lines += "          inet addr:" + sDottedQuad(i->ifa_addr) + "  Bcast:" + sDottedQuad(i->ifa_broadaddr) +
             "  Mask:" + sDottedQuad(i->ifa_netmask) + "\n";
  }
  freeifaddrs(list);
  return lines;
}

static bool bAnswerInterfaceListing(const std::string& command, int* pnStatus) {
  if (command.compare(0, sizeof kInterfaceListing - 1, kInterfaceListing) != 0) return false;
  const std::string name = command.substr(sizeof kInterfaceListing - 1);
  if (name.empty() || name == "." || name == ".." || name.find_first_of("/ ;|&<>$`\\") != std::string::npos) {
    return false;
  }
  const std::string path = sInstallFolder() + "/" + name;
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) {
    *pnStatus = 1 << 8;
    return true;
  }
  const std::string lines = PLATFORM_sInterfaceLines();
  const bool written = fwrite(lines.data(), 1, lines.size(), f) == lines.size();
  const bool closed = fclose(f) == 0;
  // grep's status: 0 with a line found, 1 with none.
  *pnStatus = (written && closed) ? (lines.empty() ? 1 << 8 : 0) : 2 << 8;
  return true;
}

int PLATFORM_nSystem(const char* command) {
  std::lock_guard<std::mutex> lock(s_commandMutex);
  s_commands.emplace_back(command ? command : "");
  int status = 0;
  if (bAnswerInterfaceListing(s_commands.back(), &status)) return status;
  return s_nSystemStatus;
}

void PLATFORM_vSetSystemStatus(int nWaitStatus) {
  std::lock_guard<std::mutex> lock(s_commandMutex);
  s_nSystemStatus = nWaitStatus;
}

void PLATFORM_vSetSystemExitStatus(int nExitStatus) { PLATFORM_vSetSystemStatus((nExitStatus & 0xFF) << 8); }

std::vector<std::string> PLATFORM_vecCommands(void) {
  std::lock_guard<std::mutex> lock(s_commandMutex);
  return s_commands;
}

void PLATFORM_vClearCommands(void) {
  std::lock_guard<std::mutex> lock(s_commandMutex);
  s_commands.clear();
}

// ------------------------------------------------------------ secrets
void PLATFORM_vAutopilotLinkSecret(U8 au8Secret[32]) {
  // Test value: bytes 0x00, 0x11, ... 0xFF, 0x0F, 0x1E, ... (no real link).
  for (int i = 0; i < 32; i++) au8Secret[i] = (U8)(i < 16 ? i * 0x11 : (i - 16) * 0x0F + 0x0F);
  const char* text = getenv("TESSIX_AUTOPILOT_LINK_SECRET");
  if (text == nullptr || strlen(text) != 64) return;
  U8 parsed[32];
  for (int i = 0; i < 64; i++) {
    const char c = text[i];
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return;  // not hexadecimal: keep the test value
    if (i % 2 == 0) parsed[i / 2] = (U8)(v << 4);
    else parsed[i / 2] |= (U8)v;
  }
  memcpy(au8Secret, parsed, 32);
}

// ------------------------------------------------------------ clocks
static std::atomic<bool> s_testClock{false};
static std::atomic<U64> s_testMonoNs{0};
static std::atomic<S64> s_testWallOffsetNs{0};  // wall = monotonic + offset

static void vFromNs(U64 ns, struct timespec* ts) {
  ts->tv_sec = (time_t)(ns / 1000000000ull);
  ts->tv_nsec = (long)(ns % 1000000000ull);
}

static U64 u64ToNs(const struct timespec* ts) { return (U64)ts->tv_sec * 1000000000ull + (U64)ts->tv_nsec; }

void PLATFORM_vClockMonotonic(struct timespec* now) {
  if (s_testClock.load(std::memory_order_acquire)) {
    vFromNs(s_testMonoNs.load(std::memory_order_acquire), now);
  } else {
    clock_gettime(CLOCK_MONOTONIC, now);
  }
}

void PLATFORM_vClockRealtime(struct timespec* now) {
  if (s_testClock.load(std::memory_order_acquire)) {
    vFromNs((U64)((S64)s_testMonoNs.load(std::memory_order_acquire) + s_testWallOffsetNs.load()), now);
  } else {
    clock_gettime(CLOCK_REALTIME, now);
  }
}

U64 PLATFORM_u64MonotonicNs(void) {
  struct timespec ts;
  PLATFORM_vClockMonotonic(&ts);
  return u64ToNs(&ts);
}

time_t PLATFORM_tTime(time_t* out) {
  struct timespec ts;
  PLATFORM_vClockRealtime(&ts);
  if (out) *out = ts.tv_sec;
  return ts.tv_sec;
}

void PLATFORM_vTestClockEnable(U64 monotonic_ns, time_t wall_seconds) {
  s_testMonoNs.store(monotonic_ns);
  s_testWallOffsetNs.store((S64)wall_seconds * 1000000000ll - (S64)monotonic_ns);
  s_testClock.store(true, std::memory_order_release);
}

void PLATFORM_vTestClockDisable(void) { s_testClock.store(false, std::memory_order_release); }

BOOLEAN PLATFORM_bTestClockActive(void) { return s_testClock.load() ? TRUE : FALSE; }

void PLATFORM_vTestClockAdvanceNs(U64 ns) { s_testMonoNs.fetch_add(ns, std::memory_order_acq_rel); }

void PLATFORM_vTestClockAdvanceMs(U32 ms) { PLATFORM_vTestClockAdvanceNs((U64)ms * 1000000ull); }

// With the test clock a timed wait looks at the clock again every
// millisecond of real time, so an advance is seen promptly.
static constexpr U64 TEST_CLOCK_POLL_NS = 1000000ull;

int PLATFORM_nCondTimedWait(pthread_cond_t* cond, pthread_mutex_t* mutex, const struct timespec* deadline) {
  if (!s_testClock.load(std::memory_order_acquire)) {
    int rc = pthread_cond_timedwait(cond, mutex, deadline);
    return rc == ETIMEDOUT ? ETIMEDOUT : 0;
  }
  if (PLATFORM_u64MonotonicNs() >= u64ToNs(deadline)) return ETIMEDOUT;
  struct timespec real;
  clock_gettime(CLOCK_MONOTONIC, &real);
  U64 until = u64ToNs(&real) + TEST_CLOCK_POLL_NS;
  struct timespec slice;
  vFromNs(until, &slice);
  pthread_cond_timedwait(cond, mutex, &slice);
  return (PLATFORM_u64MonotonicNs() >= u64ToNs(deadline)) ? ETIMEDOUT : 0;
}

void PLATFORM_vSleepNs(U64 ns) {
  if (!s_testClock.load(std::memory_order_acquire)) {
    struct timespec ts;
    vFromNs(ns, &ts);
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
    return;
  }
  U64 until = PLATFORM_u64MonotonicNs() + ns;
  while (PLATFORM_u64MonotonicNs() < until) {
    struct timespec ts = {0, (long)TEST_CLOCK_POLL_NS};
    nanosleep(&ts, nullptr);
  }
}

// ------------------------------------------------------------ threads
BOOLEAN PLATFORM_bSetFifoPriority(int priority) {
  struct sched_param sp;
  memset(&sp, 0, sizeof sp);
  sp.sched_priority = priority;
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0 ? TRUE : FALSE;
}

size_t PLATFORM_szStackFloor(void) {
#if defined(TESSIX_SANITIZED)
  return 1024 * 1024;
#else
  return 256 * 1024;
#endif
}

// ------------------------------------------------------------ process
void PLATFORM_vGuardStdFds(void) {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      int nfd = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (nfd >= 0 && nfd != fd) {
        dup2(nfd, fd);
        close(nfd);
      }
    }
  }
}

void PLATFORM_vExit(int status) {
  fflush(stdout);
  fflush(stderr);
  _exit(status);
}

namespace {
std::atomic<U32> s_u32MsClockStart{[] {
  const char* text = getenv("TESSIX_MS_CLOCK_START");
  return text != nullptr ? (U32)strtoul(text, nullptr, 10) : 0u;
}()};
}  // namespace

U32 PLATFORM_u32MillisecondClockStart(void) { return s_u32MsClockStart.load(std::memory_order_relaxed); }
void PLATFORM_vSetMillisecondClockStart(U32 u32StartMs) { s_u32MsClockStart.store(u32StartMs); }
