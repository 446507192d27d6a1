// Sets up the sonar history and views: installs the functions the lower
// subsystems call upward into it.
#pragma once

void HISTORY_vInstall(void);
