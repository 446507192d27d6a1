// Sonar recording on the card, as the processing task drives it: start,
// append a ping, end; and the playback seek.
#pragma once

#include "common/types.h"

struct PING_DESCRIPTOR;

// Starts a recording; FALSE when none could be started.
BOOLEAN T_MMC_bOpenSonarMMCFiles(void);
// Appends one ping to the running recording.
void T_MMC_vSaveRawDataToMMC(PING_DESCRIPTOR* pPing);
// Ends the recording; with bRemove the recording is deleted.
void T_MMC_vCloseSonarMMCFiles(BOOLEAN bRemove);
// Asks the next playback read to position beams 0 to 3 at the time stamps.
void T_MMC_vSeekPingsInPlaybackFile(const U32* pu32TimeStamps);
