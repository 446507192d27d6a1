// The power-key shutdown of the keyboard task: the count-down box while the
// power key is held, the shutdown or reset of the whole unit, the "Restore
// Defaults" item and the factory defaults.
#pragma once

#include "common/types.h"
#include "source/ui/t_keyboard.h"

// Power-down or reset of the whole unit; runs in the keyboard task and does
// not return.
void T_KEYBOARD_vShutdown(SHUTDOWN_TYPE shutdownType);

// The power-hold count-down box (layer SHUTDOWN_LAYER, 330): shown after
// the power key has been held a second, hidden when it is let go.
void T_KEYBOARD_vShowShutdownCountdown(void);
void T_KEYBOARD_vHideShutdownCountdown(void);
// TRUE while the count-down box is shown.
BOOLEAN T_KEYBOARD_bShutdownCountdownShown(void);

// The "Restore Defaults" item of the main menu's Setup tab.
void T_KEYBOARD_vRegisterRestoreDefaults(void);
// Restores the factory defaults (the start-up task on a first start, the
// SD-card and PC-connection tasks before a software update).
void T_KEYBOARD_vRestoreFactoryDefaults(void);
