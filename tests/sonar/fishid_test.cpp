// Fish identification: the scan of gained pings (echo shape, sizes, limits,
// the stop index against the ping's samples), merging and copying lists,
// linking across history columns, duplicating columns, the fish alarm and
// where the fish symbols and their depths are drawn.
#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <vector>

#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/sonar/s_fishid.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/s_tvgcurve.h"
#include "tools/sonarstandin/sonar_synth.h"

namespace {

constexpr U32 T = 26;

// A 200 kHz ping of n gained samples, all 0 up to a bottom echo in its last
// 40 samples; the buffer is exactly n bytes so a read past it is caught
// under ASan.
struct Ping {
  std::vector<U8> g;
  PING_DESCRIPTOR d{};
  explicit Ping(U32 n = 1000, BEAM beam = 1) : g(n, 0) {
    for (U32 i = n - 40; i < n; ++i) g[i] = 200;
    d.Beam = beam;
    d.u8TransmitCycles = 16;  // 80 µs at 200 kHz
    d.u32NumberOfSamples = n;
    d.pu8TvgdData = g.data();
    d.u32SamplePeriodMicroSeconds = T;
    d.u32TransmitFrequencyHertz = beam == 1 ? 200000 : 83000;
    d.fDepthMetres = DepthOfSample(n - 20);
  }
  static F32 DepthOfSample(U32 s) { return (F32)(s * (double)T * g_u32SpeedOfSoundInWater.load() / 2e6); }
  // An echo of len samples rising from 10 to peak at index top and back.
  void Echo(U32 at, U32 len, U32 top, U8 peak) {
    for (U32 k = 0; k < len; ++k) {
      const double f = k <= top ? (double)k / top : (double)(len - 1 - k) / (len - 1 - top);
      g[at + k] = (U8)(10 + f * (peak - 10) + 0.5);
    }
  }
  FISH_TARGET_LIST Scan(WATER_TYPE water = WATER_FRESH, U32 sensitivity = 5) const {
    FISH_TARGET_LIST out;
    memset(&out, 0xA5, sizeof out);
    S_FISHID_vScanForFish(&out, &d, water, sensitivity);
    return out;
  }
};

class FishId : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_u32SpeedOfSoundInWater.load();
    g_u32SpeedOfSoundInWater = 1500;
    S_FISHID_vSetReverseScroll(FALSE);
    S_TRANSDUCER_vSetCurrentTransducer(0, 15);
    S_TRANSDUCER_vSetCurrentTransducer(1, 15);
  }
  void TearDown() override {
    g_u32SpeedOfSoundInWater = saved_;
    S_FISHID_vSetReverseScroll(FALSE);
  }
  U32 saved_ = 0;
};

// ------------------------------------------------------------ scan
TEST_F(FishId, PulseLimitsOfTheReferenceEcho) {
  // 200 kHz, 16 cycles: P = 80 µs; the longest echo 31 sample periods, the
  // shortest 1.5 P rounded up to 5 sample periods.
  EXPECT_EQ(S_FISHID_u32MaxElongationUs(80, T), 806u);
  EXPECT_EQ(S_FISHID_u32MinElongationUs(80, T), 130u);
  EXPECT_EQ(S_FISHID_u32MinElongationUs(78, T), 130u);  // 117 µs: still 5 periods
  EXPECT_EQ(S_FISHID_u32MinElongationUs(0, 0), 0u);
}

struct ScanCase {
  const char* name;
  U32 len, top;
  U8 peak;
  WATER_TYPE water;
  U32 sensitivity;
  int size;  // -1: rejected
};

TEST_F(FishId, ScanAcceptsAndSizesOneEcho) {
  // 200 kHz fresh at sensitivity 5: 90/106/122, saturation 218; the peak
  // must exceed 67 and the echo last at least 97 µs.
  const ScanCase cases[] = {
      {"centred 12-sample echo is medium", 12, 6, 120, WATER_FRESH, 5, 1},
      {"peak in the last quarter", 12, 10, 120, WATER_FRESH, 5, -1},
      {"peak in the first quarter", 12, 1, 120, WATER_FRESH, 5, -1},
      {"peak position 3 of 10", 12, 4, 120, WATER_FRESH, 5, -1},
      {"peak position 4 of 10", 12, 5, 120, WATER_FRESH, 5, 1},
      {"peak position 6 of 10", 12, 7, 120, WATER_FRESH, 5, 1},
      {"peak position 7 of 10", 12, 8, 120, WATER_FRESH, 5, -1},
      {"just above the acceptance peak is small", 12, 6, 68, WATER_FRESH, 5, 0},
      {"at the acceptance peak", 12, 6, 67, WATER_FRESH, 5, -1},
      {"above the large threshold", 12, 6, 123, WATER_FRESH, 5, 2},
      {"at the large threshold is medium", 12, 6, 122, WATER_FRESH, 5, 1},
      {"just below saturation", 12, 6, 217, WATER_FRESH, 5, 2},
      {"saturated", 12, 6, 218, WATER_FRESH, 5, -1},
      {"3 samples are too short", 3, 1, 120, WATER_FRESH, 5, -1},
      {"4 samples are long enough", 4, 2, 120, WATER_FRESH, 5, 1},
      {"38 samples are at the longest", 38, 19, 120, WATER_FRESH, 5, 1},
      {"39 samples are too long", 39, 19, 120, WATER_FRESH, 5, -1},
      {"salt water thresholds", 12, 6, 120, WATER_SALT_DEEP, 5, 0},
      {"shallow salt is salt", 12, 6, 120, WATER_SALT_SHALLOW, 5, 0},
      {"sensitivity 10", 12, 6, 80, WATER_FRESH, 10, 1},
      {"sensitivity above 10 counts as 10", 12, 6, 80, WATER_FRESH, 200, 1},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    Ping p;
    p.Echo(300, c.len, c.top, c.peak);
    const FISH_TARGET_LIST l = p.Scan(c.water, c.sensitivity);
    EXPECT_FALSE(l.bSimulatedFishList);
    if (c.size < 0) {
      EXPECT_EQ(l.u8NumberOfTargets, 0);
      continue;
    }
    ASSERT_EQ(l.u8NumberOfTargets, 1);
    const FISH_TARGET& f = l.target[0];
    EXPECT_EQ(f.u8Size, c.size);
    EXPECT_EQ(f.u8Peak, c.peak);
    EXPECT_EQ(f.beam, 1);
    EXPECT_TRUE(f.bIdPlusThisFish);
    EXPECT_FALSE(f.bIgnoreThisFish);
    EXPECT_EQ(f.pPreviousInstance, nullptr);
    EXPECT_EQ(f.criteria.u32ElongationUs, c.len * T);
    EXPECT_EQ(f.criteria.u32MinElongationUs, 130u);
    EXPECT_EQ(f.criteria.u32MaxElongationUs, 806u);
    EXPECT_FALSE(f.criteria.bRemovedFish);
    // The peak's index: the first of the largest samples.
    U32 top = 300;
    for (U32 i = 300; i < 300 + c.len; ++i)
      if (p.g[i] > p.g[top]) top = i;
    EXPECT_EQ(f.u32DepthInSamples, top);
  }
}

TEST_F(FishId, ThirteenEchoesKeepTheTwelveDeepestAndTheSixStrongest) {
  Ping p(2000);
  // The shallowest echo is the strongest: it falls off the candidate list.
  const U8 peaks[13] = {210, 100, 150, 120, 180, 90, 170, 110, 200, 130, 160, 140, 190};
  for (U32 k = 0; k < 13; ++k) p.Echo(100 + 30 * k, 12, 6, peaks[k]);
  const FISH_TARGET_LIST l = p.Scan();
  ASSERT_EQ(l.u8NumberOfTargets, 6);
  const U8 expected[6] = {200, 190, 180, 170, 160, 150};
  for (U32 k = 0; k < 6; ++k) EXPECT_EQ(l.target[k].u8Peak, expected[k]) << k;
}

TEST_F(FishId, ScanRange) {
  struct Case {
    const char* name;
    U32 n;
    F32 depth;    // metres; < 0: just above the echo
    U32 echoAt;
    bool ringDown;  // an echo-like transmit ring-down from sample 2
    bool bottom;  // the ping ends in a bottom echo
    U32 found;
  } cases[] = {
      {"bottom below the echo", 1000, -1, 300, false, true, 1},
      {"bottom above the echo", 1000, Ping::DepthOfSample(250), 300, false, true, 0},
      // The stop index lies far beyond the ping's samples, beyond 55,000 too.
      {"bottom beyond the samples", 1000, 500.0f, 300, false, true, 1},
      {"bottom beyond any ping", 1000, 1e9f, 300, false, true, 1},
      {"depth 0 searches sample 0 only", 1000, 0.0f, 300, false, true, 0},
      {"depth not a number", 1000, __builtin_nanf(""), 300, false, true, 0},
      {"ring-down is skipped", 1000, -1, 300, true, true, 1},
      // Without a bottom echo the quiet water reaches the last sample.
      {"no bottom echo", 1000, 500.0f, 300, false, false, 1},
      {"echo in the last samples is left out", 330, 500.0f, 318, false, false, 0},
      {"too few samples", 1, 500.0f, 0, false, false, 0},
      {"no samples", 0, 500.0f, 0, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ping p(c.n);
    if (!c.bottom)
      for (U32 i = 0; i < std::min<U32>(40, c.n); ++i) p.g[c.n - 1 - i] = 0;
    if (c.ringDown) p.Echo(2, 12, 6, 120);
    if (c.n >= c.echoAt + 12) p.Echo(c.echoAt, 12, 6, 120);
    p.d.fDepthMetres = c.depth < 0 ? Ping::DepthOfSample(c.echoAt + 30) : c.depth;
    EXPECT_EQ(p.Scan().u8NumberOfTargets, c.found);
  }
}

TEST_F(FishId, ScanTablesByBeamAndTransducer) {
  struct Case {
    BEAM beam;
    U32 hz;
    U8 transducer;
    WATER_TYPE water;
    U8 max, smallAt5;
  } cases[] = {
      {0, 50000, 15, WATER_FRESH, 175, 45},  {0, 50000, 15, WATER_SALT_DEEP, 208, 69},
      {0, 83000, 15, WATER_FRESH, 175, 55},  {0, 83000, 11, WATER_FRESH, 157, 45},
      {0, 83000, 11, WATER_SALT_DEEP, 178, 58}, {1, 200000, 11, WATER_FRESH, 166, 74},
      {1, 200000, 15, WATER_SALT_DEEP, 208, 124}, {2, 455000, 3, WATER_FRESH, 175, 74},
      {3, 455000, 15, WATER_SALT_SHALLOW, 208, 108},
  };
  for (const Case& c : cases) {
    const FISH_SIZING_TABLE* t = S_FISHID_psSizingTable(c.beam, c.hz, c.transducer, c.water);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->u8MaxPeak, c.max) << (int)c.beam << " " << c.hz;
    EXPECT_EQ(t->Table[5].u8Small, c.smallAt5) << (int)c.beam << " " << c.hz;
  }
  EXPECT_EQ(S_FISHID_psSizingTable(4, 0, 15, WATER_FRESH), nullptr);
}

TEST_F(FishId, LowFrequencyBeamPulseFromTheBeamFrequency) {
  // 83 kHz fresh at sensitivity 5: 55/63/71; 8 cycles give P = 96 µs and a
  // shortest echo of 6 sample periods (156 µs; accepted from 117 µs).
  Ping p(1000, 0);
  p.d.u8TransmitCycles = 8;
  p.Echo(300, 5, 2, 100);
  EXPECT_EQ(p.Scan().u8NumberOfTargets, 1u);
  const FISH_TARGET_LIST l = p.Scan();
  EXPECT_EQ(l.target[0].criteria.u32MinElongationUs, 156u);
  EXPECT_EQ(l.target[0].u8Size, 2);
  EXPECT_EQ(l.target[0].beam, 0);
  p.g.assign(1000, 0);
  p.Echo(300, 4, 2, 100);  // 104 µs: too short
  EXPECT_EQ(p.Scan().u8NumberOfTargets, 0u);
}

TEST_F(FishId, StandinFishAreFoundAtTheirDepths) {
  // The stand-in's three fish (echo strengths 1 to 3) at 5, 8 and 10 m over
  // a 15 m bottom, in the 200 kHz channel of the ping at the middle of
  // their crossing (channel 0 of a single 200 kHz sequence); its noise floor
  // and its gain curve taken off as the unit's gain would.
  g_u32SpeedOfSoundInWater = 1463;
  SYNTH_SCENARIO s;
  s.profile = {15.0};
  s.fish = {{5.0, 2.0, 1}, {8.0, 2.0, 2}, {10.0, 2.0, 3}};
  s.seed = 3;
  SYNTH_STATE state(s.seed);
  state.pings = 50;  // one second into the crossing: nearest
  std::vector<U8> block(MULTI_TX_BYTES, 0);
  S_COPROC_vBuildTxSequence200kHz(block.data(), 16, TXPOWER_HI, 0, 1000, 200, FALSE);
  constexpr U32 NOISE = 50, N = 1000;
  std::vector<U8> received(3 * (NOISE + N));
  SYNTH_vFillReceive(s, &state, block.data(), NOISE, N, received.data());
  Ping p(N);
  // The unit's gain takes the stand-in's attenuation curve back off.
  const RLE_TVG_DESCRIPTOR* curve = S_TVG_pCurveForFrequency(200000);
  for (U32 i = 0; i < N; ++i) {
    p.g[i] = (U8)std::max(0, received[3 * (NOISE + i)] - 14 - S_TVG_u8AttenuationAt(curve, i * 26));
  }
  p.d.fDepthMetres = 15.0f;
  const FISH_TARGET_LIST l = p.Scan(WATER_FRESH, 10);
  ASSERT_EQ(l.u8NumberOfTargets, 3);
  const double metresPerSample = 1463 * 13e-6;
  double depth[3];
  U8 size[3];
  for (U32 k = 0; k < 3; ++k) {
    const FISH_TARGET& f = l.target[k];
    const U32 at = f.u32DepthInSamples < 350 ? 0 : f.u32DepthInSamples < 480 ? 1 : 2;
    depth[at] = f.u32DepthInSamples * metresPerSample;
    size[at] = f.u8Size;
  }
  EXPECT_NEAR(depth[0], 5.0, 0.2);
  EXPECT_NEAR(depth[1], 8.0, 0.2);
  EXPECT_NEAR(depth[2], 10.0, 0.2);
  EXPECT_LT(size[0], size[1]);
  EXPECT_LE(size[1], size[2]);
}

// ------------------------------------------------------------ lists
FISH_TARGET Fish(U32 depth, U8 size = 1, BEAM beam = 0, BOOLEAN ignored = FALSE) {
  FISH_TARGET f{};
  f.u32DepthInSamples = depth;
  f.u8Size = size;
  f.u8Peak = 100;
  f.beam = beam;
  f.bIgnoreThisFish = ignored;
  f.bIdPlusThisFish = TRUE;
  f.criteria = {90, 175, FALSE, 130, 806, 312};
  return f;
}

FISH_TARGET_LIST List(std::initializer_list<FISH_TARGET> fish, BOOLEAN simulated = FALSE) {
  FISH_TARGET_LIST l{};
  for (const FISH_TARGET& f : fish) l.target[l.u8NumberOfTargets++] = f;
  l.bSimulatedFishList = simulated;
  return l;
}

TEST_F(FishId, Merge) {
  // At 1500 m/s a ping's fish is one already held within 8 samples (less).
  struct Case {
    const char* name;
    FISH_TARGET_LIST existing, incoming;
    U32 count;
    U8 size0;
    BEAM beam0;
    BOOLEAN simulated;
  } cases[] = {
      {"near fish raises size and beam", List({Fish(100, 0, 0)}), List({Fish(107, 2, 1)}), 1, 2, 1, FALSE},
      {"near fish never lowers", List({Fish(100, 2, 1)}), List({Fish(95, 0, 0)}), 1, 2, 1, FALSE},
      {"8 samples apart is another fish", List({Fish(100)}), List({Fish(108)}), 2, 1, 0, FALSE},
      {"an ignored new fish is appended", List({Fish(100, 0)}), List({Fish(100, 2, 0, TRUE)}), 2, 0, 0, FALSE},
      {"an ignored held fish takes nothing", List({Fish(100, 0, 0, TRUE)}), List({Fish(101, 2)}), 2, 0, 0, FALSE},
      {"a full list drops a new fish", List({Fish(10), Fish(30), Fish(50), Fish(70), Fish(90), Fish(110)}),
       List({Fish(200)}), 6, 1, 0, FALSE},
      {"a full list still merges a near one",
       List({Fish(10, 0), Fish(30), Fish(50), Fish(70), Fish(90), Fish(110)}), List({Fish(12, 2)}), 6, 2, 0,
       FALSE},
      {"a simulated list marks the result", List({}), List({Fish(50)}, TRUE), 1, 1, 0, TRUE},
      {"an empty simulated list too", List({Fish(50)}), List({}, TRUE), 1, 1, 0, TRUE},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    S_FISHID_vMergeFishTargetLists(&c.existing, &c.incoming);
    EXPECT_EQ(c.existing.u8NumberOfTargets, c.count);
    EXPECT_EQ(c.existing.target[0].u8Size, c.size0);
    EXPECT_EQ(c.existing.target[0].beam, c.beam0);
    EXPECT_EQ(c.existing.bSimulatedFishList, c.simulated);
  }
}

TEST_F(FishId, CopyTakesTheTargetsInUseAndTheirLinks) {
  FISH_TARGET_LIST src = List({Fish(10, 2), Fish(20)}, TRUE);
  src.target[1].pPreviousInstance = &src.target[0];
  FISH_TARGET_LIST dst;
  memset(&dst, 0x5A, sizeof dst);
  S_FISHID_vCopyFishTargetList(&dst, &src);
  EXPECT_EQ(dst.u8NumberOfTargets, 2);
  EXPECT_TRUE(dst.bSimulatedFishList);
  EXPECT_EQ(memcmp(dst.target, src.target, 2 * sizeof(FISH_TARGET)), 0);
  FISH_TARGET untouched;
  memset(&untouched, 0x5A, sizeof untouched);
  EXPECT_EQ(memcmp(&dst.target[2], &untouched, sizeof untouched), 0);
  // Clearing the links clears the whole pointer, upper half included.
  dst.target[0].pPreviousInstance = (FISH_TARGET*)(~(uintptr_t)0 - 7);
  S_FISHID_vClearPreviousInstances(&dst);
  EXPECT_EQ(dst.target[0].pPreviousInstance, nullptr);
  EXPECT_EQ(dst.target[1].pPreviousInstance, nullptr);
}

// ------------------------------------------------------------ history
std::unique_ptr<FISH_TARGET_HISTORY> History() {
  auto h = std::make_unique<FISH_TARGET_HISTORY>();
  memset(h.get(), 0xCC, sizeof *h);
  S_FISHID_vInitialiseHistory(h.get());
  return h;
}

FISH_TARGET_LIST& Recent(FISH_TARGET_HISTORY* h) { return h->Items[h->u16IndexToMostRecentTargets]; }

// Stores columns (oldest first), then the new list; returns the stored list.
struct Linked {
  std::unique_ptr<FISH_TARGET_HISTORY> h = History();
  std::vector<U16> slots;
  FISH_TARGET_LIST& Add(FISH_TARGET_LIST l) {
    S_FISHID_vAddFishTargetListToHistory(h.get(), &l);
    slots.push_back(h->u16IndexToMostRecentTargets);
    return Recent(h.get());
  }
  FISH_TARGET& Column(size_t k) { return h->Items[slots[k]].target[0]; }
};

TEST_F(FishId, LinkToleranceAt1500) {
  EXPECT_EQ(S_FISHID_u32LinkTolerance(1, 1500), 8u);
  EXPECT_EQ(S_FISHID_u32LinkTolerance(2, 1500), 16u);
  EXPECT_EQ(S_FISHID_u32LinkTolerance(3, 1500), 23u);
  EXPECT_EQ(S_FISHID_u32LinkTolerance(12, 1500), 23u);
}

TEST_F(FishId, Linking) {
  // Columns before the new one: each a list (or empty); the first target of
  // column `to` is the expected link (-1: none).
  struct Case {
    const char* name;
    std::vector<FISH_TARGET_LIST> before;
    FISH_TARGET next;
    int to;
    bool newIgnored, oldIgnored, removed;
    U8 newSize, oldSize;
    BEAM newBeam;
  } cases[] = {
      {"2 deeper links and takes over", {List({Fish(100, 2)})}, Fish(102, 0), 0, false, true, false, 2, 2, 0},
      {"shallower links and takes over", {List({Fish(100, 0)})}, Fish(93, 1), 0, false, true, false, 1, 0, 0},
      {"16 deeper still takes over", {List({Fish(100)}), List({})}, Fish(116), 0, false, true, false, 1, 1, 0},
      {"20 deeper three back links, is ignored",
       {List({Fish(100, 2)}), List({}), List({})}, Fish(120, 0), 0, true, false, false, 0, 2, 0},
      {"20 deeper one back stays alone", {List({Fish(100)})}, Fish(120), -1, false, false, false, 1, 1, 0},
      {"a 200 kHz link marks the beam", {List({Fish(100, 1, 1)})}, Fish(101, 1, 0), 0, false, true, false, 1, 1, 1},
      {"an ignored one deeper is no link", {List({Fish(104, 1, 0, TRUE)})}, Fish(100), -1, false, true, false, 1, 1,
       0},
      {"an ignored one shallower passes it on", {List({Fish(98, 1, 0, TRUE)})}, Fish(100), 0, true, true, false, 1,
       1, 0},
      {"twelve columns back links", {List({Fish(100)}), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}, Fish(101), 0,
       false, true, false, 1, 1, 0},
      {"thirteen columns back is too old", {List({Fish(100)}), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}},
       Fish(101), -1, false, false, false, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Linked k;
    for (const FISH_TARGET_LIST& l : c.before) k.Add(l);
    FISH_TARGET_LIST& stored = k.Add(List({c.next}));
    const FISH_TARGET& t = stored.target[0];
    FISH_TARGET& old = k.Column(0);
    EXPECT_EQ(t.pPreviousInstance, c.to < 0 ? nullptr : &k.Column(c.to));
    EXPECT_EQ((bool)t.bIgnoreThisFish, c.newIgnored);
    EXPECT_EQ((bool)old.bIgnoreThisFish, c.oldIgnored);
    EXPECT_EQ((bool)t.criteria.bRemovedFish, c.removed);
    EXPECT_EQ(t.u8Size, c.newSize);
    EXPECT_EQ(old.u8Size, c.oldSize);
    EXPECT_EQ(t.beam, c.newBeam);
  }
}

TEST_F(FishId, LoneEchoMeetsTheTableOrIsRemoved) {
  struct Case {
    const char* name;
    U8 peak;
    U32 elongation;
    bool removed;
  } cases[] = {
      {"within the limits", 100, 312, false}, {"at the small threshold", 90, 312, true},
      {"at saturation", 175, 312, true},      {"shortest", 100, 130, false},
      {"too short", 100, 129, true},          {"longest", 100, 806, false},
      {"too long", 100, 807, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Linked k;
    FISH_TARGET f = Fish(200);
    f.u8Peak = c.peak;
    f.criteria.u32ElongationUs = c.elongation;
    FISH_TARGET_LIST& stored = k.Add(List({f}));
    EXPECT_EQ((bool)stored.target[0].criteria.bRemovedFish, c.removed);
    EXPECT_EQ((bool)stored.target[0].bIgnoreThisFish, c.removed);
    EXPECT_EQ(stored.target[0].pPreviousInstance, c.removed ? &stored.target[0] : nullptr);
  }
}

TEST_F(FishId, RemovedAndSimulatedTargetsAreNotLinked) {
  Linked k;
  FISH_TARGET bad = Fish(100);
  bad.criteria.u32ElongationUs = 5000;
  k.Add(List({bad}));  // removed
  FISH_TARGET_LIST& a = k.Add(List({Fish(101)}));
  EXPECT_EQ(a.target[0].pPreviousInstance, nullptr);
  // A simulated list is stored as it is.
  FISH_TARGET_LIST& sim = k.Add(List({Fish(102), bad}, TRUE));
  EXPECT_EQ(sim.target[0].pPreviousInstance, nullptr);
  EXPECT_FALSE(sim.target[1].bIgnoreThisFish);
  EXPECT_FALSE(k.Column(1).bIgnoreThisFish);
}

TEST_F(FishId, OneLinkPerTargetSeveralPerColumn) {
  // The new target links to every near target of the nearest column that
  // has one; the last stays its previous instance. Older columns are not
  // visited once it is linked.
  Linked k;
  k.Add(List({Fish(95)}));
  k.Add(List({Fish(99), Fish(104)}));
  FISH_TARGET_LIST& now = k.Add(List({Fish(101)}));
  FISH_TARGET_LIST& prev = k.h->Items[k.slots[1]];
  EXPECT_EQ(now.target[0].pPreviousInstance, &prev.target[1]);
  EXPECT_TRUE(prev.target[0].bIgnoreThisFish);
  EXPECT_TRUE(prev.target[1].bIgnoreThisFish);
  EXPECT_FALSE(now.target[0].bIgnoreThisFish);
}

TEST_F(FishId, ClearedCopyLinksInAnotherHistory) {
  // A beam's linked list copied for a blend beam: with its links cleared it
  // is linked in the blend beam's own history; with them kept it would be
  // skipped and point into the other beam's ring.
  Linked beam, blend;
  beam.Add(List({Fish(100)}));
  blend.Add(List({Fish(101)}));
  FISH_TARGET_LIST list = List({Fish(102)});
  S_FISHID_vAddFishTargetListToHistory(beam.h.get(), &list);
  ASSERT_EQ(list.target[0].pPreviousInstance, &beam.Column(0));
  FISH_TARGET_LIST copy;
  S_FISHID_vCopyFishTargetList(&copy, &list);
  S_FISHID_vClearPreviousInstances(&copy);
  FISH_TARGET_LIST& stored = blend.Add(copy);
  EXPECT_EQ(stored.target[0].pPreviousInstance, &blend.Column(0));
  EXPECT_TRUE(blend.Column(0).bIgnoreThisFish);
}

TEST_F(FishId, RingWrapsBothWays) {
  for (BOOLEAN reverse : {FALSE, TRUE}) {
    SCOPED_TRACE(reverse ? "reverse" : "forward");
    S_FISHID_vSetReverseScroll(reverse);
    Linked k;
    k.h->u16IndexToMostRecentTargets = reverse ? 1 : FISH_HISTORY_COLUMNS - 2;
    k.Add(List({Fish(100)}));
    k.Add(List({}));
    FISH_TARGET_LIST& now = k.Add(List({Fish(102)}));
    EXPECT_EQ(k.slots[0], reverse ? 0 : FISH_HISTORY_COLUMNS - 1);
    EXPECT_EQ(k.slots[1], reverse ? FISH_HISTORY_COLUMNS - 1 : 0);
    EXPECT_EQ(now.target[0].pPreviousInstance, &k.Column(0));
    S_FISHID_vAddEmptyFishTargetListToHistory(k.h.get());
    EXPECT_EQ(k.h->u16IndexToMostRecentTargets, reverse ? FISH_HISTORY_COLUMNS - 3 : 2);
    EXPECT_EQ(Recent(k.h.get()).u8NumberOfTargets, 0);
  }
}

TEST_F(FishId, DuplicateDrawsTheFishOnceInTheNewerCopy) {
  Linked k;
  k.Add(List({Fish(100), Fish(200, 2)}));
  FISH_TARGET_LIST& older = Recent(k.h.get());
  S_FISHID_vDuplicateFishTargetListInHistory(k.h.get());
  FISH_TARGET_LIST& newer = Recent(k.h.get());
  ASSERT_NE(&older, &newer);
  ASSERT_EQ(newer.u8NumberOfTargets, 2);
  for (U32 i = 0; i < 2; ++i) {
    EXPECT_TRUE(older.target[i].bIgnoreThisFish);
    EXPECT_FALSE(newer.target[i].bIgnoreThisFish);
    EXPECT_EQ(newer.target[i].pPreviousInstance, &older.target[i]);
  }
  EXPECT_EQ(newer.target[1].u8Size, 2);
}

// ------------------------------------------------------------ alarm
TEST_F(FishId, AlarmBySize) {
  const SEMA semas[3] = {SEMA_FISH_ALARM_SMALL, SEMA_FISH_ALARM_MEDIUM, SEMA_FISH_ALARM_LARGE};
  struct Case {
    const char* name;
    FISH_SIZE_ALARM size;
    std::vector<U8> fish;  // sizes of new fish
    int fires;             // index into semas, -1 none
  } cases[] = {
      {"off", FISH_SIZE_ALARM_OFF, {2}, -1},
      {"medium and large: small", FISH_SIZE_ALARM_ML, {0}, -1},
      {"medium and large: medium", FISH_SIZE_ALARM_ML, {1}, 1},
      {"medium and large: large", FISH_SIZE_ALARM_ML, {0, 2}, 2},
      {"large only: medium", FISH_SIZE_ALARM_L, {1, 0}, -1},
      {"large only: large", FISH_SIZE_ALARM_L, {1, 2}, 2},
      {"all: small", FISH_SIZE_ALARM_SML, {0}, 0},
      {"all: the largest wins", FISH_SIZE_ALARM_SML, {0, 1}, 1},
      {"no fish", FISH_SIZE_ALARM_SML, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (SEMA s : semas) (void)L_SEMA_WaitTicks(s, 0);
    Linked k;
    FISH_TARGET_LIST l{};
    for (U8 s : c.fish) {
      l.target[l.u8NumberOfTargets] = Fish(100 + 50 * l.u8NumberOfTargets, s);
      ++l.u8NumberOfTargets;
    }
    k.Add(l);
    S_FISHID_vCheckAlarm(k.h.get(), c.size);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(L_SEMA_WaitTicks(semas[i], 0) == lsSUCCESS, i == c.fires) << i;
  }
  // A fish seen before, or ignored, sounds nothing.
  for (SEMA s : semas) (void)L_SEMA_WaitTicks(s, 0);
  Linked k;
  k.Add(List({Fish(100, 2)}));
  k.Add(List({Fish(101, 2), Fish(300, 2, 0, TRUE)}));
  S_FISHID_vCheckAlarm(k.h.get(), FISH_SIZE_ALARM_SML);
  for (SEMA s : semas) EXPECT_NE(L_SEMA_WaitTicks(s, 0), lsSUCCESS);
}

// ------------------------------------------------------------ drawing
TEST_F(FishId, DepthLabels) {
  const struct {
    double depth;
    const char* text;
  } cases[] = {{9.94, "9.9"}, {9.96, "10"}, {0.0, "0.0"}, {9.949, "9.9"}, {123.4, "123"}};
  for (const auto& c : cases) {
    char text[16];
    S_FISHID_vFormatDepth(text, sizeof text, c.depth);
    EXPECT_STREQ(text, c.text) << c.depth;
  }
}

constexpr COLOR BACKGROUND = 0x1234;

// The rectangle of pixels the drawing changed (logical, y up); empty when
// none.
struct Box {
  S32 left = 1 << 20, bottom = 1 << 20, right = -1, top = -1;
  bool Empty() const { return right < 0; }
  bool operator==(const Box&) const = default;
};

Box Changed(const BITMAP* b) {
  Box box;
  const COLOR* px = G_BITMAP_pPixels(b);
  for (S32 y = 0; y < b->pixels_high; ++y)
    for (S32 x = 0; x < b->pixels_wide; ++x) {
      if (px[x + b->__u32PixelWidthOfBuffer * (b->pixels_high_full_screen - y - 1)] == BACKGROUND) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.bottom = std::min(box.bottom, y);
      box.top = std::max(box.top, y);
    }
  return box;
}

struct Canvas {
  BITMAP* b = G_BUFFERS_pCreateBitmap(200, 150, nullptr, nullptr);
  Canvas() { G_BOX_vDrawFilled(b, BACKGROUND, POINT{0, 0}, 200, 150); }
  ~Canvas() { G_BUFFERS_vFreeBitmap(b); }
};

TEST_F(FishId, StandardViewPlacesEachFishAtItsColumnAndDepth) {
  // Columns 150 (newest) back to 50, pixels 10 to 109 for samples 100 to
  // 200: a fish at sample s lies at y = 110 - (s - 100). Nothing is drawn
  // right of the newest column.
  struct Case {
    const char* name;
    U32 back;  // columns older than the newest
    FISH_TARGET fish;
    bool slanted;
    Box box;  // expected icon rectangle
  } cases[] = {
      {"medium 200 kHz fish", 0, Fish(150, 1, 1), false, {142, 61, 150, 69}},
      {"small low-frequency fish three columns back", 3, Fish(120, 0, 0), false, {141, 91, 150, 97}},
      {"large left-side fish", 0, Fish(160, 2, 2), false, {140, 51, 150, 61}},
      {"slanted: older columns lie lower", 3, Fish(120, 0, 0), true, {141, 88, 150, 94}},
      {"ignored fish", 0, Fish(150, 1, 1, TRUE), false, {}},
      {"at the upper edge", 0, Fish(100), false, {}},
      {"at the lower edge", 0, Fish(200), false, {}},
      {"beyond the oldest column", 101, Fish(150), false, {}},
      {"clipped at the top", 0, Fish(108, 1, 1), false, {142, 103, 150, 109}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    Linked k;
    k.Add(List({}));
    for (U32 i = 0; i < c.back + 1; ++i) S_FISHID_vAddEmptyFishTargetListToHistory(k.h.get());
    FISH_TARGET_LIST& slot = k.h->Items[(k.h->u16IndexToMostRecentTargets + FISH_HISTORY_COLUMNS - c.back) %
                                        FISH_HISTORY_COLUMNS];
    c.fish.bIdPlusThisFish = FALSE;
    slot = List({c.fish});
    Canvas canvas;
    S_FISHID_vDrawStandardFishHistory(canvas.b, k.h.get(), 50, 150, 10, 109, 100, 200, U_METRES, 0xFFFF,
                                      c.slanted);
    const Box got = Changed(canvas.b);
    EXPECT_EQ(got.Empty(), c.box.Empty());
    if (!c.box.Empty()) {
      EXPECT_EQ(got.left, c.box.left);
      EXPECT_EQ(got.bottom, c.box.bottom);
      EXPECT_EQ(got.right, c.box.right);
      EXPECT_EQ(got.top, c.box.top);
    }
  }
}

TEST_F(FishId, StandardViewLabelsTheDepthAboveTheIcon) {
  // 1500 m/s: sample 256 is 4.99 m; the box of 16 rows stands just above
  // the 9-row icon whose corner is at y = 110 - 156 * 100 / 300 + 1 = 59.
  auto h = History();
  FISH_TARGET f = Fish(256, 1, 1);
  h->Items[0] = List({f});
  Canvas canvas;
  S_FISHID_vDrawStandardFishHistory(canvas.b, h.get(), 50, 150, 10, 109, 100, 400, U_METRES, 0xFFFF, FALSE);
  const Box got = Changed(canvas.b);
  EXPECT_EQ(got.bottom, 59);
  EXPECT_EQ(got.top, 58 + 9 + 16);
  // The white text "5.0" lies in the box.
  const COLOR* px = G_BITMAP_pPixels(canvas.b);
  int white = 0;
  for (S32 y = 68; y < 84; ++y)
    for (S32 x = 130; x < 170; ++x)
      white += px[x + canvas.b->__u32PixelWidthOfBuffer * (canvas.b->pixels_high_full_screen - y - 1)] == 0xFFFF;
  EXPECT_GT(white, 5);
}

TEST_F(FishId, VerticalViewRowsAndDirections) {
  // Rows from y 140 down, one slot each; depth 0 to 400 samples across x
  // 20 to 119 (W = 100): sample 200 is 50 pixels across.
  struct Case {
    const char* name;
    POINT deep, shallow;
    U32 back;
    FISH_TARGET fish;
    BOOLEAN broadvane;
    Box box;
  } cases[] = {
      {"deep to the right", {119, 10}, {20, 140}, 0, Fish(200, 0, 2), FALSE, {63, 134, 69, 140}},
      {"deep to the left", {20, 10}, {119, 140}, 5, Fish(200, 0, 3), FALSE, {70, 129, 76, 140}},
      {"broadvane: medium icon", {119, 10}, {20, 140}, 0, Fish(200, 2, 2), TRUE, {61, 132, 69, 140}},
      {"beyond the lower samples", {119, 10}, {20, 140}, 0, Fish(400), FALSE, {}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = History();
    h->u16IndexToMostRecentTargets = (U16)c.back;
    h->Items[0] = List({c.fish});
    Canvas canvas;
    S_FISHID_vDrawVerticalFishHistory(h.get(), canvas.b, c.deep, c.shallow, 400, U_METRES, c.broadvane);
    const Box got = Changed(canvas.b);
    EXPECT_EQ(got.Empty(), c.box.Empty());
    if (!c.box.Empty()) {
      EXPECT_EQ(got.left, c.box.left);
      EXPECT_EQ(got.bottom, c.box.bottom);
      EXPECT_EQ(got.right, c.box.right);
      EXPECT_EQ(got.top, c.box.top);
    }
  }
}

}  // namespace
