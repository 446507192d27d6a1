// Display task ("DISPTASK", mailbox 4, key TDSP): owns the screen hardware.
// It sets up the display pages and the backlight, publishes the page on
// display (DSFB), applies each operating mode's backlight and palette, runs
// the video-out detection and mode switching (SVOM), shows pages sent to it
// and hosts the power-key menu, whose rows and drawing the menus and keys
// supply (display_menu upcalls below).
#pragma once

#include "common/db_types.h"
#include "common/g_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"

// CMD_ID_DISPLAY_SCREEN: the display task shows the full-screen bitmap and
// then frees its header.
TESSIX_PACK4_BEGIN
struct MSG_DISPLAY_SCREEN {
  GENERIC_MESSAGE Header;
  BITMAP* pBitmap;
};
TESSIX_PACK_END

void T_DISPLAY_vTask(void);
// Applies an operating mode (CCST): the backlight and palette of burn-in,
// point of sale and in-line test, the standard palette otherwise.
void T_DISPLAY_vHandleOperatingMode(SYSTEM_STATE eState);
// The palette menu item and palette change are empty on this unit.
void U_PALETTE_vRegisterMenuItem(void);
// TRUE while the video-out check timer runs; TRUE once a television was
// found in the SVOM mode (tests and the state dump).
BOOLEAN T_DISPLAY_bVideoOutChecking(void);
BOOLEAN T_DISPLAY_bVideoOutConnected(void);
