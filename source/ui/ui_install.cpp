// Installation of the menus, keys and readouts.
#include "source/ui/ui_install.h"
#include <stdio.h>

#include "common/language.h"
#include "common/menu_types.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_sound.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/ui/t_display_menu.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_button.h"
#include "source/ui/t_info.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_dialog.h"
#include "source/ui/u_menu.h"
#include "source/ui/ui_upcalls.h"

namespace {

// ------------------------------------------------------------ the view task's banners
#define UI_TEXT_RECORD(name, text)                                                               \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
UI_TEXT_RECORD(s_txtBannerSetting, "/Simulation Playback Messages");
UI_TEXT_RECORD(s_txtOff, "Off");
UI_TEXT_RECORD(s_txtOn, "On");
const DB_TEXT_RECORD s_apBannerChoices[] = {s_txtOff, s_txtOn};
const U32 s_au32BannerValues[] = {0, 1};

// The "Simulation Playback Messages" selector on the Setup tab, bound to
// SMSG.
void vRegisterBannerMenu(void) {
  if (!U_MENU_bRegisterMainSelectorMenu(s_txtBannerSetting, g_MENU_txtSetupTab, MENU_SIM_MSG_MODE, FCID("SMSG"), 2,
                                        s_apBannerChoices, s_au32BannerValues, M_BASIC)) {
    log_me("VIEW: Simulation Playback Messages item not registered");
  }
}

// A banner is a dialog box at the top of the page: no space between lines,
// the text centred.
void vDrawBanner(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16Width, const ICON* pLeftIcon) {
  if (pBitmap == nullptr || pcText == nullptr || pFont == nullptr || u16Width == 0) return;
  U_DIALOG_vDrawDialog(pBitmap, pcText, pFont, 0, u16Width, pLeftIcon, nullptr, JUSTIFICATION_CENTER,
                       JUSTIFICATION_TOP);
}

// ------------------------------------------------------------ the sound task's items
UI_TEXT_RECORD(s_txtSoundMute, "Mute");
UI_TEXT_RECORD(s_txtSilent, "/Silent");
UI_TEXT_RECORD(s_txtNoKeyTones, "/No Key Tones");
UI_TEXT_RECORD(s_txtAllTones, "/All Tones");
const DB_TEXT_RECORD s_apToneModeChoices[] = {s_txtSilent, s_txtNoKeyTones, s_txtAllTones};
const U32 s_au32ToneModeValues[] = {SOUND_MODE_SILENT, SOUND_MODE_NO_KEYS, SOUND_MODE_ALL};
const MENU_LIMITS s_volumeLimits = {U_NONE, 0.0f, 10.0f, 1.0f};

// The tabs come first: an item for a tab not yet registered is dropped, and
// the sound task may start before the tabs' owners. An owner registers its
// tab again with its icon.
void vRegisterSoundMenus(BOOLEAN bToneMode) {
  bool ok = U_MENU_bRegisterTab(g_MENU_txtAlarmsTab, ALARM_TAB_PRIORITY, nullptr, M_BASIC) &&
            U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC);
  if (bToneMode) {
    ok = U_MENU_bRegisterMainSelectorMenu(g_SOUND_txtToneMode, g_MENU_txtSetupTab, MENU_TONE_MODE, FCID("STMD"), 3,
                                          s_apToneModeChoices, s_au32ToneModeValues, M_BASIC) &&
         ok;
  }
  ok = U_MENU_bRegisterMainSliderMenu(g_SOUND_txtSoundVolume, g_MENU_txtSetupTab, MENU_SOUND_VOLUME, FCID("SVOL"),
                                      &s_volumeLimits, s_txtSoundMute, nullptr, nullptr, M_BASIC) &&
       ok;
  ok = U_MENU_bRegisterMainSliderMenu(g_SOUND_txtAlarmVolume, g_MENU_txtAlarmsTab, MENU_ALARM_VOLUME, FCID("SVOA"),
                                      &s_volumeLimits, s_txtSoundMute, nullptr, nullptr, M_BASIC) &&
       ok;
  if (!ok) log_me("sound: menu items not registered");
}

// ------------------------------------------------------------ the review view's quick-access menu
void vCreateReviewMenu(LAYER_ID view) {
  if (!U_MENU_bRegisterExpressMenu(view, SPLIT_FULL_WINDOW)) log_me("VIEW: quick-access menu of view %d not made", (int)view);
}

BOOLEAN bRegisterReviewMenuItem(const REVIEW_MENU_ITEM* p) {
  if (p == nullptr) return FALSE;
  switch (p->eKind) {
    case REVIEW_MENU_ACTION:
      return U_MENU_bRegisterHotActionMenu(p->pText, p->pIcon, p->priority, p->pfnAction, p->bConfirm, M_BASIC, p->view,
                                           SPLIT_FULL_WINDOW);
    case REVIEW_MENU_PROGRESS_BAR:
      return U_MENU_bRegisterHotProgBarMenu(p->pText, p->pIcon, p->priority, p->key, p->pLimits, nullptr,
                                            p->pRightText, nullptr, M_BASIC, p->view, SPLIT_FULL_WINDOW);
    case REVIEW_MENU_ICON_SELECTOR:
      return U_MENU_bRegisterHotIconSelectorMenu(p->pText, p->pIcon, p->priority, p->key, p->u32Choices,
                                                 p->pChoiceIcons, p->pChoiceValues, M_BASIC, p->view,
                                                 SPLIT_FULL_WINDOW);
  }
  return FALSE;
}

BOOLEAN bUnregisterReviewMenuItem(DB_TEXT_RECORD pText, LAYER_ID view) {
  return U_MENU_bUnregisterHotMenuItem(pText, view, SPLIT_FULL_WINDOW);
}

// The review view's time and date, and position, as the readouts show them.
void vReviewTimeAndDate(U32 u32Time, char* pcTime, char* pcDate) {
  char acTime[INFO_STRING_SIZE] = "", acDate[INFO_STRING_SIZE] = "";
  T_INFO_vFormatTime(u32Time, TRUE, FALSE, acTime, acDate, nullptr);
  if (pcTime != nullptr) snprintf(pcTime, INFO_STRING_SIZE, "%s", acTime);
  if (pcDate != nullptr) snprintf(pcDate, INFO_STRING_SIZE, "%s", acDate);
}

void vReviewPosition(S32 s32LatitudeMM, S32 s32LongitudeMM, char* pcLatitude, char* pcLongitude) {
  double lat = 0.0, lon = 0.0;
  U_NAV_vPositionToDegrees(s32LatitudeMM, s32LongitudeMM, &lat, &lon);
  U32 format = 6;
  (void)H_DATABASE_bFetchU32(FCID("SIPF"), &format);
  char acText[INFO_STRING_SIZE] = "";
  if (pcLatitude != nullptr) {
    U_NAV_vFormatPosition(lat, TRUE, format, acText);
    acText[INFO_STRING_SIZE - 1] = '\0';
    snprintf(pcLatitude, INFO_STRING_SIZE, "%s", acText);
  }
  if (pcLongitude != nullptr) {
    acText[0] = '\0';
    U_NAV_vFormatPosition(lon, FALSE, format, acText);
    acText[INFO_STRING_SIZE - 1] = '\0';
    snprintf(pcLongitude, INFO_STRING_SIZE, "%s", acText);
  }
}

}  // namespace

void UI_vInstall(void) {
  VIEW_SEAM_vFormatTimeAndDate_Install(&vReviewTimeAndDate);
  VIEW_SEAM_vFormatPosition_Install(&vReviewPosition);
  VIEW_SEAM_vCreateReviewMenu_Install(&vCreateReviewMenu);
  VIEW_SEAM_bRegisterReviewMenuItem_Install(&bRegisterReviewMenuItem);
  VIEW_SEAM_bUnregisterReviewMenuItem_Install(&bUnregisterReviewMenuItem);
  T_SOUND_vRegisterMenus_Install(&vRegisterSoundMenus);
  U_KEYBOARD_bRegisterKeys_Install(&T_KEYBOARD_bRegisterKeys);
  VIEW_SEAM_bUnregisterKeys_Install(&U_KEYBOARD_bUnregisterKeys);
  VIEW_SEAM_vRegisterBannerMenu_Install(&vRegisterBannerMenu);
  VIEW_SEAM_vDrawBanner_Install(&vDrawBanner);
  T_KEYBOARD_vMain_Install(&T_KEYBOARD_vTask);
  T_MENU_vMain_Install(&T_MENU_vTask);
  T_INFO_vMain_Install(&T_INFO_vTask);
  T_INFO_u8ConvertAlphaVector_Install(&T_INFO_u8PaletteAlpha);
  T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin_Install(&T_INFO_u32SonarYOrigin);
  T_BUTTON_vMain_Install(&T_BUTTON_vTask);
  T_DISPLAY_vRunSystemMenus_Install(&T_DISPLAY_MENU_vRunSystem);
  T_DISPLAY_vPowerKeyMenuKey_Install(&T_DISPLAY_MENU_vKey);
  T_DISPLAY_vPowerKeyMenuNewData_Install(&T_DISPLAY_MENU_vNewData);
  T_DISPLAY_vClosePowerKeyMenu_Install(&T_DISPLAY_MENU_vClose);
}
