// Sound driver: plays one sound file at a time on the ALSA PCM "default"
// and sets the audio codec's mixer controls (card "default") for the volume.
// Driven by the sound task alone; any task may ask whether a sound plays.
//
// Sounds are WAV files in the fixed folder "/usr/tessix/sounds" (resolved
// through the platform layer): 16-bit signed little-endian mono samples at
// 21729 Hz after the canonical 44-byte header. A file whose header says
// anything else is refused with a trace line; a missing file plays 10240
// bytes of silence.
//
// Where the machine has no sound card (neither the mixer nor the PCM opens)
// one trace line says so and every later call does nothing: the sound task
// keeps serving its mailbox and the unit runs silently.
#pragma once

#include "common/types.h"

// A sound known by name. Its owner keeps the record for the program's life;
// the driver keeps a pointer to it.
struct SOUND {
  const char* name;   // file name without folder and extension
  U32 u32Samples;     // nominal length; set to 200000 at registration
  U32 u32SamplesPerSec;  // set to 21729 at registration
  U16* pu16Data;      // set to null at registration
};

enum SOUND_STATE : S32 {
  SOUND_STATE_UNINITIALIZED = 0,
  SOUND_STATE_STOP = 1,
  SOUND_STATE_PLAY = 2,
};

enum simpleElementType : S32 {
  ALSA_SWITCH = 0,
  ALSA_VOLUME = 1,
};

constexpr S32 H_SOUND_SAMPLE_RATE = 21729;
constexpr U32 H_SOUND_REGISTERED_SAMPLES = 200000;
constexpr int H_SOUND_MAX_SOUNDS = 64;
constexpr U32 H_SOUND_BUFFER_BYTES = 1024000;
constexpr U32 H_SOUND_MIN_BYTES = 10240;
constexpr U32 H_SOUND_WAV_HEADER_BYTES = 44;
constexpr U8 H_SOUND_MAX_VOLUME = 10;
// The sound folder's file names: printf format taking the sound's name.
constexpr const char* H_SOUND_FILE_FORMAT = "/usr/tessix/sounds/%s.wav";

// First call: mixer set-up and default mixer settings, then stopped. Later
// calls wait for a sound that is playing to end. Returns 0.
S32 H_SOUND_nInit(void);
// Registers a sound (a placeholder "FAKE!" for null) with its alarm flag;
// returns its index, or -1 when 64 sounds are registered already.
S32 H_SOUND_nInitPcmBuffer(SOUND* pSound, BOOLEAN bAlarm);
// Plays the sound synchronously nRepeat times, then stops and signals
// SEMA_SOUND_COMPLETE. An index without a sound does nothing. Returns 0.
S32 H_SOUND_nPlaySound(S32 nIndex, S32 nRepeat);
// Volume 0-10 (larger counts as 10) for sounds or alarms; applied to the
// mixer at once unless that level is applied already. Returns 0.
S32 H_SOUND_nSetVolume(U8 u8Volume, BOOLEAN bAlarm);
BOOLEAN H_SOUND_bIsSoundPlaying(void);
// Waits until no sound plays (it does not cut a sound short). Returns 0.
S32 H_SOUND_nStopSound(void);
// 21729, or -6 while uninitialised.
S32 H_SOUND_nGetSampleRate(void);
// The DMA event: nothing to do. Returns 0.
S32 H_SOUND_nHandleSound(void);
// Sets the first simple mixer element of that name with a playback switch
// (ALSA_SWITCH) or playback volume (ALSA_VOLUME), channel 1 then channel 0.
// 0, or -1 when there is no such element or no mixer.
S32 set_playback_element_value(const char* name, simpleElementType type, S32 value);
