// Factory in-line test checks: the keypad sequence from key messages posted
// to a mailbox (all the way to its end, resets, clicks and action texts),
// SD-card slots, the backlight cycle, sensor and voltage limits, the
// accessory port, the ping check's address rule (nothing but an IPv4 address
// reaches the command runner), internal storage files and the map checksum
// check.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "lsvc/l_tables.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_inlinetest.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr MBOX KEYS = 41;

bool Signalled(SEMA sema) { return L_SEMA_WaitTicks(sema, 1) == lsSUCCESS; }
void ClearClicks() {
  while (Signalled(SEMA_KEYCLICK_GOOD)) {
  }
  while (Signalled(SEMA_KEYCLICK_BAD)) {
  }
}

// A key message posted to the test's mailbox and taken back out, as the
// in-line test task receives it.
struct Keypad {
  TESTING_KEY step = FIRST_KEY;
  char last[H_INLINETEST_ACTION_TEXT] = "";
  char previous[H_INLINETEST_ACTION_TEXT] = "";

  void Key(U32 mask, KEY_STATE state, CURSOR_POSITION cursor = CURSOR_UP) {
    auto* m = static_cast<MSG_KEY_CHANGE*>(H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE)));
    ASSERT_NE(m, nullptr);
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_KEY_CHANGE;
    m->key = mask;
    m->state = state;
    m->cursor = cursor;
    ASSERT_EQ(L_MBOX_Send(KEYS, m, 1, 0), lsSUCCESS);
    while (void* p = L_MBOX_Receive(KEYS)) {
      H_INLINETEST_vHandleKeypadTest(static_cast<MSG_KEY_CHANGE*>(p), &step, last, previous);
      H_MEMORY_vDumpMail(p);
    }
  }
};

class InlineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    PLATFORM_vClearCommands();
    ClearClicks();
  }
  void TearDown() override {
    PLATFORM_vSetSystemExitStatus(1);
    H_DATABASE_vInit();
  }
};

TEST_F(InlineTest, KeypadSequenceInTableOrderReachesTheEnd) {
  struct Press {
    U32 mask;
    CURSOR_POSITION down;
    const char* name;
  };
  const Press order[] = {
      {2, CURSOR_UP, "View Key--"},        {4, CURSOR_UP, "Menu Key--"},         {8, CURSOR_UP, "Exit Key--"},
      {2048, CURSOR_UP, "Right Soft Key--"}, {4096, CURSOR_UP, "Center Soft Key--"},
      {8192, CURSOR_UP, "Left Soft Key--"}, {1, CURSOR_UP, "Power Key--"},       {256, CURSOR_UP, "Goto Key--"},
      {128, CURSOR_UP, "Mark Key--"},       {512, CURSOR_UP, "Info Key--"},       {64, CURSOR_UP, "Zoom out Key--"},
      {32, CURSOR_UP, "Zoom in Key--"},     {16, CURSOR_NORTH, "Cursor North Key--"},
      {16, CURSOR_SOUTH, "Cursor South Key--"}, {16, CURSOR_EAST, "Cursor East Key--"},
      {16, CURSOR_WEST, "Cursor West Key--"},
  };
  Keypad k;
  int expected = 0;
  for (const Press& p : order) {
    SCOPED_TRACE(p.name);
    k.Key(p.mask, KEY_DOWN, p.down);
    EXPECT_EQ(k.step, ++expected);
    EXPECT_STREQ(k.last, (std::string(p.name) + "Pressed").c_str());
    EXPECT_TRUE(Signalled(SEMA_KEYCLICK_GOOD));
    // The cursor key is released without a direction.
    k.Key(p.mask, KEY_UP, CURSOR_UP);
    EXPECT_EQ(k.step, ++expected);
    EXPECT_STREQ(k.previous, (std::string(p.name) + "Pressed").c_str());
    EXPECT_STREQ(k.last, p.mask == 16 ? "Cursor Key--Released" : (std::string(p.name) + "Released").c_str());
  }
  EXPECT_EQ(k.step, TESTING_KEY_DONE);
  EXPECT_FALSE(Signalled(SEMA_KEYCLICK_BAD));
  // Past the end keys only show their names.
  k.Key(4, KEY_DOWN);
  EXPECT_EQ(k.step, TESTING_KEY_DONE);
  EXPECT_STREQ(k.last, "Menu Key--Pressed");
}

TEST_F(InlineTest, WrongKeysSetThePairBackWithABadClickOnPressOnly) {
  Keypad k;
  k.step = TESTING_KEY_MENU_DOWN;
  k.Key(8, KEY_DOWN);  // EXIT at menu down
  EXPECT_EQ(k.step, TESTING_KEY_MENU_DOWN);
  EXPECT_TRUE(Signalled(SEMA_KEYCLICK_BAD));
  k.Key(8, KEY_UP);
  EXPECT_EQ(k.step, TESTING_KEY_MENU_DOWN);
  EXPECT_FALSE(Signalled(SEMA_KEYCLICK_BAD));

  // The right key in the wrong state changes nothing.
  k.Key(4, KEY_UP);
  EXPECT_EQ(k.step, TESTING_KEY_MENU_DOWN);
  k.Key(4, KEY_DOWN);
  EXPECT_EQ(k.step, TESTING_KEY_MENU_UP);
  k.Key(4, KEY_DOWN);  // a repeat
  EXPECT_EQ(k.step, TESTING_KEY_MENU_UP);
  // Another key at an up step goes back to the pair's down step.
  k.Key(2, KEY_DOWN);
  EXPECT_EQ(k.step, TESTING_KEY_MENU_DOWN);

  // A cursor diagonal or an unknown mask: a bad click, no change.
  ClearClicks();
  k.step = TESTING_KEY_CURSOR_NORTH_UP;
  k.Key(16, KEY_DOWN, CURSOR_NORTH_EAST);
  k.Key(1u << 20, KEY_DOWN);
  EXPECT_EQ(k.step, TESTING_KEY_CURSOR_NORTH_UP);
  EXPECT_TRUE(Signalled(SEMA_KEYCLICK_BAD));
}

TEST_F(InlineTest, ResetGoesToTheDownStepOfThePair) {
  const std::pair<S32, S32> cases[] = {{0, 0}, {1, 0}, {2, 2}, {3, 2}, {30, 30}, {31, 30}, {32, 0}, {-4, 0}, {99, 0}};
  for (auto [from, to] : cases) {
    TESTING_KEY step = (TESTING_KEY)from;
    H_INLINETEST_vResetCurrentKeyTest(&step);
    EXPECT_EQ(step, to) << from;
  }
}

TEST_F(InlineTest, BacklightCyclesThroughThreeLevels) {
  std::vector<U32> seen;
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(H_INLINETEST_eTestBackLight(), PASS);
    U32 level = 0;
    ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("CBAK"), &level));
    seen.push_back(level);
  }
  EXPECT_EQ(seen, (std::vector<U32>{3, 6, 10, 3}));
}

TEST_F(InlineTest, SensorAndVoltageLimits) {
  U32 shown = 0;
  EXPECT_EQ(H_INLINETEST_eBatteryVoltage(&shown, 15, 10), PENDING);
  EXPECT_EQ(H_INLINETEST_eTestSpeed(&shown, 0, 10), PENDING);
  struct Case {
    const char* key;
    F32 value;
    TEST_RESULT result;
    U32 shown;
  };
  const Case cases[] = {
      {"IVLT", 12.4f, PASS, 12}, {"IVLT", 15.4f, PASS, 15}, {"IVLT", 15.5f, FAIL, 16}, {"IVLT", 9.4f, FAIL, 9},
      {"ISTW", 5.5f, PASS, 6},   {"ISTW", 11.0f, FAIL, 11}, {"ITMT", 20.2f, PASS, 20}, {"ITMS", 40.0f, FAIL, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    H_DATABASE_bUpdateValueFloat(MAKE_FOURCHARID(c.key[0], c.key[1], c.key[2], c.key[3]), c.value, P_NORMAL);
    TEST_RESULT r = FAIL;
    const std::string key = c.key;
    if (key == "IVLT") r = H_INLINETEST_eBatteryVoltage(&shown, 15, 10);
    if (key == "ISTW") r = H_INLINETEST_eTestSpeed(&shown, 0, 10);
    if (key == "ITMT") r = H_INLINETEST_eTestTransducerWaterTemperatue(&shown, 0, 30);
    if (key == "ITMS") r = H_INLINETEST_eTestSpeedWaterTemperatue(&shown, 0, 30);
    EXPECT_EQ(r, c.result) << c.value;
    EXPECT_EQ(shown, c.shown) << c.value;
  }
}

TEST_F(InlineTest, AccessoryPortAnswer) {
  EXPECT_EQ(H_INLINETEST_eAccessoryPort(nullptr), PENDING);
  H_DATABASE_bUpdateValueBoolean(FCID("AC01"), TRUE, P_NORMAL);
  EXPECT_EQ(H_INLINETEST_eAccessoryPort(nullptr), PASS);
  H_DATABASE_bUpdateValueBoolean(FCID("AC01"), FALSE, P_NORMAL);
  EXPECT_EQ(H_INLINETEST_eAccessoryPort(nullptr), FAIL);
}

TEST_F(InlineTest, PingRunsOnlyForAnIPv4Address) {
  const std::string here = s_install.base + "/pingcwd";
  std::filesystem::create_directories(here);
  ASSERT_EQ(chdir(here.c_str()), 0);
  // The ping's exit status decides; a failing one is reported by number.
  const struct {
    int exit_status;
    TEST_RESULT result;
    const char* address_after;
  } pings[] = {{1, FAIL, "1"}, {2, FAIL, "2"}, {0, PASS, "192.168.1.20"}};
  for (const auto& c : pings) {
    SCOPED_TRACE(c.exit_status);
    PLATFORM_vClearCommands();
    PLATFORM_vSetSystemExitStatus(c.exit_status);
    char good[32] = "192.168.1.20";
    EXPECT_EQ(H_INLINETEST_eEthernetTest(good, sizeof good), c.result);
    EXPECT_STREQ(good, c.address_after);
    EXPECT_EQ(PLATFORM_vecCommands(), (std::vector<std::string>{"ping -c 1 192.168.1.20 > /dev/null"}));
  }

  const char* hostile[] = {"1.2.3.4;touch x", "1.2.3.4 && touch x", "$(touch x)", "`touch x`", "1.2.3", "", "::1",
                           "1.2.3.4\ntouch x", "300.1.1.1"};
  for (const char* h : hostile) {
    SCOPED_TRACE(h);
    PLATFORM_vClearCommands();
    char address[32];
    snprintf(address, sizeof address, "%s", h);
    EXPECT_EQ(H_INLINETEST_eEthernetTest(address, sizeof address), FAIL);
    EXPECT_TRUE(PLATFORM_vecCommands().empty());
  }
  EXPECT_FALSE(std::filesystem::exists(here + "/x"));
}

TEST_F(InlineTest, CardSlotsAndStorageFiles) {
  const std::string root = PLATFORM_pcHostRoot();
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(H_INLINETEST_eTestMMCCardPresent(0), PASS);
  EXPECT_EQ(H_INLINETEST_eTestMMC(0), PENDING);
  std::filesystem::create_directories(root + "/mnt/mmc0");
  std::ofstream(root + "/mnt/mmc0/OTHER.TXT") << "x";
  EXPECT_EQ(H_INLINETEST_eTestMMCCardPresent(0), PENDING);
  EXPECT_EQ(H_INLINETEST_eTestMMC(0), FAIL);
  std::ofstream(root + "/mnt/mmc0/TEST.TXT") << "x";
  EXPECT_EQ(H_INLINETEST_eTestMMC(0), PASS);
  EXPECT_EQ(H_INLINETEST_eTestMMC(7), PENDING);

  std::filesystem::create_directories(root + "/usr/tessix");
  std::ofstream(root + "/usr/tessix/nand2") << "x";
  EXPECT_EQ(H_INLINETEST_eCheckNand("/usr/tessix/nand1", "/usr/tessix/nand2", FALSE), PASS);
  EXPECT_EQ(H_INLINETEST_eCheckNand("/usr/tessix/nand1", "/usr/tessix/nand2", TRUE), FAIL);
  EXPECT_EQ(H_INLINETEST_eCheckNand(nullptr, "/usr/tessix/nand2", FALSE), PASS);
}

TEST_F(InlineTest, MapChecksumsRunOnceAndRefuseOddNames) {
  EXPECT_FALSE(H_INLINETEST_bVerifyMapChecksums("maps.md5;reboot"));
  EXPECT_TRUE(PLATFORM_vecCommands().empty());
  while (Signalled(SEMA_NVRAM_UPDATE)) {
  }
  // A failing check leaves the maps unverified and is run again next time.
  EXPECT_FALSE(H_INLINETEST_bVerifyMapChecksums("/usr/tessix/maps.md5"));
  BOOLEAN unverified = TRUE;
  EXPECT_FALSE(H_DATABASE_bFetchBoolean(FCID("SNMV"), &unverified) && unverified);
  EXPECT_FALSE(Signalled(SEMA_NVRAM_UPDATE));
  PLATFORM_vClearCommands();
  PLATFORM_vSetSystemExitStatus(0);
  EXPECT_TRUE(H_INLINETEST_bVerifyMapChecksums("/usr/tessix/maps.md5"));
  EXPECT_EQ(PLATFORM_vecCommands(), (std::vector<std::string>{"md5sum -c /usr/tessix/maps.md5"}));
  BOOLEAN verified = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("SNMV"), &verified));
  EXPECT_TRUE(verified);
  EXPECT_TRUE(Signalled(SEMA_NVRAM_UPDATE));
  PLATFORM_vClearCommands();
  EXPECT_TRUE(H_INLINETEST_bVerifyMapChecksums("/usr/tessix/maps.md5"));
  EXPECT_TRUE(PLATFORM_vecCommands().empty());
}

}  // namespace
