// Stand-ins for the start-up, NVRAM and card tasks (see task_stubs.cpp).
#pragma once

#include "common/types.h"

void T_STARTUP_vTask(void);
void T_NVRAM_vTask(void);
void T_MMC_vTask(void);

// TRUE when the start-up test found a sonar transducer (key ITXD holds 1).
BOOLEAN T_STARTUP_bIsSonarTransducerDetected(void);
// Records the result of the transducer test (the start-up task; tests).
void T_STARTUP_vSetSonarTransducerDetected(BOOLEAN bDetected);

// Installs these entries into the task table.
void STARTUP_vInstall(void);
