#include "source/startup/startup_upcalls.h"

#include "lsvc/lsvc.h"

L_UPCALL_DEFINE(BOOLEAN, S_DETECT_bTransducerConnected, (void), ()) {
  log_me("S_DETECT_bTransducerConnected: no sonar");
  return FALSE;
}
