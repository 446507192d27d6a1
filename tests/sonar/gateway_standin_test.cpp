// The unit-link gateway stand-in: a depth-alarm cancel raised and cancelled
// here reaches mailbox 42 and is taken there (its data freed with it, which
// the sanitizer builds check), as are messages without data and of other
// kinds.
#include <gtest/gtest.h>
#include <string.h>

#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/sonar/s_depthalarm.h"
#include "source/startup/t_alarm.h"
#include "source/startup/startup_install.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr MBOX ALARM_STANDIN = M_NMEA;

// Sends and waits until the stand-in has taken the message.
void SendWait(GATEWAY_DATA_IDS kind, bool withData) {
  auto* m = (GATEWAY_DATA_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GATEWAY_DATA_MESSAGE));
  memset(m, 0, sizeof *m);
  m->msg.Cmd = CMD_ID_GATEWAY_DATA;
  m->datatype = kind;
  if (withData) {
    m->gwdata = (U8*)H_MEMORY_pvMalloc(1);
    *m->gwdata = 1;
  }
  ASSERT_EQ(L_MBOX_SendWait(M_GATEWAY, m, 3, SEMA_MBOX_CHART), lsSUCCESS);
  const U8* data = m->gwdata;  // a copy: the member is packed
  EXPECT_EQ(data, nullptr);      // freed and cleared before the acknowledgement
  H_MEMORY_vFree(m);
}

TEST(GatewayStandIn, TakesDepthAlarmCancels) {
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("TALR"), ALARM_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  ASSERT_EQ(L_MBOX_DefineSema(M_GATEWAY, SEMA_MBOX_GATEWAY), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_GATEWAYTASK), lsSUCCESS);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_GATEWAY) == TASK_GATEWAYTASK; }));
  for (GATEWAY_DATA_IDS kind : {GW_DP_Cancel_Depth_Alarm, GW_DP_Cancel_Remote_Depth_Alarm, (GATEWAY_DATA_IDS)5}) {
    SendWait(kind, true);
    SendWait(kind, false);
  }
  // The cancel callback of a raised alarm, as the alarm task calls it.
  S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE_LOCAL_DEPTH, 2.0f, 3.0f);
  void* p = L_MBOX_Receive(ALARM_STANDIN);
  ASSERT_NE(p, nullptr);
  ((ALARM_SET_MESSAGE*)p)->pFunctionAlarmCancel();
  H_MEMORY_vFree(p);
  EXPECT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_GATEWAY) == TASK_GATEWAYTASK; }));
  EXPECT_EQ(S_DEPTHALARM_eState(DEPTH_SOURCE_LOCAL_DEPTH), DEPTH_ALARM_MANUALLY_CANCELLED);
}

}  // namespace
