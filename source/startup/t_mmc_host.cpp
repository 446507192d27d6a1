// SD-card task stand-in: until the card task is built, its mailbox (key
// TMMC) serves the one request other tasks already make of it, the load of a
// PNG picture into a full-screen bitmap (CMD_ID_LOAD_BMP), from the card
// folders as the unit sees them (/mnt/mmc0, /mnt/mmc1, under the host root).
// Every other request is disposed of unread.
#include <string.h>

#include <vector>

#include "common/db_types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/t_view_review.h"
#include "source/platform/platform.h"
#include "source/startup/task_stubs.h"

namespace {

// Copies the picture into the bitmap, the top row of the picture at the
// top of the screen, cut to the bitmap's size.
void vCopyPicture(BITMAP* b, const std::vector<U16>& px, int w, int h) {
  U16* dst = (U16*)b->pBuffer;
  if (dst == nullptr) return;
  const int pitch = (int)b->__u32PixelWidthOfBuffer;
  const int rows = h < b->pixels_high_full_screen ? h : b->pixels_high_full_screen;
  const int cols = w < b->pixels_wide_full_screen ? w : b->pixels_wide_full_screen;
  for (int r = 0; r < rows; ++r) memcpy(dst + (size_t)r * pitch, px.data() + (size_t)r * w, (size_t)cols * 2);
}

void vLoadBitmap(MSG_LOAD_BITMAP* m) {
  const bool current = m->pu32LatestRequestID == nullptr || m->u32RequestID >= m->pu32LatestRequestID->load();
  if (current && m->pBitmap != nullptr && m->pFileName != nullptr) {
    std::vector<U16> px;
    int w = 0, h = 0;
    const std::string path = PLATFORM_sResolvePath(m->pFileName);
    if (PLATFORM_bReadPng565(path.c_str(), &px, &w, &h)) {
      vCopyPicture(m->pBitmap, px, w, h);
    } else {
      log_me("MMC: picture %s not loaded", m->pFileName);
    }
  }
  if (m->pFileName != nullptr) H_MEMORY_vFree(m->pFileName);
  m->pFileName = nullptr;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  if (m->semaDone != 0) L_SEMA_Signal(m->semaDone);
}

}  // namespace

void T_MMC_vTask(void) {
  H_DATABASE_bUpdateEverythingU32(FCID("TMMC"), (U32)M_MMC, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  const SEMA list[] = {SEMA_MBOX_MMC, 0};
  for (;;) {
    L_SEMA_WaitMultiple(list);
    while (void* p = L_MBOX_Receive(M_MMC)) {
      if (((GENERIC_MESSAGE*)p)->Cmd == CMD_ID_LOAD_BMP) vLoadBitmap((MSG_LOAD_BITMAP*)p);
      H_MEMORY_vDumpMail(p);
    }
  }
}
