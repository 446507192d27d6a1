// Defaults of the platform core's upward calls, and its installation.
#include "source/core/core_upcalls.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/core/start.h"
#include "source/core/t_gmsg.h"
#include "source/core/t_sound.h"

L_UPCALL_DEFINE(void, H_PLATFORM_vSetupGraphics, (void), ()) {}
L_UPCALL_DEFINE(void, U_CHART_CACHE_vInit, (void), ()) {}
L_UPCALL_DEFINE(void, H_PLATFORM_vSetupChartPalette, (void), ()) {}
L_UPCALL_DEFINE(void, H_PLATFORM_vSetupChartFonts, (void), ()) {}
L_UPCALL_DEFINE(void, plt_InstallPatternsAndBitmaps, (void), ()) {}
L_UPCALL_DEFINE(void, T_CHART_LAYER_vSetupDatabaseItems, (void), ()) {}
L_UPCALL_DEFINE(void, T_CHART_3D_vInitImageToolkit, (void), ()) {}
L_UPCALL_DEFINE(void, T_SOUND_vRegisterMenus, (BOOLEAN bToneMode), (bToneMode)) { (void)bToneMode; }

void CORE_vInstall(void) {
  Main_Install(&START_vMain);
  T_SOUND_vMain_Install(&T_SOUND_vTask);
  T_GMSG_vMain_Install(&T_GMSG_vTask);
  T_GMSG_vSocketMain_Install(&T_GMSG_vSocketTask);
}
