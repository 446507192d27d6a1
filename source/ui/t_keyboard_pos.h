// The point-of-sale demonstration of the keyboard task: the script player
// (u_pos_script.h) or the built-in rotation of views, the tutorial's keys,
// the customer's interruption and the point-of-sale layer.
#pragma once

#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "source/graphics/g_bitmap.h"
#include "source/ui/u_pos_script.h"

// The system started in the point-of-sale state (first CMD_ID_RUN_SYSTEM).
void T_KEYBOARD_vPointOfSaleStart(void);
// A change notice of CCST, CSD0, CSD1 or SDBV: entering or leaving the
// point-of-sale state, a card with a script, the balloon setting.
void T_KEYBOARD_vPointOfSaleNotice(FOURCHARID key, U32 value, BOOLEAN bValid);
// A step of its timer (called under RES_POS_TUTORIAL).
void T_KEYBOARD_vPointOfSaleTimer(void);
// Run on every poll that reports a key change: a customer's key.
void T_KEYBOARD_vPointOfSaleKeyHook(void);
// A key change sent to the keyboard task itself (the tutorial's keys).
void T_KEYBOARD_vPointOfSaleTutorialKey(const MSG_KEY_CHANGE* pMsg);
// The photo load acknowledged after its step stopped waiting (called under
// RES_POS_TUTORIAL).
void T_KEYBOARD_vPointOfSalePhotoLoaded(void);
// TRUE while the unit is in the point-of-sale mode.
BOOLEAN T_KEYBOARD_bPointOfSaleRunning(void);
// Timer steps taken since start (tests).
U32 T_KEYBOARD_u32PointOfSaleSteps(void);
// The draw callback of POS_MESSAGE_LAYER (view task).
void T_KEYBOARD_vDrawPOSMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
// Draws a script's state: its error, or its balloon over its photo (the
// photo only when given), and the exit box.
void T_KEYBOARD_vDrawPOSScript(BITMAP* pBitmap, const POS_SCRIPT* pScript, const BITMAP* pPhoto);
