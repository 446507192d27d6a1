// The imaging views, the zoom view and the Nadscan zoom inset.
#pragma once

#include <atomic>

#include "common/db_types.h"
#include "common/view_types.h"
#include "source/history/s_history.h"

// Slant-range correction of the side-looking windows (SITM).
extern std::atomic<BOOLEAN> s_bTerrainMode;
// SSIN, refreshed by the side view.
extern std::atomic<BOOLEAN> s_bSI_Navigation;

// The side beams a side-view setting shows: 1 left, 2 right, 3 both; any
// other value shows both.
U32 S_IMAGING_u32SideBeamView(U32 u32Setting);

// Copies a window's history into the frame rectangle between its deep and
// oldest corner and its shallow and youngest corner (y upward), mirrored as
// the corners require: a horizontally scrolling window puts its columns
// across x, a vertically scrolling one its columns along y.
void vCopyHistoryToBitmapGeneric(BITMAP* pBmp, SONAR_WINDOW* pWindow, POINT pDeepOldest, POINT pShallowYoungest);

// Draw callbacks.
void S_IMAGING_vDrawNadscan(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
void S_IMAGING_vDrawNadscanSplit(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
void S_IMAGING_vDrawDownAndSidebeamView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
void S_IMAGING_vDrawVerticalScrollView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
void S_ZOOM_vDrawZoomSonar(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);

// ------------------------------------------------------------ zoom
// Chooses the zoom window's range (window 1 of the zoom view) from the
// current depth; nothing while the depth is not above 0.
void vSetupZoomRange(BOOLEAN bForceRecalculation);
// The zoom statics back to their start (tests, a new view).
void S_ZOOM_vReset(void);

// ------------------------------------------------------------ Nadscan inset
struct SI_ZOOM_WINDOW_TYPE {
  BOOLEAN bActive;
  BOOLEAN bForceUpdate;
  S32 s32Width, s32Height;
  S32 s32LeftEdge, s32RightEdge, s32TopEdge, s32TopOffset, s32BottomEdge;
  S32 s32ZoomWidth, s32ZoomHeight;
  S32 s32ZoomFactor;
  POINT ptWindow;
  POINT ptCursor;
  BITMAP* pBitmap;
  LAYER_ID eView;
  const GRAYSCALE_TABLE* pGrayScaleTable;
};
extern SI_ZOOM_WINDOW_TYPE DiZoomWin;
// How often the inset was built (tests: it stands still with the cursor).
extern std::atomic<U32> s_u32DiZoomBuilds;

BOOLEAN T_N_HISTORY_bUpdateDiZoomWindow(const WINDOW_SPECIFICATION* psWindowSpec);
BOOLEAN S_ZOOM_bDrawDiZoomWindow(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec,
                                      S32* ps32DiZoomFactor, S32* ps32TopOffset);
void T_N_HISTORY_vBuildDiZoomColumn(U32 u32Index, U8* u8ZoomColumnL, U8* u8ZoomColumnR, S32 s32WindowHeight,
                                    S32 s32MinDepthL, S32 s32MaxDepthL, S32 s32MinDepthR, S32 s32MaxDepthR);
// Asks for a rebuild of the inset at its next update (palette, sensitivity,
// depth lines).
void S_ZOOM_vForceDiZoomUpdate(void);
