// Reading of the graphics plane, on which the GPU draws the 3D chart view.
#pragma once

#include "source/graphics/dd_lcd.h"

// Reads one screen (960000 bytes) of "/dev/fb0" into the buffer. When the
// plane cannot be opened or read the buffer keeps its contents (a short
// read fills only the front).
void T_CHART_3D_vDumpActiveDisplayBuffer(SCREEN_BUFFER* psbBuffer);
