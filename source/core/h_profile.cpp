#include "source/core/h_profile.h"

#include <cstring>
#include <mutex>

#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"

namespace {

// Each key appears once: a key listed twice would be written twice on a
// switch, the second value silently winning.
const char* const kSonarKeys[H_PROFILE_SONAR_KEYS] = {
    "YTVG", "SSIN", "SSBL", "YSNF", "YSMD", "YSWA", "SRPS", "YSFI", "YSFS", "YUDP", "SSSP", "SSS2",
    "SSQL", "SSBV", "SSZW", "SSDL", "SSCL", "SSPL", "SSWV", "SSSS", "SSSN", "SSSL", "SITM", "SSSC",
    "SDSS", "SDSN", "SDSL", "SDSC", "SSS8", "SSS4", "SSRW", "YSSR", "YSLD", "YDPO", "SSUD", "SSBR",
};
const char* const kChartKeys[H_PROFILE_CHART_KEYS] = {
    "SNWD", "SNCM", "SCLG", "SCSS", "SCTC", "SNUP", "SAZM", "SARS", "SLAY", "SCOR",
    "SUHD", "SDTM", "SCCP", "SCSN", "SCDL", "SCMB", "SVOS", "SNGA", "SCSD", "SNOS",
};

// Menu items that edit a profile entry.
struct MenuKey {
  MENU_PRIORITY ePriority;
  const char* key;
};
const MenuKey kSonarMenu[] = {
    {MENU_SENSITIVITY, "SSIN"},          {MENU_SIDESCAN_SENSITIVITY, "SSSS"}, {MENU_NADSCAN_SENSITIVITY, "SDSS"},
    {MENU_NOISE_FILTER, "YSNF"},         {MENU_FISH_ID_SENSITIVITY, "YSFS"},  {MENU_COLOR_PALETTE, "SSPL"},
};
const MenuKey kChartMenu[] = {
    {MENU_CHART_ORIENTATION, "SNUP"},
    {MENU_CHART_DETAIL_LEVEL, "SCDL"},
};

FOURCHARID Key(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

// One kind of profile: its key list, saved-key numbering and state.
struct Kind {
  const char* const* keys;
  int count;
  int firstSuffix;  // the saved key of entry 0 ends in this number
  const int* skipped;  // suffixes not used, ended by 0
  FOURCHARID selector;
  const MenuKey* menu;
  int menuCount;
  DB_DATA_TYPE profiles[H_PROFILE_COUNT][H_PROFILE_SONAR_KEYS];
  DB_DATA_TYPE defaults[H_PROFILE_SONAR_KEYS];
  int current;  // -1 until loaded
};

const int kSonarSkipped[] = {46, 48, 0};
const int kNoneSkipped[] = {0};

std::recursive_mutex s_mutex;
Kind s_sonar{kSonarKeys, H_PROFILE_SONAR_KEYS, 21, kSonarSkipped, FCID("SUPS"), kSonarMenu,
             (int)(sizeof kSonarMenu / sizeof kSonarMenu[0]), {}, {}, -1};
Kind s_chart{kChartKeys, H_PROFILE_CHART_KEYS, 1, kNoneSkipped, FCID("SUPC"), kChartMenu,
             (int)(sizeof kChartMenu / sizeof kChartMenu[0]), {}, {}, -1};

void SetTemplate(Kind& k) {
  for (int i = 0; i < k.count; i++) {
    k.defaults[i].RawData = 0;
    const FOURCHARID key = Key(k.keys[i]);
    if (key == FCID("SLAY")) k.defaults[i].u32Val = 0xFFFFFFFFu;
    if (key == FCID("SNOS")) k.defaults[i].u32Val = 2;
  }
}

bool s_bTemplates = [] {
  SetTemplate(s_sonar);
  SetTemplate(s_chart);
  return true;
}();

FOURCHARID SavedKey(const Kind& k, int profile, int entry) {
  if (profile < 0 || profile >= H_PROFILE_COUNT || entry < 0 || entry >= k.count) return 0;
  int suffix = k.firstSuffix;
  for (int i = 0; i < entry; i++) {
    suffix++;
    for (const int* s = k.skipped; *s; s++) {
      if (suffix == *s) suffix++;
    }
  }
  return MAKE_FOURCHARID('S', (char)('1' + profile), (char)('0' + suffix / 10), (char)('0' + suffix % 10));
}

int IndexOf(const Kind& k, FOURCHARID key) {
  for (int i = 0; i < k.count; i++) {
    if (Key(k.keys[i]) == key) return i;
  }
  return -1;
}

BOOLEAN Load(Kind& k) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  for (int p = 0; p < H_PROFILE_COUNT; p++) {
    for (int i = 0; i < k.count; i++) {
      DB_DATA_TYPE saved;
      k.profiles[p][i] = H_DATABASE_bFetch(SavedKey(k, p, i), &saved) ? saved : k.defaults[i];
    }
  }
  U32 selected = 0;
  if (!H_DATABASE_bFetchU32(k.selector, &selected) || selected >= H_PROFILE_COUNT) selected = 0;
  k.current = (int)selected;
  return TRUE;
}

BOOLEAN Save(Kind& k) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  for (int p = 0; p < H_PROFILE_COUNT; p++) {
    for (int i = 0; i < k.count; i++) H_DATABASE_bUpdateValue(SavedKey(k, p, i), k.profiles[p][i], P_NORMAL);
  }
  return TRUE;
}

BOOLEAN Switch(Kind& k, int profile) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  if (k.current < 0 || profile < 0 || profile >= H_PROFILE_COUNT) return FALSE;
  for (int i = 0; i < k.count; i++) {
    if (k.profiles[k.current][i].RawData != k.profiles[profile][i].RawData) {
      H_DATABASE_bUpdateValue(Key(k.keys[i]), k.profiles[profile][i], P_NORMAL);
    }
  }
  k.current = profile;
  H_DATABASE_bUpdateValueU32(k.selector, (U32)profile, P_NORMAL);
  return TRUE;
}

BOOLEAN Restore(Kind& k) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  if (k.current < 0) return FALSE;
  for (int i = 0; i < k.count; i++) {
    if (k.profiles[k.current][i].RawData != k.defaults[i].RawData) {
      H_DATABASE_bUpdateValue(Key(k.keys[i]), k.profiles[k.current][i], P_NORMAL);
    }
  }
  return TRUE;
}

BOOLEAN Reset(Kind& k) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  for (int p = 0; p < H_PROFILE_COUNT; p++) {
    for (int i = 0; i < k.count; i++) k.profiles[p][i] = k.defaults[i];
  }
  return TRUE;
}

BOOLEAN StoreCurrent(Kind& k, FOURCHARID key, DB_DATA_TYPE value) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  const int i = IndexOf(k, key);
  if (i < 0 || k.current < 0 || k.current >= H_PROFILE_COUNT) return FALSE;
  k.profiles[k.current][i] = value;
  return TRUE;
}

BOOLEAN StoreMenu(Kind& k, MENU_PRIORITY e, DB_DATA_TYPE value) {
  for (int m = 0; m < k.menuCount; m++) {
    if (k.menu[m].ePriority == e) return StoreCurrent(k, Key(k.menu[m].key), value);
  }
  return FALSE;
}

// The database's values of the listed keys (all when null) become defaults.
void TakeDefaults(Kind& k, const char* const* only) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  for (int i = 0; i < k.count; i++) {
    bool wanted = only == nullptr;
    for (const char* const* o = only; o && *o; o++) wanted = wanted || strncmp(*o, k.keys[i], 4) == 0;
    DB_DATA_TYPE value;
    if (wanted && H_DATABASE_bFetch(Key(k.keys[i]), &value)) k.defaults[i] = value;
  }
}

template <typename T>
BOOLEAN Copy(const Kind& k, int profile, T* out) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  if (out == nullptr || profile < 0 || profile >= H_PROFILE_COUNT) return FALSE;
  for (int i = 0; i < k.count; i++) out->Settings[i] = FCID_DB_PAIR{Key(k.keys[i]), k.profiles[profile][i]};
  return TRUE;
}

}  // namespace

FOURCHARID H_PROFILE_u32SonarSavedKey(int nProfile, int nEntry) { return SavedKey(s_sonar, nProfile, nEntry); }
FOURCHARID H_PROFILE_u32ChartSavedKey(int nProfile, int nEntry) { return SavedKey(s_chart, nProfile, nEntry); }

BOOLEAN H_PROFILE_bLoadSonarProfile(void) { return Load(s_sonar); }
BOOLEAN H_PROFILE_bLoadChartProfile(void) { return Load(s_chart); }
BOOLEAN H_PROFILE_bSaveSonarProfile(void) { return Save(s_sonar); }
BOOLEAN H_PROFILE_bSaveChartProfile(void) { return Save(s_chart); }
BOOLEAN H_PROFILE_bUpdateSonarMenuSetting(int nProfile) { return Switch(s_sonar, nProfile); }
BOOLEAN H_PROFILE_bUpdateChartMenuSetting(int nProfile) {
  if (!Switch(s_chart, nProfile)) return FALSE;
  T_CHART_LAYER_vSetupDatabaseItems();
  return TRUE;
}
BOOLEAN H_PROFILE_bRestoreSonarMenuSetting(void) { return Restore(s_sonar); }
BOOLEAN H_PROFILE_bRestoreChartMenuSetting(void) { return Restore(s_chart); }
BOOLEAN H_PROFILE_bResetSonarMenuSetting(void) { return Reset(s_sonar); }
BOOLEAN H_PROFILE_bResetChartMenuSetting(void) { return Reset(s_chart); }
BOOLEAN H_PROFILE_bSaveSonarMenuSetting(MENU_PRIORITY ePriority, DB_DATA_TYPE value) {
  return StoreMenu(s_sonar, ePriority, value);
}
BOOLEAN H_PROFILE_bSaveChartMenuSetting(MENU_PRIORITY ePriority, DB_DATA_TYPE value) {
  return StoreMenu(s_chart, ePriority, value);
}
BOOLEAN H_PROFILE_bSaveSonarNonMenuSetting(FOURCHARID key, DB_DATA_TYPE value) {
  StoreCurrent(s_sonar, key, value);
  return TRUE;
}
BOOLEAN H_PROFILE_bSaveChartNonMenuSetting(FOURCHARID key, DB_DATA_TYPE value) {
  StoreCurrent(s_chart, key, value);
  return TRUE;
}
void H_PROFILE_vSetSonarDefaultValue(void) { TakeDefaults(s_sonar, nullptr); }
void H_PROFILE_vSetChartDefaultValue(void) {
  static const char* const kChartOnly[] = {"SCLG", "SCSS", "SCTC", "SAZM", "SARS", "SCOR", "SUHD", "SDTM",
                                           "SCCP", "SCSN", "SCDL", "SCMB", "SVOS", "SCSD", nullptr};
  TakeDefaults(s_chart, kChartOnly);
}
void H_PROFILE_vSetNavDefaultValue(void) {
  static const char* const kNav[] = {"SNWD", "SNCM", "SNUP", "SNGA", "SNOS", nullptr};
  TakeDefaults(s_chart, kNav);
}
void H_PROFILE_vSetChartLayerDefaultValue(void) {
  static const char* const kLayers[] = {"SLAY", nullptr};
  TakeDefaults(s_chart, kLayers);
}
int H_PROFILE_nCurrentSonar(void) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  return s_sonar.current;
}
int H_PROFILE_nCurrentChart(void) {
  std::lock_guard<std::recursive_mutex> lock(s_mutex);
  return s_chart.current;
}
BOOLEAN H_PROFILE_bGetSonarProfile(int nProfile, SONAR_PROFILE_TYPE* pOut) { return Copy(s_sonar, nProfile, pOut); }
BOOLEAN H_PROFILE_bGetChartProfile(int nProfile, CHART_PROFILE_TYPE* pOut) { return Copy(s_chart, nProfile, pOut); }
