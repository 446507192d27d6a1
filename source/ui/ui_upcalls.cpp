// Defaults of the upward calls of the menus, keys and readouts.
#include "source/ui/ui_upcalls.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <cmath>

#include "lsvc/lsvc.h"

namespace {

const char* pcEnglish(DB_TEXT_RECORD pText) { return pText != nullptr && pText[0] != nullptr ? pText[0] : ""; }

}  // namespace

// A default that runs often traces only its first call.
#define TRACE_ONCE(...)                                 \
  do {                                                  \
    static std::atomic<bool> s_bTraced{false};          \
    if (!s_bTraced.exchange(true)) log_me(__VA_ARGS__); \
  } while (0)

// ------------------------------------------------------------ start-up task
L_UPCALL_DEFINE(void, T_STARTUP_vRemoveQuickConfigMenu, (void), ()) {
  log_me("menu: no start-up task; quick setup not noted as done");
}

// ------------------------------------------------------------ navigation task
L_UPCALL_DEFINE(BOOLEAN, T_NAV_bGPSDetected, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(void, U_CHART_GENERIC_vSetPOSMode, (BOOLEAN bOn), (bOn)) {
  log_me("chart: demonstration lake charts %s (no chart view)", bOn ? "on" : "off");
}
L_UPCALL_DEFINE(void, T_NAV_vGoToWaypointInMenu, (void), ()) { log_me("menu: go-to the cursor waypoint not available"); }
L_UPCALL_DEFINE(void, T_NAV_vSetNavUINote,
                (DB_TEXT_RECORD pText, const char* pcParameter, BOOLEAN bParameterIsWaypointName),
                (pText, pcParameter, bParameterIsWaypointName)) {
  T_NAV_vSetNavUINoteWithTimeout(pText, pcParameter, 5, bParameterIsWaypointName);
}
L_UPCALL_DEFINE(void, T_NAV_vSetNavUINoteWithTimeout,
                (DB_TEXT_RECORD pText, const char* pcParameter, U32 u32Seconds, BOOLEAN bParameterIsWaypointName),
                (pText, pcParameter, u32Seconds, bParameterIsWaypointName)) {
  (void)bParameterIsWaypointName;
  log_me("note (%us): %s%s%s", (unsigned)u32Seconds, pcEnglish(pText), pcParameter != nullptr ? " " : "",
         pcParameter != nullptr ? pcParameter : "");
}

// ------------------------------------------------------------ navigation data store
L_UPCALL_DEFINE(void, T_NAV_vCopyWaypoint, (U16 u16Id, WAYPOINT* pWaypoint), (u16Id, pWaypoint)) {
  TRACE_ONCE("menu: no navigation data store; waypoints are empty");
  if (pWaypoint != nullptr && u16Id != 0xFFFF) memset(pWaypoint, 0, sizeof *pWaypoint);
}
L_UPCALL_DEFINE(void, T_NAV_vCopyRoute, (U16 u16Index, ROUTE* pRoute), (u16Index, pRoute)) {
  TRACE_ONCE("menu: no navigation data store; routes are empty");
  if (pRoute != nullptr && u16Index != 0xFFFF) memset(pRoute, 0, sizeof *pRoute);
}
L_UPCALL_DEFINE(void, T_NAV_vCopySternixHeader, (U32 u32Index, STERNIX_HEADER* pHeader), (u32Index, pHeader)) {
  TRACE_ONCE("menu: no navigation data store; recorded tracks are empty");
  if (pHeader != nullptr && u32Index < 50) memset(pHeader, 0, sizeof *pHeader);
}
L_UPCALL_DEFINE(const ICON*, NAV_pLargeWaypointIcon, (U8 u8Icon), (u8Icon)) {
  (void)u8Icon;
  return nullptr;
}
L_UPCALL_DEFINE(const ICON*, NAV_pRecordedTrackIcon, (void), ()) { return nullptr; }

// ------------------------------------------------------------ waypoint manager
L_UPCALL_DEFINE(void, T_NAV_GROUP_vShutdown, (void), ()) {}

// ------------------------------------------------------------ radar
L_UPCALL_DEFINE(BOOLEAN, T_RADAR_bIsMyRadarView, (LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit), (eView, eSplit)) {
  (void)eView;
  (void)eSplit;
  return FALSE;
}
L_UPCALL_DEFINE(void, T_RADAR_vHandleManualTune, (void), ()) { log_me("menu: radar manual tuning not available"); }
L_UPCALL_DEFINE(BOOLEAN, T_RADAR_bHandleTune, (void), ()) {
  log_me("menu: radar tuning not available");
  (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  return FALSE;
}

// ------------------------------------------------------------ NMEA 2000 data and gauges
L_UPCALL_DEFINE(void, GUI_vResetReadoutSubMenuStatus, (void), ()) {}
L_UPCALL_DEFINE(BOOLEAN, GUI_vGetReadoutSubMenuStatus, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(void, GUI_pGetCurrentItemName, (S32 s32Row, DB_TEXT_RECORD* ppTitle), (s32Row, ppTitle)) {
  (void)s32Row;
  if (ppTitle != nullptr) *ppTitle = nullptr;
}
L_UPCALL_DEFINE(void, GUI_vRegisterReadoutSubMenuItems, (S32 s32Row), (s32Row)) {
  (void)s32Row;
  log_me("menu: no NMEA 2000 readouts to select");
}
L_UPCALL_DEFINE(void, GUI_vUpdateReadoutMenuItems, (void), ()) {}
L_UPCALL_DEFINE(BOOLEAN, GUI_bIsSourceAvailable, (FOURCHARID fcidSource), (fcidSource)) {
  (void)fcidSource;
  return TRUE;
}
L_UPCALL_DEFINE(void, GUI_vUnRegisterSelectViewMenu, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vRegisterSelectViewMenu, (void), ()) {
  log_me("keyboard: no NMEA 2000 views; view-selection items not rebuilt");
}

// ------------------------------------------------------------ readouts
L_UPCALL_DEFINE(void, T_ALARM_vCheckTimer, (void), ()) {}
L_UPCALL_DEFINE(void, U_NAV_vFormatPosition, (double dDegrees, BOOLEAN bLatitude, U32 u32Format, char* pcText),
                (dDegrees, bLatitude, u32Format, pcText)) {
  (void)u32Format;
  if (pcText == nullptr) return;
  const char cHemisphere = bLatitude ? (dDegrees < 0 ? 'S' : 'N') : (dDegrees < 0 ? 'W' : 'E');
  double dAbs = dDegrees < 0 ? -dDegrees : dDegrees;
  if (dAbs > 180.0) dAbs = 180.0;
  const int nDegrees = (int)dAbs;
  const double dMinutes = (dAbs - nDegrees) * 60.0;
  snprintf(pcText, 20, bLatitude ? "%c %02d %06.3f" : "%c%03d %06.3f", cHemisphere, nDegrees, dMinutes);
}
L_UPCALL_DEFINE(void, U_NAV_vPositionToDegrees,
                (S32 s32LatitudeMM, S32 s32LongitudeMM, double* pdLatitude, double* pdLongitude),
                (s32LatitudeMM, s32LongitudeMM, pdLatitude, pdLongitude)) {
  constexpr double kEarthRadius = 6378137.0;
  constexpr double kPi = 3.14159265358979323846;
  if (pdLatitude != nullptr) *pdLatitude = (2.0 * std::atan(std::exp(s32LatitudeMM / kEarthRadius)) - kPi / 2) * 180.0 / kPi;
  if (pdLongitude != nullptr) *pdLongitude = s32LongitudeMM / kEarthRadius * 180.0 / kPi;
}
L_UPCALL_DEFINE(void, T_NAV_vCopyWaypointName, (U16 u16Index, char* pcName), (u16Index, pcName)) {
  (void)u16Index;
  if (pcName != nullptr) pcName[0] = '\0';
}
L_UPCALL_DEFINE(BOOLEAN, T_NAV_bIsMOBInProgress, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(BOOLEAN, T_NAV_bIsMyChartCursorView, (LAYER_ID eView, SPLIT_WINDOW_TYPE eSide), (eView, eSide)) {
  (void)eView;
  (void)eSide;
  return FALSE;
}
L_UPCALL_DEFINE(void, T_NAV_INFOBOX_vGetKeelarActiveStr, (char* pcText), (pcText)) {
  if (pcText != nullptr) pcText[0] = '\0';
}
L_UPCALL_DEFINE(BOOLEAN, T_RADAR_bIsMyRadarInfoView, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(BOOLEAN, T_KEELAR_bIsNavigationPaused, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(BOOLEAN, U_NAV_KEELAR_bIsKeelarNavigationEnabled, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(BOOLEAN, T_KEELAR_bIsStayvoActive, (void), ()) { return FALSE; }
L_UPCALL_DEFINE(void, U_KEELAR_vStowMotor, (void), ()) { log_me("U_KEELAR_vStowMotor: no autopilot link"); }
L_UPCALL_DEFINE(void, U_KEELAR_vDeployMotor, (void), ()) { log_me("U_KEELAR_vDeployMotor: no autopilot link"); }
L_UPCALL_DEFINE(void, U_KEELAR_vPauseMotor, (void), ()) { log_me("U_KEELAR_vPauseMotor: no autopilot link"); }
L_UPCALL_DEFINE(BOOLEAN, T_N_HISTORY_bIsMyCursorView, (LAYER_ID eView, SPLIT_WINDOW_TYPE eSide), (eView, eSide)) {
  (void)eView;
  (void)eSide;
  return FALSE;
}
L_UPCALL_DEFINE(void, T_N_HISTORY_vReVerifyAndUpdateActiveSonarWindowSettings,
                (LAYER_ID eView, SPLIT_WINDOW_TYPE eSide, U32 u32YOffset), (eView, eSide, u32YOffset)) {
  (void)eView;
  (void)eSide;
  (void)u32YOffset;
}
L_UPCALL_DEFINE(U8, T_NAV_u8GetWaypointIcon, (U16 u16Index), (u16Index)) {
  (void)u16Index;
  return 0;
}
L_UPCALL_DEFINE(void, T_KEELAR_vGetStayvoWaypointName, (char* pcName), (pcName)) {
  if (pcName != nullptr) pcName[0] = '\0';
}
L_UPCALL_DEFINE(KEELAR_ITEM_KIND, T_KEELAR_eActiveItemKind, (void), ()) { return KEELAR_ITEM_NONE; }
L_UPCALL_DEFINE(void, T_RADAR_vDrawReadoutInfoBox, (BITMAP * pBitmap, POINT anchor), (pBitmap, anchor)) {
  (void)pBitmap;
  (void)anchor;
}
L_UPCALL_DEFINE(BOOLEAN, T_N_HISTORY_bDrawDiZoomWindow,
                (BITMAP * pBitmap, const WINDOW_SPECIFICATION* psWindowSpec, S32* ps32DiZoomFactor,
                 S32* ps32TopOffset),
                (pBitmap, psWindowSpec, ps32DiZoomFactor, ps32TopOffset)) {
  (void)pBitmap;
  (void)psWindowSpec;
  if (ps32DiZoomFactor != nullptr) *ps32DiZoomFactor = 0;
  if (ps32TopOffset != nullptr) *ps32TopOffset = 0;
  return FALSE;
}
