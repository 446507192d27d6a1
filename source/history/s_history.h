// The sonar history: the three history windows with their ring bitmaps,
// the six beam records and the four stores of raw columns, shared by the
// history task, the column builder (processing task's thread), the rebuild
// and the draw callbacks (view task's thread).
//
// Locks: RES_HISTORY (4) guards the ring pixels and next columns, RES_TSU
// (27) the stores, RES_S_INFO (28) the window settings. 27 is taken before
// 28, and neither while 4 is held.
#pragma once

#include <atomic>

#include "common/g_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"
#include "source/sonar/s_grayscale.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/s_accum.h"
#include "source/sonar/s_fishid.h"
#include "source/sonar/u_ping.h"

constexpr U32 HISTORY_RING_SLOTS = 820;      // columns of each history bitmap and store
constexpr U32 HISTORY_BITMAP_HEIGHT = 600;   // rows of each history bitmap block
constexpr U32 TSU_DATA_LENGTH = 2048;        // sample bytes of one stored column
constexpr U32 HISTORY_WINDOWS = 3;
constexpr U32 HISTORY_BEAMS = 6;

struct SONAR_HISTORY {
  BITMAP* pBmp;
  U16 u16NextFreeColumn;
  MUTEX Resource;
};

struct SONAR_WINDOW {
  BEAM Beam;
  SONAR_HISTORY ScreenHistory;
  BOOLEAN bTriggerTotalScreenUpdate;
  BOOLEAN bManualDepthRange;
  F32 fUpperDisplayedMetres;
  F32 fLowerDisplayedMetres;
  U32 u32UpperDigits;
  U32 u32LowerDigits;
  U32 u32UpperSample;
  U32 u32LowerSample;
  U32 u32HistoryHeight;
  U32 u32DepthRangeLookback;
  BOOLEAN bVerticalScroll;
};

enum QUAD_LAYOUT : U32 {
  QUAD_LAYOUT_3_PANE_FLAT = 0,
  QUAD_LAYOUT_HORIZONTAL = 1,
  QUAD_LAYOUT_VERTICAL = 2,
  QUAD_LAYOUT_3_PANE_SLANTED = 3,
};

enum SIDE_BEAM_VIEW : U32 {
  SIDE_BEAM_LEFT = 1,
  SIDE_BEAM_RIGHT = 2,
  SIDE_BEAM_BOTH = 3,
};

struct SONAR_VIEW_INFO {
  SONAR_WINDOW Window[HISTORY_WINDOWS];
  BEAM RTSBeam;
  U32 u32RTSWidth;
  U32 u32DepthLines;
  U32 u32ZoomLevel;
  U32 u32ChartSpeed;
  POST_PROCESS_MODE BottomView;
  UNIT_TYPE unitsDepth;
  F32 fMinDepthRangeDifference;
  BOOLEAN bFishID;
  BOOLEAN bColorIntensityBar;
  BOOLEAN bBottomLockZoom;
  F32 fBottomRange;
  QUAD_LAYOUT eQuadLayout;
};

typedef COLOR BLENDING_FUNCTION(COLOR colour, U32 u32Sample, BOOLEAN bNoiseTooHigh);

struct FULL_SCREEN_TSU {
  U32 u32NextFreeColumn;
  U32 u32ColumnsInUse;
  TSU_STORE_COLUMN aTsuStore[HISTORY_RING_SLOTS];
};

struct BEAM_INFO {
  BOOLEAN bPinging;
  BEAM beamBlend;
  BOOLEAN bFishListDirty;
  BLENDING_FUNCTION* pfBlend;
  SONAR_WINDOW* pMain;
  SONAR_WINDOW* pZoom;
  FULL_SCREEN_TSU* pTSUStore;
  S8 s8Gain;
  FISH_TARGET_LIST FishList;        // fish of the column under construction
  FISH_TARGET_HISTORY FishHistory;  // fish of the last 820 columns
};

// ------------------------------------------------------------ shared data
extern SONAR_VIEW_INFO SonarViewInfo;
extern BEAM_INFO s_sBeamInfo[HISTORY_BEAMS];
extern FULL_SCREEN_TSU TSUStore[4];
extern GRAYSCALE_TABLE StandardBeamGrayScaleTable;
extern GRAYSCALE_TABLE SidescanGrayScaleTable;
extern GRAYSCALE_TABLE NadscanGrayScaleTable;
extern COLOR s_aColorColumnMain[4][800];
extern COLOR s_aColorColumnZoom[4][800];
extern COLOR s_aColorColumnNadscan[800];
extern std::atomic<COLOR> BackGroundColor;
extern std::atomic<BOOLEAN> bForceResample;
extern std::atomic<BOOLEAN> gbSonarWindowsSetup;
extern S32 s32UpperRange;
extern S32 s32LowerRange;
extern std::atomic<BOOLEAN> s_bEnableShortTxPing;
// Which fish sizes sound the fish alarm (from YSFA).
extern std::atomic<FISH_SIZE_ALARM> s_FishAlarmSize;

// Creates the data once (bitmaps over static blocks, stores with their
// buffers, beam records with their blend set-up); a second call only
// empties stores and rings again.
void S_HISTORY_vCreate(void);
// Lays a history bitmap out as 800 × 600, or 600 × 800 when it scrolls
// vertically.
void S_HISTORY_vLayOutBitmap(SONAR_WINDOW* pWindow, BOOLEAN bVertical);
// Fills a window's ring with the background and restarts it at column 0.
void S_HISTORY_vFillBackground(SONAR_WINDOW* pWindow);
// Empties the four stores and the three rings (background, next column 0).
void S_HISTORY_vEmpty(void);

void S_TSU_vResetColumn(TSU_STORE_COLUMN* pTsuColumn);
void S_TSU_vCopyTsuColumn(TSU_STORE_COLUMN* DestColumn, const TSU_STORE_COLUMN* SrcColumn);

// Samples of a depth in metres: (truncate(m × 2,000,000 / c) + 13) / 26.
U32 S_HISTORY_u32MetresToSample(F32 fMetres);

// ------------------------------------------------------------ ring primitives
void vDrawColumnInHistory(const COLOR* pNewColumn, SONAR_HISTORY* pHistory, U32 u32UpperPixel, U32 u32LowerPixel);
void vDuplicateColumnInHistory(SONAR_HISTORY* pHistory, U32 u32UpperPixel, U32 u32LowerPixel);
void vClearColumnInHistory(SONAR_HISTORY* pHistory, U32 u32UpperPixel, U32 u32LowerPixel);
void vAdvanceHistory(SONAR_HISTORY* pHistory);
// Copies the ring unwrapped into pBmp, the newest column at u32XOffset.
// FALSE (nothing copied, traced) for a width of 0 or an offset left of the
// width.
BOOLEAN vCopyHistoryToBitmap(BITMAP* pBmp, SONAR_HISTORY* pHistory, U32 u32DestinationWidthInPixels, U32 u32XOffset);
// The newest column of a ring (normal scrolling).
U32 S_HISTORY_u32NewestColumn(const SONAR_HISTORY* pHistory);
// Reverse scrolling (playback rewinding): rings advance downward.
extern std::atomic<BOOLEAN> s_bReverseScroll;

// ------------------------------------------------------------ rebuild
void vTotalScreenUpdate(SONAR_WINDOW* pSonarWindow, U32 u32ScreenHeight, U32 u32Width, POST_PROCESS_MODE BottomView,
                        BOOLEAN bBottomLockZoom);

// ------------------------------------------------------------ palettes
// Loads the 2D palette of SSPL into entries 0-31 and sets the background
// and frequency-indicator colours for the display palette (SPAL).
void T_N_HISTORY_vSet2DColorTable(U32 ePalette);
// The same with the palette number given (tests; SSPL otherwise).
void S_PALETTE_vLoad2D(U32 u32SonarPalette, U32 ePalette);
// Loads imaging palette 1-8 into entries 200-231; other values change
// nothing and return FALSE.
BOOLEAN T_N_HISTORY_vSetSonarColorTable(U32 u32Color);
// A 2D palette (1-7, others read as 1) and an imaging palette (1-8) as
// stored.
const COLOR* S_PALETTE_pc2D(U32 u32SonarPalette);
const COLOR* S_PALETTE_pcImaging(U32 u32Color);
extern std::atomic<COLOR> s_colorFrequencyIndicator;
BLENDING_FUNCTION colorBlend83;
BLENDING_FUNCTION colorBlend200;
BLENDING_FUNCTION colorBlendDILeft;
BLENDING_FUNCTION colorBlendDIRight;
// The 220-m limit of the 200 kHz beam in samples at the speed of sound.
U32 S_PALETTE_u32Blend200Limit(void);
