// The snapshot and recording review view (view 71) and the snapshot load of
// other tasks. The view lists the snapshots on the cards as a column of
// three thumbnails that the cursor keys scroll, with a scroll bar and an
// information box for the current one. The card task (through its list
// calls and CMD_ID_LOAD_THUMBNAIL) does all file work. While screenshots
// are on (SCSC 2) MARK freezes the screen and hands the picture to the card
// task (CMD_ID_SCREEN_DUMP). The full view, recording and playback states
// are not built yet.
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
#include "source/graphics/u_view.h"

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
bool s_bInitialThumbNailSearch = true;
bool s_bCursorKeyHeld = false;

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

enum THUMBNAIL_SCROLL_STATE { SCROLL_NONE = 0, SCROLL_UP = 1, SCROLL_DOWN = 2 };
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
  if (type != THUMBNAIL_IMAGE_TYPE) return;
  U32 mbox = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TMMC"), &mbox, &valid) || !valid) return;
  const size_t n = strlen(pcName) + 1;
  char* copy = (char*)H_MEMORY_pvMalloc((U32)n);
  memcpy(copy, pcName, n);
  MSG_LOAD_THUMBNAIL* msg = (MSG_LOAD_THUMBNAIL*)H_MEMORY_pvMalloc(sizeof(MSG_LOAD_THUMBNAIL));
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_LOAD_THUMBNAIL;
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

// The list from its first item, the two after it below.
void vStartList(void) {
  char name[THUMBNAIL_NAME_SIZE] = {};
  U32 pos = 0;
  const THUMBNAIL_TYPE t = T_MMC_eFindFirstThumbNail(name, &pos);
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

void vDrawItem(BITMAP* b, const THUMBNAIL_HEADER_TYPE* p, S32 y, bool top) {
  const S32 x = 36;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x - 3, y - 3}, 206, 156);
  if (p->bWrongSizeThumbnail) {
    G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[34], POINT{x, y}, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT);
    G_ICON_vPut(b, &improper_screen_icon, POINT{x + (THUMBNAIL_WIDTH - 100) / 2, y + (THUMBNAIL_HEIGHT - 76) / 2});
  } else {
    // The thumbnail file holds the screen's bottom row first: row k is k
    // pixels above the picture's bottom edge. (The caller holds s_slotLock.)
    const U16* row = p->snapshot->ImageData;
    for (S32 k = 0; k < THUMBNAIL_HEIGHT; ++k, row += THUMBNAIL_WIDTH) {
      for (S32 i = 0; i < THUMBNAIL_WIDTH; ++i) G_PIXEL_vPut(b, x + i, y + k, row[i]);
    }
  }
  if (!top) return;
  for (S32 i = 1; i <= 3; ++i) {
    G_BOX_vDraw(b, gCOLOR_pcolColorTable[32], POINT{x - i, y - i}, (U32)(200 + 2 * i), (U32)(150 + 2 * i));
  }
  if (!p->bWrongSizeThumbnail) G_ICON_vPut(b, &Zoom_in_icon, POINT{243 + 4, y + (THUMBNAIL_HEIGHT - 32) / 2});
}

// The information box of a snapshot: its name, in the first of three cells.
void vDrawInfoBox(BITMAP* b, const THUMBNAIL_HEADER_TYPE* p) {
  const S32 x = 310, y = 485;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[128], POINT{x, y}, 474, 75);
  const COLOR outline[3] = {gCOLOR_pcolColorTable[36], gCOLOR_pcolColorTable[36], gCOLOR_pcolColorTable[128]};
  for (S32 i = 1; i <= 3; ++i) G_BOX_vDraw(b, outline[i - 1], POINT{x - i, y - i}, (U32)(474 + 2 * i), (U32)(75 + 2 * i));
  for (S32 c = 1; c < 3; ++c) {
    G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[36], POINT{x + 158 * c, y}, 1, 75);
  }
  char name[25];
  vShortName(p->sName, name, sizeof name);
  const FONT_DEF* f = std_11x14_font_def_ptr;
  POINT at{389 - (S32)G_STRING_u32GetWidth(f, name) / 2, y + 28};
  G_STRING_vPut(b, gCOLOR_pcolColorTable[131], &at, f, name);
}

// The scroll bar: track and a slider for the items shown among all.
void vDrawScrollBar(BITMAP* b, U32 n, U32 bottomPosition) {
  const COLOR arrow = gCOLOR_pcolColorTable[32];
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[33], POINT{7, 23}, 19, 554);
  // Arrow heads at the ends.
  for (S32 i = 0; i < 8; ++i) {
    G_BOX_vDrawFilled(b, s_eScrollState == SCROLL_UP ? gCOLOR_pcolColorTable[35] : arrow, POINT{8 + i, 579 + i},
                      (U32)(17 - 2 * i), 1);
    G_BOX_vDrawFilled(b, s_eScrollState == SCROLL_DOWN ? gCOLOR_pcolColorTable[35] : arrow, POINT{8 + i, 20 - i},
                      (U32)(17 - 2 * i), 1);
  }
  if (n == 0) return;
  const U32 length = n < 3 ? 55400 : 300 / n * 554;
  const S32 top = 23 + 554;
  S32 y = (S32)((100 - bottomPosition * 100 / n) * 554 / 100) + 23;
  S32 l = length <= 1099 ? 10 : (S32)(length / 100);
  if (y + l > top) l = top - y;
  G_BOX_vDrawFilled(b, gCOLOR_pcolColorTable[32], POINT{9, y}, 15, (U32)(l > 1 ? l : 1));
}

void vDrawThumbnails(BITMAP* b) {
  if (s_bInitialThumbNailSearch) {
    s_bInitialThumbNailSearch = false;
    vStartList();
  }
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

}  // namespace

void T_VIEW_vDrawCaptureReviewView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  G_BMP_vSet(pBitmap, gCOLOR_pcolColorTable[34]);
  vDrawFrame(pBitmap);
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
  if (review && !s_bCursorKeyHeld) {
    s_bCursorKeyHeld = U_KEYBOARD_bRegisterKeys(M_VIEW, KEY_MASK_CURSOR, KEY_DOWN, TRUE, FALSE, CURSOR_4,
                                                REGISTER_VIEW) != FALSE;
    s_bInitialThumbNailSearch = true;
  } else if (!review && s_bCursorKeyHeld) {
    VIEW_SEAM_bUnregisterKeys(M_VIEW, KEY_MASK_CURSOR);
    s_bCursorKeyHeld = false;
  }
}

void T_VIEW_vDrawSnapshotPreviewBorder(BITMAP* pBitmap) { vDrawFrame(pBitmap); }

void T_VIEW_vReviewRunSystem(void) {
  vBindSlots();
  s_bInitialThumbNailSearch = true;
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
}
void T_VIEW_vReviewNotice(const MESSAGE_NEW_DATA* pMsg) {
  // A card came or went: the list starts again at the next drawing.
  if (pMsg->FourCharId == FCID("CSD0") || pMsg->FourCharId == FCID("CSD1")) s_bInitialThumbNailSearch = true;
  if (pMsg->FourCharId == FCID("SCSC")) vUpdateCaptureKey();
}
void T_VIEW_vReviewResetPos(void) {
  (void)H_DATABASE_bUpdateEverythingU32(FCID("SCSC"), 0, P_NORMAL, D_UNSIGNED32, s_txtScreenSnapshot,
                                        DB_NO_TIMEOUT);
  vUpdateCaptureKey();
}
void T_VIEW_vReviewMessage(const GENERIC_MESSAGE* pMsg) {
  if (pMsg->Cmd != CMD_ID_KEY_CHANGE) return;
  const MSG_KEY_CHANGE* k = (const MSG_KEY_CHANGE*)pMsg;
  if (k->state != KEY_DOWN) return;
  if (k->key == KEY_MASK_MARK || k->key == KEY_MASK_SOFT_KEY_1) {
    if (u32Screenshots() == SCREENSHOTS_ON) {
      T_VIEW_vScreenCapture();
    } else {
      L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    }
    return;
  }
  if (k->key != KEY_MASK_CURSOR) return;
  bool done = false;
  if (k->cursor == CURSOR_NORTH) {
    s_eScrollState = SCROLL_UP;
    done = bScrollUp();
  } else if (k->cursor == CURSOR_SOUTH) {
    s_eScrollState = SCROLL_DOWN;
    done = bScrollDown();
  }
  L_SEMA_Signal(done ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD);
}
void T_VIEW_vScreenCapture(void) {
  if (!bCapture()) L_SEMA_Signal(SEMA_KEYCLICK_BAD);
}

void T_VIEW_vReviewCaptureReleased(void) { s_bOkToCapture.store(true); }

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
  msg->semaDone = sema;  // the card task frees the message and signals this when done
  if (L_MBOX_Send((MBOX)mbox, msg, LOAD_PRIORITY, 0) != lsSUCCESS) {
    H_MEMORY_vFree(file);
    H_MEMORY_vFree(msg);
    return FALSE;
  }
  return TRUE;
}
