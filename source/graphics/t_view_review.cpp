// The snapshot and recording review view (view 71) and the snapshot load of
// other tasks. The view is registered and drawn with its frame, title and
// "No Images Found"; its thumbnails, full view, recording and playback
// states are not built yet.
#include "source/graphics/t_view_review.h"

#include <string.h>

#include <atomic>

#include "source/core/h_database.h"
#include "common/language.h"
#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/h_display.h"
#include "source/graphics/u_fonts.h"
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

}  // namespace

void T_VIEW_vDrawCaptureReviewView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pWindowSpec) {
  (void)pWindowSpec;
  G_BMP_vSet(pBitmap, gCOLOR_pcolColorTable[34]);
  vDrawFrame(pBitmap);
  vDrawNoImages(pBitmap);
}

void T_VIEW_vDrawSnapshotPreviewBorder(BITMAP* pBitmap) { vDrawFrame(pBitmap); }

void T_VIEW_vReviewRunSystem(void) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVCR"), TRUE, P_DEFAULT_SETTING, D_UNKNOWN, s_txtReviewView,
                                      DB_NO_TIMEOUT);
  (void)U_VIEW_bRegisterLayer(T_VIEW_vDrawCaptureReviewView, CAPTURE_REVIEW_VIEW_PRIORITY, USED_BY_NONE, 0,
                              FCID("SVCR"), TRUE, nullptr, nullptr, nullptr);
}
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
