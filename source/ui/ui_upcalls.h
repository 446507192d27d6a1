// Upward calls of the menus, keys and readouts: the calls they make into
// later subsystems. Each has a default with the least behaviour its callers
// need; the later subsystem installs its own function when it is set up
// (lsvc/l_upcall.h).
#pragma once

#include "common/db_types.h"
#include "common/nav_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/l_upcall.h"
#include "source/graphics/g_icon.h"

// ------------------------------------------------------------ start-up task
// The first-start quick setup menu has been left with EXIT: the start-up
// task notes the configuration done (SRDF FALSE, SQCD TRUE) and asks for a
// redraw. The menu task has already given up the menu's keys and its layer
// QUICK_CONFIGURE_LAYER. Default: traces.
L_UPCALL_DECLARE(void, T_STARTUP_vRemoveQuickConfigMenu, (void))

// ------------------------------------------------------------ navigation task
// TRUE when a GPS fix source has been detected. Default: FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_NAV_bGPSDetected, (void))
// Chart view: its point-of-sale lake-chart presentation on or off (the
// demonstration script). Default: traces.
L_UPCALL_DECLARE(void, U_CHART_GENERIC_vSetPOSMode, (BOOLEAN bOn))
// Starts a go-to to the cursor waypoint (key ICWP) when there is one.
// Default: traces.
L_UPCALL_DECLARE(void, T_NAV_vGoToWaypointInMenu, (void))
// Shows a note (its "{...}" placeholder replaced by pcParameter) for 5 s, or
// for u32Seconds. Default: traces the note.
L_UPCALL_DECLARE(void, T_NAV_vSetNavUINote,
                 (DB_TEXT_RECORD pText, const char* pcParameter, BOOLEAN bParameterIsWaypointName))
L_UPCALL_DECLARE(void, T_NAV_vSetNavUINoteWithTimeout,
                 (DB_TEXT_RECORD pText, const char* pcParameter, U32 u32Seconds, BOOLEAN bParameterIsWaypointName))

// ------------------------------------------------------------ navigation data store
// Copy a whole record; an id or index that names nothing (0xFFFF among
// them) copies nothing. Default: no store; the record comes back zeroed.
L_UPCALL_DECLARE(void, T_NAV_vCopyWaypoint, (U16 u16Id, WAYPOINT* pWaypoint))
L_UPCALL_DECLARE(void, T_NAV_vCopyRoute, (U16 u16Index, ROUTE* pRoute))
L_UPCALL_DECLARE(void, T_NAV_vCopySternixHeader, (U32 u32Index, STERNIX_HEADER* pHeader))
// The large waypoint icon of an icon number (below NAV_ICONS_LARGE), and
// the recorded-track icon; null when there is no picture. Default: null.
L_UPCALL_DECLARE(const ICON*, NAV_pLargeWaypointIcon, (U8 u8Icon))
L_UPCALL_DECLARE(const ICON*, NAV_pRecordedTrackIcon, (void))

// ------------------------------------------------------------ waypoint manager
// Closes the waypoint manager when it is open (after the menus were
// cleared). Default: nothing (it is never open).
L_UPCALL_DECLARE(void, T_NAV_GROUP_vShutdown, (void))

// ------------------------------------------------------------ radar
// TRUE when the view is the radar view (65), or the radar-plus-chart view
// (66) with the split side SPLIT_RIGHT_WINDOW; UNKNOWN_VIEW and
// UNKNOWN_SPLIT stand for the current view and side (CVEW, CVAS).
// Default: FALSE (there is no radar view).
L_UPCALL_DECLARE(BOOLEAN, T_RADAR_bIsMyRadarView, (LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit))
// Toggles manual tuning and stores the state in CRMT. Default: traces.
L_UPCALL_DECLARE(void, T_RADAR_vHandleManualTune, (void))
// TRUE when tuning is allowed now; otherwise tells the user and gives a bad
// click. Default: traces, bad click, FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_RADAR_bHandleTune, (void))

// ------------------------------------------------------------ NMEA 2000 data and gauges
// Readout selection: the sub menu's state, the title of a row's sub menu,
// its items. Defaults: nothing; the status is FALSE, the title null.
L_UPCALL_DECLARE(void, GUI_vResetReadoutSubMenuStatus, (void))
L_UPCALL_DECLARE(BOOLEAN, GUI_vGetReadoutSubMenuStatus, (void))
L_UPCALL_DECLARE(void, GUI_pGetCurrentItemName, (S32 s32Row, DB_TEXT_RECORD* ppTitle))
L_UPCALL_DECLARE(void, GUI_vRegisterReadoutSubMenuItems, (S32 s32Row))
L_UPCALL_DECLARE(void, GUI_vUpdateReadoutMenuItems, (void))
// Whether the data source an item of the data-source menus selects (named
// by the item's key) is available now. Default: TRUE.
L_UPCALL_DECLARE(BOOLEAN, GUI_bIsSourceAvailable, (FOURCHARID fcidSource))
// The view-selection menu's items (quick-access items of layer
// VIRTUAL_DISPLAY_VIEW_LAYER), removed and registered again before the
// keyboard task opens it. Default: nothing; the menu opens with the items it
// holds.
L_UPCALL_DECLARE(void, GUI_vUnRegisterSelectViewMenu, (void))
L_UPCALL_DECLARE(void, GUI_vRegisterSelectViewMenu, (void))

// ------------------------------------------------------------ readouts
// Start-up, storage and alarms: the countdown timer alarm, run once a
// second by the readout task's blink timer. Default: nothing.
L_UPCALL_DECLARE(void, T_ALARM_vCheckTimer, (void))
// Navigation: the text of a latitude (bLatitude) or longitude in degrees in
// the position format SIPF, into pcText (20 bytes). Default: degrees and
// decimal minutes with the hemisphere letter.
L_UPCALL_DECLARE(void, U_NAV_vFormatPosition, (double dDegrees, BOOLEAN bLatitude, U32 u32Format, char* pcText))
// Navigation: a position in Mercator metres as latitude and longitude in
// degrees of the chosen datum (SDTM). Default: the sphere's inverse
// Mercator, in WGS 84.
L_UPCALL_DECLARE(void, U_NAV_vPositionToDegrees, (S32 s32LatitudeMM, S32 s32LongitudeMM, double* pdLatitude, double* pdLongitude))
// Navigation data store: the name of the waypoint of an index into pcName
// (at least 13 bytes, terminated). Default: an empty name.
L_UPCALL_DECLARE(void, T_NAV_vCopyWaypointName, (U16 u16Index, char* pcName))
// TRUE while a man-overboard is in progress. Default: FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_NAV_bIsMOBInProgress, (void))
// Navigation overlays: TRUE when the view and side show a chart that owns
// the cursor. Default: FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_NAV_bIsMyChartCursorView, (LAYER_ID eView, SPLIT_WINDOW_TYPE eSide))
// The autopilot link's text of its active item (at most 16 characters into
// a 20-byte buffer). Default: empty.
L_UPCALL_DECLARE(void, T_NAV_INFOBOX_vGetKeelarActiveStr, (char* pcText))
// Radar: TRUE when the current view is a radar view whose readouts take the
// radar colours. Default: FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_RADAR_bIsMyRadarInfoView, (void))
// Autopilot link: its navigation is paused; its navigation is enabled; it
// holds its position. Defaults: FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_KEELAR_bIsNavigationPaused, (void))
L_UPCALL_DECLARE(BOOLEAN, U_NAV_KEELAR_bIsKeelarNavigationEnabled, (void))
L_UPCALL_DECLARE(BOOLEAN, T_KEELAR_bIsStayvoActive, (void))
// The motor commands of the power-key menu's Stow, Deploy and Pause rows.
// Defaults: trace (no autopilot link).
L_UPCALL_DECLARE(void, U_KEELAR_vStowMotor, (void))
L_UPCALL_DECLARE(void, U_KEELAR_vDeployMotor, (void))
L_UPCALL_DECLARE(void, U_KEELAR_vPauseMotor, (void))
// Sonar history: TRUE when that window shows a sonar history that owns the
// cursor. Default: FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_N_HISTORY_bIsMyCursorView, (LAYER_ID eView, SPLIT_WINDOW_TYPE eSide))
// Sonar history: re-checks the sonar window heights of the view after the
// readout row changed (Y offset 0 or 105). Default: nothing.
L_UPCALL_DECLARE(void, T_N_HISTORY_vReVerifyAndUpdateActiveSonarWindowSettings,
                 (LAYER_ID eView, SPLIT_WINDOW_TYPE eSide, U32 u32YOffset))
// Navigation data store: the icon number of the waypoint of an index (for
// NAV_pLargeWaypointIcon). Default: 0.
L_UPCALL_DECLARE(U8, T_NAV_u8GetWaypointIcon, (U16 u16Index))
// Autopilot link (its active text is T_KEELAR_vGetActiveStr of the
// graphics upcalls): the name of the waypoint it holds its position at (13
// bytes) and the kind of its active item. Defaults: an empty name,
// KEELAR_ITEM_NONE.
L_UPCALL_DECLARE(void, T_KEELAR_vGetStayvoWaypointName, (char* pcName))
enum KEELAR_ITEM_KIND : S32 {
  KEELAR_ITEM_NONE = 0,
  KEELAR_ITEM_TRACK_START = 1,
  KEELAR_ITEM_TRACK_END = 2,
  KEELAR_ITEM_RECORDING = 3,
};
L_UPCALL_DECLARE(KEELAR_ITEM_KIND, T_KEELAR_eActiveItemKind, (void))
// Radar: draws the radar's own readout box at the anchor beside the
// man-overboard panel or the waypoint bar. Default: nothing.
L_UPCALL_DECLARE(void, T_RADAR_vDrawReadoutInfoBox, (BITMAP * pBitmap, POINT anchor))
// Sonar history: draws the down-looking imaging's zoom inset at the cursor
// when it is open and reports its magnification and top offset (0 when
// nothing is drawn; either pointer may be null). Default: FALSE, nothing
// drawn.
L_UPCALL_DECLARE(BOOLEAN, T_N_HISTORY_bDrawDiZoomWindow,
                 (BITMAP * pBitmap, const WINDOW_SPECIFICATION* psWindowSpec, S32* ps32DiZoomFactor,
                  S32* ps32TopOffset))
