// The navigation store as the start-up subsystem sees it before the
// navigation subsystem is set up: marks made at the boat's position are
// found again by id, deleting everything empties the store (kept in the
// point-of-sale state unless overridden), and the flash folders are erased
// and made again.
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/db_types.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/startup/startup_upcalls.h"
#include "tests/support/db_test_env.h"

namespace fs = std::filesystem;

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

void vBoatAt(S32 x, S32 y) {
  H_DATABASE_bUpdateValueS32(FCID("ILON"), x, P_NORMAL);
  H_DATABASE_bUpdateValueS32(FCID("ILAT"), y, P_NORMAL);
}

class NavStore : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
    T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
  }
};

TEST_F(NavStore, MarksAreFoundByTheirIds) {
  WAYPOINT wp;
  memset(&wp, 0, sizeof wp);
  EXPECT_FALSE(T_NAV_bHandleNamedMarkWithIcon("S00001", 29, &wp));  // no position: no mark
  EXPECT_EQ(T_NAV_pGetWaypoint(0), nullptr);

  vBoatAt(-5000000, 6000000);
  ASSERT_TRUE(T_NAV_bHandleNamedMarkWithIcon("S00001", 29, &wp));
  EXPECT_EQ(wp.s32X, -5000000);
  EXPECT_EQ(wp.s32Y, 6000000);
  vBoatAt(100, 200);
  ASSERT_TRUE(T_NAV_bHandleNamedMarkWithIcon("A NAME THAT IS TOO LONG", 28, nullptr));
  H_DATABASE_bUpdateValueU32(FCID("SWDI"), 5, P_NORMAL);
  T_NAV_vHandleMark();

  const struct {
    U16 id;
    bool found;
    S32 x;
    U8 icon;
    const char* name;
  } cases[] = {
      {0, true, -5000000, 29, "S00001"},
      {1, true, 100, 28, "A NAME THAT"},  // 11 characters kept
      {2, true, 100, 5, ""},              // the plain mark: default icon, no name
      {3, false, 0, 0, nullptr},
      {0xFFFF, false, 0, 0, nullptr},
      {0x1000, false, 0, 0, nullptr},  // another table
      {2999, false, 0, 0, nullptr},
      {3000, false, 0, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const WAYPOINT* w = T_NAV_pGetWaypoint(c.id);
    ASSERT_EQ(w != nullptr, c.found);
    if (w == nullptr) continue;
    EXPECT_EQ(w->s32X, c.x);
    EXPECT_EQ(w->u8Icon, c.icon);
    EXPECT_EQ(std::string(w->acName, strnlen(w->acName, sizeof w->acName)), c.name);
  }
}

TEST_F(NavStore, DeletingEverythingKeepsPointOfSaleDataUnlessOverridden) {
  vBoatAt(1, 2);
  const struct {
    SYSTEM_STATE state;
    BOOLEAN override;
    bool kept;
  } cases[] = {{STATE_POINT_OF_SALE, FALSE, true},
               {STATE_POINT_OF_SALE, TRUE, false},
               {STATE_NORMAL_RUN, FALSE, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    ASSERT_TRUE(T_NAV_bHandleNamedMarkWithIcon("M", 1, nullptr));
    H_DATABASE_bUpdateValueS32(FCID("SWID"), 7, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("CCST"), c.state, P_NORMAL);
    T_NAV_vDeleteAllTracksWaypointsRoutes(c.override);
    EXPECT_EQ(T_NAV_pGetWaypoint(0) != nullptr, c.kept);
    S32 swid = -1;
    EXPECT_TRUE(H_DATABASE_bFetchS32(FCID("SWID"), &swid));
    EXPECT_EQ(swid, c.kept ? 7 : 0);
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
    T_NAV_vDeleteAllTracksWaypointsRoutes(TRUE);
  }
}

TEST_F(NavStore, FlashFoldersAreErasedAndMadeAgain) {
  const char* const folders[] = {"wpts", "routes", "tracks", "cr_track", "sternixs"};
  const std::string base = PLATFORM_sResolvePath("/usr/tessix");
  fs::create_directories(base + "/wpts");
  std::ofstream(base + "/wpts/w0001") << "old";
  std::ofstream(base + "/keep.txt") << "settings";  // not the store's
  T_NAV_NVRAM_vInit();
  for (const char* f : folders) EXPECT_TRUE(fs::is_directory(base + "/" + f)) << f;
  EXPECT_TRUE(fs::exists(base + "/wpts/w0001"));  // made only where missing
  std::ofstream(base + "/tracks/t0003") << "track";
  T_NAV_NVRAM_vErase();
  for (const char* f : folders) EXPECT_FALSE(fs::exists(base + "/" + f)) << f;
  EXPECT_TRUE(fs::exists(base + "/keep.txt"));
  T_NAV_NVRAM_vErase();  // nothing left to erase: no harm
  T_NAV_NVRAM_vInit();
  for (const char* f : folders) EXPECT_TRUE(fs::is_empty(base + "/" + f)) << f;
}

}  // namespace
