// Threading test: also runs under ThreadSanitizer.
// The processing task and its depth choice: the best-depth sequences across
// beams, publication at most every 250 ms and never of a depth that is not
// positive, and through mailbox 9 the keel offset, the blank ping, the
// disabled sonar and the ping-period restart.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "../support/db_test_env.h"
#include "../support/wait_for.h"
#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/platform/platform.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/sonar_install.h"
#include "source/sonar/t_process.h"
#include "source/sonar/u_ping.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bInstalled = (SONAR_vInstall(), true);
constexpr SEMA SYNC_SEMA = SEMA_MBOX_CHART;

void Sync() {
  auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_PROCESS, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

void SendPing(PING_DESCRIPTOR* d) {
  auto* m = (PING_MESSAGE*)H_MEMORY_pvMalloc(sizeof(PING_MESSAGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_SONAR_PROCESS_PING;
  m->pReturnDescriptor = d;
  ASSERT_EQ(L_MBOX_Send(M_PROCESS, m, 3, 0), lsSUCCESS);
  Sync();
}

struct BEST_CASE {
  U32 water;
  F32 f200, fLF, fShort;
  F32 best;
};

class BestDepth : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    (void)s_install;
    H_DATABASE_vInit();
  }
  void SetUp() override {
    T_N_PROCESS_vResetState();
    H_DATABASE_bUpdateValueU32(FCID("SSTS"), 1, P_NORMAL);  // not a two-beam transducer
  }
};

TEST_F(BestDepth, FirstCallsByWaterAndRange) {
  const BEST_CASE cases[] = {
      {WATER_SALT_DEEP, 100, 105, 0, 100},  // close: the 200 kHz depth
      {WATER_SALT_DEEP, 160, 105, 0, 105},  // 200 kHz beyond 150 m
      {WATER_FRESH, 0, 120, 0, 0},          // a low-frequency depth alone must lie beyond 150 m
      {WATER_FRESH, 0, 160, 0, 160},
      {WATER_FRESH, 100, 0, 4, 4},  // a short-transmit depth of at most 6 m
  };
  for (const auto& c : cases) {
    T_N_PROCESS_vResetState();
    T_N_PROCESS_vSetDepthChoice(c.water, 100.0f, 1, 0);
    EXPECT_FLOAT_EQ(T_N_PROCESS_fSelectBestDepthInMeters(c.f200, c.fLF, c.fShort), c.best)
        << c.water << " " << c.f200 << " " << c.fLF << " " << c.fShort;
  }
}

TEST_F(BestDepth, CountersSteerTheRepeatedChoice) {
  T_N_PROCESS_vSetDepthChoice(WATER_SALT_DEEP, 100.0f, 1, 0);
  std::vector<F32> got;
  for (int call = 1; call <= 10; ++call) got.push_back(T_N_PROCESS_fSelectBestDepthInMeters(160, 105, 0));
  // Calls 1 to 5: rule (g); 6 and 7: the 200 kHz depth alone (d); from 8 on
  // the short transmit has failed long enough (a).
  EXPECT_EQ(got, (std::vector<F32>{105, 105, 105, 105, 105, 160, 160, 105, 105, 105}));
}

TEST_F(BestDepth, OutsideEvaluationChangesNoCounter) {
  T_N_PROCESS_vSetDepthChoice(WATER_SALT_DEEP, 100.0f, 1, 0);
  for (int i = 0; i < 3; ++i) (void)T_N_PROCESS_fSelectBestDepthInMeters(160, 105, 0);
  const BEAM_DEPTH_HISTORY before = T_N_PROCESS_sBeamDepthHistory();
  const U32 s160 = (U32(160.0 * 2000000.0 / 1463) + 13) / 26, s105 = (U32(105.0 * 2000000.0 / 1463) + 13) / 26;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(T_N_PROCESS_u32SelectBestDepthInSamples(s160, s105), s105);
  const BEAM_DEPTH_HISTORY after = T_N_PROCESS_sBeamDepthHistory();
  EXPECT_EQ(after.u32HFBeamValidCnt, before.u32HFBeamValidCnt);
  EXPECT_EQ(after.u32ShortTxBeamInValidCnt, before.u32ShortTxBeamInValidCnt);
}

TEST_F(BestDepth, TwoBeamRuleOfTheDownImagingTransducers) {
  T_N_PROCESS_vSetDepthChoice(WATER_FRESH, 0.0f, 1, 0);
  EXPECT_FLOAT_EQ(T_N_PROCESS_fSelectBestDepthInMetersDIModels(12.1f, 12.0f), 12.0f);  // 455 kHz below 30 m
  EXPECT_FLOAT_EQ(T_N_PROCESS_fSelectBestDepthInMetersDIModels(40.0f, 35.0f), 40.0f);
  EXPECT_FLOAT_EQ(T_N_PROCESS_fSelectBestDepthInMetersDIModels(0.0f, 35.0f), 35.0f);
  T_N_PROCESS_vSetDepthChoice(WATER_SALT_DEEP, 100.0f, 1, 0);
  EXPECT_FLOAT_EQ(T_N_PROCESS_fSelectBestDepthInMetersDIModels(40.0f, 20.0f), 40.0f);  // range at most 350 m
}

// The task itself, on the test clock.
class ProcessTask : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    (void)s_bInstalled;
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    START_vBindMailboxes();
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    vInitialisePingDescriptorQueue();
    H_DATABASE_bUpdateValueU32(FCID("SSTS"), 1, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("YST1"), 1, P_NORMAL);
    ASSERT_EQ(L_TASK_Start(TASK_PROCESSTASK), lsSUCCESS);
    L_SEMA_Signal(SEMA_TNHIST_WAIT);  // no history task here
    U32 mbox = 0;
    ASSERT_TRUE(WaitFor([&] { return H_DATABASE_bFetchU32(FCID("TSNR"), &mbox); }));
    Sync();
  }
  PING_DESCRIPTOR* Take(U32 samples, U8 cycles = 10) {
    PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
    d->Beam = 1;
    d->u8TransmitCycles = cycles;
    d->u32NumberOfSamples = samples;
    d->u32SamplePeriodMicroSeconds = 26;
    d->u32TransmitFrequencyHertz = 200000;
    d->u8Transducer = 1;
    d->bIsLocal = TRUE;
    d->bSimulated = FALSE;
    d->u32TimeStampMilliSeconds = (U32)L_CLOCK_qwGetTimeInMillis();
    memset(d->pu8RawSonarData, 0, PING_MAX_SAMPLES);
    return d;
  }
};

TEST_F(ProcessTask, KeelOffsetsOfTwoCentimetresShiftNothing) {
  struct {
    F32 offset;
    F32 feet;
    U32 samples;
  } cases[] = {{0.02f, (F32)(0.02 * 3.2808333290409095), 100},
               {-0.02f, 0.0f, 100},
               {1.0f, (F32)(1.0 * 3.2808333290409095), 100 + 53},  // (1367 + 13) / 26
               {-1.0f, 0.0f, 100 - 53}};
  for (const auto& c : cases) {
    H_DATABASE_bUpdateValueFloat(FCID("YDPO"), c.offset, P_NORMAL);
    PING_DESCRIPTOR* d = Take(100);
    d->pu8RawSonarData[60] = 250;
    SendPing(d);
    EXPECT_FLOAT_EQ(d->fDepthOffsetFeet, c.feet) << c.offset;
    EXPECT_EQ(d->u32NumberOfSamples, c.samples) << c.offset;
    const U32 at = c.offset > 0.03f ? 60 + 53 : c.offset < -0.03f ? 60 - 53 : 60;
    EXPECT_EQ(d->pu8RawSonarData[at], 250) << c.offset;
  }
  H_DATABASE_bUpdateValueFloat(FCID("YDPO"), 0.0f, P_NORMAL);
  // A shift past the buffer leaves a blank full ping.
  H_DATABASE_bUpdateValueFloat(FCID("YDPO"), 1100.0f, P_NORMAL);
  PING_DESCRIPTOR* d = Take(1000);
  d->pu8RawSonarData[10] = 250;
  SendPing(d);
  EXPECT_EQ(d->u32NumberOfSamples, PING_MAX_SAMPLES);
  EXPECT_EQ(d->pu8RawSonarData[10], 0);
  H_DATABASE_bUpdateValueFloat(FCID("YDPO"), 0.0f, P_NORMAL);
}

TEST_F(ProcessTask, BlankPingChangesNoAccumulatorAndDisabledLocalPingsReturnAtOnce) {
  RETURN_ACCUMULATOR* before = new RETURN_ACCUMULATOR;
  RETURN_ACCUMULATOR* after = new RETURN_ACCUMULATOR;
  PING_DESCRIPTOR* d = Take(200);
  memset(d->pu8RawSonarData, 240, 200);
  SendPing(d);
  S_ACCUM_vSnapshot(1, before);
  SendPing(Take(300, 0));  // transmit cycles 0: a blank ping
  S_ACCUM_vSnapshot(1, after);
  EXPECT_EQ(after->u32RtsSamples, before->u32RtsSamples);
  EXPECT_EQ(memcmp(after->pu8RtsData, before->pu8RtsData, 300), 0);
  // ISEN FALSE: a local ping goes back untouched; a network ping is processed.
  H_DATABASE_bUpdateValueBoolean(FCID("ISEN"), FALSE, P_NORMAL);
  Sync();
  d = Take(400);
  SendPing(d);
  S_ACCUM_vSnapshot(1, after);
  EXPECT_EQ(after->u32RtsSamples, before->u32RtsSamples);
  d = Take(400);
  d->bIsLocal = FALSE;
  SendPing(d);
  S_ACCUM_vSnapshot(1, after);
  EXPECT_EQ(after->u32RtsSamples, 400u);
  H_DATABASE_bUpdateValueBoolean(FCID("ISEN"), TRUE, P_NORMAL);
  Sync();
  delete before;
  delete after;
}

TEST_F(ProcessTask, PingPeriodRestartsOnAJump) {
  auto Period = [] {
    U32 v = 0;
    H_DATABASE_bFetchU32(FCID("CSPT"), &v);
    return v;
  };
  for (int i = 0; i < 70; ++i) {
    PLATFORM_vTestClockAdvanceMs(100);
    SendPing(Take(50));
  }
  EXPECT_EQ(Period(), 100u);
  PLATFORM_vTestClockAdvanceMs(160);  // more than 1.5 times the average
  SendPing(Take(50));
  EXPECT_EQ(Period(), 160u);
  PLATFORM_vTestClockAdvanceMs(70);  // less than half of it
  SendPing(Take(50));
  EXPECT_EQ(Period(), 70u);
}

TEST_F(ProcessTask, DepthIsPublishedAtMostEvery250Milliseconds) {
  auto Idep = [] {
    F32 v = 0;
    H_DATABASE_bFetchFloat(FCID("IDEP"), &v);
    return v;
  };
  PLATFORM_vTestClockAdvanceMs(1000);
  T_N_PROCESS_vUpdateDepthInDatabase(5.0f);
  EXPECT_FLOAT_EQ(Idep(), 5.0f);
  PLATFORM_vTestClockAdvanceMs(200);
  T_N_PROCESS_vUpdateDepthInDatabase(6.0f);
  EXPECT_FLOAT_EQ(Idep(), 5.0f);
  PLATFORM_vTestClockAdvanceMs(100);
  T_N_PROCESS_vUpdateDepthInDatabase(-1.0f);  // not positive: never published
  EXPECT_FLOAT_EQ(Idep(), 5.0f);
  PLATFORM_vTestClockAdvanceMs(300);
  T_N_PROCESS_vUpdateDepthInDatabase(7.0f);
  EXPECT_FLOAT_EQ(Idep(), 7.0f);
}

}  // namespace
