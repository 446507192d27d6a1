// The profile exchange with a newly inserted card: "profile.txt" in the
// card's root describes the unit (version record, identity values, the four
// personalization lines); a card holding this unit's profile or a generic
// one can change the unit's personalization lines.
#pragma once

#include <stddef.h>

#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_nvram.h"
#include "source/core/version.h"
#include "source/startup/t_nvram.h"

constexpr int PROFILE_IDS = 12;
constexpr int PROFILE_LINES = 4;
constexpr int PROFILE_LINE_SIZE = 21;  // 20 characters and the terminator
constexpr size_t PROFILE_FILE_SIZE = 512;

struct MMC_PROFILE_DATA {
  int numVerNumX1000;
  VERSION_INFO sVersionInfo;
  U32 u32IdVals[PROFILE_IDS];  // SEDB SEDU SEIB SEIU SENB SENU SETB SMDL SIMT WVER RVER TVER
  char PersonalizationData[PROFILE_LINES][PROFILE_LINE_SIZE];
};

// Messages to the NVRAM task (acknowledged on SEMA_MMC_MISC):
// MSG_READ_PERSONALIZED and MSG_WRITE_PERSONALIZED of source/startup/t_nvram.h.

BOOLEAN T_MMC_bFillProfileStruct(MMC_PROFILE_DATA* pProfile);
// The file's text (at most 511 bytes, NUL-terminated in the buffer).
size_t T_MMC_szFormatProfile(const MMC_PROFILE_DATA* pProfile, char acBuffer[PROFILE_FILE_SIZE]);
// Parses a profile's text; FALSE when it is incomplete.
BOOLEAN T_MMC_bParseProfile(const char* pcText, size_t n, MMC_PROFILE_DATA* pProfile);
BOOLEAN T_MMC_bWriteProfileFile(S32 slot);
void T_MMC_vUpdatePersonalizationData(const char acLines[PROFILE_LINES][PROFILE_LINE_SIZE]);
// The personalization block's text split into four lines, and back.
void T_MMC_vSplitPersonalization(const PERSONALIZATION_DATA_BLOCK* pBlock, char acLines[PROFILE_LINES][PROFILE_LINE_SIZE]);
void T_MMC_vJoinPersonalization(const char acLines[PROFILE_LINES][PROFILE_LINE_SIZE], PERSONALIZATION_DATA_BLOCK* pBlock);
// The unit's record after the last exchange.
const MMC_PROFILE_DATA* T_MMC_pProfileData(void);
