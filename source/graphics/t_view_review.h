// The snapshot and recording review view of the view task (view 71): its
// states, drawing, keys, quick-access menu and the hooks the view task, the
// view-key task, the menu task and the card task call.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "common/view_types.h"

// The review states: the thumbnail column, one snapshot full size, a sonar
// recording running and a recording played back.
enum SR_VIEW_STATE : S32 {
  SR_VIEW_INIT = 0,
  SR_VIEW_THUMBNAILS = 1,
  SR_VIEW_FULLIMAGE = 2,
  SR_VIEW_RECORDING = 3,
  SR_VIEW_PLAYBACK = 4,
};

// Sets the review state and updates the view's quick-access menu; any task.
// Entering recording or playback runs its own start (refused: the state
// stays).
void T_VIEW_vSetSRViewState(SR_VIEW_STATE eNew);
SR_VIEW_STATE T_VIEW_eSRViewState(void);

// Quick-access menu actions (menu task). Toggle: thumbnails or full view to
// recording, recording back to thumbnails. The deletions are refused (bad
// click) unless the thumbnails or the full view show an item; they are sent
// to the card task at the next drawing of the thumbnails, and the full view
// returns to the thumbnails.
void T_VIEW_vToggleRecordingState(void);
// Stops the playback (refused unless playing back): back to the thumbnails;
// from another view the open menu is closed first (an EXIT to the menu task).
void T_VIEW_vStopPlayback(void);
void T_VIEW_vDeleteCurrentImage(void);
void T_VIEW_vDeleteAllImages(void);
void T_VIEW_vDeleteAllRecordings(void);

// The card task's completions (card task): a snapshot or recording was
// saved (the list then starts at it), one item or all of a kind were
// deleted (the list is filled again).
void T_VIEW_vSnapshotSaveComplete(void);
void T_VIEW_vRecordingSaveComplete(void);
void T_VIEW_vDeleteComplete(void);
void T_VIEW_vDeleteAllComplete(void);

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
// current view and starts its list afresh when it becomes current; another
// view returns the full view to the thumbnails.
void T_VIEW_vReviewViewChanged(LAYER_ID view);
// The view-key task, after every key it receives: the review view gives up
// its full-size picture (page, header and pointer) and the full view returns
// to the thumbnails. The view task lets the page go at its next turn (never
// while it draws from it, nor while the card task loads into it).
void T_VIEW_vReviewReleaseFullPicture(void);
// The screenshot alone, as the MARK key takes it while screenshots are on:
// freezes the screen, sounds the camera and hands the frozen picture to the
// SD-card task (CMD_ID_SCREEN_DUMP). Refused (bad click) while the previous one is
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
