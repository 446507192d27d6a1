// Info layers as the view task draws them: the whole screen after the
// sonar-view and chart-view draw callbacks ran over a view in the white and
// black palettes, the cursor bar of a sonar cursor view, and the texts and
// companions the row places.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "common/language.h"
#include "common/u_convert.h"
#include "common/view_types.h"
#include "data/fonts.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_box.h"
#include "source/ui/t_info.h"
#include "source/ui/ui_upcalls.h"
#include "tests/support/golden.h"

namespace {

constexpr int W = G_SCREEN_WIDTH, H = G_SCREEN_HEIGHT;

#define T(name, text)                                                                                          \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, text, text, \
                                                 text, text}
T(s_txtDepth, "Depth");
T(s_txtLongName, "A name much wider than the screen's left edge allows");
#undef T

bool s_bCursorView = false;
bool s_bMob = false;
BOOLEAN CursorView(LAYER_ID, SPLIT_WINDOW_TYPE) { return s_bCursorView ? TRUE : FALSE; }
BOOLEAN Mob(void) { return s_bMob ? TRUE : FALSE; }
void WaypointName(U16 index, char* name) { snprintf(name, 13, "Harbour %u", (unsigned)(index % 100)); }
S32 s_s32Zoom = 0;
BOOLEAN Zoom(BITMAP*, const WINDOW_SPECIFICATION*, S32* factor, S32* topOffset) {
  if (factor != nullptr) *factor = s_s32Zoom;
  if (topOffset != nullptr) *topOffset = 0;
  return s_s32Zoom != 0 ? TRUE : FALSE;
}

FOURCHARID FCID4(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

void Put(const char* key, U32 v, DATA_TYPE t) {
  H_DATABASE_bUpdateEverythingU32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), v, P_NORMAL, t, nullptr,
                                   DB_NO_TIMEOUT);
}
void PutFloat(const char* key, F32 v, DATA_TYPE t) {
  H_DATABASE_bUpdateEverythingFloat(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), v, P_NORMAL, t, nullptr,
                                    DB_NO_TIMEOUT);
}
void PutS32(const char* key, S32 v, DATA_TYPE t) {
  H_DATABASE_bUpdateEverythingS32(MAKE_FOURCHARID(key[0], key[1], key[2], key[3]), v, P_NORMAL, t, nullptr,
                                  DB_NO_TIMEOUT);
}
// A slot showing a readout source that names a live key.
void Slot(const char* slot, const char* source, const char* live) {
  Put(slot, FCID4(source), D_FCID);
  H_DATABASE_bUpdateEverythingU32(FCID4(source), FCID4(live), P_NORMAL, D_FCID, s_txtDepth, DB_NO_TIMEOUT);
}

class InfoLayer : public ::testing::Test {
 protected:
  std::vector<U16> pixels = std::vector<U16>((size_t)W * H);
  BITMAP header{};
  BITMAP* bmp = nullptr;

  void SetUp() override {
    H_DATABASE_vInit();
    U_CONVERT_vInitialiseConversionUtility();
    T_N_HISTORY_bIsMyCursorView_Install(CursorView);
    T_NAV_bIsMOBInProgress_Install(Mob);
    T_NAV_vCopyWaypointName_Install(WaypointName);
    T_N_HISTORY_bDrawDiZoomWindow_Install(Zoom);
    s_bCursorView = s_bMob = false;
    s_s32Zoom = 0;
    bmp = G_BUFFERS_pCreateBitmap(W, H, &header, pixels.data());
    ASSERT_NE(nullptr, bmp);
    // A sea with a shore, so that the tint of the boxes shows.
    G_BOX_vDrawFilled(bmp, 0x0339, POINT{0, 0}, W, H);
    G_BOX_vDrawFilled(bmp, 0xE6B0, POINT{0, 0}, W / 3, H);
    Put("YUDP", U_FEET, D_UNITS);
    Put("SUSP", U_KNOTS, D_UNITS);
    Put("SUHD", U_DEG_TRUE, D_UNITS);
    Put("SUTE", U_CELSIUS, D_UNITS);
    Put("SUDS", U_NAUT_MILES_FT, D_UNITS);
    PutFloat("IDEP", 3.8f, D_DEPTH);
    PutFloat("ISPD", 2.9f, D_SPEED);
    PutFloat("IHDG", 274.0f, D_HEADING);
    PutFloat("ITMP", 17.5f, D_TEMPERATURE);
    PutFloat("IVLT", 12.6f, D_VOLTAGE);
    PutFloat("IXTE", 40.0f, D_DISTANCE);
    PutFloat("IBRG", 81.0f, D_HEADING);
  }
  void TearDown() override {
    T_N_HISTORY_bIsMyCursorView_Install(nullptr);
    T_NAV_bIsMOBInProgress_Install(nullptr);
    T_NAV_vCopyWaypointName_Install(nullptr);
    T_N_HISTORY_bDrawDiZoomWindow_Install(nullptr);
  }

  void Palette(U32 palette) {
    Put("SPAL", palette, D_UNKNOWN);
    T_INFO_vLoadInfoColors(palette);
  }

  WINDOW_SPECIFICATION Window(LAYER_ID view, U32 alphas) {
    Put("CVEW", (U32)view, D_UNKNOWN);
    WINDOW_SPECIFICATION spec{};
    spec.currentLayer = view;
    spec.activeWindow = SPLIT_FULL_WINDOW;
    spec.drawWindowType = SPLIT_FULL_WINDOW;
    spec.drawWindow = WINDOW_LOCATION{0, H - 1, W - 1, 0};
    spec.u32User = alphas;
    return spec;
  }

  // The screen as shown, the top row first.
  void ExpectGolden(const std::string& name) {
    std::vector<U16> out((size_t)W * H);
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) out[(size_t)y * W + x] = G_PIXEL_colorGetPhysicalPixel(bmp, x, y);
    }
    ExpectMatchesGolden(out.data(), W, H, W, ("readouts/" + name).c_str());
  }

  U16 Pixel(int x, int yUp) { return G_PIXEL_colorGetPhysicalPixel(bmp, x, H - 1 - yUp); }
};

struct PaletteCase {
  U32 palette;
  const char* suffix;
  U16 background;  // info colour 128
};
const PaletteCase kPalettes[] = {{0, "white", 0xFFFF}, {3, "black", 0x0000}};

// Sonar view 49, not navigating: the five ordinary slots, SC57 off.
TEST_F(InfoLayer, SonarRowInBothPalettes) {
  for (const PaletteCase& p : kPalettes) {
    SetUp();
    Palette(p.palette);
    Slot("SC55", "BDEP", "IDEP");
    Slot("SC56", "BTMP", "ITMP");
    Put("SC57", 0, D_FCID);
    Slot("SC58", "BHDG", "IHDG");
    Slot("SC59", "BVLT", "IVLT");
    const WINDOW_SPECIFICATION spec = Window(SONAR_VIEW_PRIORITY, 0x00A0A0C0);
    EXPECT_EQ((U32)INFO_ROW_HEIGHT, T_INFO_u32SonarYOrigin(SPLIT_FULL_WINDOW));
    T_INFO_vDrawInfoLayer_Instrumentation_SonarView(bmp, &spec);
    ExpectGolden(std::string("sonar_row_") + p.suffix);
    // The row has its own band: the boxes are opaque, whatever the layer's
    // alphas, and the picture beneath does not show through.
    EXPECT_EQ(p.background, Pixel(10, 20)) << p.suffix;
    EXPECT_EQ(p.background, Pixel(0, 50)) << p.suffix << ": the first column's outer edge";
    EXPECT_EQ(p.background, Pixel(W - 1, 50)) << p.suffix << ": the last column's outer edge";
  }
}

// Chart view 28 while navigating: the navigation slots and the waypoint
// indicator bar above the first column.
TEST_F(InfoLayer, ChartRowWhileNavigatingInBothPalettes) {
  for (const PaletteCase& p : kPalettes) {
    SetUp();
    Palette(p.palette);
    Put("INIP", 1, D_UNKNOWN);
    Put("IDWP", 7, D_WAYPOINT);
    Slot("SC50", "BDEP", "IDEP");
    Slot("SC51", "QXTE", "IXTE");
    Slot("SC52", "BSPD", "ISPD");
    Slot("SC53", "BHDG", "IHDG");
    Slot("SC54", "QBRG", "IBRG");
    const WINDOW_SPECIFICATION spec = Window(CHART_VIEW_PRIORITY, 0x00A0A0C0);
    T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(bmp, &spec);
    ExpectGolden(std::string("chart_row_nav_") + p.suffix);
  }
}

// A sonar cursor view with the zoom window open: the cursor bar along the
// top edge, over an empty row.
TEST_F(InfoLayer, CursorBarOfASonarCursorView) {
  Palette(0);
  for (const char* slot : {"SC55", "SC56", "SC57", "SC58", "SC59"}) Put(slot, 0, D_FCID);
  s_bCursorView = true;
  s_s32Zoom = 2;
  Put("ICAC", 1, D_UNKNOWN);
  PutFloat("ICBD", 120.0f, D_DISTANCE);
  PutFloat("ICDP", 7.3f, D_DEPTH);
  PutFloat("ICCD", 9.1f, D_DEPTH);
  PutFloat("ICBH", 45.0f, D_HEADING);
  const WINDOW_SPECIFICATION spec = Window(SONAR_VIEW_PRIORITY, 0xC0);
  T_INFO_vDrawInfoLayer_Instrumentation_SonarView(bmp, &spec);
  ExpectGolden("cursor_bar_sonar");
  // Without an active cursor the bar is gone.
  SetUp();
  Palette(0);
  s_bCursorView = true;
  Put("ICAC", 0, D_UNKNOWN);
  const U16 before = Pixel(400, 590);
  T_INFO_vDrawInfoLayer_ActiveCursor(bmp, &spec, POINT{0, H - INFO_CURSOR_BAR_HEIGHT});
  EXPECT_EQ(before, Pixel(400, 590));
}

TEST_F(InfoLayer, CursorIconOnlyWithBothCoordinates) {
  Palette(0);
  const std::vector<U16> clean = pixels;
  PutS32("ICPX", 300, D_SIGNED32);
  T_INFO_vDrawCursor(bmp, 0, FALSE);
  EXPECT_EQ(clean, pixels) << "without ICPY nothing is drawn";
  PutS32("ICPY", 200, D_SIGNED32);
  T_INFO_vDrawCursor(bmp, 0, TRUE);
  EXPECT_NE(clean, pixels);
  EXPECT_NE(0x0339, Pixel(300 + 8, 200)) << "the cross hair stands around the cursor position";
}

TEST_F(InfoLayer, RightAlignedTextNeverStartsLeftOfTheEdge) {
  Palette(3);  // white text
  T_INFO_vDrawTextRight(bmp, 100, 300, s_txtLongName, &tessix_11x14_font_def, 0);
  bool bAtLeft = false;
  for (int y = 295; y < 320; ++y) bAtLeft = bAtLeft || Pixel(0, y) != 0xE6B0 || Pixel(1, y) != 0xE6B0;
  EXPECT_TRUE(bAtLeft) << "a text wider than its end starts at the left edge";
  // A short text ends at x.
  G_BOX_vDrawFilled(bmp, 0x0339, POINT{0, 0}, W, H);
  T_INFO_vDrawTextRight(bmp, 500, 300, s_txtDepth, &tessix_11x14_font_def, 0);
  int right = -1, left = W;
  for (int y = 295; y < 320; ++y) {
    for (int x = 0; x < W; ++x) {
      if (Pixel(x, y) != 0x0339) {
        right = std::max(right, x);
        left = std::min(left, x);
      }
    }
  }
  EXPECT_LE(right, 500);
  EXPECT_GE(right, 495);
  EXPECT_GT(left, 400);
}

// The row over a man-overboard: the panel replaces the waypoint bar and the
// rules between the columns reach up to it.
TEST_F(InfoLayer, ManOverboardPanelReplacesTheWaypointBar) {
  Palette(0);
  Put("INIP", 1, D_UNKNOWN);
  Slot("SC50", "BDEP", "IDEP");
  Slot("SC51", "BSPD", "ISPD");
  for (const char* slot : {"SC52", "SC53", "SC54"}) Put(slot, 0, D_FCID);
  PutFloat("MOBY", 47.5f, D_POSITION_LAT);
  PutFloat("MOBX", -122.3f, D_POSITION_LON);
  Put("SIPF", 0, D_UNKNOWN);
  s_bMob = true;
  const WINDOW_SPECIFICATION spec = Window(CHART_VIEW_PRIORITY, 0xC0);
  T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(bmp, &spec);
  ExpectGolden("chart_row_mob");
  EXPECT_NE(0xE6B0, Pixel(159, 106)) << "the rule beside the panel is 107 high";
  EXPECT_EQ(0x0339, Pixel(480, 106)) << "no rule between two empty columns";
}

TEST_F(InfoLayer, TrackChartBoxWidthFollowsTheShownSlots) {
  Slot("SC55", "BDEP", "IDEP");
  for (const char* slot : {"SC56", "SC57", "SC58", "SC59"}) Put(slot, 0, D_FCID);
  EXPECT_EQ(162, T_INFO_nBoxWidth_TrackChartView(0, 50));
  EXPECT_EQ(0, T_INFO_nBoxWidth_TrackChartView(-200, -150)) << "the range lies beside the third box only";
  Put("INIP", 1, D_UNKNOWN);
  Put("SC50", 0, D_FCID);
  EXPECT_EQ(0, T_INFO_nBoxWidth_TrackChartView(0, 50)) << "while navigating the navigation slots count";
}

}  // namespace
