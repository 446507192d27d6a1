// Threading test
// The factory keypad check driven from the key device: input events go into
// the keypad's device, the keyboard task routes the key changes to the
// in-line test's mailbox, and the check walks its whole sequence to the end
// (and steps back on a wrong key), as the in-line test task would see it.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_inlinetest.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/ui_install.h"
#include "tests/support/key_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

keytest::KeyPipe& s_pipe = keytest::Pipe();
constexpr MBOX TEST_MBOX = M_INLINETEST;

// Key device slots.
constexpr int SLOT_POWER = 0, SLOT_MENU = 1, SLOT_EXIT = 2, SLOT_VIEW = 3, SLOT_ZOOM_IN = 4, SLOT_ZOOM_OUT = 5,
              SLOT_MARK = 6, SLOT_GOTO = 7, SLOT_INFO = 8, SLOT_NORTH = 9, SLOT_SOUTH = 10, SLOT_WEST = 11,
              SLOT_EAST = 12, SLOT_SOFT1 = 13, SLOT_SOFT2 = 14, SLOT_SOFT3 = 15;

void Step(U32 ms = KEYBOARD_POLL_PERIOD_MS) {
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(ms);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; })) << "no poll";
}

void Sync() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RESET_POS;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_KEYB, msg, 3, SEMA_MBOX_MENU), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

class FactoryKeypad : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    H_DATABASE_vInit();
    ASSERT_EQ(L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB), lsSUCCESS);
    ASSERT_EQ(L_TASK_Start(TASK_KBDTASK), lsSUCCESS);
    ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_TIMER_KEYB) == TASK_KBDTASK; }));
    Step(KEYBOARD_POLL_FIRST_MS);
    // The in-line test takes every key, presses and releases; the power key
    // only goes to a registration that names it alone.
    ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(TEST_MBOX, 0xFFFE, KEY_CHANGE, FALSE, FALSE, CURSOR_4, REGISTER_DIAGNOSTIC));
    ASSERT_TRUE(U_KEYBOARD_bRegisterKeys(TEST_MBOX, 1, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_DIAGNOSTIC));
    Sync();
  }

  // Presses and releases a key through the device; every key change that
  // reached the in-line test's mailbox goes through the keypad check.
  void Tap(int slot) {
    keytest::SetSlot(slot, true);
    Step();
    keytest::SetSlot(slot, false);
    Step();
    Sync();
    while (void* p = L_MBOX_Receive(TEST_MBOX)) {
      const MSG_KEY_CHANGE* m = (const MSG_KEY_CHANGE*)p;
      if (m->Header.Cmd == CMD_ID_KEY_CHANGE) {
        H_INLINETEST_vHandleKeypadTest(m, &step, last, previous);
        seen.push_back(last);
      }
      H_MEMORY_vDumpMail(p);
    }
  }

  TESTING_KEY step = FIRST_KEY;
  char last[H_INLINETEST_ACTION_TEXT] = "";
  char previous[H_INLINETEST_ACTION_TEXT] = "";
  std::vector<std::string> seen;
};

TEST_F(FactoryKeypad, WholeSequenceFromTheKeyDeviceReachesTheEnd) {
  const int order[] = {SLOT_VIEW,  SLOT_MENU,     SLOT_EXIT,    SLOT_SOFT1, SLOT_SOFT2, SLOT_SOFT3,
                       SLOT_POWER, SLOT_GOTO,     SLOT_MARK,    SLOT_INFO,  SLOT_ZOOM_OUT, SLOT_ZOOM_IN,
                       SLOT_NORTH, SLOT_SOUTH,    SLOT_EAST,    SLOT_WEST};
  int expected = 0;
  for (int slot : order) {
    SCOPED_TRACE(slot);
    Tap(slot);
    expected += 2;
    ASSERT_EQ(step, expected) << (seen.empty() ? "" : seen.back());
  }
  EXPECT_EQ(step, TESTING_KEY_DONE);
  EXPECT_STREQ(previous, "Cursor West Key--Pressed");
  EXPECT_STREQ(last, "Cursor Key--Released");
}

TEST_F(FactoryKeypad, WrongKeyFromTheDeviceStepsBack) {
  Tap(SLOT_VIEW);
  ASSERT_EQ(step, TESTING_KEY_MENU_DOWN);
  Tap(SLOT_EXIT);  // menu was due
  EXPECT_EQ(step, TESTING_KEY_MENU_DOWN);
  EXPECT_STREQ(last, "Exit Key--Released");
  Tap(SLOT_MENU);
  EXPECT_EQ(step, TESTING_KEY_EXIT_DOWN);
}

}  // namespace
