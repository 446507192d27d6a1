// File and device names: a short device name and a unit number name a
// storage place ("mmc" an SD-card slot, "mvn" the internal flash, anything
// else a folder of the installation directory); paths are built from them
// and file-name extensions tested and added.
//
// Paths made here are U_FILE_PATH_SIZE-byte blocks of H_MEMORY_pvMalloc that
// the caller frees with H_MEMORY_vFree. A name that would not fit a path or
// the caller's buffer (a long host file name) is refused with a trace line,
// never cut short or written past the end.
#pragma once

#include <stddef.h>

#include "common/types.h"

constexpr size_t U_FILE_PATH_SIZE = 127;  // with the terminating zero

// "mmc" gives "/mnt/mmc<unit>/"; "mvn" gives "/usr/tessix/" for unit 0 and
// "/usr/tessix/data<unit>/" for others; any other name "/usr/tessix/<name><unit>/".
// The unit is one digit ('0' + unit). NULL (and a trace line) when the path
// would not fit or no block is free.
char* U_FILE_psCreateDeviceName(const char* psDevice, U8 u8Unit);
// The directory followed directly by the file name (no separator added).
// NULL (and a trace line) when the result would not fit or no block is free.
char* U_FILE_psComposeFileName(const char* psDirectory, const char* psFileName);
// Appends "." and the extension to the name in its buffer of size bytes.
// FALSE (name unchanged, a trace line) when it would not fit.
BOOLEAN U_FILE_bAddExtension(char* psFileName, size_t size, const char* psExtension);
// TRUE when the extension is not empty, the name is longer than it, ends
// with it (compared without regard to case) and has "." just before it.
BOOLEAN U_FILE_bCheckExtension(const char* psFileName, const char* psExtension);
// Copies the part after the last "/" (all of it when there is none) into
// the buffer of size bytes. FALSE (buffer emptied, a trace line) when it
// would not fit.
BOOLEAN U_FILE_bIsolateFileName(const char* psFullName, char* psShortName, size_t size);
// Cuts a path down to its device part in place: "/mnt..." ends right after
// the first digit that follows (/mnt/mmc1/charts/a.bin gives /mnt/mmc1), any
// other path beginning with "/" becomes "/"; a path without a leading "/",
// or "/mnt..." without a digit, is left as it is.
void U_FILE_vMarkDeviceName(char* psPath);
