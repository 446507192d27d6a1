// Display backlight: 11 levels (key CBAK, 10 the brightest) written to the
// panel's brightness file as two equal numbers, by one of three tables
// chosen by the panel revision bits in key CREV. Runs in the display task
// (and the PC-connection service, which sets intensities directly).
#pragma once

#include "common/db_types.h"
#include "common/types.h"

constexpr S32 DISPLAY_BACKLIGHT_MAX = 10;
constexpr const char* H_BACKLIGHT_FILE = "/sys/devices/platform/omapdss/generic-bl/backlight/omap3evm-bklight/brightness";
// Revision bits of CREV that name the panel.
constexpr U32 H_BACKLIGHT_REV_NEW_DISPLAY = 4;
constexpr U32 H_BACKLIGHT_REV_NEW_DIMMER = 8;

extern const char* const H_BACKLIGHT_apcLight[];  // text record "Light"

// Registers the mailbox for CREV and CBAK, reads the panel kind, sets CBAK
// to 10 and writes that level (the level-10 pair when CBAK has no valid
// value; nothing for a level above 10).
void H_BACKLIGHT_vSetup(MBOX mailbox);
// Writes the panel's pair for the level; a level outside 0-10 or a missing
// brightness file changes nothing.
void H_BACKLIGHT_vChangeIntensity(S32 intensityIndex);
void H_BACKLIGHT_vProcessRevisionBits(U32 u32Bits);
// Adds the amount to CBAK within 0-10 (P_NORMAL). FALSE without a change
// when CBAK is not valid, the amount is 0 or the level already sits at the
// end the amount points to.
BOOLEAN H_BACKLIGHT_bChange(S32 s32Amount);
void H_BACKLIGHT_vSave(void);
void H_BACKLIGHT_vRestore(void);
// The brightness number of the level on the current panel (-1 outside 0-10).
S32 H_BACKLIGHT_s32Brightness(S32 level);
