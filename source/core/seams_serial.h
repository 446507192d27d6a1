// What the keyboard and shutdown code needs of the wireless-remote and
// PC-connection tasks, which are not part of the program yet: the two
// requests that end the unit.
#pragma once

#include "common/types.h"

// The wireless remote's power button: asks the keyboard task to power down.
void T_BTREMOTE_vPowerOff(void);
// The PC tool's request before re-flashing: restores the factory defaults
// and asks the keyboard task for a reset. FALSE when the keyboard task's key
// TKBD is missing.
BOOLEAN T_PCC_bStartReFlash(void);
// Restoring the factory defaults belongs to the power-key shutdown module,
// which is not part of the program yet: traced only.
void T_KEYBOARD_vRestoreFactoryDefaults(void);
