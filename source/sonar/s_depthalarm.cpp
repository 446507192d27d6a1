// Depth alarms. Each source keeps its own state and its own stamp of the
// last depth at or shallower than its set point, so a shallow depth from
// one source never holds up the other source's alarm.
#include "source/sonar/s_depthalarm.h"

#include <string.h>

#include <atomic>

#include "common/cmd_id.h"
#include "common/db_types.h"
#include "common/language.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/core/u_sound.h"
#include "source/startup/t_alarm.h"

SOUND depth_alarm_sound = {"depth_alarm_sound", 200000, 21729, nullptr};
SOUND depth_reminder_sound = {"depth_reminder_sound", 200000, 21729, nullptr};

namespace {

#define DEPTH_TEXT_RECORD(name, text)                                                                     \
  const char* const name[NUMBER_OF_LANGUAGES] = {text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text, text, text, \
                                                 text, text, text, text, text, text}
DEPTH_TEXT_RECORD(s_txtDepthAlarm, "Depth Alarm");
DEPTH_TEXT_RECORD(s_txtRemoteDepthAlarm, "Remote Depth Alarm");
DEPTH_TEXT_RECORD(s_txtShallowWater2, "Shallow Water");
DEPTH_TEXT_RECORD(s_txtDeepWater, "Deep Water");

struct Source {
  std::atomic<S32> state{DEPTH_ALARM_CLEARED};
  std::atomic<U32> stamp{0};
};
Source s_sources[2];
// The deep side of the shallow-and-deep alarm keeps its own state and
// stamp per source, so it never takes down what the shallow side raised.
Source s_deep[2];

int nIndex(DEPTH_SOURCE e) { return e == DEPTH_SOURCE_LOCAL_DEPTH ? 0 : 1; }

const char* pcText(DB_TEXT_RECORD record) {
  U32 language = 0;
  if (!H_DATABASE_bFetchU32(FCID("SLNG"), &language) || language >= (U32)NUMBER_OF_LANGUAGES) language = 0;
  return record[language];
}

void vGateway(GATEWAY_DATA_IDS id) {
  auto* m = (GATEWAY_DATA_MESSAGE*)H_MEMORY_pvMallocNoWait(sizeof(GATEWAY_DATA_MESSAGE));
  auto* data = (U8*)H_MEMORY_pvMallocNoWait(1);
  if (m == nullptr || data == nullptr) {
    H_MEMORY_vFree(m);
    H_MEMORY_vFree(data);
    return;
  }
  memset(m, 0, sizeof *m);
  m->msg.Cmd = CMD_ID_GATEWAY_DATA;
  m->datatype = id;
  m->datasrc = 0;
  *data = 1;
  m->gwdata = data;
  if (L_MBOX_Send(M_GATEWAY, m, 3, 0) != lsSUCCESS) {
    H_MEMORY_vFree(data);
    H_MEMORY_vFree(m);
  }
}

// Runs on the alarm task with its table lock held: stores and posts only.
void vLocalCancel() {
  s_sources[0].state.store(DEPTH_ALARM_MANUALLY_CANCELLED);
  vGateway(GW_DP_Cancel_Depth_Alarm);
}
void vRemoteCancel() {
  s_sources[1].state.store(DEPTH_ALARM_MANUALLY_CANCELLED);
  vGateway(GW_DP_Cancel_Remote_Depth_Alarm);
}
void vLocalDeepCancel() {
  s_deep[0].state.store(DEPTH_ALARM_MANUALLY_CANCELLED);
  vGateway(GW_DP_Cancel_Depth_Alarm);
}
void vRemoteDeepCancel() {
  s_deep[1].state.store(DEPTH_ALARM_MANUALLY_CANCELLED);
  vGateway(GW_DP_Cancel_Remote_Depth_Alarm);
}

void vPost(int index, DEPTH_ALARM_STATE state, DB_TEXT_RECORD text = nullptr, bool bDeep = false) {
  const ALARM_PRIORITY kind = index == 0 ? DEPTH_ALARM : REMOTE_DEPTH_ALARM;
  if (state != DEPTH_ALARM_ACTIVE) {
    (void)U_ALARM_bClear(kind);
    return;
  }
  ALARM_SET_MESSAGE a;
  memset(&a, 0, sizeof a);
  a.Priority = kind;
  a.pMessageString = pcText(text != nullptr ? text : index == 0 ? s_txtDepthAlarm : s_txtRemoteDepthAlarm);
  a.InitialToneID = TONE_USE_CUSTOM;
  a.pInitialCustomTone = &depth_alarm_sound;
  a.ReminderToneID = TONE_USE_CUSTOM;
  a.pReminderCustomTone = &depth_reminder_sound;
  if (bDeep) {
    a.pFunctionAlarmCancel = index == 0 ? &vLocalDeepCancel : &vRemoteDeepCancel;
  } else {
    a.pFunctionAlarmCancel = index == 0 ? &vLocalCancel : &vRemoteCancel;
  }
  (void)U_ALARM_bSet(&a);
}

}  // namespace

void S_DEPTHALARM_vInitDepthAlarms(void) {
  U_SOUND_vRegisterSound(&depth_alarm_sound, TRUE);
  U_SOUND_vRegisterSound(&depth_reminder_sound, TRUE);
}

namespace {

// The alarm rule for one side of a source. The shallow side alarms at or
// above the set point (depth at most the set point); the deep side at or
// beyond it. Leaving the alarm zone releases an active alarm once the depth
// is 10 ft clear of the set point or has stayed out for more than 5 s; a
// cancelled alarm re-arms on the first depth out of the zone. Answers TRUE
// when it raised the alarm.
bool bRule(int i, Source& s, F32 fDepth, F32 fSetPoint, bool bDeep, DB_TEXT_RECORD text) {
  if (fSetPoint == 0.0f) {
    if (s.state.load() == DEPTH_ALARM_ACTIVE) {
      s.state.store(DEPTH_ALARM_CLEARED);
      vPost(i, DEPTH_ALARM_CLEARED);
    }
    return false;
  }
  if (!(fDepth > 0.0f)) return false;  // no depth: neither raises nor releases
  const U32 now = H_TICK_u32ReadFreeRunningTimerInMilliSeconds();
  const bool inZone = bDeep ? fDepth >= fSetPoint : fDepth <= fSetPoint;
  if (inZone) {
    s.stamp.store(now);
    if (s.state.load() == DEPTH_ALARM_CLEARED) {
      s.state.store(DEPTH_ALARM_ACTIVE);
      vPost(i, DEPTH_ALARM_ACTIVE, text, bDeep);
      return true;
    }
    return false;
  }
  const S32 state = s.state.load();
  if (state == DEPTH_ALARM_MANUALLY_CANCELLED) {
    s.state.store(DEPTH_ALARM_CLEARED);
    return false;
  }
  const F32 band = (F32)dConvertToInternal(10.0, D_DEPTH, U_FEET);
  const bool inBand = bDeep ? fDepth >= fSetPoint - band : fDepth <= fSetPoint + band;
  if (inBand && now - s.stamp.load() <= DEPTH_ALARM_HOLD_MS) return false;
  if (state == DEPTH_ALARM_ACTIVE) {
    s.state.store(DEPTH_ALARM_CLEARED);
    vPost(i, DEPTH_ALARM_CLEARED);
  }
  return false;
}

}  // namespace

void S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE eSource, F32 fDepth, F32 fSetPoint) {
  const int i = nIndex(eSource);
  (void)bRule(i, s_sources[i], fDepth, fSetPoint, false, nullptr);
}

void S_DEPTH2ALARM_vCompareNewDepthAgainstAlarmSetPoint(DEPTH_SOURCE eSource, F32 fDepth, F32 fShallowSetPoint,
                                                        F32 fDeepSetPoint) {
  const int i = nIndex(eSource);
  if (bRule(i, s_sources[i], fDepth, fShallowSetPoint, false, s_txtShallowWater2)) return;
  (void)bRule(i, s_deep[i], fDepth, fDeepSetPoint, true, s_txtDeepWater);
}

void S_DEPTHALARM_vRemotelyCancelledDepthAlarm(void) {
  vPost(0, DEPTH_ALARM_CLEARED);
  s_sources[0].state.store(DEPTH_ALARM_MANUALLY_CANCELLED);
}

void S_DEPTHALARM_vRemotelyCancelledRemoteDepthAlarm(void) {
  vPost(1, DEPTH_ALARM_CLEARED);
  s_sources[1].state.store(DEPTH_ALARM_MANUALLY_CANCELLED);
}

DEPTH_ALARM_STATE S_DEPTHALARM_eState(DEPTH_SOURCE eSource) {
  return (DEPTH_ALARM_STATE)s_sources[nIndex(eSource)].state.load();
}

DEPTH_ALARM_STATE S_DEPTH2ALARM_eDeepState(DEPTH_SOURCE eSource) {
  return (DEPTH_ALARM_STATE)s_deep[nIndex(eSource)].state.load();
}

void S_DEPTHALARM_vReset(void) {
  for (Source& s : s_deep) {
    s.state.store(DEPTH_ALARM_CLEARED);
    s.stamp.store(0);
  }
  for (Source& s : s_sources) {
    s.state.store(DEPTH_ALARM_CLEARED);
    s.stamp.store(0);
  }
}
