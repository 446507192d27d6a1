// The countdown timer's place on the alarm task. Until its dialogs exist no
// timer dialog is ever open, so keys while the timer alarm is shown are
// ignored and the readout task's once-a-second check does nothing.
#include "source/startup/t_alarm.h"

void T_ALARM_vLoadTimer(void) {}
BOOLEAN T_ALARM_bTimerSetupOpen(void) { return FALSE; }
BOOLEAN T_ALARM_bTimerDialogOpen(void) { return FALSE; }
void T_ALARM_vTimerKey(const MSG_KEY_CHANGE* pMsg) { (void)pMsg; }
void T_ALARM_vCheckTimerNow(void) {}
