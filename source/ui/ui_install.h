// Installs the functions of menus, keys and readouts that earlier
// subsystems call upward: the keyboard and menu tasks' entries, the key
// registration of the graphics library, the readout and soft-key tasks and
// the readout row's alpha and height that the view task asks for.
#pragma once

void UI_vInstall(void);
