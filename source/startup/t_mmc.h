// The SD-card task: notices cards coming and going in the two slots,
// classifies them (writable, write-protected by the switch, a chart card of
// the chart vendor, which is never written), publishes CSD0/CSD1, starts the
// work a new card triggers and performs the card writes other tasks ask for
// through its mailbox (key TMMC). Every file of a card lies under its
// slot's mount point "/mnt/mmc0/" or "/mnt/mmc1/".
#pragma once

#include "common/types.h"
#include "common/view_types.h"

constexpr int MMC_SLOTS = 2;

// Bits of a slot's card flags.
enum CARD_FLAG_BITS : U8 {
  CARD_WRITE_ENABLED = 1 << 0,
  CARD_HARDWARE_WP = 1 << 1,     // the switch is on, or no card
  CARD_ZAVIDODAS_WP = 1 << 2,    // protected as a chart-vendor card, or no card
  CARD_QUESTION_ASKED = 1 << 3,  // the chart-card refusal was shown for this insertion
  CARD_PRESENT_BIT = 1 << 4,
  CARD_ZAVIDODAS = 1 << 5,       // the root holds the folder "ZAVIDODA"
  CARD_WRITE_CANDIDATE = 1 << 6,
};

enum SAVE_STATUS : S32 {
  SUCCESS = 1,
  FAILURE = 2,
  BUSY = 3,
  NO_MMC = 4,
  DELETING = 5,
  DELETED = 6,
  ZAVIDODAS_WRITE_DISABLE = 7,
  BUSY_ENDFILL = 8,
  BUSY_ENDFILL_DONE = 9,
  MMC_FULL = 10,
  MMC_CREATE_ERROR = 11,
  MMC_WRITE_ERROR = 12,
  MMC_FILE_TOO_BIG = 13,
};

struct VOL_INFO {
  U32 u32BytesPerBlock;
  U32 u32TotalKB;
  U32 u32FreeKB;
};

// Entry of the task (task 28).
void T_MMC_vTask(void);

// The slot's card flags (CARD_FLAG_BITS).
U8 T_MMC_u8CardFlags(S32 slot);
SAVE_STATUS T_MMC_eSaveStatus(void);
// The text the message layer shows now ("" when it is not registered).
void T_MMC_vMessageText(char* pcText, size_t size);

// A folder on a writable card with room for the listed files: mount point
// plus folder name, allocated (the caller frees it with H_MEMORY_vFree), or
// null. pcDirList: null-terminated folder names, the first created when
// none exists; pu32SizeList: zero-terminated file sizes or null.
char* T_MMC_pcDeviceMakeDirectory(const char* const* pcDirList, const U32* pu32SizeList);
BOOLEAN T_MMC_bDeviceSpaceCheck(S32 nDeviceIndex, const U32* pu32SizeList);
BOOLEAN T_MMC_bIsCardWriteable(S32 s32Device);
S32 T_MMC_eReadMMCCardType(S32 nDeviceIndex);
S32 T_MMC_vFindMMCSlot(S32 slot);
BOOLEAN T_MMC_bGetVolumeInfoFromDeviceIndex(S32 nDeviceIndex, VOL_INFO* viptr);
BOOLEAN T_MMC_bGetVolumeInfoFromDeviceName(const char* pDeviceName, VOL_INFO* viptr);
BOOLEAN T_MMC_bGetRawVolumeInfoFromDeviceIndex(S32 nDeviceIndex, VOL_INFO* viptr);
BOOLEAN T_MMC_bGetRawVolumeInfoFromDeviceName(const char* pDeviceName, VOL_INFO* viptr);
void T_MMC_vDrawErrorMessage(void);
// Removes every entry of the folder not beginning with "." and then the
// folder; names that do not fit the path buffer are skipped with a trace.
void T_MMC_vRemoveDirectory(const char* pcDirectoryName);
// Marks the thumbnail list to be rebuilt at its next use.
void T_MMC_vInvalidateThumbNailList(void);

// The message layer (MMC_MESSAGE_LAYER) and the import message.
void T_MMC_vDrawMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
void T_MMC_vDrawImportMessage(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);

// Path buffers of the module.
constexpr size_t MMC_DIR_PATH_SIZE = 41;   // a folder to remove and its entries
constexpr size_t MMC_COMPOSED_SIZE = 127;  // composed names
