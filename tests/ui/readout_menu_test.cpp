// Threading test: also runs under ThreadSanitizer.
// The readout menus as the user meets them: the readout task and the menu
// task both running, the readout sources published in the database, and
// the menus driven with key changes as the keyboard task sends them. The
// slot keys show what the selectors wrote; stepping a selector from its
// first choice to its last shows the order of its choice list.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string.h>
#include <string>
#include <vector>

#include "source/graphics/graphics_upcalls.h"
#include "source/ui/t_info.h"
#include "source/ui/ui_install.h"
#include "tests/ui/menu_test_env.h"

// The tasks under test run their own entries, not the placeholders.
static const bool s_bInstalled = (GRAPHICS_vInstall(), UI_vInstall(), true);

namespace {

using menutest::Cursor;
using menutest::PassSidewaysHoldOff;
using menutest::Press;
using menutest::Snapshot;

dbtest::TempInstall& s_install = dbtest::Install();

constexpr U32 ENGLISH = 0;
constexpr U32 GERMAN = 5;
constexpr S32 CHART_VIEW = 10;
constexpr S32 FIRST_DATA_VIEW = 67;  // the network data, gauge and engine views: 67 to 70
constexpr S32 LAST_DATA_VIEW = 70;

// A name in English and another in German; the other languages show the
// English one.
DB_TEXT_RECORD Name(const char* english, const char* german) {
  static std::vector<std::array<const char*, NUMBER_OF_LANGUAGES>> s_records;
  s_records.reserve(16);  // records stay where they are once published
  std::array<const char*, NUMBER_OF_LANGUAGES> record;
  record.fill(english);
  record[GERMAN] = german;
  s_records.push_back(record);
  return s_records.back().data();
}

// The readout sources other subsystems would publish. The German names
// sort in another order than the English ones.
struct Source {
  const char* key;
  const char* live;
  const char* english;
  const char* german;
};
const Source kSources[] = {
    {"BDEP", "IDEP", "Depth", "Tiefe"},       {"BSPD", "ISPD", "Speed", "Fahrt"},
    {"BHDG", "IHDG", "Heading", "Kurs"},      {"QXTE", "IXTE", "XTE", "Ablage"},
    {"QBRG", "IBRG", "Bearing", "Peilung"},
};

FOURCHARID Key4(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

U32 Fetch(FOURCHARID key) {
  U32 value = 0xDEADBEEF;
  H_DATABASE_bFetchU32(key, &value);
  return value;
}
// The ten readout slots, SC50 first.
std::vector<U32> Slots() {
  std::vector<U32> out;
  for (FOURCHARID slot : T_INFO_afcidSlots) out.push_back(Fetch(slot));
  return out;
}

// Returns once the readout task has handled every message sent before.
void SyncInfo() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_INFO, msg, 3, menutest::SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

// Both tasks have handled what was sent before: the readout task first,
// then the menu registrations it made.
void SyncBoth() {
  SyncInfo();
  menutest::Sync();
}

void StartTasks() {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  menutest::StartMenuTask((U32)CHART_VIEW, SPLIT_FULL_WINDOW);
  (void)U_MENU_bRegisterTab(g_MENU_txtSetupTab, SETUP_TAB_PRIORITY, nullptr, M_BASIC);
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), ENGLISH, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("INIP"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  for (const Source& s : kSources) {
    H_DATABASE_bUpdateEverythingU32(Key4(s.key), Key4(s.live), P_NORMAL, D_FCID, Name(s.english, s.german),
                                    DB_NO_TIMEOUT);
  }
  ASSERT_EQ(L_MBOX_DefineSema(M_INFO, SEMA_MBOX_INFO), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_INFOTASK), lsSUCCESS);
  ASSERT_TRUE(::WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_INFO) == TASK_INFOTASK; }));
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_RUN_SYSTEM;
  ASSERT_EQ(L_MBOX_Send(M_INFO, msg, 3, 0), lsSUCCESS);
  SyncBoth();
}

// A change the readout task is told of; the menus follow before it returns.
void Change(const char (&key)[5], U32 value) {
  H_DATABASE_bUpdateValueU32(FCID(key), value, P_NORMAL);
  SyncBoth();
}
// The navigation state toggled twice: the readout menus are rebuilt.
void Rebuild() {
  Change("INIP", 1);
  Change("INIP", 0);
}

class ReadoutMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    StartTasks();
    PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
    H_DATABASE_bUpdateValueU32(FCID("CUSR"), M_ADVANCED, P_NORMAL);
    // Every slot on a source that both lists offer.
    for (FOURCHARID slot : T_INFO_afcidSlots) H_DATABASE_bUpdateValueU32(slot, FCID("BSPD"), P_NORMAL);
  }
  void TearDown() override {
    while (Snapshot().kind != NO_MENU) {
      Press(KEY_MASK_MENU);
      PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
    }
    Change("SLNG", ENGLISH);
    Change("CVEW", (U32)CHART_VIEW);
    Rebuild();
  }

  // The main menu opened on the Setup tab, its rows shown.
  std::vector<std::string> OpenSetupTab() {
    Press(KEY_MASK_MENU);
    EXPECT_EQ(Snapshot().kind, MAIN_MENU);
    PassSidewaysHoldOff();
    for (int i = 0; i < 8 && Snapshot().tab != SETUP_TAB_PRIORITY; ++i) {
      Cursor(CURSOR_EAST);
      PassSidewaysHoldOff();
    }
    EXPECT_EQ(Snapshot().tab, SETUP_TAB_PRIORITY);
    return Snapshot().rows;
  }
  // From the open menu's tab bar or first row down to the row of that
  // title, ready to move sideways.
  void GoToRow(const std::string& title) {
    const std::vector<std::string> rows = Snapshot().rows;
    const auto at = std::find(rows.begin(), rows.end(), title);
    ASSERT_NE(at, rows.end()) << title;
    const S32 row = (S32)(at - rows.begin());
    if (!Snapshot().onRows) Cursor(CURSOR_SOUTH);
    while (Snapshot().selection < row) Cursor(CURSOR_SOUTH);
    ASSERT_EQ(Snapshot().rows[(size_t)Snapshot().selection], title);
    PassSidewaysHoldOff();
  }
  // Opens a readout sub menu of the Setup tab.
  void OpenSubMenu(const std::string& title) {
    OpenSetupTab();
    GoToRow(title);
    Cursor(CURSOR_EAST);
    ASSERT_EQ(Snapshot().kind, MAIN_SUB_MENU) << title;
    EXPECT_EQ(Snapshot().rows,
              (std::vector<std::string>{"Readout 1", "Readout 2", "Readout 3", "Readout 4", "Readout 5"}));
  }
  // The values a selector row offers, first to last, as its slot key takes
  // them: west until the first choice, then east until the last.
  std::vector<U32> WalkChoices(const std::string& row, FOURCHARID slot) {
    GoToRow(row);
    for (int i = 0; i < 12; ++i) {
      Cursor(CURSOR_WEST);
      PassSidewaysHoldOff();
    }
    std::vector<U32> values{Fetch(slot)};
    for (int i = 0; i < 12; ++i) {
      Cursor(CURSOR_EAST);
      PassSidewaysHoldOff();
      if (Fetch(slot) == values.back()) break;
      values.push_back(Fetch(slot));
    }
    return values;
  }
};

// The ordinary list holds "Off" and the B sources (with the timer the
// readout task publishes itself), sorted by name; the navigation list adds
// the Q sources, with "Off" once.
TEST_F(ReadoutMenus, SelectorsWriteTheSlotsInNameOrderAndFollowTheLanguage) {
  const std::vector<U32> english = {FCID("BDEP"), FCID("BHDG"), 0, FCID("BSPD"), FCID("BTAW")};
  const std::vector<U32> englishNav = {FCID("QBRG"), FCID("BDEP"), FCID("BHDG"), 0,
                                       FCID("BSPD"), FCID("BTAW"), FCID("QXTE")};
  // German: Ablage, Fahrt, Kurs, Off, Peilung, Tiefe, Timer.
  const std::vector<U32> german = {FCID("BSPD"), FCID("BHDG"), 0, FCID("BDEP"), FCID("BTAW")};
  const std::vector<U32> germanNav = {FCID("QXTE"), FCID("BSPD"), FCID("BHDG"), 0,
                                      FCID("QBRG"), FCID("BDEP"), FCID("BTAW")};

  OpenSubMenu("Select Readouts");
  // Each row writes its own slot and no other.
  for (int i = 0; i < 5; ++i) {
    const std::string row = "Readout " + std::to_string(i + 1);
    std::vector<U32> before = Slots();
    EXPECT_EQ(WalkChoices(row, T_INFO_afcidSlots[5 + i]), english) << row;
    std::vector<U32> after = Slots();
    EXPECT_EQ(after[5 + i], FCID("BTAW")) << row << " ends at the last choice";
    before[5 + i] = after[5 + i];
    EXPECT_EQ(before, after) << row << " writes its own slot only";
  }
  Press(KEY_MASK_MENU);
  PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
  // Every ordinary slot ended at the last choice; the navigation slots are
  // untouched.
  for (int i = 5; i < INFO_SLOTS; ++i) EXPECT_EQ(Slots()[(size_t)i], FCID("BTAW"));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Slots()[(size_t)i], FCID("BSPD"));

  OpenSubMenu("Select Nav Readouts");
  EXPECT_EQ(WalkChoices("Readout 2", FCID("SC51")), englishNav);
  EXPECT_EQ(Fetch(FCID("SC51")), FCID("QXTE"));
  EXPECT_EQ(WalkChoices("Readout 4", FCID("SC53")), englishNav);
  EXPECT_EQ(Fetch(FCID("SC53")), FCID("QXTE"));
  EXPECT_EQ(Fetch(FCID("SC55")), FCID("BTAW")) << "the navigation rows leave the ordinary slots alone";
  Press(KEY_MASK_MENU);
  PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);

  // A new language re-sorts both lists by the new names.
  Change("SLNG", GERMAN);
  OpenSubMenu("Select Readouts");
  EXPECT_EQ(WalkChoices("Readout 3", FCID("SC57")), german);
  Press(KEY_MASK_MENU);
  PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
  OpenSubMenu("Select Nav Readouts");
  EXPECT_EQ(WalkChoices("Readout 1", FCID("SC50")), germanNav);
}

// Over the network data, gauge and engine views the navigation readouts
// are withdrawn at the next rebuild; the ordinary ones stay and still work.
// Back on a chart view the next rebuild offers both again.
TEST_F(ReadoutMenus, NavReadoutsWithdrawnOverTheDataViews) {
  for (S32 view : {FIRST_DATA_VIEW, 68, LAST_DATA_VIEW}) {
    SCOPED_TRACE(view);
    Change("CVEW", (U32)view);
    Rebuild();
    std::vector<std::string> rows = OpenSetupTab();
    EXPECT_NE(std::find(rows.begin(), rows.end(), "Select Readouts"), rows.end());
    EXPECT_EQ(std::find(rows.begin(), rows.end(), "Select Nav Readouts"), rows.end());
    GoToRow("Select Readouts");
    Cursor(CURSOR_EAST);
    ASSERT_EQ(Snapshot().kind, MAIN_SUB_MENU);
    EXPECT_EQ(Snapshot().rows,
              (std::vector<std::string>{"Readout 1", "Readout 2", "Readout 3", "Readout 4", "Readout 5"}));
    const std::vector<U32> choices = WalkChoices("Readout 2", FCID("SC56"));
    EXPECT_EQ(choices, (std::vector<U32>{FCID("BDEP"), FCID("BHDG"), 0, FCID("BSPD"), FCID("BTAW")}));
    Press(KEY_MASK_MENU);
    PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
  }
  // Still over a data view, a new language re-sorts the ordinary readouts.
  Change("SLNG", GERMAN);
  OpenSubMenu("Select Readouts");
  EXPECT_EQ(WalkChoices("Readout 1", FCID("SC55")),
            (std::vector<U32>{FCID("BSPD"), FCID("BHDG"), 0, FCID("BDEP"), FCID("BTAW")}));
  Press(KEY_MASK_MENU);
  PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
  Change("SLNG", ENGLISH);
  // The views next to the range keep both menus.
  for (S32 view : {FIRST_DATA_VIEW - 1, LAST_DATA_VIEW + 1, CHART_VIEW}) {
    SCOPED_TRACE(view);
    Change("CVEW", (U32)view);
    Rebuild();
    std::vector<std::string> rows = OpenSetupTab();
    EXPECT_NE(std::find(rows.begin(), rows.end(), "Select Readouts"), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), "Select Nav Readouts"), rows.end());
    Press(KEY_MASK_MENU);
    PLATFORM_vTestClockAdvanceMs(MENU_EXIT_HOLD_OFF_MS + 10);
  }
  OpenSubMenu("Select Nav Readouts");
  EXPECT_EQ(WalkChoices("Readout 5", FCID("SC54")).size(), 7u);
}

}  // namespace
