// A save interrupted by SIGKILL leaves every key at its old or its new value.
//
// The test runs this program again as a child that changes 256 saved
// settings every round and saves the changed keys (the NVRAM task's save
// pass: the keys beginning with S compared with their saved copies), after
// announcing on a pipe when each round starts and when its save is done.
// The parent kills the child at a random moment, then reads the files as
// the next start would: each key must hold the value of the last completed
// save or of a round begun after it (a key nobody saved yet may be absent
// only while no save has completed). Every few runs the store starts empty,
// so that kills also land among first-time writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_nvram.h"
#include "tests/support/db_test_env.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr int kKeys = 256;
constexpr int kChildFd = 3;
#ifdef TESSIX_SANITIZED
constexpr int kRuns = 12;  // each sanitized child takes long to start
#else
constexpr int kRuns = 24;
#endif  // the child's end of the progress pipe
const char* const kRoundEnv = "TESSIX_NVRAM_CRASH_ROUND";
constexpr U32 kDone = 0x80000000u;  // announcement flag: the round's save is complete

FOURCHARID KeyOf(int i) { return H_NVRAM_u32KeyOfSlot((U32)(i * 731) % NVR_S_SLOTS); }
U32 ValueOf(int i, U32 round) { return round * 1000003u + (U32)i * 7919u; }

// ------------------------------------------------------------ the child

TEST(NvramCrashChild, SaveLoop) {
  const char* start = getenv(kRoundEnv);
  if (start == nullptr) GTEST_SKIP() << "runs only as the child of NvramCrash";
  U32 round = (U32)strtoul(start, nullptr, 10);
  H_DATABASE_vInit();
  if (H_NVRAM_eInit() == STATE_VIRGIN) {
    NVR_ENTRY version = {FCID("NVER"), DB_dataU32(NVR_FORMAT_VERSION)};
    ASSERT_TRUE(H_NVRAM_bWriteFCID(&version));
    H_NVRAM_vFlashWriteBack();
  }
  for (int n = 0; n < 100000; n++, round++) {
    for (int i = 0; i < kKeys; i++) H_DATABASE_bUpdateValueU32(KeyOf(i), ValueOf(i, round), P_NORMAL);
    // Announced before the first file write of the round.
    if (write(kChildFd, &round, sizeof round) != (ssize_t)sizeof round) return;
    MULTI_FETCH_CONTROL_STRUCTURE c = {};
    c.cMatch = 'S';
    while (H_DATABASE_bFetchNextBeginningWith(&c)) {
      NVR_ENTRY e = {c.id, c.data};
      ASSERT_TRUE(H_NVRAM_bWriteIfChanged(&e, nullptr));
    }
    H_NVRAM_vFlashWriteBack();
    U32 done = round | kDone;
    if (write(kChildFd, &done, sizeof done) != (ssize_t)sizeof done) return;
  }
}

// ------------------------------------------------------------ the parent

// Starts the child at the given round; returns its pid and the read end of
// the progress pipe.
pid_t StartChild(U32 round, int* pReadFd) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  std::string roundText = std::to_string(round);
  setenv(kRoundEnv, roundText.c_str(), 1);
  std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<char*> argv = {(char*)exe.c_str(), (char*)"--gtest_filter=NvramCrashChild.SaveLoop", nullptr};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], kChildFd);  // dup2 clears close-on-exec on the copy
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 1);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  unsetenv(kRoundEnv);
  close(fds[1]);
  *pReadFd = fds[0];
  return pid;
}

// Reads every announcement until the pipe closes: the last round begun and
// the last round whose save completed.
void ReadAnnouncements(int fd, long long* pBegun, long long* pDone) {
  U32 word;
  while (read(fd, &word, sizeof word) == (ssize_t)sizeof word) {
    if (word & kDone) {
      *pDone = word & ~kDone;
    } else {
      *pBegun = word;
    }
  }
}

TEST(NvramCrash, EveryKeyIsOldOrNewAfterSigkill) {
  std::mt19937 rng(20240601);
  std::error_code ec;
  std::filesystem::remove_all(s_install.install, ec);
  long long begun = 0;  // last round begun
  long long done = -1;  // last round saved completely in the current store, -1 none
  int kills = 0;
  for (int run = 0; run < kRuns; run++) {
    if (run % 6 == 5) {
      // Start over from an empty store.
      H_NVRAM_vClose();
      std::filesystem::remove_all(s_install.install, ec);
      done = -1;
    }
    const long long firstOfRun = begun + 1;
    int readFd = -1;
    pid_t pid = StartChild((U32)firstOfRun, &readFd);
    ASSERT_GT(pid, 0);
    // Wait for the first announcement, then kill at a random moment.
    struct pollfd p = {readFd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 20000), 1) << "child did not start";
    struct timespec delay = {0, (long)(rng() % 40000) * 1000};
    nanosleep(&delay, nullptr);
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) kills++;
    ReadAnnouncements(readFd, &begun, &done);
    close(readFd);
    ASSERT_GE(begun, firstOfRun);

    // What the next start would restore.
    H_NVRAM_vClose();
    NVR_ENTRY version = {FCID("NVER"), DB_dataU32(0)};
    EXPECT_TRUE(H_NVRAM_bGetItemByID(&version));
    EXPECT_EQ(version.data.u32Val, NVR_FORMAT_VERSION);
    for (int i = 0; i < kKeys; i++) {
      NVR_ENTRY e = {KeyOf(i), DB_dataU32(0)};
      if (!H_NVRAM_bGetItemByID(&e)) {
        EXPECT_LT(done, 0) << "key " << i << " lost after the save of round " << done << " (run " << run << ")";
        continue;
      }
      // Rounds since the last complete save (each may have been cut short).
      bool known = false;
      for (long long r = done < 0 ? 1 : done; r <= begun && !known; r++) known = e.data.u32Val == ValueOf(i, (U32)r);
      EXPECT_TRUE(known) << "key " << i << " holds " << e.data.u32Val << "; last save " << done << ", last round "
                         << begun << " (run " << run << ")";
    }
    H_NVRAM_vClose();
  }
  EXPECT_GT(kills, kRuns - 4);  // the child was killed, not finished
}

}  // namespace
