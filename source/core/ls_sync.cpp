// File-system shims over the C library and the "sync" thread.
#include "source/core/ls_sync.h"

#include <errno.h>
#include <pthread.h>
#include <string.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>

#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

// Set by closes, cleared by the sync thread; a request that arrives during
// a flush is served by the next one.
std::atomic<bool> s_bSync{false};
std::atomic<pthread_t> s_syncThread{0};
std::once_flag s_syncOnce;

void* pvSyncThread(void*) {
  pthread_detach(pthread_self());
  for (;;) {
    while (!s_bSync.load(std::memory_order_acquire)) L_CLOCK_Sleep(LS_SYNC_IDLE_MS);
    s_bSync.store(false, std::memory_order_release);
    PLATFORM_vSync();
    L_CLOCK_Sleep(LS_SYNC_REST_MS);
  }
  return nullptr;
}

}  // namespace

// ------------------------------------------------------------ directories
FS_DIR* FS_OpenDir(const char* path) {
  if (path == nullptr) return nullptr;
  if (strlen(path) >= FS_NAME_SIZE) {
    log_me("FS_OpenDir: path too long (%u bytes): %.64s...", (unsigned)strlen(path), path);
    return nullptr;
  }
  DIR* d = opendir(PLATFORM_sResolvePath(path).c_str());
  if (d == nullptr) return nullptr;
  FS_DIR* dir = (FS_DIR*)H_MEMORY_pvMalloc(sizeof(FS_DIR));
  if (dir == nullptr) {
    closedir(d);
    return nullptr;
  }
  memset(dir, 0, sizeof *dir);
  snprintf((char*)dir->name, sizeof dir->name, "%s", path);
  dir->pDir = d;
  return dir;
}

TESSIX_DIRENT* FS_ReadDir(FS_DIR* dir) {
  if (dir == nullptr || dir->pDir == nullptr) return nullptr;
  for (;;) {
    struct dirent* e = readdir(dir->pDir);
    if (e == nullptr) return nullptr;
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    TESSIX_DIRENT& m = dir->mdirent;
    const int n = snprintf((char*)m.full_name, sizeof m.full_name, "%s/%s", (const char*)dir->name, e->d_name);
    if (n < 0 || (size_t)n >= sizeof m.full_name) {
      // A cut name would stand for another file: the entry is left out.
      log_me("FS_ReadDir: name too long in %s: %.64s...", (const char*)dir->name, e->d_name);
      continue;
    }
    m.pDirent = e;
    struct stat st;
    memset(&st, 0, sizeof st);
    if (stat(PLATFORM_sResolvePath((const char*)m.full_name).c_str(), &st) != 0) {
      if (errno != EOVERFLOW) return nullptr;
      st.st_mode = S_IFREG;  // a file too large for the status record
      st.st_size = 0xFFFFFFFF;
    }
    m.attr = S_ISDIR(st.st_mode) ? FS_ATTR_DIRECTORY : 0;
    m.size = (U32)st.st_size;
    return &m;
  }
}

void FS_RewindDir(FS_DIR* dir) {
  if (dir != nullptr && dir->pDir != nullptr) rewinddir(dir->pDir);
}

int FS_CloseDir(FS_DIR* dir) {
  if (dir == nullptr) return 0;
  const int rc = dir->pDir ? closedir(dir->pDir) : 0;
  H_MEMORY_vFree(dir);
  return rc;
}

void FS_DirEnt2Name(const TESSIX_DIRENT* entry, char* buffer) {
  if (entry == nullptr || buffer == nullptr) return;
  snprintf(buffer, FS_NAME_SIZE, "%s", entry->pDirent ? entry->pDirent->d_name : "");
}

U32 FS_DirEnt2Size(const TESSIX_DIRENT* entry) { return entry ? entry->size : 0; }

void FS_DirEnt2Attr(const TESSIX_DIRENT* entry, U8* attr) {
  if (entry != nullptr && attr != nullptr) *attr = entry->attr;
}

// ------------------------------------------------------------ files
U8 FS_GetFileAttributes(const char* path) {
  struct stat st;
  if (path == nullptr || stat(PLATFORM_sResolvePath(path).c_str(), &st) != 0) return FS_ATTR_UNKNOWN;
  return S_ISDIR(st.st_mode) ? FS_ATTR_DIRECTORY : 0;
}

U32 FS_GetFileSize(FILE* file) {
  if (file == nullptr) return 0xFFFFFFFFu;
  const long position = ftell(file);
  if (fseek(file, 0, SEEK_END) != 0) return 0xFFFFFFFFu;
  const long size = ftell(file);
  if (position >= 0 && size != position) fseek(file, position, SEEK_SET);
  return size < 0 ? 0xFFFFFFFFu : (U32)size;
}

int FS_Remove(const char* path) {
  if (path != nullptr) (void)remove(PLATFORM_sResolvePath(path).c_str());
  PLATFORM_vSync();
  return 0;
}

int LS_fclose(FILE* file) {
  const int rc = fclose(file);
  LS_sync();
  return rc;
}

void LS_sync(void) { s_bSync.store(true, std::memory_order_release); }

BOOLEAN LS_feof(FILE* file) {
  const int c = fgetc(file);
  if (c == EOF) return TRUE;
  ungetc(c, file);
  return FALSE;
}

void LS_sync_vInit(void) {
  std::call_once(s_syncOnce, [] { s_syncThread.store(L_UTILS_threadCreateSimpleThread("sync", pvSyncThread, nullptr)); });
}

// ------------------------------------------------------------ OS hooks
void FS_X_OS_Lock(void) { L_MUTEX_LockWait(RES_FS_FOP); }
void FS_X_OS_Unlock(void) { L_MUTEX_Unlock(RES_FS_FOP); }
int FS_X_OS_Init(void) { return 0; }
int FS_X_OS_Exit(void) { return 0; }
int FS_X_OS_GetDate(void) { return 0; }
int FS_X_OS_GetTime(void) { return 0; }
