// Golden-picture checks for the tests.
#include "tests/support/golden.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "source/platform/platform.h"
#include "source/platform/host/host_png.h"

namespace {

bool bValidName(const char* name) {
  if (!name || !*name || name[0] == '/') return false;
  std::string s(name);
  return s.find("..") == std::string::npos && s.find('\\') == std::string::npos;
}

std::string sParent(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Folder of the running test program: the actual pictures go there, beside
// the build, whatever the working directory is.
std::string sProgramDir() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return ".";
  exe[n] = '\0';
  return sParent(exe);
}

bool bUpdateRequested() {
  const char* v = getenv("TESSIX_UPDATE_GOLDEN");
  return v && strcmp(v, "1") == 0;
}

bool bWrite(const std::string& path, const U16* pixels, int width, int height, int stride, std::string* why) {
  if (!PLATFORM_bMakeDirs(sParent(path).c_str())) {
    *why = "cannot create the folder of " + path;
    return false;
  }
  if (!HOST_bWritePng565(path.c_str(), pixels, width, height, stride)) {
    *why = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

::testing::AssertionResult GoldenMatches(const char* source_dir, const U16* pixels, int width, int height,
                                         int stride_pixels, const char* name) {
  if (!bValidName(name)) return ::testing::AssertionFailure() << "bad golden name";
  if (!pixels || width <= 0 || height <= 0 || stride_pixels < width) {
    return ::testing::AssertionFailure() << "bad picture arguments";
  }
  const std::string golden = std::string(source_dir) + "/tests/golden/" + name + ".png";
  const std::string actual = sProgramDir() + "/golden-actual/" + name + ".png";
  const std::string diff = sProgramDir() + "/golden-actual/" + name + ".diff.png";

  std::vector<U16> expected;
  int gw = 0, gh = 0;
  std::string error;
  const bool have = HOST_bReadPng565(golden.c_str(), &expected, &gw, &gh, &error) != FALSE;

  // Compare.
  long differing = 0;
  int first_x = -1, first_y = -1;
  if (have && gw == width && gh == height) {
    for (int y = 0; y < height; ++y) {
      const U16* row = pixels + (size_t)y * stride_pixels;
      for (int x = 0; x < width; ++x) {
        if (row[x] != expected[(size_t)y * width + x]) {
          if (differing++ == 0) {
            first_x = x;
            first_y = y;
          }
        }
      }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
  }

  if (bUpdateRequested()) {
    std::string why;
    if (!bWrite(golden, pixels, width, height, stride_pixels, &why)) return ::testing::AssertionFailure() << why;
    printf("golden updated: %s\n", golden.c_str());
    return ::testing::AssertionSuccess();
  }

  std::string why;
  bool wrote = bWrite(actual, pixels, width, height, stride_pixels, &why);
  auto failure = ::testing::AssertionFailure();
  if (!have) {
    failure << "cannot read " << golden << " (" << error << ")";
  } else if (gw != width || gh != height) {
    failure << "size " << width << "x" << height << " differs from the golden's " << gw << "x" << gh;
  } else {
    failure << differing << " of " << (long)width * height << " pixels differ, first at column " << first_x
            << " row " << first_y << " (top row 0): actual 0x" << std::hex
            << pixels[(size_t)first_y * stride_pixels + first_x] << ", golden 0x"
            << expected[(size_t)first_y * width + first_x] << std::dec;
    // Map of the differences: the golden dimmed to a quarter, differing
    // pixels magenta.
    std::vector<U16> map(expected.size());
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        size_t i = (size_t)y * width + x;
        U16 g = expected[i];
        map[i] = pixels[(size_t)y * stride_pixels + x] != g ? (U16)0xF81F : (U16)((g >> 2) & 0x39E7);
      }
    }
    std::string ignored;
    bWrite(diff, map.data(), width, height, width, &ignored);
  }
  if (wrote) {
    failure << "; actual picture: " << actual;
  } else {
    failure << "; " << why;
  }
  failure << "; rerun with TESSIX_UPDATE_GOLDEN=1 to accept it";
  return failure;
}
