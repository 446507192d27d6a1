// Drawing the main menu as the view task does on every refresh: a tab bar
// of four tabs over nine rows of mixed controls, the slider row selected.
// Each frame rebuilds the rows' display strings, works out the width and
// draws tab bar, frame, rows and the selected row's slider.
//  - BM_MenuMainMenuFrame: the main-menu layer's draw callback on a page;
//  - BM_MenuMainMenuLayoutOnly: only the width computation over the rows;
//  - BM_Memcpy960000: the baseline, one memcpy of a 960,000-byte frame.
// The menu is built through the client functions and opened with key
// changes sent to the running menu task.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <thread>
#include <vector>

#include "common/u_convert.h"
#include "data/icons.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/core/h_database.h"
#include "source/ui/t_keyboard.h"
#include "source/ui/t_menu.h"
#include "source/ui/t_menu_draw.h"
#include "source/ui/t_menu_int.h"
#include "source/ui/u_menu.h"

namespace {

constexpr size_t FRAME_BYTES = 960000;
// Mailboxes nobody serves here stand in for the keyboard and view tasks.
constexpr MBOX KEYBOARD_STANDIN = M_ALARM;
constexpr MBOX VIEW_STANDIN = M_NMEA;
constexpr SEMA SYNC_SEMA = SEMA_MBOX_NAV;

#define BENCH_TEXT(name, text)                                                                             \
  const char* const name[22] = {text, text, text, text, text, text, text, text, text, text, text,       \
                                text, text, text, text, text, text, text, text, text, text, text}
BENCH_TEXT(s_txtSonar, "Sonar");
BENCH_TEXT(s_txtChart, "Chart");
BENCH_TEXT(s_txtSetup, "Setup");
BENCH_TEXT(s_txtViews, "Views");
BENCH_TEXT(s_txtKeyClicks, "Key Clicks");
BENCH_TEXT(s_txtBacklight, "Backlight");
BENCH_TEXT(s_txtDepthUnits, "Depth Units");
BENCH_TEXT(s_txtVolume, "Sound Volume");
BENCH_TEXT(s_txtOffset, "Depth Offset");
BENCH_TEXT(s_txtSonarSetup, "Sonar Setup");
BENCH_TEXT(s_txtSonarOptions, "Sonar Options");
BENCH_TEXT(s_txtRestore, "Restore Defaults");
BENCH_TEXT(s_txtTone, "Alarm Tone");
BENCH_TEXT(s_txtLanguage, "Language");
BENCH_TEXT(s_txtOff, "Off");
BENCH_TEXT(s_txtOn, "On");
BENCH_TEXT(s_txtMax, "Max");
BENCH_TEXT(s_txtFeet, "Feet");
BENCH_TEXT(s_txtMetres, "Metres");
BENCH_TEXT(s_txtFathoms, "Fathoms");
BENCH_TEXT(s_txtTone1, "Tone 1");
BENCH_TEXT(s_txtTone2, "Tone 2");
BENCH_TEXT(s_txtEnglish, "English");
BENCH_TEXT(s_txtDeutsch, "Deutsch");

const MENU_LIMITS s_limits10[] = {{U_NONE, 0.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_limitsOffset[] = {{U_NONE, -20.0f, 20.0f, 1.0f}};
const U32 s_au32Two[] = {0, 1};
const U32 s_au32Three[] = {0, 1, 2};
const DB_TEXT_RECORD s_apOnOff[] = {s_txtOff, s_txtOn};
const DB_TEXT_RECORD s_apUnits[] = {s_txtFeet, s_txtMetres, s_txtFathoms};
const DB_TEXT_RECORD s_apTones[] = {s_txtTone1, s_txtTone2};
const DB_TEXT_RECORD s_apLanguages[] = {s_txtEnglish, s_txtDeutsch};
const DB_TEXT_RECORD s_apSubNames[] = {s_txtSonarOptions};
const MENU_LIST_FUNC s_apfnTwo[] = {nullptr, nullptr};
const BOOLEAN s_abNoConfirm[] = {FALSE, FALSE};

void vSendAndWait(void* message, PRIORITY priority) {
  if (L_MBOX_SendWait(M_MENU, message, priority, SYNC_SEMA) != lsSUCCESS) abort();
  H_MEMORY_vFree(message);
}

// Returns once the menu task has handled everything sent before.
void vSync() {
  GENERIC_MESSAGE* m = static_cast<GENERIC_MESSAGE*>(H_MEMORY_pvCalloc(1, sizeof(GENERIC_MESSAGE)));
  m->Cmd = CMD_ID_WRITE_TO_NVR;  // disposed of unread
  vSendAndWait(m, 3);
}

void vKey(U32 key, KEY_STATE state, CURSOR_POSITION cursor) {
  MSG_KEY_CHANGE* m = static_cast<MSG_KEY_CHANGE*>(H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE)));
  m->Header.Cmd = CMD_ID_KEY_CHANGE;
  m->key = key;
  m->state = state;
  m->count = state == KEY_DOWN ? 1 : 0;
  m->cursor = cursor;
  vSendAndWait(m, 1);
}

void vDrain(MBOX mbox) {
  while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
}

struct MenuTask {
  BITMAP* page = nullptr;
  WINDOW_SPECIFICATION ws{};

  MenuTask() {
    log_me("menu bench: start\n");
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    H_DATABASE_bUpdateEverythingU32(FCID("TKBD"), KEYBOARD_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingU32(FCID("TVUE"), VIEW_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    H_DATABASE_bUpdateEverythingS32(FCID("CVAS"), SPLIT_FULL_WINDOW, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
    const FOURCHARID keys[] = {FCID("SBK1"), FCID("SBK2"), FCID("SBK3"), FCID("SBK4"), FCID("SBK6")};
    const U32 values[] = {1, 7, 2, 6, 0};
    for (int i = 0; i < 5; ++i) {
      H_DATABASE_bUpdateEverythingU32(keys[i], values[i], P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
    }
    H_DATABASE_bUpdateEverythingS32(FCID("SBK5"), -3, P_NORMAL, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
    L_MBOX_DefineSema(M_MENU, SEMA_MBOX_MENU);
    L_TASK_Start(TASK_MENUTASK);
    U32 mailbox = 0;
    while (!H_DATABASE_bFetchU32(FCID("TMNU"), &mailbox)) std::this_thread::yield();

    U_MENU_bRegisterTab(s_txtSonar, SONAR_TAB_PRIORITY, &SonarTab_icon, M_BASIC);
    U_MENU_bRegisterTab(s_txtChart, CHART_TAB_PRIORITY, &Zoom_in_icon, M_BASIC);
    U_MENU_bRegisterTab(s_txtSetup, SETUP_TAB_PRIORITY, &PropSpeed_icon, M_BASIC);
    U_MENU_bRegisterTab(s_txtViews, SELECT_VIEWS_TAB_PRIORITY, &adjust_screen_size, M_BASIC);
    U_MENU_bRegisterMainSelectorMenu(s_txtKeyClicks, s_txtSetup, MENU_PRIORITY_0, FCID("SBK1"), 2, s_apOnOff,
                                     s_au32Two, M_BASIC);
    U_MENU_bRegisterMainSliderMenu(s_txtBacklight, s_txtSetup, MENU_PRIORITY_1, FCID("SBK2"), s_limits10, s_txtOff,
                                   s_txtMax, nullptr, M_BASIC);
    U_MENU_bRegisterMainSelectorMenu(s_txtDepthUnits, s_txtSetup, MENU_PRIORITY_2, FCID("SBK3"), 3, s_apUnits,
                                     s_au32Three, M_BASIC);
    U_MENU_bRegisterMainProgBarMenu(s_txtVolume, s_txtSetup, MENU_PRIORITY_3, FCID("SBK4"), s_limits10, nullptr,
                                    nullptr, nullptr, M_BASIC);
    U_MENU_bRegisterMainNumEntryMenu(s_txtOffset, s_txtSetup, MENU_PRIORITY_4, FCID("SBK5"), s_limitsOffset, nullptr,
                                     nullptr, nullptr, M_BASIC);
    U_MENU_bRegisterMainSubMenuWithIcon(s_txtSonarSetup, s_txtSetup, &SonarTab_icon, MENU_PRIORITY_5, s_apSubNames,
                                        s_apSubNames, nullptr, 1, M_BASIC);
    U_MENU_bRegisterMainActionMenu(s_txtRestore, s_txtSetup, MENU_PRIORITY_6, nullptr, TRUE, M_BASIC);
    U_MENU_bRegisterMainActionListMenu(s_txtTone, s_txtSetup, MENU_PRIORITY_7, s_apTones, s_apfnTwo, 2, M_BASIC, 0,
                                       s_abNoConfirm);
    U_MENU_bRegisterMainSelectorMenu(s_txtLanguage, s_txtSetup, MENU_PRIORITY_8, FCID("SBK6"), 2, s_apLanguages,
                                     s_au32Two, M_BASIC);
    vSync();
    L_MUTEX_LockWait(RES_MENU);
    s_activeTab = SETUP_TAB_PRIORITY;
    L_MUTEX_Unlock(RES_MENU);

    page = G_BUFFERS_pCreateFullScreenBitmap();
    ws.currentLayer = SONAR_VIEW_PRIORITY;
    ws.activeWindow = SPLIT_FULL_WINDOW;
    ws.drawWindowType = SPLIT_FULL_WINDOW;
    ws.drawWindow = WINDOW_LOCATION{0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
    // MENU opens the main menu (the view has no quick-access menu); its first
    // draw builds the rows; two steps south select the slider row.
    vKey(KEY_MASK_MENU, KEY_DOWN, CURSOR_UP);
    T_MENU_vDrawMainMenuLayer(page, &ws);
    for (int i = 0; i < 2; ++i) {
      vKey(KEY_MASK_CURSOR, KEY_DOWN, CURSOR_SOUTH);
      vKey(KEY_MASK_CURSOR, KEY_UP, CURSOR_SOUTH);
    }
    vDrain(KEYBOARD_STANDIN);
    vDrain(VIEW_STANDIN);
    L_MUTEX_LockWait(RES_MENU);
    const bool ok = s_activeMenu == MAIN_MENU && s_numActiveMenuItems == 9 && s_activeMenuItemIndex == 1;
    L_MUTEX_Unlock(RES_MENU);
    if (!ok) {
      log_me("menu bench: the main menu did not open as expected\n");
      abort();
    }
  }
};

MenuTask& Task() {
  static MenuTask task;
  return task;
}

void BM_MenuMainMenuFrame(benchmark::State& state) {
  MenuTask& t = Task();
  for (auto _ : state) {
    T_MENU_vDrawMainMenuLayer(t.page, &t.ws);
    benchmark::DoNotOptimize(t.page->pBuffer);
    benchmark::ClobberMemory();
  }
  state.counters["frames/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MenuMainMenuFrame);

void BM_MenuMainMenuLayoutOnly(benchmark::State& state) {
  Task();
  for (auto _ : state) {
    L_MUTEX_LockWait(RES_MENU);
    benchmark::DoNotOptimize(T_MENU_u32FindMinMenuWidths((U32)s_numActiveMenuItems));
    L_MUTEX_Unlock(RES_MENU);
  }
  state.counters["frames/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MenuMainMenuLayoutOnly);

void BM_Memcpy960000(benchmark::State& state) {
  std::vector<U8> from(FRAME_BYTES, 0x5A), to(FRAME_BYTES);
  for (auto _ : state) {
    memcpy(to.data(), from.data(), FRAME_BYTES);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)FRAME_BYTES);
}
BENCHMARK(BM_Memcpy960000);

}  // namespace

BENCHMARK_MAIN();
