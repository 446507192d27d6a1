// Defaults of the kernel services' upward calls: placeholder tasks.
#include "lsvc/lsvc_upcalls.h"

#include <time.h>

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

}  // namespace

void L_TASK_vServePlaceholder(std::initializer_list<MBOX> mailboxes, std::initializer_list<SEMA> events) {
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

void L_TASK_vIdlePlaceholder(void) {
  for (;;) {
    struct timespec ts = {3600, 0};
    nanosleep(&ts, nullptr);
  }
}

void L_TASK_vEndPlaceholder(void) {
  L_TASK_Terminate(0);
  L_TASK_vIdlePlaceholder();  // not reached: ending the own task does not return
}

L_UPCALL_DEFINE(void, Main, (void), ()) { log_me("Main: no start sequence in this program"); }

// ------------------------------------------------------------ task entries
L_UPCALL_DEFINE(void, T_3D_HISTORY_RENDER_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_3D_RENDER});
}

L_UPCALL_DEFINE(void, T_3D_HISTORY_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_3D_HISTORY});
}

L_UPCALL_DEFINE(void, T_3D_PROCESS_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_3D_PROCESS});
}

L_UPCALL_DEFINE(void, T_ACC_COMM_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_ACC_COMM});
}

L_UPCALL_DEFINE(void, T_ACC_vMain, (void), ()) {
  L_MBOX_DefineSema(M_ACC_REPLY, SEMA_ACC_REPLY);
  L_TASK_vServePlaceholder({M_ACCESSORY, M_ACC_REPLY});
}

L_UPCALL_DEFINE(void, T_ADC_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_ADC});
}

L_UPCALL_DEFINE(void, T_ALARM_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_ALARM});
}

L_UPCALL_DEFINE(void, T_BAROMETER_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_BAROMETER});
}

L_UPCALL_DEFINE(void, T_BATHYMETRY_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_BATTERY_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_BATTERY});
}

L_UPCALL_DEFINE(void, T_BTREMOTE_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_BT_REMOTE});
}

L_UPCALL_DEFINE(void, T_BUTTON_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_BUTTON});
}

L_UPCALL_DEFINE(void, T_CHART_3D_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_CHART3D});
}

L_UPCALL_DEFINE(void, T_CHART_INFO_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_CHART_INFO});
}

L_UPCALL_DEFINE(void, T_CHART_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_CHART});
}

L_UPCALL_DEFINE(void, T_DEVELOPMENT_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_DISPLAY_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_DISPLAY});
}

L_UPCALL_DEFINE(void, T_DOWNRIGGER_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_DOWNRIGGER});
}

L_UPCALL_DEFINE(void, T_DUMMY_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_ETHBCAST_vMain, (void), ()) {
  L_TASK_vIdlePlaceholder();
}

L_UPCALL_DEFINE(void, T_ETHERNET_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_ETHERNET});
}

L_UPCALL_DEFINE(void, T_ETH_UPDATER_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_ETHUPDATE});
}

L_UPCALL_DEFINE(void, T_GATEWAY_NAV_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_GATEWAY_NAV, M_GWNAVDATA});
}

L_UPCALL_DEFINE(void, T_GATEWAY_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_GATEWAY});
}

L_UPCALL_DEFINE(void, T_GMSG_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_GMSG});
}

L_UPCALL_DEFINE(void, T_GMSG_vSocketMain, (void), ()) {
  const SEMA list[] = {SEMA_GMSG_SELECT, 0};
  for (;;) {
    L_SEMA_WaitMultiple(list);
    L_SEMA_SetPending(SEMA_GMSG_SELECT);
  }
}

L_UPCALL_DEFINE(void, T_GMSG_vTestMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_HTML_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_HTML});
}

L_UPCALL_DEFINE(void, T_INFO_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_INFO});
}

L_UPCALL_DEFINE(void, T_INLINETEST_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_INLINETEST});
}

L_UPCALL_DEFINE(void, T_KEELAR_vMain, (void), ()) {
  L_MBOX_DefineSema(M_KEELAR, SEMA_MBOX_KEELAR);
  L_TASK_vServePlaceholder({M_KEELAR});
}

L_UPCALL_DEFINE(void, T_KEYBOARD_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_KEYB});
}

L_UPCALL_DEFINE(void, T_MENU_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_MENU});
}

L_UPCALL_DEFINE(void, T_MMC_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_MMC});
}

L_UPCALL_DEFINE(void, T_NAV_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_NAV}, {SEMA_KEYBOARD_LONG_GOTO});
}

L_UPCALL_DEFINE(void, T_NET_PING_RECEIVE_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_NETPING});
}

L_UPCALL_DEFINE(void, T_NMEA_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_NMEA});
}

L_UPCALL_DEFINE(void, T_NVRAM_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_NVRAM});
}

L_UPCALL_DEFINE(void, T_N_HISTORY_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_HISTORY});
}

L_UPCALL_DEFINE(void, T_N_PING_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_PING});
}

L_UPCALL_DEFINE(void, T_N_PROCESS_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_PROCESS});
}

L_UPCALL_DEFINE(void, T_PCC_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_PCCOM});
}

L_UPCALL_DEFINE(void, T_RADAR_CLIENT_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_RADAR_CLIENT});
}

L_UPCALL_DEFINE(void, T_RADAR_DATA_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_RADAR_DATA});
}

L_UPCALL_DEFINE(void, T_RADAR_SERVER_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_RADAR_SERVER, M_RADAR_SERVER_TCP});
}

L_UPCALL_DEFINE(void, T_RADAR_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_RADAR});
}

L_UPCALL_DEFINE(void, T_READ_RECORD_PINGDATA_vMain, (void), ()) {
  L_TASK_vIdlePlaceholder();
}

L_UPCALL_DEFINE(void, T_RSXBCAST_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_RSXCONTROL_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_RSX_UPDATER_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_SATWX_DATA_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SATWX_DATA});
}

L_UPCALL_DEFINE(void, T_SATWX_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SATWX});
}

L_UPCALL_DEFINE(void, T_SLPD_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_SLPTEST_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SLPTEST});
}

L_UPCALL_DEFINE(void, T_SLP_CLIENT_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SLPCLIENT});
}

L_UPCALL_DEFINE(void, T_SOCKET_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_SOUND_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SOUND});
}

L_UPCALL_DEFINE(void, T_SPEED_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SPEED});
}

L_UPCALL_DEFINE(void, T_STARTUP_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_STARTUP});
}

L_UPCALL_DEFINE(void, T_SUDP_IN_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SUDPIN});
}

L_UPCALL_DEFINE(void, T_SUDP_OUT_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_SUDPOUT});
}

L_UPCALL_DEFINE(void, T_TEMP_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_WTEMP});
}

L_UPCALL_DEFINE(void, T_TONE_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, T_TREVANIC_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_TREVANIC});
}

L_UPCALL_DEFINE(void, T_UART_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_COM1A});
}

L_UPCALL_DEFINE(void, T_VIEWKEY_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_VIEWKEY});
}

L_UPCALL_DEFINE(void, T_VIEW_vMain, (void), ()) {
  L_TASK_vServePlaceholder({M_VIEW});
}

L_UPCALL_DEFINE(void, T_XDUCERID_vMain, (void), ()) {
  L_TASK_vEndPlaceholder();
}

L_UPCALL_DEFINE(void, rtxcbug, (void), ()) {}
