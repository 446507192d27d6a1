// Threading test
// The start-up task with the real NVRAM task on a fresh store: the tasks it
// starts are stood in for by recorders that register their keys and keep
// their mail; every task of the run table gets CMD_ID_RUN_SYSTEM exactly
// once and the others none; the state is burn-in without a disclaimer; the
// time-out sweep of the database runs every 2 s afterwards.
#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_startup.h"
#include "source/startup/startup_install.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

void vSleepMs(long ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

// A recorder task: registers its key and waits; its mail stays queued for
// the test to read.
template <MBOX M, U32 K>
void vRecorder(void) {
  H_DATABASE_bUpdateEverythingU32(K, (U32)M, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  // The display task tells the start-up task that its set-up is done.
  if (M == M_DISPLAY) L_SEMA_Signal(SEMA_DISPINIT_COMPLETE);
  for (;;) vSleepMs(1000);
}

// CMD_ID_RUN_SYSTEM messages waiting in a mailbox; everything else is
// disposed of.
int nRunSystems(MBOX m) {
  int n = 0;
  while (void* message = L_MBOX_Receive(m)) {
    if (static_cast<GENERIC_MESSAGE*>(message)->Cmd == CMD_ID_RUN_SYSTEM) n++;
    H_MEMORY_vDumpMail(message);
  }
  return n;
}

TEST(StartupTask, FreshStoreRunsTheSystemOnceInBurnIn) {
  (void)s_bInstalled;
  (void)s_install;
  L_TASK_SetStartFunction(TASK_DISPTASK, &vRecorder<M_DISPLAY, FCID("TDSP")>);
  L_TASK_SetStartFunction(TASK_VIEWTASK, &vRecorder<M_VIEW, FCID("TVUE")>);
  L_TASK_SetStartFunction(TASK_VIEWKEYTASK, &vRecorder<M_VIEWKEY, FCID("TVKY")>);
  L_TASK_SetStartFunction(TASK_KBDTASK, &vRecorder<M_KEYB, FCID("TKBD")>);
  L_TASK_SetStartFunction(TASK_MENUTASK, &vRecorder<M_MENU, FCID("TMNU")>);
  START_vBindMailboxes();
  L_TASK_Start(TASK_STARTTASK);
  for (int i = 0; i < 5000 && !bStartupTaskInitialized.load(); ++i) vSleepMs(1);
  ASSERT_EQ(bStartupTaskInitialized.load(), 1);
  // The settings were restored and the NVRAM task registered first.
  U32 nvram = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("TNVR"), &nvram));
  EXPECT_EQ(nvram, (U32)M_NVRAM);
  U32 state = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("CCST"), &state));
  EXPECT_EQ(state, (U32)STATE_STARTUP);

  // About 8 s after the initialisation the time-out starts the system.
  for (int i = 0; i < 12000 && state == STATE_STARTUP; ++i) {
    vSleepMs(1);
    (void)H_DATABASE_bFetchU32(FCID("CCST"), &state);
  }
  EXPECT_EQ(state, (U32)STATE_BURN_IN);
  vSleepMs(200);
  U32 view = 0;
  (void)H_DATABASE_bFetchU32(FCID("CVEW"), &view);
  EXPECT_NE(view, (U32)STARTUP_CHART_DISCLAIMER);

  std::map<MBOX, int> expected;
  for (MBOX m : g_STARTUP_mboxTaskMailboxes) expected[m]++;
  EXPECT_EQ(expected.size(), T_STARTUP_RUN_MAILBOXES);
  EXPECT_EQ(g_STARTUP_mboxTaskMailboxes[0], M_DISPLAY);
  // The NVRAM task disposes of its own; every other one is queued here.
  for (MBOX m : g_STARTUP_mboxTaskMailboxes) {
    if (m == M_NVRAM) continue;
    EXPECT_EQ(nRunSystems(m), 1) << get_mailbox_name(m);
  }
  for (MBOX m : {M_ETHERNET, M_GMSG, M_STARTUP}) EXPECT_EQ(nRunSystems(m), 0) << get_mailbox_name(m);

  // The sweep: a value with a 1 s time-out is reported invalid by the next
  // 2 s poll, not later.
  H_DATABASE_bRegisterForDataWithConditions(FCID("XSWP"), M_SPEED, FALSE, TRUE, FALSE);
  H_DATABASE_bUpdateEverythingU32(FCID("XSWP"), 7, P_NORMAL, D_UNKNOWN, nullptr, 1);
  (void)nRunSystems(M_SPEED);
  bool invalid = false;
  for (int i = 0; i < 4500 && !invalid; ++i) {
    vSleepMs(1);
    while (void* message = L_MBOX_Receive(M_SPEED)) {
      auto* notice = static_cast<MESSAGE_NEW_DATA*>(message);
      if (notice->Header.Cmd == CMD_ID_NEW_DATA && notice->FourCharId == FCID("XSWP") && !notice->bValid) {
        invalid = true;
      }
      H_MEMORY_vDumpMail(message);
    }
  }
  EXPECT_TRUE(invalid);
}

}  // namespace
