// The blinking banners over every view: the simulation, point-of-sale and
// playback banner of those system states, and the banner of a running sonar
// or autopilot recording. Both share layer SIMULATION_MESSAGE_LAYER and a
// one-second timer that counts the visible and hidden phases.
#include "common/language.h"
#include "common/ping_types.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_int.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "data/icons.h"

namespace {

// Phase lengths in seconds: without and with a recording running.
constexpr U32 BANNER_VISIBLE_S = 3;
constexpr U32 BANNER_HIDDEN_S = 8;
constexpr U32 RECORDING_VISIBLE_S = 2;
constexpr U32 RECORDING_HIDDEN_S = 3;
constexpr U32 BANNER_TICK_MS = 1000;

// The autopilot's active item is shown with at most this many characters.
constexpr size_t AUTOPILOT_TEXT_CHARS = 12;

#define VIEW_BANNER_SETTING_TEXT "/Simulation Playback Messages"
const char* const s_apcBannerSettingText[NUMBER_OF_LANGUAGES] = {
    VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT,
    VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT,
    VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT,
    VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT,
    VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT,
    VIEW_BANNER_SETTING_TEXT, VIEW_BANNER_SETTING_TEXT,
};

// All of it belongs to the view task.
TIMER_INFO* s_pSimMessageTimer = nullptr;
BOOLEAN s_bDisplaySimMessage = FALSE;  // the banner is in its visible phase
U32 s_u32Seconds = 0;
BOOLEAN s_bSimPlaybackMsgEnabled = TRUE;
S32 s_state = STATE_STARTUP;
BOOLEAN s_bSonarRecordDispInProgress = FALSE;
BOOLEAN s_bSternixRecordDispInProgress = FALSE;
BOOLEAN s_bShowSonarRecMsg = FALSE;
BOOLEAN s_bShowSternixRecMsg = FALSE;

bool bBannerState(S32 state) {
  return state == STATE_POINT_OF_SALE || state == STATE_SIMULATION || state == STATE_PLAYBACK;
}

bool bRecording(void) { return s_bSonarRecordDispInProgress || s_bSternixRecordDispInProgress; }

void vRequestPage(void) { T_VIEW_vRequestPage(); }

void vStartTimer(void) {
  if (s_pSimMessageTimer == nullptr) s_pSimMessageTimer = L_TIMER_Allocate();
  if (s_pSimMessageTimer == nullptr) {
    log_me("VIEW: no timer for the banner; it stays up\n");
    return;
  }
  (void)L_TIMER_Start(s_pSimMessageTimer, BANNER_TICK_MS, BANNER_TICK_MS, SEMA_TIMER_SIM_MSG);
}

void vStopTimer(void) {
  if (s_pSimMessageTimer != nullptr) (void)L_TIMER_Stop(s_pSimMessageTimer);
}

// The text in the current language of a text record, or null.
const char* pcText(DB_TEXT_RECORD pRecord) {
  if (pRecord == nullptr) return nullptr;
  return pRecord[nCurrentLanguage()];
}

U16 u16BoxWidth(const BITMAP* pBitmap, U32 u32Content) {
  const S32 s32Limit = pBitmap->pixels_wide - 10;
  const S32 s32Width = (S32)u32Content < s32Limit ? (S32)u32Content : s32Limit;
  return s32Width > 0 ? (U16)s32Width : (U16)0;
}

// The state banner: the current view's text for the system state.
void T_VIEW_vDrawSimMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  BOOLEAN bDemoHides = FALSE;
  if (H_DATABASE_bFetchBoolean(VIEW_KEY_POS_NO_BANNER, &bDemoHides) && bDemoHides) return;
  if (!s_bDisplaySimMessage) return;
  const LAYER_ITEM* pView = T_VIEW_pFindShownListNode(pWindowSpec->currentLayer);
  if (pView == nullptr) return;
  const char* pcMessage = nullptr;
  if (s_state == STATE_POINT_OF_SALE) {
    pcMessage = pcText(pView->pPOSString);
  } else if (s_state == STATE_PLAYBACK) {
    U32 u32Mode = 0;
    if (H_DATABASE_bFetchU32(VIEW_KEY_PLAYBACK_MODE, &u32Mode) &&
        (u32Mode == PLAYBACK_MODE_PAUSED || u32Mode == PLAYBACK_MODE_PAUSED_BEGIN ||
         u32Mode == PLAYBACK_MODE_PAUSED_END)) {
      pcMessage = "Playback Paused";
    } else {
      pcMessage = pcText(pView->pPlaybackString);
    }
  } else if (s_state == STATE_SIMULATION) {
    pcMessage = pcText(pView->pSimString);
  }
  if (pcMessage == nullptr) return;
  const FONT_DEF* pFont = std_16x17_font_def_ptr;
  VIEW_SEAM_vDrawBanner(pBitmap, pcMessage, pFont, u16BoxWidth(pBitmap, G_STRING_u32GetWidth(pFont, pcMessage) + 9),
                        nullptr);
}

// The recording banner: the autopilot's active item or "Recording".
void T_VIEW_vDrawRecordingMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  if (!s_bDisplaySimMessage) return;
  if (T_VIEW_pFindShownListNode(pWindowSpec->currentLayer) == nullptr) return;
  char acText[AUTOPILOT_TEXT_CHARS + 1] = {};
  const char* pcMessage = nullptr;
  if (s_bShowSternixRecMsg) {
    T_KEELAR_vGetActiveStr(acText);
    acText[AUTOPILOT_TEXT_CHARS] = '\0';
    pcMessage = acText;
  } else if (s_bShowSonarRecMsg) {
    pcMessage = "Recording";
  }
  if (pcMessage == nullptr) return;
  const FONT_DEF* pFont = std_16x17_font_def_ptr;
  const U32 u32Content = G_STRING_u32GetWidth(pFont, pcMessage) + G_ICON_u32GetWidth(&rec_active_icon) + 15;
  VIEW_SEAM_vDrawBanner(pBitmap, pcMessage, pFont, u16BoxWidth(pBitmap, u32Content), &remind_rec_icon);
}

void vRegisterBanner(DRAW_FUNCTION* pfnDraw) {
  (void)U_VIEW_bRegisterLayer(pfnDraw, SIMULATION_MESSAGE_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr, nullptr);
}

void T_VIEW_vStartSimDisplay(void) {
  vStartTimer();
  vRegisterBanner(T_VIEW_vDrawSimMessage);
  s_u32Seconds = 0;
  s_bDisplaySimMessage = TRUE;
  vRequestPage();
}

void T_VIEW_vStopSimDisplay(void) {
  vStopTimer();
  (void)U_VIEW_bUnRegisterLayer(SIMULATION_MESSAGE_LAYER);
  s_bDisplaySimMessage = FALSE;
  vRequestPage();
}

void T_VIEW_vStartRecordingDisplay(void) {
  if (bRecording()) return;
  if (s_pSimMessageTimer != nullptr) {
    vStopTimer();
    (void)U_VIEW_bUnRegisterLayer(SIMULATION_MESSAGE_LAYER);
    s_bDisplaySimMessage = FALSE;
    vRequestPage();
  }
  vStartTimer();
  vRegisterBanner(T_VIEW_vDrawRecordingMessage);
  s_u32Seconds = 0;
  s_bDisplaySimMessage = TRUE;
  vRequestPage();
}

void T_VIEW_vStopRecordingDisplay(void) {
  if (bRecording()) return;
  vStopTimer();
  (void)U_VIEW_bUnRegisterLayer(SIMULATION_MESSAGE_LAYER);
  s_bDisplaySimMessage = FALSE;
  if (bBannerState(s_state) && s_bSimPlaybackMsgEnabled) T_VIEW_vStartSimDisplay();
  vRequestPage();
}

// The state banner follows the state and the setting; while a recording
// banner is up it is left alone (it comes back when the recording ends).
void vFollowState(bool bShow) {
  if (bRecording()) return;
  if (bShow) {
    T_VIEW_vStartSimDisplay();
  } else {
    T_VIEW_vStopSimDisplay();
  }
}

}  // namespace

void T_VIEW_vBannerInit(void) {
  s_bDisplaySimMessage = FALSE;
  s_bSimPlaybackMsgEnabled = TRUE;
  s_state = STATE_STARTUP;
}

void T_VIEW_vBannerRunSystem(void) {
  BOOLEAN bSuperUser = FALSE;
  if (H_DATABASE_bFetchBoolean(VIEW_KEY_SUPER_USER, &bSuperUser) && bSuperUser) {
    BOOLEAN bEnabled = TRUE;
    if (!H_DATABASE_bFetchBoolean(VIEW_KEY_BANNERS, &bEnabled)) {
      bEnabled = TRUE;
      (void)H_DATABASE_bUpdateEverythingU32(VIEW_KEY_BANNERS, TRUE, P_NORMAL, D_UNSIGNED32, s_apcBannerSettingText,
                                            DB_NO_TIMEOUT);
    }
    s_bSimPlaybackMsgEnabled = bEnabled ? TRUE : FALSE;
    VIEW_SEAM_vRegisterBannerMenu();
    (void)H_DATABASE_bRegisterForDataWithConditions(VIEW_KEY_BANNERS, M_VIEW, TRUE, FALSE, FALSE);
  } else {
    s_bSimPlaybackMsgEnabled = TRUE;
  }
  (void)H_DATABASE_bRegisterForDataWithConditions(VIEW_KEY_STATE, M_VIEW, TRUE, FALSE, FALSE);
  // The recording banners follow these two.
  (void)H_DATABASE_bRegisterForDataWithConditions(VIEW_KEY_SONAR_RECORDING, M_VIEW, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bRegisterForDataWithConditions(VIEW_KEY_AUTOPILOT_RECORDING, M_VIEW, TRUE, FALSE, FALSE);
  S32 state = STATE_STARTUP;
  if (H_DATABASE_bFetchS32(VIEW_KEY_STATE, &state)) s_state = state;
  if (bBannerState(s_state) && s_bSimPlaybackMsgEnabled) vFollowState(true);
}

void T_VIEW_vHandleSimTimer(void) {
  ++s_u32Seconds;
  const bool bRec = bRecording();
  const U32 u32Visible = bRec ? RECORDING_VISIBLE_S : BANNER_VISIBLE_S;
  const U32 u32Hidden = bRec ? RECORDING_HIDDEN_S : BANNER_HIDDEN_S;
  if (s_bDisplaySimMessage) {
    if (s_u32Seconds < u32Visible) return;
    s_bDisplaySimMessage = FALSE;
  } else {
    if (s_u32Seconds < u32Hidden) return;
    if (s_bSonarRecordDispInProgress && s_bSternixRecordDispInProgress) {
      const BOOLEAN bSonarWasLast = s_bShowSonarRecMsg;
      s_bShowSternixRecMsg = bSonarWasLast ? TRUE : FALSE;
      s_bShowSonarRecMsg = bSonarWasLast ? FALSE : TRUE;
    } else if (s_bSonarRecordDispInProgress) {
      s_bShowSonarRecMsg = TRUE;
      s_bShowSternixRecMsg = FALSE;
    } else if (s_bSternixRecordDispInProgress) {
      s_bShowSternixRecMsg = TRUE;
      s_bShowSonarRecMsg = FALSE;
    }
    s_bDisplaySimMessage = TRUE;
  }
  s_u32Seconds = 0;
  vRequestPage();
}

BOOLEAN T_VIEW_bBannerNotice(FOURCHARID key, U32 u32Value) {
  if (key == VIEW_KEY_SONAR_RECORDING) {
    if (u32Value != 0) {
      T_VIEW_vStartRecordingDisplay();
      s_bSonarRecordDispInProgress = TRUE;
      if (!s_bSternixRecordDispInProgress) {
        s_bShowSonarRecMsg = TRUE;
        s_bShowSternixRecMsg = FALSE;
      }
    } else {
      s_bSonarRecordDispInProgress = FALSE;
      T_VIEW_vStopRecordingDisplay();
    }
    return TRUE;
  }
  if (key == VIEW_KEY_AUTOPILOT_RECORDING) {
    if (u32Value == 1) {
      T_VIEW_vStartRecordingDisplay();
      s_bSternixRecordDispInProgress = TRUE;
      if (!s_bSonarRecordDispInProgress) {
        s_bShowSternixRecMsg = TRUE;
        s_bShowSonarRecMsg = FALSE;
      }
    } else {
      s_bSternixRecordDispInProgress = FALSE;
      T_VIEW_vStopRecordingDisplay();
    }
    return TRUE;
  }
  if (key == VIEW_KEY_STATE) {
    const bool bWasIn = bBannerState(s_state);
    s_state = (S32)u32Value;
    const bool bIsIn = bBannerState(s_state);
    if (s_bSimPlaybackMsgEnabled && bWasIn != bIsIn) vFollowState(bIsIn);
    return TRUE;
  }
  if (key == VIEW_KEY_BANNERS) {
    s_bSimPlaybackMsgEnabled = u32Value != 0 ? TRUE : FALSE;
    if (bBannerState(s_state)) vFollowState(s_bSimPlaybackMsgEnabled);
    return TRUE;
  }
  return FALSE;
}
