// Threading test: also runs under ThreadSanitizer.
// The point-of-sale demonstration as the keyboard task plays it: a script
// from the card folder under the host root, its photo loaded by the card
// task, the view-key preamble, keys, settings and the stop on a script
// error with the unit still working. The tasks' timers run on the test
// clock, so the minute of preamble takes no time.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/h_display.h"
#include "source/platform/host/host_png.h"
#include "source/platform/platform.h"
#include "source/startup/startup_install.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_keyboard_pos.h"
#include "source/ui/ui_install.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/key_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

constexpr MBOX VIEWS = M_VIEW;  // stands for the task that holds the view and menu keys
constexpr SEMA SYNC_SEMA = SEMA_MBOX_MENU;
constexpr COLOR PHOTO_COLOUR = 0x07E0;

const char s_acScript[] =
    "// a card script\n"
    "CHAPTER CARD\n"
    "SET SVOM 3\n"
    "PHOTO PIC.PNG\n"
    "KEY MENU\n"
    "BALLOON 40 200 300 3 \"Card script\"\n"
    "Hello\n"
    "ENDBALLOON\n"
    "WAIT 2\n"
    "SET TKBD 99\n"
    "KEY MENU\n";

void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
}

void Sync() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RESET_POS;
  ASSERT_EQ(L_MBOX_SendWait(M_KEYB, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

struct Press {
  U32 key;
  KEY_STATE state;
  U32 count;
  bool operator==(const Press&) const = default;
};

std::vector<Press> Drain(MBOX m) {
  std::vector<Press> out;
  while (void* p = L_MBOX_Receive(m)) {
    const MSG_KEY_CHANGE* k = (const MSG_KEY_CHANGE*)p;
    if (k->Header.Cmd == CMD_ID_KEY_CHANGE) out.push_back({k->key, k->state, k->count});
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

U32 Fetch(FOURCHARID key) {
  U32 v = 0;
  H_DATABASE_bFetchU32(key, &v);
  return v;
}

// Moves the clock on and waits until the demonstration has taken its
// steps up to `steps`.
void AdvanceToStep(U32 ms, U32 steps) {
  PLATFORM_vTestClockAdvanceMs(ms);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PointOfSaleSteps() >= steps; }))
      << "step " << steps << " not reached, at " << T_KEYBOARD_u32PointOfSaleSteps();
  Sync();
}

TEST(PosDemoTask, CardScriptPlaysAfterThePreambleAndStopsOnItsError) {
  const std::string root = (keytest::Pipe(), std::string(getenv("TESSIX_HOST_ROOT")));
  WriteFile(root + "/mnt/mmc0/POSDemo.txt", s_acScript);
  std::vector<U16> pic(800 * 600, PHOTO_COLOUR);
  std::filesystem::create_directories(root + "/mnt/mmc0");
  ASSERT_TRUE(HOST_bWritePng565((root + "/mnt/mmc0/PIC.PNG").c_str(), pic.data(), 800, 600, 800));

  const std::string screen = root + "/screen";
  PLATFORM_bMakeDirs(screen.c_str());
  setenv("TESSIX_SCREEN_DIR", screen.c_str(), 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
  H_DATABASE_vInit();
  H_DISPLAY_vInitScreen(M_DISPLAY);
  ASSERT_EQ(L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB), lsSUCCESS);
  ASSERT_EQ(L_MBOX_DefineSema(M_MMC, SEMA_MBOX_MMC), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_KBDTASK), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_MMCTASK), lsSUCCESS);
  ASSERT_TRUE(WaitFor([] { return Fetch(FCID("TMMC")) == (U32)M_MMC && Fetch(FCID("TKBD")) == (U32)M_KEYB; }));
  ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(VIEWS, KEY_MASK_VIEW | KEY_MASK_MENU, KEY_DOWN, FALSE, FALSE, CURSOR_4,
                                       REGISTER_VIEW));
  Sync();

  // The system starts in the point-of-sale state.
  H_DATABASE_bUpdateValueU32(FCID("CCST"), (U32)STATE_POINT_OF_SALE, P_NORMAL);
  GENERIC_MESSAGE* run = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(run, 0, sizeof *run);
  run->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(L_MBOX_Send(M_KEYB, run, 3, 0), lsSUCCESS);
  Sync();
  EXPECT_TRUE(T_KEYBOARD_bPointOfSaleRunning());

  AdvanceToStep(100, 1);  // the tutorial starts with the card's script
  // Six view-key presses 10 s apart show the views first.
  std::vector<Press> presses;
  AdvanceToStep(100, 2);
  for (U32 step = 3; step <= 7; ++step) AdvanceToStep(10000, step);
  presses = Drain(VIEWS);
  EXPECT_EQ(presses, std::vector<Press>(6, Press{KEY_MASK_VIEW, KEY_DOWN, 1}));

  AdvanceToStep(10000, 8);  // CHAPTER
  AdvanceToStep(100, 9);  // SET SVOM 3
  EXPECT_EQ(Fetch(FCID("SVOM")), 3u);
  AdvanceToStep(300, 10);  // PHOTO: loaded by the card task
  AdvanceToStep(100, 11);  // KEY MENU
  EXPECT_EQ(Drain(VIEWS), (std::vector<Press>{{KEY_MASK_MENU, KEY_DOWN, 1}}));
  AdvanceToStep(100, 12);  // BALLOON over the photo
  {
    Canvas c(800, 600);
    T_KEYBOARD_vDrawPOSMessage(c.bmp(), nullptr);
    EXPECT_EQ(PHOTO_COLOUR, c.at(700, 500)) << "the photo fills the screen";
    EXPECT_NE(PHOTO_COLOUR, c.at(45, 205)) << "the balloon lies over it";
  }
  AdvanceToStep(100, 13);  // WAIT 2
  AdvanceToStep(2000, 14);  // SET TKBD 99: refused, the script stops
  EXPECT_EQ(Fetch(FCID("TKBD")), (U32)M_KEYB);
  {
    Canvas c(800, 600);
    T_KEYBOARD_vDrawPOSMessage(c.bmp(), nullptr);
    EXPECT_NE(PHOTO_COLOUR, c.at(400, 320)) << "the error box is shown";
  }
  // No more steps: the script has stopped; the keyboard task goes on.
  PLATFORM_vTestClockAdvanceMs(5000);
  const U32 polls = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(100);
  EXPECT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() > polls; }));
  EXPECT_EQ(T_KEYBOARD_u32PointOfSaleSteps(), 14u);
  EXPECT_TRUE(Drain(VIEWS).empty());


  // EXIT leaves the demonstration: the customer's keys reach the views
  // again, and three minutes without keys start the tutorial afresh.
  auto poll = [](int slot, bool down) {
    keytest::SetSlot(slot, down);
    const U32 before = T_KEYBOARD_u32PollCount();
    PLATFORM_vTestClockAdvanceMs(25);
    ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; }));
    Sync();
  };
  L_SEMA_SetPending(SEMA_KEYCLICK_GOOD);
  poll(DD_SLOT_EXIT, true);
  poll(DD_SLOT_EXIT, false);
  EXPECT_TRUE(L_SEMA_GetWaitingTaskID(SEMA_KEYCLICK_GOOD) == -lsSEMA_DONE) << "EXIT clicks";
  Sync();  // the key registrations given up
  poll(DD_SLOT_MENU, true);
  poll(DD_SLOT_MENU, false);
  EXPECT_EQ(Drain(VIEWS), (std::vector<Press>{{KEY_MASK_MENU, KEY_DOWN, 0}}));
  {
    Canvas c(800, 600);
    T_KEYBOARD_vDrawPOSMessage(c.bmp(), nullptr);
    EXPECT_EQ(c.at(400, 320), 0) << "no error, balloon or photo after EXIT";
  }
  AdvanceToStep(180000, 15);  // the tutorial starts again
  AdvanceToStep(100, 16);     // and its preamble presses the view key
  EXPECT_EQ(Drain(VIEWS), (std::vector<Press>{{KEY_MASK_VIEW, KEY_DOWN, 1}}));

  // Leaving the point-of-sale state ends the demonstration and gives the
  // keys back.
  H_DATABASE_bUpdateValueU32(FCID("CCST"), (U32)STATE_NORMAL_RUN, P_NORMAL);
  Sync();
  EXPECT_FALSE(T_KEYBOARD_bPointOfSaleRunning());
}

}  // namespace
