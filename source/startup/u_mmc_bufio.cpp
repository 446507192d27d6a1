// Buffered file I/O: whole blocks between the buffer and the file, aligned
// to multiples of the buffer size in the file.
#include "source/startup/u_mmc_bufio.h"

#include <string.h>
#include <sys/stat.h>

#include "data/builtin_pictures.h"
#include "lsvc/lsvc.h"
#include "source/platform/platform.h"

namespace {

struct ACCESS_MODE {
  const char* cMode;
  U8 u8Flags;
};

const ACCESS_MODE s_AccessModes[] = {
    {"r", U_MMC_MODE_READ},  {"rb", U_MMC_MODE_READ},
    {"w", U_MMC_MODE_WRITE}, {"wb", U_MMC_MODE_WRITE},
    {"a", U_MMC_MODE_WRITE | U_MMC_MODE_APPEND}, {"ab", U_MMC_MODE_WRITE | U_MMC_MODE_APPEND},
};

bool bFindMode(const char* pcMode, U8* pu8Flags) {
  if (pcMode == nullptr) return false;
  for (const ACCESS_MODE& m : s_AccessModes) {
    if (strcmp(m.cMode, pcMode) == 0) {
      *pu8Flags = m.u8Flags;
      return true;
    }
  }
  return false;
}

// The buffer of a record: pData of size bytes, or a new one (the default
// size for 0).
bool bChooseBuffer(BUFFERED_IO_CONTROL* c, void* pData, int size) {
  if (size <= 0) size = U_MMC_BUFFER_SIZE;
  c->numBufferSize = size;
  if (pData != nullptr) {
    c->pcBuffer = static_cast<char*>(pData);
    c->bAllocated = FALSE;
  } else {
    c->pcBuffer = static_cast<char*>(H_MEMORY_pvMalloc((size_t)size));
    c->bAllocated = c->pcBuffer != nullptr ? TRUE : FALSE;
  }
  c->pcCurrentPointer = c->pcBuffer;
  return c->pcBuffer != nullptr;
}

void vFreeBuffer(BUFFERED_IO_CONTROL* c) {
  if (c->bAllocated && c->pcBuffer != nullptr) H_MEMORY_vFree(c->pcBuffer);
  c->pcBuffer = nullptr;
  c->pcCurrentPointer = nullptr;
  c->bAllocated = FALSE;
}

// Reads one whole buffer into the record; the bytes read.
int nFill(BUFFERED_IO_CONTROL* c) {
  const size_t n = fread(c->pcBuffer, 1, (size_t)c->numBufferSize, c->pFile);
  c->pcCurrentPointer = c->pcBuffer;
  c->numCount = (int)n;
  c->numLoaded = (int)n;
  return (int)n;
}

bool bWriteAll(FILE* f, const char* data, int size) {
  return size <= 0 || fwrite(data, 1, (size_t)size, f) == (size_t)size;
}

}  // namespace

// ------------------------------------------------------------ streams
BUFFERED_IO_CONTROL* U_MMC_psBufferedOpen(const char* pcName, const char* pcMode, void* pBuffer, int nBufferLength) {
  U8 flags = 0;
  if (pcName == nullptr || !bFindMode(pcMode, &flags)) return nullptr;
  auto* c = static_cast<BUFFERED_IO_CONTROL*>(H_MEMORY_pvMalloc(sizeof(BUFFERED_IO_CONTROL)));
  if (c == nullptr) return nullptr;
  memset(c, 0, sizeof *c);
  c->u8ModeFlags = flags;
  if (!bChooseBuffer(c, pBuffer, nBufferLength)) {
    H_MEMORY_vFree(c);
    return nullptr;
  }
  long blockStart = 0;
  if (flags & U_MMC_MODE_APPEND) {
    // The file's last partial block goes into the buffer; the first block
    // written replaces it.
    if (FILE* old = PLATFORM_pFileOpen(pcName, "rb")) {
      if (fseek(old, 0, SEEK_END) == 0) {
        const long size = ftell(old);
        if (size > 0) {
          const long partial = size % c->numBufferSize;
          blockStart = size - partial;
          if (partial > 0 && fseek(old, blockStart, SEEK_SET) == 0) {
            c->numCount = (int)fread(c->pcBuffer, 1, (size_t)partial, old);
            blockStart = size - c->numCount;
          }
        }
      }
      fclose(old);
    }
    c->pcCurrentPointer = c->pcBuffer + c->numCount;
    // "r+" keeps the bytes before the partial block; a missing file is made.
    c->pFile = PLATFORM_pFileOpen(pcName, "r+b");
    if (c->pFile == nullptr) c->pFile = PLATFORM_pFileOpen(pcName, "wb");
    if (c->pFile != nullptr && fseek(c->pFile, blockStart, SEEK_SET) != 0) {
      fclose(c->pFile);
      c->pFile = nullptr;
    }
  } else {
    c->pFile = PLATFORM_pFileOpen(pcName, pcMode);
  }
  if (c->pFile == nullptr) {
    vFreeBuffer(c);
    H_MEMORY_vFree(c);
    return nullptr;
  }
  return c;
}

int U_MMC_nBufferedRead(void* pBuffer, int nSize, BUFFERED_IO_CONTROL* c) {
  if (c == nullptr || c->pcBuffer == nullptr || !(c->u8ModeFlags & U_MMC_MODE_READ) || nSize <= 0) return 0;
  char* out = static_cast<char*>(pBuffer);
  int done = 0;
  while (done < nSize) {
    if (c->numCount <= 0 && nFill(c) == 0) break;
    int n = nSize - done;
    if (n > c->numCount) n = c->numCount;
    memcpy(out + done, c->pcCurrentPointer, (size_t)n);
    c->pcCurrentPointer += n;
    c->numCount -= n;
    done += n;
  }
  return done;
}

int U_MMC_nBufferedWrite(const void* pBuffer, int nSize, BUFFERED_IO_CONTROL* c) {
  if (c == nullptr || c->pcBuffer == nullptr || !(c->u8ModeFlags & U_MMC_MODE_WRITE) || nSize <= 0) return 0;
  const char* in = static_cast<const char*>(pBuffer);
  int done = 0;
  while (done < nSize) {
    int n = nSize - done;
    if (n > c->numBufferSize - c->numCount) n = c->numBufferSize - c->numCount;
    memcpy(c->pcBuffer + c->numCount, in + done, (size_t)n);
    c->numCount += n;
    done += n;
    if (c->numCount == c->numBufferSize) {
      if (!bWriteAll(c->pFile, c->pcBuffer, c->numBufferSize)) return done - n;
      c->numCount = 0;
    }
  }
  c->pcCurrentPointer = c->pcBuffer + c->numCount;
  return done;
}

long U_MMC_nBufferedTell(BUFFERED_IO_CONTROL* c) {
  if (c == nullptr || c->pFile == nullptr) return -1;
  const long pos = ftell(c->pFile);
  if (pos < 0) return -1;
  if (c->u8ModeFlags & U_MMC_MODE_READ) return pos - c->numCount;
  if (c->u8ModeFlags & U_MMC_MODE_WRITE) return pos + c->numCount;
  return -1;
}

int U_MMC_nBufferedSeek(BUFFERED_IO_CONTROL* c, long nOffset, int nOrigin) {
  if (c == nullptr || c->pcBuffer == nullptr || !(c->u8ModeFlags & U_MMC_MODE_READ)) return -1;
  const long logical = U_MMC_nBufferedTell(c);
  if (logical < 0) return -1;
  long base = 0;
  switch (nOrigin) {
    case 0:
      break;
    case 1:
      base = logical;
      break;
    case 2: {
      struct stat st;
      if (fstat(fileno(c->pFile), &st) != 0) {
        // A stream without a descriptor: ask the stream itself.
        const long here = ftell(c->pFile);
        if (here < 0 || fseek(c->pFile, 0, SEEK_END) != 0) return -1;
        base = ftell(c->pFile);
        if (fseek(c->pFile, here, SEEK_SET) != 0 || base < 0) return -1;
      } else {
        base = (long)st.st_size;
      }
      break;
    }
    default:
      return -1;
  }
  const long target = base + nOffset;
  if (target < 0) return -1;
  const long r = target % c->numBufferSize;
  const long blockStart = target - r;
  // The block loaded last starts at the file position minus the bytes loaded.
  const long loadedStart = ftell(c->pFile) - c->numLoaded;
  if (c->numLoaded > 0 && loadedStart == blockStart && r < c->numLoaded) {
    c->pcCurrentPointer = c->pcBuffer + r;
    c->numCount = c->numLoaded - (int)r;
    return 0;
  }
  if (fseek(c->pFile, blockStart, SEEK_SET) != 0) return -1;
  const int n = nFill(c);
  if (n == 0) return -1;
  c->numCount = n - (int)r;
  c->pcCurrentPointer = c->pcBuffer + r;
  return 0;
}

int U_MMC_nBufferedClose(BUFFERED_IO_CONTROL* c) {
  if (c == nullptr) return -1;
  if (c->pcBuffer == nullptr) return -1;
  int result = 0;
  if ((c->u8ModeFlags & U_MMC_MODE_WRITE) && !bWriteAll(c->pFile, c->pcBuffer, c->numCount)) result = -1;
  vFreeBuffer(c);
  const int closed = c->pFile != nullptr ? fclose(c->pFile) : -1;
  H_MEMORY_vFree(c);
  return result != 0 ? result : closed;
}

int U_MMC_nBufferedFlush(BUFFERED_IO_CONTROL* psControl) {
  (void)psControl;
  return 0;
}

// ------------------------------------------------------------ commands
BOOLEAN U_MMC_bBufferedIO(BUFFERED_IO_COMMAND eCommand, BUFFERED_IO_CONTROL* c, void* pData, int numByteCount,
                          FILE* pFile) {
  if (c == nullptr) return FALSE;
  switch (eCommand) {
    case INITIALIZE_READ:
      if (!bChooseBuffer(c, pData, numByteCount)) return FALSE;
      c->pFile = pFile;
      c->u8ModeFlags = U_MMC_MODE_READ;
      if (pFile == nullptr) {
        c->numCount = 0;
        return FALSE;
      }
      return nFill(c) > 0 ? TRUE : FALSE;
    case INITIALIZE_WRITE:
      if (!bChooseBuffer(c, pData, numByteCount)) return FALSE;
      c->pFile = pFile;
      c->u8ModeFlags = U_MMC_MODE_WRITE;
      c->numCount = c->numBufferSize;
      return TRUE;
    case BUFFERED_READ: {
      if (c->pcBuffer == nullptr || c->pFile == nullptr) return FALSE;
      char* out = static_cast<char*>(pData);
      int left = numByteCount;
      while (left > 0) {
        if (c->numCount <= 0 && nFill(c) == 0) return FALSE;
        const int n = left < c->numCount ? left : c->numCount;
        memcpy(out, c->pcCurrentPointer, (size_t)n);
        out += n;
        c->pcCurrentPointer += n;
        c->numCount -= n;
        left -= n;
      }
      return TRUE;
    }
    case BUFFERED_WRITE: {
      if (c->pcBuffer == nullptr || c->pFile == nullptr) return FALSE;
      const char* in = static_cast<const char*>(pData);
      int left = numByteCount;
      while (left > 0) {
        const int n = left < c->numCount ? left : c->numCount;
        memcpy(c->pcCurrentPointer, in, (size_t)n);
        in += n;
        c->pcCurrentPointer += n;
        c->numCount -= n;
        left -= n;
        if (c->numCount == 0) {
          if (fwrite(c->pcBuffer, 1, (size_t)c->numBufferSize, c->pFile) != (size_t)c->numBufferSize) return FALSE;
          c->pcCurrentPointer = c->pcBuffer;
          c->numCount = c->numBufferSize;
        }
      }
      return TRUE;
    }
    case CLOSE_READ:
      if (pFile != nullptr) fclose(pFile);
      vFreeBuffer(c);
      c->pFile = nullptr;
      return TRUE;
    case CLOSE_WRITE: {
      bool ok = true;
      if (c->pcBuffer != nullptr) {
        const int used = c->numBufferSize - c->numCount;
        if (used > 0 && c->pFile != nullptr) ok = bWriteAll(c->pFile, c->pcBuffer, used);
      }
      vFreeBuffer(c);
      if (pFile != nullptr && fclose(pFile) != 0) ok = false;
      c->pFile = nullptr;
      return ok ? TRUE : FALSE;
    }
  }
  return TRUE;
}

// ------------------------------------------------------------ built-in pictures as files
namespace {

int nPictureRead(const U8* picture, int size, void* pBuffer, int nSize, int* pnCurrentPos) {
  if (pnCurrentPos == nullptr || pBuffer == nullptr || nSize <= 0) return 0;
  const int pos = *pnCurrentPos;
  if (pos < 0 || pos >= size) return 0;
  const int n = size - pos < nSize ? size - pos : nSize;
  memcpy(pBuffer, picture + pos, (size_t)n);
  *pnCurrentPos = pos + n;
  return n;
}

}  // namespace

int U_MMC_nWeatherImageRead(void* pBuffer, int nSize, int* pnCurrentPos) {
  return nPictureRead(g_au8WeatherPicture, (int)g_u32WeatherPictureSize, pBuffer, nSize, pnCurrentPos);
}
int U_MMC_nLimnoraImageRead(void* pBuffer, int nSize, int* pnCurrentPos) {
  return nPictureRead(g_au8LakePicture, (int)g_u32LakePictureSize, pBuffer, nSize, pnCurrentPos);
}
int U_MMC_nSatWxImageSize(void) { return (int)g_u32WeatherPictureSize; }
int U_MMC_nLimnoraImageSize(void) { return (int)g_u32LakePictureSize; }
