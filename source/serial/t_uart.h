// The serial-port task in its least form: it moves bytes between the four
// ports and their queues (Q_RECEIVE_UARTn, two bytes an element with the
// character in the low byte; Q_TRANSMIT_UARTn, one byte an element) and
// keeps the registrations other tasks make for a port: a semaphore to be
// signalled when a match byte arrives, or the take-over of the port by a
// task that then reads and writes its queues itself. Bytes of a port that
// nobody registered for are dropped.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"

constexpr U8 UART_PORTS = 4;
// The semaphore of a take-over registration.
constexpr S32 UART_TAKE_OVER = -1;

struct MSG_CAPTURE_CHANNEL {
  GENERIC_MESSAGE header;  // CMD_ID_CAPTURE_CHANNEL
  U8 u8Port;
  U8 u8Match;
  S32 s32Sema;  // signalled on the match byte; UART_TAKE_OVER: the sender owns the port
  TASK owner;
};

// Sends a registration to the serial-port task (key TURT). FALSE when the
// port is above 3 or TURT is missing.
// Installed as U_UART_bRegisterForChannel of the subsystems below.
BOOLEAN T_UART_bRegisterForChannel(U8 u8Port, U8 u8Match, S32 s32Sema);

void T_UART_vTask(void);
