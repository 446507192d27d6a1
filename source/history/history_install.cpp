#include "source/history/history_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"
#include "source/history/history_int.h"
#include "source/sonar/s_accum.h"
#include "source/history/s_columns.h"
#include "source/history/s_cursor.h"
#include "source/history/s_enhance.h"
#include "source/history/s_imaging.h"
#include "source/history/t_history.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/startup/startup_upcalls.h"
#include "source/ui/ui_upcalls.h"

namespace {

void vEnableShortTransmit(BOOLEAN bEnable) { s_bEnableShortTxPing.store(bEnable && !S_TRANSDUCER_bIsNadscan()); }

void vPrepareForPlayback(void) {
  S_HISTORY_vEmpty();
  T_N_PROCESS_vClearAllAccumulators();
  vTriggerAllTotalScreenUpdate();
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vSetReverseScroll(BOOLEAN bReverseScroll, BOOLEAN bEndFill) {
  if ((bReverseScroll != FALSE) != (s_bReverseScroll.load() != FALSE)) {
    s_bReverseScroll.store(bReverseScroll);
    T_N_PROCESS_vClearAllAccumulators();
    vTriggerAllTotalScreenUpdate();
  }
  if ((bEndFill != FALSE) != (s_bEndFill.load() != FALSE)) {
    if (bEndFill) {
      vPrepareForPlayback();
      H_DATABASE_bUpdateValueU32(FCID("CTCU"), 0, P_NORMAL);
      s_bEndFill.store(TRUE);
    } else {
      vTriggerAllTotalScreenUpdate();
      s_bEndFill.store(FALSE);
    }
  }
}

// The time stamps of the newest stored column of each beam (the one after
// the next slot in reverse scrolling).
void vLookupColumnPingTimeStamps(BOOLEAN bReverseScroll, U32* pu32TimeStamps) {
  (void)L_MUTEX_LockWait(RES_TSU);
  for (U32 b = 0; b < 4; ++b) {
    const U32 next = TSUStore[b].u32NextFreeColumn;
    const U32 slot = bReverseScroll ? (next + 1) % HISTORY_RING_SLOTS : (next == 0 ? HISTORY_RING_SLOTS - 1 : next - 1);
    pu32TimeStamps[b] = TSUStore[b].aTsuStore[slot].u32TimeStamp;
  }
  (void)L_MUTEX_Unlock(RES_TSU);
}

}  // namespace

void HISTORY_vInstall(void) {
  T_N_HISTORY_vMain_Install(&T_N_HISTORY_vTask);
  T_N_HISTORY_fGetLowerRangeForDisplay_Install(&S_LAYOUT_fGetLowerRangeForDisplay);
  T_N_HISTORY_vEnableShortTransmit_Install(&vEnableShortTransmit);
  T_N_HISTORY_vReVerifyAndUpdateActiveSonarWindowSettings_Install(&S_LAYOUT_vReVerifyAndUpdateActiveSonarWindowSettings);
  T_N_HISTORY_vDrawFullScreenSonar_Install(&S_DRAW_vFullScreenSonar);
  T_N_HISTORY_vDrawDualBeamView_Install(&S_DRAW_vDualBeamView);
  T_N_HISTORY_vDrawSonarSplit_Install(&S_DRAW_vSonarSplit);
  T_N_HISTORY_vDrawZoomSonar_Install(&S_ZOOM_vDrawZoomSonar);
  T_N_HISTORY_vDrawNadscan_Install(&S_IMAGING_vDrawNadscan);
  T_N_HISTORY_vDrawNadscanSplit_Install(&S_IMAGING_vDrawNadscanSplit);
  T_N_HISTORY_vDrawDownAndSidebeamView_Install(&S_IMAGING_vDrawDownAndSidebeamView);
  T_N_HISTORY_vDrawVerticalScrollView_Install(&S_IMAGING_vDrawVerticalScrollView);
  T_N_HISTORY_bDrawDiZoomWindow_Install(&S_ZOOM_bDrawDiZoomWindow);
  T_N_HISTORY_vAddColumns_Install(&S_COLUMNS_vAddColumns);
  T_N_HISTORY_vPrepareForPlayback_Install(&vPrepareForPlayback);
  T_N_HISTORY_vSetReverseScroll_Install(&vSetReverseScroll);
  T_N_HISTORY_vLookupColumnPingTimeStamps_Install(&vLookupColumnPingTimeStamps);
  T_N_HISTORY_bIsMyCursorView_Install(&S_CURSOR_bIsMyCursorView);
  T_N_HISTORY_vCreateDiEnhanceDialog_Install(&S_ENHANCE_vCreateDialog);
}
