// Sound driver on ALSA: the codec's mixer (card "default") and the PCM
// "default", 16-bit mono at 21729 Hz.
#include "source/core/h_sound.h"

#include <alsa/asoundlib.h>
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <string>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

constexpr const char* SOUND_DEVICE = "default";
constexpr const char* PLACEHOLDER_NAME = "FAKE!";
// The sample rate before the driver is initialised.
constexpr S32 SAMPLE_RATE_UNKNOWN = -6;

struct simpleMixerElementSettingType {
  const char* name;
  simpleElementType type;
  S32 value;
};

// Applied in this order when the mixer is set up.
constexpr simpleMixerElementSettingType s_aDefaultMixerSettings[] = {
    {"DAC1 Analog", ALSA_VOLUME, 5},
    {"DAC1 Analog", ALSA_SWITCH, 1},
    {"DAC1 Digital Coarse", ALSA_VOLUME, 0},
    {"DAC1 Digital Fine", ALSA_VOLUME, 63},
    {"DAC2 Analog", ALSA_VOLUME, 5},
    {"DAC2 Analog", ALSA_SWITCH, 1},
    {"DAC2 Digital Coarse", ALSA_VOLUME, 0},
    {"DAC2 Digital Fine", ALSA_VOLUME, 63},
    {"PreDriv", ALSA_VOLUME, 3},
    {"PredriveL Mixer AudioL1", ALSA_SWITCH, 1},
    {"PredriveL Mixer AudioL2", ALSA_SWITCH, 1},
    {"PredriveR Mixer AudioR1", ALSA_SWITCH, 1},
    {"PredriveR Mixer AudioR2", ALSA_SWITCH, 1},
    {"ExtAmp Playback Mute", ALSA_SWITCH, 1},
};

// One volume level: the analog gain of both DACs, the pre-driver gain and
// the external amplifier switch.
struct simpleVolumeControlMapElementType {
  S32 mixer_analog_1;
  S32 mixer_predriv;
  S32 mixer_extamp;
};

// Level 0 switches the external amplifier off; level n is {n - 1, 3, 3}.
constexpr simpleVolumeControlMapElementType s_aVolumeTable[H_SOUND_MAX_VOLUME + 1] = {
    {0, 0, 0}, {0, 3, 3}, {1, 3, 3}, {2, 3, 3}, {3, 3, 3}, {4, 3, 3},
    {5, 3, 3}, {6, 3, 3}, {7, 3, 3}, {8, 3, 3}, {9, 3, 3},
};

struct REGISTERED_SOUND {
  SOUND* pSound;
  BOOLEAN bAlarm;
};

SOUND s_placeholder = {PLACEHOLDER_NAME, 0, 0, nullptr};

// Read by any task; everything else belongs to the sound task.
std::atomic<S32> s_eState{SOUND_STATE_UNINITIALIZED};

REGISTERED_SOUND s_aSounds[H_SOUND_MAX_SOUNDS];
int s_nSounds = 0;

snd_mixer_t* s_pMixer = nullptr;
std::string s_sCardName;
std::string s_sMixerName;
// Why the mixer is missing, reported with the PCM's fate at the first play.
std::string s_sMixerFailure;
bool s_bMixerReported = false;

snd_pcm_t* s_pPcm = nullptr;
bool s_bPcmOpened = false;  // one attempt only

U8 s_aBuffer[H_SOUND_BUFFER_BYTES];

const simpleVolumeControlMapElementType* s_pSoundAttenuation = &s_aVolumeTable[5];
const simpleVolumeControlMapElementType* s_pAlarmAttenuation = &s_aVolumeTable[5];
const simpleVolumeControlMapElementType* s_pAppliedAttenuation = nullptr;

// ALSA's own complaints stay out of the trace: the driver traces every
// failure that matters itself.
void vQuietAlsa(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/, const char* /*fmt*/,
                ...) {}

int mixer_event(snd_mixer_t* /*mixer*/, unsigned int /*mask*/, snd_mixer_elem_t* /*elem*/) { return 0; }

// Notes the first failing step; the set-up ends there, as every later step
// needs what that one made.
void vMixerFailed(const char* function, int err, bool withCard) {
  char text[200];
  if (withCard) {
    snprintf(text, sizeof text, "mixer_abort: function %s failed for %s: %s", function, SOUND_DEVICE,
             snd_strerror(err));
  } else {
    snprintf(text, sizeof text, "mixer_abort: function %s failed: %s", function, snd_strerror(err));
  }
  s_sMixerFailure = text;
  if (s_pMixer != nullptr) {
    snd_mixer_close(s_pMixer);
    s_pMixer = nullptr;
  }
}

void mixer_init(void) {
  snd_ctl_t* ctl = nullptr;
  int err = snd_ctl_open(&ctl, SOUND_DEVICE, 0);
  if (err < 0) return vMixerFailed("snd_ctl_open", err, true);
  snd_ctl_card_info_t* info = nullptr;
  snd_ctl_card_info_alloca(&info);
  err = snd_ctl_card_info(ctl, info);
  if (err < 0) {
    snd_ctl_close(ctl);
    return vMixerFailed("snd_ctl_card_info", err, false);
  }
  s_sCardName = snd_ctl_card_info_get_name(info);
  s_sMixerName = snd_ctl_card_info_get_mixername(info);
  snd_ctl_close(ctl);

  err = snd_mixer_open(&s_pMixer, 0);
  if (err < 0) {
    s_pMixer = nullptr;
    return vMixerFailed("snd_mixer_open", err, false);
  }
  err = snd_mixer_attach(s_pMixer, SOUND_DEVICE);
  if (err < 0) return vMixerFailed("snd_mixer_attach", err, false);
  err = snd_mixer_selem_register(s_pMixer, nullptr, nullptr);
  if (err < 0) return vMixerFailed("snd_mixer_selem_register", err, false);
  snd_mixer_set_callback(s_pMixer, mixer_event);
  err = snd_mixer_load(s_pMixer);
  if (err < 0) return vMixerFailed("snd_mixer_load", err, false);
}

void vApplyAttenuation(const simpleVolumeControlMapElementType* level) {
  if (level == s_pAppliedAttenuation) return;
  (void)set_playback_element_value("DAC1 Analog", ALSA_VOLUME, level->mixer_analog_1);
  (void)set_playback_element_value("DAC2 Analog", ALSA_VOLUME, level->mixer_analog_1);
  (void)set_playback_element_value("PreDriv", ALSA_VOLUME, level->mixer_predriv);
  (void)set_playback_element_value("ExtAmp Playback Mute", ALSA_SWITCH, level->mixer_extamp);
  s_pAppliedAttenuation = level;
}

// Sets the PCM up for 16-bit mono at 21729 Hz; the text of the failure, or
// empty.
std::string sSetupPcm(snd_pcm_t* pcm) {
  char text[200];
  snd_pcm_hw_params_t* params = nullptr;
  int err = snd_pcm_hw_params_malloc(&params);
  if (err < 0) {
    snprintf(text, sizeof text, "alsa_setup: cannot allocate hardware parameter structure (%s)", snd_strerror(err));
    return text;
  }
  const char* what = nullptr;
  unsigned int rate = (unsigned int)H_SOUND_SAMPLE_RATE;
  if ((err = snd_pcm_hw_params_any(pcm, params)) < 0) {
    what = "alsa_setup: cannot initialize hardware parameter structure";
  } else if ((err = snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0) {
    what = "alsa_setup: cannot set access type";
  } else if ((err = snd_pcm_hw_params_set_format(pcm, params, SND_PCM_FORMAT_S16_LE)) < 0) {
    what = "alsa_setup: cannot set sample format";
  } else if ((err = snd_pcm_hw_params_set_rate_near(pcm, params, &rate, nullptr)) < 0) {
    what = "alsa_setup: cannot set sample rate";
  } else if ((err = snd_pcm_hw_params_set_channels(pcm, params, 1)) < 0) {
    what = "alsa_setup: cannot set channel count";
  } else if ((err = snd_pcm_hw_params(pcm, params)) < 0) {
    what = "alsa_setup: cannot set parameters";
  }
  snd_pcm_hw_params_free(params);
  if (what == nullptr) return std::string();
  snprintf(text, sizeof text, "%s (%s)", what, snd_strerror(err));
  return text;
}

// One attempt to open and set up the PCM. Without a PCM every later play is
// silent; one trace line tells why (with the mixer's failure, if any).
void vOpenPcm(void) {
  s_bPcmOpened = true;
  snd_pcm_t* pcm = nullptr;
  std::string failure;
  const int err = snd_pcm_open(&pcm, SOUND_DEVICE, SND_PCM_STREAM_PLAYBACK, 0);
  if (err < 0) {
    char text[200];
    snprintf(text, sizeof text, "cannot open audio device %s (%s)", SOUND_DEVICE, snd_strerror(err));
    failure = text;
  } else {
    failure = sSetupPcm(pcm);
    if (!failure.empty()) snd_pcm_close(pcm);
  }
  if (failure.empty()) {
    s_pPcm = pcm;
    if (!s_sMixerFailure.empty() && !s_bMixerReported) log_me("%s", s_sMixerFailure.c_str());
  } else if (s_sMixerFailure.empty()) {
    log_me("%s: sounds are silent", failure.c_str());
  } else {
    log_me("no sound card: %s, %s: sounds are silent", failure.c_str(), s_sMixerFailure.c_str());
  }
  s_bMixerReported = true;
}

// TRUE when the header is the canonical 44-byte header of 16-bit signed
// mono PCM at 21729 Hz; the data chunk's size in *pu32DataBytes.
bool bGoodHeader(const U8* h, U32* pu32DataBytes) {
  auto u16 = [h](int at) { return (U32)h[at] | ((U32)h[at + 1] << 8); };
  auto u32 = [u16](int at) { return u16(at) | (u16(at + 2) << 16); };
  if (memcmp(h, "RIFF", 4) != 0 || memcmp(h + 8, "WAVE", 4) != 0 || memcmp(h + 12, "fmt ", 4) != 0 ||
      memcmp(h + 36, "data", 4) != 0) {
    return false;
  }
  if (u32(16) != 16 || u16(20) != 1 || u16(22) != 1 || u32(24) != (U32)H_SOUND_SAMPLE_RATE ||
      u32(28) != (U32)H_SOUND_SAMPLE_RATE * 2 || u16(32) != 2 || u16(34) != 16) {
    return false;
  }
  *pu32DataBytes = u32(40);
  return true;
}

// Fills the buffer with the sound's samples and returns how many bytes to
// play: what the file holds, at least 10240 (the rest silence); 10240 of
// silence for a missing or short file; 0 for a file of another format.
U32 u32LoadSamples(const char* name) {
  char relative[256];
  snprintf(relative, sizeof relative, H_SOUND_FILE_FORMAT, name);
  const std::string path = PLATFORM_sResolvePath(relative);
  U32 got = 0;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    U8 header[H_SOUND_WAV_HEADER_BYTES];
    U32 dataBytes = 0;
    if (fread(header, 1, sizeof header, f) == sizeof header) {
      if (!bGoodHeader(header, &dataBytes)) {
        fclose(f);
        log_me("sound: %s is not a 16-bit mono %d Hz WAV file: not played", relative, (int)H_SOUND_SAMPLE_RATE);
        return 0;
      }
      const U32 want = dataBytes < H_SOUND_BUFFER_BYTES ? dataBytes : H_SOUND_BUFFER_BYTES;
      got = (U32)fread(s_aBuffer, 1, want, f);
    }
    fclose(f);
  }
  if (got >= H_SOUND_MIN_BYTES) return got;
  memset(s_aBuffer + got, 0, H_SOUND_MIN_BYTES - got);
  return H_SOUND_MIN_BYTES;
}

void vWriteSamples(U32 length) {
  int err = snd_pcm_prepare(s_pPcm);
  if (err < 0) {
    log_me("alsa_play: cannot prepare audio interface for use (%s)", snd_strerror(err));
    return;
  }
  const snd_pcm_uframes_t frames = length / 2;
  snd_pcm_uframes_t done = 0;
  while (done < frames) {
    const snd_pcm_sframes_t n = snd_pcm_writei(s_pPcm, s_aBuffer + done * 2, frames - done);
    if (n == -EINTR) continue;
    if (n < 0) {
      log_me("alsa_play: write to audio interface failed (%s)", snd_strerror((int)n));
      return;
    }
    done += (snd_pcm_uframes_t)n;
  }
  // The sound has ended only when the device has played it out.
  (void)snd_pcm_drain(s_pPcm);
}

}  // namespace

S32 set_playback_element_value(const char* name, simpleElementType type, S32 value) {
  if (s_pMixer == nullptr) return -1;
  for (snd_mixer_elem_t* e = snd_mixer_first_elem(s_pMixer); e != nullptr; e = snd_mixer_elem_next(e)) {
    if (strcmp(snd_mixer_selem_get_name(e), name) != 0) continue;
    if (type == ALSA_SWITCH && snd_mixer_selem_has_playback_switch(e)) {
      (void)snd_mixer_selem_set_playback_switch(e, SND_MIXER_SCHN_FRONT_RIGHT, value);
      (void)snd_mixer_selem_set_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, value);
      return 0;
    }
    if (type == ALSA_VOLUME && snd_mixer_selem_has_playback_volume(e)) {
      (void)snd_mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, value);
      (void)snd_mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, value);
      return 0;
    }
  }
  return -1;
}

S32 H_SOUND_nInit(void) {
  if (s_eState.load() == SOUND_STATE_UNINITIALIZED) {
    snd_lib_error_set_handler(vQuietAlsa);
    mixer_init();
    for (const simpleMixerElementSettingType& s : s_aDefaultMixerSettings) {
      (void)set_playback_element_value(s.name, s.type, s.value);
    }
  } else {
    (void)H_SOUND_nStopSound();
  }
  s_eState.store(SOUND_STATE_STOP);
  return 0;
}

S32 H_SOUND_nInitPcmBuffer(SOUND* pSound, BOOLEAN bAlarm) {
  if (s_nSounds >= H_SOUND_MAX_SOUNDS) return -1;
  if (pSound == nullptr) pSound = &s_placeholder;
  pSound->u32Samples = H_SOUND_REGISTERED_SAMPLES;
  pSound->u32SamplesPerSec = (U32)H_SOUND_SAMPLE_RATE;
  pSound->pu16Data = nullptr;
  s_aSounds[s_nSounds] = REGISTERED_SOUND{pSound, bAlarm};
  return s_nSounds++;
}

S32 H_SOUND_nPlaySound(S32 nIndex, S32 nRepeat) {
  if (nIndex < 0 || nIndex >= s_nSounds) return 0;
  const REGISTERED_SOUND& sound = s_aSounds[nIndex];
  vApplyAttenuation(sound.bAlarm ? s_pAlarmAttenuation : s_pSoundAttenuation);
  s_eState.store(SOUND_STATE_PLAY);
  if (nRepeat > 0 && !s_bPcmOpened) vOpenPcm();
  if (s_pPcm != nullptr && nRepeat > 0) {
    const U32 length = u32LoadSamples(sound.pSound->name);
    for (S32 i = 0; i < nRepeat && length > 0; ++i) vWriteSamples(length);
  }
  s_eState.store(SOUND_STATE_STOP);
  (void)L_SEMA_Signal(SEMA_SOUND_COMPLETE);
  return 0;
}

S32 H_SOUND_nSetVolume(U8 u8Volume, BOOLEAN bAlarm) {
  if (u8Volume > H_SOUND_MAX_VOLUME) u8Volume = H_SOUND_MAX_VOLUME;
  const simpleVolumeControlMapElementType* level = &s_aVolumeTable[u8Volume];
  if (bAlarm) {
    s_pAlarmAttenuation = level;
  } else {
    s_pSoundAttenuation = level;
  }
  vApplyAttenuation(level);
  return 0;
}

BOOLEAN H_SOUND_bIsSoundPlaying(void) { return s_eState.load() == SOUND_STATE_PLAY ? TRUE : FALSE; }

S32 H_SOUND_nStopSound(void) {
  while (H_SOUND_bIsSoundPlaying()) L_CLOCK_Sleep(10);
  return 0;
}

S32 H_SOUND_nGetSampleRate(void) {
  return s_eState.load() == SOUND_STATE_UNINITIALIZED ? SAMPLE_RATE_UNKNOWN : H_SOUND_SAMPLE_RATE;
}

S32 H_SOUND_nHandleSound(void) { return 0; }
