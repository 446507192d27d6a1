// Installation of subsystem 4's tasks.
#pragma once

// Stand-in for the unit-link gateway task (t_gateway_standin.cpp).
void T_GATEWAY_vStandIn(void);

// Installs these entries into the task table.
void STARTUP_vInstall(void);
