// The ping processing task (PROCESSTASK, mailbox 9, key TSNR): records,
// filters, gains and keel-shifts each routed ping, finds the bottom,
// publishes the best depth across beams as IDEP and checks the depth
// alarms, looks for fish, folds the ping into its beam's return accumulator
// (s_accum.h), returns the descriptor and paces the history columns.
#pragma once

#include "common/types.h"
#include "source/sonar/sonar_types.h"

// The task entry (installed as T_N_PROCESS_vMain).
void T_N_PROCESS_vTask(void);

// Best depth of the 200 kHz and low-frequency depths in 26 µs units, for
// other tasks (the history's rebuild): an evaluation of the current
// best-depth counters that changes none of them, so a redraw never steers
// the live depth choice.
U32 T_N_PROCESS_u32SelectBestDepthInSamples(U32 u32Depth200, U32 u32DepthLF);
// Best depth in metres of the 200 kHz, low-frequency and short-transmit
// depths; counts each call in the best-depth counters (the processing
// task's own choice).
F32 T_N_PROCESS_fSelectBestDepthInMeters(F32 f200, F32 fLF, F32 fShort);
// The two-beam rule of the down-looking imaging transducers, without its
// counter and the digital-depth-source test.
F32 T_N_PROCESS_fSelectBestDepthInMetersDIModels(F32 f200, F32 f455);
// Publishes a depth in metres as IDEP (at most every 250 ms, never one that
// is not positive) and checks the local depth alarm.
void T_N_PROCESS_vUpdateDepthInDatabase(F32 fMetres);

// Pings of each beam the task has taken (state dump, tests).
U32 T_N_PROCESS_u32PingsOfBeam(BEAM Beam);

// The best-depth counters (tests, state dump).
struct BEAM_DEPTH_HISTORY {
  BEAM LastChosenBeam;
  U32 u32HFBeamValidCnt, u32HFBeamInValidCnt;
  U32 u32LFBeamValidCnt, u32LFBeamInValidCnt;
  U32 u32ShortTxBeamValidCnt, u32ShortTxBeamInValidCnt;
  U32 u32UnknownDepth;
};
BEAM_DEPTH_HISTORY T_N_PROCESS_sBeamDepthHistory(void);
// The task's module state back to its start values, as the task sets them
// (tests that call the depth functions without the task).
void T_N_PROCESS_vResetState(void);
// Settings the depth choice reads, as the key notices set them (tests
// without the task).
void T_N_PROCESS_vSetDepthChoice(U32 u32WaterType, F32 fLowerRange, U8 u8SelectedBeam, U32 u32View);
