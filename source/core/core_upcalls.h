// Upward calls of the platform core: the set-up steps of the start sequence
// that later subsystems supply (drawing, chart engine, chart cache, image
// toolkit). Each has a default with the least behaviour its callers need;
// the later subsystem installs its own function when it is set up
// (lsvc/l_upcall.h). The entries of the task table and Main are the kernel
// services' upward calls (lsvc/lsvc_upcalls.h).
#pragma once

#include "common/g_types.h"
#include "lsvc/l_upcall.h"

// Step 1 of the platform set-up: the icon palette (the system colour table
// from entry 80) and the drawing library's text. Default: nothing to set up.
L_UPCALL_DECLARE(void, H_PLATFORM_vSetupGraphics, (void))
// Chart block cache: puts every block into the free pool. Default: no cache.
L_UPCALL_DECLARE(void, U_CHART_CACHE_vInit, (void))
// Chart engine: colour palette (the system colour table from entry 148),
// its three bitmap fonts, its patterns and icons. Default: no chart engine.
L_UPCALL_DECLARE(void, H_PLATFORM_vSetupChartPalette, (void))
L_UPCALL_DECLARE(void, H_PLATFORM_vSetupChartFonts, (void))
L_UPCALL_DECLARE(void, plt_InstallPatternsAndBitmaps, (void))
// Image toolkit of the 3D chart: load buffer and tile caches. Default: none.
L_UPCALL_DECLARE(void, T_CHART_3D_vInitImageToolkit, (void))

// The sound task's menu items: the "Sound Volume" slider (key SVOL) on the
// Setup tab, the "Alarm Volume" slider (SVOA) on the Alarms tab and, for a
// super user, the "Tone Mode" selector (STMD) on the Setup tab. Default:
// no menu; the settings still work.
L_UPCALL_DECLARE(void, T_SOUND_vRegisterMenus, (BOOLEAN bToneMode))

// The chart layers set up their keys again after a chart setting profile
// was switched. Default: nothing (no chart layers).
L_UPCALL_DECLARE(void, T_CHART_LAYER_vSetupDatabaseItems, (void))

// Installs the platform core's own functions: the start sequence (Main) and
// the entries of its tasks.
void CORE_vInstall(void);
