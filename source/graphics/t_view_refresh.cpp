// The view task's refresh: requests on SEMA_VIEW_UPDATE are merged so that
// at most one page is composed every 100 ms, except the expedited page of a
// change of view, which is drawn at once. A page is composed straight into
// a free display page: the current view draws each of its split windows,
// a split screen is decorated, the overlays draw, and the page is shown
// (or given back unseen when the page was cancelled meanwhile). While a
// screenshot is saved the screen is frozen.
#include <atomic>

#include "source/graphics/g_bmp.h"
#include "source/graphics/g_box.h"
#include "source/graphics/g_icon.h"
#include "source/graphics/g_line.h"
#include "source/core/h_database.h"
#include "source/graphics/h_display.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/t_view_int.h"
#include "data/icons.h"

std::atomic<BOOLEAN> s_bViewChanged{FALSE};
std::atomic<BOOLEAN> s_bViewUpdateCancelled{FALSE};

namespace {

enum EXPEDITED_STATE : S32 {
  EXPEDITED_IDLE = 0,
  EXPEDITED_REQUESTED = 1,
  EXPEDITED_DRAWING = 2,
};

// A task priority of this value means "not known yet, leave it alone".
constexpr PRIORITY PRIORITY_UNSET = 101;
// Expedited pages run this much more urgently.
constexpr PRIORITY PRIORITY_BOOST = 30;

// Colour-table entries of the compositor.
constexpr U32 COLOR_EMPTY_SCREEN = 34;
constexpr U32 COLOR_SPLIT_EDGE = 128;
constexpr U32 COLOR_SPLIT_CORE = 131;
constexpr U32 COLOR_DIM = 128;
// The value of CMNU while the quick-access menu of the current view is open.
constexpr U32 ACTIVE_MENU_EXPRESS = 2;
// Alphas of the dimmed inactive side: 86 in the white palette, 140 in the
// blue and the black one.
constexpr U32 DIM_ALPHA_VECTOR = 86u | (140u << 8) | (140u << 16);
// Views whose inactive side is never dimmed.
constexpr LAYER_ID UNDIMMED_VIEW_A = CHART_PLUS_BIRDS_EYE_VIEW_PRIORITY;
constexpr LAYER_ID UNDIMMED_VIEW_B = CHART_PLUS_BIRDS_EYE_INSTRUMENT_VIEW_PRIORITY;
// The layers redrawn over a frozen screen, in list order.
constexpr LAYER_ID FROZEN_LAYERS[] = {ALARM_LAYER, MMC_MESSAGE_LAYER, MMC_ZAVIDODAS_MESSAGE};

std::atomic<S32> s_eExpeditedViewUpdateState{EXPEDITED_IDLE};
std::atomic<PRIORITY> s_priorityNormal{PRIORITY_UNSET};
std::atomic<PRIORITY> s_priorityHigh{PRIORITY_UNSET};
std::atomic<S32> s_s32RefreshesSinceLastRequest{0};

// The view task's own state.
U64 LastUpdateTime = 0;
TIMER_INFO* s_pUpdateTimer = nullptr;
// The update timer is counting down, or has fired and its signal is not yet
// handled: a request meanwhile merges with it.
bool s_bUpdateTimerPending = false;
// A key change was handed to a task since the last page: the page that
// shows its effect is drawn at once rather than waiting out the 100 ms
// pacing, so that a key answers within a poll and a draw.
std::atomic<bool> s_bKeyChangeSinceRefresh{false};
BITMAP* s_pFrozenBitmap = nullptr;
TIMER_INFO* s_pFrozenUpdateTimer = nullptr;

COLOR colour(U32 index) { return gCOLOR_pcolColorTable[index]; }

S32 s32SplitColumn(S32 s32Width, S32 s32Percentage) { return s32Width * s32Percentage / 100; }

void vStopUpdateTimer(void) {
  if (s_pUpdateTimer != nullptr) (void)L_TIMER_Stop(s_pUpdateTimer);
  s_bUpdateTimerPending = false;
}

// The active side's arrow at the top of its window, pointing at the divider.
void T_VIEW_vDrawArrow(BITMAP* pPage) {
  const WINDOW_LOCATION& w = s_windowSpec.drawWindow;
  const S32 y = w.s32ClipTop - 50;
  if (s_windowSpec.drawWindowType == SPLIT_LEFT_WINDOW) {
    G_ICON_vPut(pPage, &active_side_lt_icon,
                POINT{w.s32ClipRight - 10 - (S32)G_ICON_u32GetWidth(&active_side_lt_icon), y});
  } else if (s_windowSpec.drawWindowType == SPLIT_RIGHT_WINDOW) {
    G_ICON_vPut(pPage, &active_side_rt_icon, POINT{w.s32ClipLeft + 10, y});
  }
}

// The inactive side behind a translucent veil while the quick menu is open.
void vDimWindow(BITMAP* pPage) {
  const WINDOW_LOCATION& w = s_windowSpec.drawWindow;
  if (w.s32ClipRight < w.s32ClipLeft || w.s32ClipTop < w.s32ClipBottom) return;
  G_BOX_vDrawFilledAlpha(pPage, colour(COLOR_DIM), POINT{w.s32ClipLeft, w.s32ClipBottom},
                         (U32)(w.s32ClipRight - w.s32ClipLeft + 1), (U32)(w.s32ClipTop - w.s32ClipBottom + 1),
                         T_INFO_u8ConvertAlphaVector(DIM_ALPHA_VECTOR));
}

// The divider: five columns around the split column, light edges and a dark
// core, above the left window's readout row.
void T_VIEW_vDrawSplitLine(BITMAP* pPage, S32 s32Percentage) {
  static constexpr U32 kColours[5] = {COLOR_SPLIT_EDGE, COLOR_SPLIT_CORE, COLOR_SPLIT_CORE, COLOR_SPLIT_CORE,
                                      COLOR_SPLIT_EDGE};
  const S32 x0 = s32SplitColumn(pPage->pixels_wide, s32Percentage) - 2;
  const S32 bottom = pPage->s32ClipBottom + (S32)T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_LEFT_WINDOW);
  for (S32 i = 0; i < 5; ++i) {
    G_LINE_vDraw(pPage, colour(kColours[i]), POINT{x0 + i, bottom}, POINT{x0 + i, pPage->s32ClipTop});
  }
}

// Prepares s_windowSpec for one registration.
void vPrepare(const BITMAP* pPage, const LAYER_ITEM* p) {
  s_windowSpec.drawWindowType = p->eSplit;
  T_VIEW_vSetupWindow(pPage, p->eSplit, p->s32SplitPercentage, &s_windowSpec.drawWindow);
  s_windowSpec.u32User = p->user;
}

bool bCancelled(void) { return s_bViewUpdateCancelled.load(std::memory_order_relaxed) != FALSE; }

// A split view that registered only one side: the other side's window is
// cleared, so that no picture of an earlier page stays there.
void vClearMissingSide(BITMAP* pPage, const LAYER_ITEM* pView) {
  bool bLeft = false, bRight = false;
  for (const LAYER_ITEM* p = pView; p != nullptr; p = p->pSplit) {
    bLeft = bLeft || p->eSplit == SPLIT_LEFT_WINDOW;
    bRight = bRight || p->eSplit == SPLIT_RIGHT_WINDOW;
  }
  if (bLeft == bRight) return;
  WINDOW_LOCATION w;
  T_VIEW_vSetupWindow(pPage, bLeft ? SPLIT_RIGHT_WINDOW : SPLIT_LEFT_WINDOW, pView->s32SplitPercentage, &w);
  if (w.s32ClipRight < w.s32ClipLeft || w.s32ClipTop < w.s32ClipBottom) return;
  G_BOX_vDrawFilled(pPage, colour(COLOR_EMPTY_SCREEN), POINT{w.s32ClipLeft, w.s32ClipBottom},
                    (U32)(w.s32ClipRight - w.s32ClipLeft + 1), (U32)(w.s32ClipTop - w.s32ClipBottom + 1));
}

// Draws the current view and its overlays into the page.
void vCompose(BITMAP* pPage) {
  LAYER_ITEM* pView = T_VIEW_pFindShownListNode(s_windowSpec.currentLayer);
  if (pView == nullptr) {
    T_VIEW_vSetNextBackgroundLayer();
    pView = T_VIEW_pFindShownListNode(s_windowSpec.currentLayer);
  }
  const LAYER_ITEM* pOverlay = nullptr;
  if (pView == nullptr) {
    G_BMP_vSet(pPage, colour(COLOR_EMPTY_SCREEN));
    pOverlay = s_playerHeadPointer;
  } else {
    const bool bSplit = pView->eSplit != SPLIT_FULL_WINDOW;
    U32 u32ActiveMenu = 0;
    if (bSplit) {
      (void)H_DATABASE_bFetchU32(VIEW_KEY_ACTIVE_MENU, &u32ActiveMenu);
      vClearMissingSide(pPage, pView);
    }
    const bool bDimmable = pView->layer != UNDIMMED_VIEW_A && pView->layer != UNDIMMED_VIEW_B;
    for (const LAYER_ITEM* p = pView; p != nullptr && !bCancelled(); p = p->pSplit) {
      vPrepare(pPage, p);
      p->pDrawFunction(pPage, &s_windowSpec);
      if (!bSplit) continue;
      if (s_windowSpec.drawWindowType == s_windowSpec.activeWindow) {
        T_VIEW_vDrawArrow(pPage);
      } else if (u32ActiveMenu == ACTIVE_MENU_EXPRESS && bDimmable) {
        vDimWindow(pPage);
      }
    }
    if (bSplit && !bCancelled()) T_VIEW_vDrawSplitLine(pPage, pView->s32SplitPercentage);
    pOverlay = pView->next;
  }
  const LAYER_ID current = s_windowSpec.currentLayer;
  for (const LAYER_ITEM* p = pOverlay; p != nullptr && !bCancelled(); p = p->next) {
    if (p->where_used == USED_BY_NONE) continue;  // a view, never an overlay
    if (p->where_used != current && p->where_used != USED_BY_ALL) continue;
    vPrepare(pPage, p);
    p->pDrawFunction(pPage, &s_windowSpec);
  }
}

// A free display page wrapped in a full-screen header; null when no page
// is free.
BITMAP* pTakePage(void) {
  U32* pu32Page = H_DISPLAY_pu32GetDisplayBuffer();
  if (pu32Page == nullptr) return nullptr;
  BITMAP* pPage = G_BUFFERS_pCreateFullScreenBitmapHeader();
  if (pPage == nullptr) {
    H_DISPLAY_vFreeDisplayBuffer(pu32Page);
    return nullptr;
  }
  pPage->pBuffer = pu32Page;
  return pPage;
}

// Composes one page (T_VIEW_vHandleRefreshDisplay).
void T_VIEW_vHandleRefreshDisplay(void) {
  GUI_OnTick();
  s_s32RefreshesSinceLastRequest.fetch_add(1, std::memory_order_relaxed);
  BITMAP* pPage = pTakePage();
  if (pPage == nullptr) return;
  s_bViewChanged.store(FALSE, std::memory_order_relaxed);
  s_bViewUpdateCancelled.store(FALSE, std::memory_order_relaxed);
  vCompose(pPage);
  if (bCancelled()) {
    H_DISPLAY_vFreeDisplayBuffer(pPage->pBuffer);
  } else {
    H_DISPLAY_vDisplayBitmap(pPage);
  }
  G_BUFFERS_vFreeFullScreenBitmapHeader(pPage);
}

// The expedited page of a change of view, drawn at once.
void vExpeditedRefresh(void) {
  GUI_vSetRedrawStaticPart();
  s_eExpeditedViewUpdateState.store(EXPEDITED_DRAWING);
  LastUpdateTime = L_CLOCK_qwGetTimeInTicks();
  vStopUpdateTimer();
  s_windowSpec.bExpedited = TRUE;
  T_VIEW_vHandleRefreshDisplay();
  s_windowSpec.bExpedited = FALSE;
  // A request that came during the page leaves the state at "requested";
  // its signal draws the next expedited page.
  S32 expected = EXPEDITED_DRAWING;
  if (s_eExpeditedViewUpdateState.compare_exchange_strong(expected, EXPEDITED_IDLE)) {
    const PRIORITY normal = s_priorityNormal.load();
    if (normal != PRIORITY_UNSET) (void)L_TASK_SetPriority(TASK_VIEWTASK, normal);
  }
}

// Redraws the frozen picture with the alarm and card messages on top.
void vRedrawFrozen(void) {
  BITMAP* pPage = pTakePage();
  if (pPage == nullptr) return;
  G_BMP_vCopyRegion(s_pFrozenBitmap, pPage, 0, 0, (U32)G_SCREEN_WIDTH);
  for (const LAYER_ITEM* p = s_playerHeadPointer; p != nullptr; p = p->next) {
    for (LAYER_ID layer : FROZEN_LAYERS) {
      if (p->layer != layer) continue;
      s_windowSpec.u32User = p->user;
      p->pDrawFunction(pPage, &s_windowSpec);
    }
  }
  H_DISPLAY_vDisplayBitmap(pPage);
  G_BUFFERS_vFreeFullScreenBitmapHeader(pPage);
}

}  // namespace

// ------------------------------------------------------------ the view task's handlers
void T_VIEW_vRefreshInit(void) {
  if (s_pUpdateTimer == nullptr) s_pUpdateTimer = L_TIMER_Allocate();
  if (s_pUpdateTimer == nullptr) log_me("VIEW: no timer for the refresh; pages are drawn at once\n");
}

void T_VIEW_vRequestPage(void) { (void)L_SEMA_Signal(SEMA_VIEW_UPDATE); }

void T_VIEW_vNoteKeyChange(void) { s_bKeyChangeSinceRefresh.store(true); }

void T_VIEW_vHandleRefreshRequest(void) {
  if (s_pFrozenBitmap != nullptr) return;
  if (s_eExpeditedViewUpdateState.load() == EXPEDITED_REQUESTED) {
    vExpeditedRefresh();
    return;
  }
  const bool key = s_bKeyChangeSinceRefresh.exchange(false);
  if (s_bUpdateTimerPending && !key) return;  // merged with the page the timer will draw
  const U64 now = L_CLOCK_qwGetTimeInTicks();
  const U64 elapsed = now - LastUpdateTime;
  if (!key && elapsed < VIEW_REFRESH_INTERVAL_MS && s_pUpdateTimer != nullptr) {
    if (L_TIMER_Start(s_pUpdateTimer, (U32)(VIEW_REFRESH_INTERVAL_MS - elapsed), 0, SEMA_TIMER_VIEW_UPDATE) !=
        nullptr) {
      s_bUpdateTimerPending = true;
      return;
    }
  }
  LastUpdateTime = now;
  T_VIEW_vHandleRefreshDisplay();
}

void T_VIEW_vHandleUpdateTimer(void) {
  if (s_pFrozenBitmap != nullptr) {
    vRedrawFrozen();
    return;
  }
  s_bUpdateTimerPending = false;
  // An expedited request that came during the wait is drawn as such, so
  // that its state returns to idle.
  if (s_eExpeditedViewUpdateState.load() == EXPEDITED_REQUESTED) {
    (void)L_SEMA_SetPending(SEMA_VIEW_UPDATE);
    vExpeditedRefresh();
    return;
  }
  // A request that came during the wait is served by this page.
  (void)L_SEMA_SetPending(SEMA_VIEW_UPDATE);
  LastUpdateTime = L_CLOCK_qwGetTimeInTicks();
  T_VIEW_vHandleRefreshDisplay();
}

void T_VIEW_vHandleReleaseBitmap(void) {
  T_VIEW_vToggleDisplayUpdateFreeze(FALSE);
  T_VIEW_vReviewCaptureReleased();
}

void T_VIEW_vSetNormalPriority(PRIORITY priority) {
  s_priorityNormal.store(priority);
  s_priorityHigh.store(priority > PRIORITY_BOOST ? (PRIORITY)(priority - PRIORITY_BOOST) : (PRIORITY)1);
}

void T_VIEW_vSetupWindow(const BITMAP* pPage, SPLIT_WINDOW_TYPE eSide, S32 s32Percentage, WINDOW_LOCATION* pWindow) {
  const S32 column = s32SplitColumn(pPage->pixels_wide, s32Percentage);
  pWindow->s32ClipLeft = pPage->s32ClipLeft;
  pWindow->s32ClipRight = pPage->s32ClipRight;
  pWindow->s32ClipTop = pPage->s32ClipTop;
  pWindow->s32ClipBottom = pPage->s32ClipBottom;
  if (eSide == SPLIT_LEFT_WINDOW) {
    pWindow->s32ClipRight = column - 3;
  } else if (eSide == SPLIT_RIGHT_WINDOW) {
    pWindow->s32ClipLeft = column + 3;
  }
}

// ------------------------------------------------------------ freeze (view task)
void T_VIEW_vToggleDisplayUpdateFreeze(BOOLEAN bFreeze) {
  if (bFreeze) {
    if (s_pFrozenBitmap != nullptr) return;
    T_CHART_3D_vToggleDisplayUpdateFreeze(TRUE);
    BITMAP* pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
    if (pBitmap == nullptr || pBitmap->pBuffer == nullptr) {
      log_me("VIEW: no memory to freeze the screen\n");
      if (pBitmap != nullptr) G_BUFFERS_vFreeFullScreenBitmap(pBitmap);
      T_CHART_3D_vToggleDisplayUpdateFreeze(FALSE);
      return;
    }
    H_DISPLAY_vScreenDump(reinterpret_cast<SCREEN_BUFFER*>(pBitmap->pBuffer));
    if (s_pFrozenUpdateTimer == nullptr) s_pFrozenUpdateTimer = L_TIMER_Allocate();
    vStopUpdateTimer();
    s_pFrozenBitmap = pBitmap;
    if (s_pFrozenUpdateTimer != nullptr) {
      (void)L_TIMER_Start(s_pFrozenUpdateTimer, VIEW_FROZEN_REDRAW_MS, VIEW_FROZEN_REDRAW_MS, SEMA_TIMER_VIEW_UPDATE);
    }
    return;
  }
  if (s_pFrozenBitmap == nullptr) return;
  if (s_pFrozenUpdateTimer != nullptr) (void)L_TIMER_Stop(s_pFrozenUpdateTimer);
  (void)L_SEMA_SetPending(SEMA_TIMER_VIEW_UPDATE);
  G_BUFFERS_vFreeFullScreenBitmap(s_pFrozenBitmap);
  s_pFrozenBitmap = nullptr;
  T_CHART_3D_vToggleDisplayUpdateFreeze(FALSE);
  // The screen moves again from the next page on.
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

BOOLEAN T_VIEW_bDisplayFrozen(void) { return s_pFrozenBitmap != nullptr ? TRUE : FALSE; }
BITMAP* T_VIEW_pFrozenBitmap(void) { return s_pFrozenBitmap; }

// ------------------------------------------------------------ any task
void T_VIEW_vRequestExpeditedViewUpdate(void) {
  S32 state = s_eExpeditedViewUpdateState.load();
  for (;;) {
    if (state == EXPEDITED_REQUESTED) return;
    if (state == EXPEDITED_IDLE) {
      // The page in progress is dropped before the request is visible, so
      // the expedited page itself is never the one cancelled.
      s_bViewUpdateCancelled.store(TRUE);
      if (s_eExpeditedViewUpdateState.compare_exchange_weak(state, EXPEDITED_REQUESTED)) {
        (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
        const PRIORITY high = s_priorityHigh.load();
        if (high != PRIORITY_UNSET) (void)L_TASK_SetPriority(TASK_VIEWTASK, high);
        return;
      }
      continue;
    }
    if (s_eExpeditedViewUpdateState.compare_exchange_weak(state, EXPEDITED_REQUESTED)) {
      (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
      return;
    }
  }
}

void T_VIEW_vMarkViewChanged(void) {
  s_bViewChanged.store(TRUE);
  s_bViewUpdateCancelled.store(TRUE);
  // The dropped page is replaced even when the view did not change.
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

BOOLEAN T_VIEW_bViewChangedWhileRendering(void) { return s_bViewChanged.load(std::memory_order_relaxed); }

BOOLEAN T_VIEW_bViewUpdateCancelled(void) { return s_bViewUpdateCancelled.load(std::memory_order_relaxed); }

S32 T_VIEW_s32RefreshesSinceLastRequest(void) { return s_s32RefreshesSinceLastRequest.exchange(0); }

BITMAP* T_VIEW_pCreateSatWxImageBitmap(void) { return pTakePage(); }

S32 T_VIEW_s32SplitViewLeftWidth(S32 s32Width, S32 s32Percentage) {
  return s32SplitColumn(s32Width, s32Percentage) - 2;
}

S32 T_VIEW_s32SplitViewRightWidth(S32 s32Width, S32 s32Percentage) {
  return s32Width - 3 - s32SplitColumn(s32Width, s32Percentage);
}

S32 T_VIEW_s32SplitViewClipLeft(S32 s32Width, S32 s32Percentage, SPLIT_WINDOW_TYPE eSide) {
  return eSide == SPLIT_RIGHT_WINDOW ? s32SplitColumn(s32Width, s32Percentage) + 3 : 0;
}

S32 T_VIEW_s32SplitViewClipRight(S32 s32Width, S32 s32Percentage, SPLIT_WINDOW_TYPE eSide) {
  return eSide == SPLIT_LEFT_WINDOW ? s32SplitColumn(s32Width, s32Percentage) - 3 : s32Width - 1;
}
