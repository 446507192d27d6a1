// Program entry and kernel utilities: number conversions, the command line,
// the system date rule, the trace line, fatal errors with FATAL.LOG, the
// quit time and the debug watchdog.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lsvc/l_utils.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"
#include "tests/support/trace_line.h"

namespace {

// Every run of this program (including the fresh processes of death tests,
// which inherit the environment) shares one installation directory.
std::string sMakeInstallDir() {
  const char* inherited = getenv("TESSIX_UTILS_TEST_DIR");
  std::string dir;
  if (inherited != nullptr && *inherited != '\0') {
    dir = inherited;
  } else {
    char templ[] = "/tmp/tessix_utils_XXXXXX";
    dir = mkdtemp(templ) ? templ : "/tmp";
    setenv("TESSIX_UTILS_TEST_DIR", dir.c_str(), 1);
    setenv("TESSIX_UTILS_TEST_OWNER", std::to_string(getpid()).c_str(), 1);
  }
  setenv("TESSIX_CWD", dir.c_str(), 1);
  return dir;
}

const std::string g_installDir = sMakeInstallDir();

// The process that made the directory removes it when all tests are done.
class CInstallDirCleanup : public ::testing::Environment {
 public:
  // Death tests start a fresh copy of this program: threads and clock of
  // the parent never leak into the child.
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
  void TearDown() override {
    const char* owner = getenv("TESSIX_UTILS_TEST_OWNER");
    if (owner != nullptr && std::to_string(getpid()) == owner) std::filesystem::remove_all(g_installDir);
  }
};
::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new CInstallDirCleanup);

std::string sReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t szCount(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Sends standard output (and optionally standard error) of this process to
// files while alive; used in the main test process and in death-test children.
class CRedirect {
 public:
  explicit CRedirect(const std::string& path, int fd = 1) : m_fd(fd) {
    fflush(nullptr);
    m_saved = dup(fd);
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, fd);
    close(file);
  }
  ~CRedirect() {
    fflush(nullptr);
    dup2(m_saved, m_fd);
    close(m_saved);
  }

 private:
  int m_fd;
  int m_saved;
};

std::string sTempPath(const char* name) { return g_installDir + "/" + name; }

std::string sFatalLog() { return sReadFile(g_installDir + "/FATAL.LOG"); }

// Keeps the option variables of one test apart from the next.
class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { vReset(); }
  void TearDown() override { vReset(); }
  static void vReset() {
    memset(task_disabled, 0, ntasks);
    quit_seconds = 0;
    debug_seconds = 0;
    opt_fakekey = -1;
    opt_sleeper = 0;
    opt_nolog = opt_noadc = opt_fake_transducer = opt_fsync = opt_nodisclaimer = opt_notone = 0;
  }
  static int nParse(std::vector<std::string> args, std::string* complaint) {
    std::vector<char*> argv;
    static char program[] = "tessix";
    argv.push_back(program);
    for (auto& a : args) argv.push_back(a.data());
    char text[300];
    int rc = LS_nParseOptions((int)argv.size(), argv.data(), text, sizeof text);
    if (complaint) *complaint = text;
    return rc;
  }
  static std::vector<int> vecEnabled() {
    std::vector<int> ids;
    for (int i = 0; i < ntasks; ++i) {
      if (!task_disabled[i]) ids.push_back(i + 1);
    }
    return ids;
  }
};

}  // namespace

// ------------------------------------------------------------ numbers
TEST(NumberText, ItoaWritesSignAndCapitalDigits) {
  struct CASE {
    int value;
    int radix;
    const char* text;
  } cases[] = {
      {-255, 16, "-FF"}, {0, 10, "0"},    {255, 2, "11111111"}, {35, 36, "Z"},
      {INT_MIN, 10, "-2147483648"},       {INT_MAX, 16, "7FFFFFFF"}, {-1, 10, "-1"},
  };
  for (const CASE& c : cases) {
    char text[40];
    EXPECT_STREQ(itoa(c.value, text, c.radix), c.text) << c.value << " radix " << c.radix;
  }
}

TEST(NumberText, AtohReadsDigitsAndLettersUntilAnythingElse) {
  struct CASE {
    const char* text;
    U32 value;
  } cases[] = {
      {"1aG", 432}, {"12x", 18}, {"ff", 255}, {"FF", 255}, {"", 0}, {"-1", 0}, {"10 20", 16}, {"z", 35}, {"0x1F", 0},
  };
  for (const CASE& c : cases) EXPECT_EQ(atoh(c.text), c.value) << c.text;
  EXPECT_EQ(atoh(nullptr), 0u);
}

// ------------------------------------------------------------ command line
TEST_F(OptionsTest, ReadsEveryOption) {
  std::string complaint;
  ASSERT_EQ(nParse({"quit_sec", "3", "debug_sec", "7", "fake_key", "15", "sleeper", "5", "fake_transducer", "no_log",
                    "no_adc", "fsync", "nodisclaimer", "notone"},
                   &complaint),
            0)
      << complaint;
  EXPECT_EQ(quit_seconds, 3000);
  EXPECT_EQ(debug_seconds, 7);
  EXPECT_EQ(opt_fakekey, 15);
  EXPECT_EQ(opt_sleeper, 5000);
  EXPECT_EQ(opt_fake_transducer + opt_nolog + opt_noadc + opt_fsync + opt_nodisclaimer + opt_notone, 6);
  EXPECT_EQ(vecEnabled().size(), (size_t)ntasks);
}

TEST_F(OptionsTest, TaskListsAndLaterOptionsOverrideEarlierOnes) {
  struct CASE {
    std::vector<std::string> args;
    std::vector<int> enabled;
  } cases[] = {
      {{"task_flush", "task_add", "3,5"}, {3, 5}},
      {{"task_flush", "task_add", "2,17"}, {2, 17}},
      {{"task_flush", "task_add", "69,1,69"}, {1, 69}},
      {{"task_add", "3", "task_flush"}, {}},
  };
  for (auto& c : cases) {
    vReset();
    ASSERT_EQ(nParse(c.args, nullptr), 0);
    EXPECT_EQ(vecEnabled(), c.enabled) << c.args[0] << " " << c.args[1];
  }
  vReset();
  ASSERT_EQ(nParse({"task_rem", "17,2", "quit_sec", "3", "quit_sec", "4"}, nullptr), 0);
  EXPECT_TRUE(task_disabled[16] && task_disabled[1]);
  EXPECT_EQ(vecEnabled().size(), (size_t)ntasks - 2);
  EXPECT_EQ(quit_seconds, 4000);
}

TEST_F(OptionsTest, RefusesBadArgumentsAndChangesNothing) {
  struct CASE {
    std::vector<std::string> args;
    const char* complaint;
  } cases[] = {
      {{"bogus"}, "invalid argument bogus"},
      {{"Quit_sec", "3"}, "invalid argument Quit_sec"},
      {{""}, "invalid argument "},
      {{"quit_sec"}, "specifier required for argument quit_sec"},
      {{"no_log", "task_add"}, "specifier required for argument task_add"},
      {{"task_add", "0"}, "invalid argument 0"},
      {{"task_add", "70"}, "invalid argument 70"},
      {{"task_rem", "3,,5"}, "invalid argument 3,,5"},
      {{"task_rem", "3,"}, "invalid argument 3,"},
      {{"task_add", ""}, "invalid argument "},
      {{"task_add", "x"}, "invalid argument x"},
      {{"task_add", "-1"}, "invalid argument -1"},
      {{"task_add", "99999999999999999999999"}, "invalid argument 99999999999999999999999"},
      {{"fake_key", "16"}, "invalid argument 16"},
      {{"fake_key", "-1"}, "invalid argument -1"},
      {{"fake_key", "a"}, "invalid argument a"},
      {{"quit_sec", "1x"}, "invalid argument 1x"},
      {{"debug_sec", ""}, "invalid argument "},
      {{"sleeper", "99999999999"}, "invalid argument 99999999999"},
  };
  for (auto& c : cases) {
    vReset();
    task_disabled[4] = 1;  // a state the refused command line must not touch
    std::string complaint;
    EXPECT_EQ(nParse(c.args, &complaint), 1) << c.complaint;
    EXPECT_EQ(complaint, c.complaint);
    EXPECT_EQ(vecEnabled().size(), (size_t)ntasks - 1) << c.complaint;
    EXPECT_TRUE(task_disabled[4]);
    EXPECT_EQ(quit_seconds, 0);
    EXPECT_EQ(opt_fakekey, -1);
    EXPECT_EQ(opt_nolog, 0);
  }
}

TEST_F(OptionsTest, EdgeValuesOfKeySlotsAndTimes) {
  ASSERT_EQ(nParse({"fake_key", "0"}, nullptr), 0);
  EXPECT_EQ(opt_fakekey, 0);
  ASSERT_EQ(nParse({"quit_sec", "0", "debug_sec", "0"}, nullptr), 0);
  EXPECT_EQ(quit_seconds, 0);
  EXPECT_EQ(debug_seconds, 0);
  ASSERT_EQ(nParse({"quit_sec", "2147483647"}, nullptr), 0);
  EXPECT_EQ(quit_seconds, 2147483647000LL);
}

// ------------------------------------------------------------ trace line
TEST(Trace, LineFormatAndOneLinePerCall) {
  const std::string path = sTempPath("trace_format.txt");
  {
    CRedirect redirect(path);
    log_me("hello %d", 5);
    log_me("ends with a line end\n");
    log_me("two\nparts");
    log_me("%s", std::string(300, 'x').c_str());
    opt_nolog = 1;
    log_me("not written");
    opt_nolog = 0;
    pthread_t other;
    pthread_create(
        &other, nullptr, [](void*) -> void* {
          log_me("from another thread");
          return nullptr;
        },
        nullptr);
    pthread_join(other, nullptr);
  }
  // The line check itself tells good from bad lines.
  EXPECT_TRUE(TEST_bIsTraceLine("    0.001   837.908 70 MAINTHREAD x\r"));
  EXPECT_TRUE(TEST_bIsTraceLine("    0.001 100837.908  8 KBDTASK \r"));
  EXPECT_FALSE(TEST_bIsTraceLine("    0.001   837.908 70 MAINTHREAD x"));
  EXPECT_FALSE(TEST_bIsTraceLine("0.001 837.908 70 MAINTHREAD x\r"));
  EXPECT_FALSE(TEST_bIsTraceLine("   -0.-05   837.908 70 MAINTHREAD x\r"));
  EXPECT_FALSE(TEST_bIsTraceLine("    0.001   837.908 70 MAINTHREAD a\rb\r"));

  const std::string text = sReadFile(path);
  const std::vector<std::string> lines = TEST_vecLines(text);
  ASSERT_EQ(lines.size(), 5u) << text;
  for (const std::string& line : lines) EXPECT_TRUE(TEST_bIsTraceLine(line)) << line;
  EXPECT_NE(lines[0].find(" 70 MAINTHREAD hello 5\r"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("MAINTHREAD ends with a line end\r"), std::string::npos);
  EXPECT_NE(lines[2].find("MAINTHREAD two parts\r"), std::string::npos);
  EXPECT_NE(lines[3].find("MAINTHREAD " + std::string(255, 'x') + "\r"), std::string::npos);
  EXPECT_NE(lines[4].find(" 70 MAINTHREAD from another thread\r"), std::string::npos);
  EXPECT_EQ(text.find("not written"), std::string::npos);
}

TEST(Trace, SystemCommandsAreTracedAndRecordedNotRun) {
  PLATFORM_vClearCommands();
  const std::string path = sTempPath("trace_system.txt");
  {
    CRedirect redirect(path);
    // Unless a test says otherwise, a command fails: nothing ran.
    const int status = L_UTILS_nSystem("touch /tmp/never_created_by_tessix");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << status;
  }
  EXPECT_NE(sReadFile(path).find("system: touch /tmp/never_created_by_tessix\r\n"), std::string::npos);
  EXPECT_EQ(PLATFORM_vecCommands(), std::vector<std::string>{"touch /tmp/never_created_by_tessix"});
  struct stat st;
  EXPECT_NE(stat("/tmp/never_created_by_tessix", &st), 0);
}

TEST(Trace, SystemCommandsReturnTheStatusTheTestSets) {
  const struct {
    int exit_status;
    BOOLEAN clock_set;
  } cases[] = {{0, TRUE}, {1, FALSE}, {127, FALSE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exit_status);
    PLATFORM_vSetSystemExitStatus(c.exit_status);
    const int status = L_UTILS_nSystem("true");
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.exit_status);
    EXPECT_EQ(L_UTILS_bSetSysDateNow(0), c.clock_set);  // 0: leaves the hour rule as at start
  }
  PLATFORM_vSetSystemExitStatus(1);
}

// ------------------------------------------------------------ system date
TEST(SetSysDate, RunsDateOnlyWhenTheTimeMovesAnHourOrMore) {
  PLATFORM_vClearCommands();
  const U32 t0 = 1700000000;  // 2023-11-14 22:13:20 UTC
  struct CASE {
    U32 seconds;
    const char* command;  // nullptr: the clock is left alone
  } cases[] = {
      {3599, nullptr},  // the first call sets only a time at least an hour after 0
      {t0, "date -u -s 2023.11.14-22:13:20 > /dev/null"},
      {t0 + 600, nullptr},
      {t0 + 3599, nullptr},
      {t0 + 3600, "date -u -s 2023.11.14-23:13:20 > /dev/null"},
      {t0, "date -u -s 2023.11.14-22:13:20 > /dev/null"},  // an hour back counts as well
      {t0 - 3599, nullptr},
  };
  size_t expected = 0;
  for (const CASE& c : cases) {
    L_UTILS_vSetSysDate(c.seconds);
    std::vector<std::string> commands = PLATFORM_vecCommands();
    if (c.command != nullptr) {
      ++expected;
      ASSERT_EQ(commands.size(), expected) << c.seconds;
      EXPECT_EQ(commands.back(), c.command);
    } else {
      EXPECT_EQ(commands.size(), expected) << c.seconds;
    }
  }
}

// ------------------------------------------------------------ threads outside the table
TEST(SimpleThread, RunsWithAtLeastTheSmallStackAndTheFloor) {
  struct PROBE {
    void* argument = nullptr;
    size_t stack = 0;
    TASK id = 0;
  };
  static PROBE probe;
  const std::string path = sTempPath("trace_thread.txt");
  pthread_t thread;
  {
    CRedirect redirect(path);
    thread = L_UTILS_threadCreateSimpleThread(
        "probe",
        [](void* argument) -> void* {
          pthread_attr_t attr;
          pthread_getattr_np(pthread_self(), &attr);
          pthread_attr_getstacksize(&attr, &probe.stack);
          pthread_attr_destroy(&attr);
          probe.argument = argument;
          probe.id = L_TASK_GetMyID();
          return nullptr;
        },
        &probe);
    ASSERT_NE(thread, (pthread_t)0);
    pthread_join(thread, nullptr);
  }
  EXPECT_EQ(probe.argument, &probe);
  EXPECT_GE(probe.stack, (size_t)24576);
  EXPECT_GE(probe.stack, PLATFORM_szStackFloor());
  EXPECT_EQ(probe.id, MAIN_THREAD_TASK);
  EXPECT_NE(sReadFile(path).find("pthread_create (probe): "), std::string::npos);
}

TEST(SimpleThread, SchedulingLinesOfTheCallingThread) {
  const std::string path = sTempPath("trace_priority.txt");
  {
    CRedirect redirect(path);
    show_linux_priority("first");
    show_linux_priority("second");
  }
  const std::string text = sReadFile(path);
  EXPECT_EQ(szCount(text, "sched priorities min "), 1u) << text;
  EXPECT_EQ(szCount(text, "priority for \"first\" is "), 1u);
  EXPECT_EQ(szCount(text, "priority for \"second\" is "), 1u);
}

// ------------------------------------------------------------ installation directory
TEST(InstallDir, FromTheEnvironmentOrTheResolvedDefault) {
  // The death test runs first: the directory is read once per process.
  const std::string root = g_installDir + "/root";
  EXPECT_EXIT(
      {
        unsetenv("TESSIX_CWD");
        setenv("TESSIX_HOST_ROOT", root.c_str(), 1);
        fprintf(stderr, "dir=[%s]\n", L_UTILS_cpGetPathnamePtr());
        fflush(stderr);
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "dir=\\[" + root + "/usr/tessix\\]");
  EXPECT_STREQ(L_UTILS_cpGetPathnamePtr(), g_installDir.c_str());
}

// ------------------------------------------------------------ fatal errors
namespace {

// The C library's date line without its line end: "Www Mmm dd hh:mm:ss yyyy".
bool bIsDateLine(const std::string& line) {
  char day[4], month[4];
  int mday, h, m, sec, year, end = 0;
  if (line.size() != 24) return false;
  if (sscanf(line.c_str(), "%3s %3s %2d %2d:%2d:%2d %4d%n", day, month, &mday, &h, &m, &sec, &year, &end) != 7) return false;
  return end == 24 && mday >= 1 && mday <= 31 && h < 24 && m < 60 && sec <= 60 && year >= 1970;
}

// Runs a fatal path in a fresh process with its trace in a file; checks the
// status 10 and the two lines it appended to FATAL.LOG. Returns the trace.
std::string sRunFatal(void (*fatal)(), const char* trace_name, std::string* error_line) {
  const std::string before = sFatalLog();
  const std::string trace = sTempPath(trace_name);
  EXPECT_EXIT(
      {
        CRedirect redirect(trace);
        fatal();
      },
      ::testing::ExitedWithCode(10), "");
  const std::string after = sFatalLog();
  EXPECT_EQ(after.compare(0, before.size(), before), 0) << "earlier records are kept";
  const std::vector<std::string> added = TEST_vecLines(after.substr(before.size()));
  EXPECT_EQ(added.size(), 2u) << after.substr(before.size());
  if (added.size() == 2) {
    EXPECT_TRUE(bIsDateLine(added[0])) << added[0];
    *error_line = added[1];
  }
  return sReadFile(trace);
}

}  // namespace

TEST(FatalError, AppendsTwoLinesAndEndsWithStatus10) {
  std::string error_line;
  std::string trace = sRunFatal(
      [] {
        ERROR_error("lost.cpp", 42, "Where's the task");
        U_RESET_vReset();
      },
      "fatal1.txt", &error_line);
  EXPECT_EQ(error_line, "error: Where's the task in lost.cpp at 42");
  EXPECT_NE(trace.find("MAINTHREAD error: Where's the task in lost.cpp at 42\r\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("status 10\r\n"), std::string::npos) << trace;
  for (const std::string& line : TEST_vecLines(trace)) EXPECT_TRUE(TEST_bIsTraceLine(line)) << line;

  // A second fatal error appends its record after the first.
  trace = sRunFatal([] { __rt_raise(); }, "fatal2.txt", &error_line);
  EXPECT_EQ(error_line.rfind("error: rt_raise in ", 0), 0u) << error_line;
}

TEST(FatalError, RequestAboveTheLargestPartition) {
  std::string error_line;
  sRunFatal(
      [] {
        void* p = H_MEMORY_pvMalloc(960097);
        (void)p;
      },
      "fatal3.txt", &error_line);
  EXPECT_EQ(error_line.rfind("error: Requesting a partition that is too large in ", 0), 0u) << error_line;
}

TEST(FatalError, LongTextIsCutButTheRecordKeepsTwoLines) {
  std::string error_line;
  sRunFatal(
      [] {
        static const std::string text(300, 'y');
        ERROR_error("long.cpp", 7, text.c_str());
        U_RESET_vReset();
      },
      "fatal4.txt", &error_line);
  EXPECT_EQ(error_line.size(), 126u);
  EXPECT_EQ(error_line.rfind("error: yyy", 0), 0u);
}

// ------------------------------------------------------------ other ends of the process
TEST(ProcessEnd, EachPathWritesOneExitLineWithItsStatus) {
  struct CASE {
    void (*end)();
    int status;
    const char* text;
  } cases[] = {
      {[] { bail_out("bad value %d", 3); }, 1, "MAINTHREAD bad value 3\r\n"},
      {[] { lm_exit("here.cpp", 12, 5); }, 5, "MAINTHREAD exit from file here.cpp line #12 status 5\r\n"},
      {[] { H_SHUTDOWN_vShutdown(); }, 10, " status 10\r\n"},
  };
  const std::string path = sTempPath("process_end.txt");
  for (const CASE& c : cases) {
    EXPECT_EXIT(
        {
          CRedirect redirect(path);
          c.end();
        },
        ::testing::ExitedWithCode(c.status), "");
    const std::string text = sReadFile(path);
    EXPECT_NE(text.find(c.text), std::string::npos) << text;
    EXPECT_EQ(szCount(text, "exit from file"), 1u) << text;
  }
}

// ------------------------------------------------------------ quit time and watchdog
namespace {

void vParseInChild(std::vector<std::string> args) {
  std::vector<char*> argv;
  static char program[] = "tessix";
  argv.push_back(program);
  for (auto& a : args) argv.push_back(a.data());
  if (LS_nParseOptions((int)argv.size(), argv.data(), nullptr, 0) != 0) _exit(99);
}

// Moves the test clock on in small steps, as real time would.
[[noreturn]] void vRunClockForever() {
  for (;;) {
    PLATFORM_vTestClockAdvanceMs(10);
    usleep(1000);
  }
}

void vRunClock(U32 ms) {
  for (U32 done = 0; done < ms; done += 10) {
    PLATFORM_vTestClockAdvanceMs(10);
    usleep(1000);
  }
}

}  // namespace

TEST(QuitTime, EndsTheProgramWithoutAnyFurtherTraceLine) {
  const std::string out = sTempPath("quit_out.txt");
  const std::string err = sTempPath("quit_err.txt");
  const std::string marker = sTempPath("quit_marker.txt");
  unlink(marker.c_str());
  EXPECT_EXIT(
      {
        CRedirect redirect_out(out, 1);
        CRedirect redirect_err(err, 2);
        // The unit has been up for a day: the quit time counts from the
        // program's start, not from the system's.
        PLATFORM_vTestClockEnable(86400ull * 1000000000ull, 1700000000);
        vParseInChild({"quit_sec", "1"});
        log_me("start");
        LS_vStartQuitTimer();
        vRunClock(990);
        usleep(100000);
        std::ofstream(marker) << "alive at 990 ms";
        vRunClockForever();
      },
      ::testing::ExitedWithCode(4), "");
  EXPECT_EQ(sReadFile(marker), "alive at 990 ms");
  const std::string text = sReadFile(err);
  EXPECT_EQ(szCount(text, "quit seconds expired\r\n"), 1u) << text;
  EXPECT_NE(text.find("task information ("), std::string::npos);
  EXPECT_EQ(szCount(text, "exit from file"), 1u);
  EXPECT_NE(text.find("status 4\r\n"), std::string::npos);
}

TEST(QuitTime, TraceLineAndQuitThreadTogetherEndOnce) {
  const std::string out = sTempPath("race_out.txt");
  const std::string err = sTempPath("race_err.txt");
  EXPECT_EXIT(
      {
        CRedirect redirect_out(out, 1);
        CRedirect redirect_err(err, 2);
        PLATFORM_vTestClockEnable(5000000000ull, 1700000000);
        vParseInChild({"quit_sec", "1"});
        log_me("start");
        LS_vStartQuitTimer();
        for (int i = 0; i < 3; ++i) {
          pthread_t t;
          pthread_create(
              &t, nullptr, [](void*) -> void* {
                for (;;) log_me("busy");
              },
              nullptr);
        }
        vRunClockForever();
      },
      ::testing::ExitedWithCode(4), "");
  const std::string text = sReadFile(out) + sReadFile(err);
  EXPECT_EQ(szCount(text, "quit seconds expired"), 1u);
  EXPECT_EQ(szCount(text, "exit from file"), 1u);
  EXPECT_EQ(szCount(text, "task information ("), 1u);
}

TEST(Watchdog, DumpsAndEndsWithStatus3WhenTheTraceIsSilent) {
  const std::string err = sTempPath("watchdog_err.txt");
  EXPECT_EXIT(
      {
        CRedirect redirect_out(sTempPath("watchdog_out.txt"), 1);
        CRedirect redirect_err(err, 2);
        PLATFORM_vTestClockEnable(5000000000ull, 1700000000);
        vParseInChild({"debug_sec", "2", "no_log"});
        log_me("start");  // starts the watchdog; no_log still counts as activity
        vRunClockForever();
      },
      ::testing::ExitedWithCode(3), "");
  const std::string text = sReadFile(err);
  EXPECT_NE(text.find("0: after sleep 0 remaining"), std::string::npos) << text;
  // With no_log the dump and the exit line write nothing.
  EXPECT_EQ(text.find("task information"), std::string::npos);
}

TEST(Watchdog, KeepsQuietWhileTraceLinesAppear) {
  const std::string err = sTempPath("watchdog2_err.txt");
  EXPECT_EXIT(
      {
        CRedirect redirect_out(sTempPath("watchdog2_out.txt"), 1);
        CRedirect redirect_err(err, 2);
        PLATFORM_vTestClockEnable(5000000000ull, 1700000000);
        vParseInChild({"debug_sec", "1"});
        log_me("start");
        // Six periods with a trace line in each, then silence.
        for (int i = 0; i < 6; ++i) {
          vRunClock(500);
          log_me("tick %d", i);
        }
        vRunClockForever();
      },
      ::testing::ExitedWithCode(3), "");
  const std::string text = sReadFile(err);
  EXPECT_NE(text.find("task information ("), std::string::npos);
  EXPECT_NE(text.find("status 3\r\n"), std::string::npos);
  EXPECT_GE(szCount(text, "after sleep"), 3u) << text;
}
