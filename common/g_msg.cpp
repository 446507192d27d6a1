// Network messages: header, composition, stream and datagram transfer,
// pending requests.
#include "common/g_msg.h"

#include <errno.h>
#include <string.h>
#include <sys/socket.h>

#include <algorithm>

#include <atomic>

#include "source/platform/platform.h"

namespace {

std::atomic<U64> s_u64Token{0};

const char* const s_cServiceClass[GMSG_CLASS_COUNT] = {
    "Default", "System", "Service", "Database", "Serial", "Sonar", "Xsonar", "Nmea", "Gps", "Ais",
    "Compass", "Autopilot", "Chart", "Nav", "Twr", "Radar", "Weather", "Log", "Socketserver", "Video",
    "Pane", "Test", "XJNmea", "XJTemp", "XJSonar", "XJAlarm", "XJNav", "XJMCast", "Keelar"};

void s_vPut32(U8* p, U32 v) {
  p[0] = (U8)v; p[1] = (U8)(v >> 8); p[2] = (U8)(v >> 16); p[3] = (U8)(v >> 24);
}
void s_vPut64(U8* p, U64 v) {
  s_vPut32(p, (U32)v);
  s_vPut32(p + 4, (U32)(v >> 32));
}
U32 s_u32Get(const U8* p) { return (U32)p[0] | ((U32)p[1] << 8) | ((U32)p[2] << 16) | ((U32)p[3] << 24); }
U64 s_u64Get(const U8* p) { return (U64)s_u32Get(p) | ((U64)s_u32Get(p + 4) << 32); }

// An address on the wire: type, then the 16 bytes of the union. A socket
// address is four words; a queue name its 16 characters.
void s_vPutAddress(U8* p, const GMSG_ADDRESS& a) {
  s_vPut32(p, a.MsgAddressType);
  if (a.MsgAddressType == GMSG_ADDRESS_QUEUE) {
    memcpy(p + 4, a.uAddr.Queue.acName, 16);
  } else {
    s_vPut32(p + 4, a.uAddr.Socket.u32Address);
    s_vPut32(p + 8, a.uAddr.Socket.u32Port);
    s_vPut32(p + 12, a.uAddr.Socket.u32Unused1);
    s_vPut32(p + 16, a.uAddr.Socket.u32Unused2);
  }
}
void s_vGetAddress(const U8* p, GMSG_ADDRESS* a) {
  memset(a, 0, sizeof *a);
  a->MsgAddressType = s_u32Get(p);
  if (a->MsgAddressType == GMSG_ADDRESS_QUEUE) {
    memcpy(a->uAddr.Queue.acName, p + 4, 16);
  } else {
    a->uAddr.Socket.u32Address = s_u32Get(p + 4);
    a->uAddr.Socket.u32Port = s_u32Get(p + 8);
    a->uAddr.Socket.u32Unused1 = s_u32Get(p + 12);
    a->uAddr.Socket.u32Unused2 = s_u32Get(p + 16);
  }
}

void s_vClearInfo(GMSG_INFO* info) { memset(info, 0, sizeof *info); }

U64 s_u64Now() { return PLATFORM_u64MonotonicNs(); }

}  // namespace

const char* GMSG_pcClassName(U32 u32Class) {
  return u32Class < GMSG_CLASS_COUNT ? s_cServiceClass[u32Class] : "Unknown";
}

void GMSG_vEncodeHeader(const GMSG_HEADER* h, U8* out) {
  s_vPut32(out + 0, h->u32MsgSignature);
  s_vPut32(out + 4, h->u32MsgId);
  s_vPut32(out + 8, h->u32MsgFlags);
  s_vPut32(out + 12, h->u32MsgSize);
  s_vPutAddress(out + 16, h->SrcAddress);
  s_vPutAddress(out + 36, h->DstAddress);
  s_vPut64(out + 56, h->u64Token);
  s_vPut64(out + 64, h->__u64ReplyToken);
}

void GMSG_vDecodeHeader(const U8* in, GMSG_HEADER* h) {
  h->u32MsgSignature = s_u32Get(in + 0);
  h->u32MsgId = s_u32Get(in + 4);
  h->u32MsgFlags = s_u32Get(in + 8);
  h->u32MsgSize = s_u32Get(in + 12);
  s_vGetAddress(in + 16, &h->SrcAddress);
  s_vGetAddress(in + 36, &h->DstAddress);
  h->u64Token = s_u64Get(in + 56);
  h->__u64ReplyToken = s_u64Get(in + 64);
}

BOOLEAN GMSG_bCheckHeader(const GMSG_HEADER* h, const char* who) {
  if (h->u32MsgSignature != GMSG_SIGNATURE) {
    log_me("%s: msg header signature error", who);
    return FALSE;
  }
  if (h->u32MsgSize > GMSG_MAX_BODY) {
    log_me("%s: msg size %u beyond %u, connection dropped", who, h->u32MsgSize, GMSG_MAX_BODY);
    return FALSE;
  }
  return TRUE;
}

BOOLEAN GMSG_bAddressEqual(const GMSG_ADDRESS* a, const GMSG_ADDRESS* b) {
  if (a == nullptr || b == nullptr) return FALSE;
  if (a->MsgAddressType != GMSG_ADDRESS_SOCKET || b->MsgAddressType != GMSG_ADDRESS_SOCKET) return FALSE;
  return a->uAddr.Socket.u32Address == b->uAddr.Socket.u32Address &&
         a->uAddr.Socket.u32Port == b->uAddr.Socket.u32Port;
}

void GMSG_vMakeSocketAddress(GMSG_ADDRESS* p, U32 u32Address, U32 u32Port) {
  memset(p, 0, sizeof *p);
  p->MsgAddressType = GMSG_ADDRESS_SOCKET;
  p->uAddr.Socket.u32Address = u32Address;
  p->uAddr.Socket.u32Port = u32Port;
}

U64 GMSG_u64LastToken(void) { return s_u64Token.load(); }

// ---------------------------------------------------------------- composing
BOOLEAN GMSG_bCompose(GMSG_INFO* info, const GMSG_ADDRESS* src, const GMSG_ADDRESS* dst, U32 id,
                      const G_DATA_TYPE* type, const void* body, U64 token, U64 reply_token, U32 flags,
                      BOOLEAN bUdp, U32 udp_length) {
  s_vClearInfo(info);
  U32 size = type != nullptr ? GMSG_FIRST_BLOCK : GMSG_HEADER_SIZE;
  info->pu8Block = static_cast<U8*>(H_MEMORY_pvMalloc(size));
  if (info->pu8Block == nullptr) return FALSE;
  info->u32BlockSize = size;
  info->pDataType = type;
  info->pStructMsg = const_cast<void*>(body);
  GMSG_HEADER& h = info->Header;
  if (src) h.SrcAddress = *src;
  h.u32MsgSignature = GMSG_SIGNATURE;
  h.u32MsgId = id;
  h.u32MsgSize = 0;
  h.u32MsgFlags = flags;
  h.u64Token = GMSG_NO_TOKEN;
  if (bUdp) {
    info->u32UdpLength = udp_length;
  } else if (type != nullptr) {
    for (;;) {
      info->pRawMsg = info->pu8Block + GMSG_HEADER_SIZE;
      S32 room = (S32)(info->u32BlockSize - GMSG_HEADER_SIZE);
      S32 count = 0;
      const S32 r = type->pfSerialize(body, &info->pRawMsg, &room, &count, type);
      if (r == DATATYPE_ERR_ROOM && info->u32BlockSize < GMSG_LARGEST_BLOCK) {
        const U32 bigger = info->u32BlockSize * 4;
        H_MEMORY_vFree(info->pu8Block);
        info->pu8Block = static_cast<U8*>(H_MEMORY_pvMalloc(bigger));
        info->u32BlockSize = info->pu8Block ? bigger : 0;
        if (info->pu8Block == nullptr) return FALSE;
        continue;
      }
      if (r < 0) {
        log_me("GMSG_bSerialize: serialization error");
        GMSG_bFree(info);
        return FALSE;
      }
      h.u32MsgSize = (U32)count;
      break;
    }
  }
  if (dst) h.DstAddress = *dst;
  h.u64Token = token;
  h.__u64ReplyToken = (flags & GMSG_FLAG_REQUEST) ? s_u64Token.fetch_add(1) + 1 : reply_token;
  GMSG_vEncodeHeader(&h, info->pu8Block);
  return TRUE;
}

BOOLEAN GMSG_bParse(GMSG_INFO* info, const G_DATA_TYPE* type) {
  info->pDataType = type;
  info->pStructMsg = nullptr;
  info->bDecodeFailed = FALSE;
  if (type == nullptr) return TRUE;
  S32 room = (S32)info->Header.u32MsgSize;
  S32 count = 0;
  void* value = nullptr;
  const U8* in = info->pRawMsg;
  if (in == nullptr) room = 0;
  const S32 r = type->pfDeserialize(&value, in, &room, &count, type);
  if (r < 0) {
    info->bDecodeFailed = TRUE;
    return FALSE;
  }
  info->pStructMsg = value;
  return TRUE;
}

BOOLEAN GMSG_bFree(GMSG_INFO* info) {
  if (info->bReceived) {
    if (info->pDataType && info->pStructMsg && info->pDataType->pfDeallocate) {
      info->pDataType->pfDeallocate(info->pStructMsg, TRUE, info->pDataType);
    }
    info->pStructMsg = nullptr;
  }
  if (info->pRequestDataType && info->pRequestMsg && info->pRequestDataType->pfDeallocate) {
    info->pRequestDataType->pfDeallocate(info->pRequestMsg, TRUE, info->pRequestDataType);
  }
  info->pRequestMsg = nullptr;
  H_MEMORY_vFree(info->pu8Block);
  info->pu8Block = nullptr;
  info->pRawMsg = nullptr;
  return TRUE;
}

// ---------------------------------------------------------------- stream transfer
BOOLEAN GMSG_bSendSocket(GMSG_INFO* info, GSOCKET* s, BOOLEAN bFreeMsgInfo) {
  const U32 total = GMSG_HEADER_SIZE + info->Header.u32MsgSize;
  GMSG_vEncodeHeader(&info->Header, info->pu8Block);
  const U32 timeout = info->u32TimeoutInMs ? info->u32TimeoutInMs : GMSG_DEFAULT_TIMEOUT_MS;
  const U64 deadline = s_u64Now() + (U64)timeout * 1000000ull;
  U32 sent = 0;
  bool ok = true;
  while (sent < total) {
    const U64 now = s_u64Now();
    const U32 left_ms = now >= deadline ? 0 : (U32)((deadline - now + 999999) / 1000000);
    const S32 w = left_ms ? GSOCKET_nWait(s->nSocket, TRUE, left_ms) : 0;
    if (w < 0) {
      log_me("GMSG_bSendSocket: select() error on socket");
      ok = false;
      break;
    }
    if (w == 0) {
      log_me("GMSG_bSendSocket: select() timeout");
      ok = false;
      break;
    }
    const S32 n = GSOCKET_nSend(s, info->pu8Block + sent, (S32)std::min(GMSG_CHUNK, total - sent));
    if (n < 0) {
      log_me("GMSG_bSendSocket: send() error.");
      ok = false;
      break;
    }
    if (n == 0) {
      log_me("GMSG_bSendSocket: sent 0 bytes on write-ready socket");
      ok = false;
      break;
    }
    sent += (U32)n;
  }
  if (!ok) {
    log_me("GMSG_bSendSocket: msg send size error");
    log_me("GMSG_bSendSocket: send = %d, msg size = %d", (int)sent, (int)total);
  }
  if (bFreeMsgInfo) {
    GMSG_bFree(info);
    H_MEMORY_vFree(info);
  }
  return ok ? TRUE : FALSE;
}

BOOLEAN GMSG_bSendSocketUDP(GSOCKET* s, const void* payload, U32 length, const GMSG_ADDRESS* dst) {
  if (length == 0 || payload == nullptr || dst == nullptr) return FALSE;
  const S32 n = GSOCKET_nSendTo(s, payload, (S32)length, dst->uAddr.Socket.u32Address, (U16)dst->uAddr.Socket.u32Port);
  if (n != (S32)length) {
    log_me("GMSG_bSendSocketUDP: send error");
    return FALSE;
  }
  return TRUE;
}

BOOLEAN GMSG_bReceiveSocket(GSOCKET* s, GMSG_INFO* info) {
  GMSG_RECEIVER rx{};
  for (;;) {
    const GMSG_RX_RESULT r = GMSG_eReceiveStep(s, &rx, info);
    if (r == GMSG_RX_COMPLETE) return TRUE;
    if (r != GMSG_RX_PARTIAL) break;
    const U64 now = s_u64Now();
    if (GMSG_bReceiverExpired(&rx, now)) {
      log_me("GMSG_nReceiveSocket: select timeout");
      break;
    }
    const U64 left = rx.u64DeadlineNs ? rx.u64DeadlineNs - now : (U64)GMSG_RECEIVE_DEADLINE_MS * 1000000ull;
    const S32 w = GSOCKET_nWait(s->nSocket, FALSE, (U32)((left + 999999) / 1000000));
    if (w < 0) {
      log_me("GMSG_nReceiveSocket: select error.");
      break;
    }
    if (w == 0 && rx.u64DeadlineNs == 0) {
      log_me("GMSG_nReceiveSocket: msg header size error");
      break;
    }
  }
  if (rx.u32Total) {
    log_me("GMSG_nReceiveSocket: msg body receive size error");
    log_me("GMSG_nReceiveSocket: receive = %d, msg size = %d", (int)(rx.u32Have - GMSG_HEADER_SIZE),
           (int)(rx.u32Total - GMSG_HEADER_SIZE));
  }
  GMSG_vReceiverReset(&rx);
  info->pu8Block = nullptr;
  return FALSE;
}

BOOLEAN GMSG_bReceiveUDPSocket(GSOCKET* s, GMSG_INFO* info) {
  s_vClearInfo(info);
  info->bReceived = TRUE;
  U8* block = static_cast<U8*>(H_MEMORY_pvMallocNoWait(GMSG_UDP_BLOCK));
  if (block == nullptr) {
    log_me("GMSG_nReceiveUDPSocket: msg receive error");
    return FALSE;
  }
  memset(block, 0, GMSG_UDP_BLOCK);
  const S32 n = GSOCKET_nReceiveFrom(s, block + GMSG_HEADER_SIZE, (S32)GMSG_MAX_UDP_PAYLOAD);
  if (n <= 0) {
    log_me(n < 0 ? "GMSG_nReceiveUDPSocket: msg receive error" : "GMSG_nReceiveSocket: msg body receive size error");
    H_MEMORY_vFree(block);
    return FALSE;
  }
  info->pu8Block = block;
  info->u32BlockSize = GMSG_UDP_BLOCK;
  info->Header.u32MsgId = GMSG_ID_RADAR_RECEIVE_DATA;
  info->Header.u32MsgSize = (U32)n;
  GMSG_vEncodeHeader(&info->Header, block);
  info->pRawMsg = block + GMSG_HEADER_SIZE;
  info->u32UdpLength = (U32)n;
  return TRUE;
}

BOOLEAN GMSG_bReceiveSocketAdapter(U8* block, U32 length, GMSG_INFO* info) {
  s_vClearInfo(info);
  info->bReceived = TRUE;
  if (block == nullptr || length < GMSG_HEADER_SIZE) {
    log_me("GMSG_nReceiveSocketAdapter: msg header size error");
    H_MEMORY_vFree(block);
    return FALSE;
  }
  GMSG_vDecodeHeader(block, &info->Header);
  if (info->Header.u32MsgSignature != GMSG_SIGNATURE) {
    log_me("GMSG_nReceiveSocketAdapter: msg header signature error");
    H_MEMORY_vFree(block);
    return FALSE;
  }
  if (info->Header.u32MsgSize > length - GMSG_HEADER_SIZE) {
    log_me("GMSG_nReceiveSocketAdapter: msg size %u beyond the %u bytes delivered", info->Header.u32MsgSize,
           length - GMSG_HEADER_SIZE);
    H_MEMORY_vFree(block);
    return FALSE;
  }
  info->pu8Block = block;
  info->u32BlockSize = length;
  info->pRawMsg = info->Header.u32MsgSize ? block + GMSG_HEADER_SIZE : nullptr;
  return TRUE;
}

BOOLEAN GMSG_bMsgAvailable(GSOCKET* s, GMSG_HEADER* h) {
  U8 buf[GMSG_HEADER_SIZE];
  if (GSOCKET_nDataAvailable(s, buf, (S32)sizeof buf) != (S32)sizeof buf) return FALSE;
  if (h) GMSG_vDecodeHeader(buf, h);
  return TRUE;
}

BOOLEAN GMSG_bMsgAvailableUdp(GSOCKET* s, U8* byte) {
  U8 b;
  if (GSOCKET_nDataAvailableUdp(s, &b, 1) < 1) return FALSE;
  if (byte) *byte = b;
  return TRUE;
}

// ---------------------------------------------------------------- receiving in steps
void GMSG_vReceiverReset(GMSG_RECEIVER* rx) {
  H_MEMORY_vFree(rx->pu8Block);
  memset(rx, 0, sizeof *rx);
}

BOOLEAN GMSG_bReceiverIdle(const GMSG_RECEIVER* rx) { return rx->u32Have == 0; }

BOOLEAN GMSG_bReceiverExpired(const GMSG_RECEIVER* rx, U64 now) {
  return rx->u64DeadlineNs != 0 && now >= rx->u64DeadlineNs;
}

GMSG_RX_RESULT GMSG_eReceiverFeed(GMSG_RECEIVER* rx, const U8* data, S32 length, S32* used, GMSG_INFO* info, U64 now) {
  *used = 0;
  if (length <= 0) return GMSG_RX_PARTIAL;
  if (rx->u32Have == 0) rx->u64DeadlineNs = now + (U64)GMSG_RECEIVE_DEADLINE_MS * 1000000ull;
  if (rx->u32Have < GMSG_HEADER_SIZE) {
    const S32 take = std::min(length, (S32)(GMSG_HEADER_SIZE - rx->u32Have));
    memcpy(rx->au8Header + rx->u32Have, data, (size_t)take);
    rx->u32Have += (U32)take;
    *used += take;
    if (rx->u32Have < GMSG_HEADER_SIZE) return GMSG_RX_PARTIAL;
    GMSG_HEADER h;
    GMSG_vDecodeHeader(rx->au8Header, &h);
    if (!GMSG_bCheckHeader(&h, "GMSG_nReceiveSocket")) return GMSG_RX_FAILED;
    rx->u32Total = GMSG_HEADER_SIZE + h.u32MsgSize;
    // Never waits for memory: a block that cannot be had now drops the message.
    rx->pu8Block = static_cast<U8*>(H_MEMORY_pvMallocNoWait(rx->u32Total));
    if (rx->pu8Block == nullptr) {
      log_me("GMSG_nReceiveSocket: no block of %u bytes, connection dropped", rx->u32Total);
      return GMSG_RX_FAILED;
    }
    memcpy(rx->pu8Block, rx->au8Header, GMSG_HEADER_SIZE);
  }
  const S32 take = std::min(length - *used, (S32)(rx->u32Total - rx->u32Have));
  if (take > 0) {
    memcpy(rx->pu8Block + rx->u32Have, data + *used, (size_t)take);
    rx->u32Have += (U32)take;
    *used += take;
  }
  if (rx->u32Have < rx->u32Total) return GMSG_RX_PARTIAL;
  s_vClearInfo(info);
  info->bReceived = TRUE;
  info->pu8Block = rx->pu8Block;
  info->u32BlockSize = rx->u32Total;
  GMSG_vDecodeHeader(rx->pu8Block, &info->Header);
  info->pRawMsg = info->Header.u32MsgSize ? rx->pu8Block + GMSG_HEADER_SIZE : nullptr;
  rx->pu8Block = nullptr;
  GMSG_vReceiverReset(rx);
  return GMSG_RX_COMPLETE;
}

GMSG_RX_RESULT GMSG_eReceiveStep(GSOCKET* s, GMSG_RECEIVER* rx, GMSG_INFO* info) {
  // Reads no further than the current message, so that the next one stays
  // in the socket for the next step.
  for (;;) {
    U8 buf[4096];
    const U32 want = rx->u32Have < GMSG_HEADER_SIZE ? GMSG_HEADER_SIZE - rx->u32Have : rx->u32Total - rx->u32Have;
    const S32 n = (S32)recv(s->nSocket, buf, std::min<U32>(want, sizeof buf), MSG_DONTWAIT);
    if (n == 0) return GMSG_RX_CLOSED;
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return GMSG_RX_PARTIAL;
      log_me("GMSG_nReceiveSocket: receive error");
      return GMSG_RX_FAILED;
    }
    S32 used = 0;
    const GMSG_RX_RESULT r = GMSG_eReceiverFeed(rx, buf, n, &used, info, s_u64Now());
    if (r != GMSG_RX_PARTIAL) return r;
  }
}

// ---------------------------------------------------------------- pending requests
namespace {
struct ListLock {
  RESOURCE r;
  explicit ListLock(RESOURCE res) : r(res) {
    if (r > 0) L_MUTEX_LockWait(r);
  }
  ~ListLock() {
    if (r > 0) L_MUTEX_Unlock(r);
  }
};

void s_vFreeNode(GMSG_REQUEST_NODE* n) {
  if (n->pData && n->pDataType) n->pDataType->pfDeallocate(n->pData, TRUE, n->pDataType);
  H_MEMORY_vFree(n);
}
}  // namespace

BOOLEAN GMSG_bHandleRequests(GMSG_REQUEST_INFO* list, GMSG_INFO* info) {
  if (!(info->Header.u32MsgFlags & GMSG_FLAG_REQUEST)) return TRUE;
  ListLock lock(list->RequestMutex);
  if (GMSG_pFindRequest(list, info->Header.__u64ReplyToken) != nullptr) {
    log_me("GMSG_bAddRequest: token not unique.");
    return FALSE;
  }
  auto* node = static_cast<GMSG_REQUEST_NODE*>(H_MEMORY_pvMalloc(sizeof(GMSG_REQUEST_NODE)));
  memset(node, 0, sizeof *node);
  node->u32MsgId = info->Header.u32MsgId;
  node->s32RequestTimeout = GMSG_REQUEST_PERIODS;
  node->u64Token = info->Header.u64Token;
  node->__u64ReplyToken = info->Header.__u64ReplyToken;
  if (info->pDataType && info->pRawMsg) {
    S32 room = (S32)info->Header.u32MsgSize;
    S32 count = 0;
    void* copy = nullptr;
    if (info->pDataType->pfDeserialize(&copy, info->pRawMsg, &room, &count, info->pDataType) >= 0) {
      node->pDataType = info->pDataType;
      node->pData = copy;
    }
  }
  GMSG_REQUEST_NODE** tail = &list->pHead;
  while (*tail) tail = &(*tail)->pNext;
  *tail = node;
  return TRUE;
}

GMSG_REQUEST_NODE* GMSG_pFindRequest(GMSG_REQUEST_INFO* list, U64 token) {
  ListLock lock(list->RequestMutex);
  for (GMSG_REQUEST_NODE* n = list->pHead; n; n = n->pNext) {
    if (n->__u64ReplyToken == token) return n;
  }
  return nullptr;
}

BOOLEAN GMSG_bDeleteRequest(GMSG_REQUEST_INFO* list, GMSG_REQUEST_NODE* node) {
  ListLock lock(list->RequestMutex);
  for (GMSG_REQUEST_NODE** p = &list->pHead; *p; p = &(*p)->pNext) {
    if (*p == node) {
      *p = node->pNext;
      s_vFreeNode(node);
      return TRUE;
    }
  }
  log_me("GMSG_bDeleteRequest: Node not found.");
  return FALSE;
}

BOOLEAN GMSG_bDeleteRequestByToken(GMSG_REQUEST_INFO* list, U64 token) {
  ListLock lock(list->RequestMutex);
  GMSG_REQUEST_NODE* n = GMSG_pFindRequest(list, token);
  return n ? GMSG_bDeleteRequest(list, n) : FALSE;
}

GMSG_REQUEST_NODE* GMSG_pFindExpiredRequest(GMSG_REQUEST_INFO* list) {
  ListLock lock(list->RequestMutex);
  for (GMSG_REQUEST_NODE* n = list->pHead; n; n = n->pNext) {
    if (n->s32RequestTimeout == 0) {
      n->s32RequestTimeout = -1;
      return n;
    }
  }
  return nullptr;
}

void GMSG_vAgeRequests(GMSG_REQUEST_INFO* list) {
  ListLock lock(list->RequestMutex);
  for (GMSG_REQUEST_NODE* n = list->pHead; n; n = n->pNext) {
    if (n->s32RequestTimeout > 0) --n->s32RequestTimeout;
  }
}

void GMSG_vDeleteAllRequests(GMSG_REQUEST_INFO* list) {
  ListLock lock(list->RequestMutex);
  while (GMSG_REQUEST_NODE* n = list->pHead) {
    list->pHead = n->pNext;
    s_vFreeNode(n);
  }
}

BOOLEAN GMSG_bHandleReplies(GMSG_REQUEST_INFO* list, GMSG_INFO* info) {
  if (!(info->Header.u32MsgFlags & GMSG_FLAG_REPLY)) return TRUE;
  ListLock lock(list->RequestMutex);
  GMSG_REQUEST_NODE* n = GMSG_pFindRequest(list, info->Header.__u64ReplyToken);
  if (n == nullptr) {
    log_me("GMSG_bHandleReplies: unable to find request");
    log_me("GMSG_bHandleSynchronously: Got unmatched reply.");
    return TRUE;
  }
  info->bReply = TRUE;
  info->pRequestDataType = n->pDataType;
  info->pRequestMsg = n->pData;
  n->pData = nullptr;  // passed to the handle
  n->pDataType = nullptr;
  if (!GMSG_bDeleteRequest(list, n)) {
    log_me("GMSG_bHandleReplies: unable to delete request");
    log_me("GMSG_bHandleSynchronously: Got unmatched reply.");
  }
  return TRUE;
}
