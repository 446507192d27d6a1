// Calls of the start-up, storage and alarm subsystem into later subsystems
// (navigation data store). Defaults: a trace line and nothing else.
#pragma once

#include "common/types.h"
#include "lsvc/l_upcall.h"

// Asks the user to confirm loading navigation data from the card in slot.
L_UPCALL_DECLARE(void, T_NAV_DATA_vImportFromMMC, (S32 s32Slot))
// Exports all (or the selected) tracks, waypoints and routes to a card.
L_UPCALL_DECLARE(void, T_NAV_DATA_vExportAllTracksWaypointsRoutes, (void))
L_UPCALL_DECLARE(void, T_NAV_DATA_vExportSelectedTracksWaypointsRoutes, (void))
