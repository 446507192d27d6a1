// Server monitors: time-outs of servers that should keep sending. A task
// allocates a monitor, gives it the server's address and its own mailbox,
// and reports each message received; the service-location client checks
// the monitors periodically and a monitor whose server kept quiet longer
// than its interval sends CMD_ID_SERVER_MONITOR_TIMEOUT to the mailbox.
#pragma once

#include "common/g_msg.h"
#include "lsvc/lsvc.h"

constexpr U32 SERVER_MONITOR_INVALID = 0xFFFFFFFFu;
constexpr U32 SERVER_MONITOR_SLOTS = 20;
constexpr U32 SERVER_MONITOR_DEFAULT_TIMEOUT_MS = 60000;
constexpr PRIORITY SERVER_MONITOR_MESSAGE_PRIORITY = 3;

TESSIX_PACK4_BEGIN
struct MSG_SERVER_MONITOR_TIMEOUT {
  GENERIC_MESSAGE Header;  // CMD_ID_SERVER_MONITOR_TIMEOUT
  U32 u32Mailbox;
  GMSG_ADDRESS ServerAddress;
};
TESSIX_PACK_END

// A handle, or SERVER_MONITOR_INVALID when every monitor is taken.
U32 U_SERVER_MONITOR_u32Allocate(void);
void U_SERVER_MONITOR_vSetServerAddress(U32 u32Handle, const GMSG_ADDRESS* pAddress);
void U_SERVER_MONITOR_vSetMailbox(U32 u32Handle, MBOX mbox);
void U_SERVER_MONITOR_vSetTimeoutInterval(U32 u32Handle, U32 u32Milliseconds);
// The text is kept by pointer (a constant of the caller).
void U_SERVER_MONITOR_vSetUserName(U32 u32Handle, const char* pcName);
void U_SERVER_MONITOR_vSetActive(U32 u32Handle, BOOLEAN bActive);
void U_SERVER_MONITOR_vReceivedMessage(U32 u32Handle);
void U_SERVER_MONITOR_vCheckForTimeouts(void);
