// Keyboard task: polls the keys every 25 ms and hands each change to the
// task that stands first in that key's list of registrations; watches the
// long presses of the go-to, view and power keys.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/h_keyboard.h"

// A larger level stands in front of a smaller one.
enum KEY_USAGE : S32 {
  REGISTER_BASIC = 1,
  REGISTER_EXCLUSIVE = 2,
  REGISTER_VIEW = 3,
  REGISTER_POP_UP = 4,
  REGISTER_MENU = 5,
  REGISTER_DIALOG_BOX = 6,
  REGISTER_POS_TUTORIAL = 7,
  REGISTER_SYSTEM_STATUS = 8,
  REGISTER_PC_CONNECT = 9,
  REGISTER_ALARM = 10,
  REGISTER_CONTRAST = 11,
  REGISTER_SCREEN_CAPTURE = 12,
  REGISTER_STARTUP = 13,
  REGISTER_REFLASH = 14,
  REGISTER_DIAGNOSTIC = 15,
};

// Key masks: a registration names keys by one bit each, and a key change
// carries the bit of its key. 1024 belongs to no key.
constexpr U32 KEY_MASK_POWER = 1;
constexpr U32 KEY_MASK_VIEW = 2;
constexpr U32 KEY_MASK_MENU = 4;
constexpr U32 KEY_MASK_EXIT = 8;
constexpr U32 KEY_MASK_CURSOR = 16;
constexpr U32 KEY_MASK_ZOOM_IN = 32;
constexpr U32 KEY_MASK_ZOOM_OUT = 64;
constexpr U32 KEY_MASK_MARK = 128;
constexpr U32 KEY_MASK_GOTO = 256;
constexpr U32 KEY_MASK_INFO = 512;
constexpr U32 KEY_MASK_SOFT_KEY_1 = 2048;
constexpr U32 KEY_MASK_SOFT_KEY_2 = 4096;
constexpr U32 KEY_MASK_SOFT_KEY_3 = 8192;

// Long presses: the go-to key signals SEMA_KEYBOARD_LONG_GOTO, the view key
// opens the view-selection menu, the power key counts down to a power-down.
constexpr U32 KEYBOARD_LONG_GOTO_MS = 1500;
constexpr U32 KEYBOARD_LONG_VIEW_MS = 1000;
constexpr U32 KEYBOARD_POWER_STAGE_MS = 1000;
constexpr U32 KEYBOARD_POWER_OFF_MS = 3000;
// The poll timer: first expiry and period.
constexpr U32 KEYBOARD_POLL_FIRST_MS = 10;
constexpr U32 KEYBOARD_POLL_PERIOD_MS = 25;

enum SHUTDOWN_TYPE : S32 {
  POWER_DOWN = 1,
  RESET = 2,
};

// Which count-down text the power-hold box shows; 0 before the first hold.
enum SHUTDOWN_MESSAGE : S32 {
  FIRST_SHUTDOWN_MESSAGE = 1,
  SECOND_SHUTDOWN_MESSAGE = 2,
  LAST_SHUTDOWN_MESSAGE = 3,
};

TESSIX_PACK4_BEGIN
struct MSG_REGISTER_FOR_KEYS {
  GENERIC_MESSAGE Header;  // CMD_ID_REGISTER_FOR_KEYS
  U32 keys;
  U32 flag;
  MBOX mailbox;
  KEY_STATE state;
  KEY_USAGE usage;
  CURSOR_MODE cursor_mode;
  BOOLEAN repeat;
  BOOLEAN accelerate;
  BOOLEAN pass;  // set by the keyboard task once a registration was linked in
};

struct MSG_UNREGISTER_FOR_KEYS {
  GENERIC_MESSAGE Header;  // CMD_ID_UNREGISTER_FOR_KEYS
  U32 keys;
  MBOX mailbox;
};

struct MSG_KEY_CHANGE {
  GENERIC_MESSAGE Header;  // CMD_ID_KEY_CHANGE
  U32 key;                 // the key's mask
  KEY_STATE state;         // KEY_DOWN for a press or repeat, KEY_UP for a release
  U32 count;               // repeat count
  CURSOR_POSITION cursor;  // the cursor key's direction, CURSOR_UP otherwise
  U32 flag;                // the registration's flag
};

struct MSG_INITIATE_SHUTDOWN {
  GENERIC_MESSAGE Header;  // CMD_ID_INITIATE_SHUTDOWN
  BOOLEAN bReset;
  BOOLEAN bPowerOff;
};
TESSIX_PACK_END

// Client functions (any task). FALSE when the keyboard task's key TKBD is
// missing or not valid; TRUE once the request is sent (it takes effect when
// the keyboard task handles it).
BOOLEAN U_KEYBOARD_bRegisterKeys(MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                                 CURSOR_MODE cursorMode, KEY_USAGE usage);
BOOLEAN U_KEYBOARD_bUnregisterKeys(MBOX mboxOwner, U32 u32Keys);

// The task's entry.
void T_KEYBOARD_vMain(void);
// Sends CMD_ID_RESET_POS to every task mailbox registered under a T key but
// the keyboard task's own.
void T_KEYBOARD_vSendResetMessages(void);
// The count-down text the power-hold box shows now.
SHUTDOWN_MESSAGE T_KEYBOARD_eShutdownMessage(void);
// Number of key polls done since the task started (state dump and tests).
U32 T_KEYBOARD_u32PollCount(void);
