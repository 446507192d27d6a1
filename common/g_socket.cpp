// Socket wrapper of the network message layer.
#include "common/g_socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lsvc/lsvc.h"

namespace {
void s_vFill(sockaddr_in* sa, U32 address, U16 port) {
  memset(sa, 0, sizeof *sa);
  sa->sin_family = AF_INET;
  sa->sin_addr.s_addr = address;
  sa->sin_port = htons(port);
}

S32 s_nCreate(GSOCKET* s, U32 address, U16 port, BOOLEAN listen_, S32 backlog, BOOLEAN nonblocking, bool udp) {
  const char* who = udp ? "GSOCKET_bCreateUdp" : "GSOCKET_bCreate";
  memset(s, 0, sizeof *s);
  s->nSocket = -1;
  sockaddr_in sa;
  S32 fd = -1;
  if (!GSOCKET_bOpenSocket(&fd, &sa, nullptr, address, port, FALSE, udp)) {
    log_me("%s: Error creating socket", who);
    return FALSE;
  }
  s->nSocket = fd;
  s->Address = GSOCKET_ADDRESS{address, port, 0, 0};
  s->nBacklog = backlog;
  if (listen_) {
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      log_me("%s: Error binding socket", who);
      close(fd);
      s->nSocket = -1;
      return FALSE;
    }
    if (!udp) (void)listen(fd, backlog);
    s->bListen = TRUE;
  }
  GSOCKET_bSetNonBlocking(s, nonblocking);
  return TRUE;
}
}  // namespace

BOOLEAN GSOCKET_bOpenSocket(S32* pnSocket, void* pSockAddrIn, const char* pcHost, U32 u32Address, U16 u16Port,
                            BOOLEAN bSetLinger, BOOLEAN bUdp) {
  sockaddr_in sa;
  if (pcHost != nullptr) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int r = getaddrinfo(pcHost, nullptr, &hints, &found);
    if (r != 0 || found == nullptr) {
      fprintf(stderr, "gethostbyname(): %s\n", gai_strerror(r));
      return FALSE;  // nothing was opened
    }
    u32Address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
  }
  const int fd = socket(AF_INET, (bUdp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
  if (fd < 0) return FALSE;
  const int on = 1;
  if (!bUdp) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  if (bSetLinger) {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  }
  s_vFill(&sa, u32Address, u16Port);
  if (pSockAddrIn) memcpy(pSockAddrIn, &sa, sizeof sa);
  *pnSocket = fd;
  return TRUE;
}

BOOLEAN GSOCKET_bCreate(GSOCKET* s, U32 a, U16 p, BOOLEAN l, S32 b, BOOLEAN nb) { return s_nCreate(s, a, p, l, b, nb, false); }
BOOLEAN GSOCKET_bCreateUdp(GSOCKET* s, U32 a, U16 p, BOOLEAN l, S32 b, BOOLEAN nb) { return s_nCreate(s, a, p, l, b, nb, true); }

S32 GSOCKET_nWait(S32 nSocket, BOOLEAN bWrite, U32 u32TimeoutMs) {
  pollfd pfd{nSocket, (short)(bWrite ? POLLOUT : POLLIN), 0};
  int r;
  do {
    r = poll(&pfd, 1, (int)u32TimeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -1;
  if (r == 0) return 0;
  if (pfd.revents & (bWrite ? POLLOUT : POLLIN)) return 1;
  return -1;  // error or hang-up only
}

BOOLEAN GSOCKET_bConnect(GSOCKET* s, U32 u32LocalAddress) {
  if (s->bListen) FATAL_ERROR("GSOCKET_bConnect: connect on listening socket");
  bool ok = false;
  if (u32LocalAddress != 0) {
    sockaddr_in local;
    s_vFill(&local, u32LocalAddress, 0);
    if (bind(s->nSocket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) goto failed;
  }
  {
    sockaddr_in sa;
    s_vFill(&sa, s->Address.u32Address, (U16)s->Address.u32Port);
    if (connect(s->nSocket, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return TRUE;
    if (errno == EINPROGRESS) {
      const S32 r = GSOCKET_nWait(s->nSocket, TRUE, 250);
      int err = 0;
      socklen_t len = sizeof err;
      if (r <= 0) {
        log_me("GSOCKET_bConnect: select returns ret=%d (errno=%d)\r\n", r, errno);
      } else if (getsockopt(s->nSocket, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) {
        ok = true;
      }
    }
  }
failed:
  if (ok) return TRUE;
  close(s->nSocket);
  s->nSocket = -1;
  log_me("GSOCKET_bConnect: socket connect failure");
  return FALSE;
}

BOOLEAN GSOCKET_bAccept(GSOCKET* pListen, GSOCKET* s, BOOLEAN bNonBlocking) {
  if (!pListen->bListen) FATAL_ERROR("GSOCKET_bAccept: accept on non-listening socket");
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  const int fd = accept4(pListen->nSocket, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
  if (fd < 0) {
    log_me("GSOCKET_bAccept: socket accept failure\n");
    return FALSE;
  }
  memset(s, 0, sizeof *s);
  s->nSocket = fd;
  GSOCKET_bSetNonBlocking(s, bNonBlocking);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  s->Address = GSOCKET_ADDRESS{sa.sin_addr.s_addr, ntohs(sa.sin_port), 0, 0};
  return TRUE;
}

BOOLEAN GSOCKET_bSetNonBlocking(GSOCKET* s, BOOLEAN bNonBlocking) {
  const int flags = bNonBlocking ? O_NONBLOCK : 0;
  if (fcntl(s->nSocket, F_SETFL, flags) != 0) {
    log_me("GSOCKET_bSetNonBlocking: error setting O_NONBLOCK");
    return FALSE;
  }
  s->bNonBlocking = bNonBlocking;
  return TRUE;
}

BOOLEAN GSOCKET_bSetBroadcastOptions(GSOCKET* s) {
  const int on = 1;
  setsockopt(s->nSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  return TRUE;
}

BOOLEAN GSOCKET_bClose(GSOCKET* s) {
  if (s->nSocket < 0) return TRUE;
  // Another thread may be polling this descriptor: its poll keeps the socket,
  // and with it the bound port, alive until it returns. A listening socket
  // is taken out of listening here so that its port can be bound again at
  // once (a registration made again right after its unregistration).
  if (s->bListen) (void)shutdown(s->nSocket, SHUT_RDWR);
  const int r = close(s->nSocket);
  s->nSocket = -1;
  if (r != 0) {
    log_me("GSOCKET_bClose: error closing socket");
    return FALSE;
  }
  return TRUE;
}

S32 GSOCKET_nSend(GSOCKET* s, const void* pData, S32 nLength) {
  const ssize_t r = send(s->nSocket, pData, (size_t)nLength, MSG_NOSIGNAL);
  if (r >= 0) return (S32)r;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  log_me("GSOCKET_bSend: socket send failure");
  return -1;
}

S32 GSOCKET_nReceive(GSOCKET* s, void* pBuffer, S32 nMaximum) {
  const ssize_t r = recv(s->nSocket, pBuffer, (size_t)nMaximum, 0);
  if (r >= 0) return (S32)r;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  log_me("GSOCKET_nReceive: socket receive failure");
  return -1;
}

S32 GSOCKET_nReceiveFrom(GSOCKET* s, void* pBuffer, S32 nMaximum) {
  const ssize_t r = recvfrom(s->nSocket, pBuffer, (size_t)nMaximum, 0, nullptr, nullptr);
  if (r < 0) {
    log_me("GSOCKET_nReceiveFrom: socket receive failure");
    return -1;
  }
  return (S32)r;
}

S32 GSOCKET_nSendTo(GSOCKET* s, const void* pData, S32 nLength, U32 u32Address, U16 u16Port) {
  sockaddr_in sa;
  s_vFill(&sa, u32Address, u16Port);
  const ssize_t r = sendto(s->nSocket, pData, (size_t)nLength, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  return r < 0 ? -1 : (S32)r;
}

S32 GSOCKET_nDataAvailable(GSOCKET* s, void* pBuffer, S32 nMaximum) {
  return (S32)recv(s->nSocket, pBuffer, (size_t)nMaximum, MSG_PEEK | MSG_DONTWAIT);
}

S32 GSOCKET_nDataAvailableUdp(GSOCKET* s, void* pBuffer, S32 nMaximum) {
  return (S32)recvfrom(s->nSocket, pBuffer, (size_t)nMaximum, MSG_PEEK | MSG_DONTWAIT, nullptr, nullptr);
}

BOOLEAN GSOCKET_bGetPeerAddress(const GSOCKET* s, U32* pu32Address) {
  sockaddr_in sa;
  socklen_t len = sizeof sa;
  if (getpeername(s->nSocket, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) return FALSE;
  *pu32Address = sa.sin_addr.s_addr;
  return TRUE;
}

namespace {
BOOLEAN s_bInterfaceQuery(unsigned long request, const char* name, ifreq* out) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return FALSE;
  ifreq req{};
  strncpy(req.ifr_name, name, 15);
  req.ifr_addr.sa_family = AF_INET;
  const bool ok = ioctl(fd, request, &req) == 0;
  close(fd);
  if (ok) *out = req;
  return ok;
}
}  // namespace

BOOLEAN GSOCKET_bGetLocalAddress(U32* pu32Address, const char* pcInterface) {
  ifreq req;
  if (!s_bInterfaceQuery(SIOCGIFADDR, pcInterface, &req)) return FALSE;
  *pu32Address = reinterpret_cast<sockaddr_in*>(&req.ifr_addr)->sin_addr.s_addr;
  return TRUE;
}

BOOLEAN GSOCKET_bGetMacAddress(U8* pu8Mac, const char* pcInterface) {
  ifreq req;
  if (!s_bInterfaceQuery(SIOCGIFHWADDR, pcInterface, &req)) return FALSE;
  memcpy(pu8Mac, req.ifr_hwaddr.sa_data, 6);
  return TRUE;
}
