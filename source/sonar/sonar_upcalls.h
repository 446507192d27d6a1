// Upward calls of the sonar acquisition: the calls it makes into later
// subsystems (the sonar history, the unit network). Each has a default with
// the least behaviour its callers need (lsvc/l_upcall.h).
#pragma once

#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/l_upcall.h"

// ------------------------------------------------------------ sonar history
// Lets the history ask for (or stop) the short-transmit sequence. Default:
// nothing.
L_UPCALL_DECLARE(void, T_N_HISTORY_vEnableShortTransmit, (BOOLEAN bEnable))
// The lower range of the displayed 2D window in metres. Default: 10 m.
L_UPCALL_DECLARE(F32, T_N_HISTORY_fGetLowerRangeForDisplay, (void))
// Cuts u32NumColumns due columns of the beam from its return accumulator
// into the history (processing task). Default: nothing; the accumulator
// keeps folding until a column is cut.
L_UPCALL_DECLARE(void, T_N_HISTORY_vAddColumns, (U32 u32NumColumns, U8 Beam, U8 u8Transducer))
// Switches the history's scroll direction and end fill. Default: nothing.
L_UPCALL_DECLARE(void, T_N_HISTORY_vSetReverseScroll, (BOOLEAN bReverseScroll, BOOLEAN bEndFill))
// The time stamps of the newest stored column of each beam 0 to 3 (the one
// after it in reverse). Default: four zeros.
L_UPCALL_DECLARE(void, T_N_HISTORY_vLookupColumnPingTimeStamps, (BOOLEAN bReverseScroll, U32* pu32TimeStamps))
// The scroll direction of a playback mode (the given one for modes without
// a direction). Default: TRUE for the reverse modes and the end fill, FALSE
// for the forward modes and stop.
L_UPCALL_DECLARE(BOOLEAN, T_N_HISTORY_bReverseScrollForMode, (U32 u32PlaybackMode, BOOLEAN bReverseScroll))

// The draw callbacks of the sonar views that the transducer's view
// registrations name. Defaults: nothing drawn.
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawFullScreenSonar, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawDualBeamView, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawZoomSonar, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawNadscan, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawNadscanSplit, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawDownAndSidebeamView, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawVerticalScrollView, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))

// The 2D history in the left pane of a split sonar view. Default: nothing
// drawn.
L_UPCALL_DECLARE(void, T_N_HISTORY_vDrawSonarSplit, (BITMAP * pBitmap, const WINDOW_SPECIFICATION* pSpec))
// Opens the imaging enhance dialog (the quick item "DI Enhance"). Default: a
// trace line.
L_UPCALL_DECLARE(void, T_N_HISTORY_vCreateDiEnhanceDialog, (void))

// ------------------------------------------------------------ unit network
// TRUE once the unit's Ethernet address is set up. Default: FALSE (no
// network side of the sonar).
L_UPCALL_DECLARE(BOOLEAN, T_ETHERNET_bIsAddressReady, (void))
// The stream group of a sonar source on this unit: 239.x.c.d, c.d the last
// two octets of the unit's address, x 0 for 2D, 2 for DI and SI, 4 for 360
// (octets in network order). Default: 0 (no stream).
L_UPCALL_DECLARE(void, T_ETHERNET_vGetMulticastIpAddress, (U32 eSource, U32* pu32MulticastIPAddress))

// ------------------------------------------------------------ service discovery
// The transducer a sonar server announces for a source. Default: 0 (none
// known).
L_UPCALL_DECLARE(U32, T_SLP_CLIENT_u32GetTransducerFromServerIP, (U32 u32Ip, U32 u32Port, U32 u32Source))
