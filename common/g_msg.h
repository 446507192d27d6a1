// The network message layer's messages: the 72-byte wire header, addresses,
// message identifiers, composition with a typed body, stream and datagram
// transfer, and the list of pending requests.
//
// The wire header is written field by field in the unit's byte order
// (little-endian) and is the first 72 bytes of a message block; the decoded
// header lives in GMSG_INFO::Header.
#pragma once

#include "common/g_datatype.h"
#include "common/g_socket.h"
#include "lsvc/lsvc.h"

constexpr U32 GMSG_SIGNATURE = 0x47534D47u;  // "GMSG"
constexpr U32 GMSG_HEADER_SIZE = 72;
constexpr U32 GMSG_FLAG_REQUEST = 1;
constexpr U32 GMSG_FLAG_REPLY = 2;
constexpr U64 GMSG_NO_TOKEN = ~0ull;
// Message blocks: 4096 bytes, grown fourfold up to 262,144 bytes.
constexpr U32 GMSG_FIRST_BLOCK = 4096;
constexpr U32 GMSG_LARGEST_BLOCK = 262144;
constexpr U32 GMSG_MAX_BODY = GMSG_LARGEST_BLOCK - GMSG_HEADER_SIZE;
constexpr U32 GMSG_UDP_BLOCK = 4096;
constexpr U32 GMSG_MAX_UDP_PAYLOAD = GMSG_UDP_BLOCK - GMSG_HEADER_SIZE;
constexpr U32 GMSG_CHUNK = 32768;
constexpr U32 GMSG_DEFAULT_TIMEOUT_MS = 5000;
// Every received message must be complete this long after its first byte.
constexpr U32 GMSG_RECEIVE_DEADLINE_MS = 5000;
constexpr S32 GMSG_REQUEST_PERIODS = 12;  // of 250 ms

constexpr U32 GMSG_STATUS_NOT_HANDLED = 2;
constexpr U32 GMSG_STATUS_TIMED_OUT = 3;

enum GMSG_ADDRESS_TYPE : U32 { GMSG_ADDRESS_SOCKET = 0, GMSG_ADDRESS_QUEUE = 1 };

struct QUEUE_ADDRESS {
  char acName[16];
};

struct GMSG_ADDRESS {
  U32 MsgAddressType;
  union {
    GSOCKET_ADDRESS Socket;
    QUEUE_ADDRESS Queue;
  } uAddr;
};

struct GMSG_HEADER {
  U32 u32MsgSignature;
  U32 u32MsgId;
  U32 u32MsgFlags;
  U32 u32MsgSize;
  GMSG_ADDRESS SrcAddress;
  GMSG_ADDRESS DstAddress;
  U64 u64Token;
  U64 __u64ReplyToken;
};

// Message classes (class number in bits 16-31 of an id).
constexpr U32 GMSG_CLASS_COUNT = 29;
constexpr U32 GMSG_u32Id(U32 cls, U32 number) { return (cls << 16) | number; }
constexpr U32 GMSG_ID_DEFAULT_UNKNOWN = 0;
constexpr U32 GMSG_ID_STATUS = GMSG_u32Id(0, 1);
constexpr U32 GMSG_ID_TEST = GMSG_u32Id(0, 2);
constexpr U32 GMSG_ID_TIMER = GMSG_u32Id(0, 3);
constexpr U32 GMSG_ID_TIMER2 = GMSG_u32Id(0, 4);
constexpr U32 GMSG_ID_NOTIFY = GMSG_u32Id(0, 5);
constexpr U32 GMSG_ID_RADAR_RECEIVE_DATA = GMSG_u32Id(15, 1);
constexpr U32 GMSG_ID_TEST_UNKNOWN = GMSG_u32Id(21, 0);
constexpr U32 GMSG_ID_TEST_01 = GMSG_u32Id(21, 1);
constexpr U32 GMSG_ID_TEST_PING = GMSG_u32Id(21, 12);
constexpr U32 GMSG_ID_TEST_PONG = GMSG_u32Id(21, 13);
// Class names for trace lines and service names; "Unknown" past the table.
const char* GMSG_pcClassName(U32 u32Class);

struct GMSG_STATUS {
  U32 u32MsgStatus;
  U32 u32MsgId;
  U64 u64Token;
};

struct GMSG_INFO {
  GMSG_HEADER Header;              // decoded header
  U8* pu8Block;                    // the message block: wire header, then body (owned)
  U32 u32BlockSize;
  const G_DATA_TYPE* pDataType;
  U8* pRawMsg;                     // the serialised body inside the block, or none
  void* pStructMsg;                // sender's structure / decoded body (owned when received) / raw payload
  const G_DATA_TYPE* pRequestDataType;
  void* pRequestMsg;               // decoded copy of the request's body (owned)
  BOOLEAN bReceived;
  BOOLEAN bReply;
  BOOLEAN bDecodeFailed;           // the body did not decode with the handler's descriptor
  U32 u32UdpLength;
  U32 u32TimeoutInMs;
};

struct GMSG_REQUEST_NODE {
  U32 u32MsgId;
  S32 s32RequestTimeout;
  U64 u64Token;
  U64 __u64ReplyToken;
  const G_DATA_TYPE* pDataType;
  void* pData;
  GMSG_REQUEST_NODE* pNext;
};

struct GMSG_REQUEST_INFO {
  RESOURCE RequestMutex;
  GMSG_REQUEST_NODE* pHead;
};

// ---------------------------------------------------------------- header and addresses
void GMSG_vEncodeHeader(const GMSG_HEADER* pHeader, U8* pu8Out /* 72 bytes */);
void GMSG_vDecodeHeader(const U8* pu8In /* 72 bytes */, GMSG_HEADER* pHeader);
// Checks a header read from the network: signature, and a size the unit can
// hold. Writes the trace line and answers FALSE when it must be refused.
BOOLEAN GMSG_bCheckHeader(const GMSG_HEADER* pHeader, const char* pcWho);
BOOLEAN GMSG_bAddressEqual(const GMSG_ADDRESS* pA, const GMSG_ADDRESS* pB);
void GMSG_vMakeSocketAddress(GMSG_ADDRESS* pAddress, U32 u32Address, U32 u32Port);

// ---------------------------------------------------------------- composing
BOOLEAN GMSG_bCompose(GMSG_INFO* pInfo, const GMSG_ADDRESS* pSource, const GMSG_ADDRESS* pDestination, U32 u32MsgId,
                      const G_DATA_TYPE* pDataType, const void* pStruct, U64 u64Token, U64 u64ReplyToken,
                      U32 u32Flags, BOOLEAN bUdp, U32 u32UdpLength);
BOOLEAN GMSG_bParse(GMSG_INFO* pInfo, const G_DATA_TYPE* pDataType);
BOOLEAN GMSG_bFree(GMSG_INFO* pInfo);
U64 GMSG_u64LastToken(void);

// ---------------------------------------------------------------- transfer
// Writes header and body; the whole message must leave within the time-out
// (u32TimeoutInMs, 0 for 5 s).
BOOLEAN GMSG_bSendSocket(GMSG_INFO* pInfo, GSOCKET* pSocket, BOOLEAN bFreeMsgInfo);
BOOLEAN GMSG_bSendSocketUDP(GSOCKET* pSocket, const void* pPayload, U32 u32Length, const GMSG_ADDRESS* pDestination);
// Reads one whole message, waiting at most 5 s from its first byte.
BOOLEAN GMSG_bReceiveSocket(GSOCKET* pSocket, GMSG_INFO* pInfo);
BOOLEAN GMSG_bReceiveUDPSocket(GSOCKET* pSocket, GMSG_INFO* pInfo);
// Adopts a whole message block of u32Length bytes (taken over in every case).
BOOLEAN GMSG_bReceiveSocketAdapter(U8* pu8Block, U32 u32Length, GMSG_INFO* pInfo);
BOOLEAN GMSG_bMsgAvailable(GSOCKET* pSocket, GMSG_HEADER* pHeader);
BOOLEAN GMSG_bMsgAvailableUdp(GSOCKET* pSocket, U8* pu8Byte);

// Receiving without waiting: a connection's partial message between reads.
struct GMSG_RECEIVER {
  U8 au8Header[GMSG_HEADER_SIZE];
  U32 u32Have;       // bytes of the current message read so far
  U8* pu8Block;      // once the header is in: 72 + size bytes
  U32 u32Total;
  U64 u64DeadlineNs; // monotonic; 0 while idle
};
enum GMSG_RX_RESULT : S32 { GMSG_RX_FAILED = -1, GMSG_RX_CLOSED = 0, GMSG_RX_PARTIAL = 1, GMSG_RX_COMPLETE = 2 };
// Parses bytes handed in (the fuzzable core): consumes up to nLength bytes,
// sets *pnUsed. COMPLETE fills pInfo and readies the receiver for the next
// message.
GMSG_RX_RESULT GMSG_eReceiverFeed(GMSG_RECEIVER* pRx, const U8* pu8Data, S32 nLength, S32* pnUsed, GMSG_INFO* pInfo,
                                  U64 u64NowNs);
// Reads what waits on the socket (never blocks) and feeds it.
GMSG_RX_RESULT GMSG_eReceiveStep(GSOCKET* pSocket, GMSG_RECEIVER* pRx, GMSG_INFO* pInfo);
BOOLEAN GMSG_bReceiverExpired(const GMSG_RECEIVER* pRx, U64 u64NowNs);
BOOLEAN GMSG_bReceiverIdle(const GMSG_RECEIVER* pRx);
void GMSG_vReceiverReset(GMSG_RECEIVER* pRx);

// ---------------------------------------------------------------- pending requests
BOOLEAN GMSG_bHandleRequests(GMSG_REQUEST_INFO* pList, GMSG_INFO* pInfo);
BOOLEAN GMSG_bHandleReplies(GMSG_REQUEST_INFO* pList, GMSG_INFO* pInfo);
BOOLEAN GMSG_bDeleteRequest(GMSG_REQUEST_INFO* pList, GMSG_REQUEST_NODE* pNode);
BOOLEAN GMSG_bDeleteRequestByToken(GMSG_REQUEST_INFO* pList, U64 u64ReplyToken);
GMSG_REQUEST_NODE* GMSG_pFindRequest(GMSG_REQUEST_INFO* pList, U64 u64ReplyToken);
GMSG_REQUEST_NODE* GMSG_pFindExpiredRequest(GMSG_REQUEST_INFO* pList);
void GMSG_vAgeRequests(GMSG_REQUEST_INFO* pList);
void GMSG_vDeleteAllRequests(GMSG_REQUEST_INFO* pList);
