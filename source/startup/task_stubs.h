// Stand-ins for the start-up, NVRAM and card tasks (see task_stubs.cpp).
#pragma once

void T_STARTUP_vTask(void);
void T_NVRAM_vTask(void);
void T_MMC_vTask(void);
// Stand-in for the unit-link gateway task (t_gateway_standin.cpp).
void T_GATEWAY_vStandIn(void);

// Installs these entries into the task table.
void STARTUP_vInstall(void);
