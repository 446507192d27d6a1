// The sonar cursor: a point moved with the cursor keys over a sonar window.
// For the point under it the history publishes the pixel position, the
// depth at the cursor, the bottom depth of the ping shown there and the
// ping's position with distance and bearing from the boat (ICAC, ICPX,
// ICPY, ICCD, ICDP, ICLN, ICLT, ICTD, ICND, ICLV; ICBH and ICBD through the
// navigation). Runs in the history task.
#pragma once

#include "common/g_types.h"
#include "common/key_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "source/sonar/u_ping.h"

// TRUE when that view and split side (UNKNOWN_VIEW / UNKNOWN_SPLIT: the
// current ones) show a sonar history that the sonar cursor serves
// (installed as T_N_HISTORY_bIsMyCursorView).
BOOLEAN S_CURSOR_bIsMyCursorView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// TRUE for the Nadscan full view, the right side of Nadscan plus 2D and the
// left side of chart plus Nadscan.
BOOLEAN T_N_HISTORY_bIsNadscanView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// TRUE in the side view and on the right side of side scan plus 2D.
BOOLEAN T_N_HISTORY_bInLatscanView(void);
// TRUE for the windows that scroll vertically (side-looking).
BOOLEAN bVerticalScrollingWindow(LAYER_ID eLayer, SPLIT_WINDOW_TYPE eSplit);

// The cursor after one key: a step of the repeat count (at most 200), the
// gaps between the zoom view's windows (W the full-range window's width)
// and the dual-beam view's windows jumped, clamped to the region.
POINT S_CURSOR_Move(POINT p, CURSOR_POSITION eDirection, U32 u32Count, LAYER_ID eView, U32 W,
                    const WINDOW_LOCATION& region);
// The column of a 820-slot store d columns back from the newest.
U32 S_CURSOR_u32ColumnIndex(U32 u32NextFree, S32 d);

void vUpdateSonarCursorPositionHorizScroll(POINT cursor, S32 s32RightPixel);
void vUpdateSonarCursorPositionVerticalScroll(POINT cursor, WINDOW_LOCATION region);
void vUpdateCursorDepthHorizScroll(void);
void vUpdateCursorNavData(SONAR_PING_LOCATION location);
// Hides the cursor; returns its argument.
U32 vMakeCursorInactive(U32 u32Any);

// A key change for the history task while the enhance dialog is closed: the
// cursor key shows or moves the cursor, the exit key hides it, the zoom
// keys step the Nadscan inset (cursor on in a Nadscan view) or the 2D zoom
// level.
void S_CURSOR_vKey(const MSG_KEY_CHANGE* pKey);
// Registers the cursor and zoom keys that the view and side need and
// removes the others (UNKNOWN_VIEW / UNKNOWN_SPLIT: the current ones).
void vCheckKeyRegistration(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit);
// The cursor as last placed.
POINT S_CURSOR_Position(void);
