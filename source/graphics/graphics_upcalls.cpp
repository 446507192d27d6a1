// Defaults of the graphics library's upward calls.
#include "source/graphics/graphics_upcalls.h"

#include <atomic>
#include <cstdio>
#include <utility>

#include "lsvc/lsvc.h"
#include "lsvc/lsvc_upcalls.h"
#include "source/core/core_upcalls.h"
#include "source/core/h_database.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_truetype.h"
#include "source/graphics/t_display.h"
#include "source/graphics/t_view.h"
#include "source/graphics/t_viewkey.h"

L_UPCALL_DEFINE(BOOLEAN, U_KEYBOARD_bRegisterKeys,
                (MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                 CURSOR_MODE cursorMode, KEY_USAGE usage),
                (mboxOwner, u32Keys, state, bRepeat, bAccelerate, cursorMode, usage)) {
  (void)state;
  (void)bRepeat;
  (void)bAccelerate;
  (void)cursorMode;
  (void)usage;
  log_me("U_KEYBOARD_bRegisterKeys: no keyboard task (mailbox %d, keys 0x%x)", (int)mboxOwner, (unsigned)u32Keys);
  return FALSE;
}

// ------------------------------------------------------------ display task's power-key menu
L_UPCALL_DEFINE(void, T_DISPLAY_vRunSystemMenus, (void), ()) {
  log_me("T_DISPLAY_vRunSystemMenus: no menus, no Video Out item");
}
L_UPCALL_DEFINE(void, T_DISPLAY_vPowerKeyMenuKey, (const MSG_KEY_CHANGE* pMsg), (pMsg)) {
  (void)pMsg;
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}
L_UPCALL_DEFINE(void, T_DISPLAY_vPowerKeyMenuNewData, (const MESSAGE_NEW_DATA* pMsg), (pMsg)) { (void)pMsg; }
L_UPCALL_DEFINE(void, T_DISPLAY_vClosePowerKeyMenu, (void), ()) {}

// A default that runs often traces only its first call.
#define TRACE_ONCE(...)                                   \
  do {                                                    \
    static std::atomic<bool> s_bTraced{false};            \
    if (!s_bTraced.exchange(true)) log_me(__VA_ARGS__);   \
  } while (0)

// ------------------------------------------------------------ menu client
L_UPCALL_DEFINE(void, VIEW_SEAM_vRegisterViewsMenuItem,
                (LAYER_ID layer, FOURCHARID fcidDisplay, DB_TEXT_RECORD pString), (layer, fcidDisplay, pString)) {
  (void)fcidDisplay;
  (void)pString;
  log_me("VIEW: no menu task; no Views item for layer %d", (int)layer);
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vUnregisterViewsMenuItem, (DB_TEXT_RECORD pString), (pString)) {
  (void)pString;
  TRACE_ONCE("VIEW: no menu task; no Views item to remove");
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vRegisterSplitMenus,
                (LAYER_ID layer, SPLIT_WINDOW_TYPE eSide, FOURCHARID fcidSplitControl),
                (layer, eSide, fcidSplitControl)) {
  (void)fcidSplitControl;
  log_me("VIEW: no menu task; no split menu for layer %d side %d", (int)layer, (int)eSide);
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vUnregisterSplitMenus, (LAYER_ID layer, SPLIT_WINDOW_TYPE eSide), (layer, eSide)) {
  (void)layer;
  (void)eSide;
  TRACE_ONCE("VIEW: no menu task; no split menu to remove");
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vRegisterBannerMenu, (void), ()) {
  log_me("VIEW: no menu task; no Simulation Playback Messages item");
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vRegisterSnapshotMenu, (void), ()) {
  TRACE_ONCE("VIEW: no Accessories tab; no Screen Snapshot item");
}

// ------------------------------------------------------------ dialog drawing
L_UPCALL_DEFINE(void, VIEW_SEAM_vDrawBanner,
                (BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16Width, const ICON* pLeftIcon),
                (pBitmap, pcText, pFont, u16Width, pLeftIcon)) {
  (void)pBitmap;
  (void)pFont;
  (void)u16Width;
  (void)pLeftIcon;
  TRACE_ONCE("VIEW: no dialog drawing; banner \"%s\" not drawn", pcText != nullptr ? pcText : "");
}

// ------------------------------------------------------------ readout task
// The dimming needs the alpha of the palette in use even without readouts.
L_UPCALL_DEFINE(U8, T_INFO_u8ConvertAlphaVector, (U32 u32AlphaVector), (u32AlphaVector)) {
  U32 palette = 0;
  (void)H_DATABASE_bFetchU32(FCID("SPAL"), &palette);
  if (palette == 2) return (U8)(u32AlphaVector >> 8);
  if (palette == 3) return (U8)(u32AlphaVector >> 16);
  return (U8)u32AlphaVector;
}
L_UPCALL_DEFINE(U32, T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin, (SPLIT_WINDOW_TYPE eSide), (eSide)) {
  (void)eSide;
  return 0;
}

// ------------------------------------------------------------ NMEA 2000 data and gauges
L_UPCALL_DEFINE(BOOLEAN, NMEA2kSource_bInit, (void), ()) {
  log_me("VIEW: no NMEA 2000 source registry");
  return FALSE;
}
L_UPCALL_DEFINE(BOOLEAN, GUI_bStart, (void), ()) {
  log_me("VIEW: no NMEA 2000 views");
  return FALSE;
}
L_UPCALL_DEFINE(BOOLEAN, GUI_bRunStart, (void), ()) {
  log_me("VIEW: no NMEA 2000 views to register");
  return FALSE;
}
L_UPCALL_DEFINE(void, GUI_vHandleNewData, (const MESSAGE_NEW_DATA* pMsg), (pMsg)) { (void)pMsg; }
L_UPCALL_DEFINE(void, GUI_OnTick, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vSetRedrawStaticPart, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vRestoreSlotsDefault, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vRegisterGatewayMenus, (void), ()) { log_me("VIEW: no gateway menus"); }
L_UPCALL_DEFINE(void, GUI_vUnRegisterGatewayMenus, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vRegisterNMEA2KUnits, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vUnRegisterNMEA2KUnits, (void), ()) {}
L_UPCALL_DEFINE(void, GUI_vSetViewRegisteration, (LAYER_ID layer, BOOLEAN bRegistered), (layer, bRegistered)) {
  (void)layer;
  (void)bRegistered;
}
L_UPCALL_DEFINE(void, GUI_vSaveN2KViewsVisibility, (void), ()) {}

// ------------------------------------------------------------ other subsystems
L_UPCALL_DEFINE(void, T_NAV_vUnRegisterSnapshotPreviewLayer, (void), ()) {}
L_UPCALL_DEFINE(void, T_CHART_3D_vToggleDisplayUpdateFreeze, (BOOLEAN bFreeze), (bFreeze)) {
  (void)bFreeze;
  TRACE_ONCE("VIEW: no 3D chart view to freeze");
}
L_UPCALL_DEFINE(void, T_KEELAR_vGetActiveStr, (char* pcText), (pcText)) {
  TRACE_ONCE("VIEW: no autopilot link; no active item");
  if (pcText != nullptr) pcText[0] = '\0';
}

// ------------------------------------------------------------ polygon fill
L_UPCALL_DEFINE(U32, gr_PolyFillAddVertices, (GL_POLYFILL* fill, const SINT* vertices, SINT count),
                (fill, vertices, count)) {
  if (count < 2 || fill->status == GL_POLYFILL_SKIP) return GR_STATUS_SUCCESS;
  if ((S64)count + fill->gtblnoedges > 65535) return GR_STATUS_EDGE_TABLE_FULL;
  const S64 height = fill->polyctx.pixdim.ph;
  GL_EDGESTABLE& table = fill->edgestable;
  for (SINT i = 0; i + 1 < count; ++i) {
    S64 xa = vertices[2 * i], ya = height - 1 - vertices[2 * i + 1];
    S64 xb = vertices[2 * i + 2], yb = height - 1 - vertices[2 * i + 3];
    if (ya == yb) continue;
    if (ya > yb) {
      std::swap(xa, xb);
      std::swap(ya, yb);
    }
    SINT n = fill->gtblnoedges++;
    table.ymin[n] = (SINT)ya;
    table.ymax[n] = (SINT)yb;
    table.xval[n] = (SINT)(xa * 1024);
    table.invslope[n] = (SINT)(((xb - xa) * 1024) / (yb - ya));
  }
  return GR_STATUS_SUCCESS;
}

// ------------------------------------------------------------ installation
namespace {

// Step 1 of the platform set-up: the icon palette points at the system
// colour table from entry 80, and TrueType text gets its face and cache.
void vSetupGraphics(void) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  if (!G_TRUETYPE_bInit()) log_me("graphics: TrueType text not available");
}

}  // namespace

void GRAPHICS_vInstall(void) {
  H_PLATFORM_vSetupGraphics_Install(&vSetupGraphics);
  T_DISPLAY_vMain_Install(&T_DISPLAY_vTask);
  T_VIEW_vMain_Install(&T_VIEW_vTask);
  T_VIEWKEY_vMain_Install(&T_VIEWKEY_vTask);
}

L_UPCALL_DEFINE(BOOLEAN, VIEW_SEAM_bUnregisterKeys, (MBOX mboxOwner, U32 u32Keys), (mboxOwner, u32Keys)) {
  (void)mboxOwner;
  (void)u32Keys;
  return FALSE;
}
L_UPCALL_DEFINE(U32, T_MMC_u32ThumbNailsInList, (void), ()) { return 0; }
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindFirstThumbNail, (char* pcName, U32* pu32Position),
                (pcName, pu32Position)) {
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindLastThumbNail, (char* pcName, U32* pu32Position), (pcName, pu32Position)) {
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindNextThumbNail, (const char* pcCurrent, char* pcName, U32* pu32Position),
                (pcCurrent, pcName, pu32Position)) {
  (void)pcCurrent;
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindPreviousThumbNail,
                (const char* pcCurrent, char* pcName, U32* pu32Position), (pcCurrent, pcName, pu32Position)) {
  (void)pcCurrent;
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindFirstThumbNailImage, (char* pcName, U32* pu32Position),
                (pcName, pu32Position)) {
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindLastThumbNailImage, (char* pcName, U32* pu32Position),
                (pcName, pu32Position)) {
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindNextThumbNailImage, (const char* pcCurrent, char* pcName, U32* pu32Position),
                (pcCurrent, pcName, pu32Position)) {
  (void)pcCurrent;
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindPreviousThumbNailImage,
                (const char* pcCurrent, char* pcName, U32* pu32Position), (pcCurrent, pcName, pu32Position)) {
  (void)pcCurrent;
  (void)pcName;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(THUMBNAIL_TYPE, T_MMC_eFindLatestThumbnail, (char* pcName, THUMBNAIL_TYPE eType, U32* pu32Position),
                (pcName, eType, pu32Position)) {
  (void)pcName;
  (void)eType;
  (void)pu32Position;
  return THUMBNAIL_NONE;
}
L_UPCALL_DEFINE(BOOLEAN, T_MMC_bOpenPlaybackFile, (BOOLEAN bOpen, const char* pcName), (bOpen, pcName)) {
  log_me("VIEW: no sonar playback; %s not %s", pcName != nullptr ? pcName : "", bOpen ? "opened" : "closed");
  return FALSE;
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vHandleMark, (void), ()) { TRACE_ONCE("VIEW: no navigation; MARK marks nothing"); }
L_UPCALL_DEFINE(void, VIEW_SEAM_vCreateReviewMenu, (LAYER_ID view), (view)) {
  TRACE_ONCE("VIEW: no menu task; no quick-access menu for view %d", (int)view);
}
L_UPCALL_DEFINE(BOOLEAN, VIEW_SEAM_bRegisterReviewMenuItem, (const REVIEW_MENU_ITEM* pItem), (pItem)) {
  (void)pItem;
  TRACE_ONCE("VIEW: no menu task; review menu items not registered");
  return FALSE;
}
L_UPCALL_DEFINE(BOOLEAN, VIEW_SEAM_bUnregisterReviewMenuItem, (DB_TEXT_RECORD pText, LAYER_ID view), (pText, view)) {
  (void)pText;
  (void)view;
  return FALSE;
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vFormatTimeAndDate, (U32 u32Time, char* pcTime, char* pcDate),
                (u32Time, pcTime, pcDate)) {
  TRACE_ONCE("VIEW: no readouts; review times in UTC without a date");
  const U32 t = u32Time % 86400;
  if (pcTime != nullptr) snprintf(pcTime, 20, "%02u:%02u:%02u", (unsigned)(t / 3600), (unsigned)(t / 60 % 60), (unsigned)(t % 60));
  if (pcDate != nullptr) pcDate[0] = '\0';
}
L_UPCALL_DEFINE(void, VIEW_SEAM_vFormatPosition,
                (S32 s32LatitudeMM, S32 s32LongitudeMM, char* pcLatitude, char* pcLongitude),
                (s32LatitudeMM, s32LongitudeMM, pcLatitude, pcLongitude)) {
  (void)s32LatitudeMM;
  (void)s32LongitudeMM;
  TRACE_ONCE("VIEW: no readouts; review positions left blank");
  if (pcLatitude != nullptr) pcLatitude[0] = '\0';
  if (pcLongitude != nullptr) pcLongitude[0] = '\0';
}
