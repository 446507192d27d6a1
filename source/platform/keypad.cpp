// The keypad's key codes, the same on the board and on this machine.
#include "source/platform/platform.h"

const U16 DD_KEYBOARD_au16KeyCode[DD_KEYBOARD_SLOTS] = {
    46,   // power
    50,   // menu
    30,   // exit
    28,   // view
    106,  // zoom in
    103,  // zoom out
    36,   // mark
    18,   // go-to
    24,   // info
    105,  // cursor north contact
    108,  // cursor south contact
    23,   // cursor west contact
    49,   // cursor east contact
    48,   // soft key 1
    33,   // soft key 2
    37,   // soft key 3
};
