// Key state layer: turns the 16 raw key inputs into the 13 keys of the
// keypad with press, release, per-key auto-repeat and, for the cursor key, a
// direction. The keyboard task polls it every 25 ms and fetches the changes
// one key at a time.
#pragma once

#include "common/key_types.h"
#include "common/types.h"

enum HKEY_ID : S32 {
  HKEY_POWER = 0,
  HKEY_MENU = 1,
  HKEY_EXIT = 2,
  HKEY_VIEW = 3,
  HKEY_CURSOR = 4,
  HKEY_ZOOM_IN = 5,
  HKEY_ZOOM_OUT = 6,
  HKEY_MARK = 7,
  HKEY_GOTO = 8,
  HKEY_INFO = 9,
  HKEY_SOFT_KEY_1 = 10,
  HKEY_SOFT_KEY_2 = 11,
  HKEY_SOFT_KEY_3 = 12,
  HKEY_NUM_KEYS = 13,
};


// Repeat timing of a held key whose user asked for repeats.
constexpr S32 H_KEYBOARD_REPEAT_DELAY_MS = 500;
constexpr S32 H_KEYBOARD_REPEAT_PERIOD_MS = 125;

struct H_KEY_STATE {
  KEY_STATE state;          // as of the last poll; 0 before the first
  CURSOR_POSITION cursor;   // the cursor key's direction; CURSOR_UP otherwise
  CURSOR_MODE c_mode;       // how the cursor contacts are read
  BOOLEAN changed;          // an event waits to be fetched
  BOOLEAN repeat;           // a held key repeats
  BOOLEAN accelerate;       // each repeat raises the repeat count
  S32 count_down;           // ms until the next repeat; 0: no repeat timing
  U32 acceleration_count;   // the repeat count handed out with each event
  U32 elapsed;              // tick reading at the last repeat check
};

// Starts the driver and sets up the 13 key states; keys held now give no
// press event.
void H_KEYBOARD_vInit(void);
// How one key behaves for its current user; drops an unfetched change of it.
void H_KEYBOARD_vSetupKey(HKEY_ID key, BOOLEAN bRepeat, BOOLEAN bAccelerate, CURSOR_MODE cursor_mode);
// One poll; TRUE when a key was pressed, released or repeated.
BOOLEAN H_KEYBOARD_bProcessKeys(void);
// Hands out one waiting change, oldest first; FALSE when none waits.
BOOLEAN H_KEYBOARD_bFetchKeyEvent(HKEY_ID* phKey, KEY_STATE* pState, U32* pu32RepeatCount, CURSOR_POSITION* pCursor);
// TRUE while the key is down as of the last poll (any task may ask).
BOOLEAN H_KEYBOARD_bIsDown(HKEY_ID hKey);
// Reads the power key's raw input now, independent of polling.
BOOLEAN H_KEYBOARD_bIsPowerPressed(void);
