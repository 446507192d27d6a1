// File-system shims: the "sync" thread is not started yet.
#include "source/core/ls_sync.h"

void LS_sync_vInit(void) {}
