// Makes the unit's sound files: 16-bit signed mono WAV files at 21729 Hz
// with the canonical 44-byte header, one per standard sound.
//   soundgen <folder>
#include <math.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace {

constexpr unsigned RATE = 21729;
constexpr double PI = 3.14159265358979323846;

struct Tone {
  double hz;       // 0: a pause
  double seconds;
  double level;    // 0-1 of full scale
};

// Each tone with 4 ms fades at both ends, so nothing clicks.
std::vector<int16_t> Render(const std::vector<Tone>& tones) {
  std::vector<int16_t> out;
  for (const Tone& t : tones) {
    const size_t n = (size_t)(t.seconds * RATE);
    const size_t fade = RATE / 250;
    for (size_t i = 0; i < n; ++i) {
      double env = 1.0;
      if (i < fade) env = (double)i / fade;
      if (n - i < fade) env = (double)(n - i) / fade;
      const double v = t.hz > 0 ? sin(2 * PI * t.hz * (double)i / RATE) * t.level * env : 0.0;
      out.push_back((int16_t)lrint(v * 32767));
    }
  }
  return out;
}

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}

bool Write(const std::string& path, const std::vector<int16_t>& samples) {
  std::vector<uint8_t> b;
  const uint32_t data = (uint32_t)samples.size() * 2;
  for (char c : std::string("RIFF")) b.push_back((uint8_t)c);
  Put(b, 36 + data, 4);
  for (char c : std::string("WAVEfmt ")) b.push_back((uint8_t)c);
  Put(b, 16, 4);
  Put(b, 1, 2);         // PCM
  Put(b, 1, 2);         // mono
  Put(b, RATE, 4);
  Put(b, RATE * 2, 4);  // bytes per second
  Put(b, 2, 2);         // bytes per frame
  Put(b, 16, 2);        // bits per sample
  for (char c : std::string("data")) b.push_back((uint8_t)c);
  Put(b, data, 4);
  for (int16_t s : samples) Put(b, (uint16_t)s, 2);
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
  return fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: soundgen <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  struct Sound {
    const char* name;
    std::vector<Tone> tones;
  };
  const Sound sounds[] = {
      {"startup_sound", {{660, 0.15, 0.5}, {880, 0.15, 0.5}, {1320, 0.3, 0.5}}},
      {"good_key_sound", {{2000, 0.015, 0.4}}},
      {"bad_key_sound", {{400, 0.08, 0.5}}},
      {"fish_sound", {{1500, 0.08, 0.6}, {0, 0.05, 0}, {1500, 0.08, 0.6}}},
      {"general_alarm_sound", {{800, 0.25, 0.7}, {1000, 0.25, 0.7}, {800, 0.25, 0.7}, {1000, 0.25, 0.7}}},
      // A shutter: two short high clicks.
      {"snapshot_camera_sound", {{3200, 0.012, 0.6}, {0, 0.06, 0}, {2600, 0.015, 0.6}}},
  };
  for (const Sound& s : sounds) {
    const std::string path = dir + "/" + s.name + ".wav";
    if (!Write(path, Render(s.tones))) {
      fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
