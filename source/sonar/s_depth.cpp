#include "source/sonar/s_depth.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "source/core/h_database.h"
#include "source/sonar/u_ping.h"

namespace {

struct ANTILOG {
  U32 v[256];
  ANTILOG() {
    for (int k = 0; k < 256; ++k) v[k] = (U32)llround(4294967295.0 * pow(10.0, -9.0 * (255 - k) / 255.0));
  }
};
const ANTILOG s_antilog;

constexpr U32 HISTORY_SLOTS = 5;
constexpr U32 HISTORY_MS = 500;
struct DEPTH_HISTORY {
  U32 depth[HISTORY_SLOTS];
  U32 stamp[HISTORY_SLOTS];
  U32 next;
};

// Beams 0 to 3, and a spare for any other beam.
BOTTOMTRACKER BottomTrackerInfo[5];
DEPTH_HISTORY s_history[5];
U8 s_au8Threshold[PING_MAX_SAMPLES];

U32 u32Slot(BEAM b) { return b < 4 ? b : 4; }

bool bDownImaging(U8 t) { return t == 15 || t == 17 || t == 18; }

U32 u32Sat(U64 v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : (U32)v; }

// Samples limit: keel offset plus some feet, in samples.
U32 u32FeetLimit(F32 offsetFeet, F32 feet, U32 T, U32 c) {
  const double us = ((double)offsetFeet + feet) * 609600.0 / c;
  return (T / 2 + (us > 0 ? (U32)us : 0)) / T;
}

U8 u8Median(const U8* g, U32 n, U32 from, U32 stride, U8 transducer) {
  U8 v[25];
  for (U32 j = 0; j < 25; ++j) {
    const U64 i = from + (U64)j * stride;
    v[j] = i < n ? g[i] : 0;
  }
  std::nth_element(v, v + 12, v + 25);
  U32 m = v[12];
  if (transducer == 8) m = (U32)(m * 0.58823526f);
  return (U8)std::max<U32>(m, 10);
}

U32 u32Position(const TARGETCANDIDATE& c, BOOLEAN bUsePeak) { return bUsePeak ? c.u32PeakIndex : c.u32StartIndex; }

}  // namespace

const U32* const g_pu32AntiLogTable = s_antilog.v;

const U16 u16StandardDepthRangesFeet[29] = {10,  20,  30,   40,   60,   80,   100,  120,  160,  200,
                                            240, 320, 400,  480,  600,  800,  1000, 1200, 1400, 1600,
                                            1800, 2000, 2200, 2400, 2600, 2800, 3000, 3200, 3280};
const U16 u16StandardDepthRangesMetres[24] = {5,   10,  15,  20,  25,  30,  40,  50,  60,  80,  100, 120,
                                              160, 200, 240, 280, 300, 400, 500, 600, 700, 800, 900, 1000};
const U16 u16StandardDepthRangesFathoms[25] = {2,  3,  5,  8,   10,  15,  20,  25,  30,  35,  40,  60, 70,
                                               90, 100, 120, 160, 200, 250, 300, 350, 400, 450, 500, 545};

BOTTOMTRACKER* S_DEPTH_pTracker(BEAM Beam) { return &BottomTrackerInfo[u32Slot(Beam)]; }

void S_DEPTH_vReset(void) {
  memset(BottomTrackerInfo, 0, sizeof BottomTrackerInfo);
  memset(s_history, 0, sizeof s_history);
}

void S_DEPTH_vMedianThreshold(const PING_DESCRIPTOR* d, U8* curve, const U8* g) {
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  if (n == 0) return;
  const bool small = n <= 850;
  const U32 stride = small ? 10 : 30, step = small ? 20 : 50, head = small ? 120 : 360, tail = small ? 250 : 750;
  const U8 t8 = d->u8Transducer;
  U8 last = u8Median(g, n, 0, stride, t8);
  for (U32 i = 0; i <= head && i < n; ++i) curve[i] = last;
  U32 t = 1;
  for (; n > tail && t < n - tail; t += step) {
    const U8 med = u8Median(g, n, t, stride, t8);
    const U32 at = head + t;
    const U32 from = at - step;
    const S32 start = curve[from];
    const S32 inc = (S32)(((S64)(med - start) * 65536) / (S64)step);
    for (U32 k = 1; k < step; ++k) {
      const S32 v = (start * 65536 + inc * (S32)k) >> 16;
      curve[from + k] = (U8)std::clamp(v, 0, 255);
    }
    curve[at] = med;
    last = med;
  }
  for (U32 i = head + t - step; i < n; ++i) curve[i] = last;
  if (n > tail && n - tail >= 1 && n > 2 * head) {
    U64 sum = 0;
    for (U32 i = head; i < n - head; ++i) sum += (U32)std::abs((S32)curve[i] - (S32)g[i]);
    const U64 mean = sum / (n - tail);
    for (U32 i = 0; i < n; ++i) curve[i] = (U8)std::min<U64>(curve[i] + mean, 255);
  }
}

void S_DEPTH_vAddCandidateToList(TARGETCANDIDATE* list, U32* count, const TARGETCANDIDATE* c, U32 size) {
  U32 at = 0;
  while (at < *count && list[at].u64Energy > c->u64Energy) ++at;
  if (at >= size) return;
  const U32 move = std::min(*count, size - 1) - at;
  memmove(list + at + 1, list + at, move * sizeof *list);
  list[at] = *c;
  if (*count < size) ++*count;
}

U32 S_DEPTH_u32ScanCandidates(const PING_DESCRIPTOR* d, U32 startUs, const U8* curve, U8 constant, U32 c,
                              F32 lowerRange, TARGETCANDIDATE* list) {
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U32 T = d->u32SamplePeriodMicroSeconds;
  if (n < 5 || T == 0 || c == 0) return 0;
  const U8* g = d->pu8TvgdData;
  const U8* raw = d->pu8RawSonarData;
  const U32 e = n - 5;
  const U32 f = d->u32TransmitFrequencyHertz;
  const F32 off = d->fDepthOffsetFeet;
  const U32 shallow = u32FeetLimit(off, 4, T, c);
  const U32 zone10 = u32FeetLimit(off, 10, T, c), zone20 = u32FeetLimit(off, 20, T, c);
  U32 minElong[3] = {0, 0, 0};
  if (f < 100000) {
    minElong[0] = 299, minElong[1] = 599, minElong[2] = 799;
  } else if ((f > 100000 && f < 250000) || (f > 250000 && f < 500000)) {
    minElong[0] = 199, minElong[1] = 399, minElong[2] = 599;
  }
  const bool hasMin = minElong[0] != 0;
  auto X = [&](S64 i) -> U32 { return i < 0 ? g[0] : (i >= (S64)n ? 0 : g[i]); };
  auto thr = [&](U32 s) -> U32 { return curve != nullptr ? curve[s] : constant; };
  U32 count = 0;
  U32 s = startUs / T;
  S64 half = 4;
  U32 shift = 3;
  U64 sum = 0, energy = 0, total = 0;
  bool restart = true;
  while (s <= e) {
    if (restart) {
      const double metres = (double)s * T * c * 5e-7;
      if (metres < 251) half = 4, shift = 3;
      else if (metres < 501) half = 8, shift = 4;
      else if (metres < 751) half = 16, shift = 5;
      else half = 32, shift = 6;
      sum = 0;
      for (S64 i = (S64)s - half; i < (S64)s + half; ++i) sum += X(i);
      energy = total = 0;
      restart = false;
    }
    auto slide = [&] {
      sum += X((S64)s + half);
      sum -= X((S64)s - half);
      ++s;
    };
    while (s <= e && (sum >> shift) < thr(s)) slide();
    if (s > e) break;
    const U32 start = s;
    U32 peak = s;
    U8 maxv = g[s];
    while (s <= e && (sum >> shift) >= thr(s)) {
      const U8 v = g[s];
      const U32 t = thr(s);
      total += g_pu32AntiLogTable[v];
      if (v > t) energy += g_pu32AntiLogTable[v - t];
      if (v > maxv) {
        maxv = v;
        peak = s;
      }
      slide();
    }
    const U32 elongation = T * (s - start);
    if (peak <= shallow && raw[peak] <= 230) continue;  // too shallow: on at step 2
    restart = true;
    if (hasMin) {
      const U32 zone = peak < zone10 ? 0 : peak < zone20 ? 1 : 2;
      if (elongation <= minElong[zone]) continue;
    }
    if (curve != nullptr) {
      const double limit = 255.0 / (1.0 + 0.0001 * peak);
      if (curve[peak] > limit && (double)peak * T * c * 5e-7 > lowerRange) continue;
    }
    const TARGETCANDIDATE cand = {start, s - 1, peak, maxv, raw[peak], elongation, energy, total};
    S_DEPTH_vAddCandidateToList(list, &count, &cand, DEPTH_CANDIDATES);
  }
  return count;
}

U8 S_DEPTHALGORITHMS_u8WindowTest(TARGETCANDIDATE* list, U32 count, U32 T, BOTTOMTRACKER* tr, BOOLEAN bUsePeak,
                                  U32 ts, U32 c) {
  if (c == 0) c = g_u32SpeedOfSoundInWater.load();
  if (c == 0 || T == 0) return 255;
  const U32 P = tr->u8LockedCounter > 3 ? tr->u32LastLockedDepthMicroseconds : tr->u32PrevTallestDepthMicroseconds;
  const U32 e = ts > tr->u32LastLockTimeMs ? ts - tr->u32LastLockTimeMs : ts + (0xFFFFFFFFu - tr->u32LastLockTimeMs);
  U32 base;
  if (P < 3048000 / c) base = 914400 / c;
  else if (P < 6096000 / c) base = 1524000 / c;
  else if (P < 12192000 / c) base = 3048000 / c;
  else base = 6096000 / c;
  // The growth (a foot per 100 ms) saturates instead of wrapping after long gaps.
  const U32 W = u32Sat((U64)base + P / 50 + (U64)(e / 100) * 609600 / c);
  tr->u32DepthWindowSizeDividedBy2 = W;
  const S64 lo = (S64)(P / T) - (S64)(W / T);
  const U64 low = lo < 0 ? 0 : (U64)lo;
  const U64 high = (U64)(P / T) + W / T;
  auto in = [&](const TARGETCANDIDATE& k) {
    const U64 p = u32Position(k, bUsePeak);
    return p > low && p < high;
  };
  if (tr->u8LockedCounter <= 3) tr->u64LockedEnergy = 0;
  U8 r = 255;
  const bool strongestIn = count > 0 && in(list[0]);
  if (strongestIn) {
    if (tr->u8LockedCounter < 255) ++tr->u8LockedCounter;
    tr->u8TallestLockedCounter = 0;
    tr->u64TallestEnergy = 0;
    tr->u64LockedEnergy = list[0].u64Energy;
    r = 0;
  } else {
    for (U32 i = 1; i < count; ++i) {
      if (in(list[i])) {
        if (tr->u8LockedCounter < 255) ++tr->u8LockedCounter;
        tr->u64LockedEnergy = list[i].u64Energy;
        r = (U8)i;
        break;
      }
    }
    if (count > 0 && tr->u8LockedCounter >= 4 && list[0].u64Energy >= 101 &&
        list[0].u64Energy / 10 >= tr->u64LockedEnergy && list[0].u64Energy > 10 * tr->u64LockedEnergy) {
      const S64 p0 = u32Position(list[0], bUsePeak);
      const S64 prev = tr->u32PrevTallestDepthMicroseconds / T;
      const S64 tenFeet = 6096000 / c / T;
      if ((p0 > prev ? p0 - prev : prev - p0) < tenFeet) {
        tr->u8LockedCounter = 3;
        tr->u64LockedEnergy = list[0].u64Energy;
        tr->u8TallestLockedCounter = 0;
        r = 0;
      }
    }
  }
  if (r == 255) {
    const double trackedMetres = (double)tr->u32LastLockedDepthMicroseconds * c * 5e-7;
    if (e > (trackedMetres > 600.0 ? 5000u : 2500u)) tr->u8LockedCounter = 0;
    if (count > 0) tr->u32PrevTallestDepthMicroseconds = u32Sat((U64)u32Position(list[0], bUsePeak) * T);
    return r;
  }
  tr->u32LastLockTimeMs = ts;
  const U32 D = u32Sat((U64)u32Position(list[r], bUsePeak) * T);
  if (tr->u8LockedCounter == 3) {
    tr->u32LastLockedDepthMicroseconds = D;
  } else if (tr->u8LockedCounter > 3) {
    // The slew (10 ft a second) saturates instead of wrapping.
    const U32 g = u32Sat((U64)(6096000 / c) * e / 1000);
    U32& t = tr->u32LastLockedDepthMicroseconds;
    const U32 gap = D > t ? D - t : t - D;
    if (gap <= g) t = D;
    else if (D > t) t = u32Sat((U64)t + g);
    else t = t < g ? 0 : t - g;
  }
  tr->u32PrevTallestDepthMicroseconds = u32Sat((U64)u32Position(list[0], bUsePeak) * T);
  return r;
}

U8 S_DEPTHALGORITHMS_u8SecondReturnTest(TARGETCANDIDATE* list, U32 count, U32 T, BOTTOMTRACKER* tr,
                                        BOOLEAN bModified, BOOLEAN bUsePeak) {
  if (count == 0 || T == 0) return 255;
  if (bModified) {
    const S64 w = 624 / T;
    U32 strongest = 0;
    for (U32 i = 1; i < count; ++i) {
      if (list[i].u64Energy > list[strongest].u64Energy) strongest = i;
    }
    const S64 ps = list[strongest].u32PeakIndex;
    for (U32 f = 0; f < count; ++f) {
      const S64 pf = list[f].u32PeakIndex;
      if (2 * pf - w < 0 || 3 * pf - w < 0) continue;
      if (!(ps > 2 * pf - w && ps < 2 * pf + w)) continue;
      for (U32 k = 0; k < count; ++k) {
        const S64 pk = list[k].u32PeakIndex;
        if (pk > 3 * pf - w && pk < 3 * pf + w) return (U8)f;
      }
    }
    return 255;
  }
  U32 best = 255;
  for (U32 m = 0; m < count; ++m) {
    const S64 pm = u32Position(list[m], bUsePeak);
    const S64 w = std::clamp<S64>((S64)(0.075 * (double)pm), 12, 48);
    bool qualifies = false;
    for (U32 k = 0; k < count && !qualifies; ++k) {
      const S64 pk = u32Position(list[k], bUsePeak);
      qualifies = list[k].u8RawPeak > 229 && pk > 2 * pm - w && pk < 2 * pm + w;
    }
    if (qualifies && (best == 255 || pm < (S64)u32Position(list[best], bUsePeak))) best = m;
  }
  if (best != 255) tr->u32LastLockedDepthMicroseconds = u32Sat((U64)u32Position(list[best], bUsePeak) * T);
  return (U8)best;
}

U32 S_DEPTH_u32FindDepthWith(const PING_DESCRIPTOR* d, U32 startUs, U32 c, F32 lowerRange) {
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U32 T = d->u32SamplePeriodMicroSeconds;
  const BEAM b = d->Beam;
  if (n == 0 || T == 0 || c == 0) return 0;
  const U8* g = d->pu8TvgdData;
  const bool curveMode = (b <= 1 || ((b == 2 || b == 3) && bDownImaging(d->u8Transducer))) && n > 300;
  U8 constant = 0;
  if (curveMode) {
    S_DEPTH_vMedianThreshold(d, s_au8Threshold, g);
  } else {
    U64 sum = 0;
    U32 nonZero = 0;
    for (U32 i = 0; i < n; ++i) {
      if (g[i] != 0) sum += g[i], ++nonZero;
    }
    if (nonZero == 0) return 0;
    constant = (U8)std::min<U64>((sum + nonZero - 1) / nonZero, 255);
  }
  TARGETCANDIDATE list[DEPTH_CANDIDATES];
  const U32 count =
      S_DEPTH_u32ScanCandidates(d, startUs, curveMode ? s_au8Threshold : nullptr, constant, c, lowerRange, list);
  BOTTOMTRACKER* tr = &BottomTrackerInfo[u32Slot(b)];
  U8 r = S_DEPTHALGORITHMS_u8WindowTest(list, count, T, tr, TRUE, d->u32TimeStampMilliSeconds, c);
  if (r == 255 && tr->u8LockedCounter >= 4) r = 254;
  if (count > 0 && (U64)list[0].u32StartIndex * T <= 10399) {
    U32 shallowest = 0;
    for (U32 i = 1; i < count; ++i) {
      if (list[i].u32StartIndex < list[shallowest].u32StartIndex) shallowest = i;
    }
    if (list[shallowest].u8RawPeak >= 230) {
      const U8 r2 = S_DEPTHALGORITHMS_u8SecondReturnTest(list, count, T, tr, FALSE, TRUE);
      if (r2 != 255) r = r2;
    }
  }
  U32 depth = 0;
  if (r == 254) {
    depth = tr->u32LastLockedDepthMicroseconds / T;
  } else if (r < count) {
    const TARGETCANDIDATE& k = list[r];
    if (b == 1 || ((b == 2 || b == 3) && bDownImaging(d->u8Transducer))) {
      depth = k.u32PeakIndex > 7 ? k.u32PeakIndex - 7 : 0;  // floored at 0, never wrapping
    } else {
      depth = k.u32StartIndex;
    }
    if (depth < u32FeetLimit(d->fDepthOffsetFeet, 4, T, c) && k.u8RawPeak < 230) depth = 0;
  }
  DEPTH_HISTORY& h = s_history[u32Slot(b)];
  h.depth[h.next] = depth;
  h.stamp[h.next] = d->u32TimeStampMilliSeconds;
  h.next = (h.next + 1) % HISTORY_SLOTS;
  U64 weights = 0, weighted = 0;
  for (U32 i = 0; i < HISTORY_SLOTS; ++i) {
    const U32 age = d->u32TimeStampMilliSeconds - h.stamp[i];
    if (h.depth[i] != 0 && age < HISTORY_MS) {
      weights += HISTORY_MS - age;
      weighted += (U64)(HISTORY_MS - age) * h.depth[i];
    }
  }
  if (weights != 0) depth = (U32)((weighted + weights / 2) / weights);
  return u32Sat((U64)T * depth);
}

U32 S_DEPTH_u32FindDepth(PING_DESCRIPTOR* d, U32 startUs, U32 stopUs) {
  (void)stopUs;
  F32 lower = 0.0f;
  (void)H_DATABASE_bFetchFloat(FCID("YSLD"), &lower);
  return S_DEPTH_u32FindDepthWith(d, startUs, g_u32SpeedOfSoundInWater.load(), lower);
}

U8 S_DEPTH_u8GetMinimumSlopeValue(U32* next, U32 samples, const SLOPETESTVALUE* table, U32 T) {
  if (T == 0) T = SONAR_SAMPLE_PERIOD_US;
  const U32 x = T == 26 ? samples : (U32)((U64)samples * T / 26);
  U32 k = 0;
  while (table[k].u32ValidUntilSample < x && table[k].u32ValidUntilSample != 0xFFFFFFFFu) ++k;
  const U32 until = table[k].u32ValidUntilSample;
  if (next != nullptr) {
    *next = T == 26 ? until + 1 : u32Sat(((U64)T + (U64)until * 26 - 1) / T + 1);
  }
  return table[k].u8MinimumSlope;
}

U16 S_DEPTH_u16SelectDepthRange(F32 fDepth, UNIT_TYPE eUnits) {
  const double scaledD = fDepth > 0 ? (double)fDepth * 100.0 / 85.0 : 0.0;
  const U16 scaled = (U16)(U32)std::min(scaledD, 4294967295.0);
  const U16* table;
  size_t size;
  U16 least, smallest;
  switch (eUnits) {
    case U_FEET:
      table = u16StandardDepthRangesFeet, size = 29, least = 9, smallest = 10;
      break;
    case U_METRES:
      table = u16StandardDepthRangesMetres, size = 24, least = 4, smallest = 5;
      break;
    case U_FATHOMS:
      table = u16StandardDepthRangesFathoms, size = 25, least = 1, smallest = 2;
      break;
    default:
      return 11;
  }
  if (scaled <= least) return smallest;
  for (size_t i = 1; i < size; ++i) {
    if (table[i] > scaled) return table[i];
  }
  return table[size - 1];
}
