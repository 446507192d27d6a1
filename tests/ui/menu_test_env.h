// Shared by the menu tests: the menu task running in the test process on
// the test clock, with two mailboxes standing in for the keyboard task
// (TKBD) and the view task (TVUE) so that the key and layer registrations
// the menu task makes can be read back. Requests go in through the client
// functions and key changes as the keyboard task sends them.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <array>
#include <chrono>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/menu_types.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/t_menu_int.h"
#include "source/ui/u_menu.h"
#include "common/view_types.h"
#include "tests/support/db_test_env.h"
#include "tests/support/wait_for.h"

namespace menutest {

// Stand-ins: nobody serves these mailboxes in the menu tests.
constexpr MBOX KEYBOARD_STANDIN = M_ALARM;
constexpr MBOX VIEW_STANDIN = M_NMEA;
// Acknowledgement semaphore of the test's own waiting sends.
constexpr SEMA SYNC_SEMA = SEMA_MBOX_NAV;

// Returns once the menu task has handled every message sent before.
inline void Sync() {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  ASSERT_EQ(L_MBOX_SendWait(M_MENU, msg, 3, SYNC_SEMA), lsSUCCESS);
  H_MEMORY_vFree(msg);
}

inline void SendCommand(CMD_ID cmd) {
  GENERIC_MESSAGE* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(msg, 0, sizeof *msg);
  msg->Cmd = cmd;
  ASSERT_EQ(L_MBOX_Send(M_MENU, msg, 3, 0), lsSUCCESS);
  Sync();
}

// One key change as the keyboard task sends it (message priority 1).
inline void Key(U32 key, KEY_STATE state, U32 count = 1, CURSOR_POSITION cursor = CURSOR_UP) {
  MSG_KEY_CHANGE* msg = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_KEY_CHANGE;
  msg->key = key;
  msg->state = state;
  msg->count = count;
  msg->cursor = cursor;
  ASSERT_EQ(L_MBOX_Send(M_MENU, msg, 1, 0), lsSUCCESS);
  Sync();
}

inline void Press(U32 key) { Key(key, KEY_DOWN); }
// A cursor press and its release.
inline void Cursor(CURSOR_POSITION direction) {
  Key(KEY_MASK_CURSOR, KEY_DOWN, 1, direction);
  Key(KEY_MASK_CURSOR, KEY_UP, 0, direction);
}

// East and west act only half a second after north, south or an opening.
inline void PassSidewaysHoldOff() { PLATFORM_vTestClockAdvanceMs(600); }

inline U32 FetchU32(const char (&key)[5]) {
  U32 value = 0xDEADBEEF;
  H_DATABASE_bFetchU32(FCID(key), &value);
  return value;
}

inline F32 FetchFloat(const char (&key)[5]) {
  F32 value = -1.0f;
  H_DATABASE_bFetchFloat(FCID(key), &value);
  return value;
}

// The open menu as the layers would see it.
struct Open {
  ACTIVE_MENU kind;
  std::vector<std::string> rows;
  S32 selection;
  S32 top;
  S32 bottom;
  BOOLEAN onRows;
  S32 tab;
  S32 depth;
  BOOLEAN confirm;
};

inline std::string Title(DB_TEXT_RECORD record) { return record != nullptr && record[0] != nullptr ? record[0] : ""; }

inline Open Snapshot() {
  Open open;
  L_MUTEX_LockWait(RES_MENU);
  open.kind = s_activeMenu;
  for (S32 i = 0; i < s_numActiveMenuItems; ++i) open.rows.push_back(Title(s_activeMenuList[i]->pMenuTitle));
  open.selection = s_activeMenuItemIndex;
  open.top = s_TopMenuItem;
  open.bottom = s_BottomMenuItem;
  open.onRows = s_bMenuItemActive;
  open.tab = s_activeTab;
  open.depth = s_menuLevel;
  open.confirm = s_bConfirmActive;
  L_MUTEX_Unlock(RES_MENU);
  return open;
}

// Titles of a list of items, first to last.
inline std::vector<std::string> Titles(const MENU_ITEM* first) {
  std::vector<std::string> out;
  for (const MENU_ITEM* p = first; p != nullptr; p = p->pNextMenu) out.push_back(Title(p->pMenuTitle));
  return out;
}

// Registrations the menu task holds with the keyboard task, per key mask
// bit, counted from the messages it sent to the stand-in.
struct KeyLedger {
  std::map<U32, int> held;
  void Read() {
    while (void* p = L_MBOX_Receive(KEYBOARD_STANDIN)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_REGISTER_FOR_KEYS) {
        const MSG_REGISTER_FOR_KEYS* m = (const MSG_REGISTER_FOR_KEYS*)p;
        EXPECT_EQ(m->mailbox, M_MENU);
        for (U32 bit = 1; bit != 0 && bit <= 0x8000; bit <<= 1) {
          if (m->keys & bit) ++held[bit];
        }
      } else if (g->Cmd == CMD_ID_UNREGISTER_FOR_KEYS) {
        const MSG_UNREGISTER_FOR_KEYS* m = (const MSG_UNREGISTER_FOR_KEYS*)p;
        for (U32 bit = 1; bit != 0 && bit <= 0x8000; bit <<= 1) {
          // The keyboard task drops a registration only where one exists.
          if ((m->keys & bit) && held[bit] > 0) --held[bit];
        }
      }
      H_MEMORY_vDumpMail(p);
    }
  }
  int Count(U32 bit) {
    Read();
    return held[bit];
  }
};

// Layers the menu task has registered with the view task.
struct LayerLedger {
  std::set<S32> shown;
  void Read() {
    while (void* p = L_MBOX_Receive(VIEW_STANDIN)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_REGISTER_LAYER) shown.insert(((const MSG_REGISTER_LAYER*)p)->layer);
      if (g->Cmd == CMD_ID_UNREGISTER_LAYER) shown.erase(((const MSG_UNREGISTER_LAYER*)p)->layer);
      H_MEMORY_vDumpMail(p);
    }
  }
  std::set<S32> Layers() {
    Read();
    return shown;
  }
};

// One ledger of each kind for the whole process, from the task's start on.
inline KeyLedger& Keys() {
  static KeyLedger s_ledger;
  return s_ledger;
}
inline LayerLedger& Layers() {
  static LayerLedger s_ledger;
  return s_ledger;
}

// Starts the menu task once per process: the database with the stand-ins'
// keys, the test clock, then the task and its start of operation.
inline void StartMenuTask(U32 view = 10, U32 split = SPLIT_FULL_WINDOW) {
  static bool s_bStarted = false;
  if (s_bStarted) return;
  s_bStarted = true;
  PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
  H_DATABASE_vInit();
  U_CONVERT_vInitialiseConversionUtility();
  H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), VIEW_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), (S32)view, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingS32(FCID("CVAS"), (S32)split, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingU32(FCID("SUSR"), M_ADVANCED, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  ASSERT_EQ(L_MBOX_DefineSema(M_MENU, SEMA_MBOX_MENU), lsSUCCESS);
  ASSERT_EQ(L_TASK_Start(TASK_MENUTASK), lsSUCCESS);
  ASSERT_TRUE(::WaitFor([] { return L_SEMA_GetWaitingTaskID(SEMA_MBOX_MENU) == TASK_MENUTASK; }));
  SendCommand(CMD_ID_RUN_SYSTEM);
}

// A text record of one string, made at run time and kept for the process.
inline DB_TEXT_RECORD Text(const std::string& text) {
  static std::deque<std::string> s_strings;
  static std::deque<std::array<const char*, NUMBER_OF_LANGUAGES>> s_records;
  s_strings.push_back(text);
  std::array<const char*, NUMBER_OF_LANGUAGES> record;
  record.fill(s_strings.back().c_str());
  s_records.push_back(record);
  return s_records.back().data();
}

// Empties every menu (the task keeps running) and closes the open one.
inline void ResetMenus() {
  T_MENU_vRemoveMenus();
  L_MUTEX_LockWait(RES_MENU);
  T_MENU_vInitModel();
  s_activeTab = 0;
  s_activeMenuItemIndex = 0;
  L_MUTEX_Unlock(RES_MENU);
}

// A text record of one string (the same in every language).
#define MENU_TEST_TEXT(name, text)                                                                              \
  const char* const name[22] = {text, text, text, text, text, text, text, text, text, text, text,            \
                                text, text, text, text, text, text, text, text, text, text, text}

}  // namespace menutest
