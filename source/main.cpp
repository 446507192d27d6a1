// The program's entry point. Each subsystem installs the functions that the
// subsystems below it call upward, from the bottom up; then the kernel
// services read the options and run the start sequence.
#include "lsvc/lsvc.h"
#include "source/core/core_upcalls.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/history/history_install.h"
#include "source/serial/serial_install.h"
#include "source/sonar/sonar_install.h"
#include "source/startup/startup_install.h"
#include "source/ui/ui_install.h"
#include "source/unitnet/unitnet_install.h"

int main(int argc, char** argv) {
  CORE_vInstall();
  GRAPHICS_vInstall();
  UI_vInstall();
  STARTUP_vInstall();
  SONAR_vInstall();
  HISTORY_vInstall();
  SERIAL_vInstall();
  UNITNET_vInstall();
  return LS_main(argc, argv);
}
