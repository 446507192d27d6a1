// Stand-ins for the start-up, NVRAM and card tasks (see task_stubs.cpp).
#pragma once

void T_STARTUP_vTask(void);
void T_NVRAM_vTask(void);
void T_MMC_vTask(void);
// The card task stand-in's list calls of the review view.
void T_MMC_vInstallHost(void);

// Installs these entries into the task table.
void STARTUP_vInstall(void);
