// SD-card slots: the card driver. The "sd" thread watches /dev for card
// block devices arriving and leaving and signals SEMA_TIMER_MMC; the card
// task then asks per slot whether a card is there and initialises (finds,
// mounts, identifies) or unmounts it. Slot 0 is MMC host "mmc1" mounted at
// "/mnt/mmc0", slot 1 host "mmc2" at "/mnt/mmc1". Everything but the thread
// runs in the calling task; the slot table is not locked.
#pragma once

#include "common/types.h"

enum CARD_PRESENT : S32 {
  NO_CARD_PRESENT = 1,
  MMC_CARD_PRESENT = 2,
  SD_CARD_PRESENT = 3,
  HCSD_CARD_PRESENT = 4,
  CARD_ERROR = 5,
  CHART_CARD_PRESENT = 6,
};

constexpr int DD_SD_SLOTS = 2;
constexpr int DD_SD_CID_BYTES = 16;

struct SD_STATUS {
  char cDeviceName[12];  // the slot's MMC host: "mmc1", "mmc2"
  char cFullName[12];    // the card's entry under the host: host ":" address
  char dir_name[256];    // the card's sysfs folder
  U8 cCID[DD_SD_CID_BYTES];
  S32 nLogicalID;  // N of the card's block device "mmcblkN"
  CARD_PRESENT eCardPresent;
  BOOLEAN bReadOnly;  // mounted read-only, or not mounted
};

// The chart vendor's card-query hook; not used on this platform.
typedef void (*ZAVIDODAS_QUERY_CALLBACK)(void);

// Starts the "sd" thread (once), sets both slots empty and read-only and
// unmounts both mount points. Called once during platform set-up.
void DD_SD_vInit(void);
BOOLEAN DD_SD_bIsCardPresent(S32 slot);
// TRUE when the slot holds a card with a block device; fills cFullName,
// dir_name and nLogicalID.
BOOLEAN DD_SD_vFindDevice(S32 slot);
// Finds and mounts the card, reads its CID and type: the slot becomes
// SD_CARD_PRESENT. FALSE when there is no card or it cannot be mounted (the
// slot is then left as it was).
BOOLEAN DD_SD_bInitCard(S32 slot);
// Mounts block device N at the slot's mount point: three tries on the first
// partition, then three on the whole device; a write-protected card is
// mounted read-only. About one second between failed tries.
BOOLEAN DD_SD_bMount(S32 nLogicalID, S32 slot);
// Unmounts the slot (up to five tries while busy, a second apart) and marks
// it empty and read-only whatever the outcome.
void DD_SD_vUmount(S32 slot);
// Reads the card's CID (32 hexadecimal characters) into cCID.
BOOLEAN DD_SD_bFetchCID(S32 slot);
// Reads the card's type: SD_CARD_PRESENT for "SD...", MMC_CARD_PRESENT for
// other text, NO_CARD_PRESENT when it cannot be read.
void DD_SD_vFetchType(S32 slot);
CARD_PRESENT DD_SD_eReadCardType(S32 slot);
void DD_SD_vGetCID(S32 slot, U8* pu8CID);
BOOLEAN DD_SD_bIsHardwareWriteEnabled(S32 slot);
void DD_SD_vWriteProtect(S32 slot, U32 flags);
void DD_SD_vSetCallback(ZAVIDODAS_QUERY_CALLBACK callback);
// The slot's mount point, "/mnt/mmc0" or "/mnt/mmc1".
const char* DD_SD_pcMountPoint(S32 slot);
// A copy of the slot's record (for the factory test and tests).
SD_STATUS DD_SD_sStatus(S32 slot);

// Body of the "sd" thread.
void* DD_SD_vThread(void* argument);
// Pause after a card event before it is signalled, so that the kernel can
// finish making or removing the card's nodes.
constexpr U32 DD_SD_SETTLE_MS = 2000;
