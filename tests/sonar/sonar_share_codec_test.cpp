// The bytes units exchange to share a sonar: the class-0x18 bodies as the
// typed serialisation writes them (version 1, little-endian, no padding),
// the ping as a message body (63 + N bytes), and the 276-byte stream record
// laid out as the sending unit's 32-bit memory image. Every body is checked
// against golden bytes both ways; hostile counts, cut bodies and group
// texts that name no stream are refused.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "../support/db_test_env.h"
#include "source/sonar/s_share.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

std::vector<U8> Hex(const std::string& h) {
  std::vector<U8> out;
  for (size_t i = 0; i + 1 < h.size();) {
    if (h[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back((U8)std::stoul(h.substr(i, 2), nullptr, 16));
    i += 2;
  }
  return out;
}

std::vector<U8> Encode(const G_DATA_TYPE& t, const void* value) {
  std::vector<U8> out(64);
  U8* p = out.data();
  S32 room = (S32)out.size(), count = 0;
  EXPECT_GE(t.pfSerialize(value, &p, &room, &count, &t), 0);
  out.resize((size_t)count);
  return out;
}

// Decodes into a block of the descriptor's own; FALSE when refused.
bool Decode(const G_DATA_TYPE& t, const std::vector<U8>& in, void* out, size_t size) {
  void* v = nullptr;
  S32 room = (S32)in.size(), count = 0;
  if (t.pfDeserialize(&v, in.data(), &room, &count, &t) < 0) return false;
  memcpy(out, v, size);
  t.pfDeallocate(v, TRUE, &t);
  return true;
}

TEST(SonarShareCodec, FixedBodiesGoldenBothWays) {
  (void)s_install;
  const sonarRequestDataType request{1, 55000, 1};
  const controlChangeType control{FCID("SSLD"), 0x41200000u, 1};
  const sonarPingDepthType depth{10.0f, 12.5f};
  const sonarTransducerChangeType transducer{0x0B, 15};
  struct CASE {
    const char* name;
    const G_DATA_TYPE& type;
    const void* value;
    size_t size;
    const char* hex;
  } cases[] = {
      {"request", DT_SONAR_REQUEST_DATA, &request, sizeof request, "01000000 01000000 D8D60000 01000000"},
      {"control", DT_CONTROL_CHANGE, &control, sizeof control, "01000000 53534C44 00002041 01000000"},
      {"depth", DT_SONAR_PING_DEPTH, &depth, sizeof depth, "01000000 00002041 00004841"},
      {"transducer", DT_SONAR_TRANSDUCER_CHANGE, &transducer, sizeof transducer, "01000000 0B000000 0F000000"},
  };
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<U8> golden = Hex(c.hex);
    EXPECT_EQ(Encode(c.type, c.value), golden);
    U8 back[16] = {};
    ASSERT_TRUE(Decode(c.type, golden, back, c.size));
    EXPECT_EQ(memcmp(back, c.value, c.size), 0);
    // Another version, and every cut, are refused.
    std::vector<U8> v2 = golden;
    v2[0] = 2;
    EXPECT_FALSE(Decode(c.type, v2, back, c.size));
    for (size_t cut = 0; cut < golden.size(); ++cut)
      EXPECT_FALSE(Decode(c.type, std::vector<U8>(golden.begin(), golden.begin() + (long)cut), back, c.size))
          << cut;
  }
}

// A ping with a value of its own in every field.
struct PING_FIXTURE {
  U8 raw[PING_MAX_SAMPLES] = {};
  PING_DESCRIPTOR d{};
  explicit PING_FIXTURE(U32 samples) {
    d.Beam = 1;
    d.u8AdcChannel = 2;
    d.u8TransmitCycles = 3;
    d.u8TransmitPower = 4;
    d.u32NumberOfSamples = samples;
    d.pu8RawSonarData = raw;
    for (U32 i = 0; i < samples; ++i) raw[i] = (U8)(0xA0 + i);
    d.bSimulated = TRUE;
    d.u32SamplePeriodMicroSeconds = 26;
    d.u16MilliSecondsBetweenPings = 100;
    d.u16MilliSecondsBeforeNextPing = 7;
    d.SimulatedFishList.u8NumberOfTargets = 1;
    d.SimulatedFishList.bSimulatedFishList = TRUE;
    d.SimulatedFishList.target[0].u32DepthInSamples = 1234;
    d.SimulatedFishList.target[0].u8Size = 7;
    d.Location = {TRUE, -2, 0x01020304};
    d.fDepthMetres = 10.0f;
    d.fDepthOffsetFeet = 1.0f;
    d.u8NoiseLevel = 5;
    d.u8PeakNoiseLevel = 6;
    d.u8Transducer = 15;
    d.u32TransmitFrequencyHertz = 200000;
    d.u32TimeStampMilliSeconds = 0x11223344;
    d.u8BandwidthControl = 3;
    d.u32PingIndex = 9;
    d.bReversePing = FALSE;
    d.u32PPIPositionInfo = 0xDEADBEEF;
    d.bIsLocal = TRUE;
  }
};

// The fields a receiver takes over, compared one by one.
void ExpectSameFields(const PING_DESCRIPTOR& a, const PING_DESCRIPTOR& b) {
  EXPECT_EQ(a.Beam, b.Beam);
  EXPECT_EQ(a.u8AdcChannel, b.u8AdcChannel);
  EXPECT_EQ(a.u8TransmitCycles, b.u8TransmitCycles);
  EXPECT_EQ(a.u8TransmitPower, b.u8TransmitPower);
  EXPECT_EQ(a.u32NumberOfSamples, b.u32NumberOfSamples);
  EXPECT_EQ(a.bSimulated, b.bSimulated);
  EXPECT_EQ(a.u32SamplePeriodMicroSeconds, b.u32SamplePeriodMicroSeconds);
  EXPECT_EQ(a.u16MilliSecondsBetweenPings, b.u16MilliSecondsBetweenPings);
  EXPECT_EQ(a.u16MilliSecondsBeforeNextPing, b.u16MilliSecondsBeforeNextPing);
  EXPECT_EQ(a.Location.bPositionValid, b.Location.bPositionValid);
  EXPECT_EQ(a.Location.s32LongitudeMM, b.Location.s32LongitudeMM);
  EXPECT_EQ(a.Location.s32LatitudeMM, b.Location.s32LatitudeMM);
  EXPECT_EQ(a.fDepthMetres, b.fDepthMetres);
  EXPECT_EQ(a.fDepthOffsetFeet, b.fDepthOffsetFeet);
  EXPECT_EQ(a.u8NoiseLevel, b.u8NoiseLevel);
  EXPECT_EQ(a.u8PeakNoiseLevel, b.u8PeakNoiseLevel);
  EXPECT_EQ(a.u8Transducer, b.u8Transducer);
  EXPECT_EQ(a.u32TransmitFrequencyHertz, b.u32TransmitFrequencyHertz);
  EXPECT_EQ(a.u32TimeStampMilliSeconds, b.u32TimeStampMilliSeconds);
  EXPECT_EQ(a.u8BandwidthControl, b.u8BandwidthControl);
  EXPECT_EQ(a.u32PingIndex, b.u32PingIndex);
  EXPECT_EQ(a.bReversePing, b.bReversePing);
  EXPECT_EQ(a.u32PPIPositionInfo, b.u32PPIPositionInfo);
  EXPECT_EQ(memcmp(a.pu8RawSonarData, b.pu8RawSonarData, a.u32NumberOfSamples), 0);
}

const char* const kPingBodyHead = "01000000 01020304";
const char* const kPingBodyTail =
    "01 1A000000 6400 0700 01000000 01 FEFFFFFF 04030201 00002041 0000803F 05 06 0F 400D0300 44332211 03 09000000 "
    "00 EFBEADDE";

TEST(SonarShareCodec, PingBodyGoldenWithZeroAndThreeSamples) {
  struct CASE {
    U32 samples;
    const char* middle;
  } cases[] = {{0, "00000000"}, {3, "03000000 A0A1A2"}};
  for (const CASE& c : cases) {
    SCOPED_TRACE(c.samples);
    PING_FIXTURE f(c.samples);
    const std::vector<U8> golden =
        Hex(std::string(kPingBodyHead) + " " + c.middle + " " + kPingBodyTail);
    ASSERT_EQ(golden.size(), SONAR_PING_BODY_FIXED_BYTES + c.samples);
    std::vector<U8> out(golden.size());
    EXPECT_EQ(S_SHARE_u32EncodePingBody(&f.d, out.data(), (U32)out.size()), golden.size());
    EXPECT_EQ(out, golden);
    EXPECT_EQ(S_SHARE_u32EncodePingBody(&f.d, out.data(), (U32)out.size() - 1), 0u);
    // Back into a descriptor of the pool: its buffers, fish list and bIsLocal stay its own.
    PING_FIXTURE g(0);
    g.d.bIsLocal = FALSE;
    g.d.SimulatedFishList.u8NumberOfTargets = 0;
    ASSERT_TRUE(S_SHARE_bDecodePingBody(golden.data(), (U32)golden.size(), &g.d));
    ExpectSameFields(f.d, g.d);
    EXPECT_EQ(g.d.pu8RawSonarData, g.raw);
    EXPECT_EQ(g.d.bIsLocal, FALSE);
    EXPECT_EQ(g.d.SimulatedFishList.u8NumberOfTargets, 0);
    // Through the message descriptor as the message layer decodes it.
    void* v = nullptr;
    S32 room = (S32)golden.size(), count = 0;
    ASSERT_EQ(DT_PING_DESCRIPTOR.pfDeserialize(&v, golden.data(), &room, &count, &DT_PING_DESCRIPTOR),
              (S32)golden.size());
    ExpectSameFields(f.d, *(PING_DESCRIPTOR*)v);
    DT_PING_DESCRIPTOR.pfDeallocate(v, TRUE, &DT_PING_DESCRIPTOR);
  }
}

TEST(SonarShareCodec, PingBodyRefusedWhenCutOrCountLies) {
  PING_FIXTURE f(3);
  std::vector<U8> body(SONAR_PING_BODY_FIXED_BYTES + 3);
  ASSERT_EQ(S_SHARE_u32EncodePingBody(&f.d, body.data(), (U32)body.size()), body.size());
  PING_FIXTURE g(0);
  for (size_t cut = 0; cut < body.size(); ++cut)
    EXPECT_FALSE(S_SHARE_bDecodePingBody(body.data(), (U32)cut, &g.d)) << cut;
  struct CASE {
    const char* name;
    size_t offset;
    U32 value;
  } lies[] = {
      {"version 2", 0, 2},
      {"count 0xFFFFFFFF", 8, 0xFFFFFFFFu},
      {"count 55001", 8, 55001},
      {"count past the body", 8, 4},
      {"location version 0", 12 + 3 + 9, 0},
  };
  for (const CASE& c : lies) {
    std::vector<U8> bad = body;
    for (int i = 0; i < 4; ++i) bad[c.offset + (size_t)i] = (U8)(c.value >> (8 * i));
    g.d.Beam = 77;
    EXPECT_FALSE(S_SHARE_bDecodePingBody(bad.data(), (U32)bad.size(), &g.d)) << c.name;
    EXPECT_EQ(g.d.Beam, 77) << c.name << ": refused bodies leave the descriptor alone";
  }
}

// The record at the offsets of the sender's 32-bit layout.
std::vector<U8> StreamGolden(U32 samples) {
  std::vector<U8> g(SONAR_STREAM_RECORD_BYTES + samples, 0);
  auto put = [&](size_t at, const std::string& hex) {
    const std::vector<U8> b = Hex(hex);
    std::copy(b.begin(), b.end(), g.begin() + (long)at);
  };
  put(0, "01020304");
  put(4, samples == 0 ? "00000000" : "03000000");
  put(16, "01");
  put(20, "1A000000");
  put(24, "6400");
  put(26, "0700");
  put(28, "0101");      // fish count, simulated list
  put(32, "D2040000");  // first target: depth in samples
  put(36, "07");        // size
  put(224, "01");
  put(228, "FEFFFFFF");
  put(232, "04030201");
  put(236, "00002041");
  put(240, "0000803F");
  put(244, "05060F");
  put(248, "400D0300");
  put(252, "44332211");
  put(256, "03");
  put(260, "09000000");
  put(264, "00");
  put(268, "EFBEADDE");
  put(272, "00");  // bIsLocal: FALSE in every sent ping
  if (samples) put(276, "A0A1A2");
  return g;
}

TEST(SonarShareCodec, StreamRecordGoldenWithZeroAndThreeSamples) {
  for (U32 samples : {0u, 3u}) {
    SCOPED_TRACE(samples);
    PING_FIXTURE f(samples);
    const std::vector<U8> golden = StreamGolden(samples);
    std::vector<U8> out(golden.size(), 0xCC);
    EXPECT_EQ(S_SHARE_u32EncodeStream(&f.d, samples, out.data(), (U32)out.size()), golden.size());
    EXPECT_EQ(out, golden);
    PING_FIXTURE g(0);
    g.d.SimulatedFishList.u8NumberOfTargets = 4;
    ASSERT_TRUE(S_SHARE_bDecodeStream(golden.data(), (U32)golden.size(), &g.d));
    ExpectSameFields(f.d, g.d);
    EXPECT_EQ(g.d.pu8RawSonarData, g.raw);
    EXPECT_EQ(g.d.bIsLocal, FALSE);
    EXPECT_EQ(g.d.SimulatedFishList.u8NumberOfTargets, 0) << "the sender's fish list is not taken over";
  }
}

TEST(SonarShareCodec, StreamRecordRefusesCountsTheBufferCannotHold) {
  PING_FIXTURE f(3);
  const std::vector<U8> good = StreamGolden(3);
  struct CASE {
    const char* name;
    U32 count;
    size_t length;
  } cases[] = {
      {"count 0xFFFFFFFF", 0xFFFFFFFFu, good.size()},
      {"count 55001", 55001, 276 + 55001},
      {"count past the buffer", 4, good.size()},
      {"record cut", 3, 275},
      {"nothing", 0, 0},
  };
  for (const CASE& c : cases) {
    std::vector<U8> bad(std::max(c.length, good.size()), 0);
    std::copy(good.begin(), good.end(), bad.begin());
    for (int i = 0; i < 4; ++i) bad[4 + (size_t)i] = (U8)(c.count >> (8 * i));
    PING_FIXTURE g(0);
    g.d.Beam = 77;
    EXPECT_FALSE(S_SHARE_bDecodeStream(bad.data(), (U32)c.length, &g.d)) << c.name;
    EXPECT_EQ(g.d.Beam, 77) << c.name;
  }
  // The largest ping a descriptor holds passes.
  std::vector<U8> big(276 + PING_MAX_SAMPLES, 0);
  for (int i = 0; i < 4; ++i) big[4 + (size_t)i] = (U8)(PING_MAX_SAMPLES >> (8 * i));
  PING_FIXTURE g(0);
  EXPECT_TRUE(S_SHARE_bDecodeStream(big.data(), (U32)big.size(), &g.d));
}

TEST(SonarShareCodec, StreamSourceFromGroupText) {
  struct CASE {
    const char* text;
    bool parses;
    NET_SOURCE_TYPE source;
  } cases[] = {
      {"239.0.0.2", true, SONAR_SOURCE_2D},   {"239.2.1.5", true, SONAR_SOURCE_DI},
      {"239.4.0.2", true, SONAR_SOURCE_360},  {"239.3.0.2", true, INVALID_SOURCE},
      {"239.6.9.9", true, INVALID_SOURCE},    {"239.0.0", false, INVALID_SOURCE},
      {"239.0.0.2x", false, INVALID_SOURCE},  {"239.256.0.2", false, INVALID_SOURCE},
      {"", false, INVALID_SOURCE},            {"abc.def", false, INVALID_SOURCE},
      {"-1.0.0.2", false, INVALID_SOURCE},
  };
  for (const CASE& c : cases) {
    NET_SOURCE_TYPE s = INVALID_SOURCE;
    EXPECT_EQ(S_SHARE_bStreamSourceOfGroup(c.text, 16, &s) != FALSE, c.parses) << c.text;
    if (c.parses) {
      EXPECT_EQ(s, c.source) << c.text;
    }
  }
  // Sixteen characters without an end are no text.
  const char full[16] = {'2', '3', '9', '.', '0', '.', '0', '.', '2', '2', '2', '2', '2', '2', '2', '2'};
  NET_SOURCE_TYPE s;
  EXPECT_FALSE(S_SHARE_bStreamSourceOfGroup(full, sizeof full, &s));
}

TEST(SonarShareCodec, ControlTableAndValueRanges) {
  const FCID_TRANSLATE_TYPE* t = S_SHARE_pTranslateTable();
  EXPECT_EQ(t[0].fcidUIControl, FCID("YSSR"));
  EXPECT_EQ(t[42].fcidSavedSetting, FCID("SDIA"));
  struct PAIR {
    FOURCHARID key, partner;
    S32 row;
  } pairs[] = {{FCID("YSLD"), FCID("SSLD"), 1},  {FCID("SSLD"), FCID("YSLD"), 1}, {FCID("YMDR"), FCID("RSXD"), 18},
               {FCID("MS09"), FCID("YSPL"), 28}, {FCID("ABCD"), 0, -1},           {0, 0, -1}};
  for (const PAIR& p : pairs) {
    EXPECT_EQ(S_SHARE_s32FindControl(p.key), p.row);
    EXPECT_EQ(S_SHARE_fcidPartner(p.key), p.partner);
  }
  auto bits = [](F32 f) {
    U32 u;
    memcpy(&u, &f, 4);
    return u;
  };
  struct RANGE {
    FOURCHARID key;
    U32 value;
    bool ok;
  } ranges[] = {
      {FCID("SSWA"), 2, true},         {FCID("YSWA"), 3, false},
      {FCID("SUDP"), 11, true},        {FCID("YUDP"), 0, false},
      {FCID("SSSF"), FCID("SSF5"), true}, {FCID("SSSF"), 5, false},
      {FCID("SSSR"), bits(30.0f), true}, {FCID("SSSR"), bits(-1.0f), false},
      {FCID("SSLD"), 0x7FC00000u, false},  // NaN
      {FCID("SSNF"), 0xFFFFFFFFu, true},   // no table behind it
  };
  for (const RANGE& r : ranges)
    EXPECT_EQ(S_SHARE_bControlValueInRange(r.key, r.value) != FALSE, r.ok) << std::string((const char*)&r.key, 4);
}

}  // namespace
