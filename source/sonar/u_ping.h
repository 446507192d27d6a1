// Ping descriptors, their pool of 24 circulating through Q_PING, and the
// ping state shared by the sonar tasks.
#pragma once

#include "common/db_types.h"
#include "common/types.h"
#include "common/view_types.h"
#include "lsvc/lsvc.h"
#include "common/ping_types.h"
#include "source/sonar/sonar_types.h"

constexpr U32 PING_DESCRIPTORS = 24;
// CMD_ID_SONAR_PROCESS_PING: the descriptor passes to the receiver.
struct PING_MESSAGE {
  GENERIC_MESSAGE Header;
  PING_DESCRIPTOR* pReturnDescriptor;
};

// CMD_ID_BLANK_SCROLL_PING: an empty column for the beam.
struct MSG_BLANK_SCROLL_PING {
  GENERIC_MESSAGE Header;
  BEAM Beam;
  U32 u32TransmitFrequencyHertz;
};

// CMD_ID_NEW_PLAYBACK_STATE: the playback mode (CPSP) changed.
struct MSG_NEW_PLAYBACK_STATE {
  GENERIC_MESSAGE Header;
  U32 u32NewPlaybackState;
};

// CMD_ID_SONAR_PROCESS_TRIPLE_PING: three pings for the 3D sonar.
struct TRIPLE_PING_MESSAGE {
  GENERIC_MESSAGE Header;
  PING_DESCRIPTOR* apReturnDescriptor[3];
  BOOLEAN bBlankPing;
};

enum NETWORK_CLIENT_STATE : U32 {
  NETWORK_CLIENT_STATE_INIT = 1,
  NETWORK_CLIENT_STATE_LOCAL = 2,
  NETWORK_CLIENT_STATE_REGISTER = 3,
  NETWORK_CLIENT_STATE_CONNECTED = 4,
  NETWORK_CLIENT_STATE_DISCONNECTED = 5,
};

// Builds the pool (once per process; a second call only refills the queue
// with every descriptor) and defines Q_PING with SEMA_PING_QNE. Fatal on a
// queue failure.
void vInitialisePingDescriptorQueue(void);
PING_DESCRIPTOR* U_PING_pGetDescriptor(U32 u32Index);  // the pool's entries
// Takes a descriptor, waiting while the pool is empty; puts one back (fatal
// when the queue refuses it).
PING_DESCRIPTOR* U_PING_pTakeDescriptor(void);
void U_PING_vReturnDescriptor(PING_DESCRIPTOR* pDescriptor);

NETWORK_CLIENT_STATE U_PING_eGetNetworkClientState(U32 u32Index);
void U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE eState, U32 u32Index);
SYSTEM_STATE U_PING_eGetSystemState(void);
void U_PING_vSetSystemState(SYSTEM_STATE eState);
BOOLEAN U_PING_bGetPlayback(void);
void U_PING_vSetPlayback(BOOLEAN bPlayback);
BOOLEAN U_PING_bGetDeepWaterMode(void);
void U_PING_vSetDeepWaterMode(BOOLEAN bDeep);
U32 U_PING_u32GetDepthKnownCnt(void);
void U_PING_vSetDepthKnownCnt(U32 u32Count);
void U_PING_vIncrementDepthKnownCnt(U32 u32Add);
F32 U_PING_fGetCurrentDepth(void);
void U_PING_vSetCurrentDepth(F32 fDepth);
BEAM U_PING_beamGetBeamSelected(void);
void U_PING_vSetBeamSelected(BEAM beam);
LAYER_ID U_PING_layeridGetCurrentView(void);
void U_PING_vSetCurrentView(LAYER_ID view);
// Back to the start values (tests).
void U_PING_vResetState(void);
