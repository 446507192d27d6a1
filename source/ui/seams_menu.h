// Services the menu task calls whose real modules are not part of the
// program yet: the navigation task's notes and go-to, the waypoint
// manager's close, the radar's installation and tuning checks, the start-up
// task's end of the first-start quick setup and the NMEA 2000 readout
// selection. Each does the least that keeps the menus sound and traces what
// it stands in for; the real module replaces the body.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "common/view_types.h"

// ------------------------------------------------------------ navigation task
// TRUE when a GPS fix source has been detected.
BOOLEAN T_NAV_bGPSDetected(void);
// Starts a go-to to the cursor waypoint (key ICWP) when there is one.
void T_NAV_vGoToWaypointInMenu(void);
// Shows a note (its "{...}" placeholder replaced by pcParameter) for 5 s,
// or for u32Seconds.
void T_NAV_vSetNavUINote(DB_TEXT_RECORD pText, const char* pcParameter, BOOLEAN bParameterIsWaypointName);
void T_NAV_vSetNavUINoteWithTimeout(DB_TEXT_RECORD pText, const char* pcParameter, U32 u32Seconds,
                                    BOOLEAN bParameterIsWaypointName);

// ------------------------------------------------------------ waypoint manager
// Closes the waypoint manager when it is open (after the menus were cleared).
void T_NAV_GROUP_vShutdown(void);

// ------------------------------------------------------------ radar
// TRUE when the view is the radar view (65), or the radar-plus-chart view
// (66) with the split side SPLIT_RIGHT_WINDOW; UNKNOWN_VIEW and
// UNKNOWN_SPLIT stand for the current view and side (CVEW, CVAS).
BOOLEAN T_RADAR_bIsMyRadarView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// Toggles manual tuning and stores the state in CRMT.
void T_RADAR_vHandleManualTune(void);
// TRUE when tuning is allowed now; otherwise tells the user and gives a bad
// click.
BOOLEAN T_RADAR_bHandleTune(void);

// ------------------------------------------------------------ start-up task
// The first-start quick setup menu has been left with EXIT: the start-up
// task notes the configuration done (SRDF FALSE, SQCD TRUE) and asks for a
// redraw. The menu task itself has already given up the menu's keys and its
// layer QUICK_CONFIGURE_LAYER; this function must not release keys of the
// menu task's mailbox again.
void T_STARTUP_vRemoveQuickConfigMenu(void);

// ------------------------------------------------------------ NMEA 2000 readout selection
void GUI_vResetReadoutSubMenuStatus(void);
// TRUE while the readout-selection menu is at its item level.
BOOLEAN GUI_vGetReadoutSubMenuStatus(void);
// Title of the readout-selection sub menu that belongs to a row.
void GUI_pGetCurrentItemName(S32 s32Row, DB_TEXT_RECORD* ppTitle);
void GUI_vRegisterReadoutSubMenuItems(S32 s32Row);
void GUI_vUpdateReadoutMenuItems(void);

// How often each stand-in was called (state dump and tests).
enum MENU_SEAM : S32 {
  MENU_SEAM_GPS_DETECTED = 0,
  MENU_SEAM_GOTO_WAYPOINT,
  MENU_SEAM_NAV_NOTE,
  MENU_SEAM_NAV_GROUP_SHUTDOWN,
  MENU_SEAM_RADAR_VIEW,
  MENU_SEAM_RADAR_MANUAL_TUNE,
  MENU_SEAM_RADAR_TUNE,
  MENU_SEAM_REMOVE_QUICK_CONFIG,
  MENU_SEAM_READOUT_RESET,
  MENU_SEAM_READOUT_STATUS,
  MENU_SEAM_READOUT_ITEM_NAME,
  MENU_SEAM_READOUT_REGISTER_ITEMS,
  MENU_SEAM_READOUT_UPDATE_ITEMS,
  MENU_SEAM_COUNT,
};
U32 MENU_SEAM_u32Calls(MENU_SEAM which);
