// The date and time dialog: the user sets the unit's clock by hand (hours,
// minutes, seconds, month, day, year), moving through the fields with the
// cursor key and confirming before the clock is set. The dialog draws as
// layer DATETIME_MENU_LAYER over every view and takes its keys in mailbox
// M_SYSTIME_EDIT; the task that reads that mailbox passes each key message
// to U_DATETIME_bHandleKeys.
//
// The dialog opens with the clock's current local time (years 2000 to 2038).
// A date that does not exist (day 0, month 0, 31 February...) is never set:
// the dialog stays open and says so, as it does when the clock command
// fails.
#pragma once

#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "source/graphics/g_bitmap.h"

enum DATE_TIME_MENU_STATE : S32 {
  EDIT_SAVE = 0,
  EDIT_DATE = 1,
  EDIT_TIME = 2,
  EDIT_HOURS = 3,
  EDIT_MINUTES = 4,
  EDIT_SECONDS = 5,
  EDIT_MONTH = 6,
  EDIT_DAY = 7,
  EDIT_YEAR = 8,
};

// What the last save did.
enum DATE_TIME_SAVE_RESULT : S32 {
  DATETIME_NOT_SAVED = 0,     // no save yet since the dialog opened
  DATETIME_CLOCK_SET = 1,     // the clock was set
  DATETIME_NO_CHANGE = 2,     // nothing was changed: nothing to set
  DATETIME_INVALID_DATE = 3,  // the fields name no real date: clock not changed
  DATETIME_CLOCK_FAILED = 4,  // the clock command failed: clock not changed
};

// The dialog's fields and state, for display and the tests.
struct DATE_TIME_DIALOG {
  BOOLEAN bOpen;
  DATE_TIME_MENU_STATE eMenuState;
  BOOLEAN bConfirm;          // "Save Changes?" is shown
  BOOLEAN bDateTimeChanged;  // a field was changed
  U32 u32Hours, u32Minutes, u32Seconds;
  U32 u32Month, u32Day, u32Year;  // year: 2000 + value, 0 to 38
  DATE_TIME_SAVE_RESULT eLastSave;
};

// Opens the dialog: fields from the clock, focus on the Time row, the layer
// registered for every view and mailbox M_SYSTIME_EDIT registered for the
// keys (every key on press; the cursor key with repeat and acceleration in
// four directions), both at usage REGISTER_DIALOG_BOX.
void U_DATETIME_vDateTimeSetup(void);
// The layer's draw callback.
void U_DATETIME_vDrawDateTimeMenu(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
// Applies one key message; FALSE when the dialog is not open.
BOOLEAN U_DATETIME_bHandleKeys(const MSG_KEY_CHANGE* pMessage);
// A copy of the dialog's state.
DATE_TIME_DIALOG U_DATETIME_stState(void);
// The dialog's fields set directly (for tests and a caller that opens the
// dialog on a known time); out-of-range values are refused (FALSE).
BOOLEAN U_DATETIME_bSetFields(U32 u32Hours, U32 u32Minutes, U32 u32Seconds, U32 u32Month, U32 u32Day, U32 u32Year);
