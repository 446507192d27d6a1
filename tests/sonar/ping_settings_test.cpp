// The ping task's settings: defaults at start and after a factory reset,
// the effect of each changed key, the ISEN indication, the local road of
// the sonar sources and the refill of their shown controls. The handlers
// run here as the ping task runs them, one notice at a time.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "../support/db_test_env.h"
#include "common/cmd_id.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/t_ping_int.h"
#include "source/sonar/u_ping.h"
#include "source/startup/t_startup.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

FOURCHARID Key(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

U32 u32(const char* key) {
  U32 v = 0xDEADBEEF;
  (void)H_DATABASE_bFetchU32(Key(key), &v);
  return v;
}
F32 f32(const char* key) {
  F32 v = -1.0f;
  (void)H_DATABASE_bFetchFloat(Key(key), &v);
  return v;
}

void vNotice(const char* key, DB_DATA_TYPE value) {
  MESSAGE_NEW_DATA m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = Key(key);
  m.dbValue = value;
  m.bValid = TRUE;
  vHandleNewData(&m);
}
void vSet(const char* key, U32 value) {
  H_DATABASE_bUpdateValueU32(Key(key), value, P_NORMAL);
  vNotice(key, DB_dataU32(value));
}

// Commands that reached a mailbox, emptied.
std::vector<U32> Drain(MBOX box) {
  std::vector<U32> cmds;
  while (void* p = L_MBOX_Receive(box)) {
    cmds.push_back(((const GENERIC_MESSAGE*)p)->Cmd);
    H_MEMORY_vDumpMail(p);
  }
  return cmds;
}

// A unit in the normal state with transducer `type` found at start.
class PingSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    START_vBindMailboxes();
    H_DATABASE_vInit();
    U_PING_vResetState();
    T_N_PING_vResetSonarSources();
    vInitialisePingDescriptorQueue();
    s_u32ClientPingMask = 0;
    vWriteLocalPingMask(0);  // as the start-up task leaves them
    vWriteNetworkPingMask(0);
    s_s32LocalPingMaskSonarOff = -1;
    s_bSonarEnabled = TRUE;
    T_STARTUP_vSetSonarTransducerDetected(TRUE);
    H_DATABASE_bUpdateValueU32(FCID("ITXD"), 1, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
    U_PING_vSetSystemState(STATE_NORMAL_RUN);
  }
  void TearDown() override {
    (void)Drain(M_PING);
    (void)Drain(M_PROCESS);
  }
  void Select(U32 type) {
    H_DATABASE_bUpdateValueU32(FCID("SSTS"), type, P_NORMAL);
    vNotice("SSTS", DB_dataU32(type));
  }
};

TEST_F(PingSettings, DefaultsKeepRestoredValuesUntilAFactoryReset) {
  // Values restored from the NVRAM before the task starts.
  H_DATABASE_bUpdateValueU32(FCID("CSFL"), 50, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("SSSR"), 25.0f, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SUDP"), U_METRES, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("CSPD"), 12.0f, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 1, P_NORMAL);
  vRegisterDatabaseItems(FALSE);
  struct {
    const char* key;
    U32 atStart, afterReset;
  } u32Cases[] = {
      {"CSFL", 50, 83},  {"CSF2", 200, 200}, {"SSF5", 800, 800}, {"SSF3", 262, 262},
      {"SSSF", FCID("SSF4"), FCID("SSF4")},  {"SRPS", 11, 11},   {"TPNG", M_PING, M_PING},
      {"SUDP", U_METRES, U_METRES},  // written at 15 both times: the user's units stay
  };
  for (const auto& c : u32Cases) EXPECT_EQ(u32(c.key), c.atStart) << c.key;
  EXPECT_FLOAT_EQ(f32("SSSR"), 25.0f);
  EXPECT_FLOAT_EQ(f32("CSPD"), 0.0f);  // the last ping's depth starts at 0
  // Registration asks the database for every watched key: the task sees
  // each value once.
  EXPECT_GT(Drain(M_PING).size(), 5u);

  vRegisterDatabaseItems(TRUE);
  for (const auto& c : u32Cases) EXPECT_EQ(u32(c.key), c.afterReset) << c.key;
  EXPECT_FLOAT_EQ(f32("SSSR"), 25.0f);  // written at 14 on reset too
}

TEST_F(PingSettings, KeysChangeTheWorkingSettings) {
  vNotice("SSMD", DB_dataFloat(0.5f));  // below 2 ft: automatic
  EXPECT_FLOAT_EQ(s_db_MaximumDepthToPing, 0.0f);
  vNotice("SSMD", DB_dataFloat(0.61f));
  EXPECT_FLOAT_EQ(s_db_MaximumDepthToPing, 0.61f);
  vNotice("SSTC", DB_dataU32(9));
  vNotice("SSTP", DB_dataU32(2));
  vNotice("SLFD", DB_dataU32(40));
  vNotice("SUDP", DB_dataU32(U_FATHOMS));
  EXPECT_EQ(s_db_u32TransmitCycles, 9u);
  EXPECT_EQ(s_db_u32TransmitPower, 2u);
  EXPECT_EQ(s_u32DelayAfterLFBeamMS, 40u);
  vNotice("YSLD", DB_dataFloat(1.5f));  // 0.82 fathoms: automatic
  EXPECT_TRUE(s_bAutoDepthRange);
  vNotice("YSLD", DB_dataFloat(2.0f));
  EXPECT_FALSE(s_bAutoDepthRange);
  // Salt water, deep: the next pings search from the deepest depth.
  vNotice("YSWA", DB_dataU32(1));
  EXPECT_TRUE(U_PING_bGetDeepWaterMode());
  U_PING_vSetDeepWaterMode(FALSE);
  vNotice("SSSV", DB_dataU32(4));
  EXPECT_TRUE(U_PING_bGetDeepWaterMode());
  EXPECT_EQ(U_PING_beamGetBeamSelected(), 4);
}

TEST_F(PingSettings, SonarOffAndOnRestoresTheLocalMaskOutsideTheSimulator) {
  const struct {
    SYSTEM_STATE state;
    U32 afterOn;
  } cases[] = {{STATE_NORMAL_RUN, 5}, {STATE_SIMULATION, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    U_PING_vSetSystemState(c.state);
    s_bSonarEnabled = TRUE;
    vWriteLocalPingMask(5);
    vSet("SSEN", FALSE);
    EXPECT_EQ(u32("ELPM"), 0u);
    EXPECT_FALSE(s_bSonarEnabled);
    vSet("SSEN", TRUE);
    EXPECT_EQ(u32("ELPM"), c.afterOn);
    EXPECT_EQ(L_QUEUE_Inquire(Q_PING), (S32)PING_DESCRIPTORS);  // the null ping gave its descriptor back
  }
}

TEST_F(PingSettings, TransducerSelectionSetsShownTransducersMasksAndFrequency) {
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 15, P_NORMAL);
  ASSERT_TRUE(T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_2D));
  ASSERT_TRUE(T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_DI));
  // The imaging frequency must suit the transducer.
  const struct {
    U32 type;
    const char* sssfBefore;
    const char* sssfAfter;
  } freq[] = {{5, "SSF5", "SSF4"}, {5, "SSF3", "SSF3"}, {15, "SSF3", "SSF4"}, {15, "SSF5", "SSF5"},
              {2, "SSF3", "SSF4"}, {7, "SSF5", "SSF5"}};
  H_DATABASE_bUpdateValueU32(FCID("SSSV"), 1, P_NORMAL);
  for (const auto& c : freq) {
    SCOPED_TRACE(c.type);
    H_DATABASE_bUpdateValueU32(FCID("SSSF"), Key(c.sssfBefore), P_NORMAL);
    Select(c.type);
    EXPECT_EQ(u32("SSSF"), Key(c.sssfAfter));
  }
  // A down-looking transducer brings a side view back to the 2D beam.
  H_DATABASE_bUpdateValueU32(FCID("SSSV"), 6, P_NORMAL);
  Select(1);
  EXPECT_EQ(u32("SSSV"), 1u);

  Select(15);
  EXPECT_EQ(s_db_TransducerSelect, 15u);
  EXPECT_EQ(u32("ELPM"), 3u);
  EXPECT_EQ(u32("YST1"), 15u);
  // The 2D source taken from another unit: its element is not pinged here.
  s_u32NetworkPingMask = 1;
  Select(15);
  EXPECT_EQ(u32("ELPM"), 2u);
  s_u32NetworkPingMask = 0;
  // No transducer detected: selection 0 and nothing pinged.
  H_DATABASE_bUpdateValueU32(FCID("ITXD"), 0, P_NORMAL);
  Select(15);
  EXPECT_EQ(s_db_TransducerSelect, 0u);
  EXPECT_EQ(u32("ELPM"), 0u);
  EXPECT_EQ(u32("YST1"), 0u);
}

// The transducer's keys may be written after the system already runs (the
// start-up was quick): the sources the unit could not take then are taken
// when the selection arrives, and the sonar views come on.
TEST_F(PingSettings, TransducerKnownAfterTheSystemRunsIsStillPinged) {
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 0, P_NORMAL);
  EXPECT_FALSE(T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_2D));
  EXPECT_FALSE(T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_DI));
  T_N_PING_vSetSonarViewEnable();
  EXPECT_EQ(u32("ISEN"), 0u);
  Select(15);
  EXPECT_EQ(U_PING_eGetNetworkClientState(SONAR_SOURCE_2D), NETWORK_CLIENT_STATE_LOCAL);
  EXPECT_EQ(U_PING_eGetNetworkClientState(SONAR_SOURCE_DI), NETWORK_CLIENT_STATE_LOCAL);
  EXPECT_EQ(u32("ELPM"), 3u);
  EXPECT_EQ(u32("ISEN"), 1u);
  // A source taken from another unit stays with it.
  T_N_PING_vResetSonarSources();
  U_PING_vResetState();
  U_PING_vSetSystemState(STATE_NORMAL_RUN);
  vWriteLocalPingMask(0);
  vWriteNetworkPingMask(1);
  Select(15);
  EXPECT_NE(U_PING_eGetNetworkClientState(SONAR_SOURCE_2D), NETWORK_CLIENT_STATE_LOCAL);
  EXPECT_EQ(u32("ELPM"), 2u);
}

TEST_F(PingSettings, SimulatorSelectionShowsTheTransducerButKeepsTheMasks) {
  U_PING_vSetSystemState(STATE_SIMULATION);
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_SIMULATION, P_NORMAL);
  vWriteLocalPingMask(1);
  Select(15);
  EXPECT_EQ(u32("YST1"), 15u);
  EXPECT_EQ(u32("YST2"), 15u);
  Select(1);  // a 2D-only transducer: no imaging shown
  EXPECT_EQ(u32("YST1"), 1u);
  EXPECT_EQ(u32("YST2"), 0u);
  EXPECT_EQ(u32("ELPM"), 1u);
}

TEST_F(PingSettings, SonarViewsEnabled) {
  const struct {
    const char* name;
    bool networked, playback, sonarOn;
    U32 itxd;
    NETWORK_CLIENT_STATE twoD;
    BOOLEAN isen;
  } cases[] = {
      {"local transducer", false, false, true, 1, NETWORK_CLIENT_STATE_LOCAL, TRUE},
      {"sonar off", false, false, false, 1, NETWORK_CLIENT_STATE_LOCAL, FALSE},
      {"no transducer", false, false, true, 0xFFFFFFFF, NETWORK_CLIENT_STATE_LOCAL, FALSE},
      {"source not local", false, false, true, 1, NETWORK_CLIENT_STATE_DISCONNECTED, FALSE},
      {"playback", false, true, false, 0, NETWORK_CLIENT_STATE_INIT, TRUE},
      {"served by another unit", true, false, true, 0, NETWORK_CLIENT_STATE_CONNECTED, TRUE},
      {"connected but not networked", false, false, true, 0, NETWORK_CLIENT_STATE_CONNECTED, FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_bUpdateValueBoolean(FCID("SFEF"), c.networked ? TRUE : FALSE, P_NORMAL);
    U_PING_vSetPlayback(c.playback ? TRUE : FALSE);
    H_DATABASE_bUpdateValueBoolean(FCID("SSEN"), c.sonarOn ? TRUE : FALSE, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("ITXD"), c.itxd, P_NORMAL);
    U_PING_vSetNetworkClientState(c.twoD, SONAR_SOURCE_2D);
    T_N_PING_vSetSonarViewEnable();
    EXPECT_EQ(u32("ISEN"), (U32)c.isen);
  }
}

TEST_F(PingSettings, ChosenUnitMovesASourceBetweenLocalAndNetwork) {
  constexpr U32 OWN = 0x123456, OTHER = 0x654321;
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 15, P_NORMAL);
  // Without the unit's own identifier a choice changes nothing.
  T_N_PING_vUpdateSonarSource((S32)OWN, SONAR_SOURCE_2D);
  EXPECT_EQ(U_PING_eGetNetworkClientState(SONAR_SOURCE_2D), NETWORK_CLIENT_STATE_INIT);
  H_DATABASE_bUpdateValueU32(FCID("SMAC"), 0xAB000000 | OWN, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSES"), 1, P_NORMAL);
  const struct {
    const char* name;
    S32 unit;
    NETWORK_CLIENT_STATE state;
    U32 elpm;
  } steps[] = {
      {"own unit from the start", (S32)OWN, NETWORK_CLIENT_STATE_LOCAL, 0},
      {"own unit again", (S32)OWN, NETWORK_CLIENT_STATE_LOCAL, 1},
      {"another unit", (S32)OTHER, NETWORK_CLIENT_STATE_DISCONNECTED, 0},
      {"back to the own unit", (S32)OWN, NETWORK_CLIENT_STATE_LOCAL, 1},  // follows SSES bit 0
      {"no unit", -1, NETWORK_CLIENT_STATE_LOCAL, 1},
  };
  vWriteNetworkPingMask(1);
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    T_N_PING_vUpdateSonarSource(s.unit, SONAR_SOURCE_2D);
    EXPECT_EQ(U_PING_eGetNetworkClientState(SONAR_SOURCE_2D), s.state);
    EXPECT_EQ(u32("ELPM") & 1, s.elpm);
    EXPECT_EQ(T_N_PING_u32SonarSourceMAC(SONAR_SOURCE_2D), (U32)s.unit & 0xFFFFFF);
  }
  EXPECT_EQ(u32("ENPM"), 0u);
  EXPECT_EQ(u32("YST1"), 15u);
}

TEST_F(PingSettings, SwitchingToLocalNeedsTheTransducerToOfferTheSource) {
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 1, P_NORMAL);  // 2D only
  vWriteNetworkPingMask(3);
  EXPECT_FALSE(T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_DI));
  EXPECT_EQ(U_PING_eGetNetworkClientState(SONAR_SOURCE_DI), NETWORK_CLIENT_STATE_INIT);
  EXPECT_FALSE(T_N_PING_vSwitchToLocalSonar(7));
  EXPECT_TRUE(T_N_PING_vSwitchToLocalSonar(SONAR_SOURCE_2D));
  EXPECT_EQ(U_PING_eGetNetworkClientState(SONAR_SOURCE_2D), NETWORK_CLIENT_STATE_LOCAL);
  EXPECT_EQ(u32("ELPM"), 1u);
  EXPECT_EQ(u32("ENPM"), 2u);
  EXPECT_EQ(u32("YST1"), 1u);
  H_DATABASE_bUpdateValueU32(FCID("ECPM"), 4, P_NORMAL);
  EXPECT_EQ(T_N_PING_u32GetSourcesToPingOnLocalTx(), 5u);
  EXPECT_EQ(T_N_PING_u32GetSourcesSelectedByLocal(), 3u);
}

TEST_F(PingSettings, RefillingShownControlsFromTheSavedOnes) {
  H_DATABASE_bUpdateValueU32(FCID("SSDA"), 7, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("YSDA"), 3, P_NORMAL);
  // A saved key not written yet leaves its shown control alone (a 0 would
  // travel back into the saved key as a change).
  H_DATABASE_bUpdateValueU32(FCID("YSFA"), 3, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("MHBT"), 4, P_NORMAL);
  T_N_PING_vUpdateLocalDatabaseItems(SONAR_SOURCE_2D);
  EXPECT_EQ(u32("YSDA"), 7u);
  EXPECT_EQ(u32("YSFA"), 3u);
  EXPECT_EQ(u32("YHBT"), 0xDEADBEEFu);  // a 360 control: untouched
  T_N_PING_vUpdateLocalDatabaseItems(SONAR_SOURCE_360);
  EXPECT_EQ(u32("YHBT"), 4u);
  EXPECT_EQ(u32("YBMT"), 255u);  // missing saved key: 255, not 0
}

BOOLEAN bReverseInReverseModes(U32 u32Mode, BOOLEAN bOld) {
  (void)bOld;
  return u32Mode >= 2 && u32Mode <= 5 ? TRUE : FALSE;
}

TEST_F(PingSettings, PlaybackModeTellsProcessingAndSeeksOnADirectionChange) {
  T_N_HISTORY_bReverseScrollForMode_Install(&bReverseInReverseModes);
  (void)Drain(M_PROCESS);
  s_u32PlaybackMode = PLAYBACK_MODE_STOP;
  s_bNeedSeekPing = FALSE;
  s_bPingReverseScroll = FALSE;
  const struct {
    U32 mode;
    bool told, seek;
  } steps[] = {{PLAYBACK_MODE_STOP, false, false}, {4, true, true}, {4, false, false},
               {PLAYBACK_MODE_END_FILL, true, false}, {9, true, false}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.mode);
    s_bNeedSeekPing = FALSE;
    vNotice("CPSP", DB_dataU32(s.mode));
    EXPECT_EQ(Drain(M_PROCESS), s.told ? std::vector<U32>{CMD_ID_NEW_PLAYBACK_STATE} : std::vector<U32>{});
    EXPECT_EQ(s_bNeedSeekPing != FALSE, s.seek);
    EXPECT_EQ(s_u32PlaybackMode, s.mode);
  }
  T_N_HISTORY_bReverseScrollForMode_Install(nullptr);
}

TEST_F(PingSettings, BlankPingScrollsAColumnAndReturnsItsDescriptor) {
  (void)Drain(M_PROCESS);
  PING_DESCRIPTOR* d = U_PING_pTakeDescriptor();
  d->Beam = 2;
  X_pingDataDirector(SONAR_SOURCE_DI, TRUE, NETWORK_SONAR_PROCESS_BLANK, FALSE, d, nullptr, nullptr);
  EXPECT_EQ(L_QUEUE_Inquire(Q_PING), (S32)PING_DESCRIPTORS);
  void* p = L_MBOX_Receive(M_PROCESS);
  ASSERT_NE(p, nullptr);
  const auto* m = (const MSG_BLANK_SCROLL_PING*)p;
  EXPECT_EQ(m->Header.Cmd, CMD_ID_BLANK_SCROLL_PING);
  EXPECT_EQ(m->Beam, 2);
  H_MEMORY_vDumpMail(p);
}

}  // namespace
