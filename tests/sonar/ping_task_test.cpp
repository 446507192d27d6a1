// Threading test
// The ping task driven through its mailbox against the coprocessor stand-in:
// the 2D and imaging cycles route their beams to processing, blocks are
// rebuilt only when an input changes, and every descriptor comes back.
#include <gtest/gtest.h>
#include <string.h>
#include <time.h>

#include <regex>
#include <string>

#include "../support/db_test_env.h"
#include "../support/sonar_standin.h"
#include "common/cmd_id.h"
#include "source/core/h_database.h"
#include "source/core/start.h"
#include "source/platform/platform.h"
#include "source/sonar/h_coproc.h"
#include "source/sonar/sonar_install.h"
#include "source/sonar/t_ping.h"
#include "source/sonar/t_process.h"
#include "source/startup/t_startup.h"

namespace {

dbtest::TempInstall& s_install = dbtest::Install();
const bool s_bInstalled = (SONAR_vInstall(), true);

void vSleepMs(long ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

template <typename F>
bool bWaitFor(F f, int ms) {
  for (int i = 0; i < ms / 10; ++i) {
    if (f()) return true;
    vSleepMs(10);
  }
  return f();
}

void vSend(CMD_ID cmd) {
  auto* m = (GENERIC_MESSAGE*)H_MEMORY_pvMalloc(sizeof(GENERIC_MESSAGE));
  memset(m, 0, sizeof *m);
  m->Cmd = cmd;
  ASSERT_EQ(L_MBOX_Send(M_PING, m, 3, 0), lsSUCCESS);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(PingTask, CyclesRouteBeamsAndReturnEveryDescriptor) {
  (void)s_bInstalled;
  sonartest::Standin standin(PLATFORM_sResolvePath(H_COPROC_DEVICE), s_install.base + "/standin",
                             "depth 12\npace 0\npresent yes\nseed 3\n");
  START_vBindMailboxes();
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("CSFL"), 83, P_NORMAL);
  H_DATABASE_bUpdateValueFloat(FCID("SSMD"), 40.0f, P_NORMAL);  // a fixed deepest depth
  H_DATABASE_bUpdateValueU32(FCID("ITXD"), 1, P_NORMAL);        // the transducer found at start
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_NORMAL);
  T_STARTUP_vSetSonarTransducerDetected(TRUE);
  U_PING_vSetBeamSelected(0);  // both 2D beams
  // What the history task announces before the ping task may ping.
  H_DATABASE_bUpdateEverythingU32(FCID("TSMG"), M_HISTORY, P_NORMAL, D_MAILBOX, nullptr, DB_NO_TIMEOUT);
  for (FOURCHARID key : {FCID("YST1"), FCID("YST2"), FCID("YST3")}) H_DATABASE_bUpdateValueU32(key, 1, P_NORMAL);
  L_SEMA_Signal(SEMA_TNHIST_WAIT);
  L_TASK_Start(TASK_PROCESSTASK);
  L_TASK_Start(TASK_PINGTASK);
  vSend(CMD_ID_RUN_SYSTEM);

  // Transducer 1: the 2D cycle, beams 0 and 1 (83 kHz beside 200 kHz).
  ASSERT_TRUE(bWaitFor([] { return T_N_PROCESS_u32PingsOfBeam(0) >= 30 && T_N_PROCESS_u32PingsOfBeam(1) >= 30; },
                       20000));
  EXPECT_EQ(T_N_PROCESS_u32PingsOfBeam(2), 0u);
  EXPECT_EQ(T_N_PROCESS_u32PingsOfBeam(3), 0u);
  U32 elpm = 0;
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("ELPM"), &elpm));
  EXPECT_EQ(elpm, 1u);
  F32 cspd = 0;
  EXPECT_TRUE(H_DATABASE_bFetchFloat(FCID("CSPD"), &cspd));
  EXPECT_FLOAT_EQ(cspd, 40.0f);  // no bottom yet: the search stops at the deepest depth

  // Once the bottom is found the depth to ping follows it (one rebuild);
  // after that the block is no longer rebuilt (counted after a few more
  // pings, so the stand-in's log has caught up with the last one).
  ASSERT_TRUE(bWaitFor([] {
    F32 depth = 0;
    return H_DATABASE_bFetchFloat(FCID("CSPD"), &depth) && depth < 40.0f;
  }, 20000));
  const U32 settled = T_N_PROCESS_u32PingsOfBeam(1);
  ASSERT_TRUE(bWaitFor([&] { return T_N_PROCESS_u32PingsOfBeam(1) >= settled + 10; }, 20000));
  const size_t blocks = Count(standin.Log(), "block 187 bytes");
  const U32 before = T_N_PROCESS_u32PingsOfBeam(1);
  ASSERT_TRUE(bWaitFor([&] { return T_N_PROCESS_u32PingsOfBeam(1) >= before + 20; }, 20000));
  EXPECT_EQ(Count(standin.Log(), "block 187 bytes"), blocks);
  // The 2D block: 83 kHz on channel 0 beside 200 kHz; in the TVG view (on
  // when STVG was never written) the 200 kHz receiver takes bandwidth 3,
  // outside it 1. The bandwidth byte is the sequence's byte 28 (200 kHz in
  // its bits 2-3).
  EXPECT_NE(standin.Log().find("seq 0 5300"), std::string::npos) << standin.Log();
  auto bandwidth200 = [&] {
    const std::string log = standin.Log();
    const size_t at = log.rfind("seq 0 5300");
    if (at == std::string::npos || at + 6 + 58 > log.size()) return -1;
    return (int)(std::stoul(log.substr(at + 6 + 56, 2), nullptr, 16) >> 2 & 3);
  };
  EXPECT_EQ(bandwidth200(), 3) << standin.Log();
  H_DATABASE_bUpdateValueU32(FCID("STVG"), 0, P_NORMAL);
  EXPECT_TRUE(bWaitFor([&] { return bandwidth200() == 1; }, 10000)) << standin.Log();

  // Transducer 15: the imaging cycle, beams 1, 2 (455 kHz down) and 3.
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 15, P_NORMAL);
  ASSERT_TRUE(bWaitFor([] { return T_N_PROCESS_u32PingsOfBeam(2) >= 10 && T_N_PROCESS_u32PingsOfBeam(3) >= 10; },
                       20000));
  EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("ELPM"), &elpm));
  EXPECT_EQ(elpm, 3u);
  const std::string log = standin.Log();
  EXPECT_NE(log.find("block 187 bytes, 2 sequences"), std::string::npos) << log;

  // Transducer 2 (four beams): the side-scan cycle, 200 kHz and 83 kHz beside
  // the two 455 kHz side beams.
  {
    const U32 b0 = T_N_PROCESS_u32PingsOfBeam(0), b2 = T_N_PROCESS_u32PingsOfBeam(2),
              b3 = T_N_PROCESS_u32PingsOfBeam(3);
    H_DATABASE_bUpdateValueU32(FCID("SSTS"), 2, P_NORMAL);
    EXPECT_TRUE(bWaitFor(
        [&] {
          return T_N_PROCESS_u32PingsOfBeam(0) >= b0 + 10 && T_N_PROCESS_u32PingsOfBeam(2) >= b2 + 20 &&
                 T_N_PROCESS_u32PingsOfBeam(3) >= b3 + 20;
        },
        20000));
    EXPECT_TRUE(H_DATABASE_bFetchU32(FCID("ELPM"), &elpm));
    EXPECT_EQ(elpm, 7u);
    // H then L: the side elements (output 6) beside 200 kHz, then beside 83 kHz.
    EXPECT_NE(standin.Log().find("block 187 bytes, 2 sequences"), std::string::npos);
  }

  // Selections without a cycle of their own (360° outside the simulator,
  // none, beyond the table): null pings keep the coprocessor's rhythm and
  // the pool cycling, and pinging resumes when the selection changes.
  for (U32 type : {16u, 0u, 19u, 3u}) {
    SCOPED_TRACE(type);
    H_DATABASE_bUpdateValueU32(FCID("SSTS"), type, P_NORMAL);
    vSleepMs(150);  // pings in flight
    const U32 b1 = T_N_PROCESS_u32PingsOfBeam(1), b3 = T_N_PROCESS_u32PingsOfBeam(3);
    const size_t nulls = Count(standin.Log(), "seq 0 000000030001");
    EXPECT_TRUE(bWaitFor([&] { return Count(standin.Log(), "seq 0 000000030001") > nulls || nulls > 0; }, 3000));
    vSleepMs(200);
    EXPECT_EQ(T_N_PROCESS_u32PingsOfBeam(1), b1);
    EXPECT_EQ(T_N_PROCESS_u32PingsOfBeam(3), b3);
    EXPECT_GE(L_QUEUE_Inquire(Q_PING), (S32)PING_DESCRIPTORS - 1);
  }
  H_DATABASE_bUpdateValueU32(FCID("SSTS"), 4, P_NORMAL);
  const U32 resumed = T_N_PROCESS_u32PingsOfBeam(1);
  EXPECT_TRUE(bWaitFor([&] { return T_N_PROCESS_u32PingsOfBeam(1) >= resumed + 10; }, 10000));

  // Sonar off: only null pings, and the pool fills up again.
  H_DATABASE_bUpdateValueBoolean(FCID("SSEN"), FALSE, P_NORMAL);
  EXPECT_TRUE(bWaitFor([] { return L_QUEUE_Inquire(Q_PING) >= (S32)PING_DESCRIPTORS - 1; }, 5000))
      << L_QUEUE_Inquire(Q_PING);
  vSleepMs(200);  // a ping already on its way to processing
  const U32 beam1 = T_N_PROCESS_u32PingsOfBeam(1);
  vSleepMs(300);
  EXPECT_EQ(T_N_PROCESS_u32PingsOfBeam(1), beam1);
}

}  // namespace
