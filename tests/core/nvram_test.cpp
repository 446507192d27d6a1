// NVRAM files: slot rule, byte layout of the entries and bitmap files,
// iteration, round trip through the files, virgin detection, erase, version
// change, damaged files and failing writes, and the two blocks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_nvram.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
namespace fs = std::filesystem;

std::string PathOf(const char* name) { return s_install.install + "/" + name; }

std::vector<U8> ReadFile(const char* name) {
  std::ifstream in(PathOf(name), std::ios::binary);
  return std::vector<U8>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const char* name, const std::vector<U8>& bytes) {
  std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
  out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

U32 WordAt(const std::vector<U8>& bytes, size_t offset) {
  if (offset + 4 > bytes.size()) return 0xDEADBEEF;
  return (U32)bytes[offset] | ((U32)bytes[offset + 1] << 8) | ((U32)bytes[offset + 2] << 16) |
         ((U32)bytes[offset + 3] << 24);
}

FOURCHARID Key(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

BOOLEAN Write(FOURCHARID key, U32 value) {
  NVR_ENTRY e = {key, DB_dataU32(value)};
  return H_NVRAM_bWriteFCID(&e);
}

// Every saved S and special entry, read through the iterations.
std::map<FOURCHARID, U32> SavedEntries() {
  std::map<FOURCHARID, U32> out;
  NVR_ENTRY e;
  for (U32 i = 0; H_NVRAM_bReadFEntry(i, &e); i++) out[e.id] = e.data.u32Val;
  for (U32 i = 0; H_NVRAM_bReadSEntry(i, &e); i++) out[e.id] = e.data.u32Val;
  return out;
}

class NvramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H_NVRAM_vClose();
    std::error_code ec;
    fs::remove_all(s_install.install, ec);
    H_DATABASE_vInit();
    ASSERT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  }
  void TearDown() override { H_NVRAM_vClose(); }
  // Forget the in-memory state and read the files again, as at start.
  static void Restart() { H_NVRAM_vClose(); }
};

// ------------------------------------------------------------ slots

TEST(NvramSlots, KeysAndSlots) {
  struct Case {
    const char* key;
    U32 slot;
  } cases[] = {{"S000", 0},     {"S001", 1},         {"S00Z", 35},        {"S010", 36},
               {"S101", 1297},  {"S110", 1332},  {"SZZZ", 46655},     {"NVER", 46656},     {"CREV", 46657},
               {"FFST", 46658}, {"FXYZ", NVR_NO_SLOT}, {"CCST", NVR_NO_SLOT}, {"SLNG", 21 * 1296 + 23 * 36 + 16}};
  for (const Case& c : cases) {
    EXPECT_EQ(H_NVRAM_u32SlotOfKey(Key(c.key)), c.slot) << c.key;
    if (c.slot != NVR_NO_SLOT) {
      EXPECT_EQ(H_NVRAM_u32KeyOfSlot(c.slot), Key(c.key)) << c.key;
    }
  }
  EXPECT_EQ(H_NVRAM_u32KeyOfSlot(46659), 0xFFFFFFFFu);
  for (U32 slot = 0; slot < NVR_SLOTS; slot += 97) {
    EXPECT_EQ(H_NVRAM_u32SlotOfKey(H_NVRAM_u32KeyOfSlot(slot)), slot);
  }
}

TEST(NvramSlots, HeaderRows) {
  const char* rows[] = {"NVER", "CREV", "SCFO", "SMDL", "SENB", "SENU", "SEDB",
                        "SEDU", "SEIB", "SEIU", "SETB", "SCOM", "SSTD", "SMAC"};
  for (U32 i = 0; i < 14; i++) EXPECT_EQ(H_NVRAM_u32HeaderKey(i), Key(rows[i])) << i;
  for (U32 i = 14; i < 21; i++) EXPECT_EQ(H_NVRAM_u32HeaderKey(i), NVR_HEADER_END) << i;
}

// ------------------------------------------------------------ byte layout

TEST_F(NvramTest, ByteLayoutOfEntriesAndBitmap) {
  ASSERT_TRUE(Write(FCID("S000"), 7));
  ASSERT_TRUE(Write(FCID("S00Z"), 0x0102030A));
  ASSERT_TRUE(Write(FCID("SZZZ"), 0xCAFEF00D));
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  ASSERT_TRUE(Write(FCID("CREV"), 12));
  ASSERT_TRUE(Write(FCID("FFST"), 13));
  H_NVRAM_vFlashWriteBack();

  std::vector<U8> entries = ReadFile("nvr_entries.dat");
  ASSERT_EQ(entries.size(), 4u * 46659);
  EXPECT_EQ(WordAt(entries, 0), 7u);
  EXPECT_EQ(entries[0], 7);  // little-endian
  EXPECT_EQ(WordAt(entries, 4 * 35), 0x0102030Au);
  EXPECT_EQ(entries[4 * 35], 0x0A);
  EXPECT_EQ(WordAt(entries, 4 * 46655), 0xCAFEF00Du);
  EXPECT_EQ(WordAt(entries, 4 * 46656), NVR_FORMAT_VERSION);
  EXPECT_EQ(WordAt(entries, 4 * 46657), 12u);
  EXPECT_EQ(WordAt(entries, 4 * 46658), 13u);

  std::vector<U8> bitmap = ReadFile("nvr_statbit.dat");
  ASSERT_EQ(bitmap.size(), 5836u);
  for (U32 w = 0; w < 1459; w++) {
    U32 want = 0;
    if (w == 0) want = 1u << 0;        // S000
    if (w == 1) want = 1u << 3;        // S00Z: slot 35
    if (w == 1457) want = 1u << 31;    // SZZZ: slot 46655
    if (w == 1458) want = 7;           // NVER, CREV, FFST
    EXPECT_EQ(WordAt(bitmap, 4 * w), want) << "word " << w;
  }
}

TEST_F(NvramTest, KeysOutsideTheDigitsAreRefused) {
  ASSERT_TRUE(Write(FCID("S00C"), 5));
  // "SabC" would share the slot of S00C.
  EXPECT_FALSE(Write(FCID("SabC"), 9));
  NVR_ENTRY e = {FCID("SabC"), DB_dataU32(0x77)};
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&e));
  EXPECT_EQ(e.id, FCID("SabC"));  // untouched
  EXPECT_EQ(e.data.u32Val, 0x77u);
  EXPECT_FALSE(H_NVRAM_bWriteIfChanged(&e, nullptr));
  NVR_ENTRY c = {FCID("S00C"), DB_dataU32(0)};
  EXPECT_TRUE(H_NVRAM_bGetItemByID(&c));
  EXPECT_EQ(c.data.u32Val, 5u);
  EXPECT_FALSE(Write(FCID("FABC"), 1));  // F keys other than FFST have no slot
  EXPECT_FALSE(Write(FCID("CCST"), 1));
}

// ------------------------------------------------------------ reading

TEST_F(NvramTest, GetItemById) {
  ASSERT_TRUE(Write(FCID("SLNG"), 3));
  NVR_ENTRY e = {FCID("SLNG"), DB_dataU32(0)};
  EXPECT_TRUE(H_NVRAM_bGetItemByID(&e));
  EXPECT_EQ(e.data.u32Val, 3u);
  // A C key outside the header list has no slot: untouched.
  NVR_ENTRY c = {FCID("CCST"), DB_dataU32(0x55)};
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&c));
  EXPECT_EQ(c.id, FCID("CCST"));
  EXPECT_EQ(c.data.u32Val, 0x55u);
  // A key never written: all ones.
  NVR_ENTRY n = {FCID("SNEW"), DB_dataU32(0)};
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&n));
  EXPECT_EQ(n.id, 0xFFFFFFFFu);
  EXPECT_EQ(n.data.u32Val, 0xFFFFFFFFu);
  // By number.
  NVR_ENTRY byNumber = {0x1234, DB_dataU32(0)};
  EXPECT_TRUE(H_NVRAM_bGetItemByNumber(H_NVRAM_u32SlotOfKey(FCID("SLNG")), &byNumber));
  EXPECT_EQ(byNumber.data.u32Val, 3u);
  EXPECT_EQ(byNumber.id, 0x1234u);
  EXPECT_FALSE(H_NVRAM_bGetItemByNumber(0, &byNumber));
  EXPECT_FALSE(H_NVRAM_bGetItemByNumber(NVR_SLOTS, &byNumber));
}

TEST_F(NvramTest, IterationsInSlotOrder) {
  ASSERT_TRUE(Write(FCID("S00A"), 10));
  ASSERT_TRUE(Write(FCID("S001"), 1));
  ASSERT_TRUE(Write(FCID("FFST"), 3));
  for (int pass = 0; pass < 2; pass++) {
    NVR_ENTRY e;
    ASSERT_TRUE(H_NVRAM_bReadSEntry(0, &e));
    EXPECT_EQ(e.id, FCID("S001"));
    EXPECT_EQ(e.data.u32Val, 1u);
    ASSERT_TRUE(H_NVRAM_bReadSEntry(1, &e));
    EXPECT_EQ(e.id, FCID("S00A"));
    EXPECT_EQ(e.data.u32Val, 10u);
    EXPECT_FALSE(H_NVRAM_bReadSEntry(2, &e));
    EXPECT_FALSE(H_NVRAM_bReadSEntry(3, &e));
  }
  NVR_ENTRY f;
  ASSERT_TRUE(H_NVRAM_bReadFEntry(0, &f));
  EXPECT_EQ(f.id, FCID("FFST"));
  EXPECT_FALSE(H_NVRAM_bReadFEntry(1, &f));
}

TEST_F(NvramTest, UnitHeaderEntries) {
  ASSERT_TRUE(Write(FCID("SMDL"), 344));
  NVR_ENTRY e;
  ASSERT_TRUE(H_NVRAM_bReadUnitHeaderEntry(3, &e));
  EXPECT_EQ(e.id, FCID("SMDL"));
  EXPECT_EQ(e.data.u32Val, 344u);
  EXPECT_FALSE(H_NVRAM_bReadUnitHeaderEntry(0, &e));  // NVER not saved
  EXPECT_EQ(e.id, 0xFFFFFFFFu);
  e.id = 0x42;
  EXPECT_FALSE(H_NVRAM_bReadUnitHeaderEntry(14, &e));  // end marker
  EXPECT_EQ(e.id, 0xFFFFFFFFu);
  e.id = 0x42;
  EXPECT_FALSE(H_NVRAM_bReadUnitHeaderEntry(20, &e));  // past the list: untouched
  EXPECT_EQ(e.id, 0x42u);
}

// ------------------------------------------------------------ saving

TEST_F(NvramTest, WriteIfChangedComparesWithTheSavedCopy) {
  struct Step {
    U32 value;
    bool written;
  } steps[] = {{0xFFFFFFFF, true},  // nothing saved yet: written even though it equals "nothing"
               {0xFFFFFFFF, false}, {7, true}, {7, false}, {0, true}};
  for (const Step& s : steps) {
    NVR_ENTRY e = {FCID("SMXX"), DB_dataU32(s.value)};
    BOOLEAN written = 2;
    EXPECT_TRUE(H_NVRAM_bWriteIfChanged(&e, &written)) << s.value;
    EXPECT_EQ(written, s.written ? TRUE : FALSE) << s.value;
    NVR_ENTRY back = {FCID("SMXX"), DB_dataU32(1)};
    EXPECT_TRUE(H_NVRAM_bGetItemByID(&back));
    EXPECT_EQ(back.data.u32Val, s.value);
  }
}

// Write a random set of keys, start again from the files alone, read back.
TEST_F(NvramTest, RoundTripThroughTheFiles) {
  std::mt19937 rng(4711);
  std::map<FOURCHARID, U32> written;
  for (int i = 0; i < 400; i++) {
    U32 slot = rng() % NVR_SLOTS;
    FOURCHARID key = H_NVRAM_u32KeyOfSlot(slot);
    U32 value = rng();
    ASSERT_TRUE(Write(key, value));
    written[key] = value;
  }
  H_NVRAM_vFlashWriteBack();
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), written.count(FCID("NVER")) ? STATE_ACTIVE : STATE_VIRGIN);
  EXPECT_EQ(SavedEntries(), written);
}

TEST_F(NvramTest, VersionChangeFindAndSaveRestoresIntoTheDatabase) {
  ASSERT_TRUE(Write(FCID("SMDL"), 344));
  ASSERT_TRUE(Write(FCID("FFST"), 9));
  H_NVRAM_vVersionChangeFindAndSave(FCID("SMDL"));
  H_NVRAM_vVersionChangeFindAndSave(FCID("FFST"));
  H_NVRAM_vVersionChangeFindAndSave(FCID("SCFO"));  // nothing saved
  H_NVRAM_vVersionChangeFindAndSave(FCID("CCST"));  // no slot
  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SMDL"), &value));
  EXPECT_EQ(value, 344u);
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("FFST"), &value));
  EXPECT_EQ(value, 9u);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("SCFO"), nullptr));
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("CCST"), nullptr));
  // Written at P_NORMAL: a default cannot replace it.
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(FCID("SMDL"), 345, P_DEFAULT_SETTING));
}

// ------------------------------------------------------------ state, erase, version

TEST_F(NvramTest, VirginDetection) {
  // No installation directory yet: created, and the store is new.
  std::error_code ec;
  fs::remove_all(s_install.install, ec);
  fs::remove_all(PLATFORM_sResolvePath("/tmp/tessix"), ec);
  EXPECT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  EXPECT_TRUE(fs::is_directory(s_install.install));
  EXPECT_TRUE(fs::is_directory(PLATFORM_sResolvePath("/tmp/tessix")));
  // An empty bitmap file.
  WriteFile("nvr_statbit.dat", {});
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  // Keys but no format version (a damaged bitmap): new as well.
  ASSERT_TRUE(Write(FCID("SLNG"), 2));
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  // With the version written.
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), STATE_ACTIVE);
}

TEST_F(NvramTest, InstallationPathNotADirectoryIsAHardwareFailure) {
  fs::remove_all(s_install.install);
  { std::ofstream(s_install.install) << "x"; }
  EXPECT_EQ(H_NVRAM_eInit(), STATE_HARDWARE_FAILURE);
  EXPECT_FALSE(Write(FCID("NVER"), NVR_FORMAT_VERSION));  // cannot open: FALSE, no crash
  NVR_ENTRY e = {FCID("SLNG"), DB_dataU32(0)};
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&e));
  EXPECT_EQ(e.data.u32Val, 0xFFFFFFFFu);
  fs::remove(s_install.install);
}

TEST_F(NvramTest, Erase) {
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  ASSERT_TRUE(Write(FCID("SLNG"), 4));
  SONAR_DATA_BLOCK sonar = {};
  ASSERT_TRUE(H_NVRAM_bWriteSonarData(&sonar));
  // Wrong codes: nothing happens.
  EXPECT_FALSE(H_NVRAM_bScratchNVR(H_NVRAM_SCRATCH_CODE_1, 0));
  EXPECT_FALSE(H_NVRAM_bScratchNVR(0, H_NVRAM_SCRATCH_CODE_2));
  EXPECT_TRUE(fs::exists(PathOf("nvr_entries.dat")));
  EXPECT_EQ(SavedEntries().size(), 2u);
  // The codes: every file is gone, memory forgotten.
  EXPECT_TRUE(H_NVRAM_bScratchNVR(H_NVRAM_SCRATCH_CODE_1, H_NVRAM_SCRATCH_CODE_2));
  for (const char* name : tessix_filenames) EXPECT_FALSE(fs::exists(PathOf(name))) << name;
  EXPECT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  // The next write creates new files that hold only NVER.
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  EXPECT_EQ(SavedEntries(), (std::map<FOURCHARID, U32>{{FCID("NVER"), NVR_FORMAT_VERSION}}));
  std::vector<U8> bitmap = ReadFile("nvr_statbit.dat");
  for (size_t i = 0; i + 4 < bitmap.size(); i++) EXPECT_EQ(bitmap[i], 0) << i;
  EXPECT_EQ(H_NVRAM_eInit(), STATE_ACTIVE);
}

// The start-up sequence on a store of another format version: SMDL and SCFO
// are carried over into the database, everything else is dropped.
TEST_F(NvramTest, VersionChange) {
  ASSERT_TRUE(Write(FCID("NVER"), 0xFFFFFFF7));
  ASSERT_TRUE(Write(FCID("SMDL"), 344));
  ASSERT_TRUE(Write(FCID("SCFO"), 5));
  ASSERT_TRUE(Write(FCID("SLNG"), 3));
  Restart();

  ASSERT_EQ(H_NVRAM_eInit(), STATE_ACTIVE);
  NVR_ENTRY version;
  ASSERT_TRUE(H_NVRAM_bReadUnitHeaderEntry(0, &version));
  ASSERT_EQ(version.id, FCID("NVER"));
  ASSERT_NE(version.data.u32Val, NVR_FORMAT_VERSION);
  H_NVRAM_vVersionChangeFindAndSave(FCID("SMDL"));
  H_NVRAM_vVersionChangeFindAndSave(FCID("SCFO"));
  ASSERT_TRUE(H_NVRAM_bScratchNVR(H_NVRAM_SCRATCH_CODE_1, H_NVRAM_SCRATCH_CODE_2));
  ASSERT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  H_NVRAM_vFlashWriteBack();

  U32 value = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SMDL"), &value));
  EXPECT_EQ(value, 344u);
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SCFO"), &value));
  EXPECT_EQ(value, 5u);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("SLNG"), nullptr));
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), STATE_ACTIVE);
  EXPECT_EQ(SavedEntries(), (std::map<FOURCHARID, U32>{{FCID("NVER"), NVR_FORMAT_VERSION}}));
}

// ------------------------------------------------------------ damaged files

TEST_F(NvramTest, ShortBitmapRestoresWhatItCovers) {
  ASSERT_TRUE(Write(FCID("S000"), 1));   // word 0
  ASSERT_TRUE(Write(FCID("S010"), 2));   // word 1
  ASSERT_TRUE(Write(FCID("S100"), 3));   // word 40
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  H_NVRAM_vClose();
  fs::resize_file(PathOf("nvr_statbit.dat"), 6);  // word 0 and half of word 1
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);  // NVER lost with the tail
  EXPECT_EQ(SavedEntries(), (std::map<FOURCHARID, U32>{{FCID("S000"), 1}}));
}

TEST_F(NvramTest, ShortEntriesFileSkipsUnreadableKeys) {
  ASSERT_TRUE(Write(FCID("S001"), 1));
  ASSERT_TRUE(Write(FCID("S002"), 2));
  ASSERT_TRUE(Write(FCID("S500"), 3));
  ASSERT_TRUE(Write(FCID("S501"), 4));
  ASSERT_TRUE(Write(FCID("NVER"), NVR_FORMAT_VERSION));
  H_NVRAM_vClose();
  fs::resize_file(PathOf("nvr_entries.dat"), 4 * 2 + 2);  // S001 whole, S002 torn
  Restart();
  EXPECT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);  // NVER unreadable
  EXPECT_EQ(SavedEntries(), (std::map<FOURCHARID, U32>{{FCID("S001"), 1}}));
}

TEST_F(NvramTest, BitmapWithUnknownBitsOrTooLong) {
  std::vector<U8> bitmap(5836 + 100, 0);
  bitmap[0] = 0x01;                                  // S000
  bitmap[4 * 1458] = 0x01 | 0x08;                    // NVER and a bit no slot has
  bitmap[4 * 1458 + 3] = 0x80;
  WriteFile("nvr_statbit.dat", bitmap);
  std::vector<U8> entries(4 * 46659, 0);
  entries[0] = 0x2A;
  entries[4 * 46656 + 0] = 0xF8;
  entries[4 * 46656 + 1] = entries[4 * 46656 + 2] = entries[4 * 46656 + 3] = 0xFF;
  WriteFile("nvr_entries.dat", entries);
  EXPECT_EQ(H_NVRAM_eInit(), STATE_ACTIVE);
  EXPECT_EQ(SavedEntries(),
            (std::map<FOURCHARID, U32>{{FCID("S000"), 0x2A}, {FCID("NVER"), NVR_FORMAT_VERSION}}));
}

// A bitmap word that cannot be written makes the write fail, and the key is
// not reported as saved (so the next save tries again).
TEST_F(NvramTest, FailedBitmapWriteIsReported) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", PathOf("nvr_statbit.dat"));
  EXPECT_FALSE(Write(FCID("SLNG"), 3));
  NVR_ENTRY e = {FCID("SLNG"), DB_dataU32(0)};
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&e));
  NVR_ENTRY again = {FCID("SLNG"), DB_dataU32(3)};
  BOOLEAN written = TRUE;
  EXPECT_FALSE(H_NVRAM_bWriteIfChanged(&again, &written));
  EXPECT_FALSE(written);
}

// An entry that cannot be written is never marked saved: the bit comes
// after the value, in memory and on file.
TEST_F(NvramTest, FailedEntryWriteLeavesTheBitClear) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", PathOf("nvr_entries.dat"));
  EXPECT_FALSE(Write(FCID("SLNG"), 3));
  NVR_ENTRY e = {FCID("SLNG"), DB_dataU32(0)};
  EXPECT_FALSE(H_NVRAM_bGetItemByID(&e));
  std::vector<U8> bitmap = ReadFile("nvr_statbit.dat");
  for (size_t i = 0; i < bitmap.size(); i++) EXPECT_EQ(bitmap[i], 0) << i;
}

// ------------------------------------------------------------ blocks

TEST_F(NvramTest, SonarAndPersonalBlocks) {
  SONAR_DATA_BLOCK sonar;
  PERSONALIZATION_DATA_BLOCK person;
  for (int i = 0; i < 254; i++) sonar.au16Words[i] = (U16)(0x1000 + i);
  for (int i = 0; i < 126; i++) person.au16Words[i] = (U16)(0x2000 + i);
  // Nothing written yet: the read fails and leaves the buffer alone.
  SONAR_DATA_BLOCK back;
  memset(&back, 0x5A, sizeof back);
  EXPECT_FALSE(H_NVRAM_bReadSonarData(&back));
  EXPECT_EQ(back.au16Words[0], 0x5A5A);

  ASSERT_TRUE(H_NVRAM_bWriteSonarData(&sonar));
  ASSERT_TRUE(H_NVRAM_bWritePersonalizationData(&person));
  Restart();
  ASSERT_TRUE(H_NVRAM_bReadSonarData(&back));
  EXPECT_EQ(memcmp(&back, &sonar, sizeof sonar), 0);
  PERSONALIZATION_DATA_BLOCK pback;
  ASSERT_TRUE(H_NVRAM_bReadPersonalizationData(&pback));
  EXPECT_EQ(memcmp(&pback, &person, sizeof person), 0);

  std::vector<U8> file = ReadFile("sonar.dat");
  ASSERT_EQ(file.size(), 508u);
  EXPECT_EQ(file[0], 0x00);  // word 0x1000, little-endian
  EXPECT_EQ(file[1], 0x10);
  EXPECT_EQ(ReadFile("personal.dat").size(), 252u);

  // A short file is not read.
  fs::resize_file(PathOf("sonar.dat"), 100);
  memset(&back, 0x5A, sizeof back);
  EXPECT_FALSE(H_NVRAM_bReadSonarData(&back));
  EXPECT_EQ(back.au16Words[0], 0x5A5A);
  EXPECT_FALSE(H_NVRAM_bReadBlock(4, &back, 4));
  EXPECT_FALSE(H_NVRAM_bWriteBlock(4, &back, 4));
}

TEST_F(NvramTest, FailedBlockWriteIsReported) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  fs::create_symlink("/dev/full", PathOf("sonar.dat"));
  SONAR_DATA_BLOCK sonar = {};
  EXPECT_FALSE(H_NVRAM_bWriteSonarData(&sonar));
}

}  // namespace

// A lost, emptied or cut entries file: keys whose value is gone are no
// longer marked saved, so a later write past the end does not bring them
// back as 0; keys still wholly on file stay.
TEST_F(NvramTest, EntriesFileCutOrLostDropsTheMarksOfTheLostKeys) {
  struct CASE {
    const char* what;
    long long keep_bytes;  // -1: the file is removed
  };
  const CASE cases[] = {{"removed", -1}, {"emptied", 0}, {"cut after SA00 and two bytes", 4 * 1 + 2}};
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.what);
    H_NVRAM_vClose();
    std::error_code ec;
    fs::remove_all(s_install.install, ec);
    ASSERT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
    ASSERT_TRUE(Write(Key("S000"), 11));
    ASSERT_TRUE(Write(Key("S001"), 22));
    ASSERT_TRUE(Write(Key("SZZZ"), 33));
    H_NVRAM_vFlashWriteBack();
    Restart();
    if (c.keep_bytes < 0) {
      fs::remove(PathOf("nvr_entries.dat"));
    } else {
      fs::resize_file(PathOf("nvr_entries.dat"), (uintmax_t)c.keep_bytes);
    }
    // A save of another key after the loss.
    ASSERT_TRUE(Write(Key("SZZY"), 44));
    H_NVRAM_vFlashWriteBack();
    Restart();
    std::map<FOURCHARID, U32> expected = {{Key("SZZY"), 44}};
    if (c.keep_bytes >= 4) expected[Key("S000")] = 11;
    EXPECT_EQ(SavedEntries(), expected);
    // The bitmap on file agrees.
    const std::vector<U8> bitmap = ReadFile("nvr_statbit.dat");
    EXPECT_EQ(WordAt(bitmap, 0), c.keep_bytes >= 4 ? 1u : 0u);
  }
}

// A symbolic link planted in place of a settings file is not followed: the
// write fails and the link's target stays untouched.
TEST_F(NvramTest, PlantedSymbolicLinkIsNotFollowed) {
  H_NVRAM_vClose();
  const std::string outside = s_install.install + "_outside";
  { std::ofstream(outside, std::ios::binary | std::ios::trunc) << "keep"; }
  fs::remove(PathOf("nvr_statbit.dat"));
  fs::create_symlink(outside, PathOf("nvr_statbit.dat"));
  EXPECT_FALSE(Write(Key("S123"), 5));
  H_NVRAM_vClose();
  std::ifstream in(outside, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "keep");
  fs::remove(outside);
  fs::remove(PathOf("nvr_statbit.dat"));
}
