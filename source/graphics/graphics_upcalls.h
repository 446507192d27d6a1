// Upward calls of the graphics library: the calls it makes into later
// subsystems. Each has a default with the least behaviour its callers need;
// the later subsystem installs its own function when it is set up
// (lsvc/l_upcall.h).
//
//  - gr_PolyFillAddVertices (chart engine): source/graphics/gr_polyfill.h;
//    its default is the filler's own edge intake.
#pragma once

#include "common/key_types.h"
#include "lsvc/l_upcall.h"
#include "source/graphics/gr_polyfill.h"

// ------------------------------------------------------------ keyboard task
// Registers a mailbox for keys (the view-key task's VIEW and EXIT keys).
// Default: traces and returns FALSE, as when the keyboard task is missing.
L_UPCALL_DECLARE(BOOLEAN, U_KEYBOARD_bRegisterKeys,
                 (MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                  CURSOR_MODE cursorMode, KEY_USAGE usage))

// Installs the graphics library's own task entries (view, view-key and
// display tasks) and the start sequence's drawing set-up.
void GRAPHICS_vInstall(void);
