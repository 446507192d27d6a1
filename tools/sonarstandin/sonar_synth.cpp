#include "tools/sonarstandin/sonar_synth.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "source/sonar/s_tvgcurve.h"

namespace {

struct Knot {
  double count, depth;
};
// The built-in bottom: 20 knots of (ping count, metres), looping.
constexpr Knot s_knots[] = {{0, 4.8},    {1100, 8.5}, {1400, 8.5}, {2300, 5.5}, {2800, 3.0}, {2950, 3.2}, {3150, 3.5},
                            {3400, 3.5}, {4000, 4.0}, {4350, 4.8}, {4600, 6.8}, {4850, 7.7}, {5000, 8.5}, {5200, 8.3},
                            {5600, 8.7}, {5700, 8.6}, {6000, 8.9}, {6350, 8.5}, {6500, 7.0}, {7200, 4.8}};

struct Drive {
  bool on = false;
  double khz = 0;
  unsigned cycles = 0;
};

// The pulse that drives a channel, from the sequence's receive enables and
// the pulses' outputs.
Drive dDrive(const uint8_t* seq, int channel) {
  const uint8_t enable = seq[29];
  Drive best;
  for (int p = 0; p < 3; ++p) {
    const uint8_t* q = seq + 6 * p;
    const unsigned f = q[0] | q[1] << 8;
    const uint8_t mode = q[3], out = q[4];
    if (f == 0 || mode == 3) continue;
    bool drives = false;
    bool preferHigh = false;
    if (channel == 0) {
      drives = !(enable & 0x02) && (out & 1);
    } else if (channel == 1) {
      if (!(enable & 0x08)) {
        drives = (out & 1);
        preferHigh = true;
      }
      if (!(enable & 0x04)) drives = drives || (out & 2);
    } else {
      drives = !(enable & 0x10) && (out & 4);
    }
    if (!drives) continue;
    // Channel 0 takes the lower of two down pulses, channel 1 the higher.
    if (!best.on || (preferHigh ? f > best.khz : f < best.khz)) best = {true, (double)f, q[2]};
  }
  return best;
}

bool bSideLooking(const uint8_t* seq, int channel) {
  if (channel == 0) return false;
  for (int p = 0; p < 3; ++p) {
    const uint8_t out = seq[6 * p + 4];
    if (channel == 1 && (out & 2) && !(seq[29] & 0x04)) return true;
    if (channel == 2 && (out & 2)) return true;  // both side elements driven
  }
  return false;
}

void vAdd(std::vector<double>& v, long at, double amp, long width) {
  for (long i = 0; i < width; ++i) {
    const long k = at + i;
    if (k < 0 || k >= (long)v.size()) continue;
    v[k] += amp * exp(-3.0 * i / (double)width);
  }
}

// A bottom echo: rises over 7 samples from its leading edge, then decays.
constexpr long ECHO_RISE = 7;
void vEcho(std::vector<double>& v, long at, double amp, long width) {
  for (long i = 0; i < ECHO_RISE; ++i) {
    const long k = at + i;
    if (k >= 0 && k < (long)v.size()) v[k] += amp * (i + 1) / (ECHO_RISE + 1);
  }
  vAdd(v, at + ECHO_RISE, amp, width);
}

// A fish's echo: over width samples it rises from a third of its strength
// to all of it in the middle and falls back, as a target small against the
// beam spreads the pulse.
void vAddFish(std::vector<double>& v, long centre, double amp, long width) {
  for (long i = 0; i < width; ++i) {
    const long k = centre - width / 2 + i;
    if (k < 0 || k >= (long)v.size()) continue;
    v[k] += amp * (0.3 + 0.7 * sin(M_PI * (i + 0.5) / width));
  }
}

}  // namespace

double SYNTH_dDepthAt(const SYNTH_SCENARIO& s, uint64_t count) {
  if (!s.profile.empty()) return s.profile[count % s.profile.size()];
  return SYNTH_dBuiltInDepthAt(count);
}

double SYNTH_dBuiltInDepthAt(uint64_t count) {
  const double c = (double)(count % 7200);
  for (size_t i = 1; i < sizeof s_knots / sizeof s_knots[0]; ++i) {
    if (c <= s_knots[i].count) {
      const Knot& a = s_knots[i - 1];
      const Knot& b = s_knots[i];
      return a.depth + (b.depth - a.depth) * (c - a.count) / (b.count - a.count);
    }
  }
  return s_knots[0].depth;
}

void SYNTH_vFillReceive(const SYNTH_SCENARIO& s, SYNTH_STATE* state, const uint8_t* seq, unsigned noise,
                        unsigned samples, uint8_t* out) {
  std::uniform_int_distribution<int> noiseByte(4, 14);
  for (size_t i = 0; i < 3 * (size_t)(noise + samples); ++i) out[i] = (uint8_t)noiseByte(state->rng);
  bool any = false;
  for (int p = 0; p < 3; ++p) any = any || ((seq[6 * p] | seq[6 * p + 1] << 8) != 0 && seq[6 * p + 3] != 3);
  if (!any || s.present == SYNTH_ABSENT) return;
  // A ringing transducer answers the short detection ping on every channel.
  if (s.present == SYNTH_RINGING && samples <= 32) {
    for (unsigned i = 0; i < samples; ++i) {
      for (int ch = 0; ch < 3; ++ch) {
        const size_t k = 3 * (size_t)(noise + i) + ch;
        out[k] = (uint8_t)std::min(255, out[k] + 180 - (int)(i * 2));
      }
    }
    return;
  }
  const uint64_t ping = state->pings++;
  const bool stepped = s.stepAfter >= 0 && state->seconds >= s.stepAfter;
  const double depth = stepped ? s.stepDepth : SYNTH_dDepthAt(s, ping);
  const bool burst = s.burstAfter >= 0 && state->seconds >= s.burstAfter &&
                     state->seconds < s.burstAfter + s.burstSeconds;
  const double metresPerSample = s.soundSpeed * 26e-6 / 2.0;
  std::uniform_real_distribution<double> texture(0.3, 1.0);
  for (int ch = 0; ch < 3; ++ch) {
    const Drive d = dDrive(seq, ch);
    if (!d.on) continue;
    std::vector<double> v(samples, 0.0), clutter(samples, 0.0);
    const long pulse = std::max(2L, (long)(d.cycles * 1000.0 / d.khz / 26.0));
    // Surface clutter under the transducer, as it arrives (the gain takes
    // it away).
    vAdd(clutter, 0, 120, std::max(pulse, (long)(0.6 / metresPerSample)));
    const long bottom = (long)(depth / metresPerSample);
    if (bSideLooking(seq, ch)) {
      // Water column, then textured seabed with shadows from the first return on.
      for (long i = bottom; i < (long)samples; ++i) {
        const double shadow = ((i / 97) % 7 == 3) ? 0.1 : 1.0;
        v[i] += 140.0 * texture(state->rng) * shadow * exp(-(double)(i - bottom) / (8.0 * bottom + 200.0));
      }
    } else {
      const double strength = d.khz < 100 ? 170 : 150;
      vEcho(v, bottom, strength, pulse + (long)(1.0 / metresPerSample));
      vEcho(v, 2 * bottom, strength * 0.3, pulse + (long)(1.0 / metresPerSample));
      // Fish arches: nearest at the middle of their crossing.
      const double t = ping / 50.0;
      for (const SYNTH_FISH& f : s.fish) {
        const double period = std::max(1.0, f.pathSeconds * 3);
        // A single crossing runs on the pinging clock when the caller keeps
        // one (its time is then real time, whatever the ping rate).
        const double since = (state->seconds >= 0 ? state->seconds : t) - f.at;
        const double phase = f.at >= 0.0 ? since - f.pathSeconds / 2 : fmod(t, period) - f.pathSeconds / 2;
        if (fabs(phase) > f.pathSeconds / 2) continue;
        const double range = sqrt(f.depth * f.depth + (phase * 1.5) * (phase * 1.5));
        vAddFish(v, (long)(range / metresPerSample), 60.0 * f.size, 2 * pulse + 2);
      }
    }
    const RLE_TVG_DESCRIPTOR* curve = S_TVG_pCurveForFrequency((uint32_t)(d.khz * 1000));
    std::uniform_int_distribution<int> spikeChance(0, 99), spike(150, 255);
    for (unsigned i = 0; i < samples; ++i) {
      const size_t k = 3 * (size_t)(noise + i) + ch;
      const double gain = v[i] >= 1.0 ? S_TVG_u8AttenuationAt(curve, i * 26) : 0;
      double x = out[k] + v[i] + gain + clutter[i];
      if (burst && spikeChance(state->rng) < 3) x += spike(state->rng);
      out[k] = (uint8_t)std::min(255.0, x);
    }
  }
}

void SYNTH_vReadings(const SYNTH_SCENARIO& s, uint8_t* tail) {
  const unsigned ext = 0x1A0;
  const unsigned transducer = s.present == SYNTH_PRESENT ? 0x200 : 0x3FF;
  const unsigned v[3] = {ext, transducer, s.battery & 0x3FFu};
  for (int i = 0; i < 3; ++i) {
    tail[2 * i] = (uint8_t)(v[i] & 0xFF);
    tail[2 * i + 1] = (uint8_t)(v[i] >> 8);
  }
}
