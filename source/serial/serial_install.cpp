#include "source/serial/serial_install.h"

#include "lsvc/lsvc_upcalls.h"
#include "source/serial/t_uart.h"
#include "source/startup/startup_upcalls.h"

void SERIAL_vInstall(void) {
  T_UART_vMain_Install(&T_UART_vTask);
  U_UART_bRegisterForChannel_Install(&T_UART_bRegisterForChannel);
}
