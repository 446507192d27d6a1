// Set-up steps of the start sequence whose modules are not part of the
// program yet. Each keeps the name its module will define; until then it
// does nothing, and the module that arrives replaces its placeholder here.
#pragma once

#include "common/types.h"
#include "source/g_bitmap.h"

// SD-card slots: sets up the slots and starts the "sd" thread.
void DD_SD_vInit(void);
// Chart block cache: puts every block into the free pool.
void U_CHART_CACHE_vInit(void);
// Chart engine: colour palette, its three bitmap fonts, patterns and icons.
void gr_SetColorPalette(const COLOR* palette);
void H_PLATFORM_vSetupChartFonts(void);
void plt_InstallPatternsAndBitmaps(void);
// Image toolkit of the 3D chart: load buffer and tile caches.
void T_CHART_3D_vInitImageToolkit(void);
// The "sync" thread that flushes the file systems.
void LS_sync_vInit(void);
