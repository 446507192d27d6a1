// The stand-in's echo synthesiser: from a scenario (bottom depth profile,
// speed of sound, fish, transducer presence, seed) and a transmit sequence,
// the interleaved channel samples of one receive block.
#pragma once

#include <stdint.h>

#include <random>
#include <vector>

enum SYNTH_PRESENCE { SYNTH_ABSENT = 0, SYNTH_PRESENT = 1, SYNTH_RINGING = 2 };

struct SYNTH_FISH {
  double depth;        // metres
  double pathSeconds;  // time to cross the beam (the arch's width)
  int size;            // 1 small to 3 large
  double at = -1.0;    // when not negative: one crossing only, starting
                       // this many seconds into pinging
};

struct SYNTH_SCENARIO {
  // Depths in metres, 50 a second; empty: the built-in profile.
  std::vector<double> profile;
  double soundSpeed = 1463.0;
  std::vector<SYNTH_FISH> fish;
  SYNTH_PRESENCE present = SYNTH_PRESENT;
  uint32_t seed = 1;
  double pace = 1.0;
  // Raw 10-bit supply reading (275: 11.98 V on the unit).
  unsigned battery = 275;
  // From stepAfter seconds of pinging on the bottom lies at stepDepth
  // metres (no step when negative).
  double stepAfter = -1, stepDepth = 0;
  // Interference: from burstAfter seconds, for burstSeconds, strong spikes
  // on a few samples of every channel.
  double burstAfter = -1, burstSeconds = 0;
};

struct SYNTH_STATE {
  explicit SYNTH_STATE(uint32_t seed) : rng(seed) {}
  std::mt19937 rng;
  uint32_t blocks = 0;  // receive blocks made; the clock of the profile (one a ping)
  uint64_t pings = 0;   // blocks with a transmitted pulse
  double seconds = -1;  // of pinging, for the step and the burst (set by the caller; < 0 none)
};

// Bottom depth in metres at a count (50 a second).
double SYNTH_dDepthAt(const SYNTH_SCENARIO& s, uint64_t count);
// The built-in profile (the simulator's recording is made over it).
double SYNTH_dBuiltInDepthAt(uint64_t count);
// Echo amplitudes are levels as the unit shows them after its time-varied
// gain: the stand-in adds the unit's own gain curve of the channel's
// frequency to them, so a bottom keeps its strength at any depth.
// Fills 3 × (noise + samples) bytes at out for the 31-byte sequence seq.
void SYNTH_vFillReceive(const SYNTH_SCENARIO& s, SYNTH_STATE* state, const uint8_t* seq, unsigned noise,
                        unsigned samples, uint8_t* out);
// The 6-byte analogue tail: external temperature, transducer temperature,
// supply voltage (U16 little-endian raw readings).
void SYNTH_vReadings(const SYNTH_SCENARIO& s, uint8_t* tail);
