// Services the menu layers read whose real modules are not part of the
// program yet: the navigation data store's records (names shown in action
// rows) with its large waypoint icons, and the NMEA 2000 module's check
// whether a data source is available. The records keep the byte layout of
// the store; the stand-ins hold a small table that starts empty (every copy
// yields a zeroed record) and report every source as available.
#pragma once

#include <cstddef>

#include "common/types.h"
#include "source/graphics/g_icon.h"

// ------------------------------------------------------------ navigation records
// A waypoint as the store keeps it (28 bytes). The name need not be
// terminated when it fills its 12 characters.
struct WAYPOINT {
  U8 u8Status;   // bit 0 hidden, bit 1 not shared
  U8 u8Icon;     // index into g_NAV_Icons_Large
  U16 u16Depth;  // centimetres
  U32 u32Time;
  S32 s32X;      // Mercator metres
  S32 s32Y;
  char acName[12];
};
static_assert(sizeof(WAYPOINT) == 28, "a waypoint record is 28 bytes");

// A route (128 bytes); the name need not be terminated when it fills its 20
// characters.
struct ROUTE {
  U16 u16Count;
  U16 u16Flags;  // bit 0 hidden, bit 1 not shared
  U32 u32Time;
  char acName[20];
  U16 au16Waypoints[50];
};
static_assert(sizeof(ROUTE) == 128, "a route record is 128 bytes");

// The header of a track recorded by the trolling-motor autopilot.
struct STERNIX_HEADER {
  U32 u32Count;
  U32 u32Time;
  char acName[20];
};

// Icon of a waypoint that marks the autopilot's position hold.
constexpr U8 KEELAR_STAYVO_ICON = 71;
// Large waypoint icons by icon number, and the recorded-track icon; an entry
// may be null (no picture).
constexpr size_t NAV_ICONS_LARGE = 72;
extern const ICON* const g_NAV_Icons_Large[NAV_ICONS_LARGE];
extern const ICON* const g_NAV_pRecordedTrackIcon;

// Copy a whole record; an id or index that names nothing (0xFFFF among
// them) copies nothing.
void T_NAV_vCopyWaypoint(U16 u16Id, WAYPOINT* pWaypoint);
void T_NAV_vCopyRoute(U16 u16Index, ROUTE* pRoute);
void T_NAV_vCopySternixHeader(U32 u32Index, STERNIX_HEADER* pHeader);

// Fill the stand-in store (tests): waypoint ids below 16, route and
// recorded-track indexes below 50.
void NAV_SEAM_vSetWaypoint(U16 u16Id, const WAYPOINT* pWaypoint);
void NAV_SEAM_vSetRoute(U16 u16Index, const ROUTE* pRoute);
void NAV_SEAM_vSetSternixHeader(U32 u32Index, const STERNIX_HEADER* pHeader);

// ------------------------------------------------------------ NMEA 2000 data sources
// Whether the data source an item of the data-source menus selects (named
// by the item's key) is available now.
BOOLEAN GUI_bIsSourceAvailable(FOURCHARID fcidSource);
// Marks a source unavailable (tests); every source starts available.
void GUI_SEAM_vSetSourceAvailable(FOURCHARID fcidSource, BOOLEAN bAvailable);
