// The first-start quick setup of the start-up task.
#include "source/startup/t_startup_quickconfig.h"

#include <atomic>

#include "common/language.h"
#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/ui/u_menu.h"

namespace {

#define QUICK_TEXT(name, text)                                                                   \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
QUICK_TEXT(s_txtLanguage, "Language");
QUICK_TEXT(s_txtWaterType, "Water Type");
QUICK_TEXT(s_txtMaxDepth, "Max Depth");
QUICK_TEXT(s_txtAuto, "Auto");
QUICK_TEXT(s_txtFresh, "Fresh");
QUICK_TEXT(s_txtSaltShallow, "Salt (shallow)");
QUICK_TEXT(s_txtSaltDeep, "Salt (deep)");
QUICK_TEXT(s_txtEnglish, "English");
QUICK_TEXT(s_txtBulgarian, "Bulgarian");
QUICK_TEXT(s_txtCroatian, "Hrvatski");
QUICK_TEXT(s_txtCzech, "Cesky");
QUICK_TEXT(s_txtDanish, "Dansk");
QUICK_TEXT(s_txtDutch, "Nederlands");
QUICK_TEXT(s_txtEstonian, "Eesti");
QUICK_TEXT(s_txtFinnish, "Suomi");
QUICK_TEXT(s_txtFrench, "Francais");
QUICK_TEXT(s_txtGerman, "Deutsch");
QUICK_TEXT(s_txtGreek, "Greek");
QUICK_TEXT(s_txtHungarian, "Magyar");
QUICK_TEXT(s_txtItalian, "Italiano");
QUICK_TEXT(s_txtLatvian, "Latviesu");
QUICK_TEXT(s_txtLithuanian, "Lietuviu");
QUICK_TEXT(s_txtNorwegian, "Norsk");
QUICK_TEXT(s_txtPolish, "Polski");
QUICK_TEXT(s_txtPortuguese, "Portugues");
QUICK_TEXT(s_txtRussian, "Russian");
QUICK_TEXT(s_txtSpanish, "Espanol");
QUICK_TEXT(s_txtSwedish, "Svenska");
QUICK_TEXT(s_txtTurkish, "Turkce");

const DB_TEXT_RECORD s_pLanguageList1[22] = {
    s_txtEnglish,   s_txtBulgarian, s_txtCroatian,   s_txtCzech,     s_txtDanish,     s_txtDutch,
    s_txtEstonian,  s_txtFinnish,   s_txtFrench,     s_txtGerman,    s_txtGreek,      s_txtHungarian,
    s_txtItalian,   s_txtLatvian,   s_txtLithuanian, s_txtNorwegian, s_txtPolish,     s_txtPortuguese,
    s_txtRussian,   s_txtSpanish,   s_txtSwedish,    s_txtTurkish};
const U32 s_pLanguageNums1[22] = {0, 17, 15, 14, 1, 2, 18, 3, 4, 5, 6, 7, 8, 19, 20, 9, 10, 11, 16, 12, 13, 21};
const DB_TEXT_RECORD s_pLanguageList2[3] = {s_txtEnglish, s_txtCroatian, s_txtRussian};
const U32 s_pLanguageNums2[3] = {0, 15, 16};

const DB_TEXT_RECORD s_apWaterTypes[3] = {s_txtFresh, s_txtSaltShallow, s_txtSaltDeep};
const U32 s_au32WaterTypes[3] = {0, 2, 1};

// The first-start maximums: 1500 ft, 500 m, 250 fathoms.
const MENU_LIMITS s_depthLimits[4] = {
    {U_FEET, 1.0f, 1500.0f, 1.0f},
    {U_METRES, 0.0f, 500.0f, 1.0f},
    {U_FATHOMS, 0.0f, 250.0f, 1.0f},
    {U_NONE, 1.0f, 10.0f, 1.0f},
};
const MENU_STEP_LEVELS s_depthSteps[4] = {
    {U_FEET, 50.0f, 150.0f}, {U_METRES, 15.0f, 45.0f}, {U_FATHOMS, 10.0f, 25.0f}, {U_NONE, 15.0f, 45.0f}};

std::atomic<BOOLEAN> s_bQuickConfigMenuDisplayed{FALSE};

}  // namespace

void T_STARTUP_vPrepareQuickConfig(BOOLEAN bLanguage1, BOOLEAN bLanguage2) {
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SSMD"), 0, P_DEFAULT_SETTING, D_DEPTH, nullptr, DB_NO_TIMEOUT);
  if (bLanguage1) {
    (void)U_MENU_bRegisterQuickSelectorMenu(s_txtLanguage, MENU_SET_LANGUAGE, FCID("SLNG"), 22, s_pLanguageList1,
                                            s_pLanguageNums1, M_BASIC);
  } else if (bLanguage2) {
    (void)U_MENU_bRegisterQuickSelectorMenu(s_txtLanguage, MENU_SET_LANGUAGE, FCID("SLNG"), 3, s_pLanguageList2,
                                            s_pLanguageNums2, M_BASIC);
  }
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SSWA"), 0, 5, D_UNKNOWN, s_txtWaterType, DB_NO_TIMEOUT);
  (void)U_MENU_bRegisterQuickSelectorMenu(s_txtWaterType, MENU_WATER_TYPE, FCID("SSWA"), 3, s_apWaterTypes,
                                          s_au32WaterTypes, M_BASIC);
  (void)U_MENU_bRegisterQuickVarStepSliderMenu(s_txtMaxDepth, MENU_MAX_DEPTH_TO_PING, FCID("SSMD"), s_depthLimits,
                                               s_depthSteps, s_txtAuto, nullptr, nullptr, M_BASIC);
}

void T_STARTUP_vQuickConfigShown(void) { s_bQuickConfigMenuDisplayed.store(TRUE); }

BOOLEAN T_STARTUP_bQuickConfigShown(void) { return s_bQuickConfigMenuDisplayed.load(); }

void T_STARTUP_vQuickConfigDone(void) {
  if (!s_bQuickConfigMenuDisplayed.exchange(FALSE)) return;
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  for (MENU_NAME item : {(MENU_NAME)s_txtLanguage, (MENU_NAME)s_txtWaterType, (MENU_NAME)s_txtMaxDepth}) {
    (void)U_MENU_bUnregisterQuickMenuItem(item);
  }
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), FALSE, P_NORMAL);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), TRUE, P_NORMAL);
  log_me("STARTUP: quick setup done");
}
