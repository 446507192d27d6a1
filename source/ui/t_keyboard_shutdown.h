// The power-key shutdown of the keyboard task: the count-down box while the
// power key is held, the shutdown or reset of the whole unit, the "Restore
// Defaults" item and the factory defaults.
#pragma once

#include "common/g_types.h"
#include "common/types.h"
#include "common/view_types.h"
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
// Draw callback of SHUTDOWN_LAYER: the count-down text ("Shutdown in 2
// seconds", "... 1 ...", "Shutting Down...") in a dialog box in the middle
// of the screen.
void T_KEYBOARD_vDrawShutdownMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec);
// The text the box showed last.
const char* T_KEYBOARD_pcShutdownMessageText(void);

// The "Restore Defaults" item of the main menu's Setup tab.
void T_KEYBOARD_vRegisterRestoreDefaults(void);
// Restores the factory defaults: SDBV set, CMD_ID_RESET_POS to every task
// registered under a T key but this one (each resets its own settings),
// SRDF set, a good click. Called from the menu item, by the start-up task on
// a first start and by the SD-card and PC-connection tasks before a software
// update; runs in the caller's task.
void T_KEYBOARD_vRestoreFactoryDefaults(void);
