// Threading test: also runs under ThreadSanitizer.
// The battery monitor driven through the settings database as the
// coprocessor transfer and the menu write AD05 and SLBV: the published
// voltage, the alarms it sends to a stand-in of the alarm task's mailbox and
// the power-down request to a stand-in of the keyboard task's mailbox.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/h_battery.h"
#include "source/startup/t_alarm.h"
#include "source/startup/startup_install.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr MBOX KEYBOARD_STANDIN = M_NAV;
constexpr MBOX ALARM_STANDIN = M_NMEA;
constexpr SEMA SYNC_SEMA = SEMA_MBOX_CHART;

void Sync() {
  auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread, behind every notice
  ASSERT_EQ(L_MBOX_SendWait(M_BATTERY, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

void Reading(U32 count) {
  H_DATABASE_bUpdateValueU32(FCID("AD05"), count * 64, P_NORMAL);
  Sync();
}

void SetPoint(F32 volts) {
  H_DATABASE_bUpdateValueFloat(FCID("SLBV"), volts, P_NORMAL);
  Sync();
}

// What reached the alarm task's mailbox: "+5 Low Voltage", "-72".
std::vector<std::string> Alarms() {
  std::vector<std::string> out;
  while (void* p = L_MBOX_Receive(ALARM_STANDIN)) {
    const auto* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_SET_ALARM) {
      const auto* m = (const ALARM_SET_MESSAGE*)p;
      out.push_back("+" + std::to_string(m->Priority) + " " + (m->pMessageString ? m->pMessageString : "") +
                    (m->InitialToneID == TONE_GENERAL_ALERT ? " (tone)" : ""));
    } else if (g->Cmd == CMD_ID_CLEAR_ALARM) {
      out.push_back("-" + std::to_string(((const ALARM_CLEAR_MESSAGE*)p)->Priority));
    }
    H_MEMORY_vFree(p);
  }
  return out;
}

int ShutdownRequests() {
  int n = 0;
  while (void* p = L_MBOX_Receive(KEYBOARD_STANDIN)) {
    if (((const GENERIC_MESSAGE*)p)->Cmd == CMD_ID_SHUTDOWN) ++n;
    H_MEMORY_vFree(p);
  }
  return n;
}

F32 Volts() {
  F32 v = -1.0f;
  H_DATABASE_bFetchFloat(FCID("IVLT"), &v);
  return v;
}

void StartBatteryTask() {
  static bool started = false;
  if (started) return;
  started = true;
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("TALR"), ALARM_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  ASSERT_EQ(L_MBOX_DefineSema(M_BATTERY, SEMA_MBOX_BATT), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_BATTTASK), lsSUCCESS);
  // The task waits for the first reading's key.
  H_DATABASE_bUpdateEverythingU32(FCID("AD05"), 275 * 64, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_BATT) == TASK_BATTTASK; }));
}

class Battery : public ::testing::Test {
 protected:
  void SetUp() override {
    StartBatteryTask();
    H_DATABASE_vDeleteEntry(FCID("TKBD"));
    SetPoint(8.0f);
    Reading(275);
    Alarms();
    ShutdownRequests();
    H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  }
};

TEST(BatteryVoltage, HundredthsOfTheCount) {
  struct Case {
    U32 count, hundredths;
  };
  for (const Case& c : std::vector<Case>{{0, 43}, {180, 799}, {181, 804}, {263, 1148}, {264, 1152}, {275, 1198},
                                          {418, 1799}, {419, 1803}}) {
    EXPECT_EQ(H_BATTERY_u32Hundredths(c.count * 64), c.hundredths) << c.count;
    EXPECT_EQ(H_BATTERY_u32Hundredths(c.count * 64 + 63), c.hundredths) << c.count << " (low bits dropped)";
  }
}

// Sequences of readings: the alarms sent, the power-down requests, and the
// voltage published after the last reading.
TEST_F(Battery, ReadingSequences) {
  struct Case {
    const char* name;
    F32 setPoint;
    std::vector<U32> counts;
    std::vector<std::string> alarms;
    int shutdowns;
    F32 volts;
  };
  const Case cases[] = {
      {"normal", 8.0f, {275}, {}, 0, 11.98f},
      {"low, high, low: no power-down", 8.0f, {180, 181, 180}, {}, 0, 7.99f},
      {"high voltage and its clear", 8.0f, {419, 419, 418}, {"+72 Input Voltage High", "-72"}, 0, 17.99f},
      {"off: never low", 8.0f, {263, 200, 181}, {}, 0, 8.04f},
      {"low once however often", 11.5f, {263, 263, 263}, {"+5 Low Voltage (tone)"}, 0, 11.48f},
      {"low again after a rise", 11.5f, {263, 264, 263}, {"+5 Low Voltage (tone)", "+5 Low Voltage (tone)"}, 0,
       11.48f},
      {"at the set point", 11.5f, {264, 275}, {}, 0, 11.98f},
  };
  for (const Case& c : cases) {
    SetUp();
    SetPoint(c.setPoint);
    Alarms();
    for (U32 count : c.counts) Reading(count);
    EXPECT_EQ(Alarms(), c.alarms) << c.name;
    EXPECT_EQ(ShutdownRequests(), c.shutdowns) << c.name;
    EXPECT_FLOAT_EQ(Volts(), c.volts) << c.name;
  }
}

TEST_F(Battery, SetPointOffClearsTheLowAlarm) {
  SetPoint(11.5f);
  Reading(263);
  EXPECT_EQ(Alarms(), std::vector<std::string>{"+5 Low Voltage (tone)"});
  SetPoint(8.0f);
  EXPECT_EQ(Alarms(), std::vector<std::string>{"-5"});
  Reading(200);
  EXPECT_TRUE(Alarms().empty());
}

// Two readings below 8 V in a row ask the keyboard task once to power the
// unit down; without its key no request goes out and it is tried again at
// the next low reading. (Last: the task only disposes of messages after.)
TEST_F(Battery, ZPowerDownAfterTwoLowReadings) {
  H_DATABASE_vDeleteEntry(FCID("TKBD"));
  Reading(180);
  Reading(180);
  EXPECT_EQ(ShutdownRequests(), 0);
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  Reading(180);
  EXPECT_EQ(ShutdownRequests(), 1);
  Reading(180);
  Reading(0);
  EXPECT_EQ(ShutdownRequests(), 0);
}

}  // namespace
