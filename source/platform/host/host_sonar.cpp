// The sonar coprocessor on this machine: a stand-in program at the end of a
// sequenced-packet socket (see platform.h).
#include <errno.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "source/platform/platform.h"

int PLATFORM_nSonarOpen(const char* device) {
  const std::string path = PLATFORM_sResolvePath(device);
  struct sockaddr_un addr;
  memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    PLATFORM_vTrace("sonar: device path too long: %s", path.c_str());
    return -1;
  }
  memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, (struct sockaddr*)&addr, sizeof addr) != 0) {
    const int e = errno;
    PLATFORM_vTrace("sonar: cannot open %s (%s)", path.c_str(), strerror(e));
    close(fd);
    errno = e;
    return -1;
  }
  const int size = 1 << 20;
  (void)setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  (void)setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  return fd;
}

long PLATFORM_nSonarWrite(int fd, const void* block, size_t size) {
  // A packet of the request's size would read as a request: the device takes
  // no command block that short.
  if (size <= PLATFORM_SONAR_REQUEST_BYTES) return -1;
  for (;;) {
    const ssize_t n = send(fd, block, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    return (long)n;
  }
}

long PLATFORM_nSonarRead(int fd, void* buffer, size_t size) {
  const unsigned char request[PLATFORM_SONAR_REQUEST_BYTES] = {
      (unsigned char)(size & 0xFF), (unsigned char)((size >> 8) & 0xFF), (unsigned char)((size >> 16) & 0xFF),
      (unsigned char)((size >> 24) & 0xFF)};
  ssize_t n;
  do {
    n = send(fd, request, sizeof request, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n != (ssize_t)sizeof request) return -1;
  do {
    n = recv(fd, buffer, size, 0);
  } while (n < 0 && errno == EINTR);
  if (n == 0) return -1;  // the stand-in went away
  return (long)n;
}

void PLATFORM_vSonarClose(int fd) {
  if (fd >= 0) close(fd);
}
