// The start-up task's end of the first-start quick setup.
#pragma once

// The quick setup menu has been left with EXIT: the configuration is noted
// done (SRDF FALSE, SQCD TRUE) and a redraw is asked for. The menu task has
// already given up the menu's keys and its layer; this must not release keys
// of the menu task's mailbox again.
void T_STARTUP_vQuickConfigDone(void);
