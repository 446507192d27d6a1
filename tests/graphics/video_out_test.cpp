// Video out: the encoder's script for each mode, television detection from
// the detection file, and the television plane fed from each shown page
// merged with the graphics plane, after the first 15 frames of the run.
// The planes are files under this program's host root.
#include <gtest/gtest.h>
#include <stdio.h>
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

constexpr size_t N = (size_t)DD_LCD_WIDTH * DD_LCD_HEIGHT;

const std::string g_root = [] {
  char tmpl[] = "/tmp/tessix_video_XXXXXX";
  std::string root = mkdtemp(tmpl) ? tmpl : "/tmp";
  setenv("TESSIX_HOST_ROOT", root.c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("TESSIX_SCREEN_DIR");
  return root;
}();

class RootCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    HOST_SCREEN_vStop();
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
  }
};
::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new RootCleanup);

std::string Path(const char* device) { return PLATFORM_sResolvePath(device); }

void WritePlane(const char* device, const std::vector<U16>& pixels) {
  std::filesystem::create_directories(std::filesystem::path(Path(device)).parent_path());
  std::ofstream(Path(device), std::ios::binary).write((const char*)pixels.data(), (std::streamsize)(pixels.size() * 2));
}

std::vector<U16> ReadPlane(const char* device) {
  std::vector<U16> pixels(N, 0);
  std::ifstream(Path(device), std::ios::binary).read((char*)pixels.data(), (std::streamsize)(N * 2));
  return pixels;
}

TEST(VideoOut, EachModeRunsItsScriptAndSetsTheTelevisionFlag) {
  struct {
    S32 mode;
    const char* command;
    bool on;
  } cases[] = {
      {M_VIDEO_MODE_NTSC, "omap_dss2_venc.sh on ntsc", true},   {M_VIDEO_MODE_NTSC_J, "omap_dss2_venc.sh on ntsc-j", true},
      {M_VIDEO_MODE_PAL, "omap_dss2_venc.sh on pal", true},     {M_VIDEO_MODE_PAL_M, "omap_dss2_venc.sh on pal-m", true},
      {M_VIDEO_MODE_PAL_N, "omap_dss2_venc.sh on pal", true},   {M_VIDEO_MODE_LCD, "omap_dss2_venc.sh off", false},
      {M_VIDEO_MODE_COUNT, "omap_dss2_venc.sh off", false},     {-1, "omap_dss2_venc.sh off", false},
  };
  for (const auto& c : cases) {
    PLATFORM_vClearCommands();
    DD_LCD_vChangeVideoMode((VIDEO_MODE)c.mode);
    EXPECT_EQ(std::vector<std::string>{c.command}, PLATFORM_vecCommands()) << "mode " << c.mode;
    EXPECT_EQ(c.on, DD_LCD_bTelevisionOn() != FALSE) << "mode " << c.mode;
  }
}

TEST(VideoOut, DetectionFileSaysWhetherATelevisionIsConnected) {
  const std::string file = Path(DD_LCD_pcTvDetectFile);
  std::filesystem::remove(file);
  EXPECT_FALSE(DD_LCD_bCheckVideoOutPort()) << "no file";
  std::filesystem::create_directories(std::filesystem::path(file).parent_path());
  struct {
    const char* content;
    bool connected;
  } cases[] = {{"1", true}, {"1\n", true}, {"0", false}, {"", false}, {"01", false}, {"2", false}};
  for (const auto& c : cases) {
    std::ofstream(file) << c.content;
    EXPECT_EQ(c.connected, DD_LCD_bCheckVideoOutPort() != FALSE) << "[" << c.content << "]";
  }
}

// One run of the television copy: the frame count is kept for the whole
// run, so its steps share one test.
TEST(VideoOut, ShownPagesReachTheTelevisionAfterTheFirstFifteen) {
  std::vector<U16> graphics(N);
  for (size_t i = 0; i < N; ++i) graphics[i] = (U16)(i * 40503u);
  WritePlane("/dev/fb0", graphics);
  WritePlane("/dev/fb2", std::vector<U16>(N, 0));
  DD_LCD_vInit();
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_NTSC);
  const U32 first = DD_LCD_u32TelevisionFrames();

  // Pages of one colour with a chroma-key square: the square shows the
  // graphics plane on the television.
  auto show = [&](U16 colour) {
    U32* page = DD_LCD_pu32GetDisplayBuffer();
    ASSERT_NE(nullptr, page);
    U16* p = reinterpret_cast<U16*>(page);
    for (size_t i = 0; i < N; ++i) p[i] = colour;
    for (int y = 100; y < 200; ++y)
      for (int x = 300; x < 400; ++x) p[(size_t)y * DD_LCD_WIDTH + x] = DD_LCD_CHROMA_KEY;
    DD_LCD_vDisplayScreen(page);
  };
  auto expectTelevision = [&](U16 colour) {
    const std::vector<U16> tv = ReadPlane("/dev/fb2");
    size_t wrong = 0;
    for (int y = 0; y < DD_LCD_HEIGHT; ++y)
      for (int x = 0; x < DD_LCD_WIDTH; ++x) {
        const size_t i = (size_t)y * DD_LCD_WIDTH + x;
        const bool keyed = y >= 100 && y < 200 && x >= 300 && x < 400;
        wrong += tv[i] != (keyed ? graphics[i] : colour) ? 1 : 0;
      }
    EXPECT_EQ(0u, wrong) << "colour " << colour;
  };

  for (U32 k = 0; k < DD_LCD_TV_SKIPPED_FRAMES; ++k) show((U16)(0x1000 + k));
  EXPECT_EQ(first + DD_LCD_TV_SKIPPED_FRAMES, DD_LCD_u32TelevisionFrames());
  EXPECT_EQ(std::vector<U16>(N, 0), ReadPlane("/dev/fb2")) << "the first 15 frames are not copied";
  show(0x07E0);
  expectTelevision(0x07E0);

  // Off: nothing is copied or counted. On again: no frames are skipped.
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_LCD);
  const U32 counted = DD_LCD_u32TelevisionFrames();
  show(0xF800);
  EXPECT_EQ(counted, DD_LCD_u32TelevisionFrames());
  expectTelevision(0x07E0);
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_PAL);
  show(0x001F);
  expectTelevision(0x001F);

  // A page all chroma key shows the graphics plane.
  U32* page = DD_LCD_pu32GetDisplayBuffer();
  ASSERT_NE(nullptr, page);
  U16* p = reinterpret_cast<U16*>(page);
  for (size_t i = 0; i < N; ++i) p[i] = DD_LCD_CHROMA_KEY;
  DD_LCD_vDisplayScreen(page);
  EXPECT_EQ(graphics, ReadPlane("/dev/fb2"));
  DD_LCD_vChangeVideoMode(M_VIDEO_MODE_LCD);
}

}  // namespace
