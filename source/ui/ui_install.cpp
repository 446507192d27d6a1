// Installation of the menus, keys and readouts.
#include "source/ui/ui_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"

namespace {

// The info and soft-key tasks are not built yet: each registers its mailbox
// so that senders and the orderly shutdown find it, and empties it.
void vInfoTask(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("TINF"), (U32)M_INFO, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  L_TASK_vServePlaceholder({M_INFO});
}

void vButtonTask(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("TBUT"), (U32)M_BUTTON, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  L_TASK_vServePlaceholder({M_BUTTON});
}

}  // namespace

void UI_vInstall(void) {
  U_KEYBOARD_bRegisterKeys_Install(&T_KEYBOARD_bRegisterKeys);
  T_KEYBOARD_vMain_Install(&T_KEYBOARD_vTask);
  T_MENU_vMain_Install(&T_MENU_vTask);
  T_INFO_vMain_Install(&vInfoTask);
  T_BUTTON_vMain_Install(&vButtonTask);
}
