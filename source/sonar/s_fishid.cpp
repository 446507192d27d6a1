#include "source/sonar/s_fishid.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <atomic>

#include <stdio.h>

#include "common/u_convert.h"
#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_fonts.h"
#include "source/sonar/s_depth.h"
#include "source/sonar/s_transducer.h"

namespace {

// ------------------------------------------------------------ threshold tables
// Maximum peak, then small/medium/large for sensitivity 0 to 10.
constexpr FISH_SIZING_TABLE FishThresholdTable50kHzFresh = {
    175,
    {{72, 80, 88}, {66, 74, 82}, {61, 69, 77}, {55, 63, 71}, {50, 58, 66}, {45, 53, 61},
     {39, 47, 55}, {34, 42, 50}, {28, 36, 44}, {23, 31, 39}, {18, 26, 34}}};
constexpr FISH_SIZING_TABLE FishThresholdTable50kHzSalt = {
    208,
    {{120, 128, 136}, {109, 117, 125}, {99, 107, 115}, {89, 97, 105}, {79, 87, 95}, {69, 77, 85},
     {58, 66, 74}, {48, 56, 64}, {38, 46, 54}, {28, 36, 44}, {18, 26, 34}}};
constexpr FISH_SIZING_TABLE FishThresholdTable83kHzFreshOSII = {
    157,
    {{72, 79, 88}, {66, 74, 82}, {61, 69, 77}, {55, 63, 71}, {50, 58, 66}, {45, 53, 61},
     {39, 47, 55}, {34, 42, 50}, {28, 36, 44}, {23, 31, 39}, {18, 26, 34}}};
constexpr FISH_SIZING_TABLE FishThresholdTable83kHzSaltOSII = {
    178,
    {{109, 117, 125}, {99, 107, 115}, {89, 97, 105}, {79, 87, 95}, {69, 77, 85}, {58, 66, 74},
     {48, 56, 64}, {38, 46, 54}, {28, 36, 44}, {17, 25, 33}, {7, 15, 23}}};
constexpr FISH_SIZING_TABLE FishThresholdTable83kHzFresh = {
    175,
    {{82, 89, 98}, {77, 84, 93}, {72, 79, 88}, {66, 74, 82}, {61, 69, 77}, {55, 63, 71},
     {50, 58, 66}, {45, 53, 61}, {39, 47, 55}, {34, 42, 50}, {28, 36, 44}}};
constexpr FISH_SIZING_TABLE FishThresholdTable83kHzSalt = {
    208,
    {{130, 138, 146}, {120, 128, 136}, {109, 117, 125}, {99, 107, 115}, {89, 97, 105}, {79, 87, 95},
     {69, 77, 85}, {58, 66, 74}, {48, 56, 64}, {38, 46, 54}, {28, 36, 44}}};
constexpr FISH_SIZING_TABLE FishThresholdTable200kHzFreshOSII = {
    166,
    {{106, 122, 138}, {102, 118, 134}, {98, 114, 130}, {90, 106, 122}, {82, 98, 114}, {74, 90, 106},
     {66, 82, 98}, {60, 76, 92}, {56, 72, 88}, {50, 66, 82}, {44, 60, 76}}};
constexpr FISH_SIZING_TABLE FishThresholdTable200kHzSaltOSII = {
    198,
    {{164, 178, 194}, {152, 170, 188}, {140, 158, 178}, {124, 146, 168}, {108, 132, 156}, {92, 118, 144},
     {78, 102, 128}, {66, 88, 110}, {56, 76, 94}, {41, 68, 94}, {28, 55, 83}}};
constexpr FISH_SIZING_TABLE FishThresholdTable200kHzFresh = {
    175,
    {{114, 130, 146}, {110, 126, 142}, {106, 122, 138}, {102, 118, 134}, {98, 114, 130}, {90, 106, 122},
     {82, 98, 114}, {74, 90, 106}, {66, 82, 98}, {60, 76, 92}, {56, 72, 88}}};
constexpr FISH_SIZING_TABLE FishThresholdTable200kHzSalt = {
    208,
    {{180, 192, 204}, {176, 188, 200}, {164, 178, 194}, {152, 170, 188}, {140, 158, 178}, {124, 146, 168},
     {108, 132, 156}, {92, 118, 144}, {78, 102, 128}, {66, 88, 110}, {56, 76, 94}}};
// The two 455 kHz element kinds share their thresholds.
constexpr FISH_SIZING_TABLE FishThresholdTable455kHzFresh = {
    175,
    {{106, 122, 138}, {102, 118, 134}, {98, 114, 130}, {90, 106, 122}, {82, 98, 114}, {74, 90, 106},
     {66, 82, 98}, {60, 76, 92}, {56, 72, 88}, {52, 68, 84}, {48, 64, 80}}};
constexpr FISH_SIZING_TABLE FishThresholdTable455kHzSalt = {
    208,
    {{176, 188, 200}, {164, 178, 194}, {152, 170, 188}, {140, 158, 178}, {124, 146, 168}, {108, 132, 156},
     {92, 118, 144}, {78, 102, 128}, {66, 88, 110}, {56, 76, 94}, {48, 64, 80}}};
constexpr const FISH_SIZING_TABLE& FishThresholdTableBroadvane455kHzFresh = FishThresholdTable455kHzFresh;
constexpr const FISH_SIZING_TABLE& FishThresholdTableBroadvane455kHzSalt = FishThresholdTable455kHzSalt;
constexpr const FISH_SIZING_TABLE& FishThresholdTableZireRazi455kHzFresh = FishThresholdTable455kHzFresh;
constexpr const FISH_SIZING_TABLE& FishThresholdTableZireRazi455kHzSalt = FishThresholdTable455kHzSalt;

constexpr U8 TRANSDUCER_OSII = 11;
constexpr U8 TRANSDUCER_BROADVANE = 3;

// ------------------------------------------------------------ slope table
// Minimum rise that starts an echo, up to a sample of 26 µs (the last step
// is never left: its next change lies beyond any ping).
constexpr SLOPETESTVALUE FishSlopeTestValues[] = {{5, 240}, {4, 800}, {3, 2240}, {2, 0xFFFFFFFEu}};

// ------------------------------------------------------------ state
// The scan's working list (under RES_FISHID).
POTENTIAL_FISH_TARGET_LIST s_PotentialFishTargetList;
std::atomic<BOOLEAN> s_bReverseScroll{FALSE};

U32 u32SpeedOfSound(void) {
  const U32 c = g_u32SpeedOfSoundInWater.load(std::memory_order_relaxed);
  return c != 0 ? c : SONAR_SPEED_OF_SOUND_FRESH;
}

// Samples within which a ping's fish counts as one already held.
U32 u32MergeTolerance(U32 c) { return (304800 / c + 13) / SONAR_SAMPLE_PERIOD_US; }

struct Lock {
  Lock() { L_MUTEX_LockWait(RES_FISHID); }
  ~Lock() { L_MUTEX_Unlock(RES_FISHID); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
};

U32 u32AbsDiff(U32 a, U32 b) { return a > b ? a - b : b - a; }

// The pulse length in µs of the ping's transmission (0 when it cannot be
// known: a low-frequency beam without a frequency).
U32 u32PulseUs(const PING_DESCRIPTOR* d) {
  double k = 0.0;
  if (d->Beam == 1) {
    k = 5.0;
  } else if (d->Beam == 2 || d->Beam == 3) {
    k = 2.2026432;
  } else {
    U32 f = S_TRANSDUCER_u32LFBeamFrequencyHertz();
    if (f == 0) f = d->u32TransmitFrequencyHertz;
    if (f == 0) return 0;
    k = 1000000.0 / f;
  }
  return (U32)(k * d->u8TransmitCycles);
}

// Fills the potential list with the accepted echoes of the ping's gained
// samples up to the time t (µs).
void vExtractFishFromReturnIntoList(POTENTIAL_FISH_TARGET_LIST* pList, const PING_DESCRIPTOR* d, U64 t,
                                    const FISH_SIZING_TABLE& table, U32 u32Sensitivity) {
  pList->u8NumberOfTargets = 0;
  const U32 T = d->u32SamplePeriodMicroSeconds;
  const U32 n = std::min(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  const U8* g = d->pu8TvgdData;
  if (T == 0 || n == 0 || g == nullptr) return;
  const U32 P = u32PulseUs(d);
  if (P == 0) return;
  const U32 eMax = S_FISHID_u32MaxElongationUs(P, T);
  const U32 eMin = S_FISHID_u32MinElongationUs(P, T);

  // The stop index from the bottom depth; never past the ping's last sample.
  const U32 se = (U32)std::min<U64>((t + T / 2) / T, n - 1);
  U32 start = 0, end = se;
  if (se >= 8) {
    // Skip the transmit ring-down: the first run of 8 zeros.
    start = se - 7;
    for (U32 i = 0, zeros = 0; i <= se; ++i) {
      zeros = g[i] == 0 ? zeros + 1 : 0;
      if (zeros == 8) {
        start = i - 7;
        break;
      }
    }
    // Leave out the bottom's rising edge: the last run of 8 zeros. Without
    // one there is no quiet water column to search.
    end = 0;
    for (U32 e = se + 1, zeros = 0; e-- > 0;) {
      zeros = g[e] == 0 ? zeros + 1 : 0;
      if (zeros == 8) {
        end = e + 7;
        break;
      }
    }
    if (end < 8) return;
  }

  const FISH_SIZE_THRESHOLD& row = table.Table[u32Sensitivity];
  const U32 saturation = std::min<U32>((table.u8MaxPeak * 5u) >> 2, 255u);
  const U32 minPeak = ((U32)row.u8Small * 3u) >> 2;
  const U32 minElongation = (eMin * 3u) >> 2;
  const U64 maxElongation = ((U64)eMax * 5u) >> 2;

  // Echo candidates carry no energy: each new one goes first and, with more
  // than 12, the first found (shallowest) drops off.
  TARGETCANDIDATE candidates[FISH_POTENTIAL_TARGETS];
  U32 found = 0;
  U32 nextChange = 0;
  U32 r = S_DEPTH_u8GetMinimumSlopeValue(&nextChange, start, FishSlopeTestValues, T);
  U32 i = start;
  // Every sample read lies at or before end (≤ se < n): a rise at end itself
  // could only start an echo touching the end, which is the bottom.
  while (i < end) {
    if (i >= nextChange) r = S_DEPTH_u8GetMinimumSlopeValue(&nextChange, i, FishSlopeTestValues, T);
    if ((U32)g[i + 1] <= (U32)g[i] + r) {
      ++i;
      continue;
    }
    const U32 a = i + 1;
    U32 b = a + 1;
    U32 peak = a;
    if (a + 1 <= end && g[a + 1] >= g[a]) {
      while (b <= end && g[b] >= g[a]) {
        if (g[b] > g[peak]) peak = b;
        ++b;
      }
    }
    const U32 q = ((peak - a) * 10 + 5) / (b - a);
    const U32 peakValue = (q >= 4 && q <= 6) ? g[peak] : 0;
    const U32 elongation = T * (b - a);
    if (b >= end) break;  // an echo touching the end is the bottom
    i = b;
    if (peakValue > minPeak && peakValue < saturation && elongation >= minElongation &&
        elongation <= maxElongation) {
      TARGETCANDIDATE k{};
      k.u32StartIndex = a;
      k.u32StopIndex = b - 1;
      k.u32PeakIndex = peak;
      k.u8TVGPeak = (U8)peakValue;
      k.u32ElongationMicroSeconds = elongation;
      S_DEPTH_vAddCandidateToList(candidates, &found, &k, FISH_POTENTIAL_TARGETS);
    }
  }

  for (U32 k = 0; k < found; ++k) {
    const TARGETCANDIDATE& c = candidates[k];
    FISH_TARGET& f = pList->target[k];
    f = FISH_TARGET{};
    f.u32DepthInSamples = c.u32PeakIndex;
    f.u8Size = c.u8TVGPeak > row.u8Large ? 2 : c.u8TVGPeak > row.u8Medium ? 1 : 0;
    f.u8Peak = c.u8TVGPeak;
    f.beam = d->Beam;
    f.bIgnoreThisFish = FALSE;
    f.bIdPlusThisFish = d->Beam <= 1 ? TRUE : FALSE;
    f.criteria.u8MinPeakAmplitude = row.u8Small;
    f.criteria.u8MaxPeakAmplitude = table.u8MaxPeak;
    f.criteria.bRemovedFish = FALSE;
    f.criteria.u32MinElongationUs = eMin;
    f.criteria.u32MaxElongationUs = eMax;
    f.criteria.u32ElongationUs = c.u32ElongationMicroSeconds;
    f.pPreviousInstance = nullptr;
  }
  pList->u8NumberOfTargets = (U8)found;
}

U16 u16Step(U16 index, BOOLEAN reverse) {
  if (reverse) return index == 0 ? (U16)(FISH_HISTORY_COLUMNS - 1) : (U16)(index - 1);
  return (U32)index + 1 >= FISH_HISTORY_COLUMNS ? 0 : (U16)(index + 1);
}

U16 u16Next(const FISH_TARGET_HISTORY* h) {
  return u16Step(h->u16IndexToMostRecentTargets % FISH_HISTORY_COLUMNS, s_bReverseScroll.load());
}

void vCopy(FISH_TARGET_LIST* pDestination, const FISH_TARGET_LIST* pSource) {
  const U32 count = std::min<U32>(pSource->u8NumberOfTargets, FISH_MAX_TARGETS);
  pDestination->u8NumberOfTargets = (U8)count;
  pDestination->bSimulatedFishList = pSource->bSimulatedFishList;
  memmove(pDestination->target, pSource->target, count * sizeof(FISH_TARGET));
}

// Links one new target to the targets of one earlier column.
void vLinkToColumn(FISH_TARGET* t, FISH_TARGET_LIST* column, U32 tolerance) {
  const U32 count = std::min<U32>(column->u8NumberOfTargets, FISH_MAX_TARGETS);
  for (U32 k = 0; k < count; ++k) {
    FISH_TARGET* p = &column->target[k];
    if (p->criteria.bRemovedFish) continue;
    if (u32AbsDiff(p->u32DepthInSamples, t->u32DepthInSamples) > tolerance) continue;
    if (p->bIgnoreThisFish && p->u32DepthInSamples >= t->u32DepthInSamples) continue;
    t->pPreviousInstance = p;
    if (p->beam == 1) t->beam = 1;
    if (p->bIgnoreThisFish) {
      t->bIgnoreThisFish = TRUE;
    } else if (t->u32DepthInSamples <= p->u32DepthInSamples + 16) {
      p->bIgnoreThisFish = TRUE;
      t->u8Size = std::max(t->u8Size, p->u8Size);
    } else {
      t->bIgnoreThisFish = TRUE;
      p->u8Size = std::max(t->u8Size, p->u8Size);
    }
  }
}

// ------------------------------------------------------------ drawing
// Beam × 3 + size.
const ICON* const FishIconsHorizontal[12] = {
    &SmfishClr_icon, &MedfishClr_icon, &LrgfishClr_icon, &Smfish_icon,   &Medfish_icon,   &Lrgfish_icon,
    &fish_scl_icon,  &fish_mcl_icon,   &fish_lcl_icon,   &fish_scr_icon, &fish_mcr_icon, &fish_lcr_icon};
const ICON* const FishIconsVertical[12] = {
    &SmfishClr_icon, &MedfishClr_icon, &LrgfishClr_icon, &Smfish_icon,    &Medfish_icon,   &Lrgfish_icon,
    &VertFishS_icon, &VertFishM_icon,  &VertFishL_icon,  &VertFishS_icon, &VertFishM_icon, &VertFishL_icon};

const ICON* pIcon(const ICON* const* table, const FISH_TARGET& t) {
  if (t.beam > 3) return nullptr;
  return table[t.beam * 3 + std::min<U32>(t.u8Size, 2)];
}

// The label box: colour-table entry 128 at one alpha per palette (white,
// blue, black).
constexpr U32 FISH_LABEL_ALPHA_VECTOR = 0x8C8C56;
constexpr U32 FISH_LABEL_BOX_COLOUR = 128;

// A copy of the bitmap clipped to the rectangle as well as to its own clip.
BITMAP Clipped(const BITMAP* b, S32 left, S32 bottom, S32 right, S32 top) {
  BITMAP c = *b;
  c.s32ClipLeft = std::max(c.s32ClipLeft, std::min(left, right));
  c.s32ClipRight = std::min(c.s32ClipRight, std::max(left, right));
  c.s32ClipBottom = std::max(c.s32ClipBottom, std::min(bottom, top));
  c.s32ClipTop = std::min(c.s32ClipTop, std::max(bottom, top));
  return c;
}

// The history slot k columns older than the newest drawn one.
U16 u16SlotBack(const FISH_TARGET_HISTORY* h, U32 k, bool skipNewest) {
  const bool reverse = s_bReverseScroll.load() != FALSE;
  U32 i = h->u16IndexToMostRecentTargets % FISH_HISTORY_COLUMNS;
  const U32 back = (k + (skipNewest ? 1 : 0)) % FISH_HISTORY_COLUMNS;
  i = reverse ? (i + back) % FISH_HISTORY_COLUMNS : (i + FISH_HISTORY_COLUMNS - back) % FISH_HISTORY_COLUMNS;
  return (U16)i;
}

// A depth label of s64Samples (negative below the bottom) centred on x, on
// its translucent box with the corner at boxY; the text one row above it.
void vDrawLabel(BITMAP* b, S64 s64Samples, S32 x, S32 boxY, UNIT_TYPE units, COLOR colour, U32 c) {
  const FONT_DEF* font = std_11x14_font_def_ptr.load();
  if (font == nullptr) return;
  const double metres = (double)s64Samples * SONAR_SAMPLE_PERIOD_US * c * 5e-7;
  char text[24];
  S_FISHID_vFormatDepth(text, sizeof text, dConvertFromInternal(metres, D_DEPTH, units));
  const S32 width = (S32)G_STRING_u32GetWidth(font, text);
  const S32 textX = x - width / 2;
  const U8 alpha = T_INFO_u8ConvertAlphaVector(FISH_LABEL_ALPHA_VECTOR);
  G_BOX_vDrawFilledAlpha(b, gCOLOR_pcolColorTable[FISH_LABEL_BOX_COLOUR], POINT{textX - 1, boxY}, (U32)width + 1, 16,
                         alpha);
  POINT at{textX, boxY + 1};
  G_STRING_vPut(b, colour, &at, font, text);
}

}  // namespace

// ------------------------------------------------------------ tables and limits
const FISH_SIZING_TABLE* S_FISHID_psSizingTable(BEAM beam, U32 u32TransmitFrequencyHertz, U8 u8Transducer,
                                                WATER_TYPE eWaterType) {
  const bool fresh = eWaterType == WATER_FRESH;
  switch (beam) {
    case 0:
      if (u32TransmitFrequencyHertz == 50000) return fresh ? &FishThresholdTable50kHzFresh : &FishThresholdTable50kHzSalt;
      if (u8Transducer == TRANSDUCER_OSII)
        return fresh ? &FishThresholdTable83kHzFreshOSII : &FishThresholdTable83kHzSaltOSII;
      return fresh ? &FishThresholdTable83kHzFresh : &FishThresholdTable83kHzSalt;
    case 1:
      if (u8Transducer == TRANSDUCER_OSII)
        return fresh ? &FishThresholdTable200kHzFreshOSII : &FishThresholdTable200kHzSaltOSII;
      return fresh ? &FishThresholdTable200kHzFresh : &FishThresholdTable200kHzSalt;
    case 2:
    case 3:
      if (u8Transducer == TRANSDUCER_BROADVANE)
        return fresh ? &FishThresholdTableBroadvane455kHzFresh : &FishThresholdTableBroadvane455kHzSalt;
      return fresh ? &FishThresholdTableZireRazi455kHzFresh : &FishThresholdTableZireRazi455kHzSalt;
    default:
      return nullptr;
  }
}

// 1.5 pulse lengths rounded up to whole sample periods, like the longest
// echo: the same value serves the scan's acceptance and the removal of a
// lone echo in the history.
U32 S_FISHID_u32MinElongationUs(U32 u32PulseUs, U32 u32SamplePeriodUs) {
  if (u32SamplePeriodUs == 0) return 0;
  const U64 T = u32SamplePeriodUs;
  return (U32)std::min<U64>(T * ((3ull * u32PulseUs + 2 * T - 1) / (2 * T)), 0xFFFFFFFFu);
}

U32 S_FISHID_u32MaxElongationUs(U32 u32PulseUs, U32 u32SamplePeriodUs) {
  if (u32SamplePeriodUs == 0) return 0;
  const U64 T = u32SamplePeriodUs;
  return (U32)std::min<U64>(T * ((10ull * u32PulseUs + T - 1) / T), 0xFFFFFFFFu);
}

U32 S_FISHID_u32LinkTolerance(U32 u32ColumnsBack, U32 u32SpeedOfSound) {
  const U32 c = u32SpeedOfSound != 0 ? u32SpeedOfSound : SONAR_SPEED_OF_SOUND_FRESH;
  const U32 step = u32MergeTolerance(c);
  const U32 most = (914400 / c + 13) / SONAR_SAMPLE_PERIOD_US;
  return std::min(u32ColumnsBack * step, most);
}

// ------------------------------------------------------------ scan
void S_FISHID_vScanForFish(FISH_TARGET_LIST* pList, const PING_DESCRIPTOR* pDescriptor, WATER_TYPE eWaterType,
                           U32 u32Sensitivity) {
  if (pList == nullptr) return;
  pList->u8NumberOfTargets = 0;
  pList->bSimulatedFishList = FALSE;
  if (pDescriptor == nullptr) return;
  const PING_DESCRIPTOR* d = pDescriptor;
  const U8 transducer = S_TRANSDUCER_u8CurrentTransducer(d->Beam <= 1 ? 0 : 1);
  const FISH_SIZING_TABLE* table = S_FISHID_psSizingTable(d->Beam, d->u32TransmitFrequencyHertz, transducer, eWaterType);
  if (table == nullptr) {
    FATAL_ERROR("Invalid beam");
    return;
  }
  // The search ends at the bottom (in deep salt water the low-frequency
  // beam stops short of it: fish are looked for above 80 %, at least 30 m).
  const U32 c = u32SpeedOfSound();
  double depth = d->fDepthMetres;
  if (!(depth > 0.0)) depth = 0.0;
  if (eWaterType != WATER_FRESH && d->Beam == 0 && depth >= 30.0) depth = std::max(0.8 * depth, 30.0);
  const double tUs = std::min(2000000.0 * depth / c, 4.0e9);
  const U32 sensitivity = std::min(u32Sensitivity, FISH_SENSITIVITY_MAX);

  Lock lock;
  POTENTIAL_FISH_TARGET_LIST* potential = &s_PotentialFishTargetList;
  vExtractFishFromReturnIntoList(potential, d, (U64)tUs, *table, sensitivity);
  std::stable_sort(potential->target, potential->target + potential->u8NumberOfTargets,
                   [](const FISH_TARGET& x, const FISH_TARGET& y) { return x.u8Peak > y.u8Peak; });
  const U32 count = std::min<U32>(potential->u8NumberOfTargets, FISH_MAX_TARGETS);
  memcpy(pList->target, potential->target, count * sizeof(FISH_TARGET));
  pList->u8NumberOfTargets = (U8)count;
}

// ------------------------------------------------------------ lists
void S_FISHID_vMergeFishTargetLists(FISH_TARGET_LIST* pExisting, const FISH_TARGET_LIST* pNew) {
  if (pExisting == nullptr || pNew == nullptr) return;
  const U32 tolerance = u32MergeTolerance(u32SpeedOfSound());
  Lock lock;
  if (pExisting->u8NumberOfTargets > FISH_MAX_TARGETS) pExisting->u8NumberOfTargets = FISH_MAX_TARGETS;
  const U32 count = std::min<U32>(pNew->u8NumberOfTargets, FISH_MAX_TARGETS);
  for (U32 k = 0; k < count; ++k) {
    const FISH_TARGET& t = pNew->target[k];
    FISH_TARGET* near = nullptr;
    if (!t.bIgnoreThisFish) {
      for (U32 e = 0; e < pExisting->u8NumberOfTargets && near == nullptr; ++e) {
        FISH_TARGET* x = &pExisting->target[e];
        if (!x->bIgnoreThisFish && u32AbsDiff(x->u32DepthInSamples, t.u32DepthInSamples) < tolerance) near = x;
      }
    }
    if (near != nullptr) {
      near->u8Size = std::max(near->u8Size, t.u8Size);
      near->beam = std::max(near->beam, t.beam);
    } else if (pExisting->u8NumberOfTargets < FISH_MAX_TARGETS) {
      pExisting->target[pExisting->u8NumberOfTargets++] = t;
    }
  }
  if (pNew->bSimulatedFishList) pExisting->bSimulatedFishList = TRUE;
}

void S_FISHID_vCopyFishTargetList(FISH_TARGET_LIST* pDestination, const FISH_TARGET_LIST* pSource) {
  if (pDestination == nullptr || pSource == nullptr) return;
  Lock lock;
  vCopy(pDestination, pSource);
}

void S_FISHID_vClearPreviousInstances(FISH_TARGET_LIST* pList) {
  if (pList == nullptr) return;
  Lock lock;
  const U32 count = std::min<U32>(pList->u8NumberOfTargets, FISH_MAX_TARGETS);
  for (U32 k = 0; k < count; ++k) pList->target[k].pPreviousInstance = nullptr;
}

// ------------------------------------------------------------ history
void S_FISHID_vInitialiseHistory(FISH_TARGET_HISTORY* pHistory) {
  if (pHistory == nullptr) return;
  Lock lock;
  pHistory->u16IndexToMostRecentTargets = 0;
  for (FISH_TARGET_LIST& list : pHistory->Items) {
    list.u8NumberOfTargets = 0;
    list.bSimulatedFishList = FALSE;
  }
}

void S_FISHID_vAddFishTargetListToHistory(FISH_TARGET_HISTORY* pHistory, FISH_TARGET_LIST* pList) {
  if (pHistory == nullptr || pList == nullptr) return;
  const U32 c = u32SpeedOfSound();
  Lock lock;
  const BOOLEAN reverse = s_bReverseScroll.load();
  const U16 recent = pHistory->u16IndexToMostRecentTargets % FISH_HISTORY_COLUMNS;
  const U16 next = u16Step(recent, reverse);
  if (pList->u8NumberOfTargets > FISH_MAX_TARGETS) pList->u8NumberOfTargets = FISH_MAX_TARGETS;
  FISH_TARGET_LIST* slot = &pHistory->Items[next];
  if (!pList->bSimulatedFishList) {
    for (U32 k = 0; k < pList->u8NumberOfTargets; ++k) {
      FISH_TARGET* t = &pList->target[k];
      U16 column = recent;
      for (U32 back = 1; back <= FISH_LINK_COLUMNS; ++back) {
        if (t->pPreviousInstance == nullptr && !t->bIgnoreThisFish)
          vLinkToColumn(t, &pHistory->Items[column], S_FISHID_u32LinkTolerance(back, c));
        column = u16Step(column, !reverse);  // one column older
      }
      // A lone echo must meet the table's own thresholds; one that
      // continues an arch needed only the scan's wider limits.
      if (t->pPreviousInstance == nullptr && !t->bIgnoreThisFish) {
        const FISH_CRITERIA& limits = t->criteria;
        const bool ok = t->u8Peak > limits.u8MinPeakAmplitude && t->u8Peak < limits.u8MaxPeakAmplitude &&
                        limits.u32ElongationUs >= limits.u32MinElongationUs && limits.u32ElongationUs <= limits.u32MaxElongationUs;
        if (!ok) {
          t->bIgnoreThisFish = TRUE;
          t->criteria.bRemovedFish = TRUE;
          t->pPreviousInstance = t;
        }
      }
    }
  }
  vCopy(slot, pList);
  // A removed target points at itself: in the ring, at its stored copy.
  for (U32 k = 0; k < slot->u8NumberOfTargets; ++k) {
    if (slot->target[k].pPreviousInstance == &pList->target[k]) slot->target[k].pPreviousInstance = &slot->target[k];
  }
  pHistory->u16IndexToMostRecentTargets = next;
}

void S_FISHID_vAddEmptyFishTargetListToHistory(FISH_TARGET_HISTORY* pHistory) {
  if (pHistory == nullptr) return;
  Lock lock;
  const U16 next = u16Next(pHistory);
  pHistory->Items[next].u8NumberOfTargets = 0;
  pHistory->Items[next].bSimulatedFishList = FALSE;
  pHistory->u16IndexToMostRecentTargets = next;
}

void S_FISHID_vDuplicateFishTargetListInHistory(FISH_TARGET_HISTORY* pHistory) {
  if (pHistory == nullptr) return;
  Lock lock;
  const U16 recent = pHistory->u16IndexToMostRecentTargets % FISH_HISTORY_COLUMNS;
  const U16 next = u16Next(pHistory);
  FISH_TARGET_LIST* older = &pHistory->Items[recent];
  FISH_TARGET_LIST* copy = &pHistory->Items[next];
  vCopy(copy, older);
  for (U32 k = 0; k < copy->u8NumberOfTargets; ++k) {
    older->target[k].bIgnoreThisFish = TRUE;
    copy->target[k].pPreviousInstance = &older->target[k];
  }
  pHistory->u16IndexToMostRecentTargets = next;
}

void S_FISHID_vSetReverseScroll(BOOLEAN bReverseScroll) {
  Lock lock;
  s_bReverseScroll.store(bReverseScroll ? TRUE : FALSE);
}

void S_FISHID_vCheckAlarm(const FISH_TARGET_HISTORY* pHistory, FISH_SIZE_ALARM eAlarmSize) {
  if (pHistory == nullptr || eAlarmSize == FISH_SIZE_ALARM_OFF) return;
  bool small = false, medium = false, large = false;
  {
    Lock lock;
    const FISH_TARGET_LIST& list = pHistory->Items[pHistory->u16IndexToMostRecentTargets % FISH_HISTORY_COLUMNS];
    const U32 count = std::min<U32>(list.u8NumberOfTargets, FISH_MAX_TARGETS);
    for (U32 k = 0; k < count; ++k) {
      const FISH_TARGET& t = list.target[k];
      if (t.bIgnoreThisFish || t.pPreviousInstance != nullptr) continue;
      large = large || t.u8Size >= 2;
      medium = medium || t.u8Size == 1;
      small = small || t.u8Size == 0;
    }
  }
  if (large) {
    log_me("fish alarm: large");
    L_SEMA_Signal(SEMA_FISH_ALARM_LARGE);
  } else if (medium && eAlarmSize != FISH_SIZE_ALARM_L) {
    log_me("fish alarm: medium");
    L_SEMA_Signal(SEMA_FISH_ALARM_MEDIUM);
  } else if (small && eAlarmSize == FISH_SIZE_ALARM_SML) {
    log_me("fish alarm: small");
    L_SEMA_Signal(SEMA_FISH_ALARM_SMALL);
  }
}

// ------------------------------------------------------------ drawing
void S_FISHID_vFormatDepth(char* pText, U32 u32Size, F64 dDepth) {
  if (pText == nullptr || u32Size == 0) return;
  snprintf(pText, u32Size, dDepth < 9.95 ? "%.1f" : "%.0f", dDepth);
}

void S_FISHID_vDrawStandardFishHistory(BITMAP* pBitmap, const FISH_TARGET_HISTORY* pHistory, S32 s32OldestX,
                                       S32 s32NewestX, S32 s32BottomPixel, S32 s32TopPixel, U32 u32UpperSamples,
                                       U32 u32LowerSamples, UNIT_TYPE eDepthUnits, COLOR numberColour,
                                       BOOLEAN bSlanted) {
  if (pBitmap == nullptr || pHistory == nullptr || u32LowerSamples <= u32UpperSamples) return;
  const U32 columns = (U32)std::abs(s32OldestX - s32NewestX) + 1;
  const S32 step = s32OldestX >= s32NewestX ? 1 : -1;
  const S32 drop = bSlanted ? (S32)columns - 1 : 0;
  BITMAP b = Clipped(pBitmap, s32OldestX, s32BottomPixel - drop, s32NewestX, s32TopPixel);
  const U32 c = u32SpeedOfSound();
  const S64 span = (S64)u32LowerSamples - u32UpperSamples;
  const S64 height = (S64)s32TopPixel - s32BottomPixel + 1;
  Lock lock;
  for (U32 k = 0; k < std::min(columns, FISH_HISTORY_COLUMNS); ++k) {
    const S32 x = s32NewestX + step * (S32)k;
    const S32 top = s32TopPixel - (bSlanted ? (S32)k : 0);
    const FISH_TARGET_LIST& list = pHistory->Items[u16SlotBack(pHistory, k, s_bReverseScroll.load() != FALSE)];
    const U32 count = std::min<U32>(list.u8NumberOfTargets, FISH_MAX_TARGETS);
    for (U32 i = 0; i < count; ++i) {
      const FISH_TARGET& t = list.target[i];
      if (t.bIgnoreThisFish) continue;
      if (t.u32DepthInSamples <= u32UpperSamples || t.u32DepthInSamples >= u32LowerSamples) continue;
      const ICON* icon = pIcon(FishIconsHorizontal, t);
      if (icon == nullptr) continue;
      const S32 y = (S32)((S64)top + 1 - ((S64)t.u32DepthInSamples - u32UpperSamples) * height / span);
      G_ICON_vPut(&b, icon, POINT{x - icon->nWidth / 2, y + 1});
      if (t.bIdPlusThisFish) vDrawLabel(&b, t.u32DepthInSamples, x, y + icon->nHeight + 1, eDepthUnits, numberColour, c);
    }
  }
}

void S_FISHID_vDrawBottomLockFishHistory(BITMAP* pBitmap, const FISH_TARGET_HISTORY* pHistory,
                                         const TSU_STORE_COLUMN* pStore, U32 u32StoreSlots, U32 u32NewestSlot,
                                         S32 s32LeftX, S32 s32RightX, U32 u32Height, U32 u32SamplesAbove,
                                         U32 u32SamplesBelow, UNIT_TYPE eDepthUnits, COLOR numberColour) {
  if (pBitmap == nullptr || pHistory == nullptr || pStore == nullptr || u32StoreSlots == 0 || u32Height == 0 ||
      u32SamplesAbove + (U64)u32SamplesBelow == 0)
    return;
  const S32 left = std::min(s32LeftX, s32RightX), right = std::max(s32LeftX, s32RightX);
  BITMAP b = Clipped(pBitmap, left, 600 - (S32)std::min<U32>(u32Height, 600), right, 599);
  const U32 c = u32SpeedOfSound();
  const S64 span = (S64)u32SamplesAbove + u32SamplesBelow;
  const bool reverse = s_bReverseScroll.load() != FALSE;
  const U32 columns = std::min<U32>((U32)(right - left) + 1, std::min(FISH_HISTORY_COLUMNS, u32StoreSlots));
  U32 slot = u32NewestSlot % u32StoreSlots;
  Lock lock;
  for (U32 k = 0; k < columns; ++k) {
    const S32 x = right - (S32)k;
    const S64 bottom = pStore[slot].u32SmoothedDepthInSamples;
    slot = reverse ? (slot + 1) % u32StoreSlots : (slot + u32StoreSlots - 1) % u32StoreSlots;
    const FISH_TARGET_LIST& list = pHistory->Items[u16SlotBack(pHistory, k, false)];
    const U32 count = std::min<U32>(list.u8NumberOfTargets, FISH_MAX_TARGETS);
    for (U32 i = 0; i < count; ++i) {
      const FISH_TARGET& t = list.target[i];
      if (t.bIgnoreThisFish) continue;
      const S64 depth = t.u32DepthInSamples;
      if (depth <= bottom - (S64)u32SamplesAbove || depth >= bottom + (S64)u32SamplesBelow) continue;
      const ICON* icon = pIcon(FishIconsHorizontal, t);
      if (icon == nullptr) continue;
      const S32 y = (S32)(600 - (S64)u32Height * (depth + u32SamplesAbove - bottom) / span);
      G_ICON_vPut(&b, icon, POINT{x - icon->nWidth / 2, y});
      // The label: the height above the bottom, below the symbol.
      if (t.bIdPlusThisFish) vDrawLabel(&b, bottom - depth, x, y - 15, eDepthUnits, numberColour, c);
    }
  }
}

void S_FISHID_vDrawVerticalFishHistory(const FISH_TARGET_HISTORY* pHistory, BITMAP* pBitmap, POINT deepestOldest,
                                       POINT shallowestYoungest, U32 u32LowerSamples, UNIT_TYPE eDepthUnits,
                                       BOOLEAN bBroadvane) {
  (void)eDepthUnits;  // no labels in the vertical views
  if (pBitmap == nullptr || pHistory == nullptr || u32LowerSamples == 0) return;
  BITMAP b = Clipped(pBitmap, shallowestYoungest.x, deepestOldest.y, deepestOldest.x, shallowestYoungest.y);
  const S64 width = (S64)std::abs(deepestOldest.x - shallowestYoungest.x) + 1;
  const bool rightward = deepestOldest.x > shallowestYoungest.x;
  const U32 rows = (U32)std::abs(shallowestYoungest.y - deepestOldest.y) + 1;
  Lock lock;
  for (U32 k = 0; k < std::min(rows, FISH_HISTORY_COLUMNS); ++k) {
    const S32 y = shallowestYoungest.y - (S32)k;
    if (y < 0) break;
    const FISH_TARGET_LIST& list = pHistory->Items[u16SlotBack(pHistory, k, false)];
    const U32 count = bBroadvane ? std::min<U32>(list.u8NumberOfTargets, 1)
                                 : std::min<U32>(list.u8NumberOfTargets, FISH_MAX_TARGETS);
    for (U32 i = 0; i < count; ++i) {
      FISH_TARGET t = list.target[i];
      if (t.bIgnoreThisFish || t.u32DepthInSamples >= u32LowerSamples) continue;
      if (bBroadvane) t.u8Size = 1;
      const ICON* icon = pIcon(FishIconsVertical, t);
      if (icon == nullptr) continue;
      const S64 across = (S64)t.u32DepthInSamples * width / u32LowerSamples;
      const S32 x = rightward ? (S32)(shallowestYoungest.x + across - icon->nWidth)
                              : (S32)(shallowestYoungest.x - across + 1);
      G_ICON_vPut(&b, icon, POINT{x, y - icon->nHeight / 2});
    }
  }
}
