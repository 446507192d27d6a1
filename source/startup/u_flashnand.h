// The internal map storage: which map set it holds (the marker file
// "flashnand.sig" in the installation directory) and its factory
// maintenance from a card's "flashnand.inf" (COPY, COMPARE, IMAGE).
//
// On this machine the storage's files are the installation directory
// ("mvn:0:"), and its raw device, which COMPARE and COPY of an image and
// IMAGE read and write, is the file "/dev/mvn0" under the host root.
#pragma once

#include "common/g_types.h"
#include "common/types.h"
#include "common/view_types.h"

enum FLASHNAND_STATE : S32 {
  FLASHNAND_STATE_BLANK = 1,
  FLASHNAND_STATE_INCOMPLETE = 2,
  FLASHNAND_STATE_ORTAVEL = 3,
  FLASHNAND_STATE_DUV = 4,
  FLASHNAND_STATE_ISOLINEX = 5,
};

enum FLASHNAND_METHOD : S32 {
  FLASHNAND_METHOD_UNDEFINED = 0,
  FLASHNAND_METHOD_COPY = 1,
  FLASHNAND_METHOD_COMPARE = 2,
  FLASHNAND_METHOD_IMAGE = 3,
};

struct FLASHNAND_INF_DATA {
  char* pFileName;   // heap texts owned by the caller (H_MEMORY_vFree)
  char* pSignature;
  FLASHNAND_METHOD eMethod;
};

// The raw device of the internal storage (a unit path).
#define FLASHNAND_RAW_DEVICE "/dev/mvn0"

FLASHNAND_STATE U_FLASHNAND_eGetFlashnandState(U32 u32Unit);
const char* U_FLASHNAND_pcGetFlashnandStateText(FLASHNAND_STATE eState);
// The value of "key = value" on the line (blanks around both dropped); a
// heap text, or NULL when the key differs or the value is empty.
char* U_FLASHNAND_psParseFlashnandInfLine(const char* pcLine, const char* pcKey);
// Parses script text (at most 512 bytes, 10 lines are looked at).
BOOLEAN U_FLASHNAND_bParseFlashnandText(const char* pcText, size_t size, FLASHNAND_INF_DATA* pData);
BOOLEAN U_FLASHNAND_bParseFlashnandInf(const char* pcPath, FLASHNAND_INF_DATA* pData);
// Compares a card directory with a storage directory (host paths) file by
// file; the detail text names the first difference.
BOOLEAN U_FLASHNAND_bCompareDirectory(const char* pcCard, const char* pcStorage, BOOLEAN bRecursive);
void U_FLASHNAND_vDrawProgressScreen(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindow);
// FALSE when no maintenance is due; a run does not return.
BOOLEAN U_FLASHNAND_bUpdateFlashNAND(int nSlot);
// The detail text of the last run (tests).
const char* U_FLASHNAND_pcDetail(void);
// The screen's text (up to 99 characters), for the screen's tests.
void U_FLASHNAND_vSetScreenText(const char* pcText);
