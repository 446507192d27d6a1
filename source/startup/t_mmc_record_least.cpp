// Sonar recording until it is built: a recording never starts, so no ping is
// appended and there is nothing to end or seek.
#include "lsvc/lsvc.h"
#include "source/startup/t_mmc_record.h"

BOOLEAN T_MMC_bOpenSonarMMCFiles(void) {
  log_me("mmc: sonar recording is not available");
  return FALSE;
}

void T_MMC_vSaveRawDataToMMC(PING_DESCRIPTOR* pPing) { (void)pPing; }

void T_MMC_vCloseSonarMMCFiles(BOOLEAN bRemove) { (void)bRemove; }

void T_MMC_vSeekPingsInPlaybackFile(const U32* pu32TimeStamps) { (void)pu32TimeStamps; }
