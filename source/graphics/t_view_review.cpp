// The review view's hooks and the snapshot load of other tasks. The view's
// own thumbnails and states are not built yet: the hooks have nothing to do.
#include "source/graphics/t_view_review.h"

#include <string.h>

#include <atomic>

#include "source/core/h_database.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/h_display.h"

namespace {

constexpr PRIORITY LOAD_PRIORITY = 3;
// Picture loads are numbered so that the SD-card task drops a load a later
// one replaced.
std::atomic<U32> s_u32LatestRequestID{0};
std::atomic<U32> s_u32LatestSeen{0};

}  // namespace

void T_VIEW_vReviewRunSystem(void) {}
void T_VIEW_vReviewNotice(const MESSAGE_NEW_DATA* pMsg) { (void)pMsg; }
void T_VIEW_vReviewResetPos(void) {}
void T_VIEW_vReviewMessage(const GENERIC_MESSAGE* pMsg) { (void)pMsg; }
// Without the review view no full-size picture is ever held.
void T_VIEW_vReviewReleaseFullPicture(void) {}

BOOLEAN T_VIEW_bRequestSnapshotImage(BITMAP** ppBitmap, const char* pcName, SEMA sema) {
  if (ppBitmap == nullptr || pcName == nullptr) return FALSE;
  if (*ppBitmap == nullptr) {
    U32* page = H_DISPLAY_pu32GetDisplayBuffer();
    if (page == nullptr) return FALSE;
    BITMAP* b = G_BUFFERS_pCreateFullScreenBitmapHeader();
    if (b == nullptr) {
      H_DISPLAY_vFreeDisplayBuffer(page);
      return FALSE;
    }
    b->pBuffer = page;
    *ppBitmap = b;
  }
  G_BMP_vSet(*ppBitmap, gCOLOR_pcolColorTable[34]);
  const size_t stem = strcspn(pcName, ".");
  char* file = (char*)H_MEMORY_pvMalloc((U32)stem + 5);
  memcpy(file, pcName, stem);
  memcpy(file + stem, ".PNG", 5);
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMMC"), &mbox, &valid) || !valid) {
    H_MEMORY_vFree(file);
    return FALSE;
  }
  MSG_LOAD_BITMAP* msg = (MSG_LOAD_BITMAP*)H_MEMORY_pvMalloc(sizeof(MSG_LOAD_BITMAP));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_LOAD_BMP;
  msg->pBitmap = *ppBitmap;
  msg->pFileName = file;
  const U32 id = s_u32LatestRequestID.fetch_add(1) + 1;
  s_u32LatestSeen.store(id);
  msg->u32RequestID = id;
  msg->pu32LatestRequestID = &s_u32LatestSeen;
  msg->semaDone = sema;
  if (L_MBOX_Send((MBOX)mbox, msg, LOAD_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(file);
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}
