// Depth alarms: the local one (every published depth against YSDA) and the
// remote one (the depth another control head reports, IDER, against CRDA).
// Raising and clearing go to the alarm task; a cancel here is passed to the
// unit-link gateway task (mailbox 42) for the other head, and a cancel made
// there arrives through the two remote-cancel calls.
//
// Threads: the comparisons run on the sonar processing task, the cancel callbacks
// on the alarm task (with its table lock held: they only store and post
// without waiting) and the remote cancels on the gateway task. Each source's
// state and stamp are atomics.
#pragma once

#include "common/types.h"
#include "lsvc/lsvc.h"
#include "source/core/h_sound.h"
#include "source/startup/t_gateway.h"

enum DEPTH_ALARM_STATE : S32 {
  DEPTH_ALARM_ACTIVE = 0,
  DEPTH_ALARM_MANUALLY_CANCELLED = 1,
  DEPTH_ALARM_CLEARED = 2,
};

enum DEPTH_SOURCE : S32 {
  DEPTH_SOURCE_LOCAL_DEPTH = 0,
  DEPTH_SOURCE_REMOTE_DEPTH = 1,  // any non-zero source counts as remote
};


constexpr U32 DEPTH_ALARM_HOLD_MS = 5000;

extern SOUND depth_alarm_sound;
extern SOUND depth_reminder_sound;

// Registers the two alarm sounds (processing task, once at start).
void S_DEPTHALARM_vInitDepthAlarms(void);
// The alarm rule for one depth (metres) against a set point (metres, 0 off).
// A depth that is not positive (no bottom, a lost remote reading) changes
// nothing.
void S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE eSource, F32 fDepth, F32 fSetPoint);
// The shallow-and-deep alarm: the shallow set point as above (its raise
// reads "Shallow Water"), and a deep set point (metres, 0 off) that alarms
// at or beyond it ("Deep Water") and releases as the shallow side does,
// mirrored. Each set point keeps its own state and hold.
void S_DEPTH2ALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE eSource, F32 fDepth, F32 fShallowSetPoint,
                                                        F32 fDeepSetPoint);
// The other head cancelled the local (remote) alarm.
void S_DEPTHALARM_vRemotelyCancelledDepthAlarm(void);
void S_DEPTHALARM_vRemotelyCancelledRemoteDepthAlarm(void);
// State of a source (tests, state dump).
DEPTH_ALARM_STATE S_DEPTHALARM_eState(DEPTH_SOURCE eSource);
// State of a source's deep side (tests).
DEPTH_ALARM_STATE S_DEPTH2ALARM_eDeepState(DEPTH_SOURCE eSource);
// Back to the armed start (tests).
void S_DEPTHALARM_vReset(void);
