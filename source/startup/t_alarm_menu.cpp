// The alarm task's settings: the defaults written on a reset, and the
// NMEA 2000 depth, environment and engine alarm items of the Alarms tab,
// present while a valid NMEA 2000 source has been seen (SNID non-zero) or
// the unit runs the simulator or the point-of-sale demonstration.
#include "common/db_types.h"
#include "common/language.h"
#include "common/menu_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/startup/t_alarm.h"
#include "source/ui/t_menu.h"
#include "source/ui/u_menu.h"

namespace {

#define MENU_TEXT(name, text)                                                                             \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
MENU_TEXT(s_txtEngineGroup, "NMEA2K Engine");
MENU_TEXT(s_txtEnvironmentGroup, "NMEA2K Environment");
MENU_TEXT(s_txtDepthGroup, "NMEA2K Depth");
MENU_TEXT(s_txtShallow, "NMEA2K Shallow Water Alarm");
MENU_TEXT(s_txtDeep, "NMEA2K Deep Water Alarm");
MENU_TEXT(s_txtAir, "NMEA2K Temperature Alarm (Air)");
MENU_TEXT(s_txtWater, "NMEA2K Temperature Alarm (Water)");
MENU_TEXT(s_txtTotalFuel, "Total Fuel Alarm");
MENU_TEXT(s_txtCheckEngine, "Check Engine Alarm");
MENU_TEXT(s_txtOverTemperature, "Engine Over Temperature Alarm");
MENU_TEXT(s_txtLowOilPressure, "Engine Low Oil Pressure Alarm");
MENU_TEXT(s_txtLowOilLevel, "Engine Low Oil Level Alarm");
MENU_TEXT(s_txtLowFuelPressure, "Engine Low Fuel Pressure Alarm");
MENU_TEXT(s_txtLowSystemVoltage, "Engine Low System Voltage Alarm");
MENU_TEXT(s_txtLowCoolantLevel, "Engine Low Coolant Level Alarm");
MENU_TEXT(s_txtWaterFlow, "Engine Water Flow Alarm");
MENU_TEXT(s_txtChargeIndicator, "Engine Charge Indicator Alarm");
MENU_TEXT(s_txtOff, "Off");
MENU_TEXT(s_txtOn, "On");
MENU_TEXT(s_txtPercent, "%");

const MENU_LIMITS s_depthLimits[] = {
    {U_FEET, 0.0f, 100.0f, 1.0f}, {U_METRES, 0.0f, 30.0f, 0.5f}, {U_FATHOMS, 0.0f, 50.0f, 0.1f},
    {U_NONE, 1.0f, 10.0f, 1.0f}};
const MENU_LIMITS s_airLimits[] = {
    {U_FAHRENHEIT, -41.0f, 140.0f, 1.0f}, {U_CELSIUS, -41.0f, 60.0f, 1.0f}, {U_NONE, -1.0f, 100.0f, 1.0f}};
const MENU_LIMITS s_waterLimits[] = {
    {U_FAHRENHEIT, 32.0f, 120.0f, 1.0f}, {U_CELSIUS, 0.0f, 50.0f, 1.0f}, {U_NONE, -1.0f, 100.0f, 1.0f}};
const MENU_LIMITS s_fuelLimits[] = {{U_NONE, 0.0f, 100.0f, 1.0f}};

const DB_TEXT_RECORD s_offOn[] = {s_txtOff, s_txtOn};
const U32 s_offOnValues[] = {0, 1};

struct Group {
  DB_TEXT_RECORD name;
  MENU_PRIORITY priority;
};
const Group s_groups[] = {{s_txtEngineGroup, MENU_ENGINE_GROUP},
                          {s_txtEnvironmentGroup, MENU_ENVIRONMENT_GROUP},
                          {s_txtDepthGroup, MENU_SONAR_GROUP}};

struct Item {
  DB_TEXT_RECORD group;
  DB_TEXT_RECORD name;
  MENU_PRIORITY priority;
  const char* key;
  const MENU_LIMITS* limits;  // null: an Off/On selector
  DB_TEXT_RECORD suffix;
};
const Item s_items[] = {
    {s_txtDepthGroup, s_txtShallow, MENU_SONAR_GROUP_SHALLOW_WATER2, "SDA1", s_depthLimits, nullptr},
    {s_txtDepthGroup, s_txtDeep, MENU_SONAR_GROUP_DEEP_WATER2, "SDA2", s_depthLimits, nullptr},
    {s_txtEnvironmentGroup, s_txtAir, MENU_ENVIRONMENT_GROUP_ST_HIGH1, "SATP", s_airLimits, nullptr},
    {s_txtEnvironmentGroup, s_txtWater, MENU_ENVIRONMENT_GROUP_ST_HIGH2, "SWTP", s_waterLimits, nullptr},
    {s_txtEngineGroup, s_txtTotalFuel, MENU_ENGINE_GROUP_TOTAL_FUEL, "SAI1", s_fuelLimits, s_txtPercent},
    {s_txtEngineGroup, s_txtCheckEngine, MENU_ENGINE_GROUP_CHECK_ENGINE, "SAI2", nullptr, nullptr},
    {s_txtEngineGroup, s_txtOverTemperature, MENU_ENGINE_GROUP_OVER_TEMPERATURE, "SAI4", nullptr, nullptr},
    {s_txtEngineGroup, s_txtLowOilPressure, MENU_ENGINE_GROUP_LOW_OIL_PRESSURE, "SAI5", nullptr, nullptr},
    {s_txtEngineGroup, s_txtLowOilLevel, MENU_ENGINE_GROUP_LOW_OIL_LEVEL, "SAI6", nullptr, nullptr},
    {s_txtEngineGroup, s_txtLowFuelPressure, MENU_ENGINE_GROUP_LOW_FUEL_PRESSURE, "SAI7", nullptr, nullptr},
    {s_txtEngineGroup, s_txtLowSystemVoltage, MENU_ENGINE_GROUP_LOW_SYSTEM_VOLTAGE, "SAI8", nullptr, nullptr},
    {s_txtEngineGroup, s_txtLowCoolantLevel, MENU_ENGINE_GROUP_LOW_COOLANT_LEVEL, "SAI9", nullptr, nullptr},
    {s_txtEngineGroup, s_txtWaterFlow, MENU_ENGINE_GROUP_WATER_FLOW, "SAIA", nullptr, nullptr},
    {s_txtEngineGroup, s_txtChargeIndicator, MENU_ENGINE_GROUP_CHARGE_INDICATOR, "SAIC", nullptr, nullptr},
};

FOURCHARID Key(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

bool s_bMenusRegistered = false;  // alarm task only

void vRewriteFloat(const char* key, DATA_TYPE type, F32 fallback) {
  F32 value = fallback;
  (void)H_DATABASE_bFetchFloat(Key(key), &value);
  (void)H_DATABASE_bUpdateEverythingFloat(Key(key), value, P_NORMAL, type, nullptr, DB_NO_TIMEOUT);
}

void vRegister() {
  for (const Group& g : s_groups) {
    const DB_TEXT_RECORD* list = &g.name;
    (void)U_MENU_bRegisterSubMenu(g.name, NO_PRIORITY, nullptr, M_BASIC);
    (void)U_MENU_bRegisterMainSubMenu(g.name, g_MENU_txtAlarmsTab, g.priority, list, list, nullptr, 1, M_BASIC);
  }
  vRewriteFloat("SDA1", D_DEPTH, 0.0f);
  vRewriteFloat("SDA2", D_DEPTH, 0.0f);
  vRewriteFloat("SATP", D_TEMPERATURE, -41.0f);
  vRewriteFloat("SWTP", D_TEMPERATURE, 0.0f);
  for (const Item& i : s_items) {
    if (i.limits != nullptr) {
      (void)U_MENU_bRegisterSubMenuSliderMenu(i.name, i.group, nullptr, i.priority, Key(i.key), i.limits, s_txtOff,
                                              nullptr, i.suffix, M_BASIC);
    } else {
      (void)U_MENU_bRegisterSubMenuSelectorMenu(i.name, i.group, nullptr, i.priority, Key(i.key), 2, s_offOn,
                                                s_offOnValues, M_BASIC);
    }
  }
}

void vRemove() {
  for (const Item& i : s_items) (void)U_MENU_bUnregisterSubMenuItem(i.group, i.name);
  for (const Group& g : s_groups) (void)U_MENU_bUnregisterMainMenuItem(g.name, g_MENU_txtAlarmsTab);
}

}  // namespace

BOOLEAN T_ALARM_bMenusWanted(void) {
  U32 source = 0;
  (void)H_DATABASE_bFetchU32(FCID("SNID"), &source);
  U32 state = STATE_STARTUP;
  (void)H_DATABASE_bFetchU32(FCID("CCST"), &state);
  return source != 0 || state == STATE_SIMULATION || state == STATE_POINT_OF_SALE ? TRUE : FALSE;
}

void T_ALARM_vRegisterMenu(void) {
  const bool wanted = T_ALARM_bMenusWanted() != FALSE;
  if (wanted == s_bMenusRegistered) return;
  s_bMenusRegistered = wanted;
  if (wanted) {
    vRegister();
  } else {
    vRemove();
  }
}

void T_ALARM_vWriteDefaults(void) {
  (void)H_DATABASE_bUpdateEverythingU32(FCID("STAW"), 0, P_NORMAL, D_TIME, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingFloat(FCID("SDA1"), 0.0f, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingFloat(FCID("SDA2"), 0.0f, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingFloat(FCID("SATP"), -41.0f, P_NORMAL, D_TEMPERATURE, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingFloat(FCID("SWTP"), 0.0f, P_NORMAL, D_TEMPERATURE, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingFloat(FCID("SAI1"), 0.0f, P_NORMAL, D_PERCENT, nullptr, DB_NO_TIMEOUT);
  for (const char* k : {"SAI2", "SAI4", "SAI5", "SAI6", "SAI7", "SAI8", "SAI9", "SAIA", "SAIC"}) {
    (void)H_DATABASE_bUpdateEverythingU32(Key(k), 0, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  }
}
