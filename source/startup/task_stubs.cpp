// Start-up, storage and alarms: installs the start-up and NVRAM tasks. Until
// the card task is built, its place in the task table is held by a stand-in
// that registers its mailbox, so that senders and the orderly shutdown find
// it, and empties it.
#include "source/startup/task_stubs.h"

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"
#include "source/startup/t_nvram.h"
#include "source/startup/t_startup.h"
#include "source/startup/t_startup_quickconfig.h"
#include "source/ui/ui_upcalls.h"

void T_MMC_vTask(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("TMMC"), (U32)M_MMC, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  L_TASK_vServePlaceholder({M_MMC});
}

void STARTUP_vInstall(void) {
  T_STARTUP_vMain_Install(&T_STARTUP_vTask);
  T_STARTUP_vRemoveQuickConfigMenu_Install(&T_STARTUP_vQuickConfigDone);
  T_NVRAM_vMain_Install(&T_NVRAM_vTask);
  T_MMC_vMain_Install(&T_MMC_vTask);
}
