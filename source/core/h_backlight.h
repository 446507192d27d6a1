// The display backlight: 11 levels (key CBAK, 0 dimmest to 10 brightest)
// written to the panel's brightness file as a pair of numbers from the
// table of the panel kind that the revision bits (key CREV) name.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"

constexpr S32 DISPLAY_BACKLIGHT_MAX = 10;

// The panel's brightness file (resolved under the host root on this machine).
extern const char* const H_BACKLIGHT_pcBrightnessFile;

// Registers the mailbox for CREV and CBAK, takes the panel kind from CREV,
// sets CBAK to 10 and writes that level.
void H_BACKLIGHT_vSetup(MBOX mailbox);
// Writes the level's pair into the brightness file; a level above 10, or a
// file that cannot be opened, does nothing.
void H_BACKLIGHT_vChangeIntensity(U32 intensityIndex);
// Bit value 4: new display panel; else 8: new dimmer panel; else the older
// panel. A flag once set stays set, but a value with neither bit clears the
// new-display flag.
void H_BACKLIGHT_vProcessRevisionBits(U32 u32Bits);
// Adds the amount to CBAK within 0-10. FALSE, changing nothing, when CBAK is
// not valid, the amount is 0 or the level already sits at the end the amount
// points to.
BOOLEAN H_BACKLIGHT_bChange(S32 s32Amount);
// Remembers CBAK (when valid); H_BACKLIGHT_vRestore writes it back.
void H_BACKLIGHT_vSave(void);
void H_BACKLIGHT_vRestore(void);
