// Serial-port driver and its service layer. Four ports, each opened as a raw
// 8N1 terminal; one "uart" reader thread per open port fills a 256-byte
// receive ring and signals the port's receive semaphore. The serial-port
// task is the one consumer: it waits on the semaphores, drains the rings and
// sends single bytes.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"

constexpr int DD_UART_PORTS = 4;
constexpr U32 DD_UART_RING = 256;  // holds at most 255 bytes

// The board's devices of the four ports (port 1 is receive-only).
extern const char* const DD_UART_apcDevice[DD_UART_PORTS];
// The receive semaphore of each port.
extern const SEMA DD_UART_aSemaReceive[DD_UART_PORTS];

// Baud rates the ports can be set to, smallest first.
constexpr U32 DD_UART_au32Baud[] = {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr U32 DD_UART_MIN_BAUD = DD_UART_au32Baud[0];

enum UART_MODE : S32 {
  UART_OFF = 1,
  UART_HALF_DUPLEX_RECEIVE = 2,
  UART_HALF_DUPLEX_TRANSMIT = 3,
  UART_FULL_DUPLEX = 4,
};

// ------------------------------------------------------------ driver
// A port number above 3 changes nothing; a query on it answers as for a
// closed port with an empty ring.

// Opens the port (once) as a raw 8N1 terminal and starts its reader thread
// when none runs. An open port is reconfigured in place.
void DD_UART_vInit(U8 u8Port);
// Sets the speed when the rate is one of DD_UART_au32Baud; any other rate
// leaves the speed as it is.
void DD_UART_vChangeBaudRate(U8 u8Port, U32 u32Baud);
// Transmitter on or off (bytes sent while off are dropped) and receiver on
// or off (bytes received while off are dropped).
void DD_UART_vTxRxEnable(U8 u8Port, BOOLEAN bTxEnable, BOOLEAN bRxEnable);
// Sends one byte when the transmitter is on and the port open.
void DD_UART_vSendByte(U8 u8Port, U8 u8Byte);
// The next received byte, 0xFF when none waits (check DD_UART_bRxCharAvail).
U8 DD_UART_u8Getch(U8 u8Port);
BOOLEAN DD_UART_bRxCharAvail(U8 u8Port);
// Bytes waiting in the ring (0-255).
U32 DD_UART_u32RxCount(U8 u8Port);
// Bytes still waiting in the device's output queue (0 for a closed port).
U32 DD_UART_u32FetchTxCount(U8 u8Port);
BOOLEAN DD_UART_bTxComplete(U8 u8Port);
BOOLEAN DD_UART_bIsTxShifterEmpty(U8 u8Port);
// Closes the port: stops and joins its reader, empties its ring and closes
// the device, so that a new set-up starts with one reader and no old bytes.
void DD_UART_vKill(U8 u8Port);
BOOLEAN DD_UART_bIsOpen(U8 u8Port);
// No receive status on this platform.
U8 DD_UART_u8GetRxStatus(U8 u8Port);
U32 DD_UART_u32ReadReceiveError(U8 u8Port);
BOOLEAN DD_UART_bTxBufferEmpty(U8 u8Port);
BOOLEAN DD_UART_bIsRxIntEnabled(U8 u8Port);
// Readers running now (0-4).
int DD_UART_nReaders(void);
// Makes the ports' stand-ins and publishes their names in the installation
// directory (this machine's pseudo-terminals); nothing on the board.
void DD_UART_vPublish(void);

// ------------------------------------------------------------ service layer
// Character time of a rate in microseconds (ten bits a character); 0 for a
// rate of 0 and for a rate below DD_UART_MIN_BAUD.
U32 H_UART_u32CharTime(U32 u32Baud);
// Opens and configures the port, sets the rate (unless 0), starts it
// receiving with its transmitter off and returns the character time. A rate
// below DD_UART_MIN_BAUD is refused with a trace line: the port is set up
// with its speed unchanged and 0 is returned.
U32 H_UART_u32Setup(U8 u8Port, U32 u32Baud, BOOLEAN bHalfDuplex);
// Sets the rate and returns the character time; 0 and a refused rate change
// nothing and return 0.
U32 H_UART_u32SetBaudRate(U8 u8Port, U32 u32Baud);
void H_UART_vSetMode(U8 u8Port, UART_MODE mode);
void H_UART_vShutdown(U8 u8Port);
U16 H_UART_u16FetchRx(U8 u8Port);
void H_UART_vPutChar(U8 u8Port, U8 u8Byte);
