// The point-of-sale demonstration of the keyboard task: the hooks the task
// calls. The script player itself is not built yet; the module keeps only
// whether the demonstration runs.
#pragma once

#include "common/key_types.h"
#include "common/types.h"

// The system started in the point-of-sale state (first CMD_ID_RUN_SYSTEM).
void T_KEYBOARD_vPointOfSaleStart(void);
// A change notice of CCST, CSD0, CSD1 or SDBV. Leaving the point-of-sale
// state (CCST) ends the demonstration.
void T_KEYBOARD_vPointOfSaleNotice(FOURCHARID key, U32 value, BOOLEAN bValid);
// A step of its timer (called under RES_POS_TUTORIAL).
void T_KEYBOARD_vPointOfSaleTimer(void);
// Run on every poll that reports a key change.
void T_KEYBOARD_vPointOfSaleKeyHook(void);
// A key change sent to the keyboard task itself.
void T_KEYBOARD_vPointOfSaleTutorialKey(const MSG_KEY_CHANGE* pMsg);
// TRUE while the demonstration runs.
BOOLEAN T_KEYBOARD_bPointOfSaleRunning(void);
