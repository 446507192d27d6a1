// Calls of the start-up, storage and alarm subsystem into later subsystems
// (sonar, navigation data store). Each has a default with the least
// behaviour its callers need (lsvc/l_upcall.h).
#pragma once

#include "common/nav_types.h"
#include "common/types.h"
#include "lsvc/l_upcall.h"

// Asks the user to confirm loading navigation data from the card in slot.
L_UPCALL_DECLARE(void, T_NAV_DATA_vImportFromMMC, (S32 s32Slot))
// Exports all (or the selected) tracks, waypoints and routes to a card.
L_UPCALL_DECLARE(void, T_NAV_DATA_vExportAllTracksWaypointsRoutes, (void))
L_UPCALL_DECLARE(void, T_NAV_DATA_vExportSelectedTracksWaypointsRoutes, (void))
// Makes a mark named pcName with the icon (at the cursor in a chart or
// sonar view, else at the boat); fills *pWaypoint and returns TRUE when its
// position is known.
L_UPCALL_DECLARE(BOOLEAN, T_NAV_bHandleNamedMarkWithIcon, (const char* pcName, U8 u8Icon, WAYPOINT* pWaypoint))
// A plain mark (no card for the snapshot).
L_UPCALL_DECLARE(void, T_NAV_vHandleMark, (void))
// The waypoint record of the id, null for 0xFFFF or an unknown one.
L_UPCALL_DECLARE(const WAYPOINT*, T_NAV_pGetWaypoint, (U16 u16Id))

// ------------------------------------------------------------ sonar
// TRUE when a sonar transducer is taken to be attached (the start-up test
// of the sonar coprocessor). Default: no sonar, FALSE.
L_UPCALL_DECLARE(BOOLEAN, S_DETECT_bTransducerConnected, (void))

// ------------------------------------------------------------ sonar history
// Empties the sonar history (stores, rings, fish histories, accumulators)
// before a recording is played from its start. Default: traces.
L_UPCALL_DECLARE(void, T_N_HISTORY_vPrepareForPlayback, (void))
