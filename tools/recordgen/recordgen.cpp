// Writes a short card recording that is the same on every run: the folder
// RECORD/R00001 with B001.SON and B001.IDX and the thumb header
// RECORD/R00001.DAT, through the unit's own record and thumb-header
// encoders. The pings are made up here: 200 kHz pings of the down-looking
// imaging transducer, PINGS of them 60 ms apart, 1200 samples each, over a
// bottom that rises and falls between 6 and 10 m, a fish arch crossing the
// beam now and then, and noise from a fixed-seed generator.
//
//   recordgen FOLDER [PINGS]
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/mmc_types.h"
#include "common/ping_types.h"
#include "source/startup/t_mmc_record.h"

namespace {

constexpr U32 SAMPLES = 1200;         // 22.8 m at 1463 m/s and 26 us
constexpr U32 PERIOD_US = 26;
constexpr U32 PING_PERIOD_MS = 60;
constexpr double METRES_PER_SAMPLE = 1463.0 * PERIOD_US * 1e-6 / 2.0;
constexpr U32 START_TIME = 1700000000;  // the thumb header's recording start
constexpr S32 LON_MM = -1234567, LAT_MM = 7654321;

void vPut32(std::vector<U8>& v, U32 x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back((U8)(x >> s));
}

// A small generator with a fixed seed: the same noise on every machine.
struct NOISE {
  U32 state = 12345;
  U32 next(U32 span) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % span;
  }
};

U8 u8Clip(double v) { return (U8)(v < 0 ? 0 : v > 255 ? 255 : v); }

// The samples of ping n: the transmit ring near the transducer, the noise
// floor, the bottom echo with its tail, and a fish arch.
void vFillPing(U32 n, NOISE* noise, U8* s) {
  const double bottom = 8.0 + 2.0 * sin(n * 0.045);
  const U32 first = (U32)(bottom / METRES_PER_SAMPLE);
  for (U32 i = 0; i < SAMPLES; ++i) {
    double v = 4 + noise->next(11);
    if (i < 40) v += 200.0 * (40 - i) / 40.0;
    if (i >= first) {
      const double below = i - first;
      v += below < 12 ? 210.0 : below < 90 ? 150.0 * exp(-(below - 12) / 30.0) : 20.0;
    }
    s[i] = u8Clip(v);
  }
  // A fish at 4 m passes under the beam for 24 pings in every 80.
  const U32 k = n % 80;
  if (k >= 30 && k < 54) {
    const double off = (k - 42.0) / 12.0;
    const U32 at = (U32)((4.0 + 0.5 * off * off) / METRES_PER_SAMPLE);
    for (U32 i = at; i < at + 5 && i < SAMPLES; ++i) s[i] = u8Clip(s[i] + 140.0 - 60.0 * fabs(off));
  }
}

bool bWrite(const std::string& path, const std::vector<U8>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  const bool ok = f != nullptr && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f != nullptr && fclose(f) != 0) return false;
  if (!ok) fprintf(stderr, "recordgen: cannot write %s\n", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: recordgen FOLDER [PINGS]\n");
    return 1;
  }
  const std::string record = std::string(argv[1]) + "/RECORD";
  const U32 pings = argc > 2 ? (U32)atoi(argv[2]) : 200;
  if (pings < 2) {
    fprintf(stderr, "recordgen: at least 2 pings\n");
    return 1;
  }
  std::vector<U8> data, index;
  std::vector<U8> samples(PING_MAX_SAMPLES);
  U8 head[MMC_RECORD_HEAD_BYTES];
  NOISE noise;
  U32 lastBytes = 0;
  for (U32 n = 0; n < pings; ++n) {
    vFillPing(n, &noise, samples.data());
    PING_DESCRIPTOR d{};
    d.Beam = 1;
    d.u8Transducer = 15;
    d.u32TransmitFrequencyHertz = 200000;
    d.u8TransmitCycles = 10;
    d.u8TransmitPower = 1;
    d.u32SamplePeriodMicroSeconds = PERIOD_US;
    d.u32NumberOfSamples = SAMPLES;
    d.Location = {TRUE, LON_MM, LAT_MM};
    MMC_RECORD_FIELDS f{};
    f.u32Marker = MMC_RECORD_MARKER_LIVE;
    f.u32PingIndex = n;
    f.u32TimeStamp = n * PING_PERIOD_MS;
    f.u32Depth = (U32)((8.0 + 2.0 * sin(n * 0.045)) * 10.0);
    MMC_RECORD_vEncodeHead(&d, &f, head);
    vPut32(index, f.u32TimeStamp);
    vPut32(index, (U32)data.size());
    data.insert(data.end(), head, head + sizeof head);
    data.insert(data.end(), samples.begin(), samples.begin() + SAMPLES);
    lastBytes = MMC_RECORD_HEAD_BYTES + SAMPLES;
  }
  SONAR_RECORD_THUMB_HEADER h{};
  h.u8Version = MMC_RECORD_THUMB_VERSION;
  h.u8WaterType = 0;
  h.bWaypointValid = 1;
  h.RecordingStartWaypoint.u32Time = START_TIME;
  h.RecordingStartWaypoint.s32X = LON_MM;
  h.RecordingStartWaypoint.s32Y = LAT_MM;
  snprintf(h.RecordingStartWaypoint.acName, sizeof h.RecordingStartWaypoint.acName, "R00001.SON");
  h.u32NumberOfPings = pings;
  h.u32TotalTimeMs = (pings - 1) * PING_PERIOD_MS;
  h.u32PingSizeBytes = lastBytes;
  h.u32FirstPingPeriodMs = PING_PERIOD_MS;
  h.u32BeamMask = 1u << 1;
  std::vector<U8> thumb(MMC_THUMB_HEADER_BYTES);
  MMC_RECORD_vEncodeThumbHeader(&h, thumb.data());

  const std::string folder = record + "/R00001";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    fprintf(stderr, "recordgen: cannot make %s\n", folder.c_str());
    return 1;
  }
  return bWrite(folder + "/B001.SON", data) && bWrite(folder + "/B001.IDX", index) &&
                 bWrite(record + "/R00001.DAT", thumb)
             ? 0
             : 1;
}
