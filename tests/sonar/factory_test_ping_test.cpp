// The factory test's ping of one beam through the coprocessor stand-in: the
// block it sends (40 cycles at high power, the beam's frequency and
// output), the channel its samples come from, and its failures.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "../support/db_test_env.h"
#include "../support/sonar_standin.h"
#include "source/platform/platform.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/s_coproc.h"
#include "source/sonar/s_testping.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

std::string Socket() { return PLATFORM_sResolvePath(H_COPROC_DEVICE); }

struct BEAM_CASE {
  const char* name;
  U8 coprocBeam, channel;
  U16 kHz;
  U8 receiver, bandwidth;
  U8 output;  // the pulse's transmit output in the block
};

class FactoryTestPing : public ::testing::Test {
 protected:
  void SetUp() override { H_COPROC_vClose(); }
  void TearDown() override { H_COPROC_vClose(); }
  std::vector<U16> signal_ = std::vector<U16>(TEST_PING_SIGNAL_SAMPLES, 0xEEEE);
  std::vector<U16> noise_ = std::vector<U16>(TEST_PING_NOISE_SAMPLES, 0xEEEE);
  U32 sampleUs_ = 0;
};

TEST_F(FactoryTestPing, PingsTheBeamAndReadsItsChannel) {
  // Flat bottom at 10 m: about 526 samples of 26 µs at 1463 m/s.
  sonartest::Standin standin(Socket(), s_install.base + "/standin", "depth 10\npace 0\npresent yes\nseed 5\n");
  const std::vector<BEAM_CASE> cases = {
      {"200 kHz, first receiver", 0, 0, 200, 0, 1, 1},
      {"83 kHz, first receiver", 1, 0, 83, 0, 2, 1},
      {"455 kHz imaging, third receiver, output 4", 3, 2, 455, 2, 1, 4},
  };
  for (const BEAM_CASE& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(S_TESTPING_bTestPing(c.coprocBeam, c.channel, c.kHz, c.receiver, c.bandwidth, signal_.data(),
                                     noise_.data(), &sampleUs_));
    EXPECT_EQ(sampleUs_, 26u);
    // The block: pulse 0 at the frequency (little-endian), 40 cycles, and
    // the beam's output; 4096 samples.
    char head[16];
    snprintf(head, sizeof head, "%02X%02X28", c.kHz & 0xFF, c.kHz >> 8);
    const std::string log = standin.Log();
    const size_t seq = log.rfind("seq 0 ");
    ASSERT_NE(seq, std::string::npos) << log;
    EXPECT_EQ(log.substr(seq + 6, 6), head) << log.substr(seq, 80);
    EXPECT_EQ(std::stoul(log.substr(seq + 6 + 8, 2), nullptr, 16), c.output) << log.substr(seq, 80);
    // Samples within U8 range, the bottom the strongest after the first 50.
    U32 best = 0, at = 0;
    for (U32 i = 0; i < TEST_PING_SIGNAL_SAMPLES; ++i) {
      ASSERT_LE(signal_[i], 255u) << i;
      if (i >= 50 && signal_[i] > best) best = signal_[i], at = i;
    }
    for (U16 n : noise_) ASSERT_LE(n, 255u);
    EXPECT_GT(best, 0u);
    EXPECT_NEAR((double)at, 526.0, 40.0);
  }
}

TEST_F(FactoryTestPing, FailsWithoutTheDeviceOrWithABadChannel) {
  std::filesystem::remove(Socket());
  EXPECT_FALSE(S_TESTPING_bTestPing(0, 0, 200, 0, 1, signal_.data(), noise_.data(), &sampleUs_));
  sonartest::Standin standin(Socket(), s_install.base + "/standin", "depth 10\npace 0\npresent yes\n");
  H_COPROC_vClose();
  EXPECT_FALSE(S_TESTPING_bTestPing(0, 3, 200, 0, 1, signal_.data(), noise_.data(), &sampleUs_));
  EXPECT_TRUE(S_TESTPING_bTestPing(0, 0, 200, 0, 1, signal_.data(), noise_.data(), &sampleUs_));
}

}  // namespace
