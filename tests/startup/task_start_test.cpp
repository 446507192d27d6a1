// The start of the tasks in this process: the start-up task starts its six
// tasks and releases the start sequence, every started task waits on the
// semaphore of its own mailbox (and its other events), and messages sent to
// any of its mailboxes are disposed of, acknowledgement included.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <set>
#include <utility>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/core/core_upcalls.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/ui_install.h"
#include "source/startup/startup_install.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

void vSleepMs(long ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

// Starts what the start sequence starts (without parking this thread), and
// the table rows that nothing starts but whose entries serve a mailbox.
void vStartEverything() {
  static bool started = false;
  if (started) return;
  started = true;
  // Without a unit address no task registers with the message layer, and
  // its socket task waits on its semaphore.
  setenv("TESSIX_UNIT_ADDRESS", "none", 1);
  START_vBindMailboxes();
  L_TASK_Start(TASK_UARTTASK);
  L_TASK_Start(TASK_STARTTASK);
  for (int i = 0; i < 5000 && !bStartupTaskInitialized.load(); ++i) vSleepMs(1);
  for (S32 id : g_START_lateTasks) L_TASK_Start(id);
  bMainTasksStarted.store(1);
  for (S32 id : {TASK_ADCTASK, TASK_TREVANICTASK, TASK_HISTORY3DTASK, TASK_PROCESS3DTASK, TASK_RENDER3DTASK,
                 TASK_SLPTESTTASK}) {
    L_TASK_Start(id);
  }
}

}  // namespace

TEST(StartSequence, LateTasksInTheirOrder) {
  const std::vector<S32> expected = {26, 43, 47, 54, 51, 52, 53, 55, 56, 68, 44, 10, 23, 27, 22,
                                     37, 41, 42, 9,  28, 13, 39, 40, 16, 32, 19, 20, 25, 21, 24,
                                     31, 12, 60, 67, 11, 30, 45, 46, 57, 58, 59, 61, 62, 63, 69};
  EXPECT_EQ(std::vector<S32>(g_START_lateTasks, g_START_lateTasks + START_LATE_TASK_COUNT), expected);
  // With the start sequence, every task but the start-up task's six and the
  // two first is started here exactly once.
  std::set<S32> all(expected.begin(), expected.end());
  EXPECT_EQ(all.size(), expected.size());
  for (S32 id : {2, 17, 4, 5, 6, 14, 8, 15}) EXPECT_FALSE(all.count(id)) << id;
}

TEST(TaskStubs, EveryTaskWaitsOnItsOwnMailboxSemaphore) {
  vStartEverything();
  EXPECT_EQ(bStartupTaskInitialized.load(), 1);
  // The battery monitor reaches its mailbox once the first supply-voltage
  // reading exists (here no coprocessor transfer writes one).
  H_DATABASE_bUpdateEverythingU32(FCID("AD05"), 275 * 64, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  const std::vector<std::pair<TASK, SEMA>> waits = {
      {TASK_UARTTASK, SEMA_MBOX_COM1A},
      {TASK_DISPTASK, SEMA_MBOX_DISPLAY},
      {TASK_VIEWTASK, SEMA_MBOX_VIEW},
      {TASK_VIEWKEYTASK, SEMA_MBOX_VIEWKEY},
      {TASK_KBDTASK, SEMA_MBOX_KEYB},
      {TASK_SPEEDTASK, SEMA_MBOX_SPEED},
      {TASK_INFOTASK, SEMA_MBOX_INFO},
      {TASK_PROCESSTASK, SEMA_MBOX_PROCESS},
      {TASK_PINGTASK, SEMA_MBOX_PING},
      {TASK_CHARTTASK, SEMA_MBOX_CHART},
      {TASK_NVRTASK, SEMA_MBOX_NVRAM},
      {TASK_MENUTASK, SEMA_MBOX_MENU},
      {TASK_NAVTASK, SEMA_MBOX_NAV},
      {TASK_NAVTASK, SEMA_KEYBOARD_LONG_GOTO},
      {TASK_STARTTASK, SEMA_MBOX_STARTUP},
      {TASK_NMEATASK, SEMA_MBOX_NMEA},
      {TASK_ALARMTASK, SEMA_MBOX_ALARM},
      {TASK_PCCTASK, SEMA_MBOX_PCC},
      {TASK_BARTASK, SEMA_MBOX_BAR},
      {TASK_ACCTASK, SEMA_MBOX_ACC},
      {TASK_ACCTASK, SEMA_ACC_REPLY},
      {TASK_WTEMPTASK, SEMA_MBOX_WTEMP},
      {TASK_BATTTASK, SEMA_MBOX_BATT},
      {TASK_INLINETESTTASK, SEMA_MBOX_INLINETEST},
      {TASK_ACCCOMM, SEMA_MBOX_ACC_COMM},
      {TASK_MMCTASK, SEMA_MBOX_MMC},
      {TASK_TREVANICTASK, SEMA_MBOX_TREVANIC},
      {TASK_HISTORYTASK, SEMA_MBOX_HISTORY},
      {TASK_BUTTONTASK, SEMA_MBOX_BUTTON},
      {TASK_CHARTINFOTASK, SEMA_MBOX_CHART_INFO},
      {TASK_HISTORY3DTASK, SEMA_MBOX_3D_HISTORY},
      {TASK_PROCESS3DTASK, SEMA_MBOX_3D_PROCESS},
      {TASK_RENDER3DTASK, SEMA_MBOX_3D_RENDER},
      {TASK_DOWNRIGGERTASK, SEMA_MBOX_DOWNRIGGER},
      {TASK_CHART3DTASK, SEMA_MBOX_CHART3D},
      {TASK_HTMLTASK, SEMA_MBOX_HTML},
      {TASK_GATEWAYTASK, SEMA_MBOX_GATEWAY},
      {TASK_GATEWAYNAVTASK, SEMA_MBOX_GATEWAY_NAV},
      {TASK_ETHERNETTASK, SEMA_MBOX_ETHERNET},
      {TASK_SOUNDTASK, SEMA_MBOX_SOUND},
      {TASK_SATWXTASK, SEMA_MBOX_SATWX},
      {TASK_SATWXDATATASK, SEMA_MBOX_SATWX_DATA},
      {TASK_GMSGTASK, SEMA_MBOX_GMSG},
      {TASK_GMSGSOCKETTASK, SEMA_GMSG_SELECT},
      {TASK_SLPCLIENTTASK, SEMA_MBOX_SLPCLIENT},
      {TASK_SUDPIN, SEMA_MBOX_SUDPIN},
      {TASK_SUDPOUT, SEMA_MBOX_SUDPOUT},
      {TASK_RADARTASK, SEMA_MBOX_RADAR},
      {TASK_RADARDATATASK, SEMA_MBOX_RADAR_DATA},
      {TASK_RADARSERVERTASK, SEMA_MBOX_RADAR_SERVER},
      {TASK_RADARSERVERTASK, SEMA_MBOX_RADAR_SERVER_TCP},
      {TASK_RADARCLIENTTASK, SEMA_MBOX_RADAR_CLIENT},
      {TASK_ETHUPDATERTASK, SEMA_MBOX_ETH_UPDATER},
      {TASK_NETPINGRECEIVETASK, SEMA_MBOX_NETPING_RECEIVE},
      {TASK_KEELARTASK, SEMA_MBOX_KEELAR},
      {TASK_BTREMOTETASK, SEMA_MBOX_BTREMOTE},
  };
  for (const auto& [task, sema] : waits) {
    // A task that also polls a mailbox leaves its wait once a second.
    S32 waiter = 0;
    for (int i = 0; i < 3000 && (waiter = L_SEMA_GetWaitingTaskID(sema)) != task; ++i) vSleepMs(1);
    EXPECT_EQ(waiter, task) << get_task_name(task) << " on " << get_semaphore_name(sema);
  }
}

TEST(TaskStubs, MessagesToEveryKindOfMailboxAreDisposedOf) {
  vStartEverything();
  // Bound at start, bound by its own task, taken without semaphore by a task
  // that waits on another one, read by a blocking receive, and the second
  // mailbox of a task.
  for (MBOX m : {M_NAV, M_ACC_REPLY, M_KEELAR, M_GWNAVDATA, M_ADC, M_SLPTEST, M_RADAR_SERVER_TCP, M_STARTUP}) {
    auto* message = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
    ASSERT_NE(message, nullptr);
    message->Cmd = CMD_ID_RUN_SYSTEM;
    EXPECT_EQ(L_MBOX_SendWaitTicks(m, message, 3, SEMA_USER_TEST, 5000), 0) << get_mailbox_name(m);
    H_MEMORY_vFree(message);
  }
}
