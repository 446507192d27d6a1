// Start-up, storage and alarms: until the start-up task, the NVRAM task and
// the card task are built, their places in the task table are held by these
// stand-ins. The start-up stand-in starts the six tasks the start-up task
// starts itself and takes the unit straight into simulator operation; the
// NVRAM stand-in registers their mailboxes so that senders and the
// orderly shutdown find them, and empty them.
#include "source/startup/task_stubs.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/startup/t_startup_quickconfig.h"
#include "source/ui/ui_upcalls.h"

namespace {

void vEmpty(MBOX m) {
  while (void* message = L_MBOX_Receive(m)) H_MEMORY_vDumpMail(message);
}

void vRegister(FOURCHARID key, MBOX m) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)m, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
}

constexpr U32 STARTUP_SWEEP_MS = 2000;

// Writes the system state and tells every task registered under a T key to
// begin its normal work, the display task first.
void vRunSystem(SYSTEM_STATE state) {
  H_DATABASE_bUpdateValueU32(FCID("CCST"), (U32)state, P_NORMAL);
  std::vector<MBOX> mailboxes;
  U32 display = 0;
  if (H_DATABASE_bFetchU32(FCID("TDSP"), &display)) mailboxes.push_back((MBOX)display);
  MULTI_FETCH_CONTROL_STRUCTURE walk;
  memset(&walk, 0, sizeof walk);
  walk.cMatch = 'T';
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    const MBOX m = (MBOX)walk.data.u32Val;
    if (walk.id != FCID("TDSP") && m != M_STARTUP) mailboxes.push_back(m);
  }
  log_me("run system: state %d, %d tasks", (int)state, (int)mailboxes.size());
  for (MBOX m : mailboxes) {
    auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    memset(msg, 0, sizeof *msg);
    msg->Cmd = CMD_ID_RUN_SYSTEM;
    if (L_MBOX_Send(m, msg, 3, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
  }
}

// The six tasks the start-up task starts itself, in order.
constexpr S32 s_startupTasks[] = {TASK_DISPTASK,  TASK_VIEWTASK, TASK_VIEWKEYTASK,
                                  TASK_NVRTASK,   TASK_KBDTASK,  TASK_MENUTASK};

}  // namespace

// ------------------------------------------------------------ start-up task
void T_STARTUP_vTask(void) {
  for (S32 id : s_startupTasks) {
    const S32 old = L_TASK_GetPriority(id);
    L_TASK_SetPriority(id, 2);
    L_TASK_Start(id);
    L_TASK_SetPriority(id, (PRIORITY)old);
    // The display task's pages, backlight and key exist before anything
    // else starts (its mailbox is the first the run reaches).
    if (id == TASK_DISPTASK) L_SEMA_Wait(SEMA_DISPINIT_COMPLETE);
  }
  bStartupTaskInitialized.store(1, std::memory_order_release);

  // Until the start-up screens exist the unit goes straight into simulator
  // operation once every task has been started (or, on this machine, into
  // the state TESSIX_SYSTEM_STATE names: 6 for the point-of-sale
  // demonstration).
  while (bMainTasksStarted.load(std::memory_order_acquire) == 0) L_CLOCK_Sleep(10);
  SYSTEM_STATE state = STATE_SIMULATION;
  if (const char* pc = getenv("TESSIX_SYSTEM_STATE")) {
    const int n = atoi(pc);
    if (n >= (int)STATE_NORMAL_RUN && n <= (int)STATE_POINT_OF_SALE) state = (SYSTEM_STATE)n;
  }
  vRunSystem(state);

  // From now on the time-out sweep of the settings database runs every 2 s.
  const SEMA list[] = {SEMA_MBOX_STARTUP, SEMA_TIMER_STARTUP, 0};
  L_TIMER_Start(nullptr, STARTUP_SWEEP_MS, STARTUP_SWEEP_MS, SEMA_TIMER_STARTUP);
  for (;;) {
    if (L_SEMA_WaitMultiple(list) == SEMA_TIMER_STARTUP) H_DATABASE_vSendAllInvalidData();
    vEmpty(M_STARTUP);
  }
}

// ------------------------------------------------------------ NVRAM task
void T_NVRAM_vTask(void) {
  vRegister(FCID("TNVR"), M_NVRAM);
  L_TASK_vServePlaceholder({M_NVRAM});
}

void STARTUP_vInstall(void) {
  T_STARTUP_vMain_Install(&T_STARTUP_vTask);
  T_STARTUP_vRemoveQuickConfigMenu_Install(&T_STARTUP_vQuickConfigDone);
  T_NVRAM_vMain_Install(&T_NVRAM_vTask);
  T_MMC_vMain_Install(&T_MMC_vTask);
  T_MMC_vInstallHost();
}
