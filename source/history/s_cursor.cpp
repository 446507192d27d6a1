// The sonar cursor, run by the history task: shown at the centre of the
// region the draw callbacks leave for it, moved by the cursor key's repeat
// count, and published for the column under it.
#include "source/history/s_cursor.h"

#include <cmath>
#include <cstdlib>

#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/graphics/graphics_upcalls.h"
#include "source/graphics/u_view.h"
#include "source/history/history_int.h"
#include "source/history/history_upcalls.h"
#include "source/history/s_draw.h"
#include "source/ui/t_keyboard.h"

namespace {

constexpr U32 kPlaybackPaused = 6;
constexpr U32 kZoomKeys = KEY_MASK_ZOOM_IN | KEY_MASK_ZOOM_OUT;

// History task only.
POINT s_Cursor = {0, 0};
BOOLEAN s_bDIZoomKeysRegistered = FALSE;
BOOLEAN s_bZoomKeysRegistered = FALSE;
BOOLEAN s_bCursorKeyRegistered = FALSE;
BOOLEAN s_bExitKeyRegistered = FALSE;
U32 s_u32OldPlaybackMode = 8;  // PLAYBACK_MODE_FORWARD

FOURCHARID key4(const char* k) { return MAKE_FOURCHARID(k[0], k[1], k[2], k[3]); }

BOOLEAN bIn(LAYER_ID v, std::initializer_list<LAYER_ID> list) {
  for (LAYER_ID l : list)
    if (l == v) return TRUE;
  return FALSE;
}

LAYER_ID eViewOf(LAYER_ID v) { return v == UNKNOWN_VIEW ? U_VIEW_eCurrentView() : v; }
SPLIT_WINDOW_TYPE eSplitOf(SPLIT_WINDOW_TYPE s) { return s == UNKNOWN_SPLIT ? U_VIEW_eCurrentSplit() : s; }

void vPutS32(const char* k, S32 v) {
  H_DATABASE_bUpdateEverythingS32(key4(k), v, P_NORMAL, D_SIGNED32, nullptr, DB_NO_TIMEOUT);
}
void vPutDepth(const char* k, F32 v) {
  H_DATABASE_bUpdateEverythingFloat(key4(k), v, P_NORMAL, D_DEPTH, nullptr, DB_NO_TIMEOUT);
}

U32 u32SideView(void) {
  const U32 v = db_u32SideBeamView.load();
  return v >= SIDE_BEAM_LEFT && v <= SIDE_BEAM_BOTH ? v : (U32)SIDE_BEAM_BOTH;
}

// The store of window 0's beam; null when it has none.
FULL_SCREEN_TSU* pWindow0Store(void) {
  const BEAM b = SonarViewInfo.Window[0].Beam;
  if (b <= 3) return s_sBeamInfo[b].pTSUStore;
  if (b == 5) return s_sBeamInfo[s_db_TransducerSelectArray[1].load() == 15 ? 3 : 2].pTSUStore;
  if (b == 4) {
    for (BEAM k = 0; k < 4; ++k)
      if (s_sBeamInfo[k].beamBlend == 4 && s_sBeamInfo[k].pTSUStore != nullptr) return s_sBeamInfo[k].pTSUStore;
  }
  return nullptr;
}

// A copy of the column d back from the newest (its samples left out).
BOOLEAN bColumn(FULL_SCREEN_TSU* store, S32 d, TSU_STORE_COLUMN* pOut) {
  (void)L_MUTEX_LockWait(RES_TSU);
  const U32 index = S_CURSOR_u32ColumnIndex(store->u32NextFreeColumn, d);
  (void)L_MUTEX_Unlock(RES_TSU);
  *pOut = store->aTsuStore[index];
  pOut->au8Data = nullptr;
  return TRUE;
}

BOOLEAN bVerticalNow(void) { return bVerticalScrollingWindow(CurrentView.load(), U_VIEW_eCurrentSplit()); }

void vPublish(void) {
  const WINDOW_LOCATION region = CursorWindow;
  if (bVerticalNow()) {
    vUpdateSonarCursorPositionVerticalScroll(s_Cursor, region);
  } else {
    vUpdateSonarCursorPositionHorizScroll(s_Cursor, region.s32ClipRight);
  }
}

void vClick(BOOLEAN bGood) { (void)L_SEMA_Signal(bGood ? SEMA_KEYCLICK_GOOD : SEMA_KEYCLICK_BAD); }

void vShowCursor(void) {
  const WINDOW_LOCATION r = CursorWindow;
  s_Cursor = POINT{(r.s32ClipLeft + r.s32ClipRight) / 2, (r.s32ClipTop + r.s32ClipBottom) / 2};
  vPublish();
  if (!s_bExitKeyRegistered) {
    s_bExitKeyRegistered =
        U_KEYBOARD_bRegisterKeys(M_HISTORY, KEY_MASK_EXIT, KEY_DOWN, TRUE, TRUE, CURSOR_8, REGISTER_VIEW);
  }
  s_bCursorActive.store(TRUE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  if (s_u32SystemState.load() == STATE_PLAYBACK) {
    U32 mode = 0;
    if (H_DATABASE_bFetchU32(FCID("CPSP"), &mode)) s_u32OldPlaybackMode = mode;
    H_DATABASE_bUpdateValueU32(FCID("CPSP"), kPlaybackPaused, P_NORMAL);
  }
  H_DATABASE_bUpdateEverythingU32(FCID("IDIZ"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  if (T_N_HISTORY_bIsNadscanView(UNKNOWN_VIEW, UNKNOWN_SPLIT)) {
    if (!s_bZoomKeysRegistered && !s_bDIZoomKeysRegistered) {
      (void)U_KEYBOARD_bRegisterKeys(M_HISTORY, kZoomKeys, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW);
    }
    s_bDIZoomKeysRegistered = TRUE;
  }
}

void vZoomKey(U32 key) {
  const BOOLEAN up = key == KEY_MASK_ZOOM_IN;
  if (s_bCursorActive.load() && T_N_HISTORY_bIsNadscanView(UNKNOWN_VIEW, UNKNOWN_SPLIT)) {
    U32 v = 0;
    (void)H_DATABASE_bFetchU32(FCID("IDIZ"), &v);
    if (v > 3) v = 3;
    if ((up && v >= 3) || (!up && v == 0)) {
      vClick(FALSE);
      return;
    }
    H_DATABASE_bUpdateValueU32(FCID("IDIZ"), up ? v + 1 : v - 1, P_NORMAL);
    vClick(TRUE);
    return;
  }
  if (SonarViewInfo.bBottomLockZoom) {
    vClick(FALSE);
    return;
  }
  U32 level = SonarViewInfo.u32ZoomLevel > 3 ? 3 : SonarViewInfo.u32ZoomLevel;
  if ((up && level >= 3) || (!up && level == 0)) {
    vClick(FALSE);
    return;
  }
  level = up ? level + 1 : level - 1;
  H_DATABASE_bUpdateValueU32(FCID("SSZL"), level, P_NORMAL);
  vClick(TRUE);
}

}  // namespace

// ------------------------------------------------------------ views served
BOOLEAN S_CURSOR_bIsMyCursorView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  const LAYER_ID v = eViewOf(eView);
  const SPLIT_WINDOW_TYPE s = eSplitOf(eSplit);
  if (bIn(v, {NADSCAN_VIEW_PRIORITY, SONAR_2D_PLUS_SI_VIEW_PRIORITY, SONAR_VIEW_PRIORITY, SONAR_ZOOM_VIEW_PRIORITY,
              SONAR_DUAL_BEAM_VIEW_PRIORITY, NADSCAN_PLUS_2D_VIEW_PRIORITY, SONAR_SIDESCAN_PLUS_2D_PRIORITY})) {
    return TRUE;
  }
  if (v == SONAR_SIDEVIEW) {
    U32 yst3 = 0;
    (void)H_DATABASE_bFetchU32(FCID("YST3"), &yst3);
    return yst3 != 3;
  }
  return s == SPLIT_LEFT_WINDOW && bIn(v, {CHART_PLUS_2D_VIEW_PRIORITY, SONAR_3D_PLUS_2D_VIEW_PRIORITY,
                                            CHART_PLUS_SIDESCAN_VIEW_PRIORITY, CHART_PLUS_NADSCAN_VIEW_PRIORITY});
}

BOOLEAN T_N_HISTORY_bIsNadscanView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  const LAYER_ID v = eViewOf(eView);
  const SPLIT_WINDOW_TYPE s = eSplitOf(eSplit);
  return v == NADSCAN_VIEW_PRIORITY || (v == NADSCAN_PLUS_2D_VIEW_PRIORITY && s == SPLIT_RIGHT_WINDOW) ||
         (v == CHART_PLUS_NADSCAN_VIEW_PRIORITY && s == SPLIT_LEFT_WINDOW);
}

BOOLEAN T_N_HISTORY_bInLatscanView(void) {
  U32 icsi = 0;
  (void)H_DATABASE_bFetchU32(FCID("ICSI"), &icsi);
  const LAYER_ID v = U_VIEW_eCurrentView();
  return v == SONAR_SIDEVIEW || (v == SONAR_SIDESCAN_PLUS_2D_PRIORITY && U_VIEW_eCurrentSplit() == SPLIT_RIGHT_WINDOW);
}

BOOLEAN bVerticalScrollingWindow(LAYER_ID eLayer, SPLIT_WINDOW_TYPE eSplit) {
  return eLayer == SONAR_SIDEVIEW || (eLayer == SONAR_SIDESCAN_PLUS_2D_PRIORITY && eSplit == SPLIT_RIGHT_WINDOW) ||
         (eLayer == CHART_PLUS_SIDESCAN_VIEW_PRIORITY && eSplit == SPLIT_LEFT_WINDOW);
}

// ------------------------------------------------------------ moving
POINT S_CURSOR_Move(POINT p, CURSOR_POSITION d, U32 u32Count, LAYER_ID eView, U32 W, const WINDOW_LOCATION& r) {
  const S32 step = (S32)(u32Count > 200 ? 200 : u32Count);
  if (d == CURSOR_NORTH || d == CURSOR_NORTH_EAST || d == CURSOR_NORTH_WEST) p.y += step;
  if (d == CURSOR_SOUTH_EAST || d == CURSOR_SOUTH || d == CURSOR_SOUTH_WEST) p.y -= step;
  const BOOLEAN right = d == CURSOR_NORTH_EAST || d == CURSOR_EAST || d == CURSOR_SOUTH_EAST;
  const BOOLEAN left = d == CURSOR_SOUTH_WEST || d == CURSOR_WEST || d == CURSOR_NORTH_WEST;
  if (right) p.x += step;
  if (left) p.x -= step;
  if (eView == SONAR_ZOOM_VIEW_PRIORITY) {
    const S32 a = 796 - (S32)W, b = 800 - (S32)W;
    if (p.x > a && p.x < b) {
      if (right) p.x = b;
      if (left) p.x = a;
    }
  } else if (eView == SONAR_DUAL_BEAM_VIEW_PRIORITY) {
    if (p.x > 397 && p.x < 401) {
      if (right) p.x = 401;
      if (left) p.x = 397;
    }
  }
  const S32 xl = r.s32ClipLeft < r.s32ClipRight ? r.s32ClipLeft : r.s32ClipRight;
  const S32 xr = r.s32ClipLeft < r.s32ClipRight ? r.s32ClipRight : r.s32ClipLeft;
  const S32 yb = r.s32ClipBottom < r.s32ClipTop ? r.s32ClipBottom : r.s32ClipTop;
  const S32 yt = r.s32ClipBottom < r.s32ClipTop ? r.s32ClipTop : r.s32ClipBottom;
  p.x = p.x < xl ? xl : (p.x > xr ? xr : p.x);
  p.y = p.y < yb ? yb : (p.y > yt ? yt : p.y);
  return p;
}

U32 S_CURSOR_u32ColumnIndex(U32 u32NextFree, S32 d) {
  if (d < 0) d = 0;
  if (d >= (S32)HISTORY_RING_SLOTS) d = HISTORY_RING_SLOTS - 1;
  if (u32NextFree >= HISTORY_RING_SLOTS) u32NextFree %= HISTORY_RING_SLOTS;
  const S32 n = (S32)u32NextFree;
  return (U32)(n - d > 0 ? n - 1 - d : n + (S32)HISTORY_RING_SLOTS - 1 - d);
}

// ------------------------------------------------------------ publishing
void vUpdateSonarCursorPositionHorizScroll(POINT cursor, S32 s32RightPixel) {
  const LAYER_ID view = CurrentView.load();
  const S32 zoomRight = 796 - (S32)s_u32UnZoomedWidth.load();
  if (view == SONAR_ZOOM_VIEW_PRIORITY && cursor.x <= zoomRight) s32RightPixel = zoomRight;
  if (view == SONAR_DUAL_BEAM_VIEW_PRIORITY && cursor.x < 398) s32RightPixel = 397;
  FULL_SCREEN_TSU* store = pWindow0Store();
  if (store == nullptr) {
    // A view whose window 0 shows no beam has nothing under the cursor.
    log_me("history: no TSUStore for window 0 in view %d; cursor publishes nothing", (int)view);
    return;
  }
  vPutS32("ICPX", cursor.x);
  vPutS32("ICPY", cursor.y);
  TSU_STORE_COLUMN column;
  (void)bColumn(store, s32RightPixel - cursor.x, &column);
  vUpdateCursorDepthHorizScroll();
  vUpdateCursorNavData(column.Location);
  vPutDepth("ICDP", column.fDepthMetres);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vUpdateCursorDepthHorizScroll(void) {
  S32 x = 0, y = 0;
  BOOLEAN valid = FALSE;
  if (!H_DATABASE_bFetchS32(FCID("ICPY"), &y, &valid) || !valid) return;
  (void)H_DATABASE_bFetchS32(FCID("ICPX"), &x);
  const S32 R = (S32)T_INFO_u32DrawInfoLayer_Instrumentation2_YOrigin(SPLIT_FULL_WINDOW);
  const S32 T = CursorWindow.s32ClipTop;
  if (T == R) return;
  const BOOLEAN inZoom = CurrentView.load() == SONAR_ZOOM_VIEW_PRIORITY &&
                         x <= 796 - (S32)s_u32UnZoomedWidth.load();
  (void)L_MUTEX_LockWait(RES_S_INFO);
  const SONAR_WINDOW& w = SonarViewInfo.Window[inZoom ? 1 : 0];
  const F32 U = w.fUpperDisplayedMetres, L = w.fLowerDisplayedMetres;
  const BOOLEAN lock = SonarViewInfo.bBottomLockZoom;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  const F32 f = (F32)(y - R) / (F32)(T - R);
  vPutDepth("ICCD", inZoom && lock ? f * (L + U) - L : f * (U - L) + L);
}

void vUpdateSonarCursorPositionVerticalScroll(POINT cursor, WINDOW_LOCATION region) {
  const BEAM b = SonarViewInfo.Window[0].Beam == 0 ? 0 : 1;
  FULL_SCREEN_TSU* store = s_sBeamInfo[b].pTSUStore;
  if (store == nullptr) {
    log_me("history: no TSUStore for window 0 in the side view; cursor publishes nothing");
    return;
  }
  vPutS32("ICPX", cursor.x);
  vPutS32("ICPY", cursor.y);
  TSU_STORE_COLUMN column;
  (void)bColumn(store, region.s32ClipTop - cursor.y, &column);
  if (column.HeadingSource == HEADING_SOURCE_NO_DATA) {
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  if (!column.Location.bPositionValid) {
    vUpdateCursorNavData(column.Location);
    (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  (void)L_MUTEX_LockWait(RES_S_INFO);
  const F32 U = SonarViewInfo.Window[1].fUpperDisplayedMetres, L = SonarViewInfo.Window[1].fLowerDisplayedMetres;
  (void)L_MUTEX_Unlock(RES_S_INFO);
  const F32 P = (F32)(region.s32ClipRight - region.s32ClipLeft);
  F32 r = 0.0f;
  if (P > 0.0f) {
    switch (u32SideView()) {
      case SIDE_BEAM_RIGHT:
        r = (F32)(cursor.x - region.s32ClipLeft) * (L - U) / P + U;
        break;
      case SIDE_BEAM_LEFT:
        r = -((F32)(region.s32ClipRight - cursor.x) * (L - U) / P + U);
        break;
      default:
        r = (L - U) * 2.0f * ((F32)(cursor.x - region.s32ClipLeft) - P / 2.0f) / P + U;
        break;
    }
  }
  const F32 ar = std::fabs(r);
  vPutDepth("ICCD", ar);
  vPutDepth("ICDP", ar <= 2.0f ? column.fDepthMetres : 0.0f);
  const F32 D = column.fDepthMetres;
  const F32 across = ar > D ? (r < 0.0f ? -1.0f : 1.0f) * std::sqrt(r * r - D * D) : 0.0f;
  SONAR_PING_LOCATION at = column.Location;
  const S32 mm = (S32)(across * (F32)U_NAV_u16ScalingMMPerKm(at.s32LatitudeMM) / 1024.0f + 0.5f);
  const S32 h = (S32)std::lround(column.fHeadingTrueDegrees);
  at.s32LatitudeMM -= (S32)((S64)mm * U_NAV_nIntSin(h) / 65536);
  at.s32LongitudeMM += (S32)((S64)mm * U_NAV_nIntCos(h) / 65536);
  vUpdateCursorNavData(at);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

void vUpdateCursorNavData(SONAR_PING_LOCATION location) {
  H_DATABASE_bUpdateEverythingS32(FCID("ICLN"), location.s32LongitudeMM, P_NORMAL, D_POSITION_LON_MM, nullptr,
                                  DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingS32(FCID("ICLT"), location.s32LatitudeMM, P_NORMAL, D_POSITION_LAT_MM, nullptr,
                                  DB_NO_TIMEOUT);
  const POINT cursor{location.s32LongitudeMM, location.s32LatitudeMM};
  POINT boat{0, 0};
  (void)H_DATABASE_bFetchS32(FCID("ILON"), &boat.x);
  (void)H_DATABASE_bFetchS32(FCID("ILAT"), &boat.y);
  T_NAV_vUpdateCursorDistAndBearing(boat, cursor);
  double degrees[2] = {0.0, 0.0};
  nv_MeterToDegr(cursor, degrees);
  U32 datum = 0;
  if (H_DATABASE_bFetchU32(FCID("SDTM"), &datum)) WGS84_2_Datum(degrees[0], degrees[1], &degrees[0], &degrees[1], datum);
  H_DATABASE_bUpdateEverythingFloat(FCID("ICTD"), (F32)degrees[0], P_NORMAL, D_POSITION_LAT, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingFloat(FCID("ICND"), (F32)degrees[1], P_NORMAL, D_POSITION_LON, nullptr, DB_NO_TIMEOUT);
  H_DATABASE_bUpdateEverythingBoolean(FCID("ICLV"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
}

U32 vMakeCursorInactive(U32 u32Any) {
  if (!s_bCursorActive.load()) return u32Any;
  if (s_bExitKeyRegistered) {
    (void)U_KEYBOARD_bUnregisterKeys(M_HISTORY, KEY_MASK_EXIT);
    s_bExitKeyRegistered = FALSE;
  }
  if (s_u32SystemState.load() == STATE_PLAYBACK) H_DATABASE_bUpdateValueU32(FCID("CPSP"), s_u32OldPlaybackMode, P_NORMAL);
  if (s_bDIZoomKeysRegistered && !s_bZoomKeysRegistered) (void)U_KEYBOARD_bUnregisterKeys(M_HISTORY, kZoomKeys);
  s_bDIZoomKeysRegistered = FALSE;
  s_bCursorActive.store(FALSE);
  H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NO_TIMEOUT);
  (void)L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return u32Any;
}

// ------------------------------------------------------------ keys
void S_CURSOR_vKey(const MSG_KEY_CHANGE* pKey) {
  if (pKey == nullptr || pKey->state != KEY_DOWN) return;
  switch (pKey->key) {
    case KEY_MASK_CURSOR:
      if (!s_bCursorActive.load()) {
        vShowCursor();
        return;
      }
      if (pKey->cursor < CURSOR_NORTH || pKey->cursor > CURSOR_NORTH_WEST) return;
      s_Cursor = S_CURSOR_Move(s_Cursor, pKey->cursor, pKey->count, CurrentView.load(), s_u32UnZoomedWidth.load(),
                               CursorWindow);
      vPublish();
      if (pKey->count == 1) vClick(TRUE);
      return;
    case KEY_MASK_EXIT:
      if (!s_bCursorActive.load()) return;
      (void)vMakeCursorInactive(0);
      bForceResample.store(TRUE);
      vClick(TRUE);
      return;
    case KEY_MASK_ZOOM_IN:
    case KEY_MASK_ZOOM_OUT:
      vZoomKey(pKey->key);
      return;
    default:
      return;
  }
}

void vCheckKeyRegistration(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  const LAYER_ID v = eViewOf(eView);
  const SPLIT_WINDOW_TYPE s = eSplitOf(eSplit);
  const BOOLEAN zoom = v == SONAR_ZOOM_VIEW_PRIORITY;
  if (zoom && !s_bZoomKeysRegistered) {
    s_bZoomKeysRegistered =
        U_KEYBOARD_bRegisterKeys(M_HISTORY, kZoomKeys, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW);
  } else if (!zoom && s_bZoomKeysRegistered) {
    if (!s_bDIZoomKeysRegistered) (void)U_KEYBOARD_bUnregisterKeys(M_HISTORY, kZoomKeys);
    s_bZoomKeysRegistered = FALSE;
  }
  const BOOLEAN cursor = S_CURSOR_bIsMyCursorView(v, s);
  if (cursor && !s_bCursorKeyRegistered) {
    s_bCursorKeyRegistered =
        U_KEYBOARD_bRegisterKeys(M_HISTORY, KEY_MASK_CURSOR, KEY_DOWN, TRUE, TRUE, CURSOR_8, REGISTER_VIEW);
  } else if (!cursor && s_bCursorKeyRegistered) {
    (void)U_KEYBOARD_bUnregisterKeys(M_HISTORY, KEY_MASK_CURSOR);
    s_bCursorKeyRegistered = FALSE;
  }
}

POINT S_CURSOR_Position(void) { return s_Cursor; }
