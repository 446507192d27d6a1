// Keyboard task. Owns the 13 keys: polls the key state layer every 25 ms and
// passes each change, as a MSG_KEY_CHANGE, to the first registration in that
// key's list. Each list is ordered by descending usage level, the newest
// registration first among equals, so a dialog or menu takes the keys from
// the views below it until it unregisters.
//
// Only this task's thread touches the lists, the key device set-up and the
// long-press state; other tasks reach it through mailbox 10 (M_KEYB).
#include "source/ui/t_keyboard.h"

#include <string.h>

#include <atomic>

#include "common/db_types.h"
#include "source/core/h_database.h"
#include "source/graphics/t_view.h"
#include "source/ui/t_keyboard_pos.h"
#include "source/ui/t_keyboard_shutdown.h"
#include "source/ui/t_menu.h"
#include "source/ui/ui_upcalls.h"

namespace {

constexpr MBOX KEYBOARD_MBOX = M_KEYB;
constexpr PRIORITY KEY_CHANGE_PRIORITY = 1;
constexpr PRIORITY COMMAND_PRIORITY = 3;

// ------------------------------------------------------------ registrations
struct KEY_USER {
  U32 key_ID;  // the key's mask
  KEY_USAGE usage;
  KEY_STATE state;  // wanted change
  CURSOR_MODE cursor_mode;
  BOOLEAN repeat;
  BOOLEAN accelerate;
  MBOX mailbox;
  U32 flag;
  KEY_USER* next;
};

// Head of each key's list, and for the keys but power the head last applied
// to the key device.
KEY_USER* s_apHead[HKEY_NUM_KEYS];
const KEY_USER* s_apApplied[HKEY_NUM_KEYS];

struct KEY_CROSS_REFERENCE {
  HKEY_ID hKey;
  U32 KeyName;  // mask
  KEY_USER** pListHead;
};

const KEY_CROSS_REFERENCE s_crossKey[HKEY_NUM_KEYS] = {
    {HKEY_POWER, KEY_MASK_POWER, &s_apHead[HKEY_POWER]},
    {HKEY_MENU, KEY_MASK_MENU, &s_apHead[HKEY_MENU]},
    {HKEY_EXIT, KEY_MASK_EXIT, &s_apHead[HKEY_EXIT]},
    {HKEY_VIEW, KEY_MASK_VIEW, &s_apHead[HKEY_VIEW]},
    {HKEY_CURSOR, KEY_MASK_CURSOR, &s_apHead[HKEY_CURSOR]},
    {HKEY_ZOOM_IN, KEY_MASK_ZOOM_IN, &s_apHead[HKEY_ZOOM_IN]},
    {HKEY_ZOOM_OUT, KEY_MASK_ZOOM_OUT, &s_apHead[HKEY_ZOOM_OUT]},
    {HKEY_MARK, KEY_MASK_MARK, &s_apHead[HKEY_MARK]},
    {HKEY_GOTO, KEY_MASK_GOTO, &s_apHead[HKEY_GOTO]},
    {HKEY_INFO, KEY_MASK_INFO, &s_apHead[HKEY_INFO]},
    {HKEY_SOFT_KEY_1, KEY_MASK_SOFT_KEY_1, &s_apHead[HKEY_SOFT_KEY_1]},
    {HKEY_SOFT_KEY_2, KEY_MASK_SOFT_KEY_2, &s_apHead[HKEY_SOFT_KEY_2]},
    {HKEY_SOFT_KEY_3, KEY_MASK_SOFT_KEY_3, &s_apHead[HKEY_SOFT_KEY_3]},
};

// Row of s_crossKey for a key id; -1 outside the 13 keys.
int T_KEYBOARD_u32GetCrossPeferenceIndexHKEY(HKEY_ID hKey) {
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    if (s_crossKey[i].hKey == hKey) return i;
  }
  return -1;
}

KEY_USER* T_KEYBOARD_pkey_userInitEntry(U32 mask, const MSG_REGISTER_FOR_KEYS* req) {
  KEY_USER* node = (KEY_USER*)H_MEMORY_pvMalloc(sizeof(KEY_USER));
  node->key_ID = mask;
  node->usage = req->usage;
  node->state = req->state;
  node->cursor_mode = req->cursor_mode;
  node->repeat = req->repeat;
  node->accelerate = req->accelerate;
  node->mailbox = req->mailbox;
  node->flag = req->flag;
  node->next = nullptr;
  return node;
}

// Links the node in front of the first one of equal or lower usage.
void T_KEYBOARD_bInsertKey(KEY_USER** ppHead, KEY_USER* node) {
  KEY_USER** link = ppHead;
  while (*link != nullptr && (U32)(*link)->usage > (U32)node->usage) link = &(*link)->next;
  node->next = *link;
  *link = node;
}

// Removes and frees the first node of the mailbox.
void T_KEYBOARD_vDeleteKey(KEY_USER** ppHead, MBOX mailbox) {
  for (KEY_USER** link = ppHead; *link != nullptr; link = &(*link)->next) {
    if ((*link)->mailbox != mailbox) continue;
    KEY_USER* gone = *link;
    *link = gone->next;
    H_MEMORY_vFree(gone);
    return;
  }
}

// Hands each key's head settings to the key device when the head changed.
// The power key keeps the device's defaults (no repeat).
void T_KEYBOARD_vReConfigure(void) {
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    if (i == HKEY_POWER) continue;
    const KEY_USER* head = s_apHead[i];
    if (head == s_apApplied[i]) continue;
    s_apApplied[i] = head;
    if (head != nullptr) {
      H_KEYBOARD_vSetupKey((HKEY_ID)i, head->repeat, head->accelerate, head->cursor_mode);
    } else {
      H_KEYBOARD_vSetupKey((HKEY_ID)i, FALSE, FALSE, CURSOR_4);
    }
  }
}

void T_KEYBOARD_vRegisterKey(MSG_REGISTER_FOR_KEYS* req) {
  // The power key is only ever taken by a request for it alone, so that a
  // request for nearly every key leaves it with its owner.
  if (req->keys == KEY_MASK_POWER) {
    T_KEYBOARD_bInsertKey(&s_apHead[HKEY_POWER], T_KEYBOARD_pkey_userInitEntry(KEY_MASK_POWER, req));
    req->pass = TRUE;
  } else {
    for (const KEY_CROSS_REFERENCE& row : s_crossKey) {
      if (row.hKey == HKEY_POWER || (req->keys & row.KeyName) == 0) continue;
      T_KEYBOARD_bInsertKey(row.pListHead, T_KEYBOARD_pkey_userInitEntry(row.KeyName, req));
      req->pass = TRUE;
    }
  }
  T_KEYBOARD_vReConfigure();
}

void T_KEYBOARD_vUnRegisterKey(const MSG_UNREGISTER_FOR_KEYS* req) {
  for (const KEY_CROSS_REFERENCE& row : s_crossKey) {
    if ((req->keys & row.KeyName) != 0) T_KEYBOARD_vDeleteKey(row.pListHead, req->mailbox);
  }
  T_KEYBOARD_vReConfigure();
}

// ------------------------------------------------------------ key changes
// Whether a registration wanting `wanted` takes a change to `state`.
bool bWants(KEY_STATE wanted, KEY_STATE state) { return wanted == state || wanted == KEY_CHANGE; }

void T_KEYBOARD_vSendKeyMail(const KEY_USER* head, KEY_STATE state, U32 count, CURSOR_POSITION cursor) {
  MSG_KEY_CHANGE* msg = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_KEY_CHANGE;
  msg->key = head->key_ID;
  msg->state = state;
  msg->count = count;
  msg->cursor = cursor;
  msg->flag = head->flag;
  // Whatever the key changes on the screen is drawn without waiting out the
  // view's pacing.
  T_VIEW_vNoteKeyChange();
  const S32 rc = L_MBOX_Send(head->mailbox, msg, KEY_CHANGE_PRIORITY, 0);
  if (rc != lsSUCCESS) {
    log_me("key change for mailbox %d not sent (%d)", head->mailbox, rc);
    H_MEMORY_vFree(msg);
  }
}

// Press times (1 ms ticks) of the keys with long presses. Each is timed only
// from a press this task has seen: a key already held when the task started
// has no press time and starts no long press.
U32 power_down_timer = 0;
U32 goto_timer = 0;
U32 view_key_timer = 0;
// Keys whose press was handed out and not yet released.
bool s_abHeld[HKEY_NUM_KEYS];

// Go-to: presses counted, the press last examined, and whether the long
// press has fired for it.
U32 s_u32GotoPresses = 0;
U32 s_u32GotoPressSeen = 0;
bool s_bTriggered = false;

// View key: the state last handed to its head, and whether the view menu
// was opened during the current hold.
KEY_STATE lastState = KEY_UP;
bool bUpdated = false;

// Power hold: count-down stage (0, 1, 2) and the text shown.
int keypress_time = 0;
std::atomic<S32> s_shutdown_message{0};

std::atomic<U32> s_u32Polls{0};
TIMER_INFO* s_pPollTimer = nullptr;

U32 u32Now(void) { return H_TICK_u32ReadFreeRunningTimerInSystemTicks(); }

// Milliseconds since a stored reading, without disturbing it.
U32 u32Since(U32 reading) { return L_TIMER_GetElapsed(&reading); }

void vRouteChange(HKEY_ID key, KEY_STATE state, U32 count, CURSOR_POSITION cursor) {
  const int row = T_KEYBOARD_u32GetCrossPeferenceIndexHKEY(key);
  if (row < 0) return;

  // Press bookkeeping, also for keys nobody holds. A press is a change to
  // KEY_DOWN after a release; later KEY_DOWN changes are repeats.
  const bool press = state == KEY_DOWN && !s_abHeld[key];
  s_abHeld[key] = state == KEY_DOWN;
  if (key == HKEY_POWER) {
    if (press) {
      power_down_timer = u32Now();
    } else if (state != KEY_DOWN) {
      T_KEYBOARD_vHideShutdownCountdown();
    }
  } else if (key == HKEY_GOTO && press) {
    goto_timer = u32Now();
    s_u32GotoPresses += 1;
  } else if (key == HKEY_VIEW && press) {
    view_key_timer = u32Now();
  }

  const KEY_USER* head = *s_crossKey[row].pListHead;
  if (head == nullptr) {
    if (state == KEY_DOWN) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }

  if (key != HKEY_VIEW) {
    if ((state == KEY_UP || state == KEY_DOWN) && bWants(head->state, state)) {
      T_KEYBOARD_vSendKeyMail(head, state, count, cursor);
    }
    return;
  }

  // The view key's press is held back and handed over with its release, so
  // that a long press (the view-selection menu) reaches no view.
  if (state == KEY_DOWN) {
    lastState = KEY_DOWN;
    return;
  }
  if (lastState == KEY_DOWN && bWants(head->state, KEY_DOWN)) {
    T_KEYBOARD_vSendKeyMail(head, KEY_DOWN, count, cursor);
  }
  if (bWants(head->state, KEY_UP)) T_KEYBOARD_vSendKeyMail(head, KEY_UP, count, cursor);
  lastState = KEY_UP;
}

void T_KEYBOARD_vProcessGoTo(void) {
  if (!H_KEYBOARD_bIsDown(HKEY_GOTO) || !s_abHeld[HKEY_GOTO]) return;
  if (s_u32GotoPresses != s_u32GotoPressSeen) {
    s_u32GotoPressSeen = s_u32GotoPresses;
    s_bTriggered = false;
  }
  if (!s_bTriggered && u32Since(goto_timer) >= KEYBOARD_LONG_GOTO_MS) {
    L_SEMA_Signal(SEMA_KEYBOARD_LONG_GOTO);
    s_bTriggered = true;
  }
}

void T_KEYBOARD_vProcessPowerDown(void) {
  if (H_KEYBOARD_bIsDown(HKEY_GOTO)) return;
  if (!H_KEYBOARD_bIsDown(HKEY_POWER) || !s_abHeld[HKEY_POWER]) return;
  const U32 t = u32Since(power_down_timer);
  if (t < KEYBOARD_POWER_STAGE_MS) {
    keypress_time = 0;
  } else if (keypress_time == 0) {
    keypress_time = 1;
    s_shutdown_message.store(FIRST_SHUTDOWN_MESSAGE, std::memory_order_relaxed);
    T_KEYBOARD_vShowShutdownCountdown();
  } else if (keypress_time == 1 && t >= 2 * KEYBOARD_POWER_STAGE_MS) {
    keypress_time = 2;
    s_shutdown_message.store(SECOND_SHUTDOWN_MESSAGE, std::memory_order_relaxed);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  } else if (keypress_time == 2 && t >= KEYBOARD_POWER_OFF_MS) {
    s_shutdown_message.store(LAST_SHUTDOWN_MESSAGE, std::memory_order_relaxed);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    T_KEYBOARD_vShutdown(POWER_DOWN);
  }
}

void T_KEYBOARD_vProcessViewKeyDown(void) {
  if (!H_KEYBOARD_bIsDown(HKEY_VIEW) || !s_abHeld[HKEY_VIEW]) return;
  if (u32Since(view_key_timer) <= KEYBOARD_LONG_VIEW_MS) {
    bUpdated = false;
  } else if (!bUpdated) {
    // The view-selection menu: its items rebuilt, then the menu task opens
    // the quick-access menu of the virtual display view.
    log_me("keyboard: view key held, view-selection menu");
    GUI_vUnRegisterSelectViewMenu();
    GUI_vRegisterSelectViewMenu();
    T_MENU_vActivateSpecifiedHotMenu(VIRTUAL_DISPLAY_VIEW_LAYER);
    bUpdated = true;
  }
}

void T_KEYBOARD_vPollKeys(void) {
  if (H_KEYBOARD_bProcessKeys()) {
    T_KEYBOARD_vPointOfSaleKeyHook();
    HKEY_ID key;
    KEY_STATE state;
    U32 count;
    CURSOR_POSITION cursor;
    while (H_KEYBOARD_bFetchKeyEvent(&key, &state, &count, &cursor)) vRouteChange(key, state, count, cursor);
  }
  T_KEYBOARD_vProcessGoTo();
  T_KEYBOARD_vProcessPowerDown();
  T_KEYBOARD_vProcessViewKeyDown();
  s_u32Polls.fetch_add(1, std::memory_order_release);
}

// ------------------------------------------------------------ messages
void vRunSystem(void) {
  T_KEYBOARD_vRegisterRestoreDefaults();
  H_DATABASE_bRegisterForDataWithConditions(FCID("CCST"), KEYBOARD_MBOX, TRUE, FALSE, FALSE);
  U32 state = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &state) && state == (U32)STATE_POINT_OF_SALE) {
    T_KEYBOARD_vPointOfSaleStart();
  }
}

void vNewData(const MESSAGE_NEW_DATA* msg) {
  const FOURCHARID key = msg->FourCharId;
  if (key == FCID("SMDL")) {
    T_KEYBOARD_vSendResetMessages();
  } else if (key == FCID("CSD0") || key == FCID("CSD1") || key == FCID("CCST") || key == FCID("SDBV")) {
    DB_DATA_TYPE value = msg->dbValue;
    T_KEYBOARD_vPointOfSaleNotice(key, value.u32Val, msg->bValid);
  }
}

void vHandleMessage(void* p) {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)p;
  switch (msg->Cmd) {
    case CMD_ID_SHUTDOWN:
      // Acknowledged first: the shutdown waits for every other task and
      // ends the process.
      H_MEMORY_vDumpMail(p);
      T_KEYBOARD_vShutdown(POWER_DOWN);
      return;
    case CMD_ID_NEW_DATA:
      vNewData((const MESSAGE_NEW_DATA*)p);
      break;
    case CMD_ID_REGISTER_FOR_KEYS:
      T_KEYBOARD_vRegisterKey((MSG_REGISTER_FOR_KEYS*)p);
      break;
    case CMD_ID_UNREGISTER_FOR_KEYS:
      T_KEYBOARD_vUnRegisterKey((const MSG_UNREGISTER_FOR_KEYS*)p);
      break;
    case CMD_ID_KEY_CHANGE:
      T_KEYBOARD_vPointOfSaleTutorialKey((const MSG_KEY_CHANGE*)p);
      break;
    case CMD_ID_INITIATE_SHUTDOWN: {
      const MSG_INITIATE_SHUTDOWN* req = (const MSG_INITIATE_SHUTDOWN*)p;
      const bool reset = req->bReset != FALSE;
      const bool powerOff = req->bPowerOff != FALSE;
      H_MEMORY_vDumpMail(p);
      if (powerOff && !reset) T_KEYBOARD_vShutdown(POWER_DOWN);
      if (reset && !powerOff) T_KEYBOARD_vShutdown(RESET);
      return;
    }
    case CMD_ID_RUN_SYSTEM:
      vRunSystem();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(p);
}

}  // namespace

// ------------------------------------------------------------ interface
BOOLEAN T_KEYBOARD_bRegisterKeys(MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                                 CURSOR_MODE cursorMode, KEY_USAGE usage) {
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TKBD"), &mbox, &valid) || !valid) return FALSE;
  MSG_REGISTER_FOR_KEYS* msg = (MSG_REGISTER_FOR_KEYS*)H_MEMORY_pvMalloc(sizeof(MSG_REGISTER_FOR_KEYS));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_REGISTER_FOR_KEYS;
  msg->keys = u32Keys;
  msg->flag = 0;
  msg->mailbox = mboxOwner;
  msg->state = state;
  msg->usage = usage;
  msg->cursor_mode = cursorMode;
  msg->repeat = bRepeat;
  msg->accelerate = bAccelerate;
  msg->pass = FALSE;
  if (L_MBOX_Send((MBOX)mbox, msg, COMMAND_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN U_KEYBOARD_bUnregisterKeys(MBOX mboxOwner, U32 u32Keys) {
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TKBD"), &mbox, &valid) || !valid) return FALSE;
  MSG_UNREGISTER_FOR_KEYS* msg = (MSG_UNREGISTER_FOR_KEYS*)H_MEMORY_pvMalloc(sizeof(MSG_UNREGISTER_FOR_KEYS));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_UNREGISTER_FOR_KEYS;
  msg->keys = u32Keys;
  msg->mailbox = mboxOwner;
  if (L_MBOX_Send((MBOX)mbox, msg, COMMAND_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}

void T_KEYBOARD_vSendResetMessages(void) {
  MULTI_FETCH_CONTROL_STRUCTURE walk;
  memset(&walk, 0, sizeof walk);
  walk.cMatch = 'T';
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    const MBOX mbox = (MBOX)walk.data.u32Val;
    // Never this task itself, whichever mailbox its key names.
    if (mbox == KEYBOARD_MBOX || walk.id == FCID("TKBD")) continue;
    GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    memset(msg, 0, sizeof *msg);
    msg->Cmd = CMD_ID_RESET_POS;
    if (L_MBOX_Send(mbox, msg, COMMAND_PRIORITY, 0) != lsSUCCESS) {
      log_me("reset message for mailbox %d not sent", mbox);
      H_MEMORY_vFree(msg);
    }
  }
}

void T_KEYBOARD_vSendSimulatedKey(U32 u32Mask, CURSOR_POSITION cursor) {
  for (const KEY_CROSS_REFERENCE& row : s_crossKey) {
    if (row.KeyName != u32Mask) continue;
    for (const KEY_USER* p = *row.pListHead; p != nullptr; p = p->next) {
      if (p->mailbox == KEYBOARD_MBOX) continue;
      T_KEYBOARD_vSendKeyMail(p, KEY_DOWN, 1, cursor);
      return;
    }
    return;
  }
}

SHUTDOWN_MESSAGE T_KEYBOARD_eShutdownMessage(void) {
  return (SHUTDOWN_MESSAGE)s_shutdown_message.load(std::memory_order_relaxed);
}

U32 T_KEYBOARD_u32PollCount(void) { return s_u32Polls.load(std::memory_order_acquire); }

void T_KEYBOARD_vTask(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_MBOX, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Keyboard Task Maibox");
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("SMDL"), KEYBOARD_MBOX, TRUE, FALSE, FALSE);
  H_KEYBOARD_vInit();
  H_DATABASE_bUpdateEverythingBoolean(FCID("CKCK"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingBoolean(FCID("CDSM"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);

  s_pPollTimer = L_TIMER_Allocate();
  if (s_pPollTimer == nullptr || L_TIMER_Start(s_pPollTimer, KEYBOARD_POLL_FIRST_MS, KEYBOARD_POLL_PERIOD_MS,
                                               SEMA_TIMER_KEYB) == nullptr) {
    FATAL_ERROR("No keyboard poll timer");
  }

  const SEMA events[] = {SEMA_MBOX_KEYB, SEMA_TIMER_KEYB, SEMA_TIMER_POS, SEMA_SERIAL_KEYBOARD_DISABLE, 0};
  for (;;) {
    const S32 fired = L_SEMA_WaitMultiple(events);
    switch (fired) {
      case SEMA_TIMER_KEYB:
        T_KEYBOARD_vPollKeys();
        break;
      case SEMA_TIMER_POS:
        L_MUTEX_LockWait(RES_POS_TUTORIAL);
        T_KEYBOARD_vPointOfSaleTimer();
        L_MUTEX_Unlock(RES_POS_TUTORIAL);
        H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), FALSE, P_NORMAL);
        break;
      case SEMA_MBOX_KEYB:
        while (void* msg = L_MBOX_Receive(KEYBOARD_MBOX)) vHandleMessage(msg);
        break;
      case SEMA_SERIAL_KEYBOARD_DISABLE:
        // A photo of the demonstration loaded after its step stopped waiting.
        L_MUTEX_LockWait(RES_POS_TUTORIAL);
        T_KEYBOARD_vPointOfSalePhotoLoaded();
        L_MUTEX_Unlock(RES_POS_TUTORIAL);
        break;
      default:
        log_me("keyboard task cannot wait: %d", fired);
        L_CLOCK_Sleep(100);
        break;
    }
  }
}
