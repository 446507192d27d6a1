// The countdown timer: its setup dialog and warning (keys through the alarm
// task's mailbox, drawn by the view task), its menu actions (menu task) and
// its once-a-second check (readout task). The countdown runs on the free
// running millisecond clock.
//
// Four threads touch the state: it is guarded by s_lock. Nothing that waits
// for another task runs with s_lock held; sends are without waiting.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <mutex>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "data/fonts.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/startup/t_alarm.h"
#include "source/startup/t_timer.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu.h"

namespace {

#define TIMER_TEXT_RECORD(name, text)                                                                     \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
TIMER_TEXT_RECORD(s_txtTimerSetup, "Timer Setup");
TIMER_TEXT_RECORD(s_txtStartTimer, "Start Timer");
TIMER_TEXT_RECORD(s_txtStopTimer, "Stop Timer");
TIMER_TEXT_RECORD(s_txtTimer, "Timer");
TIMER_TEXT_RECORD(s_txtTime, "Time");
TIMER_TEXT_RECORD(s_txtSaveAndClose, "Save and Close");
TIMER_TEXT_RECORD(s_txtSaveAndStart, "Save and Start");
TIMER_TEXT_RECORD(s_txtTimerAlarm, "Timer Alarm");
TIMER_TEXT_RECORD(s_txtClear, "Clear");
TIMER_TEXT_RECORD(s_txtRepeat, "Repeat");
TIMER_TEXT_RECORD(s_txtConfirm, "Confirm:");
TIMER_TEXT_RECORD(s_txtSaveChanges, "Save Changes?");
TIMER_TEXT_RECORD(s_txtNo, "No");
TIMER_TEXT_RECORD(s_txtYes, "Yes");

constexpr U32 SETUP_KEY_MASK = ALARM_KEY_MASK & ~KEY_MASK_CURSOR;  // 1006
constexpr U32 MAX_VALUE = 23 * 3600 + 59 * 60 + 59;
constexpr U8 SELF_DISMISS_CHECKS = 30;

std::recursive_mutex s_lock;
U32 s_u32TimerValue = 0;
U32 s_u32TimerValueHours = 0, s_u32TimerValueMinutes = 0, s_u32TimerValueSeconds = 0;
U32 s_u32TimerValueOld = 0;
U32 s_u8TimerHighlightItem = TIMER_ITEM_TIME;
CURSOR_POSITION s_cpCursorPosition = CURSOR_ILLEGAL;
bool s_bCursorPressed = false;
U8 u8steps = 0;
bool s_bTimerDisplayed = false;
bool s_bExitWarning = false;
bool s_bTimerLaunched = false;
U32 s_u32StartTimer = 0, s_u32ExceedTimer = 0;
bool s_bTimerToConfirm = false;
U8 ConfirmTimer = 0;

const char* pcText(DB_TEXT_RECORD record) {
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || language >= (U32)NUMBER_OF_LANGUAGES) language = 0;
  return record[language];
}

void vClick(bool good) { L_SEMA_Signal(good ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

void vSplit() {
  s_u32TimerValueHours = s_u32TimerValue / 3600;
  s_u32TimerValueMinutes = s_u32TimerValue / 60 % 60;
  s_u32TimerValueSeconds = s_u32TimerValue % 60;
}

void vJoin() { s_u32TimerValue = s_u32TimerValueHours * 3600 + s_u32TimerValueMinutes * 60 + s_u32TimerValueSeconds; }

void vWriteRemaining(U32 seconds) { (void)H_DATABASE_bUpdateValueS32(FCID("ITAW"), (S32)seconds, P_NORMAL); }

void vWriteSetting() {
  (void)H_DATABASE_bUpdateEverythingU32(FCID("STAW"), s_u32TimerValue, P_NORMAL, D_TIME, nullptr, DB_NO_TIMEOUT);
}

// "Start Timer" and "Stop Timer" share one place in the Alarms tab.
void vStartItem(bool start) {
  (void)U_MENU_bUnregisterMainMenuItem(start ? s_txtStopTimer : s_txtStartTimer, g_MENU_txtAlarmsTab);
  (void)U_MENU_bRegisterMainActionMenu(start ? s_txtStartTimer : s_txtStopTimer, g_MENU_txtAlarmsTab,
                                       MENU_ALARM_TIMER_START, start ? &T_ALARM_vStartTimer : &T_ALARM_vClearTimer,
                                       FALSE, M_BASIC);
}

void vRegisterAlarmKeys() {
  (void)U_KEYBOARD_bRegisterKeys(M_ALARM, ALARM_KEY_MASK, KEY_DOWN, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
}
void vUnregisterAlarmKeys() { (void)U_KEYBOARD_bUnregisterKeys(M_ALARM, ALARM_KEY_MASK); }

void vCloseSetup() {
  s_bTimerDisplayed = false;
  s_bExitWarning = false;
  (void)U_VIEW_bUnRegisterLayer(ALARM_TIMER_LAYER);
  vUnregisterAlarmKeys();
}

void vSaveAndClose() {
  vCloseSetup();
  vWriteRemaining(s_u32TimerValue);
  vWriteSetting();
}

void vStartLocked() {
  if (s_u32TimerValue == 0) {
    vClick(false);
    return;
  }
  vClick(true);
  s_u32StartTimer = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  s_u32ExceedTimer = s_u32StartTimer + s_u32TimerValue * 1000u;
  log_me("timer: started, %u s, clock %u, deadline %u", (unsigned)s_u32TimerValue, (unsigned)s_u32StartTimer,
         (unsigned)s_u32ExceedTimer);
  vStartItem(false);
  s_bTimerLaunched = true;
}

void vClearLocked() {
  log_me("timer: cleared");
  vClick(true);
  vWriteRemaining(s_u32TimerValue);
  (void)U_VIEW_bUnRegisterLayer(ALARM_TIMER_WARNING_LAYER);
  vUnregisterAlarmKeys();
  vStartItem(true);
  if (s_bTimerToConfirm) T_ALARM_vPostTimerAlarm(FALSE);
  s_bTimerToConfirm = false;
  s_bTimerLaunched = false;
}

// The field of a selected element, or null.
U32* pField(U32 item, U32* pMax) {
  switch (item) {
    case TIMER_ITEM_HOURS: *pMax = 23; return &s_u32TimerValueHours;
    case TIMER_ITEM_MINUTES: *pMax = 59; return &s_u32TimerValueMinutes;
    case TIMER_ITEM_SECONDS: *pMax = 59; return &s_u32TimerValueSeconds;
    default: return nullptr;
  }
}

void vWarningKey(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->state != KEY_DOWN) return;
  if (pMsg->key == KEY_MASK_EXIT) return;
  if (pMsg->key == KEY_MASK_CURSOR && pMsg->cursor == CURSOR_EAST) {  // Repeat
    (void)U_VIEW_bUnRegisterLayer(ALARM_TIMER_WARNING_LAYER);
    vUnregisterAlarmKeys();
    T_ALARM_vPostTimerAlarm(FALSE);
    s_bTimerToConfirm = false;
    vStartLocked();
    return;
  }
  if (pMsg->key == KEY_MASK_CURSOR && pMsg->cursor == CURSOR_WEST) {  // Clear
    vClearLocked();
    return;
  }
  vClick(false);
}

void vQuestionKey(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->key == KEY_MASK_CURSOR && pMsg->state == KEY_UP) return;
  if (pMsg->key == KEY_MASK_CURSOR && pMsg->cursor == CURSOR_EAST) {  // Yes
    vSaveAndClose();
    vClick(true);
    return;
  }
  if (pMsg->key == KEY_MASK_CURSOR && pMsg->cursor == CURSOR_WEST) {  // No
    s_u32TimerValue = s_u32TimerValueOld;
    vSplit();
    vCloseSetup();
    vClick(true);
    return;
  }
  vClick(false);
}

void vSetupKey(const MSG_KEY_CHANGE* pMsg) {
  U32& item = s_u8TimerHighlightItem;
  if (pMsg->key == KEY_MASK_CURSOR) {
    if (pMsg->state == KEY_UP || pMsg->cursor == CURSOR_UP) {
      s_cpCursorPosition = CURSOR_ILLEGAL;
      s_bCursorPressed = false;
      return;
    }
    s_bCursorPressed = true;
    s_cpCursorPosition = pMsg->cursor;
    U32 max = 0;
    U32* field = pField(item, &max);
    switch (pMsg->cursor) {
      case CURSOR_NORTH:
        if (item == TIMER_ITEM_SAVE_CLOSE || item == TIMER_ITEM_SAVE_START) {
          ++item;
          vClick(true);
        } else if (field != nullptr) {
          const bool ok = *field < max;
          if (ok) ++*field;
          vJoin();
          vClick(ok);
        } else {
          vClick(false);
        }
        return;
      case CURSOR_SOUTH:
        if (item == TIMER_ITEM_SAVE_START || item == TIMER_ITEM_TIME) {
          --item;
          vClick(true);
        } else if (field != nullptr) {
          const bool ok = *field > 0;
          if (ok) --*field;
          vJoin();
          vClick(ok);
        } else {
          vClick(false);
        }
        return;
      case CURSOR_EAST:
        if (item >= TIMER_ITEM_TIME && item < TIMER_ITEM_SECONDS) {
          ++item;
          vClick(true);
        } else if (item == TIMER_ITEM_SAVE_START) {
          if (s_u32TimerValue == 0) {
            vClick(false);
            return;
          }
          vCloseSetup();
          vStartLocked();
          vWriteSetting();
        } else if (item == TIMER_ITEM_SAVE_CLOSE) {
          vSaveAndClose();
          vClick(true);
        } else {
          vClick(false);
        }
        return;
      case CURSOR_WEST:
        if (item == TIMER_ITEM_SAVE_CLOSE || item == TIMER_ITEM_SAVE_START) {
          ++item;
          vClick(true);
        } else if (field != nullptr) {
          --item;
          vClick(true);
        } else {
          vClick(false);
        }
        return;
      default:
        s_cpCursorPosition = CURSOR_ILLEGAL;
        vClick(false);
        return;
    }
  }
  if (pMsg->state != KEY_DOWN) return;
  if (pMsg->key == KEY_MASK_EXIT) {
    if (item >= TIMER_ITEM_HOURS) {
      item = TIMER_ITEM_TIME;
    } else if (s_u32TimerValue == s_u32TimerValueOld) {
      vCloseSetup();
    } else {
      s_bExitWarning = true;
    }
    vClick(true);
    return;
  }
  vClick(false);
}

}  // namespace

// ------------------------------------------------------------ alarm task hooks
void T_ALARM_vLoadTimer(void) {
  U32 value = 0;
  if (!H_DATABASE_bFetchU32(FCID("STAW"), &value) || value > MAX_VALUE) value = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(s_lock);
    s_u32TimerValue = value;
    vSplit();
  }
  (void)U_MENU_bRegisterMainActionMenu(s_txtTimerSetup, g_MENU_txtAlarmsTab, MENU_ALARM_TIMER_SETUP,
                                       &T_ALARM_vInitTimer, FALSE, M_BASIC);
  (void)U_MENU_bRegisterMainActionMenu(s_txtStartTimer, g_MENU_txtAlarmsTab, MENU_ALARM_TIMER_START,
                                       &T_ALARM_vStartTimer, FALSE, M_BASIC);
}

BOOLEAN T_ALARM_bTimerSetupOpen(void) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  return s_bTimerDisplayed ? TRUE : FALSE;
}

BOOLEAN T_ALARM_bTimerDialogOpen(void) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  return s_bTimerDisplayed || s_bTimerToConfirm ? TRUE : FALSE;
}

void T_ALARM_vTimerKey(const MSG_KEY_CHANGE* pMsg) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  if (s_bTimerToConfirm) {
    vWarningKey(pMsg);
  } else if (s_bTimerDisplayed && s_bExitWarning) {
    vQuestionKey(pMsg);
  } else if (s_bTimerDisplayed) {
    vSetupKey(pMsg);
  }
}

// ------------------------------------------------------------ menu actions
void T_ALARM_vInitTimer(void) {
  U_MENU_vClearMenus();
  {
    std::lock_guard<std::recursive_mutex> lock(s_lock);
    s_u32TimerValueOld = s_u32TimerValue;
    s_u8TimerHighlightItem = TIMER_ITEM_TIME;
    s_bTimerDisplayed = true;
    s_bExitWarning = false;
  }
  (void)U_VIEW_bRegisterLayer(&T_ALARM_vDrawTimer, ALARM_TIMER_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                              nullptr);
  vClick(true);
  (void)U_KEYBOARD_bRegisterKeys(M_ALARM, SETUP_KEY_MASK, KEY_DOWN, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
  (void)U_KEYBOARD_bRegisterKeys(M_ALARM, KEY_MASK_CURSOR, KEY_CHANGE, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
}

void T_ALARM_vStartTimer(void) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  vStartLocked();
}

void T_ALARM_vClearTimer(void) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  vClearLocked();
}

void T_ALARM_vPostTimerAlarm(BOOLEAN bAlarmState) {
  if (!bAlarmState) {
    (void)U_ALARM_bClear(TIMER_ALARM);
    return;
  }
  ALARM_SET_MESSAGE a;
  memset(&a, 0, sizeof a);
  a.Priority = TIMER_ALARM;
  a.InitialToneID = TONE_ALARM_ALERT;
  a.ReminderToneID = TONE_ALARM_ALERT;
  (void)U_ALARM_bSet(&a);
}

BOOLEAN T_ALARM_bTimerRunOut(U32 u32Start, U32 u32Deadline, U32 u32Now) {
  if (u32Deadline > u32Start) return u32Now > u32Deadline || u32Now < u32Start ? TRUE : FALSE;
  return u32Deadline < u32Now && u32Now < u32Start ? TRUE : FALSE;
}

// ------------------------------------------------------------ readout task
void T_ALARM_vCheckTimerNow(void) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (s_bTimerLaunched) {
    if (T_ALARM_bTimerRunOut(s_u32StartTimer, s_u32ExceedTimer, now)) {
      log_me("timer: run out, clock %u", (unsigned)now);
      ConfirmTimer = 0;
      s_bTimerLaunched = false;
      (void)U_VIEW_bRegisterLayer(&T_ALARM_vDrawTimerWarning, ALARM_TIMER_WARNING_LAYER, USED_BY_ALL, 0, 0, TRUE,
                                  nullptr, nullptr, nullptr);
      vRegisterAlarmKeys();
      s_bTimerToConfirm = true;
      T_ALARM_vPostTimerAlarm(TRUE);
    } else {
      vWriteRemaining((s_u32ExceedTimer - now) / 1000u);
    }
    return;
  }
  if (!s_bTimerToConfirm) return;
  if (ConfirmTimer < SELF_DISMISS_CHECKS) {
    ++ConfirmTimer;
    return;
  }
  vWriteRemaining(s_u32TimerValue);
  (void)U_VIEW_bUnRegisterLayer(ALARM_TIMER_WARNING_LAYER);
  vUnregisterAlarmKeys();
  vStartItem(true);
  T_ALARM_vPostTimerAlarm(FALSE);
  ConfirmTimer = 0;
  s_bTimerToConfirm = false;
  s_bTimerLaunched = false;
}

TIMER_STATE T_ALARM_stTimerState(void) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  TIMER_STATE s;
  s.u32Value = s_u32TimerValue;
  s.u32Old = s_u32TimerValueOld;
  s.u32Item = s_u8TimerHighlightItem;
  s.bSetupOpen = s_bTimerDisplayed;
  s.bQuestion = s_bExitWarning;
  s.bRunning = s_bTimerLaunched;
  s.bWarning = s_bTimerToConfirm;
  s.u32Start = s_u32StartTimer;
  s.u32Deadline = s_u32ExceedTimer;
  s.u8Checks = ConfirmTimer;
  return s;
}

void T_ALARM_vSetTimerValue(U32 u32Seconds) {
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  s_u32TimerValue = u32Seconds > MAX_VALUE ? MAX_VALUE : u32Seconds;
  vSplit();
}

// ------------------------------------------------------------ drawing
void T_ALARM_vDrawTimerWarning(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  const FONT_DEF* font = std_11x14_font_def_ptr.load();
  if (pBitmap == nullptr || font == nullptr) return;
  const char* text = pcText(s_txtTimerAlarm);
  const char* clear = pcText(s_txtClear);
  const char* repeat = pcText(s_txtRepeat);
  const U32 width = G_STRING_u32GetWidth(font, text) + G_STRING_u32GetWidth(font, clear) +
                    G_STRING_u32GetWidth(font, repeat) + 100;
  U_DIALOG_vDrawDialogWithConfirm(pBitmap, text, font, 2, (U16)width, clear, repeat, JUSTIFICATION_CENTER,
                                  JUSTIFICATION_CENTER, TRUE, TRUE);
}

namespace {

void vArrow(BITMAP* b, COLOR c, S32 x, S32 y, S32 size, bool right) {
  for (S32 i = 0; i < size; ++i) {
    const S32 half = right ? size - 1 - i : i;
    G_LINE_vDraw(b, c, POINT{x + i, y - half}, POINT{x + i, y + half});
  }
}

void vText(BITMAP* b, COLOR c, const FONT_DEF* f, S32 x, S32 y, const char* t) {
  POINT at{x, y};
  G_STRING_vPut(b, c, &at, f, t);
}

}  // namespace

void T_ALARM_vDrawTimer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  const FONT_DEF* big = std_16x17_font_def_ptr.load();
  const FONT_DEF* small = std_11x14_font_def_ptr.load();
  const FONT_DEF* digits = &f18x32_font_def;
  if (pBitmap == nullptr || big == nullptr || small == nullptr) return;
  std::lock_guard<std::recursive_mutex> lock(s_lock);
  if (!s_bTimerDisplayed) return;
  // Auto-repeat of a held cursor key on a field.
  U32 max = 0;
  U32* field = pField(s_u8TimerHighlightItem, &max);
  if (s_bCursorPressed && field != nullptr && (s_cpCursorPosition == CURSOR_NORTH || s_cpCursorPosition == CURSOR_SOUTH)) {
    ++u8steps;
    if (u8steps >= 4) {
      const U32 n = u8steps / 5u + 1u;
      for (U32 i = 0; i < n; ++i) {
        if (s_cpCursorPosition == CURSOR_NORTH && *field < max) ++*field;
        if (s_cpCursorPosition == CURSOR_SOUTH && *field > 0) --*field;
      }
      vJoin();
    }
  } else {
    u8steps = 0;
  }

  const COLOR ink = gCOLOR_pcolColorTable[32];
  const COLOR outline = gCOLOR_pcolColorTable[33];
  const COLOR panel = gCOLOR_pcolColorTable[34];
  const COLOR body = gCOLOR_pcolColorTable[35];
  const char* title = pcText(s_txtTimer);
  const S32 L = (S32)G_STRING_u32GetWidth(big, title) + 32;
  const S32 F = (S32)G_STRING_u32GetWidth(digits, "00") + 16;
  const char* close = pcText(s_txtSaveAndClose);
  const char* start = pcText(s_txtSaveAndStart);
  const S32 B = (S32)std::max(G_STRING_u32GetWidth(big, close), G_STRING_u32GetWidth(big, start)) + 48;
  S32 W = 3 * F + L + 88;
  if (W > 798) W = 798;
  const S32 x0 = (800 - W) / 2;
  const S32 y0 = (600 - 204) / 2 + 52;
  G_BOX_vDrawRounded(pBitmap, ink, POINT{x0 - 1, y0 - 1}, (U32)W + 2, 206, 4);
  G_BOX_vDrawRounded(pBitmap, ink, POINT{x0, y0}, (U32)W, 204, 3);
  G_BOX_vDrawRoundedFilled(pBitmap, body, POINT{x0 + 1, y0 + 1}, (U32)W - 2, 202, 2);
  G_BOX_vDrawFilled(pBitmap, panel, POINT{x0 + 1, y0 + 1}, (U32)W - 2, 168);
  G_BOX_vDraw(pBitmap, ink, POINT{x0 + 1, y0 + 1}, (U32)W - 2, 168);
  vText(pBitmap, ink, big, (800 - (S32)G_STRING_u32GetWidth(big, title)) / 2, y0 + 178, title);

  struct Element {
    S32 x, y, w, h;
  };
  const Element e[6] = {{x0 + 9, y0 + 9, B, 29},
                        {x0 + 9, y0 + 46, B, 29},
                        {x0 + 9, y0 + 99, L, 29},
                        {x0 + 16 + L, y0 + 89, F, 49},
                        {x0 + 16 + L + 32 + F, y0 + 89, F, 49},
                        {x0 + 16 + L + 2 * (32 + F), y0 + 89, F, 49}};
  const Element& sel = e[s_u8TimerHighlightItem < 6 ? s_u8TimerHighlightItem : 2];
  G_BOX_vDrawRoundedFilled(pBitmap, body, POINT{sel.x, sel.y}, (U32)sel.w, (U32)sel.h, 3);
  const char* labels[3] = {close, start, pcText(s_txtTime)};
  for (int i = 0; i < 3; ++i) {
    G_BOX_vDrawRounded(pBitmap, outline, POINT{e[i].x, e[i].y}, (U32)e[i].w, (U32)e[i].h, 3);
    vText(pBitmap, ink, big, e[i].x + 8, e[i].y + 6, labels[i]);
    vArrow(pBitmap, ink, e[i].x + e[i].w - 14, e[i].y + e[i].h / 2, 7, true);
  }
  const U32 values[3] = {s_u32TimerValueHours, s_u32TimerValueMinutes, s_u32TimerValueSeconds};
  const char* units[3] = {"hr", "min", "sec"};
  for (int i = 0; i < 3; ++i) {
    const Element& f = e[3 + i];
    G_BOX_vDrawRounded(pBitmap, outline, POINT{f.x, f.y}, (U32)f.w, (U32)f.h, 3);
    char text[8];
    snprintf(text, sizeof text, "%02u", (unsigned)values[i]);
    vText(pBitmap, ink, digits, f.x + (f.w - (S32)G_STRING_u32GetWidth(digits, text)) / 2, f.y + 8, text);
    const S32 uw = (S32)G_STRING_u32GetWidth(small, units[i]);
    vText(pBitmap, ink, small, uw < f.w ? f.x + (f.w - uw) / 2 : f.x, f.y + f.h + 2, units[i]);
  }

  if (s_bExitWarning) {
    const char* confirm = pcText(s_txtConfirm);
    const char* question = pcText(s_txtSaveChanges);
    const S32 qw = std::max((S32)G_STRING_u32GetWidth(big, confirm) + 16,
                            (S32)G_STRING_u32GetWidth(big, question) + 20) + 40;
    const S32 qx = (800 - qw) / 2;
    const S32 qy = (600 - 102) / 2;
    const COLOR frame = gCOLOR_pcolColorTable[67];
    const COLOR qink = gCOLOR_pcolColorTable[68];
    G_BOX_vDrawRoundedFilled(pBitmap, gCOLOR_pcolColorTable[71], POINT{qx, qy}, (U32)qw, 102, 5);
    G_BOX_vDrawRounded(pBitmap, frame, POINT{qx, qy}, (U32)qw, 102, 5);
    G_BOX_vDrawRounded(pBitmap, frame, POINT{qx + 2, qy + 2}, (U32)qw - 4, 98, 3);
    G_LINE_vDraw(pBitmap, frame, POINT{qx + 8, qy + 68}, POINT{qx + qw - 8, qy + 68});
    vText(pBitmap, qink, big, qx + 12, qy + 75, confirm);
    vText(pBitmap, qink, big, (800 - (S32)G_STRING_u32GetWidth(big, question)) / 2, qy + 40, question);
    vArrow(pBitmap, qink, qx + 10, qy + 18, 7, false);
    vText(pBitmap, qink, big, qx + 20, qy + 10, pcText(s_txtNo));
    const char* yes = pcText(s_txtYes);
    vText(pBitmap, qink, big, qx + qw - 20 - (S32)G_STRING_u32GetWidth(big, yes), qy + 10, yes);
    vArrow(pBitmap, qink, qx + qw - 17, qy + 18, 7, true);
  }
}
