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

// Local commands keep their natural alignment: GMSG_INFO holds 8-byte
// members that are used in place.
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
// To the segmented UDP sending task (mailbox M_SUDPOUT): ucpMessage is a
// block of the memory partitions and passes to that task, which frees it.
struct MSG_SUDP_OUT_SEND {
  GENERIC_MESSAGE Header;
  U8* ucpMessage;
  U32 u32MessageLength;
  U32 u32Address;  // octets in network order
  U32 u32Port;
  U32 u32Raw;
  U32 u32MultiPacket;
};

// A send through the segmented UDP service instead of a stream connection.
struct GMSG_ALT_TRANSPORT {
  BOOLEAN bRaw;          // send the caller's buffer as it is, without a header
  U32 u32DataLength;     // bytes of that buffer
  U32 u32MultiPacket;    // non-zero: let the service split the message
};

// Registry nodes, seen from outside only through the functions below.
struct GMSG_REG_MAILBOX_NODE;
struct GMSG_SOCKET_NODE;

// The unit's own IPv4 address: TESSIX_UNIT_ADDRESS on the host when set,
// else the address of "eth0", else of "eth0:avahi". FALSE when none.
BOOLEAN GMSG_bUnitAddress(U32* pu32Address);

// Client functions.
BOOLEAN U_GMSG_bRegisterMailbox(MBOX mbox, RESOURCE res, SEMA sema, const GMSG_MAP_INFO* pMap, U16 u16Port);
BOOLEAN U_GMSG_bRegisterMailboxAll(MBOX mbox, RESOURCE res, SEMA sema, const GMSG_MAP_INFO* pMap, U16 u16Port,
                                   BOOLEAN bUdp);
BOOLEAN U_GMSG_bUnregisterMailbox(MBOX mbox);
// The general send. With pAlt the message goes to the segmented UDP service
// (see GMSG_ALT_TRANSPORT; a raw buffer passes to that service on TRUE).
// With bUdp pStruct is a raw payload of u32UdpLength bytes for a datagram
// registration. bAsync: TRUE once posted; otherwise the task's result.
BOOLEAN U_GMSG_bSend(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId, const G_DATA_TYPE* pDataType,
                     const void* pStruct, U64 u64Token, U64 u64ReplyToken, U32 u32Flags,
                     const GMSG_ALT_TRANSPORT* pAlt, BOOLEAN bUdp, U32 u32UdpLength, BOOLEAN bAsync,
                     U32 u32TimeoutMs);
BOOLEAN U_GMSG_bSendMsgNoReply(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                               const G_DATA_TYPE* pDataType, const void* pStruct, U64 u64Token);
// Queued without waiting: TRUE once posted, whatever becomes of the send.
BOOLEAN U_GMSG_bSendMsgNoWait(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                              const G_DATA_TYPE* pDataType, const void* pStruct, U64 u64Token, U32 u32TimeoutMs);
// Waits for the message-layer task and answers whether the send went out.
BOOLEAN U_GMSG_bSendMsgNoWaitAsync(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                                   const G_DATA_TYPE* pDataType, const void* pStruct, U64 u64Token,
                                   U32 u32TimeoutMs);
BOOLEAN U_GMSG_bSendMsgNoReplyAlt(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                                  const G_DATA_TYPE* pDataType, const void* pStruct, U64 u64Token,
                                  const GMSG_ALT_TRANSPORT* pAlt);
// One datagram of u32Length bytes from a datagram registration (id and
// descriptor are not used: the payload goes as it is).
BOOLEAN U_GMSG_bSendUdpMsgNoReply(MBOX mbox, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                                  const G_DATA_TYPE* pDataType, const void* pPayload, U64 u64Token, U32 u32Length);
// Closes the registration's sending connection to the peer; FALSE when the
// mailbox is not registered or has none.
BOOLEAN U_GMSG_bDisconnect(MBOX mbox, const GMSG_ADDRESS* pPeer);
// Wakes the socket task unless the registration still has messages in flight.
BOOLEAN U_GMSG_bSignal(MBOX mbox);
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

// Registry look-ups. "Find" answers a node valid only while the caller holds
// RES_GMSG_MBOX_LIST; "Acquire" also takes a hold (reading or access) that
// keeps the registration alive until the matching release. A registration
// unregistered while held goes away after its last release.
GMSG_REG_MAILBOX_NODE* U_GMSG_pFindMailboxNodeById(MBOX mbox);
GMSG_REG_MAILBOX_NODE* U_GMSG_pAcquireMailboxNodeById(MBOX mbox, BOOLEAN bReading);
GMSG_REG_MAILBOX_NODE* U_GMSG_pFindMailboxNodeByFd(S32 nSocket);  // own socket or one of its connections
GMSG_REG_MAILBOX_NODE* U_GMSG_pAcquireMailboxNodeByFd(S32 nSocket, BOOLEAN bReading);
GMSG_REG_MAILBOX_NODE* U_GMSG_pFindMailboxNodeWithExpiredRequest(void);
GMSG_REG_MAILBOX_NODE* U_GMSG_pAcquireMailboxNodeWithExpiredRequest(BOOLEAN bReading);
BOOLEAN U_GMSG_bAcquireMailboxNode(GMSG_REG_MAILBOX_NODE* pNode, BOOLEAN bReading);
BOOLEAN U_GMSG_bReleaseMailboxNode(GMSG_REG_MAILBOX_NODE* pNode, BOOLEAN bReading);
MBOX U_GMSG_nMailboxNodeMailbox(const GMSG_REG_MAILBOX_NODE* pNode);
S32 U_GMSG_nMailboxNodeSocket(const GMSG_REG_MAILBOX_NODE* pNode);
GMSG_SOCKET_NODE* U_GMSG_pFindSocketNodeByFd(GMSG_REG_MAILBOX_NODE* pNode, S32 nSocket);
GMSG_SOCKET_NODE* U_GMSG_pFindSocketNodeByAddress(GMSG_REG_MAILBOX_NODE* pNode, const GMSG_ADDRESS* pPeer);
S32 U_GMSG_nSocketNodeSocket(const GMSG_SOCKET_NODE* pSocketNode);

// Deleting a registration closes its connections, deletes its pending
// requests, closes its own socket and frees it. TRUE when that was done at
// once: only the message-layer task deletes, and only a registration with no
// holds; otherwise it is marked (no longer found) and the message-layer task
// deletes it on its next period after the last release. FALSE as well for a
// node or mailbox that is not registered.
BOOLEAN U_GMSG_bDeleteMailboxNode(GMSG_REG_MAILBOX_NODE* pNode);
BOOLEAN U_GMSG_bDeleteMailboxNodeById(MBOX mbox);
// Closing a connection unlinks it, tells the registration's task by
// CMD_ID_GMSG_DISCONNECT with the peer's address, closes the socket and frees
// the node. TRUE when closed at once (in the message-layer task); from
// another task the connection is marked, no longer used or watched, the
// message-layer task closes it, and the answer is FALSE. FALSE as well for a
// node that is not (or no longer) one of the registration's connections.
BOOLEAN U_GMSG_bDeleteSocketNode(GMSG_REG_MAILBOX_NODE* pNode, GMSG_SOCKET_NODE* pSocketNode);
// Gives a connection whose peer is not yet known its peer's address (that of
// the first message it carries): later messages to that peer, replies too,
// go back over it. A connection whose peer is the registration's own address
// becomes read-only (the accepted end of a connection to itself). FALSE when
// the address was already set or the node is unknown; the address stays.
BOOLEAN U_GMSG_bUpdateSocketNodeAddress(GMSG_REG_MAILBOX_NODE* pNode, GMSG_SOCKET_NODE* pSocketNode,
                                        const GMSG_ADDRESS* pPeer);

BOOLEAN GMSG_bHandleMsg(MBOX mbox, const GMSG_MAP_INFO* pMap, GMSG_INFO* pInfo);
BOOLEAN GMSG_bDefaultMsgHandler(MBOX mbox, GMSG_INFO* pInfo, void* pvParam1, void* pvParam2);

// Task entries (installed by CORE_vInstall).
void T_GMSG_vTask(void);
void T_GMSG_vSocketTask(void);
