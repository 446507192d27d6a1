// Display pages: handing out, showing, copying, clearing and dumping, and
// this machine's headless screen that follows the page on display.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "source/graphics/dd_lcd.h"
#include "source/graphics/h_display.h"
#include "source/platform/platform.h"
#include "source/platform/host/host_fb.h"
#include "source/platform/host/host_png.h"
#include "source/platform/host/host_screen.h"
#include "tests/support/golden.h"

namespace {

constexpr int W = DD_LCD_WIDTH;
constexpr int H = DD_LCD_HEIGHT;
constexpr size_t N = (size_t)W * H;

std::string sMakeTempDir(const char* stem) {
  std::string tmpl = std::string("/tmp/") + stem + "_XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  const char* d = mkdtemp(buf.data());
  return d ? d : "/tmp";
}

// The board's file system root for this test program; set before anything
// resolves a path.
const std::string g_root = [] {
  std::string root = sMakeTempDir("tessix_display_root");
  setenv("TESSIX_HOST_ROOT", root.c_str(), 1);
  // Headless whatever the machine: no window.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  return root;
}();

// Removes the root folder when the program ends.
class RootCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    unlink((g_root + "/dev/fb0").c_str());
    rmdir((g_root + "/dev").c_str());
    rmdir(g_root.c_str());
  }
};
::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new RootCleanup);

U16* pPixels(U32* page) { return reinterpret_cast<U16*>(page); }

void vFill(U32* page, U16 colour) {
  U16* p = pPixels(page);
  for (size_t i = 0; i < N; ++i) p[i] = colour;
}

// A picture in which every row and column differ.
void vPattern(U16* p, U16 seed) {
  for (size_t i = 0; i < N; ++i) p[i] = (U16)(i * 2654435761u >> 13) ^ seed;
}

std::string sFb0() { return g_root + "/dev/fb0"; }

void vWriteGraphicsPlane(const std::vector<U16>& pixels) {
  mkdir((g_root + "/dev").c_str(), 0755);
  FILE* f = fopen(sFb0().c_str(), "wb");
  ASSERT_NE(nullptr, f);
  ASSERT_EQ(pixels.size(), fwrite(pixels.data(), 2, pixels.size(), f));
  fclose(f);
}

class DisplayPages : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_dir_ = sMakeTempDir("tessix_screen");
    setenv("TESSIX_SCREEN_DIR", screen_dir_.c_str(), 1);
    DD_LCD_vInit();
    for (int i = 0; i < DD_LCD_PAGES; ++i) ASSERT_EQ(BUFFER_IS_IDLE, DD_LCD_eBufferStatus(i));
  }
  void TearDown() override {
    HOST_SCREEN_vStop();
    unlink((screen_dir_ + "/screen.png").c_str());
    rmdir(screen_dir_.c_str());
    PLATFORM_vTestClockDisable();
    unsetenv("TESSIX_SCREEN_DIR");
    unlink(sFb0().c_str());
  }

  std::string screen_dir_;
};

TEST_F(DisplayPages, PagesAreHandedOutLowestIdleFirstAndFlippedByPanning) {
  EXPECT_EQ(DD_LCD_CHROMA_KEY, HOST_FB_s32ChromaKey());
  EXPECT_EQ(nullptr, DD_LCD_pu32GetFrameBufferPointer()) << "nothing is on display before the first frame";

  U32* page[DD_LCD_PAGES];
  for (int i = 0; i < DD_LCD_PAGES; ++i) {
    page[i] = DD_LCD_pu32GetDisplayBuffer();
    ASSERT_NE(nullptr, page[i]);
    EXPECT_EQ(BUFFER_IS_ALLOCATED, DD_LCD_eBufferStatus(i));
    // Page k begins k screens into the plane.
    EXPECT_EQ(reinterpret_cast<U8*>(page[0]) + (size_t)i * sizeof(SCREEN_BUFFER), reinterpret_cast<U8*>(page[i]));
  }
  EXPECT_EQ(nullptr, DD_LCD_pu32GetDisplayBuffer()) << "a fifth request finds no idle page";
  EXPECT_EQ(0u, HOST_FB_u32PanCount());

  DD_LCD_vDisplayScreen(page[2]);
  EXPECT_EQ(BUFFER_IS_ON_DISPLAY, DD_LCD_eBufferStatus(2));
  EXPECT_EQ(page[2], DD_LCD_pu32GetFrameBufferPointer());
  EXPECT_EQ(2, HOST_FB_s32ShownPage());
  EXPECT_EQ(1u, HOST_FB_u32PanCount());

  // Showing the page on display again neither pans nor changes a status.
  DD_LCD_vDisplayScreen(page[2]);
  EXPECT_EQ(1u, HOST_FB_u32PanCount());
  EXPECT_EQ(BUFFER_IS_ON_DISPLAY, DD_LCD_eBufferStatus(2));

  // The next page shown releases the previous one.
  DD_LCD_vDisplayScreen(page[3]);
  EXPECT_EQ(BUFFER_IS_IDLE, DD_LCD_eBufferStatus(2));
  EXPECT_EQ(BUFFER_IS_ON_DISPLAY, DD_LCD_eBufferStatus(3));
  EXPECT_EQ(3, HOST_FB_s32ShownPage());
  EXPECT_EQ(2u, HOST_FB_u32PanCount());

  // A cancelled frame goes back unseen; the lowest idle page comes next.
  DD_LCD_vFreeDisplayBuffer(page[1]);
  EXPECT_EQ(BUFFER_IS_IDLE, DD_LCD_eBufferStatus(1));
  EXPECT_EQ(page[1], DD_LCD_pu32GetDisplayBuffer());
  EXPECT_EQ(page[2], DD_LCD_pu32GetDisplayBuffer());
  EXPECT_EQ(nullptr, DD_LCD_pu32GetDisplayBuffer());

  // Pointers that are not pages change nothing when freed.
  std::vector<U32> foreign(8);
  DD_LCD_vFreeDisplayBuffer(foreign.data());
  DD_LCD_vFreeDisplayBuffer(page[0] + 1);
  DD_LCD_vFreeDisplayBuffer(nullptr);
  const DISPLAY_BUFFER_STATUS expected[] = {BUFFER_IS_ALLOCATED, BUFFER_IS_ALLOCATED, BUFFER_IS_ALLOCATED,
                                            BUFFER_IS_ON_DISPLAY};
  for (int i = 0; i < DD_LCD_PAGES; ++i) EXPECT_EQ(expected[i], DD_LCD_eBufferStatus(i)) << "page " << i;
}

TEST_F(DisplayPages, AScreenThatIsNotAPageIsCopiedIntoThePageOnDisplay) {
  std::vector<U32> screen(sizeof(SCREEN_BUFFER) / 4);
  vPattern(pPixels(screen.data()), 0x5A5A);

  // Nothing on display yet: nothing is copied, nothing is shown.
  DD_LCD_vDisplayScreen(screen.data());
  EXPECT_EQ(nullptr, DD_LCD_pu32GetFrameBufferPointer());
  EXPECT_EQ(0u, HOST_FB_u32PanCount());

  U32* page = DD_LCD_pu32GetDisplayBuffer();
  vFill(page, 0x1234);
  DD_LCD_vDisplayScreen(page);
  U32* other = DD_LCD_pu32GetDisplayBuffer();
  vFill(other, 0x4321);

  DD_LCD_vDisplayScreen(screen.data());
  EXPECT_EQ(0, memcmp(page, screen.data(), sizeof(SCREEN_BUFFER)));
  EXPECT_EQ(1u, HOST_FB_u32PanCount());
  EXPECT_EQ(BUFFER_IS_ON_DISPLAY, DD_LCD_eBufferStatus(0));
  EXPECT_EQ(BUFFER_IS_ALLOCATED, DD_LCD_eBufferStatus(1));
  EXPECT_EQ(0x4321, pPixels(other)[0]) << "only the page on display receives the copy";

  DD_LCD_vDisplayScreen(nullptr);  // nothing to copy from
  EXPECT_EQ(0, memcmp(page, screen.data(), sizeof(SCREEN_BUFFER)));
}

TEST_F(DisplayPages, ABitmapIsShownOnlyWhenItIsAPageOrAWholeScreen) {
  U32* page = H_DISPLAY_pu32GetDisplayBuffer();
  BITMAP header;
  G_BUFFERS_pCreateBitmap(W, H, &header, page);
  vFill(page, 0x0F0F);
  H_DISPLAY_vDisplayBitmap(&header);
  EXPECT_EQ(reinterpret_cast<SCREEN_BUFFER*>(page), H_DISPLAY_psbGetFrameBufferPointer());

  // An off-screen bitmap of the screen's size is copied in.
  std::vector<U32> own(sizeof(SCREEN_BUFFER) / 4);
  vPattern(pPixels(own.data()), 0x00FF);
  BITMAP screen;
  G_BUFFERS_pCreateBitmap(W, H, &screen, own.data());
  H_DISPLAY_vDisplayBitmap(&screen);
  EXPECT_EQ(0, memcmp(page, own.data(), sizeof(SCREEN_BUFFER)));

  // A smaller bitmap would be read past its end: refused, the screen stays.
  std::vector<U32> small(100 * 100 / 2, 0xFFFFFFFFu);
  BITMAP little;
  G_BUFFERS_pCreateBitmap(100, 100, &little, small.data());
  H_DISPLAY_vDisplayBitmap(&little);
  BITMAP empty = screen;
  empty.pBuffer = nullptr;
  H_DISPLAY_vDisplayBitmap(&empty);
  H_DISPLAY_vDisplayBitmap(nullptr);
  EXPECT_EQ(0, memcmp(page, own.data(), sizeof(SCREEN_BUFFER)));
  EXPECT_EQ(1u, HOST_FB_u32PanCount());
}

TEST_F(DisplayPages, ClearingBlackensEveryPageAndShowsPageZero) {
  U32* pages[DD_LCD_PAGES];
  for (int i = 0; i < DD_LCD_PAGES; ++i) {
    pages[i] = DD_LCD_pu32GetDisplayBuffer();
    vFill(pages[i], (U16)(0x1111 * (i + 1)));
  }
  DD_LCD_vDisplayScreen(pages[2]);

  H_DISPLAY_vPowerDown();
  for (int i = 0; i < DD_LCD_PAGES; ++i) {
    const U16* p = pPixels(pages[i]);
    size_t lit = 0;
    for (size_t k = 0; k < N; ++k) lit += p[k] != 0;
    EXPECT_EQ(0u, lit) << "page " << i;
  }
  EXPECT_EQ(pages[0], DD_LCD_pu32GetFrameBufferPointer());
  EXPECT_EQ(0, HOST_FB_s32ShownPage());
  EXPECT_EQ(BUFFER_IS_IDLE, DD_LCD_eBufferStatus(2));
}

// The picture the viewer sees: page pixels over the graphics plane except
// where the page holds the chroma key.
TEST_F(DisplayPages, ScreenDumpMergesThePageOverTheGraphicsPlane) {
  std::vector<U16> plane(N);
  vPattern(plane.data(), 0x0000);
  std::vector<U32> dump(sizeof(SCREEN_BUFFER) / 4);
  SCREEN_BUFFER* target = reinterpret_cast<SCREEN_BUFFER*>(dump.data());
  U16* seen = pPixels(dump.data());

  // Without the plane's device and without a page shown the target keeps
  // its contents.
  vFill(dump.data(), 0x7777);
  DD_LCD_vScreenDump(target);
  EXPECT_EQ(0x7777, seen[0]);
  EXPECT_EQ(0x7777, seen[N - 1]);

  vWriteGraphicsPlane(plane);
  DD_LCD_vScreenDump(target);
  EXPECT_EQ(0, memcmp(seen, plane.data(), N * 2)) << "no page shown yet: the graphics plane alone";

  U32* page = DD_LCD_pu32GetDisplayBuffer();
  vFill(page, DD_LCD_CHROMA_KEY);
  DD_LCD_vDisplayScreen(page);
  H_DISPLAY_vScreenDump(target);
  EXPECT_EQ(0, memcmp(seen, plane.data(), N * 2)) << "an all-key page shows the plane";

  vPattern(pPixels(page), 0x1111);
  for (size_t i = 0; i < N; ++i) {
    if (pPixels(page)[i] == DD_LCD_CHROMA_KEY) pPixels(page)[i] = 0;
  }
  DD_LCD_vScreenDump(target);
  EXPECT_EQ(0, memcmp(seen, page, N * 2)) << "a page without key pixels is the picture";

  // A window of key colour in a drawn page: the 3D view shows through it.
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) plane[(size_t)y * W + x] = G_COLOR_Pack((U32)x * 31 / (W - 1), (U32)y * 63 / (H - 1), 12);
  }
  vWriteGraphicsPlane(plane);
  U16* p = pPixels(page);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) p[(size_t)y * W + x] = (U16)((x / 50 + y / 50) % 2 ? 0xFFFF : 0x001F);
  }
  for (int y = 150; y < 450; ++y) {
    for (int x = 200; x < 600; ++x) p[(size_t)y * W + x] = DD_LCD_CHROMA_KEY;
  }
  DD_LCD_vScreenDump(target);
  ExpectMatchesGolden(seen, W, H, W, "display/screen_dump_window");
}

TEST(DisplayPagesUninitialised, WithoutThePlaneNoPageIsHandedOutAndShowingDoesNothing) {
  HOST_FB_vFailNextOpen();
  DD_LCD_vInit();
  EXPECT_EQ(nullptr, DD_LCD_pu32GetDisplayBuffer());
  EXPECT_EQ(nullptr, DD_LCD_pu32GetFrameBufferPointer());
  for (int i = 0; i < DD_LCD_PAGES; ++i) EXPECT_EQ(0, DD_LCD_eBufferStatus(i));
  std::vector<U32> screen(sizeof(SCREEN_BUFFER) / 4, 0x12345678u);
  DD_LCD_vDisplayScreen(screen.data());
  DD_LCD_vCLS();
  EXPECT_EQ(nullptr, DD_LCD_pu32GetFrameBufferPointer());
  EXPECT_EQ(0x12345678u, screen[0]);

  // A later start finds the plane again.
  DD_LCD_vInit();
  EXPECT_NE(nullptr, DD_LCD_pu32GetDisplayBuffer());
}

// ------------------------------------------------------------ headless screen

bool bWaitForPictures(U32 count) {
  for (int i = 0; i < 5000 && HOST_SCREEN_u32PicturesWritten() < count; ++i) usleep(2000);
  return HOST_SCREEN_u32PicturesWritten() >= count;
}

// Gives the screen thread time to act wrongly; used only to look for
// pictures that must not appear.
void vLetTheScreenRun() { usleep(30000); }

void vExpectScreenFile(const std::string& dir, const U16* expected) {
  std::vector<U16> pixels;
  int w = 0, h = 0;
  std::string error;
  ASSERT_TRUE(HOST_bReadPng565((dir + "/screen.png").c_str(), &pixels, &w, &h, &error)) << error;
  ASSERT_EQ(W, w);
  ASSERT_EQ(H, h);
  EXPECT_EQ(0, memcmp(pixels.data(), expected, N * 2)) << "screen.png differs from the page on display";
}

class HeadlessScreen : public DisplayPages {
 protected:
  void SetUp() override {
    PLATFORM_vTestClockEnable(5000000000ull, 1700000000);
    DisplayPages::SetUp();
  }
};

TEST_F(HeadlessScreen, ThePageOnDisplayIsWrittenWhenItChangesAtMostFourTimesASecond) {
  std::vector<U16> first(N), third(N), copied(N), black(N, 0);
  vPattern(first.data(), 0xA000);
  vPattern(third.data(), 0x00C0);
  vPattern(copied.data(), 0x0077);

  U32* page = DD_LCD_pu32GetDisplayBuffer();
  memcpy(page, first.data(), N * 2);
  DD_LCD_vDisplayScreen(page);
  ASSERT_TRUE(bWaitForPictures(1));
  vExpectScreenFile(screen_dir_, first.data());

  // Two more frames within the interval: held back, and only the newer one
  // is written once the interval has passed.
  page = DD_LCD_pu32GetDisplayBuffer();
  vPattern(pPixels(page), 0x0B00);
  DD_LCD_vDisplayScreen(page);
  page = DD_LCD_pu32GetDisplayBuffer();
  memcpy(page, third.data(), N * 2);
  DD_LCD_vDisplayScreen(page);
  PLATFORM_vTestClockAdvanceMs(HOST_SCREEN_MIN_INTERVAL_MS - 1);
  vLetTheScreenRun();
  EXPECT_EQ(1u, HOST_SCREEN_u32PicturesWritten());
  vExpectScreenFile(screen_dir_, first.data());

  PLATFORM_vTestClockAdvanceMs(1);
  ASSERT_TRUE(bWaitForPictures(2));
  vExpectScreenFile(screen_dir_, third.data());

  // Nothing changes: nothing is written, however long.
  PLATFORM_vTestClockAdvanceMs(10000);
  vLetTheScreenRun();
  EXPECT_EQ(2u, HOST_SCREEN_u32PicturesWritten());

  // Changes without a flip are followed too: a screen copied in, and
  // clearing while page 0 is on display already.
  std::vector<U32> screen(sizeof(SCREEN_BUFFER) / 4);
  memcpy(screen.data(), copied.data(), N * 2);
  DD_LCD_vDisplayScreen(screen.data());
  ASSERT_TRUE(bWaitForPictures(3));
  vExpectScreenFile(screen_dir_, copied.data());

  page = DD_LCD_pu32GetDisplayBuffer();
  memcpy(page, first.data(), N * 2);
  DD_LCD_vDisplayScreen(page);
  ASSERT_NE(0, HOST_FB_s32ShownPage());
  DD_LCD_vCLS();  // pans to page 0
  EXPECT_EQ(0, HOST_FB_s32ShownPage());
  PLATFORM_vTestClockAdvanceMs(HOST_SCREEN_MIN_INTERVAL_MS);
  ASSERT_TRUE(bWaitForPictures(4));
  vExpectScreenFile(screen_dir_, black.data());

  memcpy(DD_LCD_pu32GetFrameBufferPointer(), copied.data(), N * 2);
  DD_LCD_vCLS();  // page 0 on display already: presented again unpanned
  PLATFORM_vTestClockAdvanceMs(HOST_SCREEN_MIN_INTERVAL_MS);
  ASSERT_TRUE(bWaitForPictures(5));
  vExpectScreenFile(screen_dir_, black.data());
}

TEST_F(HeadlessScreen, AFrameStillHeldBackIsWrittenWhenTheScreenStops) {
  U32* a = DD_LCD_pu32GetDisplayBuffer();
  vFill(a, 0x1111);
  DD_LCD_vDisplayScreen(a);
  ASSERT_TRUE(bWaitForPictures(1));
  U32* b = DD_LCD_pu32GetDisplayBuffer();
  vFill(b, 0x2222);
  DD_LCD_vDisplayScreen(b);
  HOST_SCREEN_vStop();
  EXPECT_EQ(2u, HOST_SCREEN_u32PicturesWritten());
  vExpectScreenFile(screen_dir_, pPixels(b));
}

}  // namespace
