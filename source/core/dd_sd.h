// SD-card slots.
#pragma once

// Sets up the card slots and starts the "sd" thread that watches them. The
// slots are not handled yet: nothing to set up.
void DD_SD_vInit(void);
