// Version record and version-change detection, model features and the
// current language, driven through the settings database they read.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/language.h"
#include "source/core/h_database.h"
#include "source/core/model.h"
#include "source/platform/platform.h"
#include "source/core/version.h"

namespace {

class WithDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    PLATFORM_vTestClockEnable(1000000000ull, 1700000000);
    H_DATABASE_vInit();
  }
  void TearDown() override { PLATFORM_vTestClockDisable(); }

  static void Set(const char (&key)[5], U32 value, U32 priority = P_NVR) {
    H_DATABASE_bUpdateValueU32(FCID(key), value, priority);
  }
  // A value that stops being valid once its one-second time-out has passed.
  static void SetTimedOut(const char (&key)[5], U32 value) {
    H_DATABASE_bUpdateEverythingU32(FCID(key), value, P_NVR, D_UNKNOWN, nullptr, 1);
    PLATFORM_vTestClockAdvanceMs(2000);
  }
  static std::optional<U32> Get(const char (&key)[5]) {
    U32 value = 0;
    if (!H_DATABASE_bFetchU32(FCID(key), &value)) return std::nullopt;
    return value;
  }
};

// ---------------------------------------------------------------- version

using Version = WithDatabase;

TEST_F(Version, Record) {
  const VERSION_INFO* info = VERSION_pversion_infoGetCurrentVersion();
  EXPECT_STREQ(info->version, "7.660");
  EXPECT_STREQ(info->date, "May 27 2015");
  EXPECT_STREQ(info->speed, "534Mhz");
  EXPECT_STREQ(info->rev, "---") << "no CREV";

  Set("CREV", 1234);
  EXPECT_STREQ(VERSION_pversion_infoGetCurrentVersion()->rev, "1234");

  // Ten digits do not fit the field: the text is cut, never left unterminated.
  Set("CREV", 4294967295u);
  info = VERSION_pversion_infoGetCurrentVersion();
  EXPECT_LT(strnlen(info->rev, sizeof(info->rev)), sizeof(info->rev));
  EXPECT_STREQ(info->rev, "429496729");
}

TEST_F(Version, ChangeDetection) {
  struct Case {
    const char* name;
    std::optional<U32> sfvr;
    bool sfvrTimedOut;
    std::optional<U32> sags, sage;
    BOOLEAN changed;
    BOOLEAN upgrading;
  };
  const Case cases[] = {
      {"same version, groups done", 7660, false, 5, 5, FALSE, FALSE},
      {"same version, groups differ", 7660, false, 5, 6, FALSE, TRUE},
      {"same version, SAGE missing", 7660, false, 5, std::nullopt, FALSE, TRUE},
      {"same version, SAGS missing", 7660, false, std::nullopt, 5, FALSE, TRUE},
      {"older version", 7500, false, 3, 3, TRUE, FALSE},
      {"no saved version", std::nullopt, false, 3, 3, TRUE, TRUE},
      {"saved version timed out", 7660, true, 3, 3, TRUE, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    if (c.sags) Set("SAGS", *c.sags);
    if (c.sage) Set("SAGE", *c.sage);
    if (c.sfvr) {
      if (c.sfvrTimedOut) {
        SetTimedOut("SFVR", *c.sfvr);
      } else {
        Set("SFVR", *c.sfvr, P_NVR);
      }
    }
    EXPECT_EQ(VERSION_bDetectVersionChange(), c.changed);
    EXPECT_EQ(VERSION_bIsVersionChanged(), c.changed);
    EXPECT_EQ(VERSION_bIsUpgradingToGroupedWaypointManagement(), c.upgrading);
    EXPECT_EQ(Get("SFVR"), std::optional<U32>(7660));

    // Whether SFVR was written at P_NORMAL shows in who may write next: a
    // write at the restore priority is taken only when nothing stronger wrote.
    const BOOLEAN refused = H_DATABASE_bUpdateValueU32(FCID("SFVR"), 1, P_NVR);
    EXPECT_EQ(refused, c.changed) << "SFVR is written only when the version changed";
  }
}

// ---------------------------------------------------------------- models

using Model = WithDatabase;

TEST_F(Model, Features) {
  struct Case {
    const char* name;
    std::optional<U32> smdl, simt;
    BOOLEAN intl1, intl2, domestic, color, cartography, nadscan;
  };
  const Case cases[] = {
      {"default model, no variant", std::nullopt, std::nullopt, TRUE, FALSE, FALSE, TRUE, TRUE, TRUE},
      {"default model, variant 2", std::nullopt, 2, FALSE, TRUE, FALSE, TRUE, TRUE, TRUE},
      {"model 345, variant 1", 345, 1, TRUE, FALSE, FALSE, TRUE, TRUE, TRUE},
      {"domestic model", 344, std::nullopt, FALSE, FALSE, TRUE, TRUE, TRUE, TRUE},
      {"domestic model, variant 2", 344, 2, FALSE, FALSE, TRUE, TRUE, TRUE, TRUE},
      {"unknown model", 999, std::nullopt, FALSE, FALSE, TRUE, FALSE, FALSE, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    H_DATABASE_vInit();
    if (c.smdl) Set("SMDL", *c.smdl);
    if (c.simt) Set("SIMT", *c.simt);
    EXPECT_EQ(MODEL_bInternationalModel1(), c.intl1);
    EXPECT_EQ(MODEL_bInternationalModel2(), c.intl2);
    EXPECT_EQ(MODEL_bDomesticModel(), c.domestic);
    EXPECT_EQ(MODEL_bIsColor(), c.color);
    EXPECT_EQ(MODEL_bSupportsCartography(), c.cartography);
    EXPECT_EQ(MODEL_bIsNadscan(), c.nadscan);
    // No model of this software has these.
    EXPECT_FALSE(MODEL_bInternationalModel3());
    EXPECT_FALSE(MODEL_bInternationalModel4());
    EXPECT_FALSE(MODEL_bDisplay160x240());
    EXPECT_FALSE(MODEL_bDisplay240x240());
    EXPECT_FALSE(MODEL_bDisplay240x320());
    EXPECT_FALSE(MODEL_bFishFinderSeries());
  }
}

TEST_F(Model, NamesAndRegistration) {
  EXPECT_STREQ(MODEL_pcFetchModelText(0), "     ");
  EXPECT_STREQ(MODEL_pcFetchModelText(12345), "     ");
  EXPECT_STREQ(MODEL_pcFetchModelText(MODEL_DOMESTIC), "4470");
  EXPECT_STREQ(MODEL_pcFetchModelText(MODEL_DEFAULT), "4470");
  EXPECT_TRUE(MODEL_bRegisterModel(344));
  EXPECT_TRUE(MODEL_bRegisterModel(345));
  EXPECT_FALSE(MODEL_bRegisterModel(0));
  EXPECT_FALSE(MODEL_bRegisterModel(346));
  EXPECT_FALSE(Get("SMDL").has_value()) << "registration stores nothing";
}

// ---------------------------------------------------------------- language

using Language = WithDatabase;

TEST_F(Language, CurrentLanguageFallsBackToEnglish) {
  EXPECT_EQ(nCurrentLanguage(), LANGUAGE_ENGLISH) << "SLNG absent";
  const std::pair<U32, int> cases[] = {
      {0, LANGUAGE_ENGLISH},  {5, LANGUAGE_GERMAN},    {16, LANGUAGE_RUSSIAN},
      {21, LANGUAGE_TURKISH}, {22, LANGUAGE_ENGLISH}, {0xFFFFFFFF, LANGUAGE_ENGLISH},
  };
  for (const auto& [stored, expected] : cases) {
    Set("SLNG", stored, P_NORMAL);
    EXPECT_EQ(nCurrentLanguage(), expected) << "SLNG " << stored;
  }
  H_DATABASE_vInit();
  SetTimedOut("SLNG", LANGUAGE_FRENCH);
  EXPECT_EQ(nCurrentLanguage(), LANGUAGE_ENGLISH) << "SLNG no longer valid";
}

}  // namespace
