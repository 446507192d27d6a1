// Transducer detection at start-up: a short test ping, and the echo energy
// of up to ten receive blocks against the noise.
#pragma once

#include "common/types.h"

constexpr U32 DETECT_DEFAULT_THRESHOLD = 32;
constexpr U32 DETECT_AD02_PRESENT_BELOW = 0xFD00;

// Installed as the start-up task's S_DETECT_bTransducerConnected. With the option
// fake_transducer FALSE without a test; a non-default selected transducer is
// taken as connected without a test.
BOOLEAN S_DETECT_bTestTransducer(void);
