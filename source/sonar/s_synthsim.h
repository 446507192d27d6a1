// The sonar simulator: replays a recording (DIREV2.IDX, 4-byte big-endian
// offsets; DIREV2.SON, big-endian ping records) one ping per call, looping,
// and keeps a synthetic bottom-depth model.
#pragma once

#include "common/types.h"
#include "source/sonar/u_ping.h"

#define SYNTHSIM_INDEX_FILE "/usr/tessix/SONARSIM/DIREV2.IDX"
#define SYNTHSIM_DATA_FILE "/usr/tessix/SONARSIM/DIREV2.SON"
constexpr U32 SYNTHSIM_RECORD_HEADER_BYTES = 23;

// With a descriptor: fills it with the next recorded ping, 0.0. With null:
// advances the synthetic ping counter and returns the synthetic depth.
F32 S_SYNTHSIM_fSynthesizeReturn(PING_DESCRIPTOR* pPing);
// As above with a descriptor; TRUE when it was filled. A corrupt record
// (beam above 3, more than 55,000 samples) or a short one is skipped; after
// one pass through the index without a good record nothing is filled.
BOOLEAN S_SYNTHSIM_bReplayPing(PING_DESCRIPTOR* pPing);
// The synthetic depth at a ping count (1 to 7200).
F32 S_SYNTHSIM_fDepthAtCount(U32 u32Count);
// Closes the files so the next call opens them again (tests).
void S_SYNTHSIM_vClose(void);
