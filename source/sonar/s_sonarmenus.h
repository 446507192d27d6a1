// The sonar menu items that the transducer tables switch on and off: each
// enable function registers (TRUE) or removes (FALSE) one group of items
// through the menu services; the tables of s_sonarviews.cpp find them by
// name.
#pragma once

#include <string_view>

#include "common/language.h"
#include "common/types.h"
#include "source/sonar/s_sonarviews.h"

// The "Sonar" tab of the main menu: tabs are found by their record, so every
// task that registers an item on it uses this one.
extern const char* const g_SONAR_txtSonarTab[NUMBER_OF_LANGUAGES];

// Fits the imaging-frequency selector to a side-looking or down-looking
// transducer type (removed for any other type).
void vMenuSideScanFrequency(U32 u32TransducerAdv);
// The jigging item on the 2D views.
void vMenuJigging(U32 u32Transducer2D, U32 u32TransducerSI);
// The remote depth reading of a linked unit came on line or went off line.
void S_TRANSDUCER_vRemoteDepthSensorFound(BOOLEAN bOnOffLine);
// First enable after start or a disconnect: the tab, the transducer
// selection and the express menus; FALSE removes the tab.
void S_SONARMENU_vTab(BOOLEAN bEnable);

namespace sonarmenus {

void vMenuFishAlarm(BOOLEAN);
void vMenuDepthAlarm(BOOLEAN);
void vMenuFishSensitivity(BOOLEAN);
void vMenuFishId(BOOLEAN);
void vMenuBottomView(BOOLEAN);
void vMenuSurfaceClutter(BOOLEAN);
void vMenuRTSWindow(BOOLEAN);
void vMenuDepthOffset(BOOLEAN);
void vMenu200kHzFrequency(BOOLEAN);
void vMenuLFFrequency(BOOLEAN);
void vMenuZoomWidthWindow(BOOLEAN);
void vMenu2DSonarColors(BOOLEAN);
void vMenuColorIntensityBar(BOOLEAN);
void vMenuBottomLockZoom(BOOLEAN);
void vMenuLowerRange3280ft(BOOLEAN);
void vMenuLowerRange1500ft(BOOLEAN);
void vMenuLowerRange1000ft(BOOLEAN);
void vMenuLowerRange240ft(BOOLEAN);
void vMenuUpperRange3280ft(BOOLEAN);
void vMenuUpperRange1500ft(BOOLEAN);
void vMenuUpperRange240ft(BOOLEAN);
void vMenuBeam83kHzSelect(BOOLEAN);
void vMenuBeam50kHzSelect(BOOLEAN);
void vMenuBeam200kHzSelect(BOOLEAN);
void vMenu83kHzSensitivity(BOOLEAN);
void vMenu50kHzSensitivity(BOOLEAN);
void vMenu455kHzSensitivity(BOOLEAN);
void vMenuNoiseFilter(BOOLEAN);
void vMenuNoiseFilterUS2(BOOLEAN);
void vMenuQuadLayout(BOOLEAN);
void vMenuSideView(BOOLEAN);
void vMenuSideScanRange(BOOLEAN);
void vMenuSideScanGrayscaleAdjustAllSideViews(BOOLEAN);
void vMenuSideScanSettingsNormal(BOOLEAN);
void vMenuSideScanSettingsCompact(BOOLEAN);
void vMenuSideScanSettingsHiDef(BOOLEAN);
void vMenuDISettings(BOOLEAN);
void vMenuSensitivity(BOOLEAN);
void vMenuChartSpeed(BOOLEAN);
void vMenuDepthLines(BOOLEAN);
void vMenuWaterType(BOOLEAN);
void vMenuSuperUserExtras(BOOLEAN);
void vMenuTemperatureOverlay(BOOLEAN);
void vDigitalDepthSelectMenu(BOOLEAN);

struct NAMED_ENABLE {
  const char* pcName;
  ENABLE_FUNCTION* pfn;
};

#define SONARMENU_ENTRY(fn) {#fn, &sonarmenus::fn}
inline constexpr NAMED_ENABLE kMenuFunctions[] = {
    SONARMENU_ENTRY(vMenuFishAlarm), SONARMENU_ENTRY(vMenuDepthAlarm), SONARMENU_ENTRY(vMenuFishSensitivity),
    SONARMENU_ENTRY(vMenuFishId), SONARMENU_ENTRY(vMenuBottomView), SONARMENU_ENTRY(vMenuSurfaceClutter),
    SONARMENU_ENTRY(vMenuRTSWindow), SONARMENU_ENTRY(vMenuDepthOffset), SONARMENU_ENTRY(vMenu200kHzFrequency),
    SONARMENU_ENTRY(vMenuLFFrequency), SONARMENU_ENTRY(vMenuZoomWidthWindow), SONARMENU_ENTRY(vMenu2DSonarColors),
    SONARMENU_ENTRY(vMenuColorIntensityBar), SONARMENU_ENTRY(vMenuBottomLockZoom),
    SONARMENU_ENTRY(vMenuLowerRange3280ft), SONARMENU_ENTRY(vMenuLowerRange1500ft),
    SONARMENU_ENTRY(vMenuLowerRange1000ft), SONARMENU_ENTRY(vMenuLowerRange240ft),
    SONARMENU_ENTRY(vMenuUpperRange3280ft), SONARMENU_ENTRY(vMenuUpperRange1500ft),
    SONARMENU_ENTRY(vMenuUpperRange240ft), SONARMENU_ENTRY(vMenuBeam83kHzSelect),
    SONARMENU_ENTRY(vMenuBeam50kHzSelect), SONARMENU_ENTRY(vMenuBeam200kHzSelect),
    SONARMENU_ENTRY(vMenu83kHzSensitivity), SONARMENU_ENTRY(vMenu50kHzSensitivity),
    SONARMENU_ENTRY(vMenu455kHzSensitivity), SONARMENU_ENTRY(vMenuNoiseFilter), SONARMENU_ENTRY(vMenuNoiseFilterUS2),
    SONARMENU_ENTRY(vMenuQuadLayout), SONARMENU_ENTRY(vMenuSideView), SONARMENU_ENTRY(vMenuSideScanRange),
    SONARMENU_ENTRY(vMenuSideScanGrayscaleAdjustAllSideViews), SONARMENU_ENTRY(vMenuSideScanSettingsNormal),
    SONARMENU_ENTRY(vMenuSideScanSettingsCompact), SONARMENU_ENTRY(vMenuSideScanSettingsHiDef),
    SONARMENU_ENTRY(vMenuDISettings), SONARMENU_ENTRY(vMenuSensitivity), SONARMENU_ENTRY(vMenuChartSpeed),
    SONARMENU_ENTRY(vMenuDepthLines), SONARMENU_ENTRY(vMenuWaterType), SONARMENU_ENTRY(vMenuSuperUserExtras),
    SONARMENU_ENTRY(vMenuTemperatureOverlay), SONARMENU_ENTRY(vDigitalDepthSelectMenu),
};
#undef SONARMENU_ENTRY

// The menu function of that name, or pfnOtherwise (compile time).
constexpr ENABLE_FUNCTION* pfnMenuFunction(const char* pcName, ENABLE_FUNCTION* pfnOtherwise) {
  for (const NAMED_ENABLE& e : kMenuFunctions) {
    if (std::string_view(e.pcName) == std::string_view(pcName)) return e.pfn;
  }
  return pfnOtherwise;
}

}  // namespace sonarmenus
