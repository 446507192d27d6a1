// Threading test: also runs under ThreadSanitizer.
// The alarm task driven through its mailbox on the test clock: which alarm
// is shown, its tones (read from the sound task's mailbox, which nobody
// serves here), its dialog layer and keys (read from stand-in mailboxes of
// the view and keyboard tasks), the keys' effect on plain and extended
// alarms, replacement, clearing, the clear-all pass and the factory-test
// state; the network body of an ended alarm; golden pictures of the
// dialogs.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/startup/t_alarm.h"
#include "source/startup/t_timer.h"
#include "source/startup/startup_install.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"
#include "tests/support/wait_for.h"

static const bool s_bInstalled = (CORE_vInstall(), GRAPHICS_vInstall(), UI_vInstall(), STARTUP_vInstall(), true);

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

constexpr MBOX KEYBOARD_STANDIN = M_NAV;
constexpr MBOX VIEW_STANDIN = M_NMEA;
constexpr SEMA SYNC_SEMA = SEMA_MBOX_CHART;

// Tone lengths the task sees.
U32 u32FakeLength(TONE_SEQUENCE id, const SOUND* custom) {
  if (id == TONE_USE_CUSTOM) return custom != nullptr ? 2000 : 0;
  if (id == TONE_GENERAL_ALERT) return 700;
  if (id == TONE_ALARM_ALERT) return 300;
  return 100;
}

SOUND s_custom = {"depth", 200000, 21729, nullptr};

std::atomic<int> s_cancels[NUMBER_OF_SUPPORTED_ALARMS];
std::atomic<int> s_left{0}, s_right{0};
void vCancel3() { ++s_cancels[3]; }
void vCancel5() { ++s_cancels[5]; }
void vCancel19() { ++s_cancels[19]; }
void vCancel40() { ++s_cancels[40]; }
void vLeft() { ++s_left; }
void vRight() { ++s_right; }
ALARM_CALLBACK* CancelOf(S32 kind) {
  switch (kind) {
    case 3: return &vCancel3;
    case 5: return &vCancel5;
    case 19: return &vCancel19;
    case 40: return &vCancel40;
    default: return nullptr;
  }
}

void Sync() {
  auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_ALARM, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

struct Alarm {
  S32 kind;
  TONE_SEQUENCE initial = TONE_USE_CUSTOM;
  SOUND* initialCustom = nullptr;
  TONE_SEQUENCE reminder = TONE_USE_CUSTOM;
  SOUND* reminderCustom = nullptr;
  bool extended = false;
  const char* text = "Shallow Water";
};

void Set(const Alarm& a) {
  auto* m = (ALARM_SET_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_SET_MESSAGE));
  memset(m, 0, sizeof *m);
  m->header.Cmd = a.extended ? CMD_ID_SET_EXT_ALARM : CMD_ID_SET_ALARM;
  m->Priority = (ALARM_PRIORITY)a.kind;
  m->pMessageString = a.text;
  m->pLeftChoice = "No";
  m->pRightChoice = "Yes";
  m->pFunctionCbLeftKeyAction = &vLeft;
  m->pFunctionCbRightKeyAction = &vRight;
  m->InitialToneID = a.initial;
  m->pInitialCustomTone = a.initialCustom;
  m->ReminderToneID = a.reminder;
  m->pReminderCustomTone = a.reminderCustom;
  m->pFunctionAlarmCancel = CancelOf(a.kind);
  ASSERT_EQ(L_MBOX_Send(M_ALARM, m, 3, 0), lsSUCCESS);
  Sync();
}

void Clear(S32 kind) {
  auto* m = (ALARM_CLEAR_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_CLEAR_MESSAGE));
  memset(m, 0, sizeof *m);
  m->header.Cmd = CMD_ID_CLEAR_ALARM;
  m->Priority = (ALARM_PRIORITY)kind;
  ASSERT_EQ(L_MBOX_Send(M_ALARM, m, 3, 0), lsSUCCESS);
  Sync();
}

void Key(U32 key, CURSOR_POSITION cursor = CURSOR_UP, KEY_STATE state = KEY_DOWN) {
  auto* m = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_KEY_CHANGE;
  m->key = key;
  m->state = state;
  m->count = 1;
  m->cursor = cursor;
  ASSERT_EQ(L_MBOX_Send(M_ALARM, m, 1, 0), lsSUCCESS);
  Sync();
}

// Tones asked of the sound task since the last call.
struct Tone {
  int id;
  const SOUND* custom;
  bool operator==(const Tone&) const = default;
};
void PrintTo(const Tone& t, std::ostream* os) { *os << "{" << t.id << "," << (t.custom ? t.custom->name : "-") << "}"; }

std::vector<Tone> Tones() {
  std::vector<Tone> out;
  while (void* p = L_MBOX_Receive(M_SOUND)) {
    const auto* m = (const MSG_PLAY_SOUND*)p;
    if (m->Header.Cmd == CMD_ID_PLAY_SOUND) out.push_back(Tone{(int)m->StandardSoundID, m->pSound});
    H_MEMORY_vFree(p);
  }
  return out;
}

// Layer and key registrations since the last call: +1 register, -1 remove.
struct Registrations {
  int layer = 0, keys = 0;
};
Registrations Registered() {
  Registrations r;
  while (void* p = L_MBOX_Receive(VIEW_STANDIN)) {
    const auto* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_REGISTER_LAYER && ((const MSG_REGISTER_LAYER*)p)->layer == ALARM_LAYER) ++r.layer;
    if (g->Cmd == CMD_ID_UNREGISTER_LAYER && ((const MSG_UNREGISTER_LAYER*)p)->layer == ALARM_LAYER) --r.layer;
    H_MEMORY_vDumpMail(p);
  }
  while (void* p = L_MBOX_Receive(KEYBOARD_STANDIN)) {
    const auto* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_REGISTER_FOR_KEYS) {
      const auto* m = (const MSG_REGISTER_FOR_KEYS*)p;
      // The alarm keys; the timer setup's keys without and with CURSOR.
      EXPECT_TRUE(m->keys == ALARM_KEY_MASK || m->keys == 1006u || m->keys == KEY_MASK_CURSOR) << m->keys;
      EXPECT_EQ(m->mailbox, M_ALARM);
      EXPECT_EQ(m->usage, REGISTER_ALARM);
      if (m->keys == ALARM_KEY_MASK) ++r.keys;
    }
    if (g->Cmd == CMD_ID_UNREGISTER_FOR_KEYS && ((const MSG_UNREGISTER_FOR_KEYS*)p)->keys == ALARM_KEY_MASK) --r.keys;
    H_MEMORY_vDumpMail(p);
  }
  return r;
}

// Whether the semaphore was signalled since the last look.
bool Signalled(SEMA s) { return L_SEMA_WaitTicks(s, 0) == lsSUCCESS; }

void Advance(U32 ms) {
  PLATFORM_vTestClockAdvanceMs(ms);
  // Let the timer thread and the alarm task act on the new time.
  for (int i = 0; i < 5; ++i) {
    Sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void StartAlarmTask() {
  static bool started = false;
  if (started) return;
  started = true;
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), VIEW_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  g_ALARM_pfnToneLength = &u32FakeLength;
  ASSERT_EQ(L_MBOX_DefineSema(M_ALARM, SEMA_MBOX_ALARM), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_ALARMTASK), lsSUCCESS);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_ALARM) == TASK_ALARMTASK; }));
}

class AlarmTask : public ::testing::Test {
 protected:
  void SetUp() override {
    StartAlarmTask();
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
    L_SEMA_Signal(SEMA_CLEAR_ALARMS);
    ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 0 && T_ALARM_nDisplayedSlot() == -1; }));
    Advance(10000);  // any reminder left over rings out here
    Tones();
    Registered();
    Signalled(SEMA_KEYCLICK_GOOD);
    Signalled(SEMA_KEYCLICK_BAD);
    for (auto& c : s_cancels) c = 0;
    s_left = 0;
    s_right = 0;
  }
};

// ------------------------------------------------------------------ display
TEST_F(AlarmTask, MostSeriousKindIsShown) {
  struct Case {
    std::vector<S32> set;
    std::vector<S32> cleared;
    S32 shown;
    U32 count;
  };
  const Case cases[] = {
      {{19}, {}, 19, 1},
      {{19, 5}, {}, 5, 2},
      {{5, 19}, {}, 5, 2},
      {{19, 5, 73, 0}, {}, 0, 4},
      {{19, 5}, {5}, 19, 1},
      {{19, 5}, {19}, 5, 1},
      {{19, 5}, {19, 5}, -1, 0},
      {{3, 3, 3}, {}, 3, 1},  // one slot per kind
      {{74, -2}, {}, -1, 0},  // kinds out of range are dropped
      {{40}, {41, -1}, 40, 1},  // a clear of an empty slot or -1 changes nothing
  };
  for (const Case& c : cases) {
    SetUp();
    for (S32 k : c.set) Set({k});
    for (S32 k : c.cleared) Clear(k);
    EXPECT_EQ(T_ALARM_nDisplayedSlot(), c.shown) << ::testing::PrintToString(c.set);
    EXPECT_EQ(T_ALARM_u32ActiveCount(), c.count) << ::testing::PrintToString(c.set);
    // A clear never calls the cancel function.
    for (S32 k : {3, 5, 19, 40}) {
      const int replaced = (int)std::count(c.set.begin(), c.set.end(), k) - 1;
      EXPECT_EQ(s_cancels[k].load(), replaced > 0 ? replaced : 0) << k;
    }
  }
}

// The layer and the keys come with the first alarm of an empty table and
// go with the last.
TEST_F(AlarmTask, DialogLayerAndKeysFollowTheTable) {
  Set({19});
  Registrations r = Registered();
  EXPECT_EQ(r.layer, 1);
  EXPECT_EQ(r.keys, 1);
  // An alarm raised while the unit starts (before the view and keyboard
  // tasks take registrations) is registered again when the system runs.
  {
    auto* run = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    memset(run, 0, sizeof *run);
    run->Cmd = CMD_ID_RUN_SYSTEM;
    ASSERT_EQ(L_MBOX_Send(M_ALARM, run, 3, 0), lsSUCCESS);
    Sync();
    r = Registered();
    EXPECT_EQ(r.layer, 1);
    EXPECT_EQ(r.keys, 1);
  }
  Set({5});
  r = Registered();
  EXPECT_EQ(r.layer, 0);
  EXPECT_EQ(r.keys, 0);
  Clear(5);
  r = Registered();
  EXPECT_EQ(r.layer, 0);
  Clear(19);
  r = Registered();
  EXPECT_EQ(r.layer, -1);
  EXPECT_EQ(r.keys, -1);
}

// ------------------------------------------------------------------ tones
TEST_F(AlarmTask, InitialToneOnceAndReminderTimes) {
  struct Case {
    const char* name;
    Alarm alarm;
    std::vector<Tone> first;  // at once
    U32 reminderAfter;        // 0: none
    U32 period;               // then every this many ms
    Tone reminder;
  };
  const Case cases[] = {
      {"initial and reminder", {19, TONE_GENERAL_ALERT, nullptr, TONE_ALARM_ALERT}, {{8, nullptr}}, 1700, 300,
       {9, nullptr}},
      {"custom initial", {3, TONE_USE_CUSTOM, &s_custom, TONE_ALARM_ALERT}, {{0, &s_custom}}, 3000, 300,
       {9, nullptr}},
      {"reminder only", {5, TONE_USE_CUSTOM, nullptr, TONE_GENERAL_ALERT}, {}, 1000, 700, {8, nullptr}},
      {"initial only", {5, TONE_GENERAL_ALERT}, {{8, nullptr}}, 0, 0, {}},
      {"timer", {TIMER_ALARM, TONE_ALARM_ALERT, nullptr, TONE_ALARM_ALERT, nullptr, false, nullptr},
       {{9, nullptr}}, 500, 500, {9, nullptr}},
  };
  for (const Case& c : cases) {
    SetUp();
    Set(c.alarm);
    EXPECT_EQ(Tones(), c.first) << c.name;
    if (c.reminderAfter == 0) {
      Advance(20000);
      EXPECT_TRUE(Tones().empty()) << c.name;
      continue;
    }
    Advance(c.reminderAfter - 1);
    EXPECT_TRUE(Tones().empty()) << c.name;
    Advance(1);
    EXPECT_EQ(Tones(), std::vector<Tone>{c.reminder}) << c.name;
    for (int i = 0; i < 3; ++i) {
      Advance(c.period - 1);
      EXPECT_TRUE(Tones().empty()) << c.name << " " << i;
      Advance(1);
      EXPECT_EQ(Tones(), std::vector<Tone>{c.reminder}) << c.name << " " << i;
    }
    Clear(c.alarm.kind);
    Advance(5000);
    EXPECT_TRUE(Tones().empty()) << c.name << ": no reminder after the alarm ended";
  }
}

// A kept alarm shown again after a more serious one ends does not replay
// its initial tone; its reminder starts after 1000 ms.
TEST_F(AlarmTask, ShownAgainWithoutInitialTone) {
  Set({19, TONE_GENERAL_ALERT, nullptr, TONE_ALARM_ALERT});
  Set({5, TONE_GENERAL_ALERT});
  EXPECT_EQ(Tones(), (std::vector<Tone>{{8, nullptr}, {8, nullptr}}));
  Key(KEY_MASK_EXIT);  // acknowledges kind 5
  EXPECT_EQ(s_cancels[5].load(), 1);
  EXPECT_EQ(T_ALARM_nDisplayedSlot(), 19);
  EXPECT_TRUE(Tones().empty());
  Advance(999);
  EXPECT_TRUE(Tones().empty());
  Advance(1);
  EXPECT_EQ(Tones(), (std::vector<Tone>{Tone{9, nullptr}}));
}

// The same kind again: the old cancel function runs and the new message's
// initial tone plays.
TEST_F(AlarmTask, ReplacementCallsTheOldCancelFunction) {
  Set({3, TONE_GENERAL_ALERT});
  EXPECT_EQ(Tones().size(), 1u);
  Set({3, TONE_USE_CUSTOM, &s_custom, TONE_USE_CUSTOM, nullptr, false, "Depth Alarm"});
  EXPECT_EQ(s_cancels[3].load(), 1);
  EXPECT_EQ(Tones(), (std::vector<Tone>{Tone{0, &s_custom}}));
  EXPECT_EQ(T_ALARM_u32ActiveCount(), 1u);
}

// ------------------------------------------------------------------ keys
TEST_F(AlarmTask, KeysOnPlainAndExtendedAlarms) {
  struct Case {
    bool extended;
    U32 key;
    CURSOR_POSITION cursor;
    bool accepted;
    int cancels, lefts, rights;
  };
  const Case cases[] = {
      {false, KEY_MASK_EXIT, CURSOR_UP, true, 1, 0, 0},
      {false, KEY_MASK_MENU, CURSOR_UP, true, 1, 0, 0},
      {false, KEY_MASK_CURSOR, CURSOR_NORTH, true, 1, 0, 0},
      {true, KEY_MASK_EXIT, CURSOR_UP, false, 0, 0, 0},
      {true, KEY_MASK_CURSOR, CURSOR_NORTH, false, 0, 0, 0},
      {true, KEY_MASK_CURSOR, CURSOR_WEST, true, 0, 1, 0},
      {true, KEY_MASK_CURSOR, CURSOR_EAST, true, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SetUp();
    Alarm a{40};
    a.extended = c.extended;
    Set(a);
    Key(c.key, c.cursor);
    const std::string name = std::to_string(c.extended) + "/" + std::to_string(c.key) + "/" + std::to_string(c.cursor);
    EXPECT_EQ(Signalled(SEMA_KEYCLICK_GOOD), c.accepted) << name;
    EXPECT_EQ(Signalled(SEMA_KEYCLICK_BAD), !c.accepted) << name;
    EXPECT_EQ(T_ALARM_u32ActiveCount(), c.accepted ? 0u : 1u) << name;
    EXPECT_EQ(s_cancels[40].load(), c.cancels) << name;
    EXPECT_EQ(s_left.load(), c.lefts) << name;
    EXPECT_EQ(s_right.load(), c.rights) << name;
  }
}

TEST_F(AlarmTask, KeysWithoutAlarmOrOnTheTimerAlarmAreIgnored) {
  Key(KEY_MASK_EXIT);
  EXPECT_FALSE(Signalled(SEMA_KEYCLICK_GOOD));
  EXPECT_FALSE(Signalled(SEMA_KEYCLICK_BAD));
  Set({TIMER_ALARM, TONE_ALARM_ALERT, nullptr, TONE_ALARM_ALERT, nullptr, false, nullptr});
  Key(KEY_MASK_EXIT);
  EXPECT_EQ(T_ALARM_nDisplayedSlot(), TIMER_ALARM);
  EXPECT_FALSE(Signalled(SEMA_KEYCLICK_GOOD));
}

// ------------------------------------------------------------------ clear-all and factory test
TEST_F(AlarmTask, ClearAllPassEmptiesTheTableWithoutCancelCalls) {
  for (S32 k : {40, 3, 19, 5}) Set({k, TONE_USE_CUSTOM, nullptr, TONE_ALARM_ALERT});
  Registered();
  L_SEMA_Signal(SEMA_CLEAR_ALARMS);
  ASSERT_TRUE(WaitFor([] { return T_ALARM_u32ActiveCount() == 0; }));
  Sync();
  EXPECT_EQ(T_ALARM_nDisplayedSlot(), -1);
  for (S32 k : {3, 5, 19, 40}) EXPECT_EQ(s_cancels[k].load(), 0) << k;
  EXPECT_EQ(Registered().layer, -1);
  Advance(5000);
  EXPECT_TRUE(Tones().empty());
}

TEST_F(AlarmTask, FactoryTestStateCallsCancelAtOnce) {
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_INLINE_TEST, P_NORMAL);
  for (int i = 0; i < 3; ++i) Set({19, TONE_GENERAL_ALERT, nullptr, TONE_ALARM_ALERT});
  Set({5});
  EXPECT_EQ(s_cancels[19].load(), 3);
  EXPECT_EQ(s_cancels[5].load(), 1);
  EXPECT_EQ(T_ALARM_u32ActiveCount(), 0u);
  EXPECT_TRUE(Tones().empty());
  EXPECT_EQ(Registered().layer, 0);
}

// ------------------------------------------------------------------ settings
TEST_F(AlarmTask, ResetWritesTheDefaults) {
  H_DATABASE_bUpdateEverythingU32(FCID("STAW"), 600, P_NORMAL, D_TIME, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingFloat(FCID("SATP"), 20.0f, P_NORMAL, D_TEMPERATURE, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("SAIC"), 1, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RESET_POS;
  ASSERT_EQ(L_MBOX_Send(M_ALARM, msg, 3, 0), lsSUCCESS);
  Sync();
  U32 u = 99;
  F32 f = 99.0f;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("STAW"), &u));
  EXPECT_EQ(u, 0u);
  EXPECT_TRUE(H_DATABASE_bFetchFloat(FCID("SATP"), &f));
  EXPECT_EQ(f, -41.0f);
  for (const char* k : {"SAI2", "SAI4", "SAI5", "SAI6", "SAI7", "SAI8", "SAI9", "SAIA", "SAIC"}) {
    u = 99;
    EXPECT_TRUE(H_DATABASE_bFetchU32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), &u)) << k;
    EXPECT_EQ(u, 0u) << k;
  }
  for (const char* k : {"SDA1", "SDA2", "SWTP", "SAI1"}) {
    f = 99.0f;
    EXPECT_TRUE(H_DATABASE_bFetchFloat(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), &f)) << k;
    EXPECT_EQ(f, 0.0f) << k;
  }
}

// The NMEA 2000 alarm items are wanted with a source seen, in the simulator
// and in the point-of-sale demonstration; a missing key counts as 0 and as
// the start-up state.
TEST_F(AlarmTask, NmeaAlarmMenusWanted) {
  struct Case {
    S64 snid;   // -1: missing
    S64 state;  // -1: missing
    bool wanted;
  };
  for (const Case& c : std::vector<Case>{{0, STATE_NORMAL_RUN, false}, {7, STATE_NORMAL_RUN, true},
                                         {0, STATE_SIMULATION, true}, {0, STATE_POINT_OF_SALE, true},
                                         {-1, -1, false}, {-1, STATE_SIMULATION, true}, {3, -1, true}}) {
    if (c.snid < 0) {
      H_DATABASE_vDeleteEntry(FCID("SNID"));
    } else {
      H_DATABASE_bUpdateEverythingU32(FCID("SNID"), (U32)c.snid, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    }
    if (c.state < 0) {
      H_DATABASE_vDeleteEntry(FCID("CCST"));
    } else {
      H_DATABASE_bUpdateEverythingU32(FCID("CCST"), (U32)c.state, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    }
    EXPECT_EQ(T_ALARM_bMenusWanted() != FALSE, c.wanted) << c.snid << " " << c.state;
  }
  H_DATABASE_bUpdateEverythingU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  Sync();
}

// ------------------------------------------------------------------ dialogs
class AlarmDialogs : public AlarmTask {};

TEST_F(AlarmDialogs, GoldenPlainExtendedAndLostSource) {
  COLOR_vResetColorTable();
  struct Case {
    Alarm alarm;
    const char* golden;
  };
  Alarm plain{3};
  plain.text = "Depth Alarm";
  Alarm extended{26};
  extended.extended = true;
  extended.text = "Gateway connection lost. Keep the route active?";
  Alarm lost{27};
  lost.text = "Engine";
  const Case cases[] = {{plain, "alarm/plain"}, {extended, "alarm/extended"}, {lost, "alarm/lost_source"}};
  for (const Case& c : cases) {
    SetUp();
    Set(c.alarm);
    Canvas canvas(800, 600, 0x0000);
    T_ALARM_vDrawCurrentAlarm(canvas.bmp(), nullptr);
    ExpectMatchesGolden(canvas.pixels.data(), canvas.width, canvas.height, canvas.pitch, c.golden);
  }
  // The timer alarm has no text and draws nothing.
  SetUp();
  Set({TIMER_ALARM, TONE_USE_CUSTOM, nullptr, TONE_USE_CUSTOM, nullptr, false, nullptr});
  Canvas canvas(800, 600, 0x0000);
  T_ALARM_vDrawCurrentAlarm(canvas.bmp(), nullptr);
  EXPECT_TRUE(canvas.written().empty());
}

// ------------------------------------------------------------------ countdown timer
TEST(CountdownTimer, RunOutIsOutsideTheIntervalFromStartToDeadline) {
  struct Case {
    U32 start, deadline, now;
    bool out;
  };
  const Case cases[] = {
      {1000, 11000, 1000, false},  {1000, 11000, 11000, false}, {1000, 11000, 11001, true},
      {1000, 11000, 999, true},    // the clock wrapped past the start
      {0xFFFFEC78u, 0x00001388u, 0xFFFFFFFFu, false},  // 2^32 - 5000 + 10000: deadline below the start
      {0xFFFFEC78u, 0x00001388u, 0x00000000u, false}, {0xFFFFEC78u, 0x00001388u, 0x00001388u, false},
      {0xFFFFEC78u, 0x00001388u, 0x00001389u, true},  {0xFFFFEC78u, 0x00001388u, 0xFFFFEC77u, true},
      {0xFFFFEC78u, 0x00001388u, 0xFFFFEC78u, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(T_ALARM_bTimerRunOut(c.start, c.deadline, c.now), c.out ? TRUE : FALSE)
        << c.start << " " << c.deadline << " " << c.now;
  }
}

class Timer : public AlarmTask {
 protected:
  void SetUp() override {
    AlarmTask::SetUp();
    TIMER_STATE t = T_ALARM_stTimerState();
    if (t.bRunning || t.bWarning) T_ALARM_vClearTimer();
    if (t.bSetupOpen) {
      Key(KEY_MASK_EXIT);  // back to the time row
      Key(KEY_MASK_EXIT);
      if (T_ALARM_stTimerState().bQuestion) Key(KEY_MASK_CURSOR, CURSOR_WEST);
    }
    Sync();
    Clear(TIMER_ALARM);
    Tones();
    Registered();
    Signalled(SEMA_KEYCLICK_GOOD);
    Signalled(SEMA_KEYCLICK_BAD);
  }
  // 'g' good click, 'b' bad, '-' none.
  char Click() {
    const bool good = Signalled(SEMA_KEYCLICK_GOOD);
    const bool bad = Signalled(SEMA_KEYCLICK_BAD);
    return good && !bad ? 'g' : bad && !good ? 'b' : good ? '2' : '-';
  }
  void Check(int times = 1) {
    for (int i = 0; i < times; ++i) T_ALARM_vCheckTimerNow();
    Sync();
  }
  S32 Remaining() {
    S32 v = -1;
    H_DATABASE_bFetchS32(FCID("ITAW"), &v);
    return v;
  }
};

// The setup dialog's keys, each from a given element and value.
TEST_F(Timer, SetupDialogKeyTable) {
  struct Case {
    U32 item;
    U32 value;
    U32 key;
    CURSOR_POSITION cursor;
    U32 itemAfter;
    U32 valueAfter;
    char click;
    bool open;
  };
  constexpr U32 V = 1 * 3600 + 2 * 60 + 3;  // 01:02:03
  constexpr U32 MAX = 23 * 3600 + 59 * 60 + 59;
  const Case cases[] = {
      {0, V, KEY_MASK_CURSOR, CURSOR_NORTH, 1, V, 'g', true},
      {1, V, KEY_MASK_CURSOR, CURSOR_NORTH, 2, V, 'g', true},
      {2, V, KEY_MASK_CURSOR, CURSOR_NORTH, 2, V, 'b', true},
      {3, V, KEY_MASK_CURSOR, CURSOR_NORTH, 3, V + 3600, 'g', true},
      {4, V, KEY_MASK_CURSOR, CURSOR_NORTH, 4, V + 60, 'g', true},
      {5, V, KEY_MASK_CURSOR, CURSOR_NORTH, 5, V + 1, 'g', true},
      {3, MAX, KEY_MASK_CURSOR, CURSOR_NORTH, 3, MAX, 'b', true},
      {5, MAX, KEY_MASK_CURSOR, CURSOR_NORTH, 5, MAX, 'b', true},
      {2, V, KEY_MASK_CURSOR, CURSOR_SOUTH, 1, V, 'g', true},
      {1, V, KEY_MASK_CURSOR, CURSOR_SOUTH, 0, V, 'g', true},
      {0, V, KEY_MASK_CURSOR, CURSOR_SOUTH, 0, V, 'b', true},
      {4, V, KEY_MASK_CURSOR, CURSOR_SOUTH, 4, V - 60, 'g', true},
      {3, 0, KEY_MASK_CURSOR, CURSOR_SOUTH, 3, 0, 'b', true},
      {2, V, KEY_MASK_CURSOR, CURSOR_EAST, 3, V, 'g', true},
      {4, V, KEY_MASK_CURSOR, CURSOR_EAST, 5, V, 'g', true},
      {5, V, KEY_MASK_CURSOR, CURSOR_EAST, 5, V, 'b', true},
      {1, 0, KEY_MASK_CURSOR, CURSOR_EAST, 1, 0, 'b', true},  // nothing to start
      {1, V, KEY_MASK_CURSOR, CURSOR_EAST, 1, V, 'g', false},  // save and start
      {0, V, KEY_MASK_CURSOR, CURSOR_EAST, 0, V, 'g', false},  // save and close
      {0, V, KEY_MASK_CURSOR, CURSOR_WEST, 1, V, 'g', true},
      {1, V, KEY_MASK_CURSOR, CURSOR_WEST, 2, V, 'g', true},
      {5, V, KEY_MASK_CURSOR, CURSOR_WEST, 4, V, 'g', true},
      {3, V, KEY_MASK_CURSOR, CURSOR_WEST, 2, V, 'g', true},
      {2, V, KEY_MASK_CURSOR, CURSOR_WEST, 2, V, 'b', true},
      {3, V, KEY_MASK_CURSOR, CURSOR_NORTH_EAST, 3, V, 'b', true},
      {4, V, KEY_MASK_EXIT, CURSOR_UP, 2, V, 'g', true},
      {2, V, KEY_MASK_EXIT, CURSOR_UP, 2, V, 'g', false},  // unchanged: closes
      {3, V, KEY_MASK_MENU, CURSOR_UP, 3, V, 'b', true},
      {3, V, KEY_MASK_ZOOM_IN, CURSOR_UP, 3, V, 'b', true},
  };
  for (const Case& c : cases) {
    SetUp();
    T_ALARM_vSetTimerValue(c.value);
    T_ALARM_vInitTimer();
    Click();
    // Walk to the element: right from the time row to the fields, down to
    // the buttons.
    if (c.item >= 3) {
      for (U32 i = 2; i < c.item; ++i) Key(KEY_MASK_CURSOR, CURSOR_EAST);
    } else {
      for (U32 i = 2; i > c.item; --i) Key(KEY_MASK_CURSOR, CURSOR_SOUTH);
    }
    ASSERT_EQ(T_ALARM_stTimerState().u32Item, c.item);
    Click();
    Key(c.key, c.cursor);
    const std::string name = std::to_string(c.item) + "/" + std::to_string(c.value) + "/" + std::to_string(c.key) +
                             "/" + std::to_string(c.cursor);
    const TIMER_STATE t = T_ALARM_stTimerState();
    EXPECT_EQ(Click(), c.click) << name;
    EXPECT_EQ(t.bSetupOpen, c.open) << name;
    EXPECT_EQ(t.u32Value, c.valueAfter) << name;
    if (c.open) {
      EXPECT_EQ(t.u32Item, c.itemAfter) << name;
    }
    if (c.key == KEY_MASK_CURSOR) Key(KEY_MASK_CURSOR, CURSOR_UP, KEY_UP);
    EXPECT_EQ(Click(), '-') << name << ": the release clicks";
  }
  // Save and start wrote the setting and runs; save and close only wrote it.
}

// EXIT with a changed value asks; "No" restores the old value, "Yes" saves.
TEST_F(Timer, SaveChangesQuestion) {
  for (CURSOR_POSITION answer : {CURSOR_WEST, CURSOR_EAST}) {
    SetUp();
    T_ALARM_vSetTimerValue(60);
    T_ALARM_vInitTimer();
    Key(KEY_MASK_CURSOR, CURSOR_EAST);
    Key(KEY_MASK_CURSOR, CURSOR_EAST);  // minutes
    Key(KEY_MASK_CURSOR, CURSOR_NORTH);
    Key(KEY_MASK_EXIT);
    Key(KEY_MASK_EXIT);
    ASSERT_TRUE(T_ALARM_stTimerState().bQuestion);
    Click();
    Key(KEY_MASK_EXIT);
    EXPECT_EQ(Click(), 'b');
    Key(KEY_MASK_CURSOR, answer);
    EXPECT_EQ(Click(), 'g');
    const TIMER_STATE t = T_ALARM_stTimerState();
    EXPECT_FALSE(t.bSetupOpen);
    EXPECT_FALSE(t.bQuestion);
    EXPECT_EQ(t.u32Value, answer == CURSOR_WEST ? 60u : 120u);
    if (answer == CURSOR_EAST) {
      U32 saved = 0;
      EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("STAW"), &saved));
      EXPECT_EQ(saved, 120u);
      EXPECT_EQ(Remaining(), 120);
    }
  }
}

// A 10 s countdown started 5 s before the millisecond clock wraps: the
// remaining time counts down across the wrap, the alarm comes at 10 s with
// its tone every 500 ms; "Repeat" starts it again, "Clear" ends it, and an
// unanswered warning goes by itself on the 31st check.
TEST_F(Timer, RunsOutAcrossTheClockWrap) {
  for (const char* answer : {"repeat", "clear", "none"}) {
    SetUp();
    const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
    PLATFORM_vSetMillisecondClockStart(PLATFORM_u32MillisecondClockStart() + (0xFFFFFFFFu - 4999u - now));
    ASSERT_EQ(H_TICK_u32ReadFreeRunningTimerInMilliSeconds(), 0xFFFFFFFFu - 4999u);
    T_ALARM_vSetTimerValue(10);
    T_ALARM_vStartTimer();
    EXPECT_EQ(Click(), 'g');
    ASSERT_TRUE(T_ALARM_stTimerState().bRunning);
    EXPECT_LT(T_ALARM_stTimerState().u32Deadline, T_ALARM_stTimerState().u32Start);
    for (int s = 1; s <= 10; ++s) {
      PLATFORM_vTestClockAdvanceMs(1000);
      Check();
      EXPECT_TRUE(T_ALARM_stTimerState().bRunning) << s;
      EXPECT_EQ(Remaining(), 10 - s) << s;
    }
    EXPECT_TRUE(Tones().empty());
    PLATFORM_vTestClockAdvanceMs(1);
    Check();
    TIMER_STATE t = T_ALARM_stTimerState();
    EXPECT_FALSE(t.bRunning);
    ASSERT_TRUE(t.bWarning);
    Sync();
    EXPECT_EQ(T_ALARM_nDisplayedSlot(), TIMER_ALARM);
    EXPECT_EQ(Tones(), (std::vector<Tone>{Tone{9, nullptr}}));
    Advance(500);
    EXPECT_EQ(Tones(), (std::vector<Tone>{Tone{9, nullptr}}));
    Click();
    Key(KEY_MASK_EXIT);  // does nothing
    Key(KEY_MASK_CURSOR, CURSOR_NORTH);
    EXPECT_EQ(Click(), 'b');
    EXPECT_TRUE(T_ALARM_stTimerState().bWarning);
    if (std::string(answer) == "repeat") {
      Key(KEY_MASK_CURSOR, CURSOR_EAST);
      EXPECT_EQ(Click(), 'g');
      Sync();
      t = T_ALARM_stTimerState();
      EXPECT_TRUE(t.bRunning);
      EXPECT_FALSE(t.bWarning);
      EXPECT_EQ(T_ALARM_nDisplayedSlot(), -1);
    } else if (std::string(answer) == "clear") {
      Key(KEY_MASK_CURSOR, CURSOR_WEST);
      EXPECT_EQ(Click(), 'g');
      Sync();
      t = T_ALARM_stTimerState();
      EXPECT_FALSE(t.bRunning);
      EXPECT_FALSE(t.bWarning);
      EXPECT_EQ(Remaining(), 10);
      EXPECT_EQ(T_ALARM_nDisplayedSlot(), -1);
    } else {
      Check(30);
      EXPECT_TRUE(T_ALARM_stTimerState().bWarning);
      Check();
      Sync();
      t = T_ALARM_stTimerState();
      EXPECT_FALSE(t.bWarning);
      EXPECT_FALSE(t.bRunning);
      EXPECT_EQ(Remaining(), 10);
      EXPECT_EQ(T_ALARM_nDisplayedSlot(), -1);
    }
    Advance(2000);
    Tones();
    T_ALARM_vClearTimer();
    PLATFORM_vSetMillisecondClockStart(0);
  }
}

TEST_F(Timer, GoldenDialogs) {
  COLOR_vResetColorTable();
  T_ALARM_vSetTimerValue(1 * 3600 + 30 * 60 + 5);
  T_ALARM_vInitTimer();
  Key(KEY_MASK_CURSOR, CURSOR_EAST);
  Key(KEY_MASK_CURSOR, CURSOR_EAST);  // minutes selected
  Key(KEY_MASK_CURSOR, CURSOR_UP, KEY_UP);
  {
    Canvas c(800, 600, 0x0000);
    T_ALARM_vDrawTimer(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "alarm/timer_setup");
  }
  Key(KEY_MASK_CURSOR, CURSOR_NORTH);
  Key(KEY_MASK_CURSOR, CURSOR_UP, KEY_UP);
  Key(KEY_MASK_EXIT);
  Key(KEY_MASK_EXIT);
  ASSERT_TRUE(T_ALARM_stTimerState().bQuestion);
  {
    Canvas c(800, 600, 0x0000);
    T_ALARM_vDrawTimer(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "alarm/timer_save_changes");
  }
  Key(KEY_MASK_CURSOR, CURSOR_WEST);
  {
    Canvas c(800, 600, 0x0000);
    T_ALARM_vDrawTimerWarning(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "alarm/timer_warning");
  }
}

// ------------------------------------------------------------------ network body
TEST(NetworkAlarm, BodyIsTwelveLittleEndianBytes) {
  struct Case {
    U32 activate, priority;
    std::vector<U8> bytes;
  };
  const Case cases[] = {
      {0, 3, {1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0}},
      {0, 0xFFFFFFFFu, {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
      {1, 73, {1, 0, 0, 0, 1, 0, 0, 0, 73, 0, 0, 0}},
      {0x01020304, 0x0A0B0C0D, {1, 0, 0, 0, 4, 3, 2, 1, 0x0D, 0x0C, 0x0B, 0x0A}},
  };
  for (const Case& c : cases) {
    NETWORK_ALARM_MESSAGE m{c.activate, c.priority};
    U8 out[16] = {};
    ASSERT_EQ(T_ALARM_nEncodeNetworkAlarm(&m, out, sizeof out), 12);
    EXPECT_EQ(std::vector<U8>(out, out + 12), c.bytes);
    NETWORK_ALARM_MESSAGE back{7, 7};
    ASSERT_TRUE(T_ALARM_bDecodeNetworkAlarm(c.bytes.data(), 12, &back));
    EXPECT_EQ(back.activate, c.activate);
    EXPECT_EQ(back.priority, c.priority);
  }
  // No room, a short or long body, another version: refused.
  NETWORK_ALARM_MESSAGE m{0, 3};
  U8 out[11];
  EXPECT_EQ(T_ALARM_nEncodeNetworkAlarm(&m, out, sizeof out), 0);
  const std::vector<U8> good = {1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
  EXPECT_FALSE(T_ALARM_bDecodeNetworkAlarm(good.data(), 11, &m));
  std::vector<U8> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(T_ALARM_bDecodeNetworkAlarm(longer.data(), 13, &m));
  std::vector<U8> version2 = good;
  version2[0] = 2;
  EXPECT_FALSE(T_ALARM_bDecodeNetworkAlarm(version2.data(), 12, &m));
}

// Only an ended alarm of a known kind names a slot to end.
TEST(NetworkAlarm, BodyNamesASlotOnlyForAnEndedKnownKind) {
  struct Case {
    U32 activate, priority;
    S32 slot;
  };
  for (const Case& c : std::vector<Case>{{0, 40, 40}, {0, 0, 0}, {0, 73, 73}, {1, 40, -1}, {0, 74, -1},
                                          {0, 0xFFFFFFFFu, -1}, {0x80000000u, 3, -1}}) {
    const NETWORK_ALARM_MESSAGE m{c.activate, c.priority};
    EXPECT_EQ(T_ALARM_nSlotToEnd(&m), c.slot) << c.activate << " " << c.priority;
  }
}

}  // namespace
