// The serial-port task in its least form (see t_uart.h).
#include "source/serial/t_uart.h"

#include <string.h>

#include <atomic>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "source/core/dd_uart.h"
#include "source/core/h_database.h"

namespace {

constexpr U32 UART_SETUP_BAUD = 4800;
constexpr U32 UART_IDLE_MS = 50;  // the longest pause between two looks at the ports

const QUEUE s_aqReceive[UART_PORTS] = {Q_RECEIVE_UART0, Q_RECEIVE_UART1, Q_RECEIVE_UART2, Q_RECEIVE_UART3};
const QUEUE s_aqTransmit[UART_PORTS] = {Q_TRANSMIT_UART0, Q_TRANSMIT_UART1, Q_TRANSMIT_UART2, Q_TRANSMIT_UART3};
const SEMA s_aSemaRx[UART_PORTS] = {SEMA_QUEUE_RX0, SEMA_QUEUE_RX1, SEMA_QUEUE_RX2, SEMA_QUEUE_RX3};
const SEMA s_aSemaTx[UART_PORTS] = {SEMA_QUEUE_TX0, SEMA_QUEUE_TX1, SEMA_QUEUE_TX2, SEMA_QUEUE_TX3};

struct PORT_REGISTRATION {
  bool bMatch = false;  // a match byte is watched
  U8 u8Match = 0;
  SEMA sema = 0;
  bool bOwned = false;  // a task took the port over
  TASK owner = 0;
  bool bFullReported = false;
};

PORT_REGISTRATION s_aPorts[UART_PORTS];

void vRegister(const MSG_CAPTURE_CHANNEL* msg) {
  if (msg->u8Port >= UART_PORTS) {
    log_me("UART: registration for port %u refused", (unsigned)msg->u8Port);
    return;
  }
  PORT_REGISTRATION& p = s_aPorts[msg->u8Port];
  if (msg->s32Sema == UART_TAKE_OVER) {
    p.bOwned = true;
    p.owner = msg->owner;
    (void)L_QUEUE_Purge(s_aqReceive[msg->u8Port]);
    log_me("UART: port %u taken over by task %d", (unsigned)msg->u8Port, (int)msg->owner);
  } else if (msg->s32Sema > 0) {
    p.bMatch = true;
    p.u8Match = msg->u8Match;
    p.sema = (SEMA)msg->s32Sema;
    log_me("UART: port %u signals semaphore %d on byte 0x%02x", (unsigned)msg->u8Port, (int)msg->s32Sema,
           (unsigned)msg->u8Match);
  } else {
    log_me("UART: registration for port %u without semaphore ignored", (unsigned)msg->u8Port);
  }
}

void vReceive(U8 port) {
  PORT_REGISTRATION& p = s_aPorts[port];
  while (DD_UART_bRxCharAvail(port)) {
    const U8 byte = DD_UART_u8Getch(port);
    if (!p.bOwned && !p.bMatch) continue;  // nobody listens to this port
    const U16 element = byte;
    if (L_QUEUE_Put(s_aqReceive[port], &element) != lsSUCCESS) {
      if (!p.bFullReported) log_me("UART: receive queue of port %u full, bytes dropped", (unsigned)port);
      p.bFullReported = true;
    } else {
      p.bFullReported = false;
    }
    if (p.bMatch && byte == p.u8Match) (void)L_SEMA_Signal(p.sema);
  }
}

void vTransmit(U8 port) {
  U8 byte = 0;
  while (L_QUEUE_Get(s_aqTransmit[port], &byte) == lsSUCCESS) DD_UART_vSendByte(port, byte);
}

}  // namespace

BOOLEAN T_UART_bRegisterForChannel(U8 u8Port, U8 u8Match, S32 s32Sema) {
  if (u8Port >= UART_PORTS) return FALSE;
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TURT"), &mbox, &valid) || !valid) {
    log_me("U_UART_bRegisterForChannel: no serial-port task");
    return FALSE;
  }
  auto* msg = static_cast<MSG_CAPTURE_CHANNEL*>(H_MEMORY_pvMalloc(sizeof(MSG_CAPTURE_CHANNEL)));
  if (msg == nullptr) return FALSE;
  memset(msg, 0, sizeof *msg);
  msg->header.Cmd = CMD_ID_CAPTURE_CHANNEL;
  msg->u8Port = u8Port;
  msg->u8Match = u8Match;
  msg->s32Sema = s32Sema;
  msg->owner = L_TASK_GetMyID();
  if (L_MBOX_Send((MBOX)mbox, msg, 3, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}

void T_UART_vTask(void) {
  (void)L_MBOX_DefineSema(M_COM1A, SEMA_MBOX_COM1A);
  for (U8 port = 0; port < UART_PORTS; ++port) {
    (void)L_QUEUE_DefineSema(s_aqReceive[port], s_aSemaRx[port], QNE);
    (void)L_QUEUE_DefineSema(s_aqTransmit[port], s_aSemaTx[port], QNE);
    (void)H_UART_u32Setup(port, UART_SETUP_BAUD, FALSE);
    H_UART_vSetMode(port, UART_FULL_DUPLEX);
  }
  if (H_DATABASE_bUpdateEverythingU32(FCID("TURT"), M_COM1A, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT)) {
    FATAL_ERROR("Somebody else registered the UART Task Maibox");
  }
  static const SEMA s_waitList[] = {SEMA_MBOX_COM1A,        SEMA_RECEIVE_RDY_UART0, SEMA_RECEIVE_RDY_UART1,
                                    SEMA_RECEIVE_RDY_UART2, SEMA_RECEIVE_RDY_UART3, SEMA_QUEUE_TX0,
                                    SEMA_QUEUE_TX1,         SEMA_QUEUE_TX2,         SEMA_QUEUE_TX3,
                                    0};
  for (;;) {
    (void)L_SEMA_WaitMultipleTicks(s_waitList, UART_IDLE_MS);
    while (void* pMsg = L_MBOX_Receive(M_COM1A)) {
      auto* generic = static_cast<GENERIC_MESSAGE*>(pMsg);
      if (generic->Cmd == CMD_ID_CAPTURE_CHANNEL) vRegister(static_cast<MSG_CAPTURE_CHANNEL*>(pMsg));
      H_MEMORY_vDumpMail(pMsg);
    }
    for (U8 port = 0; port < UART_PORTS; ++port) {
      vReceive(port);
      vTransmit(port);
    }
  }
}
