// State of the history task that the layout, the column builder and the
// draw callbacks read, and the functions they share inside the history.
#pragma once

#include <atomic>

#include "common/db_types.h"
#include "common/key_types.h"
#include "common/view_types.h"
#include "source/history/s_history.h"

// Settings kept by the history task (written by it, read elsewhere).
extern std::atomic<BEAM> s_beamSelect;             // YSSV: 0, 1, 2 or 4; 255 until set
extern std::atomic<U32> db_u32SideBeamView;        // SSWV
extern std::atomic<U32> s_db_TransducerSelectArray[3];
extern std::atomic<F32> s_fCurrentDepth;           // IDEP, metres
extern std::atomic<U32> s_u32UnZoomedWidth;        // SSZW
extern std::atomic<BOOLEAN> s_bEndFill;
extern std::atomic<BOOLEAN> s_bCursorActive;
extern std::atomic<BOOLEAN> bTemperatureOverlay;
extern std::atomic<BOOLEAN> s_bSelectTvgView;
extern std::atomic<U32> s_u32SystemState;

// ------------------------------------------------------------ layout
extern std::atomic<LAYER_ID> CurrentView;
extern std::atomic<BOOLEAN> bRtsWindowUpdateable;
void vSetupSonarWindows(void);
void vVerifyAndUpdateWindowSettings(LAYER_ID LayerId);
void S_LAYOUT_vReVerifyAndUpdateActiveSonarWindowSettings(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit,
                                                          U32 u32YOffset);
void vCalculateDisplayedDepthRanges(BOOLEAN bForceRecalculation);
F32 S_LAYOUT_fGetLowerRangeForDisplay(void);
void vAutoSelectLowerDepthRange(void);
// The same at a given time (milliseconds of the free-running clock).
void S_LAYOUT_vAutoSelectLowerDepthRangeAt(U32 u32NowMs);
// The deepest depth the automatic range follows (metres).
F32 S_LAYOUT_fDeepestDepth(void);
void S_LAYOUT_vResetDeepest(F32 fDepth, U32 u32StampMs);
void vSetSideBeamRange(BOOLEAN bForceRecalculation);
// The side range chosen from a depth in feet (feet).
F32 S_LAYOUT_fSideRangeFeet(F32 fDepthFeet);
// Copies window 0's range into window 1 (dual-beam and Nadscan plus 2D).
void S_LAYOUT_vCopyWindow0To1(void);
// Under mutex 28: sets the three windows' rebuild triggers.
void vTriggerAllTotalScreenUpdate(void);
// Minimum distance between upper and lower range in metres for a unit; FALSE
// for a unit other than feet, metres and fathoms.
BOOLEAN S_LAYOUT_bMinRangeDifference(UNIT_TYPE eUnits, F32* pfMetres);

// ------------------------------------------------------------ history task
void S_HISTORY_vSelectPingMode(void);
// A key change for the history task: the enhance dialog's keys while it is
// open, else the cursor and zoom keys.
void S_HISTORY_vKey(const MSG_KEY_CHANGE* pKey);
// The views' draw callbacks (installed for the sonar's view registrations).
void S_DRAW_vFullScreenSonar(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
void S_DRAW_vDualBeamView(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
void S_DRAW_vSonarSplit(BITMAP* pBitmap, const WINDOW_SPECIFICATION* pSpec);
