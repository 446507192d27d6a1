// The countdown timer alarm (t_timer.cpp): menu actions, the readout task's
// once-a-second check, the dialogs' draw callbacks and a view of its state.
#pragma once

#include "common/types.h"
#include "common/view_types.h"
#include "source/graphics/g_bitmap.h"

// Elements of the setup dialog.
enum TIMER_ITEM : U32 {
  TIMER_ITEM_SAVE_CLOSE = 0,
  TIMER_ITEM_SAVE_START = 1,
  TIMER_ITEM_TIME = 2,
  TIMER_ITEM_HOURS = 3,
  TIMER_ITEM_MINUTES = 4,
  TIMER_ITEM_SECONDS = 5,
};

// Menu actions ("Timer Setup", "Start Timer", "Stop Timer"), menu task.
void T_ALARM_vInitTimer(void);
void T_ALARM_vStartTimer(void);
void T_ALARM_vClearTimer(void);
// Raises (TRUE) or ends the timer alarm through the mailbox in TALR.
void T_ALARM_vPostTimerAlarm(BOOLEAN bAlarmState);
// The run-out test: the clock lies outside the interval from start to the
// deadline, the deadline possibly wrapped past 2^32.
BOOLEAN T_ALARM_bTimerRunOut(U32 u32Start, U32 u32Deadline, U32 u32Now);
void T_ALARM_vDrawTimer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
void T_ALARM_vDrawTimerWarning(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);

struct TIMER_STATE {
  U32 u32Value, u32Old, u32Item;
  bool bSetupOpen, bQuestion, bRunning, bWarning;
  U32 u32Start, u32Deadline;
  U8 u8Checks;
};
// A consistent copy of the state (tests, state dump).
TIMER_STATE T_ALARM_stTimerState(void);
// Sets the value (seconds, at most 23:59:59) as the dialog would.
void T_ALARM_vSetTimerValue(U32 u32Seconds);
