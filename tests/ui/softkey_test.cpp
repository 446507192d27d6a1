// Threading test: also runs under ThreadSanitizer.
// The soft-key task with the real keyboard task: soft keys pressed at the
// keypad (input_event records in the key input device), the clock moved by
// the test. A hold of 2 s stores the view shown; a later press restores it.
#include <gtest/gtest.h>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/dd_key.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/ui/t_button.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/ui_install.h"
#include "tests/support/key_test_env.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

keytest::KeyPipe& s_pipe = keytest::Pipe();
constexpr SEMA SEMA_ACK = SEMA_USER_TEST;
constexpr SEMA SEMA_PROBE = SEMA_TEST_PARAMS;

void AdvanceClock(U32 ms) {
  static TIMER_INFO* s_probe = L_TIMER_Allocate();
  ASSERT_NE(nullptr, s_probe);
  ASSERT_EQ(s_probe, L_TIMER_Start(s_probe, ms, 0, SEMA_PROBE));
  PLATFORM_vTestClockAdvanceMs(ms);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_PROBE) == -lsSEMA_DONE; }));
  (void)L_TIMER_GetRemaining(s_probe);
  L_SEMA_SetPending(SEMA_PROBE);
}

void Sync(MBOX mbox, CMD_ID cmd) {
  GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  m->Cmd = cmd;
  ASSERT_EQ(lsSUCCESS, L_MBOX_SendWait(mbox, m, 3, SEMA_ACK));
  H_MEMORY_vFree(m);
}
void SyncAll() {
  Sync(M_KEYB, CMD_ID_WRITE_TO_NVR);
  Sync(M_BUTTON, CMD_ID_WRITE_TO_NVR);
}

void KeyboardAtRest() {
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_TIMER_KEYB) == TASK_KBDTASK; }));
}

void Poll() {
  KeyboardAtRest();
  const U32 before = T_KEYBOARD_u32PollCount();
  PLATFORM_vTestClockAdvanceMs(KEYBOARD_POLL_PERIOD_MS);
  ASSERT_TRUE(WaitFor([&] { return T_KEYBOARD_u32PollCount() != before; }));
}

void SetKey(int slot, bool pressed) {
  KeyboardAtRest();
  keytest::SetSlot(slot, pressed);
  Poll();
  SyncAll();
}

S32 Fetch(FOURCHARID key) {
  S32 v = -999;
  (void)H_DATABASE_bFetchS32(key, &v);
  return v;
}

class Unit : public ::testing::Environment {
 public:
  void SetUp() override {
    PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
    PLATFORM_vTestClockAdvanceNs(1000000 - L_CLOCK_qwGetTimeInNans() % 1000000);
    H_DATABASE_vInit();
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
    ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_KEYB, SEMA_MBOX_KEYB));
    ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_KBDTASK));
    KeyboardAtRest();
    AdvanceClock(KEYBOARD_POLL_FIRST_MS);
    ASSERT_TRUE(WaitFor([] { return T_KEYBOARD_u32PollCount() > 0; }));
    ASSERT_EQ(lsSUCCESS, L_MBOX_DefineSema(M_BUTTON, SEMA_MBOX_BUTTON));
    ASSERT_EQ(lsSUCCESS, L_TASK_Start(TASK_BUTTONTASK));
    ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_BUTTON) == TASK_BUTTONTASK; }));
    SyncAll();
  }
};
::testing::Environment* const s_env = ::testing::AddGlobalTestEnvironment(new Unit);

TEST(SoftKey, FactoryShortcutsThenHoldStoresAndPressRestores) {
  EXPECT_EQ(SONAR_SIDEVIEW_AND_DOWN, Fetch(FCID("SKY1")));
  EXPECT_EQ(CHART_PLUS_2D_VIEW_PRIORITY, Fetch(FCID("SKY2")));
  EXPECT_EQ(CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY, Fetch(FCID("SKY3")));

  // Hold the first soft key for 2 s over the sonar view: stored.
  SetKey(DD_SLOT_SOFT_KEY_1, true);
  EXPECT_EQ(BUTTON_KEY_DOWN, T_BUTTON_eState());
  AdvanceClock(BUTTON_HOLD_MS);
  // The hold timer's expiry and the probe's come in either order.
  EXPECT_TRUE(WaitFor([] { return Fetch(FCID("SKY1")) == SONAR_VIEW_PRIORITY; }));
  EXPECT_TRUE(WaitFor([] { return T_BUTTON_eState() == BUTTON_SAVED_MESSAGE; }));
  SyncAll();
  SetKey(DD_SLOT_SOFT_KEY_1, false);
  EXPECT_EQ(SONAR_VIEW_PRIORITY, Fetch(FCID("CVEW"))) << "the release after a hold changes nothing";
  AdvanceClock(BUTTON_SAVED_MESSAGE_MS);
  EXPECT_TRUE(WaitFor([] { return T_BUTTON_eState() == BUTTON_TIMER_NOT_IN_USE; }));
  SyncAll();

  // Elsewhere, a short press of the first soft key brings the view back.
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), CHART_PLUS_2D_VIEW_PRIORITY, P_NORMAL);
  SetKey(DD_SLOT_SOFT_KEY_1, true);
  SetKey(DD_SLOT_SOFT_KEY_1, false);
  EXPECT_EQ(SONAR_VIEW_PRIORITY, Fetch(FCID("CVEW")));
  EXPECT_EQ(BUTTON_HELPER_MESSAGE, T_BUTTON_eState());
  AdvanceClock(BUTTON_HOLD_MS);
  EXPECT_TRUE(WaitFor([] { return T_BUTTON_eState() == BUTTON_TIMER_NOT_IN_USE; }));
  SyncAll();

  // A factory reset restores the shortcuts.
  Sync(M_BUTTON, CMD_ID_RESET_POS);
  EXPECT_EQ(SONAR_SIDEVIEW_AND_DOWN, Fetch(FCID("SKY1")));
}

}  // namespace
