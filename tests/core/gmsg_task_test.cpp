// Threading test
// The message layer end to end on loopback: this process's unit (address
// 127.0.0.1) registers a mailbox; the test plays a second unit at 127.0.0.2
// with raw sockets. Requests are answered, unanswered ones age into status 3,
// unhandled ones get status 2, a message to the own address arrives, a
// closed peer is reported, and hostile peers are dropped while the unit
// carries on.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "../support/db_test_env.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bAddress = (setenv("TESSIX_UNIT_ADDRESS", "127.0.0.1", 1), true);
const bool s_bInstalled = (CORE_vInstall(), true);

const U32 LOCAL = GSOCKET_u32Address(127, 0, 0, 1);
const U32 PEER = GSOCKET_u32Address(127, 0, 0, 2);
const U16 PORT_A = (U16)(20000 + getpid() % 20000);
const U16 PORT_B = (U16)(PORT_A + 1);

std::mutex s_lock;
std::vector<GMSG_HEADER> s_received;  // by the registered task
std::vector<BOOLEAN> s_matched;
std::vector<U32> s_statuses;
std::vector<GMSG_ADDRESS> s_disconnects;

BOOLEAN bPing(MBOX mbox, GMSG_INFO* info, void*, void*) {
  const U32 answer = 42;
  return U_GMSG_bReply(mbox, info, GMSG_ID_TEST_PONG, &DT_UNSIGNED32, &answer);
}
BOOLEAN bRecord(MBOX, GMSG_INFO* info, void*, void*) {
  std::lock_guard<std::mutex> g(s_lock);
  s_received.push_back(info->Header);
  s_matched.push_back(info->bReply);
  if (info->Header.u32MsgId == GMSG_ID_STATUS && info->pStructMsg) {
    s_statuses.push_back(static_cast<GMSG_STATUS*>(info->pStructMsg)->u32MsgStatus);
  }
  return TRUE;
}
const GMSG_MAP_INFO s_map[] = {{GMSG_ID_TEST_PING, &bPing, &DT_UNSIGNED32, nullptr, nullptr},
                               {GMSG_ID_STATUS, &bRecord, &DT_GMSG_STATUS, nullptr, nullptr},
                               {GMSG_u32Id(21, 2), &bRecord, nullptr, nullptr, nullptr},
                               {0, nullptr, nullptr, nullptr, nullptr}};

std::atomic<bool> s_bPumping{true};
void vPump() {
  while (s_bPumping) {
    void* m = L_MBOX_ReceiveWaitTicks(M_GMSG_TEST, 20);
    if (m == nullptr) continue;
    auto* g = static_cast<GENERIC_MESSAGE*>(m);
    if (g->Cmd == CMD_ID_GMSG_RECEIVE) U_GMSG_bHandleReceive(static_cast<MSG_GMSG_RECEIVE*>(m));
    if (g->Cmd == CMD_ID_GMSG_DISCONNECT) {
      std::lock_guard<std::mutex> gl(s_lock);
      s_disconnects.push_back(static_cast<MSG_GMSG_DISCONNECT*>(m)->Address);
    }
    H_MEMORY_vDumpMail(m);
  }
}

class MessageLayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    L_TASK_Start(TASK_GMSGTASK);
    L_TASK_Start(TASK_GMSGSOCKETTASK);
    ASSERT_TRUE(U_GMSG_bRegisterMailbox(M_GMSG_TEST, RES_GMSG_TEST, SEMA_GMSG_TEST, s_map, PORT_A));
    s_pump = std::thread(vPump);
  }
  static void TearDownTestSuite() {
    s_bPumping = false;
    s_pump.join();
  }
  static std::thread s_pump;

  // The second unit: a connection from 127.0.0.2 to the registration.
  static GSOCKET Connect() {
    GSOCKET s;
    EXPECT_TRUE(GSOCKET_bCreate(&s, LOCAL, PORT_A, FALSE, 0, TRUE));
    s.Address = GSOCKET_ADDRESS{LOCAL, PORT_A, 0, 0};
    EXPECT_TRUE(GSOCKET_bConnect(&s, PEER));
    return s;
  }
  static void Send(GSOCKET* s, U32 id, U32 flags, const G_DATA_TYPE* t, const void* body, U32 src = PEER) {
    GMSG_ADDRESS from, to;
    GMSG_vMakeSocketAddress(&from, src, PORT_B);
    GMSG_vMakeSocketAddress(&to, LOCAL, PORT_A);
    GMSG_INFO info;
    ASSERT_TRUE(GMSG_bCompose(&info, &from, &to, id, t, body, 77, 5000 + id, flags, FALSE, 0));
    ASSERT_TRUE(GMSG_bSendSocket(&info, s, FALSE));
    GMSG_bFree(&info);
  }
  static bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int i = 0; i < ms / 5; ++i) {
      {
        std::lock_guard<std::mutex> g(s_lock);
        if (done()) return true;
      }
      usleep(5000);
    }
    return false;
  }
  // True once the peer has closed the connection.
  static bool Closed(GSOCKET* s) {
    U8 b;
    for (int i = 0; i < 200; ++i) {
      if (GSOCKET_nWait(s->nSocket, FALSE, 50) != 0 && recv(s->nSocket, &b, 1, MSG_DONTWAIT) <= 0) return true;
    }
    return false;
  }
};
std::thread MessageLayer::s_pump;

TEST_F(MessageLayer, RequestIsAnsweredAndUnhandledRequestGetsStatus2) {
  GSOCKET s = Connect();
  const U32 ping = 1;
  struct Case {
    U32 id;
    const G_DATA_TYPE* body_type;
    U32 reply_id;
  } cases[] = {{GMSG_ID_TEST_PING, &DT_UNSIGNED32, GMSG_ID_TEST_PONG},
               {GMSG_ID_TEST_01, &DT_UNSIGNED32, GMSG_ID_STATUS},        // no handler
               {GMSG_ID_TEST_PING, nullptr, GMSG_ID_STATUS}};  // no body: does not decode
  for (const Case& c : cases) {
    Send(&s, c.id, GMSG_FLAG_REQUEST, c.body_type, c.body_type ? &ping : nullptr);
    GMSG_INFO reply;
    ASSERT_TRUE(GMSG_bReceiveSocket(&s, &reply)) << c.id;
    EXPECT_EQ(reply.Header.u32MsgId, c.reply_id);
    EXPECT_EQ(reply.Header.u32MsgFlags, GMSG_FLAG_REPLY);
    EXPECT_EQ(reply.Header.u64Token, 77u);
    EXPECT_EQ(reply.Header.SrcAddress.uAddr.Socket.u32Address, LOCAL);
    if (c.reply_id == GMSG_ID_STATUS) {
      ASSERT_TRUE(GMSG_bParse(&reply, &DT_GMSG_STATUS));
      EXPECT_EQ(static_cast<GMSG_STATUS*>(reply.pStructMsg)->u32MsgStatus, GMSG_STATUS_NOT_HANDLED);
      EXPECT_EQ(static_cast<GMSG_STATUS*>(reply.pStructMsg)->u32MsgId, c.id);
    }
    GMSG_bFree(&reply);
  }
  GSOCKET_bClose(&s);
  EXPECT_TRUE(WaitFor([] { return !s_disconnects.empty(); }));
}

TEST_F(MessageLayer, UnansweredRequestAgesIntoStatus3AndOwnAddressArrives) {
  GSOCKET listen;
  ASSERT_TRUE(GSOCKET_bCreate(&listen, PEER, PORT_B, TRUE, 4, FALSE));
  GMSG_ADDRESS peer, self;
  GMSG_vMakeSocketAddress(&peer, PEER, PORT_B);
  ASSERT_TRUE(U_GMSG_bGetMailboxAddress(&self, M_GMSG_TEST));
  const size_t before = s_statuses.size();
  const U32 body = 9;
  ASSERT_TRUE(U_GMSG_bRequest(M_GMSG_TEST, &peer, GMSG_ID_TEST_PING, &DT_UNSIGNED32, &body, 31));
  GSOCKET accepted;
  ASSERT_TRUE(GSOCKET_bAccept(&listen, &accepted, FALSE));
  GMSG_INFO request;
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));  // arrives, never answered
  EXPECT_EQ(request.Header.SrcAddress.uAddr.Socket.u32Address, LOCAL);
  GMSG_bFree(&request);
  EXPECT_TRUE(WaitFor([&] { return s_statuses.size() > before; }, 5000));
  {
    std::lock_guard<std::mutex> g(s_lock);
    EXPECT_EQ(s_statuses.back(), GMSG_STATUS_TIMED_OUT);
    EXPECT_TRUE(s_matched.back());
    EXPECT_EQ(s_received.back().u64Token, 31u);
  }
  const size_t seen = s_received.size();
  ASSERT_TRUE(U_GMSG_bSendMsgNoReply(M_GMSG_TEST, &self, GMSG_u32Id(21, 2), nullptr, nullptr, 8));
  EXPECT_TRUE(WaitFor([&] { return s_received.size() > seen && s_received.back().u32MsgId == GMSG_u32Id(21, 2); }));
  GSOCKET_bClose(&accepted);
  GSOCKET_bClose(&listen);
}

// Each hostile peer loses its connection; a good peer is served afterwards.
TEST_F(MessageLayer, HostilePeersAreDroppedAndTheUnitCarriesOn) {
  struct Case {
    const char* what;
    U32 signature, size;
    int first_part;  // bytes of the header sent, then silence
  } cases[] = {{"size all ones", GMSG_SIGNATURE, 0xFFFFFFFFu, 72},
               {"size 2,000,000", GMSG_SIGNATURE, 2000000, 72},
               {"bad signature", 0x11223344, 0, 72}};
  for (const Case& c : cases) {
    GSOCKET s = Connect();
    GMSG_HEADER h{};
    h.u32MsgSignature = c.signature;
    h.u32MsgSize = c.size;
    U8 wire[72];
    GMSG_vEncodeHeader(&h, wire);
    ASSERT_EQ(write(s.nSocket, wire, c.first_part), c.first_part);
    EXPECT_TRUE(Closed(&s)) << c.what;
    GSOCKET_bClose(&s);
  }
  {  // A sender whose header names another address.
    GSOCKET s = Connect();
    const U32 v = 1;
    Send(&s, GMSG_ID_TEST_PING, GMSG_FLAG_REQUEST, &DT_UNSIGNED32, &v, GSOCKET_u32Address(127, 0, 0, 9));
    EXPECT_TRUE(Closed(&s));
    GSOCKET_bClose(&s);
  }
  {  // A header split 36 + 36 and a body trickled a byte at a time still arrive.
    GSOCKET s = Connect();
    GMSG_ADDRESS from, to;
    GMSG_vMakeSocketAddress(&from, PEER, PORT_B);
    GMSG_vMakeSocketAddress(&to, LOCAL, PORT_A);
    const U32 v = 5;
    GMSG_INFO info;
    ASSERT_TRUE(GMSG_bCompose(&info, &from, &to, GMSG_ID_TEST_PING, &DT_UNSIGNED32, &v, 1, 0, GMSG_FLAG_REQUEST, FALSE, 0));
    ASSERT_EQ(write(s.nSocket, info.pu8Block, 36), 36);
    usleep(50000);
    ASSERT_EQ(write(s.nSocket, info.pu8Block + 36, 36), 36);
    for (U32 i = 72; i < 72 + info.Header.u32MsgSize; ++i) {
      usleep(20000);
      ASSERT_EQ(write(s.nSocket, info.pu8Block + i, 1), 1);
    }
    GMSG_bFree(&info);
    GMSG_INFO reply;
    ASSERT_TRUE(GMSG_bReceiveSocket(&s, &reply));
    EXPECT_EQ(reply.Header.u32MsgId, GMSG_ID_TEST_PONG);
    GMSG_bFree(&reply);
    GSOCKET_bClose(&s);
  }
  {  // Half a message, then silence: dropped after its deadline.
    GSOCKET s = Connect();
    GMSG_HEADER h{};
    h.u32MsgSignature = GMSG_SIGNATURE;
    h.u32MsgSize = 100;
    U8 wire[72];
    GMSG_vEncodeHeader(&h, wire);
    ASSERT_EQ(write(s.nSocket, wire, 72), 72);
    EXPECT_TRUE(Closed(&s));
    GSOCKET_bClose(&s);
  }
}

}  // namespace
