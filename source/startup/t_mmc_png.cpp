// Picture loads of the card task: a snapshot from a card (PNG, or the older
// BMP form) for the review view, and the two built-in pictures.
#include <string.h>

#include "common/mmc_types.h"
#include "source/graphics/g_bitmap.h"
#include "source/platform/platform.h"
#include "source/startup/t_mmc_int.h"
#include "source/startup/t_mmc_png.h"
#include "source/startup/u_mmc_bufio.h"
#include "source/startup/u_mmc_png.h"

namespace {

constexpr int BACKGROUND_ENTRY = 34;

void vFillBackground(BITMAP* pBitmap) {
  const COLOR c = gCOLOR_pcolColorTable[BACKGROUND_ENTRY];
  for (PIXEL y = 0; y < pBitmap->pixels_high; ++y) {
    for (PIXEL x = 0; x < pBitmap->pixels_wide; ++x) G_PIXEL_vPut(pBitmap, x, y, c);
  }
}

struct PICTURE_READER {
  int (*pfnRead)(void*, int, int*);
  int nPos;
};

int nReadPicture(void* pContext, U8* pBuffer, int n) {
  auto* r = static_cast<PICTURE_READER*>(pContext);
  return r->pfnRead(pBuffer, n, &r->nPos);
}

int nReadStream(void* pContext, U8* pBuffer, int n) {
  return U_MMC_nBufferedRead(pBuffer, n, static_cast<BUFFERED_IO_CONTROL*>(pContext));
}

void vReadBuiltIn(BITMAP* pBitmap, int (*pfnRead)(void*, int, int*), int nSize, PIXEL x0, PIXEL y0) {
  if (pBitmap == nullptr) return;
  vFillBackground(pBitmap);
  T_MMC_vSetStatus(BUSY);
  PICTURE_READER reader = {pfnRead, 0};
  PNG_SOURCE source = {nReadPicture, &reader, nSize};
  T_MMC_vSetStatus(U_PNG_bDecode(&source, pBitmap, x0, y0) ? SUCCESS : FAILURE);
}

// The older snapshot form: rows from the bottom up of the bitmap's full
// width in blue, green, red, padded to 4 bytes, behind a 54-byte header.
bool bReadBmp(const char* pcName, BITMAP* pBitmap) {
  BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen(pcName, "rb", nullptr, 0);
  if (c == nullptr) return false;
  long size = -1;
  if (U_MMC_nBufferedSeek(c, 0, 2) == 0) size = U_MMC_nBufferedTell(c);
  bool ok = U_MMC_nBufferedSeek(c, 0, 0) == 0;
  PNG_SOURCE source = {nReadStream, c, size};
  ok = ok && U_BMP_bDecode(&source, pBitmap);
  (void)U_MMC_nBufferedClose(c);
  return ok;
}

}  // namespace

void T_MMC_vReadWeatherBMP(BITMAP* pBitmap) {
  vReadBuiltIn(pBitmap, U_MMC_nWeatherImageRead, U_MMC_nSatWxImageSize(), 0, 0);
}

void T_MMC_vReadLimnoraBMP(BITMAP* pBitmap) {
  if (pBitmap == nullptr) return;
  const PIXEL x0 = pBitmap->pixels_wide < 912 ? pBitmap->pixels_wide - PNG_WIDTH : 112;
  const PIXEL y0 = pBitmap->pixels_high <= 629 ? pBitmap->pixels_high - PNG_HEIGHT : 30;
  vReadBuiltIn(pBitmap, U_MMC_nLimnoraImageRead, U_MMC_nLimnoraImageSize(), x0, y0);
}

void T_MMC_vReadBMP16(char* pFileName, BITMAP* pFileBitmap, U32 u32RequestID,
                      const std::atomic<U32>* pu32LatestRequestID) {
  if (pFileName == nullptr) return;
  if (pFileBitmap == nullptr || (pu32LatestRequestID != nullptr && pu32LatestRequestID->load() != u32RequestID)) {
    T_MMC_vSetStatus(SUCCESS);
    H_MEMORY_vFree(pFileName);
    return;
  }
  vFillBackground(pFileBitmap);
  T_MMC_vSetStatus(BUSY);
  bool ok = false;
  if (BUFFERED_IO_CONTROL* c = U_MMC_psBufferedOpen(pFileName, "rb", nullptr, 0)) {
    long size = -1;
    if (U_MMC_nBufferedSeek(c, 0, 2) == 0) size = U_MMC_nBufferedTell(c);
    if (size >= 0 && U_MMC_nBufferedSeek(c, 0, 0) == 0) {
      PNG_SOURCE source = {nReadStream, c, size};
      ok = U_PNG_bDecode(&source, pFileBitmap, 0, 0) != FALSE;
    }
    (void)U_MMC_nBufferedClose(c);
  } else {
    // No PNG: the same name with ".BMP" from its first ".".
    char bmp[MMC_COMPOSED_SIZE];
    snprintf(bmp, sizeof bmp, "%s", pFileName);
    char* dot = strchr(bmp, '.');
    if (dot != nullptr && (size_t)(dot - bmp) + 4 < sizeof bmp) {
      strcpy(dot, ".BMP");
      ok = bReadBmp(bmp, pFileBitmap);
    }
  }
  T_MMC_vSetStatus(ok ? SUCCESS : FAILURE);
  H_MEMORY_vFree(pFileName);
}

bool T_MMC_bHandlePictureMessage(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_LOAD_BMP: {
      auto* m = reinterpret_cast<MSG_LOAD_BITMAP*>(pMsg);
      T_MMC_vReadBMP16(m->pFileName, m->pBitmap, m->u32RequestID, m->pu32LatestRequestID);
      m->pFileName = nullptr;
      if (m->pu32DoneRequestID != nullptr) m->pu32DoneRequestID->store(m->u32RequestID);
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      if (m->semaDone != 0) (void)L_SEMA_Signal(m->semaDone);  // the bitmap is the sender's again
      return true;
    }
    case CMD_ID_LOAD_SATWX_IMAGE: {
      auto* m = reinterpret_cast<MSG_LOAD_SATWX_IMAGE*>(pMsg);
      (void)L_MUTEX_LockWait(RES_SATWX_POS_IMAGE);
      if (m->ppBitmap != nullptr && *m->ppBitmap != nullptr) {
        T_MMC_vReadWeatherBMP(*m->ppBitmap);
        (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      }
      (void)L_MUTEX_Unlock(RES_SATWX_POS_IMAGE);
      return true;
    }
    case CMD_ID_LOAD_LIMNORA_IMAGE: {
      auto* m = reinterpret_cast<MSG_LOAD_LIMNORA_IMAGE*>(pMsg);
      (void)L_MUTEX_LockWait(RES_CHART_IMAGES);
      T_MMC_vReadLimnoraBMP(m->pBitmap);
      (void)L_MUTEX_Unlock(RES_CHART_IMAGES);
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      return true;
    }
    default:
      return false;
  }
}
