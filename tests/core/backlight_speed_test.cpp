// The backlight and the paddle-wheel speed sensor through their device
// files under the host root: the test reads back what the backlight writes
// into the panel's brightness file and writes the pulse counts the speed
// sensor reads.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/db_types.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_backlight.h"
#include "source/core/h_database.h"
#include "source/core/h_speed.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr MBOX DISPLAY = 40;
const FOURCHARID CBAK = FCID("CBAK");
const FOURCHARID CREV = FCID("CREV");

std::string BrightnessPath() { return PLATFORM_sResolvePath(H_BACKLIGHT_FILE); }

std::string Brightness() {
  std::ifstream in(BrightnessPath());
  std::string text;
  std::getline(in, text);
  return text;
}

class Backlight : public ::testing::Test {
 protected:
  void SetUp() override {
    U_CONVERT_vInitialiseConversionUtility();
    H_DATABASE_vInit();
    (void)dbtest::Drain(DISPLAY);
    fs::create_directories(fs::path(BrightnessPath()).parent_path());
    std::ofstream(BrightnessPath()) << "untouched";
  }
  void TearDown() override {
    (void)dbtest::Drain(DISPLAY);
    H_DATABASE_vInit();
  }
  static S32 Level() {
    S32 level = -1;
    H_DATABASE_bFetchS32(CBAK, &level);
    return level;
  }
};

// ------------------------------------------------------------ panels and levels

struct PANEL_CASE {
  const char* name;
  bool revisionSet;
  U32 revision;
  int table[11];
};

const PANEL_CASE kPanels[] = {
    {"no revision: older panel", false, 0, {62, 61, 60, 58, 56, 53, 48, 40, 30, 15, 0}},
    {"revision 0: older panel", true, 0, {62, 61, 60, 58, 56, 53, 48, 40, 30, 15, 0}},
    {"new display panel", true, 4, {62, 61, 60, 55, 50, 45, 40, 30, 20, 10, 0}},
    {"new dimmer panel", true, 8, {62, 61, 60, 59, 57, 55, 53, 50, 46, 41, 34}},
    {"both bits: the new display bit wins", true, 12, {62, 61, 60, 55, 50, 45, 40, 30, 20, 10, 0}},
};

TEST_F(Backlight, EachPanelWritesItsPairForEveryLevel) {
  for (const PANEL_CASE& c : kPanels) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    H_BACKLIGHT_vSetup(DISPLAY);  // no revision: both panel flags clear
    H_DATABASE_vInit();
    if (c.revisionSet) H_DATABASE_bUpdateValueU32(CREV, c.revision, P_NORMAL);
    H_BACKLIGHT_vSetup(DISPLAY);
    EXPECT_EQ(Level(), DISPLAY_BACKLIGHT_MAX);
    EXPECT_EQ(Brightness(), std::to_string(c.table[10]) + " " + std::to_string(c.table[10]));
    for (S32 level = 0; level <= DISPLAY_BACKLIGHT_MAX; ++level) {
      H_BACKLIGHT_vChangeIntensity(level);
      EXPECT_EQ(Brightness(), std::to_string(c.table[level]) + " " + std::to_string(c.table[level])) << level;
    }
    // Levels outside 0-10 change nothing.
    for (S32 level : {11, -1, 1000}) {
      H_BACKLIGHT_vChangeIntensity(level);
      EXPECT_EQ(Brightness(), std::to_string(c.table[10]) + " " + std::to_string(c.table[10]));
    }
  }
}

TEST_F(Backlight, PanelFlagsOnceSetStayExceptTheNewDisplayFlagOnAPlainRevision) {
  struct {
    const char* name;
    U32 first, second;
    S32 level5;
  } cases[] = {
      {"dimmer stays after a plain revision", 8, 0, 55},
      {"new display cleared by a plain revision", 4, 0, 53},
      {"dimmer is looked at first", 8, 4, 55},
      {"dimmer after new display", 4, 8, 55},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    H_BACKLIGHT_vSetup(DISPLAY);  // no revision: both flags clear
    H_BACKLIGHT_vProcessRevisionBits(c.first);
    H_BACKLIGHT_vProcessRevisionBits(c.second);
    H_BACKLIGHT_vChangeIntensity(5);
    EXPECT_EQ(Brightness(), std::to_string(c.level5) + " " + std::to_string(c.level5));
  }
}

TEST_F(Backlight, SetupRegistersTheDisplayMailboxForRevisionAndLevel) {
  H_BACKLIGHT_vSetup(DISPLAY);
  EXPECT_TRUE(dbtest::Drain(DISPLAY).empty());
  H_DATABASE_bUpdateValueS32(CBAK, 3, P_NORMAL);
  H_DATABASE_bUpdateValueU32(CREV, 8, P_NORMAL);
  const auto notices = dbtest::Drain(DISPLAY);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].key, CBAK);
  EXPECT_EQ(notices[0].value, 3u);
  EXPECT_EQ(notices[1].key, CREV);
  DB_ATTRIBUTES attr = {};
  S32 level = 0;
  ASSERT_TRUE(H_DATABASE_bFetchS32(CBAK, &level, nullptr, &attr));
  EXPECT_EQ(attr.ppcText, H_BACKLIGHT_apcLight);
  EXPECT_EQ(attr.u32TimeOut, DB_NO_TIMEOUT);
}

TEST_F(Backlight, ALevelAboveTheTopAtSetupWritesNothing) {
  H_DATABASE_bUpdateValueS32(CBAK, 12, P_HIGHEST);  // outranks the setup's write
  H_BACKLIGHT_vSetup(DISPLAY);
  EXPECT_EQ(Level(), 12);
  EXPECT_EQ(Brightness(), "untouched");
}

TEST_F(Backlight, AMissingBrightnessFileIsNeitherWrittenNorMade) {
  fs::remove(BrightnessPath());
  H_BACKLIGHT_vSetup(DISPLAY);
  H_BACKLIGHT_vChangeIntensity(4);
  EXPECT_FALSE(fs::exists(BrightnessPath()));
}

TEST_F(Backlight, ChangeStepsWithinTheRange) {
  struct {
    S32 start, amount;
    bool changed;
    S32 result;
  } cases[] = {
      {9, 3, true, 10}, {10, 1, false, 10}, {2, -5, true, 0}, {0, -1, false, 0},
      {5, 0, false, 5}, {5, 2, true, 7},    {12, 1, false, 12}, {-3, 1, true, 0},
  };
  H_BACKLIGHT_vSetup(DISPLAY);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " " + std::to_string(c.amount));
    H_DATABASE_bUpdateValueS32(CBAK, c.start, P_NORMAL);
    EXPECT_EQ(H_BACKLIGHT_bChange(c.amount) != FALSE, c.changed);
    EXPECT_EQ(Level(), c.result);
  }
  H_DATABASE_vDeleteEntry(CBAK);
  EXPECT_FALSE(H_BACKLIGHT_bChange(1));  // no valid level
}

TEST_F(Backlight, SaveAndRestore) {
  H_BACKLIGHT_vSetup(DISPLAY);
  H_DATABASE_bUpdateValueS32(CBAK, 7, P_NORMAL);
  H_BACKLIGHT_vSave();
  H_DATABASE_bUpdateValueS32(CBAK, 2, P_NORMAL);
  H_DATABASE_vDeleteEntry(CBAK);
  H_BACKLIGHT_vSave();  // nothing valid: the saved level stays
  H_BACKLIGHT_vRestore();
  EXPECT_EQ(Level(), 7);
}

// ------------------------------------------------------------ speed

std::string PulsePath() { return PLATFORM_sResolvePath(DD_SPEED_DEVICE); }

void WriteCount(U32 count) {
  std::ofstream out(PulsePath(), std::ios::binary | std::ios::trunc);
  out.write((const char*)&count, sizeof count);
}

class Speed : public ::testing::Test {
 protected:
  void SetUp() override {
    U_CONVERT_vInitialiseConversionUtility();
    PLATFORM_vTestClockEnable(5000000000ull, 1700000000);
    fs::create_directories(fs::path(PulsePath()).parent_path());
    WriteCount(1000);
    H_SPEED_vReset();
    H_SPEED_vInit();
  }
  void TearDown() override {
    H_SPEED_vReset();
    PLATFORM_vTestClockDisable();
  }
};

TEST_F(Speed, PulsesAreTheDifferenceOfRunningCounts) {
  EXPECT_EQ(DD_SPEED_u32GetPulses(), 0u);  // the first reading only sets the base
  WriteCount(1100);
  EXPECT_EQ(DD_SPEED_u32GetPulses(), 100u);
  EXPECT_EQ(DD_SPEED_u32GetPulses(), 0u);  // the same count again
  WriteCount(0xFFFFFFF0u);
  (void)DD_SPEED_u32GetPulses();
  WriteCount(0x10);
  EXPECT_EQ(DD_SPEED_u32GetPulses(), 0x20u);  // the counter wrapped
  std::ofstream(PulsePath(), std::ios::trunc) << "ab";
  EXPECT_EQ(DD_SPEED_u32GetPulses(), 0u);  // a short read
}

TEST_F(Speed, FactorBands) {
  struct {
    double p, factor;
  } cases[] = {
      {0.5, 2.2063894}, {5, 2.2063894},   {10, 2.2063894},  {11, 2.0027227}, {20.9, 2.0027227},
      {21, 1.7651114},  {100, 1.9348012}, {101, 1.9188033}, {500, 1.9188033}, {1e12, 1.9188033},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(H_SPEED_dFactor(c.p), c.factor) << c.p;
  EXPECT_NEAR(H_SPEED_dKnots(100), 19.348012, 1e-6);
}

TEST_F(Speed, SpeedSinceThePreviousCall) {
  F32 speed = -1;
  EXPECT_FALSE(H_SPEED_bGetSpeed(&speed));  // the first call starts the measurement
  EXPECT_EQ(speed, -1);

  struct {
    const char* name;
    U32 pulses, ms;
    bool valid;
    double knots;  // -1: not written
  } steps[] = {
      {"100 pulses in a second: band 9", 100, 1000, true, 19.348012},
      {"5 pulses in a second: band 0", 5, 1000, true, 5 * 2.2063894 * 0.1},
      {"no pulses: 0, validity kept", 0, 1000, true, 0},
      {"same millisecond: nothing measured", 7, 0, false, -1},
      {"the pulses of that call counted now: band 1", 0, 500, true, 14 * 2.0027227 * 0.1},
      {"far too fast: not valid", 1000, 100, false, 10000 * 1.9188033 * 0.1},
      {"no pulses after an invalid speed", 0, 1000, false, 0},
  };
  U32 count = 1000;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    count += s.pulses;
    WriteCount(count);
    PLATFORM_vTestClockAdvanceMs(s.ms);
    speed = -1;
    EXPECT_EQ(H_SPEED_bGetSpeed(&speed) != FALSE, s.valid);
    if (s.knots < 0) {
      EXPECT_EQ(speed, -1);
    } else {
      EXPECT_NEAR(speed, dConvertToInternal(s.knots, D_SPEED, U_KNOTS), 1e-4);
    }
  }
}

using SpeedDeathTest = Speed;

TEST_F(SpeedDeathTest, AMissingDeviceIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  H_SPEED_vReset();
  fs::remove(PulsePath());
  fs::create_directories(s_install.install);
  EXPECT_EXIT(H_SPEED_vInit(), ::testing::ExitedWithCode(10), "");
  EXPECT_NE(dbtest::FatalLog().find("DD_SPEED_vInit open?"), std::string::npos);
}

}  // namespace
