// Serial NMEA, GPS, AIS and serial services: installs the subsystem's task
// entries and the calls the subsystems below make into it.
#pragma once

void SERIAL_vInstall(void);
