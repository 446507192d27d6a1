// Placeholders for set-up steps of modules not yet in the program.
#include "source/seams_start.h"

void DD_SD_vInit(void) {}
void U_CHART_CACHE_vInit(void) {}
void gr_SetColorPalette(const COLOR*) {}
void H_PLATFORM_vSetupChartFonts(void) {}
void plt_InstallPatternsAndBitmaps(void) {}
void T_CHART_3D_vInitImageToolkit(void) {}
void LS_sync_vInit(void) {}
