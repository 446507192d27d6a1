// Program entry, command line, trace, state dump, debug watchdog, signals,
// fatal errors and the small utilities of the kernel layer.
#include "lsvc/l_utils.h"
#include "lsvc/lsvc_upcalls.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

// ------------------------------------------------------------ options
S64 quit_seconds = 0;
S32 debug_seconds = 0;
S32 opt_fakekey = -1;
S64 opt_sleeper = 0;
U8 opt_nolog = 0;
U8 opt_noadc = 0;
U8 opt_fake_transducer = 0;
U8 opt_fsync = 0;
U8 opt_nodisclaimer = 0;
U8 opt_notone = 0;
const char* model_string = "tessix";

// ------------------------------------------------------------ trace state
// The trace stream: standard output, standard error once a dump started.
static std::atomic<FILE*> output_handle{nullptr};
// Monotonic milliseconds at the last trace line (0 before the first).
static std::atomic<U32> last_time{0};
// Trace lines asked for so far (also counted with no_log); the watchdog
// looks at it, so two lines in the same millisecond still count as activity.
static std::atomic<U64> s_u64TraceCount{0};
// The task and thread writing a state dump.
static std::atomic<TASK> debug_taskno{0};
static std::atomic<pthread_t> s_dumpThread{0};
static std::atomic<bool> s_bDumpActive{false};

static std::once_flag s_traceOnce;

// Longest trace text; longer texts are cut.
static constexpr size_t TRACE_TEXT_SIZE = 256;
// Trace lines of other threads wait this long while a dump is written.
static constexpr U64 DUMP_HOLD_NS = 60ull * 1000000000ull;

// ------------------------------------------------------------ process end
// The first thread to claim the end of the process ends it; any other
// thread that tries to end it as well stays parked until the process is gone.
static std::atomic<bool> s_bExitClaimed{false};
static std::atomic<pthread_t> s_exitThread{};
// Held while a trace line is checked and written: once the exit is claimed,
// only the exiting thread writes, so the exit line is the last line.
static std::mutex s_traceWriteMutex;

static bool bClaimExit(void) {
  std::lock_guard<std::mutex> lock(s_traceWriteMutex);
  if (s_bExitClaimed.load(std::memory_order_acquire)) return false;
  s_exitThread.store(pthread_self(), std::memory_order_release);
  s_bExitClaimed.store(true, std::memory_order_release);
  return true;
}

BOOLEAN LS_bExiting(void) { return s_bExitClaimed.load(std::memory_order_acquire) ? TRUE : FALSE; }

[[noreturn]] static void vParkForever(void) {
  for (;;) pause();
}

// Writes the exit line and ends the process; the caller holds the claim.
[[noreturn]] static void vExitClaimed(const char* file, int line, int status) {
  log_me("exit from file %s line #%d status %d", file, line, status);
  PLATFORM_vExit(status);
}

// State dump, optional last words, exit line, end with the status.
[[noreturn]] static void vDumpAndExit(const char* file, int line, int status, const char* last_words) {
  if (!bClaimExit()) vParkForever();
  debug_doit();
  if (last_words != nullptr) log_me("%s", last_words);
  vExitClaimed(file, line, status);
}

[[noreturn]] static void vQuitExpired(void) { vDumpAndExit(__FILE__, __LINE__, 4, "quit seconds expired"); }

void lm_exit(const char* file, int line, int status) {
  if (!bClaimExit()) vParkForever();
  vExitClaimed(file, line, status);
}

void bail_out(const char* format, ...) {
  char text[TRACE_TEXT_SIZE];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  log_me("%s", text);
  lm_exit(__FILE__, __LINE__, 1);
}

// ------------------------------------------------------------ signals
// SIGTERM and SIGINT only put a byte into a pipe; the watcher thread reads
// it and ends the process outside signal context.
static int s_signalPipe[2] = {-1, -1};

static void vSignalHandler(int sig) {
  const int saved = errno;
  const char c = (sig == SIGINT) ? 'I' : 'T';
  if (s_signalPipe[1] >= 0) {
    ssize_t n = write(s_signalPipe[1], &c, 1);
    (void)n;
  }
  errno = saved;
}

static void* pvSignalWatcher(void*) {
  for (;;) {
    char c = 0;
    ssize_t n = read(s_signalPipe[0], &c, 1);
    if (n == 1) {
      if (c == 'I') vDumpAndExit(__FILE__, __LINE__, 2, nullptr);
      lm_exit(__FILE__, __LINE__, 2);
    }
    if (n < 0 && errno == EINTR) continue;
    // The pipe is gone: nothing more to watch.
    return nullptr;
  }
}

static void vTraceInit(void) {
  output_handle.store(stdout, std::memory_order_release);
  if (pipe2(s_signalPipe, O_CLOEXEC) != 0) return;
  fcntl(s_signalPipe[1], F_SETFL, fcntl(s_signalPipe[1], F_GETFL) | O_NONBLOCK);
  pthread_t watcher;
  if (pthread_create(&watcher, nullptr, pvSignalWatcher, nullptr) != 0) return;
  pthread_detach(watcher);
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = vSignalHandler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

// ------------------------------------------------------------ watchdog and quit timer
static std::atomic<bool> s_bWatchdogStarted{false};
static std::atomic<bool> s_bQuitStarted{false};

static void* pvWatchdog(void*) {
  PLATFORM_bSetFifoPriority(98);
  pthread_detach(pthread_self());
  int count = 0;
  for (;;) {
    const U64 seen = s_u64TraceCount.load(std::memory_order_acquire);
    const U32 prev = last_time.load(std::memory_order_relaxed);
    PLATFORM_vSleepNs((U64)debug_seconds * 1000000000ull);
    fprintf(stderr, "%d: after sleep %d remaining (last=%d prev=%d)\n", count++, 0,
            (int)last_time.load(std::memory_order_relaxed), (int)prev);
    fflush(stderr);
    if (s_u64TraceCount.load(std::memory_order_acquire) != seen) continue;
    vDumpAndExit(__FILE__, __LINE__, 3, nullptr);
  }
}

void LS_vStartWatchdog(void) {
  if (debug_seconds <= 0) return;
  if (s_bWatchdogStarted.exchange(true)) return;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, pvWatchdog, nullptr) != 0) s_bWatchdogStarted.store(false);
}

static void* pvQuitThread(void*) {
  for (;;) {
    const S64 now = (S64)L_CLOCK_qwGetTimeInMillis();
    if (now >= quit_seconds) break;
    PLATFORM_vSleepNs((U64)(quit_seconds - now) * 1000000ull);
  }
  vQuitExpired();
}

void LS_vStartQuitTimer(void) {
  if (quit_seconds <= 0) return;
  if (s_bQuitStarted.exchange(true)) return;
  pthread_t thread = L_UTILS_threadCreateSimpleThread("quit", pvQuitThread, nullptr);
  if (thread == 0) {
    s_bQuitStarted.store(false);
    return;
  }
  pthread_detach(thread);
}

// ------------------------------------------------------------ trace
// A trace line is one line: a trailing line end is dropped and any other
// line break inside the text becomes a blank.
static void vOneLine(char* text) {
  size_t n = strlen(text);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) text[--n] = '\0';
  for (size_t i = 0; i < n; ++i) {
    if (text[i] == '\n' || text[i] == '\r') text[i] = ' ';
  }
}

void log_me(const char* format, ...) {
  if (s_bDumpActive.load(std::memory_order_acquire) &&
      !pthread_equal(s_dumpThread.load(std::memory_order_acquire), pthread_self())) {
    PLATFORM_vSleepNs(DUMP_HOLD_NS);
  }
  std::call_once(s_traceOnce, vTraceInit);

  // The first call fixes the clock's start and the main thread's record.
  const U64 since_start = L_CLOCK_qwGetTimeInMillis();
  const U32 now = lm_gettime(nullptr);
  const TASK id = L_TASK_GetMyID();

  const U32 prev = last_time.exchange(now, std::memory_order_relaxed);
  s_u64TraceCount.fetch_add(1, std::memory_order_release);
  if (!opt_nolog) {
    char text[TRACE_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    vOneLine(text);
    U32 delta = now - prev;
    if (delta > 0x7FFFFFFFu) delta = 0;  // another thread wrote a later line meanwhile
    FILE* out = output_handle.load(std::memory_order_acquire);
    const char* name = get_task_name(id);
    std::lock_guard<std::mutex> lock(s_traceWriteMutex);
    if (s_bExitClaimed.load(std::memory_order_acquire) &&
        !pthread_equal(s_exitThread.load(std::memory_order_acquire), pthread_self())) {
      return;  // the process is ending: no line after the exit line
    }
    fprintf(out, "%5d.%03d %5d.%03d %2d %s %s\r\n", (int)(delta / 1000), (int)(delta % 1000), (int)(now / 1000),
            (int)(now % 1000), (int)id, name, text);
    fflush(out);
    if (opt_fsync) fsync(fileno(stdout));
  }

  if (quit_seconds > 0 && (S64)since_start >= quit_seconds && !s_bExitClaimed.load(std::memory_order_acquire) &&
      output_handle.load(std::memory_order_acquire) != stderr) {
    vQuitExpired();
  }
  if (debug_seconds > 0 && !s_bWatchdogStarted.load(std::memory_order_acquire)) LS_vStartWatchdog();
}

// ------------------------------------------------------------ state dump
void debug_doit(void) {
  std::call_once(s_traceOnce, vTraceInit);
  // Mark the dump first so other threads hold their lines back before the
  // stream changes under them.
  debug_taskno.store(L_TASK_GetMyID());
  s_dumpThread.store(pthread_self(), std::memory_order_release);
  s_bDumpActive.store(true, std::memory_order_release);
  output_handle.store(stderr, std::memory_order_release);
  L_TASK_Debug();
  L_TIMER_Debug();
  L_SEMA_Debug();
  L_QUEUE_Debug();
  L_MUTEX_Debug();
  L_MBOX_Debug();
  L_MEM_Debug();
}

// ------------------------------------------------------------ command line
namespace {

enum OPTION_KIND { OPT_FLUSH, OPT_ADD, OPT_REM, OPT_QUIT, OPT_FAKEKEY, OPT_DEBUG, OPT_SLEEPER, OPT_FLAG };

struct OPTION {
  const char* name;
  OPTION_KIND kind;
  U8* flag;
};

const OPTION s_options[] = {
    {"task_flush", OPT_FLUSH, nullptr},
    {"task_add", OPT_ADD, nullptr},
    {"task_rem", OPT_REM, nullptr},
    {"quit_sec", OPT_QUIT, nullptr},
    {"fake_key", OPT_FAKEKEY, nullptr},
    {"debug_sec", OPT_DEBUG, nullptr},
    {"sleeper", OPT_SLEEPER, nullptr},
    {"fake_transducer", OPT_FLAG, &opt_fake_transducer},
    {"no_log", OPT_FLAG, &opt_nolog},
    {"no_adc", OPT_FLAG, &opt_noadc},
    {"fsync", OPT_FLAG, &opt_fsync},
    {"nodisclaimer", OPT_FLAG, &opt_nodisclaimer},
    {"notone", OPT_FLAG, &opt_notone},
};

// Option values gathered before they are taken over as a whole.
struct PARSED {
  U8 disabled[ntasks];
  S64 quit;
  S32 debug;
  S32 fakekey;
  S64 sleeper;
  U8 flags[sizeof s_options / sizeof s_options[0]];
};

// A plain decimal number (digits only) between lo and hi.
bool bDecimal(const char* text, S64 lo, S64 hi, S64* out) {
  if (text == nullptr || *text == '\0') return false;
  S64 value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > hi) return false;
  }
  if (value < lo) return false;
  *out = value;
  return true;
}

// A comma-separated list of task ids 1 to 69; on success sets the bytes of
// the listed tasks in `disabled` to `value`. Nothing is written on failure.
bool bTaskList(const char* text, U8 value, U8* disabled) {
  if (text == nullptr || *text == '\0') return false;
  bool listed[ntasks] = {};
  const char* p = text;
  for (;;) {
    const char* end = strchr(p, ',');
    size_t len = end ? (size_t)(end - p) : strlen(p);
    char item[16];
    if (len == 0 || len >= sizeof item) return false;
    memcpy(item, p, len);
    item[len] = '\0';
    S64 id = 0;
    if (!bDecimal(item, 1, ntasks, &id)) return false;
    listed[id - 1] = true;
    if (end == nullptr) break;
    p = end + 1;
  }
  for (int i = 0; i < ntasks; ++i) {
    if (listed[i]) disabled[i] = value;
  }
  return true;
}

int nComplain(char* complaint, size_t size, const char* format, const char* arg) {
  char text[TRACE_TEXT_SIZE];
  snprintf(text, sizeof text, format, arg);
  if (complaint != nullptr && size > 0) snprintf(complaint, size, "%s", text);
  log_me("%s", text);
  return 1;
}

}  // namespace

int LS_nParseOptions(int argc, char** argv, char* complaint, size_t size) {
  constexpr int nOptions = (int)(sizeof s_options / sizeof s_options[0]);
  PARSED p;
  memcpy(p.disabled, task_disabled, sizeof p.disabled);
  p.quit = quit_seconds;
  p.debug = debug_seconds;
  p.fakekey = opt_fakekey;
  p.sleeper = opt_sleeper;
  for (int k = 0; k < nOptions; ++k) p.flags[k] = s_options[k].flag ? *s_options[k].flag : 0;
  if (complaint != nullptr && size > 0) complaint[0] = '\0';

  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i] ? argv[i] : "";
    int k = 0;
    while (k < nOptions && strcmp(arg, s_options[k].name) != 0) ++k;
    if (k == nOptions) return nComplain(complaint, size, "invalid argument %s", arg);
    const OPTION& o = s_options[k];
    if (o.kind == OPT_FLUSH) {
      memset(p.disabled, 1, sizeof p.disabled);
      continue;
    }
    if (o.kind == OPT_FLAG) {
      p.flags[k] = 1;
      continue;
    }
    if (i + 1 >= argc) return nComplain(complaint, size, "specifier required for argument %s", arg);
    const char* value = argv[++i] ? argv[i] : "";
    S64 number = 0;
    bool ok = true;
    switch (o.kind) {
      case OPT_ADD:
        ok = bTaskList(value, 0, p.disabled);
        break;
      case OPT_REM:
        ok = bTaskList(value, 1, p.disabled);
        break;
      case OPT_QUIT:
        ok = bDecimal(value, 0, 0x7FFFFFFF, &number);
        if (ok) p.quit = number * 1000;
        break;
      case OPT_FAKEKEY:
        ok = bDecimal(value, 0, 15, &number);
        if (ok) p.fakekey = (S32)number;
        break;
      case OPT_DEBUG:
        ok = bDecimal(value, 0, 0x7FFFFFFF, &number);
        if (ok) p.debug = (S32)number;
        break;
      case OPT_SLEEPER:
        ok = bDecimal(value, 0, 0x7FFFFFFF, &number);
        if (ok) p.sleeper = number * 1000;
        break;
      default:
        break;
    }
    if (!ok) return nComplain(complaint, size, "invalid argument %s", value);
  }

  memcpy(task_disabled, p.disabled, sizeof p.disabled);
  quit_seconds = p.quit;
  debug_seconds = p.debug;
  opt_fakekey = p.fakekey;
  opt_sleeper = p.sleeper;
  for (int k = 0; k < nOptions; ++k) {
    if (s_options[k].flag) *s_options[k].flag = p.flags[k];
  }
  return 0;
}

int LS_main(int argc, char** argv) {
  PLATFORM_vGuardStdFds();
  signal(SIGPIPE, SIG_IGN);
  log_me("%s start", model_string);
  char complaint[TRACE_TEXT_SIZE];
  if (LS_nParseOptions(argc, argv, complaint, sizeof complaint) != 0) lm_exit(__FILE__, __LINE__, 1);
  LS_vStartQuitTimer();
  LS_vStartWatchdog();
  Main();
  log_me("main exited");
  if (!bClaimExit()) vParkForever();
  PLATFORM_vExit(0);
}

// ------------------------------------------------------------ fatal errors and resets
static std::mutex s_fatalMutex;

static const char* pcErrorText(int err, char* buffer, size_t size) {
  // GNU strerror_r returns the text (not always in the buffer).
  return strerror_r(err, buffer, size);
}

void ERROR_error(const char* file, int line, const char* description) {
  if (file == nullptr) file = "";
  if (description == nullptr) description = "";
  const time_t now = PLATFORM_tTime(nullptr);

  // Date line and error line, each at most 127 characters; a cut line keeps
  // its line end so the log stays one record per two lines.
  char date_line[128];
  char error_line[128];
  if (ctime_r(&now, date_line) == nullptr) snprintf(date_line, sizeof date_line, "%lld\n", (long long)now);
  int n = snprintf(error_line, sizeof error_line, "error: %s in %s at %d%c", description, file, line, '\n');
  if (n < 0 || (size_t)n >= sizeof error_line) error_line[sizeof error_line - 2] = '\n';

  char path[4096];
  snprintf(path, sizeof path, "%s/FATAL.LOG", L_UTILS_cpGetPathnamePtr());
  {
    std::lock_guard<std::mutex> lock(s_fatalMutex);
    int fd = open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      const int err = errno;
      char buffer[128];
      log_me(" Error opening %s, Result = %d, error %d, %s", path, fd, err, pcErrorText(err, buffer, sizeof buffer));
    } else {
      // Both lines in one write, so records of two threads never interleave.
      char record[256];
      int len = snprintf(record, sizeof record, "%s%s", date_line, error_line);
      if (len > 0) {
        ssize_t written = write(fd, record, (size_t)len);
        (void)written;
      }
      fsync(fd);
      close(fd);
    }
  }
  log_me("%s", error_line);
}

void DD_POWER_vShutdown(void) { lm_exit(__FILE__, __LINE__, 10); }

void H_SHUTDOWN_vShutdown(void) { DD_POWER_vShutdown(); }

void U_RESET_vReset(void) {
  H_SHUTDOWN_vShutdown();
  DD_POWER_vShutdown();
}

void __rt_raise(void) {
  ERROR_error(__FILE__, __LINE__, "rt_raise");
  U_RESET_vReset();
}

// ------------------------------------------------------------ utilities
const char* L_UTILS_cpGetPathnamePtr(void) {
  // Read once and kept for the life of the process (never freed).
  static const char* s_path = [] {
    const char* env = getenv("TESSIX_CWD");
    if (env != nullptr && *env != '\0') return (const char*)strdup(env);
    return (const char*)strdup(PLATFORM_sResolvePath("/usr/tessix").c_str());
  }();
  return s_path;
}

int L_UTILS_nSystem(const char* command) {
  if (command == nullptr) command = "";
  log_me("system: %s", command);
  return PLATFORM_nSystem(command);
}

namespace {
std::mutex s_dateMutex;
U32 s_u32LastDateSet = 0;

int nRunDateCommand(U32 seconds_since_1970) {
  const time_t t = (time_t)seconds_since_1970;
  struct tm tm;
  gmtime_r(&t, &tm);
  char command[96];
  snprintf(command, sizeof command, "date -u -s %4d.%02d.%02d-%02d:%02d:%02d > /dev/null", tm.tm_year + 1900,
           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return L_UTILS_nSystem(command);
}
}  // namespace

void L_UTILS_vSetSysDate(U32 seconds_since_1970) {
  {
    std::lock_guard<std::mutex> lock(s_dateMutex);
    const S64 diff = (S64)seconds_since_1970 - (S64)s_u32LastDateSet;
    if (diff < 3600 && diff > -3600) return;
    s_u32LastDateSet = seconds_since_1970;
  }
  nRunDateCommand(seconds_since_1970);
}

BOOLEAN L_UTILS_bSetSysDateNow(U32 seconds_since_1970) {
  {
    std::lock_guard<std::mutex> lock(s_dateMutex);
    s_u32LastDateSet = seconds_since_1970;
  }
  return nRunDateCommand(seconds_since_1970) == 0 ? TRUE : FALSE;
}

pthread_t L_UTILS_threadCreateSimpleThread(const char* name, void* (*function)(void*), void* argument) {
  if (name == nullptr) name = "";
  constexpr size_t SIMPLE_STACK = 24 * 1024;
  size_t stack = SIMPLE_STACK;
  if (stack < PLATFORM_szStackFloor()) stack = PLATFORM_szStackFloor();
  char buffer[128];

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  int rc = pthread_attr_setstacksize(&attr, stack);
  if (rc != 0) {
    log_me("pthread_attr_setstack result = %d, %d, %s", rc, errno, pcErrorText(rc, buffer, sizeof buffer));
    pthread_attr_destroy(&attr);
    return 0;
  }
  pthread_t thread = 0;
  rc = pthread_create(&thread, &attr, function, argument);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    log_me("pthread_create result = %d, %d, %s", rc, errno, pcErrorText(rc, buffer, sizeof buffer));
    return 0;
  }
  char short_name[16];
  snprintf(short_name, sizeof short_name, "%s", name);
  pthread_setname_np(thread, short_name);
  log_me("pthread_create (%s): %lu", name, (unsigned long)thread);
  return thread;
}

void show_linux_priority(const char* name) {
  static std::atomic<bool> s_bShown{false};
  if (name == nullptr) name = "";
  if (!s_bShown.exchange(true)) {
    log_me("sched priorities min %d max %d", sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO));
  }
  int policy = 0;
  struct sched_param sp;
  if (pthread_getschedparam(pthread_self(), &policy, &sp) == 0) {
    log_me("priority for \"%s\" is %d policy %d", name, sp.sched_priority, policy);
  } else {
    log_me("could not get priority for \"%s\"", name);
  }
}

char* itoa(int value, char* text, int radix) {
  if (text == nullptr) return text;
  if (radix < 2 || radix > 36) {
    text[0] = '\0';
    return text;
  }
  char digits[40];
  int n = 0;
  unsigned int u = value < 0 ? 0u - (unsigned int)value : (unsigned int)value;
  do {
    unsigned int d = u % (unsigned int)radix;
    digits[n++] = (char)(d < 10 ? '0' + d : 'A' + d - 10);
    u /= (unsigned int)radix;
  } while (u != 0);
  char* p = text;
  if (value < 0) *p++ = '-';
  while (n > 0) *p++ = digits[--n];
  *p = '\0';
  return text;
}

// Letters count 10 upward (G is 16); an x, as in the hexadecimal marker,
// ends the number like any character that is neither digit nor letter.
U32 atoh(const char* text) {
  U32 value = 0;
  if (text == nullptr) return 0;
  for (const char* p = text;; ++p) {
    U32 d;
    if (*p == 'x' || *p == 'X') {
      break;
    } else if (*p >= '0' && *p <= '9') {
      d = (U32)(*p - '0');
    } else if (*p >= 'a' && *p <= 'z') {
      d = (U32)(*p - 'a' + 10);
    } else if (*p >= 'A' && *p <= 'Z') {
      d = (U32)(*p - 'A' + 10);
    } else {
      break;
    }
    value = value * 16 + d;
  }
  return value;
}

// The platform's own lines join the trace once the kernel services are linked.
namespace {
void vPlatformTraceLine(const char* line) { log_me("%s", line); }
struct PlatformTraceSink {
  PlatformTraceSink() { PLATFORM_vSetTraceSink(&vPlatformTraceLine); }
} s_platformTraceSink;
}  // namespace
