// The board's sonar coprocessor: its character device, read and written
// directly.
#include <fcntl.h>
#include <unistd.h>

#include "source/platform/platform.h"

int PLATFORM_nSonarOpen(const char* device) { return open(device, O_RDWR | O_CLOEXEC); }
long PLATFORM_nSonarWrite(int fd, const void* block, size_t size) { return (long)write(fd, block, size); }
long PLATFORM_nSonarRead(int fd, void* buffer, size_t size) { return (long)read(fd, buffer, size); }
void PLATFORM_vSonarClose(int fd) {
  if (fd >= 0) close(fd);
}
