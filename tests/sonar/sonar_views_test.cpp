// Sonar views and menus per transducer: which entries of the three tables
// a transducer (and, for the composite table, its sources) switches on.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "source/sonar/s_sonarviews.h"

namespace {

const std::vector<std::string> kCommon = {
    "vView2D",         "vView2DZoom",          "vViewMegaDigits",      "vMenuFishAlarm",     "vMenuDepthAlarm",
    "vMenuFishSensitivity", "vMenuFishId",     "vMenuBottomView",      "vMenuSurfaceClutter", "vViewOverlayCombo",
    "vMenuRTSWindow",  "vMenuDepthOffset",     "vMenu200kHzFrequency", "vMenuLFFrequency",   "vMenuZoomWidthWindow",
    "vMenu2DSonarColors", "vMenuColorIntensityBar", "vMenuBottomLockZoom"};

std::vector<std::string> Enabled2D(U8 type) {
  const char* names[128];
  const U32 n = S_TRANSDUCER_u32Enabled2D(type, names, 128);
  return std::vector<std::string>(names, names + n);
}

std::vector<std::string> With(std::vector<std::string> extra) {
  std::vector<std::string> v = kCommon;
  v.insert(v.end(), extra.begin(), extra.end());
  return v;
}

TEST(SonarViews, DownLookingEntriesPerTransducer) {
  struct Case {
    U8 type;
    std::vector<std::string> expect;
  } cases[] = {
      {1, With({"vViewDualBeamScreen", "vMenuBeam83kHzSelect", "vMenu83kHzSensitivity", "vSetLFBeam83kHz",
                "vMenuLowerRange1500ft", "vMenuUpperRange1500ft", "vMenuNoiseFilter"})},
      {3, With({"vMenuNoiseFilter"})},                          // no ranges, no beam selector
      {7, With({"vMenuLowerRange1000ft", "vMenuNoiseFilter"})},  // no upper range item
      {15, With({"vViewDualBeamScreen", "vMenuBeam200kHzSelect", "vMenuLowerRange1500ft", "vMenuUpperRange1500ft",
                 "vMenuNoiseFilter"})},
      {16, kCommon},  // no entries of its own
      {0, {}},        // none: nothing
  };
  for (const Case& c : cases) EXPECT_EQ(Enabled2D(c.type), c.expect) << "type " << (int)c.type;
}

TEST(SonarViews, CompositeEntriesNeedEverySource) {
  struct Case {
    U8 type;
    U32 sources;
    std::vector<std::string> expect;
  } cases[] = {
      {15, 0x1, {"vMenuSensitivity", "vMenuChartSpeed", "vMenuDepthLines", "vMenuWaterType", "vMenuSuperUserExtras",
                 "vMenuTemperatureOverlay"}},
      {15, 0x3, {"vMenuSensitivity", "vMenuChartSpeed", "vViewNadscanPlus2D", "vMenuDepthLines", "vMenuWaterType",
                 "vMenuSuperUserExtras", "vMenuTemperatureOverlay", "vDigitalDepthSelectMenu"}},
      {5, 0x5, {"vMenuSensitivity", "vMenuChartSpeed", "vViewNadscanPlus2D", "vMenuDepthLines", "vMenuWaterType",
                "vMenuSuperUserExtras", "vMenuTemperatureOverlay", "vViewSideScan2DCombo"}},
  };
  for (const Case& c : cases) {
    const char* names[32];
    const U32 n = S_TRANSDUCER_u32EnabledComposite(c.type, c.sources, names, 32);
    EXPECT_EQ(std::vector<std::string>(names, names + n), c.expect) << "type " << (int)c.type << " " << c.sources;
  }
}

TEST(SonarViews, ImagingEntries) {
  const char* names[32];
  U32 n = S_TRANSDUCER_u32EnabledImaging(2, names, 32);
  EXPECT_EQ(std::vector<std::string>(names, names + n),
            (std::vector<std::string>{"vMenu455kHzSensitivity", "vViewZireRazi", "vMenuQuadLayout"}));
  n = S_TRANSDUCER_u32EnabledImaging(15, names, 32);
  EXPECT_EQ(std::vector<std::string>(names, names + n),
            (std::vector<std::string>{"vViewNadscan", "vChartPlusDIView", "vMenuDISettings",
                                      "vMenuSideScanGrayscaleAdjustAllSideViews", "vMenu455kHzSensitivity"}));
}

}  // namespace
