// Column building: each due column of a beam cut from its return
// accumulator into the beam's store, coloured and written into the rings
// that show the beam, directly or blended (processing task's thread).
#pragma once

#include <atomic>

#include "source/history/s_history.h"

// Builds u32NumColumns columns of the beam (installed as
// T_N_HISTORY_vAddColumns).
void S_COLUMNS_vAddColumns(U32 u32NumColumns, U8 Beam, U8 u8Transducer);
void vProcessAccumulators(U8 u8Beam);
// The bottom-black start index for a depth in a window of h pixels
// showing upper to lower metres.
U32 S_COLUMNS_u32BottomIndex(F32 fDepth, F32 fUpper, F32 fLower, U32 h);
// Amplitudes × 2.5, at most 255 (quad-beam imaging).
void S_COLUMNS_vQuadBoost(U8* pu8Column, U32 u32Length);
// The two imaging bytes combined by the weights of SDBW (0: the smaller,
// 1: 90/256 of the larger and 166/256 of the smaller, 2 and others: the
// larger).
U8 S_COLUMNS_u8CombineNadscan(U8 a, U8 b, U32 u32Sdbw);
// The Nadscan filter (SDSL: 0 off, 1 to 3 low, medium and high
// sharpening) runs over successive Nadscan columns of at most 600 samples:
// each column comes out as the sharpened column before it. Each user (the
// column builder, the rebuild, the zoom inset) keeps its own three lines and
// line counter; a flagged filter forgets its lines before its next column.
extern std::atomic<U32> s_u32NadscanFilter;
struct NADSCAN_FILTER {
  U8 au8Lines[3 * 600];
  U32 u32Line;
  std::atomic<BOOLEAN> bClear;
};
enum NADSCAN_FILTER_USER : U32 { NADSCAN_FILTER_COLUMNS = 0, NADSCAN_FILTER_REBUILD, NADSCAN_FILTER_INSET };
NADSCAN_FILTER* S_COLUMNS_pNadscanFilter(NADSCAN_FILTER_USER eUser);
// Filters the column in place when the setting is not 0 (after forgetting
// the lines when flagged).
void S_COLUMNS_vNadscanFilter(NADSCAN_FILTER* pFilter, U8* pu8Column, U32 u32Length);
// Flags every user's filter (a new setting, a history emptied).
void S_COLUMNS_vFlagNadscanFilters(void);
// The grey-scale table of a window's beam.
const GRAYSCALE_TABLE* S_COLUMNS_pTableForWindow(BEAM Beam);
// Writes a source beam's coloured column through its blend function into
// rows 0 .. h-1 of a ring column (pixels a pitch apart); only colours other
// than the background are written. A window of height 0 or 1 takes no blend.
void S_COLUMNS_vBlendInto(BEAM Source, const COLOR* pColours, const SONAR_WINDOW* pWindow, U32 h, COLOR* pTop,
                          U32 u32Pitch, BOOLEAN bNoise);
// The depth in samples of row i of a blended window.
U32 S_COLUMNS_u32BlendDepth(const SONAR_WINDOW* pWindow, U32 h, U32 i);

// Temperature readings of the chart (newest first, -300 none).
struct TEMPERATURE_RECORD {
  F32 fReading[800];
  F32 fMin;
  F32 fMax;
  BOOLEAN bInitialCycle;
  U32 u32Range;
};
void S_COLUMNS_vTemperatureSample(F32 fValue, BOOLEAN bFahrenheit);
const TEMPERATURE_RECORD* S_COLUMNS_pTemperature(void);
void S_COLUMNS_vResetTemperature(void);
