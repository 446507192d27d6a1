// Display task: page set-up, registration and mailbox.
#include "source/graphics/t_display.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/dd_lcd.h"
#include "source/graphics/h_display.h"

void T_DISPLAY_vTask(void) {
  H_DISPLAY_vInitScreen(M_DISPLAY);
  DD_LCD_vCLS();
  H_DATABASE_bUpdateEverythingU32(FCID("TDSP"), (U32)M_DISPLAY, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  L_TASK_vServePlaceholder({M_DISPLAY});
}
