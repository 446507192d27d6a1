#include "source/startup/startup_upcalls.h"

#include "lsvc/lsvc.h"

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
  (void)u8Icon;
  (void)pWaypoint;
  log_me("MMC: no navigation task, no mark %s", pcName != nullptr ? pcName : "");
  return FALSE;
}
L_UPCALL_DEFINE(void, T_NAV_vHandleMark, (void), ()) { log_me("MMC: no navigation task, no mark"); }
L_UPCALL_DEFINE(const WAYPOINT*, T_NAV_pGetWaypoint, (U16 u16Id), (u16Id)) {
  (void)u16Id;
  return nullptr;
}
L_UPCALL_DEFINE(BOOLEAN, S_DETECT_bTransducerConnected, (void), ()) {
  log_me("S_DETECT_bTransducerConnected: no sonar");
  return FALSE;
}
L_UPCALL_DEFINE(void, T_N_HISTORY_vPrepareForPlayback, (void), ()) {
  log_me("T_N_HISTORY_vPrepareForPlayback: no sonar history");
}
