// Setting profiles: three sonar and three chart profiles between which the
// user can switch. Each profile holds one value per key of its list; the
// values are kept in saved S keys whose second character is the profile
// number (S1xx, S2xx, S3xx: sonar values end in 21 to 59, chart values in 01
// to 20) and the selected profiles in SUPS (sonar) and SUPC (chart).
#pragma once

#include "common/db_types.h"
#include "common/menu_types.h"
#include "common/types.h"

struct FCID_DB_PAIR {
  FOURCHARID fcid;
  DB_DATA_TYPE value;
};

constexpr int H_PROFILE_COUNT = 3;
constexpr int H_PROFILE_SONAR_KEYS = 36;
constexpr int H_PROFILE_CHART_KEYS = 20;

struct SONAR_PROFILE_TYPE {
  FCID_DB_PAIR Settings[H_PROFILE_SONAR_KEYS];
};
struct CHART_PROFILE_TYPE {
  FCID_DB_PAIR Settings[H_PROFILE_CHART_KEYS];
};

// The saved key of entry nEntry (0-based) of profile nProfile (0-2); 0 when
// either is out of range.
FOURCHARID H_PROFILE_u32SonarSavedKey(int nProfile, int nEntry);
FOURCHARID H_PROFILE_u32ChartSavedKey(int nProfile, int nEntry);

// Fill the three profiles from the template, then from the saved keys that
// exist; the current profile is the one SUPS / SUPC names (0 when missing or
// out of range). TRUE.
BOOLEAN H_PROFILE_bLoadSonarProfile(void);
BOOLEAN H_PROFILE_bLoadChartProfile(void);
// Every value of every profile into its saved key at P_NORMAL. TRUE.
BOOLEAN H_PROFILE_bSaveSonarProfile(void);
BOOLEAN H_PROFILE_bSaveChartProfile(void);
// Switch to profile 0-2: each key whose value differs between the current and
// the new profile takes the new value at P_NORMAL, and SUPS / SUPC names the
// new profile. FALSE when no profile is loaded or the number is out of range.
BOOLEAN H_PROFILE_bUpdateSonarMenuSetting(int nProfile);
BOOLEAN H_PROFILE_bUpdateChartMenuSetting(int nProfile);
// Every value of the current profile that differs from the template into its
// key at P_NORMAL. TRUE (FALSE when no profile is loaded).
BOOLEAN H_PROFILE_bRestoreSonarMenuSetting(void);
BOOLEAN H_PROFILE_bRestoreChartMenuSetting(void);
// The template into all three profiles. TRUE.
BOOLEAN H_PROFILE_bResetSonarMenuSetting(void);
BOOLEAN H_PROFILE_bResetChartMenuSetting(void);
// The value into the current profile's entry of the key the menu item edits;
// FALSE when the item is not in the table or no profile is loaded.
BOOLEAN H_PROFILE_bSaveSonarMenuSetting(MENU_PRIORITY ePriority, DB_DATA_TYPE value);
BOOLEAN H_PROFILE_bSaveChartMenuSetting(MENU_PRIORITY ePriority, DB_DATA_TYPE value);
// The value of a key of the profile's list that no menu item edits into the
// current profile. TRUE (also for other keys, without effect).
BOOLEAN H_PROFILE_bSaveSonarNonMenuSetting(FOURCHARID key, DB_DATA_TYPE value);
BOOLEAN H_PROFILE_bSaveChartNonMenuSetting(FOURCHARID key, DB_DATA_TYPE value);
// The database's current values of the template's keys become the template,
// so that the owners' defaults are the profile defaults (chart: the chart
// keys; nav: SNWD, SNCM, SNUP, SNGA, SNOS; chart layers: SLAY).
void H_PROFILE_vSetSonarDefaultValue(void);
void H_PROFILE_vSetChartDefaultValue(void);
void H_PROFILE_vSetNavDefaultValue(void);
void H_PROFILE_vSetChartLayerDefaultValue(void);

// The current profile (0-2), -1 when none is loaded.
int H_PROFILE_nCurrentSonar(void);
int H_PROFILE_nCurrentChart(void);
// Copies of a profile, for display (FALSE out of range).
BOOLEAN H_PROFILE_bGetSonarProfile(int nProfile, SONAR_PROFILE_TYPE* pOut);
BOOLEAN H_PROFILE_bGetChartProfile(int nProfile, CHART_PROFILE_TYPE* pOut);
