// Date and time dialog: key handling through its mailbox (focus moves,
// wrap-around of every field, the question on EXIT, discard and save), the
// clock command a save gives (or, for a date that does not exist, does not
// give), and golden pictures of the dialog and of its question.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/cmd_id.h"
#include "lsvc/l_tables.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/platform/platform.h"
#include "source/ui/u_datetime.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

constexpr U32 EXIT = 8, CURSOR = 16, MENU = 4;
constexpr time_t WALL = 1709649015;  // 2024-03-05 14:30:15 UTC

bool Signalled(SEMA sema) { return L_SEMA_WaitTicks(sema, 1) == lsSUCCESS; }
void ClearClicks() {
  while (Signalled(SEMA_KEYCLICK_GOOD)) {
  }
  while (Signalled(SEMA_KEYCLICK_BAD)) {
  }
}

class DateTime : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    H_DATABASE_vInit();
    PLATFORM_vClearCommands();
    PLATFORM_vSetSystemExitStatus(0);  // the date command succeeds
    Open();
  }
  void TearDown() override {
    PLATFORM_vSetSystemExitStatus(1);
    while (void* p = L_MBOX_Receive(M_SYSTIME_EDIT)) H_MEMORY_vDumpMail(p);
  }
  // One key press posted to the dialog's mailbox and handled as its reader
  // task does. Returns the click it gave: 'g', 'b' or '-'.
  static char Key(U32 mask, CURSOR_POSITION cursor = CURSOR_UP) {
    auto* m = static_cast<MSG_KEY_CHANGE*>(H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE)));
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_KEY_CHANGE;
    m->key = mask;
    m->state = KEY_DOWN;
    m->cursor = cursor;
    EXPECT_EQ(L_MBOX_Send(M_SYSTIME_EDIT, m, 1, 0), lsSUCCESS);
    while (void* p = L_MBOX_Receive(M_SYSTIME_EDIT)) {
      U_DATETIME_bHandleKeys(static_cast<MSG_KEY_CHANGE*>(p));
      H_MEMORY_vDumpMail(p);
    }
    const bool good = Signalled(SEMA_KEYCLICK_GOOD);
    const bool bad = Signalled(SEMA_KEYCLICK_BAD);
    return good ? 'g' : bad ? 'b' : '-';
  }
  static char N() { return Key(CURSOR, CURSOR_NORTH); }
  static char S() { return Key(CURSOR, CURSOR_SOUTH); }
  static char E() { return Key(CURSOR, CURSOR_EAST); }
  static char W() { return Key(CURSOR, CURSOR_WEST); }
  static DATE_TIME_DIALOG State() { return U_DATETIME_stState(); }
  // Opens the dialog with the wall clock standing at WALL (the clock runs
  // again afterwards, so that the click waits can time out).
  static void Open() {
    PLATFORM_vTestClockEnable(1000000000ull, WALL);
    U_DATETIME_vDateTimeSetup();
    PLATFORM_vTestClockDisable();
    ClearClicks();
  }
};

TEST_F(DateTime, OpensOnTheClockAndExitWithoutChangesCloses) {
  const DATE_TIME_DIALOG d = State();
  EXPECT_TRUE(d.bOpen);
  EXPECT_EQ(d.eMenuState, EDIT_TIME);
  EXPECT_EQ(d.u32Hours, 14u);
  EXPECT_EQ(d.u32Minutes, 30u);
  EXPECT_EQ(d.u32Seconds, 15u);
  EXPECT_EQ(d.u32Month, 3u);
  EXPECT_EQ(d.u32Day, 5u);
  EXPECT_EQ(d.u32Year, 24u);
  Key(EXIT);
  EXPECT_FALSE(State().bOpen);
  EXPECT_FALSE(State().bConfirm);
  EXPECT_TRUE(PLATFORM_vecCommands().empty());
  EXPECT_FALSE(U_DATETIME_bHandleKeys(nullptr));
}

TEST_F(DateTime, FocusMovesAndOtherKeysGiveTheBadClick) {
  // Through every element and back, with the click each gives.
  struct Step {
    char (*key)();
    DATE_TIME_MENU_STATE after;
    char click;
  };
  const Step steps[] = {
      {&N, EDIT_TIME, 'b'},    {&E, EDIT_HOURS, 'g'}, {&E, EDIT_MINUTES, 'g'}, {&E, EDIT_SECONDS, 'g'},
      {&E, EDIT_DATE, 'g'},    {&W, EDIT_DATE, 'b'},  {&E, EDIT_MONTH, 'g'},   {&E, EDIT_DAY, 'g'},
      {&E, EDIT_YEAR, 'g'},    {&W, EDIT_DAY, 'g'},   {&E, EDIT_YEAR, 'g'},    {&E, EDIT_SAVE, 'g'},
      {&S, EDIT_SAVE, 'b'},    {&N, EDIT_DATE, 'g'},  {&N, EDIT_TIME, 'g'},    {&S, EDIT_DATE, 'g'},
      {&S, EDIT_SAVE, 'g'},    {&W, EDIT_SAVE, 'b'},
  };
  for (size_t i = 0; i < sizeof steps / sizeof steps[0]; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(steps[i].key(), steps[i].click);
    EXPECT_EQ(State().eMenuState, steps[i].after);
  }
  EXPECT_EQ(Key(MENU), 'b');
  EXPECT_EQ(Key(CURSOR, CURSOR_NORTH_EAST), 'b');
  // Save without changes: a bad click, the dialog stays open.
  EXPECT_EQ(E(), 'b');
  EXPECT_TRUE(State().bOpen);
  EXPECT_EQ(State().eLastSave, DATETIME_NO_CHANGE);
  EXPECT_TRUE(PLATFORM_vecCommands().empty());
}

TEST_F(DateTime, FieldsWrapAround) {
  struct Case {
    DATE_TIME_MENU_STATE field;
    U32 h, mi, s, mo, d, y;  // start
    char (*key)();
    U32 DATE_TIME_DIALOG::*member;
    U32 after;
  };
  const Case cases[] = {
      {EDIT_HOURS, 23, 0, 0, 1, 1, 0, &N, &DATE_TIME_DIALOG::u32Hours, 0},
      {EDIT_HOURS, 0, 0, 0, 1, 1, 0, &S, &DATE_TIME_DIALOG::u32Hours, 23},
      {EDIT_MINUTES, 0, 59, 0, 1, 1, 0, &N, &DATE_TIME_DIALOG::u32Minutes, 0},
      {EDIT_SECONDS, 0, 0, 0, 1, 1, 0, &S, &DATE_TIME_DIALOG::u32Seconds, 59},
      {EDIT_MONTH, 0, 0, 0, 12, 1, 0, &N, &DATE_TIME_DIALOG::u32Month, 1},
      {EDIT_MONTH, 0, 0, 0, 1, 1, 0, &S, &DATE_TIME_DIALOG::u32Month, 12},
      {EDIT_DAY, 0, 0, 0, 1, 31, 0, &N, &DATE_TIME_DIALOG::u32Day, 1},
      {EDIT_DAY, 0, 0, 0, 1, 1, 0, &S, &DATE_TIME_DIALOG::u32Day, 31},
      {EDIT_YEAR, 0, 0, 0, 1, 1, 38, &N, &DATE_TIME_DIALOG::u32Year, 0},
      {EDIT_YEAR, 0, 0, 0, 1, 1, 0, &S, &DATE_TIME_DIALOG::u32Year, 38},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    Open();
    ASSERT_TRUE(U_DATETIME_bSetFields(c.h, c.mi, c.s, c.mo, c.d, c.y));
    // Walk the focus to the field.
    if (c.field >= EDIT_MONTH) S();
    E();
    while (State().eMenuState != c.field) E();
    EXPECT_EQ(c.key(), 'g');
    EXPECT_EQ(State().*c.member, c.after);
    EXPECT_TRUE(State().bDateTimeChanged);
  }
}

TEST_F(DateTime, ExitAsksAndWestDiscardsWithoutTouchingTheClock) {
  E();                    // hours
  EXPECT_EQ(N(), 'g');    // 15
  EXPECT_EQ(Key(EXIT), 'g');
  EXPECT_TRUE(State().bConfirm);
  EXPECT_EQ(Key(EXIT), 'b');  // EXIT at the question
  EXPECT_EQ(W(), 'g');
  EXPECT_FALSE(State().bOpen);
  EXPECT_FALSE(State().bDateTimeChanged);
  EXPECT_TRUE(PLATFORM_vecCommands().empty());
}

TEST_F(DateTime, EastAtTheQuestionSetsTheClockEvenWithinTheHour) {
  // The minutes change by one: far less than the hour the automatic setting
  // waits for, but a time given by hand is set.
  E();
  E();
  N();
  Key(EXIT);
  ASSERT_TRUE(State().bConfirm);
  EXPECT_EQ(E(), 'g');
  EXPECT_FALSE(State().bOpen);
  EXPECT_EQ(State().eLastSave, DATETIME_CLOCK_SET);
  EXPECT_EQ(PLATFORM_vecCommands(), (std::vector<std::string>{"date -u -s 2024.03.05-14:31:15 > /dev/null"}));
  // The same time once more is still set: the hand is obeyed every time.
  Open();
  E();
  E();
  N();
  S();
  E();  // seconds
  E();  // date
  S();  // save
  E();
  EXPECT_EQ(PLATFORM_vecCommands().size(), 2u);
}

TEST_F(DateTime, ImpossibleDatesAreNeverSet) {
  struct Case {
    U32 month, day, year;
    bool real;
  };
  const Case cases[] = {{2, 31, 21, false}, {2, 29, 23, false}, {2, 29, 24, true},
                        {4, 31, 24, false}, {12, 31, 38, true}, {1, 1, 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.month) + "/" + std::to_string(c.day) + "/" + std::to_string(c.year));
    PLATFORM_vClearCommands();
    Open();
    ASSERT_TRUE(U_DATETIME_bSetFields(10, 0, 0, c.month, c.day, c.year));
    // Change the hour and back so that there is something to save.
    E();
    N();
    S();
    Key(EXIT);
    const char click = E();
    if (c.real) {
      EXPECT_EQ(click, 'g');
      EXPECT_EQ(State().eLastSave, DATETIME_CLOCK_SET);
      EXPECT_EQ(PLATFORM_vecCommands().size(), 1u);
      EXPECT_FALSE(State().bOpen);
    } else {
      EXPECT_EQ(click, 'b');
      EXPECT_EQ(State().eLastSave, DATETIME_INVALID_DATE);
      EXPECT_TRUE(PLATFORM_vecCommands().empty());
      EXPECT_TRUE(State().bOpen);  // still open, saying the clock was not changed
      EXPECT_FALSE(State().bConfirm);
    }
  }
}

TEST_F(DateTime, GoldenDialogQuestionAndNotice) {
  COLOR_vResetColorTable();
  {
    Canvas c(800, 600, 0x0000);
    E();  // focus on the hours
    U_DATETIME_vDrawDateTimeMenu(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "datetime/dialog");
  }
  {
    Canvas c(800, 600, 0x0000);
    N();
    Key(EXIT);
    U_DATETIME_vDrawDateTimeMenu(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "datetime/question");
  }
  {
    Canvas c(800, 600, 0x0000);
    ASSERT_TRUE(U_DATETIME_bSetFields(15, 30, 15, 2, 31, 24));
    E();  // not a date: stays open with its notice
    U_DATETIME_vDrawDateTimeMenu(c.bmp(), nullptr);
    ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "datetime/not_changed");
  }
}

}  // namespace
