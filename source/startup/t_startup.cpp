// The start-up task (see t_startup.h).
#include "source/startup/t_startup.h"

#include <string.h>

#include <atomic>
#include <mutex>
#include <string>

#include "common/key_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/core/start.h"
#include "source/core/version.h"
#include "source/graphics/u_view.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_nvram.h"
#include "source/startup/t_startup_edit.h"
#include "source/startup/t_startup_status.h"
#include "source/startup/t_startup_quickconfig.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_keyboard_shutdown.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_menu.h"

const MBOX g_STARTUP_mboxTaskMailboxes[T_STARTUP_RUN_MAILBOXES] = {
    M_DISPLAY, M_KEYB,     M_MENU,       M_NVRAM,   M_VIEWKEY, M_VIEW,         M_COM1A,       M_INLINETEST,
    M_SOUND,   M_INFO,     M_ACCESSORY,  M_ACC_COMM, M_BAROMETER, M_DOWNRIGGER, M_GATEWAY,     M_GATEWAY_NAV,
    M_SPEED,   M_MMC,      M_CHART,      M_CHART3D, M_HTML,    M_NAV,          M_CHART_INFO,  M_NMEA,
    M_ALARM,   M_PCCOM,    M_WTEMP,      M_BATTERY, M_BUTTON,  M_PING,         M_PROCESS,     M_HISTORY,
    M_NETPING, M_SATWX,    M_SATWX_DATA, M_RADAR,   M_RADAR_DATA, M_RADAR_SERVER, M_RADAR_SERVER_TCP,
    M_RADAR_CLIENT, M_KEELAR, M_SYSTIME_EDIT, M_BT_REMOTE,
};

namespace {

#define STARTUP_TEXT(name, text)                                                                 \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
STARTUP_TEXT(s_txtNormal, "Normal");
STARTUP_TEXT(s_txtSimulator, "Simulator");
STARTUP_TEXT(s_txtSystemStatus, "System Status");
STARTUP_TEXT(s_txtPcConnect, "PC Connect");
STARTUP_TEXT(s_txtViewsTab, "Views");
STARTUP_TEXT(s_txtAccessoriesTab, "Accessories");
STARTUP_TEXT(s_txtSonar, "Sonar");
STARTUP_TEXT(s_txtDemonstration, "Demonstration");
STARTUP_TEXT(s_txtOff, "Off");
STARTUP_TEXT(s_txtOn, "On");
STARTUP_TEXT(s_txtVisible, "Visible");
STARTUP_TEXT(s_txtSelfTest, "Self Test");
STARTUP_TEXT(s_txtTimeOfOperation, "Time of Operation");

struct STARTUP_MENU_ROW {
  DB_TEXT_RECORD pString;
  BOOLEAN bIsNormalDefault;
  BOOLEAN bIsSimulatedDefault;
  SYSTEM_STATE state;
};
const STARTUP_MENU_ROW s_structStartupMenu[4] = {
    {s_txtNormal, TRUE, FALSE, STATE_NORMAL_RUN},
    {s_txtSimulator, FALSE, TRUE, STATE_SIMULATION},
    {s_txtSystemStatus, FALSE, FALSE, STATE_DIAGNOSTIC},
    {s_txtPcConnect, FALSE, FALSE, STATE_PC_CONNECT},
};
constexpr S32 MENU_LAST_LINE = 2;

struct HEADER_ITEM {
  FOURCHARID item;
  U32 defaultValue;
  U32 defaultValueDomestic;
};
const HEADER_ITEM s_sMyItems[9] = {
    {FCID("SMDL"), 345, 344},        {FCID("CREV"), 0, 0},           {FCID("SEDB"), 0xFFFFFFFFu, 0},
    {FCID("SEDU"), 0xFFFFFFFFu, 0}, {FCID("SEIB"), 0xFFFFFFFFu, 0}, {FCID("SEIU"), 0xFFFFFFFFu, 0},
    {FCID("SENB"), 0xFFFFFFFFu, 0}, {FCID("SENU"), 0xFFFFFFFFu, 0}, {FCID("SETB"), 0xFFFFFFFFu, 0},
};

const DB_TEXT_RECORD s_apOnOff[] = {s_txtOff, s_txtOn};
const DB_TEXT_RECORD s_apDemo[] = {s_txtOff, s_txtVisible};
const U32 s_au32OffOn[] = {0, 1};
STARTUP_TEXT(s_txtScreenSnapshot, "Screen Snapshot");
const U32 s_au32SnapshotOffOn[] = {0, 2};

constexpr U32 STARTUP_TIMEOUT_MS = 8000;
constexpr U32 MENU_TIMEOUT_MS = 5000;
constexpr U32 POLL_MS = 2000;
constexpr U32 AGE_POLLS = 300;
constexpr U32 TNVR_TRIES = 50;

// State shared with the draw callbacks (the view task's thread).
std::atomic<S32> s_eState{STATE_NORMAL_RUN};
std::atomic<S32> s_s32MenuLine{0};
std::atomic<BOOLEAN> s_bTransducerConnected{FALSE};
std::atomic<BOOLEAN> s_bSystemStarted{FALSE};
std::atomic<S32> s_eDisclaimerState{DISCLAIMER_INACTIVE};
// Written by the task, read by the splash screen on the view task.
char s_personalString[253];
std::mutex s_personalLock;

// The task's own state.
BOOLEAN s_bInMenu = FALSE;
S32 s_s32TransducerConnectedTimer = 2000;
TIMER_INFO* s_pTimer = nullptr;
BOOLEAN s_bShutdown = FALSE;
BOOLEAN s_bDiagnosticMode = FALSE;
BOOLEAN s_bInitialState = FALSE;
U32 u32AgeCountdown = AGE_POLLS;

void vFatal(const char* text) {
  ERROR_error("t_startup", 0, text);
  U_RESET_vReset();
}

void vSend(MBOX m, CMD_ID cmd) {
  auto* msg = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = cmd;
  if (L_MBOX_Send(m, msg, 3, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
}

void vSendKeyToNvram(CMD_ID cmd, FOURCHARID key) {
  auto* msg = static_cast<MSG_NVRAM_WRITE_TO_NVR*>(H_MEMORY_pvMalloc(sizeof(MSG_NVRAM_WRITE_TO_NVR)));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = cmd;
  msg->FourCharId = key;
  if (L_MBOX_Send(M_NVRAM, msg, 3, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
}

// Starts a platform task at priority 2 for the moment of its start.
void vStartTask(TASK id, BOOLEAN bRestore) {
  const S32 old = L_TASK_GetPriority(id);
  L_TASK_SetPriority(id, 2);
  L_TASK_Start(id);
  L_CLOCK_Sleep(0);
  if (bRestore) L_TASK_SetPriority(id, (PRIORITY)old);
}

void vWaitForKey(FOURCHARID key) {
  U32 value = 0;
  BOOLEAN bValid = FALSE;
  while (!H_DATABASE_bFetchU32(key, &value, &bValid) || !bValid || value == 0) L_CLOCK_Sleep(1);
}

BOOLEAN bFetchBool(FOURCHARID key, BOOLEAN* pValue) {
  U32 value = 0;
  if (!H_DATABASE_bFetchU32(key, &value)) return FALSE;
  *pValue = value != 0 ? TRUE : FALSE;
  return TRUE;
}

void vRestoreFactoryDefaults(void) { T_KEYBOARD_vRestoreFactoryDefaults(); }

void vClick(BOOLEAN bGood) { (void)L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

void vStartTimer(U32 ms, SEMA sema) {
  (void)L_TIMER_Stop(s_pTimer);
  (void)L_TIMER_Start(s_pTimer, ms, 0, sema);
}

// Waits so that the system does not start before 6 s after the program's
// start when a provisional state other than normal operation was chosen.
void vHoldBeforeStart(void) {
  if (s_eState.load() == STATE_NORMAL_RUN) return;
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (now < 6000) L_CLOCK_Sleep(6000 - now < 3000 ? 6000 - now : 3000);
}

void vRegisterScreen(DRAW_FUNCTION* pfnDraw, LAYER_ID layer) {
  (void)U_VIEW_bRegisterLayer(pfnDraw, layer, USED_BY_NONE, 0, 0, TRUE, nullptr, nullptr, nullptr);
  (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), (U32)layer, P_NORMAL);
}

void T_STARTUP_vStartSystem(void) {
  if (s_eDisclaimerState.load() == DISCLAIMER_INACTIVE) {
    SYSTEM_STATE state = (SYSTEM_STATE)s_eState.load();
    if (s_bInMenu) state = s_structStartupMenu[s_s32MenuLine.load()].state;
    if (!opt_nodisclaimer &&
        (state == STATE_NORMAL_RUN || state == STATE_SIMULATION || state == STATE_PRE_POINT_OF_SALE)) {
      (void)L_TIMER_Stop(s_pTimer);
      (void)L_SEMA_SetPending(SEMA_TIMER_STARTUP);
      vRegisterScreen(&T_STARTUP_vDisplayDisclaimer, STARTUP_CHART_DISCLAIMER);
      s_eDisclaimerState.store(DISCLAIMER_ACTIVE);
      log_me("STARTUP: chart disclaimer shown");
    }
  }
  if (!s_bSystemStarted.load() && s_eDisclaimerState.load() != DISCLAIMER_ACTIVE) {
    s_bSystemStarted.store(TRUE);
    (void)L_TIMER_Stop(s_pTimer);
    if (s_bInMenu) s_eState.store(s_structStartupMenu[s_s32MenuLine.load()].state);
    s_bInMenu = FALSE;
    const SYSTEM_STATE state = (SYSTEM_STATE)s_eState.load();
    (void)H_DATABASE_bUpdateEverythingU32(FCID("CCST"), (U32)state, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    U32 published = 0;
    (void)H_DATABASE_bFetchU32(FCID("CCST"), &published);
    if (published == STATE_NORMAL_RUN || published == STATE_SIMULATION) {
      if (!H_DATABASE_bFetch(FCID("SQCD"), nullptr)) {
        (void)H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
        vRestoreFactoryDefaults();
      }
      BOOLEAN bRestored = FALSE;
      if (bFetchBool(FCID("SRDF"), &bRestored) && bRestored) {
        (void)H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
        L_CLOCK_Sleep(1000);
        T_MENU_vActivateQuickMenu();
        T_STARTUP_vQuickConfigShown();
        (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
        log_me("STARTUP: quick setup shown");
      }
    }
    BOOLEAN bValid = FALSE, bAgain = FALSE;
    U32 again = 0;
    if (H_DATABASE_bFetchU32(FCID("SSRD"), &again, &bValid) && bValid && again != 0) {
      bAgain = TRUE;
      vRestoreFactoryDefaults();
      (void)H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), FALSE, P_NORMAL);
    }
    (void)bAgain;
    // After any restore of the defaults, which would hide the page again.
    if (published == STATE_DIAGNOSTIC) {
      s_bDiagnosticMode = TRUE;
      (void)bFetchBool(FCID("SVST"), &s_bInitialState);
      (void)H_DATABASE_bUpdateValueBoolean(FCID("SVST"), TRUE, P_NORMAL);
      T_STARTUP_STATUS_vEnter();
    } else {
      (void)U_KEYBOARD_bUnregisterKeys(M_STARTUP, 0xFFFE);
    }
    log_me("STARTUP: run system: state %d", (int)published);
    for (MBOX m : g_STARTUP_mboxTaskMailboxes) vSend(m, CMD_ID_RUN_SYSTEM);
    if (L_TIMER_Start(s_pTimer, POLL_MS, POLL_MS, SEMA_TIMER_DBPOLL) == nullptr) vFatal("Timer Problems");
    for (LAYER_ID layer : {STARTUP_SPLASH_VIEW_PRIORITY, STARTUP_MENU_VIEW_PRIORITY, STARTUP_CHART_DISCLAIMER}) {
      (void)U_VIEW_bUnRegisterLayer(layer);
    }
    if (published == STATE_NORMAL_RUN || published == STATE_SIMULATION) {
      (void)U_MENU_bRegisterMainSelectorMenu(s_txtDemonstration, g_MENU_txtSetupTab, MENU_DEMO_ENABLED, FCID("SDEN"),
                                             2, s_apDemo, s_au32OffOn, M_BASIC);
    }
  }
  vSend(M_DISPLAY, CMD_ID_START_VIDEO_OUT_CHECK);
  L_TASK_SetPriority(L_TASK_GetMyID(), 100);
}

void vReadPersonalText(void) {
  {
    std::lock_guard<std::mutex> hold(s_personalLock);
    memset(s_personalString, 0, sizeof s_personalString);
  }
  auto* msg = static_cast<MSG_READ_PERSONALIZED*>(H_MEMORY_pvMalloc(sizeof(MSG_READ_PERSONALIZED)));
  static PERSONALIZATION_DATA_BLOCK s_block;
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_READ_PERSONALIZED;
  msg->pPersonData = &s_block;
  if (L_MBOX_SendWait(M_NVRAM, msg, 3, SEMA_PERSONAL_DATA) == lsSUCCESS && msg->bSuccess) {
    std::lock_guard<std::mutex> hold(s_personalLock);
    memcpy(s_personalString, &s_block, sizeof s_block);
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  }
  H_MEMORY_vFree(msg);
}

void T_STARTUP_vInit(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TTAR"), (U32)M_STARTUP, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    vFatal("Somebody else registered the Startup Task Mailbox");
  }
  s_bTransducerConnected.store(FALSE);
  (void)H_DATABASE_bUpdateValueU32(FCID("ITXD"), 0xFFFFFFFFu, P_NORMAL);
  for (FOURCHARID k : {FCID("ECPM"), FCID("ELPM"), FCID("ENPM")}) (void)H_DATABASE_bUpdateValueU32(k, 0, P_NORMAL);
  (void)H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_STARTUP, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_STARTUP, TRUE, FALSE, FALSE);

  s_pTimer = L_TIMER_Allocate();
  if (s_pTimer == nullptr) vFatal("NO TIMER");
  (void)L_SEMA_SetPending(SEMA_TIMER_STARTUP);
  (void)L_TIMER_Start(s_pTimer, STARTUP_TIMEOUT_MS, 0, SEMA_TIMER_STARTUP);

  vStartTask(TASK_DISPTASK, FALSE);
  // Its pages, backlight and key exist before anything else starts.
  (void)L_SEMA_Wait(SEMA_DISPINIT_COMPLETE);
  vStartTask(TASK_VIEWTASK, FALSE);
  vWaitForKey(FCID("TVUE"));
  vRegisterScreen(&T_STARTUP_vDisplaySplashScreen, STARTUP_SPLASH_VIEW_PRIORITY);

  vStartTask(TASK_VIEWKEYTASK, TRUE);
  vStartTask(TASK_NVRTASK, TRUE);
  U32 tries = 0;
  for (;;) {
    U32 value = 0;
    BOOLEAN bValid = FALSE;
    if (H_DATABASE_bFetchU32(FCID("TNVR"), &value, &bValid) && bValid && value != 0) break;
    if (++tries >= TNVR_TRIES) {
      vFatal("STARTUP: Where's tNVRAM");
      return;
    }
    L_CLOCK_Sleep(100);
  }

  for (const HEADER_ITEM& row : s_sMyItems) {
    U32 value = 0;
    const BOOLEAN bPresent = H_DATABASE_bFetchU32(row.item, &value);
    if (bPresent && !(row.item == FCID("SMDL") && value == 0)) continue;
    (void)H_DATABASE_bUpdateEverythingU32(row.item, row.defaultValue, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    vSendKeyToNvram(CMD_ID_WRITE_TO_HEADER, row.item);
  }
  vReadPersonalText();

  vStartTask(TASK_KBDTASK, TRUE);
  vWaitForKey(FCID("TKBD"));
  (void)U_KEYBOARD_bRegisterKeys(M_STARTUP, 0xFBFE, KEY_DOWN, FALSE, FALSE, CURSOR_4, REGISTER_STARTUP);

  U32 model = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, &bValid) || !bValid) vFatal("Registering for SMDL");
  if (!MODEL_bRegisterModel(model)) {
    // A saved model this software does not know: run as the default model.
    log_me("STARTUP: saved model %u is not known; model %u is used", (unsigned)model, (unsigned)MODEL_DEFAULT);
    (void)H_DATABASE_bUpdateValueU32(FCID("SMDL"), MODEL_DEFAULT, P_NORMAL);
    (void)MODEL_bRegisterModel(MODEL_DEFAULT);
  }
  (void)H_DATABASE_bRegisterForDataWithConditions(FCID("SMDL"), M_STARTUP, TRUE, FALSE, FALSE);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);

  (void)VERSION_bDetectVersionChange();
  DB_DATA_TYPE age = DB_dataU32(0);
  const DB_ATTRIBUTES ageAttributes = {D_TIME, s_txtTimeOfOperation, 18000};
  H_DATABASE_vReadOrSetDefault(FCID("SAGE"), &age, P_NORMAL, &ageAttributes);
  (void)H_DATABASE_bUpdateValue(FCID("SAGS"), age, P_NORMAL);
  (void)H_DATABASE_bUpdateValueBoolean(FCID("SDEN"), TRUE, P_UNOWNED);

  vStartTask(TASK_MENUTASK, TRUE);
  vWaitForKey(FCID("TMNU"));
  (void)U_MENU_bRegisterTab(s_txtViewsTab, SELECT_VIEWS_TAB_PRIORITY, nullptr, M_BASIC);
  (void)U_MENU_bRegisterTab(g_MENU_txtAlarmsTab, ALARM_TAB_PRIORITY, nullptr, M_BASIC);
  (void)U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC);
  (void)U_MENU_bRegisterTab(s_txtAccessoriesTab, ACCESSORY_TAB_PRIORITY, nullptr, M_BASIC);
  (void)U_MENU_bRegisterMainSelectorMenu(s_txtSonar, g_MENU_txtSetupTab, MENU_SONAR_ENABLED, FCID("SSEN"), 2,
                                         s_apOnOff, s_au32OffOn, M_BASIC);
  DB_DATA_TYPE selfTest = DB_dataU32(FALSE);
  const DB_ATTRIBUTES selfTestAttributes = {D_UNKNOWN, s_txtSelfTest, DB_NO_TIMEOUT};
  H_DATABASE_vReadOrSetDefault(FCID("SVST"), &selfTest, P_NORMAL, &selfTestAttributes);
  (void)U_VIEW_bRegisterLayer(&T_STARTUP_vDrawSelfTestView, DIAGNOSTIC_SELF_TEST, USED_BY_NONE, 0, FCID("SVST"), FALSE,
                              nullptr, nullptr, nullptr);

  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || (MODEL_bDomesticModel() && language != 0)) {
    (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_NORMAL);
    vSendKeyToNvram(CMD_ID_WRITE_TO_NVR, FCID("SLNG"));
  } else if (MODEL_bInternationalModel2() && (language == 1 || language == 2)) {
    (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), language == 1 ? 15 : 16, P_NORMAL);
  }

  if (!H_DATABASE_bFetch(FCID("SQCD"), nullptr)) {
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
    (void)H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
    vRestoreFactoryDefaults();
  }
  BOOLEAN bRestored = FALSE;
  if (bFetchBool(FCID("SRDF"), &bRestored) && bRestored) {
    T_STARTUP_vPrepareQuickConfig(MODEL_bInternationalModel1(), MODEL_bInternationalModel2());
  }

  BOOLEAN bConnected = S_DETECT_bTransducerConnected();
  BOOLEAN bDemo = TRUE;
  if (bFetchBool(FCID("SDEN"), &bDemo) && !bDemo) bConnected = TRUE;
  s_bTransducerConnected.store(bConnected);
  (void)H_DATABASE_bUpdateValueU32(FCID("ITXD"), bConnected ? 1 : 0, P_NORMAL);

  BOOLEAN bSonar = TRUE;
  BOOLEAN bLink = FALSE, bLinkValid = FALSE;
  U32 link = 0;
  if (H_DATABASE_bFetchU32(FCID("SFEF"), &link, &bLinkValid) && bLinkValid) bLink = link != 0 ? TRUE : FALSE;
  if ((bFetchBool(FCID("SSEN"), &bSonar) && !bSonar) || !bDemo || bConnected || bLink) {
    s_eState.store(STATE_NORMAL_RUN);
    s_s32TransducerConnectedTimer = 0;
  } else {
    (void)U_VIEW_bRegisterLayer(&T_STARTUP_vDrawTransducerNotDetected, TRANSDUCER_NOT_DETECTED_LAYER, USED_BY_ALL, 0,
                                0, TRUE, nullptr, nullptr, nullptr);
    U32 serial = 0;
    const BOOLEAN bUnset = (H_DATABASE_bFetchU32(FCID("SENU"), &serial) && serial == 0xFFFFFFFFu) ? TRUE : FALSE;
    s_eState.store(bUnset ? STATE_BURN_IN : STATE_POINT_OF_SALE);
  }
  log_me("STARTUP: transducer %s, provisional state %d", bConnected ? "connected" : "not connected",
         (int)s_eState.load());
  L_TASK_SetPriority(TASK_DISPTASK, 100);
  L_TASK_SetPriority(TASK_VIEWTASK, 100);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  s_eDisclaimerState.store(DISCLAIMER_INACTIVE);
}

void vHandleKey(const MSG_KEY_CHANGE* key) {
  // The network settings editor and its dialogs see every key first.
  const BOOLEAN bEditing = T_STARTUP_EDIT_bActive();
  if (T_STARTUP_EDIT_bHandleConfKeys(key) || T_STARTUP_EDIT_bHandleKeys(key)) {
    // Closing the editor gave its keys back: the status page takes them.
    if (bEditing && !T_STARTUP_EDIT_bActive() && s_bDiagnosticMode) T_STARTUP_STATUS_vRegisterKeys();
    return;
  }
  if (s_bDiagnosticMode) {
    T_STARTUP_STATUS_vHandleKey(key);
    return;
  }
  if (s_eState.load() == STATE_DIAGNOSTIC) return;
  if (s_eDisclaimerState.load() == DISCLAIMER_ACTIVE) {
    if (s_eState.load() == STATE_PRE_POINT_OF_SALE) {
      s_eState.store(STATE_NORMAL_RUN);
    } else {
      vHoldBeforeStart();
    }
    s_eDisclaimerState.store(DISCLAIMER_FINISHED);
    vClick(TRUE);
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    T_STARTUP_vStartSystem();
    return;
  }
  if (s_bSystemStarted.load()) return;
  switch (key->key) {
    case KEY_MASK_EXIT:
      vClick(TRUE);
      vHoldBeforeStart();
      T_STARTUP_vStartSystem();
      break;
    case KEY_MASK_MENU:
      if (!s_bInMenu) {
        vClick(TRUE);
        S32 line = 0;
        for (S32 i = 0; i <= MENU_LAST_LINE; i++) {
          const BOOLEAN bDefault = s_bTransducerConnected.load() ? s_structStartupMenu[i].bIsNormalDefault
                                                                 : s_structStartupMenu[i].bIsSimulatedDefault;
          if (bDefault) line = i;
        }
        s_s32MenuLine.store(line);
        (void)U_VIEW_bUnRegisterLayer(TRANSDUCER_NOT_DETECTED_LAYER);
        (void)L_TIMER_Stop(s_pTimer);
        (void)L_SEMA_SetPending(SEMA_TIMER_STARTUP);
        (void)U_VIEW_bRegisterLayerSplit(&T_STARTUP_vDisplayStartupMenu, STARTUP_MENU_VIEW_PRIORITY, USED_BY_NONE, 0,
                                         0, TRUE, nullptr, nullptr, nullptr, SPLIT_FULL_WINDOW, 0);
        (void)H_DATABASE_bUpdateValueU32(FCID("CVEW"), STARTUP_MENU_VIEW_PRIORITY, P_NORMAL);
        s_bInMenu = TRUE;
        log_me("STARTUP: start-up options shown");
      } else {
        vClick(FALSE);
      }
      vStartTimer(MENU_TIMEOUT_MS, SEMA_TIMER_STARTUP);
      break;
    case KEY_MASK_CURSOR: {
      if (!s_bInMenu) break;
      vStartTimer(MENU_TIMEOUT_MS, SEMA_TIMER_STARTUP);
      const S32 line = s_s32MenuLine.load();
      if (key->cursor == CURSOR_EAST) {
        vClick(TRUE);
        T_STARTUP_vStartSystem();
      } else if (key->cursor == CURSOR_SOUTH && line < MENU_LAST_LINE) {
        s_s32MenuLine.store(line + 1);
        vClick(TRUE);
        (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      } else if (key->cursor == CURSOR_NORTH && line > 0) {
        s_s32MenuLine.store(line - 1);
        vClick(TRUE);
        (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      } else {
        vClick(FALSE);
      }
      break;
    }
    default:
      vClick(FALSE);
      break;
  }
}

void vPoll(void) {
  H_DATABASE_vSendAllInvalidData();
  U32 age = 0;
  if (H_DATABASE_bFetchU32(FCID("SAGE"), &age)) {
    if (--u32AgeCountdown == 0) {
      u32AgeCountdown = AGE_POLLS;
      (void)H_DATABASE_bUpdateValueU32(FCID("SAGE"), age + 600, P_NORMAL);
      (void)H_DATABASE_bUpdateValueU32(FCID("SAGS"), age + 600, P_NORMAL);
    }
  }
  if (!s_bTransducerConnected.load()) {
    U32 state = 0;
    if (H_DATABASE_bFetchU32(FCID("CCST"), &state) && state == STATE_BURN_IN) s_s32TransducerConnectedTimer = 4000;
    if (s_s32TransducerConnectedTimer >= 0) {
      s_s32TransducerConnectedTimer -= (S32)POLL_MS;
      if (s_s32TransducerConnectedTimer <= 0) {
        (void)U_VIEW_bUnRegisterLayer(TRANSDUCER_NOT_DETECTED_LAYER);
        (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      }
    }
  }
}

void vHandleMessage(void* message) {
  auto* generic = static_cast<GENERIC_MESSAGE*>(message);
  if (s_bShutdown) return;
  switch (generic->Cmd) {
    case CMD_ID_SHUTDOWN:
      s_bShutdown = TRUE;
      (void)L_TIMER_Stop(s_pTimer);
      (void)L_TIMER_Release(s_pTimer);
      s_pTimer = nullptr;
      for (LAYER_ID layer : {TRANSDUCER_NOT_DETECTED_LAYER, STARTUP_SPLASH_VIEW_PRIORITY, STARTUP_MENU_VIEW_PRIORITY,
                             STARTUP_CHART_DISCLAIMER}) {
        (void)U_VIEW_bUnRegisterLayer(layer);
      }
      if (s_bDiagnosticMode) (void)H_DATABASE_bUpdateValueBoolean(FCID("SVST"), s_bInitialState, P_NORMAL);
      break;
    case CMD_ID_NEW_DATA: {
      auto* notice = static_cast<MESSAGE_NEW_DATA*>(message);
      if (notice->FourCharId == FCID("SMDL")) {
        (void)MODEL_bRegisterModel(notice->dbValue.u32Val);
        (void)H_DATABASE_bUpdateValueU32(FCID("SLNG"), 0, P_NORMAL);
        vSendKeyToNvram(CMD_ID_WRITE_TO_NVR, FCID("SLNG"));
      } else if (notice->FourCharId == FCID("CCST")) {
        const S32 state = (S32)notice->dbValue.u32Val;
        if (state == STATE_STARTUP) break;  // the start-up's own first write
        s_eState.store(state);
        s_bInMenu = FALSE;
        if (state == STATE_INLINE_TEST) {
          (void)U_VIEW_bUnRegisterLayer(TRANSDUCER_NOT_DETECTED_LAYER);
          (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
        }
        if (!s_bSystemStarted.load()) T_STARTUP_vStartSystem();
      }
      break;
    }
    case CMD_ID_KEY_CHANGE:
      vHandleKey(static_cast<MSG_KEY_CHANGE*>(message));
      break;
    case CMD_ID_RESET_POS: {
      const BOOLEAN bEditing = T_STARTUP_EDIT_eState() != STARTUP_EDIT_NONE;
      T_STARTUP_EDIT_vResetState();
      if (bEditing && !T_STARTUP_EDIT_bActive() && s_bDiagnosticMode) T_STARTUP_STATUS_vRegisterKeys();
      break;
    }
    default:
      break;
  }
}

}  // namespace

BOOLEAN T_STARTUP_bIsSonarTransducerDetected(void) { return s_bTransducerConnected.load(); }

void T_STARTUP_vSetSonarTransducerDetected(BOOLEAN bDetected) { s_bTransducerConnected.store(bDetected ? TRUE : FALSE); }

void T_STARTUP_vTask(void) {
  T_STARTUP_vInit();
  bStartupTaskInitialized.store(1, std::memory_order_release);
  const SEMA events[] = {SEMA_MBOX_STARTUP, SEMA_TIMER_DBPOLL, SEMA_TIMER_STARTUP, SEMA_PERSONAL_DATA, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(events);
    if (fired == SEMA_TIMER_STARTUP && !s_bShutdown) {
      if (!s_bSystemStarted.load()) T_STARTUP_vStartSystem();
    } else if (fired == SEMA_TIMER_DBPOLL && !s_bShutdown) {
      vPoll();
    }
    while (void* message = L_MBOX_Receive(M_STARTUP)) {
      vHandleMessage(message);
      H_MEMORY_vDumpMail(message);
    }
  }
}

// ------------------------------------------------------------ screens' view of the state

void T_STARTUP_vSetScreenState(const STARTUP_SCREEN_STATE& state) {
  s_eState.store(state.eState);
  s_s32MenuLine.store(state.s32MenuLine);
  s_bTransducerConnected.store(state.bTransducerConnected);
  s_bSystemStarted.store(state.bSystemStarted);
  s_eDisclaimerState.store(state.eDisclaimer);
  std::lock_guard<std::mutex> hold(s_personalLock);
  memcpy(s_personalString, state.acPersonal, sizeof s_personalString);
}

// Read by the screens (t_startup_screens.cpp).
SYSTEM_STATE T_STARTUP_eScreenState(void) { return (SYSTEM_STATE)s_eState.load(); }
S32 T_STARTUP_s32ScreenMenuLine(void) { return s_s32MenuLine.load(); }
BOOLEAN T_STARTUP_bScreenStarted(void) { return s_bSystemStarted.load(); }
DISCLAIMER T_STARTUP_eScreenDisclaimer(void) { return (DISCLAIMER)s_eDisclaimerState.load(); }
std::string T_STARTUP_sScreenPersonal(void) {
  std::lock_guard<std::mutex> hold(s_personalLock);
  return std::string(s_personalString, strnlen(s_personalString, 252));
}
const char* T_STARTUP_pcMenuLineText(S32 line) {
  return (line >= 0 && line <= MENU_LAST_LINE) ? s_structStartupMenu[line].pString[0] : "";
}

void T_STARTUP_vRegisterSnapshotMenu(void) {
  if (!U_MENU_bRegisterMainSelectorMenu(s_txtScreenSnapshot, s_txtAccessoriesTab, MENU_SCREEN_CAPTURE, FCID("SCSC"), 2,
                                        s_apOnOff, s_au32SnapshotOffOn, M_BASIC)) {
    log_me("STARTUP: Screen Snapshot item not registered");
  }
}
