// Stand-ins for the services of modules the view tasks call that are not
// part of the program yet (see seams_view.h). Each does the least that
// keeps the picture right.
#include "source/graphics/seams_view.h"

#include <string.h>

#include <atomic>

#include "lsvc/lsvc.h"
#include "source/graphics/g_box.h"
#include "source/core/h_database.h"

namespace {

// Traces once that menu items of the view task are not made.
void vNoMenuTask(void) {
  static std::atomic<bool> s_bTraced{false};
  if (!s_bTraced.exchange(true)) log_me("VIEW: no menu task in this build; view menu items are not made\n");
}

}  // namespace

// ------------------------------------------------------------ NMEA 2000 views
void VIEW_SEAM_vNmea2kSourceInit(void) {}
void VIEW_SEAM_vGuiStart(void) {}
void VIEW_SEAM_vGuiRunStart(void) {}
void VIEW_SEAM_vGuiHandleNewData(const MESSAGE_NEW_DATA* pMsg) { (void)pMsg; }
void VIEW_SEAM_vGuiOnTick(void) {}
void VIEW_SEAM_vGuiSetRedrawStaticPart(void) {}
void VIEW_SEAM_vGuiRestoreSlotsDefault(void) {}
void VIEW_SEAM_vGuiGatewayMenus(BOOLEAN bPresent) {
  (void)bPresent;
  vNoMenuTask();
}
void VIEW_SEAM_vGuiSetViewRegistration(LAYER_ID layer, BOOLEAN bRegistered) {
  (void)layer;
  (void)bRegistered;
}
void VIEW_SEAM_vGuiSaveViewsVisibility(void) {}

// ------------------------------------------------------------ menu client
void VIEW_SEAM_vRegisterViewsMenuItem(LAYER_ID layer, FOURCHARID fcidDisplay, DB_TEXT_RECORD pString) {
  (void)layer;
  (void)fcidDisplay;
  (void)pString;
  vNoMenuTask();
}
void VIEW_SEAM_vUnregisterViewsMenuItem(DB_TEXT_RECORD pString) { (void)pString; }
void VIEW_SEAM_vRegisterSplitMenus(LAYER_ID layer, SPLIT_WINDOW_TYPE eSide, FOURCHARID fcidSplitControl) {
  (void)layer;
  (void)eSide;
  (void)fcidSplitControl;
  vNoMenuTask();
}
void VIEW_SEAM_vUnregisterSplitMenus(LAYER_ID layer, SPLIT_WINDOW_TYPE eSide) {
  (void)layer;
  (void)eSide;
}
void VIEW_SEAM_vRegisterBannerMenu(void) { vNoMenuTask(); }

// ------------------------------------------------------------ readouts and dialogs
U8 VIEW_SEAM_u8ConvertAlphaVector(U32 u32AlphaVector) {
  U32 palette = 0;
  (void)H_DATABASE_bFetchU32(FCID("SPAL"), &palette);
  if (palette == 2) return (U8)(u32AlphaVector >> 8);
  if (palette == 3) return (U8)(u32AlphaVector >> 16);
  return (U8)u32AlphaVector;
}

// Without readout boxes no row is taken at the bottom of a window.
U32 VIEW_SEAM_u32ReadoutRowHeight(SPLIT_WINDOW_TYPE eSide) {
  (void)eSide;
  return 0;
}

// A plain box: black with a white rim and white text, centred near the top.
void VIEW_SEAM_vDrawBanner(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16Width,
                           const ICON* pLeftIcon) {
  if (pBitmap == nullptr || pcText == nullptr || pFont == nullptr || u16Width == 0) return;
  const S32 s32Height = (S32)G_FONTS_u32GetHeight(pFont) + 8;
  const S32 s32PageWidth = pBitmap->s32ClipRight - pBitmap->s32ClipLeft + 1;
  POINT corner = {pBitmap->s32ClipLeft + (s32PageWidth - (S32)u16Width) / 2, pBitmap->s32ClipTop - 4 - s32Height + 1};
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[32], corner, u16Width, (U32)s32Height);
  G_BOX_vDraw(pBitmap, gCOLOR_pcolColorTable[35], corner, u16Width, (U32)s32Height);
  POINT pen = {corner.x + 4, corner.y + 4 + (S32)G_FONTS_u32GetDescenderHeight(pFont)};
  if (pLeftIcon != nullptr) {
    G_ICON_vPut(pBitmap, pLeftIcon, POINT{pen.x, corner.y + (s32Height - (S32)G_ICON_u32GetHeight(pLeftIcon)) / 2});
    pen.x += (S32)G_ICON_u32GetWidth(pLeftIcon) + 4;
  }
  G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[35], &pen, pFont, pcText);
}

// ------------------------------------------------------------ other tasks
void VIEW_SEAM_vChart3DFreeze(BOOLEAN bFreeze) { (void)bFreeze; }

// Without the navigation overlays there is no snapshot preview to remove.
void VIEW_SEAM_vNavRemoveSnapshotPreview(void) {}

void VIEW_SEAM_vAutopilotActiveText(char acText[13]) { memset(acText, 0, 13); }

// ------------------------------------------------------------ review view
void VIEW_SEAM_vReviewRunSystem(void) {}
void VIEW_SEAM_vReviewNotice(const MESSAGE_NEW_DATA* pMsg) { (void)pMsg; }
void VIEW_SEAM_vReviewResetPos(void) {}
void VIEW_SEAM_vReviewMessage(const GENERIC_MESSAGE* pMsg) { (void)pMsg; }
// Without the review view no full-size picture is ever held.
void VIEW_SEAM_vReviewReleaseFullPicture(void) {}
