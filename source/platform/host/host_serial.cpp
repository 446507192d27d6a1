// Serial ports on this machine: each of the four ports is a pseudo-terminal.
// The unit holds the master side; the other end (/dev/pts/N) is for the
// tool that plays the far device. The master is made once and kept open for
// the life of the process, and the unit's opens are copies of it, so the
// other end keeps its name across the unit's closes and reopens and a tool
// may come and go as a cable is plugged and unplugged.
//
// Terminal settings made by the unit on its descriptor (raw mode, speed)
// land on the other end's line, as on a real port. The line starts raw, so
// nothing is echoed or translated before the unit configures it.
#include "source/platform/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <mutex>
#include <string>

namespace {

struct HostSerialPort {
  int master = -1;
  std::string device;  // the board's device the port stands for
  std::string peer;    // the other end
};

std::mutex s_mutex;
HostSerialPort s_ports[PLATFORM_SERIAL_PORTS];
std::string s_folder;  // where the list of ports is written ("" none yet)

// Makes the port's pseudo-terminal. Called with s_mutex held.
bool bMakePort(int port) {
  HostSerialPort& p = s_ports[port];
  if (p.master >= 0) return true;
  const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    PLATFORM_vTrace("serial port %d: no pseudo-terminal (%s)", port, strerror(errno));
    return false;
  }
  char name[128];
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
    PLATFORM_vTrace("serial port %d: pseudo-terminal not usable (%s)", port, strerror(errno));
    close(fd);
    return false;
  }
  // Settings made on the master apply to the other end's line.
  struct termios tio;
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  p.master = fd;
  p.peer = name;
  PLATFORM_vTrace("serial port %d (%s) is the pseudo-terminal %s", port, p.device.c_str(), name);
  return true;
}

// Rewrites the list of ports in the folder. Called with s_mutex held.
void vWriteList(void) {
  if (s_folder.empty()) return;
  const std::string path = s_folder + "/" + PLATFORM_SERIAL_LIST;
  const std::string temp = path + ".new";
  FILE* f = fopen(temp.c_str(), "w");
  if (f == nullptr) {
    PLATFORM_vTrace("serial ports: %s not written (%s)", path.c_str(), strerror(errno));
    return;
  }
  for (int port = 0; port < PLATFORM_SERIAL_PORTS; ++port) {
    const HostSerialPort& p = s_ports[port];
    if (p.master >= 0) fprintf(f, "%d %s %s\n", port, p.device.c_str(), p.peer.c_str());
  }
  const bool ok = fclose(f) == 0;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    PLATFORM_vTrace("serial ports: %s not written (%s)", path.c_str(), strerror(errno));
    unlink(temp.c_str());
  }
}

}  // namespace

void PLATFORM_vSerialPublish(const char* const devices[PLATFORM_SERIAL_PORTS], const char* folder) {
  std::lock_guard<std::mutex> lock(s_mutex);
  if (folder != nullptr) {
    s_folder = folder;
    PLATFORM_bMakeDirs(folder);
  }
  for (int port = 0; port < PLATFORM_SERIAL_PORTS; ++port) {
    if (s_ports[port].device.empty() && devices != nullptr && devices[port] != nullptr) {
      s_ports[port].device = devices[port];
    }
    bMakePort(port);
  }
  vWriteList();
}

int PLATFORM_nSerialOpen(int port, const char* device, BOOLEAN bReadOnly) {
  (void)bReadOnly;  // a copy of the master cannot be narrowed: the driver does not write a read-only port
  if (port < 0 || port >= PLATFORM_SERIAL_PORTS) return -1;
  std::lock_guard<std::mutex> lock(s_mutex);
  HostSerialPort& p = s_ports[port];
  if (p.device.empty() && device != nullptr) p.device = device;
  const bool made = p.master < 0;
  if (!bMakePort(port)) return -1;
  if (made) vWriteList();
  const int fd = fcntl(p.master, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) {
    PLATFORM_vTrace("serial port %d: not opened (%s)", port, strerror(errno));
    return -1;
  }
  // The copies share the master's file status, which is non-blocking.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

void PLATFORM_vSerialClose(int port, int fd) {
  (void)port;
  if (fd >= 0) close(fd);
}

std::string PLATFORM_sSerialPeerName(int port) {
  if (port < 0 || port >= PLATFORM_SERIAL_PORTS) return "";
  std::lock_guard<std::mutex> lock(s_mutex);
  return s_ports[port].peer;
}
