// Writes the simulator's recording, DIREV2.IDX and DIREV2.SON (big-endian),
// with the coprocessor stand-in's synthesiser: pings of the down-looking
// imaging transducer in its beams' order 1 (200 kHz), 2 (455 kHz down
// beam), 3 (800 kHz imaging), over the built-in bottom profile.
//
//   sonarsim_gen FOLDER [PINGS]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "tools/sonarstandin/sonar_synth.h"

namespace {

void vPutBe(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back((uint8_t)(x >> s));
}

// A sequence with one pulse driving one channel.
void vSequence(uint8_t* seq, unsigned khz, uint8_t cycles, uint8_t output, uint8_t enable, unsigned samples) {
  memset(seq, 0, 31);
  for (int p = 0; p < 3; ++p) {
    seq[6 * p + 3] = 3;
    seq[6 * p + 5] = 1;
  }
  seq[0] = (uint8_t)khz;
  seq[1] = (uint8_t)(khz >> 8);
  seq[2] = cycles;
  seq[3] = 2;
  seq[4] = output;
  seq[23] = (uint8_t)samples;
  seq[24] = (uint8_t)(samples >> 8);
  seq[29] = enable;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: sonarsim_gen FOLDER [PINGS]\n");
    return 1;
  }
  const std::string folder = argv[1];
  const unsigned pings = argc > 2 ? (unsigned)atoi(argv[2]) : 600;
  SYNTH_SCENARIO scenario;
  scenario.fish.push_back({3.0, 4.0, 2});
  SYNTH_STATE state(scenario.seed);
  constexpr unsigned SAMPLES = 1200;  // 22.8 m at 1463 m/s
  const struct {
    uint8_t beam;
    unsigned khz;
    uint8_t cycles, output, enable, channel;
  } beams[] = {{1, 200, 10, 1, 0xFD, 0}, {2, 455, 18, 1, 0xF5, 1}, {3, 800, 28, 4, 0xEF, 2}};
  std::vector<uint8_t> index, data, receive(3 * SAMPLES);
  for (unsigned n = 0; n < pings; ++n) {
    for (const auto& b : beams) {
      uint8_t seq[31];
      vSequence(seq, b.khz, b.cycles, b.output, b.enable, SAMPLES);
      SYNTH_vFillReceive(scenario, &state, seq, 0, SAMPLES, receive.data());
      vPutBe(index, (uint32_t)data.size());
      data.push_back(b.beam);
      vPutBe(data, b.khz * 1000);
      vPutBe(data, 0);  // longitude: the unit's own replaces it
      vPutBe(data, 0);  // latitude
      data.push_back(b.cycles);
      data.push_back(1);
      vPutBe(data, SAMPLES);
      vPutBe(data, 26);
      for (unsigned i = 0; i < SAMPLES; ++i) data.push_back(receive[3 * i + b.channel]);
    }
  }
  for (const auto& [name, bytes] : {std::pair<std::string, const std::vector<uint8_t>*>{"/DIREV2.IDX", &index},
                                    {"/DIREV2.SON", &data}}) {
    FILE* f = fopen((folder + name).c_str(), "wb");
    if (f == nullptr || fwrite(bytes->data(), 1, bytes->size(), f) != bytes->size() || fclose(f) != 0) {
      fprintf(stderr, "sonarsim_gen: cannot write %s%s\n", folder.c_str(), name.c_str());
      return 1;
    }
  }
  return 0;
}
