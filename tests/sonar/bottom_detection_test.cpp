// Bottom detection by its cases: standard ranges, the candidate order, the
// keel-offset and elongation limits of the scan, the lock sequence and its
// loss, take-over, the second return, smoothing, and the faults of reading
// past the ping, wrapping indices and overflowing thresholds.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "source/sonar/s_depth.h"
#include "source/sonar/u_ping.h"

namespace {

constexpr U32 C = 1463, T = 26;

// A ping of n samples: 'floor' everywhere, boxes of 'value' at [at, at + len).
struct PING {
  std::vector<U8> gained = std::vector<U8>(PING_MAX_SAMPLES, 0), raw = std::vector<U8>(PING_MAX_SAMPLES, 0);
  PING_DESCRIPTOR d{};
  PING(U32 n, U32 hz, BEAM beam = 3, U8 floor = 0) {
    d.Beam = beam;
    d.u32NumberOfSamples = n;
    d.u32SamplePeriodMicroSeconds = T;
    d.u32TransmitFrequencyHertz = hz;
    d.pu8TvgdData = gained.data();
    d.pu8RawSonarData = raw.data();
    memset(gained.data(), floor, n);
  }
  PING& Box(U32 at, U32 len, U8 value, U8 rawValue = 200) {
    for (U32 i = at; i < at + len; ++i) gained[i] = value, raw[i] = rawValue;
    return *this;
  }
};

U32 Scan(PING& p, U8 threshold, TARGETCANDIDATE* list, U32 startUs = 0) {
  return S_DEPTH_u32ScanCandidates(&p.d, startUs, nullptr, threshold, C, 0.0f, list);
}

struct RANGE_CASE {
  F32 depth;
  UNIT_TYPE units;
  U16 range;
};
TEST(DepthRange, StandardRanges) {
  const RANGE_CASE cases[] = {{84, U_FEET, 100}, {85, U_FEET, 120},   {8, U_METRES, 10},  {5000, U_FEET, 3280},
                              {7, U_FEET, 10},   {3, U_METRES, 5},    {1, U_FATHOMS, 2}, {600, U_METRES, 800},
                              {0, U_METRES, 5},  {10, (UNIT_TYPE)0, 11}};
  for (const auto& c : cases) EXPECT_EQ(S_DEPTH_u16SelectDepthRange(c.depth, c.units), c.range) << c.depth;
}

TEST(Candidates, OrderedByEnergyNewBeforeEqualTenKept) {
  TARGETCANDIDATE list[DEPTH_CANDIDATES];
  U32 count = 0;
  for (U64 e : {50, 70, 60, 70, 10, 20, 30, 40, 80, 90, 5}) {
    TARGETCANDIDATE c{};
    c.u64Energy = e;
    c.u32StartIndex = (U32)(e * 100 + count);  // tells equal energies apart
    S_DEPTH_vAddCandidateToList(list, &count, &c, DEPTH_CANDIDATES);
  }
  ASSERT_EQ(count, 10u);
  std::vector<U64> energies;
  for (const auto& c : list) energies.push_back(c.u64Energy);
  EXPECT_EQ(energies, (std::vector<U64>{90, 80, 70, 70, 60, 50, 40, 30, 20, 10}));
  EXPECT_EQ(list[2].u32StartIndex, 7003u);  // the later 70 went before the earlier one
  EXPECT_EQ(g_pu32AntiLogTable[0], 4u);
  EXPECT_EQ(g_pu32AntiLogTable[128], 141451u);
  EXPECT_EQ(g_pu32AntiLogTable[255], 4294967295u);
}

// One box of 200 over a threshold of 100: the run is the box and 1 more.
struct LIMIT_CASE {
  const char* name;
  U32 hz;
  U32 at, len;
  U8 rawPeak;
  F32 offsetFeet;
  bool kept;
};
class ScanLimits : public ::testing::TestWithParam<LIMIT_CASE> {};
TEST_P(ScanLimits, KeelOffsetAndElongation) {
  const auto& c = GetParam();
  PING p(2000, c.hz);
  p.Box(c.at, c.len, 200, c.rawPeak);
  p.d.fDepthOffsetFeet = c.offsetFeet;
  TARGETCANDIDATE list[DEPTH_CANDIDATES];
  EXPECT_EQ(Scan(p, 100, list), c.kept ? 1u : 0u);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ScanLimits,
    ::testing::Values(
        // Keel offset 0: 4 ft is sample 64; 3 ft (sample 48) is too shallow
        // unless the raw peak exceeds 230.
        LIMIT_CASE{"ShallowWeak", 500000, 48, 8, 230, 0.0f, false},
        LIMIT_CASE{"ShallowStrong", 500000, 48, 8, 231, 0.0f, true},
        LIMIT_CASE{"DeeperThanFourFeet", 500000, 70, 8, 100, 0.0f, true},
        // A keel offset of 10 ft moves the limit to sample 224.
        LIMIT_CASE{"ShallowUnderKeel", 500000, 200, 8, 100, 10.0f, false},
        // 150 kHz within 10 ft (sample 160): more than 199 µs.
        LIMIT_CASE{"EightSamples", 150000, 100, 7, 100, 0.0f, true},
        LIMIT_CASE{"SevenSamples", 150000, 100, 6, 100, 0.0f, false},
        LIMIT_CASE{"ExactlyOneHundredKilohertz", 100000, 100, 4, 100, 0.0f, true},
        // 50 kHz between 10 and 20 ft (samples 160 to 320): more than 599 µs.
        LIMIT_CASE{"LowFrequencyShort", 50000, 200, 22, 100, 0.0f, false},
        LIMIT_CASE{"LowFrequencyLong", 50000, 200, 23, 100, 0.0f, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Scan, ShortPingsHaveNoBottomAndNothingPastTheCountIsRead) {
  for (U32 n = 0; n <= 4; ++n) {
    PING p(n, 200000, 1, 50);
    EXPECT_EQ(S_DEPTH_u32FindDepthWith(&p.d, 0, C, 0.0f), 0u) << n;
  }
  PING zero(200, 200000, 3);
  EXPECT_EQ(S_DEPTH_u32FindDepthWith(&zero.d, 0, C, 0.0f), 0u);
  // A deep run makes the window 16 wide, so that it reaches past the last
  // sample near the end: what the buffer holds there changes nothing.
  PING p(20000, 500000, 3, 1);
  p.Box(14000, 20, 200);
  TARGETCANDIDATE clean[DEPTH_CANDIDATES], dirty[DEPTH_CANDIDATES];
  const U32 n = Scan(p, 2, clean);
  memset(p.gained.data() + 20000, 255, 100);
  ASSERT_EQ(Scan(p, 2, dirty), n);
  for (U32 i = 0; i < n; ++i) EXPECT_EQ(dirty[i].u32StopIndex, clean[i].u32StopIndex);
  for (U32 i = 0; i < n; ++i) EXPECT_LT(dirty[i].u32StopIndex, 19000u);
}

TEST(Threshold, CurveFloorAndSaturatedDeviation) {
  PING flat(1000, 200000, 1, 50);
  std::vector<U8> curve(1000, 0);
  S_DEPTH_vMedianThreshold(&flat.d, curve.data(), flat.gained.data());
  EXPECT_EQ(curve[0], 50);
  EXPECT_EQ(curve[999], 50);
  // Medians of 0 give the floor 10; strong samples between them raise the
  // mean deviation past 245: the curve saturates instead of wrapping.
  PING spiky(301, 200000, 1, 0);
  spiky.Box(120, 61, 255);
  S_DEPTH_vMedianThreshold(&spiky.d, curve.data(), spiky.gained.data());
  EXPECT_EQ(curve[0], 255);
  EXPECT_EQ(curve[300], 255);
}

class Tracking : public ::testing::Test {
 protected:
  void SetUp() override { S_DEPTH_vReset(); }
  // Beam 3 (constant threshold, depth index = start), one box of 20 at 'at'.
  U32 Depth(U32 at, U32 ts) {
    PING p(2000, 500000, 3, 1);
    p.Box(at, 20, 200);
    p.d.u32TimeStampMilliSeconds = ts;
    return S_DEPTH_u32FindDepthWith(&p.d, 0, C, 0.0f) / T;
  }
};

TEST_F(Tracking, ThreeLockedPingsDoNotYetHoldTheBottom) {
  // The start index is 3 before the box (the window reaches it early).
  EXPECT_EQ(Depth(200, 600), 0u);  // no reference yet
  EXPECT_EQ(Depth(200, 1200), 197u);
  EXPECT_EQ(Depth(200, 1800), 197u);
  EXPECT_EQ(Depth(200, 2400), 197u);
  EXPECT_EQ(S_DEPTH_pTracker(3)->u8LockedCounter, 3);
  EXPECT_EQ(Depth(1500, 3000), 0u);
}

TEST_F(Tracking, FourLockedPingsHoldTheBottomUntilTwoAndAHalfSeconds) {
  for (U32 ts = 600; ts <= 3000; ts += 600) Depth(200, ts);
  ASSERT_EQ(S_DEPTH_pTracker(3)->u8LockedCounter, 4);
  // The tracked bottom (the peak) is held...
  for (U32 ts = 3600; ts <= 5400; ts += 600) EXPECT_EQ(Depth(1500, ts), 200u) << ts;
  // ...until 2.5 s without a candidate in the window.
  EXPECT_EQ(Depth(1500, 6000), 0u);
  EXPECT_EQ(S_DEPTH_pTracker(3)->u8LockedCounter, 0);
}

TEST_F(Tracking, AMissedPingIsBridgedByTheLastHalfSecond) {
  Depth(200, 100);
  Depth(200, 200);
  ASSERT_EQ(Depth(200, 300), 197u);
  PING none(2000, 500000, 3, 1);  // nothing above the floor
  none.d.u32TimeStampMilliSeconds = 400;
  EXPECT_EQ(S_DEPTH_u32FindDepthWith(&none.d, 0, C, 0.0f) / T, 197u);
  none.d.u32TimeStampMilliSeconds = 900;  // the last depth is 600 ms old
  EXPECT_EQ(S_DEPTH_u32FindDepthWith(&none.d, 0, C, 0.0f), 0u);
}

struct LOSS_CASE {
  U32 trackedUs, elapsedMs;
  bool cleared;
};
TEST(WindowTest, LossAfterTwoAndAHalfOrFiveSeconds) {
  const LOSS_CASE cases[] = {{5200, 2400, false}, {5200, 2600, true}, {900000, 4900, false}, {900000, 5100, true}};
  for (const auto& c : cases) {
    BOTTOMTRACKER tr{};
    tr.u8LockedCounter = 5;
    tr.u32LastLockedDepthMicroseconds = c.trackedUs;
    tr.u32LastLockTimeMs = 1000;
    TARGETCANDIDATE far{};
    far.u32PeakIndex = 1500;
    far.u64Energy = 10;
    EXPECT_EQ(S_DEPTHALGORITHMS_u8WindowTest(&far, 1, T, &tr, TRUE, 1000 + c.elapsedMs, C), 255);
    EXPECT_EQ(tr.u8LockedCounter == 0, c.cleared) << c.trackedUs << " " << c.elapsedMs;
  }
}

TEST(WindowTest, TakeOverBySomethingTenTimesStrongerNearThePreviousStrongest) {
  struct {
    U64 energy;
    U32 peak;
    bool takes;
  } cases[] = {{1000, 1505, true}, {500, 1505, false}, {1000, 1700, false}};
  for (const auto& c : cases) {
    BOTTOMTRACKER tr{};
    tr.u8LockedCounter = 5;
    tr.u64LockedEnergy = 50;
    tr.u32LastLockedDepthMicroseconds = 5200;
    tr.u32PrevTallestDepthMicroseconds = 1500 * T;
    tr.u32LastLockTimeMs = 900;
    TARGETCANDIDATE list[2] = {};
    list[0].u32PeakIndex = c.peak;
    list[0].u64Energy = c.energy;
    list[1].u32PeakIndex = 1000;
    list[1].u64Energy = 40;
    const U8 r = S_DEPTHALGORITHMS_u8WindowTest(list, 2, T, &tr, TRUE, 1000, C);
    EXPECT_EQ(r == 0, c.takes) << c.energy << " " << c.peak;
    if (c.takes) {
      EXPECT_EQ(tr.u8LockedCounter, 3);
      EXPECT_EQ(tr.u32LastLockedDepthMicroseconds, c.peak * T);
    }
  }
}

TEST(WindowTest, SlewAndGrowthSaturateAfterLongGaps) {
  BOTTOMTRACKER tr{};
  tr.u8LockedCounter = 5;
  tr.u32LastLockedDepthMicroseconds = 5200;
  tr.u32LastLockTimeMs = 1000;
  TARGETCANDIDATE deep{};
  deep.u32PeakIndex = 40000;
  deep.u64Energy = 10;
  // 800,000 s later: the window covers the candidate, and the step to it is
  // not a wrapped small one.
  EXPECT_EQ(S_DEPTHALGORITHMS_u8WindowTest(&deep, 1, T, &tr, TRUE, 1000 + 800000000u, C), 0);
  EXPECT_EQ(tr.u32LastLockedDepthMicroseconds, 40000 * T);
}

struct SECOND_CASE {
  const char* name;
  std::vector<std::pair<U32, U8>> peaks;  // (peak, raw peak), strongest first
  U8 result;
};
class SecondReturn : public ::testing::TestWithParam<SECOND_CASE> {};
TEST_P(SecondReturn, Cases) {
  const auto& c = GetParam();
  std::vector<TARGETCANDIDATE> list;
  for (auto [peak, raw] : c.peaks) {
    TARGETCANDIDATE k{};
    k.u32PeakIndex = k.u32StartIndex = peak;
    k.u8RawPeak = raw;
    list.push_back(k);
  }
  BOTTOMTRACKER tr{};
  EXPECT_EQ(S_DEPTHALGORITHMS_u8SecondReturnTest(list.data(), (U32)list.size(), T, &tr, FALSE, TRUE), c.result);
  if (c.result != 255) {
    EXPECT_EQ(tr.u32LastLockedDepthMicroseconds, list[c.result].u32PeakIndex * T);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, SecondReturn,
    ::testing::Values(
        // 2 m (sample 105) with its echo at 4 m (210), the echo stronger.
        SECOND_CASE{"TwoAndFourMetres", {{210, 240}, {105, 200}}, 1},
        SECOND_CASE{"EchoNotStrongEnough", {{210, 229}, {105, 240}}, 255},
        SECOND_CASE{"BelowItsOwnWindow", {{300, 100}, {8, 235}}, 1},
        SECOND_CASE{"NoEcho", {{300, 240}, {105, 240}}, 255}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SlopeTable, LookupAndNextChange) {
  const SLOPETESTVALUE table[] = {{5, 240}, {4, 800}, {3, 2240}, {2, 0xFFFFFFFF}};
  U32 next = 0;
  EXPECT_EQ(S_DEPTH_u8GetMinimumSlopeValue(&next, 240, table, 26), 5);
  EXPECT_EQ(next, 241u);
  EXPECT_EQ(S_DEPTH_u8GetMinimumSlopeValue(&next, 241, table, 26), 4);
  EXPECT_EQ(next, 801u);
  EXPECT_EQ(S_DEPTH_u8GetMinimumSlopeValue(&next, 120, table, 52), 5);
  EXPECT_EQ(next, 121u);
  EXPECT_EQ(S_DEPTH_u8GetMinimumSlopeValue(&next, 100000, table, 26), 2);
}

}  // namespace
