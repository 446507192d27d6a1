// The soft-key task: each of the three soft keys is a shortcut to a view.
// A short press shows the key's view; holding it for 2 s stores the view
// now shown as the key's shortcut. A banner asks the user to hold the key,
// and a dialog confirms a stored shortcut.
#pragma once

#include "common/types.h"
#include "common/view_types.h"

constexpr U32 BUTTON_HOLD_MS = 2000;
constexpr U32 BUTTON_SAVED_MESSAGE_MS = 1000;
constexpr U32 BUTTON_HELPER_SHORTEN_MS = 500;

enum BUTTON_TIMER_USE : S32 {
  BUTTON_KEY_DOWN = 1,
  BUTTON_HELPER_MESSAGE = 2,
  BUTTON_SAVED_MESSAGE = 3,
  BUTTON_TIMER_NOT_IN_USE = 4,
};

// Entry of the task (task table row BUTTONTASK).
void T_BUTTON_vTask(void);
// The banner layer's draw callback (BUTTON_MESSAGE_LAYER).
void T_BUTTON_vDrawMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
// The state of the banner timer and the shortcut of a soft key (0-2).
BUTTON_TIMER_USE T_BUTTON_eState(void);
LAYER_ID T_BUTTON_eShortcut(int nKey);
