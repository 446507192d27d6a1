// The network ping receive task: each stream buffer the segmented UDP
// receiver delivers to mailbox 69 becomes a descriptor for processing.
#include <sched.h>
#include <string.h>

#include <atomic>

#include "common/cmd_id.h"
#include "common/u_srvmonitor.h"
#include "source/core/h_database.h"
#include "source/sonar/s_transducer.h"
#include "source/sonar/sonar_upcalls.h"
#include "source/sonar/t_ping_share.h"

namespace {

constexpr U32 POOL_WAIT_MS = 20;
std::atomic<U32> s_u32LastUpdateTick[4];
U32 s_u32StreamPingCounter = 11;  // depth feedback of 2D stream pings
const FOURCHARID s_aTransducerKey[4] = {FCID("YST1"), FCID("YST2"), FCID("YST3"), FCID("YST4")};

void vGiveBack(PING_DESCRIPTOR* d) {
  if (L_QUEUE_PutWaitTicks(Q_PING, &d, POOL_WAIT_MS) != lsSUCCESS) log_me("cannot return ping buffer to queue");
}

// A 2D ping whose frequency the model cannot show.
bool bFrequencySupported(U32 hertz) {
  const U32 beams = S_TRANSDUCER_u32GetBeamsSupportedByModel();
  if (hertz == 83000) return (beams & 0x2) != 0;
  if (hertz == 50000) return (beams & 0x4) != 0;
  if (hertz == 455000) return (beams & 0x8) != 0;
  return true;
}

}  // namespace

U32 T_NET_PING_RECEIVE_u32LastUpdateTick(U8 u8Source) {
  return u8Source < 4 ? s_u32LastUpdateTick[u8Source].load() : 0;
}

void T_NET_PING_RECEIVE_vHandleStream(U8* body, U32 length, const char* group) {
  NET_SOURCE_TYPE source = INVALID_SOURCE;
  if (!S_SHARE_bStreamSourceOfGroup(group, SUDP_GROUP_TEXT, &source)) {
    log_me("net ping: stream of group \"%.15s\" dropped", group);
    H_MEMORY_vFree(body);
    return;
  }
  if (source == INVALID_SOURCE) {
    H_MEMORY_vFree(body);
    return;
  }
  GMSG_ADDRESS server;
  U_PING_vGetServerAddress(&server, source);
  const NETWORK_CLIENT_STATE state = U_PING_eGetNetworkClientState(source);
  if (state == NETWORK_CLIENT_STATE_REGISTER) {
    const U32 transducer = T_SLP_CLIENT_u32GetTransducerFromServerIP(server.uAddr.Socket.u32Address,
                                                                      server.uAddr.Socket.u32Port, source);
    H_DATABASE_bUpdateEverythingU32(s_aTransducerKey[source], transducer, P_NORMAL, D_UNKNOWN, nullptr,
                                    DB_NO_TIMEOUT);
    H_MEMORY_vFree(body);
    return;
  }
  if (state != NETWORK_CLIENT_STATE_CONNECTED) {
    H_MEMORY_vFree(body);
    return;
  }
  const U32 monitor = U_PING_u32GetServerMonitorHandle(source);
  if (monitor != SERVER_MONITOR_NONE) U_SERVER_MONITOR_vReceivedMessage(monitor);
  s_u32LastUpdateTick[source].store((U32)L_CLOCK_qwGetTimeInMillis());
  if (source == SONAR_SOURCE_2D && ++s_u32StreamPingCounter >= 12) {
    s_u32StreamPingCounter = 0;
    F32 listen = 0.0f;
    const F32 ping = fLocalFindDepthToPing(&listen);
    const sonarPingDepthType depth{listen, ping};
    if (server.uAddr.Socket.u32Address != 0)
      U_GMSG_bSendMsgNoWait(M_PING, &server, GMSG_ID_SONAR_PING_DEPTH_DATA, &DT_SONAR_PING_DEPTH, &depth, 0, 500);
  }
  if (U_PING_eGetSystemState() == STATE_PLAYBACK) {
    H_MEMORY_vFree(body);
    return;
  }
  PING_DESCRIPTOR* d = nullptr;
  if (L_QUEUE_GetWaitTicks(Q_PING, &d, POOL_WAIT_MS) != lsSUCCESS || d == nullptr) {
    log_me("cannot get ping buffer");
    H_MEMORY_vFree(body);
    return;
  }
  const BOOLEAN decoded = S_SHARE_bDecodeStream(body, length, d);
  H_MEMORY_vFree(body);
  if (!decoded || d->Beam >= 5 ||
      (source == SONAR_SOURCE_2D && !bFrequencySupported(d->u32TransmitFrequencyHertz))) {
    vGiveBack(d);
    return;
  }
  auto* m = (PING_MESSAGE*)H_MEMORY_pvMalloc(sizeof(PING_MESSAGE));
  memset(m, 0, sizeof *m);
  m->Header.Cmd = CMD_ID_SONAR_PROCESS_PING;
  m->pReturnDescriptor = d;
  if (L_MBOX_Send(M_PROCESS, m, 3, 0) != lsSUCCESS) {
    H_MEMORY_vFree(m);
    vGiveBack(d);
  }
}

void T_NET_PING_RECEIVE_vTask(void) {
  U_PING_vInitServerAddress();
  const TASK me = L_TASK_GetMyID();
  L_TASK_SetPriority(me, (PRIORITY)(L_TASK_GetPriority(me) - 5));
  for (;;) {
    L_SEMA_Wait(SEMA_MBOX_NETPING_RECEIVE);
    while (void* p = L_MBOX_Receive(M_NETPING)) {
      const GENERIC_MESSAGE* g = (const GENERIC_MESSAGE*)p;
      if (g->Cmd == CMD_ID_SUDP_IN_RECEIVE) {
        auto* m = (MSG_SUDP_IN_RECEIVE*)p;
        T_NET_PING_RECEIVE_vHandleStream(m->cpMessageBody, m->u32MessageLength, m->mcastAddress);
        m->cpMessageBody = nullptr;
      }
      H_MEMORY_vDumpMail(p);
      sched_yield();
    }
  }
}
