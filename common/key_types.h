// Key types shared by the key device, the keyboard task and every task that
// registers for keys: key states, cursor directions, usage levels, key masks
// and the key-change message.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"

// A key's own state is KEY_UP or KEY_DOWN; KEY_CHANGE asks for both in a
// registration.
enum KEY_STATE : S32 {
  KEY_UP = 1,
  KEY_DOWN = 2,
  KEY_CHANGE = 3,
};

enum CURSOR_POSITION : S32 {
  CURSOR_NORTH = 1,
  CURSOR_NORTH_EAST = 2,
  CURSOR_EAST = 3,
  CURSOR_SOUTH_EAST = 4,
  CURSOR_SOUTH = 5,
  CURSOR_SOUTH_WEST = 6,
  CURSOR_WEST = 7,
  CURSOR_NORTH_WEST = 8,
  CURSOR_UP = 9,       // no direction
  CURSOR_ILLEGAL = 10, // contacts that give no valid direction
};

enum CURSOR_MODE : S32 {
  CURSOR_4 = 1,  // four directions; diagonals are illegal
  CURSOR_8 = 2,  // eight directions
  NOT_CURSOR_KEY = 3,
};

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

TESSIX_PACK4_BEGIN
struct MSG_KEY_CHANGE {
  GENERIC_MESSAGE Header;  // CMD_ID_KEY_CHANGE
  U32 key;                 // the key's mask
  KEY_STATE state;         // KEY_DOWN for a press or repeat, KEY_UP for a release
  U32 count;               // repeat count
  CURSOR_POSITION cursor;  // the cursor key's direction, CURSOR_UP otherwise
  U32 flag;                // the registration's flag
};
TESSIX_PACK_END
