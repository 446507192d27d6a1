// Serial ports of the board: each port is its terminal device.
#include <fcntl.h>
#include <unistd.h>

#include "source/platform/platform.h"

void PLATFORM_vSerialPublish(const char* const devices[PLATFORM_SERIAL_PORTS], const char* folder) {
  (void)devices;
  (void)folder;
}

int PLATFORM_nSerialOpen(int port, const char* device, BOOLEAN bReadOnly) {
  (void)port;
  if (device == nullptr) return -1;
  return open(device, (bReadOnly ? O_RDONLY : O_RDWR) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

void PLATFORM_vSerialClose(int port, int fd) {
  (void)port;
  if (fd >= 0) close(fd);
}

std::string PLATFORM_sSerialPeerName(int port) {
  (void)port;
  return "";
}
