// Client functions of the sound task.
#include "source/core/u_sound.h"

#include <string.h>

#include "source/core/t_sound.h"

namespace {

constexpr PRIORITY SOUND_MESSAGE_PRIORITY = 3;

template <typename M>
void vSend(M* msg) {
  if (L_MBOX_Send(M_SOUND, msg, SOUND_MESSAGE_PRIORITY, 0) != lsSUCCESS) {
    log_me("sound: request %d not sent", (int)msg->Header.Cmd);
    H_MEMORY_vFree(msg);
  }
}

}  // namespace

void U_SOUND_vPlaySound(TONE_SEQUENCE eStandardSound, SOUND* pCustomSound, U32 u32Priority, S32 nRepeat) {
  MSG_PLAY_SOUND* msg = (MSG_PLAY_SOUND*)H_MEMORY_pvMalloc(sizeof(MSG_PLAY_SOUND));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_PLAY_SOUND;
  msg->u32Priority = u32Priority;
  msg->StandardSoundID = eStandardSound;
  msg->pSound = pCustomSound;
  msg->nRepeat = nRepeat;
  vSend(msg);
}

void U_SOUND_vRegisterSound(SOUND* pSound, BOOLEAN bAlarm) {
  MSG_REGISTER_SOUND* msg = (MSG_REGISTER_SOUND*)H_MEMORY_pvMalloc(sizeof(MSG_REGISTER_SOUND));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_REGISTER_SOUND;
  msg->pSound = pSound;
  msg->bAlarm = bAlarm ? TRUE : FALSE;
  vSend(msg);
}

U32 U_SOUND_u32CalculateSoundLength(TONE_SEQUENCE eStandardSound, const SOUND* pSound) {
  const SOUND* sound = eStandardSound == TONE_USE_CUSTOM ? pSound : T_SOUND_pStandardSound(eStandardSound);
  if (sound == nullptr) return 0;
  // The rate is -6 before the driver is initialised: as an unsigned
  // divisor it makes the length 0.
  const U32 rate = (U32)H_SOUND_nGetSampleRate();
  return (U32)((U64)sound->u32Samples * 1000u / rate);
}
