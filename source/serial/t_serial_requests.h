// Requests of the wireless-remote and PC-connection tasks that end the
// unit: both ask the keyboard task through its mailbox (key TKBD).
#pragma once

#include "common/types.h"

// The wireless remote's power button: asks the keyboard task to power down.
void T_BTREMOTE_vPowerOff(void);
// The PC tool's request before re-flashing: restores the factory defaults
// and asks the keyboard task for a reset. FALSE when the keyboard task's key
// TKBD is missing.
BOOLEAN T_PCC_bStartReFlash(void);
