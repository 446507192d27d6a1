// Threading test: also runs under ThreadSanitizer.
// Alarm sharing over the message layer on loopback: the unit (127.0.21.1)
// runs the alarm task and the message-layer tasks; the test plays a peer
// unit at 127.0.21.2 and a stranger at 127.0.21.3 with raw sockets. An
// acknowledged alarm reaches the peer as the 12-byte ended-alarm body; the
// peer's body with activate 0 ends a kept alarm without its cancel call;
// any other body, and any body from an address that is not a peer, changes
// nothing.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "common/cmd_id.h"
#include "common/key_types.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/startup_install.h"
#include "source/startup/t_alarm.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
// Addresses of their own, so that no other test's registration of the
// alarm port stands in the way.
const bool s_bAddress = (setenv("TESSIX_UNIT_ADDRESS", "127.0.21.1", 1), true);
const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

const U32 UNIT = GSOCKET_u32Address(127, 0, 21, 1);
const U32 PEER = GSOCKET_u32Address(127, 0, 21, 2);
const U32 STRANGER = GSOCKET_u32Address(127, 0, 21, 3);
// The port a sender names as its own; replies come back on its connection.
constexpr U16 SENDER_PORT = 50753;

constexpr MBOX KEYBOARD_STANDIN = M_NAV;
constexpr MBOX VIEW_STANDIN = M_NMEA;

std::atomic<int> s_cancels{0};
void vCancel() { ++s_cancels; }

void Drain(MBOX m) {
  while (void* p = L_MBOX_Receive(m)) H_MEMORY_vDumpMail(p);
}

void Set(S32 kind) {
  ALARM_SET_MESSAGE a;
  memset(&a, 0, sizeof a);
  a.Priority = (ALARM_PRIORITY)kind;
  a.pMessageString = "Shallow Water";
  a.InitialToneID = TONE_USE_CUSTOM;
  a.ReminderToneID = TONE_USE_CUSTOM;
  a.pFunctionAlarmCancel = &vCancel;
  ASSERT_TRUE(U_ALARM_bSet(&a));
}

void Key(U32 key) {
  auto* m = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_KEY_CHANGE;
  m->key = key;
  m->state = KEY_DOWN;
  m->count = 1;
  m->cursor = CURSOR_UP;
  ASSERT_EQ(L_MBOX_Send(M_ALARM, m, 1, 0), lsSUCCESS);
}

// A connection from `from` to the unit's alarm port; false while the
// alarm task has not registered it yet.
bool Connect(GSOCKET* s, U32 from) {
  if (!GSOCKET_bCreate(s, UNIT, ALARM_NETWORK_PORT, FALSE, 0, TRUE)) return false;
  s->Address = GSOCKET_ADDRESS{UNIT, ALARM_NETWORK_PORT, 0, 0};
  return GSOCKET_bConnect(s, from) ? true : false;
}

// Sends a message naming `claimed` as its sender over s.
void Send(GSOCKET* s, U32 claimed, U32 id, U32 flags, const G_DATA_TYPE* type, const void* body) {
  GMSG_ADDRESS from, to;
  GMSG_vMakeSocketAddress(&from, claimed, SENDER_PORT);
  GMSG_vMakeSocketAddress(&to, UNIT, ALARM_NETWORK_PORT);
  GMSG_INFO info;
  ASSERT_TRUE(GMSG_bCompose(&info, &from, &to, id, type, body, 5, 0, flags, FALSE, 0));
  ASSERT_TRUE(GMSG_bSendSocket(&info, s, FALSE));
  GMSG_bFree(&info);
}

// One message from s within 5 s.
bool Receive(GSOCKET* s, GMSG_INFO* info) {
  if (GSOCKET_nWait(s->nSocket, FALSE, 5000) <= 0) return false;
  return GMSG_bReceiveSocket(s, info) ? true : false;
}

// The alarm task has handled everything sent over s before: a request it
// has no handler for is answered with status 2 by the alarm task itself,
// after the messages ahead of it in its mailbox.
void Settle(GSOCKET* s, U32 claimed) {
  const U32 ping = 1;
  Send(s, claimed, GMSG_ID_TEST_PING, GMSG_FLAG_REQUEST, &DT_UNSIGNED32, &ping);
  GMSG_INFO reply;
  ASSERT_TRUE(Receive(s, &reply));
  EXPECT_EQ(reply.Header.u32MsgId, GMSG_ID_STATUS);
  GMSG_bFree(&reply);
}

class AlarmPeer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), VIEW_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    ASSERT_EQ(L_TASK_Start(TASK_GMSGTASK), lsSUCCESS);
    ASSERT_EQ(L_TASK_Start(TASK_GMSGSOCKETTASK), lsSUCCESS);
    // The peer listens on the alarm port before the unit knows it.
    ASSERT_TRUE(GSOCKET_bCreate(&s_listen, PEER, ALARM_NETWORK_PORT, TRUE, 4, FALSE));
    ASSERT_EQ(L_MBOX_DefineSema(M_ALARM, SEMA_MBOX_ALARM), lsSUCCESS);
    ASSERT_EQ(L_TASK_Start(TASK_ALARMTASK), lsSUCCESS);
    // The alarm port is open once the task registered it.
    ASSERT_TRUE(WaitFor([] {
      if (Connect(&s_peer, PEER)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return false;
    }));
    GMSG_ADDRESS peer;
    GMSG_vMakeSocketAddress(&peer, PEER, 1);  // the port is the alarm port whatever is given
    ASSERT_TRUE(U_ALARM_bAddPeer(&peer));
    ASSERT_TRUE(WaitFor([] { return T_ALARM_u32PeerCount() == 1; }));
  }
  static void TearDownTestSuite() {
    if (s_bAccepted) GSOCKET_bClose(&s_accepted);
    GSOCKET_bClose(&s_peer);
    GSOCKET_bClose(&s_listen);
  }
  void SetUp() override {
    // The clear-all pass only when something is kept: a pass still pending
    // would clear the next test's alarm.
    if (T_ALARM_u32ActiveCount() != 0) L_SEMA_Signal(SEMA_CLEAR_ALARMS);
    ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 0; }));
    Drain(M_SOUND);
    Drain(KEYBOARD_STANDIN);
    Drain(VIEW_STANDIN);
    s_cancels = 0;
  }
  // The next ended-alarm message the unit sends the peer.
  static bool PeerReceives(GMSG_INFO* info) {
    if (!s_bAccepted) {
      if (GSOCKET_nWait(s_listen.nSocket, FALSE, 5000) <= 0) return false;
      if (!GSOCKET_bAccept(&s_listen, &s_accepted, FALSE)) return false;
      s_bAccepted = true;
    }
    return Receive(&s_accepted, info);
  }

  static GSOCKET s_listen, s_peer, s_accepted;
  static bool s_bAccepted;
};
GSOCKET AlarmPeer::s_listen, AlarmPeer::s_peer, AlarmPeer::s_accepted;
bool AlarmPeer::s_bAccepted = false;

// Acknowledging the shown alarm tells the peer, byte for byte: version 1,
// activate 0, the kind, each a little-endian 32-bit word.
TEST_F(AlarmPeer, AcknowledgedAlarmReachesThePeer) {
  for (S32 kind : {19, 0, 73}) {
    SetUp();
    Set(kind);
    ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 1; }));
    Key(KEY_MASK_EXIT);
    GMSG_INFO info;
    ASSERT_TRUE(PeerReceives(&info)) << kind;
    EXPECT_EQ(info.Header.u32MsgId, GMSG_ID_ALARM_RECEIVE_DATA);
    EXPECT_EQ(info.Header.u32MsgFlags & GMSG_FLAG_REQUEST, 0u);
    EXPECT_EQ(info.Header.SrcAddress.uAddr.Socket.u32Address, UNIT);
    EXPECT_EQ(info.Header.SrcAddress.uAddr.Socket.u32Port, ALARM_NETWORK_PORT);
    ASSERT_EQ(info.Header.u32MsgSize, ALARM_NETWORK_BODY_SIZE);
    const std::vector<U8> body(info.pRawMsg, info.pRawMsg + ALARM_NETWORK_BODY_SIZE);
    const std::vector<U8> want = {1, 0, 0, 0, 0, 0, 0, 0, (U8)kind, 0, 0, 0};
    EXPECT_EQ(body, want) << kind;
    GMSG_bFree(&info);
    EXPECT_EQ(s_cancels.load(), 1) << "the key calls the cancel function on the unit";
    EXPECT_EQ(T_ALARM_u32ActiveCount(), 0u);
  }
}

// What a received body does to a kept alarm of kind 5.
TEST_F(AlarmPeer, ReceivedBodiesAndSenders) {
  struct Case {
    const char* what;
    U32 from;  // the connection's real address and the sender it names
    U32 activate, priority;
    bool ends;
  };
  const Case cases[] = {
      {"peer ends kind 5", PEER, 0, 5, true},
      {"peer ends another kind", PEER, 0, 6, false},
      {"activate 1", PEER, 1, 5, false},
      {"priority -1", PEER, 0, 0xFFFFFFFFu, false},
      {"priority 74", PEER, 0, 74, false},
      {"unknown sender", STRANGER, 0, 5, false},
  };
  for (const Case& c : cases) {
    SetUp();
    Set(5);
    ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 1; })) << c.what;
    GSOCKET s;
    GSOCKET* via = &s_peer;
    if (c.from != PEER) {
      ASSERT_TRUE(Connect(&s, c.from)) << c.what;
      via = &s;
    }
    const NETWORK_ALARM_MESSAGE body{c.activate, c.priority};
    Send(via, c.from, GMSG_ID_ALARM_RECEIVE_DATA, 0, &DT_NETWORK_ALARM_MESSAGE, &body);
    Settle(via, c.from);
    EXPECT_EQ(T_ALARM_u32ActiveCount(), c.ends ? 0u : 1u) << c.what;
    EXPECT_EQ(T_ALARM_nDisplayedSlot(), c.ends ? -1 : 5) << c.what;
    EXPECT_EQ(s_cancels.load(), 0) << c.what << ": a peer's end never calls the cancel function";
    if (via == &s) GSOCKET_bClose(&s);
  }
}

// A stranger naming the peer as sender loses its connection and ends
// nothing.
TEST_F(AlarmPeer, StrangerPosingAsPeerIsDropped) {
  Set(5);
  ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 1; }));
  GSOCKET s;
  ASSERT_TRUE(Connect(&s, STRANGER));
  const NETWORK_ALARM_MESSAGE body{0, 5};
  Send(&s, PEER, GMSG_ID_ALARM_RECEIVE_DATA, 0, &DT_NETWORK_ALARM_MESSAGE, &body);
  // The connection closes.
  bool closed = false;
  for (int i = 0; i < 100 && !closed; ++i) {
    U8 b;
    closed = GSOCKET_nWait(s.nSocket, FALSE, 50) != 0 && recv(s.nSocket, &b, 1, MSG_DONTWAIT) <= 0;
  }
  EXPECT_TRUE(closed);
  GSOCKET_bClose(&s);
  // The real peer's connection is served after it, and the alarm stayed.
  Settle(&s_peer, PEER);
  EXPECT_EQ(T_ALARM_u32ActiveCount(), 1u);
  EXPECT_EQ(s_cancels.load(), 0);
}

}  // namespace
