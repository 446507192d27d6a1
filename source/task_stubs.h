// Stand-in task entries and services of tasks whose real work is not
// linked into the program yet (see task_stubs.cpp).
#pragma once

#include "common/types.h"

// Transducer detection at start: FALSE at once with fake_transducer.
BOOLEAN S_DETECT_bTransducerConnected(void);
