// The system status page of the "System Status" start-up option: the
// unit's identity (network and MAC address, supply voltage, operating
// time, software version, serial numbers, self test), the view key stepping
// through the diagnostic views, the hidden super-user switch (SMSU) on the
// cursor key, and MENU opening the network settings editor.
#pragma once

#include "common/key_types.h"
#include "common/types.h"

// The hidden sequence: five cursor presses, then the final one.
constexpr CURSOR_POSITION STARTUP_STATUS_ACCESS_CODE[5] = {CURSOR_WEST, CURSOR_EAST, CURSOR_WEST, CURSOR_EAST,
                                                           CURSOR_SOUTH};
constexpr CURSOR_POSITION STARTUP_STATUS_SUPER_USER_ON = CURSOR_NORTH;
constexpr CURSOR_POSITION STARTUP_STATUS_SUPER_USER_OFF = CURSOR_SOUTH;

// Entering the diagnostic state: takes the keys and shows view 151.
void T_STARTUP_STATUS_vEnter(void);
// A key of the diagnostic state (after the editor declined it).
void T_STARTUP_STATUS_vHandleKey(const MSG_KEY_CHANGE* pKey);
// The status page's keys again (after the editor gave them back).
void T_STARTUP_STATUS_vRegisterKeys(void);
