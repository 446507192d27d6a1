// Threading test: also runs under ThreadSanitizer.
// The depth alarms on the test clock: sequences of depths for each source
// against its set point, the messages they send to a stand-in of the alarm
// task's mailbox, the cancel callbacks the alarm task would call (with the
// gateway message they leave in mailbox 42) and the remote cancels.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/cmd_id.h"
#include "common/u_convert.h"
#include "lsvc/lsvc.h"
#include "source/core/h_database.h"
#include "source/platform/platform.h"
#include "source/sonar/s_depthalarm.h"
#include "source/startup/t_alarm.h"
#include "tests/support/db_test_env.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
constexpr MBOX ALARM_STANDIN = M_NMEA;

struct Sent {
  std::vector<std::string> text;
  ALARM_CALLBACK* cancel = nullptr;  // of the last raise
};

Sent Messages() {
  Sent out;
  while (void* p = L_MBOX_Receive(ALARM_STANDIN)) {
    const auto* g = (const GENERIC_MESSAGE*)p;
    if (g->Cmd == CMD_ID_SET_ALARM) {
      const auto* m = (const ALARM_SET_MESSAGE*)p;
      const SOUND* initial = m->pInitialCustomTone;  // copies: the members are packed
      const SOUND* reminder = m->pReminderCustomTone;
      EXPECT_EQ(initial, &depth_alarm_sound);
      EXPECT_EQ(reminder, &depth_reminder_sound);
      EXPECT_EQ(m->InitialToneID, TONE_USE_CUSTOM);
      out.text.push_back("+" + std::to_string(m->Priority) + " " + m->pMessageString);
      out.cancel = m->pFunctionAlarmCancel;
    } else if (g->Cmd == CMD_ID_CLEAR_ALARM) {
      out.text.push_back("-" + std::to_string(((const ALARM_CLEAR_MESSAGE*)p)->Priority));
    }
    H_MEMORY_vFree(p);
  }
  return out;
}

// Gateway messages: their kinds, each checked to carry one byte 1.
std::vector<int> Gateway() {
  std::vector<int> out;
  while (void* p = L_MBOX_Receive(M_GATEWAY)) {
    const auto* m = (const GATEWAY_DATA_MESSAGE*)p;
    EXPECT_EQ(m->msg.Cmd, CMD_ID_GATEWAY_DATA);
    EXPECT_EQ(m->datasrc, 0);
    const U8* data = m->gwdata;  // a copy: the member is packed
    EXPECT_NE(data, nullptr);
    if (data != nullptr) {
      EXPECT_EQ(*data, 1);
    }
    out.push_back(m->datatype);
    H_MEMORY_vFree(m->gwdata);
    H_MEMORY_vFree(p);
  }
  return out;
}

class DepthAlarm : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool once = false;
    if (!once) {
      once = true;
      PLATFORM_vTestClockEnable(PLATFORM_u64MonotonicNs(), 1700000000);
      H_DATABASE_vInit();
      U_CONVERT_vInitialiseConversionUtility();
      H_DATABASE_bUpdateEverythingU32(FCID("TALR"), ALARM_STANDIN, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
    }
    S_DEPTHALARM_vReset();
    Messages();
    Gateway();
  }
};

struct Step {
  DEPTH_SOURCE source;
  F32 depth;
  F32 setPoint;
  U32 after;  // ms since the step before
  std::vector<std::string> sent;
  DEPTH_ALARM_STATE state;
};

constexpr DEPTH_SOURCE L = DEPTH_SOURCE_LOCAL_DEPTH;
constexpr DEPTH_SOURCE R = DEPTH_SOURCE_REMOTE_DEPTH;
constexpr DEPTH_ALARM_STATE ON = DEPTH_ALARM_ACTIVE;
constexpr DEPTH_ALARM_STATE OFF = DEPTH_ALARM_CLEARED;
constexpr DEPTH_ALARM_STATE CANCELLED = DEPTH_ALARM_MANUALLY_CANCELLED;

TEST_F(DepthAlarm, Sequences) {
  // 10 ft is 3.048 m: the band above a 10 m set point ends at 13.048 m.
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"raise once, held within the band",
       {{L, 12, 10, 0, {}, OFF},
        {L, 9.9f, 10, 100, {"+3 Depth Alarm"}, ON},
        {L, 10.5f, 10, 100, {}, ON},
        {L, 11, 10, 100, {}, ON},
        {L, 9, 10, 100, {}, ON}}},
      {"beyond the band clears at once", {{L, 9.9f, 10, 0, {"+3 Depth Alarm"}, ON}, {L, 15, 10, 100, {"-3"}, OFF}}},
      {"inside the band clears after 5 s",
       {{L, 9.9f, 10, 0, {"+3 Depth Alarm"}, ON},
        {L, 10.5f, 10, 5000, {}, ON},
        {L, 13.0f, 10, 1, {"-3"}, OFF}}},
      {"equal to the set point raises", {{L, 10, 10, 0, {"+3 Depth Alarm"}, ON}}},
      {"set point 0 clears", {{L, 9, 10, 0, {"+3 Depth Alarm"}, ON}, {L, 9, 0, 100, {"-3"}, OFF},
                              {L, 9, 0, 100, {}, OFF}}},
      {"no depth changes nothing",
       {{R, 0, 10, 0, {}, OFF}, {R, -5, 10, 0, {}, OFF}, {R, 9, 10, 0, {"+4 Remote Depth Alarm"}, ON},
        {R, 0, 10, 10000, {}, ON}}},
      // One stamp per source: a shallow remote depth does not hold up the
      // local alarm's release.
      {"stamps per source",
       {{L, 9, 10, 0, {"+3 Depth Alarm"}, ON},
        {R, 9, 10, 4000, {"+4 Remote Depth Alarm"}, ON},
        {L, 11, 10, 1001, {"-3"}, OFF},
        {R, 11, 10, 0, {}, ON}}},
  };
  for (const Case& c : cases) {
    SetUp();
    int n = 0;
    for (const Step& s : c.steps) {
      PLATFORM_vTestClockAdvanceMs(s.after);
      S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(s.source, s.depth, s.setPoint);
      EXPECT_EQ(Messages().text, s.sent) << c.name << " step " << n;
      EXPECT_EQ(S_DEPTHALARM_eState(s.source), s.state) << c.name << " step " << n;
      ++n;
    }
  }
}

// Cancelled on this unit at 9 m: quiet at 8 m, the gateway hears of it; the
// depth must pass above the set point once before 9 m raises it again.
TEST_F(DepthAlarm, CancelOnThisUnitTellsTheGatewayAndRearmsAboveTheSetPoint) {
  for (DEPTH_SOURCE source : {L, R}) {
    SetUp();
    S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(source, 9, 10);
    const Sent raised = Messages();
    ASSERT_EQ(raised.text.size(), 1u);
    ASSERT_NE(raised.cancel, nullptr);
    raised.cancel();  // as the alarm task does on a key
    EXPECT_EQ(S_DEPTHALARM_eState(source), CANCELLED);
    EXPECT_EQ(Gateway(), std::vector<int>{source == L ? 31 : 32});
    S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(source, 8, 10);
    EXPECT_TRUE(Messages().text.empty());
    S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(source, 10.2f, 10);
    EXPECT_TRUE(Messages().text.empty());
    EXPECT_EQ(S_DEPTHALARM_eState(source), OFF);
    S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(source, 9, 10);
    EXPECT_EQ(Messages().text.size(), 1u);
  }
}

// A cancel on the other head clears the alarm here and keeps it quiet.
TEST_F(DepthAlarm, RemoteCancels) {
  S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(L, 9, 10);
  S_DEPTHALARM_vCompareNewDepthAgainstAlarmSetPoint(R, 9, 10);
  Messages();
  S_DEPTHALARM_vRemotelyCancelledDepthAlarm();
  EXPECT_EQ(Messages().text, std::vector<std::string>{"-3"});
  EXPECT_EQ(S_DEPTHALARM_eState(L), CANCELLED);
  EXPECT_EQ(S_DEPTHALARM_eState(R), ON);
  S_DEPTHALARM_vRemotelyCancelledRemoteDepthAlarm();
  EXPECT_EQ(Messages().text, std::vector<std::string>{"-4"});
  EXPECT_EQ(S_DEPTHALARM_eState(R), CANCELLED);
  EXPECT_TRUE(Gateway().empty());
}

// The shallow-and-deep alarm with a shallow set point of 5 m and a deep one
// of 30 m: each side raises, holds and releases on its own, so a shallow
// alarm stays up while the depth stays shallow, and a deep alarm gets the
// same 10 ft band and 5 s hold.
TEST_F(DepthAlarm, ShallowAndDeepSetPointsKeepTheirOwnStates) {
  struct Step2 {
    F32 depth, shallow, deep;
    U32 after;
    std::vector<std::string> sent;
    DEPTH_ALARM_STATE shallowState, deepState;
  };
  struct Case {
    const char* name;
    std::vector<Step2> steps;
  };
  const Case cases[] = {
      {"shallow alarm stays up while shallow",
       {{4, 5, 30, 0, {"+3 Shallow Water"}, ON, OFF},
        {4.5f, 5, 30, 100, {}, ON, OFF},
        {4, 5, 30, 100, {}, ON, OFF},
        {20, 5, 30, 100, {"-3"}, OFF, OFF}}},
      {"deep alarm at or beyond, held within the band",
       {{30, 5, 30, 0, {"+3 Deep Water"}, OFF, ON},
        {29, 5, 30, 100, {}, OFF, ON},
        {35, 5, 30, 100, {}, OFF, ON},
        {28, 5, 30, 5001, {"-3"}, OFF, OFF}}},
      {"deep alarm clears at once 10 ft shallower",
       {{31, 5, 30, 0, {"+3 Deep Water"}, OFF, ON}, {26.9f, 5, 30, 100, {"-3"}, OFF, OFF}}},
      {"deep set point 0 switches the deep side off",
       {{31, 5, 30, 0, {"+3 Deep Water"}, OFF, ON}, {31, 5, 0, 100, {"-3"}, OFF, OFF}, {40, 5, 0, 100, {}, OFF, OFF}}},
      {"no depth changes nothing", {{0, 5, 30, 0, {}, OFF, OFF}, {-1, 5, 30, 0, {}, OFF, OFF}}},
  };
  for (const Case& c : cases) {
    SetUp();
    int n = 0;
    for (const Step2& s : c.steps) {
      PLATFORM_vTestClockAdvanceMs(s.after);
      S_DEPTH2ALARM_vCompareNewDepthAgainstAlarmSetPoint(L, s.depth, s.shallow, s.deep);
      EXPECT_EQ(Messages().text, s.sent) << c.name << " step " << n;
      EXPECT_EQ(S_DEPTHALARM_eState(L), s.shallowState) << c.name << " step " << n;
      EXPECT_EQ(S_DEPTH2ALARM_eDeepState(L), s.deepState) << c.name << " step " << n;
      ++n;
    }
  }
  // A deep alarm cancelled on this unit tells the gateway and re-arms on
  // the first shallower depth.
  SetUp();
  S_DEPTH2ALARM_vCompareNewDepthAgainstAlarmSetPoint(L, 31, 5, 30);
  const Sent raised = Messages();
  ASSERT_NE(raised.cancel, nullptr);
  raised.cancel();
  EXPECT_EQ(S_DEPTH2ALARM_eDeepState(L), CANCELLED);
  EXPECT_EQ(S_DEPTHALARM_eState(L), OFF);
  EXPECT_EQ(Gateway(), std::vector<int>{31});
  S_DEPTH2ALARM_vCompareNewDepthAgainstAlarmSetPoint(L, 29.5f, 5, 30);
  EXPECT_EQ(S_DEPTH2ALARM_eDeepState(L), OFF);
  S_DEPTH2ALARM_vCompareNewDepthAgainstAlarmSetPoint(L, 31, 5, 30);
  EXPECT_EQ(Messages().text, std::vector<std::string>{"+3 Deep Water"});
}

}  // namespace
