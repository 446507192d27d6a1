// Stand-in entries for the tasks of the task table whose real work is not
// linked into the program yet. Each one keeps its task alive the way the
// real task will: it waits on its own mailbox (bound to its semaphore) and
// disposes of every message, so senders and waiting sends never hang.
// A real task replaces its stand-in here by deleting it from this file.
#include "source/task_stubs.h"

#include <string.h>
#include <time.h>

#include <initializer_list>
#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/dd_lcd.h"
#include "source/h_database.h"
#include "source/h_display.h"
#include "source/start.h"

namespace {

// Semaphore bound to a mailbox: the start bindings, and the two that their
// tasks bind themselves.
SEMA eMailboxSema(MBOX m) {
  if (m == M_ACC_REPLY) return SEMA_ACC_REPLY;
  if (m == M_KEELAR) return SEMA_MBOX_KEELAR;
  return (m >= 1 && m <= nmboxes) ? s_mailboxStartSema[m] : 0;
}

void vDispose(void* message) {
  if (((GENERIC_MESSAGE*)message)->Cmd == CMD_ID_SHUTDOWN) log_me("shutdown received");
  H_MEMORY_vDumpMail(message);
}

void vEmpty(MBOX m) {
  while (void* message = L_MBOX_Receive(m)) vDispose(message);
}

// Registers a stand-in's mailbox under its task key, as the real task does
// at its start, so that senders and the orderly shutdown find it.
void vRegister(FOURCHARID key, MBOX m) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)m, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
}

[[noreturn]] void vIdle(void) {
  for (;;) {
    struct timespec ts = {3600, 0};
    nanosleep(&ts, nullptr);
  }
}

// Serves the mailboxes of a task for ever: waits on their semaphores and
// any extra events, and empties every mailbox each time one fires. A
// mailbox without a semaphore is looked at once a second.
[[noreturn]] void vServe(std::initializer_list<MBOX> mailboxes, std::initializer_list<SEMA> events = {}) {
  SEMA list[8];
  int n = 0;
  bool polled = false;
  for (MBOX m : mailboxes) {
    const SEMA s = eMailboxSema(m);
    if (s != 0) {
      list[n++] = s;
    } else {
      polled = true;
    }
  }
  for (SEMA s : events) list[n++] = s;
  list[n] = 0;

  if (n == 0 && mailboxes.size() == 1) {
    const MBOX m = *mailboxes.begin();
    for (;;) {
      if (void* message = L_MBOX_ReceiveWait(m)) vDispose(message);
    }
  }
  for (;;) {
    const S32 result = polled ? L_SEMA_WaitMultipleTicks(list, 1000) : L_SEMA_WaitMultiple(list);
    if (result == -lsSEMA_WAIT_CONFLICT || result == -lsSEMA_INVALID) {
      log_me("task %d (%s) cannot wait: %d", L_TASK_GetMyID(), get_task_name(L_TASK_GetMyID()), result);
      L_CLOCK_Sleep(1000);
    }
    for (MBOX m : mailboxes) vEmpty(m);
  }
}

[[noreturn]] void vEndAtOnce(void) {
  L_TASK_Terminate(0);
  vIdle();  // not reached: ending the own task does not return
}

constexpr U32 STARTUP_SWEEP_MS = 2000;

// Writes the system state and tells every task registered under a T key to
// begin its normal work, the display task first.
void vRunSystem(SYSTEM_STATE state) {
  H_DATABASE_bUpdateValueU32(FCID("CCST"), (U32)state, P_NORMAL);
  std::vector<MBOX> mailboxes;
  U32 display = 0;
  if (H_DATABASE_bFetchU32(FCID("TDSP"), &display)) mailboxes.push_back((MBOX)display);
  MULTI_FETCH_CONTROL_STRUCTURE walk;
  memset(&walk, 0, sizeof walk);
  walk.cMatch = 'T';
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    const MBOX m = (MBOX)walk.data.u32Val;
    if (walk.id != FCID("TDSP") && m != M_STARTUP) mailboxes.push_back(m);
  }
  log_me("run system: state %d, %d tasks", (int)state, (int)mailboxes.size());
  for (MBOX m : mailboxes) {
    auto* msg = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
    memset(msg, 0, sizeof *msg);
    msg->Cmd = CMD_ID_RUN_SYSTEM;
    if (L_MBOX_Send(m, msg, 3, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
  }
}

// The six tasks the start-up task starts itself, in order.
constexpr S32 s_startupTasks[] = {TASK_DISPTASK,  TASK_VIEWTASK, TASK_VIEWKEYTASK,
                                  TASK_NVRTASK,   TASK_KBDTASK,  TASK_MENUTASK};

}  // namespace

// ------------------------------------------------------------ tasks without work of their own
void rtxcbug(void) {}
void T_DUMMY_vMain(void) { vEndAtOnce(); }
void T_TONE_vMain(void) { vEndAtOnce(); }
void T_DEVELOPMENT_vMain(void) { vEndAtOnce(); }
void T_BATHYMETRY_vMain(void) { vEndAtOnce(); }
void T_SOCKET_vMain(void) { vEndAtOnce(); }
void T_XDUCERID_vMain(void) { vEndAtOnce(); }
void T_GMSG_vTestMain(void) { vEndAtOnce(); }
void T_SLPD_vMain(void) { vEndAtOnce(); }
void T_RSXBCAST_vMain(void) { vEndAtOnce(); }
void T_RSXCONTROL_vMain(void) { vEndAtOnce(); }
void T_RSX_UPDATER_vMain(void) { vEndAtOnce(); }

void T_ADC_vMain(void) {
  for (;;) {
    if (void* message = L_MBOX_ReceiveWait(M_ADC)) H_MEMORY_vDumpMail(message);
  }
}

// ------------------------------------------------------------ start-up task
void T_STARTUP_vMain(void) {
  for (S32 id : s_startupTasks) {
    const S32 old = L_TASK_GetPriority(id);
    L_TASK_SetPriority(id, 2);
    L_TASK_Start(id);
    L_TASK_SetPriority(id, (PRIORITY)old);
  }
  bStartupTaskInitialized.store(1, std::memory_order_release);

  // Until the start-up screens exist the unit goes straight into simulator
  // operation once every task has been started.
  while (bMainTasksStarted.load(std::memory_order_acquire) == 0) L_CLOCK_Sleep(10);
  vRunSystem(STATE_SIMULATION);

  // From now on the time-out sweep of the settings database runs every 2 s.
  const SEMA list[] = {SEMA_MBOX_STARTUP, SEMA_TIMER_STARTUP, 0};
  L_TIMER_Start(nullptr, STARTUP_SWEEP_MS, STARTUP_SWEEP_MS, SEMA_TIMER_STARTUP);
  for (;;) {
    if (L_SEMA_WaitMultiple(list) == SEMA_TIMER_STARTUP) H_DATABASE_vSendAllInvalidData();
    vEmpty(M_STARTUP);
  }
}

// ------------------------------------------------------------ stand-ins serving their mailboxes
void T_UART_vMain(void) { vServe({M_COM1A}); }
// The display task's first duty stands in for all of it: the display pages
// are set up (and cleared) before the view task draws on them.
void T_DISPLAY_vMain(void) {
  H_DISPLAY_vInitScreen(M_DISPLAY);
  DD_LCD_vCLS();
  vRegister(FCID("TDSP"), M_DISPLAY);
  vServe({M_DISPLAY});
}
void T_SPEED_vMain(void) { vServe({M_SPEED}); }
void T_INFO_vMain(void) {
  vRegister(FCID("TINF"), M_INFO);
  vServe({M_INFO});
}
void T_N_PROCESS_vMain(void) { vServe({M_PROCESS}); }
void T_N_PING_vMain(void) { vServe({M_PING}); }
void T_CHART_vMain(void) { vServe({M_CHART}); }
void T_NVRAM_vMain(void) {
  vRegister(FCID("TNVR"), M_NVRAM);
  vServe({M_NVRAM});
}
// The navigation task also waits for the long GOTO press (man overboard).
void T_NAV_vMain(void) { vServe({M_NAV}, {SEMA_KEYBOARD_LONG_GOTO}); }
void T_NMEA_vMain(void) { vServe({M_NMEA}); }
void T_ALARM_vMain(void) { vServe({M_ALARM}); }
void T_PCC_vMain(void) { vServe({M_PCCOM}); }
void T_BAROMETER_vMain(void) { vServe({M_BAROMETER}); }
// The accessory task binds its reply mailbox itself.
void T_ACC_vMain(void) {
  L_MBOX_DefineSema(M_ACC_REPLY, SEMA_ACC_REPLY);
  vServe({M_ACCESSORY, M_ACC_REPLY});
}
void T_TEMP_vMain(void) { vServe({M_WTEMP}); }
void T_BATTERY_vMain(void) { vServe({M_BATTERY}); }
void T_INLINETEST_vMain(void) { vServe({M_INLINETEST}); }
void T_ACC_COMM_vMain(void) { vServe({M_ACC_COMM}); }
void T_MMC_vMain(void) {
  vRegister(FCID("TMMC"), M_MMC);
  vServe({M_MMC});
}
void T_TREVANIC_vMain(void) { vServe({M_TREVANIC}); }
void T_N_HISTORY_vMain(void) { vServe({M_HISTORY}); }
void T_BUTTON_vMain(void) {
  vRegister(FCID("TBUT"), M_BUTTON);
  vServe({M_BUTTON});
}
void T_CHART_INFO_vMain(void) { vServe({M_CHART_INFO}); }
void T_3D_HISTORY_vMain(void) { vServe({M_3D_HISTORY}); }
void T_3D_PROCESS_vMain(void) { vServe({M_3D_PROCESS}); }
void T_3D_HISTORY_RENDER_vMain(void) { vServe({M_3D_RENDER}); }
void T_DOWNRIGGER_vMain(void) { vServe({M_DOWNRIGGER}); }
void T_CHART_3D_vMain(void) { vServe({M_CHART3D}); }
void T_HTML_vMain(void) { vServe({M_HTML}); }
void T_GATEWAY_vMain(void) { vServe({M_GATEWAY}); }
// Mailbox 43 carries local navigation changes and is taken without a semaphore.
void T_GATEWAY_NAV_vMain(void) { vServe({M_GATEWAY_NAV, M_GWNAVDATA}); }
void T_ETHERNET_vMain(void) { vServe({M_ETHERNET}); }
void T_SOUND_vMain(void) {
  vRegister(FCID("TSND"), M_SOUND);
  vServe({M_SOUND});
}
void T_SATWX_vMain(void) { vServe({M_SATWX}); }
void T_SATWX_DATA_vMain(void) { vServe({M_SATWX_DATA}); }
void T_SLPTEST_vMain(void) { vServe({M_SLPTEST}); }
void T_GMSG_vMain(void) { vServe({M_GMSG}); }
// The socket watcher has no mailbox; with nothing registered it waits to be woken.
void T_GMSG_vSocketMain(void) {
  const SEMA list[] = {SEMA_GMSG_SELECT, 0};
  for (;;) {
    L_SEMA_WaitMultiple(list);
    L_SEMA_SetPending(SEMA_GMSG_SELECT);
  }
}
void T_SLP_CLIENT_vMain(void) { vServe({M_SLPCLIENT}); }
void T_SUDP_IN_vMain(void) { vServe({M_SUDPIN}); }
void T_SUDP_OUT_vMain(void) { vServe({M_SUDPOUT}); }
void T_RADAR_vMain(void) { vServe({M_RADAR}); }
void T_RADAR_DATA_vMain(void) { vServe({M_RADAR_DATA}); }
void T_RADAR_SERVER_vMain(void) { vServe({M_RADAR_SERVER, M_RADAR_SERVER_TCP}); }
// Recording playback has no mailbox.
void T_READ_RECORD_PINGDATA_vMain(void) { vIdle(); }
void T_RADAR_CLIENT_vMain(void) { vServe({M_RADAR_CLIENT}); }
// The broadcast task has no mailbox.
void T_ETHBCAST_vMain(void) { vIdle(); }
void T_ETH_UPDATER_vMain(void) { vServe({M_ETHUPDATE}); }
void T_NET_PING_RECEIVE_vMain(void) { vServe({M_NETPING}); }
// The autopilot task binds its mailbox itself.
void T_KEELAR_vMain(void) {
  L_MBOX_DefineSema(M_KEELAR, SEMA_MBOX_KEELAR);
  vServe({M_KEELAR});
}
void T_BTREMOTE_vMain(void) { vServe({M_BT_REMOTE}); }

// ------------------------------------------------------------ services of absent subsystems
BOOLEAN S_DETECT_bTransducerConnected(void) {
  if (opt_fake_transducer) return FALSE;
  // No sonar coprocessor to probe in this build.
  log_me("S_DETECT: no sonar coprocessor");
  return FALSE;
}
