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

#include <atomic>

#include "source/graphics/g_bitmap.h"
#include "lsvc/lsvc.h"

// ------------------------------------------------------------ thumbnails
enum THUMBNAIL_TYPE : S32 {
  THUMBNAIL_NONE = 0,
  THUMBNAIL_IMAGE_TYPE = 1,
  THUMBNAIL_RECORDING_TYPE = 2,
};
constexpr int THUMBNAIL_WIDTH = 200;
constexpr int THUMBNAIL_HEIGHT = 150;
constexpr int THUMBNAIL_NAME_SIZE = 50;

// A thumbnail picture: 200 x 150 pixels, top row first.
struct THUMBNAIL_DATA_FILE {
  U16 ImageData[THUMBNAIL_WIDTH * THUMBNAIL_HEIGHT];
};

// One of the view's three thumbnail slots, bound to its picture buffer.
// The card task fills it through T_VIEW_bStoreThumbnail.
struct THUMBNAIL_HEADER_TYPE {
  BOOLEAN bWrongSizeThumbnail;  // the picture is not a full-screen shot
  BOOLEAN bLoaded;              // the picture has arrived
  U32 u32CardSizeKB;
  U32 u32CardAvailableKB;
  THUMBNAIL_TYPE eType;
  char sName[THUMBNAIL_NAME_SIZE];  // the item's path as the card task forms it
  THUMBNAIL_DATA_FILE* snapshot;
};

// The card task's answer to CMD_ID_LOAD_THUMBNAIL: the picture of the item
// named, scaled to 200 x 150, is copied into the slot when the slot still
// waits for that item (a slot that moved on to another item keeps its
// own); then the view is redrawn. Safe against the view task's drawing.
void T_VIEW_vStoreThumbnail(THUMBNAIL_HEADER_TYPE* pSlot, const char* pcName, const U16* pu16Pixels,
                            BOOLEAN bWrongSize);

TESSIX_PACK4_BEGIN
// CMD_ID_LOAD_THUMBNAIL (snapshot) to the card task: pFilename is a heap
// copy the receiver frees.
struct MSG_LOAD_THUMBNAIL {
  GENERIC_MESSAGE Header;
  char* pFilename;
  THUMBNAIL_HEADER_TYPE* pThumbnailDestination;
};

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
