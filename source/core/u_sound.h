// Client functions of the sound task, for any task: register a sound (a
// WAV file in the sound folder, named after the SOUND record) and play a
// standard or registered sound. Both send a message to the sound task's
// mailbox at message priority 3 without waiting.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_sound.h"

// The standard sounds, which index the sound task's table.
enum TONE_SEQUENCE : S32 {
  TONE_USE_CUSTOM = 0,  // a registered SOUND is given
  TONE_TEST = 1,
  TONE_START = 2,
  TONE_KEYCLICK_GOOD = 3,
  TONE_KEYCLICK_BAD = 4,
  TONE_LARGE_FISH = 5,
  TONE_MEDIUM_FISH = 6,
  TONE_SMALL_FISH = 7,
  TONE_GENERAL_ALERT = 8,
  TONE_ALARM_ALERT = 9,
  NUM_STANDARD_TONES = 10,
};

TESSIX_PACK4_BEGIN
struct MSG_PLAY_SOUND {
  GENERIC_MESSAGE Header;  // CMD_ID_PLAY_SOUND
  U32 u32Priority;         // not used
  TONE_SEQUENCE StandardSoundID;
  SOUND* pSound;  // for TONE_USE_CUSTOM
  S32 nRepeat;    // low byte used, for TONE_USE_CUSTOM
};

struct MSG_REGISTER_SOUND {
  GENERIC_MESSAGE Header;  // CMD_ID_REGISTER_SOUND
  SOUND* pSound;
  S32 bAlarm;  // played at the alarm volume
};
TESSIX_PACK_END

void U_SOUND_vPlaySound(TONE_SEQUENCE eStandardSound, SOUND* pCustomSound, U32 u32Priority, S32 nRepeat);
void U_SOUND_vRegisterSound(SOUND* pSound, BOOLEAN bAlarm);
// Nominal length in milliseconds of a standard sound's table entry, or of
// pSound for TONE_USE_CUSTOM: samples × 1000 / sample rate. Every
// registered sound counts as 200000 samples (9204 ms), whatever its file
// holds; 0 before the driver is initialised.
U32 U_SOUND_u32CalculateSoundLength(TONE_SEQUENCE eStandardSound, const SOUND* pSound);
