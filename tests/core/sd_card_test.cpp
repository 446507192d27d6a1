// Threading test: also runs under ThreadSanitizer.
// The SD-card slots driven as on the board: folders stand for cards, the
// test inserts and removes them by making and removing their device nodes
// (watched by the real "sd" thread) and drives the fake mounter's failures.
// The clock is the test clock, moved on by a pump thread, so that the
// driver's second-long pauses pass quickly.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/dd_sd.h"
#include "source/core/ls_sync.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"
#include "tests/support/trace_line.h"
#include "tests/support/wait_for.h"
#include "tests/support/clock_pump.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

// A card identifier as the kernel shows it: manufacturer 0x03, OEM "SD",
// product "SU04G", revision 8.0, serial 0x1234ABCD, made 2012-05, CRC.
constexpr const char* kCid = "035344535530344780" "1234abcd" "00c5" "e1";

std::string Root() { return PLATFORM_pcHostRoot(); }


bool TakeSignal() { return L_SEMA_WaitTicks(SEMA_TIMER_MMC, 0) == lsSUCCESS; }

// Lines of the captured trace that contain text.
std::vector<std::string> Lines(const std::string& trace, const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& line : TEST_vecLines(trace)) {
    if (line.find(text) != std::string::npos) out.push_back(line);
  }
  return out;
}

class SdCard : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* dir : {"/mnt/mmc0", "/mnt/mmc1", "/dev", "/sys/class/mmc_host/mmc1", "/sys/class/mmc_host/mmc2"}) {
      fs::create_directories(Root() + dir);
    }
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    DD_SD_vInit();  // starts the watcher
  }
  static void TearDownTestSuite() { PLATFORM_vTestClockDisable(); }

  void SetUp() override {
    m_pump = std::make_unique<ClockPump>();
    while (TakeSignal()) {
    }
    m_card = s_install.base + "/card-" + std::to_string(m_next++);
    fs::create_directories(m_card + "/CHARTS");
    std::ofstream(m_card + "/CHARTS/Data.BIN") << "chart bytes";
    std::ofstream(m_card + "/POSDemo.txt") << "demo";
  }
  void TearDown() override {
    for (int slot = 0; slot < DD_SD_SLOTS; ++slot) {
      PLATFORM_vMountFailNext(DD_SD_pcMountPoint(slot), TRUE, 0, 0);
      PLATFORM_vMountFailNext(DD_SD_pcMountPoint(slot), FALSE, 0, 0);
      (void)PLATFORM_nUmount(DD_SD_pcMountPoint(slot));
      if (PLATFORM_bRemoveCard(slot)) { EXPECT_TRUE(WaitFor(TakeSignal)); }
    }
    chmod(m_card.c_str(), 0755);
    m_pump.reset();
  }

  // Inserts the card and waits for the watcher's one signal.
  void Insert(int slot, bool partitioned, const char* cid = kCid, const char* type = "SD") {
    PLATFORM_SD_CARD card = {m_card.c_str(), cid, type, (BOOLEAN)(partitioned ? TRUE : FALSE)};
    ASSERT_TRUE(PLATFORM_bInsertCard(slot, &card));
    ASSERT_TRUE(WaitFor(TakeSignal)) << "no signal for the inserted card";
  }
  void Remove(int slot) {
    ASSERT_TRUE(PLATFORM_bRemoveCard(slot));
    ASSERT_TRUE(WaitFor(TakeSignal)) << "no signal for the removed card";
  }
  // Lets more than the watcher's settling pause pass and checks that no
  // further signal came.
  static void ExpectNoFurtherSignal() {
    const U32 start = lm_gettime(nullptr);
    WaitFor([&] { return lm_gettime(nullptr) - start > 3 * DD_SD_SETTLE_MS; });
    EXPECT_FALSE(TakeSignal());
  }
  static std::string Read(const char* unit_path) {
    std::ifstream in(PLATFORM_sResolvePath(unit_path));
    std::string text;
    std::getline(in, text);
    return text;
  }

  std::string m_card;
  std::unique_ptr<ClockPump> m_pump;
  static inline int m_next = 0;
};

// ------------------------------------------------------------ insert, mount, remove

TEST_F(SdCard, InsertedCardIsFoundMountedAndIdentifiedThenRemovedWithOneSignalEach) {
  testing::internal::CaptureStdout();
  Insert(0, true);
  ExpectNoFurtherSignal();  // the disk and its partition node give one signal

  EXPECT_TRUE(DD_SD_bIsCardPresent(0));
  EXPECT_FALSE(DD_SD_bIsCardPresent(1));
  const SD_STATUS found = DD_SD_sStatus(0);
  EXPECT_STREQ(found.cFullName, "mmc1:0001");
  EXPECT_STREQ(found.dir_name, "/sys/class/mmc_host/mmc1/mmc1:0001");
  EXPECT_EQ(found.nLogicalID, 1);

  ASSERT_TRUE(DD_SD_bInitCard(0));
  EXPECT_EQ(DD_SD_eReadCardType(0), SD_CARD_PRESENT);
  EXPECT_TRUE(DD_SD_bIsHardwareWriteEnabled(0));
  BOOLEAN ro = TRUE;
  EXPECT_EQ(PLATFORM_sMountedFolder("/mnt/mmc0", &ro), fs::canonical(m_card).string());
  EXPECT_FALSE(ro);

  // The card's files through the mount point, names in any case.
  EXPECT_EQ(Read("/mnt/mmc0/CHARTS/Data.BIN"), "chart bytes");
  EXPECT_EQ(Read("/mnt/mmc0/charts/data.bin"), "chart bytes");
  EXPECT_EQ(Read("/mnt/mmc0/posdemo.TXT"), "demo");

  Remove(0);
  ExpectNoFurtherSignal();  // partition and disk nodes both went: one signal
  EXPECT_FALSE(DD_SD_bIsCardPresent(0));
  DD_SD_vUmount(0);
  EXPECT_EQ(DD_SD_eReadCardType(0), NO_CARD_PRESENT);
  EXPECT_FALSE(DD_SD_bIsHardwareWriteEnabled(0));
  EXPECT_EQ(PLATFORM_sMountedFolder("/mnt/mmc0", nullptr), "");

  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Lines(trace, "DD_SD inserting MMC 1").size(), 1u) << trace;
  EXPECT_EQ(Lines(trace, "DD_SD removing MMC 1").size(), 1u) << trace;
  EXPECT_EQ(Lines(trace, "FOUND /mnt/mmc0, retry = 3").size(), 1u) << trace;
  EXPECT_EQ(Lines(trace, "type = SD").size(), 1u) << trace;
  EXPECT_EQ(Lines(trace, "Unmounting /mnt/mmc0, retry = 5, result = 0, error = 0").size(), 1u) << trace;
  for (const std::string& line : TEST_vecLines(trace)) {
    if (line.find("DD_SD") != std::string::npos) { EXPECT_TRUE(TEST_bIsTraceLine(line)) << line; }
  }
}

TEST_F(SdCard, SecondSlotIsHostMmc2AtItsOwnMountPoint) {
  Insert(1, true);
  EXPECT_FALSE(DD_SD_bIsCardPresent(0));
  ASSERT_TRUE(DD_SD_bInitCard(1));
  EXPECT_EQ(DD_SD_sStatus(1).nLogicalID, 2);
  EXPECT_STREQ(DD_SD_sStatus(1).cFullName, "mmc2:0001");
  EXPECT_EQ(Read("/mnt/mmc1/charts/data.bin"), "chart bytes");
  EXPECT_EQ(PLATFORM_sMountedFolder("/mnt/mmc0", nullptr), "");
  DD_SD_vUmount(1);
  Remove(1);
}

// How a card mounts, by what it is and how the mounter fails.
struct MOUNT_CASE {
  const char* name;
  bool partitioned;
  bool writeProtected;
  int failures;  // failed mounts (EIO) before the mounter behaves
  bool mounts;
  const char* found;          // the line of the successful attempt
  int failedLines;            // "mount failed" lines
  U32 minimumMs;              // pauses of a second between attempts
  bool readOnly;
};

const MOUNT_CASE kMountCases[] = {
    {"partitioned", true, false, 0, true, "FOUND /mnt/mmc0, retry = 3", 0, 0, false},
    {"write-protected: read-only at the first attempt", true, true, 0, true, "FOUND RO /mnt/mmc0, retry = 3", 0, 0,
     true},
    {"one failure, then the partition", true, false, 1, true, "FOUND /mnt/mmc0, retry = 2", 0, 1000, false},
    {"three failed mounts, then the raw device", true, false, 3, true, "FOUND RAW /mnt/mmc0, retry = 3", 0, 3000,
     false},
    {"no partition table: raw after three attempts", false, false, 0, true, "FOUND RAW /mnt/mmc0, retry = 3", 0, 3000,
     false},
    {"no partition table, write-protected", false, true, 0, true, "FOUND RAW RO /mnt/mmc0, retry = 3", 0, 3000, true},
    {"raw device at its last attempt", true, false, 5, true, "FOUND RAW /mnt/mmc0, retry = 1", 2, 5000, false},
    {"six failures: not mounted", true, false, 6, false, nullptr, 3, 6000, true},
};

class SdMount : public SdCard, public ::testing::WithParamInterface<MOUNT_CASE> {};

TEST_P(SdMount, MountSequence) {
  const MOUNT_CASE& c = GetParam();
  if (c.writeProtected) chmod(m_card.c_str(), 0555);
  Insert(0, c.partitioned);
  PLATFORM_vMountFailNext("/mnt/mmc0", FALSE, EIO, c.failures);

  testing::internal::CaptureStdout();
  const U32 start = lm_gettime(nullptr);
  const BOOLEAN mounted = DD_SD_bInitCard(0);
  const U32 elapsed = lm_gettime(nullptr) - start;
  const std::string trace = testing::internal::GetCapturedStdout();

  EXPECT_EQ(mounted != FALSE, c.mounts) << trace;
  EXPECT_GE(elapsed, c.minimumMs);
  EXPECT_EQ(Lines(trace, "FOUND").size(), c.mounts ? 1u : 0u) << trace;
  if (c.found) { EXPECT_EQ(Lines(trace, c.found).size(), 1u) << trace; }
  EXPECT_EQ(Lines(trace, "mount failed 5, Input/output error").size(), (size_t)c.failedLines) << trace;
  EXPECT_EQ(DD_SD_bIsHardwareWriteEnabled(0) != FALSE, c.mounts && !c.readOnly);
  EXPECT_EQ(DD_SD_eReadCardType(0), c.mounts ? SD_CARD_PRESENT : NO_CARD_PRESENT);
  BOOLEAN ro = FALSE;
  EXPECT_EQ(PLATFORM_sMountedFolder("/mnt/mmc0", &ro).empty(), !c.mounts);
  if (c.mounts) {
    EXPECT_EQ(ro != FALSE, c.readOnly);
    EXPECT_EQ(Read("/mnt/mmc0/Charts/DATA.BIN"), "chart bytes");
  }
  DD_SD_vUmount(0);
}

INSTANTIATE_TEST_SUITE_P(Cards, SdMount, ::testing::ValuesIn(kMountCases),
                         [](const ::testing::TestParamInfo<MOUNT_CASE>& info) {
                           std::string n;
                           for (const char* p = info.param.name; *p; ++p) n += isalnum((unsigned char)*p) ? *p : '_';
                           return n;
                         });

// ------------------------------------------------------------ unmounting

struct UMOUNT_CASE {
  const char* name;
  bool mounted;
  int busy;  // unmounts that fail busy
  std::vector<std::string> lines;
  bool stillMapped;
};

TEST_F(SdCard, UnmountRetriesWhileBusyAndAlwaysMarksTheSlotEmpty) {
  const UMOUNT_CASE cases[] = {
      {"empty slot: one attempt", false, 0,
       {"Unmounting /mnt/mmc0, retry = 5, result = -1, error = 22, Invalid argument"}, false},
      {"busy twice", true, 2,
       {"Unmounting /mnt/mmc0, retry = 5, result = -1, error = 16, Device or resource busy",
        "Unmounting /mnt/mmc0, retry = 4, result = -1, error = 16, Device or resource busy",
        "Unmounting /mnt/mmc0, retry = 3, result = 0, error = 0, Success"},
       false},
      {"busy throughout: five attempts", true, 10,
       {"retry = 5, result = -1, error = 16", "retry = 4, result = -1, error = 16",
        "retry = 3, result = -1, error = 16", "retry = 2, result = -1, error = 16",
        "retry = 1, result = -1, error = 16"},
       true},
  };
  Insert(0, true);
  for (const UMOUNT_CASE& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.mounted) { ASSERT_TRUE(DD_SD_bInitCard(0)); }
    PLATFORM_vMountFailNext("/mnt/mmc0", TRUE, EBUSY, c.busy);
    testing::internal::CaptureStdout();
    const U32 start = lm_gettime(nullptr);
    DD_SD_vUmount(0);
    const U32 elapsed = lm_gettime(nullptr) - start;
    const std::string trace = testing::internal::GetCapturedStdout();
    const auto lines = Lines(trace, "Unmounting");
    ASSERT_EQ(lines.size(), c.lines.size()) << trace;
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_NE(lines[i].find(c.lines[i]), std::string::npos) << lines[i];
    EXPECT_GE(elapsed, 1000u * (U32)(c.lines.size() - 1));  // a second between attempts
    EXPECT_EQ(DD_SD_eReadCardType(0), NO_CARD_PRESENT);
    EXPECT_FALSE(DD_SD_bIsHardwareWriteEnabled(0));
    EXPECT_EQ(!PLATFORM_sMountedFolder("/mnt/mmc0", nullptr).empty(), c.stillMapped);
    PLATFORM_vMountFailNext("/mnt/mmc0", TRUE, 0, 0);
    (void)PLATFORM_nUmount("/mnt/mmc0");
  }
}

// ------------------------------------------------------------ identification

TEST_F(SdCard, CidIsDecodedFromTheKernelsHexText) {
  Insert(0, true);
  ASSERT_TRUE(DD_SD_bInitCard(0));
  U8 cid[DD_SD_CID_BYTES];
  DD_SD_vGetCID(0, cid);
  EXPECT_EQ(cid[0], 0x03);                                   // manufacturer
  EXPECT_EQ(std::string((const char*)cid + 1, 2), "SD");     // OEM
  EXPECT_EQ(std::string((const char*)cid + 3, 5), "SU04G");  // product name
  EXPECT_EQ(cid[8], 0x80);                                   // revision 8.0
  EXPECT_EQ(((U32)cid[9] << 24) | ((U32)cid[10] << 16) | ((U32)cid[11] << 8) | cid[12], 0x1234ABCDu);
  EXPECT_EQ(((cid[13] & 0x0F) << 8 | cid[14]) >> 4, 12);  // year 2000 + 12
  EXPECT_EQ(cid[14] & 0x0F, 5);                           // May
  EXPECT_EQ(cid[15], 0xE1);
  DD_SD_vUmount(0);
}

TEST_F(SdCard, CidAndTypeFiles) {
  struct CASE {
    const char* name;
    const char* cid;
    const char* type;
    bool cidRead;
    CARD_PRESENT typeAlone;  // what the type file alone gives
  } cases[] = {
      {"upper-case hex, SD", "035344535530344780ABCDEF0100C5E1", "SD", true, SD_CARD_PRESENT},
      {"MMC card", "035344535530344780ABCDEF0100C5E1", "MMC", true, MMC_CARD_PRESENT},
      {"short CID: refused and cleared", "0353445355", "SD", false, SD_CARD_PRESENT},
      {"empty type", "035344535530344780ABCDEF0100C5E1", "", true, MMC_CARD_PRESENT},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    Insert(0, true, c.cid, c.type);
    ASSERT_TRUE(DD_SD_bInitCard(0));
    EXPECT_EQ(DD_SD_eReadCardType(0), SD_CARD_PRESENT);  // initialisation marks it SD in any case
    U8 cid[DD_SD_CID_BYTES];
    DD_SD_vGetCID(0, cid);
    if (c.cidRead) {
      EXPECT_EQ(cid[9], 0xAB);
      EXPECT_EQ(cid[15], 0xE1);
    } else {
      EXPECT_FALSE(DD_SD_bFetchCID(0));
      DD_SD_vGetCID(0, cid);
      for (U8 b : cid) EXPECT_EQ(b, 0);  // never the previous card's
    }
    DD_SD_vFetchType(0);
    EXPECT_EQ(DD_SD_eReadCardType(0), c.typeAlone);
    DD_SD_vUmount(0);
    Remove(0);
  }
  // Without the type file the slot reads as empty.
  Insert(0, true);
  ASSERT_TRUE(DD_SD_bInitCard(0));
  fs::remove(Root() + "/sys/class/mmc_host/mmc1/mmc1:0001/type");
  DD_SD_vFetchType(0);
  EXPECT_EQ(DD_SD_eReadCardType(0), NO_CARD_PRESENT);
  DD_SD_vUmount(0);
}

TEST_F(SdCard, HostEntriesWhoseNamesDoNotFitAreIgnored) {
  fs::create_directories(Root() + "/sys/class/mmc_host/mmc1/mmc1:0123456789abcdef/block/mmcblk1");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(DD_SD_bIsCardPresent(0));
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Lines(trace, "name too long").size(), 1u) << trace;
  fs::remove_all(Root() + "/sys/class/mmc_host/mmc1/mmc1:0123456789abcdef");
}

TEST_F(SdCard, CardFilesThroughTheDirectoryShims) {
  Insert(0, true);
  ASSERT_TRUE(DD_SD_bInitCard(0));
  FS_DIR* dir = FS_OpenDir("/mnt/mmc0/charts");
  ASSERT_NE(dir, nullptr);
  TESSIX_DIRENT* e = FS_ReadDir(dir);
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ((const char*)e->full_name, "/mnt/mmc0/charts/Data.BIN");
  EXPECT_EQ(FS_DirEnt2Size(e), 11u);
  EXPECT_EQ(FS_ReadDir(dir), nullptr);
  FS_CloseDir(dir);
  EXPECT_EQ(FS_GetFileAttributes("/mnt/mmc0/CHARTS"), FS_ATTR_DIRECTORY);
  EXPECT_EQ(FS_GetFileAttributes("/mnt/mmc0/Charts/data.bin"), 0);
  // A new file keeps its name, in the folder as stored.
  std::ofstream(PLATFORM_sResolvePath("/mnt/mmc0/charts/NEW.TXT")) << "x";
  EXPECT_TRUE(fs::exists(m_card + "/CHARTS/NEW.TXT"));
  // ".." never leads out of the card.
  EXPECT_EQ(PLATFORM_sResolvePath("/mnt/mmc0/../../posdemo.txt"), fs::canonical(m_card).string() + "/POSDemo.txt");
  DD_SD_vUmount(0);
  EXPECT_EQ(FS_GetFileAttributes("/mnt/mmc0/CHARTS"), FS_ATTR_UNKNOWN);
}

TEST_F(SdCard, TheCardToolMakesTheSameCardAsTheHostLayer) {
  const std::string tool = std::string(TESSIX_SOURCE_DIR) + "/tools/sdcard.sh";
  const std::string insert = "TESSIX_HOST_ROOT='" + Root() + "' " + tool + " insert 1 '" + m_card +
                             "' --raw --cid 035344535530344780CAFEF00D00C5E1 --type SD";
  ASSERT_EQ(system(insert.c_str()), 0);
  ASSERT_TRUE(WaitFor(TakeSignal));
  testing::internal::CaptureStdout();
  ASSERT_TRUE(DD_SD_bInitCard(1));
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Lines(trace, "FOUND RAW /mnt/mmc1, retry = 3").size(), 1u) << trace;
  U8 cid[DD_SD_CID_BYTES];
  DD_SD_vGetCID(1, cid);
  EXPECT_EQ(cid[9], 0xCA);
  EXPECT_EQ(Read("/mnt/mmc1/chartS/data.bin"), "chart bytes");
  DD_SD_vUmount(1);
  ASSERT_EQ(system(("TESSIX_HOST_ROOT='" + Root() + "' " + tool + " remove 1").c_str()), 0);
  ASSERT_TRUE(WaitFor(TakeSignal));
  EXPECT_FALSE(DD_SD_bIsCardPresent(1));
}

}  // namespace
