// The kernel services' upward calls: the entry function of every task of the
// task table, and Main, the start sequence the program entry runs. Each
// later subsystem installs the entries of its own tasks when it is set up;
// until then a task runs a placeholder that empties its mailboxes, so that
// senders, waiting sends and the orderly shutdown never hang.
#pragma once

#include <initializer_list>

#include "lsvc/l_upcall.h"
#include "lsvc/lsvc.h"

// The start sequence (source/core/start.cpp). Default: traces and returns,
// so the program entry parks the main thread.
L_UPCALL_DECLARE(void, Main, (void))

L_UPCALL_DECLARE(void, T_3D_HISTORY_RENDER_vMain, (void))
L_UPCALL_DECLARE(void, T_3D_HISTORY_vMain, (void))
L_UPCALL_DECLARE(void, T_3D_PROCESS_vMain, (void))
L_UPCALL_DECLARE(void, T_ACC_COMM_vMain, (void))
L_UPCALL_DECLARE(void, T_ACC_vMain, (void))
L_UPCALL_DECLARE(void, T_ADC_vMain, (void))
L_UPCALL_DECLARE(void, T_ALARM_vMain, (void))
L_UPCALL_DECLARE(void, T_BAROMETER_vMain, (void))
L_UPCALL_DECLARE(void, T_BATHYMETRY_vMain, (void))
L_UPCALL_DECLARE(void, T_BATTERY_vMain, (void))
L_UPCALL_DECLARE(void, T_BTREMOTE_vMain, (void))
L_UPCALL_DECLARE(void, T_BUTTON_vMain, (void))
L_UPCALL_DECLARE(void, T_CHART_3D_vMain, (void))
L_UPCALL_DECLARE(void, T_CHART_INFO_vMain, (void))
L_UPCALL_DECLARE(void, T_CHART_vMain, (void))
L_UPCALL_DECLARE(void, T_DEVELOPMENT_vMain, (void))
L_UPCALL_DECLARE(void, T_DISPLAY_vMain, (void))
L_UPCALL_DECLARE(void, T_DOWNRIGGER_vMain, (void))
L_UPCALL_DECLARE(void, T_DUMMY_vMain, (void))
L_UPCALL_DECLARE(void, T_ETHBCAST_vMain, (void))
L_UPCALL_DECLARE(void, T_ETHERNET_vMain, (void))
L_UPCALL_DECLARE(void, T_ETH_UPDATER_vMain, (void))
L_UPCALL_DECLARE(void, T_GATEWAY_NAV_vMain, (void))
L_UPCALL_DECLARE(void, T_GATEWAY_vMain, (void))
L_UPCALL_DECLARE(void, T_GMSG_vMain, (void))
L_UPCALL_DECLARE(void, T_GMSG_vSocketMain, (void))
L_UPCALL_DECLARE(void, T_GMSG_vTestMain, (void))
L_UPCALL_DECLARE(void, T_HTML_vMain, (void))
L_UPCALL_DECLARE(void, T_INFO_vMain, (void))
L_UPCALL_DECLARE(void, T_INLINETEST_vMain, (void))
L_UPCALL_DECLARE(void, T_KEELAR_vMain, (void))
L_UPCALL_DECLARE(void, T_KEYBOARD_vMain, (void))
L_UPCALL_DECLARE(void, T_MENU_vMain, (void))
L_UPCALL_DECLARE(void, T_MMC_vMain, (void))
L_UPCALL_DECLARE(void, T_NAV_vMain, (void))
L_UPCALL_DECLARE(void, T_NET_PING_RECEIVE_vMain, (void))
L_UPCALL_DECLARE(void, T_NMEA_vMain, (void))
L_UPCALL_DECLARE(void, T_NVRAM_vMain, (void))
L_UPCALL_DECLARE(void, T_N_HISTORY_vMain, (void))
L_UPCALL_DECLARE(void, T_N_PING_vMain, (void))
L_UPCALL_DECLARE(void, T_N_PROCESS_vMain, (void))
L_UPCALL_DECLARE(void, T_PCC_vMain, (void))
L_UPCALL_DECLARE(void, T_RADAR_CLIENT_vMain, (void))
L_UPCALL_DECLARE(void, T_RADAR_DATA_vMain, (void))
L_UPCALL_DECLARE(void, T_RADAR_SERVER_vMain, (void))
L_UPCALL_DECLARE(void, T_RADAR_vMain, (void))
L_UPCALL_DECLARE(void, T_READ_RECORD_PINGDATA_vMain, (void))
L_UPCALL_DECLARE(void, T_RSXBCAST_vMain, (void))
L_UPCALL_DECLARE(void, T_RSXCONTROL_vMain, (void))
L_UPCALL_DECLARE(void, T_RSX_UPDATER_vMain, (void))
L_UPCALL_DECLARE(void, T_SATWX_DATA_vMain, (void))
L_UPCALL_DECLARE(void, T_SATWX_vMain, (void))
L_UPCALL_DECLARE(void, T_SLPD_vMain, (void))
L_UPCALL_DECLARE(void, T_SLPTEST_vMain, (void))
L_UPCALL_DECLARE(void, T_SLP_CLIENT_vMain, (void))
L_UPCALL_DECLARE(void, T_SOCKET_vMain, (void))
L_UPCALL_DECLARE(void, T_SOUND_vMain, (void))
L_UPCALL_DECLARE(void, T_SPEED_vMain, (void))
L_UPCALL_DECLARE(void, T_STARTUP_vMain, (void))
L_UPCALL_DECLARE(void, T_SUDP_IN_vMain, (void))
L_UPCALL_DECLARE(void, T_SUDP_OUT_vMain, (void))
L_UPCALL_DECLARE(void, T_TEMP_vMain, (void))
L_UPCALL_DECLARE(void, T_TONE_vMain, (void))
L_UPCALL_DECLARE(void, T_TREVANIC_vMain, (void))
L_UPCALL_DECLARE(void, T_UART_vMain, (void))
L_UPCALL_DECLARE(void, T_VIEWKEY_vMain, (void))
L_UPCALL_DECLARE(void, T_VIEW_vMain, (void))
L_UPCALL_DECLARE(void, T_XDUCERID_vMain, (void))
L_UPCALL_DECLARE(void, rtxcbug, (void))

// ------------------------------------------------------------ placeholder tasks
// Serves the mailboxes of a task for ever: waits on their semaphores and the
// extra events, and disposes of every message each time one fires. A mailbox
// without a semaphore is looked at once a second.
[[noreturn]] void L_TASK_vServePlaceholder(std::initializer_list<MBOX> mailboxes,
                                          std::initializer_list<SEMA> events = {});
// Ends the calling task at once (a task without work of its own).
[[noreturn]] void L_TASK_vEndPlaceholder(void);
// Sleeps for ever (a task without mailbox).
[[noreturn]] void L_TASK_vIdlePlaceholder(void);
