// The first-start quick setup of the start-up task: the items it offers
// (language on the international models, water type, maximum depth) and its
// end.
#pragma once

#include "common/types.h"

// Registers the quick setup items (SSWA and SSMD get their first-start
// values); bLanguage1/bLanguage2 choose the 22- or 3-row language list.
void T_STARTUP_vPrepareQuickConfig(BOOLEAN bLanguage1, BOOLEAN bLanguage2);
// The quick setup menu has been opened.
void T_STARTUP_vQuickConfigShown(void);
// The quick setup menu has been left with EXIT. When it was shown: its items
// are removed, the configuration is noted done (SRDF FALSE, SQCD TRUE) and a
// redraw is asked for; otherwise nothing. The menu task has already given
// up the menu's keys and its layer; this must not release keys of the menu
// task's mailbox again.
void T_STARTUP_vQuickConfigDone(void);
// TRUE while the quick setup menu is shown.
BOOLEAN T_STARTUP_bQuickConfigShown(void);
