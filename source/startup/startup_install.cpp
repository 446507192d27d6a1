// Start-up, storage and alarms: installs the subsystem's task entries.
#include "source/startup/startup_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/startup/h_battery.h"
#include "source/startup/t_alarm.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/startup/t_inlinetest.h"
#include "source/startup/t_mmc.h"
#include "source/startup/t_mmc_record.h"
#include "source/startup/t_mmc_thumbs.h"
#include "source/startup/startup_upcalls.h"
#include "source/startup/t_nvram.h"
#include "source/startup/t_startup.h"
#include "source/startup/t_startup_quickconfig.h"
#include "source/ui/ui_upcalls.h"

void STARTUP_vInstall(void) {
  T_STARTUP_vMain_Install(&T_STARTUP_vTask);
  T_STARTUP_vRemoveQuickConfigMenu_Install(&T_STARTUP_vQuickConfigDone);
  T_NVRAM_vMain_Install(&T_NVRAM_vTask);
  T_MMC_vMain_Install(&T_MMC_vTask);
  T_ALARM_vMain_Install(&T_ALARM_vTask);
  T_BATTERY_vMain_Install(&T_BATTERY_vTask);
  T_GATEWAY_vMain_Install(&T_GATEWAY_vStandIn);
  T_INLINETEST_vMain_Install(&T_INLINETEST_vTask);
  T_ALARM_vCheckTimer_Install(&T_ALARM_vCheckTimerNow);
  // The review view's browsing of the card task's thumbnail list.
  VIEW_SEAM_vRegisterSnapshotMenu_Install(&T_STARTUP_vRegisterSnapshotMenu);
  T_MMC_u32ThumbNailsInList_Install(&MMC_THUMBS_u32InList);
  T_MMC_eFindFirstThumbNail_Install(&MMC_THUMBS_eFindFirst);
  T_MMC_eFindLastThumbNail_Install(&MMC_THUMBS_eFindLast);
  T_MMC_eFindNextThumbNail_Install(&MMC_THUMBS_eFindNext);
  T_MMC_eFindPreviousThumbNail_Install(&MMC_THUMBS_eFindPrevious);
  T_MMC_eFindFirstThumbNailImage_Install(&MMC_THUMBS_eFindFirstImage);
  T_MMC_eFindLastThumbNailImage_Install(&MMC_THUMBS_eFindLastImage);
  T_MMC_eFindNextThumbNailImage_Install(&MMC_THUMBS_eFindNextImage);
  T_MMC_eFindPreviousThumbNailImage_Install(&MMC_THUMBS_eFindPreviousImage);
  T_MMC_eFindLatestThumbnail_Install(&MMC_THUMBS_eFindLatest);
  T_MMC_bOpenPlaybackFile_Install(&MMC_RECORD_bOpenPlaybackFile);
  VIEW_SEAM_vHandleMark_Install(&T_NAV_vHandleMark);
}
