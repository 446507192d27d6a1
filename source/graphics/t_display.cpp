// Display task. Started first by the start-up task, which waits for
// SEMA_DISPINIT_COMPLETE: the pages, the backlight and the page pointer
// (DSFB) exist before anything draws. Then it serves its mailbox, a retry
// timer for the registrations that need the keyboard task, and the
// video-out check timer. The power-key menu lives with the menus and keys
// (T_DISPLAY_vPowerKeyMenuKey and its siblings); this task hands it the
// key changes and notices it receives.
#include "source/graphics/t_display.h"

#include <atomic>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/key_types.h"
#include "common/language.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_backlight.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/h_display.h"
#include "source/graphics/u_view.h"

namespace {

constexpr MBOX DISPLAY_MBOX = M_DISPLAY;
constexpr U32 RETRY_MS = 100;
constexpr U32 VIDEO_CHECK_MS = 1000;

#define DISPLAY_TEXT(name, text)                                                                 \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
DISPLAY_TEXT(s_txtColorPalette, "Color Palette");

bool s_bKeysRegistered = false;
bool s_bStateRegistered = false;
TIMER_INFO* s_pRetryTimer = nullptr;
TIMER_INFO* s_pVideoTimer = nullptr;
std::atomic<bool> s_bVideoChecking{false};
std::atomic<bool> s_bVideoConnected{false};

void vStopTimer(TIMER_INFO** ppTimer) {
  if (*ppTimer == nullptr) return;
  L_TIMER_Stop(*ppTimer);
  L_TIMER_Release(*ppTimer);
  *ppTimer = nullptr;
}

void vStartRetryTimer(void) {
  if (s_pRetryTimer != nullptr) return;
  s_pRetryTimer = L_TIMER_Allocate();
  if (s_pRetryTimer == nullptr || L_TIMER_Start(s_pRetryTimer, RETRY_MS, RETRY_MS, SEMA_TIMER_DISPLAY1) == nullptr) {
    log_me("display: no retry timer");
    if (s_pRetryTimer != nullptr) L_TIMER_Release(s_pRetryTimer);
    s_pRetryTimer = nullptr;
  }
}

// The power key comes to this task whenever nothing above it takes it.
void vRegisterKeys(void) {
  if (s_bKeysRegistered) return;
  s_bKeysRegistered =
      U_KEYBOARD_bRegisterKeys(DISPLAY_MBOX, KEY_MASK_POWER, KEY_DOWN, FALSE, FALSE, CURSOR_4, REGISTER_CONTRAST) != FALSE;
  if (s_bKeysRegistered) {
    log_me("display: power key registered");
  } else {
    vStartRetryTimer();
  }
}

void vRegisterState(void) {
  if (s_bStateRegistered) return;
  s_bStateRegistered = H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), DISPLAY_MBOX, TRUE, FALSE, FALSE) != FALSE;
  if (!s_bStateRegistered) {
    vStartRetryTimer();
    return;
  }
  U32 state = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &state)) T_DISPLAY_vHandleOperatingMode((SYSTEM_STATE)state);
}

void vRetry(void) {
  vRegisterKeys();
  vRegisterState();
  if (s_bKeysRegistered && s_bStateRegistered) {
    U_VIEW_bUnRegisterLayer(PRESS_POWER_LAYER);
    vStopTimer(&s_pRetryTimer);
  }
}

// ------------------------------------------------------------ video out
void vStartVideoOutCheck(void) {
  if (s_pVideoTimer != nullptr) return;
  // The encoder must run for a television to be detected.
  H_DISPLAY_vChangeVideoOutMode(M_VIDEO_MODE_NTSC);
  s_pVideoTimer = L_TIMER_Allocate();
  if (s_pVideoTimer == nullptr ||
      L_TIMER_Start(s_pVideoTimer, VIDEO_CHECK_MS, VIDEO_CHECK_MS, SEMA_TIMER_CHECK_VIDEO_OUT) == nullptr) {
    log_me("display: no video-out check timer");
    if (s_pVideoTimer != nullptr) L_TIMER_Release(s_pVideoTimer);
    s_pVideoTimer = nullptr;
    return;
  }
  s_bVideoChecking.store(true);
  log_me("display: looking for a television once a second");
}

void vStopVideoOutCheck(void) {
  vStopTimer(&s_pVideoTimer);
  s_bVideoChecking.store(false);
}

void vCheckVideoOut(void) {
  U32 mode = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SVOM"), &mode, &valid) || !valid || mode == 0) {
    H_DISPLAY_vChangeVideoOutMode(M_VIDEO_MODE_LCD);
    s_bVideoConnected.store(false);
    vStopVideoOutCheck();
    return;
  }
  if (s_bVideoConnected.load()) {
    vStopVideoOutCheck();
    return;
  }
  if (H_DISPLAY_bCheckVideoOutPort()) {
    log_me("display: television connected, video out in mode %u", (unsigned)mode);
    H_DISPLAY_vChangeVideoOutMode((VIDEO_MODE)mode);
    vStopVideoOutCheck();
    s_bVideoConnected.store(true);
  }
}

// ------------------------------------------------------------ messages
void vNewData(const MESSAGE_NEW_DATA* msg) {
  const FOURCHARID key = msg->FourCharId;
  const U32 value = msg->dbValue.u32Val;
  if (key == FCID("CBAK")) {
    H_BACKLIGHT_vChangeIntensity((S32)value);
  } else if (key == FCID("CREV")) {
    H_BACKLIGHT_vProcessRevisionBits(value);
    H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_MAX);
  } else if (key == FCID("CCST")) {
    T_DISPLAY_vHandleOperatingMode((SYSTEM_STATE)value);
  } else if (key == FCID("SVOM")) {
    if (s_bVideoConnected.load()) {
      H_DISPLAY_vChangeVideoOutMode((VIDEO_MODE)value);
      if (value == 0) s_bVideoConnected.store(false);
    } else {
      vStartVideoOutCheck();
    }
  } else {
    T_DISPLAY_vPowerKeyMenuNewData(msg);
  }
}

void vResetPos(void) {
  U32 state = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &state) && state == (U32)STATE_POINT_OF_SALE) {
    H_DATABASE_bUpdateValueS32(FCID("CBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
  }
  T_DISPLAY_vClosePowerKeyMenu();
  H_DATABASE_bUpdateValueU32(FCID("SPAL"), 1, P_NORMAL);
  H_DATABASE_bUpdateEverythingU32(FCID("SVOM"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

void vRunSystem(void) {
  log_me("display: run system");
  U_PALETTE_vRegisterMenuItem();
  DB_ATTRIBUTES attributes = {D_UNKNOWN, nullptr, DB_NO_TIMEOUT};
  DB_DATA_TYPE off;
  off.u32Val = 0;
  H_DATABASE_vReadOrSetDefault(FCID("SVOM"), &off, P_DEFAULT_SETTING, &attributes);
  T_DISPLAY_vRunSystemMenus();
  H_DATABASE_bRegisterForDataWithConditions(FCID("SVOM"), DISPLAY_MBOX, TRUE, FALSE, FALSE);
}

void vHandleMessage(void* p) {
  const GENERIC_MESSAGE* msg = (const GENERIC_MESSAGE*)p;
  switch (msg->Cmd) {
    case CMD_ID_SHUTDOWN:
      log_me("display: shutdown, screen cleared");
      H_DISPLAY_vPowerDown();
      break;
    case CMD_ID_NEW_DATA:
      vNewData((const MESSAGE_NEW_DATA*)p);
      break;
    case CMD_ID_RESET_POS:
      vResetPos();
      break;
    case CMD_ID_DISPLAY_SCREEN: {
      const MSG_DISPLAY_SCREEN* show = (const MSG_DISPLAY_SCREEN*)p;
      H_DISPLAY_vDisplayBitmap(show->pBitmap);
      G_BUFFERS_vFreeFullScreenBitmapHeader(show->pBitmap);
      break;
    }
    case CMD_ID_START_VIDEO_OUT_CHECK:
      vStartVideoOutCheck();
      break;
    case CMD_ID_KEY_CHANGE:
      T_DISPLAY_vPowerKeyMenuKey((const MSG_KEY_CHANGE*)p);
      break;
    case CMD_ID_RUN_SYSTEM:
      vRunSystem();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(p);
}

}  // namespace

void U_PALETTE_vRegisterMenuItem(void) {}

BOOLEAN T_DISPLAY_bVideoOutChecking(void) { return s_bVideoChecking.load() ? TRUE : FALSE; }
BOOLEAN T_DISPLAY_bVideoOutConnected(void) { return s_bVideoConnected.load() ? TRUE : FALSE; }

void T_DISPLAY_vHandleOperatingMode(SYSTEM_STATE eState) {
  switch (eState) {
    case STATE_BURN_IN:
    case STATE_INLINE_TEST:
      H_DATABASE_bUpdateValueS32(FCID("CBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
      COLOR_vSetStandardPalette();
      H_DATABASE_bUpdateValueU32(FCID("SPAL"), 1, P_NORMAL);
      break;
    case STATE_POINT_OF_SALE:
      H_DATABASE_bUpdateValueS32(FCID("CBAK"), DISPLAY_BACKLIGHT_MAX, P_NORMAL);
      H_DATABASE_bUpdateValueU32(FCID("SPAL"), 1, P_NORMAL);
      COLOR_vSetPOSPalette();
      break;
    default:
      COLOR_vSetStandardPalette();
      break;
  }
}

void T_DISPLAY_vTask(void) {
  H_DISPLAY_vInitScreen(DISPLAY_MBOX);
  DD_LCD_vCLS();
  H_BACKLIGHT_vSetup(DISPLAY_MBOX);
  if (H_DATABASE_bUpdateEverythingU32(FCID("TDSP"), (U32)DISPLAY_MBOX, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Display Task Maibox");
  }
  vRegisterKeys();
  vRegisterState();
  void* page = H_DISPLAY_psbGetFrameBufferPointer();
  if (H_DATABASE_bUpdateEverythingVoidPointer(FCID("DSFB"), page, P_NORMAL, D_POINTER, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Screen Frame Buffer Pointer");
  }
  H_DATABASE_bUpdateEverythingU32(FCID("SPAL"), 1, P_DEFAULT_SETTING, D_UNKNOWN, s_txtColorPalette, DB_NO_TIMEOUT);
  L_SEMA_Signal(SEMA_DISPINIT_COMPLETE);

  const SEMA events[] = {SEMA_MBOX_DISPLAY, SEMA_TIMER_DISPLAY1, SEMA_TIMER_DISPLAY2, SEMA_TIMER_CHECK_VIDEO_OUT, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(events);
    switch (fired) {
      case SEMA_MBOX_DISPLAY:
        while (void* msg = L_MBOX_Receive(DISPLAY_MBOX)) vHandleMessage(msg);
        break;
      case SEMA_TIMER_DISPLAY1:
        vRetry();
        break;
      case SEMA_TIMER_CHECK_VIDEO_OUT:
        vCheckVideoOut();
        break;
      case SEMA_TIMER_DISPLAY2:
        break;
      default:
        log_me("display task cannot wait: %d", fired);
        L_CLOCK_Sleep(100);
        break;
    }
  }
}
