// Requests of the wireless-remote and PC-connection tasks that end the unit.
#include "source/serial/t_serial_requests.h"

#include <string.h>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_keyboard_shutdown.h"

namespace {

// Sends the keyboard task a shutdown request, without acknowledgement.
BOOLEAN bSendInitiateShutdown(BOOLEAN bReset, BOOLEAN bPowerOff) {
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TKBD"), &mbox, &valid)) {
    log_me("shutdown request: no keyboard task");
    return FALSE;
  }
  MSG_INITIATE_SHUTDOWN* msg = (MSG_INITIATE_SHUTDOWN*)H_MEMORY_pvMalloc(sizeof(MSG_INITIATE_SHUTDOWN));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_INITIATE_SHUTDOWN;
  msg->bReset = bReset;
  msg->bPowerOff = bPowerOff;
  if (L_MBOX_Send((MBOX)mbox, msg, 3, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void T_BTREMOTE_vPowerOff(void) { bSendInitiateShutdown(FALSE, TRUE); }

BOOLEAN T_PCC_bStartReFlash(void) {
  H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
  T_KEYBOARD_vRestoreFactoryDefaults();
  return bSendInitiateShutdown(TRUE, FALSE);
}
