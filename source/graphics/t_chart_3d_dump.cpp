// Reading of the graphics plane for the screen dump.
#include "source/graphics/t_chart_3d_dump.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "source/platform/platform.h"

void T_CHART_3D_vDumpActiveDisplayBuffer(SCREEN_BUFFER* psbBuffer) {
  if (psbBuffer == nullptr) return;
  char path[4096];
  int fd = open(PLATFORM_pcResolvePath("/dev/fb0", path, sizeof path), O_RDONLY);
  if (fd <= 0) {
    if (fd == 0) close(fd);
    return;
  }
  U8* out = reinterpret_cast<U8*>(*psbBuffer);
  size_t done = 0;
  while (done < sizeof(SCREEN_BUFFER)) {
    ssize_t n = read(fd, out + done, sizeof(SCREEN_BUFFER) - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += (size_t)n;
  }
  close(fd);
}
