// Installs the functions of menus, keys and readouts that earlier
// subsystems call upward: the keyboard and menu tasks' entries, the key
// registration of the graphics library, and the placeholder entries of the
// readout-info and soft-key tasks.
#pragma once

void UI_vInstall(void);
