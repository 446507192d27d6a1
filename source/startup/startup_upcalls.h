// Calls of the start-up, storage and alarm subsystem into later subsystems
// (sonar, navigation data store). Each has a default with the least
// behaviour its callers need (lsvc/l_upcall.h). The navigation defaults
// keep the marks made here in a small store of their own
// (startup_nav_least.cpp): export and import only trace.
#pragma once

#include "common/nav_types.h"
#include "common/types.h"
#include "lsvc/l_upcall.h"

// Asks the user to confirm loading navigation data from the card in slot.
L_UPCALL_DECLARE(void, T_NAV_DATA_vImportFromMMC, (S32 s32Slot))
// Exports all (or the selected) tracks, waypoints and routes to a card.
L_UPCALL_DECLARE(void, T_NAV_DATA_vExportAllTracksWaypointsRoutes, (void))
L_UPCALL_DECLARE(void, T_NAV_DATA_vExportSelectedTracksWaypointsRoutes, (void))
// Makes a mark named pcName with the icon (at the cursor in a chart or
// sonar view, else at the boat); fills *pWaypoint and returns TRUE when its
// position is known.
L_UPCALL_DECLARE(BOOLEAN, T_NAV_bHandleNamedMarkWithIcon, (const char* pcName, U8 u8Icon, WAYPOINT* pWaypoint))
// A plain mark (no card for the snapshot).
L_UPCALL_DECLARE(void, T_NAV_vHandleMark, (void))
// The waypoint record of the id, null for 0xFFFF or an unknown one.
L_UPCALL_DECLARE(const WAYPOINT*, T_NAV_pGetWaypoint, (U16 u16Id))
// Removes the navigation store's flash folders (every file in them, then
// the folder); makes each again when it is missing.
L_UPCALL_DECLARE(void, T_NAV_NVRAM_vErase, (void))
L_UPCALL_DECLARE(void, T_NAV_NVRAM_vInit, (void))
// Deletes every track, waypoint and route; in the point-of-sale state only
// when bOverridePointOfSale is TRUE.
L_UPCALL_DECLARE(void, T_NAV_vDeleteAllTracksWaypointsRoutes, (BOOLEAN bOverridePointOfSale))

// ------------------------------------------------------------ sonar
// TRUE when a sonar transducer is taken to be attached (the start-up test
// of the sonar coprocessor). Default: no sonar, FALSE.
L_UPCALL_DECLARE(BOOLEAN, S_DETECT_bTransducerConnected, (void))

// ------------------------------------------------------------ serial ports
// Registers the calling task for a serial port (0 to 3): a semaphore other
// than 0 and -1 is signalled when the match byte arrives; -1 takes the port
// over (the caller reads and writes its queues). Default: no serial-port
// service, FALSE.
L_UPCALL_DECLARE(BOOLEAN, U_UART_bRegisterForChannel, (U8 u8Port, U8 u8Match, S32 s32Sema))

// ------------------------------------------------------------ factory test sonar
// TRUE once the sonar coprocessor device is open. Default: no sonar, TRUE
// (nothing to wait for).
L_UPCALL_DECLARE(BOOLEAN, INLINETEST_bCoprocessorReady, (void))
// One test ping of the coprocessor beam with a transmit sequence of 40
// cycles at high power: 4096 signal samples of the receive channel into
// pu16Signal and 50 samples of a ping without transmission into pu16Noise;
// *pu32SampleUs gets the sample period in microseconds. FALSE when the
// coprocessor does not answer. Default: no sonar, FALSE.
L_UPCALL_DECLARE(BOOLEAN, INLINETEST_bTestPing,
                 (U8 u8CoprocBeam, U8 u8Channel, U16 u16FrequencykHz, U8 u8Receiver, U8 u8Bandwidth,
                  U16* pu16Signal, U16* pu16Noise, U32* pu32SampleUs))

// ------------------------------------------------------------ navigation notes
// Shows the text (up to 255 characters) as a navigation note. Default: a
// trace line with the text.
L_UPCALL_DECLARE(void, T_NAV_ALARM_vSetNavUIRawNote, (const char* pcText))

// ------------------------------------------------------------ sonar history
// Empties the sonar history (stores, rings, fish histories, accumulators)
// before a recording is played from its start. Default: traces.
L_UPCALL_DECLARE(void, T_N_HISTORY_vPrepareForPlayback, (void))

// ------------------------------------------------------------ chart view
// The base of the chart task's image buffer (at least 2 MiB), to be
// borrowed only while the chart task is stopped. Default (no chart task,
// so never running): a 2 MiB block of its own.
constexpr U32 CHART_IMAGE_BUFFER_BYTES = 2u * 1024u * 1024u;
L_UPCALL_DECLARE(void*, T_CHART_vpAlloc, (void))

// ------------------------------------------------------------ network
// TRUE when the unit takes its address from the network (SIPD). Default:
// SIPD when it is present and valid, else FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_ETHERNET_bIsDynamic, (void))
// Writes the unit's current IPv4 address as dotted text (17 characters);
// FALSE when the interface has no address yet. Default: no network, FALSE.
L_UPCALL_DECLARE(BOOLEAN, T_ETHERNET_vGetIPAddress, (char* pcText))
