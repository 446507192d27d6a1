// Upward calls of the graphics library: the calls it makes into later
// subsystems. Each has a default with the least behaviour its callers need;
// the later subsystem installs its own function when it is set up
// (lsvc/l_upcall.h).
//
//  - gr_PolyFillAddVertices (chart engine): source/graphics/gr_polyfill.h;
//    its default is the filler's own edge intake.
#pragma once

#include "common/db_types.h"
#include "common/key_types.h"
#include "common/menu_types.h"
#include "common/view_types.h"
#include "lsvc/l_upcall.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/gr_polyfill.h"
#include "source/graphics/t_view_review.h"

// ------------------------------------------------------------ keyboard task
// Registers a mailbox for keys (the view-key task's VIEW and EXIT keys).
// Default: traces and returns FALSE, as when the keyboard task is missing.
L_UPCALL_DECLARE(BOOLEAN, U_KEYBOARD_bRegisterKeys,
                 (MBOX mboxOwner, U32 u32Keys, KEY_STATE state, BOOLEAN bRepeat, BOOLEAN bAccelerate,
                  CURSOR_MODE cursorMode, KEY_USAGE usage))

// Removes a mailbox's key registrations. Default: FALSE.
L_UPCALL_DECLARE(BOOLEAN, VIEW_SEAM_bUnregisterKeys, (MBOX mboxOwner, U32 u32Keys))

// ------------------------------------------------------------ SD-card task
// The list of snapshots and recordings on the cards: its length, and the
// first / last / next / previous item (type; its name, at least 50
// characters, and 1-based position when asked). THUMBNAIL_NONE when there
// is none. Default (no card task): an empty list.
L_UPCALL_DECLARE(U32, T_MMC_u32ThumbNailsInList, (void))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindFirstThumbNail, (char* pcName, U32* pu32Position))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindLastThumbNail, (char* pcName, U32* pu32Position))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindNextThumbNail,
                 (const char* pcCurrent, char* pcName, U32* pu32Position))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindPreviousThumbNail,
                 (const char* pcCurrent, char* pcName, U32* pu32Position))
// Snapshots only: the first / last / next / previous snapshot of the list
// (recordings skipped). Default: none.
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindFirstThumbNailImage, (char* pcName, U32* pu32Position))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindLastThumbNailImage, (char* pcName, U32* pu32Position))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindNextThumbNailImage,
                 (const char* pcCurrent, char* pcName, U32* pu32Position))
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindPreviousThumbNailImage,
                 (const char* pcCurrent, char* pcName, U32* pu32Position))
// The item of the snapshot or recording saved last (eType says which).
// Default: none.
L_UPCALL_DECLARE(THUMBNAIL_TYPE, T_MMC_eFindLatestThumbnail, (char* pcName, THUMBNAIL_TYPE eType, U32* pu32Position))
// Opens the named recording ("SON" file) for playback (bOpen TRUE) or closes
// it. Default: traces and returns FALSE, as without sonar recordings.
L_UPCALL_DECLARE(BOOLEAN, T_MMC_bOpenPlaybackFile, (BOOLEAN bOpen, const char* pcName))

// ------------------------------------------------------------ display task's power-key menu
// The menus and keys build the display task's power-key menu and its
// "Video Out" item; the display task hands them what it receives.
// CMD_ID_RUN_SYSTEM: the "Video Out" selector (key SVOM) on the Setup tab and
// the autopilot keys the menu shows. Default: traces; video out still
// follows SVOM.
L_UPCALL_DECLARE(void, T_DISPLAY_vRunSystemMenus, (void))
// A key change on the display task's mailbox: the power key, and every key
// while the menu is open. Default: a good click; no menu opens.
L_UPCALL_DECLARE(void, T_DISPLAY_vPowerKeyMenuKey, (const MSG_KEY_CHANGE* pMsg))
// A change notice of the menu's autopilot keys (IPNE, IPPL, IPMS).
// Default: nothing.
L_UPCALL_DECLARE(void, T_DISPLAY_vPowerKeyMenuNewData, (const MESSAGE_NEW_DATA* pMsg))
// Factory reset: an open menu closes without a click, the backlight as it
// is. Default: nothing (no menu ever opens).
L_UPCALL_DECLARE(void, T_DISPLAY_vClosePowerKeyMenu, (void))

// ------------------------------------------------------------ menu client
// The view's selector on the "Views" tab of the main menu, bound to its
// display key, listed at the layer's identifier; and its removal.
// Default: traces; no menu item is made.
L_UPCALL_DECLARE(void, VIEW_SEAM_vRegisterViewsMenuItem, (LAYER_ID layer, FOURCHARID fcidDisplay, DB_TEXT_RECORD pString))
L_UPCALL_DECLARE(void, VIEW_SEAM_vUnregisterViewsMenuItem, (DB_TEXT_RECORD pString))
// The quick-access menu of one side of a split view with its "Active Side"
// and "Split Position" items; and their removal. Default: traces.
L_UPCALL_DECLARE(void, VIEW_SEAM_vRegisterSplitMenus,
                 (LAYER_ID layer, SPLIT_WINDOW_TYPE eSide, FOURCHARID fcidSplitControl))
L_UPCALL_DECLARE(void, VIEW_SEAM_vUnregisterSplitMenus, (LAYER_ID layer, SPLIT_WINDOW_TYPE eSide))
// The "Simulation Playback Messages" selector (key SMSG) on the "Setup" tab.
// Default: traces; banners then follow SMSG without a menu item.
L_UPCALL_DECLARE(void, VIEW_SEAM_vRegisterBannerMenu, (void))
// The "Screen Snapshot" selector (key SCSC: 0 "Off", 2 "On") on the
// "Accessories" tab. Default: traces; SCSC then keeps its value.
L_UPCALL_DECLARE(void, VIEW_SEAM_vRegisterSnapshotMenu, (void))
// The review view's quick-access menu: creates the menu of a view (full
// window), registers one item, removes one item (by its text record) from a
// view's menu. Default: traces; no menu item is made.
enum REVIEW_MENU_KIND : S32 { REVIEW_MENU_ACTION, REVIEW_MENU_PROGRESS_BAR, REVIEW_MENU_ICON_SELECTOR };
struct REVIEW_MENU_ITEM {
  REVIEW_MENU_KIND eKind;
  DB_TEXT_RECORD pText;
  const ICON* pIcon;
  MENU_PRIORITY priority;
  MENU_ACTION_FUNC pfnAction;  // action
  BOOLEAN bConfirm;            // action
  FOURCHARID key;              // progress bar, icon selector
  const MENU_LIMITS* pLimits;  // progress bar
  DB_TEXT_RECORD pRightText;   // progress bar
  U32 u32Choices;              // icon selector
  MENU_ICON_LIST pChoiceIcons;
  const U32* pChoiceValues;
  LAYER_ID view;  // USED_BY_ALL: every view
};
// MARK while a sonar recording runs: a waypoint at the unit's position.
// Default: traces; nothing is marked.
L_UPCALL_DECLARE(void, VIEW_SEAM_vHandleMark, (void))
L_UPCALL_DECLARE(void, VIEW_SEAM_vCreateReviewMenu, (LAYER_ID view))
L_UPCALL_DECLARE(BOOLEAN, VIEW_SEAM_bRegisterReviewMenuItem, (const REVIEW_MENU_ITEM* pItem))
L_UPCALL_DECLARE(BOOLEAN, VIEW_SEAM_bUnregisterReviewMenuItem, (DB_TEXT_RECORD pText, LAYER_ID view))
// The review view's information cells: a time (seconds since the epoch,
// UTC) as the unit's time and date texts, and a position (Mercator metres)
// as the unit's latitude and longitude texts (each buffer at least 20
// bytes). Default (no readouts): the UTC time of day "hh:mm:ss" and a blank
// date; a blank position.
L_UPCALL_DECLARE(void, VIEW_SEAM_vFormatTimeAndDate, (U32 u32Time, char* pcTime, char* pcDate))
L_UPCALL_DECLARE(void, VIEW_SEAM_vFormatPosition,
                 (S32 s32LatitudeMM, S32 s32LongitudeMM, char* pcLatitude, char* pcLongitude))

// ------------------------------------------------------------ dialog drawing
// A one-line message box at the top of the page, u16Width pixels wide, with
// an optional icon left of the text (the banners of the view task).
// Default: traces; nothing is drawn.
L_UPCALL_DECLARE(void, VIEW_SEAM_vDrawBanner,
                 (BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16Width, const ICON* pLeftIcon))

// ------------------------------------------------------------ readout task
// The alpha of the current palette out of a packed alpha word (bits 0-7
// white palette, 8-15 blue, 16-23 black). Default: picks it by SPAL.
L_UPCALL_DECLARE(U8, T_INFO_u8ConvertAlphaVector, (U32 u32AlphaVector))
// Height the readout row takes at the bottom of a window of that side.
// Default: 0 (no readout row).
L_UPCALL_DECLARE(U32, T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin, (SPLIT_WINDOW_TYPE eSide))

// ------------------------------------------------------------ NMEA 2000 data and gauges
// Set-up before the view task's loop: the source registry and the views'
// manager. Default: traces, FALSE.
L_UPCALL_DECLARE(BOOLEAN, NMEA2kSource_bInit, (void))
L_UPCALL_DECLARE(BOOLEAN, GUI_bStart, (void))
// First CMD_ID_RUN_SYSTEM: the data, gauge and engine views register.
// Default: traces, FALSE.
L_UPCALL_DECLARE(BOOLEAN, GUI_bRunStart, (void))
// Every change notice, before the view task looks at it. Default: nothing.
L_UPCALL_DECLARE(void, GUI_vHandleNewData, (const MESSAGE_NEW_DATA* pMsg))
// Start of every page; before every expedited page. Default: nothing.
L_UPCALL_DECLARE(void, GUI_OnTick, (void))
L_UPCALL_DECLARE(void, GUI_vSetRedrawStaticPart, (void))
// Factory reset of the views' readout slots. Default: nothing.
L_UPCALL_DECLARE(void, GUI_vRestoreSlotsDefault, (void))
// The gateway appeared (register) or went (unregister): its menus and
// units. Default: traces.
L_UPCALL_DECLARE(void, GUI_vRegisterGatewayMenus, (void))
L_UPCALL_DECLARE(void, GUI_vUnRegisterGatewayMenus, (void))
L_UPCALL_DECLARE(void, GUI_vRegisterNMEA2KUnits, (void))
L_UPCALL_DECLARE(void, GUI_vUnRegisterNMEA2KUnits, (void))
// A view with a display key was registered (TRUE) or removed (FALSE).
// Default: nothing.
L_UPCALL_DECLARE(void, GUI_vSetViewRegisteration, (LAYER_ID layer, BOOLEAN bRegistered))
// Shutdown: the views keep which of them are shown. Default: nothing.
L_UPCALL_DECLARE(void, GUI_vSaveN2KViewsVisibility, (void))

// ------------------------------------------------------------ other subsystems
// Navigation overlays: the waypoint snapshot preview, when shown, is removed
// and its page given back. Default: nothing (no preview is ever shown).
L_UPCALL_DECLARE(void, T_NAV_vUnRegisterSnapshotPreviewLayer, (void))
// 3D chart view: stops (TRUE) or resumes (FALSE) its own updates.
// Default: nothing (no 3D chart view runs).
L_UPCALL_DECLARE(void, T_CHART_3D_vToggleDisplayUpdateFreeze, (BOOLEAN bFreeze))
// Autopilot link: copies at most 12 characters of the name of its active
// item (not terminated when the name has 12 or more; the caller terminates
// it). Default: an empty name.
L_UPCALL_DECLARE(void, T_KEELAR_vGetActiveStr, (char* pcText))

// Installs the graphics library's own task entries (view, view-key and
// display tasks) and the start sequence's drawing set-up.
void GRAPHICS_vInstall(void);
