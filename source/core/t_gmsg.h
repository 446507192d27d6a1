// The message-layer tasks and registry: tasks register their mailbox with a
// port and a handler table; the message-layer task owns every socket read
// and write, the socket task watches the sockets and reports where data
// waits, and the client functions (U_GMSG_) run in the calling tasks.
#pragma once

#include "common/g_msg.h"
#include "lsvc/lsvc.h"

struct GMSG_MAP_INFO;
typedef BOOLEAN (*GMSG_HANDLER_FP)(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2);
struct GMSG_MAP_INFO {
  U32 MsgIdType;
  GMSG_HANDLER_FP pfHandler;
  const G_DATA_TYPE* pDataType;
  void* pvParam1;
  void* pvParam2;
};

TESSIX_PACK4_BEGIN
struct MSG_GMSG_REGISTER {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  RESOURCE ResLock;
  SEMA Sema;
  const GMSG_MAP_INFO* pMsgMapInfo;
  U16 u16Port;
  BOOLEAN bSuccess;
  BOOLEAN bUdp;
};
struct MSG_GMSG_UNREGISTER {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  BOOLEAN bSuccess;
};
struct MSG_GMSG_NEW_MESSAGE {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  S32 nSocket;
};
struct MSG_GMSG_NEW_MESSAGE_EXT {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  U8* cpMessageBody;
  U32 u32MessageLength;
  BOOLEAN bIsRaw;
};
struct MSG_GMSG_RECEIVE {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  GMSG_INFO MsgInfo;
};
struct MSG_GMSG_SEND {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  GMSG_INFO MsgInfo;
  BOOLEAN bSuccess;
};
struct MSG_GMSG_DISCONNECT {
  GENERIC_MESSAGE Header;
  MBOX Mailbox;
  GMSG_ADDRESS Address;
};
TESSIX_PACK_END

// The unit's own IPv4 address: TESSIX_UNIT_ADDRESS on the host when set,
// else the address of "eth0", else of "eth0:avahi". FALSE when none.
BOOLEAN GMSG_bUnitAddress(U32* pu32Address);

// Client functions.
BOOLEAN U_GMSG_bRegisterMailbox(MBOX mbox, RESOURCE res, SEMA sema, const GMSG_MAP_INFO* pMap, U16 u16Port);
BOOLEAN U_GMSG_bRegisterMailboxAll(MBOX mbox, RESOURCE res, SEMA sema, const GMSG_MAP_INFO* pMap, U16 u16Port,
                                   BOOLEAN bUdp);
BOOLEAN U_GMSG_bUnregisterMailbox(MBOX mbox);
BOOLEAN U_GMSG_bSend(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId, const G_DATA_TYPE* pDataType,
                     const void* pStruct, U64 u64Token, U64 u64ReplyToken, U32 u32Flags, BOOLEAN bAsync,
                     U32 u32TimeoutMs);
BOOLEAN U_GMSG_bSendMsgNoReply(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                               const G_DATA_TYPE* pDataType, const void* pStruct, U64 u64Token);
BOOLEAN U_GMSG_bRequest(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId, const G_DATA_TYPE* pDataType,
                        const void* pStruct, U64 u64Token);
BOOLEAN U_GMSG_bReply(MBOX mbox, const GMSG_INFO* pReceived, U32 u32MsgId, const G_DATA_TYPE* pDataType,
                      const void* pStruct);
BOOLEAN U_GMSG_bReplyWithStatus(MBOX mbox, const GMSG_INFO* pReceived, U32 u32Status);
// Dispatches a CMD_ID_GMSG_RECEIVE through the registration's handler table,
// frees the message and gives back its hold. Always TRUE.
BOOLEAN U_GMSG_bHandleReceive(MSG_GMSG_RECEIVE* pMsg);
BOOLEAN U_GMSG_bSkipReceive(MSG_GMSG_RECEIVE* pMsg);
BOOLEAN U_GMSG_bGetMailboxAddress(GMSG_ADDRESS* pAddress, MBOX mbox);
BOOLEAN GMSG_bHandleMsg(MBOX mbox, const GMSG_MAP_INFO* pMap, GMSG_INFO* pInfo);
BOOLEAN GMSG_bDefaultMsgHandler(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2);

// Task entries (installed by CORE_vInstall).
void T_GMSG_vTask(void);
void T_GMSG_vSocketTask(void);
