// Inside the ping task: the working settings it mirrors from the database,
// the state its handlers share, and the calls between its modules (the
// task and cycles, the settings, the local sonar sources). Everything here
// runs in the ping task unless a comment says otherwise.
#pragma once

#include <atomic>

#include "common/db_types.h"
#include "common/types.h"
#include "source/sonar/sonar_types.h"
#include "source/sonar/u_ping.h"

// ------------------------------------------------------------ settings (database mirrors)
extern BOOLEAN s_bSonarEnabled;            // SSEN
extern F32 s_db_MaximumDepthToPing;        // SSMD, metres; 0 automatic
extern U32 s_db_u32TransmitCycles;         // SSTC; 0 automatic
extern U32 s_db_u32TransmitPower;          // SSTP; 0 automatic
extern U32 s_unitsDepth;                   // SUDP, a UNIT_TYPE
extern BOOLEAN s_bJiggingModeOn;           // SJIG at start, YJIG later
extern U32 s_u32MaxPingsPerSecond;         // SRPS
extern BOOLEAN s_bPingTvgView;           // STVG
extern U32 s_db_TransducerSelect;          // SSTS as applied
extern U32 s_u32WaterType;                 // YSWA
extern BOOLEAN s_bAutoDepthRange;          // from YSLD
extern U32 s_u32DelayAfterLFBeamMS;        // SLFD
extern U32 s_u32PlaybackMode;              // CPSP
extern BOOLEAN s_bRecordingActive;         // CSRE
// The ping masks also change on the unit network's task (switching a
// source between local and network): atomics.
extern std::atomic<U32> s_u32LocalPingMask;    // ELPM
extern std::atomic<U32> s_u32ClientPingMask;   // ECPM
extern std::atomic<U32> s_u32NetworkPingMask;  // ENPM
extern S32 s_s32LocalPingMaskSonarOff;     // ELPM when the sonar was switched off; -1 none

// ------------------------------------------------------------ ping task state the settings touch
extern BOOLEAN s_bSystemPinging;
extern BOOLEAN s_bBurnInMode;
extern U64 s_TimeStampOfLastPing;
extern BOOLEAN s_bNeedSeekPing;    // handed to the recording reader
extern BOOLEAN s_bPingReverseScroll;   // the recording scrolls backwards

// ------------------------------------------------------------ the task's own calls
// Both with RES_SONAR_SHARE held.
void vUpdateSystemState(SYSTEM_STATE eState);
BOOLEAN bShouldSystemPing(void);
// One null ping (keeps the coprocessor cycling and returns its descriptor).
void vPerformNullPing(void);

// ------------------------------------------------------------ settings
// Defaults, registrations and the restore of the sonar sources; ends by
// asking the database for every registered value.
void vRegisterDatabaseItems(BOOLEAN bForceFactoryDefaults);
// Applies one changed key.
void vHandleNewData(const MESSAGE_NEW_DATA* pMessage);
// The ISEN indication.
void T_N_PING_vSetSonarViewEnable(void);
// Copies the saved settings of a sonar source into their shown controls.
void T_N_PING_vUpdateLocalDatabaseItems(U16 u16Index);
// Sets or clears ELPM's bits 0-3 from the four flags and writes ELPM.
void T_N_PING_vSetPingBitMask(U32 u32TwoD, U32 u32DI, U32 u32SI, U32 u32Sweep);
// Writes ELPM or ENPM (priority 2) and its mirror when the mask changed.
void vWriteLocalPingMask(U32 u32Mask);
void vWriteNetworkPingMask(U32 u32Mask);
// Sets or clears one source's bit of ELPM, ENPM or ECPM, written (priority
// 2, traced) when it changed; the task's copy of the mask follows.
void vWritePingMaskBit(FOURCHARID key, U32 u32Source, bool bOn);

// ------------------------------------------------------------ local sonar sources
// Unit identifier chosen for each sonar source (low 24 bits; 0xFFFFFF none).
U32 T_N_PING_u32SonarSourceMAC(U32 u32Source);
// Back to no chosen unit for any source (registration, tests).
void T_N_PING_vResetSonarSources(void);
