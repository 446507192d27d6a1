// The soft-key task: shortcuts to views on the three soft keys.
#include "source/ui/t_button.h"

#include <atomic>

#include "common/key_types.h"
#include "common/language.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/u_dialog.h"

namespace {

struct KEY_CONTROL {
  U32 key;
  FOURCHARID fcID;
  LAYER_ID eDefaultLayerID;
  std::atomic<S32> eCurrentLayer;
};

KEY_CONTROL s_KeyControl[3] = {
    {KEY_MASK_SOFT_KEY_1, FCID("SKY1"), SONAR_SIDEVIEW_AND_DOWN, {SONAR_SIDEVIEW_AND_DOWN}},
    {KEY_MASK_SOFT_KEY_2, FCID("SKY2"), CHART_PLUS_2D_VIEW_PRIORITY, {CHART_PLUS_2D_VIEW_PRIORITY}},
    {KEY_MASK_SOFT_KEY_3, FCID("SKY3"), CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY, {CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY}},
};

S32 s_s32KeyPressed = -1;
// Read by the banner's draw callback in the view task.
std::atomic<S32> s_ebuttontimer{BUTTON_TIMER_NOT_IN_USE};
TIMER_INFO* s_pTimer = nullptr;

void vRemoveBanner(void) {
  (void)U_VIEW_bUnRegisterLayer(BUTTON_MESSAGE_LAYER);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vStartTimer(U32 ms) {
  if (s_pTimer == nullptr) return;
  if (ms == 0) ms = 1;
  (void)L_TIMER_Start(s_pTimer, ms, 0, SEMA_TIMER_BUTTON);
}

void vKeyChange(const MSG_KEY_CHANGE* pMsg) {
  if (pMsg->state != KEY_UP) {
    for (int k = 0; k < 3; ++k) {
      if (s_KeyControl[k].key != pMsg->key) continue;
      (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
      s_s32KeyPressed = k;
      s_ebuttontimer.store(BUTTON_KEY_DOWN);
      vStartTimer(BUTTON_HOLD_MS);
      (void)U_VIEW_bRegisterLayer(T_BUTTON_vDrawMessage, BUTTON_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                                  nullptr, nullptr);
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    }
    return;
  }
  if (s_s32KeyPressed < 0) return;
  s_ebuttontimer.store(BUTTON_HELPER_MESSAGE);
  const U32 remaining = s_pTimer != nullptr ? L_TIMER_GetRemaining(s_pTimer) : 0;
  vStartTimer(remaining > BUTTON_HELPER_SHORTEN_MS ? remaining - BUTTON_HELPER_SHORTEN_MS : 0);
  for (int k = 0; k < 3; ++k) {
    const KEY_CONTROL& control = s_KeyControl[k];
    if (control.key == pMsg->key) {
      const S32 view = control.eCurrentLayer.load();
      (void)H_DATABASE_bUpdateValueS32(FCID("CVEW"), view, P_NORMAL);
      log_me("BUTTON: shortcut %d shows view %d", k + 1, (int)view);
    }
  }
  s_s32KeyPressed = -1;
}

void vTimerExpired(void) {
  if (s_ebuttontimer.load() == BUTTON_KEY_DOWN && s_s32KeyPressed >= 0) {
    S32 view = 0;
    if (H_DATABASE_bFetchS32(FCID("CVEW"), &view)) {
      KEY_CONTROL& control = s_KeyControl[s_s32KeyPressed];
      control.eCurrentLayer.store(view);
      (void)H_DATABASE_bUpdateValueS32(control.fcID, view, P_NORMAL);
      s_ebuttontimer.store(BUTTON_SAVED_MESSAGE);
      vStartTimer(BUTTON_SAVED_MESSAGE_MS);
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      log_me("BUTTON: shortcut %d saved (view %d)", (int)s_s32KeyPressed + 1, (int)view);
    }
    s_s32KeyPressed = -1;
    return;
  }
  if (s_pTimer != nullptr) (void)L_TIMER_Stop(s_pTimer);
  s_ebuttontimer.store(BUTTON_TIMER_NOT_IN_USE);
  vRemoveBanner();
  s_s32KeyPressed = -1;
}

void vFactoryShortcuts(void) {
  for (KEY_CONTROL& control : s_KeyControl) {
    (void)H_DATABASE_bUpdateValueS32(control.fcID, control.eDefaultLayerID, P_NORMAL);
    control.eCurrentLayer.store(control.eDefaultLayerID);
  }
}

void vShutdown(void) {
  if (s_pTimer != nullptr) {
    (void)L_TIMER_Stop(s_pTimer);
    (void)L_TIMER_Release(s_pTimer);
    s_pTimer = nullptr;
  }
  (void)U_KEYBOARD_bUnregisterKeys(M_BUTTON, KEY_MASK_SOFT_KEY_1 | KEY_MASK_SOFT_KEY_2 | KEY_MASK_SOFT_KEY_3);
}

void vHandleMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_KEY_CHANGE:
      vKeyChange(reinterpret_cast<const MSG_KEY_CHANGE*>(pMsg));
      break;
    case CMD_ID_RESET_POS:
      vFactoryShortcuts();
      break;
    case CMD_ID_SHUTDOWN:
      vShutdown();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

#define BUTTON_TEXT(name, text)                                                                                 \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
BUTTON_TEXT(s_txtHold, "Press and hold to set shortcut");
BUTTON_TEXT(s_txtSaved, "Shortcut Saved");
#undef BUTTON_TEXT

}  // namespace

BUTTON_TIMER_USE T_BUTTON_eState(void) { return (BUTTON_TIMER_USE)s_ebuttontimer.load(); }
LAYER_ID T_BUTTON_eShortcut(int nKey) {
  return (nKey >= 0 && nKey < 3) ? (LAYER_ID)s_KeyControl[nKey].eCurrentLayer.load() : NO_VIEW_PRIORITY;
}

void T_BUTTON_vDrawMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  const int language = nCurrentLanguage();
  switch (s_ebuttontimer.load()) {
    case BUTTON_KEY_DOWN:
    case BUTTON_HELPER_MESSAGE:
      (void)U_DIALOG_u32DrawMessageBlock(pBitmap, s_txtHold[language], std_11x14_font_def_ptr.load(), 0,
                                         JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, POINT{0, 0},
                                         (U16)pBitmap->pixels_wide, gCOLOR_pcolColorTable[131],
                                         gCOLOR_pcolColorTable[128]);
      break;
    case BUTTON_SAVED_MESSAGE: {
      const FONT_DEF* pFont = std_16x17_font_def_ptr.load();
      U32 width = G_STRING_u32GetWidth(pFont, s_txtSaved[language]) + 9;
      const U32 limit = pBitmap->pixels_wide > 10 ? (U32)pBitmap->pixels_wide - 10 : 0;
      if (width > limit) width = limit;
      U_DIALOG_vDrawDialog(pBitmap, s_txtSaved[language], pFont, 0, (U16)width, nullptr, nullptr,
                           JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
      break;
    }
    default:
      // Only registration messages: the layer is removed by the view task.
      (void)U_VIEW_bUnRegisterLayer(BUTTON_MESSAGE_LAYER);
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
  }
}

void T_BUTTON_vTask(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TBUT"), M_BUTTON, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Button Task Maibox");
  }
  // The keyboard task takes registrations once its mailbox key exists.
  while (!U_KEYBOARD_bRegisterKeys(M_BUTTON, KEY_MASK_SOFT_KEY_1 | KEY_MASK_SOFT_KEY_2 | KEY_MASK_SOFT_KEY_3,
                                   KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_EXCLUSIVE)) {
    L_CLOCK_Sleep(1);
  }
  for (KEY_CONTROL& control : s_KeyControl) {
    DB_DATA_TYPE value = DB_dataS32(control.eDefaultLayerID);
    const DB_ATTRIBUTES attributes = {D_SIGNED32, nullptr, DB_NO_TIMEOUT};
    H_DATABASE_vReadOrSetDefault(control.fcID, &value, P_NORMAL, &attributes);
    control.eCurrentLayer.store(value.s32Val);
  }
  s_pTimer = L_TIMER_Allocate();
  if (s_pTimer == nullptr) FATAL_ERROR("No Timers");
  static const SEMA s_waitList[] = {SEMA_MBOX_BUTTON, SEMA_TIMER_BUTTON, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(s_waitList);
    if (fired == SEMA_TIMER_BUTTON) {
      vTimerExpired();
    } else if (fired == SEMA_MBOX_BUTTON) {
      while (void* pMsg = L_MBOX_Receive(M_BUTTON)) vHandleMessage(static_cast<GENERIC_MESSAGE*>(pMsg));
    } else {
      log_me("BUTTON: cannot wait on its semaphores (%d)", (int)fired);
      L_CLOCK_Sleep(1000);
    }
  }
}
