// Threading test
// The message layer end to end on loopback: this process's unit (address
// 127.0.31.1) registers a mailbox; the test plays a second unit at 127.0.31.2
// with raw sockets. Requests are answered, unanswered ones age into status 3,
// unhandled ones get status 2, a message to the own address arrives, a
// closed peer is reported, and hostile peers are dropped while the unit
// carries on. A datagram registration takes and sends raw datagrams; the
// client functions for waiting and non-waiting sends, the alternate
// transport, disconnecting, holds on a registration and the look-ups;
// setting a connection's peer address, deleting connections and
// registrations; whole messages handed over by the segmented UDP service.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "../support/db_test_env.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"
#include "tests/support/gmsg_pump.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bAddress = (setenv("TESSIX_UNIT_ADDRESS", "127.0.31.1", 1), true);
const bool s_bInstalled = (CORE_vInstall(), true);

const U32 LOCAL = GSOCKET_u32Address(127, 0, 31, 1);
const U32 PEER = GSOCKET_u32Address(127, 0, 31, 2);
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
                               {GMSG_ID_TEST_PONG, &bRecord, &DT_UNSIGNED32, nullptr, nullptr},
                               {GMSG_ID_STATUS, &bRecord, &DT_GMSG_STATUS, nullptr, nullptr},
                               {GMSG_u32Id(21, 2), &bRecord, nullptr, nullptr, nullptr},
                               {0, nullptr, nullptr, nullptr, nullptr}};


class MessageLayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    L_TASK_Start(TASK_GMSGTASK);
    L_TASK_Start(TASK_GMSGSOCKETTASK);
    ASSERT_TRUE(U_GMSG_bRegisterMailbox(M_GMSG_TEST, RES_GMSG_TEST, SEMA_GMSG_TEST, s_map, PORT_A));
    s_pump.Start(M_GMSG_TEST, [](const MSG_GMSG_DISCONNECT* d) {
      std::lock_guard<std::mutex> gl(s_lock);
      s_disconnects.push_back(d->Address);
    });
  }
  static void TearDownTestSuite() { s_pump.Stop(); }
  static GmsgPump s_pump;

  // The second unit: a connection from 127.0.31.2 to the registration.
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
GmsgPump MessageLayer::s_pump;

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
    Send(&s, GMSG_ID_TEST_PING, GMSG_FLAG_REQUEST, &DT_UNSIGNED32, &v, GSOCKET_u32Address(127, 0, 31, 9));
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

// A peer at 127.0.31.2 that accepts the unit's connections.
struct PeerListener {
  GSOCKET listen;
  GMSG_ADDRESS address;
  explicit PeerListener(U16 port) {
    EXPECT_TRUE(GSOCKET_bCreate(&listen, PEER, port, TRUE, 4, FALSE));
    GMSG_vMakeSocketAddress(&address, PEER, port);
  }
  ~PeerListener() { GSOCKET_bClose(&listen); }
  bool Accept(GSOCKET* s) {
    return GSOCKET_nWait(listen.nSocket, FALSE, 2000) > 0 && GSOCKET_bAccept(&listen, s, FALSE);
  }
};

std::vector<std::vector<U8>> s_datagrams;
BOOLEAN bDatagram(MBOX, GMSG_INFO* info, void*, void*) {
  std::lock_guard<std::mutex> g(s_lock);
  s_datagrams.emplace_back(info->pRawMsg, info->pRawMsg + info->u32UdpLength);
  return TRUE;
}
const GMSG_MAP_INFO s_udpMap[] = {{GMSG_ID_RADAR_RECEIVE_DATA, &bDatagram, nullptr, nullptr, nullptr},
                                  {0, nullptr, nullptr, nullptr, nullptr}};

TEST_F(MessageLayer, DatagramRegistrationTakesAndSendsRawDatagrams) {
  const U16 port = (U16)(PORT_A + 3);
  ASSERT_TRUE(U_GMSG_bRegisterMailboxAll(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_udpMap, port, TRUE));
  GMSG_ADDRESS own;
  ASSERT_TRUE(U_GMSG_bGetMailboxAddress(&own, M_RADAR_SERVER));
  EXPECT_EQ(own.uAddr.Socket.u32Address, 0u);  // bound to any address
  EXPECT_EQ(own.uAddr.Socket.u32Port, port);

  GSOCKET peer;
  ASSERT_TRUE(GSOCKET_bCreateUdp(&peer, PEER, (U16)(PORT_A + 4), TRUE, 0, FALSE));
  // An empty datagram is dropped; the registration keeps its socket and
  // takes the datagrams after it, each as it was sent.
  const std::vector<std::vector<U8>> sent = {{}, {'e', 'c', 'h', 'o', 0, 1, 2}, std::vector<U8>(4024, 0x5A)};
  for (const auto& d : sent) {
    ASSERT_EQ(GSOCKET_nSendTo(&peer, d.data(), (S32)d.size(), LOCAL, port), (S32)d.size());
  }
  for (int i = 0; i < 400; ++i) {
    {
      std::lock_guard<std::mutex> g(s_lock);
      if (s_datagrams.size() >= 2) break;
    }
    if (void* m = L_MBOX_ReceiveWaitTicks(M_RADAR_SERVER, 5)) {
      if (static_cast<GENERIC_MESSAGE*>(m)->Cmd == CMD_ID_GMSG_RECEIVE) {
        U_GMSG_bHandleReceive(static_cast<MSG_GMSG_RECEIVE*>(m));
      }
      H_MEMORY_vDumpMail(m);
    }
  }
  {
    std::lock_guard<std::mutex> g(s_lock);
    ASSERT_EQ(s_datagrams.size(), 2u);
    EXPECT_EQ(s_datagrams[0], sent[1]);
    EXPECT_EQ(s_datagrams[1], sent[2]);
  }

  // Sending: the payload leaves as one datagram, with no header.
  GMSG_ADDRESS to;
  GMSG_vMakeSocketAddress(&to, PEER, (U16)(PORT_A + 4));
  const U8 payload[] = {9, 8, 7, 6, 5};
  ASSERT_TRUE(U_GMSG_bSendUdpMsgNoReply(M_RADAR_SERVER, &to, GMSG_ID_TEST_01, &DT_UNSIGNED32, payload, 3,
                                        sizeof payload));
  ASSERT_EQ(GSOCKET_nWait(peer.nSocket, FALSE, 2000), 1);
  U8 got[64];
  EXPECT_EQ(recv(peer.nSocket, got, sizeof got, 0), (ssize_t)sizeof payload);
  EXPECT_EQ(memcmp(got, payload, sizeof payload), 0);

  // Refused: an empty or oversized payload, and a stream registration.
  EXPECT_FALSE(U_GMSG_bSendUdpMsgNoReply(M_RADAR_SERVER, &to, 0, nullptr, payload, 3, 0));
  std::vector<U8> big(GMSG_MAX_UDP_PAYLOAD + 1);
  EXPECT_FALSE(U_GMSG_bSendUdpMsgNoReply(M_RADAR_SERVER, &to, 0, nullptr, big.data(), 3, (U32)big.size()));
  EXPECT_FALSE(U_GMSG_bSendUdpMsgNoReply(M_GMSG_TEST, &to, 0, nullptr, payload, 3, sizeof payload));

  EXPECT_TRUE(U_GMSG_bUnregisterMailbox(M_RADAR_SERVER));
  GSOCKET_bClose(&peer);
}

// Waiting sends report the outcome; the non-waiting one only the posting.
TEST_F(MessageLayer, NoWaitSendsAndDisconnect) {
  GMSG_ADDRESS nobody, unregistered_peer;
  GMSG_vMakeSocketAddress(&nobody, GSOCKET_u32Address(127, 0, 31, 3), (U16)(PORT_A + 5));
  GMSG_vMakeSocketAddress(&unregistered_peer, PEER, (U16)(PORT_A + 5));
  const U32 v = 11;
  EXPECT_TRUE(U_GMSG_bSendMsgNoWait(M_GMSG_TEST, &nobody, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 1, 500));
  EXPECT_FALSE(U_GMSG_bSendMsgNoWaitAsync(M_GMSG_TEST, &nobody, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 1, 500));
  EXPECT_FALSE(U_GMSG_bSendMsgNoWait(M_SLPTEST, &nobody, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 1, 500));
  EXPECT_FALSE(U_GMSG_bSendMsgNoWaitAsync(M_SLPTEST, &nobody, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 1, 500));

  PeerListener peer((U16)(PORT_A + 6));
  ASSERT_TRUE(U_GMSG_bSendMsgNoWaitAsync(M_GMSG_TEST, &peer.address, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 4, 500));
  ASSERT_TRUE(U_GMSG_bSendMsgNoWait(M_GMSG_TEST, &peer.address, GMSG_u32Id(21, 3), nullptr, nullptr, 5, 500));
  GSOCKET accepted;
  ASSERT_TRUE(peer.Accept(&accepted));
  for (U32 id : {GMSG_ID_TEST_01, GMSG_u32Id(21, 3)}) {  // both over the one connection, in order
    GMSG_INFO info;
    ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &info));
    EXPECT_EQ(info.Header.u32MsgId, id);
    EXPECT_EQ(info.Header.u32MsgFlags, 0u);
    EXPECT_EQ(info.Header.__u64ReplyToken, GMSG_NO_TOKEN);
    GMSG_bFree(&info);
  }

  GMSG_REG_MAILBOX_NODE* node = U_GMSG_pFindMailboxNodeById(M_GMSG_TEST);
  ASSERT_NE(node, nullptr);
  GMSG_SOCKET_NODE* conn = U_GMSG_pFindSocketNodeByAddress(node, &peer.address);
  ASSERT_NE(conn, nullptr);
  EXPECT_EQ(U_GMSG_pFindSocketNodeByFd(node, U_GMSG_nSocketNodeSocket(conn)), conn);
  EXPECT_EQ(U_GMSG_pFindMailboxNodeByFd(U_GMSG_nSocketNodeSocket(conn)), node);

  const size_t before = s_disconnects.size();
  EXPECT_FALSE(U_GMSG_bDisconnect(M_GMSG_TEST, &unregistered_peer));
  EXPECT_FALSE(U_GMSG_bDisconnect(M_SLPTEST, &peer.address));
  ASSERT_TRUE(U_GMSG_bDisconnect(M_GMSG_TEST, &peer.address));
  EXPECT_FALSE(U_GMSG_bDisconnect(M_GMSG_TEST, &peer.address));  // already gone
  EXPECT_EQ(U_GMSG_pFindSocketNodeByAddress(node, &peer.address), nullptr);
  EXPECT_TRUE(Closed(&accepted));
  EXPECT_TRUE(WaitFor([&] {
    return s_disconnects.size() > before && GMSG_bAddressEqual(&s_disconnects.back(), &peer.address);
  }));
  GSOCKET_bClose(&accepted);

  // The next send opens a new connection.
  ASSERT_TRUE(U_GMSG_bSendMsgNoWaitAsync(M_GMSG_TEST, &peer.address, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 6, 500));
  ASSERT_TRUE(peer.Accept(&accepted));
  GMSG_INFO info;
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &info));
  EXPECT_EQ(info.Header.u64Token, 6u);
  GMSG_bFree(&info);
  GSOCKET_bClose(&accepted);
}

// The alternate transport hands the segmented UDP service a whole message,
// or the caller's raw buffer, with the destination and the segmenting flag.
TEST_F(MessageLayer, AlternateTransportPostsToTheSegmentedService) {
  GMSG_ADDRESS to;
  GMSG_vMakeSocketAddress(&to, PEER, 10001);
  const U32 v = 0xA1B2C3D4;
  const GMSG_ALT_TRANSPORT composed{FALSE, 0, 1};
  ASSERT_TRUE(U_GMSG_bSendMsgNoReplyAlt(M_GMSG_TEST, &to, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 12, &composed));
  U8* raw = static_cast<U8*>(H_MEMORY_pvMalloc(10));
  memset(raw, 0x33, 10);
  const GMSG_ALT_TRANSPORT rawly{TRUE, 10, 0};
  ASSERT_TRUE(U_GMSG_bSendMsgNoReplyAlt(M_GMSG_TEST, &to, 0, nullptr, raw, 0, &rawly));
  EXPECT_FALSE(U_GMSG_bSendMsgNoReplyAlt(M_SLPTEST, &to, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 12, &composed));

  auto* a = static_cast<MSG_SUDP_OUT_SEND*>(L_MBOX_Receive(M_SUDPOUT));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Header.Cmd, CMD_ID_SUDP_OUT_SEND);
  EXPECT_EQ(a->u32Address, PEER);
  EXPECT_EQ(a->u32Port, 10001u);
  EXPECT_EQ(a->u32Raw, 0u);
  EXPECT_EQ(a->u32MultiPacket, 1u);
  ASSERT_EQ(a->u32MessageLength, GMSG_HEADER_SIZE + 4);
  GMSG_HEADER h;
  GMSG_vDecodeHeader(a->ucpMessage, &h);
  EXPECT_EQ(h.u32MsgSignature, GMSG_SIGNATURE);
  EXPECT_EQ(h.u32MsgId, GMSG_ID_TEST_01);
  EXPECT_EQ(h.u32MsgSize, 4u);
  EXPECT_EQ(h.u64Token, 12u);
  U32 body;
  memcpy(&body, a->ucpMessage + GMSG_HEADER_SIZE, 4);
  EXPECT_EQ(body, v);
  H_MEMORY_vFree(a->ucpMessage);
  H_MEMORY_vDumpMail(a);

  auto* b = static_cast<MSG_SUDP_OUT_SEND*>(L_MBOX_Receive(M_SUDPOUT));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->ucpMessage, raw);  // the buffer itself passes on
  EXPECT_EQ(b->u32MessageLength, 10u);
  EXPECT_EQ(b->u32Raw, 1u);
  EXPECT_EQ(b->u32MultiPacket, 0u);
  H_MEMORY_vFree(b->ucpMessage);
  H_MEMORY_vDumpMail(b);
  EXPECT_EQ(L_MBOX_Receive(M_SUDPOUT), nullptr);
}

// A held registration outlives its unregistration until the hold is given
// back; a reading hold also keeps the socket task from being woken for it.
TEST_F(MessageLayer, HoldsLookupsAndSignal) {
  GMSG_REG_MAILBOX_NODE* node = U_GMSG_pFindMailboxNodeById(M_GMSG_TEST);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(U_GMSG_nMailboxNodeMailbox(node), M_GMSG_TEST);
  EXPECT_EQ(U_GMSG_pFindMailboxNodeByFd(U_GMSG_nMailboxNodeSocket(node)), node);
  EXPECT_EQ(U_GMSG_pFindMailboxNodeById(M_SLPTEST), nullptr);
  EXPECT_EQ(U_GMSG_pFindMailboxNodeByFd(-1), nullptr);
  EXPECT_EQ(U_GMSG_pFindMailboxNodeWithExpiredRequest(), nullptr);

  EXPECT_TRUE(U_GMSG_bSignal(M_GMSG_TEST));
  ASSERT_EQ(U_GMSG_pAcquireMailboxNodeById(M_GMSG_TEST, TRUE), node);
  EXPECT_FALSE(U_GMSG_bSignal(M_GMSG_TEST));
  EXPECT_TRUE(U_GMSG_bReleaseMailboxNode(node, TRUE));
  EXPECT_TRUE(U_GMSG_bSignal(M_GMSG_TEST));
  EXPECT_FALSE(U_GMSG_bReleaseMailboxNode(node, FALSE));  // no hold to give back

  const U16 port = (U16)(PORT_A + 7);
  ASSERT_TRUE(U_GMSG_bRegisterMailbox(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_map, port));
  GMSG_REG_MAILBOX_NODE* held = U_GMSG_pAcquireMailboxNodeById(M_RADAR_SERVER, FALSE);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(U_GMSG_pAcquireMailboxNodeByFd(U_GMSG_nMailboxNodeSocket(held), FALSE), held);
  EXPECT_TRUE(U_GMSG_bReleaseMailboxNode(held, FALSE));
  EXPECT_FALSE(U_GMSG_bUnregisterMailbox(M_RADAR_SERVER));  // held: only marked
  EXPECT_FALSE(U_GMSG_bGetMailboxAddress(nullptr, M_RADAR_SERVER));
  EXPECT_FALSE(U_GMSG_bAcquireMailboxNode(held, FALSE));
  // Still there, so its port is still taken.
  EXPECT_FALSE(U_GMSG_bRegisterMailbox(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_map, port));
  EXPECT_TRUE(U_GMSG_bReleaseMailboxNode(held, FALSE));
  bool registered = false;
  for (int i = 0; i < 100 && !registered; ++i) {
    usleep(20000);
    registered = U_GMSG_bRegisterMailbox(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_map, port);
  }
  EXPECT_TRUE(registered);
  EXPECT_TRUE(U_GMSG_bUnregisterMailbox(M_RADAR_SERVER));
}

// The connection accepted for a client of the registration: the one of the
// registration's descriptors that was not there before the client came.
GMSG_SOCKET_NODE* pNewConnection(GMSG_REG_MAILBOX_NODE* node, const std::vector<GMSG_SOCKET_NODE*>& before) {
  for (int i = 0; i < 400; ++i) {
    for (S32 fd = 0; fd < 1024; ++fd) {
      GMSG_SOCKET_NODE* c = U_GMSG_pFindSocketNodeByFd(node, fd);
      if (c != nullptr && std::find(before.begin(), before.end(), c) == before.end()) return c;
    }
    usleep(5000);
  }
  return nullptr;
}
std::vector<GMSG_SOCKET_NODE*> Connections(GMSG_REG_MAILBOX_NODE* node) {
  std::vector<GMSG_SOCKET_NODE*> all;
  for (S32 fd = 0; fd < 1024; ++fd) {
    if (GMSG_SOCKET_NODE* c = U_GMSG_pFindSocketNodeByFd(node, fd)) all.push_back(c);
  }
  return all;
}

// An accepted connection learns its peer's address once: later messages to
// that peer go back over it; a connection whose peer is the registration's
// own address is never used for sending. Deleting it from another task
// closes it through the message-layer task, which tells the registered task.
TEST_F(MessageLayer, ConnectionAddressIsSetOnceAndDeletingClosesIt) {
  GMSG_REG_MAILBOX_NODE* node = U_GMSG_pFindMailboxNodeById(M_GMSG_TEST);
  ASSERT_NE(node, nullptr);
  GMSG_ADDRESS peer, other, self;
  GMSG_vMakeSocketAddress(&peer, PEER, (U16)(PORT_A + 9));
  GMSG_vMakeSocketAddress(&other, PEER, (U16)(PORT_A + 10));
  ASSERT_TRUE(U_GMSG_bGetMailboxAddress(&self, M_GMSG_TEST));

  const std::vector<GMSG_SOCKET_NODE*> before = Connections(node);
  GSOCKET s = Connect();  // says nothing: its peer address stays unknown
  GMSG_SOCKET_NODE* conn = pNewConnection(node, before);
  ASSERT_NE(conn, nullptr);
  EXPECT_EQ(U_GMSG_pFindSocketNodeByAddress(node, &peer), nullptr);
  EXPECT_FALSE(U_GMSG_bUpdateSocketNodeAddress(node, nullptr, &peer));
  EXPECT_FALSE(U_GMSG_bUpdateSocketNodeAddress(nullptr, conn, &peer));
  ASSERT_TRUE(U_GMSG_bUpdateSocketNodeAddress(node, conn, &peer));
  EXPECT_FALSE(U_GMSG_bUpdateSocketNodeAddress(node, conn, &other));  // set once
  EXPECT_EQ(U_GMSG_pFindSocketNodeByAddress(node, &peer), conn);
  EXPECT_EQ(U_GMSG_pFindSocketNodeByAddress(node, &other), nullptr);

  // A send to that peer travels back over the accepted connection.
  const U32 v = 5;
  ASSERT_TRUE(U_GMSG_bSendMsgNoWaitAsync(M_GMSG_TEST, &peer, GMSG_ID_TEST_01, &DT_UNSIGNED32, &v, 61, 500));
  GMSG_INFO info;
  ASSERT_TRUE(GMSG_bReceiveSocket(&s, &info));
  EXPECT_EQ(info.Header.u64Token, 61u);
  EXPECT_TRUE(GMSG_bAddressEqual(&info.Header.DstAddress, &peer));
  GMSG_bFree(&info);

  // The accepted end of a connection to the own address is read-only.
  const std::vector<GMSG_SOCKET_NODE*> with_first = Connections(node);
  GSOCKET loop = Connect();
  GMSG_SOCKET_NODE* inward = pNewConnection(node, with_first);
  ASSERT_NE(inward, nullptr);
  ASSERT_TRUE(U_GMSG_bUpdateSocketNodeAddress(node, inward, &self));
  EXPECT_NE(U_GMSG_pFindSocketNodeByAddress(node, &self), inward);

  // Deleting from this task marks; the message-layer task closes and reports.
  const size_t reported = s_disconnects.size();
  EXPECT_FALSE(U_GMSG_bDeleteSocketNode(nullptr, conn));
  EXPECT_FALSE(U_GMSG_bDeleteSocketNode(node, nullptr));
  EXPECT_FALSE(U_GMSG_bDeleteSocketNode(node, conn));  // marked, not closed here
  EXPECT_EQ(U_GMSG_pFindSocketNodeByAddress(node, &peer), nullptr);
  EXPECT_FALSE(U_GMSG_bDeleteSocketNode(node, conn));  // already on its way out
  EXPECT_TRUE(Closed(&s));
  EXPECT_TRUE(WaitFor([&] {
    return s_disconnects.size() > reported && GMSG_bAddressEqual(&s_disconnects.back(), &peer);
  }));
  EXPECT_FALSE(U_GMSG_bUpdateSocketNodeAddress(node, conn, &peer));  // gone
  GSOCKET_bClose(&s);
  GSOCKET_bClose(&loop);
}

// Deleting a registration from another task takes it out of every look-up
// at once and frees its port once the message-layer task has deleted it;
// one still held waits for the release.
TEST_F(MessageLayer, DeletingARegistrationFreesItsPort) {
  const U16 port = (U16)(PORT_A + 8);
  for (const bool by_id : {true, false}) {
    SCOPED_TRACE(by_id ? "by mailbox" : "by node");
    // The first round's unregistration freed the port at once.
    ASSERT_TRUE(U_GMSG_bRegisterMailbox(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_map, port));
    GMSG_REG_MAILBOX_NODE* node = U_GMSG_pAcquireMailboxNodeById(M_RADAR_SERVER, FALSE);
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(by_id ? U_GMSG_bDeleteMailboxNodeById(M_RADAR_SERVER) : U_GMSG_bDeleteMailboxNode(node));
    EXPECT_EQ(U_GMSG_pFindMailboxNodeById(M_RADAR_SERVER), nullptr);
    EXPECT_FALSE(U_GMSG_bDeleteMailboxNodeById(M_RADAR_SERVER));
    EXPECT_FALSE(U_GMSG_bGetMailboxAddress(nullptr, M_RADAR_SERVER));
    usleep(600000);  // two periods: held, so still there and its port still taken
    EXPECT_FALSE(U_GMSG_bRegisterMailbox(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_map, port));
    EXPECT_TRUE(U_GMSG_bReleaseMailboxNode(node, FALSE));
    bool registered = false;
    for (int i = 0; i < 100 && !registered; ++i) {
      usleep(20000);
      registered = U_GMSG_bRegisterMailbox(M_RADAR_SERVER, RES_PING, SEMA_GMSG_PING, s_map, port);
    }
    EXPECT_TRUE(registered);
    EXPECT_TRUE(U_GMSG_bUnregisterMailbox(M_RADAR_SERVER));  // in the message-layer task, no holds: at once
  }
  EXPECT_FALSE(U_GMSG_bDeleteMailboxNode(nullptr));
  EXPECT_FALSE(U_GMSG_bDeleteMailboxNodeById(M_SLPTEST));
}

// A whole message handed over by the segmented UDP service is delivered as
// if it had come over a connection: a request is dispatched and answered
// over loopback, a reply matches its pending request; a block with a bad
// signature, or for a mailbox that is not registered, is dropped and freed.
TEST_F(MessageLayer, WholeMessageFromTheSegmentedServiceIsDelivered) {
  PeerListener peer(PORT_B);
  GMSG_ADDRESS self;
  ASSERT_TRUE(U_GMSG_bGetMailboxAddress(&self, M_GMSG_TEST));
  auto post = [](MBOX mailbox, U32 id, U32 flags, const G_DATA_TYPE* t, const void* body, U64 token, U64 reply,
                 bool spoil) -> U64 {
    GMSG_ADDRESS from, to;
    GMSG_vMakeSocketAddress(&from, PEER, PORT_B);
    GMSG_vMakeSocketAddress(&to, LOCAL, PORT_A);
    GMSG_INFO info;
    EXPECT_TRUE(GMSG_bCompose(&info, &from, &to, id, t, body, token, reply, flags, FALSE, 0));
    auto* m = static_cast<MSG_GMSG_NEW_MESSAGE_EXT*>(H_MEMORY_pvMalloc(sizeof(MSG_GMSG_NEW_MESSAGE_EXT)));
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_GMSG_NEW_MESSAGE_EXT;
    m->Mailbox = mailbox;
    m->cpMessageBody = info.pu8Block;  // header and body, now the message layer's
    m->u32MessageLength = GMSG_HEADER_SIZE + info.Header.u32MsgSize;
    m->bIsRaw = FALSE;
    if (spoil) m->cpMessageBody[0] ^= 0xFF;
    L_MBOX_Send(M_GMSG, m, 3, 0);
    return info.Header.__u64ReplyToken;  // a request's comes from the counter
  };

  // A request: the handler's answer goes to the sender over loopback.
  const U32 ping = 3;
  const U64 reply_token = post(M_GMSG_TEST, GMSG_ID_TEST_PING, GMSG_FLAG_REQUEST, &DT_UNSIGNED32, &ping, 81, 0, false);
  GSOCKET accepted;
  ASSERT_TRUE(peer.Accept(&accepted));
  GMSG_INFO pong;
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &pong));
  EXPECT_EQ(pong.Header.u32MsgId, GMSG_ID_TEST_PONG);
  EXPECT_EQ(pong.Header.u32MsgFlags, GMSG_FLAG_REPLY);
  EXPECT_EQ(pong.Header.u64Token, 81u);
  EXPECT_EQ(pong.Header.__u64ReplyToken, reply_token);
  ASSERT_TRUE(GMSG_bParse(&pong, &DT_UNSIGNED32));
  EXPECT_EQ(*static_cast<U32*>(pong.pStructMsg), 42u);
  GMSG_bFree(&pong);

  // Dropped ones never reach the task; the good one after them does.
  const size_t seen = s_received.size();
  post(M_GMSG_TEST, GMSG_u32Id(21, 2), 0, nullptr, nullptr, 82, GMSG_NO_TOKEN, true);
  post(M_SLPTEST, GMSG_u32Id(21, 2), 0, nullptr, nullptr, 83, GMSG_NO_TOKEN, false);
  post(M_GMSG_TEST, GMSG_u32Id(21, 2), 0, nullptr, nullptr, 84, GMSG_NO_TOKEN, false);
  EXPECT_TRUE(WaitFor([&] { return s_received.size() > seen; }));
  usleep(50000);
  {
    std::lock_guard<std::mutex> g(s_lock);
    ASSERT_EQ(s_received.size(), seen + 1);
    EXPECT_EQ(s_received.back().u64Token, 84u);
    EXPECT_EQ(s_received.back().SrcAddress.uAddr.Socket.u32Address, PEER);
    EXPECT_FALSE(s_matched.back());
  }

  // A reply to a pending request is matched to it.
  const U32 body = 4;
  ASSERT_TRUE(U_GMSG_bRequest(M_GMSG_TEST, &peer.address, GMSG_ID_TEST_PING, &DT_UNSIGNED32, &body, 85));
  GMSG_INFO request;
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));
  const GMSG_STATUS st{7, request.Header.u32MsgId, request.Header.u64Token};
  post(M_GMSG_TEST, GMSG_ID_STATUS, GMSG_FLAG_REPLY, &DT_GMSG_STATUS, &st, request.Header.u64Token,
       request.Header.__u64ReplyToken, false);
  GMSG_bFree(&request);
  EXPECT_TRUE(WaitFor([&] { return s_received.size() > seen + 1; }));
  {
    std::lock_guard<std::mutex> g(s_lock);
    EXPECT_EQ(s_received.back().u32MsgId, GMSG_ID_STATUS);
    EXPECT_TRUE(s_matched.back());
    EXPECT_EQ(s_statuses.back(), 7u);
  }
  GSOCKET_bClose(&accepted);
}

}  // namespace

// A request to the unit's own registration: the request arrives over the
// unit's own connection, is answered, and the reply comes back matched.
TEST_F(MessageLayer, RequestToItselfIsAnswered) {
  GMSG_ADDRESS self;
  ASSERT_TRUE(U_GMSG_bGetMailboxAddress(&self, M_GMSG_TEST));
  for (U64 token = 301; token < 304; ++token) {
    const size_t seen = s_received.size();
    const U32 body = 5;
    {
      // The pump answers the request on the same mailbox.
      auto owner = s_pump.AsOwner();
      ASSERT_TRUE(U_GMSG_bRequest(M_GMSG_TEST, &self, GMSG_ID_TEST_PING, &DT_UNSIGNED32, &body, token));
    }
    EXPECT_TRUE(WaitFor([&] { return s_received.size() > seen && s_received.back().u64Token == token; }, 3000))
        << token;
  }
}
