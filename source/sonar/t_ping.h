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
// Sources pinged by this unit's transducer (ECPM | ELPM), and sources the
// unit's own views take (ENPM | ELPM). Any thread: read from the keys.
U32 T_N_PING_u32GetSourcesToPingOnLocalTx(void);
U32 T_N_PING_u32GetSourcesSelectedByLocal(void);
// Jigging: both depths follow the displayed lower range (12 m below a
// 10 m range, else 2 m beyond it).
void T_N_PING_vModifyPingDepth(F32* pfDepthToPing, F32* pfDepthToListen);
// Whether a lower-range setting (metres) means automatic in the given depth
// units (U_METRES, U_FEET or U_FATHOMS; FALSE for any other units).
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

// The local road of the sonar sources. Switching serves a source (0 2D,
// 1 DI, 2 SI, 3 360) with this unit's transducer when the selected
// transducer offers it (TRUE), else traces and answers FALSE. Updating
// applies a chosen unit (its identifier, -1 none) to a source; the second
// is the receive side's copy. Without the unit's own identifier (SMAC) an
// update does nothing.
BOOLEAN T_N_PING_vSwitchToLocalSonar(U32 u32Source);
void T_N_PING_vUpdateSonarSource(S32 s32SonarSource, U16 u16SourceType);
void T_NET_PING_RECEIVE_vUpdateSonarSource(S32 s32SonarSource, U16 u16SourceType);

// Entries of the 3D sonar tasks, which this unit never runs: each ends
// itself at once.
void T_3D_vEndAtOnce(void);
// Applies a changed key as the task's own notice would (shared controls
// written without notifying the task).
void T_N_PING_vApplyNewData(FOURCHARID fcid, U32 u32Value);

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


// Text for the factory link on serial port 1: each character into its
// transmit queue, waiting while the queue is full. A null text sends
// nothing.
void T_N_PING_vSendString(const char* pcText);
// Kept for callers of the ping list and the side-beam range; both do
// nothing.
void T_N_PING_vClearPingList(BOOLEAN bFromNetwork);
void T_N_PING_vSetSideBeamRange(F32 fSideBeamRange);
