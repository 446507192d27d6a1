// The backlight: levels written to the panel's brightness file from the
// table of the panel kind the revision bits name, and the changes, saving
// and restoring of the level in CBAK.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "lsvc/lsvc.h"
#include "source/core/h_backlight.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"

namespace {

const dbtest::TempInstall& s_install = dbtest::Install();

std::string File() { return PLATFORM_sResolvePath(H_BACKLIGHT_pcBrightnessFile); }

std::string Written() {
  std::ifstream in(File());
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

S32 Level() {
  S32 v = -1;
  (void)H_DATABASE_bFetchS32(FCID("CBAK"), &v);
  return v;
}

// The panel-kind flags last for the run once set: the checks that depend on
// them run in a child process of their own.
void InChild(const std::function<void()>& body) {
  EXPECT_EXIT(
      {
        body();
        exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

class Backlight : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)s_install;
    H_DATABASE_vInit();
    std::filesystem::create_directories(std::filesystem::path(File()).parent_path());
    std::ofstream(File()) << "";
    H_BACKLIGHT_vProcessRevisionBits(0);
  }
  void TearDown() override { (void)dbtest::Drain(M_DUMMY); }
};

TEST_F(Backlight, SetupStartsAtFullAndRegistersTheMailbox) {
  InChild([] {
    H_BACKLIGHT_vSetup(M_DUMMY);
    EXPECT_EQ(DISPLAY_BACKLIGHT_MAX, Level());
    EXPECT_EQ("0 0", Written());
    H_DATABASE_bUpdateValueS32(FCID("CBAK"), 4, P_NORMAL);
    const std::vector<dbtest::Notice> notices = dbtest::Drain(M_DUMMY);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(FCID("CBAK"), notices.back().key);
    EXPECT_EQ(4u, notices.back().value);
  });
}

TEST_F(Backlight, SetupOnADimmerPanelStartsAtItsTop) {
  InChild([] {
    H_DATABASE_bUpdateEverythingU32(FCID("CREV"), 8, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    H_BACKLIGHT_vSetup(M_DUMMY);
    EXPECT_EQ("34 34", Written());
  });
}

TEST_F(Backlight, EachPanelKindHasItsTable) {
  InChild([] {
    struct {
      U32 bits;
      S32 level;
      const char* written;
    } cases[] = {
        {0, 0, "62 62"}, {0, 5, "53 53"}, {0, 10, "0 0"},  {4, 3, "55 55"},  {4, 9, "10 10"},
        {0, 9, "15 15"}, {8, 10, "34 34"}, {8, 7, "50 50"}, {12, 7, "50 50"}, {0, 7, "50 50"},
    };
    // The dimmer flag, once set, stays: the last rows keep the dimmer table.
    for (const auto& c : cases) {
      H_BACKLIGHT_vProcessRevisionBits(c.bits);
      H_BACKLIGHT_vChangeIntensity((U32)c.level);
      EXPECT_EQ(c.written, Written()) << "bits " << c.bits << " level " << c.level;
    }
  });
}

TEST_F(Backlight, LevelAboveTheTopWritesNothing) {
  H_BACKLIGHT_vChangeIntensity(3);
  const std::string level3 = Written();
  ASSERT_FALSE(level3.empty());
  H_BACKLIGHT_vChangeIntensity(11);
  H_BACKLIGHT_vChangeIntensity(0xFFFFFFFFu);
  EXPECT_EQ(level3, Written());
}

TEST_F(Backlight, ChangeStaysWithinTheLevels) {
  EXPECT_FALSE(H_BACKLIGHT_bChange(1)) << "no valid CBAK";
  H_DATABASE_bUpdateEverythingS32(FCID("CBAK"), 9, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  struct {
    S32 amount;
    bool changed;
    S32 level;
  } steps[] = {{0, false, 9}, {1, true, 10}, {1, false, 10}, {-3, true, 7}, {-20, true, 0}, {-1, false, 0}, {25, true, 10}};
  for (const auto& s : steps) {
    EXPECT_EQ(s.changed, H_BACKLIGHT_bChange(s.amount) != FALSE) << s.amount;
    EXPECT_EQ(s.level, Level()) << s.amount;
  }
}

TEST_F(Backlight, SaveAndRestore) {
  H_DATABASE_bUpdateEverythingS32(FCID("CBAK"), 6, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_BACKLIGHT_vSave();
  H_DATABASE_bUpdateValueS32(FCID("CBAK"), 2, P_NORMAL);
  H_BACKLIGHT_vRestore();
  EXPECT_EQ(6, Level());
}

}  // namespace
