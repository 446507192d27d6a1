// Threading test
// Remote settings database over the message layer on loopback. This unit
// (127.0.32.1) registers a mailbox that serves its database and is a client;
// the test plays the other unit (127.0.32.2) with raw sockets. The client's
// requests arrive with the data name and condition flags, and the other
// unit's notice is decoded into the value; the server answers a fetch with
// the key's value, applies an update, and answers an unknown key or a bad
// name with status 2. Values that do not serialise or decode are refused.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"
#include "source/core/u_database_client.h"
#include "tests/support/db_test_env.h"
#include "tests/support/gmsg_pump.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bAddress = (setenv("TESSIX_UNIT_ADDRESS", "127.0.32.1", 1), true);
const bool s_bInstalled = (CORE_vInstall(), true);
const U32 LOCAL = GSOCKET_u32Address(127, 0, 32, 1);
const U32 PEER = GSOCKET_u32Address(127, 0, 32, 2);
const U16 PORT = (U16)(20000 + (getpid() * 7) % 20000);
const U16 PEER_PORT = (U16)(PORT + 1);

struct Notice {
  U32 id;
  U64 token;
  std::string name;
  U32 value;
  U32 valid;
  bool decoded;
};
std::mutex s_lock;
std::vector<Notice> s_notices;

// The client's handler of the other unit's notices.
BOOLEAN bNewData(MBOX, GMSG_INFO* info, void*, void*) {
  const auto* n = static_cast<const GMSG_DATABASE_NEW_DATA*>(info->pStructMsg);
  Notice a{info->Header.u32MsgId, info->Header.u64Token, n && n->pDataId ? n->pDataId : "", 0, n ? n->bValid : 0,
           false};
  void* value = nullptr;
  if (n && DATABASE_bGetNewData(n, &value, &DT_UNSIGNED32)) {
    a.value = *static_cast<U32*>(value);
    a.decoded = true;
    EXPECT_TRUE(DATABASE_bFreeNewData(n, value, &DT_UNSIGNED32));
  }
  std::lock_guard<std::mutex> g(s_lock);
  s_notices.push_back(a);
  return TRUE;
}

const GMSG_MAP_INFO s_map[] = {
    {GMSG_ID_DATABASE_FETCH, &DATABASE_bServeFetch, &D_GMSG_DATABASE_FETCH, nullptr, nullptr},
    {GMSG_ID_DATABASE_UPDATE, &DATABASE_bServeUpdate, &D_GMSG_DATABASE_UPDATE, nullptr, nullptr},
    {GMSG_ID_DATABASE_NEW_DATA, &bNewData, &D_GMSG_DATABASE_NEW_DATA, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr, nullptr}};

std::atomic<int> s_nDisconnects{0};

class RemoteDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    H_DATABASE_vInit();
    L_TASK_Start(TASK_GMSGTASK);
    L_TASK_Start(TASK_GMSGSOCKETTASK);
    ASSERT_TRUE(U_GMSG_bRegisterMailbox(M_GMSG_TEST, RES_GMSG_TEST, SEMA_GMSG_TEST, s_map, PORT));
    s_pump.Start(M_GMSG_TEST, [](const MSG_GMSG_DISCONNECT*) { ++s_nDisconnects; });
  }
  static void TearDownTestSuite() { s_pump.Stop(); }
  // The other unit's connection to this unit's registration.
  static GSOCKET Connect() {
    GSOCKET s;
    EXPECT_TRUE(GSOCKET_bCreate(&s, LOCAL, PORT, FALSE, 0, TRUE));
    s.Address = GSOCKET_ADDRESS{LOCAL, PORT, 0, 0};
    EXPECT_TRUE(GSOCKET_bConnect(&s, PEER));
    return s;
  }
  static void Send(GSOCKET* s, U32 id, U32 flags, const G_DATA_TYPE* t, const void* body, U64 token,
                   U64 replyToken) {
    GMSG_ADDRESS from, to;
    GMSG_vMakeSocketAddress(&from, PEER, PEER_PORT);
    GMSG_vMakeSocketAddress(&to, LOCAL, PORT);
    GMSG_INFO info;
    ASSERT_TRUE(GMSG_bCompose(&info, &from, &to, id, t, body, token, replyToken, flags, FALSE, 0));
    ASSERT_TRUE(GMSG_bSendSocket(&info, s, FALSE));
    GMSG_bFree(&info);
  }
  // A request from the other unit and the answer it gets.
  static void Ask(GSOCKET* s, U32 id, const G_DATA_TYPE* t, const void* body, U64 token, GMSG_INFO* answer) {
    Send(s, id, GMSG_FLAG_REQUEST, t, body, token, 0);
    ASSERT_TRUE(GMSG_bReceiveSocket(s, answer));
    EXPECT_EQ(answer->Header.u32MsgFlags, GMSG_FLAG_REPLY);
    EXPECT_EQ(answer->Header.u64Token, token);
  }
  static bool WaitNotice(U64 token, Notice* out) {
    for (int i = 0; i < 1000; ++i) {
      {
        std::lock_guard<std::mutex> g(s_lock);
        for (const Notice& a : s_notices) {
          if (a.token == token) {
            *out = a;
            return true;
          }
        }
      }
      usleep(5000);
    }
    return false;
  }
  static GmsgPump s_pump;
};
GmsgPump RemoteDatabase::s_pump;

// Data names travel on a 4-byte boundary, as the serialiser wants text.
struct Name {
  alignas(8) char text[16];
  explicit Name(const char* s) : text{} { snprintf(text, sizeof text, "%s", s); }
};

TEST_F(RemoteDatabase, ServerAnswersFetchesAndAppliesUpdates) {
  H_DATABASE_bUpdateValueU32(FCID("SSIN"), 61, P_NORMAL);
  GSOCKET s = Connect();
  Name ssin("SSIN");
  GMSG_DATABASE_FETCH fetch{ssin.text};
  GMSG_INFO answer;
  Ask(&s, GMSG_ID_DATABASE_FETCH, &D_GMSG_DATABASE_FETCH, &fetch, 101, &answer);
  ASSERT_EQ(answer.Header.u32MsgId, GMSG_ID_DATABASE_NEW_DATA);
  ASSERT_TRUE(GMSG_bParse(&answer, &D_GMSG_DATABASE_NEW_DATA));
  {
    const auto* n = static_cast<const GMSG_DATABASE_NEW_DATA*>(answer.pStructMsg);
    EXPECT_STREQ(n->pDataId, "SSIN");
    EXPECT_EQ(n->bValid, 1u);
    void* value = nullptr;
    ASSERT_TRUE(DATABASE_bGetNewData(n, &value, &DT_UNSIGNED32));
    EXPECT_EQ(*static_cast<U32*>(value), 61u);
    EXPECT_TRUE(DATABASE_bFreeNewData(n, value, &DT_UNSIGNED32));
  }
  GMSG_bFree(&answer);

  alignas(4) U8 seventySeven[4] = {77, 0, 0, 0};
  GMSG_DATABASE_UPDATE update{ssin.text, C_BUFFER{4, seventySeven}};
  Ask(&s, GMSG_ID_DATABASE_UPDATE, &D_GMSG_DATABASE_UPDATE, &update, 102, &answer);
  EXPECT_EQ(answer.Header.u32MsgId, GMSG_ID_DATABASE_NEW_DATA);
  GMSG_bFree(&answer);
  U32 stored = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SSIN"), &stored));
  EXPECT_EQ(stored, 77u);

  // Unknown keys, names that are no key, values that are not 32 bits.
  Name unknown("QQQQ"), longName("SSINX"), empty("");
  alignas(4) U8 two[2] = {5, 0};
  GMSG_DATABASE_FETCH f1{unknown.text}, f2{longName.text}, f3{empty.text};
  GMSG_DATABASE_UPDATE u1{ssin.text, C_BUFFER{2, two}};
  const struct {
    U32 id;
    const G_DATA_TYPE* type;
    const void* body;
  } refused[] = {{GMSG_ID_DATABASE_FETCH, &D_GMSG_DATABASE_FETCH, &f1},
                 {GMSG_ID_DATABASE_FETCH, &D_GMSG_DATABASE_FETCH, &f2},
                 {GMSG_ID_DATABASE_FETCH, &D_GMSG_DATABASE_FETCH, &f3},
                 {GMSG_ID_DATABASE_UPDATE, &D_GMSG_DATABASE_UPDATE, &u1}};
  U64 token = 110;
  for (const auto& r : refused) {
    SCOPED_TRACE(token);
    Ask(&s, r.id, r.type, r.body, token++, &answer);
    EXPECT_EQ(answer.Header.u32MsgId, GMSG_ID_STATUS);
    ASSERT_TRUE(GMSG_bParse(&answer, &DT_GMSG_STATUS));
    EXPECT_EQ(static_cast<GMSG_STATUS*>(answer.pStructMsg)->u32MsgStatus, GMSG_STATUS_NOT_HANDLED);
    GMSG_bFree(&answer);
  }
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("SSIN"), &stored));
  EXPECT_EQ(stored, 77u);
  // The unit notices the other unit going away before anything else runs.
  const int before = s_nDisconnects;
  GSOCKET_bClose(&s);
  for (int i = 0; i < 1000 && s_nDisconnects == before; i++) usleep(5000);
  EXPECT_GT(s_nDisconnects, before);
}

TEST_F(RemoteDatabase, ClientRequestsCarryNamesFlagsAndValuesAndTakeNotices) {
  GSOCKET listen;
  ASSERT_TRUE(GSOCKET_bCreate(&listen, PEER, PEER_PORT, TRUE, 4, FALSE));
  GMSG_ADDRESS server;
  GMSG_vMakeSocketAddress(&server, PEER, PEER_PORT);
  DATABASE_CLIENT client;
  ASSERT_TRUE(DATABASE_bClientInitDatabase(&client, &server, M_GMSG_TEST));

  ASSERT_TRUE(DATABASE_bClientFetchData(&client, "SVOL", 201));
  GSOCKET accepted;
  ASSERT_TRUE(GSOCKET_bAccept(&listen, &accepted, FALSE));
  GMSG_INFO request;
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));
  EXPECT_EQ(request.Header.u32MsgId, GMSG_ID_DATABASE_FETCH);
  EXPECT_EQ(request.Header.u32MsgFlags, GMSG_FLAG_REQUEST);
  ASSERT_TRUE(GMSG_bParse(&request, &D_GMSG_DATABASE_FETCH));
  EXPECT_STREQ(static_cast<GMSG_DATABASE_FETCH*>(request.pStructMsg)->pDataId, "SVOL");
  // The other unit answers with a notice carrying the value.
  Name svol("SVOL");
  alignas(4) U8 value[4] = {0x34, 0x12, 0, 0};
  GMSG_DATABASE_NEW_DATA notice{svol.text, 1, C_BUFFER{4, value}};
  Send(&accepted, GMSG_ID_DATABASE_NEW_DATA, GMSG_FLAG_REPLY, &D_GMSG_DATABASE_NEW_DATA, &notice,
       request.Header.u64Token, request.Header.__u64ReplyToken);
  GMSG_bFree(&request);
  Notice got;
  ASSERT_TRUE(WaitNotice(201, &got));
  EXPECT_TRUE(got.decoded);
  EXPECT_EQ(got.value, 0x1234u);
  EXPECT_EQ(got.name, "SVOL");

  const struct {
    BOOLEAN changed, invalid, updated;
    U32 flags;
  } registrations[] = {{TRUE, FALSE, FALSE, 1}, {FALSE, TRUE, TRUE, 6}, {TRUE, TRUE, TRUE, 7}};
  for (const auto& r : registrations) {
    ASSERT_TRUE(DATABASE_bClientRegisterData(&client, "SVOL", r.changed, r.invalid, r.updated, 202));
    ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));
    EXPECT_EQ(request.Header.u32MsgId, GMSG_ID_DATABASE_REGISTER);
    ASSERT_TRUE(GMSG_bParse(&request, &D_GMSG_DATABASE_REGISTER));
    EXPECT_EQ(static_cast<GMSG_DATABASE_REGISTER*>(request.pStructMsg)->u32ConditionFlags, r.flags);
    GMSG_bFree(&request);
  }

  ASSERT_TRUE(DATABASE_bClientUnregisterData(&client, "SVOL", 203));
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));
  EXPECT_EQ(request.Header.u32MsgId, GMSG_ID_DATABASE_UNREGISTER);
  GMSG_bFree(&request);

  const U32 wanted = 0xCAFE;
  ASSERT_TRUE(DATABASE_bClientUpdateData(&client, "SVOL", &DT_UNSIGNED32, &wanted, 204));
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));
  EXPECT_EQ(request.Header.u32MsgId, GMSG_ID_DATABASE_UPDATE);
  ASSERT_TRUE(GMSG_bParse(&request, &D_GMSG_DATABASE_UPDATE));
  {
    const auto* u = static_cast<GMSG_DATABASE_UPDATE*>(request.pStructMsg);
    EXPECT_STREQ(u->pDataId, "SVOL");
    ASSERT_EQ(u->Buffer.nSize, 4);
    EXPECT_EQ(u->Buffer.pData[0], 0xFE);
    EXPECT_EQ(u->Buffer.pData[1], 0xCA);
  }
  GMSG_bFree(&request);
  // A name too long to carry is refused before anything is sent.
  EXPECT_FALSE(DATABASE_bClientFetchData(&client, std::string(100, 'A').c_str(), 205));
  GSOCKET_bClose(&accepted);
  GSOCKET_bClose(&listen);
}

TEST(RemoteDatabaseValues, EmptyOrUndecodableNoticesAndUnserialisableValues) {
  void* value = nullptr;
  GMSG_DATABASE_NEW_DATA empty{const_cast<char*>("SSIN"), 1, C_BUFFER{0, nullptr}};
  EXPECT_FALSE(DATABASE_bGetNewData(&empty, &value, &DT_UNSIGNED32));
  U8 two[2] = {1, 2};
  GMSG_DATABASE_NEW_DATA shortValue{const_cast<char*>("SSIN"), 1, C_BUFFER{2, two}};
  EXPECT_FALSE(DATABASE_bGetNewData(&shortValue, &value, &DT_UNSIGNED32));
  EXPECT_EQ(value, nullptr);
  EXPECT_FALSE(DATABASE_bFreeNewData(&shortValue, nullptr, &DT_UNSIGNED32));
  DATABASE_CLIENT nobody{};
  EXPECT_FALSE(DATABASE_bClientUpdateData(&nobody, "SSIN", &DT_DEFAULT, &two, 1));
}

}  // namespace
