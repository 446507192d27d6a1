// The power-key shutdown of the keyboard task: the count-down box while the
// power key is held, the shutdown or reset of the whole unit, the "Restore
// Defaults" item and the factory defaults.
#include "source/ui/t_keyboard_shutdown.h"

#include <string.h>

#include <atomic>

#include "common/language.h"
#include "common/menu_types.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_keyboard.h"
#include "source/core/h_sound.h"
#include "source/core/u_shutdown.h"
#include "source/core/u_sound.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu.h"

namespace {

#define SHUTDOWN_TEXT(name, text)                                                                \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
SHUTDOWN_TEXT(s_txtShutdownInSeconds, "Shutdown in {#} seconds");
SHUTDOWN_TEXT(s_txtShuttingDown, "Shutting Down...");
SHUTDOWN_TEXT(s_txtRestoreDefaults, "Restore Defaults");

// Tasks the power-key shutdown deals with itself after the orderly shutdown.
constexpr FOURCHARID s_afcidShutdownExclusions[] = {FCID("TDSP"), FCID("TKBD"), FCID("TSND"), FCID("TMSG"),
                                                    FCID("TSLP"), FCID("TETH"), 0};

constexpr PRIORITY SHUTDOWN_MSG_PRIORITY = 3;
// Power-down: the key is given up to 20 x 250 ms to be released.
constexpr int POWER_RELEASE_POLLS = 20;
constexpr U32 POWER_RELEASE_POLL_MS = 250;
// The pause after the service-location task, which deregisters the unit's
// services from the network.
constexpr U32 SLP_PAUSE_MS = 2000;
// The shutdown sound is waited for, but a sound that never ends must not
// keep the unit from switching off.
constexpr U32 SOUND_POLL_MS = 2;
constexpr U32 SOUND_WAIT_LIMIT_MS = 10000;

SOUND s_shutdownSound = {"shutdown_sound", 0, 0, nullptr};

std::atomic<bool> s_bCountdownShown{false};
char s_byteShutdownMessageBuffer[100];

// Sends CMD_ID_SHUTDOWN to the task under the key, when the key exists, and
// waits for its acknowledgement. Returns the block for the next send: a new
// one when the task kept this one unacknowledged.
GENERIC_MESSAGE* pShutdownTask(GENERIC_MESSAGE* msg, const char* key, U32 u32WaitMs) {
  U32 mbox = 0;
  if (!H_DATABASE_bFetchU32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), &mbox)) return msg;
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_SHUTDOWN;
  log_me("keyboard: last to finish: %s (mailbox %u)", key, (unsigned)mbox);
  const S32 rc = L_MBOX_SendWaitTicks((MBOX)mbox, msg, SHUTDOWN_MSG_PRIORITY, SEMA_SHUTDOWN_KEYB, u32WaitMs);
  if (rc == lsSUCCESS || rc == -lsMBOX_INVALID || rc == -lsSEMA_INVALID) return msg;
  log_me("keyboard: last to finish: %s did not acknowledge (%d)", key, rc);
  GENERIC_MESSAGE* fresh = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  return fresh;
}

void vWaitForSilence(void) {
  U32 waited = 0;
  while (H_SOUND_bIsSoundPlaying()) {
    if (waited >= SOUND_WAIT_LIMIT_MS) {
      log_me("keyboard: shutdown sound still playing after %u ms, shutting down", (unsigned)waited);
      return;
    }
    L_CLOCK_Sleep(SOUND_POLL_MS);
    waited += SOUND_POLL_MS;
  }
}

// Copies the text with its first placeholder ("{...}") replaced by the
// digit. A text without a placeholder is shown as it is; the result is
// always cut to the buffer.
void vFillCountdown(const char* text, char digit) {
  char* out = s_byteShutdownMessageBuffer;
  const size_t size = sizeof s_byteShutdownMessageBuffer;
  size_t n = 0;
  bool replaced = false;
  for (const char* p = text; *p != '\0' && n + 1 < size; ++p) {
    if (!replaced && *p == '{') {
      const char* close = strchr(p, '}');
      if (close != nullptr) {
        out[n++] = digit;
        p = close;
        replaced = true;
        continue;
      }
    }
    out[n++] = *p;
  }
  out[n] = '\0';
}

const char* pcText(DB_TEXT_RECORD record) {
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || language >= (U32)NUMBER_OF_LANGUAGES) language = 0;
  return record[language];
}

}  // namespace

void T_KEYBOARD_vShutdown(SHUTDOWN_TYPE shutdownType) {
  log_me("keyboard: %s: shutting down the tasks", shutdownType == RESET ? "reset" : "power down");
  U_SOUND_vRegisterSound(&s_shutdownSound, FALSE);
  U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_shutdownSound, 0, 1);

  (void)U_SHUTDOWN_vShutdown(s_afcidShutdownExclusions);

  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  msg = pShutdownTask(msg, "TMSG", 500);
  U32 slp = 0;
  if (H_DATABASE_bFetchU32(FCID("TSLP"), &slp)) {
    msg = pShutdownTask(msg, "TSLP", 2000);
    L_CLOCK_Sleep(SLP_PAUSE_MS);
  }
  msg = pShutdownTask(msg, "TETH", 500);
  vWaitForSilence();
  msg = pShutdownTask(msg, "TSND", 500);
  msg = pShutdownTask(msg, "TDSP", 500);
  (void)msg;  // ends with the process

  if (shutdownType == RESET) U_RESET_vReset();
  for (int i = 0; i < POWER_RELEASE_POLLS && H_KEYBOARD_bIsPowerPressed(); ++i) L_CLOCK_Sleep(POWER_RELEASE_POLL_MS);
  H_SHUTDOWN_vShutdown();
}

void T_KEYBOARD_vDrawShutdownMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec) {
  (void)psWindowSpec;
  if (pBitmap == nullptr) return;
  switch (T_KEYBOARD_eShutdownMessage()) {
    case FIRST_SHUTDOWN_MESSAGE:
      vFillCountdown(pcText(s_txtShutdownInSeconds), '2');
      break;
    case SECOND_SHUTDOWN_MESSAGE:
      vFillCountdown(pcText(s_txtShutdownInSeconds), '1');
      break;
    case LAST_SHUTDOWN_MESSAGE:
      strncpy(s_byteShutdownMessageBuffer, pcText(s_txtShuttingDown), 98);
      s_byteShutdownMessageBuffer[98] = '\0';
      break;
    default:
      break;
  }
  const FONT_DEF* font = std_16x17_font_def_ptr.load();
  if (font == nullptr) return;
  U32 width = G_STRING_u32GetWidth(font, s_byteShutdownMessageBuffer) + 14;
  if (width >= (U32)pBitmap->pixels_wide) width = (U32)pBitmap->pixels_wide - 2;
  U_DIALOG_vDrawDialog(pBitmap, s_byteShutdownMessageBuffer, font, 2, (U16)width, nullptr, nullptr,
                       JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
}

const char* T_KEYBOARD_pcShutdownMessageText(void) { return s_byteShutdownMessageBuffer; }

void T_KEYBOARD_vShowShutdownCountdown(void) {
  if (!s_bCountdownShown.exchange(true)) {
    (void)U_VIEW_bRegisterLayer(&T_KEYBOARD_vDrawShutdownMessage, SHUTDOWN_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr,
                                nullptr, nullptr);
  }
  log_me("keyboard: power key held, shutdown count-down (message %d)", (int)T_KEYBOARD_eShutdownMessage());
}

void T_KEYBOARD_vHideShutdownCountdown(void) {
  if (s_bCountdownShown.exchange(false)) {
    (void)U_VIEW_bUnRegisterLayer(SHUTDOWN_LAYER);
    log_me("keyboard: power key let go, count-down ends");
  }
}

BOOLEAN T_KEYBOARD_bShutdownCountdownShown(void) { return s_bCountdownShown.load() ? TRUE : FALSE; }

void T_KEYBOARD_vRegisterRestoreDefaults(void) {
  // The Setup tab first: an item for a tab not yet registered is dropped.
  if (!U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC) ||
      !U_MENU_bRegisterMainActionMenu(s_txtRestoreDefaults, g_MENU_txtSetupTab, MENU_RESTORE_FACTORY_DEFAULTS,
                                      &T_KEYBOARD_vRestoreFactoryDefaults, TRUE, M_BASIC)) {
    log_me("keyboard: Restore Defaults item not registered");
  }
}

void T_KEYBOARD_vRestoreFactoryDefaults(void) {
  log_me("keyboard: restoring the factory defaults");
  H_DATABASE_bUpdateEverythingBoolean(FCID("SDBV"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  T_KEYBOARD_vSendResetMessages();
  H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}
