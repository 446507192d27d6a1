// Threading test: also runs under ThreadSanitizer.
// The processing task raises the remote depth alarm from the other unit's
// depth (IDER) against its set point (CRDA), both taken from the settings
// database's notices; a depth that is not positive and an IDER reading
// that timed out raise nothing.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "../support/db_test_env.h"
#include "../support/wait_for.h"
#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/platform/platform.h"
#include "source/sonar/s_depthalarm.h"
#include "source/sonar/sonar_install.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/t_process.h"
#include "source/startup/t_alarm.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bInstalled = (SONAR_vInstall(), true);
constexpr MBOX ALARM_STANDIN = M_NMEA;
constexpr SEMA SYNC_SEMA = SEMA_MBOX_CHART;

// The processing task has handled everything sent to it before.
void Sync() {
  auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_PROCESS, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

// Alarm messages since the last call: "+kind" raised, "-kind" cleared.
std::vector<std::string> Alarms() {
  std::vector<std::string> out;
  while (void* p = L_MBOX_Receive(ALARM_STANDIN)) {
    const auto* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_SET_ALARM) out.push_back("+" + std::to_string(((const ALARM_SET_MESSAGE*)p)->Priority));
    if (g->Cmd == CMD_ID_CLEAR_ALARM) out.push_back("-" + std::to_string(((const ALARM_CLEAR_MESSAGE*)p)->Priority));
    H_MEMORY_vFree(p);
  }
  return out;
}

void SetPoint(F32 metres) {
  H_DATABASE_bUpdateEverythingFloat(FCID("CRDA"), metres, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
  Sync();
}

// timeout: seconds.
void OtherUnitDepth(F32 metres, U32 timeout = 6) {
  H_DATABASE_bUpdateEverythingFloat(FCID("IDER"), metres, P_NORMAL, D_DEPTH, nullptr, timeout);
  Sync();
}

const std::string REMOTE = std::to_string((int)REMOTE_DEPTH_ALARM);

class ProcessDepthAlarm : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    (void)s_bInstalled;
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    START_vBindMailboxes();
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), ALARM_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    ASSERT_EQ(L_TASK_Start(TASK_PROCESSTASK), lsSUCCESS);
    L_SEMA_Signal(SEMA_TNHIST_WAIT);  // no history task here
    U32 mbox = 0;
    ASSERT_TRUE(WaitFor([&] { return H_DATABASE_bFetchU32(FCID("TSNR"), &mbox); }));
  }
  void SetUp() override {
    SetPoint(0.0f);
    S_DEPTHALARM_vReset();
    Alarms();
  }
};

TEST_F(ProcessDepthAlarm, OtherUnitsDepthAgainstTheSetPoint) {
  struct Case {
    F32 setPoint, depth;
    std::vector<std::string> alarms;
  };
  const Case cases[] = {
      {10.0f, 5.0f, {"+" + REMOTE}},
      {10.0f, 10.0f, {"+" + REMOTE}},  // at the set point
      {10.0f, 10.5f, {}},
      {10.0f, 0.0f, {}},  // no depth
      {10.0f, -3.0f, {}},
      {0.0f, 5.0f, {}},  // alarm off
  };
  for (const Case& c : cases) {
    SetUp();
    SetPoint(c.setPoint);
    OtherUnitDepth(c.depth);
    EXPECT_EQ(Alarms(), c.alarms) << c.setPoint << " " << c.depth;
    EXPECT_EQ(S_DEPTHALARM_eState(DEPTH_SOURCE_REMOTE_DEPTH),
              c.alarms.empty() ? DEPTH_ALARM_CLEARED : DEPTH_ALARM_ACTIVE)
        << c.setPoint << " " << c.depth;
  }
}

// A shallow reading that times out is reported as invalid with its old
// value: that raises nothing. A fresh reading then does.
TEST_F(ProcessDepthAlarm, TimedOutReadingRaisesNothing) {
  OtherUnitDepth(3.0f, 1);  // shallow, while the alarm is off
  SetPoint(10.0f);
  PLATFORM_vTestClockAdvanceMs(2000);
  H_DATABASE_vSendAllInvalidData();
  Sync();
  EXPECT_EQ(Alarms(), std::vector<std::string>{});
  EXPECT_EQ(S_DEPTHALARM_eState(DEPTH_SOURCE_REMOTE_DEPTH), DEPTH_ALARM_CLEARED);
  OtherUnitDepth(3.0f);
  EXPECT_EQ(Alarms(), std::vector<std::string>{"+" + REMOTE});
}

}  // namespace
