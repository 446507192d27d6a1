#include "source/sonar/sonar_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/sonar/s_detect.h"
#include "source/sonar/t_ping.h"
#include "source/startup/startup_upcalls.h"

void SONAR_vInstall(void) {
  S_DETECT_bTransducerConnected_Install(&S_DETECT_bTestTransducer);
  T_N_PING_vMain_Install(&T_N_PING_vTask);
  T_READ_RECORD_PINGDATA_vMain_Install(&T_N_PING_vPlaybackTask);
  T_N_PROCESS_vMain_Install(&T_N_PROCESS_vLeast);
  T_N_HISTORY_vMain_Install(&T_N_HISTORY_vLeast);
}
