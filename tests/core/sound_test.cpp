// Threading test: also runs under ThreadSanitizer.
// The sound task as it runs in the unit, started once for the whole
// program: ALSA's PCM "default" is a file PCM writing raw samples into a
// named pipe the test reads, so every sound played is compared sample for
// sample. Each sound file holds one distinct sample value. The control
// device "default" is the test's mixer-log plugin: a card without hardware
// with the codec's controls, which logs every value written to it.
#include <gtest/gtest.h>

#include <string.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <algorithm>
#include <string>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/h_sound.h"
#include "source/core/t_sound.h"
#include "source/core/u_sound.h"
#include "tests/support/sound_test_env.h"
#include "tests/support/wait_for.h"

using soundtest::Played;
using soundtest::Wav;
using Bytes = std::vector<unsigned char>;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const std::string s_fifo = s_install.base + "/pcm.fifo";
const std::string s_mixerLog = s_install.base + "/mixer.log";

// Sample counts and values of the test's sounds.
constexpr size_t START_SAMPLES = 200000;  // more than the pipe holds
constexpr short START = 0x1111, GOOD = 0x2222, BAD = 0x3333, FISH = 0x4444, ALARM = 0x5555, CUSTOM = 0x0666;
constexpr size_t CLICK_SAMPLES = 1500;    // padded with silence to 10240 bytes
constexpr size_t LONG_SAMPLES = 8000;

const bool s_bReady = [] {
  CORE_vInstall();
  soundtest::ConfigureAlsa("pcm.default {\n  type file\n  slave.pcm { type null }\n  file \"" + s_fifo +
                           "\"\n  format \"raw\"\n}\n" + soundtest::MixerLogConfig(s_mixerLog));
  soundtest::WriteSound("startup_sound", Wav(std::vector<short>(START_SAMPLES, START)));
  soundtest::WriteSound("good_key_sound", Wav(std::vector<short>(CLICK_SAMPLES, GOOD)));
  soundtest::WriteSound("bad_key_sound", Wav(std::vector<short>(CLICK_SAMPLES, BAD)));
  soundtest::WriteSound("fish_sound", Wav(std::vector<short>(LONG_SAMPLES, FISH)));
  soundtest::WriteSound("general_alarm_sound", Wav(std::vector<short>(LONG_SAMPLES, ALARM)));
  soundtest::WriteSound("custom_sound", Wav(std::vector<short>(LONG_SAMPLES, CUSTOM)));
  return true;
}();

soundtest::PipeReader& Reader() {
  static soundtest::PipeReader reader(s_fifo);
  return reader;
}

SOUND s_custom = {"custom_sound", 0, 0, nullptr};

// Returns once the task has handled everything signalled and sent before:
// a message of the lowest priority, waited for.
constexpr SEMA SYNC_SEMA = SEMA_MBOX_MENU;
void Sync() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_INVALID_ID;
  ASSERT_EQ(L_MBOX_SendWait(M_SOUND, msg, 255, SYNC_SEMA), lsSUCCESS);
}

// Signals one of the task's event semaphores and waits until the task has
// taken it: a message sent afterwards is then handled after it.
void SignalTaken(SEMA sema) {
  ASSERT_EQ(lsSUCCESS, L_SEMA_Signal(sema));
  EXPECT_TRUE(WaitFor([sema] { return L_SEMA_GetWaitingTaskID(sema) != -lsSEMA_DONE; }));
}

// What the task played since the last call: once at least the expected
// amount has come, and the task has handled everything sent before.
Bytes PlayedSoFar(size_t expected = 0) {
  EXPECT_TRUE(WaitFor([&] { return Reader().Drained() && Reader().Size() >= expected; }));
  Sync();
  EXPECT_TRUE(WaitFor([] { return Reader().Drained() && !H_SOUND_bIsSoundPlaying(); }));
  return Reader().Take();
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Sample value and length of the runs, for readable failures.
std::string Runs(const Bytes& b) {
  std::string out;
  size_t i = 0;
  while (i + 1 < b.size()) {
    const int v = b[i] | (b[i + 1] << 8);
    size_t j = i;
    while (j + 1 < b.size() && (b[j] | (b[j + 1] << 8)) == v) j += 2;
    out += std::to_string(v) + "x" + std::to_string((j - i) / 2) + " ";
    i = j;
  }
  return out;
}

#define EXPECT_PLAYED(expected) \
  do {                          \
    const Bytes got = PlayedSoFar((expected).size()); \
    EXPECT_EQ(Runs(got), Runs(expected)); \
    EXPECT_TRUE(got == (expected)); \
  } while (0)

void SetU32(FOURCHARID key, U32 value) { H_DATABASE_bUpdateValueU32(key, value, P_NORMAL); }

class SoundTask : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool s_bStarted = false;
    if (s_bStarted) return;
    s_bStarted = true;
    ASSERT_TRUE(s_bReady);
    // Held: the start-up sound fills the pipe and the task stays in its play.
    Reader().Hold(true);
    L_MBOX_DefineSema(M_SOUND, SEMA_MBOX_SOUND);  // as the start sequence does
    ASSERT_EQ(L_TASK_Start(TASK_SOUNDTASK), lsSUCCESS);
    ASSERT_TRUE(WaitFor([] { return Reader().Full() && H_SOUND_bIsSoundPlaying(); }));
    U_SOUND_vRegisterSound(&s_custom, FALSE);
  }
  // A test run on its own lets the start-up sound end first.
  void SetUp() override {
    if (s_bStartHeard) return;
    Reader().Hold(false);
    EXPECT_EQ(PlayedSoFar(START_SAMPLES * 2).size(), START_SAMPLES * 2);
    s_bStartHeard = true;
  }
  static bool s_bStartHeard;
  void TearDown() override {
    SetU32(FCID("STMD"), SOUND_MODE_ALL);
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), TRUE, P_NORMAL);
    SetU32(FCID("SVOL"), 5);
    SetU32(FCID("SVOA"), 5);
    EXPECT_TRUE(PlayedSoFar().empty());
  }
};

// While the start-up sound plays: three key clicks and a fish alarm are
// dropped, a custom sound requested with repeat 3 is queued and then sounds
// three times.
bool SoundTask::s_bStartHeard = false;

// Runs first: the start-up sound is still playing.
class SoundTaskStart : public SoundTask {
 protected:
  void SetUp() override { s_bStartHeard = true; }
};

TEST_F(SoundTaskStart, WhileTheStartUpSoundPlaysClicksAreDroppedAndRequestsQueued) {
  for (int i = 0; i < 3; ++i) {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
  }
  L_SEMA_Signal(SEMA_FISH_ALARM_LARGE);
  U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_custom, 0, 3);
  EXPECT_TRUE(H_SOUND_bIsSoundPlaying());
  Reader().Hold(false);
  const Bytes custom = Played(CUSTOM, LONG_SAMPLES);
  EXPECT_PLAYED(Cat({Played(START, START_SAMPLES), custom, custom, custom}));
}

// A custom sound with repeat 3 while nothing plays sounds once.
TEST_F(SoundTask, RepeatCountOfARequestPlayedAtOnceIsNotUsed) {
  U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_custom, 0, 3);
  EXPECT_PLAYED(Played(CUSTOM, LONG_SAMPLES));
}

TEST_F(SoundTask, UnknownCustomSoundIsIgnored) {
  static SOUND s_unknown = {"custom_sound", 0, 0, nullptr};
  U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_unknown, 0, 1);
  EXPECT_PLAYED(Bytes());
}

// Key clicks follow the tone mode and CKCK; fish alarms only the fact that
// nothing plays.
TEST_F(SoundTask, KeyClicksAndFishAlarmsByToneMode) {
  struct Case {
    U32 mode;
    BOOLEAN clicks;
    SEMA sema;
    Bytes expected;
  };
  const Bytes good = Played(GOOD, CLICK_SAMPLES), bad = Played(BAD, CLICK_SAMPLES),
              fish = Played(FISH, LONG_SAMPLES);
  const Case cases[] = {
      {SOUND_MODE_ALL, TRUE, SEMA_KEYCLICK_GOOD, good},
      {SOUND_MODE_ALL, TRUE, SEMA_KEYCLICK_BAD, bad},
      {SOUND_MODE_ALL, FALSE, SEMA_KEYCLICK_GOOD, {}},
      {SOUND_MODE_NO_KEYS, TRUE, SEMA_KEYCLICK_GOOD, {}},
      {SOUND_MODE_SILENT, TRUE, SEMA_KEYCLICK_BAD, {}},
      {SOUND_MODE_ALL, TRUE, SEMA_FISH_ALARM_LARGE, fish},
      {SOUND_MODE_NO_KEYS, TRUE, SEMA_FISH_ALARM_MEDIUM, fish},
      {SOUND_MODE_SILENT, FALSE, SEMA_FISH_ALARM_SMALL, fish},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " clicks " + std::to_string(c.clicks) + " sema " +
                 std::to_string(c.sema));
    SetU32(FCID("STMD"), c.mode);
    H_DATABASE_bUpdateValueBoolean(FCID("CKCK"), c.clicks, P_NORMAL);
    EXPECT_PLAYED(Bytes());
    SignalTaken(c.sema);
    EXPECT_PLAYED(c.expected);
  }
}

// The standard sounds by message; entry 1 has no file: silence.
TEST_F(SoundTask, StandardSoundsByRequest) {
  U_SOUND_vPlaySound(TONE_GENERAL_ALERT, nullptr, 0, 5);
  EXPECT_PLAYED(Played(ALARM, LONG_SAMPLES));
  U_SOUND_vPlaySound(TONE_TEST, nullptr, 0, 1);
  EXPECT_PLAYED(Played(0, 0));
}

// A short file is followed by silence up to 10240 bytes; a missing one is
// 10240 bytes of silence; a file in another format is refused with a trace
// line, not played as noise.
TEST_F(SoundTask, ShortMissingAndForeignFiles) {
  struct Case {
    const char* name;
    Bytes file;  // empty: no file
    Bytes expected;
    bool traced;
  };
  const Case cases[] = {
      {"short_sound", Wav(std::vector<short>(2000, 0x777)), Played(0x777, 2000), false},
      {"missing_sound", {}, Played(0, 0), false},
      {"stereo_sound", Wav(std::vector<short>(8000, 0x888), soundtest::SAMPLE_RATE, 2), {}, true},
      {"fast_sound", Wav(std::vector<short>(8000, 0x999), 44100), {}, true},
      {"eight_bit_sound", Wav(std::vector<short>(8000, 0x999), soundtest::SAMPLE_RATE, 1, 8), {}, true},
      {"text_sound", Bytes(20000, 'x'), {}, true},
  };
  static std::vector<SOUND> s_sounds;
  s_sounds.reserve(std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.file.empty()) soundtest::WriteSound(c.name, c.file);
    s_sounds.push_back(SOUND{c.name, 0, 0, nullptr});
    U_SOUND_vRegisterSound(&s_sounds.back(), FALSE);
    testing::internal::CaptureStdout();
    U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_sounds.back(), 0, 1);
    EXPECT_PLAYED(c.expected);
    // The task handles requests in order: once the short sound after this
    // one has played, whatever it traced for this one is out.
    U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_sounds.front(), 0, 1);
    EXPECT_PLAYED(Played(0x777, 2000));
    const std::string trace = testing::internal::GetCapturedStdout();
    EXPECT_EQ(trace.find(std::string(c.name) + ".wav is not a 16-bit mono 21729 Hz WAV file") != std::string::npos,
              c.traced)
        << trace;
  }
}

// The sound files the build makes play as they are.
TEST_F(SoundTask, BuiltSoundFilesPlay) {
  static std::vector<SOUND> s_sounds;
  const std::string built = std::filesystem::path(TESSIX_BINARY).parent_path().string() + "/sounds/";
  const char* const names[] = {"startup_sound", "good_key_sound", "bad_key_sound", "fish_sound",
                               "general_alarm_sound"};
  s_sounds.reserve(std::size(names));
  for (const char* name : names) {
    SCOPED_TRACE(name);
    std::ifstream in(built + name + ".wav", std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(file.size(), 44u);
    const std::string copy = std::string("built_") + name;
    soundtest::WriteSound(copy, file);
    static std::vector<std::string> s_names;
    s_names.reserve(std::size(names));
    s_names.push_back(copy);
    s_sounds.push_back(SOUND{s_names.back().c_str(), 0, 0, nullptr});
    U_SOUND_vRegisterSound(&s_sounds.back(), FALSE);
    U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_sounds.back(), 0, 1);
    Bytes expected(file.begin() + 44, file.end());
    if (expected.size() < 10240) expected.resize(10240, 0);
    EXPECT_PLAYED(expected);
  }
}

// Volumes above 10 are written back as 10.
TEST_F(SoundTask, VolumeAboveTenIsClamped) {
  for (FOURCHARID key : {FCID("SVOL"), FCID("SVOA")}) {
    SetU32(key, 15);
    U32 value = 0;
    EXPECT_TRUE(WaitFor([&] { return H_DATABASE_bFetchU32(key, &value) && value == 10; })) << key;
  }
}

// Every registered sound counts as 200000 samples at 21729 Hz.
TEST_F(SoundTask, NominalLengthOfRegisteredSounds) {
  EXPECT_EQ(U_SOUND_u32CalculateSoundLength(TONE_KEYCLICK_GOOD, nullptr), 9204u);
  EXPECT_EQ(U_SOUND_u32CalculateSoundLength(TONE_TEST, nullptr), 9204u);
  EXPECT_EQ(U_SOUND_u32CalculateSoundLength(TONE_USE_CUSTOM, &s_custom), 9204u);
}

// A factory reset sets both volumes back to 5.
TEST_F(SoundTask, FactoryResetRestoresTheVolumes) {
  SetU32(FCID("SVOL"), 2);
  SetU32(FCID("SVOA"), 9);
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RESET_POS;
  ASSERT_EQ(L_MBOX_Send(M_SOUND, msg, 3, 0), lsSUCCESS);
  Sync();
  for (FOURCHARID key : {FCID("SVOL"), FCID("SVOA")}) {
    U32 value = 0;
    EXPECT_TRUE(H_DATABASE_bFetchU32(key, &value));
    EXPECT_EQ(value, 5u) << key;
  }
}

soundtest::MixerLog& Mixer() {
  static soundtest::MixerLog log(s_mixerLog);
  return log;
}

constexpr const char* DAC1 = "DAC1 Analog Playback Volume";
constexpr const char* DAC2 = "DAC2 Analog Playback Volume";
constexpr const char* PREDRIV = "PreDriv Playback Volume";
constexpr const char* EXTAMP = "ExtAmp Playback Mute Playback Switch";

// The codec's gains and amplifier switch as one text, for readable failures.
std::string Level() {
  return std::string("analog ") + Mixer().Value(DAC1) + " / " + Mixer().Value(DAC2) + ", predriver " +
         Mixer().Value(PREDRIV) + ", amplifier " + Mixer().Value(EXTAMP);
}
std::string Level(int analog, int predriv, int amp) {
  const auto two = [](int v) { return std::to_string(v) + " " + std::to_string(v); };
  return "analog " + two(analog) + " / " + two(analog) + ", predriver " + two(predriv) + ", amplifier " + two(amp);
}

// At start the driver sets the codec's defaults in their order, then the
// gains of the sound volume read from the settings (5: analog 4). The simple
// mixer writes every control of an element when one of them is set, so the
// log shows the elements' order and the values they reach.
TEST_F(SoundTask, MixerDefaultsAtStartThenTheVolume) {
  std::ifstream in(s_mixerLog);
  std::vector<std::string> order;
  std::map<std::string, std::string> state;
  std::string line;
  bool levelApplied = false;
  while (!levelApplied && std::getline(in, line)) {
    const size_t right = line.rfind(' '), left = line.rfind(' ', right - 1);
    const std::string control = line.substr(0, left);
    // After the last default, the amplifier, comes the level's first write.
    if (state.count(EXTAMP) && control == DAC1 && line.substr(left + 1) != "5 5") {
      levelApplied = true;
      break;
    }
    state[control] = line.substr(left + 1);
    const std::string element = control.substr(0, control.rfind(" Playback"));
    if (std::find(order.begin(), order.end(), element) == order.end()) order.push_back(element);
  }
  EXPECT_TRUE(levelApplied) << "sound volume 5 not applied after the defaults";
  EXPECT_EQ(order, (std::vector<std::string>{"DAC1 Analog", "DAC1 Digital Coarse", "DAC1 Digital Fine", "DAC2 Analog",
                                             "DAC2 Digital Coarse", "DAC2 Digital Fine", "PreDriv",
                                             "PredriveL Mixer AudioL1", "PredriveL Mixer AudioL2",
                                             "PredriveR Mixer AudioR1", "PredriveR Mixer AudioR2",
                                             "ExtAmp Playback Mute"}));
  const std::map<std::string, std::string> defaults = {
      {"DAC1 Analog Playback Volume", "5 5"},
      {"DAC1 Analog Playback Switch", "1 1"},
      {"DAC1 Digital Coarse Playback Volume", "0 0"},
      {"DAC1 Digital Fine Playback Volume", "63 63"},
      {"DAC2 Analog Playback Volume", "5 5"},
      {"DAC2 Analog Playback Switch", "1 1"},
      {"DAC2 Digital Coarse Playback Volume", "0 0"},
      {"DAC2 Digital Fine Playback Volume", "63 63"},
      {"PreDriv Playback Volume", "3 3"},
      {"PredriveL Mixer AudioL1 Playback Switch", "1 1"},
      {"PredriveL Mixer AudioL2 Playback Switch", "1 1"},
      {"PredriveR Mixer AudioR1 Playback Switch", "1 1"},
      {"PredriveR Mixer AudioR2 Playback Switch", "1 1"},
      {"ExtAmp Playback Mute Playback Switch", "1 1"},
  };
  EXPECT_EQ(state, defaults);
}

// Each of the eleven levels of either volume setting reaches the codec at
// once: level 0 turns the gains down and the external amplifier off, level
// n from 1 to 10 is analog n - 1, pre-driver 3, amplifier on. Above 10
// counts as 10.
TEST_F(SoundTask, VolumeSettingsReachTheMixer) {
  struct Case {
    U32 volume;
    int analog, predriv, amp;
  };
  const Case levels[] = {{0, 0, 0, 0}, {1, 0, 3, 1}, {2, 1, 3, 1},  {3, 2, 3, 1},  {4, 3, 3, 1},  {5, 4, 3, 1},
                         {6, 5, 3, 1}, {7, 6, 3, 1}, {8, 7, 3, 1},  {9, 8, 3, 1},  {10, 9, 3, 1}, {0, 0, 0, 0},
                         {15, 9, 3, 1}};
  for (FOURCHARID key : {FCID("SVOL"), FCID("SVOA")}) {
    for (const Case& c : levels) {
      SCOPED_TRACE(std::to_string(key) + " = " + std::to_string(c.volume));
      SetU32(key, c.volume);
      Sync();
      Sync();  // a value above 10 is written back first
      EXPECT_EQ(Level(), Level(c.analog, c.predriv, c.amp));
    }
    SetU32(key, 5);
    Sync();
  }
}

// At sound volume 0 a key click still plays its samples, with the gains
// down and the amplifier off: the unit is silent. An alarm at alarm volume
// 5 turns the amplifier on for its play; the next click turns it off again.
TEST_F(SoundTask, VolumeZeroPlaysWithTheAmplifierOff) {
  SetU32(FCID("SVOL"), 0);
  Sync();
  struct Step {
    SEMA sema;
    Bytes played;
    std::string level;
  };
  const Step steps[] = {
      {SEMA_KEYCLICK_GOOD, Played(GOOD, CLICK_SAMPLES), Level(0, 0, 0)},
      {SEMA_FISH_ALARM_LARGE, Played(FISH, LONG_SAMPLES), Level(4, 3, 1)},
      {SEMA_KEYCLICK_BAD, Played(BAD, CLICK_SAMPLES), Level(0, 0, 0)},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE("sema " + std::to_string(step.sema));
    SignalTaken(step.sema);
    EXPECT_PLAYED(step.played);
    EXPECT_EQ(Level(), step.level);
  }
}

}  // namespace
