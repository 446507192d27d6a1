// Services the keyboard task calls whose real modules are not part of the
// program yet: the view task's layers, the menu task, the power-key
// shutdown and the point-of-sale demonstration. Each one does the least that
// keeps the system sound and traces what it stands in for; the real module
// replaces the body (or, for T_KEYBOARD_vShutdown, the whole function).
#pragma once

#include "common/types.h"
#include "source/ui/t_keyboard.h"

// Power-down or reset of the whole unit; runs in the keyboard task and does
// not return.
void T_KEYBOARD_vShutdown(SHUTDOWN_TYPE shutdownType);

// The power-hold count-down box (layer SHUTDOWN_LAYER, 330).
void KEYBOARD_SEAM_vShowShutdownCountdown(void);
void KEYBOARD_SEAM_vHideShutdownCountdown(void);
// Opens the view-selection menu (long view-key press): the menu task shows
// the quick-access menu of the virtual display view; rebuilding its items
// is still a stand-in.
void KEYBOARD_SEAM_vOpenViewSelectionMenu(void);
// The "Restore Defaults" item of the main menu's Setup tab.
void KEYBOARD_SEAM_vRegisterRestoreDefaults(void);

// Point-of-sale demonstration: the system starts in the point-of-sale state;
// a change notice of CCST, CSD0, CSD1 or SDBV; a step of its timer (called
// under RES_POS_TUTORIAL); the hook run on every poll that reports a key
// change; a key change sent to the keyboard task itself.
void KEYBOARD_SEAM_vPointOfSaleStart(void);
void KEYBOARD_SEAM_vPointOfSaleNotice(FOURCHARID key, U32 value, BOOLEAN bValid);
void KEYBOARD_SEAM_vPointOfSaleTimer(void);
void KEYBOARD_SEAM_vPointOfSaleKeyHook(void);
void KEYBOARD_SEAM_vPointOfSaleTutorialKey(const MSG_KEY_CHANGE* pMsg);

// How often each stand-in was called (state dump and tests).
enum KEYBOARD_SEAM : S32 {
  KEYBOARD_SEAM_SHOW_COUNTDOWN = 0,
  KEYBOARD_SEAM_HIDE_COUNTDOWN,
  KEYBOARD_SEAM_VIEW_MENU,
  KEYBOARD_SEAM_RESTORE_DEFAULTS,
  KEYBOARD_SEAM_POS_START,
  KEYBOARD_SEAM_POS_NOTICE,
  KEYBOARD_SEAM_POS_TIMER,
  KEYBOARD_SEAM_POS_KEY_HOOK,
  KEYBOARD_SEAM_POS_TUTORIAL_KEY,
  KEYBOARD_SEAM_SHUTDOWN,
  KEYBOARD_SEAM_COUNT,
};
U32 KEYBOARD_SEAM_u32Calls(KEYBOARD_SEAM which);
