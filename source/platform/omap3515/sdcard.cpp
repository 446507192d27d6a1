// The card slots and value devices on the board: the kernel's own mount,
// unmount and flush, and reads of the open device.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "source/platform/platform.h"

namespace {
std::atomic<U32> s_u32Syncs{0};
}  // namespace

BOOLEAN PLATFORM_bPrepareFolder(const char* unit_path) {
  struct stat st;
  return (stat(unit_path, &st) == 0 && S_ISDIR(st.st_mode)) ? TRUE : FALSE;
}

int PLATFORM_nMount(const char* device, const char* mount_point, const char* fstype, BOOLEAN bReadOnly,
                    const char* options) {
  return mount(device, mount_point, fstype, bReadOnly ? MS_RDONLY : 0, options);
}

int PLATFORM_nUmount(const char* mount_point) { return umount(mount_point); }

void PLATFORM_vSync(void) {
  sync();
  s_u32Syncs.fetch_add(1, std::memory_order_relaxed);
}

U32 PLATFORM_u32SyncCount(void) { return s_u32Syncs.load(std::memory_order_relaxed); }

long PLATFORM_nReadDevice(int fd, void* buffer, size_t size) { return (long)read(fd, buffer, size); }
