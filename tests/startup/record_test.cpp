// Threading test: also runs under ThreadSanitizer.
// Sonar recordings on a card folder and their playback: the files as an
// independent reader in the test decodes them, the reader's results and
// delays by mode, damaged records, a card pulled mid-recording, the limit
// of 4-byte offsets, and recording and playback refusing each other. The
// card task runs for real (cards come and go through the fake mounter).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/mmc_types.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/startup/startup_install.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_mmc.h"
#include "source/startup/t_mmc_record.h"
#include "source/startup/t_mmc_thumbs.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace fs = std::filesystem;

static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr const char* kCid = "035344535530344780" "1234abcd" "00c5" "e1";
constexpr SEMA SEMA_ACK = SEMA_USER_TEST;

std::atomic<int> s_nPrepared{0};
void vPrepared(void) { s_nPrepared.fetch_add(1); }

class ClockPump {
 public:
  ClockPump() {
    m_thread = std::thread([this] {
      while (!m_stop.load()) {
        if (!m_paused.load()) PLATFORM_vTestClockAdvanceMs(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  ~ClockPump() {
    m_stop.store(true);
    m_thread.join();
  }
  // While paused the clock stands: a playback read takes no time.
  void Pause(bool b) { m_paused.store(b); }

 private:
  std::atomic<bool> m_paused{false};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

bool Present(int slot) {
  BOOLEAN b = FALSE;
  return H_DATABASE_bFetchBoolean(slot == 0 ? FCID("CSD0") : FCID("CSD1"), &b) && b;
}
void Sync() {
  auto* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  m->Cmd = CMD_ID_WRITE_TO_NVR;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(M_MMC, m, 3, SEMA_ACK));
  H_MEMORY_vFree(m);
}
void Insert(const std::string& folder) {
  PLATFORM_SD_CARD card = {folder.c_str(), kCid, "SD", TRUE};
  ASSERT_TRUE(PLATFORM_bInsertCard(0, &card));
  ASSERT_TRUE(WaitFor([] { return Present(0); }));
  Sync();
}
void Remove() {
  ASSERT_TRUE(PLATFORM_bRemoveCard(0));
  ASSERT_TRUE(WaitFor([] { return !Present(0) && PLATFORM_sMountedFolder(DD_SD_pcMountPoint(0), nullptr).empty(); }));
  Sync();
}

U32 Be32(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }
std::vector<U8> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<U8>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
U32 Key(const char* key) {
  U32 v = 0;
  (void)H_DATABASE_bFetchU32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), &v);
  return v;
}

// A ping as the processing task hands it over: samples i * 7 + seed.
struct Ping {
  std::vector<U8> samples;
  PING_DESCRIPTOR d{};
  Ping(BEAM beam, U32 ms, U32 n, U8 seed) : samples(PING_MAX_SAMPLES) {
    for (U32 i = 0; i < n; ++i) samples[i] = (U8)(i * 7 + seed);
    d.Beam = beam;
    d.u32TimeStampMilliSeconds = ms;
    d.u32NumberOfSamples = n;
    d.pu8RawSonarData = samples.data();
    d.u8Transducer = 15;
    d.u32TransmitFrequencyHertz = beam == 0 ? 83000 : 200000;
    d.u8TransmitCycles = 12;
    d.u8TransmitPower = 200;
    d.u32SamplePeriodMicroSeconds = 26;
    d.u8NoiseLevel = 3;
    d.u8PeakNoiseLevel = 9;
    d.Location = {TRUE, -1234567, 7654321};
  }
};

class Recording : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    if (s_pump != nullptr) return;
    const std::string root = PLATFORM_pcHostRoot();
    for (const char* dir : {"/mnt/mmc0", "/mnt/mmc1", "/dev", "/sys/class/mmc_host/mmc1", "/sys/class/mmc_host/mmc2"})
      fs::create_directories(root + dir);
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    s_pump = new ClockPump();
    START_vBindMailboxes();
    DD_SD_vInit();
    T_N_HISTORY_vPrepareForPlayback_Install(&vPrepared);
    L_TASK_Start(TASK_MMCTASK);
  }
  void SetUp() override {
    static int n = 0;
    m_card = s_install.base + "/card" + std::to_string(++n);
    fs::create_directories(m_card);
    Insert(m_card);
    (void)H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 0.0f, P_NORMAL, D_HEADING, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingFloat(FCID("ISPD"), 4.25f, P_NORMAL, D_SPEED, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 12.34f, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 7654321, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingS32(FCID("ILON"), -1234567, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("SMDL"), 4711, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    (void)H_DATABASE_bUpdateEverythingU32(FCID("YSWA"), 1, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_vDeleteEntry(FCID("SFSR"));
  }
  void TearDown() override {
    T_MMC_vCloseSonarMMCFiles(FALSE);
    (void)MMC_RECORD_bOpenPlaybackFile(FALSE, nullptr);
    MMC_RECORD_vSetOffsetBias(0);
    if (Present(0)) Remove();
  }
  // Records the pings: beams 0 and 1 alternating, 100 ms apart, beam 0
  // with 300 samples and beam 1 with 200.
  static std::vector<Ping> TwoBeams(int n) {
    std::vector<Ping> v;
    for (int i = 0; i < n; ++i) v.emplace_back((BEAM)(i % 2), 5000 + 100 * i, i % 2 ? 200 : 300, (U8)i);
    return v;
  }
  std::string Folder(const char* name = "R00001") const { return m_card + "/RECORD/" + name; }
  std::string m_card;
  static inline ClockPump* s_pump = nullptr;
};

class PumpStop : public ::testing::Environment {
 public:
  void TearDown() override {
    delete Recording::s_pump;
    Recording::s_pump = nullptr;
  }
};
::testing::Environment* const s_pumpStop = ::testing::AddGlobalTestEnvironment(new PumpStop);

// ------------------------------------------------------------ the files

TEST_F(Recording, FilesDecodeFieldByFieldWithIndexAndThumbHeader) {
  std::vector<Ping> pings = TwoBeams(6);
  pings[3].d.bSimulated = TRUE;
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  for (Ping& p : pings) T_MMC_vSaveRawDataToMMC(&p.d);
  T_MMC_vCloseSonarMMCFiles(FALSE);

  EXPECT_EQ(Key("SFSR"), 1u);
  ASSERT_TRUE(fs::is_directory(Folder()));
  EXPECT_FALSE(fs::exists(Folder() + "/B002.SON"));
  // Every record of each beam, at the offset its index entry gives.
  for (U32 beam = 0; beam < 2; ++beam) {
    char name[16];
    snprintf(name, sizeof name, "/B%03u.SON", beam);
    const std::vector<U8> son = Bytes(Folder() + name);
    snprintf(name, sizeof name, "/B%03u.IDX", beam);
    const std::vector<U8> idx = Bytes(Folder() + name);
    ASSERT_EQ(idx.size(), 3u * 8);
    size_t offset = 0;
    for (U32 k = 0; k < 3; ++k) {
      const U32 i = 2 * k + beam;
      const Ping& p = pings[i];
      SCOPED_TRACE("ping " + std::to_string(i));
      EXPECT_EQ(Be32(&idx[8 * k]), 100 * i);  // time stamp since the first ping
      ASSERT_EQ(Be32(&idx[8 * k + 4]), offset);
      const U8* r = &son[offset];
      EXPECT_EQ(Be32(r), i == 3 ? 0xC0DEAB20u : 0xC0DEAB21u);
      const U8 tags[] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x87, 0x50, 0x51, 0x92, 0x53, 0x54, 0x95, 0x56, 0x57, 0xA0, 0x21};
      const U8 at[] = {4, 9, 14, 19, 24, 29, 34, 39, 41, 43, 48, 50, 52, 57, 59, 61, 66};
      for (size_t t = 0; t < sizeof tags; ++t) EXPECT_EQ(r[at[t]], tags[t]) << "tag at " << (int)at[t];
      EXPECT_EQ(Be32(r + 5), i);
      EXPECT_EQ(Be32(r + 10), 100 * i);
      EXPECT_EQ((S32)Be32(r + 15), -1234567);
      EXPECT_EQ((S32)Be32(r + 20), 7654321);
      EXPECT_EQ(Be32(r + 25), 0x00010000u);  // a valid heading of 0
      EXPECT_EQ(Be32(r + 30), 0x10000u + 42);
      EXPECT_EQ(Be32(r + 35), 123u);
      EXPECT_EQ(r[40], beam);
      EXPECT_EQ(r[42], 15);
      EXPECT_EQ(Be32(r + 44), beam == 0 ? 83000u : 200000u);
      EXPECT_EQ(r[49], 12);
      EXPECT_EQ(r[51], 200);
      EXPECT_EQ(Be32(r + 53), 26u);
      EXPECT_EQ(r[58], 3);
      EXPECT_EQ(r[60], 9);
      ASSERT_EQ(Be32(r + 62), p.d.u32NumberOfSamples);
      EXPECT_TRUE(std::equal(r + 67, r + 67 + p.d.u32NumberOfSamples, p.samples.begin()));
      offset += 67 + p.d.u32NumberOfSamples;
    }
    EXPECT_EQ(son.size(), offset);
  }
  const std::vector<U8> h = Bytes(m_card + "/RECORD/R00001.DAT");
  ASSERT_EQ(h.size(), 64u);
  EXPECT_EQ(h[0], 193);
  EXPECT_EQ(h[1], 1);
  EXPECT_EQ(h[3], 1);
  EXPECT_EQ(Be32(&h[4]), 4711u);
  EXPECT_EQ((S32)Be32(&h[24]), -1234567);
  EXPECT_EQ((S32)Be32(&h[28]), 7654321);
  EXPECT_EQ(std::string((const char*)&h[32]), "R00001.SON");
  EXPECT_EQ(Be32(&h[44]), 6u);
  EXPECT_EQ(Be32(&h[48]), 500u);
  EXPECT_EQ(Be32(&h[52]), 67u + 200);
  EXPECT_EQ(Be32(&h[56]), 100u);
  EXPECT_EQ(Be32(&h[60]), 3u);
}

TEST_F(Recording, NumbersWrapAndSkipTakenFolders) {
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFSR"), 99999, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  fs::create_directories(m_card + "/RECORD/R00001");
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  T_MMC_vCloseSonarMMCFiles(FALSE);
  EXPECT_EQ(Key("SFSR"), 2u);
  // Without a ping the thumb header stays empty.
  EXPECT_EQ(fs::file_size(m_card + "/RECORD/R00002.DAT"), 0u);
  // Removing deletes the folder and its header.
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  Ping p(0, 1, 10, 1);
  T_MMC_vSaveRawDataToMMC(&p.d);
  T_MMC_vCloseSonarMMCFiles(TRUE);
  EXPECT_FALSE(fs::exists(Folder("R00003")));
  EXPECT_FALSE(fs::exists(m_card + "/RECORD/R00003.DAT"));
}

// ------------------------------------------------------------ playback

struct STEP {
  U32 result;
  int beam;  // -1: not looked at
  U32 delay;
};
struct MODE_CASE {
  const char* name;
  std::vector<std::pair<PLAYBACK_MODE_TYPE, int>> modes;  // mode and reads in it
  std::vector<STEP> steps;
};

class PlaybackModes : public Recording, public ::testing::WithParamInterface<MODE_CASE> {};

TEST_P(PlaybackModes, ResultsAndDelays) {
  std::vector<Ping> pings = TwoBeams(12);
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  for (Ping& p : pings) T_MMC_vSaveRawDataToMMC(&p.d);
  T_MMC_vCloseSonarMMCFiles(FALSE);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("CRST"), 1000, P_NORMAL, D_DATETIME, nullptr, DB_NO_TIMEOUT);
  ASSERT_TRUE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/mnt/mmc0/RECORD/R00001.DAT"));
  Ping out(0, 0, 0, 0);
  std::vector<STEP> got;
  s_pump->Pause(true);
  for (const auto& [mode, reads] : GetParam().modes) {
    for (int i = 0; i < reads; ++i) {
      U32 delay = 0;
      BOOLEAN seek = FALSE;
      out.d.Beam = 255;
      const U32 r = T_MMC_u32ReadPingFromMMC(&out.d, &delay, mode, &seek);
      got.push_back({r, r == MMC_READ_NOTHING ? -1 : (int)out.d.Beam, delay});
    }
  }
  s_pump->Pause(false);
  ASSERT_EQ(got.size(), GetParam().steps.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].result, GetParam().steps[i].result) << "read " << i;
    EXPECT_EQ(got[i].beam, GetParam().steps[i].beam) << "read " << i;
    EXPECT_EQ(got[i].delay, GetParam().steps[i].delay) << "read " << i;
  }
}

// Beam 0 at 0, 200, ... 1000 ms, beam 1 at 100, 300, ... 1100 ms: blank
// delays of 200 ms. The delay is the time until the next ping of either
// beam; the last ping of a beam is its end (result 2). Blank steps follow
// the beams' delays (a beam due at once is given 100 ms).
INSTANTIATE_TEST_SUITE_P(
    Table, PlaybackModes,
    ::testing::Values(
        MODE_CASE{"forward",
                  {{PLAYBACK_MODE_FORWARD, 13}},
                  {{1, 0, 100}, {1, 1, 100}, {1, 0, 100}, {1, 1, 100}, {1, 0, 100}, {1, 1, 100}, {1, 0, 100},
                   {1, 1, 100}, {1, 0, 100}, {1, 1, 100}, {2, 0, 10}, {2, 1, 10}, {2, 0, 10}}},
        MODE_CASE{"slow", {{PLAYBACK_MODE_FORWARD_SLOW, 2}}, {{1, 0, 200}, {1, 1, 200}}},
        MODE_CASE{"2x skips every second ping of a beam",
                  {{PLAYBACK_MODE_2XFORWARD, 4}},
                  {{1, 0, 50}, {1, 1, 50}, {0, -1, 5}, {0, -1, 5}}},
        MODE_CASE{"4x", {{PLAYBACK_MODE_4XFORWARD, 3}}, {{1, 0, 25}, {1, 1, 25}, {0, -1, 5}}},
        MODE_CASE{"pause reads nothing", {{PLAYBACK_MODE_PAUSED, 2}}, {{0, -1, 300}, {0, -1, 300}}},
        MODE_CASE{"begin pauses at the start",
                  {{PLAYBACK_MODE_FORWARD, 2}, {PLAYBACK_MODE_BEGIN, 1}, {PLAYBACK_MODE_FORWARD, 1}},
                  {{1, 0, 100}, {1, 1, 100}, {0, -1, 300}, {1, 0, 100}}},
        MODE_CASE{"reverse from the start runs into the blank stretch",
                  {{PLAYBACK_MODE_REVERSE, 3}, {PLAYBACK_MODE_REVERSE_SLOW, 1}},
                  {{238, 0, 200}, {238, 1, 100}, {238, 0, 200}, {238, 1, 200}}},
        MODE_CASE{"end fills backwards without publishing",
                  {{PLAYBACK_MODE_END, 1}, {PLAYBACK_MODE_END_FILL, 3}},
                  {{0, -1, 50}, {1, 1, 5}, {1, 0, 5}, {1, 1, 5}}}),
    [](const ::testing::TestParamInfo<MODE_CASE>& info) {
      std::string n;
      for (const char* c = info.param.name; *c; ++c) n += isalnum((unsigned char)*c) ? *c : '_';
      return n;
    });

TEST_F(Recording, PlayedPingsCarryTheRecordedFieldsAndPublishKeys) {
  std::vector<Ping> pings = TwoBeams(6);
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  for (Ping& p : pings) T_MMC_vSaveRawDataToMMC(&p.d);
  T_MMC_vCloseSonarMMCFiles(FALSE);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("CRST"), 1000, P_NORMAL, D_DATETIME, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_vDeleteEntry(FCID("IHDG"));
  ASSERT_TRUE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/mnt/mmc0/RECORD/R00001.DAT"));
  Ping out(0, 0, 0, 0);
  U32 delay = 0;
  BOOLEAN seek = FALSE;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_FORWARD, &seek), MMC_READ_PING);
    const Ping& in = pings[i];
    EXPECT_EQ(out.d.Beam, in.d.Beam);
    EXPECT_EQ(out.d.u32NumberOfSamples, in.d.u32NumberOfSamples);
    EXPECT_TRUE(std::equal(in.samples.begin(), in.samples.begin() + in.d.u32NumberOfSamples, out.samples.begin()));
    EXPECT_EQ(out.d.u32TransmitFrequencyHertz, in.d.u32TransmitFrequencyHertz);
    EXPECT_EQ(out.d.u8Transducer, 15);
    EXPECT_EQ(out.d.u8TransmitCycles, 12);
    EXPECT_EQ(out.d.Location.s32LatitudeMM, 7654321);
    EXPECT_TRUE(out.d.Location.bPositionValid);
    EXPECT_FALSE(out.d.bSimulated);
    EXPECT_FALSE(out.d.bReversePing);
    EXPECT_EQ(out.d.u32PingIndex, (U32)i);
  }
  F32 heading = -1;
  ASSERT_TRUE(H_DATABASE_bFetchFloat(FCID("IHDG"), &heading));
  EXPECT_EQ(heading, 0.0f);  // valid 0 played back as 0
  F32 speed = 0;
  ASSERT_TRUE(H_DATABASE_bFetchFloat(FCID("ISOG"), &speed));
  EXPECT_NEAR(speed, 4.2f, 1e-4);
  EXPECT_EQ(Key("CPTS"), 15u);
  EXPECT_EQ(Key("CPFL"), 83000u);
  EXPECT_EQ(Key("CPF2"), 200000u);
  EXPECT_EQ(Key("IDTM"), 1000u);
  // A seek request waits for its positions, then plays from them.
  seek = TRUE;
  EXPECT_EQ(T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_FORWARD, &seek), MMC_READ_NOTHING);
  EXPECT_EQ(delay, 100u);
  const U32 at[4] = {200, 300, 0xFFFFFFFF, 0xFFFFFFFF};
  T_MMC_vSeekPingsInPlaybackFile(at);
  EXPECT_EQ(T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_FORWARD, &seek), MMC_READ_PING);
  EXPECT_FALSE(seek);
  EXPECT_EQ(out.d.u32TimeStampMilliSeconds, 200u);
  // Begin prepares the history and pauses.
  const int prepared = s_nPrepared.load();
  EXPECT_EQ(T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_BEGIN, &seek), MMC_READ_NOTHING);
  EXPECT_EQ(s_nPrepared.load(), prepared + 1);
  EXPECT_EQ(Key("CPSP"), (U32)PLAYBACK_MODE_PAUSED_BEGIN);
  T_MMC_vCleanupDatabaseAfterPlayback();
  EXPECT_FALSE(H_DATABASE_bFetchFloat(FCID("IHDG"), &heading));
}

// ------------------------------------------------------------ damaged records

// A well-formed record of n samples.
std::vector<U8> GoodRecord(U32 n) {
  std::vector<U8> samples(PING_MAX_SAMPLES + 10, 0x5A);
  PING_DESCRIPTOR d{};
  d.Beam = 1;
  d.u32NumberOfSamples = n;
  MMC_RECORD_FIELDS f{MMC_RECORD_MARKER_LIVE, 4, 500, 0, 0, 0};
  std::vector<U8> r(MMC_RECORD_HEAD_BYTES);
  MMC_RECORD_vEncodeHead(&d, &f, r.data());
  r.insert(r.end(), samples.begin(), samples.begin() + std::min<U32>(n, (U32)samples.size()));
  return r;
}

struct PARSE_CASE {
  const char* name;
  std::vector<U8> record;
  bool ok;
  U32 samples;
  U8 beam;
};

std::vector<U8> WithExtraTag(std::vector<U8> head) {
  // Unknown tags of each size class before the count: 4, 1, 8 and 0 bytes.
  const U8 extra[] = {0x9F, 1, 2, 3, 4, 0x7F, 5, 0xDF, 1, 2, 3, 4, 5, 6, 7, 8, 0x3F};
  head.insert(head.begin() + 61, extra, extra + sizeof extra);
  return head;
}
std::vector<U8> SamplesBeforeCount() {
  std::vector<U8> r = GoodRecord(10);
  std::vector<U8> out(r.begin(), r.begin() + 61);
  out.push_back(0x21);
  out.insert(out.end(), 10, 1);
  out.push_back(0xA0);
  out.insert(out.end(), {0, 0, 0, 10});
  return out;
}
std::vector<U8> Cut(std::vector<U8> r, size_t n) {
  r.resize(n);
  return r;
}
std::vector<U8> Marker(std::vector<U8> r, U8 last) {
  r[3] = last;
  return r;
}
std::vector<U8> Count(std::vector<U8> r, U32 n) {
  r[62] = (U8)(n >> 24);
  r[63] = (U8)(n >> 16);
  r[64] = (U8)(n >> 8);
  r[65] = (U8)n;
  return r;
}

class Parse : public ::testing::TestWithParam<PARSE_CASE> {};

TEST_P(Parse, Record) {
  std::vector<U8> raw(PING_MAX_SAMPLES, 0xEE);
  PING_DESCRIPTOR d{};
  d.pu8RawSonarData = raw.data();
  MMC_RECORD_FIELDS f{};
  const std::vector<U8>& r = GetParam().record;
  EXPECT_EQ(MMC_RECORD_bParse(r.data(), r.size(), &d, &f) != FALSE, GetParam().ok);
  if (!GetParam().ok) return;
  EXPECT_EQ(d.u32NumberOfSamples, GetParam().samples);
  EXPECT_EQ(d.Beam, GetParam().beam);
  if (GetParam().samples > 0) {
    EXPECT_EQ(raw[GetParam().samples - 1], 0x5A);
  }
  if (GetParam().samples < PING_MAX_SAMPLES) {
    EXPECT_EQ(raw[GetParam().samples], 0xEE);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Parse,
    ::testing::Values(PARSE_CASE{"good", GoodRecord(100), true, 100, 1},
                      PARSE_CASE{"simulated marker", Marker(GoodRecord(5), 0x20), true, 5, 1},
                      PARSE_CASE{"accepted marker C1", Marker(GoodRecord(5), 0xC1), true, 5, 1},
                      PARSE_CASE{"foreign marker", Marker(GoodRecord(5), 0x22), false, 0, 0},
                      PARSE_CASE{"unknown tags skipped by size", WithExtraTag(GoodRecord(7)), true, 7, 1},
                      PARSE_CASE{"samples before their count", SamplesBeforeCount(), false, 0, 0},
                      PARSE_CASE{"field runs into the next record", Cut(GoodRecord(0), 30), false, 0, 0},
                      PARSE_CASE{"no sample block", Cut(GoodRecord(0), 66), false, 0, 0},
                      PARSE_CASE{"count above the buffer is capped", GoodRecord(PING_MAX_SAMPLES + 10), true,
                                 PING_MAX_SAMPLES, 1},
                      PARSE_CASE{"count above the bytes present is capped", Count(GoodRecord(20), 40000), true, 20,
                                 1}),
    [](const ::testing::TestParamInfo<PARSE_CASE>& info) {
      std::string n;
      for (const char* c = info.param.name; *c; ++c) n += isalnum((unsigned char)*c) ? *c : '_';
      return n;
    });

TEST_F(Recording, DamagedRecordsAreSkippedAndFiveInARowGiveUpOnce) {
  std::vector<Ping> pings;
  for (int i = 0; i < 9; ++i) pings.emplace_back(0, 100 * i, 50, (U8)i);
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  for (Ping& p : pings) T_MMC_vSaveRawDataToMMC(&p.d);
  T_MMC_vCloseSonarMMCFiles(FALSE);
  // Records 1 and 3 to 7 lose their marker.
  {
    std::fstream son(Folder() + "/B000.SON", std::ios::in | std::ios::out | std::ios::binary);
    for (int i : {1, 3, 4, 5, 6, 7}) {
      son.seekp((std::streamoff)(i * (67 + 50)));
      son.put('X');
    }
  }
  ASSERT_TRUE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/mnt/mmc0/RECORD/R00001.DAT"));
  Ping out(0, 0, 0, 0);
  std::vector<std::pair<U32, U32>> got;  // result, time stamp
  for (int i = 0; i < 5; ++i) {
    U32 delay = 0;
    BOOLEAN seek = FALSE;
    out.d.u32TimeStampMilliSeconds = 0xFFFF;
    const U32 r = T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_FORWARD, &seek);
    got.push_back({r, r == MMC_READ_PING ? out.d.u32TimeStampMilliSeconds : delay});
  }
  EXPECT_EQ(got[0], (std::pair<U32, U32>{1, 0}));
  EXPECT_EQ(got[1], (std::pair<U32, U32>{1, 200}));
  EXPECT_EQ(got[2], (std::pair<U32, U32>{0, 100}));  // five skipped in a row: gives up once
  EXPECT_EQ(got[3], (std::pair<U32, U32>{2, 10}));  // record 8 is the beam's last
}

// ------------------------------------------------------------ failures

TEST_F(Recording, CardPulledKeepsEveryPingUpToTheLastUpdate) {
  // An earlier recording stays untouched.
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  Ping first(0, 0, 30, 1);
  T_MMC_vSaveRawDataToMMC(&first.d);
  T_MMC_vCloseSonarMMCFiles(FALSE);
  const std::vector<U8> before = Bytes(m_card + "/RECORD/R00001.DAT");

  (void)H_DATABASE_bUpdateEverythingBoolean(FCID("CSRE"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  // 0 to 4.9 s: updates at 0, 2.0 and 4.0 s (pings 0, 20 and 40).
  for (int i = 0; i < 50; ++i) {
    Ping p(0, 10000 + 100 * i, 40, (U8)i);
    T_MMC_vSaveRawDataToMMC(&p.d);
  }
  ASSERT_TRUE(PLATFORM_bRemoveCard(0));
  Ping late(0, 15000, 40, 99);
  T_MMC_vSaveRawDataToMMC(&late.d);
  EXPECT_FALSE(MMC_RECORD_bRecording());
  EXPECT_EQ(T_MMC_eSaveStatus(), MMC_WRITE_ERROR);
  BOOLEAN on = TRUE;
  ASSERT_TRUE(H_DATABASE_bFetchBoolean(FCID("CSRE"), &on));
  EXPECT_FALSE(on);
  ASSERT_TRUE(WaitFor([] { return !Present(0); }));
  Sync();

  Insert(m_card);
  EXPECT_EQ(Bytes(m_card + "/RECORD/R00001.DAT"), before);
  EXPECT_EQ(MMC_THUMBS_u32InList(), 2u);  // both listed in the review view
  const std::vector<U8> h = Bytes(m_card + "/RECORD/R00002.DAT");
  ASSERT_EQ(h.size(), 64u);
  EXPECT_EQ(Be32(&h[44]), 41u);  // pings 0 to 40
  EXPECT_EQ(Be32(&h[48]), 4000u);
  EXPECT_GE(fs::file_size(Folder("R00002") + "/B000.IDX"), 41u * 8);
  ASSERT_TRUE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/mnt/mmc0/RECORD/R00002.DAT"));
  Ping out(0, 0, 0, 0);
  int played = 0;
  for (int i = 0; i < 200; ++i) {
    U32 delay = 0;
    BOOLEAN seek = FALSE;
    const U32 r = T_MMC_u32ReadPingFromMMC(&out.d, &delay, PLAYBACK_MODE_FORWARD, &seek);
    if (r != MMC_READ_PING) break;
    ASSERT_EQ(out.d.u32TimeStampMilliSeconds, 100u * played);
    ASSERT_EQ(out.samples[1], (U8)(7 + played));
    ++played;
  }
  EXPECT_GE(played, 40);  // all but the beam's last, which ends it
}

TEST_F(Recording, OffsetsBeyondFourByteLimitEndTheRecordingKept) {
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  MMC_RECORD_vSetOffsetBias(0x7FFFFFFFLL - 2 * (67 + 100));
  for (int i = 0; i < 4; ++i) {
    Ping p(0, 100 * i, 100, (U8)i);
    T_MMC_vSaveRawDataToMMC(&p.d);
  }
  EXPECT_FALSE(MMC_RECORD_bRecording());
  EXPECT_EQ(T_MMC_eSaveStatus(), MMC_FILE_TOO_BIG);
  const std::vector<U8> idx = Bytes(Folder() + "/B000.IDX");
  ASSERT_EQ(idx.size(), 3u * 8);  // offsets up to 0x7FFFFFFF
  EXPECT_EQ(Be32(&idx[16 + 4]), 0x7FFFFFFFu);
  EXPECT_EQ(Be32(&Bytes(m_card + "/RECORD/R00001.DAT")[44]), 3u);
}

TEST_F(Recording, RecordingAndPlaybackRefuseEachOther) {
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFiles());
  Ping p(0, 0, 10, 1);
  T_MMC_vSaveRawDataToMMC(&p.d);
  EXPECT_FALSE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/mnt/mmc0/RECORD/R00001.DAT"));
  T_MMC_vCloseSonarMMCFiles(FALSE);
  ASSERT_TRUE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/mnt/mmc0/RECORD/R00001.DAT"));
  EXPECT_FALSE(T_MMC_bOpenSonarMMCFiles());
  EXPECT_TRUE(MMC_RECORD_bOpenPlaybackFile(FALSE, nullptr));
  // No card at all: nothing starts.
  Remove();
  EXPECT_FALSE(T_MMC_bOpenSonarMMCFiles());
}

}  // namespace
