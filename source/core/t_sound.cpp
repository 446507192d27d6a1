// Sound task.
#include "source/core/t_sound.h"

#include "common/language.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/h_sound.h"
#include "source/core/u_sound.h"

#define SOUND_TEXT_RECORD(name, text)                                                                 \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
SOUND_TEXT_RECORD(g_SOUND_txtSoundVolume, "Sound Volume");
SOUND_TEXT_RECORD(g_SOUND_txtAlarmVolume, "Alarm Volume");
SOUND_TEXT_RECORD(g_SOUND_txtToneMode, "/Tone Mode");

namespace {

constexpr int MAX_SOUNDS = 64;
constexpr U32 DEFAULT_VOLUME = 5;
constexpr FOURCHARID KEY_MAILBOX = FCID("TSND");
constexpr FOURCHARID KEY_SOUND_VOLUME = FCID("SVOL");
constexpr FOURCHARID KEY_ALARM_VOLUME = FCID("SVOA");
constexpr FOURCHARID KEY_TONE_MODE = FCID("STMD");
constexpr FOURCHARID KEY_KEY_CLICKS = FCID("CKCK");
constexpr FOURCHARID KEY_SUPER_USER = FCID("SMSU");

struct SOUND_INFO {
  S32 nSoundID;  // the driver's index, -1 for none
  SOUND* pSound;
};

// The standard sounds, in TONE_SEQUENCE order; entries 0 and 1 have no file.
SOUND s_aStandardSounds[NUM_STANDARD_TONES] = {
    {"FAKE!", 0, 0, nullptr},
    {"FAKE!", 0, 0, nullptr},
    {"startup_sound", 0, 0, nullptr},
    {"good_key_sound", 0, 0, nullptr},
    {"bad_key_sound", 0, 0, nullptr},
    {"fish_sound", 0, 0, nullptr},
    {"fish_sound", 0, 0, nullptr},
    {"fish_sound", 0, 0, nullptr},
    {"general_alarm_sound", 0, 0, nullptr},
    {"general_alarm_sound", 0, 0, nullptr},
};

SOUND_INFO s_aTable[MAX_SOUNDS];
int s_nEntries = 0;
bool s_bSoundActive = false;
bool s_bKeyClicks = true;
SOUND_MODE s_eToneMode = SOUND_MODE_ALL;
U32 s_u32SoundVolume = DEFAULT_VOLUME;
U32 s_u32AlarmVolume = DEFAULT_VOLUME;

bool bAlarmTone(int tone) { return tone >= TONE_LARGE_FISH && tone <= TONE_ALARM_ALERT; }

// Plays the table entry at once with a repeat count of 1 when no sound is
// active, otherwise puts it with its repeat count into Q_SOUND.
void vPlayOrQueue(int entry, S32 nRepeat) {
  const S32 id = s_aTable[entry].nSoundID;
  if (id < 0 || id >= s_nEntries) return;
  if (s_bSoundActive) {
    const U16 queued = (U16)(((U32)id & 0xFF) << 8 | ((U32)nRepeat & 0xFF));
    if (L_QUEUE_Put(Q_SOUND, &queued) != lsSUCCESS) log_me("sound: queue full, sound %d dropped", (int)id);
    return;
  }
  (void)H_SOUND_nPlaySound(id, 1);
  s_bSoundActive = true;
}

// The next queued sound with its repeat count; no sound is active when the
// queue is empty.
void vSoundComplete(void) {
  U16 queued = 0;
  if (L_QUEUE_Get(Q_SOUND, &queued) == lsSUCCESS) {
    (void)H_SOUND_nPlaySound((S32)(queued >> 8), (S32)(queued & 0xFF));
  } else {
    s_bSoundActive = false;
  }
}

void vKeyClick(int entry) {
  if (!s_bSoundActive && s_bKeyClicks && s_eToneMode == SOUND_MODE_ALL) vPlayOrQueue(entry, 1);
}

void vFishAlarm(int entry) {
  if (!s_bSoundActive) vPlayOrQueue(entry, 1);
}

int nFindCustom(const SOUND* pSound) {
  for (int i = NUM_STANDARD_TONES; i < s_nEntries; ++i) {
    if (s_aTable[i].pSound == pSound) return i;
  }
  return -1;
}

// A volume setting changed: above 10 it is written back as 10 (its notice
// then applies it), otherwise a new value is applied.
void vVolumeChanged(FOURCHARID key, U32 value, U32* pCurrent, BOOLEAN bAlarm) {
  if (value > H_SOUND_MAX_VOLUME) {
    (void)H_DATABASE_bUpdateValueU32(key, H_SOUND_MAX_VOLUME, P_NORMAL);
  } else if (value != *pCurrent) {
    *pCurrent = value;
    (void)H_SOUND_nSetVolume((U8)value, bAlarm);
  }
}

void vNewData(const MESSAGE_NEW_DATA* msg) {
  if (!msg->bValid) return;
  const U32 value = msg->dbValue.u32Val;
  if (msg->FourCharId == KEY_ALARM_VOLUME) {
    vVolumeChanged(KEY_ALARM_VOLUME, value, &s_u32AlarmVolume, TRUE);
  } else if (msg->FourCharId == KEY_SOUND_VOLUME) {
    vVolumeChanged(KEY_SOUND_VOLUME, value, &s_u32SoundVolume, FALSE);
  } else if (msg->FourCharId == KEY_TONE_MODE) {
    s_eToneMode = (SOUND_MODE)value;
  } else if (msg->FourCharId == KEY_KEY_CLICKS) {
    s_bKeyClicks = value != FALSE;
  }
}

void vRegisterSound(const MSG_REGISTER_SOUND* msg) {
  const int found = nFindCustom(msg->pSound);
  if (found >= 0 && s_aTable[found].nSoundID != -1) return;
  if (s_nEntries > MAX_SOUNDS - 1) FATAL_ERROR("Exceeded Maximum Sound Count");
  s_aTable[s_nEntries] = SOUND_INFO{H_SOUND_nInitPcmBuffer(msg->pSound, msg->bAlarm ? TRUE : FALSE), msg->pSound};
  ++s_nEntries;
}

void vPlayRequest(const MSG_PLAY_SOUND* msg) {
  if (msg->StandardSoundID != TONE_USE_CUSTOM) {
    if (msg->StandardSoundID > TONE_USE_CUSTOM && msg->StandardSoundID < NUM_STANDARD_TONES) {
      vPlayOrQueue(msg->StandardSoundID, 1);
    }
    return;
  }
  const int found = nFindCustom(msg->pSound);
  if (found >= 0) vPlayOrQueue(found, msg->nRepeat & 0xFF);
}

void vHandleMessage(void* p) {
  const GENERIC_MESSAGE* msg = (const GENERIC_MESSAGE*)p;
  switch (msg->Cmd) {
    case CMD_ID_NEW_DATA:
      vNewData((const MESSAGE_NEW_DATA*)p);
      break;
    case CMD_ID_RESET_POS:
      (void)H_DATABASE_bUpdateEverythingU32(KEY_SOUND_VOLUME, DEFAULT_VOLUME, P_NORMAL, D_UNKNOWN,
                                            g_SOUND_txtSoundVolume, DB_NO_TIMEOUT);
      (void)H_DATABASE_bUpdateEverythingU32(KEY_ALARM_VOLUME, DEFAULT_VOLUME, P_NORMAL, D_UNKNOWN,
                                            g_SOUND_txtAlarmVolume, DB_NO_TIMEOUT);
      break;
    case CMD_ID_REGISTER_SOUND:
      vRegisterSound((const MSG_REGISTER_SOUND*)p);
      break;
    case CMD_ID_PLAY_SOUND:
      vPlayRequest((const MSG_PLAY_SOUND*)p);
      break;
    default:
      break;  // the shutdown among them: acknowledged by disposing of it
  }
  H_MEMORY_vDumpMail(p);
}

// A volume setting at start: its value (the default at P_NORMAL when
// missing), followed from now on.
U32 u32ReadVolume(FOURCHARID key) {
  U32 value = DEFAULT_VOLUME;
  if (!H_DATABASE_bFetchU32(key, &value)) {
    value = DEFAULT_VOLUME;
    (void)H_DATABASE_bUpdateValueU32(key, value, P_NORMAL);
  }
  (void)H_DATABASE_bRegisterForDataWithConditions(key, M_SOUND, TRUE, FALSE, FALSE);
  return value;
}

void vReadSettings(void) {
  (void)H_DATABASE_bUpdateEverythingU32(KEY_SOUND_VOLUME, DEFAULT_VOLUME, P_DEFAULT_SETTING, D_UNKNOWN,
                                        g_SOUND_txtSoundVolume, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingU32(KEY_ALARM_VOLUME, DEFAULT_VOLUME, P_DEFAULT_SETTING, D_UNKNOWN,
                                        g_SOUND_txtAlarmVolume, DB_NO_TIMEOUT);

  U32 mode = SOUND_MODE_ALL;
  if (!H_DATABASE_bFetchU32(KEY_TONE_MODE, &mode)) {
    mode = SOUND_MODE_ALL;
    (void)H_DATABASE_bUpdateEverythingU32(KEY_TONE_MODE, mode, P_NORMAL, D_UNKNOWN, g_SOUND_txtToneMode,
                                          DB_NO_TIMEOUT);
  }
  s_eToneMode = (SOUND_MODE)mode;
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_TONE_MODE, M_SOUND, TRUE, FALSE, FALSE);

  s_u32SoundVolume = u32ReadVolume(KEY_SOUND_VOLUME);
  (void)H_SOUND_nSetVolume((U8)(s_u32SoundVolume > 255 ? 255 : s_u32SoundVolume), FALSE);
  s_u32AlarmVolume = u32ReadVolume(KEY_ALARM_VOLUME);
  (void)H_SOUND_nSetVolume((U8)(s_u32AlarmVolume > 255 ? 255 : s_u32AlarmVolume), TRUE);

  s_bKeyClicks = true;
  (void)H_DATABASE_bUpdateEverythingBoolean(KEY_KEY_CLICKS, TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bRegisterForDataWithConditions(KEY_KEY_CLICKS, M_SOUND, TRUE, FALSE, FALSE);
}

}  // namespace

const SOUND* T_SOUND_pStandardSound(S32 eStandardSound) {
  if (eStandardSound <= TONE_USE_CUSTOM || eStandardSound >= NUM_STANDARD_TONES) return nullptr;
  return &s_aStandardSounds[eStandardSound];
}

void T_SOUND_vTask(void) {
  (void)H_SOUND_nInit();
  if (H_DATABASE_bUpdateEverythingU32(KEY_MAILBOX, (U32)M_SOUND, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the Sound Task Maibox");
  }
  vReadSettings();

  BOOLEAN bSuperUser = FALSE;
  (void)H_DATABASE_bFetchBoolean(KEY_SUPER_USER, &bSuperUser);
  T_SOUND_vRegisterMenus(bSuperUser);

  for (int tone = 0; tone < NUM_STANDARD_TONES; ++tone) {
    s_aTable[tone] = SOUND_INFO{H_SOUND_nInitPcmBuffer(&s_aStandardSounds[tone], bAlarmTone(tone) ? TRUE : FALSE),
                                &s_aStandardSounds[tone]};
  }
  s_nEntries = NUM_STANDARD_TONES;

  const S32 start = s_aTable[TONE_START].nSoundID;
  if (start >= 0 && start < NUM_STANDARD_TONES) {
    (void)H_SOUND_nPlaySound(start, 1);
    s_bSoundActive = true;
  }

  const SEMA events[] = {SEMA_MBOX_SOUND,      SEMA_SOUND_DMA,         SEMA_SOUND_COMPLETE,
                         SEMA_KEYCLICK_GOOD,   SEMA_KEYCLICK_BAD,      SEMA_FISH_ALARM_LARGE,
                         SEMA_FISH_ALARM_MEDIUM, SEMA_FISH_ALARM_SMALL, 0};
  for (;;) {
    switch (L_SEMA_WaitMultiple(events)) {
      case SEMA_MBOX_SOUND:
        while (void* msg = L_MBOX_Receive(M_SOUND)) vHandleMessage(msg);
        break;
      case SEMA_SOUND_DMA:
        (void)H_SOUND_nHandleSound();
        break;
      case SEMA_SOUND_COMPLETE:
        vSoundComplete();
        break;
      case SEMA_KEYCLICK_GOOD:
        vKeyClick(TONE_KEYCLICK_GOOD);
        break;
      case SEMA_KEYCLICK_BAD:
        vKeyClick(TONE_KEYCLICK_BAD);
        break;
      case SEMA_FISH_ALARM_LARGE:
        vFishAlarm(TONE_LARGE_FISH);
        break;
      case SEMA_FISH_ALARM_MEDIUM:
        vFishAlarm(TONE_MEDIUM_FISH);
        break;
      case SEMA_FISH_ALARM_SMALL:
        vFishAlarm(TONE_SMALL_FISH);
        break;
      default:
        L_CLOCK_Sleep(100);
        break;
    }
  }
}
