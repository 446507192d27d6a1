// Threading test: also runs under ThreadSanitizer.
// A readout whose value has timed out flashes: the readout task turns its
// blink once a second (on the test clock), and a box of a stale value shows
// its digits only in the on phase while its bar stays. A fresh value is
// drawn in both phases.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "data/fonts.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/t_info.h"
#include "source/ui/ui_install.h"
#include "tests/ui/menu_test_env.h"

// The readout task runs its own entry, not the placeholder.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

void SyncInfo() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_INFO, msg, 3, menutest::SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

void StartReadoutTask() {
  menutest::StartMenuTask();
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("INIP"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  ASSERT_EQ(L_MBOX_DefineSema(M_INFO, SEMA_MBOX_INFO), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_INFOTASK), lsSUCCESS);
  ASSERT_TRUE(::WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_INFO) == TASK_INFOTASK; }));
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(L_MBOX_Send(M_INFO, msg, 3, 0), lsSUCCESS);
  SyncInfo();
  menutest::Sync();
}

// One depth box of key on a dark background, as the pixels of the picture.
std::vector<U16> Box(FOURCHARID key) {
  constexpr int W = 160, H = 105;
  std::vector<U16> pixels((size_t)W * H);
  BITMAP header;
  BITMAP* bmp = G_BUFFERS_pCreateBitmap(W, H, &header, pixels.data());
  EXPECT_NE(nullptr, bmp);
  if (bmp == nullptr) return pixels;
  G_BOX_vDrawFilled(bmp, 0x0339, POINT{0, 0}, W, H);
  T_INFO_nDrawDigitsInfoBox(bmp, 158, 101, 0, 0, key, &f34x62_font_def, &tessix_16x17_font_def, &f18x32_font_def,
                            SMALL_TENTHS, IBS_WHITE_BAR, INSTRUMENTATION_JUSTIFY_RIGHT, 0);
  return pixels;
}

// A second of the test clock: the readout task turns its blink.
void NextSecond() {
  const BOOLEAN before = T_INFO_bBlinkState();
  PLATFORM_vTestClockAdvanceMs(INFO_BLINK_PERIOD_MS);
  EXPECT_TRUE(::WaitFor([before] { return T_INFO_bBlinkState() != before; }));
}

// Two depths, each valid for one second after it was written.
void Depths() {
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), 3.8f, P_NORMAL, D_DEPTH, nullptr, 1);
  H_DATABASE_bUpdateEverythingFloat(FCID("ITST"), 7.7f, P_NORMAL, D_DEPTH, nullptr, 1);
}

TEST(ReadoutBlink, TimedOutDepthIsDrawnEveryOtherSecond) {
  StartReadoutTask();
  H_DATABASE_bUpdateEverythingU32(FCID("YUDP"), U_METRES, P_NORMAL, D_UNITS, nullptr, DB_NO_TIMEOUT);
  T_INFO_vLoadInfoColors(0);

  // Fresh values: the same pictures in both phases.
  Depths();
  const std::vector<U16> fresh = Box(FCID("IDEP")), freshOther = Box(FCID("ITST"));
  ASSERT_NE(fresh, freshOther);
  NextSecond();
  Depths();
  EXPECT_EQ(fresh, Box(FCID("IDEP")));
  EXPECT_EQ(freshOther, Box(FCID("ITST")));

  // Stale values (a second old): the digits come and go with the blink; in
  // the off phase only the bar is drawn, whatever the value.
  int on = 0, off = 0;
  for (int second = 0; second < 4; ++second) {
    Depths();
    NextSecond();
    const std::vector<U16> shown = Box(FCID("IDEP")), other = Box(FCID("ITST"));
    if (T_INFO_bBlinkState()) {
      ++on;
      EXPECT_EQ(fresh, shown) << "second " << second;
      EXPECT_EQ(freshOther, other) << "second " << second;
    } else {
      ++off;
      EXPECT_NE(fresh, shown) << "second " << second;
      EXPECT_EQ(shown, other) << "second " << second;
    }
  }
  EXPECT_EQ(on, 2);
  EXPECT_EQ(off, 2);
}

}  // namespace
