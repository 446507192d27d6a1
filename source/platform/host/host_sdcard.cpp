// Host stand-ins for the SD-card slots and for devices read as files: card
// folders, their device nodes and sysfs entries, a fake mounter that maps a
// mount point to a card folder (names looked up without regard to case),
// the flush of written data, and reads of value devices.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>

#include "source/platform/host/host_mount.h"
#include "source/platform/platform.h"

namespace {

struct MOUNT {
  std::string folder;  // the card folder, absolute
  bool bReadOnly;
  std::string node;    // the device node it was mounted from (resolved)
  U64 u64Generation;   // counts mounts: a file opened on an earlier mount is stale
};

struct FAULTS {
  int mountError = 0, mountCount = 0;
  int umountError = 0, umountCount = 0;
};

std::mutex s_mutex;
// Never destroyed: the card task may still unmount while the process ends.
std::map<std::string, MOUNT>& s_mounts = *new std::map<std::string, MOUNT>;   // by unit mount point
std::map<std::string, FAULTS>& s_faults = *new std::map<std::string, FAULTS>;  // by unit mount point
std::atomic<int> s_nMounted{0};
std::atomic<U32> s_u32Syncs{0};
U64 s_u64Mounts = 0;  // under s_mutex

// A mount point as a key: without trailing slashes.
std::string sKey(const char* mount_point) {
  std::string k = mount_point ? mount_point : "";
  while (k.size() > 1 && k.back() == '/') k.pop_back();
  return k;
}

// The root-resolved path, never mapped through a mount.
std::string sUnder(const char* unit_path) {
  const char* root = PLATFORM_pcHostRoot();
  if (unit_path[0] == '/' && root[0] != '\0' && strncmp(unit_path, root, strlen(root)) != 0) {
    return std::string(root) + unit_path;
  }
  return unit_path;
}

// The entry of dir named like name regardless of case ("" when none).
std::string sFindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return "";
  std::string found;
  while (struct dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

int nFail(int error) {
  errno = error;
  return -1;
}

}  // namespace

bool HOST_bResolveMounted(const char* path, std::string* out) {
  if (s_nMounted.load(std::memory_order_acquire) == 0) return false;
  std::string folder, rest;
  {
    std::lock_guard<std::mutex> lock(s_mutex);
    for (const auto& [point, mount] : s_mounts) {
      const size_t n = point.size();
      if (strncmp(path, point.c_str(), n) == 0 && (path[n] == '/' || path[n] == '\0')) {
        folder = mount.folder;
        rest = path + n;
        break;
      }
    }
  }
  if (folder.empty()) return false;
  // Walk the names below the mount point; a name that exists in another
  // case is taken as it is stored, one that does not exist stays as given.
  std::string result = folder;
  size_t depth = 0;
  size_t pos = 0;
  bool bExists = true;
  while (pos < rest.size()) {
    while (pos < rest.size() && rest[pos] == '/') ++pos;
    size_t end = rest.find('/', pos);
    if (end == std::string::npos) end = rest.size();
    std::string name = rest.substr(pos, end - pos);
    pos = end;
    if (name.empty() || name == ".") continue;
    if (name == "..") {  // never above the card's root
      if (depth > 0) {
        result.erase(result.rfind('/'));
        --depth;
      }
      continue;
    }
    if (bExists) {
      struct stat st;
      if (lstat((result + "/" + name).c_str(), &st) != 0) {
        const std::string stored = sFindNoCase(result, name);
        if (stored.empty()) {
          bExists = false;
        } else {
          name = stored;
        }
      }
    }
    result += "/" + name;
    ++depth;
  }
  *out = result;
  return true;
}

BOOLEAN PLATFORM_bPrepareFolder(const char* unit_path) {
  const std::string path = sUnder(unit_path);
  if (PLATFORM_pcHostRoot()[0] == '\0') {
    struct stat st;
    return (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? TRUE : FALSE;
  }
  return PLATFORM_bMakeDirs(path.c_str());
}

int PLATFORM_nMount(const char* device, const char* mount_point, const char* fstype, BOOLEAN bReadOnly,
                    const char* options) {
  (void)options;
  const std::string key = sKey(mount_point);
  std::lock_guard<std::mutex> lock(s_mutex);
  FAULTS& f = s_faults[key];
  if (f.mountCount > 0) {
    --f.mountCount;
    return nFail(f.mountError);
  }
  if (fstype == nullptr || strcmp(fstype, "msdos") != 0) return nFail(ENODEV);
  const std::string node = sUnder(device);
  struct stat st;
  if (lstat(node.c_str(), &st) != 0) return nFail(ENOENT);
  if (stat(node.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nFail(ENOTBLK);
  char folder[PATH_MAX];
  if (realpath(node.c_str(), folder) == nullptr) return nFail(ENOENT);
  struct stat mp;
  if (stat(sUnder(key.c_str()).c_str(), &mp) != 0 || !S_ISDIR(mp.st_mode)) return nFail(ENOENT);
  if (s_mounts.count(key) != 0) return nFail(EBUSY);
  if (!bReadOnly && (st.st_mode & S_IWUSR) == 0) return nFail(EROFS);
  s_mounts[key] = MOUNT{folder, bReadOnly != FALSE, node, ++s_u64Mounts};
  s_nMounted.fetch_add(1, std::memory_order_release);
  return 0;
}

int PLATFORM_nUmount(const char* mount_point) {
  const std::string key = sKey(mount_point);
  std::lock_guard<std::mutex> lock(s_mutex);
  FAULTS& f = s_faults[key];
  if (f.umountCount > 0) {
    --f.umountCount;
    return nFail(f.umountError);
  }
  if (s_mounts.erase(key) == 0) return nFail(EINVAL);
  s_nMounted.fetch_sub(1, std::memory_order_release);
  return 0;
}

void PLATFORM_vMountFailNext(const char* mount_point, BOOLEAN bUnmount, int error, int count) {
  std::lock_guard<std::mutex> lock(s_mutex);
  FAULTS& f = s_faults[sKey(mount_point)];
  if (bUnmount) {
    f.umountError = error;
    f.umountCount = count;
  } else {
    f.mountError = error;
    f.mountCount = count;
  }
}

std::string PLATFORM_sMountedFolder(const char* mount_point, BOOLEAN* pbReadOnly) {
  std::lock_guard<std::mutex> lock(s_mutex);
  auto it = s_mounts.find(sKey(mount_point));
  if (pbReadOnly != nullptr) *pbReadOnly = (it == s_mounts.end() || it->second.bReadOnly) ? TRUE : FALSE;
  return it == s_mounts.end() ? "" : it->second.folder;
}

void PLATFORM_vSync(void) {
  const char* root = PLATFORM_pcHostRoot();
  const int fd = root[0] ? open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
  if (fd >= 0) {
    syncfs(fd);
    close(fd);
  } else {
    sync();
  }
  s_u32Syncs.fetch_add(1, std::memory_order_acq_rel);
}

U32 PLATFORM_u32SyncCount(void) { return s_u32Syncs.load(std::memory_order_acquire); }

long PLATFORM_nReadDevice(int fd, void* buffer, size_t size) {
  ssize_t n = pread(fd, buffer, size, 0);
  if (n < 0 && errno == ESPIPE) n = read(fd, buffer, size);
  return (long)n;
}

// ------------------------------------------------------------ inserting cards
namespace {

std::string sCardSysDir(int slot) {
  char path[96];
  snprintf(path, sizeof path, "/sys/class/mmc_host/mmc%d/mmc%d:0001", slot + 1, slot + 1);
  return sUnder(path);
}

std::string sNode(int slot, bool partition) {
  char path[32];
  snprintf(path, sizeof path, partition ? "/dev/mmcblk%dp1" : "/dev/mmcblk%d", slot + 1);
  return sUnder(path);
}

bool bWriteText(const std::string& path, const char* text) {
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  const bool ok = fprintf(f, "%s\n", text ? text : "") >= 0;
  return fclose(f) == 0 && ok;
}

}  // namespace

BOOLEAN PLATFORM_bInsertCard(int slot, const PLATFORM_SD_CARD* card) {
  if (slot < 0 || slot > 1 || card == nullptr || card->folder == nullptr) return FALSE;
  char folder[PATH_MAX];
  if (realpath(card->folder, folder) == nullptr) return FALSE;
  // The kernel's entry first, then the nodes (the nodes are what is watched).
  const std::string sys = sCardSysDir(slot);
  char block[32];
  snprintf(block, sizeof block, "/block/mmcblk%d", slot + 1);
  if (!PLATFORM_bMakeDirs((sys + block).c_str())) return FALSE;
  if (!bWriteText(sys + "/cid", card->cid) || !bWriteText(sys + "/type", card->type)) return FALSE;
  if (!PLATFORM_bMakeDirs(sUnder("/dev").c_str())) return FALSE;
  if (symlink(folder, sNode(slot, false).c_str()) != 0) return FALSE;
  if (card->bPartitioned && symlink(folder, sNode(slot, true).c_str()) != 0) return FALSE;
  return TRUE;
}

BOOLEAN PLATFORM_bRemoveCard(int slot) {
  if (slot < 0 || slot > 1) return FALSE;
  unlink(sNode(slot, true).c_str());
  const bool had = unlink(sNode(slot, false).c_str()) == 0;
  std::error_code ec;
  std::filesystem::remove_all(sCardSysDir(slot), ec);
  return had ? TRUE : FALSE;
}

// ------------------------------------------------------------ files bound to a card
namespace {

// A card file: the real stream and the mount it was opened on.
struct CARD_FILE {
  FILE* real;
  std::string key;
  std::string node;
  U64 u64Generation;
};

bool bCardStillThere(const CARD_FILE* f) {
  {
    std::lock_guard<std::mutex> lock(s_mutex);
    auto it = s_mounts.find(f->key);
    if (it == s_mounts.end() || it->second.u64Generation != f->u64Generation) return false;
  }
  struct stat st;
  return lstat(f->node.c_str(), &st) == 0;
}

ssize_t nCardRead(void* cookie, char* buffer, size_t size) {
  auto* f = static_cast<CARD_FILE*>(cookie);
  if (!bCardStillThere(f)) {
    errno = EIO;
    return -1;
  }
  const size_t n = fread(buffer, 1, size, f->real);
  if (n == 0 && ferror(f->real)) return -1;
  return (ssize_t)n;
}

ssize_t nCardWrite(void* cookie, const char* buffer, size_t size) {
  auto* f = static_cast<CARD_FILE*>(cookie);
  if (!bCardStillThere(f)) {
    errno = EIO;
    return 0;
  }
  return (ssize_t)fwrite(buffer, 1, size, f->real);
}

int nCardSeek(void* cookie, off64_t* offset, int whence) {
  auto* f = static_cast<CARD_FILE*>(cookie);
  if (!bCardStillThere(f)) {
    errno = EIO;
    return -1;
  }
  if (fseeko(f->real, (off_t)*offset, whence) != 0) return -1;
  *offset = (off64_t)ftello(f->real);
  return 0;
}

int nCardClose(void* cookie) {
  auto* f = static_cast<CARD_FILE*>(cookie);
  const int result = fclose(f->real);
  delete f;
  return result;
}

}  // namespace

FILE* PLATFORM_pFileOpen(const char* unit_path, const char* mode) {
  if (unit_path == nullptr || mode == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  std::string key, node;
  U64 generation = 0;
  if (unit_path[0] == '/' && s_nMounted.load(std::memory_order_acquire) != 0) {
    std::lock_guard<std::mutex> lock(s_mutex);
    for (const auto& [point, mount] : s_mounts) {
      const size_t n = point.size();
      if (strncmp(unit_path, point.c_str(), n) == 0 && (unit_path[n] == '/' || unit_path[n] == '\0')) {
        key = point;
        node = mount.node;
        generation = mount.u64Generation;
        break;
      }
    }
  }
  const std::string path = PLATFORM_sResolvePath(unit_path);
  FILE* real = fopen(path.c_str(), mode);
  if (real == nullptr || key.empty()) return real;
  // Unbuffered below: the unit's own buffering decides the transfers.
  setvbuf(real, nullptr, _IONBF, 0);
  auto* f = new CARD_FILE{real, key, node, generation};
  cookie_io_functions_t io = {nCardRead, nCardWrite, nCardSeek, nCardClose};
  FILE* bound = fopencookie(f, mode, io);
  if (bound == nullptr) {
    fclose(real);
    delete f;
    return nullptr;
  }
  setvbuf(bound, nullptr, _IONBF, 0);
  // Seeking to the end keeps an append stream's position right for tell.
  if (mode[0] == 'a') (void)fseeko(bound, 0, SEEK_END);
  return bound;
}
