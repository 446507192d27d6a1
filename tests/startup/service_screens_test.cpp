// The screens of the card's service work as golden pictures: both questions
// of a software update, its progress, completion and read-error screens,
// and the internal map storage's progress and result screens (a long card
// name stays inside its text).
#include <gtest/gtest.h>

#include <string>

#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_mmc_int.h"
#include "source/startup/u_flashnand.h"
#include "source/ui/ui_install.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

class ServiceScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)s_bInstalled;
    H_DATABASE_vInit();
    COLOR_vResetColorTable();
    (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_NORMAL);
  }
  void TearDown() override { T_MMC_vSetUpdateScreen(0, ""); }
};

TEST_F(ServiceScreens, SoftwareUpdate) {
  struct CASE {
    const char* name;
    S32 state;
    const char* text;
    bool box;  // the question box over the view, else the full screen
  };
  const CASE cases[] = {
      {"mmc/update_first_question", 1,
       "Replacing the software on this unit will restore the factory defaults.  Losing power during this process "
       "may corrupt the unit.  Replace software version 7.660 with version 7.661 from MMC/SD card?",
       true},
      {"mmc/update_second_question", 2, "Abort software update to version 7.661", true},
      {"mmc/update_starting", 5, "Updating software to version 7.661. Do not interrupt this operation!", false},
      {"mmc/update_completing", 7, "", false},
      {"mmc/update_read_error", 8, "", false},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    T_MMC_vSetUpdateScreen(c.state, c.text);
    Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x0000);
    if (c.box) {
      T_MMC_vDrawConfirmMessage(canvas.bmp(), nullptr);
    } else {
      T_MMC_vDrawReflashProgressScreen(canvas.bmp(), nullptr);
    }
    ExpectMatchesGolden(canvas.pixels.data(), canvas.width, canvas.height, canvas.pitch, c.name);
  }
}

TEST_F(ServiceScreens, MapStorage) {
  struct CASE {
    const char* name;
    std::string text;
  };
  const CASE cases[] = {
      {"mmc/flashnand_progress", "Comparing a.map to FlashNAND (40%)"},
      {"mmc/flashnand_done", "DONE: Directory MAPS was copied successfully"},
      {"mmc/flashnand_error_long_name", "ERROR: File data mismatch on compare " + std::string(200, 'n') + ".map"},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    U_FLASHNAND_vSetScreenText(c.text.c_str());
    Canvas canvas(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, 0x0000);
    U_FLASHNAND_vDrawProgressScreen(canvas.bmp(), nullptr);
    ExpectMatchesGolden(canvas.pixels.data(), canvas.width, canvas.height, canvas.pitch, c.name);
  }
}

}  // namespace
