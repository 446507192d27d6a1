// Keyboard task: polls the keys every 25 ms and hands each change to the
// task that stands first in that key's list of registrations; watches the
// long presses of the go-to, view and power keys.
#pragma once

#include "common/key_types.h"
#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_keyboard.h"
#include "source/graphics/graphics_upcalls.h"


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


struct MSG_INITIATE_SHUTDOWN {
  GENERIC_MESSAGE Header;  // CMD_ID_INITIATE_SHUTDOWN
  BOOLEAN bReset;
  BOOLEAN bPowerOff;
};
TESSIX_PACK_END

// Client functions (any task). FALSE when the keyboard task's key TKBD is
// missing or not valid; TRUE once the request is sent (it takes effect when
// the keyboard task handles it).
// U_KEYBOARD_bRegisterKeys is declared with the graphics library's upward
// calls (the view-key task registers through it); UI_vInstall installs this
// one, the keyboard task's own.
BOOLEAN T_KEYBOARD_bRegisterKeys(MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                                 CURSOR_MODE cursorMode, KEY_USAGE usage);
BOOLEAN U_KEYBOARD_bUnregisterKeys(MBOX mboxOwner, U32 u32Keys);

// The task's entry.
void T_KEYBOARD_vTask(void);
// Sends CMD_ID_RESET_POS to every task mailbox registered under a T key but
// the keyboard task's own.
void T_KEYBOARD_vSendResetMessages(void);
// A press of the key (mask) for the first registration in its list that is
// not the keyboard task's own (the demonstration's simulated keys); nothing
// without one. Keyboard task only.
void T_KEYBOARD_vSendSimulatedKey(U32 u32Mask, CURSOR_POSITION cursor);
// The count-down text the power-hold box shows now.
SHUTDOWN_MESSAGE T_KEYBOARD_eShutdownMessage(void);
// Number of key polls done since the task started (state dump and tests).
U32 T_KEYBOARD_u32PollCount(void);
