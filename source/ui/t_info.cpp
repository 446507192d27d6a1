// The readout task: the readout slots and their defaults, the digits
// format, the readout selection menus built from the published readout
// sources, the once-a-second blink phase, the info colours of the palette
// and the accessory readout slots.
#include "source/ui/t_info.h"

#include <string.h>

#include <atomic>
#include <mutex>

#include "common/language.h"
#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/graphics/u_fonts.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_menu.h"
#include "source/ui/ui_upcalls.h"

const FOURCHARID T_INFO_afcidSlots[INFO_SLOTS] = {FCID("SC50"), FCID("SC51"), FCID("SC52"), FCID("SC53"),
                                                  FCID("SC54"), FCID("SC55"), FCID("SC56"), FCID("SC57"),
                                                  FCID("SC58"), FCID("SC59")};

namespace {

#define INFO_TEXT(name, text)                                                                                   \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
INFO_TEXT(s_txtOff, "Off");
INFO_TEXT(s_txtTimer, "Timer");
INFO_TEXT(s_txtDigitsFormat, "Digits Format");
INFO_TEXT(s_txtSmallTenths, "Small tenths");
INFO_TEXT(s_txtLargeTenths, "Large tenths");
INFO_TEXT(s_txtNoTenths, "No tenths");
INFO_TEXT(s_txtUnitsDepth, "Units - Depth");
INFO_TEXT(s_txtFeet, "Feet");
INFO_TEXT(s_txtMeters, "Meters");
INFO_TEXT(s_txtFathoms, "Fathoms");
INFO_TEXT(s_txtSelectReadouts, "Select Readouts");
INFO_TEXT(s_txtSelectNavReadouts, "Select Nav Readouts");
INFO_TEXT(s_txtReadout1, "Readout 1");
INFO_TEXT(s_txtReadout2, "Readout 2");
INFO_TEXT(s_txtReadout3, "Readout 3");
INFO_TEXT(s_txtReadout4, "Readout 4");
INFO_TEXT(s_txtReadout5, "Readout 5");
#undef INFO_TEXT

const DB_TEXT_RECORD s_apReadoutNames[5] = {s_txtReadout1, s_txtReadout2, s_txtReadout3, s_txtReadout4,
                                            s_txtReadout5};
const DB_TEXT_RECORD s_apDigitsChoices[] = {s_txtSmallTenths, s_txtLargeTenths, s_txtNoTenths};
const U32 s_au32DigitsValues[] = {SMALL_TENTHS, LARGE_TENTHS, NO_TENTHS};
const DB_TEXT_RECORD s_apDepthDomestic[] = {s_txtFeet, s_txtFathoms};
const U32 s_au32DepthDomestic[] = {U_FEET, U_FATHOMS};
const DB_TEXT_RECORD s_apDepthAll[] = {s_txtMeters, s_txtFeet, s_txtFathoms};
const U32 s_au32DepthAll[] = {U_METRES, U_FEET, U_FATHOMS};
const DB_TEXT_RECORD s_apSelectReadouts[] = {s_txtSelectReadouts};
const DB_TEXT_RECORD s_apSelectNavReadouts[] = {s_txtSelectNavReadouts};

const FOURCHARID s_afcidDefaults[INFO_SLOTS] = {FCID("BDEP"), FCID("QXTE"), FCID("BSPD"), FCID("BHDG"),
                                               FCID("QBRG"), FCID("BDEP"), FCID("BPOS"), FCID("BSPD"),
                                               FCID("BHDG"), FCID("BVLT")};

// The info colour sets (background, light, dark, text).
const COLOR acInfoPaletteBlueBackground[4] = {0x2815, 0x7BFF, 0x8C94, 0xFFFF};
const COLOR acInfoPaletteBlackBackground[4] = {0x0000, 0x5AF5, 0x424A, 0xFFFF};
const COLOR acInfoPaletteWhiteBackground[4] = {0xFFFF, 0xB5B4, 0x424A, 0x0000};

// The choice lists; read by the menu task under RES_MENU, so they are
// rebuilt under it.
DB_TEXT_RECORD aBoxBChoices[INFO_MAX_CHOICES];
U32 aBoxBValues[INFO_MAX_CHOICES];
int s_nBChoices = -1;
DB_TEXT_RECORD aBoxQChoices[INFO_MAX_CHOICES];
U32 aBoxQValues[INFO_MAX_CHOICES];
int s_nQChoices = -1;
DB_TEXT_RECORD aBoxBplusQChoicesTemp[INFO_MAX_CHOICES];
U32 aBoxBplusQValuesTemp[INFO_MAX_CHOICES];
int s_nNavChoices = -1;

std::atomic<bool> s_bRunning{false};
std::atomic<bool> s_bBlinkStateOn{false};
std::atomic<int> s_nPropIconId{0};
U32 s_ePalette = 0;
S32 s_s32CurrentView = NO_VIEW_PRIORITY;
bool s_bNavMenuWithdrawn = false;
bool s_bMenusRegistered = false;
TIMER_INFO* s_pBlinkTimer = nullptr;

// Accessory placement requests.
std::mutex s_placeLock;
FOURCHARID s_fcid[6];
S32 s_nWindow[6];
int s_nRequests = 0;

const char* pcName(DB_TEXT_RECORD p, U32 language) {
  if (p == nullptr) return "";
  const char* s = p[language < NUMBER_OF_LANGUAGES ? language : 0];
  return s != nullptr ? s : "";
}

int nCompare(DB_TEXT_RECORD a, DB_TEXT_RECORD b, U32 language) {
  return strncmp(pcName(a, language), pcName(b, language), 10);
}

bool bNmea2kView(S32 view) { return view >= 67 && view <= 70; }

void vRegisterSelectors(bool bNavigation) {
  for (int i = 0; i < 5; ++i) {
    (void)U_MENU_bRegisterSubMenuSelectorMenu(s_apReadoutNames[i], s_txtSelectReadouts, nullptr,
                                              (MENU_PRIORITY)(MENU_PRIORITY_0 + i), T_INFO_afcidSlots[5 + i],
                                              (U32)s_nBChoices, aBoxBChoices, aBoxBValues, M_BASIC);
    if (!bNavigation) continue;
    (void)U_MENU_bRegisterSubMenuSelectorMenu(s_apReadoutNames[i], s_txtSelectNavReadouts, nullptr,
                                              (MENU_PRIORITY)(MENU_PRIORITY_0 + i), T_INFO_afcidSlots[i],
                                              (U32)s_nNavChoices, aBoxBplusQChoicesTemp, aBoxBplusQValuesTemp,
                                              M_BASIC);
  }
}

void vRegisterNavSubMenu(void) {
  (void)U_MENU_bRegisterSubMenu(s_txtSelectNavReadouts, NO_PRIORITY, nullptr, M_ADVANCED);
  (void)U_MENU_bRegisterMainSubMenu(s_txtSelectNavReadouts, g_MENU_txtSetupTab, MENU_DIGITAL_NAV_READOUTS,
                                    s_apSelectNavReadouts, s_apSelectNavReadouts, nullptr, 1, M_ADVANCED);
}

void vLoadLanguage(void) {
  U32 language = 0;
  (void)H_DATABASE_bFetchU32(FCID("SLNG"), &language);
  U_FONTS_vSelectFontSet((int)language);
}

void vLoadPalette(void) {
  U32 palette = 0;
  (void)H_DATABASE_bFetchU32(FCID("SPAL"), &palette);
  T_INFO_vLoadInfoColors(palette);
  s_ePalette = palette;
}

void vRunSystem(void) {
  if (!s_bRunning.load()) {
    (void)U_MENU_bRegisterMainSelectorMenu(s_txtDigitsFormat, g_MENU_txtSetupTab, MENU_DIGITS_FORMAT, FCID("SFMT"), 3,
                                           s_apDigitsChoices, s_au32DigitsValues, M_ADVANCED);
    if (MODEL_bDomesticModel()) {
      (void)U_MENU_bRegisterMainSelectorMenu(s_txtUnitsDepth, g_MENU_txtSetupTab, MENU_UNITS_DEPTH, FCID("YUDP"), 2,
                                             s_apDepthDomestic, s_au32DepthDomestic, M_BASIC);
    } else {
      (void)U_MENU_bRegisterMainSelectorMenu(s_txtUnitsDepth, g_MENU_txtSetupTab, MENU_UNITS_DEPTH, FCID("YUDP"), 3,
                                             s_apDepthAll, s_au32DepthAll, M_BASIC);
    }
    s_bRunning.store(true);
    T_INFO_vUpdateInfoboxChoices(FALSE);
  }
  if (s_pBlinkTimer == nullptr) {
    s_pBlinkTimer = L_TIMER_Allocate();
    if (s_pBlinkTimer == nullptr) FATAL_ERROR("No Timers");
    (void)L_TIMER_Start(s_pBlinkTimer, INFO_BLINK_PERIOD_MS, INFO_BLINK_PERIOD_MS, SEMA_TIMER_INFO);
  }
}

void vNewData(const MESSAGE_NEW_DATA* pMsg) {
  if (!s_bRunning.load()) return;
  if (pMsg->FourCharId == FCID("SLNG")) {
    vLoadLanguage();
    T_INFO_vUpdateInfoboxChoices(FALSE);
  } else if (pMsg->FourCharId == FCID("SPAL")) {
    vLoadPalette();
  } else if (pMsg->FourCharId == FCID("INIP")) {
    T_INFO_vUpdateInfoboxChoices(FALSE);
  } else if (pMsg->FourCharId == FCID("CVEW")) {
    s_s32CurrentView = pMsg->dbValue.s32Val;
  }
}

void vHandleMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_RUN_SYSTEM:
      vRunSystem();
      break;
    case CMD_ID_NEW_DATA:
      vNewData(reinterpret_cast<const MESSAGE_NEW_DATA*>(pMsg));
      break;
    case CMD_ID_RESET_POS:
      T_INFO_vSetDefaultSettings(TRUE);
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

void vBlink(void) {
  s_nPropIconId.store((s_nPropIconId.load() + 1) % 3);
  T_ALARM_vCheckTimer();
  s_bBlinkStateOn.store(!s_bBlinkStateOn.load());
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

}  // namespace

BOOLEAN T_INFO_bBlinkState(void) { return s_bBlinkStateOn.load() ? TRUE : FALSE; }
int T_INFO_nPropIconId(void) { return s_nPropIconId.load(); }
BOOLEAN T_INFO_bRunning(void) { return s_bRunning.load() ? TRUE : FALSE; }

void T_INFO_vLoadInfoColors(U32 u32Palette) {
  const COLOR* set = u32Palette == 2   ? acInfoPaletteBlueBackground
                     : u32Palette == 3 ? acInfoPaletteBlackBackground
                                       : acInfoPaletteWhiteBackground;
  COLOR_vSetColorTableSection(INFO_COLOR_BACKGROUND, 4, set);
}

void T_INFO_vSetDefaultSettings(BOOLEAN bForce) {
  const U32 priority = bForce ? P_NORMAL : P_DEFAULT_SETTING;
  for (int i = 0; i < INFO_SLOTS; ++i) {
    (void)H_DATABASE_bUpdateEverythingU32(T_INFO_afcidSlots[i], s_afcidDefaults[i], priority, D_FCID, nullptr,
                                          DB_NO_TIMEOUT);
  }
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SFMT"), LARGE_TENTHS, priority, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

int vFetchAllBeginningWith(char cFirst, DB_TEXT_RECORD* apChoices, U32* au32Values, U32 language) {
  apChoices[0] = s_txtOff;
  au32Values[0] = 0;
  int count = 1;
  MULTI_FETCH_CONTROL_STRUCTURE control;
  memset(&control, 0, sizeof control);
  control.cMatch = (U8)cFirst;
  while (count < INFO_MAX_CHOICES && H_DATABASE_bFetchNextBeginningWith(&control)) {
    if (control.extras.ppcText == nullptr) continue;
    int at = 0;
    while (at < count && nCompare(apChoices[at], control.extras.ppcText, language) <= 0) ++at;
    for (int i = count; i > at; --i) {
      apChoices[i] = apChoices[i - 1];
      au32Values[i] = au32Values[i - 1];
    }
    apChoices[at] = control.extras.ppcText;
    au32Values[at] = control.id;
    ++count;
  }
  return count;
}

// Over the network data, gauge and engine views the navigation readouts are
// withdrawn from the Setup tab. "Select Readouts" stays offered there, so its
// rows are registered again on every rebuild, in the current language's
// order: left empty, the sub menu would open onto nothing.
void T_INFO_vUpdateInfoboxChoices(BOOLEAN bNavigationOnly) {
  (void)bNavigationOnly;
  if (!s_bMenusRegistered) {
    s_bMenusRegistered = true;
    (void)U_MENU_bRegisterSubMenu(s_txtSelectReadouts, NO_PRIORITY, nullptr, M_ADVANCED);
    (void)U_MENU_bRegisterMainSubMenu(s_txtSelectReadouts, g_MENU_txtSetupTab, MENU_DIGITAL_READOUTS,
                                      s_apSelectReadouts, s_apSelectReadouts, nullptr, 1, M_ADVANCED);
  } else {
    for (int i = 0; i < 5; ++i) {
      (void)U_MENU_bUnregisterSubMenuItem(s_txtSelectReadouts, s_apReadoutNames[i]);
      (void)U_MENU_bUnregisterSubMenuItem(s_txtSelectNavReadouts, s_apReadoutNames[i]);
    }
    (void)U_MENU_bRegisterMainSubMenu(s_txtSelectReadouts, g_MENU_txtSetupTab, MENU_DIGITAL_READOUTS,
                                      s_apSelectReadouts, s_apSelectReadouts, nullptr, 1, M_ADVANCED);
  }
  const bool bWithdraw = bNmea2kView(s_s32CurrentView);
  if (bWithdraw) {
    if (!s_bNavMenuWithdrawn) (void)U_MENU_bUnregisterMainMenuItem(s_txtSelectNavReadouts, g_MENU_txtSetupTab);
  } else {
    vRegisterNavSubMenu();
  }
  s_bNavMenuWithdrawn = bWithdraw;
  const U32 language = (U32)nCurrentLanguage();
  (void)L_MUTEX_LockWait(RES_MENU);
  s_nBChoices = vFetchAllBeginningWith('B', aBoxBChoices, aBoxBValues, language);
  s_nQChoices = vFetchAllBeginningWith('Q', aBoxQChoices, aBoxQValues, language);
  // The navigation list: the Q list with the B list merged in, "Off" once.
  int n = s_nQChoices;
  memcpy(aBoxBplusQChoicesTemp, aBoxQChoices, sizeof aBoxQChoices);
  memcpy(aBoxBplusQValuesTemp, aBoxQValues, sizeof aBoxQValues);
  for (int b = 0; b < s_nBChoices && n < INFO_MAX_CHOICES; ++b) {
    int at = 0;
    while (at < n && nCompare(aBoxBplusQChoicesTemp[at], aBoxBChoices[b], language) < 0) ++at;
    if (at < n && aBoxBplusQValuesTemp[at] == aBoxBValues[b]) continue;
    for (int i = n; i > at; --i) {
      aBoxBplusQChoicesTemp[i] = aBoxBplusQChoicesTemp[i - 1];
      aBoxBplusQValuesTemp[i] = aBoxBplusQValuesTemp[i - 1];
    }
    aBoxBplusQChoicesTemp[at] = aBoxBChoices[b];
    aBoxBplusQValuesTemp[at] = aBoxBValues[b];
    ++n;
  }
  s_nNavChoices = n;
  (void)L_MUTEX_Unlock(RES_MENU);
  vRegisterSelectors(!bWithdraw);
}

int T_INFO_nChoices(char cList, DB_TEXT_RECORD* apChoices, U32* au32Values) {
  (void)L_MUTEX_LockWait(RES_MENU);
  const DB_TEXT_RECORD* pc = cList == 'B' ? aBoxBChoices : cList == 'Q' ? aBoxQChoices : aBoxBplusQChoicesTemp;
  const U32* pv = cList == 'B' ? aBoxBValues : cList == 'Q' ? aBoxQValues : aBoxBplusQValuesTemp;
  const int n = cList == 'B' ? s_nBChoices : cList == 'Q' ? s_nQChoices : s_nNavChoices;
  for (int i = 0; i < n; ++i) {
    if (apChoices != nullptr) apChoices[i] = pc[i];
    if (au32Values != nullptr) au32Values[i] = pv[i];
  }
  (void)L_MUTEX_Unlock(RES_MENU);
  return n;
}

namespace {
const FOURCHARID s_afcidAccessory[6] = {FCID("SIS1"), FCID("SIS2"), FCID("SIS3"),
                                        FCID("SIS4"), FCID("SIS5"), FCID("SIS6")};

// Under s_placeLock.
BOOLEAN bPlace(FOURCHARID fcidSource, S32 d) {
  if (d < 1 || d > 6) return FALSE;
  for (FOURCHARID slot : s_afcidAccessory) {
    U32 value = 0;
    if (H_DATABASE_bFetchU32(slot, &value) && value == fcidSource) return TRUE;
  }
  for (int k = 0; k < 6; ++k) {
    const FOURCHARID slot = s_afcidAccessory[(d - 1 + k) % 6];
    U32 value = 1;
    if (H_DATABASE_bFetchU32(slot, &value) && value == 0) {
      (void)H_DATABASE_bUpdateValueU32(slot, fcidSource, P_NORMAL);
      return TRUE;
    }
  }
  return FALSE;
}
}  // namespace

BOOLEAN U_INFO_bDisplayInInfoBox(FOURCHARID fcidSource, S32 s32DesiredSlot) {
  std::lock_guard<std::mutex> lock(s_placeLock);
  if (s_nRequests >= 6) return FALSE;
  s_fcid[s_nRequests] = fcidSource;
  s_nWindow[s_nRequests] = s32DesiredSlot;
  ++s_nRequests;
  return bPlace(fcidSource, s32DesiredSlot);
}

void U_INFO_vReinitializeInfoBoxes(void) {
  std::lock_guard<std::mutex> lock(s_placeLock);
  for (int i = 0; i < s_nRequests; ++i) (void)bPlace(s_fcid[i], s_nWindow[i]);
}

void T_INFO_vTask(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TINF"), M_INFO, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Info Task Maibox");
  }
  T_INFO_vSetDefaultSettings(FALSE);
  for (FOURCHARID key : {FCID("SLNG"), FCID("INIP"), FCID("CVEW"), FCID("SPAL")}) {
    (void)H_DATABASE_bRegisterForDataWithConditions(key, M_INFO, TRUE, TRUE, FALSE);
  }
  vLoadLanguage();
  vLoadPalette();
  (void)H_DATABASE_bFetchS32(FCID("CVEW"), &s_s32CurrentView);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("ITAW"), 0, P_NORMAL, D_TIME, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("BTAW"), FCID("ITAW"), P_NORMAL, D_FCID, s_txtTimer, DB_NO_TIMEOUT);
  static const SEMA s_waitList[] = {SEMA_MBOX_INFO, SEMA_INFOBOX_UPDATE, SEMA_TIMER_INFO, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(s_waitList);
    if (fired == SEMA_TIMER_INFO) {
      vBlink();
    } else if (fired == SEMA_INFOBOX_UPDATE) {
      if (s_bRunning.load()) T_INFO_vUpdateInfoboxChoices(FALSE);
    } else if (fired == SEMA_MBOX_INFO) {
      while (void* pMsg = L_MBOX_Receive(M_INFO)) vHandleMessage(static_cast<GENERIC_MESSAGE*>(pMsg));
    } else {
      log_me("INFO: cannot wait on its semaphores (%d)", (int)fired);
      L_CLOCK_Sleep(1000);
    }
  }
}
