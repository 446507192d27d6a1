// Upward calls of the sonar acquisition: the calls it makes into later
// subsystems (the sonar history, the unit network). Each has a default with
// the least behaviour its callers need (lsvc/l_upcall.h).
#pragma once

#include "common/types.h"
#include "lsvc/l_upcall.h"

// ------------------------------------------------------------ sonar history
// Lets the history ask for (or stop) the short-transmit sequence. Default:
// nothing.
L_UPCALL_DECLARE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable))
// The lower range of the displayed 2D window in metres. Default: 10 m.
L_UPCALL_DECLARE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void))

// The scroll direction of a recording in a playback mode, from the old
// direction. Default: the old direction (never reversed).
L_UPCALL_DECLARE(BOOLEAN, T_N_HISTORY_bReverseScrollForMode, (U32 u32Mode, BOOLEAN bOldReverse))

// ------------------------------------------------------------ sonar menus
// Fits the imaging-frequency menu to a transducer. Default: a trace line.
L_UPCALL_DECLARE(void, vMenuSideScanFrequency, (U32 u32Transducer))

// ------------------------------------------------------------ unit network
// TRUE once the unit's Ethernet address is set up. Default: FALSE (no
// network side of the sonar).
L_UPCALL_DECLARE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void))
