// The review view's information cells with the readouts installed: the
// recording's time with its date, and the unit's position as latitude above
// longitude in the unit's position format; no position, a blank cell.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "common/db_types.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_view_review.h"
#include "source/graphics/t_view_review_int.h"
#include "source/ui/ui_install.h"
#include "tests/support/db_test_env.h"
#include "tests/support/golden.h"
#include "tests/support/graphics_canvas.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();

// A key written and its change notice handed to the view as the view task does.
void vSet(FOURCHARID k, U32 v) {
  (void)H_DATABASE_bUpdateEverythingU32(k, v, P_NORMAL, D_UNSIGNED32, nullptr, DB_NO_TIMEOUT);
  MESSAGE_NEW_DATA m;
  memset(&m, 0, sizeof m);
  m.Header.Cmd = CMD_ID_NEW_DATA;
  m.FourCharId = k;
  memcpy(&m.dbValue, &v, sizeof v);
  m.bValid = TRUE;
  T_VIEW_vReviewNotice(&m);
}

class ReviewInfo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    GRAPHICS_vInstall();
    UI_vInstall();
    H_DATABASE_vInit();
    review_play::vStart();
  }
  void TearDown() override {
    H_DATABASE_vDeleteEntry(FCID("ILAT"));
    H_DATABASE_vDeleteEntry(FCID("ILON"));
    T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  }
};

// Mercator metres to the texts of the position format the unit shows.
TEST_F(ReviewInfo, PositionTextsFollowTheHemispheres) {
  struct CASE {
    S32 lat, lon;
    const char* latText;
    const char* lonText;
  };
  const CASE cases[] = {
      {0, 0, "N 00 00.000", "E000 00.000"},
      {6800000, 1113195, "N 51 59.958", "E010 00.000"},
      {-4000000, -8000000, "S 33 47.114", "W071 51.913"},
  };
  for (const auto& c : cases) {
    char lat[20] = "x", lon[20] = "x";
    VIEW_SEAM_vFormatPosition(c.lat, c.lon, lat, lon);
    EXPECT_STREQ(lat, c.latText);
    EXPECT_STREQ(lon, c.lonText);
  }
}

TEST_F(ReviewInfo, RecordingShowsDateAndPosition) {
  // 24-hour time, day.month.year, one hour east of UTC, no summer time.
  vSet(FCID("SITF"), 4);
  vSet(FCID("SIDF"), 1);
  (void)H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), 60, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  vSet(FCID("SDST"), 0);
  (void)H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 6800000, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NO_TIMEOUT);
  (void)H_DATABASE_bUpdateEverythingS32(FCID("ILON"), 1113195, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NO_TIMEOUT);
  T_VIEW_vSetSRViewState(SR_VIEW_RECORDING);
  MSG_PING_VIEW_START m{};
  m.Header.Cmd = CMD_ID_PING_START;
  m.u32StartDateTime = 1781094896;  // 2026-06-10 12:34:56 UTC
  m.u32CardAvailableKB = 1536 * 1024;
  m.u32CardSizeKB = 2048 * 1024;
  snprintf(m.sFileName, sizeof m.sFileName, "R00007");
  T_VIEW_vReviewMessage(&m.Header);
  vSet(FCID("CRTS"), 83000);
  vSet(FCID("CRBS"), 3 * 1024 * 1024);
  vSet(FCID("CRPB"), 2048);
  vSet(FCID("CRCP"), 120);
  vSet(FCID("CRAV"), 125);
  Canvas c(800, 600);
  T_VIEW_vDrawCaptureReviewView(c.bmp(), nullptr);
  ExpectMatchesGolden(c.pixels.data(), c.width, c.height, c.pitch, "review/recording_readouts");
}

}  // namespace
