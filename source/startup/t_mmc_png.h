// Picture loads of the card task (run on the card task; the caller's bitmap
// is guarded by the lock its users hold while reading it). Each leaves its
// result in the card task's status: SUCCESS or FAILURE.
#pragma once

#include <atomic>

#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"

// The weather picture from (0, 0); the lake-chart picture right- and
// bottom-aligned on a small bitmap, at (112, 30) on a large one.
void T_MMC_vReadWeatherBMP(BITMAP* pBitmap);
void T_MMC_vReadLimnoraBMP(BITMAP* pBitmap);
// A snapshot file into the bitmap unless the view asked for another one
// since (*pu32LatestRequestID != u32RequestID); frees pFileName.
void T_MMC_vReadBMP16(char* pFileName, BITMAP* pFileBitmap, U32 u32RequestID,
                      const std::atomic<U32>* pu32LatestRequestID);
// CMD_ID_LOAD_BMP (then its semaDone is signalled), CMD_ID_LOAD_SATWX_IMAGE,
// CMD_ID_LOAD_LIMNORA_IMAGE; true when the message was one of them (it is
// not disposed of here).
bool T_MMC_bHandlePictureMessage(GENERIC_MESSAGE* pMsg);
