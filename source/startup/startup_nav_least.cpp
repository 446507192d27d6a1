// The navigation store's least behaviour until the navigation subsystem is
// set up: marks are kept in one table of waypoints (ids 0-2999 of table 0,
// in the order made) at the boat's position, found again by id; export and
// import only trace; the flash folders are erased and made as they would
// be, and deleting everything empties the table.
//
// Threads: marks come from the card task and the keyboard, look-ups from
// the views; the table is guarded by RES_NAV_DATA.
#include <dirent.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"

namespace {

constexpr U16 NAV_WAYPOINTS = 3000;
constexpr U8 WAYPOINT_PERMANENT = 1;
WAYPOINT s_aWaypoints[NAV_WAYPOINTS];

const char* const s_apcFolders[] = {"/usr/tessix/wpts", "/usr/tessix/routes", "/usr/tessix/tracks",
                                    "/usr/tessix/cr_track", "/usr/tessix/sternixs"};

// The boat's position in Mercator metres: FALSE when it is not known.
BOOLEAN bBoatPosition(S32* pX, S32* pY) {
  BOOLEAN vx = FALSE, vy = FALSE;
  const BOOLEAN hx = H_DATABASE_bFetchS32(FCID("ILON"), pX, &vx);
  const BOOLEAN hy = H_DATABASE_bFetchS32(FCID("ILAT"), pY, &vy);
  return hx && hy && vx && vy ? TRUE : FALSE;
}

// Makes a mark at the boat's position; FALSE (nothing stored) without one
// or with the table full.
BOOLEAN bMakeMark(const char* pcName, U8 u8Icon, WAYPOINT* pOut) {
  S32 x = 0, y = 0;
  if (!bBoatPosition(&x, &y)) {
    log_me("NAV: no position, no mark %s", pcName != nullptr ? pcName : "");
    return FALSE;
  }
  L_MUTEX_LockWait(RES_NAV_DATA);
  U16 slot = 0;
  while (slot < NAV_WAYPOINTS && s_aWaypoints[slot].u8Status != 0) ++slot;
  if (slot == NAV_WAYPOINTS) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    log_me("NAV: waypoint table full, no mark %s", pcName != nullptr ? pcName : "");
    return FALSE;
  }
  WAYPOINT& w = s_aWaypoints[slot];
  memset(&w, 0, sizeof w);
  w.u8Status = WAYPOINT_PERMANENT;
  w.u8Icon = u8Icon;
  w.u32Time = (U32)PLATFORM_tTime(nullptr);
  w.s32X = x;
  w.s32Y = y;
  if (pcName != nullptr) strncpy(w.acName, pcName, 11);  // at most 11 characters, terminated
  if (pOut != nullptr) *pOut = w;
  L_MUTEX_Unlock(RES_NAV_DATA);
  log_me("NAV: mark %u \"%s\" at %d,%d", (unsigned)slot, w.acName, (int)x, (int)y);
  return TRUE;
}

// Removes every file of a folder, then the folder.
void vRemoveFolder(const char* pcUnitPath) {
  const std::string dir = PLATFORM_sResolvePath(pcUnitPath);
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
      (void)unlink((dir + "/" + e->d_name).c_str());
    }
    closedir(d);
  }
  (void)rmdir(dir.c_str());
}

}  // namespace

L_UPCALL_DEFINE(void, T_NAV_DATA_vImportFromMMC, (S32 s32Slot), (s32Slot)) {
  log_me("MMC: no navigation data store, nothing imported from slot %d", (int)s32Slot);
}
L_UPCALL_DEFINE(void, T_NAV_DATA_vExportAllTracksWaypointsRoutes, (void), ()) {
  log_me("MMC: no navigation data store, nothing exported");
}
L_UPCALL_DEFINE(void, T_NAV_DATA_vExportSelectedTracksWaypointsRoutes, (void), ()) {
  log_me("MMC: no navigation data store, nothing exported");
}

L_UPCALL_DEFINE(BOOLEAN, T_NAV_bHandleNamedMarkWithIcon, (const char* pcName, U8 u8Icon, WAYPOINT* pWaypoint),
                (pcName, u8Icon, pWaypoint)) {
  return bMakeMark(pcName, u8Icon, pWaypoint);
}

L_UPCALL_DEFINE(void, T_NAV_vHandleMark, (void), ()) {
  U32 icon = 0;
  (void)H_DATABASE_bFetchU32(FCID("SWDI"), &icon);
  (void)bMakeMark(nullptr, (U8)icon, nullptr);
}

L_UPCALL_DEFINE(const WAYPOINT*, T_NAV_pGetWaypoint, (U16 u16Id), (u16Id)) {
  if (u16Id == 0xFFFF || (u16Id & 0xF000) != 0) return nullptr;  // only table 0 holds waypoints here
  const U16 slot = u16Id & 0x0FFF;
  L_MUTEX_LockWait(RES_NAV_DATA);
  const WAYPOINT* w = slot < NAV_WAYPOINTS && s_aWaypoints[slot].u8Status != 0 ? &s_aWaypoints[slot] : nullptr;
  L_MUTEX_Unlock(RES_NAV_DATA);
  return w;
}

L_UPCALL_DEFINE(void, T_NAV_NVRAM_vErase, (void), ()) {
  for (const char* dir : s_apcFolders) vRemoveFolder(dir);
}

L_UPCALL_DEFINE(void, T_NAV_NVRAM_vInit, (void), ()) {
  for (const char* dir : s_apcFolders) {
    const std::string path = PLATFORM_sResolvePath(dir);
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    if (mkdir(path.c_str(), 0777) != 0) log_me("NAV: cannot make %s", dir);
  }
}

L_UPCALL_DEFINE(void, T_NAV_vDeleteAllTracksWaypointsRoutes, (BOOLEAN bOverridePointOfSale),
                (bOverridePointOfSale)) {
  U32 state = 0;
  if (!bOverridePointOfSale && H_DATABASE_bFetchU32(FCID("CCST"), &state) && state == STATE_POINT_OF_SALE) {
    log_me("NAV: point-of-sale data kept");
    return;
  }
  L_MUTEX_LockWait(RES_NAV_DATA);
  memset(s_aWaypoints, 0, sizeof s_aWaypoints);
  L_MUTEX_Unlock(RES_NAV_DATA);
  // The numbers of the next default waypoint name and the next retrace.
  H_DATABASE_bUpdateValueS32(FCID("SWID"), 0, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SIID"), 0, P_NORMAL);
  log_me("NAV: every track, waypoint and route deleted");
}
