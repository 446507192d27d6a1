// The display task's power-key menu and its "Video Out" item.
//
// The key handling runs in the display task; the draw callback runs in the
// view task and reads the menu state. Every piece of that state is a single
// atomic word, and the draw callback builds its row parameters in locals,
// so the two threads never share a structure.
#include "source/ui/t_display_menu.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <atomic>

#include "common/language.h"
#include "common/menu_types.h"
#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/core/h_backlight.h"
#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu.h"
#include "source/ui/u_menu_controls.h"
#include "source/ui/ui_upcalls.h"

namespace {

constexpr MBOX DISPLAY_MBOX = M_DISPLAY;
constexpr S32 ROW_HEIGHT = 62;
constexpr F32 PROP_STEP = 0.5f;
constexpr F32 PROP_MAX = 10.0f;

#define PKM_TEXT(name, text)                                                                     \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
PKM_TEXT(s_txtProp, "Prop");
PKM_TEXT(s_txtPropSpeed, "Prop Speed");
PKM_TEXT(s_txtStow, "Stow Altovar");
PKM_TEXT(s_txtDeploy, "Deploy Altovar");
PKM_TEXT(s_txtPause, "Pause Altovar");
PKM_TEXT(s_txtSonar, "Sonar");
PKM_TEXT(s_txtLocalSonar, "Local Sonar");
PKM_TEXT(s_txtLight, "Light");
PKM_TEXT(s_txtBackground, "Background");
PKM_TEXT(s_txtOff, "Off");
PKM_TEXT(s_txtOn, "On");
PKM_TEXT(s_txtWhite, "White");
PKM_TEXT(s_txtBlue, "Blue");
PKM_TEXT(s_txtBlack, "Black");
PKM_TEXT(s_txtDim, "Dim");
PKM_TEXT(s_txtMinThrust, "0");
PKM_TEXT(s_txtMaxThrust, "10");
PKM_TEXT(s_txtHint, "Press and hold POWER to turn unit Off");
PKM_TEXT(s_txtVideoOut, "Video Out");
PKM_TEXT(s_txtNtsc, "NTSC");
PKM_TEXT(s_txtNtscJ, "NTSC-J");
PKM_TEXT(s_txtPal, "PAL");
PKM_TEXT(s_txtPalM, "PAL-M");

const char* pcText(DB_TEXT_RECORD record) {
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || language >= (U32)NUMBER_OF_LANGUAGES) language = 0;
  return record[language];
}

// ------------------------------------------------------------ state
std::atomic<bool> s_bPropEnabled{false};
std::atomic<bool> s_bPropLockedOut{false};
std::atomic<U32> s_u32MotorState{NG_UNKNOWN};
std::atomic<S32> s_eHighlighted{PwrMnu_Sonar_Control};
std::atomic<bool> s_bMenuDisplayed{false};
bool s_bBacklightChanged = false;  // display task only

// Video-out choices, built at CMD_ID_RUN_SYSTEM: at most six.
DB_TEXT_RECORD s_apVideoChoices[6];
U32 s_au32VideoValues[6];

bool bPropActive(void) { return s_bPropEnabled.load() && !s_bPropLockedOut.load(); }

bool bFetchTrue(FOURCHARID key) {
  U32 v = 0;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(key, &v, &valid) && valid && v != 0;
}

bool bVisible(S32 row) {
  const U32 motor = s_u32MotorState.load();
  switch (row) {
    case PwrMnu_Prop_Control:
      return bPropActive();
    case PwrMnu_Prop_Thrust:
      return bPropActive() && !bFetchTrue(FCID("IPCA"));
    case PwrMnu_Motor_Stow:
      return motor == NG_DEPLOYED || motor == NG_PAUSED;
    case PwrMnu_Motor_Deploy:
      return motor == NG_STOWED || motor == NG_PAUSED;
    case PwrMnu_Motor_Pause:
      return motor == NG_DEPLOYING || motor == NG_STOWING || motor == NG_ERROR;
    default:
      return row >= PwrMnu_Sonar_Control && row < PwrMnu_Last_Item;
  }
}

// The motor row that fits a state; -1 for the states without one.
S32 s32MotorRow(U32 motor) {
  switch (motor) {
    case NG_DEPLOYING:
    case NG_STOWING:
    case NG_ERROR:
      return PwrMnu_Motor_Pause;
    case NG_DEPLOYED:
    case NG_PAUSED:
      return PwrMnu_Motor_Stow;
    case NG_STOWED:
      return PwrMnu_Motor_Deploy;
    default:
      return -1;
  }
}

S32 s32FirstVisible(void) {
  for (S32 row = 0; row < PwrMnu_Last_Item; ++row) {
    if (bVisible(row)) return row;
  }
  return PwrMnu_Sonar_Control;
}

// ------------------------------------------------------------ rows' values
// A selection row: its key, choices and values.
struct SELECTION_ROW {
  FOURCHARID key;
  const DB_TEXT_RECORD* choices;
  const U32* values;
  U32 count;
};
const DB_TEXT_RECORD s_apOffOn[] = {s_txtOff, s_txtOn};
const U32 s_au32OffOn[] = {0, 1};
const DB_TEXT_RECORD s_apPalettes[] = {s_txtWhite, s_txtBlue, s_txtBlack};
const U32 s_au32Palettes[] = {1, 2, 3};
const SELECTION_ROW s_propRow = {FCID("IPRP"), s_apOffOn, s_au32OffOn, 2};
const SELECTION_ROW s_sonarRow = {FCID("SSEN"), s_apOffOn, s_au32OffOn, 2};
const SELECTION_ROW s_paletteRow = {FCID("SPAL"), s_apPalettes, s_au32Palettes, 3};

const SELECTION_ROW* pSelectionRow(S32 row) {
  switch (row) {
    case PwrMnu_Prop_Control:
      return &s_propRow;
    case PwrMnu_Sonar_Control:
      return &s_sonarRow;
    case PwrMnu_Contrast_Adj:
      return &s_paletteRow;
    default:
      return nullptr;
  }
}

// Index of the row's current choice. A stored sonar value of 2 or more
// counts as on, a prop value of 2 or more as off.
U32 u32CurrentChoice(const SELECTION_ROW& row) {
  U32 value = 0;
  (void)H_DATABASE_bFetchU32(row.key, &value);
  if (row.key == FCID("SSEN") && value >= 2) value = 1;
  if (row.key == FCID("IPRP") && value >= 2) value = 0;
  for (U32 i = 0; i < row.count; ++i) {
    if (row.values[i] == value) return i;
  }
  return 0;
}

F32 fPropSpeed(void) {
  F32 speed = 0.0f;
  (void)H_DATABASE_bFetchFloat(FCID("IPPT"), &speed);
  return speed;
}

S32 s32Backlight(void) {
  S32 level = 0;
  (void)H_DATABASE_bFetchS32(FCID("CBAK"), &level);
  return level;
}

// The value text a row shows.
void vValueText(S32 row, char* out, size_t size) {
  out[0] = '\0';
  if (const SELECTION_ROW* sel = pSelectionRow(row)) {
    snprintf(out, size, "%s", pcText(sel->choices[u32CurrentChoice(*sel)]));
  } else if (row == PwrMnu_Prop_Thrust) {
    const F32 speed = fPropSpeed();
    if (speed <= 0.0f) {
      snprintf(out, size, "%s", pcText(s_txtMinThrust));
    } else if (speed >= PROP_MAX) {
      snprintf(out, size, "%s", pcText(s_txtMaxThrust));
    } else {
      snprintf(out, size, "%.1f", (double)speed);
    }
  } else if (row == PwrMnu_Backlight_Adj) {
    const S32 level = s32Backlight();
    if (level == 0) {
      snprintf(out, size, "%s", pcText(s_txtDim));
    } else {
      snprintf(out, size, "%2d", (int)level);
    }
  }
}

// ------------------------------------------------------------ opening and closing
void vSignal(SEMA sema) { L_SEMA_Signal(sema); }

void vOpenMenu(void) {
  (void)U_KEYBOARD_bRegisterKeys(DISPLAY_MBOX, 0xFFEEu, KEY_DOWN, FALSE, FALSE, CURSOR_4, REGISTER_CONTRAST);
  (void)U_KEYBOARD_bRegisterKeys(DISPLAY_MBOX, KEY_MASK_CURSOR, KEY_DOWN, TRUE, FALSE, CURSOR_4, REGISTER_CONTRAST);
  (void)U_VIEW_bRegisterLayer(&T_DISPLAY_vDrawLayer, CONTRAST_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                              nullptr);
  s_bMenuDisplayed.store(true);
  vSignal(SEMA_VIEW_UPDATE);
  log_me("display: power-key menu open");
}

void vCloseMenu(void) {
  (void)U_KEYBOARD_bUnregisterKeys(DISPLAY_MBOX, 0xFFFEu);
  (void)U_VIEW_bUnRegisterLayer(CONTRAST_LAYER);
  s_bMenuDisplayed.store(false);
  vSignal(SEMA_VIEW_UPDATE);
  log_me("display: power-key menu closed");
}

// ------------------------------------------------------------ cursor moves
S32 s32RowAbove(S32 row) {
  for (S32 r = row - 1; r >= 0; --r) {
    if (bVisible(r)) return r;
  }
  return PwrMnu_Contrast_Adj;
}

S32 s32RowBelow(S32 row) {
  for (S32 r = row + 1; r < PwrMnu_Last_Item; ++r) {
    if (bVisible(r)) return r;
  }
  return s32FirstVisible();
}

// TRUE when the choice moved.
bool bStepChoice(const SELECTION_ROW& row, S32 step) {
  const U32 current = u32CurrentChoice(row);
  if (step > 0 && current + 1 >= row.count) return false;
  if (step < 0 && current == 0) return false;
  const U32 next = step > 0 ? current + 1 : current - 1;
  H_DATABASE_bUpdateValueU32(row.key, row.values[next], P_NORMAL);
  return true;
}

bool bStepPropSpeed(S32 step) {
  const F32 n = roundf(fPropSpeed() / PROP_STEP) + (F32)step;
  F32 speed = n * PROP_STEP;
  if (speed > PROP_MAX) speed = PROP_MAX;
  if (speed < 0.0f) speed = 0.0f;
  H_DATABASE_bUpdateValueFloat(FCID("IPPT"), speed, P_NORMAL);
  return true;
}

bool bEast(S32 row) {
  if (const SELECTION_ROW* sel = pSelectionRow(row)) return bStepChoice(*sel, +1);
  switch (row) {
    case PwrMnu_Prop_Thrust:
      return bStepPropSpeed(+1);
    case PwrMnu_Motor_Stow:
      U_KEELAR_vStowMotor();
      return true;
    case PwrMnu_Motor_Deploy:
      U_KEELAR_vDeployMotor();
      return true;
    case PwrMnu_Motor_Pause:
      U_KEELAR_vPauseMotor();
      return true;
    case PwrMnu_Backlight_Adj:
      s_bBacklightChanged = true;
      return H_BACKLIGHT_bChange(+1) != FALSE;
    default:
      return false;
  }
}

bool bWest(S32 row) {
  if (const SELECTION_ROW* sel = pSelectionRow(row)) return bStepChoice(*sel, -1);
  switch (row) {
    case PwrMnu_Prop_Thrust:
      return bStepPropSpeed(-1);
    case PwrMnu_Backlight_Adj:
      s_bBacklightChanged = true;
      return H_BACKLIGHT_bChange(-1) != FALSE;
    default:
      return false;
  }
}

void vCursor(CURSOR_POSITION direction) {
  const S32 row = s_eHighlighted.load();
  bool changed = false;
  switch (direction) {
    case CURSOR_NORTH:
      s_eHighlighted.store(s32RowAbove(row));
      changed = true;
      break;
    case CURSOR_SOUTH:
      s_eHighlighted.store(s32RowBelow(row));
      changed = true;
      break;
    case CURSOR_EAST:
      changed = bEast(row);
      break;
    case CURSOR_WEST:
      changed = bWest(row);
      break;
    default:
      break;
  }
  if (changed) {
    vSignal(SEMA_KEYCLICK_GOOD);
    vSignal(SEMA_VIEW_UPDATE);
  } else {
    vSignal(SEMA_KEYCLICK_BAD);
  }
}

// ------------------------------------------------------------ drawing
COLOR colEntry(U32 i) { return gCOLOR_pcolColorTable[i]; }

const ICON* pRowIcon(S32 row) {
  switch (row) {
    case PwrMnu_Prop_Thrust:
      return &PropSpeed_icon;
    case PwrMnu_Sonar_Control:
      return &SonarTab_icon;
    case PwrMnu_Backlight_Adj:
      return &Light_icon;
    case PwrMnu_Contrast_Adj:
      return &BackgroundColor_icon;
    default:
      // The prop and motor rows have no icon of their own on this unit.
      return nullptr;
  }
}

DB_TEXT_RECORD pRowLabel(S32 row) {
  static const DB_TEXT_RECORD labels[PwrMnu_Last_Item] = {s_txtProp,  s_txtPropSpeed, s_txtStow,  s_txtDeploy,
                                                          s_txtPause, s_txtSonar,     s_txtLight, s_txtBackground};
  return labels[row];
}

U32 u32IconWidth(const ICON* icon) { return icon != nullptr ? G_ICON_u32GetWidth(icon) : 0; }

U32 u32Max(U32 a, U32 b) { return a > b ? a : b; }

void vPut(BITMAP* bmp, COLOR colour, S32 x, S32 y, const FONT_DEF* font, const char* text) {
  POINT at{x, y};
  G_STRING_vPut(bmp, colour, &at, font, text);
}

}  // namespace

// ------------------------------------------------------------ interface
BOOLEAN T_DISPLAY_bPowerKeyMenuDisplayed(void) { return s_bMenuDisplayed.load() ? TRUE : FALSE; }
POWER_KEY_MENU_ITEMS T_DISPLAY_eHighlightedRow(void) { return (POWER_KEY_MENU_ITEMS)s_eHighlighted.load(); }

void T_DISPLAY_MENU_vRunSystem(void) {
  U32 n = 0;
  s_apVideoChoices[n] = s_txtOff;
  s_au32VideoValues[n++] = 0;
  if (MODEL_bDomesticModel() || MODEL_bInternationalModel1() || MODEL_bInternationalModel2() ||
      MODEL_bInternationalModel4()) {
    s_apVideoChoices[n] = s_txtNtsc;
    s_au32VideoValues[n++] = 1;
  }
  if (MODEL_bInternationalModel3()) {
    s_apVideoChoices[n] = s_txtNtscJ;
    s_au32VideoValues[n++] = 2;
  }
  if (MODEL_bInternationalModel1() || MODEL_bInternationalModel2() || MODEL_bInternationalModel4()) {
    s_apVideoChoices[n] = s_txtPal;
    s_au32VideoValues[n++] = 3;
  }
  if (MODEL_bInternationalModel1() || MODEL_bInternationalModel2()) {
    s_apVideoChoices[n] = s_txtPalM;
    s_au32VideoValues[n++] = 4;
  }
  // The display task is the first to hear of the run: the Setup tab may not
  // be there yet, and an item for a missing tab is dropped. The tab's owner
  // registers it again with its icon.
  if (!U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC) ||
      !U_MENU_bRegisterMainSelectorMenu(s_txtVideoOut, g_MENU_txtSetupTab, MENU_VIDEO_OUT, FCID("SVOM"), n,
                                        s_apVideoChoices, s_au32VideoValues, M_ADVANCED)) {
    log_me("display: Video Out item not registered");
  }
  // The autopilot keys the menu shows, defaulted when they hold nothing.
  const DB_ATTRIBUTES attributes = {D_UNKNOWN, nullptr, DB_NO_TIMEOUT};
  DB_DATA_TYPE value;
  BOOLEAN valid = FALSE;
  F32 speed = 0.0f;
  if (!H_DATABASE_bFetchFloat(FCID("IPPT"), &speed, &valid) || !valid) {
    value.fVal = 0.0f;
    H_DATABASE_vReadOrSetDefault(FCID("IPPT"), &value, P_NORMAL, &attributes);
  }
  for (FOURCHARID key : {FCID("IPNE"), FCID("IPPL"), FCID("IPMS")}) {
    value.u32Val = 0;
    H_DATABASE_vReadOrSetDefault(key, &value, P_NORMAL, &attributes);
    if (key == FCID("IPNE")) s_bPropEnabled.store(value.u32Val != 0);
    if (key == FCID("IPPL")) s_bPropLockedOut.store(value.u32Val != 0);
    if (key == FCID("IPMS")) s_u32MotorState.store(value.u32Val);
    H_DATABASE_bRegisterForDataWithConditions(key, DISPLAY_MBOX, TRUE, FALSE, FALSE);
  }
}

void T_DISPLAY_MENU_vNewData(const MESSAGE_NEW_DATA* pMsg) {
  const FOURCHARID key = pMsg->FourCharId;
  const U32 value = pMsg->dbValue.u32Val;
  const S32 row = s_eHighlighted.load();
  if (key == FCID("IPNE")) {
    s_bPropEnabled.store(value != 0);
    if (row == PwrMnu_Prop_Control || row == PwrMnu_Prop_Thrust) s_eHighlighted.store(PwrMnu_Motor_Stow);
  } else if (key == FCID("IPPL")) {
    s_bPropLockedOut.store(value != 0);
    if (value != 0 && (row == PwrMnu_Prop_Control || row == PwrMnu_Prop_Thrust)) {
      const S32 motorRow = s32MotorRow(s_u32MotorState.load());
      s_eHighlighted.store(motorRow >= 0 ? motorRow : PwrMnu_Motor_Stow);
    }
  } else if (key == FCID("IPMS")) {
    s_u32MotorState.store(value);
    if (row >= PwrMnu_Motor_Stow && row <= PwrMnu_Motor_Pause && value <= NG_ERROR) {
      const S32 motorRow = s32MotorRow(value);
      if (motorRow >= 0) s_eHighlighted.store(motorRow);
    }
  } else {
    return;
  }
  // A highlight left on a row that is no longer shown moves to one that is.
  if (!bVisible(s_eHighlighted.load())) s_eHighlighted.store(s32RowBelow(s_eHighlighted.load()));
  if (s_bMenuDisplayed.load()) vSignal(SEMA_VIEW_UPDATE);
}

void T_DISPLAY_MENU_vClose(void) {
  if (s_bMenuDisplayed.load()) vCloseMenu();
}

void T_DISPLAY_MENU_vKey(const MSG_KEY_CHANGE* pMsg) {
  if (!s_bMenuDisplayed.load()) {
    vSignal(SEMA_KEYCLICK_GOOD);
    H_BACKLIGHT_vSave();
    if (bPropActive()) {
      s_eHighlighted.store(PwrMnu_Prop_Control);
    } else {
      const S32 motorRow = s32MotorRow(s_u32MotorState.load());
      s_eHighlighted.store(motorRow >= 0 ? motorRow : PwrMnu_Sonar_Control);
    }
    if (bFetchTrue(FCID("SQCD"))) {
      vOpenMenu();
    } else {
      log_me("display: power key, no menu before the first-start set-up is done");
    }
    s_bBacklightChanged = false;
    return;
  }
  if (pMsg->key == KEY_MASK_POWER || pMsg->key == KEY_MASK_EXIT) {
    vSignal(SEMA_KEYCLICK_GOOD);
    vCloseMenu();
    if (!s_bBacklightChanged) H_BACKLIGHT_vRestore();
    return;
  }
  if (pMsg->key == KEY_MASK_CURSOR) {
    vCursor(pMsg->cursor);
    return;
  }
  vSignal(SEMA_KEYCLICK_BAD);
}

void T_DISPLAY_vDrawLayer(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  const FONT_DEF* hintFont = std_11x14_font_def_ptr.load();
  if (font == nullptr || hintFont == nullptr) return;

  S32 rows = 0;
  for (S32 r = 0; r < PwrMnu_Last_Item; ++r) rows += bVisible(r) ? 1 : 0;

  // Width: the widest of the values, labels with their icons and the
  // controls. The prop and motor labels count too, so that a long
  // translation stays inside the box.
  U32 valueWidth = G_STRING_u32GetWidth(font, "10") + 4;
  for (DB_TEXT_RECORD t : {s_txtWhite, s_txtBlue, s_txtBlack, s_txtOn, s_txtOff}) {
    valueWidth = u32Max(valueWidth, G_STRING_u32GetWidth(font, pcText(t)) + 4);
  }
  U32 w = 224;
  w = u32Max(w, 2 * G_STRING_u32GetWidth(font, pcText(s_txtOff)) + 156);
  const U32 t = u32IconWidth(&BackgroundColor_icon) +
                u32Max(G_STRING_u32GetWidth(font, pcText(s_txtLight)), G_STRING_u32GetWidth(font, pcText(s_txtBackground))) +
                14;
  w = u32Max(w, t);
  w = u32Max(w, u32IconWidth(&SonarTab_icon) + u32Max(t, G_STRING_u32GetWidth(font, pcText(s_txtLocalSonar))) + 14);
  w = u32Max(w, valueWidth + 12);
  for (S32 r = PwrMnu_Prop_Control; r <= PwrMnu_Motor_Pause; ++r) {
    if (bVisible(r)) w = u32Max(w, G_STRING_u32GetWidth(font, pcText(pRowLabel(r))) + 6 + 4 + valueWidth + 8);
  }

  const S32 W = pBitmap->pixels_wide_full_screen;
  const S32 H = pBitmap->pixels_high_full_screen;
  S32 x0;
  U32 outerWidth, innerWidth;
  if ((S32)w <= W - 16) {
    x0 = (W - (S32)w - 16) / 2;
    outerWidth = w + 10;
    innerWidth = w + 8;
  } else {
    w = (U32)(W - 16);
    x0 = 0;
    outerWidth = (U32)W - 6;
    innerWidth = (U32)W - 8;
  }
  const S32 y0 = H - rows * ROW_HEIGHT - 18;
  G_BOX_vDrawRoundedFilled(pBitmap, colEntry(64), POINT{x0, y0}, outerWidth, (U32)(rows * ROW_HEIGHT + 12), 6);
  G_BOX_vDrawRoundedFilled(pBitmap, colEntry(67), POINT{x0 + 1, y0 + 1}, innerWidth, (U32)(rows * ROW_HEIGHT + 10),
                           6);

  const S32 highlighted = s_eHighlighted.load();
  const S32 controlX = (S32)(w - 148) / 2;
  const U32 selectorWidth = valueWidth < 148 ? 152 : valueWidth + 4;
  S32 k = rows;
  for (S32 row = 0; row < PwrMnu_Last_Item; ++row) {
    if (!bVisible(row)) continue;
    k -= 1;
    const S32 x = x0 + 5;
    const bool lower = row == PwrMnu_Backlight_Adj || row == PwrMnu_Contrast_Adj;
    const S32 y = y0 + (lower ? 7 : 8) + ROW_HEIGHT * k;
    const bool hl = row == highlighted;
    if (hl) {
      G_BOX_vDrawRoundedFilled(pBitmap, colEntry(64), POINT{x, y}, w, ROW_HEIGHT, 4);
      G_LINE_vDraw(pBitmap, colEntry(65), POINT{x + 1, y}, POINT{x + (S32)w - 5, y});
    } else {
      G_BOX_vDrawRoundedFilled(pBitmap, colEntry(65), POINT{x, y}, w, ROW_HEIGHT, 4);
      G_LINE_vDraw(pBitmap, colEntry(66), POINT{x + 1, y}, POINT{x + (S32)w - 5, y});
      G_LINE_vDraw(pBitmap, colEntry(64), POINT{x + 1, y + ROW_HEIGHT - 1}, POINT{x + (S32)w - 5, y + ROW_HEIGHT - 1});
    }
    const COLOR labelColour = colEntry(hl ? 68 : 69);
    const ICON* icon = pRowIcon(row);
    // The icon stands in the middle of its row's height: at the label's
    // height a 32-pixel icon would reach into the row above.
    if (icon != nullptr) G_ICON_vPut(pBitmap, icon, POINT{x + 4, y + (ROW_HEIGHT - (S32)G_ICON_u32GetHeight(icon)) / 2});
    const S32 labelY = y + (row == PwrMnu_Backlight_Adj ? 37 : 36);
    vPut(pBitmap, labelColour, x + 4 + (S32)u32IconWidth(icon) + 6, labelY, font, pcText(pRowLabel(row)));

    char value[32];
    vValueText(row, value, sizeof value);
    const S32 valueX = x + (S32)w - (S32)G_STRING_u32GetWidth(font, value) - 4;
    if (!hl) {
      if (row < PwrMnu_Motor_Stow || row > PwrMnu_Motor_Pause) vPut(pBitmap, colEntry(69), valueX, y + 6, font, value);
      continue;
    }
    const POINT control{x + controlX, y + 6};
    if (const SELECTION_ROW* sel = pSelectionRow(row)) {
      M_SELECTION_BOX_PARAMETERS p;
      memset(&p, 0, sizeof p);
      p.FourCharId = sel->key;
      p.pSelectionList = sel->choices;
      p.pSelectionValueArray = sel->values;
      p.CurSelection = (U8)u32CurrentChoice(*sel);
      p.numberSelections = sel->count;
      U_MENU_vDrawControlSelectionBox(pBitmap, control, p.CurSelection, &p, selectorWidth, 24, colEntry(65));
    } else if (row == PwrMnu_Prop_Thrust) {
      static const MENU_LIMITS limits = {U_NONE, 0.0f, PROP_MAX, PROP_STEP};
      M_SLIDER_PARAMETERS p;
      memset(&p, 0, sizeof p);
      p.FourCharId = FCID("IPPT");
      p.minValue.fVal = 0.0f;
      p.maxValue.fVal = PROP_MAX;
      p.stepValue.fVal = PROP_STEP;
      p.pCtrlTextLeft = s_txtMinThrust;
      p.pCtrlTextRight = s_txtMaxThrust;
      p.pLimits = &limits;
      p.u8precision = 1;
      DB_DATA_TYPE v;
      v.fVal = fPropSpeed();
      U_MENU_vDrawControlSlider(pBitmap, control, v, &p, DF_FLOAT, selectorWidth, 24);
      vPut(pBitmap, colEntry(68), valueX, y + 36, font, value);
    } else if (row == PwrMnu_Backlight_Adj) {
      static const MENU_LIMITS limits = {U_NONE, 0.0f, (F32)DISPLAY_BACKLIGHT_MAX, 1.0f};
      M_PROGRESS_BAR_PARAMETERS p;
      memset(&p, 0, sizeof p);
      p.FourCharId = FCID("CBAK");
      p.minValue.u32Val = 0;
      p.maxValue.u32Val = DISPLAY_BACKLIGHT_MAX;
      p.stepValue.u32Val = 1;
      p.pLimits = &limits;
      DB_DATA_TYPE v;
      v.u32Val = (U32)s32Backlight();
      U_MENU_vDrawControlProgressBar(pBitmap, control, v, &p, DF_UNSIGNED32, 148, 24);
      vPut(pBitmap, colEntry(68), valueX, y + 37, font, value);
    } else {
      const S32 arrowX = x + controlX + (valueWidth < 148 ? 156 : (S32)valueWidth + 8);
      U_MENU_vDrawArrowRight(pBitmap, POINT{arrowX, y + 6}, 24, colEntry(67));
    }
  }

  (void)U_DIALOG_u32DrawMessageBlock(pBitmap, pcText(s_txtHint), hintFont, 0, JUSTIFICATION_CENTER,
                                     JUSTIFICATION_BOTTOM, POINT{0, 0}, (U16)W, colEntry(64), colEntry(68));
}
