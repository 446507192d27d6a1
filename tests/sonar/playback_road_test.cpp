// Threading test
// The playback reader as a task: a recording made in a folder of its own is
// read at its pace and routed to processing (mailbox 9) beam by beam; CSBP
// follows the beams read, the end of the data pauses the playback at its
// end (CPSP 16), and every descriptor comes back to the pool.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "../support/db_test_env.h"
#include "../support/wait_for.h"
#include "common/cmd_id.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/platform/platform.h"
#include "source/sonar/sonar_install.h"
#include "source/sonar/t_ping.h"
#include "source/startup/t_mmc_record.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bInstalled = (SONAR_vInstall(), true);

U32 Key(FOURCHARID key) {
  U32 v = 0xFFFF;
  (void)H_DATABASE_bFetchU32(key, &v);
  return v;
}

TEST(PlaybackRoad, RecordedPingsReachProcessingUntilTheEndPausesPlayback) {
  (void)s_bInstalled;
  std::filesystem::create_directories(PLATFORM_sResolvePath("/rec/RECORD"));
  std::vector<U8> samples(PING_MAX_SAMPLES, 0x33);
  PING_DESCRIPTOR d{};
  d.pu8RawSonarData = samples.data();
  d.u32NumberOfSamples = 100;
  ASSERT_TRUE(T_MMC_bOpenSonarMMCFilesIn("/rec/RECORD"));
  for (U32 i = 0; i < 12; ++i) {
    d.Beam = (BEAM)(i % 2);
    d.u32TimeStampMilliSeconds = 20 * i;
    T_MMC_vSaveRawDataToMMC(&d);
  }
  T_MMC_vCloseSonarMMCFiles(FALSE);

  START_vBindMailboxes();
  vInitialisePingDescriptorQueue();
  U_PING_vSetSystemState(STATE_PLAYBACK);
  U_PING_vSetPlayback(TRUE);
  T_N_PING_vResetPlayback();
  ASSERT_TRUE(MMC_RECORD_bOpenPlaybackFile(TRUE, "/rec/RECORD/R00001.DAT"));
  H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_FORWARD, P_NORMAL);
  L_TASK_Start(TASK_PINGRECORDREADTASK);

  // The test stands in for processing: it takes mailbox 9's pings by beam
  // and gives the descriptors back.
  U32 pings[4] = {};
  std::vector<U32> stamps;
  const bool ended = WaitFor([&] {
    while (void* m = L_MBOX_Receive(M_PROCESS)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)m;
      if (g->Cmd == CMD_ID_SONAR_PROCESS_PING) {
        PING_DESCRIPTOR* p = ((const PING_MESSAGE*)m)->pReturnDescriptor;
        if (p->Beam < 4) ++pings[p->Beam];
        stamps.push_back(p->u32TimeStampMilliSeconds);
        U_PING_vReturnDescriptor(p);
      }
      H_MEMORY_vDumpMail(m);
    }
    return Key(FCID("CPSP")) == PLAYBACK_MODE_PAUSED_END && L_QUEUE_Inquire(Q_PING) == (S32)PING_DESCRIPTORS;
  });
  ASSERT_TRUE(ended);
  // Six pings a beam: the last of each ends the beam and is not played.
  EXPECT_EQ(pings[0], 5u);
  EXPECT_EQ(pings[1], 5u);
  EXPECT_EQ(pings[2] + pings[3], 0u);
  EXPECT_EQ(stamps, (std::vector<U32>{0, 20, 40, 60, 80, 100, 120, 140, 160, 180}));
  EXPECT_EQ(Key(FCID("CSBP")), 0u);
  (void)MMC_RECORD_bOpenPlaybackFile(FALSE, nullptr);
}

TEST(PlaybackRoad, ReadBeamCountdown) {
  T_N_PING_vResetPlayback();
  EXPECT_EQ(Key(FCID("CSBP")), 0u);
  vUpdateReadBeamPinging(1, FALSE, FALSE);
  EXPECT_EQ(Key(FCID("CSBP")), 2u);
  vUpdateReadBeamPinging(7, FALSE, FALSE);  // no such beam: no change
  EXPECT_EQ(Key(FCID("CSBP")), 2u);
  for (int i = 0; i < 12; ++i) vUpdateReadBeamPinging(0, FALSE, FALSE);
  EXPECT_EQ(Key(FCID("CSBP")), 3u);  // beam 1's countdown of 12 ran out only now
  vUpdateReadBeamPinging(0, FALSE, FALSE);
  EXPECT_EQ(Key(FCID("CSBP")), 1u);
  vUpdateReadBeamPinging(0, FALSE, TRUE);
  EXPECT_EQ(Key(FCID("CSBP")), 0u);
}

}  // namespace
