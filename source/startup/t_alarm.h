// The alarm task: the one place where alarms become visible and audible.
//
// Any task raises an alarm by sending an ALARM_SET_MESSAGE (allocated with
// H_MEMORY_pvMalloc, message priority 3) to the mailbox held in TALR; the
// task keeps that very block as the table entry until the alarm ends, so
// its text, icons and SOUND pointers must live as long as the alarm (static
// data, never a stack buffer). ALARM_CLEAR_MESSAGE ends an alarm of a kind
// without calling its cancel function.
//
// The table (one slot per kind), its count and the displayed slot are
// guarded by RES_ALARMLIST; the view task draws the dialog under the same
// mutex. Cancel functions and key actions run on the alarm task with
// RES_ALARMLIST held: they must not wait for the alarm task nor take a lock
// that is held while sending to it.
#pragma once

#include <atomic>

#include "common/g_datatype.h"
#include "common/g_msg.h"
#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "source/core/h_sound.h"
#include "source/core/u_sound.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_icon.h"

// The alarm kinds; a smaller value is more serious and wins the display.
// Each value is the kind's slot and its key on the network.
enum ALARM_PRIORITY : S32 {
  MOST_SERIOUS_ALARM = 0,
  HARDWARE_FAULT_ALARM,
  SOFTWARE_FAULT_ALARM,
  DEPTH_ALARM,
  REMOTE_DEPTH_ALARM,
  LOW_BATTERY_ALARM,
  SHALLOW_WATER_DEPTH_ALARM,
  DEEP_WATER_DEPTH_ALARM,
  SHALLOW_WATER_DEPTH2_ALARM,
  DEEP_WATER_DEPTH2_ALARM,
  DOWNRIGGER_DEPTH_ALARM,  // 10
  FTC_MINDEPTH_ALARM,
  STARTUP_UI_ALARM,
  DHCP_ERROR_ALARM,
  IP_ADDRESS_CONFLICT_ALARM,
  MAC_ADDRESS_CONFLICT_ALARM,
  IP_SETUP_ERROR_ALARM,
  ETHERNET_CONNECTION_FAULT_ALARM,
  FATAL_ETHERNET_ERROR_ALARM,
  NAV_OFF_COURSE_ALARM,
  NAV_KL_OFFCOURSE_ALARM,  // 20
  NAV_PAST_WAYPOINT_ALARM,
  NAV_ARRIVAL_ALARM,
  NAV_KL_ARRIVAL_ALARM,
  NAV_DRIFT_ALARM,
  NAV_UI_ALARM,
  GATEWAY_UI_ALARM,
  DATASOURCE_ALARM_ENGINE,  // 27
  DATASOURCE_ALARM_TANK,
  DATASOURCE_ALARM_SPEED,
  DATASOURCE_ALARM_DEPTH,  // 30
  DATASOURCE_ALARM_ATTITUDE,
  DATASOURCE_ALARM_HEADING,
  DATASOURCE_ALARM_TEMP_AIR,
  DATASOURCE_ALARM_TEMP_WATER,
  DATASOURCE_ALARM_HUMIDITY,
  DATASOURCE_ALARM_PRESSURE,
  DATASOURCE_ALARM_WIND,
  DATASOURCE_ALARM_ENGINE2,
  DATASOURCE_ALARM_TANK2,  // 39
  AIS_CPA_ALARM,           // 40
  SEA_TEMPERATURE_HIGH_ALARM,
  SEA_TEMPERATURE_LOW_ALARM,
  AIR_TEMPERATURE_HIGH_ALARM,
  AIR_TEMPERATURE_LOW_ALARM,
  BAROMETER_FAILURE_ALARM,
  ATMOSPHERIC_PRESSURE_RISING_ALARM,
  ATMOSPHERIC_PRESSURE_FALLING_ALARM,
  TOTAL_FUEL_ALARM,
  CHECK_ENGINE_ALARM,
  ENGINE_OVER_TEMP_ALARM,  // 50
  ENGINE_LOW_OIL_PRESSURE_ALARM,
  ENGINE_LOW_OIL_VALUE_ALARM,
  ENGINE_LOW_FUEL_PRESSURE_ALARM,
  ENGINE_LOW_SYSTEM_VOLTAGE_ALARM,
  ENGINE_LOW_COOLANT_LEVEL_ALARM,
  ENGINE_WATER_FLOW_ALARM,
  ENGINE_CHARGE_INDICATOR_ALARM,
  WEATHER_LINK_ALARM_HARDWARE_FAILURE,
  WEATHER_LINK_ALARM_CHECK_ANTENNA,
  WEATHER_LINK_ALARM_NVN_CLEAR_SUCCESS,  // 60
  WEATHER_LINK_ALARM_NVN_CLEAR_FAILURE,
  BAROMETER_BATTERY_LOW_ALARM,
  AUX_WATER_TEMPERATURE_ALARM,
  WATER_TEMPERATURE_ALARM,
  REMOTE_AUX_WATER_TEMPERATURE_ALARM,
  REMOTE_WATER_TEMPERATURE_ALARM,
  HEADING_LOST_ALARM,
  WATER_TEMP_LOST,
  ACCESSORY_LOST_ALARM,
  TIMER_ALARM,  // 70
  VOLTAGE_LOW_WARNING,
  VOLTAGE_HIGH_WARNING,
  LEAST_IMPORTANT_ALARM,
  NUMBER_OF_SUPPORTED_ALARMS,  // 74
};

typedef void ALARM_CALLBACK(void);

TESSIX_PACK4_BEGIN
struct ALARM_SET_MESSAGE {
  GENERIC_MESSAGE header;  // CMD_ID_SET_ALARM (plain) or CMD_ID_SET_EXT_ALARM (two-way question)
  ALARM_PRIORITY Priority;
  BOOLEAN bExtended;  // set by the alarm task from the command
  const ICON* pLeftIcon;
  const ICON* pRightIcon;
  const char* pMessageString;  // null: nothing is drawn (the timer alarm)
  const char* pLeftChoice;
  const char* pRightChoice;
  ALARM_CALLBACK* pFunctionCbLeftKeyAction;
  ALARM_CALLBACK* pFunctionCbRightKeyAction;
  TONE_SEQUENCE InitialToneID;
  SOUND* pInitialCustomTone;
  TONE_SEQUENCE ReminderToneID;
  SOUND* pReminderCustomTone;
  ALARM_CALLBACK* pFunctionAlarmCancel;
};

struct ALARM_CLEAR_MESSAGE {
  GENERIC_MESSAGE header;  // CMD_ID_CLEAR_ALARM
  ALARM_PRIORITY Priority;  // -1 clears nothing locally
};

struct ALARM_NETWORK_PEER_ADD_MSG {
  GENERIC_MESSAGE header;  // CMD_ID_ALARM_ADD_PEER
  BOOLEAN bAdd;
  GMSG_ADDRESS gmsgAddress;
};
TESSIX_PACK_END

// The body of an ended alarm on the network (class 0x19, port 50752):
// version 1, activate, priority as three little-endian 32-bit words.
struct NETWORK_ALARM_MESSAGE {
  U32 activate;
  U32 priority;
};
constexpr U16 ALARM_NETWORK_PORT = 50752;
constexpr U32 GMSG_ID_ALARM_RECEIVE_DATA = 0x190001;
constexpr U32 ALARM_NETWORK_BODY_SIZE = 12;
extern const G_DATA_TYPE DT_NETWORK_ALARM_MESSAGE;
// Writes the 12-byte body; returns the bytes written (12) or 0.
S32 T_ALARM_nEncodeNetworkAlarm(const NETWORK_ALARM_MESSAGE* pMsg, U8* pOut, S32 nRoom);
// Reads a body; FALSE for anything but a whole version-1 body.
BOOLEAN T_ALARM_bDecodeNetworkAlarm(const U8* pIn, S32 nSize, NETWORK_ALARM_MESSAGE* pMsg);
// The slot a received body ends: its priority when activate is 0 and the
// priority names a kind; -1 otherwise (activate non-zero, -1, 74 and above).
S32 T_ALARM_nSlotToEnd(const NETWORK_ALARM_MESSAGE* pMsg);

// Keys the alarm dialog takes: every key but POWER and the soft keys.
constexpr U32 ALARM_KEY_MASK = 0x3FE;

// The task's entry.
void T_ALARM_vTask(void);
// Draw callback of ALARM_LAYER (view task).
void T_ALARM_vDrawCurrentAlarm(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);

// Client functions: add or remove an alarm-sharing peer (port forced to
// 50752). FALSE when no message block can be had.
BOOLEAN U_ALARM_bAddPeer(const GMSG_ADDRESS* pAddress);
BOOLEAN U_ALARM_bRemovePeer(const GMSG_ADDRESS* pAddress);

// Helpers for senders: raise (a copy of *pTemplate, command from bExtended)
// or end an alarm of a kind through the mailbox in TALR. FALSE when TALR is
// missing or nothing could be sent.
BOOLEAN U_ALARM_bSet(const ALARM_SET_MESSAGE* pTemplate);
BOOLEAN U_ALARM_bClear(ALARM_PRIORITY ePriority);

// State for tests and the state dump: the displayed slot (-1 none) and the
// number of kept alarms, read under RES_ALARMLIST.
S32 T_ALARM_nDisplayedSlot(void);
U32 T_ALARM_u32ActiveCount(void);
// Number of alarm peers.
U32 T_ALARM_u32PeerCount(void);

// Length of a tone in ms; the sound task's figure unless a test replaces it.
extern std::atomic<U32 (*)(TONE_SEQUENCE, const SOUND*)> g_ALARM_pfnToneLength;

// The NMEA 2000 alarm items of the Alarms tab (t_alarm_menu.cpp): wanted
// while SNID is non-zero or CCST is the simulator or point-of-sale state;
// registered or removed once per change. Alarm task.
BOOLEAN T_ALARM_bMenusWanted(void);
void T_ALARM_vRegisterMenu(void);
// The defaults of STAW, SDA1, SDA2, SATP, SWTP and SAI1 to SAIC.
void T_ALARM_vWriteDefaults(void);

// The countdown timer's hooks on the alarm task (t_timer.cpp).
void T_ALARM_vLoadTimer(void);
BOOLEAN T_ALARM_bTimerSetupOpen(void);
BOOLEAN T_ALARM_bTimerDialogOpen(void);
void T_ALARM_vTimerKey(const MSG_KEY_CHANGE* pMsg);
// The once-a-second check of the readout task.
void T_ALARM_vCheckTimerNow(void);
