// Sound task (mailbox 46, key TSND): keeps the table of known sounds, the
// sound volume (SVOL), the alarm volume (SVOA), the tone mode (STMD) and
// whether key clicks sound (CKCK). It plays key clicks on SEMA_KEYCLICK_GOOD
// and SEMA_KEYCLICK_BAD and fish alarms on their semaphores when no sound
// plays (otherwise they are dropped), and plays or queues (queue Q_SOUND)
// the requests of the client functions (source/core/u_sound.h).
#pragma once

#include "common/types.h"

struct SOUND;

enum SOUND_MODE : S32 {
  SOUND_MODE_SILENT = 0,
  SOUND_MODE_NO_KEYS = 1,  // key clicks silent, every other sound heard
  SOUND_MODE_ALL = 2,
};

// Text records of the sound settings, shared with their menu items.
extern const char* const g_SOUND_txtSoundVolume[];
extern const char* const g_SOUND_txtAlarmVolume[];
extern const char* const g_SOUND_txtToneMode[];

void T_SOUND_vTask(void);
// The record of a standard sound's table entry (1 to 9; the entries
// without a file are placeholders); null for anything else.
const SOUND* T_SOUND_pStandardSound(S32 eStandardSound);
