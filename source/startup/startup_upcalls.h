// Upward calls of the start-up subsystem: the calls it makes into later
// subsystems. Each has a default with the least behaviour its callers need
// (lsvc/l_upcall.h).
#pragma once

#include "common/types.h"
#include "lsvc/l_upcall.h"

// ------------------------------------------------------------ sonar
// TRUE when a sonar transducer is taken to be attached (the start-up test
// of the sonar coprocessor). Default: no sonar, FALSE.
L_UPCALL_DECLARE(BOOLEAN, S_DETECT_bTransducerConnected, (void))
