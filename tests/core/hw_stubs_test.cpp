// Hardware services of the older board: the transmit power by depth, the
// checks of the receiver services that remain (beams, bandwidths), the
// buzzer device file under the host root, and the converter read that
// finds no converter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "lsvc/lsvc.h"
#include "source/core/h_hwstubs.h"
#include "source/platform/platform.h"
#include "tests/support/db_test_env.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

TEST(HwStubs, TransmitPowerByDepth) {
  struct {
    F32 depth;
    TXPOWER power;
  } cases[] = {{0, TXPOWER_LOW},     {14.99f, TXPOWER_LOW}, {15, TXPOWER_MED},
               {55, TXPOWER_MED},    {55.01f, TXPOWER_HI},  {300, TXPOWER_HI}};
  for (const auto& c : cases) EXPECT_EQ(H_XMITPOWER_eSelectTransmitPower(c.depth), c.power) << c.depth;
}

TEST(HwStubs, ValidBeamsAndBandwidthsPass) {
  for (U32 beam : {1u, 2u, 3u, 255u}) {
    H_BPF_vSetReceiverCenterFrequency(beam, 200000);
    H_RECSELECT_vConnectElementToReceiver(beam, 800000);
    H_RECSELECT_vConnectElementToReceiver(beam, 455000);
  }
  for (U32 bw = 0; bw < 4; ++bw) {
    DD_MUTE_vRequestBandwidth(bw);
    EXPECT_EQ(DD_MUTE_u32RequestedBandwidth(), bw);
    DD_MUTE_vSetBandwidth(bw);
    DD_PING_vRestoreBandwidth();
  }
  DD_MUTE_vRequestBandwidth(9);  // a request alone is only stored
  EXPECT_EQ(DD_MUTE_u32RequestedBandwidth(), 9u);
  DD_MUTE_vRequestBandwidth(0);
}

TEST(HwStubsDeathTest, InvalidBeamsAndBandwidthsAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  fs::create_directories(s_install.install);
  EXPECT_EXIT(H_BPF_vSetReceiverCenterFrequency(4, 200000), ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(H_RECSELECT_vConnectElementToReceiver(0, 200000), ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(DD_MUTE_vSetBandwidth(4), ::testing::ExitedWithCode(10), "");
  EXPECT_EXIT(
      {
        DD_MUTE_vRequestBandwidth(7);
        DD_PING_vRestoreBandwidth();
      },
      ::testing::ExitedWithCode(10), "");
  EXPECT_NE(dbtest::FatalLog().find("error: Invalid bandwidth"), std::string::npos);
  EXPECT_NE(dbtest::FatalLog().find("error: Invalid beam"), std::string::npos);
}

TEST(HwStubs, BuzzerGetsEachFrequencyAsA32BitNumber) {
  const std::string dev = PLATFORM_sResolvePath("/dev");
  fs::create_directories(dev);
  H_TONE_vStartTone(1000);  // no buzzer device: nothing happens, nothing is made
  H_TONE_vStopTone();
  EXPECT_FALSE(fs::exists(dev + "/buzzer0"));
  EXPECT_FALSE(fs::exists(dev + "/buzzer"));

  std::ofstream(dev + "/buzzer");  // the older name only
  H_TONE_vStartTone(2500);
  H_TONE_vStartTone(3100);
  H_TONE_vStopTone();
  std::ifstream in(dev + "/buzzer", std::ios::binary);
  S32 values[2] = {};
  in.read((char*)values, sizeof values);
  EXPECT_EQ(in.gcount(), (std::streamsize)sizeof values);
  EXPECT_EQ(values[0], 2500);
  EXPECT_EQ(values[1], 3100);

  opt_notone = 1;
  std::ofstream(dev + "/buzzer", std::ios::trunc);
  H_TONE_vStartTone(2500);
  H_TONE_vStopTone();
  EXPECT_EQ(fs::file_size(dev + "/buzzer"), 0u);
  opt_notone = 0;
}

TEST(HwStubs, ConverterReadWithoutAConverterEndsWithZero) {
  EXPECT_EQ(H_ADC_u16Read(2), 0);
  U32* area = H_MMU_pu32AllocateNonCachedArea(64);
  ASSERT_NE(area, nullptr);
  area[15] = 7;  // an ordinary, usable block
  free(area);
  EXPECT_EQ(FS__MMC_Init(0), -1);
  EXPECT_EQ(FS__MMC_CheckStatus(0), -1);
}

}  // namespace
