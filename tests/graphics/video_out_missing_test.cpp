// Video out without a whole graphics plane (a file shorter than a screen
// under the host root): the television copy is skipped with one trace line
// and the unit runs on; mapping such a file would end the process at the
// first pixel past its end.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "source/graphics/dd_lcd.h"
#include "source/platform/platform.h"
#include "source/platform/host/host_screen.h"

namespace {

const std::string g_root = [] {
  char tmpl[] = "/tmp/tessix_video_missing_XXXXXX";
  std::string root = mkdtemp(tmpl) ? tmpl : "/tmp";
  setenv("TESSIX_HOST_ROOT", root.c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("TESSIX_SCREEN_DIR");
  return root;
}();

TEST(VideoOutMissing, ShortGraphicsPlaneSkipsTheCopyWithOneTraceLine) {
  std::filesystem::create_directories(g_root + "/dev");
  std::ofstream(g_root + "/dev/fb0", std::ios::binary) << std::string(1000, '\x55');
  std::ofstream(g_root + "/dev/fb2", std::ios::binary) << std::string(960000, '\0');
  DD_LCD_vInit();
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_NTSC);
  testing::internal::CaptureStdout();
  for (U32 k = 0; k < DD_LCD_TV_SKIPPED_FRAMES + 5; ++k) {
    U32* page = DD_LCD_pu32GetDisplayBuffer();
    ASSERT_NE(nullptr, page);
    DD_LCD_vDisplayScreen(page);
  }
  const std::string out = testing::internal::GetCapturedStdout();
  size_t lines = 0;
  for (size_t at = out.find("no television copy"); at != std::string::npos; at = out.find("no television copy", at + 1))
    ++lines;
  EXPECT_EQ(1u, lines) << out;
  EXPECT_EQ(DD_LCD_TV_SKIPPED_FRAMES + 5, DD_LCD_u32TelevisionFrames());
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_LCD);
  HOST_SCREEN_vStop();
  std::error_code ec;
  std::filesystem::remove_all(g_root, ec);
}

}  // namespace
