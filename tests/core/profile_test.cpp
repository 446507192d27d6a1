// Setting profiles: saved-key numbering without collisions, a profile saved
// into its S keys, written to the NVRAM files, restored into a cleared
// database and switched to; switching writes only the keys that differ,
// restore and reset, menu and non-menu stores, and refused profile numbers.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "common/db_types.h"
#include "lsvc/l_tables.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/h_nvram.h"
#include "source/core/h_profile.h"
#include "tests/support/db_test_env.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr MBOX WATCHER = 42;

DB_DATA_TYPE U(U32 v) { return DB_dataU32(v); }
U32 Fetch(const char* k) {
  U32 v = 0xDEADBEEF;
  H_DATABASE_bFetchU32(MAKE_FOURCHARID(k[0], k[1], k[2], k[3]), &v);
  return v;
}

class Profiles : public ::testing::Test {
 protected:
  void SetUp() override {
    H_NVRAM_vClose();
    std::error_code ec;
    std::filesystem::remove_all(s_install.install, ec);
    H_DATABASE_vInit();
    H_PROFILE_bResetSonarMenuSetting();
    H_PROFILE_bResetChartMenuSetting();
  }
  void TearDown() override {
    H_NVRAM_vClose();
    (void)dbtest::Drain(WATCHER);
    H_DATABASE_vInit();
  }
};

TEST_F(Profiles, SavedKeysAreDistinctAndKeyListsHoldNoDuplicates) {
  std::set<FOURCHARID> saved;
  std::set<FOURCHARID> sonarKeys, chartKeys;
  SONAR_PROFILE_TYPE sonar;
  CHART_PROFILE_TYPE chart;
  ASSERT_TRUE(H_PROFILE_bGetSonarProfile(0, &sonar));
  ASSERT_TRUE(H_PROFILE_bGetChartProfile(0, &chart));
  for (const auto& p : sonar.Settings) sonarKeys.insert(p.fcid);
  for (const auto& p : chart.Settings) chartKeys.insert(p.fcid);
  EXPECT_EQ(sonarKeys.size(), (size_t)H_PROFILE_SONAR_KEYS);
  EXPECT_EQ(chartKeys.size(), (size_t)H_PROFILE_CHART_KEYS);
  for (int p = 0; p < H_PROFILE_COUNT; p++) {
    for (int i = 0; i < H_PROFILE_SONAR_KEYS; i++) saved.insert(H_PROFILE_u32SonarSavedKey(p, i));
    for (int i = 0; i < H_PROFILE_CHART_KEYS; i++) saved.insert(H_PROFILE_u32ChartSavedKey(p, i));
  }
  EXPECT_EQ(saved.size(), (size_t)(H_PROFILE_COUNT * (H_PROFILE_SONAR_KEYS + H_PROFILE_CHART_KEYS)));
  EXPECT_EQ(H_PROFILE_u32SonarSavedKey(0, 0), FCID("S121"));
  EXPECT_EQ(H_PROFILE_u32SonarSavedKey(0, 25), FCID("S147"));  // 46 is not used
  EXPECT_EQ(H_PROFILE_u32SonarSavedKey(0, 26), FCID("S149"));  // nor 48
  EXPECT_EQ(H_PROFILE_u32ChartSavedKey(2, 19), FCID("S320"));
  // Out of range: no key, no profile.
  EXPECT_EQ(H_PROFILE_u32SonarSavedKey(3, 0), 0u);
  EXPECT_EQ(H_PROFILE_u32SonarSavedKey(-1, 0), 0u);
  EXPECT_EQ(H_PROFILE_u32ChartSavedKey(0, H_PROFILE_CHART_KEYS), 0u);
  EXPECT_FALSE(H_PROFILE_bGetSonarProfile(3, &sonar));
}

TEST_F(Profiles, ChartTemplateValues) {
  CHART_PROFILE_TYPE chart;
  ASSERT_TRUE(H_PROFILE_bGetChartProfile(1, &chart));
  for (const auto& p : chart.Settings) {
    const U32 expected = p.fcid == FCID("SLAY") ? 0xFFFFFFFFu : p.fcid == FCID("SNOS") ? 2u : 0u;
    EXPECT_EQ(p.value.u32Val, expected);
  }
}

TEST_F(Profiles, ProfileSavedToNvramRestoresAndSwitches) {
  ASSERT_EQ(H_NVRAM_eInit(), STATE_VIRGIN);
  // The owners' defaults become the template.
  H_DATABASE_bUpdateValueU32(FCID("SSIN"), 50, P_DEFAULT_SETTING);
  H_DATABASE_bUpdateValueU32(FCID("YSNF"), 1, P_DEFAULT_SETTING);
  H_PROFILE_vSetSonarDefaultValue();
  H_PROFILE_bResetSonarMenuSetting();
  ASSERT_TRUE(H_PROFILE_bLoadSonarProfile());
  EXPECT_EQ(H_PROFILE_nCurrentSonar(), 0);

  // Profile 1 gets its own sensitivity and noise filter.
  ASSERT_TRUE(H_PROFILE_bUpdateSonarMenuSetting(1));
  ASSERT_TRUE(H_PROFILE_bSaveSonarMenuSetting(MENU_SENSITIVITY, U(85)));
  ASSERT_TRUE(H_PROFILE_bSaveSonarNonMenuSetting(FCID("YSNF"), U(3)));
  ASSERT_TRUE(H_PROFILE_bSaveSonarProfile());
  EXPECT_EQ(Fetch("S222"), 85u);  // profile 2 of the saved form, entry 1 (SSIN)

  // As the NVRAM task saves S keys, then a fresh start restores them.
  MULTI_FETCH_CONTROL_STRUCTURE control{};
  control.cMatch = 'S';
  std::vector<NVR_ENTRY> entries;
  while (H_DATABASE_bFetchNextBeginningWith(&control)) {
    NVR_ENTRY e{control.id, control.data};
    entries.push_back(e);
  }
  for (const NVR_ENTRY& e : entries) ASSERT_TRUE(H_NVRAM_bWriteFCID(&e));
  const NVR_ENTRY version{FCID("NVER"), DB_dataU32(NVR_FORMAT_VERSION)};
  ASSERT_TRUE(H_NVRAM_bWriteFCID(&version));
  H_NVRAM_vFlashWriteBack();
  H_NVRAM_vClose();
  H_DATABASE_vInit();
  ASSERT_EQ(H_NVRAM_eInit(), STATE_ACTIVE);
  for (const NVR_ENTRY& e : entries) H_NVRAM_vVersionChangeFindAndSave(e.id);
  EXPECT_EQ(Fetch("SUPS"), 1u);
  H_PROFILE_bResetSonarMenuSetting();
  ASSERT_TRUE(H_PROFILE_bLoadSonarProfile());
  EXPECT_EQ(H_PROFILE_nCurrentSonar(), 1);
  SONAR_PROFILE_TYPE p1;
  ASSERT_TRUE(H_PROFILE_bGetSonarProfile(1, &p1));
  EXPECT_EQ(p1.Settings[1].fcid, FCID("SSIN"));
  EXPECT_EQ(p1.Settings[1].value.u32Val, 85u);

  // Restoring writes the current profile's own values; switching to profile
  // 0 writes back only what differs, and a watcher sees just those keys.
  ASSERT_TRUE(H_PROFILE_bRestoreSonarMenuSetting());
  EXPECT_EQ(Fetch("SSIN"), 85u);
  EXPECT_EQ(Fetch("YSNF"), 3u);
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("SSIN"), WATCHER, TRUE, FALSE, FALSE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("SSBL"), WATCHER, TRUE, FALSE, TRUE));
  ASSERT_TRUE(H_PROFILE_bUpdateSonarMenuSetting(0));
  EXPECT_EQ(Fetch("SSIN"), 50u);
  EXPECT_EQ(Fetch("YSNF"), 1u);
  const auto notices = dbtest::Drain(WATCHER);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].key, FCID("SSIN"));
  EXPECT_EQ(Fetch("SUPS"), 0u);
}

TEST_F(Profiles, RangeChecksAndUnknownItems) {
  EXPECT_TRUE(H_PROFILE_bLoadChartProfile());
  for (int bad : {-1, 3, 1000}) {
    EXPECT_FALSE(H_PROFILE_bUpdateSonarMenuSetting(bad)) << bad;
    EXPECT_FALSE(H_PROFILE_bUpdateChartMenuSetting(bad)) << bad;
  }
  // A selector out of range in the database picks profile 0.
  H_DATABASE_bUpdateValueU32(FCID("SUPC"), 7, P_NORMAL);
  EXPECT_TRUE(H_PROFILE_bLoadChartProfile());
  EXPECT_EQ(H_PROFILE_nCurrentChart(), 0);
  EXPECT_FALSE(H_PROFILE_bSaveChartMenuSetting(MENU_SENSITIVITY, U(1)));  // a sonar item
  EXPECT_TRUE(H_PROFILE_bSaveChartMenuSetting(MENU_CHART_DETAIL_LEVEL, U(2)));
  EXPECT_TRUE(H_PROFILE_bSaveChartNonMenuSetting(FCID("ZZZZ"), U(9)));  // no effect
  CHART_PROFILE_TYPE chart;
  ASSERT_TRUE(H_PROFILE_bGetChartProfile(0, &chart));
  for (const auto& p : chart.Settings) {
    if (p.fcid == FCID("SCDL")) {
      EXPECT_EQ(p.value.u32Val, 2u);
    }
  }
}

}  // namespace
