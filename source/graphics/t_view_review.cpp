// The snapshot and recording review view (view 71) and the snapshot load of
// other tasks. The view lists the snapshots and recordings on the cards as a
// column of three thumbnails that the cursor keys scroll, with a scroll bar
// and an information box for the current one; the right key shows the
// current snapshot full size, where up and down step through the snapshots
// and left returns. The card task (through its list calls,
// CMD_ID_LOAD_THUMBNAIL, CMD_ID_LOAD_BMP and CMD_ID_DELETE_IMAGE) does all
// file work. While screenshots are on (SCSC 2) MARK freezes the screen,
// sounds the camera and hands the picture to the card task
// (CMD_ID_SCREEN_DUMP). "Start Recording" in its quick menu records the
// sonar to a card, and the right key on a recording plays it back in the
// sonar views (t_view_review_play.cpp).
#include "source/graphics/t_view_review.h"

#include <string.h>

#include <stdio.h>

#include <atomic>
#include <mutex>

#include "source/core/h_database.h"
#include "common/language.h"
#include "data/icons.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/h_display.h"
#include "source/graphics/u_fonts.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_view_review_int.h"
#include "source/graphics/u_view.h"
#include "source/core/u_sound.h"

namespace {

constexpr PRIORITY LOAD_PRIORITY = 3;
// Picture loads are numbered so that the SD-card task drops a load a later
// one replaced.
std::atomic<U32> s_u32LatestRequestID{0};
std::atomic<U32> s_u32LatestSeen{0};

#define REVIEW_TEXT_RECORD(name, text)                                                           \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
REVIEW_TEXT_RECORD(s_txtReviewView, "Snapshot and Recording View");
REVIEW_TEXT_RECORD(s_txtScreenSnapshot, "Screen Snapshot");
constexpr const char* NO_IMAGES = "No Images Found";

// The frame: five rectangles in colour 36 and one inside them in 35.
void vDrawFrame(BITMAP* b) {
  const S32 w = b->pixels_wide_full_screen, h = b->pixels_high_full_screen;
  for (S32 i = 0; i <= 5; ++i) {
    G_BOX_vDraw(b, gCOLOR_pcolColorTable[i == 5 ? 35 : 36], POINT{i, i}, (U32)(w - 2 * i), (U32)(h - 2 * i));
  }
}

// The view with no items: "No Images Found" in an outlined block in the
// middle and the title at the bottom.
void vDrawNoImages(BITMAP* b) {
  const FONT_DEF* f = std_16x17_font_def_ptr;
  const S32 w = b->pixels_wide_full_screen, h = b->pixels_high_full_screen;
  const S32 fh = (S32)G_FONTS_u32GetHeight(f);
  const S32 boxW = (S32)G_STRING_u32GetWidth(f, NO_IMAGES) + 10;
  const S32 x = (w - boxW) / 2, y = h / 2, boxH = fh + 2;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[35], POINT{x, y}, (U32)boxW, (U32)boxH);
  POINT at{x + 5, y + 7};
  G_STRING_vPut(b, gCOLOR_pcolColorTable[32], &at, f, NO_IMAGES);
  G_BOX_vDrawRounded(b, gCOLOR_pcolColorTable[32], POINT{x - 2, y - 2}, (U32)boxW + 4, (U32)boxH + 4, 5);
  G_BOX_vDrawRounded(b, gCOLOR_pcolColorTable[32], POINT{x - 1, y - 1}, (U32)boxW + 2, (U32)boxH + 2, 3);
  const char* title = s_txtReviewView[nCurrentLanguage()];
  POINT t{(w - (S32)G_STRING_u32GetWidth(f, title) - 14) / 2, fh / 2 + 7};
  G_STRING_vPut(b, gCOLOR_pcolColorTable[32], &t, f, title);
}

// ------------------------------------------------------------ thumbnails
// The three slots, each bound to its picture; the pointers say which is
// shown at the top, in the middle and at the bottom. Scrolling rotates the
// pointers. s_slotLock guards the slots' names and pictures between the
// view task and the card task.
std::mutex s_slotLock;
THUMBNAIL_DATA_FILE s_aPictures[3];
SONAR_RECORD_THUMB_HEADER s_aRecordings[3];
THUMBNAIL_HEADER_TYPE s_aSlots[3];
THUMBNAIL_HEADER_TYPE* s_psCurrentThumbnail = &s_aSlots[0];
THUMBNAIL_HEADER_TYPE* s_psNextThumbnail = &s_aSlots[1];
THUMBNAIL_HEADER_TYPE* s_psNextNextThumbnail = &s_aSlots[2];
U32 s_u32TopPosition = 0, s_u32MiddlePosition = 0, s_u32BottomPosition = 0;
bool s_bCursorKeyHeld = false;

// How the next drawing of the thumbnails fills the slots: as they are, from
// the list's first item, from the top item's old position (after a single
// deletion), or from the snapshot or recording saved last. Set by any task,
// carried out by the view task.
enum LIST_START : S32 { LIST_KEEP, LIST_FIRST, LIST_AT_POSITION, LIST_LATEST_SNAPSHOT, LIST_LATEST_RECORDING };
std::atomic<S32> s_eListStart{LIST_FIRST};
U32 s_u32DeletedPosition = 0;
// The type of the item at the top, for the menu task's actions and menu.
std::atomic<S32> s_eCurrentType{THUMBNAIL_NONE};

// The review state, and the lock that keeps a state change and its menu
// update together.
std::atomic<S32> s_eSRViewState{SR_VIEW_INIT};
std::recursive_mutex s_stateLock;

// Deletions asked for by the quick menu, sent at the next drawing.
std::atomic<bool> s_bDeleteCurrentImage{false};
std::atomic<bool> s_bDeleteAllImages{false};
std::atomic<bool> s_bDeleteAllRecordings{false};

// The camera sound of a screenshot.
SOUND s_cameraSound = {"snapshot_camera_sound", 0, 0, nullptr};
bool s_bCameraSoundRegistered = false;

// ------------------------------------------------------------ full-size picture
// The picture of the full view: a display page wrapped in a full-screen
// header, held by the view task alone. Loads are numbered: s_u32FullWanted
// is the one wanted (the card task drops others), s_u32FullSent the last one
// sent and s_u32FullDone the last one the card task finished with. The page
// is drawn from, and given back, only while no load is outstanding.
BITMAP* s_pFileImage = nullptr;
std::atomic<U32> s_u32FullWanted{0};
std::atomic<U32> s_u32FullSent{0};
std::atomic<U32> s_u32FullDone{0};
std::atomic<bool> s_bReleaseRequested{false};

bool bFullLoadIdle(void) { return s_u32FullDone.load() == s_u32FullSent.load(); }

void vGiveBackPicture(void) {
  if (s_pFileImage == nullptr) return;
  // A load still waiting in the card task's mailbox is dropped.
  s_u32FullWanted.store(0);
  if (!bFullLoadIdle()) return;  // the card task still writes into it: kept for the next full view
  H_DISPLAY_vFreeDisplayBuffer(s_pFileImage->pBuffer);
  G_BUFFERS_vFreeFullScreenBitmapHeader(s_pFileImage);
  s_pFileImage = nullptr;
}

bool bTakePicturePage(void) {
  if (s_pFileImage != nullptr) return true;
  U32* page = H_DISPLAY_pu32GetDisplayBuffer();
  if (page == nullptr) return false;
  BITMAP* b = G_BUFFERS_pCreateFullScreenBitmapHeader();
  if (b == nullptr) {
    H_DISPLAY_vFreeDisplayBuffer(page);
    return false;
  }
  b->pBuffer = page;
  s_pFileImage = b;
  return true;
}

U32 u32CardMailbox(bool* pbValid) {
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  *pbValid = H_DATABASE_bFetchU32(FCID("TMMC"), &mbox, &valid) && valid;
  return mbox;
}

// Sends the load of the snapshot's picture ("<name up to its first '.'>.PNG")
// into the held page. Without the card task nothing is sent and the page
// stays in colour 34.
void vLoadFullPicture(const char* pcName) {
  if (s_pFileImage == nullptr) return;
  // While the card task still loads into the page (a load no longer wanted,
  // which it drops) the page is not touched here.
  if (bFullLoadIdle()) G_BMP_vSet(s_pFileImage, gCOLOR_pcolColorTable[34]);
  bool valid = false;
  const U32 mbox = u32CardMailbox(&valid);
  if (!valid) return;
  const size_t stem = strcspn(pcName, ".");
  char* file = (char*)H_MEMORY_pvMalloc((U32)stem + 5);
  memcpy(file, pcName, stem);
  memcpy(file + stem, ".PNG", 5);
  MSG_LOAD_BITMAP* msg = (MSG_LOAD_BITMAP*)H_MEMORY_pvMalloc(sizeof(MSG_LOAD_BITMAP));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_LOAD_BMP;
  msg->pBitmap = s_pFileImage;
  msg->pFileName = file;
  const U32 id = s_u32LatestRequestID.fetch_add(1) + 1;
  msg->u32RequestID = id;
  msg->pu32LatestRequestID = &s_u32FullWanted;
  msg->pu32DoneRequestID = &s_u32FullDone;
  s_u32FullWanted.store(id);
  const U32 before = s_u32FullSent.exchange(id);
  if (L_MBOX_Send((MBOX)mbox, msg, LOAD_PRIORITY, 0) != lsSUCCESS) {
    s_u32FullSent.store(before);
    H_MEMORY_vFree(file);
    H_MEMORY_vFree(msg);
  }
}

// ------------------------------------------------------------ screenshots
// SCSC: 0 screenshots off (MARK marks a waypoint in its owner's task), 2 on
// (the view task holds MARK and takes a screenshot with it).
constexpr U32 SCREENSHOTS_ON = 2;
constexpr PRIORITY SCREEN_DUMP_PRIORITY = 3;
// A screenshot may be taken: cleared while the card task saves one, set
// again when it lets the frozen picture go.
std::atomic<bool> s_bOkToCapture{true};
bool s_bCaptureKeyHeld = false;

U32 u32Screenshots(void) {
  U32 v = 0;
  BOOLEAN valid = FALSE;
  return H_DATABASE_bFetchU32(FCID("SCSC"), &v, &valid) && valid ? v : 0;
}

// Holds MARK while screenshots are on, gives it back otherwise.
void vUpdateCaptureKey(void) {
  const bool on = u32Screenshots() == SCREENSHOTS_ON;
  if (on && !s_bCaptureKeyHeld) {
    s_bCaptureKeyHeld = U_KEYBOARD_bRegisterKeys(M_VIEW, KEY_MASK_MARK, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY,
                                                 REGISTER_SCREEN_CAPTURE) != FALSE;
  } else if (!on && s_bCaptureKeyHeld) {
    VIEW_SEAM_bUnregisterKeys(M_VIEW, KEY_MASK_MARK);
    s_bCaptureKeyHeld = false;
  }
}

// Freezes the screen and sends the frozen picture to the card task. The
// picture stays frozen until the card task signals SEMA_VIEW_RELEASE_BITMAP.
bool bCapture(void) {
  if (!s_bOkToCapture.load()) return false;
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMMC"), &mbox, &valid) || !valid) return false;
  T_VIEW_vToggleDisplayUpdateFreeze(TRUE);
  BITMAP* frozen = T_VIEW_pFrozenBitmap();
  if (frozen == nullptr) return false;
  s_bOkToCapture.store(false);
  U_SOUND_vPlaySound(TONE_USE_CUSTOM, &s_cameraSound, 0, 1);
  MSG_GET_SCREEN_DUMP* msg = (MSG_GET_SCREEN_DUMP*)H_MEMORY_pvMalloc(sizeof(MSG_GET_SCREEN_DUMP));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_SCREEN_DUMP;
  msg->pBitmap = frozen;
  if (L_MBOX_Send((MBOX)mbox, msg, SCREEN_DUMP_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(msg);
    // Nobody will release the picture: let the screen move again.
    T_VIEW_vToggleDisplayUpdateFreeze(FALSE);
    s_bOkToCapture.store(true);
    return false;
  }
  log_me("VIEW: screenshot sent to the card task");
  return true;
}

enum THUMBNAIL_SCROLL_STATE { SCROLL_NONE = 0, SCROLL_UP = 1, SCROLL_DOWN = 2, SCROLL_LEFT = 3, SCROLL_RIGHT = 4 };
THUMBNAIL_SCROLL_STATE s_eScrollState = SCROLL_NONE;

void vBindSlots(void) {
  for (int i = 0; i < 3; ++i) {
    s_aSlots[i].snapshot = &s_aPictures[i];
    s_aSlots[i].recording = &s_aRecordings[i];
  }
}

void vClearSlot(THUMBNAIL_HEADER_TYPE* p) {
  std::lock_guard<std::mutex> lock(s_slotLock);
  p->eType = THUMBNAIL_NONE;
  p->sName[0] = '\0';
  p->bWrongSizeThumbnail = FALSE;
}

// Gives the slot its item and asks the card task for its picture.
void vRequestThumbnail(THUMBNAIL_HEADER_TYPE* p, THUMBNAIL_TYPE type, const char* pcName) {
  {
    std::lock_guard<std::mutex> lock(s_slotLock);
    p->eType = type;
    snprintf(p->sName, sizeof p->sName, "%s", pcName);
    p->bWrongSizeThumbnail = FALSE;
    p->u32CardSizeKB = p->u32CardAvailableKB = 0;
    p->snapshot->Header.WaypointValid = 0;
    for (U16& px : p->snapshot->ImageData) px = gCOLOR_pcolColorTable[34];
    if (p->recording != nullptr) {
      p->recording->bWaypointValid = 0;
      p->recording->u32NumberOfPings = 0;
      memset(p->recording->RecordingStartWaypoint.acName, 0, sizeof p->recording->RecordingStartWaypoint.acName);
    }
  }
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMMC"), &mbox, &valid) || !valid) return;
  const size_t n = strlen(pcName) + 1;
  char* copy = (char*)H_MEMORY_pvMalloc((U32)n);
  memcpy(copy, pcName, n);
  MSG_LOAD_THUMBNAIL* msg = (MSG_LOAD_THUMBNAIL*)H_MEMORY_pvMalloc(sizeof(MSG_LOAD_THUMBNAIL));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = type == THUMBNAIL_RECORDING_TYPE ? CMD_ID_LOAD_RECORDING : CMD_ID_LOAD_THUMBNAIL;
  msg->pFilename = copy;
  msg->pThumbnailDestination = p;
  if (L_MBOX_Send((MBOX)mbox, msg, LOAD_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(copy);
    H_MEMORY_vFree(msg);
  }
}

// Fills the slot after `after` with the item following it (or clears it).
void vFillNext(const THUMBNAIL_HEADER_TYPE* after, THUMBNAIL_HEADER_TYPE* slot, U32* pu32Position) {
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  const THUMBNAIL_TYPE t =
      after->eType == THUMBNAIL_NONE ? THUMBNAIL_NONE : T_MMC_eFindNextThumbNail(after->sName, name, &pos);
  if (t == THUMBNAIL_NONE) {
    vClearSlot(slot);
    *pu32Position = 0;
  } else {
    vRequestThumbnail(slot, t, name);
    *pu32Position = pos;
  }
}

// The list from the given item (none: empty), the two after it below.
void vStartListAt(THUMBNAIL_TYPE t, const char* name, U32 pos) {
  if (t == THUMBNAIL_NONE) {
    vClearSlot(s_psCurrentThumbnail);
    s_u32TopPosition = 0;
  } else {
    vRequestThumbnail(s_psCurrentThumbnail, t, name);
    s_u32TopPosition = pos;
  }
  vFillNext(s_psCurrentThumbnail, s_psNextThumbnail, &s_u32MiddlePosition);
  vFillNext(s_psNextThumbnail, s_psNextNextThumbnail, &s_u32BottomPosition);
}

// The list from its first item.
void vStartList(void) {
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  const THUMBNAIL_TYPE t = T_MMC_eFindFirstThumbNail(name, &pos);
  vStartListAt(t, name, pos);
}

// The list from the item at that position (past the end: the last item).
void vStartListAtPosition(U32 u32Position) {
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  THUMBNAIL_TYPE t = T_MMC_eFindFirstThumbNail(name, &pos);
  while (t != THUMBNAIL_NONE && pos < u32Position) {
    char next[THUMBNAIL_NAME_SIZE] = {};
    U32 nextPos = 0;
    const THUMBNAIL_TYPE n = T_MMC_eFindNextThumbNail(name, next, &nextPos);
    if (n == THUMBNAIL_NONE) break;
    t = n;
    memcpy(name, next, sizeof name);
    pos = nextPos;
  }
  vStartListAt(t, name, pos);
}

// The list from the snapshot or recording saved last (not found: from the
// first item).
void vStartListAtLatest(THUMBNAIL_TYPE eType) {
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  if (T_MMC_eFindLatestThumbnail(name, eType, &pos) == THUMBNAIL_NONE) {
    vStartList();
    return;
  }
  vStartListAt(eType, name, pos);
}

// Up: the item before the top one comes in at the top; at the first item
// the last one becomes current alone.
bool bScrollUp(void) {
  if (s_psCurrentThumbnail->eType == THUMBNAIL_NONE) return false;
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  if (s_u32TopPosition <= 1) {
    const THUMBNAIL_TYPE t = T_MMC_eFindLastThumbNail(name, &pos);
    if (t == THUMBNAIL_NONE) return false;
    vRequestThumbnail(s_psCurrentThumbnail, t, name);
    s_u32TopPosition = pos;
    vClearSlot(s_psNextThumbnail);
    vClearSlot(s_psNextNextThumbnail);
    s_u32MiddlePosition = s_u32BottomPosition = 0;
    return true;
  }
  const THUMBNAIL_TYPE t = T_MMC_eFindPreviousThumbNail(s_psCurrentThumbnail->sName, name, &pos);
  if (t == THUMBNAIL_NONE) return false;
  THUMBNAIL_HEADER_TYPE* top = s_psNextNextThumbnail;
  s_psNextNextThumbnail = s_psNextThumbnail;
  s_psNextThumbnail = s_psCurrentThumbnail;
  s_psCurrentThumbnail = top;
  s_u32BottomPosition = s_u32MiddlePosition;
  s_u32MiddlePosition = s_u32TopPosition;
  vRequestThumbnail(top, t, name);
  s_u32TopPosition = pos;
  return true;
}

// Down: the middle item moves to the top; at the last item the list starts
// again from its first.
bool bScrollDown(void) {
  if (s_psCurrentThumbnail->eType == THUMBNAIL_NONE) return false;
  if (s_psNextThumbnail->eType == THUMBNAIL_NONE) {
    if (s_u32TopPosition < T_MMC_u32ThumbNailsInList()) return false;
    vStartList();
    return true;
  }
  THUMBNAIL_HEADER_TYPE* old = s_psCurrentThumbnail;
  s_psCurrentThumbnail = s_psNextThumbnail;
  s_psNextThumbnail = s_psNextNextThumbnail;
  s_psNextNextThumbnail = old;
  s_u32TopPosition = s_u32MiddlePosition;
  s_u32MiddlePosition = s_u32BottomPosition;
  vFillNext(s_psNextThumbnail, s_psNextNextThumbnail, &s_u32BottomPosition);
  return true;
}

// The item's name without its folder and extension.
void vShortName(const char* pcPath, char* out, size_t size) {
  const char* base = strrchr(pcPath, '/');
  base = base != nullptr ? base + 1 : pcPath;
  snprintf(out, size, "%.*s", (int)strcspn(base, "."), base);
}

// An arrow head pointing in the scroll direction, 17 pixels across and 9
// deep, its box's lower left corner at `at`; in colour 35 while lit.
void vDrawArrow(BITMAP* b, THUMBNAIL_SCROLL_STATE dir, POINT at, bool lit) {
  const COLOR c = gCOLOR_pcolColorTable[lit ? 35 : 32];
  for (S32 i = 0; i < 9; ++i) {
    const U32 len = (U32)(17 - 2 * i);
    switch (dir) {
      case SCROLL_UP:
        G_BOX_vDrawFilled(b, c, POINT{at.x + i, at.y + i}, len, 1);
        break;
      case SCROLL_DOWN:
        G_BOX_vDrawFilled(b, c, POINT{at.x + i, at.y + 8 - i}, len, 1);
        break;
      case SCROLL_RIGHT:
        G_BOX_vDrawFilled(b, c, POINT{at.x + i, at.y + i}, 1, len);
        break;
      case SCROLL_LEFT:
        G_BOX_vDrawFilled(b, c, POINT{at.x + 8 - i, at.y + i}, 1, len);
        break;
      default:
        return;
    }
  }
}

// One item of the column, its picture's lower left corner at (36, y). The
// caller holds s_slotLock.
void vDrawItem(BITMAP* b, const THUMBNAIL_HEADER_TYPE* p, S32 y, bool top) {
  const S32 x = 36;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x - 3, y - 3}, 206, 156);
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[34], POINT{x, y}, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);
  if (p->eType == THUMBNAIL_RECORDING_TYPE) {
    const ICON& icon = recording_thumbnail_icon;
    const S32 ix = x + (THUMBNAIL_WIDTH - icon.nWidth) / 2, iy = y + (THUMBNAIL_HEIGHT - icon.nHeight) / 2;
    G_ICON_vPut(b, &icon, POINT{ix, iy});
    char name[12];
    vShortName(p->sName, name, sizeof name);
    const FONT_DEF* f = std_11x14_font_def_ptr;
    POINT at{x + (THUMBNAIL_WIDTH - (S32)G_STRING_u32GetWidth(f, name)) / 2, iy + 3};
    G_STRING_vPut(b, gCOLOR_pcolColorTable[36], &at, f, name);
  } else if (p->bWrongSizeThumbnail) {
    const ICON& icon = improper_screen_icon;
    G_ICON_vPut(b, &icon, POINT{x + (THUMBNAIL_WIDTH - icon.nWidth) / 2, y + (THUMBNAIL_HEIGHT - icon.nHeight) / 2});
  } else {
    // The thumbnail file holds the screen's bottom row first: row k is k
    // pixels above the picture's bottom edge.
    const U16* row = p->snapshot->ImageData;
    for (S32 k = 0; k < THUMBNAIL_HEIGHT; ++k, row += THUMBNAIL_WIDTH) {
      for (S32 i = 0; i < THUMBNAIL_WIDTH; ++i) G_PIXEL_vPut(b, x + i, y + k, row[i]);
    }
  }
  if (!top) return;
  for (S32 i = 1; i <= 3; ++i) {
    G_BOX_vDraw(b, gCOLOR_pcolColorTable[32], POINT{x - i, y - i}, (U32)(200 + 2 * i), (U32)(150 + 2 * i));
  }
  // The list wraps at both ends: both arrows always lead somewhere.
  vDrawArrow(b, SCROLL_UP, POINT{x + (THUMBNAIL_WIDTH - 17) / 2, y + 157}, s_eScrollState == SCROLL_UP);
  vDrawArrow(b, SCROLL_DOWN, POINT{x + (THUMBNAIL_WIDTH - 17) / 2, y - 7 - 9}, s_eScrollState == SCROLL_DOWN);
  if (p->bWrongSizeThumbnail && p->eType != THUMBNAIL_RECORDING_TYPE) return;
  const S32 ay = y + (THUMBNAIL_HEIGHT - 17) / 2;
  vDrawArrow(b, SCROLL_RIGHT, POINT{243, ay}, s_eScrollState == SCROLL_RIGHT);
  const ICON& icon = p->eType == THUMBNAIL_RECORDING_TYPE ? start_playback_icon : Zoom_in_icon;
  G_ICON_vPut(b, &icon, POINT{243 + 9 + 4, y + (THUMBNAIL_HEIGHT - icon.nHeight) / 2});
}

// The information box of the current item: its name, in the first of three
// cells (a snapshot's box is one row of cells, a recording's two).
void vDrawInfoBox(BITMAP* b, const THUMBNAIL_HEADER_TYPE* p) {
  const bool tall = p->eType == THUMBNAIL_RECORDING_TYPE;
  const S32 x = 310, y = tall ? 410 : 485, h = tall ? 150 : 75;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[128], POINT{x, y}, 474, (U32)h);
  const COLOR outline[3] = {gCOLOR_pcolColorTable[36], gCOLOR_pcolColorTable[36], gCOLOR_pcolColorTable[128]};
  for (S32 i = 1; i <= 3; ++i) G_BOX_vDraw(b, outline[i - 1], POINT{x - i, y - i}, (U32)(474 + 2 * i), (U32)(h + 2 * i));
  for (S32 c = 1; c < 3; ++c) {
    G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x + 158 * c, y}, 1, (U32)h);
  }
  if (tall) G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x, y + 75}, 474, 1);
  char name[25];
  vShortName(p->sName, name, sizeof name);
  const FONT_DEF* f = std_11x14_font_def_ptr;
  POINT at{389 - (S32)G_STRING_u32GetWidth(f, name) / 2, 485 + 28};
  G_STRING_vPut(b, gCOLOR_pcolColorTable[131], &at, f, name);
}

// The scroll bar: track and a slider for the items shown among all.
void vDrawScrollBar(BITMAP* b, U32 n, U32 bottomPosition) {
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[33], POINT{7, 23}, 19, 554);
  vDrawArrow(b, SCROLL_UP, POINT{7, 577}, s_eScrollState == SCROLL_UP);
  vDrawArrow(b, SCROLL_DOWN, POINT{7, 6 + 8}, s_eScrollState == SCROLL_DOWN);
  if (n == 0) return;
  const U32 length = n < 3 ? 55400 : 300 / n * 554;
  const S32 top = 23 + 554;
  S32 y = (S32)((100 - bottomPosition * 100 / n) * 554 / 100) + 23;
  S32 l = length <= 1099 ? 10 : (S32)(length / 100);
  if (y + l > top) l = top - y;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[32], POINT{9, y}, 15, (U32)(l > 1 ? l : 1));
}

// Sends the deletions the quick menu asked for. A single deletion leaves
// the list to start again at the deleted item's position once the card task
// reports it done; deleting all of a kind starts it from the first item.
void vSendDeletions(void) {
  const bool all_images = s_bDeleteAllImages.exchange(false);
  const bool all_recordings = s_bDeleteAllRecordings.exchange(false);
  const bool current = s_bDeleteCurrentImage.exchange(false);
  if (!all_images && !all_recordings && !current) return;
  bool valid = false;
  const U32 mbox = u32CardMailbox(&valid);
  auto send = [&](const char* pcName) {
    if (!valid) {
      log_me("VIEW: no card task; %s not deleted", pcName);
      return;
    }
    MSG_DELETE_IMAGE* msg = (MSG_DELETE_IMAGE*)H_MEMORY_pvMalloc(sizeof(MSG_DELETE_IMAGE));
    memset(msg, 0, sizeof *msg);
    msg->Header.Cmd = CMD_ID_DELETE_IMAGE;
    snprintf(msg->FileName, sizeof msg->FileName, "%s", pcName);
    if (L_MBOX_Send((MBOX)mbox, msg, LOAD_PRIORITY, 0) != lsSUCCESS) H_MEMORY_vFree(msg);
  };
  if (all_images) send("all images");
  if (all_recordings) send("all recordings");
  if (current && !all_images && !all_recordings && s_psCurrentThumbnail->eType != THUMBNAIL_NONE) {
    char name[THUMBNAIL_NAME_SIZE];
    {
      std::lock_guard<std::mutex> lock(s_slotLock);
      snprintf(name, sizeof name, "%s", s_psCurrentThumbnail->sName);
    }
    s_u32DeletedPosition = s_u32TopPosition;
    send(name);
  }
}

// Fills the slots as the last events asked.
void vStartListAsAsked(void) {
  switch (s_eListStart.exchange(LIST_KEEP)) {
    case LIST_FIRST:
      vStartList();
      break;
    case LIST_AT_POSITION:
      vStartListAtPosition(s_u32DeletedPosition);
      break;
    case LIST_LATEST_SNAPSHOT:
      vStartListAtLatest(THUMBNAIL_IMAGE_TYPE);
      break;
    case LIST_LATEST_RECORDING:
      vStartListAtLatest(THUMBNAIL_RECORDING_TYPE);
      break;
    default:
      break;
  }
  s_eCurrentType.store(s_psCurrentThumbnail->eType);
}

void vUpdateSnapshotMenu(void);

void vDrawThumbnails(BITMAP* b) {
  vSendDeletions();
  vStartListAsAsked();
  vUpdateSnapshotMenu();
  std::lock_guard<std::mutex> lock(s_slotLock);
  if (s_psCurrentThumbnail->eType == THUMBNAIL_NONE) {
    vDrawNoImages(b);
    s_eScrollState = SCROLL_NONE;
    return;
  }
  const THUMBNAIL_HEADER_TYPE* slots[3] = {s_psCurrentThumbnail, s_psNextThumbnail, s_psNextNextThumbnail};
  const S32 ys[3] = {400, 200, 20};
  for (int i = 2; i >= 0; --i) {
    if (slots[i]->eType != THUMBNAIL_NONE) vDrawItem(b, slots[i], ys[i], i == 0);
  }
  vDrawInfoBox(b, s_psCurrentThumbnail);
  const U32 bottom = s_u32BottomPosition != 0 ? s_u32BottomPosition
                     : s_u32MiddlePosition != 0 ? s_u32MiddlePosition
                                                : s_u32TopPosition;
  vDrawScrollBar(b, T_MMC_u32ThumbNailsInList(), bottom);
  s_eScrollState = SCROLL_NONE;
}

// The full view: the picture (once loaded) over the whole page, the frame,
// the up and down arrows and the way back on the left.
void vDrawFullImage(BITMAP* b) {
  if (s_pFileImage != nullptr && bFullLoadIdle()) {
    G_BMP_vPlaceLogicalOnLogical(b, POINT{0, 0}, s_pFileImage, POINT{0, 0}, 800, 600);
  }
  vDrawFrame(b);
  const S32 w = b->pixels_wide_full_screen, h = b->pixels_high_full_screen;
  vDrawArrow(b, SCROLL_UP, POINT{(w - 17) / 2, h - 7 - 9}, s_eScrollState == SCROLL_UP);
  vDrawArrow(b, SCROLL_DOWN, POINT{(w - 17) / 2, 7}, s_eScrollState == SCROLL_DOWN);
  const ICON& icon = Zoom_out_icon;
  G_ICON_vPut(b, &icon, POINT{7, (h - icon.nHeight) / 2});
  vDrawArrow(b, SCROLL_LEFT, POINT{7 + icon.nWidth + 2, (h - 17) / 2}, s_eScrollState == SCROLL_LEFT);
  s_eScrollState = SCROLL_NONE;
}

// The view task's turn at the full-size picture: a release the view-key
// task asked for returns the full view to the thumbnails, and a picture no
// state shows goes back to the display pages.
void vTidyPicture(void) {
  if (s_bReleaseRequested.exchange(false) && s_eSRViewState.load() == SR_VIEW_FULLIMAGE) {
    T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  }
  if (s_eSRViewState.load() != SR_VIEW_FULLIMAGE) vGiveBackPicture();
}

// ------------------------------------------------------------ recording and playback
// The starts of the two sonar states. A recording is started by CSRE (its
// owner refuses it by turning CSRE off again); a playback starts on the
// recording at the top of the column, already opened for playback.
bool bEnterRecording(void) {
  review_play::vEnterRecording();
  return true;
}
bool bEnterPlayback(void) {
  SONAR_RECORD_THUMB_HEADER header;
  char name[THUMBNAIL_NAME_SIZE];
  {
    std::lock_guard<std::mutex> lock(s_slotLock);
    // Slots are bound at the first run; before it there is no header.
    header = s_psCurrentThumbnail->recording != nullptr ? *s_psCurrentThumbnail->recording : SONAR_RECORD_THUMB_HEADER{};
    snprintf(name, sizeof name, "%s", s_psCurrentThumbnail->sName);
  }
  review_play::vEnterPlayback(&header, name);
  return true;
}
void vLeaveRecording(void) { review_play::vLeaveRecording(); }
void vLeavePlayback(void) { review_play::vLeavePlayback(); }

// ------------------------------------------------------------ quick-access menu
#define REVIEW_TEXT(name, text) REVIEW_TEXT_RECORD(name, text)
REVIEW_TEXT(s_txtStartRecording, "Start Recording");
REVIEW_TEXT(s_txtDeleteImage, "Delete Image");
REVIEW_TEXT(s_txtDeleteRecording, "Delete Recording");
REVIEW_TEXT(s_txtDeleteAllImages, "Delete All Images");
REVIEW_TEXT(s_txtDeleteAllRecordings, "Delete All Recordings");
REVIEW_TEXT(s_txtPingRate, "Pings Per Second");
REVIEW_TEXT(s_txtAuto, "Auto");
const MENU_LIMITS s_pingRateLimits = {U_NONE, 1.0f, 11.0f, 1.0f};

REVIEW_MENU_ITEM ActionItem(DB_TEXT_RECORD text, const ICON* icon, MENU_PRIORITY priority, MENU_ACTION_FUNC fn,
                            bool confirm) {
  REVIEW_MENU_ITEM item{};
  item.eKind = REVIEW_MENU_ACTION;
  item.pText = text;
  item.pIcon = icon;
  item.priority = priority;
  item.pfnAction = fn;
  item.bConfirm = confirm ? TRUE : FALSE;
  item.view = CAPTURE_REVIEW_VIEW_PRIORITY;
  return item;
}

REVIEW_MENU_ITEM PingRateItem(void) {
  REVIEW_MENU_ITEM item{};
  item.eKind = REVIEW_MENU_PROGRESS_BAR;
  item.pText = s_txtPingRate;
  item.pIcon = &Quickvo_ping_rate_icon;
  item.priority = MENU_PING_RATE;
  item.key = FCID("SRPS");
  item.pLimits = &s_pingRateLimits;
  item.pRightText = s_txtAuto;
  item.view = CAPTURE_REVIEW_VIEW_PRIORITY;
  return item;
}

// The items of a state for a current item of that type (at most 8).
int nMenuItems(SR_VIEW_STATE state, THUMBNAIL_TYPE type, REVIEW_MENU_ITEM* out) {
  int n = 0;
  switch (state) {
    case SR_VIEW_THUMBNAILS:
    case SR_VIEW_FULLIMAGE:
      out[n++] = ActionItem(s_txtStartRecording, &Quickvo_start_rec_icon, MENU_START_RECORDING,
                            T_VIEW_vToggleRecordingState, false);
      if (type == THUMBNAIL_IMAGE_TYPE) {
        out[n++] = ActionItem(s_txtDeleteImage, &delete_image_icon, MENU_DELETE_IMAGE, T_VIEW_vDeleteCurrentImage, true);
      } else if (type == THUMBNAIL_RECORDING_TYPE) {
        out[n++] = ActionItem(s_txtDeleteRecording, &delete_image_icon, MENU_DELETE_RECORDING,
                              T_VIEW_vDeleteCurrentImage, true);
      }
      out[n++] = ActionItem(s_txtDeleteAllImages, &delete_image_all_icon, MENU_DELETE_ALL_IMAGES,
                            T_VIEW_vDeleteAllImages, true);
      out[n++] = ActionItem(s_txtDeleteAllRecordings, &delete_image_all_icon, MENU_DELETE_ALL_RECORDINGS,
                            T_VIEW_vDeleteAllRecordings, true);
      out[n++] = PingRateItem();
      break;
    default:
      n = review_play::nMenuItems(state, out);
      break;
  }
  return n;
}

// The menu as registered last; rebuilt only when the state or the current
// item's type changed, or in playback the speed menu.
SR_VIEW_STATE s_eMenuState = SR_VIEW_INIT;
THUMBNAIL_TYPE s_eMenuType = THUMBNAIL_NONE;
U32 s_u32MenuSpeed = 0;

void vUpdateSnapshotMenu(void) {
  std::lock_guard<std::recursive_mutex> lock(s_stateLock);
  const SR_VIEW_STATE state = (SR_VIEW_STATE)s_eSRViewState.load();
  const THUMBNAIL_TYPE type = (THUMBNAIL_TYPE)s_eCurrentType.load();
  const U32 speed = review_play::u32SpeedMenu();
  if (state == s_eMenuState && type == s_eMenuType && (state != SR_VIEW_PLAYBACK || speed == s_u32MenuSpeed)) return;
  REVIEW_MENU_ITEM items[8];
  // The old items are found by their texts and views: the speed menu of
  // the old items does not matter.
  const int old = nMenuItems(s_eMenuState, s_eMenuType, items);
  for (int i = 0; i < old; ++i) (void)VIEW_SEAM_bUnregisterReviewMenuItem(items[i].pText, items[i].view);
  const int n = nMenuItems(state, type, items);
  for (int i = 0; i < n; ++i) (void)VIEW_SEAM_bRegisterReviewMenuItem(&items[i]);
  s_eMenuState = state;
  s_eMenuType = type;
  s_u32MenuSpeed = speed;
}

// The full view of the current snapshot: a page for it (none free: FALSE)
// and its load.
bool bOpenFullView(void) {
  if (!bTakePicturePage()) return false;
  char name[THUMBNAIL_NAME_SIZE];
  {
    std::lock_guard<std::mutex> lock(s_slotLock);
    snprintf(name, sizeof name, "%s", s_psCurrentThumbnail->sName);
  }
  vLoadFullPicture(name);
  T_VIEW_vSetSRViewState(SR_VIEW_FULLIMAGE);
  return true;
}

// Right in the thumbnails: a snapshot full size, a recording played back.
bool bOpenCurrent(void) {
  const THUMBNAIL_HEADER_TYPE* p = s_psCurrentThumbnail;
  if (p->eType == THUMBNAIL_IMAGE_TYPE) return !p->bWrongSizeThumbnail && bOpenFullView();
  if (p->eType != THUMBNAIL_RECORDING_TYPE) return false;
  char name[THUMBNAIL_NAME_SIZE + 4];
  const size_t stem = strcspn(p->sName, ".");
  snprintf(name, sizeof name, "%.*s.SON", (int)stem, p->sName);
  if (!T_MMC_bOpenPlaybackFile(TRUE, name)) return false;
  T_VIEW_vSetSRViewState(SR_VIEW_PLAYBACK);
  if (s_eSRViewState.load() == SR_VIEW_PLAYBACK) return true;
  (void)T_MMC_bOpenPlaybackFile(FALSE, name);
  return false;
}

// Up or down in the full view: the previous or next snapshot, wrapping to
// the last or first one; the column starts at it and its picture loads.
bool bStepFullView(bool up) {
  char current[THUMBNAIL_NAME_SIZE];
  {
    std::lock_guard<std::mutex> lock(s_slotLock);
    snprintf(current, sizeof current, "%s", s_psCurrentThumbnail->sName);
  }
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  THUMBNAIL_TYPE t = up ? T_MMC_eFindPreviousThumbNailImage(current, name, &pos)
                        : T_MMC_eFindNextThumbNailImage(current, name, &pos);
  if (t == THUMBNAIL_NONE) {
    // Wrap only when the other side has a snapshot: a lone one stays.
    const THUMBNAIL_TYPE other = up ? T_MMC_eFindNextThumbNailImage(current, nullptr, nullptr)
                                    : T_MMC_eFindPreviousThumbNailImage(current, nullptr, nullptr);
    if (other == THUMBNAIL_NONE) return false;
    t = up ? T_MMC_eFindLastThumbNailImage(name, &pos) : T_MMC_eFindFirstThumbNailImage(name, &pos);
    if (t == THUMBNAIL_NONE) return false;
  }
  vStartListAt(t, name, pos);
  s_eCurrentType.store(t);
  vLoadFullPicture(name);
  return true;
}

bool bHandleCursor(CURSOR_POSITION cursor) {
  const SR_VIEW_STATE state = (SR_VIEW_STATE)s_eSRViewState.load();
  if (state == SR_VIEW_THUMBNAILS) {
    switch (cursor) {
      case CURSOR_NORTH:
        s_eScrollState = SCROLL_UP;
        return bScrollUp();
      case CURSOR_SOUTH:
        s_eScrollState = SCROLL_DOWN;
        return bScrollDown();
      case CURSOR_EAST:
        s_eScrollState = SCROLL_RIGHT;
        return bOpenCurrent();
      default:
        return false;
    }
  }
  if (state == SR_VIEW_FULLIMAGE) {
    switch (cursor) {
      case CURSOR_NORTH:
        s_eScrollState = SCROLL_UP;
        return bStepFullView(true);
      case CURSOR_SOUTH:
        s_eScrollState = SCROLL_DOWN;
        return bStepFullView(false);
      case CURSOR_WEST:
        s_eScrollState = SCROLL_LEFT;
        T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
        vGiveBackPicture();
        return true;
      default:
        return false;
    }
  }
  if (state == SR_VIEW_PLAYBACK) return review_play::bCursor(cursor);
  return false;
}

}  // namespace

SR_VIEW_STATE T_VIEW_eSRViewState(void) { return (SR_VIEW_STATE)s_eSRViewState.load(); }

void T_VIEW_vSetSRViewState(SR_VIEW_STATE eNew) {
  std::lock_guard<std::recursive_mutex> lock(s_stateLock);
  const SR_VIEW_STATE eOld = (SR_VIEW_STATE)s_eSRViewState.load();
  if (eNew == eOld) return;
  if (eNew == SR_VIEW_RECORDING && !bEnterRecording()) return;
  if (eNew == SR_VIEW_PLAYBACK && !bEnterPlayback()) return;
  if (eOld == SR_VIEW_RECORDING) vLeaveRecording();
  if (eOld == SR_VIEW_PLAYBACK) vLeavePlayback();
  if (eNew == SR_VIEW_RECORDING || eNew == SR_VIEW_PLAYBACK) {
    review_play::vClearFigures();
  } else {
    review_play::vStopMode();
  }
  s_eSRViewState.store(eNew);
  vUpdateSnapshotMenu();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_VIEW_vToggleRecordingState(void) {
  const SR_VIEW_STATE state = T_VIEW_eSRViewState();
  if (state == SR_VIEW_THUMBNAILS || state == SR_VIEW_FULLIMAGE) {
    T_VIEW_vSetSRViewState(SR_VIEW_RECORDING);
    L_SEMA_Signal(T_VIEW_eSRViewState() == SR_VIEW_RECORDING ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
  } else if (state == SR_VIEW_RECORDING) {
    T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
}

void T_VIEW_vStopPlayback(void) {
  if (T_VIEW_eSRViewState() != SR_VIEW_PLAYBACK) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  if (T_VIEW_eShownLayer() != CAPTURE_REVIEW_VIEW_PRIORITY) {
    // Another view shows the playback: its open menu closes first.
    MSG_KEY_CHANGE* k = (MSG_KEY_CHANGE*)H_MEMORY_pvMalloc(sizeof(MSG_KEY_CHANGE));
    memset(k, 0, sizeof *k);
    k->Header.Cmd = CMD_ID_KEY_CHANGE;
    k->key = KEY_MASK_EXIT;
    k->state = KEY_DOWN;
    k->count = 0;
    k->cursor = CURSOR_ILLEGAL;
    if (L_MBOX_Send(M_MENU, k, 3, 0) != lsSUCCESS) H_MEMORY_vFree(k);
  } else {
    L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  }
  T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
}

namespace {
// A deletion asked in the thumbnails or the full view while an item shows.
void vAskDeletion(std::atomic<bool>& flag) {
  const SR_VIEW_STATE state = T_VIEW_eSRViewState();
  if ((state != SR_VIEW_THUMBNAILS && state != SR_VIEW_FULLIMAGE) || s_eCurrentType.load() == THUMBNAIL_NONE) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  flag.store(true);
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  if (state == SR_VIEW_FULLIMAGE) T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}
}  // namespace

void T_VIEW_vDeleteCurrentImage(void) { vAskDeletion(s_bDeleteCurrentImage); }
void T_VIEW_vDeleteAllImages(void) { vAskDeletion(s_bDeleteAllImages); }
void T_VIEW_vDeleteAllRecordings(void) { vAskDeletion(s_bDeleteAllRecordings); }

void T_VIEW_vSnapshotSaveComplete(void) {
  s_eListStart.store(LIST_LATEST_SNAPSHOT);
  s_bOkToCapture.store(true);
}
void T_VIEW_vRecordingSaveComplete(void) {
  s_eListStart.store(LIST_LATEST_RECORDING);
  s_bOkToCapture.store(true);
}
void T_VIEW_vDeleteComplete(void) {
  s_eListStart.store(LIST_AT_POSITION);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}
void T_VIEW_vDeleteAllComplete(void) {
  s_eListStart.store(LIST_FIRST);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_VIEW_vDrawCaptureReviewView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  vTidyPicture();
  G_BMP_vSet(pBitmap, gCOLOR_pcolColorTable[34]);
  const SR_VIEW_STATE state = T_VIEW_eSRViewState();
  if (state == SR_VIEW_FULLIMAGE) {
    vDrawFullImage(pBitmap);
    return;
  }
  vDrawFrame(pBitmap);
  if (state == SR_VIEW_RECORDING || state == SR_VIEW_PLAYBACK) {
    review_play::vDraw(pBitmap, state);
    return;
  }
  vDrawThumbnails(pBitmap);
}

void T_VIEW_vStoreThumbnail(THUMBNAIL_HEADER_TYPE* pSlot, const char* pcName, const THUMBNAIL_HEADER_TYPE* pLoaded) {
  if (pSlot == nullptr || pcName == nullptr || pLoaded == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(s_slotLock);
    if (strcmp(pSlot->sName, pcName) != 0) return;  // the slot moved on
    pSlot->bWrongSizeThumbnail = pLoaded->bWrongSizeThumbnail;
    pSlot->u32CardSizeKB = pLoaded->u32CardSizeKB;
    pSlot->u32CardAvailableKB = pLoaded->u32CardAvailableKB;
    if (pLoaded->snapshot != nullptr && pSlot->snapshot != nullptr && !pLoaded->bWrongSizeThumbnail) {
      *pSlot->snapshot = *pLoaded->snapshot;
    }
    if (pLoaded->recording != nullptr && pSlot->recording != nullptr) *pSlot->recording = *pLoaded->recording;
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void T_VIEW_vReviewViewChanged(LAYER_ID view) {
  const bool review = view == CAPTURE_REVIEW_VIEW_PRIORITY;
  // Another view: the full view gives way to the thumbnails.
  if (!review && T_VIEW_eSRViewState() == SR_VIEW_FULLIMAGE) T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  vTidyPicture();
  if (review && !s_bCursorKeyHeld) {
    s_bCursorKeyHeld = U_KEYBOARD_bRegisterKeys(M_VIEW, KEY_MASK_CURSOR, KEY_DOWN, TRUE, FALSE, CURSOR_4,
                                                REGISTER_VIEW) != FALSE;
    s_eListStart.store(LIST_FIRST);
  } else if (!review && s_bCursorKeyHeld) {
    VIEW_SEAM_bUnregisterKeys(M_VIEW, KEY_MASK_CURSOR);
    s_bCursorKeyHeld = false;
  }
}

void T_VIEW_vDrawSnapshotPreviewBorder(BITMAP* pBitmap) { vDrawFrame(pBitmap); }

void T_VIEW_vReviewRunSystem(void) {
  static bool s_bStarted = false;
  if (!s_bStarted) {
    s_bStarted = true;
    review_play::vStart();
  }
  vBindSlots();
  s_eListStart.store(LIST_FIRST);
  if (!s_bCameraSoundRegistered) {
    s_bCameraSoundRegistered = true;
    U_SOUND_vRegisterSound(&s_cameraSound, FALSE);
  }
  (void)H_DATABASE_bRegisterForDataWithConditions(FCID("CSD0"), M_VIEW, TRUE, FALSE, FALSE);
  (void)H_DATABASE_bRegisterForDataWithConditions(FCID("CSD1"), M_VIEW, TRUE, FALSE, FALSE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVCR"), TRUE, P_DEFAULT_SETTING, D_UNKNOWN, s_txtReviewView,
                                      DB_NO_TIMEOUT);
  (void)U_VIEW_bRegisterLayer(T_VIEW_vDrawCaptureReviewView, CAPTURE_REVIEW_VIEW_PRIORITY, USED_BY_NONE, 0,
                              FCID("SVCR"), TRUE, nullptr, nullptr, nullptr);
  // Screenshots: off unless the user chose otherwise.
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SCSC"), 0, P_DEFAULT_SETTING, D_UNSIGNED32, s_txtScreenSnapshot,
                                        DB_NO_TIMEOUT);
  (void)H_DATABASE_bRegisterForDataWithConditions(FCID("SCSC"), M_VIEW, TRUE, FALSE, FALSE);
  vUpdateCaptureKey();
  VIEW_SEAM_vRegisterSnapshotMenu();
  VIEW_SEAM_vCreateReviewMenu(CAPTURE_REVIEW_VIEW_PRIORITY);
  // The first menu update leaves the start state for the thumbnails.
  {
    std::lock_guard<std::recursive_mutex> lock(s_stateLock);
    if (T_VIEW_eSRViewState() == SR_VIEW_INIT) {
      T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
    } else {
      vUpdateSnapshotMenu();
    }
  }
}
void T_VIEW_vReviewNotice(const MESSAGE_NEW_DATA* pMsg) {
  const FOURCHARID key = pMsg->FourCharId;
  DB_DATA_TYPE v;
  memcpy(&v, &pMsg->dbValue, sizeof v);
  const SR_VIEW_STATE state = T_VIEW_eSRViewState();
  // A card came or went: the list starts again at the next drawing; the
  // card recorded to or played from going ends that state.
  if (key == FCID("CSD0") || key == FCID("CSD1")) {
    s_eListStart.store(LIST_FIRST);
    if (review_play::bCardGoneUnderUs(key == FCID("CSD0") ? 0 : 1, v.u32Val != 0, state)) {
      log_me("VIEW: the card of the recording went");
      T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
    }
  }
  if (key == FCID("SCSC")) vUpdateCaptureKey();
  // The recording ended (stopped, refused or a write error).
  if (key == FCID("CSRE") && v.u32Val == 0 && state == SR_VIEW_RECORDING) T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  if (key == FCID("CPSP")) {
    review_play::vModeChanged(v.u32Val);
    vUpdateSnapshotMenu();
  }
  if (key == FCID("CPSM")) review_play::vChoiceChanged(v.u32Val);
}
void T_VIEW_vReviewResetPos(void) {
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SCSC"), 0, P_NORMAL, D_UNSIGNED32, s_txtScreenSnapshot,
                                        DB_NO_TIMEOUT);
  vUpdateCaptureKey();
  T_VIEW_vSetSRViewState(SR_VIEW_THUMBNAILS);
  vTidyPicture();
}
void T_VIEW_vReviewMessage(const GENERIC_MESSAGE* pMsg) {
  vTidyPicture();
  if (pMsg->Cmd == CMD_ID_PING_START) {
    review_play::vRecordingStarted((const MSG_PING_VIEW_START*)pMsg);
    return;
  }
  if (pMsg->Cmd != CMD_ID_KEY_CHANGE) return;
  const MSG_KEY_CHANGE* k = (const MSG_KEY_CHANGE*)pMsg;
  if (k->state != KEY_DOWN) return;
  const SR_VIEW_STATE state = T_VIEW_eSRViewState();
  if (state == SR_VIEW_RECORDING && (k->key == KEY_MASK_MARK || k->key == KEY_MASK_SOFT_KEY_1)) {
    // While recording MARK marks a waypoint; the other key is refused.
    if (k->key == KEY_MASK_MARK) {
      VIEW_SEAM_vHandleMark();
      L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
    } else {
      L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    }
    return;
  }
  if (k->key == KEY_MASK_MARK || k->key == KEY_MASK_SOFT_KEY_1) {
    if (u32Screenshots() == SCREENSHOTS_ON) {
      // A screenshot of a playback pauses it first.
      if (state == SR_VIEW_PLAYBACK) (void)H_DATABASE_bUpdateValueU32(FCID("CPSP"), PLAYBACK_MODE_PAUSED, P_NORMAL);
      T_VIEW_vScreenCapture();
    } else {
      L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    }
    return;
  }
  if (k->key != KEY_MASK_CURSOR) return;
  const bool done = bHandleCursor(k->cursor);
  s_eCurrentType.store(s_psCurrentThumbnail->eType);
  vUpdateSnapshotMenu();
  L_SEMA_Signal(done ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}
void T_VIEW_vScreenCapture(void) {
  if (!bCapture()) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
}

void T_VIEW_vReviewCaptureReleased(void) { s_bOkToCapture.store(true); }

void T_VIEW_vReviewReleaseFullPicture(void) {
  s_bReleaseRequested.store(true);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

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
  msg->semaDone = sema;  // the card task frees the message and signals this when done
  if (L_MBOX_Send((MBOX)mbox, msg, LOAD_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(file);
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}
