// The coprocessor device layer and the start-up transducer test against the
// stand-in program, and without it.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "../support/db_test_env.h"
#include "../support/sonar_standin.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_demultiplex.h"
#include "source/sonar/s_detect.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

std::string Socket() { return PLATFORM_sResolvePath(H_COPROC_DEVICE); }
std::string Folder() { return s_install.base + "/standin"; }

U32 u32Fetch(const char* key) {
  U32 v = 0xDEADBEEF;
  H_DATABASE_bFetchU32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), &v);
  return v;
}
S32 s32Fetch(FOURCHARID key) {
  S32 v = -999;
  H_DATABASE_bFetchS32(key, &v);
  return v;
}

class Coproc : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    H_COPROC_vClose();
    H_COPROC_vSimulate(FALSE);
    opt_noadc = 0;
    opt_fake_transducer = 0;
  }
  void TearDown() override {
    H_COPROC_vClose();
    opt_noadc = 0;
    opt_fake_transducer = 0;
  }
};

TEST_F(Coproc, WithoutTheDeviceEveryTransferFails) {
  std::filesystem::remove(Socket());
  H_COPROC_vInitialize();
  ASSERT_NE(H_COPROC_pu8DataBlock(), nullptr);
  EXPECT_TRUE(H_COPROC_bCoprocessorReady());  // a handle is stored, even a failed one
  U8* block = H_COPROC_pu8DataBlock();
  EXPECT_EQ(H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC), COPROC_TRANSFER_FAILED);
  EXPECT_EQ(H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC), COPROC_TRANSFER_FAILED);
  EXPECT_EQ(u32Fetch("AD02"), 0xDEADBEEFu);
  // Detection finds nothing, quickly, and says so in DET1-5.
  EXPECT_FALSE(S_DETECT_bTestTransducer());
  EXPECT_EQ(s32Fetch(FCID("DET1")), 0);
  EXPECT_EQ(u32Fetch("SDET"), 32u);
}

TEST_F(Coproc, BlocksRoundTripThroughTheStandin) {
  sonartest::Standin standin(Socket(), Folder(), "depth 10\npace 0\npresent yes\nseed 7\n");
  H_COPROC_vInitialize();
  U8* block = H_COPROC_pu8DataBlock();
  ASSERT_NE(block, nullptr);
  memset(block, 0, MULTI_TX_BYTES);
  S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(block, 10, TXPOWER_HI, 1, 2000, 200, 8, TXPOWER_LOW, 2, 1000, 83,
                                                 FALSE, TRUE);
  std::vector<U8> sent(block, block + MULTI_TX_BYTES);
  ASSERT_EQ(H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC), MULTI_TX_BYTES);
  // The sequences in turn, each echoed at offset 4, then round again.
  const U16 samples[] = {2000, 1000, 1052, 2000};
  for (int i = 0; i < 4; ++i) {
    const U32 got = H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC);
    EXPECT_EQ(got, 35u + 3u * (50u + samples[i])) << i;
    EXPECT_EQ(0, memcmp(block + 4, sent.data() + (i % 3) * TX_SEQUENCE_BYTES, TX_SEQUENCE_BYTES)) << i;
    TX_SEQUENCE s;
    const U8* data = nullptr;
    S_DEMULTIPLEX_bExtractTxSequence(block, &s, &data);
    EXPECT_EQ(s.u16Samples, samples[i]);
  }
  // Readings published once (within 500 ms), shifted left by 6 bits.
  EXPECT_EQ(u32Fetch("AD02"), 0x200u << 6);
  EXPECT_EQ(u32Fetch("AD05"), 275u << 6);  // 11.98 V
  EXPECT_EQ(u32Fetch("AD00"), 0x1A0u << 6);
  const std::string log = standin.Log();
  EXPECT_NE(log.find("block 187 bytes, 3 sequences"), std::string::npos) << log;
}

// The supply reading follows the scenario's battery line, also when the
// scenario changes while the unit runs.
TEST_F(Coproc, SupplyReadingFollowsTheScenario) {
  const std::string base = "depth 10\npace 0\npresent yes\n";
  sonartest::Standin standin(Socket(), Folder(), base + "battery 419\n");
  H_COPROC_vInitialize();
  U8* block = H_COPROC_pu8DataBlock();
  ASSERT_NE(block, nullptr);
  memset(block, 0, MULTI_TX_BYTES);
  S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(block, 10, TXPOWER_HI, 1, 2000, 200, 8, TXPOWER_LOW, 2, 1000, 83,
                                                 FALSE, TRUE);
  ASSERT_EQ(H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC), MULTI_TX_BYTES);
  // Readings are published every 500 ms at most: receive until the wanted
  // one arrives (a generous bound on the number of blocks).
  auto reaches = [&](U32 raw) {
    for (int i = 0; i < 2000; ++i) {
      if (H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC) == COPROC_TRANSFER_FAILED) {
        return false;
      }
      if (u32Fetch("AD05") == raw << 6) return true;
      usleep(2000);
    }
    return false;
  };
  EXPECT_TRUE(reaches(419));
  standin.Rewrite(base + "battery 180\n");
  EXPECT_TRUE(reaches(180));
  standin.Rewrite(base);  // no battery line: the default again
  EXPECT_TRUE(reaches(275));
  EXPECT_NE(standin.Log().find("battery 180"), std::string::npos) << standin.Log();
}

TEST_F(Coproc, SimulationSendsNoPulse) {
  sonartest::Standin standin(Socket(), Folder(), "depth 5\npace 0\npresent yes\n");
  H_COPROC_vInitialize();
  H_COPROC_vSimulate(TRUE);
  U8* block = H_COPROC_pu8DataBlock();
  memset(block, 0x55, MULTI_TX_BYTES);
  S_COPROC_vBuildTxSequence200kHzAltLFAltShortTx(block, 10, TXPOWER_HI, 1, 400, 200, 8, TXPOWER_LOW, 2, 400, 83,
                                                 FALSE, FALSE);
  ASSERT_EQ(H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC), MULTI_TX_BYTES);
  for (int seq = 0; seq < 2; ++seq) {
    for (int p = 0; p < 3; ++p) EXPECT_EQ(block[seq * 31 + p * 6 + 3], TXMODE_NONE);
  }
  // The sequences not in use keep their bytes.
  for (size_t i = 62; i < 186; ++i) ASSERT_EQ(block[i], 0x55) << i;
  // Noise only comes back.
  const U32 got = H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC);
  ASSERT_EQ(got, 35u + 3u * 450u);
  U8 data[400];
  S_DEMULTIPLEX_vGetExtractRxData(block + 35, 0, 50, 400, nullptr, data);
  for (U8 v : data) ASSERT_LT(v, 20);
}

TEST_F(Coproc, ReadingsAtMostEveryHalfSecond) {
  sonartest::Standin standin(Socket(), Folder(), "pace 0\npresent yes\n");
  L_CLOCK_qwGetTimeInMillis();  // the kernel clock's start is taken before the test clock
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs() + 1000000000000ull, 1700000000);
  H_COPROC_vInitialize();
  U8* block = H_COPROC_pu8DataBlock();
  memset(block, 0, MULTI_TX_BYTES);
  S_COPROC_vBuildTxSequence200kHz(block, 4, TXPOWER_LOW, 0, 10, 200, FALSE);
  H_COPROC_u32Transfer(block, MULTI_TX_BYTES, SEND_TO_COPROC);
  const struct {
    U32 advanceMs;
    bool published;
  } steps[] = {{0, true}, {400, false}, {100, true}, {499, false}, {1, true}};
  for (const auto& s : steps) {
    PLATFORM_vTestClockAdvanceMs(s.advanceMs);
    H_DATABASE_vInit();
    H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC);
    EXPECT_EQ(u32Fetch("AD05") != 0xDEADBEEF, s.published) << s.advanceMs;
  }
  // no_adc: transfers go on, nothing is published.
  opt_noadc = 1;
  PLATFORM_vTestClockAdvanceMs(1000);
  H_DATABASE_vInit();
  EXPECT_NE(H_COPROC_u32Transfer(block, COPROC_RECEIVE_BLOCK_BYTES, RECEIVE_FROM_COPROC), COPROC_TRANSFER_FAILED);
  EXPECT_EQ(u32Fetch("AD05"), 0xDEADBEEFu);
  PLATFORM_vTestClockDisable();
}

TEST_F(Coproc, DetectionByScenario) {
  const struct {
    const char* name;
    const char* scenario;
    const char* ssts;  // "" none
    bool fake;
    bool connected;
    bool testBlockSent;
  } cases[] = {
      {"present", "present yes\npace 0\n", "", false, true, true},
      {"ringing", "present ring\npace 0\n", "", false, true, true},
      {"absent", "present no\npace 0\n", "", false, false, true},
      {"fake_transducer", "present yes\npace 0\n", "", true, false, false},
      {"non-default selection", "present no\npace 0\n", "1", false, true, false},
      {"default selection", "present no\npace 0\n", "15", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    H_COPROC_vClose();
    for (FOURCHARID k : {FCID("DET1"), FCID("DET5")}) H_DATABASE_bUpdateValueS32(k, -7, P_NORMAL);
    if (*c.ssts) H_DATABASE_bUpdateValueU32(FCID("SSTS"), (U32)atoi(c.ssts), P_NORMAL);
    opt_fake_transducer = c.fake ? 1 : 0;
    sonartest::Standin standin(Socket(), Folder(), c.scenario);
    EXPECT_EQ(S_DETECT_bTestTransducer() != 0, c.connected);
    H_COPROC_vClose();
    standin.Stop();
    const std::string log = standin.Log();
    EXPECT_EQ(log.find("block 187 bytes") != std::string::npos, c.testBlockSent) << log;
    if (c.testBlockSent) {
      // The test block as sent: 200 kHz, 26 cycles, DMA, element 2; 32
      // samples after 256 noise samples.
      EXPECT_NE(log.find("seq 0 C8001A020200000000030001000000030001" "0101"), std::string::npos) << log;
      EXPECT_NE(log.find("00200000010101FD"), std::string::npos) << log;
    }
    if (std::string(c.name) == "ringing") {
      EXPECT_GT(s32Fetch(FCID("DET1")), 32);
      EXPECT_GT(s32Fetch(FCID("DET5")), 32);
    } else if (std::string(c.name) == "absent") {
      EXPECT_LT(s32Fetch(FCID("DET1")), 5);
      EXPECT_LT(s32Fetch(FCID("DET5")), 5);
    } else if (!c.testBlockSent) {
      EXPECT_EQ(s32Fetch(FCID("DET1")), -7);  // untouched without a test
    }
  }
}

}  // namespace
