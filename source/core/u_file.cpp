// File and device names (u_file.h).
#include "source/core/u_file.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "lsvc/lsvc.h"

namespace {

// A new path block holding the text, or NULL (traced) when the text does
// not fit or no block is free.
char* psNewPath(const char* what, const char* text, size_t length) {
  if (length + 1 > U_FILE_PATH_SIZE) {
    log_me("U_FILE: %s of %zu bytes refused (a path holds %zu): %.40s...", what, length, U_FILE_PATH_SIZE - 1,
           text);
    return nullptr;
  }
  char* block = (char*)H_MEMORY_pvMalloc(U_FILE_PATH_SIZE);
  if (block == nullptr) {
    log_me("U_FILE: no block for %s", what);
    return nullptr;
  }
  memcpy(block, text, length);
  block[length] = '\0';
  return block;
}

}  // namespace

char* U_FILE_psCreateDeviceName(const char* psDevice, U8 u8Unit) {
  if (psDevice == nullptr) psDevice = "";
  const char digit = (char)('0' + u8Unit);
  char path[512];
  int n;
  if (strcmp(psDevice, "mmc") == 0) {
    n = snprintf(path, sizeof path, "/mnt/mmc%c/", digit);
  } else if (strcmp(psDevice, "mvn") == 0) {
    n = (u8Unit == 0) ? snprintf(path, sizeof path, "/usr/tessix/")
                      : snprintf(path, sizeof path, "/usr/tessix/data%c/", digit);
  } else {
    n = snprintf(path, sizeof path, "/usr/tessix/%s%c/", psDevice, digit);
  }
  if (n < 0) return nullptr;
  if ((size_t)n >= sizeof path) {
    log_me("U_FILE: device name of %zu bytes refused", strlen(psDevice));
    return nullptr;
  }
  return psNewPath("device path", path, (size_t)n);
}

char* U_FILE_psComposeFileName(const char* psDirectory, const char* psFileName) {
  if (psDirectory == nullptr) psDirectory = "";
  if (psFileName == nullptr) psFileName = "";
  const size_t dir = strlen(psDirectory);
  const size_t name = strlen(psFileName);
  if (dir + name + 1 > U_FILE_PATH_SIZE) {
    log_me("U_FILE: file name of %zu bytes refused (a path holds %zu): %.40s...", dir + name,
           U_FILE_PATH_SIZE - 1, psFileName);
    return nullptr;
  }
  char joined[U_FILE_PATH_SIZE];
  memcpy(joined, psDirectory, dir);
  memcpy(joined + dir, psFileName, name);
  return psNewPath("file name", joined, dir + name);
}

BOOLEAN U_FILE_bAddExtension(char* psFileName, size_t size, const char* psExtension) {
  if (psFileName == nullptr || psExtension == nullptr) return FALSE;
  const size_t name = strnlen(psFileName, size);
  const size_t ext = strlen(psExtension);
  if (name >= size || name + 1 + ext + 1 > size) {
    log_me("U_FILE: extension %.16s refused: %zu bytes do not hold %.40s.%.16s", psExtension, size, psFileName,
           psExtension);
    return FALSE;
  }
  psFileName[name] = '.';
  memcpy(psFileName + name + 1, psExtension, ext + 1);
  return TRUE;
}

BOOLEAN U_FILE_bCheckExtension(const char* psFileName, const char* psExtension) {
  if (psFileName == nullptr || psExtension == nullptr) return FALSE;
  const size_t name = strlen(psFileName);
  const size_t ext = strlen(psExtension);
  if (ext == 0 || name <= ext) return FALSE;
  if (strcasecmp(psFileName + name - ext, psExtension) != 0) return FALSE;
  return psFileName[name - ext - 1] == '.' ? TRUE : FALSE;
}

BOOLEAN U_FILE_bIsolateFileName(const char* psFullName, char* psShortName, size_t size) {
  if (psShortName == nullptr || size == 0) return FALSE;
  psShortName[0] = '\0';
  if (psFullName == nullptr) return FALSE;
  const char* slash = strrchr(psFullName, '/');
  const char* name = slash != nullptr ? slash + 1 : psFullName;
  const size_t length = strlen(name);
  if (length + 1 > size) {
    log_me("U_FILE: file name of %zu bytes refused (the buffer holds %zu): %.40s...", length, size - 1, name);
    return FALSE;
  }
  memcpy(psShortName, name, length + 1);
  return TRUE;
}

void U_FILE_vMarkDeviceName(char* psPath) {
  if (psPath == nullptr || psPath[0] != '/') return;
  if (strncmp(psPath + 1, "mnt", 3) == 0) {
    for (char* p = psPath + 4; *p != '\0'; ++p) {
      if (*p >= '0' && *p <= '9') {
        p[1] = '\0';
        return;
      }
    }
    return;
  }
  psPath[1] = '\0';
}
