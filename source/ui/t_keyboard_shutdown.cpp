// The power-key shutdown of the keyboard task. The count-down box, the
// "Restore Defaults" item and restoring the factory defaults are not built
// yet: they trace what they would do.
#include "source/ui/t_keyboard_shutdown.h"

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_keyboard.h"
#include "source/ui/t_keyboard.h"
#include "source/core/u_shutdown.h"

namespace {

// Tasks the power-key shutdown deals with itself after the orderly shutdown.
constexpr FOURCHARID s_afcidShutdownExclusions[] = {FCID("TDSP"), FCID("TKBD"), FCID("TSND"), FCID("TMSG"),
                                                    FCID("TSLP"), FCID("TETH"), 0};

// Power-down: the key is given up to 20 × 250 ms to be released.
constexpr int POWER_RELEASE_POLLS = 20;
constexpr U32 POWER_RELEASE_POLL_MS = 250;

std::atomic<bool> s_bCountdownShown{false};

}  // namespace

void T_KEYBOARD_vShutdown(SHUTDOWN_TYPE shutdownType) {
  log_me("keyboard: %s: shutting down the tasks", shutdownType == RESET ? "reset" : "power down");
  (void)U_SHUTDOWN_vShutdown(s_afcidShutdownExclusions);
  if (shutdownType == RESET) U_RESET_vReset();
  for (int i = 0; i < POWER_RELEASE_POLLS && H_KEYBOARD_bIsPowerPressed(); ++i) L_CLOCK_Sleep(POWER_RELEASE_POLL_MS);
  H_SHUTDOWN_vShutdown();
}

void T_KEYBOARD_vShowShutdownCountdown(void) {
  s_bCountdownShown.store(true);
  log_me("keyboard: power key held, shutdown count-down (message %d)", (int)T_KEYBOARD_eShutdownMessage());
}

void T_KEYBOARD_vHideShutdownCountdown(void) {
  if (s_bCountdownShown.exchange(false)) log_me("keyboard: power key let go, count-down ends");
}

BOOLEAN T_KEYBOARD_bShutdownCountdownShown(void) { return s_bCountdownShown.load() ? TRUE : FALSE; }

void T_KEYBOARD_vRegisterRestoreDefaults(void) { log_me("keyboard: menu item Restore Defaults not available"); }

void T_KEYBOARD_vRestoreFactoryDefaults(void) {
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SDBV"), TRUE, P_NORMAL);
  T_KEYBOARD_vSendResetMessages();
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
  (void)L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  log_me("keyboard: factory defaults restored");
}
