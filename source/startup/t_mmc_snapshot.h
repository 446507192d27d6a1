// Snapshots of the screen to a card (run on the card task).
#pragma once

#include "common/types.h"
#include "source/graphics/g_bitmap.h"

// Saves the bitmap's bottom 800 x 600 pixels as "S%05d.PNG" with its
// thumbnail "S%05d.DAT" in the card's "SNAPSHOT" (or "IMAGES") folder and
// makes a mark of that name. The status ends SUCCESS, FAILURE (both files
// removed) or NO_MMC; SEMA_VIEW_RELEASE_BITMAP gives the bitmap back.
void T_MMC_vSnapshot(BITMAP* pBitmap);
// The next free number after SFID in the folder (stored back in SFID).
BOOLEAN T_MMC_bNextSnapshotNumber(const char* pcFolder, U32* pu32Number);
// The PNG of the bitmap's bottom 800 x 600 pixels through a buffered
// writer opened with INITIALIZE_WRITE. FALSE on a failed write or when
// deflate's fixed memory runs out.
struct BUFFERED_IO_CONTROL;
BOOLEAN T_MMC_bWriteSnapshotPng(BUFFERED_IO_CONTROL* pPng, BITMAP* pBitmap);
// Stores the autopilot's screenshot file as it came ("S%05d.PNG" in the
// card's "KEELAR" folder); frees pData.
void T_MMC_vKeelarScreenshot(U32 u32Length, U8* pData);
