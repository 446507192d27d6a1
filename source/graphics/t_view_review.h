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
// A new current view: the review view holds the cursor key while it is the
// current view and starts its list afresh when it becomes current.
void T_VIEW_vReviewViewChanged(LAYER_ID view);
// The view-key task, after every key it receives: the review view gives up
// its full-size picture (page, header and pointer). The picture must not go
// while the view task draws a page from it.
void T_VIEW_vReviewReleaseFullPicture(void);
// The screenshot alone, as the MARK key takes it while screenshots are on:
// freezes the screen and hands the frozen picture to the SD-card task
// (CMD_ID_SCREEN_DUMP). Refused (bad click) while the previous one is
// being saved, without the card task's mailbox, or when the freeze fails.
void T_VIEW_vScreenCapture(void);
// The SD-card task let the frozen picture go (saved or not): the next
// screenshot may be taken.
void T_VIEW_vReviewCaptureReleased(void);

#include "common/mmc_types.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"

// The card task's answer to CMD_ID_LOAD_THUMBNAIL / CMD_ID_LOAD_RECORDING:
// pLoaded (the wrong-size flag, the card figures and, where given, the
// picture and the recording header) is copied into the slot when the slot
// still waits for that item (sName equals pcName; a slot that moved on to
// another item keeps its own); then the view is redrawn. Safe against the
// view task's drawing.
void T_VIEW_vStoreThumbnail(THUMBNAIL_HEADER_TYPE* pSlot, const char* pcName, const THUMBNAIL_HEADER_TYPE* pLoaded);

// Loads a snapshot full size: with *ppBitmap null a free display page is
// taken and wrapped in a full-screen header (none free: FALSE). The bitmap
// is filled with colour 34 and the load of "<name up to its first '.'>.PNG"
// is sent to the SD-card task with sema as its completion semaphore
// (semaDone), which the SD-card task signals when it is done with the
// bitmap, also after the caller stopped waiting. FALSE (nothing sent) when
// TMMC is missing.
BOOLEAN T_VIEW_bRequestSnapshotImage(BITMAP** ppBitmap, const char* pcName, SEMA sema);
