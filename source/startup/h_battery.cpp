// The battery monitor. Thresholds are compared on the voltage computed in
// integer hundredths of a volt, so that a reading lands on the same side of
// 8.00, 18.00 V and the set point whatever the float rounding.
#include "source/startup/h_battery.h"

#include <math.h>
#include <string.h>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/startup/t_alarm.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_menu.h"

namespace {

#define BATTERY_TEXT_RECORD(name, text)                                                                   \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
BATTERY_TEXT_RECORD(s_txtVoltage, "Voltage");
BATTERY_TEXT_RECORD(s_txtLowVoltage, "Low Voltage");
BATTERY_TEXT_RECORD(s_txtInputVoltageHigh, "Input Voltage High");
BATTERY_TEXT_RECORD(s_txtLowBatteryAlarm, "Low Battery Alarm");
BATTERY_TEXT_RECORD(s_txtOff, "Off");
BATTERY_TEXT_RECORD(s_txtVolts, "V");

constexpr U32 SHUTDOWN_HUNDREDTHS = 800;
constexpr U32 HIGH_HUNDREDTHS = 1800;
constexpr F32 SET_POINT_OFF = 8.0f;
const MENU_LIMITS s_limits = {U_NONE, 8.0f, 13.5f, 0.5f};

// Task state (battery task only).
U32 s_u32SetPoint = SHUTDOWN_HUNDREDTHS;  // hundredths; 800 or less: off
U8 s_u8LowCount = 0;
bool s_bLowRaised = false;
bool s_bHighRaised = false;
bool s_bFirstReadingTraced = false;
MBOX s_alarmMailbox = 0;
U32 s_u32Ad05TimeOut = 0;
bool s_bWaitingForShutdown = false;

U32 u32SetPointHundredths(F32 volts) { return volts <= 0.0f ? 0u : (U32)lroundf(volts * 100.0f); }

const char* pcText(DB_TEXT_RECORD record) {
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || language >= (U32)NUMBER_OF_LANGUAGES) language = 0;
  return record[language];
}

void vSend(void* msg) {
  if (L_MBOX_Send(s_alarmMailbox, msg, 3, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
}

void vSetAlarm(ALARM_PRIORITY kind, DB_TEXT_RECORD text, TONE_SEQUENCE tone) {
  auto* m = (ALARM_SET_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_SET_MESSAGE));
  memset(m, 0, sizeof *m);
  m->header.Cmd = CMD_ID_SET_ALARM;
  m->Priority = kind;
  m->pMessageString = pcText(text);  // static text of the language
  m->InitialToneID = tone;
  m->ReminderToneID = TONE_USE_CUSTOM;
  vSend(m);
}

void vClearAlarm(ALARM_PRIORITY kind) {
  auto* m = (ALARM_CLEAR_MESSAGE*)H_MEMORY_pvMalloc(sizeof(ALARM_CLEAR_MESSAGE));
  memset(m, 0, sizeof *m);
  m->header.Cmd = CMD_ID_CLEAR_ALARM;
  m->Priority = kind;
  vSend(m);
}

void vReading(const MESSAGE_NEW_DATA* pMsg) {
  if (!pMsg->bValid) ERROR_error(__FILE__, __LINE__, "BATTERY_VOLTAGE_ADC data lost");
  const U32 hundredths = H_BATTERY_u32Hundredths(pMsg->dbValue.u32Val);
  if (hundredths < SHUTDOWN_HUNDREDTHS) {
    if (s_u8LowCount < 255) ++s_u8LowCount;
    U32 keyboard = 0;
    if (s_u8LowCount >= 2 && !s_bWaitingForShutdown && H_DATABASE_bFetchU32(FCID("TKBD"), &keyboard)) {
      auto* m = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
      memset(m, 0, sizeof *m);
      m->Cmd = CMD_ID_SHUTDOWN;
      log_me("battery: supply %u.%02u V twice below 8 V, powering down", (unsigned)(hundredths / 100),
             (unsigned)(hundredths % 100));
      if (L_MBOX_Send((MBOX)keyboard, m, 3, 0) != lsSUCCESS) {
        H_MEMORY_vFree(m);
      } else {
        s_bWaitingForShutdown = true;
      }
    }
  } else {
    s_u8LowCount = 0;
  }
  const unsigned volts = (unsigned)(hundredths / 100), cents = (unsigned)(hundredths % 100);
  if (!s_bFirstReadingTraced) {
    log_me("battery: first supply reading %u.%02u V", volts, cents);
    s_bFirstReadingTraced = true;
  }
  if (hundredths >= HIGH_HUNDREDTHS) {
    if (!s_bHighRaised) {
      log_me("battery: supply %u.%02u V, input voltage high", volts, cents);
      vSetAlarm(VOLTAGE_HIGH_WARNING, s_txtInputVoltageHigh, TONE_USE_CUSTOM);
    }
    s_bHighRaised = true;
  } else if (s_bHighRaised) {
    log_me("battery: supply %u.%02u V, input voltage no longer high", volts, cents);
    vClearAlarm(VOLTAGE_HIGH_WARNING);
    s_bHighRaised = false;
  }
  if (s_u32SetPoint > SHUTDOWN_HUNDREDTHS) {
    if (hundredths <= s_u32SetPoint) {
      if (!s_bLowRaised) {
        log_me("battery: supply %u.%02u V, low voltage", volts, cents);
        vSetAlarm(LOW_BATTERY_ALARM, s_txtLowVoltage, TONE_GENERAL_ALERT);
      }
      s_bLowRaised = true;
    } else {
      s_bLowRaised = false;
    }
  }
  U32 timeOut = s_u32Ad05TimeOut * 2u;
  if (timeOut == 0) timeOut = 1;
  (void)H_DATABASE_bUpdateEverythingFloat(FCID("IVLT"), (F32)hundredths * 0.01f, P_NORMAL, D_VOLTAGE, s_txtVoltage,
                                          timeOut);
}

void vSetPoint(const MESSAGE_NEW_DATA* pMsg) {
  s_bLowRaised = false;
  s_u32SetPoint = u32SetPointHundredths(pMsg->dbValue.fVal);
  if (s_u32SetPoint <= SHUTDOWN_HUNDREDTHS) vClearAlarm(LOW_BATTERY_ALARM);
}

void vHandle(void* message) {
  const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)message;
  switch (g->Cmd) {
    case CMD_ID_RESET_POS:
      (void)H_DATABASE_bUpdateValueFloat(FCID("SLBV"), SET_POINT_OFF, P_NORMAL);
      break;
    case CMD_ID_RUN_SYSTEM:
      (void)U_MENU_bRegisterMainSliderMenu(s_txtLowBatteryAlarm, g_MENU_txtAlarmsTab, MENU_LOW_BATT_ALARM,
                                           FCID("SLBV"), &s_limits, s_txtOff, nullptr, s_txtVolts, M_BASIC);
      break;
    case CMD_ID_NEW_DATA: {
      const auto* m = (const MESSAGE_NEW_DATA*)message;
      if (m->FourCharId == FCID("AD05")) vReading(m);
      if (m->FourCharId == FCID("SLBV")) vSetPoint(m);
      break;
    }
    default:
      break;
  }
  H_MEMORY_vDumpMail(message);
}

void vDisposeWaiting() {
  while (void* message = L_MBOX_Receive(M_BATTERY)) H_MEMORY_vDumpMail(message);
}

}  // namespace

U32 H_BATTERY_u32Hundredths(U32 u32Ad05) { return (420u * (u32Ad05 / 64u) + 4398u) / 100u; }

void T_BATTERY_vTask(void) {
  s_bWaitingForShutdown = false;
  if (H_DATABASE_bUpdateEverythingU32(FCID("TBAT"), M_BATTERY, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    ERROR_error(__FILE__, __LINE__, "Somebody else registered the Battery Task Maibox");
  }
  H_DATABASE_bRegisterForDataWithConditions(FCID("AD05"), M_BATTERY, TRUE, TRUE, TRUE);
  DB_ATTRIBUTES attributes{};
  U32 value = 0;
  // Until the first reading (or the alarm task's key) exists the mailbox is
  // emptied as it fills, so that an orderly shutdown is acknowledged.
  while (!H_DATABASE_bFetchU32(FCID("AD05"), &value, nullptr, &attributes)) {
    L_TASK_Deactivate();
    L_CLOCK_Sleep(1);
    L_TASK_Activate();
    vDisposeWaiting();
  }
  s_u32Ad05TimeOut = attributes.u32TimeOut;

  DB_DATA_TYPE setPoint{};
  setPoint.fVal = SET_POINT_OFF;
  const DB_ATTRIBUTES slbv = {D_VOLTAGE, s_txtLowVoltage, DB_NO_TIMEOUT};
  H_DATABASE_vReadOrSetDefault(FCID("SLBV"), &setPoint, P_NORMAL, &slbv);
  s_u32SetPoint = u32SetPointHundredths(setPoint.fVal);
  DB_DATA_TYPE readout{};
  readout.u32Val = FCID("IVLT");
  const DB_ATTRIBUTES bvlt = {D_FCID, s_txtVoltage, DB_NO_TIMEOUT};
  H_DATABASE_vReadOrSetDefault(FCID("BVLT"), &readout, P_NORMAL, &bvlt);
  L_SEMA_Signal(SEMA_INFOBOX_UPDATE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SLBV"), M_BATTERY, TRUE, TRUE, TRUE);
  s_bLowRaised = false;
  U32 alarm = 0;
  while (!H_DATABASE_bFetchU32(FCID("TALR"), &alarm)) {
    L_CLOCK_Sleep(1);
    vDisposeWaiting();
  }
  s_alarmMailbox = (MBOX)alarm;

  while (!s_bWaitingForShutdown) {
    L_SEMA_Wait(SEMA_MBOX_BATT);
    while (void* message = L_MBOX_Receive(M_BATTERY)) vHandle(message);
  }
  for (;;) H_MEMORY_vDumpMail(L_MBOX_ReceiveWait(M_BATTERY));
}
