// Installation of subsystem 4's tasks, and the stand-in for the card task
// (see task_stubs.cpp).
#pragma once

void T_MMC_vTask(void);

// Installs these entries into the task table.
void STARTUP_vInstall(void);
