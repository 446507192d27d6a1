// Start sequence: brings the system up in a fixed order and then parks the
// main thread for ever.
#include "source/core/start.h"

#include <stdlib.h>
#include <time.h>

#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/core_upcalls.h"
#include "source/core/dd_sd.h"
#include "source/core/dd_uart.h"
#include "source/core/ls_sync.h"
#include "source/platform/platform.h"

std::atomic<U8> bStartupTaskInitialized{0};
std::atomic<U8> bMainTasksStarted{0};

const S32 g_START_lateTasks[START_LATE_TASK_COUNT] = {
    TASK_INLINETESTTASK,  TASK_ETHERNETTASK,   TASK_SLPDTASK,           TASK_SLPCLIENTTASK,
    TASK_GMSGTASK,        TASK_GMSGSOCKETTASK, TASK_GMSGTESTTASK,       TASK_SUDPIN,
    TASK_SUDPOUT,         TASK_KEELARTASK,     TASK_SOUNDTASK,          TASK_INFOTASK,
    TASK_ACCTASK,         TASK_ACCCOMM,        TASK_BARTASK,            TASK_DOWNRIGGERTASK,
    TASK_GATEWAYTASK,     TASK_GATEWAYNAVTASK, TASK_SPEEDTASK,          TASK_MMCTASK,
    TASK_CHARTTASK,       TASK_CHART3DTASK,    TASK_HTMLTASK,           TASK_NAVTASK,
    TASK_CHARTINFOTASK,   TASK_NMEATASK,       TASK_ALARMTASK,          TASK_BATTTASK,
    TASK_PCCTASK,         TASK_WTEMPTASK,      TASK_BUTTONTASK,         TASK_PINGTASK,
    TASK_PINGRECORDREADTASK, TASK_NETPINGRECEIVETASK, TASK_PROCESSTASK, TASK_HISTORYTASK,
    TASK_SATWXTASK,       TASK_SATWXDATATASK,  TASK_RADARTASK,          TASK_RADARDATATASK,
    TASK_RADARSERVERTASK, TASK_RADARCLIENTTASK, TASK_ETHBCASTTASK,      TASK_ETHUPDATERTASK,
    TASK_BTREMOTETASK,
};

// ------------------------------------------------------------ the steps
// Steps whose services are not part of the program yet are kept as named,
// empty functions so each slots in where it belongs.

// Empties the settings database's table of keys.
static void START_vClearDatabase(void) { H_DATABASE_vInit(); }

// Seeds the C library's random numbers with the calendar time.
static void START_vSeedRandom(void) { srand((unsigned)PLATFORM_tTime(nullptr)); }

// Shared drawing and chart resources: icon palette, SD-card layer, the serial
// ports' names (published on this machine), chart block cache, chart
// palette, the chart engine's three fonts and pattern tables, the image
// toolkit. The later subsystems supply their steps through
// the core's upward calls (core_upcalls.h).
void H_PLATFORM_vSetup(void) {
  H_PLATFORM_vSetupGraphics();
  DD_SD_vInit();
  DD_UART_vPublish();
  U_CHART_CACHE_vInit();
  H_PLATFORM_vSetupChartPalette();
  H_PLATFORM_vSetupChartFonts();
  plt_InstallPatternsAndBitmaps();
  T_CHART_3D_vInitImageToolkit();
}

// Fills the unit-conversion tables.
static void START_vUnitTables(void) { U_CONVERT_vInitialiseConversionUtility(); }

// Starts the "sync" thread.
static void START_vSyncThread(void) { LS_sync_vInit(); }

void START_vBindMailboxes(void) {
  for (MBOX m = 1; m <= nmboxes; ++m) {
    if (s_mailboxStartSema[m] != 0) L_MBOX_DefineSema(m, s_mailboxStartSema[m]);
  }
}

// Waits until the start-up task has finished its own initialisation.
static void START_vWaitForStartupTask(void) {
  while (bStartupTaskInitialized.load(std::memory_order_acquire) == 0) {
    struct timespec ts = {0, 1000000};
    nanosleep(&ts, nullptr);
  }
}

void START_vMain(void) {
  START_vClearDatabase();
  START_vSeedRandom();
  H_PLATFORM_vSetup();
  H_TICK_vSetup(1000);
  START_vBindMailboxes();
  START_vUnitTables();
  START_vSyncThread();

  // A disabled task or a failed start simply leaves that task out.
  L_TASK_Start(TASK_UARTTASK);
  L_TASK_Start(TASK_STARTTASK);
  START_vWaitForStartupTask();
  for (S32 id : g_START_lateTasks) L_TASK_Start(id);
  bMainTasksStarted.store(1, std::memory_order_release);

  for (;;) {
    struct timespec ts = {3600, 0};
    nanosleep(&ts, nullptr);
  }
}
