// Key state layer over the raw inputs of the key driver. Only the keyboard
// task's thread changes the key states; H_KEYBOARD_bIsDown reads one state
// word from any task.
//
// A poll replays the driver's queued changes one by one on its own copy of
// the raw inputs, so that a press and a release between two polls both
// reach the keyboard task, in the order they came; the repeat timing of
// held keys is then checked once per poll, as before.
#include "source/core/h_keyboard.h"

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"

namespace {

H_KEY_STATE s_keys[HKEY_NUM_KEYS];

// The raw inputs as the polls have replayed them.
BOOLEAN s_abRaw[DD_KEYBOARD_SLOTS];

// Changes waiting to be fetched, oldest first. A key that changes several
// times within one poll has one entry per change.
struct PENDING {
  HKEY_ID key;
  KEY_STATE state;
  U32 count;
  CURSOR_POSITION cursor;
};
constexpr int PENDING_MAX = 2 * DD_KEYBOARD_CHANGE_QUEUE + HKEY_NUM_KEYS;
PENDING s_aPending[PENDING_MAX];
int s_nPending = 0;
// The cursor key turned while held with nothing reported: the turn goes out
// just before the next reported change. s_nPollStart is where this poll's
// entries begin.
bool s_bTurnPending = false;
int s_nPollStart = 0;

void vPush(const PENDING& e) {
  if (s_nPending == PENDING_MAX) {  // the oldest goes; never expected
    for (int i = 1; i < PENDING_MAX; ++i) s_aPending[i - 1] = s_aPending[i];
    --s_nPending;
    if (s_nPollStart > 0) --s_nPollStart;
  }
  s_aPending[s_nPending++] = e;
}

void vQueue(int key);

// A turn of the held cursor key: it updates the cursor key's entry of this
// poll when that is the newest, else waits for the next reported change.
void vTurn(void) {
  const H_KEY_STATE& c = s_keys[HKEY_CURSOR];
  if (s_nPending > s_nPollStart && s_aPending[s_nPending - 1].key == HKEY_CURSOR &&
      s_aPending[s_nPending - 1].state == c.state) {
    s_aPending[s_nPending - 1].cursor = c.cursor;
    return;
  }
  s_bTurnPending = true;
}

void vQueue(int key) {
  const H_KEY_STATE& k = s_keys[key];
  if (s_bTurnPending) {
    s_bTurnPending = false;
    if (key != HKEY_CURSOR) {
      const H_KEY_STATE& c = s_keys[HKEY_CURSOR];
      vPush(PENDING{HKEY_CURSOR, c.state, c.acceleration_count, c.cursor});
    }
  }
  vPush(PENDING{(HKEY_ID)key, k.state, k.acceleration_count, k.cursor});
}

void vDropPending(int key) {
  int out = 0;
  for (int i = 0; i < s_nPending; ++i) {
    if (s_aPending[i].key != key) s_aPending[out++] = s_aPending[i];
  }
  s_nPending = out;
  s_nPollStart = 0;
  if (key == HKEY_CURSOR) s_bTurnPending = false;
}

// Raw input of every key but the cursor key, whose four contacts are read
// together.
constexpr S32 s_anSlotOfKey[HKEY_NUM_KEYS] = {
    DD_SLOT_POWER,    // HKEY_POWER
    DD_SLOT_MENU,     // HKEY_MENU
    DD_SLOT_EXIT,     // HKEY_EXIT
    DD_SLOT_VIEW,     // HKEY_VIEW
    -1,               // HKEY_CURSOR
    DD_SLOT_ZOOM_IN,  // HKEY_ZOOM_IN
    DD_SLOT_ZOOM_OUT, // HKEY_ZOOM_OUT
    DD_SLOT_MARK,     // HKEY_MARK
    DD_SLOT_GOTO,     // HKEY_GOTO
    DD_SLOT_INFO,     // HKEY_INFO
    DD_SLOT_SOFT_KEY_1,
    DD_SLOT_SOFT_KEY_2,
    DD_SLOT_SOFT_KEY_3,
};

// Direction of the cursor contacts (north 1, south 2, west 4, east 8); a
// diagonal is illegal in four-direction mode.
CURSOR_POSITION eDirection(U32 contacts, CURSOR_MODE mode) {
  const bool four = mode == CURSOR_4;
  switch (contacts) {
    case 0:
      return CURSOR_UP;
    case 1:
      return CURSOR_NORTH;
    case 2:
      return CURSOR_SOUTH;
    case 4:
      return CURSOR_WEST;
    case 5:
      return four ? CURSOR_ILLEGAL : CURSOR_NORTH_WEST;
    case 6:
      return four ? CURSOR_ILLEGAL : CURSOR_SOUTH_WEST;
    case 8:
      return CURSOR_EAST;
    case 9:
      return four ? CURSOR_ILLEGAL : CURSOR_NORTH_EAST;
    case 10:
      return four ? CURSOR_ILLEGAL : CURSOR_SOUTH_EAST;
    default:
      return CURSOR_ILLEGAL;  // opposite contacts together
  }
}

U32 u32Now(void) { return H_TICK_u32ReadFreeRunningTimerInSystemTicks(); }

void vSetState(H_KEY_STATE& k, KEY_STATE state) {
  std::atomic_ref<KEY_STATE>(k.state).store(state, std::memory_order_relaxed);
}

// Applies the raw pressed/released reading to one key; TRUE when this poll
// reports a press, repeat or release of it.
bool bUpdate(H_KEY_STATE& k, bool pressed) {
  if (!pressed) {
    if (k.state == KEY_UP) return false;
    vSetState(k, KEY_UP);
    k.changed = TRUE;
    return true;
  }
  if (k.state != KEY_DOWN) {
    vSetState(k, KEY_DOWN);
    k.changed = TRUE;
    if (k.repeat) {
      k.acceleration_count = 1;
      k.count_down = H_KEYBOARD_REPEAT_DELAY_MS;
      k.elapsed = u32Now();
    }
    return true;
  }
  // Held. A key set up for repeats always has its repeat timing running, also
  // when a late poll brought the count-down to exactly 0.
  if (!k.repeat) return false;
  k.count_down -= (S32)L_TIMER_GetElapsed(&k.elapsed);
  if (k.count_down > 0) return false;
  k.count_down += H_KEYBOARD_REPEAT_PERIOD_MS;
  k.changed = TRUE;
  if (k.accelerate) k.acceleration_count += 1;
  return true;
}

}  // namespace

void H_KEYBOARD_vInit(void) {
  DD_KEYBOARD_vInit();
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    H_KEY_STATE& k = s_keys[i];
    k.cursor = CURSOR_UP;
    k.c_mode = i == HKEY_CURSOR ? CURSOR_4 : NOT_CURSOR_KEY;
    k.repeat = FALSE;
    k.accelerate = FALSE;
    k.elapsed = 0;
    k.count_down = 0;
    k.acceleration_count = 0;
  }
  DD_KEYBOARD_vDropChanges();
  (void)H_KEYBOARD_bProcessKeys();
  // Keys held at start give no press event.
  for (H_KEY_STATE& k : s_keys) k.changed = FALSE;
  s_nPending = 0;
  s_bTurnPending = false;
}

void H_KEYBOARD_vSetupKey(HKEY_ID key, BOOLEAN bRepeat, BOOLEAN bAccelerate, CURSOR_MODE cursor_mode) {
  if (key < 0 || key >= HKEY_NUM_KEYS) return;
  H_KEY_STATE& k = s_keys[key];
  k.c_mode = cursor_mode;
  k.accelerate = bAccelerate;
  k.repeat = bRepeat;
  k.changed = FALSE;
  vDropPending(key);
  if (bRepeat) {
    k.count_down = H_KEYBOARD_REPEAT_DELAY_MS;
    k.acceleration_count = 1;
    k.elapsed = u32Now();
  } else {
    k.count_down = 0;
    k.acceleration_count = 0;
    k.elapsed = 0;
  }
}

namespace {

// The key of a raw input; the four cursor contacts are the cursor key.
int nKeyOfSlot(S32 slot) {
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    if (s_anSlotOfKey[i] == slot) return i;
  }
  return HKEY_CURSOR;
}

// Brings one key up to the replayed raw inputs; TRUE when a press, repeat
// or release is reported. A new cursor direction alone is queued too, and
// handed out with the next reported change.
bool bStep(int key) {
  H_KEY_STATE& k = s_keys[key];
  if (key != HKEY_CURSOR) {
    if (!bUpdate(k, s_abRaw[s_anSlotOfKey[key]] != FALSE)) return false;
    k.changed = FALSE;
    vQueue(key);
    return true;
  }
  const U32 contacts = (s_abRaw[DD_SLOT_CURSOR_NORTH] ? 1u : 0u) | (s_abRaw[DD_SLOT_CURSOR_SOUTH] ? 2u : 0u) |
                       (s_abRaw[DD_SLOT_CURSOR_WEST] ? 4u : 0u) | (s_abRaw[DD_SLOT_CURSOR_EAST] ? 8u : 0u);
  const CURSOR_POSITION direction = eDirection(contacts, k.c_mode);
  const bool bTurned = direction != k.cursor;
  k.cursor = direction;
  const bool report = bUpdate(k, contacts != 0);
  k.changed = FALSE;
  if (report) {
    vQueue(key);
  } else if (bTurned) {
    vTurn();
  }
  return report;
}

}  // namespace

BOOLEAN H_KEYBOARD_bProcessKeys(void) {
  bool report = false;
  s_nPollStart = s_nPending;
  DD_KEY_CHANGE change;
  while (DD_KEYBOARD_bTakeChange(&change, nullptr)) {
    if (change.slot < 0 || change.slot >= DD_KEYBOARD_SLOTS) continue;
    if (s_abRaw[change.slot] == change.pressed) continue;
    s_abRaw[change.slot] = change.pressed;
    if (bStep(nKeyOfSlot(change.slot))) report = true;
  }
  // Then the slots themselves, which also stand for changes the queue had
  // no room for; a change read here and queued as well is not seen twice.
  DD_KEYBOARD_vGetState(s_abRaw);
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    if (bStep(i)) report = true;
  }
  return report ? TRUE : FALSE;
}

BOOLEAN H_KEYBOARD_bFetchKeyEvent(HKEY_ID* phKey, KEY_STATE* pState, U32* pu32RepeatCount, CURSOR_POSITION* pCursor) {
  if (s_nPending == 0) return FALSE;
  const PENDING e = s_aPending[0];
  for (int i = 1; i < s_nPending; ++i) s_aPending[i - 1] = s_aPending[i];
  --s_nPending;
  if (phKey != nullptr) *phKey = e.key;
  if (pState != nullptr) *pState = e.state;
  if (pu32RepeatCount != nullptr) *pu32RepeatCount = e.count;
  if (pCursor != nullptr) *pCursor = e.cursor;
  return TRUE;
}

BOOLEAN H_KEYBOARD_bIsDown(HKEY_ID hKey) {
  if (hKey < 0 || hKey >= HKEY_NUM_KEYS) return FALSE;
  return std::atomic_ref<KEY_STATE>(s_keys[hKey].state).load(std::memory_order_relaxed) == KEY_DOWN ? TRUE : FALSE;
}

BOOLEAN H_KEYBOARD_bIsPowerPressed(void) {
  BOOLEAN raw[DD_KEYBOARD_SLOTS];
  DD_KEYBOARD_vGetState(raw);
  return raw[DD_SLOT_POWER] ? TRUE : FALSE;
}
