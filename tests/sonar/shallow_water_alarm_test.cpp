// Threading test: also runs under ThreadSanitizer.
// The shallow-water alarm end to end on the real alarm task: bottom depths
// handed to the depth alarm as the processing task hands each published
// depth, against the set point YSDA. The alarm shows as "Depth Alarm" with
// its custom tone; acknowledging it with a key tells the other head through
// mailbox 42 (kind 31, one byte 1), keeps the alarm quiet while shallow and
// re-arms it once the bottom is deeper than the set point.
#include <gtest/gtest.h>
#include <string.h>

#include <chrono>
#include <thread>
#include <vector>

#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/sonar/s_depthalarm.h"
#include "source/startup/startup_install.h"
#include "source/startup/t_alarm.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr MBOX KEYBOARD_STANDIN = M_NAV;
constexpr MBOX VIEW_STANDIN = M_NMEA;
constexpr SEMA SYNC_SEMA = SEMA_MBOX_CHART;

void Sync() {
  auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_ALARM, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

void Key(U32 key) {
  auto* m = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_KEY_CHANGE;
  m->key = key;
  m->state = KEY_DOWN;
  m->count = 1;
  m->cursor = CURSOR_UP;
  ASSERT_EQ(L_MBOX_Send(M_ALARM, m, 1, 0), lsSUCCESS);
  Sync();
}

// Custom tones asked of the sound task (nobody serves its mailbox here).
std::vector<const SOUND*> CustomTones() {
  std::vector<const SOUND*> out;
  while (void* p = L_MBOX_Receive(M_SOUND)) {
    const auto* m = (const MSG_PLAY_SOUND*)p;
    if (m->Header.Cmd == CMD_ID_PLAY_SOUND && m->StandardSoundID == TONE_USE_CUSTOM) out.push_back(m->pSound);
    H_MEMORY_vFree(p);
  }
  return out;
}

// Gateway messages: kind and data byte.
std::vector<std::pair<int, int>> Gateway() {
  std::vector<std::pair<int, int>> out;
  while (void* p = L_MBOX_Receive(M_GATEWAY)) {
    const auto* m = (const GATEWAY_DATA_MESSAGE*)p;
    const U8* data = m->gwdata;  // a copy: the member is packed
    out.emplace_back((int)m->datatype, data != nullptr ? *data : -1);
    H_MEMORY_vFree(m->gwdata);
    H_MEMORY_vFree(p);
  }
  return out;
}

void vDrain(MBOX box) {
  while (void* p = L_MBOX_Receive(box)) H_MEMORY_vDumpMail(p);
}

// One published bottom depth against the set point, as the processing
// task passes it on.
void Depth(F32 fMetres) {
  F32 setPoint = 0.0f;
  (void)H_DATABASE_bFetchFloat(FCID("YSDA"), &setPoint);
  S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE_LOCAL_DEPTH, fMetres, setPoint);
  Sync();
}

TEST(ShallowWaterAlarm, FollowsTheBottomAndIsAcknowledgedByAKey) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), VIEW_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingFloat(FCID("YSDA"), 3.0f, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
  ASSERT_EQ(L_MBOX_DefineSema(M_ALARM, SEMA_MBOX_ALARM), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_ALARMTASK), lsSUCCESS);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_ALARM) == TASK_ALARMTASK; }));
  S_DEPTHALARM_vInitDepthAlarms();
  S_DEPTHALARM_vReset();

  Depth(8.0f);
  Depth(4.0f);
  EXPECT_EQ(T_ALARM_u32ActiveCount(), 0u);
  Depth(2.9f);  // shallower than the set point
  ASSERT_TRUE(WaitFor([] { return T_ALARM_nDisplayedSlot() == DEPTH_ALARM; }));
  EXPECT_EQ(CustomTones(), std::vector<const SOUND*>{&depth_alarm_sound});
  Depth(2.5f);  // still shallow: no second alarm, no second initial tone
  EXPECT_EQ(T_ALARM_u32ActiveCount(), 1u);
  EXPECT_TRUE(CustomTones().empty());

  Key(KEY_MASK_EXIT);  // acknowledged on this unit
  ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 0; }));
  EXPECT_EQ(S_DEPTHALARM_eState(DEPTH_SOURCE_LOCAL_DEPTH), DEPTH_ALARM_MANUALLY_CANCELLED);
  EXPECT_EQ(Gateway(), (std::vector<std::pair<int, int>>{{GW_DP_Cancel_Depth_Alarm, 1}}));

  Depth(2.0f);  // quiet while shallow
  EXPECT_EQ(T_ALARM_u32ActiveCount(), 0u);
  Depth(3.5f);  // deeper than the set point: armed again
  Depth(2.8f);
  ASSERT_TRUE(WaitFor([] { return T_ALARM_nDisplayedSlot() == DEPTH_ALARM; }));
  // Switching the alarm off takes it down.
  H_DATABASE_bUpdateValueFloat(FCID("YSDA"), 0.0f, P_NORMAL);
  Depth(2.8f);
  ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 0; }));
  EXPECT_TRUE(Gateway().empty());  // taken down without a cancel
  vDrain(VIEW_STANDIN);
  vDrain(KEYBOARD_STANDIN);
  CustomTones();
}

}  // namespace
