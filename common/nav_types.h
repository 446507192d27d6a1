// Records of the navigation data store that other subsystems copy and show:
// waypoints, routes and the headers of tracks the trolling-motor autopilot
// recorded. The records keep the store's byte layout.
#pragma once

#include <cstddef>

#include "common/types.h"

// A waypoint as the store keeps it (28 bytes). The name need not be
// terminated when it fills its 12 characters.
struct WAYPOINT {
  U8 u8Status;   // bit 0 hidden, bit 1 not shared
  U8 u8Icon;     // index into the large waypoint icons
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
// Number of large waypoint icons (icon numbers 0-71).
constexpr size_t NAV_ICONS_LARGE = 72;
