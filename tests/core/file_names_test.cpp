// File and device names: paths from device names and units, joined names,
// extensions, and names too long for the unit's fixed-size buffers.
#include <gtest/gtest.h>

#include <string>

#include "lsvc/lsvc.h"
#include "source/core/u_file.h"

namespace {

// A path block as a string (the block is freed); "(null)" for a refusal.
std::string Take(char* block) {
  if (block == nullptr) return "(null)";
  std::string s = block;
  H_MEMORY_vFree(block);
  return s;
}

TEST(FileNames, DeviceNames) {
  struct Case {
    const char* device;
    U8 unit;
    const char* path;
  };
  const Case cases[] = {
      {"mmc", 0, "/mnt/mmc0/"},        {"mmc", 1, "/mnt/mmc1/"},        {"mvn", 0, "/usr/tessix/"},
      {"mvn", 2, "/usr/tessix/data2/"}, {"chart", 1, "/usr/tessix/chart1/"}, {"", 3, "/usr/tessix/3/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Take(U_FILE_psCreateDeviceName(c.device, c.unit)), c.path);
  }
}

TEST(FileNames, ComposeJoinsWithoutSeparator) {
  EXPECT_EQ(Take(U_FILE_psComposeFileName("/mnt/mmc1/", "DATA.QWR")), "/mnt/mmc1/DATA.QWR");
  EXPECT_EQ(Take(U_FILE_psComposeFileName("/mnt/mmc1", "DATA.QWR")), "/mnt/mmc1DATA.QWR");
  EXPECT_EQ(Take(U_FILE_psComposeFileName("", "")), "");
}

TEST(FileNames, CheckExtension) {
  struct Case {
    const char* name;
    const char* extension;
    BOOLEAN result;
  };
  const Case cases[] = {
      {"DATA.QWR", "qwr", TRUE}, {"data.qwr", "QWR", TRUE}, {"A.B.bin", "BIN", TRUE},
      {"QWR", "qwr", FALSE},     // no dot, not longer than the extension
      {"XQWR", "QWR", FALSE},    // no dot before it
      {".QWR", "QWR", TRUE},     {"DATA.QWR", "", FALSE}, {"DATA.QWR", "QW", FALSE},
      {"DATA.QWRX", "QWR", FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.extension);
    EXPECT_EQ(U_FILE_bCheckExtension(c.name, c.extension), c.result);
  }
}

TEST(FileNames, IsolateAndMark) {
  struct Isolate {
    const char* full;
    const char* name;
  };
  for (const Isolate& c : {Isolate{"/mnt/mmc1/DATA.QWR", "DATA.QWR"}, Isolate{"DATA.QWR", "DATA.QWR"},
                           Isolate{"/mnt/mmc1/", ""}, Isolate{"a/b/c", "c"}}) {
    char out[16] = "junk";
    EXPECT_TRUE(U_FILE_bIsolateFileName(c.full, out, sizeof out));
    EXPECT_STREQ(out, c.name);
  }
  struct Mark {
    const char* path;
    const char* device;
  };
  for (const Mark& c : {Mark{"/mnt/mmc1/charts/a.bin", "/mnt/mmc1"}, Mark{"/mnt/mmc0", "/mnt/mmc0"},
                        Mark{"/usr/tessix/x", "/"}, Mark{"/mnt/card/a", "/mnt/card/a"},
                        Mark{"relative/mmc1", "relative/mmc1"}, Mark{"/", "/"}}) {
    char path[64];
    snprintf(path, sizeof path, "%s", c.path);
    U_FILE_vMarkDeviceName(path);
    EXPECT_STREQ(path, c.device) << c.path;
  }
}

TEST(FileNames, AddExtension) {
  char name[12] = "DATA";
  EXPECT_TRUE(U_FILE_bAddExtension(name, sizeof name, "QWR"));
  EXPECT_STREQ(name, "DATA.QWR");
  char exact[9] = "DATA";  // "DATA.QWR" and its zero fill it exactly
  EXPECT_TRUE(U_FILE_bAddExtension(exact, sizeof exact, "QWR"));
  EXPECT_STREQ(exact, "DATA.QWR");
}

// Host file names of any length: the unit's 127-byte paths and the caller's
// buffers are never overrun; the refusal is traced and nothing is cut short.
TEST(FileNames, LongNamesAreRefusedWithATraceLine) {
  struct Case {
    const char* what;
    size_t length;  // of the long part
    bool fits;
  };
  const Case cases[] = {
      {"fits exactly", 126 - 10, true},  // "/mnt/mmc1/" is 10 bytes
      {"one byte over", 127 - 10, false},
      {"far over", 4000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name(c.length, 'n');
    testing::internal::CaptureStdout();
    const std::string joined = Take(U_FILE_psComposeFileName("/mnt/mmc1/", name.c_str()));
    const std::string trace = testing::internal::GetCapturedStdout();
    if (c.fits) {
      EXPECT_EQ(joined, "/mnt/mmc1/" + name);
      EXPECT_EQ(trace, "");
    } else {
      EXPECT_EQ(joined, "(null)");
      EXPECT_NE(trace.find("U_FILE: file name of"), std::string::npos) << trace;
    }
  }

  const std::string device(200, 'd');
  testing::internal::CaptureStdout();
  EXPECT_EQ(Take(U_FILE_psCreateDeviceName(device.c_str(), 1)), "(null)");
  EXPECT_EQ(Take(U_FILE_psCreateDeviceName(std::string(5000, 'd').c_str(), 1)), "(null)");
  EXPECT_NE(testing::internal::GetCapturedStdout().find("refused"), std::string::npos);
  // "/usr/tessix/" + name + digit + "/" = 126 bytes.
  EXPECT_EQ(Take(U_FILE_psCreateDeviceName(std::string(112, 'd').c_str(), 1)).size(), 126u);

  struct Guarded {
    char buffer[9];
    char guard[8];
  };
  Guarded g;
  memset(g.guard, 'G', sizeof g.guard);
  snprintf(g.buffer, sizeof g.buffer, "LONGNAME");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(U_FILE_bAddExtension(g.buffer, sizeof g.buffer, "QWR"));
  EXPECT_NE(testing::internal::GetCapturedStdout().find("refused"), std::string::npos);
  EXPECT_STREQ(g.buffer, "LONGNAME");
  EXPECT_EQ(std::string(g.guard, sizeof g.guard), "GGGGGGGG");

  testing::internal::CaptureStdout();
  EXPECT_FALSE(U_FILE_bIsolateFileName("/mnt/mmc1/AVERYLONGNAME.BIN", g.buffer, sizeof g.buffer));
  EXPECT_NE(testing::internal::GetCapturedStdout().find("refused"), std::string::npos);
  EXPECT_STREQ(g.buffer, "");
  EXPECT_EQ(std::string(g.guard, sizeof g.guard), "GGGGGGGG");
}

}  // namespace
