// SD-card slots. The "sd" thread only watches, logs and signals; finding,
// mounting and identifying a card happen in the task that asks.
//
// Paths are the board's (/dev, /sys/class/mmc_host, /mnt/mmcN); on the host
// they resolve under TESSIX_HOST_ROOT, and mounting goes through the
// platform's fake mounter (source/platform/platform.h).
#include "source/core/dd_sd.h"

#include <dirent.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <mutex>

#include "common/u_hex.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

SD_STATUS s_aSlot[DD_SD_SLOTS];
std::once_flag s_threadOnce;

const char* const s_apcMountPoint[DD_SD_SLOTS] = {"/mnt/mmc0", "/mnt/mmc1"};
const char* const s_apcHost[DD_SD_SLOTS] = {"mmc1", "mmc2"};

constexpr const char* MMC_HOST_DIR = "/sys/class/mmc_host/";
constexpr const char* FS_TYPE = "msdos";
constexpr const char* FS_OPTIONS = "check=r";
constexpr int MOUNT_TRIES = 3;
constexpr int UMOUNT_TRIES = 5;
constexpr U32 RETRY_PAUSE_MS = 1000;
constexpr int CID_TEXT = 2 * DD_SD_CID_BYTES;
constexpr int TYPE_TEXT = 5;
constexpr size_t EVENT_BUFFER = 512;

bool bValid(S32 slot) { return slot >= 0 && slot < DD_SD_SLOTS; }

// Opens a unit path for reading (resolved through the platform).
FILE* pOpenRead(const char* unit_path) { return fopen(PLATFORM_sResolvePath(unit_path).c_str(), "r"); }

// The first entry of a folder (a unit path) whose name begins with prefix
// and fits size (with its NUL). FALSE when there is none.
bool bFirstEntry(const char* unit_dir, const char* prefix, char* name, size_t size) {
  DIR* d = opendir(PLATFORM_sResolvePath(unit_dir).c_str());
  if (d == nullptr) return false;
  bool found = false;
  const size_t n = strlen(prefix);
  while (struct dirent* e = readdir(d)) {
    if (strncmp(e->d_name, prefix, n) != 0) continue;
    if (strlen(e->d_name) >= size) {
      log_me("DD_SD %s/%s: name too long, ignored", unit_dir, e->d_name);
      continue;
    }
    snprintf(name, size, "%s", e->d_name);
    found = true;
    break;
  }
  closedir(d);
  return found;
}

// One mount of device at the slot's mount point; errno kept on failure.
bool bMountOnce(const char* device, S32 slot, bool bReadOnly) {
  return PLATFORM_nMount(device, s_apcMountPoint[slot], FS_TYPE, bReadOnly ? TRUE : FALSE, FS_OPTIONS) == 0;
}

// Up to three tries of one device. prefix is "" for the partition and
// "RAW " for the whole device; failures are logged only for the latter.
bool bMountTries(const char* device, S32 slot, const char* prefix, bool bLogFailures) {
  for (int retry = MOUNT_TRIES; retry > 0; --retry) {
    if (bMountOnce(device, slot, false)) {
      log_me("FOUND %s%s, retry = %d", prefix, s_apcMountPoint[slot], retry);
      s_aSlot[slot].bReadOnly = FALSE;
      return true;
    }
    if (errno == EROFS && bMountOnce(device, slot, true)) {
      log_me("FOUND %sRO %s, retry = %d", prefix, s_apcMountPoint[slot], retry);
      s_aSlot[slot].bReadOnly = TRUE;
      return true;
    }
    if (bLogFailures) {
      const int e = errno;
      log_me("mount failed %d, %s", e, strerror(e));
    }
    L_CLOCK_Sleep(RETRY_PAUSE_MS);
  }
  return false;
}

}  // namespace

void DD_SD_vInit(void) {
  std::call_once(s_threadOnce, [] {
    if (L_UTILS_threadCreateSimpleThread("sd", DD_SD_vThread, nullptr) == 0) log_me("DD_SD thread could not be started");
  });
  for (S32 slot = 0; slot < DD_SD_SLOTS; ++slot) {
    SD_STATUS& s = s_aSlot[slot];
    memset(&s, 0, sizeof s);
    snprintf(s.cDeviceName, sizeof s.cDeviceName, "%s", s_apcHost[slot]);
    s.eCardPresent = NO_CARD_PRESENT;
    s.bReadOnly = TRUE;
  }
  for (S32 slot = 0; slot < DD_SD_SLOTS; ++slot) DD_SD_vUmount(slot);
}

BOOLEAN DD_SD_bIsCardPresent(S32 slot) { return DD_SD_vFindDevice(slot); }

BOOLEAN DD_SD_vFindDevice(S32 slot) {
  if (!bValid(slot)) return FALSE;
  SD_STATUS& s = s_aSlot[slot];
  char host_dir[64];
  snprintf(host_dir, sizeof host_dir, "%s%s", MMC_HOST_DIR, s.cDeviceName);
  snprintf(s.dir_name, sizeof s.dir_name, "%s", host_dir);
  char prefix[sizeof s.cDeviceName + 1];
  snprintf(prefix, sizeof prefix, "%s:", s.cDeviceName);
  if (!bFirstEntry(host_dir, prefix, s.cFullName, sizeof s.cFullName)) return FALSE;
  char full[sizeof s.cFullName];
  memcpy(full, s.cFullName, sizeof full);
  snprintf(s.dir_name, sizeof s.dir_name, "%s/%s", host_dir, full);

  char block_dir[sizeof s.dir_name + 8];
  snprintf(block_dir, sizeof block_dir, "%s/block", s.dir_name);
  char block[64];
  if (!bFirstEntry(block_dir, "mmcblk", block, sizeof block)) return FALSE;
  int n = -1;
  if (sscanf(block, "mmcblk%d", &n) != 1 || n < 0) return FALSE;
  s.nLogicalID = n;
  return TRUE;
}

BOOLEAN DD_SD_bInitCard(S32 slot) {
  if (!DD_SD_vFindDevice(slot)) return FALSE;
  if (!DD_SD_bMount(s_aSlot[slot].nLogicalID, slot)) return FALSE;
  (void)DD_SD_bFetchCID(slot);
  DD_SD_vFetchType(slot);
  s_aSlot[slot].eCardPresent = SD_CARD_PRESENT;
  return TRUE;
}

BOOLEAN DD_SD_bMount(S32 nLogicalID, S32 slot) {
  if (!bValid(slot)) return FALSE;
  PLATFORM_vSync();
  char device[32];
  snprintf(device, sizeof device, "/dev/mmcblk%1dp1", (int)nLogicalID);
  if (bMountTries(device, slot, "", false)) return TRUE;
  // A card formatted without a partition table.
  snprintf(device, sizeof device, "/dev/mmcblk%1d", (int)nLogicalID);
  if (bMountTries(device, slot, "RAW ", true)) return TRUE;
  return FALSE;
}

void DD_SD_vUmount(S32 slot) {
  if (!bValid(slot)) return;
  const char* point = s_apcMountPoint[slot];
  for (int retry = UMOUNT_TRIES; retry > 0; --retry) {
    const int result = PLATFORM_nUmount(point);
    const int e = result == 0 ? 0 : errno;
    log_me("Unmounting %s, retry = %d, result = %d, error = %d, %s", point, retry, result, e, strerror(e));
    if (result == 0 || e != EBUSY) break;
    if (retry > 1) L_CLOCK_Sleep(RETRY_PAUSE_MS);
  }
  s_aSlot[slot].eCardPresent = NO_CARD_PRESENT;
  s_aSlot[slot].bReadOnly = TRUE;
}

BOOLEAN DD_SD_bFetchCID(S32 slot) {
  if (!bValid(slot)) return FALSE;
  SD_STATUS& s = s_aSlot[slot];
  // A card whose CID cannot be read never shows the previous card's.
  memset(s.cCID, 0, sizeof s.cCID);
  char path[sizeof s.dir_name + 8];
  snprintf(path, sizeof path, "%s/cid", s.dir_name);
  FILE* f = pOpenRead(path);
  if (f == nullptr) return FALSE;
  char text[CID_TEXT + 1] = {};
  const size_t n = fread(text, 1, CID_TEXT, f);
  fclose(f);
  if (n != (size_t)CID_TEXT) return FALSE;
  U_HEX_v2Hex(text, s.cCID, DD_SD_CID_BYTES);
  return TRUE;
}

void DD_SD_vFetchType(S32 slot) {
  if (!bValid(slot)) return;
  SD_STATUS& s = s_aSlot[slot];
  char path[sizeof s.dir_name + 8];
  snprintf(path, sizeof path, "%s/type", s.dir_name);
  FILE* f = pOpenRead(path);
  if (f == nullptr) {
    s.eCardPresent = NO_CARD_PRESENT;
    return;
  }
  char text[TYPE_TEXT + 1] = {};
  const size_t n = fread(text, 1, TYPE_TEXT, f);
  fclose(f);
  if (n == 0) {
    s.eCardPresent = NO_CARD_PRESENT;
    return;
  }
  text[strcspn(text, "\r\n")] = '\0';
  log_me("%s:%d type = %s", "dd_sd", __LINE__, text);
  s.eCardPresent = strncmp(text, "SD", 2) == 0 ? SD_CARD_PRESENT : MMC_CARD_PRESENT;
}

CARD_PRESENT DD_SD_eReadCardType(S32 slot) { return bValid(slot) ? s_aSlot[slot].eCardPresent : NO_CARD_PRESENT; }

void DD_SD_vGetCID(S32 slot, U8* pu8CID) {
  if (!bValid(slot) || pu8CID == nullptr) return;
  memcpy(pu8CID, s_aSlot[slot].cCID, DD_SD_CID_BYTES);
}

BOOLEAN DD_SD_bIsHardwareWriteEnabled(S32 slot) {
  return (bValid(slot) && s_aSlot[slot].bReadOnly == FALSE) ? TRUE : FALSE;
}

void DD_SD_vWriteProtect(S32 slot, U32 flags) {
  (void)slot;
  (void)flags;
}

void DD_SD_vSetCallback(ZAVIDODAS_QUERY_CALLBACK callback) { (void)callback; }

const char* DD_SD_pcMountPoint(S32 slot) { return bValid(slot) ? s_apcMountPoint[slot] : ""; }

SD_STATUS DD_SD_sStatus(S32 slot) {
  SD_STATUS s;
  memset(&s, 0, sizeof s);
  if (bValid(slot)) s = s_aSlot[slot];
  return s;
}

// ------------------------------------------------------------ the watcher
void* DD_SD_vThread(void* argument) {
  (void)argument;
  (void)PLATFORM_bSetFifoPriority(98);
  pthread_detach(pthread_self());
  show_linux_priority("sd thread");

  const int fd = inotify_init1(IN_CLOEXEC);
  if (fd < 0) {
    FATAL_ERROR("DD_SD inotify_init_fail");
    return nullptr;
  }
  (void)PLATFORM_bPrepareFolder("/dev");
  const std::string dev = PLATFORM_sResolvePath("/dev");
  const int wd = inotify_add_watch(fd, dev.c_str(), IN_CREATE | IN_DELETE);
  if (wd < 0) {
    close(fd);
    FATAL_ERROR("DD_SD inotify_add_watch fail");
    return nullptr;
  }

  // The last event seen for block devices 1 and 2: the disk and its
  // partitions come and go together and give one signal.
  U32 au32LastMask[DD_SD_SLOTS] = {0, 0};
  alignas(struct inotify_event) char buffer[EVENT_BUFFER];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t at = 0; at + (ssize_t)sizeof(struct inotify_event) <= n;) {
      const struct inotify_event* ev = (const struct inotify_event*)(buffer + at);
      at += (ssize_t)sizeof(struct inotify_event) + ev->len;
      if (ev->wd != wd || ev->len == 0) continue;
      int number = 0;
      if (sscanf(ev->name, "mmcblk%d", &number) != 1 || number < 1 || number > DD_SD_SLOTS) continue;
      const U32 mask = ev->mask & (IN_CREATE | IN_DELETE);
      if (mask == 0 || mask == au32LastMask[number - 1]) continue;
      log_me((mask & IN_CREATE) ? "DD_SD inserting MMC %d" : "DD_SD removing MMC %d", number);
      au32LastMask[number - 1] = mask;
      L_CLOCK_Sleep(DD_SD_SETTLE_MS);
      L_SEMA_Signal(SEMA_TIMER_MMC);
    }
  }
  close(fd);
  log_me("DD_SD watch ended");
  return nullptr;
}
