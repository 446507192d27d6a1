// The segmented UDP sender (mailbox 58) and receiver (mailbox 57) tasks.
#include "source/unitnet/t_sudp.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/cmd_id.h"
#include "common/net_types.h"
#include "source/core/t_gmsg.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/unitnet/u_sudp.h"

#ifndef IP_MULTICAST_ALL
#define IP_MULTICAST_ALL 49
#endif

namespace {

// ------------------------------------------------------------ sender
U32 s_u32Sequence = 0;

void vWaitForAddress(void) {
  while (!T_ETHERNET_bIsAddressReady()) L_CLOCK_Sleep(100);
}

void vSegmentedSend(int sock, const U8* msg, U32 length, U32 seq, const sockaddr_in& to) {
  U8 datagram[SUDP_DATAGRAM_BYTES];
  const U32 parts = U_SUDP_u32PartCount(length);
  for (U32 i = 0; i < parts; ++i) {
    U_SUDP_vMakeDatagram(msg, length, seq, i, datagram);
    (void)sendto(sock, datagram, sizeof datagram, 0, (const sockaddr*)&to, sizeof to);
  }
}

// ------------------------------------------------------------ receiver
constexpr U32 SLOTS = 10;
constexpr U32 PACKET_BUFFER = 1350;

struct SLOT {
  int readSocket;
  int port;
  SUDP_REASSEMBLY r;
  U32 isRaw, isMultiPacket, mailBox;
  char mcastAddress[SUDP_GROUP_TEXT];
  S32 s32Registered;
};
SLOT s_aContextArray[SLOTS];
U32 s_u32LocalAddress = 0;

void vInitializeSlot(SLOT* s) {
  U_SUDP_vResetReassembly(&s->r);
  s->readSocket = -1;
  s->port = 0;
  s->isRaw = s->isMultiPacket = s->mailBox = 0;
  snprintf(s->mcastAddress, sizeof s->mcastAddress, "0.0.0.0");
  s->s32Registered = -1;
}

bool bHasGroup(const char* text) { return text[0] != '0' && text[0] != '\0'; }

ip_mreq Membership(const char* group) {
  ip_mreq m;
  memset(&m, 0, sizeof m);
  inet_pton(AF_INET, group, &m.imr_multiaddr);
  m.imr_interface.s_addr = s_u32LocalAddress;
  return m;
}

void vDropMembership(SLOT* s) {
  if (s->readSocket < 0 || !bHasGroup(s->mcastAddress)) return;
  const ip_mreq m = Membership(s->mcastAddress);
  for (int i = 0; i < 8; ++i) {
    if (setsockopt(s->readSocket, IPPROTO_IP, IP_DROP_MEMBERSHIP, &m, sizeof m) != 0) break;
  }
}

S32 s32AddMembership(SLOT* s) {
  vDropMembership(s);
  const ip_mreq m = Membership(s->mcastAddress);
  return setsockopt(s->readSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m) == 0 ? 0 : -1;
}

void vFreeSlot(SLOT* s) {
  vDropMembership(s);
  if (s->readSocket >= 0) close(s->readSocket);
  vInitializeSlot(s);
}

SLOT* pFindByGroup(const char* group) {
  for (SLOT& s : s_aContextArray)
    if (s.readSocket >= 0 && strncmp(s.mcastAddress, group, SUDP_GROUP_TEXT) == 0) return &s;
  return nullptr;
}
SLOT* pFindByPort(U32 port) {
  for (SLOT& s : s_aContextArray)
    if (s.readSocket >= 0 && (U32)s.port == port) return &s;
  return nullptr;
}

void vHandleRegister(const MSG_SUDP_IN_REGISTER* m) {
  char group[SUDP_GROUP_TEXT];
  memcpy(group, m->mcastAddress, sizeof group);
  group[SUDP_GROUP_TEXT - 1] = '\0';
  if (m->doRegister == 0) {
    SLOT* s = pFindByGroup(group);
    if (s == nullptr) s = pFindByPort(m->port);
    if (s != nullptr) {
      log_me("sudp in: port %u group %s closed", (unsigned)s->port, s->mcastAddress);
      vFreeSlot(s);
    }
    return;
  }
  if (SLOT* s = pFindByGroup(group)) {
    if (s->s32Registered != 0) s->s32Registered = s32AddMembership(s);
    return;
  }
  if (SLOT* s = pFindByPort(m->port)) vFreeSlot(s);
  SLOT* s = nullptr;
  for (SLOT& c : s_aContextArray) {
    if (c.readSocket < 0) {
      s = &c;
      break;
    }
  }
  if (s == nullptr) {
    log_me("sudp in: no free slot for port %u group %s", m->port, group);
    return;
  }
  vInitializeSlot(s);
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return;
  const int one = 1, zero = 0;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  // Only the groups this socket joined: otherwise every unit on the machine
  // would take every other unit's streams on the same port.
  setsockopt(fd, IPPROTO_IP, IP_MULTICAST_ALL, &zero, sizeof zero);
  sockaddr_in a;
  memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons((U16)m->port);
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  const int r = bind(fd, (const sockaddr*)&a, sizeof a);
  if (r != 0) {
    log_me("ERROR T_SUDP_IN_s32CreateUDPReceiveSocket %d %d\n", (int)m->port, r);
    close(fd);
    return;
  }
  s->readSocket = fd;
  s->port = (int)m->port;
  s->mailBox = m->mailBox;
  s->isRaw = m->isRaw;
  s->isMultiPacket = m->isMultiPacket;
  memcpy(s->mcastAddress, group, sizeof group);
  if (bHasGroup(group)) s->s32Registered = s32AddMembership(s);
  log_me("sudp in: port %u group %s to mailbox %u, joined %d", m->port, group, m->mailBox, (int)s->s32Registered);
}

void vSendToClient(SLOT* s, U8* body, U32 length) {
  if (s->isRaw != 0) {
    auto* m = (MSG_SUDP_IN_RECEIVE*)H_MEMORY_pvMallocNoWait(sizeof(MSG_SUDP_IN_RECEIVE));
    if (m == nullptr) {
      log_me("T_SUDP_IN_vSendRaw no memory!!");
      H_MEMORY_vFree(body);
      return;
    }
    memset(m, 0, sizeof *m);
    m->Header.Cmd = CMD_ID_SUDP_IN_RECEIVE;
    m->cpMessageBody = body;
    m->u32MessageLength = length;
    m->u32Port = (U32)s->port;
    memcpy(m->mcastAddress, s->mcastAddress, SUDP_GROUP_TEXT);
    if (L_MBOX_Send((MBOX)s->mailBox, m, 3, 0) != lsSUCCESS) {
      H_MEMORY_vFree(body);
      H_MEMORY_vFree(m);
    }
    return;
  }
  auto* m = (MSG_GMSG_NEW_MESSAGE_EXT*)H_MEMORY_pvMallocNoWait(sizeof(MSG_GMSG_NEW_MESSAGE_EXT));
  if (m == nullptr) {
    H_MEMORY_vFree(body);
    return;
  }
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_GMSG_NEW_MESSAGE_EXT;
  m->Mailbox = (MBOX)s->mailBox;
  m->cpMessageBody = body;
  m->u32MessageLength = length;
  m->bIsRaw = FALSE;
  if (L_MBOX_Send(M_GMSG, m, 3, 0) != lsSUCCESS) {
    H_MEMORY_vFree(body);
    H_MEMORY_vFree(m);
  }
}

void vProcessPacket(SLOT* s, const U8* packet, S32 n) {
  if (s->isMultiPacket == 0) {
    U8* body = (U8*)H_MEMORY_pvMallocNoWait((size_t)n);
    if (body == nullptr) return;
    memcpy(body, packet, (size_t)n);
    vSendToClient(s, body, (U32)n);
    return;
  }
  U8* msg = nullptr;
  U32 length = 0;
  if (U_SUDP_bReassemble(&s->r, packet, n, &msg, &length)) vSendToClient(s, msg, length);
}

void vDoReceive(SLOT* s) {
  U8* packet = (U8*)H_MEMORY_pvMallocNoWait(PACKET_BUFFER);
  if (packet == nullptr) {
    log_me("sudp in: no packet buffer");
    return;
  }
  for (;;) {
    sockaddr_in from;
    socklen_t fl = sizeof from;
    const ssize_t n = recvfrom(s->readSocket, packet, SUDP_DATAGRAM_BYTES + 1, MSG_DONTWAIT, (sockaddr*)&from, &fl);
    if (n <= 0) break;
    // Multicast loopback is off, yet on one machine the unit's own streams
    // still come back: they are not another unit's.
    if (s_u32LocalAddress != 0 && from.sin_addr.s_addr == s_u32LocalAddress) continue;
    vProcessPacket(s, packet, (S32)n);
  }
  H_MEMORY_vFree(packet);
}

void vDoSelect(void) {
  if (!T_ETHERNET_bIsAddressReady()) {
    L_CLOCK_Sleep(100);
    return;
  }
  pollfd fds[SLOTS];
  SLOT* which[SLOTS];
  nfds_t count = 0;
  for (SLOT& s : s_aContextArray) {
    if (s.readSocket < 0) continue;
    if (s.s32Registered == -1 && bHasGroup(s.mcastAddress)) s.s32Registered = s32AddMembership(&s);
    fds[count] = {s.readSocket, POLLIN, 0};
    which[count++] = &s;
  }
  if (count == 0) {
    L_CLOCK_Sleep(100);
    return;
  }
  if (poll(fds, count, 100) <= 0) return;
  for (nfds_t i = 0; i < count; ++i) {
    if (fds[i].revents & POLLIN) vDoReceive(which[i]);
  }
}

}  // namespace

void T_SUDP_OUT_vTask(void) {
  vWaitForAddress();
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  U32 local = 0;
  if (!GMSG_bUnitAddress(&local)) log_me("Can't get local address!!!!\n");
  // Bound to the unit's own address, so that receivers see which unit sent
  // a stream (several units may share one machine).
  sockaddr_in self;
  memset(&self, 0, sizeof self);
  self.sin_family = AF_INET;
  self.sin_addr.s_addr = local;
  if (local != 0 && bind(sock, (const sockaddr*)&self, sizeof self) != 0) log_me("T_SUDP_OUT_vMain: bind failed");
  const unsigned char loop = 0;
  if (setsockopt(sock, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
    log_me("T_SUDP_OUT_vMain: Error IP_MULTICAST_LOOP\n");
  in_addr itf;
  itf.s_addr = local;
  if (setsockopt(sock, IPPROTO_IP, IP_MULTICAST_IF, &itf, sizeof itf) != 0)
    log_me("T_SUDP_OUT_vMain: Error IP_MULTICAST_IF\n");
  for (;;) {
    L_SEMA_Wait(SEMA_MBOX_SUDPOUT);
    while (void* p = L_MBOX_Receive(M_SUDPOUT)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_SUDP_OUT_SEND) {
        const auto* m = (const MSG_SUDP_OUT_SEND*)p;
        sockaddr_in to;
        memset(&to, 0, sizeof to);
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = m->u32Address;
        to.sin_port = htons((U16)m->u32Port);
        if (m->u32Address == 0) {
          // Address 0 names no unit: such streams stay on this unit.
        } else if (m->u32MultiPacket != 0) {
          vSegmentedSend(sock, m->ucpMessage, m->u32MessageLength, s_u32Sequence, to);
          ++s_u32Sequence;
        } else {
          (void)sendto(sock, m->ucpMessage, m->u32MessageLength, 0, (const sockaddr*)&to, sizeof to);
        }
        H_MEMORY_vFree(m->ucpMessage);
      } else if (g->Cmd == CMD_ID_SHUTDOWN) {
        H_MEMORY_vDumpMail(p);
        for (;;) H_MEMORY_vDumpMail(L_MBOX_ReceiveWait(M_SUDPOUT));
      }
      H_MEMORY_vDumpMail(p);
    }
  }
}

void T_SUDP_IN_vTask(void) {
  vWaitForAddress();
  for (SLOT& s : s_aContextArray) {
    memset(&s, 0, sizeof s);
    vInitializeSlot(&s);
  }
  if (!GMSG_bUnitAddress(&s_u32LocalAddress)) log_me("Can't get local address!!!!\n");
  for (;;) {
    vDoSelect();
    if (void* p = L_MBOX_Receive(M_SUDPIN)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_SUDP_IN_REGISTER) {
        vHandleRegister((const MSG_SUDP_IN_REGISTER*)p);
      } else if (g->Cmd == CMD_ID_SUDP_IN_MULTICAST_RESET) {
        for (SLOT& s : s_aContextArray) s.s32Registered = -1;
      }
      H_MEMORY_vDumpMail(p);
    }
  }
}
