// Stand-ins for the services the menu task calls whose modules are not
// linked into the program yet. Each traces what it stands in for and does
// the least that keeps the menus sound.
#include "source/ui/seams_menu.h"

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"

namespace {

std::atomic<U32> s_au32Calls[MENU_SEAM_COUNT];

void vCount(MENU_SEAM which) { s_au32Calls[which].fetch_add(1, std::memory_order_relaxed); }

const char* pcEnglish(DB_TEXT_RECORD pText) {
  return pText != nullptr && pText[0] != nullptr ? pText[0] : "";
}

// The radar view and the chart view with radar on its right side.
constexpr S32 RADAR_VIEW = 65;
constexpr S32 RADAR_CHART_VIEW = 66;

}  // namespace

BOOLEAN T_NAV_bGPSDetected(void) {
  vCount(MENU_SEAM_GPS_DETECTED);
  return FALSE;
}

void T_NAV_vGoToWaypointInMenu(void) {
  vCount(MENU_SEAM_GOTO_WAYPOINT);
  log_me("menu: go-to the cursor waypoint not available");
}

void T_NAV_vSetNavUINote(DB_TEXT_RECORD pText, const char* pcParameter, BOOLEAN bParameterIsWaypointName) {
  T_NAV_vSetNavUINoteWithTimeout(pText, pcParameter, 5, bParameterIsWaypointName);
}

void T_NAV_vSetNavUINoteWithTimeout(DB_TEXT_RECORD pText, const char* pcParameter, U32 u32Seconds,
                                    BOOLEAN bParameterIsWaypointName) {
  (void)bParameterIsWaypointName;
  vCount(MENU_SEAM_NAV_NOTE);
  log_me("note (%us): %s%s%s", (unsigned)u32Seconds, pcEnglish(pText), pcParameter != nullptr ? " " : "",
         pcParameter != nullptr ? pcParameter : "");
}

void T_NAV_GROUP_vShutdown(void) { vCount(MENU_SEAM_NAV_GROUP_SHUTDOWN); }

BOOLEAN T_RADAR_bIsMyRadarView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  vCount(MENU_SEAM_RADAR_VIEW);
  S32 s32View = eView;
  S32 s32Split = eSplit;
  if (eView == UNKNOWN_VIEW && !H_DATABASE_bFetchS32(FCID("CVEW"), &s32View)) return FALSE;
  if (eSplit == UNKNOWN_SPLIT && !H_DATABASE_bFetchS32(FCID("CVAS"), &s32Split)) s32Split = SPLIT_FULL_WINDOW;
  return s32View == RADAR_VIEW || (s32View == RADAR_CHART_VIEW && s32Split == SPLIT_RIGHT_WINDOW);
}

void T_RADAR_vHandleManualTune(void) {
  vCount(MENU_SEAM_RADAR_MANUAL_TUNE);
  log_me("menu: radar manual tuning not available");
}

BOOLEAN T_RADAR_bHandleTune(void) {
  vCount(MENU_SEAM_RADAR_TUNE);
  log_me("menu: radar tuning not available");
  (void)L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  return FALSE;
}

void T_STARTUP_vRemoveQuickConfigMenu(void) {
  vCount(MENU_SEAM_REMOVE_QUICK_CONFIG);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), FALSE, P_NORMAL);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
}

void GUI_vResetReadoutSubMenuStatus(void) { vCount(MENU_SEAM_READOUT_RESET); }

BOOLEAN GUI_vGetReadoutSubMenuStatus(void) {
  vCount(MENU_SEAM_READOUT_STATUS);
  return FALSE;
}

void GUI_pGetCurrentItemName(S32 s32Row, DB_TEXT_RECORD* ppTitle) {
  (void)s32Row;
  vCount(MENU_SEAM_READOUT_ITEM_NAME);
  if (ppTitle != nullptr) *ppTitle = nullptr;
}

void GUI_vRegisterReadoutSubMenuItems(S32 s32Row) {
  (void)s32Row;
  vCount(MENU_SEAM_READOUT_REGISTER_ITEMS);
}

void GUI_vUpdateReadoutMenuItems(void) { vCount(MENU_SEAM_READOUT_UPDATE_ITEMS); }

U32 MENU_SEAM_u32Calls(MENU_SEAM which) {
  if (which < 0 || which >= MENU_SEAM_COUNT) return 0;
  return s_au32Calls[which].load(std::memory_order_relaxed);
}
