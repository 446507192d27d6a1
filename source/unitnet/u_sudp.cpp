#include "source/unitnet/u_sudp.h"

#include <string.h>

#include "lsvc/lsvc.h"

namespace {

void vPut(U8* p, U32 v) {
  for (int i = 0; i < 4; ++i) p[i] = (U8)(v >> (8 * i));
}
U32 u32Get(const U8* p) { return (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24; }

// A first part whose header can start a message.
bool bStartable(const SUDP_REASSEMBLY* r) {
  const U32 parts = r->messageTotalPartsCount;
  if (parts == 0 || parts > SUDP_MAX_PARTS || r->messageTotalSize == 0 ||
      U_SUDP_u32PartCount(r->messageTotalSize) != parts) {
    log_me("sudpReceive: message of %u parts and %u bytes refused", parts, r->messageTotalSize);
    return false;
  }
  return true;
}

// Starts a message with part 0; TRUE when it is complete at once.
bool bStart(SUDP_REASSEMBLY* r, const U8* payload) {
  r->currentMessageSequenceNumber = r->thisMessageSequenceNumber;
  const U32 bytes = r->messageTotalPartsCount * SUDP_PAYLOAD_BYTES;
  r->messageBuffer = (U8*)H_MEMORY_pvMalloc(bytes);
  if (r->messageBuffer == nullptr) {
    r->state = SUDP_RECEIVE_WAIT_START;
    return false;
  }
  memset(r->messageBuffer, 0, bytes);
  memcpy(r->messageBuffer, payload, SUDP_PAYLOAD_BYTES);
  r->packetCount = 1;
  r->bufferParts = r->messageTotalPartsCount;
  r->bufferSize = r->messageTotalSize;
  r->state = SUDP_RECEIVE_READ_MESSAGE;
  return r->messageTotalPartsCount == 1;
}

BOOLEAN bComplete(SUDP_REASSEMBLY* r, U8** msg, U32* len) {
  r->state = SUDP_RECEIVE_WAIT_START;
  *msg = r->messageBuffer;
  *len = r->bufferSize;
  r->messageBuffer = nullptr;
  return TRUE;
}

}  // namespace

void U_SUDP_vMakeDatagram(const U8* msg, U32 length, U32 seq, U32 part, U8* out) {
  vPut(out, seq);
  vPut(out + 4, part);
  vPut(out + 8, U_SUDP_u32PartCount(length));
  vPut(out + 12, length);
  const U32 from = part * SUDP_PAYLOAD_BYTES;
  const U32 n = from >= length ? 0 : (length - from < SUDP_PAYLOAD_BYTES ? length - from : SUDP_PAYLOAD_BYTES);
  if (n > 0) memcpy(out + SUDP_HEADER_BYTES, msg + from, n);
  memset(out + SUDP_HEADER_BYTES + n, 0, SUDP_PAYLOAD_BYTES - n);
}

void U_SUDP_vResetReassembly(SUDP_REASSEMBLY* r) {
  if (r->messageBuffer != nullptr) H_MEMORY_vFree(r->messageBuffer);
  memset(r, 0, sizeof *r);
  r->state = SUDP_RECEIVE_WAIT_START;
}

BOOLEAN U_SUDP_bReassemble(SUDP_REASSEMBLY* r, const U8* d, S32 n, U8** msg, U32* len) {
  if (d == nullptr || msg == nullptr || len == nullptr) return FALSE;
  if (n != (S32)SUDP_DATAGRAM_BYTES) {
    log_me("sudpReceive: got wrong sized packet. n = %d\n", n);
    return FALSE;
  }
  r->thisMessageSequenceNumber = u32Get(d);
  r->messagePartSequenceNumber = u32Get(d + 4);
  r->messageTotalPartsCount = u32Get(d + 8);
  r->messageTotalSize = u32Get(d + 12);
  const U8* payload = d + SUDP_HEADER_BYTES;
  if (r->state == SUDP_RECEIVE_WAIT_START) {
    if (r->messagePartSequenceNumber != 0 || !bStartable(r)) return FALSE;
    return bStart(r, payload) ? bComplete(r, msg, len) : FALSE;
  }
  ++r->packetCount;
  if (r->thisMessageSequenceNumber == r->currentMessageSequenceNumber) {
    // The buffer was sized by the first part: a later header claiming more
    // parts must not write past it.
    if (r->messagePartSequenceNumber >= r->messageTotalPartsCount || r->messagePartSequenceNumber >= r->bufferParts) {
      log_me("sudpReceive: messagePartSequenceNumber >= messageTotalPartsCount!\n");
      U_SUDP_vResetReassembly(r);
      return FALSE;
    }
    memcpy(r->messageBuffer + r->messagePartSequenceNumber * SUDP_PAYLOAD_BYTES, payload, SUDP_PAYLOAD_BYTES);
    return r->packetCount >= r->bufferParts ? bComplete(r, msg, len) : FALSE;
  }
  log_me("sudpReceive: sequence mismatch!!\n");
  H_MEMORY_vFree(r->messageBuffer);
  r->messageBuffer = nullptr;
  if (r->messagePartSequenceNumber != 0 || !bStartable(r)) {
    r->state = SUDP_RECEIVE_WAIT_START;
    return FALSE;
  }
  return bStart(r, payload) ? bComplete(r, msg, len) : FALSE;
}
