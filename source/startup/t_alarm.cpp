// The alarm task: the table of kept alarms (one slot per kind), the choice
// of the displayed alarm, its tones, its keys, the dialog layer and the
// alarm peers on the network.
#include "source/startup/t_alarm.h"

#include <stdio.h>
#include <string.h>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/key_types.h"
#include "common/language.h"
#include "common/u_netdest.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_line.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/u_view.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/u_dialog.h"

std::atomic<U32 (*)(TONE_SEQUENCE, const SOUND*)> g_ALARM_pfnToneLength{&U_SOUND_u32CalculateSoundLength};

namespace {

constexpr U32 ALARM_MSG_PRIORITY = 3;
constexpr U32 TIMER_REMINDER_MS = 500;
constexpr U32 REMINDER_DELAY_MS = 1000;
constexpr U16 DIALOG_WIDTH = 533;

#define ALARM_TEXT_RECORD(name, text)                                                                     \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
ALARM_TEXT_RECORD(s_txtLostSource, "Lost Source");

// ------------------------------------------------------------ task state
// The table, its count and the displayed slot: RES_ALARMLIST.
ALARM_SET_MESSAGE* s_pAlarmSetMessageList[NUMBER_OF_SUPPORTED_ALARMS];
U32 s_u32ActiveAlarmsInList = 0;
S32 s_CurrentAlarmMessageBeingDisplayed = -1;
// Alarm task only.
TIMER_INFO* s_pReminderToneTimer = nullptr;
TIMER_INFO* s_pSecondToneTimer = nullptr;
NetworkDestinationsType* s_pPeers = nullptr;
std::atomic<U32> s_u32PeerCount{0};
bool s_bRunning = true;
bool s_bRegisteredWithNetwork = false;

const char* pcText(DB_TEXT_RECORD record) {
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || language >= (U32)NUMBER_OF_LANGUAGES) language = 0;
  return record[language];
}

bool bHasTone(TONE_SEQUENCE id, const SOUND* custom) { return id != TONE_USE_CUSTOM || custom != nullptr; }

U32 u32ToneLength(TONE_SEQUENCE id, const SOUND* custom) {
  return g_ALARM_pfnToneLength.load()(id, custom);
}

void vStopToneTimers() {
  if (s_pReminderToneTimer != nullptr) L_TIMER_Stop(s_pReminderToneTimer);
  if (s_pSecondToneTimer != nullptr) L_TIMER_Stop(s_pSecondToneTimer);
}

// A reminder once after ms (never sooner than the sound task can have
// started the tone: a tone of unknown length counts as one second).
void vStartReminder(U32 ms) {
  if (ms == 0) ms = REMINDER_DELAY_MS;
  if (s_pReminderToneTimer != nullptr) L_TIMER_Start(s_pReminderToneTimer, ms, 0, SEMA_TIMER_ALARM);
}

void vRegisterDialog() {
  (void)U_VIEW_bRegisterLayer(&T_ALARM_vDrawCurrentAlarm, ALARM_LAYER, USED_BY_ALL, 0, 0, TRUE, nullptr, nullptr,
                              nullptr);
  (void)U_KEYBOARD_bRegisterKeys(M_ALARM, ALARM_KEY_MASK, KEY_DOWN, FALSE, FALSE, CURSOR_8, REGISTER_ALARM);
}

void vUnregisterDialog() {
  (void)U_VIEW_bUnRegisterLayer(ALARM_LAYER);
  (void)U_KEYBOARD_bUnregisterKeys(M_ALARM, ALARM_KEY_MASK);
}

// Chooses the displayed alarm: the lowest occupied slot. RES_ALARMLIST held.
void vGetHighestPriorityAlarm() {
  S32 slot = -1;
  for (S32 k = 0; k < NUMBER_OF_SUPPORTED_ALARMS; ++k) {
    if (s_pAlarmSetMessageList[k] != nullptr) {
      slot = k;
      break;
    }
  }
  if (slot < 0) {
    s_u32ActiveAlarmsInList = 0;
    s_CurrentAlarmMessageBeingDisplayed = -1;
    vUnregisterDialog();
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    vStopToneTimers();
    return;
  }
  if (slot == s_CurrentAlarmMessageBeingDisplayed) return;
  s_CurrentAlarmMessageBeingDisplayed = slot;
  vStopToneTimers();
  ALARM_SET_MESSAGE* a = s_pAlarmSetMessageList[slot];
  const bool reminder = bHasTone(a->ReminderToneID, a->pReminderCustomTone);
  const bool initial = bHasTone(a->InitialToneID, a->pInitialCustomTone);
  char tone[48] = "no tone";
  if (initial && a->InitialToneID == TONE_USE_CUSTOM) {
    snprintf(tone, sizeof tone, "tone %s", a->pInitialCustomTone->name != nullptr ? a->pInitialCustomTone->name : "?");
  } else if (initial) {
    snprintf(tone, sizeof tone, "tone %d", (int)a->InitialToneID);
  }
  log_me("alarm: showing \"%s\" (kind %d), %s", a->pMessageString != nullptr ? a->pMessageString : "", (int)slot, tone);
  if (initial) {
    U_SOUND_vPlaySound(a->InitialToneID, a->pInitialCustomTone, 0, 1);
    if (reminder) {
      vStartReminder(slot == TIMER_ALARM ? TIMER_REMINDER_MS
                                         : u32ToneLength(a->InitialToneID, a->pInitialCustomTone) + REMINDER_DELAY_MS);
    }
    a->InitialToneID = TONE_USE_CUSTOM;
    a->pInitialCustomTone = nullptr;
  } else if (reminder) {
    vStartReminder(REMINDER_DELAY_MS);
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

// Removes slot k. RES_ALARMLIST held.
void vRemoveSlot(S32 k) {
  H_MEMORY_vDumpMail(s_pAlarmSetMessageList[k]);
  s_pAlarmSetMessageList[k] = nullptr;
  if (k == s_CurrentAlarmMessageBeingDisplayed) vStopToneTimers();
  if (s_u32ActiveAlarmsInList > 0) --s_u32ActiveAlarmsInList;
  if (s_u32ActiveAlarmsInList == 0) {
    s_CurrentAlarmMessageBeingDisplayed = -1;
    vUnregisterDialog();
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  } else {
    vGetHighestPriorityAlarm();
  }
}

// ------------------------------------------------------------ network
BOOLEAN bHandleDataReceive(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2);

const GMSG_MAP_INFO s_ALARM_MsgMapInfo[] = {
    {GMSG_ID_ALARM_RECEIVE_DATA, &bHandleDataReceive, &DT_NETWORK_ALARM_MESSAGE, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr, nullptr},
};

// Tells every peer that the alarm of that kind ended.
void vTellPeers(S32 priority) {
  if (s_pPeers == nullptr) return;
  NETWORK_ALARM_MESSAGE body{0, (U32)priority};
  U32 index = 0;
  while (const GMSG_ADDRESS* peer = U_NETWORKDEST_gapNext(s_pPeers, &index, nullptr)) {
    GMSG_ADDRESS to = *peer;
    (void)U_GMSG_bSendMsgNoReply(M_ALARM, &to, GMSG_ID_ALARM_RECEIVE_DATA, &DT_NETWORK_ALARM_MESSAGE, &body, 0);
  }
}

bool bIsPeer(const GMSG_ADDRESS* pFrom) {
  if (s_pPeers == nullptr || pFrom == nullptr) return false;
  U32 index = 0;
  while (const GMSG_ADDRESS* peer = U_NETWORKDEST_gapNext(s_pPeers, &index, nullptr)) {
    if (peer->uAddr.Socket.u32Address == pFrom->uAddr.Socket.u32Address) return true;
  }
  return false;
}

void vCountPeers() {
  U32 n = 0, index = 0;
  if (s_pPeers != nullptr) {
    while (U_NETWORKDEST_gapNext(s_pPeers, &index, nullptr) != nullptr) ++n;
  }
  s_u32PeerCount.store(n);
}

// Takes an ended alarm from a peer: only activate 0, a kind in range, an
// occupied slot, and a sender in the peer list; no cancel call, nothing
// passed on.
void vTakeNetworkAlarm(const NETWORK_ALARM_MESSAGE* pMsg, const GMSG_ADDRESS* pFrom) {
  if (!s_bRunning) return;
  const S32 slot = T_ALARM_nSlotToEnd(pMsg);
  if (slot < 0) return;
  if (!bIsPeer(pFrom)) {
    log_me("alarm: ended alarm %d from a unit that is no peer, ignored", (int)slot);
    return;
  }
  L_MUTEX_LockWait(RES_ALARMLIST);
  const bool kept = s_pAlarmSetMessageList[slot] != nullptr;
  if (kept) vRemoveSlot(slot);
  L_MUTEX_Unlock(RES_ALARMLIST);
  if (kept) log_me("alarm: alarm %d ended by peer %08X", (int)slot, (unsigned)pFrom->uAddr.Socket.u32Address);
}

BOOLEAN bHandleDataReceive(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2) {
  (void)mbox;
  (void)pvParam1;
  (void)pvParam2;
  if (pInfo == nullptr || pInfo->bDecodeFailed) return TRUE;
  vTakeNetworkAlarm((const NETWORK_ALARM_MESSAGE*)pInfo->pStructMsg, &pInfo->Header.SrcAddress);
  return TRUE;
}

void vTryRegisterWithNetwork() {
  // A failed registration (the port taken) is tried again after 30 s.
  static U32 s_u32LastTry = 0;
  static bool s_bTried = false;
  if (s_bRegisteredWithNetwork) return;
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  if (s_bTried && now - s_u32LastTry < 30000) return;
  // The unit has an address and the message-layer task runs.
  U32 address = 0, layer = 0;
  if (!GMSG_bUnitAddress(&address) || address == 0) return;
  if (!H_DATABASE_bFetchU32(FCID("TMSG"), &layer) || layer != (U32)M_GMSG) return;
  s_bTried = true;
  s_u32LastTry = now;
  if (!U_GMSG_bRegisterMailbox(M_ALARM, RES_ALARM, SEMA_GMSG_ALARM, s_ALARM_MsgMapInfo, ALARM_NETWORK_PORT)) {
    log_me("alarm: no registration with the message layer on port %u", (unsigned)ALARM_NETWORK_PORT);
    return;
  }
  s_bRegisteredWithNetwork = true;
  if (s_pPeers == nullptr) s_pPeers = U_NETWORKDEST_pvNew();
}

void vPeer(ALARM_NETWORK_PEER_ADD_MSG* pMsg) {
  if (s_pPeers == nullptr) return;
  pMsg->gmsgAddress.uAddr.Socket.u32Port = ALARM_NETWORK_PORT;
  (void)U_NETWORKDEST_bRegisterNetworkDestination(s_pPeers, &pMsg->gmsgAddress, pMsg->bAdd, 0);
  vCountPeers();
}

// ------------------------------------------------------------ commands
void vSetAlarm(ALARM_SET_MESSAGE* pMsg) {
  const S32 k = pMsg->Priority;
  if (!s_bRunning || k < 0 || k >= NUMBER_OF_SUPPORTED_ALARMS) {
    H_MEMORY_vDumpMail(pMsg);
    return;
  }
  U32 state = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &state)) {
    H_MEMORY_vDumpMail(pMsg);
    return;
  }
  if (state == STATE_INLINE_TEST) {
    if (pMsg->pFunctionAlarmCancel != nullptr) pMsg->pFunctionAlarmCancel();
    H_MEMORY_vDumpMail(pMsg);
    return;
  }
  L_MUTEX_LockWait(RES_ALARMLIST);
  if (ALARM_SET_MESSAGE* old = s_pAlarmSetMessageList[k]) {
    if (old->pFunctionAlarmCancel != nullptr) old->pFunctionAlarmCancel();
    vRemoveSlot(k);
  }
  if (pMsg->header.Cmd == CMD_ID_SET_ALARM) {
    pMsg->bExtended = FALSE;
    pMsg->pLeftChoice = nullptr;
    pMsg->pRightChoice = nullptr;
    pMsg->pFunctionCbLeftKeyAction = nullptr;
    pMsg->pFunctionCbRightKeyAction = nullptr;
  } else {
    pMsg->bExtended = TRUE;
  }
  s_pAlarmSetMessageList[k] = pMsg;
  if (s_u32ActiveAlarmsInList == 0 && s_CurrentAlarmMessageBeingDisplayed != TIMER_ALARM) vRegisterDialog();
  ++s_u32ActiveAlarmsInList;
  vGetHighestPriorityAlarm();
  L_MUTEX_Unlock(RES_ALARMLIST);
}

void vClearAlarm(const ALARM_CLEAR_MESSAGE* pMsg) {
  if (!s_bRunning) return;
  const S32 k = pMsg->Priority;
  L_MUTEX_LockWait(RES_ALARMLIST);
  if (k >= 0 && k < NUMBER_OF_SUPPORTED_ALARMS && s_pAlarmSetMessageList[k] != nullptr) vRemoveSlot(k);
  L_MUTEX_Unlock(RES_ALARMLIST);
  vTellPeers(k);
}

void vKey(const MSG_KEY_CHANGE* pMsg) {
  if (!s_bRunning) return;
  L_MUTEX_LockWait(RES_ALARMLIST);
  const S32 shown = s_CurrentAlarmMessageBeingDisplayed;
  L_MUTEX_Unlock(RES_ALARMLIST);
  if (shown == TIMER_ALARM || (shown < 0 && T_ALARM_bTimerSetupOpen())) {
    if (T_ALARM_bTimerDialogOpen()) T_ALARM_vTimerKey(pMsg);
    return;
  }
  if (shown < 0) return;
  if (pMsg->state != KEY_DOWN) return;

  L_MUTEX_LockWait(RES_ALARMLIST);
  ALARM_SET_MESSAGE* a = s_pAlarmSetMessageList[shown];
  if (a == nullptr || s_CurrentAlarmMessageBeingDisplayed != shown) {
    L_MUTEX_Unlock(RES_ALARMLIST);
    return;
  }
  const bool west = pMsg->key == KEY_MASK_CURSOR && pMsg->cursor == CURSOR_WEST;
  const bool east = pMsg->key == KEY_MASK_CURSOR && pMsg->cursor == CURSOR_EAST;
  if (a->bExtended && !west && !east) {
    L_MUTEX_Unlock(RES_ALARMLIST);
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  if (!a->bExtended) {
    if (a->pFunctionAlarmCancel != nullptr) a->pFunctionAlarmCancel();
  } else if (west) {
    if (a->pFunctionCbLeftKeyAction != nullptr) a->pFunctionCbLeftKeyAction();
  } else if (a->pFunctionCbRightKeyAction != nullptr) {
    a->pFunctionCbRightKeyAction();
  }
  vRemoveSlot(shown);
  L_MUTEX_Unlock(RES_ALARMLIST);
  vTellPeers(shown);
}

void vReminder() {
  if (!s_bRunning) return;
  L_MUTEX_LockWait(RES_ALARMLIST);
  const S32 shown = s_CurrentAlarmMessageBeingDisplayed;
  if (shown >= 0 && s_pAlarmSetMessageList[shown] != nullptr) {
    const ALARM_SET_MESSAGE* a = s_pAlarmSetMessageList[shown];
    if (bHasTone(a->ReminderToneID, a->pReminderCustomTone)) {
      U_SOUND_vPlaySound(a->ReminderToneID, a->pReminderCustomTone, 0, 1);
      vStartReminder(shown == TIMER_ALARM ? TIMER_REMINDER_MS
                                          : u32ToneLength(a->ReminderToneID, a->pReminderCustomTone));
    }
  }
  L_MUTEX_Unlock(RES_ALARMLIST);
}

void vClearAll() {
  L_MUTEX_LockWait(RES_ALARMLIST);
  for (S32 k = 0; k < NUMBER_OF_SUPPORTED_ALARMS; ++k) {
    if (s_pAlarmSetMessageList[k] != nullptr) vRemoveSlot(k);
  }
  L_MUTEX_Unlock(RES_ALARMLIST);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vShutdown() {
  L_MUTEX_LockWait(RES_ALARMLIST);
  for (S32 k = 0; k < NUMBER_OF_SUPPORTED_ALARMS && s_u32ActiveAlarmsInList > 0; ++k) {
    if (s_pAlarmSetMessageList[k] != nullptr) {
      H_MEMORY_vDumpMail(s_pAlarmSetMessageList[k]);
      s_pAlarmSetMessageList[k] = nullptr;
      --s_u32ActiveAlarmsInList;
    }
  }
  L_MUTEX_Unlock(RES_ALARMLIST);
  s_bRunning = false;
}

void vHandle(void* message) {
  GENERIC_MESSAGE* g = (GENERIC_MESSAGE*)message;
  switch (g->Cmd) {
    case CMD_ID_SHUTDOWN:
      vShutdown();
      break;
    case CMD_ID_SET_ALARM:
    case CMD_ID_SET_EXT_ALARM:
      vSetAlarm((ALARM_SET_MESSAGE*)message);
      return;  // kept or disposed of there
    case CMD_ID_CLEAR_ALARM:
      vClearAlarm((const ALARM_CLEAR_MESSAGE*)message);
      break;
    case CMD_ID_KEY_CHANGE:
      vKey((const MSG_KEY_CHANGE*)message);
      break;
    case CMD_ID_RUN_SYSTEM:
      // An alarm raised while the unit was still starting (before the view
      // and keyboard tasks could take registrations) is shown now.
      L_MUTEX_LockWait(RES_ALARMLIST);
      if (s_u32ActiveAlarmsInList > 0 && s_CurrentAlarmMessageBeingDisplayed != TIMER_ALARM) vRegisterDialog();
      L_MUTEX_Unlock(RES_ALARMLIST);
      T_ALARM_vRegisterMenu();
      break;
    case CMD_ID_NEW_DATA:
      T_ALARM_vRegisterMenu();
      break;
    case CMD_ID_RESET_POS:
      T_ALARM_vWriteDefaults();
      T_ALARM_vRegisterMenu();
      break;
    case CMD_ID_GMSG_RECEIVE:
      if (s_bRunning) {
        (void)U_GMSG_bHandleReceive((MSG_GMSG_RECEIVE*)message);
        return;  // freed there
      }
      (void)U_GMSG_bSkipReceive((MSG_GMSG_RECEIVE*)message);
      return;
    case CMD_ID_GMSG_DISCONNECT:
      if (s_bRunning && s_pPeers != nullptr) {
        (void)U_NETWORKDEST_bRegisterNetworkDestination(s_pPeers, &((MSG_GMSG_DISCONNECT*)message)->Address, FALSE,
                                                        NETWORKDEST_ANY_USER_DATA);
        vCountPeers();
      }
      break;
    case CMD_ID_ALARM_ADD_PEER:
      if (s_bRunning) vPeer((ALARM_NETWORK_PEER_ADD_MSG*)message);
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(message);
}

BOOLEAN bSendPeerMessage(const GMSG_ADDRESS* pAddress, BOOLEAN bAdd) {
  auto* msg = (ALARM_NETWORK_PEER_ADD_MSG*)H_MEMORY_pvMallocNoWait(sizeof(ALARM_NETWORK_PEER_ADD_MSG));
  if (msg == nullptr) return FALSE;
  memset(msg, 0, sizeof *msg);
  msg->header.Cmd = CMD_ID_ALARM_ADD_PEER;
  msg->bAdd = bAdd;
  if (pAddress != nullptr) msg->gmsgAddress = *pAddress;
  if (L_MBOX_Send(M_ALARM, msg, ALARM_MSG_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// ------------------------------------------------------------ drawing
void T_ALARM_vDrawCurrentAlarm(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  if (pBitmap == nullptr) return;
  L_MUTEX_LockWait(RES_ALARMLIST);
  const S32 shown = s_CurrentAlarmMessageBeingDisplayed;
  const ALARM_SET_MESSAGE* a = shown >= 0 ? s_pAlarmSetMessageList[shown] : nullptr;
  const FONT_DEF* text = std_11x14_font_def_ptr.load();
  const FONT_DEF* big = std_16x17_font_def_ptr.load();
  if (a != nullptr && a->pMessageString != nullptr && text != nullptr && big != nullptr) {
    if (shown >= DATASOURCE_ALARM_ENGINE && shown <= DATASOURCE_ALARM_TANK2) {
      const char* lost = pcText(s_txtLostSource);
      const U32 w = 2 * G_STRING_u32GetWidth(big, lost);
      const U32 h = 5 * G_STRING_u32GetHeight(big) / 2;
      const S32 x0 = (800 - (S32)w) / 2;
      const S32 y0 = (600 - (S32)h) / 2;
      G_BOX_vDrawRoundedFilled(pBitmap, gCOLOR_pcolColorTable[67], POINT{x0, y0}, w, h, 5);
      G_BOX_vDrawRoundedFilled(pBitmap, gCOLOR_pcolColorTable[35], POINT{x0 + 2, y0 + 2}, w - 4, h - 4, 5);
      for (S32 y : {299, 300}) {
        G_LINE_vDraw(pBitmap, gCOLOR_pcolColorTable[32], POINT{x0 + 11, y}, POINT{x0 + (S32)w - 11, y});
      }
      POINT at{(800 - (S32)G_STRING_u32GetWidth(big, lost)) / 2, 305};
      G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[32], &at, big, lost);
      at = POINT{(800 - (S32)G_STRING_u32GetWidth(text, a->pMessageString)) / 2, y0 + 11};
      G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[32], &at, text, a->pMessageString);
    } else if (a->bExtended) {
      U_DIALOG_vDrawDialogWithConfirm(pBitmap, a->pMessageString, text, 2, DIALOG_WIDTH, a->pLeftChoice,
                                      a->pRightChoice, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER,
                                      a->pFunctionCbLeftKeyAction != nullptr ? TRUE : FALSE,
                                      a->pFunctionCbRightKeyAction != nullptr ? TRUE : FALSE);
    } else {
      U_DIALOG_vDrawDialog(pBitmap, a->pMessageString, text, 2, DIALOG_WIDTH, a->pLeftIcon, a->pRightIcon,
                           JUSTIFICATION_CENTER, JUSTIFICATION_CENTER);
    }
  }
  L_MUTEX_Unlock(RES_ALARMLIST);
}

// ------------------------------------------------------------ task
void T_ALARM_vTask(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    ERROR_error(__FILE__, __LINE__, "Somebody else registered the Alarm Task Maibox");
  }
  s_pReminderToneTimer = L_TIMER_Allocate();
  s_pSecondToneTimer = L_TIMER_Allocate();
  if (s_pReminderToneTimer == nullptr || s_pSecondToneTimer == nullptr) {
    ERROR_error(__FILE__, __LINE__, "Unable to allocate an Alarm Timer");
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("SNID"), M_ALARM, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), M_ALARM, TRUE, FALSE, FALSE);
  L_SEMA_SetPending(SEMA_CLEAR_ALARMS);
  T_ALARM_vLoadTimer();

  const SEMA list[] = {SEMA_MBOX_ALARM, SEMA_TIMER_ALARM, SEMA_CLEAR_ALARMS, 0};
  for (;;) {
    vTryRegisterWithNetwork();
    const S32 event = L_SEMA_WaitMultipleTicks(list, 1000);
    if (event == SEMA_MBOX_ALARM) {
      while (void* message = L_MBOX_Receive(M_ALARM)) vHandle(message);
    } else if (event == SEMA_TIMER_ALARM) {
      vReminder();
    } else if (event == SEMA_CLEAR_ALARMS) {
      vClearAll();
    } else if (event > 0) {
      ERROR_error(__FILE__, __LINE__, "Invalid event");
    }
    // A time-out only looks at the network registration again.
  }
}

S32 T_ALARM_nDisplayedSlot(void) {
  L_MUTEX_LockWait(RES_ALARMLIST);
  const S32 n = s_CurrentAlarmMessageBeingDisplayed;
  L_MUTEX_Unlock(RES_ALARMLIST);
  return n;
}

U32 T_ALARM_u32ActiveCount(void) {
  L_MUTEX_LockWait(RES_ALARMLIST);
  const U32 n = s_u32ActiveAlarmsInList;
  L_MUTEX_Unlock(RES_ALARMLIST);
  return n;
}

U32 T_ALARM_u32PeerCount(void) { return s_u32PeerCount.load(); }

BOOLEAN U_ALARM_bAddPeer(const GMSG_ADDRESS* pAddress) { return bSendPeerMessage(pAddress, TRUE); }
BOOLEAN U_ALARM_bRemovePeer(const GMSG_ADDRESS* pAddress) { return bSendPeerMessage(pAddress, FALSE); }

BOOLEAN U_ALARM_bSet(const ALARM_SET_MESSAGE* pTemplate) {
  U32 mbox = 0;
  if (pTemplate == nullptr || !H_DATABASE_bFetchU32(FCID("TALR"), &mbox)) return FALSE;
  auto* msg = (ALARM_SET_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_SET_MESSAGE));
  if (msg == nullptr) return FALSE;
  *msg = *pTemplate;
  msg->header.Cmd = pTemplate->bExtended ? CMD_ID_SET_EXT_ALARM : CMD_ID_SET_ALARM;
  if (L_MBOX_Send((MBOX)mbox, msg, ALARM_MSG_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN U_ALARM_bClear(ALARM_PRIORITY ePriority) {
  U32 mbox = 0;
  if (!H_DATABASE_bFetchU32(FCID("TALR"), &mbox)) return FALSE;
  auto* msg = (ALARM_CLEAR_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_CLEAR_MESSAGE));
  if (msg == nullptr) return FALSE;
  memset(msg, 0, sizeof *msg);
  msg->header.Cmd = CMD_ID_CLEAR_ALARM;
  msg->Priority = ePriority;
  if (L_MBOX_Send((MBOX)mbox, msg, ALARM_MSG_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}
