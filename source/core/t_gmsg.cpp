// Message-layer task, socket task, registry and client functions.
//
// Only the message-layer task changes the registry and the connection lists
// (under mutex 75); the socket task reads them under the same mutex to build
// its poll set, and the client functions look registrations up under it.
// Reading never waits: each connection keeps its partial message between
// notices, and a message not complete within 5 s of its first byte drops
// the connection, so a slow or silent peer holds up no one else.
#include "source/core/t_gmsg.h"

#include <arpa/inet.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "source/core/h_database.h"
#include "source/platform/platform.h"

struct GMSG_SOCKET_NODE {
  GSOCKET Socket;
  GMSG_ADDRESS Peer;
  GMSG_RECEIVER Rx;
  BOOLEAN bAddressSet;
  BOOLEAN bReadOnly;
  BOOLEAN bWriteOnly;
  BOOLEAN bNotified;       // reported by the socket task, not yet read
  BOOLEAN bMarkForDelete;  // closed by a disconnect request, not yet collected
  GMSG_SOCKET_NODE* pNext;
};

struct GMSG_REG_MAILBOX_NODE {
  MBOX RtxcMailbox;
  SEMA RtxcSema;
  GMSG_ADDRESS MsgAddress;
  GSOCKET Listen;  // listening stream socket, or the bound datagram socket
  const GMSG_MAP_INFO* pMap;
  GMSG_REQUEST_INFO Requests;
  GMSG_SOCKET_NODE* pConns;
  S32 nReading;  // messages delivered to the task, not yet handled; reading holds
  S32 nAccess;   // holds of other users
  BOOLEAN bMarkForDelete;
  BOOLEAN bListenNotified;
  BOOLEAN bUdp;
  GMSG_REG_MAILBOX_NODE* pNext;
};

namespace {

using GMSG_CONN = GMSG_SOCKET_NODE;
using GMSG_MAILBOX = GMSG_REG_MAILBOX_NODE;

GMSG_MAILBOX* s_pRegistry = nullptr;

// Wakes the socket task: from its semaphore when it watches nothing, and out
// of its poll through this descriptor, so that a registration that has
// handled its messages is watched again at once rather than after a period.
// Made on first use, not before the program has set up its standard files.
int s_nWakeFd() {
  static const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return fd;
}
void s_vWakeSocketTask() {
  L_SEMA_Signal(SEMA_GMSG_SELECT);
  const U64 one = 1;
  if (s_nWakeFd() >= 0) (void)!write(s_nWakeFd(), &one, sizeof one);
}
std::atomic<bool> s_bShutdown{false};  // read by the socket task too
// Set on the message-layer task's own thread: only it changes the registry
// and the connection lists; other callers mark and leave the rest to it.
thread_local bool s_bInMessageTask = false;

struct RegistryLock {
  RegistryLock() { L_MUTEX_LockWait(RES_GMSG_MBOX_LIST); }
  ~RegistryLock() { L_MUTEX_Unlock(RES_GMSG_MBOX_LIST); }
};

GMSG_MAILBOX* s_pFind(MBOX mbox) {
  for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
    if (r->RtxcMailbox == mbox && !r->bMarkForDelete) return r;
  }
  return nullptr;
}

template <typename T>
T* s_pNewCommand(CMD_ID cmd) {
  T* m = static_cast<T*>(H_MEMORY_pvMalloc(sizeof(T)));
  memset(m, 0, sizeof(T));
  m->Header.Cmd = cmd;
  return m;
}

// Closes a connection, tells the registration's task, frees the node.
void s_vDeleteConn(GMSG_MAILBOX* reg, GMSG_CONN* c) {
  {
    RegistryLock lock;
    for (GMSG_CONN** p = &reg->pConns; *p; p = &(*p)->pNext) {
      if (*p == c) {
        *p = c->pNext;
        break;
      }
    }
  }
  auto* notice = s_pNewCommand<MSG_GMSG_DISCONNECT>(CMD_ID_GMSG_DISCONNECT);
  notice->Mailbox = reg->RtxcMailbox;
  notice->Address = c->Peer;
  L_MBOX_Send(reg->RtxcMailbox, notice, 3, 0);
  GSOCKET_bClose(&c->Socket);
  GMSG_vReceiverReset(&c->Rx);
  H_MEMORY_vFree(c);
}

GMSG_CONN* s_pAddConn(GMSG_MAILBOX* reg, const GSOCKET& s) {
  auto* c = static_cast<GMSG_CONN*>(H_MEMORY_pvMalloc(sizeof(GMSG_CONN)));
  memset(c, 0, sizeof *c);
  c->Socket = s;
  RegistryLock lock;
  c->pNext = reg->pConns;
  reg->pConns = c;
  return c;
}

void s_vDeleteRegistration(GMSG_MAILBOX* reg) {
  while (reg->pConns) s_vDeleteConn(reg, reg->pConns);
  {
    RegistryLock lock;
    for (GMSG_MAILBOX** p = &s_pRegistry; *p; p = &(*p)->pNext) {
      if (*p == reg) {
        *p = reg->pNext;
        break;
      }
    }
  }
  GMSG_vDeleteAllRequests(&reg->Requests);
  GSOCKET_bClose(&reg->Listen);
  H_MEMORY_vFree(reg);
}

// ---------------------------------------------------------------- message-layer task
void s_vRegister(MSG_GMSG_REGISTER* m) {
  m->bSuccess = FALSE;
  U32 address = 0;
  if (!m->bUdp && !GMSG_bUnitAddress(&address)) {
    log_me("GMSG_bInitSocketMailbox: error getting address");
    return;
  }
  auto* reg = static_cast<GMSG_MAILBOX*>(H_MEMORY_pvMalloc(sizeof(GMSG_MAILBOX)));
  memset(reg, 0, sizeof *reg);
  const BOOLEAN created = m->bUdp ? GSOCKET_bCreateUdp(&reg->Listen, 0, m->u16Port, TRUE, 0, TRUE)
                                  : GSOCKET_bCreate(&reg->Listen, address, m->u16Port, TRUE, 16, TRUE);
  if (!created) {
    log_me("GMSG_bInitSocketMailbox: failed to create socket");
    H_MEMORY_vFree(reg);
    return;
  }
  if (m->bUdp && !GSOCKET_bSetBroadcastOptions(&reg->Listen)) {
    log_me("GMSG_bInitSocketMailbox: fail to set as broadcast");
    GSOCKET_bClose(&reg->Listen);
    H_MEMORY_vFree(reg);
    return;
  }
  reg->bUdp = m->bUdp;
  reg->RtxcMailbox = m->Mailbox;
  reg->RtxcSema = m->Sema;
  reg->pMap = m->pMsgMapInfo;
  reg->Requests.RequestMutex = m->ResLock;
  GMSG_vMakeSocketAddress(&reg->MsgAddress, address, m->u16Port);
  {
    RegistryLock lock;
    reg->pNext = s_pRegistry;
    s_pRegistry = reg;
  }
  m->bSuccess = TRUE;
  s_vWakeSocketTask();
}

void s_vUnregister(MSG_GMSG_UNREGISTER* m) { m->bSuccess = U_GMSG_bDeleteMailboxNodeById(m->Mailbox); }

void s_vForward(GMSG_MAILBOX* reg, GMSG_INFO* info) {
  auto* m = s_pNewCommand<MSG_GMSG_RECEIVE>(CMD_ID_GMSG_RECEIVE);
  m->Mailbox = reg->RtxcMailbox;
  m->MsgInfo = *info;
  {
    RegistryLock lock;
    ++reg->nReading;
  }
  L_MBOX_Send(reg->RtxcMailbox, m, 3, 0);
}

// The sender's address in the header must be the connection's real peer.
bool s_bSourceIsPeer(GMSG_CONN* c, const GMSG_INFO* info) {
  U32 peer = 0;
  if (info->Header.SrcAddress.MsgAddressType != GMSG_ADDRESS_SOCKET) return false;
  if (!GSOCKET_bGetPeerAddress(&c->Socket, &peer)) return false;
  return peer == info->Header.SrcAddress.uAddr.Socket.u32Address;
}

void s_vNewMessage(MSG_GMSG_NEW_MESSAGE* m) {
  GMSG_MAILBOX* reg;
  {
    RegistryLock lock;
    reg = s_pFind(m->Mailbox);
  }
  if (reg == nullptr) {
    log_me("T_GMSG_vHandleNewMessage: Mailbox Node not found");
    return;
  }
  if (reg->bUdp && m->nSocket == reg->Listen.nSocket) {
    // Up to 5 datagrams per notice. A datagram that cannot be taken (empty,
    // or an error) is consumed and dropped, the socket stays open.
    for (int i = 0; i < 5 && GSOCKET_nWait(reg->Listen.nSocket, FALSE, 0) > 0; ++i) {
      GMSG_INFO info;
      if (GMSG_bReceiveUDPSocket(&reg->Listen, &info)) s_vForward(reg, &info);
    }
    RegistryLock lock;
    reg->bListenNotified = FALSE;
    return;
  }
  if (m->nSocket == reg->Listen.nSocket) {
    GSOCKET s;
    while (GSOCKET_nWait(reg->Listen.nSocket, FALSE, 0) > 0 && GSOCKET_bAccept(&reg->Listen, &s, TRUE)) {
      s_pAddConn(reg, s);
    }
    RegistryLock lock;
    reg->bListenNotified = FALSE;
    return;
  }
  GMSG_CONN* c = reg->pConns;
  while (c && c->Socket.nSocket != m->nSocket) c = c->pNext;
  if (c == nullptr) {
    log_me("T_GMSG_vHandleNewMessage: Socket Node not found");
    return;
  }
  if (c->bMarkForDelete) {  // closing was asked while this notice was on its way
    s_vDeleteConn(reg, c);
    return;
  }
  for (int i = 0; i < 5; ++i) {
    GMSG_INFO info;
    const GMSG_RX_RESULT r = GMSG_eReceiveStep(&c->Socket, &c->Rx, &info);
    if (r == GMSG_RX_PARTIAL) break;
    if (r != GMSG_RX_COMPLETE) {
      if (r == GMSG_RX_FAILED) log_me("T_GMSG_vHandleNewMessage: Receive Message Failure");
      s_vDeleteConn(reg, c);
      return;
    }
    if (!s_bSourceIsPeer(c, &info)) {
      log_me("T_GMSG_vHandleNewMessage: sender address is not the connection's peer, connection dropped");
      GMSG_bFree(&info);
      s_vDeleteConn(reg, c);
      return;
    }
    U_GMSG_bUpdateSocketNodeAddress(reg, c, &info.Header.SrcAddress);
    GMSG_bHandleReplies(&reg->Requests, &info);
    s_vForward(reg, &info);
  }
  RegistryLock lock;
  c->bNotified = FALSE;
}

void s_vSend(MSG_GMSG_SEND* m) {
  m->bSuccess = FALSE;
  GMSG_INFO* info = &m->MsgInfo;
  GMSG_MAILBOX* reg;
  {
    RegistryLock lock;
    reg = s_pFind(m->Mailbox);
  }
  if (reg == nullptr) {
    log_me("T_GMSG_vHandleNewMessage: Mailbox Node not found");
    GMSG_bFree(info);
    return;
  }
  info->Header.SrcAddress = reg->MsgAddress;
  const GMSG_ADDRESS& dst = info->Header.DstAddress;
  if (reg->bUdp) {
    if (GMSG_bSendSocketUDP(&reg->Listen, info->pStructMsg, info->u32UdpLength, &dst)) {
      m->bSuccess = TRUE;
    } else {
      log_me("T_GMSG_vHandleSendMessage: Handle UDP Send Failure");
    }
    GMSG_bFree(info);
    return;
  }
  GMSG_CONN* c;
  {
    // The flags are shared with the socket task and with disconnect requests.
    RegistryLock lock;
    c = reg->pConns;
    while (c && !(c->bAddressSet && !c->bReadOnly && !c->bMarkForDelete && GMSG_bAddressEqual(&c->Peer, &dst))) {
      c = c->pNext;
    }
  }
  if (c == nullptr) {
    GSOCKET s;
    if (dst.MsgAddressType != GMSG_ADDRESS_SOCKET ||
        !GSOCKET_bCreate(&s, dst.uAddr.Socket.u32Address, (U16)dst.uAddr.Socket.u32Port, FALSE, 0, TRUE)) {
      log_me("GMSG_bNewSocket: create socket error");
    } else if (!GSOCKET_bConnect(&s, reg->MsgAddress.uAddr.Socket.u32Address)) {
      log_me("GMSG_bNewSocket: connect to socket error");
    } else {
      c = s_pAddConn(reg, s);
      RegistryLock lock;
      c->Peer = dst;
      c->bAddressSet = TRUE;
      c->bWriteOnly = GMSG_bAddressEqual(&dst, &reg->MsgAddress);
    }
  }
  if (c == nullptr) {
    log_me("T_GMSG_vHandleSendMessage: Socket Node not found");
  } else if (!GMSG_bHandleRequests(&reg->Requests, info)) {
    log_me("GMSG_bCommonSend: add request fail");
    log_me("T_GMSG_vHandleSendMessage: Handle Request Failure");
    s_vDeleteConn(reg, c);
  } else if (!GMSG_bSendSocket(info, &c->Socket, FALSE)) {
    log_me("T_GMSG_vHandleSendMessage: Send Failure");
    s_vDeleteConn(reg, c);
  } else {
    m->bSuccess = TRUE;
  }
  GMSG_bFree(info);
}

void s_vOnTimer() {
  const U64 now = PLATFORM_u64MonotonicNs();
  std::vector<GMSG_MAILBOX*> regs;
  {
    RegistryLock lock;
    for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) regs.push_back(r);
  }
  for (GMSG_MAILBOX* reg : regs) {
    if (reg->bMarkForDelete) {
      bool idle;
      {
        RegistryLock lock;
        idle = reg->nReading <= 0 && reg->nAccess <= 0;
      }
      if (idle) s_vDeleteRegistration(reg);
      continue;
    }
    // Messages that did not arrive whole in time end their connection.
    for (GMSG_CONN* c = reg->pConns; c;) {
      GMSG_CONN* next = c->pNext;
      if (GMSG_bReceiverExpired(&c->Rx, now)) {
        log_me("GMSG_nReceiveSocket: message not complete within %u ms, connection dropped", GMSG_RECEIVE_DEADLINE_MS);
        s_vDeleteConn(reg, c);
      }
      c = next;
    }
    GMSG_vAgeRequests(&reg->Requests);
    while (GMSG_REQUEST_NODE* n = GMSG_pFindExpiredRequest(&reg->Requests)) {
      const GMSG_STATUS st{GMSG_STATUS_TIMED_OUT, n->u32MsgId, n->u64Token};
      U_GMSG_bSend(reg->RtxcMailbox, &reg->MsgAddress, GMSG_ID_STATUS, &DT_GMSG_STATUS, &st, n->u64Token,
                   n->__u64ReplyToken, GMSG_FLAG_REPLY, nullptr, FALSE, 0, TRUE, 0);
    }
  }
}

// Closes the connections a disconnect request marked.
void s_vCollectDisconnected(MBOX mbox) {
  GMSG_MAILBOX* reg;
  {
    RegistryLock lock;
    reg = s_pFind(mbox);
  }
  if (reg == nullptr) return;
  std::vector<GMSG_CONN*> marked;
  {
    RegistryLock lock;
    for (GMSG_CONN* c = reg->pConns; c; c = c->pNext) {
      if (c->bMarkForDelete) marked.push_back(c);
    }
  }
  for (GMSG_CONN* c : marked) s_vDeleteConn(reg, c);
}

// ---------------------------------------------------------------- client helpers
// Posts a command and waits until its receiver is done with it. *mine tells
// whether the block is the caller's to free: it is not when the wait failed
// after the command went out (another thread of the task waiting on the same
// semaphore, say); the receiver then frees it when it disposes of it.
BOOLEAN s_bPostWait(MBOX to, void* m, SEMA sema, bool* mine) {
  *mine = true;
  if (sema <= 0) return FALSE;
  const S32 rc = L_MBOX_SendWait(to, m, 3, sema);
  if (rc == lsSUCCESS) return TRUE;
  if (rc != -lsMBOX_INVALID && rc != -lsSEMA_INVALID) {
    *mine = false;
    log_me("GMSG: no answer from the message-layer task (%d); the command is left to it", (int)rc);
  }
  return FALSE;
}

// The result of a command posted with s_bPostWait; frees it when it is the
// caller's.
template <typename T>
BOOLEAN s_bPostWaitResult(T* m, SEMA sema) {
  bool mine = true;
  const BOOLEAN ok = s_bPostWait(M_GMSG, m, sema, &mine) && m->bSuccess;
  if (mine) H_MEMORY_vFree(m);
  return ok;
}

}  // namespace

BOOLEAN GMSG_bUnitAddress(U32* pu32Address) {
  const char* forced = getenv("TESSIX_UNIT_ADDRESS");
  if (forced != nullptr && *forced != '\0') {
    in_addr a;
    if (inet_pton(AF_INET, forced, &a) != 1) return FALSE;
    *pu32Address = a.s_addr;
    return TRUE;
  }
  return GSOCKET_bGetLocalAddress(pu32Address, "eth0") || GSOCKET_bGetLocalAddress(pu32Address, "eth0:avahi");
}

void T_GMSG_vTask(void) {
  s_bInMessageTask = true;
  H_DATABASE_bUpdateEverythingU32(FCID("TMSG"), (U32)M_GMSG, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  U32 owner = 0;
  if (!H_DATABASE_bFetchU32(FCID("TMSG"), &owner) || owner != (U32)M_GMSG) {
    FATAL_ERROR("Somebody else registered the GMSG Task Maibox");
  }
  L_MBOX_DefineSema(M_GMSG, SEMA_MBOX_GMSG);
  TIMER_INFO* timer = L_TIMER_Allocate();
  L_TIMER_Start(timer, 250, 250, SEMA_TIMER_GMSG);
  const SEMA events[] = {SEMA_TIMER_GMSG, SEMA_MBOX_GMSG, 0};
  for (;;) {
    // Pending requests age by one period per timer expiry, not per wake: a
    // busy mailbox must not make requests expire early.
    const S32 fired = L_SEMA_WaitMultiple(events);
    while (void* raw = L_MBOX_Receive(M_GMSG)) {
      auto* g = static_cast<GENERIC_MESSAGE*>(raw);
      switch (g->Cmd) {
        case CMD_ID_SHUTDOWN: {
          s_bShutdown = true;
          L_TIMER_Stop(timer);
          GMSG_MAILBOX* r;
          while ((r = s_pRegistry) != nullptr) s_vDeleteRegistration(r);
          break;
        }
        case CMD_ID_GMSG_REGISTER: s_vRegister(static_cast<MSG_GMSG_REGISTER*>(raw)); break;
        case CMD_ID_GMSG_UNREGISTER: s_vUnregister(static_cast<MSG_GMSG_UNREGISTER*>(raw)); break;
        case CMD_ID_GMSG_NEW_MESSAGE: s_vNewMessage(static_cast<MSG_GMSG_NEW_MESSAGE*>(raw)); break;
        case CMD_ID_GMSG_NEW_MESSAGE_EXT: {
          auto* m = static_cast<MSG_GMSG_NEW_MESSAGE_EXT*>(raw);
          GMSG_MAILBOX* reg;
          {
            RegistryLock lock;
            reg = s_pFind(m->Mailbox);
          }
          GMSG_INFO info;
          if (reg == nullptr) {
            log_me("T_GMSG_vHandleNewMessage: Socket Node not found");
            H_MEMORY_vFree(m->cpMessageBody);
          } else if (GMSG_bReceiveSocketAdapter(m->cpMessageBody, m->u32MessageLength, &info)) {
            GMSG_bHandleReplies(&reg->Requests, &info);
            s_vForward(reg, &info);
          }
          break;
        }
        case CMD_ID_GMSG_SEND: s_vSend(static_cast<MSG_GMSG_SEND*>(raw)); break;
        case CMD_ID_GMSG_DISCONNECT: s_vCollectDisconnected(static_cast<MSG_GMSG_DISCONNECT*>(raw)->Mailbox); break;
        default: break;
      }
      H_MEMORY_vDumpMail(raw);
    }
    if (fired == SEMA_TIMER_GMSG && !s_bShutdown) s_vOnTimer();
    s_vWakeSocketTask();
  }
}

void T_GMSG_vSocketTask(void) {
  struct Watch {
    MBOX mbox;
    S32 fd;
  };
  std::vector<Watch> watch;
  std::vector<pollfd> fds;
  for (;;) {
    watch.clear();
    {
      RegistryLock lock;
      for (GMSG_MAILBOX* r = s_bShutdown ? nullptr : s_pRegistry; r; r = r->pNext) {
        if (r->nReading > 0 || r->bMarkForDelete) continue;
        if (!r->bListenNotified) watch.push_back({r->RtxcMailbox, r->Listen.nSocket});
        for (GMSG_CONN* c = r->pConns; c; c = c->pNext) {
          if (!c->bWriteOnly && !c->bNotified && !c->bMarkForDelete) watch.push_back({r->RtxcMailbox, c->Socket.nSocket});
        }
      }
    }
    if (watch.empty()) {
      L_SEMA_WaitTicks(SEMA_GMSG_SELECT, 250);
      continue;
    }
    fds.assign(watch.size() + 1, pollfd{});
    for (size_t i = 0; i < watch.size(); ++i) fds[i] = pollfd{watch[i].fd, POLLIN, 0};
    fds[watch.size()] = pollfd{s_nWakeFd(), POLLIN, 0};
    if (poll(fds.data(), fds.size(), 8) <= 0) continue;
    if (fds[watch.size()].revents != 0) {
      U64 count;
      (void)!read(s_nWakeFd(), &count, sizeof count);
    }
    for (size_t i = 0; i < watch.size(); ++i) {
      if (fds[i].revents == 0) continue;
      bool still_there = false;
      {
        RegistryLock lock;
        GMSG_MAILBOX* r = s_pFind(watch[i].mbox);
        if (r && r->Listen.nSocket == watch[i].fd) {
          r->bListenNotified = TRUE;
          still_there = true;
        }
        for (GMSG_CONN* c = r ? r->pConns : nullptr; c && !still_there; c = c->pNext) {
          if (c->Socket.nSocket == watch[i].fd) {
            c->bNotified = TRUE;
            still_there = true;
          }
        }
      }
      if (!still_there) continue;
      auto* m = s_pNewCommand<MSG_GMSG_NEW_MESSAGE>(CMD_ID_GMSG_NEW_MESSAGE);
      m->Mailbox = watch[i].mbox;
      m->nSocket = watch[i].fd;
      L_MBOX_Send(M_GMSG, m, 3, 0);
    }
  }
}

// ---------------------------------------------------------------- client functions
BOOLEAN U_GMSG_bRegisterMailboxAll(MBOX mbox, RESOURCE res, SEMA sema, const GMSG_MAP_INFO* map, U16 port,
                                   BOOLEAN bUdp) {
  auto* m = s_pNewCommand<MSG_GMSG_REGISTER>(CMD_ID_GMSG_REGISTER);
  m->Mailbox = mbox;
  m->ResLock = res;
  m->Sema = sema;
  m->pMsgMapInfo = map;
  m->u16Port = port;
  m->bUdp = bUdp;
  return s_bPostWaitResult(m, sema);
}

BOOLEAN U_GMSG_bRegisterMailbox(MBOX mbox, RESOURCE res, SEMA sema, const GMSG_MAP_INFO* map, U16 port) {
  return U_GMSG_bRegisterMailboxAll(mbox, res, sema, map, port, FALSE);
}

BOOLEAN U_GMSG_bUnregisterMailbox(MBOX mbox) {
  SEMA sema;
  {
    RegistryLock lock;
    GMSG_MAILBOX* r = s_pFind(mbox);
    if (r == nullptr) return FALSE;
    sema = r->RtxcSema;
  }
  auto* m = s_pNewCommand<MSG_GMSG_UNREGISTER>(CMD_ID_GMSG_UNREGISTER);
  m->Mailbox = mbox;
  return s_bPostWaitResult(m, sema);
}

BOOLEAN U_GMSG_bGetMailboxAddress(GMSG_ADDRESS* out, MBOX mbox) {
  RegistryLock lock;
  GMSG_MAILBOX* r = s_pFind(mbox);
  if (r == nullptr) return FALSE;
  if (out) *out = r->MsgAddress;
  return TRUE;
}

BOOLEAN U_GMSG_bSend(MBOX mbox, const GMSG_ADDRESS* dst, U32 id, const G_DATA_TYPE* type, const void* body, U64 token,
                     U64 reply_token, U32 flags, const GMSG_ALT_TRANSPORT* alt, BOOLEAN bUdp, U32 udp_length,
                     BOOLEAN bAsync, U32 timeout_ms) {
  SEMA sema;
  {
    RegistryLock lock;
    GMSG_MAILBOX* r = s_pFind(mbox);
    if (r == nullptr) return FALSE;
    sema = r->RtxcSema;
  }
  if (alt != nullptr) {
    if (dst == nullptr || dst->MsgAddressType != GMSG_ADDRESS_SOCKET) return FALSE;
    auto* out = s_pNewCommand<MSG_SUDP_OUT_SEND>(CMD_ID_SUDP_OUT_SEND);
    out->u32Address = dst->uAddr.Socket.u32Address;
    out->u32Port = dst->uAddr.Socket.u32Port;
    out->u32Raw = alt->bRaw ? 1 : 0;
    out->u32MultiPacket = alt->u32MultiPacket;
    if (alt->bRaw) {
      out->ucpMessage = static_cast<U8*>(const_cast<void*>(body));
      out->u32MessageLength = alt->u32DataLength;
    } else {
      GMSG_INFO info;
      if (!GMSG_bCompose(&info, nullptr, dst, id, type, body, token, reply_token, flags, FALSE, 0)) {
        log_me("Compose failed!\n");
        H_MEMORY_vFree(out);
        return FALSE;
      }
      out->ucpMessage = info.pu8Block;  // header and body, now the service's
      out->u32MessageLength = GMSG_HEADER_SIZE + info.Header.u32MsgSize;
    }
    L_MBOX_Send(M_SUDPOUT, out, 3, 0);
    return TRUE;
  }
  U32 unit = 0;
  if (!bUdp && !GMSG_bUnitAddress(&unit)) return FALSE;  // the network is not up
  auto* m = s_pNewCommand<MSG_GMSG_SEND>(CMD_ID_GMSG_SEND);
  if (!GMSG_bCompose(&m->MsgInfo, nullptr, dst, id, type, body, token, reply_token, flags, bUdp, udp_length)) {
    H_MEMORY_vFree(m);
    return FALSE;
  }
  m->MsgInfo.u32TimeoutInMs = timeout_ms;
  m->Mailbox = mbox;
  if (bAsync) {
    L_MBOX_Send(M_GMSG, m, 3, 0);
    return TRUE;
  }
  return s_bPostWaitResult(m, sema);
}

BOOLEAN U_GMSG_bSendMsgNoReply(MBOX mbox, const GMSG_ADDRESS* dst, U32 id, const G_DATA_TYPE* type, const void* body,
                               U64 token) {
  return U_GMSG_bSend(mbox, dst, id, type, body, token, GMSG_NO_TOKEN, 0, nullptr, FALSE, 0, FALSE,
                      GMSG_DEFAULT_TIMEOUT_MS);
}

BOOLEAN U_GMSG_bSendMsgNoWait(MBOX mbox, const GMSG_ADDRESS* dst, U32 id, const G_DATA_TYPE* type, const void* body,
                              U64 token, U32 timeout_ms) {
  return U_GMSG_bSend(mbox, dst, id, type, body, token, GMSG_NO_TOKEN, 0, nullptr, FALSE, 0, TRUE, timeout_ms);
}

BOOLEAN U_GMSG_bSendMsgNoWaitAsync(MBOX mbox, const GMSG_ADDRESS* dst, U32 id, const G_DATA_TYPE* type,
                                   const void* body, U64 token, U32 timeout_ms) {
  return U_GMSG_bSend(mbox, dst, id, type, body, token, GMSG_NO_TOKEN, 0, nullptr, FALSE, 0, FALSE, timeout_ms);
}

BOOLEAN U_GMSG_bSendMsgNoReplyAlt(MBOX mbox, const GMSG_ADDRESS* dst, U32 id, const G_DATA_TYPE* type,
                                  const void* body, U64 token, const GMSG_ALT_TRANSPORT* alt) {
  if (alt == nullptr) return FALSE;
  return U_GMSG_bSend(mbox, dst, id, type, body, token, GMSG_NO_TOKEN, 0, alt, FALSE, 0, FALSE, 0);
}

BOOLEAN U_GMSG_bSendUdpMsgNoReply(MBOX mbox, const GMSG_ADDRESS* dst, U32, const G_DATA_TYPE*, const void* payload,
                                  U64 token, U32 length) {
  if (payload == nullptr || length == 0 || length > GMSG_MAX_UDP_PAYLOAD || dst == nullptr) return FALSE;
  {
    RegistryLock lock;
    GMSG_MAILBOX* r = s_pFind(mbox);
    if (r == nullptr || !r->bUdp) return FALSE;  // a stream registration would send the payload as a header
  }
  return U_GMSG_bSend(mbox, dst, 0, nullptr, payload, token, GMSG_NO_TOKEN, 0, nullptr, TRUE, length, FALSE, 0);
}

BOOLEAN U_GMSG_bRequest(MBOX mbox, const GMSG_ADDRESS* dst, U32 id, const G_DATA_TYPE* type, const void* body,
                        U64 token) {
  return U_GMSG_bSend(mbox, dst, id, type, body, token, 0, GMSG_FLAG_REQUEST, nullptr, FALSE, 0, FALSE,
                      GMSG_DEFAULT_TIMEOUT_MS);
}

BOOLEAN U_GMSG_bReply(MBOX mbox, const GMSG_INFO* rcv, U32 id, const G_DATA_TYPE* type, const void* body) {
  return U_GMSG_bSend(mbox, &rcv->Header.SrcAddress, id, type, body, rcv->Header.u64Token,
                      rcv->Header.__u64ReplyToken, GMSG_FLAG_REPLY, nullptr, FALSE, 0, FALSE, GMSG_DEFAULT_TIMEOUT_MS);
}

BOOLEAN U_GMSG_bDisconnect(MBOX mbox, const GMSG_ADDRESS* peer) {
  if (peer == nullptr) return FALSE;
  {
    RegistryLock lock;
    GMSG_MAILBOX* r = s_pFind(mbox);
    if (r == nullptr) return FALSE;
    GMSG_CONN* c = r->pConns;
    while (c && !(c->bAddressSet && !c->bReadOnly && !c->bMarkForDelete && GMSG_bAddressEqual(&c->Peer, peer))) {
      c = c->pNext;
    }
    if (c == nullptr) return FALSE;
    c->bMarkForDelete = TRUE;  // no longer used for sending or watched; the message-layer task closes it
  }
  auto* m = s_pNewCommand<MSG_GMSG_DISCONNECT>(CMD_ID_GMSG_DISCONNECT);
  m->Mailbox = mbox;
  m->Address = *peer;
  L_MBOX_Send(M_GMSG, m, 3, 0);
  return TRUE;
}

BOOLEAN U_GMSG_bSignal(MBOX mbox) {
  {
    RegistryLock lock;
    GMSG_MAILBOX* r = s_pFind(mbox);
    if (r != nullptr && r->nReading > 0) return FALSE;
  }
  s_vWakeSocketTask();
  return TRUE;
}

// ---------------------------------------------------------------- registry look-ups
GMSG_REG_MAILBOX_NODE* U_GMSG_pFindMailboxNodeById(MBOX mbox) {
  RegistryLock lock;
  return s_pFind(mbox);
}

BOOLEAN U_GMSG_bAcquireMailboxNode(GMSG_REG_MAILBOX_NODE* node, BOOLEAN bReading) {
  RegistryLock lock;
  for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
    if (r == node && !r->bMarkForDelete) {
      ++(bReading ? r->nReading : r->nAccess);
      return TRUE;
    }
  }
  return FALSE;
}

BOOLEAN U_GMSG_bReleaseMailboxNode(GMSG_REG_MAILBOX_NODE* node, BOOLEAN bReading) {
  {
    RegistryLock lock;
    GMSG_MAILBOX* r = s_pRegistry;
    while (r && r != node) r = r->pNext;
    if (r == nullptr) return FALSE;
    S32& holds = bReading ? r->nReading : r->nAccess;
    if (holds <= 0) return FALSE;
    --holds;
  }
  // A registration unregistered while held is deleted by the message-layer
  // task on its next period, once the last hold is gone.
  s_vWakeSocketTask();
  return TRUE;
}

GMSG_REG_MAILBOX_NODE* U_GMSG_pAcquireMailboxNodeById(MBOX mbox, BOOLEAN bReading) {
  RegistryLock lock;
  GMSG_MAILBOX* r = s_pFind(mbox);
  if (r) ++(bReading ? r->nReading : r->nAccess);
  return r;
}

GMSG_REG_MAILBOX_NODE* U_GMSG_pFindMailboxNodeByFd(S32 fd) {
  RegistryLock lock;
  for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
    if (r->bMarkForDelete) continue;
    if (r->Listen.nSocket == fd) return r;
    for (GMSG_CONN* c = r->pConns; c; c = c->pNext) {
      if (c->Socket.nSocket == fd) return r;
    }
  }
  return nullptr;
}

GMSG_REG_MAILBOX_NODE* U_GMSG_pAcquireMailboxNodeByFd(S32 fd, BOOLEAN bReading) {
  RegistryLock lock;
  GMSG_MAILBOX* r = U_GMSG_pFindMailboxNodeByFd(fd);
  if (r) ++(bReading ? r->nReading : r->nAccess);
  return r;
}

GMSG_REG_MAILBOX_NODE* U_GMSG_pFindMailboxNodeWithExpiredRequest(void) {
  RegistryLock lock;
  for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
    if (r->bMarkForDelete) continue;
    L_MUTEX_LockWait(r->Requests.RequestMutex);
    bool expired = false;
    for (GMSG_REQUEST_NODE* n = r->Requests.pHead; n && !expired; n = n->pNext) expired = n->s32RequestTimeout == 0;
    L_MUTEX_Unlock(r->Requests.RequestMutex);
    if (expired) return r;
  }
  return nullptr;
}

GMSG_REG_MAILBOX_NODE* U_GMSG_pAcquireMailboxNodeWithExpiredRequest(BOOLEAN bReading) {
  RegistryLock lock;
  GMSG_MAILBOX* r = U_GMSG_pFindMailboxNodeWithExpiredRequest();
  if (r) ++(bReading ? r->nReading : r->nAccess);
  return r;
}

MBOX U_GMSG_nMailboxNodeMailbox(const GMSG_REG_MAILBOX_NODE* node) { return node ? node->RtxcMailbox : (MBOX)0; }
S32 U_GMSG_nMailboxNodeSocket(const GMSG_REG_MAILBOX_NODE* node) { return node ? node->Listen.nSocket : -1; }
S32 U_GMSG_nSocketNodeSocket(const GMSG_SOCKET_NODE* c) { return c ? c->Socket.nSocket : -1; }

GMSG_SOCKET_NODE* U_GMSG_pFindSocketNodeByFd(GMSG_REG_MAILBOX_NODE* node, S32 fd) {
  if (node == nullptr) return nullptr;
  RegistryLock lock;
  for (GMSG_CONN* c = node->pConns; c; c = c->pNext) {
    if (c->Socket.nSocket == fd && !c->bMarkForDelete) return c;
  }
  return nullptr;
}

GMSG_SOCKET_NODE* U_GMSG_pFindSocketNodeByAddress(GMSG_REG_MAILBOX_NODE* node, const GMSG_ADDRESS* peer) {
  if (node == nullptr || peer == nullptr) return nullptr;
  RegistryLock lock;
  for (GMSG_CONN* c = node->pConns; c; c = c->pNext) {
    if (c->bAddressSet && !c->bReadOnly && !c->bMarkForDelete && GMSG_bAddressEqual(&c->Peer, peer)) return c;
  }
  return nullptr;
}

BOOLEAN U_GMSG_bReplyWithStatus(MBOX mbox, const GMSG_INFO* rcv, U32 status) {
  const GMSG_STATUS st{status, rcv->Header.u32MsgId, rcv->Header.u64Token};
  return U_GMSG_bReply(mbox, rcv, GMSG_ID_STATUS, &DT_GMSG_STATUS, &st);
}

BOOLEAN GMSG_bDefaultMsgHandler(MBOX, GMSG_INFO*, void*, void*) { return FALSE; }

BOOLEAN GMSG_bHandleMsg(MBOX mbox, const GMSG_MAP_INFO* map, GMSG_INFO* info) {
  static const GMSG_MAP_INFO s_DefaultMspMapInfo = {0, &GMSG_bDefaultMsgHandler, nullptr, nullptr, nullptr};
  const GMSG_MAP_INFO* row = map;
  while (row && row->MsgIdType != 0 && row->MsgIdType != info->Header.u32MsgId) ++row;
  if (row == nullptr || row->MsgIdType == 0) row = &s_DefaultMspMapInfo;
  BOOLEAN handled = FALSE;
  if (!GMSG_bParse(info, row->pDataType)) {
    // A body that does not decode is never handed on.
    log_me("GMSG_bHandleMsg: body of message 0x%X does not decode", info->Header.u32MsgId);
  } else {
    handled = row->pfHandler ? row->pfHandler(mbox, info, row->pvParam1, row->pvParam2) : FALSE;
  }
  if (!handled) {
    if (info->Header.u32MsgFlags & GMSG_FLAG_REQUEST) U_GMSG_bReplyWithStatus(mbox, info, GMSG_STATUS_NOT_HANDLED);
    log_me("Unhandled Message - Class: %s, Offset: %d", GMSG_pcClassName(info->Header.u32MsgId >> 16),
           (int)(info->Header.u32MsgId & 0xFFFF));
  }
  return TRUE;
}

namespace {
BOOLEAN s_bReceiveDone(MSG_GMSG_RECEIVE* m, bool dispatch) {
  const GMSG_MAP_INFO* map = nullptr;
  bool live = false;
  {
    RegistryLock lock;
    for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
      if (r->RtxcMailbox == m->Mailbox) {
        map = r->pMap;
        live = !r->bMarkForDelete;
        break;
      }
    }
  }
  if (dispatch && live) GMSG_bHandleMsg(m->Mailbox, map, &m->MsgInfo);
  GMSG_bFree(&m->MsgInfo);
  {
    RegistryLock lock;
    for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
      if (r->RtxcMailbox == m->Mailbox) --r->nReading;
    }
  }
  s_vWakeSocketTask();
  return TRUE;
}
}  // namespace

BOOLEAN U_GMSG_bHandleReceive(MSG_GMSG_RECEIVE* m) { return s_bReceiveDone(m, true); }
BOOLEAN U_GMSG_bSkipReceive(MSG_GMSG_RECEIVE* m) { return s_bReceiveDone(m, false); }

// ---------------------------------------------------------------- deleting
namespace {
bool s_bInRegistry(const GMSG_MAILBOX* node) {
  for (GMSG_MAILBOX* r = s_pRegistry; r; r = r->pNext) {
    if (r == node) return true;
  }
  return false;
}
}  // namespace

BOOLEAN U_GMSG_bDeleteMailboxNode(GMSG_REG_MAILBOX_NODE* node) {
  {
    RegistryLock lock;
    if (node == nullptr || !s_bInRegistry(node)) return FALSE;
    if (node->nReading > 0 || node->nAccess > 0 || !s_bInMessageTask) {
      // The message-layer task deletes it on its next period once no hold is left.
      node->bMarkForDelete = TRUE;
      return FALSE;
    }
  }
  s_vDeleteRegistration(node);
  return TRUE;
}

BOOLEAN U_GMSG_bDeleteMailboxNodeById(MBOX mbox) {
  GMSG_MAILBOX* r;
  {
    RegistryLock lock;
    r = s_pFind(mbox);
    if (r == nullptr) return FALSE;
    if (!s_bInMessageTask) {
      r->bMarkForDelete = TRUE;
      return FALSE;
    }
  }
  return U_GMSG_bDeleteMailboxNode(r);  // only this task deletes: r is still there
}

BOOLEAN U_GMSG_bDeleteSocketNode(GMSG_REG_MAILBOX_NODE* node, GMSG_SOCKET_NODE* conn) {
  {
    RegistryLock lock;
    if (node == nullptr || conn == nullptr || !s_bInRegistry(node)) return FALSE;
    GMSG_CONN* c = node->pConns;
    while (c && c != conn) c = c->pNext;
    if (c == nullptr || c->bMarkForDelete) return FALSE;
    if (!s_bInMessageTask) {
      // No longer used for sending or watched; the message-layer task closes it.
      c->bMarkForDelete = TRUE;
      auto* m = s_pNewCommand<MSG_GMSG_DISCONNECT>(CMD_ID_GMSG_DISCONNECT);
      m->Mailbox = node->RtxcMailbox;
      m->Address = c->Peer;
      L_MBOX_Send(M_GMSG, m, 3, 0);
      return FALSE;
    }
  }
  s_vDeleteConn(node, conn);
  return TRUE;
}

BOOLEAN U_GMSG_bUpdateSocketNodeAddress(GMSG_REG_MAILBOX_NODE* node, GMSG_SOCKET_NODE* conn,
                                        const GMSG_ADDRESS* pPeer) {
  if (node == nullptr || conn == nullptr || pPeer == nullptr) return FALSE;
  RegistryLock lock;
  if (!s_bInRegistry(node)) return FALSE;
  GMSG_CONN* c = node->pConns;
  while (c && c != conn) c = c->pNext;
  if (c == nullptr || c->bAddressSet) return FALSE;
  c->Peer = *pPeer;
  c->bAddressSet = TRUE;
  c->bReadOnly = GMSG_bAddressEqual(pPeer, &node->MsgAddress);
  return TRUE;
}
