// A thin wrapper over BSD sockets for the network message layer: listening,
// connecting and datagram sockets with fixed options, non-blocking mode, a
// bounded connect, and transfers that report "would block" as 0 bytes.
// Addresses are IPv4 with the octets in network order (first octet at the
// lowest address); ports are plain numbers.
#pragma once

#include "common/types.h"

struct GSOCKET_ADDRESS {
  U32 u32Address;
  U32 u32Port;
  U32 u32Unused1;
  U32 u32Unused2;
};

struct GSOCKET {
  S32 nSocket;
  GSOCKET_ADDRESS Address;
  S32 nBacklog;
  BOOLEAN bListen;
  BOOLEAN bNonBlocking;
};

// Builds an address word from four octets (a.b.c.d).
constexpr U32 GSOCKET_u32Address(U8 a, U8 b, U8 c, U8 d) {
  return (U32)a | ((U32)b << 8) | ((U32)c << 16) | ((U32)d << 24);
}

BOOLEAN GSOCKET_bCreate(GSOCKET* pSocket, U32 u32Address, U16 u16Port, BOOLEAN bListen, S32 nBacklog,
                        BOOLEAN bNonBlocking);
BOOLEAN GSOCKET_bCreateUdp(GSOCKET* pSocket, U32 u32Address, U16 u16Port, BOOLEAN bListen, S32 nBacklog,
                           BOOLEAN bNonBlocking);
// Common creation step. The socket address out is a struct sockaddr_in.
BOOLEAN GSOCKET_bOpenSocket(S32* pnSocket, void* pSockAddrIn, const char* pcHost, U32 u32Address, U16 u16Port,
                            BOOLEAN bSetLinger, BOOLEAN bUdp);
// Connects a created stream socket to its Address, waiting at most 0.25 s.
// With u32LocalAddress non-zero the socket is first bound to that address, so
// that the peer sees the unit's own address as the source.
BOOLEAN GSOCKET_bConnect(GSOCKET* pSocket, U32 u32LocalAddress = 0);
BOOLEAN GSOCKET_bAccept(GSOCKET* pListen, GSOCKET* pSocket, BOOLEAN bNonBlocking);
BOOLEAN GSOCKET_bSetNonBlocking(GSOCKET* pSocket, BOOLEAN bNonBlocking);
BOOLEAN GSOCKET_bSetBroadcastOptions(GSOCKET* pSocket);
BOOLEAN GSOCKET_bClose(GSOCKET* pSocket);
S32 GSOCKET_nSend(GSOCKET* pSocket, const void* pData, S32 nLength);
S32 GSOCKET_nReceive(GSOCKET* pSocket, void* pBuffer, S32 nMaximum);
S32 GSOCKET_nReceiveFrom(GSOCKET* pSocket, void* pBuffer, S32 nMaximum);
S32 GSOCKET_nSendTo(GSOCKET* pSocket, const void* pData, S32 nLength, U32 u32Address, U16 u16Port);
S32 GSOCKET_nDataAvailable(GSOCKET* pSocket, void* pBuffer, S32 nMaximum);
S32 GSOCKET_nDataAvailableUdp(GSOCKET* pSocket, void* pBuffer, S32 nMaximum);
BOOLEAN GSOCKET_bGetLocalAddress(U32* pu32Address, const char* pcInterface);
BOOLEAN GSOCKET_bGetMacAddress(U8* pu8Mac, const char* pcInterface);
// The IPv4 address of the connected peer (octets in network order).
BOOLEAN GSOCKET_bGetPeerAddress(const GSOCKET* pSocket, U32* pu32Address);
// Waits until the descriptor is readable (bWrite FALSE) or writable, at most
// u32TimeoutMs. 1 ready, 0 timed out, -1 error or hang-up only. No limit on
// the descriptor's number (poll, not select).
S32 GSOCKET_nWait(S32 nSocket, BOOLEAN bWrite, U32 u32TimeoutMs);
