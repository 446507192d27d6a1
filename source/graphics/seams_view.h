// Services the view task and the view-key task call whose real modules are
// not part of the program yet: the NMEA 2000 views, the menu client, the
// readout task's alpha and readout-row height, dialog drawing, the
// perspective chart's freeze, the autopilot's active item, the waypoint
// snapshot preview and the snapshot and recording review view. Each one does
// the least that keeps the view tasks sound; the real module replaces the
// body.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "source/graphics/g_bitmap.h"
#include "source/graphics/g_fonts.h"
#include "source/graphics/g_icon.h"
#include "common/view_types.h"

// ------------------------------------------------------------ NMEA 2000 views
// Set-up before the loop: the source registry and the views' manager.
void VIEW_SEAM_vNmea2kSourceInit(void);
void VIEW_SEAM_vGuiStart(void);
// First CMD_ID_RUN_SYSTEM: the data, gauge and engine views register.
void VIEW_SEAM_vGuiRunStart(void);
// Every change notice, before the view task looks at it.
void VIEW_SEAM_vGuiHandleNewData(const MESSAGE_NEW_DATA* pMsg);
// Start of every page; before every expedited page.
void VIEW_SEAM_vGuiOnTick(void);
void VIEW_SEAM_vGuiSetRedrawStaticPart(void);
// Factory reset of the views' readout slots.
void VIEW_SEAM_vGuiRestoreSlotsDefault(void);
// The gateway appeared (TRUE) or went (FALSE): its menus and units.
void VIEW_SEAM_vGuiGatewayMenus(BOOLEAN bPresent);
// A view with a display key was registered (TRUE) or removed (FALSE).
void VIEW_SEAM_vGuiSetViewRegistration(LAYER_ID layer, BOOLEAN bRegistered);
// Shutdown: the views keep which of them are shown (view-key task).
void VIEW_SEAM_vGuiSaveViewsVisibility(void);

// ------------------------------------------------------------ menu client
// The view's selector on the "Views" tab of the main menu, bound to its
// display key, listed at the layer's identifier.
void VIEW_SEAM_vRegisterViewsMenuItem(LAYER_ID layer, FOURCHARID fcidDisplay, DB_TEXT_RECORD pString);
void VIEW_SEAM_vUnregisterViewsMenuItem(DB_TEXT_RECORD pString);
// The quick-access menu of one side of a split view with its "Active Side"
// and "Split Position" items.
void VIEW_SEAM_vRegisterSplitMenus(LAYER_ID layer, SPLIT_WINDOW_TYPE eSide, FOURCHARID fcidSplitControl);
void VIEW_SEAM_vUnregisterSplitMenus(LAYER_ID layer, SPLIT_WINDOW_TYPE eSide);
// The "Simulation Playback Messages" selector on the "Setup" tab.
void VIEW_SEAM_vRegisterBannerMenu(void);

// ------------------------------------------------------------ readouts and dialogs
// The alpha of the current palette out of a packed alpha word (bits 0-7
// white palette, 8-15 blue, 16-23 black).
U8 VIEW_SEAM_u8ConvertAlphaVector(U32 u32AlphaVector);
// Height the readout row takes at the bottom of a window of that side.
U32 VIEW_SEAM_u32ReadoutRowHeight(SPLIT_WINDOW_TYPE eSide);
// A one-line message box at the top of the page, u16Width pixels wide, with
// an optional icon left of the text.
void VIEW_SEAM_vDrawBanner(BITMAP* pBitmap, const char* pcText, const FONT_DEF* pFont, U16 u16Width,
                           const ICON* pLeftIcon);

// ------------------------------------------------------------ other tasks
// The waypoint snapshot preview, when shown, is removed and its page given
// back (view-key task, on the VIEW key).
void VIEW_SEAM_vNavRemoveSnapshotPreview(void);
// The perspective chart view stops (TRUE) or resumes (FALSE) its own updates.
void VIEW_SEAM_vChart3DFreeze(BOOLEAN bFreeze);
// Name of the autopilot's active item, at most 12 characters, terminated.
void VIEW_SEAM_vAutopilotActiveText(char acText[13]);

// ------------------------------------------------------------ review view
// First CMD_ID_RUN_SYSTEM, change notices, factory reset and the messages
// (CMD_ID_PING_START, CMD_ID_KEY_CHANGE) of the snapshot and recording
// review view.
void VIEW_SEAM_vReviewRunSystem(void);
void VIEW_SEAM_vReviewNotice(const MESSAGE_NEW_DATA* pMsg);
void VIEW_SEAM_vReviewResetPos(void);
void VIEW_SEAM_vReviewMessage(const GENERIC_MESSAGE* pMsg);
// The view-key task, after every key it receives: the review view gives
// up its full-size picture (page, header and pointer). The picture must not
// go while the view task draws a page from it.
void VIEW_SEAM_vReviewReleaseFullPicture(void);
