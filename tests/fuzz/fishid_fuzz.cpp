// Fuzzer of fish identification: arbitrary gained samples with arbitrary
// bottom depth, transmit cycles, frequency, sample period, water, speed of
// sound and sensitivity are scanned, merged into an accumulator's list and
// linked into a small run of history columns. Nothing is read outside the
// ping's samples and every list keeps at most 6 targets lying within them.
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

#include "source/sonar/s_fishid.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t n;
  template <typename V>
  V Take() {
    V v{};
    const size_t k = n < sizeof v ? n : sizeof v;
    memcpy(&v, p, k);
    p += k;
    n -= k;
    return v;
  }
};

void vCheck(const FISH_TARGET_LIST& l, U32 samples) {
  if (l.u8NumberOfTargets > FISH_MAX_TARGETS) abort();
  for (U32 k = 0; k < l.u8NumberOfTargets; ++k)
    if (l.target[k].u32DepthInSamples >= samples || l.target[k].u8Size > 2) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<FISH_TARGET_HISTORY> history = [] {
    auto h = std::make_unique<FISH_TARGET_HISTORY>();
    S_FISHID_vInitialiseHistory(h.get());
    return h;
  }();
  Reader r{data, size};
  PING_DESCRIPTOR d{};
  d.Beam = r.Take<U8>() & 3;
  d.u8TransmitCycles = r.Take<U8>();
  d.u32SamplePeriodMicroSeconds = r.Take<U8>();
  d.u32TransmitFrequencyHertz = r.Take<U32>();
  d.fDepthMetres = r.Take<F32>();
  const WATER_TYPE water = (WATER_TYPE)(r.Take<U8>() % 3);
  const U32 sensitivity = r.Take<U8>();
  g_u32SpeedOfSoundInWater = 1 + r.Take<U16>();
  S_FISHID_vSetReverseScroll(r.Take<U8>() & 1);
  // The rest are the samples, in a buffer of exactly their length; the
  // descriptor may claim more than there are only up to the buffer.
  std::vector<U8> samples(r.p, r.p + r.n);
  d.u32NumberOfSamples = (U32)samples.size();
  d.pu8TvgdData = samples.empty() ? nullptr : samples.data();

  FISH_TARGET_LIST ping;
  S_FISHID_vScanForFish(&ping, &d, water, sensitivity);
  vCheck(ping, d.u32NumberOfSamples);
  FISH_TARGET_LIST accumulated{};
  S_FISHID_vMergeFishTargetLists(&accumulated, &ping);
  S_FISHID_vMergeFishTargetLists(&accumulated, &ping);
  vCheck(accumulated, d.u32NumberOfSamples);
  S_FISHID_vAddFishTargetListToHistory(history.get(), &accumulated);
  if (size & 1) S_FISHID_vDuplicateFishTargetListInHistory(history.get());
  S_FISHID_vCheckAlarm(history.get(), (FISH_SIZE_ALARM)(size % 4));
  if (history->u16IndexToMostRecentTargets >= FISH_HISTORY_COLUMNS) abort();
  return 0;
}
