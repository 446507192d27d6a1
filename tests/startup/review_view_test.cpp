// Threading test: also runs under ThreadSanitizer.
// The review view over the real card task: the snapshot thumbnails on a
// card (the files the card task writes beside each snapshot), listed and
// loaded by the card task: the first three items with the scroll bar and
// the current item's box (golden), scrolling down to the end and wrapping,
// the view of an empty card, a second card in slot 1, the full view of a
// snapshot and the quick menu's deletions.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_sd.h"
#include "source/core/h_database.h"
#include "source/graphics/dd_lcd.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/h_display.h"
#include "source/graphics/t_view_review.h"
#include "source/platform/host/host_png.h"
#include "source/platform/platform.h"
#include "source/startup/startup_install.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/wait_for.h"

namespace {
std::string Root() {
  static const std::string root = [] {
    const std::string r = dbtest::Install().base + "/reviewroot-" + std::to_string(getpid());
    setenv("TESSIX_HOST_ROOT", r.c_str(), 1);
    return r;
  }();
  return root;
}

const std::string g_root = Root();
}  // namespace

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

constexpr const char* kCid = "035344535530344780000000010000e1";

void Put32(std::vector<U8>& v, size_t at, U32 x) {
  v[at] = (U8)(x >> 24);
  v[at + 1] = (U8)(x >> 16);
  v[at + 2] = (U8)(x >> 8);
  v[at + 3] = (U8)x;
}

// The thumbnail file of an 800 x 600 shot as the card task writes it: a sky
// colour above a sea colour (y counted upward), with a boat-coloured block
// whose place tells the pictures apart; rows from the screen's bottom, every
// fourth pixel, big-endian. valid: the mark's time is known (newest first).
void WriteThumbnail(const std::string& path, COLOR sky, COLOR sea, int block, U32 time) {
  std::vector<U8> v(60032, 0);
  v[1] = time != 0 ? 1 : 0;
  Put32(v, 8, time);
  for (int k = 0; k < THUMBNAIL_HEIGHT; ++k) {
    for (int i = 0; i < THUMBNAIL_WIDTH; ++i) {
      const int x = 4 * i, y = 4 * k;
      const bool boat = x >= 100 + block * 150 && x < 260 + block * 150 && y >= 260 && y < 340;
      const COLOR c = boat ? 0xFFE0 : y >= 320 ? sky : sea;
      v[32 + 2 * ((size_t)k * THUMBNAIL_WIDTH + i)] = (U8)(c >> 8);
      v[33 + 2 * ((size_t)k * THUMBNAIL_WIDTH + i)] = (U8)c;
    }
  }
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(v.data(), 1, v.size(), f);
  fclose(f);
}

bool Mounted(int slot, bool wanted) {
  BOOLEAN b = FALSE;
  const bool on = H_DATABASE_bFetchBoolean(slot == 0 ? FCID("CSD0") : FCID("CSD1"), &b) && b;
  return on == wanted;
}

void Insert(int slot, const std::string& folder) {
  const PLATFORM_SD_CARD card{folder.c_str(), kCid, "SD", TRUE};
  ASSERT_TRUE(PLATFORM_bInsertCard(slot, &card));
  L_SEMA_Signal(SEMA_TIMER_MMC);
  ASSERT_TRUE(WaitFor([&] { return Mounted(slot, true); })) << "slot " << slot << " not taken";
}

void Remove(int slot) {
  ASSERT_TRUE(PLATFORM_bRemoveCard(slot));
  L_SEMA_Signal(SEMA_TIMER_MMC);
  ASSERT_TRUE(WaitFor([&] { return Mounted(slot, false); })) << "slot " << slot << " not released";
}

void StartCardTask() {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  H_DATABASE_vInit();
  for (const char* dir : {"/mnt/mmc0", "/mnt/mmc1", "/dev", "/sys/class/mmc_host/mmc1", "/sys/class/mmc_host/mmc2"}) {
    std::filesystem::create_directories(Root() + dir);
  }
  DD_SD_vInit();  // the card driver's slots and watcher
  ASSERT_EQ(L_MBOX_DefineSema(M_MMC, SEMA_MBOX_MMC), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_MMCTASK), lsSUCCESS);
  ASSERT_TRUE(WaitFor([] {
    U32 m = 0;
    return H_DATABASE_bFetchU32(FCID("TMMC"), &m) && m == (U32)M_MMC;
  }));
}

// Draws the view until the thumbnail at the top shows the pixel wanted
// (the card task loads it meanwhile).
void DrawUntil(Canvas& c, int x, int y, COLOR wanted) {
  EXPECT_TRUE(WaitFor([&] {
    T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
    return c.at(x, y) == wanted;
  })) << "pixel (" << x << ", " << y << ") never became " << wanted;
}

void Key(CURSOR_POSITION direction) {
  MSG_KEY_CHANGE k{};
  k.Header.Cmd = CMD_ID_KEY_CHANGE;
  k.key = KEY_MASK_CURSOR;
  k.state = KEY_DOWN;
  k.cursor = direction;
  T_VIEW_vReviewMessage(&k.Header);
}

TEST(ReviewView, ThumbnailsOfTheCardsSnapshotsScrollAndWrap) {
  const std::string card = Root() + "/card0";
  std::filesystem::remove_all(card);
  std::filesystem::create_directories(card);
  StartCardTask();
  COLOR_vResetColorTable();

  // An empty card: the empty view.
  Insert(0, card);
  T_VIEW_vReviewRunSystem();
  {
    Canvas c(800, 600);
    T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/empty");
  }
  Remove(0);

  // Four snapshots, S00001 the newest, and a thumbnail file of the wrong
  // size (no time: listed last). Pictures alone are not listed.
  const COLOR skies[4] = {0x5D9F, 0x9CDF, 0xFD20, 0x7BEF};
  const COLOR seas[4] = {0x0010, 0x0232, 0x4208, 0x02A0};
  for (int i = 0; i < 4; ++i) {
    WriteThumbnail(card + "/SNAPSHOT/S0000" + std::to_string(i + 1) + ".DAT", skies[i], seas[i], i, (U32)(400 - 100 * i));
  }
  {
    FILE* f = fopen((card + "/SNAPSHOT/S00005.DAT").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("short", f);
    fclose(f);
    std::vector<U16> px(64 * 48, 0xF800);
    ASSERT_TRUE(HOST_bWritePng565((card + "/S00009.PNG").c_str(), px.data(), 64, 48, 64));
  }
  Insert(0, card);
  EXPECT_EQ(T_MMC_u32ThumbNailsInList(), 5u);

  T_VIEW_vReviewRunSystem();  // the list starts again
  Canvas c(800, 600);
  // The top thumbnail at (36, 400): its sky row 0 is the picture's top.
  DrawUntil(c, 40, 545, skies[0]);
  DrawUntil(c, 40, 345, skies[1]);
  DrawUntil(c, 40, 165, skies[2]);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/thumbnails");

  // Down twice: the third item at the top, the wrong-sized one at the bottom.
  Key(CURSOR_SOUTH);
  Key(CURSOR_SOUTH);
  DrawUntil(c, 40, 545, skies[2]);
  DrawUntil(c, 40, 345, skies[3]);
  // Down to the last item, then once more: back to the first.
  Key(CURSOR_SOUTH);
  Key(CURSOR_SOUTH);
  DrawUntil(c, 40, 545, gCOLOR_pcolColorTable[34]);
  Key(CURSOR_SOUTH);
  DrawUntil(c, 40, 545, skies[0]);
  // Up at the first item: the last one alone.
  Key(CURSOR_NORTH);
  DrawUntil(c, 40, 545, gCOLOR_pcolColorTable[34]);
  T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
  EXPECT_EQ(c.at(40, 345), gCOLOR_pcolColorTable[34]) << "nothing below the last item";
  Key(CURSOR_NORTH);
  DrawUntil(c, 40, 545, skies[3]);
}

}  // namespace

namespace {

// A card put into slot 1 is mounted by the card task, which says so in
// CSD1; its snapshots join the list (one without a time after the others).
// Taking it out unmounts it and clears CSD1.
TEST(ReviewView, CardInSlotIsMountedAnnouncedAndListed) {
  StartCardTask();
  const std::string folder = Root() + "/card1";
  std::filesystem::create_directories(folder);
  WriteThumbnail(folder + "/SNAPSHOT/S00099.DAT", 0x07FF, 0x0010, 1, 0);
  const U32 before = T_MMC_u32ThumbNailsInList();
  Insert(1, folder);
  EXPECT_EQ(T_MMC_u32ThumbNailsInList(), before + 1);
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  EXPECT_EQ(T_MMC_eFindLastThumbNail(name, &pos), THUMBNAIL_IMAGE_TYPE);
  EXPECT_STREQ(name, "/mnt/mmc1/SNAPSHOT/S00099.DAT");
  EXPECT_EQ(pos, before + 1);

  Remove(1);
  EXPECT_EQ(T_MMC_u32ThumbNailsInList(), before);
}

}  // namespace

namespace {

// The quick-access items of the review view as the menu task would hold
// them: registrations add a text, removals take it away.
std::mutex g_menuLock;
std::set<std::string> g_menu;

BOOLEAN RecordMenuItem(const REVIEW_MENU_ITEM* p) {
  std::lock_guard<std::mutex> lock(g_menuLock);
  g_menu.insert(p->pText[0]);
  return TRUE;
}
BOOLEAN RecordMenuRemoval(DB_TEXT_RECORD pText, LAYER_ID) {
  std::lock_guard<std::mutex> lock(g_menuLock);
  g_menu.erase(pText[0]);
  return TRUE;
}
std::set<std::string> Menu() {
  std::lock_guard<std::mutex> lock(g_menuLock);
  return g_menu;
}
// After the installations above, so that the recorder stands in for the
// menu task in every test here.
const bool s_bMenuRecorder = (VIEW_SEAM_bRegisterReviewMenuItem_Install(&RecordMenuItem),
                              VIEW_SEAM_bUnregisterReviewMenuItem_Install(&RecordMenuRemoval), true);

// A full-size snapshot: sky above sea with the boat-coloured block, rows
// from the top as the card holds them.
void WritePicture(const std::string& path, COLOR sky, COLOR sea, int block) {
  std::vector<U16> px(800 * 600);
  for (int row = 0; row < 600; ++row) {
    const int y = 599 - row;
    for (int x = 0; x < 800; ++x) {
      const bool boat = x >= 100 + block * 150 && x < 260 + block * 150 && y >= 260 && y < 340;
      px[(size_t)row * 800 + x] = boat ? 0xFFE0 : y >= 320 ? sky : sea;
    }
  }
  ASSERT_TRUE(HOST_bWritePng565(path.c_str(), px.data(), 800, 600, 800));
}

bool AllPagesFree() {
  std::vector<U32*> pages;
  for (U32* p = H_DISPLAY_pu32GetDisplayBuffer(); p != nullptr; p = H_DISPLAY_pu32GetDisplayBuffer()) pages.push_back(p);
  for (U32* p : pages) H_DISPLAY_vFreeDisplayBuffer(p);
  return (int)pages.size() == DD_LCD_PAGES;
}

const std::set<std::string> kSnapshotMenu = {"Start Recording", "Delete Image", "Delete All Images",
                                             "Delete All Recordings", "Pings Per Second"};

// Three snapshots with their pictures and a recording: the right key shows
// the current snapshot full size (golden), up and down step through the
// snapshots and wrap, and every way out (left, another view, the view-key
// task's release) returns to the thumbnails and gives the page back. The
// quick menu follows the state and the current item; its deletions reach
// the card.
TEST(ReviewView, FullViewStepsThroughSnapshotsAndTheMenuDeletes) {
  StartCardTask();
  COLOR_vResetColorTable();
  static const bool s_bScreen = [] {
    const std::string screen = Root() + "/screen";
    std::filesystem::create_directories(screen);
    setenv("TESSIX_SCREEN_DIR", screen.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    H_DISPLAY_vInitScreen(M_DISPLAY);
    return true;
  }();
  (void)s_bScreen;
  ASSERT_TRUE(AllPagesFree());
  (void)s_bMenuRecorder;

  if (Mounted(0, true)) Remove(0);
  const std::string card = Root() + "/card2";
  std::filesystem::remove_all(card);
  const COLOR skies[3] = {0x5D9F, 0xFD20, 0x7BEF};
  const COLOR seas[3] = {0x0010, 0x4208, 0x02A0};
  for (int i = 0; i < 3; ++i) {
    const std::string stem = card + "/SNAPSHOT/S0000" + std::to_string(i + 1);
    WriteThumbnail(stem + ".DAT", skies[i], seas[i], i, (U32)(300 - 100 * i));
    WritePicture(stem + ".PNG", skies[i], seas[i], i);
  }
  std::filesystem::create_directories(card + "/RECORD");
  {
    std::vector<U8> header(64, 0);
    header[0] = 193;
    FILE* f = fopen((card + "/RECORD/R00007.DAT").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(header.data(), 1, header.size(), f);
    fclose(f);
  }
  Insert(0, card);
  T_VIEW_vReviewRunSystem();
  Canvas c(800, 600);
  DrawUntil(c, 40, 545, skies[0]);
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
  EXPECT_EQ(Menu(), kSnapshotMenu);

  // The picture full size, its sky at the top of the page.
  Key(CURSOR_EAST);
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_FULLIMAGE);
  DrawUntil(c, 400, 500, skies[0]);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/fullimage");
  EXPECT_EQ(Menu(), kSnapshotMenu);

  // Down steps on and wraps to the first; up at the first wraps to the last.
  // The recording is passed over.
  for (int expected : {1, 2, 0}) {
    Key(CURSOR_SOUTH);
    DrawUntil(c, 400, 500, skies[expected]);
  }
  Key(CURSOR_NORTH);
  DrawUntil(c, 400, 500, skies[2]);
  // Left: the column starts at the snapshot shown last.
  Key(CURSOR_WEST);
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
  DrawUntil(c, 40, 545, skies[2]);
  EXPECT_TRUE(AllPagesFree());

  // Each way out of the full view; a view that becomes current again starts
  // its list afresh.
  struct Exit {
    const char* what;
    void (*leave)();
    bool restarts;
  };
  const Exit exits[] = {
      {"left key", [] { Key(CURSOR_WEST); }, false},
      {"another view",
       [] {
         T_VIEW_vReviewViewChanged(CHART_VIEW_PRIORITY);
         T_VIEW_vReviewViewChanged(CAPTURE_REVIEW_VIEW_PRIORITY);
       },
       true},
      {"view-key release", [] { T_VIEW_vReviewReleaseFullPicture(); }, false},
  };
  int top = 2;
  for (const Exit& e : exits) {
    SCOPED_TRACE(e.what);
    Key(CURSOR_EAST);
    ASSERT_EQ(T_VIEW_eSRViewState(), SR_VIEW_FULLIMAGE);
    DrawUntil(c, 400, 500, skies[top]);
    EXPECT_FALSE(AllPagesFree()) << "the picture holds a page";
    e.leave();
    T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
    EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
    EXPECT_TRUE(AllPagesFree());
    if (e.restarts) top = 0;
    DrawUntil(c, 40, 545, skies[top]);
  }

  // Down to the recording (the last item): drawn as a recording, its menu
  // offers "Delete Recording"; the right key is refused without playback.
  for (int i = 0; i < 3; ++i) Key(CURSOR_SOUTH);
  DrawUntil(c, 40, 545, gCOLOR_pcolColorTable[34]);
  std::set<std::string> recordingMenu = kSnapshotMenu;
  recordingMenu.erase("Delete Image");
  recordingMenu.insert("Delete Recording");
  EXPECT_EQ(Menu(), recordingMenu);
  Key(CURSOR_EAST);
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);

  // Back to the first, then delete it: its files go, the next one moves up.
  Key(CURSOR_SOUTH);
  DrawUntil(c, 40, 545, skies[0]);
  T_VIEW_vDeleteCurrentImage();
  DrawUntil(c, 40, 545, skies[1]);
  EXPECT_FALSE(std::filesystem::exists(card + "/SNAPSHOT/S00001.DAT"));
  EXPECT_FALSE(std::filesystem::exists(card + "/SNAPSHOT/S00001.PNG"));
  EXPECT_TRUE(std::filesystem::exists(card + "/SNAPSHOT/S00002.PNG"));

  // Deleting all snapshots from the full view leaves the recording alone.
  Key(CURSOR_EAST);
  DrawUntil(c, 400, 500, skies[1]);
  T_VIEW_vDeleteAllImages();
  EXPECT_EQ(T_VIEW_eSRViewState(), SR_VIEW_THUMBNAILS);
  DrawUntil(c, 40, 545, gCOLOR_pcolColorTable[34]);
  EXPECT_EQ(T_MMC_u32ThumbNailsInList(), 1u);
  EXPECT_EQ(Menu(), recordingMenu);
  T_VIEW_vDeleteAllRecordings();
  EXPECT_TRUE(WaitFor([] {
    Canvas e(800, 600);
    T_VIEW_vDrawCaptureReviewView(e.bmp(), nullptr);
    return T_MMC_u32ThumbNailsInList() == 0 && Menu().count("Delete Recording") == 0;
  }));
  T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/empty");
  std::set<std::string> emptyMenu = kSnapshotMenu;
  emptyMenu.erase("Delete Image");
  EXPECT_EQ(Menu(), emptyMenu);
  Remove(0);
}

}  // namespace
