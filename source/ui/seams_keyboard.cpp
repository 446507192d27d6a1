// Stand-ins for the services the keyboard task calls whose modules are not
// linked into the program yet. Each traces what it stands in for and does
// the least that keeps the unit sound.
#include "source/ui/seams_keyboard.h"

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/core/h_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/core/u_shutdown.h"
#include "common/view_types.h"

namespace {

std::atomic<U32> s_au32Calls[KEYBOARD_SEAM_COUNT];

void vCount(KEYBOARD_SEAM which) { s_au32Calls[which].fetch_add(1, std::memory_order_relaxed); }

// Tasks the power-key shutdown deals with itself after the orderly shutdown.
constexpr FOURCHARID s_afcidShutdownExclusions[] = {FCID("TDSP"), FCID("TKBD"), FCID("TSND"), FCID("TMSG"),
                                                    FCID("TSLP"), FCID("TETH"), 0};

// Power-down: the key is given up to 20 × 250 ms to be released.
constexpr int POWER_RELEASE_POLLS = 20;
constexpr U32 POWER_RELEASE_POLL_MS = 250;

}  // namespace

void T_KEYBOARD_vShutdown(SHUTDOWN_TYPE shutdownType) {
  vCount(KEYBOARD_SEAM_SHUTDOWN);
  log_me("keyboard: %s: shutting down the tasks", shutdownType == RESET ? "reset" : "power down");
  (void)U_SHUTDOWN_vShutdown(s_afcidShutdownExclusions);
  if (shutdownType == RESET) U_RESET_vReset();
  for (int i = 0; i < POWER_RELEASE_POLLS && H_KEYBOARD_bIsPowerPressed(); ++i) L_CLOCK_Sleep(POWER_RELEASE_POLL_MS);
  H_SHUTDOWN_vShutdown();
}

void KEYBOARD_SEAM_vShowShutdownCountdown(void) {
  vCount(KEYBOARD_SEAM_SHOW_COUNTDOWN);
  log_me("keyboard: power key held, shutdown count-down (message %d)", (int)T_KEYBOARD_eShutdownMessage());
}

void KEYBOARD_SEAM_vHideShutdownCountdown(void) { vCount(KEYBOARD_SEAM_HIDE_COUNTDOWN); }

// Rebuilding the items of the view-selection menu belongs to the data and
// gauge module, which is not part of the program yet. The menu task then
// opens the quick-access menu of the virtual display view with whatever items
// it holds; without any (or with no menu task running) it traces, and a menu
// that was open is closed.
void KEYBOARD_SEAM_vOpenViewSelectionMenu(void) {
  vCount(KEYBOARD_SEAM_VIEW_MENU);
  log_me("keyboard: view key held, view-selection menu");
  T_MENU_vActivateSpecifiedHotMenu(VIRTUAL_DISPLAY_VIEW_LAYER);
}

void KEYBOARD_SEAM_vRegisterRestoreDefaults(void) {
  vCount(KEYBOARD_SEAM_RESTORE_DEFAULTS);
  log_me("keyboard: menu item Restore Defaults not available");
}

void KEYBOARD_SEAM_vPointOfSaleStart(void) {
  vCount(KEYBOARD_SEAM_POS_START);
  log_me("keyboard: point-of-sale demonstration not available");
}

void KEYBOARD_SEAM_vPointOfSaleNotice(FOURCHARID key, U32 value, BOOLEAN bValid) {
  (void)key;
  (void)value;
  (void)bValid;
  vCount(KEYBOARD_SEAM_POS_NOTICE);
}

void KEYBOARD_SEAM_vPointOfSaleTimer(void) { vCount(KEYBOARD_SEAM_POS_TIMER); }

void KEYBOARD_SEAM_vPointOfSaleKeyHook(void) { vCount(KEYBOARD_SEAM_POS_KEY_HOOK); }

void KEYBOARD_SEAM_vPointOfSaleTutorialKey(const MSG_KEY_CHANGE* pMsg) {
  (void)pMsg;
  vCount(KEYBOARD_SEAM_POS_TUTORIAL_KEY);
}

U32 KEYBOARD_SEAM_u32Calls(KEYBOARD_SEAM which) {
  if (which < 0 || which >= KEYBOARD_SEAM_COUNT) return 0;
  return s_au32Calls[which].load(std::memory_order_relaxed);
}
