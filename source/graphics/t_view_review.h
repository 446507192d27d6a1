// The snapshot and recording review view of the view task: the hooks the
// view task and the view-key task call. The view's own drawing and states
// are not built yet; each hook does the least that keeps the view tasks
// sound.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "common/view_types.h"

// The draw callback of view 71, and its frame on another bitmap.
void T_VIEW_vDrawCaptureReviewView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec);
void T_VIEW_vDrawSnapshotPreviewBorder(BITMAP* pBitmap);
// First CMD_ID_RUN_SYSTEM, change notices (CSRE, SCSC, CPSP, CPSM, CSD0,
// CSD1), factory reset and the messages (CMD_ID_PING_START,
// CMD_ID_KEY_CHANGE) of the review view.
void T_VIEW_vReviewRunSystem(void);
void T_VIEW_vReviewNotice(const MESSAGE_NEW_DATA* pMsg);
void T_VIEW_vReviewResetPos(void);
void T_VIEW_vReviewMessage(const GENERIC_MESSAGE* pMsg);
// The view-key task, after every key it receives: the review view gives up
// its full-size picture (page, header and pointer). The picture must not go
// while the view task draws a page from it.
void T_VIEW_vReviewReleaseFullPicture(void);

#include <atomic>

#include "source/graphics/g_bitmap.h"
#include "lsvc/lsvc.h"

TESSIX_PACK4_BEGIN
// CMD_ID_LOAD_BMP to the SD-card task (key TMMC): loads the named PNG into
// the bitmap unless u32RequestID is older than *pu32LatestRequestID; the
// receiver frees pFileName and, when it is done, signals semaDone (when not
// 0) and frees the message. (The sender does not wait on the message
// itself: it may stop waiting, and the message is then still freed.)
struct MSG_LOAD_BITMAP {
  GENERIC_MESSAGE Header;
  BITMAP* pBitmap;
  char* pFileName;
  U32 u32RequestID;
  const std::atomic<U32>* pu32LatestRequestID;
  SEMA semaDone;
};
TESSIX_PACK_END

// Loads a snapshot full size: with *ppBitmap null a free display page is
// taken and wrapped in a full-screen header (none free: FALSE). The bitmap
// is filled with colour 34 and the load of "<name up to its first '.'>.PNG"
// is sent to the SD-card task with sema as the acknowledgement, which the
// SD-card task signals when it is done. FALSE (nothing sent) when TMMC is
// missing.
BOOLEAN T_VIEW_bRequestSnapshotImage(BITMAP** ppBitmap, const char* pcName, SEMA sema);
