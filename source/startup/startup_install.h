// Installation of subsystem 4's tasks.
#pragma once

// Installs these entries into the task table.
void STARTUP_vInstall(void);
