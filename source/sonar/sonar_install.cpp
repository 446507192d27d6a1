#include "source/sonar/sonar_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_detect.h"
#include "source/sonar/s_testping.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/t_process.h"
#include "source/sonar/t_ping_share.h"
#include "source/startup/startup_upcalls.h"

void SONAR_vInstall(void) {
  S_DETECT_bTransducerConnected_Install(&S_DETECT_bTestTransducer);
  INLINETEST_bCoprocessorReady_Install(&H_COPROC_bCoprocessorReady);
  INLINETEST_bTestPing_Install(&S_TESTPING_bTestPing);
  T_N_PING_vMain_Install(&T_N_PING_vTask);
  T_N_PROCESS_vMain_Install(&T_N_PROCESS_vTask);
  T_3D_HISTORY_vMain_Install(&T_3D_vEndAtOnce);
  T_3D_PROCESS_vMain_Install(&T_3D_vEndAtOnce);
  T_3D_HISTORY_RENDER_vMain_Install(&T_3D_vEndAtOnce);
  T_NET_PING_RECEIVE_vMain_Install(&T_NET_PING_RECEIVE_vTask);
  T_READ_RECORD_PINGDATA_vMain_Install(&T_N_PING_vPlaybackTask);
}
