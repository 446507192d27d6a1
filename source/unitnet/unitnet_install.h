#pragma once
// Installs the unit network's tasks and the calls the sonar makes into it.
void UNITNET_vInstall(void);
