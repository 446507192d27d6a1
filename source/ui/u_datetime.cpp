#include "source/ui/u_datetime.h"

#include <time.h>

#include <cstdio>
#include <mutex>

#include "data/fonts.h"
#include "data/icons.h"
#include "lsvc/l_tables.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/u_view.h"
#include "source/platform/platform.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/u_menu_controls.h"

namespace {

constexpr U32 KEY_EXIT = 8;
constexpr U32 KEY_CURSOR = 16;
constexpr U32 ALL_BUT_CURSOR = 0xFFEF;
constexpr U32 MAX_YEAR = 38;

// Colour-table entries.
constexpr U32 COLOR_PANEL = 129;
constexpr U32 COLOR_FRAME = 67;
constexpr U32 COLOR_FOCUS = 64;
constexpr U32 COLOR_TEXT = 68;
constexpr U32 COLOR_QUESTION = 71;

// Panel and rows (logical coordinates, y upward).
constexpr S32 PANEL_X = 160, PANEL_Y = 239, PANEL_W = 480, PANEL_H = 227;
constexpr S32 BUTTON_H = 29, FIELD_H = 52;
constexpr S32 ROW_BUTTON_X = 176, ROW_BUTTON_W = 112;
constexpr S32 FIELDS_X = 304;   // left edge of the first field's slot
constexpr S32 FIELD_SLOT = 96;  // a field and its caption, with the separator between slots
constexpr S32 TIME_FIELDS_Y = 374, DATE_FIELDS_Y = 292;
constexpr S32 SAVE_X = 536, SAVE_Y = 246, SAVE_W = 88;

std::mutex s_mutex;
DATE_TIME_DIALOG s_dialog{FALSE, EDIT_TIME, FALSE, FALSE, 0, 0, 0, 1, 1, 0, DATETIME_NOT_SAVED};

COLOR Colour(U32 entry) { return gCOLOR_pcolColorTable[entry]; }

void Good() { L_SEMA_Signal(SEMA_KEYCLICK_GOOD); }
void Bad() { L_SEMA_Signal(SEMA_KEYCLICK_BAD); }

bool LeapYear(U32 year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

U32 DaysInMonth(U32 month, U32 year) {
  static const U32 kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

// Closes: the layer and both key registrations go (the caller holds s_mutex).
void Close() {
  s_dialog.bOpen = FALSE;
  s_dialog.bConfirm = FALSE;
  U_VIEW_bUnRegisterLayer(DATETIME_MENU_LAYER);
  U_KEYBOARD_bUnregisterKeys(M_SYSTIME_EDIT, ALL_BUT_CURSOR);
  U_KEYBOARD_bUnregisterKeys(M_SYSTIME_EDIT, KEY_CURSOR);
}

// The fields as seconds since 1970, after checking they name a real date.
bool FieldsToTime(U32* seconds) {
  const U32 year = 2000 + s_dialog.u32Year;
  if (s_dialog.u32Day < 1 || s_dialog.u32Day > DaysInMonth(s_dialog.u32Month, year)) return false;
  if (s_dialog.u32Hours > 23 || s_dialog.u32Minutes > 59 || s_dialog.u32Seconds > 59) return false;
  struct tm tm = {};
  tm.tm_sec = (int)s_dialog.u32Seconds;
  tm.tm_min = (int)s_dialog.u32Minutes;
  tm.tm_hour = (int)s_dialog.u32Hours;
  tm.tm_mday = (int)s_dialog.u32Day;
  tm.tm_mon = (int)s_dialog.u32Month - 1;
  tm.tm_year = (int)year - 1900;
  tm.tm_isdst = -1;
  const time_t t = mktime(&tm);
  // mktime moves a time that does not exist locally (a skipped hour): the
  // clock is only set to the time the user sees.
  if (t == (time_t)-1 || t < 0 || (long long)t > 0xFFFFFFFFll || tm.tm_mday != (int)s_dialog.u32Day ||
      tm.tm_mon != (int)s_dialog.u32Month - 1 || tm.tm_hour != (int)s_dialog.u32Hours) {
    return false;
  }
  *seconds = (U32)t;
  return true;
}

void Save() {
  if (!s_dialog.bDateTimeChanged) {
    s_dialog.eLastSave = DATETIME_NO_CHANGE;
    Bad();
    return;
  }
  s_dialog.bConfirm = FALSE;
  U32 seconds = 0;
  if (!FieldsToTime(&seconds)) {
    s_dialog.eLastSave = DATETIME_INVALID_DATE;
    log_me("date and time: %04u-%02u-%02u is not a date, clock not changed", 2000 + s_dialog.u32Year,
           s_dialog.u32Month, s_dialog.u32Day);
    Bad();
    return;
  }
  if (!L_UTILS_bSetSysDateNow(seconds)) {
    s_dialog.eLastSave = DATETIME_CLOCK_FAILED;
    log_me("date and time: the clock command failed, clock not changed");
    Bad();
    return;
  }
  s_dialog.eLastSave = DATETIME_CLOCK_SET;
  s_dialog.bDateTimeChanged = FALSE;
  s_dialog.eMenuState = EDIT_TIME;
  Good();
  Close();
}

U32* Field(DATE_TIME_MENU_STATE e, U32* max, U32* min) {
  *min = 0;
  switch (e) {
    case EDIT_HOURS: *max = 23; return &s_dialog.u32Hours;
    case EDIT_MINUTES: *max = 59; return &s_dialog.u32Minutes;
    case EDIT_SECONDS: *max = 59; return &s_dialog.u32Seconds;
    case EDIT_MONTH: *min = 1; *max = 12; return &s_dialog.u32Month;
    case EDIT_DAY: *min = 1; *max = 31; return &s_dialog.u32Day;
    case EDIT_YEAR: *max = MAX_YEAR; return &s_dialog.u32Year;
    default: return nullptr;
  }
}

void Step(int delta) {
  U32 max = 0, min = 0;
  U32* f = Field(s_dialog.eMenuState, &max, &min);
  if (f == nullptr) return;
  if (delta > 0) *f = (*f >= max || *f < min) ? min : *f + 1;
  else *f = (*f <= min || *f > max) ? max : *f - 1;
  s_dialog.bDateTimeChanged = TRUE;
  s_dialog.eLastSave = DATETIME_NOT_SAVED;
}

void North() {
  switch (s_dialog.eMenuState) {
    case EDIT_SAVE: s_dialog.eMenuState = EDIT_DATE; Good(); break;
    case EDIT_DATE: s_dialog.eMenuState = EDIT_TIME; Good(); break;
    case EDIT_TIME: Bad(); break;
    default: Step(+1); Good(); break;
  }
}

void South() {
  switch (s_dialog.eMenuState) {
    case EDIT_DATE: s_dialog.eMenuState = EDIT_SAVE; Good(); break;
    case EDIT_TIME: s_dialog.eMenuState = EDIT_DATE; Good(); break;
    case EDIT_SAVE: Bad(); break;
    default: Step(-1); Good(); break;
  }
}

void East() {
  if (s_dialog.bConfirm || s_dialog.eMenuState == EDIT_SAVE) {
    Save();
    return;
  }
  static const DATE_TIME_MENU_STATE kNext[] = {EDIT_SAVE,    EDIT_MONTH, EDIT_HOURS, EDIT_MINUTES, EDIT_SECONDS,
                                               EDIT_DATE,    EDIT_DAY,   EDIT_YEAR,  EDIT_SAVE};
  s_dialog.eMenuState = kNext[s_dialog.eMenuState];
  Good();
}

void West() {
  if (s_dialog.bConfirm) {
    s_dialog.bConfirm = FALSE;
    s_dialog.bDateTimeChanged = FALSE;
    Good();
    Close();
    return;
  }
  switch (s_dialog.eMenuState) {
    case EDIT_HOURS: s_dialog.eMenuState = EDIT_TIME; break;
    case EDIT_MINUTES: s_dialog.eMenuState = EDIT_HOURS; break;
    case EDIT_SECONDS: s_dialog.eMenuState = EDIT_MINUTES; break;
    case EDIT_MONTH: s_dialog.eMenuState = EDIT_DATE; break;
    case EDIT_DAY: s_dialog.eMenuState = EDIT_MONTH; break;
    case EDIT_YEAR: s_dialog.eMenuState = EDIT_DAY; break;
    default: Bad(); return;
  }
  Good();
}

// ------------------------------------------------------------ drawing
void Text(BITMAP* b, const FONT_DEF* font, S32 x, S32 y, const char* text) {
  POINT at{x, y};
  G_STRING_vPut(b, Colour(COLOR_TEXT), &at, font, text);
}

void CentredText(BITMAP* b, const FONT_DEF* font, S32 centreX, S32 y, const char* text) {
  Text(b, font, centreX - (S32)G_STRING_u32GetWidth(font, text) / 2, y, text);
}

// A box framed in the frame colour, filled with the focus colour when
// focused; text centred in it.
void Button(BITMAP* b, S32 x, S32 y, S32 w, S32 h, bool focused, const FONT_DEF* font, const char* text) {
  if (focused) G_BOX_vDrawFilled(b, Colour(COLOR_FOCUS), POINT{x, y}, (U32)w, (U32)h);
  G_BOX_vDraw(b, Colour(COLOR_FRAME), POINT{x, y}, (U32)w, (U32)h);
  const S32 textY = y + (h - (S32)G_FONTS_u32GetHeight(font)) / 2 + (S32)G_FONTS_u32GetDescenderHeight(font);
  CentredText(b, font, x + w / 2, textY, text);
}

void Row(BITMAP* b, S32 fieldsY, const char* label, bool rowFocused, const U32 values[3],
         const DATE_TIME_MENU_STATE states[3], const char* separator, const char* const captions[3]) {
  const FONT_DEF* big = &f21x38_font_def;
  const FONT_DEF* small = &tessix_11x14_font_def;
  const FONT_DEF* label_font = &tessix_16x17_font_def;
  const S32 buttonY = fieldsY + (FIELD_H - BUTTON_H) / 2;
  Button(b, ROW_BUTTON_X, buttonY, ROW_BUTTON_W, BUTTON_H, rowFocused, label_font, label);
  if (rowFocused) U_MENU_vDrawArrowRight(b, POINT{ROW_BUTTON_X + ROW_BUTTON_W - 14, buttonY + 6}, 17, Colour(COLOR_TEXT));
  const S32 fieldW = (S32)G_STRING_u32GetWidth(big, "00") + 10;
  for (int i = 0; i < 3; i++) {
    const S32 centre = FIELDS_X + FIELD_SLOT * i + FIELD_SLOT / 2;
    char text[8];
    snprintf(text, sizeof text, "%02u", values[i] % 100);
    Button(b, centre - fieldW / 2, fieldsY, fieldW, FIELD_H, s_dialog.eMenuState == states[i], big, text);
    CentredText(b, small, centre, fieldsY - 15, captions[i]);
    if (i < 2) {
      CentredText(b, big, FIELDS_X + FIELD_SLOT * (i + 1),
                  fieldsY + (FIELD_H - (S32)G_FONTS_u32GetHeight(big)) / 2 + (S32)G_FONTS_u32GetDescenderHeight(big),
                  separator);
    }
  }
}

void Question(BITMAP* b) {
  const S32 w = 300, h = 120, x = 250, y = 290;
  G_BOX_vDrawFilled(b, Colour(COLOR_QUESTION), POINT{x, y}, w, h);
  G_BOX_vDraw(b, Colour(COLOR_FRAME), POINT{x, y}, w, h);
  G_BOX_vDraw(b, Colour(COLOR_FRAME), POINT{x + 1, y + 1}, w - 2, h - 2);
  G_ICON_vPut(b, &confirm_icon, POINT{x + 16, y + h - 48});
  Text(b, &tessix_16x17_font_def, x + 60, y + h - 32, "Confirm:");
  Text(b, &tessix_16x17_font_def, x + 60, y + h - 58, "Save Changes?");
  U_MENU_vDrawArrowLeft(b, POINT{x + 24, y + 14}, 17, Colour(COLOR_TEXT));
  Text(b, &tessix_16x17_font_def, x + 34, y + 18, "No");
  Text(b, &tessix_16x17_font_def, x + w - 34 - (S32)G_STRING_u32GetWidth(&tessix_16x17_font_def, "Yes"), y + 18,
       "Yes");
  U_MENU_vDrawArrowRight(b, POINT{x + w - 30, y + 14}, 17, Colour(COLOR_TEXT));
}

}  // namespace

void U_DATETIME_vDateTimeSetup(void) {
  {
    std::lock_guard<std::mutex> lock(s_mutex);
    const time_t now = PLATFORM_tTime(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);
    const int year = tm.tm_year + 1900;
    if (year >= 2000 && year <= (int)(2000 + MAX_YEAR)) {
      s_dialog.u32Hours = (U32)tm.tm_hour;
      s_dialog.u32Minutes = (U32)tm.tm_min;
      s_dialog.u32Seconds = (U32)tm.tm_sec;
      s_dialog.u32Month = (U32)tm.tm_mon + 1;
      s_dialog.u32Day = (U32)tm.tm_mday;
      s_dialog.u32Year = (U32)(year - 2000);
    } else {
      s_dialog.u32Hours = s_dialog.u32Minutes = s_dialog.u32Seconds = 0;
      s_dialog.u32Month = s_dialog.u32Day = 1;
      s_dialog.u32Year = 0;
    }
    s_dialog.bOpen = TRUE;
    s_dialog.bConfirm = FALSE;
    s_dialog.bDateTimeChanged = FALSE;
    s_dialog.eMenuState = EDIT_TIME;
    s_dialog.eLastSave = DATETIME_NOT_SAVED;
  }
  U_VIEW_bRegisterLayer(&U_DATETIME_vDrawDateTimeMenu, DATETIME_MENU_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                        nullptr);
  T_KEYBOARD_bRegisterKeys(M_SYSTIME_EDIT, ALL_BUT_CURSOR, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                           REGISTER_DIALOG_BOX);
  T_KEYBOARD_bRegisterKeys(M_SYSTIME_EDIT, KEY_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_4, REGISTER_DIALOG_BOX);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

BOOLEAN U_DATETIME_bHandleKeys(const MSG_KEY_CHANGE* pMessage) {
  if (pMessage == nullptr) return FALSE;
  {
    std::lock_guard<std::mutex> lock(s_mutex);
    if (!s_dialog.bOpen) return FALSE;
    if (pMessage->key == KEY_EXIT) {
      if (s_dialog.bConfirm) {
        Bad();
      } else if (s_dialog.bDateTimeChanged) {
        s_dialog.bConfirm = TRUE;
        Good();
      } else {
        Close();
      }
    } else if (pMessage->key == KEY_CURSOR) {
      switch (pMessage->cursor) {
        case CURSOR_NORTH: North(); break;
        case CURSOR_SOUTH: South(); break;
        case CURSOR_EAST: East(); break;
        case CURSOR_WEST: West(); break;
        default: Bad(); break;
      }
    } else {
      Bad();
    }
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

DATE_TIME_DIALOG U_DATETIME_stState(void) {
  std::lock_guard<std::mutex> lock(s_mutex);
  return s_dialog;
}

BOOLEAN U_DATETIME_bSetFields(U32 u32Hours, U32 u32Minutes, U32 u32Seconds, U32 u32Month, U32 u32Day, U32 u32Year) {
  if (u32Hours > 23 || u32Minutes > 59 || u32Seconds > 59 || u32Month < 1 || u32Month > 12 || u32Day < 1 ||
      u32Day > 31 || u32Year > MAX_YEAR) {
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(s_mutex);
  s_dialog.u32Hours = u32Hours;
  s_dialog.u32Minutes = u32Minutes;
  s_dialog.u32Seconds = u32Seconds;
  s_dialog.u32Month = u32Month;
  s_dialog.u32Day = u32Day;
  s_dialog.u32Year = u32Year;
  return TRUE;
}

void U_DATETIME_vDrawDateTimeMenu(BITMAP* pBitmap, const WINDOW_SPECIFICATION*) {
  if (pBitmap == nullptr) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  if (!s_dialog.bOpen) return;
  G_BOX_vDrawRoundedFilled(pBitmap, Colour(COLOR_PANEL), POINT{PANEL_X, PANEL_Y}, PANEL_W, PANEL_H, 2);
  G_BOX_vDrawRounded(pBitmap, Colour(COLOR_FRAME), POINT{PANEL_X, PANEL_Y}, PANEL_W, PANEL_H, 2);
  G_BOX_vDrawRounded(pBitmap, Colour(COLOR_FRAME), POINT{PANEL_X + 1, PANEL_Y + 1}, PANEL_W - 2, PANEL_H - 2, 2);
  CentredText(pBitmap, &tessix_16x17_font_def, PANEL_X + PANEL_W / 2, PANEL_Y + PANEL_H - 28, "Enter Time and Date");

  const U32 time[3] = {s_dialog.u32Hours, s_dialog.u32Minutes, s_dialog.u32Seconds};
  const DATE_TIME_MENU_STATE timeStates[3] = {EDIT_HOURS, EDIT_MINUTES, EDIT_SECONDS};
  static const char* const kTimeCaptions[3] = {"Hours", "Minutes", "Seconds"};
  Row(pBitmap, TIME_FIELDS_Y, "Time", s_dialog.eMenuState == EDIT_TIME, time, timeStates, ":", kTimeCaptions);
  const U32 date[3] = {s_dialog.u32Month, s_dialog.u32Day, s_dialog.u32Year};
  const DATE_TIME_MENU_STATE dateStates[3] = {EDIT_MONTH, EDIT_DAY, EDIT_YEAR};
  static const char* const kDateCaptions[3] = {"Month", "Day", "Year"};
  Row(pBitmap, DATE_FIELDS_Y, "Date", s_dialog.eMenuState == EDIT_DATE, date, dateStates, "/", kDateCaptions);

  Button(pBitmap, SAVE_X, SAVE_Y, SAVE_W, BUTTON_H, s_dialog.eMenuState == EDIT_SAVE, &tessix_16x17_font_def, "Save");
  if (s_dialog.eLastSave == DATETIME_INVALID_DATE) {
    Text(pBitmap, &tessix_11x14_font_def, ROW_BUTTON_X, SAVE_Y + 8, "No such date: clock not changed");
  } else if (s_dialog.eLastSave == DATETIME_CLOCK_FAILED) {
    Text(pBitmap, &tessix_11x14_font_def, ROW_BUTTON_X, SAVE_Y + 8, "Clock not changed");
  }
  if (s_dialog.bConfirm) Question(pBitmap);
}
