// The segmented UDP datagram format and its reassembly, apart from sockets
// and tasks: a message is cut into parts of 1024 bytes, each sent as one
// 1040-byte datagram behind a 16-byte header of four little-endian words
// (message sequence number, part number, part count, total size).
#pragma once

#include "common/types.h"

constexpr U32 SUDP_PAYLOAD_BYTES = 1024;
constexpr U32 SUDP_HEADER_BYTES = 16;
constexpr U32 SUDP_DATAGRAM_BYTES = SUDP_HEADER_BYTES + SUDP_PAYLOAD_BYTES;
// The largest message a receiver puts together (parts of the largest block
// the memory pools hand out).
constexpr U32 SUDP_MAX_PARTS = 937;

constexpr U32 U_SUDP_u32PartCount(U32 u32Length) { return (u32Length + SUDP_PAYLOAD_BYTES - 1) / SUDP_PAYLOAD_BYTES; }

// Writes datagram u32Part of a message of u32Length bytes into pu8Out
// (SUDP_DATAGRAM_BYTES); the bytes after the end of the message are zero.
void U_SUDP_vMakeDatagram(const U8* pu8Message, U32 u32Length, U32 u32Sequence, U32 u32Part, U8* pu8Out);

enum SUDP_RECEIVE_STATE_TYPE : U32 {
  SUDP_RECEIVE_WAIT_START = 0,
  SUDP_RECEIVE_READ_MESSAGE = 1,
};

// One slot's reassembly. The buffer is taken with H_MEMORY_pvMalloc.
struct SUDP_REASSEMBLY {
  SUDP_RECEIVE_STATE_TYPE state;
  U8* messageBuffer;
  U32 messagePartSequenceNumber;
  U32 messageTotalPartsCount;
  U32 messageTotalSize;
  U32 thisMessageSequenceNumber;
  U32 currentMessageSequenceNumber;
  U32 packetCount;
  U32 bufferParts;  // parts and size of the message under way, from its first part
  U32 bufferSize;
};

void U_SUDP_vResetReassembly(SUDP_REASSEMBLY* pR);  // frees a message under way
// Takes one datagram of nLength bytes. TRUE when it completed a message:
// *ppMessage (the caller's to free) and *pu32Length are set. Datagrams of
// another size, parts out of range and first parts whose header cannot
// describe a message (no parts, a total size that does not match the part
// count, more than SUDP_MAX_PARTS parts) are dropped with a trace line.
BOOLEAN U_SUDP_bReassemble(SUDP_REASSEMBLY* pR, const U8* pu8Datagram, S32 nLength, U8** ppMessage,
                           U32* pu32Length);
