// Linux input event records as this machine's kernel writes them, for tests
// that feed the key input device. Kept apart from <linux/input.h>, whose
// KEY_UP and KEY_DOWN macros would hide the unit's own key states.
#pragma once

#include <string>

#include "common/types.h"

// Event types (checked against <linux/input.h>).
constexpr U16 TEST_EV_SYN = 0;
constexpr U16 TEST_EV_KEY = 1;
constexpr U16 TEST_EV_MSC = 4;

// The bytes of one struct input_event with a zero time stamp.
std::string TEST_sInputEvent(U16 type, U16 code, S32 value);

// Opens the keypad pipe for writing (non-blocking); while the unit has not
// opened it yet (ENXIO) the open is tried again for up to two seconds.
int TEST_nOpenKeypad(const std::string& fifo);
