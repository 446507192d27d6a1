// The history task (installed as T_N_HISTORY_vMain) and the services it
// offers the sonar views.
#pragma once

#include "common/types.h"

void T_N_HISTORY_vTask(void);
// Enables the views and menus of the selected transducers and redraws.
void T_N_HISTORY_vUpdateAllViews(void);
void T_N_HISTORY_vTriggerAllTotalScreenUpdate(void);
