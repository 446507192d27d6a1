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
