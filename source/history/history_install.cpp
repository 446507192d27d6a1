#include "source/history/history_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/history/history_int.h"
#include "source/sonar/s_accum.h"
#include "source/history/s_columns.h"
#include "source/history/t_history.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/ui/ui_upcalls.h"

namespace {

void vEnableShortTransmit(BOOLEAN bEnable) { s_bEnableShortTxPing.store(bEnable && !S_TRANSDUCER_bIsNadscan()); }

void vPrepareForPlayback(void) {
  S_HISTORY_vEmpty();
  T_N_PROCESS_vClearAllAccumulators();
  vTriggerAllTotalScreenUpdate();
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

}  // namespace

void HISTORY_vInstall(void) {
  T_N_HISTORY_vMain_Install(&T_N_HISTORY_vTask);
  T_N_HISTORY_fGetLowerRangeForDisplay_Install(&S_LAYOUT_fGetLowerRangeForDisplay);
  T_N_HISTORY_vEnableShortTransmit_Install(&vEnableShortTransmit);
  T_N_HISTORY_vReVerifyAndUpdateActiveSonarWindowSettings_Install(&S_LAYOUT_vReVerifyAndUpdateActiveSonarWindowSettings);
  T_N_HISTORY_vDrawFullScreenSonar_Install(&S_DRAW_vFullScreenSonar);
  T_N_HISTORY_vDrawDualBeamView_Install(&S_DRAW_vDualBeamView);
  T_N_HISTORY_vAddColumns_Install(&S_COLUMNS_vAddColumns);
  T_N_HISTORY_vPrepareForPlayback_Install(&vPrepareForPlayback);
}
