// Depths to ping and to listen, samples of a depth, and the router's drops.
#include <gtest/gtest.h>
#include <string.h>

#include "../support/db_test_env.h"
#include "common/cmd_id.h"
#include "source/core/h_database.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/t_ping_int.h"
#include "source/sonar/u_ping.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

// A changed setting as the ping task receives it.
void vApplyDepthSetting(FOURCHARID key, F32 value) {
  MESSAGE_NEW_DATA m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = key;
  m.dbValue = DB_dataFloat(value);
  m.bValid = TRUE;
  vHandleNewData(&m);
}

// The depth search keeps its state between pings: the cases run in order.
TEST(PingDepths, SearchDeepensWithoutBottomAndSettlesOnOne) {
  H_DATABASE_vInit();
  U_PING_vResetState();
  H_DATABASE_bUpdateValueFloat(FCID("CSLD"), 20.0f, P_NORMAL);
  F32 listen = 0;
  // No bottom: 1.25 × (60 + 5 × throttle), listening deeper by the factor.
  const F32 expected[] = {75.0f, 81.25f, 87.5f};
  const F32 factors[] = {1.294f, 1.345f, 1.385f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(fLocalFindDepthToPing(&listen), expected[i]) << i;
    EXPECT_NEAR(listen, (60.0f + 5 * i) * factors[i], 0.01f) << i;
  }
  // Capped by the deepest depth of the transducer (200 m at start).
  for (int i = 0; i < 40; ++i) (void)fLocalFindDepthToPing(&listen);
  EXPECT_FLOAT_EQ(fLocalFindDepthToPing(&listen), 200.0f);
  EXPECT_LE(listen, 200.0f);
  // A maximum-depth setting below 2 ft counts as automatic; 30 m caps.
  vApplyDepthSetting(FCID("SSMD"), 0.5f);
  EXPECT_FLOAT_EQ(s_db_MaximumDepthToPing, 0.0f);
  EXPECT_FLOAT_EQ(fLocalFindDepthToPing(&listen), 200.0f);
  vApplyDepthSetting(FCID("SSMD"), 30.0f);
  EXPECT_FLOAT_EQ(fLocalFindDepthToPing(&listen), 30.0f);
  EXPECT_FLOAT_EQ(listen, 30.0f);
  vApplyDepthSetting(FCID("SSMD"), 0.0f);
  // A bottom at 8 m: 1.25 × max(8, 10, CSLD 20) = 25 m, the search ends.
  H_DATABASE_bUpdateValueFloat(FCID("IDEP"), 8.0f, P_NORMAL);
  EXPECT_FLOAT_EQ(fLocalFindDepthToPing(&listen), 25.0f);
  EXPECT_FLOAT_EQ(U_PING_fGetCurrentDepth(), 8.0f);
  EXPECT_EQ(U_PING_u32GetDepthKnownCnt(), 1u);
  // Deep water with a depth known for at most 4 pings: the deepest depth.
  U_PING_vSetDeepWaterMode(TRUE);
  EXPECT_FLOAT_EQ(fLocalFindDepthToPing(&listen), 200.0f);
  EXPECT_FLOAT_EQ(listen, 200.0f);
  for (int i = 0; i < 3; ++i) (void)fLocalFindDepthToPing(&listen);
  EXPECT_FALSE(U_PING_bGetDeepWaterMode());  // known for more than 4 pings
  // IDEP missing for 4 pings: the depth-known count drops to 0.
  H_DATABASE_vInit();
  for (int i = 0; i < 4; ++i) (void)fLocalFindDepthToPing(&listen);
  EXPECT_EQ(U_PING_u32GetDepthKnownCnt(), 0u);
}

TEST(PingDepths, SamplesAndAutomaticRanges) {
  g_u32SpeedOfSoundInWater = 1463;
  EXPECT_EQ(T_N_PING_u32SamplesForDepth(350.0f), 18403u);  // the 200 kHz cap
  EXPECT_EQ(T_N_PING_u32SamplesForDepth(400.0f), 21032u);
  EXPECT_EQ(T_N_PING_u32SamplesForDepth(20.0f), 1052u);
  EXPECT_EQ(T_N_PING_u32SamplesForDepth(0.0f), 0u);
  EXPECT_EQ(T_N_PING_u32SamplesForDepth(5000.0f), 55000u);
  const struct {
    F32 setting;
    U32 units;
    bool automatic;
  } cases[] = {{0.5f, U_METRES, true},   {1.0f, U_METRES, false},  {0.6f, U_FEET, true},
               {0.61f, U_FEET, false},   {1.8f, U_FATHOMS, true},  {1.83f, U_FATHOMS, false},
               {0.1f, U_KNOTS, false}};
  for (const auto& c : cases)
    EXPECT_EQ(T_N_PING_bAutoDepthRange(c.setting, c.units) != 0, c.automatic) << c.setting << " " << c.units;
}

F32 fLowerRange = 0.0f;
F32 fFakeLowerRange(void) { return fLowerRange; }

TEST(PingDepths, JiggingFollowsTheDisplayedLowerRange) {
  T_N_HISTORY_fGetLowerRangeForDisplay_Install(&fFakeLowerRange);
  const struct {
    F32 lower, depth;
  } cases[] = {{0.0f, 12.0f}, {9.9f, 12.0f}, {10.0f, 12.0f}, {30.0f, 32.0f}};
  for (const auto& c : cases) {
    fLowerRange = c.lower;
    F32 ping = 75.0f, listen = 90.0f;
    T_N_PING_vModifyPingDepth(&ping, &listen);
    EXPECT_FLOAT_EQ(ping, c.depth) << c.lower;
    EXPECT_FLOAT_EQ(listen, c.depth) << c.lower;
  }
  T_N_HISTORY_fGetLowerRangeForDisplay_Install(nullptr);
}

TEST(PingRouter, DropsAndDeliveries) {
  H_DATABASE_vInit();
  U_PING_vResetState();
  vInitialisePingDescriptorQueue();
  ASSERT_EQ(L_QUEUE_Inquire(Q_PING), (S32)PING_DESCRIPTORS);
  while (void* p = L_MBOX_Receive(M_PROCESS)) H_MEMORY_vDumpMail(p);
  const struct {
    const char* name;
    SYSTEM_STATE state;
    BOOLEAN playback;
    BEAM beam;
    U32 transducer;
    NETWORK_CLIENT_STATE client;
    bool delivered;
  } cases[] = {
      {"live 2D", STATE_NORMAL_RUN, FALSE, 1, 1, NETWORK_CLIENT_STATE_LOCAL, true},
      {"live in playback", STATE_PLAYBACK, FALSE, 1, 1, NETWORK_CLIENT_STATE_LOCAL, false},
      {"recorded in playback", STATE_PLAYBACK, TRUE, 1, 1, NETWORK_CLIENT_STATE_CONNECTED, true},
      {"served by another unit", STATE_NORMAL_RUN, FALSE, 0, 1, NETWORK_CLIENT_STATE_CONNECTED, false},
      {"imaging served by another unit", STATE_NORMAL_RUN, FALSE, 3, 15, NETWORK_CLIENT_STATE_CONNECTED, false},
      {"imaging, 2D served", STATE_NORMAL_RUN, FALSE, 3, 15, NETWORK_CLIENT_STATE_INIT, true},
      {"simulator", STATE_SIMULATION, FALSE, 2, 15, NETWORK_CLIENT_STATE_LOCAL, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    U_PING_vSetSystemState(c.state);
    const NET_SOURCE_TYPE source = T_N_PING_eGetNetSourceType(c.beam, c.transducer);
    for (U32 s = 0; s < 4; ++s) U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_INIT, s);
    U_PING_vSetNetworkClientState(c.client, source);
    PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
    ASSERT_NE(d, nullptr);
    d->Beam = c.beam;
    d->u32NumberOfSamples = 10;
    X_pingDataDirector(source, c.playback, NETWORK_SONAR_PROCESS, FALSE, d, nullptr, nullptr);
    void* m = L_MBOX_Receive(M_PROCESS);
    EXPECT_EQ(m != nullptr, c.delivered);
    if (m != nullptr) {
      const PING_MESSAGE* pm = (const PING_MESSAGE*)m;
      EXPECT_EQ(pm->Header.Cmd, CMD_ID_SONAR_PROCESS_PING);
      EXPECT_EQ(pm->pReturnDescriptor, d);
      EXPECT_TRUE(d->bIsLocal);
      U_PING_vReturnDescriptor(pm->pReturnDescriptor);
      H_MEMORY_vDumpMail(m);
    }
    EXPECT_EQ(L_QUEUE_Inquire(Q_PING), (S32)PING_DESCRIPTORS);
  }
  // Sources by beam: beam 2 of transducer 15 is the 2D source.
  EXPECT_EQ(T_N_PING_eGetNetSourceType(2, 15), SONAR_SOURCE_2D);
  EXPECT_EQ(T_N_PING_eGetNetSourceType(2, 17), SONAR_SOURCE_DI);
  EXPECT_EQ(T_N_PING_eGetNetSourceType(3, 15), SONAR_SOURCE_DI);
  EXPECT_EQ(T_N_PING_eGetNetSourceType(1, 15), SONAR_SOURCE_2D);
  // The pool's buffers: 8 pairs of 55,000 bytes per block, none shared.
  for (U32 i = 0; i + 1 < PING_DESCRIPTORS; ++i) {
    const PING_DESCRIPTOR* a = U_PING_pGetDescriptor(i);
    EXPECT_EQ(a->pu8TvgdData, a->pu8RawSonarData + PING_MAX_SAMPLES);
    if ((i + 1) % 8 != 0) {
      EXPECT_EQ(U_PING_pGetDescriptor(i + 1)->pu8RawSonarData, a->pu8TvgdData + PING_MAX_SAMPLES);
    }
  }
}

}  // namespace
