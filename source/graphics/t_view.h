// The view task: keeps the list of registered layers and composes every
// screen page from them, at most one page every 100 ms except when the view
// changes. Clients register layers through source/u_view.h; this header is
// the task's own interface for other tasks.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/graphics/g_bitmap.h"
#include "common/view_types.h"

// Settings keys of the view task.
constexpr FOURCHARID VIEW_KEY_MAILBOX = FCID("TVUE");       // the task's mailbox
constexpr FOURCHARID VIEW_KEY_CURRENT = FCID("CVEW");       // current view (LAYER_ID)
constexpr FOURCHARID VIEW_KEY_ACTIVE_SIDE = FCID("CVAS");   // active split side
constexpr FOURCHARID VIEW_KEY_ACTIVE_MENU = FCID("CMNU");   // the menu task's open menu
constexpr FOURCHARID VIEW_KEY_STATE = FCID("CCST");         // system state
constexpr FOURCHARID VIEW_KEY_BANNERS = FCID("SMSG");       // banners on (super-user setting)
constexpr FOURCHARID VIEW_KEY_SUPER_USER = FCID("SMSU");    // banners are a user setting
constexpr FOURCHARID VIEW_KEY_POS_NO_BANNER = FCID("CDSM"); // the demonstration hides the banner
constexpr FOURCHARID VIEW_KEY_PLAYBACK_MODE = FCID("CPSP"); // playback mode
constexpr FOURCHARID VIEW_KEY_SONAR_RECORDING = FCID("CSRE");
constexpr FOURCHARID VIEW_KEY_AUTOPILOT_RECORDING = FCID("IPRA");
constexpr FOURCHARID VIEW_KEY_GATEWAY = FCID("SNID");

// Refresh pacing: at most one page in this many milliseconds.
constexpr U32 VIEW_REFRESH_INTERVAL_MS = 100;
// While the screen is frozen, the alarm and card messages are redrawn over
// the frozen picture this often.
constexpr U32 VIEW_FROZEN_REDRAW_MS = 500;

// One registration. The list runs through next in ascending layer order,
// one list node per identifier; further split sides of the same identifier
// hang off the list node through pSplit, each carrying the list node's next.
typedef struct tag_LAYER_ITEM {
  LAYER_ID layer;
  LAYER_ID where_used;
  DRAW_FUNCTION* pDrawFunction;
  FOURCHARID fcidDisplay;
  BOOLEAN bDefault;
  BOOLEAN bCurrentDisplayMode;
  DB_TEXT_RECORD pString;
  DB_TEXT_RECORD pPlaybackString;
  DB_TEXT_RECORD pSimString;
  DB_TEXT_RECORD pPOSString;
  U32 user;
  struct tag_LAYER_ITEM* next;
  struct tag_LAYER_ITEM* pSplit;
  FOURCHARID fcidSplitControl;
  S32 s32SplitPercentage;
  SPLIT_WINDOW_TYPE eSplit;
} LAYER_ITEM;

// Entry of the task (task table row VIEWTASK).
void T_VIEW_vTask(void);

// ------------------------------------------------------------ layer list (any task)
// TRUE when a registration with this identifier is in the list, shown or not.
BOOLEAN T_VIEW_bIsLayerActive(LAYER_ID layer);
// Makes the layer the current view (CVEW) and drops the page being composed.
void T_VIEW_vSetBackgroundLayer(LAYER_ID layer);
// As T_VIEW_vSetBackgroundLayer when the layer is a shown view; otherwise
// the current view becomes NO_VIEW_PRIORITY.
void T_VIEW_vSetSpcifiedBackgroundLayer(LAYER_ID layer);
// Shows the view whose name in the current language, in upper case, is the
// given text (its display key is set TRUE) and returns it; UNKNOWN_VIEW when
// no view has that name.
LAYER_ID T_VIEW_GetSelectableView(const char* pcName);
// The view after the one on the screen: the first shown view after its
// shown list node, else the first shown view of the list, else
// NO_VIEW_PRIORITY.
LAYER_ID T_VIEW_eChooseNextBackgroundLayer(void);
// Chooses the next view as above and writes it to CVEW.
void T_VIEW_vSetNextBackgroundLayer(void);
// The view the task is showing (it follows CVEW once the task has seen the
// change).
LAYER_ID T_VIEW_eShownLayer(void);
// Head of the layer list, for readers that walk it themselves; they hold
// RES_VIEW_LIST while they do.
const LAYER_ITEM* T_VIEW_pGetLayerList(void);

// ------------------------------------------------------------ refresh (any task)
// Asks for a page drawn at once, regardless of the 100 ms pacing; the page
// being composed is dropped.
void T_VIEW_vRequestExpeditedViewUpdate(void);
// The keyboard task handed a key change to a task: the next page request is
// drawn at once, not held back by the 100 ms pacing.
void T_VIEW_vNoteKeyChange(void);
// The current view was changed by another task: the page being composed is
// dropped and a new one is requested.
void T_VIEW_vMarkViewChanged(void);
// Polled by long callbacks and background renderers to stop early.
BOOLEAN T_VIEW_bViewChangedWhileRendering(void);
BOOLEAN T_VIEW_bViewUpdateCancelled(void);
// Pages composed since the last call (the count restarts at 0).
S32 T_VIEW_s32RefreshesSinceLastRequest(void);
// A free display page wrapped in a new full-screen bitmap header; null when
// none is free. The caller gives the page back and frees the header.
BITMAP* T_VIEW_pCreateSatWxImageBitmap(void);

// Split geometry for callbacks that lay out their own content: view width w,
// split percentage p; w * p / 100 is truncated toward zero.
S32 T_VIEW_s32SplitViewLeftWidth(S32 s32Width, S32 s32Percentage);
S32 T_VIEW_s32SplitViewRightWidth(S32 s32Width, S32 s32Percentage);
S32 T_VIEW_s32SplitViewClipLeft(S32 s32Width, S32 s32Percentage, SPLIT_WINDOW_TYPE eSide);
S32 T_VIEW_s32SplitViewClipRight(S32 s32Width, S32 s32Percentage, SPLIT_WINDOW_TYPE eSide);

// ------------------------------------------------------------ view task only
// Freezes the screen on the picture now shown (TRUE) or lets it move again
// (FALSE). While frozen, only the alarm and card message layers are redrawn
// over the picture.
void T_VIEW_vToggleDisplayUpdateFreeze(BOOLEAN bFreeze);
BOOLEAN T_VIEW_bDisplayFrozen(void);
// The frozen picture (null when the screen is not frozen).
BITMAP* T_VIEW_pFrozenBitmap(void);
