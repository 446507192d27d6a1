// Threading test
// Pending requests of the message layer age by the message-layer task's
// 250 ms timer, on the test clock: a request that is never answered turns
// into a status-3 reply after twelve periods and not before, however busy
// the task's mailbox is in between, and only once.
#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "../support/db_test_env.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/core/t_gmsg.h"
#include "source/platform/platform.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bAddress = (setenv("TESSIX_UNIT_ADDRESS", "127.0.33.1", 1), true);
const bool s_bInstalled = (CORE_vInstall(), true);

const U32 PEER = GSOCKET_u32Address(127, 0, 33, 2);
const U16 PORT = (U16)(40000 + getpid() % 20000);
const U16 PEER_PORT = (U16)(PORT + 1);

std::mutex s_lock;
std::vector<GMSG_HEADER> s_statusHeaders;
std::vector<U32> s_statuses;
std::vector<BOOLEAN> s_matched;

BOOLEAN bStatus(MBOX, GMSG_INFO* info, void*, void*) {
  std::lock_guard<std::mutex> g(s_lock);
  s_statusHeaders.push_back(info->Header);
  s_statuses.push_back(static_cast<GMSG_STATUS*>(info->pStructMsg)->u32MsgStatus);
  s_matched.push_back(info->bReply);
  return TRUE;
}
const GMSG_MAP_INFO s_map[] = {{GMSG_ID_STATUS, &bStatus, &DT_GMSG_STATUS, nullptr, nullptr},
                               {0, nullptr, nullptr, nullptr, nullptr}};

std::atomic<bool> s_bPumping{true};
void vPump() {
  while (s_bPumping) {
    void* m = L_MBOX_ReceiveWaitTicks(M_GMSG_TEST, 20);
    if (m == nullptr) continue;
    if (static_cast<GENERIC_MESSAGE*>(m)->Cmd == CMD_ID_GMSG_RECEIVE) {
      U_GMSG_bHandleReceive(static_cast<MSG_GMSG_RECEIVE*>(m));
    }
    H_MEMORY_vDumpMail(m);
  }
}

size_t Statuses() {
  std::lock_guard<std::mutex> g(s_lock);
  return s_statuses.size();
}

// Real time for the tasks to act on what happened (the test clock stands).
bool SettlesWith(size_t count, int ms) {
  for (int i = 0; i < ms / 5; ++i) {
    if (Statuses() >= count) return true;
    usleep(5000);
  }
  return Statuses() >= count;
}

TEST(RequestExpiry, TwelvePeriodsOfTheTimerNotBusyWakes) {
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
  H_DATABASE_vInit();
  L_TASK_Start(TASK_GMSGTASK);
  L_TASK_Start(TASK_GMSGSOCKETTASK);
  ASSERT_TRUE(U_GMSG_bRegisterMailbox(M_GMSG_TEST, RES_GMSG_TEST, SEMA_GMSG_TEST, s_map, PORT));
  std::thread pump(vPump);

  GSOCKET listen;
  ASSERT_TRUE(GSOCKET_bCreate(&listen, PEER, PEER_PORT, TRUE, 4, FALSE));
  GMSG_ADDRESS peer;
  GMSG_vMakeSocketAddress(&peer, PEER, PEER_PORT);
  const U32 body = 1;
  ASSERT_TRUE(U_GMSG_bRequest(M_GMSG_TEST, &peer, GMSG_ID_TEST_PING, &DT_UNSIGNED32, &body, 71));
  GSOCKET accepted;
  ASSERT_GT(GSOCKET_nWait(listen.nSocket, FALSE, 2000), 0);
  ASSERT_TRUE(GSOCKET_bAccept(&listen, &accepted, FALSE));
  GMSG_INFO request;
  ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &request));  // never answered
  GMSG_bFree(&request);

  // Many commands through the task while the clock stands: nothing ages.
  for (U64 token = 100; token < 140; ++token) {
    ASSERT_TRUE(U_GMSG_bSendMsgNoWaitAsync(M_GMSG_TEST, &peer, GMSG_ID_TEST_01, &DT_UNSIGNED32, &body, token, 500));
    GMSG_INFO info;
    ASSERT_TRUE(GMSG_bReceiveSocket(&accepted, &info));
    GMSG_bFree(&info);
  }
  EXPECT_FALSE(SettlesWith(1, 200));
  EXPECT_EQ(U_GMSG_pFindMailboxNodeWithExpiredRequest(), nullptr);

  // Eleven periods: still pending.
  for (int i = 0; i < GMSG_REQUEST_PERIODS - 1; ++i) {
    PLATFORM_vTestClockAdvanceMs(250);
    usleep(20000);
  }
  EXPECT_FALSE(SettlesWith(1, 200));

  // The twelfth (a period the task did not see only makes it later).
  bool expired = false;
  for (int i = 0; i < 8 && !expired; ++i) {
    PLATFORM_vTestClockAdvanceMs(250);
    expired = SettlesWith(1, 300);
  }
  ASSERT_TRUE(expired);
  {
    std::lock_guard<std::mutex> g(s_lock);
    EXPECT_EQ(s_statuses[0], GMSG_STATUS_TIMED_OUT);
    EXPECT_TRUE(s_matched[0]);
    EXPECT_EQ(s_statusHeaders[0].u64Token, 71u);
  }

  // Answered once: later periods send no second status.
  EXPECT_EQ(U_GMSG_pFindMailboxNodeWithExpiredRequest(), nullptr);
  for (int i = 0; i < 2 * GMSG_REQUEST_PERIODS; ++i) {
    PLATFORM_vTestClockAdvanceMs(250);
    usleep(5000);
  }
  EXPECT_FALSE(SettlesWith(2, 200));

  GSOCKET_bClose(&accepted);
  GSOCKET_bClose(&listen);
  s_bPumping = false;
  auto* wake = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE)));
  memset(wake, 0, sizeof *wake);  // its timed wait runs on the standing clock
  L_MBOX_Send(M_GMSG_TEST, wake, 3, 0);
  pump.join();
}

}  // namespace
