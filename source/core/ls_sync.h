// File-system shims: directory listing with a fixed entry record, file
// attributes and sizes, removal, and the "sync" thread that flushes written
// data to the media at most every 5 s after a file was closed. Paths are
// unit paths, resolved through the platform (on the host under
// TESSIX_HOST_ROOT, card files without regard to case).
#pragma once

#include <dirent.h>
#include <stdio.h>

#include "common/types.h"

constexpr U8 FS_ATTR_DIRECTORY = 0x10;
constexpr U8 FS_ATTR_UNKNOWN = 0xFF;
constexpr size_t FS_NAME_SIZE = 256;

// One directory entry as FS_ReadDir returns it.
struct tagTESSIX_DIRENT {
  S8 full_name[FS_NAME_SIZE];  // the directory's name, "/", the entry's name
  struct dirent* pDirent;      // the C library's entry (its bare name)
  U32 size;
  U8 attr;  // FS_ATTR_DIRECTORY or 0
};
typedef tagTESSIX_DIRENT TESSIX_DIRENT;

// An open directory; mdirent is overwritten by every read.
struct tagTESSIX_DIR {
  S8 name[FS_NAME_SIZE];  // the path as opened
  DIR* pDir;
  TESSIX_DIRENT mdirent;
};
typedef tagTESSIX_DIR TESSIX_DIR;
typedef TESSIX_DIR FS_DIR;

// Null when it cannot be opened or its path does not fit FS_NAME_SIZE.
FS_DIR* FS_OpenDir(const char* path);
// The next entry other than "." and ".."; null at the end or when an
// entry's status cannot be read. An entry whose full name would not fit
// full_name is left out with a trace line.
TESSIX_DIRENT* FS_ReadDir(FS_DIR* dir);
void FS_RewindDir(FS_DIR* dir);
int FS_CloseDir(FS_DIR* dir);
// Copies the bare name into buffer, which holds FS_NAME_SIZE bytes.
void FS_DirEnt2Name(const TESSIX_DIRENT* entry, char* buffer);
U32 FS_DirEnt2Size(const TESSIX_DIRENT* entry);
void FS_DirEnt2Attr(const TESSIX_DIRENT* entry, U8* attr);
// FS_ATTR_DIRECTORY, 0 for another file, FS_ATTR_UNKNOWN without status.
U8 FS_GetFileAttributes(const char* path);
// The size of the open file, its position kept; all ones when seeking fails.
U32 FS_GetFileSize(FILE* file);
// Removes the file and flushes; 0 whatever happened.
int FS_Remove(const char* path);

// Closes the file and asks for a flush; the close's result.
int LS_fclose(FILE* file);
// Asks for a flush.
void LS_sync(void);
// TRUE when the next read would find the end of the file.
BOOLEAN LS_feof(FILE* file);
// Starts the "sync" thread once; later calls do nothing.
void LS_sync_vInit(void);
// The sync thread's pauses: while nothing is asked, and after a flush.
constexpr U32 LS_SYNC_IDLE_MS = 1000;
constexpr U32 LS_SYNC_REST_MS = 5000;

// The embedded file system's OS hooks: lock and unlock RES_FS_FOP; the rest
// have no effect and return 0.
void FS_X_OS_Lock(void);
void FS_X_OS_Unlock(void);
int FS_X_OS_Init(void);
int FS_X_OS_Exit(void);
int FS_X_OS_GetDate(void);
int FS_X_OS_GetTime(void);
