// The ping task: owns the descriptor pool, decides from the system state
// whether and how the unit pings, runs one ping cycle each time a descriptor
// comes back, and routes the filled descriptors to processing.
#pragma once

#include "common/types.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/u_ping.h"

// The task entry (installed as T_N_PING_vMain).
void T_N_PING_vTask(void);

// Depth choice: returns the depth to ping and writes the depth to listen.
F32 fLocalFindDepthToPing(F32* pfDepthToListen);
// Whether a lower-range setting means automatic in the given depth units
// (0 metres, 1 feet, 2 fathoms).
BOOLEAN T_N_PING_bAutoDepthRange(F32 fSetting, U32 u32Units);
// Samples of a listening depth at the speed of sound, at most 55,000.
U32 T_N_PING_u32SamplesForDepth(F32 fMetres);

enum NETWORK_SONAR_PROCESS_TYPE : U32 {
  NETWORK_SONAR_PROCESS = 0,
  NETWORK_SONAR_PROCESS_BLANK = 1,
  NETWORK_SONAR_PROCESS_3D = 2,
};
// The router: a filled descriptor goes to processing (mailbox 9) or back to
// the pool; it always leaves the caller's hands.
void X_pingDataDirector(NET_SOURCE_TYPE eNetSourceType, BOOLEAN isRecordPlayback,
                        NETWORK_SONAR_PROCESS_TYPE processType, BOOLEAN blankPing, PING_DESCRIPTOR* pReturn1,
                        PING_DESCRIPTOR* pReturn2, PING_DESCRIPTOR* pReturn3);
NET_SOURCE_TYPE T_N_PING_eGetNetSourceType(BEAM Beam, U32 u32Transducer);

// The local road of the network client: a source of this unit's transducer
// is pinged locally.
void T_N_PING_vSwitchToLocalSonar(U32 u32Source);
void T_N_PING_vUpdateSonarSource(void);

// ------------------------------------------------------------ playback
// One step of the playback reader: reads the next recorded ping (or blank
// column) at the recorded pace and routes it. Outside playback it sleeps.
void T_N_PING_vRecordPlayback(void);
// The playback reader's task entry (installed as T_READ_RECORD_PINGDATA_vMain).
void T_N_PING_vPlaybackTask(void);
// Keeps CSBP: bit b set while beam b appeared among the last 12 pings read.
void vUpdateReadBeamPinging(BEAM Beam, BOOLEAN bInitialize, BOOLEAN bClearBeam);
// Entering playback: pacing and read beams start afresh.
void T_N_PING_vResetPlayback(void);

// The processing task until it is built: takes each routed ping, counts it
// by beam and returns the descriptor (TSNR, mailbox 9).
void T_N_PROCESS_vLeast(void);
// The history task until it is built: registers TSMG, writes the transducer
// defaults (SSTS, YST1-3) and empties its mailbox.
void T_N_HISTORY_vLeast(void);
// Pings of each beam the least processing task has taken.
U32 T_N_PROCESS_u32PingsOfBeam(BEAM Beam);
