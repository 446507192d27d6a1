// Key driver: the "keyboard" thread reads the keypad's Linux input events
// and keeps the raw pressed/released state of the 16 key inputs.
#pragma once

#include "common/types.h"
#include "source/platform/platform.h"  // DD_KEYBOARD_SLOTS, DD_KEYBOARD_au16KeyCode

// Raw input slots: one per key and one per contact of the cursor key.
enum DD_KEY_SLOT : S32 {
  DD_SLOT_POWER = 0,
  DD_SLOT_MENU = 1,
  DD_SLOT_EXIT = 2,
  DD_SLOT_VIEW = 3,
  DD_SLOT_ZOOM_IN = 4,
  DD_SLOT_ZOOM_OUT = 5,
  DD_SLOT_MARK = 6,
  DD_SLOT_GOTO = 7,
  DD_SLOT_INFO = 8,
  DD_SLOT_CURSOR_NORTH = 9,
  DD_SLOT_CURSOR_SOUTH = 10,
  DD_SLOT_CURSOR_WEST = 11,
  DD_SLOT_CURSOR_EAST = 12,
  DD_SLOT_SOFT_KEY_1 = 13,
  DD_SLOT_SOFT_KEY_2 = 14,
  DD_SLOT_SOFT_KEY_3 = 15,
};

// The input device of the keypad (resolved through the host layer).
constexpr const char* DD_KEYBOARD_DEVICE = "/dev/input/event0";

// The first call clears the 16 slots and starts the "keyboard" thread; later
// calls do nothing.
void DD_KEYBOARD_vInit(void);
// Advances the simulated key (option fake_key), then copies the 16 slots.
void DD_KEYBOARD_vGetState(BOOLEAN* pbList);

// One change of a raw input, in the order the device reported it.
struct DD_KEY_CHANGE {
  S32 slot;
  BOOLEAN pressed;
};
// Changes kept between two polls; more are dropped and the poll then reads
// the slots instead (DD_KEYBOARD_bTakeChange reports the loss).
constexpr int DD_KEYBOARD_CHANGE_QUEUE = 64;
// Takes the oldest change not yet taken: TRUE with *pChange filled, FALSE
// when none waits. *pbLost (may be null) is set TRUE when changes were
// dropped since the last call that reported a loss.
BOOLEAN DD_KEYBOARD_bTakeChange(DD_KEY_CHANGE* pChange, BOOLEAN* pbLost);
// Drops the changes not yet taken.
void DD_KEYBOARD_vDropChanges(void);
// No key scanning on this board.
void DD_KEYBOARD_vPhasedScan(void);
// Pause after a read that brought nothing or no key record, so that a
// device that never blocks (a plain file) does not keep the thread busy.
constexpr U32 DD_KEYBOARD_IDLE_PAUSE_MS = 5;
// Body of the "keyboard" thread.
void* DD_KEYBOARD_vThread(void* argument);
