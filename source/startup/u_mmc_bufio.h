// Buffered file I/O for the SD cards: the card sees whole blocks of
// U_MMC_BUFFER_SIZE bytes instead of many small transfers. Two interfaces
// share one control record: a stream interface that opens, reads, seeks,
// tells and closes a file itself, and a command interface for callers that
// open the file themselves and keep the record. A record belongs to one
// thread at a time; nothing here locks.
#pragma once

#include <stdio.h>

#include "common/types.h"

constexpr int U_MMC_BUFFER_SIZE = 16384;

enum U_MMC_MODE : U8 {
  U_MMC_MODE_READ = 1,
  U_MMC_MODE_WRITE = 2,
  U_MMC_MODE_APPEND = 4,
};

struct BUFFERED_IO_CONTROL {
  char* pcBuffer;          // the buffer; null when the record is closed
  char* pcCurrentPointer;  // the next byte in the buffer
  FILE* pFile;
  // Stream read: bytes not yet consumed; stream write: bytes waiting;
  // command write: free bytes left; command read: bytes not yet consumed.
  int numCount;
  int numBufferSize;
  U8 u8ModeFlags;     // U_MMC_MODE_*
  BOOLEAN bAllocated; // the layer allocated the buffer and frees it
  int numLoaded;      // bytes loaded by the last block read (stream read)
};

enum BUFFERED_IO_COMMAND : S32 {
  INITIALIZE_READ = 1,
  INITIALIZE_WRITE = 2,
  BUFFERED_READ = 3,
  BUFFERED_WRITE = 4,
  CLOSE_READ = 5,
  CLOSE_WRITE = 6,
};

// ------------------------------------------------------------ streams
// Opens pcName (a unit path) with "r", "rb", "w", "wb", "a" or "ab"; any
// other mode gives null before anything is allocated. With nBufferLength 0
// the buffer holds U_MMC_BUFFER_SIZE bytes. pBuffer null: the layer
// allocates the buffer.
BUFFERED_IO_CONTROL* U_MMC_psBufferedOpen(const char* pcName, const char* pcMode, void* pBuffer, int nBufferLength);
int U_MMC_nBufferedRead(void* pBuffer, int nSize, BUFFERED_IO_CONTROL* psControl);
int U_MMC_nBufferedWrite(const void* pBuffer, int nSize, BUFFERED_IO_CONTROL* psControl);
long U_MMC_nBufferedTell(BUFFERED_IO_CONTROL* psControl);
// Streams open for reading only; origin 0 start, 1 current, 2 end.
int U_MMC_nBufferedSeek(BUFFERED_IO_CONTROL* psControl, long nOffset, int nOrigin);
int U_MMC_nBufferedClose(BUFFERED_IO_CONTROL* psControl);
int U_MMC_nBufferedFlush(BUFFERED_IO_CONTROL* psControl);

// ------------------------------------------------------------ commands
BOOLEAN U_MMC_bBufferedIO(BUFFERED_IO_COMMAND eCommand, BUFFERED_IO_CONTROL* psControl, void* pData,
                          int numByteCount, FILE* pFile);

// ------------------------------------------------------------ built-in pictures as files
// Copy the next bytes of the picture from *pnCurrentPos, advance it and
// return the count: min(size - position, nSize), 0 at or after the end or
// for nSize <= 0.
int U_MMC_nWeatherImageRead(void* pBuffer, int nSize, int* pnCurrentPos);
int U_MMC_nLimnoraImageRead(void* pBuffer, int nSize, int* pnCurrentPos);
int U_MMC_nSatWxImageSize(void);
int U_MMC_nLimnoraImageSize(void);
