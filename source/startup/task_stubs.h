// Stand-ins for the start-up and NVRAM tasks (see task_stubs.cpp).
#pragma once

void T_STARTUP_vTask(void);
void T_NVRAM_vTask(void);

// Installs these entries into the task table.
void STARTUP_vInstall(void);
