// Threading test: also runs under ThreadSanitizer.
// File-system shims: directory listing, attributes, sizes, removal, end of
// file, and the "sync" thread's flushes on the test clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "lsvc/lsvc.h"
#include "source/core/ls_sync.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

class FsShims : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    LS_sync_vInit();
    LS_sync_vInit();  // a second call starts nothing
  }
  static void TearDownTestSuite() { PLATFORM_vTestClockDisable(); }

  void SetUp() override {
    m_unit = "/data" + std::to_string(m_next++);
    m_dir = PLATFORM_sResolvePath(m_unit.c_str());
    fs::create_directories(m_dir);
  }
  static std::set<std::string> List(const std::string& unit_dir) {
    std::set<std::string> names;
    FS_DIR* dir = FS_OpenDir(unit_dir.c_str());
    EXPECT_NE(dir, nullptr);
    if (dir == nullptr) return names;
    while (TESSIX_DIRENT* e = FS_ReadDir(dir)) {
      char name[FS_NAME_SIZE];
      FS_DirEnt2Name(e, name);
      EXPECT_EQ(std::string((const char*)e->full_name), unit_dir + "/" + name);
      names.insert(name);
    }
    EXPECT_EQ(FS_CloseDir(dir), 0);
    return names;
  }
  // Advances the clock in steps of 100 ms, giving the sync thread time to look.
  static void Advance(U32 ms) {
    for (U32 t = 0; t < ms; t += 100) {
      PLATFORM_vTestClockAdvanceMs(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  }

  // Advances the clock until the predicate holds (the sync thread may start
  // a sleep late on a loaded machine, so a fixed advance is not enough);
  // FALSE after a minute of test time.
  template <typename Pred>
  static bool AdvanceUntil(Pred pred) {
    for (U32 t = 0; t < 60000; t += 100) {
      if (pred()) return true;
      Advance(100);
    }
    return pred();
  }

  std::string m_unit, m_dir;
  static inline int m_next = 0;
};

TEST_F(FsShims, ListingLeavesOutDotAndDotDotOnly) {
  EXPECT_TRUE(List(m_unit).empty());  // only "." and ".."
  std::ofstream(m_dir + "/.hidden") << "h";
  std::ofstream(m_dir + "/FILE.TXT") << "12345";
  fs::create_directories(m_dir + "/SUB");
  EXPECT_EQ(List(m_unit), (std::set<std::string>{".hidden", "FILE.TXT", "SUB"}));

  FS_DIR* dir = FS_OpenDir(m_unit.c_str());
  ASSERT_NE(dir, nullptr);
  int seen = 0;
  while (TESSIX_DIRENT* e = FS_ReadDir(dir)) {
    char name[FS_NAME_SIZE];
    FS_DirEnt2Name(e, name);
    U8 attr = 0xAA;
    FS_DirEnt2Attr(e, &attr);
    EXPECT_EQ(attr, std::string(name) == "SUB" ? FS_ATTR_DIRECTORY : 0) << name;
    if (std::string(name) == "FILE.TXT") {
      EXPECT_EQ(FS_DirEnt2Size(e), 5u);
    }
    ++seen;
  }
  FS_RewindDir(dir);
  int again = 0;
  while (FS_ReadDir(dir) != nullptr) ++again;
  EXPECT_EQ(again, seen);
  FS_CloseDir(dir);

  EXPECT_EQ(FS_OpenDir((m_unit + "/missing").c_str()), nullptr);
  EXPECT_EQ(FS_ReadDir(nullptr), nullptr);
  EXPECT_EQ(FS_CloseDir(nullptr), 0);
}

TEST_F(FsShims, NamesTooLongForTheEntryRecordAreLeftOutWithATraceLine) {
  // The directory's unit path and a name that together pass 255 bytes.
  const std::string longName(250, 'n');
  std::ofstream(m_dir + "/" + longName) << "x";
  std::ofstream(m_dir + "/SHORT") << "x";
  testing::internal::CaptureStdout();
  EXPECT_EQ(List(m_unit), (std::set<std::string>{"SHORT"}));
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_NE(trace.find("FS_ReadDir: name too long"), std::string::npos) << trace;

  testing::internal::CaptureStdout();
  EXPECT_EQ(FS_OpenDir(("/" + std::string(300, 'd')).c_str()), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("FS_OpenDir: path too long"), std::string::npos);
}

TEST_F(FsShims, AttributesSizesAndRemoval) {
  std::ofstream(m_dir + "/A.BIN") << "abcdefgh";
  EXPECT_EQ(FS_GetFileAttributes((m_unit + "/A.BIN").c_str()), 0);
  EXPECT_EQ(FS_GetFileAttributes(m_unit.c_str()), FS_ATTR_DIRECTORY);
  EXPECT_EQ(FS_GetFileAttributes((m_unit + "/none").c_str()), FS_ATTR_UNKNOWN);

  FILE* f = fopen((m_dir + "/A.BIN").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fseek(f, 3, SEEK_SET), 0);
  EXPECT_EQ(FS_GetFileSize(f), 8u);
  EXPECT_EQ(ftell(f), 3);  // the position is kept
  EXPECT_EQ(fgetc(f), 'd');
  fclose(f);

  const U32 flushes = PLATFORM_u32SyncCount();
  EXPECT_EQ(FS_Remove((m_unit + "/A.BIN").c_str()), 0);
  EXPECT_FALSE(fs::exists(m_dir + "/A.BIN"));
  EXPECT_EQ(FS_Remove((m_unit + "/A.BIN").c_str()), 0);  // 0 whatever happened
  EXPECT_GE(PLATFORM_u32SyncCount(), flushes + 2);       // each removal flushes
}

TEST_F(FsShims, EndOfFileIsSeenWithoutLosingTheNextByte) {
  std::ofstream(m_dir + "/EMPTY");
  std::ofstream(m_dir + "/ONE") << "Z";
  FILE* empty = fopen((m_dir + "/EMPTY").c_str(), "rb");
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(LS_feof(empty));
  fclose(empty);
  FILE* one = fopen((m_dir + "/ONE").c_str(), "rb");
  ASSERT_NE(one, nullptr);
  EXPECT_FALSE(LS_feof(one));
  EXPECT_EQ(fgetc(one), 'Z');
  EXPECT_TRUE(LS_feof(one));
  fclose(one);
}

TEST_F(FsShims, TenClosesWithinASecondGiveOneFlush) {
  // Any earlier request served and the thread idle: seven seconds pass
  // without a flush (a slow machine may need more than one round).
  U32 before;
  do {
    before = PLATFORM_u32SyncCount();
    Advance(7000);
  } while (PLATFORM_u32SyncCount() != before);
  for (int i = 0; i < 10; ++i) {
    FILE* f = fopen((m_dir + "/F" + std::to_string(i)).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("data", f);
    EXPECT_EQ(LS_fclose(f), 0);
  }
  // The thread looks once a second: the ten closes give one flush, or two
  // when a slow machine spreads them across one of its looks; never one
  // flush per close.
  EXPECT_TRUE(AdvanceUntil([&] { return PLATFORM_u32SyncCount() >= before + 1; }));
  Advance(10000);
  const U32 flushed = PLATFORM_u32SyncCount();
  EXPECT_GE(flushed, before + 1);
  EXPECT_LE(flushed, before + 2);

  // A request during the 5 s rest after a flush waits for its end.
  LS_sync();
  EXPECT_TRUE(AdvanceUntil([&] { return PLATFORM_u32SyncCount() == flushed + 1; }));
}

}  // namespace
