// The simulator's replay of a recording: order and looping, the unit's own
// position, corrupt records skipped, missing files; and the depth model.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "../support/db_test_env.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/sonar/s_synthsim.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

struct Rec {
  U8 beam;
  U32 hz;
  U32 samples;
  U8 fill;
};

void vBe(std::vector<U8>& v, U32 x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back((U8)(x >> s));
}

void vWrite(const std::vector<Rec>& recs, bool withData = true) {
  const std::string idx = PLATFORM_sResolvePath(SYNTHSIM_INDEX_FILE);
  const std::string son = PLATFORM_sResolvePath(SYNTHSIM_DATA_FILE);
  std::filesystem::create_directories(std::filesystem::path(idx).parent_path());
  std::filesystem::remove(son);
  std::vector<U8> index, data;
  for (const Rec& r : recs) {
    vBe(index, (U32)data.size());
    data.push_back(r.beam);
    vBe(data, r.hz);
    vBe(data, 111);  // recorded longitude
    vBe(data, 222);  // recorded latitude
    data.push_back(7);
    data.push_back(1);
    vBe(data, r.samples);
    vBe(data, 26);
    data.insert(data.end(), std::min<U32>(r.samples, 60000), r.fill);
  }
  std::ofstream(idx, std::ios::binary).write((const char*)index.data(), (std::streamsize)index.size());
  if (withData) std::ofstream(son, std::ios::binary).write((const char*)data.data(), (std::streamsize)data.size());
}

class Synthsim : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    S_SYNTHSIM_vClose();
    raw.assign(PING_MAX_SAMPLES, 0xEE);
    memset(&d, 0, sizeof d);
    d.pu8RawSonarData = raw.data();
  }
  void TearDown() override { S_SYNTHSIM_vClose(); }
  std::vector<U8> raw;
  PING_DESCRIPTOR d;
};

TEST_F(Synthsim, ReplaysInOrderAndLoops) {
  vWrite({{1, 200000, 10, 1}, {2, 455000, 20, 2}, {3, 800000, 30, 3}});
  H_DATABASE_bUpdateValueS32(FCID("ILAT"), 5000, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ILON"), -6000, P_NORMAL);
  const U8 order[] = {1, 2, 3, 1, 2, 3, 1};
  for (U8 beam : order) {
    ASSERT_TRUE(S_SYNTHSIM_bReplayPing(&d));
    EXPECT_EQ(d.Beam, beam);
    EXPECT_EQ(d.u32NumberOfSamples, 10u * beam);
    EXPECT_EQ(raw[0], beam);
    EXPECT_EQ(d.u32TransmitFrequencyHertz, beam == 1 ? 200000u : beam == 2 ? 455000u : 800000u);
    EXPECT_EQ(d.u32SamplePeriodMicroSeconds, 26u);
    EXPECT_EQ(d.Location.s32LatitudeMM, 5000);
    EXPECT_EQ(d.Location.s32LongitudeMM, -6000);
    EXPECT_TRUE(d.Location.bPositionValid);
    EXPECT_FALSE(d.bSimulated);
  }
  // An invalid position key makes the position invalid.
  H_DATABASE_bUpdateEverything(FCID("ILAT"), DB_dataS32(1), P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueS32(FCID("ILON"), 9, P_NORMAL);
  ASSERT_TRUE(S_SYNTHSIM_bReplayPing(&d));
  EXPECT_FALSE(d.Location.bPositionValid);
}

TEST_F(Synthsim, CorruptRecordsAreSkipped) {
  vWrite({{1, 200000, 10, 1}, {4, 455000, 20, 2}, {3, 800000, 60000, 3}, {2, 455000, 55000, 9}});
  const U8 order[] = {1, 2, 1, 2};
  for (U8 beam : order) {
    ASSERT_TRUE(S_SYNTHSIM_bReplayPing(&d));
    EXPECT_EQ(d.Beam, beam);
  }
  EXPECT_EQ(d.u32NumberOfSamples, 55000u);  // read whole
  EXPECT_EQ(raw[54999], 9);
  // An index entry beyond the data is skipped too.
  S_SYNTHSIM_vClose();
  vWrite({{1, 200000, 10, 1}, {3, 800000, 30, 3}});
  {
    std::vector<U8> idx = {0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xF0, 0, 0, 0, 33};
    std::ofstream(PLATFORM_sResolvePath(SYNTHSIM_INDEX_FILE), std::ios::binary)
        .write((const char*)idx.data(), (std::streamsize)idx.size());
  }
  for (U8 beam : {1, 3, 1}) {
    ASSERT_TRUE(S_SYNTHSIM_bReplayPing(&d));
    EXPECT_EQ(d.Beam, beam);
  }
  // Nothing good in the whole recording: nothing filled, and no endless loop.
  S_SYNTHSIM_vClose();
  vWrite({{5, 1, 1, 1}, {6, 1, 1, 1}});
  raw[0] = 0xEE;
  EXPECT_FALSE(S_SYNTHSIM_bReplayPing(&d));
  EXPECT_EQ(raw[0], 0xEE);
}

TEST_F(Synthsim, MissingDataFileFillsNothing) {
  vWrite({{1, 200000, 10, 1}}, false);
  EXPECT_EQ(S_SYNTHSIM_fSynthesizeReturn(&d), 0.0f);
  EXPECT_EQ(raw[0], 0xEE);
  EXPECT_EQ(d.Beam, 0);
}

TEST(SynthsimDepth, Profile) {
  const struct {
    U32 count;
    F32 depth;
  } cases[] = {{6000, 8.9f}, {7200, 4.8f}, {1250, 8.5f}, {0, 4.8f}, {1100, 8.5f}, {2800, 3.0f}, {550, 6.65f}};
  for (const auto& c : cases) EXPECT_NEAR(S_SYNTHSIM_fDepthAtCount(c.count), c.depth, 0.01f) << c.count;
  const F32 d = S_SYNTHSIM_fSynthesizeReturn(nullptr);
  EXPECT_GE(d, 3.0f);
  EXPECT_LE(d, 8.9f);
}

}  // namespace
