// Threading test: also runs under ThreadSanitizer.
// Drawing state changed by one task while others draw: the language (the
// standard bitmap fonts and the TrueType character map), sections of the
// colour table, the icon palette and the clearing of the TrueType glyph list
// change in one thread while the real view task draws a layer with bitmap
// text, TrueType text and icons, and another thread draws the same into its
// own bitmap. Every drawing must come out as one of the allowed pictures and
// the sanitizer must see no race.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "common/db_types.h"
#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_truetype.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/h_display.h"
#include "source/graphics/t_view.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"
#include "tests/support/graphics_canvas.h"

// The view task runs its own entry, and the platform set-up step is real.
static const bool s_bInstalled = (GRAPHICS_vInstall(), true);

namespace {

constexpr SEMA SEMA_ACK = SEMA_USER_TEST;
constexpr COLOR BG = 0x0000;

// A 6 x 4 icon of layout 1: every pixel value 0-15 somewhere.
const U8 kIconPixels[12] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0x78};
const ICON kIcon = {kIconPixels, nullptr, 6, 4, ICON_UNPADDED_BUFFERS};

// Two icon palettes, and two versions of the icon section of the table.
COLOR g_paletteA[16], g_paletteB[16];
const COLOR kSectionA[16] = {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008,
                             0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F, 0x0010};
const COLOR kSectionB[16] = {0xF801, 0xF802, 0xF803, 0xF804, 0xF805, 0xF806, 0xF807, 0xF808,
                             0xF809, 0xF80A, 0xF80B, 0xF80C, 0xF80D, 0xF80E, 0xF80F, 0xF810};

// What every drawing does: bitmap text in the three standard fonts, TrueType
// text in two heights, plain and with fixed digits, and icons unturned and
// turned, the unturned one at (left + 250, bottom + 10).
void DrawEverything(BITMAP* bitmap, S32 left, S32 bottom) {
  POINT at{left, bottom};
  G_STRING_vPut(bitmap, gCOLOR_pcolColorTable[35], &at, std_9x13_font_def_ptr, "Depth 12.5");
  at = POINT{left, bottom + 30};
  G_STRING_vPut(bitmap, gCOLOR_pcolColorTable[35], &at, std_11x14_font_def_ptr, "Speed \xA2\xC5");
  at = POINT{left, bottom + 60};
  G_STRING_vPut(bitmap, gCOLOR_pcolColorTable[35], &at, std_16x17_font_def_ptr, "Heading");
  const POINT tt{left, bottom + 100};
  G_TRUETYPE_vPut(bitmap, "12.5 kn \xA2", &tt, gCOLOR_pcolColorTable[64], 20, 0);
  const POINT tt2{left, bottom + 130};
  G_TRUETYPE_vPutNumWidthFixed(bitmap, "1047.3", &tt2, gCOLOR_pcolColorTable[64], 28, 0);
  (void)G_TRUETYPE_u32GetWidth("\xC5\xA2", 44, 0);
  for (U32 rotation = 0; rotation < 4; rotation++) {
    G_ICON_vPutRotated(bitmap, &kIcon, POINT{left + 200 + 10 * (S32)rotation, bottom + 10}, rotation);
  }
  G_ICON_vPut(bitmap, &kIcon, POINT{left + 250, bottom + 10});
}

// The icon just drawn at (x, y) by G_ICON_vPut: each pixel comes from one of
// the palettes the changer sets or the table sections it writes.
bool IconPixelAllowed(COLOR c, U32 v) {
  return c == g_paletteA[v] || c == g_paletteB[v] || c == kSectionA[v] || c == kSectionB[v];
}

// ------------------------------------------------------------ the view task's layer

std::atomic<int> g_layerDraws{0};
std::atomic<int> g_layerFaults{0};

void vDrawLayer(BITMAP* page, const WINDOW_SPECIFICATION*) {
  DrawEverything(page, 100, 100);
  // The unturned icon's pixels as the view task drew them.
  for (S32 y = 0; y < kIcon.nHeight; y++) {
    for (S32 x = 0; x < kIcon.nWidth; x++) {
      const size_t index = (size_t)(kIcon.nHeight - 1 - y) * kIcon.nWidth + x;
      const U32 v = (index & 1) ? (kIconPixels[index >> 1] & 0xF) : (kIconPixels[index >> 1] >> 4);
      const COLOR c = G_PIXEL_colorGetPhysicalPixel(page, 350 + x, page->pixels_high_full_screen - 1 - (110 + y));
      if (!IconPixelAllowed(c, v)) g_layerFaults++;
    }
  }
  g_layerDraws++;
}

void vSendAndWait(void* message) { ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(M_VIEW, message, 3, SEMA_ACK)); }

class ViewTaskEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string dir = dbtest::Install().base + "/screen";
    PLATFORM_bMakeDirs(dir.c_str());
    setenv("TESSIX_SCREEN_DIR", dir.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    H_DATABASE_vInit();
    H_PLATFORM_vSetupGraphics();  // icon palette at the table, TrueType face
    L_MBOX_DefineSema(M_VIEW, SEMA_MBOX_VIEW);
    H_DISPLAY_vInitScreen(M_DISPLAY);
    ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_VIEWTASK));
    U32 mailbox = 0;
    for (int i = 0; i < 10000 && !H_DATABASE_bFetchU32(FCID("TVUE"), &mailbox); ++i) usleep(1000);
    ASSERT_EQ((U32)M_VIEW, mailbox);
    GENERIC_MESSAGE* run = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
    run->Cmd = CMD_ID_RUN_SYSTEM;
    vSendAndWait(run);
    H_MEMORY_vFree(run);
  }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new ViewTaskEnvironment);

// Changes the language, the icon section of the colour table, the icon
// palette and the glyph list until told to stop.
void Changer(std::atomic<bool>& stop, std::atomic<int>& rounds) {
  for (int n = 0; !stop.load(); n++) {
    U_FONTS_vSelectFontSet((n & 1) ? 16 : 0);  // Russian, English
    COLOR_vSetColorTableSection(80, 16, (n & 2) ? kSectionB : kSectionA);
    switch (n % 3) {
      case 0: G_ICON_vSetIconPalette(g_paletteA); break;
      case 1: G_ICON_vSetIconPalette(g_paletteB); break;
      default: G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80); break;
    }
    if (n % 5 == 0) G_TRUETYPE_vRemoveList();
    rounds++;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

TEST(DrawingThreads, StateChangesWhileTheViewTaskAndAnotherThreadDraw) {
  for (U32 v = 0; v < 16; v++) {
    g_paletteA[v] = (COLOR)(0x0820 * v + 1);
    g_paletteB[v] = (COLOR)(0x1000 + v);
  }
  COLOR savedSection[16];
  COLOR_vFetchColorTableSection(80, 16, savedSection);
  COLOR_vSetColorTableSection(80, 16, kSectionA);
  G_ICON_vSetIconPalette(g_paletteA);

  ASSERT_TRUE(U_VIEW_bRegisterLayer(vDrawLayer, CHART_VIEW_PRIORITY, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr,
                                    nullptr));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), CHART_VIEW_PRIORITY, P_NORMAL);

  std::atomic<bool> stop{false};
  std::atomic<int> rounds{0};
  std::atomic<int> ownDraws{0}, ownFaults{0};
  std::thread changer(Changer, std::ref(stop), std::ref(rounds));
  std::thread drawer([&] {
    Canvas canvas(400, 200, BG);
    while (!stop.load()) {
      DrawEverything(canvas.bmp(), 10, 10);
      for (S32 y = 0; y < kIcon.nHeight; y++) {
        for (S32 x = 0; x < kIcon.nWidth; x++) {
          const size_t index = (size_t)(kIcon.nHeight - 1 - y) * kIcon.nWidth + x;
          const U32 v = (index & 1) ? (kIconPixels[index >> 1] & 0xF) : (kIconPixels[index >> 1] >> 4);
          if (!IconPixelAllowed(canvas.at(260 + x, 20 + y), v)) ownFaults++;
        }
      }
      ownDraws++;
    }
  });

  // Pages of the view task, asked for one after another.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  const int before = g_layerDraws.load();
  while (std::chrono::steady_clock::now() < until) {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  stop = true;
  changer.join();
  drawer.join();

  EXPECT_GT(g_layerDraws.load() - before, 2) << "the view task drew the layer";
  EXPECT_GT(ownDraws.load(), 2);
  EXPECT_GT(rounds.load(), 10);
  EXPECT_EQ(0, g_layerFaults.load());
  EXPECT_EQ(0, ownFaults.load());

  U_VIEW_bUnRegisterLayerSplit(CHART_VIEW_PRIORITY, SPLIT_FULL_WINDOW);
  COLOR_vSetColorTableSection(80, 16, savedSection);
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  U_FONTS_vSelectFontSet(0);
  G_TRUETYPE_vRemoveList();
}

}  // namespace
