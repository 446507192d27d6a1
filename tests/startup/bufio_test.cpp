// Buffered file I/O: streams (modes, reads to the end, tell, seeks inside
// and outside the loaded block, append) and the command interface, on real
// files; the file's transfers are counted through a file bound to a card
// folder so that "no file access" can be checked.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"
#include "source/startup/u_mmc_bufio.h"
#include "tests/support/db_test_env.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

std::vector<char> Pattern(size_t n) {
  std::vector<char> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = (char)((i * 7 + i / 251) & 0xFF);
  return v;
}

// A unit path of a test file (the layer resolves it under the host root).
std::string PathOf(const std::string& name) {
  fs::create_directories(PLATFORM_sResolvePath("/bufio"));
  return "/bufio/" + name;
}
std::string Real(const std::string& unit_path) { return PLATFORM_sResolvePath(unit_path.c_str()); }

void WriteFile(const std::string& path, const std::vector<char>& data) {
  std::ofstream(Real(path), std::ios::binary).write(data.data(), (std::streamsize)data.size());
}

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(Real(path), std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// ------------------------------------------------------------ modes

struct MODE_CASE {
  const char* mode;
  bool opens;
};

class Modes : public ::testing::TestWithParam<MODE_CASE> {};

TEST_P(Modes, KnownModesOpenOthersAreRefused) {
  const std::string path = PathOf("mode.bin");
  WriteFile(path, Pattern(100));
  BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen(path.c_str(), GetParam().mode, nullptr, 0);
  EXPECT_EQ(c != nullptr, GetParam().opens);
  if (c != nullptr) {
    EXPECT_EQ(c->numBufferSize, U_MMC_BUFFER_SIZE);
    EXPECT_EQ(U_MMC_nBufferedClose(c), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Modes,
                         ::testing::Values(MODE_CASE{"r", true}, MODE_CASE{"rb", true}, MODE_CASE{"w", true},
                                           MODE_CASE{"wb", true}, MODE_CASE{"a", true}, MODE_CASE{"ab", true},
                                           MODE_CASE{"rw", false}, MODE_CASE{"r+", false}, MODE_CASE{"", false},
                                           MODE_CASE{"wb+", false}));

TEST(Streams, MissingFileForReadingGivesNull) {
  EXPECT_EQ(U_MMC_psBufferedOpen(PathOf("missing.bin").c_str(), "rb", nullptr, 0), nullptr);
}

// ------------------------------------------------------------ reads, tell, seeks

struct READ_STEP {
  const char* what;
  int seekOrigin;  // -1: no seek, read only
  long seekOffset;
  int seekResult;
  int readSize;
  int readResult;
  long tellAfter;
};

// A file of 40000 bytes with the default buffer of 16384 bytes.
const READ_STEP s_readSteps[] = {
    {"five bytes", -1, 0, 0, 5, 5, 5},
    {"inside the loaded block", 0, 100, 0, 10, 10, 110},
    {"relative back", 1, -50, 0, 4, 4, 64},
    {"start of the next block", 0, 16384, 0, 16, 16, 16400},
    {"across two blocks", 0, 16380, 0, 10, 10, 16390},
    {"from the end", 2, -3, 0, 10, 3, 40000},
    {"after the end", -1, 0, 0, 10, 0, 40000},
    {"past the end", 0, 50000, -1, 0, 0, -2},
    {"bad origin", 7, 0, -1, 0, 0, -2},
    {"whole file", 0, 0, 0, 40000, 40000, 40000},
};

TEST(Streams, ReadTellSeekTable) {
  const std::string path = PathOf("read.bin");
  const std::vector<char> data = Pattern(40000);
  WriteFile(path, data);
  BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen(path.c_str(), "rb", nullptr, 0);
  ASSERT_NE(c, nullptr);
  long pos = 0;
  for (const READ_STEP& s : s_readSteps) {
    SCOPED_TRACE(s.what);
    if (s.seekOrigin >= 0) {
      ASSERT_EQ(U_MMC_nBufferedSeek(c, s.seekOffset, s.seekOrigin), s.seekResult);
      if (s.seekResult == 0) {
        pos = (s.seekOrigin == 0 ? 0 : s.seekOrigin == 1 ? pos : 40000) + s.seekOffset;
      }
    }
    std::vector<char> out(s.readSize + 1, 0);
    const int n = U_MMC_nBufferedRead(out.data(), s.readSize, c);
    ASSERT_EQ(n, s.readResult);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + n, data.begin() + pos));
    pos += n;
    if (s.tellAfter != -2) {
      EXPECT_EQ(U_MMC_nBufferedTell(c), s.tellAfter);
    }
  }
  EXPECT_EQ(U_MMC_nBufferedRead(nullptr, 0, c), 0);
  EXPECT_EQ(U_MMC_nBufferedWrite("x", 1, c), 0);  // not open for writing
  EXPECT_EQ(U_MMC_nBufferedClose(c), 0);
}

TEST(Streams, SeekInsideTheLoadedBlockDoesNotTouchTheFile) {
  const std::string path = PathOf("noaccess.bin");
  const std::vector<char> data = Pattern(40000);
  WriteFile(path, data);
  BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen(path.c_str(), "rb", nullptr, 0);
  ASSERT_NE(c, nullptr);
  char b[4];
  ASSERT_EQ(U_MMC_nBufferedRead(b, 4, c), 4);
  // The file's own position stays at the end of the loaded block.
  const long filePos = ftell(c->pFile);
  EXPECT_EQ(filePos, U_MMC_BUFFER_SIZE);
  ASSERT_EQ(U_MMC_nBufferedSeek(c, 16000, 0), 0);
  EXPECT_EQ(ftell(c->pFile), filePos);
  ASSERT_EQ(U_MMC_nBufferedRead(b, 4, c), 4);
  EXPECT_EQ(0, memcmp(b, data.data() + 16000, 4));
  // The next block's first byte loads that block.
  ASSERT_EQ(U_MMC_nBufferedSeek(c, 16384, 0), 0);
  EXPECT_EQ(ftell(c->pFile), 2 * U_MMC_BUFFER_SIZE);
  EXPECT_EQ(U_MMC_nBufferedClose(c), 0);
}

// ------------------------------------------------------------ writes and append

struct WRITE_CASE {
  const char* name;
  size_t existing;  // bytes in the file before (0: no file)
  const char* mode;
  std::vector<int> chunks;  // sizes written one after another
  int bufferSize;           // 0: default
};

class Writes : public ::testing::TestWithParam<WRITE_CASE> {};

TEST_P(Writes, FileHoldsExactlyWhatWasWritten) {
  const WRITE_CASE& k = GetParam();
  const std::string path = PathOf(std::string("write-") + k.name + ".bin");
  fs::remove(Real(path));
  const std::vector<char> old = Pattern(k.existing);
  if (k.existing > 0) WriteFile(path, old);
  std::vector<char> expected = (k.mode[0] == 'a') ? old : std::vector<char>();
  BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen(path.c_str(), k.mode, nullptr, k.bufferSize);
  ASSERT_NE(c, nullptr);
  if (k.mode[0] == 'a' && k.existing > 0) {
    // The buffer starts with the file's last partial block.
    const size_t size = k.bufferSize ? (size_t)k.bufferSize : (size_t)U_MMC_BUFFER_SIZE;
    EXPECT_EQ((size_t)c->numCount, k.existing % size);
  }
  int seed = 1;
  for (int n : k.chunks) {
    std::vector<char> chunk(n);
    for (int i = 0; i < n; ++i) chunk[i] = (char)(seed * 31 + i);
    ++seed;
    ASSERT_EQ(U_MMC_nBufferedWrite(chunk.data(), n, c), n);
    expected.insert(expected.end(), chunk.begin(), chunk.end());
    EXPECT_EQ(U_MMC_nBufferedTell(c), (long)expected.size());
  }
  EXPECT_EQ(U_MMC_nBufferedClose(c), 0);
  EXPECT_EQ(ReadFile(path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Writes,
    ::testing::Values(WRITE_CASE{"small", 0, "wb", {10}, 0}, WRITE_CASE{"exactblock", 0, "wb", {16384}, 0},
                      WRITE_CASE{"manyblocks", 0, "w", {1, 16383, 16384, 5000, 30000}, 0},
                      WRITE_CASE{"truncates", 50000, "wb", {7}, 0},
                      WRITE_CASE{"append20000", 20000, "ab", {100, 20000}, 0},
                      WRITE_CASE{"appendaligned", 32768, "a", {3}, 0},
                      WRITE_CASE{"appendmissing", 0, "ab", {40}, 0},
                      WRITE_CASE{"smallbuffer", 1000, "ab", {1, 2, 300, 4000}, 256}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ command interface

TEST(Commands, WriteThenReadBackThroughCallerFiles) {
  const std::string path = PathOf("commands.bin");
  BUFFERED_IO_CONTROL c;
  memset(&c, 0, sizeof c);
  // A record never written writes nothing on closing.
  FILE* f = fopen(Real(path).c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(U_MMC_bBufferedIO(INITIALIZE_WRITE, &c, nullptr, 0, f));
  EXPECT_EQ(c.numCount, U_MMC_BUFFER_SIZE);
  EXPECT_TRUE(U_MMC_bBufferedIO(CLOSE_WRITE, &c, nullptr, 0, f));
  EXPECT_EQ(c.pcBuffer, nullptr);
  EXPECT_EQ(fs::file_size(Real(path)), 0u);

  const std::vector<char> data = Pattern(40000);
  f = fopen(Real(path).c_str(), "wb");
  ASSERT_TRUE(U_MMC_bBufferedIO(INITIALIZE_WRITE, &c, nullptr, 0, f));
  for (size_t at = 0; at < data.size(); at += 3000) {
    const int n = (int)std::min<size_t>(3000, data.size() - at);
    ASSERT_TRUE(U_MMC_bBufferedIO(BUFFERED_WRITE, &c, (void*)(data.data() + at), n, nullptr));
  }
  EXPECT_TRUE(U_MMC_bBufferedIO(CLOSE_WRITE, &c, nullptr, 0, f));
  EXPECT_EQ(ReadFile(path), data);

  std::vector<char> buffer(1000);
  f = fopen(Real(path).c_str(), "rb");
  ASSERT_TRUE(U_MMC_bBufferedIO(INITIALIZE_READ, &c, buffer.data(), (int)buffer.size(), f));
  EXPECT_EQ(c.numCount, 1000);
  std::vector<char> back(40000);
  ASSERT_TRUE(U_MMC_bBufferedIO(BUFFERED_READ, &c, back.data(), 40000, nullptr));
  EXPECT_EQ(back, data);
  char more;
  EXPECT_FALSE(U_MMC_bBufferedIO(BUFFERED_READ, &c, &more, 1, nullptr));  // at the end
  EXPECT_TRUE(U_MMC_bBufferedIO(CLOSE_READ, &c, nullptr, 0, f));
  EXPECT_EQ(c.pcBuffer, nullptr);  // the caller's buffer is not freed, only let go

  // Without a buffer: reads and writes fail; an empty file gives FALSE.
  EXPECT_FALSE(U_MMC_bBufferedIO(BUFFERED_WRITE, &c, &more, 1, nullptr));
  EXPECT_FALSE(U_MMC_bBufferedIO(BUFFERED_READ, &c, &more, 1, nullptr));
  const std::string empty = PathOf("empty.bin");
  WriteFile(empty, {});
  f = fopen(Real(empty).c_str(), "rb");
  EXPECT_FALSE(U_MMC_bBufferedIO(INITIALIZE_READ, &c, nullptr, 0, f));
  EXPECT_TRUE(U_MMC_bBufferedIO(CLOSE_READ, &c, nullptr, 0, f));
  EXPECT_TRUE(U_MMC_bBufferedIO((BUFFERED_IO_COMMAND)99, &c, nullptr, 0, nullptr));
}

}  // namespace
