// Key state layer over the raw inputs of the key driver. Only the keyboard
// task's thread changes the key states; H_KEYBOARD_bIsDown reads one state
// word from any task.
#include "source/core/h_keyboard.h"

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"

namespace {

H_KEY_STATE s_keys[HKEY_NUM_KEYS];

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
  (void)H_KEYBOARD_bProcessKeys();
  // Keys held at start give no press event.
  for (H_KEY_STATE& k : s_keys) k.changed = FALSE;
}

void H_KEYBOARD_vSetupKey(HKEY_ID key, BOOLEAN bRepeat, BOOLEAN bAccelerate, CURSOR_MODE cursor_mode) {
  if (key < 0 || key >= HKEY_NUM_KEYS) return;
  H_KEY_STATE& k = s_keys[key];
  k.c_mode = cursor_mode;
  k.accelerate = bAccelerate;
  k.repeat = bRepeat;
  k.changed = FALSE;
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

BOOLEAN H_KEYBOARD_bProcessKeys(void) {
  BOOLEAN raw[DD_KEYBOARD_SLOTS];
  DD_KEYBOARD_vGetState(raw);
  bool report = false;
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    if (i == HKEY_CURSOR) continue;
    if (bUpdate(s_keys[i], raw[s_anSlotOfKey[i]] != FALSE)) report = true;
  }
  H_KEY_STATE& c = s_keys[HKEY_CURSOR];
  const U32 contacts = (raw[DD_SLOT_CURSOR_NORTH] ? 1u : 0u) | (raw[DD_SLOT_CURSOR_SOUTH] ? 2u : 0u) |
                       (raw[DD_SLOT_CURSOR_WEST] ? 4u : 0u) | (raw[DD_SLOT_CURSOR_EAST] ? 8u : 0u);
  const CURSOR_POSITION direction = eDirection(contacts, c.c_mode);
  if (direction != c.cursor) {
    // A new direction alone is fetched with the next reported change.
    c.cursor = direction;
    c.changed = TRUE;
  }
  if (bUpdate(c, contacts != 0)) report = true;
  return report ? TRUE : FALSE;
}

BOOLEAN H_KEYBOARD_bFetchKeyEvent(HKEY_ID* phKey, KEY_STATE* pState, U32* pu32RepeatCount, CURSOR_POSITION* pCursor) {
  for (int i = 0; i < HKEY_NUM_KEYS; ++i) {
    H_KEY_STATE& k = s_keys[i];
    if (!k.changed) continue;
    k.changed = FALSE;
    if (phKey != nullptr) *phKey = (HKEY_ID)i;
    if (pState != nullptr) *pState = k.state;
    if (pu32RepeatCount != nullptr) *pu32RepeatCount = k.acceleration_count;
    if (pCursor != nullptr) *pCursor = k.cursor;
    return TRUE;
  }
  return FALSE;
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
