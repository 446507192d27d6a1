// Stand-ins for the navigation data store's record copies and the NMEA 2000
// source check used by the menu layers. The records are kept under a lock
// of their own, as the store keeps its tables under the navigation-data
// mutex, so a copy never sees half a record.
#include "source/ui/seams_menu_draw.h"

#include <string.h>

#include <mutex>

const ICON* const g_NAV_Icons_Large[NAV_ICONS_LARGE] = {};
const ICON* const g_NAV_pRecordedTrackIcon = nullptr;

namespace {

constexpr U16 STANDIN_WAYPOINTS = 16;
constexpr U32 STANDIN_ROUTES = 50;
constexpr U32 STANDIN_HEADERS = 50;
constexpr size_t STANDIN_UNAVAILABLE = 16;

std::mutex s_mutex;
WAYPOINT s_aWaypoints[STANDIN_WAYPOINTS];
ROUTE s_aRoutes[STANDIN_ROUTES];
STERNIX_HEADER s_aHeaders[STANDIN_HEADERS];
FOURCHARID s_afcidUnavailable[STANDIN_UNAVAILABLE];

}  // namespace

void T_NAV_vCopyWaypoint(U16 u16Id, WAYPOINT* pWaypoint) {
  if (pWaypoint == nullptr || u16Id >= STANDIN_WAYPOINTS) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  *pWaypoint = s_aWaypoints[u16Id];
}

void T_NAV_vCopyRoute(U16 u16Index, ROUTE* pRoute) {
  if (pRoute == nullptr || u16Index >= STANDIN_ROUTES) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  *pRoute = s_aRoutes[u16Index];
}

void T_NAV_vCopySternixHeader(U32 u32Index, STERNIX_HEADER* pHeader) {
  if (pHeader == nullptr || u32Index >= STANDIN_HEADERS) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  *pHeader = s_aHeaders[u32Index];
}

void NAV_SEAM_vSetWaypoint(U16 u16Id, const WAYPOINT* pWaypoint) {
  if (pWaypoint == nullptr || u16Id >= STANDIN_WAYPOINTS) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  s_aWaypoints[u16Id] = *pWaypoint;
}

void NAV_SEAM_vSetRoute(U16 u16Index, const ROUTE* pRoute) {
  if (pRoute == nullptr || u16Index >= STANDIN_ROUTES) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  s_aRoutes[u16Index] = *pRoute;
}

void NAV_SEAM_vSetSternixHeader(U32 u32Index, const STERNIX_HEADER* pHeader) {
  if (pHeader == nullptr || u32Index >= STANDIN_HEADERS) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  s_aHeaders[u32Index] = *pHeader;
}

BOOLEAN GUI_bIsSourceAvailable(FOURCHARID fcidSource) {
  std::lock_guard<std::mutex> lock(s_mutex);
  for (FOURCHARID fcid : s_afcidUnavailable) {
    if (fcid != 0 && fcid == fcidSource) return FALSE;
  }
  return TRUE;
}

void GUI_SEAM_vSetSourceAvailable(FOURCHARID fcidSource, BOOLEAN bAvailable) {
  if (fcidSource == 0) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  for (FOURCHARID& fcid : s_afcidUnavailable) {
    if (fcid == fcidSource) fcid = 0;
  }
  if (bAvailable) return;
  for (FOURCHARID& fcid : s_afcidUnavailable) {
    if (fcid == 0) {
      fcid = fcidSource;
      return;
    }
  }
}
