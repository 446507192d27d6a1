// SD-card slots: not handled yet.
#include "source/core/dd_sd.h"

void DD_SD_vInit(void) {}
