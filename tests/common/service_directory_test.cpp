// The service directory, the network destination list, the server monitors
// and the connection notifications.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/u_netdest.h"
#include "common/u_netmsg.h"
#include "common/u_service_dir.h"
#include "common/u_srvmonitor.h"
#include "lsvc/lsvc.h"

namespace {

// The trace lines written while a call runs.
template <typename F>
std::string TraceOf(F&& call) {
  testing::internal::CaptureStdout();
  call();
  return testing::internal::GetCapturedStdout();
}
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

ServiceDirectoryType* Make(std::initializer_list<const char*> items) {
  ServiceDirectoryType* d = U_SERVICE_DIRECTORY_pNew();
  for (const char* s : items) EXPECT_TRUE(U_SERVICE_DIRECTORY_bAddElement(d, U_UTILS_strdup(s)));
  return d;
}

std::vector<std::string> Items(const ServiceDirectoryType* d) {
  std::vector<std::string> out;
  for (U32 i = 0; i < U_SERVICE_DIRECTORY_u32GetNumberOfItems(d); i++) out.push_back(U_SERVICE_DIRECTORY_u32GetItem(d, i));
  return out;
}

GMSG_ADDRESS Sock(U8 last, U32 port) {
  GMSG_ADDRESS a;
  GMSG_vMakeSocketAddress(&a, GSOCKET_u32Address(127, 0, 0, last), port);
  return a;
}

class ServiceUtilities : public ::testing::Test {};

TEST_F(ServiceUtilities, DirectoryHoldsFindsAndDiffers) {
  EXPECT_EQ(U_SERVICE_DIRECTORY_u32GetNumberOfItems(nullptr), 0u);
  EXPECT_FALSE(U_SERVICE_DIRECTORY_bAddElement(nullptr, U_UTILS_strdup("x")));
  // Grows past its first 32 slots.
  ServiceDirectoryType* big = U_SERVICE_DIRECTORY_pNew();
  for (int i = 0; i < 70; i++) ASSERT_TRUE(U_SERVICE_DIRECTORY_bAddElement(big, U_UTILS_strdup(std::to_string(i).c_str())));
  EXPECT_EQ(U_SERVICE_DIRECTORY_u32GetNumberOfItems(big), 70u);
  EXPECT_STREQ(U_SERVICE_DIRECTORY_u32GetItem(big, 69), "69");
  EXPECT_EQ(U_SERVICE_DIRECTORY_u32GetItem(big, 70), nullptr);
  U_SERVICE_DIRECTORY_vFree(big);

  ServiceDirectoryType* a = Make({"gps base 10.0.0.1", "sonar port 10.0.0.2", "gps aux 10.0.0.3"});
  EXPECT_TRUE(U_SERVICE_DIRECTORY_pcContainsItem(a, "sonar port 10.0.0.2"));
  EXPECT_FALSE(U_SERVICE_DIRECTORY_pcContainsItem(a, "sonar port"));

  struct Case {
    std::vector<const char*> texts;
    std::vector<std::string> want;  // empty: none
  };
  const Case cases[] = {
      {{"gps"}, {"gps base 10.0.0.1", "gps aux 10.0.0.3"}},
      {{"gps", "aux"}, {"gps aux 10.0.0.3"}},
      {{"gps", "sonar"}, {}},
      {{"radar", "x"}, {}},
      {{"10.0.0."}, {"gps base 10.0.0.1", "sonar port 10.0.0.2", "gps aux 10.0.0.3"}},
  };
  for (const Case& c : cases) {
    ServiceDirectoryType* found = nullptr;
    if (c.texts.size() == 1) found = U_SERVICE_DIRECTORY_pcFindElementsMatchingAttributes(a, c.texts[0], nullptr);
    else found = U_SERVICE_DIRECTORY_pcFindElementsMatchingAttributes(a, c.texts[0], c.texts[1], nullptr);
    if (c.want.empty()) {
      EXPECT_EQ(found, nullptr) << c.texts[0];
    } else {
      EXPECT_EQ(Items(found), c.want) << c.texts[0];
    }
    U_SERVICE_DIRECTORY_vFree(found);
  }
  EXPECT_EQ(U_SERVICE_DIRECTORY_pcFindElementsMatchingAttributes(nullptr, "gps", nullptr), nullptr);
  EXPECT_EQ(U_SERVICE_DIRECTORY_pcFindElementsMatchingAttributes(a, nullptr), nullptr);

  ServiceDirectoryType* b = Make({"sonar port 10.0.0.2"});
  ServiceDirectoryType* diff = U_SERVICE_DIRECTORY_pcSetDifference(a, b);
  EXPECT_EQ(Items(diff), (std::vector<std::string>{"gps base 10.0.0.1", "gps aux 10.0.0.3"}));
  EXPECT_EQ(U_SERVICE_DIRECTORY_pcSetDifference(a, nullptr), nullptr);

  EXPECT_TRUE(U_SERVICE_DIRECTORY_bRemoveElement(a, "sonar port 10.0.0.2"));
  EXPECT_FALSE(U_SERVICE_DIRECTORY_bRemoveElement(a, "sonar port 10.0.0.2"));
  EXPECT_EQ(Items(a), Items(diff));

  EXPECT_TRUE(Has(TraceOf([&] { U_SERVICE_DIRECTORY_vPrint(a); }),
                  "pRealDirectory->pValueArray[1] = gps aux 10.0.0.3"));
  ServiceDirectoryType* empty = U_SERVICE_DIRECTORY_pNew();
  EXPECT_TRUE(Has(TraceOf([&] { U_SERVICE_DIRECTORY_vPrint(empty); }), "pRealDirectory is EMPTY!"));
  for (auto* d : {a, b, diff, empty}) U_SERVICE_DIRECTORY_vFree(d);
}

TEST_F(ServiceUtilities, GlobalDirectoryIsHeldUnderItsMutex) {
  EXPECT_EQ(U_SERVICE_DIRECTORY_pObtainGobalServiceDirectory(), nullptr);
  // No lock is left behind by the empty answer: another thread takes it.
  std::thread([] { EXPECT_EQ(L_MUTEX_Lock(RES_GLOBAL_SERVICE_DIRECTORY), lsSUCCESS);
                   L_MUTEX_Unlock(RES_GLOBAL_SERVICE_DIRECTORY); }).join();

  ASSERT_TRUE(U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(Make({"one"})));
  ServiceDirectoryType* held = U_SERVICE_DIRECTORY_pObtainGobalServiceDirectory();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(Items(held), std::vector<std::string>{"one"});
  std::thread([] { EXPECT_EQ(L_MUTEX_Lock(RES_GLOBAL_SERVICE_DIRECTORY), -lsMUTEX_BUSY); }).join();
  // A replacement waits for the holder.
  std::thread setter([] { U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(Make({"two", "three"})); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Items(held), std::vector<std::string>{"one"});
  U_SERVICE_DIRECTORY_vReleaseGobalServiceDirectory(held);
  setter.join();
  held = U_SERVICE_DIRECTORY_pObtainGobalServiceDirectory();
  EXPECT_EQ(Items(held), (std::vector<std::string>{"two", "three"}));
  U_SERVICE_DIRECTORY_vReleaseGobalServiceDirectory(held);
  U_SERVICE_DIRECTORY_bSetGobalServiceDirectory(nullptr);
}

TEST_F(ServiceUtilities, DestinationListSlots) {
  NetworkDestinationsType* list = U_NETWORKDEST_pvNew();
  const GMSG_ADDRESS a = Sock(2, 5000), b = Sock(3, 5000), null = Sock(0, 0);
  const GMSG_ADDRESS zero = [] { GMSG_ADDRESS z; GMSG_vMakeSocketAddress(&z, 0, 0); return z; }();
  EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &a, TRUE, 7));
  EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &a, TRUE, 7));  // same pair: one slot
  EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &a, TRUE, 8));  // other value: second slot
  EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &b, TRUE, 9));
  EXPECT_FALSE(U_NETWORKDEST_bRegisterNetworkDestination(list, &zero, TRUE, 1));  // would look free
  (void)null;

  auto walk = [&] {
    std::vector<std::pair<U32, U32>> seen;  // address's last octet, user value
    U32 index = 0, user = 0;
    while (const GMSG_ADDRESS* p = U_NETWORKDEST_gapNext(list, &index, &user))
      seen.push_back({p->uAddr.Socket.u32Address >> 24, user});
    return seen;
  };
  EXPECT_EQ(walk(), (std::vector<std::pair<U32, U32>>{{2, 7}, {2, 8}, {3, 9}}));

  U32 user = 1234;
  U_NETWORKDEST_vFindUserData(list, GSOCKET_u32Address(127, 0, 0, 3), &user);
  EXPECT_EQ(user, 9u);
  U_NETWORKDEST_vFindUserData(list, GSOCKET_u32Address(127, 0, 0, 4), &user);
  EXPECT_EQ(user, 9u);  // unchanged

  EXPECT_FALSE(U_NETWORKDEST_bRegisterNetworkDestination(list, &a, FALSE, 99));
  EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &a, FALSE, 8));
  EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &b, FALSE, NETWORKDEST_ANY_USER_DATA));
  EXPECT_EQ(walk(), (std::vector<std::pair<U32, U32>>{{2, 7}}));

  for (U32 i = 0; i < NETWORKDEST_SLOTS - 1; i++) {
    const GMSG_ADDRESS p = Sock(10, 6000 + i);
    EXPECT_TRUE(U_NETWORKDEST_bRegisterNetworkDestination(list, &p, TRUE, i));
  }
  const GMSG_ADDRESS extra = Sock(11, 1);
  EXPECT_FALSE(U_NETWORKDEST_bRegisterNetworkDestination(list, &extra, TRUE, 0));
  EXPECT_FALSE(U_NETWORKDEST_bRegisterNetworkDestination(nullptr, &a, TRUE, 0));
  U_NETWORKDEST_pvFree(list);
}

TEST_F(ServiceUtilities, NotificationsAcknowledge) {
  const GMSG_ADDRESS a = Sock(2, 1);
  U_NETMSG_vConnectSucceeded(&a);
  for (auto f : {U_NETMSG_bConnectFailed, U_NETMSG_bSendDataSucceeded, U_NETMSG_bSendDataFailed,
                 U_NETMSG_bConnectionLost})
    EXPECT_TRUE(f(&a));
}

TEST_F(ServiceUtilities, ServerMonitorSendsItsTimeoutOnce) {
  constexpr MBOX kBox = M_DUMMY;
  U_SERVER_MONITOR_vCheckForTimeouts();  // before any allocation: nothing
  U32 handles[SERVER_MONITOR_SLOTS];
  for (U32 i = 0; i < SERVER_MONITOR_SLOTS - 1; i++) {
    handles[i] = U_SERVER_MONITOR_u32Allocate();
    EXPECT_EQ(handles[i], i);
  }
  EXPECT_EQ(U_SERVER_MONITOR_u32Allocate(), SERVER_MONITOR_INVALID);  // the twentieth

  const GMSG_ADDRESS server = Sock(3, 50560);
  const U32 h = handles[4];
  U_SERVER_MONITOR_vSetServerAddress(h, &server);
  U_SERVER_MONITOR_vSetMailbox(h, kBox);
  U_SERVER_MONITOR_vSetUserName(h, "sounder");
  U_SERVER_MONITOR_vSetTimeoutInterval(h, 30);
  U_SERVER_MONITOR_vSetActive(h, TRUE);
  // Invalid handles change nothing.
  U_SERVER_MONITOR_vSetActive(SERVER_MONITOR_SLOTS - 1, TRUE);
  U_SERVER_MONITOR_vSetActive(SERVER_MONITOR_INVALID, TRUE);

  U_SERVER_MONITOR_vCheckForTimeouts();
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);  // well inside the interval
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  const std::string trace = TraceOf([] { U_SERVER_MONITOR_vCheckForTimeouts(); });
  auto* msg = static_cast<MSG_SERVER_MONITOR_TIMEOUT*>(L_MBOX_Receive(kBox));
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->Header.Cmd, CMD_ID_SERVER_MONITOR_TIMEOUT);
  EXPECT_EQ(msg->u32Mailbox, (U32)kBox);
  EXPECT_TRUE(GMSG_bAddressEqual(&msg->ServerAddress, &server));
  H_MEMORY_vFree(msg);
  EXPECT_TRUE(Has(trace, "U_SERVER_MONITOR_vCheckForTimeouts: Timeout! pName = sounder"));
  EXPECT_TRUE(Has(trace, "mtServerMonitorArray[4].u32TimeoutTimeInterval = 30"));

  // Inactive now: no second message until it is made active again.
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  U_SERVER_MONITOR_vCheckForTimeouts();
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);
  U_SERVER_MONITOR_vSetTimeoutInterval(h, 300);
  U_SERVER_MONITOR_vSetActive(h, TRUE);
  for (int i = 0; i < 4; i++) {  // messages keep it alive
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    U_SERVER_MONITOR_vReceivedMessage(h);
    U_SERVER_MONITOR_vCheckForTimeouts();
  }
  EXPECT_EQ(L_MBOX_Receive(kBox), nullptr);
  U_SERVER_MONITOR_vSetActive(h, FALSE);
}

}  // namespace
