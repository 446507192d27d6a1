// Threading test: also runs under ThreadSanitizer.
// The card task with cards coming and going: folders stand for cards, the
// test inserts and removes them through the fake mounter and the real "sd"
// thread, and watches the task through CSD0/CSD1, the card flags, the mount
// table, the chart-card refusal and the navigation-import call. The test
// clock is pumped so that the driver's pauses pass quickly.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "common/mmc_types.h"
#include "source/startup/t_mmc.h"
#include "source/startup/u_mmc_bufio.h"
#include "source/startup/t_mmc_thumbs.h"
#include "source/startup/t_mmc_profile.h"
#include "source/core/version.h"
#include <functional>
#include <mutex>
#include <zlib.h>
#include "source/startup/startup_install.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/wait_for.h"
#include "tests/support/clock_pump.h"

namespace fs = std::filesystem;

static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr const char* kCid = "035344535530344780" "1234abcd" "00c5" "e1";
constexpr SEMA SEMA_ACK = SEMA_USER_TEST;

std::atomic<int> s_nImports{0};
std::atomic<int> s_nImportSlot{-1};
void vRecordImport(S32 slot) {
  s_nImportSlot.store(slot);
  s_nImports.fetch_add(1);
}

std::string Root() { return PLATFORM_pcHostRoot(); }

std::string MakeCard(const std::string& name) {
  const std::string dir = s_install.base + "/" + name;
  fs::create_directories(dir);
  return dir;
}

bool Present(int slot) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(slot == 0 ? FCID("CSD0") : FCID("CSD1"), &b) && b;
}

// Waits until the card task has handled everything sent before.
void Sync() {
  auto* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  m->Cmd = CMD_ID_WRITE_TO_NVR;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(M_MMC, m, 3, SEMA_ACK));
  H_MEMORY_vFree(m);
}

void Insert(int slot, const std::string& folder) {
  PLATFORM_SD_CARD card = {folder.c_str(), kCid, "SD", TRUE};
  ASSERT_TRUE(PLATFORM_bInsertCard(slot, &card));
  ASSERT_TRUE(WaitFor([&] { return Present(slot); })) << "slot " << slot << " not taken";
  Sync();
}

void Remove(int slot) {
  ASSERT_TRUE(PLATFORM_bRemoveCard(slot));
  ASSERT_TRUE(WaitFor([&] { return !Present(slot) && PLATFORM_sMountedFolder(DD_SD_pcMountPoint(slot), nullptr).empty(); }))
      << "slot " << slot << " not released";
  Sync();
}

std::string MakeDirectory(std::vector<const char*> dirs, const U32* sizes = nullptr) {
  dirs.push_back(nullptr);
  char* path = T_MMC_pcDeviceMakeDirectory(dirs.data(), sizes);
  if (path == nullptr) return "";
  std::string out = path;
  H_MEMORY_vFree(path);
  return out;
}

// A size list of more bytes than the host's disk has free.
std::vector<U32> MoreThanFree() {
  struct statvfs st;
  std::vector<U32> sizes;
  if (statvfs(s_install.base.c_str(), &st) != 0) return {0xFFFFFFFFu, 0};
  const unsigned long long free = (unsigned long long)st.f_bfree * st.f_bsize;
  for (unsigned long long n = 0; n <= free; n += 0xFFFFFFFFull) sizes.push_back(0xFFFFFFFFu);
  sizes.push_back(0);
  return sizes;
}

class MmcCard : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    if (s_pump != nullptr) return;  // once for every fixture of the file
    for (const char* dir : {"/mnt/mmc0", "/mnt/mmc1", "/dev", "/sys/class/mmc_host/mmc1", "/sys/class/mmc_host/mmc2"}) {
      fs::create_directories(Root() + dir);
    }
    T_NAV_DATA_vImportFromMMC_Install(&vRecordImport);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("INIP"), 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    s_pump = new ClockPump();
    START_vBindMailboxes();
    DD_SD_vInit();
    // A card with navigation files in slot 1 at power-on.
    const std::string card = MakeCard("poweron");
    fs::create_directories(card + "/TESSIX");
    std::ofstream(card + "/TESSIX/ROUTES.ZT") << "nav";
    PLATFORM_SD_CARD c = {card.c_str(), kCid, "SD", TRUE};
    ASSERT_TRUE(PLATFORM_bInsertCard(1, &c));
    L_TASK_Start(TASK_MMCTASK);
  }
  void TearDown() override {
    for (int slot = 0; slot < MMC_SLOTS; ++slot) {
      if (Present(slot)) Remove(slot);
    }
  }
  static inline ClockPump* s_pump = nullptr;
};

// Stops the clock pump after the last test.
class PumpStop : public ::testing::Environment {
 public:
  void TearDown() override {
    delete MmcCard::s_pump;
    MmcCard::s_pump = nullptr;
  }
};
::testing::Environment* const s_pumpStop = ::testing::AddGlobalTestEnvironment(new PumpStop);

// ------------------------------------------------------------ power-on

TEST_F(MmcCard, CardPresentAtPowerOnIsTakenWithoutNavigationImportButLaterInsertionImports) {
  ASSERT_TRUE(WaitFor([] { return Present(1); }));
  Sync();
  EXPECT_EQ(s_nImports.load(), 0);
  EXPECT_TRUE(T_MMC_bIsCardWriteable(1));
  const std::string folder = fs::canonical(s_install.base + "/poweron").string();
  Remove(1);
  Insert(1, folder);
  EXPECT_EQ(s_nImports.load(), 1);
  EXPECT_EQ(s_nImportSlot.load(), 1);
  // While navigating nothing is imported.
  Remove(1);
  (void)H_DATABASE_bUpdateValueU32(FCID("INIP"), 1, P_NORMAL);
  Insert(1, folder);
  EXPECT_EQ(s_nImports.load(), 1);
  (void)H_DATABASE_bUpdateValueU32(FCID("INIP"), 0, P_NORMAL);
}

// ------------------------------------------------------------ card kinds

struct CARD_CASE {
  const char* name;
  int slot;
  bool writeProtected;  // the switch
  bool chartCard;       // a "ZAVIDODA" folder in the root
  U8 flags;             // the slot's flags once the card is taken
};

class CardKinds : public MmcCard, public ::testing::WithParamInterface<CARD_CASE> {};

TEST_P(CardKinds, InsertClassifiesPublishesAndRemoveResets) {
  const CARD_CASE& k = GetParam();
  const std::string card = MakeCard(std::string("kind-") + k.name);
  if (k.chartCard) fs::create_directories(card + "/ZAVIDODA");
  if (k.writeProtected) chmod(card.c_str(), 0555);
  Insert(k.slot, card);
  EXPECT_TRUE(Present(k.slot));
  EXPECT_FALSE(Present(1 - k.slot));
  EXPECT_EQ(T_MMC_u8CardFlags(k.slot), k.flags);
  EXPECT_EQ(T_MMC_bIsCardWriteable(k.slot), (k.flags & CARD_WRITE_ENABLED) ? TRUE : FALSE);
  EXPECT_EQ(T_MMC_eReadMMCCardType(k.slot), SD_CARD_PRESENT);

  // A write goes to the card only when it is writable; the folder is made.
  const std::string got = MakeDirectory({"SNAPSHOT", "IMAGES"});
  if (k.flags & CARD_WRITE_ENABLED) {
    EXPECT_EQ(got, std::string(DD_SD_pcMountPoint(k.slot)) + "/SNAPSHOT");
    EXPECT_TRUE(fs::is_directory(card + "/SNAPSHOT"));
  } else {
    EXPECT_EQ(got, "");
    EXPECT_FALSE(fs::exists(card + "/SNAPSHOT"));
  }

  Remove(k.slot);
  EXPECT_EQ(T_MMC_u8CardFlags(k.slot) & (CARD_PRESENT_BIT | CARD_WRITE_ENABLED | CARD_QUESTION_ASKED), 0);
  EXPECT_EQ(T_MMC_u8CardFlags(k.slot) & (CARD_HARDWARE_WP | CARD_ZAVIDODAS_WP), CARD_HARDWARE_WP | CARD_ZAVIDODAS_WP);
  EXPECT_FALSE(T_MMC_bIsCardWriteable(k.slot));
  chmod(card.c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CardKinds,
    ::testing::Values(CARD_CASE{"writable0", 0, false, false, CARD_PRESENT_BIT | CARD_WRITE_ENABLED},
                      CARD_CASE{"writable1", 1, false, false, CARD_PRESENT_BIT | CARD_WRITE_ENABLED},
                      CARD_CASE{"switch", 0, true, false, CARD_PRESENT_BIT | CARD_HARDWARE_WP | CARD_ZAVIDODAS_WP},
                      // The switch wins: the chart folder is not looked at.
                      CARD_CASE{"switchchart", 1, true, true, CARD_PRESENT_BIT | CARD_HARDWARE_WP | CARD_ZAVIDODAS_WP},
                      CARD_CASE{"chart", 0, false, true, CARD_PRESENT_BIT | CARD_ZAVIDODAS_WP | CARD_ZAVIDODAS}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ chart-vendor card

TEST_F(MmcCard, ChartCardIsRefusedOncePerInsertionWithTheMessage) {
  const std::string card = MakeCard("chart-refusal");
  fs::create_directories(card + "/ZAVIDODA");
  for (int insertion = 0; insertion < 2; ++insertion) {
    Insert(0, card);
    (void)L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0);  // clear
    EXPECT_EQ(MakeDirectory({"SNAPSHOT", "IMAGES"}), "");
    EXPECT_EQ(T_MMC_eSaveStatus(), ZAVIDODAS_WRITE_DISABLE);
    EXPECT_EQ(L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0), lsSUCCESS) << "bad click";
    EXPECT_TRUE(T_MMC_u8CardFlags(0) & CARD_QUESTION_ASKED);
    char text[128];
    T_MMC_vMessageText(text, sizeof text);
    EXPECT_STREQ(text, "Writing to Zavidodas cards is not allowed");
    if (insertion == 0) {
      Canvas c(800, 600);
      gCOLOR_pcolColorTable[32] = 0x0000;
      gCOLOR_pcolColorTable[35] = 0xFFFF;
      T_MMC_vDrawMessage(c.bmp(), nullptr);
      ExpectMatchesGolden(c.pixels.data(), 800, 600, c.pitch, "mmc/chart_card_refusal");
    }
    // Refused silently until the card is taken out.
    EXPECT_EQ(MakeDirectory({"SNAPSHOT", "IMAGES"}), "");
    EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
    EXPECT_NE(L_SEMA_WaitTicks(SEMA_KEYCLICK_BAD, 0), lsSUCCESS);
    EXPECT_FALSE(fs::exists(card + "/SNAPSHOT"));
    Remove(0);
  }
}

// ------------------------------------------------------------ two writable cards

struct TWO_CARDS {
  const char* name;
  const char* folder0;  // a folder already on the card in slot 0 ("" none)
  const char* folder1;
  int chosen;           // the slot written
  const char* made;     // the folder given back
};

class TwoCards : public MmcCard, public ::testing::WithParamInterface<TWO_CARDS> {};

TEST_P(TwoCards, SlotAndFolderPreference) {
  const TWO_CARDS& k = GetParam();
  const std::string a = MakeCard(std::string("two0-") + k.name), b = MakeCard(std::string("two1-") + k.name);
  if (*k.folder0) fs::create_directories(a + "/" + k.folder0);
  if (*k.folder1) fs::create_directories(b + "/" + k.folder1);
  Insert(0, a);
  Insert(1, b);
  EXPECT_EQ(MakeDirectory({"SNAPSHOT", "IMAGES"}), std::string(DD_SD_pcMountPoint(k.chosen)) + "/" + k.made);
  EXPECT_TRUE(fs::is_directory((k.chosen == 0 ? a : b) + "/" + k.made));
  // A size list that no card can hold gives nothing.
  EXPECT_EQ(MakeDirectory({"SNAPSHOT", "IMAGES"}, MoreThanFree().data()), "");
  Remove(1);
  Remove(0);
}

INSTANTIATE_TEST_SUITE_P(Table, TwoCards,
                         ::testing::Values(TWO_CARDS{"none", "", "", 0, "SNAPSHOT"},
                                           TWO_CARDS{"images0", "IMAGES", "", 0, "IMAGES"},
                                           TWO_CARDS{"snapshot1", "", "SNAPSHOT", 1, "SNAPSHOT"},
                                           TWO_CARDS{"both", "IMAGES", "SNAPSHOT", 0, "IMAGES"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ files bound to a card

TEST_F(MmcCard, OpenFileFailsWithEioOnceItsCardIsRemoved) {
  const std::string card = MakeCard("eio");
  Insert(0, card);
  FILE* f = PLATFORM_pFileOpen("/mnt/mmc0/keep.bin", "wb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fwrite("abcd", 1, 4, f), 4u);
  ASSERT_TRUE(PLATFORM_bRemoveCard(0));
  errno = 0;
  EXPECT_EQ(fwrite("efgh", 1, 4, f), 0u);
  EXPECT_EQ(errno, EIO);
  fclose(f);
  ASSERT_TRUE(WaitFor([] { return !Present(0); }));
  Sync();
  std::ifstream in(card + "/keep.bin");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "abcd");
}

TEST_F(MmcCard, VolumeInfoAndSpaceCheck) {
  const std::string card = MakeCard("volume");
  Insert(0, card);
  VOL_INFO v;
  ASSERT_TRUE(T_MMC_bGetVolumeInfoFromDeviceIndex(0, &v));
  EXPECT_GT(v.u32BytesPerBlock, 0u);
  EXPECT_GT(v.u32TotalKB, 0u);
  EXPECT_FALSE(T_MMC_bGetVolumeInfoFromDeviceIndex(-1, &v));
  EXPECT_EQ(v.u32TotalKB, 0u);
  const U32 none[] = {0};
  EXPECT_TRUE(T_MMC_bDeviceSpaceCheck(0, none));
  EXPECT_FALSE(T_MMC_bDeviceSpaceCheck(0, MoreThanFree().data()));
  // Exactly the free blocks less the one kept spare fit; one byte more does not.
  ASSERT_TRUE(T_MMC_bGetRawVolumeInfoFromDeviceIndex(0, &v));
  struct statvfs st;
  ASSERT_EQ(statvfs(card.c_str(), &st), 0);
  if (st.f_bfree > 2 && (st.f_bfree - 1) * st.f_bsize < 0xFFFFFFFFull) {
    const U32 fits[] = {(U32)((st.f_bfree - 1) * st.f_bsize), 0};
    EXPECT_TRUE(T_MMC_bDeviceSpaceCheck(0, fits));
    const U32 over[] = {(U32)((st.f_bfree - 1) * st.f_bsize + 1), 0};
    EXPECT_FALSE(T_MMC_bDeviceSpaceCheck(0, over));
  }
  EXPECT_FALSE(T_MMC_bIsCardWriteable(-1));
}

}  // namespace

// ------------------------------------------------------------ snapshots
namespace {

std::atomic<int> s_nMarks{0};
std::string s_markName;
std::atomic<bool> s_bPullCardAtMark{false};
BOOLEAN bRecordMark(const char* pcName, U8 u8Icon, WAYPOINT* pWaypoint) {
  s_markName = pcName;
  EXPECT_EQ(u8Icon, 29);
  pWaypoint->u16Depth = 1234;
  pWaypoint->u32Time = 0x01020304;
  pWaypoint->s32X = -5000000;
  pWaypoint->s32Y = 6000000;
  s_nMarks.fetch_add(1);
  if (s_bPullCardAtMark.exchange(false)) (void)PLATFORM_bRemoveCard(0);
  return TRUE;
}

// An asymmetric screen: the top rows differ from the bottom ones, left
// from right.
COLOR ScreenPixel(int x, int row) { return (COLOR)((x * 37) ^ (row * 101) ^ (row < 300 ? 0xF800 : 0x001F)); }

U32 Be32(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

std::vector<U8> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<U8>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

class Snapshots : public MmcCard {
 public:
  void SetUp() override {
    T_NAV_bHandleNamedMarkWithIcon_Install(&bRecordMark);
    for (int row = 0; row < 600; ++row)
      for (int x = 0; x < 800; ++x) m_screen.pixels[(size_t)row * m_screen.pitch + x] = ScreenPixel(x, row);
  }
  // Sends the screen to the card task and waits until it gives it back.
  void Snap() {
    (void)L_SEMA_WaitTicks(SEMA_VIEW_RELEASE_BITMAP, 0);
    auto* m = static_cast<MSG_GET_SCREEN_DUMP*>(H_MEMORY_pvCalloc(1, sizeof(MSG_GET_SCREEN_DUMP)));
    m->Header.Cmd = CMD_ID_SCREEN_DUMP;
    m->pBitmap = m_screen.bmp();
    ASSERT_EQ(L_MBOX_Send(M_MMC, m, 3, 0), lsSUCCESS);
    ASSERT_EQ(L_SEMA_WaitTicks(SEMA_VIEW_RELEASE_BITMAP, 20000), lsSUCCESS);
    Sync();
  }
  Canvas m_screen{800, 600};
};

TEST_F(Snapshots, PictureThumbnailAndMarkOnTheCard) {
  const std::string card = MakeCard("snap");
  Insert(0, card);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFID"), 41, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  Snap();
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  char text[128];
  T_MMC_vMessageText(text, sizeof text);
  EXPECT_STREQ(text, "Successfully saved S00042.PNG");
  EXPECT_EQ(s_markName, "S00042");
  const std::vector<U8> png = ReadAll(card + "/SNAPSHOT/S00042.PNG");
  ASSERT_GT(png.size(), 8u);

  // Signature, IHDR, IDAT chunks of 16384 bytes but the last, CRCs, IEND.
  const U8 sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_EQ(0, memcmp(png.data(), sig, 8));
  const U8 ihdr[] = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0x03, 0x20, 0, 0, 0x02, 0x58, 8, 2, 0, 0, 0};
  EXPECT_EQ(0, memcmp(png.data() + 8, ihdr, sizeof ihdr));
  size_t at = 8;
  std::vector<U32> idat;
  std::vector<U8> stream;
  std::string last;
  while (at + 12 <= png.size()) {
    const U32 len = Be32(&png[at]);
    last.assign((const char*)&png[at + 4], 4);
    ASSERT_LE(at + 12 + len, png.size());
    EXPECT_EQ(Be32(&png[at + 8 + len]), (U32)crc32(0, &png[at + 4], len + 4)) << last;
    if (last == "IDAT") {
      idat.push_back(len);
      stream.insert(stream.end(), &png[at + 8], &png[at + 8 + len]);
    }
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  EXPECT_EQ(last, "IEND");
  const U8 iend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  EXPECT_EQ(0, memcmp(&png[png.size() - 12], iend, 12));
  ASSERT_GE(idat.size(), 1u);
  for (size_t i = 0; i + 1 < idat.size(); ++i) EXPECT_EQ(idat[i], 16384u);
  // The image data: 600 rows of filter 0 and the pixels of the screen,
  // top row first, reduced from RGB565.
  std::vector<U8> raw(600 * 2401 + 1);
  uLongf rawLen = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawLen, stream.data(), stream.size()), Z_OK);
  ASSERT_EQ(rawLen, 600u * 2401u);
  int bad = 0;
  for (int row = 0; row < 600 && bad < 5; ++row) {
    EXPECT_EQ(raw[(size_t)row * 2401], 0);
    for (int x = 0; x < 800 && bad < 5; ++x) {
      const COLOR p = ScreenPixel(x, row);
      const U8* q = &raw[(size_t)row * 2401 + 1 + 3 * x];
      if (q[0] != ((p >> 8) & 0xF8) || q[1] != ((p >> 3) & 0xFC) || q[2] != ((p << 3) & 0xFF)) {
        ADD_FAILURE() << "pixel " << x << "," << row;
        ++bad;
      }
    }
  }

  // The thumbnail, field by field, big-endian.
  const std::vector<U8> dat = ReadAll(card + "/SNAPSHOT/S00042.DAT");
  ASSERT_EQ(dat.size(), 60032u);
  EXPECT_EQ(dat[0], 0);
  EXPECT_EQ(dat[1], 1);
  EXPECT_EQ(dat[2], 0);
  EXPECT_EQ(dat[4], 0);
  EXPECT_EQ(dat[5], 0);
  EXPECT_EQ(dat[6] << 8 | dat[7], 1234);
  EXPECT_EQ(Be32(&dat[8]), 0x01020304u);
  EXPECT_EQ((S32)Be32(&dat[12]), -5000000);
  EXPECT_EQ((S32)Be32(&dat[16]), 6000000);
  EXPECT_EQ(std::string((const char*)&dat[20], 12), std::string("S00042.PNG\0\0", 12));
  for (int k = 0; k < 150; ++k) {
    for (int i = 0; i < 200; i += 37) {
      const COLOR want = ScreenPixel(4 * i, 599 - 4 * k);  // the bottom row first
      EXPECT_EQ(dat[32 + 2 * (k * 200 + i)] << 8 | dat[33 + 2 * (k * 200 + i)], want) << k << "," << i;
    }
  }

  // The next number skips one taken in any case.
  std::ofstream(card + "/SNAPSHOT/s00043.bmp") << "old";
  Snap();
  EXPECT_TRUE(fs::exists(card + "/SNAPSHOT/S00044.PNG"));
  Remove(0);
}

TEST_F(Snapshots, NoCardMeansNoWritableCardAndAPlainMark) {
  Snap();
  EXPECT_EQ(T_MMC_eSaveStatus(), NO_MMC);
  char text[128];
  T_MMC_vMessageText(text, sizeof text);
  EXPECT_STREQ(text, "No writable MMC/SD card found");
}

TEST_F(Snapshots, CardPulledDuringTheSnapshotFailsAndKeepsEarlierFiles) {
  const std::string card = MakeCard("pulled");
  Insert(0, card);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFID"), 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  Snap();
  ASSERT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  const std::vector<U8> before = ReadAll(card + "/SNAPSHOT/S00001.PNG");
  s_bPullCardAtMark.store(true);
  Snap();
  EXPECT_EQ(T_MMC_eSaveStatus(), FAILURE);
  char text[128];
  T_MMC_vMessageText(text, sizeof text);
  EXPECT_STREQ(text, "Failure Saving S00002.PNG");
  EXPECT_FALSE(fs::exists(card + "/SNAPSHOT/S00002.PNG"));
  EXPECT_FALSE(fs::exists(card + "/SNAPSHOT/S00002.DAT"));
  EXPECT_EQ(ReadAll(card + "/SNAPSHOT/S00001.PNG"), before);
  EXPECT_EQ(fs::file_size(card + "/SNAPSHOT/S00001.DAT"), 60032u);
  ASSERT_TRUE(WaitFor([] { return !Present(0); }));
  Sync();
  // The next card works.
  const std::string next = MakeCard("pulled-next");
  Insert(0, next);
  Snap();
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  EXPECT_TRUE(fs::exists(next + "/SNAPSHOT/S00003.PNG"));
  Remove(0);
}

// A card pulled while two files are being written through the buffered
// writer, one on each card: the pulled card's file reports the failure on
// its next block and at its close, nothing crashes, the file finished on
// the card before stays whole, the other card's file is complete, and the
// card inserted next takes files again.
TEST_F(MmcCard, CardPulledInTheMiddleOfAWriteLosesOnlyThatFile) {
  const std::string pulled = MakeCard("midwrite-pulled"), other = MakeCard("midwrite-other");
  // The card of power-on, when this runs first, makes room.
  if (PLATFORM_bRemoveCard(1)) {
    ASSERT_TRUE(WaitFor([] { return !Present(1) && PLATFORM_sMountedFolder(DD_SD_pcMountPoint(1), nullptr).empty(); }));
    Sync();
  }
  Insert(0, pulled);
  Insert(1, other);
  std::vector<U8> block(U_MMC_BUFFER_SIZE);
  auto fill = [&](int n) {
    for (size_t i = 0; i < block.size(); ++i) block[i] = (U8)(i * 7 + n);
  };
  auto writeBlocks = [&](BUFFERED_IO_CONTROL* c, int first, int count) {
    int written = 0;
    for (int n = first; n < first + count; ++n) {
      fill(n);
      written += U_MMC_nBufferedWrite(block.data(), (int)block.size(), c);
    }
    return written;
  };
  BUFFERED_IO_CONTROL* earlier = U_MMC_psBufferedOpen("/mnt/mmc0/EARLIER.BIN", "wb", nullptr, 0);
  ASSERT_NE(earlier, nullptr);
  EXPECT_EQ(writeBlocks(earlier, 0, 2), 2 * U_MMC_BUFFER_SIZE);
  EXPECT_EQ(U_MMC_nBufferedClose(earlier), 0);
  const std::vector<U8> before = ReadAll(pulled + "/EARLIER.BIN");
  ASSERT_EQ(before.size(), 2u * U_MMC_BUFFER_SIZE);

  BUFFERED_IO_CONTROL* a = U_MMC_psBufferedOpen("/mnt/mmc0/LATE.BIN", "wb", nullptr, 0);
  BUFFERED_IO_CONTROL* b = U_MMC_psBufferedOpen("/mnt/mmc1/OTHER.BIN", "wb", nullptr, 0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(writeBlocks(a, 0, 3), 3 * U_MMC_BUFFER_SIZE);
  EXPECT_EQ(writeBlocks(b, 0, 3), 3 * U_MMC_BUFFER_SIZE);
  ASSERT_TRUE(PLATFORM_bRemoveCard(0));
  EXPECT_LT(writeBlocks(a, 3, 3), 3 * U_MMC_BUFFER_SIZE);
  EXPECT_EQ(writeBlocks(b, 3, 3), 3 * U_MMC_BUFFER_SIZE);
  fill(0);
  EXPECT_EQ(U_MMC_nBufferedWrite(block.data(), 100, a), 0);  // the failed block is never taken as written
  EXPECT_NE(U_MMC_nBufferedClose(a), 0);
  EXPECT_EQ(U_MMC_nBufferedClose(b), 0);
  ASSERT_TRUE(WaitFor([] { return !Present(0); }));
  Sync();

  EXPECT_EQ(ReadAll(pulled + "/EARLIER.BIN"), before);
  EXPECT_LE(fs::file_size(pulled + "/LATE.BIN"), 3u * U_MMC_BUFFER_SIZE);
  const std::vector<U8> got = ReadAll(other + "/OTHER.BIN");
  ASSERT_EQ(got.size(), 6u * U_MMC_BUFFER_SIZE);
  for (int n = 0; n < 6; ++n) {
    fill(n);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), got.begin() + (long)n * U_MMC_BUFFER_SIZE)) << "block " << n;
  }
  EXPECT_TRUE(Present(1));
  EXPECT_TRUE(T_MMC_bIsCardWriteable(1));

  const std::string next = MakeCard("midwrite-next");
  Insert(0, next);
  BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen("/mnt/mmc0/NEXT.BIN", "wb", nullptr, 0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(writeBlocks(c, 0, 1), U_MMC_BUFFER_SIZE);
  EXPECT_EQ(U_MMC_nBufferedClose(c), 0);
  EXPECT_EQ(fs::file_size(next + "/NEXT.BIN"), (uintmax_t)U_MMC_BUFFER_SIZE);
}

// ------------------------------------------------------------ thumbnail list
namespace {

void Put32(std::vector<U8>& v, size_t at, U32 x) {
  v[at] = (U8)(x >> 24);
  v[at + 1] = (U8)(x >> 16);
  v[at + 2] = (U8)(x >> 8);
  v[at + 3] = (U8)x;
}

// A snapshot thumbnail (60032 bytes) or a recording's thumb header (64).
void WriteThumb(const std::string& path, bool recording, bool valid, U32 time) {
  std::vector<U8> v(recording ? 64 : 60032, 0);
  if (recording) {
    v[0] = 193;
    v[3] = valid;
    Put32(v, 20, time);
    Put32(v, 44, 77);  // pings
  } else {
    v[1] = valid;
    Put32(v, 8, time);
    Put32(v, 12, 1000 + time);
    for (size_t i = 32; i < v.size(); i += 2) v[i] = 0xAB;
  }
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary).write((const char*)v.data(), (std::streamsize)v.size());
}

}  // namespace

TEST_F(MmcCard, ThumbnailListOrderBrowseLoadAndDelete) {
  const std::string card = MakeCard("thumbs");
  WriteThumb(card + "/SNAPSHOT/S00001.DAT", false, true, 100);
  std::ofstream(card + "/SNAPSHOT/S00001.PNG") << "png";
  WriteThumb(card + "/SNAPSHOT/S00002.DAT", false, true, 300);
  WriteThumb(card + "/IMAGES/S00003.DAT", false, false, 0);
  std::ofstream(card + "/IMAGES/S00003.BMP") << "bmp";
  WriteThumb(card + "/SNAPSHOT/S00004.DAT", false, false, 0);
  WriteThumb(card + "/RECORD/R00001.DAT", true, true, 200);
  fs::create_directories(card + "/RECORD/R00001");
  std::ofstream(card + "/RECORD/R00001/B0.SON") << "pings";
  WriteThumb(card + "/RECORD/R00002.DAT", true, false, 0);
  WriteThumb(card + "/SNAPSHOT/S0000123456789.DAT", false, true, 500);  // name too long: left out
  Insert(0, card);

  const std::vector<std::string> order = {"/mnt/mmc0/SNAPSHOT/S00002.DAT", "/mnt/mmc0/RECORD/R00001.DAT",
                                          "/mnt/mmc0/SNAPSHOT/S00001.DAT", "/mnt/mmc0/RECORD/R00002.DAT",
                                          "/mnt/mmc0/IMAGES/S00003.DAT",   "/mnt/mmc0/SNAPSHOT/S00004.DAT"};
  ASSERT_EQ(MMC_THUMBS_u32InList(), order.size());
  char name[THUMBNAIL_NAME_SIZE];
  U32 pos = 0;
  ASSERT_EQ(MMC_THUMBS_eFindFirst(name, &pos), THUMBNAIL_IMAGE_TYPE);
  std::vector<std::string> walked = {name};
  EXPECT_EQ(pos, 1u);
  while (MMC_THUMBS_eFindNext(walked.back().c_str(), name, &pos) != THUMBNAIL_NONE) {
    walked.push_back(name);
    EXPECT_EQ(pos, walked.size());
  }
  EXPECT_EQ(walked, order);
  EXPECT_STREQ(name, "None");
  EXPECT_EQ(pos, 0u);
  EXPECT_EQ(MMC_THUMBS_eFindPrevious(order[1].c_str(), name, &pos), THUMBNAIL_IMAGE_TYPE);
  EXPECT_EQ(name, order[0]);
  EXPECT_EQ(MMC_THUMBS_eFindPrevious(order[0].c_str(), name, &pos), THUMBNAIL_NONE);
  EXPECT_EQ(MMC_THUMBS_eFindNext("/mnt/mmc0/SNAPSHOT/S09999.DAT", name, &pos), THUMBNAIL_NONE);
  EXPECT_EQ(MMC_THUMBS_eFindNextImage(order[0].c_str(), name, &pos), THUMBNAIL_IMAGE_TYPE);
  EXPECT_EQ(name, order[2]);
  EXPECT_EQ(pos, 3u);
  EXPECT_EQ(MMC_THUMBS_eFindLast(name, &pos), THUMBNAIL_IMAGE_TYPE);
  EXPECT_EQ(pos, 6u);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFID"), 3, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  EXPECT_EQ(MMC_THUMBS_eFindLatest(name, THUMBNAIL_IMAGE_TYPE, &pos), THUMBNAIL_IMAGE_TYPE);
  EXPECT_EQ(name, order[4]);

  // Loads through the card task's mailbox.
  THUMBNAIL_DATA_FILE data;
  SONAR_RECORD_THUMB_HEADER record;
  THUMBNAIL_HEADER_TYPE dest{};
  dest.snapshot = &data;
  dest.recording = &record;
  auto load = [&](CMD_ID cmd, const std::string& file, const char* slotWaitsFor = nullptr) {
    auto* m = static_cast<MSG_LOAD_THUMBNAIL*>(H_MEMORY_pvCalloc(1, sizeof(MSG_LOAD_THUMBNAIL)));
    m->Header.Cmd = cmd;
    m->pFilename = static_cast<char*>(H_MEMORY_pvMalloc(file.size() + 1));
    memcpy(m->pFilename, file.c_str(), file.size() + 1);
    m->pThumbnailDestination = &dest;
    snprintf(dest.sName, sizeof dest.sName, "%s", slotWaitsFor != nullptr ? slotWaitsFor : file.c_str());
    ASSERT_EQ(L_MBOX_Send(M_MMC, m, 3, 0), lsSUCCESS);
    Sync();
  };
  load(CMD_ID_LOAD_THUMBNAIL, order[0]);
  EXPECT_FALSE(dest.bWrongSizeThumbnail);
  EXPECT_EQ(data.Header.Image_Waypoint.u32Time, 300u);
  EXPECT_EQ(data.Header.Image_Waypoint.s32X, 1300);
  EXPECT_EQ(data.ImageData[0], 0xAB00);
  EXPECT_GT(dest.u32CardSizeKB, 0u);
  // A slot that scrolled on to another item before the load was handled
  // keeps what it has: the late picture is not written into it.
  load(CMD_ID_LOAD_THUMBNAIL, order[2], "/mnt/mmc0/SNAPSHOT/S00042.DAT");
  EXPECT_EQ(data.Header.Image_Waypoint.u32Time, 300u);
  load(CMD_ID_LOAD_RECORDING, order[1]);
  EXPECT_EQ(record.u8Version, 193);
  EXPECT_EQ(record.u32NumberOfPings, 77u);
  EXPECT_EQ(record.RecordingStartWaypoint.u32Time, 200u);
  std::ofstream(card + "/SNAPSHOT/S00005.DAT") << "short";
  load(CMD_ID_LOAD_THUMBNAIL, "/mnt/mmc0/SNAPSHOT/S00005.DAT");
  EXPECT_TRUE(dest.bWrongSizeThumbnail);
  fs::remove(card + "/SNAPSHOT/S00005.DAT");

  auto remove = [&](const char* what) {
    auto* m = static_cast<MSG_DELETE_IMAGE*>(H_MEMORY_pvCalloc(1, sizeof(MSG_DELETE_IMAGE)));
    m->Header.Cmd = CMD_ID_DELETE_IMAGE;
    snprintf(m->FileName, sizeof m->FileName, "%s", what);
    ASSERT_EQ(L_MBOX_Send(M_MMC, m, 3, 0), lsSUCCESS);
    Sync();
  };
  // One snapshot: thumbnail and picture go.
  remove(order[2].c_str());
  EXPECT_EQ(T_MMC_eSaveStatus(), DELETED);
  char text[128];
  T_MMC_vMessageText(text, sizeof text);
  EXPECT_STREQ(text, "Successfully deleted S00001.PNG");
  EXPECT_FALSE(fs::exists(card + "/SNAPSHOT/S00001.DAT"));
  EXPECT_FALSE(fs::exists(card + "/SNAPSHOT/S00001.PNG"));
  EXPECT_EQ(MMC_THUMBS_u32InList(), 5u);
  // All images: the recordings stay, numbered from 1.
  remove("all images");
  T_MMC_vMessageText(text, sizeof text);
  EXPECT_STREQ(text, "Successfully deleted all images");
  EXPECT_FALSE(fs::exists(card + "/IMAGES/S00003.BMP"));
  EXPECT_EQ(MMC_THUMBS_u32InList(), 2u);
  EXPECT_EQ(MMC_THUMBS_eFindFirst(name, &pos), THUMBNAIL_RECORDING_TYPE);
  EXPECT_EQ(name, order[1]);
  EXPECT_EQ(pos, 1u);
  EXPECT_EQ(MMC_THUMBS_eFindFirstImage(name, &pos), THUMBNAIL_NONE);
  // All recordings: thumb headers and folders go.
  remove("all recordings");
  EXPECT_FALSE(fs::exists(card + "/RECORD/R00001"));
  EXPECT_FALSE(fs::exists(card + "/RECORD/R00001.DAT"));
  EXPECT_EQ(MMC_THUMBS_u32InList(), 0u);
  EXPECT_TRUE(fs::exists(card + "/SNAPSHOT/S0000123456789.DAT"));  // never listed, never touched
  Remove(0);
  EXPECT_EQ(MMC_THUMBS_u32InList(), 0u);
}

// ------------------------------------------------------------ profile exchange
namespace {

// The NVRAM task's side of the personalization block, served from a thread.
struct FakeNvram {
  std::mutex mutex;
  char lines[4][21] = {"A", "B", "", ""};
  int writes = 0;
  std::atomic<bool> stop{false};
  std::thread thread;
  void Start() {
    (void)H_DATABASE_bUpdateEverythingU32(FCID("TNVR"), M_NVRAM, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    thread = std::thread([this] {
      while (!stop.load()) {
        void* p = L_MBOX_Receive(M_NVRAM);
        if (p == nullptr) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
          continue;
        }
        auto* g = static_cast<GENERIC_MESSAGE*>(p);
        std::lock_guard<std::mutex> lock(mutex);
        if (g->Cmd == CMD_ID_READ_PERSONALIZED) {
          auto* m = static_cast<MSG_READ_PERSONALIZED*>(p);
          T_MMC_vJoinPersonalization(lines, m->pPersonData);
          m->bSuccess = TRUE;
        } else if (g->Cmd == CMD_ID_WRITE_PERSONALIZED) {
          T_MMC_vSplitPersonalization(static_cast<MSG_WRITE_PERSONALIZED*>(p)->pPersonData, lines);
          ++writes;
        }
        H_MEMORY_vDumpMail(p);
      }
    });
  }
  ~FakeNvram() {
    stop.store(true);
    if (thread.joinable()) thread.join();
  }
};

FakeNvram& Nvram() {
  static FakeNvram n;
  return n;
}

std::string ProfileText(U32 sedu, U32 seiu, U32 senu, const char* p1, const char* p2, const char* p3,
                        const char* p4, int pLines = 4, const char* version = nullptr) {
  const VERSION_INFO* v = VERSION_pversion_infoGetCurrentVersion();
  std::string t = "Profile:Ver.1.000\r\n";
  char line[128];
  snprintf(line, sizeof line, "Ver.%s;Dat.%s;Rev.%s;Spd.%s\r\n", version ? version : v->version, v->date, v->rev,
           v->speed);
  t += line;
  const std::pair<const char*, U32> ids[] = {{"SEDB", 0x2A}, {"SEDU", sedu}, {"SEIB", 0xFFFFFFFF}, {"SEIU", seiu},
                                             {"SENB", 0xFFFFFFFF}, {"SENU", senu}, {"SETB", 0xFFFFFFFF},
                                             {"SMDL", 0xFFFFFFFF}, {"SIMT", 0xFFFFFFFF}, {"WVER", 3},
                                             {"RVER", 3}, {"TVER", 3}};
  for (const auto& [name, value] : ids) {
    snprintf(line, sizeof line, "%s;0x%08x\r\n", name, (unsigned)value);
    t += line;
  }
  const char* p[4] = {p1, p2, p3, p4};
  for (int i = 0; i < pLines; ++i) t += "P" + std::to_string(i + 1) + ";" + p[i] + "\r\n";
  return t;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct PROFILE_CASE {
  const char* name;
  std::function<std::string()> file;  // "" for no file
  bool writeProtected;
  std::vector<std::string> unitLinesAfter;
  int nvramWrites;
  // The file afterwards: "unit" the unit's profile, "same" unchanged, "none".
  const char* fileAfter;
};

}  // namespace

class Profiles : public MmcCard, public ::testing::WithParamInterface<PROFILE_CASE> {};

TEST_P(Profiles, ExchangeOnInsertion) {
  const PROFILE_CASE& k = GetParam();
  static bool started = false;
  if (!started) {
    started = true;
    (void)H_DATABASE_bUpdateEverythingU32(FCID("SEDB"), 0x2A, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("SEDU"), 0x11, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("SEIU"), 0x22, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("SENU"), 0x33, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_SIMULATION, P_NORMAL, D_UNSIGNED32, nullptr,
                                          DB_NO_TIMEOUT);
    Nvram().Start();
  }
  {
    std::lock_guard<std::mutex> lock(Nvram().mutex);
    const char base[4][21] = {"A", "B", "", ""};
    memcpy(Nvram().lines, base, sizeof base);
    Nvram().writes = 0;
  }
  const std::string card = MakeCard(std::string("profile-") + k.name);
  const std::string before = k.file ? k.file() : "";
  if (!before.empty()) std::ofstream(card + "/profile.txt", std::ios::binary) << before;
  if (k.writeProtected) chmod(card.c_str(), 0555);
  Insert(0, card);
  {
    std::lock_guard<std::mutex> lock(Nvram().mutex);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Nvram().lines[i], k.unitLinesAfter[i]) << i;
    EXPECT_EQ(Nvram().writes, k.nvramWrites);
  }
  const std::string after = Slurp(card + "/profile.txt");
  const std::string unit =
      ProfileText(0x11, 0x22, 0x33, k.unitLinesAfter[0].c_str(), k.unitLinesAfter[1].c_str(),
                  k.unitLinesAfter[2].c_str(), k.unitLinesAfter[3].c_str());
  const std::string expectFile = k.fileAfter;
  if (expectFile == "unit") {
    EXPECT_EQ(after, unit);
  } else if (expectFile == "same") {
    EXPECT_EQ(after, before);
  } else {
    EXPECT_FALSE(fs::exists(card + "/profile.txt"));
  }
  EXPECT_FALSE(fs::exists(card + "/profile.tmp"));
  Remove(0);
  chmod(card.c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Profiles,
    ::testing::Values(
        PROFILE_CASE{"none", nullptr, false, {"A", "B", "", ""}, 0, "unit"},
        PROFILE_CASE{"own", [] { return ProfileText(0x11, 0x22, 0x33, "Boat", "B", "", "Call me"); }, false,
                     {"Boat", "B", "", "Call me"}, 1, "same"},
        PROFILE_CASE{"ownOldVersion", [] { return ProfileText(0x11, 0x22, 0x33, "A", "B", "", "", 4, "1.000"); },
                     false, {"A", "B", "", ""}, 0, "unit"},
        PROFILE_CASE{"generic001", [] { return ProfileText(0, 0, 1, "X", "Y", "Z", "W"); }, false,
                     {"X", "Y", "Z", "W"}, 1, "unit"},
        PROFILE_CASE{"generic001Protected", [] { return ProfileText(0, 0, 1, "X", "Y", "Z", "W"); }, true,
                     {"X", "Y", "Z", "W"}, 1, "same"},
        PROFILE_CASE{"generic000", [] { return ProfileText(0, 0, 0, "Q", "", "", ""); }, false,
                     {"Q", "", "", ""}, 1, "same"},
        PROFILE_CASE{"anotherUnit", [] { return ProfileText(9, 9, 9, "Other", "", "", ""); }, false,
                     {"A", "B", "", ""}, 0, "same"},
        PROFILE_CASE{"incomplete", [] { return ProfileText(0x11, 0x22, 0x33, "Boat", "B", "C", "", 3); }, false,
                     {"A", "B", "", ""}, 0, "unit"},
        PROFILE_CASE{"oversized",
                     [] { return ProfileText(0, 0, 1, "X", "Y", "Z", "W") + std::string(600, ' '); }, false,
                     {"A", "B", "", ""}, 0, "unit"},
        PROFILE_CASE{"longLine", [] { return ProfileText(0, 0, 1, "123456789012345678901234", "", "", ""); },
                     false, {"12345678901234567890", "", "", ""}, 1, "unit"},
        PROFILE_CASE{"noneProtected", nullptr, true, {"A", "B", "", ""}, 0, "none"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileText, IdentityLineAndUnknownKeySkipped) {
  MMC_PROFILE_DATA p;
  std::string t = ProfileText(0x11, 0x22, 0x33, "a", "b", "c", "d");
  EXPECT_NE(t.find("SEDB;0x0000002a\r\n"), std::string::npos);
  const size_t at = t.find("SEIB;");
  t.insert(at, "ABCD;0x00000001\r\n");
  ASSERT_TRUE(T_MMC_bParseProfile(t.data(), t.size(), &p));
  EXPECT_EQ(p.u32IdVals[1], 0x11u);
  EXPECT_EQ(p.u32IdVals[11], 3u);
  EXPECT_STREQ(p.PersonalizationData[3], "d");
  EXPECT_FALSE(T_MMC_bParseProfile(t.data(), t.size() - 3, &p));  // cut inside the last line
  // A version no unit writes is not a profile (and never overflows).
  for (const char* version : {"Ver.3178923.000", "Ver.-1.000", "Ver.1.5000"}) {
    std::string bad = ProfileText(0x11, 0x22, 0x33, "a", "b", "c", "d");
    bad.replace(bad.find("Ver.1.000"), 9, version);
    EXPECT_FALSE(T_MMC_bParseProfile(bad.data(), bad.size(), &p)) << version;
  }
}

TEST_F(Snapshots, AutopilotScreenshotIsStoredAsItCame) {
  const std::string card = MakeCard("keelar");
  Insert(0, card);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFID"), 7, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  std::vector<U8> bytes(40000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (U8)(i * 13);
  auto* m = static_cast<MSG_KEELAR_SCREENSHOT*>(H_MEMORY_pvCalloc(1, sizeof(MSG_KEELAR_SCREENSHOT)));
  m->Header.Cmd = CMD_ID_KEELAR_SCREENSHOT;
  m->u32Length = (U32)bytes.size();
  m->pData = static_cast<U8*>(H_MEMORY_pvMalloc(bytes.size()));
  memcpy(m->pData, bytes.data(), bytes.size());
  ASSERT_EQ(L_MBOX_Send(M_MMC, m, 3, 0), lsSUCCESS);
  Sync();
  EXPECT_EQ(T_MMC_eSaveStatus(), SUCCESS);
  EXPECT_EQ(ReadAll(card + "/KEELAR/S00008.PNG"), bytes);
  Remove(0);
}
