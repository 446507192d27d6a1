// Installation of the sonar acquisition: its tasks' entries and the calls
// the subsystems below make into it.
#pragma once

void SONAR_vInstall(void);
