// Class-0x18 messages from another unit through the ping task's handlers:
// the first byte picks the handler (request, control change, ping depth,
// transducer change, ping, status), the second the sharing state before it
// (sources served by a server, connected or registering; a local 2D source;
// a registered client) and the sender (that client, that server or a
// stranger); the rest is the body, decoded with the handler's descriptor as
// the message layer does. Every ping descriptor taken comes back; nothing
// is read or written outside the buffers.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "common/cmd_id.h"
#include "source/core/h_database.h"
#include "source/sonar/s_share.h"
#include "source/sonar/t_ping_share.h"
#include "source/sonar/u_ping.h"

namespace {

const U32 CLIENT = GSOCKET_u32Address(127, 0, 41, 3);
const U32 SERVER = GSOCKET_u32Address(127, 0, 41, 9);
const U32 STRANGER = GSOCKET_u32Address(127, 0, 41, 7);

typedef BOOLEAN (*HANDLER)(MBOX, GMSG_INFO*, void*, void*);
struct ROUTE {
  const G_DATA_TYPE* type;
  HANDLER handler;
};
const ROUTE s_aRoutes[] = {
    {&DT_SONAR_REQUEST_DATA, &T_N_PING_bHandleNewDataRequest},
    {&DT_CONTROL_CHANGE, &T_N_PING_bHandleControlChangeRecieve},
    {&DT_SONAR_PING_DEPTH, &T_N_PING_bHandleReceivePingDepth},
    {&DT_SONAR_TRANSDUCER_CHANGE, &T_N_PING_bHandleTransducerChange},
    {&DT_PING_DESCRIPTOR, &T_N_PING_bHandleDataRecieve},
    {&DT_GMSG_STATUS, &T_N_PING_bHandleNiceMessageAboutSomethingInThePast},
};

U32 u32FreeDescriptors() {
  std::vector<PING_DESCRIPTOR*> taken;
  PING_DESCRIPTOR* d = nullptr;
  while (L_QUEUE_Get(Q_PING, &d) == lsSUCCESS) taken.push_back(d);
  for (PING_DESCRIPTOR* p : taken) L_QUEUE_Put(Q_PING, &p);
  return (U32)taken.size();
}

void vDrain() {
  while (auto* m = (PING_MESSAGE*)L_MBOX_Receive(M_PROCESS)) {
    if (m->Header.Cmd == CMD_ID_SONAR_PROCESS_PING && m->pReturnDescriptor != nullptr) {
      U_PING_vReturnDescriptor(m->pReturnDescriptor);
    }
    H_MEMORY_vDumpMail(m);
  }
  for (MBOX m : {M_PING, M_SLPCLIENT, M_SUDPIN, M_ALARM}) {
    while (void* p = L_MBOX_Receive(m)) H_MEMORY_vDumpMail(p);
  }
}

GMSG_INFO From(U32 ip, void* body) {
  GMSG_INFO i;
  memset(&i, 0, sizeof i);
  GMSG_vMakeSocketAddress(&i.Header.SrcAddress, ip, SONAR_SHARE_PORT);
  i.pStructMsg = body;
  return i;
}

// The sharing state the second byte names.
void vSetUp(U8 state) {
  T_N_PING_vResetShare();
  for (U32 s = 0; s < 4; ++s) U_PING_vSetNetworkClientState(NETWORK_CLIENT_STATE_INIT, s);
  for (FOURCHARID k : {FCID("ELPM"), FCID("ECPM"), FCID("ENPM")}) H_DATABASE_bUpdateValueU32(k, 0, P_NORMAL);
  U32 enpm = 0;
  for (U32 s = 0; s < 2; ++s) {
    if ((state & (1u << s)) == 0) continue;
    GMSG_ADDRESS a;
    GMSG_vMakeSocketAddress(&a, SERVER, SONAR_SHARE_PORT);
    U_PING_vSetServerAddress(a, s);
    U_PING_vSetNetworkClientState((state & 4) ? NETWORK_CLIENT_STATE_REGISTER : NETWORK_CLIENT_STATE_CONNECTED, s);
    enpm |= 1u << s;
  }
  H_DATABASE_bUpdateValueU32(FCID("ENPM"), enpm, P_NORMAL);
  if (state & 8) H_DATABASE_bUpdateValueU32(FCID("ELPM"), 1, P_NORMAL);
  if (state & 16) {
    sonarRequestDataType request{1, 55000, 0};
    GMSG_INFO i = From(CLIENT, &request);
    T_N_PING_bHandleNewDataRequest(M_PING, &i, nullptr, nullptr);
  }
}

bool bReady() {
  vInitialisePingDescriptorQueue();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = bReady();
  (void)ready;
  if (size < 2) return 0;
  const ROUTE& route = s_aRoutes[data[0] % (sizeof s_aRoutes / sizeof s_aRoutes[0])];
  const U8 state = data[1];
  const U32 senders[] = {CLIENT, SERVER, STRANGER};
  const U32 sender = senders[(state >> 5) % 3];
  std::vector<U8> body(data + 2, data + size);  // exactly the body: ASan sees any read past it
  vSetUp(state);
  vDrain();
  const U32 before = u32FreeDescriptors();
  void* value = nullptr;
  S32 room = (S32)body.size(), count = 0;
  const S32 used = route.type->pfDeserialize(&value, body.data(), &room, &count, route.type);
  if (used >= 0 && value != nullptr) {
    GMSG_INFO info = From(sender, value);
    route.handler(M_PING, &info, nullptr, nullptr);
    route.type->pfDeallocate(value, TRUE, route.type);
  }
  vDrain();
  if (u32FreeDescriptors() != before) __builtin_trap();
  return 0;
}
