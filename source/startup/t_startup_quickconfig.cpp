// The start-up task's end of the first-start quick setup.
#include "source/startup/t_startup_quickconfig.h"

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

void T_STARTUP_vQuickConfigDone(void) {
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), FALSE, P_NORMAL);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
}
