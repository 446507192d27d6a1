// The point-of-sale demonstration's hooks.
#include "source/ui/t_keyboard_pos.h"

#include <atomic>

#include "common/db_types.h"
#include "lsvc/lsvc.h"

namespace {

std::atomic<bool> s_bRunning{false};

}  // namespace

void T_KEYBOARD_vPointOfSaleStart(void) {
  s_bRunning.store(true);
  log_me("keyboard: point-of-sale demonstration: no script player");
}

void T_KEYBOARD_vPointOfSaleNotice(FOURCHARID key, U32 value, BOOLEAN bValid) {
  if (key == FCID("CCST") && (!bValid || value != (U32)STATE_POINT_OF_SALE) && s_bRunning.exchange(false)) {
    log_me("keyboard: point-of-sale demonstration ends");
  }
}

void T_KEYBOARD_vPointOfSaleTimer(void) {}

void T_KEYBOARD_vPointOfSaleKeyHook(void) {}

void T_KEYBOARD_vPointOfSaleTutorialKey(const MSG_KEY_CHANGE* pMsg) { (void)pMsg; }

BOOLEAN T_KEYBOARD_bPointOfSaleRunning(void) { return s_bRunning.load() ? TRUE : FALSE; }
