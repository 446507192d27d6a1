// The shutdown requests of the wireless remote and the PC tool reach the
// keyboard task's mailbox (found through its key TKBD) as the keyboard
// task expects them.
#include <gtest/gtest.h>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/serial/t_serial_requests.h"
#include "source/ui/t_keyboard.h"
#include "tests/support/db_test_env.h"

namespace {

class ShutdownRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    while (void* m = L_MBOX_Receive(M_DUMMY)) H_MEMORY_vDumpMail(m);
  }
  void RegisterKeyboard() {
    H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), M_DUMMY, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  }
};

TEST_F(ShutdownRequests, RemotePowerOffAsksForAPowerDown) {
  RegisterKeyboard();
  T_BTREMOTE_vPowerOff();
  auto* msg = (MSG_INITIATE_SHUTDOWN*)L_MBOX_Receive(M_DUMMY);
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->Header.Cmd, CMD_ID_INITIATE_SHUTDOWN);
  EXPECT_EQ(msg->Header.msghdr.MsgPriority, 3);
  EXPECT_EQ(msg->Header.msghdr.sema, 0);
  EXPECT_FALSE(msg->bReset);
  EXPECT_TRUE(msg->bPowerOff);
  H_MEMORY_vDumpMail(msg);
}

TEST_F(ShutdownRequests, ReflashMarksTheRestoreAndAsksForAReset) {
  RegisterKeyboard();
  EXPECT_TRUE(T_PCC_bStartReFlash());
  BOOLEAN restore = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("SSRD"), &restore));
  EXPECT_TRUE(restore);
  // The factory restore tells every task registered under a T key (here the
  // stand-in keyboard's mailbox too) before the shutdown request is sent.
  auto* msg = (MSG_INITIATE_SHUTDOWN*)L_MBOX_Receive(M_DUMMY);
  while (msg != nullptr && msg->Header.Cmd == CMD_ID_RESET_POS) {
    H_MEMORY_vDumpMail(msg);
    msg = (MSG_INITIATE_SHUTDOWN*)L_MBOX_Receive(M_DUMMY);
  }
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->Header.Cmd, CMD_ID_INITIATE_SHUTDOWN);
  EXPECT_TRUE(msg->bReset);
  EXPECT_FALSE(msg->bPowerOff);
  H_MEMORY_vDumpMail(msg);
}

TEST_F(ShutdownRequests, NothingIsSentWithoutAKeyboardTask) {
  T_BTREMOTE_vPowerOff();
  EXPECT_FALSE(T_PCC_bStartReFlash());
  EXPECT_EQ(L_MBOX_Receive(M_DUMMY), nullptr);
}

}  // namespace
