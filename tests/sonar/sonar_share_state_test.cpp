// The sharing state of the ping task, driven through its handlers with
// messages as the message layer hands them over (no peer answers here, so
// every send to a peer fails): which lists a registration enters and which
// ECPM bits follow, who may change a shared control, the depth floor, the
// send-error limit, and what a lost server leaves behind.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "../support/db_test_env.h"
#include "common/cmd_id.h"
#include "common/u_srvmonitor.h"
#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/t_ping_share.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

const U32 CLIENT = GSOCKET_u32Address(127, 0, 31, 3);
const U32 OTHER = GSOCKET_u32Address(127, 0, 31, 4);
const U32 SERVER = GSOCKET_u32Address(10, 1, 7, 9);

U32 Key(FOURCHARID k) {
  U32 v = 0xEEEEEEEE;
  H_DATABASE_bFetchU32(k, &v);
  return v;
}

void Drain(MBOX m) {
  while (void* p = L_MBOX_Receive(m)) H_MEMORY_vDumpMail(p);
}

class SonarShareState : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)s_install;
    T_N_PING_vResetShare();
    for (U32 s = 0; s < 4; ++s) U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_INIT, s);
    for (FOURCHARID k : {FCID("ELPM"), FCID("ECPM"), FCID("ENPM")}) H_DATABASE_bUpdateValueU32(k, 0, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SMAC"), 0x001F03, P_NORMAL);
    Drain(M_SLPCLIENT);
    Drain(M_SUDPIN);
    Drain(M_PING);
  }
  void TearDown() override {
    Drain(M_SLPCLIENT);
    Drain(M_SUDPIN);
    Drain(M_PING);
  }
  static GMSG_INFO From(U32 ip, void* body) {
    GMSG_INFO i;
    memset(&i, 0, sizeof i);
    GMSG_vMakeSocketAddress(&i.Header.SrcAddress, ip, SONAR_SHARE_PORT);
    i.pStructMsg = body;
    return i;
  }
  static void Request(U32 ip, U32 reg, U32 source) {
    sonarRequestDataType b{reg, 55000, source};
    GMSG_INFO i = From(ip, &b);
    T_N_PING_bHandleNewDataRequest(M_PING, &i, nullptr, nullptr);
  }
  static void Control(U32 ip, FOURCHARID key, U32 value, U32 advise = 0) {
    controlChangeType b{key, value, advise};
    GMSG_INFO i = From(ip, &b);
    T_N_PING_bHandleControlChangeRecieve(M_PING, &i, nullptr, nullptr);
  }
  // A source taken from SERVER, in the given state.
  static void Served(U32 source, NETWORK_CLIENT_STATE state) {
    GMSG_ADDRESS a;
    GMSG_vMakeSocketAddress(&a, SERVER, SONAR_SHARE_PORT);
    U_PING_vSetServerAddress(a, source);
    U_PING_vSetNetworkClientState(state, source);
    H_DATABASE_bUpdateValueU32(FCID("ENPM"), Key(FCID("ENPM")) | (1u << source), P_NORMAL);
  }
};

TEST_F(SonarShareState, RegistrationsFillListsAndClientPingMask) {
  struct STEP {
    U32 ip, reg, source;
    U32 list0, list1, list2, ecpm;
  };
  struct CASE {
    const char* name;
    std::vector<STEP> steps;
  } cases[] = {
      {"2D client, twice, then gone", {{CLIENT, 1, 0, 1, 0, 0, 1}, {CLIENT, 1, 0, 1, 0, 0, 1}, {CLIENT, 0, 0, 0, 0, 0, 0}}},
      {"DI client enters both imaging lists", {{CLIENT, 1, 1, 0, 1, 1, 2}, {CLIENT, 0, 1, 0, 0, 0, 0}}},
      {"SI request sets its own bit", {{CLIENT, 1, 2, 0, 1, 1, 4}, {CLIENT, 0, 2, 0, 0, 0, 0}}},
      {"two DI clients, one leaves", {{CLIENT, 1, 1, 0, 1, 1, 2}, {OTHER, 1, 1, 0, 2, 2, 2}, {CLIENT, 0, 1, 0, 1, 1, 2}}},
      {"360 enters no list", {{CLIENT, 1, 3, 0, 0, 0, 0}}},
  };
  for (const CASE& c : cases) {
    SetUp();
    for (const STEP& s : c.steps) {
      Request(s.ip, s.reg, s.source);
      EXPECT_EQ(T_N_PING_u32ClientCount(0), s.list0) << c.name;
      EXPECT_EQ(T_N_PING_u32ClientCount(1), s.list1) << c.name;
      EXPECT_EQ(T_N_PING_u32ClientCount(2), s.list2) << c.name;
      EXPECT_EQ(Key(FCID("ECPM")), s.ecpm) << c.name;
    }
  }
  SetUp();
  Request(CLIENT, 1, 3);
  EXPECT_TRUE(T_N_PING_bAnyDestination()) << "a 360 client is still a destination";
}

TEST_F(SonarShareState, OnlyServerAndClientsChangeSharedControls) {
  H_DATABASE_bUpdateValueU32(FCID("ELPM"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSWA"), 0, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSNF"), 0, P_NORMAL);
  Request(CLIENT, 1, 0);
  struct CASE {
    const char* name;
    U32 from;
    FOURCHARID key;
    U32 value;
    FOURCHARID target;
    U32 expected;
  } cases[] = {
      {"registered client, shown key", CLIENT, FCID("YSWA"), 2, FCID("SSWA"), 2},
      {"a stranger", OTHER, FCID("YSWA"), 1, FCID("SSWA"), 2},
      {"water type outside its table", CLIENT, FCID("YSWA"), 7, FCID("SSWA"), 2},
      {"key in no row", CLIENT, FCID("ABCD"), 1, FCID("ABCD"), 0xEEEEEEEE},
      {"a key of a source the client does not take", CLIENT, FCID("YSSF"), FCID("SSF5"), FCID("SSSF"), 0xEEEEEEEE},
      {"registered client, any value", CLIENT, FCID("YSNF"), 0x12345, FCID("SSNF"), 0x12345},
  };
  for (const CASE& c : cases) {
    Control(c.from, c.key, c.value);
    EXPECT_EQ(Key(c.target), c.expected) << c.name;
  }
}

TEST_F(SonarShareState, DomesticModelTakesFeetForMetres) {
  Request(CLIENT, 1, 0);
  struct CASE {
    U32 model, sent, kept;
  } cases[] = {{MODEL_DOMESTIC, U_METRES, U_FEET}, {MODEL_DEFAULT, U_METRES, U_METRES},
               {MODEL_DOMESTIC, U_FATHOMS, U_FATHOMS}};
  for (const CASE& c : cases) {
    H_DATABASE_bUpdateValueU32(FCID("SMDL"), c.model, P_NORMAL);
    Control(CLIENT, FCID("YUDP"), c.sent);
    EXPECT_EQ(Key(FCID("SUDP")), c.kept) << c.model;
  }
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), MODEL_DEFAULT, P_NORMAL);
}

TEST_F(SonarShareState, ControlFromServerConnectsRegisteringSource) {
  Served(0, NETWORK_CLIENT_STATE_REGISTER);
  Control(SERVER, FCID("SSLD"), 0x41A00000u, 1);  // 20 m, with advise
  EXPECT_EQ(U_PING_eGetNetworkClientState(0), NETWORK_CLIENT_STATE_CONNECTED);
  EXPECT_EQ(Key(FCID("YSLD")), 0x41A00000u) << "the shown key follows the server's saved one";
  EXPECT_EQ(Key(FCID("ENPM")), 1u);
  EXPECT_EQ(Key(FCID("ELPM")) & 1, 0u);
  auto* m = (NETWORK_SERVER_CONNECT_MESSAGE*)L_MBOX_Receive(M_SLPCLIENT);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Header.Cmd, CMD_ID_NETWORK_SERVER_CONNECT_MESSAGE);
  EXPECT_EQ(m->sServerAddress.uAddr.Socket.u32Address, SERVER);
  H_MEMORY_vDumpMail(m);
}

TEST_F(SonarShareState, ClientDepthsHaveAFloor) {
  Request(CLIENT, 1, 0);
  struct CASE {
    U32 from;
    F32 listen, ping, wantListen, wantPing;
  } cases[] = {
      {CLIENT, 5.0f, 4.0f, 10.0f, 10.0f},
      {CLIENT, 30.0f, 25.0f, 30.0f, 25.0f},
      {OTHER, 80.0f, 80.0f, 30.0f, 25.0f},  // not a client: nothing changes
      {CLIENT, -1.0f, __builtin_nanf(""), 10.0f, 10.0f},
  };
  for (const CASE& c : cases) {
    sonarPingDepthType b{c.listen, c.ping};
    GMSG_INFO i = From(c.from, &b);
    T_N_PING_bHandleReceivePingDepth(M_PING, &i, nullptr, nullptr);
    F32 l = 0, p = 0;
    ASSERT_TRUE(T_N_PING_bGetClientDepths(&l, &p));
    EXPECT_EQ(l, c.wantListen);
    EXPECT_EQ(p, c.wantPing);
  }
}

// Every send fails here: the eleventh failure in a row disconnects. The
// registration's own synchronisation sends count too.
TEST_F(SonarShareState, ClientDroppedAtEleventhFailedSendInARow) {
  H_DATABASE_bUpdateValueU32(FCID("ELPM"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("SSLD"), 0, P_NORMAL);
  U32 synced = 0;
  const FCID_TRANSLATE_TYPE* t = S_SHARE_pTranslateTable();
  for (U32 i = 0; i < SONAR_SHARED_CONTROLS; ++i) {
    U32 v;
    BOOLEAN valid = FALSE;
    if ((t[i].u32SonarSources & 1) && H_DATABASE_bFetchU32(t[i].fcidSavedSetting, &v, &valid) && valid) ++synced;
  }
  ASSERT_LT(synced, 11u);
  Request(CLIENT, 1, 0);
  for (U32 i = synced + 1; i <= 10; ++i) T_N_PING_bControlChangeSend(FCID("SSLD"), i, 0, nullptr);
  EXPECT_TRUE(T_N_PING_bAnyDestination()) << "ten failures in a row";
  T_N_PING_bControlChangeSend(FCID("SSLD"), 11, 0, nullptr);
  EXPECT_FALSE(T_N_PING_bAnyDestination()) << "the eleventh";
}

// A shown key of a source this unit only serves has no saved partner in
// the call: nothing goes to the clients (no send, so no failure counts).
TEST_F(SonarShareState, ShownKeyWithoutSavedPartnerSendsNothing) {
  Request(CLIENT, 1, 0);
  for (int i = 0; i < 20; ++i) T_N_PING_bControlChangeSend(FCID("YSLD"), (U32)i, 0, nullptr);
  EXPECT_TRUE(T_N_PING_bAnyDestination());
  for (int i = 0; i < 11; ++i) T_N_PING_bControlChangeSend(FCID("SSLD"), (U32)i, 0, nullptr);
  EXPECT_FALSE(T_N_PING_bAnyDestination()) << "the saved key does go out (and fails)";
}

TEST_F(SonarShareState, LostServerByCause) {
  struct CASE {
    const char* name;
    U32 source;
    bool monitor;
    U32 reason, lostValue, port;
    const char* group;
  } cases[] = {
      {"2D monitor time-out", 0, true, CONNECTION_LOST_TIMEOUT, DIA_SONAR_2D_SOURCE_LOST, 50880, "239.0.7.9"},
      {"DI connection dropped", 1, false, CONNECTION_LOST_DISCONNECT, DIA_SONAR_DI_SOURCE_LOST, 50882, "239.2.7.9"},
  };
  for (const CASE& c : cases) {
    SetUp();
    Request(CLIENT, 1, 0);
    Served(c.source, NETWORK_CLIENT_STATE_CONNECTED);
    H_DATABASE_bUpdateValueU32(c.source == 0 ? FCID("YST1") : FCID("YST2"), 15, P_NORMAL);
    if (c.monitor) {
      MSG_SERVER_MONITOR_TIMEOUT m;
      memset(&m, 0, sizeof m);
      m.Header.Cmd = CMD_ID_SERVER_MONITOR_TIMEOUT;
      GMSG_vMakeSocketAddress(&m.ServerAddress, SERVER, SONAR_SHARE_PORT);
      T_N_PING_bHandlePeerDisconnect(&m, TRUE);
    } else {
      MSG_GMSG_DISCONNECT m;
      memset(&m, 0, sizeof m);
      m.Header.Cmd = CMD_ID_GMSG_DISCONNECT;
      GMSG_vMakeSocketAddress(&m.Address, SERVER, SONAR_SHARE_PORT);
      T_N_PING_bHandlePeerDisconnect(&m, FALSE);
    }
    auto* lost = (NETWORK_SERVER_CONNECTION_LOST_MESSAGE*)L_MBOX_Receive(M_SLPCLIENT);
    ASSERT_NE(lost, nullptr) << c.name;
    EXPECT_EQ(lost->u32SourceEnum, c.lostValue) << c.name;
    EXPECT_EQ(lost->eConnectionLostReason, c.reason) << c.name;
    H_MEMORY_vDumpMail(lost);
    auto* cancel = (MSG_SUDP_IN_REGISTER*)L_MBOX_Receive(M_SUDPIN);
    ASSERT_NE(cancel, nullptr) << c.name;
    EXPECT_EQ(cancel->doRegister, 0u);
    EXPECT_EQ(cancel->port, c.port) << c.name;
    EXPECT_STREQ(cancel->mcastAddress, c.group) << c.name;
    EXPECT_EQ(cancel->mailBox, (U32)M_NETPING);
    H_MEMORY_vDumpMail(cancel);
    EXPECT_EQ(Key(FCID("ENPM")), 0u) << c.name;
    EXPECT_EQ(Key(c.source == 0 ? FCID("YST1") : FCID("YST2")), 0u) << c.name;
    EXPECT_EQ(U_PING_eGetNetworkClientState(c.source), NETWORK_CLIENT_STATE_DISCONNECTED) << c.name;
    EXPECT_EQ(T_N_PING_u32ClientCount(0), 1u) << c.name << ": the clients of this unit stay";
  }
}

TEST_F(SonarShareState, FailedRegistrationIsReportedNotStored) {
  NETWORK_REGISTER_4DATA_MESSAGE m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_NETWORK_REGISTER_4DATA;
  m.bRegister = TRUE;
  m.ip = SERVER;
  m.port = SONAR_SHARE_PORT;
  m.userData = FCID("SN2D");
  EXPECT_FALSE(T_NET_PING_RECEIVE_bHandleServerConnection(&m));
  EXPECT_NE(U_PING_eGetNetworkClientState(0), NETWORK_CLIENT_STATE_REGISTER);
  GMSG_ADDRESS stored;
  U_PING_vGetServerAddress(&stored, 0);
  EXPECT_EQ(stored.uAddr.Socket.u32Address, 0u);
  auto* lost = (NETWORK_SERVER_CONNECTION_LOST_MESSAGE*)L_MBOX_Receive(M_SLPCLIENT);
  ASSERT_NE(lost, nullptr);
  EXPECT_EQ(lost->eConnectionLostReason, (U32)CONNECTION_LOST_REG_FAILED);
  H_MEMORY_vDumpMail(lost);
  m.userData = FCID("ABCD");
  EXPECT_FALSE(T_NET_PING_RECEIVE_bHandleServerConnection(&m)) << "no source of that key";
}

// Free descriptors in the pool.
U32 FreeDescriptors() {
  std::vector<PING_DESCRIPTOR*> taken;
  PING_DESCRIPTOR* d = nullptr;
  while (L_QUEUE_Get(Q_PING, &d) == lsSUCCESS) taken.push_back(d);
  for (PING_DESCRIPTOR* p : taken) L_QUEUE_Put(Q_PING, &p);
  return (U32)taken.size();
}

TEST_F(SonarShareState, ReceiveTaskTakesOnlyConnectedStreamsItCanShow) {
  vInitialisePingDescriptorQueue();
  const U32 beams = S_TRANSDUCER_u32GetBeamsSupportedByModel();
  enum OUTCOME { DROPPED, PROCESSED };
  struct CASE {
    const char* name;
    const char* group;
    U32 source;
    NETWORK_CLIENT_STATE state;
    U8 beam;
    U32 hertz, count, length;
    OUTCOME outcome;
  } cases[] = {
      {"2D ping", "239.0.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 1, 200000, 3, 279, PROCESSED},
      {"group of no sonar stream", "239.6.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 1, 200000, 3, 279, DROPPED},
      {"group text that does not parse", "239.0.7", 0, NETWORK_CLIENT_STATE_CONNECTED, 1, 200000, 3, 279, DROPPED},
      {"source not connected", "239.0.7.9", 0, NETWORK_CLIENT_STATE_DISCONNECTED, 1, 200000, 3, 279, DROPPED},
      {"beam 5", "239.0.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 5, 200000, 3, 279, DROPPED},
      {"count past the buffer", "239.0.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 1, 200000, 4, 279, DROPPED},
      {"2D at 83 kHz", "239.0.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 0, 83000, 3, 279,
       (beams & 2) ? PROCESSED : DROPPED},
      {"2D at 50 kHz", "239.0.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 0, 50000, 3, 279,
       (beams & 4) ? PROCESSED : DROPPED},
      {"2D at 455 kHz", "239.0.7.9", 0, NETWORK_CLIENT_STATE_CONNECTED, 0, 455000, 3, 279,
       (beams & 8) ? PROCESSED : DROPPED},
      {"DI at 83 kHz: no frequency test", "239.2.7.9", 1, NETWORK_CLIENT_STATE_CONNECTED, 2, 83000, 3, 279, PROCESSED},
  };
  U8 raw[PING_MAX_SAMPLES] = {0xA0, 0xA1, 0xA2, 0xA3};
  for (const CASE& c : cases) {
    SetUp();
    Served(c.source, c.state);
    Drain(M_PROCESS);
    const U32 before = FreeDescriptors();
    PING_DESCRIPTOR d;
    memset(&d, 0, sizeof d);
    d.Beam = c.beam;
    d.u32TransmitFrequencyHertz = c.hertz;
    d.pu8RawSonarData = raw;
    U8* body = (U8*)H_MEMORY_pvMalloc(c.length + 8);
    ASSERT_EQ(S_SHARE_u32EncodeStream(&d, 3, body, c.length + 8), 279u);
    body[4] = (U8)c.count;
    T_NET_PING_RECEIVE_vHandleStream(body, c.length, c.group);
    auto* m = (PING_MESSAGE*)L_MBOX_Receive(M_PROCESS);
    if (c.outcome == PROCESSED) {
      ASSERT_NE(m, nullptr) << c.name;
      EXPECT_EQ(m->pReturnDescriptor->Beam, c.beam) << c.name;
      EXPECT_EQ(memcmp(m->pReturnDescriptor->pu8RawSonarData, raw, 3), 0) << c.name;
      EXPECT_EQ(m->pReturnDescriptor->bIsLocal, FALSE) << c.name;
      U_PING_vReturnDescriptor(m->pReturnDescriptor);
      H_MEMORY_vDumpMail(m);
    } else {
      EXPECT_EQ(m, nullptr) << c.name;
      if (m != nullptr) H_MEMORY_vDumpMail(m);
    }
    EXPECT_EQ(FreeDescriptors(), before) << c.name << ": every descriptor is back";
  }
  // Pings as class-0x18 messages from the server.
  struct MESSAGE_CASE {
    const char* name;
    NETWORK_CLIENT_STATE state;
    U32 from;
    U8 beam;
    OUTCOME outcome;
  } messages[] = {
      {"connected", NETWORK_CLIENT_STATE_CONNECTED, SERVER, 1, PROCESSED},
      {"first message connects", NETWORK_CLIENT_STATE_REGISTER, SERVER, 1, PROCESSED},
      {"beam 7", NETWORK_CLIENT_STATE_CONNECTED, SERVER, 7, DROPPED},
      {"not taken from the network", NETWORK_CLIENT_STATE_DISCONNECTED, SERVER, 1, DROPPED},
  };
  for (const MESSAGE_CASE& c : messages) {
    SetUp();
    Served(0, c.state);
    Drain(M_PROCESS);
    const U32 before = FreeDescriptors();
    PING_DESCRIPTOR d;
    memset(&d, 0, sizeof d);
    d.Beam = c.beam;
    d.u32NumberOfSamples = 3;
    d.pu8RawSonarData = raw;
    U8 wire[SONAR_PING_BODY_FIXED_BYTES + 3];
    ASSERT_EQ(S_SHARE_u32EncodePingBody(&d, wire, sizeof wire), sizeof wire);
    void* decoded = nullptr;
    S32 room = (S32)sizeof wire, count = 0;
    ASSERT_GT(DT_PING_DESCRIPTOR.pfDeserialize(&decoded, wire, &room, &count, &DT_PING_DESCRIPTOR), 0);
    GMSG_INFO info = From(c.from, decoded);
    T_N_PING_bHandleDataRecieve(M_PING, &info, nullptr, nullptr);
    DT_PING_DESCRIPTOR.pfDeallocate(decoded, TRUE, &DT_PING_DESCRIPTOR);
    auto* m = (PING_MESSAGE*)L_MBOX_Receive(M_PROCESS);
    if (c.outcome == PROCESSED) {
      ASSERT_NE(m, nullptr) << c.name;
      EXPECT_EQ(memcmp(m->pReturnDescriptor->pu8RawSonarData, raw, 3), 0) << c.name;
      EXPECT_NE(m->pReturnDescriptor->pu8RawSonarData, raw) << c.name << ": copied into the pool's own buffer";
      EXPECT_EQ(U_PING_eGetNetworkClientState(0), NETWORK_CLIENT_STATE_CONNECTED) << c.name;
      U_PING_vReturnDescriptor(m->pReturnDescriptor);
      H_MEMORY_vDumpMail(m);
    } else {
      EXPECT_EQ(m, nullptr) << c.name;
    }
    EXPECT_EQ(FreeDescriptors(), before) << c.name;
  }
  // A source still registering takes the server's transducer and no ping.
  SetUp();
  Served(0, NETWORK_CLIENT_STATE_REGISTER);
  H_DATABASE_bUpdateValueU32(FCID("YST1"), 15, P_NORMAL);
  U8* body = (U8*)H_MEMORY_pvMalloc(300);
  memset(body, 0, 300);
  T_NET_PING_RECEIVE_vHandleStream(body, 276, "239.0.7.9");
  EXPECT_EQ(Key(FCID("YST1")), 0u) << "no service discovery here: no transducer known";
  EXPECT_EQ(L_MBOX_Receive(M_PROCESS), nullptr);
}

}  // namespace
